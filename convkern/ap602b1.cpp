// SPDX-License-Identifier: Apache-2.0
// B1: conversion of a total and its parts with balancing of the parts to the converted total.
#include <cstring>

#include "kernel_internal.h"

extern "C" {
TARVO_API thread_local Dez64* B1WertS64 = nullptr;
TARVO_API thread_local Dez64* B1Sum64 = nullptr;
TARVO_API thread_local Dez64* B1Einzel64 = nullptr;
TARVO_API thread_local Dez64* B1Wert64 = nullptr;
TARVO_API thread_local Dez64* B1RundDiff64 = nullptr;
TARVO_API thread_local Dez64* B1OptDiff64 = nullptr;
TARVO_API thread_local char* B1Betrag13p2 = nullptr;
TARVO_API thread_local char* B1Betrag1p6 = nullptr;
TARVO_API thread_local Dez64* B1Null64 = nullptr;
TARVO_API thread_local Dez64* B1Delta64 = nullptr;
TARVO_API thread_local Dez64* B1DeltaN64 = nullptr;
TARVO_API thread_local Dez64* B1D01_64 = nullptr;
TARVO_API thread_local char Waeh_Betrag_Abr[50][18] = {};
TARVO_API thread_local char RundDiff_Abr[50][10] = {};
}

namespace convkern {
namespace {

constexpr int32_t kBadIndex = tarvo::rc::kBadIndex;
constexpr int32_t kBadMethod = tarvo::rc::kBadBalancingMethod;
constexpr int32_t kBadSum = tarvo::rc::kBadSum;
constexpr char kZeroAmount[] = "+000000000000000";
constexpr char kCent[] = "+000000000000001"; // 0.01 as taDez13p2
constexpr char kUnit[] = "+000000000000100"; // 1.00

// Item count of the block, or 0 when it lies outside 2 to 50.
int partsCount(const B1_SB& sb) {
    const int n = readUnit(sb.ITEM_COUNT);
    return n >= 2 && n <= BG_MAX_ITEMS ? n : 0;
}

// The item's converted amount as a taDez13p2 text: the 13,2 result, or for a currency
// without decimals the whole-unit result with .00. False when it does not fit 13,2.
bool resultText(const U1_SB& u1, char (&out)[18]) {
    if (u1.DEC_INDICATOR == '2') {
        std::memcpy(out, u1.AMOUNT_A_13_2, sizeof out);
        return true;
    }
    // taDez15p0 "sDDDDDDDDDDDDDDD" -> taDez13p2 "sDDDDDDDDDDDDD00"
    if (u1.AMOUNT_A_15_0[1] != '0' || u1.AMOUNT_A_15_0[2] != '0')
        return false;
    std::memset(out, 0, sizeof out);
    out[0] = u1.AMOUNT_A_15_0[0];
    std::memcpy(out + 1, u1.AMOUNT_A_15_0 + 3, 13);
    out[14] = '0';
    out[15] = '0';
    return true;
}

bool sameDecimals(const U1_SB& a, const U1_SB& b) {
    return (a.DEC_INDICATOR == '2') == (b.DEC_INDICATOR == '2');
}

// Writes a value as taDez13p2 into an 18-byte slot through B1Betrag13p2.
bool putAmount(char* slot, const Dez64* v) {
    assign(B1Betrag13p2, AR_Dez64_Dez13p2(v));
    if (B1Betrag13p2 == nullptr)
        return false;
    std::memcpy(slot, B1Betrag13p2, 18);
    return true;
}

bool constantsReady() {
    return B1WertS64 != nullptr && B1Sum64 != nullptr && B1Null64 != nullptr &&
           B1Delta64 != nullptr && B1DeltaN64 != nullptr && B1D01_64 != nullptr;
}

// Difference that decides the choice of a part; stored in B1RundDiff64. With the rounded-down
// differences of method '1' (diffs) that difference; otherwise the part's rounding difference
// from U1, for method '2' as it is and for method '0' plus one step when negative (the
// remainder that rounding down would have cut off).
bool choiceDiff(const B1_SB& sb, int i, char (*diffs)[10]) {
    if (diffs != nullptr) {
        assign(B1RundDiff64, AR_Dez1p6_Dez64(diffs[i]));
        return B1RundDiff64 != nullptr;
    }
    assign(B1RundDiff64, AR_Dez1p6_Dez64(sb.ITEMS[i].SB.ROUND_DIFF));
    if (B1RundDiff64 == nullptr)
        return false;
    if (sb.BALANCING_METHOD != '2' && AR_Dez64Compare(B1RundDiff64, B1Null64) < 0)
        return AR_Dez64Inc(B1RundDiff64, B1D01_64) == 0;
    return true;
}

bool anyUnmarked(const B1_SB& sb, int n) {
    for (int i = 1; i < n; ++i)
        if (sb.SSV[i] == ' ')
            return true;
    return false;
}

// Moves one step onto one part per round until the parts add up to the total or every part
// has been moved. amounts/diffs are the rounded-down parts of method '1', else null.
// Returns 0 or 463 (no memory).
int32_t distribute(B1_SB& sb, char (*amounts)[18], char (*diffs)[10]) {
    const int n = partsCount(sb);
    if (n == 0 || !constantsReady())
        return kOk;
    const bool raise = sb.SSV[0] == '+';
    if (raise) {
        AR_Invert64_(B1Delta64);
        AR_Invert64_(B1DeltaN64);
    }
    while (AR_Dez64Compare(B1Sum64, B1WertS64) != 0 && anyUnmarked(sb, n)) {
        int j = 1;
        while (sb.SSV[j] != ' ')
            ++j;
        if (!choiceDiff(sb, j, diffs))
            return kOverflow;
        assign(B1OptDiff64, B1RundDiff64);
        B1RundDiff64 = nullptr;
        for (int i = j + 1; i < n; ++i) {
            if (sb.SSV[i] != ' ')
                continue;
            if (!choiceDiff(sb, i, diffs))
                return kOverflow;
            const int32_t cmp = AR_Dez64Compare(B1RundDiff64, B1OptDiff64);
            bool better = raise ? cmp > 0 : cmp < 0;
            if (amounts != nullptr && raise && cmp == 0)
                better = std::memcmp(amounts[i], amounts[j], 18) > 0;
            if (better) {
                j = i;
                assign(B1OptDiff64, B1RundDiff64);
                B1RundDiff64 = nullptr;
            }
        }
        sb.SSV[j] = sb.SSV[0];
        char base[18];
        if (amounts != nullptr)
            std::memcpy(base, amounts[j], sizeof base);
        else if (!resultText(sb.ITEMS[j].SB, base))
            return kOverflow;
        assign(B1Wert64, AR_Dez13p2_Dez64(base));
        if (B1Wert64 == nullptr || AR_Dez64Inc(B1Wert64, B1DeltaN64) != 0 ||
            !putAmount(sb.AMOUNT_OUT[j], B1Wert64) || AR_Dez64Inc(B1Sum64, B1DeltaN64) != 0)
            return kOverflow;
    }
    return kOk;
}

// Rebuilds the marks; returns 0, or 463 when a cell cannot be had (the marks are then
// incomplete and the call fails).
int32_t updateMarks(B1_SB& sb) {
    const int n = partsCount(sb);
    if (n == 0)
        return kOk;
    sb.SSV[0] = ' ';
    for (int i = 1; i < n; ++i) {
        char base[18];
        const bool hasResult = resultText(sb.ITEMS[i].SB, base);
        Dez64* out = AR_Dez13p2_Dez64(sb.AMOUNT_OUT[i]);
        Dez64* u1 = hasResult ? AR_Dez13p2_Dez64(base) : nullptr;
        const bool failed = out == nullptr || (hasResult && u1 == nullptr);
        // Numeric comparison: for negative amounts the texts sort the other way round.
        const int32_t cmp = out != nullptr && u1 != nullptr ? AR_Dez64Compare(out, u1) : 0;
        AR_Delete_(out);
        AR_Delete_(u1);
        if (failed)
            return kOverflow;
        if (cmp == 0) {
            sb.SSV[i] = ' ';
        } else {
            sb.SSV[i] = cmp > 0 ? '+' : '-';
            sb.SSV[0] = sb.SSV[i];
        }
    }
    return kOk;
}

void freeAllB1() {
    release(B1WertS64);
    release(B1Sum64);
    release(B1Einzel64);
    release(B1Wert64);
    release(B1RundDiff64);
    release(B1OptDiff64);
    release(B1Betrag13p2);
    release(B1Betrag1p6);
    release(B1Null64);
    release(B1Delta64);
    release(B1DeltaN64);
    release(B1D01_64);
}

// Checks of the block head and the input sum (steps before any conversion).
int32_t checkBlock(B1_SB& sb) {
    if (!versionOk(sb.SB_VERSION))
        return kVersion;
    if (senderMissing(sb.SENDER))
        return kSenderMissing;
    const int n = partsCount(sb);
    if (n == 0)
        return kBadIndex;
    const char method = sb.BALANCING_METHOD;
    if (method != '0' && method != '1' && method != '2')
        return kBadMethod;

    B1Sum64 = AR_Dez13p2_Dez64(kZeroAmount);
    if (B1Sum64 == nullptr)
        return kOverflow;
    for (int i = 0; i < n; ++i) {
        BG_ITEM& item = sb.ITEMS[i];
        if (i == 0) {
            B1WertS64 = AR_Dez13p2_Dez64(item.SB.AMOUNT_E);
            if (B1WertS64 == nullptr)
                return kOverflow;
        } else {
            assign(B1Einzel64, AR_Dez13p2_Dez64(item.SB.AMOUNT_E));
            if (B1Einzel64 == nullptr || AR_Dez64Inc(B1Sum64, B1Einzel64) != 0)
                return kOverflow;
        }
        setItemResult(item, kOk);
        std::memcpy(item.SB.RETURN_CODE, "0000", 4);
        std::memcpy(sb.AMOUNT_OUT[i], kZeroAmount, 16);
        sb.SSV[i] = ' ';
    }
    if (AR_Dez64Compare(B1Sum64, B1WertS64) != 0)
        return kBadSum;
    return kOk;
}

// Stops the conversion at item i with code rc, shown in the item like a failed U1 call.
int32_t failItem(BG_ITEM& item, int32_t rc) {
    setItemResult(item, rc);
    zeroFrom(&item.SB, U1_SB_OUT, U1_SB_SIZE);
    setCode(item.SB.RETURN_CODE, rc);
    return rc;
}

// Converts every item and balances the parts. Item failures are returned with itemFailure set.
int32_t convertAndBalance(B1_SB& sb, const void* psEb, void* pAux, bool& itemFailure) {
    const int n = partsCount(sb);
    const char method = sb.BALANCING_METHOD;

    for (int i = 0; i < n; ++i) {
        BG_ITEM& item = sb.ITEMS[i];
        const int32_t rc = U1_UmrFwaehrBwaehr(&item.SB, psEb, pAux);
        setItemResult(item, rc);
        if (rc != kOk) {
            itemFailure = true;
            return rc;
        }
        char text[18];
        if (i > 0 && !sameDecimals(item.SB, sb.ITEMS[0].SB)) {
            itemFailure = true;
            return failItem(item, kIsoCombination);
        }
        if (!resultText(item.SB, text)) {
            itemFailure = true;
            return failItem(item, kOverflow);
        }
        std::memcpy(sb.AMOUNT_OUT[i], text, sizeof text);
        if (i == 0) {
            assign(B1WertS64, AR_Dez13p2_Dez64(text));
            if (B1WertS64 == nullptr)
                return kOverflow;
            // The step is one unit of the result's last decimal: a cent, or a whole unit.
            const char* step = item.SB.DEC_INDICATOR == '2' ? kCent : kUnit;
            B1Delta64 = AR_Dez13p2_Dez64(step);
            B1D01_64 = AR_Dez13p2_Dez64(step);
            B1DeltaN64 = AR_Dez13p2_Dez64(step);
            B1Null64 = AR_Dez13p2_Dez64(kZeroAmount);
            B1Sum64 = AR_Dez13p2_Dez64(kZeroAmount);
            if (B1Delta64 == nullptr || B1D01_64 == nullptr || B1DeltaN64 == nullptr ||
                B1Null64 == nullptr || B1Sum64 == nullptr)
                return kOverflow;
            AR_Invert64_(B1DeltaN64);
            continue;
        }
        assign(B1Einzel64, AR_Dez13p2_Dez64(text));
        if (B1Einzel64 == nullptr)
            return kOverflow;
        if (method == '1') {
            assign(B1RundDiff64, AR_Dez1p6_Dez64(item.SB.ROUND_DIFF));
            if (B1RundDiff64 == nullptr)
                return kOverflow;
            if (AR_Dez64Compare(B1RundDiff64, B1Null64) >= 0) {
                std::memcpy(Waeh_Betrag_Abr[i], text, sizeof text);
                std::memcpy(RundDiff_Abr[i], item.SB.ROUND_DIFF, sizeof RundDiff_Abr[i]);
            } else {
                // Rounded up by U1: take it one step down, the cut-off remainder grows by one.
                if (AR_Dez64Inc(B1Einzel64, B1DeltaN64) != 0 ||
                    AR_Dez64Inc(B1RundDiff64, B1D01_64) != 0 ||
                    !putAmount(sb.AMOUNT_OUT[i], B1Einzel64))
                    return kOverflow;
                std::memcpy(Waeh_Betrag_Abr[i], sb.AMOUNT_OUT[i], 18);
                assign(B1Betrag1p6, AR_Dez64_Dez1p6(B1RundDiff64));
                if (B1Betrag1p6 == nullptr)
                    return kOverflow;
                std::memcpy(RundDiff_Abr[i], B1Betrag1p6, sizeof RundDiff_Abr[i]);
            }
        }
        if (AR_Dez64Inc(B1Sum64, B1Einzel64) != 0)
            return kOverflow;
    }

    const int32_t cmp = AR_Dez64Compare(B1Sum64, B1WertS64);
    if (cmp == 0)
        return method == '1' ? updateMarks(sb) : kOk;
    sb.SSV[0] = cmp > 0 ? '-' : '+';
    if (method == '1') {
        const int32_t rc = distribute(sb, Waeh_Betrag_Abr, RundDiff_Abr);
        const int32_t marks = updateMarks(sb);
        return rc != kOk ? rc : marks;
    }
    return distribute(sb, nullptr, nullptr);
}

} // namespace
} // namespace convkern

using namespace convkern;

extern "C" {

TARVO_API void B1_Aufraeum_Sum(void) {
    release(B1WertS64);
    release(B1Sum64);
}

TARVO_API void B1_Aufraeum_Loop(void) {
    release(B1Wert64);
    release(B1OptDiff64);
    release(B1Betrag13p2);
    release(B1Einzel64);
    release(B1RundDiff64);
    release(B1Betrag1p6);
}

TARVO_API void B1_Aufraeum_Konst(void) {
    release(B1Delta64);
    release(B1D01_64);
    release(B1DeltaN64);
    release(B1Null64);
}

TARVO_API void Runden(B1_SB* sb) {
    if (sb != nullptr)
        distribute(*sb, nullptr, nullptr);
}

TARVO_API void Runden_SSV(B1_SB* sb, char (*amounts)[18], char (*diffs)[10]) {
    if (sb == nullptr || amounts == nullptr || diffs == nullptr || !constantsReady())
        return;
    distribute(*sb, amounts, diffs);
    updateMarks(*sb);
}

TARVO_API void Upd_SSV(B1_SB* sb) {
    if (sb != nullptr)
        updateMarks(*sb);
}

TARVO_API int32_t B1_UmrMitBetrAusgl(B1_SB* sb, const void* psEb, void* pAux) {
    if (sb == nullptr)
        return kVersion;
    // Cells left by an earlier call on this thread cannot exist; start from null.
    B1WertS64 = B1Sum64 = B1Einzel64 = B1Wert64 = B1RundDiff64 = B1OptDiff64 = nullptr;
    B1Null64 = B1Delta64 = B1DeltaN64 = B1D01_64 = nullptr;
    B1Betrag13p2 = B1Betrag1p6 = nullptr;
    const Eb ctl(psEb);
    trace(ctl, "B1_SB   -->:", B1_SB_SIZE, sb);
    zeroFrom(sb, B1_SB_OUT, B1_SB_OUT_END);

    int32_t rc = checkBlock(*sb);
    bool itemFailure = false;
    if (rc == kOk) {
        B1_Aufraeum_Sum();
        B1_Aufraeum_Loop();
        if (sb->BALANCING_METHOD == '1') {
            std::memset(Waeh_Betrag_Abr, 0, sizeof Waeh_Betrag_Abr);
            std::memset(RundDiff_Abr, 0, sizeof RundDiff_Abr);
        }
        rc = convertAndBalance(*sb, psEb, pAux, itemFailure);
    }
    freeAllB1();
    if (rc != kOk && !itemFailure)
        setCode(sb->RETURN_CODE, rc);
    trace(ctl, "B1_SB   <--:", B1_SB_SIZE, sb);
    return rc;
}

} // extern "C"
