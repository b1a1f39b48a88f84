/* SPDX-License-Identifier: Apache-2.0 */
// CSV as accounting programs write it, read with libcsv: RFC 4180 quoting (fields may span
// lines), a byte-order mark, CR LF, LF or bare CR line ends, ',', ';' or tab between fields,
// comment and blank lines reported apart, and bounded memory on any input.
#ifndef TARVO_TOOLS_CSV_INPUT_H
#define TARVO_TOOLS_CSV_INPUT_H

#include <csv.h>

#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::tool {

// A record (or a comment or blank line) as the reader hands it over; the views are valid
// during the call only.
struct CsvRecord {
    enum class Kind { Data, Comment, Blank };
    Kind kind = Kind::Data;
    std::size_t line = 0;                 // first physical line of the record, from 1
    std::vector<std::string_view> fields; // Data: the fields, quotes removed, nothing trimmed
    std::string_view raw;                 // Comment and Blank: the line without its end
    std::string error; // why the record cannot be used (NUL byte, invalid UTF-8, open quote)
};

// A record longer than this is refused (the run fails), so memory stays bounded.
inline constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;

class CsvReader {
  public:
    using Sink = std::function<void(const CsvRecord&)>;

    CsvReader(char delimiter, Sink sink);
    ~CsvReader();
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // Feeds the next bytes of the input; hands over every record they complete. Throws
    // FileError for a record longer than kMaxRecordBytes.
    void feed(std::string_view bytes);
    // The end of the input: hands over what is left.
    void finish();

    // The physical lines seen so far.
    std::size_t lines() const { return lineNo_ - 1; }

  private:
    static void onField(void* data, std::size_t len, void* self);
    static void onEnd(int c, void* self);
    void line(std::string_view text, std::string_view end);
    void parse(const char* data, std::size_t len);
    void deliver();
    [[noreturn]] void tooLong() const;

    csv_parser parser_{};
    Sink sink_;
    std::string carry_;      // a line begun in an earlier block
    bool lfAfterCr_ = false; // the last block ended with CR: a leading LF belongs to it
    bool first_ = true;      // the byte-order mark may still come
    bool inRecord_ = false;  // libcsv holds a record that continues on the next line
    bool ended_ = false;
    bool unclosed_ = false; // the record ends the input inside a quoted field
    std::size_t lineNo_ = 1, recordLine_ = 1, recordBytes_ = 0;
    std::string fieldText_; // the current record's fields, back to back
    std::vector<std::size_t> fieldEnds_;
    std::vector<std::string> cleaned_; // sanitized fields, reserved so that views stay valid
    CsvRecord record_;
    std::exception_ptr pending_; // thrown by the sink inside libcsv, rethrown outside it
};

// True when the bytes are valid UTF-8 (no overlong forms, no surrogates).
bool validUtf8(std::string_view s);
// The bytes with each byte that is not part of valid UTF-8, and each NUL, replaced by U+FFFD.
std::string sanitizedUtf8(std::string_view s);

} // namespace tarvo::tool

#endif
