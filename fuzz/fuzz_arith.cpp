// SPDX-License-Identifier: Apache-2.0
// Fuzzes the cell arithmetic against an independent reference on scaled 128-bit integers.
// Operands have up to 15 significant digits and scales 0 to 9, so every exact result of
// the reference fits in __int128; any disagreement in value, scale, count or sign aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "decarith.h"

namespace {

using i128 = __int128;

struct Ref {
    i128 m; // value x 10^scale
    int scale;
};

i128 pow10(int n) {
    i128 r = 1;
    while (n-- > 0) {
        r *= 10;
    }
    return r;
}

i128 absv(i128 v) {
    return v < 0 ? -v : v;
}

int digitsOf(i128 v) {
    int n = 0;
    for (v = absv(v); v != 0; v /= 10) {
        ++n;
    }
    return n;
}

// A cell as a reader of fields would make it: no zero digits above the highest non-zero
// digit beyond the scale; zero has count 0, scale 0 and a positive sign.
Dez32* makeCell(Ref r) {
    auto* c = static_cast<Dez32*>(AR_New_(static_cast<int32_t>(sizeof(Dez32))));
    if (c == nullptr || r.m == 0) {
        return c;
    }
    c->sign = r.m < 0 ? AR_SIGN_NEG : AR_SIGN_POS;
    c->scale = static_cast<uint8_t>(r.scale);
    i128 v = absv(r.m);
    int n = 0;
    for (; v != 0; v /= 10) {
        c->digits[n++] = static_cast<uint8_t>(v % 10);
    }
    c->count = static_cast<uint8_t>(n < r.scale ? r.scale : n);
    return c;
}

template <class Cell> i128 valueOf(const Cell* c) {
    i128 v = 0;
    for (int i = c->count - 1; i >= 0; --i) {
        v = v * 10 + c->digits[i];
    }
    return c->sign != 0 ? -v : v;
}

template <class Cell> void checkCell(const Cell* c, Ref want, bool strictCount) {
    if (c == nullptr) {
        std::abort();
    }
    constexpr int places = static_cast<int>(sizeof(c->digits));
    if (c->count > places) {
        std::abort();
    }
    for (int i = c->count; i < places; ++i) {
        if (c->digits[i] != 0) {
            std::abort();
        }
    }
    for (int i = 0; i < c->count; ++i) {
        if (c->digits[i] > 9) {
            std::abort();
        }
    }
    // Same value at the cell's own scale.
    i128 got = valueOf(c);
    int s = c->scale;
    if (s >= want.scale) {
        if (got != want.m * pow10(s - want.scale)) {
            std::abort();
        }
    } else if (got * pow10(want.scale - s) != want.m) {
        std::abort();
    }
    if (want.m == 0) {
        return; // zero representations vary (counted zero digits, kept sign)
    }
    if (c->scale != want.scale || (c->sign != 0) != (want.m < 0)) {
        std::abort();
    }
    if (strictCount) {
        int d = digitsOf(want.m);
        if (c->count != (d < want.scale ? want.scale : d)) {
            std::abort();
        }
    }
}

struct Reader {
    const uint8_t* p;
    size_t n;
    uint8_t byte() {
        if (n == 0) {
            return 0;
        }
        --n;
        return *p++;
    }
    Ref operand() {
        int scale = byte() % 10;
        int digits = byte() % 16;
        i128 m = 0;
        for (int i = 0; i < digits; ++i) {
            m = m * 10 + byte() % 10;
        }
        if (byte() & 1) {
            m = -m;
        }
        return {m, scale};
    }
};

i128 truncDiv(i128 a, i128 b) {
    return a / b;
} // C++ division cuts toward zero

i128 roundTo(i128 m, int drop) {
    i128 p = pow10(drop);
    i128 q = absv(m) / p;
    if (absv(m) % p * 2 >= p) {
        ++q;
    }
    return m < 0 ? -q : q;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    int op = in.byte() % 10;
    Ref ra = in.operand();
    Ref rb = in.operand();
    int d = in.byte() % 10;
    Dez32* a = makeCell(ra);
    Dez32* b = makeCell(rb);
    if (a == nullptr || b == nullptr) {
        AR_Delete_(a);
        AR_Delete_(b);
        return 0;
    }
    int s = ra.scale > rb.scale ? ra.scale : rb.scale;
    i128 am = ra.m * pow10(s - ra.scale);
    i128 bm = rb.m * pow10(s - rb.scale);
    int32_t flag = -7;
    switch (op) {
    case 0: {
        Dez32* r = AR_Dez32Add(a, b, &flag);
        if (flag != 0) {
            std::abort();
        }
        // A zero operand returns a copy of the other with its own scale.
        if (ra.m == 0 || rb.m == 0) {
            checkCell(r, ra.m == 0 ? rb : ra, true);
        } else {
            checkCell(r, {am + bm, s}, true);
        }
        AR_Delete_(r);
        break;
    }
    case 1: {
        Dez32* r = AR_Dez32Sub(a, b, &flag);
        if (flag != 0) {
            std::abort();
        }
        if (rb.m == 0) {
            checkCell(r, ra, true);
        } else if (ra.m == 0) {
            checkCell(r, {-rb.m, rb.scale}, true);
        } else {
            checkCell(r, {am - bm, s}, true);
        }
        AR_Delete_(r);
        break;
    }
    case 2: {
        Dez64* r = AR_Dez32Mul(a, b);
        checkCell(r, {ra.m * rb.m, ra.m * rb.m == 0 ? 0 : ra.scale + rb.scale}, true);
        AR_Delete_(r);
        break;
    }
    case 3: {
        Dez64* r = AR_Dez32Div(a, b, d);
        if (rb.m == 0) {
            if (r != nullptr) {
                std::abort();
            }
            break;
        }
        i128 q = truncDiv(ra.m * pow10(rb.scale + d), rb.m * pow10(ra.scale));
        checkCell(r, {q, q == 0 ? 0 : d}, false);
        AR_Delete_(r);
        break;
    }
    case 4: {
        Dez32* r = AR_Dez32Round(a, d);
        if (d >= ra.scale || ra.m == 0) {
            checkCell(r, ra, true);
        } else {
            i128 q = roundTo(ra.m, ra.scale - d);
            checkCell(r, {q, q == 0 ? 0 : d}, false);
        }
        AR_Delete_(r);
        break;
    }
    case 5: {
        Dez32* r = AR_Dez32Trunc(a, d);
        if (d >= ra.scale || ra.m == 0) {
            checkCell(r, ra, true);
        } else {
            i128 q = ra.m / pow10(ra.scale - d);
            checkCell(r, {q, q == 0 ? 0 : d}, false);
        }
        AR_Delete_(r);
        break;
    }
    case 6: {
        Dez32* r = AR_Dez32Mul_Nmal10(a, d);
        if (ra.m == 0) {
            checkCell(r, {0, 0}, true);
        } else if (d <= ra.scale) {
            checkCell(r, {ra.m, ra.scale - d}, false);
        } else {
            checkCell(r, {ra.m * pow10(d - ra.scale), 0}, false);
        }
        AR_Delete_(r);
        break;
    }
    case 7: {
        Dez32* r = AR_Dez32Div_Nmal10(a, d);
        if (ra.m == 0) {
            checkCell(r, {0, 0}, true);
        } else {
            checkCell(r, {ra.m, ra.scale + d}, true);
        }
        AR_Delete_(r);
        break;
    }
    case 8: {
        int want = am < bm ? -1 : (am > bm ? 1 : 0);
        if (AR_Dez32Compare(a, b) != want) {
            std::abort();
        }
        break;
    }
    default: {
        auto* acc = static_cast<Dez32*>(AR_New_(static_cast<int32_t>(sizeof(Dez32))));
        if (acc == nullptr) {
            break;
        }
        std::memcpy(acc, a, sizeof(Dez32));
        if (AR_Dez32Inc(acc, b) != 0) {
            std::abort();
        }
        if (ra.m == 0 || rb.m == 0) {
            checkCell(acc, ra.m == 0 ? rb : ra, true);
        } else {
            checkCell(acc, {am + bm, s}, true);
        }
        AR_Delete_(acc);
        break;
    }
    }
    AR_Delete_(a);
    AR_Delete_(b);
    return 0;
}
