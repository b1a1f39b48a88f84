// SPDX-License-Identifier: Apache-2.0
// The calculator engine, the reading of pasted amounts and the conversion dispatch, without
// any window: the dispatch talks to a fake bridge that answers from a table.
#include "CCalcEngine.h"
#include "CCurrencyList.h"
#include "CDispatch.h"
#include "Compute.h"
#include "general.h"

#include <QLocale>
#include <QMap>
#include <QtTest>

namespace {
using R = CCalcEngine::Refusal;

void UseLocale(const char* name) {
    QLocale::setDefault(QLocale(QString::fromLatin1(name)));
    QVERIFY(CheckNumberSettings());
    bGerman = QString::fromLatin1(name).startsWith(QLatin1String("de"));
    InitError();
}

// EUR, DEM, FRF and ITL with fixed rates; GBP (0,7) and SEK (no rate) built in; NOK added.
void BuildList() {
    oCurrencyList.Clear();
    struct Row {
        const char* code;
        const char* name;
        int tnl, nks;
        double rate;
    };
    const Row rows[] = {
        {"EUR", "Euro", CCurrency::Participating, 2, 0},
        {"DEM", "Deutsche Mark", CCurrency::Participating, 2, 0},
        {"FRF", "Franc", CCurrency::Participating, 2, 0},
        {"ITL", "Lira", CCurrency::Participating, 0, 0},
        {"GBP", "Pfund", CCurrency::BuiltIn, 2, 0.7},
        {"SEK", "Krone", CCurrency::BuiltIn, 2, 0},
        {"NOK", "Norw. Krone", CCurrency::Additional, 2, 9.5},
    };
    int16_t i = 0;
    for (const Row& r : rows) {
        CCurrency c;
        c.setIndex(i++);
        c.setISOCode(QString::fromLatin1(r.code));
        c.setLongName(QString::fromLatin1(r.name));
        c.setTNL(r.tnl);
        c.setNKS(r.nks);
        c.setKurs(r.rate);
        oCurrencyList.Add(c);
    }
}

// Answers "<function> <from> <to>" with "rc" or "rc:kernel text"; unlisted calls get 462.
class FakeBridge : public IBridge {
  public:
    explicit FakeBridge(const QString& sAnswers) {
        for (const QString& a : sAnswers.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const qsizetype eq = a.indexOf(QLatin1Char('='));
            m_answers[a.left(eq).trimmed()] = a.mid(eq + 1).trimmed();
        }
    }
    bool bAvailable = true;
    QStringList calls;

    bool Available() override { return bAvailable; }
    long U1(const QString& e, const QString& a, const QString& amt, QString& r) override {
        return Answer(QStringLiteral("U1 %1 %2").arg(e, a), amt, r);
    }
    long U3(const QString& e, const QString&, const QString& a, const QString& amt,
            QString& r) override {
        return Answer(QStringLiteral("U3 %1 %2").arg(e, a), amt, r);
    }
    long U2(const QString& e, const QString& a, const QString& amt, const QString& rate,
            QString& r) override {
        return Answer(QStringLiteral("U2 %1 %2").arg(e, a), amt, r, rate);
    }
    long U4(const QString& e, const QString& re, const QString& a, const QString& ra,
            const QString& amt, QString& r) override {
        return Answer(QStringLiteral("U4 %1 %2").arg(e, a), amt, r, re + QLatin1Char('/') + ra);
    }

  private:
    long Answer(const QString& sKey, const QString& sAmount, QString& sRet,
                const QString& sRate = {}) {
        calls << (sRate.isEmpty() ? sKey : sKey + QLatin1Char(' ') + sRate);
        Q_UNUSED(sAmount);
        const QString a = m_answers.value(sKey, QStringLiteral("462"));
        const qsizetype colon = a.indexOf(QLatin1Char(':'));
        const long rc = a.left(colon).toLong();
        if (colon >= 0)
            sRet = a.mid(colon + 1);
        return rc;
    }
    QMap<QString, QString> m_answers;
};

// Types keys into the engine: digits, "," the decimal symbol, + - * /, "=" equals for EUR,
// "B" backspace, "C" clear, "M" memory plus, "m" memory minus, "R" recall, "Z" memory clear.
// Returns one letter per refused key: I integer digits, D decimals, F decimal first.
QString Type(CCalcEngine& e, const QString& keys) {
    const QString eur = QStringLiteral("EUR");
    QString sRefused;
    for (QChar c : keys) {
        R r = R::None;
        if (c.isDigit())
            r = e.Digit(c.digitValue());
        else if (c == QLatin1Char(','))
            r = e.DecimalSymbol();
        else if (c == QLatin1Char('+'))
            e.Add();
        else if (c == QLatin1Char('-'))
            e.Subtract();
        else if (c == QLatin1Char('*'))
            e.Multiply();
        else if (c == QLatin1Char('/'))
            e.Divide();
        else if (c == QLatin1Char('='))
            e.Calculate(eur);
        else if (c == QLatin1Char('B'))
            e.Cut();
        else if (c == QLatin1Char('C'))
            e.Clear();
        else if (c == QLatin1Char('M'))
            e.MemoryPlus();
        else if (c == QLatin1Char('m'))
            e.MemoryMinus();
        else if (c == QLatin1Char('R'))
            e.MemoryRecall(eur);
        else if (c == QLatin1Char('Z'))
            e.MemoryClear();
        if (r == R::IntegerDigits)
            sRefused += QLatin1Char('I');
        else if (r == R::Decimals)
            sRefused += QLatin1Char('D');
        else if (r == R::DecimalFirst)
            sRefused += QLatin1Char('F');
    }
    return sRefused;
}
} // namespace

class TestEngine : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        UseLocale("de_DE");
        BuildList();
    }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void keys_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<double>("memory");
        QTest::newRow("second decimal symbol dropped") << "12,5,7"
                                                       << "12,57"
                                                       << "" << 0.0;
        QTest::newRow("decimal first refused") << ",5"
                                               << "5"
                                               << "F" << 0.0;
        QTest::newRow("decimal after equals refused") << "3=,4"
                                                      << "4"
                                                      << "F" << 0.0;
        QTest::newRow("13 integer digits taken") << "1234567890123"
                                                 << "1234567890123"
                                                 << "" << 0.0;
        QTest::newRow("14th digit refused") << "12345678901234"
                                            << "1234567890123"
                                            << "I" << 0.0;
        QTest::newRow("third decimal refused") << "1,234"
                                               << "1,23"
                                               << "D" << 0.0;
        QTest::newRow("digit after backspace of a decimal") << "1,23B4"
                                                            << "1,24"
                                                            << "" << 0.0;
        QTest::newRow("sum") << "12+3="
                             << "15,00"
                             << "" << 0.0;
        QTest::newRow("operator twice") << "5++="
                                        << "15,00"
                                        << "" << 0.0;
        QTest::newRow("equals twice keeps the value") << "7*2=="
                                                      << "14,00"
                                                      << "" << 0.0;
        QTest::newRow("division by zero skipped") << "8/0="
                                                  << "8,00"
                                                  << "" << 0.0;
        QTest::newRow("memory plus and recall") << "5M3MR"
                                                << "8,00"
                                                << "" << 8.0;
        QTest::newRow("memory minus") << "5M2m"
                                      << "2"
                                      << "" << 3.0;
        QTest::newRow("memory clear") << "5MZR"
                                      << "0,00"
                                      << "" << 0.0;
        QTest::newRow("backspace on empty") << "1BB"
                                            << ""
                                            << "" << 0.0;
        QTest::newRow("clear keeps memory") << "4MC"
                                            << "0,00"
                                            << "" << 4.0;
        QTest::newRow("calculated amount is a new entry") << "9=1"
                                                          << "1"
                                                          << "" << 0.0;
    }
    void keys() {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QString, refused);
        QFETCH(double, memory);
        CCalcEngine e;
        QCOMPARE(Type(e, keys), refused);
        QCOMPARE(e.Text(), text);
        QCOMPARE(e.Memory(), memory);
    }

    void inputString() {
        CCalcEngine e;
        e.SetText(QStringLiteral("1.234.567,89"));
        QCOMPARE(e.InputString(), QStringLiteral("1234567,89"));
    }

    void paste_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("refusal");
        const int ok = int(R::None), amb = int(R::PasteAmbiguous);
        QTest::newRow("code, sign, grouping, words") << "de_DE"
                                                     << "EUR -1.234,50 abc"
                                                     << "-1.234,50" << ok;
        QTest::newRow("grouped millions") << "de_DE"
                                          << "1.234.567,89"
                                          << "1.234.567,89" << ok;
        QTest::newRow("full stop after the amount") << "de_DE"
                                                    << "Summe 12,50."
                                                    << "12,50" << ok;
        QTest::newRow("leading decimal symbol") << "de_DE"
                                                << ",5"
                                                << "0,50" << ok;
        QTest::newRow("point as decimal in german") << "de_DE"
                                                    << "1234.56"
                                                    << "" << amb;
        QTest::newRow("group of two") << "de_DE"
                                      << "1.23"
                                      << "" << amb;
        QTest::newRow("grouping after decimal") << "de_DE"
                                                << "1,234.5"
                                                << "" << amb;
        QTest::newRow("second number") << "de_DE"
                                       << "12-3"
                                       << "" << amb;
        QTest::newRow("three decimals") << "de_DE"
                                        << "1,234"
                                        << "" << int(R::Decimals);
        QTest::newRow("14 digits") << "de_DE"
                                   << "12345678901234"
                                   << "" << int(R::IntegerDigits);
        QTest::newRow("leading zeros do not count") << "de_DE"
                                                    << "00001234567890123"
                                                    << "1.234.567.890.123,00" << ok;
        QTest::newRow("no digit") << "de_DE"
                                  << "abc -"
                                  << "" << int(R::PasteNoNumber);
        QTest::newRow("english") << "en_US"
                                 << "USD 1,234.56"
                                 << "1,234.56" << ok;
        QTest::newRow("german text in english") << "en_US"
                                                << "1.234,56"
                                                << "" << amb;
    }
    void paste() {
        QFETCH(QString, locale);
        QFETCH(QString, clip);
        QFETCH(QString, text);
        QFETCH(int, refusal);
        UseLocale(locale.toLatin1().constData());
        CCalcEngine e;
        e.SetText(QStringLiteral("7"));
        QCOMPARE(int(e.Paste(clip, QStringLiteral("EUR"))), refusal);
        // A refused text leaves the input as it was.
        QCOMPARE(e.Text(), refusal == int(R::None) ? text : QStringLiteral("7"));
    }

    void mainResult_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("useFile");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        const QString k5113 = QStringLiteral("0:+0000000000051.13");
        QTest::newRow("U1 with the euro") << "DEM"
                                          << "EUR" << false << "U1 DEM EUR=" + k5113 << "U1 DEM EUR"
                                          << "51,13"
                                          << "";
        QTest::newRow("U3 between national currencies")
            << "DEM"
            << "FRF" << false << "U3 DEM FRF=" + k5113 << "U3 DEM FRF"
            << "51,13"
            << "";
        QTest::newRow("U3 after U1 refused")
            << "EUR"
            << "DEM" << false << "U3 EUR DEM=" + k5113 << "U1 EUR DEM|U3 EUR DEM"
            << "51,13"
            << "";
        QTest::newRow("both refuse") << "DEM"
                                     << "FRF" << false << ""
                                     << "U3 DEM FRF|U1 DEM FRF"
                                     << ""
                                     << "Unzulässige ISO-Code-Kombination";
        QTest::newRow("463 stands in the result") << "DEM"
                                                  << "EUR" << false << "U1 DEM EUR=463"
                                                  << "U1 DEM EUR"
                                                  << "Kein Kurs/Betragsüberlauf"
                                                  << "";
        QTest::newRow("file missing") << "DEM"
                                      << "EUR" << false << "U1 DEM EUR=489"
                                      << "U1 DEM EUR"
                                      << ""
                                      << "Waehrungsdatei nicht gefunden";
        QTest::newRow("no decimals") << "EUR"
                                     << "ITL" << false << "U1 EUR ITL=0:+000000000001235"
                                     << "U1 EUR ITL"
                                     << "1.235     "
                                     << "";
        QTest::newRow("own rate from the euro")
            << "EUR"
            << "GBP" << false << "U2 EUR GBP=0:+0000000000070.00"
            << "U2 EUR GBP 0,7"
            << "70,00"
            << "";
        QTest::newRow("own rate, 261 is a result")
            << "GBP"
            << "EUR" << false << "U2 GBP EUR=261:+0000000000001.00"
            << "U2 GBP EUR 0,7"
            << "1,00"
            << "";
        QTest::newRow("own rates both sides") << "DEM"
                                              << "NOK" << false << "U4 DEM NOK=0:+0000000000485.73"
                                              << "U4 DEM NOK 0/9,5"
                                              << "485,73"
                                              << "";
        QTest::newRow("own-rate refusal named, not zero")
            << "EUR"
            << "GBP" << false << "U2 EUR GBP=403"
            << "U2 EUR GBP 0,7"
            << ""
            << "Eingabebetrag hat mehr als 15 Ziffern";
        QTest::newRow("own-rate 463 in the result") << "NOK"
                                                    << "GBP" << false << "U4 NOK GBP=463"
                                                    << "U4 NOK GBP 9,5/0,7"
                                                    << "Kein Kurs/Betragsüberlauf"
                                                    << "";
        QTest::newRow("no rate: no call") << "EUR"
                                          << "SEK" << false << ""
                                          << ""
                                          << ""
                                          << "Kein Kurs für SEK eingetragen";
        QTest::newRow("rate file route") << "EUR"
                                         << "GBP" << true << "U1 EUR GBP=482"
                                         << "U1 EUR GBP"
                                         << ""
                                         << "ISO-Code nicht in Währungsdatei gefunden";
        QTest::newRow("rate file route, no own-rate check")
            << "DEM"
            << "SEK" << true << "U3 DEM SEK=0:+0000000000051.13"
            << "U3 DEM SEK"
            << "51,13"
            << "";
    }
    void mainResult() {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(bool, useFile);
        QFETCH(QString, answers);
        QFETCH(QString, calls);
        QFETCH(QString, text);
        QFETCH(QString, error);
        FakeBridge bridge(answers);
        CDispatch d(bridge, oCurrencyList);
        CDispatchRequest req{source,
                             target,
                             QStringLiteral("100"),
                             QStringLiteral("100"),
                             oCurrencyList.Index(source),
                             useFile};
        const CDispatchResult res = d.Convert(req);
        QCOMPARE(res.main.sText, text);
        QCOMPARE(res.sErrorLine, error);
        // The main result's calls come first; the lines' calls follow.
        const QStringList expected = calls.split(QLatin1Char('|'), Qt::SkipEmptyParts);
        QCOMPARE(bridge.calls.mid(0, expected.size()), expected);
    }

    // Each line: "CODE=text" for a value, "CODE=!reason" for an empty line with a reason.
    void lines_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("lines");
        QTest::newRow("from DEM")
            << "DEM"
            << "U1 DEM EUR=0:+0000000000051.13;U3 DEM FRF=485;U3 DEM ITL=0:+000000000099000;"
               "U4 DEM GBP=463;U4 DEM NOK=0:+0000000000485.73"
            << "EUR=51,13;DEM=1.234,50;FRF=!Keinen gültigen Kurs in der Währungsdatei gefunden;"
               "ITL=99.000     ;GBP=!Kein Kurs/Betragsüberlauf;SEK=!Kein Kurs für SEK "
               "eingetragen;NOK=485,73";
        QTest::newRow("from the euro: own line typed, both refusing")
            << "EUR"
            << "U1 EUR DEM=0:+0000000000195.58"
            << "EUR=1.234,50;DEM=195,58;FRF=!Unzulässige ISO-Code-Kombination";
    }
    void lines() {
        QFETCH(QString, source);
        QFETCH(QString, answers);
        QFETCH(QString, lines);
        FakeBridge bridge(answers);
        CDispatch d(bridge, oCurrencyList);
        CDispatchRequest req{source,
                             QStringLiteral("EUR"),
                             QStringLiteral("1234,50"),
                             QStringLiteral("1.234,50"),
                             oCurrencyList.Index(source),
                             false};
        const CDispatchResult res = d.Convert(req);
        for (const QString& l : lines.split(QLatin1Char(';'))) {
            const QString code = l.section(QLatin1Char('='), 0, 0);
            const QString want = l.section(QLatin1Char('='), 1);
            const CDispatchField& f = res.lines[static_cast<size_t>(oCurrencyList.Index(code))];
            if (want.startsWith(QLatin1Char('!'))) {
                QCOMPARE(f.sText, QString());
                QCOMPARE(f.sReason, want.mid(1));
            } else {
                QCOMPARE(f.sText, want);
                QCOMPARE(f.sReason, QString());
            }
        }
    }

    void bridgeMissingNamesEveryField() {
        FakeBridge bridge{QString()};
        bridge.bAvailable = false;
        CDispatch d(bridge, oCurrencyList);
        const CDispatchResult res = d.Convert({QStringLiteral("DEM"), QStringLiteral("EUR"),
                                               QStringLiteral("1"), QStringLiteral("1"), 1, false});
        QVERIFY(bridge.calls.isEmpty());
        QVERIFY(res.sErrorLine.startsWith(QStringLiteral("Umrechnungsbibliothek")));
        QCOMPARE(res.lines[6].sReason, res.sErrorLine);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
