// SPDX-License-Identifier: Apache-2.0
// kernel_common: what the conversion modules share: the U1 to U4 work cells and their
// clean-up, the conversion legs, the rate-file request and the rate set-up of a leg.
#include <cstring>

#include "kernel_internal.h"

extern "C" {
TARVO_API thread_local Dez32* Kurs32 = nullptr;
TARVO_API thread_local Dez32* BetragEin = nullptr;
TARVO_API thread_local Dez64* BetragAus64S = nullptr;
TARVO_API thread_local Dez64* BetragAus64 = nullptr;
TARVO_API thread_local Dez64* BetragRund6 = nullptr;
TARVO_API thread_local Dez64* BetragRund2 = nullptr;
TARVO_API thread_local Dez64* RundDiff64 = nullptr;
TARVO_API thread_local char* BetragAus13p2 = nullptr;
TARVO_API thread_local char* BetragAus15p0 = nullptr;
TARVO_API thread_local char* RundDiff1p6 = nullptr;
TARVO_API thread_local Dez32* Kurs32A = nullptr;
TARVO_API thread_local Dez64* EuroRund64 = nullptr;
TARVO_API thread_local Dez32* EuroRund32 = nullptr;
TARVO_API thread_local Dez64* EuroRundDiff64 = nullptr;
TARVO_API thread_local char* EuroRundDiff = nullptr;
TARVO_API thread_local char* EuroBetrag = nullptr;
}

namespace convkern {

bool isZero(const Dez32* v) {
    for (int i = 0; i < v->count && i < 32; ++i)
        if (v->digits[i] != 0)
            return false;
    return true;
}

namespace {

// Frees each distinct cell of a list of variables of one kind once, in list order, and
// nulls every variable.
template <typename T, std::size_t N> void freeCells(T** (&vars)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        T* cell = *vars[i];
        if (cell == nullptr)
            continue;
        for (std::size_t j = i + 1; j < N; ++j)
            if (*vars[j] == cell)
                *vars[j] = nullptr;
        AR_Delete_(cell);
        *vars[i] = nullptr;
    }
}

void freeAll(bool withTriangulation) {
    // The fixed order: Kurs32, BetragEin, Kurs32A, EuroRund32 (Dez32); BetragAus64,
    // BetragAus64S, BetragRund6, BetragRund2, RundDiff64, EuroRund64, EuroRundDiff64 (Dez64);
    // BetragAus13p2, BetragAus15p0, RundDiff1p6, EuroBetrag, EuroRundDiff (texts).
    // Variables of different kinds never share a cell, so each kind is deduplicated alone.
    if (withTriangulation) {
        Dez32** d32[] = {&Kurs32, &BetragEin, &Kurs32A, &EuroRund32};
        Dez64** d64[] = {&BetragAus64, &BetragAus64S, &BetragRund6,   &BetragRund2,
                         &RundDiff64,  &EuroRund64,   &EuroRundDiff64};
        char** txt[] = {&BetragAus13p2, &BetragAus15p0, &RundDiff1p6, &EuroBetrag, &EuroRundDiff};
        freeCells(d32);
        freeCells(d64);
        freeCells(txt);
    } else {
        Dez32** d32[] = {&Kurs32, &BetragEin};
        Dez64** d64[] = {&BetragAus64, &BetragAus64S, &BetragRund6, &BetragRund2, &RundDiff64};
        char** txt[] = {&BetragAus13p2, &BetragAus15p0, &RundDiff1p6};
        freeCells(d32);
        freeCells(d64);
        freeCells(txt);
    }
}

} // namespace

void cleanupU1U2() {
    freeAll(false);
}
void cleanupU3U4() {
    freeAll(true);
}

void nullU1U2() {
    Kurs32 = nullptr;
    BetragEin = nullptr;
    BetragAus64S = nullptr;
    BetragAus64 = nullptr;
    BetragRund6 = nullptr;
    BetragRund2 = nullptr;
    RundDiff64 = nullptr;
    BetragAus13p2 = nullptr;
    BetragAus15p0 = nullptr;
    RundDiff1p6 = nullptr;
}

void nullU3U4() {
    nullU1U2();
    Kurs32A = nullptr;
    EuroRund64 = nullptr;
    EuroRund32 = nullptr;
    EuroRundDiff64 = nullptr;
    EuroRundDiff = nullptr;
    EuroBetrag = nullptr;
}

int32_t legCompute(bool intoBase, char quotation, int k, const Dez32* amount, const Dez32* rate,
                   Dez64*& raw, Dez64*& adj, bool& isProduct) {
    if (k != 0 && k != 2 && k != 3)
        return kOverflow;
    // Into the base currency 'M' divides, 'P' multiplies; out of it the other way round.
    const bool divide = intoBase == (quotation == 'M');
    isProduct = !divide;
    if (divide) {
        // Carry the quotient to 6 decimals of the final value: into the base the unit step
        // divides by 10^k afterwards (6 - k decimals), out of it multiplies (6 + k).
        raw = AR_Dez32Div(amount, rate, intoBase ? 6 - k : 6 + k);
    } else {
        raw = AR_Dez32Mul(amount, rate);
    }
    if (raw == nullptr)
        return kOverflow;
    if (k == 0) {
        adj = raw;
        return kOk;
    }
    adj = intoBase ? AR_Dez64Div_Nmal10(raw, k) : AR_Dez64Mul_Nmal10(raw, k);
    return adj == nullptr ? kOverflow : kOk;
}

int32_t legRound(Dez64* adj, bool isProduct, int d, Dez64*& rund6, Dez64*& rounded, Dez64*& diff) {
    Dez64* six = adj;
    if (isProduct) {
        rund6 = AR_Dez64Trunc(adj, 6);
        if (rund6 == nullptr)
            return kOverflow;
        six = rund6;
    }
    rounded = AR_Dez64Round(six, d);
    if (rounded == nullptr)
        return kOverflow;
    int32_t lost = 0;
    diff = AR_Dez64Sub(six, rounded, &lost);
    return diff == nullptr ? kOverflow : kOk;
}

int32_t fetchFileRate(const char* iso, const char* date, const char* sender, char rateType,
                      char printDemand, const Eb& ctl, FileRate& out, char* rcText,
                      bool& readerCode) {
    std::memset(&out.req, 0, sizeof out.req);
    std::memcpy(out.req.SB_VERSION, "01", 2);
    std::memcpy(out.req.SENDER, sender, 8);
    std::memcpy(out.req.ISO_CODE, iso, 3);
    std::memcpy(out.req.REQ_DATE, date, 8);
    int32_t areaA = 0;
    int32_t areaB = 0;
    const int32_t rc = LW_LesenWaehrKursDaten(&out.req, &areaA, &areaB);
    if (rc != 0) {
        std::memcpy(rcText, out.req.RETURN_CODE, 4);
        readerCode = true;
        return rc;
    }
    if (out.req.BLOCKED_FLAG == 'J')
        return kBlocked;
    if (printDemand == 'J' && out.req.RATE_PRINT_FLAG == 'N')
        return kRatePrint;
    static constexpr char kTypes[] = "GMBSXY";
    const char* hit = rateType != '\0' ? std::strchr(kTypes, rateType) : nullptr;
    if (hit == nullptr)
        return kRateType;
    out.rate = out.req.RATES[hit - kTypes];
    out.k = unitExpFromUnit(readUnit(out.req.RATE_UNIT));
    out.quotation = chooseQuotation(out.req.QUOTATION, ctl);
    return kOk;
}

int32_t useFileRate(const FileRate& fr, Dez32*& cell, const LegFields& f, char& quotation, int& k) {
    AR_Delete_(cell);
    cell = AR_Dez4p7_Dez32(fr.rate);
    if (cell == nullptr)
        return kOverflow;
    std::memcpy(f.rateUsed, fr.rate, 14);
    quotation = fr.quotation;
    f.quotationUsed = quotation;
    k = fr.k;
    if (k < 0)
        return kOverflow;
    f.unitExponent = unitExpChar(k);
    return kOk;
}

int32_t legRate(const char* row, const FileRequest& req, const Eb& ctl, Dez32*& cell,
                const LegFields& f, char& fixedFlag, char& quotation, int& k, FileRate& fr,
                char* rcText, bool& readerCode) {
    if (row != nullptr && !isZero(cell)) {
        fixedFlag = 'J';
        quotation = 'M';
        k = useFixedRate(row, f.quotationUsed, f.unitExponent);
        return kOk;
    }
    fixedFlag = 'N';
    const int32_t rc = fetchFileRate(req.iso, req.date, req.sender, req.rateType, req.printDemand,
                                     ctl, fr, rcText, readerCode);
    return rc == kOk ? useFileRate(fr, cell, f, quotation, k) : rc;
}

int32_t useGivenRate(const char* rate, char& givenQuotation, const unsigned char* unit,
                     const Eb& ctl, Dez32*& cell, const LegFields& f, char& quotation, int& k) {
    AR_Delete_(cell);
    cell = AR_Dez4p7_Dez32(rate);
    if (cell == nullptr)
        return kOverflow;
    if (!quotationValid(givenQuotation))
        givenQuotation = ' ';
    quotation = chooseQuotation(givenQuotation, ctl);
    f.quotationUsed = quotation;
    k = unitExpFromUnit(readUnit(unit));
    if (k < 0)
        return kOverflow;
    f.unitExponent = unitExpChar(k);
    return kOk;
}

int32_t startOneLeg(const Eb& ctl, const char* isoE, const char* isoA, const char* amount,
                    Dez32* (*readAmount)(const char*), bool& intoBase, const char*& other,
                    const char*& row) {
    if (!ctl.valid())
        return kIsoCombination;
    if (pickDirection(isoE, isoA, ctl.baseCurrency(), intoBase, other) != kOk)
        return kIsoCombination;
    // Kurs32 and BetragEin are set here and read by convertDirect (Kurs32 is replaced first
    // when the rate comes from elsewhere).
    row = ctl.findRow(other);
    Kurs32 = controlRate(row);
    BetragEin = readAmount(amount);
    return Kurs32 == nullptr || BetragEin == nullptr ? kOverflow : kOk;
}

int32_t putAmountAndDiff(char decIndicator, char* amount132, char* amount150, char* roundDiff) {
    // Reads BetragRund2 and RundDiff64, which legRound set in the step before.
    int32_t rc;
    if (decIndicator == '2') {
        BetragAus13p2 = AR_Dez64_Dez13p2(BetragRund2);
        rc = putText(amount132, BetragAus13p2, 18);
    } else {
        BetragAus15p0 = AR_Dez64_Dez15p0(BetragRund2);
        rc = putText(amount150, BetragAus15p0, 18);
    }
    if (rc != kOk)
        return rc;
    RundDiff1p6 = AR_Dez64_Dez1p6(RundDiff64);
    return putText(roundDiff, RundDiff1p6, 10);
}

int32_t convertDirect(bool intoBase, char quotation, int k, char decIndicator, char* amount132,
                      char* amount150, char* roundDiff, const Dez64*& six) {
    // Work-cell flow: legCompute sets BetragAus64S and BetragAus64 from BetragEin and Kurs32;
    // legRound reads BetragAus64 and sets BetragRund6, BetragRund2 and RundDiff64;
    // putAmountAndDiff turns the last two into the block's texts.
    bool isProduct = false;
    int32_t rc =
        legCompute(intoBase, quotation, k, BetragEin, Kurs32, BetragAus64S, BetragAus64, isProduct);
    if (rc != kOk)
        return rc;
    const int d = decIndicator == '2' ? 2 : 0;
    rc = legRound(BetragAus64, isProduct, d, BetragRund6, BetragRund2, RundDiff64);
    if (rc != kOk)
        return rc;
    six = isProduct ? BetragRund6 : BetragAus64;
    return putAmountAndDiff(decIndicator, amount132, amount150, roundDiff);
}

int32_t firstLegToBase(char quotation, int k) {
    // Work-cell flow: legCompute sets BetragAus64S and BetragAus64 from BetragEin and Kurs32;
    // the rounding below reads them and sets EuroRund64, EuroRundDiff64 and EuroRund32, which
    // secondLegFromBase reads.
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
    // Work-cell flow: EuroRund32 (set by firstLegToBase) and Kurs32A in; the leg's cells as in
    // convertDirect; EuroRund64 and EuroRundDiff64 of the first leg become the texts.
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

} // namespace convkern
