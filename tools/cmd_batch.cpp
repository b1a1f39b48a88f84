// SPDX-License-Identifier: Apache-2.0
// tarvo batch: CSV rows through U5/U7 (A5 for four decimals, U6/U8 with rates given per row),
// every other column passed through; output as CSV, NDJSON or one JSON document.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <fcntl.h>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "atomic_file.h"
#include "audit.h"
#include "commands.h"
#include "convert.h"
#include "csv_input.h"
#include "output.h"
#include "ratefile.h"

namespace tarvo::tool {

namespace {

// A piece of a chunk's text.
struct Span {
    std::size_t off = 0, len = 0;
};

// A rate as the kernel reported it for one leg of a row.
struct UsedRate {
    char rate[12];
    char fixed = ' ', quotation = ' ', exponent = ' ';
    bool given = false;
};

// A rate given in the row's columns.
struct RowRate {
    bool present = false;
    GivenRate rate;
};

struct Row {
    std::size_t line = 0;
    bool kept = false;       // a comment or blank line written back as it was (fields[0])
    std::uint32_t first = 0; // the row's fields in Chunk::fields
    std::uint32_t count = 0;
    Span date;               // the date shown for the row
    bool valid = false;      // amount, codes and date parsed into the fields below
    char amount[16];         // taDez13p2, or taDez11p4 with --four-decimals
    char date8[8];           // YYYYMMDD
    std::uint32_t group = 0; // the date's control data in Chunk::groups
    std::string from, to;    // the codes as converted (upper case)
    RowRate rate, rateTo;    // given rates
    std::string error;       // why the line is malformed or was not converted
    std::string result, result4;
    int32_t rc = 0;
    UsedRate used[2]; // [1] only for conversions through the base currency
    bool twoLegs = false;
};

// The control data of one date of a chunk: the loader's result and the bytes in which its
// block differs from the reference block.
struct Group {
    int32_t rc = 0, aux = 0;
    Span patch; // in Chunk::patches: 2 bytes of offset (little-endian) and the byte, each
};

// Up to --chunk rows: their text, parsed rows and, once converted, their output rows.
struct Chunk {
    std::string text;
    std::vector<Span> fields;
    std::vector<Row> rows;
    std::vector<Group> groups;
    std::string patches;
    const PS_EB* reference = nullptr; // the block the patches apply to
    std::size_t endLine = 0;          // reading position after the chunk, for the progress bar
    std::uintmax_t endBytes = 0;

    std::string out; // the output rows
    std::size_t converted = 0, failed = 0;
    std::exception_ptr error;
    bool done = false;

    void clear() {
        text.clear();
        fields.clear();
        rows.clear();
        groups.clear();
        patches.clear();
        out.clear();
        converted = failed = 0;
        error = nullptr;
        reference = nullptr;
        done = false;
    }
    std::string_view view(Span s) const { return std::string_view(text).substr(s.off, s.len); }
    Span add(std::string_view v) {
        Span s{text.size(), v.size()};
        text.append(v);
        return s;
    }
    // Field i of a row, empty when the row has fewer.
    std::string_view field(const Row& r, int i) const {
        if (i < 0 || static_cast<std::uint32_t>(i) >= r.count)
            return {};
        return view(fields[r.first + static_cast<std::uint32_t>(i)]);
    }
};

std::string_view trimmed(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
        v.remove_suffix(1);
    // A quoted field after a blank ( , "DEM") reaches here with its quotes.
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    return v;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// An amount as accounting programs write it: optional sign, digits with the decimal point
// and, between groups of three digits, the other separator ("1,000.50"; with a decimal comma
// "1.000,50"). Nothing is rounded.
bool amountToField(std::string_view text, char decimalSep, int intDigits, int decimals, char* out) {
    const char group = decimalSep == '.' ? ',' : '.';
    if (text.find(group) == std::string_view::npos && decimalSep == '.')
        return decimalToField(text, intDigits, decimals, out);
    std::string plain;
    plain.reserve(text.size());
    std::size_t i = 0;
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        plain += text[i++];
    const std::size_t dec = text.find(decimalSep, i);
    std::string_view ip = text.substr(i, dec == std::string_view::npos ? dec : dec - i);
    if (ip.find(group) != std::string_view::npos) {
        // Groups: 1 to 3 digits, then groups of exactly 3.
        std::size_t first = ip.find(group);
        if (first == 0 || first > 3)
            return false;
        for (std::size_t at = first; at < ip.size(); at += 4)
            if (ip[at] != group || at + 4 > ip.size() ||
                ip.substr(at + 1, 3).find(group) != std::string_view::npos)
                return false;
    }
    for (char c : ip)
        if (c != group)
            plain += c;
    if (dec != std::string_view::npos) {
        plain += '.';
        plain.append(text.substr(dec + 1));
    }
    return decimalToField(plain, intDigits, decimals, out);
}

void appendCsvField(std::string& out, std::string_view v, char delimiter) {
    auto special = [delimiter](char c) {
        return c == delimiter || c == '"' || c == '\n' || c == '\r';
    };
    if (std::none_of(v.begin(), v.end(), special)) {
        out.append(v);
        return;
    }
    out += '"';
    for (char c : v) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

template <class T> void appendNumber(std::string& out, T value) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    out.append(buf, static_cast<std::size_t>(end - buf));
}

// Control data per date, loaded once per date. A block is kept as the bytes in which it
// differs from the first block loaded (the reference), a few dozen per date, so that inputs
// spanning every day since 1999 keep them all at little cost.
class ControlDataCache {
  public:
    explicit ControlDataCache(const Context& ctx) : ctx_(ctx) {}

    // The group of `chunk` for the date, added on its first row in the chunk.
    std::uint32_t groupOf(Chunk& chunk, std::uint64_t serial, const char* date8) {
        std::uint32_t key = 0;
        for (int i = 0; i < 8; ++i)
            key = key * 10 + static_cast<std::uint32_t>(date8[i] - '0');
        if (byDate_.size() >= kMaxDates && byDate_.find(key) == byDate_.end())
            byDate_.clear(); // bounded: inputs spanning many dates do not grow memory
        auto [it, fresh] = byDate_.try_emplace(key);
        Entry& e = it->second;
        if (fresh)
            load(e, date8);
        if (e.serial != serial) {
            e.serial = serial;
            e.group = static_cast<std::uint32_t>(chunk.groups.size());
            Group g;
            g.rc = e.rc;
            g.aux = e.aux;
            g.patch = {chunk.patches.size(), e.patch.size()};
            chunk.patches += e.patch;
            chunk.groups.push_back(g);
        }
        return e.group;
    }

    // The first block loaded; set before any chunk that needs it is converted, then constant.
    const PS_EB* reference() const { return reference_.get(); }

  private:
    static constexpr std::size_t kMaxDates = 1 << 15;

    struct Entry {
        int32_t rc = 0, aux = 0;
        std::string patch;
        std::uint64_t serial = 0;
        std::uint32_t group = 0;
    };

    void load(Entry& e, const char* date8) {
        ControlData cd = loadControlData(ctx_.cdVersion, ctx_.application, {date8, 8});
        e.rc = cd.rc;
        e.aux = cd.aux;
        if (!controlDataLoaded(cd.rc))
            return;
        if (!reference_)
            reference_ = std::make_unique<PS_EB>(cd.eb);
        const auto* a = reinterpret_cast<const unsigned char*>(reference_.get());
        const auto* b = reinterpret_cast<const unsigned char*>(&cd.eb);
        constexpr std::size_t kStep = 16;
        for (std::size_t at = 0; at < sizeof(PS_EB); at += kStep) {
            const std::size_t n = std::min(kStep, sizeof(PS_EB) - at);
            if (std::memcmp(a + at, b + at, n) == 0)
                continue;
            for (std::size_t i = at; i < at + n; ++i)
                if (a[i] != b[i]) {
                    e.patch += static_cast<char>(i & 0xFF);
                    e.patch += static_cast<char>(i >> 8);
                    e.patch += static_cast<char>(b[i]);
                }
        }
    }

    const Context& ctx_;
    std::unordered_map<std::uint32_t, Entry> byDate_;
    std::unique_ptr<PS_EB> reference_;
};

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

enum class Format { Csv, Ndjson, Json, Terse };

struct BatchOptions {
    std::string input = "-", output = "-", date;
    char rateType = 'M';
    bool ratePrint = false;
    std::size_t chunk = 1000;
    unsigned threads = 0; // 0: two when the machine has two cores or more
    bool progress = false, noProgress = false;
    std::string delimiter = ",", header = "auto", comments = "skip", blankLines = "skip";
    std::string formatName = "csv";
    bool terse = false, json = false, fourDecimals = false, decimalComma = false, audit = false;
    // Column names or numbers ("" = the default).
    std::string amountCol, fromCol, toCol, dateCol, rateCol, unitCol, quotCol, rateToCol, unitToCol,
        quotToCol;

    // Derived once before the run.
    char delim = ',';
    Format format = Format::Csv;
    const RateFileDates* rates = nullptr; // rate-file dates of market rates (JSON formats)
};

// Where the columns of a row are: indexes from 0, -1 for none.
struct Columns {
    int amount = 0, from = 1, to = 2, date = 3;
    int rate = -1, unit = -1, quot = -1, rateTo = -1, unitTo = -1, quotTo = -1;
    std::vector<std::string> names; // the header's names, empty without a header

    bool role(int i) const {
        for (int c : {amount, from, to, date, rate, unit, quot, rateTo, unitTo, quotTo})
            if (c == i)
                return true;
        return false;
    }
    std::string name(int i) const {
        return static_cast<std::size_t>(i) < names.size() ? names[static_cast<std::size_t>(i)]
                                                          : "column" + std::to_string(i + 1);
    }
};

// Resolves the columns from the first record: a header when it names a column (any case).
Columns resolveColumns(const BatchOptions& o, const CsvRecord& first, bool& isHeader) {
    struct Want {
        const std::string& chosen;
        const char* fallbackName; // looked up in a header when chosen is ""
        int fallbackIndex;
        bool required;
        const char* option;
        int Columns::*slot;
    } wants[] = {
        {o.amountCol, "amount", 0, true, "--amount-column", &Columns::amount},
        {o.fromCol, "from", 1, true, "--from-column", &Columns::from},
        {o.toCol, "to", 2, true, "--to-column", &Columns::to},
        {o.dateCol, "date", 3, false, "--date-column", &Columns::date},
        {o.rateCol, nullptr, -1, false, "--rate-column", &Columns::rate},
        {o.unitCol, nullptr, -1, false, "--unit-column", &Columns::unit},
        {o.quotCol, nullptr, -1, false, "--quotation-column", &Columns::quot},
        {o.rateToCol, nullptr, -1, false, "--rate-to-column", &Columns::rateTo},
        {o.unitToCol, nullptr, -1, false, "--unit-to-column", &Columns::unitTo},
        {o.quotToCol, nullptr, -1, false, "--quotation-to-column", &Columns::quotTo},
    };
    auto isNumber = [](const std::string& s) {
        return !s.empty() &&
               std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    isHeader = o.header == "yes";
    if (o.header == "auto")
        for (std::string_view f : first.fields)
            for (const Want& w : wants) {
                const std::string_view name =
                    !w.chosen.empty() && !isNumber(w.chosen) ? std::string_view(w.chosen)
                    : w.chosen.empty() && w.fallbackName     ? std::string_view(w.fallbackName)
                                                             : std::string_view();
                if (!name.empty() && sameName(trimmed(f), name))
                    isHeader = true;
            }
    Columns c;
    if (isHeader)
        for (std::string_view f : first.fields)
            c.names.emplace_back(f);
    for (const Want& w : wants) {
        int index = -1;
        if (w.chosen == "none" || w.chosen == "0") {
            if (w.required)
                throw UsageError(msg(Msg::ColumnNumber, {w.option}));
        } else if (isNumber(w.chosen)) {
            index = std::stoi(w.chosen.size() > 6 ? std::string("999999") : w.chosen) - 1;
        } else if (!w.chosen.empty() || (isHeader && w.fallbackName)) {
            const std::string_view name =
                w.chosen.empty() ? std::string_view(w.fallbackName) : std::string_view(w.chosen);
            for (std::size_t i = 0; i < c.names.size() && index < 0; ++i)
                if (sameName(trimmed(c.names[i]), name))
                    index = static_cast<int>(i);
            if (index < 0 && (w.required || !w.chosen.empty()))
                throw UsageError(msg(Msg::ColumnUnknown, {w.option, std::string(name)}));
        } else {
            index = w.fallbackIndex;
        }
        c.*w.slot = index;
    }
    return c;
}

// Turns records into the rows of a chunk and looks up their control data (one thread).
class Reader {
  public:
    Reader(const Context& ctx, const BatchOptions& o, std::string defaultDate)
        : cache_(ctx), o_(o), defaultDate_(std::move(defaultDate)) {}

    void setColumns(Columns c) { cols_ = std::move(c); }
    const Columns& columns() const { return cols_; }

    void addKept(Chunk& chunk, const CsvRecord& rec) {
        Row& row = chunk.rows.emplace_back();
        row.line = rec.line;
        row.kept = true;
        row.first = static_cast<std::uint32_t>(chunk.fields.size());
        row.count = 1;
        chunk.fields.push_back(chunk.add(rec.raw));
    }

    void add(Chunk& chunk, std::uint64_t serial, const CsvRecord& rec) {
        Row& row = chunk.rows.emplace_back();
        row.line = rec.line;
        row.first = static_cast<std::uint32_t>(chunk.fields.size());
        row.count = static_cast<std::uint32_t>(rec.fields.size());
        for (std::string_view f : rec.fields)
            chunk.fields.push_back(chunk.add(f));
        // Views into the record: the chunk's text may move while fields are added.
        auto field = [&](int i) {
            return i < 0 || static_cast<std::size_t>(i) >= rec.fields.size()
                       ? std::string_view()
                       : trimmed(rec.fields[static_cast<std::size_t>(i)]);
        };
        const std::string_view dateText = field(cols_.date);
        row.date = dateText.empty() ? chunk.add(defaultDate_) : chunk.add(dateText);
        if (!rec.error.empty()) {
            row.error = rec.error;
            return;
        }
        for (int c : {cols_.amount, cols_.from, cols_.to})
            if (c >= 0 && static_cast<std::uint32_t>(c) >= row.count) {
                row.error = msg(Msg::ColumnsMissing, {cols_.name(c)});
                return;
            }
        const std::string_view amount = field(cols_.amount);
        const bool ok = o_.fourDecimals
                            ? amountToField(amount, o_.decimalComma ? ',' : '.', 11, 4, row.amount)
                            : amountToField(amount, o_.decimalComma ? ',' : '.', 13, 2, row.amount);
        if (!ok) {
            row.error = msg(o_.fourDecimals ? Msg::Amount4Invalid : Msg::AmountInvalid,
                            {std::string(amount)});
            return;
        }
        const std::string_view from = field(cols_.from);
        const std::string_view to = field(cols_.to);
        if (from.size() != 3 || to.size() != 3) {
            row.error = msg(Msg::CurrencyLetters);
            return;
        }
        row.from.assign(from);
        row.to.assign(to);
        auto d = parseDate(dateText.empty() ? std::string_view(defaultDate_) : dateText);
        if (!d) {
            row.error = msg(Msg::RowDateInvalid, {dateText});
            return;
        }
        if (!givenRate(row, field(cols_.rate), field(cols_.unit), field(cols_.quot), row.rate) ||
            !givenRate(row, field(cols_.rateTo), field(cols_.unitTo), field(cols_.quotTo),
                       row.rateTo))
            return;
        std::memcpy(row.date8, d->data(), 8);
        row.valid = true;
        row.group = cache_.groupOf(chunk, serial, row.date8);
    }

    const PS_EB* reference() const { return cache_.reference(); }

  private:
    static bool givenRate(Row& row, std::string_view rate, std::string_view unit,
                          std::string_view quot, RowRate& out) {
        if (rate.empty())
            return true;
        auto f = decimalToField(rate, 4, 7);
        if (!f) {
            row.error = msg(Msg::RowRateInvalid, {rate});
            return false;
        }
        out.present = true;
        out.rate.dez4p7 = *f;
        if (!unit.empty()) {
            if (unit != "1" && unit != "100" && unit != "1000") {
                row.error = msg(Msg::RowUnitInvalid, {unit});
                return false;
            }
            out.rate.unit = unit == "1" ? 1 : unit == "100" ? 100 : 1000;
        }
        if (!quot.empty()) {
            if (quot != "M" && quot != "P" && quot != "m" && quot != "p") {
                row.error = msg(Msg::RowQuotationInvalid, {quot});
                return false;
            }
            out.rate.quotation =
                static_cast<char>(std::toupper(static_cast<unsigned char>(quot[0])));
        }
        return true;
    }

    ControlDataCache cache_;
    const BatchOptions& o_;
    std::string defaultDate_;
    Columns cols_;
};

std::string usedRateJson(const UsedRate& u, std::string_view currency, std::string_view date,
                         const RateFileDates* rates) {
    const int unit = u.exponent == '2' ? 100 : u.exponent == '3' ? 1000 : 1;
    const char* source = u.fixed == 'J' ? "fixed" : u.given ? "given" : "market";
    std::string recordDate, fileDate;
    if (u.fixed != 'J' && !u.given && rates != nullptr) {
        recordDate = rates->recordDate(currency, date);
        fileDate = rates->fileDate();
    }
    return JsonObject()
        .str("currency", currency)
        .str("rate", fieldToDecimal(u.rate, 4, 7))
        .num("unit", unit)
        .str("effective_rate", effectiveRate(std::string_view(u.rate, 12), unit))
        .str("quotation", std::string(1, u.quotation))
        .boolean("fixed", u.fixed == 'J')
        .str("source", source)
        .strOrNull("rate_date", isoDate(recordDate))
        .strOrNull("file_date", isoDate(fileDate))
        .done();
}

// Converts chunks: per date U5 (U7 for the pairs without the base currency), A5 with four
// decimals, U6/U8 for rows with given rates; then writes the output rows. One per thread:
// the kernel's work cells are per thread.
class Converter {
  public:
    Converter(const BatchOptions& o, const Columns& cols) : o_(o), cols_(cols) {}

    void run(Chunk& c) {
        try {
            convert(c);
            format(c);
        } catch (...) {
            c.error = std::current_exception();
        }
    }

  private:
    void request(const Row& row) {
        q_.amount.assign(row.amount, o_.fourDecimals ? 16 : 16);
        q_.from = row.from;
        q_.to = row.to;
        q_.bookingDate.assign(row.date8, 8);
        q_.rateType = o_.rateType;
        q_.ratePrint = o_.ratePrint ? 'J' : 'N';
        q_.rateFrom.reset();
        q_.rateTo.reset();
        if (row.rate.present)
            q_.rateFrom = row.rate.rate;
        if (row.rateTo.present)
            q_.rateTo = row.rateTo.rate;
    }

    void patch(const Chunk& c, const Group& g, bool apply) {
        auto* eb = reinterpret_cast<unsigned char*>(&eb_);
        const auto* ref = reinterpret_cast<const unsigned char*>(c.reference);
        std::string_view p = std::string_view(c.patches).substr(g.patch.off, g.patch.len);
        for (std::size_t i = 0; i + 2 < p.size(); i += 3) {
            const std::size_t at = static_cast<unsigned char>(p[i]) |
                                   static_cast<std::size_t>(static_cast<unsigned char>(p[i + 1]))
                                       << 8;
            eb[at] = apply ? static_cast<unsigned char>(p[i + 2]) : ref[at];
        }
    }

    static void used(UsedRate& u, const char* rate, char fixed, char quotation, char exponent,
                     bool given) {
        std::memcpy(u.rate, rate, 12);
        u.fixed = fixed;
        u.quotation = quotation;
        u.exponent = exponent;
        u.given = given && fixed != 'J';
    }

    void convertGroup(Chunk& c, const Group& grp, const std::uint32_t* idx, std::size_t n) {
        const std::string base = baseCurrency(eb_);
        plain_.clear();
        given1_.clear();
        given2_.clear();
        for (std::size_t k = 0; k < n; ++k) {
            const Row& r = c.rows[idx[k]];
            if (!o_.fourDecimals && (r.rate.present || r.rateTo.present))
                (r.from == base || r.to == base ? given1_ : given2_).push_back(idx[k]);
            else
                plain_.push_back(idx[k]);
        }
        int32_t aux = grp.aux;
        if (o_.fourDecimals) {
            a5_.resize(plain_.size());
            for (std::size_t k = 0; k < plain_.size(); ++k) {
                request(c.rows[plain_[k]]);
                fillA1(a5_[k].SB, q_);
            }
            A5_UmrFwaehrBwaehr(static_cast<int32_t>(plain_.size()), a5_.data(), &eb_, &aux);
            for (std::size_t k = 0; k < plain_.size(); ++k) {
                Row& row = c.rows[plain_[k]];
                const A1_SB& sb = a5_[k].SB;
                take(row, a5_[k].RESULT, sb);
                if (conversionOk(row.rc)) {
                    row.result4 = fieldToDecimal(sb.AMOUNT_A_11_4, 11, 4);
                    used(row.used[0], sb.RATE_USED, sb.FIXED_RATE_FLAG, sb.QUOTATION_USED,
                         sb.UNIT_EXPONENT, false);
                }
            }
            return;
        }
        u5_.resize(plain_.size());
        for (std::size_t k = 0; k < plain_.size(); ++k) {
            request(c.rows[plain_[k]]);
            fillU1(u5_[k].SB, q_);
        }
        U5_UmrFwaehrBwaehr(static_cast<int32_t>(plain_.size()), u5_.data(), &eb_, &aux);
        again_.clear();
        for (std::size_t k = 0; k < plain_.size(); ++k) {
            const U5_ELEM& e = u5_[k];
            if (e.RESULT == tarvo::rc::kIsoCombination) {
                again_.push_back(plain_[k]);
                continue;
            }
            Row& row = c.rows[plain_[k]];
            take(row, e.RESULT, e.SB);
            used(row.used[0], e.SB.RATE_USED, e.SB.FIXED_RATE_FLAG, e.SB.QUOTATION_USED,
                 e.SB.UNIT_EXPONENT, false);
        }
        if (!again_.empty()) {
            u7_.resize(again_.size());
            for (std::size_t k = 0; k < again_.size(); ++k) {
                request(c.rows[again_[k]]);
                fillU3(u7_[k].SB, q_);
            }
            aux = grp.aux;
            U7_UmrFwaehrBwaehrFwaehr(static_cast<int32_t>(again_.size()), u7_.data(), &eb_, &aux);
            for (std::size_t k = 0; k < again_.size(); ++k) {
                Row& row = c.rows[again_[k]];
                const U3_SB& sb = u7_[k].SB;
                take(row, u7_[k].RESULT, sb);
                row.twoLegs = true;
                used(row.used[0], sb.RATE_USED_E, sb.FIXED_RATE_FLAG_E, sb.QUOTATION_USED_E,
                     sb.UNIT_EXPONENT_E, false);
                used(row.used[1], sb.RATE_USED_A, sb.FIXED_RATE_FLAG_A, sb.QUOTATION_USED_A,
                     sb.UNIT_EXPONENT_A, false);
            }
        }
        if (!given1_.empty()) {
            u6_.resize(given1_.size());
            for (std::size_t k = 0; k < given1_.size(); ++k) {
                const Row& row = c.rows[given1_[k]];
                request(row);
                const RowRate& r = row.rate.present ? row.rate : row.rateTo;
                fillU2(u6_[k].SB, q_, &r.rate);
            }
            aux = grp.aux;
            U6_UmrFwaehrBwaehrKv(static_cast<int32_t>(given1_.size()), u6_.data(), &eb_, &aux);
            for (std::size_t k = 0; k < given1_.size(); ++k) {
                Row& row = c.rows[given1_[k]];
                const U2_SB& sb = u6_[k].SB;
                take(row, u6_[k].RESULT, sb);
                used(row.used[0], sb.RATE_USED,
                     u6_[k].RESULT == tarvo::rc::kRateIgnored ? 'J' : 'N', sb.QUOTATION_USED,
                     sb.UNIT_EXPONENT, true);
            }
        }
        if (!given2_.empty()) {
            u8_.resize(given2_.size());
            for (std::size_t k = 0; k < given2_.size(); ++k) {
                request(c.rows[given2_[k]]);
                fillU4(u8_[k].SB, q_);
            }
            aux = grp.aux;
            U8_UmrFwaehrBwaehrFwaehrKv(static_cast<int32_t>(given2_.size()), u8_.data(), &eb_,
                                       &aux);
            for (std::size_t k = 0; k < given2_.size(); ++k) {
                Row& row = c.rows[given2_[k]];
                const U4_SB& sb = u8_[k].SB;
                take(row, u8_[k].RESULT, sb);
                row.twoLegs = true;
                used(row.used[0], sb.RATE_USED_E, sb.FIXED_RATE_FLAG_E, sb.QUOTATION_USED_E,
                     sb.UNIT_EXPONENT_E, true);
                used(row.used[1], sb.RATE_USED_A, sb.FIXED_RATE_FLAG_A, sb.QUOTATION_USED_A,
                     sb.UNIT_EXPONENT_A, true);
            }
        }
    }

    void convert(Chunk& c) {
        // The valid rows by group, in input order within each group.
        start_.assign(c.groups.size() + 1, 0);
        for (const Row& r : c.rows)
            if (r.valid)
                ++start_[r.group + 1];
        for (std::size_t g = 0; g < c.groups.size(); ++g)
            start_[g + 1] += start_[g];
        order_.resize(start_.back());
        fill_.assign(start_.begin(), start_.end() - 1);
        for (std::size_t i = 0; i < c.rows.size(); ++i)
            if (c.rows[i].valid)
                order_[fill_[c.rows[i].group]++] = static_cast<std::uint32_t>(i);

        for (std::size_t g = 0; g < c.groups.size(); ++g) {
            const Group& grp = c.groups[g];
            const std::uint32_t* idx = order_.data() + start_[g];
            const std::size_t n = start_[g + 1] - start_[g];
            if (!controlDataLoaded(grp.rc)) {
                for (std::size_t k = 0; k < n; ++k) {
                    Row& r = c.rows[idx[k]];
                    r.rc = grp.rc;
                    r.error = msg(Msg::ControlDataFailed, {returnText(grp.rc)});
                }
                continue;
            }
            if (!ebReady_) {
                eb_ = *c.reference;
                ebReady_ = true;
            }
            patch(c, grp, true);
            convertGroup(c, grp, idx, n);
            patch(c, grp, false);
        }
    }

    template <class SB> static void take(Row& row, int32_t rc, const SB& sb) {
        row.rc = rc;
        if (conversionOk(rc))
            row.result = resultAmount(sb.DEC_INDICATOR, sb.AMOUNT_A_13_2, sb.AMOUNT_A_15_0);
    }

    const std::string& text(int32_t rc) {
        auto it = texts_.find(rc);
        if (it == texts_.end())
            it = texts_.emplace(rc, returnText(rc)).first;
        return it->second;
    }

    std::string_view shownDate(const Chunk& c, const Row& r) const {
        return r.valid ? std::string_view(r.date8, 8) : c.view(r.date);
    }

    void formatCsv(const Chunk& c, const Row& r, bool ok, std::string& out) {
        const char d = o_.delim;
        if (r.kept) {
            out.append(c.field(r, 0));
            out += '\n';
            return;
        }
        appendNumber(out, r.line);
        out += d;
        appendCsvField(out, c.field(r, cols_.amount), d);
        out += d;
        appendCsvField(out, c.field(r, cols_.from), d);
        out += d;
        appendCsvField(out, c.field(r, cols_.to), d);
        out += d;
        appendCsvField(out, shownDate(c, r), d);
        out += d;
        out += r.result;
        out += d;
        if (!r.error.empty() && r.rc == 0)
            out += "input";
        else
            appendNumber(out, r.rc);
        out += d;
        if (!r.error.empty())
            appendCsvField(out, r.error, d);
        else if (r.rc != 0)
            appendCsvField(out, text(r.rc), d);
        if (o_.fourDecimals) {
            out += d;
            out += ok ? std::string_view(r.result4) : std::string_view();
        }
        if (o_.audit)
            auditCells(r, ok, out);
        for (std::uint32_t i = 0; i < r.count; ++i) {
            if (cols_.role(static_cast<int>(i)))
                continue;
            out += d;
            appendCsvField(out, c.view(c.fields[r.first + i]), d);
        }
        out += '\n';
    }

    // The rate columns of --audit: per leg the rate for one unit, the stored rate, its unit,
    // quotation, source and for a market rate the record's date; then the file's date.
    void auditCells(const Row& r, bool ok, std::string& out) {
        const char d = o_.delim;
        bool market = false;
        for (int leg = 0; leg < 2; ++leg) {
            const bool shown = ok && (leg == 0 || r.twoLegs);
            const UsedRate& u = r.used[leg];
            if (!shown) {
                out.append(6, d);
                continue;
            }
            const int unit = u.exponent == '2' ? 100 : u.exponent == '3' ? 1000 : 1;
            const bool isMarket = u.fixed != 'J' && !u.given;
            std::string currency = leg == 1 ? r.to : r.from;
            if (!r.twoLegs && r.from == baseCurrency(eb_))
                currency = r.to;
            out += d;
            out += effectiveRate(std::string_view(u.rate, 12), unit);
            out += d;
            out += fieldToDecimal(u.rate, 4, 7);
            out += d;
            appendNumber(out, unit);
            out += d;
            out += u.quotation;
            out += d;
            out += u.fixed == 'J' ? "fixed" : u.given ? "given" : "market";
            out += d;
            if (isMarket && o_.rates != nullptr)
                out += isoDate(o_.rates->recordDate(currency, std::string_view(r.date8, 8)));
            market = market || isMarket;
        }
        out += d;
        if (market && o_.rates != nullptr)
            out += isoDate(o_.rates->fileDate());
    }

    std::string rowJson(const Chunk& c, const Row& r, bool ok) {
        JsonObject j;
        j.num("line", static_cast<long long>(r.line))
            .str("amount", c.field(r, cols_.amount))
            .str("from", c.field(r, cols_.from))
            .str("to", c.field(r, cols_.to))
            .str("date", shownDate(c, r));
        if (ok)
            j.str("result", r.result);
        else
            j.raw("result", "null");
        if (!r.error.empty() && r.rc == 0)
            j.raw("code", "null");
        else
            j.num("code", r.rc);
        j.str("message", !r.error.empty() ? r.error : r.rc != 0 ? text(r.rc) : std::string());
        if (o_.fourDecimals)
            j.strOrNull("result_4", ok ? r.result4 : std::string());
        if (ok) {
            const std::string_view date(r.date8, 8);
            const std::string base = r.twoLegs ? "" : (r.from.size() == 3 ? baseCurrency(eb_) : "");
            if (r.twoLegs) {
                j.raw("rate_from", usedRateJson(r.used[0], r.from, date, o_.rates));
                j.raw("rate_to", usedRateJson(r.used[1], r.to, date, o_.rates));
            } else {
                j.raw("rate",
                      usedRateJson(r.used[0], r.from == base ? r.to : r.from, date, o_.rates));
            }
        }
        std::string cols;
        for (std::uint32_t i = 0; i < r.count; ++i) {
            if (cols_.role(static_cast<int>(i)))
                continue;
            cols += (cols.empty() ? "" : ", ") + jsonString(cols_.name(static_cast<int>(i))) +
                    ": " + jsonString(c.view(c.fields[r.first + i]));
        }
        j.raw("columns", "{" + cols + "}");
        return j.done();
    }

    void format(Chunk& c) {
        std::string& out = c.out;
        out.reserve(c.rows.size() * 64);
        for (const Row& r : c.rows) {
            const bool ok = !r.kept && r.error.empty() && conversionOk(r.rc);
            if (!r.kept)
                ok ? ++c.converted : ++c.failed;
            switch (o_.format) {
            case Format::Csv:
                formatCsv(c, r, ok, out);
                break;
            case Format::Terse:
                if (!r.kept) {
                    out += ok ? (o_.fourDecimals ? r.result4 : r.result) : std::string();
                    out += '\n';
                }
                break;
            case Format::Ndjson:
                if (!r.kept)
                    out += rowJson(c, r, ok) + "\n";
                break;
            case Format::Json:
                if (!r.kept)
                    out += rowJson(c, r, ok) + ",\n";
                break;
            }
        }
    }

    const BatchOptions& o_;
    const Columns& cols_;
    PS_EB eb_{}; // the reference block, patched for one group at a time

    bool ebReady_ = false;
    ConvertRequest q_;
    std::vector<U5_ELEM> u5_;
    std::vector<U6_ELEM> u6_;
    std::vector<U7_ELEM> u7_;
    std::vector<U8_ELEM> u8_;
    std::vector<A5_ELEM> a5_;
    std::vector<std::uint32_t> order_, again_, plain_, given1_, given2_;
    std::vector<std::size_t> start_, fill_;
    std::map<int32_t, std::string> texts_;
};

// Worker threads that convert chunks while the main thread reads and writes.
class Workers {
  public:
    Workers(unsigned count, const BatchOptions& o, const Columns& cols) {
        try {
            for (unsigned i = 0; i < count; ++i)
                threads_.emplace_back([this, &o, &cols] {
                    Converter conv(o, cols);
                    while (Chunk* c = next())
                        finished(*c, conv);
                });
        } catch (...) {
            stop();
            throw;
        }
    }
    ~Workers() { stop(); }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    void submit(Chunk& c) {
        {
            std::lock_guard<std::mutex> lock(m_);
            todo_.push_back(&c);
        }
        work_.notify_one();
    }
    void wait(Chunk& c) {
        std::unique_lock<std::mutex> lock(m_);
        done_.wait(lock, [&] { return c.done; });
    }

  private:
    void stop() {
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        work_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }

    Chunk* next() {
        std::unique_lock<std::mutex> lock(m_);
        work_.wait(lock, [&] { return stop_ || !todo_.empty(); });
        if (todo_.empty())
            return nullptr;
        Chunk* c = todo_.front();
        todo_.pop_front();
        return c;
    }
    void finished(Chunk& c, Converter& conv) {
        conv.run(c);
        {
            std::lock_guard<std::mutex> lock(m_);
            c.done = true;
        }
        done_.notify_all();
    }

    std::mutex m_;
    std::condition_variable work_, done_;
    std::deque<Chunk*> todo_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

std::string outputHeader(const BatchOptions& o, const Columns& cols, const CsvRecord& first) {
    std::string h;
    const char d = o.delim;
    for (const char* name : {"line", "amount", "from", "to", "date", "result", "code", "message"}) {
        if (!h.empty())
            h += d;
        h += name;
    }
    if (o.fourDecimals) {
        h += d;
        h += "result_4";
    }
    if (o.audit)
        for (const char* name : {"rate", "stored_rate", "unit", "quotation", "rate_source",
                                 "rate_date", "rate_to", "stored_rate_to", "unit_to",
                                 "quotation_to", "rate_source_to", "rate_date_to", "file_date"}) {
            h += d;
            h += name;
        }
    for (std::size_t i = 0; i < first.fields.size(); ++i)
        if (!cols.role(static_cast<int>(i))) {
            h += d;
            appendCsvField(h, cols.name(static_cast<int>(i)), d);
        }
    return h + "\n";
}

int runBatch(BatchOptions& o, const Context& ctx) {
    if (o.chunk == 0 || o.chunk > 100000)
        throw UsageError(msg(Msg::ChunkRange));
    if (o.threads > 64)
        throw UsageError(msg(Msg::ThreadsRange));
    if (o.delimiter == "," || o.delimiter == ";")
        o.delim = o.delimiter[0];
    else if (o.delimiter == "tab" || o.delimiter == "\t" || o.delimiter == "\\t")
        o.delim = '\t';
    else
        throw UsageError(msg(Msg::DelimiterInvalid));
    o.format = o.terse                            ? Format::Terse
               : o.json || o.formatName == "json" ? Format::Json
               : o.formatName == "ndjson"         ? Format::Ndjson
                                                  : Format::Csv;
    std::string defaultDate = o.date.empty() ? today() : dateArg(o.date, "--date");

    int fd = 0;
    std::uintmax_t total = 0;
    struct Closer {
        int fd;
        ~Closer() {
            if (fd > 0)
                ::close(fd);
        }
    } closer{-1};
    if (o.input != "-") {
        fd = ::open(o.input.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            throw FileError(msg(Msg::CannotOpen, {o.input}));
        closer.fd = fd;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        total = static_cast<std::uintmax_t>(st.st_size);
    // The output goes to a temporary file renamed at the end, so a failed run leaves no
    // half-written result behind.
    std::optional<AtomicOutputFile> outFile;
    if (o.output != "-")
        outFile.emplace(o.output);
    bool stdoutFailed = false;
    auto emit = [&](std::string_view bytes) {
        if (outFile) {
            outFile->write(bytes);
            return;
        }
        if (!stdoutFailed && !writeStandardOutput(bytes))
            stdoutFailed = true;
    };
    std::optional<RateFileDates> rateDates;
    if (o.format == Format::Json || o.format == Format::Ndjson ||
        (o.audit && o.format == Format::Csv)) {
        rateDates.emplace(kernelRateFile());
        o.rates = &*rateDates;
    }

    bool large = total == 0 || total > (1u << 20);
    Progress progress(o.progress || (!o.noProgress && large && ::isatty(2)), total);
    Reader reader(ctx, o, defaultDate);
    unsigned threads =
        o.threads != 0 ? o.threads : (std::thread::hardware_concurrency() >= 2 ? 2u : 1u);

    std::size_t failed = 0, converted = 0;
    std::uintmax_t bytes = 0;
    std::string buffer;
    buffer.reserve(1 << 16);
    if (o.format == Format::Json)
        buffer += "{\"command\": \"batch\", \"rows\": [\n";
    bool firstJsonRow = true;
    auto write = [&](Chunk& c) {
        if (c.error)
            std::rethrow_exception(c.error);
        converted += c.converted;
        failed += c.failed;
        if (o.format == Format::Json && !c.out.empty()) {
            // Rows end in ",\n"; the separator goes before every row but the first.
            if (!firstJsonRow)
                buffer += ",\n";
            firstJsonRow = false;
            c.out.resize(c.out.size() - 2);
        }
        buffer += c.out;
        if (buffer.size() > 60000) {
            emit(buffer);
            buffer.clear();
        }
        progress.update(c.endLine, c.endBytes);
    };

    // Chunks in input order; the workers (declared after them, so stopped first) convert
    // them while this thread reads ahead and writes the finished ones in order.
    std::deque<std::unique_ptr<Chunk>> inflight;
    std::vector<std::unique_ptr<Chunk>> spare;
    std::optional<Converter> inline_;
    std::optional<Workers> workers;
    const std::size_t maxInflight = threads + 2;
    auto finishHead = [&] {
        Chunk& c = *inflight.front();
        if (workers)
            workers->wait(c);
        write(c);
        c.clear();
        spare.push_back(std::move(inflight.front()));
        inflight.pop_front();
    };
    std::uint64_t serial = 0;
    auto newChunk = [&] {
        std::unique_ptr<Chunk> c;
        if (!spare.empty()) {
            c = std::move(spare.back());
            spare.pop_back();
        } else {
            c = std::make_unique<Chunk>();
        }
        ++serial;
        return c;
    };
    std::size_t lineNo = 0;
    auto dispatch = [&](std::unique_ptr<Chunk> c) {
        c->endLine = lineNo;
        c->endBytes = bytes;
        c->reference = reader.reference();
        Chunk& ref = *c;
        inflight.push_back(std::move(c));
        if (workers) {
            workers->submit(ref);
        } else {
            inline_->run(ref);
            ref.done = true;
        }
        while (inflight.size() >= maxInflight || (!workers && !inflight.empty()))
            finishHead();
    };

    std::unique_ptr<Chunk> chunk = newChunk();
    bool started = false; // columns resolved, converters running
    const bool keepComments = o.comments == "keep" && o.format == Format::Csv;
    const bool keepBlank = o.blankLines == "keep" && o.format == Format::Csv;
    std::vector<CsvRecord> early; // kept lines before the first record
    auto start = [&](const CsvRecord* first) {
        started = true;
        CsvRecord none;
        bool isHeader = false;
        reader.setColumns(resolveColumns(o, first ? *first : none, isHeader));
        if (o.format == Format::Csv)
            buffer += outputHeader(o, reader.columns(), first ? *first : none);
        if (threads > 1)
            workers.emplace(threads, o, reader.columns());
        else
            inline_.emplace(o, reader.columns());
        return isHeader;
    };
    CsvReader csv(o.delim, [&](const CsvRecord& rec) {
        lineNo = rec.line;
        if (rec.kind != CsvRecord::Kind::Data) {
            if ((rec.kind == CsvRecord::Kind::Comment && keepComments) ||
                (rec.kind == CsvRecord::Kind::Blank && keepBlank)) {
                if (!started) {
                    early.push_back(rec);
                    early.back().raw = {};
                    early.back().fields.clear();
                    early.back().error.assign(rec.raw); // the raw text, kept until the start
                    return;
                }
                reader.addKept(*chunk, rec);
            } else {
                return;
            }
        } else {
            if (!started) {
                const bool header = start(&rec);
                for (CsvRecord& e : early) {
                    e.raw = e.error;
                    reader.addKept(*chunk, e);
                }
                early.clear();
                if (header)
                    return;
            }
            reader.add(*chunk, serial, rec);
        }
        if (chunk->rows.size() >= o.chunk) {
            dispatch(std::move(chunk));
            chunk = newChunk();
        }
    });
    std::vector<char> block(1 << 18);
    bool readFailed = false;
    try {
        while (true) {
            const ssize_t n = ::read(fd, block.data(), block.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                readFailed = true;
                break;
            }
            if (n == 0)
                break;
            bytes += static_cast<std::uintmax_t>(n);
            csv.feed(std::string_view(block.data(), static_cast<std::size_t>(n)));
        }
        if (!readFailed)
            csv.finish();
        if (!started)
            start(nullptr);
        for (CsvRecord& e : early) {
            e.raw = e.error;
            reader.addKept(*chunk, e);
        }
        early.clear();
        lineNo = csv.lines();
        dispatch(std::move(chunk));
    } catch (...) {
        // What was read before the failure is written as it would have been.
        if (started) {
            while (!inflight.empty())
                finishHead();
        }
        throw;
    }
    while (!inflight.empty())
        finishHead();
    if (o.format == Format::Json)
        buffer += JsonObject()
                      .num("converted", static_cast<long long>(converted))
                      .num("failed", static_cast<long long>(failed))
                      .done()
                      .replace(0, 1, "\n], ");
    if (o.format == Format::Json)
        buffer += "\n";
    emit(buffer);
    progress.update(csv.lines(), bytes, true);
    if (readFailed)
        throw FileError(msg(Msg::CannotRead, {o.input}));
    if (outFile) {
        outFile->commit();
    } else if (stdoutFailed) {
        return 1; // main reports the failed write
    }
    if (failed > 0) {
        complain(msg(Msg::BatchSummary, {std::to_string(converted), std::to_string(failed)}));
        return 1;
    }
    return 0;
}

} // namespace

void addBatchCommand(CLI::App& app, Context& ctx) {
    auto o = std::make_shared<BatchOptions>();
    CLI::App* cmd = app.add_subcommand(
        "batch", "Convert CSV rows (amount, from, to[, date], further columns passed through) in "
                 "batches into CSV \"line,amount,from,to,date,result,code,message,...\", NDJSON "
                 "or JSON");
    cmd->add_option("INPUT", o->input, "Input file, - for standard input (default)");
    cmd->add_option("-o,--output", o->output,
                    "Output file, - for standard output (default); written atomically");
    cmd->add_option("--date", o->date, "Date of rows without one (default: today)");
    cmd->add_option("--rate-type", o->rateType, "Rate type G, M, B, S, X or Y (default M)")
        ->check(CLI::IsMember({'G', 'M', 'B', 'S', 'X', 'Y'}));
    cmd->add_flag("--rate-print", o->ratePrint, "Demand rates marked for printing");
    cmd->add_option("--delimiter", o->delimiter, "Field delimiter: , ; or tab (default ,)");
    cmd->add_option("--header", o->header,
                    "auto: the first row is a header when it names a column (any case); yes; no")
        ->check(CLI::IsMember({"auto", "yes", "no"}));
    cmd->add_option("--comments", o->comments, "Lines starting with #: skip (default) or keep")
        ->check(CLI::IsMember({"skip", "keep"}));
    cmd->add_option("--blank-lines", o->blankLines, "Blank lines: skip (default) or keep")
        ->check(CLI::IsMember({"skip", "keep"}));
    cmd->add_flag("--decimal-comma", o->decimalComma,
                  "Amounts are written 1.000,50 (default 1,000.50 or 1000.50)");
    const char* col = " column: name (with a header) or number from 1";
    cmd->add_option("--amount-column", o->amountCol,
                    std::string("Amount") + col + " (default amount, 1)");
    cmd->add_option("--from-column", o->fromCol,
                    std::string("From-currency") + col + " (default from, 2)");
    cmd->add_option("--to-column", o->toCol, std::string("To-currency") + col + " (default to, 3)");
    cmd->add_option("--date-column", o->dateCol,
                    std::string("Date") + col + ", or none (default date, 4)");
    cmd->add_option("--rate-column", o->rateCol,
                    std::string("Given rate") + col +
                        ": the rate of the currency that is not the base, or of FROM (U6/U8)");
    cmd->add_option("--unit-column", o->unitCol, std::string("Unit of the given rate") + col);
    cmd->add_option("--quotation-column", o->quotCol,
                    std::string("Quotation (M or P) of the given rate") + col);
    cmd->add_option("--rate-to-column", o->rateToCol,
                    std::string("Given rate of TO for pairs without the base currency") + col);
    cmd->add_option("--unit-to-column", o->unitToCol, std::string("Unit of that rate") + col);
    cmd->add_option("--quotation-to-column", o->quotToCol,
                    std::string("Quotation of that rate") + col);
    cmd->add_flag("--four-decimals", o->fourDecimals,
                  "Amounts with up to 4 decimals, results also rounded to four (A5)");
    auto* format = cmd->add_option("--format", o->formatName,
                                   "Output: csv (default), ndjson (one JSON object per row) or "
                                   "json (one document)")
                       ->check(CLI::IsMember({"csv", "ndjson", "json"}));
    auto* json = cmd->add_flag("--json", o->json, "The same as --format json")->excludes(format);
    cmd->add_flag("-q,--terse", o->terse, "Print only the result of each row, one per line")
        ->excludes(format)
        ->excludes(json);
    cmd->add_flag("--audit", o->audit,
                  "CSV: add the rates used (rate, stored rate, unit, quotation, source, rate-file "
                  "record date, per leg) and the rate file's version date");
    cmd->add_option("--chunk", o->chunk, "Rows per kernel batch (default 1000)");
    cmd->add_option("--threads", o->threads,
                    "Conversion threads (default: 2 on a machine with two cores or more)");
    cmd->add_flag("--progress", o->progress, "Always show the progress bar on standard error");
    cmd->add_flag("--no-progress", o->noProgress, "Never show the progress bar");
    addDataOptions(*cmd, ctx);
    cmd->callback([o, &ctx] { ctx.run = [o, &ctx] { return runBatch(*o, ctx); }; });
}

} // namespace tarvo::tool
