/* SPDX-License-Identifier: Apache-2.0 */
// Faults injected into file access from outside the code under test: the program that links
// fault_inject.cpp (or preloads it as a shared library) replaces rename, write, fwrite, fsync,
// open, fopen, read, pread, fread, fseek, ftell, lseek, close and their relatives, and fails
// them for files inside one folder while a fault is armed. Everything else is passed on to the
// C library.
#ifndef TARVO_TESTS_FAULT_INJECT_H
#define TARVO_TESTS_FAULT_INJECT_H

namespace fault {

enum class Kind {
    None,
    Rename, // rename/renameat/renameat2 onto a file in the folder fails with EIO
    Crash,  // the same call ends the process at once (_exit(kCrashStatus)): a crash right
            // after the temporary file was written
    Write,  // writes to files in the folder stop with ENOSPC after the byte budget: a full disk
    Fsync,  // fsync/fdatasync of a file in the folder fails with EIO
    Open,   // open/openat/fopen of a file in the folder fails with the armed errno
    Read,   // reads from a file in the folder fail with EIO after the byte budget
    Short,  // read/pread from a file in the folder return at most one byte per call
    Seek,   // fseek/fseeko/ftell/ftello/lseek on a file in the folder fail with EIO
    Close   // close/fclose of a file in the folder close it but report EIO
};

inline constexpr int kCrashStatus = 86;

// Arms a fault for the files inside dir (an absolute path without symbolic links).
// budget: bytes that writes may still store before the disk is full (Kind::Write).
// error: the errno of a failing open (Kind::Open).
void arm(Kind kind, const char* dir, long long budget = 0, int error = 0);
void disarm();
// How often the armed fault has fired since arm().
int hits();

} // namespace fault

// The preloaded form reads its fault from the environment when it is loaded:
// TARVO_FAULT=rename|crash|write[:budget]|fsync|open:<errno>|read[:budget]|short,
// TARVO_FAULT_DIR=<folder> and, optionally,
// TARVO_FAULT_LOG=<file> that receives one line per fault that fired.

#endif
