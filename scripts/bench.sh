#!/usr/bin/env bash
# Builds the kernel benchmark in release mode and runs it; extra arguments go to Google
# Benchmark (for example --benchmark_filter=U1).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTARVO_BENCH=ON -DTARVO_TESTS=OFF \
  -DTARVO_GUI=OFF >/dev/null
cmake --build "$build" --target bench_kernel -j"$(nproc)"
exec "$build/bin/bench_kernel" "$@"
