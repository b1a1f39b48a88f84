/* SPDX-License-Identifier: Apache-2.0 */
// Independent reference of the conversions for the randomised cross-check: decimal values as
// 128-bit scaled integers with the sign byte and digit count the cells carry, and the
// conversion rules written out again from the rules of the blocks, without the kernel.
#ifndef TESTS_CONVKERN_REFERENCE_H
#define TESTS_CONVKERN_REFERENCE_H

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "convkern.h"
#include "ctrldata.h"

namespace ref {

__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;

inline u128 pow10(int n) {
    u128 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}
inline int ndigits(u128 v) {
    int n = 0;
    while (v != 0) {
        v /= 10;
        ++n;
    }
    return n;
}

// A decimal cell: sign byte, scale, digit count and magnitude (the digits as a number).
struct Cell {
    bool neg = false;
    u128 mag = 0;
    int scale = 0;
    int count = 0;
};

inline Cell zero() {
    return Cell{};
}

// Reads a field text of n integer and m decimal digits (sign at position 0).
inline Cell readField(const char* f, int n, int m) {
    u128 mag = 0;
    int r = 0;
    int z = 0;
    u128 weight = 1;
    for (int pos = n + m; pos >= 1; --pos) {
        const char c = f[pos];
        if (c < '0' || c > '9')
            break;
        mag += weight * static_cast<unsigned>(c - '0');
        weight *= 10;
        ++r;
        z = c == '0' ? z + 1 : 0;
    }
    if (mag == 0)
        return zero();
    Cell v;
    v.mag = mag;
    v.scale = m;
    v.count = std::max(r - z, m);
    v.neg = f[0] != '+';
    return v;
}

inline Cell mul(const Cell& a, const Cell& b) {
    if (a.mag == 0 || b.mag == 0)
        return zero();
    Cell v;
    v.mag = a.mag * b.mag;
    v.scale = a.scale + b.scale;
    v.count = std::max(ndigits(v.mag), v.scale);
    v.neg = a.neg != b.neg;
    return v;
}

// Quotient cut to d decimals; nullopt when b is zero.
inline std::optional<Cell> div(const Cell& a, const Cell& b, int d) {
    if (b.mag == 0)
        return std::nullopt;
    if (a.mag == 0)
        return zero();
    const int s = std::max(a.scale, b.scale);
    const u128 am = a.mag * pow10(s - a.scale);
    const u128 bm = b.mag * pow10(s - b.scale);
    Cell v;
    v.mag = am * pow10(d) / bm;
    v.scale = d;
    v.count = std::max(ndigits(v.mag), d);
    v.neg = a.neg != b.neg;
    return v;
}

// A zero is recognised here by its digit count alone, as in addition: a zero left by
// rounding or truncation keeps its counted digits and its sign byte.
inline Cell divPow10(const Cell& a, int n) {
    if (a.count == 0)
        return zero();
    Cell v = a;
    v.scale += n;
    v.count = std::max(v.count, v.scale);
    return v;
}

inline Cell mulPow10(const Cell& a, int n) {
    if (a.count == 0)
        return zero();
    Cell v = a;
    if (n <= v.scale) {
        v.scale -= n;
        return v;
    }
    const int shift = n - v.scale;
    v.mag *= pow10(shift);
    v.scale = 0;
    v.count += shift;
    return v;
}

inline Cell trunc(const Cell& a, int d) {
    if (d >= a.scale)
        return a;
    Cell v = a;
    if (a.count == 0) {
        v.scale = 0;
        return v;
    }
    v.mag = a.mag / pow10(a.scale - d);
    v.count = std::max(a.count + d - a.scale, 0);
    v.scale = v.count == 0 ? 0 : d;
    return v;
}

// Half away from zero on the magnitude; the sign byte is kept.
inline Cell round(const Cell& a, int d) {
    if (d >= a.scale)
        return a;
    Cell v = a;
    if (d + a.count < a.scale) {
        v.mag = 0;
        v.count = 0;
        v.scale = 0;
        return v;
    }
    const int k = a.scale - d;
    const u128 p = pow10(k);
    u128 kept = a.mag / p;
    const bool up = (a.mag / pow10(k - 1)) % 10 >= 5;
    int count = a.count + d - a.scale;
    if (up) {
        ++kept;
        count = std::max(count, ndigits(kept));
    }
    if (count == 0) {
        v.mag = 0;
        v.count = 0;
        v.scale = 0;
        return v;
    }
    v.mag = kept;
    v.count = count;
    v.scale = d;
    return v;
}

inline Cell sub(const Cell& a, const Cell& b) {
    if (b.count == 0)
        return a;
    if (a.count == 0) {
        Cell v = b;
        v.neg = !b.neg;
        return v;
    }
    const int s = std::max(a.scale, b.scale);
    const i128 va = static_cast<i128>(a.mag * pow10(s - a.scale)) * (a.neg ? -1 : 1);
    const i128 vb = static_cast<i128>(b.mag * pow10(s - b.scale)) * (b.neg ? -1 : 1);
    const i128 r = va - vb;
    if (r == 0)
        return zero();
    Cell v;
    v.neg = r < 0;
    v.mag = static_cast<u128>(r < 0 ? -r : r);
    v.scale = s;
    v.count = std::max(ndigits(v.mag), s);
    return v;
}

// Field text of n integer and m decimal digits, or nullopt when the value does not fit.
inline std::optional<std::string> writeField(const Cell& a, int n, int m) {
    if (a.count - a.scale > n)
        return std::nullopt;
    const Cell v = a.scale > m ? round(a, m) : a;
    std::string s(static_cast<std::size_t>(n + m + 1), '0');
    u128 mag = v.mag;
    int pos = n + v.scale;
    // Digits below the slot's last position cannot occur (scale <= m after rounding).
    while (mag != 0 && pos >= 1) {
        if (pos <= n + m)
            s[static_cast<std::size_t>(pos)] = static_cast<char>('0' + static_cast<int>(mag % 10));
        mag /= 10;
        --pos;
    }
    s[0] = v.neg ? '-' : '+';
    return s;
}

// ---- control data --------------------------------------------------------------------------

struct Ctl {
    const PS_EB& eb;
    bool euro() const { return eb.Anwendung.PeriodenKz[1] == 'J'; }
    std::string base() const { return std::string(euro() ? eb.BasisWaehrung : eb.HeimWaehrung, 3); }
    char defaultQuotation() const { return euro() ? eb.NotierungEuro : eb.NotierungHeim; }
    const PS_Waehrung* row(const char* iso) const {
        for (int i = 0; i < eb.WaehrAnzahl && i < PS_WAEHR_MAX; ++i)
            if (std::memcmp(eb.Waehrung[i].ISOCode, iso, 3) == 0)
                return &eb.Waehrung[i];
        return nullptr;
    }
};

// ---- rate file ----------------------------------------------------------------------------

struct Rec {
    std::string iso;
    std::string date;
    char blocked = 'N';
    int unit = 1;
    char decimals = 'J';
    char ratePrint = 'J';
    std::string rates[6];
    char quotation = 'M';
};

struct LookupResult {
    int rc = 0; // 0, 482 or 485
    const Rec* rec = nullptr;
};

inline LookupResult lookup(const std::vector<Rec>& file, const char* iso, const char* date) {
    std::size_t i = 0;
    while (i < file.size() && std::memcmp(file[i].iso.data(), iso, 3) != 0)
        ++i;
    if (i == file.size())
        return {482, nullptr};
    if (std::memcmp(date, "99999999", 8) == 0)
        return {0, &file[i]};
    for (; i < file.size() && std::memcmp(file[i].iso.data(), iso, 3) == 0; ++i)
        if (std::memcmp(date, file[i].date.data(), 8) >= 0)
            return {0, &file[i]};
    return {485, nullptr};
}

// ---- one leg ------------------------------------------------------------------------------

struct Leg {
    int rc = 0;
    Cell value; // 6-decimal value (products truncated) before the final rounding
    Cell raw;   // value before truncation
    bool product = false;
};

inline int unitK(int unit) {
    return unit == 1 ? 0 : unit == 100 ? 2 : unit == 1000 ? 3 : -1;
}
inline int charK(char c) {
    return c == '0' ? 0 : c == '2' ? 2 : c == '3' ? 3 : -1;
}

// amount (op) rate with unit exponent k, into or out of the base currency.
inline Leg leg(bool into, char quotation, int k, const Cell& amount, const Cell& rate) {
    Leg l;
    if (k < 0) {
        l.rc = 463;
        return l;
    }
    const bool divide = into ? quotation == 'M' : quotation == 'P';
    if (divide) {
        auto q = div(amount, rate, into ? 6 - k : 6 + k);
        if (!q) {
            l.rc = 463;
            return l;
        }
        l.raw = k == 0 ? *q : into ? divPow10(*q, k) : mulPow10(*q, k);
        l.value = l.raw;
    } else {
        const Cell p = mul(amount, rate);
        l.raw = k == 0 ? p : into ? divPow10(p, k) : mulPow10(p, k);
        l.product = true;
        l.value = trunc(l.raw, 6);
    }
    return l;
}

// Rounds the 6-decimal value and writes the result and its difference into the slots.
inline int results(const Cell& six, char decIndicator, char* a132, char* a150, char* diff) {
    const int d = decIndicator == '2' ? 2 : 0;
    const Cell r = round(six, d);
    const Cell df = sub(six, r);
    auto t = decIndicator == '2' ? writeField(r, 13, 2) : writeField(r, 15, 0);
    if (!t)
        return 463;
    std::memcpy(decIndicator == '2' ? a132 : a150, t->data(), 16);
    auto dt = writeField(df, 1, 6);
    if (!dt)
        return 463;
    std::memcpy(diff, dt->data(), 8);
    return 0;
}

inline void setCode(char* rc, int code) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04d", code);
    std::memcpy(rc, buf, 4);
}

inline int rateIndex(char t) {
    const char* types = "GMBSXY";
    for (int i = 0; i < 6; ++i)
        if (types[i] == t)
            return i;
    return -1;
}

inline bool noDecimalsBase(const std::string& b) {
    return b == "BEF" || b == "ESP" || b == "GRD" || b == "ITL" || b == "LUF" || b == "PTE";
}

// A rate taken from the file for one leg: the checks of the file path in order.
struct FileLeg {
    int rc = 0;
    const Rec* rec = nullptr;
    std::string rate;
};
inline FileLeg fileRate(const std::vector<Rec>& file, const char* iso, const char* date,
                        char rateType, char printDemand) {
    FileLeg f;
    const LookupResult lr = lookup(file, iso, date);
    if (lr.rc != 0) {
        f.rc = lr.rc;
        return f;
    }
    f.rec = lr.rec;
    if (lr.rec->blocked == 'J')
        f.rc = 467;
    else if (printDemand == 'J' && lr.rec->ratePrint == 'N')
        f.rc = 468;
    else if (rateIndex(rateType) < 0)
        f.rc = 465;
    else
        f.rate = lr.rec->rates[rateIndex(rateType)];
    return f;
}
inline char quotationOf(char given, char def) {
    return given == 'M' || (given == ' ' && def == 'M') ? 'M' : 'P';
}
inline int storedUnit(int unit) {
    // The reader keeps units that fit 16 bits, anything else counts as 0.
    return unit < -32768 || unit > 32767 ? 0 : unit;
}

template <typename B> int finish(B& out, int rc, std::size_t outOff) {
    if (rc != 0 && rc != 261)
        std::memset(reinterpret_cast<unsigned char*>(&out) + outOff, 0, sizeof out - outOff);
    setCode(out.RETURN_CODE, rc);
    return rc;
}

// ---- U1 -------------------------------------------------------------------------------------

inline int u1Body(U1_SB& o, const Ctl& c, const std::vector<Rec>& file) {
    if (std::memcmp(o.SB_VERSION, "01", 2) != 0)
        return 461;
    if (o.SENDER[0] == ' ' || o.SENDER[0] == 0)
        return 401;
    const std::string base = c.base();
    const bool eIsBase = std::memcmp(o.ISO_CODE_E, base.data(), 3) == 0;
    const bool aIsBase = std::memcmp(o.ISO_CODE_A, base.data(), 3) == 0;
    if (eIsBase == aIsBase)
        return 462;
    const bool into = aIsBase;
    const char* other = into ? o.ISO_CODE_E : o.ISO_CODE_A;
    const PS_Waehrung* row = c.row(other);
    const Cell amount = readField(o.AMOUNT_E, 13, 2);
    Cell rate = row ? readField(row->FixKurs, 4, 7) : zero();
    char q = 'M';
    int k;
    char dec;
    if (row && rate.mag != 0) {
        std::memcpy(o.RATE_USED, row->FixKurs, 14);
        dec = into ? '2' : row->Dezimalen;
        o.FIXED_RATE_FLAG = 'J';
        o.QUOTATION_USED = 'M';
        o.UNIT_EXPONENT = row->EinheitExp;
        k = charK(row->EinheitExp);
    } else {
        const FileLeg f = fileRate(file, other, o.BOOKING_DATE, o.RATE_TYPE, o.RATE_PRINT_FLAG);
        if (f.rc != 0)
            return f.rc;
        rate = readField(f.rate.data(), 4, 7);
        std::memset(o.RATE_USED, 0, 14);
        std::memcpy(o.RATE_USED, f.rate.data(), 12);
        o.FIXED_RATE_FLAG = 'N';
        if (into)
            dec = noDecimalsBase(base) ? '0' : '2';
        else
            dec = f.rec->decimals == 'J' ? '2' : f.rec->decimals == 'N' ? '0' : f.rec->decimals;
        q = quotationOf(f.rec->quotation, c.defaultQuotation());
        o.QUOTATION_USED = q;
        k = unitK(storedUnit(f.rec->unit));
        o.UNIT_EXPONENT = static_cast<char>('0' + k);
    }
    o.DEC_INDICATOR = dec;
    const Leg l = leg(into, q, k, amount, rate);
    if (l.rc != 0)
        return l.rc;
    return results(l.value, dec, o.AMOUNT_A_13_2, o.AMOUNT_A_15_0, o.ROUND_DIFF);
}

inline int u1(const U1_SB& in, const PS_EB& eb, const std::vector<Rec>& file, U1_SB& out) {
    out = in;
    std::memset(reinterpret_cast<unsigned char*>(&out) + U1_SB_OUT, 0, U1_SB_SIZE - U1_SB_OUT);
    return finish(out, u1Body(out, Ctl{eb}, file), U1_SB_OUT);
}

// ---- U2 -------------------------------------------------------------------------------------

inline int u2Body(U2_SB& o, const Ctl& c) {
    if (std::memcmp(o.SB_VERSION, "01", 2) != 0)
        return 461;
    if (o.SENDER[0] == ' ' || o.SENDER[0] == 0)
        return 401;
    const std::string base = c.base();
    const bool eIsBase = std::memcmp(o.ISO_CODE_E, base.data(), 3) == 0;
    const bool aIsBase = std::memcmp(o.ISO_CODE_A, base.data(), 3) == 0;
    if (eIsBase == aIsBase)
        return 462;
    const bool into = aIsBase;
    const PS_Waehrung* row = c.row(into ? o.ISO_CODE_E : o.ISO_CODE_A);
    const Cell amount = readField(o.AMOUNT_E, 13, 2);
    Cell rate = row ? readField(row->FixKurs, 4, 7) : zero();
    char q = 'M';
    int k;
    char dec = o.DEC_FLAG_A;
    int success = 0;
    if (row && rate.mag != 0) {
        success = 261;
        std::memcpy(o.RATE_USED, row->FixKurs, 14);
        dec = into ? '2' : row->Dezimalen;
        o.QUOTATION_USED = 'M';
        o.UNIT_EXPONENT = row->EinheitExp;
        k = charK(row->EinheitExp);
    } else {
        std::memcpy(o.RATE_USED, o.RATE, 14);
        rate = readField(o.RATE, 4, 7);
        if (o.QUOTATION != 'M' && o.QUOTATION != 'P' && o.QUOTATION != ' ')
            o.QUOTATION = ' ';
        q = quotationOf(o.QUOTATION, c.defaultQuotation());
        o.QUOTATION_USED = q;
        int16_t unit;
        std::memcpy(&unit, o.RATE_UNIT, 2);
        k = unitK(unit);
        o.UNIT_EXPONENT = static_cast<char>('0' + k);
    }
    o.DEC_INDICATOR = dec;
    const Leg l = leg(into, q, k, amount, rate);
    if (l.rc != 0)
        return l.rc;
    const int rc = results(l.value, dec, o.AMOUNT_A_13_2, o.AMOUNT_A_15_0, o.ROUND_DIFF);
    return rc != 0 ? rc : success;
}

inline int u2(const U2_SB& in, const PS_EB& eb, U2_SB& out) {
    out = in;
    std::memset(reinterpret_cast<unsigned char*>(&out) + U2_SB_OUT, 0, U2_SB_SIZE - U2_SB_OUT);
    return finish(out, u2Body(out, Ctl{eb}), U2_SB_OUT);
}

// ---- U3 / U4 ---------------------------------------------------------------------------------

// Rounds the first leg to 3 decimals: the intermediate amount and its difference.
struct Mid {
    Cell euro;
    Cell diff;
};
inline Mid intermediate(const Leg& first) {
    Mid m;
    m.euro = round(first.value, 3);
    m.diff = sub(first.value, m.euro);
    return m;
}

inline int triResults(const Cell& six, char dec, const Mid& m, char* a132, char* a150, char* diff,
                      char* baseAmount, char* baseDiff) {
    const int rc = results(six, dec, a132, a150, diff);
    if (rc != 0)
        return rc;
    auto e = writeField(m.euro, 12, 3);
    if (!e)
        return 463;
    std::memcpy(baseAmount, e->data(), 16);
    auto ed = writeField(m.diff, 1, 6);
    if (!ed)
        return 463;
    std::memcpy(baseDiff, ed->data(), 8);
    return 0;
}

inline int u3Body(U3_SB& o, const Ctl& c, const std::vector<Rec>& file) {
    if (std::memcmp(o.SB_VERSION, "01", 2) != 0)
        return 461;
    if (o.SENDER[0] == ' ' || o.SENDER[0] == 0)
        return 401;
    const std::string base = c.base();
    if (std::memcmp(o.ISO_CODE_E, base.data(), 3) == 0 ||
        std::memcmp(o.ISO_CODE_A, base.data(), 3) == 0)
        return 462;
    // first leg
    const PS_Waehrung* row = c.row(o.ISO_CODE_E);
    const Cell amount = readField(o.AMOUNT_E, 13, 2);
    Cell rate = row ? readField(row->FixKurs, 4, 7) : zero();
    char q = 'M';
    int k;
    if (row && rate.mag != 0) {
        std::memcpy(o.RATE_USED_E, row->FixKurs, 14);
        o.FIXED_RATE_FLAG_E = 'J';
        o.QUOTATION_USED_E = 'M';
        o.UNIT_EXPONENT_E = row->EinheitExp;
        k = charK(row->EinheitExp);
    } else {
        const FileLeg f =
            fileRate(file, o.ISO_CODE_E, o.BOOKING_DATE, o.RATE_TYPE, o.RATE_PRINT_FLAG_E);
        if (f.rc != 0)
            return f.rc;
        rate = readField(f.rate.data(), 4, 7);
        std::memset(o.RATE_USED_E, 0, 14);
        std::memcpy(o.RATE_USED_E, f.rate.data(), 12);
        o.FIXED_RATE_FLAG_E = 'N';
        q = quotationOf(f.rec->quotation, c.defaultQuotation());
        o.QUOTATION_USED_E = q;
        k = unitK(storedUnit(f.rec->unit));
        o.UNIT_EXPONENT_E = static_cast<char>('0' + k);
    }
    const Leg first = leg(true, q, k, amount, rate);
    if (first.rc != 0)
        return first.rc;
    const Mid m = intermediate(first);
    // second leg
    row = c.row(o.ISO_CODE_A);
    rate = row ? readField(row->FixKurs, 4, 7) : zero();
    char dec = 0;
    if (row)
        dec = row->Dezimalen;
    q = 'M';
    if (row && rate.mag != 0) {
        std::memcpy(o.RATE_USED_A, row->FixKurs, 14);
        o.FIXED_RATE_FLAG_A = 'J';
        o.QUOTATION_USED_A = 'M';
        o.UNIT_EXPONENT_A = row->EinheitExp;
        k = charK(row->EinheitExp);
    } else {
        const FileLeg f =
            fileRate(file, o.ISO_CODE_A, o.BOOKING_DATE, o.RATE_TYPE, o.RATE_PRINT_FLAG_A);
        if (f.rc != 0)
            return f.rc;
        rate = readField(f.rate.data(), 4, 7);
        std::memset(o.RATE_USED_A, 0, 14);
        std::memcpy(o.RATE_USED_A, f.rate.data(), 12);
        o.FIXED_RATE_FLAG_A = 'N';
        if (f.rec->decimals == 'J')
            dec = '2';
        else if (f.rec->decimals == 'N')
            dec = '0';
        q = quotationOf(f.rec->quotation, c.defaultQuotation());
        o.QUOTATION_USED_A = q;
        k = unitK(storedUnit(f.rec->unit));
        o.UNIT_EXPONENT_A = static_cast<char>('0' + k);
    }
    o.DEC_INDICATOR = dec;
    const Leg second = leg(false, q, k, m.euro, rate);
    if (second.rc != 0)
        return second.rc;
    return triResults(second.value, dec, m, o.AMOUNT_A_13_2, o.AMOUNT_A_15_0, o.ROUND_DIFF,
                      o.BASE_AMOUNT, o.BASE_ROUND_DIFF);
}

inline int u3(const U3_SB& in, const PS_EB& eb, const std::vector<Rec>& file, U3_SB& out) {
    out = in;
    std::memset(reinterpret_cast<unsigned char*>(&out) + U3_SB_OUT, 0, U3_SB_SIZE - U3_SB_OUT);
    return finish(out, u3Body(out, Ctl{eb}, file), U3_SB_OUT);
}

inline int u4Body(U4_SB& o, const Ctl& c) {
    if (std::memcmp(o.SB_VERSION, "01", 2) != 0)
        return 461;
    if (o.SENDER[0] == ' ' || o.SENDER[0] == 0)
        return 401;
    o.DEC_INDICATOR = o.DEC_FLAG_A;
    std::memcpy(o.RATE_USED_E, o.RATE_E, 14);
    std::memcpy(o.RATE_USED_A, o.RATE_A, 14);
    o.FIXED_RATE_FLAG_E = o.FIXED_RATE_FLAG_A = 'N';
    o.QUOTATION_USED_E = o.QUOTATION_USED_A = 'P';
    const std::string base = c.base();
    if (std::memcmp(o.ISO_CODE_E, base.data(), 3) == 0 ||
        std::memcmp(o.ISO_CODE_A, base.data(), 3) == 0)
        return 462;
    int success = 0;
    const PS_Waehrung* row = c.row(o.ISO_CODE_E);
    const Cell amount = readField(o.AMOUNT_E, 13, 2);
    Cell rate = row ? readField(row->FixKurs, 4, 7) : zero();
    char q = 'M';
    int k;
    if (row && rate.mag != 0) {
        success = 261;
        std::memcpy(o.RATE_USED_E, row->FixKurs, 14);
        o.FIXED_RATE_FLAG_E = 'J';
        o.QUOTATION_USED_E = 'M';
        o.UNIT_EXPONENT_E = row->EinheitExp;
        k = charK(row->EinheitExp);
    } else {
        rate = readField(o.RATE_E, 4, 7);
        if (o.QUOTATION_E != 'M' && o.QUOTATION_E != 'P' && o.QUOTATION_E != ' ')
            o.QUOTATION_E = ' ';
        q = quotationOf(o.QUOTATION_E, c.defaultQuotation());
        o.QUOTATION_USED_E = q;
        int16_t unit;
        std::memcpy(&unit, o.RATE_UNIT_E, 2);
        k = unitK(unit);
        o.UNIT_EXPONENT_E = static_cast<char>('0' + k);
    }
    const Leg first = leg(true, q, k, amount, rate);
    if (first.rc != 0)
        return first.rc;
    const Mid m = intermediate(first);
    row = c.row(o.ISO_CODE_A);
    rate = row ? readField(row->FixKurs, 4, 7) : zero();
    q = 'M';
    if (row && rate.mag != 0) {
        success = 261;
        std::memcpy(o.RATE_USED_A, row->FixKurs, 14);
        o.DEC_INDICATOR = row->Dezimalen;
        o.FIXED_RATE_FLAG_A = 'J';
        o.QUOTATION_USED_A = 'M';
        o.UNIT_EXPONENT_A = row->EinheitExp;
        k = charK(row->EinheitExp);
    } else {
        rate = readField(o.RATE_A, 4, 7);
        if (o.QUOTATION_A != 'M' && o.QUOTATION_A != 'P' && o.QUOTATION_A != ' ')
            o.QUOTATION_A = ' ';
        q = quotationOf(o.QUOTATION_A, c.defaultQuotation());
        o.QUOTATION_USED_A = q;
        int16_t unit;
        std::memcpy(&unit, o.RATE_UNIT_A, 2);
        k = unitK(unit);
        o.UNIT_EXPONENT_A = static_cast<char>('0' + k);
    }
    const Leg second = leg(false, q, k, m.euro, rate);
    if (second.rc != 0)
        return second.rc;
    const int rc = triResults(second.value, o.DEC_INDICATOR, m, o.AMOUNT_A_13_2, o.AMOUNT_A_15_0,
                              o.ROUND_DIFF, o.BASE_AMOUNT, o.BASE_ROUND_DIFF);
    return rc != 0 ? rc : success;
}

inline int u4(const U4_SB& in, const PS_EB& eb, U4_SB& out) {
    out = in;
    std::memset(reinterpret_cast<unsigned char*>(&out) + U4_SB_OUT, 0, U4_SB_SIZE - U4_SB_OUT);
    return finish(out, u4Body(out, Ctl{eb}), U4_SB_OUT);
}

} // namespace ref

#endif
