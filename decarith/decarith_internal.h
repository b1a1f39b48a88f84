/* SPDX-License-Identifier: Apache-2.0 */
// Internal helpers shared by the decarith modules: cell traits, digit loading, rounding.
#ifndef DECARITH_INTERNAL_H
#define DECARITH_INTERNAL_H

#include "decarith.h"

#include <cstdint>
#include <cstring>

namespace decarith {

template <int W> struct Traits;
template <> struct Traits<32> {
    using Cell = Dez32;
    using UInt = UIntDez32;
};
template <> struct Traits<64> {
    using Cell = Dez64;
    using UInt = UIntDez64;
};
template <int W> using CellT = typename Traits<W>::Cell;
template <int W> using UIntT = typename Traits<W>::UInt;

constexpr uint8_t kPos = 0x00;
constexpr uint8_t kNeg = 0xFF;

inline bool negative(uint8_t sign) {
    return sign != 0;
}

// Zero-filled block of type T from AR_New_, or null.
template <class T> T* newBlock() {
    return static_cast<T*>(AR_New_(static_cast<int32_t>(sizeof(T))));
}

// Digit count limited to the cell width, so a damaged count never reads past the digits.
template <int W, class C> int usedCount(const C* c) {
    return c->count < W ? c->count : W;
}

// Number of counted digits up to and including the most significant non-zero one.
template <int W, class C> int significant(const C* c) {
    int n = usedCount<W>(c);
    while (n > 0 && c->digits[n - 1] == 0) {
        --n;
    }
    return n;
}

// Copy of a cell with the count limited to the width and the digits above it cleared.
template <int W> CellT<W>* copyCell(const CellT<W>* v) {
    auto* r = newBlock<CellT<W>>();
    if (r == nullptr) {
        return nullptr;
    }
    const int n = usedCount<W>(v);
    r->sign = v->sign;
    r->scale = v->scale;
    r->count = static_cast<uint8_t>(n);
    std::memcpy(r->digits, v->digits, static_cast<size_t>(n));
    return r;
}

// Rounding half away from zero and truncation toward zero to d decimals (new cells).
template <int W> CellT<W>* roundCell(const CellT<W>* v, int32_t d);
template <int W> CellT<W>* truncCell(const CellT<W>* v, int32_t d);

// The digit-by-digit implementations, which handle every cell. The exported functions take a
// binary path for operands and results below 10^38 and fall back on these; both give the same
// bytes, which the tests check by calling these directly.
namespace digitpath {
Dez32* add32(const Dez32* a, const Dez32* b, int32_t* overflow);
Dez64* add64(const Dez64* a, const Dez64* b, int32_t* overflow);
Dez32* sub32(const Dez32* a, const Dez32* b, int32_t* overflow);
Dez64* sub64(const Dez64* a, const Dez64* b, int32_t* overflow);
Dez64* mul32(const Dez32* a, const Dez32* b);
Dez64* div32(const Dez32* a, const Dez32* b, int32_t d);
Dez32* round32(const Dez32* v, int32_t d);
Dez64* round64(const Dez64* v, int32_t d);
Dez32* trunc32(const Dez32* v, int32_t d);
Dez64* trunc64(const Dez64* v, int32_t d);
int32_t compare32(const Dez32* a, const Dez32* b);
int32_t compare64(const Dez64* a, const Dez64* b);
// Field texts of n integer and m decimal digits; size is the block a writer allocates.
Dez32* readField32(const char* field, int n, int m);
Dez64* readField64(const char* field, int n, int m);
char* writeField32(const Dez32* v, int n, int m, int size);
char* writeField64(const Dez64* v, int n, int m, int size);
} // namespace digitpath

} // namespace decarith

#endif
