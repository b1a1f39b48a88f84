// SPDX-License-Identifier: Apache-2.0
// Several threads converting at once get the same results as one thread, and each thread's
// work cells are null after every call.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "kern_test_util.h"

namespace {

struct Job {
    int kind;
    U1_SB b1;
    U2_SB b2;
    U3_SB b3;
    U4_SB b4;
};

std::vector<Job> jobs() {
    std::vector<Job> v;
    const char* cur[] = {"DEM", "FRF", "ITL", "GBP", "USD", "BEF"};
    int n = 0;
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            for (int64_t cents : {1LL, 10000LL, -98765LL, 123456789012LL}) {
                Job job{};
                job.kind = n++ % 4;
                job.b1 = n % 2 ? kt::u1(cur[i], "EUR", cents) : kt::u1("EUR", cur[j], cents);
                job.b2 =
                    kt::u2(cur[i], "EUR", cents, 6123400 + j, j % 2 ? 100 : 1, j % 3 ? 'M' : 'P');
                job.b3 = kt::u3(cur[i], cur[j], cents);
                job.b4 = kt::u4(cur[i], 1234567 + i, 1, 'P', cur[j], 98765432, 1000, 'M', cents);
                v.push_back(job);
            }
    return v;
}

int run(Job& j, const PS_EB& eb) {
    switch (j.kind) {
    case 0:
        return U1_UmrFwaehrBwaehr(&j.b1, &eb, nullptr);
    case 1:
        return U2_UmrFwaehrBwaehrKv(&j.b2, &eb, nullptr);
    case 2:
        return U3_UmrFwaehrBwaehrFwaehr(&j.b3, &eb, nullptr);
    default:
        return U4_UmrFwaehrBwaehrFwaehrKv(&j.b4, &eb, nullptr);
    }
}

TEST(KernelThreads, EightThreadsMatchOneThread) {
    kt::RateFile rf;
    rf.write({kt::record("GBP", "20010101", "+00006123400"),
              kt::record("USD", "20010101", "+00009300000", 100, 'P')});
    const PS_EB eb = kt::makeEb();
    const std::vector<Job> base = jobs();
    std::vector<Job> expected = base;
    std::vector<int> expectedRc;
    for (auto& j : expected)
        expectedRc.push_back(run(j, eb));

    constexpr int kThreads = 8;
    constexpr int kRounds = 20;
    std::atomic<int> mismatches{0};
    std::atomic<int> dirtyCells{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < kThreads; ++t) {
        pool.emplace_back([&, t] {
            for (int r = 0; r < kRounds; ++r) {
                std::vector<Job> mine = base;
                for (std::size_t k = 0; k < mine.size(); ++k) {
                    // each thread walks the jobs in its own order
                    const std::size_t idx = (k * 7 + static_cast<std::size_t>(t)) % mine.size();
                    const int rc = run(mine[idx], eb);
                    if (!kt::workCellsNull())
                        ++dirtyCells;
                    if (rc != expectedRc[idx] ||
                        std::memcmp(&mine[idx], &expected[idx], sizeof(Job)) != 0)
                        ++mismatches;
                }
            }
        });
    }
    for (auto& th : pool)
        th.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(dirtyCells.load(), 0);
}

} // namespace
