/* SPDX-License-Identifier: Apache-2.0 */
// An output file that replaces its target only when it is complete: the bytes go to a private
// temporary file in the target's folder, which commit() syncs and renames onto the target.
// Until then the target keeps its old content, and a temporary file that was not committed is
// removed again (also when an exception leaves the scope, and when SIGINT, SIGTERM or SIGHUP
// end the program). The target is locked from construction to commit, so a second writer of
// the same file waits for the first; only regular files are replaced (durable_replace.h).
#ifndef TARVO_TOOLS_ATOMIC_FILE_H
#define TARVO_TOOLS_ATOMIC_FILE_H

#include <filesystem>
#include <string>
#include <string_view>

#include "durable_replace.h"

namespace tarvo::tool {

class AtomicOutputFile {
  public:
    // Locks the target and creates the temporary file (exclusively, with a name nobody can
    // predict). The new file will have the permissions of the file it replaces (without
    // setuid and setgid), or 0666 less the umask. Throws tarvo::ratefile::Error when the
    // target is not a regular file or the folder does not take a new file.
    explicit AtomicOutputFile(std::filesystem::path target);
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    // Appends bytes; throws tarvo::ratefile::Error when they cannot be stored.
    void write(std::string_view bytes);
    // Syncs the file, renames it onto the target and syncs the folder; throws
    // tarvo::ratefile::Error (and removes the temporary file) when any step fails.
    void commit();

    const std::string& temporaryPath() const { return tmp_; }

  private:
    [[noreturn]] void fail(const tarvo::durable::Status& status);

    std::filesystem::path target_;
    std::string tmp_;
    tarvo::durable::Replacement out_;
};

} // namespace tarvo::tool

#endif
