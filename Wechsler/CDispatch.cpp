// SPDX-License-Identifier: Apache-2.0
// Conversion dispatch: U1/U3 for the euro and the fixed-rate currencies, U2/U4 with the
// configured rates, the texts shown for every return number.
#include "CDispatch.h"

#include "CCurrencyList.h"
#include "Compute.h"
#include "general.h"

#include "returncode.h"

#include <tuple>

using tarvo::rc::kIsoCombination;
using tarvo::rc::kOverflow;
using tarvo::rc::kRateIgnored;

namespace {
const QString kEUR = QStringLiteral("EUR");
const QString kOne = QStringLiteral("1");
const QString kTwo = QStringLiteral("2");
const QString kM = QStringLiteral("M");

CDispatchField Amount(QString sKernel, const QString& sCode, long rc) {
    CDispatchField f;
    f.sText = FormatOutput(sKernel, sCode, true);
    f.bAmount = true;
    f.nRc = rc;
    return f;
}

CDispatchField NoValue(const QString& sReason, long rc) {
    CDispatchField f;
    f.sReason = sReason;
    f.nRc = rc;
    return f;
}
} // namespace

bool CBridgeCalls::Available() {
    return BridgeAvailable();
}

long CBridgeCalls::U1(const QString& sEin, const QString& sAus, const QString& sAmount,
                      QString& sRet) {
    return CallU1(sEin, sAus, sAmount, sRet);
}

long CBridgeCalls::U3(const QString& sEin, const QString& sKursTyp, const QString& sAus,
                      const QString& sAmount, QString& sRet) {
    return CallU3(sEin, sKursTyp, sAus, sAmount, sRet);
}

long CBridgeCalls::U2(const QString& sEin, const QString& sAus, const QString& sAmount,
                      const QString& sRate, QString& sRet) {
    return CallU2(sEin, sAus, sAmount, sRate, kOne, kTwo, kM, sRet);
}

long CBridgeCalls::U4(const QString& sEin, const QString& sRateEin, const QString& sAus,
                      const QString& sRateAus, const QString& sAmount, QString& sRet) {
    return CallU4(sEin, sRateEin, kOne, sAus, sRateAus, kOne, sAmount, kTwo, kM, kM, sRet);
}

QString CDispatch::NoRateText(const QString& sISOCode) {
    return bGerman ? QStringLiteral("Kein Kurs für %1 eingetragen").arg(sISOCode)
                   : QStringLiteral("No rate set for %1").arg(sISOCode);
}

long CDispatch::TryFixed(bool bU3, const QString& sEin, const QString& sAus, const QString& sAmount,
                         CDispatchField& f, bool bMain) {
    QString sRet;
    const long rc =
        bU3 ? m_bridge.U3(sEin, kM, sAus, sAmount, sRet) : m_bridge.U1(sEin, sAus, sAmount, sRet);
    if (rc == 0) {
        f = Amount(sRet, sAus, rc);
    } else if (rc == kOverflow && bMain) {
        // The main result names the missing rate or the overflow in place of the amount.
        f = CDispatchField{GetErrorText(rc), {}, false, rc};
    } else if (rc != kIsoCombination) {
        f = NoValue(GetErrorText(rc), rc);
    }
    return rc;
}

CDispatchField CDispatch::Fixed(const CDispatchRequest& req, const QString& sAus, bool bMain,
                                bool bLine, int nLine) {
    CDispatchField f;
    const QString& sEin = req.sSource;
    if (bLine && sAus == sEin && (sEin != kEUR || req.nSourcePos == nLine)) {
        // The source currency's own line shows the typed amount: a round trip through the
        // euro would round it (100 ITL would come back as 101).
        return Amount(StripGrouping(req.sDisplay), sAus, 0);
    }
    // Triangulation first when neither side is the euro, the direct conversion first
    // otherwise; each answers 462 for the pairs it does not take.
    const bool bU3First = sEin != kEUR && sAus != kEUR;
    long rc = TryFixed(bU3First, sEin, sAus, req.sInput, f, bMain);
    if (rc == kIsoCombination)
        rc = TryFixed(!bU3First, sEin, sAus, req.sInput, f, bMain);
    if (rc == kIsoCombination)
        f = NoValue(GetErrorText(kIsoCombination), rc);
    return f;
}

bool CDispatch::OwnRates(const CDispatchRequest& req, const QString& sAus, CDispatchField& f,
                         bool bMain) {
    const QString& sEin = req.sSource;
    const int nE = m_list.Index(sEin);
    const int nA = m_list.Index(sAus);
    const bool bFixedE = m_list.TNL(nE) == CCurrency::Participating;
    const bool bFixedA = m_list.TNL(nA) == CCurrency::Participating;
    if (bFixedE && bFixedA)
        return false;
    // A currency without a configured rate has no value in it (the kernel would give 0).
    for (const auto& [nIdx, bFixed, sCode] :
         {std::tuple{nE, bFixedE, sEin}, std::tuple{nA, bFixedA, sAus}})
        if (!bFixed && m_list.KursValue(nIdx) <= 0.0) {
            f = NoValue(NoRateText(sCode), 0);
            return true;
        }
    QString sRet;
    long rc = 0;
    if (sEin != kEUR && sAus != kEUR)
        rc = m_bridge.U4(sEin, m_list.Kurs(nE), sAus, m_list.Kurs(nA), req.sInput, sRet);
    else
        rc = m_bridge.U2(sEin, sAus, req.sInput, sEin != kEUR ? m_list.Kurs(nE) : m_list.Kurs(nA),
                         sRet);
    if (rc == 0 || rc == kRateIgnored)
        f = Amount(sRet, sAus, rc);
    else if (rc == kOverflow && bMain)
        f = CDispatchField{GetErrorText(rc), {}, false, rc};
    else
        // No result was written: the reason, not an empty result read as zero.
        f = NoValue(GetErrorText(rc), rc);
    return true;
}

CDispatchField CDispatch::ConvertPair(const CDispatchRequest& req, const QString& sAus,
                                      bool bMain) {
    CDispatchField f;
    if (!req.bUseWaehdat && OwnRates(req, sAus, f, bMain))
        return f;
    return Fixed(req, sAus, bMain, false, -1);
}

CDispatchResult CDispatch::Convert(const CDispatchRequest& req) {
    CDispatchResult res;
    if (!m_bridge.Available()) {
        const CDispatchField f = NoValue(GetErrorText(kRcBridgeMissing), kRcBridgeMissing);
        res.main = f;
        res.sErrorLine = f.sReason;
        res.lines.fill(f);
        return res;
    }
    res.main = ConvertPair(req, req.sTarget, true);
    res.sErrorLine = res.main.sReason;
    // Every line is converted on its own: one line's failure says nothing about another.
    for (int i = 0; i < 16; ++i) {
        const QString sLine = m_list.ISOCode(i);
        CDispatchField& f = res.lines[static_cast<size_t>(i)];
        if (sLine.isEmpty())
            continue;
        const bool bOwnLine = sLine == req.sSource && (req.sSource != kEUR || req.nSourcePos == i);
        if (!req.bUseWaehdat && !bOwnLine && OwnRates(req, sLine, f, false))
            continue;
        f = Fixed(req, sLine, false, true, i);
    }
    return res;
}
