// SPDX-License-Identifier: Apache-2.0
// The readers of the data files on every kind of target and under injected faults
// (fault_inject.cpp): the control-data loader falls back to its built-in record only when
// there is no file, a FIFO, device or folder is refused without blocking, and a failing open,
// read or seek is a file error (489) rather than other data.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <unistd.h>

#include "convkern.h"
#include "ctrldata.h"
#include "ctrlfile.h"
#include "decarith.h"
#include "fault_inject.h"
#include "ratefile.h"
#include "target_kinds.h"

namespace {

namespace fs = std::filesystem;
namespace rf = tarvo::ratefile;
namespace tk = target_kinds;
using tk::Kind;

constexpr char kFileRate[] = "+00020000000"; // DEM in the test file; the built-in is 1.95583

// The built-in record with DEM at 2.0, as a control-data file in CR LF form.
std::string controlFileWithOwnRate() {
    InitTarvoDaten();
    static PS_TarvoDaten copy;
    copy = TarvoDaten;
    for (PS_Waehrung& row : copy.Block1.Waehrung)
        if (std::memcmp(row.ISOCode, "DEM", 3) == 0)
            std::memcpy(row.FixKurs, kFileRate, 12);
    size_t size = 0;
    CF_FormatRecord(&copy, sizeof copy, CF_ASCII_CRLF, nullptr, 0, &size);
    std::string bytes(size, '\0');
    CF_FormatRecord(&copy, sizeof copy, CF_ASCII_CRLF,
                    reinterpret_cast<unsigned char*>(bytes.data()), size, &size);
    return bytes;
}

// Loads the control data; rate receives DEM's fixed rate.
int32_t load(std::string& rate) {
    PS_SB sb;
    std::memset(&sb, 0, sizeof sb);
    std::memcpy(sb.SB_VERSION, "01", 2);
    std::memcpy(sb.SENDER, "READERS ", 8);
    std::memcpy(sb.EB_VERSION, "  ", 2);
    std::memcpy(sb.ANWENDUNG, "        ", 8);
    std::memcpy(sb.BEZUGSDATUM, "20010615", 8);
    PS_EB eb;
    int32_t aux = 0;
    const int32_t rc = PS_LesenTarvoDaten(&sb, &aux, &eb);
    rate.clear();
    for (int i = 0; i < eb.WaehrAnzahl; ++i)
        if (std::memcmp(eb.Waehrung[i].ISOCode, "DEM", 3) == 0)
            rate.assign(eb.Waehrung[i].FixKurs, 12);
    return rc;
}

int32_t lookupUsd() {
    LW_SB req;
    std::memset(&req, 0, sizeof req);
    std::memcpy(req.SB_VERSION, "01", 2);
    std::memcpy(req.SENDER, "READERS ", 8);
    std::memcpy(req.ISO_CODE, "USD", 3);
    std::memcpy(req.CURRENCY_NO, "   ", 3);
    std::memcpy(req.REQ_DATE, "99999999", 8);
    return LW_LesenWaehrKursDaten(&req, nullptr, nullptr);
}

class Readers : public tk::FolderTest {
  protected:
    Readers() : FolderTest("tarvo-readers") {}
    void SetUp() override {
        FolderTest::SetUp();
        setenv("TARVO_WAEHKURS_CACHE", "0", 1); // every lookup reads the file
    }
    void TearDown() override {
        unsetenv("TARVO_WAEHKURS");
        unsetenv("TARVO_WAEHKURS_CACHE");
        FolderTest::TearDown();
    }
};

TEST_F(Readers, ControlDataOnEveryKindOfTarget) {
    const std::string file = controlFileWithOwnRate();
    for (const tk::Case& c : tk::kCases) {
        SCOPED_TRACE(c.name);
        fresh();
        setenv("TARVO_STEUDAT", tk::make(dir_, c.kind, file).c_str(), 1);
        std::string rate;
        const int32_t rc = load(rate);
        if (!tk::isFile(c.kind)) {
            EXPECT_EQ(rc, 489) << "a FIFO, device or folder must not stand for the file";
        } else if (c.kind == Kind::Missing || c.kind == Kind::Dangling) {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(rate, "+00019558300") << "no file: the built-in record";
        } else {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(rate, kFileRate) << "the file's own rate";
        }
    }
    // A name whose folder part is a file cannot exist either (ENOTDIR): built-in record.
    tk::spit(dir_ / "plain", "x");
    setenv("TARVO_STEUDAT", (dir_ / "plain" / "TARVO.DAT").c_str(), 1);
    std::string rate;
    EXPECT_EQ(load(rate), 0);
}

// FileName names the file of the last load, however many different names a long-running
// process has used (the names it keeps are bounded).
TEST_F(Readers, FileNameFollowsEveryNewName) {
    for (int i = 0; i < 100; ++i) {
        const std::string name = (dir_ / ("C" + std::to_string(i) + ".DAT")).string();
        setenv("TARVO_STEUDAT", name.c_str(), 1);
        std::string rate;
        ASSERT_EQ(load(rate), 0);
        ASSERT_STREQ(FileName, name.c_str());
    }
}

TEST_F(Readers, RateFileOnEveryKindOfTarget) {
    const std::string file = rf::encodeRateFile({rf::makeRecord("USD", "20010601", "0.8765")}, {});
    for (const tk::Case& c : tk::kCases) {
        SCOPED_TRACE(c.name);
        fresh();
        setenv("TARVO_WAEHKURS", tk::make(dir_, c.kind, file).c_str(), 1);
        const bool readable =
            tk::isFile(c.kind) && c.kind != Kind::Missing && c.kind != Kind::Dangling;
        EXPECT_EQ(lookupUsd(), readable ? 0 : 489);
    }
}

// A control-data file that exists but cannot be opened or read is a file error, whatever the
// reason; only one that is not there gives the built-in record.
TEST_F(Readers, FailuresAreFileErrorsNotOtherData) {
    struct Case {
        const char* name;
        fault::Kind kind;
        long long budget;
        int error;
        int32_t load;  // result of the control-data load
        int32_t rates; // result of the rate lookup
    } const cases[] = {
        {"open: permission denied", fault::Kind::Open, 0, EACCES, 489, 489},
        {"open: no descriptors left", fault::Kind::Open, 0, EMFILE, 489, 489},
        {"open: no memory", fault::Kind::Open, 0, ENOMEM, 489, 489},
        {"open: no such file", fault::Kind::Open, 0, ENOENT, 0, 489},
        {"read fails at once", fault::Kind::Read, 0, 0, 489, 489},
        {"read fails part way", fault::Kind::Read, 100, 0, 489, 489},
        {"one byte per read", fault::Kind::Short, 0, 0, 0, 0},
        {"seek fails", fault::Kind::Seek, 0, 0, 489, 0},
        {"close fails", fault::Kind::Close, 0, 0, 0, 0},
    };
    setenv("TARVO_STEUDAT", (dir_ / "TARVO.DAT").c_str(), 1);
    setenv("TARVO_WAEHKURS", (dir_ / "WAEHKURS.DAT").c_str(), 1);
    tk::spit(dir_ / "TARVO.DAT", controlFileWithOwnRate());
    tk::spit(dir_ / "WAEHKURS.DAT",
             rf::encodeRateFile({rf::makeRecord("USD", "20010601", "0.8765")}, {}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string rate;
        fault::arm(c.kind, dir_.c_str(), c.budget, c.error);
        const int32_t loaded = load(rate);
        fault::disarm();
        EXPECT_EQ(loaded, c.load);
        if (loaded == 0) {
            EXPECT_EQ(rate, c.error == ENOENT ? "+00019558300" : kFileRate);
        }
        fault::arm(c.kind, dir_.c_str(), c.budget, c.error);
        const int32_t looked = lookupUsd();
        fault::disarm();
        EXPECT_EQ(looked, c.rates);
    }
}

} // namespace
