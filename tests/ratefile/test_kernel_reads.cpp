// SPDX-License-Identifier: Apache-2.0
// Imported rate files as the kernel's reader and the calculator's date reader see them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "convkern.h"
#include "ecb_fixtures.h"
#include "ratefile.h"

namespace rf = tarvo::ratefile;
namespace fs = std::filesystem;

namespace {

class KernelReads : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "ratefile-kernel-XXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
        file_ = dir_ / "WAEHKURS.DAT";
        rf::writeRateFile(file_, rf::importEcb(fixtures::histXml()));
        ::setenv("TARVO_WAEHKURS", file_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("TARVO_WAEHKURS");
        fs::remove_all(dir_);
    }

    struct Answer {
        int32_t rc;
        std::string rateDate, rate2, number;
        int unit;
        char decimals;
    };

    static Answer ask(const char* iso, const char* date) {
        LW_SB sb;
        std::memset(&sb, 0, sizeof sb);
        std::memcpy(sb.SB_VERSION, "01", 2);
        std::memcpy(sb.SENDER, "TESTS   ", 8);
        std::memcpy(sb.ISO_CODE, iso, 3);
        std::memcpy(sb.CURRENCY_NO, "   ", 3);
        std::memcpy(sb.REQ_DATE, date, 8);
        Answer a{};
        a.rc = LW_LesenWaehrKursDaten(&sb, nullptr, nullptr);
        a.rateDate.assign(sb.RATE_DATE, 8);
        a.rate2.assign(sb.RATES[1], 12);
        a.number.assign(sb.CURRENCY_NO_OUT, 3);
        int16_t unit;
        std::memcpy(&unit, sb.RATE_UNIT, 2);
        a.unit = unit;
        a.decimals = sb.DEC_FLAG;
        return a;
    }

    fs::path dir_, file_;
};

} // namespace

TEST_F(KernelReads, SelectsTheRateBeforeOnAndAfterEachRateDate) {
    struct Case {
        const char *iso, *date;
        int32_t rc;
        const char *rateDate, *rate;
    } cases[] = {
        {"USD", "20070513", 485, "", ""},
        {"USD", "20070514", 0, "20070514", "+00013530000"},
        {"USD", "20070515", 0, "20070514", "+00013530000"},
        {"USD", "20070516", 0, "20070516", "+00013524000"},
        {"USD", "20070517", 0, "20070517", "+00013516000"},
        {"USD", "20080101", 0, "20070517", "+00013516000"},
        {"USD", "99999999", 0, "20070517", "+00013516000"},
        {"IDR", "20070516", 0, "20070516", "+01195020000"},
        {"JPY", "20070515", 0, "20070514", "+01621000000"},
        {"CYP", "20070516", 0, "20070514", "+00005831000"},
        {"CYP", "20070517", 0, "20070517", "+00005826000"},
        {"CHF", "20070517", 482, "", ""},
    };
    for (const Case& c : cases) {
        Answer a = ask(c.iso, c.date);
        EXPECT_EQ(a.rc, c.rc) << c.iso << " " << c.date;
        if (c.rc == 0) {
            EXPECT_EQ(a.rateDate, c.rateDate) << c.iso << " " << c.date;
            EXPECT_EQ(a.rate2, c.rate) << c.iso << " " << c.date;
        }
    }
}

TEST_F(KernelReads, CarriesNumberUnitAndDecimals) {
    Answer idr = ask("IDR", "20070517");
    EXPECT_EQ(idr.number, "360");
    EXPECT_EQ(idr.unit, 100);
    EXPECT_EQ(idr.decimals, 'J');
    Answer jpy = ask("JPY", "20070517");
    EXPECT_EQ(jpy.number, "392");
    EXPECT_EQ(jpy.unit, 1);
    EXPECT_EQ(jpy.decimals, 'N');
}

TEST_F(KernelReads, FileDateIsFoundAndTheFileIsSound) {
    EXPECT_EQ(rf::readFileDate(file_), "20070517");
    EXPECT_TRUE(rf::checkRateFile(file_).empty());
}
