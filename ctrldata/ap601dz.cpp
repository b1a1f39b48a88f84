// SPDX-License-Identifier: Apache-2.0
// ap601dz: PS_LesenTarvoDaten, the load from the built-in record and the date helpers.
#include "ctrldata_internal.h"
#include "decarith.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

TARVO_EXTERN_C_BEGIN
TARVO_API const char* FileName = nullptr;
TARVO_EXTERN_C_END

namespace {

constexpr int32_t kOk = tarvo::rc::kOk;
constexpr int32_t kSenderMissing = tarvo::rc::kSenderMissing;
constexpr int32_t kNullArgument = tarvo::rc::kParameterWrong;
constexpr int32_t kBlockVersionWrong = tarvo::rc::kLoadBlockVersion;
constexpr int32_t kVersionNotFound = tarvo::rc::kEbVersionNotFound;
constexpr int32_t kDefaultEntryUsed = tarvo::rc::kDefaultEntryUsed;
constexpr int32_t kFileError = tarvo::rc::kFileError;

constexpr const char kNoRate[14] = "+00000000000";

std::once_flag builtinOnce;

// Names that FileName points to. They are never freed, so a pointer read from FileName stays
// readable for good. The first kInterned different names are kept for the life of the process;
// after that, further names rotate through kRing fixed buffers, so a long-running process that
// sees ever new names holds a bounded amount of them (a name read from FileName then keeps its
// text until kRing later loads with yet other names).
constexpr std::size_t kInterned = 16;
constexpr std::size_t kRing = 16;
constexpr std::size_t kNameMax = 4096;

const char* internFileName(const char* name) noexcept {
    // The name of this thread's previous load, found without the lock.
    thread_local const char* last = nullptr;
    if (last != nullptr && std::strcmp(last, name) == 0) {
        return last;
    }
    static std::mutex mutex;
    static char interned[kInterned][kNameMax];
    static std::size_t internedCount = 0;
    static char ring[kRing][kNameMax];
    static std::size_t ringNext = 0;
    std::lock_guard<std::mutex> lock(mutex);
    for (std::size_t i = 0; i < internedCount; ++i) {
        if (std::strcmp(interned[i], name) == 0) {
            return last = interned[i];
        }
    }
    const std::size_t len = std::strlen(name);
    char* slot = nullptr;
    if (internedCount < kInterned && len < kNameMax) {
        slot = interned[internedCount++];
    } else {
        // Ring texts may change later: they are not remembered for the lock-free path.
        last = nullptr;
        for (auto& r : ring) {
            if (std::strcmp(r, name) == 0) {
                return r;
            }
        }
        slot = ring[ringNext];
        ringNext = (ringNext + 1) % kRing;
        const std::size_t n = len < kNameMax ? len : kNameMax - 1; // too long to open anyway
        std::memcpy(slot, name, n);
        slot[n] = '\0';
        return slot;
    }
    std::memcpy(slot, name, len + 1);
    return last = slot;
}

void writeCode(PS_SB* sb, const char* code) {
    std::memcpy(sb->RETURN_CODE, code, 4);
}

// The exported code text of a loader result; a number outside the table counts as a file
// error.
const char* codeText(int32_t rc) {
    const char* text = tarvo::rc::exportedCode(rc);
    return text != nullptr ? text : Rc03_DateiFehler;
}

void tmToTDate(const std::tm& t, char* out8) {
    smalItoA(t.tm_year + 1900, out8, 4);
    smalItoA(t.tm_mon + 1, out8 + 4, 2);
    smalItoA(t.tm_mday, out8 + 6, 2);
}

bool isTodayRequest(const char* date) {
    return date[0] == '\0' || std::memcmp(date, "00000000", 8) == 0 ||
           std::memcmp(date, "99999999", 8) == 0;
}

int32_t compareDigit(int a, int b) {
    if (b < a) {
        return -1;
    }
    return b > a ? 1 : 0;
}

int32_t compareYmd(int ya, int ma, int da, int yb, int mb, int db) {
    if (ya != yb) {
        return compareDigit(ya, yb);
    }
    if (ma != mb) {
        return compareDigit(ma, mb);
    }
    return compareDigit(da, db);
}

int digits(const char* p, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        v = v * 10 + (p[i] - '0');
    }
    return v;
}

// Adapts the copied block to the reference date: rates not yet valid, circulation flags,
// unit exponents, the default quotation and the period flags.
void adaptToReferenceDate(PS_EB* eb, const char* ref, int32_t phase) {
    const int32_t count = std::clamp<int32_t>(eb->WaehrAnzahl, 0, PS_WAEHR_MAX);
    eb->WaehrAnzahl = count;
    for (int32_t i = 0; i < count; ++i) {
        PS_Waehrung& row = eb->Waehrung[i];
        if (row.EinheitExp == '\0' || row.EinheitExp == ';') {
            row.EinheitExp = '0';
        }
        if (phase == 1 || CompareDate_tDate_tDate(ref, row.GueltigAb) > 0) {
            std::memcpy(row.FixKurs, kNoRate, sizeof row.FixKurs);
        }
        row.UmlaufKz = 'N';
        if (phase == 3 && CompareDate_tDate_tDate(ref, row.GueltigBis) >= 0) {
            row.UmlaufKz = 'J';
        }
    }
    if (eb->NotierungEuro == '\0' || eb->NotierungEuro == ';') {
        eb->NotierungEuro = 'M';
    }
    char* flags = eb->Anwendung.PeriodenKz;
    switch (phase) {
    case 1:
        flags[0] = 'J';
        flags[1] = 'N';
        flags[3] = 'N';
        eb->WaehrAnzahl = 0;
        break;
    case 2:
        flags[0] = 'J';
        flags[1] = 'J';
        flags[3] = std::memcmp(ref, eb->Anwendung.Stichtag, 8) >= 0 ? 'J' : 'N';
        break;
    default:
        flags[0] = 'N';
        flags[1] = 'J';
        flags[3] = 'J';
        break;
    }
}

} // namespace

namespace ctrldata {

int32_t ReadPDFromHeap(const PS_SB* sb, PS_EB* eb) {
    if (sb == nullptr || eb == nullptr) {
        return kNullArgument;
    }
    std::call_once(builtinOnce, InitTarvoDaten);

    // The record is walked by the lengths it stores; nothing is read outside it.
    const auto* rec = reinterpret_cast<const unsigned char*>(&TarvoDaten);
    constexpr std::size_t kRecSize = sizeof(PS_TarvoDaten);
    constexpr std::size_t kMinBlock = PS_BLOCK_HEADER_SIZE + PS_EB_BODY_SIZE + PS_ANWENDUNG_SIZE;
    const bool firstBlock = std::memcmp(requestedVersion(sb), "  \0", 3) == 0;

    int32_t blocks = 0;
    std::memcpy(&blocks, rec, sizeof blocks);
    std::size_t pos = sizeof(int32_t);
    for (int32_t b = 0; b < blocks; ++b) {
        int32_t hdr[3];
        if (kRecSize - pos < kMinBlock) {
            return kVersionNotFound;
        }
        std::memcpy(hdr, rec + pos, sizeof hdr);
        const int32_t length = hdr[0];
        if (length < static_cast<int32_t>(kMinBlock) ||
            static_cast<std::size_t>(length) > kRecSize - pos) {
            return kVersionNotFound;
        }
        const unsigned char* body = rec + pos + PS_BLOCK_HEADER_SIZE;
        if (firstBlock || std::memcmp(requestedVersion(sb), body, 3) == 0) {
            const unsigned char* entries = body + PS_EB_BODY_SIZE;
            const int32_t room =
                (length - PS_BLOCK_HEADER_SIZE - PS_EB_BODY_SIZE) / PS_ANWENDUNG_SIZE;
            const int32_t n = std::clamp(hdr[1], 0, room);
            const unsigned char* chosen = entries;
            int32_t rc = kDefaultEntryUsed;
            for (int32_t i = 0; i < n; ++i) {
                const unsigned char* e = entries + i * PS_ANWENDUNG_SIZE;
                if (std::memcmp(requestedApplication(sb), e, 9) == 0) {
                    chosen = e;
                    rc = kOk;
                    break;
                }
            }
            std::memcpy(eb, body, PS_EB_BODY_SIZE);
            std::memcpy(&eb->Anwendung, chosen, PS_ANWENDUNG_SIZE);
            return rc;
        }
        if (hdr[2] != 0) {
            return kVersionNotFound;
        }
        pos += static_cast<std::size_t>(length);
    }
    return kVersionNotFound;
}

} // namespace ctrldata

TARVO_EXTERN_C_BEGIN

TARVO_API int32_t PS_LesenTarvoDaten(PS_SB* sb, void* reserve, PS_EB* eb) {
    (void)reserve;
    if (sb == nullptr || eb == nullptr) {
        return kNullArgument;
    }
    std::memset(eb, 0, sizeof(PS_EB));
    if (std::memcmp(sb->SB_VERSION, "01", 2) != 0) {
        writeCode(sb, Rc01_SBVersFalsch);
        return kBlockVersionWrong;
    }
    if (sb->SENDER[0] == ' ' || sb->SENDER[0] == '\0') {
        writeCode(sb, Rc00_SBAbsFehlt);
        return kSenderMissing;
    }

    const char* env = std::getenv("TARVO_STEUDAT");
    const char* name = internFileName(env != nullptr ? env : "TARVO.DAT");
    std::atomic_ref<const char*>(FileName).store(name);

    // Only a file that does not exist falls back to the built-in record; a file that exists
    // but cannot be opened or is no regular file is a file error, never silently other data.
    int32_t rc;
    const int fd = ctrldata::OpenControlFile(env != nullptr ? env : "TARVO.DAT");
    if (fd >= 0) {
        rc = ctrldata::ReadPDFromFile(fd, env != nullptr ? env : "TARVO.DAT", sb, eb);
    } else if (fd == ctrldata::kAbsent) {
        rc = ctrldata::ReadPDFromHeap(sb, eb);
    } else {
        rc = kFileError;
    }
    writeCode(sb, codeText(rc));
    sb->Reserve2[0] = '\0';
    if (rc != kOk && rc != kDefaultEntryUsed) {
        return rc;
    }

    // One reading of the clock for date, time and stamp.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    GetFormTM_tS0Date(&local, eb->AufrufDatumS0);
    tS0Date_to_tDate(eb->AufrufDatumS0, eb->AufrufDatum);
    GetFromTM_tS0Time(&local, eb->AufrufZeit);
    eb->AufrufZeitstempel = static_cast<int32_t>(now);

    int32_t phase;
    if (isTodayRequest(sb->BEZUGSDATUM)) {
        tmToTDate(local, sb->BEZUGSDATUM);
        phase = WhereAmIToday(&local, eb->Anwendung.UmstBeginn, eb->Anwendung.UmstEnde);
    } else {
        phase = WhereAmINow(sb->BEZUGSDATUM, eb->Anwendung.UmstBeginn, eb->Anwendung.UmstEnde);
    }
    adaptToReferenceDate(eb, sb->BEZUGSDATUM, phase);

    if (eb->Anwendung.Modus == 'T') {
        WriteLog("PS_SB   <--:", PS_SB_SIZE, sb);
        WriteLog("PS_EB   <--:", PS_EB_SIZE, eb);
    }
    return rc;
}

// ---- date helpers ----

TARVO_API char* smalItoA(int32_t value, char* buffer, int32_t width) {
    if (buffer == nullptr) {
        return buffer;
    }
    std::memset(buffer, '0', width > 0 ? static_cast<std::size_t>(width) : 0);
    // The magnitude is written; digits that do not fit the width are dropped, never
    // written in front of the buffer.
    int64_t v = value < 0 ? -static_cast<int64_t>(value) : value;
    for (int32_t i = width - 1; i >= 0 && v != 0; --i) {
        buffer[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    return buffer;
}

TARVO_API char* GetFormTM_tS0Date(const struct tm* t, char* buffer12) {
    if (t == nullptr || buffer12 == nullptr) {
        return buffer12;
    }
    std::memset(buffer12, 0, 12);
    buffer12[2] = '.';
    buffer12[5] = '.';
    smalItoA(t->tm_mday, buffer12, 2);
    smalItoA(t->tm_mon + 1, buffer12 + 3, 2);
    smalItoA(t->tm_year + 1900, buffer12 + 6, 4);
    return buffer12;
}

TARVO_API char* GetFromTM_tS0Time(const struct tm* t, char* buffer10) {
    if (t == nullptr || buffer10 == nullptr) {
        return buffer10;
    }
    std::memset(buffer10, 0, 10);
    buffer10[2] = ':';
    buffer10[5] = ':';
    smalItoA(t->tm_hour, buffer10, 2);
    smalItoA(t->tm_min, buffer10 + 3, 2);
    smalItoA(t->tm_sec, buffer10 + 6, 2);
    return buffer10;
}

TARVO_API char* tS0Date_to_tDate(const char* s0date, char* buffer8) {
    if (s0date == nullptr || buffer8 == nullptr) {
        return buffer8;
    }
    std::memset(buffer8, 0, 8);
    std::memcpy(buffer8, s0date + 6, 4);
    std::memcpy(buffer8 + 4, s0date + 3, 2);
    std::memcpy(buffer8 + 6, s0date, 2);
    return buffer8;
}

TARVO_API int32_t CompareDate_tDate_tDate(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) {
        return 0;
    }
    return compareYmd(digits(a, 4), digits(a + 4, 2), digits(a + 6, 2), digits(b, 4),
                      digits(b + 4, 2), digits(b + 6, 2));
}

TARVO_API int32_t CompareDate_tm_tDate(const struct tm* t, const char* date) {
    if (t == nullptr || date == nullptr) {
        return 0;
    }
    return compareYmd(t->tm_year + 1900, t->tm_mon + 1, t->tm_mday, digits(date, 4),
                      digits(date + 4, 2), digits(date + 6, 2));
}

TARVO_API int32_t WhereAmIToday(const struct tm* t, const char* start, const char* end) {
    if (CompareDate_tm_tDate(t, start) > 0) {
        return 1;
    }
    return CompareDate_tm_tDate(t, end) > 0 ? 2 : 3;
}

TARVO_API int32_t WhereAmINow(const char* reference, const char* start, const char* end) {
    if (CompareDate_tDate_tDate(reference, start) > 0) {
        return 1;
    }
    return CompareDate_tDate_tDate(reference, end) > 0 ? 2 : 3;
}

TARVO_API int32_t _MemReplaceChar(char* buffer, int32_t length, const char* set,
                                  const char* replacement) {
    if (buffer == nullptr || set == nullptr || replacement == nullptr || length <= 0) {
        return 0;
    }
    // A zero byte finds the set's terminator; only replacements that exist are used.
    const std::size_t setLen = std::strlen(set);
    const std::size_t replLen = std::strlen(replacement);
    int32_t replaced = 0;
    for (int32_t i = 0; i < length; ++i) {
        const void* hit = std::memchr(set, buffer[i], setLen + 1);
        if (hit == nullptr) {
            continue;
        }
        const auto index = static_cast<std::size_t>(static_cast<const char*>(hit) - set);
        if (index <= replLen) {
            buffer[i] = replacement[index];
            ++replaced;
        }
    }
    return replaced;
}

TARVO_EXTERN_C_END
