// SPDX-License-Identifier: Apache-2.0
// Rate-file records, exact rate storage, the atomic writer and the checker.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "ratefile.h"

namespace rf = tarvo::ratefile;
namespace fs = std::filesystem;

namespace {

// The calculator's way of finding the file date: first line holding "@@@", skip 18 ';',
// then characters 2 to 9 of what is left.
std::string calculatorFileDate(const std::string& bytes) {
    std::istringstream in(bytes);
    std::string line;
    while (std::getline(in, line)) {
        auto at = line.find("@@@");
        if (at == std::string::npos)
            continue;
        std::string rest = line.substr(at);
        for (int i = 0; i < 18; ++i) {
            auto semi = rest.find(';');
            if (semi == std::string::npos)
                return "";
            rest = rest.substr(semi + 1);
        }
        return rest.size() >= 9 ? rest.substr(1, 8) : "";
    }
    return "";
}

struct TempDir {
    fs::path path;
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "ratefile-XXXXXX").string();
        path = ::mkdtemp(tmpl.data());
    }
    ~TempDir() { fs::remove_all(path); }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(path), {}));
    }
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void spitFile(const fs::path& p, const std::string& s) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << s;
}

std::string describe(const std::vector<rf::Fault>& faults) {
    std::string out;
    for (const auto& f : faults)
        out += std::to_string(f.record) + ": " + f.message + "\n";
    return out;
}

std::vector<rf::RateRecord> sample() {
    return {
        rf::makeRecord("USD", "20070517", "1.3516"), rf::makeRecord("JPY", "20070517", "163.95"),
        rf::makeRecord("USD", "20070514", "1.3530"), rf::makeRecord("IDR", "20070517", "11893.45")};
}

} // namespace

TEST(StoreRate, KeepsEveryRateExactWithTheSmallestUnit) {
    struct Case {
        const char* text;
        const char* stored;
        int unit;
    } cases[] = {
        {"1.0856", "+00010856000", 1},
        {"169.17", "+01691700000", 1},
        {"0.58731", "+00005873100", 1},
        {"9999.9999999", "+99999999999", 1},
        {"16123.45", "+01612345000", 100},
        {"26000", "+02600000000", 100},
        {"999999.99999", "+99999999999", 100},
        {"1800000", "+18000000000", 1000},
        {"1234567.8", "+12345678000", 1000},
        {"007.50", "+00075000000", 1},
        {".5", "+00005000000", 1},
    };
    for (const Case& c : cases) {
        rf::StoredRate s = rf::storeRate(c.text);
        EXPECT_EQ(s.dez4p7, c.stored) << c.text;
        EXPECT_EQ(s.unit, c.unit) << c.text;
    }
}

TEST(StoreRate, RefusesWhatCannotBeStoredExactly) {
    for (const char* bad :
         {"0", "0.000", "", ".", "-1.5", "+1.5", "1e5", "1,5", "abc", "1.2.3", "12345678",
          "0.12345678", "12345.123456", "1234567.12345", " 1.5", "1.5 "}) {
        EXPECT_THROW(rf::storeRate(bad), rf::Error) << '"' << bad << '"';
    }
}

TEST(StoreRate, RandomRatesRoundTripExactly) {
    // Reference: the stored digits times the unit equal the rate times 10^7, in integers.
    std::mt19937_64 gen(20070517);
    for (int i = 0; i < 20000; ++i) {
        int intDigits = static_cast<int>(gen() % 8); // 0..7
        int maxDec = intDigits <= 4 ? 7 : (intDigits <= 6 ? 5 : 4);
        int decDigits = static_cast<int>(gen() % static_cast<unsigned>(maxDec + 1));
        std::string ip, fp;
        for (int k = 0; k < intDigits; ++k)
            ip += static_cast<char>('0' + (k == 0 ? 1 + gen() % 9 : gen() % 10));
        for (int k = 0; k < decDigits; ++k)
            fp += static_cast<char>('0' + gen() % 10);
        if (ip.empty() && fp.find_first_not_of('0') == std::string::npos)
            fp = "1";
        std::string text = (ip.empty() ? "0" : ip) + (fp.empty() ? "" : "." + fp);
        rf::StoredRate s = rf::storeRate(text);
        long long expect = 0;
        for (char c : ip)
            expect = expect * 10 + (c - '0');
        for (std::size_t k = 0; k < 7; ++k)
            expect = expect * 10 + (k < fp.size() ? fp[k] - '0' : 0);
        long long stored = 0;
        for (char c : s.dez4p7.substr(1))
            stored = stored * 10 + (c - '0');
        ASSERT_EQ(stored * s.unit, expect) << text;
        ASSERT_EQ(s.unit, intDigits <= 4 ? 1 : (intDigits <= 6 ? 100 : 1000)) << text;
    }
}

TEST(RateText, ShowsTheRatePerOneUnit) {
    EXPECT_EQ(rf::rateText("+01612345000", 100), "16123.45");
    EXPECT_EQ(rf::rateText("+00010856000", 1), "1.0856");
    EXPECT_EQ(rf::rateText("+18000000000", 1000), "1800000");
    EXPECT_EQ(rf::rateText("+00000000000", 1), "0");
}

TEST(Record, FieldsStandAtTheOffsetsTheKernelReads) {
    std::string r = rf::encodeRecord(rf::makeRecord("IDR", "20070517", "11893.45"));
    ASSERT_EQ(r.size(), 252u);
    EXPECT_EQ(r.substr(0, 3), "IDR");
    EXPECT_EQ(r.substr(5, 3), "360");
    EXPECT_EQ(r.substr(10, 8), "20070517");
    EXPECT_EQ(r[25], 'N');
    EXPECT_EQ(std::atoi(r.substr(31, 6).c_str()), 100);
    EXPECT_EQ(r[37], 'J');
    EXPECT_EQ(r[40], 'J');
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(r.substr(43 + 16 * static_cast<std::size_t>(i), 12), "+01189345000") << i;
    EXPECT_EQ(r.substr(139, 12), "+00000000000");
    EXPECT_EQ(r.substr(155, 12), "+00000000000");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(r.substr(171 + 10 * static_cast<std::size_t>(i), 8), "00000000");
    EXPECT_EQ(r[221], 'M');
    EXPECT_EQ(r.substr(250), "\r\n");
    EXPECT_TRUE(rf::checkRecord(r).empty());
    EXPECT_EQ(rf::decodeRecord(r), rf::makeRecord("IDR", "20070517", "11893.45"));

    std::string jpy = rf::encodeRecord(rf::makeRecord("JPY", "20070517", "163.95"));
    EXPECT_EQ(jpy.substr(5, 3), "392");
    EXPECT_EQ(jpy[37], 'N'); // no decimals
}

TEST(Record, KnowsEveryPublishedCurrencyIncludingRetiredOnes) {
    EXPECT_GE(rf::ecbCurrencies().size(), 42u);
    struct {
        const char *iso, *number;
        int minor;
        bool retired;
    } cases[] = {{"USD", "840", 2, false}, {"JPY", "392", 0, false}, {"ISK", "352", 0, false},
                 {"KRW", "410", 0, false}, {"IDR", "360", 2, false}, {"CYP", "196", 2, true},
                 {"TRL", "792", 0, true},  {"ROL", "642", 2, true},  {"HRK", "191", 2, true},
                 {"BGN", "975", 2, false}, {"AUD", "036", 2, false}};
    for (const auto& c : cases) {
        auto info = rf::findCurrency(c.iso);
        ASSERT_TRUE(info) << c.iso;
        EXPECT_EQ(info->number, c.number) << c.iso;
        EXPECT_EQ(info->minorDigits, c.minor) << c.iso;
        EXPECT_EQ(info->retired, c.retired) << c.iso;
    }
    EXPECT_FALSE(rf::findCurrency("EUR"));
    EXPECT_FALSE(rf::findCurrency("XYZ"));
    EXPECT_THROW(rf::makeRecord("XYZ", "20070517", "1"), rf::Error);
}

TEST(RateFile, VersionRecordCarriesTheDateTheCalculatorReads) {
    std::string bytes = rf::encodeRateFile(sample(), "");
    EXPECT_EQ(bytes.size(), 5 * 252u);
    EXPECT_EQ(calculatorFileDate(bytes), "20070517");
    EXPECT_EQ(calculatorFileDate(rf::encodeRateFile(sample(), "20070601")), "20070601");
    EXPECT_THROW(rf::encodeRateFile(sample(), "20070230"), rf::Error);
    EXPECT_THROW(rf::encodeRateFile({}, ""), rf::Error);
}

TEST(RateFile, RecordsOfOneCurrencyStandTogetherNewestFirst) {
    rf::RateFile f = rf::parseRateFile(rf::encodeRateFile(sample(), ""));
    ASSERT_EQ(f.records.size(), 4u);
    std::vector<std::string> order;
    for (const auto& r : f.records)
        order.push_back(r.iso + r.rateDate);
    EXPECT_EQ(order, (std::vector<std::string>{"IDR20070517", "JPY20070517", "USD20070517",
                                               "USD20070514"}));
    EXPECT_EQ(f.fileDate, "20070517");
}

TEST(RateFile, LookupSelectsLikeTheKernel) {
    rf::RateFile f = rf::parseRateFile(rf::encodeRateFile(sample(), ""));
    struct {
        const char* date;
        const char* expect; // rate date, "" for none
    } cases[] = {{"20070513", ""},         {"20070514", "20070514"}, {"20070516", "20070514"},
                 {"20070517", "20070517"}, {"20991231", "20070517"}, {"99999999", "20070517"}};
    for (const auto& c : cases) {
        auto hit = rf::lookup(f, "USD", c.date);
        EXPECT_EQ(hit ? hit->rateDate : "", c.expect) << c.date;
    }
    EXPECT_FALSE(rf::lookup(f, "GBP", "20070517"));
}

TEST(RateFile, MergeRefusesConflictingRatesUnlessAskedToReplace) {
    std::vector<rf::RateRecord> all = sample();
    rf::mergeRecords(all, {rf::makeRecord("USD", "20070517", "1.3516")});
    EXPECT_EQ(all.size(), 4u); // equal record taken once
    EXPECT_THROW(rf::mergeRecords(all, {rf::makeRecord("USD", "20070517", "1.4")}), rf::Error);
    rf::mergeRecords(all, {rf::makeRecord("USD", "20070517", "1.4")}, true);
    EXPECT_EQ(all[0].rates[1], "+00014000000");
}

TEST(Writer, ReplacesTheFileAtomicallyAndLeavesItOnFailure) {
    TempDir dir;
    fs::path file = dir.path / "WAEHKURS.DAT";
    rf::writeRateFile(file, sample());
    std::string before = slurp(file);
    EXPECT_EQ(before.size(), 5 * 252u);

    auto bad = sample();
    bad[1].number = "39"; // does not fit its field
    EXPECT_THROW(rf::writeRateFile(file, bad), rf::Error);
    auto dup = sample();
    dup.push_back(rf::makeRecord("USD", "20070517", "1.5"));
    EXPECT_THROW(rf::writeRateFile(file, dup), rf::Error);
    EXPECT_EQ(slurp(file), before);
    EXPECT_EQ(dir.entries(), 1u); // no temporary file left behind

    EXPECT_THROW(rf::writeRateFile(dir.path / "missing" / "WAEHKURS.DAT", sample()), rf::Error);
    EXPECT_EQ(rf::readFileDate(file), "20070517");
    EXPECT_FALSE(rf::readFileDate(dir.path / "none"));
}

TEST(Checker, AcceptsWhatTheWriterWrites) {
    EXPECT_TRUE(rf::checkRateFileBytes(rf::encodeRateFile(sample(), "")).empty());
}

TEST(Checker, ReportsEveryFaultWithItsRecordNumber) {
    const std::string good = rf::encodeRateFile(sample(), "");
    // Record 1 is the version record; 2 IDR, 3 JPY, 4 USD 0517, 5 USD 0514.
    struct Case {
        const char* name;
        std::size_t record; // 0 = file level
        std::size_t offset; // byte inside the file to change
        std::string bytes;
        const char* message;
    } cases[] = {
        {"unit", 2, 252 + 31, "  10", "unit"},
        {"date", 3, 504 + 10, "20070230", "rate date"},
        {"iso", 3, 504, "jp1", "ISO code"},
        {"number", 2, 252 + 5, "3a0", "currency number"},
        {"blocked", 2, 252 + 25, "X", "blocking flag"},
        {"decimals", 2, 252 + 37, "2", "decimals flag"},
        {"zero rate", 3, 504 + 59, "+00000000000", "rate 2"},
        {"rate text", 3, 504 + 43, "+0001 856000", "rate 1"},
        {"quotation", 3, 504 + 221, "Q", "quotation kind"},
        {"line end", 4, 756 + 250, "\n\n", "CR LF"},
        {"order", 5, 1008 + 10, "20070601", "newer than"},
        {"duplicate", 5, 1008 + 10, "20070517", "second record"},
        {"version date", 1, 181, "2007X517", "version record"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::string b = good;
        b.replace(c.offset, c.bytes.size(), c.bytes);
        auto faults = rf::checkRateFileBytes(b);
        // The streaming check of the same bytes in a file finds the same faults.
        spitFile(dir.path / "f", b);
        EXPECT_EQ(describe(rf::checkRateFile(dir.path / "f")), describe(faults)) << c.name;
        ASSERT_FALSE(faults.empty()) << c.name;
        bool found = false;
        for (const auto& f : faults)
            found |= f.record == c.record && f.message.find(c.message) != std::string::npos;
        EXPECT_TRUE(found) << c.name << ": " << faults.front().record << " "
                           << faults.front().message;
    }
}

TEST(Checker, FileLevelFaults) {
    const std::string good = rf::encodeRateFile(sample(), "");
    auto has = [](const std::vector<rf::Fault>& fs, std::size_t rec, const char* text) {
        for (const auto& f : fs)
            if (f.record == rec && f.message.find(text) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(has(rf::checkRateFileBytes(good + "x"), 0, "not a multiple"));
    EXPECT_TRUE(has(rf::checkRateFileBytes(good.substr(252)), 0, "no version record"));
    EXPECT_TRUE(has(rf::checkRateFileBytes(""), 0, "empty"));
    // A currency split into two runs.
    std::string split = good.substr(0, 4 * 252) + good.substr(252, 252) + good.substr(4 * 252);
    EXPECT_TRUE(has(rf::checkRateFileBytes(split), 5, "not together"));
    EXPECT_TRUE(has(rf::checkRateFileBytes(good + good.substr(0, 252)), 6, "second version"));
}

// The readers refuse what is not a regular file without blocking and read through links.
TEST(Readers, KindsOfFile) {
    TempDir dir;
    const std::string good = rf::encodeRateFile(sample(), "");
    spitFile(dir.path / "real", good);
    fs::create_symlink("real", dir.path / "link");
    fs::create_hard_link(dir.path / "real", dir.path / "hard");
    ASSERT_EQ(::mkfifo((dir.path / "fifo").c_str(), 0600), 0);
    fs::create_directory(dir.path / "folder");
    fs::create_symlink("/dev/null", dir.path / "device");
    fs::create_symlink("gone", dir.path / "dangling");
    struct Case {
        const char* name;
        const char* refusal; // "" when the file reads
    } const cases[] = {
        {"real", ""},
        {"link", ""},
        {"hard", ""},
        {"fifo", "not a regular file (a FIFO)"},
        {"folder", "not a regular file (a folder)"},
        {"device", "not a regular file (a character device)"},
        {"dangling", "No such file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path p = dir.path / c.name;
        const bool reads = *c.refusal == '\0';
        EXPECT_EQ(rf::readFileDate(p).has_value(), reads);
        for (const std::function<void()>& read : std::initializer_list<std::function<void()>>{
                 [&] { EXPECT_EQ(rf::readRateFile(p).records.size(), 4u); },
                 [&] { EXPECT_TRUE(rf::checkRateFile(p).empty()); },
                 [&] { EXPECT_EQ(rf::forEachRecord(p, [](std::string_view) {}), good.size()); }}) {
            if (reads) {
                read();
                continue;
            }
            try {
                read();
                ADD_FAILURE() << "read";
            } catch (const rf::Error& e) {
                EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
            }
        }
    }
}

TEST(Readers, StreamingCheckListsABoundedNumberOfFaults) {
    TempDir dir;
    std::string bad(3000 * rf::kRecordSize, 'x'); // every record faulty
    spitFile(dir.path / "bad", bad);
    const auto faults = rf::checkRateFile(dir.path / "bad", 100);
    ASSERT_EQ(faults.size(), 101u);
    EXPECT_NE(faults.back().message.find("further faults not listed"), std::string::npos);
    EXPECT_GT(rf::checkRateFileBytes(bad).size(), 3000u);
}
