// SPDX-License-Identifier: Apache-2.0
// Import of the ECB euro reference rates: daily and historical XML, historical and daily CSV.
#include "ratefile.h"

#include <algorithm>
#include <pugixml.hpp>
#include <set>

namespace tarvo::ratefile {

namespace {

constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string_view skipBom(std::string_view s) {
    if (s.substr(0, 3) == "\xEF\xBB\xBF")
        s.remove_prefix(3);
    return s;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Position of a byte offset as line:column (both from 1).
std::string position(std::string_view text, std::size_t off) {
    off = std::min(off, text.size());
    std::size_t line = 1, col = 1;
    for (std::size_t i = 0; i < off; ++i) {
        if (text[i] == '\n') {
            ++line;
            col = 1;
        } else {
            ++col;
        }
    }
    return std::to_string(line) + ":" + std::to_string(col);
}

std::string ymd(int y, int m, int d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
    return buf;
}

// YYYYMMDD of a real day from 1999, the first year of published rates, on.
std::optional<std::string> rateDay(int y, int m, int d) {
    if (y < 1999 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31)
        return std::nullopt;
    std::string t = ymd(y, m, d);
    if (!ratecodec::validDate(t))
        return std::nullopt;
    return t;
}

// "2024-05-17" -> "20240517"
std::optional<std::string> isoDate(std::string_view s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !digits(s.substr(0, 4)) ||
        !digits(s.substr(5, 2)) || !digits(s.substr(8, 2)))
        return std::nullopt;
    int y = std::stoi(std::string(s.substr(0, 4)));
    int m = std::stoi(std::string(s.substr(5, 2)));
    int d = std::stoi(std::string(s.substr(8, 2)));
    return rateDay(y, m, d);
}

// "17 May 2024" -> "20240517"
std::optional<std::string> textDate(std::string_view s) {
    std::size_t a = s.find(' ');
    std::size_t b = s.rfind(' ');
    if (a == std::string_view::npos || a == b)
        return std::nullopt;
    std::string_view ds = s.substr(0, a), ms = trim(s.substr(a + 1, b - a - 1)),
                     ys = s.substr(b + 1);
    if (!digits(ds) || ds.size() > 2 || !digits(ys) || ys.size() != 4)
        return std::nullopt;
    auto it = std::find(std::begin(kMonths), std::end(kMonths), ms.substr(0, 3));
    if (it == std::end(kMonths) || ms.size() < 3)
        return std::nullopt;
    int m = static_cast<int>(it - std::begin(kMonths)) + 1;
    int y = std::stoi(std::string(ys)), d = std::stoi(std::string(ds));
    return rateDay(y, m, d);
}

struct Importer {
    std::string_view text;
    std::string_view source;
    // The records go to `out`, or encoded to `encoded` when that is set.
    std::vector<RateRecord> out;
    std::string* encoded = nullptr;
    std::size_t count = 0;
    std::set<std::string> dates;

    Error at(std::size_t off, const std::string& msg) const {
        return Error(std::string(source) + ":" + position(text, off) + ": " + msg);
    }

    void add(std::size_t off, std::string_view iso, const std::string& date,
             std::string_view rate) {
        if (!findCurrency(iso))
            throw at(off, "unknown currency \"" + std::string(iso) + "\"");
        RateRecord r;
        try {
            r = makeRecord(iso, date, rate);
        } catch (const Error& e) {
            throw at(off, std::string(iso) + " " + date + ": " + e.what());
        }
        if (encoded != nullptr)
            appendEncoded(*encoded, r);
        else
            out.push_back(std::move(r));
        ++count;
    }

    // Room for `rates` more encoded records (an upper bound), so that a large input is not
    // copied while it grows; pages reserved but never written take no memory. Beyond a
    // million records the buffer grows as usual.
    void reserve(std::size_t rates) {
        constexpr std::size_t kMostReserved = std::size_t{1} << 20;
        if (encoded != nullptr)
            encoded->reserve(encoded->size() + std::min(rates, kMostReserved) * kRecordSize);
    }

    void newDate(std::size_t off, const std::string& date) {
        if (!dates.insert(date).second)
            throw at(off, "date " + date + " appears twice");
    }

    void xml() {
        pugi::xml_document doc;
        pugi::xml_parse_result res = doc.load_buffer(text.data(), text.size());
        if (!res)
            throw at(static_cast<std::size_t>(res.offset),
                     std::string("broken XML: ") + res.description());
        // Positions point at the element's '<'.
        auto offsetOf = [this](const pugi::xml_node& n) {
            std::ptrdiff_t o = n.offset_debug();
            auto off = o < 0 ? std::size_t{0} : static_cast<std::size_t>(o);
            return off > 0 && off <= text.size() && text[off - 1] == '<' ? off - 1 : off;
        };
        auto isCube = [](const pugi::xml_node& n) {
            std::string_view name = n.name();
            std::size_t colon = name.find(':');
            return n.type() == pugi::node_element &&
                   (colon == std::string_view::npos ? name : name.substr(colon + 1)) == "Cube";
        };
        std::size_t rates = 0;
        for (std::size_t p = text.find("rate="); p != std::string_view::npos;
             p = text.find("rate=", p + 5))
            ++rates;
        reserve(rates);
        std::size_t days = 0;
        std::vector<pugi::xml_node> stack{doc.document_element()};
        while (!stack.empty()) {
            pugi::xml_node n = stack.back();
            stack.pop_back();
            for (pugi::xml_node c = n.last_child(); c; c = c.previous_sibling())
                if (c.type() == pugi::node_element)
                    stack.push_back(c);
            if (!isCube(n))
                continue;
            if (n.attribute("currency") || n.attribute("rate")) {
                if (!n.parent().attribute("time"))
                    throw at(offsetOf(n), "rate outside a <Cube time=...> element");
                continue; // taken with its day below
            }
            pugi::xml_attribute time = n.attribute("time");
            if (!time)
                continue;
            auto date = isoDate(time.value());
            if (!date)
                throw at(offsetOf(n),
                         "time \"" + std::string(time.value()) + "\" is not a date YYYY-MM-DD");
            newDate(offsetOf(n), *date);
            ++days;
            for (pugi::xml_node c : n.children()) {
                if (c.type() != pugi::node_element)
                    continue;
                pugi::xml_attribute cur = c.attribute("currency"), rate = c.attribute("rate");
                if (!isCube(c) || !cur || !rate)
                    throw at(offsetOf(c), "expected <Cube currency=... rate=.../>");
                add(offsetOf(c), trim(cur.value()), *date, trim(rate.value()));
            }
        }
        if (days == 0)
            throw at(0, "no <Cube time=...> element: not an ECB reference-rate file");
    }

    void csv() {
        std::vector<std::string_view> header;
        std::vector<std::size_t> headerOff;
        std::size_t pos = 0, lineNo = 0;
        bool daily = false;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view line = text.substr(pos, end - pos);
            std::size_t lineOff = pos;
            pos = end + 1;
            ++lineNo;
            if (trim(line).empty())
                continue;
            std::vector<std::string_view> fields;
            std::vector<std::size_t> offs;
            std::size_t fpos = 0;
            while (true) {
                std::size_t comma = line.find(',', fpos);
                std::string_view raw = line.substr(
                    fpos, comma == std::string_view::npos ? std::string_view::npos : comma - fpos);
                std::string_view f = trim(raw);
                std::size_t lead = f.empty() ? 0 : static_cast<std::size_t>(f.data() - raw.data());
                fields.push_back(f);
                offs.push_back(lineOff + fpos + lead);
                if (comma == std::string_view::npos)
                    break;
                fpos = comma + 1;
            }
            if (header.empty()) {
                if (fields[0] != "Date")
                    throw at(offs[0], "first column must be \"Date\"");
                // The published files end every line with a separator: drop that empty column.
                while (fields.size() > 1 && fields.back().empty()) {
                    fields.pop_back();
                    offs.pop_back();
                }
                std::set<std::string_view> seen;
                for (std::size_t i = 1; i < fields.size(); ++i) {
                    if (!findCurrency(fields[i]))
                        throw at(offs[i], fields[i].empty() ? std::string("empty currency column")
                                                            : "unknown currency \"" +
                                                                  std::string(fields[i]) + "\"");
                    if (!seen.insert(fields[i]).second)
                        throw at(offs[i],
                                 "currency \"" + std::string(fields[i]) + "\" has two columns");
                }
                header = fields;
                headerOff = offs;
                std::string_view rest = text.substr(std::min(pos, text.size()));
                reserve(static_cast<std::size_t>(std::count(rest.begin(), rest.end(), '\n') + 1) *
                        (header.size() - 1));
                continue;
            }
            while (fields.size() > header.size() && fields.back().empty()) {
                fields.pop_back();
                offs.pop_back();
            }
            if (fields.size() != header.size())
                throw at(lineOff, "line " + std::to_string(lineNo) + " has " +
                                      std::to_string(fields.size()) + " columns, the header " +
                                      std::to_string(header.size()));
            auto date = isoDate(fields[0]);
            if (!date) {
                date = textDate(fields[0]);
                daily = date.has_value();
            }
            if (!date)
                throw at(offs[0], "\"" + std::string(fields[0]) +
                                      "\" is not a date (YYYY-MM-DD or D Month YYYY)");
            newDate(offs[0], *date);
            for (std::size_t i = 1; i < fields.size(); ++i) {
                if (fields[i].empty() || fields[i] == "N/A")
                    continue;
                add(offs[i], header[i], *date, fields[i]);
            }
        }
        (void)daily;
        if (header.empty())
            throw at(0, "empty file");
        if (dates.empty())
            throw at(text.size(), "no rates below the header");
    }
};

} // namespace

std::string_view formatName(EcbFormat format) {
    switch (format) {
    case EcbFormat::DailyXml:
        return "daily XML";
    case EcbFormat::HistXml:
        return "historical XML";
    case EcbFormat::HistCsv:
        return "historical CSV";
    case EcbFormat::DailyCsv:
        return "daily CSV";
    }
    return "unknown";
}

EcbFormat detectEcbFormat(std::string_view bytes) {
    std::string_view s = skipBom(bytes);
    std::size_t first = s.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && s[first] == '<') {
        std::size_t days = 0;
        for (std::size_t p = s.find("time="); p != std::string_view::npos;
             p = s.find("time=", p + 5))
            ++days;
        return days == 1 ? EcbFormat::DailyXml : EcbFormat::HistXml;
    }
    if (first != std::string_view::npos && s.substr(first, 4) == "Date") {
        std::size_t nl = s.find('\n', first);
        while (nl != std::string_view::npos) {
            std::size_t end = s.find('\n', nl + 1);
            std::string_view line = s.substr(
                nl + 1, end == std::string_view::npos ? std::string_view::npos : end - nl - 1);
            std::string_view d = trim(line.substr(0, line.find(',')));
            if (!d.empty())
                return isoDate(d) ? EcbFormat::HistCsv : EcbFormat::DailyCsv;
            nl = end;
        }
        return EcbFormat::HistCsv;
    }
    throw Error("not an ECB reference-rate file: expected XML or a CSV header starting with "
                "\"Date\"");
}

namespace {

void runImport(Importer& imp, std::string_view bytes, std::string_view source) {
    imp.text = skipBom(bytes);
    imp.source = source;
    EcbFormat format;
    try {
        format = detectEcbFormat(bytes);
    } catch (const Error& e) {
        throw Error(std::string(source) + ":1:1: " + e.what());
    }
    if (format == EcbFormat::DailyXml || format == EcbFormat::HistXml)
        imp.xml();
    else
        imp.csv();
}

} // namespace

std::vector<RateRecord> importEcb(std::string_view bytes, std::string_view source) {
    Importer imp;
    runImport(imp, bytes, source);
    return std::move(imp.out);
}

std::size_t importEcbEncoded(std::string_view bytes, std::string_view source,
                             std::string& records) {
    Importer imp;
    imp.encoded = &records;
    const std::size_t before = records.size();
    try {
        runImport(imp, bytes, source);
    } catch (...) {
        records.resize(before);
        throw;
    }
    return imp.count;
}

} // namespace tarvo::ratefile
