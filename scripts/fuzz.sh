#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the libFuzzer harnesses with clang and runs each on its seed corpus.
#   scripts/fuzz.sh [seconds-per-harness] [harness...]
# Findings are written to build-fuzz/findings/<harness>/; the run fails on the first one.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

seconds=${1:-60}
shift || true
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_FUZZ=ON \
  -DTARVO_TESTS=OFF -DTARVO_GUI=ON -DTARVO_ALLOC_FAILURE_HOOK=OFF >/dev/null
harnesses=("$@")
if ((${#harnesses[@]} == 0)); then
  harnesses=(fuzz_fields fuzz_arith fuzz_ctrlfile fuzz_ratefile fuzz_kernel fuzz_bridge fuzz_import
    fuzz_durable fuzz_settings fuzz_batch)
fi
cmake --build "$build" -j"$(nproc)" --target "${harnesses[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_odr_violation=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for h in "${harnesses[@]}"; do
  corpus=fuzz/corpus/$h
  work=$build/corpus/$h
  findings=$build/findings/$h
  mkdir -p "$work" "$findings"
  echo "== $h: ${seconds}s"
  # Work on a copy so that new inputs do not land in the repository's seed corpus.
  status=0
  "$build/fuzz/$h" -max_total_time="$seconds" -max_len=12400 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$corpus" >"$build/$h.log" 2>&1 ||
    status=$?
  grep -E '^#[0-9]+ +DONE|^stat::number_of_executed_units|^==[0-9]+==ERROR|^SUMMARY' \
    "$build/$h.log" || true
  if ((status != 0)) || ls "$findings"/* >/dev/null 2>&1; then
    tail -n 40 "$build/$h.log" >&2
    echo "finding in $h: $(ls "$findings")" >&2
    exit 1
  fi
done
