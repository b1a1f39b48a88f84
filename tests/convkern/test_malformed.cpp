// SPDX-License-Identifier: Apache-2.0
// Malformed input: random bytes in every input field of the blocks and damaged rate files
// give a return code, never a crash, and leave no work cell behind.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "kern_test_util.h"

namespace {

const std::set<int32_t> kCodes = {0, 261, 401, 444, 461, 462, 463, 465, 467, 468, 482, 485, 489};

// Overwrites a random selection of the input bytes (head and function fields) with random
// bytes, keeping sometimes the valid version and sender so the later checks are reached.
template <typename B> void scramble(B& b, std::size_t inputEnd, std::mt19937& g) {
    auto* p = reinterpret_cast<unsigned char*>(&b);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> pct(0, 99);
    const int level = pct(g);
    for (std::size_t i = 0; i < inputEnd; ++i)
        if (pct(g) < level / 3)
            p[i] = static_cast<unsigned char>(byte(g));
    if (pct(g) < 70)
        std::memcpy(b.SB_VERSION, "01", 2);
    if (pct(g) < 70)
        b.SENDER[0] = 'T';
}

template <typename B, typename F>
void fuzz(const B& seed, std::size_t inputEnd, std::size_t outOff, F call, const PS_EB& eb) {
    std::mt19937 g(4711);
    for (int i = 0; i < 3000; ++i) {
        B b = seed;
        scramble(b, inputEnd, g);
        const B before = b;
        const int32_t rc = call(&b, &eb);
        ASSERT_TRUE(kCodes.count(rc)) << "result " << rc;
        char code[5];
        std::snprintf(code, sizeof code, "%04d", rc);
        ASSERT_EQ(kt::str(b.RETURN_CODE), code);
        if (rc != 0 && rc != 261) {
            ASSERT_TRUE(kt::allZero(b, outOff));
        }
        // Only the return code, the output area and the quotation fields may change.
        const auto* p = reinterpret_cast<const unsigned char*>(&b);
        const auto* q = reinterpret_cast<const unsigned char*>(&before);
        for (std::size_t k = 0; k < outOff; ++k) {
            if (k >= 22 && k < 26)
                continue;
            if (p[k] != q[k]) {
                ASSERT_EQ(p[k], ' ') << "byte " << k << " changed";
            }
        }
        ASSERT_TRUE(kt::workCellsNull());
    }
}

class Malformed : public ::testing::Test {
  protected:
    PS_EB eb = kt::makeEb();
    kt::RateFile rf;
    void SetUp() override {
        rf.write({kt::record("GBP", "20010101", "+00006123400"),
                  kt::record("USD", "20010101", "+00009300000", 100, 'P')});
    }
};

TEST_F(Malformed, RandomBytesInBlocks) {
    fuzz(
        kt::u1("GBP", "EUR", 10000), U1_SB_OUT, U1_SB_OUT,
        [](U1_SB* b, const PS_EB* e) { return U1_UmrFwaehrBwaehr(b, e, nullptr); }, eb);
    fuzz(
        kt::u2("GBP", "EUR", 10000, 6123400), U2_SB_OUT, U2_SB_OUT,
        [](U2_SB* b, const PS_EB* e) { return U2_UmrFwaehrBwaehrKv(b, e, nullptr); }, eb);
    fuzz(
        kt::u3("GBP", "DEM", 10000), U3_SB_OUT, U3_SB_OUT,
        [](U3_SB* b, const PS_EB* e) { return U3_UmrFwaehrBwaehrFwaehr(b, e, nullptr); }, eb);
    fuzz(
        kt::u4("GBP", 6123400, 1, 'M', "USD", 9300000, 100, 'P', 10000), U4_SB_OUT, U4_SB_OUT,
        [](U4_SB* b, const PS_EB* e) { return U4_UmrFwaehrBwaehrFwaehrKv(b, e, nullptr); }, eb);
}

// A damaged control-data block (any currency count, any table bytes) is read within its
// bounds.
TEST_F(Malformed, DamagedControlData) {
    std::mt19937 g(99);
    for (int i = 0; i < 500; ++i) {
        PS_EB bad = eb;
        auto* p = reinterpret_cast<unsigned char*>(&bad);
        for (int k = 0; k < 200; ++k)
            p[std::uniform_int_distribution<std::size_t>(0, sizeof bad - 1)(g)] =
                static_cast<unsigned char>(g());
        bad.WaehrAnzahl = static_cast<int32_t>(g());
        std::memcpy(bad.BasisWaehrung, "EUR", 3);
        bad.Anwendung.PeriodenKz[1] = 'J';
        U1_SB b = kt::u1("DEM", "EUR", 10000);
        EXPECT_TRUE(kCodes.count(U1_UmrFwaehrBwaehr(&b, &bad, nullptr)));
        U3_SB t = kt::u3("DEM", "FRF", 10000);
        EXPECT_TRUE(kCodes.count(U3_UmrFwaehrBwaehrFwaehr(&t, &bad, nullptr)));
    }
}

TEST_F(Malformed, DamagedRateFiles) {
    std::mt19937 g(123);
    const std::string good =
        tarvo::ratefile::encodeRecord(kt::record("GBP", "20010101", "+00006123400")) +
        tarvo::ratefile::encodeRecord(kt::record("USD", "20010101", "+00009300000", 100, 'P'));
    for (int i = 0; i < 400; ++i) {
        std::string bytes = good;
        const int kind = i % 4;
        if (kind == 0) { // truncated anywhere
            bytes.resize(std::uniform_int_distribution<std::size_t>(0, bytes.size())(g));
        } else if (kind == 1) { // random bytes throughout
            for (auto& c : bytes)
                if (g() % 8 == 0)
                    c = static_cast<char>(g());
            std::memcpy(bytes.data(), "GBP", 3);
        } else if (kind == 2) { // absurd units
            const char* units[] = {"999999",         "-32768", "  0000",
                                   "\xff\xfe\x01  ", "+1000x", "   007"};
            bytes.replace(31, 6, units[i % 6]);
        } else { // entirely random
            for (auto& c : bytes)
                c = static_cast<char>(g());
            std::memcpy(bytes.data(), "GBP", 3);
        }
        rf.writeBytes(bytes);
        U1_SB b = kt::u1("GBP", "EUR", 10000, 'M', "99999999");
        EXPECT_TRUE(kCodes.count(U1_UmrFwaehrBwaehr(&b, &eb, nullptr)));
        b = kt::u1("EUR", "GBP", 10000, 'M', "20010615");
        EXPECT_TRUE(kCodes.count(U1_UmrFwaehrBwaehr(&b, &eb, nullptr)));
        U3_SB t = kt::u3("GBP", "USD", 10000);
        EXPECT_TRUE(kCodes.count(U3_UmrFwaehrBwaehrFwaehr(&t, &eb, nullptr)));
        EXPECT_TRUE(kt::workCellsNull());
    }
}

} // namespace
