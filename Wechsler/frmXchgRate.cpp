// SPDX-License-Identifier: Apache-2.0
// Rate display: every currency with its rate to the euro and its decimals.
#include "frmXchgRate.h"

#include "ratefile.h"

#include "CCurrencyList.h"
#include "Compute.h"
#include "frmInfo.h"
#include "general.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

bool StoredUseWaehdat() {
    bool ok = false;
    const int n =
        GetSetting(QStringLiteral("Currencies"), QStringLiteral("UseWaehdat"), QStringLiteral("0"))
            .trimmed()
            .toInt(&ok);
    return ok && n >= 1;
}

} // namespace

QColor frmXchgRate::HighlightColour() {
    return QColor(255, 255, 128);
}

frmXchgRate::frmXchgRate(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmXchgRate"));
    grdXchgRate = new QTableWidget(1, 3, this);
    grdXchgRate->setTabKeyNavigation(false); // Tab goes on to the button
    grdXchgRate->verticalHeader()->setVisible(false);
    grdXchgRate->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdXchgRate->setSelectionMode(QAbstractItemView::SingleSelection);
    grdXchgRate->horizontalHeader()->setStretchLastSection(true);
    grdXchgRate->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grdXchgRate->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    lblRateSource1 = new QLabel(this);
    lblRateSource2 = new QLabel(this);
    for (QLabel* l : {lblRateSource1, lblRateSource2})
        l->setWordWrap(true);
    // The second label repeats the text under the grid, where the eye ends.
    lblRateSource2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmdOK = new QPushButton(this);
    cmdOK->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    auto* top = new QVBoxLayout(this);
    top->addWidget(lblRateSource1);
    top->addWidget(grdXchgRate, 1);
    top->addWidget(lblRateSource2);
    top->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    bool bUse = StoredUseWaehdat();
    if (auto* info = qobject_cast<frmInfo*>(parent))
        bUse = info->chkUseWaehdat->isChecked();
    FormLoad(bUse);
}

void frmXchgRate::FormLoad(bool bUseRateFile) {
    const QString sPath = RateFilePath();
    QString sDate;
    const bool bOk = ReadRateFileDate(sPath, sDate);

    setWindowTitle(Tx("Anzeigen Währungen mit Kursen", "Additional currencies and rates"));
    const QStringList heads = (bGerman ? QStringLiteral("Währung|Kurs: 1 EUR =|NKS")
                                       : QStringLiteral("Currency|Rate: 1 EUR =|Dec"))
                                  .split(QLatin1Char('|'));
    grdXchgRate->setHorizontalHeaderLabels(heads);
    grdXchgRate->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cmdOK->setText(Tx("S&chließen", "&Close"));

    const QString sShownPath = QDir::toNativeSeparators(sPath);
    QString sSource;
    if (!bUseRateFile)
        sSource = Tx("Kurse sind manuell erfasst worden!", "Rates have been registered manually");
    else if (!bOk)
        sSource = sShownPath + Tx(" nicht vorhanden/ungültig!", " not found/invalid!");
    else
        sSource = Tx("Mitte-Kurse sind aus ", "Spot rates are from ") + sShownPath +
                  Tx(" vom ", " dated ") + sDate;
    lblRateSource1->setText(sSource);
    lblRateSource2->setText(sSource);

    QStringList shown;
    for (int i = 1; i <= nLastCurrency; ++i) {
        const QString sCode = oCurrencyList.ISOCode(i);
        // A stored rate for a built-in code was given to the built-in line already.
        if (shown.contains(sCode))
            continue;
        shown << sCode;
        // With the rate file the kernel gives a currency the decimals the file states,
        // which are those of the currency table it was made from.
        int nDec = oCurrencyList.NKS(i) != 0 ? 2 : 0;
        const bool bFixed = oCurrencyList.TNL(i) == 1;
        if (bUseRateFile && !bFixed)
            if (const auto info = tarvo::ratefile::findCurrency(sCode.toStdString()))
                nDec = info->minorDigits;
        QString sRate, sWhy;
        if (bUseRateFile || bFixed) {
            const long rc = GetEuroRate(sCode, sRate);
            if (rc != 0) {
                sRate.clear();
                sWhy = GetErrorText(rc);
            }
        } else if (oCurrencyList.KursValue(i) > 0.0) {
            sRate = FormatNumber(oCurrencyList.KursValue(i), 7);
        } else {
            sWhy = Tx("Kein Kurs eingetragen", "No rate set");
        }
        // A missing rate is said, not shown as 0,0000000.
        AddRateRow(sCode, sRate.isEmpty() ? Tx("kein Kurs", "no rate") : sRate,
                   QStringLiteral("  ") + QString::number(nDec), bFixed);
        if (!sWhy.isEmpty())
            grdXchgRate->item(grdXchgRate->rowCount() - 1, 1)->setToolTip(sWhy);
    }

    SetColumnWidth(grdXchgRate, 0, 835);
    SetColumnWidth(grdXchgRate, 1, 1600);
    SetColumnWidth(grdXchgRate, 2, 700);
    // Room for every row up to twenty; more scroll.
    const int nRows = std::min(grdXchgRate->rowCount(), 20);
    const int nWidth = grdXchgRate->columnWidth(0) + grdXchgRate->columnWidth(1) +
                       grdXchgRate->columnWidth(2) + 2 * grdXchgRate->frameWidth() +
                       grdXchgRate->verticalScrollBar()->sizeHint().width();
    grdXchgRate->setMinimumSize(nWidth,
                                grdXchgRate->horizontalHeader()->sizeHint().height() +
                                    nRows * grdXchgRate->verticalHeader()->defaultSectionSize() +
                                    2 * grdXchgRate->frameWidth());
    for (QLabel* l : {lblRateSource1, lblRateSource2})
        l->setMaximumWidth(std::max(nWidth, 320));
    grdXchgRate->setCurrentCell(0, 0);
    cmdOK->setDefault(true);
    cmdOK->setFocus();
}

void frmXchgRate::AddRateRow(const QString& sCode, const QString& sRate, const QString& sDecimals,
                             bool bHighlight) {
    int nRow = 0;
    QTableWidgetItem* first = grdXchgRate->item(0, 0);
    if (first && !first->text().isEmpty()) {
        nRow = grdXchgRate->rowCount();
        grdXchgRate->insertRow(nRow);
    }
    const QString texts[3] = {sCode, sRate, sDecimals};
    for (int c = 0; c < 3; ++c) {
        auto* item = new QTableWidgetItem(texts[c]);
        item->setTextAlignment(c == 0 ? (Qt::AlignLeft | Qt::AlignVCenter)
                                      : (Qt::AlignRight | Qt::AlignVCenter));
        if (bHighlight) {
            item->setBackground(HighlightColour());
            item->setForeground(QColor(Qt::black));
        }
        grdXchgRate->setItem(nRow, c, item);
    }
}
