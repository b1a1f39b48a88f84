/* SPDX-License-Identifier: Apache-2.0 */
/* A business application's conversion in plain C: load the control data for a date,
 * then convert 100.00 German marks into euro with U1. Build against an installed Tarvo:
 *   cc convert.c $(pkg-config ...) or, with CMake, find_package(Tarvo) and link
 *   Tarvo::ctrldata Tarvo::convkern. */
#include <stdio.h>
#include <string.h>

#include "convkern.h"
#include "ctrldata.h"

static void put(char* field, const char* text) {
    memcpy(field, text, strlen(text));
}

int main(void) {
    PS_SB load;
    PS_EB eb;
    U1_SB sb;
    int32_t aux = 0;
    int32_t rc;

    memset(&load, 0, sizeof load);
    put(load.SB_VERSION, "01");
    put(load.SENDER, "EXAMPLE ");
    put(load.EB_VERSION, "  ");        /* first block of the control data */
    put(load.ANWENDUNG, "        ");   /* default application entry */
    put(load.BEZUGSDATUM, "20010615"); /* reference date */
    rc = PS_LesenTarvoDaten(&load, &aux, &eb);
    if (rc != 0) {
        fprintf(stderr, "control data: %d\n", (int)rc);
        return 1;
    }

    memset(&sb, 0, sizeof sb);
    put(sb.SB_VERSION, "01");
    put(sb.SENDER, "EXAMPLE ");
    sb.RATE_TYPE = 'M';
    put(sb.ISO_CODE_E, "DEM");
    put(sb.ISO_CODE_A, "EUR");
    sb.RATE_PRINT_FLAG = 'N';
    put(sb.BOOKING_DATE, "20010615");
    put(sb.AMOUNT_E, "+000000000010000"); /* 100.00 as taDez13p2 */
    rc = U1_UmrFwaehrBwaehr(&sb, &eb, &aux);

    printf("return %d, code %.4s\n", (int)rc, sb.RETURN_CODE);
    printf("amount %.16s, rate %.12s, rounding difference %.8s\n", sb.AMOUNT_A_13_2, sb.RATE_USED,
           sb.ROUND_DIFF);
    return rc == 0 ? 0 : 1;
}
