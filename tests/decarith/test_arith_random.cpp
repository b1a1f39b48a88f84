// SPDX-License-Identifier: Apache-2.0
// Randomised arithmetic checks against the base-10^9 reference: value, scale, count and sign.
#include "helpers.h"

#include <functional>

using ref::Big;
using ref::Num;
using th::own;

namespace {

constexpr int kCases = 100000;

template <int W> struct Width;
template <> struct Width<32> {
    using Cell = Dez32;
    static Cell* add(const Cell* a, const Cell* b, int32_t* o) { return AR_Dez32Add(a, b, o); }
    static Cell* sub(const Cell* a, const Cell* b, int32_t* o) { return AR_Dez32Sub(a, b, o); }
    static Cell* round(const Cell* v, int32_t d) { return AR_Dez32Round(v, d); }
    static Cell* trunc(const Cell* v, int32_t d) { return AR_Dez32Trunc(v, d); }
    static Cell* mul10(const Cell* v, int32_t n) { return AR_Dez32Mul_Nmal10(v, n); }
    static Cell* div10(const Cell* v, int32_t n) { return AR_Dez32Div_Nmal10(v, n); }
    static int32_t compare(const Cell* a, const Cell* b) { return AR_Dez32Compare(a, b); }
    static int32_t inc(Cell* a, const Cell* b) { return AR_Dez32Inc(a, b); }
};
template <> struct Width<64> {
    using Cell = Dez64;
    static Cell* add(const Cell* a, const Cell* b, int32_t* o) { return AR_Dez64Add(a, b, o); }
    static Cell* sub(const Cell* a, const Cell* b, int32_t* o) { return AR_Dez64Sub(a, b, o); }
    static Cell* round(const Cell* v, int32_t d) { return AR_Dez64Round(v, d); }
    static Cell* trunc(const Cell* v, int32_t d) { return AR_Dez64Trunc(v, d); }
    static Cell* mul10(const Cell* v, int32_t n) { return AR_Dez64Mul_Nmal10(v, n); }
    static Cell* div10(const Cell* v, int32_t n) { return AR_Dez64Div_Nmal10(v, n); }
    static int32_t compare(const Cell* a, const Cell* b) { return AR_Dez64Compare(a, b); }
    static int32_t inc(Cell* a, const Cell* b) { return AR_Dez64Inc(a, b); }
};

// A random operand: mostly in reader form, sometimes with counted zeros above the top digit
// or a counted zero left by rounding (all digits zero, either sign).
template <class C> C operand(std::mt19937_64& rng, const Num& n, int width) {
    C c = ref::normal<C>(n);
    const int kind = static_cast<int>(rng() % 16);
    if (kind == 0 && c.count > 0 && c.count < width) {
        const int extra = 1 + static_cast<int>(rng() % static_cast<uint64_t>(width - c.count));
        c.count = static_cast<uint8_t>(c.count + (extra > 2 ? 2 : extra));
    } else if (kind == 1) {
        const int s = static_cast<int>(rng() % 5);
        c = ref::cell<C>(rng() % 2 == 0, std::string(static_cast<size_t>(s > 0 ? s : 1), '0'), s);
    }
    return c;
}

template <class C> std::string describe(const C& c) {
    return th::repr(&c);
}

// Digits of m, padded with zeros on the left to count digits.
std::string padded(const Big& m, int count) {
    std::string s = m.zero() ? "" : m.str();
    if (static_cast<int>(s.size()) < count) {
        s = std::string(static_cast<size_t>(count) - s.size(), '0') + s;
    }
    return s;
}

// what() describes the case; it is only called on failure.
template <class C, class F>
void expectCell(const C* got, bool neg, const std::string& digits, int scale, F what) {
    ASSERT_NE(got, nullptr) << what();
    const ref::CellView v = ref::view(got);
    EXPECT_EQ(v.sign, neg ? 0xFF : 0x00) << what();
    EXPECT_EQ(v.digits, digits) << what();
    EXPECT_EQ(v.scale, scale) << what();
}

template <int W> void randomAddSub(bool subtract, uint64_t seed) {
    using C = typename Width<W>::Cell;
    std::mt19937_64 rng(seed);
    for (int i = 0; i < kCases; ++i) {
        const int maxScale = static_cast<int>(rng() % (W / 2 + 1));
        const C a = operand<C>(rng, ref::randomNum(rng, W, maxScale), W);
        const C b = operand<C>(rng, ref::randomNum(rng, W, maxScale), W);
        auto what = [&] { return describe(a) + (subtract ? " - " : " + ") + describe(b); };
        int32_t overflow = -1;
        auto r =
            own(subtract ? Width<W>::sub(&a, &b, &overflow) : Width<W>::add(&a, &b, &overflow));
        if (subtract ? b.count == 0 : a.count == 0) {
            C want = subtract ? a : b;
            EXPECT_EQ(describe(*r), describe(want)) << what();
            continue;
        }
        if (subtract ? a.count == 0 : b.count == 0) {
            C want = subtract ? b : a;
            if (subtract) {
                want.sign = want.sign != 0 ? 0x00 : 0xFF;
            }
            EXPECT_EQ(describe(*r), describe(want)) << what();
            continue;
        }
        Num x = ref::view(&a).num();
        Num y = ref::view(&b).num();
        if (subtract) {
            y.neg = !y.neg;
        }
        const int s = std::max(x.scale, y.scale);
        if (ref::aligned(x, s).digits() > W || ref::aligned(y, s).digits() > W) {
            EXPECT_EQ(r, nullptr) << what();
            continue;
        }
        Num sum = ref::addNum(x, y);
        int wantOverflow = 0;
        if (sum.mag.digits() > W) {
            wantOverflow = 1;
            Big rest;
            sum.mag.divPow10(W, &rest);
            sum.mag = rest;
        }
        EXPECT_EQ(overflow, wantOverflow) << what();
        if (sum.mag.zero()) {
            expectCell(r.get(), false, "", 0, what);
        } else {
            expectCell(r.get(), sum.neg, padded(sum.mag, s), s, what);
        }
        // Accumulation agrees with the addition, and leaves the accumulator alone on overflow.
        if (!subtract) {
            C acc = a;
            const int32_t flag = Width<W>::inc(&acc, &b);
            EXPECT_EQ(flag, wantOverflow) << what();
            EXPECT_EQ(describe(acc), wantOverflow ? describe(a) : describe(*r)) << what();
        }
    }
}

TEST(RandomArithmetic, Add32) {
    randomAddSub<32>(false, 101);
}
TEST(RandomArithmetic, Add64) {
    randomAddSub<64>(false, 102);
}
TEST(RandomArithmetic, Sub32) {
    randomAddSub<32>(true, 103);
}
TEST(RandomArithmetic, Sub64) {
    randomAddSub<64>(true, 104);
}

TEST(RandomArithmetic, Mul) {
    std::mt19937_64 rng(201);
    for (int i = 0; i < kCases; ++i) {
        const Dez32 a = operand<Dez32>(rng, ref::randomNum(rng, 32, 32), 32);
        const Dez32 b = operand<Dez32>(rng, ref::randomNum(rng, 32, 32), 32);
        auto what = [&] { return describe(a) + " x " + describe(b); };
        auto r = own(AR_Dez32Mul(&a, &b));
        const Num x = ref::view(&a).num();
        const Num y = ref::view(&b).num();
        const Big p = x.mag * y.mag;
        if (p.zero()) {
            expectCell(r.get(), false, "", 0, what);
            continue;
        }
        const int s = x.scale + y.scale;
        expectCell(r.get(), (a.sign != 0) != (b.sign != 0), padded(p, s), s, what);
    }
}

TEST(RandomArithmetic, Div) {
    std::mt19937_64 rng(301);
    for (int i = 0; i < kCases; ++i) {
        const Dez32 a = operand<Dez32>(rng, ref::randomNum(rng, 32, 12), 32);
        const Dez32 b = operand<Dez32>(rng, ref::randomNum(rng, 32, 12), 32);
        const int d = static_cast<int>(rng() % 13);
        auto what = [&] { return describe(a) + " / " + describe(b) + " d=" + std::to_string(d); };
        auto r = own(AR_Dez32Div(&a, &b, d));
        const Num x = ref::view(&a).num();
        const Num y = ref::view(&b).num();
        if (y.mag.zero()) {
            EXPECT_EQ(r, nullptr) << what();
            continue;
        }
        if (x.mag.zero()) {
            expectCell(r.get(), false, "", 0, what);
            continue;
        }
        // q = trunc(|a| / |b| * 10^d): check q * den <= num < (q + 1) * den.
        const int s = std::max(x.scale, y.scale);
        const Big num = ref::aligned(x, s) * Big::pow10(d);
        const Big den = ref::aligned(y, s);
        ASSERT_NE(r, nullptr) << what();
        const ref::CellView v = ref::view(r.get());
        const Big q = v.mag();
        EXPECT_LE(cmp(q * den, num), 0) << what();
        EXPECT_GT(cmp((q + Big::fromString("1")) * den, num), 0) << what();
        const int count = std::max(q.digits(), d);
        EXPECT_EQ(v.count, count) << what();
        EXPECT_EQ(v.scale, count == 0 ? 0 : d) << what();
        EXPECT_EQ(v.sign, (a.sign != 0) != (b.sign != 0) ? 0xFF : 0x00) << what();
    }
}

// Rounding (half away from zero) or truncation of a cell to d decimals, as the cell fields say.
template <class C> std::string expectedCut(const C& c, int d, bool rounding) {
    const ref::CellView v = ref::view(&c);
    if (d >= v.scale) {
        return describe(c);
    }
    const int k = v.scale - d;
    C want;
    if (rounding && d + v.count < v.scale) {
        want = ref::cell<C>(v.sign != 0, "", 0);
        return describe(want);
    }
    Big rest;
    Big q = v.mag().divPow10(k, &rest);
    if (rounding &&
        cmp(rest, Big::fromString("5" + std::string(static_cast<size_t>(k - 1), '0'))) >= 0) {
        q = q + Big::fromString("1");
    }
    const int count = std::max(v.count - k, q.digits());
    want = ref::cell<C>(v.sign != 0, padded(q, count), count == 0 ? 0 : d);
    return describe(want);
}

template <int W> void randomCut(bool rounding, uint64_t seed) {
    using C = typename Width<W>::Cell;
    std::mt19937_64 rng(seed);
    for (int i = 0; i < kCases; ++i) {
        const C v = operand<C>(rng, ref::randomNum(rng, W, W), W);
        const int d = static_cast<int>(rng() % static_cast<uint64_t>(v.scale + 3));
        auto what = [&] {
            return describe(v) + (rounding ? " round " : " trunc ") + std::to_string(d);
        };
        auto r = own(rounding ? Width<W>::round(&v, d) : Width<W>::trunc(&v, d));
        ASSERT_NE(r, nullptr) << what();
        EXPECT_EQ(describe(*r), expectedCut(v, d, rounding)) << what();
        ref::view(r.get());
    }
}

TEST(RandomArithmetic, Round32) {
    randomCut<32>(true, 401);
}
TEST(RandomArithmetic, Round64) {
    randomCut<64>(true, 402);
}
TEST(RandomArithmetic, Trunc32) {
    randomCut<32>(false, 403);
}
TEST(RandomArithmetic, Trunc64) {
    randomCut<64>(false, 404);
}

template <int W> void randomShifts(uint64_t seed) {
    using C = typename Width<W>::Cell;
    std::mt19937_64 rng(seed);
    for (int i = 0; i < kCases; ++i) {
        const C v = operand<C>(rng, ref::randomNum(rng, W, W), W);
        const int n = static_cast<int>(rng() % (W + 4));
        auto what = [&] { return describe(v) + " shift " + std::to_string(n); };
        const ref::CellView cv = ref::view(&v);
        auto up = own(Width<W>::mul10(&v, n));
        auto down = own(Width<W>::div10(&v, n));
        if (v.count == 0) {
            EXPECT_EQ(describe(*up), "+ s0") << what();
            EXPECT_EQ(describe(*down), "+ s0") << what();
            continue;
        }
        // Multiplication: scale lowered first, then digits moved up.
        if (n <= cv.scale) {
            expectCell(up.get(), cv.sign != 0, cv.digits, cv.scale - n, what);
        } else if (cv.count + n - cv.scale > W) {
            EXPECT_EQ(up, nullptr) << what();
        } else {
            expectCell(up.get(), cv.sign != 0,
                       cv.digits + std::string(static_cast<size_t>(n - cv.scale), '0'), 0, what);
        }
        // Division: scale raised, count raised to the scale.
        if (cv.scale + n > W) {
            EXPECT_EQ(down, nullptr) << what();
        } else {
            const int count = std::max(cv.count, cv.scale + n);
            expectCell(down.get(), cv.sign != 0,
                       std::string(static_cast<size_t>(count - cv.count), '0') + cv.digits,
                       cv.scale + n, what);
        }
    }
}

TEST(RandomArithmetic, Shifts32) {
    randomShifts<32>(501);
}
TEST(RandomArithmetic, Shifts64) {
    randomShifts<64>(502);
}

template <int W> void randomCompare(uint64_t seed) {
    using C = typename Width<W>::Cell;
    std::mt19937_64 rng(seed);
    for (int i = 0; i < kCases; ++i) {
        const Num x = ref::randomNum(rng, W / 2, W / 2);
        Num y = ref::randomNum(rng, W / 2, W / 2);
        if (rng() % 4 == 0) { // the same value at another scale, or its negation
            y = x;
            const int more = static_cast<int>(rng() % 3);
            y.mag = y.mag * Big::pow10(more);
            y.scale += more;
            y.neg = rng() % 3 == 0 ? !x.neg : x.neg;
        }
        const C a = operand<C>(rng, x, W);
        const C b = operand<C>(rng, y, W);
        auto what = [&] { return describe(a) + " ? " + describe(b); };
        EXPECT_EQ(Width<W>::compare(&a, &b),
                  ref::compareNum(ref::view(&a).num(), ref::view(&b).num()))
            << what();
    }
}

TEST(RandomArithmetic, Compare32) {
    randomCompare<32>(601);
}
TEST(RandomArithmetic, Compare64) {
    randomCompare<64>(602);
}

TEST(RandomArithmetic, DigitStrings) {
    std::mt19937_64 rng(701);
    for (int i = 0; i < kCases; ++i) {
        const int lp = static_cast<int>(rng() % 33);
        const int lq = static_cast<int>(rng() % 33);
        const std::string ps = ref::randomDigits(rng, lp);
        const std::string qs = ref::randomDigits(rng, lq);
        UIntDez32 p{};
        UIntDez32 q{};
        p.count = static_cast<uint8_t>(lp);
        q.count = static_cast<uint8_t>(lq);
        for (int k = 0; k < lp; ++k) {
            p.digits[k] = static_cast<uint8_t>(ps[static_cast<size_t>(lp - 1 - k)] - '0');
        }
        for (int k = 0; k < lq; ++k) {
            q.digits[k] = static_cast<uint8_t>(qs[static_cast<size_t>(lq - 1 - k)] - '0');
        }
        const Big x = Big::fromString(ps.empty() ? "0" : ps);
        const Big y = Big::fromString(qs.empty() ? "0" : qs);
        auto what = [&] { return ps + " , " + qs; };
        int32_t flag = -3;
        auto s = own(AR_UINTDez32Add(&p, &q, &flag));
        ASSERT_NE(s, nullptr);
        Big sum = x + y;
        if (sum.digits() > 32) {
            Big rest;
            sum.divPow10(32, &rest);
            sum = rest;
            EXPECT_EQ(flag, 1) << what();
        } else if (!x.zero() && !y.zero()) {
            EXPECT_EQ(flag, 0) << what();
        }
        EXPECT_EQ(s->count, sum.digits()) << what();
        EXPECT_EQ(padded(sum, s->count),
                  th::repr(own(AR_UIntDez32_Dez32(s.get())).get()).substr(1, s->count))
            << what();
        int32_t sign = 3;
        auto d = own(AR_UINTDez32Sub(&p, &q, &sign));
        ASSERT_NE(d, nullptr);
        const bool less = cmp(x, y) < 0;
        EXPECT_EQ(sign, less ? -1 : 0) << what();
        const Big diff = less ? y - x : x - y;
        EXPECT_EQ(d->count, diff.digits()) << what();
        auto dc = own(AR_UIntDez32_Dez32(d.get()));
        EXPECT_EQ(ref::view(dc.get()).mag().str(), diff.str()) << what();
    }
}

} // namespace
