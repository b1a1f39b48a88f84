// SPDX-License-Identifier: Apache-2.0
// Fuzzes the reading of outside rate data: the importer of the published reference-rate
// files (XML and CSV) and the rate-file parser and checker. Errors are exceptions with a
// message; anything else (a crash, a hang, an unexpected exception type) is a finding.
#include <cstdint>
#include <string_view>

#include "ratefile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace rf = tarvo::ratefile;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        auto records = rf::importEcb(bytes, "fuzz");
        // What the importer accepts must encode into a file that its own checker accepts.
        if (records.empty()) {
            return 0;
        }
        std::string file = rf::encodeRateFile(records, rf::newestDate(records));
        if (!rf::checkRateFileBytes(file).empty()) {
            __builtin_trap();
        }
    } catch (const rf::Error&) {
    }
    try {
        rf::parseRateFile(bytes);
    } catch (const rf::Error&) {
    }
    (void)rf::checkRateFileBytes(bytes);
    return 0;
}
