// SPDX-License-Identifier: Apache-2.0
// ok601dt: the built-in control data TarvoDaten and InitTarvoDaten, which fills it.
#include "ctrldata.h"

#include <algorithm>
#include <cstring>
#include <mutex>

TARVO_EXTERN_C_BEGIN
TARVO_API PS_TarvoDaten TarvoDaten;
TARVO_EXTERN_C_END

namespace {

// Copies a text into a field without its terminator; the rest of the field stays as it is.
template <std::size_t N> void put(char (&field)[N], const char* text) {
    std::memcpy(field, text, std::min(std::strlen(text), N));
}

struct RowValues {
    const char* iso;
    const char* rate;
    const char* code1;
    const char* code2;
    const char* validFrom;
    char decimals;
    const char* validUntil;
};

constexpr const char* kNoRate = "+00000000000";

constexpr RowValues kBlock1Rows[16] = {
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
    {"DKK", kNoRate, "008", "008", "20990101", '2', "00000000"},
    {"SEK", kNoRate, "010", "030", "20990101", '2', "00000000"},
    {"GRD", "+03407500000", "027", "009", "20010101", '0', "20020630"},
    {"GBP", kNoRate, "027", "006", "20990101", '2', "00000000"},
    {"XXX", kNoRate, "999", "400", "20990501", '2', "00000000"},
};

constexpr RowValues kBlock2Rows[16] = {
    {"ATS", kNoRate, "012", "038", "19990101", '2', "20020630"},
    {"BEF", kNoRate, "006", "102", "19990101", '0', "20020630"},
    {"DEM", kNoRate, "000", "004", "19990101", '2', "20020630"},
    {"DKK", kNoRate, "008", "008", "19990101", '2', "20020630"},
    {"ESP", kNoRate, "013", "011", "19990101", '2', "20020630"},
    {"FIM", kNoRate, "028", "032", "19990101", '2', "20020630"},
    {"FRF", kNoRate, "007", "001", "19990101", '2', "20020630"},
    {"IEP", kNoRate, "031", "007", "19990101", '2', "20020630"},
    {"ITL", kNoRate, "011", "005", "19990101", '0', "20020630"},
    {"LUF", kNoRate, "033", "104", "19990101", '2', "20020630"},
    {"NLG", kNoRate, "004", "003", "19990101", '2', "20020630"},
    {"PTE", kNoRate, "014", "010", "19990101", '2', "20020630"},
    {"SEK", kNoRate, "010", "030", "19990101", '2', "20020630"},
    {"GRD", kNoRate, "027", "009", "19990101", '2', "20020630"},
    {"GBP", kNoRate, "027", "006", "19990101", '2', "20020630"},
    {"XXX", kNoRate, "999", "400", "19990501", '2', "20020630"},
};

struct EntryValues {
    const char* name;
    char mode;
    const char* switchDate;
};

constexpr EntryValues kBlock1Entries[4] = {
    {"        ", 'P', "20020101"},
    {"Anwend_1", 'P', "20000101"},
    {"Test___2", 'T', "19990601"},
    {"Test___3", 'T', "19990601"},
};

void fillRow(PS_Waehrung& row, const RowValues& v) {
    put(row.ISOCode, v.iso);
    put(row.FixKurs, v.rate);
    put(row.CodeNr1, v.code1);
    put(row.CodeNr2, v.code2);
    put(row.GueltigAb, v.validFrom);
    row.Dezimalen = v.decimals;
    row.EinheitExp = '0';
    row.UmlaufKz = 'N';
    put(row.GueltigBis, v.validUntil);
}

void fillEntry(PS_Anwendung& e, const EntryValues& v) {
    put(e.Name, v.name);
    e.Modus = v.mode;
    put(e.TestBibl, "Pref_Test_DLL    ");
    put(e.ProdBibl, "Pref_Prod_DLL    ");
    put(e.Datenbank, "DB2N");
    put(e.PeriodenKz, "NN-NNN----");
    put(e.UmstBeginn, "19990101");
    put(e.UmstEnde, "20020101");
    put(e.Stichtag, v.switchDate);
}

// Body fields shared by both blocks (the two block types carry the same body members).
template <class Block>
void fillBody(Block& b, const char* version, char quotEuro, int32_t count, const RowValues* rows) {
    put(b.EB_Version, version);
    put(b.BasisWaehrung, "EUR");
    put(b.HeimWaehrung, "DEM");
    b.NotierungHeim = 'P';
    b.Notierung2 = 'P';
    b.NotierungEuro = quotEuro;
    b.WaehrAnzahl = count;
    for (int i = 0; i < 16; ++i) {
        fillRow(b.Waehrung[i], rows[i]);
    }
}

void buildBuiltinRecord(PS_TarvoDaten& r) {
    std::memset(&r, 0, sizeof r);
    r.BlockAnzahl = 2;

    fillBody(r.Block1, "02", 'M', 15, kBlock1Rows);
    for (int i = 0; i < 4; ++i) {
        fillEntry(r.Block1.Anwendung[i], kBlock1Entries[i]);
    }
    r.Block1.BlockLaenge = static_cast<int32_t>(sizeof(PS_TarvoBlock1));
    r.Block1.AnwAnzahl = 4;
    r.Block1.LetzterBlock = 0;

    fillBody(r.Block2, "*+", 'P', 16, kBlock2Rows);
    fillEntry(r.Block2.Anwendung[0], {"        ", 'P', "20020101"});
    r.Block2.BlockLaenge = static_cast<int32_t>(sizeof(PS_TarvoBlock2));
    r.Block2.AnwAnzahl = 1;
    r.Block2.LetzterBlock = 1;
}

std::mutex initMutex;

} // namespace

TARVO_EXTERN_C_BEGIN

// The record is built aside and copied in only where it differs, so a repeated call never
// disturbs a load that reads the already filled record in another thread.
TARVO_API void InitTarvoDaten(void) {
    static PS_TarvoDaten fresh;
    std::lock_guard<std::mutex> lock(initMutex);
    buildBuiltinRecord(fresh);
    if (std::memcmp(&fresh, &TarvoDaten, sizeof fresh) != 0) {
        std::memcpy(&TarvoDaten, &fresh, sizeof fresh);
    }
}

TARVO_EXTERN_C_END
