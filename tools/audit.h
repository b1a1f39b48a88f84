/* SPDX-License-Identifier: Apache-2.0 */
// Which rate-file record a market rate came from: the record's rate date and the file's
// version date, so that a result can be checked against the file later.
#ifndef TARVO_TOOLS_AUDIT_H
#define TARVO_TOOLS_AUDIT_H

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvo::tool {

// The rate file the kernel reads: $TARVO_WAEHKURS, else WAEHKURS.DAT in the current folder.
std::string kernelRateFile();

// The rate dates of every currency of a rate file, read once.
class RateIndex {
  public:
    // An unreadable file gives an empty index (the kernel has already said why).
    explicit RateIndex(const std::string& path);

    // The rate date of the record the kernel selects for iso on date (YYYYMMDD): the first
    // record of the currency in file order not dated after it; "" when there is none.
    std::string recordDate(std::string_view iso, std::string_view date) const;
    const std::string& fileDate() const { return fileDate_; }

  private:
    std::unordered_map<std::string, std::vector<std::string>> dates_; // file order
    std::string fileDate_;
};

} // namespace tarvo::tool

#endif
