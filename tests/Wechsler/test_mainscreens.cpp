// SPDX-License-Identifier: Apache-2.0
// Renders the main window with the largest amounts the kernel takes, in German and English
// (the test runs at scale 1 and, through QT_SCALE_FACTOR, at scale 2) and fails when any
// number on screen is cut off. With MAIN_SCREENSHOT_DIR set the pictures are saved there.
#include "CCurrencyList.h"
#include "MainModule.h"
#include "frmMainForm.h"
#include "general.h"
#include "testenv.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QtTest>

namespace {
frmMainForm* F() {
    return MainForm();
}

// Numbers that do not fit their field, as "objectName: text".
QStringList Clipped() {
    QStringList out;
    QLineEdit* e = F()->txtEingabe;
    const int fw = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, e);
    if (QFontMetrics(e->font()).horizontalAdvance(e->text()) > e->width() - 2 * (fw + 2))
        out << e->objectName() + QStringLiteral(": ") + e->text();
    QList<QLabel*> labels{F()->txtAusgabe};
    for (QLabel* l : F()->lblBetrag)
        labels << l;
    for (QLabel* l : labels) {
        const int need = QFontMetrics(l->font()).horizontalAdvance(l->text()) + l->indent();
        if (need > l->contentsRect().width())
            out << l->objectName() + QStringLiteral(": ") + l->text();
    }
    return out;
}
} // namespace

class TestMainScreens : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnv> env;

  private slots:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() {
        DestroyMainForm();
        env.reset();
    }

    void numbersShownWhole_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("name");
        for (const char* loc : {"de_DE", "en_US"}) {
            QTest::addRow("%s largest", loc) << loc << "DEM"
                                             << "9999999999999,99="
                                             << "large";
            QTest::addRow("%s negative", loc) << loc << "EUR"
                                              << "0-1234567890123="
                                              << "negative";
            QTest::addRow("%s lira", loc) << loc << "ITL"
                                          << "9999999999999="
                                          << "lira";
            QTest::addRow("%s ordinary", loc) << loc << "DEM"
                                              << "100="
                                              << "ordinary";
        }
    }
    void numbersShownWhole() {
        QFETCH(QString, locale);
        QFETCH(QString, source);
        QFETCH(QString, keys);
        QFETCH(QString, name);
        QLocale::setDefault(QLocale(locale));
        QVERIFY(StartUp(locale.startsWith("de") ? QString() : QStringLiteral("ENGLISH")));
        StartMainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(F()));
        F()->cboWaehrung1->setCurrentIndex(F()->cboWaehrung1->findText(source));
        F()->CurrencyChosen(1);
        for (QChar c : keys) {
            if (c == QLatin1Char(','))
                F()->DecimalSymbol(); // the user's symbol in either language
            else
                QTest::keyClick(F()->cmdBtnArray[16], c.toLatin1());
        }
        QCoreApplication::processEvents();
        QVERIFY(!F()->txtAusgabe->text().isEmpty());
        const QStringList clipped = Clipped();
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
        const QString dir = qEnvironmentVariable("MAIN_SCREENSHOT_DIR");
        if (!dir.isEmpty() && name == QLatin1String("large")) {
            const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));
            QDir().mkpath(dir);
            QVERIFY(F()->grab().save(
                QStringLiteral("%1/main-%2-%3-x%4.png").arg(dir, name, locale.left(2), scale)));
        }
    }
};

QTEST_MAIN(TestMainScreens)
#include "test_mainscreens.moc"
