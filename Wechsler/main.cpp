// SPDX-License-Identifier: Apache-2.0
// Entry point of the calculator: the Qt application, then the start procedure Main.
#include "MainModule.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Devisio"));
    QApplication::setApplicationDisplayName(QStringLiteral("Devisio"));
    return Main(argc, argv);
}
