// SPDX-License-Identifier: Apache-2.0
// The rate-file reader's snapshot: every call sees the file as it is at that moment, with the
// snapshot and without it (TARVO_WAEHKURS_CACHE=0), and a settled file is not read again.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "kern_test_util.h"

namespace {

namespace fs = std::filesystem;
using tarvo::ratefile::RateRecord;

struct Answer {
    int32_t rc;
    std::string block;
    bool operator==(const Answer&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Answer& a) {
    return os << "rc " << a.rc << " rate " << a.block.substr(offsetof(LW_SB, RATES), 12);
}

struct Request {
    const char* iso;
    const char* number;
    const char* date;
};
// Keys and dates that reach every kind of answer of the files below.
const Request kRequests[] = {{"USD", "   ", "99999999"}, {"USD", "   ", "20010615"},
                             {"USD", "   ", "20001231"}, {"GBP", "   ", "20010315"},
                             {"GBP", "   ", "20010101"}, {"   ", "392", "20010615"},
                             {"JPY", "   ", "20010615"}, {"CHF", "   ", "20010615"}};

Answer ask(const Request& q) {
    LW_SB r;
    kt::head(r, "AP602F1 ");
    std::memcpy(r.ISO_CODE, q.iso, 3);
    std::memcpy(r.CURRENCY_NO, q.number, 3);
    std::memcpy(r.REQ_DATE, q.date, 8);
    const int32_t rc = LW_LesenWaehrKursDaten(&r, nullptr, nullptr);
    return {rc, std::string(reinterpret_cast<const char*>(&r), sizeof r)};
}

// The answer of a read of the file as it is now.
Answer askFresh(const Request& q) {
    const char* old = std::getenv("TARVO_WAEHKURS_CACHE");
    const std::string saved = old != nullptr ? old : "";
    setenv("TARVO_WAEHKURS_CACHE", "0", 1);
    Answer a = ask(q);
    if (old != nullptr)
        setenv("TARVO_WAEHKURS_CACHE", saved.c_str(), 1);
    else
        unsetenv("TARVO_WAEHKURS_CACHE");
    return a;
}

void expectAllFresh(const std::string& what) {
    for (const auto& q : kRequests)
        EXPECT_EQ(ask(q), askFresh(q)) << what << ": " << q.iso << q.number << " " << q.date;
}

RateRecord rec(const char* iso, const char* number, const char* date, const char* rate) {
    RateRecord r = kt::record(iso, date, rate);
    r.number = number;
    return r;
}

std::string encode(const std::vector<RateRecord>& records) {
    std::string bytes = tarvo::ratefile::encodeVersionRecord("20010615");
    for (const auto& r : records)
        bytes += tarvo::ratefile::encodeRecord(r);
    return bytes;
}

// File A and file B differ in one digit of USD's newest rate 1 (rate type G), so they have
// the same size.
std::string fileA() {
    return encode({rec("GBP", "826", "20010320", "+00006123400"),
                   rec("GBP", "826", "20010310", "+00006000000"),
                   rec("USD", "840", "20010601", "+00009300000"),
                   rec("USD", "840", "20010101", "+00009100000")});
}
std::string fileB() {
    std::string b = fileA();
    const std::size_t at = b.find("+00009300000");
    b[at + 5] = '4';
    return b;
}
std::string jpyRecord() {
    return tarvo::ratefile::encodeRecord(rec("JPY", "392", "20010501", "+01100000000"));
}

void put(const fs::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Overwrites bytes in place without changing the size, then puts the old modification time
// back, so that only the change time tells the versions apart.
void rewriteInPlace(const fs::path& p, const std::string& bytes) {
    struct stat st;
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    const int fd = ::open(p.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
}

// Bytes read by this process so far, or -1 where the system does not count them.
long long bytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = -1;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return -1;
}

// One folder per case, written before the cases run so that the files have settled.
struct Case {
    const char* name;
    std::function<void(const fs::path& file, const fs::path& dir)> change;
    bool changesFile = true; // the file the variable named before answers otherwise after
};

const Case kCases[] = {
    {"replaced by rename",
     [](const fs::path& f, const fs::path& d) {
         put(d / "new", fileB());
         fs::rename(d / "new", f);
     }},
    {"rewritten in place, same size and time",
     [](const fs::path& f, const fs::path&) { rewriteInPlace(f, fileB()); }},
    {"rewritten in place twice at once",
     [](const fs::path& f, const fs::path&) {
         put(f, fileA());
         expectAllFresh("just written");
         rewriteInPlace(f, fileB());
     }},
    {"truncated to one record",
     [](const fs::path& f, const fs::path&) {
         fs::resize_file(f, 2 * tarvo::ratefile::kRecordSize);
     }},
    {"truncated inside a record",
     [](const fs::path& f, const fs::path&) { fs::resize_file(f, 300); }},
    {"grown",
     [](const fs::path& f, const fs::path&) {
         std::ofstream(f, std::ios::binary | std::ios::app) << jpyRecord();
     },
     false},
    {"removed", [](const fs::path& f, const fs::path&) { fs::remove(f); }},
    {"made unreadable",
     [](const fs::path& f, const fs::path&) { fs::permissions(f, fs::perms::none); },
     geteuid() != 0},
    {"replaced by a folder",
     [](const fs::path& f, const fs::path&) {
         fs::remove(f);
         fs::create_directory(f);
     }},
    {"replaced by a FIFO",
     [](const fs::path& f, const fs::path&) {
         fs::remove(f);
         ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0);
     }},
    {"TARVO_WAEHKURS pointed elsewhere",
     [](const fs::path&, const fs::path& d) {
         put(d / "other.dat", fileB() + jpyRecord());
         setenv("TARVO_WAEHKURS", (d / "other.dat").c_str(), 1);
     },
     false},
    {"default name in another working folder",
     [](const fs::path& f, const fs::path& d) {
         unsetenv("TARVO_WAEHKURS");
         ASSERT_EQ(::chdir(f.parent_path().c_str()), 0);
         expectAllFresh("default name");
         fs::create_directory(d / "elsewhere");
         put(d / "elsewhere" / "WAEHKURS.DAT", fileB());
         ASSERT_EQ(::chdir((d / "elsewhere").c_str()), 0);
     },
     false},
};

class RateSnapshot : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ratesnapXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        cwd_ = fs::current_path();
        if (GetParam())
            unsetenv("TARVO_WAEHKURS_CACHE");
        else
            setenv("TARVO_WAEHKURS_CACHE", "0", 1);
    }
    void TearDown() override {
        fs::current_path(cwd_);
        unsetenv("TARVO_WAEHKURS");
        unsetenv("TARVO_WAEHKURS_CACHE");
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    // Writes the files, then waits until they are older than the snapshot's safety margin.
    void settle() const { std::this_thread::sleep_for(std::chrono::milliseconds(2100)); }

    fs::path root_;
    fs::path cwd_;
};

TEST_P(RateSnapshot, EveryChangeIsSeenByTheNextCall) {
    std::vector<fs::path> dirs;
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        dirs.push_back(root_ / std::to_string(i));
        fs::create_directory(dirs.back());
        put(dirs.back() / "WAEHKURS.DAT", fileA());
    }
    settle();
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        const Case& c = kCases[i];
        const fs::path file = dirs[i] / "WAEHKURS.DAT";
        setenv("TARVO_WAEHKURS", file.c_str(), 1);
        expectAllFresh(std::string(c.name) + ", before");
        expectAllFresh(std::string(c.name) + ", before, again");
        const Answer before = ask(kRequests[1]);
        c.change(file, dirs[i]);
        expectAllFresh(std::string(c.name) + ", after");
        expectAllFresh(std::string(c.name) + ", after, again");
        fs::current_path(cwd_);
        setenv("TARVO_WAEHKURS", file.c_str(), 1);
        if (c.changesFile) {
            EXPECT_NE(ask(kRequests[1]), before) << c.name;
        }
    }
}

// Records out of the expected order: currencies split into several runs, dates rising or
// mixed, keys by number. The snapshot answers exactly as the read of the whole file does.
TEST_P(RateSnapshot, UnorderedRecordsAnswerAsTheLinearSearch) {
    std::mt19937 rng(20010615);
    const char* isos[] = {"USD", "GBP", "JPY", "CHF"};
    const char* numbers[] = {"840", "826", "392", "756"};
    std::vector<fs::path> files;
    for (int f = 0; f < 12; ++f) {
        std::vector<RateRecord> records;
        const int n = 1 + static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) {
            const std::size_t c = rng() % 4;
            char date[9];
            std::snprintf(date, sizeof date, "2001%02u%02u", 1 + static_cast<unsigned>(rng() % 12),
                          1 + static_cast<unsigned>(rng() % 28));
            char rate[13];
            std::snprintf(rate, sizeof rate, "+%011u", static_cast<unsigned>(rng() % 99999999));
            records.push_back(rec(isos[c], numbers[rng() % 8 == 0 ? (c + 1) % 4 : c], date, rate));
        }
        if (f % 3 == 0)
            std::sort(records.begin(), records.end(), [](const RateRecord& a, const RateRecord& b) {
                return a.iso != b.iso ? a.iso < b.iso : a.rateDate > b.rateDate;
            });
        files.push_back(root_ / ("f" + std::to_string(f)));
        put(files.back(), encode(records));
    }
    settle();
    for (const auto& file : files) {
        setenv("TARVO_WAEHKURS", file.c_str(), 1);
        for (int i = 0; i < 200; ++i) {
            char date[9];
            std::snprintf(date, sizeof date, "2001%02u%02u", static_cast<unsigned>(rng() % 14),
                          static_cast<unsigned>(rng() % 32));
            const bool byNumber = rng() % 4 == 0;
            const Request q{byNumber ? "   " : isos[rng() % 4], numbers[rng() % 4],
                            rng() % 10 == 0 ? "99999999" : date};
            ASSERT_EQ(ask(q), askFresh(q)) << file << " " << q.iso << q.number << " " << q.date;
        }
    }
}

// A settled file is read once; without the snapshot it is read on every call.
TEST_P(RateSnapshot, SettledFileIsReadOnce) {
    const fs::path file = root_ / "WAEHKURS.DAT";
    std::string bytes = fileA();
    for (int i = 0; i < 200; ++i)
        bytes += tarvo::ratefile::encodeRecord(rec("ZZZ", "999", "20010101", "+00010000000"));
    put(file, bytes);
    setenv("TARVO_WAEHKURS", file.c_str(), 1);
    settle();
    if (bytesRead() < 0)
        GTEST_SKIP() << "no per-process read accounting here";
    ask(kRequests[1]);
    const long long start = bytesRead();
    constexpr int kCalls = 50;
    for (int i = 0; i < kCalls; ++i)
        ASSERT_EQ(ask(kRequests[i % 2]).rc, 0);
    const long long read = bytesRead() - start;
    if (GetParam())
        EXPECT_LT(read, static_cast<long long>(bytes.size()));
    else
        EXPECT_GE(read, static_cast<long long>(bytes.size()) * kCalls);
}

// A batch looks at the file once: its elements answer as single conversions do, and the next
// batch sees a file replaced in between.
TEST_P(RateSnapshot, BatchAnswersAsSingleCallsAndTheNextBatchSeesAChange) {
    const fs::path file = root_ / "WAEHKURS.DAT";
    put(file, fileA());
    put(root_ / "B", fileB());
    setenv("TARVO_WAEHKURS", file.c_str(), 1);
    settle();
    const PS_EB eb = kt::makeEb();
    const char* dates[] = {"20010615", "20010301", "20001231", "99999999", "20010601"};
    const auto batchAgainstSingles = [&](const std::string& what) {
        std::vector<U5_ELEM> batch(20);
        for (std::size_t i = 0; i < batch.size(); ++i)
            batch[i].SB = kt::u1(i % 3 ? "EUR" : "GBP", i % 3 ? "USD" : "EUR",
                                 static_cast<int64_t>(100 + 37 * i), 'G', dates[i % 5]);
        std::vector<U5_ELEM> singles = batch;
        U5_UmrFwaehrBwaehr(static_cast<int32_t>(batch.size()), batch.data(), &eb, nullptr);
        for (std::size_t i = 0; i < singles.size(); ++i) {
            const int32_t rc = U1_UmrFwaehrBwaehr(&singles[i].SB, &eb, nullptr);
            EXPECT_EQ(batch[i].RESULT, rc) << what << " " << i;
            EXPECT_EQ(std::memcmp(&batch[i].SB, &singles[i].SB, sizeof(U1_SB)), 0)
                << what << " " << i;
        }
        return std::string(batch[5].SB.AMOUNT_A_13_2, 16); // EUR into USD on 2001-06-15
    };
    const std::string before = batchAgainstSingles("file A");
    fs::rename(root_ / "B", file);
    EXPECT_NE(batchAgainstSingles("file B"), before);
}

INSTANTIATE_TEST_SUITE_P(Modes, RateSnapshot, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& mode) {
                             return mode.param ? "Snapshot" : "ReadPerCall";
                         });

// Threads convert while another thread swaps the file between two settled versions (through
// a symbolic link, so the snapshot itself is swapped), replaces it by rename and rewrites one
// byte in place. Every answer is the whole answer of one version.
TEST(RateSnapshotConcurrent, ThreadsSeeOneVersionOrTheOther) {
    char tmpl[] = "/tmp/ratesnapXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const fs::path dir = tmpl;
    put(dir / "A", fileA());
    put(dir / "B", fileB());
    fs::create_symlink(dir / "A", dir / "link");
    setenv("TARVO_WAEHKURS", (dir / "A").c_str(), 1);
    const Answer a = ask(kRequests[1]);
    setenv("TARVO_WAEHKURS", (dir / "B").c_str(), 1);
    const Answer b = ask(kRequests[1]);
    ASSERT_NE(a, b);
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));

    for (const char* target : {"link", "plain"}) {
        const fs::path path = dir / target;
        if (std::string(target) == "plain")
            put(path, fileA());
        setenv("TARVO_WAEHKURS", path.c_str(), 1);
        std::atomic<bool> stop{false};
        std::atomic<int> bad{0};
        std::vector<std::thread> readers;
        for (int t = 0; t < 3; ++t)
            readers.emplace_back([&] {
                while (!stop.load()) {
                    const Answer x = ask(kRequests[1]);
                    if (!(x == a || x == b)) {
                        if (bad++ == 0)
                            ADD_FAILURE() << x;
                    }
                }
            });
        const std::string fa = fileA();
        const std::size_t digit = fa.find("+00009300000") + 5;
        for (int i = 0; i < 300; ++i) {
            if (std::string(target) == "link") {
                fs::create_symlink(dir / (i % 2 == 0 ? "B" : "A"), dir / "link.new");
                fs::rename(dir / "link.new", path);
            } else if (i % 3 == 0) {
                put(dir / "plain.new", i % 2 == 0 ? fileB() : fa);
                fs::rename(dir / "plain.new", path);
            } else {
                const int fd = ::open(path.c_str(), O_WRONLY);
                ASSERT_GE(fd, 0);
                const char c = i % 2 == 0 ? '4' : '9';
                ASSERT_EQ(::pwrite(fd, &c, 1, static_cast<off_t>(digit)), 1);
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
        stop = true;
        for (auto& r : readers)
            r.join();
        EXPECT_EQ(bad.load(), 0) << target;
    }
    unsetenv("TARVO_WAEHKURS");
    std::error_code ec;
    fs::remove_all(dir, ec);
}

} // namespace
