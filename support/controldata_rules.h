/* SPDX-License-Identifier: Apache-2.0 */
// Rules of the control-data block PS_EB that the kernel and tarvo both apply. The block is
// read byte-wise, so that it may lie at any address.
#ifndef TARVO_SUPPORT_CONTROLDATA_RULES_H
#define TARVO_SUPPORT_CONTROLDATA_RULES_H

#include <cstddef>

#include "ctrldata.h"

namespace tarvo::ctl {

// Position 2 of the application entry's period flags: 'J' once the changeover period has
// begun.
inline bool euroPeriod(const void* eb) {
    constexpr std::size_t kAt = offsetof(PS_EB, Anwendung) + offsetof(PS_Anwendung, PeriodenKz) + 1;
    return static_cast<const char*>(eb)[kAt] == 'J';
}

// The base currency (3 characters and a zero byte): the block's base-currency field in the
// changeover period, its home-currency field before.
inline const char* baseCurrency(const void* eb) {
    return static_cast<const char*>(eb) +
           (euroPeriod(eb) ? offsetof(PS_EB, BasisWaehrung) : offsetof(PS_EB, HeimWaehrung));
}

} // namespace tarvo::ctl

#endif
