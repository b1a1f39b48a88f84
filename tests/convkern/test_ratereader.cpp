// SPDX-License-Identifier: Apache-2.0
// The rate-file reader: keys, date selection, the fields handed back and its failures.
#include <gtest/gtest.h>

#include <string>

#include "kern_test_util.h"

namespace {

using kt::str;

LW_SB request(const char* iso, const char* date, const char* number = "   ") {
    LW_SB r;
    kt::head(r, "AP602F1 ");
    std::memcpy(r.ISO_CODE, iso, 3);
    std::memcpy(r.CURRENCY_NO, number, 3);
    std::memcpy(r.REQ_DATE, date, 8);
    return r;
}

class RateReader : public ::testing::Test {
  protected:
    kt::RateFile rf;
    void SetUp() override {
        auto a = kt::record("GBP", "20010320", "+00006123400");
        a.number = "826";
        a.extra3 = "abc";
        a.extra1 = 'q';
        a.rates[6] = "+00000000007";
        a.rates[7] = "+00000000008";
        a.dates[4] = "20011231";
        auto b = kt::record("GBP", "20010310", "+00006000000", 100, 'P', 'N');
        b.number = "826";
        b.ratePrint = 'N';
        auto c = kt::record("USD", "20010101", "+00093000000", 1000, ' ');
        c.number = "840";
        c.blocked = 'J';
        rf.write({a, b, c});
    }
};

TEST_F(RateReader, DateSelection) {
    struct {
        const char* date;
        int rc;
        const char* rateDate;
    } cases[] = {{"99999999", 0, "20010320"}, {"20010321", 0, "20010320"},
                 {"20010320", 0, "20010320"}, {"20010315", 0, "20010310"},
                 {"20010310", 0, "20010310"}, {"20010309", 485, nullptr}};
    for (const auto& c : cases) {
        LW_SB r = request("GBP", c.date);
        EXPECT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), c.rc) << c.date;
        char code[5];
        std::snprintf(code, sizeof code, "%04d", c.rc);
        EXPECT_EQ(str(r.RETURN_CODE), code);
        if (c.rateDate != nullptr) {
            EXPECT_EQ(str(r.RATE_DATE), c.rateDate) << c.date;
        }
    }
}

TEST_F(RateReader, FieldsHandedBack) {
    LW_SB r = request("GBP", "99999999");
    ASSERT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 0);
    EXPECT_EQ(str(r.ISO_CODE_OUT), "GBP");
    EXPECT_EQ(str(r.CURRENCY_NO_OUT), "826");
    EXPECT_EQ(str(r.FIELD_20), "abc");
    EXPECT_EQ(r.CHAR_28, 'q');
    EXPECT_EQ(r.BLOCKED_FLAG, 'N');
    EXPECT_EQ(kt::getUnit(r.RATE_UNIT), 1);
    EXPECT_EQ(r.DEC_FLAG, 'J');
    EXPECT_EQ(r.RATE_PRINT_FLAG, 'J');
    EXPECT_EQ(std::string(r.RATES[0], 14), std::string("+00006123400\0\0", 14));
    EXPECT_EQ(std::string(r.RATES[6], 12), "+00000000007");
    EXPECT_EQ(std::string(r.RATES[7], 12), "+00000000008");
    EXPECT_EQ(std::string(r.DATES[4], 8), "20011231");
    EXPECT_EQ(r.QUOTATION, 'M');
    EXPECT_TRUE(kt::allZero(r.res_265, 0));

    r = request("GBP", "20010315");
    ASSERT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 0);
    EXPECT_EQ(kt::getUnit(r.RATE_UNIT), 100);
    EXPECT_EQ(r.DEC_FLAG, 'N');
    EXPECT_EQ(r.RATE_PRINT_FLAG, 'N');
    EXPECT_EQ(r.QUOTATION, 'P');

    r = request("USD", "20010315");
    ASSERT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 0);
    EXPECT_EQ(kt::getUnit(r.RATE_UNIT), 1000);
    EXPECT_EQ(r.BLOCKED_FLAG, 'J') << "blocking is the caller's business";
    EXPECT_EQ(r.QUOTATION, ' ');
}

TEST_F(RateReader, KeysAndHeadChecks) {
    LW_SB r = request("   ", "99999999", "840");
    EXPECT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 0);
    EXPECT_EQ(str(r.ISO_CODE_OUT), "USD");
    r = request("   ", "99999999", "   ");
    EXPECT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 482);
    r = request("   ", "99999999", "999");
    EXPECT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 482);
    r = request("JPY", "99999999");
    std::memset(r.ISO_CODE_OUT, 'x', 3);
    EXPECT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 482);
    EXPECT_EQ(r.ISO_CODE_OUT[0], 'x') << "output left as it was";

    r = request("GBP", "99999999");
    std::memcpy(r.SB_VERSION, "02", 2);
    std::memset(r.ISO_CODE_OUT, 'x', 3);
    EXPECT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 481);
    EXPECT_EQ(str(r.RETURN_CODE), "0481");
    EXPECT_TRUE(kt::allZero(r, LW_SB_OUT));
    r = request("GBP", "99999999");
    r.SENDER[0] = ' ';
    std::memset(r.ISO_CODE_OUT, 'x', 3);
    EXPECT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 401);
    EXPECT_TRUE(kt::allZero(r, LW_SB_OUT));
}

TEST_F(RateReader, FileSizesAndLocation) {
    const std::string rec =
        tarvo::ratefile::encodeRecord(kt::record("GBP", "20010101", "+00010000000"));
    for (std::size_t n : {0UL, 1UL, 100UL, 251UL}) {
        rf.writeBytes(rec.substr(0, n));
        LW_SB r = request("GBP", "99999999");
        const int32_t rc = LW_LesenWaehrKursDaten(&r, nullptr, nullptr);
        EXPECT_TRUE(rc == 482 || (n == 0 && rc == 444)) << n << " " << rc;
    }
    rf.writeBytes(rec + rec.substr(0, 100)); // trailing part of a record is ignored
    LW_SB r = request("GBP", "99999999");
    EXPECT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 0);

    setenv("TARVO_WAEHKURS", rf.dir().c_str(), 1); // a folder
    r = request("GBP", "99999999");
    EXPECT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 489);
    setenv("TARVO_WAEHKURS", (rf.dir() / "nothing-here").c_str(), 1);
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(rf.dir()); // holds a WAEHKURS.DAT
    r = request("GBP", "99999999");
    EXPECT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 489);
    unsetenv("TARVO_WAEHKURS");
    r = request("GBP", "99999999");
    EXPECT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 0) << "WAEHKURS.DAT of the folder";
    std::filesystem::current_path(cwd);
    setenv("TARVO_WAEHKURS", rf.path().c_str(), 1);
}

TEST_F(RateReader, UnitTexts) {
    struct {
        const char* text; // 6 characters at record offset 31
        int unit;
    } cases[] = {{"   100", 100},   {"  1000", 1000}, {"     1", 1},  {"      ", 0},
                 {"  -100", -100},  {"100abc", 100},  {"+10   ", 10}, {"999999", 0},
                 {" 32767", 32767}, {" 65636", 0},    {"abc   ", 0}};
    std::string rec = tarvo::ratefile::encodeRecord(kt::record("GBP", "20010101", "+00010000000"));
    for (const auto& c : cases) {
        rec.replace(31, 6, c.text);
        rf.writeBytes(rec);
        LW_SB r = request("GBP", "99999999");
        ASSERT_EQ(LW_LesenWaehrKursDaten(&r, nullptr, nullptr), 0);
        EXPECT_EQ(kt::getUnit(r.RATE_UNIT), c.unit) << c.text;
    }
}

} // namespace
