// A1 and A5: conversion to or from the base currency with four-decimal amounts.
#include <cstring>

#include "kernel_internal.h"

extern "C" {
TARVO_API thread_local Dez64* BetragRund4 = nullptr;
TARVO_API thread_local Dez64* RundDiff644 = nullptr;
TARVO_API thread_local char* BetragAus11p4 = nullptr;
}

namespace convkern {
namespace {

// Base currencies whose amounts have no decimals.
bool baseWithoutDecimals(const char* base) {
    static constexpr const char* kList[] = {"BEF", "ESP", "GRD", "ITL", "LUF", "PTE"};
    for (const char* c : kList)
        if (sameIso(base, c))
            return true;
    return false;
}

constexpr char kZeroRate[] = "+00000000000";

void freeA1Cells() {
    AR_Delete_(BetragRund4);
    BetragRund4 = nullptr;
    AR_Delete_(RundDiff644);
    RundDiff644 = nullptr;
    AR_Delete_(BetragAus11p4);
    BetragAus11p4 = nullptr;
}

// Number of integer digits of a cell, not counting zeros at the top.
int integerDigits(const Dez64& c) {
    constexpr int kWidth = static_cast<int>(sizeof c.digits);
    const int count = c.count < kWidth ? c.count : kWidth;
    for (int i = count - 1; i >= c.scale; --i)
        if (c.digits[i] != 0)
            return i - c.scale + 1;
    return 0;
}

// The four-decimal result and its difference against the 6-decimal value v. A result that
// needs more than 11 integer digits leaves both fields zero; the conversion still succeeds.
// Any other failure (no memory) is reported as 463.
int32_t putFourDecimals(A1_SB& sb, const Dez64* v) {
    BetragRund4 = AR_Dez64Round(v, 4);
    if (BetragRund4 == nullptr)
        return kOverflow;
    if (integerDigits(*BetragRund4) > 11)
        return kOk;
    int32_t lost = 0;
    RundDiff644 = AR_Dez64Sub(v, BetragRund4, &lost);
    BetragAus11p4 = AR_Dez64_Dez11p4(BetragRund4);
    if (RundDiff644 == nullptr || lost != 0 || BetragAus11p4 == nullptr)
        return kOverflow;
    char* diff = AR_Dez64_Dez1p6(RundDiff644);
    if (diff == nullptr)
        return kOverflow;
    std::memcpy(sb.AMOUNT_A_11_4, BetragAus11p4, sizeof sb.AMOUNT_A_11_4);
    std::memcpy(sb.ROUND_DIFF_4, diff, sizeof sb.ROUND_DIFF_4);
    AR_Delete_(diff);
    return kOk;
}

// The conversion of U1 with a four-decimal input; returns 0 or the failure number.
int32_t a1Body(A1_SB& sb, const Eb& ctl, char* rcText, bool& readerCode) {
    if (!versionOk(sb.SB_VERSION))
        return kVersion;
    if (senderMissing(sb.SENDER))
        return kSenderMissing;
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
    BetragEin = AR_Dez11p4_Dez32(sb.AMOUNT_E);
    if (Kurs32 == nullptr || BetragEin == nullptr)
        return kOverflow;
    if (row != nullptr)
        std::memcpy(sb.RATE_USED, rowRate(row), sizeof sb.RATE_USED);

    char quotation = 'M';
    int k;
    if (row != nullptr && !isZero(Kurs32)) {
        sb.DEC_INDICATOR = intoBase ? '2' : rowDecimals(row);
        sb.FIXED_RATE_FLAG = 'J';
        sb.QUOTATION_USED = 'M';
        sb.UNIT_EXPONENT = rowUnitExp(row);
        k = unitExpFromChar(rowUnitExp(row));
    } else {
        if (intoBase)
            sb.DEC_INDICATOR = baseWithoutDecimals(base) ? '0' : '2';
        sb.FIXED_RATE_FLAG = 'N';
        FileRate fr;
        const int32_t rc = fetchFileRate(other, sb.BOOKING_DATE, "AP602A1 ", sb.RATE_TYPE,
                                         sb.RATE_PRINT_FLAG, ctl, fr, rcText, readerCode);
        if (rc != kOk)
            return rc;
        AR_Delete_(Kurs32);
        Kurs32 = AR_Dez4p7_Dez32(fr.rate);
        if (Kurs32 == nullptr)
            return kOverflow;
        std::memcpy(sb.RATE_USED, fr.rate, sizeof sb.RATE_USED);
        if (!intoBase) {
            const char flag = fr.req.DEC_FLAG;
            sb.DEC_INDICATOR = flag == 'J' ? '2' : flag == 'N' ? '0' : flag;
        }
        quotation = fr.quotation;
        sb.QUOTATION_USED = quotation;
        k = fr.k;
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
    // The 6-decimal value that the path rounded: the truncated product or the quotient.
    const Dez64* six = isProduct ? BetragRund6 : BetragAus64;

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
    if (rc != kOk)
        return rc;
    return putFourDecimals(sb, six);
}

} // namespace
} // namespace convkern

using namespace convkern;

extern "C" {

TARVO_API void A1_Aufraeumen(void) {
    cleanupU1U2();
    freeA1Cells();
}

TARVO_API int32_t A1_UmrFwaehrBwaehr(A1_SB* sb, const void* psEb, void* /*pAux*/) {
    if (sb == nullptr)
        return kVersion;
    nullU1U2();
    BetragRund4 = nullptr;
    RundDiff644 = nullptr;
    BetragAus11p4 = nullptr;
    const Eb ctl(psEb);
    trace(ctl, "A1_SB   -->:", A1_SB_SIZE, sb);
    zeroFrom(sb, A1_SB_OUT, A1_SB_SIZE);
    char rcText[4];
    bool readerCode = false;
    const int32_t rc = a1Body(*sb, ctl, rcText, readerCode);
    A1_Aufraeumen();
    if (rc != kOk)
        zeroFrom(sb, A1_SB_OUT, A1_SB_SIZE);
    if (readerCode)
        std::memcpy(sb->RETURN_CODE, rcText, 4);
    else
        setCode(sb->RETURN_CODE, rc);
    trace(ctl, "A1_SB   <--:", A1_SB_SIZE, sb);
    return rc;
}

TARVO_API int32_t A5_UmrFwaehrBwaehr(int32_t count, A5_ELEM* elems, const void* psEb, void* pAux) {
    const Eb ctl(psEb);
    if (count > 0 && elems == nullptr)
        return kVersion;
    trace(ctl, "A5_SB   -->:", A5_ELEM_SIZE, elems);
    int32_t worst = 0;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t rc = A1_UmrFwaehrBwaehr(&elems[i].SB, psEb, pAux);
        std::memcpy(&elems[i].RESULT, &rc, sizeof rc);
        if (rc > worst)
            worst = rc;
    }
    trace(ctl, "A5_SB   <--:", A5_ELEM_SIZE, elems);
    return worst;
}

} // extern "C"
