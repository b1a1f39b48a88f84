/* SPDX-License-Identifier: Apache-2.0 */
/* Conversion kernel, further conversions: four decimals (A1, A5), balancing (B1), smoothing
   (G1). Blocks, functions and work cells. */
#ifndef CONVKERN_FURTHER_H
#define CONVKERN_FURTHER_H

#include <stddef.h>
#include <stdint.h>

#include "convkern.h"
#include "decarith.h"
#include "tarvo_export.h"

TARVO_EXTERN_C_BEGIN

/*
 * All blocks are plain byte records (alignment 1); binary numbers inside them are little-endian
 * byte pairs or quadruples, read and written with memcpy.
 */

/* Block of A1_UmrFwaehrBwaehr: 211 bytes, output area from offset 105 to 210. Laid out as the
   U1 block up to offset 168, except that AMOUNT_E holds a taDez11p4 text. */
typedef struct A1_SB {
    char SB_VERSION[2];     /*   0 in  "01" */
    char res_2[20];         /*   2 */
    char RETURN_CODE[4];    /*  22 out */
    char res_26[10];        /*  26 */
    char SENDER[8];         /*  36 in  calling module, blank-padded */
    char res_44[9];         /*  44 */
    char RATE_TYPE;         /*  53 in  'G','M','B','S','X','Y' */
    char ISO_CODE_E[3];     /*  54 in */
    char res_57;            /*  57 */
    char ISO_CODE_A[3];     /*  58 in */
    char res_61;            /*  61 */
    char RATE_PRINT_FLAG;   /*  62 in */
    char BOOKING_DATE[8];   /*  63 in  YYYYMMDD */
    char AMOUNT_E[18];      /*  71 in  taDez11p4 */
    char res_89[16];        /*  89 */
    char AMOUNT_A_13_2[18]; /* 105 out taDez13p2 */
    char AMOUNT_A_15_0[18]; /* 123 out taDez15p0 */
    char DEC_INDICATOR;     /* 141 out */
    char RATE_USED[14];     /* 142 out taDez4p7 */
    char ROUND_DIFF[10];    /* 156 out taDez1p6, 6-decimal value minus AMOUNT_A_13_2/15_0 */
    char FIXED_RATE_FLAG;   /* 166 out */
    char QUOTATION_USED;    /* 167 out */
    char UNIT_EXPONENT;     /* 168 out */
    char AMOUNT_A_11_4[18]; /* 169 out taDez11p4, result rounded to 4 decimals */
    char ROUND_DIFF_4[10];  /* 187 out taDez1p6, 6-decimal value minus AMOUNT_A_11_4 */
    char res_197[14];       /* 197 stays zero */
} A1_SB;
#define A1_SB_SIZE 211
#define A1_SB_OUT 105

/* Batch element of A5_UmrFwaehrBwaehr: result word, A1 block, one spare byte (216 bytes). */
typedef struct A5_ELEM {
    int32_t RESULT;
    A1_SB SB;
    unsigned char pad[1];
} A5_ELEM;
#define A5_ELEM_SIZE 216

/* Item of the balancing and smoothing blocks (188 bytes, the layout of a U5 element without
   alignment): the item's result, a complete U1 block filled by the caller, a spare byte. */
typedef struct BG_ITEM {
    unsigned char ITEM_RESULT[4]; /*   0 out int32 little-endian */
    U1_SB SB;                     /*   4 in/out */
    unsigned char spare;          /* 187 */
} BG_ITEM;
#define BG_ITEM_SIZE 188
#define BG_MAX_ITEMS 50

/* Block of B1_UmrMitBetrAusgl: 11588 bytes, output area from offset 86 to 2185. */
typedef struct B1_SB {
    char SB_VERSION[2];          /*     0 in  "01" */
    char res_2[20];              /*     2 */
    char RETURN_CODE[4];         /*    22 out only for the function's own checks */
    char res_26[10];             /*    26 */
    char SENDER[8];              /*    36 in */
    char res_44[10];             /*    44 */
    unsigned char ITEM_COUNT[2]; /*    54 in  int16 little-endian, 2 to 50, total included */
    char BALANCING_METHOD;       /*    56 in  '0', '1' or '2' */
    char res_57[29];             /*    57 */
    char AMOUNT_OUT[50][18];     /*    86 out taDez13p2 per item: balanced amount */
    char SSV[50];                /*   986 out ' ', '+', '-'; [0] the direction */
    char res_1036[1150];         /*  1036 out zeroed */
    char res_2186[2];            /*  2186 not touched */
    BG_ITEM ITEMS[BG_MAX_ITEMS]; /*  2188 item 0 the total, 1..n-1 its parts */
} B1_SB;
#define B1_SB_SIZE 11588
#define B1_SB_OUT 86
#define B1_SB_OUT_END 2186

/* Block of G1_UmrMitGlaettung: 12096 bytes, output area from offset 96 to 2695. */
typedef struct G1_SB {
    char SB_VERSION[2];                  /*     0 in  "01" */
    char res_2[20];                      /*     2 */
    char RETURN_CODE[4];                 /*    22 out only for the function's own checks */
    char res_26[10];                     /*    26 */
    char SENDER[8];                      /*    36 in */
    char res_44[10];                     /*    44 */
    unsigned char ITEM_COUNT[2];         /*    54 in  int16 little-endian, 1 to 50 */
    char SMOOTHING_VALUE[16];            /*    56 in  taDez15p0; "+000000000000000" = not given */
    char res_72[2];                      /*    72 */
    unsigned char SMOOTHING_EXPONENT[2]; /*    74 in  int16 little-endian, 1 to 6 */
    char SMOOTHING_METHOD;               /*    76 in  'G' rounds the units, 'M' cuts them */
    char res_77[19];                     /*    77 */
    char UNITS_OUT[50][18];              /*    96 out taDez15p0: number of smoothing units */
    char REST_OUT[50][18];               /*   996 out taDez13p2: amount - units x unit */
    char res_1896[800];                  /*  1896 out zeroed */
    BG_ITEM ITEMS[BG_MAX_ITEMS];         /*  2696 */
} G1_SB;
#define G1_SB_SIZE 12096
#define G1_SB_OUT 96
#define G1_SB_OUT_END 2696

/* ---- functions (psEb: control-data block, only read; pAux: handed on, not used) ---- */
/* Each returns the number whose four-digit text it writes into RETURN_CODE; a null block is
   461. */

/* U1 with a four-decimal input amount and a four-decimal result with its rounding difference.
   Returns the numbers of U1: 0, 461, 401, 462, 463, 465, 467, 468, 444, 482, 485, 489. */
TARVO_API int32_t A1_UmrFwaehrBwaehr(A1_SB* sb, const void* psEb, void* pAux);
/* A1 over count elements. Returns the largest element result; 0 for count <= 0; 461 for a
   null array and count > 0. */
TARVO_API int32_t A5_UmrFwaehrBwaehr(int32_t count, A5_ELEM* elems, const void* psEb, void* pAux);
/* Frees the calling thread's A1 work cells (those of U1/U2 and the three of A1). */
TARVO_API void A1_Aufraeumen(void);

/* Converts a total and its parts with U1 and balances the parts to the converted total.
   Returns 0; 461 block version not "01", 401 sender blank, 470 item count outside 2 to 50,
   471 balancing method not '0' '1' '2', 472 parts do not add up to the total, 463 amount
   overflow or no memory; or the first failing item's U1 number (also in that item). */
TARVO_API int32_t B1_UmrMitBetrAusgl(B1_SB* sb, const void* psEb, void* pAux);
/* Distribution helpers of B1; they act only while B1 holds its work cells and do nothing when
   called outside it (Upd_SSV needs only the block). */
TARVO_API void Runden(B1_SB* sb);
TARVO_API void Runden_SSV(B1_SB* sb, char (*amounts)[18], char (*diffs)[10]);
TARVO_API void Upd_SSV(B1_SB* sb);
TARVO_API void B1_Aufraeum_Sum(void);   /* B1WertS64, B1Sum64 */
TARVO_API void B1_Aufraeum_Loop(void);  /* B1Wert64, B1OptDiff64, B1Betrag13p2 and the other
                                           per-part cells (B1Einzel64, B1RundDiff64,
                                           B1Betrag1p6) */
TARVO_API void B1_Aufraeum_Konst(void); /* B1Delta64, B1D01_64, B1DeltaN64, B1Null64 */

/* Converts the items with U1 and expresses each as whole smoothing units plus a remainder.
   Returns 0; 461 block version not "01", 401 sender blank, 470 item count outside 1 to 50,
   473 smoothing method not 'G' or 'M', 474 neither value nor exponent given, 475 value or
   exponent out of range, 463 no memory; else the largest item result (each item's U1
   number, or 463 when smoothing it ran out of memory). */
TARVO_API int32_t G1_UmrMitGlaettung(G1_SB* sb, const void* psEb, void* pAux);
TARVO_API void G1_Aufraeum1(void); /* G1Rund32, G1RundZ32 */
TARVO_API void G1_Aufraeum2(void); /* the per-item cells */

/* ---- work cells: per thread, null between calls; exported under their names ---- */
extern TARVO_API CK_THREAD_LOCAL Dez64* BetragRund4;  /* result rounded to 4 decimals */
extern TARVO_API CK_THREAD_LOCAL Dez64* RundDiff644;  /* its rounding difference */
extern TARVO_API CK_THREAD_LOCAL char* BetragAus11p4; /* taDez11p4 text */

extern TARVO_API CK_THREAD_LOCAL Dez64* B1WertS64;    /* target: converted total */
extern TARVO_API CK_THREAD_LOCAL Dez64* B1Sum64;      /* running sum of the parts */
extern TARVO_API CK_THREAD_LOCAL Dez64* B1Einzel64;   /* part being added */
extern TARVO_API CK_THREAD_LOCAL Dez64* B1Wert64;     /* part being adjusted */
extern TARVO_API CK_THREAD_LOCAL Dez64* B1RundDiff64; /* difference of the candidate */
extern TARVO_API CK_THREAD_LOCAL Dez64* B1OptDiff64;  /* difference of the best candidate */
extern TARVO_API CK_THREAD_LOCAL char* B1Betrag13p2;  /* taDez13p2 text */
extern TARVO_API CK_THREAD_LOCAL char* B1Betrag1p6;   /* taDez1p6 text */
extern TARVO_API CK_THREAD_LOCAL Dez64* B1Null64;     /* 0 */
extern TARVO_API CK_THREAD_LOCAL Dez64* B1Delta64;    /* difference step +0.01 (-0.01 raising) */
extern TARVO_API CK_THREAD_LOCAL Dez64* B1DeltaN64;   /* amount step -0.01 (+0.01 raising) */
extern TARVO_API CK_THREAD_LOCAL Dez64* B1D01_64;     /* +0.01 */
/* Parts rounded down under method '1', by item number; kept until the next such call. */
extern TARVO_API CK_THREAD_LOCAL char Waeh_Betrag_Abr[50][18]; /* taDez13p2 */
extern TARVO_API CK_THREAD_LOCAL char RundDiff_Abr[50][10];    /* taDez1p6 */

extern TARVO_API CK_THREAD_LOCAL Dez32* G1Rund32;      /* smoothing unit */
extern TARVO_API CK_THREAD_LOCAL Dez32* G1RundZ32;     /* constant 1 for the power of ten */
extern TARVO_API CK_THREAD_LOCAL Dez32* G1Betrag32;    /* converted amount */
extern TARVO_API CK_THREAD_LOCAL Dez64* G1Betrag64;    /* quotient, then the amount */
extern TARVO_API CK_THREAD_LOCAL Dez64* G1BetragR64;   /* whole number of units */
extern TARVO_API CK_THREAD_LOCAL Dez32* G1BetragR32;   /* the same as Dez32 */
extern TARVO_API CK_THREAD_LOCAL Dez64* G1BetragNeu64; /* units x unit */
extern TARVO_API CK_THREAD_LOCAL Dez64* G1Rest64;      /* remainder */
extern TARVO_API CK_THREAD_LOCAL char* G1Betrag15p0;   /* taDez15p0 text */
extern TARVO_API CK_THREAD_LOCAL char* G1Betrag13p2;   /* taDez13p2 text */

TARVO_EXTERN_C_END

CK_CHECK_SIZE(A1_SB, 211);
CK_CHECK_OFFSET(A1_SB, SB_VERSION, 0);
CK_CHECK_OFFSET(A1_SB, RETURN_CODE, 22);
CK_CHECK_OFFSET(A1_SB, SENDER, 36);
CK_CHECK_OFFSET(A1_SB, RATE_TYPE, 53);
CK_CHECK_OFFSET(A1_SB, ISO_CODE_E, 54);
CK_CHECK_OFFSET(A1_SB, ISO_CODE_A, 58);
CK_CHECK_OFFSET(A1_SB, RATE_PRINT_FLAG, 62);
CK_CHECK_OFFSET(A1_SB, BOOKING_DATE, 63);
CK_CHECK_OFFSET(A1_SB, AMOUNT_E, 71);
CK_CHECK_OFFSET(A1_SB, res_89, 89);
CK_CHECK_OFFSET(A1_SB, AMOUNT_A_13_2, 105);
CK_CHECK_OFFSET(A1_SB, AMOUNT_A_15_0, 123);
CK_CHECK_OFFSET(A1_SB, DEC_INDICATOR, 141);
CK_CHECK_OFFSET(A1_SB, RATE_USED, 142);
CK_CHECK_OFFSET(A1_SB, ROUND_DIFF, 156);
CK_CHECK_OFFSET(A1_SB, FIXED_RATE_FLAG, 166);
CK_CHECK_OFFSET(A1_SB, QUOTATION_USED, 167);
CK_CHECK_OFFSET(A1_SB, UNIT_EXPONENT, 168);
CK_CHECK_OFFSET(A1_SB, AMOUNT_A_11_4, 169);
CK_CHECK_OFFSET(A1_SB, ROUND_DIFF_4, 187);
CK_CHECK_OFFSET(A1_SB, res_197, 197);

CK_CHECK_SIZE(A5_ELEM, 216);
CK_CHECK_OFFSET(A5_ELEM, RESULT, 0);
CK_CHECK_OFFSET(A5_ELEM, SB, 4);
CK_CHECK_OFFSET(A5_ELEM, pad, 215);

CK_CHECK_SIZE(BG_ITEM, 188);
CK_CHECK_OFFSET(BG_ITEM, ITEM_RESULT, 0);
CK_CHECK_OFFSET(BG_ITEM, SB, 4);
CK_CHECK_OFFSET(BG_ITEM, spare, 187);

CK_CHECK_SIZE(B1_SB, 11588);
CK_CHECK_OFFSET(B1_SB, SB_VERSION, 0);
CK_CHECK_OFFSET(B1_SB, RETURN_CODE, 22);
CK_CHECK_OFFSET(B1_SB, SENDER, 36);
CK_CHECK_OFFSET(B1_SB, ITEM_COUNT, 54);
CK_CHECK_OFFSET(B1_SB, BALANCING_METHOD, 56);
CK_CHECK_OFFSET(B1_SB, res_57, 57);
CK_CHECK_OFFSET(B1_SB, AMOUNT_OUT, 86);
CK_CHECK_OFFSET(B1_SB, SSV, 986);
CK_CHECK_OFFSET(B1_SB, res_1036, 1036);
CK_CHECK_OFFSET(B1_SB, res_2186, 2186);
CK_CHECK_OFFSET(B1_SB, ITEMS, 2188);

CK_CHECK_SIZE(G1_SB, 12096);
CK_CHECK_OFFSET(G1_SB, SB_VERSION, 0);
CK_CHECK_OFFSET(G1_SB, RETURN_CODE, 22);
CK_CHECK_OFFSET(G1_SB, SENDER, 36);
CK_CHECK_OFFSET(G1_SB, ITEM_COUNT, 54);
CK_CHECK_OFFSET(G1_SB, SMOOTHING_VALUE, 56);
CK_CHECK_OFFSET(G1_SB, res_72, 72);
CK_CHECK_OFFSET(G1_SB, SMOOTHING_EXPONENT, 74);
CK_CHECK_OFFSET(G1_SB, SMOOTHING_METHOD, 76);
CK_CHECK_OFFSET(G1_SB, res_77, 77);
CK_CHECK_OFFSET(G1_SB, UNITS_OUT, 96);
CK_CHECK_OFFSET(G1_SB, REST_OUT, 996);
CK_CHECK_OFFSET(G1_SB, res_1896, 1896);
CK_CHECK_OFFSET(G1_SB, ITEMS, 2696);

#endif /* CONVKERN_FURTHER_H */
