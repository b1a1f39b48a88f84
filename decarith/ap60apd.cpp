// SPDX-License-Identifier: Apache-2.0
// Arithmetic on decimal cells: add, subtract, multiply, divide, round, truncate, shifts, compare.
// Two implementations: the digit path works digit by digit on any cell; the binary path does
// the common case, operands and results below 10^38, in 128-bit integers and writes the same
// bytes. The exported functions try the binary path and fall back on the digit path.
#include "binary128.h"
#include "decarith_internal.h"

namespace decarith {
namespace {

// Magnitude work area: least significant digit first, n = digits without top zeros. Large
// enough for a 32-digit dividend shifted by any scale difference plus 64 quotient decimals.
constexpr int kMagMax = 400;
struct Mag {
    int n = 0;
    uint8_t d[kMagMax] = {};
};

void trim(Mag& m) {
    while (m.n > 0 && m.d[m.n - 1] == 0) {
        --m.n;
    }
}

template <int W, class C> void loadMag(const C* c, Mag& m, int shift = 0) {
    const int n = usedCount<W>(c);
    std::memcpy(m.d + shift, c->digits, static_cast<size_t>(n));
    m.n = n + shift;
    trim(m);
}

int compareMag(const Mag& a, const Mag& b) {
    if (a.n != b.n) {
        return a.n < b.n ? -1 : 1;
    }
    for (int i = a.n - 1; i >= 0; --i) {
        if (a.d[i] != b.d[i]) {
            return a.d[i] < b.d[i] ? -1 : 1;
        }
    }
    return 0;
}

// big - small, where big >= small.
void subMag(const Mag& big, const Mag& small, Mag& out) {
    int borrow = 0;
    for (int i = 0; i < big.n; ++i) {
        int s = big.d[i] - (i < small.n ? small.d[i] : 0) - borrow;
        borrow = s < 0 ? 1 : 0;
        out.d[i] = static_cast<uint8_t>(s < 0 ? s + 10 : s);
    }
    out.n = big.n;
    trim(out);
}

void addMag(const Mag& a, const Mag& b, Mag& out) {
    const int n = a.n > b.n ? a.n : b.n;
    int carry = 0;
    for (int i = 0; i < n; ++i) {
        const int s = (i < a.n ? a.d[i] : 0) + (i < b.n ? b.d[i] : 0) + carry;
        out.d[i] = static_cast<uint8_t>(s % 10);
        carry = s / 10;
    }
    out.n = n;
    if (carry != 0) {
        out.d[out.n++] = static_cast<uint8_t>(carry);
    }
}

template <int W> CellT<W>* zeroCell() {
    return newBlock<CellT<W>>();
}

// Cell from a trimmed magnitude; a zero magnitude gives the plain zero.
template <int W> CellT<W>* makeCell(const Mag& m, int scale, bool neg) {
    auto* r = newBlock<CellT<W>>();
    if (r == nullptr || m.n == 0) {
        return r;
    }
    const int count = m.n > scale ? m.n : scale;
    r->sign = neg ? kNeg : kPos;
    r->scale = static_cast<uint8_t>(scale);
    r->count = static_cast<uint8_t>(count);
    std::memcpy(r->digits, m.d, static_cast<size_t>(m.n));
    return r;
}

template <int W> CellT<W>* invertedCopy(const CellT<W>* v) {
    auto* r = copyCell<W>(v);
    if (r != nullptr) {
        r->sign = negative(r->sign) ? kPos : kNeg;
    }
    return r;
}

// a + (negate ? -b : b) on cells whose count is above zero.
template <int W>
CellT<W>* addCells(const CellT<W>* a, const CellT<W>* b, bool negateB, int32_t* overflow) {
    const int sa = a->scale;
    const int sb = b->scale;
    const int s = sa > sb ? sa : sb;
    if (s > W) {
        return nullptr;
    }
    Mag ma;
    Mag mb;
    loadMag<W>(a, ma, s - sa);
    loadMag<W>(b, mb, s - sb);
    if (ma.n > W || mb.n > W) {
        return nullptr; // the aligned operand would not fit in the cell
    }
    const bool negA = negative(a->sign);
    const bool negB = negative(b->sign) != negateB;
    Mag r;
    bool negR = false;
    if (negA == negB) {
        addMag(ma, mb, r);
        negR = negA;
        if (r.n > W) {
            r.d[W] = 0; // the carry out of the last place is lost
            r.n = W;
            trim(r);
            if (overflow != nullptr) {
                *overflow = 1;
            }
        }
    } else {
        const int cmp = compareMag(ma, mb);
        if (cmp >= 0) {
            subMag(ma, mb, r);
            negR = negA;
        } else {
            subMag(mb, ma, r);
            negR = negB;
        }
    }
    return makeCell<W>(r, s, negR);
}

template <int W> using CellAdder = CellT<W>* (*)(const CellT<W>*, const CellT<W>*, bool, int32_t*);

template <int W, CellAdder<W> Cells = addCells<W>>
CellT<W>* add(const CellT<W>* a, const CellT<W>* b, int32_t* overflow) {
    if (overflow != nullptr) {
        *overflow = 0;
    }
    if (a == nullptr || b == nullptr) {
        return nullptr;
    }
    if (a->count == 0) {
        return copyCell<W>(b);
    }
    if (b->count == 0) {
        return copyCell<W>(a);
    }
    return Cells(a, b, false, overflow);
}

template <int W, CellAdder<W> Cells = addCells<W>>
CellT<W>* sub(const CellT<W>* a, const CellT<W>* b, int32_t* overflow) {
    if (overflow != nullptr) {
        *overflow = 0;
    }
    if (a == nullptr || b == nullptr) {
        return nullptr;
    }
    if (b->count == 0) {
        return copyCell<W>(a);
    }
    if (a->count == 0) {
        return invertedCopy<W>(b);
    }
    return Cells(a, b, true, overflow);
}

template <int W> int32_t compare(const CellT<W>* a, const CellT<W>* b) {
    if (a == nullptr || b == nullptr) {
        return -1;
    }
    const int sa = a->scale;
    const int sb = b->scale;
    const int s = sa > sb ? sa : sb;
    Mag ma;
    Mag mb;
    loadMag<W>(a, ma, s - sa);
    loadMag<W>(b, mb, s - sb);
    // A zero compares equal to any other zero, whatever its sign byte.
    const bool negA = negative(a->sign) && ma.n > 0;
    const bool negB = negative(b->sign) && mb.n > 0;
    if (negA != negB) {
        return negA ? -1 : 1;
    }
    const int cmp = compareMag(ma, mb);
    return negA ? -cmp : cmp;
}

template <int W> CellT<W>* addFast(const CellT<W>* a, const CellT<W>* b, int32_t* overflow);

template <int W> int32_t inc(CellT<W>* acc, const CellT<W>* x) {
    int32_t overflow = 0;
    CellT<W>* sum = addFast<W>(acc, x, &overflow);
    if (sum == nullptr) {
        return 1;
    }
    if (overflow == 0) {
        std::memcpy(acc, sum, sizeof(CellT<W>));
    }
    AR_Delete_(sum);
    return overflow;
}

template <int W> CellT<W>* invert(CellT<W>* v) {
    if (v != nullptr) {
        v->sign = negative(v->sign) ? kPos : kNeg;
    }
    return v;
}

template <int W> CellT<W>* mulPow10(const CellT<W>* v, int32_t n) {
    if (v == nullptr || n < 0) {
        return nullptr;
    }
    if (v->count == 0) {
        return zeroCell<W>();
    }
    if (n <= v->scale) {
        auto* r = copyCell<W>(v);
        if (r != nullptr) {
            r->scale = static_cast<uint8_t>(v->scale - n);
        }
        return r;
    }
    const int64_t shift = static_cast<int64_t>(n) - v->scale;
    const int used = usedCount<W>(v);
    if (used + shift > W) {
        return nullptr;
    }
    auto* r = newBlock<CellT<W>>();
    if (r == nullptr) {
        return nullptr;
    }
    r->sign = v->sign;
    r->scale = 0;
    r->count = static_cast<uint8_t>(used + shift);
    std::memcpy(r->digits + shift, v->digits, static_cast<size_t>(used));
    return r;
}

template <int W> CellT<W>* divPow10(const CellT<W>* v, int32_t n) {
    if (v == nullptr || n < 0) {
        return nullptr;
    }
    if (v->count == 0) {
        return zeroCell<W>();
    }
    const int64_t scale = static_cast<int64_t>(v->scale) + n;
    if (scale > W) {
        return nullptr;
    }
    auto* r = copyCell<W>(v);
    if (r != nullptr) {
        r->scale = static_cast<uint8_t>(scale);
        if (r->count < scale) {
            r->count = static_cast<uint8_t>(scale);
        }
    }
    return r;
}

// Long division of magnitudes: q = floor(num / den), den.n > 0.
void divMag(const Mag& num, const Mag& den, Mag& q) {
    q = Mag{};
    if (num.n < den.n) {
        return;
    }
    Mag rem = num; // rem.d[num.n] is zero: the window below may look one digit above the top
    const int dn = den.n;
    for (int pos = num.n - dn; pos >= 0; --pos) {
        int digit = 0;
        for (;;) {
            // Is the window rem[pos .. pos+dn] (dn+1 digits) at least den?
            int cmp = rem.d[pos + dn] != 0 ? 1 : 0;
            for (int i = dn - 1; cmp == 0 && i >= 0; --i) {
                if (rem.d[pos + i] != den.d[i]) {
                    cmp = rem.d[pos + i] < den.d[i] ? -1 : 1;
                }
            }
            if (cmp < 0) {
                break;
            }
            int borrow = 0;
            for (int i = 0; i <= dn; ++i) {
                int s = rem.d[pos + i] - (i < dn ? den.d[i] : 0) - borrow;
                borrow = s < 0 ? 1 : 0;
                rem.d[pos + i] = static_cast<uint8_t>(s < 0 ? s + 10 : s);
            }
            ++digit;
        }
        q.d[pos] = static_cast<uint8_t>(digit);
    }
    q.n = num.n - dn + 1;
    trim(q);
}

Dez64* mulDigits(const Dez32* a, const Dez32* b) {
    if (a == nullptr || b == nullptr) {
        return nullptr;
    }
    Mag ma;
    Mag mb;
    loadMag<32>(a, ma);
    loadMag<32>(b, mb);
    if (ma.n == 0 || mb.n == 0) {
        return zeroCell<64>();
    }
    const int scale = a->scale + b->scale;
    if (scale > 64) {
        return nullptr;
    }
    unsigned acc[65] = {};
    for (int j = 0; j < mb.n; ++j) {
        for (int i = 0; i < ma.n; ++i) {
            acc[i + j] += static_cast<unsigned>(ma.d[i] * mb.d[j]);
        }
    }
    Mag p;
    unsigned carry = 0;
    for (int i = 0; i < ma.n + mb.n; ++i) {
        const unsigned s = acc[i] + carry;
        p.d[i] = static_cast<uint8_t>(s % 10u);
        carry = s / 10u;
    }
    p.n = ma.n + mb.n;
    trim(p);
    return makeCell<64>(p, scale, negative(a->sign) != negative(b->sign));
}

Dez64* divDigits(const Dez32* a, const Dez32* b, int32_t d) {
    if (a == nullptr || b == nullptr || d < 0 || d > 64) {
        return nullptr;
    }
    Mag mb;
    loadMag<32>(b, mb);
    if (mb.n == 0) {
        return nullptr; // division by zero
    }
    Mag ma;
    loadMag<32>(a, ma);
    if (ma.n == 0) {
        return zeroCell<64>();
    }
    const int sa = a->scale;
    const int sb = b->scale;
    const int s = sa > sb ? sa : sb;
    // Align both to scale s, and scale the dividend by 10^d for d quotient decimals.
    Mag num;
    Mag den;
    loadMag<32>(a, num, s - sa + d);
    loadMag<32>(b, den, s - sb);
    if (num.n - den.n > 64) {
        return nullptr; // the quotient needs more than 64 digits
    }
    Mag q;
    divMag(num, den, q);
    const int count = q.n > d ? q.n : d;
    if (count > 64) {
        return nullptr;
    }
    auto* r = newBlock<Dez64>();
    if (r == nullptr) {
        return nullptr;
    }
    r->sign = negative(a->sign) != negative(b->sign) ? kNeg : kPos;
    if (count > 0) {
        r->scale = static_cast<uint8_t>(d);
        r->count = static_cast<uint8_t>(count);
        std::memcpy(r->digits, q.d, static_cast<size_t>(q.n));
    }
    return r;
}

template <int W> CellT<W>* roundDigits(const CellT<W>* v, int32_t d) {
    if (v == nullptr || d < 0) {
        return nullptr;
    }
    auto* r = copyCell<W>(v);
    if (r == nullptr || d >= r->scale) {
        return r;
    }
    const int n = r->count;
    const int s = r->scale;
    if (d + n < s) {
        std::memset(r->digits, 0, sizeof(r->digits));
        r->count = 0;
        r->scale = 0;
        return r;
    }
    const int k = s - d;
    const bool up = r->digits[k - 1] >= 5;
    int kept = n - k;
    std::memmove(r->digits, r->digits + k, static_cast<size_t>(kept));
    std::memset(r->digits + kept, 0, static_cast<size_t>(n - kept));
    if (up) {
        int i = 0;
        while (i < kept && r->digits[i] == 9) {
            r->digits[i++] = 0;
        }
        if (i < kept) {
            ++r->digits[i];
        } else {
            r->digits[kept++] = 1; // carry out of the top kept digit
        }
    }
    r->count = static_cast<uint8_t>(kept);
    r->scale = static_cast<uint8_t>(kept == 0 ? 0 : d);
    return r;
}

template <int W> CellT<W>* truncDigits(const CellT<W>* v, int32_t d) {
    if (v == nullptr || d < 0) {
        return nullptr;
    }
    auto* r = copyCell<W>(v);
    if (r == nullptr || d >= r->scale) {
        return r;
    }
    const int n = r->count;
    const int k = r->scale - d;
    const int kept = n > k ? n - k : 0;
    std::memmove(r->digits, r->digits + (n > k ? k : n), static_cast<size_t>(kept));
    std::memset(r->digits + kept, 0, static_cast<size_t>(n - kept));
    r->count = static_cast<uint8_t>(kept);
    r->scale = static_cast<uint8_t>(kept == 0 ? 0 : d);
    return r;
}

// ---- binary path ----------------------------------------------------------------------------
// Each function returns false when it cannot take the case (a magnitude of more than 38
// digits, or a byte that is not a digit); the caller then runs the digit path, which starts
// from scratch: nothing has been allocated by then. When it returns true, r is the result
// (null where the digit path gives null).

using bin::u128;

// Magnitude of the counted digits of c.
template <int W, class C> bool cellMagnitude(const C* c, u128& v) {
    const int n = usedCount<W>(c);
    return n <= bin::kMaxDigits && bin::loadDigits(c->digits, n, v);
}

// The digits of m (below 10^38) into the zero-filled digits of a new cell of width W; short
// values go straight into the cell, long ones of a Dez32 through a buffer (whole words are
// written, up to 43 bytes).
template <int W> void putDigits(u128 m, uint8_t* digits) {
    if (m < 100000000u) {
        bin::store8(digits, bin::bytes8(static_cast<uint64_t>(m)));
    } else if (W >= 48 || m < 10000000000000000000u) {
        bin::storeDigits(m, digits);
    } else {
        uint8_t buffer[48] = {};
        bin::storeDigits(m, buffer);
        std::memcpy(digits, buffer, W);
    }
}

// New cell of width W holding m (below 10^38) with the given scale; zero gives the plain zero.
template <int W> CellT<W>* binaryCell(u128 m, int scale, bool neg) {
    auto* r = newBlock<CellT<W>>();
    if (r == nullptr || m == 0) {
        return r;
    }
    const int n = bin::digitCount(m);
    r->sign = neg ? kNeg : kPos;
    r->scale = static_cast<uint8_t>(scale);
    r->count = static_cast<uint8_t>(n > scale ? n : scale);
    putDigits<W>(m, r->digits);
    return r;
}

template <int W>
CellT<W>* addCellsBinary(const CellT<W>* a, const CellT<W>* b, bool negateB, int32_t* overflow) {
    const int sa = a->scale;
    const int sb = b->scale;
    const int s = sa > sb ? sa : sb;
    u128 ma = 0;
    u128 mb = 0;
    const int la = usedCount<W>(a) + s - sa; // aligned lengths, counted zeros included
    const int lb = usedCount<W>(b) + s - sb;
    if (s > W || la > bin::kMaxDigits || lb > bin::kMaxDigits || !cellMagnitude<W>(a, ma) ||
        !cellMagnitude<W>(b, mb)) {
        return addCells<W>(a, b, negateB, overflow);
    }
    const bool negA = negative(a->sign);
    const bool negB = negative(b->sign) != negateB;
    if (la <= 18 && lb <= 18) { // all in 64 bits: fits the cell, no carry out
        const auto p = [](int k) { return static_cast<uint64_t>(bin::pow10(k)); };
        const uint64_t xa = static_cast<uint64_t>(ma) * p(s - sa);
        const uint64_t xb = static_cast<uint64_t>(mb) * p(s - sb);
        if (negA == negB) {
            return binaryCell<W>(xa + xb, s, negA);
        }
        return xa >= xb ? binaryCell<W>(xa - xb, s, negA) : binaryCell<W>(xb - xa, s, negB);
    }
    // Aligned operand too long for the cell: null, as on the digit path.
    const int na = bin::digitCount(ma);
    const int nb = bin::digitCount(mb);
    if ((na > 0 && na + s - sa > W) || (nb > 0 && nb + s - sb > W)) {
        return nullptr;
    }
    ma *= bin::pow10(s - sa);
    mb *= bin::pow10(s - sb);
    u128 r = 0;
    bool negR = false;
    if (negA == negB) {
        r = ma + mb;
        negR = negA;
        if constexpr (W < bin::kMaxDigits) {
            if (r >= bin::pow10(W)) {
                r -= bin::pow10(W); // the carry out of the last place is lost
                if (overflow != nullptr) {
                    *overflow = 1;
                }
            }
        } else if (r >= bin::pow10(bin::kMaxDigits)) {
            return addCells<W>(a, b, negateB, overflow); // 39 digits
        }
    } else if (ma >= mb) {
        r = ma - mb;
        negR = negA;
    } else {
        r = mb - ma;
        negR = negB;
    }
    return binaryCell<W>(r, s, negR);
}

template <int W> CellT<W>* addFast(const CellT<W>* a, const CellT<W>* b, int32_t* overflow) {
    return add<W, addCellsBinary<W>>(a, b, overflow);
}

template <int W> CellT<W>* subFast(const CellT<W>* a, const CellT<W>* b, int32_t* overflow) {
    return sub<W, addCellsBinary<W>>(a, b, overflow);
}

template <int W> bool compareBinary(const CellT<W>* a, const CellT<W>* b, int32_t& r) {
    if (a == nullptr || b == nullptr) {
        r = -1;
        return true;
    }
    const int sa = a->scale;
    const int sb = b->scale;
    const int s = sa > sb ? sa : sb;
    u128 ma = 0;
    u128 mb = 0;
    if (usedCount<W>(a) + s - sa > bin::kMaxDigits || usedCount<W>(b) + s - sb > bin::kMaxDigits ||
        !cellMagnitude<W>(a, ma) || !cellMagnitude<W>(b, mb)) {
        return false;
    }
    ma *= bin::pow10(s - sa);
    mb *= bin::pow10(s - sb);
    // A zero compares equal to any other zero, whatever its sign byte.
    const bool negA = negative(a->sign) && ma != 0;
    const bool negB = negative(b->sign) && mb != 0;
    if (negA != negB) {
        r = negA ? -1 : 1;
        return true;
    }
    const int cmp = ma < mb ? -1 : ma > mb ? 1 : 0;
    r = negA ? -cmp : cmp;
    return true;
}

bool mulBinary(const Dez32* a, const Dez32* b, Dez64*& r) {
    if (a == nullptr || b == nullptr) {
        r = nullptr;
        return true;
    }
    u128 ma = 0;
    u128 mb = 0;
    if (!cellMagnitude<32>(a, ma) || !cellMagnitude<32>(b, mb)) {
        return false;
    }
    if (ma == 0 || mb == 0) {
        r = zeroCell<64>();
        return true;
    }
    const int scale = a->scale + b->scale;
    if (scale > 64) {
        r = nullptr;
        return true;
    }
    if (bin::digitCount(ma) + bin::digitCount(mb) > bin::kMaxDigits) {
        return false;
    }
    r = binaryCell<64>(ma * mb, scale, negative(a->sign) != negative(b->sign));
    return true;
}

bool divBinary(const Dez32* a, const Dez32* b, int32_t d, Dez64*& r) {
    r = nullptr;
    if (a == nullptr || b == nullptr || d < 0 || d > 64) {
        return true;
    }
    u128 ma = 0;
    u128 mb = 0;
    if (!cellMagnitude<32>(b, mb) || !cellMagnitude<32>(a, ma)) {
        return false;
    }
    if (mb == 0) {
        return true; // division by zero
    }
    if (ma == 0) {
        r = zeroCell<64>();
        return true;
    }
    const int sa = a->scale;
    const int sb = b->scale;
    const int s = sa > sb ? sa : sb;
    // Both aligned to scale s, the dividend scaled by 10^d for d quotient decimals.
    u128 q = 0;
    if (usedCount<32>(a) + s - sa + d <= 19 && usedCount<32>(b) + s - sb <= 19) {
        const auto p = [](int k) { return static_cast<uint64_t>(bin::pow10(k)); };
        q = static_cast<uint64_t>(ma) * p(s - sa + d) / (static_cast<uint64_t>(mb) * p(s - sb));
    } else {
        const int numDigits = bin::digitCount(ma) + s - sa + d;
        const int denDigits = bin::digitCount(mb) + s - sb;
        if (numDigits > bin::kMaxDigits) {
            return false;
        }
        if (denDigits <= numDigits) {
            q = bin::quotient(ma * bin::pow10(s - sa + d), mb * bin::pow10(s - sb));
        }
    }
    const int n = bin::digitCount(q);
    const int count = n > d ? n : d;
    r = newBlock<Dez64>();
    if (r == nullptr) {
        return true;
    }
    r->sign = negative(a->sign) != negative(b->sign) ? kNeg : kPos;
    if (count > 0) {
        r->scale = static_cast<uint8_t>(d);
        r->count = static_cast<uint8_t>(count);
        putDigits<64>(q, r->digits);
    }
    return true;
}

// The kept digits of v above the k lowest: kept <= 38 of them, read from a copy of the digits
// with room for whole-word reads.
template <int W> bool keptDigits(const CellT<W>* v, int k, int kept, u128& m) {
    if (kept > bin::kMaxDigits) {
        return false;
    }
    if (k + ((kept + 7) & ~7) <= W) {
        return bin::loadDigits(v->digits + k, kept, m); // whole words inside the digits
    }
    uint8_t digits[W + 8] = {};
    std::memcpy(digits, v->digits, W);
    return bin::loadDigits(digits + k, kept, m);
}

template <int W> bool roundBinary(const CellT<W>* v, int32_t d, CellT<W>*& r) {
    if (v == nullptr || d < 0 || d >= v->scale) {
        return false; // a plain copy or null: the digit path does that cheaply
    }
    const int n = usedCount<W>(v);
    const int s = v->scale;
    if (d + n < s) {
        r = newBlock<CellT<W>>();
        if (r != nullptr) {
            r->sign = v->sign; // zero, the sign byte kept
        }
        return true;
    }
    const int k = s - d;
    const int kept = n - k;
    u128 m = 0;
    if (!keptDigits<W>(v, k, kept, m)) {
        return false;
    }
    int count = kept;
    if (v->digits[k - 1] >= 5) {
        ++m;
        if (m == bin::pow10(kept)) {
            count = kept + 1; // the carry out of the top kept digit
        }
    }
    r = newBlock<CellT<W>>();
    if (r == nullptr) {
        return true;
    }
    r->sign = v->sign;
    r->count = static_cast<uint8_t>(count);
    r->scale = static_cast<uint8_t>(count == 0 ? 0 : d);
    if (count > kept) {
        r->digits[kept] = 1;
    } else if (m != 0) {
        putDigits<W>(m, r->digits);
    }
    return true;
}

template <int W> bool truncBinary(const CellT<W>* v, int32_t d, CellT<W>*& r) {
    if (v == nullptr || d < 0 || d >= v->scale) {
        return false;
    }
    const int n = usedCount<W>(v);
    const int k = v->scale - d;
    const int kept = n > k ? n - k : 0;
    u128 m = 0;
    if (kept > 0 && !keptDigits<W>(v, k, kept, m)) {
        return false;
    }
    r = newBlock<CellT<W>>();
    if (r == nullptr) {
        return true;
    }
    r->sign = v->sign;
    r->count = static_cast<uint8_t>(kept);
    r->scale = static_cast<uint8_t>(kept == 0 ? 0 : d);
    if (m != 0) {
        putDigits<W>(m, r->digits);
    }
    return true;
}

} // namespace

template <int W> CellT<W>* roundCell(const CellT<W>* v, int32_t d) {
    CellT<W>* r = nullptr;
    return roundBinary<W>(v, d, r) ? r : roundDigits<W>(v, d);
}

template <int W> CellT<W>* truncCell(const CellT<W>* v, int32_t d) {
    CellT<W>* r = nullptr;
    return truncBinary<W>(v, d, r) ? r : truncDigits<W>(v, d);
}

template Dez32* roundCell<32>(const Dez32*, int32_t);
template Dez64* roundCell<64>(const Dez64*, int32_t);
template Dez32* truncCell<32>(const Dez32*, int32_t);
template Dez64* truncCell<64>(const Dez64*, int32_t);

namespace digitpath {
Dez32* add32(const Dez32* a, const Dez32* b, int32_t* overflow) {
    return add<32>(a, b, overflow);
}
Dez64* add64(const Dez64* a, const Dez64* b, int32_t* overflow) {
    return add<64>(a, b, overflow);
}
Dez32* sub32(const Dez32* a, const Dez32* b, int32_t* overflow) {
    return sub<32>(a, b, overflow);
}
Dez64* sub64(const Dez64* a, const Dez64* b, int32_t* overflow) {
    return sub<64>(a, b, overflow);
}
Dez64* mul32(const Dez32* a, const Dez32* b) {
    return mulDigits(a, b);
}
Dez64* div32(const Dez32* a, const Dez32* b, int32_t d) {
    return divDigits(a, b, d);
}
Dez32* round32(const Dez32* v, int32_t d) {
    return roundDigits<32>(v, d);
}
Dez64* round64(const Dez64* v, int32_t d) {
    return roundDigits<64>(v, d);
}
Dez32* trunc32(const Dez32* v, int32_t d) {
    return truncDigits<32>(v, d);
}
Dez64* trunc64(const Dez64* v, int32_t d) {
    return truncDigits<64>(v, d);
}
int32_t compare32(const Dez32* a, const Dez32* b) {
    return compare<32>(a, b);
}
int32_t compare64(const Dez64* a, const Dez64* b) {
    return compare<64>(a, b);
}
} // namespace digitpath

} // namespace decarith

using namespace decarith;

extern "C" {

Dez32* AR_Dez32Add(const Dez32* a, const Dez32* b, int32_t* overflow) {
    return addFast<32>(a, b, overflow);
}
Dez64* AR_Dez64Add(const Dez64* a, const Dez64* b, int32_t* overflow) {
    return addFast<64>(a, b, overflow);
}
Dez32* AR_Dez32Sub(const Dez32* a, const Dez32* b, int32_t* overflow) {
    return subFast<32>(a, b, overflow);
}
Dez64* AR_Dez64Sub(const Dez64* a, const Dez64* b, int32_t* overflow) {
    return subFast<64>(a, b, overflow);
}
Dez64* AR_Dez32Mul(const Dez32* a, const Dez32* b) {
    Dez64* r = nullptr;
    return mulBinary(a, b, r) ? r : mulDigits(a, b);
}
Dez64* AR_Dez32Div(const Dez32* a, const Dez32* b, int32_t d) {
    Dez64* r = nullptr;
    return divBinary(a, b, d, r) ? r : divDigits(a, b, d);
}
Dez32* AR_Dez32Round(const Dez32* v, int32_t d) {
    return roundCell<32>(v, d);
}
Dez64* AR_Dez64Round(const Dez64* v, int32_t d) {
    return roundCell<64>(v, d);
}
Dez32* AR_Dez32Trunc(const Dez32* v, int32_t d) {
    return truncCell<32>(v, d);
}
Dez64* AR_Dez64Trunc(const Dez64* v, int32_t d) {
    return truncCell<64>(v, d);
}
Dez32* AR_Dez32Mul_Nmal10(const Dez32* v, int32_t n) {
    return mulPow10<32>(v, n);
}
Dez64* AR_Dez64Mul_Nmal10(const Dez64* v, int32_t n) {
    return mulPow10<64>(v, n);
}
Dez32* AR_Dez32Div_Nmal10(const Dez32* v, int32_t n) {
    return divPow10<32>(v, n);
}
Dez64* AR_Dez64Div_Nmal10(const Dez64* v, int32_t n) {
    return divPow10<64>(v, n);
}
int32_t AR_Dez32Compare(const Dez32* a, const Dez32* b) {
    int32_t r = 0;
    return compareBinary<32>(a, b, r) ? r : compare<32>(a, b);
}
int32_t AR_Dez64Compare(const Dez64* a, const Dez64* b) {
    int32_t r = 0;
    return compareBinary<64>(a, b, r) ? r : compare<64>(a, b);
}
int32_t AR_Dez32Inc(Dez32* acc, const Dez32* x) {
    return inc<32>(acc, x);
}
int32_t AR_Dez64Inc(Dez64* acc, const Dez64* x) {
    return inc<64>(acc, x);
}
Dez32* AR_Invert32_(Dez32* v) {
    return invert<32>(v);
}
Dez64* AR_Invert64_(Dez64* v) {
    return invert<64>(v);
}

} // extern "C"
