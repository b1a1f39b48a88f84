// Decimal texts, dates and code texts of libtarvo.
#ifndef TARVO_LIB_TEXT_H
#define TARVO_LIB_TEXT_H

namespace tarvo::lib {

// Strict decimal text ("-1234.56": optional sign, digits, optionally a point and digits) into
// the kernel's field form: sign, intDigits digits, decimals digits, no terminator. Leading
// zeros and trailing decimal zeros are allowed (they change nothing); anything that would need
// rounding or cutting is refused. Returns 0 or the TARVO_E_AMOUNT_* code of the first fault.
int parseDecimal(const char* text, int intDigits, int decimals, char* field);
// Field form back into decimal text ("+000000000005113", 13, 2 -> "51.13"; intDigits >= 1), with
// all `decimals` digits kept; "" when the field holds no number (a failed call's zero area).
void fieldToText(const char* field, int intDigits, int decimals, char* out);
// YYYYMMDD or YYYY-MM-DD of a valid day into 8 characters.
bool parseDate(const char* text, char* date8);
// Text of a code (kernel codes from the return-code table, this library's own codes).
const char* messageOf(int code, bool german);

} // namespace tarvo::lib

#endif
