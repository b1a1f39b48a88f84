// The return-code table is exported by both the kernel and the control-data library on
// purpose; the sanitizer must not count that as an error in this program.
extern "C" const char* __asan_default_options();
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options() {
    return "detect_odr_violation=0";
}
