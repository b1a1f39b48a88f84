// SPDX-License-Identifier: Apache-2.0
// Fuzzes the durable replacement of a file: the input chooses the kind of target (regular file,
// none, link, dangling link, chain of links, link loop, hard link, FIFO, folder), the shape of
// its name, the old file's mode, the umask, what happens (commit, abort, a second writer in
// the same thread, writes in pieces) and the bytes written. After each run: a committed file
// holds exactly the bytes at the end of the links with the expected mode, anything else left
// the old content, a link stays a link, no temporary file remains, and nothing but a regular
// file was ever replaced.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "durable_replace.h"

namespace {

namespace fs = std::filesystem;
namespace du = tarvo::durable;

enum Kind { Regular, Missing, Link, Dangling, Chain, Loop, HardLink, Fifo, Folder, kKinds };

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void spit(const fs::path& p, const std::string& s) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << s;
}

// A folder of this process under /tmp, made once.
const fs::path& workDir() {
    static const fs::path dir = [] {
        auto d = fs::temp_directory_path() /
                 ("tarvo-fuzz-durable-" + std::to_string(static_cast<long>(getpid())));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void check(bool ok, const char* what) {
    if (!ok)
        broken(what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const Kind kind = static_cast<Kind>(data[0] % kKinds);
    const int shape = data[1] % 5;
    static const mode_t kModes[] = {0644, 0600, 04755, 02640, 0604, 01666, 0400, 0777};
    static const mode_t kMasks[] = {022, 077, 002, 0};
    const mode_t oldMode = kModes[data[2] % 8];
    const mode_t mask = kMasks[(data[2] >> 3) % 4];
    const int action = data[3] % 4; // 0 commit, 1 abort, 2 second writer then commit, 3 pieces
    const std::string bytes(reinterpret_cast<const char*>(data + 4), size - 4);

    const fs::path dir = workDir() / "d";
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir / "sub");
    const std::string base = shape == 4 ? std::string(250, 'a') : "T";
    const fs::path t = dir / base;
    fs::path content = t; // where the bytes of the target live
    const std::string old = "old content";
    switch (kind) {
    case Regular:
        spit(t, old);
        ::chmod(t.c_str(), oldMode);
        break;
    case Missing:
        break;
    case Link:
        spit(dir / "dest", old);
        ::chmod((dir / "dest").c_str(), oldMode);
        fs::create_symlink("dest", t);
        content = dir / "dest";
        break;
    case Dangling:
        fs::create_symlink("sub/new", t);
        content = dir / "sub" / "new";
        break;
    case Chain:
        spit(dir / "sub" / "end", old);
        ::chmod((dir / "sub" / "end").c_str(), oldMode);
        fs::create_symlink("end", dir / "sub" / "mid");
        fs::create_symlink(dir / "sub" / "mid", t);
        content = dir / "sub" / "end";
        break;
    case Loop:
        fs::create_symlink(base, t);
        break;
    case HardLink:
        spit(dir / "other", old);
        ::chmod((dir / "other").c_str(), oldMode);
        fs::create_hard_link(dir / "other", t);
        break;
    case Fifo:
        ::mkfifo(t.c_str(), 0600);
        break;
    case Folder:
        fs::create_directory(t);
        break;
    case kKinds:
        break;
    }
    const bool existed = kind == Regular || kind == Link || kind == Chain || kind == HardLink;
    const bool replaceable = existed || kind == Missing || kind == Dangling;

    std::string name;
    switch (shape) {
    case 0:
    case 4:
        name = t.string();
        break;
    case 1:
        name = (dir / "." / base).string();
        break;
    case 2:
        name = (dir / "sub" / ".." / base).string();
        break;
    case 3:
        name = t.string() + "/"; // a trailing slash names a folder: never a file to replace
        break;
    }

    const mode_t savedMask = ::umask(mask);
    du::Status st;
    bool committed = false;
    {
        du::Replacement r;
        st = r.open(name.c_str());
        if (st.ok() && action == 2) {
            du::Replacement again;
            check(!again.open(name.c_str()).ok(), "a second writer in the same thread got in");
        }
        if (st.ok()) {
            if (action == 3) {
                for (std::size_t at = 0; st.ok() && at < bytes.size(); at += 7)
                    st = r.write(bytes.data() + at, std::min<std::size_t>(7, bytes.size() - at));
            } else {
                st = r.write(bytes.data(), bytes.size());
            }
        }
        if (st.ok() && action != 1) {
            st = r.commit();
            committed = st.ok();
        }
    }
    ::umask(savedMask);

    check(!committed || (replaceable && shape != 3), "something else than a file was replaced");
    if (committed) {
        check(slurp(content) == bytes, "the committed file lacks the bytes written");
        struct stat cs {};
        check(::stat(content.c_str(), &cs) == 0 && S_ISREG(cs.st_mode), "no regular file");
        const mode_t want = existed ? (oldMode & 0777) : (0666 & ~mask);
        check((cs.st_mode & 07777) == want, "wrong mode");
        if (kind == HardLink)
            check(slurp(dir / "other") == old, "the other hard link changed");
    } else if (existed) {
        check(slurp(content) == old, "a failed or dropped write changed the file");
    }
    struct stat ls {};
    if (kind == Link || kind == Dangling || kind == Chain || kind == Loop)
        check(::lstat(t.c_str(), &ls) == 0 && S_ISLNK(ls.st_mode), "the link was replaced");
    if (kind == Fifo)
        check(::lstat(t.c_str(), &ls) == 0 && S_ISFIFO(ls.st_mode), "the FIFO was replaced");
    if (kind == Folder)
        check(::lstat(t.c_str(), &ls) == 0 && S_ISDIR(ls.st_mode), "the folder was replaced");
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string n = e.path().filename().string();
        check(n.empty() || n[0] != '.', "a temporary file was left behind");
    }
    return 0;
}
