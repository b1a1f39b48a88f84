// U3 and U7: conversion between two currencies through the base currency (triangulation).
#include <cstring>

#include "kernel_internal.h"

namespace convkern {

int32_t firstLegToBase(char quotation, int k) {
    bool isProduct = false;
    const int32_t rc =
        legCompute(true, quotation, k, BetragEin, Kurs32, BetragAus64S, BetragAus64, isProduct);
    if (rc != kOk)
        return rc;
    Dez64* six = BetragAus64;
    if (isProduct) {
        BetragRund6 = AR_Dez64Trunc(BetragAus64, 6);
        if (BetragRund6 == nullptr)
            return kOverflow;
        six = BetragRund6;
    }
    EuroRund64 = AR_Dez64Round(six, 3);
    if (EuroRund64 == nullptr)
        return kOverflow;
    int32_t lost = 0;
    EuroRundDiff64 = AR_Dez64Sub(six, EuroRund64, &lost);
    EuroRund32 = AR_Dez64_Dez32(EuroRund64);
    if (EuroRundDiff64 == nullptr || EuroRund32 == nullptr)
        return kOverflow;
    // The first leg's raw cells are done with.
    if (BetragAus64S == BetragAus64)
        BetragAus64S = nullptr;
    AR_Delete_(BetragAus64);
    AR_Delete_(BetragAus64S);
    AR_Delete_(BetragRund6);
    BetragAus64 = nullptr;
    BetragAus64S = nullptr;
    BetragRund6 = nullptr;
    return kOk;
}

int32_t secondLegFromBase(char quotation, int k, char decIndicator, char* amount132,
                          char* amount150, char* roundDiff, char* baseAmount, char* baseRoundDiff) {
    bool isProduct = false;
    int32_t rc =
        legCompute(false, quotation, k, EuroRund32, Kurs32A, BetragAus64S, BetragAus64, isProduct);
    if (rc != kOk)
        return rc;
    const int d = decIndicator == '2' ? 2 : 0;
    if ((rc = legRound(BetragAus64, isProduct, d, BetragRund6, BetragRund2, RundDiff64)) != kOk)
        return rc;
    if ((rc = putAmountAndDiff(decIndicator, amount132, amount150, roundDiff)) != kOk)
        return rc;
    EuroBetrag = AR_Dez64_Dez12p3(EuroRund64);
    if ((rc = putText(baseAmount, EuroBetrag, 18)) != kOk)
        return rc;
    EuroRundDiff = AR_Dez64_Dez1p6(EuroRundDiff64);
    return putText(baseRoundDiff, EuroRundDiff, 10);
}

namespace {

constexpr char kSender[] = "AP602F3 ";

int32_t u3Body(U3_SB& sb, const Eb& ctl, char* rcText, bool& readerCode) {
    if (!versionOk(sb.SB_VERSION))
        return kVersion;
    if (senderMissing(sb.SENDER))
        return kSenderMissing;
    if (!ctl.valid())
        return kIsoCombination;
    const char* base = ctl.baseCurrency();
    if (sameIso(sb.ISO_CODE_E, base) || sameIso(sb.ISO_CODE_A, base))
        return kIsoCombination;

    // First leg: ISO_CODE_E into the base currency, not rounded yet.
    const char* row = ctl.findRow(sb.ISO_CODE_E);
    Kurs32 = controlRate(row);
    BetragEin = AR_Dez13p2_Dez32(sb.AMOUNT_E);
    if (Kurs32 == nullptr || BetragEin == nullptr)
        return kOverflow;
    if (row != nullptr)
        std::memcpy(sb.RATE_USED_E, rowRate(row), sizeof sb.RATE_USED_E);
    char quotation = 'M';
    int k;
    if (row != nullptr && !isZero(Kurs32)) {
        sb.FIXED_RATE_FLAG_E = 'J';
        k = useFixedRate(row, sb.QUOTATION_USED_E, sb.UNIT_EXPONENT_E);
    } else {
        sb.FIXED_RATE_FLAG_E = 'N';
        FileRate fr;
        int32_t rc = fetchFileRate(sb.ISO_CODE_E, sb.BOOKING_DATE, kSender, sb.RATE_TYPE,
                                   sb.RATE_PRINT_FLAG_E, ctl, fr, rcText, readerCode);
        if (rc == kOk)
            rc = useFileRate(fr, Kurs32, {sb.RATE_USED_E, sb.QUOTATION_USED_E, sb.UNIT_EXPONENT_E},
                             quotation, k);
        if (rc != kOk)
            return rc;
    }
    int32_t rc = firstLegToBase(quotation, k);
    if (rc != kOk)
        return rc;

    // Second leg: the rounded base amount into ISO_CODE_A.
    row = ctl.findRow(sb.ISO_CODE_A);
    Kurs32A = controlRate(row);
    if (Kurs32A == nullptr)
        return kOverflow;
    if (row != nullptr) {
        sb.DEC_INDICATOR = rowDecimals(row);
        std::memcpy(sb.RATE_USED_A, rowRate(row), sizeof sb.RATE_USED_A);
    }
    quotation = 'M';
    if (row != nullptr && !isZero(Kurs32A)) {
        sb.FIXED_RATE_FLAG_A = 'J';
        k = useFixedRate(row, sb.QUOTATION_USED_A, sb.UNIT_EXPONENT_A);
    } else {
        sb.FIXED_RATE_FLAG_A = 'N';
        FileRate fr;
        rc = fetchFileRate(sb.ISO_CODE_A, sb.BOOKING_DATE, kSender, sb.RATE_TYPE,
                           sb.RATE_PRINT_FLAG_A, ctl, fr, rcText, readerCode);
        if (rc == kOk)
            rc = useFileRate(fr, Kurs32A, {sb.RATE_USED_A, sb.QUOTATION_USED_A, sb.UNIT_EXPONENT_A},
                             quotation, k);
        if (rc != kOk)
            return rc;
        if (fr.req.DEC_FLAG == 'J')
            sb.DEC_INDICATOR = '2';
        else if (fr.req.DEC_FLAG == 'N')
            sb.DEC_INDICATOR = '0';
    }
    return secondLegFromBase(quotation, k, sb.DEC_INDICATOR, sb.AMOUNT_A_13_2, sb.AMOUNT_A_15_0,
                             sb.ROUND_DIFF, sb.BASE_AMOUNT, sb.BASE_ROUND_DIFF);
}

} // namespace
} // namespace convkern

using namespace convkern;

extern "C" {

TARVO_API void U3_AufraeumenU3U4(void) {
    cleanupU3U4();
}

TARVO_API int32_t U3_UmrFwaehrBwaehrFwaehr(U3_SB* sb, const void* psEb, void* /*pAux*/) {
    static constexpr CallFrame kFrame{"U3_SB   -->:", "U3_SB   <--:", U3_SB_OUT,
                                      U3_SB_SIZE,     nullU3U4,       U3_AufraeumenU3U4};
    return runCall(sb, psEb, kFrame, u3Body);
}

TARVO_API int32_t U7_UmrFwaehrBwaehrFwaehr(int32_t count, U7_ELEM* elems, const void* psEb,
                                           void* pAux) {
    return runBatch(count, elems, psEb, pAux,
                    "U7_SB   -->:", "U7_SB   <--:", U3_UmrFwaehrBwaehrFwaehr);
}

} // extern "C"
