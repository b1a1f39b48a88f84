/* SPDX-License-Identifier: Apache-2.0 */
// Rate-file codec: the 252-byte record layout of "WAEHKURS.DAT" and the readers of its unit,
// date and version-record fields. Header-only and allocation-free, so the kernel's reader,
// the rate-file library, the importer and the calculator all read the file the same way.
#ifndef TARVO_SUPPORT_RATECODEC_H
#define TARVO_SUPPORT_RATECODEC_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarvo::ratecodec {

// Every record is 252 bytes; writers end it with CR LF.
inline constexpr std::size_t kRecordSize = 252;

// Byte offsets of the fields inside a record.
namespace offset {
inline constexpr std::size_t iso = 0;         // 3, search key 1
inline constexpr std::size_t number = 5;      // 3, search key 2
inline constexpr std::size_t rateDate = 10;   // 8, YYYYMMDD
inline constexpr std::size_t extra3 = 20;     // 3, carried only
inline constexpr std::size_t blocked = 25;    // 1, 'J' blocks the currency
inline constexpr std::size_t extra1 = 28;     // 1, carried only
inline constexpr std::size_t unit = 31;       // decimal text, read within unitWidth bytes
inline constexpr std::size_t unitWidth = 6;   // how far a reader looks
inline constexpr std::size_t unitWritten = 4; // how wide writers make it (right-aligned)
inline constexpr std::size_t decimals = 37;   // 1, 'J' two decimals, 'N' none
inline constexpr std::size_t ratePrint = 40;  // 1
inline constexpr std::size_t rate1 = 43;      // 8 rates of 12 (taDez4p7), every 16 bytes
inline constexpr std::size_t rateStep = 16;
inline constexpr std::size_t rateWidth = 12;
inline constexpr std::size_t rateCount = 8;
inline constexpr std::size_t date1 = 171; // 5 further dates of 8, every 10 bytes
inline constexpr std::size_t dateStep = 10;
inline constexpr std::size_t dateCount = 5;
inline constexpr std::size_t quotation = 221; // 1, 'M', 'P' or blank
inline constexpr std::size_t lineEnd = 250;   // "\r\n"
} // namespace offset

// Marker of the version record. Its 19th ';'-separated field is '"' followed by the file date.
inline constexpr std::string_view kVersionMarker = "@@@";

constexpr bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
constexpr bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The quotation unit of a record, read like atoi (leading white space, optional sign, digits)
// but only within its field, so a damaged record cannot run into the next fields. A value
// that does not fit the 16-bit unit slot of the reader's block is 0, which every conversion
// rejects.
constexpr int16_t readUnit(const char* rec) {
    const char* p = rec + offset::unit;
    std::size_t i = 0;
    while (i < offset::unitWidth && isSpace(p[i]))
        ++i;
    bool negative = false;
    if (i < offset::unitWidth && (p[i] == '+' || p[i] == '-')) {
        negative = p[i] == '-';
        ++i;
    }
    long value = 0;
    while (i < offset::unitWidth && isDigit(p[i])) {
        value = value * 10 + (p[i] - '0');
        ++i;
    }
    if (negative)
        value = -value;
    if (value < INT16_MIN || value > INT16_MAX)
        return 0;
    return static_cast<int16_t>(value);
}

// The 3-byte search keys, packed for comparison and indexing.
constexpr uint32_t packKey(const char* k) {
    return static_cast<uint32_t>(static_cast<unsigned char>(k[0])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(k[1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(k[2]));
}

// A YYYYMMDD text that names a real day of the Gregorian calendar (year 1 or later).
constexpr bool validDate(std::string_view d) {
    if (d.size() != 8)
        return false;
    for (char c : d)
        if (!isDigit(c))
            return false;
    const int y = (d[0] - '0') * 1000 + (d[1] - '0') * 100 + (d[2] - '0') * 10 + (d[3] - '0');
    const int m = (d[4] - '0') * 10 + (d[5] - '0');
    const int day = (d[6] - '0') * 10 + (d[7] - '0');
    if (y < 1 || m < 1 || m > 12 || day < 1)
        return false;
    constexpr int len[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return day <= len[m - 1] + (m == 2 && leap ? 1 : 0);
}

// The file date of a line holding the version marker, as the calculator reads it: from the
// marker on, the 19th ';'-separated field without its first character (a quote), 8 digits
// forming a valid date. Empty when the line has no marker or no such date.
constexpr std::string_view versionDate(std::string_view line) {
    const std::size_t at = line.find(kVersionMarker);
    if (at == std::string_view::npos)
        return {};
    std::string_view rest = line.substr(at);
    for (int i = 0; i < 18; ++i) {
        const std::size_t semi = rest.find(';');
        if (semi == std::string_view::npos)
            return {};
        rest.remove_prefix(semi + 1);
    }
    if (rest.size() < 9)
        return {};
    const std::string_view d = rest.substr(1, 8);
    return validDate(d) ? d : std::string_view{};
}

} // namespace tarvo::ratecodec

#endif
