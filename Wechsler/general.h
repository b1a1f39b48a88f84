/* SPDX-License-Identifier: Apache-2.0 */
// Process-wide state of the calculator and the helpers every window shares:
// number texts, settings store, paths, help pages, messages.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

class CDebug;
class CCurrencyList;
class QTableWidget;
class QWidget;

// ---- process-wide state (one instance each, alive for the whole run) ----
extern QString sDecimalSymbol;         // the user's decimal symbol, "," or "."
extern QString sGroupingSymbol;        // the user's digit grouping symbol
extern bool bGerman;                   // true: German texts, false: English texts
extern QDate dBookingDate;             // booking date of every conversion
extern CCurrencyList oCurrencyList;    // all currencies, built by InitWaehrung
extern int nLastCurrency;              // highest index in oCurrencyList
extern std::unique_ptr<CDebug> oDebug; // diagnostic log (null until Main creates it)
extern QStringList asErrorText;        // "nnn text" entries, filled by InitError

// Writes one line to the diagnostic log when it exists (no-op otherwise).
void LogLine(const QString& sLine);

// The German or the English text by bGerman (both UTF-8).
QString Tx(const char* de, const char* en);

// ---- dialog layout, designed in twips ----
// Twips to pixels (15 twips per pixel at 96 dpi), cut toward zero.
constexpr int Px(int twips) {
    return twips / 15;
}
// Sets a grid column to its layout width, widened where the caption or a cell would not fit.
void SetColumnWidth(QTableWidget* grid, int nCol, int nTwips);

// ---- settings store: application "Devisio", INI file
//      $XDG_CONFIG_HOME/Devisio/Devisio.ini (default ~/.config/Devisio/Devisio.ini) ----
QString SettingsFilePath();
QString GetSetting(const QString& sSection, const QString& sKey, const QString& sDefault = {});
void SaveSetting(const QString& sSection, const QString& sKey, const QString& sValue);
void DeleteSetting(const QString& sSection, const QString& sKey);
void DeleteSettingSection(const QString& sSection);

// Folder of the diagnostic log: $XDG_STATE_HOME/Devisio (default ~/.local/state/Devisio).
QString StateDirectory();

// ---- program folder and derived paths ----
QString GetModulePath();   // full path of the running program ("" if unknown)
QString GetAppDirectory(); // folder of the program (not upper-cased)
void SetWorkingDirectory();
// The installed program's data: <program folder>/../share/wechsler when that folder
// exists, else "" (the program runs from the build tree).
QString InstalledDataDirectory(const QString& sAppDir);
// $XDG_DATA_HOME/Devisio (default ~/.local/share/Devisio).
QString UserDataDirectory();
// The one rate file that every window shows, downloads to and replaces, and that the
// kernel reads: $TARVO_WAEHKURS if set and not empty; else, when installed,
// UserDataDirectory() + "/WAEHKURS.DAT"; else sAppDir + "/WAEHKURS.DAT".
QString RateFilePathFor(const QString& sAppDir);
QString RateFilePath(); // RateFilePathFor(GetAppDirectory())
// At start: when installed, copies the shipped rate file to the user's data folder if the
// user has none yet and names the result in TARVO_WAEHKURS for the kernel. Returns the path.
QString PrepareRateFile(const QString& sAppDir);
// Folder of the help pages and the logo: the installed data folder, else the program folder.
QString DataFileDirectoryFor(const QString& sAppDir);
QString HelpDirectory(); // DataFileDirectoryFor(GetAppDirectory()) + "/Help"
// Help file of the program: BedAnl_D.htm (German) or BedAnl_E.htm (English) in HelpDirectory().
QString ProgramHelpFile();

// Opens a document or web address with its associated program; returns a number >= 32
// on success and below 32 on failure (as the Windows shell does).
long ShellOpen(const QString& sFile, QWidget* owner = nullptr);
// Opens HelpDirectory() + "/" + sName; on failure says whether the page or a browser is missing.
void ShowHelpFile(const QString& sName);
QString DateToYYYYMMDD(const QDate& d);

// ---- locale ----
// Windows locale identifier ("00000407") and country name of the user's locale.
QString WindowsLocaleId();
QString WindowsCountryName();
bool IsGermanLocale();
// Learns sDecimalSymbol and sGroupingSymbol from the locale; false if they are unusable.
bool CheckNumberSettings();
// The six-line message shown when CheckNumberSettings fails (language by bGerman).
QString NumberSettingsMessage();

// ---- message boxes ----
// All message boxes of the calculator go through this function. Tests may install a
// handler that records the message instead of showing a modal box.
enum class MsgIcon { None, Information, Warning, Critical };
void ShowMessage(const QString& sText, MsgIcon icon = MsgIcon::None, QWidget* parent = nullptr);
using MessageHandler = std::function<void(const QString& sText, MsgIcon icon)>;
void SetMessageHandler(MessageHandler handler); // empty handler: real message boxes

// ---- number texts ----
// Characters of s that occur in "0123456789.,+-", in their order.
QString KeepNumberChars(const QString& s);
// KeepNumberChars, then sGroupingSymbol removed from all but the last three characters
// (texts shorter than 5 characters are returned unchanged).
QString StripGrouping(const QString& s);
// Every "." replaced by sDecimalSymbol.
QString DotToDecimalSymbol(const QString& s);
// Locale-aware text to number with the user's symbols (blanks around, sign, grouping
// symbols allowed). Returns 0 and sets *ok false when the text is not a number.
double ReadNumber(const QString& s, bool* ok = nullptr);
// The default number text of a value in the user's notation, without grouping,
// up to 15 significant digits; large values in exponent form ("1E+20").
QString NumberText(double d);
// Formats with a grouped pattern like "#,###,###,###,##0.00" (nDecimals 2),
// "#,###,###,###,##0" (nDecimals 0) or "#,##0.0000000" (nDecimals 7);
// bGrouping false gives "############0.00". Rounds half away from zero.
QString FormatNumber(double d, int nDecimals, bool bGrouping = true);
// FormatOutput of the calculator engine: formats the number text strZahl for currency
// strWaeh (2 decimals with grouping, or 0 decimals followed by five blanks);
// bReplace: "." in strZahl is a decimal point (kernel text). strZahl receives the
// cleaned text.
QString FormatOutput(QString& strZahl, const QString& strWaeh, bool bReplace);
