// SPDX-License-Identifier: Apache-2.0
// Failing operator new: this program replaces the global operator new, so that along each C
// entry point the k-th allocation throws std::bad_alloc (or returns null for the nothrow
// forms), for every k in turn until a call runs without one. No exception may leave an entry
// point: each call answers its memory code (444, CF_ERR_MEMORY for the control-data writer),
// a file error or, where it could do without the memory, success.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <new>
#include <string>
#include <unistd.h>

#include "Tarvon32.h"
#include "convkern.h"
#include "ctrldata.h"
#include "ctrlfile.h"
#include "decarith.h"
#include "ratefile.h"

namespace {

std::atomic<long> gFailAt{0}; // 0: off; else the allocation number that fails
std::atomic<long> gCount{0};
std::atomic<bool> gFired{false};

bool failNow() {
    const long at = gFailAt.load(std::memory_order_relaxed);
    if (at == 0)
        return false;
    if (++gCount == at) {
        gFired = true;
        return true;
    }
    return false;
}

void* allocate(std::size_t n, std::size_t align) {
    if (failNow())
        return nullptr;
    if (n == 0)
        n = 1;
    if (align <= alignof(std::max_align_t))
        return std::malloc(n);
    return std::aligned_alloc(align, (n + align - 1) / align * align);
}

} // namespace

void* operator new(std::size_t n) {
    if (void* p = allocate(n, 0))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = allocate(n, 0))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, std::align_val_t a) {
    if (void* p = allocate(n, static_cast<std::size_t>(a)))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n, std::align_val_t a) {
    if (void* p = allocate(n, static_cast<std::size_t>(a)))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return allocate(n, 0);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return allocate(n, 0);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

namespace {

namespace fs = std::filesystem;
namespace rf = tarvo::ratefile;

// Runs call with the k-th allocation failing, k = 1, 2, ..., until one run needs fewer than k
// allocations (which must then succeed). Returns how many allocations the call makes.
long sweep(const char* name, const std::function<int32_t()>& call,
           std::initializer_list<int32_t> allowed, const std::function<void()>& before = {}) {
    for (long k = 1; k < 100000; ++k) {
        if (before)
            before();
        gCount = 0;
        gFired = false;
        int32_t rc = -1;
        bool escaped = false;
        gFailAt = k;
        try {
            rc = call();
        } catch (...) {
            escaped = true;
        }
        gFailAt = 0;
        EXPECT_FALSE(escaped) << name << ": an exception left the entry point at allocation " << k;
        if (!gFired) {
            EXPECT_EQ(rc, 0) << name << ": the undisturbed call failed";
            std::printf("%s: %ld allocations\n", name, k - 1);
            return k - 1;
        }
        bool ok = rc == 0;
        for (int32_t a : allowed)
            ok = ok || rc == a;
        EXPECT_TRUE(ok) << name << ": allocation " << k << " failed, the call answered " << rc;
        if (escaped || !ok)
            return -1;
    }
    ADD_FAILURE() << name << ": no end of allocations";
    return -1;
}

class NewFailure : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string tmpl = (fs::temp_directory_path() / "tarvo-new-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = fs::canonical(tmpl);
        rf::writeRateFile(dir_ / "WAEHKURS.DAT", {rf::makeRecord("USD", "20010601", "0.8765"),
                                                  rf::makeRecord("JPY", "20010601", "107.25")});
        setenv("TARVO_WAEHKURS", (dir_ / "WAEHKURS.DAT").c_str(), 1);
        setenv("TARVO_STEUDAT", (dir_ / "none.DAT").c_str(), 1);
        InitTarvoDaten();
        std::size_t size = 0;
        CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, CF_ASCII_LF, nullptr, 0, &size);
        hostFile_.assign(size, '\0');
        CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, CF_ASCII_LF,
                        reinterpret_cast<unsigned char*>(hostFile_.data()), size, &size);
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void TearDown() override { setenv("TARVO_STEUDAT", (dir_ / "none.DAT").c_str(), 1); }

    static int32_t load() {
        PS_SB sb;
        std::memset(&sb, 0, sizeof sb);
        std::memcpy(sb.SB_VERSION, "01", 2);
        std::memcpy(sb.SENDER, "NEWFAIL ", 8);
        std::memcpy(sb.EB_VERSION, "  ", 2);
        std::memcpy(sb.ANWENDUNG, "        ", 8);
        std::memcpy(sb.BEZUGSDATUM, "20010615", 8);
        PS_EB eb;
        int32_t aux = 0;
        return PS_LesenTarvoDaten(&sb, &aux, &eb);
    }
    static void writeHostFile() {
        std::ofstream(dir_ / "HOST.DAT", std::ios::binary | std::ios::trunc) << hostFile_;
    }

    static fs::path dir_;
    static std::string hostFile_;
};
fs::path NewFailure::dir_;
std::string NewFailure::hostFile_;

TEST_F(NewFailure, ControlDataLoads) {
    sweep("load, built-in record", load, {444});
    // Names seen for the first time, as a long-running process sees new ones.
    for (int i = 0; i < 40; ++i) {
        const std::string name = (dir_ / ("none" + std::to_string(i) + ".DAT")).string();
        setenv("TARVO_STEUDAT", name.c_str(), 1);
        sweep("load, new file name", load, {444});
    }
    setenv("TARVO_STEUDAT", (dir_ / "HOST.DAT").c_str(), 1);
    sweep("load with conversion", load, {444, 489}, writeHostFile);
    sweep(
        "AR_ConvertFile", [] { return AR_ConvertFile(0); }, {489}, writeHostFile);
}

TEST_F(NewFailure, RateFileReader) {
    for (const char* cache : {"1", "0"}) {
        setenv("TARVO_WAEHKURS_CACHE", cache, 1);
        sweep("LW_LesenWaehrKursDaten",
              [] {
                  LW_SB req;
                  std::memset(&req, 0, sizeof req);
                  std::memcpy(req.SB_VERSION, "01", 2);
                  std::memcpy(req.SENDER, "NEWFAIL ", 8);
                  std::memcpy(req.ISO_CODE, "USD", 3);
                  std::memcpy(req.CURRENCY_NO, "   ", 3);
                  std::memcpy(req.REQ_DATE, "99999999", 8);
                  return LW_LesenWaehrKursDaten(&req, nullptr, nullptr);
              },
              {444});
    }
    unsetenv("TARVO_WAEHKURS_CACHE");
}

TEST_F(NewFailure, BridgeConversions) {
    struct Case {
        const char* from;
        const char* to;
        bool triangulate;
    } const cases[] = {
        {"DEM", "EUR", false}, {"EUR", "USD", false}, {"DEM", "USD", true}, {"USD", "JPY", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + c.to);
        sweep("bridge",
              [&c] {
                  char a132[18], a150[17], dec[2], err[67];
                  std::memset(a132, ' ', sizeof a132 - 1);
                  std::memset(a150, ' ', sizeof a150 - 1);
                  std::memset(dec, ' ', sizeof dec - 1);
                  std::memset(err, ' ', sizeof err - 1);
                  a132[17] = a150[16] = dec[1] = err[66] = '\0';
                  auto* fn = c.triangulate ? &VB_U3_UmrFwaehrBwaehrFwaehr : &VB_U1_UmrFwaehrBwaehr;
                  return fn("  ", "        ", "20010615", "M", c.from, c.to, "20010615", "100",
                            a132, a150, dec, err);
              },
              {444});
    }
}

TEST_F(NewFailure, ControlDataWriter) {
    const fs::path out = dir_ / "OUT.DAT";
    sweep("CF_WriteRecordFile",
          [&out] {
              return CF_WriteRecordFile(&TarvoDaten, sizeof TarvoDaten, CF_EBCDIC_NL, out.c_str());
          },
          {CF_ERR_MEMORY});
    sweep("CF_FormatRecord",
          [] {
              std::size_t size = 0;
              return CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, CF_ASCII_LF, nullptr, 0,
                                     &size);
          },
          {CF_ERR_MEMORY});
}

} // namespace
