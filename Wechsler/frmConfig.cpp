// SPDX-License-Identifier: Apache-2.0
// Currency configuration dialog: additional currencies with their rates.
#include "frmConfig.h"

#include "CCurrencyList.h"
#include "MainModule.h"
#include "general.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

frmConfig::QuestionHandler& Question() {
    static frmConfig::QuestionHandler h;
    return h;
}

bool AskYesNo(QWidget* parent, const QString& sText) {
    if (Question())
        return Question()(sText);
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), sText,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool IsAsciiLetter(QChar c) {
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

bool IsAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// "#,##0.0000000" of the rate text, in the user's notation.
QString Rate7(const QString& sRate) {
    return FormatNumber(ReadNumber(sRate), 7);
}

// "#,##0.#######": up to seven decimals, no trailing zeros.
QString RateTrimmed(const QString& sRate) {
    QString s = FormatNumber(ReadNumber(sRate), 7);
    const qsizetype p = s.lastIndexOf(sDecimalSymbol);
    if (p < 0)
        return s;
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.size() == p + sDecimalSymbol.size())
        s.truncate(p);
    return s;
}

} // namespace

void frmConfig::SetQuestionHandler(QuestionHandler handler) {
    Question() = std::move(handler);
}

bool frmConfig::CurrencyTextAllowed(const QString& sText) {
    if (sText.size() > 3)
        return false;
    for (int i = 0; i < sText.size(); ++i) {
        const QChar c = sText.at(i);
        if (IsAsciiDigit(c)) {
            if (i == 0)
                return false; // a code never starts with a digit
        } else if (!IsAsciiLetter(c)) {
            return false;
        }
    }
    return true;
}

bool frmConfig::RateTextAllowed(const QString& sText) {
    // Grouping symbols may stand in a rate taken from the grid; they are not counted.
    const qsizetype p = sText.indexOf(sDecimalSymbol);
    if (p >= 0 && sText.indexOf(sDecimalSymbol, p + 1) >= 0)
        return false;
    int nInt = 0, nDec = 0;
    for (int i = 0; i < sText.size(); ++i) {
        const QChar c = sText.at(i);
        if (IsAsciiDigit(c)) {
            if (p >= 0 && i > p)
                ++nDec;
            else
                ++nInt;
        } else if (QString(c) != sDecimalSymbol && QString(c) != sGroupingSymbol) {
            return false;
        }
    }
    return nInt <= 4 && nDec <= 7;
}

frmConfig::frmConfig(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmConfig"));
    lblAdditionalCurrency = new QLabel(this);
    grdCurrency = new QTableWidget(1, 3, this);
    grdCurrency->verticalHeader()->setVisible(false);
    grdCurrency->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdCurrency->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdCurrency->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grdCurrency->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    grdCurrency->horizontalHeader()->setHighlightSections(false);
    grdCurrency->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grdCurrency->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grdCurrency->installEventFilter(this);
    // Tab leaves the grid for the fields; arrows move in it, Space takes a row.
    grdCurrency->setTabKeyNavigation(false);

    lblCurrency = new QLabel(this);
    txtCurrency = new QLineEdit(this);
    lblXchgRate = new QLabel(this);
    txtXchgRate = new QLineEdit(this);
    for (QLineEdit* e : {txtCurrency, txtXchgRate}) {
        // Only typed characters come in, each checked by the input rules.
        e->setContextMenuPolicy(Qt::NoContextMenu);
        e->setDragEnabled(false);
        e->setAcceptDrops(false);
        e->installEventFilter(this);
    }
    txtCurrency->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("WWWW")) + 16);
    txtXchgRate->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0.000,00000000")) +
                               16);
    txtXchgRate->setAlignment(Qt::AlignRight);
    lblCurrency->setBuddy(txtCurrency);
    lblXchgRate->setBuddy(txtXchgRate);
    lblAdditionalCurrency->setBuddy(grdCurrency);

    fraNKS = new QGroupBox(this);
    opt2NKS = new QRadioButton(fraNKS);
    optNoNKS = new QRadioButton(fraNKS);
    opt2NKS->setChecked(true);
    {
        auto* v = new QVBoxLayout(fraNKS);
        v->addWidget(opt2NKS);
        v->addWidget(optNoNKS);
    }
    cmdAdd = new QPushButton(this);
    cmdChg = new QPushButton(this);
    cmdDel = new QPushButton(this);
    cmdOK = new QPushButton(this);
    for (QPushButton* b : {cmdAdd, cmdChg, cmdDel, cmdOK})
        b->setAutoDefault(false);

    auto* left = new QVBoxLayout;
    left->addWidget(lblAdditionalCurrency);
    left->addWidget(grdCurrency, 1);

    auto* fields = new QGridLayout;
    fields->addWidget(lblCurrency, 0, 0);
    fields->addWidget(txtCurrency, 0, 1, Qt::AlignLeft);
    fields->addWidget(lblXchgRate, 1, 0);
    fields->addWidget(txtXchgRate, 1, 1, Qt::AlignLeft);
    lblHint = new QLabel(this);
    lblHint->setObjectName(QStringLiteral("lblHint"));
    lblHint->setWordWrap(true);
    {
        QPalette hp = lblHint->palette();
        hp.setColor(QPalette::WindowText, QColor(170, 0, 0));
        lblHint->setPalette(hp);
    }
    fields->addWidget(lblHint, 2, 0, 1, 3);
    fields->setColumnStretch(2, 1);

    auto* edit = new QHBoxLayout;
    edit->addWidget(cmdAdd);
    edit->addWidget(cmdChg);
    edit->addWidget(cmdDel);

    auto* right = new QVBoxLayout;
    right->addLayout(fields);
    right->addWidget(fraNKS);
    right->addLayout(edit);
    right->addStretch(1);
    auto* close = new QHBoxLayout;
    close->addStretch(1);
    close->addWidget(cmdOK);
    right->addLayout(close);

    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addSpacing(12);
    top->addLayout(right, 1);

    connect(cmdAdd, &QPushButton::clicked, this, &frmConfig::cmdAdd_Click);
    connect(cmdChg, &QPushButton::clicked, this, &frmConfig::cmdChg_Click);
    connect(cmdDel, &QPushButton::clicked, this, &frmConfig::cmdDel_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmConfig::cmdOK_Click);
    connect(grdCurrency, &QTableWidget::cellClicked, this,
            [this](int nRow, int) { grdCurrency_Click(nRow + 1); });
    connect(txtCurrency, &QLineEdit::textChanged, this, &frmConfig::ValidateInput);
    connect(txtXchgRate, &QLineEdit::textChanged, this, &frmConfig::ValidateInput);

    FormLoad();
}

void frmConfig::FormLoad() {
    setWindowTitle(
        Tx("Zusätzliche Währungen mit Kursen", "Additional currencies with their exchange rates"));
    lblAdditionalCurrency->setText(Tx("Zusätzliche Währungen:", "Additional currencies:"));
    lblCurrency->setText(Tx("Währungs-Code:", "Currency Code:"));
    lblXchgRate->setText(Tx("Kurs: 1 EUR = ", "Rate: 1 EUR = "));
    fraNKS->setTitle(Tx("Währungs-Ausgabebetrag", "Output Monetary sum"));
    opt2NKS->setText(Tx("mit 2 Nachkommastellen (NKS)", "with 2 decimal places"));
    optNoNKS->setText(Tx("ohne Nachkommastellen (NKS)", "without decimal places"));
    cmdChg->setText(Tx("Ä&ndern", "C&hange"));
    cmdAdd->setText(Tx("&Hinzufügen ", "&Add"));
    cmdDel->setText(Tx("&Löschen", "&Delete"));
    cmdOK->setText(Tx("S&chließen", "&Close"));
    grdCurrency->setHorizontalHeaderLabels((bGerman ? QStringLiteral("Währung|Kurs: 1 EUR =|NKS")
                                                    : QStringLiteral("Currency|Rate: 1 EUR =|Dec"))
                                               .split(QLatin1Char('|')));
    grdCurrency->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);

    for (int i = 0; i <= nLastCurrency; ++i) {
        if (oCurrencyList.TNL(i) != 3)
            continue;
        AddGridRow(oCurrencyList.ISOCode(i), oCurrencyList.Kurs(i),
                   oCurrencyList.NKS(i) != 0 ? QStringLiteral("  2") : QStringLiteral("  0"));
    }

    cmdAdd->setEnabled(false);
    cmdDel->setEnabled(false);
    cmdChg->setEnabled(false);
    SetColumnWidth(grdCurrency, 0, 835);
    SetColumnWidth(grdCurrency, 1, 1500);
    SetColumnWidth(grdCurrency, 2, 800);
    grdCurrency->setFixedWidth(grdCurrency->columnWidth(0) + grdCurrency->columnWidth(1) +
                               grdCurrency->columnWidth(2) + grdCurrency->frameWidth() * 2 +
                               grdCurrency->verticalScrollBar()->sizeHint().width());
    grdCurrency->setMinimumHeight(220);
    ResetDialog();
}

int frmConfig::DataRows() const {
    return grdCurrency->rowCount();
}

bool frmConfig::RowHasCode(int nRow) const {
    if (nRow < 1 || nRow > DataRows())
        return false;
    const QTableWidgetItem* it = grdCurrency->item(nRow - 1, 0);
    return it && !it->text().trimmed().isEmpty();
}

int frmConfig::FindCode(const QString& sCode) const {
    for (int r = 1; r <= DataRows(); ++r) {
        const QTableWidgetItem* it = grdCurrency->item(r - 1, 0);
        if (it && !sCode.isEmpty() && it->text() == sCode)
            return r;
    }
    return 0;
}

void frmConfig::ClearSelection() {
    m_nSelRow = 0;
    grdCurrency->clearSelection();
    cmdDel->setEnabled(false);
    cmdChg->setEnabled(false);
}

void frmConfig::ClearInput() {
    txtCurrency->clear();
    txtXchgRate->clear();
    opt2NKS->setChecked(true);
}

void frmConfig::ResetDialog() {
    ClearSelection();
    ClearInput();
    if (lblHint)
        lblHint->clear();
    cmdAdd->setEnabled(false);
    cmdChg->setEnabled(false);
    cmdOK->setDefault(true);
}

void frmConfig::AddGridRow(const QString& sCode, const QString& sRate, const QString& sDecimals) {
    int nRow = 0;
    if (m_bFirstRowUsed) {
        nRow = grdCurrency->rowCount();
        grdCurrency->insertRow(nRow);
    }
    m_bFirstRowUsed = true;
    const QString texts[3] = {sCode, Rate7(sRate), sDecimals};
    for (int c = 0; c < 3; ++c) {
        auto* item = new QTableWidgetItem(texts[c]);
        item->setTextAlignment(c == 0 ? (Qt::AlignLeft | Qt::AlignVCenter)
                                      : (Qt::AlignRight | Qt::AlignVCenter));
        grdCurrency->setItem(nRow, c, item);
    }
}

void frmConfig::ValidateInput() {
    const QString sCode = txtCurrency->text();
    const QString sRate = txtXchgRate->text();
    bool bTooLarge = false;
    const qsizetype p = sRate.indexOf(sDecimalSymbol);
    if (p >= 3 && ReadNumber(sRate.left(p)) > 9999)
        bTooLarge = true;
    const int nRow = FindCode(sCode);
    const bool bComplete = sCode.size() == 3 && !sRate.isEmpty() &&
                           (nRow == 0 || (m_nSelRow > 0 && nRow == m_nSelRow));
    const bool bDecimalsOk =
        p >= 0 ? sRate.size() - p - sDecimalSymbol.size() <= 7 : sRate.size() <= 7;
    // A rate of zero is no rate: such a currency could never be converted.
    bool bNumber = false;
    const double dRate = ReadNumber(sRate, &bNumber);
    if (bComplete && bDecimalsOk && !bTooLarge && bNumber && dRate > 0) {
        cmdAdd->setEnabled(nRow == 0);
        cmdChg->setEnabled(m_nSelRow > 0);
    } else {
        cmdAdd->setEnabled(false);
        cmdChg->setEnabled(false);
    }
    ChooseDefaultButton();
}

void frmConfig::ChooseDefaultButton() {
    QPushButton* def = cmdOK;
    if (cmdAdd->isEnabled())
        def = cmdAdd;
    else if (cmdChg->isEnabled())
        def = cmdChg;
    else if (cmdDel->isEnabled())
        def = cmdDel;
    def->setDefault(true);
}

bool frmConfig::FixedRateRefused(const QString& sCode) {
    const int nIndex = oCurrencyList.Index(sCode);
    if (nIndex < 0 || oCurrencyList.TNL(nIndex) != 1)
        return false;
    const QString sName = oCurrencyList.LongName(nIndex);
    ShowMessage(bGerman ? QStringLiteral("Der Kurs für ") + sName +
                              QStringLiteral(" ist fixiert und kann nicht geändert werden!")
                        : QStringLiteral("Rate for ") + sName +
                              QStringLiteral(" is fixed and can't be changed!"),
                MsgIcon::None, this);
    return true;
}

void frmConfig::grdCurrency_Click(int nRow) {
    if (!RowHasCode(nRow)) {
        ClearSelection();
        ChooseDefaultButton();
        return;
    }
    m_nSelRow = nRow;
    // A range chosen with Shift stays selected for the delete button.
    if (!grdCurrency->selectionModel()->isRowSelected(nRow - 1, QModelIndex()))
        grdCurrency->selectRow(nRow - 1);
    txtCurrency->setText(grdCurrency->item(nRow - 1, 0)->text());
    txtXchgRate->setText(RateTrimmed(grdCurrency->item(nRow - 1, 1)->text()));
    const QTableWidgetItem* dec = grdCurrency->item(nRow - 1, 2);
    if (dec && ReadNumber(dec->text()) == 2)
        opt2NKS->setChecked(true);
    else
        optNoNKS->setChecked(true);
    cmdDel->setEnabled(true);
    cmdChg->setEnabled(true);
    cmdAdd->setEnabled(false);
    ChooseDefaultButton();
}

void frmConfig::cmdAdd_Click() {
    const QString sCode = txtCurrency->text();
    const QString sRate = txtXchgRate->text();
    if (sCode.size() != 3 || FindCode(sCode) != 0)
        return;
    const int nIndex = oCurrencyList.Index(sCode);
    if (nIndex < 0) {
        AddGridRow(sCode, sRate,
                   opt2NKS->isChecked() ? QStringLiteral("  2") : QStringLiteral("  0"));
    } else if (oCurrencyList.TNL(nIndex) != 1) {
        AddGridRow(sCode, sRate,
                   oCurrencyList.NKS(nIndex) != 0 ? QStringLiteral("2") : QStringLiteral("0"));
    } else {
        FixedRateRefused(sCode);
    }
    ResetDialog();
    txtCurrency->setFocus();
}

void frmConfig::cmdChg_Click() {
    if (m_nSelRow < 1 || m_nSelRow > DataRows())
        return;
    // A participating currency is refused here too: the next start would drop it again.
    if (FixedRateRefused(txtCurrency->text()))
        return;
    const int r = m_nSelRow - 1;
    const QString texts[3] = {txtCurrency->text(), Rate7(txtXchgRate->text()),
                              opt2NKS->isChecked() ? QStringLiteral("  2") : QStringLiteral("  0")};
    for (int c = 0; c < 3; ++c) {
        QTableWidgetItem* it = grdCurrency->item(r, c);
        if (!it) {
            it = new QTableWidgetItem;
            it->setTextAlignment(c == 0 ? (Qt::AlignLeft | Qt::AlignVCenter)
                                        : (Qt::AlignRight | Qt::AlignVCenter));
            grdCurrency->setItem(r, c, it);
        }
        it->setText(texts[c]);
    }
    m_bFirstRowUsed = true;
    txtCurrency->clear();
    txtXchgRate->clear();
    txtCurrency->setFocus();
}

void frmConfig::cmdDel_Click() {
    if (m_nSelRow < 1)
        return;
    if (!AskYesNo(this, Tx("Soll der selektierte Eintrag wirklich gelöscht werden?",
                           "Do you really want to delete the selected entry?")))
        return;
    int nFirst = m_nSelRow;
    int nLast = m_nSelRow;
    for (const QModelIndex& ix : grdCurrency->selectionModel()->selectedRows()) {
        nFirst = std::min(nFirst, ix.row() + 1);
        nLast = std::max(nLast, ix.row() + 1);
    }
    nLast = std::min(nLast, DataRows());
    for (int r = nLast; r >= nFirst; --r) {
        if (DataRows() == 1) {
            for (int c = 0; c < 3; ++c)
                delete grdCurrency->takeItem(0, c);
            m_bFirstRowUsed = false;
        } else {
            grdCurrency->removeRow(r - 1);
        }
    }
    ResetDialog();
}

void frmConfig::cmdOK_Click() {
    QList<StoredCurrency> list;
    for (int r = 0; r < DataRows(); ++r) {
        const QTableWidgetItem* code = grdCurrency->item(r, 0);
        if (!code || code->text().trimmed().isEmpty())
            continue;
        StoredCurrency sc;
        sc.sISOCode = code->text();
        const QTableWidgetItem* rate = grdCurrency->item(r, 1);
        sc.sRate = rate ? rate->text() : QString();
        const QTableWidgetItem* dec = grdCurrency->item(r, 2);
        sc.nNKS = (dec && ReadNumber(dec->text()) == 2) ? 2 : 0;
        list.append(sc);
    }
    SaveAdditionalCurrencies(list);
    accept();
    RebuildCurrenciesAndReselect();
}

bool frmConfig::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* ke = static_cast<QKeyEvent*>(event);
    if (watched == grdCurrency) {
        if (ke->key() == Qt::Key_Space) {
            grdCurrency_Click(grdCurrency->currentRow() + 1);
            return true;
        }
        return QDialog::eventFilter(watched, event);
    }
    auto* le = qobject_cast<QLineEdit*>(watched);
    if (le != txtCurrency && le != txtXchgRate)
        return QDialog::eventFilter(watched, event);
    if (ke->matches(QKeySequence::Paste))
        return true; // typed characters only
    const QString sTyped = ke->text();
    if (sTyped.isEmpty() || (ke->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) ||
        sTyped.at(0).unicode() < 0x20 || sTyped.at(0).unicode() == 0x7F)
        return QDialog::eventFilter(watched, event); // backspace, cursor keys, Enter, Esc
    QString sIns = sTyped;
    if (le == txtCurrency)
        sIns = sTyped.toUpper();
    // A refused character is told, not dropped silently: "1.5" would become 15,
    // "12345" a rate of 1234.
    auto refuse = [this](const QString& sWhy) {
        QApplication::beep();
        lblHint->setText(sWhy);
        return true;
    };
    if (le == txtXchgRate && sIns != sDecimalSymbol &&
        (sIns == QLatin1String(".") || sIns == QLatin1String(",")))
        return refuse(bGerman ? QStringLiteral("Das Dezimalzeichen ist \"%1\"").arg(sDecimalSymbol)
                              : QStringLiteral("The decimal symbol is \"%1\"").arg(sDecimalSymbol));
    if (le == txtXchgRate && !(sIns.size() == 1 && IsAsciiDigit(sIns.at(0))) &&
        sIns != sDecimalSymbol)
        return refuse(
            Tx("Nur Ziffern und das Dezimalzeichen", "Digits and the decimal symbol only"));
    const QString sCur = le->text();
    int nStart = le->cursorPosition();
    int nLen = 0;
    if (le->hasSelectedText()) {
        nStart = le->selectionStart();
        nLen = static_cast<int>(le->selectedText().size());
    }
    const QString sResult = sCur.left(nStart) + sIns + sCur.mid(nStart + nLen);
    const bool bAllowed =
        le == txtCurrency ? CurrencyTextAllowed(sResult) : RateTextAllowed(sResult);
    if (!bAllowed)
        return refuse(le == txtCurrency
                          ? Tx("Ein Code hat 3 Buchstaben (Ziffern nicht an erster Stelle)",
                               "A code has 3 letters (no digit first)")
                      : sIns == sDecimalSymbol
                          ? Tx("Nur ein Dezimalzeichen", "One decimal symbol only")
                          : Tx("Ein Kurs hat höchstens 4 Stellen vor und 7 nach dem Komma",
                               "A rate has at most 4 digits before and 7 after the point"));
    if (sIns != sTyped) {
        le->insert(sIns);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmConfig::keyPressEvent(QKeyEvent* event) {
    QDialog::keyPressEvent(event); // Esc: reject()
}

void frmConfig::reject() {
    // Additions, changes and deletions are shown in the list as done; the close box
    // discarding them silently lost currencies, so every way out keeps them.
    cmdOK_Click();
}
