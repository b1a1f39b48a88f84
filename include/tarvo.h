/* SPDX-License-Identifier: Apache-2.0 */
/* libtarvo: conversions with plain decimal strings. Open a context once (control data, rate
 * file), then convert amounts such as "-1234.56" between ISO currency codes. Every result
 * comes back as decimal text with the rate used, where it came from and the kernel's code.
 * Plain C; link with `pkg-config --cflags --libs tarvo` or CMake's Tarvo::tarvo. */
#ifndef TARVO_H
#define TARVO_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define TARVO_PUBLIC __attribute__((visibility("default")))
#else
#define TARVO_PUBLIC
#endif

/* ---- codes ----
 * 0 success, 261 success (a fixed euro rate replaced a given rate), 443 opened with the
 * default application entry; every other kernel code (400..527) is the kernel's failure.
 * Codes from 1000 are this library's own checks of its arguments; nothing is rounded or cut:
 * an argument that does not fit is refused with one of them. */
enum {
    TARVO_OK = 0,
    TARVO_RATE_IGNORED = 261,         /* success: the fixed euro rate was used instead */
    TARVO_DEFAULT_ENTRY = 443,        /* tarvo_open: application not found, default entry used */
    TARVO_E_ARGUMENT = 1000,          /* null pointer where a value is needed */
    TARVO_E_NO_MEMORY = 1001,         /* allocation failed */
    TARVO_E_AMOUNT_EMPTY = 1010,      /* empty text */
    TARVO_E_AMOUNT_SPACE = 1011,      /* blank or control character anywhere */
    TARVO_E_AMOUNT_SIGN = 1012,       /* sign not in front, or more than one */
    TARVO_E_AMOUNT_DIGITS = 1013,     /* no digit, or none before or after the point ("1.", ".5") */
    TARVO_E_AMOUNT_POINT = 1014,      /* more than one decimal point */
    TARVO_E_AMOUNT_CHAR = 1015,       /* character other than digit, sign, point ("1,5", "1e3") */
    TARVO_E_AMOUNT_INTEGER = 1016,    /* too many integer digits (13; 11 for four decimals) */
    TARVO_E_AMOUNT_DECIMALS = 1017,   /* too many nonzero decimals (2; 4 for four decimals) */
    TARVO_E_CURRENCY = 1020,          /* currency code not three letters A-Z */
    TARVO_E_DATE = 1021,              /* date not a valid YYYYMMDD or YYYY-MM-DD */
    TARVO_E_OPTION = 1022,            /* rate type, print flag, method or unit not allowed */
    TARVO_E_RATE = 1023,              /* given rate not a decimal of 4 integer digits, 7 decimals */
    TARVO_E_COUNT = 1024,             /* array count negative or too large */
    TARVO_E_CONTROL_FILE = 1030,      /* control-data file named but missing */
    TARVO_E_NAME = 1031,              /* version longer than 2 or application longer than 8 */
    TARVO_E_RATE_FILE_CONFLICT = 1032 /* another open context uses a different rate file */
};

/* ---- context ---- */
typedef struct tarvo_context tarvo_context;

typedef struct tarvo_options {
    /* Control data: the built-in record when builtin is nonzero; else control_file when not
       null (it must exist); else $TARVO_STEUDAT, else TARVO.DAT in the current folder, else the
       built-in record. */
    int builtin;
    const char* control_file;
    const char* version;        /* control-data version, null or "" = first block */
    const char* application;    /* application entry, null or "" = default entry */
    const char* reference_date; /* default reference date, null = today */
    /* Rate file for market rates; null = $TARVO_WAEHKURS, else WAEHKURS.DAT. The kernel reads
       one rate file per process: while a context that names one is open, a context naming a
       different one is refused (TARVO_E_RATE_FILE_CONFLICT). */
    const char* rate_file;
} tarvo_options;

typedef struct tarvo_error {
    int code;
    char message[200]; /* English */
} tarvo_error;

/* The library reads its file names as the kernel does, from TARVO_STEUDAT and TARVO_WAEHKURS.
   When it is loaded it sets each one that is missing to the value its absence stands for
   ("TARVO.DAT", "WAEHKURS.DAT"), because the rate-file reader looks at the environment on every
   call from any thread, and later only replaces values (adding a variable could move the
   environment under such a reader).

   Opens a context (opts may be null: all defaults). Returns null on failure with err filled
   (err may be null). A context may be used by several threads at once; several contexts may
   be open at once. err->code is 443 when the application was not found and the default entry
   serves. */
TARVO_PUBLIC tarvo_context* tarvo_open(const tarvo_options* opts, tarvo_error* err);
TARVO_PUBLIC void tarvo_close(tarvo_context* ctx);
/* Base currency of the context's control data ("EUR"). */
TARVO_PUBLIC const char* tarvo_base_currency(const tarvo_context* ctx);

/* ---- results ---- */
typedef struct tarvo_rate {
    char value[16];    /* decimal text of the rate, "1.9558300"; "" when none */
    int unit;          /* 1, 100 or 1000 */
    char quotation;    /* 'M', 'P' or ' ' */
    int fixed;         /* 1: fixed euro rate */
    char rate_date[9]; /* YYYYMMDD of the rate-file record for a market rate, else "" */
} tarvo_rate;

typedef struct tarvo_result {
    int code;               /* as returned */
    const char* message_en; /* text of the code, never null */
    const char* message_de;
    char function[3];              /* kernel function used: "U1".."U4", "A1"; "" */
    char amount[24];               /* result "-1234.56" (decimals digits after the point) */
    int decimals;                  /* 2 or 0 */
    char rounding_difference[16];  /* exact value minus amount, six decimals */
    char amount4[24];              /* four-decimal result (tarvo_convert4), else "" */
    char rounding_difference4[16]; /* exact value minus amount4 */
    tarvo_rate rate;               /* rate of the source leg, or of the only leg */
    tarvo_rate rate_to;            /* rate of the target leg of a triangulation */
    int triangulated;              /* 1: converted through the base currency */
    char euro_amount[24];          /* intermediate base amount (three decimals) */
    char euro_rounding_difference[16];
} tarvo_result;

/* ---- conversions ---- */
typedef struct tarvo_convert_options {
    char rate_type;             /* 'G','M','B','S','X','Y'; 0 = 'M' */
    char rate_print;            /* 'J' demand printable rates; 0 or 'N' = no */
    const char* booking_date;   /* rate-file date; null = the date argument */
    const char* reference_date; /* control-data date; null = the date argument */
} tarvo_convert_options;

/* A given rate (U2, U4): rate as decimal text, unit 1/100/1000, quotation 'M' or 'P'. */
typedef struct tarvo_given_rate {
    const char* rate;
    int unit;
    char quotation;
} tarvo_given_rate;

/* Converts amount from one currency into another: with the base currency on one side
   directly, else through it. date YYYYMMDD or YYYY-MM-DD, null = the context's reference
   date and today for booking. Returns out->code. */
TARVO_PUBLIC int tarvo_convert(tarvo_context* ctx, const char* amount, const char* from,
                               const char* to, const char* date, tarvo_result* out);
TARVO_PUBLIC int tarvo_convert_ex(tarvo_context* ctx, const char* amount, const char* from,
                                  const char* to, const char* date,
                                  const tarvo_convert_options* opts, tarvo_result* out);
/* With given rates: rate_from for the source currency, rate_to for the target (either may be
   null where that side is the base currency or has a fixed euro rate). decimals 2 or 0 for a
   currency the control data does not know. */
TARVO_PUBLIC int tarvo_convert_given_rate(tarvo_context* ctx, const char* amount, const char* from,
                                          const char* to, const tarvo_given_rate* rate_from,
                                          const tarvo_given_rate* rate_to, int decimals,
                                          tarvo_result* out);
/* Four decimals in and out (one side the base currency): amount with at most 11 integer
   digits and 4 decimals; out->amount4 holds the four-decimal result. */
TARVO_PUBLIC int tarvo_convert4(tarvo_context* ctx, const char* amount, const char* from,
                                const char* to, const char* date, const tarvo_convert_options* opts,
                                tarvo_result* out);

/* Arrays: count conversions of amounts[i] (dates[i], or date for all when dates is null).
   results[i] receives each; returns the largest code (any failure outranks 261, 261 outranks
   0). Failures of single elements do not stop the others. */
TARVO_PUBLIC int tarvo_convert_many(tarvo_context* ctx, size_t count, const char* const* amounts,
                                    const char* from, const char* to, const char* const* dates,
                                    const char* date, const tarvo_convert_options* opts,
                                    tarvo_result* results);
TARVO_PUBLIC int tarvo_convert4_many(tarvo_context* ctx, size_t count, const char* const* amounts,
                                     const char* from, const char* to, const char* const* dates,
                                     const char* date, const tarvo_convert_options* opts,
                                     tarvo_result* results);
TARVO_PUBLIC int tarvo_convert_given_rate_many(tarvo_context* ctx, size_t count,
                                               const char* const* amounts, const char* from,
                                               const char* to, const tarvo_given_rate* rate_from,
                                               const tarvo_given_rate* rate_to, int decimals,
                                               tarvo_result* results);

/* ---- balancing and smoothing (one side the base currency) ---- */
/* Converts total and its count parts (they must add up to it) and balances the converted
   parts so that they add up to the converted total. method '0' largest remainder, '1' largest
   remainder after rounding every part down, '2' the parts whose own rounding deviated most.
   total_out and parts_out[i] receive decimal texts (at least 24 bytes each); adjust[i] (may
   be null) receives '+' for a raised part, '-' for a lowered one, ' ' else. Returns the code
   (470 unless 1 <= count <= 49, 471 for another method, 472 when the parts miss the total). */
TARVO_PUBLIC int tarvo_balance(tarvo_context* ctx, const char* total, const char* const* parts,
                               size_t count, const char* from, const char* to, const char* date,
                               char method, char (*total_out)[24], char (*parts_out)[24],
                               char* adjust);
/* Converts count amounts (1..50) and writes each as whole smoothing units plus a remainder.
   unit: a whole number 1..1000000 as text, or null with exponent 1..6 (unit 10^exponent);
   474 neither, 475 out of range. method 'G' rounds the number of units, 'M' cuts it (473).
   units_out[i], rest_out[i]: decimal texts (24 bytes each); codes[i] (may be null) each amount's
   code. */
TARVO_PUBLIC int tarvo_smooth(tarvo_context* ctx, const char* const* amounts, size_t count,
                              const char* from, const char* to, const char* date, const char* unit,
                              int exponent, char method, char (*units_out)[24],
                              char (*rest_out)[24], int* codes);

/* ---- texts ---- */
TARVO_PUBLIC const char* tarvo_version(void);
/* Text of a code; lang "de" German, anything else English. Never null. */
TARVO_PUBLIC const char* tarvo_strerror(int code, const char* lang);

#ifdef __cplusplus
}
#endif

#endif /* TARVO_H */
