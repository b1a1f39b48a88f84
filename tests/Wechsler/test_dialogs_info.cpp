// SPDX-License-Identifier: Apache-2.0
// Tests of the information dialog and the rate display: versions, booking date, the
// rate-file setting, rate-file dates, rate sources and the rates shown.
#include "test_dialogs_support.h"

#include "frmInfo.h"
#include "frmXchgRate.h"
#include "ratefile.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace dlgtest;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A rate file with USD and GBP rates dated 2026-01-05.
QByteArray GoodRateFile() {
    namespace rf = tarvo::ratefile;
    std::vector<rf::RateRecord> recs{rf::makeRecord("USD", "20260105", "1.0856"),
                                     rf::makeRecord("GBP", "20260105", "0.8321")};
    const std::string s = rf::encodeRateFile(recs, "20260105");
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

int RowOf(const frmXchgRate& dlg, const QString& code) {
    for (int r = 0; r < dlg.grdXchgRate->rowCount(); ++r)
        if (dlg.grdXchgRate->item(r, 0)->text() == code)
            return r;
    return -1;
}

} // namespace

class TestInfoDialog : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        ClearStore();
        StartCalculator(true);
    }

    void readRateFileDate_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("text");
        const QByteArray head = "@@@;1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;";
        QTest::newRow("version record") << head + "\"20260105\";x\r\n" << true << "05.01.2026";
        QTest::newRow("after other lines") << "GBP 826 20260105\r\nxx" + head + "'19991231\r\n"
                                           << true << "31.12.1999";
        QTest::newRow("no marker") << QByteArray("GBP;1;2\r\n") << false << "Ungültig";
        QTest::newRow("17 separators")
            << QByteArray("@@@;1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17") << false << "Ungültig";
        QTest::newRow("not a date") << head + "\"2026AB05\"" << false << "Ungültig";
        QTest::newRow("impossible date") << head + "\"20260231\"" << false << "Ungültig";
        QTest::newRow("field too short") << head + "\"2026" << false << "Ungültig";
        QTest::newRow("empty file") << QByteArray() << false << "Ungültig";
    }
    void readRateFileDate() {
        QFETCH(QByteArray, content);
        QFETCH(bool, ok);
        QFETCH(QString, text);
        const QString path = UpdateDir() + "/rates.dat";
        WriteFile(path, content);
        QString s;
        QCOMPARE(ReadRateFileDate(path, s), ok);
        QCOMPARE(s, text);
    }

    void readRateFileDateEnglishAndMissing() {
        StartCalculator(false);
        QString s;
        QVERIFY(!ReadRateFileDate(UpdateDir() + "/missing.dat", s));
        QCOMPARE(s, QStringLiteral("Invalid"));
        const QString path = UpdateDir() + "/rates.dat";
        WriteFile(path, GoodRateFile());
        QVERIFY(ReadRateFileDate(path, s));
        QCOMPARE(s, QStringLiteral("01/05/2026"));
    }

    void networkFileSystems_data() {
        QTest::addColumn<long>("type");
        QTest::addColumn<bool>("network");
        QTest::newRow("nfs") << 0x6969L << true;
        QTest::newRow("cifs") << 0xFF534D42L << true;
        QTest::newRow("smb2") << 0xFE534D42L << true;
        QTest::newRow("9p") << 0x01021997L << true;
        QTest::newRow("ext4") << 0xEF53L << false;
        QTest::newRow("tmpfs") << 0x01021994L << false;
        QTest::newRow("overlay") << 0x794C7630L << false;
    }
    void networkFileSystems() {
        QFETCH(long, type);
        QFETCH(bool, network);
        QCOMPARE(IsNetworkFileSystemType(type), network);
    }

    void updateAllowedOnLocalFolder() {
        frmInfo dlg;
        QVERIFY(dlg.IsUpdateAllowed());
        QVERIFY(Messages().isEmpty());
    }

    void loadShowsVersionsAndSettings() {
        SaveSetting("Currencies", "UseWaehdat", "1");
        frmInfo dlg;
        QVERIFY(!dlg.txtDllVersion->text().isEmpty());
        QVERIFY(!dlg.txtPrgVersion->text().isEmpty());
        QVERIFY(dlg.chkUseWaehdat->isChecked());
        QCOMPARE(dlg.mskBuchDatum->text(), QDate::currentDate().toString("dd.MM.yyyy"));
        QCOMPARE(dlg.lblBuchDatum->text(), QStringLiteral("Buchungsdatum:"));
        QCOMPARE(dlg.chkUseWaehdat->text(), QStringLiteral("Datei WAEHKURS.DAT benutzen"));
    }

    void bookingDateRefusedThenUsed() {
        const QDate before = dBookingDate;
        frmInfo dlg;
        dlg.show();
        dlg.mskBuchDatum->setText("31.02.2001");
        QFocusEvent leave(QEvent::FocusOut); // leaving the field colours an invalid date red
        QApplication::sendEvent(dlg.mskBuchDatum, &leave);
        QCOMPARE(dlg.mskBuchDatum->palette().color(QPalette::Text), QColor(255, 0, 0));
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dBookingDate, before);
        // Schließen doing nothing is explained beside the date.
        QCOMPARE(dlg.lblDateError->text(), QStringLiteral("Kein gültiges Datum (TT.MM.JJJJ)"));

        dlg.mskBuchDatum->setText("01.01.2001");
        QApplication::sendEvent(dlg.mskBuchDatum, &leave);
        QVERIFY(dlg.mskBuchDatum->palette().color(QPalette::Text) != QColor(255, 0, 0));
        QCOMPARE(dlg.lblDateError->text(), QString());
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dBookingDate, QDate(2001, 1, 1));
        // The next conversion uses it: the drachma has its fixed rate from 2001-01-01 on.
        QString sRate;
        QCOMPARE(GetEuroRate("GRD", sRate), 0L);
        QCOMPARE(sRate, QStringLiteral("340,7500000"));
        dBookingDate = QDate(2000, 12, 31);
        QVERIFY(GetEuroRate("GRD", sRate) != 0L);
    }

    void uncheckingRemovesTheSetting() {
        SaveSetting("Currencies", "UseWaehdat", "1");
        frmInfo dlg;
        dlg.chkUseWaehdat->setChecked(false);
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
        QCOMPARE(Setting("Currencies", "UseWaehdat"), QStringLiteral("<absent>"));

        frmInfo dlg2;
        QVERIFY(!dlg2.chkUseWaehdat->isChecked());
        dlg2.chkUseWaehdat->setChecked(true);
        QTest::mouseClick(dlg2.cmdOK, Qt::LeftButton);
        QCOMPARE(Setting("Currencies", "UseWaehdat"), QStringLiteral("1"));
    }

    void closingOtherwiseKeepsBoth() {
        const QDate before = dBookingDate;
        frmInfo dlg;
        dlg.show();
        dlg.mskBuchDatum->setText("01.01.2001");
        dlg.chkUseWaehdat->setChecked(true);
        dlg.close();
        QCOMPARE(dBookingDate, before);
        QCOMPARE(Setting("Currencies", "UseWaehdat"), QStringLiteral("<absent>"));
    }

    void englishTexts() {
        StartCalculator(false);
        frmInfo dlg;
        QCOMPARE(dlg.lblBuchDatum->text(), QStringLiteral("Booking date"));
        QCOMPARE(dlg.cmdDownloadAutomatic->text(), QStringLiteral("A&utomatic"));
        QCOMPARE(dlg.lblKursUsage->text(),
                 QStringLiteral("Official Euro conversion rates from\n12/31/1998\nare used."));
        QCOMPARE(dlg.mskBuchDatum->text(), QDate::currentDate().toString("MM/dd/yyyy"));
        dlg.mskBuchDatum->setText("02/30/2001");
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
        QVERIFY(dlg.result() != int(QDialog::Accepted));
        dlg.mskBuchDatum->setText("12/31/2001");
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
        QCOMPARE(dBookingDate, QDate(2001, 12, 31));
    }

    void rateDisplayWithConfiguredRates() {
        SaveAdditionalCurrencies({{"GBP", "0,6", 2}, {"CHF", "1,6", 2}});
        InitWaehrung();
        frmXchgRate dlg;
        QCOMPARE(dlg.lblRateSource1->text(), QStringLiteral("Kurse sind manuell erfasst worden!"));
        QCOMPARE(dlg.lblRateSource2->text(), dlg.lblRateSource1->text());
        // Every currency but the euro, a stored built-in code (GBP) once.
        QCOMPARE(nLastCurrency, 17);
        QCOMPARE(dlg.grdXchgRate->rowCount(), 16);
        QCOMPARE(RowOf(dlg, "EUR"), -1);
        const int dem = RowOf(dlg, "DEM");
        QCOMPARE(dlg.grdXchgRate->item(dem, 1)->text(), QStringLiteral("1,9558300"));
        QCOMPARE(dlg.grdXchgRate->item(dem, 2)->text(), QStringLiteral("  2"));
        QCOMPARE(dlg.grdXchgRate->item(dem, 1)->background().color(), QColor(255, 255, 128));
        const int itl = RowOf(dlg, "ITL");
        QCOMPARE(dlg.grdXchgRate->item(itl, 1)->text(), QStringLiteral("1.936,2700000"));
        QCOMPARE(dlg.grdXchgRate->item(itl, 2)->text(), QStringLiteral("  0"));
        const int gbp = RowOf(dlg, "GBP");
        QCOMPARE(dlg.grdXchgRate->item(gbp, 1)->text(), QStringLiteral("0,6000000"));
        QCOMPARE(dlg.grdXchgRate->item(gbp, 1)->background().style(), Qt::NoBrush);
        QCOMPARE(dlg.grdXchgRate->item(RowOf(dlg, "CHF"), 1)->text(), QStringLiteral("1,6000000"));
        // A missing rate is named, with the reason as its tip.
        QTableWidgetItem* sek = dlg.grdXchgRate->item(RowOf(dlg, "SEK"), 1);
        QCOMPARE(sek->text(), QStringLiteral("kein Kurs"));
        QCOMPARE(sek->toolTip(), QStringLiteral("Kein Kurs eingetragen"));
        QCOMPARE(dlg.grdXchgRate->horizontalHeaderItem(0)->text(), QStringLiteral("Währung"));
    }

    void rateDisplayWithRateFile() {
        const QString path = UpdateDir() + "/WAEHKURS.DAT";
        SaveSetting("Currencies", "UseWaehdat", "1");
        {
            frmXchgRate dlg;
            QCOMPARE(dlg.lblRateSource1->text(),
                     QDir::toNativeSeparators(path) + " nicht vorhanden/ungültig!");
            QTableWidgetItem* gbp = dlg.grdXchgRate->item(RowOf(dlg, "GBP"), 1);
            QCOMPARE(gbp->text(), QStringLiteral("kein Kurs"));
            QCOMPARE(gbp->toolTip(), QStringLiteral("Waehrungsdatei nicht gefunden"));
        }
        WriteFile(path, GoodRateFile());
        dBookingDate = QDate(2026, 1, 6);
        frmXchgRate dlg;
        QCOMPARE(dlg.lblRateSource1->text(),
                 "Mitte-Kurse sind aus " + QDir::toNativeSeparators(path) + " vom 05.01.2026");
        QCOMPARE(dlg.grdXchgRate->item(RowOf(dlg, "GBP"), 1)->text(), QStringLiteral("0,8321000"));
        QCOMPARE(dlg.grdXchgRate->item(RowOf(dlg, "DEM"), 1)->text(), QStringLiteral("1,9558300"));
    }

    void rateDisplayFollowsTheInfoDialogsBox() {
        frmInfo info;
        info.chkUseWaehdat->setChecked(true);
        frmXchgRate dlg(&info);
        QVERIFY(dlg.lblRateSource1->text().endsWith(" nicht vorhanden/ungültig!"));
    }

    void rateDisplayEnglish() {
        StartCalculator(false);
        frmXchgRate dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Additional currencies and rates"));
        QCOMPARE(dlg.lblRateSource1->text(), QStringLiteral("Rates have been registered manually"));
        QCOMPARE(dlg.grdXchgRate->item(RowOf(dlg, "DEM"), 1)->text(), QStringLiteral("1.9558300"));
        QCOMPARE(dlg.cmdOK->text(), QStringLiteral("&Close"));
    }
};

DIALOG_TEST_MAIN(TestInfoDialog)
#include "test_dialogs_info.moc"
