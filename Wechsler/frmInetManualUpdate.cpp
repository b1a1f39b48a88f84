// SPDX-License-Identifier: Apache-2.0
// Manual download wizard: where to fetch the rate file and where to save it.
#include "frmInetManualUpdate.h"

#include "frmInetAutoUpdate.h"
#include "general.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedLayout>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr qint64 kMaxFile = 64LL * 1024 * 1024;

} // namespace

QString CollectSavedRateFile() {
    const QDir dir(UpdateDirectory());
    const QFileInfoList found =
        dir.entryInfoList({QStringLiteral("ECPKURSE.DAT"), QStringLiteral("eurofxref*.xml"),
                           QStringLiteral("eurofxref*.csv")},
                          QDir::Files | QDir::Readable, QDir::Time);
    if (found.isEmpty())
        return {};
    const QFileInfo newest = found.first();
    const QString sTarget = DownloadFilePath();
    if (newest.absoluteFilePath() == QFileInfo(sTarget).absoluteFilePath())
        return sTarget; // taken in (and converted if need be) by the replace dialog
    QFile in(newest.absoluteFilePath());
    if (newest.size() > kMaxFile || !in.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = ToRateFileFormat(in.readAll());
    QSaveFile out(sTarget);
    if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.commit()) {
        out.cancelWriting();
        return {};
    }
    return newest.absoluteFilePath();
}

frmInetManualUpdate::frmInetManualUpdate(QWidget* parent) : InetUpdateWizard(parent) {
    setObjectName(QStringLiteral("frmInetManualUpdate"));

    CreatePages(3, frmStep, lblStep);
    lblDesc1 = WrappedLabel(frmStep[0]);
    lblDesc2a = WrappedLabel(frmStep[1]);
    lblDesc2b = WrappedLabel(frmStep[1]);
    lblDesc2b->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont fb = lblDesc2b->font();
    fb.setBold(true);
    lblDesc2b->setFont(fb);
    lblDesc2c = WrappedLabel(frmStep[1]);
    cmdStartBrowser = new QPushButton(frmStep[1]);
    lblDesc3 = WrappedLabel(frmStep[2]);
    lblDestPath = WrappedLabel(frmStep[2]);
    lblDestPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblDestPath->setFont(fb);

    {
        auto* v = new QVBoxLayout(frmStep[0]);
        v->addWidget(lblStep[0]);
        v->addWidget(lblDesc1);
        v->addStretch(1);
    }
    {
        auto* v = new QVBoxLayout(frmStep[1]);
        v->addWidget(lblStep[1]);
        v->addWidget(lblDesc2a);
        v->addWidget(lblDesc2b);
        v->addSpacing(8);
        v->addWidget(lblDesc2c);
        auto* h = new QHBoxLayout;
        h->addStretch(1);
        h->addWidget(cmdStartBrowser);
        v->addLayout(h);
        v->addStretch(1);
    }
    {
        auto* v = new QVBoxLayout(frmStep[2]);
        v->addWidget(lblStep[2]);
        v->addWidget(lblDesc3);
        v->addSpacing(8);
        v->addWidget(lblDestPath);
        v->addStretch(1);
    }
    CreateButtons(cmdStartBrowser);

    const QString sDir = QDir::toNativeSeparators(UpdateDirectory());
    lblDestPath->setText(sDir);
    lblDestPath->setToolTip(sDir);
    const QString sPage = QString::fromLatin1(kRateListPageUrl);
    lblDesc2b->setText(sPage);
    lblDesc2b->setToolTip(sPage);

    setWindowTitle(Tx("Manuelles Aktualisieren der Währungskurse über das Internet",
                      "Manual Update of currency rates via Internet"));
    lblStep[0]->setText(Tx("Schritt 1 von 3", "Step 1 of 3"));
    lblStep[1]->setText(Tx("Schritt 2 von 3", "Step 2 of 3"));
    lblStep[2]->setText(Tx("Schritt 3 von 3", "Step 3 of 3"));
    lblDesc1->setText(Tx("Stellen Sie eine Verbindung zum Internet her!\n"
                         "(z.B. über das DFÜ-Netzwerk)\n\n"
                         "Weitere Angaben dazu erhalten Sie durch Druck auf <Hilfe>",
                         "Connect to the Internet\n(e.g. using Dial-Up Networking)"));
    lblDesc2a->setText(Tx("Öffnen Sie mit Ihrem Internet-Browser diese Seite:",
                          "Open the following Internet-Address with your browser:"));
    lblDesc2c->setText(Tx("Alternativ können Sie mit diesem Knopf auch den im System als "
                          "Standard eingestellten Browser mit dieser Adresse starten.",
                          "You can also start the Default-Browser with this adress by pressing "
                          "this button."));
    cmdStartBrowser->setText(Tx("Standard-Browser", "Default-Browser"));
    lblDesc3->setText(Tx("Bitte speichern Sie die Datei im unten angegebenen Verzeichnis ab und "
                         "Drücken dann auf <Weiter>!",
                         "Please save this file at the path specified below and then press "
                         "<Next>"));

    connect(cmdNext, &QPushButton::clicked, this, &frmInetManualUpdate::cmdNext_Click);
    connect(cmdPrev, &QPushButton::clicked, this, &frmInetManualUpdate::cmdPrev_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmInetManualUpdate::reject);
    connect(cmdStartBrowser, &QPushButton::clicked, this,
            &frmInetManualUpdate::cmdStartBrowser_Click);
    connect(cmdHelp, &QPushButton::clicked, this, [] {
        ShowHelpFile(bGerman ? QStringLiteral("ManuUpdate.htm")
                             : QStringLiteral("ManuUpdateE.htm"));
    });

    m_nStep = 1;
    UpdateForm();
}

void frmInetManualUpdate::UpdateForm() {
    m_pages->setCurrentIndex(m_nStep - 1);
    cmdPrev->setEnabled(m_nStep > 1);
    if (m_nStep == 3) {
        const QString sDir = QDir::toNativeSeparators(UpdateDirectory());
        lblDestPath->setText(sDir);
        lblDestPath->setToolTip(sDir);
    }
}

void frmInetManualUpdate::cmdNext_Click() {
    if (m_nStep >= 3) {
        CollectSavedRateFile();
        accept(); // bDownloadCancelled stays false
        return;
    }
    ++m_nStep;
    UpdateForm();
}

void frmInetManualUpdate::cmdPrev_Click() {
    if (m_nStep > 1) {
        --m_nStep;
        UpdateForm();
    }
}

void frmInetManualUpdate::cmdStartBrowser_Click() {
    if (ShellOpen(lblDesc2b->text(), this) < 32)
        ShowMessage(Tx("Internet-Browser konnte nicht gestartet werden!",
                       "Internet-Browser could not be started!"),
                    MsgIcon::None, this);
}

void frmInetManualUpdate::reject() {
    bDownloadCancelled = true;
    QDialog::reject();
}
