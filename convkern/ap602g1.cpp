// SPDX-License-Identifier: Apache-2.0
// G1: conversion of up to 50 amounts, each smoothed to whole units plus a remainder.
#include <cstring>

#include "kernel_internal.h"

extern "C" {
TARVO_API thread_local Dez32* G1Rund32 = nullptr;
TARVO_API thread_local Dez32* G1RundZ32 = nullptr;
TARVO_API thread_local Dez32* G1Betrag32 = nullptr;
TARVO_API thread_local Dez64* G1Betrag64 = nullptr;
TARVO_API thread_local Dez64* G1BetragR64 = nullptr;
TARVO_API thread_local Dez32* G1BetragR32 = nullptr;
TARVO_API thread_local Dez64* G1BetragNeu64 = nullptr;
TARVO_API thread_local Dez64* G1Rest64 = nullptr;
TARVO_API thread_local char* G1Betrag15p0 = nullptr;
TARVO_API thread_local char* G1Betrag13p2 = nullptr;
}

namespace convkern {
namespace {

constexpr int32_t kBadIndex = tarvo::rc::kBadIndex;
constexpr int32_t kBadMethod = tarvo::rc::kBadSmoothingMethod;
constexpr int32_t kNoUnit = tarvo::rc::kSmoothingValueMissing;
constexpr int32_t kBadUnit = tarvo::rc::kSmoothingValueWrong;
constexpr char kZeroText[] = "+000000000000000";
constexpr char kMaxUnit[] = "+000000001000000";
constexpr int kTextLen = 16;

int itemCount(const G1_SB& sb) {
    return readUnit(sb.ITEM_COUNT);
}

// The checks of the block in their order; on success the smoothing unit is in G1Rund32.
int32_t checkAndUnit(const G1_SB& sb) {
    if (!versionOk(sb.SB_VERSION))
        return kVersion;
    if (senderMissing(sb.SENDER))
        return kSenderMissing;
    const int n = itemCount(sb);
    if (n < 1 || n > BG_MAX_ITEMS)
        return kBadIndex;
    if (sb.SMOOTHING_METHOD != 'G' && sb.SMOOTHING_METHOD != 'M')
        return kBadMethod;
    const int exponent = readUnit(sb.SMOOTHING_EXPONENT);
    const bool valueGiven = std::memcmp(sb.SMOOTHING_VALUE, kZeroText, kTextLen) != 0;
    if (exponent == 0 && !valueGiven)
        return kNoUnit;
    if (valueGiven) {
        if (std::memcmp(sb.SMOOTHING_VALUE, kZeroText, kTextLen) < 0 ||
            std::memcmp(sb.SMOOTHING_VALUE, kMaxUnit, kTextLen) > 0)
            return kBadUnit;
        // Only a plain number is a unit: a stray character would cut the digits read short.
        for (int i = 1; i < kTextLen; ++i)
            if (sb.SMOOTHING_VALUE[i] < '0' || sb.SMOOTHING_VALUE[i] > '9')
                return kBadUnit;
        G1Rund32 = AR_Dez15p0_Dez32(sb.SMOOTHING_VALUE);
    } else {
        if (exponent < 0 || exponent > 6)
            return kBadUnit;
        G1RundZ32 = AR_Dez15p0_Dez32("+000000000000001");
        if (G1RundZ32 == nullptr)
            return kOverflow;
        G1Rund32 = AR_Dez32Mul_Nmal10(G1RundZ32, exponent);
    }
    if (G1Rund32 == nullptr)
        return kOverflow;
    return kOk;
}

// Smooths the converted amount of one item into its two output slots. Returns 0 or 463.
int32_t smoothItem(G1_SB& sb, int i) {
    const U1_SB& u1 = sb.ITEMS[i].SB;
    // Whichever result field U1 filled: 13,2 for two decimals, 15,0 otherwise.
    G1Betrag32 = u1.DEC_INDICATOR == '2' ? AR_Dez13p2_Dez32(u1.AMOUNT_A_13_2)
                                         : AR_Dez15p0_Dez32(u1.AMOUNT_A_15_0);
    if (G1Betrag32 == nullptr)
        return kOverflow;
    G1Betrag64 = AR_Dez32Div(G1Betrag32, G1Rund32, 4);
    if (G1Betrag64 == nullptr)
        return kOverflow;
    G1BetragR64 =
        sb.SMOOTHING_METHOD == 'G' ? AR_Dez64Round(G1Betrag64, 0) : AR_Dez64Trunc(G1Betrag64, 0);
    if (G1BetragR64 == nullptr)
        return kOverflow;
    G1BetragR32 = AR_Dez64_Dez32(G1BetragR64);
    G1Betrag15p0 = AR_Dez64_Dez15p0(G1BetragR64);
    if (G1BetragR32 == nullptr || G1Betrag15p0 == nullptr)
        return kOverflow;
    G1BetragNeu64 = AR_Dez32Mul(G1BetragR32, G1Rund32);
    assign(G1Betrag64, AR_Dez32_Dez64(G1Betrag32));
    if (G1BetragNeu64 == nullptr || G1Betrag64 == nullptr)
        return kOverflow;
    int32_t lost = 0;
    G1Rest64 = AR_Dez64Sub(G1Betrag64, G1BetragNeu64, &lost);
    if (G1Rest64 == nullptr || lost != 0)
        return kOverflow;
    G1Betrag13p2 = AR_Dez64_Dez13p2(G1Rest64);
    if (G1Betrag13p2 == nullptr)
        return kOverflow;
    std::memcpy(sb.UNITS_OUT[i], G1Betrag15p0, kTextLen);
    std::memcpy(sb.REST_OUT[i], G1Betrag13p2, kTextLen);
    return kOk;
}

} // namespace
} // namespace convkern

using namespace convkern;

extern "C" {

TARVO_API void G1_Aufraeum1(void) {
    release(G1Rund32);
    release(G1RundZ32);
}

TARVO_API void G1_Aufraeum2(void) {
    release(G1Betrag32);
    release(G1Betrag64);
    release(G1BetragR64);
    release(G1BetragR32);
    release(G1BetragNeu64);
    release(G1Rest64);
    release(G1Betrag13p2);
    release(G1Betrag15p0);
}

TARVO_API int32_t G1_UmrMitGlaettung(G1_SB* sb, const void* psEb, void* pAux) {
    if (sb == nullptr)
        return kVersion;
    G1Rund32 = G1RundZ32 = G1Betrag32 = G1BetragR32 = nullptr;
    G1Betrag64 = G1BetragR64 = G1BetragNeu64 = G1Rest64 = nullptr;
    G1Betrag15p0 = G1Betrag13p2 = nullptr;
    const Eb ctl(psEb);
    trace(ctl, "G1_SB   -->:", G1_SB_SIZE, sb);
    zeroFrom(sb, G1_SB_OUT, G1_SB_OUT_END);

    const int32_t rc = checkAndUnit(*sb);
    if (rc != kOk) {
        G1_Aufraeum1();
        zeroFrom(sb, G1_SB_OUT, G1_SB_OUT_END);
        setCode(sb->RETURN_CODE, rc);
        trace(ctl, "G1_SB   <--:", G1_SB_SIZE, sb);
        return rc;
    }

    int32_t worst = 0;
    const int n = itemCount(*sb);
    for (int i = 0; i < n; ++i) {
        BG_ITEM& item = sb->ITEMS[i];
        int32_t itemRc = U1_UmrFwaehrBwaehr(&item.SB, psEb, pAux);
        std::memcpy(sb->UNITS_OUT[i], kZeroText, kTextLen);
        std::memcpy(sb->REST_OUT[i], kZeroText, kTextLen);
        if (itemRc == kOk && smoothItem(*sb, i) != kOk) {
            // Only a lack of memory gets here: report it on the item like a failed conversion.
            itemRc = kOverflow;
            zeroFrom(&item.SB, U1_SB_OUT, U1_SB_SIZE);
            setCode(item.SB.RETURN_CODE, itemRc);
            std::memcpy(sb->UNITS_OUT[i], kZeroText, kTextLen);
            std::memcpy(sb->REST_OUT[i], kZeroText, kTextLen);
        }
        setItemResult(item, itemRc);
        if (itemRc > worst)
            worst = itemRc;
        G1_Aufraeum2();
    }
    G1_Aufraeum1();
    trace(ctl, "G1_SB   <--:", G1_SB_SIZE, sb);
    return worst;
}

} // extern "C"
