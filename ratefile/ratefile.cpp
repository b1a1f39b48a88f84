// SPDX-License-Identifier: Apache-2.0
// Rate records: encoding, decoding, checks, ordering, the atomic writer and the reader.
#include "ratefile.h"
#include "durable_replace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <cstdint>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <numeric>
#include <unordered_map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo::ratefile {

namespace {

constexpr std::string_view kZeroRate = "+00000000000";
constexpr std::string_view kNoDate = "00000000";

// Field start and width in record order; the two bytes before every field but the first
// hold the separator ';' and a quote, so the calculator can count fields.
struct Slot {
    std::size_t pos;
    std::size_t len;
};

const std::vector<Slot>& slots() {
    static const std::vector<Slot> all = [] {
        std::vector<Slot> s{{offset::iso, 3},    {offset::number, 3},   {offset::rateDate, 8},
                            {offset::extra3, 3}, {offset::blocked, 1},  {offset::extra1, 1},
                            {offset::unit, 4},   {offset::decimals, 1}, {offset::ratePrint, 1}};
        for (std::size_t i = 0; i < 8; ++i)
            s.push_back({offset::rate1 + i * offset::rateStep, 12});
        for (std::size_t i = 0; i < 5; ++i)
            s.push_back({offset::date1 + i * offset::dateStep, 8});
        s.push_back({offset::quotation, 1});
        return s;
    }();
    return all;
}

std::string makeBlankRecord() {
    std::string r(kRecordSize, ' ');
    bool first = true;
    for (const Slot& s : slots()) {
        if (!first) {
            r[s.pos - 2] = ';';
            r[s.pos - 1] = '"';
        }
        first = false;
    }
    r[offset::lineEnd] = '\r';
    r[offset::lineEnd + 1] = '\n';
    return r;
}

const std::string& blankRecord() {
    static const std::string blank = makeBlankRecord();
    return blank;
}

bool allDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool validDez4p7(std::string_view s) {
    return s.size() == 12 && (s[0] == '+' || s[0] == '-') && allDigits(s.substr(1));
}

bool isZeroDez(std::string_view s) {
    return std::all_of(s.begin() + 1, s.end(), [](char c) { return c == '0'; });
}

void put(char* rec, std::size_t pos, std::size_t len, std::string_view value, const char* what) {
    if (value.size() != len)
        throw Error(std::string(what) + " \"" + std::string(value) + "\" must have " +
                    std::to_string(len) + " characters");
    std::memcpy(rec + pos, value.data(), len);
}

std::string where(const RateRecord& r) {
    return r.iso + " " + r.rateDate + ": ";
}

} // namespace

// ---- exact rate texts -------------------------------------------------------------------

StoredRate storeRate(std::string_view text) {
    auto bad = [&](const std::string& why) {
        return Error("rate \"" + std::string(text) + "\" " + why);
    };
    std::size_t dot = text.find('.');
    std::string_view ip = text.substr(0, dot);
    std::string_view fp = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if ((ip.empty() && fp.empty()) || (!ip.empty() && !allDigits(ip)) ||
        (dot != std::string_view::npos && !fp.empty() && !allDigits(fp)) ||
        (dot != std::string_view::npos && fp.empty() && ip.empty()))
        throw bad("is not a decimal number");
    while (!ip.empty() && ip.front() == '0')
        ip.remove_prefix(1);
    while (!fp.empty() && fp.back() == '0')
        fp.remove_suffix(1);
    if (ip.empty() && fp.empty())
        throw bad("is zero");
    int shift = 0;
    if (ip.size() > 4)
        shift = ip.size() <= 6 ? 2 : 3;
    if (ip.size() > 7)
        throw bad("has more than 7 integer digits and cannot be stored");
    if (fp.size() + static_cast<std::size_t>(shift) > 7)
        throw bad(shift == 0 ? "has more than 7 decimals and cannot be stored exactly"
                             : "has too many decimals to be stored exactly with unit " +
                                   std::string(shift == 2 ? "100" : "1000"));
    // All significant digits, then place the point `shift` digits further left.
    std::string digits = std::string(ip) + std::string(fp);
    std::size_t intDigits = ip.size() - static_cast<std::size_t>(shift);
    std::string intPart = digits.substr(0, intDigits);
    std::string fracPart = digits.substr(intDigits);
    std::string out = "+";
    out += std::string(4 - intPart.size(), '0') + intPart;
    out += fracPart + std::string(7 - fracPart.size(), '0');
    return {out, shift == 0 ? 1 : (shift == 2 ? 100 : 1000)};
}

std::string rateText(std::string_view dez, int unit) {
    if (!validDez4p7(dez))
        return std::string(dez);
    std::size_t point = 4; // of the 11 digits, before the unit scaling
    if (unit == 100)
        point += 2;
    else if (unit == 1000)
        point += 3;
    else if (unit != 1)
        return std::string(dez);
    std::string ip(dez.substr(1, point)), fp(dez.substr(1 + point));
    while (ip.size() > 1 && ip.front() == '0')
        ip.erase(0, 1);
    while (!fp.empty() && fp.back() == '0')
        fp.pop_back();
    std::string s = (dez[0] == '-' && !isZeroDez(dez) ? "-" : "") + ip;
    if (!fp.empty())
        s += "." + fp;
    return s;
}

// ---- records ----------------------------------------------------------------------------

RateRecord makeRecord(std::string_view iso, std::string_view rateDate,
                      std::string_view decimalRate) {
    auto cur = findCurrency(iso);
    if (!cur)
        throw Error("unknown currency \"" + std::string(iso) + "\"");
    StoredRate sr = storeRate(decimalRate);
    RateRecord r;
    r.iso = std::string(iso);
    r.number = std::string(cur->number);
    r.rateDate = std::string(rateDate);
    r.decimals = cur->minorDigits == 0 ? 'N' : 'J';
    r.unit = sr.unit;
    for (std::size_t i = 0; i < 6; ++i)
        r.rates[i] = sr.dez4p7;
    r.rates[6] = std::string(kZeroRate);
    r.rates[7] = std::string(kZeroRate);
    r.quotation = 'M';
    return r;
}

namespace {

// Writes the kRecordSize bytes of a record to rec; throws Error when a field does not fit.
void encodeInto(const RateRecord& r, char* rec) {
    std::memcpy(rec, blankRecord().data(), kRecordSize);
    put(rec, offset::iso, 3, r.iso, "ISO code");
    put(rec, offset::number, 3, r.number, "currency number");
    put(rec, offset::rateDate, 8, r.rateDate, "rate date");
    put(rec, offset::extra3, 3, r.extra3, "field at offset 20");
    rec[offset::blocked] = r.blocked;
    rec[offset::extra1] = r.extra1;
    if (r.unit < 0 || r.unit > 9999)
        throw Error(where(r) + "unit " + std::to_string(r.unit) + " does not fit");
    std::string unit = std::to_string(r.unit);
    std::memcpy(rec + offset::unit + 4 - unit.size(), unit.data(), unit.size());
    rec[offset::decimals] = r.decimals;
    rec[offset::ratePrint] = r.ratePrint;
    for (std::size_t i = 0; i < 8; ++i) {
        std::string_view v = r.rates[i].empty() ? kZeroRate : std::string_view(r.rates[i]);
        put(rec, offset::rate1 + i * offset::rateStep, 12, v, "rate");
    }
    for (std::size_t i = 0; i < 5; ++i) {
        std::string_view v = r.dates[i].empty() ? kNoDate : std::string_view(r.dates[i]);
        put(rec, offset::date1 + i * offset::dateStep, 8, v, "date");
    }
    rec[offset::quotation] = r.quotation;
}

} // namespace

std::string encodeRecord(const RateRecord& r) {
    std::string rec(kRecordSize, ' ');
    encodeInto(r, rec.data());
    return rec;
}

void appendEncoded(std::string& records, const RateRecord& record) {
    const std::size_t at = records.size();
    records.resize(at + kRecordSize);
    try {
        encodeInto(record, records.data() + at);
    } catch (...) {
        records.resize(at);
        throw;
    }
}

std::string encodeVersionRecord(std::string_view fileDate) {
    if (!ratecodec::validDate(fileDate))
        throw Error("file date \"" + std::string(fileDate) + "\" is not a valid YYYYMMDD date");
    std::string rec = blankRecord();
    rec.replace(offset::iso, 3, kVersionMarker);
    rec.replace(offset::rateDate, 8, fileDate);
    // The calculator reads the 19th ';'-separated field: the second further date.
    rec.replace(offset::date1 + offset::dateStep, 8, fileDate);
    return rec;
}

RateRecord decodeRecord(std::string_view b) {
    if (b.size() < kRecordSize)
        throw Error("record of " + std::to_string(b.size()) + " bytes is shorter than " +
                    std::to_string(kRecordSize));
    RateRecord r;
    r.iso = std::string(b.substr(offset::iso, 3));
    r.number = std::string(b.substr(offset::number, 3));
    r.rateDate = std::string(b.substr(offset::rateDate, 8));
    r.extra3 = std::string(b.substr(offset::extra3, 3));
    r.blocked = b[offset::blocked];
    r.extra1 = b[offset::extra1];
    r.unit = ratecodec::readUnit(b.data()); // as the kernel reads it
    r.decimals = b[offset::decimals];
    r.ratePrint = b[offset::ratePrint];
    for (std::size_t i = 0; i < 8; ++i)
        r.rates[i] = std::string(b.substr(offset::rate1 + i * offset::rateStep, 12));
    for (std::size_t i = 0; i < 5; ++i)
        r.dates[i] = std::string(b.substr(offset::date1 + i * offset::dateStep, 8));
    r.quotation = b[offset::quotation];
    return r;
}

std::vector<std::string> checkRecord(std::string_view b) {
    std::vector<std::string> f;
    if (b.size() != kRecordSize) {
        f.push_back("record has " + std::to_string(b.size()) + " bytes, not " +
                    std::to_string(kRecordSize));
        return f;
    }
    if (b.substr(offset::lineEnd, 2) != "\r\n")
        f.push_back("record does not end with CR LF");
    RateRecord r = decodeRecord(b);
    auto upper = [](std::string_view s) {
        return s.size() == 3 &&
               std::all_of(s.begin(), s.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    };
    if (!upper(r.iso))
        f.push_back("ISO code \"" + r.iso + "\" is not three capital letters");
    if (!allDigits(r.number))
        f.push_back("currency number \"" + r.number + "\" is not three digits");
    if (!ratecodec::validDate(r.rateDate))
        f.push_back("rate date \"" + r.rateDate + "\" is not a valid date");
    if (r.blocked != 'J' && r.blocked != 'N')
        f.push_back(std::string("blocking flag '") + r.blocked + "' is not J or N");
    std::string_view unitText = b.substr(offset::unit, 4);
    std::size_t ub = unitText.find_first_not_of(' ');
    if (ub == std::string_view::npos || !allDigits(unitText.substr(ub)) ||
        (r.unit != 1 && r.unit != 100 && r.unit != 1000))
        f.push_back("unit \"" + std::string(unitText) + "\" is not 1, 100 or 1000");
    if (r.decimals != 'J' && r.decimals != 'N')
        f.push_back(std::string("decimals flag '") + r.decimals + "' is not J or N");
    if (r.ratePrint != 'J' && r.ratePrint != 'N')
        f.push_back(std::string("rate-print flag '") + r.ratePrint + "' is not J or N");
    for (std::size_t i = 0; i < 8; ++i) {
        const std::string& v = r.rates[i];
        std::string n = std::to_string(i + 1);
        if (!validDez4p7(v))
            f.push_back("rate " + n + " \"" + v + "\" is not a rate text (+ and 11 digits)");
        else if (i < 6 && (v[0] != '+' || isZeroDez(v)))
            f.push_back("rate " + n + " \"" + v + "\" is not positive");
    }
    for (std::size_t i = 0; i < 5; ++i)
        if (r.dates[i] != kNoDate && !ratecodec::validDate(r.dates[i]))
            f.push_back("further date " + std::to_string(i + 1) + " \"" + r.dates[i] +
                        "\" is not a valid date");
    if (r.quotation != 'M' && r.quotation != 'P' && r.quotation != ' ')
        f.push_back(std::string("quotation kind '") + r.quotation + "' is not M, P or blank");
    return f;
}

void sortRecords(std::vector<RateRecord>& records) {
    std::stable_sort(records.begin(), records.end(), [](const RateRecord& a, const RateRecord& b) {
        if (a.iso != b.iso)
            return a.iso < b.iso;
        return a.rateDate > b.rateDate;
    });
}

void mergeRecords(std::vector<RateRecord>& into, const std::vector<RateRecord>& incoming,
                  bool replace) {
    std::map<std::pair<std::string, std::string>, std::size_t> index;
    for (std::size_t i = 0; i < into.size(); ++i)
        index.emplace(std::make_pair(into[i].iso, into[i].rateDate), i);
    for (const RateRecord& r : incoming) {
        auto key = std::make_pair(r.iso, r.rateDate);
        auto it = index.find(key);
        if (it == index.end()) {
            index.emplace(key, into.size());
            into.push_back(r);
        } else if (!(into[it->second] == r)) {
            if (!replace)
                throw Error(where(r) + "two different rates for the same day (" +
                            rateText(into[it->second].rates[1], into[it->second].unit) + " and " +
                            rateText(r.rates[1], r.unit) + ")");
            into[it->second] = r;
        }
    }
}

std::string newestDate(const std::vector<RateRecord>& records) {
    std::string d;
    for (const RateRecord& r : records)
        d = std::max(d, r.rateDate);
    return d;
}

std::string encodeRateFile(std::vector<RateRecord> records, std::string_view fileDate) {
    sortRecords(records);
    std::string date(fileDate.empty() ? newestDate(records) : std::string(fileDate));
    if (date.empty())
        throw Error("no rates and no file date: nothing to write");
    std::string out;
    out.reserve((records.size() + 1) * kRecordSize);
    out += encodeVersionRecord(date);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RateRecord& r = records[i];
        if (i > 0 && records[i - 1].iso == r.iso && records[i - 1].rateDate == r.rateDate)
            throw Error(where(r) + "two records for the same currency and day");
        std::string rec = encodeRecord(r);
        auto faults = checkRecord(rec);
        if (!faults.empty())
            throw Error(where(r) + faults.front());
        out += rec;
    }
    return out;
}

namespace {

// Writes the pieces one after the other into a temporary file in the target's folder, then
// renames it onto the target (durable_replace.h: regular files only, locked, synced).
void writePiecesAtomically(const std::filesystem::path& path,
                           std::initializer_list<std::string_view> pieces) {
    tarvo::durable::Replacement out;
    auto check = [&](const tarvo::durable::Status& st) {
        if (st.ok())
            return;
        char why[256];
        tarvo::durable::describe(st, why, sizeof why);
        throw Error("cannot write " + path.string() + ": " + why);
    };
    check(out.open(path.c_str()));
    for (std::string_view bytes : pieces)
        check(out.write(bytes.data(), bytes.size()));
    check(out.commit());
}

} // namespace

void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    writePiecesAtomically(path, {bytes});
}

void writeRateFile(const std::filesystem::path& path, std::vector<RateRecord> records,
                   std::string_view fileDate) {
    writeFileAtomically(path, encodeRateFile(std::move(records), fileDate));
}

// ---- records kept encoded ---------------------------------------------------------------

namespace {

const char* recordAt(std::string_view records, std::size_t i) {
    return records.data() + i * kRecordSize;
}

// Currency and rate date of an encoded record, the key records are merged and sorted by.
struct Key {
    std::uint64_t head; // ISO code and the first five date digits
    std::uint32_t tail; // the last three date digits
    bool operator==(const Key&) const = default;
};

Key keyOf(const char* rec) {
    char k[12] = {};
    std::memcpy(k, rec + offset::iso, 3);
    std::memcpy(k + 3, rec + offset::rateDate, 8);
    Key key{};
    std::memcpy(&key.head, k, sizeof key.head);
    std::memcpy(&key.tail, k + 8, sizeof key.tail);
    return key;
}

struct KeyHash {
    std::size_t operator()(const Key& k) const noexcept {
        return std::hash<std::uint64_t>{}(k.head ^ (std::uint64_t{k.tail} * 0x9E3779B97F4A7C15ull));
    }
};

std::string whereEncoded(const char* rec) {
    return std::string(rec + offset::iso, 3) + " " + std::string(rec + offset::rateDate, 8) + ": ";
}

} // namespace

void encodeRateFileRecords(std::string& bytes) {
    std::size_t out = 0;
    for (std::size_t pos = 0; pos + kRecordSize <= bytes.size(); pos += kRecordSize) {
        std::string_view rec(bytes.data() + pos, kRecordSize);
        if (rec.substr(0, 3) == kVersionMarker)
            continue;
        const RateRecord r = decodeRecord(rec);
        encodeInto(r, bytes.data() + out);
        out += kRecordSize;
    }
    bytes.resize(out);
}

void mergeEncodedRecords(std::string& into, std::string_view incoming, bool replace) {
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    const std::size_t n = incoming.size() / kRecordSize;
    // Position in `into` of every key the incoming records have; the first record of a key
    // counts, as for mergeRecords.
    std::unordered_map<Key, std::size_t, KeyHash> index;
    index.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        index.emplace(keyOf(recordAt(incoming, i)), kNone);
    const std::size_t have = into.size() / kRecordSize;
    for (std::size_t i = 0; i < have; ++i) {
        auto it = index.find(keyOf(recordAt(into, i)));
        if (it != index.end() && it->second == kNone)
            it->second = i;
    }
    into.reserve(into.size() + incoming.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char* r = recordAt(incoming, i);
        std::size_t& pos = index.find(keyOf(r))->second;
        if (pos == kNone) {
            pos = into.size() / kRecordSize;
            into.append(r, kRecordSize);
            continue;
        }
        char* old = into.data() + pos * kRecordSize;
        if (std::memcmp(old, r, kRecordSize) == 0)
            continue;
        if (!replace) {
            const RateRecord a = decodeRecord({old, kRecordSize});
            const RateRecord b = decodeRecord({r, kRecordSize});
            throw Error(where(b) + "two different rates for the same day (" +
                        rateText(a.rates[1], a.unit) + " and " + rateText(b.rates[1], b.unit) +
                        ")");
        }
        std::memcpy(old, r, kRecordSize);
    }
}

std::string newestEncodedDate(std::string_view records) {
    std::string_view d;
    for (std::size_t i = 0; i < records.size() / kRecordSize; ++i)
        d = std::max(d, std::string_view(recordAt(records, i) + offset::rateDate, 8));
    return std::string(d);
}

namespace {

// Sorts the encoded records into file order in place, checks them and returns the version
// record that goes before them.
std::string prepareEncodedRateFile(std::string& records, std::string_view fileDate) {
    // File order (by ISO code, newest first, stable like sortRecords), applied in place.
    const std::size_t n = records.size() / kRecordSize;
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const char* x = recordAt(records, a);
        const char* y = recordAt(records, b);
        if (int c = std::memcmp(x + offset::iso, y + offset::iso, 3); c != 0)
            return c < 0;
        return std::memcmp(x + offset::rateDate, y + offset::rateDate, 8) > 0;
    });
    char held[kRecordSize];
    for (std::size_t i = 0; i < n; ++i) {
        if (order[i] == i)
            continue;
        std::memcpy(held, recordAt(records, i), kRecordSize);
        std::size_t j = i;
        while (true) {
            const std::size_t from = order[j];
            order[j] = j;
            if (from == i) {
                std::memcpy(records.data() + j * kRecordSize, held, kRecordSize);
                break;
            }
            std::memcpy(records.data() + j * kRecordSize, recordAt(records, from), kRecordSize);
            j = from;
        }
    }
    std::vector<std::size_t>().swap(order);

    std::string date(fileDate.empty() ? newestEncodedDate(records) : std::string(fileDate));
    if (date.empty())
        throw Error("no rates and no file date: nothing to write");
    const std::string version = encodeVersionRecord(date);
    for (std::size_t i = 0; i < n; ++i) {
        const char* r = recordAt(records, i);
        if (i > 0 && keyOf(r) == keyOf(recordAt(records, i - 1)))
            throw Error(whereEncoded(r) + "two records for the same currency and day");
        auto faults = checkRecord({r, kRecordSize});
        if (!faults.empty())
            throw Error(whereEncoded(r) + faults.front());
    }
    return version;
}

} // namespace

void writeEncodedRateFile(const std::filesystem::path& path, std::string& records,
                          std::string_view fileDate) {
    const std::string version = prepareEncodedRateFile(records, fileDate);
    writePiecesAtomically(path, {version, records});
}

void emitEncodedRateFile(const std::function<void(std::string_view)>& sink, std::string& records,
                         std::string_view fileDate) {
    const std::string version = prepareEncodedRateFile(records, fileDate);
    sink(version);
    sink(records);
}

namespace {

// Opens a file to read without blocking: a FIFO, device or folder is refused with its kind.
int openForReading(const std::filesystem::path& path, struct stat& st) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        throw Error("cannot open " + path.string() + ": " + std::strerror(errno));
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        throw Error("cannot read " + path.string() + ": " + std::strerror(e));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw Error("cannot read " + path.string() + ": not a regular file (" +
                    tarvo::durable::typeName(st.st_mode) + ")");
    }
    return fd;
}

struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

// Reads up to size bytes; fewer only at the end of the file.
std::size_t readSome(int fd, char* to, std::size_t size, const std::filesystem::path& path) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, to + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Error("cannot read " + path.string() + ": " + std::strerror(errno));
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

std::string slurp(const std::filesystem::path& path) {
    return readRateFileBytes(path);
}

// The version date as the calculator finds it in one line, or nothing.
std::optional<std::string> dateFromVersionLine(std::string_view line) {
    const std::string_view d = ratecodec::versionDate(line);
    if (d.empty())
        return std::nullopt;
    return std::string(d);
}

} // namespace

RateFile parseRateFile(std::string_view bytes) {
    RateFile f;
    for (std::size_t pos = 0; pos + kRecordSize <= bytes.size(); pos += kRecordSize) {
        std::string_view rec = bytes.substr(pos, kRecordSize);
        if (rec.substr(0, 3) == kVersionMarker) {
            if (f.fileDate.empty())
                f.fileDate = dateFromVersionLine(rec).value_or("");
            continue;
        }
        f.records.push_back(decodeRecord(rec));
    }
    return f;
}

RateFile readRateFile(const std::filesystem::path& path) {
    return parseRateFile(slurp(path));
}

RateFileChecker::RateFileChecker(std::uint64_t fileSize, std::size_t maxFaults)
    : maxFaults_(maxFaults) {
    if (fileSize == 0) {
        add({0, "file is empty"});
        empty_ = true;
        return;
    }
    if (fileSize % kRecordSize != 0)
        add({0, "file size " + std::to_string(fileSize) + " is not a multiple of " +
                    std::to_string(kRecordSize) + "; " + std::to_string(fileSize % kRecordSize) +
                    " bytes after the last whole record are ignored"});
}

void RateFileChecker::add(Fault f) {
    if (faults_.size() < maxFaults_)
        faults_.push_back(std::move(f));
    else
        ++dropped_;
}

void RateFileChecker::record(std::string_view rec) {
    const std::size_t no = ++records_;
    if (rec.substr(0, 3) == kVersionMarker) {
        ++versions_;
        if (versions_ > 1)
            add({no, "second version record"});
        if (rec.substr(offset::lineEnd, 2) != "\r\n")
            add({no, "record does not end with CR LF"});
        if (!dateFromVersionLine(rec))
            add({no, "version record has no valid date in its 19th field"});
        return;
    }
    for (std::string& m : checkRecord(rec))
        add({no, std::move(m)});
    const std::string_view iso = rec.substr(offset::iso, 3);
    const std::string_view date = rec.substr(offset::rateDate, 8);
    if (iso == prevIso_) {
        if (date == prevDate_)
            add({no, std::string(iso) + ": second record for rate date " + std::string(date)});
        else if (date > prevDate_)
            add({no, std::string(iso) + ": rate date " + std::string(date) + " is newer than " +
                         prevDate_ + " before it (newest must come first)"});
    } else {
        auto it = seenAt_.find(std::string(iso));
        if (it != seenAt_.end())
            add({no, std::string(iso) +
                         ": records are not together (the currency "
                         "already appeared at record " +
                         std::to_string(it->second) + ")"});
        else if (seenAt_.size() < kMaxCurrencies)
            seenAt_.emplace(std::string(iso), no);
    }
    prevIso_.assign(iso);
    prevDate_.assign(date);
}

std::vector<Fault> RateFileChecker::finish() {
    if (!empty_ && versions_ == 0)
        add({0, "no version record (\"@@@\"): the calculator cannot read the file date"});
    if (dropped_ > 0)
        faults_.push_back({0, std::to_string(dropped_) + " further faults not listed"});
    return std::move(faults_);
}

std::vector<Fault> checkRateFileBytes(std::string_view bytes) {
    RateFileChecker checker(bytes.size());
    for (std::size_t pos = 0; pos + kRecordSize <= bytes.size(); pos += kRecordSize)
        checker.record(bytes.substr(pos, kRecordSize));
    return checker.finish();
}

std::uint64_t forEachRecord(const std::filesystem::path& path,
                            const std::function<void(std::string_view)>& each) {
    struct stat st {};
    const Descriptor in{openForReading(path, st)};
    // Whole records a chunk at a time: memory stays the same whatever the file's size.
    constexpr std::size_t kChunk = kRecordSize * 256;
    std::string chunk(kChunk, '\0');
    std::uint64_t total = 0;
    for (;;) {
        const std::size_t got = readSome(in.fd, chunk.data(), kChunk, path);
        total += got;
        for (std::size_t pos = 0; pos + kRecordSize <= got; pos += kRecordSize)
            each(std::string_view(chunk).substr(pos, kRecordSize));
        if (got < kChunk)
            return total;
    }
}

std::vector<Fault> checkRateFile(const std::filesystem::path& path, std::size_t maxFaults) {
    struct stat st {};
    { const Descriptor probe{openForReading(path, st)}; }
    RateFileChecker checker(static_cast<std::uint64_t>(st.st_size), maxFaults);
    forEachRecord(path, [&](std::string_view rec) { checker.record(rec); });
    return checker.finish();
}

std::string readRateFileBytes(const std::filesystem::path& path) {
    struct stat st {};
    const Descriptor in{openForReading(path, st)};
    if (static_cast<std::uint64_t>(st.st_size) > kMaxRateFileBytes)
        throw Error(path.string() + ": " + std::to_string(st.st_size) +
                    " bytes; rate files above " + std::to_string(kMaxRateFileBytes >> 20) +
                    " MiB are refused (the whole published history is some 55 MB)");
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    bytes.resize(readSome(in.fd, bytes.data(), bytes.size(), path));
    return bytes;
}

std::optional<std::string> readFileDate(const std::filesystem::path& path) {
    // The version line is looked for in lines of bounded length: a file without line ends
    // is not held whole.
    constexpr std::size_t kMaxLine = 64 * 1024;
    struct stat st {};
    int fd = -1;
    try {
        fd = openForReading(path, st);
    } catch (const Error&) {
        return std::nullopt;
    }
    const Descriptor in{fd};
    std::string line;
    std::string chunk(65536, '\0');
    bool overlong = false;
    for (;;) {
        std::size_t got = 0;
        try {
            got = readSome(in.fd, chunk.data(), chunk.size(), path);
        } catch (const Error&) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < got; ++i) {
            const char c = chunk[i];
            if (c != '\n') {
                if (line.size() < kMaxLine)
                    line.push_back(c);
                else
                    overlong = true;
                continue;
            }
            if (!overlong && line.find(kVersionMarker) != std::string::npos)
                return dateFromVersionLine(line);
            line.clear();
            overlong = false;
        }
        if (got < chunk.size())
            break;
    }
    if (!overlong && line.find(kVersionMarker) != std::string::npos)
        return dateFromVersionLine(line);
    return std::nullopt;
}

std::optional<RateRecord> lookup(const RateFile& file, std::string_view iso,
                                 std::string_view date) {
    const auto& rs = file.records;
    auto it = std::find_if(rs.begin(), rs.end(), [&](const RateRecord& r) { return r.iso == iso; });
    if (it == rs.end())
        return std::nullopt;
    if (date == "99999999")
        return *it;
    for (; it != rs.end() && it->iso == iso; ++it)
        if (date >= it->rateDate)
            return *it;
    return std::nullopt;
}

} // namespace tarvo::ratefile
