// SPDX-License-Identifier: Apache-2.0
// tarvo balance (B1: converted parts add up to the converted total) and tarvo smooth (G1).
#include <iomanip>
#include <iostream>
#include <memory>

#include "commands.h"
#include "convert.h"

namespace tarvo::tool {

namespace {

struct ItemOptions {
    std::string from, to, date;
    std::vector<std::string> amounts;
    char rateType = 'M';
    bool json = false, terse = false;
};

void addItemOptions(CLI::App* cmd, ItemOptions& o, const char* amountsHelp) {
    cmd->add_option("FROM", o.from, "ISO code of the amounts' currency")->required();
    cmd->add_option("TO", o.to, "ISO code of the results' currency")->required();
    cmd->add_option("AMOUNTS", o.amounts, amountsHelp)->required();
    cmd->add_option("--date", o.date, "Booking and reference date (default: today)");
    cmd->add_option("--rate-type", o.rateType, "Rate type G, M, B, S, X or Y (default M)")
        ->check(CLI::IsMember({'G', 'M', 'B', 'S', 'X', 'Y'}));
    auto* json = cmd->add_flag("--json", o.json, "Print the result as one JSON document");
    cmd->add_flag("-q,--terse", o.terse, "Print only the resulting amounts, one per line")
        ->excludes(json);
}

// Fills the U1 blocks of the items; returns the control data they are converted with.
ControlData prepareItems(BG_ITEM* items, const ItemOptions& o, const Context& ctx) {
    ConvertRequest q;
    q.from = currencyArg(o.from);
    q.to = currencyArg(o.to);
    q.bookingDate = o.date.empty() ? today() : dateArg(o.date, "--date");
    q.rateType = o.rateType;
    for (std::size_t i = 0; i < o.amounts.size(); ++i) {
        q.amount = amountField(o.amounts[i]);
        fillU1(items[i].SB, q);
    }
    return loadControlData(ctx.cdVersion, ctx.application, q.bookingDate);
}

bool controlDataFailed(const ControlData& cd) {
    if (controlDataLoaded(cd.rc))
        return false;
    complain(msg(Msg::ControlDataFailed, {describe(cd.rc)}));
    return true;
}

std::string u1Result(const U1_SB& sb) {
    return sb.DEC_INDICATOR == '2' ? fieldToDecimal(sb.AMOUNT_A_13_2, 13, 2)
                                   : fieldToDecimal(sb.AMOUNT_A_15_0, 15, 0);
}

int reportItemFailures(const BG_ITEM* items, std::size_t n, int32_t rc, const ItemOptions& o,
                       const char* command) {
    for (std::size_t i = 0; i < n; ++i) {
        int32_t r = getInt32(items[i].ITEM_RESULT);
        if (!conversionOk(r))
            complain(msg(Msg::ItemFailed, {std::to_string(i), describe(r)}));
    }
    complain(describe(rc));
    if (o.json)
        std::cout << JsonObject()
                         .str("command", command)
                         .num("code", rc)
                         .str("text", returnText(rc))
                         .done()
                  << "\n";
    return 1;
}

int runBalance(const ItemOptions& o, char method, const Context& ctx) {
    if (o.amounts.size() < 2 || o.amounts.size() > BG_MAX_ITEMS)
        throw UsageError(msg(Msg::BalanceCount));
    auto sb = std::make_unique<B1_SB>();
    std::memset(sb.get(), 0, sizeof(B1_SB));
    std::memcpy(sb->SB_VERSION, "01", 2);
    setField(sb->SENDER, "TARVO");
    putInt16(sb->ITEM_COUNT, static_cast<int>(o.amounts.size()));
    sb->BALANCING_METHOD = method;
    ControlData cd = prepareItems(sb->ITEMS, o, ctx);
    if (controlDataFailed(cd))
        return 1;
    int32_t rc = B1_UmrMitBetrAusgl(sb.get(), &cd.eb, &cd.aux);
    if (rc != 0)
        return reportItemFailures(sb->ITEMS, o.amounts.size(), rc, o, "balance");
    if (o.terse) {
        for (std::size_t i = 0; i < o.amounts.size(); ++i)
            std::cout << fieldToDecimal(sb->AMOUNT_OUT[i], 13, 2) << "\n";
        return 0;
    }
    if (o.json) {
        std::string items;
        for (std::size_t i = 0; i < o.amounts.size(); ++i) {
            const U1_SB& u1 = sb->ITEMS[i].SB;
            const char mark = sb->SSV[i] ? sb->SSV[i] : ' ';
            items += (i ? ", " : "") + JsonObject()
                                           .num("item", static_cast<long long>(i))
                                           .str("amount", fieldToDecimal(u1.AMOUNT_E, 13, 2))
                                           .str("converted", u1Result(u1))
                                           .str("result", fieldToDecimal(sb->AMOUNT_OUT[i], 13, 2))
                                           .str("mark", mark == ' ' ? "" : std::string(1, mark))
                                           .done();
        }
        std::cout << JsonObject()
                         .str("command", "balance")
                         .num("code", 0)
                         .str("text", returnText(0))
                         .str("from", currencyArg(o.from))
                         .str("to", currencyArg(o.to))
                         .str("method", std::string(1, method))
                         .raw("items", "[" + items + "]")
                         .done()
                  << "\n";
        return 0;
    }
    std::cout << std::left << std::setw(6) << msg(Msg::ColItem) << std::right << std::setw(18)
              << msg(Msg::ColAmount, {o.from}) << std::setw(18) << msg(Msg::ColConverted, {o.to})
              << std::setw(18) << msg(Msg::ColBalanced, {o.to}) << "  " << msg(Msg::ColMark)
              << "\n";
    for (std::size_t i = 0; i < o.amounts.size(); ++i) {
        const U1_SB& u1 = sb->ITEMS[i].SB;
        char mark = sb->SSV[i] ? sb->SSV[i] : ' ';
        std::cout << std::left << std::setw(6) << (i == 0 ? msg(Msg::ColTotal) : std::to_string(i))
                  << std::right << std::setw(18) << fieldToDecimal(u1.AMOUNT_E, 13, 2)
                  << std::setw(18) << u1Result(u1) << std::setw(18)
                  << fieldToDecimal(sb->AMOUNT_OUT[i], 13, 2) << "  " << mark << "\n";
    }
    return 0;
}

int runSmooth(const ItemOptions& o, const std::string& unit, int exponent, char method,
              const Context& ctx) {
    if (o.amounts.empty() || o.amounts.size() > BG_MAX_ITEMS)
        throw UsageError(msg(Msg::SmoothCount));
    auto sb = std::make_unique<G1_SB>();
    std::memset(sb.get(), 0, sizeof(G1_SB));
    std::memcpy(sb->SB_VERSION, "01", 2);
    setField(sb->SENDER, "TARVO");
    putInt16(sb->ITEM_COUNT, static_cast<int>(o.amounts.size()));
    std::string value = "+000000000000000";
    if (!unit.empty()) {
        auto f = decimalToField(unit, 15, 0);
        if (!f)
            throw UsageError(msg(Msg::SmoothUnitInvalid, {unit}));
        value = *f;
    }
    std::memcpy(sb->SMOOTHING_VALUE, value.data(), 16);
    putInt16(sb->SMOOTHING_EXPONENT, exponent);
    sb->SMOOTHING_METHOD = method;
    ControlData cd = prepareItems(sb->ITEMS, o, ctx);
    if (controlDataFailed(cd))
        return 1;
    int32_t rc = G1_UmrMitGlaettung(sb.get(), &cd.eb, &cd.aux);
    if (rc >= tarvo::rc::kBadIndex && rc <= tarvo::rc::kSmoothingValueWrong)
        return reportItemFailures(sb->ITEMS, 0, rc, o, "smooth");
    if (o.terse || o.json) {
        std::string items;
        for (std::size_t i = 0; i < o.amounts.size(); ++i) {
            const BG_ITEM& it = sb->ITEMS[i];
            const int32_t r = getInt32(it.ITEM_RESULT);
            const bool ok = conversionOk(r);
            if (o.terse) {
                std::cout << (ok ? u1Result(it.SB) : "") << "\n";
                continue;
            }
            JsonObject j;
            j.num("item", static_cast<long long>(i + 1))
                .str("amount", fieldToDecimal(it.SB.AMOUNT_E, 13, 2))
                .num("code", r)
                .str("text", returnText(r));
            if (ok)
                j.str("result", u1Result(it.SB))
                    .str("units", fieldToDecimal(sb->UNITS_OUT[i], 15, 0))
                    .str("rest", fieldToDecimal(sb->REST_OUT[i], 13, 2));
            items += (i ? ", " : "") + j.done();
        }
        if (o.json)
            std::cout << JsonObject()
                             .str("command", "smooth")
                             .num("code", rc)
                             .str("text", returnText(rc))
                             .str("from", currencyArg(o.from))
                             .str("to", currencyArg(o.to))
                             .raw("items", "[" + items + "]")
                             .done()
                      << "\n";
        if (!conversionOk(rc)) {
            complain(describe(rc));
            return 1;
        }
        return 0;
    }
    std::cout << std::left << std::setw(6) << msg(Msg::ColItem) << std::right << std::setw(18)
              << msg(Msg::ColAmount, {o.from}) << std::setw(18) << msg(Msg::ColConverted, {o.to})
              << std::setw(12) << msg(Msg::ColUnits) << std::setw(18) << msg(Msg::ColRest) << "  "
              << msg(Msg::ColCode) << "\n";
    for (std::size_t i = 0; i < o.amounts.size(); ++i) {
        const BG_ITEM& it = sb->ITEMS[i];
        int32_t r = getInt32(it.ITEM_RESULT);
        bool ok = conversionOk(r);
        std::cout << std::left << std::setw(6) << (i + 1) << std::right << std::setw(18)
                  << fieldToDecimal(it.SB.AMOUNT_E, 13, 2) << std::setw(18)
                  << (ok ? u1Result(it.SB) : "-") << std::setw(12)
                  << (ok ? fieldToDecimal(sb->UNITS_OUT[i], 15, 0) : "-") << std::setw(18)
                  << (ok ? fieldToDecimal(sb->REST_OUT[i], 13, 2) : "-") << "  "
                  << (r == 0 ? "0" : describe(r)) << "\n";
    }
    if (!conversionOk(rc)) {
        complain(describe(rc));
        return 1;
    }
    return 0;
}

} // namespace

void addBalanceCommands(CLI::App& app, Context& ctx) {
    {
        auto o = std::make_shared<ItemOptions>();
        auto method = std::make_shared<char>('0');
        CLI::App* cmd = app.add_subcommand(
            "balance", "Convert a total and its parts so that the converted parts add up to the "
                       "converted total (B1); marks: + raised, - lowered");
        addItemOptions(cmd, *o, "The total, then its parts (they must add up to the total)");
        cmd->add_option("--method", *method,
                        "0 largest remainder, 1 largest remainder after rounding down, 2 "
                        "largest rounding deviation (default 0)")
            ->check(CLI::IsMember({'0', '1', '2'}));
        addDataOptions(*cmd, ctx);
        cmd->callback([o, method, &ctx] {
            ctx.run = [o, method, &ctx] { return runBalance(*o, *method, ctx); };
        });
    }
    {
        struct Smooth {
            ItemOptions items;
            std::string unit;
            int exponent = 0;
            char method = 'G';
        };
        auto o = std::make_shared<Smooth>();
        CLI::App* cmd = app.add_subcommand(
            "smooth", "Convert amounts and split each into whole smoothing units and a rest (G1)");
        addItemOptions(cmd, o->items, "The amounts (1 to 50)");
        auto* u = cmd->add_option("--unit", o->unit, "Smoothing unit, 1 to 1000000");
        auto* e =
            cmd->add_option("--exponent", o->exponent, "Smoothing unit as a power of ten, 1 to 6");
        u->excludes(e);
        cmd->add_option("--method", o->method, "G rounds the units, M cuts them (default G)")
            ->check(CLI::IsMember({'G', 'M'}));
        addDataOptions(*cmd, ctx);
        cmd->callback([o, &ctx] {
            ctx.run = [o, &ctx] {
                return runSmooth(o->items, o->unit, o->exponent, o->method, ctx);
            };
        });
    }
}

} // namespace tarvo::tool
