// SPDX-License-Identifier: Apache-2.0
// Fuzzes every conversion function with arbitrary block bytes over valid control data.
// Input: one byte choosing the function and the control-data date, then the block bytes.
// After every call the calling thread's work cells must be null again.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_common.h"
#include "ratefile.h"

namespace {

PS_EB g_eb[3];

template <class Block> void fill(Block& b, const uint8_t* p, size_t n) {
    std::memset(&b, 0, sizeof b);
    std::memcpy(&b, p, n < sizeof b ? n : sizeof b);
}

template <class Block, class Fn> void run(Fn fn, const uint8_t* p, size_t n, const PS_EB& eb) {
    auto* b = new Block;
    fill(*b, p, n);
    int32_t aux = 0;
    int32_t rc = fn(b, &eb, &aux);
    if (rc < 0 || rc > 9999) {
        std::abort();
    }
    delete b;
}

template <class Elem, class Fn> void runBatch(Fn fn, const uint8_t* p, size_t n, const PS_EB& eb) {
    size_t count = n / sizeof(Elem) + 1;
    if (count > 8) {
        count = 8;
    }
    std::vector<Elem> elems(count);
    std::memset(elems.data(), 0, count * sizeof(Elem));
    std::memcpy(elems.data(), p, n < count * sizeof(Elem) ? n : count * sizeof(Elem));
    int32_t aux = 0;
    fn(static_cast<int32_t>(count), elems.data(), &eb, &aux);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const std::string none = (fuzz::workDir() / "no-TARVO.DAT").string();
    setenv("TARVO_STEUDAT", none.c_str(), 1);
    // A small rate file, so that the rate-file paths are reached too.
    static const std::string rates = (fuzz::workDir() / "WAEHKURS.DAT").string();
    namespace rf = tarvo::ratefile;
    rf::writeRateFile(rates, {rf::makeRecord("USD", "20010601", "0.8765"),
                              rf::makeRecord("USD", "19990104", "1.1789"),
                              rf::makeRecord("JPY", "20010601", "107.25"),
                              rf::makeRecord("GBP", "20010601", "0.60815")});
    setenv("TARVO_WAEHKURS", rates.c_str(), 1);
    const char* dates[] = {"19981231", "20010615", "20020301"};
    for (int i = 0; i < 3; ++i) {
        if (!fuzz::loadControlData(dates[i], &g_eb[i])) {
            std::abort();
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const PS_EB& eb = g_eb[(data[0] >> 4) % 3];
    const uint8_t* p = data + 1;
    const size_t n = size - 1;
    switch (data[0] & 15) {
    case 0:
        run<U1_SB>(U1_UmrFwaehrBwaehr, p, n, eb);
        break;
    case 1:
        run<U2_SB>(U2_UmrFwaehrBwaehrKv, p, n, eb);
        break;
    case 2:
        run<U3_SB>(U3_UmrFwaehrBwaehrFwaehr, p, n, eb);
        break;
    case 3:
        run<U4_SB>(U4_UmrFwaehrBwaehrFwaehrKv, p, n, eb);
        break;
    case 4:
        run<A1_SB>(A1_UmrFwaehrBwaehr, p, n, eb);
        break;
    case 5:
        run<B1_SB>(B1_UmrMitBetrAusgl, p, n, eb);
        break;
    case 6:
        run<G1_SB>(G1_UmrMitGlaettung, p, n, eb);
        break;
    case 7:
        runBatch<U5_ELEM>(U5_UmrFwaehrBwaehr, p, n, eb);
        break;
    case 8:
        runBatch<U6_ELEM>(U6_UmrFwaehrBwaehrKv, p, n, eb);
        break;
    case 9:
        runBatch<U7_ELEM>(U7_UmrFwaehrBwaehrFwaehr, p, n, eb);
        break;
    case 10:
        runBatch<U8_ELEM>(U8_UmrFwaehrBwaehrFwaehrKv, p, n, eb);
        break;
    case 11:
        runBatch<A5_ELEM>(A5_UmrFwaehrBwaehr, p, n, eb);
        break;
    default:
        return 0;
    }
    if (!fuzz::workCellsNull()) {
        std::abort();
    }
    return 0;
}
