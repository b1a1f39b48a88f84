// SPDX-License-Identifier: Apache-2.0
// Information dialog: versions, booking date, rate-file use, entry to the other dialogs.
#include "frmInfo.h"

#include "Compute.h"
#include "frmConfig.h"
#include "frmFileReplace.h"
#include "frmInetAutoUpdate.h"
#include "frmInetManualUpdate.h"
#include "frmXchgRate.h"
#include "general.h"
#include "ratecodec.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include <string_view>

#include <sys/vfs.h>

namespace {

QFrame* HLine(QWidget* parent) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

} // namespace

// ---------------------------------------------------------------- module functions

QString ShortDateText(const QDate& d) {
    return d.toString(bGerman ? QStringLiteral("dd.MM.yyyy") : QStringLiteral("MM/dd/yyyy"));
}

QDate ParseShortDate(const QString& s) {
    return QDate::fromString(s.trimmed(),
                             bGerman ? QStringLiteral("dd.MM.yyyy") : QStringLiteral("MM/dd/yyyy"));
}

bool ReadRateFileDate(const QString& path, QString& dateText) {
    dateText = Tx("Ungültig", "Invalid");
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // Records end with CR LF; a line longer than this holds no version record.
    constexpr qint64 kMaxLine = 1 << 16;
    QByteArray line;
    bool bFound = false;
    while (!f.atEnd()) {
        line = f.readLine(kMaxLine);
        const auto& marker = tarvo::ratecodec::kVersionMarker;
        qsizetype n = line.indexOf(QByteArrayView(marker.data(), marker.size()));
        if (n >= 0) {
            line = line.mid(n);
            bFound = true;
            break;
        }
    }
    f.close();
    if (!bFound)
        return false;
    const std::string_view ymd =
        tarvo::ratecodec::versionDate(std::string_view(line.constData(), line.size()));
    if (ymd.empty())
        return false;
    const auto number = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i)
            v = v * 10 + (ymd[i] - '0');
        return v;
    };
    const QDate d(number(0, 4), number(4, 2), number(6, 2));
    if (!d.isValid())
        return false;
    dateText = ShortDateText(d);
    return true;
}

bool IsNetworkFileSystemType(long fsType) {
    switch (static_cast<unsigned long>(fsType) & 0xFFFFFFFFUL) {
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x564CUL:     // NCP
    case 0x73757245UL: // Coda
    case 0x5346414FUL: // AFS (OpenAFS)
    case 0x6B414653UL: // kAFS
    case 0x01021997UL: // 9P
    case 0x00C36400UL: // Ceph
    case 0x47504653UL: // GPFS
    case 0x0BD00BD0UL: // Lustre
    case 0x013111A8UL: // IBRIX
    case 0x19830326UL: // FhGFS / BeeGFS
        return true;
    default:
        return false;
    }
}

bool IsOnNetworkFileSystem(const QString& sPath) {
    struct statfs st {};
    const QByteArray p = QFile::encodeName(sPath.isEmpty() ? QStringLiteral(".") : sPath);
    if (statfs(p.constData(), &st) != 0)
        return false; // unknown: treated like a path without a drive root (allowed)
    return IsNetworkFileSystemType(static_cast<long>(st.f_type));
}

// ---------------------------------------------------------------- dialog

frmInfo::frmInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInfo"));
    txtPrgVersion = new QLineEdit(this);
    txtDllVersion = new QLineEdit(this);
    for (QLineEdit* e : {txtPrgVersion, txtDllVersion}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
    }
    lblProgVersion = new QLabel(this);
    lblDllVersion = new QLabel(this);
    lblKursUsage = new QLabel(this);
    lblKursUsage->setWordWrap(true);
    lblBuchDatum = new QLabel(this);
    mskBuchDatum = new QLineEdit(this);
    mskBuchDatum->setObjectName(QStringLiteral("mskBuchDatum"));
    mskBuchDatum->setInputMask(bGerman ? QStringLiteral("99.99.9999;_")
                                       : QStringLiteral("99/99/9999;_"));
    mskBuchDatum->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("00.00.00000")) +
                                16);
    mskBuchDatum->installEventFilter(this);
    lblBuchDatum->setBuddy(mskBuchDatum);
    lblDateError = new QLabel(this);
    lblDateError->setObjectName(QStringLiteral("lblDateError"));
    {
        QPalette ep = lblDateError->palette();
        ep.setColor(QPalette::WindowText, QColor(170, 0, 0));
        lblDateError->setPalette(ep);
    }
    chkUseWaehdat = new QCheckBox(this);
    lblAddCurr = new QLabel(this);
    lblAddCurr->setWordWrap(true);
    cmdConfig = new QPushButton(this);
    cmdXchgRate = new QPushButton(this);
    lblDownloadUpdate = new QLabel(this);
    lblDownloadUpdate->setWordWrap(true);
    cmdDownloadManual = new QPushButton(this);
    cmdDownloadAutomatic = new QPushButton(this);
    cmdHelp = new QPushButton(this);
    cmdOK = new QPushButton(this);
    for (QPushButton* b :
         {cmdConfig, cmdXchgRate, cmdDownloadManual, cmdDownloadAutomatic, cmdHelp, cmdOK})
        b->setAutoDefault(false);
    cmdOK->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(lblProgVersion, 0, 0);
    grid->addWidget(txtPrgVersion, 0, 1);
    grid->addWidget(lblDllVersion, 1, 0);
    grid->addWidget(txtDllVersion, 1, 1);
    grid->setColumnStretch(1, 1);

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(lblBuchDatum);
    dateRow->addWidget(mskBuchDatum);
    dateRow->addWidget(lblDateError);
    dateRow->addSpacing(16);
    dateRow->addWidget(chkUseWaehdat);
    dateRow->addStretch(1);

    auto* addRow = new QHBoxLayout;
    addRow->addWidget(lblAddCurr, 1);
    addRow->addWidget(cmdConfig);
    addRow->addWidget(cmdXchgRate);

    auto* dlRow = new QHBoxLayout;
    dlRow->addWidget(lblDownloadUpdate, 1);
    dlRow->addWidget(cmdDownloadManual);
    dlRow->addWidget(cmdDownloadAutomatic);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdHelp);
    buttons->addWidget(cmdOK);

    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addWidget(lblKursUsage);
    top->addWidget(HLine(this));
    top->addLayout(dateRow);
    top->addWidget(HLine(this));
    top->addLayout(addRow);
    top->addLayout(dlRow);
    top->addWidget(HLine(this));
    top->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &frmInfo::cmdOK_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmInfo::cmdHelp_Click);
    connect(cmdConfig, &QPushButton::clicked, this, &frmInfo::cmdConfig_Click);
    connect(cmdXchgRate, &QPushButton::clicked, this, &frmInfo::cmdXchgRate_Click);
    connect(cmdDownloadAutomatic, &QPushButton::clicked, this, [this] { RunDownload(true); });
    connect(cmdDownloadManual, &QPushButton::clicked, this, [this] { RunDownload(false); });

    FormLoad();
}

void frmInfo::FormLoad() {
    QString sVersion;
    GetBridgeVersion(sVersion);
    txtDllVersion->setText(sVersion.trimmed());
    QString sPrg = QCoreApplication::applicationVersion();
    if (sPrg.isEmpty())
        sPrg = QStringLiteral(WECHSLER_VERSION);
    txtPrgVersion->setText(sPrg);

    setWindowTitle(QStringLiteral("Devisio"));
    lblKursUsage->setText(Tx("Verwendet offizielle Euro-Umrechnungskurse vom 31.12.1998.",
                             "Official Euro conversion rates from\n12/31/1998\nare used."));
    lblProgVersion->setText(Tx("Programmversion:", "Program version:"));
    lblDllVersion->setText(Tx("Benutzte TARVO-Office Version:", "TARVO-Office version used:"));
    cmdConfig->setText(Tx("Ä&ndern", "C&hange"));
    cmdXchgRate->setText(Tx("&Anzeigen", "&Display"));
    cmdOK->setText(Tx("S&chließen", "&Close"));
    cmdHelp->setText(Tx("&Hilfe", "&Help"));
    lblBuchDatum->setText(Tx("Buchungsdatum:", "Booking date"));
    chkUseWaehdat->setText(Tx("Datei WAEHKURS.DAT benutzen", "Using of file WAEHKURS.DAT"));
    lblAddCurr->setText(
        Tx("Zusätzliche Währungen mit Kursen:", "Additional currencies with their rates"));
    lblDownloadUpdate->setText(
        Tx("Währungs- und Kurs-Datei WAEHKURS.DAT aktualisieren mit Download aus dem Internet:",
           "Update Currency and Price File WAEHKURS.DAT by Internet Download:"));
    cmdDownloadManual->setText(Tx("&Manuell", "&Manual"));
    cmdDownloadAutomatic->setText(Tx("A&utomatisch", "A&utomatic"));

    bool ok = false;
    int nUse =
        GetSetting(QStringLiteral("Currencies"), QStringLiteral("UseWaehdat"), QStringLiteral("0"))
            .trimmed()
            .toInt(&ok);
    chkUseWaehdat->setChecked(ok && nUse >= 1);

    mskBuchDatum->setText(ShortDateText(dBookingDate));
    mskBuchDatum->setPalette(QApplication::palette(mskBuchDatum));
}

bool frmInfo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mskBuchDatum && event->type() == QEvent::FocusOut)
        mskBuchDatum_LostFocus();
    return QDialog::eventFilter(watched, event);
}

void frmInfo::mskBuchDatum_LostFocus() {
    QPalette pal = QApplication::palette(mskBuchDatum);
    const bool bValid = ParseShortDate(mskBuchDatum->text()).isValid();
    if (!bValid)
        pal.setColor(QPalette::Text, QColor(255, 0, 0));
    mskBuchDatum->setPalette(pal);
    // The red date says what is wrong, so that Schließen doing nothing is understood.
    lblDateError->setText(
        bValid ? QString()
               : Tx("Kein gültiges Datum (TT.MM.JJJJ)", "Not a valid date (MM/DD/YYYY)"));
    mskBuchDatum->setAccessibleDescription(lblDateError->text());
}

void frmInfo::cmdOK_Click() {
    const QDate d = ParseShortDate(mskBuchDatum->text());
    if (!d.isValid()) {
        QApplication::beep();
        mskBuchDatum_LostFocus();
        mskBuchDatum->setFocus();
        return;
    }
    dBookingDate = d;
    DeleteSetting(QStringLiteral("Currencies"), QStringLiteral("UseWaehdat"));
    if (chkUseWaehdat->isChecked())
        SaveSetting(QStringLiteral("Currencies"), QStringLiteral("UseWaehdat"),
                    QStringLiteral("1"));
    accept();
}

void frmInfo::cmdHelp_Click() {
    ShowHelpFile(bGerman ? QStringLiteral("BedAnl_D.htm") : QStringLiteral("BedAnl_E.htm"));
}

void frmInfo::cmdConfig_Click() {
    frmConfig dlg(this);
    dlg.exec();
}

void frmInfo::cmdXchgRate_Click() {
    frmXchgRate dlg(this);
    dlg.exec();
}

void frmInfo::RunDownload(bool bAutomatic) {
    if (!IsUpdateAllowed())
        return;
    if (bAutomatic) {
        frmInetAutoUpdate dlg(this);
        dlg.exec();
    } else {
        frmInetManualUpdate dlg(this);
        dlg.exec();
    }
    if (!bDownloadCancelled) {
        frmFileReplace dlg(this);
        dlg.exec();
    }
}

bool frmInfo::IsUpdateAllowed() {
    if (!IsOnNetworkFileSystem(UpdateDirectory()))
        return true;
    ShowMessage(Tx("Diese Funktionalität steht bei einer Installation auf einem Netzwerklaufwerk "
                   "nicht zur Verfügung!",
                   "This functionality is not available for a network Installation!"),
                MsgIcon::None, this);
    return false;
}
