/* SPDX-License-Identifier: Apache-2.0 */
// Which rate-file record a market rate came from: the record's rate date and the file's
// version date, so that a result can be checked against the file later.
#ifndef TARVO_TOOLS_AUDIT_H
#define TARVO_TOOLS_AUDIT_H

#include <string>
#include <string_view>

namespace tarvo::tool {

// The rate file the kernel reads: $TARVO_WAEHKURS, else WAEHKURS.DAT in the current folder.
std::string kernelRateFile();

// The dates behind a market rate: the rate date of the record the kernel's rate reader
// selects (asked of the reader itself, which answers from its snapshot of the file) and the
// file's version date (read once).
class RateFileDates {
  public:
    // An unreadable file has no version date (the kernel has already said why).
    explicit RateFileDates(const std::string& path);

    // The rate date (YYYYMMDD) of the record the kernel selects for iso on date (YYYYMMDD or
    // "99999999"); "" when there is none.
    std::string recordDate(std::string_view iso, std::string_view date) const;
    const std::string& fileDate() const { return fileDate_; }

  private:
    std::string fileDate_;
};

} // namespace tarvo::tool

#endif
