// SPDX-License-Identifier: Apache-2.0
// VB_U3: the bridge entry point for kernel U3 (triangulation between two currencies).
#include "Tarvon32.h"
#include "tarvon32_internal.h"

#include <type_traits>

using namespace tarvon32;

static_assert(
    std::is_same_v<decltype(&VB_U3_UmrFwaehrBwaehrFwaehr), VB_U3_UmrFwaehrBwaehrFwaehr_fn>);

int32_t VB_U3_UmrFwaehrBwaehrFwaehr(const char* version, const char* application, const char* date,
                                    const char* rate_type, const char* iso_code_e,
                                    const char* iso_code_a, const char* booking_date,
                                    const char* amount_e, char* amount_a_13_2, char* amount_a_15_0,
                                    char* dec_indicator, char* error_text) {
    return ConvertWithFileRates(&U3_UmrFwaehrBwaehrFwaehr, version, application, date, rate_type,
                                iso_code_e, iso_code_a, booking_date, amount_e, amount_a_13_2,
                                amount_a_15_0, dec_indicator, error_text);
}
