// SPDX-License-Identifier: Apache-2.0
// Standard output that is checked: a failed write or close is reported and fails the run.
#include "output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace tarvo::tool {

namespace {

bool stdoutWasClosed = false;
int firstError = 0; // errno of the first failed direct write

} // namespace

void guardStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (fd == 1)
            stdoutWasClosed = true;
        int nfd = ::open("/dev/null", fd == 1 ? O_RDONLY : O_RDWR);
        if (nfd >= 0 && nfd != fd) {
            ::dup2(nfd, fd);
            ::close(nfd);
        }
    }
}

bool writeStandardOutput(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(1, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (firstError == 0)
                firstError = n < 0 ? errno : EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool finishStandardOutput(std::string& why) {
    std::cout.flush();
    int err = firstError;
    if (std::fflush(stdout) != 0 && err == 0)
        err = errno;
    if ((std::cout.fail() || std::ferror(stdout)) && err == 0)
        err = errno != 0 ? errno : EIO;
    if (::close(1) != 0 && err == 0 && errno != EINTR)
        err = errno;
    if (stdoutWasClosed && err == 0)
        err = EBADF;
    if (err == 0)
        return true;
    why = std::strerror(err);
    return false;
}

} // namespace tarvo::tool
