// SPDX-License-Identifier: Apache-2.0
// Shared helpers of the tarvo program: decimal field texts, dates, control data, kernel codes.
#include "common.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>

namespace tarvo::tool {

namespace {

bool allDigits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool validYmd(int y, int m, int d) {
    static constexpr int len[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1)
        return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= len[m - 1] + (m == 2 && leap ? 1 : 0);
}

} // namespace

bool decimalToField(std::string_view text, int intDigits, int decimals, char* out) {
    if (text.empty())
        return false;
    char sign = '+';
    if (text.front() == '-' || text.front() == '+') {
        sign = text.front();
        text.remove_prefix(1);
    }
    std::size_t dot = text.find('.');
    std::string_view ip = text.substr(0, dot);
    std::string_view fp = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if ((ip.empty() && fp.empty()) || !allDigits(ip) || !allDigits(fp))
        return false;
    while (!ip.empty() && ip.front() == '0')
        ip.remove_prefix(1);
    while (!fp.empty() && fp.back() == '0')
        fp.remove_suffix(1);
    if (ip.size() > static_cast<std::size_t>(intDigits) ||
        fp.size() > static_cast<std::size_t>(decimals))
        return false;
    bool zero = ip.empty() && fp.empty();
    *out++ = zero ? '+' : sign;
    const std::size_t lead = static_cast<std::size_t>(intDigits) - ip.size();
    out = std::fill_n(out, lead, '0');
    out = std::copy(ip.begin(), ip.end(), out);
    out = std::copy(fp.begin(), fp.end(), out);
    std::fill_n(out, static_cast<std::size_t>(decimals) - fp.size(), '0');
    return true;
}

std::optional<std::string> decimalToField(std::string_view text, int intDigits, int decimals) {
    std::string out(static_cast<std::size_t>(1 + intDigits + decimals), '0');
    if (!decimalToField(text, intDigits, decimals, out.data()))
        return std::nullopt;
    return out;
}

std::string fieldToDecimal(const char* field, int intDigits, int decimals) {
    const auto n = static_cast<std::size_t>(intDigits);
    const auto m = static_cast<std::size_t>(decimals);
    std::string_view digits(field + 1, n + m);
    if (!allDigits(digits))
        return std::string(field, 1 + n + m);
    std::string_view ip = digits.substr(0, n);
    while (ip.size() > 1 && ip.front() == '0')
        ip.remove_prefix(1);
    const bool zero = digits.find_first_not_of('0') == std::string_view::npos;
    std::string s;
    s.reserve(n + m + 3);
    if (field[0] != '+' && !zero)
        s.push_back('-');
    if (ip.empty())
        s.push_back('0');
    s.append(ip);
    if (m > 0) {
        s.push_back('.');
        s.append(digits.substr(n));
    }
    return s;
}

std::optional<std::string> parseDate(std::string_view t) {
    std::string_view y, m, d;
    if (t.size() == 8) {
        y = t.substr(0, 4);
        m = t.substr(4, 2);
        d = t.substr(6, 2);
    } else if (t.size() == 10 && t[4] == '-' && t[7] == '-') {
        y = t.substr(0, 4);
        m = t.substr(5, 2);
        d = t.substr(8, 2);
    } else if (t.size() == 10 && t[2] == '.' && t[5] == '.') {
        d = t.substr(0, 2);
        m = t.substr(3, 2);
        y = t.substr(6, 4);
    } else {
        return std::nullopt;
    }
    if (!allDigits(y) || !allDigits(m) || !allDigits(d))
        return std::nullopt;
    auto number = [](std::string_view digits) {
        int v = 0;
        for (char c : digits)
            v = v * 10 + (c - '0');
        return v;
    };
    if (!validYmd(number(y), number(m), number(d)))
        return std::nullopt;
    std::string out;
    out.reserve(8);
    out.append(y).append(m).append(d);
    return out;
}

std::string today() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y%m%d", &tm);
    return buf;
}

void putInt16(unsigned char* dst, int value) {
    auto v = static_cast<uint16_t>(static_cast<int16_t>(value));
    dst[0] = static_cast<unsigned char>(v & 0xFF);
    dst[1] = static_cast<unsigned char>(v >> 8);
}

int32_t getInt32(const unsigned char* src) {
    uint32_t v = static_cast<uint32_t>(src[0]) | static_cast<uint32_t>(src[1]) << 8 |
                 static_cast<uint32_t>(src[2]) << 16 | static_cast<uint32_t>(src[3]) << 24;
    int32_t r;
    std::memcpy(&r, &v, sizeof r);
    return r;
}

void DataFiles::apply() const {
    if (!controlData.empty()) {
        // The loader falls back to the built-in record when the file is missing; a file
        // named on the command line must not be skipped silently.
        std::error_code ec;
        if (!std::filesystem::is_regular_file(controlData, ec))
            throw FileError(msg(Msg::ControlDataMissing, {controlData}));
        ::setenv("TARVO_STEUDAT", controlData.c_str(), 1);
    }
    if (!rateFile.empty())
        ::setenv("TARVO_WAEHKURS", rateFile.c_str(), 1);
}

ControlData loadControlData(std::string_view version, std::string_view application,
                            std::string_view referenceDate) {
    if (version.size() > 2)
        throw UsageError(msg(Msg::VersionTooLong, {version}));
    if (application.size() > 8)
        throw UsageError(msg(Msg::ApplicationTooLong, {application}));
    ControlData cd;
    PS_SB sb{};
    std::memcpy(sb.SB_VERSION, "01", 2);
    setField(sb.SENDER, "TARVO");
    setField(sb.EB_VERSION, version);
    setField(sb.ANWENDUNG, application);
    setField(sb.BEZUGSDATUM, referenceDate);
    cd.rc = PS_LesenTarvoDaten(&sb, &cd.aux, &cd.eb);
    return cd;
}

std::string isoDate(std::string_view d) {
    if (d.size() != 8 || !allDigits(d))
        return std::string(d);
    std::string s;
    s.reserve(10);
    s.append(d.substr(0, 4)).append("-").append(d.substr(4, 2)).append("-").append(d.substr(6, 2));
    return s;
}

std::string& JsonObject::key(std::string_view k) {
    if (text_.size() > 1)
        text_ += ", ";
    text_ += jsonString(k);
    text_ += ": ";
    return text_;
}

JsonObject& JsonObject::str(std::string_view k, std::string_view value) {
    key(k) += jsonString(value);
    return *this;
}

JsonObject& JsonObject::strOrNull(std::string_view k, std::string_view value) {
    key(k) += value.empty() ? std::string("null") : jsonString(value);
    return *this;
}

JsonObject& JsonObject::num(std::string_view k, long long value) {
    key(k) += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::boolean(std::string_view k, bool value) {
    key(k) += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::raw(std::string_view k, std::string_view json) {
    key(k) += json;
    return *this;
}

void complain(const std::string& text) {
    std::cerr << "tarvo: " << text << "\n";
}

std::string jsonString(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

} // namespace tarvo::tool
