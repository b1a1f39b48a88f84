// SPDX-License-Identifier: Apache-2.0
// Which rate-file record a market rate came from.
#include "audit.h"

#include <cstdlib>
#include <cstring>

#include "common.h"
#include "convkern.h"
#include "ratefile.h"

namespace tarvo::tool {

namespace rf = tarvo::ratefile;

std::string kernelRateFile() {
    const char* env = std::getenv("TARVO_WAEHKURS");
    return env != nullptr && *env != '\0' ? env : "WAEHKURS.DAT";
}

RateFileDates::RateFileDates(const std::string& path) {
    try {
        if (auto d = rf::readFileDate(path))
            fileDate_ = *d;
    } catch (const rf::Error&) {
        // refused (not a regular file, unreadable): no version date to name
    }
}

std::string RateFileDates::recordDate(std::string_view iso, std::string_view date) const {
    if (iso.size() != 3 || date.size() != 8)
        return {};
    LW_SB req;
    std::memset(&req, 0, sizeof req);
    std::memcpy(req.SB_VERSION, "01", 2);
    setField(req.SENDER, "TARVO");
    std::memcpy(req.ISO_CODE, iso.data(), 3);
    std::memcpy(req.REQ_DATE, date.data(), 8);
    int32_t unused1 = 0, unused2 = 0;
    if (LW_LesenWaehrKursDaten(&req, &unused1, &unused2) != 0)
        return {};
    return std::string(req.RATE_DATE, 8);
}

} // namespace tarvo::tool
