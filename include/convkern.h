/* SPDX-License-Identifier: Apache-2.0 */
/* Conversion kernel: parameter blocks, batch elements, rate-file request, functions, work cells. */
#ifndef CONVKERN_H
#define CONVKERN_H

#include <stddef.h>
#include <stdint.h>

#include "decarith.h"
#include "tarvo_export.h"

/* Work cells are per thread. */
#ifdef __cplusplus
#define CK_THREAD_LOCAL thread_local
#else
#define CK_THREAD_LOCAL _Thread_local
#endif
/* Layout checks of the blocks (TARVO_STATIC_ASSERT from tarvo_export.h). */
#define CK_CHECK_OFFSET(type, field, off)                                                          \
    TARVO_STATIC_ASSERT(offsetof(type, field) == (off), #type "." #field " offset")
#define CK_CHECK_SIZE(type, size) TARVO_STATIC_ASSERT(sizeof(type) == (size), #type " size")

TARVO_EXTERN_C_BEGIN

/*
 * Every block is a plain byte record: text fields are fixed-width without terminator, the
 * 16-bit rate units are little-endian byte pairs (read and write them with memcpy).
 * Amount slots are 18 bytes (taDez13p2 / taDez15p0 / taDez12p3 text, 16 characters and two
 * zero bytes), rate slots 14 bytes (taDez4p7, 12 characters), rounding differences 10 bytes
 * (taDez1p6, 8 characters).
 */

/* Block of U1_UmrFwaehrBwaehr: 183 bytes, output area from offset 105. */
typedef struct U1_SB {
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
    char AMOUNT_E[18];      /*  71 in  taDez13p2 */
    char res_89[16];        /*  89 */
    char AMOUNT_A_13_2[18]; /* 105 out taDez13p2 */
    char AMOUNT_A_15_0[18]; /* 123 out taDez15p0 */
    char DEC_INDICATOR;     /* 141 out */
    char RATE_USED[14];     /* 142 out taDez4p7 */
    char ROUND_DIFF[10];    /* 156 out taDez1p6 */
    char FIXED_RATE_FLAG;   /* 166 out */
    char QUOTATION_USED;    /* 167 out */
    char UNIT_EXPONENT;     /* 168 out */
    char res_169[14];       /* 169 */
} U1_SB;
#define U1_SB_SIZE 183
#define U1_SB_OUT 105

/* Block of U2_UmrFwaehrBwaehrKv: 192 bytes, output area from offset 114. */
typedef struct U2_SB {
    char SB_VERSION[2];         /*   0 */
    char res_2[20];             /*   2 */
    char RETURN_CODE[4];        /*  22 */
    char res_26[10];            /*  26 */
    char SENDER[8];             /*  36 */
    char res_44[10];            /*  44 */
    char ISO_CODE_E[3];         /*  54 */
    char res_57;                /*  57 */
    char ISO_CODE_A[3];         /*  58 */
    char res_61;                /*  61 */
    char AMOUNT_E[18];          /*  62 in  taDez13p2 */
    char RATE[14];              /*  80 in  taDez4p7 */
    unsigned char RATE_UNIT[2]; /*  94 in  int16 little-endian: 1, 100, 1000 */
    char DEC_FLAG_A;            /*  96 in */
    char QUOTATION;             /*  97 in/out 'M','P',' ' */
    char res_98[16];            /*  98 */
    char AMOUNT_A_13_2[18];     /* 114 out */
    char AMOUNT_A_15_0[18];     /* 132 out */
    char DEC_INDICATOR;         /* 150 out */
    char RATE_USED[14];         /* 151 out */
    char ROUND_DIFF[10];        /* 165 out */
    char QUOTATION_USED;        /* 175 out */
    char UNIT_EXPONENT;         /* 176 out */
    char res_177[15];           /* 177 */
} U2_SB;
#define U2_SB_SIZE 192
#define U2_SB_OUT 114

/* Block of U3_UmrFwaehrBwaehrFwaehr: 227 bytes, output area from offset 106. */
typedef struct U3_SB {
    char SB_VERSION[2];       /*   0 */
    char res_2[20];           /*   2 */
    char RETURN_CODE[4];      /*  22 */
    char res_26[10];          /*  26 */
    char SENDER[8];           /*  36 */
    char res_44[9];           /*  44 */
    char RATE_TYPE;           /*  53 */
    char ISO_CODE_E[3];       /*  54 */
    char res_57;              /*  57 */
    char ISO_CODE_A[3];       /*  58 */
    char res_61;              /*  61 */
    char RATE_PRINT_FLAG_E;   /*  62 */
    char RATE_PRINT_FLAG_A;   /*  63 */
    char BOOKING_DATE[8];     /*  64 */
    char AMOUNT_E[18];        /*  72 */
    char res_90[16];          /*  90 */
    char AMOUNT_A_13_2[18];   /* 106 out */
    char AMOUNT_A_15_0[18];   /* 124 out */
    char DEC_INDICATOR;       /* 142 out */
    char RATE_USED_E[14];     /* 143 out */
    char BASE_ROUND_DIFF[10]; /* 157 out */
    char FIXED_RATE_FLAG_E;   /* 167 out */
    char RATE_USED_A[14];     /* 168 out */
    char ROUND_DIFF[10];      /* 182 out */
    char FIXED_RATE_FLAG_A;   /* 192 out */
    char BASE_AMOUNT[18];     /* 193 out taDez12p3 */
    char QUOTATION_USED_E;    /* 211 out */
    char QUOTATION_USED_A;    /* 212 out */
    char UNIT_EXPONENT_E;     /* 213 out */
    char UNIT_EXPONENT_A;     /* 214 out */
    char res_215[12];         /* 215 */
} U3_SB;
#define U3_SB_SIZE 227
#define U3_SB_OUT 106

/* Block of U4_UmrFwaehrBwaehrFwaehrKv: 252 bytes, output area from offset 130. */
typedef struct U4_SB {
    char SB_VERSION[2];           /*   0 */
    char res_2[20];               /*   2 */
    char RETURN_CODE[4];          /*  22 */
    char res_26[10];              /*  26 */
    char SENDER[8];               /*  36 */
    char res_44[10];              /*  44 */
    char ISO_CODE_E[3];           /*  54 */
    char res_57;                  /*  57 */
    char RATE_E[14];              /*  58 in  taDez4p7 */
    unsigned char RATE_UNIT_E[2]; /*  72 in  int16 little-endian */
    char ISO_CODE_A[3];           /*  74 */
    char res_77;                  /*  77 */
    char RATE_A[14];              /*  78 in  taDez4p7 */
    unsigned char RATE_UNIT_A[2]; /*  92 in  int16 little-endian */
    char AMOUNT_E[18];            /*  94 in  taDez13p2 */
    char DEC_FLAG_A;              /* 112 in */
    char QUOTATION_E;             /* 113 in/out */
    char QUOTATION_A;             /* 114 in/out */
    char res_115[15];             /* 115 */
    char AMOUNT_A_13_2[18];       /* 130 out */
    char AMOUNT_A_15_0[18];       /* 148 out */
    char DEC_INDICATOR;           /* 166 out */
    char RATE_USED_E[14];         /* 167 out */
    char BASE_ROUND_DIFF[10];     /* 181 out */
    char FIXED_RATE_FLAG_E;       /* 191 out */
    char RATE_USED_A[14];         /* 192 out */
    char ROUND_DIFF[10];          /* 206 out */
    char FIXED_RATE_FLAG_A;       /* 216 out */
    char BASE_AMOUNT[18];         /* 217 out taDez12p3 */
    char QUOTATION_USED_E;        /* 235 out */
    char QUOTATION_USED_A;        /* 236 out */
    char UNIT_EXPONENT_E;         /* 237 out */
    char UNIT_EXPONENT_A;         /* 238 out */
    char res_239[13];             /* 239 */
} U4_SB;
#define U4_SB_SIZE 252
#define U4_SB_OUT 130

/* Request block of LW_LesenWaehrKursDaten: 296 bytes, output area from offset 86. */
typedef struct LW_SB {
    char SB_VERSION[2];         /*   0 in  "01" */
    char res_2[20];             /*   2 */
    char RETURN_CODE[4];        /*  22 out */
    char res_26[10];            /*  26 */
    char SENDER[8];             /*  36 in */
    char res_44[9];             /*  44 */
    char ISO_CODE[3];           /*  53 in  key, or three blanks */
    char res_56;                /*  56 */
    char CURRENCY_NO[3];        /*  57 in  key when ISO_CODE is blank */
    char res_60;                /*  60 */
    char REQ_DATE[8];           /*  61 in  YYYYMMDD or "99999999" */
    char res_69[17];            /*  69 */
    char ISO_CODE_OUT[3];       /*  86 out */
    char res_89;                /*  89 */
    char CURRENCY_NO_OUT[3];    /*  90 out */
    char res_93;                /*  93 */
    char FIELD_20[3];           /*  94 out carried from record offset 20 */
    char res_97;                /*  97 */
    char BLOCKED_FLAG;          /*  98 out 'J' = blocked */
    char CHAR_28;               /*  99 out carried from record offset 28 */
    unsigned char RATE_UNIT[2]; /* 100 out int16 little-endian */
    char DEC_FLAG;              /* 102 out 'J' / 'N' */
    char RATE_PRINT_FLAG;       /* 103 out */
    char RATE_DATE[8];          /* 104 out */
    char RATES[8][14];          /* 112 out rates 1..8, taDez4p7 + 2 zero bytes */
    char DATES[5][8];           /* 224 out */
    char QUOTATION;             /* 264 out 'M', 'P' or blank */
    char res_265[31];           /* 265 */
} LW_SB;
#define LW_SB_SIZE 296
#define LW_SB_OUT 86

/* Batch elements: a signed 32-bit result followed by one block, padded to 4 bytes. */
typedef struct U5_ELEM {
    int32_t RESULT;
    U1_SB SB;
    unsigned char pad[1];
} U5_ELEM;
typedef struct U6_ELEM {
    int32_t RESULT;
    U2_SB SB;
} U6_ELEM;
typedef struct U7_ELEM {
    int32_t RESULT;
    U3_SB SB;
    unsigned char pad[1];
} U7_ELEM;
typedef struct U8_ELEM {
    int32_t RESULT;
    U4_SB SB;
} U8_ELEM;

/* ---- conversion functions ---- */
/* psEb is the control-data block PS_EB as PS_LesenTarvoDaten filled it; it is only read.
   pAux is the caller's 4-byte area also given to PS_LesenTarvoDaten; it is not used.
   Every function returns the number whose four-digit text it writes into RETURN_CODE
   (returncodes.h names them); on a failure the output area is zero. A null block is 461. */

/* Conversion between the base currency and another currency with the fixed euro rate or a
   rate-file rate. Returns 0; 461 block version not "01", 401 sender blank, 462 neither or
   both codes the base currency, 463 no rate or amount overflow, 467 currency blocked in the
   rate file, 468 rate print demanded but not allowed, 465 rate type not G M B S X Y; from the
   rate-file reader 444, 482, 485, 489 (with the reader's code text). */
TARVO_API int32_t U1_UmrFwaehrBwaehr(U1_SB* sb, const void* psEb, void* pAux);
/* Conversion between the base currency and another currency with the given rate. Returns 0;
   261 the currency has a fixed euro rate, which was used instead (result written); 461, 401,
   462, 463 as U1. */
TARVO_API int32_t U2_UmrFwaehrBwaehrKv(U2_SB* sb, const void* psEb, void* pAux);
/* Conversion between two currencies other than the base currency through it. Returns 0; 461,
   401; 462 one of the codes is the base currency or both are equal; 463, 465, 467, 468 and
   the reader's 444, 482, 485, 489 as U1, for either leg. */
TARVO_API int32_t U3_UmrFwaehrBwaehrFwaehr(U3_SB* sb, const void* psEb, void* pAux);
/* U3 with given rates. Returns 0; 261 a fixed euro rate replaced a given one; 461, 401, 462,
   463 as U3. */
TARVO_API int32_t U4_UmrFwaehrBwaehrFwaehrKv(U4_SB* sb, const void* psEb, void* pAux);

/* Batches: count elements, each converted independently by U1 (U5), U2 (U6), U3 (U7) or U4
   (U8), its result stored in the element. Returns the largest element result (so any failure
   outranks 261, and 261 outranks 0); 0 for count <= 0; 461 for a null array and count > 0. */
TARVO_API int32_t U5_UmrFwaehrBwaehr(int32_t count, U5_ELEM* elems, const void* psEb, void* pAux);
TARVO_API int32_t U6_UmrFwaehrBwaehrKv(int32_t count, U6_ELEM* elems, const void* psEb, void* pAux);
TARVO_API int32_t U7_UmrFwaehrBwaehrFwaehr(int32_t count, U7_ELEM* elems, const void* psEb,
                                           void* pAux);
TARVO_API int32_t U8_UmrFwaehrBwaehrFwaehrKv(int32_t count, U8_ELEM* elems, const void* psEb,
                                             void* pAux);

/* Free the calling thread's work cells of the pair (the two of a pair are identical). */
TARVO_API void U1_AufraeumenU1U2(void);
TARVO_API void U2_AufraeumenU1U2(void);
TARVO_API void U3_AufraeumenU3U4(void);
TARVO_API void U4_AufraeumenU3U4(void);

/* Rate-file reader: file named by TARVO_WAEHKURS, else "WAEHKURS.DAT". p2 and p3 are not used.
   Returns 0; 481 block version not "01" (also for a null block), 401 sender blank, 489 file
   missing or unreadable, 444 no memory, 482 currency not in the file, 485 no rate on or
   before the requested date. */
TARVO_API int32_t LW_LesenWaehrKursDaten(LW_SB* req, void* p2, void* p3);

/* ---- work cells: per thread, null between calls; exported under their names ---- */
extern TARVO_API CK_THREAD_LOCAL Dez32* Kurs32;       /* rate of the (first) currency */
extern TARVO_API CK_THREAD_LOCAL Dez32* BetragEin;    /* input amount */
extern TARVO_API CK_THREAD_LOCAL Dez64* BetragAus64S; /* raw product or quotient */
extern TARVO_API CK_THREAD_LOCAL
    Dez64* BetragAus64; /* after the unit adjustment (may equal BetragAus64S) */
extern TARVO_API CK_THREAD_LOCAL Dez64* BetragRund6;    /* truncated to 6 decimals */
extern TARVO_API CK_THREAD_LOCAL Dez64* BetragRund2;    /* rounded to the output decimals */
extern TARVO_API CK_THREAD_LOCAL Dez64* RundDiff64;     /* rounding difference */
extern TARVO_API CK_THREAD_LOCAL char* BetragAus13p2;   /* taDez13p2 text */
extern TARVO_API CK_THREAD_LOCAL char* BetragAus15p0;   /* taDez15p0 text */
extern TARVO_API CK_THREAD_LOCAL char* RundDiff1p6;     /* taDez1p6 text */
extern TARVO_API CK_THREAD_LOCAL Dez32* Kurs32A;        /* rate of the second currency */
extern TARVO_API CK_THREAD_LOCAL Dez64* EuroRund64;     /* intermediate base amount, 3 decimals */
extern TARVO_API CK_THREAD_LOCAL Dez32* EuroRund32;     /* the same as a 32-digit cell */
extern TARVO_API CK_THREAD_LOCAL Dez64* EuroRundDiff64; /* its rounding difference */
extern TARVO_API CK_THREAD_LOCAL char* EuroRundDiff;    /* taDez1p6 text */
extern TARVO_API CK_THREAD_LOCAL char* EuroBetrag;      /* taDez12p3 text */

TARVO_EXTERN_C_END

CK_CHECK_SIZE(U1_SB, 183);
CK_CHECK_OFFSET(U1_SB, SB_VERSION, 0);
CK_CHECK_OFFSET(U1_SB, RETURN_CODE, 22);
CK_CHECK_OFFSET(U1_SB, SENDER, 36);
CK_CHECK_OFFSET(U1_SB, RATE_TYPE, 53);
CK_CHECK_OFFSET(U1_SB, ISO_CODE_E, 54);
CK_CHECK_OFFSET(U1_SB, ISO_CODE_A, 58);
CK_CHECK_OFFSET(U1_SB, RATE_PRINT_FLAG, 62);
CK_CHECK_OFFSET(U1_SB, BOOKING_DATE, 63);
CK_CHECK_OFFSET(U1_SB, AMOUNT_E, 71);
CK_CHECK_OFFSET(U1_SB, AMOUNT_A_13_2, 105);
CK_CHECK_OFFSET(U1_SB, AMOUNT_A_15_0, 123);
CK_CHECK_OFFSET(U1_SB, DEC_INDICATOR, 141);
CK_CHECK_OFFSET(U1_SB, RATE_USED, 142);
CK_CHECK_OFFSET(U1_SB, ROUND_DIFF, 156);
CK_CHECK_OFFSET(U1_SB, FIXED_RATE_FLAG, 166);
CK_CHECK_OFFSET(U1_SB, QUOTATION_USED, 167);
CK_CHECK_OFFSET(U1_SB, UNIT_EXPONENT, 168);
CK_CHECK_OFFSET(U1_SB, res_169, 169);

CK_CHECK_SIZE(U2_SB, 192);
CK_CHECK_OFFSET(U2_SB, SB_VERSION, 0);
CK_CHECK_OFFSET(U2_SB, RETURN_CODE, 22);
CK_CHECK_OFFSET(U2_SB, SENDER, 36);
CK_CHECK_OFFSET(U2_SB, ISO_CODE_E, 54);
CK_CHECK_OFFSET(U2_SB, ISO_CODE_A, 58);
CK_CHECK_OFFSET(U2_SB, AMOUNT_E, 62);
CK_CHECK_OFFSET(U2_SB, RATE, 80);
CK_CHECK_OFFSET(U2_SB, RATE_UNIT, 94);
CK_CHECK_OFFSET(U2_SB, DEC_FLAG_A, 96);
CK_CHECK_OFFSET(U2_SB, QUOTATION, 97);
CK_CHECK_OFFSET(U2_SB, AMOUNT_A_13_2, 114);
CK_CHECK_OFFSET(U2_SB, AMOUNT_A_15_0, 132);
CK_CHECK_OFFSET(U2_SB, DEC_INDICATOR, 150);
CK_CHECK_OFFSET(U2_SB, RATE_USED, 151);
CK_CHECK_OFFSET(U2_SB, ROUND_DIFF, 165);
CK_CHECK_OFFSET(U2_SB, QUOTATION_USED, 175);
CK_CHECK_OFFSET(U2_SB, UNIT_EXPONENT, 176);
CK_CHECK_OFFSET(U2_SB, res_177, 177);

CK_CHECK_SIZE(U3_SB, 227);
CK_CHECK_OFFSET(U3_SB, SB_VERSION, 0);
CK_CHECK_OFFSET(U3_SB, RETURN_CODE, 22);
CK_CHECK_OFFSET(U3_SB, SENDER, 36);
CK_CHECK_OFFSET(U3_SB, RATE_TYPE, 53);
CK_CHECK_OFFSET(U3_SB, ISO_CODE_E, 54);
CK_CHECK_OFFSET(U3_SB, ISO_CODE_A, 58);
CK_CHECK_OFFSET(U3_SB, RATE_PRINT_FLAG_E, 62);
CK_CHECK_OFFSET(U3_SB, RATE_PRINT_FLAG_A, 63);
CK_CHECK_OFFSET(U3_SB, BOOKING_DATE, 64);
CK_CHECK_OFFSET(U3_SB, AMOUNT_E, 72);
CK_CHECK_OFFSET(U3_SB, AMOUNT_A_13_2, 106);
CK_CHECK_OFFSET(U3_SB, AMOUNT_A_15_0, 124);
CK_CHECK_OFFSET(U3_SB, DEC_INDICATOR, 142);
CK_CHECK_OFFSET(U3_SB, RATE_USED_E, 143);
CK_CHECK_OFFSET(U3_SB, BASE_ROUND_DIFF, 157);
CK_CHECK_OFFSET(U3_SB, FIXED_RATE_FLAG_E, 167);
CK_CHECK_OFFSET(U3_SB, RATE_USED_A, 168);
CK_CHECK_OFFSET(U3_SB, ROUND_DIFF, 182);
CK_CHECK_OFFSET(U3_SB, FIXED_RATE_FLAG_A, 192);
CK_CHECK_OFFSET(U3_SB, BASE_AMOUNT, 193);
CK_CHECK_OFFSET(U3_SB, QUOTATION_USED_E, 211);
CK_CHECK_OFFSET(U3_SB, QUOTATION_USED_A, 212);
CK_CHECK_OFFSET(U3_SB, UNIT_EXPONENT_E, 213);
CK_CHECK_OFFSET(U3_SB, UNIT_EXPONENT_A, 214);
CK_CHECK_OFFSET(U3_SB, res_215, 215);

CK_CHECK_SIZE(U4_SB, 252);
CK_CHECK_OFFSET(U4_SB, SB_VERSION, 0);
CK_CHECK_OFFSET(U4_SB, RETURN_CODE, 22);
CK_CHECK_OFFSET(U4_SB, SENDER, 36);
CK_CHECK_OFFSET(U4_SB, ISO_CODE_E, 54);
CK_CHECK_OFFSET(U4_SB, RATE_E, 58);
CK_CHECK_OFFSET(U4_SB, RATE_UNIT_E, 72);
CK_CHECK_OFFSET(U4_SB, ISO_CODE_A, 74);
CK_CHECK_OFFSET(U4_SB, RATE_A, 78);
CK_CHECK_OFFSET(U4_SB, RATE_UNIT_A, 92);
CK_CHECK_OFFSET(U4_SB, AMOUNT_E, 94);
CK_CHECK_OFFSET(U4_SB, DEC_FLAG_A, 112);
CK_CHECK_OFFSET(U4_SB, QUOTATION_E, 113);
CK_CHECK_OFFSET(U4_SB, QUOTATION_A, 114);
CK_CHECK_OFFSET(U4_SB, AMOUNT_A_13_2, 130);
CK_CHECK_OFFSET(U4_SB, AMOUNT_A_15_0, 148);
CK_CHECK_OFFSET(U4_SB, DEC_INDICATOR, 166);
CK_CHECK_OFFSET(U4_SB, RATE_USED_E, 167);
CK_CHECK_OFFSET(U4_SB, BASE_ROUND_DIFF, 181);
CK_CHECK_OFFSET(U4_SB, FIXED_RATE_FLAG_E, 191);
CK_CHECK_OFFSET(U4_SB, RATE_USED_A, 192);
CK_CHECK_OFFSET(U4_SB, ROUND_DIFF, 206);
CK_CHECK_OFFSET(U4_SB, FIXED_RATE_FLAG_A, 216);
CK_CHECK_OFFSET(U4_SB, BASE_AMOUNT, 217);
CK_CHECK_OFFSET(U4_SB, QUOTATION_USED_E, 235);
CK_CHECK_OFFSET(U4_SB, QUOTATION_USED_A, 236);
CK_CHECK_OFFSET(U4_SB, UNIT_EXPONENT_E, 237);
CK_CHECK_OFFSET(U4_SB, UNIT_EXPONENT_A, 238);
CK_CHECK_OFFSET(U4_SB, res_239, 239);

CK_CHECK_SIZE(LW_SB, 296);
CK_CHECK_OFFSET(LW_SB, SB_VERSION, 0);
CK_CHECK_OFFSET(LW_SB, RETURN_CODE, 22);
CK_CHECK_OFFSET(LW_SB, SENDER, 36);
CK_CHECK_OFFSET(LW_SB, ISO_CODE, 53);
CK_CHECK_OFFSET(LW_SB, CURRENCY_NO, 57);
CK_CHECK_OFFSET(LW_SB, REQ_DATE, 61);
CK_CHECK_OFFSET(LW_SB, ISO_CODE_OUT, 86);
CK_CHECK_OFFSET(LW_SB, CURRENCY_NO_OUT, 90);
CK_CHECK_OFFSET(LW_SB, FIELD_20, 94);
CK_CHECK_OFFSET(LW_SB, BLOCKED_FLAG, 98);
CK_CHECK_OFFSET(LW_SB, CHAR_28, 99);
CK_CHECK_OFFSET(LW_SB, RATE_UNIT, 100);
CK_CHECK_OFFSET(LW_SB, DEC_FLAG, 102);
CK_CHECK_OFFSET(LW_SB, RATE_PRINT_FLAG, 103);
CK_CHECK_OFFSET(LW_SB, RATE_DATE, 104);
CK_CHECK_OFFSET(LW_SB, RATES, 112);
CK_CHECK_OFFSET(LW_SB, DATES, 224);
CK_CHECK_OFFSET(LW_SB, QUOTATION, 264);
CK_CHECK_OFFSET(LW_SB, res_265, 265);

CK_CHECK_SIZE(U5_ELEM, 188);
CK_CHECK_SIZE(U6_ELEM, 196);
CK_CHECK_SIZE(U7_ELEM, 232);
CK_CHECK_SIZE(U8_ELEM, 256);
CK_CHECK_OFFSET(U5_ELEM, SB, 4);
CK_CHECK_OFFSET(U6_ELEM, SB, 4);
CK_CHECK_OFFSET(U7_ELEM, SB, 4);
CK_CHECK_OFFSET(U8_ELEM, SB, 4);

/* The further conversions (four decimals, balancing, smoothing) extend this interface. */
#include "convkern_further.h"

#endif /* CONVKERN_H */
