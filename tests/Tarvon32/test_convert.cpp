// SPDX-License-Identifier: Apache-2.0
// Bridge text conversions: amounts and rates to fields, fields to text, units, error texts, log.
#include "tarvon32_internal.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvon32;

namespace {

// Converts with the bridge; "REJECT" when the text is refused.
std::string Amount(const char* text) {
    char slot[kAmountSlot];
    std::memset(slot, '#', sizeof slot);
    if (!Conv_String_TO_taDez13p2(slot, text)) {
        // A refused text leaves the slot as it was.
        for (char c : slot) {
            EXPECT_EQ(c, '#');
        }
        return "REJECT";
    }
    EXPECT_EQ(slot[16], '\0');
    EXPECT_EQ(slot[17], '\0');
    return std::string(slot, 16);
}

std::string Rate(const char* text) {
    char slot[kRateSlot];
    std::memset(slot, '#', sizeof slot);
    if (!Conv_String_TO_taDez4p7(slot, text)) {
        return "REJECT";
    }
    EXPECT_EQ(slot[12], '\0');
    EXPECT_EQ(slot[13], '\0');
    return std::string(slot, 12);
}

struct TextCase {
    std::string text;
    std::string field;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << '"' << c.text << "\" -> " << c.field;
}

class AmountText : public ::testing::TestWithParam<TextCase> {};

TEST_P(AmountText, ConvertsToTaDez13p2) {
    const TextCase& c = GetParam();
    EXPECT_EQ(Amount(c.text.c_str()), c.field) << "text \"" << c.text << "\"";
    EXPECT_EQ(Check_Dez13p2(c.text.c_str()), c.field != "REJECT");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AmountText,
    ::testing::Values(
        // the third decimal rounds half up, later ones are cut
        TextCase{"12,3456", "+000000000001235"}, TextCase{"12.344", "+000000000001234"},
        TextCase{"12.3449", "+000000000001234"}, TextCase{"0,995", "+000000000000100"},
        TextCase{"-1234,5678", "-000000000123457"}, TextCase{"-0.005", "-000000000000001"},
        TextCase{"0.0049", "+000000000000000"},
        // negative zero: a minus with non-zero kept digits that round to zero
        TextCase{"-0,004", "-000000000000000"}, TextCase{"-0", "+000000000000000"},
        TextCase{"-0.0004", "+000000000000000"}, TextCase{"-0.000", "+000000000000000"},
        // the 13-digit limit, also when the rounding carries
        TextCase{"9999999999999", "+999999999999900"},
        TextCase{"9999999999999.994", "+999999999999999"},
        TextCase{"-9999999999999.994", "-999999999999999"}, TextCase{"9999999999999.995", "REJECT"},
        TextCase{"99999999999999", "REJECT"}, TextCase{"12345678901234.5", "REJECT"},
        TextCase{"00000000000000012.5", "+000000000001250"},
        // digits beyond double precision stay exact
        TextCase{"1234567890123.456", "+123456789012346"},
        TextCase{"4503599627370.497", "+450359962737050"},
        // blanks, signs, separators and what ends the number
        TextCase{"  +7", "+000000000000700"}, TextCase{"\t-7.1", "-000000000000710"},
        TextCase{".5", "+000000000000050"}, TextCase{"5.", "+000000000000500"},
        TextCase{"12abc", "+000000000001200"}, TextCase{"1.234,56", "+000000000000123"},
        TextCase{"1,2,3", "+000000000000120"}, TextCase{"1 000", "+000000000000100"},
        TextCase{"1e", "+000000000000100"}, TextCase{"1e+", "+000000000000100"},
        TextCase{"0x", "+000000000000000"}, TextCase{"0xg", "+000000000000000"},
        TextCase{"7DM", "+000000000000700"},
        // texts that hold no decimal number
        TextCase{"", "REJECT"}, TextCase{"   ", "REJECT"}, TextCase{"abc", "REJECT"},
        TextCase{"+", "REJECT"}, TextCase{"-", "REJECT"}, TextCase{".", "REJECT"},
        TextCase{"-,", "REJECT"}, TextCase{"- 5", "REJECT"}, TextCase{"+-5", "REJECT"},
        TextCase{"inf", "REJECT"}, TextCase{"-INFINITY", "REJECT"}, TextCase{"nan", "REJECT"},
        TextCase{"NAN(123)", "REJECT"}, TextCase{"0x1A", "REJECT"}, TextCase{"-0X.8", "REJECT"},
        TextCase{"0x,f", "REJECT"}, TextCase{"1e5", "REJECT"}, TextCase{"1,5E-2", "REJECT"},
        TextCase{"2e+3", "REJECT"}));

class RateText : public ::testing::TestWithParam<TextCase> {};

TEST_P(RateText, ConvertsToTaDez4p7) {
    const TextCase& c = GetParam();
    EXPECT_EQ(Rate(c.text.c_str()), c.field) << "text \"" << c.text << "\"";
    EXPECT_EQ(Check_Dez4p7(c.text.c_str()), c.field != "REJECT");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RateText,
    ::testing::Values(
        TextCase{"1,95583", "+00019558300"}, TextCase{"6.55957", "+00065595700"},
        TextCase{"1936.27", "+19362700000"}, TextCase{"6.559570049", "+00065595700"},
        TextCase{"0.123456785", "+00001234568"}, TextCase{"0.12345674999", "+00001234567"},
        TextCase{"9999.99999994", "+99999999999"}, TextCase{"9999.99999995", "REJECT"},
        TextCase{"-9999.99999994", "-99999999999"}, TextCase{"-9999.99999995", "REJECT"},
        TextCase{"12345", "REJECT"}, TextCase{"0001", "+00010000000"},
        TextCase{"-0,00000004", "-00000000000"}, TextCase{"-0.000000004", "+00000000000"},
        TextCase{" 2", "+00020000000"}, TextCase{"", "REJECT"}, TextCase{"x", "REJECT"},
        TextCase{"0x10", "REJECT"}, TextCase{"1e2", "REJECT"}));

TEST(TextLimits, LongTextsAreRefusedAndNullIsSafe) {
    const std::string fits = std::string(250, '0') + "1.5"; // 253 characters
    EXPECT_EQ(Amount(fits.c_str()), "+000000000000150");
    EXPECT_EQ(Amount((std::string(255 - 3, ' ') + "1.5").c_str()), "+000000000000150");
    EXPECT_EQ(Amount((std::string(256 - 3, ' ') + "1.5").c_str()), "REJECT");
    EXPECT_EQ(Rate((std::string(100000, '1')).c_str()), "REJECT");
    EXPECT_EQ(Amount(nullptr), "REJECT");
    EXPECT_EQ(Rate(nullptr), "REJECT");
    EXPECT_FALSE(Conv_String_TO_taDez13p2(nullptr, "1"));
    EXPECT_FALSE(Check_Dez13p2(nullptr));
    EXPECT_FALSE(Check_Dez4p7(nullptr));
}

TEST(RateUnit, ReadsLikeStrtolWithinSixteenBits) {
    const struct {
        const char* text;
        int16_t unit;
    } cases[] = {{"1", 1},         {"100", 100},
                 {"1000", 1000},   {" +100", 100},
                 {"-5", -5},       {"abc", 0},
                 {"", 0},          {"100abc", 100},
                 {"32767", 32767}, {"-32768", -32768},
                 {"32768", 0},     {"65636", 0},
                 {"65537", 0},     {"99999999999999999999", 0},
                 {"0100", 100}};
    for (const auto& c : cases) {
        int16_t unit = 12345;
        EXPECT_TRUE(Conv_String_TO_Unit(unit, c.text)) << c.text;
        EXPECT_EQ(unit, c.unit) << c.text;
    }
    int16_t unit = 7;
    EXPECT_FALSE(Conv_String_TO_Unit(unit, nullptr));
    EXPECT_FALSE(Conv_String_TO_Unit(unit, std::string(256, '1').c_str()));
    EXPECT_EQ(unit, 7);
}

TEST(FieldToText, KeepsLeadingZerosAndSkipsNonDigits) {
    char out[32];
    std::memset(out, 'x', sizeof out);
    Conv_taDez13p2_TO_String(out, "+000000000123457");
    EXPECT_STREQ(out, "+0000000001234.57");
    Conv_taDez13p2_TO_String(out, "-000000000000000");
    EXPECT_STREQ(out, "-0000000000000.00");
    Conv_taDez13p2_TO_String(out, "- 00000000123457");
    EXPECT_STREQ(out, "-000000001234.57");
    Conv_taDez15p0_TO_String(out, "+000000000001235");
    EXPECT_STREQ(out, "+000000000001235");
    Conv_taDez15p0_TO_String(out, "+0000000000012 5");
    EXPECT_STREQ(out, "+00000000000125");
    Conv_taDez15p0_TO_String(nullptr, "+000000000001235"); // nothing happens
    Conv_taDez13p2_TO_String(out, nullptr);
    EXPECT_STREQ(out, "+00000000000125");
}

TEST(DateText, CopiesExactlyEightCharacters) {
    char slot[9] = "########";
    Conv_String_TO_tDate(slot, "2002011");
    Conv_String_TO_tDate(slot, "200201150");
    Conv_String_TO_tDate(slot, nullptr);
    EXPECT_STREQ(slot, "########");
    Conv_String_TO_tDate(slot, "20020115");
    EXPECT_STREQ(slot, "20020115");
}

TEST(ReplaceCharTest, ReplacesEveryOccurrence) {
    char text[] = "1,2,,3";
    ReplaceChar(text, ',', '.');
    EXPECT_STREQ(text, "1.2..3");
    ReplaceChar(nullptr, ',', '.');
}

TEST(ErrorText, CopiesLikeStrncpyAndKeepsTheLastCharacter) {
    // 10 characters: 9 of the message, the tenth and the NUL unchanged
    char small[] = "abcdefghij";
    CopyErrorText(small, kMsg01);
    EXPECT_EQ(std::string(small, 11), std::string("01 Not enj") + '\0');

    // 66 blanks and a blank message: " " then zero bytes, the 66th blank stays
    std::string big(66, ' ');
    CopyErrorText(big.data(), " ");
    EXPECT_EQ(big[0], ' ');
    for (int i = 1; i < 65; ++i) {
        EXPECT_EQ(big[i], '\0') << i;
    }
    EXPECT_EQ(big[65], ' ');
    EXPECT_STREQ(big.c_str(), " ");

    char one[] = "x";
    CopyErrorText(one, kMsg02);
    EXPECT_STREQ(one, "x");
}

TEST(ErrorText, BufferCapacityRules) {
    char one[] = "x";
    EXPECT_EQ(Check_ErrorBuffer(one), 403);
    EXPECT_STREQ(one, "x");
    char empty[] = "";
    EXPECT_EQ(Check_ErrorBuffer(empty), 403);
    EXPECT_EQ(Check_ErrorBuffer(nullptr), 403);
    char two[] = "xy";
    EXPECT_EQ(Check_ErrorBuffer(two), 444);
    EXPECT_STREQ(two, "0y");
    std::string b65(65, ' ');
    EXPECT_EQ(Check_ErrorBuffer(b65.data()), 444);
    EXPECT_EQ(b65.substr(0, 37), kMsg01);
    std::string b66(66, ' ');
    EXPECT_EQ(Check_ErrorBuffer(b66.data()), 0);
    EXPECT_EQ(b66, std::string(66, ' '));
}

// ---- Randomised comparison with a reference of the text rules ---------------------------

// Reference: rounds the decimal digit string `digits` (integer and kept decimals, the last
// kept decimal deciding) by string arithmetic; "" when the result exceeds `width` digits.
std::string RoundDigits(std::string digits, std::size_t width) {
    const bool up = digits.back() >= '5';
    digits.pop_back();
    if (up) {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') {
            digits[--i] = '0';
        }
        if (i == 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[i - 1];
        }
    }
    const std::size_t first = digits.find_first_not_of('0');
    const std::string significant = first == std::string::npos ? "" : digits.substr(first);
    if (significant.size() > width) {
        return "";
    }
    return std::string(width - significant.size(), '0') + significant;
}

struct Generated {
    std::string text;
    std::string expected; // field text or "REJECT"
};

// Builds a random text from parts and derives the expected field from the parts.
Generated Generate(std::mt19937_64& rng, int intMax, int fracMax, int intLimit, int decimals) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::string text;
    for (int i = pick(0, 3); i > 0; --i) {
        text += pick(0, 3) == 0 ? '\t' : ' ';
    }
    const int signKind = pick(0, 2);
    if (signKind == 1) {
        text += '+';
    } else if (signKind == 2) {
        text += '-';
    }
    std::string intDigits;
    const int zeros = pick(0, 4) == 0 ? pick(1, 3) : 0;
    intDigits.append(static_cast<std::size_t>(zeros), '0');
    const int intCount = pick(0, intMax);
    for (int i = 0; i < intCount; ++i) {
        intDigits += static_cast<char>('0' + pick(0, 9));
    }
    text += intDigits;
    std::string fracDigits;
    bool separator = pick(0, 3) != 0;
    if (separator) {
        text += pick(0, 1) ? ',' : '.';
        const int fracCount = pick(0, fracMax);
        for (int i = 0; i < fracCount; ++i) {
            fracDigits += static_cast<char>('0' + pick(0, 9));
        }
        text += fracDigits;
    }
    static const char* const tails[] = {"", "", "", " ", "DM", "#", ";x", "#12", "/"};
    text += tails[pick(0, 8)];

    Generated g{text, "REJECT"};
    if (intDigits.empty() && fracDigits.empty()) {
        return g;
    }
    const std::size_t significantInt = intDigits.find_first_not_of('0') == std::string::npos
                                           ? 0
                                           : intDigits.size() - intDigits.find_first_not_of('0');
    if (significantInt > static_cast<std::size_t>(intLimit)) {
        return g;
    }
    std::string kept = fracDigits.substr(0, static_cast<std::size_t>(decimals + 1));
    kept.append(static_cast<std::size_t>(decimals + 1) - kept.size(), '0');
    const std::string digits =
        RoundDigits((intDigits.empty() ? std::string("0") : intDigits) + kept,
                    static_cast<std::size_t>(intLimit + decimals));
    if (digits.empty()) {
        return g;
    }
    const bool keptNonZero = (intDigits + kept).find_first_not_of('0') != std::string::npos;
    g.expected = ((signKind == 2 && keptNonZero) ? "-" : "+") + digits;
    return g;
}

TEST(RandomTexts, AmountsMatchTheReference) {
    std::mt19937_64 rng(20020101);
    int accepted = 0;
    for (int i = 0; i < 100000; ++i) {
        const Generated g = Generate(rng, 14, 5, 13, 2);
        const std::string got = Amount(g.text.c_str());
        ASSERT_EQ(got, g.expected) << "text \"" << g.text << "\"";
        accepted += got != "REJECT";
    }
    EXPECT_GT(accepted, 60000); // the generator mostly makes valid amounts
}

TEST(RandomTexts, RatesMatchTheReference) {
    std::mt19937_64 rng(19981231);
    int accepted = 0;
    for (int i = 0; i < 100000; ++i) {
        const Generated g = Generate(rng, 5, 10, 4, 7);
        const std::string got = Rate(g.text.c_str());
        ASSERT_EQ(got, g.expected) << "text \"" << g.text << "\"";
        accepted += got != "REJECT";
    }
    EXPECT_GT(accepted, 50000);
}

// The earlier floating-point reading of amount and rate texts, step by step. Where a double
// holds the text's value exactly (here: at most 9 integer digits for amounts), the exact
// decimal reading must give the same field.
std::string FloatingPointField(std::string text, int intDigits, int decimals) {
    for (char& c : text) {
        c = c == ',' ? '.' : c;
    }
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos && text.size() > dot + 1 + decimals + 1) {
        text.resize(dot + 1 + static_cast<std::size_t>(decimals + 1));
    }
    const double value = std::atof(text.c_str());
    char buf[128];
    std::snprintf(buf, sizeof buf, "%20.*f", decimals == 2 ? 4 : 9, value);
    const std::string fixed = buf;
    const std::size_t point = fixed.find('.');
    double whole = std::atof(fixed.substr(0, point).c_str());
    double frac = std::atof(("0" + fixed.substr(point)).c_str());
    const double scale = decimals == 2 ? 100.0 : 10000000.0;
    std::snprintf(buf, sizeof buf, decimals == 2 ? "%10.5f" : "%20.10f",
                  (frac * scale + 0.5) / scale);
    frac = std::atof(std::string(buf, std::strlen(buf) - 3).c_str());
    if (frac >= (decimals == 2 ? 0.995 : 0.99999995)) {
        whole += value < 0 ? -1 : 1;
        frac = 0;
    }
    std::snprintf(buf, sizeof buf, "%0*.0f", intDigits, std::fabs(whole));
    std::string field = (value < 0 ? "-" : "+") + std::string(buf);
    std::snprintf(buf, sizeof buf, "%.*f", decimals, frac);
    return field + std::string(buf).substr(2);
}

TEST(RandomTexts, AgreeWithTheFloatingPointReadingWhereItIsExact) {
    std::mt19937_64 rng(1999);
    for (int i = 0; i < 20000; ++i) {
        const bool rate = (i % 2) == 1;
        Generated g = rate ? Generate(rng, 4, 10, 4, 7) : Generate(rng, 9, 5, 13, 2);
        if (g.expected == "REJECT") {
            continue;
        }
        const std::string ours = rate ? Rate(g.text.c_str()) : Amount(g.text.c_str());
        ASSERT_EQ(ours, FloatingPointField(g.text, rate ? 4 : 13, rate ? 7 : 2))
            << "text \"" << g.text << "\"";
    }
}

// ---- Log writer ---------------------------------------------------------------------------

// "Www Mmm dd hh:mm:ss yyyy> " as C's asctime writes it, followed by "> ".
bool IsAscTimeStamp(const std::string& s) {
    const std::string shape = "AAA AAA _9 99:99:99 9999> ";
    if (s.size() != shape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        const bool ok = shape[i] == 'A'   ? std::isalpha(static_cast<unsigned char>(c)) != 0
                        : shape[i] == '9' ? std::isdigit(static_cast<unsigned char>(c)) != 0
                        : shape[i] == '_'
                            ? (c == ' ' || std::isdigit(static_cast<unsigned char>(c)))
                            : c == shape[i];
        if (!ok) {
            return false;
        }
    }
    return true;
}

class LogWriter : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/tarvon32-log-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        const char* old = std::getenv("XDG_STATE_HOME");
        hadOld_ = old != nullptr;
        old_ = hadOld_ ? old : "";
        setenv("XDG_STATE_HOME", dir_.c_str(), 1);
    }
    void TearDown() override {
        if (hadOld_) {
            setenv("XDG_STATE_HOME", old_.c_str(), 1);
        } else {
            unsetenv("XDG_STATE_HOME");
        }
        std::remove((dir_ + "/Devisio/TARVON32.LOG").c_str());
        ::rmdir((dir_ + "/Devisio").c_str());
        std::remove((dir_ + "/blocked").c_str());
        ::rmdir(dir_.c_str());
    }
    std::string dir_;
    std::string old_;
    bool hadOld_ = false;
};

TEST_F(LogWriter, AppendsTimeStampedLinesToTheStateFolder) {
    EXPECT_EQ(WriteLogging("amount %s rc %d", "12,34", 463), 1);
    EXPECT_EQ(WriteLogging(nullptr), 1);
    std::ifstream in(dir_ + "/Devisio/TARVON32.LOG");
    ASSERT_TRUE(in.good());
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    const std::size_t first = text.find('\n');
    ASSERT_NE(first, std::string::npos);
    EXPECT_TRUE(IsAscTimeStamp(text.substr(0, 26))) << text;
    EXPECT_EQ(text.substr(26, first - 26), "amount 12,34 rc 463");
    EXPECT_EQ(text.size(), first + 1 + 27); // second line: time stamp, "> ", newline
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(LogWriter, ReportsZeroWhenTheFileCannotBeOpened) {
    std::ofstream((dir_ + "/blocked").c_str()) << "a file where a folder should be";
    setenv("XDG_STATE_HOME", (dir_ + "/blocked").c_str(), 1);
    EXPECT_EQ(WriteLogging("x"), 0);
}

} // namespace
