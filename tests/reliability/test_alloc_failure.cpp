// SPDX-License-Identifier: Apache-2.0
// Allocation failures: along whole conversions and a control-data load, the k-th AR_New_
// call is made to fail for every k in turn. Each call must answer its failure code, leave the
// calling thread's work cells null and (checked by LeakSanitizer at exit) leak nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <unistd.h>
#include <string>

#include "convkern.h"
#include "ctrldata.h"
#include "ctrlfile.h"
#include "ratefile.h"
#include "work_cells.h"

namespace {

namespace fs = std::filesystem;

// Arms the hook of AR_New_ for the k-th call from now (the suffix re-arms equal k).
void failAt(long k) {
    static long generation = 0;
    std::string v = std::to_string(k) + ":" + std::to_string(++generation);
    setenv("TARVO_AR_NEW_FAIL_AT", v.c_str(), 1);
}
void disarm() {
    unsetenv("TARVO_AR_NEW_FAIL_AT");
}

bool hookAvailable() {
    failAt(1);
    void* p = AR_New_(8);
    disarm();
    AR_Delete_(p);
    return p == nullptr;
}

using tarvo_test::workCellsNull;

template <class Block> void head(Block& b) {
    std::memset(&b, 0, sizeof b);
    std::memcpy(b.SB_VERSION, "01", 2);
    std::memcpy(b.SENDER, "ALLOC   ", 8);
}
void set(char* field, const char* text) {
    std::memcpy(field, text, std::strlen(text));
}
void setUnit(unsigned char* le, int16_t v) {
    std::memcpy(le, &v, 2);
}

U1_SB u1(const char* e, const char* a, const char* amount) {
    U1_SB b;
    head(b);
    b.RATE_TYPE = 'M';
    set(b.ISO_CODE_E, e);
    set(b.ISO_CODE_A, a);
    b.RATE_PRINT_FLAG = 'N';
    set(b.BOOKING_DATE, "20010615");
    set(b.AMOUNT_E, amount);
    return b;
}

class AllocFailure : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = fs::temp_directory_path() / ("tarvo-alloc-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        setenv("TARVO_STEUDAT", (dir_ / "none.DAT").c_str(), 1);
        namespace rf = tarvo::ratefile;
        rf::writeRateFile(dir_ / "WAEHKURS.DAT", {rf::makeRecord("USD", "20010601", "0.8765"),
                                                  rf::makeRecord("JPY", "20010601", "107.25")});
        setenv("TARVO_WAEHKURS", (dir_ / "WAEHKURS.DAT").c_str(), 1);
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void SetUp() override {
        if (!hookAvailable()) {
            GTEST_SKIP() << "AR_New_ failure hook not compiled in (TARVO_ALLOC_FAILURE_HOOK)";
        }
        PS_SB sb;
        head(sb);
        set(sb.EB_VERSION, "  ");
        set(sb.ANWENDUNG, "        ");
        set(sb.BEZUGSDATUM, "20010615");
        int32_t aux = 0;
        ASSERT_EQ(PS_LesenTarvoDaten(&sb, &aux, &eb_), 0);
    }

    // Runs call with its k-th allocation failing, for k = 1, 2, ... until k passes the
    // number of allocations the call makes (seen when a probe allocation right after the call
    // is the one that fails). Every call in which the hook fired must answer an allowed code.
    static void sweep(const std::string& name, const std::function<int32_t()>& call,
                      std::initializer_list<int32_t> allowed) {
        SCOPED_TRACE(name);
        disarm();
        const int32_t clean = call();
        ASSERT_TRUE(workCellsNull());
        for (long k = 1; k < 100000; ++k) {
            failAt(k);
            const int32_t rc = call();
            void* probe = AR_New_(1);
            disarm();
            ASSERT_TRUE(workCellsNull()) << "k=" << k;
            if (probe == nullptr) {
                ASSERT_GT(k, 1) << "the call allocated nothing";
                ::testing::Test::RecordProperty("allocations_" + name, static_cast<int>(k - 1));
                std::printf("%s: %ld allocations\n", name.c_str(), k - 1);
                EXPECT_EQ(rc, clean) << "the call made " << k - 1 << " allocations";
                return;
            }
            AR_Delete_(probe);
            bool ok = false;
            for (int32_t a : allowed) {
                ok = ok || rc == a;
            }
            ASSERT_TRUE(ok) << "allocation " << k << " failed, the call answered " << rc;
        }
        FAIL() << "no end of allocations";
    }

    static fs::path dir_;
    PS_EB eb_{};
};
fs::path AllocFailure::dir_;

TEST_F(AllocFailure, ControlDataLoadFromFile) {
    const fs::path file = dir_ / "TARVO.DAT";
    ASSERT_EQ(CF_WriteBuiltinFile(CF_ASCII_CRLF, file.c_str()), CF_OK);
    setenv("TARVO_STEUDAT", file.c_str(), 1);
    sweep("load",
          [] {
              PS_SB sb;
              head(sb);
              set(sb.EB_VERSION, "  ");
              set(sb.ANWENDUNG, "        ");
              set(sb.BEZUGSDATUM, "20010615");
              PS_EB eb;
              int32_t aux = 0;
              return PS_LesenTarvoDaten(&sb, &aux, &eb);
          },
          {444});
    setenv("TARVO_STEUDAT", (dir_ / "none.DAT").c_str(), 1);
}

// A file from a host (EBCDIC, or bare line ends) is converted in place before it is read; a
// failed conversion answers 489 and leaves the file as it was.
TEST_F(AllocFailure, ControlDataLoadWithConversion) {
    const fs::path file = dir_ / "HOST.DAT";
    setenv("TARVO_STEUDAT", file.c_str(), 1);
    for (int32_t variant : {CF_ASCII_LF, CF_EBCDIC, CF_EBCDIC_NL}) {
        InitTarvoDaten();
        size_t size = 0;
        CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, variant, nullptr, 0, &size);
        std::string original(size, '\0');
        ASSERT_EQ(CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, variant,
                                  reinterpret_cast<unsigned char*>(original.data()), size, &size),
                  CF_OK);
        sweep("load_conversion_variant" + std::to_string(variant),
              [&] {
                  std::ofstream(file, std::ios::binary | std::ios::trunc) << original;
                  PS_SB sb;
                  head(sb);
                  set(sb.EB_VERSION, "  ");
                  set(sb.ANWENDUNG, "        ");
                  set(sb.BEZUGSDATUM, "20010615");
                  PS_EB eb;
                  int32_t aux = 0;
                  const int32_t rc = PS_LesenTarvoDaten(&sb, &aux, &eb);
                  if (rc == 489) {
                      std::ifstream in(file, std::ios::binary);
                      std::ostringstream now;
                      now << in.rdbuf();
                      EXPECT_EQ(now.str(), original) << "a failed conversion changed the file";
                  }
                  return rc;
              },
              {444, 489});
    }
    setenv("TARVO_STEUDAT", (dir_ / "none.DAT").c_str(), 1);
}

TEST_F(AllocFailure, U1FixedAndRateFile) {
    for (const char* pair : {"DEMEUR", "EURDEM", "EURUSD", "JPYEUR"}) {
        std::string e(pair, 3), a(pair + 3, 3);
        sweep("U1_" + e + a,
              [&] {
                  U1_SB sb = u1(e.c_str(), a.c_str(), "+000000000010000");
                  int32_t aux = 0;
                  return U1_UmrFwaehrBwaehr(&sb, &eb_, &aux);
              },
              {463, 444});
    }
}

TEST_F(AllocFailure, U3Triangulation) {
    for (const char* pair : {"DEMFRF", "DEMUSD", "JPYITL"}) {
        std::string e(pair, 3), a(pair + 3, 3);
        sweep("U3_" + e + a,
              [&] {
                  U3_SB sb;
                  head(sb);
                  sb.RATE_TYPE = 'M';
                  set(sb.ISO_CODE_E, e.c_str());
                  set(sb.ISO_CODE_A, a.c_str());
                  sb.RATE_PRINT_FLAG_E = 'N';
                  sb.RATE_PRINT_FLAG_A = 'N';
                  set(sb.BOOKING_DATE, "20010615");
                  set(sb.AMOUNT_E, "+000000000010000");
                  int32_t aux = 0;
                  return U3_UmrFwaehrBwaehrFwaehr(&sb, &eb_, &aux);
              },
              {463, 444});
    }
}

// Given rates: the given rate of a currency without a fixed rate, and one that the fixed rate
// overrides (261).
TEST_F(AllocFailure, U2U4GivenRates) {
    for (const char* pair : {"EURUSD", "USDEUR", "DEMEUR"}) {
        std::string e(pair, 3), a(pair + 3, 3);
        sweep("U2_" + e + a,
              [&] {
                  U2_SB sb;
                  head(sb);
                  set(sb.ISO_CODE_E, e.c_str());
                  set(sb.ISO_CODE_A, a.c_str());
                  set(sb.AMOUNT_E, "+000000000010000");
                  set(sb.RATE, "+00013530000");
                  setUnit(sb.RATE_UNIT, 1);
                  sb.DEC_FLAG_A = 'J';
                  sb.QUOTATION = 'M';
                  int32_t aux = 0;
                  return U2_UmrFwaehrBwaehrKv(&sb, &eb_, &aux);
              },
              {463, 444});
    }
    for (const char* pair : {"USDJPY", "DEMUSD", "DEMFRF"}) {
        std::string e(pair, 3), a(pair + 3, 3);
        sweep("U4_" + e + a,
              [&] {
                  U4_SB sb;
                  head(sb);
                  set(sb.ISO_CODE_E, e.c_str());
                  set(sb.ISO_CODE_A, a.c_str());
                  set(sb.RATE_E, "+00012500000");
                  setUnit(sb.RATE_UNIT_E, 1);
                  set(sb.RATE_A, "+01600000000");
                  setUnit(sb.RATE_UNIT_A, 1);
                  set(sb.AMOUNT_E, "+000000000010000");
                  sb.DEC_FLAG_A = 'J';
                  sb.QUOTATION_E = 'M';
                  sb.QUOTATION_A = 'M';
                  int32_t aux = 0;
                  return U4_UmrFwaehrBwaehrFwaehrKv(&sb, &eb_, &aux);
              },
              {463, 444});
    }
}

// Fixed rate, rate file, and a result too large for the four-decimal field (which is no
// failure: those fields stay zero and the call succeeds).
TEST_F(AllocFailure, A1FourDecimals) {
    struct Case {
        const char* pair;
        const char* amount;
        bool fourDecimalsFit;
    };
    for (const Case& c :
         {Case{"DEMEUR", "+000000001000000", true}, Case{"EURUSD", "+000000001000000", true},
          Case{"EURDEM", "+999999999990000", false}}) {
        std::string e(c.pair, 3), a(c.pair + 3, 3);
        A1_SB out{};
        sweep("A1_" + e + a,
              [&] {
                  A1_SB sb;
                  head(sb);
                  sb.RATE_TYPE = 'M';
                  set(sb.ISO_CODE_E, e.c_str());
                  set(sb.ISO_CODE_A, a.c_str());
                  sb.RATE_PRINT_FLAG = 'N';
                  set(sb.BOOKING_DATE, "20010615");
                  set(sb.AMOUNT_E, c.amount);
                  int32_t aux = 0;
                  const int32_t rc = A1_UmrFwaehrBwaehr(&sb, &eb_, &aux);
                  out = sb;
                  return rc;
              },
              {463, 444});
        // The last run was the undisturbed one.
        EXPECT_EQ(out.AMOUNT_A_11_4[0] != '\0', c.fourDecimalsFit) << c.pair;
    }
}

// Parts that must be lowered (3.00 = 1.50 + 1.50 into euro: 1.53 against 0.77 + 0.77) and
// parts that must be raised (0.48 = 6 x 0.08: 0.25 against 6 x 0.04), under every method.
TEST_F(AllocFailure, B1Balancing) {
    struct Split {
        const char* name;
        const char* total;
        const char* part;
        int16_t parts;
    };
    for (const Split& split : {Split{"lower", "+000000000000300", "+000000000000150", 2},
                               Split{"raise", "+000000000000048", "+000000000000008", 6}}) {
        for (char method : {'0', '1', '2'}) {
            sweep(std::string("B1_") + split.name + "_method" + method,
                  [&] {
                      auto sb = std::make_unique<B1_SB>();
                      head(*sb);
                      setUnit(sb->ITEM_COUNT, static_cast<int16_t>(split.parts + 1));
                      sb->BALANCING_METHOD = method;
                      sb->ITEMS[0].SB = u1("DEM", "EUR", split.total);
                      for (int i = 1; i <= split.parts; ++i)
                          sb->ITEMS[i].SB = u1("DEM", "EUR", split.part);
                      int32_t aux = 0;
                      const int32_t rc = B1_UmrMitBetrAusgl(sb.get(), &eb_, &aux);
                      EXPECT_TRUE(rc != 0 || sb->SSV[0] != ' ' || method == '1')
                          << "nothing was balanced";
                      return rc;
                  },
                  {463, 444});
        }
    }
}

TEST_F(AllocFailure, G1Smoothing) {
    for (char method : {'G', 'M'}) {
        sweep(std::string("G1_method") + method,
              [&] {
                  auto sb = std::make_unique<G1_SB>();
                  head(*sb);
                  setUnit(sb->ITEM_COUNT, 2);
                  set(sb->SMOOTHING_VALUE, "+000000000000100");
                  setUnit(sb->SMOOTHING_EXPONENT, 1);
                  sb->SMOOTHING_METHOD = method;
                  sb->ITEMS[0].SB = u1("EUR", "DEM", "+000000000125000");
                  sb->ITEMS[1].SB = u1("DEM", "EUR", "-000000000125600");
                  int32_t aux = 0;
                  return G1_UmrMitGlaettung(sb.get(), &eb_, &aux);
              },
              {463, 444});
    }
}

} // namespace
