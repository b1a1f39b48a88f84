// A rate file of the shape of the full published reference-rate history: 41 currencies,
// 6 700 business days from 1999-01-04, the currencies retired since ending part way, newest
// first: about 210 000 records, 53 MB. Generated for the benchmarks, never committed.
#ifndef TARVO_BENCH_HISTORY_H
#define TARVO_BENCH_HISTORY_H

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ratefile.h"

namespace bench {

inline constexpr int kBusinessDays = 6700;

// The business days from 1999-01-04 on, as YYYYMMDD, oldest first.
inline const std::vector<std::string>& businessDays() {
    static const std::vector<std::string> days = [] {
        std::vector<std::string> out;
        int y = 1999, m = 1, d = 4, weekday = 0; // 1999-01-04 was a Monday
        static constexpr int len[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        while (static_cast<int>(out.size()) < kBusinessDays) {
            if (weekday < 5) {
                char t[32];
                std::snprintf(t, sizeof t, "%04d%02d%02d", y, m, d);
                out.emplace_back(t);
            }
            weekday = (weekday + 1) % 7;
            const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
            if (++d > len[m - 1] + (m == 2 && leap ? 1 : 0)) {
                d = 1;
                if (++m > 12) {
                    m = 1;
                    ++y;
                }
            }
        }
        return out;
    }();
    return days;
}

struct HistoryFile {
    std::size_t records;
    std::size_t bytes;
};

// Writes the file. Rates are made in units of 0.0001 around a level of each currency's order
// of magnitude, with the importer's unit scaling for large ones.
inline HistoryFile writeHistoryRateFile(const std::filesystem::path& path) {
    const auto& days = businessDays();
    std::vector<tarvo::ratefile::RateRecord> records;
    int c = 0;
    for (const auto& cur : tarvo::ratefile::ecbCurrencies()) {
        if (cur.iso == "ZAR") // 41 of the 42
            continue;
        const long long level = 10000LL * (1 + c % 7) * (c % 5 == 0 ? 1000 : 1);
        const int count = cur.retired ? 800 + 150 * c % 2200 : kBusinessDays;
        for (int i = 0; i < count; ++i) {
            const long long r = level + level / 10 * ((i * 7919 + c * 104729) % 1000) / 1000;
            const std::string text =
                std::to_string(r / 10000) + "." + std::to_string(10000 + r % 10000).substr(1);
            records.push_back(tarvo::ratefile::makeRecord(cur.iso, days[i], text));
        }
        ++c;
    }
    const std::size_t n = records.size();
    const std::string bytes = tarvo::ratefile::encodeRateFile(std::move(records), {});
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return {n, bytes.size()};
}

} // namespace bench

#endif
