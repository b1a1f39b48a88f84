/* SPDX-License-Identifier: Apache-2.0 */
// Independent reference for the decimal tests: base-10^9 big integers and cell helpers.
#ifndef DECARITH_TEST_REFERENCE_H
#define DECARITH_TEST_REFERENCE_H

#include "decarith.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace ref {

// Unsigned big integer in base 10^9, least significant limb first, no zero limbs on top.
struct Big {
    static constexpr uint32_t kBase = 1000000000u;
    std::vector<uint32_t> limb;

    static Big fromString(const std::string& s) { // decimal digits, most significant first
        Big b;
        for (size_t end = s.size(); end > 0;) {
            const size_t begin = end >= 9 ? end - 9 : 0;
            b.limb.push_back(static_cast<uint32_t>(std::stoul(s.substr(begin, end - begin))));
            end = begin;
        }
        b.trim();
        return b;
    }
    std::string str() const {
        if (limb.empty()) {
            return "0";
        }
        std::string s = std::to_string(limb.back());
        for (size_t i = limb.size() - 1; i-- > 0;) {
            std::string part = std::to_string(limb[i]);
            s += std::string(9 - part.size(), '0') + part;
        }
        return s;
    }
    bool zero() const { return limb.empty(); }
    int digits() const {
        if (zero()) {
            return 0;
        }
        int n = 9 * static_cast<int>(limb.size() - 1);
        for (uint32_t top = limb.back(); top > 0; top /= 10) {
            ++n;
        }
        return n;
    }
    void trim() {
        while (!limb.empty() && limb.back() == 0) {
            limb.pop_back();
        }
    }
    friend int cmp(const Big& a, const Big& b) {
        if (a.limb.size() != b.limb.size()) {
            return a.limb.size() < b.limb.size() ? -1 : 1;
        }
        for (size_t i = a.limb.size(); i-- > 0;) {
            if (a.limb[i] != b.limb[i]) {
                return a.limb[i] < b.limb[i] ? -1 : 1;
            }
        }
        return 0;
    }
    friend Big operator+(const Big& a, const Big& b) {
        Big r;
        uint64_t carry = 0;
        for (size_t i = 0; i < std::max(a.limb.size(), b.limb.size()) || carry; ++i) {
            uint64_t s =
                carry + (i < a.limb.size() ? a.limb[i] : 0) + (i < b.limb.size() ? b.limb[i] : 0);
            r.limb.push_back(static_cast<uint32_t>(s % kBase));
            carry = s / kBase;
        }
        r.trim();
        return r;
    }
    friend Big operator-(const Big& a, const Big& b) { // requires a >= b
        Big r;
        int64_t borrow = 0;
        for (size_t i = 0; i < a.limb.size(); ++i) {
            int64_t s = static_cast<int64_t>(a.limb[i]) - borrow -
                        (i < b.limb.size() ? static_cast<int64_t>(b.limb[i]) : 0);
            borrow = s < 0 ? 1 : 0;
            r.limb.push_back(static_cast<uint32_t>(s < 0 ? s + kBase : s));
        }
        r.trim();
        return r;
    }
    friend Big operator*(const Big& a, const Big& b) {
        Big r;
        r.limb.assign(a.limb.size() + b.limb.size() + 1, 0);
        for (size_t i = 0; i < a.limb.size(); ++i) {
            uint64_t carry = 0;
            for (size_t j = 0; j < b.limb.size() || carry; ++j) {
                uint64_t cur = r.limb[i + j] + carry +
                               (j < b.limb.size() ? uint64_t{a.limb[i]} * b.limb[j] : 0);
                r.limb[i + j] = static_cast<uint32_t>(cur % kBase);
                carry = cur / kBase;
            }
        }
        r.trim();
        return r;
    }
    static Big pow10(int n) {
        Big b;
        b.limb.assign(static_cast<size_t>(n / 9), 0);
        uint32_t top = 1;
        for (int i = 0; i < n % 9; ++i) {
            top *= 10;
        }
        b.limb.push_back(top);
        return b;
    }
    // Quotient and remainder by 10^n through the decimal text.
    Big divPow10(int n, Big* rest = nullptr) const {
        const std::string s = str();
        const size_t keep = s.size() > static_cast<size_t>(n) ? s.size() - n : 0;
        if (rest != nullptr) {
            *rest = fromString(s.substr(keep));
        }
        return keep == 0 ? Big{} : fromString(s.substr(0, keep));
    }
};

// Signed decimal number: (-1)^neg * mag / 10^scale.
struct Num {
    bool neg = false;
    Big mag;
    int scale = 0;
};

inline Big aligned(const Num& n, int scale) {
    return n.mag * Big::pow10(scale - n.scale);
}

inline int compareNum(const Num& a, const Num& b) {
    const int s = std::max(a.scale, b.scale);
    const Big x = aligned(a, s);
    const Big y = aligned(b, s);
    const bool na = a.neg && !x.zero();
    const bool nb = b.neg && !y.zero();
    if (na != nb) {
        return na ? -1 : 1;
    }
    const int c = cmp(x, y);
    return na ? -c : c;
}

// Signed sum at the larger scale.
inline Num addNum(const Num& a, const Num& b) {
    const int s = std::max(a.scale, b.scale);
    const Big x = aligned(a, s);
    const Big y = aligned(b, s);
    Num r;
    r.scale = s;
    if (a.neg == b.neg) {
        r.mag = x + y;
        r.neg = a.neg;
    } else if (cmp(x, y) >= 0) {
        r.mag = x - y;
        r.neg = a.neg;
    } else {
        r.mag = y - x;
        r.neg = b.neg;
    }
    if (r.mag.zero()) {
        r.neg = false;
    }
    return r;
}

// What a cell holds, read field by field.
struct CellView {
    uint8_t sign = 0;
    int scale = 0;
    int count = 0;
    std::string digits; // the counted digits, most significant first
    Big mag() const { return Big::fromString(digits.empty() ? "0" : digits); }
    Num num() const { return Num{sign != 0, mag(), scale}; }
};

// Reads a cell and checks the invariants every cell must keep.
template <class C> CellView view(const C* c) {
    constexpr int W = static_cast<int>(sizeof(c->digits));
    CellView v;
    v.sign = c->sign;
    v.scale = c->scale;
    v.count = c->count;
    bool sound = (c->sign == 0x00 || c->sign == 0xFF) && v.count <= W && c->spare == 0;
    for (int i = 0; i < W; ++i) {
        sound = sound && c->digits[i] <= 9 && (i < v.count || c->digits[i] == 0);
    }
    EXPECT_TRUE(sound) << "cell breaks a representation rule: sign " << int{c->sign} << ", count "
                       << v.count << ", spare " << int{c->spare};
    for (int i = std::min(v.count, W); i-- > 0;) {
        v.digits += static_cast<char>('0' + c->digits[i]);
    }
    return v;
}

// Cell with the given sign, digits (most significant first) and scale; the count is the
// number of digits given, so leading zeros in digits are counted zeros.
template <class C> C cell(bool neg, const std::string& digits, int scale) {
    C c;
    std::memset(&c, 0, sizeof c);
    c.sign = neg ? 0xFF : 0x00;
    c.scale = static_cast<uint8_t>(scale);
    c.count = static_cast<uint8_t>(digits.size());
    for (size_t i = 0; i < digits.size(); ++i) {
        c.digits[i] = static_cast<uint8_t>(digits[digits.size() - 1 - i] - '0');
    }
    return c;
}

// Cell in the form a reader produces: no zeros above the top digit, count >= scale, and
// zero as count 0, scale 0, sign 0x00.
template <class C> C normal(const Num& n) {
    std::string d = n.mag.zero() ? "" : n.mag.str();
    if (d.empty()) {
        return cell<C>(false, "", 0);
    }
    if (static_cast<int>(d.size()) < n.scale) {
        d = std::string(static_cast<size_t>(n.scale) - d.size(), '0') + d;
    }
    return cell<C>(n.neg, d, n.scale);
}

inline std::string randomDigits(std::mt19937_64& rng, int len) { // no leading zero
    std::string s;
    for (int i = 0; i < len; ++i) {
        s += static_cast<char>('0' + (i == 0 ? 1 + rng() % 9 : rng() % 10));
    }
    return s;
}

// Random value of at most maxDigits significant digits and scale <= maxScale, with some bias
// towards short values, zeros, nines and exact halves.
inline Num randomNum(std::mt19937_64& rng, int maxDigits, int maxScale) {
    Num n;
    n.neg = rng() % 2 == 0;
    n.scale = static_cast<int>(rng() % static_cast<uint64_t>(maxScale + 1));
    const int kind = static_cast<int>(rng() % 10);
    int len = kind < 3 ? static_cast<int>(rng() % 4) : static_cast<int>(rng() % (maxDigits + 1));
    std::string d;
    if (kind == 3) {
        d = std::string(static_cast<size_t>(len), '9');
    } else if (kind == 4 && len > 0) {
        d = randomDigits(rng, len);
        d.back() = '5';
    } else {
        d = randomDigits(rng, len);
    }
    n.mag = Big::fromString(d.empty() ? "0" : d);
    if (n.mag.zero()) {
        n.neg = false;
        n.scale = 0;
    }
    return n;
}

// Expects a cell in reader form holding exactly n.
template <class C> void expectNormal(const C* c, const Num& n, const std::string& what) {
    ASSERT_NE(c, nullptr) << what;
    const CellView v = view(c);
    const C want = normal<C>(n);
    const CellView w = view(&want);
    EXPECT_EQ(v.sign, w.sign) << what;
    EXPECT_EQ(v.scale, w.scale) << what;
    EXPECT_EQ(v.count, w.count) << what;
    EXPECT_EQ(v.digits, w.digits) << what;
}

inline std::string show(const Num& n) {
    std::string s = n.mag.str();
    if (n.scale > 0) {
        if (static_cast<int>(s.size()) <= n.scale) {
            s = std::string(static_cast<size_t>(n.scale) - s.size() + 1, '0') + s;
        }
        s.insert(s.size() - static_cast<size_t>(n.scale), ".");
    }
    return (n.neg ? "-" : "") + s;
}

} // namespace ref

#endif
