// SPDX-License-Identifier: Apache-2.0
// Randomised cross-check of U1 to U4 against the independent reference: every byte of the
// returned block, over fixed, rate-file and given rates, both directions, all quotations,
// units and decimals rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "kern_test_util.h"
#include "reference.h"

namespace {

constexpr int kCases = 100000;
constexpr int kCasesPerFile = 5000;

using Rng = std::mt19937_64;

int64_t pick(Rng& g, int64_t lo, int64_t hi) {
    return std::uniform_int_distribution<int64_t>(lo, hi)(g);
}
bool chance(Rng& g, int percent) {
    return pick(g, 0, 99) < percent;
}
template <typename T> const T& oneOf(Rng& g, const std::vector<T>& v) {
    return v[static_cast<std::size_t>(pick(g, 0, static_cast<int64_t>(v.size()) - 1))];
}

// A number of up to `digits` digits, spread over all lengths.
int64_t spread(Rng& g, int digits) {
    const int len = static_cast<int>(pick(g, 1, digits));
    int64_t hi = 1;
    for (int i = 0; i < len; ++i)
        hi *= 10;
    return pick(g, 0, hi - 1);
}
int64_t amountCents(Rng& g) {
    int64_t v = chance(g, 2) ? 0 : spread(g, 15);
    return chance(g, 30) ? -v : v;
}
int64_t rate7(Rng& g) {
    if (chance(g, 2))
        return 0;
    int64_t v = spread(g, 11);
    return v == 0 ? 1 : v;
}
std::string rateText(Rng& g) {
    return kt::rate(rate7(g));
}

struct World {
    PS_EB eb;
    std::vector<ref::Rec> file;
    std::vector<std::string> fixed;    // currencies with a fixed rate
    std::vector<std::string> floating; // currencies whose rate comes from the file or caller
    std::vector<std::string> dates;
    std::string base;
};

const std::vector<std::string> kFileCurrencies = {"GBP", "DKK", "SEK", "USD", "JPY", "CHF"};

// Control data with the built-in fixed rates plus rows of every unit and decimals kind.
PS_EB randomEb(Rng& g, std::string& base) {
    std::vector<kt::Row> rows = kt::builtInRows();
    rows.push_back({"XAA", rateText(g), '0', '2'});
    rows.push_back({"XAB", rateText(g), '2', '3'});
    rows.push_back({"XAC", rateText(g), '2', '0'});
    rows.push_back({"XAD", "+00012345670", '2', 'X'}); // damaged unit exponent: 463
    for (auto& r : rows)
        if (r.rate == "+00000000000" && r.iso == "XAA")
            r.rate = "+00000000001";
    kt::EbOptions o;
    o.euroPeriod = !chance(g, 25);
    o.quotHome = chance(g, 50) ? 'M' : 'P';
    o.quotEuro = chance(g, 50) ? 'M' : chance(g, 50) ? 'P' : ';';
    if (!o.euroPeriod && chance(g, 40))
        o.home = chance(g, 50) ? "BEF" : "ITL";
    base = o.euroPeriod ? o.base : o.home;
    return kt::makeEb(rows, o);
}

std::vector<ref::Rec> randomFile(Rng& g, const std::vector<std::string>& dates) {
    std::vector<ref::Rec> file;
    for (const auto& iso : kFileCurrencies) {
        const int n = static_cast<int>(pick(g, 1, 4));
        // newest first
        std::vector<std::string> ds(dates.begin(), dates.end());
        std::shuffle(ds.begin(), ds.end(), g);
        ds.resize(static_cast<std::size_t>(n));
        std::sort(ds.rbegin(), ds.rend());
        for (const auto& d : ds) {
            ref::Rec r;
            r.iso = iso;
            r.date = d;
            r.blocked = chance(g, 3) ? 'J' : 'N';
            const int u = static_cast<int>(pick(g, 0, 99));
            r.unit = u < 40 ? 1 : u < 70 ? 100 : u < 96 ? 1000 : u < 98 ? 10 : 0;
            const int dd = static_cast<int>(pick(g, 0, 99));
            r.decimals = dd < 60 ? 'J' : dd < 95 ? 'N' : 'X';
            r.ratePrint = chance(g, 80) ? 'J' : 'N';
            for (auto& x : r.rates)
                x = rateText(g);
            const int q = static_cast<int>(pick(g, 0, 99));
            r.quotation = q < 40 ? 'M' : q < 80 ? 'P' : q < 95 ? ' ' : 'Q';
            file.push_back(r);
        }
    }
    std::shuffle(file.begin(), file.end(), g);
    std::stable_sort(file.begin(), file.end(),
                     [](const ref::Rec& a, const ref::Rec& b) { return a.iso < b.iso; });
    return file;
}

void writeFile(kt::RateFile& rf, const std::vector<ref::Rec>& file) {
    std::vector<tarvo::ratefile::RateRecord> recs;
    for (const auto& r : file) {
        tarvo::ratefile::RateRecord x =
            kt::record(r.iso, r.date, r.rates[0], r.unit, r.quotation, r.decimals);
        for (int i = 0; i < 6; ++i)
            x.rates[static_cast<std::size_t>(i)] = r.rates[i];
        x.blocked = r.blocked;
        x.ratePrint = r.ratePrint;
        recs.push_back(x);
    }
    rf.write(recs);
}

class RandomCrossCheck : public ::testing::Test {
  protected:
    Rng g{20260108};
    kt::RateFile rf;
    World w;
    std::string dates[5] = {"20000103", "20000601", "20010105", "20010615", "20020101"};

    void renew() {
        w.eb = randomEb(g, w.base);
        w.dates.assign(std::begin(dates), std::end(dates));
        w.file = randomFile(g, w.dates);
        writeFile(rf, w.file);
        w.fixed = {"DEM", "FRF", "ITL", "BEF", "IEP", "GRD", "XAA", "XAB", "XAC", "XAD"};
        w.floating = kFileCurrencies;
        w.floating.push_back("QQQ"); // not in the file
        w.floating.push_back("dem"); // lower case is a different code
    }
    std::string currency() {
        const int c = static_cast<int>(pick(g, 0, 99));
        return c < 45 ? oneOf(g, w.fixed) : oneOf(g, w.floating);
    }
    std::string date() {
        if (chance(g, 10))
            return "99999999";
        if (chance(g, 50))
            return oneOf(g, w.dates);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d", static_cast<int>(pick(g, 1999, 2003)),
                      static_cast<int>(pick(g, 1, 12)), static_cast<int>(pick(g, 1, 28)));
        return buf;
    }
    char rateType() {
        static const std::vector<char> types = {'G', 'M', 'B', 'S', 'X', 'Y'};
        return chance(g, 3) ? 'Q' : oneOf(g, types);
    }
    int16_t unit() {
        const int u = static_cast<int>(pick(g, 0, 99));
        return static_cast<int16_t>(u < 40 ? 1 : u < 70 ? 100 : u < 97 ? 1000 : u < 98 ? 10 : -1);
    }
    char quotation() {
        const int q = static_cast<int>(pick(g, 0, 99));
        return q < 40 ? 'M' : q < 80 ? 'P' : q < 95 ? ' ' : 'X';
    }
    char decFlag() {
        const int d = static_cast<int>(pick(g, 0, 99));
        return d < 60 ? '2' : d < 95 ? '0' : 'Z';
    }
    // One of the two codes is the base currency, rarely both or neither.
    std::pair<std::string, std::string> pairWithBase() {
        const int c = static_cast<int>(pick(g, 0, 99));
        if (c < 2)
            return {w.base, w.base};
        if (c < 4)
            return {currency(), currency()};
        return c < 52 ? std::make_pair(currency(), w.base) : std::make_pair(w.base, currency());
    }
    std::pair<std::string, std::string> pairWithoutBase() {
        if (chance(g, 2))
            return chance(g, 50) ? std::make_pair(w.base, currency())
                                 : std::make_pair(currency(), w.base);
        return {currency(), currency()};
    }
};

template <typename B> std::string show(const B& b) {
    std::string s;
    const auto* p = reinterpret_cast<const unsigned char*>(&b);
    for (std::size_t i = 0; i < sizeof b; ++i)
        s += (p[i] >= 32 && p[i] < 127) ? static_cast<char>(p[i]) : '.';
    return s;
}

// Conversions that succeed in the reference, so that the check is not carried by failures.
thread_local int successes = 0;

template <typename B>
void compare(const B& got, int gotRc, const B& want, int wantRc, int& failures, int i) {
    if (wantRc == 0 || wantRc == 261)
        ++successes;
    const bool same = gotRc == wantRc && std::memcmp(&got, &want, sizeof got) == 0;
    if (!same && ++failures <= 5)
        ADD_FAILURE() << "case " << i << ": result " << gotRc << " expected " << wantRc
                      << "\n got  " << show(got) << "\n want " << show(want);
    if (!kt::workCellsNull() && ++failures <= 5)
        ADD_FAILURE() << "case " << i << ": work cells not null";
}

TEST_F(RandomCrossCheck, U1MatchesReference) {
    int failures = 0;
    successes = 0;
    for (int i = 0; i < kCases; ++i) {
        if (i % kCasesPerFile == 0)
            renew();
        auto [e, a] = pairWithBase();
        U1_SB in = kt::u1(e, a, amountCents(g), rateType(), date(), chance(g, 50) ? 'J' : 'N');
        U1_SB want;
        const int wantRc = ref::u1(in, w.eb, w.file, want);
        U1_SB got = in;
        const int gotRc = U1_UmrFwaehrBwaehr(&got, &w.eb, nullptr);
        compare(got, gotRc, want, wantRc, failures, i);
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GT(successes, kCases / 3);
}

TEST_F(RandomCrossCheck, U2MatchesReference) {
    int failures = 0;
    successes = 0;
    for (int i = 0; i < kCases; ++i) {
        if (i % kCasesPerFile == 0)
            renew();
        auto [e, a] = pairWithBase();
        U2_SB in = kt::u2(e, a, amountCents(g), rate7(g), unit(), quotation(), decFlag());
        U2_SB want;
        const int wantRc = ref::u2(in, w.eb, want);
        U2_SB got = in;
        const int gotRc = U2_UmrFwaehrBwaehrKv(&got, &w.eb, nullptr);
        compare(got, gotRc, want, wantRc, failures, i);
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GT(successes, kCases / 3);
}

TEST_F(RandomCrossCheck, U3MatchesReference) {
    int failures = 0;
    successes = 0;
    for (int i = 0; i < kCases; ++i) {
        if (i % kCasesPerFile == 0)
            renew();
        auto [e, a] = pairWithoutBase();
        U3_SB in = kt::u3(e, a, amountCents(g), rateType(), date());
        in.RATE_PRINT_FLAG_E = chance(g, 50) ? 'J' : 'N';
        in.RATE_PRINT_FLAG_A = chance(g, 50) ? 'J' : 'N';
        U3_SB want;
        const int wantRc = ref::u3(in, w.eb, w.file, want);
        U3_SB got = in;
        const int gotRc = U3_UmrFwaehrBwaehrFwaehr(&got, &w.eb, nullptr);
        compare(got, gotRc, want, wantRc, failures, i);
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GT(successes, kCases / 3);
}

TEST_F(RandomCrossCheck, U4MatchesReference) {
    int failures = 0;
    successes = 0;
    for (int i = 0; i < kCases; ++i) {
        if (i % kCasesPerFile == 0)
            renew();
        auto [e, a] = pairWithoutBase();
        U4_SB in = kt::u4(e, rate7(g), unit(), quotation(), a, rate7(g), unit(), quotation(),
                          amountCents(g), decFlag());
        U4_SB want;
        const int wantRc = ref::u4(in, w.eb, want);
        U4_SB got = in;
        const int gotRc = U4_UmrFwaehrBwaehrFwaehrKv(&got, &w.eb, nullptr);
        compare(got, gotRc, want, wantRc, failures, i);
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GT(successes, kCases / 3);
}

} // namespace
