// SPDX-License-Identifier: Apache-2.0
// VB_U1: the bridge entry point for kernel U1 and the version text of the library.
#include "Tarvon32.h"
#include "tarvon32_internal.h"

#include <cstring>
#include <type_traits>

using namespace tarvon32;

static_assert(std::is_same_v<decltype(&VB_U1_UmrFwaehrBwaehr), VB_U1_UmrFwaehrBwaehr_fn>);
static_assert(std::is_same_v<decltype(&VB_TarvonGetVersion), VB_TarvonGetVersion_fn>);

int32_t VB_U1_UmrFwaehrBwaehr(const char* version, const char* application, const char* date,
                              const char* rate_type, const char* iso_code_e, const char* iso_code_a,
                              const char* booking_date, const char* amount_e, char* amount_a_13_2,
                              char* amount_a_15_0, char* dec_indicator, char* error_text) {
    return ConvertWithFileRates(&U1_UmrFwaehrBwaehr, version, application, date, rate_type,
                                iso_code_e, iso_code_a, booking_date, amount_e, amount_a_13_2,
                                amount_a_15_0, dec_indicator, error_text);
}

int32_t VB_TarvonGetVersion(char* buffer) {
    if (buffer == nullptr) {
        return kRcParameter;
    }
    const std::size_t length = std::strlen(buffer);
    if (length < 2) {
        return kRcParameter;
    }
    if (length - 1 < 65) {
        CopyErrorText(buffer, kMsg01);
        return kRcErrorBuffer;
    }
    std::memcpy(buffer, kVersionText, std::strlen(kVersionText) + 1);
    return 0;
}
