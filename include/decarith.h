/* SPDX-License-Identifier: Apache-2.0 */
/* Exact decimal arithmetic: work cells, field texts, arithmetic, allocation, code tables. */
#ifndef DECARITH_H
#define DECARITH_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "tarvo_export.h"

TARVO_EXTERN_C_BEGIN

/* Sign byte values of a cell. Readers treat any non-zero sign byte as negative. */
#define AR_SIGN_POS 0x00u
#define AR_SIGN_NEG 0xFFu

/* Decimal work cell of up to 32 digits. Value = (-1 if sign) * sum(digits[i] * 10^i) / 10^scale.
   digits[] holds binary 0..9, least significant first; count 0 means zero. */
typedef struct Dez32 {
    uint8_t sign;
    uint8_t scale;
    uint8_t count;
    uint8_t digits[32];
    uint8_t spare;
} Dez32;

/* Decimal work cell of up to 64 digits, same rules as Dez32. */
typedef struct Dez64 {
    uint8_t sign;
    uint8_t scale;
    uint8_t count;
    uint8_t digits[64];
    uint8_t spare;
} Dez64;

/* Unsigned digit string; count never includes zero digits at the top. */
typedef struct UIntDez32 {
    uint8_t count;
    uint8_t digits[32];
    uint8_t spare;
} UIntDez32;

typedef struct UIntDez64 {
    uint8_t count;
    uint8_t digits[64];
    uint8_t spare;
} UIntDez64;

TARVO_STATIC_ASSERT(sizeof(Dez32) == 36, "Dez32 is 36 bytes");
TARVO_STATIC_ASSERT(offsetof(Dez32, sign) == 0, "Dez32.sign");
TARVO_STATIC_ASSERT(offsetof(Dez32, scale) == 1, "Dez32.scale");
TARVO_STATIC_ASSERT(offsetof(Dez32, count) == 2, "Dez32.count");
TARVO_STATIC_ASSERT(offsetof(Dez32, digits) == 3, "Dez32.digits");
TARVO_STATIC_ASSERT(offsetof(Dez32, spare) == 35, "Dez32.spare");
TARVO_STATIC_ASSERT(sizeof(Dez64) == 68, "Dez64 is 68 bytes");
TARVO_STATIC_ASSERT(offsetof(Dez64, sign) == 0, "Dez64.sign");
TARVO_STATIC_ASSERT(offsetof(Dez64, scale) == 1, "Dez64.scale");
TARVO_STATIC_ASSERT(offsetof(Dez64, count) == 2, "Dez64.count");
TARVO_STATIC_ASSERT(offsetof(Dez64, digits) == 3, "Dez64.digits");
TARVO_STATIC_ASSERT(offsetof(Dez64, spare) == 67, "Dez64.spare");
TARVO_STATIC_ASSERT(sizeof(UIntDez32) == 34, "UIntDez32 is 34 bytes");
TARVO_STATIC_ASSERT(offsetof(UIntDez32, count) == 0, "UIntDez32.count");
TARVO_STATIC_ASSERT(offsetof(UIntDez32, digits) == 1, "UIntDez32.digits");
TARVO_STATIC_ASSERT(offsetof(UIntDez32, spare) == 33, "UIntDez32.spare");
TARVO_STATIC_ASSERT(sizeof(UIntDez64) == 66, "UIntDez64 is 66 bytes");
TARVO_STATIC_ASSERT(offsetof(UIntDez64, count) == 0, "UIntDez64.count");
TARVO_STATIC_ASSERT(offsetof(UIntDez64, digits) == 1, "UIntDez64.digits");
TARVO_STATIC_ASSERT(offsetof(UIntDez64, spare) == 65, "UIntDez64.spare");

/* Field texts: sign character, N integer and M decimal ASCII digits, implied point after the
   N-th digit. Each type is the size of the block a writer allocates (the text plus zero bytes),
   which is also the slot width in parameter blocks. *_LEN is the number of characters. */
typedef char taDez15p0[18];
typedef char taDez14p1[18];
typedef char taDez13p2[18];
typedef char taDez12p3[18];
typedef char taDez11p4[18];
typedef char taDez10p5[18];
typedef char taDez9p6[18];
typedef char taDez4p7[14];
typedef char taDez5p0[8];
typedef char taDez2p5[10];
typedef char taDez1p6[10];

#define TADEZ15P0_LEN 16
#define TADEZ14P1_LEN 16
#define TADEZ13P2_LEN 16
#define TADEZ12P3_LEN 16
#define TADEZ11P4_LEN 16
#define TADEZ10P5_LEN 16
#define TADEZ9P6_LEN 16
#define TADEZ4P7_LEN 12
#define TADEZ5P0_LEN 6
#define TADEZ2P5_LEN 8
#define TADEZ1P6_LEN 8

TARVO_STATIC_ASSERT(sizeof(taDez13p2) == 18, "amount slot is 18 bytes");
TARVO_STATIC_ASSERT(sizeof(taDez4p7) == 14, "rate slot is 14 bytes");
TARVO_STATIC_ASSERT(sizeof(taDez1p6) == 10, "rounding-difference slot is 10 bytes");

/* ---- Allocation and trace (every result below is released with AR_Delete_) ---- */

/* New zero-filled block of size bytes, or null (size below 0, or no memory). */
TARVO_API void* AR_New_(int32_t size);
/* Releases a block from AR_New_; null is ignored. Returns 0. */
TARVO_API int32_t AR_Delete_(void* block);
/* Trace entry point: 12-character label, block length, block. Always returns 0. */
TARVO_API int32_t WriteLog(const char* label, int32_t length, const void* data);

/* ---- Field text to cell. Argument: the sign character of the field. Null on failure. ---- */

TARVO_API Dez32* AR_Dez15p0_Dez32(const char* field);
TARVO_API Dez64* AR_Dez15p0_Dez64(const char* field);
TARVO_API Dez32* AR_Dez14p1_Dez32(const char* field);
TARVO_API Dez64* AR_Dez14p1_Dez64(const char* field);
TARVO_API Dez32* AR_Dez13p2_Dez32(const char* field);
TARVO_API Dez64* AR_Dez13p2_Dez64(const char* field);
TARVO_API Dez32* AR_Dez12p3_Dez32(const char* field);
TARVO_API Dez64* AR_Dez12p3_Dez64(const char* field);
TARVO_API Dez32* AR_Dez11p4_Dez32(const char* field);
TARVO_API Dez64* AR_Dez11p4_Dez64(const char* field);
TARVO_API Dez32* AR_Dez10p5_Dez32(const char* field);
TARVO_API Dez64* AR_Dez10p5_Dez64(const char* field);
TARVO_API Dez32* AR_Dez9p6_Dez32(const char* field);
TARVO_API Dez64* AR_Dez9p6_Dez64(const char* field);
TARVO_API Dez32* AR_Dez4p7_Dez32(const char* field);
TARVO_API Dez64* AR_Dez4p7_Dez64(const char* field);
TARVO_API Dez32* AR_Dez5p0_Dez32(const char* field);
TARVO_API Dez64* AR_Dez5p0_Dez64(const char* field);
TARVO_API Dez32* AR_Dez2p5_Dez32(const char* field);
TARVO_API Dez64* AR_Dez2p5_Dez64(const char* field);
TARVO_API Dez32* AR_Dez1p6_Dez32(const char* field);
TARVO_API Dez64* AR_Dez1p6_Dez64(const char* field);

/* ---- Cell to field text: new zero-terminated block of the field's slot size, rounded half
   away from zero to the field's decimals; null when the integer part does not fit. ---- */

TARVO_API char* AR_Dez32_Dez15p0(const Dez32* v);
TARVO_API char* AR_Dez64_Dez15p0(const Dez64* v);
TARVO_API char* AR_Dez32_Dez14p1(const Dez32* v);
TARVO_API char* AR_Dez64_Dez14p1(const Dez64* v);
TARVO_API char* AR_Dez32_Dez13p2(const Dez32* v);
TARVO_API char* AR_Dez64_Dez13p2(const Dez64* v);
TARVO_API char* AR_Dez32_Dez12p3(const Dez32* v);
TARVO_API char* AR_Dez64_Dez12p3(const Dez64* v);
TARVO_API char* AR_Dez32_Dez11p4(const Dez32* v);
TARVO_API char* AR_Dez64_Dez11p4(const Dez64* v);
TARVO_API char* AR_Dez32_Dez10p5(const Dez32* v);
TARVO_API char* AR_Dez64_Dez10p5(const Dez64* v);
TARVO_API char* AR_Dez32_Dez9p6(const Dez32* v);
TARVO_API char* AR_Dez64_Dez9p6(const Dez64* v);
TARVO_API char* AR_Dez32_Dez4p7(const Dez32* v);
TARVO_API char* AR_Dez64_Dez4p7(const Dez64* v);
TARVO_API char* AR_Dez32_Dez5p0(const Dez32* v);
TARVO_API char* AR_Dez64_Dez5p0(const Dez64* v);
TARVO_API char* AR_Dez32_Dez2p5(const Dez32* v);
TARVO_API char* AR_Dez64_Dez2p5(const Dez64* v);
TARVO_API char* AR_Dez32_Dez1p6(const Dez32* v);
TARVO_API char* AR_Dez64_Dez1p6(const Dez64* v);

/* ---- Width changes, digit strings, text ---- */

TARVO_API Dez64* AR_Dez32_Dez64(const Dez32* v);
/* Rounds to fit 32 digits; null with more than 32 integer digits. */
TARVO_API Dez32* AR_Dez64_Dez32(const Dez64* v);
TARVO_API UIntDez32* AR_Dez32_UIntDez32(const Dez32* v);
TARVO_API UIntDez64* AR_Dez64_UIntDez64(const Dez64* v);
TARVO_API Dez32* AR_UIntDez32_Dez32(const UIntDez32* u);
TARVO_API Dez64* AR_UIntDez64_Dez64(const UIntDez64* u);
/* Zero-terminated text such as -1234.56; non-digits other than "+", "-", "." are skipped. */
TARVO_API Dez32* AR_Asci_Dez32(const char* text);
TARVO_API Dez64* AR_Asci_Dez64(const char* text);

/* ---- Arithmetic. Results are new cells; null means null argument, no memory or overflow
   of the limits. *overflow (may be null) is 0, or 1 when the sum lost its top digit. ---- */

TARVO_API Dez32* AR_Dez32Add(const Dez32* a, const Dez32* b, int32_t* overflow);
TARVO_API Dez64* AR_Dez64Add(const Dez64* a, const Dez64* b, int32_t* overflow);
TARVO_API Dez32* AR_Dez32Sub(const Dez32* a, const Dez32* b, int32_t* overflow);
TARVO_API Dez64* AR_Dez64Sub(const Dez64* a, const Dez64* b, int32_t* overflow);
/* Exact product as a Dez64. */
TARVO_API Dez64* AR_Dez32Mul(const Dez32* a, const Dez32* b);
/* Quotient cut toward zero to d decimals as a Dez64; null when b is zero. */
TARVO_API Dez64* AR_Dez32Div(const Dez32* a, const Dez32* b, int32_t d);
/* Half away from zero to at most d decimals. */
TARVO_API Dez32* AR_Dez32Round(const Dez32* v, int32_t d);
TARVO_API Dez64* AR_Dez64Round(const Dez64* v, int32_t d);
/* Cut toward zero to at most d decimals. */
TARVO_API Dez32* AR_Dez32Trunc(const Dez32* v, int32_t d);
TARVO_API Dez64* AR_Dez64Trunc(const Dez64* v, int32_t d);
/* v * 10^n and v / 10^n. */
TARVO_API Dez32* AR_Dez32Mul_Nmal10(const Dez32* v, int32_t n);
TARVO_API Dez64* AR_Dez64Mul_Nmal10(const Dez64* v, int32_t n);
TARVO_API Dez32* AR_Dez32Div_Nmal10(const Dez32* v, int32_t n);
TARVO_API Dez64* AR_Dez64Div_Nmal10(const Dez64* v, int32_t n);
/* -1, 0, 1; -1 also for a null argument or no memory. */
TARVO_API int32_t AR_Dez32Compare(const Dez32* a, const Dez32* b);
TARVO_API int32_t AR_Dez64Compare(const Dez64* a, const Dez64* b);
/* acc := acc + x; returns 0, or 1 with acc unchanged when the sum does not fit or fails. */
TARVO_API int32_t AR_Dez32Inc(Dez32* acc, const Dez32* x);
TARVO_API int32_t AR_Dez64Inc(Dez64* acc, const Dez64* x);
/* Flips the sign byte in place; returns v. */
TARVO_API Dez32* AR_Invert32_(Dez32* v);
TARVO_API Dez64* AR_Invert64_(Dez64* v);

/* ---- Digit-string operations ---- */

TARVO_API UIntDez32* AR_UINTDez32Add(const UIntDez32* p, const UIntDez32* q, int32_t* overflow);
TARVO_API UIntDez64* AR_UINTDez64Add(const UIntDez64* p, const UIntDez64* q, int32_t* overflow);
/* |p - q|; *sign = 0 if p >= q, else -1. */
TARVO_API UIntDez32* AR_UINTDez32Sub(const UIntDez32* p, const UIntDez32* q, int32_t* sign);
TARVO_API UIntDez64* AR_UINTDez64Sub(const UIntDez64* p, const UIntDez64* q, int32_t* sign);
/* Moves count digits up by n places and zeroes the n lowest; the caller guarantees room for
   count + n digits. Returns digits (null for a null pointer). */
TARVO_API uint8_t* AR_ShiftLeft(uint8_t* digits, int32_t count, int32_t n);
/* Compares count digits from the top; -1, 0, 1 (-1 for a null pointer). */
TARVO_API int32_t AR_CompareDigits(const uint8_t* l, const uint8_t* r, int32_t count);

/* ---- Code tables and file conversion ---- */

/* Lists of (from, to) byte pairs ended by a pair whose first byte is 0x00. */
TARVO_API extern const unsigned char e2a[];
TARVO_API extern const unsigned char a2e[];

/* Prepares the control-data file (TARVO_STEUDAT or "TARVO.DAT"): converts a file that starts
   with the marker (eight ";" in ASCII or EBCDIC) to ASCII and CR LF line ends by writing a
   temporary file in the same folder and renaming it over the original. Returns 0, 489 when the
   file cannot be opened, read, replaced or does not start with the marker, or the OR of the
   conversion results below. The argument is reserved and ignored. */
TARVO_API int32_t AR_ConvertFile(int32_t reserved);
/* Translate a whole file opened for reading and writing, in place. 0, or 0xFFFF on failure. */
TARVO_API uint32_t AR_Ebcdic2Asci(FILE* file);
TARVO_API uint32_t AR_Asci2Ebcdic(FILE* file);
/* Rewrites an open file so that every line ends in CR LF. 0, or 0xFFFF0000 on failure. */
TARVO_API uint32_t AR_ConvertFileFormat(FILE* file);

TARVO_EXTERN_C_END

#endif
