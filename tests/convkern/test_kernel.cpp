// SPDX-License-Identifier: Apache-2.0
// Kernel conversions: worked results, the order of the checks, rate-file paths, edge cases,
// batches and the state of the work cells.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kern_test_util.h"

#ifdef KERNEL_TEST_WITH_LOADER
#include "ctrldata.h"
#endif

extern "C" size_t kernel_header_c_sizes(void);

namespace {

using kt::str;

TEST(KernelHeader, SameLayoutInCAndCpp) {
    EXPECT_EQ(kernel_header_c_sizes(),
              183u + 192u + 227u + 252u + 296u + 188u + 196u + 232u + 256u);
}
using kt::text;

class Kernel : public ::testing::Test {
  protected:
    PS_EB eb = kt::makeEb();
    kt::RateFile rf;
    void SetUp() override {
        // GBP: quotation 'M' per 1 unit; USD 'P' per 100; JPY 'M' per 1000 without decimals;
        // CHF blank quotation; SEK blocked; DKK without rate print; NOK zero rates.
        using kt::record;
        auto gbp1 = record("GBP", "20010320", "+00006123400");
        auto gbp2 = record("GBP", "20010310", "+00006000000");
        auto gbp3 = record("GBP", "20010101", "+00005900000");
        auto usd = record("USD", "20010101", "+00009300000", 100, 'P');
        auto jpy = record("JPY", "20010101", "+01050000000", 1000, 'M', 'N');
        auto chf = record("CHF", "20010101", "+00015000000", 1, ' ');
        auto sek = record("SEK", "20010101", "+00090000000");
        sek.blocked = 'J';
        sek.ratePrint = 'N';
        auto dkk = record("DKK", "20010101", "+00074500000");
        dkk.ratePrint = 'N';
        auto nok = record("NOK", "20010101", "+00000000000", 1, 'M');
        auto nokp = record("NOP", "20010101", "+00000000000", 1, 'P');
        auto ten = record("TEN", "20010101", "+00010000000", 10);
        auto rtypes = record("RTY", "20010101", "+00010000000");
        for (int i = 0; i < 6; ++i)
            rtypes.rates[static_cast<std::size_t>(i)] = kt::rate(10000000 * (i + 1));
        rf.write({chf, dkk, gbp1, gbp2, gbp3, jpy, nok, nokp, rtypes, sek, ten, usd});
    }
};

// ---- worked results ----------------------------------------------------------------------

TEST_F(Kernel, U1MarkIntoEuro) {
    U1_SB b = kt::u1("DEM", "EUR", 10000);
    ASSERT_EQ(U1_UmrFwaehrBwaehr(&b, &eb, nullptr), 0);
    EXPECT_EQ(str(b.RETURN_CODE), "0000");
    EXPECT_EQ(text(b.AMOUNT_A_13_2), "+000000000005113");
    EXPECT_EQ(text(b.ROUND_DIFF), "-0000812");
    EXPECT_EQ(text(b.RATE_USED), "+00019558300");
    EXPECT_EQ(b.FIXED_RATE_FLAG, 'J');
    EXPECT_EQ(b.QUOTATION_USED, 'M');
    EXPECT_EQ(b.UNIT_EXPONENT, '0');
    EXPECT_EQ(b.DEC_INDICATOR, '2');
    EXPECT_TRUE(kt::allZero(b.AMOUNT_A_15_0, 0));
    EXPECT_TRUE(kt::allZero(b.res_169, 0));
}

TEST_F(Kernel, U1EuroIntoMark) {
    U1_SB b = kt::u1("EUR", "DEM", 10000);
    ASSERT_EQ(U1_UmrFwaehrBwaehr(&b, &eb, nullptr), 0);
    EXPECT_EQ(text(b.AMOUNT_A_13_2), "+000000000019558");
    EXPECT_EQ(text(b.ROUND_DIFF), "+0003000");
    EXPECT_EQ(b.DEC_INDICATOR, '2');
}

TEST_F(Kernel, U3MarkIntoFranc) {
    U3_SB b = kt::u3("DEM", "FRF", 10000);
    ASSERT_EQ(U3_UmrFwaehrBwaehrFwaehr(&b, &eb, nullptr), 0);
    EXPECT_EQ(str(b.RETURN_CODE), "0000");
    EXPECT_EQ(text(b.AMOUNT_A_13_2), "+000000000033538");
    EXPECT_EQ(text(b.ROUND_DIFF), "+0004254");
    EXPECT_EQ(text(b.BASE_AMOUNT), "+000000000051129");
    EXPECT_EQ(text(b.BASE_ROUND_DIFF), "+0000188");
    EXPECT_EQ(b.FIXED_RATE_FLAG_E, 'J');
    EXPECT_EQ(b.FIXED_RATE_FLAG_A, 'J');
    EXPECT_EQ(b.QUOTATION_USED_E, 'M');
    EXPECT_EQ(b.QUOTATION_USED_A, 'M');
    EXPECT_EQ(text(b.RATE_USED_E), "+00019558300");
    EXPECT_EQ(text(b.RATE_USED_A), "+00065595700");
    EXPECT_EQ(b.DEC_INDICATOR, '2');
}

TEST_F(Kernel, U2FixedRateReplacesGivenRate) {
    for (int64_t given : {19558300LL, 1LL, 99999999999LL}) {
        U2_SB b = kt::u2("DEM", "EUR", 10000, given, 7, 'Q');
        ASSERT_EQ(U2_UmrFwaehrBwaehrKv(&b, &eb, nullptr), 261);
        EXPECT_EQ(str(b.RETURN_CODE), "0261");
        EXPECT_EQ(text(b.AMOUNT_A_13_2), "+000000000005113");
        EXPECT_EQ(text(b.ROUND_DIFF), "-0000812");
        EXPECT_EQ(text(b.RATE_USED), "+00019558300");
        EXPECT_EQ(b.QUOTATION, 'Q') << "quotation of a fixed-rate call is not examined";
    }
}

TEST_F(Kernel, U2GivenRateWithoutFixedRate) {
    U2_SB b = kt::u2("GBP", "EUR", 10000, 19558300, 1, 'M');
    ASSERT_EQ(U2_UmrFwaehrBwaehrKv(&b, &eb, nullptr), 0);
    EXPECT_EQ(str(b.RETURN_CODE), "0000");
    EXPECT_EQ(text(b.AMOUNT_A_13_2), "+000000000005113");
    EXPECT_EQ(text(b.ROUND_DIFF), "-0000812");
    EXPECT_EQ(text(b.RATE_USED), "+00019558300");
    EXPECT_EQ(b.QUOTATION_USED, 'M');
    EXPECT_EQ(b.UNIT_EXPONENT, '0');
}

#ifdef KERNEL_TEST_WITH_LOADER
// The same numbers with the control data as the loader hands them over.
TEST_F(Kernel, U1WithLoadedBuiltInControlData) {
    unsetenv("TARVO_STEUDAT");
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(rf.dir()); // no TARVO.DAT there: built-in data
    PS_SB sb;
    std::memset(&sb, 0, sizeof sb);
    std::memcpy(sb.SB_VERSION, "01", 2);
    std::memcpy(sb.SENDER, "TESTPROG", 8);
    std::memcpy(sb.EB_VERSION, "  ", 2);
    std::memcpy(sb.ANWENDUNG, "        ", 8);
    std::memcpy(sb.BEZUGSDATUM, "20010615", 8);
    PS_EB loaded;
    std::memset(&loaded, 0, sizeof loaded);
    int32_t aux = 0;
    const int32_t rc = PS_LesenTarvoDaten(&sb, &aux, &loaded);
    std::filesystem::current_path(cwd);
    ASSERT_EQ(rc, 0);
    U1_SB b = kt::u1("DEM", "EUR", 10000);
    ASSERT_EQ(U1_UmrFwaehrBwaehr(&b, &loaded, &aux), 0);
    EXPECT_EQ(text(b.AMOUNT_A_13_2), "+000000000005113");
    EXPECT_EQ(text(b.ROUND_DIFF), "-0000812");
}
#endif

// ---- order of the checks ---------------------------------------------------------------

struct HeadCase {
    const char* name;
    const char* version;
    const char* sender;
    const char* e;
    const char* a;
    int rc;
};

const HeadCase kHeadCases[] = {
    {"version 02", "02", "TESTPROG", "DEM", "EUR", 461},
    {"version and sender wrong", "02", "        ", "DEM", "EUR", 461},
    {"sender blank", "01", "        ", "DEM", "EUR", 401},
    {"sender zero byte", "01", "\0ESTPROG", "DEM", "EUR", 401},
    {"sender blank and codes wrong", "01", "        ", "EUR", "EUR", 401},
    {"sender with trailing blanks", "01", "X       ", "DEM", "EUR", 0},
    {"both base", "01", "TESTPROG", "EUR", "EUR", 462},
    {"neither base", "01", "TESTPROG", "DEM", "FRF", 462},
    {"lower-case base", "01", "TESTPROG", "DEM", "eur", 462},
};

TEST_F(Kernel, U1HeadChecksInOrderAndOutputZeroed) {
    for (const auto& c : kHeadCases) {
        U1_SB b = kt::u1(c.e, c.a, 10000);
        std::memcpy(b.SB_VERSION, c.version, 2);
        std::memcpy(b.SENDER, c.sender, 8);
        std::memset(b.AMOUNT_A_13_2, 'x', U1_SB_SIZE - U1_SB_OUT); // caller's leftovers
        const int32_t rc = U1_UmrFwaehrBwaehr(&b, &eb, nullptr);
        EXPECT_EQ(rc, c.rc) << c.name;
        char code[5];
        std::snprintf(code, sizeof code, "%04d", c.rc);
        EXPECT_EQ(str(b.RETURN_CODE), code) << c.name;
        if (c.rc != 0) {
            EXPECT_TRUE(kt::allZero(b, U1_SB_OUT)) << c.name;
        }
        EXPECT_TRUE(kt::workCellsNull()) << c.name;
    }
}

TEST_F(Kernel, U2U4HeadChecksClearPresets) {
    for (const auto& c : kHeadCases) {
        U2_SB b = kt::u2(c.e, c.a, 10000, 19558300);
        std::memcpy(b.SB_VERSION, c.version, 2);
        std::memcpy(b.SENDER, c.sender, 8);
        const int32_t rc = U2_UmrFwaehrBwaehrKv(&b, &eb, nullptr);
        EXPECT_EQ(rc, c.rc == 0 ? 261 : c.rc) << c.name;
        if (c.rc != 0) {
            EXPECT_TRUE(kt::allZero(b, U2_SB_OUT)) << c.name;
        }
    }
    // U4: codes must both differ from the base currency.
    U4_SB b = kt::u4("EUR", 1, 1, 'M', "FRF", 1, 1, 'M', 100);
    EXPECT_EQ(U4_UmrFwaehrBwaehrFwaehrKv(&b, &eb, nullptr), 462);
    EXPECT_TRUE(kt::allZero(b, U4_SB_OUT));
    b = kt::u4("DEM", 1, 1, 'M', "FRF", 1, 1, 'M', 100);
    std::memcpy(b.SB_VERSION, "00", 2);
    EXPECT_EQ(U4_UmrFwaehrBwaehrFwaehrKv(&b, &eb, nullptr), 461);
    EXPECT_TRUE(kt::allZero(b, U4_SB_OUT));
}

TEST_F(Kernel, U3HeadChecks) {
    struct {
        const char* e;
        const char* a;
        int rc;
    } cases[] = {{"EUR", "FRF", 462}, {"DEM", "EUR", 462}, {"DEM", "DEM", 0}, {"FRF", "DEM", 0}};
    for (const auto& c : cases) {
        U3_SB b = kt::u3(c.e, c.a, 10000);
        EXPECT_EQ(U3_UmrFwaehrBwaehrFwaehr(&b, &eb, nullptr), c.rc) << c.e << c.a;
    }
    // Through the base and back: the intermediate rounding may change the amount.
    U3_SB b = kt::u3("ITL", "ITL", 12345600); // 123456 lire
    ASSERT_EQ(U3_UmrFwaehrBwaehrFwaehr(&b, &eb, nullptr), 0);
    EXPECT_EQ(b.DEC_INDICATOR, '0');
    EXPECT_EQ(text(b.AMOUNT_A_15_0), "+000000000123457"); // 63.760 EUR
}

// Rate-file path failures come in the order: reader, blocked, rate print, rate type.
TEST_F(Kernel, U1RateFileFailureOrder) {
    struct {
        const char* iso;
        char rateType;
        char printDemand;
        const char* date;
        int rc;
    } cases[] = {
        {"QQQ", 'Q', 'J', "20010615", 482}, // reader first
        {"GBP", 'Q', 'J', "20000101", 485}, // all records newer than the date
        {"SEK", 'Q', 'J', "20010615", 467}, // blocked before rate print and type
        {"DKK", 'Q', 'J', "20010615", 468}, // rate print before type
        {"DKK", 'Q', 'N', "20010615", 465}, // print not demanded: type
        {"DKK", 'M', 'N', "20010615", 0},   {"TEN", 'M', 'N', "20010615", 463}, // unit 10
        {"dem", 'M', 'N', "20010615", 482}, // lower case is not the mark
    };
    for (const auto& c : cases) {
        for (bool into : {true, false}) {
            U1_SB b = into ? kt::u1(c.iso, "EUR", 10000, c.rateType, c.date, c.printDemand)
                           : kt::u1("EUR", c.iso, 10000, c.rateType, c.date, c.printDemand);
            std::memset(b.AMOUNT_A_13_2, 'x', 10);
            const int32_t rc = U1_UmrFwaehrBwaehr(&b, &eb, nullptr);
            EXPECT_EQ(rc, c.rc) << c.iso << " " << c.rateType;
            if (rc != 0) {
                EXPECT_TRUE(kt::allZero(b, U1_SB_OUT)) << c.iso;
            }
            EXPECT_TRUE(kt::workCellsNull());
        }
    }
    // A participating currency never looks at the rate type.
    U1_SB b = kt::u1("FRF", "EUR", 10000, '\0');
    EXPECT_EQ(U1_UmrFwaehrBwaehr(&b, &eb, nullptr), 0);
}

TEST_F(Kernel, U1MissingRateFile) {
    setenv("TARVO_WAEHKURS", (rf.dir() / "missing.dat").c_str(), 1);
    // A WAEHKURS.DAT in the current folder must not be used instead.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(rf.dir());
    U1_SB b = kt::u1("GBP", "EUR", 10000);
    const int32_t rc = U1_UmrFwaehrBwaehr(&b, &eb, nullptr);
    std::filesystem::current_path(cwd);
    EXPECT_EQ(rc, 489);
    EXPECT_EQ(str(b.RETURN_CODE), "0489");
    setenv("TARVO_WAEHKURS", rf.path().c_str(), 1);
}

// ---- rate-file conversions --------------------------------------------------------------

struct FileCase {
    const char* name;
    const char* e;
    const char* a;
    int64_t cents;
    char rateType;
    const char* date;
    const char* amount; // expected AMOUNT_A_13_2, or AMOUNT_A_15_0 when dec is not '2'
    const char* diff;
    char dec;
    char quotation;
    char unit;
    const char* rateUsed;
};

const FileCase kFileCases[] = {
    // 100 GBP at 0.61234 per euro ('M'): 100 / 0.61234 = 163.307966
    {"M into", "GBP", "EUR", 10000, 'M', "20010615", "+000000000016331", "-0002034", '2', 'M', '0',
     "+00006123400"},
    // the record of 10 March for 15 March
    {"date between", "GBP", "EUR", 10000, 'M', "20010315", "+000000000016667", "-0003334", '2', 'M',
     '0', "+00006000000"},
    {"date equal", "GBP", "EUR", 10000, 'M', "20010310", "+000000000016667", "-0003334", '2', 'M',
     '0', "+00006000000"},
    {"newest", "GBP", "EUR", 10000, 'M', "99999999", "+000000000016331", "-0002034", '2', 'M', '0',
     "+00006123400"},
    // 'M' out: 100 EUR * 0.61234 = 61.234
    {"M out", "EUR", "GBP", 10000, 'M', "20010615", "+000000000006123", "+0004000", '2', 'M', '0',
     "+00006123400"},
    // 'P' per 100 USD: 1000 USD * 0.93 / 100 = 9.30 EUR
    {"P into 100", "USD", "EUR", 100000, 'G', "20010615", "+000000000000930", "+0000000", '2', 'P',
     '2', "+00009300000"},
    // 'P' out per 100: 10 EUR / 0.93 * 100 = 1075.268817
    {"P out 100", "EUR", "USD", 1000, 'Y', "20010615", "+000000000107527", "-0001183", '2', 'P',
     '2', "+00009300000"},
    // 'M' per 1000 JPY, no decimals: 10 EUR * 105 * 1000 = 1050000... rate 105.0 per 1000?
    {"M out 1000 no decimals", "EUR", "JPY", 1000, 'M', "20010615", "+000000001050000", "+0000000",
     '0', 'M', '3', "+01050000000"},
    // 'M' into per 1000: 1050 JPY / 105 / 1000 = 0.01 EUR
    {"M into 1000", "JPY", "EUR", 105000, 'M', "20010615", "+000000000000001", "+0000000", '2', 'M',
     '3', "+01050000000"},
    // blank quotation: the period's default ('M' with euro base here)
    {"blank quotation", "CHF", "EUR", 15000, 'M', "20010615", "+000000000010000", "+0000000", '2',
     'M', '0', "+00015000000"},
    // rate types pick rates 1 to 6
    {"type B", "EUR", "RTY", 10000, 'B', "20010615", "+000000000030000", "+0000000", '2', 'M', '0',
     "+00030000000"},
    {"type X", "EUR", "RTY", 10000, 'X', "20010615", "+000000000050000", "+0000000", '2', 'M', '0',
     "+00050000000"},
    // a zero rate as a factor gives zero
    {"zero factor", "EUR", "NOK", 10000, 'M', "20010615", "+000000000000000", "+0000000", '2', 'M',
     '0', "+00000000000"},
    {"zero factor P", "NOP", "EUR", 10000, 'M', "20010615", "+000000000000000", "+0000000", '2',
     'P', '0', "+00000000000"},
};

TEST_F(Kernel, U1RateFilePaths) {
    for (const auto& c : kFileCases) {
        U1_SB b = kt::u1(c.e, c.a, c.cents, c.rateType, c.date);
        ASSERT_EQ(U1_UmrFwaehrBwaehr(&b, &eb, nullptr), 0) << c.name;
        if (c.dec == '2') {
            EXPECT_EQ(text(b.AMOUNT_A_13_2), c.amount) << c.name;
        } else
            EXPECT_EQ(text(b.AMOUNT_A_15_0), c.amount) << c.name;
        EXPECT_EQ(text(b.ROUND_DIFF), c.diff) << c.name;
        EXPECT_EQ(b.DEC_INDICATOR, c.dec) << c.name;
        EXPECT_EQ(b.QUOTATION_USED, c.quotation) << c.name;
        EXPECT_EQ(b.UNIT_EXPONENT, c.unit) << c.name;
        EXPECT_EQ(b.FIXED_RATE_FLAG, 'N') << c.name;
        EXPECT_EQ(text(b.RATE_USED), c.rateUsed) << c.name;
    }
}

TEST_F(Kernel, ZeroRateAsDivisorIsOverflow) {
    U1_SB b = kt::u1("NOK", "EUR", 10000);
    EXPECT_EQ(U1_UmrFwaehrBwaehr(&b, &eb, nullptr), 463);
    b = kt::u1("EUR", "NOP", 10000);
    EXPECT_EQ(U1_UmrFwaehrBwaehr(&b, &eb, nullptr), 463);
    U2_SB g = kt::u2("GBP", "EUR", 10000, 0, 1, 'M');
    EXPECT_EQ(U2_UmrFwaehrBwaehrKv(&g, &eb, nullptr), 463);
    g = kt::u2("GBP", "EUR", 10000, 0, 1, 'P');
    EXPECT_EQ(U2_UmrFwaehrBwaehrKv(&g, &eb, nullptr), 0);
    EXPECT_EQ(text(g.AMOUNT_A_13_2), "+000000000000000");
}

TEST_F(Kernel, BlankUnitIsOverflow) {
    std::string bytes =
        tarvo::ratefile::encodeRecord(kt::record("BLK", "20010101", "+00010000000"));
    bytes.replace(31, 4, "    ");
    rf.writeBytes(bytes);
    U1_SB b = kt::u1("BLK", "EUR", 10000);
    EXPECT_EQ(U1_UmrFwaehrBwaehr(&b, &eb, nullptr), 463);
}

// Into a base currency without decimals the result has none; any other base gets two.
TEST_F(Kernel, BaseCurrencyDecimalsOnRateFilePath) {
    kt::EbOptions o;
    o.euroPeriod = false;
    o.home = "BEF";
    std::vector<kt::Row> rows = {{"GBP", "+00000000000", '2', '0'}};
    const PS_EB befEb = kt::makeEb(rows, o);
    U1_SB b = kt::u1("GBP", "BEF", 10000, 'M'); // 100 / 0.61234 = 163.307966
    ASSERT_EQ(U1_UmrFwaehrBwaehr(&b, &befEb, nullptr), 0);
    EXPECT_EQ(b.DEC_INDICATOR, '0');
    EXPECT_EQ(text(b.AMOUNT_A_15_0), "+000000000000163");
    EXPECT_EQ(text(b.ROUND_DIFF), "+0307966");
    EXPECT_TRUE(kt::allZero(b.AMOUNT_A_13_2, 0));
    // JPY has decimals flag 'N', but into the euro a rate-file result keeps two decimals.
    b = kt::u1("JPY", "EUR", 105000);
    ASSERT_EQ(U1_UmrFwaehrBwaehr(&b, &eb, nullptr), 0);
    EXPECT_EQ(b.DEC_INDICATOR, '2');
    // Before the changeover the home currency is the base and its default quotation applies.
    o.home = "DEM";
    o.quotHome = 'P';
    const PS_EB demEb = kt::makeEb({{"CHF", "+00000000000", '2', '0'}}, o);
    b = kt::u1("CHF", "DEM", 10000); // blank quotation, home default 'P': 100 * 1.5
    ASSERT_EQ(U1_UmrFwaehrBwaehr(&b, &demEb, nullptr), 0);
    EXPECT_EQ(b.QUOTATION_USED, 'P');
    EXPECT_EQ(text(b.AMOUNT_A_13_2), "+000000000015000");
    // the euro is then a currency like any other: here not in the rate file
    b = kt::u1("DEM", "EUR", 10000);
    EXPECT_EQ(U1_UmrFwaehrBwaehr(&b, &demEb, nullptr), 482);
}

TEST_F(Kernel, NegativeAmountsGiveExactNegatives) {
    const char* others[] = {"DEM", "ITL", "GBP", "USD", "JPY"};
    for (const char* o : others) {
        for (bool into : {true, false}) {
            for (int64_t cents : {1LL, 5LL, 12345LL, 99999999LL, 123456789012345LL}) {
                U1_SB p = into ? kt::u1(o, "EUR", cents) : kt::u1("EUR", o, cents);
                U1_SB n = into ? kt::u1(o, "EUR", -cents) : kt::u1("EUR", o, -cents);
                const int32_t rp = U1_UmrFwaehrBwaehr(&p, &eb, nullptr);
                const int32_t rn = U1_UmrFwaehrBwaehr(&n, &eb, nullptr);
                ASSERT_EQ(rp, rn) << o << cents;
                if (rp != 0)
                    continue;
                std::string ap = text(p.AMOUNT_A_13_2) + text(p.AMOUNT_A_15_0);
                std::string an = text(n.AMOUNT_A_13_2) + text(n.AMOUNT_A_15_0);
                std::string dp = text(p.ROUND_DIFF), dn = text(n.ROUND_DIFF);
                EXPECT_EQ(an.substr(1), ap.substr(1)) << o << cents;
                EXPECT_EQ(dn.substr(1), dp.substr(1)) << o << cents;
                EXPECT_EQ(an[0], '-') << o << cents;
                if (dp != "+0000000") {
                    EXPECT_EQ(dn[0], dp[0] == '+' ? '-' : '+') << o << cents;
                }
            }
        }
    }
}

TEST_F(Kernel, ResultTooLargeForItsField) {
    // 9999999999999.99 EUR into lire needs 17 integer digits.
    U1_SB b = kt::u1("EUR", "ITL", 999999999999999);
    EXPECT_EQ(U1_UmrFwaehrBwaehr(&b, &eb, nullptr), 463);
    EXPECT_TRUE(kt::allZero(b, U1_SB_OUT));
    // the same in 13p2 digits fails as well
    b = kt::u1("EUR", "DEM", 999999999999999);
    EXPECT_EQ(U1_UmrFwaehrBwaehr(&b, &eb, nullptr), 463);
    // the largest mark amount into euro fits
    b = kt::u1("DEM", "EUR", 999999999999999);
    EXPECT_EQ(U1_UmrFwaehrBwaehr(&b, &eb, nullptr), 0);
}

// ---- U2 ------------------------------------------------------------------------------------

TEST_F(Kernel, U2GivenRateRules) {
    // unit 10 for a currency without fixed rate
    U2_SB b = kt::u2("GBP", "EUR", 10000, 19558300, 10, 'M');
    EXPECT_EQ(U2_UmrFwaehrBwaehrKv(&b, &eb, nullptr), 463);
    // fixed rate: the unit is not looked at
    b = kt::u2("FRF", "EUR", 10000, 19558300, 10, 'M');
    EXPECT_EQ(U2_UmrFwaehrBwaehrKv(&b, &eb, nullptr), 261);
    // invalid quotation is blanked; the default for the period ('M') decides
    b = kt::u2("GBP", "EUR", 10000, 20000000, 1, 'X');
    ASSERT_EQ(U2_UmrFwaehrBwaehrKv(&b, &eb, nullptr), 0);
    EXPECT_EQ(b.QUOTATION, ' ');
    EXPECT_EQ(b.QUOTATION_USED, 'M');
    EXPECT_EQ(text(b.AMOUNT_A_13_2), "+000000000005000");
    // decimals from the caller: '0' rounds to whole units even for a currency with decimals
    b = kt::u2("EUR", "GBP", 10050, 10000000, 1, 'M', '0');
    ASSERT_EQ(U2_UmrFwaehrBwaehrKv(&b, &eb, nullptr), 0);
    EXPECT_EQ(b.DEC_INDICATOR, '0');
    EXPECT_EQ(text(b.AMOUNT_A_15_0), "+000000000000101");
    EXPECT_EQ(text(b.ROUND_DIFF), "-0500000");
    EXPECT_TRUE(kt::allZero(b.AMOUNT_A_13_2, 0));
    // 'P' per 1000 out of the base: 10 EUR / 0.5 * 1000 = 20000
    b = kt::u2("EUR", "GBP", 1000, 5000000, 1000, 'P');
    ASSERT_EQ(U2_UmrFwaehrBwaehrKv(&b, &eb, nullptr), 0);
    EXPECT_EQ(text(b.AMOUNT_A_13_2), "+000000002000000");
    EXPECT_EQ(b.UNIT_EXPONENT, '3');
}

// ---- U3 / U4 --------------------------------------------------------------------------------

TEST_F(Kernel, U3MixedLegs) {
    // mark into pound: fixed first leg, rate-file second leg with decimals from the record
    U3_SB b = kt::u3("DEM", "GBP", 10000);
    ASSERT_EQ(U3_UmrFwaehrBwaehrFwaehr(&b, &eb, nullptr), 0);
    EXPECT_EQ(b.FIXED_RATE_FLAG_E, 'J');
    EXPECT_EQ(b.FIXED_RATE_FLAG_A, 'N');
    EXPECT_EQ(text(b.BASE_AMOUNT), "+000000000051129");
    // 51.129 * 0.61234 = 31.30833186, truncated 31.308331
    EXPECT_EQ(text(b.AMOUNT_A_13_2), "+000000000003131");
    EXPECT_EQ(text(b.ROUND_DIFF), "-0001669");
    // JPY second leg: decimals flag 'N' gives no decimals
    b = kt::u3("DEM", "JPY", 10000);
    ASSERT_EQ(U3_UmrFwaehrBwaehrFwaehr(&b, &eb, nullptr), 0);
    EXPECT_EQ(b.DEC_INDICATOR, '0');
    // invalid rate type: fine with two fixed rates, 465 with one rate-file leg
    b = kt::u3("DEM", "FRF", 10000, 'Q');
    EXPECT_EQ(U3_UmrFwaehrBwaehrFwaehr(&b, &eb, nullptr), 0);
    b = kt::u3("DEM", "GBP", 10000, 'Q');
    EXPECT_EQ(U3_UmrFwaehrBwaehrFwaehr(&b, &eb, nullptr), 465);
    EXPECT_TRUE(kt::allZero(b, U3_SB_OUT));
    // failure in the second leg clears the first leg's outputs
    b = kt::u3("DEM", "SEK", 10000);
    EXPECT_EQ(U3_UmrFwaehrBwaehrFwaehr(&b, &eb, nullptr), 467);
    EXPECT_TRUE(kt::allZero(b, U3_SB_OUT));
    EXPECT_TRUE(kt::workCellsNull());
}

TEST_F(Kernel, U3IntermediateRoundsToThreeDecimalsHalfAwayFromZero) {
    // 'P' first leg: 0.05 USD * 0.93 / 100 = 0.000465 -> 0.000 (diff +0.000465)
    // 1.50 USD: 0.01395 -> 0.014 (diff -0.000050)
    struct {
        int64_t cents;
        const char* base;
        const char* diff;
    } cases[] = {{5, "+000000000000000", "+0000465"},
                 {150, "+000000000000014", "-0000050"},
                 {-150, "-000000000000014", "+0000050"}};
    for (const auto& c : cases) {
        U3_SB b = kt::u3("USD", "DEM", c.cents);
        ASSERT_EQ(U3_UmrFwaehrBwaehrFwaehr(&b, &eb, nullptr), 0);
        EXPECT_EQ(text(b.BASE_AMOUNT), c.base) << c.cents;
        EXPECT_EQ(text(b.BASE_ROUND_DIFF), c.diff) << c.cents;
    }
}

TEST_F(Kernel, U4Rules) {
    // only the second currency participates: 261, first leg keeps the caller's rate
    U4_SB b = kt::u4("GBP", 6123400, 1, 'M', "DEM", 1, 7, 'Z', 10000);
    ASSERT_EQ(U4_UmrFwaehrBwaehrFwaehrKv(&b, &eb, nullptr), 261);
    EXPECT_EQ(str(b.RETURN_CODE), "0261");
    EXPECT_EQ(text(b.RATE_USED_E), "+00006123400");
    EXPECT_EQ(text(b.RATE_USED_A), "+00019558300");
    EXPECT_EQ(b.FIXED_RATE_FLAG_E, 'N');
    EXPECT_EQ(b.FIXED_RATE_FLAG_A, 'J');
    EXPECT_EQ(b.QUOTATION_A, 'Z') << "not examined on the fixed leg";
    // 100 / 0.61234 = 163.307966 -> 163.308; * 1.95583 = 319.402... truncated 319.402811
    EXPECT_EQ(text(b.BASE_AMOUNT), "+000000000163308");
    EXPECT_EQ(text(b.AMOUNT_A_13_2), "+000000000031940");
    // neither participates, DEC_FLAG_A '0': whole units
    b = kt::u4("GBP", 5000000, 1, 'M', "USD", 9300000, 100, 'P', 10000, '0');
    ASSERT_EQ(U4_UmrFwaehrBwaehrFwaehrKv(&b, &eb, nullptr), 0);
    EXPECT_EQ(b.DEC_INDICATOR, '0');
    // 100 / 0.5 = 200 EUR; 200 / 0.93 * 100 = 21505.376344 -> 21505
    EXPECT_EQ(text(b.AMOUNT_A_15_0), "+000000000021505");
    EXPECT_TRUE(kt::allZero(b.AMOUNT_A_13_2, 0));
    // an early 261 is replaced by the failure code
    b = kt::u4("DEM", 1, 1, 'M', "GBP", 1, 10, 'M', 10000);
    EXPECT_EQ(U4_UmrFwaehrBwaehrFwaehrKv(&b, &eb, nullptr), 463);
    EXPECT_EQ(str(b.RETURN_CODE), "0463");
    EXPECT_TRUE(kt::allZero(b, U4_SB_OUT));
    // invalid quotation of a given leg is blanked even when the call fails later
    b = kt::u4("GBP", 1, 1, 'X', "USD", 1, 10, 'M', 10000);
    EXPECT_EQ(U4_UmrFwaehrBwaehrFwaehrKv(&b, &eb, nullptr), 463);
    EXPECT_EQ(b.QUOTATION_E, ' ');
}

// ---- batches --------------------------------------------------------------------------------

TEST_F(Kernel, BatchesReturnTheLargestResult) {
    std::vector<U6_ELEM> six(3);
    six[0].SB = kt::u2("GBP", "EUR", 10000, 19558300);     // 0
    six[1].SB = kt::u2("GBP", "EUR", 10000, 19558300, 10); // 463
    six[2].SB = kt::u2("DEM", "EUR", 10000, 19558300);     // 261
    EXPECT_EQ(U6_UmrFwaehrBwaehrKv(3, six.data(), &eb, nullptr), 463);
    EXPECT_EQ(six[0].RESULT, 0);
    EXPECT_EQ(six[1].RESULT, 463);
    EXPECT_EQ(six[2].RESULT, 261);
    EXPECT_EQ(text(six[2].SB.AMOUNT_A_13_2), "+000000000005113");

    std::vector<U5_ELEM> five(2);
    five[0].SB = kt::u1("SEK", "EUR", 10000); // blocked
    five[1].SB = kt::u1("DEM", "EUR", 10000);
    EXPECT_EQ(U5_UmrFwaehrBwaehr(2, five.data(), &eb, nullptr), 467);
    EXPECT_EQ(five[1].RESULT, 0);
    EXPECT_EQ(text(five[1].SB.AMOUNT_A_13_2), "+000000000005113");
    EXPECT_EQ(U5_UmrFwaehrBwaehr(0, five.data(), &eb, nullptr), 0);
    EXPECT_EQ(U5_UmrFwaehrBwaehr(-5, nullptr, &eb, nullptr), 0);

    std::vector<U7_ELEM> seven(2);
    seven[0].SB = kt::u3("DEM", "FRF", 10000);
    seven[1].SB = kt::u3("DEM", "EUR", 10000);
    EXPECT_EQ(U7_UmrFwaehrBwaehrFwaehr(2, seven.data(), &eb, nullptr), 462);
    EXPECT_EQ(text(seven[0].SB.AMOUNT_A_13_2), "+000000000033538");

    std::vector<U8_ELEM> eight(2);
    eight[0].SB = kt::u4("GBP", 5000000, 1, 'M', "USD", 9300000, 100, 'P', 10000);
    eight[1].SB = kt::u4("DEM", 1, 1, 'M', "USD", 9300000, 100, 'P', 10000);
    EXPECT_EQ(U8_UmrFwaehrBwaehrFwaehrKv(2, eight.data(), &eb, nullptr), 261);
    EXPECT_EQ(eight[0].RESULT, 0);
    EXPECT_TRUE(kt::workCellsNull());
}

// ---- trace and clean-up -----------------------------------------------------------------

TEST_F(Kernel, TracingApplicationConvertsTheSame) {
    kt::EbOptions o;
    o.mode = 'T';
    const PS_EB traced = kt::makeEb(kt::builtInRows(), o);
    U1_SB b = kt::u1("DEM", "EUR", 10000);
    ASSERT_EQ(U1_UmrFwaehrBwaehr(&b, &traced, nullptr), 0);
    EXPECT_EQ(text(b.AMOUNT_A_13_2), "+000000000005113");
    std::vector<U5_ELEM> none(1);
    EXPECT_EQ(U5_UmrFwaehrBwaehr(0, none.data(), &traced, nullptr), 0);
}

TEST_F(Kernel, CleanUpFunctionsLeaveEverythingNull) {
    U1_AufraeumenU1U2();
    U2_AufraeumenU1U2();
    U3_AufraeumenU3U4();
    U4_AufraeumenU3U4();
    EXPECT_TRUE(kt::workCellsNull());
    // cells shared by two variables are freed once (the sanitizer build would report twice)
    BetragAus64 = static_cast<Dez64*>(AR_New_(sizeof(Dez64)));
    BetragAus64S = BetragAus64;
    EuroRund64 = static_cast<Dez64*>(AR_New_(sizeof(Dez64)));
    EuroRundDiff64 = EuroRund64;
    U3_AufraeumenU3U4();
    EXPECT_TRUE(kt::workCellsNull());
}

TEST_F(Kernel, NullPointersAreRefused) {
    EXPECT_EQ(U1_UmrFwaehrBwaehr(nullptr, &eb, nullptr), 461);
    EXPECT_EQ(U2_UmrFwaehrBwaehrKv(nullptr, &eb, nullptr), 461);
    EXPECT_EQ(U3_UmrFwaehrBwaehrFwaehr(nullptr, &eb, nullptr), 461);
    EXPECT_EQ(U4_UmrFwaehrBwaehrFwaehrKv(nullptr, &eb, nullptr), 461);
    EXPECT_EQ(U5_UmrFwaehrBwaehr(1, nullptr, &eb, nullptr), 461);
    U1_SB b = kt::u1("DEM", "EUR", 10000);
    EXPECT_EQ(U1_UmrFwaehrBwaehr(&b, nullptr, nullptr), 462);
    EXPECT_EQ(LW_LesenWaehrKursDaten(nullptr, nullptr, nullptr), 481);
}

} // namespace
