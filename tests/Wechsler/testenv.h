/* SPDX-License-Identifier: Apache-2.0 */
// Test environment of the calculator tests: temporary settings and state folders, a rate
// file that does not exist, the locale per test, messages recorded instead of shown.
#pragma once

#include "CDebug.h"
#include "Compute.h"
#include "general.h"

#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class TestEnv {
  public:
    TestEnv() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path() + QStringLiteral("/config")));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir.path() + QStringLiteral("/state")));
        qputenv("TARVO_WAEHKURS", QFile::encodeName(m_dir.path() + QStringLiteral("/none.dat")));
        qunsetenv("TARVO_STEUDAT");
        SetMessageHandler([this](const QString& s, MsgIcon) { messages << s; });
        SetBridgeLibraryPath(QString());
    }
    ~TestEnv() {
        SetMessageHandler({});
        SetBridgeLibraryPath(QString());
        oDebug.reset();
        QLocale::setDefault(QLocale::c());
    }
    TestEnv(const TestEnv&) = delete;
    TestEnv& operator=(const TestEnv&) = delete;

    static void SetLocale(const QString& sName) { QLocale::setDefault(QLocale(sName)); }
    QString Path() const { return m_dir.path(); }

    QStringList messages;

  private:
    QTemporaryDir m_dir;
};
