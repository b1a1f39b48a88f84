// SPDX-License-Identifier: Apache-2.0
// VB_U4: the bridge entry point for kernel U4 (triangulation with two given rates).
#include "Tarvon32.h"
#include "tarvon32_internal.h"

#include <type_traits>

using namespace tarvon32;

static_assert(
    std::is_same_v<decltype(&VB_U4_UmrFwaehrBwaehrFwaehrKv), VB_U4_UmrFwaehrBwaehrFwaehrKv_fn>);

int32_t VB_U4_UmrFwaehrBwaehrFwaehrKv(const char* version, const char* application,
                                      const char* date, const char* iso_code_e, const char* rate_e,
                                      const char* rate_unit_e, const char* quotation_e,
                                      const char* iso_code_a, const char* rate_a,
                                      const char* rate_unit_a, const char* quotation_a,
                                      const char* amount_e, const char* dec_flag_a,
                                      char* amount_a_13_2, char* amount_a_15_0, char* dec_indicator,
                                      char* error_text) {
    PS_SB psSb{};
    PS_EB psEb{};
    int32_t word = 0;
    U4_SB block{};

    if (int32_t rc = Check_ErrorBuffer(error_text)) {
        return rc;
    }
    if (int32_t rc = Check_SB_Parameter(version, application, date, error_text)) {
        return rc;
    }
    if (int32_t rc = Check_U4_Parameter(iso_code_e, rate_e, rate_unit_e, quotation_e, iso_code_a,
                                        rate_a, rate_unit_a, quotation_a, amount_e, dec_flag_a,
                                        amount_a_13_2, amount_a_15_0, dec_indicator, error_text)) {
        return rc;
    }
    CopyErrorText(error_text, " ");

    Fill_SteuerBlock(psSb, version, application, date);
    FillBlockHead(&block);
    CopyWithNul(&block, offsetof(U4_SB, ISO_CODE_E), iso_code_e, 3);
    Conv_String_TO_taDez4p7(block.RATE_E, rate_e);
    int16_t unit = 0;
    Conv_String_TO_Unit(unit, rate_unit_e);
    StoreUnit(&block, offsetof(U4_SB, RATE_UNIT_E), unit);
    block.QUOTATION_E = quotation_e[0];
    CopyWithNul(&block, offsetof(U4_SB, ISO_CODE_A), iso_code_a, 3);
    Conv_String_TO_taDez4p7(block.RATE_A, rate_a);
    unit = 0;
    Conv_String_TO_Unit(unit, rate_unit_a);
    StoreUnit(&block, offsetof(U4_SB, RATE_UNIT_A), unit);
    block.QUOTATION_A = quotation_a[0];
    Conv_String_TO_taDez13p2(block.AMOUNT_E, amount_e);
    block.DEC_FLAG_A = dec_flag_a[0];

    return LoadAndConvert(psSb, psEb, word, block, &U4_UmrFwaehrBwaehrFwaehrKv, true, amount_a_13_2,
                          amount_a_15_0, dec_indicator);
}
