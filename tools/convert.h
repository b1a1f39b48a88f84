/* SPDX-License-Identifier: Apache-2.0 */
// Single conversions the way the calculator chooses them: U1, else U3; U2, else U4 with given
// rates.
#ifndef TARVO_TOOLS_CONVERT_H
#define TARVO_TOOLS_CONVERT_H

#include <optional>
#include <string>

#include "common.h"
#include "convkern.h"

namespace tarvo::tool {

struct GivenRate {
    std::string dez4p7; // taDez4p7 text
    int unit = 1;       // 1, 100 or 1000
    char quotation = 'M';
};

struct ConvertRequest {
    std::string amount; // taDez13p2 text
    std::string from, to;
    char rateType = 'M';
    char ratePrint = 'N';
    std::string bookingDate; // YYYYMMDD
    std::optional<GivenRate> rateFrom, rateTo;
    char decimals = '2';       // result decimals wanted with given rates: '2' or '0'
    bool fourDecimals = false; // A1: `amount` is then a taDez11p4 text
};

// Where a leg's rate came from.
enum class RateSourceKind { Fixed, Market, Given };

// One leg's rate as the kernel reports it, and for a rate-file rate the dates behind it.
struct LegInfo {
    std::string currency;
    std::string rate;      // decimal text of the stored rate, "119.5020000"
    std::string effective; // the rate times the unit, "11950.2"
    bool fixed = false;
    char quotation = ' ';
    int unit = 1;
    RateSourceKind source = RateSourceKind::Market;
    std::string recordDate, fileDate; // YYYYMMDD, market rates only ("" when unknown)
};

struct ConvertResult {
    int32_t rc = 0;
    std::string function; // "U1" .. "U4"
    std::string amount;   // decimal text of the result
    int decimals = 2;
    std::string roundDiff;
    LegInfo from, to; // U1/U2 fill only the leg of the non-base currency, in `from`
    bool triangulated = false;
    std::string baseAmount, baseRoundDiff; // U3/U4
    std::string base;                      // base currency of the control data
    std::string amount4, roundDiff4;       // A1
};

// The rate times its unit as a plain decimal ("+00011950200", 100 -> "11950.2").
std::string effectiveRate(std::string_view dez4p7, int unit);

// Base currency of the loaded control data (period flag 'J': euro base, else home).
std::string baseCurrency(const PS_EB& eb);

// Fills a U1 block (also used for batch, balance and smooth items).
void fillU1(U1_SB& sb, const ConvertRequest& req);
void fillU3(U3_SB& sb, const ConvertRequest& req);
// U2 with the given rate of the currency that is not the base (null: none); U4 with the
// request's rates; A1 (the request's amount a taDez11p4 text).
void fillU2(U2_SB& sb, const ConvertRequest& req, const GivenRate* given);
void fillU4(U4_SB& sb, const ConvertRequest& req);
void fillA1(A1_SB& sb, const ConvertRequest& req);
ConvertResult resultOfU1(const U1_SB& sb, int32_t rc);
// The decimal text of a result block's amount: the 13.2 field when DEC_INDICATOR is '2',
// else the 15.0 field.
std::string resultAmount(char decIndicator, const char* a132, const char* a150);
ConvertResult resultOfU3(const U3_SB& sb, int32_t rc);

ConvertResult convert(const ConvertRequest& req, const ControlData& cd);

} // namespace tarvo::tool

#endif
