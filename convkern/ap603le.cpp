// SPDX-License-Identifier: Apache-2.0
// LW_LesenWaehrKursDaten: reads the currency-rate file and returns the record for a currency
// and date. The file is read whole; the last file read is kept as an immutable, indexed
// snapshot that later calls answer from while the file is provably unchanged.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

#include "kernel_internal.h"
#include "ratecodec.h"

namespace convkern {
namespace {

namespace rc = tarvo::ratecodec;
constexpr std::size_t kRecord = rc::kRecordSize;

void take(LW_SB& req, const char* rec) {
    namespace off = rc::offset;
    zeroFrom(&req, LW_SB_OUT, LW_SB_SIZE);
    std::memcpy(req.ISO_CODE_OUT, rec + off::iso, 3);
    std::memcpy(req.CURRENCY_NO_OUT, rec + off::number, 3);
    std::memcpy(req.FIELD_20, rec + off::extra3, 3);
    req.BLOCKED_FLAG = rec[off::blocked];
    req.CHAR_28 = rec[off::extra1];
    writeUnit(req.RATE_UNIT, rc::readUnit(rec));
    req.DEC_FLAG = rec[off::decimals];
    req.RATE_PRINT_FLAG = rec[off::ratePrint];
    std::memcpy(req.RATE_DATE, rec + off::rateDate, 8);
    for (std::size_t i = 0; i < off::rateCount; ++i)
        std::memcpy(req.RATES[i], rec + off::rate1 + i * off::rateStep, off::rateWidth);
    for (std::size_t i = 0; i < off::dateCount; ++i)
        std::memcpy(req.DATES[i], rec + off::date1 + i * off::dateStep, 8);
    req.QUOTATION = rec[off::quotation];
}

// What the request looks for: the key bytes and where they stand in a record.
struct Key {
    const char* text;
    std::size_t offset;
};

const char* recordAt(const char* buf, std::size_t i) {
    return buf + i * kRecord;
}
// Eight date bytes as a number that orders like the bytes do.
uint64_t dateKey(const char* d) {
    uint64_t v;
    std::memcpy(&v, d, sizeof v);
    return __builtin_bswap64(v);
}
bool dateAfter(const char* requested, const char* rec) {
    return dateKey(requested) < dateKey(rec + rc::offset::rateDate);
}
bool newestRequested(const char* date) {
    return std::memcmp(date, "99999999", 8) == 0;
}

// The literal search: the first record with the key is the candidate; while the requested
// date is before the candidate's date, the next record takes its place if it has the same
// key. Records of a currency stand together, newest first, so this is the newest record
// whose date is not after the requested one.
int32_t selectLinear(const char* buf, std::size_t records, const Key& key, const char* date,
                     const char*& found) {
    std::size_t i = 0;
    while (i < records && std::memcmp(recordAt(buf, i) + key.offset, key.text, 3) != 0)
        ++i;
    if (i == records)
        return kLwNotFound;
    if (!newestRequested(date)) {
        while (dateAfter(date, recordAt(buf, i))) {
            ++i;
            if (i == records || std::memcmp(recordAt(buf, i) + key.offset, key.text, 3) != 0)
                return kLwNoRate;
        }
    }
    found = recordAt(buf, i);
    return kOk;
}

// ---- reading the file ------------------------------------------------------------------

// The whole file in a buffer from AR_New_.
struct FileBytes {
    char* data = nullptr;
    std::size_t size = 0;
    struct stat st {};
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes() { AR_Delete_(data); }
};

// Opens without blocking, so that a FIFO or device of that name never hangs the caller; only
// a regular file is a rate file. Returns 0, 489 or 444.
int32_t readWhole(const char* path, FileBytes& out) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return kLwFile;
    if (::fstat(fd, &out.st) != 0 || !S_ISREG(out.st.st_mode)) {
        ::close(fd);
        return kLwFile;
    }
    if (out.st.st_size > INT32_MAX) {
        ::close(fd);
        return kNoMemory;
    }
    const auto size = static_cast<std::size_t>(out.st.st_size);
    out.data = static_cast<char*>(AR_New_(static_cast<int32_t>(size)));
    if (out.data == nullptr) {
        ::close(fd);
        return kNoMemory;
    }
    // A file cut short while it is read yields what was there; a read error is a file error
    // (what was read so far could miss the currency's records and answer 482 wrongly).
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, out.data + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return kLwFile;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.size = got;
    return kOk;
}

// ---- the snapshot ------------------------------------------------------------------------

constexpr int64_t kNsPerS = 1000000000;
// A snapshot taken this soon after the file's last change is never trusted: a change within
// the same tick of the file-system clock would leave the times unchanged.
constexpr int64_t kRacyMarginNs = 2 * kNsPerS;

int64_t nanos(const timespec& t) {
    return static_cast<int64_t>(t.tv_sec) * kNsPerS + t.tv_nsec;
}

// Identity of a file version: any write, truncation, replacement, rename over it or change of
// its mode changes at least one of these.
struct FileId {
    dev_t dev;
    ino_t ino;
    off_t size;
    int64_t mtime;
    int64_t ctime;
    static FileId of(const struct stat& st) {
        return {st.st_dev, st.st_ino, st.st_size, nanos(st.st_mtim), nanos(st.st_ctim)};
    }
    bool operator==(const FileId&) const = default;
};

// The first run of consecutive records with one key: the only records the literal search can
// reach for that key.
struct Run {
    uint32_t key;
    uint32_t first;
    uint32_t count;
    bool newestFirst; // dates never increase along the run
};

std::vector<Run> buildRuns(const char* buf, std::size_t records, std::size_t keyOffset) {
    std::vector<Run> runs;
    std::size_t i = 0;
    while (i < records) {
        const char* start = recordAt(buf, i);
        Run run{rc::packKey(start + keyOffset), static_cast<uint32_t>(i), 1, true};
        while (i + run.count < records &&
               std::memcmp(recordAt(buf, i + run.count) + keyOffset, start + keyOffset, 3) == 0) {
            if (dateKey(recordAt(buf, i + run.count) + rc::offset::rateDate) >
                dateKey(recordAt(buf, i + run.count - 1) + rc::offset::rateDate))
                run.newestFirst = false;
            ++run.count;
        }
        runs.push_back(run);
        i += run.count;
    }
    // One run per key, the first in file order.
    std::stable_sort(runs.begin(), runs.end(),
                     [](const Run& a, const Run& b) { return a.key < b.key; });
    runs.erase(std::unique(runs.begin(), runs.end(),
                           [](const Run& a, const Run& b) { return a.key == b.key; }),
               runs.end());
    runs.shrink_to_fit();
    return runs;
}

struct Snapshot {
    FileId id;
    FileBytes bytes;
    std::vector<Run> byIso;
    std::vector<Run> byNumber;

    // The same answer as selectLinear over the same bytes.
    int32_t select(const Key& key, const char* date, const char*& found) const {
        const auto& runs = key.offset == rc::offset::iso ? byIso : byNumber;
        const uint32_t k = rc::packKey(key.text);
        const auto it = std::lower_bound(runs.begin(), runs.end(), k,
                                         [](const Run& r, uint32_t v) { return r.key < v; });
        if (it == runs.end() || it->key != k)
            return kLwNotFound;
        const char* buf = bytes.data;
        std::size_t i = it->first;
        const std::size_t end = i + it->count;
        if (!newestRequested(date)) {
            if (it->newestFirst) {
                // First record whose date is not after the requested date.
                std::size_t lo = i;
                std::size_t hi = end;
                while (lo < hi) {
                    const std::size_t mid = lo + (hi - lo) / 2;
                    if (dateAfter(date, recordAt(buf, mid)))
                        lo = mid + 1;
                    else
                        hi = mid;
                }
                i = lo;
            } else {
                while (i < end && dateAfter(date, recordAt(buf, i)))
                    ++i;
            }
            if (i == end)
                return kLwNoRate;
        }
        found = recordAt(buf, i);
        return kOk;
    }
};

// The snapshot of the file read last, shared by all threads. A reader copies the pointer
// under the lock and keeps its own reference, so a swap never frees what another thread reads.
std::mutex gSnapshotLock;
std::shared_ptr<const Snapshot> gSnapshot;
// Held while the file is read for a snapshot: threads that miss at once read it once, and the
// process holds one copy of the file beside the snapshot it replaces, not one per thread.
std::mutex gBuildLock;

std::shared_ptr<const Snapshot> currentSnapshot() {
    std::lock_guard<std::mutex> lock(gSnapshotLock);
    return gSnapshot;
}
void publish(std::shared_ptr<const Snapshot> s) {
    std::shared_ptr<const Snapshot> old;
    {
        std::lock_guard<std::mutex> lock(gSnapshotLock);
        old = std::move(gSnapshot);
        gSnapshot = std::move(s);
    }
    // old is released outside the lock.
}

int64_t realtimeNow() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return nanos(t);
}

// Whether a snapshot read at readStart may stand for a file of identity id.
bool settled(const FileId& id, int64_t readStart) {
    return readStart - std::max(id.mtime, id.ctime) >= kRacyMarginNs;
}

// ---- the request ---------------------------------------------------------------------------

// Answers from the bytes of a file read whole, with the literal search.
int32_t answerFrom(const FileBytes& file, LW_SB& req, const Key& key) {
    const char* found = nullptr;
    const int32_t s = selectLinear(file.data, file.size / kRecord, key, req.REQ_DATE, found);
    if (s == kOk)
        take(req, found);
    return s;
}

// Reads the file afresh and answers from its bytes (the read-per-call behaviour).
int32_t answerFromFreshRead(const char* path, LW_SB& req, const Key& key) {
    FileBytes file;
    const int32_t r = readWhole(path, file);
    return r != kOk ? r : answerFrom(file, req, key);
}

// Within one batch call (U5 to U8, A5) the elements see the file as the first one found it:
// the file is checked once per call of the caller, not once per element.
struct BatchScope {
    int depth = 0;
    std::shared_ptr<const Snapshot> snap;
    std::string path;
};
thread_local BatchScope tBatch;

int32_t answerFrom(const Snapshot& snap, LW_SB& req, const Key& key) {
    const char* found = nullptr;
    const int32_t s = snap.select(key, req.REQ_DATE, found);
    if (s == kOk)
        take(req, found);
    return s;
}

int32_t answerFromSnapshot(const char* path, LW_SB& req, const Key& key) {
    if (tBatch.depth > 0 && tBatch.snap && tBatch.path == path)
        return answerFrom(*tBatch.snap, req, key);
    struct stat st;
    if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return answerFromFreshRead(path, req, key); // answers as the open does
    const FileId now = FileId::of(st);
    std::shared_ptr<const Snapshot> snap = currentSnapshot();
    std::unique_lock<std::mutex> building(gBuildLock, std::defer_lock);
    if (!(snap && snap->id == now)) {
        building.lock();
        snap = currentSnapshot(); // another thread may have read the file meanwhile
    }
    if (!(snap && snap->id == now)) {
        const int64_t readStart = realtimeNow();
        auto fresh = std::make_shared<Snapshot>();
        const int32_t r = readWhole(path, fresh->bytes);
        if (r != kOk)
            return r;
        fresh->id = FileId::of(fresh->bytes.st);
        struct stat after;
        const bool stable = ::stat(path, &after) == 0 && FileId::of(after) == fresh->id;
        if (!stable || fresh->bytes.size != static_cast<std::size_t>(fresh->id.size) ||
            !settled(fresh->id, readStart)) {
            // Changed during the read, or too recently changed to be trusted: answer from
            // these bytes once and keep nothing.
            publish(nullptr);
            return answerFrom(fresh->bytes, req, key);
        }
        const std::size_t records = fresh->bytes.size / kRecord;
        fresh->byIso = buildRuns(fresh->bytes.data, records, rc::offset::iso);
        fresh->byNumber = buildRuns(fresh->bytes.data, records, rc::offset::number);
        snap = std::move(fresh);
        publish(snap);
    }
    if (building.owns_lock())
        building.unlock();
    if (tBatch.depth > 0) {
        tBatch.path = path;
        tBatch.snap = snap;
    }
    return answerFrom(*snap, req, key);
}

// The rate file's name (TARVO_WAEHKURS) and whether the snapshot is switched off
// (TARVO_WAEHKURS_CACHE=0), read in one pass over the environment.
struct Settings {
    const char* path = "WAEHKURS.DAT";
    bool cacheOff = false;
};
Settings settings() {
    static constexpr char kName[] = "TARVO_WAEHKURS";
    constexpr std::size_t kLen = sizeof kName - 1;
    Settings s;
    bool named = false;
    bool switched = false;
    for (char** e = environ; e != nullptr && *e != nullptr && !(named && switched); ++e) {
        const char* v = *e;
        if (v[0] != 'T' || std::strncmp(v, kName, kLen) != 0)
            continue;
        if (v[kLen] == '=' && !named) {
            s.path = v + kLen + 1;
            named = true;
        } else if (std::strncmp(v + kLen, "_CACHE=", 7) == 0 && !switched) {
            s.cacheOff = std::strcmp(v + kLen + 7, "0") == 0;
            switched = true;
        }
    }
    return s;
}

int32_t readRates(LW_SB& req) {
    if (!versionOk(req.SB_VERSION)) {
        zeroFrom(&req, LW_SB_OUT, LW_SB_SIZE);
        return kLwVersion;
    }
    if (senderMissing(req.SENDER)) {
        zeroFrom(&req, LW_SB_OUT, LW_SB_SIZE);
        return kSenderMissing;
    }
    Key key{};
    if (std::memcmp(req.ISO_CODE, "   ", 3) != 0)
        key = {req.ISO_CODE, rc::offset::iso};
    else if (std::memcmp(req.CURRENCY_NO, "   ", 3) != 0)
        key = {req.CURRENCY_NO, rc::offset::number};
    else
        return kLwNotFound;

    const Settings env = settings();
    try {
        return env.cacheOff ? answerFromFreshRead(env.path, req, key)
                            : answerFromSnapshot(env.path, req, key);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace

RateFileBatch::RateFileBatch() {
    ++tBatch.depth;
}
RateFileBatch::~RateFileBatch() {
    if (--tBatch.depth == 0)
        tBatch.snap.reset();
}

} // namespace convkern

extern "C" TARVO_API int32_t LW_LesenWaehrKursDaten(LW_SB* req, void* /*p2*/, void* /*p3*/) {
    if (req == nullptr)
        return convkern::kLwVersion;
    const int32_t rc = convkern::readRates(*req);
    convkern::setCode(req->RETURN_CODE, rc);
    return rc;
}
