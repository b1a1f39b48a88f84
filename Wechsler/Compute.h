/* SPDX-License-Identifier: Apache-2.0 */
// Calls of the bridge library libTarvon32.so (bound by name at the first call) and the
// error texts of its return numbers.
#pragma once

#include <QString>

// Return number used when the bridge library cannot be loaded or lacks an entry point.
// GetErrorText gives the message naming the file that was looked for.
constexpr long kRcBridgeMissing = -1;

// Where the bridge is looked for: the program's folder, then ../lib next to it.
// An explicit path (tests) replaces the search; an empty one restores it.
void SetBridgeLibraryPath(const QString& sPath);
// True when the bridge is bound (binds it on the first call; shows the missing-library
// message once when it cannot be loaded).
bool BridgeAvailable();
// The file(s) looked for, for messages.
QString BridgeLibraryDescription();
// Drops the binding so that the next call binds again (tests).
void ResetBridge();

// Wrappers of the four conversion entry points. Each fills blank buffers, calls the bridge
// and, on 0 (and on 261 for U2/U4), sets sRetString to the 20-character result buffer
// (13,2 or 15,0 by the decimals indicator). Other return numbers leave sRetString as is.
long CallU1(const QString& sISOCodeEin, const QString& sISOCodeAus, const QString& sWaehBetrag,
            QString& sRetString);
long CallU3(const QString& sISOCodeEin, const QString& sKursTyp, const QString& sISOCodeAus,
            const QString& sWaehBetrag, QString& sRetString);
long CallU2(const QString& sISOCodeEin, const QString& sISOCodeAus, const QString& sAmount,
            const QString& sRate, const QString& sRateUnit, const QString& sDecFlag,
            const QString& sQuotation, QString& sRetString);
long CallU4(const QString& sISOCodeEin, const QString& sRateEin, const QString& sRateUnitEin,
            const QString& sISOCodeAus, const QString& sRateAus, const QString& sRateUnitAus,
            const QString& sAmount, const QString& sDecFlag, const QString& sQuotationEin,
            const QString& sQuotationAus, QString& sRetString);
// Version text of the bridge ("TARVON32.DLL Version 3.e "); returns the bridge's number.
long GetBridgeVersion(QString& sVersion);

// Fills asErrorText (German, then the English replacements when bGerman is false).
void InitError();
// Text of return number n without the number; "Unbekannter Fehler: n" when unknown.
QString GetErrorText(long n);
// True when the kernel has a fixed euro rate for the code (or it is the euro).
bool IsEmuCurrency(const QString& sISOCode);
// Euro rate of a currency with seven decimals in the user's notation ("1,9558300"),
// "0" on error; returns the bridge's number.
long GetEuroRate(const QString& sISOCode, QString& sRate);
