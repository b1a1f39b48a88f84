// SPDX-License-Identifier: Apache-2.0
// Which rate-file record a market rate came from.
#include "audit.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ratefile.h"

namespace tarvo::tool {

namespace rf = tarvo::ratefile;

std::string kernelRateFile() {
    const char* env = std::getenv("TARVO_WAEHKURS");
    return env != nullptr && *env != '\0' ? env : "WAEHKURS.DAT";
}

RateIndex::RateIndex(const std::string& path) {
    // The rate reader refuses what is not a regular file without blocking and bounds the size;
    // a file it refuses has no dates to name.
    std::string bytes;
    try {
        bytes = rf::readRateFileBytes(path);
    } catch (const rf::Error&) {
        return;
    }
    for (std::size_t at = 0; at + rf::kRecordSize <= bytes.size(); at += rf::kRecordSize) {
        std::string_view r(bytes.data() + at, rf::kRecordSize);
        if (r.substr(0, rf::kVersionMarker.size()) == rf::kVersionMarker)
            continue;
        dates_[std::string(r.substr(rf::offset::iso, 3))].emplace_back(
            r.substr(rf::offset::rateDate, 8));
    }
    if (auto d = rf::readFileDate(path))
        fileDate_ = *d;
}

std::string RateIndex::recordDate(std::string_view iso, std::string_view date) const {
    auto it = dates_.find(std::string(iso));
    if (it == dates_.end())
        return {};
    for (const std::string& d : it->second)
        if (d <= date)
            return d;
    return {};
}

} // namespace tarvo::tool
