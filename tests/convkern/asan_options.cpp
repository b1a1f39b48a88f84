// SPDX-License-Identifier: Apache-2.0
// The return-code table is exported, identically, by both the kernel and the control-data
// library: ODR checking reports only duplicates of differing size (level 1), also when the
// program runs without ASAN_OPTIONS (test discovery at build time).
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options();
extern "C" const char* __asan_default_options() {
    return "detect_odr_violation=1";
}
