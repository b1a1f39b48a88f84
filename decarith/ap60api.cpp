// SPDX-License-Identifier: Apache-2.0
// Digit-string operations: digit compare and shift, addition and subtraction of UIntDez strings.
#include "decarith_internal.h"

namespace decarith {
namespace {

// Digits of a string into a zero-filled array; returns the count without top zeros.
template <int W> int load(const UIntT<W>* u, uint8_t (&out)[W]) {
    std::memset(out, 0, W);
    int n = u->count < W ? u->count : W;
    std::memcpy(out, u->digits, static_cast<size_t>(n));
    while (n > 0 && out[n - 1] == 0) {
        --n;
    }
    return n;
}

template <int W> UIntT<W>* store(const uint8_t (&digits)[W], int n) {
    auto* r = newBlock<UIntT<W>>();
    if (r == nullptr) {
        return nullptr;
    }
    while (n > 0 && digits[n - 1] == 0) {
        --n;
    }
    r->count = static_cast<uint8_t>(n);
    std::memcpy(r->digits, digits, static_cast<size_t>(n));
    return r;
}

template <int W> UIntT<W>* add(const UIntT<W>* p, const UIntT<W>* q, int32_t* overflow) {
    if (p == nullptr || q == nullptr) {
        return nullptr;
    }
    uint8_t a[W];
    uint8_t b[W];
    const int na = load<W>(p, a);
    const int nb = load<W>(q, b);
    if (na == 0) {
        return store<W>(b, nb);
    }
    if (nb == 0) {
        return store<W>(a, na);
    }
    const int n = na > nb ? na : nb;
    uint8_t sum[W] = {};
    int carry = 0;
    for (int i = 0; i < n; ++i) {
        const int s = a[i] + b[i] + carry;
        sum[i] = static_cast<uint8_t>(s % 10);
        carry = s / 10;
    }
    int32_t flag = 0;
    int count = n;
    if (carry != 0) {
        if (n == W) {
            flag = 1; // the carry out of the last place is lost
        } else {
            sum[count++] = static_cast<uint8_t>(carry);
        }
    }
    if (overflow != nullptr) {
        *overflow = flag;
    }
    return store<W>(sum, count);
}

template <int W> UIntT<W>* sub(const UIntT<W>* p, const UIntT<W>* q, int32_t* sign) {
    if (p == nullptr || q == nullptr) {
        return nullptr;
    }
    uint8_t a[W];
    uint8_t b[W];
    const int na = load<W>(p, a);
    const int nb = load<W>(q, b);
    const int32_t cmp = AR_CompareDigits(a, b, W);
    if (sign != nullptr) {
        *sign = cmp < 0 ? -1 : 0;
    }
    if (na == 0) {
        return store<W>(b, nb);
    }
    if (nb == 0) {
        return store<W>(a, na);
    }
    const uint8_t* big = cmp < 0 ? b : a;
    const uint8_t* small = cmp < 0 ? a : b;
    uint8_t diff[W] = {};
    int borrow = 0;
    for (int i = 0; i < W; ++i) {
        int s = big[i] - small[i] - borrow;
        borrow = s < 0 ? 1 : 0;
        if (s < 0) {
            s += 10;
        }
        diff[i] = static_cast<uint8_t>(s);
    }
    return store<W>(diff, W);
}

} // namespace
} // namespace decarith

using namespace decarith;

extern "C" {

int32_t AR_CompareDigits(const uint8_t* l, const uint8_t* r, int32_t count) {
    if (l == nullptr || r == nullptr) {
        return -1;
    }
    for (int32_t i = count - 1; i >= 0; --i) {
        if (l[i] != r[i]) {
            return l[i] < r[i] ? -1 : 1;
        }
    }
    return 0;
}

uint8_t* AR_ShiftLeft(uint8_t* digits, int32_t count, int32_t n) {
    if (digits == nullptr) {
        return nullptr;
    }
    if (count < 0 || n <= 0) {
        return digits;
    }
    std::memmove(digits + n, digits, static_cast<size_t>(count));
    std::memset(digits, 0, static_cast<size_t>(n));
    return digits;
}

UIntDez32* AR_UINTDez32Add(const UIntDez32* p, const UIntDez32* q, int32_t* overflow) {
    return add<32>(p, q, overflow);
}
UIntDez64* AR_UINTDez64Add(const UIntDez64* p, const UIntDez64* q, int32_t* overflow) {
    return add<64>(p, q, overflow);
}
UIntDez32* AR_UINTDez32Sub(const UIntDez32* p, const UIntDez32* q, int32_t* sign) {
    return sub<32>(p, q, sign);
}
UIntDez64* AR_UINTDez64Sub(const UIntDez64* p, const UIntDez64* q, int32_t* sign) {
    return sub<64>(p, q, sign);
}

} // extern "C"
