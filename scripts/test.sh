#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite. Any finding or leak fails.
# Then the multi-threaded tests under ThreadSanitizer and a short run of every fuzz harness.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# Set before building too: test discovery runs the test programs at build time.
# The return-code table is exported, identically, by both ctrldata and convkern: ODR
# checking only reports duplicates of differing size (level 1).
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:detect_odr_violation=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp":print_suppressions=0
export QT_QPA_PLATFORM=offscreen

build=build-test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTARVO_SANITIZE=ON -DTARVO_BENCH=OFF \
  -DTARVO_ALLOC_FAILURE_HOOK=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

# The tests that run conversions on several threads at once, again under ThreadSanitizer.
# A second, small build: only these test programs and the libraries they need.
tsan=build-tsan
cmake -S . -B "$tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_TSAN=ON -DTARVO_GUI=OFF \
  -DTARVO_BENCH=OFF -DTARVO_ALLOC_FAILURE_HOOK=OFF >/dev/null
TSAN_OPTIONS=halt_on_error=1 cmake --build "$tsan" -j"$(nproc)" --target \
  test_kernel_threads test_ratesnapshot test_further_b1 ctrldata_tests test_tarvon32_bridge \
  test_libtarvo
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir "$tsan" --output-on-failure -j"$(nproc)" --timeout 900 --no-tests=error \
  -R 'Thread|Concurrent'

# Every fuzz harness for a short time on its seed corpus (clang, libFuzzer).
bash scripts/fuzz.sh 10

# The Debian packages: built, installed, used and removed again.
bash scripts/deb-test.sh

# The whole suite last, so that its summary closes the run.
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 900
