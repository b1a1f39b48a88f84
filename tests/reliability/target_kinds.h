/* SPDX-License-Identifier: Apache-2.0 */
// The kinds of target a reader or writer of a data file may meet, built in a test folder: a
// regular file, none at all, a symbolic link, a dangling link, a second hard link, a FIFO, a
// device (a link to /dev/null, which is only ever stat'ed or opened for reading) and a folder.
#ifndef TARVO_TESTS_TARGET_KINDS_H
#define TARVO_TESTS_TARGET_KINDS_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "fault_inject.h"

namespace target_kinds {

namespace fs = std::filesystem;

enum class Kind { Regular, Missing, Symlink, Dangling, HardLink, Fifo, Device, Folder };

struct Case {
    const char* name;
    Kind kind;
};

inline constexpr Case kCases[] = {
    {"regular file", Kind::Regular},  {"no file", Kind::Missing},
    {"symbolic link", Kind::Symlink}, {"dangling symbolic link", Kind::Dangling},
    {"hard link", Kind::HardLink},    {"FIFO", Kind::Fifo},
    {"device", Kind::Device},         {"folder", Kind::Folder},
};

inline bool isFile(Kind k) {
    return k != Kind::Fifo && k != Kind::Device && k != Kind::Folder;
}

inline std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void spit(const fs::path& p, const std::string& s) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << s;
}

inline std::set<std::string> listing(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        names.insert(e.path().lexically_relative(dir).string());
    return names;
}

// Where the bytes of a target of this kind live: the name itself, the link's destination, or
// nothing (a refused kind).
inline fs::path contentPath(const fs::path& dir, Kind k) {
    switch (k) {
    case Kind::Regular:
    case Kind::Missing:
    case Kind::HardLink:
        return dir / "TARGET";
    case Kind::Symlink:
        return dir / "dest";
    case Kind::Dangling:
        return dir / "sub" / "dest";
    default:
        return {};
    }
}

// Builds the target "TARGET" of the kind in the empty folder dir, holding old where it holds
// anything. Returns its path.
inline fs::path make(const fs::path& dir, Kind k, const std::string& old) {
    const fs::path t = dir / "TARGET";
    switch (k) {
    case Kind::Regular:
        spit(t, old);
        break;
    case Kind::Missing:
        break;
    case Kind::Symlink:
        spit(dir / "dest", old);
        fs::create_symlink("dest", t);
        break;
    case Kind::Dangling:
        fs::create_directory(dir / "sub");
        fs::create_symlink("sub/dest", t);
        break;
    case Kind::HardLink:
        spit(dir / "other", old);
        fs::create_hard_link(dir / "other", t);
        break;
    case Kind::Fifo:
        EXPECT_EQ(::mkfifo(t.c_str(), 0600), 0);
        break;
    case Kind::Device:
        fs::create_symlink("/dev/null", t);
        break;
    case Kind::Folder:
        fs::create_directory(t);
        break;
    }
    return t;
}

// After a writer ran on a target of kind k: a replaced target holds fresh and is what it was
// (a link stays a link, the other hard link keeps old); a refused one is untouched.
inline void expectAfterWrite(const fs::path& dir, Kind k, bool replaced, const std::string& old,
                             const std::string& fresh) {
    const fs::path t = dir / "TARGET";
    struct stat st {};
    ASSERT_EQ(::lstat(t.c_str(), &st), k == Kind::Missing && !replaced ? -1 : 0);
    if (replaced) {
        EXPECT_EQ(slurp(contentPath(dir, k)), fresh);
    }
    switch (k) {
    case Kind::Regular:
        if (!replaced) {
            EXPECT_EQ(slurp(t), old);
        }
        break;
    case Kind::Symlink:
    case Kind::Dangling:
    case Kind::Device:
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
        break;
    case Kind::HardLink:
        EXPECT_EQ(slurp(dir / "other"), old) << "the other name changed";
        break;
    case Kind::Fifo:
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
        break;
    case Kind::Folder:
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        break;
    case Kind::Missing:
        break;
    }
}

// /dev/null must still be the null device after the tests.
inline void expectDevNullIntact() {
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(major(st.st_rdev), 1u);
    EXPECT_EQ(minor(st.st_rdev), 3u);
}

// A test with its own folder root_/d (dir_) for the targets. An alarm ends a test whose reader or
// writer blocks on a FIFO instead of letting it hang; afterwards faults are disarmed, the
// control-data variable unset and /dev/null checked.
class FolderTest : public ::testing::Test {
  protected:
    explicit FolderTest(const char* prefix) : prefix_(prefix) {}
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / (prefix_ + "-XXXXXX")).string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root_ = fs::canonical(tmpl);
        dir_ = root_ / "d";
        fs::create_directory(dir_);
        ::alarm(60);
    }
    void TearDown() override {
        ::alarm(0);
        fault::disarm();
        unsetenv("TARVO_STEUDAT");
        std::error_code ec;
        fs::remove_all(root_, ec);
        expectDevNullIntact();
    }
    void fresh() {
        fs::remove_all(dir_);
        fs::create_directory(dir_);
    }
    std::string prefix_;
    fs::path root_, dir_;
};

} // namespace target_kinds

#endif
