// SPDX-License-Identifier: Apache-2.0
// U4 and U8: triangulation between two currencies with a given rate per leg.
#include <cstring>

#include "kernel_internal.h"

namespace convkern {
namespace {

int32_t u4Body(U4_SB& sb, const Eb& ctl, char* /*rcText*/, bool& /*readerCode*/) {
    if (!versionOk(sb.SB_VERSION))
        return kVersion;
    if (senderMissing(sb.SENDER))
        return kSenderMissing;
    sb.DEC_INDICATOR = sb.DEC_FLAG_A;
    std::memcpy(sb.RATE_USED_E, sb.RATE_E, sizeof sb.RATE_USED_E);
    std::memcpy(sb.RATE_USED_A, sb.RATE_A, sizeof sb.RATE_USED_A);
    sb.FIXED_RATE_FLAG_E = 'N';
    sb.FIXED_RATE_FLAG_A = 'N';
    sb.QUOTATION_USED_E = 'P';
    sb.QUOTATION_USED_A = 'P';
    if (!ctl.valid())
        return kIsoCombination;
    const char* base = ctl.baseCurrency();
    if (sameIso(sb.ISO_CODE_E, base) || sameIso(sb.ISO_CODE_A, base))
        return kIsoCombination;

    int32_t success = kOk;
    // First leg: ISO_CODE_E into the base currency.
    const char* row = ctl.findRow(sb.ISO_CODE_E);
    Kurs32 = controlRate(row);
    BetragEin = AR_Dez13p2_Dez32(sb.AMOUNT_E);
    if (Kurs32 == nullptr || BetragEin == nullptr)
        return kOverflow;
    char quotation = 'M';
    int k;
    if (row != nullptr && !isZero(Kurs32)) {
        success = kRateIgnored;
        setCode(sb.RETURN_CODE, kRateIgnored);
        std::memcpy(sb.RATE_USED_E, rowRate(row), sizeof sb.RATE_USED_E);
        sb.FIXED_RATE_FLAG_E = 'J';
        k = useFixedRate(row, sb.QUOTATION_USED_E, sb.UNIT_EXPONENT_E);
    } else {
        const int32_t rc =
            useGivenRate(sb.RATE_E, sb.QUOTATION_E, sb.RATE_UNIT_E, ctl, Kurs32,
                         {sb.RATE_USED_E, sb.QUOTATION_USED_E, sb.UNIT_EXPONENT_E}, quotation, k);
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
    quotation = 'M';
    if (row != nullptr && !isZero(Kurs32A)) {
        success = kRateIgnored;
        setCode(sb.RETURN_CODE, kRateIgnored);
        std::memcpy(sb.RATE_USED_A, rowRate(row), sizeof sb.RATE_USED_A);
        sb.DEC_INDICATOR = rowDecimals(row);
        sb.FIXED_RATE_FLAG_A = 'J';
        k = useFixedRate(row, sb.QUOTATION_USED_A, sb.UNIT_EXPONENT_A);
    } else {
        rc = useGivenRate(sb.RATE_A, sb.QUOTATION_A, sb.RATE_UNIT_A, ctl, Kurs32A,
                          {sb.RATE_USED_A, sb.QUOTATION_USED_A, sb.UNIT_EXPONENT_A}, quotation, k);
        if (rc != kOk)
            return rc;
    }
    rc = secondLegFromBase(quotation, k, sb.DEC_INDICATOR, sb.AMOUNT_A_13_2, sb.AMOUNT_A_15_0,
                           sb.ROUND_DIFF, sb.BASE_AMOUNT, sb.BASE_ROUND_DIFF);
    return rc != kOk ? rc : success;
}

} // namespace
} // namespace convkern

using namespace convkern;

extern "C" {

TARVO_API void U4_AufraeumenU3U4(void) {
    cleanupU3U4();
}

TARVO_API int32_t U4_UmrFwaehrBwaehrFwaehrKv(U4_SB* sb, const void* psEb, void* /*pAux*/) {
    static constexpr CallFrame kFrame{"U4_SB   -->:", "U4_SB   <--:", U4_SB_OUT,
                                      U4_SB_SIZE,     nullU3U4,       U4_AufraeumenU3U4};
    return runCall(sb, psEb, kFrame, u4Body);
}

TARVO_API int32_t U8_UmrFwaehrBwaehrFwaehrKv(int32_t count, U8_ELEM* elems, const void* psEb,
                                             void* pAux) {
    return runBatch(count, elems, psEb, pAux,
                    "U8_SB   -->:", "U8_SB   <--:", U4_UmrFwaehrBwaehrFwaehrKv);
}

} // extern "C"
