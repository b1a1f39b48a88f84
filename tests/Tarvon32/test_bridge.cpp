// SPDX-License-Identifier: Apache-2.0
// Bridge entry points bound by name with dlopen/dlsym, as the calculator binds them.
#include "Tarvon32.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Bridge {
    void* handle = nullptr;
    VB_U1_UmrFwaehrBwaehr_fn u1 = nullptr;
    VB_U2_UmrFwaehrBwaehrKv_fn u2 = nullptr;
    VB_U3_UmrFwaehrBwaehrFwaehr_fn u3 = nullptr;
    VB_U4_UmrFwaehrBwaehrFwaehrKv_fn u4 = nullptr;
    VB_TarvonGetVersion_fn version = nullptr;
};

Bridge& Lib() {
    static Bridge b;
    return b;
}

// Loads the bridge by its file name the way the calculator does: from the program's own
// folder or the library folder beside it, else through the loader's search path.
void* OpenBridge() {
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        exe[n] = '\0';
        std::string dir(exe);
        dir.erase(dir.rfind('/'));
        for (const std::string& candidate :
             {dir + "/" + TARVON32_LIBRARY_NAME, dir + "/../lib/" + TARVON32_LIBRARY_NAME}) {
            if (void* h = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) {
                return h;
            }
        }
    }
    return dlopen(TARVON32_LIBRARY_NAME, RTLD_NOW | RTLD_LOCAL);
}

template <class F> F Symbol(void* handle, const char* name) {
    return reinterpret_cast<F>(dlsym(handle, name));
}

// Caller-owned, blank-filled buffers of the sizes the calculator uses.
struct Outputs {
    std::string a132 = std::string(17, ' ');
    std::string a150 = std::string(16, ' ');
    std::string dec = std::string(1, ' ');
    std::string err = std::string(66, ' ');
};

constexpr const char* kDate = "20020115";
const std::string kBlanks8(8, ' ');
const std::string kVersion2 = "  ";

int32_t U1(const char* iso_e, const char* iso_a, const char* amount, Outputs& o,
           const char* rate_type = "M") {
    return Lib().u1(kVersion2.c_str(), kBlanks8.c_str(), kDate, rate_type, iso_e, iso_a, kDate,
                    amount, o.a132.data(), o.a150.data(), o.dec.data(), o.err.data());
}

int32_t U3(const char* iso_e, const char* iso_a, const char* amount, Outputs& o) {
    return Lib().u3(kVersion2.c_str(), kBlanks8.c_str(), kDate, "M", iso_e, iso_a, kDate, amount,
                    o.a132.data(), o.a150.data(), o.dec.data(), o.err.data());
}

int32_t U2(const char* iso_e, const char* iso_a, const char* amount, const char* rate,
           const char* unit, const char* quotation, const char* dec_flag, Outputs& o) {
    return Lib().u2(kVersion2.c_str(), kBlanks8.c_str(), kDate, iso_e, iso_a, amount, rate, unit,
                    quotation, dec_flag, o.a132.data(), o.a150.data(), o.dec.data(), o.err.data());
}

int32_t U4(const char* iso_e, const char* rate_e, const char* iso_a, const char* rate_a,
           const char* amount, const char* dec_flag, Outputs& o) {
    return Lib().u4(kVersion2.c_str(), kBlanks8.c_str(), kDate, iso_e, rate_e, "1", "M", iso_a,
                    rate_a, "1", "M", amount, dec_flag, o.a132.data(), o.a150.data(), o.dec.data(),
                    o.err.data());
}

class BridgeTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // The built-in control data; no rate file.
        setenv("TARVO_STEUDAT", "/nonexistent/tarvon32-test/TARVO.DAT", 1);
        setenv("TARVO_WAEHKURS", "/nonexistent/tarvon32-test/WAEHKURS.DAT", 1);
        Bridge& b = Lib();
        if (b.handle != nullptr) {
            return;
        }
        b.handle = OpenBridge();
        ASSERT_NE(b.handle, nullptr) << dlerror();
        b.u1 = Symbol<VB_U1_UmrFwaehrBwaehr_fn>(b.handle, "VB_U1_UmrFwaehrBwaehr");
        b.u2 = Symbol<VB_U2_UmrFwaehrBwaehrKv_fn>(b.handle, "VB_U2_UmrFwaehrBwaehrKv");
        b.u3 = Symbol<VB_U3_UmrFwaehrBwaehrFwaehr_fn>(b.handle, "VB_U3_UmrFwaehrBwaehrFwaehr");
        b.u4 = Symbol<VB_U4_UmrFwaehrBwaehrFwaehrKv_fn>(b.handle, "VB_U4_UmrFwaehrBwaehrFwaehrKv");
        b.version = Symbol<VB_TarvonGetVersion_fn>(b.handle, "VB_TarvonGetVersion");
        ASSERT_TRUE(b.u1 && b.u2 && b.u3 && b.u4 && b.version);
    }
    void SetUp() override { ASSERT_NE(Lib().handle, nullptr); }
};

// ---- Library surface and version text ----------------------------------------------------

TEST_F(BridgeTest, InternalNamesAreNotExported) {
    for (const char* name : {"WriteLogging", "Check_Dez13p2", "Conv_String_TO_taDez13p2",
                             "_ZN8tarvon3212WriteLoggingEPKcz", "Fill_SteuerBlock"}) {
        EXPECT_EQ(dlsym(Lib().handle, name), nullptr) << name;
    }
}

TEST_F(BridgeTest, VersionText) {
    std::string buffer(66, ' ');
    EXPECT_EQ(Lib().version(buffer.data()), 0);
    EXPECT_STREQ(buffer.c_str(), "TARVON32.DLL Version 3.e ");
    EXPECT_EQ(std::strlen(buffer.c_str()), 25u);

    std::string shortBuffer(10, '.');
    EXPECT_EQ(Lib().version(shortBuffer.data()), 444);
    EXPECT_EQ(shortBuffer, "01 Not en.");

    char one[] = "x";
    EXPECT_EQ(Lib().version(one), 403);
    EXPECT_STREQ(one, "x");
    EXPECT_EQ(Lib().version(nullptr), 403);
}

// ---- Conversions end to end --------------------------------------------------------------

TEST_F(BridgeTest, MarkIntoEuro) {
    Outputs o;
    EXPECT_EQ(U1("DEM", "EUR", "100", o), 0);
    EXPECT_EQ(o.a132, "+0000000000051.13");
    EXPECT_EQ(o.a150, std::string(16, ' '));
    EXPECT_EQ(o.dec, "2");
    EXPECT_STREQ(o.err.c_str(), " ");
}

TEST_F(BridgeTest, EuroIntoLiraFillsOnlyTheWholeUnitField) {
    Outputs o;
    EXPECT_EQ(U1("EUR", "ITL", "100", o), 0);
    EXPECT_EQ(o.a150, "+000000000193627");
    EXPECT_EQ(o.a132, std::string(17, ' '));
    EXPECT_EQ(o.dec, "0");
}

TEST_F(BridgeTest, RefusedPairLeavesOutputsUntouched) {
    Outputs o;
    EXPECT_EQ(U1("DEM", "FRF", "100", o), 462);
    EXPECT_EQ(o.a132, std::string(17, ' '));
    EXPECT_EQ(o.a150, std::string(16, ' '));
    EXPECT_EQ(o.dec, " ");
    EXPECT_STREQ(o.err.c_str(), " "); // the checks passed; the kernel's number says the rest
}

TEST_F(BridgeTest, MarkIntoFrancThroughTheEuro) {
    Outputs o;
    EXPECT_EQ(U3("DEM", "FRF", "100", o), 0);
    EXPECT_EQ(o.a132, "+0000000000335.38");
    EXPECT_EQ(o.dec, "2");
}

TEST_F(BridgeTest, GivenRates) {
    struct Case {
        const char* iso_e;
        const char* iso_a;
        const char* rate;
        const char* unit;
        const char* quotation;
        const char* dec_flag;
        int32_t rc;
        const char* a132; // nullptr: field unchanged
        const char* a150;
        char dec;
    } cases[] = {
        {"USD", "EUR", "1,95583", "1", "M", "2", 0, "+0000000000051.13", nullptr, '2'},
        {"USD", "EUR", "1.95583", "1", "M", "0", 0, nullptr, "+000000000000051", '0'},
        {"USD", "EUR", "0.5", "100", "P", "2", 0, "+0000000000000.50", nullptr, '2'},
        // a blank quotation takes the control data's default for the euro base, 'M'
        {"USD", "EUR", "0.5", " 100", " ", "2", 0, "+0000000000002.00", nullptr, '2'},
        // a participating currency: the fixed rate replaces the given one, outputs written
        {"DEM", "EUR", "3", "1", "M", "2", 261, "+0000000000051.13", nullptr, '2'},
        // an invalid unit for a currency without fixed rate: untouched outputs
        {"USD", "EUR", "1.5", "10", "M", "2", 463, nullptr, nullptr, ' '},
        // a unit past 16 bits never wraps into a valid one
        {"USD", "EUR", "1.5", "65537", "M", "2", 463, nullptr, nullptr, ' '},
    };
    for (const Case& c : cases) {
        Outputs o;
        EXPECT_EQ(U2(c.iso_e, c.iso_a, "100", c.rate, c.unit, c.quotation, c.dec_flag, o), c.rc)
            << c.iso_e << " " << c.rate << " " << c.unit;
        EXPECT_EQ(o.a132, c.a132 ? c.a132 : std::string(17, ' ')) << c.rate;
        EXPECT_EQ(o.a150, c.a150 ? c.a150 : std::string(16, ' ')) << c.rate;
        EXPECT_EQ(o.dec[0], c.dec) << c.rate;
        EXPECT_STREQ(o.err.c_str(), " ");
    }
}

TEST_F(BridgeTest, TriangulationWithGivenRates) {
    Outputs o;
    // 100 / 0.9 = 111.111111, intermediate 111.111, times 1.5 = 166.6665, rounded 166.67
    EXPECT_EQ(U4("USD", "0,9", "CHF", "1.5", "100", "2", o), 0);
    EXPECT_EQ(o.a132, "+0000000000166.67");
    Outputs fixed;
    // first leg with the mark's fixed rate: 51.129 times 1.5 = 76.6935
    EXPECT_EQ(U4("DEM", "7", "CHF", "1.5", "100", "2", fixed), 261);
    EXPECT_EQ(fixed.a132, "+0000000000076.69");
    Outputs whole;
    EXPECT_EQ(U4("USD", "0,9", "CHF", "1.5", "100", "0", whole), 0);
    EXPECT_EQ(whole.a150, "+000000000000167");
    EXPECT_EQ(whole.a132, std::string(17, ' '));
    EXPECT_EQ(whole.dec, "0");
}

TEST_F(BridgeTest, LoaderFailuresLeaveOutputsUntouched) {
    Outputs o;
    EXPECT_EQ(Lib().u1("03", kBlanks8.c_str(), kDate, "M", "DEM", "EUR", kDate, "100",
                       o.a132.data(), o.a150.data(), o.dec.data(), o.err.data()),
              442);
    EXPECT_EQ(o.a132, std::string(17, ' '));
    EXPECT_STREQ(o.err.c_str(), " ");
    Outputs unknown;
    EXPECT_EQ(Lib().u1(kVersion2.c_str(), "Nobody", kDate, "M", "DEM", "EUR", kDate, "100",
                       unknown.a132.data(), unknown.a150.data(), unknown.dec.data(),
                       unknown.err.data()),
              443);
    EXPECT_EQ(unknown.a132, std::string(17, ' '));
    EXPECT_EQ(unknown.dec, " ");
}

TEST_F(BridgeTest, AmountTextsReachTheKernelExactly) {
    // A given rate of 1 into the euro returns the amount as the bridge read it.
    const struct {
        const char* text;
        const char* result;
    } cases[] = {{"12,3456", "+0000000000012.35"},
                 {"12.344", "+0000000000012.34"},
                 {"0,995", "+0000000000001.00"},
                 {"-1234,5678", "-0000000001234.57"},
                 {"-0,004", "+0000000000000.00"},
                 {"9999999999999", "+9999999999999.00"},
                 {"1234567890123.456", "+1234567890123.46"},
                 {"  -7abc", "-0000000000007.00"}};
    for (const auto& c : cases) {
        Outputs o;
        EXPECT_EQ(U2("USD", "EUR", c.text, "1", "1", "M", "2", o), 0) << c.text;
        EXPECT_EQ(o.a132, c.result) << c.text;
    }
}

TEST_F(BridgeTest, RandomAmountsThroughTheLibrary) {
    std::mt19937_64 rng(4711);
    for (int i = 0; i < 2000; ++i) {
        // amounts in cents with up to 13 integer digits, written with ',' or '.'
        const uint64_t cents = std::uniform_int_distribution<uint64_t>(0, 999999999999999)(rng);
        const bool negative = (rng() & 1) != 0;
        const bool comma = (rng() & 2) != 0;
        const std::string units = std::to_string(cents / 100);
        const std::string frac = std::to_string(100 + cents % 100).substr(1);
        const std::string text = (negative ? "-" : "") + units + (comma ? "," : ".") + frac;
        std::string expected = std::to_string(cents / 100);
        expected = std::string(13 - expected.size(), '0') + expected + "." + frac;
        expected = ((negative && cents != 0) ? "-" : "+") + expected;
        Outputs o;
        ASSERT_EQ(U2("USD", "EUR", text.c_str(), "1", "1", "M", "2", o), 0) << text;
        ASSERT_EQ(o.a132, expected) << text;
    }
}

// ---- Argument checks ---------------------------------------------------------------------

TEST_F(BridgeTest, ErrorBufferCapacity) {
    Outputs o;
    o.err = "x";
    EXPECT_EQ(U1("DEM", "EUR", "100", o), 403);
    EXPECT_EQ(o.err, "x");
    o.err = std::string(10, '.');
    EXPECT_EQ(U1("DEM", "EUR", "100", o), 444);
    EXPECT_EQ(o.err, "01 Not en.");
    o.err = std::string(65, '.');
    EXPECT_EQ(U1("DEM", "EUR", "100", o), 444);
    EXPECT_EQ(o.a132, std::string(17, ' '));
    EXPECT_EQ(Lib().u1(kVersion2.c_str(), kBlanks8.c_str(), kDate, "M", "DEM", "EUR", kDate, "100",
                       o.a132.data(), o.a150.data(), o.dec.data(), nullptr),
              403);
}

// One argument of a sound U1 call replaced; the message that must come back.
struct U1Args {
    const char* version = "  ";
    const char* application = "        ";
    const char* date = "20020115";
    const char* rate_type = "M";
    const char* iso_e = "DEM";
    const char* iso_a = "EUR";
    const char* booking = "20020115";
    const char* amount = "100";
    std::string a132 = std::string(17, ' ');
    std::string a150 = std::string(16, ' ');
    std::string dec = " ";
    bool nullA132 = false, nullA150 = false, nullDec = false;
};

struct CheckCase {
    const char* name;
    void (*change)(U1Args&);
    int32_t rc;
    const char* message; // nullptr: the error buffer keeps its blanks
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

class U1Checks : public BridgeTest, public ::testing::WithParamInterface<CheckCase> {};

const std::string kLongText(10000, '7');

TEST_P(U1Checks, FirstFailingCheckAnswers) {
    const CheckCase& c = GetParam();
    U1Args a;
    c.change(a);
    std::string err(66, ' ');
    for (auto* fn : {Lib().u1, Lib().u3}) {
        U1Args args = a;
        err.assign(66, ' ');
        const int32_t rc =
            fn(args.version, args.application, args.date, args.rate_type, args.iso_e, args.iso_a,
               args.booking, args.amount, args.nullA132 ? nullptr : args.a132.data(),
               args.nullA150 ? nullptr : args.a150.data(), args.nullDec ? nullptr : args.dec.data(),
               err.data());
        EXPECT_EQ(rc, c.rc) << c.name;
        if (c.message != nullptr) {
            EXPECT_STREQ(err.c_str(), c.message) << c.name;
            EXPECT_EQ(err[65], ' ') << c.name; // the last character is left as it was
        } else {
            EXPECT_EQ(err, std::string(66, ' ')) << c.name;
        }
        EXPECT_EQ(args.a132, a.a132) << c.name;
        EXPECT_EQ(args.a150, a.a150) << c.name;
        EXPECT_EQ(args.dec, a.dec) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, U1Checks,
    ::testing::Values(
        CheckCase{"version", [](U1Args& a) { a.version = "123"; }, 400,
                  "02 Version string is too long"},
        CheckCase{"version first of all",
                  [](U1Args& a) {
                      a.version = "123";
                      a.application = "123456789";
                      a.iso_e = "DEMX";
                      a.amount = "x";
                      a.a132 = "";
                  },
                  400, "02 Version string is too long"},
        CheckCase{"application", [](U1Args& a) { a.application = "123456789"; }, 403,
                  "03 Application name is too long"},
        CheckCase{"date short", [](U1Args& a) { a.date = "2002011"; }, 403,
                  "04 Invalid length of date"},
        CheckCase{"date long", [](U1Args& a) { a.date = "200201150"; }, 403,
                  "04 Invalid length of date"},
        CheckCase{"date null", [](U1Args& a) { a.date = nullptr; }, 403,
                  "04 Invalid length of date"},
        CheckCase{"iso e", [](U1Args& a) { a.iso_e = "DEMX"; }, 462, "11 ISO_CODE_E is too long"},
        CheckCase{"iso e before iso a",
                  [](U1Args& a) {
                      a.iso_e = "DEMX";
                      a.iso_a = "EURO";
                  },
                  462, "11 ISO_CODE_E is too long"},
        CheckCase{"iso a", [](U1Args& a) { a.iso_a = "EURO"; }, 462, "12 ISO_CODE_A is too long"},
        CheckCase{"booking date", [](U1Args& a) { a.booking = "2002"; }, 403,
                  "04 Invalid length of date"},
        CheckCase{"amount 14 digits", [](U1Args& a) { a.amount = "12345678901234"; }, 403,
                  "21 Input monetary sum has too much digits"},
        CheckCase{"amount carry", [](U1Args& a) { a.amount = "9999999999999,995"; }, 403,
                  "21 Input monetary sum has too much digits"},
        CheckCase{"amount letters", [](U1Args& a) { a.amount = "abc"; }, 403,
                  "21 Input monetary sum has too much digits"},
        CheckCase{"amount empty", [](U1Args& a) { a.amount = ""; }, 403,
                  "21 Input monetary sum has too much digits"},
        CheckCase{"amount null", [](U1Args& a) { a.amount = nullptr; }, 403,
                  "21 Input monetary sum has too much digits"},
        CheckCase{"amount long", [](U1Args& a) { a.amount = kLongText.c_str(); }, 403,
                  "21 Input monetary sum has too much digits"},
        CheckCase{"amount before outputs",
                  [](U1Args& a) {
                      a.amount = "nan";
                      a.a132 = "";
                  },
                  403, "21 Input monetary sum has too much digits"},
        CheckCase{"13,2 field", [](U1Args& a) { a.a132 = std::string(16, ' '); }, 403,
                  "22 Output monetary sum field (13,2) is too short"},
        CheckCase{"13,2 null", [](U1Args& a) { a.nullA132 = true; }, 403,
                  "22 Output monetary sum field (13,2) is too short"},
        CheckCase{"15,0 field", [](U1Args& a) { a.a150 = std::string(15, ' '); }, 403,
                  "23 Output monetary sum field (15,0) is too short"},
        CheckCase{"15,0 null", [](U1Args& a) { a.nullA150 = true; }, 403,
                  "23 Output monetary sum field (15,0) is too short"},
        CheckCase{"version null", [](U1Args& a) { a.version = nullptr; }, 403, nullptr},
        CheckCase{"application null", [](U1Args& a) { a.application = nullptr; }, 403, nullptr},
        CheckCase{"iso null", [](U1Args& a) { a.iso_a = nullptr; }, 403, nullptr},
        CheckCase{"rate type null", [](U1Args& a) { a.rate_type = nullptr; }, 403, nullptr},
        CheckCase{"indicator null", [](U1Args& a) { a.nullDec = true; }, 403, nullptr},
        CheckCase{"indicator empty", [](U1Args& a) { a.dec = ""; }, 403, nullptr}),
    [](const ::testing::TestParamInfo<CheckCase>& p) {
        std::string name = p.param.name;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) {
                ch = '_';
            }
        }
        return name;
    });

TEST_F(BridgeTest, QuotationAndRateChecksOfU2) {
    const struct {
        const char* rate;
        const char* quotation;
        const char* amount;
        int32_t rc;
        const char* message;
    } cases[] = {
        {"1,95583", "m", "100", 403, "40 Invalid price quotation"},
        {"1,95583", "", "100", 403, "40 Invalid price quotation"},
        {"1,95583", nullptr, "100", 403, "40 Invalid price quotation"},
        {"9999.99999995", "M", "100", 403, "30 Conversion rate has too much digits"},
        {"12345", "M", "100", 403, "30 Conversion rate has too much digits"},
        {nullptr, "M", "100", 403, "30 Conversion rate has too much digits"},
        {"12345", "m", "x", 403, "30 Conversion rate has too much digits"}, // rate first
        {"1", "m", "x", 403, "40 Invalid price quotation"},                 // then quotation
        {"1", "M", "x", 403, "21 Input monetary sum has too much digits"},
        {"1,95583", "M", "100", 0, " "},
        {"1,95583", "P", "100", 0, " "},
        {"1,95583", " ", "100", 0, " "},
        {"9999.99999994", "Mx", "100", 0, " "},
    };
    for (const auto& c : cases) {
        Outputs o;
        EXPECT_EQ(U2("USD", "EUR", c.amount, c.rate, "1", c.quotation, "2", o), c.rc)
            << (c.rate ? c.rate : "null") << " " << (c.quotation ? c.quotation : "null");
        EXPECT_STREQ(o.err.c_str(), c.message);
        if (c.rc != 0) {
            EXPECT_EQ(o.a132, std::string(17, ' '));
        }
    }
}

TEST_F(BridgeTest, OrderOfChecksOfU4) {
    const struct {
        const char* rate_e;
        const char* quotation_e;
        const char* rate_a;
        const char* quotation_a;
        const char* amount;
        const char* message;
    } cases[] = {
        {"12345", "x", "12345", "x", "x", "30 Conversion rate has too much digits"},
        {"1", "x", "12345", "x", "x", "40 Invalid price quotation"},
        {"1", "M", "12345", "x", "x", "30 Conversion rate has too much digits"},
        {"1", "M", "1", "x", "x", "40 Invalid price quotation"},
        {"1", "M", "1", "P", "x", "21 Input monetary sum has too much digits"},
    };
    for (const auto& c : cases) {
        Outputs o;
        EXPECT_EQ(Lib().u4("  ", kBlanks8.c_str(), kDate, "USD", c.rate_e, "1", c.quotation_e,
                           "CHF", c.rate_a, "1", c.quotation_a, c.amount, "2", o.a132.data(),
                           o.a150.data(), o.dec.data(), o.err.data()),
                  403);
        EXPECT_STREQ(o.err.c_str(), c.message);
    }
    Outputs iso;
    EXPECT_EQ(Lib().u4("  ", kBlanks8.c_str(), kDate, "USDX", "x", "1", "x", "CHF", "x", "1", "x",
                       "x", "2", iso.a132.data(), iso.a150.data(), iso.dec.data(), iso.err.data()),
              462);
    EXPECT_STREQ(iso.err.c_str(), "11 ISO_CODE_E is too long");
}

// ---- Hostile strings ----------------------------------------------------------------------

TEST_F(BridgeTest, HostileStringsInEveryInputGiveReturnCodes) {
    const std::string huge(1 << 20, '9');
    const std::string hugeBlanks(1 << 16, ' ');
    const char* hostile[] = {nullptr,
                             "",
                             huge.c_str(),
                             hugeBlanks.c_str(),
                             "\xff\xfe\x80",
                             "%s%s%n",
                             "-",
                             "inf",
                             "0x1p3",
                             "1e308",
                             "99999999999999999999",
                             "-9999999999999.999",
                             "DEM\nEUR"};
    // Sound arguments of U4; each input position in turn gets each hostile text.
    const char* base[13] = {"  ",  "        ", kDate, "USD", "0,9", "1", "M",
                            "CHF", "1.5",      "1",   "M",   "100", "2"};
    for (int pos = 0; pos < 13; ++pos) {
        for (const char* h : hostile) {
            const char* a[13];
            std::copy(std::begin(base), std::end(base), a);
            a[pos] = h;
            Outputs o;
            const int32_t rc =
                Lib().u4(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11],
                         a[12], o.a132.data(), o.a150.data(), o.dec.data(), o.err.data());
            EXPECT_TRUE(rc == 0 || rc == 400 || rc == 403 || rc == 442 || rc == 443 || rc == 462 ||
                        rc == 463)
                << "position " << pos << " rc " << rc;
            EXPECT_EQ(o.err.size(), 66u);
            if (rc != 0) {
                EXPECT_EQ(o.a132, std::string(17, ' ')) << pos;
                EXPECT_EQ(o.a150, std::string(16, ' ')) << pos;
            }
        }
    }
}

TEST_F(BridgeTest, LargeOutputBuffersReceiveOnlyTheResult) {
    Outputs o;
    o.a132 = std::string(4096, '*');
    o.err = std::string(4096, '*');
    EXPECT_EQ(U1("DEM", "EUR", "100", o), 0);
    EXPECT_STREQ(o.a132.c_str(), "+0000000000051.13");
    EXPECT_EQ(o.a132[18], '*'); // nothing written past the result's terminator
    EXPECT_STREQ(o.err.c_str(), " ");
    EXPECT_EQ(o.err[4094], '\0'); // strncpy-like: zero bytes up to the last character
    EXPECT_EQ(o.err[4095], '*');
}

// ---- Threads ------------------------------------------------------------------------------

TEST_F(BridgeTest, ConcurrentCallsGiveTheSameResults) {
    constexpr int kThreads = 4;
    constexpr int kCalls = 300;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < kCalls; ++i) {
                Outputs o;
                bool ok = false;
                switch ((i + t) % 4) {
                case 0:
                    ok = U1("DEM", "EUR", "100", o) == 0 && o.a132 == "+0000000000051.13";
                    break;
                case 1:
                    ok = U3("DEM", "FRF", "100", o) == 0 && o.a132 == "+0000000000335.38";
                    break;
                case 2:
                    ok = U2("USD", "EUR", "100", "1,95583", "1", "M", "2", o) == 0 &&
                         o.a132 == "+0000000000051.13";
                    break;
                default:
                    ok = U4("USD", "0,9", "CHF", "1.5", "100", "2", o) == 0 &&
                         o.a132 == "+0000000000166.67";
                    break;
                }
                ok = ok && std::strcmp(o.err.c_str(), " ") == 0;
                if (!ok) {
                    ++failures;
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(failures.load(), 0);
}

} // namespace
