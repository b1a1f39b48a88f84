// SPDX-License-Identifier: Apache-2.0
// The main window offscreen: keypad and keyboard, conversions through the bridge,
// currency lines, list-selection rule, clipboard, memory, settings, missing bridge.
#include "CCurrencyList.h"
#include "Compute.h"
#include "MainModule.h"
#include "frmMainForm.h"
#include "general.h"
#include "testenv.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {
frmMainForm* F() {
    return MainForm();
}
QString Input() {
    return F()->txtEingabe->text();
}
QString Result() {
    return F()->txtAusgabe->text();
}
QString Error() {
    return F()->lblError->text();
}
QString Line(int i) {
    return F()->lblBetrag[i]->text().trimmed();
}
QWidget* KeyTarget() {
    return F()->cmdBtnArray[16];
}

// Types keys as the user does: digits, the decimal symbol, + - * / and = as characters,
// "E" for Enter, "C" for Esc, "B" for Backspace.
void Type(const QString& keys) {
    for (QChar c : keys) {
        if (c == QLatin1Char('E'))
            QTest::keyClick(KeyTarget(), Qt::Key_Return);
        else if (c == QLatin1Char('C'))
            QTest::keyClick(KeyTarget(), Qt::Key_Escape);
        else if (c == QLatin1Char('B'))
            QTest::keyClick(KeyTarget(), Qt::Key_Backspace);
        else
            QTest::keyClick(KeyTarget(), c.toLatin1());
    }
}

void Choose(int nList, int nPos) {
    QComboBox* c = nList == 1 ? F()->cboWaehrung1 : F()->cboWaehrung2;
    c->setCurrentIndex(nPos);
    F()->CurrencyChosen(nList);
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;

    // Start-up as Main does it, in the given locale, with the given command line.
    void Start(const char* locale, const QString& sCommandLine = QString()) {
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        QVERIFY(StartUp(sCommandLine));
        StartMainWindow();
        F()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(F()));
    }

  private slots:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() {
        DestroyMainForm();
        env.reset();
    }

    void startPreselectsDemAndEur() {
        Start("de_DE");
        QVERIFY(bGerman);
        QCOMPARE(F()->cboWaehrung1->count(), 16);
        QCOMPARE(F()->cboWaehrung1->currentText(), QStringLiteral("DEM"));
        QCOMPARE(F()->cboWaehrung2->currentText(), QStringLiteral("EUR"));
        QCOMPARE(Input(), QStringLiteral("0,00"));
        QCOMPARE(Result(), QStringLiteral("0,00"));
        QCOMPARE(GetSetting("Currencies", "UseWaehdat"), QStringLiteral("0"));
        // Participating national currencies are coloured, the euro and GBP are not.
        const QColor yellow(255, 255, 128);
        QCOMPARE(F()->lblBetrag[3]->palette().color(QPalette::Base), yellow);
        QCOMPARE(F()->lblWaehrung[8]->palette().color(QPalette::Base), yellow);
        QVERIFY(F()->lblBetrag[0]->palette().color(QPalette::Base) != yellow);
        QVERIFY(F()->lblBetrag[13]->palette().color(QPalette::Base) != yellow);
        QCOMPARE(F()->lblWaehrung[3]->text(), QStringLiteral("DEM"));
        QCOMPARE(F()->lblBetrag[3]->toolTip(), QStringLiteral("Deutsche Mark"));
        // Qt adds the application's name to the title.
        QCOMPARE(F()->windowTitle(), QStringLiteral("Währungsrechner"));
        QVERIFY(env->messages.isEmpty());
    }

    // Amounts up to the kernel's 13 integer digits are shown whole: the font shrinks.
    void largeAmountsShownWhole_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("result");
        QTest::newRow("german") << "de_DE"
                                << "1.234.567.890.123,00"
                                << "631.224.539.005,44";
        QTest::newRow("english") << "en_US"
                                 << "1,234,567,890,123.00"
                                 << "631,224,539,005.44";
    }
    void largeAmountsShownWhole() {
        QFETCH(QString, locale);
        QFETCH(QString, input);
        QFETCH(QString, result);
        Start(locale.toLatin1().constData());
        Type("1234567890123E");
        QCOMPARE(Input(), input);
        QCOMPARE(Result(), result);
        auto fits = [](QWidget* w, const QString& text) {
            return QFontMetrics(w->font()).horizontalAdvance(text) <= w->contentsRect().width();
        };
        QVERIFY(fits(F()->txtEingabe, Input()));
        QVERIFY(fits(F()->txtAusgabe, Result()));
        // Every line shows its whole amount or says why it has none (ITL overflows).
        for (int i = 0; i < 16; ++i) {
            QVERIFY2(fits(F()->lblBetrag[i], F()->lblBetrag[i]->text()),
                     qPrintable(F()->lblBetrag[i]->text()));
            QVERIFY(Line(i).isEmpty() != F()->LineReason(i).isEmpty());
        }
        QCOMPARE(Line(6).size(), 20); // francs: 4.140.... with 13 integer digits
        QCOMPARE(F()->LineReason(8), GetErrorText(463));
    }

    // A line without a value is empty and names the reason; its code stays.
    void lineWithoutRateNamesReason() {
        Start("de_DE");
        Type("100E");
        QCOMPARE(Line(13), QString());
        QCOMPARE(F()->lblWaehrung[13]->text(), QStringLiteral("GBP"));
        QCOMPARE(F()->LineReason(13), QStringLiteral("Kein Kurs für GBP eingetragen"));
        QVERIFY(F()->lblBetrag[13]->toolTip().endsWith(F()->LineReason(13)));
        QCOMPARE(F()->LineReason(3), QString());
    }

    // Qt's own buttons and a missing help page speak the language of the run.
    void languageOfQtTextsAndHelpMessages_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("yes");
        QTest::addColumn<QString>("notFound");
        QTest::newRow("german") << ""
                                << "&Ja"
                                << "Hilfeseite nicht gefunden: ";
        QTest::newRow("english") << "ENGLISH"
                                 << "&Yes"
                                 << "Help page not found: ";
    }
    void languageOfQtTextsAndHelpMessages() {
        QFETCH(QString, commandLine);
        QFETCH(QString, yes);
        QFETCH(QString, notFound);
        Start("de_DE", commandLine);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), yes);
        ShowHelpFile(QStringLiteral("no-such-page.htm"));
        QCOMPARE(env->messages.size(), 1);
        QCOMPARE(env->messages[0], notFound + HelpDirectory() + "/no-such-page.htm");
    }

    // Tab and Shift+Tab reach every control once, in opposite orders.
    void tabReachesEveryControl() {
        Start("de_DE");
        QWidget* start = QApplication::focusWidget();
        QCOMPARE(start, KeyTarget());
        auto walk = [&](Qt::Key key) {
            QList<QWidget*> seen;
            for (int n = 0; n < 100; ++n) {
                QTest::keyClick(QApplication::focusWidget(), key);
                QWidget* w = QApplication::focusWidget();
                if (w == start)
                    break;
                seen << w;
            }
            return seen;
        };
        const QList<QWidget*> forward = walk(Qt::Key_Tab);
        QList<QWidget*> expected{F()->cboWaehrung1, F()->cboWaehrung2, F()->cmdClipPaste,
                                 F()->cmdClipCopy, F()->txtAusgabe};
        for (QPushButton* b : F()->cmdBtnArray)
            if (b != KeyTarget())
                expected << b;
        for (QLabel* l : F()->lblBetrag)
            expected << l;
        // A disabled clipboard button (nothing to paste or copy) is skipped.
        expected.removeIf([](QWidget* x) { return !x->isEnabled(); });
        QCOMPARE(forward.size(), expected.size());
        for (QWidget* w : expected)
            QVERIFY2(forward.contains(w), qPrintable(w->objectName()));
        QList<QWidget*> backward = walk(Qt::Key_Backtab);
        std::reverse(backward.begin(), backward.end());
        QCOMPARE(backward, forward);
        for (QWidget* w : expected)
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }

    // From the start to a converted amount by keyboard only: Tab to the target list,
    // a name typed, digits, Enter; a line's reason by Tab.
    void keyboardOnlyConversion() {
        Start("de_DE");
        QTest::keyClick(KeyTarget(), Qt::Key_Tab); // result
        QWidget* w = QApplication::focusWidget();
        while (w != F()->cboWaehrung2) {
            QTest::keyClick(w, Qt::Key_Tab);
            w = QApplication::focusWidget();
        }
        QTest::keyClicks(w, "Lire"); // by name: Italienische Lire
        QCOMPARE(F()->cboWaehrung2->currentText(), QStringLiteral("ITL"));
        QCOMPARE(QApplication::focusWidget(), F()->cboWaehrung2);
        QTest::keyClick(w, Qt::Key_Up); // IEP, then back by code
        QCOMPARE(F()->cboWaehrung2->currentText(), QStringLiteral("IEP"));
        QTest::qWait(1100); // a new search
        QTest::keyClicks(w, "it");
        QCOMPARE(F()->cboWaehrung2->currentText(), QStringLiteral("ITL"));
        QTest::keyClicks(w, "100"); // digits go to the keypad, the focus back to "="
        QCOMPARE(QApplication::focusWidget(), KeyTarget());
        QTest::keyClick(KeyTarget(), Qt::Key_Return);
        QCOMPARE(Result(), QStringLiteral("99.000"));
        // Tab to the GBP line: its reason shows in the error line.
        w = QApplication::focusWidget();
        while (w != F()->lblBetrag[13]) {
            QTest::keyClick(w, Qt::Key_Tab);
            w = QApplication::focusWidget();
        }
        QCOMPARE(Error(), QStringLiteral("GBP: Kein Kurs für GBP eingetragen"));
        QCOMPARE(F()->lblBetrag[13]->accessibleName(),
                 QStringLiteral("Britisches Pfund: Kein Kurs für GBP eingetragen"));
        QTest::keyClick(w, Qt::Key_Escape); // the C key
        QCOMPARE(Input(), QStringLiteral("0,00"));
    }

    void convertDemToEur_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("dem");
        QTest::newRow("german") << "de_DE"
                                << "51,13"
                                << "100,00";
        QTest::newRow("english") << "en_US"
                                 << "51.13"
                                 << "100.00";
    }
    void convertDemToEur() {
        QFETCH(QString, locale);
        QFETCH(QString, result);
        QFETCH(QString, dem);
        Start(locale.toLatin1().constData());
        Type("100E");
        QCOMPARE(Result(), result);
        QCOMPARE(Line(0), result);
        QCOMPARE(Line(3), dem);
        QCOMPARE(Error(), QString());
        QCOMPARE(F()->lblWaehrung[0]->text(), QStringLiteral("EUR"));
        QCOMPARE(F()->lblBetrag[0]->toolTip(), QStringLiteral("Euro"));
        QCOMPARE(F()->lblBetrag[0]->accessibleName(), result + QStringLiteral(" Euro"));
        QCOMPARE(F()->lblBetrag[3]->toolTip(),
                 bGerman ? QStringLiteral("Deutsche Mark") : QStringLiteral("German Mark"));
        // Currencies without decimals show whole units followed by five blanks.
        QVERIFY(F()->lblBetrag[8]->indent() > F()->lblBetrag[3]->indent());
        QCOMPARE(F()->lblBetrag[8]->text().trimmed(), bGerman ? "99.000" : "99,000");
    }

    void sourceLineShowsTypedAmount() {
        Start("de_DE");
        Choose(1, 8); // ITL to EUR
        Type("100E");
        QCOMPARE(Result(), QStringLiteral("0,05"));
        QCOMPARE(Line(8), QStringLiteral("100")); // not the round trip through the euro
        QCOMPARE(Line(3), QStringLiteral("0,10"));
    }

    void englishByCommandLine() {
        Start("de_DE", "x-english-y");
        QVERIFY(!bGerman);
        QCOMPARE(sDecimalSymbol, QStringLiteral(",")); // symbols stay the user's
        QCOMPARE(F()->lblBetrag[3]->toolTip(), QStringLiteral("German Mark"));
        QCOMPARE(F()->cmdClipCopy->toolTip(), QStringLiteral("Copy (Ctrl-C)"));
    }

    void engineSequences_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("error"); // the error line afterwards
        QTest::newRow("second decimal symbol dropped") << "12,5,7"
                                                       << "12,57"
                                                       << "";
        QTest::newRow("decimal symbol first after equals refused") << "5E,3"
                                                                   << "3"
                                                                   << "Erst eine Ziffer, z. B. 0,";
        QTest::newRow("point refused in german") << "1.5"
                                                 << "15"
                                                 << "Das Dezimalzeichen ist \",\"";
        QTest::newRow("division by zero skipped") << "8/0E"
                                                  << "8,00"
                                                  << "";
        QTest::newRow("addition") << "12+3E"
                                  << "15,00"
                                  << "";
        QTest::newRow("operator twice") << "5++E"
                                        << "15,00"
                                        << "";
        QTest::newRow("subtraction below zero") << "9-12E"
                                                << "-3,00"
                                                << "";
        QTest::newRow("multiplication") << "2,5*4E"
                                        << "10,00"
                                        << "";
        QTest::newRow("division by a negative number") << "0-4E" // -4 on the display
                                                       << "-4,00"
                                                       << "";
        QTest::newRow("equals after equals keeps the value") << "7*3EE"
                                                             << "21,00"
                                                             << "";
        QTest::newRow("backspace") << "123B"
                                   << "12"
                                   << "";
        QTest::newRow("backspace on empty display") << "1BBB"
                                                    << ""
                                                    << "";
        QTest::newRow("escape clears") << "123C"
                                       << "0,00"
                                       << "";
        QTest::newRow("equals character calculates") << "6*7="
                                                     << "42,00"
                                                     << "";
        QTest::newRow("grouped result") << "1234*1000E"
                                        << "1.234.000,00"
                                        << "";
    }
    void engineSequences() {
        QFETCH(QString, keys);
        QFETCH(QString, input);
        QFETCH(QString, error);
        Start("de_DE");
        Type(keys);
        QCOMPARE(Input(), input);
        QCOMPARE(Error(), error);
    }

    void divisionByNegativeDivides() {
        Start("de_DE");
        Type("0-4E"); // display -4,00, running value -4
        Type("/");
        Type("8E"); // -4 / 8
        QCOMPARE(Input(), QStringLiteral("-0,50"));
        Type("12/");
        F()->SetInputText("-3"); // a negative divisor on the display
        Type("E");
        QCOMPARE(Input(), QStringLiteral("-4,00"));
    }

    void rightClickOnBackgroundCalculates() {
        Start("de_DE");
        Type("12+3");
        QTest::mouseClick(F(), Qt::RightButton, {}, QPoint(5, 70)); // between the fields
        QCOMPARE(Input(), QStringLiteral("15,00"));
        QCOMPARE(Result(), QStringLiteral("7,67"));
    }

    void numericPadAndButtons() {
        Start("de_DE");
        QTest::keyClick(KeyTarget(), Qt::Key_4, Qt::KeypadModifier);
        QTest::keyClick(KeyTarget(), Qt::Key_Comma, Qt::KeypadModifier);
        QTest::keyClick(KeyTarget(), Qt::Key_5, Qt::KeypadModifier);
        QCOMPARE(Input(), QStringLiteral("4,5"));
        QTest::mouseClick(F()->cmdBtnArray[14], Qt::LeftButton); // *
        QTest::mouseClick(F()->cmdBtnArray[2], Qt::LeftButton);
        QTest::mouseClick(F()->cmdBtnArray[16], Qt::LeftButton); // =
        QCOMPARE(Input(), QStringLiteral("9,00"));
        QCOMPARE(F()->cmdBtnArray[11]->text(), QStringLiteral(","));
        QCOMPARE(QApplication::focusWidget(), KeyTarget());
    }

    void memoryKeys() {
        Start("de_DE");
        QFont f = F()->cmdBtnArray[21]->font();
        QVERIFY(!f.bold());
        QCOMPARE(f.pointSize(), 10);
        Type("5");
        F()->ClickButton(19); // M+
        Type("3");
        F()->ClickButton(19); // M+
        QCOMPARE(F()->Memory(), 8.0);
        f = F()->cmdBtnArray[21]->font();
        QVERIFY(f.bold());
        QCOMPARE(f.pointSize(), 9);
        QCOMPARE(F()->cmdBtnArray[19]->toolTip(), QStringLiteral("M= 8,00"));
        F()->ClickButton(21); // MR
        QCOMPARE(Input(), QStringLiteral("8,00"));
        QCOMPARE(Result(), QStringLiteral("4,09"));
        Type("2");
        F()->ClickButton(20); // M-
        QCOMPARE(F()->Memory(), 6.0);
        F()->ClickButton(17); // clear keeps the memory
        QCOMPARE(F()->Memory(), 6.0);
        F()->ClickButton(22); // MC
        QCOMPARE(F()->Memory(), 0.0);
        QVERIFY(!F()->cmdBtnArray[21]->font().bold());
        QCOMPARE(F()->cmdBtnArray[22]->toolTip(), QStringLiteral("M= 0,00"));
    }

    void listSelectionRule() {
        Start("de_DE");
        Choose(2, 3); // DEM as target while DEM is the source
        QCOMPARE(F()->cboWaehrung1->currentIndex(), 0);
        QCOMPARE(F()->cboWaehrung2->currentIndex(), 3);
        Choose(1, 3); // DEM as source while DEM is the target
        QCOMPARE(F()->cboWaehrung2->currentIndex(), 0);
        Choose(2, 3);
        Choose(1, 0); // EUR as source while EUR... target is DEM: allowed
        QCOMPARE(F()->cboWaehrung2->currentIndex(), 3);
        Choose(2, 0); // EUR in both: the source moves to DEM
        QCOMPARE(F()->cboWaehrung1->currentIndex(), 3);
        Choose(1, 13);
        Choose(2, 13); // GBP in both is allowed
        QCOMPARE(F()->cboWaehrung1->currentText(), QStringLiteral("GBP"));
        QCOMPARE(F()->cboWaehrung2->currentText(), QStringLiteral("GBP"));
    }

    void pasteAndCopy_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifier");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("error");
        QTest::newRow("sign, grouping and letters")
            << "de_DE"
            << "EUR -1.234,50 abc" << int(Qt::Key_V) << int(Qt::ControlModifier) << "-1.234,50"
            << "";
        QTest::newRow("point refused in german")
            << "de_DE"
            << "1234.56" << int(Qt::Key_Insert) << int(Qt::ShiftModifier) << "0,00"
            << "Kein eindeutiger Betrag (Dezimalzeichen \",\")";
        QTest::newRow("english") << "en_US"
                                 << "USD 1,234.56" << int(Qt::Key_V) << int(Qt::ControlModifier)
                                 << "1,234.56"
                                 << "";
        QTest::newRow("second number refused")
            << "de_DE"
            << "12-3" << int(Qt::Key_V) << int(Qt::ControlModifier) << "0,00"
            << "Kein eindeutiger Betrag (Dezimalzeichen \",\")";
        QTest::newRow("no digits changes nothing")
            << "de_DE"
            << "abc -" << int(Qt::Key_V) << int(Qt::ControlModifier) << "0,00"
            << "Kein Betrag in der Zwischenablage";
    }
    void pasteAndCopy() {
        QFETCH(QString, locale);
        QFETCH(QString, clip);
        QFETCH(int, key);
        QFETCH(int, modifier);
        QFETCH(QString, input);
        QFETCH(QString, error);
        Start(locale.toLatin1().constData());
        QGuiApplication::clipboard()->setText(clip);
        QTest::keyClick(KeyTarget(), Qt::Key(key), Qt::KeyboardModifiers(modifier));
        QCOMPARE(Input(), input);
        QCOMPARE(Error(), error);
    }

    void clipboardButtons() {
        Start("de_DE");
        QVERIFY(!F()->cmdClipCopy->isEnabled()); // 0,00 cannot be copied
        Type("100E");
        QVERIFY(F()->cmdClipCopy->isEnabled());
        QTest::keyClick(KeyTarget(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("51,13"));
        QVERIFY(F()->cmdClipPaste->isEnabled());
        QCOMPARE(F()->cmdClipPaste->toolTip(), QStringLiteral("Einfügen (Strg-V): 51,13"));
        QCOMPARE(F()->cmdClipCopy->toolTip(), QStringLiteral("Kopieren (Strg-C)"));
        QGuiApplication::clipboard()->setText("abc");
        Type("1E"); // any key updates the buttons
        QVERIFY(!F()->cmdClipPaste->isEnabled());
        QCOMPARE(F()->cmdClipPaste->toolTip(), QStringLiteral("Einfügen (Strg-V)"));
        Type("200E");
        QTest::keyClick(KeyTarget(), Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("102,26"));
        Type("C");
        QVERIFY(!F()->cmdClipCopy->isEnabled());
    }

    void refusedPairShowsErrorLine_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("german") << "de_DE"
                                << "Unzulässige ISO-Code-Kombination";
        QTest::newRow("english") << "en_US"
                                 << "Non-permissible ISO-Code combination";
    }
    void refusedPairShowsErrorLine() {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        Start(locale.toLatin1().constData());
        Type("100E");
        // EUR to EUR: neither U1 nor U3 converts it.
        F()->cboWaehrung1->setCurrentIndex(0);
        F()->cboWaehrung2->setCurrentIndex(0);
        F()->Calculate();
        QCOMPARE(Result(), QString());
        QCOMPARE(Error(), text);
    }

    void additionalCurrencyConvertsThroughU2() {
        QLocale::setDefault(QLocale("de_DE"));
        SaveSetting("Currencies", "Count", "1");
        SaveSetting("Currencies", "Currency1", "CHF");
        SaveSetting("Currencies", "LongName1", "");
        SaveSetting("Currencies", "Value1", "1D6");
        SaveSetting("Currencies", "NKS1", "2");
        Start("de_DE");
        QCOMPARE(F()->cboWaehrung1->count(), 17);
        QCOMPARE(F()->cboWaehrung1->itemText(16), QStringLiteral("CHF"));
        QCOMPARE(F()->cboWaehrung2->itemText(16), QStringLiteral("CHF"));
        QCOMPARE(oCurrencyList.KursValue(16), 1.6);
        Choose(1, 0);
        Choose(2, 16);
        Type("100E");
        QCOMPARE(Result(), QStringLiteral("160,00"));
        QCOMPARE(Error(), QString());
        // The other way round, and from a national currency through the euro (U4).
        Choose(1, 16);
        Choose(2, 0);
        Type("160E");
        QCOMPARE(Result(), QStringLiteral("100,00"));
        QCOMPARE(Line(3), QStringLiteral("195,58"));
    }

    void storedParticipatingCurrencyRemovedAtStart() {
        SaveSetting("Currencies", "Count", "2");
        SaveSetting("Currencies", "Currency1", "DEM");
        SaveSetting("Currencies", "Value1", "2");
        SaveSetting("Currencies", "NKS1", "2");
        SaveSetting("Currencies", "Currency2", "CHF");
        SaveSetting("Currencies", "Value2", "1D6");
        SaveSetting("Currencies", "NKS2", "2");
        Start("de_DE");
        QCOMPARE(env->messages.size(), 1);
        QVERIFY(env->messages[0].startsWith("DEM ist der ISO-Code"));
        QCOMPARE(GetSetting("Currencies", "Count"), QStringLiteral("1"));
        QCOMPARE(GetSetting("Currencies", "Currency1"), QStringLiteral("CHF"));
        QCOMPARE(F()->cboWaehrung1->count(), 17);
    }

    void rateFileSwitch() {
        Start("de_DE");
        SaveSetting("Currencies", "UseWaehdat", "1");
        Choose(2, 13); // DEM to GBP, no rate file
        Type("100E");
        QCOMPARE(Result(), QString());
        QCOMPARE(Error(), QStringLiteral("Waehrungsdatei nicht gefunden"));
        // Fixed-rate lines still convert; GBP's line stays empty.
        QCOMPARE(Line(0), QStringLiteral("51,13"));
        QCOMPARE(Line(13), QString());
        // Configured rates: GBP has none (0), so GBP to DEM has no rate.
        SaveSetting("Currencies", "UseWaehdat", "0");
        Choose(1, 13);
        Choose(2, 3);
        Type("100E");
        QCOMPARE(Result(), QString());
        QCOMPARE(Error(), QStringLiteral("Kein Kurs für GBP eingetragen"));
        // The 14th digit is refused; the missing rate is named, not formatted as zero.
        Choose(1, 0);
        Choose(2, 13);
        Type("99999999999999");
        QCOMPARE(Error(), QStringLiteral("Höchstens 13 Stellen vor dem Komma"));
        Type("E");
        QCOMPARE(Input(), QStringLiteral("9.999.999.999.999,00"));
        QCOMPARE(Result(), QString());
        QCOMPARE(Error(), QStringLiteral("Kein Kurs für GBP eingetragen"));
    }

    void missingBridge() {
        SetBridgeLibraryPath(env->Path() + "/lib/libTarvon32.so");
        Start("de_DE");
        QCOMPARE(env->messages.size(), 1);
        QVERIFY(env->messages[0].contains(env->Path() + "/lib/libTarvon32.so"));
        Type("100E");
        QCOMPARE(Result(), QString());
        QCOMPARE(Error(), QStringLiteral("Umrechnungsbibliothek nicht geladen: libTarvon32.so.1"));
        for (int i = 0; i < 16; ++i)
            QCOMPARE(Line(i), QString());
        QCOMPARE(env->messages.size(), 1); // said once
    }

    void debugLogLinesInOrder() {
        Start("de_DE", "/debug");
        DestroyMainForm();
        oDebug.reset();
        QFile f(StateDirectory() + "/Devisio.log");
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        const QStringList expected{"Start in Main(), calling InitError()...",
                                   "Language=",
                                   "Current workingdir=",
                                   "Calling InitWaehrung()...",
                                   "Inside IniWaehrung()..",
                                   "Calling ReadRegistry()...",
                                   "Inside ReadRegistry()..",
                                   "Returned from ReadRegistry()",
                                   "MainForm.Show()...",
                                   "CDebug Class_Terminate()"};
        int n = 0;
        for (const QString& l : lines)
            if (n < expected.size() && l.contains(": " + expected[n]))
                ++n;
        QCOMPARE(n, expected.size());
        QVERIFY(lines.filter("Language=Germany LocaleID=00000407").size() == 1);
    }

    void noLogWithoutDebug() {
        Start("de_DE");
        DestroyMainForm();
        oDebug.reset();
        QVERIFY(!QFile::exists(StateDirectory() + "/Devisio.log"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
