// SPDX-License-Identifier: Apache-2.0
// Currency model with the bridge: participation asked from the kernel, euro rates, the
// additional currencies in the settings store, the diagnostic log.
#include "CCurrencyList.h"
#include "CDebug.h"
#include "Compute.h"
#include "MainModule.h"
#include "general.h"
#include "testenv.h"

#include <QFile>
#include <QtTest>

namespace {
void UseLocale(const char* name, bool german) {
    QLocale::setDefault(QLocale(QString::fromLatin1(name)));
    QVERIFY(CheckNumberSettings());
    bGerman = german;
    InitError();
    dBookingDate = QDate::currentDate();
}

// The sixteen built-in currencies as InitWaehrung makes them (without the window).
void BuildBuiltInList() {
    oCurrencyList.Clear();
    nLastCurrency = 15;
    for (int i = 0; i < 16; ++i) {
        CCurrency c;
        c.setIndex(static_cast<int16_t>(i));
        c.setISOCode(QString::fromLatin1(kBuiltInCurrencies[i].code));
        c.setTNL(IsEmuCurrency(c.ISOCode()) ? CCurrency::Participating : CCurrency::BuiltIn);
        oCurrencyList.Add(c);
    }
}

void Store(const QStringList& codes, const QStringList& values) {
    SaveSetting("Currencies", "Count", QString::number(codes.size()));
    for (int k = 0; k < codes.size(); ++k) {
        const QString n = QString::number(k + 1);
        SaveSetting("Currencies", "Currency" + n, codes[k]);
        SaveSetting("Currencies", "LongName" + n, QString());
        SaveSetting("Currencies", "Value" + n, values[k]);
        SaveSetting("Currencies", "NKS" + n, "2");
    }
}
} // namespace

class TestCurrencies : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;

  private slots:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() { env.reset(); }

    void participationFromKernel() {
        UseLocale("de_DE", true);
        QVERIFY(BridgeAvailable());
        QVERIFY(IsEmuCurrency("EUR"));
        QVERIFY(IsEmuCurrency("DEM"));
        QVERIFY(IsEmuCurrency("ITL"));
        QVERIFY(!IsEmuCurrency("GBP"));
        QVERIFY(!IsEmuCurrency("CHF"));
        QVERIFY(env->messages.isEmpty());
    }

    void euroRates_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("rate");
        QTest::newRow("DEM") << "de_DE"
                             << "DEM"
                             << "1,9558300";
        QTest::newRow("ITL without decimals") << "de_DE"
                                              << "ITL"
                                              << "1.936,2700000";
        QTest::newRow("FRF english") << "en_US"
                                     << "FRF"
                                     << "6.5595700";
        QTest::newRow("no rate file for GBP") << "de_DE"
                                              << "GBP"
                                              << "0";
    }
    void euroRates() {
        QFETCH(QString, locale);
        QFETCH(QString, code);
        QFETCH(QString, rate);
        UseLocale(locale.toLatin1().constData(), locale.startsWith("de"));
        QString s;
        const long rc = GetEuroRate(code, s);
        QCOMPARE(s, rate);
        QCOMPARE(rc == 0, rate != QLatin1String("0"));
    }

    void bridgeWrappersFillBuffers() {
        UseLocale("de_DE", true);
        QString r = QStringLiteral("unchanged");
        QCOMPARE(CallU1("DEM", "EUR", "100", r), 0L);
        QCOMPARE(r.size(), 20);
        QCOMPARE(KeepNumberChars(r), QStringLiteral("+0000000000051.13"));
        r = QStringLiteral("unchanged");
        QCOMPARE(CallU1("DEM", "GBP", "100", r) != 0, true);
        QCOMPARE(r, QStringLiteral("unchanged")); // an error leaves the result alone
        QCOMPARE(CallU2("EUR", "CHF", "100", "1,6", "1", "2", "M", r), 0L);
        QCOMPARE(KeepNumberChars(r), QStringLiteral("+0000000000160.00"));
        QCOMPARE(CallU4("CHF", "1,6", "1", "USD", "1,2", "1", "160", "2", "M", "M", r), 0L);
        QCOMPARE(KeepNumberChars(r), QStringLiteral("+0000000000120.00"));
        QString v;
        QCOMPARE(GetBridgeVersion(v), 0L);
        QCOMPARE(v, QStringLiteral("TARVON32.DLL Version 3.e "));
    }

    void additionalCurrencyRead() {
        UseLocale("de_DE", true);
        BuildBuiltInList();
        Store({"CHF"}, {"1D6"});
        ReadRegistry();
        QCOMPARE(nLastCurrency, 16);
        QCOMPARE(oCurrencyList.Count(), 17);
        QCOMPARE(oCurrencyList.ISOCode(16), QStringLiteral("CHF"));
        QCOMPARE(oCurrencyList.KursValue(16), 1.6);
        QCOMPARE(oCurrencyList.TNL(16), int(CCurrency::Additional));
        QVERIFY(oCurrencyList.StoredInRegistry("CHF"));
        QVERIFY(env->messages.isEmpty());
    }

    void storedBuiltInCurrencyGetsRate() {
        UseLocale("de_DE", true);
        BuildBuiltInList();
        Store({"GBP"}, {"0D7"});
        ReadRegistry();
        QCOMPARE(oCurrencyList.Index("GBP"), 13);
        QCOMPARE(oCurrencyList.KursValue(13), 0.7);
        QVERIFY(oCurrencyList.StoredInRegistry("GBP"));
        QCOMPARE(oCurrencyList.Count(), 17);
    }

    void participatingEntryRemoved_data() {
        QTest::addColumn<bool>("german");
        QTest::newRow("german") << true;
        QTest::newRow("english") << false;
    }
    void participatingEntryRemoved() {
        QFETCH(bool, german);
        UseLocale(german ? "de_DE" : "en_US", german);
        BuildBuiltInList();
        Store({"DEM", "CHF", "FRF", "USD"}, {"1D9", "1D6", "6D5", "1D2"});
        ReadRegistry();
        QCOMPARE(env->messages.size(), 2);
        const QStringList lines = env->messages[0].split(QChar(13));
        QCOMPARE(lines.size(), 3);
        if (german) {
            QCOMPARE(lines[0], QStringLiteral("DEM ist der ISO-Code für eine Teilnehmerwährung! "));
            QCOMPARE(lines[2], QStringLiteral("Der existierende Eintrag im Konfigurationsdialog "
                                              "wird deshalb gelöscht."));
        } else {
            QCOMPARE(lines[0], QStringLiteral("DEM is the ISO-Code of a EMU currency! "));
            QCOMPARE(lines[1], QStringLiteral("Rates of participating member states are fixed "
                                              "and cannot be changed."));
        }
        QVERIFY(env->messages[1].startsWith("FRF "));
        // Count lowered, the remaining entries renumbered so that none is lost.
        QCOMPARE(GetSetting("Currencies", "Count"), QStringLiteral("2"));
        QCOMPARE(GetSetting("Currencies", "Currency1"), QStringLiteral("CHF"));
        QCOMPARE(GetSetting("Currencies", "Value1"), QStringLiteral("1D6"));
        QCOMPARE(GetSetting("Currencies", "Currency2"), QStringLiteral("USD"));
        QCOMPARE(GetSetting("Currencies", "Currency3", "gone"), QStringLiteral("gone"));
        QCOMPARE(GetSetting("Currencies", "Currency4", "gone"), QStringLiteral("gone"));
        QCOMPARE(oCurrencyList.Count(), 18);
        QCOMPARE(oCurrencyList.ISOCode(17), QStringLiteral("USD"));

        // The next start reads both and shows no message.
        env->messages.clear();
        BuildBuiltInList();
        ReadRegistry();
        QVERIFY(env->messages.isEmpty());
        QCOMPARE(oCurrencyList.Count(), 18);
    }

    void savedInNeutralNotation() {
        UseLocale("de_DE", true);
        SaveSetting("Currencies", "UseWaehdat", "1");
        SaveAdditionalCurrencies({{"CHF", "1.234,5678", 2}, {"", "", 2}, {"JPY", "130,5", 0}});
        QCOMPARE(GetSetting("Currencies", "Count"), QStringLiteral("2"));
        QCOMPARE(GetSetting("Currencies", "Value1"), QStringLiteral("1T234D5678"));
        QCOMPARE(GetSetting("Currencies", "LongName1", "absent"), QString());
        QCOMPARE(GetSetting("Currencies", "Currency2"), QStringLiteral("JPY"));
        QCOMPARE(GetSetting("Currencies", "NKS2"), QStringLiteral("0"));
        // The section was written anew, but the rate-file switch that shares it is kept.
        QCOMPARE(GetSetting("Currencies", "UseWaehdat", "absent"), QStringLiteral("1"));

        UseLocale("en_US", false);
        BuildBuiltInList();
        ReadRegistry();
        QCOMPARE(oCurrencyList.KursValue(16), 1234.5678);
        QCOMPARE(oCurrencyList.Kurs(16), QStringLiteral("1234.5678"));
        QCOMPARE(oCurrencyList.NKS(17), 0);
    }

    void emptyStore() {
        UseLocale("de_DE", true);
        BuildBuiltInList();
        ReadRegistry();
        QCOMPARE(oCurrencyList.Count(), 16);
        QCOMPARE(nLastCurrency, 15);
        QVERIFY(!QFile::exists(SettingsFilePath()));
    }

    void startUpLanguageAndSettings_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("german");
        QTest::newRow("de_AT german") << "de_AT"
                                      << "" << true << true;
        QTest::newRow("ENGLISH anywhere") << "de_DE"
                                          << "x-english-y" << true << false;
        QTest::newRow("en_US english") << "en_US"
                                       << "/debug" << true << false;
        QTest::newRow("unusable decimal symbol") << "ar_EG"
                                                 << "" << false << false;
    }
    void startUpLanguageAndSettings() {
        QFETCH(QString, locale);
        QFETCH(QString, commandLine);
        QFETCH(bool, ok);
        QFETCH(bool, german);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(StartUp(commandLine), ok);
        QCOMPARE(bGerman, german);
        QCOMPARE(oDebug->Enabled(), commandLine.contains("debug"));
        if (ok) {
            QVERIFY(env->messages.isEmpty());
            QCOMPARE(dBookingDate, QDate::currentDate());
            QCOMPARE(asErrorText.size(), 34);
        } else {
            QCOMPARE(env->messages.size(), 1);
            QVERIFY(env->messages[0].startsWith("Invalid settings for decimal symbol"));
        }
    }

    void debugLog() {
        const QString sLog = env->Path() + "/log/test.log";
        {
            CDebug d;
            d.WriteLogging("off"); // disabled: nothing is written
            QVERIFY(!QFile::exists(d.LogFile()));
            d.setEnabled(true);
            d.setLogFile(QString());
            d.WriteLogging("first");
            d.WriteLogging("second");
            d.setLogFile(sLog);
            QVERIFY(!QFile::exists(sLog));
            d.WriteLogging("third");
        }
        QFile f(sLog);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString s = QString::fromUtf8(f.readAll());
        const QStringList lines = s.split('\n', Qt::SkipEmptyParts);
        // The pending lines stand together in front of the first line written to the file.
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].contains(": first") && lines[0].contains(": second"));
        QVERIFY(lines[1].endsWith(": third"));
        QVERIFY(lines[2].endsWith(": CDebug Class_Terminate()"));
    }
};

QTEST_GUILESS_MAIN(TestCurrencies)
#include "test_currencies.moc"
