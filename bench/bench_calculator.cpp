// SPDX-License-Identifier: Apache-2.0
// Calculator benchmark: one keypress that converts the input into all sixteen currency lines,
// three of them (DKK, GBP, SEK) with rates from a rate file of the full history's size.
#include "CCurrencyList.h"
#include "MainModule.h"
#include "frmMainForm.h"
#include "general.h"
#include "history.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <thread>

class BenchCalculator : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

  private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + "/config"));
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir.path() + "/state"));
        const QString rates = dir.path() + "/WAEHKURS.DAT";
        bench::writeHistoryRateFile(QFile::encodeName(rates).toStdString());
        qputenv("TARVO_WAEHKURS", QFile::encodeName(rates));
        qunsetenv("TARVO_STEUDAT");
        // The rate-file reader trusts a file only once it has not changed for 2 s.
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
        QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
        QVERIFY(StartUp(QString()));
        StartMainWindow();
        SaveSetting("Currencies", "UseWaehdat", "1"); // the window's start resets it
        frmMainForm* f = MainForm();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        f->cboWaehrung1->setCurrentIndex(0); // EUR into DEM
        f->CurrencyChosen(1);
        f->cboWaehrung2->setCurrentIndex(3);
        f->CurrencyChosen(2);
        QTest::keyClick(f->cmdBtnArray[16], '1');
        QTest::keyClick(f->cmdBtnArray[16], Qt::Key_Return);
        QCOMPARE(f->lblBetrag[3]->text().trimmed(), QStringLiteral("1,96"));
        // The three currencies without a fixed rate took theirs from the file.
        for (int i : {12, 13, 15})
            QVERIFY2(!f->lblBetrag[i]->text().trimmed().isEmpty(),
                     qPrintable(f->lblWaehrung[i]->text()));
    }
    void cleanupTestCase() { DestroyMainForm(); }

    // Enter and Esc both convert the input into every line; a digit between them changes it.
    void keypressAllLines() {
        QWidget* keys = MainForm()->cmdBtnArray[16];
        const QString before = MainForm()->lblBetrag[13]->text();
        QTest::keyClick(keys, '7');
        QTest::keyClick(keys, Qt::Key_Return);
        QVERIFY(MainForm()->lblBetrag[13]->text() != before);
        constexpr int kRounds = 300;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kRounds; ++i) {
            QTest::keyClick(keys, Qt::Key_Escape);
            QTest::keyClick(keys, '7');
            QTest::keyClick(keys, Qt::Key_Return);
        }
        const double us = static_cast<double>(timer.nsecsElapsed()) / 1000.0 / (2 * kRounds);
        std::printf("one keypress, sixteen lines, three from the 53 MB rate file: %.1f us\n", us);
    }
};

QTEST_MAIN(BenchCalculator)
#include "bench_calculator.moc"
