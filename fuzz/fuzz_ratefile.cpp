// SPDX-License-Identifier: Apache-2.0
// Fuzzes the kernel's rate-file reader: any bytes as WAEHKURS.DAT, looked up by code, by
// currency number and through a U1 conversion on the rate-file path.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "fuzz_common.h"

namespace {
PS_EB g_eb;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const std::string path = (fuzz::workDir() / "WAEHKURS.DAT").string();
    setenv("TARVO_WAEHKURS", path.c_str(), 1);
    static const std::string none = (fuzz::workDir() / "no-TARVO.DAT").string();
    setenv("TARVO_STEUDAT", none.c_str(), 1);
    if (!fuzz::loadControlData("20010615", &g_eb)) {
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    static const char* const kDates[] = {"20010615", "19990101", "99999999", "20991231"};
    const char* date = kDates[data[0] & 3];
    char iso[4] = {static_cast<char>(data[1]), static_cast<char>(data[2]),
                   static_cast<char>(data[3]), 0};
    {
        std::ofstream out(getenv("TARVO_WAEHKURS"), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 4), static_cast<std::streamsize>(size - 4));
    }
    LW_SB req;
    std::memset(&req, 0, sizeof req);
    std::memcpy(req.SB_VERSION, "01", 2);
    std::memcpy(req.SENDER, "FUZZ    ", 8);
    if (data[0] & 4) {
        std::memcpy(req.ISO_CODE, "   ", 3);
        std::memcpy(req.CURRENCY_NO, iso, 3);
    } else {
        std::memcpy(req.ISO_CODE, iso, 3);
    }
    std::memcpy(req.REQ_DATE, date, 8);
    LW_LesenWaehrKursDaten(&req, nullptr, nullptr);

    U1_SB sb;
    std::memset(&sb, 0, sizeof sb);
    std::memcpy(sb.SB_VERSION, "01", 2);
    std::memcpy(sb.SENDER, "FUZZ    ", 8);
    sb.RATE_TYPE = "GMBSXY"[data[0] >> 4 & 3];
    std::memcpy(sb.ISO_CODE_E, "EUR", 3);
    std::memcpy(sb.ISO_CODE_A, iso, 3);
    sb.RATE_PRINT_FLAG = 'N';
    std::memcpy(sb.BOOKING_DATE, date, 8);
    std::memcpy(sb.AMOUNT_E, "+000000000010000", 16);
    int32_t aux = 0;
    U1_UmrFwaehrBwaehr(&sb, &g_eb, &aux);
    if (!fuzz::workCellsNull()) {
        std::abort();
    }
    return 0;
}
