// SPDX-License-Identifier: Apache-2.0
// libtarvo: contexts, decimal-text arguments and results, and the calls into the kernel.
#include "tarvo.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

#include "controldata_rules.h"
#include "convkern.h"
#include "ctrldata.h"
#include "returncode.h"
#include "tarvo_text.h"

#ifndef TARVO_VERSION_TEXT
#define TARVO_VERSION_TEXT "0"
#endif

using namespace tarvo::lib;

struct tarvo_context {
    uint64_t id = 0; // unique for the process's life, for the per-thread block cache
    int builtin = 0;
    std::string controlFile; // empty: the process's own choice
    std::string version, application;
    std::string rateFile;
    char refDate[8]{};
    PS_EB eb{};
    char base[4]{};
    std::shared_mutex cacheMutex;
    std::unordered_map<uint64_t, const PS_EB*> byDate; // reference date -> block
    std::vector<std::unique_ptr<PS_EB>> blocks;        // the distinct blocks besides eb
};

namespace {

constexpr char kSender[8] = {'T', 'A', 'R', 'V', 'O', ' ', ' ', ' '};
constexpr std::size_t kMaxCachedDates = 20000;
constexpr std::size_t kMaxBlocks = 64;

// ---- process-wide state: loads touch the environment, the rate file is one per process ----
std::mutex gEnvMutex;
std::atomic<uint64_t> gNextContextId{1};
std::string gRateFile; // the rate file the open contexts named
int gRateFileUsers = 0;

void setError(tarvo_error* err, int code, const std::string& text) {
    if (err == nullptr)
        return;
    err->code = code;
    std::snprintf(err->message, sizeof err->message, "%s", text.c_str());
}

template <std::size_t N> void blankField(char (&field)[N], const std::string& text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

// The loader and the rate-file reader take their file names from the environment; the reader
// looks on every call, from any thread. Adding or removing a variable may move the
// environment's array under such a reader, replacing a value does not. So both variables exist
// from the moment the library is loaded, with the value their absence stands for, and are
// only ever replaced.
constexpr const char* kControlDefault = "TARVO.DAT";
constexpr const char* kRatesDefault = "WAEHKURS.DAT";
struct EnvDefaults {
    EnvDefaults() {
        ::setenv("TARVO_STEUDAT", kControlDefault, 0);
        ::setenv("TARVO_WAEHKURS", kRatesDefault, 0);
    }
};
const EnvDefaults gEnvDefaults;

// Replaces one variable's value for a load and puts the old one back.
class EnvOverride {
  public:
    EnvOverride(const char* name, const char* value, const char* absent) : name_(name) {
        const char* old = std::getenv(name);
        old_ = old != nullptr ? old : absent;
        ::setenv(name, value, 1);
    }
    ~EnvOverride() { ::setenv(name_, old_.c_str(), 1); }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

  private:
    const char* name_;
    std::string old_;
};

// Loads the context's control data for a reference date (8 characters, or blanks = today).
int32_t loadEb(const tarvo_context& c, const char* date8, PS_EB& eb, char* dateOut) {
    PS_SB sb;
    std::memset(&sb, 0, sizeof sb);
    std::memcpy(sb.SB_VERSION, "01", 2);
    std::memcpy(sb.SENDER, kSender, 8);
    blankField(sb.EB_VERSION, c.version);
    blankField(sb.ANWENDUNG, c.application);
    std::memcpy(sb.BEZUGSDATUM, date8, 8);
    int32_t aux = 0;
    int32_t rc;
    {
        std::lock_guard<std::mutex> lock(gEnvMutex);
        std::unique_ptr<EnvOverride> env;
        // An empty name cannot be found, so the loader takes the built-in record.
        if (c.builtin)
            env = std::make_unique<EnvOverride>("TARVO_STEUDAT", "", kControlDefault);
        else if (!c.controlFile.empty())
            env = std::make_unique<EnvOverride>("TARVO_STEUDAT", c.controlFile.c_str(),
                                                kControlDefault);
        rc = PS_LesenTarvoDaten(&sb, &aux, &eb);
    }
    if (dateOut != nullptr)
        std::memcpy(dateOut, sb.BEZUGSDATUM, 8);
    return rc;
}

bool loaded(int32_t rc) {
    return rc == tarvo::rc::kOk || rc == tarvo::rc::kDefaultEntryUsed;
}
bool succeeded(int32_t rc) {
    return rc == tarvo::rc::kOk || rc == tarvo::rc::kRateIgnored;
}

uint64_t dateKey(const char* d8) {
    uint64_t k;
    std::memcpy(&k, d8, 8);
    return k;
}

// Two loaded blocks that differ at most in the time of their load (call date and time, offsets
// 3 to 39) serve the same: dates whose blocks are equal share one, and their conversions
// can go to the kernel in one batch.
bool sameBlock(const PS_EB& a, const PS_EB& b) {
    constexpr std::size_t from = offsetof(PS_EB, AufrufDatumS0);
    constexpr std::size_t to = offsetof(PS_EB, BasisWaehrung);
    const auto* pa = reinterpret_cast<const unsigned char*>(&a);
    const auto* pb = reinterpret_cast<const unsigned char*>(&b);
    return std::memcmp(pa, pb, from) == 0 && std::memcmp(pa + to, pb + to, sizeof a - to) == 0;
}

// The control-data block for a reference date: the context's own for its date, else one
// cached per date (pointers stay valid while the context is open). scratch receives the
// block when the cache is full.
const PS_EB* ebFor(tarvo_context& c, const char* d8, PS_EB& scratch, int32_t& rc) {
    rc = 0;
    if (d8 == nullptr || std::memcmp(d8, c.refDate, 8) == 0)
        return &c.eb;
    const uint64_t key = dateKey(d8);
    // The block used last on this thread.
    thread_local struct {
        uint64_t context = 0, key = 0;
        const PS_EB* eb = nullptr;
    } last;
    if (last.context == c.id && last.key == key)
        return last.eb;
    {
        std::shared_lock<std::shared_mutex> lock(c.cacheMutex);
        auto it = c.byDate.find(key);
        if (it != c.byDate.end()) {
            last = {c.id, key, it->second};
            return it->second;
        }
    }
    auto eb = std::make_unique<PS_EB>();
    rc = loadEb(c, d8, *eb, nullptr);
    if (!loaded(rc))
        return nullptr;
    rc = 0;
    std::unique_lock<std::shared_mutex> lock(c.cacheMutex);
    const PS_EB* block = sameBlock(*eb, c.eb) ? &c.eb : nullptr;
    for (std::size_t i = 0; block == nullptr && i < c.blocks.size(); ++i)
        if (sameBlock(*eb, *c.blocks[i]))
            block = c.blocks[i].get();
    if (block == nullptr) {
        if (c.blocks.size() >= kMaxBlocks) {
            scratch = *eb;
            return &scratch;
        }
        c.blocks.push_back(std::move(eb));
        block = c.blocks.back().get();
    }
    if (c.byDate.size() < kMaxCachedDates)
        c.byDate.emplace(key, block);
    last = {c.id, key, block};
    return block;
}

// Today as YYYYMMDD, read again only when the day may have changed.
struct Today {
    std::atomic<std::time_t> until{0};
    std::atomic<uint64_t> date{0};
};
Today gToday;

void today8(char* out) {
    const std::time_t now = std::time(nullptr);
    if (now < gToday.until.load(std::memory_order_acquire)) {
        const uint64_t d = gToday.date.load(std::memory_order_relaxed);
        std::memcpy(out, &d, 8);
        return;
    }
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y%m%d", &tm);
    std::memcpy(out, buf, 8);
    const int left = 86400 - (tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec);
    uint64_t d;
    std::memcpy(&d, buf, 8);
    gToday.date.store(d, std::memory_order_relaxed);
    gToday.until.store(now + std::max(1, left - 1), std::memory_order_release);
}

void clearRate(tarvo_rate& r) {
    r.value[0] = '\0';
    r.unit = 1;
    r.quotation = ' ';
    r.fixed = 0;
    r.rate_date[0] = '\0';
}

// Empties every field of a result (texts by their first byte: the struct is written on every
// conversion, so it is not cleared whole).
void clearResult(tarvo_result* r, int code) {
    r->code = code;
    r->message_en = r->message_de = "";
    r->function[0] = '\0';
    r->amount[0] = '\0';
    r->decimals = 0;
    r->rounding_difference[0] = '\0';
    r->amount4[0] = '\0';
    r->rounding_difference4[0] = '\0';
    clearRate(r->rate);
    clearRate(r->rate_to);
    r->triangulated = 0;
    r->euro_amount[0] = '\0';
    r->euro_rounding_difference[0] = '\0';
}

int finish(tarvo_result* r, int code) {
    r->code = code;
    r->message_en = tarvo_strerror(code, "en");
    r->message_de = tarvo_strerror(code, "de");
    return code;
}

int unitOf(char exponent) {
    return exponent == '2' ? 100 : exponent == '3' ? 1000 : 1;
}

void putUnit(unsigned char* dst, int unit) {
    dst[0] = static_cast<unsigned char>(unit & 0xFF);
    dst[1] = static_cast<unsigned char>((unit >> 8) & 0xFF);
}

// The rate-file record's date for a market rate (a second question to the reader, which
// answers from its snapshot).
void rateDate(const char* iso, const char* booking8, char* out9) {
    LW_SB req;
    std::memset(&req, 0, sizeof req);
    std::memcpy(req.SB_VERSION, "01", 2);
    std::memcpy(req.SENDER, kSender, 8);
    std::memcpy(req.ISO_CODE, iso, 3);
    std::memcpy(req.REQ_DATE, booking8, 8);
    int32_t a = 0, b = 0;
    if (LW_LesenWaehrKursDaten(&req, &a, &b) == 0) {
        std::memcpy(out9, req.RATE_DATE, 8);
        out9[8] = '\0';
    }
}

void readLeg(tarvo_rate& leg, const char* rate, char fixed, char quotation, char exponent) {
    fieldText<4, 7>(rate, leg.value);
    leg.fixed = fixed == 'J';
    leg.quotation = quotation;
    leg.unit = unitOf(exponent);
}

void readAmount(tarvo_result* r, char indicator, const char* a132, const char* a150) {
    r->decimals = indicator == '2' ? 2 : 0;
    if (indicator == '2')
        fieldText<13, 2>(a132, r->amount);
    else
        fieldText<15, 0>(a150, r->amount);
}

// Arguments shared by every single conversion, checked and put into field form.
struct Request {
    char amount[16];
    char from[3], to[3];
    char booking[8];
    const char* reference = nullptr; // 8 characters, or null = the context's date
    char refBuf[8];
    char rateType = 'M';
    char ratePrint = 'N';
};

int checkCurrency(const char* code, char* out) {
    if (code == nullptr)
        return TARVO_E_ARGUMENT;
    for (int i = 0; i < 3; ++i) {
        if (code[i] < 'A' || code[i] > 'Z')
            return TARVO_E_CURRENCY;
        out[i] = code[i];
    }
    return code[3] == '\0' ? 0 : TARVO_E_CURRENCY;
}

// Everything but the amount: currencies, dates, options.
int prepare(tarvo_context* ctx, const char* from, const char* to, const char* date,
            const tarvo_convert_options* o, Request& q) {
    if (ctx == nullptr)
        return TARVO_E_ARGUMENT;
    if (int e = checkCurrency(from, q.from))
        return e;
    if (int e = checkCurrency(to, q.to))
        return e;
    char date8[8];
    const bool dated = date != nullptr;
    if (dated && !parseDate(date, date8))
        return TARVO_E_DATE;
    const char* booking = o != nullptr ? o->booking_date : nullptr;
    const char* reference = o != nullptr ? o->reference_date : nullptr;
    if (booking != nullptr) {
        if (!parseDate(booking, q.booking))
            return TARVO_E_DATE;
    } else if (dated) {
        std::memcpy(q.booking, date8, 8);
    } else {
        today8(q.booking);
    }
    if (reference != nullptr) {
        if (!parseDate(reference, q.refBuf))
            return TARVO_E_DATE;
        q.reference = q.refBuf;
    } else if (dated) {
        std::memcpy(q.refBuf, date8, 8);
        q.reference = q.refBuf;
    }
    if (o != nullptr) {
        if (o->rate_type != '\0')
            q.rateType = o->rate_type;
        if (o->rate_print != '\0') {
            if (o->rate_print != 'J' && o->rate_print != 'N')
                return TARVO_E_OPTION;
            q.ratePrint = o->rate_print;
        }
    }
    return 0;
}

template <class SB> void fillHead(SB& sb, const Request& q, std::size_t amountLen) {
    std::memcpy(sb.SB_VERSION, "01", 2);
    std::memcpy(sb.SENDER, kSender, 8);
    std::memcpy(sb.ISO_CODE_E, q.from, 3);
    std::memcpy(sb.ISO_CODE_A, q.to, 3);
    std::memcpy(sb.AMOUNT_E, q.amount, amountLen);
}

void fillU1(U1_SB& sb, const Request& q) {
    std::memset(&sb, 0, sizeof sb);
    fillHead(sb, q, 16);
    sb.RATE_TYPE = q.rateType;
    sb.RATE_PRINT_FLAG = q.ratePrint;
    std::memcpy(sb.BOOKING_DATE, q.booking, 8);
}

void fillU3(U3_SB& sb, const Request& q) {
    std::memset(&sb, 0, sizeof sb);
    fillHead(sb, q, 16);
    sb.RATE_TYPE = q.rateType;
    sb.RATE_PRINT_FLAG_E = q.ratePrint;
    sb.RATE_PRINT_FLAG_A = q.ratePrint;
    std::memcpy(sb.BOOKING_DATE, q.booking, 8);
}

template <class SB> void readOneLeg(const SB& sb, int32_t rc, char fixed, tarvo_result* r) {
    if (!succeeded(rc))
        return;
    readAmount(r, sb.DEC_INDICATOR, sb.AMOUNT_A_13_2, sb.AMOUNT_A_15_0);
    fieldText<1, 6>(sb.ROUND_DIFF, r->rounding_difference);
    readLeg(r->rate, sb.RATE_USED, fixed, sb.QUOTATION_USED, sb.UNIT_EXPONENT);
}

template <class SB> void readTwoLegs(const SB& sb, int32_t rc, tarvo_result* r) {
    r->triangulated = 1;
    if (!succeeded(rc))
        return;
    readAmount(r, sb.DEC_INDICATOR, sb.AMOUNT_A_13_2, sb.AMOUNT_A_15_0);
    fieldText<1, 6>(sb.ROUND_DIFF, r->rounding_difference);
    readLeg(r->rate, sb.RATE_USED_E, sb.FIXED_RATE_FLAG_E, sb.QUOTATION_USED_E, sb.UNIT_EXPONENT_E);
    readLeg(r->rate_to, sb.RATE_USED_A, sb.FIXED_RATE_FLAG_A, sb.QUOTATION_USED_A,
            sb.UNIT_EXPONENT_A);
    fieldText<12, 3>(sb.BASE_AMOUNT, r->euro_amount);
    fieldText<1, 6>(sb.BASE_ROUND_DIFF, r->euro_rounding_difference);
}

void readU1(const U1_SB& sb, int32_t rc, const char* base, tarvo_result* r) {
    std::memcpy(r->function, "U1", 3);
    readOneLeg(sb, rc, sb.FIXED_RATE_FLAG, r);
    if (succeeded(rc) && !r->rate.fixed) {
        const char* other =
            std::memcmp(sb.ISO_CODE_E, base, 3) == 0 ? sb.ISO_CODE_A : sb.ISO_CODE_E;
        rateDate(other, sb.BOOKING_DATE, r->rate.rate_date);
    }
}

void readU3(const U3_SB& sb, int32_t rc, tarvo_result* r) {
    std::memcpy(r->function, "U3", 3);
    readTwoLegs(sb, rc, r);
    if (!succeeded(rc))
        return;
    if (!r->rate.fixed)
        rateDate(sb.ISO_CODE_E, sb.BOOKING_DATE, r->rate.rate_date);
    if (!r->rate_to.fixed)
        rateDate(sb.ISO_CODE_A, sb.BOOKING_DATE, r->rate_to.rate_date);
}

int convertOne(tarvo_context* ctx, const Request& q, tarvo_result* out) {
    PS_EB scratch;
    int32_t rc = 0;
    const PS_EB* eb = ebFor(*ctx, q.reference, scratch, rc);
    if (eb == nullptr)
        return finish(out, rc);
    int32_t aux = 0;
    U1_SB u1;
    fillU1(u1, q);
    rc = U1_UmrFwaehrBwaehr(&u1, eb, &aux);
    if (rc != tarvo::rc::kIsoCombination) {
        readU1(u1, rc, ctx->base, out);
        return finish(out, rc);
    }
    U3_SB u3;
    fillU3(u3, q);
    rc = U3_UmrFwaehrBwaehrFwaehr(&u3, eb, &aux);
    readU3(u3, rc, out);
    return finish(out, rc);
}

int checkGiven(const tarvo_given_rate* g, char (&rate)[14], unsigned char* unit, char* quotation) {
    std::memset(rate, 0, sizeof rate);
    if (g == nullptr) {
        std::memcpy(rate, "+00000000000", 12);
        putUnit(unit, 1);
        *quotation = ' ';
        return 0;
    }
    if (g->rate == nullptr)
        return TARVO_E_ARGUMENT;
    if (parseDecimal(g->rate, 4, 7, rate) != 0)
        return TARVO_E_RATE;
    if (g->unit != 1 && g->unit != 100 && g->unit != 1000)
        return TARVO_E_OPTION;
    if (g->quotation != 'M' && g->quotation != 'P' && g->quotation != ' ' && g->quotation != '\0')
        return TARVO_E_OPTION;
    putUnit(unit, g->unit);
    *quotation = g->quotation == '\0' ? ' ' : g->quotation;
    return 0;
}

// Given-rate blocks, prepared once for one or many amounts.
struct Given {
    bool oneLeg = true;
    U2_SB u2;
    U4_SB u4;
};

int prepareGiven(tarvo_context* ctx, const char* from, const char* to, const tarvo_given_rate* rf,
                 const tarvo_given_rate* rt, int decimals, Given& g) {
    Request q;
    if (int e = prepare(ctx, from, to, nullptr, nullptr, q))
        return e;
    if (decimals != 2 && decimals != 0)
        return TARVO_E_OPTION;
    const char dec = decimals == 2 ? '2' : '0';
    g.oneLeg = std::memcmp(q.from, ctx->base, 3) == 0 || std::memcmp(q.to, ctx->base, 3) == 0;
    std::memset(q.amount, '0', sizeof q.amount);
    if (g.oneLeg) {
        std::memset(&g.u2, 0, sizeof g.u2);
        fillHead(g.u2, q, 0);
        const tarvo_given_rate* given = std::memcmp(q.from, ctx->base, 3) == 0 ? rt : rf;
        if (int e = checkGiven(given, g.u2.RATE, g.u2.RATE_UNIT, &g.u2.QUOTATION))
            return e;
        g.u2.DEC_FLAG_A = dec;
    } else {
        std::memset(&g.u4, 0, sizeof g.u4);
        fillHead(g.u4, q, 0);
        if (int e = checkGiven(rf, g.u4.RATE_E, g.u4.RATE_UNIT_E, &g.u4.QUOTATION_E))
            return e;
        if (int e = checkGiven(rt, g.u4.RATE_A, g.u4.RATE_UNIT_A, &g.u4.QUOTATION_A))
            return e;
        g.u4.DEC_FLAG_A = dec;
    }
    return 0;
}

void readU2(const U2_SB& sb, int32_t rc, tarvo_result* r) {
    std::memcpy(r->function, "U2", 3);
    readOneLeg(sb, rc, rc == tarvo::rc::kRateIgnored ? 'J' : 'N', r);
}

void readU4(const U4_SB& sb, int32_t rc, tarvo_result* r) {
    std::memcpy(r->function, "U4", 3);
    readTwoLegs(sb, rc, r);
}

void readA1(const A1_SB& sb, int32_t rc, const char* base, tarvo_result* r) {
    std::memcpy(r->function, "A1", 3);
    readOneLeg(sb, rc, sb.FIXED_RATE_FLAG, r);
    if (!succeeded(rc))
        return;
    fieldText<11, 4>(sb.AMOUNT_A_11_4, r->amount4);
    fieldText<1, 6>(sb.ROUND_DIFF_4, r->rounding_difference4);
    if (!r->rate.fixed) {
        const char* other =
            std::memcmp(sb.ISO_CODE_E, base, 3) == 0 ? sb.ISO_CODE_A : sb.ISO_CODE_E;
        rateDate(other, sb.BOOKING_DATE, r->rate.rate_date);
    }
}

void fillA1(A1_SB& sb, const Request& q) {
    std::memset(&sb, 0, sizeof sb);
    fillHead(sb, q, 16);
    sb.RATE_TYPE = q.rateType;
    sb.RATE_PRINT_FLAG = q.ratePrint;
    std::memcpy(sb.BOOKING_DATE, q.booking, 8);
}

int worst(int a, int b) {
    return std::max(a, b);
}

constexpr std::size_t kChunk = 256;

// Runs of consecutive elements that share one control-data block go to the batch function
// together; elements whose arguments fail their checks are answered without it.
template <class Elem, class Fill, class Run, class Read>
int many(tarvo_context* ctx, std::size_t count, const char* const* amounts, const char* from,
         const char* to, const char* const* dates, const char* date, const tarvo_convert_options* o,
         tarvo_result* results, int intDigits, int decimals, Fill fill, Run run, Read read) {
    if (count > 0 && (results == nullptr || amounts == nullptr))
        return TARVO_E_ARGUMENT;
    if (count > static_cast<std::size_t>(INT32_MAX))
        return TARVO_E_COUNT;
    std::vector<Elem> elems;
    std::vector<std::size_t> index;
    std::vector<Request> reqs;
    try {
        elems.resize(std::min(count, kChunk));
        index.reserve(std::min(count, kChunk));
        reqs.resize(std::min(count, kChunk));
    } catch (const std::bad_alloc&) {
        return TARVO_E_NO_MEMORY;
    }
    int result = 0;
    std::size_t i = 0;
    PS_EB scratch, probe; // blocks beyond the cache: the batch's own, and one looked at
    while (i < count) {
        index.clear();
        const PS_EB* eb = nullptr;
        while (i < count && index.size() < kChunk) {
            tarvo_result* r = &results[i];
            clearResult(r, 0);
            Request& q = reqs[index.size()];
            q = Request{};
            int e = prepare(ctx, from, to, dates != nullptr ? dates[i] : date, o, q);
            if (e == 0)
                e = amounts[i] == nullptr ? TARVO_E_ARGUMENT
                                          : parseDecimal(amounts[i], intDigits, decimals, q.amount);
            if (e != 0) {
                result = worst(result, finish(r, e));
                ++i;
                continue;
            }
            // One batch per control-data block: dates whose blocks are equal share it.
            int32_t rc = 0;
            const PS_EB* block = ebFor(*ctx, q.reference, index.empty() ? scratch : probe, rc);
            if (block == nullptr) {
                result = worst(result, finish(r, rc));
                ++i;
                continue;
            }
            if (index.empty())
                eb = block;
            else if (block != eb)
                break;
            fill(elems[index.size()], q);
            index.push_back(i);
            ++i;
        }
        if (index.empty())
            continue;
        run(static_cast<int32_t>(index.size()), elems.data(), eb, reqs.data());
        for (std::size_t k = 0; k < index.size(); ++k)
            result = worst(result, read(elems[k], reqs[k], eb, &results[index[k]]));
    }
    return result;
}

// The common start of a single conversion: the result cleared, then currencies, dates,
// options and the amount (at most intDigits integer digits and decimals decimals) checked.
// Answers 0, or the code already stored in *out.
int prepareAmount(tarvo_context* ctx, const char* amount, int intDigits, int decimals,
                  const char* from, const char* to, const char* date,
                  const tarvo_convert_options* opts, Request& q, tarvo_result* out) {
    clearResult(out, 0);
    int e = prepare(ctx, from, to, date, opts, q);
    if (e == 0 && amount == nullptr)
        e = TARVO_E_ARGUMENT;
    if (e == 0)
        e = parseDecimal(amount, intDigits, decimals, q.amount);
    return e == 0 ? 0 : finish(out, e);
}

} // namespace

extern "C" {

TARVO_PUBLIC tarvo_context* tarvo_open(const tarvo_options* opts, tarvo_error* err) {
    setError(err, 0, "");
    tarvo_options none{};
    const tarvo_options& o = opts != nullptr ? *opts : none;
    std::unique_ptr<tarvo_context> c;
    try {
        c = std::make_unique<tarvo_context>();
        c->id = gNextContextId.fetch_add(1);
        c->builtin = o.builtin;
        if (!o.builtin && o.control_file != nullptr) {
            struct stat st;
            if (o.control_file[0] == '\0' || ::stat(o.control_file, &st) != 0) {
                setError(err, TARVO_E_CONTROL_FILE,
                         std::string("control-data file ") + o.control_file + " does not exist");
                return nullptr;
            }
            c->controlFile = o.control_file;
        }
        c->version = o.version != nullptr ? o.version : "";
        c->application = o.application != nullptr ? o.application : "";
        if (c->version.size() > 2 || c->application.size() > 8) {
            setError(err, TARVO_E_NAME,
                     "control-data version has more than 2 or application more than 8 characters");
            return nullptr;
        }
        char d8[8];
        if (o.reference_date != nullptr) {
            if (!parseDate(o.reference_date, d8)) {
                setError(err, TARVO_E_DATE, "reference date is not a valid date");
                return nullptr;
            }
        } else {
            std::memset(d8, '0', 8);
        }
        const int32_t rc = loadEb(*c, d8, c->eb, c->refDate);
        if (!loaded(rc)) {
            setError(err, rc, tarvo_strerror(rc, "en"));
            return nullptr;
        }
        std::memcpy(c->base, tarvo::ctl::baseCurrency(&c->eb), 3);
        if (o.rate_file != nullptr) {
            std::lock_guard<std::mutex> lock(gEnvMutex);
            if (gRateFileUsers > 0 && gRateFile != o.rate_file) {
                setError(err, TARVO_E_RATE_FILE_CONFLICT,
                         "another open context uses the rate file " + gRateFile);
                return nullptr;
            }
            if (gRateFileUsers == 0) {
                gRateFile = o.rate_file;
                ::setenv("TARVO_WAEHKURS", o.rate_file, 1);
            }
            ++gRateFileUsers;
            c->rateFile = o.rate_file;
        }
        setError(err, rc, rc == 0 ? "" : tarvo_strerror(rc, "en"));
        return c.release();
    } catch (const std::bad_alloc&) {
        setError(err, TARVO_E_NO_MEMORY, "no memory");
        return nullptr;
    }
}

TARVO_PUBLIC void tarvo_close(tarvo_context* ctx) {
    if (ctx == nullptr)
        return;
    if (!ctx->rateFile.empty()) {
        std::lock_guard<std::mutex> lock(gEnvMutex);
        --gRateFileUsers;
    }
    delete ctx;
}

TARVO_PUBLIC const char* tarvo_base_currency(const tarvo_context* ctx) {
    return ctx != nullptr ? ctx->base : "";
}

TARVO_PUBLIC int tarvo_convert_ex(tarvo_context* ctx, const char* amount, const char* from,
                                  const char* to, const char* date,
                                  const tarvo_convert_options* opts, tarvo_result* out) {
    if (out == nullptr)
        return TARVO_E_ARGUMENT;
    Request q;
    if (int e = prepareAmount(ctx, amount, 13, 2, from, to, date, opts, q, out))
        return e;
    try {
        return convertOne(ctx, q, out);
    } catch (const std::bad_alloc&) {
        return finish(out, TARVO_E_NO_MEMORY);
    }
}

TARVO_PUBLIC int tarvo_convert(tarvo_context* ctx, const char* amount, const char* from,
                               const char* to, const char* date, tarvo_result* out) {
    return tarvo_convert_ex(ctx, amount, from, to, date, nullptr, out);
}

TARVO_PUBLIC int tarvo_convert_given_rate(tarvo_context* ctx, const char* amount, const char* from,
                                          const char* to, const tarvo_given_rate* rate_from,
                                          const tarvo_given_rate* rate_to, int decimals,
                                          tarvo_result* out) {
    if (out == nullptr)
        return TARVO_E_ARGUMENT;
    clearResult(out, 0);
    Given g;
    if (int e = prepareGiven(ctx, from, to, rate_from, rate_to, decimals, g))
        return finish(out, e);
    if (amount == nullptr)
        return finish(out, TARVO_E_ARGUMENT);
    char field[16];
    if (int e = parseDecimal(amount, 13, 2, field))
        return finish(out, e);
    int32_t aux = 0;
    if (g.oneLeg) {
        std::memcpy(g.u2.AMOUNT_E, field, 16);
        const int32_t rc = U2_UmrFwaehrBwaehrKv(&g.u2, &ctx->eb, &aux);
        readU2(g.u2, rc, out);
        return finish(out, rc);
    }
    std::memcpy(g.u4.AMOUNT_E, field, 16);
    const int32_t rc = U4_UmrFwaehrBwaehrFwaehrKv(&g.u4, &ctx->eb, &aux);
    readU4(g.u4, rc, out);
    return finish(out, rc);
}

TARVO_PUBLIC int tarvo_convert4(tarvo_context* ctx, const char* amount, const char* from,
                                const char* to, const char* date, const tarvo_convert_options* opts,
                                tarvo_result* out) {
    if (out == nullptr)
        return TARVO_E_ARGUMENT;
    Request q;
    if (int e = prepareAmount(ctx, amount, 11, 4, from, to, date, opts, q, out))
        return e;
    try {
        PS_EB scratch;
        int32_t rc = 0;
        const PS_EB* eb = ebFor(*ctx, q.reference, scratch, rc);
        if (eb == nullptr)
            return finish(out, rc);
        A1_SB sb;
        fillA1(sb, q);
        int32_t aux = 0;
        rc = A1_UmrFwaehrBwaehr(&sb, eb, &aux);
        readA1(sb, rc, ctx->base, out);
        return finish(out, rc);
    } catch (const std::bad_alloc&) {
        return finish(out, TARVO_E_NO_MEMORY);
    }
}

TARVO_PUBLIC int tarvo_convert_many(tarvo_context* ctx, size_t count, const char* const* amounts,
                                    const char* from, const char* to, const char* const* dates,
                                    const char* date, const tarvo_convert_options* opts,
                                    tarvo_result* results) {
    if (ctx == nullptr)
        return TARVO_E_ARGUMENT;
    // U5 for the pairs with the base currency; the elements it refuses as a pair without it
    // go through U7, as single conversions do.
    std::vector<U7_ELEM> again;
    std::vector<std::size_t> againAt;
    auto fill = [](U5_ELEM& e, const Request& q) {
        e.RESULT = 0;
        fillU1(e.SB, q);
    };
    auto run = [&](int32_t n, U5_ELEM* elems, const PS_EB* eb, const Request* reqs) {
        int32_t aux = 0;
        U5_UmrFwaehrBwaehr(n, elems, eb, &aux);
        again.clear();
        againAt.clear();
        for (int32_t k = 0; k < n; ++k) {
            if (elems[k].RESULT != tarvo::rc::kIsoCombination)
                continue;
            U7_ELEM u7{};
            fillU3(u7.SB, reqs[k]);
            again.push_back(u7);
            againAt.push_back(static_cast<std::size_t>(k));
        }
        if (again.empty())
            return;
        U7_UmrFwaehrBwaehrFwaehr(static_cast<int32_t>(again.size()), again.data(), eb, &aux);
        // The U3 result replaces the U1 one: its block is kept in the U5 element's place by
        // marking the element and reading from `again` below.
        for (std::size_t j = 0; j < again.size(); ++j)
            elems[againAt[j]].RESULT = -1 - static_cast<int32_t>(j);
    };
    auto read = [&](const U5_ELEM& e, const Request&, const PS_EB*, tarvo_result* r) {
        if (e.RESULT < 0) {
            const U7_ELEM& u7 = again[static_cast<std::size_t>(-1 - e.RESULT)];
            readU3(u7.SB, u7.RESULT, r);
            return finish(r, u7.RESULT);
        }
        readU1(e.SB, e.RESULT, ctx->base, r);
        return finish(r, e.RESULT);
    };
    try {
        return many<U5_ELEM>(ctx, count, amounts, from, to, dates, date, opts, results, 13, 2, fill,
                             run, read);
    } catch (const std::bad_alloc&) {
        return TARVO_E_NO_MEMORY;
    }
}

TARVO_PUBLIC int tarvo_convert4_many(tarvo_context* ctx, size_t count, const char* const* amounts,
                                     const char* from, const char* to, const char* const* dates,
                                     const char* date, const tarvo_convert_options* opts,
                                     tarvo_result* results) {
    if (ctx == nullptr)
        return TARVO_E_ARGUMENT;
    auto fill = [](A5_ELEM& e, const Request& q) {
        e.RESULT = 0;
        fillA1(e.SB, q);
    };
    auto run = [](int32_t n, A5_ELEM* elems, const PS_EB* eb, const Request*) {
        int32_t aux = 0;
        A5_UmrFwaehrBwaehr(n, elems, eb, &aux);
    };
    auto read = [&](const A5_ELEM& e, const Request&, const PS_EB*, tarvo_result* r) {
        readA1(e.SB, e.RESULT, ctx->base, r);
        return finish(r, e.RESULT);
    };
    try {
        return many<A5_ELEM>(ctx, count, amounts, from, to, dates, date, opts, results, 11, 4, fill,
                             run, read);
    } catch (const std::bad_alloc&) {
        return TARVO_E_NO_MEMORY;
    }
}

TARVO_PUBLIC int tarvo_convert_given_rate_many(tarvo_context* ctx, size_t count,
                                               const char* const* amounts, const char* from,
                                               const char* to, const tarvo_given_rate* rate_from,
                                               const tarvo_given_rate* rate_to, int decimals,
                                               tarvo_result* results) {
    if (count > 0 && (results == nullptr || amounts == nullptr))
        return TARVO_E_ARGUMENT;
    if (count > static_cast<std::size_t>(INT32_MAX))
        return TARVO_E_COUNT;
    Given g;
    const int pre = prepareGiven(ctx, from, to, rate_from, rate_to, decimals, g);
    int result = 0;
    try {
        std::vector<U6_ELEM> u6;
        std::vector<U8_ELEM> u8;
        std::vector<std::size_t> at;
        for (std::size_t i = 0; i < count;) {
            u6.clear();
            u8.clear();
            at.clear();
            for (; i < count && at.size() < kChunk; ++i) {
                tarvo_result* r = &results[i];
                clearResult(r, 0);
                char field[16];
                int e = pre;
                if (e == 0)
                    e = amounts[i] == nullptr ? TARVO_E_ARGUMENT
                                              : parseDecimal(amounts[i], 13, 2, field);
                if (e != 0) {
                    result = worst(result, finish(r, e));
                    continue;
                }
                if (g.oneLeg) {
                    U6_ELEM el{};
                    el.SB = g.u2;
                    std::memcpy(el.SB.AMOUNT_E, field, 16);
                    u6.push_back(el);
                } else {
                    U8_ELEM el{};
                    el.SB = g.u4;
                    std::memcpy(el.SB.AMOUNT_E, field, 16);
                    u8.push_back(el);
                }
                at.push_back(i);
            }
            int32_t aux = 0;
            const auto n = static_cast<int32_t>(at.size());
            if (n == 0)
                continue;
            if (g.oneLeg)
                U6_UmrFwaehrBwaehrKv(n, u6.data(), &ctx->eb, &aux);
            else
                U8_UmrFwaehrBwaehrFwaehrKv(n, u8.data(), &ctx->eb, &aux);
            for (std::size_t k = 0; k < at.size(); ++k) {
                tarvo_result* r = &results[at[k]];
                if (g.oneLeg) {
                    readU2(u6[k].SB, u6[k].RESULT, r);
                    result = worst(result, finish(r, u6[k].RESULT));
                } else {
                    readU4(u8[k].SB, u8[k].RESULT, r);
                    result = worst(result, finish(r, u8[k].RESULT));
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return TARVO_E_NO_MEMORY;
    }
    return result;
}

TARVO_PUBLIC int tarvo_balance(tarvo_context* ctx, const char* total, const char* const* parts,
                               size_t count, const char* from, const char* to, const char* date,
                               char method, char (*total_out)[24], char (*parts_out)[24],
                               char* adjust) {
    if (total == nullptr || (count > 0 && (parts == nullptr || parts_out == nullptr)) ||
        total_out == nullptr)
        return TARVO_E_ARGUMENT;
    // The block holds 50 items; beyond that the kernel's own code for the count answers.
    if (count > BG_MAX_ITEMS - 1)
        return tarvo::rc::kBadIndex;
    Request q;
    if (int e = prepare(ctx, from, to, date, nullptr, q))
        return e;
    try {
        PS_EB scratch;
        int32_t rc = 0;
        const PS_EB* eb = ebFor(*ctx, q.reference, scratch, rc);
        if (eb == nullptr)
            return rc;
        auto sb = std::make_unique<B1_SB>();
        std::memset(sb.get(), 0, sizeof *sb);
        std::memcpy(sb->SB_VERSION, "01", 2);
        std::memcpy(sb->SENDER, kSender, 8);
        putUnit(sb->ITEM_COUNT, static_cast<int>(count + 1));
        sb->BALANCING_METHOD = method;
        for (std::size_t i = 0; i <= count; ++i) {
            const char* text = i == 0 ? total : parts[i - 1];
            if (text == nullptr)
                return TARVO_E_ARGUMENT;
            if (int e = parseDecimal(text, 13, 2, q.amount))
                return e;
            fillU1(sb->ITEMS[i].SB, q);
        }
        int32_t aux = 0;
        rc = B1_UmrMitBetrAusgl(sb.get(), eb, &aux);
        if (!succeeded(rc))
            return rc;
        // The balanced amounts are 13.2 texts; a currency without decimals keeps whole units.
        const bool whole = sb->ITEMS[0].SB.DEC_INDICATOR == '0';
        for (std::size_t i = 0; i <= count; ++i) {
            char* dst = i == 0 ? *total_out : parts_out[i - 1];
            fieldText<13, 2>(sb->AMOUNT_OUT[i], dst);
            if (whole) {
                if (char* dot = std::strchr(dst, '.'))
                    *dot = '\0';
            }
            if (adjust != nullptr && i > 0)
                adjust[i - 1] = sb->SSV[i] == '+' || sb->SSV[i] == '-' ? sb->SSV[i] : ' ';
        }
        return rc;
    } catch (const std::bad_alloc&) {
        return TARVO_E_NO_MEMORY;
    }
}

TARVO_PUBLIC int tarvo_smooth(tarvo_context* ctx, const char* const* amounts, size_t count,
                              const char* from, const char* to, const char* date, const char* unit,
                              int exponent, char method, char (*units_out)[24],
                              char (*rest_out)[24], int* codes) {
    if ((count > 0 && amounts == nullptr) || units_out == nullptr || rest_out == nullptr)
        return TARVO_E_ARGUMENT;
    if (count > BG_MAX_ITEMS)
        return tarvo::rc::kBadIndex;
    if (exponent < INT16_MIN || exponent > INT16_MAX)
        return TARVO_E_OPTION;
    Request q;
    if (int e = prepare(ctx, from, to, date, nullptr, q))
        return e;
    char unitField[16];
    std::memcpy(unitField, "+000000000000000", 16);
    if (unit != nullptr) {
        if (int e = parseDecimal(unit, 15, 0, unitField))
            return e;
    }
    try {
        PS_EB scratch;
        int32_t rc = 0;
        const PS_EB* eb = ebFor(*ctx, q.reference, scratch, rc);
        if (eb == nullptr)
            return rc;
        auto sb = std::make_unique<G1_SB>();
        std::memset(sb.get(), 0, sizeof *sb);
        std::memcpy(sb->SB_VERSION, "01", 2);
        std::memcpy(sb->SENDER, kSender, 8);
        putUnit(sb->ITEM_COUNT, static_cast<int>(count));
        std::memcpy(sb->SMOOTHING_VALUE, unitField, 16);
        putUnit(sb->SMOOTHING_EXPONENT, unit != nullptr ? 0 : exponent);
        sb->SMOOTHING_METHOD = method;
        for (std::size_t i = 0; i < count; ++i) {
            if (amounts[i] == nullptr)
                return TARVO_E_ARGUMENT;
            if (int e = parseDecimal(amounts[i], 13, 2, q.amount))
                return e;
            fillU1(sb->ITEMS[i].SB, q);
        }
        int32_t aux = 0;
        rc = G1_UmrMitGlaettung(sb.get(), eb, &aux);
        for (std::size_t i = 0; i < count; ++i) {
            int32_t item;
            std::memcpy(&item, sb->ITEMS[i].ITEM_RESULT, 4);
            if (codes != nullptr)
                codes[i] = item;
            units_out[i][0] = rest_out[i][0] = '\0';
            if (succeeded(item) && succeeded(rc)) {
                fieldText<15, 0>(sb->UNITS_OUT[i], units_out[i]);
                fieldText<13, 2>(sb->REST_OUT[i], rest_out[i]);
            }
        }
        return rc;
    } catch (const std::bad_alloc&) {
        return TARVO_E_NO_MEMORY;
    }
}

TARVO_PUBLIC const char* tarvo_version(void) {
    return TARVO_VERSION_TEXT;
}

TARVO_PUBLIC const char* tarvo_strerror(int code, const char* lang) {
    const bool german =
        lang != nullptr && (lang[0] == 'd' || lang[0] == 'D') && (lang[1] == 'e' || lang[1] == 'E');
    return messageOf(code, german);
}

} // extern "C"
