// SPDX-License-Identifier: Apache-2.0
// Replace dialog: compares the current and the downloaded rate file and swaps them.
#include "frmFileReplace.h"

#include "frmInetAutoUpdate.h"
#include "frmInfo.h"
#include "general.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// Largest download file taken in (as for the download itself).
constexpr qint64 kMaxFile = 64LL * 1024 * 1024;

// A download file in one of the ECB's formats (saved by hand, for instance) is converted
// into the rate-file format in place before its date is read.
void PrepareDownloadFile(const QString& sPath) {
    QFile f(sPath);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxFile)
        return;
    const QByteArray data = f.readAll();
    f.close();
    const QByteArray converted = ToRateFileFormat(data);
    if (converted == data)
        return;
    QSaveFile out(sPath);
    if (out.open(QIODevice::WriteOnly) && out.write(converted) == converted.size())
        out.commit();
    else
        out.cancelWriting();
}

} // namespace

frmFileReplace::frmFileReplace(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFileReplace"));
    Picture1 = new QLabel(this);
    Picture1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(48, 48));
    Picture1->setAlignment(Qt::AlignTop);
    lblOldVersion = new QLabel(this);
    lblOldDate = new QLabel(this);
    lblNewVersion = new QLabel(this);
    lblNewDate = new QLabel(this);
    lblAskReplace = new QLabel(this);
    lblAskReplace->setWordWrap(true);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(this);
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    // Enter replaces (the question asked); Esc cancels.
    cmdOK->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(lblOldVersion, 0, 0);
    grid->addWidget(lblOldDate, 0, 1);
    grid->addWidget(lblNewVersion, 1, 0);
    grid->addWidget(lblNewDate, 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(16);
    auto* text = new QVBoxLayout;
    text->addLayout(grid);
    text->addSpacing(10);
    text->addWidget(lblAskReplace);
    auto* body = new QHBoxLayout;
    body->addWidget(Picture1);
    body->addSpacing(8);
    body->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(body);
    top->addSpacing(8);
    top->addLayout(buttons);
    setMinimumWidth(380);

    setWindowTitle(Tx("Kursdatei aktualisieren", "Update datafile?"));
    lblOldVersion->setText(Tx("Aktuelle Version:", "Actual version:"));
    lblNewVersion->setText(Tx("Neue Version:", "New version:"));
    cmdCancel->setText(Tx("&Abbruch", "&Cancel"));
    lblAskReplace->setText(Tx("Soll die alte Datei aktualisiert werden?",
                              "Should the actual file be replaced with the new file?"));

    PrepareDownloadFile(DownloadFilePath());
    QString sOld, sNew;
    ReadRateFileDate(UpdateRateFilePath(), sOld);
    const bool bNewOk = ReadRateFileDate(DownloadFilePath(), sNew);
    lblOldDate->setText(sOld);
    lblNewDate->setText(sNew);
    if (!bNewOk) {
        lblAskReplace->setText(Tx("Neue Datei ist ungültig!", "New file is invalid!"));
        cmdOK->setEnabled(false);
        cmdOK->setDefault(false);
        cmdCancel->setDefault(true);
    }

    connect(cmdOK, &QPushButton::clicked, this, &frmFileReplace::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFileReplace::reject);
}

void frmFileReplace::cmdOK_Click() {
    // The new file is written next to the old one and renamed over it, so a failure leaves
    // the old rate file whole.
    bool ok = false;
    QFile in(DownloadFilePath());
    if (in.open(QIODevice::ReadOnly) && in.size() <= kMaxFile) {
        const QByteArray bytes = in.readAll();
        in.close();
        QSaveFile out(UpdateRateFilePath());
        ok = out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
        if (!ok)
            out.cancelWriting();
    }
    if (!ok)
        ShowMessage(Tx("Fehler beim Kopieren der Datei!", "Error during copy operation!"),
                    MsgIcon::None, this);
    QFile::remove(DownloadFilePath());
    accept();
}

void frmFileReplace::reject() {
    // Cancel, Esc and the close box: the download file is removed in every case.
    QFile::remove(DownloadFilePath());
    QDialog::reject();
}
