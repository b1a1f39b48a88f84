// SPDX-License-Identifier: Apache-2.0
// libtarvo against the kernel in one run: tarvo_convert (decimal strings in and out) and a
// direct U1 call (blocks filled by the caller) for the same fixed-rate conversion, and the
// array form. Prints the ratio at the end; run with --benchmark_repetitions=9
// --benchmark_enable_random_interleaving=true on a shared machine (the medians count).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "convkern.h"
#include "ctrldata.h"
#include "tarvo.h"

namespace {

std::map<std::string, double> gNs; // CPU ns per iteration, by benchmark

PS_EB loadBuiltIn() {
    ::setenv("TARVO_STEUDAT", "", 1);
    PS_SB sb;
    std::memset(&sb, 0, sizeof sb);
    std::memcpy(sb.SB_VERSION, "01", 2);
    std::memcpy(sb.SENDER, "BENCH   ", 8);
    std::memcpy(sb.EB_VERSION, "  ", 2);
    std::memcpy(sb.ANWENDUNG, "        ", 8);
    std::memcpy(sb.BEZUGSDATUM, "20010615", 8);
    PS_EB eb;
    int32_t aux = 0;
    PS_LesenTarvoDaten(&sb, &aux, &eb);
    return eb;
}

tarvo_context* context() {
    static tarvo_context* c = [] {
        tarvo_options o{};
        o.builtin = 1;
        o.reference_date = "20010615";
        return tarvo_open(&o, nullptr);
    }();
    return c;
}

void DirectU1_FixedIntoEuro(benchmark::State& state) {
    static const PS_EB eb = loadBuiltIn();
    int32_t aux = 0;
    int32_t rc = 0;
    for (auto _ : state) {
        U1_SB sb;
        std::memset(&sb, 0, sizeof sb);
        std::memcpy(sb.SB_VERSION, "01", 2);
        std::memcpy(sb.SENDER, "BENCH   ", 8);
        sb.RATE_TYPE = 'M';
        std::memcpy(sb.ISO_CODE_E, "DEM", 3);
        std::memcpy(sb.ISO_CODE_A, "EUR", 3);
        sb.RATE_PRINT_FLAG = 'N';
        std::memcpy(sb.BOOKING_DATE, "20010615", 8);
        std::memcpy(sb.AMOUNT_E, "+000000001234567", 16);
        rc |= U1_UmrFwaehrBwaehr(&sb, &eb, &aux);
        benchmark::DoNotOptimize(sb.AMOUNT_A_13_2[0]);
    }
    if (rc != 0)
        state.SkipWithError("U1 failed");
}
BENCHMARK(DirectU1_FixedIntoEuro);

void TarvoConvert_FixedIntoEuro(benchmark::State& state) {
    tarvo_context* c = context();
    tarvo_result r;
    int rc = 0;
    for (auto _ : state) {
        rc |= tarvo_convert(c, "12345.67", "DEM", "EUR", "20010615", &r);
        benchmark::DoNotOptimize(r.amount[0]);
    }
    if (rc != 0)
        state.SkipWithError("tarvo_convert failed");
}
BENCHMARK(TarvoConvert_FixedIntoEuro);

void TarvoConvertMany_FixedIntoEuro(benchmark::State& state) {
    tarvo_context* c = context();
    const std::size_t n = 4096;
    std::vector<std::string> texts(n);
    std::vector<const char*> amounts(n);
    for (std::size_t i = 0; i < n; ++i) {
        texts[i] = std::to_string(i * 7919 % 1000000) + "." + std::to_string(10 + i % 90);
        amounts[i] = texts[i].c_str();
    }
    std::vector<tarvo_result> r(n);
    for (auto _ : state)
        benchmark::DoNotOptimize(tarvo_convert_many(c, n, amounts.data(), "DEM", "EUR", nullptr,
                                                    "20010615", nullptr, r.data()));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(TarvoConvertMany_FixedIntoEuro);

class Reporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With repetitions the median counts, else the single run.
        for (const Run& r : runs) {
            const std::string& name = r.run_name.function_name;
            if (r.run_type == Run::RT_Aggregate ? r.aggregate_name == "median"
                                                : gNs.find(name) == gNs.end())
                gNs[name] = r.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double direct = gNs["DirectU1_FixedIntoEuro"];
    const double api = gNs["TarvoConvert_FixedIntoEuro"];
    if (direct > 0 && api > 0)
        std::printf("\ntarvo_convert %.1f ns, direct U1 %.1f ns (CPU, fixed rate): ratio %.2f\n",
                    api, direct, api / direct);
    benchmark::Shutdown();
    return 0;
}
