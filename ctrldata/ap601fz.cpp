// SPDX-License-Identifier: Apache-2.0
// ap601fz: loading the control data from the control-data file.
#include "ctrldata_internal.h"
#include "ctrlfile.h"
#include "decarith.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int32_t kOk = tarvo::rc::kOk;
constexpr int32_t kVersionNotFound = tarvo::rc::kEbVersionNotFound;
constexpr int32_t kDefaultEntryUsed = tarvo::rc::kDefaultEntryUsed;
constexpr int32_t kNoMemory = tarvo::rc::kNoMemory;
constexpr int32_t kFileError = tarvo::rc::kFileError;

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// Decimal digits from p, at most n of them, up to the first non-digit; -1 if none.
long readNumber(const unsigned char* p, int n, bool skipBlanks) {
    int i = 0;
    while (skipBlanks && i < n && p[i] == ' ') {
        ++i;
    }
    if (i == n || !isDigit(p[i])) {
        return -1;
    }
    long v = 0;
    for (; i < n && isDigit(p[i]); ++i) {
        v = v * 10 + (p[i] - '0');
    }
    return v;
}

// Owns the 16384-byte block buffer and the open file for the duration of one load.
class Load {
  public:
    explicit Load(unsigned char* buffer) : buf_(buffer) {}
    Load(const Load&) = delete;
    Load& operator=(const Load&) = delete;
    ~Load() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
        AR_Delete_(buf_);
    }

    int32_t run(const char* name, const PS_SB* sb, PS_EB* eb);

  private:
    bool readExactly(unsigned char* to, long count) {
        return std::fread(to, 1, static_cast<std::size_t>(count), file_) ==
               static_cast<std::size_t>(count);
    }
    int32_t copyBlock(long length, const PS_SB* sb, PS_EB* eb);

    unsigned char* buf_;
    std::FILE* file_ = nullptr;
};

int32_t Load::run(const char* name, const PS_SB* sb, PS_EB* eb) {
    if (AR_ConvertFile(0) != 0) {
        return kFileError;
    }
    // Opened afresh: the conversion may have replaced the file.
    const int fd = ctrldata::OpenControlFile(name);
    if (fd < 0) {
        return kFileError;
    }
    file_ = fdopen(fd, "rb");
    if (file_ == nullptr) {
        close(fd);
        return kFileError;
    }
    // The size is measured after the conversion, which may have lengthened the file.
    if (std::fseek(file_, 0, SEEK_END) != 0) {
        return kFileError;
    }
    const long size = std::ftell(file_);
    if (size < 0 || std::fseek(file_, CF_MARKER_SIZE, SEEK_SET) != 0) {
        return kFileError;
    }
    long remaining = size - CF_MARKER_SIZE;
    const bool firstBlock = std::memcmp(sb->EB_VERSION, "  ", 2) == 0;

    for (;;) {
        if (remaining < CF_BLOCK_HEADER_SIZE) {
            return kVersionNotFound;
        }
        std::memset(buf_, 0, CF_BLOCK_HEADER_SIZE);
        if (!readExactly(buf_, CF_BLOCK_HEADER_SIZE)) {
            return kFileError;
        }
        const unsigned char lineEnd1 = buf_[CF_HDR_LINE_END];
        const unsigned char lineEnd2 = buf_[CF_HDR_LINE_END + 1];
        buf_[CF_HDR_LINE_END] = 0;
        buf_[CF_HDR_LINE_END + 1] = 0;
        const long length = readNumber(buf_ + CF_HDR_LENGTH, 8, true);
        if (length < CF_BLOCK_HEADER_SIZE || length > CF_BLOCK_MAX || length > remaining) {
            return kVersionNotFound;
        }
        if (firstBlock || std::memcmp(sb->EB_VERSION, buf_ + CF_HDR_VERSION, 2) == 0) {
            const long rest = length - CF_BLOCK_HEADER_SIZE;
            if (!readExactly(buf_ + CF_BLOCK_HEADER_SIZE, rest)) {
                return kFileError;
            }
            for (long i = CF_BLOCK_HEADER_SIZE; i < length; ++i) {
                const unsigned char c = buf_[i];
                if (c == lineEnd1 || c == lineEnd2 || c == '\r' || c == '\n') {
                    buf_[i] = 0;
                }
            }
            return copyBlock(length, sb, eb);
        }
        if (std::fseek(file_, length - CF_BLOCK_HEADER_SIZE, SEEK_CUR) != 0) {
            return kFileError;
        }
        remaining -= length;
    }
}

// Selects the entry and copies the block from the file layout into eb. A block too short
// for the currency table and the entries its header promises is a file error.
int32_t Load::copyBlock(long length, const PS_SB* sb, PS_EB* eb) {
    buf_[18] = 0;
    buf_[19] = 0;
    long apps = readNumber(buf_ + CF_HDR_APP_COUNT, 4, false);
    if (apps < 0) {
        apps = 0;
    }
    const long needed = CF_ENTRIES + CF_ENTRY_SIZE * (apps > 0 ? apps : 1);
    if (length < needed) {
        return kFileError;
    }
    long count = readNumber(buf_ + CF_BODY_COUNT, 4, false);
    if (count < 0) {
        count = 0;
    }
    if (count > PS_WAEHR_MAX) {
        return kFileError;
    }

    const unsigned char* entry = buf_ + CF_ENTRIES;
    int32_t rc = kDefaultEntryUsed;
    for (long i = 0; i < apps; ++i) {
        const unsigned char* e = buf_ + CF_ENTRIES + i * CF_ENTRY_SIZE;
        if (std::memcmp(ctrldata::requestedApplication(sb), e + CF_ENTRY_NAME, 9) == 0) {
            entry = e;
            rc = kOk;
            break;
        }
    }

    eb->WaehrAnzahl = static_cast<int32_t>(count);
    for (long i = 0; i < count; ++i) {
        const unsigned char* r = buf_ + CF_ROWS + i * CF_ROW_SIZE;
        PS_Waehrung& row = eb->Waehrung[i];
        std::memcpy(row.ISOCode, r + CF_ROW_ISO, 3);
        std::memcpy(row.FixKurs, r + CF_ROW_RATE, 14);
        std::memcpy(row.CodeNr1, r + CF_ROW_CODE1, 4);
        std::memcpy(row.CodeNr2, r + CF_ROW_CODE2, 4);
        std::memcpy(row.GueltigAb, r + CF_ROW_FROM, 8);
        row.Dezimalen = static_cast<char>(r[CF_ROW_DECIMALS]);
        row.EinheitExp = static_cast<char>(r[CF_ROW_UNIT]);
        row.UmlaufKz = static_cast<char>(r[CF_ROW_FLAG]);
        std::memcpy(row.GueltigBis, r + CF_ROW_UNTIL, 8);
    }
    std::memcpy(eb->EB_Version, buf_ + CF_HDR_VERSION, 2);
    std::memcpy(eb->BasisWaehrung, buf_ + CF_BODY_BASE, 3);
    std::memcpy(eb->HeimWaehrung, buf_ + CF_BODY_HOME, 3);
    eb->NotierungHeim = static_cast<char>(buf_[CF_BODY_QUOT_HOME]);
    eb->Notierung2 = static_cast<char>(buf_[CF_BODY_QUOT_2]);
    eb->NotierungEuro = static_cast<char>(buf_[CF_BODY_QUOT_EURO]);

    PS_Anwendung& a = eb->Anwendung;
    std::memcpy(a.Name, entry + CF_ENTRY_NAME, 9);
    a.Modus = static_cast<char>(entry[CF_ENTRY_MODE]);
    std::memcpy(a.TestBibl, entry + CF_ENTRY_TESTLIB, 18);
    std::memcpy(a.ProdBibl, entry + CF_ENTRY_PRODLIB, 18);
    std::memcpy(a.Datenbank, entry + CF_ENTRY_DB, 5);
    std::memcpy(a.PeriodenKz, entry + CF_ENTRY_FLAGS, 10);
    std::memcpy(a.UmstBeginn, entry + CF_ENTRY_START, 8);
    std::memcpy(a.UmstEnde, entry + CF_ENTRY_END, 8);
    std::memcpy(a.Stichtag, entry + CF_ENTRY_SWITCH, 8);
    return rc;
}

} // namespace

namespace ctrldata {

int OpenControlFile(const char* name) {
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? kAbsent : kUnusable;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return kUnusable;
    }
    return fd;
}

int32_t ReadPDFromFile(int fd, const char* name, const PS_SB* sb, PS_EB* eb) {
    auto* buffer = static_cast<unsigned char*>(AR_New_(CF_BLOCK_MAX));
    close(fd);
    if (buffer == nullptr) {
        return kNoMemory;
    }
    Load load(buffer);
    return load.run(name, sb, eb);
}

} // namespace ctrldata
