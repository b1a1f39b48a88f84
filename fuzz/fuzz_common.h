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
inline bool workCellsNull() {
    const void* cells[] = {
        Kurs32,        BetragEin,      BetragAus64S,  BetragAus64,  BetragRund6, BetragRund2,
        RundDiff64,    BetragAus13p2,  BetragAus15p0, RundDiff1p6,  Kurs32A,     EuroRund64,
        EuroRund32,    EuroRundDiff64, EuroRundDiff,  EuroBetrag,   BetragRund4, RundDiff644,
        BetragAus11p4, B1WertS64,      B1Sum64,       B1Einzel64,   B1Wert64,    B1RundDiff64,
        B1OptDiff64,   B1Betrag13p2,   B1Betrag1p6,   B1Null64,     B1Delta64,   B1DeltaN64,
        B1D01_64,      G1Rund32,       G1RundZ32,     G1Betrag32,   G1Betrag64,  G1BetragR64,
        G1BetragR32,   G1BetragNeu64,  G1Rest64,      G1Betrag15p0, G1Betrag13p2};
    for (const void* c : cells) {
        if (c != nullptr) {
            return false;
        }
    }
    return true;
}

} // namespace fuzz

#endif
