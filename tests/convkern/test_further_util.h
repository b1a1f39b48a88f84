/* SPDX-License-Identifier: Apache-2.0 */
// Shared helpers of the four-decimal, balancing and smoothing tests: a control-data block built
// by hand, block fillers, exact reference arithmetic on scaled integers and a rate file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "convkern.h"
#include "ctrldata.h"
#include "work_cells.h"

namespace further_test {

__extension__ typedef __int128 i128;

// ---- control data -------------------------------------------------------------------------

struct Row {
    const char* iso;
    const char* rate; // taDez4p7 text
    char decimals;
    char unitExp;
};

// Base EUR (changeover period begun), home DEM, default quotation with euro base 'M'.
// "TST" and "TS0" carry the rate 1 with 2 and 0 decimals, so that an amount in euro comes out
// unchanged; "GBP", "USD" and "CHF" have no fixed rate (rate file).
inline PS_EB makeEb(char mode = 'P') {
    static const Row rows[] = {
        {"DEM", "+00019558300", '2', '0'}, {"BEF", "+00403399000", '0', '0'},
        {"FRF", "+00065595700", '2', '0'}, {"ITL", "+19362700000", '0', '0'},
        {"NLG", "+00022037100", '2', '0'}, {"TST", "+00010000000", '2', '0'},
        {"TS0", "+00010000000", '0', '0'}, {"GBP", "+00000000000", '2', '0'},
        {"USD", "+00000000000", '2', '0'}, {"CHF", "+00000000000", '2', '0'},
    };
    PS_EB eb;
    std::memset(&eb, 0, sizeof eb);
    std::memcpy(eb.EB_Version, "02", 2);
    std::memcpy(eb.BasisWaehrung, "EUR", 3);
    std::memcpy(eb.HeimWaehrung, "DEM", 3);
    eb.NotierungHeim = 'P';
    eb.Notierung2 = 'P';
    eb.NotierungEuro = 'M';
    eb.WaehrAnzahl = static_cast<int32_t>(sizeof rows / sizeof rows[0]);
    for (std::size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        PS_Waehrung& w = eb.Waehrung[i];
        std::memcpy(w.ISOCode, rows[i].iso, 3);
        std::memcpy(w.FixKurs, rows[i].rate, 12);
        std::memcpy(w.GueltigAb, "19990101", 8);
        w.Dezimalen = rows[i].decimals;
        w.EinheitExp = rows[i].unitExp;
        w.UmlaufKz = 'J';
        std::memcpy(w.GueltigBis, "00000000", 8);
    }
    std::memset(eb.Anwendung.Name, ' ', 8);
    eb.Anwendung.Modus = mode;
    std::memcpy(eb.Anwendung.PeriodenKz, "JJ-JNN----", 10);
    return eb;
}

// ---- field texts --------------------------------------------------------------------------

// Value in units of 10^-decimals as a sign plus digits text of the given digit count.
inline std::string fieldText(i128 v, int digits) {
    std::string s(static_cast<std::size_t>(digits + 1), '0');
    s[0] = v < 0 ? '-' : '+';
    i128 m = v < 0 ? -v : v;
    for (int i = digits; i >= 1; --i) {
        s[static_cast<std::size_t>(i)] = static_cast<char>('0' + static_cast<int>(m % 10));
        m /= 10;
    }
    return s;
}
inline std::string t13p2(i128 cents) {
    return fieldText(cents, 15);
}
inline std::string t11p4(i128 v4) {
    return fieldText(v4, 15);
}
inline std::string t15p0(i128 v) {
    return fieldText(v, 15);
}
inline std::string t1p6(i128 micro) {
    return fieldText(micro, 7);
}
// A rounded value keeps the sign of the value it came from, also when it rounds to zero.
inline std::string roundedText(i128 v, bool negative, int digits) {
    std::string s = fieldText(v, digits);
    if (v == 0 && negative)
        s[0] = '-';
    return s;
}

// Reads a text of digits with a sign (only '+' is positive) as scaled integer.
inline i128 readField(const char* p, int digits) {
    i128 v = 0;
    for (int i = 1; i <= digits; ++i)
        v = v * 10 + (p[i] - '0');
    return p[0] == '+' ? v : -v;
}
inline std::string slot(const char* p, std::size_t n) {
    return std::string(p, n);
}

// ---- exact reference arithmetic -------------------------------------------------------------

// Cut toward zero to a multiple of unit.
inline i128 cutTo(i128 v, i128 unit) {
    return v / unit * unit;
}
// Round half away from zero to a multiple of unit.
inline i128 roundTo(i128 v, i128 unit) {
    const i128 m = v < 0 ? -v : v;
    const i128 r = (m + unit / 2) / unit * unit;
    return v < 0 ? -r : r;
}
inline i128 pow10(int n) {
    i128 r = 1;
    while (n-- > 0)
        r *= 10;
    return r;
}

// ---- blocks -------------------------------------------------------------------------------

template <typename SB> void fillHead(SB& sb) {
    std::memcpy(sb.SB_VERSION, "01", 2);
    std::memcpy(sb.SENDER, "TESTPROG", 8);
}

// A U1 block converting amount (taDez13p2 text) from isoE into isoA.
inline void fillU1(U1_SB& sb, const char* isoE, const char* isoA, const std::string& amount) {
    std::memset(&sb, 0, sizeof sb);
    fillHead(sb);
    sb.RATE_TYPE = 'M';
    std::memcpy(sb.ISO_CODE_E, isoE, 3);
    std::memcpy(sb.ISO_CODE_A, isoA, 3);
    sb.RATE_PRINT_FLAG = 'N';
    std::memcpy(sb.BOOKING_DATE, "20010615", 8);
    std::memcpy(sb.AMOUNT_E, amount.data(), 16);
}

inline int32_t itemResult(const BG_ITEM& item) {
    int32_t v;
    std::memcpy(&v, item.ITEM_RESULT, sizeof v);
    return v;
}
inline void setCount(unsigned char* p, int16_t n) {
    std::memcpy(p, &n, sizeof n);
}

// True when every exported work cell of the calling thread is null.
inline bool allCellsNull() {
    return tarvo_test::workCellsNull();
}

// ---- rate file ----------------------------------------------------------------------------

struct RateRecord {
    const char* iso;
    const char* date;
    char blocked;
    const char* unit;
    char decimals;
    char print;
    const char* rate; // used for all six rate types
    char quotation;
};

// Writes a rate file into a private temporary folder and points TARVO_WAEHKURS at it for the
// life of the object.
class RateFile {
  public:
    explicit RateFile(const std::vector<RateRecord>& records) {
        char dir[] = "/tmp/further_rates_XXXXXX";
        if (mkdtemp(dir) != nullptr)
            dir_ = dir;
        path_ = dir_ + "/WAEHKURS.DAT";
        std::string data;
        for (const RateRecord& r : records) {
            std::string rec(252, ' ');
            rec.replace(0, 3, r.iso);
            rec.replace(5, 3, "999");
            rec.replace(10, 8, r.date);
            rec[25] = r.blocked;
            rec.replace(31, std::strlen(r.unit), r.unit);
            rec[37] = r.decimals;
            rec[40] = r.print;
            for (int k = 0; k < 8; ++k)
                rec.replace(static_cast<std::size_t>(43 + 16 * k), 12, r.rate);
            rec[221] = r.quotation;
            data += rec;
        }
        if (FILE* f = std::fopen(path_.c_str(), "wb")) {
            std::fwrite(data.data(), 1, data.size(), f);
            std::fclose(f);
        }
        setenv("TARVO_WAEHKURS", path_.c_str(), 1);
    }
    ~RateFile() {
        unsetenv("TARVO_WAEHKURS");
        std::remove(path_.c_str());
        rmdir(dir_.c_str());
    }
    RateFile(const RateFile&) = delete;
    RateFile& operator=(const RateFile&) = delete;

  private:
    std::string dir_;
    std::string path_;
};

} // namespace further_test
