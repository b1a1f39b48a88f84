// SPDX-License-Identifier: Apache-2.0
// Number texts of the calculator engine, the locale checks and the error-text table.
#include "CCurrencyList.h"
#include "Compute.h"
#include "MainModule.h"
#include "general.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// Symbols and currency list as start-up leaves them for the given locale.
void UseLocale(const char* name) {
    QLocale::setDefault(QLocale(QString::fromLatin1(name)));
    QVERIFY(CheckNumberSettings());
}

void BuildBuiltInList() {
    oCurrencyList.Clear();
    for (int i = 0; i < 16; ++i) {
        CCurrency c;
        c.setIndex(static_cast<int16_t>(i));
        c.setISOCode(QString::fromLatin1(kBuiltInCurrencies[i].code));
        c.setNKS(QStringLiteral("BEF LUF ITL ESP PTE GRD").contains(c.ISOCode()) ? 0 : 2);
        oCurrencyList.Add(c);
    }
}
} // namespace

class TestNumberTexts : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { BuildBuiltInList(); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void numberSettings_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("grouping");
        QTest::newRow("de_DE") << "de_DE" << true << ","
                               << ".";
        QTest::newRow("en_US") << "en_US" << true << "."
                               << ",";
        QTest::newRow("fr_FR blank grouping") << "fr_FR" << true << "," << QString(QChar(0x202F));
        QTest::newRow("de_CH") << "de_CH" << true << "." << QString(QChar(0x2019));
        QTest::newRow("C") << "C" << true << "."
                           << ",";
        QTest::newRow("ar_EG other decimal symbol") << "ar_EG" << false << ""
                                                    << "";
    }
    void numberSettings() {
        QFETCH(QString, locale);
        QFETCH(bool, valid);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(CheckNumberSettings(), valid);
        if (valid) {
            QFETCH(QString, decimal);
            QFETCH(QString, grouping);
            QCOMPARE(sDecimalSymbol, decimal);
            QCOMPARE(sGroupingSymbol, grouping);
        }
    }

    void settingsMessage() {
        bGerman = false;
        QStringList en = NumberSettingsMessage().split(QChar(13));
        QCOMPARE(en.size(), 9); // six lines, two empty lines, the text after the last CR
        QCOMPARE(en[0],
                 QStringLiteral("Invalid settings for decimal symbol or digit grouping symbol"));
        QVERIFY(en[2].isEmpty() && en[5].isEmpty());
        QCOMPARE(en[7], QStringLiteral("the number of digits in group must be 3."));
        bGerman = true;
        QStringList de = NumberSettingsMessage().split(QChar(13));
        QCOMPARE(de.size(), 9);
        QCOMPARE(de[1],
                 QStringLiteral("bei der Ländereinstellung für Zahlen (siehe Systemsteuerung) !"));
        QCOMPARE(de[7], QStringLiteral("die Anzahl der Ziffern je Gruppe muss 3 sein."));
    }

    void germanLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("german");
        QTest::newRow("de_DE") << "de_DE"
                               << "00000407" << true;
        QTest::newRow("de_AT") << "de_AT"
                               << "00000C07" << true;
        QTest::newRow("de_CH") << "de_CH"
                               << "00000807" << true;
        QTest::newRow("de_LI") << "de_LI"
                               << "00001407" << true;
        QTest::newRow("de_LU is not one of the four") << "de_LU"
                                                      << "00001007" << false;
        QTest::newRow("en_US") << "en_US"
                               << "00000409" << false;
        QTest::newRow("fr_FR") << "fr_FR"
                               << "0000040C" << false;
    }
    void germanLocale() {
        QFETCH(QString, locale);
        QFETCH(QString, id);
        QFETCH(bool, german);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(WindowsLocaleId(), id);
        QCOMPARE(IsGermanLocale(), german);
    }

    // The rate file in the build tree and in a fake installed layout <root>/bin, <root>/share.
    void rateFileLocation_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("envSet");
        QTest::addColumn<bool>("shipped");
        QTest::addColumn<bool>("userHas");
        QTest::addColumn<QString>("where");    // "app", "user" or "env"
        QTest::addColumn<QString>("contents"); // of the rate file after start ("" none)
        QTest::newRow("build tree") << false << false << true << false << "app"
                                    << "";
        QTest::newRow("build tree, variable") << false << true << false << false << "env"
                                              << "";
        QTest::newRow("installed, first start copies") << true << false << true << false << "user"
                                                       << "shipped";
        QTest::newRow("installed, the user's file is kept")
            << true << false << true << true << "user"
            << "user";
        QTest::newRow("installed, nothing shipped") << true << false << false << false << "user"
                                                    << "";
        QTest::newRow("installed, variable wins") << true << true << true << false << "env"
                                                  << "";
    }
    void rateFileLocation() {
        QFETCH(bool, installed);
        QFETCH(bool, envSet);
        QFETCH(bool, shipped);
        QFETCH(bool, userHas);
        QFETCH(QString, where);
        QFETCH(QString, contents);
        QTemporaryDir tmp;
        const QString root = tmp.path(), app = root + "/bin", share = root + "/share/wechsler";
        const QString user = root + "/data/Devisio/WAEHKURS.DAT", env = root + "/env.dat";
        QDir().mkpath(app);
        auto write = [](const QString& path, const QByteArray& data) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(data);
        };
        if (installed)
            QDir().mkpath(share + "/Help");
        if (installed && shipped)
            write(share + "/WAEHKURS.DAT", "shipped");
        if (userHas)
            write(user, "user");
        qputenv("XDG_DATA_HOME", QFile::encodeName(root + "/data"));
        qputenv("TARVO_WAEHKURS", envSet ? QFile::encodeName(env) : QByteArray());
        const QString expected = where == "env"    ? env
                                 : where == "user" ? user
                                                   : app + "/WAEHKURS.DAT";
        QCOMPARE(RateFilePathFor(app), expected);
        QCOMPARE(PrepareRateFile(app), expected);
        QFile f(expected);
        QCOMPARE(f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString(),
                 contents);
        // After the start the kernel is told the same file.
        QCOMPARE(qEnvironmentVariable("TARVO_WAEHKURS"), where == "app" ? QString() : expected);
        QCOMPARE(DataFileDirectoryFor(app), installed ? share : app);
        qunsetenv("TARVO_WAEHKURS");
        qunsetenv("XDG_DATA_HOME");
    }

    void pathsAndDates() {
        qputenv("TARVO_WAEHKURS", "/data/rates/W.DAT");
        QCOMPARE(RateFilePath(), QStringLiteral("/data/rates/W.DAT"));
        qputenv("TARVO_WAEHKURS", "");
        QCOMPARE(RateFilePath(), GetAppDirectory() + QStringLiteral("/WAEHKURS.DAT"));
        // The program folder keeps its case and is the folder of this test program.
        QCOMPARE(GetAppDirectory(), QCoreApplication::applicationDirPath());
        qputenv("XDG_CONFIG_HOME", "/tmp/cfg");
        QCOMPARE(SettingsFilePath(), QStringLiteral("/tmp/cfg/Devisio/Devisio.ini"));
        qputenv("XDG_STATE_HOME", "/tmp/st");
        QCOMPARE(StateDirectory(), QStringLiteral("/tmp/st/Devisio"));
        QCOMPARE(DateToYYYYMMDD(QDate(2002, 1, 9)), QStringLiteral("20020109"));
        bGerman = false;
        QVERIFY(ProgramHelpFile().endsWith("/Help/BedAnl_E.htm"));
        bGerman = true;
        QVERIFY(ProgramHelpFile().endsWith("/Help/BedAnl_D.htm"));
    }

    void keepNumberChars() {
        QCOMPARE(KeepNumberChars(QStringLiteral("EUR -1.234,50 abc")), QStringLiteral("-1.234,50"));
        QCOMPARE(KeepNumberChars(QString::fromLatin1("+0000000001234.57\0  ", 20)),
                 QStringLiteral("+0000000001234.57"));
        QCOMPARE(KeepNumberChars(QString()), QString());
    }

    void stripGrouping_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("short text unchanged") << "de_DE"
                                              << "1.23"
                                              << "1.23";
        QTest::newRow("one group") << "de_DE"
                                   << "1.234"
                                   << "1234";
        QTest::newRow("groups and decimals") << "de_DE"
                                             << "1.234.567,89"
                                             << "1234567,89";
        QTest::newRow("kernel text keeps its point") << "de_DE"
                                                     << "+0000000001234.57"
                                                     << "+0000000001234.57";
        QTest::newRow("english") << "en_US"
                                 << "1,234,567.89"
                                 << "1234567.89";
        QTest::newRow("blanks dropped") << "de_DE"
                                        << " 1.235     "
                                        << "1235";
    }
    void stripGrouping() {
        QFETCH(QString, locale);
        QFETCH(QString, in);
        QFETCH(QString, out);
        UseLocale(locale.toLatin1().constData());
        QCOMPARE(StripGrouping(in), out);
    }

    void formatOutput_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QString>("out");
        QTest::newRow("kernel text DEM") << "de_DE"
                                         << "+0000000001234.57"
                                         << "DEM" << true << "1.234,57";
        QTest::newRow("kernel text ITL") << "de_DE"
                                         << "+000000000001235"
                                         << "ITL" << true << "1.235     ";
        QTest::newRow("empty text") << "de_DE"
                                    << ""
                                    << "DEM" << true << "0,00";
        QTest::newRow("english") << "en_US"
                                 << "+0000000001234.57"
                                 << "DEM" << true << "1,234.57";
        QTest::newRow("negative") << "de_DE"
                                  << "-0000000000012.30"
                                  << "EUR" << true << "-12,30";
        QTest::newRow("exponent") << "de_DE"
                                  << "1E+20"
                                  << "EUR" << true << "100.000.000.000.000.000.000,00";
        QTest::newRow("user text") << "de_DE"
                                   << "-1234,5"
                                   << "EUR" << false << "-1.234,50";
        QTest::newRow("not a number") << "de_DE"
                                      << "abc"
                                      << "EUR" << false << "0,00";
        QTest::newRow("unknown code has 2 decimals") << "en_US"
                                                     << "7"
                                                     << "XYZ" << false << "7.00";
    }
    void formatOutput() {
        QFETCH(QString, locale);
        QFETCH(QString, in);
        QFETCH(QString, code);
        QFETCH(bool, replace);
        QFETCH(QString, out);
        UseLocale(locale.toLatin1().constData());
        QString s = in;
        QCOMPARE(FormatOutput(s, code, replace), out);
    }

    void formatNumber_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("out");
        QTest::newRow("half away from zero") << 1.005 << 2 << "1,01";
        QTest::newRow("negative half") << -2.675 << 2 << "-2,68";
        QTest::newRow("carry into a new digit") << 999.999 << 2 << "1.000,00";
        QTest::newRow("negative zero has no sign") << -0.004 << 2 << "0,00";
        QTest::newRow("no decimals") << 1234567.5 << 0 << "1.234.568";
        QTest::newRow("rate with seven decimals") << 1.95583 << 7 << "1,9558300";
    }
    void formatNumber() {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, out);
        UseLocale("de_DE");
        QCOMPARE(FormatNumber(value, decimals), out);
    }

    void readNumberAndNumberText() {
        UseLocale("de_DE");
        bool ok = false;
        QCOMPARE(ReadNumber(QStringLiteral(" 1.234,5 "), &ok), 1234.5);
        QVERIFY(ok);
        QCOMPARE(ReadNumber(QStringLiteral("-0,25")), -0.25);
        QCOMPARE(ReadNumber(QStringLiteral("1,2,3"), &ok), 0.0);
        QVERIFY(!ok);
        QCOMPARE(ReadNumber(QStringLiteral("12abc"), &ok), 0.0);
        QVERIFY(!ok);
        QCOMPARE(ReadNumber(QString()), 0.0);
        QCOMPARE(NumberText(12.5), QStringLiteral("12,5"));
        QCOMPARE(NumberText(1e20), QStringLiteral("1E+20"));
        QCOMPARE(NumberText(0.1 + 0.2), QStringLiteral("0,3"));
        // Every default number text reads back as its value.
        for (double d : {0.0, -3.25, 1234567.891, 1e20, 1.6, 1e-7})
            QCOMPARE(ReadNumber(NumberText(d)),
                     std::stod(QString::number(d, 'g', 15).toStdString()));
        UseLocale("en_US");
        QCOMPARE(ReadNumber(QStringLiteral("1,234.5")), 1234.5);
        QCOMPARE(NumberText(-0.5), QStringLiteral("-0.5"));
        QCOMPARE(DotToDecimalSymbol(QStringLiteral("+1.5")), QStringLiteral("+1.5"));
        UseLocale("de_DE");
        QCOMPARE(DotToDecimalSymbol(QStringLiteral("+1.5")), QStringLiteral("+1,5"));
    }

    void errorTexts() {
        bGerman = true;
        InitError();
        QCOMPARE(asErrorText.size(), 34);
        QCOMPARE(GetErrorText(400),
                 QStringLiteral("Versions-Nummer im SB ist Blank oder ungueltig"));
        QCOMPARE(GetErrorText(462), QStringLiteral("Unzulässige ISO-Code-Kombination"));
        QCOMPARE(GetErrorText(489), QStringLiteral("Waehrungsdatei nicht gefunden"));
        QCOMPARE(GetErrorText(527), QStringLiteral("GTag nicht groesser 0"));
        QCOMPARE(GetErrorText(999), QStringLiteral("Unbekannter Fehler: 999"));
        // Every entry is found again by its own number.
        for (const QString& s : asErrorText)
            QCOMPARE(GetErrorText(s.left(3).toLong()), s.mid(4));
        const QStringList german = asErrorText;

        bGerman = false;
        InitError();
        QCOMPARE(asErrorText.size(), 34);
        const QList<int> replaced{3, 9, 12, 13, 14, 16, 20, 23, 25};
        for (int i = 0; i < 34; ++i) {
            QCOMPARE(asErrorText[i].left(4), german[i].left(4));
            QCOMPARE(asErrorText[i] != german[i], replaced.contains(i));
        }
        QCOMPARE(GetErrorText(462), QStringLiteral("Non-permissible ISO-Code combination"));
        QCOMPARE(GetErrorText(463), QStringLiteral("No rate/Amount overflow"));
        QCOMPARE(GetErrorText(489), QStringLiteral("Currency file not found"));
        QCOMPARE(GetErrorText(444), QStringLiteral("Speicherfehler"));
        QCOMPARE(GetErrorText(999), QStringLiteral("Unbekannter Fehler: 999"));
        bGerman = true;
    }

    void currencyList() {
        CCurrencyList l;
        for (int i = 0; i < 3; ++i) {
            CCurrency c;
            c.setIndex(static_cast<int16_t>(i));
            c.setISOCode(i == 2 ? QStringLiteral("GBP") : QStringLiteral("C%1").arg(i));
            c.setNKS(i == 1 ? 0 : 2);
            c.setTNL(i + 1);
            l.Add(c);
        }
        CCurrency dup;
        dup.setIndex(3);
        dup.setISOCode(QStringLiteral("GBP"));
        l.Add(dup);
        UseLocale("de_DE");
        QCOMPARE(l.Index(QStringLiteral("GBP")), 2); // the first one with the code
        QCOMPARE(l.Index(QStringLiteral("XXX")), -1);
        QCOMPARE(l.NKS(1), 0);
        QCOMPARE(l.TNL(2), 3);
        QVERIFY(!l.StoredInRegistry(QStringLiteral("GBP")));
        l.SetKurs(QStringLiteral("GBP"), QStringLiteral("0,7"));
        QVERIFY(l.StoredInRegistry(QStringLiteral("GBP")));
        QCOMPARE(l.KursValue(2), 0.7);
        QCOMPARE(l.Kurs(2), QStringLiteral("0,7"));
        QCOMPARE(l.KursValue(3), 0.0);
        l.SetKurs(QStringLiteral("XXX"), QStringLiteral("5")); // nothing happens
        QCOMPARE(l.Count(), 4);
    }
};

QTEST_GUILESS_MAIN(TestNumberTexts)
#include "test_numbertexts.moc"
