/* SPDX-License-Identifier: Apache-2.0 */
// Test helpers for the kernel: control-data blocks, parameter blocks, amount texts and rate
// files pointed to by TARVO_WAEHKURS.
#ifndef TESTS_CONVKERN_KERN_TEST_UTIL_H
#define TESTS_CONVKERN_KERN_TEST_UTIL_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "convkern.h"
#include "ctrldata.h"
#include "ratefile.h"
#include "work_cells.h"

namespace kt {

// ---- control data ----------------------------------------------------------------------

struct Row {
    std::string iso;
    std::string rate; // taDez4p7 text, 12 characters
    char decimals = '2';
    char unitExp = '0';
};

// The fixed rates of the built-in control data (first block), as a load inside the
// changeover period hands them over.
inline std::vector<Row> builtInRows() {
    return {{"DEM", "+00019558300", '2', '0'}, {"ATS", "+00137603000", '2', '0'},
            {"BEF", "+00403399000", '0', '0'}, {"ESP", "+01663860000", '0', '0'},
            {"FIM", "+00059457300", '2', '0'}, {"FRF", "+00065595700", '2', '0'},
            {"IEP", "+00007875640", '2', '0'}, {"ITL", "+19362700000", '0', '0'},
            {"LUF", "+00403399000", '0', '0'}, {"NLG", "+00022037100", '2', '0'},
            {"PTE", "+02004820000", '0', '0'}, {"DKK", "+00000000000", '2', '0'},
            {"SEK", "+00000000000", '2', '0'}, {"GRD", "+03407500000", '0', '0'},
            {"GBP", "+00000000000", '2', '0'}};
}

struct EbOptions {
    bool euroPeriod = true; // period flag position 2
    char quotHome = 'P';
    char quotEuro = 'M';
    char mode = 'P'; // 'T' traces
    std::string base = "EUR";
    std::string home = "DEM";
};

inline PS_EB makeEb(const std::vector<Row>& rows = builtInRows(), const EbOptions& o = {}) {
    PS_EB eb;
    std::memset(&eb, 0, sizeof eb);
    std::memcpy(eb.EB_Version, "02", 2);
    std::memcpy(eb.BasisWaehrung, o.base.data(), 3);
    std::memcpy(eb.HeimWaehrung, o.home.data(), 3);
    eb.NotierungHeim = o.quotHome;
    eb.Notierung2 = 'P';
    eb.NotierungEuro = o.quotEuro;
    eb.WaehrAnzahl = static_cast<int32_t>(rows.size());
    for (std::size_t i = 0; i < rows.size() && i < PS_WAEHR_MAX; ++i) {
        PS_Waehrung& w = eb.Waehrung[i];
        std::memcpy(w.ISOCode, rows[i].iso.data(), 3);
        std::memcpy(w.FixKurs, rows[i].rate.data(), 12);
        std::memcpy(w.CodeNr1, "000", 3);
        std::memcpy(w.CodeNr2, "000", 3);
        std::memcpy(w.GueltigAb, "19990101", 8);
        w.Dezimalen = rows[i].decimals;
        w.EinheitExp = rows[i].unitExp;
        w.UmlaufKz = 'J';
        std::memcpy(w.GueltigBis, "20020630", 8);
    }
    PS_Anwendung& a = eb.Anwendung;
    std::memcpy(a.Name, "        ", 8);
    a.Modus = o.mode;
    std::memcpy(a.PeriodenKz, o.euroPeriod ? "JJ-NNN----" : "JN-NNN----", 10);
    std::memcpy(a.UmstBeginn, "19990101", 8);
    std::memcpy(a.UmstEnde, "20020101", 8);
    std::memcpy(a.Stichtag, "20020101", 8);
    return eb;
}

// ---- texts ------------------------------------------------------------------------------

// Field text of a scaled integer: sign and `digits` digits.
inline std::string fieldText(int64_t v, int digits) {
    std::string s(static_cast<std::size_t>(digits) + 1, '0');
    s[0] = v < 0 ? '-' : '+';
    uint64_t m = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    for (int i = digits; i >= 1 && m != 0; --i) {
        s[static_cast<std::size_t>(i)] = static_cast<char>('0' + static_cast<int>(m % 10));
        m /= 10;
    }
    return s;
}
// taDez13p2 of an amount in cents.
inline std::string amount(int64_t cents) {
    return fieldText(cents, 15);
}
// taDez4p7 of a rate in units of 10^-7.
inline std::string rate(int64_t r) {
    return fieldText(r, 11);
}

template <std::size_t N> std::string str(const char (&f)[N]) {
    return std::string(f, N);
}
// Text up to the first zero byte of a slot.
template <std::size_t N> std::string text(const char (&f)[N]) {
    return std::string(f, strnlen(f, N));
}
template <std::size_t N> void put(char (&f)[N], const std::string& s) {
    std::memcpy(f, s.data(), s.size() < N ? s.size() : N);
}
inline void putUnit(unsigned char* p, int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    p[0] = static_cast<unsigned char>(u & 0xFF);
    p[1] = static_cast<unsigned char>(u >> 8);
}
inline int16_t getUnit(const unsigned char* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

// ---- blocks -----------------------------------------------------------------------------

template <typename B> void head(B& b, const char* sender = "TESTPROG") {
    std::memset(&b, 0, sizeof b);
    std::memcpy(b.SB_VERSION, "01", 2);
    std::memcpy(b.SENDER, sender, 8);
}

inline U1_SB u1(const std::string& e, const std::string& a, int64_t cents, char rateType = 'M',
                const std::string& date = "20010615", char printFlag = 'N') {
    U1_SB b;
    head(b);
    b.RATE_TYPE = rateType;
    put(b.ISO_CODE_E, e);
    put(b.ISO_CODE_A, a);
    b.RATE_PRINT_FLAG = printFlag;
    put(b.BOOKING_DATE, date);
    put(b.AMOUNT_E, amount(cents));
    return b;
}

inline U2_SB u2(const std::string& e, const std::string& a, int64_t cents, int64_t rate7,
                int16_t unit = 1, char quotation = 'M', char decFlag = '2') {
    U2_SB b;
    head(b);
    put(b.ISO_CODE_E, e);
    put(b.ISO_CODE_A, a);
    put(b.AMOUNT_E, amount(cents));
    put(b.RATE, rate(rate7));
    putUnit(b.RATE_UNIT, unit);
    b.DEC_FLAG_A = decFlag;
    b.QUOTATION = quotation;
    return b;
}

inline U3_SB u3(const std::string& e, const std::string& a, int64_t cents, char rateType = 'M',
                const std::string& date = "20010615") {
    U3_SB b;
    head(b);
    b.RATE_TYPE = rateType;
    put(b.ISO_CODE_E, e);
    put(b.ISO_CODE_A, a);
    b.RATE_PRINT_FLAG_E = 'N';
    b.RATE_PRINT_FLAG_A = 'N';
    put(b.BOOKING_DATE, date);
    put(b.AMOUNT_E, amount(cents));
    return b;
}

inline U4_SB u4(const std::string& e, int64_t rateE, int16_t unitE, char quotE,
                const std::string& a, int64_t rateA, int16_t unitA, char quotA, int64_t cents,
                char decFlag = '2') {
    U4_SB b;
    head(b);
    put(b.ISO_CODE_E, e);
    put(b.RATE_E, rate(rateE));
    putUnit(b.RATE_UNIT_E, unitE);
    put(b.ISO_CODE_A, a);
    put(b.RATE_A, rate(rateA));
    putUnit(b.RATE_UNIT_A, unitA);
    put(b.AMOUNT_E, amount(cents));
    b.DEC_FLAG_A = decFlag;
    b.QUOTATION_E = quotE;
    b.QUOTATION_A = quotA;
    return b;
}

template <typename B> bool allZero(const B& b, std::size_t from) {
    const auto* p = reinterpret_cast<const unsigned char*>(&b);
    for (std::size_t i = from; i < sizeof b; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

// All exported work cells of the calling thread are null.
using tarvo_test::workCellsNull;

// ---- rate files -------------------------------------------------------------------------

inline tarvo::ratefile::RateRecord record(const std::string& iso, const std::string& date,
                                          const std::string& rate7text, int unit = 1,
                                          char quotation = 'M', char decimals = 'J') {
    tarvo::ratefile::RateRecord r;
    r.iso = iso;
    r.number = "999";
    r.rateDate = date;
    r.unit = unit;
    r.decimals = decimals;
    r.quotation = quotation;
    for (auto& x : r.rates)
        x = rate7text;
    return r;
}

// A temporary folder holding a rate file; TARVO_WAEHKURS points at it while the object lives.
class RateFile {
  public:
    RateFile() {
        char tmpl[] = "/tmp/kernratesXXXXXX";
        const char* d = mkdtemp(tmpl);
        dir_ = d != nullptr ? d : "/tmp";
        path_ = dir_ / "WAEHKURS.DAT";
        setenv("TARVO_WAEHKURS", path_.c_str(), 1);
    }
    ~RateFile() {
        unsetenv("TARVO_WAEHKURS");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    RateFile(const RateFile&) = delete;
    RateFile& operator=(const RateFile&) = delete;

    // Writes the records in the given order after a version record.
    void write(const std::vector<tarvo::ratefile::RateRecord>& records,
               const std::string& fileDate = "20010615") {
        std::string bytes = tarvo::ratefile::encodeVersionRecord(fileDate);
        for (const auto& r : records)
            bytes += tarvo::ratefile::encodeRecord(r);
        writeBytes(bytes);
    }
    void writeBytes(const std::string& bytes) {
        std::ofstream f(path_, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const std::filesystem::path& path() const { return path_; }
    const std::filesystem::path& dir() const { return dir_; }

  private:
    std::filesystem::path dir_;
    std::filesystem::path path_;
};

} // namespace kt

#endif
