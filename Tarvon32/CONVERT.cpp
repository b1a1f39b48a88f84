// SPDX-License-Identifier: Apache-2.0
// CONVERT: decimal text to block fields and back, rate units, dates and block filling.
#include "tarvon32_internal.h"

#include <cstring>

namespace tarvon32 {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The blanks a C number reader skips in front of a number.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsSeparator(char c) {
    return c == '.' || c == ',';
}

constexpr uint64_t Pow10(unsigned n) {
    uint64_t p = 1;
    for (unsigned i = 0; i < n; ++i) {
        p *= 10;
    }
    return p;
}

// Converts a decimal text into a field of N integer and M decimal digits. M + 1 decimals are
// kept (the rest is cut), and the last kept one rounds half up, carrying into the integer
// part. The slot is written only when the result fits: sign, N + M digits, 2 zero bytes.
template <unsigned N, unsigned M> bool ConvertToField(char* slot, const char* text) {
    static_assert(N + M + 1 <= 19, "value must fit 64 bits");
    if (slot == nullptr) {
        return false;
    }
    DecimalText d;
    if (ReadDecimalText(text, d) != TextStatus::Ok || d.intCount > N) {
        return false;
    }
    constexpr unsigned kept = M + 1;
    uint64_t value = 0; // in units of 10^-kept
    for (std::size_t i = 0; i < d.intCount; ++i) {
        value = value * 10 + static_cast<uint64_t>(d.intDigits[i] - '0');
    }
    for (unsigned i = 0; i < kept; ++i) {
        const unsigned digit = i < d.fracCount ? static_cast<unsigned>(d.fracDigits[i] - '0') : 0;
        value = value * 10 + digit;
    }
    uint64_t rounded = value / 10 + (value % 10 >= 5 ? 1 : 0); // in units of 10^-M
    if (rounded >= Pow10(N + M)) {
        return false; // the rounding carried into one integer digit too many
    }
    // A negative text keeps its sign when the kept digits are not all zero, even if the
    // rounded value is zero (a negative zero); "-0" gives a positive zero.
    slot[0] = (d.negative && value != 0) ? '-' : '+';
    for (unsigned pos = N + M; pos >= 1; --pos) {
        slot[pos] = static_cast<char>('0' + rounded % 10);
        rounded /= 10;
    }
    slot[N + M + 1] = '\0';
    slot[N + M + 2] = '\0';
    return true;
}

} // namespace

TextStatus ReadDecimalText(const char* text, DecimalText& out) {
    out = DecimalText{};
    if (text == nullptr) {
        return TextStatus::Null;
    }
    if (strnlen(text, kMaxText + 1) > kMaxText) {
        return TextStatus::TooLong;
    }
    const char* p = text;
    while (IsBlank(*p)) {
        ++p;
    }
    if (*p == '+' || *p == '-') {
        out.negative = *p == '-';
        ++p;
    }
    // Hexadecimal numbers are a form of C's number reader, not of decimal text.
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
        (IsHexDigit(p[2]) || (IsSeparator(p[2]) && IsHexDigit(p[3])))) {
        return TextStatus::ForeignForm;
    }
    while (*p == '0') {
        ++p;
    }
    const bool hadLeadingZero = p != text && p[-1] == '0';
    out.intDigits = p;
    while (IsDigit(*p)) {
        ++p;
    }
    out.intCount = static_cast<std::size_t>(p - out.intDigits);
    bool anyDigit = hadLeadingZero || out.intCount > 0;
    if (IsSeparator(*p)) {
        ++p;
        out.fracDigits = p;
        while (IsDigit(*p)) {
            ++p;
        }
        out.fracCount = static_cast<std::size_t>(p - out.fracDigits);
        anyDigit = anyDigit || out.fracCount > 0;
    }
    if (!anyDigit) {
        return TextStatus::NoNumber;
    }
    // An exponent would scale the number; decimal text has none, so such text is refused
    // rather than read with a different value.
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') {
            ++q;
        }
        if (IsDigit(*q)) {
            return TextStatus::ForeignForm;
        }
    }
    return TextStatus::Ok;
}

bool Conv_String_TO_taDez13p2(char* slot, const char* text) {
    return ConvertToField<13, 2>(slot, text);
}

bool Conv_String_TO_taDez4p7(char* slot, const char* text) {
    return ConvertToField<4, 7>(slot, text);
}

void Conv_String_TO_tDate(char* slot, const char* text) {
    if (slot == nullptr || text == nullptr || strnlen(text, 9) != 8) {
        return;
    }
    std::memcpy(slot, text, 8);
}

void Conv_taDez13p2_TO_String(char* buffer, const char* slot) {
    if (buffer == nullptr || slot == nullptr) {
        return;
    }
    char out[18];
    std::size_t n = 0;
    out[n++] = slot[0];
    for (int i = 1; i <= 13; ++i) {
        if (IsDigit(slot[i])) {
            out[n++] = slot[i];
        }
    }
    out[n++] = '.';
    out[n++] = slot[14];
    out[n++] = slot[15];
    out[n] = '\0';
    std::memcpy(buffer, out, std::strlen(out) + 1);
}

void Conv_taDez15p0_TO_String(char* buffer, const char* slot) {
    if (buffer == nullptr || slot == nullptr) {
        return;
    }
    char out[17];
    std::size_t n = 0;
    out[n++] = slot[0];
    for (int i = 1; i <= 15; ++i) {
        if (IsDigit(slot[i])) {
            out[n++] = slot[i];
        }
    }
    out[n] = '\0';
    std::memcpy(buffer, out, n + 1);
}

bool Conv_String_TO_Unit(int16_t& unit, const char* text) {
    if (text == nullptr || strnlen(text, kMaxText + 1) > kMaxText) {
        return false;
    }
    const char* p = text;
    while (IsBlank(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate with a ceiling: anything past the 16-bit range is out of range alike.
    int32_t value = 0;
    bool outOfRange = false;
    while (IsDigit(*p)) {
        value = value * 10 + (*p - '0');
        if (value > 32768) {
            outOfRange = true;
            value = 32768;
        }
        ++p;
    }
    if (negative) {
        value = -value;
    }
    if (outOfRange || value > INT16_MAX || value < INT16_MIN) {
        value = 0; // never a valid unit, and never one that wraps into 1, 100 or 1000
    }
    unit = static_cast<int16_t>(value);
    return true;
}

void ReplaceChar(char* text, char from, char to) {
    if (text == nullptr) {
        return;
    }
    for (std::size_t i = std::strlen(text); i > 0; --i) {
        if (text[i - 1] == from) {
            text[i - 1] = to;
        }
    }
}

void CopyWithNul(void* block, std::size_t offset, const char* text, std::size_t maxLen) {
    unsigned char* dest = static_cast<unsigned char*>(block) + offset;
    const std::size_t len = strnlen(text, maxLen);
    std::memcpy(dest, text, len);
    dest[len] = 0;
}

void StoreUnit(void* block, std::size_t offset, int16_t unit) {
    const auto value = static_cast<uint16_t>(unit);
    const unsigned char bytes[2] = {static_cast<unsigned char>(value & 0xFFu),
                                    static_cast<unsigned char>(value >> 8)};
    std::memcpy(static_cast<unsigned char*>(block) + offset, bytes, 2);
}

// The kernel blocks share their head; FillBlockHead relies on it.
static_assert(offsetof(U2_SB, SENDER) == offsetof(U1_SB, SENDER));
static_assert(offsetof(U3_SB, SENDER) == offsetof(U1_SB, SENDER));
static_assert(offsetof(U4_SB, SENDER) == offsetof(U1_SB, SENDER));
static_assert(offsetof(U4_SB, SB_VERSION) == 0 && offsetof(U1_SB, SB_VERSION) == 0);

void FillBlockHead(void* block) {
    // Every kernel block starts with the head of U1_SB.
    unsigned char* head = static_cast<unsigned char*>(block);
    std::memcpy(head + offsetof(U1_SB, SB_VERSION), "01", 2);
    std::memcpy(head + offsetof(U1_SB, SENDER), "TARVON32", 8);
}

void Fill_SteuerBlock(PS_SB& psSb, const char* version, const char* application, const char* date) {
    std::memcpy(psSb.SB_VERSION, "01", 2);
    std::memcpy(psSb.SENDER, "TARVON32", 8);
    CopyWithNul(&psSb, offsetof(PS_SB, EB_VERSION), version, 2);
    CopyWithNul(&psSb, offsetof(PS_SB, ANWENDUNG), application, 8);
    Conv_String_TO_tDate(psSb.BEZUGSDATUM, date);
}

} // namespace tarvon32
