// SPDX-License-Identifier: Apache-2.0
// An output file that replaces its target only when it is complete.
#include "atomic_file.h"

#include <utility>

#include "ratefile.h"

namespace tarvo::tool {

AtomicOutputFile::AtomicOutputFile(std::filesystem::path target) : target_(std::move(target)) {
    // The program's temporary files go when an interrupt or termination signal ends it.
    tarvo::durable::installSignalCleanup();
    const tarvo::durable::Status st = out_.open(target_.c_str());
    if (!st.ok())
        fail(st);
    tmp_ = out_.temporary();
}

AtomicOutputFile::~AtomicOutputFile() = default; // the replacement removes an uncommitted file

void AtomicOutputFile::fail(const tarvo::durable::Status& status) {
    out_.abort();
    tmp_.clear();
    char why[256];
    tarvo::durable::describe(status, why, sizeof why);
    throw ratefile::Error("cannot write " + target_.string() + ": " + why);
}

void AtomicOutputFile::write(std::string_view bytes) {
    if (out_.fd() < 0)
        throw ratefile::Error("cannot write " + target_.string() + ": file already closed");
    const tarvo::durable::Status st = out_.write(bytes.data(), bytes.size());
    if (!st.ok())
        fail(st);
}

void AtomicOutputFile::commit() {
    if (out_.fd() < 0)
        throw ratefile::Error("cannot write " + target_.string() + ": file already closed");
    const tarvo::durable::Status st = out_.commit();
    tmp_.clear();
    // A folder that cannot be synced leaves the file replaced; that is reported all the same.
    if (!st.ok())
        fail(st);
}

} // namespace tarvo::tool
