// SPDX-License-Identifier: Apache-2.0
// VB_U2: the bridge entry point for kernel U2 (conversion with a given rate).
#include "Tarvon32.h"
#include "tarvon32_internal.h"

#include <type_traits>

using namespace tarvon32;

static_assert(std::is_same_v<decltype(&VB_U2_UmrFwaehrBwaehrKv), VB_U2_UmrFwaehrBwaehrKv_fn>);

int32_t VB_U2_UmrFwaehrBwaehrKv(const char* version, const char* application, const char* date,
                                const char* iso_code_e, const char* iso_code_a,
                                const char* amount_e, const char* rate, const char* rate_unit,
                                const char* quotation, const char* dec_flag_a, char* amount_a_13_2,
                                char* amount_a_15_0, char* dec_indicator, char* error_text) {
    PS_SB psSb{};
    PS_EB psEb{};
    int32_t word = 0;
    U2_SB block{};

    if (int32_t rc = Check_ErrorBuffer(error_text)) {
        return rc;
    }
    if (int32_t rc = Check_SB_Parameter(version, application, date, error_text)) {
        return rc;
    }
    if (int32_t rc = Check_U2_Parameter(iso_code_e, iso_code_a, amount_e, rate, rate_unit,
                                        quotation, dec_flag_a, amount_a_13_2, amount_a_15_0,
                                        dec_indicator, error_text)) {
        return rc;
    }
    CopyErrorText(error_text, " ");

    Fill_SteuerBlock(psSb, version, application, date);
    FillBlockHead(&block);
    CopyWithNul(&block, offsetof(U2_SB, ISO_CODE_E), iso_code_e, 3);
    CopyWithNul(&block, offsetof(U2_SB, ISO_CODE_A), iso_code_a, 3);
    Conv_String_TO_taDez13p2(block.AMOUNT_E, amount_e);
    Conv_String_TO_taDez4p7(block.RATE, rate);
    int16_t unit = 0;
    Conv_String_TO_Unit(unit, rate_unit);
    StoreUnit(&block, offsetof(U2_SB, RATE_UNIT), unit);
    block.QUOTATION = quotation[0];
    block.DEC_FLAG_A = dec_flag_a[0];

    return LoadAndConvert(psSb, psEb, word, block, &U2_UmrFwaehrBwaehrKv, true, amount_a_13_2,
                          amount_a_15_0, dec_indicator);
}
