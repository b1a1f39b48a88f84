// SPDX-License-Identifier: Apache-2.0
// Library surface: exported names, allocation, the trace entry point and allocation failures.
#include "helpers.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <thread>
#include <vector>

using th::own;
using th::val;

namespace {

std::set<std::string> expectedExports() {
    std::set<std::string> names = {
        "AR_Dez32_Dez64",
        "AR_Dez64_Dez32",
        "AR_Dez32_UIntDez32",
        "AR_Dez64_UIntDez64",
        "AR_UIntDez32_Dez32",
        "AR_UIntDez64_Dez64",
        "AR_Asci_Dez32",
        "AR_Asci_Dez64",
        "AR_Dez32Add",
        "AR_Dez64Add",
        "AR_Dez32Sub",
        "AR_Dez64Sub",
        "AR_Dez32Mul",
        "AR_Dez32Div",
        "AR_Dez32Round",
        "AR_Dez64Round",
        "AR_Dez32Trunc",
        "AR_Dez64Trunc",
        "AR_Dez32Mul_Nmal10",
        "AR_Dez64Mul_Nmal10",
        "AR_Dez32Div_Nmal10",
        "AR_Dez64Div_Nmal10",
        "AR_Dez32Compare",
        "AR_Dez64Compare",
        "AR_Dez32Inc",
        "AR_Dez64Inc",
        "AR_Invert32_",
        "AR_Invert64_",
        "AR_UINTDez32Add",
        "AR_UINTDez64Add",
        "AR_UINTDez32Sub",
        "AR_UINTDez64Sub",
        "AR_ShiftLeft",
        "AR_CompareDigits",
        "AR_New_",
        "AR_Delete_",
        "WriteLog",
        "AR_Ebcdic2Asci",
        "AR_Asci2Ebcdic",
        "AR_ConvertFile",
        "AR_ConvertFileFormat",
        "e2a",
        "a2e",
    };
    for (const char* f :
         {"15p0", "14p1", "13p2", "12p3", "11p4", "10p5", "9p6", "4p7", "5p0", "2p5", "1p6"}) {
        for (const char* w : {"32", "64"}) {
            names.insert(std::string("AR_Dez") + f + "_Dez" + w);
            names.insert(std::string("AR_Dez") + w + "_Dez" + f);
        }
    }
    return names;
}

TEST(Library, ExportsExactlyItsNames) {
    const std::string command = std::string("nm -D --defined-only '") + DECARITH_LIBRARY_FILE + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> found;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char address[128];
        char type[8];
        char name[256];
        if (std::sscanf(line, "%127s %7s %255s", address, type, name) == 3) {
            std::string n = name;
            if (n.rfind("__odr_asan", 0) == 0) {
                continue; // added by AddressSanitizer for instrumented globals
            }
            if (std::string(type) == "A") {
                continue; // the version node
            }
            n = n.substr(0, n.find('@')); // name@@NODE
            found.insert(n);
        }
    }
    ASSERT_EQ(pclose(pipe), 0);
    const std::set<std::string> want = expectedExports();
    EXPECT_EQ(want.size(), 87u);
    for (const auto& n : want) {
        EXPECT_TRUE(found.count(n) == 1) << "not exported: " << n;
    }
    for (const auto& n : found) {
        EXPECT_TRUE(want.count(n) == 1) << "exported but not part of the interface: " << n;
    }
}

TEST(Library, NewGivesZeroedBlocksAndDeleteIgnoresNull) {
    auto* block = static_cast<unsigned char*>(AR_New_(0x4000));
    ASSERT_NE(block, nullptr);
    bool allZero = true;
    for (int i = 0; i < 0x4000; ++i) {
        allZero = allZero && block[i] == 0;
    }
    EXPECT_TRUE(allZero);
    EXPECT_EQ(AR_Delete_(block), 0);
    EXPECT_EQ(AR_Delete_(nullptr), 0);
    void* empty = AR_New_(0);
    EXPECT_NE(empty, nullptr);
    AR_Delete_(empty);
    EXPECT_EQ(AR_New_(-1), nullptr);
}

// Blocks given back and handed out again (the per-thread cache of the common sizes) must come
// back zero-filled over the whole request and as aligned as calloc's.
TEST(Library, ReusedBlocksAreZeroedAndAligned) {
    for (int32_t size : {0, 1, 8, 10, 14, 18, 24, 25, 34, 36, 40, 41, 66, 68, 72, 73, 200}) {
        std::vector<unsigned char*> blocks;
        for (int round = 0; round < 3; ++round) {
            for (int i = 0; i < 40; ++i) {
                auto* b = static_cast<unsigned char*>(AR_New_(size));
                ASSERT_NE(b, nullptr) << size;
                EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % alignof(std::max_align_t), 0u) << size;
                for (int32_t j = 0; j < size; ++j) {
                    ASSERT_EQ(b[j], 0) << "size " << size << " byte " << j;
                }
                std::memset(b, 0xA5, static_cast<size_t>(size));
                blocks.push_back(b);
            }
            for (auto* b : blocks) {
                AR_Delete_(b);
            }
            blocks.clear();
        }
    }
}

// Cells made on one thread and released on another, by threads that then end.
TEST(Library, BlocksMayBeReleasedOnAnotherThread) {
    std::vector<void*> made(300);
    std::thread maker([&] {
        for (size_t i = 0; i < made.size(); ++i) {
            made[i] = AR_New_(i % 3 == 0 ? 36 : i % 3 == 1 ? 68 : 18);
        }
    });
    maker.join();
    std::thread releaser([&] {
        for (void* p : made) {
            AR_Delete_(p);
        }
        own(AR_Dez13p2_Dez32("+000000000010000")); // and allocates again before it ends
    });
    releaser.join();
    for (void*& p : made) {
        ASSERT_NE(p = AR_New_(36), nullptr);
    }
    for (void* p : made) {
        AR_Delete_(p);
    }
}

TEST(Library, WriteLogAcceptsAnything) {
    const char block[] = "data";
    EXPECT_EQ(WriteLog("U1_SB   -->:", 4, block), 0);
    EXPECT_EQ(WriteLog("PS_EB   <--:", 2756, nullptr), 0);
    EXPECT_EQ(WriteLog(nullptr, -1, nullptr), 0);
}

#ifdef DECARITH_ALLOC_FAILURE_HOOK

// Runs op with the k-th allocation failing, for k = 1, 2, ... until op succeeds; op must report
// failure for every earlier k. Returns the number of allocations op needed. Leaks show up in
// the sanitizer's leak check at exit.
int failEachAllocation(const std::string& name, const std::function<bool()>& op) {
    for (int k = 1; k <= 64; ++k) {
        setenv("TARVO_AR_NEW_FAIL_AT", (std::to_string(k) + ":" + name).c_str(), 1);
        const bool ok = op();
        unsetenv("TARVO_AR_NEW_FAIL_AT");
        if (ok) {
            return k - 1;
        }
    }
    ADD_FAILURE() << name << " never succeeded";
    return -1;
}

TEST(AllocationFailure, EveryOperationReportsIt) {
    const Dez32 a = val<Dez32>("-1234.5678");
    const Dez32 b = val<Dez32>("0.333");
    const Dez64 a64 = val<Dez64>("-1234.5678");
    const Dez64 b64 = val<Dez64>("0.333");
    struct Case {
        const char* name;
        std::function<bool()> op;
    };
    auto cell = [](void* p) {
        const bool ok = p != nullptr;
        AR_Delete_(p);
        return ok;
    };
    const Case cases[] = {
        {"add", [&] { return cell(AR_Dez32Add(&a, &b, nullptr)); }},
        {"sub64", [&] { return cell(AR_Dez64Sub(&a64, &b64, nullptr)); }},
        {"mul", [&] { return cell(AR_Dez32Mul(&a, &b)); }},
        {"div", [&] { return cell(AR_Dez32Div(&a, &b, 6)); }},
        {"round", [&] { return cell(AR_Dez64Round(&a64, 2)); }},
        {"trunc", [&] { return cell(AR_Dez32Trunc(&a, 1)); }},
        {"shift", [&] { return cell(AR_Dez64Mul_Nmal10(&a64, 9)); }},
        {"field", [&] { return cell(AR_Dez32_Dez13p2(&a)); }},
        {"read", [&] { return cell(AR_Dez4p7_Dez64("+00019558300")); }},
        {"text", [&] { return cell(AR_Asci_Dez32("-1.25")); }},
        {"narrow", [&] { return cell(AR_Dez64_Dez32(&a64)); }},
        {"digits", [&] { return cell(AR_Dez32_UIntDez32(&a)); }},
    };
    for (const auto& c : cases) {
        EXPECT_GE(failEachAllocation(c.name, c.op), 1) << c.name;
    }
    // Rounding while writing a field takes a temporary cell: both requests can fail.
    EXPECT_EQ(failEachAllocation("field-round", [&] { return cell(AR_Dez32_Dez15p0(&a)); }), 2);
}

TEST(AllocationFailure, AccumulatorStaysUnchanged) {
    Dez32 acc = val<Dez32>("10");
    const Dez32 x = val<Dez32>("0.5");
    setenv("TARVO_AR_NEW_FAIL_AT", "1:inc", 1);
    EXPECT_EQ(AR_Dez32Inc(&acc, &x), 1);
    unsetenv("TARVO_AR_NEW_FAIL_AT");
    EXPECT_EQ(th::repr(&acc), "+10 s0");
    EXPECT_EQ(AR_Dez32Inc(&acc, &x), 0);
    EXPECT_EQ(th::repr(&acc), "+105 s1");
}

TEST(AllocationFailure, OnwardModeFailsEveryLaterRequest) {
    setenv("TARVO_AR_NEW_FAIL_AT", "2+", 1);
    void* first = AR_New_(4);
    void* second = AR_New_(4);
    void* third = AR_New_(4);
    unsetenv("TARVO_AR_NEW_FAIL_AT");
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(third, nullptr);
    AR_Delete_(first);
    void* later = AR_New_(4);
    EXPECT_NE(later, nullptr);
    AR_Delete_(later);
}

#endif

} // namespace

namespace {

// Cells and texts of random bytes: every function must stay inside its arguments and results
// (the sanitizers check), whatever the counts, scales and sign bytes say.
TEST(DamagedInput, RandomBytesNeverReachOutsideTheCells) {
    std::mt19937_64 rng(1001);
    auto fill = [&](void* p, size_t n) {
        auto* b = static_cast<unsigned char*>(p);
        for (size_t i = 0; i < n; ++i) {
            b[i] = static_cast<unsigned char>(rng() % 4 == 0 ? rng() % 256 : rng() % 10);
        }
    };
    auto drop = [](void* p) { AR_Delete_(p); };
    for (int i = 0; i < 20000; ++i) {
        Dez32 a;
        Dez32 b;
        Dez64 c;
        Dez64 d;
        UIntDez32 u;
        UIntDez64 w;
        char text[20];
        fill(&a, sizeof a);
        fill(&b, sizeof b);
        fill(&c, sizeof c);
        fill(&d, sizeof d);
        fill(&u, sizeof u);
        fill(&w, sizeof w);
        fill(text, sizeof text);
        text[sizeof text - 1] = '\0';
        const auto n = static_cast<int32_t>(rng() % 80) - 5;
        int32_t flag = 0;
        drop(AR_Dez32Add(&a, &b, &flag));
        drop(AR_Dez64Sub(&c, &d, &flag));
        drop(AR_Dez32Mul(&a, &b));
        drop(AR_Dez32Div(&a, &b, n));
        drop(AR_Dez32Round(&a, n));
        drop(AR_Dez64Round(&c, n));
        drop(AR_Dez64Trunc(&c, n));
        drop(AR_Dez32Mul_Nmal10(&a, n));
        drop(AR_Dez64Div_Nmal10(&c, n));
        AR_Dez32Compare(&a, &b);
        AR_Dez64Compare(&c, &d);
        drop(AR_Dez64_Dez32(&c));
        drop(AR_Dez32_Dez64(&a));
        drop(AR_Dez32_Dez13p2(&a));
        drop(AR_Dez64_Dez1p6(&c));
        drop(AR_Dez64_Dez4p7(&c));
        drop(AR_Dez32_UIntDez32(&a));
        drop(AR_UIntDez64_Dez64(&w));
        drop(AR_UINTDez32Add(&u, &u, &flag));
        drop(AR_UINTDez64Sub(&w, &w, &flag));
        drop(AR_Dez13p2_Dez32(text));
        drop(AR_Asci_Dez64(text));
        Dez32 acc = a;
        AR_Dez32Inc(&acc, &b);
    }
}

} // namespace
