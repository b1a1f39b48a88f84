// SPDX-License-Identifier: Apache-2.0
// Smoothing (G1): worked examples, checks and their order, failing items, whole-unit results,
// random items against exact integer arithmetic, malformed blocks.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "test_further_util.h"

using namespace further_test;

namespace {

const char kNoValue[] = "+000000000000000";

// Items convert euro into "TST" (rate 1, 2 decimals), so the converted amount equals the input.
std::unique_ptr<G1_SB> makeG1(char method, const char* value, int16_t exponent,
                              const std::vector<i128>& cents, const char* isoA = "TST") {
    auto sb = std::make_unique<G1_SB>();
    std::memset(sb.get(), 0, sizeof *sb);
    fillHead(*sb);
    setCount(sb->ITEM_COUNT, static_cast<int16_t>(cents.size()));
    std::memcpy(sb->SMOOTHING_VALUE, value, 16);
    setCount(sb->SMOOTHING_EXPONENT, exponent);
    sb->SMOOTHING_METHOD = method;
    for (std::size_t i = 0; i < cents.size() && i < 50; ++i)
        fillU1(sb->ITEMS[i].SB, "EUR", isoA, t13p2(cents[i]));
    return sb;
}

bool outputZero(const G1_SB& sb) {
    const auto* p = reinterpret_cast<const unsigned char*>(&sb);
    for (std::size_t i = G1_SB_OUT; i < G1_SB_OUT_END; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

} // namespace

TEST(FurtherG1, WorkedExamplesWithHundred) {
    const PS_EB eb = makeEb();
    struct Case {
        char method;
        i128 cents;
        const char* units;
        const char* rest;
    };
    const Case cases[] = {
        {'G', 123456, "+000000000000012", "+000000000003456"},
        {'M', 123456, "+000000000000012", "+000000000003456"},
        {'G', 125600, "+000000000000013", "-000000000004400"},
        {'M', 125600, "+000000000000012", "+000000000005600"},
        {'G', -125600, "-000000000000013", "+000000000004400"},
        {'G', 125000, "+000000000000013", "-000000000005000"},
        {'M', 125000, "+000000000000012", "+000000000005000"},
        {'G', -125000, "-000000000000013", "+000000000005000"},
        {'M', -125699, "-000000000000012", "-000000000005699"},
        {'G', 4999, "+000000000000000", "+000000000004999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(t13p2(c.cents) + " " + c.method);
        // R = 100 given as a value and as the exponent 2.
        for (bool byValue : {true, false}) {
            auto sb = makeG1(c.method, byValue ? "+000000000000100" : kNoValue, byValue ? 9 : 2,
                             {c.cents});
            std::memcpy(sb->RETURN_CODE, "ABCD", 4);
            ASSERT_EQ(G1_UmrMitGlaettung(sb.get(), &eb, nullptr), 0);
            EXPECT_EQ(slot(sb->UNITS_OUT[0], 18), std::string(c.units) + std::string(2, '\0'));
            EXPECT_EQ(slot(sb->REST_OUT[0], 18), std::string(c.rest) + std::string(2, '\0'));
            EXPECT_EQ(itemResult(sb->ITEMS[0]), 0);
            EXPECT_EQ(slot(sb->RETURN_CODE, 4), "ABCD");
            EXPECT_EQ(sb->UNITS_OUT[1][0], '\0');
        }
    }
    EXPECT_TRUE(allCellsNull());
}

TEST(FurtherG1, ChecksAndTheirOrder) {
    const PS_EB eb = makeEb('T');
    struct Case {
        const char* name;
        const char* version;
        const char* sender;
        int16_t count;
        char method;
        const char* value;
        int16_t exponent;
        int32_t rc;
    };
    const Case cases[] = {
        {"version", "10", "TESTPROG", 1, 'G', kNoValue, 2, 461},
        {"version first", "02", "        ", 0, 'X', kNoValue, 0, 461},
        {"sender", "01", "        ", 1, 'G', kNoValue, 2, 401},
        {"sender zero byte", "01", "\0\0\0\0\0\0\0\0", 1, 'G', kNoValue, 2, 401},
        {"sender before count", "01", " X      ", 0, 'G', kNoValue, 2, 401},
        {"count 0", "01", "TESTPROG", 0, 'G', kNoValue, 2, 470},
        {"count 51", "01", "TESTPROG", 51, 'G', kNoValue, 2, 470},
        {"count before method", "01", "TESTPROG", -1, 'X', kNoValue, 0, 470},
        {"method", "01", "TESTPROG", 1, 'g', kNoValue, 2, 473},
        {"method before unit", "01", "TESTPROG", 1, 'R', kNoValue, 0, 473},
        {"no unit", "01", "TESTPROG", 1, 'M', kNoValue, 0, 474},
        {"largest value", "01", "TESTPROG", 1, 'G', "+000000001000000", 0, 0},
        {"value above", "01", "TESTPROG", 1, 'G', "+000000001000001", 0, 475},
        {"negative value", "01", "TESTPROG", 1, 'G', "-000000000000100", 2, 475},
        {"blank sign", "01", "TESTPROG", 1, 'G', " 000000000000100", 2, 475},
        {"stray character", "01", "TESTPROG", 1, 'G', "+00000000009999:", 2, 475},
        {"exponent 7", "01", "TESTPROG", 1, 'G', kNoValue, 7, 475},
        {"exponent -1", "01", "TESTPROG", 1, 'G', kNoValue, -1, 475},
        {"exponent 6", "01", "TESTPROG", 1, 'G', kNoValue, 6, 0},
        {"value wins over exponent", "01", "TESTPROG", 1, 'M', "+000000000000050", 9, 0},
        {"one item accepted", "01", "TESTPROG", 1, 'M', kNoValue, 1, 0},
        {"fifty items accepted", "01", "TESTPROG", 50, 'M', kNoValue, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto sb = makeG1(c.method, c.value, c.exponent, std::vector<i128>(50, 12345));
        std::memcpy(sb->SB_VERSION, c.version, 2);
        std::memcpy(sb->SENDER, c.sender, 8);
        setCount(sb->ITEM_COUNT, c.count);
        std::memset(reinterpret_cast<char*>(sb.get()) + G1_SB_OUT, 'x', G1_SB_OUT_END - G1_SB_OUT);
        EXPECT_EQ(G1_UmrMitGlaettung(sb.get(), &eb, nullptr), c.rc);
        if (c.rc != 0) {
            char code[5];
            std::snprintf(code, sizeof code, "%04d", c.rc);
            EXPECT_EQ(slot(sb->RETURN_CODE, 4), code);
            EXPECT_TRUE(outputZero(*sb));
            EXPECT_EQ(itemResult(sb->ITEMS[0]), 0);
            EXPECT_EQ(sb->ITEMS[0].SB.AMOUNT_A_13_2[0], '\0'); // not converted
        }
        EXPECT_TRUE(allCellsNull());
    }
    // R = 50 from the value despite the exponent 9.
    auto sb = makeG1('M', "+000000000000050", 9, {12345});
    ASSERT_EQ(G1_UmrMitGlaettung(sb.get(), &eb, nullptr), 0);
    EXPECT_EQ(slot(sb->UNITS_OUT[0], 16), "+000000000000002");
    EXPECT_EQ(slot(sb->REST_OUT[0], 16), "+000000000002345");
}

// A failing item keeps the zero texts; the others are converted; the result is the largest.
TEST(FurtherG1, FailingItemsDoNotStopTheOthers) {
    const PS_EB eb = makeEb();
    auto sb = makeG1('G', kNoValue, 3, {1234567, 100, 200, 300});
    fillU1(sb->ITEMS[1].SB, "EUR", "XYZ", t13p2(100)); // not in the rate file: 489 or 482
    fillU1(sb->ITEMS[2].SB, "EUR", "EUR", t13p2(100)); // 462
    std::memcpy(sb->RETURN_CODE, "ABCD", 4);
    RateFile rates({{"GBP", "20010101", 'N', "1", 'J', 'J', "+00016234567", 'P'}});
    EXPECT_EQ(G1_UmrMitGlaettung(sb.get(), &eb, nullptr), 482);
    EXPECT_EQ(slot(sb->RETURN_CODE, 4), "ABCD");
    EXPECT_EQ(itemResult(sb->ITEMS[0]), 0);
    EXPECT_EQ(itemResult(sb->ITEMS[1]), 482);
    EXPECT_EQ(itemResult(sb->ITEMS[2]), 462);
    EXPECT_EQ(itemResult(sb->ITEMS[3]), 0);
    EXPECT_EQ(slot(sb->UNITS_OUT[0], 16), "+000000000000012");
    EXPECT_EQ(slot(sb->REST_OUT[0], 16), "+000000000034567");
    for (int i : {1, 2})
        EXPECT_EQ(slot(sb->UNITS_OUT[i], 18) + slot(sb->REST_OUT[i], 18),
                  std::string("+000000000000000\0\0+000000000000000\0\0", 36));
    EXPECT_EQ(slot(sb->UNITS_OUT[3], 16), "+000000000000000");
    EXPECT_EQ(slot(sb->REST_OUT[3], 16), "+000000000000300");
    EXPECT_EQ(slot(sb->ITEMS[2].SB.RETURN_CODE, 4), "0462");
    EXPECT_TRUE(allCellsNull());
}

// Items converted into a currency without decimals use the whole-unit result.
TEST(FurtherG1, WholeUnitResults) {
    const PS_EB eb = makeEb();
    // 1.00 euro = 1936.27 lire -> 1936; 0.50 euro = 968.135 -> 968; into "TS0" 1256.00 -> 1256.
    auto sb = makeG1('G', "+000000000000100", 0, {100, 50, 125600, -125000}, "ITL");
    fillU1(sb->ITEMS[2].SB, "EUR", "TS0", t13p2(125600));
    fillU1(sb->ITEMS[3].SB, "EUR", "TS0", t13p2(-125000));
    ASSERT_EQ(G1_UmrMitGlaettung(sb.get(), &eb, nullptr), 0);
    EXPECT_EQ(slot(sb->UNITS_OUT[0], 16), "+000000000000019");
    EXPECT_EQ(slot(sb->REST_OUT[0], 16), "+000000000003600");
    EXPECT_EQ(slot(sb->UNITS_OUT[1], 16), "+000000000000010");
    EXPECT_EQ(slot(sb->REST_OUT[1], 16), "-000000000003200");
    EXPECT_EQ(slot(sb->UNITS_OUT[2], 16), "+000000000000013");
    EXPECT_EQ(slot(sb->REST_OUT[2], 16), "-000000000004400");
    EXPECT_EQ(slot(sb->UNITS_OUT[3], 16), "-000000000000013");
    EXPECT_EQ(slot(sb->REST_OUT[3], 16), "+000000000005000");
}

// Random items: k x R + remainder equals the converted amount and k is the rounded or cut
// quotient, computed here with exact integers.
TEST(FurtherG1, RandomItemsAgainstExactArithmetic) {
    const PS_EB eb = makeEb();
    const char* targets[] = {"TST", "DEM", "FRF", "BEF", "ITL"};
    std::mt19937_64 rng(2002);
    int items = 0;
    for (int n = 0; n < 1500; ++n) {
        const char method = rng() % 2 ? 'G' : 'M';
        const bool byValue = rng() % 2;
        const int exponent = 1 + static_cast<int>(rng() % 6);
        const i128 unit = byValue ? 1 + static_cast<i128>(rng() % 1000000) : pow10(exponent);
        const int count = 1 + static_cast<int>(rng() % 50);
        std::vector<i128> cents(static_cast<std::size_t>(count));
        for (auto& c : cents) {
            c = static_cast<i128>(rng() % (rng() % 2 ? 100000ULL : 100000000000ULL));
            if (rng() % 3 == 0)
                c = -c;
        }
        auto sb = makeG1(
            method, byValue ? t15p0(unit).c_str() : kNoValue,
            byValue ? static_cast<int16_t>(rng() % 100) : static_cast<int16_t>(exponent), cents);
        for (int i = 0; i < count; ++i)
            std::memcpy(sb->ITEMS[i].SB.ISO_CODE_A, targets[rng() % std::size(targets)], 3);
        ASSERT_EQ(G1_UmrMitGlaettung(sb.get(), &eb, nullptr), 0);
        for (int i = 0; i < count; ++i) {
            const U1_SB& u1 = sb->ITEMS[i].SB;
            // The converted amount in cents, from whichever field U1 filled.
            const i128 a = u1.DEC_INDICATOR == '2' ? readField(u1.AMOUNT_A_13_2, 15)
                                                   : readField(u1.AMOUNT_A_15_0, 15) * 100;
            const i128 k = readField(sb->UNITS_OUT[i], 15);
            const i128 rest = readField(sb->REST_OUT[i], 15);
            const i128 r = unit * 100;
            ASSERT_EQ(k * r + rest, a) << "case " << n << " item " << i;
            const i128 expectK = method == 'G' ? roundTo(a, r) / r : cutTo(a, r) / r;
            ASSERT_EQ(k, expectK) << "case " << n << " item " << i;
            if (method == 'M') {
                ASSERT_TRUE(a >= 0 ? (rest >= 0 && rest < r) : (rest <= 0 && rest > -r));
            } else {
                ASSERT_TRUE(a >= 0 ? (2 * rest >= -r && 2 * rest < r)
                                   : (2 * rest > -r && 2 * rest <= r));
            }
            ++items;
        }
    }
    EXPECT_GT(items, 30000);
    EXPECT_TRUE(allCellsNull());
}

TEST(FurtherG1, MalformedBlocksGiveCodes) {
    const PS_EB eb = makeEb('T');
    std::mt19937_64 rng(555);
    auto sb = std::make_unique<G1_SB>();
    auto* p = reinterpret_cast<unsigned char*>(sb.get());
    for (int n = 0; n < 400; ++n) {
        for (std::size_t i = 0; i < sizeof *sb; ++i)
            p[i] = static_cast<unsigned char>(rng());
        if (n % 2 == 0) {
            fillHead(*sb);
            sb->SMOOTHING_METHOD = rng() % 2 ? 'G' : 'M';
            setCount(sb->ITEM_COUNT, static_cast<int16_t>(rng() % 55));
            setCount(sb->SMOOTHING_EXPONENT, static_cast<int16_t>(rng() % 8));
            if (rng() % 2)
                std::memcpy(sb->SMOOTHING_VALUE, kNoValue, 16);
        }
        if (n % 4 == 0)
            for (int i = 0; i < 50; ++i)
                fillU1(sb->ITEMS[i].SB, "EUR", rng() % 2 ? "TST" : "TS0",
                       t13p2(static_cast<i128>(rng())));
        const int32_t rc = G1_UmrMitGlaettung(sb.get(), &eb, nullptr);
        EXPECT_TRUE(rc == 0 || (rc >= 400 && rc <= 489)) << rc;
        EXPECT_TRUE(allCellsNull());
    }
    EXPECT_EQ(G1_UmrMitGlaettung(nullptr, &eb, nullptr), 461);
}
