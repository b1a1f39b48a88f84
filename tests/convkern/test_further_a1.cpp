// SPDX-License-Identifier: Apache-2.0
// Four-decimal conversion (A1) and its batch (A5): worked example, result fields on the fixed
// and rate-file paths against exact integer references, failures and the batch result.
#include <gtest/gtest.h>

#include <random>

#include "test_further_util.h"

using namespace further_test;

namespace {

A1_SB makeA1(const char* isoE, const char* isoA, i128 amount4) {
    A1_SB sb;
    std::memset(&sb, 0, sizeof sb);
    fillHead(sb);
    sb.RATE_TYPE = 'M';
    std::memcpy(sb.ISO_CODE_E, isoE, 3);
    std::memcpy(sb.ISO_CODE_A, isoA, 3);
    sb.RATE_PRINT_FLAG = 'N';
    std::memcpy(sb.BOOKING_DATE, "20010615", 8);
    const std::string a = t11p4(amount4);
    std::memcpy(sb.AMOUNT_E, a.data(), 16);
    return sb;
}

bool outputZero(const A1_SB& sb) {
    const auto* p = reinterpret_cast<const unsigned char*>(&sb);
    for (int i = A1_SB_OUT; i < A1_SB_SIZE; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

// Expected results of a conversion whose 6-decimal value is v6 (micro units) into a currency
// with `dec` decimals.
struct Expect {
    i128 rounded; // in units of 10^-dec
    i128 diff;    // micro
    i128 four;    // units of 10^-4
    i128 diff4;   // micro
    bool negative;
};
Expect expectFrom(i128 v6, int dec) {
    const i128 unit = pow10(6 - dec);
    const i128 r = roundTo(v6, unit);
    const i128 r4 = roundTo(v6, 100);
    return {r / unit, v6 - r, r4 / 100, v6 - r4, v6 < 0};
}

void checkResults(const A1_SB& sb, const Expect& e, int dec) {
    if (dec == 2) {
        EXPECT_EQ(slot(sb.AMOUNT_A_13_2, 16), roundedText(e.rounded, e.negative, 15));
        EXPECT_EQ(sb.AMOUNT_A_15_0[0], '\0');
    } else {
        EXPECT_EQ(slot(sb.AMOUNT_A_15_0, 16), roundedText(e.rounded, e.negative, 15));
        EXPECT_EQ(sb.AMOUNT_A_13_2[0], '\0');
    }
    EXPECT_EQ(slot(sb.ROUND_DIFF, 8), t1p6(e.diff));
    EXPECT_EQ(slot(sb.AMOUNT_A_11_4, 16), roundedText(e.four, e.negative, 15));
    EXPECT_EQ(slot(sb.ROUND_DIFF_4, 8), t1p6(e.diff4));
    for (int i = 197; i < 211; ++i)
        EXPECT_EQ(reinterpret_cast<const unsigned char*>(&sb)[i], 0) << i;
}

} // namespace

TEST(FurtherA1, WorkedExampleHundredMarks) {
    const PS_EB eb = makeEb();
    A1_SB sb = makeA1("DEM", "EUR", 1000000);
    ASSERT_EQ(A1_UmrFwaehrBwaehr(&sb, &eb, nullptr), 0);
    EXPECT_EQ(slot(sb.RETURN_CODE, 4), "0000");
    EXPECT_EQ(slot(sb.AMOUNT_A_13_2, 16), "+000000000005113");
    EXPECT_EQ(slot(sb.ROUND_DIFF, 8), "-0000812");
    EXPECT_EQ(slot(sb.AMOUNT_A_11_4, 16), "+000000000511292");
    EXPECT_EQ(slot(sb.ROUND_DIFF_4, 8), "-0000012");
    EXPECT_EQ(slot(sb.RATE_USED, 12), "+00019558300");
    EXPECT_EQ(sb.DEC_INDICATOR, '2');
    EXPECT_EQ(sb.FIXED_RATE_FLAG, 'J');
    EXPECT_EQ(sb.QUOTATION_USED, 'M');
    EXPECT_EQ(sb.UNIT_EXPONENT, '0');
    EXPECT_TRUE(allCellsNull());
}

// Fixed-rate paths in both directions, 2 and 0 decimals, against exact integer references.
TEST(FurtherA1, FixedRatePathsMatchExactReference) {
    const PS_EB eb = makeEb();
    struct Case {
        const char* isoE;
        const char* isoA;
        i128 rate7; // rate in units of 10^-7
        int dec;
    };
    const Case cases[] = {
        {"DEM", "EUR", 19558300, 2},    {"EUR", "DEM", 19558300, 2},
        {"EUR", "BEF", 403399000, 0},   {"ITL", "EUR", 19362700000, 2},
        {"EUR", "ITL", 19362700000, 0}, {"FRF", "EUR", 65595700, 2},
    };
    std::mt19937_64 rng(20011);
    for (const Case& c : cases) {
        for (int n = 0; n < 400; ++n) {
            i128 a4 = static_cast<i128>(rng() % 100000000000ULL);
            if (n % 3 == 0)
                a4 = static_cast<i128>(rng() % 100000);
            if (n % 2 == 1)
                a4 = -a4;
            const bool into = std::strcmp(c.isoA, "EUR") == 0;
            // into: a / r to 6 decimals cut; out of: a * r cut to 6 decimals.
            const i128 v6 = into ? a4 * pow10(9) / c.rate7 : a4 * c.rate7 / pow10(5);
            A1_SB sb = makeA1(c.isoE, c.isoA, a4);
            ASSERT_EQ(A1_UmrFwaehrBwaehr(&sb, &eb, nullptr), 0);
            SCOPED_TRACE(std::string(c.isoE) + "->" + c.isoA + " " + t11p4(a4));
            checkResults(sb, expectFrom(v6, c.dec), c.dec);
            if (::testing::Test::HasFailure())
                return;
        }
    }
    EXPECT_TRUE(allCellsNull());
}

// With an amount of two decimals, the U1 fields of A1 equal those of U1.
TEST(FurtherA1, AgreesWithU1OnTwoDecimalAmounts) {
    const PS_EB eb = makeEb();
    const char* pairs[][2] = {{"DEM", "EUR"}, {"EUR", "BEF"}, {"EUR", "NLG"}};
    std::mt19937_64 rng(7);
    for (auto& p : pairs) {
        for (int n = 0; n < 100; ++n) {
            const i128 cents = static_cast<i128>(rng() % 1000000000) - 500000000;
            A1_SB a1 = makeA1(p[0], p[1], cents * 100);
            U1_SB u1;
            fillU1(u1, p[0], p[1], t13p2(cents));
            ASSERT_EQ(A1_UmrFwaehrBwaehr(&a1, &eb, nullptr), 0);
            ASSERT_EQ(U1_UmrFwaehrBwaehr(&u1, &eb, nullptr), 0);
            EXPECT_EQ(std::memcmp(reinterpret_cast<char*>(&a1) + 105,
                                  reinterpret_cast<char*>(&u1) + 105, 64),
                      0);
        }
    }
}

TEST(FurtherA1, EdgeCases) {
    const PS_EB eb = makeEb();
    {
        // A result of 10^11 or more: the 13,2 result is written, the four-decimal fields stay
        // zero, and the call succeeds.
        A1_SB sb = makeA1("EUR", "DEM", pow10(15) - 1);
        ASSERT_EQ(A1_UmrFwaehrBwaehr(&sb, &eb, nullptr), 0);
        EXPECT_EQ(slot(sb.AMOUNT_A_13_2, 16), "+019558300000000");
        EXPECT_EQ(slot(sb.ROUND_DIFF, 8), "-0000196");
        for (std::size_t i = 0; i < sizeof sb.AMOUNT_A_11_4; ++i)
            EXPECT_EQ(sb.AMOUNT_A_11_4[i], '\0');
        for (std::size_t i = 0; i < sizeof sb.ROUND_DIFF_4; ++i)
            EXPECT_EQ(sb.ROUND_DIFF_4[i], '\0');
    }
    {
        // Negative amounts: exact negatives in all three result fields.
        A1_SB pos = makeA1("DEM", "EUR", 1234567);
        A1_SB neg = makeA1("DEM", "EUR", -1234567);
        ASSERT_EQ(A1_UmrFwaehrBwaehr(&pos, &eb, nullptr), 0);
        ASSERT_EQ(A1_UmrFwaehrBwaehr(&neg, &eb, nullptr), 0);
        EXPECT_EQ(slot(neg.AMOUNT_A_13_2, 16), "-" + slot(pos.AMOUNT_A_13_2 + 1, 15));
        EXPECT_EQ(slot(neg.AMOUNT_A_11_4, 16), "-" + slot(pos.AMOUNT_A_11_4 + 1, 15));
        EXPECT_EQ(slot(neg.ROUND_DIFF_4 + 1, 7), slot(pos.ROUND_DIFF_4 + 1, 7));
        EXPECT_NE(neg.ROUND_DIFF_4[0], pos.ROUND_DIFF_4[0]);
    }
    EXPECT_TRUE(allCellsNull());
}

// Failures: code, number, output area zero even when the caller left data there.
TEST(FurtherA1, FailuresInTheirOrder) {
    const PS_EB eb = makeEb();
    RateFile rates({{"GBP", "20010101", 'J', "1", 'J', 'J', "+00006234500", 'M'},
                    {"USD", "20010101", 'N', "1", 'J', 'N', "+00010234500", 'M'},
                    {"CHF", "20010101", 'N', "10", 'J', 'J', "+00015234500", 'M'}});
    struct Case {
        const char* name;
        const char* version;
        const char* sender;
        const char* isoE;
        const char* isoA;
        char rateType;
        char printFlag;
        int32_t rc;
    };
    const Case cases[] = {
        {"version", "02", "TESTPROG", "DEM", "EUR", 'M', 'N', 461},
        {"version before sender", "02", "        ", "DEM", "EUR", 'M', 'N', 461},
        {"sender blank", "01", "        ", "DEM", "EUR", 'M', 'N', 401},
        {"both base", "01", "TESTPROG", "EUR", "EUR", 'M', 'N', 462},
        {"neither base", "01", "TESTPROG", "DEM", "FRF", 'M', 'N', 462},
        {"lower-case code", "01", "TESTPROG", "dem", "EUR", 'M', 'N', 482},
        {"blocked", "01", "TESTPROG", "GBP", "EUR", 'M', 'N', 467},
        {"print flag", "01", "TESTPROG", "EUR", "USD", 'M', 'J', 468},
        {"rate type", "01", "TESTPROG", "USD", "EUR", 'Q', 'N', 465},
        {"unit 10", "01", "TESTPROG", "CHF", "EUR", 'M', 'N', 463},
        {"fixed rate ignores the rate type", "01", "TESTPROG", "DEM", "EUR", 'Q', 'N', 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        A1_SB sb = makeA1(c.isoE, c.isoA, 1000000);
        std::memcpy(sb.SB_VERSION, c.version, 2);
        std::memcpy(sb.SENDER, c.sender, 8);
        sb.RATE_TYPE = c.rateType;
        sb.RATE_PRINT_FLAG = c.printFlag;
        std::memset(reinterpret_cast<char*>(&sb) + A1_SB_OUT, 'x', A1_SB_SIZE - A1_SB_OUT);
        EXPECT_EQ(A1_UmrFwaehrBwaehr(&sb, &eb, nullptr), c.rc);
        char code[5];
        std::snprintf(code, sizeof code, "%04d", c.rc);
        EXPECT_EQ(slot(sb.RETURN_CODE, 4), code);
        if (c.rc != 0) {
            EXPECT_TRUE(outputZero(sb));
        }
        EXPECT_TRUE(allCellsNull());
    }
}

// Rate-file path: 'P' and 'M' quotations, units 1 and 100, both directions.
TEST(FurtherA1, RateFilePathMatchesExactReference) {
    const PS_EB eb = makeEb();
    RateFile rates({{"GBP", "20010101", 'N', "1", 'J', 'J', "+00016234567", 'P'},
                    {"USD", "20010101", 'N', "100", 'J', 'J', "+00913456700", 'M'},
                    {"CHF", "20010101", 'N', "1", 'N', 'J', "+00015234567", 'M'}});
    std::mt19937_64 rng(99);
    for (int n = 0; n < 200; ++n) {
        const i128 a4 = static_cast<i128>(rng() % 10000000000ULL) - 5000000000;
        {
            // GBP into EUR, 'P': a * r, cut to 6, 2 decimals.
            A1_SB sb = makeA1("GBP", "EUR", a4);
            ASSERT_EQ(A1_UmrFwaehrBwaehr(&sb, &eb, nullptr), 0);
            EXPECT_EQ(sb.FIXED_RATE_FLAG, 'N');
            EXPECT_EQ(sb.QUOTATION_USED, 'P');
            checkResults(sb, expectFrom(a4 * 16234567 / pow10(5), 2), 2);
        }
        {
            // USD into EUR, 'M' per 100 units: a / r to 4 decimals, then / 100.
            A1_SB sb = makeA1("USD", "EUR", a4);
            ASSERT_EQ(A1_UmrFwaehrBwaehr(&sb, &eb, nullptr), 0);
            EXPECT_EQ(sb.UNIT_EXPONENT, '2');
            checkResults(sb, expectFrom(a4 * pow10(7) / 913456700, 2), 2);
        }
        {
            // EUR into CHF without decimals, 'M': a * r, cut to 6, 0 decimals.
            A1_SB sb = makeA1("EUR", "CHF", a4);
            ASSERT_EQ(A1_UmrFwaehrBwaehr(&sb, &eb, nullptr), 0);
            EXPECT_EQ(sb.DEC_INDICATOR, '0');
            checkResults(sb, expectFrom(a4 * 15234567 / pow10(5), 0), 0);
        }
        if (::testing::Test::HasFailure())
            return;
    }
    EXPECT_TRUE(allCellsNull());
}

TEST(FurtherA5, BatchKeepsGoingAndReturnsLargestResult) {
    const PS_EB eb = makeEb('T');
    RateFile rates({{"GBP", "20010101", 'J', "1", 'J', 'J', "+00006234500", 'M'}});
    A5_ELEM elems[4];
    std::memset(elems, 0, sizeof elems);
    elems[0].SB = makeA1("DEM", "EUR", 1000000);
    elems[1].SB = makeA1("GBP", "EUR", 1000000); // blocked: 467
    elems[2].SB = makeA1("DEM", "DEM", 1000000); // 462
    elems[3].SB = makeA1("EUR", "DEM", 10000);
    EXPECT_EQ(A5_UmrFwaehrBwaehr(4, elems, &eb, nullptr), 467);
    EXPECT_EQ(elems[0].RESULT, 0);
    EXPECT_EQ(elems[1].RESULT, 467);
    EXPECT_EQ(elems[2].RESULT, 462);
    EXPECT_EQ(elems[3].RESULT, 0);
    EXPECT_EQ(slot(elems[0].SB.AMOUNT_A_11_4, 16), "+000000000511292");
    EXPECT_EQ(slot(elems[3].SB.AMOUNT_A_11_4, 16), "+000000000019558");
    EXPECT_EQ(slot(elems[3].SB.ROUND_DIFF_4, 8), "+0000030");
    EXPECT_EQ(slot(elems[2].SB.RETURN_CODE, 4), "0462");

    A5_ELEM untouched;
    std::memset(&untouched, 0x5A, sizeof untouched);
    EXPECT_EQ(A5_UmrFwaehrBwaehr(0, &untouched, &eb, nullptr), 0);
    EXPECT_EQ(A5_UmrFwaehrBwaehr(-3, nullptr, &eb, nullptr), 0);
    EXPECT_EQ(untouched.RESULT, 0x5A5A5A5A);
    EXPECT_TRUE(allCellsNull());
}

TEST(FurtherA1, MalformedBlocksGiveCodes) {
    const PS_EB eb = makeEb();
    std::mt19937_64 rng(4711);
    for (int n = 0; n < 3000; ++n) {
        A1_SB sb = makeA1("DEM", "EUR", 1000000);
        auto* p = reinterpret_cast<unsigned char*>(&sb);
        const int flips = 1 + static_cast<int>(rng() % 40);
        for (int f = 0; f < flips; ++f)
            p[rng() % sizeof sb] = static_cast<unsigned char>(rng());
        if (n % 10 == 0)
            for (std::size_t i = 0; i < sizeof sb; ++i)
                p[i] = static_cast<unsigned char>(rng());
        const int32_t rc = A1_UmrFwaehrBwaehr(&sb, &eb, nullptr);
        EXPECT_TRUE(rc == 0 || (rc >= 400 && rc <= 489)) << rc;
        if (rc != 0) {
            EXPECT_TRUE(outputZero(sb));
        }
    }
    EXPECT_EQ(A1_UmrFwaehrBwaehr(nullptr, &eb, nullptr), 461);
    A1_SB sb = makeA1("DEM", "EUR", 1);
    EXPECT_EQ(A1_UmrFwaehrBwaehr(&sb, nullptr, nullptr), 462);
    EXPECT_TRUE(allCellsNull());
}
