/* SPDX-License-Identifier: Apache-2.0 */
// Every text the tarvo program prints for people, in English and German: one table, one
// language per run.
#ifndef TARVO_TOOLS_MESSAGES_H
#define TARVO_TOOLS_MESSAGES_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tarvo::tool {

enum class Lang { En, De };

// The language of this run: --lang en|de (also --lang=de) wins, else a German locale in
// LC_ALL, LC_MESSAGES or LANG, else English. Throws nothing; an unknown --lang value is left
// for the option parser to refuse.
Lang languageOf(int argc, const char* const* argv);
void setLanguage(Lang lang);
Lang language();

enum class Msg {
    AmountInvalid,
    Amount4Invalid,
    DateInvalid,
    CurrencyNotIso,
    UnknownCurrency,
    RateInvalid,
    VersionTooLong,
    ApplicationTooLong,
    ControlDataMissing,
    ControlDataFailed,
    ConversionFailed,
    Warning,
    ItemFailed,
    UnknownOption,
    CommandRequired,
    UsageFailed,
    CannotOpen,
    CannotRead,
    CannotWrite,
    StdoutFailed,
    BalanceCount,
    SmoothCount,
    SmoothUnitInvalid,
    ChunkRange,
    ThreadsRange,
    BatchSummary,
    LineTooLong,
    InputTooLarge,
    ColumnsMissing,
    ColumnUnknown,
    ColumnNumber,
    DelimiterInvalid,
    FieldNul,
    FieldUtf8,
    FieldUnclosedQuote,
    CurrencyLetters,
    RowDateInvalid,
    RowRateInvalid,
    RowUnitInvalid,
    RowQuotationInvalid,
    NoRateFor,
    NotInFile,
    Faults,
    CheckOk,
    ImportedFile,
    ImportedRateFile,
    Wrote,
    WroteSummary,
    ReplaceHint,
    ExportWrote,
    FixedRate,
    MarketRate,
    GivenRateText,
    RecordDate,
    FileDate,
    LabelFunction,
    LabelThrough,
    LabelWarning,
    LabelInput,
    LabelIntermediate,
    LabelRoundingDiff,
    LabelRate,
    LabelDecimals,
    LabelFourDecimals,
    LabelRoundingDiff4,
    None,
    Quotation,
    ColItem,
    ColTotal,
    ColAmount,
    ColConverted,
    ColBalanced,
    ColMark,
    ColUnits,
    ColRest,
    ColCode,
    RatesHead,
    RatesColumns,
    CdSource,
    CdBuiltin,
    CdNote,
    CdVersion,
    CdReference,
    CdBase,
    CdHome,
    CdQuotHome,
    CdQuotEuro,
    CdApplication,
    CdPeriods,
    CdChangeover,
    CdCount,
    CdColumns,
    Count_
};

// The text of a message in this run's language, each "{}" replaced by the next argument.
std::string msg(Msg id, std::initializer_list<std::string_view> args = {});

// The text of a kernel return number in this run's language.
std::string returnText(int32_t rc);
// "463 No rate/Amount overflow"
std::string describe(int32_t rc);

} // namespace tarvo::tool

#endif
