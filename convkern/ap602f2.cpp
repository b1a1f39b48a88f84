// U2 and U6: conversion between the base currency and one other currency with a given rate.
#include <cstring>

#include "kernel_internal.h"

namespace convkern {
namespace {

constexpr char kZeroRate[] = "+00000000000";

int32_t u2Body(U2_SB& sb, const Eb& ctl) {
    if (!versionOk(sb.SB_VERSION))
        return kVersion;
    if (senderMissing(sb.SENDER))
        return kSenderMissing;
    sb.DEC_INDICATOR = sb.DEC_FLAG_A;
    std::memcpy(sb.RATE_USED, sb.RATE, sizeof sb.RATE_USED);
    if (!ctl.valid())
        return kIsoCombination;

    const char* base = ctl.baseCurrency();
    bool intoBase;
    const char* other;
    if (!sameIso(sb.ISO_CODE_E, base) && sameIso(sb.ISO_CODE_A, base)) {
        intoBase = true;
        other = sb.ISO_CODE_E;
    } else if (sameIso(sb.ISO_CODE_E, base) && !sameIso(sb.ISO_CODE_A, base)) {
        intoBase = false;
        other = sb.ISO_CODE_A;
    } else {
        return kIsoCombination;
    }

    const char* row = ctl.findRow(other);
    Kurs32 = AR_Dez4p7_Dez32(row != nullptr ? rowRate(row) : kZeroRate);
    BetragEin = AR_Dez13p2_Dez32(sb.AMOUNT_E);
    if (Kurs32 == nullptr || BetragEin == nullptr)
        return kOverflow;

    int32_t success = kOk;
    char quotation = 'M';
    int k;
    if (row != nullptr && !isZero(Kurs32)) {
        // A fixed euro rate replaces the given one.
        success = kRateIgnored;
        setCode(sb.RETURN_CODE, kRateIgnored);
        if (intoBase)
            sb.DEC_INDICATOR = '2';
        else
            sb.DEC_INDICATOR = rowDecimals(row);
        sb.QUOTATION_USED = 'M';
        std::memcpy(sb.RATE_USED, rowRate(row), sizeof sb.RATE_USED);
        sb.UNIT_EXPONENT = rowUnitExp(row);
        k = unitExpFromChar(rowUnitExp(row));
    } else {
        AR_Delete_(Kurs32);
        Kurs32 = AR_Dez4p7_Dez32(sb.RATE);
        if (Kurs32 == nullptr)
            return kOverflow;
        if (!quotationValid(sb.QUOTATION))
            sb.QUOTATION = ' ';
        quotation = chooseQuotation(sb.QUOTATION, ctl);
        sb.QUOTATION_USED = quotation;
        k = unitExpFromUnit(readUnit(sb.RATE_UNIT));
        if (k < 0)
            return kOverflow;
        sb.UNIT_EXPONENT = unitExpChar(k);
    }

    bool isProduct = false;
    int32_t rc =
        legCompute(intoBase, quotation, k, BetragEin, Kurs32, BetragAus64S, BetragAus64, isProduct);
    if (rc != kOk)
        return rc;
    const int d = sb.DEC_INDICATOR == '2' ? 2 : 0;
    rc = legRound(BetragAus64, isProduct, d, BetragRund6, BetragRund2, RundDiff64);
    if (rc != kOk)
        return rc;
    if (sb.DEC_INDICATOR == '2') {
        BetragAus13p2 = AR_Dez64_Dez13p2(BetragRund2);
        rc = putText(sb.AMOUNT_A_13_2, BetragAus13p2, sizeof sb.AMOUNT_A_13_2);
    } else {
        BetragAus15p0 = AR_Dez64_Dez15p0(BetragRund2);
        rc = putText(sb.AMOUNT_A_15_0, BetragAus15p0, sizeof sb.AMOUNT_A_15_0);
    }
    if (rc != kOk)
        return rc;
    RundDiff1p6 = AR_Dez64_Dez1p6(RundDiff64);
    rc = putText(sb.ROUND_DIFF, RundDiff1p6, sizeof sb.ROUND_DIFF);
    return rc != kOk ? rc : success;
}

} // namespace
} // namespace convkern

using namespace convkern;

extern "C" {

TARVO_API void U2_AufraeumenU1U2(void) {
    cleanupU1U2();
}

TARVO_API int32_t U2_UmrFwaehrBwaehrKv(U2_SB* sb, const void* psEb, void* /*pAux*/) {
    if (sb == nullptr)
        return kVersion;
    nullU1U2();
    const Eb ctl(psEb);
    trace(ctl, "U2_SB   -->:", U2_SB_SIZE, sb);
    zeroFrom(sb, U2_SB_OUT, U2_SB_SIZE);
    const int32_t rc = u2Body(*sb, ctl);
    U2_AufraeumenU1U2();
    if (rc != kOk && rc != kRateIgnored)
        zeroFrom(sb, U2_SB_OUT, U2_SB_SIZE);
    setCode(sb->RETURN_CODE, rc);
    trace(ctl, "U2_SB   <--:", U2_SB_SIZE, sb);
    return rc;
}

TARVO_API int32_t U6_UmrFwaehrBwaehrKv(int32_t count, U6_ELEM* elems, const void* psEb,
                                       void* pAux) {
    const Eb ctl(psEb);
    if (count > 0 && elems == nullptr)
        return kVersion;
    trace(ctl, "U6_SB   -->:", sizeof(U6_ELEM), elems);
    int32_t worst = 0;
    for (int32_t i = 0; i < count; ++i) {
        elems[i].RESULT = U2_UmrFwaehrBwaehrKv(&elems[i].SB, psEb, pAux);
        if (elems[i].RESULT > worst)
            worst = elems[i].RESULT;
    }
    trace(ctl, "U6_SB   <--:", sizeof(U6_ELEM), elems);
    return worst;
}

} // extern "C"
