// SPDX-License-Identifier: Apache-2.0
// ctrlfile: writer of control-data files in the layout that the loader reads.
#include "ctrlfile.h"
#include "ctrldata.h"
#include "decarith.h"
#include "durable_replace.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr unsigned char kFill = ';';
constexpr int32_t kBodyOffset = PS_BLOCK_HEADER_SIZE;
constexpr int32_t kEntriesOffset = PS_BLOCK_HEADER_SIZE + PS_EB_BODY_SIZE;
constexpr long kMaxEntries = (CF_BLOCK_MAX - CF_ENTRIES) / CF_ENTRY_SIZE;

// Translation through a list of (from, to) pairs ended by a pair whose first byte is zero.
std::array<unsigned char, 256> tableFromPairs(const unsigned char* pairs) {
    std::array<unsigned char, 256> t{};
    std::array<bool, 256> seen{};
    for (const unsigned char* p = pairs; p[0] != 0; p += 2) {
        if (!seen[p[0]]) {
            seen[p[0]] = true;
            t[p[0]] = p[1];
        }
    }
    return t;
}

// One block in the CR LF form. Every line ends in CR LF and no line is empty, so the bare
// LF form turns back into exactly this layout when the loader converts it.
class BlockWriter {
  public:
    explicit BlockWriter(long size) : b_(static_cast<std::size_t>(size), kFill) {}

    // A field: its bytes with zero bytes as the fill mark; false for CR or LF.
    bool field(long at, const char* from, long n) {
        for (long i = 0; i < n; ++i) {
            const auto c = static_cast<unsigned char>(from[i]);
            if (c == '\r' || c == '\n') {
                return false;
            }
            b_[static_cast<std::size_t>(at + i)] = c == 0 ? kFill : c;
        }
        return true;
    }
    void number(long at, long value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            b_[static_cast<std::size_t>(at + i)] = static_cast<unsigned char>('0' + value % 10);
            value /= 10;
        }
    }
    void lineEnd(long at) {
        b_[static_cast<std::size_t>(at)] = '\r';
        b_[static_cast<std::size_t>(at + 1)] = '\n';
    }
    const std::vector<unsigned char>& bytes() const { return b_; }

  private:
    std::vector<unsigned char> b_;
};

bool formatRow(BlockWriter& w, long at, const PS_Waehrung& row) {
    bool ok = w.field(at + CF_ROW_ISO, row.ISOCode, 3);
    w.lineEnd(at + 3);
    ok = ok && w.field(at + CF_ROW_RATE, row.FixKurs, 12);
    w.lineEnd(at + 18);
    ok = ok && w.field(at + CF_ROW_CODE1, row.CodeNr1, 3);
    w.lineEnd(at + 23);
    ok = ok && w.field(at + CF_ROW_CODE2, row.CodeNr2, 3);
    w.lineEnd(at + 29);
    ok = ok && w.field(at + CF_ROW_FROM, row.GueltigAb, 8);
    w.lineEnd(at + 40);
    ok = ok && w.field(at + CF_ROW_DECIMALS, &row.Dezimalen, 1);
    w.lineEnd(at + 43);
    ok = ok && w.field(at + CF_ROW_UNIT, &row.EinheitExp, 1);
    w.lineEnd(at + 47);
    ok = ok && w.field(at + CF_ROW_FLAG, &row.UmlaufKz, 1);
    w.lineEnd(at + 50);
    ok = ok && w.field(at + CF_ROW_UNTIL, row.GueltigBis, 8);
    w.lineEnd(at + 62);
    return ok;
}

bool formatEntry(BlockWriter& w, long at, const PS_Anwendung& e) {
    bool ok = w.field(at + CF_ENTRY_NAME, e.Name, 8);
    w.lineEnd(at + 8);
    ok = ok && w.field(at + CF_ENTRY_MODE, &e.Modus, 1);
    w.lineEnd(at + 11);
    ok = ok && w.field(at + CF_ENTRY_TESTLIB, e.TestBibl, 17);
    w.lineEnd(at + 31);
    ok = ok && w.field(at + CF_ENTRY_PRODLIB, e.ProdBibl, 17);
    w.lineEnd(at + 51);
    ok = ok && w.field(at + CF_ENTRY_DB, e.Datenbank, 4);
    w.lineEnd(at + 58);
    ok = ok && w.field(at + CF_ENTRY_FLAGS, e.PeriodenKz, 10);
    w.lineEnd(at + 70);
    ok = ok && w.field(at + CF_ENTRY_START, e.UmstBeginn, 8);
    w.lineEnd(at + 80);
    ok = ok && w.field(at + CF_ENTRY_END, e.UmstEnde, 8);
    w.lineEnd(at + 90);
    ok = ok && w.field(at + CF_ENTRY_SWITCH, e.Stichtag, 8);
    w.lineEnd(at + 100);
    w.lineEnd(at + 134);
    return ok;
}

// Formats one stored block (body and entries already copied out of the record).
int32_t formatBlock(const PS_EB& body, const std::vector<PS_Anwendung>& entries,
                    std::vector<unsigned char>& out) {
    if (body.WaehrAnzahl < 0 || body.WaehrAnzahl > PS_WAEHR_MAX) {
        return CF_ERR_RECORD;
    }
    const long length = CF_ENTRIES + CF_ENTRY_SIZE * static_cast<long>(entries.size());
    BlockWriter w(length);
    w.number(CF_HDR_LENGTH, length, 8);
    w.lineEnd(CF_HDR_LINE_END);
    bool ok = w.field(CF_HDR_VERSION, body.EB_Version, 2);
    w.number(CF_HDR_APP_COUNT, static_cast<long>(entries.size()), 4);
    w.lineEnd(18);
    w.lineEnd(22);
    ok = ok && w.field(CF_BODY_BASE, body.BasisWaehrung, 3);
    w.lineEnd(27);
    ok = ok && w.field(CF_BODY_HOME, body.HeimWaehrung, 3);
    w.lineEnd(33);
    ok = ok && w.field(CF_BODY_QUOT_HOME, &body.NotierungHeim, 1);
    w.lineEnd(37);
    ok = ok && w.field(CF_BODY_QUOT_2, &body.Notierung2, 1);
    w.lineEnd(41);
    ok = ok && w.field(CF_BODY_QUOT_EURO, &body.NotierungEuro, 1);
    w.lineEnd(45);
    w.lineEnd(76);
    w.number(CF_BODY_COUNT, body.WaehrAnzahl, 2);
    w.lineEnd(80);
    for (long i = 0; i < CF_ROW_COUNT; ++i) {
        ok = formatRow(w, CF_ROWS + i * CF_ROW_SIZE, body.Waehrung[i]) && ok;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        ok = formatEntry(w, CF_ENTRIES + static_cast<long>(i) * CF_ENTRY_SIZE, entries[i]) && ok;
    }
    if (!ok) {
        return CF_ERR_CHARACTER;
    }
    out.insert(out.end(), w.bytes().begin(), w.bytes().end());
    return CF_OK;
}

// The whole file in the CR LF form.
int32_t formatAscii(const unsigned char* rec, std::size_t size, std::vector<unsigned char>& out) {
    static const char kMarker[] = ";;;;;;;;\r\n";
    out.assign(kMarker, kMarker + CF_MARKER_SIZE);
    int32_t blocks = 0;
    if (size < sizeof blocks) {
        return CF_ERR_RECORD;
    }
    std::memcpy(&blocks, rec, sizeof blocks);
    if (blocks <= 0) {
        return CF_ERR_RECORD;
    }
    std::size_t pos = sizeof blocks;
    for (int32_t b = 0; b < blocks; ++b) {
        int32_t hdr[3];
        if (size - pos < static_cast<std::size_t>(kEntriesOffset)) {
            return CF_ERR_RECORD;
        }
        std::memcpy(hdr, rec + pos, sizeof hdr);
        const int32_t length = hdr[0];
        const int32_t apps = hdr[1];
        if (length < kEntriesOffset || static_cast<std::size_t>(length) > size - pos || apps < 0 ||
            apps > kMaxEntries ||
            static_cast<long>(apps) * PS_ANWENDUNG_SIZE > length - kEntriesOffset) {
            return CF_ERR_RECORD;
        }
        PS_EB body{};
        std::memcpy(&body, rec + pos + kBodyOffset, PS_EB_BODY_SIZE);
        std::vector<PS_Anwendung> entries(static_cast<std::size_t>(apps));
        if (apps > 0) {
            std::memcpy(entries.data(), rec + pos + kEntriesOffset,
                        static_cast<std::size_t>(apps) * PS_ANWENDUNG_SIZE);
        }
        if (const int32_t rc = formatBlock(body, entries, out); rc != CF_OK) {
            return rc;
        }
        if (hdr[2] != 0) {
            break;
        }
        pos += static_cast<std::size_t>(length);
    }
    return CF_OK;
}

// Turns the CR LF form into the requested variant.
int32_t toVariant(std::vector<unsigned char>& file, int32_t variant) {
    if (variant == CF_ASCII_CRLF) {
        return CF_OK;
    }
    std::vector<unsigned char> out;
    out.reserve(file.size());
    const bool ebcdic = variant == CF_EBCDIC || variant == CF_EBCDIC_NL;
    static const auto toHost = tableFromPairs(a2e);
    static const auto fromHost = tableFromPairs(e2a);
    for (std::size_t i = 0; i < file.size(); ++i) {
        const unsigned char c = file[i];
        if (c == '\r' && variant != CF_EBCDIC) {
            continue; // bare LF, or host NL: the LF that follows stands for the line end
        }
        if (!ebcdic) {
            out.push_back(c);
        } else if (c == '\n' && variant == CF_EBCDIC_NL) {
            out.push_back(0x15);
        } else {
            // Only bytes that come back unchanged from the EBCDIC form may be written.
            if (fromHost[toHost[c]] != c) {
                return CF_ERR_CHARACTER;
            }
            out.push_back(toHost[c]);
        }
    }
    file.swap(out);
    return CF_OK;
}

int32_t format(const void* record, std::size_t size, int32_t variant,
               std::vector<unsigned char>& file) {
    if (record == nullptr || variant < CF_ASCII_CRLF || variant > CF_EBCDIC_NL) {
        return CF_ERR_ARGUMENT;
    }
    if (const int32_t rc = formatAscii(static_cast<const unsigned char*>(record), size, file);
        rc != CF_OK) {
        return rc;
    }
    return toVariant(file, variant);
}

} // namespace

TARVO_EXTERN_C_BEGIN

int32_t CF_FormatRecord(const void* record, size_t record_size, int32_t variant, unsigned char* out,
                        size_t capacity, size_t* size) try {
    if (size == nullptr) {
        return CF_ERR_ARGUMENT;
    }
    *size = 0;
    std::vector<unsigned char> file;
    if (const int32_t rc = format(record, record_size, variant, file); rc != CF_OK) {
        return rc;
    }
    *size = file.size();
    if (out == nullptr || capacity < file.size()) {
        return out == nullptr ? CF_OK : CF_ERR_SPACE;
    }
    std::memcpy(out, file.data(), file.size());
    return CF_OK;
} catch (const std::bad_alloc&) {
    return CF_ERR_MEMORY;
}

int32_t CF_WriteRecordFile(const void* record, size_t record_size, int32_t variant,
                           const char* path) try {
    if (path == nullptr || *path == '\0') {
        return CF_ERR_ARGUMENT;
    }
    std::vector<unsigned char> file;
    if (const int32_t rc = format(record, record_size, variant, file); rc != CF_OK) {
        return rc;
    }
    tarvo::durable::Replacement out;
    tarvo::durable::Status st = out.open(path);
    if (st.ok())
        st = out.write(file.data(), file.size());
    if (st.ok())
        st = out.commit();
    if (st.failure == tarvo::durable::Failure::NotRegular)
        return CF_ERR_TARGET;
    return st.ok() ? CF_OK : CF_ERR_IO;
} catch (const std::bad_alloc&) {
    return CF_ERR_MEMORY;
}

int32_t CF_WriteBuiltinFile(int32_t variant, const char* path) {
    InitTarvoDaten();
    return CF_WriteRecordFile(&TarvoDaten, sizeof TarvoDaten, variant, path);
}

const char* CF_ResultText(int32_t result) {
    switch (result) {
    case CF_OK:
        return "written";
    case CF_ERR_ARGUMENT:
        return "missing argument or unknown file variant";
    case CF_ERR_RECORD:
        return "malformed control-data record";
    case CF_ERR_CHARACTER:
        return "a field holds a line end or a character the file variant cannot carry";
    case CF_ERR_SPACE:
        return "output buffer too small";
    case CF_ERR_IO:
        return "the file could not be written";
    case CF_ERR_TARGET:
        return "the target is not a regular file (a FIFO, device or folder is never replaced)";
    case CF_ERR_MEMORY:
        return "not enough memory";
    default:
        return "unknown result";
    }
}

TARVO_EXTERN_C_END
