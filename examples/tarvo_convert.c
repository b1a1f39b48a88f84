/* SPDX-License-Identifier: Apache-2.0 */
/* Converts one amount with libtarvo and prints the result, the rate and where it came from.
 *   cc tarvo_convert.c $(pkg-config --cflags --libs tarvo) -o tarvo_convert
 *   ./tarvo_convert 100 DEM EUR 2001-06-15
 * With CMake: find_package(Tarvo REQUIRED) and target_link_libraries(app Tarvo::tarvo). */
#include <stdio.h>

#include "tarvo.h"

int main(int argc, char** argv) {
    const char* amount = argc > 1 ? argv[1] : "100";
    const char* from = argc > 2 ? argv[2] : "DEM";
    const char* to = argc > 3 ? argv[3] : "EUR";
    const char* date = argc > 4 ? argv[4] : "2001-06-15";

    tarvo_options opts = {0};
    opts.builtin = 1; /* the built-in control data, no TARVO.DAT needed */
    tarvo_error err;
    tarvo_context* ctx = tarvo_open(&opts, &err);
    if (ctx == NULL) {
        fprintf(stderr, "tarvo_open: %d %s\n", err.code, err.message);
        return 2;
    }
    tarvo_result r;
    int code = tarvo_convert(ctx, amount, from, to, date, &r);
    if (code != TARVO_OK && code != TARVO_RATE_IGNORED) {
        fprintf(stderr, "%s %s -> %s: %d %s\n", amount, from, to, code, r.message_en);
        tarvo_close(ctx);
        return 1;
    }
    printf("%s %s = %s %s (rate %s%s, rounding difference %s, %s, libtarvo %s)\n", amount, from,
           r.amount, to, r.rate.value, r.rate.fixed ? " fixed" : "", r.rounding_difference,
           r.function, tarvo_version());
    tarvo_close(ctx);
    return 0;
}
