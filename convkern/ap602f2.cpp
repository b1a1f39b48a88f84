// SPDX-License-Identifier: Apache-2.0
// U2 and U6: conversion between the base currency and one other currency with a given rate.
#include <cstring>

#include "kernel_internal.h"

namespace convkern {
namespace {

int32_t u2Body(U2_SB& sb, const Eb& ctl, char* /*rcText*/, bool& /*readerCode*/) {
    if (!versionOk(sb.SB_VERSION))
        return kVersion;
    if (senderMissing(sb.SENDER))
        return kSenderMissing;
    sb.DEC_INDICATOR = sb.DEC_FLAG_A;
    std::memcpy(sb.RATE_USED, sb.RATE, sizeof sb.RATE_USED);
    bool intoBase = false;
    const char* other = nullptr;
    const char* row = nullptr;
    if (const int32_t rc = startOneLeg(ctl, sb.ISO_CODE_E, sb.ISO_CODE_A, sb.AMOUNT_E,
                                       AR_Dez13p2_Dez32, intoBase, other, row);
        rc != kOk)
        return rc;

    int32_t success = kOk;
    char quotation = 'M';
    int k;
    if (row != nullptr && !isZero(Kurs32)) {
        // A fixed euro rate replaces the given one.
        success = kRateIgnored;
        setCode(sb.RETURN_CODE, kRateIgnored);
        sb.DEC_INDICATOR = intoBase ? '2' : rowDecimals(row);
        std::memcpy(sb.RATE_USED, rowRate(row), sizeof sb.RATE_USED);
        k = useFixedRate(row, sb.QUOTATION_USED, sb.UNIT_EXPONENT);
    } else {
        const int32_t rc =
            useGivenRate(sb.RATE, sb.QUOTATION, sb.RATE_UNIT, ctl, Kurs32,
                         {sb.RATE_USED, sb.QUOTATION_USED, sb.UNIT_EXPONENT}, quotation, k);
        if (rc != kOk)
            return rc;
    }

    const Dez64* six = nullptr;
    const int32_t rc = convertDirect(intoBase, quotation, k, sb.DEC_INDICATOR, sb.AMOUNT_A_13_2,
                                     sb.AMOUNT_A_15_0, sb.ROUND_DIFF, six);
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
    static constexpr CallFrame kFrame{"U2_SB   -->:", "U2_SB   <--:", U2_SB_OUT,
                                      U2_SB_SIZE,     nullU1U2,       U2_AufraeumenU1U2};
    return runCall(sb, psEb, kFrame, u2Body);
}

TARVO_API int32_t U6_UmrFwaehrBwaehrKv(int32_t count, U6_ELEM* elems, const void* psEb,
                                       void* pAux) {
    return runBatch(count, elems, psEb, pAux, "U6_SB   -->:", "U6_SB   <--:", U2_UmrFwaehrBwaehrKv);
}

} // extern "C"
