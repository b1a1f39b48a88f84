/* SPDX-License-Identifier: Apache-2.0 */
// Rate file "WAEHKURS.DAT": record model, writer, reader, checker and the import of the
// euro reference rates published by the European Central Bank.
#ifndef TARVO_RATEFILE_H
#define TARVO_RATEFILE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ratecodec.h"

namespace tarvo::ratefile {

// The record layout and field readers are the shared rate-file codec's.
namespace ratecodec = tarvo::ratecodec;
inline constexpr std::size_t kRecordSize = ratecodec::kRecordSize; // the last two are CR LF
namespace offset = ratecodec::offset;
inline constexpr std::string_view kVersionMarker = ratecodec::kVersionMarker;

// One rate record. Texts hold exactly the characters of the record's field.
struct RateRecord {
    std::string iso;            // "GBP"
    std::string number;         // ISO 4217 numeric code, "826"
    std::string rateDate;       // YYYYMMDD, first day the rates apply
    std::string extra3 = "   "; // carried only
    char blocked = 'N';         // 'J' blocks the currency
    char extra1 = ' ';          // carried only
    int unit = 1;               // 1, 100 or 1000
    char decimals = 'J';        // 'J' two decimals, 'N' none
    char ratePrint = 'J';
    std::array<std::string, 8> rates; // taDez4p7 texts, "+00011234500"; rates 1-6 = G M B S X Y
    std::array<std::string, 5> dates{"00000000", "00000000", "00000000", "00000000", "00000000"};
    char quotation = 'M'; // 'M', 'P' or ' '

    bool operator==(const RateRecord&) const = default;
};

// A rate file as read: its version date (empty when there is no version record) and its
// rate records in file order.
struct RateFile {
    std::string fileDate;
    std::vector<RateRecord> records;
};

// A structural fault; record is the 1-based record number, 0 for the file as a whole.
struct Fault {
    std::size_t record = 0;
    std::string message;
};

// Errors of the writer, the reader and the importer. The message names the position
// (file, line and column or record number) where there is one.
class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// ---- currencies ------------------------------------------------------------------------

struct CurrencyInfo {
    std::string_view iso;
    std::string_view number; // ISO 4217 numeric code
    int minorDigits;         // 2 or 0
    bool retired;            // no longer published
};

// Every currency the ECB has published reference rates for since 1999.
const std::vector<CurrencyInfo>& ecbCurrencies();
std::optional<CurrencyInfo> findCurrency(std::string_view iso);

// ---- exact rate texts -------------------------------------------------------------------

// Turns a plain decimal text ("1.0856", "16123.45") into the stored rate and unit: unit 1
// while the rate has at most 4 integer digits, else 100 or 1000, so that the stored
// taDez4p7 text times the unit is exactly the given rate. Throws Error when no unit keeps
// the rate exact, or the text is not a positive decimal number.
struct StoredRate {
    std::string dez4p7; // "+01612345000"
    int unit;
};
StoredRate storeRate(std::string_view decimalText);

// The rate a record states per one unit ("+01612345000" with unit 100 gives "16123.45").
std::string rateText(std::string_view dez4p7, int unit);

// ---- records and files ------------------------------------------------------------------

// A record built the way the importer builds it: quotation 'M', the rate in slots 1-6,
// blocking 'N', rate print 'J', number and decimals from the currency table.
RateRecord makeRecord(std::string_view iso, std::string_view rateDate,
                      std::string_view decimalRate);

// The 252 bytes of a record. Throws Error when a field does not fit its slot.
std::string encodeRecord(const RateRecord& record);
std::string encodeVersionRecord(std::string_view fileDate);
// Parses one 252-byte record (no checks beyond the length; see checkRecord).
RateRecord decodeRecord(std::string_view bytes);
// Faults of one encoded record, without record numbers.
std::vector<std::string> checkRecord(std::string_view bytes);

// Puts the records in file order: by ISO code, newest rate date first.
void sortRecords(std::vector<RateRecord>& records);

// Adds `incoming` to `into`. A record for a currency and date already present replaces
// it when `replace` is true; otherwise a different record for the same currency and date
// is an Error (equal ones are taken once).
void mergeRecords(std::vector<RateRecord>& into, const std::vector<RateRecord>& incoming,
                  bool replace = false);

// The newest rate date of the records ("" for none).
std::string newestDate(const std::vector<RateRecord>& records);

// The file's bytes: version record first, then the sorted records.
std::string encodeRateFile(std::vector<RateRecord> records, std::string_view fileDate);

// Writes the file atomically (temporary file in the same folder, then rename). An empty
// fileDate takes the newest rate date. Throws Error; the target is untouched on failure.
void writeRateFile(const std::filesystem::path& path, std::vector<RateRecord> records,
                   std::string_view fileDate = {});
// Writes any bytes atomically the same way.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// ---- records kept encoded --------------------------------------------------------------
// Large files (the whole published history is some 210 000 records) are merged and written as
// their encoded bytes, kRecordSize per record back to back: less than half the memory of
// RateRecord, and written without a further copy. Each function does what its RateRecord
// counterpart does, with the same checks, messages and file bytes.

// encodeRecord appended to `records`; nothing is appended when it throws.
void appendEncoded(std::string& records, const RateRecord& record);
// parseRateFile's records, encoded, in place of the file's bytes (version records dropped).
void encodeRateFileRecords(std::string& fileBytes);
// mergeRecords.
void mergeEncodedRecords(std::string& into, std::string_view incoming, bool replace = false);
// newestDate.
std::string newestEncodedDate(std::string_view records);
// writeRateFile; sorts `records` into file order in place.
void writeEncodedRateFile(const std::filesystem::path& path, std::string& records,
                          std::string_view fileDate = {});
// writeEncodedRateFile's bytes handed to sink (the version record, then the records) instead of
// a file: for a caller that already holds the output file open (and locked), such as one
// that reads the old file under that lock before merging into it.
void emitEncodedRateFile(const std::function<void(std::string_view)>& sink, std::string& records,
                         std::string_view fileDate = {});

// ---- reading files ----------------------------------------------------------------------
// Every reader opens without blocking and reads only regular files: a FIFO, device or folder
// is refused with an Error that names its kind. A read error is an Error, never a shorter file.

// Files read whole are refused above this size with a clear message; the streaming readers
// (forEachRecord, checkRateFile, readFileDate) take any size in constant memory.
inline constexpr std::uint64_t kMaxRateFileBytes = 128ull << 20;

// The file's bytes (at most kMaxRateFileBytes).
std::string readRateFileBytes(const std::filesystem::path& path);
// Calls each with every whole 252-byte record in file order (version records included), a
// chunk of records at a time; returns the file's size in bytes.
std::uint64_t forEachRecord(const std::filesystem::path& path,
                            const std::function<void(std::string_view)>& each);

RateFile readRateFile(const std::filesystem::path& path); // readRateFileBytes, parsed
RateFile parseRateFile(std::string_view bytes);

// The structural check, fed one record at a time: construct with the file's size, pass every
// whole record in order, then finish(). Keeps the faults (at most maxFaults; a last entry
// counts the rest) and one entry per currency, nothing per record.
class RateFileChecker {
  public:
    explicit RateFileChecker(std::uint64_t fileSize, std::size_t maxFaults = SIZE_MAX);
    void record(std::string_view bytes);
    std::vector<Fault> finish();

  private:
    void add(Fault f);
    static constexpr std::size_t kMaxCurrencies = 4096;
    std::size_t maxFaults_;
    std::vector<Fault> faults_;
    std::size_t dropped_ = 0;
    std::size_t records_ = 0;
    std::size_t versions_ = 0;
    bool empty_ = false;
    std::map<std::string, std::size_t, std::less<>> seenAt_; // currency -> its first record
    std::string prevIso_, prevDate_;
};

// Every structural fault of the file (wrong length, bad fields, currencies out of order,
// dates not newest first, duplicate dates, missing or bad version record). checkRateFile
// streams the file and lists at most maxFaults faults.
std::vector<Fault> checkRateFile(const std::filesystem::path& path, std::size_t maxFaults = 1000);
std::vector<Fault> checkRateFileBytes(std::string_view bytes);

// The version date the calculator finds: the first line containing "@@@", its 19th
// ';'-separated field, characters 2-9. Returns YYYYMMDD or nothing.
std::optional<std::string> readFileDate(const std::filesystem::path& path);

// The record the kernel would select for `iso` on `date` (YYYYMMDD or "99999999"):
// the first record of the currency in file order whose rate date is not after `date`.
std::optional<RateRecord> lookup(const RateFile& file, std::string_view iso, std::string_view date);

// ---- import of the ECB reference rates -------------------------------------------------

enum class EcbFormat { DailyXml, HistXml, HistCsv, DailyCsv };
std::string_view formatName(EcbFormat format);

// Detects the format from the content. Throws Error when it is none of the four.
EcbFormat detectEcbFormat(std::string_view bytes);

// Imports one published file (any of the four formats) into rate records. `source`
// names the input in messages ("eurofxref-hist.csv:12:5: ..."). Throws Error on the first
// fault: broken XML, wrong columns, unknown currency, bad date, a rate that cannot be
// stored exactly.
std::vector<RateRecord> importEcb(std::string_view bytes, std::string_view source = "input");
// importEcb, appending the records encoded to `records` (see appendEncoded); returns how many.
std::size_t importEcbEncoded(std::string_view bytes, std::string_view source, std::string& records);

} // namespace tarvo::ratefile

#endif
