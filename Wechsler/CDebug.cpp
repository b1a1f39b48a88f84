// SPDX-License-Identifier: Apache-2.0
// Diagnostic log: one line per call, the file opened and closed around every line.
#include "CDebug.h"

#include "general.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

CDebug::CDebug() : m_sLogFile(StateDirectory() + QStringLiteral("/CDEBUG.LOG")) {}

CDebug::~CDebug() {
    WriteLogging(QStringLiteral("CDebug Class_Terminate()"));
}

void CDebug::WriteLogging(const QString& LogLine) {
    if (!m_bEnabled)
        return;
    const QString sLine = QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat) +
                          QStringLiteral(": ") + LogLine;
    if (m_sLogFile.isEmpty()) {
        m_sPending += sLine;
        m_bPending = true;
        return;
    }
    // A log that cannot be written is not reported: the log is a diagnostic aid only.
    QDir().mkpath(QFileInfo(m_sLogFile).absolutePath());
    QFile f(m_sLogFile);
    if (!f.open(QIODevice::Append | QIODevice::Text))
        return;
    if (m_bPending) {
        f.write((m_sPending + QLatin1Char('\n')).toUtf8());
        m_sPending.clear();
        m_bPending = false;
    }
    f.write((sLine + QLatin1Char('\n')).toUtf8());
}
