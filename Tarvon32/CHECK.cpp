// SPDX-License-Identifier: Apache-2.0
// CHECK: argument checks with their numbered messages, the error-buffer copy and the log writer.
#include "tarvon32_internal.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/stat.h>

namespace tarvon32 {

namespace {

// Length of a string, read no further than limit + 1 characters.
std::size_t BoundedLength(const char* text, std::size_t limit) {
    return strnlen(text, limit + 1);
}

// Writes the message and hands back its return number.
int32_t Fail(char* errorText, const char* message, int32_t rc) {
    CopyErrorText(errorText, message);
    return rc;
}

bool IsQuotation(const char* q) {
    return q != nullptr && (q[0] == 'M' || q[0] == 'P' || q[0] == ' ');
}

// ISO code: null is an argument error without message, longer than 3 characters gets its message.
int32_t CheckIso(const char* code, const char* message, char* errorText) {
    if (code == nullptr) {
        return kRcParameter;
    }
    if (BoundedLength(code, 3) > 3) {
        return Fail(errorText, message, kRcIsoCode);
    }
    return 0;
}

// The two currencies of a conversion, source first.
int32_t CheckIsoCodes(const char* isoCodeE, const char* isoCodeA, char* errorText) {
    if (int32_t rc = CheckIso(isoCodeE, kMsg11, errorText)) {
        return rc;
    }
    return CheckIso(isoCodeA, kMsg12, errorText);
}

// A given rate and its quotation.
int32_t CheckGivenRate(const char* rate, const char* quotation, char* errorText) {
    if (!Check_Dez4p7(rate)) {
        return Fail(errorText, kMsg30, kRcParameter);
    }
    if (!IsQuotation(quotation)) {
        return Fail(errorText, kMsg40, kRcParameter);
    }
    return 0;
}

int32_t CheckDate(const char* date, char* errorText) {
    if (date == nullptr || BoundedLength(date, 8) != 8) {
        return Fail(errorText, kMsg04, kRcParameter);
    }
    return 0;
}

// Output buffers: their string length is their capacity.
int32_t CheckOutputs(const char* amountA13p2, const char* amountA15p0, char* errorText) {
    if (amountA13p2 == nullptr || BoundedLength(amountA13p2, 17) < 17) {
        return Fail(errorText, kMsg22, kRcParameter);
    }
    if (amountA15p0 == nullptr || BoundedLength(amountA15p0, 16) < 16) {
        return Fail(errorText, kMsg23, kRcParameter);
    }
    return 0;
}

// The input amount, then the two output buffers.
int32_t CheckAmounts(const char* amountE, const char* amountA13p2, const char* amountA15p0,
                     char* errorText) {
    if (!Check_Dez13p2(amountE)) {
        return Fail(errorText, kMsg21, kRcParameter);
    }
    return CheckOutputs(amountA13p2, amountA15p0, errorText);
}

// The decimals indicator takes one character and keeps its terminator: it must hold one.
bool IsIndicatorBuffer(const char* decIndicator) {
    return decIndicator != nullptr && decIndicator[0] != '\0';
}

bool IsUnitText(const char* unit) {
    int16_t ignored = 0;
    return Conv_String_TO_Unit(ignored, unit);
}

} // namespace

void CopyErrorText(char* errorText, const char* message) {
    const std::size_t length = std::strlen(errorText);
    if (length < 2) {
        return;
    }
    const std::size_t n = length - 1;
    const std::size_t m = strnlen(message, n);
    std::memcpy(errorText, message, m);
    std::memset(errorText + m, 0, n - m);
}

int32_t Check_ErrorBuffer(char* errorText) {
    if (errorText == nullptr) {
        return kRcParameter;
    }
    const std::size_t length = std::strlen(errorText);
    if (length < 2) {
        return kRcParameter;
    }
    if (length - 1 < 65) {
        return Fail(errorText, kMsg01, kRcErrorBuffer);
    }
    return 0;
}

int32_t Check_SB_Parameter(const char* version, const char* application, const char* date,
                           char* errorText) {
    if (version == nullptr) {
        return kRcParameter;
    }
    if (BoundedLength(version, 2) > 2) {
        return Fail(errorText, kMsg02, kRcVersion);
    }
    if (application == nullptr) {
        return kRcParameter;
    }
    if (BoundedLength(application, 8) > 8) {
        return Fail(errorText, kMsg03, kRcParameter);
    }
    return CheckDate(date, errorText);
}

bool Check_Dez13p2(const char* text) {
    char slot[kAmountSlot];
    return Conv_String_TO_taDez13p2(slot, text);
}

bool Check_Dez4p7(const char* text) {
    char slot[kRateSlot];
    return Conv_String_TO_taDez4p7(slot, text);
}

int32_t Check_U1_Parameter(const char* rateType, const char* isoCodeE, const char* isoCodeA,
                           const char* bookingDate, const char* amountE, const char* amountA13p2,
                           const char* amountA15p0, const char* decIndicator, char* errorText) {
    if (int32_t rc = CheckIsoCodes(isoCodeE, isoCodeA, errorText)) {
        return rc;
    }
    if (int32_t rc = CheckDate(bookingDate, errorText)) {
        return rc;
    }
    if (int32_t rc = CheckAmounts(amountE, amountA13p2, amountA15p0, errorText)) {
        return rc;
    }
    // Arguments the kernel judges itself, but which must at least be there.
    if (rateType == nullptr || !IsIndicatorBuffer(decIndicator)) {
        return kRcParameter;
    }
    return 0;
}

int32_t Check_U2_Parameter(const char* isoCodeE, const char* isoCodeA, const char* amountE,
                           const char* rate, const char* rateUnit, const char* quotation,
                           const char* decFlagA, const char* amountA13p2, const char* amountA15p0,
                           const char* decIndicator, char* errorText) {
    if (int32_t rc = CheckIsoCodes(isoCodeE, isoCodeA, errorText)) {
        return rc;
    }
    if (int32_t rc = CheckGivenRate(rate, quotation, errorText)) {
        return rc;
    }
    if (int32_t rc = CheckAmounts(amountE, amountA13p2, amountA15p0, errorText)) {
        return rc;
    }
    if (!IsUnitText(rateUnit) || decFlagA == nullptr || !IsIndicatorBuffer(decIndicator)) {
        return kRcParameter;
    }
    return 0;
}

int32_t Check_U4_Parameter(const char* isoCodeE, const char* rateE, const char* rateUnitE,
                           const char* quotationE, const char* isoCodeA, const char* rateA,
                           const char* rateUnitA, const char* quotationA, const char* amountE,
                           const char* decFlagA, const char* amountA13p2, const char* amountA15p0,
                           const char* decIndicator, char* errorText) {
    if (int32_t rc = CheckIsoCodes(isoCodeE, isoCodeA, errorText)) {
        return rc;
    }
    if (int32_t rc = CheckGivenRate(rateE, quotationE, errorText)) {
        return rc;
    }
    if (int32_t rc = CheckGivenRate(rateA, quotationA, errorText)) {
        return rc;
    }
    if (int32_t rc = CheckAmounts(amountE, amountA13p2, amountA15p0, errorText)) {
        return rc;
    }
    if (!IsUnitText(rateUnitE) || !IsUnitText(rateUnitA) || decFlagA == nullptr ||
        !IsIndicatorBuffer(decIndicator)) {
        return kRcParameter;
    }
    return 0;
}

// ---- Log writer --------------------------------------------------------------------------

bool LogFilePath(char* path, std::size_t size) {
    std::string dir;
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        dir = state;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            return false;
        }
        dir = std::string(home) + "/.local/state";
    }
    dir += "/Devisio";
    const std::string file = dir + "/TARVON32.LOG";
    if (file.size() + 1 > size) {
        return false;
    }
    std::memcpy(path, file.c_str(), file.size() + 1);
    return true;
}

namespace {

// Creates every missing folder of an absolute path (the per-user state folder may be new).
void MakeFolders(const std::string& file) {
    for (std::size_t pos = file.find('/', 1); pos != std::string::npos;
         pos = file.find('/', pos + 1)) {
        const std::string dir = file.substr(0, pos);
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
            return;
        }
    }
}

// The 24 characters of C's asctime form, e.g. "Tue Dec  8 01:13:47 2026", in local time.
std::string AscTime() {
    static constexpr const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    if (localtime_r(&now, &t) == nullptr || t.tm_wday < 0 || t.tm_wday > 6 || t.tm_mon < 0 ||
        t.tm_mon > 11) {
        return "??? ??? ?? ??:??:?? ????";
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", days[t.tm_wday],
                  months[t.tm_mon], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, 1900 + t.tm_year);
    return std::string(buf).substr(0, 24);
}

} // namespace

int WriteLogging(const char* format, ...) {
    char path[4096];
    if (!LogFilePath(path, sizeof path)) {
        return 0;
    }
    MakeFolders(path);
    // One line is built whole and written with one call, so lines from several threads do
    // not interleave.
    std::string line = AscTime() + "> ";
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        va_list copy;
        va_copy(copy, args);
        const int needed = std::vsnprintf(nullptr, 0, format, copy);
        va_end(copy);
        if (needed > 0) {
            std::string message(static_cast<std::size_t>(needed) + 1, '\0');
            std::vsnprintf(message.data(), message.size(), format, args);
            message.resize(static_cast<std::size_t>(needed));
            line += message;
        }
        va_end(args);
    }
    line += '\n';
    std::FILE* f = std::fopen(path, "a");
    if (f == nullptr) {
        return 0;
    }
    std::setvbuf(f, nullptr, _IOFBF, line.size() + 1);
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
    return 1;
}

} // namespace tarvon32
