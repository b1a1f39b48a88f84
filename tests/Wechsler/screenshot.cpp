// SPDX-License-Identifier: Apache-2.0
// Renders the main window offscreen to a PNG: the locale, 100 DEM typed and converted.
// Usage: wechsler_screenshot <locale> <file.png> [source currency]
#include "MainModule.h"
#include "frmMainForm.h"
#include "general.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        fprintf(stderr, "usage: %s <locale> <file.png> [source currency]\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir; // settings and log of this run only
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.path()));
    // Start-up makes the program folder the working folder: resolve the file name first.
    const QString sOut = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QString::fromLocal8Bit(argv[1])));
    if (!StartUp(QString()))
        return 1;
    StartMainWindow();
    frmMainForm* f = MainForm();
    if (argc == 4) {
        f->cboWaehrung1->setCurrentIndex(f->cboWaehrung1->findText(QString::fromLatin1(argv[3])));
        f->CurrencyChosen(1);
    }
    for (char c : QByteArray("100"))
        QTest::keyClick(f->cmdBtnArray[16], c);
    QTest::keyClick(f->cmdBtnArray[16], Qt::Key_Return);
    QApplication::processEvents();
    const bool ok = f->grab().save(sOut);
    DestroyMainForm();
    return ok ? 0 : 1;
}
