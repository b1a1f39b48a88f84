// SPDX-License-Identifier: Apache-2.0
// Fuzzes the bridge's string arguments: the input is split at NUL bytes into the
// arguments of VB_U1 to VB_U4 (missing ones are empty); output buffers are blank-filled
// to sizes taken from the input, as small as one character.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Tarvon32.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const std::string none = (fuzz::workDir() / "no-TARVO.DAT").string();
    setenv("TARVO_STEUDAT", none.c_str(), 1);
    static const std::string rates = (fuzz::workDir() / "no-WAEHKURS.DAT").string();
    setenv("TARVO_WAEHKURS", rates.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const uint8_t sel = data[0];
    const size_t outLen = 1 + data[1] % 80;
    std::vector<std::string> a;
    std::string cur;
    for (size_t i = 2; i < size; ++i) {
        if (data[i] == 0) {
            a.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(static_cast<char>(data[i]));
        }
    }
    a.push_back(cur);
    a.resize(13);
    std::string o1(outLen, ' '), o2(outLen, ' '), ind(1, ' '), err(outLen, ' ');
    auto c = [&](int i) { return a[static_cast<size_t>(i)].c_str(); };
    switch (sel % 5) {
    case 0:
        VB_U1_UmrFwaehrBwaehr(c(0), c(1), c(2), c(3), c(4), c(5), c(6), c(7), o1.data(), o2.data(),
                              ind.data(), err.data());
        break;
    case 1:
        VB_U2_UmrFwaehrBwaehrKv(c(0), c(1), c(2), c(3), c(4), c(5), c(6), c(7), c(8), c(9),
                                o1.data(), o2.data(), ind.data(), err.data());
        break;
    case 2:
        VB_U3_UmrFwaehrBwaehrFwaehr(c(0), c(1), c(2), c(3), c(4), c(5), c(6), c(7), o1.data(),
                                    o2.data(), ind.data(), err.data());
        break;
    case 3:
        VB_U4_UmrFwaehrBwaehrFwaehrKv(c(0), c(1), c(2), c(3), c(4), c(5), c(6), c(7), c(8), c(9),
                                      c(10), c(11), c(12), o1.data(), o2.data(), ind.data(),
                                      err.data());
        break;
    default:
        VB_TarvonGetVersion(err.data());
        break;
    }
    // Outputs never grow past the caller's buffer.
    if (o1.size() != outLen || std::strlen(o1.c_str()) > outLen ||
        std::strlen(err.c_str()) > outLen) {
        std::abort();
    }
    return 0;
}
