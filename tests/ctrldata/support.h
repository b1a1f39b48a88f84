/* SPDX-License-Identifier: Apache-2.0 */
// Shared helpers of the control-data tests: blocks, a scratch folder and a trace recorder.
#ifndef TARVO_TESTS_CTRLDATA_SUPPORT_H
#define TARVO_TESTS_CTRLDATA_SUPPORT_H

#include "ctrldata.h"

#include <filesystem>
#include <string>
#include <vector>

namespace ctrltest {

// A PS_SB filled as the bridge fills it: version "01", sender "TARVON32", the requested
// control-data version, application name and reference date as zero-terminated fields.
PS_SB makeSb(const std::string& version, const std::string& app, const std::string& date);

std::string field(const char* p, std::size_t n);

// One load: the block, the result and the filled PS_EB.
struct Load {
    PS_SB sb{};
    PS_EB eb{};
    int32_t rc = -1;
};
Load load(const std::string& version, const std::string& app, const std::string& date);

// A scratch folder; TARVO_STEUDAT points at a file in it for the lifetime of the object.
class ScratchFile {
  public:
    ScratchFile();
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::filesystem::path& path() const { return file_; }
    void write(const std::vector<unsigned char>& bytes) const;
    std::vector<unsigned char> read() const;

  private:
    std::filesystem::path dir_;
    std::filesystem::path file_;
};

// Points TARVO_STEUDAT at a file that does not exist, so loads use the built-in record.
class NoFile {
  public:
    NoFile();
    ~NoFile();

  private:
    std::filesystem::path dir_;
};

// Trace calls seen by the WriteLog that the test program defines.
struct TraceCall {
    std::string label;
    int32_t length;
};
std::vector<TraceCall>& traceCalls();

// PS_EB with the call date, time and stamp cleared (they differ from load to load).
PS_EB withoutCallTime(PS_EB eb);

} // namespace ctrltest

#endif
