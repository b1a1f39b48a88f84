/* SPDX-License-Identifier: Apache-2.0 */
/* Calculator bridge: string entry points around the conversion kernel (libTarvon32.so). */
#ifndef TARVON32_H
#define TARVON32_H

#include <stdint.h>

#include "tarvo_export.h"

TARVO_EXTERN_C_BEGIN

/* File name under which a program loads the bridge with dlopen. */
#define TARVON32_LIBRARY_NAME "libTarvon32.so.1"

/* Minimum string lengths (characters before the NUL) of the caller's pre-filled buffers. */
#define TARVON32_ERROR_TEXT_MIN 66
#define TARVON32_AMOUNT_A_13_2_MIN 17
#define TARVON32_AMOUNT_A_15_0_MIN 16

/* The text VB_TarvonGetVersion writes (25 characters, the last a blank). */
#define TARVON32_VERSION_TEXT "TARVON32.DLL Version 3.e "

/*
 * Every argument is a NUL-terminated 8-bit string. Inputs are read up to their NUL; output
 * buffers are pre-filled by the caller (e.g. with blanks) to the length they can take, and the
 * bridge writes at most that many characters plus the NUL. Of rate_type, quotation*,
 * dec_flag_a only the first character is used; of dec_indicator only the first character is
 * written (no NUL after it).
 *
 * Result: 0 on success (261 also for U2 and U4: a fixed euro rate replaced the given rate), or
 * the number of the failing check, of the control-data loader or of the kernel. The bridge's
 * own checks return 400 (version longer than 2 characters), 444 (error_text shorter than 66
 * characters), 462 (an ISO code longer than 3 characters) and 403 (every other argument);
 * the loader adds 401, 441, 442, 444, 489 and the kernel the numbers of U1 to U4
 * (convkern.h). error_text
 * receives a numbered English message when a check of the bridge fails, and " " when all
 * checks pass. amount_a_13_2 (result with 2 decimals) or amount_a_15_0 (result without
 * decimals) and dec_indicator are written only on success.
 *
 * Amounts are read as decimal text: leading blanks, an optional sign, digits, ',' or '.' as
 * the decimal separator; the first character that does not belong to the number ends it.
 * Amounts keep at most 3 decimals and are rounded half up to 2; rates keep at most 8 and
 * are rounded half up to 7.
 */

/* Conversion between the base currency and another currency (kernel U1). Returns 0, 400,
   403, 444, 462 and the loader's and U1's numbers. */
TARVO_API int32_t VB_U1_UmrFwaehrBwaehr(const char* version, const char* application,
                                        const char* date, const char* rate_type,
                                        const char* iso_code_e, const char* iso_code_a,
                                        const char* booking_date, const char* amount_e,
                                        char* amount_a_13_2, char* amount_a_15_0,
                                        char* dec_indicator, char* error_text);

/* Conversion between the base currency and another currency with a given rate (kernel U2).
   Returns 0, 261, 400, 403, 444, 462 and the loader's and U2's numbers. */
TARVO_API int32_t VB_U2_UmrFwaehrBwaehrKv(const char* version, const char* application,
                                          const char* date, const char* iso_code_e,
                                          const char* iso_code_a, const char* amount_e,
                                          const char* rate, const char* rate_unit,
                                          const char* quotation, const char* dec_flag_a,
                                          char* amount_a_13_2, char* amount_a_15_0,
                                          char* dec_indicator, char* error_text);

/* Conversion between two currencies through the base currency (kernel U3). Returns 0, 400,
   403, 444, 462 and the loader's and U3's numbers. */
TARVO_API int32_t VB_U3_UmrFwaehrBwaehrFwaehr(const char* version, const char* application,
                                              const char* date, const char* rate_type,
                                              const char* iso_code_e, const char* iso_code_a,
                                              const char* booking_date, const char* amount_e,
                                              char* amount_a_13_2, char* amount_a_15_0,
                                              char* dec_indicator, char* error_text);

/* Conversion between two currencies through the base currency with given rates (kernel U4).
   Returns 0, 261, 400, 403, 444, 462 and the loader's and U4's numbers. */
TARVO_API int32_t VB_U4_UmrFwaehrBwaehrFwaehrKv(
    const char* version, const char* application, const char* date, const char* iso_code_e,
    const char* rate_e, const char* rate_unit_e, const char* quotation_e, const char* iso_code_a,
    const char* rate_a, const char* rate_unit_a, const char* quotation_a, const char* amount_e,
    const char* dec_flag_a, char* amount_a_13_2, char* amount_a_15_0, char* dec_indicator,
    char* error_text);

/* Writes TARVON32_VERSION_TEXT into buffer (string length at least 66): 0; 444 with a cut
   message 01 when the buffer is shorter; 403 when it holds fewer than 2 characters. */
TARVO_API int32_t VB_TarvonGetVersion(char* buffer);

/* Function types for programs that bind the bridge with dlopen/dlsym. */
typedef int32_t (*VB_U1_UmrFwaehrBwaehr_fn)(const char*, const char*, const char*, const char*,
                                            const char*, const char*, const char*, const char*,
                                            char*, char*, char*, char*);
typedef int32_t (*VB_U2_UmrFwaehrBwaehrKv_fn)(const char*, const char*, const char*, const char*,
                                              const char*, const char*, const char*, const char*,
                                              const char*, const char*, char*, char*, char*, char*);
typedef VB_U1_UmrFwaehrBwaehr_fn VB_U3_UmrFwaehrBwaehrFwaehr_fn;
typedef int32_t (*VB_U4_UmrFwaehrBwaehrFwaehrKv_fn)(const char*, const char*, const char*,
                                                    const char*, const char*, const char*,
                                                    const char*, const char*, const char*,
                                                    const char*, const char*, const char*,
                                                    const char*, char*, char*, char*, char*);
typedef int32_t (*VB_TarvonGetVersion_fn)(char*);

TARVO_EXTERN_C_END

#endif
