// SPDX-License-Identifier: Apache-2.0
// tarvo convert: one conversion with every output field, as text or JSON.
#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>
#include <optional>

#include "audit.h"
#include "commands.h"
#include "convert.h"
#include "ratefile.h"

namespace tarvo::tool {

void addDataOptions(CLI::App& cmd, Context& ctx) {
    cmd.add_option("--control-data", ctx.files.controlData,
                   "Control-data file (default: $TARVO_STEUDAT, else TARVO.DAT, else built-in)");
    cmd.add_option("--rate-file", ctx.files.rateFile,
                   "Rate file (default: $TARVO_WAEHKURS, else WAEHKURS.DAT)");
    cmd.add_option("--application", ctx.application,
                   "Application name in the control data (default: the default entry)");
    cmd.add_option("--cd-version", ctx.cdVersion,
                   "Control-data version, two characters (default: the first block)");
}

std::string amountField(const std::string& text) {
    auto f = decimalToField(text, 13, 2);
    if (!f)
        throw UsageError(msg(Msg::AmountInvalid, {text}));
    return *f;
}

std::string dateArg(const std::string& text, const char* what) {
    auto d = parseDate(text);
    if (!d)
        throw UsageError(msg(Msg::DateInvalid, {what, text}));
    return *d;
}

std::string currencyArg(const std::string& text) {
    // Codes are matched in any case on the command line; the kernel compares bytes.
    if (text.size() != 3 || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isalpha(static_cast<unsigned char>(c)) != 0;
        }))
        throw UsageError(msg(Msg::CurrencyNotIso, {text}));
    std::string up = text;
    for (char& c : up)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return up;
}

namespace {

bool inControlData(const PS_EB& eb, std::string_view iso) {
    if (iso == baseCurrency(eb) || iso == "EUR" ||
        iso == std::string_view(eb.HeimWaehrung, strnlen(eb.HeimWaehrung, 3)))
        return true;
    const int32_t n = std::clamp<int32_t>(eb.WaehrAnzahl, 0, PS_WAEHR_MAX);
    for (int32_t i = 0; i < n; ++i)
        if (std::string_view(eb.Waehrung[i].ISOCode, strnlen(eb.Waehrung[i].ISOCode, 3)) == iso)
            return true;
    return false;
}

bool knownCurrency(const PS_EB& eb, std::string_view iso, const Context& ctx) {
    if (inControlData(eb, iso))
        return true;
    // The control data of another date may list it (a currency before it joined the euro).
    for (const char* date : {"20011231", "20020101"}) {
        ControlData other = loadControlData(ctx.cdVersion, ctx.application, date);
        if (controlDataLoaded(other.rc) && inControlData(other.eb, iso))
            return true;
    }
    if (tarvo::ratefile::findCurrency(iso))
        return true;
    // A rate file may carry currencies of its own.
    return !RateFileDates(kernelRateFile()).recordDate(iso, "99999999").empty();
}

std::string unknownCurrencyOf(const PS_EB& eb, const std::string& from, const std::string& to,
                              const Context& ctx) {
    for (const std::string* c : {&from, &to})
        if (!knownCurrency(eb, *c, ctx))
            return *c;
    return {};
}

std::string legText(const LegInfo& l) {
    std::string s = l.effective + " (" + l.rate + " x " + std::to_string(l.unit) + "), " +
                    msg(l.source == RateSourceKind::Fixed   ? Msg::FixedRate
                        : l.source == RateSourceKind::Given ? Msg::GivenRateText
                                                            : Msg::MarketRate) +
                    ", " + msg(Msg::Quotation, {std::string(1, l.quotation)});
    if (l.source == RateSourceKind::Market) {
        if (!l.recordDate.empty())
            s += ", " + msg(Msg::RecordDate, {isoDate(l.recordDate)});
        if (!l.fileDate.empty())
            s += ", " + msg(Msg::FileDate, {isoDate(l.fileDate)});
    }
    return s;
}

const char* sourceName(RateSourceKind k) {
    return k == RateSourceKind::Fixed ? "fixed" : k == RateSourceKind::Given ? "given" : "market";
}

std::string legJson(const LegInfo& l) {
    return JsonObject()
        .str("currency", l.currency)
        .str("rate", l.rate)
        .num("unit", l.unit)
        .str("effective_rate", l.effective)
        .str("quotation", std::string(1, l.quotation))
        .boolean("fixed", l.fixed)
        .str("source", sourceName(l.source))
        .strOrNull("rate_date", isoDate(l.recordDate))
        .strOrNull("file_date", isoDate(l.fileDate))
        .done();
}

// The rate-file record and version date behind every market-rate leg.
void addRateDates(ConvertResult& r, const std::string& bookingDate) {
    LegInfo* legs[] = {&r.from, r.triangulated ? &r.to : nullptr};
    std::optional<RateFileDates> index;
    for (LegInfo* l : legs) {
        if (l == nullptr || l->source != RateSourceKind::Market)
            continue;
        if (!index)
            index.emplace(kernelRateFile());
        l->recordDate = index->recordDate(l->currency, bookingDate);
        l->fileDate = index->fileDate();
    }
}

struct Shown {
    const ConvertRequest& q;
    const ConvertResult& r;
    std::string input; // decimal text of the amount
};

void printText(const Shown& s) {
    const ConvertRequest& q = s.q;
    const ConvertResult& r = s.r;
    auto pad = [](std::string l) {
        l.resize(std::max<std::size_t>(l.size() + 1, 23), ' ');
        return l;
    };
    auto label = [&](Msg m) { return pad("  " + msg(m)); };
    auto rateLabel = [&](const std::string& iso) {
        return pad("  " + msg(Msg::LabelRate) + " " + iso);
    };
    std::ostream& o = std::cout;
    o << (q.fourDecimals ? r.amount4 : r.amount) << " " << q.to << "\n";
    o << label(Msg::LabelFunction) << r.function;
    if (r.triangulated)
        o << " (" << msg(Msg::LabelThrough) << " " << r.base << ")";
    o << "\n";
    if (r.rc == tarvo::rc::kRateIgnored)
        o << label(Msg::LabelWarning) << describe(r.rc) << "\n";
    o << label(Msg::LabelInput) << s.input << " " << q.from << "\n";
    if (r.triangulated) {
        o << label(Msg::LabelIntermediate) << r.baseAmount << " " << r.base << ", "
          << msg(Msg::LabelRoundingDiff) << " " << r.baseRoundDiff << "\n";
        o << rateLabel(q.from) << legText(r.from) << "\n";
        o << rateLabel(q.to) << legText(r.to) << "\n";
    } else {
        o << rateLabel(r.from.currency) << legText(r.from) << "\n";
    }
    if (q.fourDecimals)
        o << label(Msg::LabelFourDecimals) << r.amount4 << ", " << msg(Msg::LabelRoundingDiff)
          << " " << r.roundDiff4 << "\n";
    o << label(Msg::LabelRoundingDiff) << r.roundDiff << "\n";
    o << label(Msg::LabelDecimals) << r.decimals << "\n";
}

std::string resultJson(const Shown& s) {
    const ConvertRequest& q = s.q;
    const ConvertResult& r = s.r;
    JsonObject j;
    j.str("command", "convert")
        .num("code", r.rc)
        .str("text", returnText(r.rc))
        .str("function", r.function)
        .str("from", q.from)
        .str("to", q.to)
        .str("input", s.input);
    if (conversionOk(r.rc)) {
        j.str("result", r.amount)
            .num("decimals", r.decimals)
            .str("rounding_difference", r.roundDiff)
            .str("base", r.base);
        if (q.fourDecimals)
            j.str("result_4", r.amount4).str("rounding_difference_4", r.roundDiff4);
        if (r.triangulated)
            j.str("intermediate_amount", r.baseAmount)
                .str("intermediate_rounding_difference", r.baseRoundDiff)
                .raw("rate_from", legJson(r.from))
                .raw("rate_to", legJson(r.to));
        else
            j.raw("rate", legJson(r.from));
    }
    return j.done();
}

struct RateOptions {
    std::string rate;
    int unit = 1;
    char quotation = 'M';
};

std::optional<GivenRate> givenRate(const RateOptions& o, const char* option) {
    if (o.rate.empty())
        return std::nullopt;
    auto f = decimalToField(o.rate, 4, 7);
    if (!f)
        throw UsageError(msg(Msg::RateInvalid, {option, o.rate}));
    return GivenRate{*f, o.unit, o.quotation};
}

} // namespace

void addConvertCommand(CLI::App& app, Context& ctx) {
    struct Options {
        std::string amount, from, to, date, bookingDate, referenceDate;
        char rateType = 'M';
        bool ratePrint = false, json = false, terse = false, four = false;
        RateOptions rateFrom, rateTo;
        int decimals = 2;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("convert", "Convert one amount (U1/U3, or U2/U4 with given "
                                                  "rates) and show every output field");
    cmd->add_option("AMOUNT", o->amount, "Amount, at most 13 integer digits and 2 decimals")
        ->required();
    cmd->add_option("FROM", o->from, "ISO code of the amount's currency")->required();
    cmd->add_option("TO", o->to, "ISO code of the result's currency")->required();
    cmd->add_option("--date", o->date, "Booking and reference date (default: today)");
    cmd->add_option("--booking-date", o->bookingDate, "Booking date (rate-file rates)");
    cmd->add_option("--reference-date", o->referenceDate,
                    "Reference date of the control data (fixed rates, periods)");
    cmd->add_option("--rate-type", o->rateType, "Rate type G, M, B, S, X or Y (default M)")
        ->check(CLI::IsMember({'G', 'M', 'B', 'S', 'X', 'Y'}));
    cmd->add_flag("--rate-print", o->ratePrint, "Demand rates marked for printing");
    cmd->add_option("--rate-from", o->rateFrom.rate, "Given rate of FROM (uses U2/U4)");
    cmd->add_option("--unit-from", o->rateFrom.unit, "Unit of --rate-from: 1, 100 or 1000")
        ->check(CLI::IsMember({1, 100, 1000}));
    cmd->add_option("--quotation-from", o->rateFrom.quotation, "Quotation of --rate-from: M or P")
        ->check(CLI::IsMember({'M', 'P'}));
    cmd->add_option("--rate-to", o->rateTo.rate, "Given rate of TO (uses U2/U4)");
    cmd->add_option("--unit-to", o->rateTo.unit, "Unit of --rate-to: 1, 100 or 1000")
        ->check(CLI::IsMember({1, 100, 1000}));
    cmd->add_option("--quotation-to", o->rateTo.quotation, "Quotation of --rate-to: M or P")
        ->check(CLI::IsMember({'M', 'P'}));
    cmd->add_option("--decimals", o->decimals,
                    "Result decimals with given rates for a currency without fixed rate (2 or 0)")
        ->check(CLI::IsMember({0, 2}));
    cmd->add_flag("--four-decimals", o->four,
                  "Also round the result to four decimals (A1; the amount may have 4 decimals)");
    auto* json = cmd->add_flag("--json", o->json, "Print the result as one JSON document");
    cmd->add_flag("-q,--terse", o->terse, "Print only the result amount")->excludes(json);
    addDataOptions(*cmd, ctx);
    cmd->callback([o, &ctx] {
        ctx.run = [o, &ctx] {
            ConvertRequest q;
            q.fourDecimals = o->four;
            if (o->four) {
                auto f = decimalToField(o->amount, 11, 4);
                if (!f)
                    throw UsageError(msg(Msg::Amount4Invalid, {o->amount}));
                q.amount = *f;
                if (!o->rateFrom.rate.empty() || !o->rateTo.rate.empty())
                    throw UsageError(
                        msg(Msg::UsageFailed, {"--four-decimals takes no given rate"}));
            } else {
                q.amount = amountField(o->amount);
            }
            q.from = currencyArg(o->from);
            q.to = currencyArg(o->to);
            std::string date = o->date.empty() ? today() : dateArg(o->date, "--date");
            q.bookingDate =
                o->bookingDate.empty() ? date : dateArg(o->bookingDate, "--booking-date");
            std::string ref =
                o->referenceDate.empty() ? date : dateArg(o->referenceDate, "--reference-date");
            q.rateType = o->rateType;
            q.ratePrint = o->ratePrint ? 'J' : 'N';
            q.rateFrom = givenRate(o->rateFrom, "--rate-from");
            q.rateTo = givenRate(o->rateTo, "--rate-to");
            q.decimals = o->decimals == 2 ? '2' : '0';
            ControlData cd = loadControlData(ctx.cdVersion, ctx.application, ref);
            if (!controlDataLoaded(cd.rc)) {
                complain(msg(Msg::ControlDataFailed, {describe(cd.rc)}));
                if (o->json)
                    std::cout << JsonObject()
                                     .str("command", "convert")
                                     .num("code", cd.rc)
                                     .str("text", returnText(cd.rc))
                                     .done()
                              << "\n";
                return 1;
            }
            // A code that neither the control data nor any rate source knows is named as such.
            if (std::string unknown = unknownCurrencyOf(cd.eb, q.from, q.to, ctx);
                !unknown.empty()) {
                complain(msg(Msg::UnknownCurrency, {unknown}));
                if (o->json)
                    std::cout << JsonObject()
                                     .str("command", "convert")
                                     .num("code", tarvo::rc::kIsoNotInFile)
                                     .str("text", msg(Msg::UnknownCurrency, {unknown}))
                                     .done()
                              << "\n";
                return 1;
            }
            ConvertResult r = convert(q, cd);
            Shown shown{q, r,
                        o->four ? fieldToDecimal(q.amount.c_str(), 11, 4)
                                : fieldToDecimal(q.amount.c_str(), 13, 2)};
            if (!conversionOk(r.rc)) {
                complain(msg(Msg::ConversionFailed, {describe(r.rc)}));
                if (o->json)
                    std::cout << resultJson(shown) << "\n";
                return 1;
            }
            addRateDates(r, q.bookingDate);
            if (o->json)
                std::cout << resultJson(shown) << "\n";
            else if (o->terse)
                std::cout << (o->four ? r.amount4 : r.amount) << "\n";
            else
                printText(shown);
            return 0;
        };
    });
}

} // namespace tarvo::tool
