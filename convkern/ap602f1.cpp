// U1 and U5: conversion between the base currency and one other currency; shared kernel helpers.
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

int32_t putAmountAndDiff(char decIndicator, char* amount132, char* amount150, char* roundDiff) {
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

template <typename Sb>
int32_t convertOneLeg(Sb& sb, const Eb& ctl, const OneLegOptions<Sb>& opt, char* rcText,
                      bool& readerCode) {
    if (!versionOk(sb.SB_VERSION))
        return kVersion;
    if (senderMissing(sb.SENDER))
        return kSenderMissing;
    if (!ctl.valid())
        return kIsoCombination;

    const char* base = ctl.baseCurrency();
    bool intoBase = false;
    const char* other = nullptr;
    if (pickDirection(sb.ISO_CODE_E, sb.ISO_CODE_A, base, intoBase, other) != kOk)
        return kIsoCombination;

    const char* row = ctl.findRow(other);
    Kurs32 = controlRate(row);
    BetragEin = opt.readAmount(sb.AMOUNT_E);
    if (Kurs32 == nullptr || BetragEin == nullptr)
        return kOverflow;
    if (row != nullptr)
        std::memcpy(sb.RATE_USED, rowRate(row), sizeof sb.RATE_USED);

    char quotation = 'M';
    int k;
    const LegFields leg{sb.RATE_USED, sb.QUOTATION_USED, sb.UNIT_EXPONENT};
    if (row != nullptr && !isZero(Kurs32)) {
        sb.DEC_INDICATOR = intoBase ? '2' : rowDecimals(row);
        sb.FIXED_RATE_FLAG = 'J';
        k = useFixedRate(row, sb.QUOTATION_USED, sb.UNIT_EXPONENT);
    } else {
        if (intoBase)
            sb.DEC_INDICATOR = baseWithoutDecimals(base) ? '0' : '2';
        sb.FIXED_RATE_FLAG = 'N';
        FileRate fr;
        int32_t rc = fetchFileRate(other, sb.BOOKING_DATE, opt.sender, sb.RATE_TYPE,
                                   sb.RATE_PRINT_FLAG, ctl, fr, rcText, readerCode);
        if (rc == kOk)
            rc = useFileRate(fr, Kurs32, leg, quotation, k);
        if (rc != kOk)
            return rc;
        if (!intoBase) {
            const char flag = fr.req.DEC_FLAG;
            sb.DEC_INDICATOR = flag == 'J' ? '2' : flag == 'N' ? '0' : flag;
        }
    }

    const Dez64* six = nullptr;
    const int32_t rc = convertDirect(intoBase, quotation, k, sb.DEC_INDICATOR, sb.AMOUNT_A_13_2,
                                     sb.AMOUNT_A_15_0, sb.ROUND_DIFF, six);
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
