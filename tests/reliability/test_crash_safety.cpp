// SPDX-License-Identifier: Apache-2.0
// Crash safety of every file the system rewrites. Each writer is run against an existing file
// while a fault strikes from outside (fault_inject.cpp): the rename onto the file fails, the
// process dies right before that rename, the disk fills up at the first byte or part way, or
// fsync fails. Afterwards the old file must be there byte for byte; apart from the crash, the
// writer reports the failure and leaves no temporary file behind. The tarvo program is run
// with the same faults preloaded.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "../ratefile/ecb_fixtures.h"
#include "ctrldata.h"
#include "ctrlfile.h"
#include "decarith.h"
#include "fault_inject.h"
#include "ratefile.h"

namespace {

namespace fs = std::filesystem;
namespace rf = tarvo::ratefile;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void spit(const fs::path& p, const std::string& s) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << s;
}

std::set<std::string> listing(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

std::string controlFile(int32_t variant) {
    InitTarvoDaten();
    size_t size = 0;
    CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, variant, nullptr, 0, &size);
    std::string bytes(size, '\0');
    EXPECT_EQ(CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, variant,
                              reinterpret_cast<unsigned char*>(bytes.data()), size, &size),
              CF_OK);
    return bytes;
}

std::string rateFileBytes(std::vector<rf::RateRecord> records) {
    return rf::encodeRateFile(std::move(records), {});
}

struct Fault {
    const char* name;
    fault::Kind kind;
    int budgetHalves; // write budget in halves of the new file's size: 0 or 1
};

const Fault kFaults[] = {
    {"rename fails", fault::Kind::Rename, 0},
    {"disk full at once", fault::Kind::Write, 0},
    {"disk full part way", fault::Kind::Write, 1},
    {"fsync fails", fault::Kind::Fsync, 0},
};

// A writer of one file: old holds the bytes the file has before; rewrite runs the writer on
// the file in the folder and tells whether it reported success.
struct Writer {
    std::string name;
    std::string file;
    std::string old;
    std::function<bool(const fs::path&)> rewrite;
};

class CrashSafety : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "tarvo-crash-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root_ = fs::canonical(tmpl);
        dir_ = root_ / "files";
        fs::create_directory(dir_);
    }
    void TearDown() override {
        fault::disarm();
        unsetenv("TARVO_STEUDAT");
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    void reset(const Writer& w) {
        fs::remove_all(dir_);
        fs::create_directory(dir_);
        spit(dir_ / w.file, w.old);
    }

    // Runs the writer undisturbed (it must succeed and change the file) and then under every
    // fault; a crash is run in a child process.
    void check(const Writer& w) {
        SCOPED_TRACE(w.name);
        const fs::path target = dir_ / w.file;
        reset(w);
        const std::set<std::string> before = listing(dir_);
        ASSERT_TRUE(w.rewrite(target)) << "the undisturbed rewrite failed";
        const std::string fresh = slurp(target);
        ASSERT_NE(fresh, w.old) << "the rewrite did not change the file";
        EXPECT_EQ(listing(dir_), before);

        for (const Fault& f : kFaults) {
            SCOPED_TRACE(f.name);
            reset(w);
            const long long budget = static_cast<long long>(fresh.size()) * f.budgetHalves / 2;
            fault::arm(f.kind, dir_.c_str(), budget);
            const bool ok = w.rewrite(target);
            const int hits = fault::hits();
            fault::disarm();
            EXPECT_GT(hits, 0) << "the fault never struck";
            EXPECT_FALSE(ok) << "the writer reported success";
            EXPECT_EQ(slurp(target), w.old) << "the old file was changed";
            EXPECT_EQ(listing(dir_), before) << "a temporary file was left behind";
        }

        // A crash right before the rename: only the old file counts; the temporary file of
        // the dead process may remain.
        reset(w);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            fault::arm(fault::Kind::Crash, dir_.c_str());
            w.rewrite(target);
            ::_exit(1); // the rename was never reached
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), fault::kCrashStatus) << "no rename onto the file";
        EXPECT_EQ(slurp(target), w.old) << "a crash before the rename changed the file";
        EXPECT_LE(listing(dir_).size(), before.size() + 1);
    }

    fs::path root_, dir_;
};

TEST_F(CrashSafety, ControlDataWriter) {
    for (int32_t variant : {CF_ASCII_CRLF, CF_EBCDIC_NL}) {
        check({"CF_WriteRecordFile variant " + std::to_string(variant), "TARVO.DAT",
               "old control data\r\n", [variant](const fs::path& p) {
                   InitTarvoDaten();
                   return CF_WriteRecordFile(&TarvoDaten, sizeof TarvoDaten, variant, p.c_str()) ==
                          CF_OK;
               }});
    }
}

TEST_F(CrashSafety, RateFileWriters) {
    const std::string old = rateFileBytes({rf::makeRecord("USD", "20070514", "1.3530")});
    check({"writeRateFile", "WAEHKURS.DAT", old, [](const fs::path& p) {
               try {
                   rf::writeRateFile(p, {rf::makeRecord("USD", "20070517", "1.3516"),
                                         rf::makeRecord("JPY", "20070517", "163.95")});
                   return true;
               } catch (const rf::Error&) {
                   return false;
               }
           }});
    // Large enough that a part-way full disk strikes inside the write loop.
    check({"writeFileAtomically", "DATA.BIN", old, [](const fs::path& p) {
               std::string bytes(300000, '\0');
               for (std::size_t i = 0; i < bytes.size(); ++i)
                   bytes[i] = static_cast<char>(i * 7 + 3);
               try {
                   rf::writeFileAtomically(p, bytes);
                   return true;
               } catch (const rf::Error&) {
                   return false;
               }
           }});
}

// The in-place conversion of a control-data file to ASCII with CR LF line ends, directly and
// through a load.
TEST_F(CrashSafety, ControlDataConversion) {
    for (int32_t variant : {CF_ASCII_LF, CF_EBCDIC, CF_EBCDIC_NL}) {
        const std::string old = controlFile(variant);
        check({"AR_ConvertFile variant " + std::to_string(variant), "TARVO.DAT", old,
               [](const fs::path& p) {
                   setenv("TARVO_STEUDAT", p.c_str(), 1);
                   return AR_ConvertFile(0) == 0;
               }});
    }
    check({"PS_LesenTarvoDaten", "TARVO.DAT", controlFile(CF_ASCII_LF), [](const fs::path& p) {
               setenv("TARVO_STEUDAT", p.c_str(), 1);
               PS_SB sb;
               std::memset(&sb, 0, sizeof sb);
               std::memcpy(sb.SB_VERSION, "01", 2);
               std::memcpy(sb.SENDER, "CRASH   ", 8);
               std::memcpy(sb.EB_VERSION, "  ", 2);
               std::memcpy(sb.ANWENDUNG, "        ", 8);
               std::memcpy(sb.BEZUGSDATUM, "20010615", 8);
               PS_EB eb;
               int32_t aux = 0;
               return PS_LesenTarvoDaten(&sb, &aux, &eb) == 0;
           }});
}

// ---- the tarvo program, with the faults preloaded ----------------------------------------

#if defined(TARVO_EXE) && defined(FAULT_PRELOAD)

struct ToolCase {
    std::string name;
    std::string file; // the file the command rewrites, in the folder
    std::string old;
    std::string args; // run in the folder; {in} is the folder of the inputs
    bool syncs;       // whether the command syncs the file before the rename
};

class ToolCrashSafety : public CrashSafety {
  protected:
    void SetUp() override {
        CrashSafety::SetUp();
        in_ = root_ / "in";
        fs::create_directory(in_);
        spit(in_ / "ecb.xml", fixtures::histXml());
        spit(in_ / "amounts.csv", "100,DEM,EUR,2001-01-01\n-250.5,EUR,FRF,2001-01-01\n");
    }

    // Exit status of tarvo run in the folder with the fault ("" for none); fired tells whether
    // the fault struck.
    int run(const ToolCase& c, const std::string& faultText, bool& fired) {
        std::string args = c.args;
        for (std::size_t at; (at = args.find("{in}")) != std::string::npos;)
            args.replace(at, 4, in_.string());
        const fs::path log = root_ / "fault.log";
        fs::remove(log);
        std::string asan = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
        // The preloaded library comes before the sanitizer runtime in the load order.
        asan += (asan.empty() ? "" : ":") + std::string("verify_asan_link_order=0");
        std::string cmd = "cd '" + dir_.string() + "' && env -u TARVO_STEUDAT -u TARVO_WAEHKURS";
        if (!faultText.empty())
            cmd += " LD_PRELOAD='" + std::string(FAULT_PRELOAD) + "' TARVO_FAULT='" + faultText +
                   "' TARVO_FAULT_DIR='" + dir_.string() + "' TARVO_FAULT_LOG='" + log.string() +
                   "' ASAN_OPTIONS='" + asan + "'";
        cmd += " '" + std::string(TARVO_EXE) + "' " + args + " > '" + (root_ / "out").string() +
               "' 2> '" + (root_ / "err").string() + "'";
        const int status = std::system(cmd.c_str());
        fired = fs::exists(log) && !slurp(log).empty();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void checkTool(const ToolCase& c) {
        SCOPED_TRACE(c.name);
        Writer w{c.name, c.file, c.old, {}};
        const fs::path target = dir_ / c.file;
        reset(w);
        const std::set<std::string> before = listing(dir_);
        bool fired = false;
        ASSERT_EQ(run(c, "", fired), 0) << slurp(root_ / "err");
        const std::string fresh = slurp(target);
        ASSERT_NE(fresh, c.old) << "the command did not change the file";
        EXPECT_EQ(listing(dir_), before);

        for (const Fault& f : kFaults) {
            SCOPED_TRACE(f.name);
            if (f.kind == fault::Kind::Fsync && !c.syncs)
                continue;
            reset(w);
            std::string faultText = f.kind == fault::Kind::Rename  ? "rename"
                                    : f.kind == fault::Kind::Fsync ? "fsync"
                                                                   : "write:";
            if (f.kind == fault::Kind::Write)
                faultText +=
                    std::to_string(fresh.size() * static_cast<std::size_t>(f.budgetHalves) / 2);
            const int rc = run(c, faultText, fired);
            EXPECT_TRUE(fired) << "the fault never struck";
            EXPECT_NE(rc, 0) << "tarvo reported success";
            EXPECT_EQ(slurp(target), c.old) << "the old file was changed";
            EXPECT_EQ(listing(dir_), before) << "a temporary file was left behind";
        }

        reset(w);
        EXPECT_EQ(run(c, "crash", fired), fault::kCrashStatus) << "no rename onto the file";
        EXPECT_EQ(slurp(target), c.old) << "a crash before the rename changed the file";
        EXPECT_LE(listing(dir_).size(), before.size() + 1);
    }

    fs::path in_;
};

TEST_F(ToolCrashSafety, OutputFiles) {
    const std::string oldRates = rateFileBytes({rf::makeRecord("USD", "20070514", "1.3530")});
    const ToolCase cases[] = {
        {"rates import -o", "WAEHKURS.DAT", oldRates, "rates import '{in}/ecb.xml' -o WAEHKURS.DAT",
         true},
        {"controldata export", "CTRL.DAT", "old control data\r\n", "controldata export CTRL.DAT",
         true},
        {"controldata export --ebcdic --lf", "CTRL.DAT", "old control data\r\n",
         "controldata export --ebcdic --lf CTRL.DAT", true},
        {"batch -o", "result.csv", "old result\n", "batch '{in}/amounts.csv' -o result.csv", true},
        // Loading a control-data file with bare line ends converts it in place first.
        {"convert --control-data (in-place conversion)", "TARVO.DAT", controlFile(CF_ASCII_LF),
         "convert 100 DEM EUR --date 2001-01-01 --control-data TARVO.DAT", true},
    };
    for (const ToolCase& c : cases)
        checkTool(c);
}

// SIGINT, SIGTERM or SIGHUP while tarvo writes its output remove the temporary file; the old
// output stays as it was.
TEST_F(ToolCrashSafety, SignalRemovesTheTemporaryFile) {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        reset({"batch", "result.csv", "old result\n", {}});
        const std::set<std::string> before = listing(dir_);
        int feed[2];
        ASSERT_EQ(::pipe(feed), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::dup2(feed[0], 0);
            ::close(feed[0]);
            ::close(feed[1]);
            if (::chdir(dir_.c_str()) != 0)
                ::_exit(125);
            ::unsetenv("TARVO_STEUDAT");
            ::unsetenv("TARVO_WAEHKURS");
            ::execl(TARVO_EXE, TARVO_EXE, "batch", "-", "-o", "result.csv", "--no-progress",
                    static_cast<char*>(nullptr));
            ::_exit(126);
        }
        ::close(feed[0]);
        const std::string line = "100,DEM,EUR,2001-01-01\n";
        ASSERT_EQ(::write(feed[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
        // The temporary file appears once tarvo has started its output.
        bool started = false;
        for (int i = 0; i < 200 && !started; ++i) {
            started = listing(dir_).size() > before.size();
            if (!started)
                ::usleep(50000);
        }
        EXPECT_TRUE(started) << "no temporary file appeared";
        ::kill(child, sig);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(feed[1]);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "status " << status;
        EXPECT_EQ(slurp(dir_ / "result.csv"), "old result\n");
        EXPECT_EQ(listing(dir_), before) << "a temporary file was left behind";
    }
}

#endif

} // namespace
