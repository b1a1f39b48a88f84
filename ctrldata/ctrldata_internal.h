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

// Load from the control-data file, which the caller opened as file and closes through
// this call: 0, 442, 443, 444 (no buffer) or 489 (file not convertible or readable).
int32_t ReadPDFromFile(std::FILE* file, const char* name, const PS_SB* sb, PS_EB* eb);

} // namespace ctrldata

#endif
