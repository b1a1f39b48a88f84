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
    PS_SB psSb{};
    PS_EB psEb{};
    int32_t word = 0;
    U3_SB block{};

    if (int32_t rc = Check_ErrorBuffer(error_text)) {
        return rc;
    }
    if (int32_t rc = Check_SB_Parameter(version, application, date, error_text)) {
        return rc;
    }
    if (int32_t rc = Check_U3_Parameter(rate_type, iso_code_e, iso_code_a, booking_date, amount_e,
                                        amount_a_13_2, amount_a_15_0, dec_indicator, error_text)) {
        return rc;
    }
    CopyErrorText(error_text, " ");

    Fill_SteuerBlock(psSb, version, application, date);
    FillBlockHead(&block);
    block.RATE_TYPE = rate_type[0];
    CopyWithNul(&block, offsetof(U3_SB, ISO_CODE_E), iso_code_e, 3);
    CopyWithNul(&block, offsetof(U3_SB, ISO_CODE_A), iso_code_a, 3);
    Conv_String_TO_tDate(block.BOOKING_DATE, booking_date);
    Conv_String_TO_taDez13p2(block.AMOUNT_E, amount_e);

    return LoadAndConvert(psSb, psEb, word, block, &U3_UmrFwaehrBwaehrFwaehr, false, amount_a_13_2,
                          amount_a_15_0, dec_indicator);
}
