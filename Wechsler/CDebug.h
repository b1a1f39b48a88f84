/* SPDX-License-Identifier: Apache-2.0 */
// Diagnostic log of the calculator, switched on by the word DEBUG on the command line.
#pragma once

#include <QString>

class CDebug {
  public:
    CDebug();
    ~CDebug(); // logs "CDebug Class_Terminate()"
    CDebug(const CDebug&) = delete;
    CDebug& operator=(const CDebug&) = delete;

    bool Enabled() const { return m_bEnabled; }
    void setEnabled(bool b) { m_bEnabled = b; }
    QString LogFile() const { return m_sLogFile; }
    void setLogFile(const QString& s) { m_sLogFile = s; }

    // Appends "<date time>: <LogLine>" to LogFile; collects lines while LogFile is empty.
    void WriteLogging(const QString& LogLine);

  private:
    QString m_sLogFile;
    bool m_bEnabled = false;
    QString m_sPending;
    bool m_bPending = false;
};
