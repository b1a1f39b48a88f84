// SPDX-License-Identifier: Apache-2.0
// The durable replacement of a file, on its own and through each writer that uses it: what
// kinds of target are replaced or refused, the permissions of the result, the faults of a
// write (fault_inject.cpp), the lock between two writers and the removal of the temporary
// file when a signal ends the program.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

#include "atomic_file.h"
#include "ctrldata.h"
#include "ctrlfile.h"
#include "decarith.h"
#include "durable_replace.h"
#include "fault_inject.h"
#include "ratefile.h"
#include "target_kinds.h"

namespace {

namespace fs = std::filesystem;
namespace du = tarvo::durable;
namespace tk = target_kinds;
using tk::Kind;

class Durable : public tk::FolderTest {
  protected:
    Durable() : FolderTest("tarvo-durable") {}
};

du::Status replace(const fs::path& target, const std::string& bytes) {
    du::Replacement r;
    du::Status st = r.open(target.c_str());
    if (st.ok())
        st = r.write(bytes.data(), bytes.size());
    if (st.ok())
        st = r.commit();
    return st;
}

mode_t modeOf(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0);
    return st.st_mode & 07777;
}

// ---- the helper --------------------------------------------------------------------------

TEST_F(Durable, ReplacesFilesAndRefusesTheRest) {
    for (const tk::Case& c : tk::kCases) {
        SCOPED_TRACE(c.name);
        fresh();
        tk::make(dir_, c.kind, "old");
        const auto before = tk::listing(dir_);
        const du::Status st = replace(dir_ / "TARGET", "new");
        EXPECT_EQ(st.ok(), tk::isFile(c.kind));
        if (!tk::isFile(c.kind)) {
            EXPECT_EQ(st.failure, du::Failure::NotRegular);
            char text[200];
            du::describe(st, text, sizeof text);
            EXPECT_NE(std::strstr(text, "not a regular file"), nullptr) << text;
        }
        tk::expectAfterWrite(dir_, c.kind, st.ok(), "old", "new");
        const std::size_t created =
            st.ok() && (c.kind == Kind::Missing || c.kind == Kind::Dangling);
        EXPECT_EQ(tk::listing(dir_).size(), before.size() + created);
    }
}

TEST_F(Durable, Permissions) {
    struct Case {
        mode_t umask;
        int old; // -1: no old file
        mode_t expected;
    } const cases[] = {
        {022, -1, 0644},    {077, -1, 0600},    {002, -1, 0664},    {077, 0644, 0644},
        {022, 04755, 0755}, {022, 02640, 0640}, {022, 01600, 0600}, {077, 0604, 0604},
    };
    const fs::path t = dir_ / "f";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.umask) + " " + std::to_string(c.old));
        fs::remove(t);
        if (c.old >= 0) {
            tk::spit(t, "old");
            ASSERT_EQ(::chmod(t.c_str(), static_cast<mode_t>(c.old)), 0);
        }
        const mode_t saved = ::umask(c.umask);
        const du::Status st = replace(t, "new");
        ::umask(saved);
        ASSERT_TRUE(st.ok());
        EXPECT_EQ(modeOf(t), c.expected);
    }
}

TEST_F(Durable, DescriptorsCloseOnExecAndStateChecked) {
    tk::spit(dir_ / "f", "old");
    du::Replacement r;
    EXPECT_EQ(r.write("x", 1).failure, du::Failure::State);
    ASSERT_TRUE(r.open((dir_ / "f").c_str()).ok());
    EXPECT_EQ(r.open((dir_ / "f").c_str()).failure, du::Failure::State);
    for (int fd : {r.fd(), r.currentFd()})
        EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    du::Replacement again; // this thread holds the lock: refused rather than waiting for itself
    EXPECT_EQ(again.open((dir_ / "f").c_str()).error, EDEADLK);
    char buf[4] = {};
    EXPECT_EQ(::pread(r.currentFd(), buf, 3, 0), 3); // the locked old content is readable
    EXPECT_STREQ(buf, "old");
    r.abort();
    EXPECT_EQ(tk::slurp(dir_ / "f"), "old");
    EXPECT_EQ(tk::listing(dir_).size(), 1u);
    EXPECT_EQ(r.commit().failure, du::Failure::State);
}

TEST_F(Durable, FaultsLeaveTheOldFile) {
    const std::string big(200000, 'n');
    struct Case {
        const char* name;
        fault::Kind kind;
        long long budget;
        du::Failure expected;
    } const cases[] = {
        {"disk full at once", fault::Kind::Write, 0, du::Failure::Write},
        {"disk full part way", fault::Kind::Write, 100000, du::Failure::Write},
        {"fsync fails", fault::Kind::Fsync, 0, du::Failure::Sync},
        {"rename fails", fault::Kind::Rename, 0, du::Failure::Rename},
        {"close fails", fault::Kind::Close, 0, du::Failure::Write},
    };
    const fs::path t = dir_ / "f";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tk::spit(t, "old");
        fault::arm(c.kind, dir_.c_str(), c.budget);
        const du::Status st = replace(t, big);
        const int hits = fault::hits();
        fault::disarm();
        EXPECT_GT(hits, 0);
        EXPECT_EQ(st.failure, c.expected);
        EXPECT_EQ(tk::slurp(t), "old");
        EXPECT_EQ(tk::listing(dir_).size(), 1u) << "temporary file left behind";
    }
    // A crash right before the rename leaves the old file.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        fault::arm(fault::Kind::Crash, dir_.c_str());
        (void)replace(t, big);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), fault::kCrashStatus);
    EXPECT_EQ(tk::slurp(t), "old");
}

// One thread cannot wait for itself: a second replacement of a file it is replacing is refused,
// one of another new file in the same folder goes ahead.
TEST_F(Durable, SameThreadNeverWaitsForItself) {
    struct Case {
        const char* name;
        const char* first;
        const char* second;
        bool secondOpens;
    } const cases[] = {
        {"same existing file", "old", "old", false},
        {"same new file", "new", "new", false},
        {"two new files in one folder", "new", "new2", true},
        {"existing and new file", "old", "new", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        tk::spit(dir_ / "old", "old");
        du::Replacement a, b;
        ASSERT_TRUE(a.open((dir_ / c.first).c_str()).ok());
        const du::Status st = b.open((dir_ / c.second).c_str());
        EXPECT_EQ(st.ok(), c.secondOpens);
        if (!st.ok()) {
            EXPECT_EQ(st.error, EDEADLK);
        }
        if (st.ok()) {
            ASSERT_TRUE(b.write("b", 1).ok());
            ASSERT_TRUE(b.commit().ok());
        }
        ASSERT_TRUE(a.write("a", 1).ok());
        ASSERT_TRUE(a.commit().ok());
        EXPECT_EQ(tk::slurp(dir_ / c.first), "a");
    }
}

// A second writer waits for the first, also when the first replaces the file it waits on or
// creates a file that was not there.
TEST_F(Durable, SecondWriterWaitsForTheFirst) {
    for (const bool exists : {true, false}) {
        SCOPED_TRACE(exists ? "existing file" : "new file");
        fresh();
        const fs::path t = dir_ / "f";
        if (exists)
            tk::spit(t, "0");
        // The child starts before the lock is taken, so that it holds no copy of it.
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            char c = 0;
            if (::read(go[0], &c, 1) != 1)
                ::_exit(5);
            // Reads what it replaces under the lock, as an importer merging into it does.
            du::Replacement second;
            if (!second.open(t.c_str()).ok() || second.currentFd() < 0)
                ::_exit(2);
            char seen[8] = {};
            if (::pread(second.currentFd(), seen, sizeof seen - 1, 0) < 0)
                ::_exit(3);
            const std::string next = std::string(seen) + "+second";
            ::_exit(second.write(next.data(), next.size()).ok() && second.commit().ok() ? 0 : 4);
        }
        du::Replacement first;
        ASSERT_TRUE(first.open(t.c_str()).ok());
        ASSERT_EQ(::write(go[1], "g", 1), 1);
        ::close(go[0]);
        ::close(go[1]);
        ::usleep(300000);
        EXPECT_EQ(tk::slurp(t), exists ? "0" : "") << "the second writer did not wait";
        ASSERT_TRUE(first.write("first", 5).ok());
        ASSERT_TRUE(first.commit().ok());
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_EQ(tk::slurp(t), "first+second") << "an update was lost";
        EXPECT_EQ(tk::listing(dir_).size(), 1u);
    }
}

TEST_F(Durable, SignalRemovesTheTemporaryFile) {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        fresh();
        const fs::path t = dir_ / "f";
        tk::spit(t, "old");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::signal(sig, SIG_DFL);
            du::installSignalCleanup();
            du::Replacement r;
            if (!r.open(t.c_str()).ok() || !r.write("partial", 7).ok())
                ::_exit(2);
            ::raise(sig);
            ::_exit(3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), sig);
        EXPECT_EQ(tk::slurp(t), "old");
        EXPECT_EQ(tk::listing(dir_).size(), 1u) << "temporary file left behind";
    }
}

// ---- the writers that use it -------------------------------------------------------------

enum class Outcome { Written, Refused, Failed };

struct Writer {
    const char* name;
    std::string old, fresh;
    bool creates; // writes a target that does not exist yet
    std::function<Outcome(const fs::path&)> run;
};

std::string controlFile(int32_t variant) {
    InitTarvoDaten();
    size_t size = 0;
    CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, variant, nullptr, 0, &size);
    std::string bytes(size, '\0');
    CF_FormatRecord(&TarvoDaten, sizeof TarvoDaten, variant,
                    reinterpret_cast<unsigned char*>(bytes.data()), size, &size);
    return bytes;
}

Outcome fromError(const std::exception& e) {
    return std::strstr(e.what(), "not a regular file") != nullptr ? Outcome::Refused
                                                                  : Outcome::Failed;
}

std::vector<Writer> writers() {
    return {
        {"AR_ConvertFile", controlFile(CF_ASCII_LF), controlFile(CF_ASCII_CRLF), false,
         [](const fs::path& p) {
             setenv("TARVO_STEUDAT", p.c_str(), 1);
             const int32_t rc = AR_ConvertFile(0);
             return rc == 0 ? Outcome::Written : rc == 489 ? Outcome::Refused : Outcome::Failed;
         }},
        {"CF_WriteRecordFile", "old", controlFile(CF_ASCII_CRLF), true,
         [](const fs::path& p) {
             InitTarvoDaten();
             const int32_t rc =
                 CF_WriteRecordFile(&TarvoDaten, sizeof TarvoDaten, CF_ASCII_CRLF, p.c_str());
             return rc == CF_OK           ? Outcome::Written
                    : rc == CF_ERR_TARGET ? Outcome::Refused
                                          : Outcome::Failed;
         }},
        {"writeFileAtomically", "old", "rates", true,
         [](const fs::path& p) {
             try {
                 tarvo::ratefile::writeFileAtomically(p, "rates");
                 return Outcome::Written;
             } catch (const tarvo::ratefile::Error& e) {
                 return fromError(e);
             }
         }},
        {"AtomicOutputFile", "old", "out", true,
         [](const fs::path& p) {
             try {
                 tarvo::tool::AtomicOutputFile f(p);
                 f.write("out");
                 f.commit();
                 return Outcome::Written;
             } catch (const tarvo::ratefile::Error& e) {
                 return fromError(e);
             }
         }},
    };
}

TEST_F(Durable, EveryWriterOnEveryKindOfTarget) {
    for (const Writer& w : writers()) {
        for (const tk::Case& c : tk::kCases) {
            SCOPED_TRACE(std::string(w.name) + " on " + c.name);
            fresh();
            tk::make(dir_, c.kind, w.old);
            const auto before = tk::listing(dir_);
            const bool writes =
                tk::isFile(c.kind) &&
                (w.creates || (c.kind != Kind::Missing && c.kind != Kind::Dangling));
            const Outcome got = w.run(dir_ / "TARGET");
            EXPECT_EQ(got, writes ? Outcome::Written : Outcome::Refused);
            tk::expectAfterWrite(dir_, c.kind, got == Outcome::Written, w.old, w.fresh);
            if (got != Outcome::Written) {
                EXPECT_EQ(tk::listing(dir_), before) << "a refusal left something behind";
            }
        }
    }
}

} // namespace
