// tarvo batch: streams CSV lines through U5 (and U7 for pairs without the base currency).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "atomic_file.h"
#include "commands.h"
#include "convert.h"
#include "ratefile.h"

namespace tarvo::tool {

namespace {

struct Row {
    std::size_t line = 0;
    std::string amountText, from, to, date;
    std::string amount; // taDez13p2, empty when the line is malformed
    std::string error;  // why the line is malformed
    std::string result;
    int32_t rc = 0;
};

std::vector<std::string_view> splitCsv(std::string_view line) {
    std::vector<std::string_view> f;
    std::size_t pos = 0;
    while (true) {
        std::size_t c = line.find(',', pos);
        std::string_view v = line.substr(pos, c == std::string_view::npos ? c : c - pos);
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
            v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
            v.remove_suffix(1);
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
            v = v.substr(1, v.size() - 2);
        f.push_back(v);
        if (c == std::string_view::npos)
            return f;
        pos = c + 1;
    }
}

std::string csvField(std::string_view v) {
    if (v.find_first_of(",\"\n\r") == std::string_view::npos)
        return std::string(v);
    std::string s = "\"";
    for (char c : v)
        s += c == '"' ? std::string("\"\"") : std::string(1, c);
    return s + "\"";
}

// Parses one input line into a row; sets row.error when it is malformed.
void parseRow(Row& row, std::string_view line, const std::string& defaultDate) {
    auto f = splitCsv(line);
    if (f.size() < 3 || f.size() > 4) {
        row.amountText = std::string(f[0]);
        row.from = f.size() > 1 ? std::string(f[1]) : "";
        row.to = f.size() > 2 ? std::string(f[2]) : "";
        row.error =
            "expected 3 or 4 columns (amount,from,to[,date]), found " + std::to_string(f.size());
        return;
    }
    row.amountText = std::string(f[0]);
    row.from = std::string(f[1]);
    row.to = std::string(f[2]);
    row.date = f.size() == 4 && !f[3].empty() ? std::string(f[3]) : defaultDate;
    auto amount = decimalToField(f[0], 13, 2);
    if (!amount) {
        row.error = "amount \"" + std::string(f[0]) +
                    "\" is not a number with at most 13 integer digits and 2 decimals";
        return;
    }
    if (row.from.size() != 3 || row.to.size() != 3) {
        row.error = "currency codes must have three letters";
        return;
    }
    auto d = parseDate(row.date);
    if (!d) {
        row.error = "date \"" + row.date + "\" is not a valid date";
        return;
    }
    row.date = *d;
    row.amount = *amount;
}

class Progress {
  public:
    Progress(bool on, std::uintmax_t total) : on_(on), total_(total) {}
    void update(std::size_t lines, std::uintmax_t bytes, bool last = false) {
        if (!on_)
            return;
        auto now = std::chrono::steady_clock::now();
        if (!last && now - shown_ < std::chrono::milliseconds(200))
            return;
        shown_ = now;
        double secs = std::chrono::duration<double>(now - start_).count();
        auto rate = static_cast<long long>(secs > 0 ? static_cast<double>(lines) / secs : 0);
        if (total_ > 0) {
            std::uintmax_t pct = std::min<std::uintmax_t>(100, bytes * 100 / total_);
            std::size_t filled = static_cast<std::size_t>(pct * 30 / 100);
            std::fprintf(stderr, "\r[%s%s] %3ju%% %zu lines, %lld lines/s ",
                         std::string(filled, '#').c_str(), std::string(30 - filled, '-').c_str(),
                         pct, lines, rate);
        } else {
            std::fprintf(stderr, "\r%zu lines, %lld lines/s ", lines, rate);
        }
        if (last)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }

  private:
    bool on_;
    std::uintmax_t total_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shown_{};
};

struct BatchOptions {
    std::string input = "-", output = "-", date;
    char rateType = 'M';
    bool ratePrint = false;
    std::size_t chunk = 1000;
    bool progress = false, noProgress = false;
};

class Batch {
  public:
    Batch(const BatchOptions& o, const Context& ctx) : o_(o), ctx_(ctx) {}

    // Converts the rows of one chunk, grouped by date, U5 first and U7 for the pairs that
    // do not touch the base currency.
    void convertChunk(std::vector<Row>& rows) {
        std::map<std::string, std::vector<std::size_t>> byDate;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].error.empty())
                byDate[rows[i].date].push_back(i);
        for (auto& [date, idx] : byDate) {
            const ControlData& cd = controlData(date);
            if (!controlDataLoaded(cd.rc)) {
                for (std::size_t i : idx) {
                    rows[i].rc = cd.rc;
                    rows[i].error = "control data: " + returnText(cd.rc);
                }
                continue;
            }
            u5_.assign(idx.size(), U5_ELEM{});
            for (std::size_t k = 0; k < idx.size(); ++k)
                fillU1(u5_[k].SB, request(rows[idx[k]]));
            U5_UmrFwaehrBwaehr(static_cast<int32_t>(idx.size()), u5_.data(), &cd.eb,
                               const_cast<int32_t*>(&cd.aux));
            std::vector<std::size_t> again;
            for (std::size_t k = 0; k < idx.size(); ++k) {
                if (u5_[k].RESULT == tarvo::rc::kIsoCombination) {
                    again.push_back(idx[k]);
                    continue;
                }
                ConvertResult r = resultOfU1(u5_[k].SB, u5_[k].RESULT);
                rows[idx[k]].rc = r.rc;
                rows[idx[k]].result = r.amount;
            }
            if (again.empty())
                continue;
            u7_.assign(again.size(), U7_ELEM{});
            for (std::size_t k = 0; k < again.size(); ++k)
                fillU3(u7_[k].SB, request(rows[again[k]]));
            U7_UmrFwaehrBwaehrFwaehr(static_cast<int32_t>(again.size()), u7_.data(), &cd.eb,
                                     const_cast<int32_t*>(&cd.aux));
            for (std::size_t k = 0; k < again.size(); ++k) {
                ConvertResult r = resultOfU3(u7_[k].SB, u7_[k].RESULT);
                rows[again[k]].rc = r.rc;
                rows[again[k]].result = r.amount;
            }
        }
    }

  private:
    ConvertRequest request(const Row& row) const {
        ConvertRequest q;
        q.amount = row.amount;
        q.from = row.from;
        q.to = row.to;
        q.bookingDate = row.date;
        q.rateType = o_.rateType;
        q.ratePrint = o_.ratePrint ? 'J' : 'N';
        return q;
    }

    const ControlData& controlData(const std::string& date) {
        auto it = cache_.find(date);
        if (it != cache_.end())
            return *it->second;
        if (cache_.size() >= 256)
            cache_.clear(); // bounded: inputs spanning many dates do not grow memory
        auto cd =
            std::make_unique<ControlData>(loadControlData(ctx_.cdVersion, ctx_.application, date));
        return *cache_.emplace(date, std::move(cd)).first->second;
    }

    const BatchOptions& o_;
    const Context& ctx_;
    std::map<std::string, std::unique_ptr<ControlData>> cache_;
    std::vector<U5_ELEM> u5_;
    std::vector<U7_ELEM> u7_;
};

int runBatch(const BatchOptions& o, const Context& ctx) {
    if (o.chunk == 0 || o.chunk > 100000)
        throw UsageError("--chunk must lie between 1 and 100000");
    std::string defaultDate = o.date.empty() ? today() : dateArg(o.date, "--date");

    std::ifstream file;
    std::istream* in = &std::cin;
    std::uintmax_t total = 0;
    if (o.input != "-") {
        file.open(o.input, std::ios::binary);
        if (!file)
            throw UsageError("cannot open input " + o.input);
        in = &file;
        struct stat st {};
        if (::stat(o.input.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            total = static_cast<std::uintmax_t>(st.st_size);
    } else {
        struct stat st {};
        if (::fstat(0, &st) == 0 && S_ISREG(st.st_mode))
            total = static_cast<std::uintmax_t>(st.st_size);
    }
    // The output goes to a temporary file renamed at the end, so a failed run leaves no
    // half-written result behind.
    std::optional<AtomicOutputFile> outFile;
    if (o.output != "-") {
        try {
            outFile.emplace(o.output);
        } catch (const tarvo::ratefile::Error& e) {
            throw UsageError(e.what());
        }
    } else {
        std::ios::sync_with_stdio(false);
    }
    auto emit = [&](std::string_view bytes) {
        if (outFile)
            outFile->write(bytes);
        else
            std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };

    bool large = total == 0 || total > (1u << 20);
    Progress progress(o.progress || (!o.noProgress && large && ::isatty(2)), total);
    Batch batch(o, ctx);
    std::vector<Row> rows;
    rows.reserve(o.chunk);
    std::string line;
    std::size_t lineNo = 0, failed = 0, converted = 0;
    std::uintmax_t bytes = 0;
    std::string buffer;
    buffer.reserve(1 << 16);

    buffer += "line,amount,from,to,date,result,code,message\n";
    auto flush = [&] {
        batch.convertChunk(rows);
        for (const Row& r : rows) {
            bool ok = r.error.empty() && conversionOk(r.rc);
            ok ? ++converted : ++failed;
            buffer += std::to_string(r.line);
            buffer += ',';
            buffer += csvField(r.amountText);
            buffer += ',';
            buffer += csvField(r.from);
            buffer += ',';
            buffer += csvField(r.to);
            buffer += ',';
            buffer += csvField(r.date);
            buffer += ',';
            buffer += r.result;
            buffer += ',';
            if (!r.error.empty() && r.rc == 0)
                buffer += "input";
            else
                buffer += std::to_string(r.rc);
            buffer += ',';
            if (!r.error.empty())
                buffer += csvField(r.error);
            else if (r.rc != 0)
                buffer += csvField(returnText(r.rc));
            buffer += '\n';
            if (buffer.size() > 60000) {
                emit(buffer);
                buffer.clear();
            }
        }
        rows.clear();
        progress.update(lineNo, bytes);
    };
    while (std::getline(*in, line)) {
        ++lineNo;
        bytes += line.size() + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string_view v(line);
        if (v.find_first_not_of(" \t") == std::string_view::npos || v.front() == '#')
            continue;
        if (lineNo == 1 && (v.substr(0, 6) == "amount" || v.substr(0, 6) == "Amount"))
            continue; // header
        Row row;
        row.line = lineNo;
        parseRow(row, v, defaultDate);
        rows.push_back(std::move(row));
        if (rows.size() >= o.chunk)
            flush();
    }
    flush();
    emit(buffer);
    progress.update(lineNo, bytes, true);
    if (in->bad())
        throw UsageError("error reading the input");
    if (outFile) {
        outFile->commit();
    } else {
        std::cout.flush();
        if (!std::cout)
            throw tarvo::ratefile::Error("cannot write to standard output");
    }
    if (failed > 0) {
        std::cerr << "tarvo batch: " << converted << " converted, " << failed << " failed\n";
        return 1;
    }
    return 0;
}

} // namespace

void addBatchCommand(CLI::App& app, Context& ctx) {
    auto o = std::make_shared<BatchOptions>();
    CLI::App* cmd = app.add_subcommand(
        "batch", "Convert CSV lines \"amount,from,to[,date]\" in batches (U5/U7) into CSV "
                 "\"line,amount,from,to,date,result,code,message\"");
    cmd->add_option("INPUT", o->input, "Input file, - for standard input (default)");
    cmd->add_option("-o,--output", o->output,
                    "Output file, - for standard output (default); written atomically");
    cmd->add_option("--date", o->date, "Date of lines without one (default: today)");
    cmd->add_option("--rate-type", o->rateType, "Rate type G, M, B, S, X or Y (default M)")
        ->check(CLI::IsMember({'G', 'M', 'B', 'S', 'X', 'Y'}));
    cmd->add_flag("--rate-print", o->ratePrint, "Demand rates marked for printing");
    cmd->add_option("--chunk", o->chunk, "Lines per kernel batch (default 1000)");
    cmd->add_flag("--progress", o->progress, "Always show the progress bar on standard error");
    cmd->add_flag("--no-progress", o->noProgress, "Never show the progress bar");
    addDataOptions(*cmd, ctx);
    cmd->callback([o, &ctx] { ctx.run = [o, &ctx] { return runBatch(*o, ctx); }; });
}

} // namespace tarvo::tool
