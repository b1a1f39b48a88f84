/* SPDX-License-Identifier: Apache-2.0 */
// Return codes for C++ code inside the system, generated from returncode_table.h: the
// constants tarvo::rc::k<Name>, the rows with code text and messages, the lookup of a row by
// number and the writer of a four-digit code text.
#ifndef TARVO_SUPPORT_RETURNCODE_H
#define TARVO_SUPPORT_RETURNCODE_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tarvo::rc {

#define TARVO_RC(number, symbol, text, name, german, english)                                      \
    inline constexpr int32_t k##name = number;
#include "returncode_table.h"
#undef TARVO_RC

// One row of the table; empty texts mean "none" (see returncode_table.h).
struct Row {
    int32_t number;
    const char* code; // four digits
    const char* german;
    const char* english;
};

inline constexpr Row kRows[] = {
#define TARVO_RC(number, symbol, text, name, german, english) {number, text, german, english},
#include "returncode_table.h"
#undef TARVO_RC
};
inline constexpr std::size_t kRowCount = sizeof kRows / sizeof kRows[0];

// The row of a return number, or null.
constexpr const Row* find(int32_t number) {
    for (const Row& r : kRows)
        if (r.number == number)
            return &r;
    return nullptr;
}

// The message tarvo prints: the English text, else the German one.
constexpr const char* toolText(const Row& r) {
    return r.english[0] != '\0' ? r.english : r.german;
}

// Writes the four-digit code text of a return number; a number the table does not carry
// is written as its last four digits (a negative one as "0000").
inline void writeCode(char* dst, int32_t number) {
    if (const Row* r = find(number)) {
        std::memcpy(dst, r->code, 4);
        return;
    }
    int32_t v = number < 0 ? 0 : number % 10000;
    for (int i = 3; i >= 0; --i) {
        dst[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
}

// The text of the exported symbol of a return number (the symbol, not the table, so that
// it is the text the library exports), or null for a number outside the table. Defined in
// convkern/ap600rc.cpp, the module that defines the symbols.
const char* exportedCode(int32_t number);

namespace detail {
// Every code text is four digits with the value of its number, and no number repeats.
constexpr bool rowsConsistent() {
    for (std::size_t i = 0; i < kRowCount; ++i) {
        const char* c = kRows[i].code;
        int32_t v = 0;
        for (int k = 0; k < 4; ++k) {
            if (c[k] < '0' || c[k] > '9')
                return false;
            v = v * 10 + (c[k] - '0');
        }
        if (c[4] != '\0' || v != kRows[i].number)
            return false;
        for (std::size_t j = i + 1; j < kRowCount; ++j)
            if (kRows[j].number == kRows[i].number)
                return false;
    }
    return true;
}
static_assert(rowsConsistent(), "return-code table: code text and number disagree, or repeat");
} // namespace detail

} // namespace tarvo::rc

#endif
