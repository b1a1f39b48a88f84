// SPDX-License-Identifier: Apache-2.0
// ap602f1: U1 and U5, conversion between the base currency and one other currency with the
// control data's fixed rate or the rate file's; the U1 conversion that A1 reuses.
#include <cstring>

#include "kernel_internal.h"

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

} // namespace

template <typename Sb>
int32_t convertOneLeg(Sb& sb, const Eb& ctl, const OneLegOptions<Sb>& opt, char* rcText,
                      bool& readerCode) {
    if (!versionOk(sb.SB_VERSION))
        return kVersion;
    if (senderMissing(sb.SENDER))
        return kSenderMissing;
    bool intoBase = false;
    const char* other = nullptr;
    const char* row = nullptr;
    int32_t rc = startOneLeg(ctl, sb.ISO_CODE_E, sb.ISO_CODE_A, sb.AMOUNT_E, opt.readAmount,
                             intoBase, other, row);
    if (rc != kOk)
        return rc;
    if (row != nullptr)
        std::memcpy(sb.RATE_USED, rowRate(row), sizeof sb.RATE_USED);

    char quotation = 'M';
    int k = 0;
    FileRate fr;
    rc = legRate(row, {other, sb.BOOKING_DATE, opt.sender, sb.RATE_TYPE, sb.RATE_PRINT_FLAG}, ctl,
                 Kurs32, {sb.RATE_USED, sb.QUOTATION_USED, sb.UNIT_EXPONENT}, sb.FIXED_RATE_FLAG,
                 quotation, k, fr, rcText, readerCode);
    if (rc != kOk)
        return rc;
    // Decimals of the result: the base currency's, else the row's or the rate file's flag.
    const bool fixed = sb.FIXED_RATE_FLAG == 'J';
    if (intoBase) {
        sb.DEC_INDICATOR = fixed || !baseWithoutDecimals(ctl.baseCurrency()) ? '2' : '0';
    } else if (fixed) {
        sb.DEC_INDICATOR = rowDecimals(row);
    } else {
        const char flag = fr.req.DEC_FLAG;
        sb.DEC_INDICATOR = flag == 'J' ? '2' : flag == 'N' ? '0' : flag;
    }

    const Dez64* six = nullptr;
    rc = convertDirect(intoBase, quotation, k, sb.DEC_INDICATOR, sb.AMOUNT_A_13_2, sb.AMOUNT_A_15_0,
                       sb.ROUND_DIFF, six);
    if (rc != kOk || opt.after == nullptr)
        return rc;
    return opt.after(sb, six);
}

template int32_t convertOneLeg<U1_SB>(U1_SB&, const Eb&, const OneLegOptions<U1_SB>&, char*, bool&);
template int32_t convertOneLeg<A1_SB>(A1_SB&, const Eb&, const OneLegOptions<A1_SB>&, char*, bool&);

namespace {

int32_t u1Body(U1_SB& sb, const Eb& ctl, char* rcText, bool& readerCode) {
    static constexpr OneLegOptions<U1_SB> kOptions{"AP602F1 ", AR_Dez13p2_Dez32, nullptr};
    return convertOneLeg(sb, ctl, kOptions, rcText, readerCode);
}

} // namespace
} // namespace convkern

using namespace convkern;

extern "C" {

TARVO_API void U1_AufraeumenU1U2(void) {
    cleanupU1U2();
}

TARVO_API int32_t U1_UmrFwaehrBwaehr(U1_SB* sb, const void* psEb, void* /*pAux*/) {
    static constexpr CallFrame kFrame{"U1_SB   -->:", "U1_SB   <--:", U1_SB_OUT,
                                      U1_SB_SIZE,     nullU1U2,       U1_AufraeumenU1U2};
    return runCall(sb, psEb, kFrame, u1Body);
}

TARVO_API int32_t U5_UmrFwaehrBwaehr(int32_t count, U5_ELEM* elems, const void* psEb, void* pAux) {
    return runBatch(count, elems, psEb, pAux, "U5_SB   -->:", "U5_SB   <--:", U1_UmrFwaehrBwaehr);
}

} // extern "C"
