// Kernel benchmark: nanoseconds per conversion for U1 (fixed and rate-file rates), U3, U4 and
// U5, beside the same U1 fixed-rate computation done with std::decimal::decimal128 and with
// plain 128-bit integers.
#include <benchmark/benchmark.h>

#include <decimal/decimal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

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

// ---- rate file: 40 currencies with 250 dates each -----------------------------------------

class BenchRateFile {
  public:
    BenchRateFile() {
        char tmpl[] = "/tmp/kernbenchXXXXXX";
        const char* d = mkdtemp(tmpl);
        dir_ = d != nullptr ? d : "/tmp";
        path_ = dir_ / "WAEHKURS.DAT";
        std::string bytes = tarvo::ratefile::encodeVersionRecord("20011231");
        for (int c = 0; c < 40; ++c) {
            const std::string iso = {'Q', static_cast<char>('A' + c / 26),
                                     static_cast<char>('A' + c % 26)};
            for (int day = 249; day >= 0; --day) { // newest first
                tarvo::ratefile::RateRecord r;
                r.iso = iso;
                r.number = "999";
                char date[9];
                std::snprintf(date, sizeof date, "2001%02d%02d", 1 + day / 28 % 12, 1 + day % 28);
                r.rateDate = date;
                char rate[13];
                std::snprintf(rate, sizeof rate, "+%011d", 10000000 + c * 100000 + day);
                for (auto& x : r.rates)
                    x = rate;
                bytes += tarvo::ratefile::encodeRecord(r);
            }
        }
        std::ofstream(path_, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        setenv("TARVO_WAEHKURS", path_.c_str(), 1);
    }
    ~BenchRateFile() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

  private:
    std::filesystem::path dir_;
    std::filesystem::path path_;
};

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

void U1_RateFile(benchmark::State& state) {
    static BenchRateFile file;
    // a currency in the middle of the file, a date in the middle of its records
    const U1_SB in = u1("QAU", "EUR", "+000000000010000", "20010615");
    U1_SB check = in;
    if (U1_UmrFwaehrBwaehr(&check, &eb(), nullptr) != 0)
        state.SkipWithError("rate-file conversion failed");
    for (auto _ : state) {
        U1_SB b = in;
        benchmark::DoNotOptimize(U1_UmrFwaehrBwaehr(&b, &eb(), nullptr));
        benchmark::DoNotOptimize(b);
    }
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
    std::memcpy(b.RATE_USED, rate, 12);
    b.DEC_INDICATOR = '2';
    b.FIXED_RATE_FLAG = 'J';
    b.QUOTATION_USED = 'M';
    b.UNIT_EXPONENT = '0';
    std::memcpy(b.RETURN_CODE, "0000", 4);
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
    std::memcpy(b.RATE_USED, rate, 12);
    b.DEC_INDICATOR = '2';
    b.FIXED_RATE_FLAG = 'J';
    b.QUOTATION_USED = 'M';
    b.UNIT_EXPONENT = '0';
    std::memcpy(b.RETURN_CODE, "0000", 4);
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
    return 0;
}
