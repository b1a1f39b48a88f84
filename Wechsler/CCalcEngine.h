/* SPDX-License-Identifier: Apache-2.0 */
// The calculator engine without widgets: the input text, the running value, the pending
// operator, the memory and the new-entry flag. The main window feeds it keypad actions and
// shows Text(); the conversions read InputString().
#pragma once

#include <QString>

class CCalcEngine {
  public:
    // The largest amount the kernel takes: 13 integer digits and 2 decimals.
    static constexpr int kMaxIntegerDigits = 13;
    static constexpr int kMaxDecimals = 2;

    // Why an input was not taken (None: it was).
    enum class Refusal {
        None,
        IntegerDigits,  // a 14th integer digit
        Decimals,       // a third decimal
        DecimalFirst,   // the decimal symbol before any digit of a new entry
        ForeignSymbol,  // the grouping symbol typed, where it would be dropped silently
        PasteAmbiguous, // a pasted text whose symbols do not give one amount
        PasteNoNumber,  // a pasted text without a digit
    };
    // Short message for the error line, in the language of bGerman.
    static QString RefusalText(Refusal r);

    const QString& Text() const { return m_sText; }
    void SetText(const QString& s) { m_sText = s; }
    bool NewEntry() const { return m_bNewEntry; }
    double TempSum() const { return m_dTempSum; }
    double Memory() const { return m_dMemory; }
    QString Operator() const { return m_sOperator; }

    // Keypad actions.
    Refusal Digit(int d);
    Refusal DecimalSymbol();
    void Cut();
    void Add() { StartOperation(QStringLiteral("+")); }
    void Subtract() { StartOperation(QStringLiteral("-")); }
    void Multiply() { StartOperation(QStringLiteral("*")); }
    void Divide() { StartOperation(QStringLiteral("/")); }
    // Applies the pending operator to the running value; the operator becomes blank.
    void CalcTempSum();
    // Completes the calculation: the input text becomes the running value formatted for
    // the source currency, the operator "X", a new entry begins.
    void Calculate(const QString& sSourceCode);
    void Clear();
    void MemoryPlus();
    void MemoryMinus();
    // The memory into the input text, then Calculate.
    void MemoryRecall(const QString& sSourceCode);
    void MemoryClear() { m_dMemory = 0.0; }
    void BeginNewEntry() { m_bNewEntry = true; }

    // The input text without grouping symbols: the amount text of the conversions.
    QString InputString() const;

    // A pasted text as an input text for the source currency, or a refusal. Letters,
    // blanks and currency codes around the amount are dropped; grouping symbols are taken
    // only in groups of three digits before the decimal symbol.
    static Refusal PastedAmount(const QString& sClip, const QString& sSourceCode, QString& sOut);
    // Takes a pasted text as the new input (a new entry begins after it).
    Refusal Paste(const QString& sClip, const QString& sSourceCode);

  private:
    void StartOperation(const QString& op);

    QString m_sText;
    double m_dTempSum = 0.0;
    QString m_sOperator = QStringLiteral(" ");
    double m_dMemory = 0.0;
    bool m_bNewEntry = true;
};
