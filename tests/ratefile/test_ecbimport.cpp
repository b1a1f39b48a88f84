// SPDX-License-Identifier: Apache-2.0
// Import of the ECB reference rates in their four formats.
#include <gtest/gtest.h>

#include <random>

#include "ecb_fixtures.h"
#include "ratefile.h"

namespace rf = tarvo::ratefile;

namespace {

std::string fileOf(const std::string& input) {
    return rf::encodeRateFile(rf::importEcb(input, "fixture"), "");
}

std::string errorOf(const std::string& input, const char* name = "in") {
    try {
        rf::importEcb(input, name);
    } catch (const rf::Error& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(EcbImport, DetectsTheFourFormats) {
    EXPECT_EQ(rf::detectEcbFormat(fixtures::dailyXml()), rf::EcbFormat::DailyXml);
    EXPECT_EQ(rf::detectEcbFormat(fixtures::histXml()), rf::EcbFormat::HistXml);
    EXPECT_EQ(rf::detectEcbFormat(fixtures::histCsv()), rf::EcbFormat::HistCsv);
    EXPECT_EQ(rf::detectEcbFormat(fixtures::dailyCsv()), rf::EcbFormat::DailyCsv);
    EXPECT_THROW(rf::detectEcbFormat("hello"), rf::Error);
}

TEST(EcbImport, XmlAndCsvGiveIdenticalFiles) {
    EXPECT_EQ(fileOf(fixtures::histXml()), fileOf(fixtures::histCsv()));
    EXPECT_EQ(fileOf(fixtures::dailyXml()), fileOf(fixtures::dailyCsv()));
    // The daily file is the newest day of the historical one.
    auto hist = rf::importEcb(fixtures::histXml());
    auto daily = rf::importEcb(fixtures::dailyCsv());
    for (const auto& r : daily)
        EXPECT_NE(std::find(hist.begin(), hist.end(), r), hist.end()) << r.iso;
}

TEST(EcbImport, BuildsTheRecordsTheKernelNeeds) {
    auto recs = rf::importEcb(fixtures::histCsv());
    EXPECT_EQ(recs.size(), 14u); // 15 values, one "N/A"
    rf::RateFile f = rf::parseRateFile(rf::encodeRateFile(recs, ""));
    auto idr = rf::lookup(f, "IDR", "20070516");
    ASSERT_TRUE(idr);
    EXPECT_EQ(idr->unit, 100);
    EXPECT_EQ(idr->rates[1], "+01195020000");
    EXPECT_EQ(idr->number, "360");
    auto jpy = rf::lookup(f, "JPY", "99999999");
    ASSERT_TRUE(jpy);
    EXPECT_EQ(jpy->decimals, 'N');
    EXPECT_EQ(jpy->rates[0], "+01639500000");
    EXPECT_EQ(jpy->quotation, 'M');
    EXPECT_EQ(jpy->blocked, 'N');
    EXPECT_EQ(jpy->ratePrint, 'J');
    // The retired currency has no rate on the 16th: the kernel falls back to the 14th.
    auto cyp = rf::lookup(f, "CYP", "20070516");
    ASSERT_TRUE(cyp);
    EXPECT_EQ(cyp->rateDate, "20070514");
    EXPECT_EQ(cyp->number, "196");
    EXPECT_FALSE(rf::lookup(f, "USD", "20070513"));
}

TEST(EcbImport, MalformedInputsNameTheirPosition) {
    std::string csv = fixtures::histCsv();
    struct Case {
        const char* name;
        std::string input;
        std::vector<std::string> expect; // parts the message must hold
    } cases[] = {
        {"broken xml", fixtures::histXml().substr(0, 400), {"in:", "broken XML"}},
        {"xml bad tag",
         "<?xml version=\"1.0\"?>\n<a><Cube>\n<Cube time='2007-05-17'>\n<Cube currency='USD' "
         "rate='1.3'/>\n</Cub>",
         {"in:5:", "broken XML"}},
        {"xml unknown currency",
         "<E><Cube><Cube time='2007-05-17'>\n  <Cube currency='XYZ' rate='1.3'/></Cube></Cube></E>",
         {"in:2:3", "unknown currency \"XYZ\""}},
        {"xml absurd rate",
         "<E><Cube><Cube time='2007-05-17'>\n<Cube currency='USD' rate='1e300'/></Cube></Cube></E>",
         {"in:2:", "1e300"}},
        {"xml huge rate",
         "<E><Cube><Cube time='2007-05-17'>\n<Cube currency='USD' "
         "rate='123456789'/></Cube></Cube></E>",
         {"in:2:", "integer digits"}},
        {"xml bad date",
         "<E><Cube><Cube time='2007-02-30'><Cube currency='USD' rate='1'/></Cube></Cube></E>",
         {"in:1:", "2007-02-30"}},
        {"xml no rates", "<E><x/></E>", {"in:1:1", "no <Cube time"}},
        {"csv missing column",
         "Date,USD,JPY,\n2007-05-17,1.3,160,\n2007-05-16,1.3\n",
         {"in:3:1", "line 3 has 2 columns, the header 3"}},
        {"csv extra column",
         "Date,USD,JPY,\n2007-05-17,1.3,160,7,\n",
         {"in:2:1", "line 2 has 4 columns, the header 3"}},
        {"csv unknown currency", "Date,USD,ABC,\n2007-05-17,1.3,160,\n", {"in:1:10", "\"ABC\""}},
        {"csv negative", "Date,USD,\n2007-05-17,-1.3,\n", {"in:2:12", "-1.3"}},
        {"csv too precise", "Date,USD,\n2007-05-17,1.123456789,\n", {"in:2:12", "7 decimals"}},
        {"csv bad date", "Date,USD,\n17.05.2007,1.3,\n", {"in:2:1", "not a date"}},
        {"csv twice", "Date,USD,\n2007-05-17,1.3,\n2007-05-17,1.3,\n", {"in:3:1", "twice"}},
        {"csv no rows", "Date,USD,\n", {"no rates"}},
        {"daily csv bad month", "Date, USD, \n17 Mai 2007, 1.3, \n", {"in:2:1", "not a date"}},
        {"not ecb", "hello,world\n", {"in:1:1", "not an ECB"}},
    };
    for (const Case& c : cases) {
        std::string msg = errorOf(c.input);
        for (const auto& part : c.expect)
            EXPECT_NE(msg.find(part), std::string::npos) << c.name << ": " << msg;
    }
}

TEST(EcbImport, AcceptsByteOrderMarkAndCrLf) {
    std::string csv = "\xEF\xBB\xBF"
                      "Date,USD,\r\n2007-05-17,1.3516,\r\n";
    auto recs = rf::importEcb(csv);
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].rates[1], "+00013516000");
}

TEST(EcbImport, KnowsEveryColumnOfThePublishedHistory) {
    // The header of the historical CSV as published, retired currencies included.
    const std::string header = "Date,USD,JPY,BGN,CYP,CZK,DKK,EEK,GBP,HUF,LTL,LVL,MTL,PLN,ROL,RON,"
                               "SEK,SIT,SKK,CHF,ISK,NOK,HRK,RUB,TRL,TRY,AUD,BRL,CAD,CNY,HKD,IDR,"
                               "ILS,INR,KRW,MXN,MYR,NZD,PHP,SGD,THB,ZAR,";
    std::string row = "2004-06-01,";
    for (std::size_t i = 0; i < 41; ++i)
        row += "N/A,";
    auto at = [](std::string s, std::size_t column, const std::string& v) {
        std::size_t pos = 0;
        for (std::size_t i = 0; i < column; ++i)
            pos = s.find(',', pos) + 1;
        return s.replace(pos, s.find(',', pos) - pos, v);
    };
    row = at(row, 14, "40876");   // ROL: unit 100
    row = at(row, 24, "1771500"); // TRL: unit 1000
    auto recs = rf::importEcb(header + "\n" + row + "\n");
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].iso, "ROL");
    EXPECT_EQ(recs[0].unit, 100);
    EXPECT_EQ(recs[0].rates[1], "+04087600000");
    EXPECT_EQ(recs[1].iso, "TRL");
    EXPECT_EQ(recs[1].unit, 1000);
    EXPECT_EQ(recs[1].rates[1], "+17715000000");
    EXPECT_EQ(recs[1].decimals, 'N');
}

TEST(EcbImport, DamagedFilesAreRefusedCleanly) {
    // Random byte damage to every format: the import either succeeds or throws its own
    // error; the checker reads any bytes. Run under the sanitizers this finds stray reads.
    std::mt19937 gen(4217);
    const std::string inputs[] = {fixtures::histXml(), fixtures::histCsv(), fixtures::dailyXml(),
                                  fixtures::dailyCsv()};
    const char noise[] = "<>/'\"=,.;-0123456789 \n\r\tAZN/A\xff";
    int refused = 0;
    for (const std::string& base : inputs) {
        for (int i = 0; i < 1500; ++i) {
            std::string s = base;
            int edits = 1 + static_cast<int>(gen() % 4);
            for (int k = 0; k < edits; ++k) {
                std::size_t pos = gen() % s.size();
                switch (gen() % 3) {
                case 0:
                    s[pos] = noise[gen() % (sizeof noise - 1)];
                    break;
                case 1:
                    s.erase(pos, 1 + gen() % 8);
                    break;
                default:
                    s = s.substr(0, pos);
                }
                if (s.empty())
                    s = "x";
            }
            try {
                auto recs = rf::importEcb(s, "damaged");
                for (const auto& r : recs)
                    EXPECT_TRUE(rf::checkRecord(rf::encodeRecord(r)).empty()) << s;
            } catch (const rf::Error& e) {
                ++refused;
                EXPECT_EQ(std::string(e.what()).rfind("damaged:", 0), 0u) << e.what();
            }
            (void)rf::checkRateFileBytes(s);
        }
    }
    EXPECT_GT(refused, 1000);
}
