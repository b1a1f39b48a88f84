// SPDX-License-Identifier: Apache-2.0
// The binary path of the arithmetic and of the field readers and writers against the digit
// path: random operands, most of them at the 19/20, 32 and 38/39-digit boundaries, zeros of
// every kind (negative, counted, with counted zeros above the top digit), unusual sign bytes,
// bytes above the count and bytes that are no digits. Every byte of every result must agree.
#include "decarith_internal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace {

namespace dp = decarith::digitpath;

// Random cases per operation: 150 000 in the sanitizer build, where the digit path is slow;
// the optimised copy of this test (test_fastpath_full) runs 1 000 000.
#ifndef FASTPATH_CASES
#define FASTPATH_CASES 150000
#endif
constexpr int kCases = FASTPATH_CASES;

using Rng = std::mt19937_64;

int pick(Rng& rng, int lo, int hi) { // lo..hi inclusive
    return lo + static_cast<int>(rng() % static_cast<uint64_t>(hi - lo + 1));
}

// A digit count: half of them at a width boundary, the rest anywhere in the cell.
int digitCount(Rng& rng, int width) {
    static constexpr int kEdges[] = {0,  1,  2,  7,  8,  9,  15, 16, 17, 18, 19, 20, 21,
                                     31, 32, 33, 36, 37, 38, 39, 40, 41, 62, 63, 64};
    if (rng() % 2 == 0) {
        for (;;) {
            const int n = kEdges[rng() % std::size(kEdges)];
            if (n <= width) {
                return n;
            }
        }
    }
    return pick(rng, 0, width);
}

template <class C> std::string show(const C* c) {
    if (c == nullptr) {
        return "null";
    }
    std::string s;
    const auto* bytes = reinterpret_cast<const unsigned char*>(c);
    for (size_t i = 0; i < sizeof(C); ++i) {
        s += std::to_string(bytes[i]) + (i + 1 < sizeof(C) ? "," : "");
    }
    return s;
}

// A random cell: value, scale, counted zeros, sign byte and now and then damage.
template <class C> C cell(Rng& rng) {
    constexpr int W = static_cast<int>(sizeof(C::digits));
    C c;
    std::memset(&c, 0, sizeof c);
    const int n = digitCount(rng, W); // digits up to the top non-zero one
    const int pattern = pick(rng, 0, 9);
    for (int i = 0; i < n; ++i) {
        c.digits[i] = pattern == 0   ? 9                    // all nines
                      : pattern == 1 ? (i + 1 == n ? 1 : 0) // a power of ten
                      : pattern == 2 ? (i + 1 == n ? 5 : 0) // a half at the top
                                     : static_cast<uint8_t>(rng() % 10);
    }
    if (n > 0 && c.digits[n - 1] == 0) {
        c.digits[n - 1] = static_cast<uint8_t>(pick(rng, 1, 9));
    }
    const int scaleKind = pick(rng, 0, 19);
    int scale = scaleKind < 14   ? pick(rng, 0, n + 2 < W ? n + 2 : W)
                : scaleKind < 18 ? pick(rng, 0, W)
                : scaleKind < 19 ? pick(rng, W - 2, W + 2)
                                 : pick(rng, 0, 255);
    int count = n > scale ? n : scale;
    const int countKind = pick(rng, 0, 19);
    if (countKind == 0) {
        count += pick(rng, 1, 3); // counted zeros above the top digit
    } else if (countKind == 1) {
        count = n; // fewer digits than the scale asks for
    } else if (countKind == 2) {
        count = 0; // a zero of count 0, any scale and sign
    }
    if (count > W) {
        count = pick(rng, 0, 3) == 0 ? pick(rng, W + 1, 255) : W;
    }
    if (n == 0 && countKind > 2) {
        count = pick(rng, 0, 4); // zero, or a counted zero
    }
    const int signKind = pick(rng, 0, 19);
    c.sign = signKind < 9 ? 0x00 : signKind < 18 ? 0xFF : static_cast<uint8_t>(pick(rng, 1, 254));
    c.scale = static_cast<uint8_t>(scale);
    c.count = static_cast<uint8_t>(count);
    const int damage = pick(rng, 0, 49);
    if (damage == 0) { // bytes above the count
        for (int i = count < W ? count : W; i < W; ++i) {
            c.digits[i] = static_cast<uint8_t>(rng());
        }
        c.spare = static_cast<uint8_t>(rng());
    } else if (damage == 1 && n > 0) { // a byte that is no digit
        c.digits[pick(rng, 0, n - 1)] = static_cast<uint8_t>(pick(rng, 10, 255));
    }
    return c;
}

int decimals(Rng& rng, int scale) {
    const int kind = pick(rng, 0, 19);
    return kind < 16 ? pick(rng, 0, scale + 1) : kind < 19 ? pick(rng, 0, 70) : pick(rng, -2, -1);
}

// Both results null, or both blocks equal byte for byte; releases both.
template <class T>::testing::AssertionResult same(T* fast, T* digit, size_t size) {
    const bool equal = (fast == nullptr) == (digit == nullptr) &&
                       (fast == nullptr || std::memcmp(fast, digit, size) == 0);
    auto result = equal ? ::testing::AssertionSuccess() : ::testing::AssertionFailure();
    if (!equal) {
        if constexpr (std::is_same_v<T, char>) {
            result << "binary " << (fast ? std::string(fast, size) : "null") << ", digit "
                   << (digit ? std::string(digit, size) : "null");
        } else {
            result << "binary " << show(fast) << "\ndigit  " << show(digit);
        }
    }
    AR_Delete_(fast);
    AR_Delete_(digit);
    return result;
}

template <class C> struct Arith;
template <> struct Arith<Dez32> {
    static constexpr auto add = AR_Dez32Add, sub = AR_Dez32Sub;
    static constexpr auto round = AR_Dez32Round, trunc = AR_Dez32Trunc;
    static constexpr auto compare = AR_Dez32Compare;
    static constexpr auto addD = dp::add32, subD = dp::sub32;
    static constexpr auto roundD = dp::round32, truncD = dp::trunc32;
    static constexpr auto compareD = dp::compare32;
};
template <> struct Arith<Dez64> {
    static constexpr auto add = AR_Dez64Add, sub = AR_Dez64Sub;
    static constexpr auto round = AR_Dez64Round, trunc = AR_Dez64Trunc;
    static constexpr auto compare = AR_Dez64Compare;
    static constexpr auto addD = dp::add64, subD = dp::sub64;
    static constexpr auto roundD = dp::round64, truncD = dp::trunc64;
    static constexpr auto compareD = dp::compare64;
};

template <class C> void checkTwoOperands(uint64_t seed) {
    using A = Arith<C>;
    Rng rng(seed);
    for (int i = 0; i < kCases; ++i) {
        C a = cell<C>(rng);
        C b = cell<C>(rng);
        if (i % 8 == 0) {
            b = a; // equal magnitudes: zero differences, equal compares
            b.sign = static_cast<uint8_t>(rng() % 2 == 0 ? 0x00 : 0xFF);
        }
        const auto where = [&] { return "a " + show(&a) + "\nb " + show(&b); };
        int32_t flagFast = 7;
        int32_t flagDigit = 7;
        ASSERT_TRUE(same(A::add(&a, &b, &flagFast), A::addD(&a, &b, &flagDigit), sizeof(C)))
            << "add\n"
            << where();
        ASSERT_EQ(flagFast, flagDigit) << "add\n" << where();
        ASSERT_TRUE(same(A::sub(&a, &b, &flagFast), A::subD(&a, &b, &flagDigit), sizeof(C)))
            << "sub\n"
            << where();
        ASSERT_EQ(flagFast, flagDigit) << "sub\n" << where();
        ASSERT_EQ(A::compare(&a, &b), A::compareD(&a, &b)) << "compare\n" << where();
    }
}

template <class C> void checkRounding(uint64_t seed) {
    using A = Arith<C>;
    Rng rng(seed);
    for (int i = 0; i < kCases; ++i) {
        const C v = cell<C>(rng);
        const int d = decimals(rng, v.scale);
        const auto where = [&] { return "v " + show(&v) + "\nd " + std::to_string(d); };
        ASSERT_TRUE(same(A::round(&v, d), A::roundD(&v, d), sizeof(C))) << "round\n" << where();
        ASSERT_TRUE(same(A::trunc(&v, d), A::truncD(&v, d), sizeof(C))) << "trunc\n" << where();
    }
}

TEST(FastPath, AddSubCompare32) {
    checkTwoOperands<Dez32>(1);
}
TEST(FastPath, AddSubCompare64) {
    checkTwoOperands<Dez64>(2);
}
TEST(FastPath, RoundTrunc32) {
    checkRounding<Dez32>(3);
}
TEST(FastPath, RoundTrunc64) {
    checkRounding<Dez64>(4);
}

TEST(FastPath, MulDiv) {
    Rng rng(5);
    for (int i = 0; i < kCases; ++i) {
        const Dez32 a = cell<Dez32>(rng);
        const Dez32 b = cell<Dez32>(rng);
        const int kind = pick(rng, 0, 19);
        const int d = kind < 18 ? pick(rng, 0, 12) : kind < 19 ? pick(rng, 13, 66) : -1;
        const auto where = [&] {
            return "a " + show(&a) + "\nb " + show(&b) + "\nd " + std::to_string(d);
        };
        ASSERT_TRUE(same(AR_Dez32Mul(&a, &b), dp::mul32(&a, &b), sizeof(Dez64))) << "mul\n"
                                                                                 << where();
        ASSERT_TRUE(same(AR_Dez32Div(&a, &b, d), dp::div32(&a, &b, d), sizeof(Dez64))) << "div\n"
                                                                                       << where();
    }
}

TEST(FastPath, NullOperands) {
    const Dez32 a = {0, 2, 3, {5, 2, 1}, 0};
    const Dez64 a64 = {0xFF, 2, 3, {5, 2, 1}, 0};
    int32_t flag = 7;
    EXPECT_EQ(AR_Dez32Add(&a, nullptr, &flag), nullptr);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(AR_Dez64Sub(nullptr, &a64, nullptr), nullptr);
    EXPECT_EQ(AR_Dez32Mul(nullptr, &a), nullptr);
    EXPECT_EQ(AR_Dez32Div(&a, nullptr, 2), nullptr);
    EXPECT_EQ(AR_Dez64Round(nullptr, 2), nullptr);
    EXPECT_EQ(AR_Dez32Trunc(nullptr, 2), nullptr);
    EXPECT_EQ(AR_Dez32Compare(&a, nullptr), -1);
    EXPECT_EQ(AR_Dez64Compare(nullptr, &a64), -1);
}

// ---- field texts ----------------------------------------------------------------------------

struct Field {
    const char* name;
    int n, m, size;
    Dez32* (*read32)(const char*);
    Dez64* (*read64)(const char*);
    char* (*write32)(const Dez32*);
    char* (*write64)(const Dez64*);
};

#define FIELD(NAME, N, M, SIZE)                                                                    \
    Field {                                                                                        \
#NAME, N, M, SIZE, AR_Dez##NAME##_Dez32, AR_Dez##NAME##_Dez64, AR_Dez32_Dez##NAME,         \
            AR_Dez64_Dez##NAME                                                                     \
    }
const Field kFields[] = {FIELD(15p0, 15, 0, 18), FIELD(14p1, 14, 1, 18), FIELD(13p2, 13, 2, 18),
                         FIELD(12p3, 12, 3, 18), FIELD(11p4, 11, 4, 18), FIELD(10p5, 10, 5, 18),
                         FIELD(9p6, 9, 6, 18),   FIELD(4p7, 4, 7, 14),   FIELD(5p0, 5, 0, 8),
                         FIELD(2p5, 2, 5, 10),   FIELD(1p6, 1, 6, 10)};
#undef FIELD

// A field text: sign, leading zeros, digits, now and then a character that is no digit.
std::string fieldText(Rng& rng, int length) {
    static const char kSigns[] = "+-+- 0";
    std::string t(1, kSigns[rng() % 6]);
    const int zeros = pick(rng, 0, length);
    for (int i = 0; i < length; ++i) {
        t += i < zeros ? '0' : static_cast<char>('0' + rng() % 10);
    }
    if (rng() % 8 == 0) {
        static const char kOdd[] = " .:/+-\x7f\xb0";
        t[static_cast<size_t>(pick(rng, 1, length))] = kOdd[rng() % 8];
    }
    return t;
}

TEST(FastPath, FieldReaders) {
    Rng rng(6);
    for (const Field& f : kFields) {
        for (int i = 0; i < kCases / 20; ++i) {
            const std::string text = fieldText(rng, f.n + f.m);
            // Exactly the field's characters, so that a read past its end is seen by ASan.
            std::vector<char> field(text.begin(), text.end());
            ASSERT_TRUE(same(f.read32(field.data()), dp::readField32(field.data(), f.n, f.m),
                             sizeof(Dez32)))
                << f.name << " " << text;
            ASSERT_TRUE(same(f.read64(field.data()), dp::readField64(field.data(), f.n, f.m),
                             sizeof(Dez64)))
                << f.name << " " << text;
        }
    }
}

TEST(FastPath, FieldWriters) {
    Rng rng(7);
    for (const Field& f : kFields) {
        const auto size = static_cast<size_t>(f.size);
        for (int i = 0; i < kCases / 20; ++i) {
            Dez32 v = cell<Dez32>(rng);
            Dez64 w = cell<Dez64>(rng);
            if (rng() % 2 == 0) { // mostly values that fit the field
                v.scale = static_cast<uint8_t>(pick(rng, 0, f.m + 1));
                v.count = static_cast<uint8_t>(pick(rng, 0, f.n + v.scale));
                w.scale = static_cast<uint8_t>(pick(rng, 0, f.m + 1));
                w.count = static_cast<uint8_t>(pick(rng, 0, f.n + w.scale));
            }
            ASSERT_TRUE(same(f.write32(&v), dp::writeField32(&v, f.n, f.m, f.size), size))
                << f.name << "\n"
                << show(&v);
            ASSERT_TRUE(same(f.write64(&w), dp::writeField64(&w, f.n, f.m, f.size), size))
                << f.name << "\n"
                << show(&w);
        }
    }
}

} // namespace
