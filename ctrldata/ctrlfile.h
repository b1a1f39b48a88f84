/* SPDX-License-Identifier: Apache-2.0 */
/* Control-data file: its layout, and the writer that turns a record of the TarvoDaten
 * form into a file that PS_LesenTarvoDaten reads (static library ctrldata_writer). */
#ifndef TARVO_CTRLFILE_H
#define TARVO_CTRLFILE_H

#include <stddef.h>
#include <stdint.h>

#include "tarvo_export.h"

TARVO_EXTERN_C_BEGIN

/* ---- File layout (offsets in bytes, in the ASCII form with CR LF line ends) ----
 * The file starts with the marker line ";;;;;;;;" CR LF, followed by blocks back to back.
 * A block is a 24-byte header, the body up to offset 82, 50 currency rows of 64 bytes and
 * its application entries of 136 bytes. Line ends inside a block end the fields the reader
 * copies together with their terminator; they become zero bytes when the block is read. */
enum {
    CF_MARKER_SIZE = 10,
    CF_BLOCK_HEADER_SIZE = 24,
    CF_HDR_LENGTH = 0,      /* 8 decimal digits: whole block including the header */
    CF_HDR_LINE_END = 8,    /* CR LF */
    CF_HDR_VERSION = 10,    /* 2 characters */
    CF_HDR_APP_COUNT = 14,  /* 4 decimal digits */
    CF_BODY_BASE = 24,      /* 3 characters */
    CF_BODY_HOME = 30,      /* 3 characters */
    CF_BODY_QUOT_HOME = 36, /* 1 character */
    CF_BODY_QUOT_2 = 40,    /* 1 character */
    CF_BODY_QUOT_EURO = 44, /* 1 character */
    CF_BODY_COUNT = 78,     /* decimal digits up to the first non-digit */
    CF_ROWS = 82,
    CF_ROW_SIZE = 64,
    CF_ROW_COUNT = 50,
    CF_ROW_ISO = 0,       /* 3 */
    CF_ROW_RATE = 6,      /* 14: 12 characters and their line end */
    CF_ROW_CODE1 = 20,    /* 4: 3 digits and the line end's first byte */
    CF_ROW_CODE2 = 26,    /* 4 */
    CF_ROW_FROM = 32,     /* 8 */
    CF_ROW_DECIMALS = 42, /* 1 */
    CF_ROW_UNIT = 46,     /* 1 */
    CF_ROW_FLAG = 49,     /* 1 */
    CF_ROW_UNTIL = 52,    /* 8 */
    CF_ENTRIES = 3282,
    CF_ENTRY_SIZE = 136,
    CF_ENTRY_NAME = 0,     /* 9: 8 characters and the line end's first byte */
    CF_ENTRY_MODE = 10,    /* 1 */
    CF_ENTRY_TESTLIB = 14, /* 18 */
    CF_ENTRY_PRODLIB = 34, /* 18 */
    CF_ENTRY_DB = 54,      /* 5 */
    CF_ENTRY_FLAGS = 60,   /* 10 */
    CF_ENTRY_START = 72,   /* 8 */
    CF_ENTRY_END = 82,     /* 8 */
    CF_ENTRY_SWITCH = 92,  /* 8 */
    CF_BLOCK_MAX = 16384   /* largest block the reader holds */
};

/* ---- Variants of the written file ---- */
typedef enum CF_Variant {
    CF_ASCII_CRLF = 0, /* the form the reader reads directly */
    CF_ASCII_LF = 1,   /* bare LF line ends; converted to CR LF on the first load */
    CF_EBCDIC = 2,     /* EBCDIC with CR LF (0x0D 0x25); translated on the first load */
    CF_EBCDIC_NL = 3   /* EBCDIC with NL (0x15) line ends, as from a host */
} CF_Variant;

/* ---- Results ---- */
enum {
    CF_OK = 0,
    CF_ERR_ARGUMENT = 1,  /* null pointer or unknown variant */
    CF_ERR_RECORD = 2,    /* the record is malformed or a block does not fit a file block */
    CF_ERR_CHARACTER = 3, /* a field holds CR or LF, or a byte the EBCDIC form cannot carry */
    CF_ERR_SPACE = 4,     /* the output buffer is too small (*size holds the size needed) */
    CF_ERR_IO = 5,        /* the file could not be written; nothing was replaced */
    CF_ERR_TARGET = 6,    /* the target is not a regular file; nothing was touched */
    CF_ERR_MEMORY = 7     /* no memory; nothing was replaced */
};

/* Formats a record of the TarvoDaten form (int32 block count, then blocks of header, body
 * and application entries, each at the previous one plus its length; the walk stops after
 * the block whose last-block flag is set) of record_size bytes as a control-data file in
 * the given variant. Writes it to out when out is not null and capacity suffices; *size
 * receives the file size in either case. Zero bytes inside fields are written as ";", the
 * file's mark for an empty position. */
int32_t CF_FormatRecord(const void* record, size_t record_size, int32_t variant, unsigned char* out,
                        size_t capacity, size_t* size);

/* Formats the record as CF_FormatRecord and writes it to path through a temporary file in
 * the same folder that is renamed over path; on any failure path is left as it was. Only a
 * regular file (or a new one) is replaced: a symbolic link is followed, anything else gives
 * CF_ERR_TARGET. */
int32_t CF_WriteRecordFile(const void* record, size_t record_size, int32_t variant,
                           const char* path);

/* Writes the built-in record of libctrldata (InitTarvoDaten) as a file. */
int32_t CF_WriteBuiltinFile(int32_t variant, const char* path);

/* Short English text for a result of the functions above. */
const char* CF_ResultText(int32_t result);

TARVO_EXTERN_C_END

#endif
