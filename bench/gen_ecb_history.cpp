// SPDX-License-Identifier: Apache-2.0
// Writes the generated full history (bench/history.h) as an eurofxref-hist.csv.
//
// Usage: gen_ecb_history [--days N] [--seed S] [-o FILE]   (default 6700 days, stdout)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "history.h"
#include "ratefile.h"

namespace {

[[noreturn]] void usage() {
    std::fprintf(stderr, "usage: gen_ecb_history [--days N] [--seed S] [-o FILE]\n");
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    long days = bench::kBusinessDays;
    unsigned long long seed = 1999;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (i + 1 >= argc)
            usage();
        if (a == "--days")
            days = std::strtol(argv[++i], nullptr, 10);
        else if (a == "--seed")
            seed = std::strtoull(argv[++i], nullptr, 10);
        else if (a == "-o")
            output = argv[++i];
        else
            usage();
    }
    if (days < 1 || days > 100000)
        usage();
    // Every column must be a currency the importer knows.
    for (const bench::Currency& c : bench::kCurrencies)
        if (!tarvo::ratefile::findCurrency(c.iso)) {
            std::fprintf(stderr, "gen_ecb_history: %s is not an ECB currency\n", c.iso);
            return 1;
        }

    const std::string out = bench::historyCsv(days, seed);

    std::FILE* f = output != nullptr ? std::fopen(output, "wb") : stdout;
    if (f == nullptr) {
        std::perror(output);
        return 1;
    }
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = (f == stdout ? std::fflush(f) == 0 : std::fclose(f) == 0) && ok;
    if (!ok) {
        std::fprintf(stderr, "gen_ecb_history: cannot write the output\n");
        return 1;
    }
    return 0;
}
