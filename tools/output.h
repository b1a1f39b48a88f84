/* SPDX-License-Identifier: Apache-2.0 */
// Standard output that is checked: a failed write or close is reported and fails the run.
#ifndef TARVO_TOOLS_OUTPUT_H
#define TARVO_TOOLS_OUTPUT_H

#include <string>
#include <string_view>

namespace tarvo::tool {

// Keeps descriptors 0 to 2 taken: a closed one is reopened on /dev/null (standard output
// read-only, so that every write to it fails and is noticed) before any file is opened, so
// no file the program opens can become its standard output. Call first in main.
void guardStandardStreams();

// Flushes and closes standard output; false (with errno's text in `why`) when any write or
// the close failed, or standard output was closed when the program started.
bool finishStandardOutput(std::string& why);

// Writes bytes to descriptor 1 directly; false when they could not all be written.
bool writeStandardOutput(std::string_view bytes);

} // namespace tarvo::tool

#endif
