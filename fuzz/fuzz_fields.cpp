// SPDX-License-Identifier: Apache-2.0
// Fuzzes the field readers and writers and the text readers AR_Asci_Dez32/64.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "decarith.h"

namespace {

using Read32 = Dez32* (*)(const char*);
using Read64 = Dez64* (*)(const char*);
using Write32 = char* (*)(const Dez32*);
using Write64 = char* (*)(const Dez64*);

struct Format {
    int width;
    Read32 r32;
    Read64 r64;
    Write32 w32;
    Write64 w64;
};

const Format kFormats[] = {
    {16, AR_Dez15p0_Dez32, AR_Dez15p0_Dez64, AR_Dez32_Dez15p0, AR_Dez64_Dez15p0},
    {16, AR_Dez14p1_Dez32, AR_Dez14p1_Dez64, AR_Dez32_Dez14p1, AR_Dez64_Dez14p1},
    {16, AR_Dez13p2_Dez32, AR_Dez13p2_Dez64, AR_Dez32_Dez13p2, AR_Dez64_Dez13p2},
    {16, AR_Dez12p3_Dez32, AR_Dez12p3_Dez64, AR_Dez32_Dez12p3, AR_Dez64_Dez12p3},
    {16, AR_Dez11p4_Dez32, AR_Dez11p4_Dez64, AR_Dez32_Dez11p4, AR_Dez64_Dez11p4},
    {16, AR_Dez10p5_Dez32, AR_Dez10p5_Dez64, AR_Dez32_Dez10p5, AR_Dez64_Dez10p5},
    {16, AR_Dez9p6_Dez32, AR_Dez9p6_Dez64, AR_Dez32_Dez9p6, AR_Dez64_Dez9p6},
    {12, AR_Dez4p7_Dez32, AR_Dez4p7_Dez64, AR_Dez32_Dez4p7, AR_Dez64_Dez4p7},
    {6, AR_Dez5p0_Dez32, AR_Dez5p0_Dez64, AR_Dez32_Dez5p0, AR_Dez64_Dez5p0},
    {8, AR_Dez2p5_Dez32, AR_Dez2p5_Dez64, AR_Dez32_Dez2p5, AR_Dez64_Dez2p5},
    {8, AR_Dez1p6_Dez32, AR_Dez1p6_Dez64, AR_Dez32_Dez1p6, AR_Dez64_Dez1p6},
};

// A well-formed field read and written back must give the same characters.
bool wellFormed(const char* f, int width) {
    if (f[0] != '+' && f[0] != '-') {
        return false;
    }
    for (int i = 1; i < width; ++i) {
        if (f[i] < '0' || f[i] > '9') {
            return false;
        }
    }
    return true;
}

bool allZero(const char* f, int width) {
    for (int i = 1; i < width; ++i) {
        if (f[i] != '0') {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const Format& fmt = kFormats[data[0] % (sizeof kFormats / sizeof kFormats[0])];
    std::string field(reinterpret_cast<const char*>(data + 1), size - 1);
    field.resize(static_cast<size_t>(fmt.width), '0');
    field.push_back('\0');

    Dez32* a = fmt.r32(field.c_str());
    Dez64* b = fmt.r64(field.c_str());
    if (a != nullptr) {
        char* back = fmt.w32(a);
        if (back != nullptr && wellFormed(field.c_str(), fmt.width)) {
            // A negative zero field reads as zero and writes with '+'.
            bool same =
                std::memcmp(back, field.c_str(), static_cast<size_t>(fmt.width)) == 0 ||
                (allZero(field.c_str(), fmt.width) &&
                 std::memcmp(back + 1, field.c_str() + 1, static_cast<size_t>(fmt.width - 1)) == 0);
            if (!same) {
                std::abort();
            }
        }
        AR_Delete_(back);
        Dez64* wide = AR_Dez32_Dez64(a);
        Dez32* narrow = AR_Dez64_Dez32(wide);
        AR_Delete_(wide);
        AR_Delete_(narrow);
    }
    if (b != nullptr) {
        AR_Delete_(fmt.w64(b));
        for (const Format& other : kFormats) {
            AR_Delete_(other.w64(b));
        }
    }
    AR_Delete_(a);
    AR_Delete_(b);

    // The free text readers take any NUL-terminated text.
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    Dez32* t32 = AR_Asci_Dez32(text.c_str());
    Dez64* t64 = AR_Asci_Dez64(text.c_str());
    AR_Delete_(t32);
    AR_Delete_(t64);
    return 0;
}
