// An output file that replaces its target only when it is complete: the bytes go to a private
// temporary file in the target's folder, which commit() syncs and renames onto the target.
// Until then the target keeps its old content, and a temporary file that was not committed is
// removed again (also when an exception leaves the scope).
#ifndef TARVO_TOOLS_ATOMIC_FILE_H
#define TARVO_TOOLS_ATOMIC_FILE_H

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo::tool {

class AtomicOutputFile {
  public:
    // Creates the temporary file (exclusively, with a name nobody can predict). The new file
    // will have the permissions of the file it replaces, or the usual ones for a new file.
    // Throws tarvo::ratefile::Error when the folder does not take a new file.
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
    [[noreturn]] void fail(const char* what);

    std::filesystem::path target_;
    std::filesystem::path dir_;
    std::string tmp_;
    int fd_ = -1;
    bool committed_ = false;
};

} // namespace tarvo::tool

#endif
