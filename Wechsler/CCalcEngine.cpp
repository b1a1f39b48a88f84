// SPDX-License-Identifier: Apache-2.0
// Calculator engine: keypad actions on the input text, running value and memory.
#include "CCalcEngine.h"

#include "general.h"

#include <cmath>

namespace {
bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Integer and decimal digit counts of an input text in the user's notation.
void CountDigits(const QString& s, int& nInt, int& nDec) {
    nInt = nDec = 0;
    bool bDec = false;
    for (QChar c : s) {
        if (QString(c) == sDecimalSymbol)
            bDec = true;
        else if (IsDigit(c))
            ++(bDec ? nDec : nInt);
    }
}
} // namespace

QString CCalcEngine::RefusalText(Refusal r) {
    switch (r) {
    case Refusal::None:
        return {};
    case Refusal::IntegerDigits:
        return Tx("Höchstens 13 Stellen vor dem Komma", "At most 13 digits before the point");
    case Refusal::Decimals:
        return Tx("Höchstens 2 Nachkommastellen", "At most 2 decimals");
    case Refusal::DecimalFirst:
        return bGerman ? QStringLiteral("Erst eine Ziffer, z. B. 0%1").arg(sDecimalSymbol)
                       : QStringLiteral("Type a digit first, e.g. 0%1").arg(sDecimalSymbol);
    case Refusal::ForeignSymbol:
        return bGerman ? QStringLiteral("Das Dezimalzeichen ist \"%1\"").arg(sDecimalSymbol)
                       : QStringLiteral("The decimal symbol is \"%1\"").arg(sDecimalSymbol);
    case Refusal::PasteAmbiguous:
        return bGerman ? QStringLiteral("Kein eindeutiger Betrag (Dezimalzeichen \"%1\")")
                             .arg(sDecimalSymbol)
                       : QStringLiteral("Not a clear amount (decimal symbol \"%1\")")
                             .arg(sDecimalSymbol);
    case Refusal::PasteNoNumber:
        return Tx("Kein Betrag in der Zwischenablage", "No amount on the clipboard");
    }
    return {};
}

CCalcEngine::Refusal CCalcEngine::Digit(int d) {
    if (m_bNewEntry) {
        m_bNewEntry = false;
        m_sText.clear();
    }
    int nInt = 0, nDec = 0;
    CountDigits(m_sText, nInt, nDec);
    const bool bDec = m_sText.contains(sDecimalSymbol);
    if (bDec && nDec >= kMaxDecimals)
        return Refusal::Decimals;
    // Leading zeros do not count: "0" followed by 13 digits is still 13 digits.
    if (!bDec && nInt >= kMaxIntegerDigits && m_sText != QLatin1String("0"))
        return Refusal::IntegerDigits;
    m_sText += QString::number(d);
    return Refusal::None;
}

CCalcEngine::Refusal CCalcEngine::DecimalSymbol() {
    // ",5" as a new entry would become 5: refused, not dropped silently.
    if (m_bNewEntry)
        return Refusal::DecimalFirst;
    if (!m_sText.contains(sDecimalSymbol))
        m_sText += sDecimalSymbol;
    return Refusal::None;
}

void CCalcEngine::Cut() {
    m_sText.chop(1);
}

void CCalcEngine::StartOperation(const QString& op) {
    m_bNewEntry = true;
    if (!m_sText.isEmpty())
        CalcTempSum();
    m_sOperator = op;
}

void CCalcEngine::CalcTempSum() {
    const double v = ReadNumber(m_sText);
    double dNew = m_dTempSum;
    if (m_sOperator == QLatin1String("+"))
        dNew = v + m_dTempSum;
    else if (m_sOperator == QLatin1String("-"))
        dNew = m_dTempSum - v;
    else if (m_sOperator == QLatin1String("*"))
        dNew = v * m_dTempSum;
    else if (m_sOperator == QLatin1String("/")) {
        // Only a divisor of zero leaves the running value unchanged.
        if (v != 0.0)
            dNew = m_dTempSum / v;
    } else
        dNew = m_sText.isEmpty() ? 0.0 : v;
    // A result beyond the double range keeps the previous value.
    if (std::isfinite(dNew))
        m_dTempSum = dNew;
    m_sOperator = QStringLiteral(" ");
}

void CCalcEngine::Calculate(const QString& sSourceCode) {
    CalcTempSum();
    QString s = NumberText(m_dTempSum);
    m_sText = FormatOutput(s, sSourceCode, true);
    m_sOperator = QStringLiteral("X");
    m_bNewEntry = true;
}

void CCalcEngine::Clear() {
    m_sText = FormatNumber(0.0, 2, false);
    m_dTempSum = 0.0;
    m_sOperator = QStringLiteral(" ");
    m_bNewEntry = true;
}

void CCalcEngine::MemoryPlus() {
    if (!m_sText.isEmpty())
        m_dMemory += ReadNumber(m_sText);
    BeginNewEntry();
}

void CCalcEngine::MemoryMinus() {
    if (!m_sText.isEmpty())
        m_dMemory -= ReadNumber(m_sText);
    BeginNewEntry();
}

void CCalcEngine::MemoryRecall(const QString& sSourceCode) {
    m_sText = NumberText(m_dMemory);
    Calculate(sSourceCode);
}

QString CCalcEngine::InputString() const {
    QString t = m_sText;
    if (!sGroupingSymbol.isEmpty())
        t.remove(sGroupingSymbol);
    return t;
}

CCalcEngine::Refusal CCalcEngine::PastedAmount(const QString& sClip, const QString& sSourceCode,
                                               QString& sOut) {
    // The amount is the first run of digits, decimal and grouping symbols, with a "-"
    // directly before it or before the currency code in front of it.
    const QString sDec = sDecimalSymbol;
    const QString sGrp = sGroupingSymbol;
    auto isPart = [&](QChar c) {
        return IsDigit(c) || QString(c) == sDec || (!sGrp.isEmpty() && QString(c) == sGrp) ||
               c == QLatin1Char('.') || c == QLatin1Char(',');
    };
    qsizetype nStart = -1;
    for (qsizetype i = 0; i < sClip.size(); ++i)
        if (IsDigit(sClip[i]) ||
            (QString(sClip[i]) == sDec && i + 1 < sClip.size() && IsDigit(sClip[i + 1]))) {
            nStart = i;
            break;
        }
    if (nStart < 0)
        return Refusal::PasteNoNumber;
    const bool bNegative = sClip.left(nStart).contains(QLatin1Char('-'));
    qsizetype nEnd = nStart;
    while (nEnd < sClip.size() && isPart(sClip[nEnd]))
        ++nEnd;
    // A second number after the amount ("12-3", "12,50 und 3") leaves it unclear.
    for (qsizetype i = nEnd; i < sClip.size(); ++i)
        if (IsDigit(sClip[i]))
            return Refusal::PasteAmbiguous;
    QString sRun = sClip.mid(nStart, nEnd - nStart);
    // A symbol at the end belongs to the sentence, not to the amount ("12,50.").
    while (!sRun.isEmpty() && !IsDigit(sRun.back()))
        sRun.chop(1);
    // Split at the decimal symbol: at most one, and no grouping after it.
    const QStringList parts = sRun.split(sDec);
    if (parts.size() > 2)
        return Refusal::PasteAmbiguous;
    QString sInt = parts[0];
    const QString sFrac = parts.size() == 2 ? parts[1] : QString();
    for (QChar c : sFrac)
        if (!IsDigit(c))
            return Refusal::PasteAmbiguous;
    // Grouping in the integer part only in groups of exactly three digits; any other
    // symbol there ("1234.56" with a decimal comma) would change the amount.
    if (!sInt.isEmpty()) {
        const bool bGrouped = !sGrp.isEmpty() && sInt.contains(sGrp);
        QString sDigits;
        if (bGrouped) {
            const QStringList groups = sInt.split(sGrp);
            if (groups[0].isEmpty() || groups[0].size() > 3)
                return Refusal::PasteAmbiguous;
            for (qsizetype g = 0; g < groups.size(); ++g) {
                if (g > 0 && groups[g].size() != 3)
                    return Refusal::PasteAmbiguous;
                for (QChar c : groups[g])
                    if (!IsDigit(c))
                        return Refusal::PasteAmbiguous;
                sDigits += groups[g];
            }
        } else {
            for (QChar c : sInt)
                if (!IsDigit(c))
                    return Refusal::PasteAmbiguous;
            sDigits = sInt;
        }
        sInt = sDigits;
    }
    while (sInt.size() > 1 && sInt.front() == QLatin1Char('0'))
        sInt.remove(0, 1);
    if (sInt.size() > kMaxIntegerDigits)
        return Refusal::IntegerDigits;
    if (sFrac.size() > kMaxDecimals)
        return Refusal::Decimals;
    QString sNum = (bNegative ? QStringLiteral("-") : QString()) +
                   (sInt.isEmpty() ? QStringLiteral("0") : sInt);
    if (!sFrac.isEmpty())
        sNum += sDec + sFrac;
    sOut = FormatOutput(sNum, sSourceCode, false);
    return Refusal::None;
}

CCalcEngine::Refusal CCalcEngine::Paste(const QString& sClip, const QString& sSourceCode) {
    QString s;
    const Refusal r = PastedAmount(sClip, sSourceCode, s);
    if (r == Refusal::None) {
        m_sText = s;
        m_bNewEntry = true;
    }
    return r;
}
