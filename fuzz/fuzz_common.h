/* SPDX-License-Identifier: Apache-2.0 */
// Shared set-up of the fuzz harnesses: a private folder, control data and a rate file.
#ifndef TARVO_FUZZ_COMMON_H
#define TARVO_FUZZ_COMMON_H

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <string>

#include "convkern.h"
#include "ctrldata.h"
#include "work_cells.h"

namespace fuzz {

// A folder of this process under /tmp, made once.
inline const std::filesystem::path& workDir() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() /
                 ("tarvo-fuzz-" + std::to_string(static_cast<long>(getpid())));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

// PS_EB loaded from the built-in record for the default application and a reference date.
inline bool loadControlData(const char* date, PS_EB* eb) {
    PS_SB sb;
    std::memset(&sb, 0, sizeof sb);
    std::memset(eb, 0, sizeof *eb);
    std::memcpy(sb.SB_VERSION, "01", 2);
    std::memcpy(sb.SENDER, "FUZZ    ", 8);
    std::memcpy(sb.EB_VERSION, "  ", 2);
    std::memcpy(sb.ANWENDUNG, "        ", 8);
    std::memcpy(sb.BEZUGSDATUM, date, 8);
    int32_t aux = 0;
    return PS_LesenTarvoDaten(&sb, &aux, eb) == 0;
}

// Every work cell of the calling thread must be null between calls.
using tarvo_test::workCellsNull;

} // namespace fuzz

#endif
