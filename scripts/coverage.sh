#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Line and branch coverage of the libraries and tarvo by the test suite (gcovr).
#   scripts/coverage.sh [ctest-regex]
# Never writes to a device: logs and reports go into the build folder.
# Builds build-coverage/ (Debug, --coverage, no sanitizers, with the allocation-failure hook),
# runs the tests (all, or those matching the regex), then prints one line and branch figure per
# part and writes build-coverage/coverage.html. No threshold: the figures are for reading.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

build=build-coverage
# gcov needs the absolute source names in the objects: no relative rewriting by ccache.
unset CCACHE_BASEDIR
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
mkdir -p "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTARVO_GUI=OFF -DTARVO_BENCH=OFF \
  -DTARVO_ALLOC_FAILURE_HOOK=ON -DCMAKE_C_FLAGS="--coverage -fprofile-update=atomic" \
  -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage \
  -DCMAKE_MODULE_LINKER_FLAGS=--coverage "${launcher[@]}" >"$build/configure.log"
cmake --build "$build" -j"$(nproc)"

# Counters from an earlier run would add up with this one.
find "$build" -name '*.gcda' -delete
export LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp":print_suppressions=0
if (($# > 0)); then
  ctest --test-dir "$build" -j"$(nproc)" -R "$1" --output-on-failure || true
else
  ctest --test-dir "$build" -j"$(nproc)" --output-on-failure || true
fi

# One figure per part: lines and branches of its own sources (tests excluded). Branches that
# only exception unwinding takes are left out, as they are not branches of the code. Counters
# are updated atomically (threads in the tests); a line gcov cannot parse is skipped.
printf '%-10s %8s %8s\n' part lines branches
for part in decarith ctrldata convkern Tarvon32 ratefile support tools; do
  gcovr -r . --object-directory "$build" --filter "$part/" --exclude-throw-branches \
    --exclude-unreachable-branches --gcov-ignore-parse-errors --print-summary -o "$build/gcovr-$part-files.txt" \
    >"$build/gcovr-$part.txt" 2>&1 || true
  out=$(grep -E '^(lines|branches):' "$build/gcovr-$part.txt" || true)
  lines=$(sed -n 's/^lines: *\([0-9.]*%\).*/\1/p' <<<"$out")
  branches=$(sed -n 's/^branches: *\([0-9.]*%\).*/\1/p' <<<"$out")
  printf '%-10s %8s %8s\n' "$part" "${lines:-n/a}" "${branches:-n/a}"
done
gcovr -r . --object-directory "$build" --exclude 'tests/' --exclude 'fuzz/' --exclude 'bench/' \
  --exclude 'examples/' --exclude-throw-branches --exclude-unreachable-branches \
  --gcov-ignore-parse-errors \
  --html-details "$build/coverage.html" --print-summary
