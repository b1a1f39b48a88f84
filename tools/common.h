/* SPDX-License-Identifier: Apache-2.0 */
// Shared helpers of the tarvo program: decimal field texts, dates, control data, kernel codes.
#ifndef TARVO_TOOLS_COMMON_H
#define TARVO_TOOLS_COMMON_H

#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "ctrldata.h"
#include "messages.h"
#include "returncode.h"

namespace tarvo::tool {

// A wrong argument: main reports it and exits with status 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be opened, read or written: main reports it and exits with status 1.
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// "1234.5" -> taDez<N>p<M> text of 1+N+M characters. Nothing is rounded: more decimals
// than M or more integer digits than N are an error (nullopt).
std::optional<std::string> decimalToField(std::string_view text, int intDigits, int decimals);
// The same into out[0 .. intDigits + decimals]; false when the text does not fit.
bool decimalToField(std::string_view text, int intDigits, int decimals, char* out);
// The reverse: "+000000000005113" with M = 2 -> "51.13"; all M decimals are kept.
std::string fieldToDecimal(const char* field, int intDigits, int decimals);

// YYYYMMDD, YYYY-MM-DD or DD.MM.YYYY -> YYYYMMDD when it is a valid date.
std::optional<std::string> parseDate(std::string_view text);
std::string today();

// Copies text into a fixed-width field, padding with blanks.
template <std::size_t N> void setField(char (&field)[N], std::string_view text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text.data(), text.size() < N ? text.size() : N);
}

void putInt16(unsigned char* dst, int value);
int32_t getInt32(const unsigned char* src);

// Where the libraries find their files: sets TARVO_STEUDAT / TARVO_WAEHKURS when given.
struct DataFiles {
    std::string controlData;
    std::string rateFile;
    void apply() const;
};

// Loads the control data for a version ("" = first block), an application ("" = default
// entry) and a reference date (YYYYMMDD). rc receives the loader's number; 0 and 443
// (default entry used) are success.
struct ControlData {
    PS_EB eb{};
    int32_t aux = 0;
    int32_t rc = 0;
};
ControlData loadControlData(std::string_view version, std::string_view application,
                            std::string_view referenceDate);

// The loader's success: 0, or 443 (loaded with the default application entry).
inline bool controlDataLoaded(int32_t rc) {
    return rc == tarvo::rc::kOk || rc == tarvo::rc::kDefaultEntryUsed;
}
// A conversion's success: 0, or 261 (a fixed euro rate replaced the given one).
inline bool conversionOk(int32_t rc) {
    return rc == tarvo::rc::kOk || rc == tarvo::rc::kRateIgnored;
}

std::string jsonString(std::string_view s);

// One JSON object written member by member.
class JsonObject {
  public:
    JsonObject& str(std::string_view key, std::string_view value);
    JsonObject& strOrNull(std::string_view key, std::string_view value); // "" -> null
    JsonObject& num(std::string_view key, long long value);
    JsonObject& boolean(std::string_view key, bool value);
    JsonObject& raw(std::string_view key, std::string_view json);
    std::string done() const { return text_ + "}"; }

  private:
    std::string& key(std::string_view k);
    std::string text_ = "{";
};

// YYYYMMDD -> YYYY-MM-DD; anything else unchanged.
std::string isoDate(std::string_view yyyymmdd);

// Prints "tarvo: <text>" on standard error.
void complain(const std::string& text);

} // namespace tarvo::tool

#endif
