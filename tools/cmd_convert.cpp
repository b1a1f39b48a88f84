// tarvo convert: one conversion with every output field, as text or JSON.
#include <iostream>
#include <memory>
#include <sstream>

#include "commands.h"
#include "convert.h"

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
        throw UsageError("amount \"" + text +
                         "\" is not a number with at most 13 integer digits and 2 decimals");
    return *f;
}

std::string dateArg(const std::string& text, const char* what) {
    auto d = parseDate(text);
    if (!d)
        throw UsageError(std::string(what) + " \"" + text +
                         "\" is not a valid date (YYYYMMDD, YYYY-MM-DD or DD.MM.YYYY)");
    return *d;
}

std::string currencyArg(const std::string& text) {
    if (text.size() != 3)
        throw UsageError("currency \"" + text + "\" is not a three-letter ISO code");
    return text;
}

namespace {

struct RateOptions {
    std::string rate;
    int unit = 1;
    char quotation = 'M';
};

std::optional<GivenRate> givenRate(const RateOptions& o, const char* side) {
    if (o.rate.empty())
        return std::nullopt;
    auto f = decimalToField(o.rate, 4, 7);
    if (!f)
        throw UsageError(std::string("--rate-") + side + " \"" + o.rate +
                         "\" is not a rate with at most 4 integer digits and 7 decimals");
    return GivenRate{*f, o.unit, o.quotation};
}

std::string legText(const LegInfo& l) {
    std::ostringstream s;
    s << l.rate << (l.fixed ? " fixed euro rate" : " market rate") << ", quotation " << l.quotation
      << ", unit " << l.unit;
    return s.str();
}

std::string legJson(const LegInfo& l) {
    std::ostringstream s;
    s << "{\"rate\": " << jsonString(l.rate) << ", \"fixed\": " << (l.fixed ? "true" : "false")
      << ", \"quotation\": " << jsonString(std::string(1, l.quotation)) << ", \"unit\": " << l.unit
      << "}";
    return s.str();
}

void printText(const ConvertRequest& q, const ConvertResult& r, const std::string& input) {
    std::cout << r.amount << " " << q.to << "\n";
    std::cout << "  function             " << r.function;
    if (r.triangulated)
        std::cout << " (through " << r.base << ")";
    std::cout << "\n";
    if (r.rc == tarvo::rc::kRateIgnored)
        std::cout << "  warning              " << describe(r.rc) << "\n";
    std::cout << "  input                " << fieldToDecimal(input.c_str(), 13, 2) << " " << q.from
              << "\n";
    if (r.triangulated) {
        std::cout << "  intermediate amount  " << r.baseAmount << " " << r.base
                  << ", rounding difference " << r.baseRoundDiff << "\n";
        std::cout << "  rate " << q.from << "             " << legText(r.from) << "\n";
        std::cout << "  rate " << q.to << "             " << legText(r.to) << "\n";
    } else {
        const std::string& other = q.from == r.base ? q.to : q.from;
        std::cout << "  rate " << other << "             " << legText(r.from) << "\n";
    }
    std::cout << "  rounding difference  " << r.roundDiff << "\n";
    std::cout << "  decimals             " << r.decimals << "\n";
}

void printJson(const ConvertRequest& q, const ConvertResult& r) {
    std::cout << "{\"code\": " << r.rc << ", \"text\": " << jsonString(returnText(r.rc))
              << ", \"function\": " << jsonString(r.function)
              << ", \"from\": " << jsonString(q.from) << ", \"to\": " << jsonString(q.to)
              << ", \"input\": " << jsonString(fieldToDecimal(q.amount.c_str(), 13, 2));
    if (conversionOk(r.rc)) {
        std::cout << ", \"result\": " << jsonString(r.amount) << ", \"decimals\": " << r.decimals
                  << ", \"rounding_difference\": " << jsonString(r.roundDiff);
        if (r.triangulated) {
            std::cout << ", \"base\": " << jsonString(r.base)
                      << ", \"intermediate_amount\": " << jsonString(r.baseAmount)
                      << ", \"intermediate_rounding_difference\": " << jsonString(r.baseRoundDiff)
                      << ", \"rate_from\": " << legJson(r.from)
                      << ", \"rate_to\": " << legJson(r.to);
        } else {
            std::cout << ", \"base\": " << jsonString(r.base) << ", \"rate\": " << legJson(r.from);
        }
    }
    std::cout << "}\n";
}

} // namespace

void addConvertCommand(CLI::App& app, Context& ctx) {
    struct Options {
        std::string amount, from, to, date, bookingDate, referenceDate;
        char rateType = 'M';
        bool ratePrint = false, json = false;
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
    cmd->add_flag("--json", o->json, "Print the result as JSON");
    addDataOptions(*cmd, ctx);
    cmd->callback([o, &ctx] {
        ctx.run = [o, &ctx] {
            ConvertRequest q;
            q.amount = amountField(o->amount);
            q.from = currencyArg(o->from);
            q.to = currencyArg(o->to);
            std::string date = o->date.empty() ? today() : dateArg(o->date, "--date");
            q.bookingDate =
                o->bookingDate.empty() ? date : dateArg(o->bookingDate, "--booking-date");
            std::string ref =
                o->referenceDate.empty() ? date : dateArg(o->referenceDate, "--reference-date");
            q.rateType = o->rateType;
            q.ratePrint = o->ratePrint ? 'J' : 'N';
            q.rateFrom = givenRate(o->rateFrom, "from");
            q.rateTo = givenRate(o->rateTo, "to");
            q.decimals = o->decimals == 2 ? '2' : '0';
            ControlData cd = loadControlData(ctx.cdVersion, ctx.application, ref);
            if (!controlDataLoaded(cd.rc)) {
                std::cerr << "tarvo: control data: " << describe(cd.rc) << "\n";
                if (o->json)
                    std::cout << "{\"code\": " << cd.rc
                              << ", \"text\": " << jsonString(returnText(cd.rc)) << "}\n";
                return 1;
            }
            ConvertResult r = convert(q, cd);
            if (!conversionOk(r.rc)) {
                std::cerr << "tarvo: conversion failed: " << describe(r.rc) << "\n";
                if (o->json)
                    printJson(q, r);
                return 1;
            }
            if (o->json)
                printJson(q, r);
            else
                printText(q, r, q.amount);
            return 0;
        };
    });
}

} // namespace tarvo::tool
