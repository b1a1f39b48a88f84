// LW_LesenWaehrKursDaten: reads the currency-rate file and returns the record for a currency
// and date.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

#include "kernel_internal.h"

namespace convkern {
namespace {

constexpr std::size_t kRecord = 252;
// Record offsets.
constexpr std::size_t kRecIso = 0;
constexpr std::size_t kRecNumber = 5;
constexpr std::size_t kRecDate = 10;
constexpr std::size_t kRecField20 = 20;
constexpr std::size_t kRecBlocked = 25;
constexpr std::size_t kRecChar28 = 28;
constexpr std::size_t kRecUnit = 31;
constexpr std::size_t kRecUnitWidth = 6;
constexpr std::size_t kRecDecimals = 37;
constexpr std::size_t kRecRatePrint = 40;
constexpr std::size_t kRecRate1 = 43;
constexpr std::size_t kRecRateStep = 16;
constexpr std::size_t kRecDate1 = 171;
constexpr std::size_t kRecDateStep = 10;
constexpr std::size_t kRecQuotation = 221;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The unit text read like atoi (leading white space, optional sign, digits), but only within
// its field, so a damaged record cannot run the number into the next fields. A value that
// does not fit the 16-bit unit slot is stored as 0, which every conversion rejects.
int16_t parseUnit(const char* p) {
    std::size_t i = 0;
    while (i < kRecUnitWidth && isSpace(p[i]))
        ++i;
    bool negative = false;
    if (i < kRecUnitWidth && (p[i] == '+' || p[i] == '-')) {
        negative = p[i] == '-';
        ++i;
    }
    long value = 0;
    while (i < kRecUnitWidth && p[i] >= '0' && p[i] <= '9') {
        value = value * 10 + (p[i] - '0');
        ++i;
    }
    if (negative)
        value = -value;
    if (value < INT16_MIN || value > INT16_MAX)
        return 0;
    return static_cast<int16_t>(value);
}

void take(LW_SB& req, const char* rec) {
    zeroFrom(&req, LW_SB_OUT, LW_SB_SIZE);
    std::memcpy(req.ISO_CODE_OUT, rec + kRecIso, 3);
    std::memcpy(req.CURRENCY_NO_OUT, rec + kRecNumber, 3);
    std::memcpy(req.FIELD_20, rec + kRecField20, 3);
    req.BLOCKED_FLAG = rec[kRecBlocked];
    req.CHAR_28 = rec[kRecChar28];
    writeUnit(req.RATE_UNIT, parseUnit(rec + kRecUnit));
    req.DEC_FLAG = rec[kRecDecimals];
    req.RATE_PRINT_FLAG = rec[kRecRatePrint];
    std::memcpy(req.RATE_DATE, rec + kRecDate, 8);
    for (std::size_t i = 0; i < 8; ++i)
        std::memcpy(req.RATES[i], rec + kRecRate1 + i * kRecRateStep, 12);
    for (std::size_t i = 0; i < 5; ++i)
        std::memcpy(req.DATES[i], rec + kRecDate1 + i * kRecDateStep, 8);
    req.QUOTATION = rec[kRecQuotation];
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
    const char* key;
    std::size_t keyOffset;
    if (std::memcmp(req.ISO_CODE, "   ", 3) != 0) {
        key = req.ISO_CODE;
        keyOffset = kRecIso;
    } else if (std::memcmp(req.CURRENCY_NO, "   ", 3) != 0) {
        key = req.CURRENCY_NO;
        keyOffset = kRecNumber;
    } else {
        return kLwNotFound;
    }

    const char* name = std::getenv("TARVO_WAEHKURS");
    std::FILE* f = std::fopen(name != nullptr ? name : "WAEHKURS.DAT", "rb");
    if (f == nullptr)
        return kLwFile;
    // A folder or device of that name opens on this platform but is no rate file.
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return kLwFile;
    }
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        size = std::ftell(f);
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        return kLwFile;
    }
    if (size > INT32_MAX) {
        std::fclose(f);
        return kNoMemory;
    }
    char* buf = static_cast<char*>(AR_New_(static_cast<int32_t>(size)));
    if (buf == nullptr) {
        std::fclose(f);
        return kNoMemory;
    }
    const std::size_t got = size > 0 ? std::fread(buf, 1, static_cast<std::size_t>(size), f) : 0;
    std::fclose(f);

    const std::size_t records = got / kRecord;
    std::size_t i = 0;
    while (i < records && std::memcmp(buf + i * kRecord + keyOffset, key, 3) != 0)
        ++i;
    if (i == records) {
        AR_Delete_(buf);
        return kLwNotFound;
    }
    if (std::memcmp(req.REQ_DATE, "99999999", 8) != 0) {
        // Records of a currency stand together, newest first: take the first one whose date
        // is not after the requested date.
        while (std::memcmp(req.REQ_DATE, buf + i * kRecord + kRecDate, 8) < 0) {
            ++i;
            if (i == records || std::memcmp(buf + i * kRecord + keyOffset, key, 3) != 0) {
                AR_Delete_(buf);
                return kLwNoRate;
            }
        }
    }
    take(req, buf + i * kRecord);
    AR_Delete_(buf);
    return kOk;
}

} // namespace
} // namespace convkern

extern "C" TARVO_API int32_t LW_LesenWaehrKursDaten(LW_SB* req, void* /*p2*/, void* /*p3*/) {
    if (req == nullptr)
        return convkern::kLwVersion;
    const int32_t rc = convkern::readRates(*req);
    convkern::setCode(req->RETURN_CODE, rc);
    return rc;
}
