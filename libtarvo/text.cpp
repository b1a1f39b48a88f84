// SPDX-License-Identifier: Apache-2.0
// Decimal texts, dates and code texts of libtarvo.
#include "tarvo_text.h"

#include <cstring>

#include "returncode.h"
#include "tarvo.h"

namespace tarvo::lib {

namespace {

bool digit(char c) {
    return c >= '0' && c <= '9';
}

struct OwnText {
    int code;
    const char* english;
    const char* german;
};

constexpr OwnText kOwn[] = {
    {TARVO_E_ARGUMENT, "Missing argument", "Argument fehlt"},
    {TARVO_E_NO_MEMORY, "No memory", "Speicherfehler"},
    {TARVO_E_AMOUNT_EMPTY, "Amount is empty", "Betrag ist leer"},
    {TARVO_E_AMOUNT_SPACE, "Amount contains a blank or control character",
     "Betrag enthält ein Leer- oder Steuerzeichen"},
    {TARVO_E_AMOUNT_SIGN, "Amount has a misplaced or repeated sign",
     "Vorzeichen des Betrags steht falsch oder mehrfach"},
    {TARVO_E_AMOUNT_DIGITS, "Amount lacks digits before or after the decimal point",
     "Betrag hat keine Ziffern vor oder nach dem Dezimalpunkt"},
    {TARVO_E_AMOUNT_POINT, "Amount has more than one decimal point",
     "Betrag hat mehr als einen Dezimalpunkt"},
    {TARVO_E_AMOUNT_CHAR, "Amount contains a character other than digits, sign and point",
     "Betrag enthält ein Zeichen außer Ziffern, Vorzeichen und Punkt"},
    {TARVO_E_AMOUNT_INTEGER, "Amount has too many integer digits",
     "Betrag hat zu viele Vorkommastellen"},
    {TARVO_E_AMOUNT_DECIMALS, "Amount has too many decimals",
     "Betrag hat zu viele Nachkommastellen"},
    {TARVO_E_CURRENCY, "Currency code is not three capital letters",
     "Währungscode besteht nicht aus drei Großbuchstaben"},
    {TARVO_E_DATE, "Date is not a valid YYYYMMDD or YYYY-MM-DD",
     "Datum ist kein gültiges JJJJMMTT oder JJJJ-MM-TT"},
    {TARVO_E_OPTION, "Option value not allowed", "Optionswert nicht zulässig"},
    {TARVO_E_RATE, "Given rate is not a decimal with 4 integer digits and 7 decimals",
     "Kursvorgabe ist keine Dezimalzahl mit 4 Vor- und 7 Nachkommastellen"},
    {TARVO_E_COUNT, "Wrong number of amounts", "Falsche Anzahl von Beträgen"},
    {TARVO_E_CONTROL_FILE, "Control-data file not found", "Steuerdatei nicht gefunden"},
    {TARVO_E_NAME, "Control-data version or application name too long",
     "EB-Version oder Anwendungsname zu lang"},
    {TARVO_E_RATE_FILE_CONFLICT, "Another open context uses a different rate file",
     "Ein anderer offener Kontext verwendet eine andere Währungsdatei"},
};

} // namespace

int parseDecimal(const char* text, int intDigits, int decimals, char* field) {
    if (text == nullptr)
        return TARVO_E_ARGUMENT;
    if (text[0] == '\0')
        return TARVO_E_AMOUNT_EMPTY;
    // Classify every character first, so that the code names the worst fault.
    int points = 0;
    bool other = false, space = false, misplacedSign = false;
    for (const char* p = text; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c <= ' ' || c == 0x7F)
            space = true;
        else if (c == '.')
            ++points;
        else if (c == '+' || c == '-')
            misplacedSign = misplacedSign || p != text;
        else if (!digit(static_cast<char>(c)))
            other = true;
    }
    if (space)
        return TARVO_E_AMOUNT_SPACE;
    if (other)
        return TARVO_E_AMOUNT_CHAR;
    if (misplacedSign)
        return TARVO_E_AMOUNT_SIGN;
    if (points > 1)
        return TARVO_E_AMOUNT_POINT;
    const char* p = text;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    const char* ip = p;
    while (digit(*p))
        ++p;
    const char* ipEnd = p;
    const char* fp = p;
    const char* fpEnd = p;
    if (*p == '.') {
        fp = p + 1;
        fpEnd = fp + std::strlen(fp);
    }
    if (ip == ipEnd || (*p == '.' && fp == fpEnd))
        return TARVO_E_AMOUNT_DIGITS;
    while (ip < ipEnd && *ip == '0')
        ++ip;
    while (fpEnd > fp && fpEnd[-1] == '0')
        --fpEnd;
    if (ipEnd - ip > intDigits)
        return TARVO_E_AMOUNT_INTEGER;
    if (fpEnd - fp > decimals)
        return TARVO_E_AMOUNT_DECIMALS;
    const bool zero = ip == ipEnd && fp == fpEnd;
    char* out = field;
    *out++ = negative && !zero ? '-' : '+';
    for (auto n = intDigits - (ipEnd - ip); n > 0; --n)
        *out++ = '0';
    while (ip < ipEnd)
        *out++ = *ip++;
    const char* f = fp;
    while (f < fpEnd)
        *out++ = *f++;
    for (auto n = decimals - (fpEnd - fp); n > 0; --n)
        *out++ = '0';
    return 0;
}

bool parseDate(const char* t, char* d8) {
    const std::size_t len = std::strlen(t);
    char d[8];
    if (len == 8) {
        std::memcpy(d, t, 8);
    } else if (len == 10 && t[4] == '-' && t[7] == '-') {
        std::memcpy(d, t, 4);
        std::memcpy(d + 4, t + 5, 2);
        std::memcpy(d + 6, t + 8, 2);
    } else {
        return false;
    }
    for (char c : d)
        if (!digit(c))
            return false;
    auto num = [&](int at, int n) {
        int v = 0;
        for (int i = 0; i < n; ++i)
            v = v * 10 + (d[at + i] - '0');
        return v;
    };
    const int y = num(0, 4), m = num(4, 2), day = num(6, 2);
    static constexpr int kLen[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || day < 1)
        return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (day > kLen[m - 1] + (m == 2 && leap ? 1 : 0))
        return false;
    std::memcpy(d8, d, 8);
    return true;
}

namespace {

const char* lookUp(int code, bool german) {
    for (const OwnText& t : kOwn)
        if (t.code == code)
            return german ? t.german : t.english;
    if (const tarvo::rc::Row* r = tarvo::rc::find(code)) {
        const char* first = german ? r->german : r->english;
        const char* second = german ? r->english : r->german;
        if (first[0] != '\0')
            return first;
        if (second[0] != '\0')
            return second;
    }
    return german ? "Unbekannter Code" : "Unknown code";
}

// Every code below this bound is answered from a table made once: each result carries the
// texts of its code, so the lookup is on the path of every conversion.
constexpr int kTableSize = 1040;
struct Table {
    const char* text[2][kTableSize];
    Table() {
        for (int g = 0; g < 2; ++g)
            for (int c = 0; c < kTableSize; ++c)
                text[g][c] = lookUp(c, g == 1);
    }
};

} // namespace

const char* messageOf(int code, bool german) {
    static const Table table;
    if (code >= 0 && code < kTableSize)
        return table.text[german ? 1 : 0][code];
    return lookUp(code, german);
}

} // namespace tarvo::lib
