/* SPDX-License-Identifier: Apache-2.0 */
// Internal steps of the control-data loader, shared by its modules.
#ifndef TARVO_CTRLDATA_INTERNAL_H
#define TARVO_CTRLDATA_INTERNAL_H

#include "ctrldata.h"
#include "returncode.h"

#include <cstddef>
#include <cstdio>

namespace ctrldata {

// The requested version with its zero byte (3 bytes) and the application name with its
// zero byte (9 bytes), as the loaders compare them.
inline const unsigned char* requestedVersion(const PS_SB* sb) {
    return reinterpret_cast<const unsigned char*>(sb) + offsetof(PS_SB, EB_VERSION);
}
inline const unsigned char* requestedApplication(const PS_SB* sb) {
    return reinterpret_cast<const unsigned char*>(sb) + offsetof(PS_SB, ANWENDUNG);
}

// Load from the built-in record: 0, 442 (version not found) or 443 (default entry).
int32_t ReadPDFromHeap(const PS_SB* sb, PS_EB* eb);

// Opens the control-data file for reading without blocking and checks it is a regular file:
// the descriptor (>= 0), kAbsent when there is no file of that name (the only case in which
// the built-in record stands in), or kUnusable (any other failure: no permission, no
// descriptors or memory left, a FIFO, device or folder under the name).
inline constexpr int kAbsent = -1;
inline constexpr int kUnusable = -2;
int OpenControlFile(const char* name);

// Load from the control-data file, which the caller opened as fd (OpenControlFile) and closes
// through this call: 0, 442, 443, 444 (no buffer) or 489 (file not convertible or readable).
int32_t ReadPDFromFile(int fd, const char* name, const PS_SB* sb, PS_EB* eb);

} // namespace ctrldata

#endif
