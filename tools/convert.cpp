// SPDX-License-Identifier: Apache-2.0
// Single conversions the way the calculator chooses them: U1, else U3; U2, else U4 with given
// rates.
#include "convert.h"

#include <cstring>

#include "controldata_rules.h"
#include "ratefile.h"

namespace tarvo::tool {

namespace {

constexpr const char* kSender = "TARVO";
constexpr std::string_view kZeroRate = "+00000000000";

int unitOf(char exponent) {
    return exponent == '2' ? 100 : exponent == '3' ? 1000 : 1;
}

LegInfo leg(const char* rate, char fixed, char quotation, char exponent) {
    LegInfo l;
    l.rate = fieldToDecimal(rate, 4, 7);
    l.unit = unitOf(exponent);
    l.effective = effectiveRate(std::string_view(rate, 12), l.unit);
    l.fixed = fixed == 'J';
    l.quotation = quotation;
    l.source = l.fixed ? RateSourceKind::Fixed : RateSourceKind::Market;
    return l;
}

std::string amountOf(char indicator, const char* a132, const char* a150, int& decimals) {
    decimals = indicator == '2' ? 2 : 0;
    return indicator == '2' ? fieldToDecimal(a132, 13, 2) : fieldToDecimal(a150, 15, 0);
}

void putRate(char (&dst)[14], unsigned char* unit, char* quotation, const GivenRate* r) {
    std::memset(dst, 0, sizeof dst);
    std::string_view text = r ? std::string_view(r->dez4p7) : kZeroRate;
    std::memcpy(dst, text.data(), text.size());
    putInt16(unit, r ? r->unit : 1);
    *quotation = r ? r->quotation : ' ';
}

// Version, sender, the two currencies and the amount: the head every request block shares.
template <class SB> void fillHead(SB& sb, const ConvertRequest& req) {
    std::memset(&sb, 0, sizeof sb);
    std::memcpy(sb.SB_VERSION, "01", 2);
    setField(sb.SENDER, kSender);
    setField(sb.ISO_CODE_E, req.from);
    setField(sb.ISO_CODE_A, req.to);
    std::memcpy(sb.AMOUNT_E, req.amount.data(), std::min<std::size_t>(req.amount.size(), 16));
}

// Code and function of a result and, when the kernel succeeded, its amount and rounding
// difference; false when the block holds nothing more.
template <class SB>
bool resultHead(ConvertResult& r, const SB& sb, int32_t rc, const char* function) {
    r.rc = rc;
    r.function = function;
    if (!conversionOk(rc))
        return false;
    r.amount = amountOf(sb.DEC_INDICATOR, sb.AMOUNT_A_13_2, sb.AMOUNT_A_15_0, r.decimals);
    r.roundDiff = fieldToDecimal(sb.ROUND_DIFF, 1, 6);
    return true;
}

// Result of a block with one leg (U1, U2); `fixed` tells whether its rate is a fixed one.
template <class SB>
ConvertResult oneLegResult(const SB& sb, int32_t rc, const char* function, char fixed) {
    ConvertResult r;
    if (resultHead(r, sb, rc, function))
        r.from = leg(sb.RATE_USED, fixed, sb.QUOTATION_USED, sb.UNIT_EXPONENT);
    return r;
}

// Result of a block that converts through the base currency (U3, U4).
template <class SB> ConvertResult twoLegResult(const SB& sb, int32_t rc, const char* function) {
    ConvertResult r;
    r.triangulated = true;
    if (!resultHead(r, sb, rc, function))
        return r;
    r.from = leg(sb.RATE_USED_E, sb.FIXED_RATE_FLAG_E, sb.QUOTATION_USED_E, sb.UNIT_EXPONENT_E);
    r.to = leg(sb.RATE_USED_A, sb.FIXED_RATE_FLAG_A, sb.QUOTATION_USED_A, sb.UNIT_EXPONENT_A);
    r.baseAmount = fieldToDecimal(sb.BASE_AMOUNT, 12, 3);
    r.baseRoundDiff = fieldToDecimal(sb.BASE_ROUND_DIFF, 1, 6);
    return r;
}

} // namespace

std::string effectiveRate(std::string_view dez4p7, int unit) {
    try {
        return tarvo::ratefile::rateText(dez4p7, unit);
    } catch (const std::exception&) {
        return fieldToDecimal(std::string(dez4p7).c_str(), 4, 7);
    }
}

std::string baseCurrency(const PS_EB& eb) {
    const char* b = tarvo::ctl::baseCurrency(&eb);
    return std::string(b, strnlen(b, 3));
}

void fillU1(U1_SB& sb, const ConvertRequest& req) {
    fillHead(sb, req);
    sb.RATE_TYPE = req.rateType;
    sb.RATE_PRINT_FLAG = req.ratePrint;
    setField(sb.BOOKING_DATE, req.bookingDate);
}

void fillU3(U3_SB& sb, const ConvertRequest& req) {
    fillHead(sb, req);
    sb.RATE_TYPE = req.rateType;
    sb.RATE_PRINT_FLAG_E = req.ratePrint;
    sb.RATE_PRINT_FLAG_A = req.ratePrint;
    setField(sb.BOOKING_DATE, req.bookingDate);
}

void fillU2(U2_SB& sb, const ConvertRequest& req, const GivenRate* given) {
    fillHead(sb, req);
    putRate(sb.RATE, sb.RATE_UNIT, &sb.QUOTATION, given);
    sb.DEC_FLAG_A = req.decimals;
}

void fillU4(U4_SB& sb, const ConvertRequest& req) {
    fillHead(sb, req);
    putRate(sb.RATE_E, sb.RATE_UNIT_E, &sb.QUOTATION_E, req.rateFrom ? &*req.rateFrom : nullptr);
    putRate(sb.RATE_A, sb.RATE_UNIT_A, &sb.QUOTATION_A, req.rateTo ? &*req.rateTo : nullptr);
    sb.DEC_FLAG_A = req.decimals;
}

void fillA1(A1_SB& sb, const ConvertRequest& req) {
    fillHead(sb, req);
    sb.RATE_TYPE = req.rateType;
    sb.RATE_PRINT_FLAG = req.ratePrint;
    setField(sb.BOOKING_DATE, req.bookingDate);
}

std::string resultAmount(char decIndicator, const char* a132, const char* a150) {
    int decimals = 0;
    return amountOf(decIndicator, a132, a150, decimals);
}

ConvertResult resultOfU1(const U1_SB& sb, int32_t rc) {
    return oneLegResult(sb, rc, "U1", sb.FIXED_RATE_FLAG);
}

ConvertResult resultOfU3(const U3_SB& sb, int32_t rc) {
    return twoLegResult(sb, rc, "U3");
}

namespace {

ConvertResult convertGiven(const ConvertRequest& req, const ControlData& cd,
                           const std::string& base) {
    auto* aux = const_cast<int32_t*>(&cd.aux);
    if (req.from == base || req.to == base) {
        // One leg: the given rate belongs to the currency that is not the base.
        const bool fromIsBase = req.from == base;
        const std::optional<GivenRate>& given = fromIsBase ? req.rateTo : req.rateFrom;
        U2_SB sb;
        fillU2(sb, req, given ? &*given : nullptr);
        int32_t rc = U2_UmrFwaehrBwaehrKv(&sb, &cd.eb, aux);
        ConvertResult r = oneLegResult(sb, rc, "U2", rc == tarvo::rc::kRateIgnored ? 'J' : 'N');
        r.base = base;
        r.from.currency = fromIsBase ? req.to : req.from;
        if (!r.from.fixed)
            r.from.source = RateSourceKind::Given;
        return r;
    }
    U4_SB sb;
    fillU4(sb, req);
    int32_t rc = U4_UmrFwaehrBwaehrFwaehrKv(&sb, &cd.eb, aux);
    ConvertResult r = twoLegResult(sb, rc, "U4");
    r.base = base;
    for (LegInfo* l : {&r.from, &r.to})
        if (!l->fixed)
            l->source = RateSourceKind::Given;
    r.from.currency = req.from;
    r.to.currency = req.to;
    return r;
}

ConvertResult convertFour(const ConvertRequest& req, const ControlData& cd,
                          const std::string& base) {
    A1_SB sb;
    fillA1(sb, req);
    int32_t rc = A1_UmrFwaehrBwaehr(&sb, &cd.eb, const_cast<int32_t*>(&cd.aux));
    ConvertResult r = oneLegResult(sb, rc, "A1", sb.FIXED_RATE_FLAG);
    r.base = base;
    r.from.currency = req.from == base ? req.to : req.from;
    if (conversionOk(rc)) {
        r.amount4 = fieldToDecimal(sb.AMOUNT_A_11_4, 11, 4);
        r.roundDiff4 = fieldToDecimal(sb.ROUND_DIFF_4, 1, 6);
    }
    return r;
}

} // namespace

ConvertResult convert(const ConvertRequest& req, const ControlData& cd) {
    const std::string base = baseCurrency(cd.eb);
    auto* aux = const_cast<int32_t*>(&cd.aux);
    if (req.fourDecimals)
        return convertFour(req, cd, base);
    if (req.rateFrom || req.rateTo)
        return convertGiven(req, cd, base);
    U1_SB u1;
    fillU1(u1, req);
    int32_t rc = U1_UmrFwaehrBwaehr(&u1, &cd.eb, aux);
    if (rc != tarvo::rc::kIsoCombination) {
        ConvertResult r = resultOfU1(u1, rc);
        r.base = base;
        r.from.currency = req.from == base ? req.to : req.from;
        return r;
    }
    U3_SB u3;
    fillU3(u3, req);
    rc = U3_UmrFwaehrBwaehrFwaehr(&u3, &cd.eb, aux);
    ConvertResult r = resultOfU3(u3, rc);
    r.base = base;
    r.from.currency = req.from;
    r.to.currency = req.to;
    return r;
}

} // namespace tarvo::tool
