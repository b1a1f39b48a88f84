#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the benchmarks in release mode and runs them: the kernel benchmark (extra arguments
# go to Google Benchmark, for example --benchmark_filter=U1), then the calculator's keypress.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTARVO_BENCH=ON -DTARVO_TESTS=OFF -DTARVO_GUI=ON >/dev/null
cmake --build "$build" --target bench_kernel bench_calculator -j"$(nproc)"
"$build/bin/bench_kernel" "$@"
QT_QPA_PLATFORM=offscreen "$build/bin/bench_calculator"
