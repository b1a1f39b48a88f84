// SPDX-License-Identifier: Apache-2.0
// Kernel benchmark: nanoseconds per conversion for U1 (fixed and rate-file rates), U3, U4 and
// U5, beside the same U1 fixed-rate computation done with std::decimal::decimal128 and with
// plain 128-bit integers.
#include <benchmark/benchmark.h>

#include <decimal/decimal>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "Tarvon32.h"
#include "history.h"
#include "convkern.h"
#include "ctrldata.h"
#include "ratefile.h"

namespace {

// ---- control data and blocks ------------------------------------------------------------

struct Row {
    const char* iso;
    const char* rate;
    char decimals;
};

PS_EB makeEb() {
    static const Row rows[] = {{"DEM", "+00019558300", '2'},
                               {"FRF", "+00065595700", '2'},
                               {"ITL", "+19362700000", '0'},
                               {"GBP", "+00000000000", '2'}};
    PS_EB eb;
    std::memset(&eb, 0, sizeof eb);
    std::memcpy(eb.EB_Version, "02", 2);
    std::memcpy(eb.BasisWaehrung, "EUR", 3);
    std::memcpy(eb.HeimWaehrung, "DEM", 3);
    eb.NotierungHeim = 'P';
    eb.Notierung2 = 'P';
    eb.NotierungEuro = 'M';
    eb.WaehrAnzahl = 4;
    for (int i = 0; i < 4; ++i) {
        std::memcpy(eb.Waehrung[i].ISOCode, rows[i].iso, 3);
        std::memcpy(eb.Waehrung[i].FixKurs, rows[i].rate, 12);
        eb.Waehrung[i].Dezimalen = rows[i].decimals;
        eb.Waehrung[i].EinheitExp = '0';
    }
    eb.Anwendung.Modus = 'P';
    std::memcpy(eb.Anwendung.PeriodenKz, "JJ-NNN----", 10);
    return eb;
}

const PS_EB& eb() {
    static const PS_EB e = makeEb();
    return e;
}

template <typename B> void head(B& b) {
    std::memset(&b, 0, sizeof b);
    std::memcpy(b.SB_VERSION, "01", 2);
    std::memcpy(b.SENDER, "BENCHMRK", 8);
}

U1_SB u1(const char* e, const char* a, const char* amount, const char* date = "20010615") {
    U1_SB b;
    head(b);
    b.RATE_TYPE = 'M';
    std::memcpy(b.ISO_CODE_E, e, 3);
    std::memcpy(b.ISO_CODE_A, a, 3);
    b.RATE_PRINT_FLAG = 'N';
    std::memcpy(b.BOOKING_DATE, date, 8);
    std::memcpy(b.AMOUNT_E, amount, 16);
    return b;
}

class BenchRateFile {
  public:
    BenchRateFile() {
        char tmpl[] = "/tmp/kernbenchXXXXXX";
        const char* d = mkdtemp(tmpl);
        dir_ = d != nullptr ? d : "/tmp";
        path_ = dir_ / "WAEHKURS.DAT";
        const bench::HistoryFile h = bench::writeHistoryRateFile(path_);
        records_ = h.records;
        bytes_ = h.bytes;
        setenv("TARVO_WAEHKURS", path_.c_str(), 1);
        // The reader trusts its snapshot only of a file that has not changed for 2 s.
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    }
    ~BenchRateFile() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::size_t records() const { return records_; }
    std::size_t bytes() const { return bytes_; }

  private:
    std::filesystem::path dir_;
    std::filesystem::path path_;
    std::size_t records_ = 0;
    std::size_t bytes_ = 0;
};

BenchRateFile& rateFile() {
    static BenchRateFile file;
    return file;
}

// EUR into USD on dates spread over the whole history.
std::vector<U1_SB> rateFileRequests() {
    const std::vector<int> days = bench::businessDays();
    std::vector<U1_SB> in;
    for (int i = 0; i < 1024; ++i) {
        const std::string day =
            std::to_string(days[static_cast<std::size_t>(i) * 6113 % days.size()]);
        in.push_back(u1("EUR", "USD", "+000000000010000", day.c_str()));
    }
    return in;
}

// ---- kernel benchmarks ------------------------------------------------------------------

void U1_FixedIntoEuro(benchmark::State& state) {
    const U1_SB in = u1("DEM", "EUR", "+000000000010000");
    for (auto _ : state) {
        U1_SB b = in;
        benchmark::DoNotOptimize(U1_UmrFwaehrBwaehr(&b, &eb(), nullptr));
        benchmark::DoNotOptimize(b);
    }
}

void U1_FixedOutOfEuro(benchmark::State& state) {
    const U1_SB in = u1("EUR", "DEM", "+000000000010000");
    for (auto _ : state) {
        U1_SB b = in;
        benchmark::DoNotOptimize(U1_UmrFwaehrBwaehr(&b, &eb(), nullptr));
        benchmark::DoNotOptimize(b);
    }
}

// EUR into USD over the whole history, cycling through the requests.
void convertRateFileRequests(benchmark::State& state, const std::vector<U1_SB>& in) {
    std::size_t i = 0;
    for (auto _ : state) {
        U1_SB b = in[i++ % in.size()];
        benchmark::DoNotOptimize(U1_UmrFwaehrBwaehr(&b, &eb(), nullptr));
        benchmark::DoNotOptimize(b);
    }
}

void U1_RateFile(benchmark::State& state) {
    const BenchRateFile& file = rateFile();
    const std::vector<U1_SB> in = rateFileRequests();
    U1_SB check = in[0];
    if (U1_UmrFwaehrBwaehr(&check, &eb(), nullptr) != 0)
        state.SkipWithError("rate-file conversion failed");
    convertRateFileRequests(state, in);
    state.counters["records"] = static_cast<double>(file.records());
    state.counters["MB"] = static_cast<double>(file.bytes()) / 1e6;
}

// The same with the file read on every call.
void U1_RateFileReadPerCall(benchmark::State& state) {
    rateFile();
    setenv("TARVO_WAEHKURS_CACHE", "0", 1);
    convertRateFileRequests(state, rateFileRequests());
    unsetenv("TARVO_WAEHKURS_CACHE");
}

// The bridge with the built-in control data (no control-data file in the working folder).
void VB_U1_FixedIntoEuro(benchmark::State& state) {
    char tmpl[] = "/tmp/kernbridgeXXXXXX";
    const char* dir = mkdtemp(tmpl);
    const std::filesystem::path old = std::filesystem::current_path();
    if (dir == nullptr || chdir(dir) != 0) {
        state.SkipWithError("no working folder");
        return;
    }
    unsetenv("TARVO_STEUDAT");
    for (auto _ : state) {
        char a132[18] = "                 ";
        char a150[17] = "                ";
        char dec[2] = " ";
        char err[67];
        std::memset(err, ' ', 66);
        err[66] = '\0';
        benchmark::DoNotOptimize(VB_U1_UmrFwaehrBwaehr("  ", "        ", "20010615", "M", "DEM",
                                                       "EUR", "20010615", "100", a132, a150, dec,
                                                       err));
        benchmark::DoNotOptimize(a132);
    }
    std::filesystem::current_path(old);
    std::filesystem::remove(dir);
}

void U3_TwoFixedRates(benchmark::State& state) {
    U3_SB in;
    head(in);
    in.RATE_TYPE = 'M';
    std::memcpy(in.ISO_CODE_E, "DEM", 3);
    std::memcpy(in.ISO_CODE_A, "FRF", 3);
    std::memcpy(in.BOOKING_DATE, "20010615", 8);
    std::memcpy(in.AMOUNT_E, "+000000000010000", 16);
    for (auto _ : state) {
        U3_SB b = in;
        benchmark::DoNotOptimize(U3_UmrFwaehrBwaehrFwaehr(&b, &eb(), nullptr));
        benchmark::DoNotOptimize(b);
    }
}

void U4_GivenRates(benchmark::State& state) {
    U4_SB in;
    head(in);
    std::memcpy(in.ISO_CODE_E, "GBP", 3);
    std::memcpy(in.RATE_E, "+00006123400", 12);
    in.RATE_UNIT_E[0] = 1;
    std::memcpy(in.ISO_CODE_A, "USD", 3);
    std::memcpy(in.RATE_A, "+00009300000", 12);
    in.RATE_UNIT_A[0] = 100;
    std::memcpy(in.AMOUNT_E, "+000000000010000", 16);
    in.DEC_FLAG_A = '2';
    in.QUOTATION_E = 'M';
    in.QUOTATION_A = 'P';
    for (auto _ : state) {
        U4_SB b = in;
        benchmark::DoNotOptimize(U4_UmrFwaehrBwaehrFwaehrKv(&b, &eb(), nullptr));
        benchmark::DoNotOptimize(b);
    }
}

void U5_Batch1000(benchmark::State& state) {
    std::vector<U5_ELEM> in(1000);
    for (std::size_t i = 0; i < in.size(); ++i) {
        char amount[17];
        std::snprintf(amount, sizeof amount, "+%015zu", 100 + i * 37);
        in[i].SB = i % 2 ? u1("DEM", "EUR", amount) : u1("EUR", "FRF", amount);
    }
    std::vector<U5_ELEM> work = in;
    for (auto _ : state) {
        std::memcpy(work.data(), in.data(), in.size() * sizeof(U5_ELEM));
        benchmark::DoNotOptimize(
            U5_UmrFwaehrBwaehr(static_cast<int32_t>(work.size()), work.data(), &eb(), nullptr));
    }
    // time per element
    state.counters["ns_per_conversion"] = benchmark::Counter(
        1000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// ---- decimal128 baseline: the same fixed-rate U1 steps ----------------------------------

using std::decimal::decimal128;

long long parseField(const char* f, int len) {
    long long v = 0;
    for (int i = 1; i < len; ++i)
        v = v * 10 + (f[i] - '0');
    return f[0] == '+' ? v : -v;
}

void writeField(char* out, long long v, int len) {
    out[0] = v < 0 ? '-' : '+';
    unsigned long long m =
        v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    for (int i = len - 1; i >= 1; --i) {
        out[i] = static_cast<char>('0' + m % 10);
        m /= 10;
    }
}

// The fields a successful fixed-rate U1 fills besides the amount and its rounding difference.
void putFixedRateFields(U1_SB& b, const char* rate) {
    std::memcpy(b.RATE_USED, rate, 12);
    b.DEC_INDICATOR = '2';
    b.FIXED_RATE_FLAG = 'J';
    b.QUOTATION_USED = 'M';
    b.UNIT_EXPONENT = '0';
    std::memcpy(b.RETURN_CODE, "0000", 4);
}

// Amount divided (into the euro) or multiplied (out of it) by the rate, cut to 6 decimals,
// rounded half away from zero to 2, difference to the 6-decimal value; texts as in the block.
void decimalU1(U1_SB& b, const char* rate, bool intoEuro) {
    const decimal128 amount = std::decimal::make_decimal128(parseField(b.AMOUNT_E, 16), -2);
    const decimal128 r = std::decimal::make_decimal128(parseField(rate, 12), -7);
    const decimal128 million = std::decimal::make_decimal128(1000000LL, 0);
    const decimal128 raw = intoEuro ? amount / r : amount * r;
    const decimal128 six =
        std::decimal::make_decimal128(std::decimal::decimal128_to_long_long(raw * million), -6);
    const decimal128 hundred = std::decimal::make_decimal128(100LL, 0);
    const decimal128 half = std::decimal::make_decimal128(5LL, -1);
    const decimal128 scaled = six * hundred;
    const long long cents = std::decimal::decimal128_to_long_long(
        scaled < decimal128(0) ? scaled - half : scaled + half);
    const decimal128 rounded = std::decimal::make_decimal128(cents, -2);
    const decimal128 diff = six - rounded;
    writeField(b.AMOUNT_A_13_2, cents, 16);
    writeField(b.ROUND_DIFF, std::decimal::decimal128_to_long_long(diff * million), 8);
    putFixedRateFields(b, rate);
}

void Decimal128_U1_FixedIntoEuro(benchmark::State& state) {
    const U1_SB in = u1("DEM", "EUR", "+000000000010000");
    for (auto _ : state) {
        U1_SB b = in;
        decimalU1(b, "+00019558300", true);
        benchmark::DoNotOptimize(b);
    }
}

void Decimal128_U1_FixedOutOfEuro(benchmark::State& state) {
    const U1_SB in = u1("EUR", "DEM", "+000000000010000");
    for (auto _ : state) {
        U1_SB b = in;
        decimalU1(b, "+00019558300", false);
        benchmark::DoNotOptimize(b);
    }
}

// ---- 128-bit integer reference: the same fixed-rate U1 into the euro ---------------------

__extension__ typedef __int128 Int128;

// Amount (2 decimals) divided by the rate (7 decimals), cut to 6 decimals, rounded half away
// from zero to 2, difference to the 6-decimal value; the same output fields as the kernel.
void int128U1IntoEuro(U1_SB& b, const char* rate) {
    const Int128 six =
        static_cast<Int128>(parseField(b.AMOUNT_E, 16)) * 100000000000LL / parseField(rate, 12);
    const Int128 cents = (six + (six < 0 ? -5000 : 5000)) / 10000;
    writeField(b.AMOUNT_A_13_2, static_cast<long long>(cents), 16);
    writeField(b.ROUND_DIFF, static_cast<long long>(six - cents * 10000), 8);
    putFixedRateFields(b, rate);
}

void Int128_U1_FixedIntoEuro(benchmark::State& state) {
    const U1_SB in = u1("DEM", "EUR", "+000000000010000");
    U1_SB kernel = in;
    U1_SB mine = in;
    U1_UmrFwaehrBwaehr(&kernel, &eb(), nullptr);
    int128U1IntoEuro(mine, "+00019558300");
    if (std::memcmp(kernel.AMOUNT_A_13_2, mine.AMOUNT_A_13_2, 16) != 0 ||
        std::memcmp(kernel.ROUND_DIFF, mine.ROUND_DIFF, 8) != 0 ||
        std::memcmp(kernel.RATE_USED, mine.RATE_USED, 12) != 0)
        state.SkipWithError("the reference differs from the kernel");
    for (auto _ : state) {
        U1_SB b = in;
        int128U1IntoEuro(b, "+00019558300");
        benchmark::DoNotOptimize(b);
    }
}

BENCHMARK(U1_FixedIntoEuro);
BENCHMARK(U1_FixedOutOfEuro);
BENCHMARK(U1_RateFile);
BENCHMARK(U1_RateFileReadPerCall)->Unit(benchmark::kMillisecond);
BENCHMARK(VB_U1_FixedIntoEuro);
BENCHMARK(U3_TwoFixedRates);
BENCHMARK(U4_GivenRates);
BENCHMARK(U5_Batch1000);
BENCHMARK(Decimal128_U1_FixedIntoEuro);
BENCHMARK(Decimal128_U1_FixedOutOfEuro);
BENCHMARK(Int128_U1_FixedIntoEuro);

// Keeps the console output and remembers ns per conversion of every run.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0)
                continue;
            // CPU time: the machines this runs on are often shared, wall time is noisy
            double ns = r.GetAdjustedCPUTime(); // per iteration, in the run's time unit
            const auto it = r.counters.find("ns_per_conversion");
            if (it != r.counters.end())
                ns = it->second.value * 1e9;
            else if (r.time_unit == benchmark::kMicrosecond)
                ns *= 1e3;
            else if (r.time_unit == benchmark::kMillisecond)
                ns *= 1e6;
            perConversion[r.benchmark_name()] = ns;
        }
    }
    std::map<std::string, double> perConversion;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& t = reporter.perConversion;
    const auto base = t.find("Decimal128_U1_FixedIntoEuro");
    const auto baseOut = t.find("Decimal128_U1_FixedOutOfEuro");
    if (base == t.end() || baseOut == t.end())
        return 0;
    std::printf("\n%-28s %14s %22s\n", "conversion", "CPU ns/conv.", "ratio to decimal128 U1");
    for (const auto& [name, ns] : t) {
        if (name.rfind("Decimal128", 0) == 0)
            continue;
        // out-of-euro runs against the out-of-euro baseline, everything else against into-euro
        const double ref = name == "U1_FixedOutOfEuro" ? baseOut->second : base->second;
        std::printf("%-28s %14.1f %21.1fx\n", name.c_str(), ns, ns / ref);
    }
    std::printf("%-28s %14.1f\n", "Decimal128_U1_FixedIntoEuro", base->second);
    std::printf("%-28s %14.1f\n", "Decimal128_U1_FixedOutOfEuro", baseOut->second);

    // The ratios the kernel is held to.
    const auto ratio = [&](const char* what, const char* a, const char* b) {
        const auto x = t.find(a);
        const auto y = t.find(b);
        if (x != t.end() && y != t.end())
            std::printf("%-44s %8.2f\n", what, x->second / y->second);
    };
    std::printf("\n");
    ratio("U1 fixed / 128-bit integer reference", "U1_FixedIntoEuro", "Int128_U1_FixedIntoEuro");
    ratio("decimal128 / U1 fixed", "Decimal128_U1_FixedIntoEuro", "U1_FixedIntoEuro");
    ratio("U1 rate file (53 MB) / U1 fixed", "U1_RateFile", "U1_FixedIntoEuro");
    ratio("U1 rate file read per call / with snapshot", "U1_RateFileReadPerCall", "U1_RateFile");
    ratio("bridge VB_U1 / U1 fixed", "VB_U1_FixedIntoEuro", "U1_FixedIntoEuro");
    return 0;
}
