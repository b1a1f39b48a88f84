// SPDX-License-Identifier: Apache-2.0
// The encoded-record path of large imports gives what the RateRecord path gives: the same
// file bytes, or the same error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "ecb_fixtures.h"
#include "ratefile.h"

namespace rf = tarvo::ratefile;
namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool isRateFile(const std::string& bytes) {
    return bytes.substr(0, 3) == rf::kVersionMarker;
}

// What `tarvo rates import` made of the inputs with RateRecord: the file, or "error: ...".
std::string viaRecords(const std::vector<std::string>& inputs, bool replace,
                       const std::string& fileDate) {
    try {
        std::vector<rf::RateRecord> all;
        for (const std::string& in : inputs) {
            auto recs = isRateFile(in) ? rf::parseRateFile(in).records : rf::importEcb(in);
            if (all.empty())
                all = std::move(recs);
            else
                rf::mergeRecords(all, recs, replace);
        }
        return rf::encodeRateFile(all, fileDate);
    } catch (const rf::Error& e) {
        return std::string("error: ") + e.what();
    }
}

std::string viaEncoded(const std::vector<std::string>& inputs, bool replace,
                       const std::string& fileDate) {
    const fs::path out = fs::temp_directory_path() / "encoded-records-test.dat";
    fs::remove(out);
    try {
        std::string all;
        for (std::string in : inputs) {
            std::string recs;
            if (isRateFile(in)) {
                rf::encodeRateFileRecords(in);
                recs = std::move(in);
            } else {
                rf::importEcbEncoded(in, "input", recs);
            }
            if (all.empty())
                all = std::move(recs);
            else
                rf::mergeEncodedRecords(all, recs, replace);
        }
        // The bytes handed to a sink are the file's bytes.
        std::string emitted, copy = all;
        rf::emitEncodedRateFile([&](std::string_view b) { emitted += b; }, copy, fileDate);
        rf::writeEncodedRateFile(out, all, fileDate);
        std::string bytes = slurp(out);
        fs::remove(out);
        return emitted == bytes ? bytes : "error: the emitted bytes differ from the file";
    } catch (const rf::Error& e) {
        return std::string("error: ") + e.what();
    }
}

std::string csv(const std::string& body) {
    return "Date,USD,JPY,IDR,\n" + body;
}

} // namespace

TEST(EncodedRecords, GiveTheBytesAndErrorsOfTheRecordPath) {
    const std::string hist = fixtures::histXml();
    const std::string file = rf::encodeRateFile(rf::importEcb(hist), "20070517");
    // A rate file as another program may write it: unit "0100" for 100, other bytes between
    // the fields, a second version record. Re-encoding normalises all of it.
    std::string odd = file;
    for (std::size_t r = 1; r < odd.size() / rf::kRecordSize; ++r) {
        char* rec = odd.data() + r * rf::kRecordSize;
        rec[3] = 'x';
        rec[230] = '#';
        if (std::string_view(rec + rf::offset::unit, 4) == " 100")
            std::memcpy(rec + rf::offset::unit, "0100", 4);
    }
    odd += rf::encodeVersionRecord("20070101");
    const std::string dup = "<?xml version=\"1.0\"?><Cube><Cube time='2007-05-18'>"
                            "<Cube currency='USD' rate='1.3'/><Cube currency='USD' rate='1.4'/>"
                            "</Cube></Cube>";
    const std::string same = "<?xml version=\"1.0\"?><Cube><Cube time='2007-05-18'>"
                             "<Cube currency='USD' rate='1.3'/><Cube currency='USD' rate='1.3'/>"
                             "</Cube></Cube>";
    struct Case {
        const char* name;
        std::vector<std::string> inputs;
        bool replace;
        std::string fileDate;
    } cases[] = {
        {"one input", {hist}, false, ""},
        {"file date given", {hist}, false, "20991231"},
        {"rate file normalised", {odd}, false, ""},
        {"rate file and its source", {odd, hist}, false, ""},
        {"new day merged", {file, csv("2007-05-18,1.36,164.01,11888,\n")}, false, ""},
        {"equal day taken once", {file, csv("2007-05-17,1.3516,163.95,11893.45,\n")}, false, ""},
        {"conflict refused", {file, csv("2007-05-17,1.3517,N/A,N/A,\n")}, false, ""},
        {"conflict replaced", {file, csv("2007-05-17,1.3517,N/A,N/A,\n")}, true, ""},
        {"later input wins",
         {file, csv("2007-05-17,1.1,N/A,N/A,\n"), csv("2007-05-17,1.2,,,\n")},
         true,
         ""},
        {"duplicate in the first input", {dup}, false, ""},
        {"equal duplicate in the first input", {same}, false, ""},
        {"duplicate in a later input", {file, dup}, false, ""},
        {"duplicate in a later input replaced", {file, dup}, true, ""},
        {"equal duplicate in a later input", {file, same}, false, ""},
        {"empty first input takes the next whole",
         {csv("2007-05-18,N/A,N/A,N/A,\n"), dup},
         false,
         ""},
        {"nothing to write", {csv("2007-05-18,N/A,N/A,N/A,\n")}, false, ""},
        {"nothing but a file date", {csv("2007-05-18,N/A,N/A,N/A,\n")}, false, "20070518"},
    };
    for (const Case& c : cases) {
        const std::string expected = viaRecords(c.inputs, c.replace, c.fileDate);
        EXPECT_EQ(viaEncoded(c.inputs, c.replace, c.fileDate), expected) << c.name;
    }
}

TEST(EncodedRecords, RandomMergesMatchTheRecordPath) {
    // Many currencies and days in random order over several inputs, with repeated and
    // changed rates: the merge, the stable sort and the in-place permutation are exercised.
    std::mt19937 rng(42);
    const auto& table = rf::ecbCurrencies();
    for (int round = 0; round < 20; ++round) {
        std::vector<std::string> inputs;
        const int files = 1 + static_cast<int>(rng() % 3);
        for (int f = 0; f < files; ++f) {
            std::string xml = "<?xml version=\"1.0\"?><Cube>";
            std::vector<unsigned> days(40);
            for (unsigned& d : days)
                d = static_cast<unsigned>(rng() % 60);
            std::sort(days.begin(), days.end());
            days.erase(std::unique(days.begin(), days.end()), days.end());
            std::shuffle(days.begin(), days.end(), rng);
            for (unsigned d : days) {
                char date[32];
                std::snprintf(date, sizeof date, "2001-%02u-%02u", 1 + d / 28, 1 + d % 28);
                xml += std::string("<Cube time='") + date + "'>";
                for (int k = 0; k < 6; ++k) {
                    const auto& cur = table[rng() % table.size()];
                    xml += "<Cube currency='" + std::string(cur.iso) + "' rate='1." +
                           std::to_string(rng() % 4) + "'/>";
                }
                xml += "</Cube>";
            }
            inputs.push_back(xml + "</Cube>");
        }
        for (bool replace : {false, true}) {
            const std::string expected = viaRecords(inputs, replace, "");
            ASSERT_EQ(viaEncoded(inputs, replace, ""), expected) << "round " << round;
        }
    }
}
