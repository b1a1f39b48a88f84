// SPDX-License-Identifier: Apache-2.0
// Fuzzes what the calculator reads from outside: its stored settings (the additional
// currencies of the settings file, read at start) and the version date of a rate file.
// Input: one byte choosing the reader, then the file's bytes.
#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "CCurrencyList.h"
#include "Compute.h"
#include "MainModule.h"
#include "frmInfo.h"
#include "fuzz_common.h"
#include "general.h"

namespace {

void writeFile(const QString& path, const uint8_t* data, size_t size) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
}

// The sixteen built-in currencies, as the start builds them before reading the store.
void builtInList() {
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

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    const std::string dir = fuzz::workDir().string();
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("XDG_STATE_HOME", dir.c_str(), 1);
    static const std::string none = dir + "/no-TARVO.DAT";
    setenv("TARVO_STEUDAT", none.c_str(), 1);
    static QCoreApplication app(*argc, *argv);
    SetMessageHandler([](const QString&, MsgIcon) {}); // messages are not shown
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    if (data[0] & 1) {
        const QString path = QString::fromStdString(fuzz::workDir().string()) + "/WAEHKURS.DAT";
        writeFile(path, data + 1, size - 1);
        QString date;
        if (ReadRateFileDate(path, date) && date.size() > 64) {
            std::abort(); // a date text, never the rest of the file
        }
        return 0;
    }
    writeFile(SettingsFilePath(), data + 1, size - 1);
    builtInList();
    ReadRegistry();
    if (oCurrencyList.Count() < 16) {
        std::abort(); // the built-in currencies are never lost
    }
    return 0;
}
