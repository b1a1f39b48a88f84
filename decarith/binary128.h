/* SPDX-License-Identifier: Apache-2.0 */
// 128-bit helpers of the binary path: digit bytes to and from unsigned __int128 magnitudes.
// Every magnitude handled here is below 10^38 (2^128 is about 3.4 * 10^38), so that sums of
// two of them and all splits into base-10^19 halves stay within 128 and 64 bits.
#ifndef DECARITH_BINARY128_H
#define DECARITH_BINARY128_H

#include <cstdint>
#include <cstring>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "digit words are read little-endian");

namespace decarith::bin {

__extension__ typedef unsigned __int128 u128;

// Largest number of decimal digits a binary magnitude may have.
constexpr int kMaxDigits = 38;

struct Pow10Table {
    u128 v[kMaxDigits + 2];
    constexpr Pow10Table() : v{} {
        u128 p = 1;
        for (auto& x : v) {
            x = p;
            p *= 10;
        }
    }
};
inline constexpr Pow10Table kPow10{};

inline u128 pow10(int k) {
    return kPow10.v[k];
}

// Number of decimal digits of v (0 for zero); v < 10^39.
inline int digitCount(u128 v) {
    if (v == 0) {
        return 0;
    }
    const auto hi = static_cast<uint64_t>(v >> 64);
    const int bits =
        hi != 0 ? 128 - __builtin_clzll(hi) : 64 - __builtin_clzll(static_cast<uint64_t>(v));
    const int t = (bits * 1233) >> 12; // about bits * log10(2)
    return t + (v >= kPow10.v[t] ? 1 : 0);
}

inline uint64_t load8(const void* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}
inline void store8(void* p, uint64_t w) {
    std::memcpy(p, &w, 8);
}

// Mask of the n lowest bytes of a word, n in 0..8.
constexpr uint64_t byteMask(int n) {
    return n >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * n)) - 1;
}

// Non-zero when some byte of w is above 9.
inline uint64_t notDigits(uint64_t w) {
    return (w | (w + 0x7676767676767676ull)) & 0x8080808080808080ull;
}

// Eight digit bytes, least significant first, to their value (below 10^8).
inline uint64_t value8(uint64_t w) {
    w = (w & 0x00FF00FF00FF00FFull) + ((w >> 8) & 0x00FF00FF00FF00FFull) * 10;
    w = (w & 0x0000FFFF0000FFFFull) + ((w >> 16) & 0x0000FFFF0000FFFFull) * 100;
    return (w & 0xFFFFFFFFull) + (w >> 32) * 10000;
}

// A value below 10^8 as eight digit bytes, least significant first.
inline uint64_t bytes8(uint64_t v) {
    uint64_t w = (v % 10000) | (v / 10000) << 32;            // two lanes below 10^4
    uint64_t q = ((w * 5243) >> 19) & 0x0000007F0000007Full; // lane / 100
    w = (w - q * 100) | q << 16;                             // four lanes below 100
    q = ((w * 103) >> 10) & 0x000F000F000F000Full;           // lane / 10
    return (w - q * 10) | q << 8;
}

// Digits p[0..n-1] (least significant first, n <= 38) as a value; false when a byte is not a
// digit. Reads whole words: p[0 .. n rounded up to 8) must be readable; bytes from n on are
// ignored.
inline bool loadDigits(const uint8_t* p, int n, u128& v) {
    if (n <= 16) { // the common case: one or two words
        const uint64_t w0 = n > 0 ? load8(p) & byteMask(n) : 0;
        const uint64_t w1 = n > 8 ? load8(p + 8) & byteMask(n - 8) : 0;
        if ((notDigits(w0) | notDigits(w1)) != 0) {
            return false;
        }
        v = value8(w0) + (n > 8 ? value8(w1) * 100000000u : 0);
        return true;
    }
    uint64_t w[5] = {};
    const int words = (n + 7) / 8;
    for (int j = 0; j < words; ++j) {
        w[j] = load8(p + 8 * j);
    }
    if (words > 0) {
        w[words - 1] &= byteMask(n - 8 * (words - 1));
    }
    if ((notDigits(w[0]) | notDigits(w[1]) | notDigits(w[2]) | notDigits(w[3]) | notDigits(w[4])) !=
        0) {
        return false;
    }
    const uint64_t lo = value8(w[0]) + (words > 1 ? value8(w[1]) * 100000000u : 0);
    if (words <= 2) {
        v = lo;
        return true;
    }
    const uint64_t mid = value8(w[2]) + (words > 3 ? value8(w[3]) * 100000000u : 0);
    v = lo + static_cast<u128>(mid) * 10000000000000000u;
    if (words > 4) {
        v += static_cast<u128>(value8(w[4])) * kPow10.v[32];
    }
    return true;
}

// Writes x < 10^19 as 19 digit bytes at out (24 bytes are written).
inline void storeChunk19(uint64_t x, uint8_t* out) {
    if (x < 100000000u) {
        store8(out, bytes8(x));
        return;
    }
    const uint64_t top = x / 10000000000000000u;
    const uint64_t low = x % 10000000000000000u;
    store8(out, bytes8(low % 100000000u));
    store8(out + 8, bytes8(low / 100000000u));
    if (top != 0) {
        store8(out + 16, bytes8(top));
    }
}

// hi:lo / d with hi < d: quotient and remainder of a 128-by-64-bit division.
inline uint64_t divide128(uint64_t hi, uint64_t lo, uint64_t d, uint64_t& rem) {
#if defined(__x86_64__)
    uint64_t q;
    __asm__("divq %[d]" : "=a"(q), "=d"(rem) : "a"(lo), "d"(hi), [d] "rm"(d));
    return q;
#else
    const u128 n = static_cast<u128>(hi) << 64 | lo;
    rem = static_cast<uint64_t>(n % d);
    return static_cast<uint64_t>(n / d);
#endif
}

// The digits of v < 10^38 into out[0..37], least significant first; out must be zero-filled
// and 48 bytes long (whole words are written).
inline void storeDigits(u128 v, uint8_t* out) {
    if (v < 100000000u) {
        store8(out, bytes8(static_cast<uint64_t>(v)));
        return;
    }
    const auto hi = static_cast<uint64_t>(v >> 64);
    if (hi == 0) {
        const auto x = static_cast<uint64_t>(v);
        if (x < 10000000000000000000u) {
            storeChunk19(x, out);
        } else {
            storeChunk19(x % 10000000000000000000u, out);
            out[19] = 1; // x < 2^64 < 2 * 10^19
        }
        return;
    }
    uint64_t low = 0;
    const uint64_t high = divide128(hi, static_cast<uint64_t>(v), 10000000000000000000u, low);
    storeChunk19(low, out);
    storeChunk19(high, out + 19);
}

// q = n / d for magnitudes below 2^128, with a 64-bit division where the operands allow.
inline u128 quotient(u128 n, u128 d) {
    if (d > n) {
        return 0;
    }
    if ((n >> 64) == 0) {
        return static_cast<uint64_t>(n) / static_cast<uint64_t>(d);
    }
    if ((d >> 64) == 0) {
        const auto dd = static_cast<uint64_t>(d);
        const auto nh = static_cast<uint64_t>(n >> 64);
        uint64_t rem = 0;
        const uint64_t qh = nh / dd;
        const uint64_t ql = divide128(nh % dd, static_cast<uint64_t>(n), dd, rem);
        return static_cast<u128>(qh) << 64 | ql;
    }
    return n / d;
}

} // namespace decarith::bin

#endif
