/* SPDX-License-Identifier: Apache-2.0 */
// Decimal texts, dates and code texts of libtarvo.
#ifndef TARVO_LIB_TEXT_H
#define TARVO_LIB_TEXT_H

namespace tarvo::lib {

// Strict decimal text ("-1234.56": optional sign, digits, optionally a point and digits) into
// the kernel's field form: sign, intDigits digits, decimals digits, no terminator. Leading
// zeros and trailing decimal zeros are allowed (they change nothing); anything that would need
// rounding or cutting is refused. Returns 0 or the TARVO_E_AMOUNT_* code of the first fault.
int parseDecimal(const char* text, int intDigits, int decimals, char* field);
// Field form back into decimal text ("+000000000005113" as <13, 2> -> "51.13"), with all D
// decimals kept; "" when the field holds no number (a failed call's zero area).
template <int I, int D> inline void fieldText(const char* field, char* out) {
    static_assert(I >= 1 && D >= 0);
    unsigned bad = field[0] != '+' && field[0] != '-';
    unsigned nonzero = 0;
    for (int i = 1; i <= I + D; ++i) {
        const unsigned d = static_cast<unsigned char>(field[i]) - unsigned('0');
        bad |= d > 9;
        nonzero |= d;
    }
    if (bad != 0) {
        out[0] = '\0';
        return;
    }
    int first = 1; // leading zeros of the integer part go, its last digit stays
    while (first < I && field[first] == '0')
        ++first;
    if (field[0] == '-' && nonzero != 0)
        *out++ = '-';
    for (int i = first; i <= I; ++i)
        *out++ = field[i];
    if constexpr (D > 0) {
        *out++ = '.';
        for (int i = 0; i < D; ++i)
            *out++ = field[1 + I + i];
    }
    *out = '\0';
}
// YYYYMMDD or YYYY-MM-DD of a valid day into 8 characters.
bool parseDate(const char* text, char* date8);
// Text of a code (kernel codes from the return-code table, this library's own codes).
const char* messageOf(int code, bool german);

} // namespace tarvo::lib

#endif
