// SPDX-License-Identifier: Apache-2.0
// Replacements for the C library's file calls that fail on demand; see fault_inject.h.
// Defined in the program (or a preloaded library), they take precedence over the C library for
// every caller, including the shared libraries under test.
#include "fault_inject.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
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
std::atomic<int> gError{0};
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

// True when an open of path (relative to dirfd) is to fail; errno is then set.
bool failOpen(int dirfd, const char* path) {
    if (kind() != fault::Kind::Open)
        return false;
    const int saved = errno;
    const bool hit = inDirAt(dirfd, path);
    errno = saved;
    if (!hit)
        return false;
    fired("open");
    errno = gError.load();
    return true;
}

bool faultOnFd(fault::Kind k, int fd) {
    if (kind() != k || fd < 0)
        return false;
    const int saved = errno;
    const bool hit = fdInDir(fd);
    errno = saved;
    return hit;
}

// How many of want bytes a read from fd may return: 0 with EIO set once the budget is spent
// (Kind::Read), at most one byte (Kind::Short), else want.
size_t readAllowance(int fd, size_t want, bool& failed) {
    failed = false;
    if (want == 0)
        return want;
    if (faultOnFd(fault::Kind::Short, fd)) {
        fired("short read");
        return 1;
    }
    if (!faultOnFd(fault::Kind::Read, fd))
        return want;
    long long left = gBudget.load();
    if (left <= 0) {
        fired("read");
        failed = true;
        errno = EIO;
        return 0;
    }
    const size_t take = left < static_cast<long long>(want) ? static_cast<size_t>(left) : want;
    gBudget -= static_cast<long long>(take);
    return take;
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

void arm(Kind k, const char* dir, long long budget, int error) {
    gKind = static_cast<int>(Kind::None);
    setDir(dir);
    gBudget = budget;
    gError = error;
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
    int error = 0;
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
    } else if (std::strncmp(faultText, "open:", 5) == 0) {
        k = fault::Kind::Open;
        error = static_cast<int>(std::strtol(faultText + 5, nullptr, 10));
    } else if (std::strncmp(faultText, "read", 4) == 0) {
        k = fault::Kind::Read;
        if (faultText[4] == ':')
            budget = std::strtoll(faultText + 5, nullptr, 10);
    } else if (std::strcmp(faultText, "short") == 0) {
        k = fault::Kind::Short;
    }
    fault::arm(k, dir, budget, error);
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

FAULT_EXPORT int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    if (failOpen(AT_FDCWD, path))
        return -1;
    static auto f = next<int (*)(const char*, int, ...)>("open");
    return f(path, flags, mode);
}

FAULT_EXPORT int open64(const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    if (failOpen(AT_FDCWD, path))
        return -1;
    static auto f = next<int (*)(const char*, int, ...)>("open64");
    return f(path, flags, mode);
}

FAULT_EXPORT int openat(int dirfd, const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    if (failOpen(dirfd, path))
        return -1;
    static auto f = next<int (*)(int, const char*, int, ...)>("openat");
    return f(dirfd, path, flags, mode);
}

FAULT_EXPORT FILE* fopen(const char* path, const char* how) {
    if (failOpen(AT_FDCWD, path))
        return nullptr;
    static auto f = next<FILE* (*)(const char*, const char*)>("fopen");
    return f(path, how);
}

FAULT_EXPORT FILE* fopen64(const char* path, const char* how) {
    if (failOpen(AT_FDCWD, path))
        return nullptr;
    static auto f = next<FILE* (*)(const char*, const char*)>("fopen64");
    return f(path, how);
}

FAULT_EXPORT ssize_t read(int fd, void* buf, size_t count) {
    static auto f = next<ssize_t (*)(int, void*, size_t)>("read");
    bool failed = false;
    const size_t allowed = readAllowance(fd, count, failed);
    return failed ? -1 : f(fd, buf, allowed);
}

FAULT_EXPORT ssize_t pread(int fd, void* buf, size_t count, off_t at) {
    static auto f = next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    bool failed = false;
    const size_t allowed = readAllowance(fd, count, failed);
    return failed ? -1 : f(fd, buf, allowed, at);
}

FAULT_EXPORT ssize_t pread64(int fd, void* buf, size_t count, off_t at) {
    static auto f = next<ssize_t (*)(int, void*, size_t, off_t)>("pread64");
    bool failed = false;
    const size_t allowed = readAllowance(fd, count, failed);
    return failed ? -1 : f(fd, buf, allowed, at);
}

FAULT_EXPORT size_t fread(void* ptr, size_t size, size_t nmemb, FILE* stream) {
    static auto f = next<size_t (*)(void*, size_t, size_t, FILE*)>("fread");
    if (size == 0 || nmemb == 0 || !faultOnFd(fault::Kind::Read, fileno(stream)))
        return f(ptr, size, nmemb, stream);
    bool failed = false;
    const size_t allowed = readAllowance(fileno(stream), size * nmemb, failed) / size;
    const size_t n = allowed > 0 ? f(ptr, size, allowed, stream) : 0;
    if (n < nmemb)
        errno = EIO;
    return n;
}

FAULT_EXPORT int fseek(FILE* stream, long at, int whence) {
    if (faultOnFd(fault::Kind::Seek, fileno(stream))) {
        fired("fseek");
        errno = EIO;
        return -1;
    }
    static auto f = next<int (*)(FILE*, long, int)>("fseek");
    return f(stream, at, whence);
}

FAULT_EXPORT int fseeko(FILE* stream, off_t at, int whence) {
    if (faultOnFd(fault::Kind::Seek, fileno(stream))) {
        fired("fseeko");
        errno = EIO;
        return -1;
    }
    static auto f = next<int (*)(FILE*, off_t, int)>("fseeko");
    return f(stream, at, whence);
}

FAULT_EXPORT long ftell(FILE* stream) {
    if (faultOnFd(fault::Kind::Seek, fileno(stream))) {
        fired("ftell");
        errno = EIO;
        return -1;
    }
    static auto f = next<long (*)(FILE*)>("ftell");
    return f(stream);
}

FAULT_EXPORT off_t lseek(int fd, off_t at, int whence) {
    if (faultOnFd(fault::Kind::Seek, fd)) {
        fired("lseek");
        errno = EIO;
        return -1;
    }
    static auto f = next<off_t (*)(int, off_t, int)>("lseek");
    return f(fd, at, whence);
}

FAULT_EXPORT int close(int fd) {
    const bool fail = faultOnFd(fault::Kind::Close, fd);
    static auto f = next<int (*)(int)>("close");
    const int rc = f(fd);
    if (fail && rc == 0) {
        fired("close");
        errno = EIO;
        return -1;
    }
    return rc;
}

FAULT_EXPORT int fclose(FILE* stream) {
    const bool fail = faultOnFd(fault::Kind::Close, fileno(stream));
    static auto f = next<int (*)(FILE*)>("fclose");
    const int rc = f(stream);
    if (fail && rc == 0) {
        fired("fclose");
        errno = EIO;
        return -1;
    }
    return rc;
}

FAULT_EXPORT int fdatasync(int fd) {
    if (failSync(fd))
        return -1;
    static auto f = next<int (*)(int)>("fdatasync");
    return f(fd);
}

} // extern "C"
