// SPDX-License-Identifier: Apache-2.0
// ap600rc: the exported return-code symbols, generated from support/returncode_table.h;
// compiled into both libctrldata and libconvkern.
#include "returncode.h"
#include "returncodes.h"

#include <type_traits>

// Each row's symbol must be declared in the public header with its type.
#define TARVO_RC(number, symbol, text, name, german, english)                                      \
    static_assert(std::is_same_v<decltype(::symbol), const char*>, #symbol);
#include "returncode_table.h"
#undef TARVO_RC

TARVO_EXTERN_C_BEGIN
#define TARVO_RC(number, symbol, text, name, german, english) TARVO_API const char* symbol = text;
#include "returncode_table.h"
#undef TARVO_RC
TARVO_EXTERN_C_END

namespace tarvo::rc {

const char* exportedCode(int32_t number) {
    switch (number) {
#define TARVO_RC(number, symbol, text, name, german, english)                                      \
    case number:                                                                                   \
        return ::symbol;
#include "returncode_table.h"
#undef TARVO_RC
    default:
        return nullptr;
    }
}

} // namespace tarvo::rc
