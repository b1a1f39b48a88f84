// SPDX-License-Identifier: Apache-2.0
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

// The conversion of U1 with a four-decimal input and the four-decimal result after it.
int32_t a1Body(A1_SB& sb, const Eb& ctl, char* rcText, bool& readerCode) {
    static constexpr OneLegOptions<A1_SB> kOptions{"AP602A1 ", AR_Dez11p4_Dez32, putFourDecimals};
    return convertOneLeg(sb, ctl, kOptions, rcText, readerCode);
}

void nullA1Cells() {
    nullU1U2();
    BetragRund4 = nullptr;
    RundDiff644 = nullptr;
    BetragAus11p4 = nullptr;
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
    static constexpr CallFrame kFrame{"A1_SB   -->:", "A1_SB   <--:", A1_SB_OUT,
                                      A1_SB_SIZE,     nullA1Cells,    A1_Aufraeumen};
    return runCall(sb, psEb, kFrame, a1Body);
}

TARVO_API int32_t A5_UmrFwaehrBwaehr(int32_t count, A5_ELEM* elems, const void* psEb, void* pAux) {
    static_assert(sizeof(A5_ELEM) == A5_ELEM_SIZE);
    return runBatch(count, elems, psEb, pAux, "A5_SB   -->:", "A5_SB   <--:", A1_UmrFwaehrBwaehr);
}

} // extern "C"
