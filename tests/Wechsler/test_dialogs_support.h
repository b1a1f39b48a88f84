/* SPDX-License-Identifier: Apache-2.0 */
// Shared set-up of the dialog tests: temporary settings store and program folder, the
// calculator's start-up per language, recorded message boxes, and a watcher that answers
// modal dialogs opened inside the code under test.
#pragma once

#include "CCurrencyList.h"
#include "Compute.h"
#include "MainModule.h"
#include "frmConfig.h"
#include "frmInetAutoUpdate.h"
#include "frmMainForm.h"
#include "general.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QNetworkProxyFactory>
#include <QPointer>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace dlgtest {

// One temporary folder per test program: settings store, state folder, update folder.
inline QTemporaryDir& Root() {
    static QTemporaryDir d;
    return d;
}

inline QString UpdateDir() {
    return Root().path() + QStringLiteral("/prog");
}

// Called from main() before the application object exists.
inline void PrepareEnvironment() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Test traffic stays on the loopback interface: no proxy from the environment.
    for (const char* v :
         {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"})
        qunsetenv(v);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(Root().path() + QStringLiteral("/config")));
    qputenv("XDG_STATE_HOME", QFile::encodeName(Root().path() + QStringLiteral("/state")));
    // Built-in control data; the kernel reads the rate file of the update folder.
    qunsetenv("TARVO_STEUDAT");
    qputenv("TARVO_WAEHKURS", QFile::encodeName(UpdateDir() + QStringLiteral("/WAEHKURS.DAT")));
    QDir().mkpath(UpdateDir());
}

// Messages shown through ShowMessage, in order.
inline QStringList& Messages() {
    static QStringList m;
    return m;
}

// Questions asked by the configuration dialog; the answer given to the next one.
inline QStringList& Questions() {
    static QStringList q;
    return q;
}
inline bool& NextAnswer() {
    static bool b = true;
    return b;
}

// Starts the calculator's state for one language: locale, start-up steps, currency list.
inline void StartCalculator(bool bGermanTexts) {
    QLocale::setDefault(bGermanTexts ? QLocale(QLocale::German, QLocale::Germany)
                                     : QLocale(QLocale::English, QLocale::UnitedStates));
    SetMessageHandler([](const QString& s, MsgIcon) { Messages() << s; });
    frmConfig::SetQuestionHandler([](const QString& s) {
        Questions() << s;
        return NextAnswer();
    });
    SetUpdateDirectory(UpdateDir());
    StartUp(bGermanTexts ? QString() : QStringLiteral("ENGLISH"));
    InitWaehrung();
    Messages().clear();
    Questions().clear();
}

// Empties the settings store and the update folder.
inline void ClearStore() {
    QFile::remove(SettingsFilePath());
    QDir dir(UpdateDir());
    for (const QString& f : dir.entryList(QDir::Files))
        dir.remove(f);
}

// Runs `act` for every modal dialog that opens while the watcher lives (polled every
// 20 ms). `act` gets the dialog and must close it.
class ModalWatcher {
  public:
    explicit ModalWatcher(std::function<void(QWidget*)> act) : m_act(std::move(act)) {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (w && w != m_last) {
                m_last = w;
                seen << w->objectName();
                m_act(w);
            } else if (!w) {
                m_last = nullptr;
            }
        });
        m_timer.start();
    }
    QStringList seen;

  private:
    std::function<void(QWidget*)> m_act;
    QTimer m_timer;
    QPointer<QWidget> m_last;
};

// Presses Tab in the focused widget until `target` has the focus; false after 40 presses.
inline bool TabTo(QWidget* target) {
    QWidget* win = target->window();
    if (!QApplication::focusWidget() || QApplication::focusWidget()->window() != win) {
        win->activateWindow();
        if (!QTest::qWaitForWindowActive(win) || !QApplication::focusWidget())
            return false;
    }
    for (int n = 0; n < 40 && QApplication::focusWidget() != target; ++n)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    return QApplication::focusWidget() == target;
}

inline QString Setting(const QString& sSection, const QString& sKey) {
    return GetSetting(sSection, sKey, QStringLiteral("<absent>"));
}

} // namespace dlgtest

#define DIALOG_TEST_MAIN(TestClass)                                                                \
    int main(int argc, char** argv) {                                                              \
        dlgtest::PrepareEnvironment();                                                             \
        QApplication app(argc, argv);                                                              \
        QNetworkProxyFactory::setUseSystemConfiguration(false); /* loopback only */                \
        TestClass tc;                                                                              \
        const int rc = QTest::qExec(&tc, argc, argv);                                              \
        DestroyMainForm();                                                                         \
        return rc;                                                                                 \
    }
