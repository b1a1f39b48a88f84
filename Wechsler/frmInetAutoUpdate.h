/* SPDX-License-Identifier: Apache-2.0 */
// Automatic download wizard for a new rate file.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QPixmap>
#include <QString>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;
class QStackedLayout;

// ---- shared by the download wizards and the replace dialog ----

// Set to false when a wizard opens; true when it is cancelled or the downloaded file could
// not be written. The replace dialog is opened only while it is false.
extern bool bDownloadCancelled;

// Built-in address of the rate file: the ECB's daily euro reference rates.
inline constexpr const char* kDefaultRateFileUrl =
    "https://www.ecb.europa.eu/stats/eurofxref/eurofxref-daily.xml";
// Web page with the list of the reference rates and their downloads.
inline constexpr const char* kRateListPageUrl =
    "https://www.ecb.europa.eu/stats/policy_and_exchange_rates/euro_reference_exchange_rates/"
    "html/index.en.html";

// Folder the update works in: the rate file's folder (or the folder set for tests).
QString UpdateDirectory();
// Replaces that folder for the update (tests); an empty text restores it.
void SetUpdateDirectory(const QString& sDir);
QString DownloadFilePath();   // UpdateDirectory() + "/ECPKURSE.DAT"
QString UpdateRateFilePath(); // RateFilePath(): the file the calculator reads

// Takes in a downloaded or saved file: one of the ECB's published formats (daily or
// historical XML, historical or daily CSV) is converted into the rate-file format; anything
// else is returned as it is. On a conversion fault returns the input unchanged and puts the
// importer's message into *sError.
QByteArray ToRateFileFormat(const QByteArray& data, QString* sError = nullptr);

// Picture of the download wizards: a globe with a download arrow.
QPixmap UpdatePicture(int nSize = 64);

// Proxy setting "<proxy-name>:<port>": false when it has no host or no port 1..65535.
bool ParseProxySetting(const QString& sProxy, QString& sHost, quint16& nPort);

// What both download wizards share: the picture on the left, one page per step, and Help,
// Cancel, Previous and Next below a line. A wizard sets bDownloadCancelled to false when it
// opens.
class InetUpdateWizard : public QDialog {
    Q_OBJECT
  public:
    int Step() const { return m_nStep; }

    QLabel* picImage = nullptr;
    QPushButton* cmdPrev = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdHelp = nullptr;

  protected:
    explicit InetUpdateWizard(QWidget* parent);

    // Creates the picture and nSteps pages, each with a bold title label.
    void CreatePages(int nSteps, QFrame** frmStep, QLabel** lblStep);
    // A label for the text of a page: word-wrapped and aligned at the top left.
    static QLabel* WrappedLabel(QFrame* page);
    // Creates the four buttons with their texts (Enter presses Next, never one of them or
    // pageButton) and lays out the picture, the pages and the button row.
    void CreateButtons(QPushButton* pageButton);

    int m_nStep = 1;
    QStackedLayout* m_pages = nullptr;
};

class frmInetAutoUpdate : public InetUpdateWizard {
    Q_OBJECT
  public:
    explicit frmInetAutoUpdate(QWidget* parent = nullptr);
    ~frmInetAutoUpdate() override;

    // The text of the last download (after conversion into the rate-file format).
    const QByteArray& DownloadedText() const { return m_sData; }

    QFrame* frmStep[4] = {};
    QLabel* lblStep[4] = {};
    QLabel* lblDesc1 = nullptr;
    QLabel* lblDesc2 = nullptr;
    QLabel* lblDesc3a = nullptr;
    QLabel* lblDesc3b = nullptr;
    QLabel* lblDesc4a = nullptr;
    QLabel* lblDesc4b = nullptr;
    QCheckBox* chkUseProxy = nullptr;
    QLineEdit* txtProxy = nullptr;
    QLineEdit* txtURL = nullptr;
    QPushButton* cmdDefaultURL = nullptr;

  public slots:
    void reject() override;

  private:
    void UpdateForm();
    // Fetches the file; returns "" on success, else the failure told on the last page.
    QString DownloadRateFile();
    bool WriteDownloadFile();
    void cmdNext_Click();
    void cmdPrev_Click();
    void cmdCancel_Click();

    bool m_bBusy = false;
    bool m_bCancelRequested = false; // Abbruch/Esc during the download
    bool m_bFailed = false;          // the last download failed (page 4 says why)
    QNetworkReply* m_pReply = nullptr;
    QByteArray m_sData;
    QNetworkAccessManager* Inet1 = nullptr;
};
