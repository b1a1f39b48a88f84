// SPDX-License-Identifier: Apache-2.0
// Fuzzes the reading of batch input: CSV records, quoting, line ends, comments, the bound on
// record length. The first byte picks the delimiter and the size of the pieces the rest is
// fed in; the records must not depend on how the input is cut, every field handed over must
// be valid UTF-8 without NUL, and an overlong record is a FileError, nothing else.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common.h"
#include "csv_input.h"

namespace {

struct Outcome {
    std::vector<std::string> records;
    bool tooLong = false;
};

Outcome readAll(std::string_view input, char delimiter, std::size_t piece) {
    namespace tool = tarvo::tool;
    Outcome out;
    tool::CsvReader reader(delimiter, [&](const tool::CsvRecord& r) {
        std::string s = std::to_string(static_cast<int>(r.kind)) + ":" + std::to_string(r.line) +
                        ":" + r.error + ":";
        if (r.kind == tool::CsvRecord::Kind::Data) {
            for (std::string_view f : r.fields) {
                if (std::memchr(f.data(), '\0', f.size()) != nullptr || !tool::validUtf8(f))
                    __builtin_trap();
                s += std::to_string(f.size()) + "=" + std::string(f);
            }
        } else {
            s += r.raw;
        }
        out.records.push_back(std::move(s));
    });
    try {
        for (std::size_t at = 0; at < input.size(); at += piece)
            reader.feed(input.substr(at, piece));
        reader.finish();
    } catch (const tool::FileError&) {
        out.tooLong = true;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static const char delimiters[] = {',', ';', '\t'};
    const char delimiter = delimiters[data[0] % 3];
    const std::size_t piece = 1 + data[0] / 3 % 17;
    std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const Outcome whole = readAll(input, delimiter, input.size() + 1);
    const Outcome cut = readAll(input, delimiter, piece);
    if (whole.tooLong != cut.tooLong || (!whole.tooLong && whole.records != cut.records))
        __builtin_trap();
    return 0;
}
