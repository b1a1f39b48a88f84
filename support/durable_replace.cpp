// SPDX-License-Identifier: Apache-2.0
// Durable replacement of a file; see durable_replace.h.
#include "durable_replace.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo::durable {

namespace {

constexpr int kMaxLinks = 40;       // as the kernel's own limit on followed links
constexpr int kLockAttempts = 1000; // a target replaced again and again while we wait
constexpr std::size_t kMaxTempBase = 200;

// ---- temporary files removed on a signal ----

constexpr int kSlots = 16;
struct Slot {
    std::atomic<int> state{0}; // 0 free, 1 being filled, 2 holds a path
    char path[PATH_MAX];
};
Slot gSlots[kSlots];

int registerTemporary(const char* path) noexcept {
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (gSlots[i].state.compare_exchange_strong(expected, 1)) {
            const std::size_t n = strnlen(path, PATH_MAX - 1);
            std::memcpy(gSlots[i].path, path, n);
            gSlots[i].path[n] = '\0';
            gSlots[i].state.store(2);
            return i;
        }
    }
    return -1; // table full: this file is not removed on a signal
}

void unregisterTemporary(int slot) noexcept {
    if (slot >= 0)
        gSlots[slot].state.store(0);
}

extern "C" void removeTemporariesAndDie(int sig) {
    const int saved = errno;
    for (Slot& s : gSlots)
        if (s.state.load() == 2)
            ::unlink(s.path);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    errno = saved;
    ::raise(sig); // delivered with the default action when the handler returns
}

// ---- locks held by this process ----
// flock does not tell a thread that it already holds the lock through another descriptor: it
// would wait for itself for ever. The locks this process holds are listed with their owner, so
// that a thread asking again for a file it holds is told so (EDEADLK), and one asking for the
// folder it already holds for another new file goes on under that lock.

constexpr int kHeld = 64;
struct Held {
    bool used = false;
    dev_t dev = 0;
    ino_t ino = 0;
    pthread_t owner{};
    const char* target = nullptr; // the name being replaced (the holder's own buffer)
};
Held gHeld[kHeld];
pthread_mutex_t gHeldMutex = PTHREAD_MUTEX_INITIALIZER;

// Whether this thread holds the lock of (dev, ino); same tells whether it holds it for the
// same target name (a folder lock is shared by the new files in the folder).
bool heldByThisThread(const struct stat& st, const char* target, bool& same) noexcept {
    pthread_mutex_lock(&gHeldMutex);
    bool held = false;
    same = false;
    for (const Held& h : gHeld) {
        if (h.used && h.dev == st.st_dev && h.ino == st.st_ino &&
            pthread_equal(h.owner, pthread_self()) != 0) {
            held = true;
            same = same || std::strcmp(h.target, target) == 0;
        }
    }
    pthread_mutex_unlock(&gHeldMutex);
    return held;
}

int noteHeld(const struct stat& st, const char* target) noexcept {
    pthread_mutex_lock(&gHeldMutex);
    int slot = -1;
    for (int i = 0; i < kHeld && slot < 0; ++i) {
        if (!gHeld[i].used) {
            gHeld[i] = {true, st.st_dev, st.st_ino, pthread_self(), target};
            slot = i;
        }
    }
    pthread_mutex_unlock(&gHeldMutex);
    return slot;
}

void forgetHeld(int slot) noexcept {
    if (slot < 0)
        return;
    pthread_mutex_lock(&gHeldMutex);
    gHeld[slot].used = false;
    pthread_mutex_unlock(&gHeldMutex);
}

// ---- paths ----

bool copy(char* to, const char* from, std::size_t n = PATH_MAX) noexcept {
    const std::size_t len = std::strlen(from);
    if (len >= n)
        return false;
    std::memcpy(to, from, len + 1);
    return true;
}

// Splits path into its folder (".", "/" or the part before the last slash) and last name.
bool split(const char* path, char* folder, const char** base) noexcept {
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        *base = path;
        return copy(folder, ".");
    }
    *base = slash + 1;
    const std::size_t len = slash == path ? 1 : static_cast<std::size_t>(slash - path);
    if (len >= PATH_MAX)
        return false;
    std::memcpy(folder, path, len);
    folder[len] = '\0';
    return true;
}

// Follows symbolic links from in to the absolute name of the file they lead to, which need
// not exist when its folder does. Returns 0 or an errno value.
int resolve(const char* in, char* out) noexcept {
    char cur[PATH_MAX];
    if (in == nullptr || *in == '\0')
        return ENOENT;
    if (!copy(cur, in))
        return ENAMETOOLONG;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(cur, &st) == 0 && !S_ISLNK(st.st_mode))
            return ::realpath(cur, out) != nullptr ? 0 : errno;
        if (::lstat(cur, &st) != 0) {
            if (errno != ENOENT)
                return errno;
            // Not there yet: the folder must exist; the file is created in it.
            char folder[PATH_MAX];
            const char* base = nullptr;
            if (!split(cur, folder, &base))
                return ENAMETOOLONG;
            if (*base == '\0' || std::strcmp(base, ".") == 0 || std::strcmp(base, "..") == 0)
                return EISDIR;
            char real[PATH_MAX];
            if (::realpath(folder, real) == nullptr)
                return errno;
            const int n = std::snprintf(out, PATH_MAX, "%s%s%s", real,
                                        std::strcmp(real, "/") == 0 ? "" : "/", base);
            return n > 0 && n < PATH_MAX ? 0 : ENAMETOOLONG;
        }
        char link[PATH_MAX];
        const ssize_t n = ::readlink(cur, link, sizeof link - 1);
        if (n < 0)
            return errno;
        link[n] = '\0';
        if (link[0] == '/') {
            std::memcpy(cur, link, static_cast<std::size_t>(n) + 1);
            continue;
        }
        char folder[PATH_MAX];
        const char* base = nullptr;
        if (!split(cur, folder, &base))
            return ENAMETOOLONG;
        const int m = std::snprintf(cur, sizeof cur, "%s/%s", folder, link);
        if (m < 0 || m >= PATH_MAX)
            return ENAMETOOLONG;
    }
    return ELOOP;
}

unsigned long long randomBits() noexcept {
    unsigned long long v = 0;
    if (::getrandom(&v, sizeof v, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof v))
        return v;
    struct timespec t {};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    static std::atomic<unsigned long long> counter{0};
    return (static_cast<unsigned long long>(t.tv_nsec) << 20) ^
           static_cast<unsigned long long>(t.tv_sec) ^
           (static_cast<unsigned long long>(::getpid()) << 40) ^ (counter += 0x9E3779B97F4A7C15ull);
}

int closeKeepingErrno(int fd) noexcept {
    const int saved = errno;
    if (fd >= 0)
        ::close(fd);
    errno = saved;
    return -1;
}

} // namespace

const char* typeName(mode_t mode) noexcept {
    switch (mode & S_IFMT) {
    case S_IFREG:
        return "a regular file";
    case S_IFDIR:
        return "a folder";
    case S_IFIFO:
        return "a FIFO";
    case S_IFCHR:
        return "a character device";
    case S_IFBLK:
        return "a block device";
    case S_IFSOCK:
        return "a socket";
    case S_IFLNK:
        return "a symbolic link";
    default:
        return "not a file";
    }
}

void describe(const Status& s, char* buf, std::size_t size) noexcept {
    if (buf == nullptr || size == 0)
        return;
    const char* what = "";
    switch (s.failure) {
    case Failure::None:
        what = "replaced";
        break;
    case Failure::NotRegular:
        std::snprintf(buf, size, "not a regular file (%s); only regular files are replaced",
                      typeName(s.mode));
        return;
    case Failure::Resolve:
        what = "cannot follow the name";
        break;
    case Failure::Lock:
        what = "cannot lock the file";
        break;
    case Failure::Create:
        what = "cannot create a temporary file in its folder";
        break;
    case Failure::Write:
        what = "cannot write";
        break;
    case Failure::Sync:
        what = "cannot sync to disk";
        break;
    case Failure::Rename:
        what = "cannot replace";
        break;
    case Failure::SyncFolder:
        what = "replaced, but its folder cannot be synced to disk";
        break;
    case Failure::State:
        what = "no file open for writing";
        break;
    }
    if (s.error != 0)
        std::snprintf(buf, size, "%s: %s", what, std::strerror(s.error));
    else
        std::snprintf(buf, size, "%s", what);
}

Replacement::~Replacement() {
    abort();
}

Status Replacement::fail(Failure failure, int error) noexcept {
    abort();
    return {failure, error, 0};
}

Status Replacement::open(const char* target) noexcept {
    if (fd_ >= 0 || lock_ >= 0)
        return {Failure::State, 0, 0};
    committed_ = false;
    temp_[0] = '\0';
    if (const int e = resolve(target, target_); e != 0)
        return {Failure::Resolve, e, 0};
    const char* base = nullptr;
    if (!split(target_, folder_, &base))
        return {Failure::Resolve, ENAMETOOLONG, 0};
    // Refused from the name alone, so that nothing but a regular file is ever opened.
    struct stat st {};
    if (::stat(target_, &st) == 0 && !S_ISREG(st.st_mode))
        return {Failure::NotRegular, 0, st.st_mode};
    const Status locked = lock();
    if (!locked.ok())
        return locked;
    struct stat old {};
    const bool exists = current_ >= 0 ? ::fstat(current_, &old) == 0 : ::stat(target_, &old) == 0;
    return createTemporary(exists ? &old : nullptr);
}

// Locks the target (or, while it does not exist, its folder). A writer that waited for the
// lock of a file that has since been replaced locks the new file instead.
Status Replacement::lock() noexcept {
    constexpr int kFlags = O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW;
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        bool onFolder = false;
        int fd = ::open(target_, O_RDONLY | kFlags);
        const bool readable = fd >= 0;
        if (fd < 0 && errno == EACCES)
            fd = ::open(target_, O_WRONLY | kFlags);
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(folder_, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            onFolder = true;
        }
        if (fd < 0)
            return fail(Failure::Lock, errno);
        struct stat held {};
        if (::fstat(fd, &held) != 0)
            return closeKeepingErrno(fd), fail(Failure::Lock, errno);
        if (!onFolder && !S_ISREG(held.st_mode)) {
            ::close(fd);
            abort();
            return {Failure::NotRegular, 0, held.st_mode};
        }
        bool sameTarget = false;
        const bool mine = heldByThisThread(held, target_, sameTarget);
        if (mine && (!onFolder || sameTarget)) {
            ::close(fd);
            return fail(Failure::Lock, EDEADLK);
        }
        int rc = 0;
        while (!mine && (rc = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (rc != 0)
            return closeKeepingErrno(fd), fail(Failure::Lock, errno);
        // Still the file (or still no file) under the name?
        struct stat now {};
        const bool there = ::stat(target_, &now) == 0;
        const bool same =
            onFolder ? !there : there && now.st_dev == held.st_dev && now.st_ino == held.st_ino;
        if (same) {
            lock_ = fd;
            current_ = !onFolder && readable ? fd : -1;
            held_ = noteHeld(held, target_);
            return {};
        }
        ::close(fd);
        if (there && !S_ISREG(now.st_mode))
            return {Failure::NotRegular, 0, now.st_mode};
    }
    return fail(Failure::Lock, EAGAIN);
}

Status Replacement::createTemporary(const struct stat* old) noexcept {
    const char* base = std::strrchr(target_, '/');
    base = base == nullptr ? target_ : base + 1;
    const int baseLen = static_cast<int>(std::min(std::strlen(base), kMaxTempBase));
    // A new file gets 0666 less the umask (and a default ACL) from the kernel; a replacement
    // the old file's permissions, set below as the umask would narrow them.
    const mode_t createMode = old != nullptr ? 0600 : 0666;
    static constexpr char kChars[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned long long bits = randomBits();
        char suffix[7];
        for (char& c : suffix) {
            c = kChars[bits % (sizeof kChars - 1)];
            bits /= sizeof kChars - 1;
        }
        suffix[6] = '\0';
        const int n =
            std::snprintf(temp_, sizeof temp_, "%s%s.%.*s.%s", folder_,
                          std::strcmp(folder_, "/") == 0 ? "" : "/", baseLen, base, suffix);
        if (n < 0 || n >= PATH_MAX) {
            temp_[0] = '\0';
            return fail(Failure::Create, ENAMETOOLONG);
        }
        // Listed for removal on a signal before it exists, so that no signal finds the file
        // created but not listed.
        slot_ = registerTemporary(temp_);
        fd_ = ::open(temp_, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, createMode);
        if (fd_ >= 0)
            break;
        const int e = errno;
        unregisterTemporary(slot_);
        slot_ = -1;
        if (e != EEXIST) {
            temp_[0] = '\0';
            return fail(Failure::Create, e);
        }
    }
    if (fd_ < 0) {
        temp_[0] = '\0';
        return fail(Failure::Create, EEXIST);
    }
    if (old != nullptr) {
        // Keep the owner where the process may (root, or a group of its own); otherwise the
        // file belongs to whoever replaces it, as any new file would.
        if (old->st_uid != ::geteuid() || old->st_gid != ::getegid())
            (void)::fchown(fd_, old->st_uid, old->st_gid);
        if (::fchmod(fd_, old->st_mode & 0777) != 0)
            return fail(Failure::Create, errno);
    }
    return {};
}

Status Replacement::write(const void* data, std::size_t size) noexcept {
    if (fd_ < 0)
        return {Failure::State, 0, 0};
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(Failure::Write, errno);
        }
        if (n == 0)
            return fail(Failure::Write, ENOSPC);
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return {};
}

Status Replacement::commit() noexcept {
    if (fd_ < 0)
        return {Failure::State, 0, 0};
    int rc = 0;
    while ((rc = ::fsync(fd_)) != 0 && errno == EINTR) {
    }
    if (rc != 0)
        return fail(Failure::Sync, errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR)
        return fail(Failure::Write, errno);
    if (::rename(temp_, target_) != 0)
        return fail(Failure::Rename, errno);
    committed_ = true;
    unregisterTemporary(slot_);
    slot_ = -1;
    temp_[0] = '\0';
    // The rename itself is durable once the folder is synced. Some file systems cannot sync a
    // folder at all (EINVAL); that is no failure.
    Status result;
    const int dir = ::open(folder_, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        result = {Failure::SyncFolder, errno, 0};
    } else {
        if (::fsync(dir) != 0 && errno != EINVAL && errno != EROFS)
            result = {Failure::SyncFolder, errno, 0};
        ::close(dir);
    }
    abort(); // releases the lock; the temporary file is gone already
    return result;
}

void Replacement::abort() noexcept {
    const int saved = errno;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (temp_[0] != '\0')
        ::unlink(temp_);
    temp_[0] = '\0';
    unregisterTemporary(slot_);
    slot_ = -1;
    forgetHeld(held_);
    held_ = -1;
    if (lock_ >= 0)
        ::close(lock_); // releases the flock (unless this thread held it already)
    lock_ = -1;
    current_ = -1;
    errno = saved;
}

void installSignalCleanup() noexcept {
    static std::atomic<bool> installed{false};
    if (installed.exchange(true))
        return;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) != 0)
            continue;
        if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL)
            continue;
        struct sigaction act {};
        act.sa_handler = removeTemporariesAndDie;
        sigemptyset(&act.sa_mask);
        ::sigaction(sig, &act, nullptr);
    }
}

} // namespace tarvo::durable
