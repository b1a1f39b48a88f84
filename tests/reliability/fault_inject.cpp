// Replacements for the C library's file-writing calls that fail on demand; see fault_inject.h.
// Defined in the program (or a preloaded library), they take precedence over the C library for
// every caller, including the shared libraries under test.
#include "fault_inject.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#define FAULT_EXPORT __attribute__((visibility("default")))

namespace {

std::atomic<int> gKind{0};
std::atomic<long long> gBudget{0};
std::atomic<int> gHits{0};
char gDir[4096];
std::size_t gDirLen = 0;
char gLog[4096];

template <class F> F next(const char* name) {
    void* p = dlsym(RTLD_NEXT, name);
    F f;
    static_assert(sizeof f == sizeof p);
    std::memcpy(&f, &p, sizeof f);
    return f;
}

using WriteFn = ssize_t (*)(int, const void*, size_t);
WriteFn realWrite() {
    static WriteFn f = next<WriteFn>("write");
    return f;
}

fault::Kind kind() {
    return static_cast<fault::Kind>(gKind.load());
}

bool inDir(const char* abs) {
    return gDirLen > 0 && std::strncmp(abs, gDir, gDirLen) == 0 && abs[gDirLen] == '/';
}

// Absolute form of path relative to dirfd (AT_FDCWD: the working folder).
bool inDirAt(int dirfd, const char* path) {
    if (path == nullptr)
        return false;
    if (path[0] == '/')
        return inDir(path);
    char base[4096];
    if (dirfd == AT_FDCWD) {
        if (getcwd(base, sizeof base) == nullptr)
            return false;
    } else {
        char link[64];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
        const ssize_t n = readlink(link, base, sizeof base - 1);
        if (n <= 0)
            return false;
        base[n] = '\0';
    }
    char full[8200];
    std::snprintf(full, sizeof full, "%s/%s", base, path);
    return inDir(full);
}

bool fdInDir(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return false;
    target[n] = '\0';
    return inDir(target);
}

void fired(const char* what) {
    ++gHits;
    if (gLog[0] == '\0')
        return;
    const int fd = open(gLog, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    char line[128];
    const int len = std::snprintf(line, sizeof line, "%s\n", what);
    if (len > 0)
        (void)realWrite()(fd, line, static_cast<size_t>(len));
    close(fd);
}

// True when a rename onto newpath is to fail (or to end the process).
bool failRename(int newdirfd, const char* newpath) {
    const fault::Kind k = kind();
    if (k != fault::Kind::Rename && k != fault::Kind::Crash)
        return false;
    const int saved = errno;
    const bool hit = inDirAt(newdirfd, newpath);
    errno = saved;
    if (!hit)
        return false;
    if (k == fault::Kind::Crash) {
        fired("crash");
        _exit(fault::kCrashStatus);
    }
    fired("rename");
    errno = EIO;
    return true;
}

// How many of want bytes a write to fd may store: want when no fault applies, fewer (down to
// 0, then the write fails with ENOSPC) when the disk is full.
size_t allowance(int fd, size_t want) {
    if (kind() != fault::Kind::Write)
        return want;
    const int saved = errno;
    const bool hit = fdInDir(fd);
    errno = saved;
    if (!hit)
        return want;
    long long left = gBudget.load();
    long long take = 0;
    do {
        take = left < static_cast<long long>(want) ? left : static_cast<long long>(want);
        if (take < 0)
            take = 0;
    } while (!gBudget.compare_exchange_weak(left, left - take));
    if (static_cast<size_t>(take) < want)
        fired("write");
    return static_cast<size_t>(take);
}

bool failSync(int fd) {
    if (kind() != fault::Kind::Fsync)
        return false;
    const int saved = errno;
    const bool hit = fdInDir(fd);
    errno = saved;
    if (!hit)
        return false;
    fired("fsync");
    errno = EIO;
    return true;
}

void setDir(const char* dir) {
    gDirLen = 0;
    if (dir == nullptr)
        return;
    std::size_t n = std::strlen(dir);
    while (n > 1 && dir[n - 1] == '/')
        --n;
    if (n >= sizeof gDir)
        return;
    std::memcpy(gDir, dir, n);
    gDir[n] = '\0';
    gDirLen = n;
}

} // namespace

namespace fault {

void arm(Kind k, const char* dir, long long budget) {
    gKind = static_cast<int>(Kind::None);
    setDir(dir);
    gBudget = budget;
    gHits = 0;
    gKind = static_cast<int>(k);
}

void disarm() {
    gKind = static_cast<int>(Kind::None);
}

int hits() {
    return gHits.load();
}

} // namespace fault

#ifdef FAULT_FROM_ENV
__attribute__((constructor)) static void faultFromEnvironment() {
    const char* faultText = std::getenv("TARVO_FAULT");
    const char* dir = std::getenv("TARVO_FAULT_DIR");
    const char* log = std::getenv("TARVO_FAULT_LOG");
    if (log != nullptr && std::strlen(log) < sizeof gLog)
        std::strcpy(gLog, log);
    if (faultText == nullptr || dir == nullptr)
        return;
    fault::Kind k = fault::Kind::None;
    long long budget = 0;
    if (std::strcmp(faultText, "rename") == 0) {
        k = fault::Kind::Rename;
    } else if (std::strcmp(faultText, "crash") == 0) {
        k = fault::Kind::Crash;
    } else if (std::strncmp(faultText, "write", 5) == 0) {
        k = fault::Kind::Write;
        if (faultText[5] == ':')
            budget = std::strtoll(faultText + 6, nullptr, 10);
    } else if (std::strcmp(faultText, "fsync") == 0) {
        k = fault::Kind::Fsync;
    }
    fault::arm(k, dir, budget);
}
#endif

extern "C" {

FAULT_EXPORT int rename(const char* oldpath, const char* newpath) noexcept {
    if (failRename(AT_FDCWD, newpath))
        return -1;
    static auto f = next<int (*)(const char*, const char*)>("rename");
    return f(oldpath, newpath);
}

FAULT_EXPORT int renameat(int olddirfd, const char* oldpath, int newdirfd,
                          const char* newpath) noexcept {
    if (failRename(newdirfd, newpath))
        return -1;
    static auto f = next<int (*)(int, const char*, int, const char*)>("renameat");
    return f(olddirfd, oldpath, newdirfd, newpath);
}

FAULT_EXPORT int renameat2(int olddirfd, const char* oldpath, int newdirfd, const char* newpath,
                           unsigned int flags) noexcept {
    if (failRename(newdirfd, newpath))
        return -1;
    static auto f = next<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2");
    if (f == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    return f(olddirfd, oldpath, newdirfd, newpath, flags);
}

FAULT_EXPORT ssize_t write(int fd, const void* buf, size_t count) {
    const size_t allowed = allowance(fd, count);
    if (allowed == 0 && count > 0) {
        errno = ENOSPC;
        return -1;
    }
    return realWrite()(fd, buf, allowed);
}

FAULT_EXPORT ssize_t writev(int fd, const struct iovec* iov, int iovcnt) {
    static auto f = next<ssize_t (*)(int, const struct iovec*, int)>("writev");
    if (kind() != fault::Kind::Write || iovcnt <= 0)
        return f(fd, iov, iovcnt);
    size_t total = 0;
    for (int i = 0; i < iovcnt; ++i)
        total += iov[i].iov_len;
    const size_t allowed = allowance(fd, total);
    if (allowed == total)
        return f(fd, iov, iovcnt);
    if (allowed == 0) {
        errno = ENOSPC;
        return -1;
    }
    // Store the first allowed bytes only, as a disk that fills up part way would.
    size_t done = 0;
    for (int i = 0; i < iovcnt && done < allowed; ++i) {
        const size_t part = iov[i].iov_len < allowed - done ? iov[i].iov_len : allowed - done;
        const ssize_t n = realWrite()(fd, iov[i].iov_base, part);
        if (n < 0)
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        done += static_cast<size_t>(n);
        if (static_cast<size_t>(n) < part)
            break;
    }
    return static_cast<ssize_t>(done);
}

FAULT_EXPORT size_t fwrite(const void* ptr, size_t size, size_t nmemb, FILE* stream) {
    static auto f = next<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite");
    if (kind() != fault::Kind::Write || size == 0 || nmemb == 0)
        return f(ptr, size, nmemb, stream);
    const size_t allowed = allowance(fileno(stream), size * nmemb) / size;
    const size_t n = allowed > 0 ? f(ptr, size, allowed, stream) : 0;
    if (n < nmemb)
        errno = ENOSPC;
    return n;
}

FAULT_EXPORT int fsync(int fd) {
    if (failSync(fd))
        return -1;
    static auto f = next<int (*)(int)>("fsync");
    return f(fd);
}

FAULT_EXPORT int fdatasync(int fd) {
    if (failSync(fd))
        return -1;
    static auto f = next<int (*)(int)>("fdatasync");
    return f(fd);
}

} // extern "C"
