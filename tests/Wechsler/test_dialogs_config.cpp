// SPDX-License-Identifier: Apache-2.0
// Tests of the currency configuration dialog: input rules, add / change / delete, saving.
#include "test_dialogs_support.h"

#include "frmInfo.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QLabel>
#include <QtTest>

using namespace dlgtest;

namespace {

QString Cell(const frmConfig& dlg, int row, int col) {
    const QTableWidgetItem* it = dlg.grdCurrency->item(row, col);
    return it ? it->text() : QString();
}

void Type(QLineEdit* e, const QString& s) {
    e->setFocus();
    QTest::keyClicks(e, s);
}

void ClickCell(frmConfig& dlg, int row) {
    dlg.grdCurrency->setCurrentCell(row, 0);
    QTest::keyClick(dlg.grdCurrency, Qt::Key_Space);
}

void StoreCurrencies(const QList<StoredCurrency>& list) {
    SaveAdditionalCurrencies(list);
    InitWaehrung();
}

} // namespace

class TestConfigDialog : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        ClearStore();
        StartCalculator(true);
    }

    void currencyInputRules_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("lower case becomes upper case") << "chf"
                                                       << "CHF";
        QTest::newRow("fourth letter refused") << "chfx"
                                               << "CHF";
        QTest::newRow("leading digit refused") << "1CH"
                                               << "CH";
        QTest::newRow("digit after a letter") << "X1Y"
                                              << "X1Y";
        QTest::newRow("punctuation refused") << "U-S.D"
                                             << "USD";
    }
    void currencyInputRules() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        frmConfig dlg;
        Type(dlg.txtCurrency, typed);
        QCOMPARE(dlg.txtCurrency->text(), shown);
    }

    void currencySelectedTextIsReplaced() {
        frmConfig dlg;
        Type(dlg.txtCurrency, "CHF");
        dlg.txtCurrency->selectAll();
        QTest::keyClicks(dlg.txtCurrency, "u");
        QCOMPARE(dlg.txtCurrency->text(), QStringLiteral("U"));
    }

    // A refused character is told in the hint line (the last refusal stays).
    void rateInputRules_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("hint");
        const QString digits = "Ein Kurs hat höchstens 4 Stellen vor und 7 nach dem Komma";
        QTest::newRow("fifth integer digit refused") << "12345"
                                                     << "1234" << digits;
        QTest::newRow("eighth decimal refused") << "12345,123456789"
                                                << "1234,1234567" << digits;
        QTest::newRow("second decimal symbol refused") << "1,2,3"
                                                       << "1,23"
                                                       << "Nur ein Dezimalzeichen";
        QTest::newRow("point refused as decimal") << "1.5"
                                                  << "15"
                                                  << "Das Dezimalzeichen ist \",\"";
        QTest::newRow("letters refused") << "1a2b,5"
                                         << "12,5"
                                         << "Nur Ziffern und das Dezimalzeichen";
        QTest::newRow("leading decimal symbol") << ",5"
                                                << ",5"
                                                << "";
    }
    void rateInputRules() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, hint);
        frmConfig dlg;
        Type(dlg.txtXchgRate, typed);
        QCOMPARE(dlg.txtXchgRate->text(), shown);
        QCOMPARE(dlg.lblHint->text(), hint);
    }

    void rateDigitInFrontOfDecimalSymbol() {
        frmConfig dlg;
        Type(dlg.txtXchgRate, "1234,5");
        dlg.txtXchgRate->setCursorPosition(0);
        QTest::keyClicks(dlg.txtXchgRate, "9");
        QCOMPARE(dlg.txtXchgRate->text(), QStringLiteral("1234,5"));
        dlg.txtXchgRate->setCursorPosition(1);
        QTest::keyClick(dlg.txtXchgRate, Qt::Key_Backspace);
        QTest::keyClicks(dlg.txtXchgRate, "9");
        QCOMPARE(dlg.txtXchgRate->text(), QStringLiteral("9234,5"));
    }

    void addParticipatingCurrencyShowsFixedRateMessage() {
        frmConfig dlg;
        Type(dlg.txtCurrency, "dem");
        Type(dlg.txtXchgRate, "2");
        QVERIFY(dlg.cmdAdd->isEnabled());
        QTest::mouseClick(dlg.cmdAdd, Qt::LeftButton);
        QCOMPARE(
            Messages(),
            QStringList{"Der Kurs für Deutsche Mark ist fixiert und kann nicht geändert werden!"});
        QCOMPARE(Cell(dlg, 0, 0), QString());
        QCOMPARE(dlg.grdCurrency->rowCount(), 1);
    }

    void addBuiltInCurrencyTakesItsDecimals() {
        frmConfig dlg;
        dlg.optNoNKS->setChecked(true);
        Type(dlg.txtCurrency, "GBP");
        Type(dlg.txtXchgRate, "0,6");
        QTest::mouseClick(dlg.cmdAdd, Qt::LeftButton);
        QCOMPARE(Cell(dlg, 0, 0), QStringLiteral("GBP"));
        QCOMPARE(Cell(dlg, 0, 1), QStringLiteral("0,6000000"));
        QCOMPARE(Cell(dlg, 0, 2), QStringLiteral("2"));
        QVERIFY(Messages().isEmpty());
    }

    void addNewCurrencyTakesOptionButtons() {
        frmConfig dlg;
        dlg.show(); // Enter reaches the default button of a visible dialog
        Type(dlg.txtCurrency, "CHF");
        Type(dlg.txtXchgRate, "1,6");
        QTest::mouseClick(dlg.cmdAdd, Qt::LeftButton);
        Type(dlg.txtCurrency, "JPY");
        dlg.optNoNKS->setChecked(true);
        Type(dlg.txtXchgRate, "1234,5");
        QTest::keyClick(dlg.txtXchgRate, Qt::Key_Return); // Enter: the default button (Add)
        QCOMPARE(dlg.grdCurrency->rowCount(), 2);
        QCOMPARE(Cell(dlg, 0, 2), QStringLiteral("  2"));
        QCOMPARE(Cell(dlg, 1, 0), QStringLiteral("JPY"));
        QCOMPARE(Cell(dlg, 1, 1), QStringLiteral("1.234,5000000"));
        QCOMPARE(Cell(dlg, 1, 2), QStringLiteral("  0"));
        // Input and selection are reset after adding.
        QCOMPARE(dlg.txtCurrency->text(), QString());
        QVERIFY(!dlg.cmdAdd->isEnabled());
    }

    void buttonsFollowTheInput_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<bool>("add");
        QTest::newRow("complete") << "USD"
                                  << "1,08" << true;
        QTest::newRow("code too short") << "US"
                                        << "1,08" << false;
        QTest::newRow("rate empty") << "USD"
                                    << "" << false;
        QTest::newRow("rate zero") << "USD"
                                   << "0" << false;
        QTest::newRow("code already in grid") << "CHF"
                                              << "2" << false;
    }
    void buttonsFollowTheInput() {
        QFETCH(QString, code);
        QFETCH(QString, rate);
        QFETCH(bool, add);
        StoreCurrencies({{"CHF", "1,6", 2}});
        frmConfig dlg;
        Type(dlg.txtCurrency, code);
        Type(dlg.txtXchgRate, rate);
        QCOMPARE(dlg.cmdAdd->isEnabled(), add);
        QVERIFY(!dlg.cmdChg->isEnabled());
        QCOMPARE(dlg.cmdAdd->isDefault(), add);
        QCOMPARE(dlg.cmdOK->isDefault(), !add);
    }

    void loadShowsStoredCurrencies() {
        StoreCurrencies({{"CHF", "1,6", 2}, {"JPY", "1.234,5678", 0}});
        frmConfig dlg;
        QCOMPARE(dlg.grdCurrency->rowCount(), 2);
        QCOMPARE(Cell(dlg, 0, 0), QStringLiteral("CHF"));
        QCOMPARE(Cell(dlg, 0, 1), QStringLiteral("1,6000000"));
        QCOMPARE(Cell(dlg, 0, 2), QStringLiteral("  2"));
        QCOMPARE(Cell(dlg, 1, 1), QStringLiteral("1.234,5678000"));
        QCOMPARE(Cell(dlg, 1, 2), QStringLiteral("  0"));
        QCOMPARE(dlg.grdCurrency->horizontalHeaderItem(1)->text(), QStringLiteral("Kurs: 1 EUR ="));
        QVERIFY(!dlg.cmdDel->isEnabled());
    }

    void gridClickSelectsAndChangeRewritesTheRow() {
        StoreCurrencies({{"CHF", "1,6", 2}, {"JPY", "1.234,5678", 0}});
        frmConfig dlg;
        ClickCell(dlg, 1);
        QCOMPARE(dlg.SelectedRow(), 2);
        QCOMPARE(dlg.txtCurrency->text(), QStringLiteral("JPY"));
        QCOMPARE(dlg.txtXchgRate->text(), QStringLiteral("1.234,5678"));
        QVERIFY(dlg.optNoNKS->isChecked());
        QVERIFY(dlg.cmdDel->isEnabled() && dlg.cmdChg->isEnabled() && !dlg.cmdAdd->isEnabled());
        // Typing on from the shown rate keeps the rules (grouping symbols are not counted).
        dlg.txtXchgRate->end(false);
        QTest::keyClicks(dlg.txtXchgRate, "9");
        QCOMPARE(dlg.txtXchgRate->text(), QStringLiteral("1.234,56789"));
        dlg.opt2NKS->setChecked(true);
        QTest::mouseClick(dlg.cmdChg, Qt::LeftButton);
        QCOMPARE(Cell(dlg, 1, 0), QStringLiteral("JPY"));
        QCOMPARE(Cell(dlg, 1, 1), QStringLiteral("1.234,5678900"));
        QCOMPARE(Cell(dlg, 1, 2), QStringLiteral("  2"));
        QCOMPARE(dlg.txtCurrency->text(), QString());
        // A click on the empty area of the grid clears the selection.
        ClickCell(dlg, -1);
        QCOMPARE(dlg.SelectedRow(), 0);
        QVERIFY(!dlg.cmdDel->isEnabled());
    }

    void changeToParticipatingCurrencyIsRefused() {
        StoreCurrencies({{"CHF", "1,6", 2}});
        frmConfig dlg;
        ClickCell(dlg, 0);
        dlg.txtCurrency->clear();
        Type(dlg.txtCurrency, "FRF");
        QVERIFY(dlg.cmdChg->isEnabled());
        QTest::mouseClick(dlg.cmdChg, Qt::LeftButton);
        QCOMPARE(Messages().size(), 1);
        QVERIFY(Messages().first().startsWith("Der Kurs für Französische Franken"));
        QCOMPARE(Cell(dlg, 0, 0), QStringLiteral("CHF"));
    }

    void deleteAsksAndKeepsOneRow() {
        StoreCurrencies({{"CHF", "1,6", 2}});
        frmConfig dlg;
        ClickCell(dlg, 0);
        NextAnswer() = false;
        QTest::mouseClick(dlg.cmdDel, Qt::LeftButton);
        QCOMPARE(Questions(),
                 QStringList{"Soll der selektierte Eintrag wirklich gelöscht werden?"});
        QCOMPARE(Cell(dlg, 0, 0), QStringLiteral("CHF"));
        ClickCell(dlg, 0);
        NextAnswer() = true;
        QTest::mouseClick(dlg.cmdDel, Qt::LeftButton);
        QCOMPARE(dlg.grdCurrency->rowCount(), 1);
        QCOMPARE(Cell(dlg, 0, 0), QString());
        QCOMPARE(dlg.SelectedRow(), 0);
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(Setting("Currencies", "Count"), QStringLiteral("0"));
        QCOMPARE(Setting("Currencies", "Currency1"), QStringLiteral("<absent>"));
        QCOMPARE(nLastCurrency, 15);
    }

    void deleteOneOfSeveralRows() {
        StoreCurrencies({{"CHF", "1,6", 2}, {"JPY", "160", 0}, {"USD", "1,08", 2}});
        frmConfig dlg;
        ClickCell(dlg, 1);
        QTest::mouseClick(dlg.cmdDel, Qt::LeftButton);
        QCOMPARE(dlg.grdCurrency->rowCount(), 2);
        QCOMPARE(Cell(dlg, 0, 0), QStringLiteral("CHF"));
        QCOMPARE(Cell(dlg, 1, 0), QStringLiteral("USD"));
    }

    void deleteASelectedRange() {
        StoreCurrencies(
            {{"CHF", "1,6", 2}, {"JPY", "160", 0}, {"USD", "1,08", 2}, {"NOK", "11", 2}});
        frmConfig dlg;
        ClickCell(dlg, 1);
        dlg.grdCurrency->setRangeSelected(QTableWidgetSelectionRange(1, 0, 2, 2), true);
        QTest::mouseClick(dlg.cmdDel, Qt::LeftButton);
        QCOMPARE(dlg.grdCurrency->rowCount(), 2);
        QCOMPARE(Cell(dlg, 0, 0), QStringLiteral("CHF"));
        QCOMPARE(Cell(dlg, 1, 0), QStringLiteral("NOK"));
        // Deleting every row leaves one empty row.
        ClickCell(dlg, 0);
        dlg.grdCurrency->setRangeSelected(QTableWidgetSelectionRange(0, 0, 1, 2), true);
        QTest::mouseClick(dlg.cmdDel, Qt::LeftButton);
        QCOMPARE(dlg.grdCurrency->rowCount(), 1);
        QCOMPARE(Cell(dlg, 0, 0), QString());
        Type(dlg.txtCurrency, "SEK");
        Type(dlg.txtXchgRate, "11,2");
        QTest::mouseClick(dlg.cmdAdd, Qt::LeftButton);
        QCOMPARE(dlg.grdCurrency->rowCount(), 1);
        QCOMPARE(Cell(dlg, 0, 0), QStringLiteral("SEK"));
    }

    void closeSavesAndRebuildsTheList() {
        frmConfig dlg;
        Type(dlg.txtCurrency, "CHF");
        Type(dlg.txtXchgRate, "1234,5678");
        QTest::mouseClick(dlg.cmdAdd, Qt::LeftButton);
        Type(dlg.txtCurrency, "GBP");
        Type(dlg.txtXchgRate, "0,6");
        QTest::mouseClick(dlg.cmdAdd, Qt::LeftButton);
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
        QCOMPARE(Setting("Currencies", "Count"), QStringLiteral("2"));
        QCOMPARE(Setting("Currencies", "Currency1"), QStringLiteral("CHF"));
        QCOMPARE(Setting("Currencies", "Value1"), QStringLiteral("1T234D5678000"));
        QCOMPARE(Setting("Currencies", "NKS1"), QStringLiteral("2"));
        QCOMPARE(Setting("Currencies", "Value2"), QStringLiteral("0D6000000"));
        QCOMPARE(nLastCurrency, 17);
        QCOMPARE(oCurrencyList.ISOCode(16), QStringLiteral("CHF"));
        QCOMPARE(oCurrencyList.KursValue(16), 1234.5678);
        QCOMPARE(oCurrencyList.KursValue(13), 0.6); // the built-in GBP takes the rate
        QCOMPARE(MainForm()->cboWaehrung1->currentIndex(), 3);
        QCOMPARE(MainForm()->cboWaehrung2->currentIndex(), 0);
    }

    // Schließen, Esc and the close box all keep what the list shows.
    void everyWayOutSaves_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Schließen") << "button";
        QTest::newRow("Esc") << "esc";
        QTest::newRow("close box") << "close";
    }
    void everyWayOutSaves() {
        QFETCH(QString, how);
        frmConfig dlg;
        dlg.show();
        Type(dlg.txtCurrency, "NOK");
        Type(dlg.txtXchgRate, "2");
        QTest::mouseClick(dlg.cmdAdd, Qt::LeftButton);
        if (how == "button")
            QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
        else if (how == "esc")
            QTest::keyClick(dlg.txtCurrency, Qt::Key_Escape);
        else
            dlg.close();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(Setting("Currencies", "Count"), QStringLiteral("1"));
        QCOMPARE(Setting("Currencies", "Currency1"), QStringLiteral("NOK"));
    }

    // From the grid by Tab to the fields; Enter adds, Esc closes and keeps the list.
    void keyboardOnlyAddsACurrency() {
        frmConfig dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        dlg.grdCurrency->setFocus();
        QTest::keyClick(dlg.grdCurrency, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dlg.txtCurrency);
        QTest::keyClicks(dlg.txtCurrency, "nok");
        QTest::keyClick(dlg.txtCurrency, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dlg.txtXchgRate);
        QTest::keyClicks(dlg.txtXchgRate, "9,5");
        QTest::keyClick(dlg.txtXchgRate, Qt::Key_Return);
        QTRY_COMPARE(Cell(dlg, 0, 0), QStringLiteral("NOK"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(Setting("Currencies", "Currency1"), QStringLiteral("NOK"));
        QCOMPARE(Setting("Currencies", "Value1"), QStringLiteral("9D5000000"));
    }

    // From the information dialog by keyboard only: a currency added reaches the calculator.
    void keyboardOnlyFromInfoDialog() {
        frmInfo info;
        info.show();
        QVERIFY(QTest::qWaitForWindowActive(&info));
        ModalWatcher watcher([](QWidget* w) {
            auto* dlg = qobject_cast<frmConfig*>(w);
            if (!dlg) {
                w->close();
                return;
            }
            [&] {
                QVERIFY(TabTo(dlg->txtCurrency));
                QTest::keyClicks(dlg->txtCurrency, "nok");
                QTest::keyClick(dlg->txtCurrency, Qt::Key_Tab);
                QTest::keyClicks(dlg->txtXchgRate, "9,5");
                QTest::keyClick(dlg->txtXchgRate, Qt::Key_Return); // Hinzufügen
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            }();
            if (dlg->isVisible()) // a failed step must not leave the test waiting
                dlg->reject();
        });
        QVERIFY(TabTo(info.cmdConfig));
        QTest::keyClick(info.cmdConfig, Qt::Key_Space);
        QTRY_COMPARE(Setting("Currencies", "Currency1"), QStringLiteral("NOK"));
        QCOMPARE(watcher.seen, QStringList{"frmConfig"});
        QCOMPARE(MainForm()->cboWaehrung2->findText("NOK"), 16);
        info.reject();
    }

    void englishTexts() {
        StartCalculator(false);
        frmConfig dlg;
        QCOMPARE(dlg.windowTitle(),
                 QStringLiteral("Additional currencies with their exchange rates"));
        QCOMPARE(dlg.cmdAdd->text(), QStringLiteral("&Add"));
        QCOMPARE(dlg.fraNKS->title(), QStringLiteral("Output Monetary sum"));
        QCOMPARE(dlg.grdCurrency->horizontalHeaderItem(2)->text(), QStringLiteral("Dec"));
        Type(dlg.txtCurrency, "dem");
        Type(dlg.txtXchgRate, "1.5");
        QTest::mouseClick(dlg.cmdAdd, Qt::LeftButton);
        QCOMPARE(Messages(), QStringList{"Rate for German Mark is fixed and can't be changed!"});
        Type(dlg.txtCurrency, "NOK");
        Type(dlg.txtXchgRate, "1234.5");
        QTest::mouseClick(dlg.cmdAdd, Qt::LeftButton);
        QCOMPARE(Cell(dlg, 0, 1), QStringLiteral("1,234.5000000"));
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
        QCOMPARE(Setting("Currencies", "Value1"), QStringLiteral("1T234D5000000"));
    }
};

DIALOG_TEST_MAIN(TestConfigDialog)
#include "test_dialogs_config.moc"
