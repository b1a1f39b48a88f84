// SPDX-License-Identifier: Apache-2.0
// Control-data files: the writer's layout, loading written files in every variant against
// the load from memory, conversion on first use, and malformed files.
#include "ctrldata.h"
#include "ctrlfile.h"
#include "support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using ctrltest::field;
using ctrltest::load;
using ctrltest::ScratchFile;

namespace {

std::vector<unsigned char> formatted(const void* record, std::size_t size, int32_t variant) {
    std::size_t n = 0;
    EXPECT_EQ(CF_FormatRecord(record, size, variant, nullptr, 0, &n), CF_OK);
    std::vector<unsigned char> out(n);
    EXPECT_EQ(CF_FormatRecord(record, size, variant, out.data(), out.size(), &n), CF_OK);
    return out;
}

std::vector<unsigned char> builtinFile(int32_t variant) {
    InitTarvoDaten();
    return formatted(&TarvoDaten, sizeof TarvoDaten, variant);
}

// PS_EB without what differs between two loads by design: the call date and time, and
// the rows beyond the stored currency count, which only the load from memory copies.
PS_EB comparable(const PS_EB& eb, int32_t storedCount) {
    PS_EB c = ctrltest::withoutCallTime(eb);
    for (int32_t i = storedCount; i < PS_WAEHR_MAX; ++i) {
        std::memset(&c.Waehrung[i], 0, sizeof(PS_Waehrung));
    }
    return c;
}

int32_t storedCount(const std::string& version) {
    return version == "*+" ? 16 : 15;
}

TEST(Writer, BuiltinRecordLayout) {
    const auto file = builtinFile(CF_ASCII_CRLF);
    ASSERT_EQ(file.size(), 10u + 3826u + 3418u);
    const std::string text(file.begin(), file.end());
    EXPECT_EQ(text.substr(0, 10), ";;;;;;;;\r\n");
    EXPECT_EQ(text.substr(10, 24), "00003826\r\n02;;0004\r\n;;\r\n");
    EXPECT_EQ(text.substr(10 + 3826, 24), "00003418\r\n*+;;0001\r\n;;\r\n");
    EXPECT_EQ(text.substr(10 + CF_ROWS, 64),
              "DEM\r\n;+00019558300\r\n000\r\n;004\r\n;19990101\r\n2\r\n;0\r\nN\r\n20020228;;\r\n");
    EXPECT_EQ(text.substr(10 + CF_ENTRIES + CF_ENTRY_SIZE, 102),
              "Anwend_1\r\nP\r\n;Pref_Test_DLL    \r\n;Pref_Prod_DLL    \r\n;DB2N\r\n"
              "NN-NNN----\r\n19990101\r\n20020101\r\n20000101\r\n");
    // A text file: no zero bytes, every line ends in CR LF and none is empty.
    std::size_t lines = 0;
    for (std::size_t i = 0; i < file.size(); ++i) {
        ASSERT_NE(file[i], 0) << i;
        if (file[i] == '\r') {
            ASSERT_LT(i + 1, file.size());
            ASSERT_EQ(file[i + 1], '\n') << i;
            ASSERT_GT(i, 0u);
            ASSERT_NE(file[i - 1], '\n') << "empty line at " << i;
            ++lines;
        } else if (file[i] == '\n') {
            ASSERT_EQ(file[i - 1], '\r') << i;
        }
    }
    const auto lf = builtinFile(CF_ASCII_LF);
    EXPECT_EQ(lf.size(), file.size() - lines);
    EXPECT_EQ(builtinFile(CF_EBCDIC).size(), file.size());
    EXPECT_EQ(builtinFile(CF_EBCDIC_NL).size(), file.size() - lines);
    EXPECT_EQ(builtinFile(CF_EBCDIC)[0], 0x5E) << "EBCDIC ';'";
}

TEST(Writer, RejectsBadArgumentsAndRecords) {
    InitTarvoDaten();
    std::size_t n = 99;
    EXPECT_EQ(CF_FormatRecord(nullptr, 10, CF_ASCII_CRLF, nullptr, 0, &n), CF_ERR_ARGUMENT);
    EXPECT_EQ(CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, 7, nullptr, 0, &n), CF_ERR_ARGUMENT);
    EXPECT_EQ(CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, 0, nullptr, 0, nullptr),
              CF_ERR_ARGUMENT);
    EXPECT_EQ(CF_WriteRecordFile(&TarvoDaten, sizeof TarvoDaten, CF_ASCII_CRLF, nullptr),
              CF_ERR_ARGUMENT);
    unsigned char small[100];
    EXPECT_EQ(CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, 0, small, sizeof small, &n),
              CF_ERR_SPACE);
    EXPECT_EQ(n, 10u + 3826u + 3418u);

    struct Mutation {
        const char* what;
        void (*apply)(PS_TarvoDaten&);
        int32_t expected;
    } mutations[] = {
        {"no blocks", [](PS_TarvoDaten& r) { r.BlockAnzahl = 0; }, CF_ERR_RECORD},
        {"short block", [](PS_TarvoDaten& r) { r.Block1.BlockLaenge = 100; }, CF_ERR_RECORD},
        {"block past the end", [](PS_TarvoDaten& r) { r.Block2.BlockLaenge = 4000; },
         CF_ERR_RECORD},
        {"more entries than stored", [](PS_TarvoDaten& r) { r.Block1.AnwAnzahl = 5; },
         CF_ERR_RECORD},
        {"negative entries", [](PS_TarvoDaten& r) { r.Block1.AnwAnzahl = -1; }, CF_ERR_RECORD},
        {"currency count 51", [](PS_TarvoDaten& r) { r.Block1.WaehrAnzahl = 51; }, CF_ERR_RECORD},
        {"blocks beyond the record",
         [](PS_TarvoDaten& r) {
             r.BlockAnzahl = 3;
             r.Block2.LetzterBlock = 0;
         },
         CF_ERR_RECORD},
        {"line end in a name", [](PS_TarvoDaten& r) { r.Block1.Anwendung[1].Name[3] = '\n'; },
         CF_ERR_CHARACTER},
        {"CR in a rate", [](PS_TarvoDaten& r) { r.Block2.Waehrung[40].FixKurs[0] = '\r'; },
         CF_ERR_CHARACTER},
    };
    for (const auto& m : mutations) {
        PS_TarvoDaten r;
        std::memcpy(&r, &TarvoDaten, sizeof r);
        m.apply(r);
        for (int32_t v : {CF_ASCII_CRLF, CF_EBCDIC}) {
            EXPECT_EQ(CF_FormatRecord(&r, sizeof r, v, nullptr, 0, &n), m.expected) << m.what;
        }
    }
    // A character without an EBCDIC counterpart can be written in ASCII only.
    PS_TarvoDaten r;
    std::memcpy(&r, &TarvoDaten, sizeof r);
    r.Block1.Anwendung[0].Datenbank[0] = static_cast<char>(0xB0);
    EXPECT_EQ(CF_FormatRecord(&r, sizeof r, CF_ASCII_LF, nullptr, 0, &n), CF_OK);
    EXPECT_EQ(CF_FormatRecord(&r, sizeof r, CF_EBCDIC, nullptr, 0, &n), CF_ERR_CHARACTER);
    EXPECT_EQ(CF_FormatRecord(&TarvoDaten, 3000, CF_ASCII_CRLF, nullptr, 0, &n), CF_ERR_RECORD);
    EXPECT_STRNE(CF_ResultText(CF_ERR_CHARACTER), CF_ResultText(CF_OK));
}

TEST(Writer, FailedWriteLeavesTheFolderAlone) {
    ScratchFile f;
    const auto dir = f.path().parent_path();
    EXPECT_EQ(CF_WriteBuiltinFile(CF_ASCII_CRLF, (dir / "missing" / "TARVO.DAT").c_str()),
              CF_ERR_IO);
    PS_TarvoDaten bad{};
    f.write({'o', 'l', 'd'});
    EXPECT_EQ(CF_WriteRecordFile(&bad, sizeof bad, CF_ASCII_CRLF, f.path().c_str()), CF_ERR_RECORD);
    EXPECT_EQ(f.read(), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(Writer, ReplacementKeepsThePermissionsAndLeavesNoTemporaryFile) {
    namespace fs = std::filesystem;
    ScratchFile f;
    f.write({'o', 'l', 'd'});
    fs::permissions(f.path(), fs::perms::owner_read | fs::perms::owner_write |
                                  fs::perms::group_read | fs::perms::others_read);
    ASSERT_EQ(CF_WriteBuiltinFile(CF_ASCII_CRLF, f.path().c_str()), CF_OK);
    EXPECT_EQ(fs::status(f.path()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    EXPECT_EQ(f.read(), builtinFile(CF_ASCII_CRLF));
    EXPECT_EQ(
        std::distance(fs::directory_iterator(f.path().parent_path()), fs::directory_iterator()), 1);
}

// Every variant, loaded through PS_LesenTarvoDaten, gives what the load from memory gives;
// after the first load the file on disk is the ASCII CR LF form.
TEST(FileLoad, RoundTripInEveryVariant) {
    const std::vector<std::string> versions = {"02", "  ", "*+", "03"};
    const std::vector<std::string> apps = {"        ", "Anwend_1", "Test___2", "Nobody  "};
    const std::vector<std::string> dates = {"19981231", "20000615", "20010615", "20020215",
                                            "20020301"};
    struct Expected {
        std::string version, app, date;
        ctrltest::Load l;
    };
    std::vector<Expected> expected;
    {
        ctrltest::NoFile none;
        for (const auto& v : versions) {
            for (const auto& a : apps) {
                for (const auto& d : dates) {
                    expected.push_back({v, a, d, load(v, a, d)});
                }
            }
        }
    }
    const auto crlf = builtinFile(CF_ASCII_CRLF);
    for (int32_t variant : {CF_ASCII_CRLF, CF_ASCII_LF, CF_EBCDIC, CF_EBCDIC_NL}) {
        SCOPED_TRACE("variant " + std::to_string(variant));
        ScratchFile f;
        ASSERT_EQ(CF_WriteBuiltinFile(variant, f.path().c_str()), CF_OK);
        EXPECT_EQ(f.read(), builtinFile(variant)) << "the written file is the formatted one";
        ctrltest::traceCalls().clear();
        std::size_t traced = 0;
        for (const auto& e : expected) {
            SCOPED_TRACE(e.version + "/" + e.app + "/" + e.date);
            const auto l = load(e.version, e.app, e.date);
            ASSERT_EQ(l.rc, e.l.rc);
            EXPECT_EQ(field(l.sb.RETURN_CODE, 4), field(e.l.sb.RETURN_CODE, 4));
            if (l.rc == 442) {
                continue;
            }
            const int32_t stored = storedCount(field(e.l.eb.EB_Version, 2));
            const PS_EB got = comparable(l.eb, stored);
            const PS_EB want = comparable(e.l.eb, stored);
            EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0);
            if (l.eb.Anwendung.Modus == 'T') {
                traced += 2;
            }
        }
        EXPECT_EQ(ctrltest::traceCalls().size(), traced);
        EXPECT_GT(traced, 0u);
        EXPECT_EQ(f.read(), crlf) << "converted in place to ASCII with CR LF";
    }
}

TEST(FileLoad, EditedRecordLoadsLikeTheSameRecordInMemory) {
    InitTarvoDaten();
    PS_TarvoDaten edited;
    std::memcpy(&edited, &TarvoDaten, sizeof edited);
    auto& b = edited.Block1;
    std::memcpy(b.EB_Version, "05", 2);
    b.NotierungEuro = '\0';
    b.Waehrung[0].EinheitExp = '\0';
    b.Waehrung[1].EinheitExp = '3';
    b.Waehrung[2].Dezimalen = '0';
    b.WaehrAnzahl = 16;
    std::memcpy(b.Anwendung[3].Name, "Kasse_07", 8);
    b.Anwendung[3].Modus = 'P';

    ScratchFile f;
    ASSERT_EQ(CF_WriteRecordFile(&edited, sizeof edited, CF_EBCDIC_NL, f.path().c_str()), CF_OK);
    const auto fromFile = load("05", "Kasse_07", "20010615");

    ctrltest::NoFile none;
    load("02", "        ", "20010615"); // the one-time fill runs before the record is edited
    std::memcpy(&TarvoDaten, &edited, sizeof edited);
    const auto fromMemory = load("05", "Kasse_07", "20010615");
    InitTarvoDaten();

    ASSERT_EQ(fromFile.rc, 0);
    ASSERT_EQ(fromMemory.rc, 0);
    EXPECT_EQ(fromFile.eb.NotierungEuro, 'M');
    EXPECT_EQ(fromFile.eb.Waehrung[0].EinheitExp, '0');
    EXPECT_EQ(fromFile.eb.Waehrung[1].EinheitExp, '3');
    EXPECT_EQ(fromFile.eb.WaehrAnzahl, 16);
    EXPECT_EQ(field(fromFile.eb.Waehrung[15].ISOCode, 3), "XXX");
    const PS_EB got = comparable(fromFile.eb, 16);
    const PS_EB want = comparable(fromMemory.eb, 16);
    EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0);
}

// The CR LF file with one block header field replaced.
std::vector<unsigned char> withBytes(std::vector<unsigned char> file, std::size_t at,
                                     const std::string& bytes) {
    std::memcpy(file.data() + at, bytes.data(), bytes.size());
    return file;
}

TEST(FileLoad, MalformedFilesGiveACode) {
    const auto good = builtinFile(CF_ASCII_CRLF);
    const std::size_t block2 = 10 + 3826;
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        const char* version;
        int32_t rc;
    };
    const std::string marker = ";;;;;;;;\r\n";
    const std::vector<Case> cases = {
        {"marker only", {marker.begin(), marker.end()}, "02", 442},
        {"half a header", withBytes({marker.begin(), marker.end()}, 0, marker), "02", 442},
        {"length not a number", withBytes(good, 10, "ABCDEFGH"), "02", 442},
        {"length below a header", withBytes(good, 10, "00000023"), "02", 442},
        {"length of zero", withBytes(good, 10, "00000000"), "02", 442},
        {"length above 16384", withBytes(good, 10, "00016385"), "02", 442},
        {"length past the end", withBytes(good, block2, "00003419"), "*+", 442},
        {"second block unreachable", withBytes(good, 10, "00003000"), "*+", 442},
        {"block only a header", withBytes(good, 10, "00000024"), "02", 489},
        {"block shorter than its table", withBytes(good, 10, "00003000"), "02", 489},
        {"more entries than the block holds", withBytes(good, 24, "0005"), "02", 489},
        {"currency count above 50", withBytes(good, 10 + CF_BODY_COUNT, "51"), "02", 489},
        {"no currency count", withBytes(good, 10 + CF_BODY_COUNT, "xx"), "02", 0},
        {"no application count", withBytes(good, 24, "    "), "02", 443},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFile f;
        f.write(c.bytes);
        const auto l = load(c.version, "Anwend_1", "20010615");
        EXPECT_EQ(l.rc, c.rc);
        EXPECT_LE(l.eb.WaehrAnzahl, PS_WAEHR_MAX);
    }
}

TEST(FileLoad, TruncatedFilesNeverReadPastTheirEnd) {
    const auto good = builtinFile(CF_ASCII_CRLF);
    const std::size_t block2 = 10 + 3826;
    for (std::size_t cut = 0; cut < good.size(); cut += 61) {
        SCOPED_TRACE(cut);
        ScratchFile f;
        f.write({good.begin(), good.begin() + static_cast<long>(cut)});
        const auto first = load("02", "Anwend_1", "20010615");
        const auto second = load("*+", "        ", "20010615");
        if (cut < 10) {
            EXPECT_EQ(first.rc, 489) << "not even a marker line";
        } else if (cut < block2) {
            EXPECT_EQ(first.rc, 442);
        } else {
            EXPECT_EQ(first.rc, 0);
        }
        EXPECT_EQ(second.rc, cut < 10 ? 489 : 442);
    }
}

TEST(FileLoad, ExistingUnreadableFileIsNeverReplacedByTheBuiltinRecord) {
    ScratchFile f;
    // A file without the marker line cannot be converted.
    const std::vector<unsigned char> noMarker = {'0', '0', '0', '0',  '3',
                                                 '8', '2', '6', '\r', '\n'};
    f.write(noMarker);
    auto l = load("02", "Anwend_1", "20010615");
    EXPECT_EQ(l.rc, 489);
    EXPECT_EQ(field(l.sb.RETURN_CODE, 4), "0489");
    EXPECT_EQ(l.eb.WaehrAnzahl, 0);
    EXPECT_EQ(f.read(), noMarker) << "left as it was";
    // A folder opens for reading but cannot be read.
    std::filesystem::remove(f.path());
    std::filesystem::create_directory(f.path());
    l = load("02", "Anwend_1", "20010615");
    EXPECT_EQ(l.rc, 489);
}

TEST(FileLoad, NoBufferGives444) {
#ifndef DECARITH_ALLOC_FAILURE_HOOK
    GTEST_SKIP() << "AR_New_ failure hook not compiled in (TARVO_ALLOC_FAILURE_HOOK)";
#endif
    ScratchFile f;
    ASSERT_EQ(CF_WriteBuiltinFile(CF_ASCII_CRLF, f.path().c_str()), CF_OK);
    setenv("TARVO_AR_NEW_FAIL_AT", "1:ctrldata", 1);
    const auto l = load("02", "Anwend_1", "20010615");
    unsetenv("TARVO_AR_NEW_FAIL_AT");
    EXPECT_EQ(l.rc, 444);
    EXPECT_EQ(field(l.sb.RETURN_CODE, 4), "0444");
    EXPECT_EQ(load("02", "Anwend_1", "20010615").rc, 0);
}

TEST(FileLoad, RandomBytesAndMutationsNeverCrash) {
    std::mt19937 rng(20020101);
    const auto good = builtinFile(CF_ASCII_CRLF);
    const std::string marker = ";;;;;;;;\r\n";
    for (int round = 0; round < 150; ++round) {
        std::vector<unsigned char> bytes;
        if (round % 3 == 0) {
            // Pure noise behind a marker line.
            bytes.assign(marker.begin(), marker.end());
            const std::size_t n = rng() % 8000;
            for (std::size_t i = 0; i < n; ++i) {
                bytes.push_back(static_cast<unsigned char>(rng()));
            }
        } else {
            // A good file with a few bytes changed after the marker line.
            bytes = good;
            const int changes = 1 + static_cast<int>(rng() % 8);
            for (int i = 0; i < changes; ++i) {
                bytes[10 + rng() % (bytes.size() - 10)] = static_cast<unsigned char>(rng());
            }
        }
        ScratchFile f;
        f.write(bytes);
        for (const char* v : {"02", "*+", "  "}) {
            const auto l = load(v, "Anwend_1", "20010615");
            EXPECT_TRUE(l.rc == 0 || l.rc == 442 || l.rc == 443 || l.rc == 489) << l.rc;
            EXPECT_GE(l.eb.WaehrAnzahl, 0);
            EXPECT_LE(l.eb.WaehrAnzahl, PS_WAEHR_MAX);
        }
    }
}

} // namespace
