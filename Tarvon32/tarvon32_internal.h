/* SPDX-License-Identifier: Apache-2.0 */
// Bridge internals shared by the VB_U*, CONVERT and CHECK modules: messages, checks, conversions.
#ifndef TARVON32_INTERNAL_H
#define TARVON32_INTERNAL_H

#include <cstddef>
#include <cstdint>

#include "Tarvon32.h"
#include "convkern.h"
#include "ctrldata.h"
#include "returncode.h"

namespace tarvon32 {

// Slot widths: a 16-character amount field and a 12-character rate field, each with zero bytes.
inline constexpr std::size_t kAmountSlot = 18;
inline constexpr std::size_t kRateSlot = 14;

// Longest amount, rate or unit text the bridge reads.
inline constexpr std::size_t kMaxText = 255;

// ---- Return numbers of the bridge's own checks --------------------------------------------
inline constexpr int32_t kRcVersion =
    tarvo::rc::kVersionBlank; // requested control-data version too long
inline constexpr int32_t kRcParameter = tarvo::rc::kParameterWrong; // every other argument error
inline constexpr int32_t kRcErrorBuffer =
    tarvo::rc::kNoMemory; // error buffer shorter than 66 characters
inline constexpr int32_t kRcIsoCode =
    tarvo::rc::kIsoCombination; // ISO code longer than 3 characters
inline constexpr int32_t kRcRateIgnored =
    tarvo::rc::kRateIgnored; // U2/U4 success: a fixed euro rate was used

// ---- Messages ----------------------------------------------------------------------------
inline constexpr const char* kMsg01 = "01 Not enough space for error message";
inline constexpr const char* kMsg02 = "02 Version string is too long";
inline constexpr const char* kMsg03 = "03 Application name is too long";
inline constexpr const char* kMsg04 = "04 Invalid length of date";
inline constexpr const char* kMsg11 = "11 ISO_CODE_E is too long";
inline constexpr const char* kMsg12 = "12 ISO_CODE_A is too long";
inline constexpr const char* kMsg21 = "21 Input monetary sum has too much digits";
inline constexpr const char* kMsg22 = "22 Output monetary sum field (13,2) is too short";
inline constexpr const char* kMsg23 = "23 Output monetary sum field (15,0) is too short";
inline constexpr const char* kMsg30 = "30 Conversion rate has too much digits";
inline constexpr const char* kMsg40 = "40 Invalid price quotation";

inline constexpr const char* kVersionText = TARVON32_VERSION_TEXT;

// ---- CONVERT: text <-> field conversions --------------------------------------------------

// How a decimal text was read.
enum class TextStatus {
    Ok,          // a number was found
    Null,        // null pointer
    TooLong,     // more than kMaxText characters
    NoNumber,    // no digit at all (empty, letters, "inf", "nan", a lone sign or separator)
    ForeignForm, // hexadecimal or exponent notation, which the decimal rules do not read
};

// A decimal text split into its parts; the digit runs point into the caller's text.
struct DecimalText {
    bool negative = false;
    const char* intDigits = nullptr; // integer digits without leading zeros
    std::size_t intCount = 0;
    const char* fracDigits = nullptr; // every digit after the separator
    std::size_t fracCount = 0;
};

// Reads leading blanks, an optional sign, digits, an optional ',' or '.' and digits; stops at
// the first character that does not belong to the number.
TextStatus ReadDecimalText(const char* text, DecimalText& out);

// Text to taDez13p2 (sign, 13 + 2 digits, 2 zero bytes): at most three decimals are kept, then
// rounded half up to two. False (slot untouched) when the text is no amount or does not fit.
bool Conv_String_TO_taDez13p2(char* slot, const char* text);
// Text to taDez4p7 (sign, 4 + 7 digits, 2 zero bytes): at most eight decimals are kept, then
// rounded half up to seven. False (slot untouched) when the text is no rate or does not fit.
bool Conv_String_TO_taDez4p7(char* slot, const char* text);
// Copies exactly 8 characters; nothing when the text is null or of another length.
void Conv_String_TO_tDate(char* slot, const char* text);
// Field to text: sign, the digit bytes of the integer positions, '.', two decimals, NUL.
void Conv_taDez13p2_TO_String(char* buffer, const char* slot);
// Field to text: sign and the digit bytes of the 15 positions, NUL.
void Conv_taDez15p0_TO_String(char* buffer, const char* slot);
// Rate unit text ("1", "100", "1000") read like strtol; a value outside int16 gives 0, which
// the kernel rejects as a unit. False when the text is null or too long.
bool Conv_String_TO_Unit(int16_t& unit, const char* text);
// Replaces every occurrence of `from` by `to`, from the end of the string to its start.
void ReplaceChar(char* text, char from, char to);

// Fills PS_SB with block version, sender, requested version, application name and date.
void Fill_SteuerBlock(PS_SB& psSb, const char* version, const char* application, const char* date);
// Writes version "01" and sender "TARVON32" into a kernel block (the head is common).
void FillBlockHead(void* block);
// Copies a string of at most `maxLen` characters with its NUL to `offset` bytes into a block.
void CopyWithNul(void* block, std::size_t offset, const char* text, std::size_t maxLen);
// Stores a 16-bit rate unit little-endian `offset` bytes into a block.
void StoreUnit(void* block, std::size_t offset, int16_t unit);

// ---- CHECK: argument checks and the log writer --------------------------------------------

// strncpy-like copy of a message into the error buffer (count = its string length minus one).
void CopyErrorText(char* errorText, const char* message);
// Error-buffer capacity: 0 when it can take a message, else 403 (no text) or 444 (message 01).
int32_t Check_ErrorBuffer(char* errorText);
int32_t Check_SB_Parameter(const char* version, const char* application, const char* date,
                           char* errorText);
bool Check_Dez13p2(const char* text);
bool Check_Dez4p7(const char* text);

// Arguments of U1 and U3 (same order and meaning).
int32_t Check_U1_Parameter(const char* rateType, const char* isoCodeE, const char* isoCodeA,
                           const char* bookingDate, const char* amountE, const char* amountA13p2,
                           const char* amountA15p0, const char* decIndicator, char* errorText);
int32_t Check_U2_Parameter(const char* isoCodeE, const char* isoCodeA, const char* amountE,
                           const char* rate, const char* rateUnit, const char* quotation,
                           const char* decFlagA, const char* amountA13p2, const char* amountA15p0,
                           const char* decIndicator, char* errorText);
int32_t Check_U4_Parameter(const char* isoCodeE, const char* rateE, const char* rateUnitE,
                           const char* quotationE, const char* isoCodeA, const char* rateA,
                           const char* rateUnitA, const char* quotationA, const char* amountE,
                           const char* decFlagA, const char* amountA13p2, const char* amountA15p0,
                           const char* decIndicator, char* errorText);

// Full path of the bridge's log file in the per-user state folder; empty when unknown.
bool LogFilePath(char* path, std::size_t size);
// Appends "<asctime>> <message>\n" to the log; 1 when written, 0 when the file cannot be opened.
int WriteLogging(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Steps after the checks: load the control data afresh, call the kernel and, on success (0, or
// 261 where a fixed rate may replace a given one), write exactly one amount buffer and the
// decimals indicator. Loader and kernel failures leave every output untouched.
template <class Block>
int32_t LoadAndConvert(PS_SB& psSb, PS_EB& psEb, int32_t& word, Block& block,
                       int32_t (*kernel)(Block*, const void*, void*), bool warningIsSuccess,
                       char* amountA13p2, char* amountA15p0, char* decIndicator) {
    const int32_t loaded = PS_LesenTarvoDaten(&psSb, &word, &psEb);
    if (loaded != 0) {
        return loaded;
    }
    const int32_t rc = kernel(&block, &psEb, &word);
    if (rc == 0 || (warningIsSuccess && rc == kRcRateIgnored)) {
        if (block.DEC_INDICATOR == '2') {
            Conv_taDez13p2_TO_String(amountA13p2, block.AMOUNT_A_13_2);
        } else {
            Conv_taDez15p0_TO_String(amountA15p0, block.AMOUNT_A_15_0);
        }
        decIndicator[0] = block.DEC_INDICATOR;
    }
    return rc;
}

// The whole of VB_U1 and VB_U3, which take the same arguments and differ only in the kernel
// they call: check the arguments, fill the block and convert with the rates of the rate file.
template <class Block>
int32_t ConvertWithFileRates(int32_t (*kernel)(Block*, const void*, void*), const char* version,
                             const char* application, const char* date, const char* rateType,
                             const char* isoCodeE, const char* isoCodeA, const char* bookingDate,
                             const char* amountE, char* amountA13p2, char* amountA15p0,
                             char* decIndicator, char* errorText) {
    PS_SB psSb{};
    PS_EB psEb{};
    int32_t word = 0;
    Block block{};

    if (int32_t rc = Check_ErrorBuffer(errorText)) {
        return rc;
    }
    if (int32_t rc = Check_SB_Parameter(version, application, date, errorText)) {
        return rc;
    }
    if (int32_t rc = Check_U1_Parameter(rateType, isoCodeE, isoCodeA, bookingDate, amountE,
                                        amountA13p2, amountA15p0, decIndicator, errorText)) {
        return rc;
    }
    CopyErrorText(errorText, " ");

    Fill_SteuerBlock(psSb, version, application, date);
    FillBlockHead(&block);
    block.RATE_TYPE = rateType[0];
    CopyWithNul(&block, offsetof(Block, ISO_CODE_E), isoCodeE, 3);
    CopyWithNul(&block, offsetof(Block, ISO_CODE_A), isoCodeA, 3);
    Conv_String_TO_tDate(block.BOOKING_DATE, bookingDate);
    Conv_String_TO_taDez13p2(block.AMOUNT_E, amountE);

    return LoadAndConvert(psSb, psEb, word, block, kernel, false, amountA13p2, amountA15p0,
                          decIndicator);
}

} // namespace tarvon32

#endif
