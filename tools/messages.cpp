// SPDX-License-Identifier: Apache-2.0
// Every text the tarvo program prints for people, in English and German.
#include "messages.h"

#include <cstdlib>
#include <cstring>

#include "returncode.h"

namespace tarvo::tool {

namespace {

Lang current = Lang::En;

struct Text {
    Msg id;
    const char* en;
    const char* de;
};

constexpr Text kTexts[] = {
    {Msg::AmountInvalid,
     "amount \"{}\" is not a number with at most 13 integer digits and 2 decimals",
     "Betrag \"{}\" ist keine Zahl mit höchstens 13 Vorkomma- und 2 Nachkommastellen"},
    {Msg::Amount4Invalid,
     "amount \"{}\" is not a number with at most 11 integer digits and 4 decimals",
     "Betrag \"{}\" ist keine Zahl mit höchstens 11 Vorkomma- und 4 Nachkommastellen"},
    {Msg::DateInvalid, "{} \"{}\" is not a valid date (YYYYMMDD, YYYY-MM-DD or DD.MM.YYYY)",
     "{} \"{}\" ist kein gültiges Datum (JJJJMMTT, JJJJ-MM-TT oder TT.MM.JJJJ)"},
    {Msg::CurrencyNotIso, "currency \"{}\" is not a three-letter ISO code",
     "Währung \"{}\" ist kein dreistelliger ISO-Code"},
    {Msg::UnknownCurrency, "unknown currency {}", "unbekannte Währung {}"},
    {Msg::RateInvalid, "{} \"{}\" is not a rate with at most 4 integer digits and 7 decimals",
     "{} \"{}\" ist kein Kurs mit höchstens 4 Vorkomma- und 7 Nachkommastellen"},
    {Msg::VersionTooLong, "control-data version \"{}\" has more than 2 characters",
     "Version der Steuerdaten \"{}\" hat mehr als 2 Zeichen"},
    {Msg::ApplicationTooLong, "application name \"{}\" has more than 8 characters",
     "Anwendungsname \"{}\" hat mehr als 8 Zeichen"},
    {Msg::ControlDataMissing, "control-data file {} does not exist",
     "Steuerdatei {} existiert nicht"},
    {Msg::ControlDataFailed, "control data: {}", "Steuerdaten: {}"},
    {Msg::ConversionFailed, "conversion failed: {}", "Umrechnung fehlgeschlagen: {}"},
    {Msg::Warning, "warning: {}", "Warnung: {}"},
    {Msg::ItemFailed, "item {}: {}", "Posten {}: {}"},
    {Msg::UnknownOption, "unknown option or argument: {}", "unbekannte Option oder Angabe: {}"},
    {Msg::CommandRequired, "a command is required (see --help)", "ein Befehl fehlt (siehe --help)"},
    {Msg::UsageFailed, "wrong call: {} (see --help)", "falscher Aufruf: {} (siehe --help)"},
    {Msg::CannotOpen, "cannot open {}", "kann {} nicht öffnen"},
    {Msg::CannotRead, "error reading {}", "Fehler beim Lesen von {}"},
    {Msg::CannotWrite, "cannot write {}: {}", "kann {} nicht schreiben: {}"},
    {Msg::StdoutFailed, "cannot write to standard output: {}",
     "kann nicht auf die Standardausgabe schreiben: {}"},
    {Msg::BalanceCount, "give the total and 1 to 49 parts", "die Summe und 1 bis 49 Teile angeben"},
    {Msg::SmoothCount, "give 1 to 50 amounts", "1 bis 50 Beträge angeben"},
    {Msg::SmoothUnitInvalid, "--unit \"{}\" is not a whole number",
     "--unit \"{}\" ist keine ganze Zahl"},
    {Msg::ChunkRange, "--chunk must lie between 1 and 100000",
     "--chunk muss zwischen 1 und 100000 liegen"},
    {Msg::ThreadsRange, "--threads must lie between 1 and 64",
     "--threads muss zwischen 1 und 64 liegen"},
    {Msg::BatchSummary, "{} converted, {} failed", "{} umgerechnet, {} fehlgeschlagen"},
    {Msg::LineTooLong, "line {} is longer than 1 MiB: refused",
     "Zeile {} ist länger als 1 MiB: abgewiesen"},
    {Msg::InputTooLarge, "{} is larger than 128 MiB: refused",
     "{} ist größer als 128 MiB: abgewiesen"},
    {Msg::ColumnsMissing, "the line has no column {}", "der Zeile fehlt die Spalte {}"},
    {Msg::ColumnUnknown, "{}: the header has no column \"{}\"",
     "{}: die Kopfzeile hat keine Spalte \"{}\""},
    {Msg::ColumnNumber, "{}: column numbers start at 1", "{}: Spaltennummern beginnen bei 1"},
    {Msg::DelimiterInvalid, "--delimiter takes \",\", \";\" or \"tab\"",
     "--delimiter erlaubt \",\", \";\" oder \"tab\""},
    {Msg::FieldNul, "column {} holds a NUL byte", "Spalte {} enthält ein NUL-Byte"},
    {Msg::FieldUtf8, "column {} is not valid UTF-8", "Spalte {} ist kein gültiges UTF-8"},
    {Msg::FieldUnclosedQuote, "a quoted field is not closed",
     "ein Feld in Anführungszeichen ist nicht geschlossen"},
    {Msg::CurrencyLetters, "currency codes must have three letters",
     "Währungscodes müssen drei Buchstaben haben"},
    {Msg::RowDateInvalid, "date \"{}\" is not a valid date",
     "Datum \"{}\" ist kein gültiges Datum"},
    {Msg::RowRateInvalid, "rate \"{}\" is not a rate with at most 4 integer digits and 7 decimals",
     "Kurs \"{}\" ist kein Kurs mit höchstens 4 Vorkomma- und 7 Nachkommastellen"},
    {Msg::RowUnitInvalid, "unit \"{}\" is not 1, 100 or 1000",
     "Einheit \"{}\" ist nicht 1, 100 oder 1000"},
    {Msg::RowQuotationInvalid, "quotation \"{}\" is not M or P",
     "Notierung \"{}\" ist nicht M oder P"},
    {Msg::NoRateFor, "{}: no rate on or before {} ({})", "{}: kein Kurs am oder vor dem {} ({})"},
    {Msg::NotInFile, "{} is not in {} ({})", "{} ist nicht in {} ({})"},
    {Msg::Faults, "{} faults", "{} Fehler"},
    {Msg::CheckOk, "{}: ok, {} rates of {} currencies, file date {}",
     "{}: in Ordnung, {} Kurse von {} Währungen, Dateidatum {}"},
    {Msg::ImportedFile, "{}: {}, {} rates", "{}: {}, {} Kurse"},
    {Msg::ImportedRateFile, "{}: rate file, {} rates", "{}: Kursdatei, {} Kurse"},
    {Msg::Wrote, "wrote {}: {} currencies, {} rates", "{} geschrieben: {} Währungen, {} Kurse"},
    {Msg::WroteSummary, " from {} to {}", " vom {} bis {}"},
    {Msg::ReplaceHint, "{}: {} (--replace lets later files win)",
     "{}: {} (mit --replace gelten spätere Dateien)"},
    {Msg::ExportWrote, "wrote {} (built-in control data, {})",
     "{} geschrieben (eingebaute Steuerdaten, {})"},
    {Msg::FixedRate, "fixed euro rate", "fester Euro-Kurs"},
    {Msg::MarketRate, "market rate", "Marktkurs"},
    {Msg::GivenRateText, "given rate", "vorgegebener Kurs"},
    {Msg::RecordDate, "rate of {}", "Kurs vom {}"},
    {Msg::FileDate, "file date {}", "Dateidatum {}"},
    {Msg::LabelFunction, "function", "Funktion"},
    {Msg::LabelThrough, "through", "über"},
    {Msg::LabelWarning, "warning", "Warnung"},
    {Msg::LabelInput, "input", "Eingabe"},
    {Msg::LabelIntermediate, "intermediate amount", "Zwischenbetrag"},
    {Msg::LabelRoundingDiff, "rounding difference", "Rundungsdifferenz"},
    {Msg::LabelRate, "rate", "Kurs"},
    {Msg::LabelDecimals, "decimals", "Dezimalen"},
    {Msg::LabelFourDecimals, "four decimals", "vier Dezimalen"},
    {Msg::LabelRoundingDiff4, "rounding difference 4", "Rundungsdifferenz 4"},
    {Msg::None, "none", "keine"},
    {Msg::Quotation, "quotation {}", "Notierung {}"},
    {Msg::ColItem, "item", "Posten"},
    {Msg::ColTotal, "total", "Summe"},
    {Msg::ColAmount, "amount {}", "Betrag {}"},
    {Msg::ColConverted, "converted {}", "umgerechnet {}"},
    {Msg::ColBalanced, "balanced {}", "ausgeglichen {}"},
    {Msg::ColMark, "mark", "Kz."},
    {Msg::ColUnits, "units", "Einheiten"},
    {Msg::ColRest, "rest", "Rest"},
    {Msg::ColCode, "code", "Code"},
    {Msg::RatesHead, "file date {}, {} rate records", "Dateidatum {}, {} Kurssätze"},
    {Msg::RatesColumns,
     "ISO  No.  rate date   1 EUR =              unit  stored rate   dec  quot  blocked",
     "ISO  Nr.  Kursdatum   1 EUR =              Einh. gesp. Kurs    Dez  Not.  gesperrt"},
    {Msg::CdSource, "source               {}", "Quelle               {}"},
    {Msg::CdBuiltin, "source               built-in (no {})",
     "Quelle               eingebaut (kein {})"},
    {Msg::CdNote, "note                 {}: default entry used",
     "Hinweis              {}: Standardeintrag verwendet"},
    {Msg::CdVersion, "version              {}", "Version              {}"},
    {Msg::CdReference, "reference date       {}", "Bezugsdatum          {}"},
    {Msg::CdBase, "base currency        {}", "Basiswährung         {}"},
    {Msg::CdHome, "home currency        {}", "Heimwährung          {}"},
    {Msg::CdQuotHome, "quotation home base  {}", "Notierung Heim/Basis {}"},
    {Msg::CdQuotEuro, "quotation euro base  {}", "Notierung Euro/Basis {}"},
    {Msg::CdApplication, "application          \"{}\" mode {}",
     "Anwendung            \"{}\" Modus {}"},
    {Msg::CdPeriods, "period flags         \"{}\"", "Periodenkennzeichen  \"{}\""},
    {Msg::CdChangeover, "changeover           {} to {}, switch date {}",
     "Umstellung           {} bis {}, Stichtag {}"},
    {Msg::CdCount, "currencies           {}", "Währungen            {}"},
    {Msg::CdColumns, "ISO  fixed rate     codes    valid from  valid until dec unit circ",
     "ISO  fester Kurs    Codes    gültig ab   gültig bis  Dez Einh Uml."},
};
static_assert(sizeof kTexts / sizeof kTexts[0] == static_cast<std::size_t>(Msg::Count_),
              "every message has a row");

constexpr bool inOrder() {
    for (std::size_t i = 0; i < sizeof kTexts / sizeof kTexts[0]; ++i)
        if (static_cast<std::size_t>(kTexts[i].id) != i)
            return false;
    return true;
}
static_assert(inOrder(), "message rows follow the order of Msg");

// Texts of return numbers that the shared table carries in one language only.
struct Supplement {
    int32_t rc;
    const char* text;
};
constexpr Supplement kEnglish[] = {
    {400, "Block version blank or invalid"},
    {401, "Sender module name blank"},
    {402, "Function group wrong"},
    {440, "Single function wrong"},
    {441, "Block version wrong"},
    {442, "Requested control-data version not found"},
    {443, "Requested application data not found"},
    {444, "Out of memory"},
    {460, "Single function wrong"},
    {461, "Block version wrong"},
    {466, "Given rate not allowed for a euro-area currency"},
    {468, "Rate print demanded but not marked in the rate table"},
    {480, "Single function wrong"},
    {481, "Block version wrong"},
    {483, "Currency number not found"},
    {484, "Value data not found"},
    {487, "Currency blocked"},
    {520, "Single function wrong"},
    {521, "Block version wrong"},
    {522, "Percentage not greater than 0"},
    {523, "Amount overflow after multiplication or division"},
    {524, "Rounding kind wrong, only 'A' or 'R' allowed"},
    {525, "Rounding place below 0 or above 5"},
    {526, "Day count not greater than 0"},
    {527, "Day count not greater than 0"},
};
constexpr Supplement kGerman[] = {
    {0, "OK"},
    {469, "Kurs ist null"},
    {470, "Falsche Anzahl Posten"},
    {471, "Falsche Ausgleichsmethode"},
    {472, "Die Teile ergeben nicht die Summe"},
    {473, "Falsche Glättungsmethode"},
    {474, "Glättungswert fehlt"},
    {475, "Glättungswert außerhalb des Bereichs"},
};

template <std::size_t N> const char* supplement(const Supplement (&t)[N], int32_t rc) {
    for (const Supplement& s : t)
        if (s.rc == rc)
            return s.text;
    return nullptr;
}

bool germanLocale(const char* value) {
    return value != nullptr && std::strncmp(value, "de", 2) == 0;
}

} // namespace

Lang languageOf(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a == "--")
            break;
        std::string_view v;
        if (a == "--lang" && i + 1 < argc)
            v = argv[i + 1];
        else if (a.substr(0, 7) == "--lang=")
            v = a.substr(7);
        else
            continue;
        if (v == "de")
            return Lang::De;
        if (v == "en")
            return Lang::En;
    }
    // The first of these that is set decides, as the C library would.
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value != nullptr && *value != '\0')
            return germanLocale(value) ? Lang::De : Lang::En;
    }
    return Lang::En;
}

void setLanguage(Lang lang) {
    current = lang;
}

Lang language() {
    return current;
}

std::string msg(Msg id, std::initializer_list<std::string_view> args) {
    const Text& t = kTexts[static_cast<std::size_t>(id)];
    std::string_view pattern = current == Lang::De ? t.de : t.en;
    std::string out;
    out.reserve(pattern.size() + 32);
    const std::string_view* arg = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{' && i + 1 < pattern.size() && pattern[i + 1] == '}' &&
            arg != args.end()) {
            out.append(*arg++);
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string returnText(int32_t rc) {
    const tarvo::rc::Row* row = tarvo::rc::find(rc);
    const bool de = current == Lang::De;
    if (row == nullptr)
        return de ? "unbekannte Rückgabenummer" : "unknown return number";
    const char* own = de ? row->german : row->english;
    if (own[0] != '\0')
        return own;
    if (const char* s = de ? supplement(kGerman, rc) : supplement(kEnglish, rc))
        return s;
    return de ? row->english : row->german;
}

std::string describe(int32_t rc) {
    return std::to_string(rc) + " " + returnText(rc);
}

} // namespace tarvo::tool
