/* SPDX-License-Identifier: Apache-2.0 */
// Test helpers: cells from decimal text, a compact rendering of cells, owned results.
#ifndef DECARITH_TEST_HELPERS_H
#define DECARITH_TEST_HELPERS_H

#include "reference.h"

#include <memory>

namespace th {

struct Deleter {
    void operator()(void* p) const { AR_Delete_(p); }
};
template <class T> using Owned = std::unique_ptr<T, Deleter>;
template <class T> Owned<T> own(T* p) {
    return Owned<T>(p);
}

// "-12.50" -> Num with scale 2; the test's own parser, independent of AR_Asci_Dez32.
inline ref::Num parse(const std::string& text) {
    ref::Num n;
    std::string digits;
    size_t i = 0;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        n.neg = text[0] == '-';
        i = 1;
    }
    for (; i < text.size(); ++i) {
        if (text[i] == '.') {
            n.scale = static_cast<int>(text.size() - i - 1);
        } else {
            digits += text[i];
        }
    }
    n.mag = ref::Big::fromString(digits);
    return n;
}

// Cell as a reader would produce it from the text.
template <class C> C val(const std::string& text) {
    ref::Num n = parse(text);
    if (n.mag.zero()) {
        return ref::cell<C>(false, "", 0);
    }
    return ref::normal<C>(n);
}

// Sign, the counted digits (most significant first) and the scale: "-00 s2" is a negative zero
// with two counted digits and scale 2; "+ s0" is the plain zero.
template <class C> std::string repr(const C* c) {
    if (c == nullptr) {
        return "null";
    }
    const ref::CellView v = ref::view(c);
    return std::string(v.sign != 0 ? "-" : "+") + v.digits + " s" + std::to_string(v.scale);
}

} // namespace th

#endif
