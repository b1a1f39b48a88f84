// SPDX-License-Identifier: Apache-2.0
// Automatic download wizard for a new rate file.
#include "frmInetAutoUpdate.h"

#include "frmInetError.h"
#include "general.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QApplication>
#include <QSaveFile>
#include <QStackedLayout>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include "ratefile.h"

bool bDownloadCancelled = false;

namespace {

QString& UpdateDirOverride() {
    static QString s;
    return s;
}

// Largest download taken in; the ECB's full history is a few megabytes.
constexpr qint64 kMaxDownload = 64LL * 1024 * 1024;

const QString kSection = QStringLiteral("Configuration");

} // namespace

// ---------------------------------------------------------------- shared helpers

QString UpdateDirectory() {
    return UpdateDirOverride().isEmpty() ? QFileInfo(RateFilePath()).absolutePath()
                                         : UpdateDirOverride();
}

void SetUpdateDirectory(const QString& sDir) {
    UpdateDirOverride() = sDir;
}

QString DownloadFilePath() {
    return UpdateDirectory() + QStringLiteral("/ECPKURSE.DAT");
}

QString UpdateRateFilePath() {
    return RateFilePath();
}

QByteArray ToRateFileFormat(const QByteArray& data, QString* sError) {
    if (data.contains("@@@"))
        return data; // already a rate file
    namespace rf = tarvo::ratefile;
    const std::string_view bytes(data.constData(), static_cast<size_t>(data.size()));
    try {
        rf::detectEcbFormat(bytes);
    } catch (const rf::Error&) {
        return data; // none of the published formats: taken as it is
    }
    try {
        std::vector<rf::RateRecord> records = rf::importEcb(bytes, "download");
        const std::string sDate = rf::newestDate(records);
        const std::string out = rf::encodeRateFile(std::move(records), sDate);
        return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
    } catch (const std::exception& e) {
        if (sError)
            *sError = QString::fromUtf8(e.what());
        return data;
    }
}

QPixmap UpdatePicture(int nSize) {
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pm(QSize(nSize, nSize) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = nSize / 64.0;
    p.scale(s, s);
    // Globe: sphere, meridians and parallels.
    QRadialGradient g(QPointF(22, 20), 34);
    g.setColorAt(0, QColor(120, 180, 240));
    g.setColorAt(1, QColor(30, 90, 170));
    p.setBrush(g);
    p.setPen(QPen(QColor(20, 60, 120), 1.5));
    const QRectF globe(4, 4, 46, 46);
    p.drawEllipse(globe);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(220, 235, 250, 200), 1.2));
    p.drawEllipse(QRectF(16, 4, 22, 46));
    p.drawLine(QPointF(27, 4), QPointF(27, 50));
    p.drawLine(QPointF(4, 27), QPointF(50, 27));
    p.drawArc(QRectF(7, 8, 40, 14), 0, 180 * 16);
    p.drawArc(QRectF(7, 32, 40, 14), 180 * 16, 180 * 16);
    // Download arrow in the lower right corner.
    QPainterPath arrow;
    arrow.moveTo(45, 30);
    arrow.lineTo(55, 30);
    arrow.lineTo(55, 44);
    arrow.lineTo(62, 44);
    arrow.lineTo(50, 60);
    arrow.lineTo(38, 44);
    arrow.lineTo(45, 44);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(20, 90, 30), 1.5));
    p.setBrush(QColor(60, 170, 70));
    p.drawPath(arrow);
    return pm;
}

bool ParseProxySetting(const QString& sProxy, QString& sHost, quint16& nPort) {
    const QString s = sProxy.trimmed();
    const qsizetype n = s.lastIndexOf(QLatin1Char(':'));
    if (n <= 0)
        return false;
    QString host = s.left(n).trimmed();
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint port = s.mid(n + 1).trimmed().toUInt(&ok);
    if (!ok || port < 1 || port > 65535 || host.isEmpty() || host.contains(QLatin1Char(' ')))
        return false;
    sHost = host;
    nPort = static_cast<quint16>(port);
    return true;
}

// ---------------------------------------------------------------- wizard

InetUpdateWizard::InetUpdateWizard(QWidget* parent) : QDialog(parent) {
    bDownloadCancelled = false;
}

void InetUpdateWizard::CreatePages(int nSteps, QFrame** frmStep, QLabel** lblStep) {
    picImage = new QLabel(this);
    picImage->setPixmap(UpdatePicture());
    picImage->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    picImage->setFixedWidth(88);

    m_pages = new QStackedLayout;
    for (int i = 0; i < nSteps; ++i) {
        frmStep[i] = new QFrame(this);
        lblStep[i] = new QLabel(frmStep[i]);
        QFont f = lblStep[i]->font();
        f.setBold(true);
        lblStep[i]->setFont(f);
        m_pages->addWidget(frmStep[i]);
    }
}

QLabel* InetUpdateWizard::WrappedLabel(QFrame* page) {
    auto* l = new QLabel(page);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    return l;
}

void InetUpdateWizard::CreateButtons(QPushButton* pageButton) {
    cmdHelp = new QPushButton(this);
    cmdCancel = new QPushButton(this);
    cmdPrev = new QPushButton(this);
    cmdNext = new QPushButton(this);
    for (QPushButton* b : {cmdHelp, cmdCancel, cmdPrev, cmdNext, pageButton})
        b->setAutoDefault(false);
    cmdNext->setDefault(true);

    auto* body = new QHBoxLayout;
    body->addWidget(picImage);
    body->addLayout(m_pages, 1);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdHelp);
    buttons->addStretch(1);
    buttons->addWidget(cmdCancel);
    buttons->addSpacing(12);
    buttons->addWidget(cmdPrev);
    buttons->addWidget(cmdNext);
    auto* top = new QVBoxLayout(this);
    top->addLayout(body, 1);
    top->addWidget(line);
    top->addLayout(buttons);
    setMinimumSize(560, 300);

    cmdCancel->setText(Tx("&Abbruch", "&Cancel"));
    cmdPrev->setText(Tx("&Zurück", "&Previous"));
    cmdNext->setText(Tx("&Weiter", "&Next"));
    cmdHelp->setText(Tx("&Hilfe", "&Help"));
}

frmInetAutoUpdate::frmInetAutoUpdate(QWidget* parent) : InetUpdateWizard(parent) {
    setObjectName(QStringLiteral("frmInetAutoUpdate"));
    Inet1 = new QNetworkAccessManager(this);

    CreatePages(4, frmStep, lblStep);
    lblDesc1 = WrappedLabel(frmStep[0]);
    chkUseProxy = new QCheckBox(frmStep[0]);
    txtProxy = new QLineEdit(frmStep[0]);
    lblDesc2 = WrappedLabel(frmStep[1]);
    txtURL = new QLineEdit(frmStep[1]);
    cmdDefaultURL = new QPushButton(frmStep[1]);
    lblDesc3a = WrappedLabel(frmStep[2]);
    lblDesc3b = WrappedLabel(frmStep[2]);
    lblDesc4a = WrappedLabel(frmStep[3]);
    lblDesc4b = WrappedLabel(frmStep[3]);

    {
        auto* v = new QVBoxLayout(frmStep[0]);
        v->addWidget(lblStep[0]);
        v->addWidget(lblDesc1);
        auto* h = new QHBoxLayout;
        h->addWidget(chkUseProxy);
        h->addWidget(txtProxy, 1);
        v->addLayout(h);
        v->addStretch(1);
    }
    {
        auto* v = new QVBoxLayout(frmStep[1]);
        v->addWidget(lblStep[1]);
        v->addWidget(lblDesc2);
        auto* h = new QHBoxLayout;
        h->addWidget(txtURL, 1);
        h->addWidget(cmdDefaultURL);
        v->addLayout(h);
        v->addStretch(1);
    }
    for (int i = 2; i < 4; ++i) {
        auto* v = new QVBoxLayout(frmStep[i]);
        v->addWidget(lblStep[i]);
        v->addSpacing(12);
        v->addWidget(i == 2 ? lblDesc3a : lblDesc4a);
        v->addWidget(i == 2 ? lblDesc3b : lblDesc4b);
        v->addStretch(1);
    }
    CreateButtons(cmdDefaultURL);

    // Texts for the language.
    setWindowTitle(Tx("Automatisches Aktualisieren der Währungskurse über das Internet",
                      "Automatic Update of currency rates via Internet"));
    lblStep[0]->setText(Tx("Schritt 1 von 3", "Step 1 of 3"));
    lblStep[1]->setText(Tx("Schritt 2 von 3", "Step 2 of 3"));
    lblStep[2]->setText(Tx("Schritt 3 von 3", "Step 3 of 3"));
    lblStep[3]->setText(Tx("Schritt 3 von 3", "Step 3 of 3"));
    lblDesc1->setText(Tx("Stellen Sie eine Verbindung zum Internet her!\n"
                         "(z.B. über das DFÜ-Netzwerk)\n\n"
                         "Eine Proxy-Einstellung kann in der Form <Proxy-Name>:<Port> "
                         "angegeben werden.",
                         "Connect to the Internet\n(e.g. using Dial-Up Networking)\n\n"
                         "A Proxy-setting can be given in the form <proxy-name>:<port>"));
    lblDesc2->setText(Tx("Auswahl der richtigen Internet-Adresse\n\n"
                         "Diese Einstellung sollten Sie nur auf Anforderung ändern!\n"
                         "Der ursprüngliche Zustand kann mit dem Knopf <Standard> "
                         "wiederhergestellt werden.",
                         "Selecting the correct URL\n\n"
                         "You should change this setting only when requested!\n"
                         "The original state can be set with the button <Default>."));
    chkUseProxy->setText(Tx("Proxy-Server benutzen:", "Use proxy-server:"));
    cmdDefaultURL->setText(Tx("&Standard", "Default"));
    lblDesc3a->setText(Tx("Daten werden geladen!", "Loading data!"));
    lblDesc3b->setText(Tx("Bitte warten...", "Please wait..."));
    lblDesc4a->setText(Tx("Daten wurden geladen!", "Download finished"));
    lblDesc4b->setText(Tx("Bitte drücken Sie auf <Weiter>", "Please press <Next>"));

    connect(cmdNext, &QPushButton::clicked, this, &frmInetAutoUpdate::cmdNext_Click);
    connect(cmdPrev, &QPushButton::clicked, this, &frmInetAutoUpdate::cmdPrev_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmInetAutoUpdate::cmdCancel_Click);
    connect(cmdHelp, &QPushButton::clicked, this, [] {
        ShowHelpFile(bGerman ? QStringLiteral("AutoUpdate.htm")
                             : QStringLiteral("AutoUpdateE.htm"));
    });
    connect(cmdDefaultURL, &QPushButton::clicked, this, [this] {
        txtURL->setText(QString::fromLatin1(kDefaultRateFileUrl));
        txtURL->setCursorPosition(0);
    });
    connect(chkUseProxy, &QCheckBox::clicked, this,
            [this] { txtProxy->setEnabled(chkUseProxy->isChecked()); });

    m_nStep = 1;
    UpdateForm();
}

frmInetAutoUpdate::~frmInetAutoUpdate() = default;

void frmInetAutoUpdate::UpdateForm() {
    const int nPage = m_nStep < 1 ? 0 : (m_nStep > 4 ? 3 : m_nStep - 1);
    m_pages->setCurrentIndex(nPage);
    switch (m_nStep) {
    case 1: {
        bool ok = false;
        const int nUse = GetSetting(kSection, QStringLiteral("UseProxy"), QStringLiteral("0"))
                             .trimmed()
                             .toInt(&ok);
        chkUseProxy->setChecked(ok && nUse > 0);
        txtProxy->setEnabled(chkUseProxy->isChecked());
        txtProxy->setText(GetSetting(kSection, QStringLiteral("Proxy")));
        cmdPrev->setEnabled(false);
        cmdNext->setEnabled(true);
        break;
    }
    case 2: {
        SaveSetting(kSection, QStringLiteral("UseProxy"),
                    chkUseProxy->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        SaveSetting(kSection, QStringLiteral("Proxy"), txtProxy->text().trimmed());
        QString sUrl = GetSetting(kSection, QStringLiteral("DatFileURL")).trimmed();
        txtURL->setText(sUrl.isEmpty() ? QString::fromLatin1(kDefaultRateFileUrl) : sUrl);
        txtURL->setCursorPosition(0);
        cmdPrev->setEnabled(true);
        cmdNext->setEnabled(true);
        break;
    }
    case 3: {
        SaveSetting(kSection, QStringLiteral("DatFileURL"), txtURL->text().trimmed());
        cmdPrev->setEnabled(false);
        cmdNext->setEnabled(false);
        // Abbruch and Esc stay usable: a silent server must not hold the wizard.
        cmdCancel->setEnabled(true);
        const QString sFailure = DownloadRateFile();
        if (m_bCancelRequested) {
            bDownloadCancelled = true;
            QDialog::reject();
            return;
        }
        // The outcome is reported on the next page; after a failure only Zurück (to
        // correct the address) and Abbruch lead on.
        m_nStep = 4;
        m_pages->setCurrentIndex(3);
        m_bFailed = !sFailure.isEmpty();
        if (m_bFailed) {
            lblDesc4a->setText(
                Tx("Daten konnten nicht geladen werden!", "The data could not be loaded!"));
            lblDesc4b->setText(sFailure + QStringLiteral("\n\n") +
                               Tx("Mit <Zurück> können Sie die Internet-Adresse ändern.",
                                  "With <Previous> you can change the URL."));
            cmdNext->setEnabled(false);
            cmdPrev->setEnabled(true);
            cmdPrev->setDefault(true);
            cmdPrev->setFocus();
        } else {
            lblDesc4a->setText(Tx("Daten wurden geladen!", "Download finished"));
            lblDesc4b->setText(Tx("Bitte drücken Sie auf <Weiter>", "Please press <Next>"));
            cmdNext->setEnabled(true);
            cmdNext->setDefault(true);
            cmdNext->setFocus();
        }
        break;
    }
    case 4:
        break;
    default:
        if (!WriteDownloadFile())
            bDownloadCancelled = true;
        accept();
        break;
    }
}

QString frmInetAutoUpdate::DownloadRateFile() {
    m_bBusy = true;
    m_bCancelRequested = false;
    m_sData.clear();

    QString sHost;
    quint16 nPort = 0;
    if (chkUseProxy->isChecked() && ParseProxySetting(txtProxy->text(), sHost, nPort))
        Inet1->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, sHost, nPort));
    else if (chkUseProxy->isChecked())
        Inet1->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QString(), 0)); // unusable
    else
        Inet1->setProxy(QNetworkProxy(QNetworkProxy::DefaultProxy));

    bool ok = false;
    int nTimeout =
        GetSetting(kSection, QStringLiteral("Timeout"), QStringLiteral("30")).trimmed().toInt(&ok);
    // A missing, unreadable or zero time-out would let the request wait for ever.
    if (!ok || nTimeout < 1)
        nTimeout = 30;
    nTimeout = std::min(nTimeout, 3600);

    QNetworkRequest req(QUrl::fromUserInput(txtURL->text().trimmed()));
    req.setTransferTimeout(nTimeout * 1000);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                     QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = Inet1->get(req);
    m_pReply = reply;
    bool bTooLarge = false;
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 nReceived, qint64) {
        if (nReceived > kMaxDownload && !bTooLarge) {
            bTooLarge = true;
            reply->abort();
        }
    });
    // User input is served while waiting, so that Abbruch and Esc can end the request.
    if (!reply->isFinished())
        loop.exec();
    m_pReply = nullptr;

    const int nStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError err = reply->error();
    const QString sErrorString = reply->errorString();
    const QByteArray body = (bTooLarge || !reply->isOpen()) ? QByteArray() : reply->readAll();
    reply->deleteLater();
    m_bBusy = false;
    if (m_bCancelRequested)
        return Tx("Abgebrochen.", "Cancelled.");

    const QString sNotFound =
        Tx("Datei an der angegebenen Stelle nicht vorhanden!\n"
           "Bitte überprüfen Sie die Internet-Adresse!",
           "File not found at the given location!\nPlease check the given URL!");
    if (nStatus == 404 || nStatus == 410 || (err == QNetworkReply::ContentNotFoundError)) {
        m_sData = body;
        ShowMessage(sNotFound, MsgIcon::None, this);
        return sNotFound;
    }
    if (bTooLarge)
        return Tx("Die Datei ist zu groß.", "The file is too large.");
    if (err == QNetworkReply::OperationCanceledError || err == QNetworkReply::TimeoutError) {
        // The transfer time-out ended the request: the user may allow more time.
        frmInetError dlg(this);
        dlg.exec();
        return Tx("Zeitüberschreitung: der Server hat nicht rechtzeitig geantwortet.",
                  "Time-out: the server did not answer in time.");
    }
    if (err == QNetworkReply::ConnectionRefusedError)
        return Tx("Der Server hat die Verbindung abgelehnt.", "The server refused the connection.");
    if (err == QNetworkReply::HostNotFoundError)
        return Tx("Der Server wurde nicht gefunden.", "The server was not found.");
    if (err != QNetworkReply::NoError)
        return Tx("Fehler beim Zugriff: ", "Access failed: ") + sErrorString;
    if (body.isEmpty())
        return Tx("Der Server hat eine leere Datei geliefert.", "The server sent an empty file.");
    QString sImportError;
    m_sData = ToRateFileFormat(body, &sImportError);
    if (m_sData.contains("Error 404")) {
        ShowMessage(sNotFound, MsgIcon::None, this);
        return sNotFound;
    }
    if (!m_sData.contains("@@@")) {
        QString sMsg = Tx("Ungültige Datendatei! Versionskennung nicht gefunden!",
                          "Invalid file. Version signature not found!");
        if (!sImportError.isEmpty())
            sMsg += QLatin1Char('\n') + sImportError;
        ShowMessage(sMsg, MsgIcon::None, this);
        return sMsg;
    }
    return {};
}

bool frmInetAutoUpdate::WriteDownloadFile() {
    const QString sPath = DownloadFilePath();
    QSaveFile f(sPath);
    bool ok = f.open(QIODevice::WriteOnly);
    if (ok) {
        QByteArray out = m_sData;
        if (!out.endsWith('\n'))
            out += "\r\n";
        ok = f.write(out) == out.size() && f.commit();
    }
    if (!ok) {
        f.cancelWriting();
        ShowMessage(Tx("Fehler beim Schreiben der Datei ", "Error writing file ") + sPath,
                    MsgIcon::None, this);
    }
    return ok;
}

void frmInetAutoUpdate::cmdNext_Click() {
    if (m_bBusy)
        return;
    ++m_nStep;
    UpdateForm();
}

void frmInetAutoUpdate::cmdPrev_Click() {
    if (m_bBusy)
        return;
    if (m_nStep == 2) {
        --m_nStep;
        UpdateForm();
    } else if (m_nStep == 4 && m_bFailed) {
        // Back to the address after a failed download.
        m_bFailed = false;
        m_nStep = 2;
        UpdateForm();
        cmdNext->setDefault(true);
    }
}

void frmInetAutoUpdate::cmdCancel_Click() {
    reject();
}

void frmInetAutoUpdate::reject() {
    // Abbruch, Esc and the close box cancel; during the download they end the request and
    // the wizard closes as soon as it has returned.
    if (m_bBusy) {
        m_bCancelRequested = true;
        if (m_pReply)
            m_pReply->abort();
        return;
    }
    bDownloadCancelled = true;
    QDialog::reject();
}
