// SPDX-License-Identifier: Apache-2.0
// Conversions: field texts to and from cells, cell widths, digit strings and decimal text.
// The field readers and writers take whole words of eight characters where the field is all
// digits (readers) or the cell needs no rounding (writers), else they go digit by digit.
#include "binary128.h"
#include "decarith_internal.h"

namespace decarith {
namespace {

constexpr uint64_t kZeros = 0x3030303030303030ull; // eight '0' characters

// Non-zero when some byte of w is not an ASCII digit.
uint64_t notDigitChars(uint64_t w) {
    return ((w & 0xF0F0F0F0F0F0F0F0ull) ^ kZeros) |
           (((w + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull) ^ kZeros);
}

// The digits of a field of n integer and m decimal digits behind its sign character, read from
// the back into r (zero-filled); the first non-digit ends the number.
template <int W> void readDigits(const char* field, int n, int m, CellT<W>* r) {
    int read = 0;
    int zeros = 0;
    for (int pos = n + m; pos >= 1; --pos) {
        const char c = field[pos];
        if (c < '0' || c > '9') {
            break;
        }
        const auto digit = static_cast<uint8_t>(c - '0');
        r->digits[read++] = digit;
        zeros = digit == 0 ? zeros + 1 : 0;
    }
    if (zeros == read) {
        std::memset(r->digits, 0, sizeof(r->digits));
        return; // zero: count 0, scale 0, sign 0x00
    }
    const int count = read - zeros;
    r->scale = static_cast<uint8_t>(m);
    r->count = static_cast<uint8_t>(count > m ? count : m);
    r->sign = field[0] == '+' ? kPos : kNeg;
}

template <int W> CellT<W>* readField(const char* field, int n, int m) {
    if (field == nullptr) {
        return nullptr;
    }
    auto* r = newBlock<CellT<W>>();
    if (r != nullptr) {
        readDigits<W>(field, n, m, r);
    }
    return r;
}

// The same for a field of at least seven digits, a word at a time when all are digits.
template <int W, int N, int M> CellT<W>* readFieldFast(const char* field) {
    constexpr int L = N + M;
    static_assert(L >= 7 && L <= 15, "one or two words of digits");
    if (field == nullptr) {
        return nullptr;
    }
    auto* r = newBlock<CellT<W>>();
    if (r == nullptr) {
        return nullptr;
    }
    // Byte i of a byte-swapped word that ends at character L is digit i (characters L-7..L);
    // the second word, from character 0, holds digit 8 at byte 15 - L.
    uint64_t low = __builtin_bswap64(bin::load8(field + L - 7));
    uint64_t high = 0;
    if constexpr (L > 8) {
        high = __builtin_bswap64(bin::load8(field)) >> (8 * (15 - L));
    }
    constexpr uint64_t lowMask = bin::byteMask(L < 8 ? L : 8);
    constexpr uint64_t highMask = bin::byteMask(L > 8 ? L - 8 : 0);
    low = (low & lowMask) | (kZeros & ~lowMask);
    high = (high & highMask) | (kZeros & ~highMask);
    if (notDigitChars(low) != 0 || notDigitChars(high) != 0) {
        readDigits<W>(field, N, M, r);
        return r;
    }
    low -= kZeros;
    high -= kZeros;
    bin::store8(r->digits, low);
    bin::store8(r->digits + 8, high);
    const int top = high != 0  ? 16 - __builtin_clzll(high) / 8
                    : low != 0 ? 8 - __builtin_clzll(low) / 8
                               : 0;
    if (top == 0) {
        return r; // zero: count 0, scale 0, sign 0x00
    }
    r->scale = static_cast<uint8_t>(M);
    r->count = static_cast<uint8_t>(top > M ? top : M);
    r->sign = field[0] == '+' ? kPos : kNeg;
    return r;
}

// Writes a cell as a field of n integer and m decimal digits into a new block of size bytes.
template <int W> char* writeField(const CellT<W>* v, int n, int m, int size) {
    if (v == nullptr) {
        return nullptr;
    }
    // Integer digits as the value has them; counted zeros above the top digit do not count.
    if (significant<W>(v) - v->scale > n) {
        return nullptr;
    }
    CellT<W>* rounded = nullptr;
    const CellT<W>* w = v;
    if (v->scale > m) {
        rounded = roundCell<W>(v, m);
        if (rounded == nullptr) {
            return nullptr;
        }
        w = rounded;
        // Rounding up may add an integer digit (9.995 to 10.00): that no longer fits.
        if (significant<W>(w) - w->scale > n) {
            AR_Delete_(rounded);
            return nullptr;
        }
    }
    auto* out = static_cast<char*>(AR_New_(size));
    if (out != nullptr) {
        std::memset(out + 1, '0', static_cast<size_t>(n + m));
        const int top = significant<W>(w);
        for (int i = 0; i < top; ++i) {
            const int pos = n + w->scale - i;
            if (pos >= 1 && pos <= n + m) {
                out[pos] = static_cast<char>('0' + w->digits[i]);
            }
        }
        out[0] = negative(w->sign) ? '-' : '+';
    }
    AR_Delete_(rounded);
    return out;
}

// The same for a field of at most 15 digits: a cell of up to 16 counted digits that needs no
// rounding is written from its digit bytes, reversed, a word at a time.
template <int W, int N, int M, int SIZE> char* writeFieldFast(const CellT<W>* v) {
    constexpr int L = N + M;
    static_assert(L <= 15 && SIZE > L + 1, "field of one or two words");
    if (v == nullptr || v->scale > M || usedCount<W>(v) > 16) {
        return writeField<W>(v, N, M, SIZE);
    }
    const int n = usedCount<W>(v);
    const uint64_t low = n > 0 ? bin::load8(v->digits) & bin::byteMask(n) : 0;
    const uint64_t high = n > 8 ? bin::load8(v->digits + 8) & bin::byteMask(n - 8) : 0;
    if ((bin::notDigits(low) | bin::notDigits(high)) != 0) {
        return writeField<W>(v, N, M, SIZE);
    }
    const int top = high != 0  ? 16 - __builtin_clzll(high) / 8
                    : low != 0 ? 8 - __builtin_clzll(low) / 8
                               : 0;
    if (top - v->scale > N) {
        return nullptr; // the integer part does not fit
    }
    // Digit i goes to character N + scale - i: shifted up by the missing decimals, the digits
    // fill bytes 0..L-1 of x, and the byte-reversed x ends with the field's characters.
    const bin::u128 x = (static_cast<bin::u128>(high) << 64 | low) << (8 * (M - v->scale));
    char chars[16];
    bin::store8(chars, __builtin_bswap64(static_cast<uint64_t>(x >> 64)) | kZeros);
    bin::store8(chars + 8, __builtin_bswap64(static_cast<uint64_t>(x)) | kZeros);
    auto* out = static_cast<char*>(AR_New_(SIZE));
    if (out != nullptr) {
        out[0] = negative(v->sign) ? '-' : '+';
        std::memcpy(out + 1, chars + 16 - L, L);
    }
    return out;
}

template <int W> UIntT<W>* toUInt(const CellT<W>* v) {
    if (v == nullptr) {
        return nullptr;
    }
    auto* r = newBlock<UIntT<W>>();
    if (r == nullptr) {
        return nullptr;
    }
    const int n = significant<W>(v);
    r->count = static_cast<uint8_t>(n);
    std::memcpy(r->digits, v->digits, static_cast<size_t>(n));
    return r;
}

template <int W> CellT<W>* fromUInt(const UIntT<W>* u) {
    if (u == nullptr) {
        return nullptr;
    }
    auto* r = newBlock<CellT<W>>();
    if (r == nullptr) {
        return nullptr;
    }
    const int n = u->count < W ? u->count : W;
    r->count = static_cast<uint8_t>(n);
    std::memcpy(r->digits, u->digits, static_cast<size_t>(n));
    return r;
}

template <int W> CellT<W>* fromText(const char* text) {
    if (text == nullptr) {
        return nullptr;
    }
    const size_t len = std::strlen(text);
    uint8_t digits[W] = {};
    int read = 0;
    int zeros = 0;
    size_t scale = 0;
    uint8_t sign = kPos;
    for (size_t i = len; i > 0; --i) {
        const char c = text[i - 1];
        if (c >= '0' && c <= '9') {
            const auto digit = static_cast<uint8_t>(c - '0');
            if (read < W) {
                digits[read] = digit;
            } else if (digit != 0) {
                return nullptr; // more significant digits than the cell holds
            }
            ++read;
            zeros = digit == 0 ? zeros + 1 : 0;
        } else if (c == '.') {
            scale = len - i;
        } else if (c == '+') {
            break;
        } else if (c == '-') {
            sign = kNeg;
            break;
        }
    }
    auto* r = newBlock<CellT<W>>();
    if (r == nullptr) {
        return nullptr;
    }
    const int count = read - zeros;
    if (count == 0) {
        return r; // zero: count 0, scale 0, sign 0x00
    }
    if (scale > static_cast<size_t>(W)) {
        AR_Delete_(r);
        return nullptr;
    }
    r->sign = sign;
    r->scale = static_cast<uint8_t>(scale);
    r->count =
        static_cast<uint8_t>(count > static_cast<int>(scale) ? count : static_cast<int>(scale));
    std::memcpy(r->digits, digits, static_cast<size_t>(count));
    return r;
}

Dez64* widen(const Dez32* v) {
    if (v == nullptr) {
        return nullptr;
    }
    auto* r = newBlock<Dez64>();
    if (r == nullptr) {
        return nullptr;
    }
    const int n = usedCount<32>(v);
    r->sign = v->sign;
    r->scale = v->scale;
    r->count = static_cast<uint8_t>(n);
    std::memcpy(r->digits, v->digits, static_cast<size_t>(n));
    return r;
}

Dez32* copyNarrow(const Dez64* v, int count) {
    auto* r = newBlock<Dez32>();
    if (r == nullptr) {
        return nullptr;
    }
    r->sign = v->sign;
    r->scale = v->scale;
    r->count = static_cast<uint8_t>(count);
    std::memcpy(r->digits, v->digits, static_cast<size_t>(count));
    return r;
}

Dez32* narrow(const Dez64* v) {
    if (v == nullptr) {
        return nullptr;
    }
    if (v->count <= 32) {
        return copyNarrow(v, v->count);
    }
    const int top = significant<64>(v);
    const int integer = top > v->scale ? top - v->scale : 0;
    if (integer > 32) {
        return nullptr;
    }
    const int keep = top > v->scale ? top : v->scale;
    if (keep <= 32) {
        return copyNarrow(v, keep); // only counted zeros above the value were dropped
    }
    Dez64* r = roundCell<64>(v, 32 - integer);
    if (r == nullptr) {
        return nullptr;
    }
    // A carry may add a digit (9.99..9 to 10.00..0): drop trailing zero decimals, exact.
    int count = significant<64>(r);
    if (count < r->scale) {
        count = r->scale;
    }
    while (count > 32 && r->scale > 0 && r->digits[0] == 0) {
        std::memmove(r->digits, r->digits + 1, static_cast<size_t>(count - 1));
        r->digits[count - 1] = 0;
        --count;
        --r->scale;
    }
    Dez32* out = count <= 32 ? copyNarrow(r, count) : nullptr;
    AR_Delete_(r);
    return out;
}

} // namespace

namespace digitpath {
Dez32* readField32(const char* field, int n, int m) {
    return readField<32>(field, n, m);
}
Dez64* readField64(const char* field, int n, int m) {
    return readField<64>(field, n, m);
}
char* writeField32(const Dez32* v, int n, int m, int size) {
    return writeField<32>(v, n, m, size);
}
char* writeField64(const Dez64* v, int n, int m, int size) {
    return writeField<64>(v, n, m, size);
}
} // namespace digitpath

} // namespace decarith

using namespace decarith;

// Fields of fewer than seven digits are read digit by digit.
template <int W, int N, int M> CellT<W>* readAnyField(const char* field) {
    if constexpr (N + M >= 7) {
        return readFieldFast<W, N, M>(field);
    } else {
        return readField<W>(field, N, M);
    }
}

#define AR_FIELD(NAME, N, M, SIZE)                                                                 \
    Dez32* AR_Dez##NAME##_Dez32(const char* field) {                                               \
        return readAnyField<32, N, M>(field);                                                      \
    }                                                                                              \
    Dez64* AR_Dez##NAME##_Dez64(const char* field) {                                               \
        return readAnyField<64, N, M>(field);                                                      \
    }                                                                                              \
    char* AR_Dez32_Dez##NAME(const Dez32* v) {                                                     \
        return writeFieldFast<32, N, M, SIZE>(v);                                                  \
    }                                                                                              \
    char* AR_Dez64_Dez##NAME(const Dez64* v) {                                                     \
        return writeFieldFast<64, N, M, SIZE>(v);                                                  \
    }

extern "C" {

AR_FIELD(15p0, 15, 0, 18)
AR_FIELD(14p1, 14, 1, 18)
AR_FIELD(13p2, 13, 2, 18)
AR_FIELD(12p3, 12, 3, 18)
AR_FIELD(11p4, 11, 4, 18)
AR_FIELD(10p5, 10, 5, 18)
AR_FIELD(9p6, 9, 6, 18)
AR_FIELD(4p7, 4, 7, 14)
AR_FIELD(5p0, 5, 0, 8)
AR_FIELD(2p5, 2, 5, 10)
AR_FIELD(1p6, 1, 6, 10)

Dez64* AR_Dez32_Dez64(const Dez32* v) {
    return widen(v);
}
Dez32* AR_Dez64_Dez32(const Dez64* v) {
    return narrow(v);
}
UIntDez32* AR_Dez32_UIntDez32(const Dez32* v) {
    return toUInt<32>(v);
}
UIntDez64* AR_Dez64_UIntDez64(const Dez64* v) {
    return toUInt<64>(v);
}
Dez32* AR_UIntDez32_Dez32(const UIntDez32* u) {
    return fromUInt<32>(u);
}
Dez64* AR_UIntDez64_Dez64(const UIntDez64* u) {
    return fromUInt<64>(u);
}
Dez32* AR_Asci_Dez32(const char* text) {
    return fromText<32>(text);
}
Dez64* AR_Asci_Dez64(const char* text) {
    return fromText<64>(text);
}

} // extern "C"
