// SPDX-License-Identifier: Apache-2.0
// Renders every dialog in German and English offscreen and checks that no caption is
// clipped. With DIALOG_SCREENSHOT_DIR set the pictures are saved there as
// dlg-<name>-<de|en>.png.
#include "test_dialogs_support.h"

#include "frmFileReplace.h"
#include "frmInetError.h"
#include "frmInetManualUpdate.h"
#include "frmInfo.h"
#include "frmXchgRate.h"
#include "ratefile.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace dlgtest;

namespace {

QByteArray GoodRateFile(const char* date) {
    namespace rf = tarvo::ratefile;
    std::vector<rf::RateRecord> recs{rf::makeRecord("USD", date, "1.0856"),
                                     rf::makeRecord("GBP", date, "0.8321")};
    const std::string s = rf::encodeRateFile(recs, date);
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Captions that do not fit their widget, as "objectName/class: text".
QStringList Clipped(QWidget* dlg) {
    QStringList out;
    for (QWidget* w : dlg->findChildren<QWidget*>()) {
        if (!w->isVisible())
            continue;
        QString text;
        bool bFits = true;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->text().isEmpty())
                continue;
            text = l->text();
            if (l->wordWrap())
                bFits = l->height() + 1 >= l->heightForWidth(l->width());
            else
                bFits = l->width() + 1 >= l->sizeHint().width() &&
                        l->height() + 1 >= l->sizeHint().height();
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text();
            bFits = b->width() + 1 >= b->sizeHint().width();
        } else {
            continue;
        }
        if (!bFits)
            out << QStringLiteral("%1/%2: %3")
                       .arg(w->objectName(), w->metaObject()->className(), text);
    }
    return out;
}

void Shoot(QWidget* dlg, const QString& name) {
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg));
    QCoreApplication::processEvents();
    const QPixmap pm = dlg->grab();
    QVERIFY(!pm.isNull());
    QVERIFY(pm.width() > 200 && pm.height() > 100);
    const QStringList clipped = Clipped(dlg);
    if (!clipped.isEmpty())
        qWarning() << name << clipped;
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
    const QString dir = qEnvironmentVariable("DIALOG_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        QVERIFY(pm.save(dir + QStringLiteral("/dlg-") + name + QStringLiteral(".png")));
    }
}

} // namespace

class TestDialogScreens : public QObject {
    Q_OBJECT
  private slots:
    void dialogs_data() {
        QTest::addColumn<bool>("german");
        QTest::newRow("de") << true;
        QTest::newRow("en") << false;
    }
    void dialogs() {
        QFETCH(bool, german);
        const QString lang = german ? QStringLiteral("-de") : QStringLiteral("-en");
        ClearStore();
        StartCalculator(german);
        dBookingDate = QDate(2026, 3, 2);
        SaveAdditionalCurrencies({{"CHF", german ? "0,9412" : "0.9412", 2},
                                  {"USD", german ? "1,0856" : "1.0856", 2},
                                  {"JPY", german ? "161,23" : "161.23", 0},
                                  {"GBP", german ? "0,8321" : "0.8321", 2}});
        InitWaehrung();
        WriteFile(UpdateRateFilePath(), GoodRateFile("20260105"));

        {
            frmInfo dlg;
            dlg.chkUseWaehdat->setChecked(true);
            Shoot(&dlg, "info" + lang);
        }
        {
            frmConfig dlg;
            dlg.grdCurrency->setCurrentCell(1, 0);
            QTest::keyClick(dlg.grdCurrency, Qt::Key_Space);
            Shoot(&dlg, "config" + lang);
        }
        {
            frmXchgRate dlg;
            Shoot(&dlg, "xchgrate" + lang);
        }
        {
            frmInetAutoUpdate dlg;
            dlg.chkUseProxy->click();
            dlg.txtProxy->setText(QStringLiteral("proxy.example:3128"));
            Shoot(&dlg, "autoupdate-1" + lang);
            dlg.cmdNext->click();
            Shoot(&dlg, "autoupdate-2" + lang);
            dlg.reject();
        }
        {
            frmInetManualUpdate dlg;
            dlg.cmdNext->click();
            Shoot(&dlg, "manualupdate-2" + lang);
            dlg.cmdNext->click();
            Shoot(&dlg, "manualupdate-3" + lang);
            dlg.reject();
        }
        {
            frmInetError dlg;
            Shoot(&dlg, "inet-error" + lang);
        }
        {
            WriteFile(DownloadFilePath(), GoodRateFile("20260227"));
            frmFileReplace dlg;
            Shoot(&dlg, "filereplace" + lang);
            dlg.reject();
        }
    }
};

DIALOG_TEST_MAIN(TestDialogScreens)
#include "test_dialogs_screens.moc"
