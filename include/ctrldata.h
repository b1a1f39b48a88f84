/* SPDX-License-Identifier: Apache-2.0 */
/* Control data: the loader block PS_SB, the control-data block PS_EB, the built-in record
 * TarvoDaten, the loader PS_LesenTarvoDaten and the date helpers of libctrldata. */
#ifndef TARVO_CTRLDATA_H
#define TARVO_CTRLDATA_H

#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include "tarvo_export.h"
#include "returncodes.h"

TARVO_EXTERN_C_BEGIN

/* ---------------------------------------------------------------------------------------
 * Sizes and counts
 * ------------------------------------------------------------------------------------- */
#define PS_SB_SIZE 83           /* loader parameter block */
#define PS_EB_SIZE 2756         /* control-data block handed to every conversion */
#define PS_WAEHRUNG_SIZE 51     /* one currency row */
#define PS_ANWENDUNG_SIZE 117   /* one application entry */
#define PS_WAEHR_MAX 50         /* rows in the currency table */
#define PS_EB_BODY_SIZE 2638    /* fields 1 to 13 of PS_EB: the body of a stored block */
#define PS_BLOCK_HEADER_SIZE 12 /* block length, application count, last-block flag */
#define PS_TARVODATEN_SIZE 5892 /* the whole built-in record */
#define PS_FILE_BLOCK_MAX 16384 /* largest block of the control-data file */

/* ---------------------------------------------------------------------------------------
 * PS_SB: parameter block of PS_LesenTarvoDaten (83 bytes, characters only)
 * ------------------------------------------------------------------------------------- */
typedef struct PS_SB {
    char SB_VERSION[2];  /*  0 block version, must be "01" */
    char Reserve1[20];   /*  2 not used */
    char RETURN_CODE[4]; /* 22 out: four-digit return code */
    char Reserve2[10];   /* 26 not used (a zero byte lands at 26 after a load) */
    char SENDER[8];      /* 36 calling module, must not start with blank or zero */
    char Reserve3[9];    /* 44 not used */
    char EB_VERSION[2];  /* 53 requested control-data version; "  " = first block */
    char EB_VERSION_0;   /* 55 zero byte */
    char ANWENDUNG[8];   /* 56 application name; eight blanks = default entry */
    char ANWENDUNG_0;    /* 64 zero byte */
    char BEZUGSDATUM[8]; /* 65 in/out: reference date YYYYMMDD; zero, "00000000" or
                            "99999999" = today, which is then written back */
    char Reserve4[10];   /* 73 not used */
} PS_SB;

TARVO_STATIC_ASSERT(sizeof(PS_SB) == 83, "PS_SB size");
TARVO_STATIC_ASSERT(offsetof(PS_SB, SB_VERSION) == 0, "PS_SB.SB_VERSION");
TARVO_STATIC_ASSERT(offsetof(PS_SB, Reserve1) == 2, "PS_SB.Reserve1");
TARVO_STATIC_ASSERT(offsetof(PS_SB, RETURN_CODE) == 22, "PS_SB.RETURN_CODE");
TARVO_STATIC_ASSERT(offsetof(PS_SB, Reserve2) == 26, "PS_SB.Reserve2");
TARVO_STATIC_ASSERT(offsetof(PS_SB, SENDER) == 36, "PS_SB.SENDER");
TARVO_STATIC_ASSERT(offsetof(PS_SB, Reserve3) == 44, "PS_SB.Reserve3");
TARVO_STATIC_ASSERT(offsetof(PS_SB, EB_VERSION) == 53, "PS_SB.EB_VERSION");
TARVO_STATIC_ASSERT(offsetof(PS_SB, EB_VERSION_0) == 55, "PS_SB.EB_VERSION_0");
TARVO_STATIC_ASSERT(offsetof(PS_SB, ANWENDUNG) == 56, "PS_SB.ANWENDUNG");
TARVO_STATIC_ASSERT(offsetof(PS_SB, ANWENDUNG_0) == 64, "PS_SB.ANWENDUNG_0");
TARVO_STATIC_ASSERT(offsetof(PS_SB, BEZUGSDATUM) == 65, "PS_SB.BEZUGSDATUM");
TARVO_STATIC_ASSERT(offsetof(PS_SB, Reserve4) == 73, "PS_SB.Reserve4");

/* ---------------------------------------------------------------------------------------
 * Currency row (51 bytes)
 * ------------------------------------------------------------------------------------- */
typedef struct PS_Waehrung {
    char ISOCode[4];    /*  0 three letters and a zero byte */
    char FixKurs[14];   /*  4 fixed euro rate, taDez4p7 (12 chars) and 2 zero bytes;
                               "+00000000000" = none */
    char CodeNr1[4];    /* 18 three digits and a zero byte */
    char CodeNr2[4];    /* 22 three digits and a zero byte */
    char GueltigAb[8];  /* 26 tDate: the fixed rate applies from this date */
    char Dezimalen;     /* 34 '0' or '2' */
    char EinheitExp;    /* 35 '0', '2' or '3': rate per 1, 100 or 1000 units */
    char UmlaufKz;      /* 36 'J'/'N': still in circulation (set by each load) */
    char GueltigBis[8]; /* 37 tDate; "00000000" = no end date */
    char Reserve[6];    /* 45 zero */
} PS_Waehrung;

TARVO_STATIC_ASSERT(sizeof(PS_Waehrung) == PS_WAEHRUNG_SIZE, "PS_Waehrung size");
TARVO_STATIC_ASSERT(offsetof(PS_Waehrung, ISOCode) == 0, "PS_Waehrung.ISOCode");
TARVO_STATIC_ASSERT(offsetof(PS_Waehrung, FixKurs) == 4, "PS_Waehrung.FixKurs");
TARVO_STATIC_ASSERT(offsetof(PS_Waehrung, CodeNr1) == 18, "PS_Waehrung.CodeNr1");
TARVO_STATIC_ASSERT(offsetof(PS_Waehrung, CodeNr2) == 22, "PS_Waehrung.CodeNr2");
TARVO_STATIC_ASSERT(offsetof(PS_Waehrung, GueltigAb) == 26, "PS_Waehrung.GueltigAb");
TARVO_STATIC_ASSERT(offsetof(PS_Waehrung, Dezimalen) == 34, "PS_Waehrung.Dezimalen");
TARVO_STATIC_ASSERT(offsetof(PS_Waehrung, EinheitExp) == 35, "PS_Waehrung.EinheitExp");
TARVO_STATIC_ASSERT(offsetof(PS_Waehrung, UmlaufKz) == 36, "PS_Waehrung.UmlaufKz");
TARVO_STATIC_ASSERT(offsetof(PS_Waehrung, GueltigBis) == 37, "PS_Waehrung.GueltigBis");
TARVO_STATIC_ASSERT(offsetof(PS_Waehrung, Reserve) == 45, "PS_Waehrung.Reserve");

/* ---------------------------------------------------------------------------------------
 * Application entry (117 bytes)
 * ------------------------------------------------------------------------------------- */
typedef struct PS_Anwendung {
    char Name[9];        /*   0 eight characters and a zero byte; blanks = default */
    char Modus;          /*   9 'P' production, 'T' test (trace through WriteLog) */
    char TestBibl[18];   /*  10 17 characters and a zero byte */
    char ProdBibl[18];   /*  28 17 characters and a zero byte */
    char Datenbank[5];   /*  46 4 characters and a zero byte */
    char PeriodenKz[10]; /*  51 period flags; positions 1, 2, 4 set by each load */
    char UmstBeginn[8];  /*  61 tDate: first day of the changeover period */
    char UmstEnde[8];    /*  69 tDate: first day after the changeover period */
    char Stichtag[8];    /*  77 tDate: switch date of period flag position 4 */
    char Reserve[32];    /*  85 zero */
} PS_Anwendung;

TARVO_STATIC_ASSERT(sizeof(PS_Anwendung) == PS_ANWENDUNG_SIZE, "PS_Anwendung size");
TARVO_STATIC_ASSERT(offsetof(PS_Anwendung, Name) == 0, "PS_Anwendung.Name");
TARVO_STATIC_ASSERT(offsetof(PS_Anwendung, Modus) == 9, "PS_Anwendung.Modus");
TARVO_STATIC_ASSERT(offsetof(PS_Anwendung, TestBibl) == 10, "PS_Anwendung.TestBibl");
TARVO_STATIC_ASSERT(offsetof(PS_Anwendung, ProdBibl) == 28, "PS_Anwendung.ProdBibl");
TARVO_STATIC_ASSERT(offsetof(PS_Anwendung, Datenbank) == 46, "PS_Anwendung.Datenbank");
TARVO_STATIC_ASSERT(offsetof(PS_Anwendung, PeriodenKz) == 51, "PS_Anwendung.PeriodenKz");
TARVO_STATIC_ASSERT(offsetof(PS_Anwendung, UmstBeginn) == 61, "PS_Anwendung.UmstBeginn");
TARVO_STATIC_ASSERT(offsetof(PS_Anwendung, UmstEnde) == 69, "PS_Anwendung.UmstEnde");
TARVO_STATIC_ASSERT(offsetof(PS_Anwendung, Stichtag) == 77, "PS_Anwendung.Stichtag");
TARVO_STATIC_ASSERT(offsetof(PS_Anwendung, Reserve) == 85, "PS_Anwendung.Reserve");

/* ---------------------------------------------------------------------------------------
 * Fields 1 to 13 of PS_EB, shared by PS_EB and the stored blocks of TarvoDaten (2638
 * bytes). The explicit fill bytes keep the int32 fields naturally aligned.
 * ------------------------------------------------------------------------------------- */
#define PS_EB_BODY_FIELDS                                                                          \
    char EB_Version[3];                /*    0 two characters and a zero byte, e.g. "02" */        \
    char AufrufDatumS0[12];            /*    3 call date DD.MM.YYYY and 2 zero bytes */            \
    char AufrufDatum[8];               /*   15 call date YYYYMMDD */                               \
    char AufrufZeit[10];               /*   23 call time HH:MM:SS and 2 zero bytes */              \
    char Fuell1[3];                    /*   33 fill, zero */                                       \
    int32_t AufrufZeitstempel;         /*  36 seconds since 1970-01-01 00:00 UTC */                \
    char BasisWaehrung[4];             /*   40 base currency, "EUR" */                             \
    char HeimWaehrung[4];              /*   44 home currency, "DEM" */                             \
    char NotierungHeim;                /*   48 quotation with home-currency base, 'P'/'M' */       \
    char Notierung2;                   /*   49 second quotation code (not read by the kernel) */   \
    char NotierungEuro;                /*   50 quotation with euro base, 'P'/'M' */                \
    char Reserve1[33];                 /*   51 zero */                                             \
    int32_t WaehrAnzahl;               /*   84 valid rows in Waehrung, 0..50 */                    \
    PS_Waehrung Waehrung[PS_WAEHR_MAX] /* 88 currency table */

/* The control-data block filled by PS_LesenTarvoDaten (2756 bytes). */
typedef struct PS_EB {
    PS_EB_BODY_FIELDS;
    PS_Anwendung Anwendung; /* 2638 the selected application entry */
    char Fuell2[1];         /* 2755 fill to a multiple of 4 */
} PS_EB;

TARVO_STATIC_ASSERT(sizeof(PS_EB) == PS_EB_SIZE, "PS_EB size");
TARVO_STATIC_ASSERT(offsetof(PS_EB, EB_Version) == 0, "PS_EB.EB_Version");
TARVO_STATIC_ASSERT(offsetof(PS_EB, AufrufDatumS0) == 3, "PS_EB.AufrufDatumS0");
TARVO_STATIC_ASSERT(offsetof(PS_EB, AufrufDatum) == 15, "PS_EB.AufrufDatum");
TARVO_STATIC_ASSERT(offsetof(PS_EB, AufrufZeit) == 23, "PS_EB.AufrufZeit");
TARVO_STATIC_ASSERT(offsetof(PS_EB, Fuell1) == 33, "PS_EB.Fuell1");
TARVO_STATIC_ASSERT(offsetof(PS_EB, AufrufZeitstempel) == 36, "PS_EB.AufrufZeitstempel");
TARVO_STATIC_ASSERT(offsetof(PS_EB, BasisWaehrung) == 40, "PS_EB.BasisWaehrung");
TARVO_STATIC_ASSERT(offsetof(PS_EB, HeimWaehrung) == 44, "PS_EB.HeimWaehrung");
TARVO_STATIC_ASSERT(offsetof(PS_EB, NotierungHeim) == 48, "PS_EB.NotierungHeim");
TARVO_STATIC_ASSERT(offsetof(PS_EB, Notierung2) == 49, "PS_EB.Notierung2");
TARVO_STATIC_ASSERT(offsetof(PS_EB, NotierungEuro) == 50, "PS_EB.NotierungEuro");
TARVO_STATIC_ASSERT(offsetof(PS_EB, Reserve1) == 51, "PS_EB.Reserve1");
TARVO_STATIC_ASSERT(offsetof(PS_EB, WaehrAnzahl) == 84, "PS_EB.WaehrAnzahl");
TARVO_STATIC_ASSERT(offsetof(PS_EB, Waehrung) == 88, "PS_EB.Waehrung");
TARVO_STATIC_ASSERT(offsetof(PS_EB, Anwendung) == PS_EB_BODY_SIZE, "PS_EB.Anwendung");
TARVO_STATIC_ASSERT(offsetof(PS_EB, Fuell2) == 2755, "PS_EB.Fuell2");

/* ---------------------------------------------------------------------------------------
 * The built-in record TarvoDaten: a block count and two blocks back to back. Every block
 * is a 12-byte header, the 2638-byte body and its application entries, its length
 * rounded up to a multiple of 4; the next block starts at the block plus its length.
 * ------------------------------------------------------------------------------------- */
#define PS_BLOCK_HEADER_FIELDS                                                                     \
    int32_t BlockLaenge; /* bytes of the block including this header */                            \
    int32_t AnwAnzahl;   /* number of application entries */                                       \
    int32_t LetzterBlock /* 1 on the last block, else 0 */

typedef struct PS_TarvoBlock1 {
    PS_BLOCK_HEADER_FIELDS;
    PS_EB_BODY_FIELDS;
    PS_Anwendung Anwendung[4];
    char Fuell2[2];
} PS_TarvoBlock1;

typedef struct PS_TarvoBlock2 {
    PS_BLOCK_HEADER_FIELDS;
    PS_EB_BODY_FIELDS;
    PS_Anwendung Anwendung[1];
    char Fuell2[1];
} PS_TarvoBlock2;

typedef struct PS_TarvoDaten {
    int32_t BlockAnzahl; /* number of blocks */
    PS_TarvoBlock1 Block1;
    PS_TarvoBlock2 Block2;
} PS_TarvoDaten;

TARVO_STATIC_ASSERT(sizeof(PS_TarvoBlock1) == 3120, "PS_TarvoBlock1 size");
TARVO_STATIC_ASSERT(sizeof(PS_TarvoBlock2) == 2768, "PS_TarvoBlock2 size");
TARVO_STATIC_ASSERT(offsetof(PS_TarvoBlock1, AnwAnzahl) == 4, "PS_TarvoBlock1.AnwAnzahl");
TARVO_STATIC_ASSERT(offsetof(PS_TarvoBlock1, LetzterBlock) == 8, "PS_TarvoBlock1.LetzterBlock");
TARVO_STATIC_ASSERT(offsetof(PS_TarvoBlock1, EB_Version) == 12, "PS_TarvoBlock1.EB_Version");
TARVO_STATIC_ASSERT(offsetof(PS_TarvoBlock1, AufrufZeitstempel) == 48, "PS_TarvoBlock1 stamp");
TARVO_STATIC_ASSERT(offsetof(PS_TarvoBlock1, WaehrAnzahl) == 96, "PS_TarvoBlock1.WaehrAnzahl");
TARVO_STATIC_ASSERT(offsetof(PS_TarvoBlock1, Waehrung) == 100, "PS_TarvoBlock1.Waehrung");
TARVO_STATIC_ASSERT(offsetof(PS_TarvoBlock1, Anwendung) == 2650, "PS_TarvoBlock1.Anwendung");
TARVO_STATIC_ASSERT(offsetof(PS_TarvoBlock2, Anwendung) == 2650, "PS_TarvoBlock2.Anwendung");
TARVO_STATIC_ASSERT(sizeof(PS_TarvoDaten) == PS_TARVODATEN_SIZE, "PS_TarvoDaten size");
TARVO_STATIC_ASSERT(offsetof(PS_TarvoDaten, Block1) == 4, "PS_TarvoDaten.Block1");
TARVO_STATIC_ASSERT(offsetof(PS_TarvoDaten, Block2) == 3124, "PS_TarvoDaten.Block2");

/* ---------------------------------------------------------------------------------------
 * Exported data and functions
 * ------------------------------------------------------------------------------------- */

/* The built-in record; zero until the first load from memory (or InitTarvoDaten) ran. */
TARVO_API extern PS_TarvoDaten TarvoDaten;

/* Name of the control-data file used by the last call of PS_LesenTarvoDaten (the value
 * of TARVO_STEUDAT, else "TARVO.DAT"); null before the first call. The text a pointer
 * once referred to stays valid for the life of the process. */
TARVO_API extern const char* FileName;

/* Clears TarvoDaten and writes the built-in values. */
TARVO_API void InitTarvoDaten(void);

/* Checks sb, loads the control data (file TARVO_STEUDAT / "TARVO.DAT", else the built-in
 * record), selects block and application entry, copies them into eb and adapts the copy
 * to the reference date. reserve is not used. Returns 0, 443 (default entry used) or the
 * failure number 401, 403, 441, 442, 444, 489; the code text is also written into sb. */
TARVO_API int32_t PS_LesenTarvoDaten(PS_SB* sb, void* reserve, PS_EB* eb);

/* Date helpers. tDate = YYYYMMDD (8 chars), tS0Date = DD.MM.YYYY in 12 bytes, tS0Time =
 * HH:MM:SS in 10 bytes. The text helpers return their buffer. */
TARVO_API char* smalItoA(int32_t value, char* buffer, int32_t width);
TARVO_API char* GetFormTM_tS0Date(const struct tm* t, char* buffer12);
TARVO_API char* GetFromTM_tS0Time(const struct tm* t, char* buffer10);
TARVO_API char* tS0Date_to_tDate(const char* s0date, char* buffer8);
/* Return 1 when the second date lies after the first, -1 when before, 0 when the same day
 * (0 also for a null argument). */
TARVO_API int32_t CompareDate_tm_tDate(const struct tm* t, const char* date);
TARVO_API int32_t CompareDate_tDate_tDate(const char* a, const char* b);
/* Phase of a date: 1 before start, 2 from start to the day before end, 3 from end on. */
TARVO_API int32_t WhereAmIToday(const struct tm* t, const char* start, const char* end);
TARVO_API int32_t WhereAmINow(const char* reference, const char* start, const char* end);
/* Replaces each byte of buffer found in set by the replacement at the same position; returns
 * the number of bytes replaced (0 for a null argument or length <= 0). */
TARVO_API int32_t _MemReplaceChar(char* buffer, int32_t length, const char* set,
                                  const char* replacement);

TARVO_EXTERN_C_END

#endif
