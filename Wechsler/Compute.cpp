// SPDX-License-Identifier: Apache-2.0
// Bridge calls: binding of libTarvon32.so by name, the four conversion wrappers with
// their blank-filled buffers, the error-text table, euro-rate services.
#include "Compute.h"

#include "general.h"

#include "Tarvon32.h"
#include "returncode.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdint>
#include <dlfcn.h>

namespace {
// The entry points' types come from the bridge's header; the library itself is bound
// with dlopen, never linked.
using PfnU1U3 = VB_U1_UmrFwaehrBwaehr_fn;
using PfnU2 = VB_U2_UmrFwaehrBwaehrKv_fn;
using PfnU4 = VB_U4_UmrFwaehrBwaehrFwaehrKv_fn;
using PfnVersion = VB_TarvonGetVersion_fn;

struct Bridge {
    bool bTried = false;
    bool bOk = false;
    void* handle = nullptr;
    PfnU1U3 u1 = nullptr;
    PfnU2 u2 = nullptr;
    PfnU1U3 u3 = nullptr;
    PfnU4 u4 = nullptr;
    PfnVersion version = nullptr;
};

Bridge& TheBridge() {
    static Bridge b;
    return b;
}

QString& ExplicitPath() {
    static QString s;
    return s;
}

const char kLibraryName[] = TARVON32_LIBRARY_NAME;

QStringList Candidates() {
    if (!ExplicitPath().isEmpty())
        return {ExplicitPath()};
    const QString sDir = GetAppDirectory();
    QStringList paths{sDir + QLatin1Char('/') + QLatin1String(kLibraryName),
                      sDir + QStringLiteral("/../lib/") + QLatin1String(kLibraryName)};
#ifdef WECHSLER_INSTALL_LIBDIR
    // The installed layout: <prefix>/bin/Wechsler and <prefix>/<libdir>/libTarvon32.so.
    const QString sLibDir = QStringLiteral(WECHSLER_INSTALL_LIBDIR);
    if (sLibDir != QLatin1String("lib"))
        paths << sDir + QStringLiteral("/../") + sLibDir + QLatin1Char('/') +
                     QLatin1String(kLibraryName);
#endif
    return paths;
}

template <typename T> T Sym(void* h, const char* name) {
    return reinterpret_cast<T>(dlsym(h, name));
}

bool Bind() {
    Bridge& b = TheBridge();
    if (b.bTried)
        return b.bOk;
    b.bTried = true;
    for (const QString& sPath : Candidates()) {
        if (!QFileInfo::exists(sPath))
            continue;
        void* h = dlopen(QFile::encodeName(sPath).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!h)
            continue;
        b.u1 = Sym<PfnU1U3>(h, "VB_U1_UmrFwaehrBwaehr");
        b.u2 = Sym<PfnU2>(h, "VB_U2_UmrFwaehrBwaehrKv");
        b.u3 = Sym<PfnU1U3>(h, "VB_U3_UmrFwaehrBwaehrFwaehr");
        b.u4 = Sym<PfnU4>(h, "VB_U4_UmrFwaehrBwaehrFwaehrKv");
        b.version = Sym<PfnVersion>(h, "VB_TarvonGetVersion");
        if (b.u1 && b.u2 && b.u3 && b.u4 && b.version) {
            b.handle = h;
            b.bOk = true;
            return true;
        }
        dlclose(h);
        b = Bridge{};
        b.bTried = true;
    }
    // Said once; every conversion then shows the error text in the error line.
    const QChar cr(13);
    if (bGerman)
        ShowMessage(QStringLiteral("Die Umrechnungsbibliothek konnte nicht geladen werden.") + cr +
                        QStringLiteral("Gesucht: ") + BridgeLibraryDescription() + cr +
                        QStringLiteral("Es sind keine Umrechnungen möglich."),
                    MsgIcon::Critical);
    else
        ShowMessage(QStringLiteral("The conversion library could not be loaded.") + cr +
                        QStringLiteral("Looked for: ") + BridgeLibraryDescription() + cr +
                        QStringLiteral("No conversions are possible."),
                    MsgIcon::Critical);
    return false;
}

// An 8-bit, NUL-terminated, writable copy of a text.
QByteArray Buf(const QString& s) {
    return s.toLatin1();
}
QByteArray Blanks(int n) {
    return QByteArray(n, ' ');
}
QByteArray Iso(const QString& s) {
    return s.leftJustified(3, QLatin1Char(' '), true).toLatin1();
}

// The result buffer chosen by the decimals indicator (20 characters each).
QString Result(const QByteArray& a13, const QByteArray& a15, const QByteArray& dec) {
    const QByteArray& r = (!dec.isEmpty() && dec[0] == '2') ? a13 : a15;
    return QString::fromLatin1(r.constData(), 20);
}
} // namespace

void SetBridgeLibraryPath(const QString& sPath) {
    ExplicitPath() = sPath;
    ResetBridge();
}

bool BridgeAvailable() {
    return Bind();
}

QString BridgeLibraryDescription() {
    return Candidates().join(QStringLiteral(", "));
}

void ResetBridge() {
    // The library stays loaded (unloading a library that may hold thread-local cells is
    // not worth the risk); only the binding is forgotten.
    TheBridge() = Bridge{};
}

long CallU1(const QString& sISOCodeEin, const QString& sISOCodeAus, const QString& sWaehBetrag,
            QString& sRetString) {
    if (!Bind())
        return kRcBridgeMissing;
    QByteArray version = Blanks(2), app = Blanks(8), date = Buf(DateToYYYYMMDD(dBookingDate));
    QByteArray rateType("M"), isoE = Iso(sISOCodeEin), isoA = Iso(sISOCodeAus);
    QByteArray booking = date, amount = Buf(sWaehBetrag);
    QByteArray a13 = Blanks(20), a15 = Blanks(20), dec("2  "), err = Blanks(129);
    long rc = TheBridge().u1(version.data(), app.data(), date.data(), rateType.data(), isoE.data(),
                             isoA.data(), booking.data(), amount.data(), a13.data(), a15.data(),
                             dec.data(), err.data());
    if (rc == 0)
        sRetString = Result(a13, a15, dec);
    return rc;
}

long CallU3(const QString& sISOCodeEin, const QString& sKursTyp, const QString& sISOCodeAus,
            const QString& sWaehBetrag, QString& sRetString) {
    if (!Bind())
        return kRcBridgeMissing;
    QByteArray version = Blanks(2), app = Blanks(8), date = Buf(DateToYYYYMMDD(dBookingDate));
    QByteArray rateType = Buf(sKursTyp.isEmpty() ? QStringLiteral(" ") : sKursTyp);
    QByteArray isoE = Iso(sISOCodeEin), isoA = Iso(sISOCodeAus);
    QByteArray booking = date, amount = Buf(sWaehBetrag);
    QByteArray a13 = Blanks(20), a15 = Blanks(20), dec("2  "), err = Blanks(129);
    long rc = TheBridge().u3(version.data(), app.data(), date.data(), rateType.data(), isoE.data(),
                             isoA.data(), booking.data(), amount.data(), a13.data(), a15.data(),
                             dec.data(), err.data());
    if (rc == 0)
        sRetString = Result(a13, a15, dec);
    return rc;
}

long CallU2(const QString& sISOCodeEin, const QString& sISOCodeAus, const QString& sAmount,
            const QString& sRate, const QString& sRateUnit, const QString& sDecFlag,
            const QString& sQuotation, QString& sRetString) {
    if (!Bind())
        return kRcBridgeMissing;
    QByteArray version = Blanks(2), app = Blanks(8), date = Buf(DateToYYYYMMDD(dBookingDate));
    QByteArray isoE = Iso(sISOCodeEin), isoA = Iso(sISOCodeAus), amount = Buf(sAmount);
    QByteArray rate = Buf(sRate), unit = Buf(sRateUnit), quot = Buf(sQuotation),
               decFlag = Buf(sDecFlag);
    QByteArray a13 = Blanks(20), a15 = Blanks(20), dec = Blanks(3), err = Blanks(129);
    long rc = TheBridge().u2(version.data(), app.data(), date.data(), isoE.data(), isoA.data(),
                             amount.data(), rate.data(), unit.data(), quot.data(), decFlag.data(),
                             a13.data(), a15.data(), dec.data(), err.data());
    // The given rate was ignored and the fixed one used; the bridge wrote the result.
    if (rc == tarvo::rc::kOk || rc == tarvo::rc::kRateIgnored)
        sRetString = Result(a13, a15, dec);
    return rc;
}

long CallU4(const QString& sISOCodeEin, const QString& sRateEin, const QString& sRateUnitEin,
            const QString& sISOCodeAus, const QString& sRateAus, const QString& sRateUnitAus,
            const QString& sAmount, const QString& sDecFlag, const QString& sQuotationEin,
            const QString& sQuotationAus, QString& sRetString) {
    if (!Bind())
        return kRcBridgeMissing;
    QByteArray version = Blanks(2), app = Blanks(8), date = Buf(DateToYYYYMMDD(dBookingDate));
    QByteArray isoE = Iso(sISOCodeEin), rateE = Buf(sRateEin), unitE = Buf(sRateUnitEin),
               quotE = Buf(sQuotationEin);
    QByteArray isoA = Iso(sISOCodeAus), rateA = Buf(sRateAus), unitA = Buf(sRateUnitAus),
               quotA = Buf(sQuotationAus);
    QByteArray amount = Buf(sAmount), decFlag = Buf(sDecFlag);
    QByteArray a13 = Blanks(20), a15 = Blanks(20), dec = Blanks(3), err = Blanks(129);
    long rc = TheBridge().u4(version.data(), app.data(), date.data(), isoE.data(), rateE.data(),
                             unitE.data(), quotE.data(), isoA.data(), rateA.data(), unitA.data(),
                             quotA.data(), amount.data(), decFlag.data(), a13.data(), a15.data(),
                             dec.data(), err.data());
    if (rc == tarvo::rc::kOk || rc == tarvo::rc::kRateIgnored)
        sRetString = Result(a13, a15, dec);
    return rc;
}

long GetBridgeVersion(QString& sVersion) {
    if (!Bind())
        return kRcBridgeMissing;
    QByteArray buf = Blanks(66);
    long rc = TheBridge().version(buf.data());
    sVersion = QString::fromLatin1(buf.constData()); // up to the NUL the bridge wrote
    return rc;
}

// ---------------------------------------------------------------- error texts

void InitError() {
    // The codes with a German text, in table order, each as "<number> <text>".
    asErrorText.clear();
    for (const tarvo::rc::Row& r : tarvo::rc::kRows) {
        if (r.german[0] == '\0')
            continue;
        const char* text = !bGerman && r.english[0] != '\0' ? r.english : r.german;
        asErrorText << QString::number(r.number) + QLatin1Char(' ') + QString::fromUtf8(text);
    }
}

QString GetErrorText(long n) {
    if (n == kRcBridgeMissing)
        return (bGerman ? QStringLiteral("Umrechnungsbibliothek nicht geladen: ")
                        : QStringLiteral("Conversion library not loaded: ")) +
               QLatin1String(kLibraryName);
    for (const QString& s : asErrorText) {
        bool ok = false;
        long nEntry = s.left(3).toLong(&ok);
        if (ok && nEntry == n)
            return s.mid(4);
    }
    return QStringLiteral("Unbekannter Fehler: ") + QString::number(n);
}

bool IsEmuCurrency(const QString& sISOCode) {
    const QDate dSaved = dBookingDate;
    dBookingDate = QDate::currentDate();
    QString sResult;
    long rc =
        CallU2(QStringLiteral("EUR"), sISOCode, QStringLiteral("10000000"), QStringLiteral("10"),
               QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("M"), sResult);
    dBookingDate = dSaved;
    // Without the bridge nothing is known to be participating.
    return rc != 0 && rc != kRcBridgeMissing;
}

long GetEuroRate(const QString& sISOCode, QString& sRate) {
    long rc = CallU1(QStringLiteral("EUR"), sISOCode, QStringLiteral("10000000"), sRate);
    if (rc == 0) {
        double d = ReadNumber(DotToDecimalSymbol(KeepNumberChars(sRate)));
        sRate = FormatNumber(d / 10000000.0, 7);
    } else {
        sRate = QStringLiteral("0");
    }
    return rc;
}
