// SPDX-License-Identifier: Apache-2.0
// The built-in record after InitTarvoDaten, field by field against the published tables.
#include "ctrldata.h"
#include "support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using ctrltest::field;

namespace {

struct Row {
    std::string iso, rate, code1, code2, from;
    char decimals;
    std::string until;
};

const Row kBlock1[16] = {
    {"DEM", "+00019558300", "000", "004", "19990101", '2', "20020228"},
    {"ATS", "+00137603000", "012", "038", "19990101", '2', "20020630"},
    {"BEF", "+00403399000", "006", "102", "19990101", '0', "20020630"},
    {"ESP", "+01663860000", "013", "011", "19990101", '0', "20020630"},
    {"FIM", "+00059457300", "028", "032", "19990101", '2', "20020630"},
    {"FRF", "+00065595700", "007", "001", "19990101", '2', "20020630"},
    {"IEP", "+00007875640", "031", "007", "19990101", '2', "20020630"},
    {"ITL", "+19362700000", "011", "005", "19990101", '0', "20020630"},
    {"LUF", "+00403399000", "033", "104", "19990101", '0', "20020630"},
    {"NLG", "+00022037100", "004", "003", "19990101", '2', "20020630"},
    {"PTE", "+02004820000", "014", "010", "19990101", '0', "20020630"},
    {"DKK", "+00000000000", "008", "008", "20990101", '2', "00000000"},
    {"SEK", "+00000000000", "010", "030", "20990101", '2', "00000000"},
    {"GRD", "+03407500000", "027", "009", "20010101", '0', "20020630"},
    {"GBP", "+00000000000", "027", "006", "20990101", '2', "00000000"},
    {"XXX", "+00000000000", "999", "400", "20990501", '2', "00000000"},
};

const Row kBlock2[16] = {
    {"ATS", "+00000000000", "012", "038", "19990101", '2', "20020630"},
    {"BEF", "+00000000000", "006", "102", "19990101", '0', "20020630"},
    {"DEM", "+00000000000", "000", "004", "19990101", '2', "20020630"},
    {"DKK", "+00000000000", "008", "008", "19990101", '2', "20020630"},
    {"ESP", "+00000000000", "013", "011", "19990101", '2', "20020630"},
    {"FIM", "+00000000000", "028", "032", "19990101", '2', "20020630"},
    {"FRF", "+00000000000", "007", "001", "19990101", '2', "20020630"},
    {"IEP", "+00000000000", "031", "007", "19990101", '2', "20020630"},
    {"ITL", "+00000000000", "011", "005", "19990101", '0', "20020630"},
    {"LUF", "+00000000000", "033", "104", "19990101", '2', "20020630"},
    {"NLG", "+00000000000", "004", "003", "19990101", '2', "20020630"},
    {"PTE", "+00000000000", "014", "010", "19990101", '2', "20020630"},
    {"SEK", "+00000000000", "010", "030", "19990101", '2', "20020630"},
    {"GRD", "+00000000000", "027", "009", "19990101", '2', "20020630"},
    {"GBP", "+00000000000", "027", "006", "19990101", '2', "20020630"},
    {"XXX", "+00000000000", "999", "400", "19990501", '2', "20020630"},
};

struct Entry {
    std::string name;
    char mode;
    std::string switchDate;
};

bool allZero(const void* p, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i) {
        if (b[i] != 0) {
            return false;
        }
    }
    return true;
}

void expectRow(const PS_Waehrung& w, const Row& r, int index) {
    SCOPED_TRACE("row " + std::to_string(index + 1) + " " + r.iso);
    EXPECT_EQ(std::string(w.ISOCode, 4), r.iso + '\0');
    EXPECT_EQ(std::string(w.FixKurs, 14), r.rate + std::string(2, '\0'));
    EXPECT_EQ(std::string(w.CodeNr1, 4), r.code1 + '\0');
    EXPECT_EQ(std::string(w.CodeNr2, 4), r.code2 + '\0');
    EXPECT_EQ(field(w.GueltigAb, 8), r.from);
    EXPECT_EQ(w.Dezimalen, r.decimals);
    EXPECT_EQ(w.EinheitExp, '0');
    EXPECT_EQ(w.UmlaufKz, 'N');
    EXPECT_EQ(field(w.GueltigBis, 8), r.until);
    EXPECT_TRUE(allZero(w.Reserve, sizeof w.Reserve));
}

void expectEntry(const PS_Anwendung& a, const Entry& e) {
    SCOPED_TRACE("entry '" + e.name + "'");
    EXPECT_EQ(std::string(a.Name, 9), e.name + '\0');
    EXPECT_EQ(a.Modus, e.mode);
    EXPECT_EQ(std::string(a.TestBibl, 18), std::string("Pref_Test_DLL    ") + '\0');
    EXPECT_EQ(std::string(a.ProdBibl, 18), std::string("Pref_Prod_DLL    ") + '\0');
    EXPECT_EQ(std::string(a.Datenbank, 5), std::string("DB2N") + '\0');
    EXPECT_EQ(field(a.PeriodenKz, 10), "NN-NNN----");
    EXPECT_EQ(field(a.UmstBeginn, 8), "19990101");
    EXPECT_EQ(field(a.UmstEnde, 8), "20020101");
    EXPECT_EQ(field(a.Stichtag, 8), e.switchDate);
    EXPECT_TRUE(allZero(a.Reserve, sizeof a.Reserve));
}

template <class Block>
void expectBody(const Block& b, const std::string& version, char quotEuro, int32_t count,
                const Row* rows) {
    EXPECT_EQ(std::string(b.EB_Version, 3), version + '\0');
    EXPECT_TRUE(allZero(b.AufrufDatumS0, 12 + 8 + 10 + 3));
    EXPECT_EQ(b.AufrufZeitstempel, 0);
    EXPECT_EQ(std::string(b.BasisWaehrung, 4), std::string("EUR") + '\0');
    EXPECT_EQ(std::string(b.HeimWaehrung, 4), std::string("DEM") + '\0');
    EXPECT_EQ(b.NotierungHeim, 'P');
    EXPECT_EQ(b.Notierung2, 'P');
    EXPECT_EQ(b.NotierungEuro, quotEuro);
    EXPECT_TRUE(allZero(b.Reserve1, sizeof b.Reserve1));
    EXPECT_EQ(b.WaehrAnzahl, count);
    for (int i = 0; i < 16; ++i) {
        expectRow(b.Waehrung[i], rows[i], i);
    }
    for (int i = 16; i < PS_WAEHR_MAX; ++i) {
        EXPECT_TRUE(allZero(&b.Waehrung[i], sizeof(PS_Waehrung))) << "row " << i + 1;
    }
}

TEST(BuiltinRecord, EveryFieldMatchesTheTables) {
    InitTarvoDaten();
    const PS_TarvoDaten& t = TarvoDaten;
    EXPECT_EQ(t.BlockAnzahl, 2);

    EXPECT_EQ(t.Block1.BlockLaenge, 3120);
    EXPECT_EQ(t.Block1.AnwAnzahl, 4);
    EXPECT_EQ(t.Block1.LetzterBlock, 0);
    expectBody(t.Block1, "02", 'M', 15, kBlock1);
    const Entry entries1[4] = {{"        ", 'P', "20020101"},
                               {"Anwend_1", 'P', "20000101"},
                               {"Test___2", 'T', "19990601"},
                               {"Test___3", 'T', "19990601"}};
    for (int i = 0; i < 4; ++i) {
        expectEntry(t.Block1.Anwendung[i], entries1[i]);
    }
    EXPECT_TRUE(allZero(t.Block1.Fuell2, sizeof t.Block1.Fuell2));

    EXPECT_EQ(t.Block2.BlockLaenge, 2768);
    EXPECT_EQ(t.Block2.AnwAnzahl, 1);
    EXPECT_EQ(t.Block2.LetzterBlock, 1);
    expectBody(t.Block2, "*+", 'P', 16, kBlock2);
    expectEntry(t.Block2.Anwendung[0], {"        ", 'P', "20020101"});
    EXPECT_TRUE(allZero(t.Block2.Fuell2, sizeof t.Block2.Fuell2));
}

TEST(BuiltinRecord, BlocksFollowEachOtherByTheirLength) {
    InitTarvoDaten();
    const auto* base = reinterpret_cast<const unsigned char*>(&TarvoDaten);
    int32_t len1 = 0;
    std::memcpy(&len1, base + 4, 4);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&TarvoDaten.Block2), base + 4 + len1);
    EXPECT_EQ(4 + len1 + TarvoDaten.Block2.BlockLaenge, PS_TARVODATEN_SIZE);
}

TEST(BuiltinRecord, RepeatedInitialisationRestoresTheValues) {
    InitTarvoDaten();
    PS_TarvoDaten before;
    std::memcpy(&before, &TarvoDaten, sizeof before);
    TarvoDaten.Block1.Waehrung[0].FixKurs[3] = '7';
    InitTarvoDaten();
    EXPECT_EQ(std::memcmp(&before, &TarvoDaten, sizeof before), 0);
}

} // namespace
