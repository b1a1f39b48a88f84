// tarvo rates: import the ECB reference rates into a rate file, show and check rate files.
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>

#include "commands.h"
#include "ratefile.h"

namespace tarvo::tool {

namespace rf = tarvo::ratefile;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw rf::Error("cannot open " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return std::move(ss).str();
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
    bool replace = false;
};

int runImport(const ImportOptions& o) {
    // The records are kept encoded (252 bytes each): the whole published history is some
    // 210 000 of them.
    std::string all;
    for (const std::string& path : o.inputs) {
        std::string bytes = readAll(path);
        std::string recs;
        std::size_t count = 0;
        if (isRateFile(bytes)) {
            auto faults = rf::checkRateFileBytes(bytes);
            if (!faults.empty())
                throw rf::Error(path + ": record " + std::to_string(faults.front().record) + ": " +
                                faults.front().message);
            rf::encodeRateFileRecords(bytes);
            recs = std::move(bytes);
            count = recs.size() / rf::kRecordSize;
            std::cout << path << ": rate file, " << count << " rates\n";
        } else {
            count = rf::importEcbEncoded(bytes, path, recs);
            rf::EcbFormat format = rf::detectEcbFormat(bytes);
            std::cout << path << ": " << rf::formatName(format) << ", " << count << " rates\n";
        }
        if (all.empty()) {
            // One input never holds two records for a currency and day: take it whole.
            all = std::move(recs);
            continue;
        }
        try {
            rf::mergeEncodedRecords(all, recs, o.replace);
        } catch (const rf::Error& e) {
            throw rf::Error(path + ": " + e.what() + " (--replace lets later files win)");
        }
    }
    std::string fileDate;
    if (!o.fileDate.empty())
        fileDate = dateArg(o.fileDate, "--file-date");
    rf::writeEncodedRateFile(o.output, all, fileDate);
    const std::size_t count = all.size() / rf::kRecordSize;
    std::set<std::string_view> currencies;
    std::string_view oldest = "99999999";
    for (std::size_t i = 0; i < count; ++i) {
        const char* r = all.data() + i * rf::kRecordSize;
        currencies.insert(std::string_view(r + rf::offset::iso, 3));
        oldest = std::min(oldest, std::string_view(r + rf::offset::rateDate, 8));
    }
    const std::string newest = rf::newestEncodedDate(all);
    std::cout << "wrote " << o.output << ": " << currencies.size() << " currencies, " << count
              << " rates";
    if (count > 0)
        std::cout << " from " << shownDate(std::string(oldest)) << " to " << shownDate(newest);
    std::cout << ", file date " << shownDate(fileDate.empty() ? newest : fileDate) << "\n";
    return 0;
}

struct ShowOptions {
    std::string file, currency, date;
    bool all = false;
};

int runShow(const ShowOptions& o) {
    std::string bytes = readAll(o.file);
    rf::RateFile f = rf::parseRateFile(bytes);
    std::cout << "file date " << (f.fileDate.empty() ? "none" : shownDate(f.fileDate)) << ", "
              << f.records.size() << " rate records\n";
    std::vector<rf::RateRecord> shown;
    if (!o.date.empty()) {
        std::string d = o.date == "newest" ? "99999999" : dateArg(o.date, "--date");
        std::set<std::string> seen;
        for (const auto& r : f.records) {
            if (!o.currency.empty() && r.iso != o.currency)
                continue;
            if (!seen.insert(r.iso).second)
                continue;
            if (auto hit = rf::lookup(f, r.iso, d))
                shown.push_back(*hit);
            else
                std::cout << r.iso << ": no rate on or before " << shownDate(d) << " ("
                          << tarvo::rc::kNoRateInFile << ")\n";
        }
    } else {
        for (const auto& r : f.records)
            if (o.currency.empty() || r.iso == o.currency)
                shown.push_back(r);
    }
    if (!o.currency.empty() && shown.empty() && o.date.empty()) {
        std::cerr << "tarvo: " << o.currency << " is not in " << o.file << " ("
                  << tarvo::rc::kIsoNotInFile << ")\n";
        return 1;
    }
    std::cout << "ISO  No.  rate date   1 EUR =              unit  stored rate   dec  quot  "
                 "blocked\n";
    for (const auto& r : shown) {
        std::cout << std::left << std::setw(5) << r.iso << std::setw(5) << r.number << std::setw(12)
                  << shownDate(r.rateDate) << std::setw(21) << rf::rateText(r.rates[1], r.unit)
                  << std::setw(6) << r.unit << std::setw(14) << r.rates[1] << std::setw(5)
                  << (r.decimals == 'J' ? "2" : "0") << std::setw(6) << r.quotation << r.blocked
                  << "\n";
    }
    return 0;
}

int runCheck(const std::string& file) {
    std::string bytes = readAll(file);
    auto faults = rf::checkRateFileBytes(bytes);
    for (const auto& f : faults) {
        if (f.record == 0)
            std::cout << file << ": " << f.message << "\n";
        else
            std::cout << file << ": record " << f.record << ": " << f.message << "\n";
    }
    if (!faults.empty()) {
        std::cout << faults.size() << " fault" << (faults.size() == 1 ? "" : "s") << "\n";
        return 1;
    }
    rf::RateFile rfile = rf::parseRateFile(bytes);
    std::set<std::string> cur;
    for (const auto& r : rfile.records)
        cur.insert(r.iso);
    std::cout << file << ": ok, " << rfile.records.size() << " rates of " << cur.size()
              << " currencies, file date " << shownDate(rfile.fileDate) << "\n";
    return 0;
}

} // namespace

void addRatesCommands(CLI::App& app, Context& ctx) {
    CLI::App* rates = app.add_subcommand("rates", "Import, show and check rate files");
    rates->require_subcommand(1, 1);
    {
        auto o = std::make_shared<ImportOptions>();
        CLI::App* cmd = rates->add_subcommand(
            "import", "Import ECB reference rates (eurofxref-daily.xml, eurofxref-hist.xml, "
                      "eurofxref-hist-90d.xml, eurofxref-hist.csv, eurofxref.csv) and rate "
                      "files into one rate file");
        cmd->add_option("FILES", o->inputs, "ECB files or existing rate files")->required();
        cmd->add_option("-o,--output", o->output, "Rate file to write (atomically)")->required();
        cmd->add_option("--file-date", o->fileDate,
                        "Version date of the file (default: the newest rate date)");
        cmd->add_flag("--replace", o->replace,
                      "A later input replaces a different rate for the same currency and day");
        cmd->callback([o, &ctx] { ctx.run = [o] { return runImport(*o); }; });
    }
    {
        auto o = std::make_shared<ShowOptions>();
        CLI::App* cmd = rates->add_subcommand("show", "Show the rates of a rate file");
        cmd->add_option("FILE", o->file, "Rate file")->required();
        cmd->add_option("--currency", o->currency, "Only this currency");
        cmd->add_option("--date", o->date,
                        "Per currency only the rate the kernel uses on this date (or newest)");
        cmd->callback([o, &ctx] { ctx.run = [o] { return runShow(*o); }; });
    }
    {
        auto file = std::make_shared<std::string>();
        CLI::App* cmd = rates->add_subcommand(
            "check", "Report every structural fault of a rate file with its record number");
        cmd->add_option("FILE", *file, "Rate file")->required();
        cmd->callback([file, &ctx] { ctx.run = [file] { return runCheck(*file); }; });
    }
}

} // namespace tarvo::tool
