// An output file that replaces its target only when it is complete.
#include "atomic_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "ratefile.h"

namespace tarvo::tool {

namespace {

// Permissions a plain new file gets from open(): 0666 less the process's umask.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

} // namespace

AtomicOutputFile::AtomicOutputFile(std::filesystem::path target) : target_(std::move(target)) {
    dir_ = target_.parent_path();
    if (dir_.empty())
        dir_ = ".";
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "." + string at -O3.
    std::string name(".");
    name += target_.filename().string();
    name += ".XXXXXX";
    tmp_ = (dir_ / name).string();
    fd_ = ::mkostemp(tmp_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        const int e = errno;
        tmp_.clear();
        throw ratefile::Error("cannot write to " + target_.string() + ": " + std::strerror(e));
    }
    // mkstemp creates the file for the owner only; give it the mode of the file it replaces.
    struct stat st {};
    const mode_t mode = ::stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : newFileMode();
    if (::fchmod(fd_, mode) != 0)
        fail("cannot write to");
}

AtomicOutputFile::~AtomicOutputFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !tmp_.empty())
        ::unlink(tmp_.c_str());
}

void AtomicOutputFile::fail(const char* what) {
    const int e = errno;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    ::unlink(tmp_.c_str());
    tmp_.clear();
    throw ratefile::Error(std::string(what) + " " + target_.string() + ": " + std::strerror(e));
}

void AtomicOutputFile::write(std::string_view bytes) {
    if (fd_ < 0)
        throw ratefile::Error("cannot write " + target_.string() + ": file already closed");
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("cannot write");
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void AtomicOutputFile::commit() {
    if (fd_ < 0)
        throw ratefile::Error("cannot write " + target_.string() + ": file already closed");
    if (::fsync(fd_) != 0)
        fail("cannot write");
    if (::close(std::exchange(fd_, -1)) != 0)
        fail("cannot write");
    if (::rename(tmp_.c_str(), target_.c_str()) != 0)
        fail("cannot replace");
    committed_ = true;
    // Make the rename itself durable; a folder that cannot be synced changes nothing.
    const int dfd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

} // namespace tarvo::tool
