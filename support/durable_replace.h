/* SPDX-License-Identifier: Apache-2.0 */
// Durable replacement of a file: the new bytes go to a temporary file in the target's folder,
// which commit() syncs and renames onto the target, then syncs the folder. Every writer of the
// system that replaces a file goes through it, so that they all follow one policy:
//   - only a regular file is replaced; a FIFO, device, folder or socket is refused before it
//     is opened for writing (and without blocking on it);
//   - symbolic links are followed: the file they lead to is replaced (a dangling link gets its
//     destination created), the link itself stays;
//   - a replaced file keeps its permissions without setuid, setgid and sticky bits (and its
//     owner where the process may keep it); a new file gets 0666 less the umask;
//   - every descriptor is close-on-exec;
//   - the target is locked (flock) from open() to the end of commit() or abort(), so that two
//     writers of the same file, in one process or several, run one after the other; a target
//     that does not exist yet is covered by a lock on its folder until it does. A thread that
//     opens a second replacement of a file it is replacing already is refused (Lock, EDEADLK)
//     instead of waiting for itself;
//   - on any failure the temporary file is removed and the target is left as it was.
// Nothing here allocates or throws: it is used inside C entry points.
#ifndef TARVO_SUPPORT_DURABLE_REPLACE_H
#define TARVO_SUPPORT_DURABLE_REPLACE_H

#include <climits>
#include <cstddef>
#include <sys/stat.h>
#include <sys/types.h>

namespace tarvo::durable {

enum class Failure {
    None = 0,
    NotRegular, // the target exists and is not a regular file (mode tells what it is)
    Resolve,    // the name cannot be followed to a file in an existing folder
    Lock,       // the target or its folder cannot be opened or locked
    Create,     // the folder takes no temporary file
    Write,      // storing the bytes failed (full disk, I/O error)
    Sync,       // the temporary file could not be synced to disk
    Rename,     // the temporary file could not be renamed onto the target
    SyncFolder, // the target was replaced, but the folder could not be synced
    State       // call out of order (write before open, after commit)
};

struct Status {
    Failure failure = Failure::None;
    int error = 0;   // errno of the failing call, 0 when there is none
    mode_t mode = 0; // the target's type for NotRegular
    bool ok() const { return failure == Failure::None; }
};

// A short English text for the status: "not a regular file (a FIFO)", "cannot write: No space
// left on device". Writes at most size bytes including the terminating zero into buf.
void describe(const Status& status, char* buf, std::size_t size) noexcept;
// What the file type bits of mode name: "a FIFO", "a folder", "a character device", ...
const char* typeName(mode_t mode) noexcept;

class Replacement {
  public:
    Replacement() noexcept = default;
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    // Follows target to the file to replace, refuses what is not a regular file, takes the
    // lock (waiting for another writer) and creates the temporary file.
    Status open(const char* target) noexcept;

    // The temporary file, open for reading and writing; -1 when not open.
    int fd() const noexcept { return fd_; }
    // The current target, open read-only and locked (to read the content being replaced
    // without a race with another writer); -1 for a new file or one that cannot be read.
    int currentFd() const noexcept { return current_; }

    Status write(const void* data, std::size_t size) noexcept;
    // Syncs and closes the temporary file, renames it onto the target, syncs the folder and
    // releases the lock. The first failure removes the temporary file.
    Status commit() noexcept;
    // Removes the temporary file and releases the lock; nothing happens to the target.
    void abort() noexcept;

    const char* target() const noexcept { return target_; }  // after following links
    const char* temporary() const noexcept { return temp_; } // "" when there is none
    bool committed() const noexcept { return committed_; }

  private:
    Status fail(Failure failure, int error) noexcept;
    Status lock() noexcept;
    Status createTemporary(const struct ::stat* old) noexcept;

    char target_[PATH_MAX] = {};
    char folder_[PATH_MAX] = {};
    char temp_[PATH_MAX] = {};
    int fd_ = -1;
    int current_ = -1; // locked target, read-only
    int lock_ = -1;    // the descriptor holding the lock (current_ or the folder)
    int slot_ = -1;    // entry in the table of temporary files removed on a signal
    int held_ = -1;    // entry in the table of locks this process holds
    bool committed_ = false;
};

// Makes SIGINT, SIGTERM and SIGHUP remove every temporary file of an open Replacement before
// the process ends by the signal. Installed only for signals whose action is the default
// one (an ignored or handled signal is left alone). For programs, never for libraries.
// Safe to call more than once.
void installSignalCleanup() noexcept;

} // namespace tarvo::durable

#endif
