// SPDX-License-Identifier: Apache-2.0
// PS_LesenTarvoDaten with the built-in record: checks, block and entry choice, adaptation
// to the reference date, today's date and tracing.
#include "ctrldata.h"
#include "support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

using ctrltest::field;
using ctrltest::load;

namespace {

class LoadFromMemory : public ::testing::Test {
  protected:
    void SetUp() override { ctrltest::traceCalls().clear(); }
    ctrltest::NoFile noFile_;
};

std::string code(const PS_SB& sb) {
    return field(sb.RETURN_CODE, 4);
}

const PS_Waehrung* row(const PS_EB& eb, const char* iso) {
    for (const auto& w : eb.Waehrung) {
        if (std::memcmp(w.ISOCode, iso, 3) == 0) {
            return &w;
        }
    }
    return nullptr;
}

TEST_F(LoadFromMemory, NullBlocksGive403AndWriteNothing) {
    PS_SB sb = ctrltest::makeSb("02", "Anwend_1", "20000615");
    const PS_SB before = sb;
    PS_EB eb;
    std::memset(&eb, 0xAB, sizeof eb);
    EXPECT_EQ(PS_LesenTarvoDaten(nullptr, nullptr, &eb), 403);
    EXPECT_EQ(PS_LesenTarvoDaten(&sb, nullptr, nullptr), 403);
    EXPECT_EQ(std::memcmp(&sb, &before, sizeof sb), 0);
    EXPECT_EQ(static_cast<unsigned char>(eb.EB_Version[0]), 0xAB);
}

TEST_F(LoadFromMemory, BlockHeadChecksInOrder) {
    struct Case {
        const char* version;
        const char* sender;
        int32_t rc;
        const char* code;
    } cases[] = {
        {"02", "TARVON32", 441, "0441"}, {"  ", "TARVON32", 441, "0441"},
        {"02", "        ", 441, "0441"}, // version checked before sender
        {"01", "        ", 401, "0401"}, {"01", "\0ARVON32", 401, "0401"},
        {"01", " ARVON32", 401, "0401"}, {"01", "T       ", 0, "0000"},
    };
    for (const auto& c : cases) {
        PS_SB sb = ctrltest::makeSb("02", "Anwend_1", "20000615");
        std::memcpy(sb.SB_VERSION, c.version, 2);
        std::memcpy(sb.SENDER, c.sender, 8);
        PS_EB eb;
        std::memset(&eb, 0xAB, sizeof eb);
        EXPECT_EQ(PS_LesenTarvoDaten(&sb, nullptr, &eb), c.rc) << c.version << "/" << c.sender;
        EXPECT_EQ(code(sb), c.code);
        if (c.rc != 0) {
            const PS_EB zero{};
            EXPECT_EQ(std::memcmp(&eb, &zero, sizeof eb), 0) << "eb is cleared";
        }
    }
}

TEST_F(LoadFromMemory, VersionAndApplicationSelection) {
    struct Case {
        const char* version;
        const char* app;
        int32_t rc;
        const char* code;
        const char* ebVersion; // empty: nothing loaded
        const char* entry;
    } cases[] = {
        {"02", "Anwend_1", 0, "0000", "02", "Anwend_1"},
        {"02", "        ", 0, "0000", "02", "        "},
        {"02", "Test___3", 0, "0000", "02", "Test___3"},
        {"02", "Nobody  ", 443, "0443", "02", "        "},
        {"02", "anwend_1", 443, "0443", "02", "        "},
        {"  ", "Anwend_1", 0, "0000", "02", "Anwend_1"},
        {"*+", "        ", 0, "0000", "*+", "        "},
        {"*+", "Anwend_1", 443, "0443", "*+", "        "},
        {"03", "Anwend_1", 442, "0442", "", ""},
        {"2 ", "Anwend_1", 442, "0442", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version) + "/" + c.app);
        const auto l = load(c.version, c.app, "20000615");
        EXPECT_EQ(l.rc, c.rc);
        EXPECT_EQ(code(l.sb), c.code);
        EXPECT_EQ(l.sb.Reserve2[0], '\0');
        if (*c.ebVersion == '\0') {
            EXPECT_EQ(l.eb.EB_Version[0], '\0');
            continue;
        }
        EXPECT_EQ(std::string(l.eb.EB_Version, 3), std::string(c.ebVersion) + '\0');
        EXPECT_EQ(std::string(l.eb.Anwendung.Name, 9), std::string(c.entry) + '\0');
    }
}

TEST_F(LoadFromMemory, CopiesBlockOneWithTheChosenEntry) {
    InitTarvoDaten();
    const auto l = load("02", "Anwend_1", "20000615");
    ASSERT_EQ(l.rc, 0);
    EXPECT_EQ(std::string(l.eb.BasisWaehrung, 4), std::string("EUR") + '\0');
    EXPECT_EQ(std::string(l.eb.HeimWaehrung, 4), std::string("DEM") + '\0');
    EXPECT_EQ(l.eb.NotierungHeim, 'P');
    EXPECT_EQ(l.eb.Notierung2, 'P');
    EXPECT_EQ(l.eb.NotierungEuro, 'M');
    EXPECT_EQ(l.eb.WaehrAnzahl, 15);
    // Outside the adapted fields the copy equals the stored block and entry.
    PS_EB expected = ctrltest::withoutCallTime(l.eb);
    const auto& b = TarvoDaten.Block1;
    for (int i = 0; i < 16; ++i) {
        PS_Waehrung r = b.Waehrung[i];
        if (i < 15) {
            r.UmlaufKz = expected.Waehrung[i].UmlaufKz;
            std::memcpy(r.FixKurs, expected.Waehrung[i].FixKurs, 14);
        }
        EXPECT_EQ(std::memcmp(&r, &expected.Waehrung[i], sizeof r), 0) << "row " << i + 1;
    }
    PS_Anwendung a = b.Anwendung[1];
    std::memcpy(a.PeriodenKz, expected.Anwendung.PeriodenKz, 10);
    EXPECT_EQ(std::memcmp(&a, &expected.Anwendung, sizeof a), 0);
    EXPECT_EQ(l.eb.Fuell2[0], '\0');
}

struct PhaseCase {
    const char* date;
    const char* app;
    const char* flags;
    int32_t count;
    std::vector<std::pair<const char*, const char*>> rates; // ISO, expected rate
    std::vector<std::pair<const char*, char>> circulation;  // ISO, expected flag
};

TEST_F(LoadFromMemory, AdaptsTheCopyToTheReferenceDate) {
    const char* none = "+00000000000";
    const std::vector<PhaseCase> cases = {
        {"19981231",
         "        ",
         "JN-NNN----",
         0,
         {{"DEM", none}, {"ITL", none}, {"GRD", none}, {"PTE", none}},
         {{"DEM", 'N'}, {"ATS", 'N'}}},
        {"19990101",
         "        ",
         "JJ-NNN----",
         15,
         {{"DEM", "+00019558300"}, {"GRD", none}},
         {{"DEM", 'N'}}},
        {"20000615",
         "        ",
         "JJ-NNN----",
         15,
         {{"DEM", "+00019558300"},
          {"ITL", "+19362700000"},
          {"IEP", "+00007875640"},
          {"GRD", none},
          {"DKK", none},
          {"SEK", none},
          {"GBP", none}},
         {{"DEM", 'N'}, {"GRD", 'N'}, {"GBP", 'N'}}},
        {"20000615", "Anwend_1", "JJ-JNN----", 15, {{"GRD", none}}, {{"DEM", 'N'}}},
        {"19991231", "Anwend_1", "JJ-NNN----", 15, {}, {}},
        {"20000101", "Anwend_1", "JJ-JNN----", 15, {}, {}},
        {"20010615",
         "        ",
         "JJ-NNN----",
         15,
         {{"GRD", "+03407500000"}, {"DKK", none}},
         {{"GRD", 'N'}}},
        {"20020215",
         "        ",
         "NJ-JNN----",
         15,
         {{"DEM", "+00019558300"}, {"GRD", "+03407500000"}, {"DKK", none}},
         {{"DEM", 'J'}, {"ATS", 'J'}, {"GRD", 'J'}, {"PTE", 'J'}, {"DKK", 'N'}, {"GBP", 'N'}}},
        {"20020228", "        ", "NJ-JNN----", 15, {}, {{"DEM", 'J'}}},
        {"20020301",
         "        ",
         "NJ-JNN----",
         15,
         {{"DEM", "+00019558300"}},
         {{"DEM", 'N'}, {"ATS", 'J'}, {"ITL", 'J'}, {"GRD", 'J'}}},
        {"20020701", "        ", "NJ-JNN----", 15, {}, {{"ATS", 'N'}, {"DEM", 'N'}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.date) + " '" + c.app + "'");
        const auto l = load("02", c.app, c.date);
        ASSERT_EQ(l.rc, 0);
        EXPECT_EQ(field(l.sb.BEZUGSDATUM, 8), c.date) << "a given date stays";
        EXPECT_EQ(field(l.eb.Anwendung.PeriodenKz, 10), c.flags);
        EXPECT_EQ(l.eb.WaehrAnzahl, c.count);
        for (const auto& [iso, rate] : c.rates) {
            const PS_Waehrung* w = row(l.eb, iso);
            ASSERT_NE(w, nullptr) << iso;
            EXPECT_EQ(std::string(w->FixKurs, 14), std::string(rate) + std::string(2, '\0')) << iso;
        }
        for (const auto& [iso, flag] : c.circulation) {
            EXPECT_EQ(row(l.eb, iso)->UmlaufKz, flag) << iso;
        }
        // Row 16 lies beyond the count and is left exactly as stored.
        EXPECT_EQ(field(l.eb.Waehrung[15].ISOCode, 3), "XXX");
        EXPECT_EQ(l.eb.Waehrung[15].UmlaufKz, 'N');
    }
}

TEST_F(LoadFromMemory, SecondBlockKeepsItsQuotationAndHasNoRates) {
    const auto l = load("*+", "        ", "20020215");
    ASSERT_EQ(l.rc, 0);
    EXPECT_EQ(l.eb.NotierungEuro, 'P');
    EXPECT_EQ(l.eb.WaehrAnzahl, 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(field(l.eb.Waehrung[i].FixKurs, 12), "+00000000000");
        EXPECT_EQ(l.eb.Waehrung[i].UmlaufKz, 'J') << "valid until 20020630";
    }
}

TEST_F(LoadFromMemory, TodayIsUsedAndWrittenBackForAMissingDate) {
    const std::string requests[] = {"00000000", "99999999", std::string(8, '\0'),
                                    std::string("\0"
                                                "0020101",
                                                8)};
    for (const auto& r : requests) {
        const std::time_t before = std::time(nullptr);
        const auto l = load("02", "        ", r);
        const std::time_t after = std::time(nullptr);
        ASSERT_EQ(l.rc, 0);
        EXPECT_EQ(field(l.sb.BEZUGSDATUM, 8), field(l.eb.AufrufDatum, 8));
        EXPECT_GE(l.eb.AufrufZeitstempel, static_cast<int32_t>(before));
        EXPECT_LE(l.eb.AufrufZeitstempel, static_cast<int32_t>(after));
        // The call date in both forms and the time come from the same clock reading.
        std::tm t{};
        const std::time_t stamp = l.eb.AufrufZeitstempel;
        localtime_r(&stamp, &t);
        char expDate[9];
        std::strftime(expDate, sizeof expDate, "%Y%m%d", &t);
        char expS0[11];
        std::strftime(expS0, sizeof expS0, "%d.%m.%Y", &t);
        char expTime[9];
        std::strftime(expTime, sizeof expTime, "%H:%M:%S", &t);
        EXPECT_EQ(field(l.eb.AufrufDatum, 8), expDate);
        EXPECT_EQ(std::string(l.eb.AufrufDatumS0, 12), std::string(expS0) + std::string(2, '\0'));
        EXPECT_EQ(std::string(l.eb.AufrufZeit, 10), std::string(expTime) + std::string(2, '\0'));
        // Today lies after the changeover period.
        EXPECT_EQ(field(l.eb.Anwendung.PeriodenKz, 4), "NJ-J");
    }
}

TEST_F(LoadFromMemory, TestModeTracesBothBlocksOnceAtTheEnd) {
    struct Case {
        const char* version;
        const char* app;
        std::size_t calls;
    } cases[] = {{"02", "Test___2", 2},
                 {"02", "Test___3", 2},
                 {"02", "Anwend_1", 0},
                 {"03", "Test___2", 0},
                 {"*+", "Test___2", 0}};
    for (const auto& c : cases) {
        ctrltest::traceCalls().clear();
        load(c.version, c.app, "20000615");
        const auto& calls = ctrltest::traceCalls();
        ASSERT_EQ(calls.size(), c.calls) << c.version << "/" << c.app;
        if (c.calls == 2) {
            EXPECT_EQ(calls[0].label, "PS_SB   <--:");
            EXPECT_EQ(calls[0].length, 83);
            EXPECT_EQ(calls[1].label, "PS_EB   <--:");
            EXPECT_EQ(calls[1].length, 2756);
        }
    }
}

TEST_F(LoadFromMemory, NormalisesEmptyUnitExponentAndQuotation) {
    InitTarvoDaten();
    load("02", "        ", "20000615"); // makes sure the one-time fill has run
    TarvoDaten.Block1.NotierungEuro = ';';
    TarvoDaten.Block1.Waehrung[0].EinheitExp = '\0';
    TarvoDaten.Block1.Waehrung[1].EinheitExp = ';';
    TarvoDaten.Block1.Waehrung[2].EinheitExp = '3';
    const auto l = load("02", "        ", "20000615");
    TarvoDaten.Block1.NotierungEuro = '\0';
    const auto l2 = load("02", "        ", "20000615");
    InitTarvoDaten();
    EXPECT_EQ(l.eb.NotierungEuro, 'M');
    EXPECT_EQ(l.eb.Waehrung[0].EinheitExp, '0');
    EXPECT_EQ(l.eb.Waehrung[1].EinheitExp, '0');
    EXPECT_EQ(l.eb.Waehrung[2].EinheitExp, '3');
    EXPECT_EQ(l2.eb.NotierungEuro, 'M');
}

TEST_F(LoadFromMemory, FileNameNamesTheFileOfTheLastCall) {
    const std::string named = std::getenv("TARVO_STEUDAT");
    load("02", "        ", "20000615");
    ASSERT_NE(FileName, nullptr);
    EXPECT_EQ(named, FileName);
    const char* first = FileName;
    // Without the variable the default name in the current folder is used (absent in the
    // build tree, so the built-in record is loaded). The earlier text stays valid.
    unsetenv("TARVO_STEUDAT");
    EXPECT_EQ(load("02", "        ", "20000615").rc, 0);
    EXPECT_STREQ(FileName, "TARVO.DAT");
    EXPECT_EQ(named, first);
}

TEST_F(LoadFromMemory, ConcurrentLoadsAgree) {
    const auto reference = ctrltest::withoutCallTime(load("02", "Anwend_1", "20010615").eb);
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &reference, &mismatches] {
            for (int i = 0; i < 200; ++i) {
                const auto l = load("02", "Anwend_1", "20010615");
                const PS_EB eb = ctrltest::withoutCallTime(l.eb);
                if (l.rc != 0 || std::memcmp(&eb, &reference, sizeof eb) != 0) {
                    ++mismatches[static_cast<std::size_t>(t)];
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

} // namespace
