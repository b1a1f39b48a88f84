// SPDX-License-Identifier: Apache-2.0
// Error dialog after a failed download; lets the user raise the time-out.
#include "frmInetError.h"

#include "general.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

frmInetError::frmInetError(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInetError"));
    picImage = new QLabel(this);
    picImage->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
    picImage->setAlignment(Qt::AlignTop);
    lblDesc = new QLabel(this);
    lblDesc->setWordWrap(true);
    lblDesc->setMinimumWidth(360);
    lblTimeout = new QLabel(this);
    txtTimeout = new QLineEdit(this);
    txtTimeout->setValidator(new QIntValidator(1, 3600, txtTimeout));
    txtTimeout->setMaxLength(4);
    txtTimeout->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    lblTimeout->setBuddy(txtTimeout);
    cmdOK = new QPushButton(this);
    cmdOK->setDefault(true);

    auto* body = new QHBoxLayout;
    body->addWidget(picImage);
    body->addSpacing(8);
    body->addWidget(lblDesc, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(lblTimeout);
    row->addWidget(txtTimeout);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    auto* top = new QVBoxLayout(this);
    top->addLayout(body);
    top->addSpacing(8);
    top->addLayout(row);
    top->addLayout(buttons);

    setWindowTitle(Tx("Timeout beim Zugriff auf das Internet", "Time-out accessing the Internet"));
    lblDesc->setText(Tx("Beim Zugriff auf die angegebene Datei im Internet trat ein Fehler auf. "
                        "Unter Umständen ist die unten eingestellte Wartezeit in Sekunden zu "
                        "gering.",
                        "There was an error in connecting to the given Internet-Resource! \n"
                        "Maybe you should increase the timeout value below and try again!"));
    lblTimeout->setText(Tx("Timeout in Sekunden:", "Timeout in seconds:"));
    cmdOK->setText(Tx("&Schliessen", "&Close"));
    txtTimeout->setText(
        GetSetting(QStringLiteral("Configuration"), QStringLiteral("Timeout"), QStringLiteral("30"))
            .trimmed());

    connect(cmdOK, &QPushButton::clicked, this, &frmInetError::cmdOK_Click);
}

void frmInetError::cmdOK_Click() {
    // Only a usable number of seconds is stored; anything else keeps the setting.
    bool ok = false;
    const int n = txtTimeout->text().trimmed().toInt(&ok);
    if (ok && n >= 1)
        SaveSetting(QStringLiteral("Configuration"), QStringLiteral("Timeout"), QString::number(n));
    accept();
}
