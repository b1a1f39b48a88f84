// SPDX-License-Identifier: Apache-2.0
// Fuzzes the control-data file loader: any bytes as TARVO.DAT, loaded for a few versions,
// applications and reference dates. Loading may convert the file in place; it must never
// crash, read out of bounds or leak.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const std::string path = (fuzz::workDir() / "TARVO.DAT").string();
    setenv("TARVO_STEUDAT", path.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    static const char* const kVersions[] = {"  ", "01", "02", "*+"};
    static const char* const kApps[] = {"        ", "Anwend_1", "UNKNOWN "};
    static const char* const kDates[] = {"19981231", "20010615", "20020301", "00000000"};
    const uint8_t sel = data[0];
    {
        std::ofstream out(getenv("TARVO_STEUDAT"), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    PS_SB sb;
    PS_EB eb;
    std::memset(&sb, 0, sizeof sb);
    std::memcpy(sb.SB_VERSION, "01", 2);
    std::memcpy(sb.SENDER, "FUZZ    ", 8);
    std::memcpy(sb.EB_VERSION, kVersions[sel & 3], 2);
    std::memcpy(sb.ANWENDUNG, kApps[(sel >> 2) % 3], 8);
    std::memcpy(sb.BEZUGSDATUM, kDates[(sel >> 4) & 3], 8);
    int32_t aux = 0;
    int32_t rc = PS_LesenTarvoDaten(&sb, &aux, &eb);
    char code[5] = {};
    std::memcpy(code, sb.RETURN_CODE, 4);
    if (std::atoi(code) != rc) {
        std::abort(); // the return number and the code text must agree
    }
    return 0;
}
