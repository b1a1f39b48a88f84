// SPDX-License-Identifier: Apache-2.0
// tarvo rates: import the ECB reference rates into a rate file, show and check rate files.
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>

#include <numeric>
#include <optional>

#include "atomic_file.h"
#include "commands.h"
#include "convert.h"
#include "output.h"
#include "ratefile.h"

namespace tarvo::tool {

namespace rf = tarvo::ratefile;

namespace {

// All of a stream, refused beyond the rate-file limit (the whole published history is some
// 55 MB), so that an endless input such as /dev/zero ends with a message, not out of memory.
std::string readLimited(std::istream& in, const std::string& name) {
    std::string bytes;
    char chunk[1 << 16];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        if (bytes.size() + static_cast<std::size_t>(in.gcount()) > rf::kMaxRateFileBytes)
            throw FileError(msg(Msg::InputTooLarge, {name}));
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad())
        throw FileError(msg(Msg::CannotRead, {name}));
    return bytes;
}

// The whole file, or standard input for "-".
std::string readAll(const std::string& path) {
    if (path == "-")
        return readLimited(std::cin, "-");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw FileError(msg(Msg::CannotOpen, {path}));
    return readLimited(in, path);
}

// The file's bytes for encoded records: the version record, then the records in file order
// (by ISO code, newest first), each checked as the rate-file writer checks them.
std::string rateFileBytes(const std::string& records, const std::string& fileDate) {
    const std::size_t n = records.size() / rf::kRecordSize;
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    auto at = [&](std::size_t i) { return records.data() + i * rf::kRecordSize; };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (int c = std::memcmp(at(a) + rf::offset::iso, at(b) + rf::offset::iso, 3); c != 0)
            return c < 0;
        return std::memcmp(at(a) + rf::offset::rateDate, at(b) + rf::offset::rateDate, 8) > 0;
    });
    const std::string date = fileDate.empty() ? rf::newestEncodedDate(records) : fileDate;
    if (date.empty())
        throw rf::Error("no rates and no file date: nothing to write");
    std::string out = rf::encodeVersionRecord(date);
    out.reserve(out.size() + records.size());
    for (std::size_t k = 0; k < n; ++k) {
        const char* r = at(order[k]);
        auto faults = rf::checkRecord({r, rf::kRecordSize});
        if (!faults.empty())
            throw rf::Error(std::string(r + rf::offset::iso, 3) + " " +
                            std::string(r + rf::offset::rateDate, 8) + ": " + faults.front());
        if (k > 0 && std::memcmp(r + rf::offset::iso, at(order[k - 1]) + rf::offset::iso, 3) == 0 &&
            std::memcmp(r + rf::offset::rateDate, at(order[k - 1]) + rf::offset::rateDate, 8) == 0)
            throw rf::Error(std::string(r + rf::offset::iso, 3) + " " +
                            std::string(r + rf::offset::rateDate, 8) +
                            ": two records for the same currency and day");
        out.append(r, rf::kRecordSize);
    }
    return out;
}

bool isRateFile(std::string_view bytes) {
    return bytes.size() >= rf::kRecordSize && bytes.size() % rf::kRecordSize == 0 &&
           bytes.substr(0, 3) == rf::kVersionMarker;
}

std::string shownDate(const std::string& d) {
    return d.size() == 8 ? d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2) : d;
}

struct ImportOptions {
    std::vector<std::string> inputs;
    std::string output, fileDate;
    bool replace = false, json = false;
};

int runImport(const ImportOptions& o) {
    std::string fileDate;
    if (!o.fileDate.empty())
        fileDate = dateArg(o.fileDate, "--file-date");
    // The output file takes its lock before any input is read, so that an input that is the
    // target itself is read and replaced under that one lock.
    const bool toStdout = o.output == "-";
    std::optional<AtomicOutputFile> target;
    if (!toStdout)
        target.emplace(o.output);
    // Reports go to standard error when the rate file itself goes to standard output.
    std::ostream& report = toStdout || o.json ? std::cerr : std::cout;
    // The records are kept encoded (252 bytes each): the whole published history is some
    // 210 000 of them.
    std::string all;
    std::string inputsJson;
    for (const std::string& path : o.inputs) {
        std::string bytes = readAll(path);
        std::string recs;
        std::size_t count = 0;
        std::string kind;
        if (isRateFile(bytes)) {
            auto faults = rf::checkRateFileBytes(bytes);
            if (!faults.empty())
                throw rf::Error(path + ": record " + std::to_string(faults.front().record) + ": " +
                                faults.front().message);
            rf::encodeRateFileRecords(bytes);
            recs = std::move(bytes);
            count = recs.size() / rf::kRecordSize;
            kind = "rate file";
            report << msg(Msg::ImportedRateFile, {path, std::to_string(count)}) << "\n";
        } else {
            count = rf::importEcbEncoded(bytes, path, recs);
            kind = std::string(rf::formatName(rf::detectEcbFormat(bytes)));
            report << msg(Msg::ImportedFile, {path, kind, std::to_string(count)}) << "\n";
        }
        inputsJson +=
            (inputsJson.empty() ? "" : ", ") + JsonObject()
                                                   .str("file", path)
                                                   .str("format", kind)
                                                   .num("rates", static_cast<long long>(count))
                                                   .done();
        if (all.empty()) {
            // One input never holds two records for a currency and day: take it whole.
            all = std::move(recs);
            continue;
        }
        try {
            rf::mergeEncodedRecords(all, recs, o.replace);
        } catch (const rf::Error& e) {
            throw rf::Error(msg(Msg::ReplaceHint, {path, e.what()}));
        }
    }
    const std::string bytes = rateFileBytes(all, fileDate);
    if (target) {
        target->write(bytes);
        target->commit();
    } else if (!writeStandardOutput(bytes)) {
        return 1; // main reports the failed write
    }
    const std::size_t count = all.size() / rf::kRecordSize;
    std::set<std::string_view> currencies;
    std::string_view oldest = "99999999";
    for (std::size_t i = 0; i < count; ++i) {
        const char* r = all.data() + i * rf::kRecordSize;
        currencies.insert(std::string_view(r + rf::offset::iso, 3));
        oldest = std::min(oldest, std::string_view(r + rf::offset::rateDate, 8));
    }
    const std::string newest = rf::newestEncodedDate(all);
    const std::string shownFileDate = shownDate(fileDate.empty() ? newest : fileDate);
    if (o.json) {
        JsonObject j;
        j.str("command", "rates import")
            .str("output", o.output)
            .raw("inputs", "[" + inputsJson + "]")
            .num("currencies", static_cast<long long>(currencies.size()))
            .num("rates", static_cast<long long>(count))
            .strOrNull("oldest", count ? shownDate(std::string(oldest)) : "")
            .strOrNull("newest", count ? shownDate(newest) : "")
            .str("file_date", shownFileDate);
        (toStdout ? std::cerr : std::cout) << j.done() << "\n";
        return 0;
    }
    report << msg(Msg::Wrote, {o.output, std::to_string(currencies.size()), std::to_string(count)});
    if (count > 0)
        report << msg(Msg::WroteSummary, {shownDate(std::string(oldest)), shownDate(newest)});
    report << ", " << msg(Msg::FileDate, {shownFileDate}) << "\n";
    return 0;
}

struct ShowOptions {
    std::string file, currency, date;
    bool all = false, json = false;
};

std::string storedRate(const std::string& dez4p7) {
    return fieldToDecimal(dez4p7.c_str(), 4, 7);
}

int runShow(const ShowOptions& o) {
    std::string bytes = readAll(o.file);
    rf::RateFile f = rf::parseRateFile(bytes);
    const std::string currency = o.currency.empty() ? "" : currencyArg(o.currency);
    std::vector<rf::RateRecord> shown;
    std::vector<std::string> missing;
    std::string d;
    if (!o.date.empty()) {
        d = o.date == "newest" ? "99999999" : dateArg(o.date, "--date");
        std::set<std::string> seen;
        for (const auto& r : f.records) {
            if (!currency.empty() && r.iso != currency)
                continue;
            if (!seen.insert(r.iso).second)
                continue;
            if (auto hit = rf::lookup(f, r.iso, d))
                shown.push_back(*hit);
            else
                missing.push_back(r.iso);
        }
    } else {
        for (const auto& r : f.records)
            if (currency.empty() || r.iso == currency)
                shown.push_back(r);
    }
    if (!currency.empty() && shown.empty() && missing.empty()) {
        complain(msg(Msg::NotInFile, {currency, o.file, std::to_string(tarvo::rc::kIsoNotInFile)}));
        return 1;
    }
    if (o.json) {
        std::string rows;
        for (const auto& r : shown)
            rows += (rows.empty() ? "" : ", ") +
                    JsonObject()
                        .str("currency", r.iso)
                        .str("number", r.number)
                        .str("rate_date", shownDate(r.rateDate))
                        .str("rate", storedRate(r.rates[1]))
                        .num("unit", r.unit)
                        .str("effective_rate", effectiveRate(r.rates[1], r.unit))
                        .str("quotation", std::string(1, r.quotation))
                        .num("decimals", r.decimals == 'J' ? 2 : 0)
                        .boolean("blocked", r.blocked == 'J')
                        .done();
        std::string none;
        for (const auto& iso : missing)
            none += (none.empty() ? "" : ", ") + jsonString(iso);
        std::cout << JsonObject()
                         .str("command", "rates show")
                         .str("file", o.file)
                         .strOrNull("file_date", f.fileDate.empty() ? "" : shownDate(f.fileDate))
                         .num("records", static_cast<long long>(f.records.size()))
                         .raw("rates", "[" + rows + "]")
                         .raw("no_rate", "[" + none + "]")
                         .done()
                  << "\n";
        return 0;
    }
    std::cout << msg(Msg::RatesHead, {f.fileDate.empty() ? msg(Msg::None) : shownDate(f.fileDate),
                                      std::to_string(f.records.size())})
              << "\n";
    for (const auto& iso : missing)
        std::cout << msg(Msg::NoRateFor,
                         {iso, shownDate(d), std::to_string(tarvo::rc::kNoRateInFile)})
                  << "\n";
    std::cout << msg(Msg::RatesColumns) << "\n";
    for (const auto& r : shown) {
        std::cout << std::left << std::setw(5) << r.iso << std::setw(5) << r.number << std::setw(12)
                  << shownDate(r.rateDate) << std::setw(21) << effectiveRate(r.rates[1], r.unit)
                  << std::setw(6) << r.unit << std::setw(14) << storedRate(r.rates[1])
                  << std::setw(5) << (r.decimals == 'J' ? "2" : "0") << std::setw(6) << r.quotation
                  << r.blocked << "\n";
    }
    return 0;
}

int runCheck(const std::string& file, bool json) {
    std::string bytes = readAll(file);
    auto faults = rf::checkRateFileBytes(bytes);
    if (json) {
        std::string list;
        for (const auto& f : faults)
            list +=
                (list.empty() ? "" : ", ") + JsonObject()
                                                 .num("record", static_cast<long long>(f.record))
                                                 .str("message", f.message)
                                                 .done();
        JsonObject j;
        j.str("command", "rates check").str("file", file).boolean("ok", faults.empty());
        j.raw("faults", "[" + list + "]");
        if (faults.empty()) {
            rf::RateFile rfile = rf::parseRateFile(bytes);
            std::set<std::string> cur;
            for (const auto& r : rfile.records)
                cur.insert(r.iso);
            j.num("rates", static_cast<long long>(rfile.records.size()))
                .num("currencies", static_cast<long long>(cur.size()))
                .strOrNull("file_date", shownDate(rfile.fileDate));
        }
        std::cout << j.done() << "\n";
        return faults.empty() ? 0 : 1;
    }
    for (const auto& f : faults) {
        if (f.record == 0)
            std::cout << file << ": " << f.message << "\n";
        else
            std::cout << file << ": record " << f.record << ": " << f.message << "\n";
    }
    if (!faults.empty()) {
        std::cout << msg(Msg::Faults, {std::to_string(faults.size())}) << "\n";
        return 1;
    }
    rf::RateFile rfile = rf::parseRateFile(bytes);
    std::set<std::string> cur;
    for (const auto& r : rfile.records)
        cur.insert(r.iso);
    std::cout << msg(Msg::CheckOk, {file, std::to_string(rfile.records.size()),
                                    std::to_string(cur.size()), shownDate(rfile.fileDate)})
              << "\n";
    return 0;
}

} // namespace

void addRatesCommands(CLI::App& app, Context& ctx) {
    CLI::App* rates = app.add_subcommand("rates", "Import, show and check rate files");
    rates->require_subcommand(0, 1);
    {
        auto o = std::make_shared<ImportOptions>();
        CLI::App* cmd = rates->add_subcommand(
            "import", "Import ECB reference rates (eurofxref-daily.xml, eurofxref-hist.xml, "
                      "eurofxref-hist-90d.xml, eurofxref-hist.csv, eurofxref.csv) and rate "
                      "files into one rate file");
        cmd->add_option("FILES", o->inputs,
                        "ECB files or existing rate files, - for standard input")
            ->required();
        cmd->add_option("-o,--output", o->output,
                        "Rate file to write (atomically), - for standard output")
            ->required();
        cmd->add_flag("--json", o->json, "Print the summary as one JSON document");
        cmd->add_option("--file-date", o->fileDate,
                        "Version date of the file (default: the newest rate date)");
        cmd->add_flag("--replace", o->replace,
                      "A later input replaces a different rate for the same currency and day");
        cmd->callback([o, &ctx] { ctx.run = [o] { return runImport(*o); }; });
    }
    {
        auto o = std::make_shared<ShowOptions>();
        CLI::App* cmd = rates->add_subcommand("show", "Show the rates of a rate file");
        cmd->add_option("FILE", o->file, "Rate file, - for standard input")->required();
        cmd->add_option("--currency", o->currency, "Only this currency");
        cmd->add_flag("--json", o->json, "Print the rates as one JSON document");
        cmd->add_option("--date", o->date,
                        "Per currency only the rate the kernel uses on this date (or newest)");
        cmd->callback([o, &ctx] { ctx.run = [o] { return runShow(*o); }; });
    }
    {
        struct Check {
            std::string file;
            bool json = false;
        };
        auto o = std::make_shared<Check>();
        CLI::App* cmd = rates->add_subcommand(
            "check", "Report every structural fault of a rate file with its record number");
        cmd->add_option("FILE", o->file, "Rate file, - for standard input")->required();
        cmd->add_flag("--json", o->json, "Print the findings as one JSON document");
        cmd->callback([o, &ctx] { ctx.run = [o] { return runCheck(o->file, o->json); }; });
    }
}

} // namespace tarvo::tool
