/* SPDX-License-Identifier: Apache-2.0 */
// The full published reference-rate history, generated for the benchmarks: a file shaped like
// the ECB's eurofxref-hist.csv (a header "Date,USD,JPY,...," with the 41 currencies of the
// published history, one line per business day (no weekends, no TARGET holidays) from
// 1999-01-04 on, newest first, every rate with the digits the ECB publishes for the currency,
// and N/A outside the years a currency was quoted), and the rate file imported from it
// (about 210 000 records, 53 MB). Nothing generated is committed.
//
// The rates follow a seeded random walk in whole units of the last published digit, so the
// same arguments always give the same bytes and no rate passes through floating point.
#ifndef TARVO_BENCH_HISTORY_H
#define TARVO_BENCH_HISTORY_H

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ratefile.h"

namespace bench {

inline constexpr long kBusinessDays = 6700;

struct Currency {
    const char* iso;
    int from, to;       // first and last day quoted (YYYYMMDD); 0 = still quoted
    int from2;          // quoted again from this day on (0 = never)
    int decimals;       // digits after the point, as published
    std::int64_t start; // first rate in units of the last digit
    int volatility;     // largest daily move in hundredths of a per cent (0: pegged)
    int drift;          // daily drift in millionths (inflation of ROL and TRL)
};

// In the column order of the published file. GRD is missing there: it was quoted only until
// it joined the euro in 2001, before the history was first published in this form.
inline constexpr Currency kCurrencies[] = {
    {"USD", 19990104, 0, 0, 4, 11789, 60, 0},
    {"JPY", 19990104, 0, 0, 2, 13373, 70, 0},
    {"BGN", 20000719, 0, 0, 4, 19558, 0, 0},
    {"CYP", 19990104, 20071231, 0, 5, 58231, 10, 0},
    {"CZK", 19990104, 0, 0, 3, 35107, 40, 0},
    {"DKK", 19990104, 0, 0, 4, 74501, 2, 0},
    {"EEK", 19990104, 20101231, 0, 4, 156466, 0, 0},
    {"GBP", 19990104, 0, 0, 5, 71110, 50, 0},
    {"HUF", 19990104, 0, 0, 2, 25148, 60, 0},
    {"LTL", 19990104, 20141231, 0, 4, 34528, 0, 0},
    {"LVL", 19990104, 20131231, 0, 4, 6668, 20, 0},
    {"MTL", 19990104, 20071231, 0, 4, 4293, 10, 0},
    {"PLN", 19990104, 0, 0, 4, 40712, 50, 0},
    {"ROL", 19990104, 20050630, 0, 0, 13111, 60, 600},
    {"RON", 20050701, 0, 0, 4, 36030, 40, 0},
    {"SEK", 19990104, 0, 0, 4, 94696, 40, 0},
    {"SIT", 19990104, 20061229, 0, 2, 18884, 10, 80},
    {"SKK", 19990104, 20081231, 0, 3, 42991, 30, 0},
    {"CHF", 19990104, 0, 0, 4, 16168, 40, 0},
    {"ISK", 19990104, 20081209, 20180201, 2, 8148, 60, 0},
    {"NOK", 19990104, 0, 0, 4, 88550, 50, 0},
    {"HRK", 20050401, 20221230, 0, 4, 74405, 10, 0},
    {"RUB", 20050401, 20220301, 0, 4, 359630, 80, 0},
    {"TRL", 19990104, 20041231, 0, 0, 314550, 80, 1200},
    {"TRY", 20050103, 0, 0, 4, 18185, 80, 0},
    {"AUD", 19990104, 0, 0, 4, 19100, 60, 0},
    {"BRL", 20080102, 0, 0, 4, 26237, 90, 0},
    {"CAD", 19990104, 0, 0, 4, 18004, 50, 0},
    {"CNY", 20050401, 0, 0, 4, 107235, 50, 0},
    {"HKD", 19990104, 0, 0, 4, 91332, 60, 0},
    {"IDR", 20050401, 0, 0, 2, 1231245, 70, 0},
    {"ILS", 20080102, 0, 0, 4, 56186, 50, 0},
    {"INR", 20080102, 0, 0, 4, 580250, 60, 0},
    {"KRW", 19990104, 0, 0, 2, 139800, 70, 0},
    {"MXN", 20080102, 0, 0, 4, 160105, 80, 0},
    {"MYR", 20050401, 0, 0, 4, 49208, 50, 0},
    {"NZD", 19990104, 0, 0, 4, 22229, 60, 0},
    {"PHP", 20050401, 0, 0, 3, 71345, 50, 0},
    {"SGD", 19990104, 0, 0, 4, 20060, 40, 0},
    {"THB", 20050401, 0, 0, 3, 50510, 50, 0},
    {"ZAR", 19990104, 0, 0, 4, 69371, 90, 0},
};

inline bool leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

inline int daysInMonth(int y, int m) {
    static constexpr int len[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return len[m - 1] + (m == 2 && leap(y) ? 1 : 0);
}

// Day of the week, 0 = Sunday (Sakamoto).
inline int weekday(int y, int m, int d) {
    static constexpr int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3)
        --y;
    return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

// Easter Sunday of year y as month * 100 + day (anonymous Gregorian algorithm).
inline int easter(int y) {
    int a = y % 19, b = y / 100, c = y % 100, d = b / 4, e = b % 4, f = (b + 8) / 25;
    int g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30, i = c / 4, k = c % 4;
    int l = (32 + 2 * e + 2 * i - h - k) % 7, m = (a + 11 * h + 22 * l) / 451;
    int month = (h + l - 7 * m + 114) / 31, day = (h + l - 7 * m + 114) % 31 + 1;
    return month * 100 + day;
}

inline int addDays(int md, int y, int n) { // month*100+day shifted by n days within the spring
    int m = md / 100, d = md % 100 + n;
    while (d < 1) {
        --m;
        d += daysInMonth(y, m);
    }
    while (d > daysInMonth(y, m)) {
        d -= daysInMonth(y, m);
        ++m;
    }
    return m * 100 + d;
}

// TARGET closing days: New Year, Good Friday, Easter Monday, 1 May, 25 and 26 December.
inline bool businessDay(int y, int m, int d) {
    int wd = weekday(y, m, d);
    if (wd == 0 || wd == 6)
        return false;
    int md = m * 100 + d;
    if (md == 101 || md == 501 || md == 1225 || md == 1226)
        return false;
    int e = easter(y);
    return md != addDays(e, y, -2) && md != addDays(e, y, 1);
}

// splitmix64: small, seedable, the same on every platform.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [-n, n].
    std::int64_t symmetric(std::int64_t n) {
        return static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(2 * n + 1)) - n;
    }
};

inline bool quoted(const Currency& c, int date) {
    bool first = date >= c.from && (c.to == 0 || date <= c.to);
    return first || (c.from2 != 0 && date >= c.from2);
}

inline void appendRate(std::string& out, std::int64_t units, int decimals) {
    char buf[32];
    std::int64_t scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    if (decimals == 0)
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(units));
    else
        std::snprintf(buf, sizeof buf, "%lld.%0*lld", static_cast<long long>(units / scale),
                      decimals, static_cast<long long>(units % scale));
    out += buf;
}

// The first `days` business days from 1999-01-04 on, as YYYYMMDD numbers, oldest first.
inline std::vector<int> businessDays(long days = kBusinessDays) {
    std::vector<int> dates;
    for (int y = 1999, m = 1, d = 4; static_cast<long>(dates.size()) < days;) {
        if (businessDay(y, m, d))
            dates.push_back(y * 10000 + m * 100 + d);
        if (++d > daysInMonth(y, m)) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }

    return dates;
}

// The history as the published CSV.
inline std::string historyCsv(long days = kBusinessDays, unsigned long long seed = 1999) {
    const std::vector<int> dates = businessDays(days);
    // Walk every currency forward in time; rates[day][currency], 0 = not quoted.
    constexpr std::size_t kCount = std::size(kCurrencies);
    std::vector<std::int64_t> rates(dates.size() * kCount, 0);
    Random rnd{seed};
    for (std::size_t c = 0; c < kCount; ++c) {
        const Currency& cur = kCurrencies[c];
        std::int64_t v = cur.start, anchor = cur.start;
        for (std::size_t day = 0; day < dates.size(); ++day) {
            if (!quoted(cur, dates[day]))
                continue;
            rates[day * kCount + c] = v;
            // Tomorrow: a move of at most `volatility` hundredths of a per cent, a drift, and a
            // pull back towards the (drifting) anchor so that rates stay in a plausible band.
            anchor += anchor * cur.drift / 1000000;
            std::int64_t move = v * rnd.symmetric(cur.volatility) / 10000;
            v += move + v * cur.drift / 1000000 + (anchor - v) / 400;
            if (v < cur.start / 4)
                v = cur.start / 4;
        }
    }

    std::string out = "Date";
    for (const Currency& c : kCurrencies)
        (out += ',') += c.iso;
    out += ",\n";
    for (std::size_t day = dates.size(); day-- > 0;) {
        char buf[16];
        int dt = dates[day];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", dt / 10000, dt / 100 % 100, dt % 100);
        out += buf;
        for (std::size_t c = 0; c < kCount; ++c) {
            out += ',';
            std::int64_t v = rates[day * kCount + c];
            if (v == 0)
                out += "N/A";
            else
                appendRate(out, v, kCurrencies[c].decimals);
        }
        out += ",\n";
    }

    return out;
}

struct HistoryFile {
    std::size_t records;
    std::size_t bytes;
};

// Writes the rate file that `tarvo rates import` makes of the history.
inline HistoryFile writeHistoryRateFile(const std::filesystem::path& path) {
    std::vector<tarvo::ratefile::RateRecord> records =
        tarvo::ratefile::importEcb(historyCsv(), "history");
    const std::size_t n = records.size();
    const std::string bytes = tarvo::ratefile::encodeRateFile(std::move(records), {});
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return {n, bytes.size()};
}

} // namespace bench

#endif
