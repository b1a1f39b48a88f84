/* SPDX-License-Identifier: Apache-2.0 */
// Start-up of the calculator and the building of its currency list.
#pragma once

#include <QString>
#include <QStringList>

class QComboBox;

// Start procedure: log, language, number settings, booking date, error texts, currency
// list, main window, preselection of DEM and EUR. Returns the process exit code.
int Main(int argc, char** argv);

// The start-up steps before the main window is shown (steps 1 to 9), for Main and tests.
// sCommandLine is the whole command line; returns false when the number settings are
// unusable (the message has then been shown).
bool StartUp(const QString& sCommandLine);
// Installs Qt's German texts when bGerman (removes them otherwise); false when none loaded.
bool LoadQtTranslation();

// Steps 10 to 12 of the start: currency list, main window shown, DEM/EUR preselected.
void StartMainWindow();

// Step 12 of the start: input "0", source list to DEM (position 3), target list to EUR
// (position 0), each selection handled as a user's choice (first calculation).
void PreselectDefaultPair();

// Builds oCurrencyList (16 built-in currencies + the stored additional ones) and fills
// the main window's two currency lists.
void InitWaehrung();
// Appends the stored additional currencies (called by InitWaehrung).
void ReadRegistry();
// True if one of the list's entries equals sText.
bool IsInComboList(const QComboBox* list, const QString& sText);

// One additional currency as the configuration dialog keeps it.
struct StoredCurrency {
    QString sISOCode;
    QString sRate; // in the user's notation, e.g. "1.234,5678"
    int nNKS = 2;
};
// Saving of the additional currencies: deletes the section "Currencies" and writes the
// entries 1..Count (rate with grouping as "T" and decimal symbol as "D").
void SaveAdditionalCurrencies(const QList<StoredCurrency>& currencies);
// Runs InitWaehrung again and reselects DEM (position 3) and EUR (position 0) in the main
// window's lists (what the configuration dialog does after saving).
void RebuildCurrenciesAndReselect();

// Built-in currencies: code, German and English long name.
struct BuiltInCurrency {
    const char* code;
    const char* german;
    const char* english;
};
extern const BuiltInCurrency kBuiltInCurrencies[16];
