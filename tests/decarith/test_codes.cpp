// SPDX-License-Identifier: Apache-2.0
// Code tables, in-place translation of open files and the conversion of the control-data file.
#include "helpers.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

// Expected translation of every byte value, index = byte, two hex digits per byte.
const char* const kEbcdicToPc = "0000000000090A0000200A000C0D0000"
                                "00000000000A08000000200000000000"
                                "00000020000A00000000001B00000020"
                                "000000200000200020200A000000005F"
                                "2020838485A05F8687A45B2E3C282B21"
                                "268288898AA18C8B8DE15D242A293B5E"
                                "2D2F5F8E5F5F5F8F80A57C2C255F3E3F"
                                "6F905F5F5F5F5F5F5F603A2340273D22"
                                "4F616263646566676869AEAF5F5F5FF1"
                                "F86A6B6C6D6E6F707172A6A791FE920F"
                                "E67E737475767778797AADA85F5F5FFA"
                                "9B9C9D9E9F1514ACABFEAA7C5FFE275F"
                                "7B41424344454647484920939495A25F"
                                "7D4A4B4C4D4E4F5051525F968197A398"
                                "5C20535455565758595AFD5F995F5F5F"
                                "30313233343536373839FC5F9A5F5FFF";
const char* const kPcToEbcdic = "0000000000000000000525200C0D009F"
                                "00000000B6B500000000000000000000"
                                "404F7F7B5B6C507D4D5D5C4E6B604B61"
                                "F0F1F2F3F4F5F6F7F8F97A5E4C7E6E6F"
                                "7CC1C2C3C4C5C6C7C8C9D1D2D3D4D5D6"
                                "D7D8D9E2E3E4E5E6E7E8E94AE05A5F46"
                                "79818283848586878889919293949596"
                                "979899A2A3A4A5A6A7A8A9C06AD0A100"
                                "68DC5142434447485253545756586367"
                                "719C9ECBCCCDDBDDDFECFCB0B1B2B3B4"
                                "4555CEDE49699A9BAB00BAB8B7AA8A8B"
                                "00000000000000000000000000000000"
                                "00000000000000000000000000000000"
                                "00000000000000000000000000000000"
                                "005900000000A0000000000000000000"
                                "008F0000000000009000AF00FAEA9D00";

unsigned char expected(const char* table, int byte) {
    return static_cast<unsigned char>(std::stoi(std::string(table + 2 * byte, 2), nullptr, 16));
}

// Translation by scanning the pair list: the first pair naming the byte wins, else 0x00.
unsigned char scan(const unsigned char* pairs, unsigned char byte) {
    for (const unsigned char* p = pairs; p[0] != 0x00; p += 2) {
        if (p[0] == byte) {
            return p[1];
        }
    }
    return 0x00;
}

TEST(CodeTables, EveryByteInBothDirections) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        EXPECT_EQ(scan(e2a, byte), expected(kEbcdicToPc, b)) << "EBCDIC " << b;
        EXPECT_EQ(scan(a2e, byte), expected(kPcToEbcdic, b)) << "PC " << b;
    }
}

TEST(CodeTables, KnownCodes) {
    struct Case {
        unsigned char from;
        unsigned char to;
    };
    const Case toPc[] = {{0x40, ' '}, {0x25, '\n'}, {0x0D, '\r'}, {0x15, '\n'}, {0x5E, ';'},
                         {0xC1, 'A'}, {0x81, 'a'},  {0x4B, '.'},  {0x4E, '+'},  {0x60, '-'},
                         {0x00, 0},   {0x01, 0},    {0x3E, 0},    {0xFF, 0xFF}, {0x9F, 0x0F}};
    for (const auto& c : toPc) {
        EXPECT_EQ(scan(e2a, c.from), c.to) << int{c.from};
    }
    for (int d = 0; d < 10; ++d) {
        EXPECT_EQ(scan(e2a, static_cast<unsigned char>(0xF0 + d)), '0' + d);
        EXPECT_EQ(scan(a2e, static_cast<unsigned char>('0' + d)), 0xF0 + d);
    }
    const Case toEbcdic[] = {{' ', 0x40}, {'\n', 0x25}, {'\r', 0x0D}, {';', 0x5E}, {'_', 0x46},
                             {'|', 0x6A}, {0x0B, 0x20}, {0x7F, 0},    {0xB0, 0},   {0xFF, 0}};
    for (const auto& c : toEbcdic) {
        EXPECT_EQ(scan(a2e, c.from), c.to) << int{c.from};
    }
}

// ---- Files ----

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void spit(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// An open temporary stream holding bytes.
struct Stream {
    FILE* f = std::tmpfile();
    explicit Stream(const std::string& bytes) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::rewind(f);
    }
    ~Stream() { std::fclose(f); }
    std::string content() {
        std::rewind(f);
        std::string s;
        for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f)) {
            s += static_cast<char>(c);
        }
        return s;
    }
};

std::string allBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) {
        s += static_cast<char>(b);
    }
    return s;
}

TEST(StreamTranslation, EveryByteThroughAnOpenFile) {
    Stream toPc(allBytes());
    EXPECT_EQ(AR_Ebcdic2Asci(toPc.f), 0u);
    EXPECT_EQ(std::ftell(toPc.f), 0); // positioned at the start again
    const std::string pc = toPc.content();
    ASSERT_EQ(pc.size(), 256u);
    Stream toEbcdic(allBytes());
    EXPECT_EQ(AR_Asci2Ebcdic(toEbcdic.f), 0u);
    const std::string ebcdic = toEbcdic.content();
    ASSERT_EQ(ebcdic.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(static_cast<unsigned char>(pc[static_cast<size_t>(b)]), expected(kEbcdicToPc, b));
        EXPECT_EQ(static_cast<unsigned char>(ebcdic[static_cast<size_t>(b)]),
                  expected(kPcToEbcdic, b));
    }
    Stream empty("");
    EXPECT_EQ(AR_Ebcdic2Asci(empty.f), 0u);
    EXPECT_EQ(empty.content(), "");
    EXPECT_EQ(AR_Ebcdic2Asci(nullptr), 0xFFFFu);
    EXPECT_EQ(AR_Asci2Ebcdic(nullptr), 0xFFFFu);
}

TEST(StreamTranslation, LineEnds) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"", ""},
        {"abc", "abc"},
        {"a\nb", "a\r\nb"},
        {"a\rb", "a\r\nb"},
        {"a\r\nb", "a\r\nb"},
        {"a\n\rb", "a\r\nb"},
        {"a\r\rb", "a\r\nb"},
        {"a\n\nb", "a\r\nb"},
        {"a\n\n\nb", "a\r\n\r\nb"},
        {"a\r\n\r\nb", "a\r\n\r\nb"},
        {"\n", "\r\n"},
        {"x\r", "x\r\n"},
        {std::string("a\0\nb", 4), std::string("a\0\r\nb", 5)},
    };
    for (const auto& c : cases) {
        Stream s(c.in);
        EXPECT_EQ(AR_ConvertFileFormat(s.f), 0u);
        EXPECT_EQ(std::ftell(s.f), 0);
        EXPECT_EQ(s.content(), c.out);
    }
    EXPECT_EQ(AR_ConvertFileFormat(nullptr), 0xFFFF0000u);
}

// A temporary folder with TARVO_STEUDAT naming a file in it.
class ControlFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/decarith-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        path_ = dir_ + "/TARVO.DAT";
        const char* old = std::getenv("TARVO_STEUDAT");
        hadOld_ = old != nullptr;
        old_ = hadOld_ ? old : "";
        setenv("TARVO_STEUDAT", path_.c_str(), 1);
    }
    void TearDown() override {
        if (hadOld_) {
            setenv("TARVO_STEUDAT", old_.c_str(), 1);
        } else {
            unsetenv("TARVO_STEUDAT");
        }
        for (const auto& name : entries()) {
            std::remove((dir_ + "/" + name).c_str());
        }
        rmdir(dir_.c_str());
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        if (DIR* d = opendir(dir_.c_str())) {
            while (const dirent* e = readdir(d)) {
                const std::string name = e->d_name;
                if (name != "." && name != "..") {
                    names.push_back(name);
                }
            }
            closedir(d);
        }
        return names;
    }
    ino_t inode(const std::string& path) const {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }
    std::string dir_;
    std::string path_;
    bool hadOld_ = false;
    std::string old_;
};

const std::string kMarker = ";;;;;;;;";
const std::string kEbcdicMarker(8, '\x5E');

TEST_F(ControlFile, FileWithMarkerAndCrLfIsLeftUntouched) {
    const std::string content = kMarker + "\r\nline\nwith bare LF\rand CR";
    spit(path_, content);
    const ino_t before = inode(path_);
    EXPECT_EQ(AR_ConvertFile(0), 0);
    EXPECT_EQ(slurp(path_), content);
    EXPECT_EQ(inode(path_), before);
}

TEST_F(ControlFile, BareLineFeedsBecomeCrLf) {
    spit(path_, kMarker + "\nfirst\nsecond\r\nthird\n");
    EXPECT_EQ(AR_ConvertFile(0), 0);
    EXPECT_EQ(slurp(path_), kMarker + "\r\nfirst\r\nsecond\r\nthird\r\n");
    EXPECT_EQ(AR_ConvertFile(0), 0); // nothing left to do
    EXPECT_EQ(slurp(path_), kMarker + "\r\nfirst\r\nsecond\r\nthird\r\n");
}

TEST_F(ControlFile, EbcdicFileIsTranslatedAndGetsCrLf) {
    // ";;;;;;;;" NL "AB1" NL "+0001" in EBCDIC.
    spit(path_, kEbcdicMarker + "\x15\xC1\xC2\xF1\x15\x4E\xF0\xF0\xF0\xF1");
    EXPECT_EQ(AR_ConvertFile(0), 0);
    EXPECT_EQ(slurp(path_), kMarker + "\r\nAB1\r\n+0001");
}

TEST_F(ControlFile, EbcdicFileWithCrLfIsTranslatedOnly) {
    spit(path_, kEbcdicMarker + "\x0D\x25\xC1");
    EXPECT_EQ(AR_ConvertFile(0), 0);
    EXPECT_EQ(slurp(path_), kMarker + "\r\nA");
}

TEST_F(ControlFile, OtherFilesAreLeftUntouched) {
    const std::string cases[] = {
        "",
        "hello\nworld\n",
        ";;;;;;;\n;;;\n",
        ";;;;" + std::string(4, '\x5E') + "\r\n", // half ASCII, half EBCDIC
        std::string("\x5E\x5E\x5E\x5E\x5E\x5E\x5E;\x15", 9),
        allBytes(),
    };
    for (const auto& content : cases) {
        spit(path_, content);
        const ino_t before = inode(path_);
        EXPECT_EQ(AR_ConvertFile(0), 489) << content;
        EXPECT_EQ(slurp(path_), content);
        EXPECT_EQ(inode(path_), before);
        EXPECT_EQ(entries().size(), 1u);
    }
}

TEST_F(ControlFile, MarkerOnlyFileReadsShortHead) {
    spit(path_, kMarker); // bytes 8 and 9 read as zero: line ends are rewritten (there are none)
    EXPECT_EQ(AR_ConvertFile(0), 0);
    EXPECT_EQ(slurp(path_), kMarker);
}

TEST_F(ControlFile, MissingFileGives489) {
    EXPECT_EQ(AR_ConvertFile(0), 489);
    setenv("TARVO_STEUDAT", dir_.c_str(), 1); // a folder is not a file to convert
    EXPECT_EQ(AR_ConvertFile(0), 489);
}

TEST_F(ControlFile, ConversionReplacesTheFileAtomically) {
    spit(path_, kMarker + "\nx\n");
    chmod(path_.c_str(), 0640);
    const ino_t before = inode(path_);
    EXPECT_EQ(AR_ConvertFile(0), 0);
    EXPECT_EQ(slurp(path_), kMarker + "\r\nx\r\n");
    EXPECT_NE(inode(path_), before); // a new file renamed over the old one
    struct stat st {};
    ASSERT_EQ(stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(), std::vector<std::string>{"TARVO.DAT"}); // no temporary file left
}

TEST_F(ControlFile, SymbolicLinkKeepsPointingToTheConvertedFile) {
    const std::string target = dir_ + "/real.dat";
    spit(target, kMarker + "\nx");
    ASSERT_EQ(symlink(target.c_str(), path_.c_str()), 0);
    EXPECT_EQ(AR_ConvertFile(0), 0);
    struct stat st {};
    ASSERT_EQ(lstat(path_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(slurp(target), kMarker + "\r\nx");
}

TEST_F(ControlFile, DefaultNameInTheCurrentFolder) {
    unsetenv("TARVO_STEUDAT");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    spit("TARVO.DAT", kMarker + "\n");
    const int32_t rc = AR_ConvertFile(0);
    const std::string content = slurp("TARVO.DAT");
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(content, kMarker + "\r\n");
}

#ifdef DECARITH_ALLOC_FAILURE_HOOK
TEST_F(ControlFile, FailedConversionLeavesTheOldFileWhole) {
    const std::string content = kEbcdicMarker + "\x15\xC1\x15";
    spit(path_, content);
    // Each buffer request of the conversion fails in turn; the file never changes.
    const uint32_t wants[] = {0xFFFFu, 0xFFFF0000u, 0xFFFF0000u};
    for (int k = 1; k <= 3; ++k) {
        setenv("TARVO_AR_NEW_FAIL_AT", (std::to_string(k) + ":file").c_str(), 1);
        const int32_t rc = AR_ConvertFile(0);
        unsetenv("TARVO_AR_NEW_FAIL_AT");
        EXPECT_EQ(static_cast<uint32_t>(rc), wants[k - 1]) << k;
        EXPECT_EQ(slurp(path_), content) << k;
        EXPECT_EQ(entries(), std::vector<std::string>{"TARVO.DAT"}) << k;
    }
    EXPECT_EQ(AR_ConvertFile(0), 0);
    EXPECT_EQ(slurp(path_), kMarker + "\r\nA\r\n");
}
#endif

} // namespace
