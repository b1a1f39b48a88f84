// SPDX-License-Identifier: Apache-2.0
// Balancing (B1): worked example, codes and their order, item failures, whole-unit targets,
// a randomised comparison with an independent reference of the three methods, malformed
// blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <random>
#include <thread>

#include "test_further_util.h"

using namespace further_test;

namespace {

std::unique_ptr<B1_SB> makeB1(char method, const char* isoE, const char* isoA,
                              const std::vector<i128>& cents) {
    auto sb = std::make_unique<B1_SB>();
    std::memset(sb.get(), 0, sizeof *sb);
    fillHead(*sb);
    setCount(sb->ITEM_COUNT, static_cast<int16_t>(cents.size()));
    sb->BALANCING_METHOD = method;
    for (std::size_t i = 0; i < cents.size() && i < 50; ++i)
        fillU1(sb->ITEMS[i].SB, isoE, isoA, t13p2(cents[i]));
    return sb;
}

std::string amounts(const B1_SB& sb, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += slot(sb.AMOUNT_OUT[i], 16) + (i + 1 < n ? " " : "");
    return s;
}

bool outputZeroFrom(const B1_SB& sb, std::size_t from) {
    const auto* p = reinterpret_cast<const unsigned char*>(&sb);
    for (std::size_t i = from; i < B1_SB_OUT_END; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

// ---- independent reference of the conversion and the three methods --------------------------

struct Conv {
    const char* isoE;
    const char* isoA;
    i128 rate7;
    bool into; // into the base currency: divide; out of it: multiply
};

// U1 result of an amount in cents: rounded cents and rounding difference in micro units.
void convertRef(const Conv& c, i128 cents, i128& rounded, i128& diff) {
    const i128 v6 = c.into ? cents * pow10(11) / c.rate7 : cents * c.rate7 / pow10(3);
    const i128 r = roundTo(v6, 10000);
    rounded = r / 10000;
    diff = v6 - r;
}

struct RefResult {
    std::vector<i128> out; // cents
    std::string ssv;
    std::vector<i128> u1;          // U1 results
    std::vector<std::string> text; // the output slots as texts
};

RefResult balanceRef(const Conv& c, const std::vector<i128>& cents, char method) {
    const std::size_t n = cents.size();
    RefResult r;
    r.out.assign(n, 0);
    r.u1.assign(n, 0);
    r.ssv.assign(n, ' ');
    std::vector<i128> diff(n), base(n), key(n);
    std::vector<std::string> baseText(n);
    r.text.assign(n, "");
    for (std::size_t i = 0; i < n; ++i) {
        convertRef(c, cents[i], r.u1[i], diff[i]);
        // A negative amount that rounds to zero keeps its sign in the U1 text.
        baseText[i] = roundedText(r.u1[i], r.u1[i] * 10000 + diff[i] < 0, 15);
    }
    const i128 target = r.u1[0];
    r.out[0] = target;
    r.text[0] = baseText[0];
    i128 sum = 0;
    for (std::size_t i = 1; i < n; ++i) {
        base[i] = r.u1[i];
        key[i] = diff[i];
        if (method == '0' && diff[i] < 0)
            key[i] = diff[i] + 10000;
        if (method == '1' && diff[i] < 0) {
            base[i] = r.u1[i] - 1;
            key[i] = diff[i] + 10000;
            baseText[i] = t13p2(base[i]);
        }
        r.out[i] = base[i];
        r.text[i] = baseText[i];
        sum += base[i];
    }
    auto marks = [&] {
        r.ssv[0] = ' ';
        for (std::size_t i = 1; i < n; ++i) {
            r.ssv[i] = r.out[i] == r.u1[i] ? ' ' : r.out[i] > r.u1[i] ? '+' : '-';
            if (r.ssv[i] != ' ')
                r.ssv[0] = r.ssv[i];
        }
    };
    if (sum == target) {
        if (method == '1')
            marks();
        return r;
    }
    const bool raise = sum < target;
    r.ssv[0] = raise ? '+' : '-';
    for (;;) {
        if (sum == target)
            break;
        std::size_t best = 0;
        for (std::size_t i = 1; i < n; ++i) {
            if (r.ssv[i] != ' ')
                continue;
            if (best == 0) {
                best = i;
                continue;
            }
            bool better = raise ? key[i] > key[best] : key[i] < key[best];
            if (method == '1' && raise && key[i] == key[best])
                better = baseText[i] > baseText[best];
            if (better)
                best = i;
        }
        if (best == 0)
            break;
        r.ssv[best] = r.ssv[0];
        r.out[best] = base[best] + (raise ? 1 : -1);
        r.text[best] = t13p2(r.out[best]);
        sum += raise ? 1 : -1;
    }
    if (method == '1')
        marks();
    return r;
}

} // namespace

// 3.00 marks split into 1.50 + 1.50, converted into euro under the three methods.
TEST(FurtherB1, WorkedExample) {
    const PS_EB eb = makeEb();
    struct Case {
        char method;
        const char* amounts;
        const char* ssv;
    };
    const Case cases[] = {
        {'0', "+000000000000153 +000000000000076 +000000000000077", "-- "},
        {'2', "+000000000000153 +000000000000076 +000000000000077", "-- "},
        {'1', "+000000000000153 +000000000000077 +000000000000076", "- -"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method);
        auto sb = makeB1(c.method, "DEM", "EUR", {300, 150, 150});
        std::memcpy(sb->RETURN_CODE, "ABCD", 4);
        ASSERT_EQ(B1_UmrMitBetrAusgl(sb.get(), &eb, nullptr), 0);
        EXPECT_EQ(amounts(*sb, 3), c.amounts);
        EXPECT_EQ(slot(sb->SSV, 3), c.ssv);
        EXPECT_EQ(slot(sb->RETURN_CODE, 4), "ABCD");
        EXPECT_EQ(slot(sb->ITEMS[0].SB.ROUND_DIFF, 8), "+0003875");
        EXPECT_EQ(slot(sb->ITEMS[1].SB.ROUND_DIFF, 8), "-0003063");
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(itemResult(sb->ITEMS[i]), 0);
        EXPECT_TRUE(outputZeroFrom(*sb, 986 + 3));
        EXPECT_TRUE(allCellsNull());
    }
    // Method '1' leaves the rounded-down parts in the exported arrays.
    EXPECT_EQ(slot(Waeh_Betrag_Abr[1], 16), "+000000000000076");
    EXPECT_EQ(slot(RundDiff_Abr[2], 8), "+0006937");
}

TEST(FurtherB1, CodesAndTheirOrder) {
    const PS_EB eb = makeEb();
    struct Case {
        const char* name;
        const char* version;
        const char* sender;
        int16_t count;
        char method;
        i128 total;
        int32_t rc;
    };
    const Case cases[] = {
        {"version", "02", "TESTPROG", 3, '0', 300, 461},
        {"version before everything", "0 ", "        ", 1, '7', 301, 461},
        {"sender blank", "01", "        ", 3, '0', 300, 401},
        {"sender zero byte", "01", "\0ESTPROG", 3, '0', 300, 401},
        {"sender before count", "01", " ESTPROG", 51, '9', 300, 401},
        {"count 1", "01", "TESTPROG", 1, '0', 300, 470},
        {"count 51", "01", "TESTPROG", 51, '0', 300, 470},
        {"count negative", "01", "TESTPROG", -2, '0', 300, 470},
        {"count before method", "01", "TESTPROG", 0, '3', 300, 470},
        {"method 3", "01", "TESTPROG", 3, '3', 300, 471},
        {"method blank", "01", "TESTPROG", 3, ' ', 300, 471},
        {"method before sum", "01", "TESTPROG", 3, 'A', 301, 471},
        {"sum", "01", "TESTPROG", 3, '1', 301, 472},
        {"sender with blanks behind", "01", "T       ", 3, '2', 300, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto sb = makeB1(c.method, "DEM", "EUR", {c.total, 150, 150});
        std::memcpy(sb->SB_VERSION, c.version, 2);
        std::memcpy(sb->SENDER, c.sender, 8);
        setCount(sb->ITEM_COUNT, c.count);
        std::memset(sb->AMOUNT_OUT, 'x', B1_SB_OUT_END - B1_SB_OUT);
        EXPECT_EQ(B1_UmrMitBetrAusgl(sb.get(), &eb, nullptr), c.rc);
        if (c.rc == 0)
            continue;
        char code[5];
        std::snprintf(code, sizeof code, "%04d", c.rc);
        EXPECT_EQ(slot(sb->RETURN_CODE, 4), code);
        if (c.rc != 472) {
            EXPECT_TRUE(outputZeroFrom(*sb, B1_SB_OUT));
        }
        EXPECT_TRUE(allCellsNull());
    }
}

// 100.00 = 50.00 + 49.99: 472 before any conversion, items show 0, "0000" and zero amounts.
TEST(FurtherB1, InputSumMismatchConvertsNothing) {
    const PS_EB eb = makeEb();
    auto sb = makeB1('0', "DEM", "EUR", {10000, 5000, 4999});
    std::memset(sb->ITEMS[1].SB.AMOUNT_A_13_2, '7', 16); // would be cleared by a conversion
    std::memcpy(sb->ITEMS[2].SB.RETURN_CODE, "9999", 4);
    EXPECT_EQ(B1_UmrMitBetrAusgl(sb.get(), &eb, nullptr), 472);
    EXPECT_EQ(slot(sb->RETURN_CODE, 4), "0472");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(itemResult(sb->ITEMS[i]), 0);
        EXPECT_EQ(slot(sb->ITEMS[i].SB.RETURN_CODE, 4), "0000");
        EXPECT_EQ(slot(sb->AMOUNT_OUT[i], 18), std::string("+000000000000000\0\0", 18));
        EXPECT_EQ(sb->SSV[i], ' ');
    }
    EXPECT_EQ(slot(sb->ITEMS[1].SB.AMOUNT_A_13_2, 16), std::string(16, '7'));
    EXPECT_TRUE(outputZeroFrom(*sb, 986 + 3));
}

// An item whose conversion fails stops the function; earlier items keep their amounts, later
// ones show the state of the input check; RETURN_CODE of the block is left alone.
TEST(FurtherB1, FailingItemStopsTheFunction) {
    const PS_EB eb = makeEb();
    RateFile rates({{"GBP", "20010101", 'N', "1", 'J', 'J', "+00016234567", 'P'}});
    auto sb = makeB1('0', "DEM", "EUR", {400, 100, 100, 100, 100});
    fillU1(sb->ITEMS[2].SB, "GBP", "EUR", t13p2(100));
    sb->ITEMS[2].SB.RATE_TYPE = 'Q';
    std::memcpy(sb->RETURN_CODE, "ABCD", 4);
    EXPECT_EQ(B1_UmrMitBetrAusgl(sb.get(), &eb, nullptr), 465);
    EXPECT_EQ(slot(sb->RETURN_CODE, 4), "ABCD");
    EXPECT_EQ(itemResult(sb->ITEMS[2]), 465);
    EXPECT_EQ(slot(sb->ITEMS[2].SB.RETURN_CODE, 4), "0465");
    EXPECT_EQ(slot(sb->AMOUNT_OUT[0], 16), "+000000000000205");
    EXPECT_EQ(slot(sb->AMOUNT_OUT[1], 16), "+000000000000051");
    for (int i = 2; i < 5; ++i)
        EXPECT_EQ(slot(sb->AMOUNT_OUT[i], 16), "+000000000000000");
    EXPECT_EQ(itemResult(sb->ITEMS[3]), 0);
    EXPECT_EQ(slot(sb->ITEMS[4].SB.RETURN_CODE, 4), "0000");
    EXPECT_EQ(sb->ITEMS[4].SB.AMOUNT_A_13_2[0], '\0');
    EXPECT_EQ(slot(sb->SSV, 5), "     ");
    EXPECT_TRUE(allCellsNull());
}

// Nothing to move: the amounts stay as converted and the marks blank for '0' and '2'.
TEST(FurtherB1, NothingToMove) {
    const PS_EB eb = makeEb();
    // 2.00 + 1.00 marks: 1.02 + 0.51 = 1.53, the converted total.
    for (char method : {'0', '2', '1'}) {
        SCOPED_TRACE(method);
        auto sb = makeB1(method, "DEM", "EUR", {300, 200, 100});
        ASSERT_EQ(B1_UmrMitBetrAusgl(sb.get(), &eb, nullptr), 0);
        EXPECT_EQ(amounts(*sb, 3), "+000000000000153 +000000000000102 +000000000000051");
        EXPECT_EQ(slot(sb->SSV, 3), "   ");
    }
    // Under '1' the parts are first rounded down: 0.77 + 0.77 + 0.76 (from 1.50 + 1.50 + 1.49
    // marks) add up to the total 2.30, but 0.76 + 0.76 + 0.76 do not, so two are raised back.
    auto sb = makeB1('1', "DEM", "EUR", {449, 150, 150, 149});
    ASSERT_EQ(B1_UmrMitBetrAusgl(sb.get(), &eb, nullptr), 0);
    EXPECT_EQ(amounts(*sb, 4),
              "+000000000000230 +000000000000077 +000000000000077 +000000000000076");
    EXPECT_EQ(slot(sb->SSV, 4), "    ");
}

// A total whose target currency has no decimals balances whole units, written with .00; a part
// with other decimals stops the function with 462 on that item.
TEST(FurtherB1, WholeUnitTargets) {
    const PS_EB eb = makeEb();
    // 0.03 euro into lire: 58.0881 -> 58; each 0.01 -> 19.3627 -> 19; one lira is missing.
    for (char method : {'0', '1', '2'}) {
        SCOPED_TRACE(method);
        auto sb = makeB1(method, "EUR", "ITL", {3, 1, 1, 1});
        ASSERT_EQ(B1_UmrMitBetrAusgl(sb.get(), &eb, nullptr), 0);
        EXPECT_EQ(amounts(*sb, 4),
                  "+000000000005800 +000000000002000 +000000000001900 +000000000001900");
        EXPECT_EQ(slot(sb->SSV, 4), "++  ");
    }
    auto sb = makeB1('0', "EUR", "ITL", {3, 1, 1, 1});
    fillU1(sb->ITEMS[2].SB, "EUR", "DEM", t13p2(1));
    EXPECT_EQ(B1_UmrMitBetrAusgl(sb.get(), &eb, nullptr), 462);
    EXPECT_EQ(itemResult(sb->ITEMS[2]), 462);
    EXPECT_EQ(slot(sb->ITEMS[2].SB.RETURN_CODE, 4), "0462");
    EXPECT_EQ(sb->ITEMS[2].SB.AMOUNT_A_13_2[0], '\0');
    EXPECT_EQ(slot(sb->AMOUNT_OUT[1], 16), "+000000000001900");
    EXPECT_EQ(slot(sb->AMOUNT_OUT[2], 16), "+000000000000000");
    EXPECT_NE(slot(sb->RETURN_CODE, 4), "0462");
    EXPECT_TRUE(allCellsNull());
}

// Negative parts: the marks follow the numeric change, not the sorting of the texts.
TEST(FurtherB1, NegativePartsAreMarkedByValue) {
    const PS_EB eb = makeEb();
    // -3.00 = -1.50 + -1.50 marks: parts -0.77 each, total -1.53; one part is raised to -0.76,
    // which is greater than -0.77 although its text sorts lower.
    for (char method : {'0', '1', '2'}) {
        SCOPED_TRACE(method);
        auto sb = makeB1(method, "DEM", "EUR", {-300, -150, -150});
        ASSERT_EQ(B1_UmrMitBetrAusgl(sb.get(), &eb, nullptr), 0);
        EXPECT_EQ(amounts(*sb, 3), "-000000000000153 -000000000000076 -000000000000077");
        EXPECT_EQ(slot(sb->SSV, 3), "++ ");
    }
}

namespace {

const Conv kConvs[] = {
    {"DEM", "EUR", 19558300, true},    {"EUR", "DEM", 19558300, false},
    {"FRF", "EUR", 65595700, true},    {"EUR", "NLG", 22037100, false},
    {"ITL", "EUR", 19362700000, true}, {"EUR", "FRF", 65595700, false},
};

// One random total split into 2 to 50 parts, converted with one fixed rate into a 2-decimal
// currency and balanced: compared with the reference, plus the sum and one-cent properties.
// balanced counts the cases whose needed correction was within one cent per part.
void randomCase(std::mt19937_64& rng, char method, const PS_EB& eb, int& balanced) {
    const Conv& c = kConvs[rng() % std::size(kConvs)];
    const int items = 2 + static_cast<int>(rng() % 49);
    const int scale = static_cast<int>(rng() % 4);
    const i128 limit = scale == 0   ? 1000
                       : scale == 1 ? 100000
                       : scale == 2 ? 100000000
                                    : 10000000000;
    std::vector<i128> cents(static_cast<std::size_t>(items));
    i128 total = 0;
    for (int i = 1; i < items; ++i) {
        i128 v = static_cast<i128>(rng() % static_cast<uint64_t>(limit));
        if (rng() % 8 == 0)
            v = -v;
        cents[static_cast<std::size_t>(i)] = v;
        total += v;
    }
    cents[0] = total;
    auto sb = makeB1(method, c.isoE, c.isoA, cents);
    ASSERT_EQ(B1_UmrMitBetrAusgl(sb.get(), &eb, nullptr), 0);
    const RefResult ref = balanceRef(c, cents, method);
    i128 sum = 0;
    for (int i = 0; i < items; ++i) {
        const auto k = static_cast<std::size_t>(i);
        ASSERT_EQ(slot(sb->AMOUNT_OUT[i], 16), ref.text[k]) << "method " << method << " item " << i;
        const i128 moved = ref.out[k] - ref.u1[k];
        ASSERT_LE(moved < 0 ? -moved : moved, 1);
        if (i > 0)
            sum += ref.out[k];
    }
    ASSERT_EQ(slot(sb->SSV, static_cast<std::size_t>(items)), ref.ssv) << "method " << method;
    // Needed correction (after rounding down for '1') within one cent per part: exact sum.
    i128 start = 0;
    for (int i = 1; i < items; ++i) {
        i128 d;
        i128 r;
        convertRef(c, cents[static_cast<std::size_t>(i)], r, d);
        start += method == '1' && d < 0 ? r - 1 : r;
    }
    const i128 need = start > ref.u1[0] ? start - ref.u1[0] : ref.u1[0] - start;
    if (need <= items - 1) {
        ASSERT_EQ(sum, ref.u1[0]) << "method " << method;
        ++balanced;
    }
}

} // namespace

TEST(FurtherB1, RandomisedAgainstReference) {
    const PS_EB eb = makeEb();
    std::mt19937_64 rng(1999);
    const int perMethod = 10000;
    int balanced = 0;
    for (char method : {'0', '1', '2'}) {
        for (int n = 0; n < perMethod; ++n) {
            randomCase(rng, method, eb, balanced);
            ASSERT_FALSE(::testing::Test::HasFatalFailure())
                << "method " << method << " case " << n;
        }
    }
    EXPECT_GE(balanced, 3 * perMethod * 9 / 10);
    EXPECT_TRUE(allCellsNull());
}

// The work cells are per thread: balancing in several threads at once gives the same results.
TEST(FurtherB1, ThreadsBalanceIndependently) {
    const PS_EB eb = makeEb();
    std::vector<std::thread> threads;
    std::vector<int> balanced(4, 0);
    for (unsigned t = 0; t < 4; ++t) {
        threads.emplace_back([&eb, &balanced, t] {
            std::mt19937_64 rng(100 + t);
            for (int n = 0; n < 150; ++n)
                randomCase(rng, static_cast<char>('0' + n % 3), eb, balanced[t]);
            EXPECT_TRUE(allCellsNull());
        });
    }
    for (auto& th : threads)
        th.join();
}

// The exported helpers do nothing harmful outside a B1 call.
TEST(FurtherB1, HelpersOutsideACall) {
    const PS_EB eb = makeEb();
    auto sb = makeB1('0', "DEM", "EUR", {300, 150, 150});
    ASSERT_EQ(B1_UmrMitBetrAusgl(sb.get(), &eb, nullptr), 0);
    std::memcpy(sb->SSV, "xyz", 3);
    B1_SB copy = *sb;
    Runden(sb.get());
    Runden_SSV(sb.get(), Waeh_Betrag_Abr, RundDiff_Abr);
    EXPECT_EQ(std::memcmp(&copy, sb.get(), sizeof copy), 0);
    Runden(nullptr);
    Runden_SSV(nullptr, nullptr, nullptr);
    Upd_SSV(nullptr);
    // Upd_SSV compares the output amounts with the U1 results.
    Upd_SSV(sb.get());
    EXPECT_EQ(slot(sb->SSV, 3), "-- ");
    B1_Aufraeum_Sum();
    B1_Aufraeum_Loop();
    B1_Aufraeum_Konst();
    EXPECT_TRUE(allCellsNull());
}

TEST(FurtherB1, MalformedBlocksGiveCodes) {
    const PS_EB eb = makeEb('T');
    std::mt19937_64 rng(31337);
    auto sb = std::make_unique<B1_SB>();
    auto* p = reinterpret_cast<unsigned char*>(sb.get());
    for (int n = 0; n < 400; ++n) {
        for (std::size_t i = 0; i < sizeof *sb; ++i)
            p[i] = static_cast<unsigned char>(rng());
        if (n % 2 == 0) {
            fillHead(*sb);
            sb->BALANCING_METHOD = static_cast<char>('0' + rng() % 3);
            setCount(sb->ITEM_COUNT, static_cast<int16_t>(rng() % 60));
        }
        if (n % 4 == 0) {
            // Plausible items with random amounts and codes mixed in.
            for (int i = 0; i < 50; ++i) {
                fillU1(sb->ITEMS[i].SB, rng() % 2 ? "DEM" : "EUR", rng() % 2 ? "EUR" : "ITL",
                       t13p2(static_cast<i128>(rng() % 100000)));
            }
        }
        const int32_t rc = B1_UmrMitBetrAusgl(sb.get(), &eb, nullptr);
        EXPECT_TRUE(rc == 0 || (rc >= 400 && rc <= 489)) << rc;
        EXPECT_TRUE(allCellsNull());
    }
    EXPECT_EQ(B1_UmrMitBetrAusgl(nullptr, &eb, nullptr), 461);
}
