/* SPDX-License-Identifier: Apache-2.0 */
// Information dialog: versions, booking date, rate-file use, entry to the other dialogs.
#pragma once

#include <QDate>
#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmInfo : public QDialog {
    Q_OBJECT
  public:
    explicit frmInfo(QWidget* parent = nullptr);

    // True when downloads may run from the program folder: not on a network file system.
    // Otherwise shows the refusal message and returns false.
    bool IsUpdateAllowed();

    QLineEdit* txtPrgVersion = nullptr;
    QLineEdit* txtDllVersion = nullptr;
    QLabel* lblProgVersion = nullptr;
    QLabel* lblDllVersion = nullptr;
    QLabel* lblKursUsage = nullptr;
    QLabel* lblBuchDatum = nullptr;
    QLabel* lblDateError = nullptr; // why an entered date is not taken
    QLineEdit* mskBuchDatum = nullptr;
    QCheckBox* chkUseWaehdat = nullptr;
    QLabel* lblAddCurr = nullptr;
    QPushButton* cmdConfig = nullptr;
    QPushButton* cmdXchgRate = nullptr;
    QLabel* lblDownloadUpdate = nullptr;
    QPushButton* cmdDownloadManual = nullptr;
    QPushButton* cmdDownloadAutomatic = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdOK = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormLoad();
    void cmdOK_Click();
    void cmdHelp_Click();
    void cmdConfig_Click();
    void cmdXchgRate_Click();
    void RunDownload(bool bAutomatic);
    void mskBuchDatum_LostFocus();
};

// The date in the short form of the interface language: 31.12.1998 or 12/31/1998.
QString ShortDateText(const QDate& d);
// Reads a date typed in that form; an invalid QDate when the text is no valid date.
QDate ParseShortDate(const QString& s);

// Reads the version date of a rate file: the first line containing "@@@", its 19th
// ';'-separated field, a quote followed by YYYYMMDD. Returns true and the date as
// ShortDateText in dateText; false with "Ungültig" / "Invalid" when there is none.
bool ReadRateFileDate(const QString& path, QString& dateText);

// True for file-system types (statfs f_type) of network file systems.
bool IsNetworkFileSystemType(long fsType);
// True when the folder lies on a network file system.
bool IsOnNetworkFileSystem(const QString& sPath);
