// SPDX-License-Identifier: Apache-2.0
// CSV as accounting programs write it, read with libcsv.
#include "csv_input.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "common.h"

namespace tarvo::tool {

namespace {

// Fields are taken as written: libcsv trims nothing, so passed-through columns stay as they
// were; the columns tarvo reads are trimmed where they are read.
int noSpace(unsigned char) {
    return 0;
}

// Length of the valid UTF-8 sequence at s[0], 0 when it is not one.
std::size_t utf8Length(const unsigned char* s, std::size_t n) {
    const unsigned char c = s[0];
    if (c < 0x80)
        return 1;
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0)
            lo = 0xA0; // no overlong forms
        else if (c == 0xED)
            hi = 0x9F; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0)
            lo = 0x90;
        else if (c == 0xF4)
            hi = 0x8F;
    } else {
        return 0;
    }
    if (n < len || s[1] < lo || s[1] > hi)
        return 0;
    for (std::size_t i = 2; i < len; ++i)
        if (s[i] < 0x80 || s[i] > 0xBF)
            return 0;
    return len;
}

bool blank(std::string_view s) {
    return s.find_first_not_of(" \t") == std::string_view::npos;
}

} // namespace

bool validUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const std::size_t len = utf8Length(p + i, n - i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::string sanitizedUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 8);
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t len = p[i] == 0 ? 0 : utf8Length(p + i, s.size() - i);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(s.substr(i, len));
            i += len;
        }
    }
    return out;
}

CsvReader::CsvReader(char delimiter, Sink sink) : sink_(std::move(sink)) {
    if (csv_init(&parser_, CSV_STRICT_FINI) != 0)
        throw std::bad_alloc();
    csv_set_delim(&parser_, static_cast<unsigned char>(delimiter));
    csv_set_space_func(&parser_, noSpace);
    // libcsv's own line ends are CR and LF, as here.
    record_.fields.reserve(16);
}

CsvReader::~CsvReader() {
    csv_free(&parser_);
}

void CsvReader::tooLong() const {
    throw FileError(msg(Msg::LineTooLong, {std::to_string(recordLine_)}));
}

void CsvReader::onField(void* data, std::size_t len, void* self) {
    auto* r = static_cast<CsvReader*>(self);
    if (len > 0)
        r->fieldText_.append(static_cast<const char*>(data), len);
    r->fieldEnds_.push_back(r->fieldText_.size());
}

void CsvReader::onEnd(int, void* self) {
    auto* r = static_cast<CsvReader*>(self);
    r->ended_ = true;
    // No exception may cross libcsv's C frames: it is kept and thrown after csv_parse.
    if (r->pending_)
        return;
    try {
        r->deliver();
    } catch (...) {
        r->pending_ = std::current_exception();
    }
}

void CsvReader::parse(const char* data, std::size_t len) {
    csv_parse(&parser_, data, len, onField, onEnd, this);
    if (pending_)
        std::rethrow_exception(std::exchange(pending_, nullptr));
    if (csv_error(&parser_) == CSV_ENOMEM)
        throw std::bad_alloc();
}

// True when the field holds a NUL byte or is not valid UTF-8; `nul` tells which.
static bool unclean(std::string_view f, bool& nul) {
    const auto* p = reinterpret_cast<const unsigned char*>(f.data());
    const std::size_t n = f.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c >= 0x20 && c < 0x80) {
            ++i;
            continue;
        }
        if (c == 0) {
            nul = true;
            return true;
        }
        if (c < 0x80) {
            ++i;
            continue;
        }
        const std::size_t len = utf8Length(p + i, n - i);
        if (len == 0) {
            nul = std::memchr(p + i, '\0', n - i) != nullptr;
            return true;
        }
        i += len;
    }
    return false;
}

void CsvReader::deliver() {
    record_.kind = CsvRecord::Kind::Data;
    record_.line = recordLine_;
    record_.raw = {};
    record_.fields.clear();
    record_.error.clear();
    if (unclosed_)
        record_.error = msg(Msg::FieldUnclosedQuote);
    // Fields with a NUL or invalid UTF-8 make the row an error and are shown sanitized.
    cleaned_.clear();
    cleaned_.reserve(fieldEnds_.size());
    std::size_t from = 0;
    for (std::size_t i = 0; i < fieldEnds_.size(); ++i) {
        std::string_view f(fieldText_.data() + from, fieldEnds_[i] - from);
        from = fieldEnds_[i];
        bool nul = false;
        if (unclean(f, nul)) {
            if (record_.error.empty())
                record_.error = msg(nul ? Msg::FieldNul : Msg::FieldUtf8, {std::to_string(i + 1)});
            cleaned_.push_back(sanitizedUtf8(f));
            f = cleaned_.back();
        }
        record_.fields.push_back(f);
    }
    sink_(record_);
    fieldText_.clear();
    fieldEnds_.clear();
}

void CsvReader::line(std::string_view text, std::string_view end) {
    if (first_) {
        first_ = false;
        if (text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
    }
    if (!inRecord_) {
        if (blank(text) || text.front() == '#') {
            record_.kind = blank(text) ? CsvRecord::Kind::Blank : CsvRecord::Kind::Comment;
            record_.line = lineNo_;
            record_.raw = text;
            record_.fields.clear();
            record_.error.clear();
            sink_(record_);
            ++lineNo_;
            return;
        }
        recordLine_ = lineNo_;
        recordBytes_ = 0;
    }
    recordBytes_ += text.size() + end.size();
    if (recordBytes_ > kMaxRecordBytes)
        tooLong();
    ended_ = false;
    // text and end are adjacent in memory except for a line that ended in an earlier block.
    if (text.data() + text.size() == end.data()) {
        parse(text.data(), text.size() + end.size());
    } else {
        parse(text.data(), text.size());
        parse(end.data(), end.size());
    }
    inRecord_ = !ended_;
    ++lineNo_;
}

void CsvReader::feed(std::string_view bytes) {
    if (lfAfterCr_ && !bytes.empty()) {
        lfAfterCr_ = false;
        if (bytes.front() == '\n') {
            if (inRecord_) // the line end is part of a quoted field
                parse("\n", 1);
            bytes.remove_prefix(1);
        }
    }
    const char* p = bytes.data();
    const char* const stop = p + bytes.size();
    // The next LF and CR are looked up once each and reused until passed.
    const char* lf = nullptr;
    const char* cr = nullptr;
    while (p < stop) {
        if (lf == nullptr || lf < p) {
            lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)));
            if (lf == nullptr)
                lf = stop;
        }
        if (cr == nullptr || cr < p) {
            cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(stop - p)));
            if (cr == nullptr)
                cr = stop;
        }
        const char* eol = std::min(lf, cr);
        if (eol == stop) {
            if (carry_.size() + static_cast<std::size_t>(stop - p) > kMaxRecordBytes) {
                recordLine_ = inRecord_ ? recordLine_ : lineNo_;
                tooLong();
            }
            carry_.append(p, static_cast<std::size_t>(stop - p));
            return;
        }
        std::size_t endLen = 1;
        if (*eol == '\r') {
            if (eol + 1 < stop && eol[1] == '\n')
                endLen = 2;
            else if (eol + 1 == stop)
                lfAfterCr_ = true;
        }
        std::string_view end(eol, endLen);
        if (carry_.empty()) {
            line(std::string_view(p, static_cast<std::size_t>(eol - p)), end);
        } else {
            carry_.append(p, static_cast<std::size_t>(eol - p));
            std::string whole;
            whole.swap(carry_);
            line(whole, end);
        }
        p = eol + endLen;
    }
}

void CsvReader::finish() {
    lfAfterCr_ = false;
    if (!carry_.empty()) {
        std::string whole;
        whole.swap(carry_);
        line(whole, {});
    }
    if (!inRecord_)
        return;
    // A quoted field that never closed makes the record an error row (libcsv hands over
    // what it holds of it). libcsv's state 2 is "field begun".
    unclosed_ = parser_.pstate == 2 && parser_.quoted != 0;
    ended_ = false;
    csv_fini(&parser_, onField, onEnd, this);
    unclosed_ = false;
    if (pending_)
        std::rethrow_exception(std::exchange(pending_, nullptr));
    inRecord_ = false;
}

} // namespace tarvo::tool
