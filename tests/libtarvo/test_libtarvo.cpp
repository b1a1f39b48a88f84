// SPDX-License-Identifier: Apache-2.0
// libtarvo through tarvo.h: results equal to the kernel's own blocks, every code, every
// rejected amount text, the array forms against single calls, balancing and smoothing, the
// options of tarvo_open, several threads on one and on separate contexts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "convkern.h"
#include "ctrldata.h"
#include "ratefile.h"
#include "tarvo.h"

namespace fs = std::filesystem;

namespace {

// Canonical text of a kernel field, written here independently of the library.
std::string text(const char* field, int n, int m) {
    std::string digits(field + 1, static_cast<std::size_t>(n + m));
    std::string ip = digits.substr(0, static_cast<std::size_t>(n));
    ip.erase(0, std::min(ip.find_first_not_of('0'), ip.size() - 1));
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    std::string s = (field[0] == '-' && !zero) ? "-" : "";
    s += ip;
    if (m > 0)
        s += "." + digits.substr(static_cast<std::size_t>(n));
    return s;
}

template <std::size_t N> void put(char (&f)[N], const std::string& s) {
    std::memset(f, ' ', N);
    std::memcpy(f, s.data(), std::min(N, s.size()));
}

// A rate file for the whole program: USD on two dates, GBP blocked, JPY not for printing.
struct Files : ::testing::Environment {
    static inline fs::path dir;
    static inline std::string rates;
    void SetUp() override {
        dir = fs::temp_directory_path() / ("libtarvo-test-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        rates = (dir / "WAEHKURS.DAT").string();
        using tarvo::ratefile::makeRecord;
        std::vector<tarvo::ratefile::RateRecord> r{
            makeRecord("USD", "20010601", "0.8567"), makeRecord("USD", "20020102", "0.9038"),
            makeRecord("GBP", "20010601", "0.6040"), makeRecord("JPY", "20010601", "104.36")};
        r[2].blocked = 'J';
        r[3].ratePrint = 'N';
        tarvo::ratefile::writeRateFile(rates, r);
    }
    void TearDown() override { fs::remove_all(dir); }
};
const auto* const kFiles = ::testing::AddGlobalTestEnvironment(new Files);

struct Ctx {
    tarvo_context* c = nullptr;
    explicit Ctx(tarvo_options o = {}) {
        o.builtin = 1;
        o.rate_file = Files::rates.c_str();
        tarvo_error e{};
        c = tarvo_open(&o, &e);
        EXPECT_NE(c, nullptr) << e.message;
    }
    ~Ctx() { tarvo_close(c); }
    Ctx(const Ctx&) = delete;
    Ctx& operator=(const Ctx&) = delete;
};

// The same conversion straight through the kernel, as the calculator chooses: U1, on 462 U3.
struct KernelAnswer {
    int32_t rc;
    std::string fn, amount, diff, rate, rateTo, euro, euroDiff;
    bool fixed = false;
};

KernelAnswer kernel(const char* amount16, const char* from, const char* to, const char* date,
                    char type, char print) {
    PS_SB ps;
    std::memset(&ps, 0, sizeof ps);
    std::memcpy(ps.SB_VERSION, "01", 2);
    put(ps.SENDER, "TEST");
    put(ps.EB_VERSION, "");
    put(ps.ANWENDUNG, "");
    std::memcpy(ps.BEZUGSDATUM, date, 8);
    PS_EB eb;
    int32_t aux = 0;
    ::setenv("TARVO_STEUDAT", "", 1);
    EXPECT_EQ(PS_LesenTarvoDaten(&ps, &aux, &eb), 0);
    KernelAnswer a;
    U1_SB u1;
    std::memset(&u1, 0, sizeof u1);
    std::memcpy(u1.SB_VERSION, "01", 2);
    put(u1.SENDER, "TEST");
    u1.RATE_TYPE = type;
    std::memcpy(u1.ISO_CODE_E, from, 3);
    std::memcpy(u1.ISO_CODE_A, to, 3);
    u1.RATE_PRINT_FLAG = print;
    std::memcpy(u1.BOOKING_DATE, date, 8);
    std::memcpy(u1.AMOUNT_E, amount16, 16);
    a.rc = U1_UmrFwaehrBwaehr(&u1, &eb, &aux);
    if (a.rc != 462) {
        a.fn = "U1";
        if (a.rc == 0) {
            a.amount = u1.DEC_INDICATOR == '2' ? text(u1.AMOUNT_A_13_2, 13, 2)
                                               : text(u1.AMOUNT_A_15_0, 15, 0);
            a.diff = text(u1.ROUND_DIFF, 1, 6);
            a.rate = text(u1.RATE_USED, 4, 7);
            a.fixed = u1.FIXED_RATE_FLAG == 'J';
        }
        return a;
    }
    U3_SB u3;
    std::memset(&u3, 0, sizeof u3);
    std::memcpy(&u3, &u1, 54);
    u3.RATE_TYPE = type;
    std::memcpy(u3.ISO_CODE_E, from, 3);
    std::memcpy(u3.ISO_CODE_A, to, 3);
    u3.RATE_PRINT_FLAG_E = u3.RATE_PRINT_FLAG_A = print;
    std::memcpy(u3.BOOKING_DATE, date, 8);
    std::memcpy(u3.AMOUNT_E, amount16, 16);
    a.rc = U3_UmrFwaehrBwaehrFwaehr(&u3, &eb, &aux);
    a.fn = "U3";
    if (a.rc == 0) {
        a.amount =
            u3.DEC_INDICATOR == '2' ? text(u3.AMOUNT_A_13_2, 13, 2) : text(u3.AMOUNT_A_15_0, 15, 0);
        a.diff = text(u3.ROUND_DIFF, 1, 6);
        a.rate = text(u3.RATE_USED_E, 4, 7);
        a.rateTo = text(u3.RATE_USED_A, 4, 7);
        a.fixed = u3.FIXED_RATE_FLAG_E == 'J';
        a.euro = text(u3.BASE_AMOUNT, 12, 3);
        a.euroDiff = text(u3.BASE_ROUND_DIFF, 1, 6);
    }
    return a;
}

struct Case {
    const char* amount; // as given to tarvo_convert
    const char* field;  // the kernel's taDez13p2 text of it
    const char* from;
    const char* to;
    const char* date;
    char type, print;
    int code;
    const char* expected; // literal result where one is known, else null
};

// Fixed rates both ways and through the euro, whole-unit currencies, rate-file rates on
// both dates, and every code a single conversion can end with.
const Case kCases[] = {
    {"100", "+000000000010000", "DEM", "EUR", "20010615", 'M', 'N', 0, "51.13"},
    {"-100.00", "-000000000010000", "DEM", "EUR", "20010615", 'M', 'N', 0, "-51.13"},
    {"51.13", "+000000000005113", "EUR", "DEM", "20010615", 'M', 'N', 0, "100.00"},
    {"1000", "+000000000100000", "EUR", "ITL", "20010615", 'M', 'N', 0, "1936270"},
    {"100", "+000000000010000", "FRF", "DEM", "20010615", 'M', 'N', 0, "29.82"},
    {"0.01", "+000000000000001", "ITL", "BEF", "20010615", 'M', 'N', 0, nullptr},
    {"100", "+000000000010000", "EUR", "USD", "20010615", 'M', 'N', 0, "85.67"},
    {"100", "+000000000010000", "EUR", "USD", "20020615", 'M', 'N', 0, "90.38"},
    {"100", "+000000000010000", "USD", "DEM", "20020615", 'G', 'N', 0, nullptr},
    {"100", "+000000000010000", "EUR", "EUR", "20010615", 'M', 'N', 462, nullptr},
    {"9999999999999.99", "+999999999999999", "EUR", "ITL", "20010615", 'M', 'N', 463, nullptr},
    {"100", "+000000000010000", "EUR", "USD", "20010615", 'Q', 'N', 465, nullptr},
    {"100", "+000000000010000", "EUR", "GBP", "20010615", 'M', 'N', 467, nullptr},
    {"100", "+000000000010000", "EUR", "JPY", "20010615", 'M', 'J', 468, nullptr},
    {"100", "+000000000010000", "EUR", "CHF", "20010615", 'M', 'N', 482, nullptr},
    {"100", "+000000000010000", "EUR", "USD", "19990104", 'M', 'N', 485, nullptr},
};

void expectEqualToKernel(const Case& c, const tarvo_result& r) {
    const KernelAnswer k = kernel(c.field, c.from, c.to, c.date, c.type, c.print);
    EXPECT_EQ(r.code, k.rc);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.function, k.fn);
    EXPECT_EQ(r.amount, k.amount);
    EXPECT_EQ(r.rounding_difference, k.diff);
    EXPECT_EQ(r.rate.value, k.rate);
    EXPECT_EQ(r.rate.fixed, k.fixed ? 1 : 0);
    if (k.fn == "U3" && k.rc == 0) {
        EXPECT_EQ(r.rate_to.value, k.rateTo);
        EXPECT_EQ(r.euro_amount, k.euro);
        EXPECT_EQ(r.euro_rounding_difference, k.euroDiff);
        EXPECT_EQ(r.triangulated, 1);
    }
    if (c.expected != nullptr) {
        EXPECT_STREQ(r.amount, c.expected);
    }
    EXPECT_STREQ(r.message_en, tarvo_strerror(r.code, "en"));
    EXPECT_STREQ(r.message_de, tarvo_strerror(r.code, "de"));
}

tarvo_result convertCase(tarvo_context* ctx, const Case& c) {
    tarvo_convert_options o{};
    o.rate_type = c.type;
    o.rate_print = c.print;
    tarvo_result r;
    tarvo_convert_ex(ctx, c.amount, c.from, c.to, c.date, &o, &r);
    return r;
}

std::string key(const tarvo_result& r) {
    return std::to_string(r.code) + r.function + "|" + r.amount + "|" + r.rounding_difference +
           "|" + r.rate.value + "|" + r.rate.rate_date + "|" + r.rate_to.value + "|" +
           r.euro_amount;
}

} // namespace

TEST(LibtarvoConvert, EqualsTheKernelsBlocks) {
    Ctx ctx;
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.amount) + " " + c.from + "->" + c.to + " " + c.date);
        expectEqualToKernel(c, convertCase(ctx.c, c));
    }
}

TEST(LibtarvoConvert, RateOriginAndFixedFlag) {
    Ctx ctx;
    tarvo_result r;
    ASSERT_EQ(tarvo_convert(ctx.c, "100", "DEM", "EUR", "2001-06-15", &r), 0);
    EXPECT_STREQ(r.rate.value, "1.9558300");
    EXPECT_EQ(r.rate.fixed, 1);
    EXPECT_STREQ(r.rate.rate_date, "");
    EXPECT_STREQ(r.rounding_difference, "-0.000812");
    EXPECT_EQ(r.decimals, 2);
    ASSERT_EQ(tarvo_convert(ctx.c, "100", "EUR", "USD", "20020615", &r), 0);
    EXPECT_EQ(r.rate.fixed, 0);
    EXPECT_STREQ(r.rate.rate_date, "20020102");
    EXPECT_EQ(r.rate.unit, 1);
    ASSERT_EQ(tarvo_convert(ctx.c, "100", "USD", "FRF", "20010615", &r), 0);
    EXPECT_STREQ(r.function, "U3");
    EXPECT_STREQ(r.rate.rate_date, "20010601");
    EXPECT_STREQ(r.rate_to.rate_date, "");
    EXPECT_EQ(r.rate_to.fixed, 1);
    ASSERT_EQ(tarvo_convert(ctx.c, "1000", "EUR", "ITL", "20010615", &r), 0);
    EXPECT_EQ(r.decimals, 0);
}

// Every rejected amount text has its own code, and nothing is rounded or cut.
TEST(LibtarvoConvert, AmountTexts) {
    Ctx ctx;
    struct T {
        const char* text;
        int code;       // tarvo_convert, 13 integer digits and 2 decimals
        int code4;      // tarvo_convert4, 11 and 4
        const char* as; // the amount it stands for, when accepted
    } const cases[] = {
        {"", TARVO_E_AMOUNT_EMPTY, TARVO_E_AMOUNT_EMPTY, nullptr},
        {" 1", TARVO_E_AMOUNT_SPACE, TARVO_E_AMOUNT_SPACE, nullptr},
        {"1 ", TARVO_E_AMOUNT_SPACE, TARVO_E_AMOUNT_SPACE, nullptr},
        {"1\t", TARVO_E_AMOUNT_SPACE, TARVO_E_AMOUNT_SPACE, nullptr},
        {"--1", TARVO_E_AMOUNT_SIGN, TARVO_E_AMOUNT_SIGN, nullptr},
        {"1-", TARVO_E_AMOUNT_SIGN, TARVO_E_AMOUNT_SIGN, nullptr},
        {"+-1", TARVO_E_AMOUNT_SIGN, TARVO_E_AMOUNT_SIGN, nullptr},
        {"-", TARVO_E_AMOUNT_DIGITS, TARVO_E_AMOUNT_DIGITS, nullptr},
        {".", TARVO_E_AMOUNT_DIGITS, TARVO_E_AMOUNT_DIGITS, nullptr},
        {".5", TARVO_E_AMOUNT_DIGITS, TARVO_E_AMOUNT_DIGITS, nullptr},
        {"5.", TARVO_E_AMOUNT_DIGITS, TARVO_E_AMOUNT_DIGITS, nullptr},
        {"1.2.3", TARVO_E_AMOUNT_POINT, TARVO_E_AMOUNT_POINT, nullptr},
        {"1,50", TARVO_E_AMOUNT_CHAR, TARVO_E_AMOUNT_CHAR, nullptr},
        {"1e3", TARVO_E_AMOUNT_CHAR, TARVO_E_AMOUNT_CHAR, nullptr},
        {"NaN", TARVO_E_AMOUNT_CHAR, TARVO_E_AMOUNT_CHAR, nullptr},
        {"0x10", TARVO_E_AMOUNT_CHAR, TARVO_E_AMOUNT_CHAR, nullptr},
        {"10000000000000", TARVO_E_AMOUNT_INTEGER, TARVO_E_AMOUNT_INTEGER, nullptr},
        {"100000000000", 0, TARVO_E_AMOUNT_INTEGER, "100000000000.00"},
        {"1.005", TARVO_E_AMOUNT_DECIMALS, 0, "1.005"},
        {"1.00001", TARVO_E_AMOUNT_DECIMALS, TARVO_E_AMOUNT_DECIMALS, nullptr},
        {"1.000", 0, 0, "1.00"},
        {"0001.10", 0, 0, "1.10"},
        {"+2", 0, 0, "2.00"},
        {"-0.00", 0, 0, "0.00"},
        {"9999999999999.99", 0, TARVO_E_AMOUNT_INTEGER, "9999999999999.99"},
    };
    for (const T& t : cases) {
        SCOPED_TRACE(std::string("\"") + t.text + "\"");
        tarvo_result r;
        EXPECT_EQ(tarvo_convert(ctx.c, t.text, "DEM", "EUR", "20010615", &r), t.code);
        if (t.code == 0 && t.as != nullptr) {
            tarvo_result same;
            tarvo_convert(ctx.c, t.as, "DEM", "EUR", "20010615", &same);
            EXPECT_EQ(key(r), key(same));
        }
        if (t.code != 0) {
            EXPECT_STREQ(r.amount, "");
        }
        EXPECT_EQ(tarvo_convert4(ctx.c, t.text, "DEM", "EUR", "20010615", nullptr, &r), t.code4);
        if (t.code4 != 0) {
            EXPECT_STREQ(r.amount, "");
        }
    }
}

TEST(LibtarvoConvert, OtherArguments) {
    Ctx ctx;
    tarvo_convert_options bad{};
    bad.rate_print = 'Y';
    struct T {
        tarvo_context* c;
        const char* amount;
        const char* from;
        const char* to;
        const char* date;
        const tarvo_convert_options* o;
        int code;
    } const cases[] = {
        {nullptr, "1", "EUR", "DEM", nullptr, nullptr, TARVO_E_ARGUMENT},
        {ctx.c, nullptr, "EUR", "DEM", nullptr, nullptr, TARVO_E_ARGUMENT},
        {ctx.c, "1", nullptr, "DEM", nullptr, nullptr, TARVO_E_ARGUMENT},
        {ctx.c, "1", "eur", "DEM", nullptr, nullptr, TARVO_E_CURRENCY},
        {ctx.c, "1", "EURO", "DEM", nullptr, nullptr, TARVO_E_CURRENCY},
        {ctx.c, "1", "EUR", "DE", nullptr, nullptr, TARVO_E_CURRENCY},
        {ctx.c, "1", "EUR", "DEM", "20010230", nullptr, TARVO_E_DATE},
        {ctx.c, "1", "EUR", "DEM", "2001-6-15", nullptr, TARVO_E_DATE},
        {ctx.c, "1", "EUR", "DEM", "15.06.2001", nullptr, TARVO_E_DATE},
        {ctx.c, "1", "EUR", "DEM", "20010615", &bad, TARVO_E_OPTION},
        {ctx.c, "1", "EUR", "DEM", "20000229", nullptr, 0},
    };
    for (const T& t : cases) {
        tarvo_result r;
        EXPECT_EQ(tarvo_convert_ex(t.c, t.amount, t.from, t.to, t.date, t.o, &r), t.code)
            << (t.date ? t.date : "-");
    }
    EXPECT_EQ(tarvo_convert(ctx.c, "1", "EUR", "DEM", nullptr, nullptr), TARVO_E_ARGUMENT);
}

// Booking date picks the rate-file record, reference date the control data.
TEST(LibtarvoConvert, SeparateBookingAndReferenceDates) {
    Ctx ctx;
    tarvo_convert_options o{};
    o.booking_date = "20020615";
    tarvo_result r;
    ASSERT_EQ(tarvo_convert_ex(ctx.c, "100", "EUR", "USD", "20010615", &o, &r), 0);
    EXPECT_STREQ(r.amount, "90.38");
    EXPECT_STREQ(r.rate.rate_date, "20020102");
    o.booking_date = nullptr;
    o.reference_date = "19980101"; // before the changeover: the home currency is the base
    ASSERT_EQ(tarvo_convert_ex(ctx.c, "100", "DEM", "EUR", "20010615", &o, &r),
              kernel("+000000000010000", "DEM", "EUR", "19980101", 'M', 'N').rc);
}

TEST(LibtarvoConvert, GivenRatesAndFourDecimals) {
    Ctx ctx;
    struct T {
        const char* from;
        const char* to;
        tarvo_given_rate rf, rt;
        bool useRf, useRt;
        int code;
        const char* amount;
        const char* fn;
    } const cases[] = {
        {"EUR", "USD", {}, {"0.9", 1, 'M'}, false, true, 0, "90.00", "U2"},
        {"USD", "EUR", {"0.9", 1, 'M'}, {}, true, false, 0, "111.11", "U2"},
        {"EUR", "DEM", {}, {"2", 1, 'M'}, false, true, 261, "195.58", "U2"},
        {"USD", "CHF", {"0.9", 1, 'M'}, {"1.5", 1, 'M'}, true, true, 0, "166.67", "U4"},
        {"EUR", "USD", {}, {"12345.1", 1, 'M'}, false, true, TARVO_E_RATE, "", ""},
        {"EUR", "USD", {}, {"0.12345678", 1, 'M'}, false, true, TARVO_E_RATE, "", ""},
        {"EUR", "USD", {}, {"0.9", 10, 'M'}, false, true, TARVO_E_OPTION, "", ""},
        {"EUR", "USD", {}, {"0.9", 1, 'X'}, false, true, TARVO_E_OPTION, "", ""},
    };
    for (const T& t : cases) {
        SCOPED_TRACE(std::string(t.from) + "->" + t.to);
        tarvo_result r;
        EXPECT_EQ(tarvo_convert_given_rate(ctx.c, "100", t.from, t.to, t.useRf ? &t.rf : nullptr,
                                           t.useRt ? &t.rt : nullptr, 2, &r),
                  t.code);
        EXPECT_STREQ(r.amount, t.amount);
        EXPECT_STREQ(r.function, t.fn);
        if (t.code == 261) {
            EXPECT_EQ(r.rate.fixed, 1);
        }
    }
    tarvo_result r;
    ASSERT_EQ(tarvo_convert4(ctx.c, "100.0000", "DEM", "EUR", "20010615", nullptr, &r), 0);
    EXPECT_STREQ(r.amount, "51.13");
    EXPECT_STREQ(r.amount4, "51.1292");
    EXPECT_STREQ(r.rounding_difference4, "-0.000012");
    EXPECT_STREQ(r.function, "A1");
}

// The array forms answer element by element what the single calls answer, and return the
// largest code.
TEST(LibtarvoArrays, EqualSingleCalls) {
    Ctx ctx;
    const std::vector<const char*> amounts{"100", "1.005", "-3.5", "x",   "9999999999999.99",
                                           "0",   "42",    "7.25", "100", "100"};
    const std::vector<const char*> dates{"20010615", "20010615", "20020615", "20010615",
                                         "20010615", "bad",      "20020615", "20020615",
                                         "19990104", "20010615"};
    for (const char* to : {"DEM", "ITL", "USD", "EUR"}) {
        for (const char* from : {"EUR", "FRF"}) {
            SCOPED_TRACE(std::string(from) + "->" + to);
            std::vector<tarvo_result> many(amounts.size());
            int worst = tarvo_convert_many(ctx.c, amounts.size(), amounts.data(), from, to,
                                           dates.data(), nullptr, nullptr, many.data());
            int expectWorst = 0;
            for (std::size_t i = 0; i < amounts.size(); ++i) {
                tarvo_result one;
                expectWorst = std::max(expectWorst,
                                       tarvo_convert(ctx.c, amounts[i], from, to, dates[i], &one));
                EXPECT_EQ(key(many[i]), key(one)) << i;
            }
            EXPECT_EQ(worst, expectWorst);
            for (std::size_t i = 0; i < amounts.size(); ++i) {
                tarvo_result one;
                tarvo_convert4(ctx.c, amounts[i], from, to, "20010615", nullptr, &one);
                tarvo_result m;
                tarvo_convert4_many(ctx.c, 1, &amounts[i], from, to, nullptr, "20010615", nullptr,
                                    &m);
                EXPECT_EQ(key(m) + m.amount4, key(one) + one.amount4) << i;
            }
            const tarvo_given_rate g{"1.25", 1, 'M'};
            tarvo_convert_given_rate_many(ctx.c, amounts.size(), amounts.data(), from, to, &g, &g,
                                          2, many.data());
            for (std::size_t i = 0; i < amounts.size(); ++i) {
                tarvo_result one;
                tarvo_convert_given_rate(ctx.c, amounts[i], from, to, &g, &g, 2, &one);
                EXPECT_EQ(key(many[i]), key(one)) << i;
            }
        }
    }
    EXPECT_EQ(
        tarvo_convert_many(ctx.c, 0, nullptr, "EUR", "DEM", nullptr, nullptr, nullptr, nullptr), 0);
}

TEST(LibtarvoBalance, ThreeMethodsAndCodes) {
    Ctx ctx;
    const char* parts[] = {"1.50", "1.50"};
    struct T {
        char method;
        const char* p1;
        const char* p2;
        const char* adjust;
    } const methods[] = {
        {'0', "0.76", "0.77", "- "}, {'1', "0.77", "0.76", " -"}, {'2', "0.76", "0.77", "- "}};
    for (const T& t : methods) {
        char total[24], out[2][24], adj[3] = {};
        ASSERT_EQ(tarvo_balance(ctx.c, "3.00", parts, 2, "DEM", "EUR", "20010615", t.method, &total,
                                out, adj),
                  0);
        EXPECT_STREQ(total, "1.53");
        EXPECT_STREQ(out[0], t.p1) << t.method;
        EXPECT_STREQ(out[1], t.p2) << t.method;
        EXPECT_EQ(std::string(adj, 2), t.adjust) << t.method;
    }
    char total[24], out[50][24];
    const char* wrong[] = {"1.50", "1.40"};
    std::vector<const char*> many(50, "1");
    EXPECT_EQ(
        tarvo_balance(ctx.c, "3.00", wrong, 2, "DEM", "EUR", nullptr, '0', &total, out, nullptr),
        472);
    EXPECT_EQ(
        tarvo_balance(ctx.c, "3.00", parts, 2, "DEM", "EUR", nullptr, '3', &total, out, nullptr),
        471);
    EXPECT_EQ(
        tarvo_balance(ctx.c, "3.00", parts, 0, "DEM", "EUR", nullptr, '0', &total, out, nullptr),
        470);
    EXPECT_EQ(tarvo_balance(ctx.c, "50", many.data(), 50, "DEM", "EUR", nullptr, '0', &total, out,
                            nullptr),
              470);
    EXPECT_EQ(
        tarvo_balance(ctx.c, "3.001", parts, 2, "DEM", "EUR", nullptr, '0', &total, out, nullptr),
        TARVO_E_AMOUNT_DECIMALS);
    const char* whole[] = {"500", "500"};
    ASSERT_EQ(
        tarvo_balance(ctx.c, "1000", whole, 2, "EUR", "ITL", "20010615", '0', &total, out, nullptr),
        0);
    EXPECT_STREQ(total, "1936270");
}

TEST(LibtarvoSmooth, UnitsRestAndCodes) {
    Ctx ctx;
    const char* amounts[] = {"642.19"};
    char units[50][24], rest[50][24];
    int codes[50];
    ASSERT_EQ(tarvo_smooth(ctx.c, amounts, 1, "EUR", "DEM", "20010615", nullptr, 2, 'G', units,
                           rest, codes),
              0);
    EXPECT_STREQ(units[0], "13");
    EXPECT_STREQ(rest[0], "-43.99");
    ASSERT_EQ(tarvo_smooth(ctx.c, amounts, 1, "EUR", "DEM", "20010615", "100", 0, 'M', units, rest,
                           codes),
              0);
    EXPECT_STREQ(units[0], "12");
    EXPECT_STREQ(rest[0], "56.01");
    struct T {
        const char* unit;
        int exponent;
        char method;
        std::size_t count;
        int code;
    } const cases[] = {
        {nullptr, 2, 'X', 1, 473},  {nullptr, 0, 'G', 1, 474},
        {nullptr, 7, 'G', 1, 475},  {"1000001", 0, 'G', 1, 475},
        {"-100", 0, 'G', 1, 475},   {nullptr, 2, 'G', 0, 470},
        {nullptr, 2, 'G', 51, 470}, {"1.5", 0, 'G', 1, TARVO_E_AMOUNT_DECIMALS},
    };
    std::vector<const char*> many(51, "1");
    for (const T& t : cases)
        EXPECT_EQ(tarvo_smooth(ctx.c, many.data(), t.count, "EUR", "DEM", nullptr, t.unit,
                               t.exponent, t.method, units, rest, codes),
                  t.code)
            << (t.unit ? t.unit : "-") << " " << t.exponent << t.method;
}

TEST(LibtarvoOpen, OptionsAndTheirCodes) {
    const std::string missing = (Files::dir / "none.DAT").string();
    struct T {
        const char* control;
        const char* version;
        const char* application;
        const char* date;
        const char* rates;
        int code;
        bool opens;
    } const cases[] = {
        {nullptr, nullptr, nullptr, nullptr, nullptr, 0, true},
        {nullptr, "02", nullptr, "20010615", nullptr, 0, true},
        {nullptr, "77", nullptr, nullptr, nullptr, 442, false},
        {nullptr, nullptr, "NOSUCH", nullptr, nullptr, 443, true},
        {nullptr, "123", nullptr, nullptr, nullptr, TARVO_E_NAME, false},
        {nullptr, nullptr, "TOOLONGNAME", nullptr, nullptr, TARVO_E_NAME, false},
        {nullptr, nullptr, nullptr, "2001-02-30", nullptr, TARVO_E_DATE, false},
        {missing.c_str(), nullptr, nullptr, nullptr, nullptr, TARVO_E_CONTROL_FILE, false},
        {nullptr, nullptr, nullptr, nullptr, "/elsewhere/W.DAT", TARVO_E_RATE_FILE_CONFLICT, false},
    };
    Ctx holder; // keeps the test's rate file in use
    for (const T& t : cases) {
        tarvo_options o{};
        o.builtin = t.control == nullptr;
        o.control_file = t.control;
        o.version = t.version;
        o.application = t.application;
        o.reference_date = t.date;
        o.rate_file = t.rates;
        tarvo_error e{};
        tarvo_context* c = tarvo_open(&o, &e);
        EXPECT_EQ(e.code, t.code) << e.message;
        EXPECT_EQ(c != nullptr, t.opens) << e.message;
        if (c != nullptr) {
            EXPECT_STREQ(tarvo_base_currency(c), "EUR");
        }
        tarvo_close(c);
    }
    tarvo_close(nullptr);
}

// A rate file that is not there answers market-rate conversions with the reader's 489; fixed
// rates need no file.
TEST(LibtarvoOpen, MissingRateFile) {
    const std::string missing = (Files::dir / "absent" / "WAEHKURS.DAT").string();
    tarvo_options o{};
    o.builtin = 1;
    o.rate_file = missing.c_str();
    tarvo_error e{};
    tarvo_context* c = tarvo_open(&o, &e);
    ASSERT_NE(c, nullptr) << e.message;
    tarvo_result r;
    EXPECT_EQ(tarvo_convert(c, "100", "EUR", "USD", "20010615", &r), 489);
    EXPECT_STREQ(r.message_en, "Currency file not found");
    EXPECT_EQ(tarvo_convert(c, "100", "EUR", "DEM", "20010615", &r), 0);
    tarvo_close(c);
}

TEST(LibtarvoTexts, EveryCodeInBothLanguages) {
    const int codes[] = {0,    261,  400,  401,  403,  441,  442,  443,  444,  461,  462,
                         463,  465,  467,  468,  469,  470,  471,  472,  473,  474,  475,
                         481,  482,  485,  489,  1000, 1001, 1010, 1011, 1012, 1013, 1014,
                         1015, 1016, 1017, 1020, 1021, 1022, 1023, 1024, 1030, 1031, 1032};
    for (int code : codes) {
        const std::string en = tarvo_strerror(code, "en");
        const std::string de = tarvo_strerror(code, "de");
        EXPECT_FALSE(en.empty()) << code;
        EXPECT_NE(en, "Unknown code") << code;
        EXPECT_NE(de, "Unbekannter Code") << code;
    }
    EXPECT_STREQ(tarvo_strerror(463, "de"), "Kein Kurs/Betragsüberlauf");
    EXPECT_STREQ(tarvo_strerror(463, nullptr), "No rate/Amount overflow");
    EXPECT_STREQ(tarvo_strerror(9999, "en"), "Unknown code");
    EXPECT_STREQ(tarvo_version(), "1.0.0");
}

// 8 threads on one context and 8 on a context each give what one thread gives.
TEST(LibtarvoThreads, OneAndSeparateContexts) {
    Ctx shared;
    std::vector<std::string> expected;
    for (const Case& c : kCases)
        expected.push_back(key(convertCase(shared.c, c)));
    for (bool separate : {false, true}) {
        std::vector<int> faults(8, 0);
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back([&, t] {
                std::unique_ptr<Ctx> own;
                if (separate)
                    own = std::make_unique<Ctx>();
                tarvo_context* c = separate ? own->c : shared.c;
                for (int round = 0; round < 200; ++round) {
                    for (std::size_t i = 0; i < std::size(kCases); ++i)
                        faults[t] += key(convertCase(c, kCases[i])) != expected[i];
                    // A date of its own per thread and round fills the per-date cache at once.
                    const std::string date = "2001" + std::string(1, char('0' + (t + 1) / 10)) +
                                             char('0' + (t + 1) % 10) +
                                             std::to_string(10 + round % 18);
                    tarvo_result r;
                    faults[t] += tarvo_convert(c, "100", "DEM", "EUR", date.c_str(), &r) != 0;
                }
            });
        }
        for (auto& th : threads)
            th.join();
        for (int t = 0; t < 8; ++t)
            EXPECT_EQ(faults[t], 0) << (separate ? "separate " : "shared ") << t;
    }
}
