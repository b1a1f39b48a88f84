// SPDX-License-Identifier: Apache-2.0
// U3 and U7: conversion between two currencies through the base currency (triangulation).
#include <cstring>

#include "kernel_internal.h"

namespace convkern {

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
    int k = 0;
    FileRate fr;
    int32_t rc =
        legRate(row, {sb.ISO_CODE_E, sb.BOOKING_DATE, kSender, sb.RATE_TYPE, sb.RATE_PRINT_FLAG_E},
                ctl, Kurs32, {sb.RATE_USED_E, sb.QUOTATION_USED_E, sb.UNIT_EXPONENT_E},
                sb.FIXED_RATE_FLAG_E, quotation, k, fr, rcText, readerCode);
    if (rc != kOk)
        return rc;
    rc = firstLegToBase(quotation, k);
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
    rc = legRate(row, {sb.ISO_CODE_A, sb.BOOKING_DATE, kSender, sb.RATE_TYPE, sb.RATE_PRINT_FLAG_A},
                 ctl, Kurs32A, {sb.RATE_USED_A, sb.QUOTATION_USED_A, sb.UNIT_EXPONENT_A},
                 sb.FIXED_RATE_FLAG_A, quotation, k, fr, rcText, readerCode);
    if (rc != kOk)
        return rc;
    // A rate-file rate brings its own decimals flag; other values keep the row's decimals.
    if (sb.FIXED_RATE_FLAG_A == 'N' && fr.req.DEC_FLAG == 'J')
        sb.DEC_INDICATOR = '2';
    else if (sb.FIXED_RATE_FLAG_A == 'N' && fr.req.DEC_FLAG == 'N')
        sb.DEC_INDICATOR = '0';
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
