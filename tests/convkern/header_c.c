/* SPDX-License-Identifier: Apache-2.0 */
/* The kernel header is plain C: compiling it here checks every block layout in C as well. */
#include "convkern.h"

size_t kernel_header_c_sizes(void);
size_t kernel_header_c_sizes(void) {
    return sizeof(U1_SB) + sizeof(U2_SB) + sizeof(U3_SB) + sizeof(U4_SB) + sizeof(LW_SB) +
           sizeof(U5_ELEM) + sizeof(U6_ELEM) + sizeof(U7_ELEM) + sizeof(U8_ELEM);
}
