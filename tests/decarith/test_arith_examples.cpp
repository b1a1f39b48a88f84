// SPDX-License-Identifier: Apache-2.0
// Worked examples and edge cases of the cell arithmetic and the digit-string operations.
#include "helpers.h"

using th::own;
using th::repr;
using th::val;

namespace {

struct BinaryCase {
    const char* a;
    const char* b;
    std::string want;
};

TEST(Arithmetic, AdditionExamples) {
    const BinaryCase cases[] = {
        {"0.05", "0.01", "+06 s2"},   {"1.5", "-1.5", "+ s0"},  {"0", "-7.25", "-725 s2"},
        {"7.25", "0", "+725 s2"},     {"-1.25", "2", "+75 s2"}, {"1.25", "-2", "-75 s2"},
        {"-1", "-0.001", "-1001 s3"}, {"999", "1", "+1000 s0"}, {"0.5", "0.5", "+10 s1"},
        {"-0.5", "0.25", "-25 s2"},
    };
    for (const auto& c : cases) {
        const Dez32 a = val<Dez32>(c.a);
        const Dez32 b = val<Dez32>(c.b);
        int32_t overflow = -7;
        auto r = own(AR_Dez32Add(&a, &b, &overflow));
        EXPECT_EQ(repr(r.get()), c.want) << c.a << " + " << c.b;
        EXPECT_EQ(overflow, 0);
        const Dez64 a64 = val<Dez64>(c.a);
        const Dez64 b64 = val<Dez64>(c.b);
        auto r64 = own(AR_Dez64Add(&a64, &b64, &overflow));
        EXPECT_EQ(repr(r64.get()), c.want) << c.a << " + " << c.b << " (64)";
    }
}

TEST(Arithmetic, SubtractionExamples) {
    const BinaryCase cases[] = {
        {"0", "7.25", "-725 s2"}, {"7.25", "0", "+725 s2"},   {"1.5", "1.5", "+ s0"},
        {"1", "-1", "+2 s0"},     {"-1", "1", "-2 s0"},       {"0.01", "0.1", "-09 s2"},
        {"0", "0", "+ s0"},       {"5", "0.005", "+4995 s3"},
    };
    for (const auto& c : cases) {
        const Dez32 a = val<Dez32>(c.a);
        const Dez32 b = val<Dez32>(c.b);
        int32_t overflow = -7;
        auto r = own(AR_Dez32Sub(&a, &b, &overflow));
        EXPECT_EQ(repr(r.get()), c.want) << c.a << " - " << c.b;
        EXPECT_EQ(overflow, 0);
        const Dez64 a64 = val<Dez64>(c.a);
        const Dez64 b64 = val<Dez64>(c.b);
        auto r64 = own(AR_Dez64Sub(&a64, &b64, &overflow));
        EXPECT_EQ(repr(r64.get()), c.want) << c.a << " - " << c.b << " (64)";
    }
}

TEST(Arithmetic, CountedZeroFromRoundingTakesPartInSums) {
    const Dez32 small = val<Dez32>("0.004");
    auto zero = own(AR_Dez32Round(&small, 2));
    EXPECT_EQ(repr(zero.get()), "+00 s2");
    auto diff = own(AR_Dez32Sub(zero.get(), &small, nullptr));
    EXPECT_EQ(repr(diff.get()), "-004 s3");
    const Dez32 minusFive = val<Dez32>("-5");
    auto sum = own(AR_Dez32Add(zero.get(), &minusFive, nullptr));
    EXPECT_EQ(repr(sum.get()), "-500 s2");
    // A zero b returns a copy of a; a zero a returns b inverted, a counted zero b included.
    const Dez32 plainZero = val<Dez32>("0");
    auto inverted = own(AR_Dez32Sub(&plainZero, zero.get(), nullptr));
    EXPECT_EQ(repr(inverted.get()), "-00 s2");
    auto same = own(AR_Dez32Add(&plainZero, zero.get(), nullptr));
    EXPECT_EQ(repr(same.get()), "+00 s2");
}

TEST(Arithmetic, AdditionOverflowAndLimits) {
    Dez32 nines = val<Dez32>(std::string(32, '9'));
    const Dez32 one = val<Dez32>("1");
    int32_t overflow = 0;
    auto r = own(AR_Dez32Add(&nines, &one, &overflow));
    EXPECT_EQ(overflow, 1);
    EXPECT_EQ(repr(r.get()), "+ s0"); // the sum without its lost top digit
    EXPECT_EQ(AR_Dez32Inc(&nines, &one), 1);
    EXPECT_EQ(repr(&nines), "+" + std::string(32, '9') + " s0"); // accumulator unchanged

    // 31 nines + 1 still fits.
    const Dez32 nines31 = val<Dez32>(std::string(31, '9'));
    auto fits = own(AR_Dez32Add(&nines31, &one, &overflow));
    EXPECT_EQ(overflow, 0);
    EXPECT_EQ(repr(fits.get()), "+1" + std::string(31, '0') + " s0");

    // Aligned operands that need more than 32 digits fail instead of writing past the cell.
    const Dez32 big = val<Dez32>("1" + std::string(31, '0'));
    const Dez32 tenth = val<Dez32>("0.1");
    EXPECT_EQ(AR_Dez32Add(&big, &tenth, &overflow), nullptr);
    EXPECT_EQ(AR_Dez32Sub(&big, &tenth, &overflow), nullptr);
    Dez32 acc = big;
    EXPECT_EQ(AR_Dez32Inc(&acc, &tenth), 1);
    EXPECT_EQ(std::memcmp(&acc, &big, sizeof acc), 0);
    // A comparison of such operands is still answered correctly.
    EXPECT_EQ(AR_Dez32Compare(&big, &tenth), 1);
    EXPECT_EQ(AR_Dez32Compare(&tenth, &big), -1);

    const Dez64 nines64 = val<Dez64>(std::string(64, '9'));
    const Dez64 one64 = val<Dez64>("1");
    auto r64 = own(AR_Dez64Add(&nines64, &one64, &overflow));
    EXPECT_EQ(overflow, 1);
}

TEST(Arithmetic, Accumulation) {
    Dez32 acc = val<Dez32>("0");
    const char* addends[] = {"1.25", "-0.25", "100", "0.001"};
    for (const char* a : addends) {
        const Dez32 x = val<Dez32>(a);
        EXPECT_EQ(AR_Dez32Inc(&acc, &x), 0);
    }
    EXPECT_EQ(repr(&acc), "+101001 s3");
    Dez64 acc64 = val<Dez64>("-1");
    const Dez64 x64 = val<Dez64>("1");
    EXPECT_EQ(AR_Dez64Inc(&acc64, &x64), 0);
    EXPECT_EQ(repr(&acc64), "+ s0");
    EXPECT_EQ(AR_Dez32Inc(nullptr, &acc), 1);
    EXPECT_EQ(AR_Dez32Inc(&acc, nullptr), 1);
}

TEST(Arithmetic, MultiplicationExamples) {
    const BinaryCase cases[] = {
        {"1.95583", "100.00", "+1955830000 s7"},
        {"-2", "3", "-6 s0"},
        {"0", "-3", "+ s0"},
        {"-0.5", "-0.5", "+25 s2"},
        {"0.01", "0.01", "+0001 s4"},
        {"0.00", "5", "+ s0"},
        {"99999999999999999999999999999999", "99999999999999999999999999999999",
         "+" + std::string(31, '9') + "8" + std::string(31, '0') + "1 s0"},
    };
    for (const auto& c : cases) {
        const Dez32 a = val<Dez32>(c.a);
        const Dez32 b = val<Dez32>(c.b);
        auto r = own(AR_Dez32Mul(&a, &b));
        EXPECT_EQ(repr(r.get()), c.want) << c.a << " x " << c.b;
    }
    // A counted zero (all counted digits zero) multiplies to the plain zero.
    const Dez32 z = ref::cell<Dez32>(true, "000", 3);
    const Dez32 two = val<Dez32>("2");
    EXPECT_EQ(repr(own(AR_Dez32Mul(&z, &two)).get()), "+ s0");
}

TEST(Arithmetic, DivisionExamples) {
    struct Case {
        const char* a;
        const char* b;
        int d;
        const char* want;
    };
    const Case cases[] = {
        {"10", "3", 2, "+333 s2"},   {"-2", "3", 4, "-6666 s4"},
        {"1", "8", 5, "+12500 s5"},  {"100", "1.95583", 6, "+51129188 s6"},
        {"10", "5", 2, "+200 s2"},   {"1", "1000", 2, "+00 s2"},
        {"-1", "1000", 2, "-00 s2"}, {"0", "7", 3, "+ s0"},
        {"7", "-0.5", 0, "-14 s0"},  {"1.5", "0.25", 1, "+60 s1"},
        {"1", "3", 0, "+ s0"},       {"2", "3", 0, "+ s0"},
    };
    for (const auto& c : cases) {
        const Dez32 a = val<Dez32>(c.a);
        const Dez32 b = val<Dez32>(c.b);
        auto r = own(AR_Dez32Div(&a, &b, c.d));
        EXPECT_EQ(repr(r.get()), c.want) << c.a << " / " << c.b << " d=" << c.d;
    }
    const Dez32 a = val<Dez32>("5");
    const Dez32 zero = val<Dez32>("0");
    const Dez32 countedZero = ref::cell<Dez32>(false, "00", 2);
    EXPECT_EQ(AR_Dez32Div(&a, &zero, 2), nullptr);
    EXPECT_EQ(AR_Dez32Div(&a, &countedZero, 2), nullptr);
    EXPECT_EQ(AR_Dez32Div(&a, &a, -1), nullptr);
    // Quotients of more than 64 digits fail.
    const Dez32 big = val<Dez32>(std::string(32, '9'));
    const Dez32 tiny = val<Dez32>("0." + std::string(31, '0') + "1");
    EXPECT_EQ(AR_Dez32Div(&big, &tiny, 1), nullptr);
    auto fits = own(AR_Dez32Div(&big, &tiny, 0));
    ASSERT_NE(fits, nullptr);
    EXPECT_EQ(fits->count, 64);
}

TEST(Arithmetic, RoundingExamples) {
    struct Case {
        const char* v;
        int d;
        const char* want;
    };
    const Case cases[] = {
        {"2.345", 2, "+235 s2"}, {"-2.345", 2, "-235 s2"}, {"0.9996", 3, "+1000 s3"},
        {"12.5", 0, "+13 s0"},   {"2.5", 0, "+3 s0"},      {"-2.5", 0, "-3 s0"},
        {"2.4999", 0, "+2 s0"},  {"0.004", 1, "+0 s1"},    {"0.004", 2, "+00 s2"},
        {"-0.004", 2, "-00 s2"}, {"0.004", 0, "+ s0"},     {"-0.004", 0, "- s0"},
        {"0.5", 0, "+1 s0"},     {"1.23", 5, "+123 s2"},   {"9.995", 2, "+1000 s2"},
        {"-99.5", 0, "-100 s0"}, {"0.05", 1, "+1 s1"},
    };
    for (const auto& c : cases) {
        const Dez32 v = val<Dez32>(c.v);
        EXPECT_EQ(repr(own(AR_Dez32Round(&v, c.d)).get()), c.want) << c.v << " to " << c.d;
        const Dez64 v64 = val<Dez64>(c.v);
        EXPECT_EQ(repr(own(AR_Dez64Round(&v64, c.d)).get()), c.want) << c.v << " to " << c.d;
    }
    // A count below the scale minus d gives the zero, sign kept.
    const Dez32 odd = ref::cell<Dez32>(true, "5", 4);
    EXPECT_EQ(repr(own(AR_Dez32Round(&odd, 1)).get()), "- s0");
    EXPECT_EQ(AR_Dez32Round(&odd, -1), nullptr);
}

TEST(Arithmetic, TruncationExamples) {
    struct Case {
        const char* v;
        int d;
        const char* want;
    };
    const Case cases[] = {
        {"2.999", 2, "+299 s2"}, {"-2.999", 2, "-299 s2"}, {"0.0049", 2, "+00 s2"},
        {"-0.5", 0, "- s0"},     {"7", 3, "+7 s0"},        {"123.456", 0, "+123 s0"},
    };
    for (const auto& c : cases) {
        const Dez32 v = val<Dez32>(c.v);
        EXPECT_EQ(repr(own(AR_Dez32Trunc(&v, c.d)).get()), c.want) << c.v << " to " << c.d;
        const Dez64 v64 = val<Dez64>(c.v);
        EXPECT_EQ(repr(own(AR_Dez64Trunc(&v64, c.d)).get()), c.want) << c.v << " to " << c.d;
    }
}

TEST(Arithmetic, PowerOfTenShifts) {
    const Dez32 v = val<Dez32>("1.23");
    EXPECT_EQ(repr(own(AR_Dez32Mul_Nmal10(&v, 1)).get()), "+123 s1");
    EXPECT_EQ(repr(own(AR_Dez32Mul_Nmal10(&v, 3)).get()), "+1230 s0");
    EXPECT_EQ(repr(own(AR_Dez32Mul_Nmal10(&v, 0)).get()), "+123 s2");
    const Dez32 five = val<Dez32>("5");
    EXPECT_EQ(repr(own(AR_Dez32Div_Nmal10(&five, 3)).get()), "+005 s3");
    EXPECT_EQ(repr(own(AR_Dez32Div_Nmal10(&v, 1)).get()), "+123 s3");
    const Dez32 zero = val<Dez32>("0");
    EXPECT_EQ(repr(own(AR_Dez32Mul_Nmal10(&zero, 5)).get()), "+ s0");
    EXPECT_EQ(repr(own(AR_Dez32Div_Nmal10(&zero, 5)).get()), "+ s0");
    // Limits: 32 (64) digits and scale 32 (64).
    const Dez32 wide = val<Dez32>(std::string(30, '7'));
    EXPECT_NE(own(AR_Dez32Mul_Nmal10(&wide, 2)), nullptr);
    EXPECT_EQ(AR_Dez32Mul_Nmal10(&wide, 3), nullptr);
    EXPECT_NE(own(AR_Dez32Div_Nmal10(&five, 32)), nullptr);
    EXPECT_EQ(AR_Dez32Div_Nmal10(&five, 33), nullptr);
    const Dez64 five64 = val<Dez64>("5");
    EXPECT_NE(own(AR_Dez64Div_Nmal10(&five64, 64)), nullptr);
    EXPECT_EQ(AR_Dez64Div_Nmal10(&five64, 65), nullptr);
    EXPECT_NE(own(AR_Dez64Mul_Nmal10(&five64, 63)), nullptr);
    EXPECT_EQ(AR_Dez64Mul_Nmal10(&five64, 64), nullptr);
    EXPECT_EQ(AR_Dez32Mul_Nmal10(&five, -1), nullptr);
    EXPECT_EQ(AR_Dez32Mul_Nmal10(&five, INT32_MAX), nullptr);
    EXPECT_EQ(AR_Dez32Div_Nmal10(&five, INT32_MAX), nullptr);
}

TEST(Arithmetic, Comparison) {
    struct Case {
        const char* a;
        const char* b;
        int want;
    };
    const Case cases[] = {
        {"1.50", "1.5", 0}, {"-3", "2", -1},   {"-3", "-2", -1},    {"2", "-3", 1},
        {"0", "0.00", 0},   {"0.001", "0", 1}, {"-0.001", "0", -1}, {"10", "9.999", 1},
    };
    for (const auto& c : cases) {
        const Dez32 a = val<Dez32>(c.a);
        const Dez32 b = val<Dez32>(c.b);
        EXPECT_EQ(AR_Dez32Compare(&a, &b), c.want) << c.a << " ? " << c.b;
        const Dez64 a64 = val<Dez64>(c.a);
        const Dez64 b64 = val<Dez64>(c.b);
        EXPECT_EQ(AR_Dez64Compare(&a64, &b64), c.want) << c.a << " ? " << c.b;
    }
    // A negative zero left by rounding equals every other zero.
    const Dez32 negZero = ref::cell<Dez32>(true, "00", 2);
    const Dez32 zero = val<Dez32>("0");
    EXPECT_EQ(AR_Dez32Compare(&negZero, &zero), 0);
    EXPECT_EQ(AR_Dez32Compare(&zero, &negZero), 0);
    EXPECT_EQ(AR_Dez32Compare(nullptr, &zero), -1);
    EXPECT_EQ(AR_Dez32Compare(&zero, nullptr), -1);
}

TEST(Arithmetic, Inversion) {
    Dez32 zero = val<Dez32>("0.00");
    const Dez32 before = zero;
    EXPECT_EQ(AR_Invert32_(&zero), &zero);
    EXPECT_EQ(zero.sign, 0xFF);
    AR_Invert32_(&zero);
    EXPECT_EQ(std::memcmp(&zero, &before, sizeof zero), 0);
    Dez64 v = val<Dez64>("-4.5");
    AR_Invert64_(&v);
    EXPECT_EQ(repr(&v), "+45 s1");
    EXPECT_EQ(AR_Invert32_(nullptr), nullptr);
}

TEST(Arithmetic, NullArgumentsGiveNull) {
    const Dez32 a = val<Dez32>("1");
    const Dez64 a64 = val<Dez64>("1");
    int32_t flag = 0;
    EXPECT_EQ(AR_Dez32Add(nullptr, &a, &flag), nullptr);
    EXPECT_EQ(AR_Dez64Add(&a64, nullptr, &flag), nullptr);
    EXPECT_EQ(AR_Dez32Sub(&a, nullptr, &flag), nullptr);
    EXPECT_EQ(AR_Dez64Sub(nullptr, &a64, &flag), nullptr);
    EXPECT_EQ(AR_Dez32Mul(nullptr, &a), nullptr);
    EXPECT_EQ(AR_Dez32Div(&a, nullptr, 2), nullptr);
    EXPECT_EQ(AR_Dez32Round(nullptr, 2), nullptr);
    EXPECT_EQ(AR_Dez64Trunc(nullptr, 2), nullptr);
    EXPECT_EQ(AR_Dez64Mul_Nmal10(nullptr, 2), nullptr);
    EXPECT_EQ(AR_Dez64Div_Nmal10(nullptr, 2), nullptr);
}

TEST(DigitStrings, CompareAndShift) {
    const uint8_t l[] = {1, 2, 3};
    const uint8_t r[] = {2, 2, 3};
    EXPECT_EQ(AR_CompareDigits(l, r, 3), -1);
    EXPECT_EQ(AR_CompareDigits(r, l, 3), 1);
    EXPECT_EQ(AR_CompareDigits(l, l, 3), 0);
    EXPECT_EQ(AR_CompareDigits(l, r, 0), 0);
    EXPECT_EQ(AR_CompareDigits(nullptr, r, 3), -1);
    uint8_t d[8] = {1, 2, 3, 0, 0, 0, 0, 0};
    EXPECT_EQ(AR_ShiftLeft(d, 3, 2), d);
    const uint8_t want[8] = {0, 0, 1, 2, 3, 0, 0, 0};
    EXPECT_EQ(std::memcmp(d, want, sizeof d), 0);
    EXPECT_EQ(AR_ShiftLeft(nullptr, 3, 2), nullptr);
}

template <class U> U digits(const std::string& msd) {
    U u{};
    u.count = static_cast<uint8_t>(msd.size());
    for (size_t i = 0; i < msd.size(); ++i) {
        u.digits[i] = static_cast<uint8_t>(msd[msd.size() - 1 - i] - '0');
    }
    return u;
}

template <class U> std::string text(const U* u) {
    std::string s;
    for (int i = u->count; i-- > 0;) {
        s += static_cast<char>('0' + u->digits[i]);
    }
    return s;
}

TEST(DigitStrings, AddAndSubtract) {
    struct Case {
        std::string p;
        std::string q;
        std::string sum;
        int overflow;
        std::string diff;
        int sign;
    };
    const Case cases[] = {
        {"", "123", "123", -5, "123", -1},
        {"123", "", "123", -5, "123", 0},
        {"", "", "", -5, "", 0},
        {"999", "1", "1000", 0, "998", 0},
        {"1", "999", "1000", 0, "998", -1},
        {"500", "500", "1000", 0, "", 0},
        {std::string(32, '9'), "1", std::string(32, '0'), 1, std::string(31, '9') + "8", 0},
    };
    for (const auto& c : cases) {
        const auto p = digits<UIntDez32>(c.p);
        const auto q = digits<UIntDez32>(c.q);
        int32_t flag = -5;
        auto s = own(AR_UINTDez32Add(&p, &q, &flag));
        ASSERT_NE(s, nullptr);
        const std::string sum = c.overflow == 1 ? "" : c.sum; // all 32 digits lost to zero
        EXPECT_EQ(text(s.get()), sum) << c.p << " + " << c.q;
        EXPECT_EQ(flag, c.overflow) << c.p << " + " << c.q;
        int32_t sign = 7;
        auto d = own(AR_UINTDez32Sub(&p, &q, &sign));
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(text(d.get()), c.diff) << c.p << " - " << c.q;
        EXPECT_EQ(sign, c.sign) << c.p << " - " << c.q;
    }
    const auto nines = digits<UIntDez64>(std::string(64, '9'));
    const auto one = digits<UIntDez64>("1");
    int32_t flag = 0;
    auto s = own(AR_UINTDez64Add(&nines, &one, &flag));
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(AR_UINTDez64Sub(nullptr, &one, &flag), nullptr);
}

TEST(DigitStrings, CellConversions) {
    const Dez32 v = ref::cell<Dez32>(true, "0012345", 3);
    auto u = own(AR_Dez32_UIntDez32(&v));
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(text(u.get()), "12345");
    auto back = own(AR_UIntDez32_Dez32(u.get()));
    EXPECT_EQ(repr(back.get()), "+12345 s0");
    const Dez64 zero = ref::cell<Dez64>(true, "000", 3);
    auto u64 = own(AR_Dez64_UIntDez64(&zero));
    EXPECT_EQ(u64->count, 0);
    auto back64 = own(AR_UIntDez64_Dez64(u64.get()));
    EXPECT_EQ(repr(back64.get()), "+ s0");
    EXPECT_EQ(AR_Dez32_UIntDez32(nullptr), nullptr);
    EXPECT_EQ(AR_UIntDez64_Dez64(nullptr), nullptr);
}

TEST(DigitStrings, DamagedCountsStayInsideTheCell) {
    // A count above the width is read as the width: no access past the digits.
    Dez32 v = val<Dez32>("1");
    v.count = 200;
    auto u = own(AR_Dez32_UIntDez32(&v));
    ASSERT_NE(u, nullptr);
    EXPECT_LE(u->count, 32);
    auto r = own(AR_Dez32Round(&v, 0));
    auto s = own(AR_Dez32Add(&v, &v, nullptr));
    EXPECT_NE(s, nullptr);
    UIntDez32 p = digits<UIntDez32>("5");
    p.count = 255;
    auto sum = own(AR_UINTDez32Add(&p, &p, nullptr));
    ASSERT_NE(sum, nullptr);
    EXPECT_EQ(text(sum.get()), "10");
}

} // namespace
