/* SPDX-License-Identifier: Apache-2.0 */
// The kernel's exported work cells, for tests and fuzz harnesses that check that a call
// left all of the calling thread's cells null.
#ifndef TARVO_TEST_WORK_CELLS_H
#define TARVO_TEST_WORK_CELLS_H

#include "convkern.h"

namespace tarvo_test {

inline bool workCellsNull() {
    const void* const cells[] = {
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

} // namespace tarvo_test

#endif
