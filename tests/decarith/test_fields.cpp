// SPDX-License-Identifier: Apache-2.0
// Field texts, decimal text, cell widths: worked examples and randomised read and write.
#include "helpers.h"

using ref::Big;
using ref::Num;
using th::own;
using th::repr;
using th::val;

namespace {

struct Format {
    const char* name;
    int n;    // integer digits
    int m;    // decimals
    int size; // block allocated when written
    Dez32* (*read32)(const char*);
    Dez64* (*read64)(const char*);
    char* (*write32)(const Dez32*);
    char* (*write64)(const Dez64*);
};

#define FORMAT(NAME, N, M, SIZE)                                                                   \
    Format {                                                                                       \
#NAME, N, M, SIZE, AR_Dez##NAME##_Dez32, AR_Dez##NAME##_Dez64, AR_Dez32_Dez##NAME,         \
            AR_Dez64_Dez##NAME                                                                     \
    }

const Format kFormats[] = {
    FORMAT(15p0, 15, 0, 18), FORMAT(14p1, 14, 1, 18), FORMAT(13p2, 13, 2, 18),
    FORMAT(12p3, 12, 3, 18), FORMAT(11p4, 11, 4, 18), FORMAT(10p5, 10, 5, 18),
    FORMAT(9p6, 9, 6, 18),   FORMAT(4p7, 4, 7, 14),   FORMAT(5p0, 5, 0, 8),
    FORMAT(2p5, 2, 5, 10),   FORMAT(1p6, 1, 6, 10),
};

const Format& format(const std::string& name) {
    for (const auto& f : kFormats) {
        if (name == f.name) {
            return f;
        }
    }
    throw std::logic_error("no format " + name);
}

std::string written(const Format& f, const Dez32& v) {
    auto out = own(f.write32(&v));
    return out ? std::string(out.get()) : "null";
}

TEST(Fields, ReadExamples) {
    struct Case {
        const char* format;
        const char* text;
        const char* want;
    };
    const Case cases[] = {
        {"13p2", "+000000000000000", "+ s0"},
        {"13p2", "-000000000000000", "+ s0"},
        {"13p2", "+000000000000005", "+05 s2"},
        {"1p6", "+0000001", "+000001 s6"},
        {"13p2", " 000000000012345", "-12345 s2"},
        {"13p2", "-000000000001250", "-1250 s2"},
        {"4p7", "+00019558300", "+19558300 s7"},
        {"15p0", "+000000000000042", "+42 s0"},
        {"13p2", "+       12345678", "+12345678 s2"}, // leading blanks end the number
        {"13p2", "+12345678 000001", "+01 s2"},       // so does a blank inside it
        {"13p2", "+00000000000000 ", "+ s0"},         // nothing read at all
        {"5p0", "x00007", "-7 s0"},                   // any sign but "+" is negative
        {"2p5", "+9912345", "+9912345 s5"},
        {"1p6", "-9999999", "-9999999 s6"},
    };
    for (const auto& c : cases) {
        const Format& f = format(c.format);
        EXPECT_EQ(repr(own(f.read32(c.text)).get()), c.want) << c.format << " " << c.text;
        EXPECT_EQ(repr(own(f.read64(c.text)).get()), c.want) << c.format << " " << c.text;
    }
    for (const auto& f : kFormats) {
        EXPECT_EQ(f.read32(nullptr), nullptr);
        EXPECT_EQ(f.read64(nullptr), nullptr);
        EXPECT_EQ(f.write32(nullptr), nullptr);
        EXPECT_EQ(f.write64(nullptr), nullptr);
    }
}

TEST(Fields, WriteExamples) {
    struct Case {
        const char* format;
        const char* value;
        const char* want;
    };
    const Case cases[] = {
        {"4p7", "1.95583", "+00019558300"},
        {"13p2", "-12.5", "-000000000001250"},
        {"15p0", "0", "+000000000000000"},
        {"13p2", "12345678901234", "null"},
        {"13p2", "1234567890123.456", "+123456789012346"},
        {"4p7", "2", "+00020000000"},
        {"13p2", "-0.004", "-000000000000000"},
        {"13p2", "9999999999999.99", "+999999999999999"},
        {"13p2", "9999999999999.995", "null"}, // rounding up adds a 14th integer digit
        {"13p2", "0.005", "+000000000000001"},
        {"13p2", "-0.005", "-000000000000001"},
        {"15p0", "-2.5", "-000000000000003"},
        {"1p6", "0.0000005", "+0000001"},
        {"1p6", "9.9999995", "null"},
        {"5p0", "99999", "+99999"},
        {"5p0", "100000", "null"},
        {"2p5", "-12.345678", "-1234568"},
        {"9p6", "123456789.123456", "+123456789123456"},
    };
    for (const auto& c : cases) {
        const Format& f = format(c.format);
        const Dez32 v = val<Dez32>(c.value);
        EXPECT_EQ(written(f, v), c.want) << c.format << " " << c.value;
        const Dez64 v64 = val<Dez64>(c.value);
        auto out = own(f.write64(&v64));
        EXPECT_EQ(out ? std::string(out.get()) : "null", c.want) << c.format << " " << c.value;
    }
}

TEST(Fields, WrittenBlockHasItsSlotSizeAndTrailingZeros) {
    for (const auto& f : kFormats) {
        const Dez32 v = val<Dez32>("-1");
        auto out = own(f.write32(&v));
        ASSERT_NE(out, nullptr) << f.name;
        const int chars = 1 + f.n + f.m;
        EXPECT_EQ(static_cast<int>(std::strlen(out.get())), chars) << f.name;
        for (int i = chars; i < f.size; ++i) { // every byte of the slot is inside the block
            EXPECT_EQ(out.get()[i], '\0') << f.name;
        }
    }
}

TEST(Fields, CountedZerosAboveTheValueDoNotCountAsIntegerDigits) {
    // 5 with 15 counted digits still fits 15p0, and 0.00 with extra counted zeros fits 1p6.
    const Dez32 v = ref::cell<Dez32>(false, "000000000000005", 0);
    EXPECT_EQ(written(format("5p0"), v), "+00005");
    const Dez32 z = ref::cell<Dez32>(true, "00000", 2);
    EXPECT_EQ(written(format("1p6"), z), "-0000000");
}

// The test's own reading of a field: the run of digits at its end, before any other character,
// as the cell a reader must produce.
template <class C> C expectedRead(const std::string& text, int m) {
    size_t first = text.size();
    while (first > 1 && text[first - 1] >= '0' && text[first - 1] <= '9') {
        --first;
    }
    std::string digits = text.substr(first);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.empty()) {
        return ref::cell<C>(false, "", 0);
    }
    if (static_cast<int>(digits.size()) < m) {
        digits.insert(0, static_cast<size_t>(m) - digits.size(), '0');
    }
    return ref::cell<C>(text[0] != '+', digits, m);
}

TEST(RandomFields, ReadEveryFormat) {
    std::mt19937_64 rng(801);
    const char signs[] = {'+', '+', '-', '-', ' ', 'x'};
    for (const auto& f : kFormats) {
        for (int i = 0; i < 100000; ++i) {
            std::string text(1, signs[rng() % sizeof signs]);
            const int width = f.n + f.m;
            const int kind = static_cast<int>(rng() % 8);
            const int blanks = static_cast<int>(rng() % static_cast<uint64_t>(width + 1));
            const int zeros = width - static_cast<int>(rng() % 4);
            for (int k = 0; k < width; ++k) {
                char c = static_cast<char>('0' + rng() % 10);
                if (kind == 0 && k < blanks) {
                    c = ' '; // leading blanks
                } else if (kind == 1 && k < zeros) {
                    c = '0'; // small values
                } else if (kind == 2 && rng() % 12 == 0) {
                    c = "x.-+"[rng() % 4]; // stray characters
                }
                text += c;
            }
            const Dez32 want32 = expectedRead<Dez32>(text, f.m);
            const Dez64 want64 = expectedRead<Dez64>(text, f.m);
            auto r32 = own(f.read32(text.c_str()));
            auto r64 = own(f.read64(text.c_str()));
            ASSERT_NE(r32, nullptr);
            ASSERT_NE(r64, nullptr);
            EXPECT_EQ(std::memcmp(r32.get(), &want32, sizeof want32), 0)
                << f.name << " '" << text << "' gave " << repr(r32.get()) << ", not "
                << repr(&want32);
            EXPECT_EQ(std::memcmp(r64.get(), &want64, sizeof want64), 0)
                << f.name << " '" << text << "' gave " << repr(r64.get()) << ", not "
                << repr(&want64);
        }
    }
}

// The test's own writing, on decimal text: round half away from zero to m decimals, then the
// sign and the zero-padded digits; "null" when the integer part does not fit.
std::string expectedWrite(std::string digits, int scale, bool negByte, const Format& f) {
    if (scale > f.m) {
        const size_t drop = static_cast<size_t>(scale - f.m);
        const bool up = digits.size() >= drop && digits[digits.size() - drop] >= '5';
        digits.resize(digits.size() > drop ? digits.size() - drop : 0);
        if (up) {
            size_t i = digits.size();
            while (i > 0 && digits[i - 1] == '9') {
                digits[--i] = '0';
            }
            if (i == 0) {
                digits.insert(digits.begin(), '1');
            } else {
                ++digits[i - 1];
            }
        }
    } else {
        digits.append(static_cast<size_t>(f.m - scale), '0');
    }
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (static_cast<int>(digits.size()) > f.n + f.m) {
        return "null";
    }
    return std::string(negByte ? "-" : "+") +
           std::string(static_cast<size_t>(f.n + f.m) - digits.size(), '0') + digits;
}

// 50 000 cases per format and cell width: 100 000 writes of every format.
template <class C> void randomWrite(uint64_t seed, int width) {
    std::mt19937_64 rng(seed);
    for (const auto& f : kFormats) {
        for (int i = 0; i < 50000; ++i) {
            // Values around the format's range, scales up to 10 (or fewer digits).
            const int scale = static_cast<int>(rng() % 11);
            const int intDigits = static_cast<int>(rng() % static_cast<uint64_t>(f.n + 3));
            Num v = ref::randomNum(rng, std::min(width, intDigits + scale), scale);
            if (rng() % 5 == 0) { // exactly at the top of the range, to exercise carries
                v.mag = Big::pow10(f.n + v.scale) - Big::fromString("1");
                if (rng() % 2 == 0 && v.scale > f.m) {
                    v.mag = v.mag - Big::fromString(std::to_string(rng() % 10));
                }
            }
            if (v.mag.digits() > width) {
                continue;
            }
            C c = ref::normal<C>(v);
            if (v.mag.zero() && rng() % 2 == 0) { // a counted zero with either sign
                c = ref::cell<C>(rng() % 2 == 0, std::string(static_cast<size_t>(v.scale), '0'),
                                 v.scale);
            }
            const ref::CellView cv = ref::view(&c);
            const std::string want = expectedWrite(cv.digits, cv.scale, c.sign != 0, f);
            char* out = nullptr;
            if constexpr (sizeof(C) == sizeof(Dez32)) {
                out = f.write32(&c);
            } else {
                out = f.write64(&c);
            }
            auto owned = own(out);
            const char* got = owned ? owned.get() : "null";
            EXPECT_STREQ(got, want.c_str()) << f.name << " " << th::repr(&c);
        }
    }
}

TEST(RandomFields, WriteEveryFormat32) {
    randomWrite<Dez32>(901, 32);
}
TEST(RandomFields, WriteEveryFormat64) {
    randomWrite<Dez64>(902, 64);
}

TEST(RandomFields, WrittenFieldsReadBack) {
    std::mt19937_64 rng(903);
    for (const auto& f : kFormats) {
        for (int i = 0; i < 20000; ++i) {
            const Num v = ref::randomNum(rng, f.n + f.m, f.m);
            if (v.mag.digits() - v.scale > f.n) {
                continue;
            }
            const Dez64 c = ref::normal<Dez64>(v);
            auto text = own(f.write64(&c));
            ASSERT_NE(text, nullptr);
            auto back = own(f.read64(text.get()));
            ASSERT_NE(back, nullptr);
            EXPECT_EQ(AR_Dez64Compare(back.get(), &c), 0) << f.name << " " << text.get();
        }
    }
}

TEST(Text, Examples) {
    struct Case {
        const char* text;
        const char* want;
    };
    const Case cases[] = {
        {"-1234.50", "-123450 s2"},
        {"1234.56", "+123456 s2"},
        {"+0.05", "+05 s2"},
        {"05.25", "+525 s2"}, // the integer digit after a leading zero is kept
        {"007", "+7 s0"},
        {"0", "+ s0"},
        {"-0.00", "+ s0"},
        {"", "+ s0"},
        {"1 234,5", "+12345 s0"}, // other characters are skipped
        {"12-34", "-34 s0"},      // a sign ends the walk
        {"x+12", "+12 s0"},
        {"1.5  ", "+015 s3"}, // every character right of the point counts for the scale
        {"0.000001", "+000001 s6"},
        {"99999999999999999999999999999999", "+99999999999999999999999999999999 s0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(repr(own(AR_Asci_Dez32(c.text)).get()), c.want) << c.text;
        EXPECT_EQ(repr(own(AR_Asci_Dez64(c.text)).get()), c.want) << c.text;
    }
    EXPECT_EQ(AR_Asci_Dez32(nullptr), nullptr);
    EXPECT_EQ(AR_Asci_Dez64(nullptr), nullptr);
    // More digits than the cell holds fail; leading zeros beyond it do not matter.
    EXPECT_EQ(AR_Asci_Dez32(("1" + std::string(32, '0')).c_str()), nullptr);
    EXPECT_NE(own(AR_Asci_Dez64(("1" + std::string(32, '0')).c_str())), nullptr);
    EXPECT_EQ(repr(own(AR_Asci_Dez32((std::string(40, '0') + "12").c_str())).get()), "+12 s0");
    EXPECT_EQ(AR_Asci_Dez32(("0." + std::string(40, '0') + "1").c_str()), nullptr);
}

TEST(RandomFields, TextReadsLikeTheTestParser) {
    std::mt19937_64 rng(904);
    for (int i = 0; i < 100000; ++i) {
        const Num v = ref::randomNum(rng, 28, 12);
        std::string text = ref::show(v);
        if (rng() % 4 == 0 && !text.empty() && text[0] != '-') {
            text = "+" + text;
        }
        auto c32 = own(AR_Asci_Dez32(text.c_str()));
        auto c64 = own(AR_Asci_Dez64(text.c_str()));
        Num want = th::parse(text);
        if (want.mag.zero()) {
            EXPECT_EQ(repr(c32.get()), "+ s0") << text;
            EXPECT_EQ(repr(c64.get()), "+ s0") << text;
            continue;
        }
        ref::expectNormal(c32.get(), want, text);
        ref::expectNormal(c64.get(), want, text);
    }
}

TEST(Widths, Examples) {
    const Dez32 v = val<Dez32>("-123.456");
    auto wide = own(AR_Dez32_Dez64(&v));
    EXPECT_EQ(repr(wide.get()), "-123456 s3");
    auto back = own(AR_Dez64_Dez32(wide.get()));
    EXPECT_EQ(repr(back.get()), "-123456 s3");

    // 40 digits with 30 decimals round to 22 decimals.
    const Dez64 forty = val<Dez64>("1234567890.123456789012345678901234567895");
    auto n1 = own(AR_Dez64_Dez32(&forty));
    EXPECT_EQ(repr(n1.get()), "+12345678901234567890123456789012 s22");
    const Dez64 halfUp = val<Dez64>("1234567890.12345678901234567890125");
    EXPECT_EQ(repr(own(AR_Dez64_Dez32(&halfUp)).get()), "+12345678901234567890123456789013 s22");
    // 33 integer digits fail; 32 integer digits round to an integer.
    const Dez64 big = val<Dez64>("1" + std::string(32, '0'));
    EXPECT_EQ(AR_Dez64_Dez32(&big), nullptr);
    const Dez64 b32 = val<Dez64>(std::string(32, '1') + ".5");
    EXPECT_EQ(repr(own(AR_Dez64_Dez32(&b32)).get()), "+" + std::string(31, '1') + "2 s0");
    // A carry that adds a digit drops a trailing zero decimal instead of overflowing.
    const Dez64 carry = val<Dez64>("9." + std::string(40, '9'));
    EXPECT_EQ(repr(own(AR_Dez64_Dez32(&carry)).get()), "+1" + std::string(31, '0') + " s30");
    const Dez64 allNines = val<Dez64>(std::string(32, '9') + ".9");
    EXPECT_EQ(AR_Dez64_Dez32(&allNines), nullptr);
    // Counted zeros above the value are dropped rather than rounding the value.
    const Dez64 padded = ref::cell<Dez64>(false, std::string(30, '0') + "12345", 2);
    EXPECT_EQ(repr(own(AR_Dez64_Dez32(&padded)).get()), "+12345 s2");
    // A negative counted zero keeps its form.
    const Dez64 negZero = ref::cell<Dez64>(true, "00", 2);
    EXPECT_EQ(repr(own(AR_Dez64_Dez32(&negZero)).get()), "-00 s2");
    EXPECT_EQ(AR_Dez32_Dez64(nullptr), nullptr);
    EXPECT_EQ(AR_Dez64_Dez32(nullptr), nullptr);
}

TEST(RandomFields, NarrowingMatchesRounding) {
    std::mt19937_64 rng(905);
    for (int i = 0; i < 100000; ++i) {
        const Num v = ref::randomNum(rng, 64, 40);
        const Dez64 c = ref::normal<Dez64>(v);
        auto r = own(AR_Dez64_Dez32(&c));
        const int integer = std::max(0, v.mag.digits() - v.scale);
        if (c.count <= 32) {
            ASSERT_NE(r, nullptr);
            EXPECT_EQ(repr(r.get()), repr(&c));
            continue;
        }
        if (integer > 32) {
            EXPECT_EQ(r, nullptr) << repr(&c);
            continue;
        }
        // Expected: the value rounded half away from zero to 32 - integer decimals.
        const int drop = v.scale - (32 - integer);
        Big rest;
        Big q = v.mag.divPow10(drop, &rest);
        if (cmp(rest, Big::fromString("5") * Big::pow10(drop - 1)) >= 0) {
            q = q + Big::fromString("1");
        }
        int scale = 32 - integer;
        while (q.digits() > 32 && scale > 0) {
            q = q.divPow10(1);
            --scale;
        }
        if (q.digits() > 32) {
            EXPECT_EQ(r, nullptr) << repr(&c);
            continue;
        }
        ASSERT_NE(r, nullptr) << repr(&c);
        const ref::CellView got = ref::view(r.get());
        EXPECT_EQ(got.mag().str(), q.str()) << repr(&c);
        EXPECT_EQ(got.scale, scale) << repr(&c);
        EXPECT_EQ(got.sign, c.sign) << repr(&c);
        EXPECT_EQ(got.count, std::max(q.digits(), scale)) << repr(&c);
    }
}

} // namespace
