/* SPDX-License-Identifier: Apache-2.0 */
// Kernel internals shared by the conversion modules: return numbers, control-data access,
// block helpers, work-cell clean-up, the conversion legs, the rate-file request, the U1
// conversion that A1 reuses, and the entry/exit frame and batch loop of the exported
// functions. The functions declared here are defined in kernel_common.cpp, but for
// convertOneLeg (ap602f1.cpp, the U1 module).
#ifndef CONVKERN_KERNEL_INTERNAL_H
#define CONVKERN_KERNEL_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "convkern.h"
#include "ctrldata.h"
#include "decarith.h"
#include "controldata_rules.h"
#include "returncode.h"

namespace convkern {

// ---- return numbers (the kernel's names for rows of support/returncode_table.h) -----------
inline constexpr int32_t kOk = tarvo::rc::kOk;
inline constexpr int32_t kRateIgnored = tarvo::rc::kRateIgnored; // fixed rate used, not the given
inline constexpr int32_t kSenderMissing = tarvo::rc::kSenderMissing;
inline constexpr int32_t kNoMemory = tarvo::rc::kNoMemory;
inline constexpr int32_t kVersion = tarvo::rc::kConvBlockVersion;
inline constexpr int32_t kIsoCombination = tarvo::rc::kIsoCombination;
inline constexpr int32_t kOverflow = tarvo::rc::kOverflow; // no rate, amount overflow, bad unit
inline constexpr int32_t kRateType = tarvo::rc::kRateType;
inline constexpr int32_t kBlocked = tarvo::rc::kBlocked;
inline constexpr int32_t kRatePrint = tarvo::rc::kRatePrint;
inline constexpr int32_t kLwVersion = tarvo::rc::kReaderBlockVersion;
inline constexpr int32_t kLwNotFound = tarvo::rc::kIsoNotInFile;
inline constexpr int32_t kLwNoRate = tarvo::rc::kNoRateInFile;
inline constexpr int32_t kLwFile = tarvo::rc::kFileError;

// ---- control-data block PS_EB (2756 bytes) --------------------------------------------------
namespace eb {
inline constexpr std::size_t kSize = 2756;
inline constexpr std::size_t kQuotHome = 48;      // default quotation, home-currency base
inline constexpr std::size_t kQuotEuro = 50;      // default quotation, euro base
inline constexpr std::size_t kCurrencyCount = 84; // int32 little-endian
inline constexpr std::size_t kTable = 88;         // 50 rows of 51 bytes
inline constexpr std::size_t kRowSize = 51;
inline constexpr int32_t kMaxRows = 50;
inline constexpr std::size_t kAppEntry = 2638; // 117 bytes
inline constexpr std::size_t kAppMode = kAppEntry + 9;
// currency row
inline constexpr std::size_t kRowIso = 0;       // 4
inline constexpr std::size_t kRowRate = 4;      // 14, taDez4p7
inline constexpr std::size_t kRowDecimals = 34; // '0' or '2'
inline constexpr std::size_t kRowUnitExp = 35;  // '0', '2', '3'
} // namespace eb

static_assert(eb::kSize == sizeof(PS_EB));
static_assert(eb::kQuotHome == offsetof(PS_EB, NotierungHeim));
static_assert(eb::kQuotEuro == offsetof(PS_EB, NotierungEuro));
static_assert(eb::kCurrencyCount == offsetof(PS_EB, WaehrAnzahl));
static_assert(eb::kTable == offsetof(PS_EB, Waehrung));
static_assert(eb::kRowSize == sizeof(PS_Waehrung));
static_assert(eb::kMaxRows == PS_WAEHR_MAX);
static_assert(eb::kAppMode == offsetof(PS_EB, Anwendung) + offsetof(PS_Anwendung, Modus));
static_assert(eb::kRowRate == offsetof(PS_Waehrung, FixKurs));
static_assert(eb::kRowDecimals == offsetof(PS_Waehrung, Dezimalen));
static_assert(eb::kRowUnitExp == offsetof(PS_Waehrung, EinheitExp));

// Read-only view of the control-data block.
class Eb {
  public:
    explicit Eb(const void* p) : p_(static_cast<const unsigned char*>(p)) {}
    bool valid() const { return p_ != nullptr; }
    bool tracing() const { return p_ != nullptr && p_[eb::kAppMode] == 'T'; }
    // Position 2 of the period flags: 'J' once the changeover period has begun.
    bool euroPeriod() const { return tarvo::ctl::euroPeriod(p_); }
    const char* baseCurrency() const { return tarvo::ctl::baseCurrency(p_); }
    char defaultQuotation() const {
        return static_cast<char>(p_[euroPeriod() ? eb::kQuotEuro : eb::kQuotHome]);
    }
    // Number of rows that readers may look at (a damaged count is kept inside the table).
    int32_t rowCount() const {
        int32_t n = 0;
        std::memcpy(&n, p_ + eb::kCurrencyCount, sizeof n);
        if (n < 0)
            return 0;
        return n > eb::kMaxRows ? eb::kMaxRows : n;
    }
    // First row whose ISO code equals iso (3 bytes), or null.
    const char* findRow(const char* iso) const {
        const int32_t n = rowCount();
        for (int32_t i = 0; i < n; ++i) {
            const char* row = reinterpret_cast<const char*>(
                p_ + eb::kTable + static_cast<std::size_t>(i) * eb::kRowSize);
            if (std::memcmp(row + eb::kRowIso, iso, 3) == 0)
                return row;
        }
        return nullptr;
    }

  private:
    const unsigned char* p_;
};

inline const char* rowRate(const char* row) {
    return row + eb::kRowRate;
}
inline char rowDecimals(const char* row) {
    return row[eb::kRowDecimals];
}
inline char rowUnitExp(const char* row) {
    return row[eb::kRowUnitExp];
}

// ---- block helpers -------------------------------------------------------------------------
inline bool versionOk(const char* v) {
    return v[0] == '0' && v[1] == '1';
}
inline bool senderMissing(const char* s) {
    return s[0] == ' ' || s[0] == '\0';
}
inline bool sameIso(const char* a, const char* b) {
    return std::memcmp(a, b, 3) == 0;
}

// Writes the four-digit code text of a return number.
inline void setCode(char* rc, int32_t code) {
    tarvo::rc::writeCode(rc, code);
}

inline void zeroFrom(void* block, std::size_t from, std::size_t size) {
    std::memset(static_cast<unsigned char*>(block) + from, 0, size - from);
}

inline void trace(const Eb& ctl, const char* label, std::size_t len, const void* block) {
    if (ctl.tracing())
        WriteLog(label, static_cast<int32_t>(len), block);
}

// int16 little-endian unit of a block.
inline int16_t readUnit(const unsigned char* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}
inline void writeUnit(unsigned char* p, int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    p[0] = static_cast<unsigned char>(u & 0xFFu);
    p[1] = static_cast<unsigned char>(u >> 8);
}

// Power of ten of a control-data unit-exponent character ('0', '2', '3'), or -1.
inline int unitExpFromChar(char c) {
    return c == '0' ? 0 : c == '2' ? 2 : c == '3' ? 3 : -1;
}
// Power of ten of a quotation unit (1, 100, 1000), or -1.
inline int unitExpFromUnit(int32_t unit) {
    return unit == 1 ? 0 : unit == 100 ? 2 : unit == 1000 ? 3 : -1;
}
inline char unitExpChar(int k) {
    return static_cast<char>('0' + k);
}

// True when the cell is zero (no digits, or only zero digits counted).
bool isZero(const Dez32* v);

// Quotation chosen for a rate-file or given rate: 'M' when the record / caller says 'M', or
// says nothing (blank) and the control data's default for the period is 'M'; else 'P'.
inline char chooseQuotation(char given, const Eb& ctl) {
    return (given == 'M' || (given == ' ' && ctl.defaultQuotation() == 'M')) ? 'M' : 'P';
}
inline bool quotationValid(char q) {
    return q == 'M' || q == 'P' || q == ' ';
}

// ---- conversion legs ------------------------------------------------------------------------
// A leg computes amount (op) rate with unit exponent k. Division is carried to exactly 6
// decimals of the final value; a product keeps all its decimals and must be truncated to 6
// before rounding (the leg reports which).
//   into the base currency:  'M' divide, 'P' multiply, both then / 10^k
//   out of the base currency: 'M' multiply, 'P' divide, both then * 10^k
// raw receives the product or quotient, adj the value after the unit step (the same cell when
// k is 0). Every cell obtained is stored in raw/adj at once so that clean-up frees it.
// Returns 0 or 463.
int32_t legCompute(bool intoBase, char quotation, int k, const Dez32* amount, const Dez32* rate,
                   Dez64*& raw, Dez64*& adj, bool& isProduct);

// Rounds the leg's value to d decimals: products are first truncated to 6 (into rund6).
// diff = (6-decimal value) - rounded. Returns 0 or 463.
int32_t legRound(Dez64* adj, bool isProduct, int d, Dez64*& rund6, Dez64*& rounded, Dez64*& diff);

// Copies a text cell of `width` bytes into a block slot; 463 when the text is null.
inline int32_t putText(char* slot, const char* text, std::size_t width) {
    if (text == nullptr)
        return kOverflow;
    std::memcpy(slot, text, width);
    return kOk;
}

// Rate text read when the control data has no row for a currency.
inline constexpr char kZeroRate[] = "+00000000000";

// The control data's fixed rate of a row (zero without a row) as a cell; null without memory.
inline Dez32* controlRate(const char* row) {
    return AR_Dez4p7_Dez32(row != nullptr ? rowRate(row) : kZeroRate);
}

// Direction of a conversion between the base currency and one other currency: exactly one of
// the two codes must be the base. Returns 0 or 462.
inline int32_t pickDirection(const char* isoE, const char* isoA, const char* base, bool& intoBase,
                             const char*& other) {
    const bool eIsBase = sameIso(isoE, base);
    if (eIsBase == sameIso(isoA, base))
        return kIsoCombination;
    intoBase = !eIsBase;
    other = eIsBase ? isoA : isoE;
    return kOk;
}

// The start of a conversion between the base currency and one other currency: the direction,
// the other currency and its control-data row (null without one) and the work cells Kurs32 (that
// row's fixed rate, zero without a row) and BetragEin (amount read by readAmount). Returns 0,
// 462 (no control data, or not exactly one of the codes the base currency) or 463.
int32_t startOneLeg(const Eb& ctl, const char* isoE, const char* isoA, const char* amount,
                    Dez32* (*readAmount)(const char*), bool& intoBase, const char*& other,
                    const char*& row);

// Writes BetragRund2 as the amount (13p2 or 15p0 by decIndicator) and RundDiff64 as its
// rounding difference into the given slots. Returns 0 or 463.
int32_t putAmountAndDiff(char decIndicator, char* amount132, char* amount150, char* roundDiff);

// Converts BetragEin with Kurs32 in one leg, rounds to the decimals of decIndicator and
// writes the amount and its rounding difference. six receives the 6-decimal value that was
// rounded (the truncated product or the quotient). Returns 0 or 463.
int32_t convertDirect(bool intoBase, char quotation, int k, char decIndicator, char* amount132,
                      char* amount150, char* roundDiff, const Dez64*& six);

// ---- rate-file request -------------------------------------------------------------------
// Result of fetching a rate for one currency from the rate file and checking it.
struct FileRate {
    LW_SB req;        // the request as the reader returned it
    const char* rate; // selected 14-byte rate inside req
    int k;            // unit exponent, -1 for a unit other than 1, 100, 1000
    char quotation;   // 'M' or 'P' after the control data's default
};

// Asks the reader for iso on date with the given sender, then checks blocking, the
// rate-print demand and the rate type, in that order. Returns 0 or the failure number; for a
// reader failure readerCode is set and rcText receives the reader's code text.
int32_t fetchFileRate(const char* iso, const char* date, const char* sender, char rateType,
                      char printDemand, const Eb& ctl, FileRate& out, char* rcText,
                      bool& readerCode);

// ---- one leg's rate ---------------------------------------------------------------------------
// The block fields that tell which rate a leg used.
struct LegFields {
    char* rateUsed; // 14 bytes, taDez4p7
    char& quotationUsed;
    char& unitExponent;
};

// The control data's fixed rate of row (already in the leg's rate cell): quotation 'M' and
// the row's unit exponent. Returns the unit exponent's power of ten (-1 for a bad one).
inline int useFixedRate(const char* row, char& quotationUsed, char& unitExponent) {
    quotationUsed = 'M';
    unitExponent = rowUnitExp(row);
    return unitExpFromChar(rowUnitExp(row));
}

// What a leg asks the rate file for: currency, booking date, sender named to the reader,
// rate type and rate-print demand of the block.
struct FileRequest {
    const char* iso;
    const char* date;
    const char* sender;
    char rateType;
    char printDemand;
};

// The rate of a leg whose rate cell holds the control data's rate of row (see controlRate):
// that fixed rate when the row has a non-zero one (quotation 'M', the row's unit exponent),
// else the rate file's for req, with fr receiving the reader's record. Sets fixedFlag ('J' or
// 'N') and the leg's fields. Returns 0 or the failure number; a reader failure as
// fetchFileRate.
int32_t legRate(const char* row, const FileRequest& req, const Eb& ctl, Dez32*& cell,
                const LegFields& f, char& fixedFlag, char& quotation, int& k, FileRate& fr,
                char* rcText, bool& readerCode);

// A rate from the rate file: replaces the leg's rate cell and fills the leg's fields.
// Returns 0 or 463 (no memory, unit other than 1, 100, 1000).
int32_t useFileRate(const FileRate& fr, Dez32*& cell, const LegFields& f, char& quotation, int& k);

// A rate given in the block: replaces the leg's rate cell; a quotation other than 'M', 'P'
// or blank is blanked in the block, and blank takes the control data's default. Fills the
// used quotation and unit exponent. Returns 0 or 463 (no memory, bad unit).
int32_t useGivenRate(const char* rate, char& givenQuotation, const unsigned char* unit,
                     const Eb& ctl, Dez32*& cell, const LegFields& f, char& quotation, int& k);

// ---- triangulation ------------------------------------------------------------------------
// First leg: BetragEin with Kurs32 into the base currency, then rounded to 3 decimals into
// EuroRund64, its difference into EuroRundDiff64 and the 32-digit copy into EuroRund32; the
// first leg's own cells are freed. Returns 0 or 463.
int32_t firstLegToBase(char quotation, int k);
// Second leg: EuroRund32 with Kurs32A out of the base currency, rounded to the decimals of
// decIndicator; writes the result, its rounding difference, the intermediate amount and its
// difference into the given slots. Returns 0 or 463.
int32_t secondLegFromBase(char quotation, int k, char decIndicator, char* amount132,
                          char* amount150, char* roundDiff, char* baseAmount, char* baseRoundDiff);

// ---- work cells --------------------------------------------------------------------------
// Frees the U1/U2 cells (nullptr-safe, each cell once).
void cleanupU1U2();
// Frees the U1 to U4 cells.
void cleanupU3U4();
// Sets the cells of the pair to null without freeing (entry of a call).
void nullU1U2();
void nullU3U4();

// ---- B1/G1 cell helpers ----------------------------------------------------------------------
// Frees the cell held by a work-cell variable and nulls it.
template <typename T> void release(T*& cell) {
    AR_Delete_(cell);
    cell = nullptr;
}

// Replaces the cell held by a work-cell variable.
template <typename T> void assign(T*& var, T* cell) {
    AR_Delete_(var);
    var = cell;
}

inline void setItemResult(BG_ITEM& item, int32_t rc) {
    std::memcpy(item.ITEM_RESULT, &rc, sizeof rc);
}

// ---- the U1 conversion, shared with A1 (ap602f1.cpp) ----------------------------------------
// Converts between the base currency and one other currency with the control data's fixed
// rate or the rate file's. readAmount turns AMOUNT_E into BetragEin; after, when given, runs
// once the results are written, with the 6-decimal value that was rounded.
template <typename Sb> struct OneLegOptions {
    const char* sender;                      // sender named to the rate-file reader
    Dez32* (*readAmount)(const char*);       // AMOUNT_E into a cell
    int32_t (*after)(Sb&, const Dez64* six); // extra results, or null
};
template <typename Sb>
int32_t convertOneLeg(Sb& sb, const Eb& ctl, const OneLegOptions<Sb>& opt, char* rcText,
                      bool& readerCode);
extern template int32_t convertOneLeg<U1_SB>(U1_SB&, const Eb&, const OneLegOptions<U1_SB>&, char*,
                                             bool&);
extern template int32_t convertOneLeg<A1_SB>(A1_SB&, const Eb&, const OneLegOptions<A1_SB>&, char*,
                                             bool&);

// ---- rate-file reader ------------------------------------------------------------------------
// While one lives on a thread, the reader checks the rate file once and answers the further
// requests of that thread from what it found: one batch call sees one version of the file.
struct RateFileBatch {
    RateFileBatch();
    ~RateFileBatch();
    RateFileBatch(const RateFileBatch&) = delete;
    RateFileBatch& operator=(const RateFileBatch&) = delete;
};

// ---- entry and exit of the exported functions ------------------------------------------------
// What distinguishes one conversion function's frame.
struct CallFrame {
    const char* traceIn;  // trace label on entry
    const char* traceOut; // trace label on exit
    std::size_t outFrom;  // first output byte of the block
    std::size_t size;     // block size
    void (*enter)();      // nulls the work cells without freeing
    void (*leave)();      // frees the work cells
};

// One conversion call: nulls the work cells, traces the block, clears its output, runs the
// body, frees the cells, clears the output again unless the call succeeded (0, or 261 with a
// replaced rate), writes the return code (the rate-file reader's own code text when the
// reader failed) and traces the block again. A null block is 461.
template <typename Sb>
int32_t runCall(Sb* sb, const void* psEb, const CallFrame& frame,
                int32_t (*body)(Sb&, const Eb&, char* rcText, bool& readerCode)) {
    if (sb == nullptr)
        return kVersion;
    frame.enter();
    const Eb ctl(psEb);
    trace(ctl, frame.traceIn, frame.size, sb);
    zeroFrom(sb, frame.outFrom, frame.size);
    char rcText[4];
    bool readerCode = false;
    const int32_t rc = body(*sb, ctl, rcText, readerCode);
    frame.leave();
    if (rc != kOk && rc != kRateIgnored)
        zeroFrom(sb, frame.outFrom, frame.size);
    if (readerCode)
        std::memcpy(sb->RETURN_CODE, rcText, 4);
    else
        setCode(sb->RETURN_CODE, rc);
    trace(ctl, frame.traceOut, frame.size, sb);
    return rc;
}

// A batch: converts each element's block with `one`, stores its return number in the element
// and returns the highest. The whole array is traced on entry and exit with the first
// element's size; elements missing for a positive count are 461.
template <typename Elem, typename Sb>
int32_t runBatch(int32_t count, Elem* elems, const void* psEb, void* pAux, const char* traceIn,
                 const char* traceOut, int32_t (*one)(Sb*, const void*, void*)) {
    static_assert(sizeof elems->RESULT == sizeof(int32_t));
    const Eb ctl(psEb);
    if (count > 0 && elems == nullptr)
        return kVersion;
    const RateFileBatch oneLookAtTheFile;
    trace(ctl, traceIn, sizeof(Elem), elems);
    int32_t worst = 0;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t rc = one(&elems[i].SB, psEb, pAux);
        std::memcpy(&elems[i].RESULT, &rc, sizeof rc);
        if (rc > worst)
            worst = rc;
    }
    trace(ctl, traceOut, sizeof(Elem), elems);
    return worst;
}

} // namespace convkern

#endif
