// SPDX-License-Identifier: Apache-2.0
// Main window: controls and layout, keypad and keyboard, engine, conversion dispatch,
// clipboard and memory display.
#include "frmMainForm.h"

#include "CCurrencyList.h"
#include "Compute.h"
#include "CDispatch.h"
#include "general.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>
#include <cmath>

#include "frmInfo.h"

namespace {
// Window geometry is designed in twips; 15 twips are one pixel at 96 dpi.
int Tw(int nTwips) {
    return static_cast<int>(std::lround(nTwips / 15.0));
}
QRect TwRect(int l, int t, int w, int h) {
    const int x = Tw(l), y = Tw(t);
    return QRect(x, y, Tw(l + w) - x, Tw(t + h) - y);
}

struct KeyDef {
    const char* caption;
    int left, top, width;
};
// Keypad: index, caption, position (twips); every button 495 x 375 but "0" (1095 wide).
constexpr KeyDef kKeys[23] = {
    {"0", 3240, 3600, 1095}, {"1", 3240, 3120, 495},   {"2", 3840, 3120, 495},
    {"3", 4440, 3120, 495},  {"4", 3240, 2640, 495},   {"5", 3840, 2640, 495},
    {"6", 4440, 2640, 495},  {"7", 3240, 2160, 495},   {"8", 3840, 2160, 495},
    {"9", 4440, 2160, 495},  {"Del", 5040, 2160, 495}, {",", 4440, 3600, 495},
    {"+", 5040, 3120, 495},  {"-", 5040, 2640, 495},   {"*", 4440, 1680, 495},
    {"/", 3840, 1680, 495},  {"=", 5040, 3600, 495},   {"C", 3240, 1680, 495},
    {"?", 5040, 1680, 495},  {"M+", 3240, 1200, 495},  {"M-", 3840, 1200, 495},
    {"MR", 4440, 1200, 495}, {"MC", 5040, 1200, 495},
};

QColor ParticipatingColour() {
    return QColor(255, 255, 128);
}

QPixmap CopyPicture() {
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 60, 110), 1.2));
    p.setBrush(QColor(235, 240, 250));
    p.drawRect(QRectF(2.5, 2.5, 10, 12));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7.5, 5.5, 10, 12));
    p.setPen(QPen(QColor(120, 130, 160), 1));
    for (int y = 9; y <= 15; y += 2)
        p.drawLine(QPointF(9.5, y), QPointF(15.5, y));
    return pm;
}

QPixmap PastePicture() {
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 60, 20), 1.2));
    p.setBrush(QColor(205, 160, 90));
    p.drawRoundedRect(QRectF(2.5, 3.5, 12, 15), 1.5, 1.5);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(5.5, 1.5, 6, 3));
    p.setPen(QPen(QColor(40, 60, 110), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8.5, 8.5, 9, 10));
    p.setPen(QPen(QColor(120, 130, 160), 1));
    for (int y = 11; y <= 16; y += 2)
        p.drawLine(QPointF(10, y), QPointF(16, y));
    return pm;
}

// The built-in logo; a file "Tarvolib.png" beside the help pages replaces it.
QPixmap LogoPicture(QSize size) {
    QPixmap file(DataFileDirectoryFor(GetAppDirectory()) + QStringLiteral("/Tarvolib.png"));
    if (!file.isNull())
        return file.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(28, 64, 140));
    g.setColorAt(1, QColor(12, 32, 84));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 6, 6);
    // Ring of twelve stars at the left, the name and the subtitle at the right.
    const double r = size.height() * 0.24;
    const QPointF c(r + 9, size.height() / 2.0);
    p.setBrush(QColor(255, 204, 0));
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6.0;
        p.drawEllipse(QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a)), 1.6, 1.6);
    }
    const double left = c.x() + r + 8;
    const double width = size.width() - left - 5;
    // Largest font that fits the width.
    auto fitted = [&](const QString& text, bool bold, int maxPx) {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setBold(bold);
        for (int px = maxPx; px >= 6; --px) {
            f.setPixelSize(px);
            if (QFontMetricsF(f).horizontalAdvance(text) <= width)
                break;
        }
        return f;
    };
    const QString sName = QStringLiteral("Devisio");
    const QString sSub =
        bGerman ? QStringLiteral("Währungsrechner") : QStringLiteral("Currency calculator");
    p.setFont(fitted(sName, true, size.height() * 2 / 5));
    p.setPen(Qt::white);
    p.drawText(QRectF(left, 0, width, size.height() * 0.6), Qt::AlignLeft | Qt::AlignBottom, sName);
    p.setFont(fitted(sSub, false, 10));
    p.setPen(QColor(200, 215, 245));
    p.drawText(QRectF(left, size.height() * 0.62, width, size.height() * 0.35),
               Qt::AlignLeft | Qt::AlignTop, sSub);
    return pm;
}

QPixmap EuroPicture(QSize size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(28, 64, 140));
    p.drawEllipse(QRectF(1, 1, size.width() - 2, size.height() - 2));
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setBold(true);
    f.setPixelSize(size.height() * 3 / 5);
    p.setFont(f);
    p.setPen(QColor(255, 204, 0));
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, QString(QChar(0x20AC)));
    return pm;
}

// Sets the largest font, up to the control's own size, in which the text fits the width:
// a large amount is shown whole in a smaller font rather than cut off or elided.
void FitText(QWidget* w, const QString& sText, int nWidth) {
    QFont f = w->font();
    QVariant base = w->property("tarvoBasePointSize");
    if (!base.isValid()) {
        base = f.pointSizeF();
        w->setProperty("tarvoBasePointSize", base);
    }
    f.setPointSizeF(base.toDouble());
    while (f.pointSizeF() > 5.0 && QFontMetricsF(f).horizontalAdvance(sText) > nWidth)
        f.setPointSizeF(f.pointSizeF() - 0.5);
    if (f != w->font())
        w->setFont(f);
}

// Shows an amount in a right-aligned label. Amounts without decimals end in five blanks so
// that their units stand under those of the others; a layout drops trailing blanks, so the
// label keeps that room as a margin the width of the decimal symbol and two digits.
void ShowAmount(QLabel* l, const QString& s) {
    QString t = s.trimmed();
    const bool bRoom = s.endsWith(QLatin1Char(' '));
    FitText(l, t + (bRoom ? sDecimalSymbol + QStringLiteral("00") : QString()),
            l->contentsRect().width() - 8);
    const int nRoom =
        bRoom ? qRound(QFontMetricsF(l->font()).horizontalAdvance(sDecimalSymbol + "00")) : 0;
    l->setIndent(3 + nRoom);
    l->setText(t);
}

frmMainForm* g_mainForm = nullptr;
} // namespace

frmMainForm* MainForm() {
    if (!g_mainForm)
        g_mainForm = new frmMainForm();
    return g_mainForm;
}

bool MainFormExists() {
    return g_mainForm != nullptr;
}

void DestroyMainForm() {
    delete g_mainForm;
    g_mainForm = nullptr;
}

frmMainForm::frmMainForm(QWidget* parent) : QWidget(parent) {
    BuildControls();
    // The window sees every key before its controls, and the mouse on the logo and on the
    // memory buttons.
    qApp->installEventFilter(this);
    FormLoad();
}

frmMainForm::~frmMainForm() {
    qApp->removeEventFilter(this);
    if (g_mainForm == this)
        g_mainForm = nullptr;
}

void frmMainForm::BuildControls() {
    setObjectName(QStringLiteral("frmMainForm"));
    QFont base = font();
    base.setPointSize(9);
    setFont(base);

    txtEingabe = new QLineEdit(this);
    txtEingabe->setObjectName(QStringLiteral("txtEingabe"));
    txtEingabe->setGeometry(TwRect(120, 120, 2100, 315));
    txtEingabe->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtEingabe->setReadOnly(true);
    txtEingabe->setFocusPolicy(Qt::NoFocus); // never keeps the focus
    txtEingabe->setContextMenuPolicy(Qt::NoContextMenu);
    QFont big = base;
    big.setPointSize(10);
    big.setBold(true);
    txtEingabe->setFont(big);

    cboWaehrung1 = new QComboBox(this);
    cboWaehrung1->setObjectName(QStringLiteral("cboWaehrung1"));
    cboWaehrung1->setGeometry(TwRect(2280, 120, 855, 315));
    cboWaehrung2 = new QComboBox(this);
    cboWaehrung2->setObjectName(QStringLiteral("cboWaehrung2"));
    cboWaehrung2->setGeometry(TwRect(2280, 600, 855, 315));
    for (QComboBox* c : {cboWaehrung1, cboWaehrung2}) {
        // Reachable by Tab and by F4 / Shift+F4; typing a code or a name searches.
        c->setFocusPolicy(Qt::StrongFocus);
        c->setMaxVisibleItems(20);
    }
    connect(cboWaehrung1, &QComboBox::activated, this, [this](int) { CurrencyChosen(1); });
    connect(cboWaehrung2, &QComboBox::activated, this, [this](int) { CurrencyChosen(2); });

    txtAusgabe = new QLabel(this);
    txtAusgabe->setObjectName(QStringLiteral("txtAusgabe"));
    txtAusgabe->setGeometry(TwRect(120, 600, 2100, 315));
    txtAusgabe->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    txtAusgabe->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtAusgabe->setAutoFillBackground(true);
    txtAusgabe->setBackgroundRole(QPalette::Base);
    txtAusgabe->setFont(big);
    txtAusgabe->setIndent(3);
    txtAusgabe->setTextInteractionFlags(Qt::NoTextInteraction);

    for (int i = 0; i < 16; ++i) {
        const int nTop = 1200 + 280 * i;
        lblBetrag[i] = new QLabel(this);
        lblBetrag[i]->setObjectName(QStringLiteral("lblBetrag%1").arg(i));
        lblBetrag[i]->setGeometry(TwRect(120, nTop, 2100, 255));
        lblBetrag[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lblBetrag[i]->setIndent(3);
        lblWaehrung[i] = new QLabel(this);
        lblWaehrung[i]->setObjectName(QStringLiteral("lblWaehrung%1").arg(i));
        lblWaehrung[i]->setGeometry(TwRect(2280, nTop, 855, 255));
        lblWaehrung[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        lblWaehrung[i]->setIndent(4);
        // A line takes the focus by Tab (or a click) so that it can be read and its
        // reason shown in the error line.
        lblBetrag[i]->setFocusPolicy(Qt::TabFocus);
        lblBetrag[i]->installEventFilter(this);
        for (QLabel* l : {lblBetrag[i], lblWaehrung[i]}) {
            l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            l->setLineWidth(1);
            l->setAutoFillBackground(true);
            l->setBackgroundRole(QPalette::Base);
        }
    }

    QFont keyFont = base;
    keyFont.setPointSize(10);
    for (int i = 0; i < 23; ++i) {
        const KeyDef& k = kKeys[i];
        auto* b = new QPushButton(QString::fromLatin1(k.caption), this);
        b->setObjectName(QStringLiteral("cmdBtnArray%1").arg(i));
        b->setGeometry(TwRect(k.left, k.top, k.width, 375));
        QFont f = keyFont;
        f.setBold(i == 16 || i == 18);
        b->setFont(f);
        b->setAutoDefault(false);
        // Tab reaches every key; a click never moves the focus away from "=".
        b->setFocusPolicy(i == 16 ? Qt::StrongFocus : Qt::TabFocus);
        connect(b, &QPushButton::clicked, this, [this, i] { ClickButton(i); });
        cmdBtnArray[i] = b;
    }
    // The decimal key always types the user's decimal symbol; it shows that symbol.
    cmdBtnArray[11]->setText(sDecimalSymbol);
    cmdBtnArray[16]->setDefault(true);

    cmdClipPaste = new QToolButton(this);
    cmdClipPaste->setObjectName(QStringLiteral("cmdClipPaste"));
    cmdClipPaste->setGeometry(TwRect(3240, 120, 495, 315));
    cmdClipPaste->setIcon(QIcon(PastePicture()));
    cmdClipPaste->setIconSize(QSize(18, 18));
    cmdClipCopy = new QToolButton(this);
    cmdClipCopy->setObjectName(QStringLiteral("cmdClipCopy"));
    cmdClipCopy->setGeometry(TwRect(3240, 600, 495, 315));
    cmdClipCopy->setIcon(QIcon(CopyPicture()));
    cmdClipCopy->setIconSize(QSize(18, 18));
    for (QToolButton* b : {cmdClipPaste, cmdClipCopy}) {
        b->setFocusPolicy(Qt::TabFocus);
        b->setAutoRaise(false);
    }
    connect(cmdClipCopy, &QToolButton::clicked, this, [this] {
        CopyToClipboard();
        UpdateClipboardButtons();
        FocusEquals();
    });
    connect(cmdClipPaste, &QToolButton::clicked, this, [this] {
        PasteFromClipboard();
        UpdateClipboardButtons();
        FocusEquals();
    });

    picLogo = new QLabel(this);
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setGeometry(TwRect(3840, 120, 1695, 795));
    picLogo->setCursor(Qt::PointingHandCursor);

    imgEuroSymbol = new QLabel(this);
    imgEuroSymbol->setObjectName(QStringLiteral("imgEuroSymbol"));
    imgEuroSymbol->setGeometry(TwRect(3900, 4320, 1020, 1020));
    imgEuroSymbol->setPixmap(EuroPicture(imgEuroSymbol->size()));
    imgEuroSymbol->setAlignment(Qt::AlignCenter);

    frameErrorText = new QGroupBox(this);
    frameErrorText->setObjectName(QStringLiteral("frameErrorText"));
    frameErrorText->setGeometry(TwRect(120, 5760, 5415, 495));
    lblError = new QLabel(frameErrorText);
    lblError->setObjectName(QStringLiteral("lblError"));
    lblError->setGeometry(6, 4, frameErrorText->width() - 12, frameErrorText->height() - 8);
    lblError->setWordWrap(true);
    lblError->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette ep = lblError->palette();
    ep.setColor(QPalette::WindowText, QColor(170, 0, 0));
    lblError->setPalette(ep);

    txtAusgabe->setFocusPolicy(Qt::TabFocus);
    txtAusgabe->installEventFilter(this);
    SetAccessibleNames();
    SetTabOrder();
    setFixedSize(Tw(5655), Tw(6375));
}

void frmMainForm::SetAccessibleNames() {
    static const char* const kNames[23][2] = {
        {"0", "0"},
        {"1", "1"},
        {"2", "2"},
        {"3", "3"},
        {"4", "4"},
        {"5", "5"},
        {"6", "6"},
        {"7", "7"},
        {"8", "8"},
        {"9", "9"},
        {"Letzte Stelle löschen", "Delete last digit"},
        {"Dezimalzeichen", "Decimal symbol"},
        {"Plus", "Plus"},
        {"Minus", "Minus"},
        {"Mal", "Times"},
        {"Geteilt durch", "Divided by"},
        {"Gleich, umrechnen", "Equals, convert"},
        {"Alles löschen", "Clear all"},
        {"Information", "Information"},
        {"Speicher plus", "Memory plus"},
        {"Speicher minus", "Memory minus"},
        {"Speicher abrufen", "Memory recall"},
        {"Speicher löschen", "Memory clear"},
    };
    for (int i = 0; i < 23; ++i)
        cmdBtnArray[i]->setAccessibleName(Tx(kNames[i][0], kNames[i][1]));
    cboWaehrung1->setAccessibleName(Tx("Ausgangswährung (F4)", "Source currency (F4)"));
    cboWaehrung2->setAccessibleName(Tx("Zielwährung (Umschalt+F4)", "Target currency (Shift+F4)"));
    cmdClipPaste->setAccessibleName(Tx("Einfügen", "Paste"));
    cmdClipCopy->setAccessibleName(Tx("Ergebnis kopieren", "Copy result"));
    txtEingabe->setAccessibleName(Tx("Eingabe", "Input"));
    txtAusgabe->setAccessibleName(Tx("Ergebnis", "Result"));
    lblError->setAccessibleName(Tx("Fehlerzeile", "Error line"));
    picLogo->setAccessibleName(Tx("Hilfe (F1)", "Help (F1)"));
}

void frmMainForm::SetTabOrder() {
    // Reading order: the lists, the clipboard buttons, the keypad row by row, the result
    // and the sixteen lines.
    QList<QWidget*> order{cboWaehrung1, cboWaehrung2, cmdClipPaste, cmdClipCopy};
    for (int i : {19, 20, 21, 22, 17, 15, 14, 18, 7, 8, 9, 10, 4, 5, 6, 13, 1, 2, 3, 12, 0, 11, 16})
        order << cmdBtnArray[i];
    order << txtAusgabe;
    for (QLabel* l : lblBetrag)
        order << l;
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void frmMainForm::FormLoad() {
    picLogo->setPixmap(LogoPicture(picLogo->size()));
    picLogo->setToolTip(bGerman ? QStringLiteral("Hilfe") : QStringLiteral("Help"));
    UpdateClipboardButtons();
    // The application's display name ("Devisio") is added to every title by Qt.
    setWindowTitle(bGerman ? QStringLiteral("Währungsrechner")
                           : QStringLiteral("Currency Calculator"));
    // Every run starts with the configured rates.
    SaveSetting(QStringLiteral("Currencies"), QStringLiteral("UseWaehdat"), QStringLiteral("0"));
    UpdateMemoryDisplay();
}

void frmMainForm::SetLineParticipating(int nIndex) {
    if (nIndex < 0 || nIndex > 15)
        return;
    for (QLabel* l : {lblBetrag[nIndex], lblWaehrung[nIndex]}) {
        QPalette p = l->palette();
        p.setColor(QPalette::Base, ParticipatingColour());
        p.setColor(QPalette::Window, ParticipatingColour());
        l->setPalette(p);
    }
}

void frmMainForm::FocusEquals() {
    if (cmdBtnArray[16])
        cmdBtnArray[16]->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------- events

void frmMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateClipboardButtons();
    FocusEquals();
}

void frmMainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        UpdateClipboardButtons();
}

void frmMainForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        Calculate();
    } else {
        UpdateClipboardButtons();
    }
    FocusEquals();
}

bool frmMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress) {
        for (int i = 0; i < 16; ++i)
            if (watched == lblBetrag[i]) {
                // A selected line without a value names its reason in the error line.
                if (!asLineReason[static_cast<size_t>(i)].isEmpty())
                    lblError->setText(oCurrencyList.ISOCode(i) + QStringLiteral(": ") +
                                      asLineReason[static_cast<size_t>(i)]);
                break;
            }
    }
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this && isEnabled())
            return HandleKey(static_cast<QKeyEvent*>(event));
        break;
    }
    case QEvent::Enter:
        for (int i = 19; i <= 22; ++i)
            if (watched == cmdBtnArray[i]) {
                UpdateMemoryDisplay();
                break;
            }
        break;
    case QEvent::MouseButtonPress:
        if (watched == picLogo) {
            // The logo leads to the program's own help page.
            if (ShellOpen(ProgramHelpFile(), this) < 32)
                ShowMessage(QStringLiteral("Error loading website !"), MsgIcon::None, this);
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool frmMainForm::ListKey(QComboBox* c, QKeyEvent* e) {
    const int key = e->key();
    const Qt::KeyboardModifiers m = e->modifiers() & ~Qt::KeypadModifier;
    const int nList = c == cboWaehrung1 ? 1 : 2;
    if (key == Qt::Key_F4 || (key == Qt::Key_Down && m == Qt::AltModifier) ||
        key == Qt::Key_Space) {
        c->showPopup();
        return true;
    }
    int nNew = -1;
    if (m == Qt::NoModifier && (key == Qt::Key_Up || key == Qt::Key_Down))
        nNew = c->currentIndex() + (key == Qt::Key_Up ? -1 : 1);
    else if (m == Qt::NoModifier && (key == Qt::Key_Home || key == Qt::Key_End))
        nNew = key == Qt::Key_Home ? 0 : c->count() - 1;
    const QString t = e->text();
    if (nNew < 0 && t.size() == 1 && t.at(0).isLetter() && !(m & Qt::ControlModifier)) {
        // Typing searches by code, then by name; letters typed within a second add up.
        if (!m_searchTimer.isValid() || m_searchTimer.elapsed() > 1000 || m_pSearchList != c)
            m_sSearch.clear();
        m_searchTimer.restart();
        m_pSearchList = c;
        m_sSearch += t;
        nNew = FindCurrency(c, m_sSearch);
        if (nNew < 0)
            QApplication::beep();
    }
    if (nNew < 0 || nNew >= c->count())
        return t.size() == 1 && t.at(0).isLetter(); // other keys: the keypad's
    if (nNew != c->currentIndex()) {
        c->setCurrentIndex(nNew);
        CurrencyChosen(nList, false);
    }
    return true;
}

int frmMainForm::FindCurrency(QComboBox* c, const QString& sTyped) const {
    for (int pass = 0; pass < 3; ++pass)
        for (int i = 0; i < c->count(); ++i) {
            const QString sCode = c->itemText(i);
            const QString sName = oCurrencyList.LongName(oCurrencyList.Index(sCode));
            const bool bHit = pass == 0   ? sCode.startsWith(sTyped, Qt::CaseInsensitive)
                              : pass == 1 ? sName.startsWith(sTyped, Qt::CaseInsensitive)
                                          : sName.contains(sTyped, Qt::CaseInsensitive);
            if (bHit)
                return i;
        }
    return -1;
}

bool frmMainForm::HandleKey(QKeyEvent* e) {
    const Qt::KeyboardModifiers m = e->modifiers();
    const int key = e->key();
    const bool bCtrl = m & Qt::ControlModifier;
    const bool bShift = m & Qt::ShiftModifier;
    bool bDecimalDone = false;
    // Tab and Shift+Tab move the focus as usual.
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return false;
    // F4 opens the source list, Shift+F4 the target list.
    if (key == Qt::Key_F4 && !bCtrl) {
        QComboBox* c = bShift ? cboWaehrung2 : cboWaehrung1;
        c->setFocus(Qt::ShortcutFocusReason);
        c->showPopup();
        return true;
    }
    QWidget* pFocus = QApplication::focusWidget();
    if (auto* c = qobject_cast<QComboBox*>(pFocus); c && c->window() == this && ListKey(c, e))
        return true;
    // Space presses a focused key or clipboard button, as a click does.
    if (key == Qt::Key_Space && !bCtrl) {
        if (auto* b = qobject_cast<QAbstractButton*>(pFocus); b && b->window() == this) {
            b->click();
            return true;
        }
    }
    // Keys that only move within the window leave the focus where it is.
    if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right ||
        key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
        key == Qt::Key_Meta || key == Qt::Key_AltGr)
        return true;
    if (bCtrl) {
        if (key == Qt::Key_C || key == Qt::Key_Insert)
            CopyToClipboard();
        else if (key == Qt::Key_V)
            PasteFromClipboard();
    } else if (bShift) {
        if (key == Qt::Key_Insert)
            PasteFromClipboard();
    } else {
        if (key == Qt::Key_F1) {
            ShowHelpFile(QFileInfo(ProgramHelpFile()).fileName());
        } else if (key >= Qt::Key_0 && key <= Qt::Key_9) {
            Digit(key - Qt::Key_0);
        } else if ((m & Qt::KeypadModifier) && (key == Qt::Key_Period || key == Qt::Key_Comma)) {
            DecimalSymbol();
            bDecimalDone = true;
        } else if (key == Qt::Key_Backspace) {
            Cut();
        }
    }
    // The typed character.
    if (!bCtrl) {
        const QString t = e->text();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ClickButton(16); // the default button
        } else if (key == Qt::Key_Escape) {
            ClickButton(17); // the cancel button
        } else if (t.size() == 1) {
            if (t == sDecimalSymbol) {
                if (!bDecimalDone)
                    DecimalSymbol();
            } else if (!bDecimalDone && (t == QLatin1String(".") || t == QLatin1String(","))) {
                // "1.5" with a decimal comma would silently become 15.
                Refuse(CCalcEngine::Refusal::ForeignSymbol);
            } else if (t == QLatin1String("*")) {
                ClickButton(14);
            } else if (t == QLatin1String("+")) {
                ClickButton(12);
            } else if (t == QLatin1String("-")) {
                ClickButton(13);
            } else if (t == QLatin1String("/")) {
                ClickButton(15);
            } else if (t == QLatin1String("=")) {
                Calculate();
            } else if (t == QLatin1String("?")) {
                ShowInfo();
            }
        }
    }
    UpdateClipboardButtons();
    FocusEquals();
    return true;
}

void frmMainForm::ClickButton(int i) {
    if (i >= 0 && i <= 9)
        Digit(i);
    else if (i == 10)
        Cut();
    else if (i == 11)
        DecimalSymbol();
    else if (i == 12)
        Add();
    else if (i == 13)
        Subtract();
    else if (i == 14)
        Multiply();
    else if (i == 15)
        Divide();
    else if (i == 16)
        Calculate();
    else if (i == 17)
        Clear();
    else if (i == 18)
        ShowInfo();
    else if (i == 19)
        MemoryPlus();
    else if (i == 20)
        MemoryMinus();
    else if (i == 21)
        MemoryRecall();
    else if (i == 22)
        MemoryClear();
    UpdateMemoryDisplay();
    UpdateClipboardButtons();
    FocusEquals();
}

void frmMainForm::ShowInfo() {
    frmInfo dlg(this);
    dlg.exec();
}

// ---------------------------------------------------------------- engine

void frmMainForm::SetInputText(const QString& s) {
    oEngine.SetText(s);
    ShowInput();
}

void frmMainForm::ShowInput() {
    const QString t = oEngine.Text();
    FitText(txtEingabe, t, txtEingabe->contentsRect().width() - 8);
    txtEingabe->setText(t);
    txtEingabe->setCursorPosition(static_cast<int>(t.size()));
    txtEingabe->setAccessibleName(Tx("Eingabe", "Input") + QLatin1Char(' ') + t);
}

void frmMainForm::Refuse(CCalcEngine::Refusal r) {
    if (r == CCalcEngine::Refusal::None)
        return;
    QApplication::beep();
    lblError->setText(CCalcEngine::RefusalText(r));
}

void frmMainForm::Cut() {
    oEngine.Cut();
    ShowInput();
}

void frmMainForm::Digit(int d) {
    Refuse(oEngine.Digit(d));
    ShowInput();
}

void frmMainForm::DecimalSymbol() {
    Refuse(oEngine.DecimalSymbol());
    ShowInput();
}

void frmMainForm::Add() {
    oEngine.Add();
    ShowInput();
}

void frmMainForm::Subtract() {
    oEngine.Subtract();
    ShowInput();
}

void frmMainForm::Multiply() {
    oEngine.Multiply();
    ShowInput();
}

void frmMainForm::Divide() {
    oEngine.Divide();
    ShowInput();
}

void frmMainForm::Calculate() {
    if (cboWaehrung1->currentText().isEmpty() || cboWaehrung2->currentText().isEmpty())
        return;
    oEngine.Calculate(cboWaehrung1->currentText());
    ShowInput();
    Convert();
}

void frmMainForm::Clear() {
    oEngine.Clear();
    ShowInput();
    txtAusgabe->clear();
    ResetAllISOLines();
    lblError->clear();
    Convert();
}

void frmMainForm::MemoryPlus() {
    oEngine.MemoryPlus();
    ShowInput();
}

void frmMainForm::MemoryMinus() {
    oEngine.MemoryMinus();
    ShowInput();
}

void frmMainForm::MemoryRecall() {
    if (cboWaehrung1->currentText().isEmpty() || cboWaehrung2->currentText().isEmpty())
        return;
    oEngine.MemoryRecall(cboWaehrung1->currentText());
    ShowInput();
    Convert();
}

void frmMainForm::MemoryClear() {
    oEngine.MemoryClear();
}

void frmMainForm::UpdateMemoryDisplay() {
    QFont f = cmdBtnArray[21]->font();
    if (oEngine.Memory() == 0.0) {
        f.setBold(false);
        f.setPointSize(10);
    } else {
        f.setBold(true);
        f.setPointSize(9);
    }
    cmdBtnArray[21]->setFont(f);
    const QString sTip = QStringLiteral("M= ") + FormatNumber(oEngine.Memory(), 2);
    for (int i = 19; i <= 22; ++i)
        cmdBtnArray[i]->setToolTip(sTip);
}

// ---------------------------------------------------------------- dispatch

void frmMainForm::SetBridge(IBridge* bridge) {
    pBridge = bridge ? bridge : &oRealBridge;
}

void frmMainForm::SetLine(int nIndex, const CDispatchField& f) {
    const QString sCode = oCurrencyList.ISOCode(nIndex);
    const QString sName = oCurrencyList.LongName(nIndex);
    QLabel* l = lblBetrag[static_cast<size_t>(nIndex)];
    asLineReason[static_cast<size_t>(nIndex)] = f.sReason;
    // Amounts stand at the right edge, texts at the left.
    l->setAlignment((f.bAmount ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    ShowAmount(l, f.sText);
    const QString sShown = f.sText.trimmed();
    if (!f.sReason.isEmpty()) {
        l->setToolTip(sName + QStringLiteral(": ") + f.sReason);
        l->setAccessibleName(sName + QStringLiteral(": ") + f.sReason);
    } else {
        l->setToolTip(sName);
        l->setAccessibleName(sShown.isEmpty() ? sName : sShown + QLatin1Char(' ') + sName);
    }
    lblWaehrung[static_cast<size_t>(nIndex)]->setText(sCode);
    lblWaehrung[static_cast<size_t>(nIndex)]->setToolTip(sName);
}

QString frmMainForm::LineReason(int nIndex) const {
    if (nIndex < 0 || nIndex > 15)
        return {};
    return asLineReason[static_cast<size_t>(nIndex)];
}

void frmMainForm::ResetAllISOLines() {
    for (int i = 0; i < 16; ++i) {
        lblBetrag[i]->clear();
        lblWaehrung[i]->clear();
        asLineReason[static_cast<size_t>(i)].clear();
    }
}

void frmMainForm::ShowResult(const CDispatchResult& res) {
    ShowAmount(txtAusgabe, res.main.sText);
    txtAusgabe->setToolTip(res.main.sReason);
    const QString sName = oCurrencyList.LongName(oCurrencyList.Index(cboWaehrung2->currentText()));
    txtAusgabe->setAccessibleName(res.main.sText.isEmpty()
                                      ? Tx("Ergebnis", "Result") + QStringLiteral(": ") +
                                            res.main.sReason
                                      : res.main.sText.trimmed() + QLatin1Char(' ') + sName);
    lblError->setText(res.sErrorLine);
    for (int i = 0; i < 16; ++i)
        SetLine(i, res.lines[static_cast<size_t>(i)]);
}

void frmMainForm::Convert() {
    CDispatchRequest req;
    req.sSource = cboWaehrung1->currentText();
    req.sTarget = cboWaehrung2->currentText();
    if (req.sSource.isEmpty() || req.sTarget.isEmpty())
        return;
    req.bUseWaehdat =
        GetSetting(QStringLiteral("Currencies"), QStringLiteral("UseWaehdat"), QStringLiteral("0"))
            .trimmed()
            .toLong() >= 1;
    req.sInput = oEngine.InputString();
    req.sDisplay = oEngine.Text();
    req.nSourcePos = cboWaehrung1->currentIndex();
    CDispatch dispatch(*pBridge, oCurrencyList);
    ShowResult(dispatch.Convert(req));
}

// ---------------------------------------------------------------- lists and clipboard

void frmMainForm::CurrencyChosen(int nList, bool bFocusEquals) {
    QComboBox* chosen = nList == 1 ? cboWaehrung1 : cboWaehrung2;
    QComboBox* other = nList == 1 ? cboWaehrung2 : cboWaehrung1;
    if (chosen->currentIndex() == 3 && other->currentIndex() == 3)
        other->setCurrentIndex(0);
    else if (chosen->currentIndex() == 0 && other->currentIndex() == 0)
        other->setCurrentIndex(3);
    Calculate();
    UpdateClipboardButtons();
    if (bFocusEquals)
        FocusEquals();
}

void frmMainForm::PasteFromClipboard() {
    const QMimeData* md = QGuiApplication::clipboard()->mimeData();
    if (md && md->hasText()) {
        const CCalcEngine::Refusal r = oEngine.Paste(md->text(), cboWaehrung1->currentText());
        if (r == CCalcEngine::Refusal::None)
            lblError->clear();
        Refuse(r);
        ShowInput();
    }
    UpdateClipboardButtons();
}

void frmMainForm::CopyToClipboard() {
    QClipboard* cb = QGuiApplication::clipboard();
    cb->clear();
    cb->setText(txtAusgabe->text().trimmed());
    UpdateClipboardButtons();
}

void frmMainForm::UpdateClipboardButtons() {
    const QMimeData* md = QGuiApplication::clipboard()->mimeData();
    QString sClip;
    if (md && md->hasText()) {
        sClip = md->text();
        cmdClipPaste->setEnabled(ReadNumber(sClip) != 0.0);
    }
    cmdClipCopy->setEnabled(ReadNumber(txtAusgabe->text()) != 0.0);
    QString sPasteTip =
        bGerman ? QStringLiteral("Einfügen (Strg-V)") : QStringLiteral("Paste (Ctrl-V)");
    if (cmdClipPaste->isEnabled() && !sClip.isEmpty())
        sPasteTip += QStringLiteral(": ") + sClip;
    cmdClipPaste->setToolTip(sPasteTip);
    cmdClipCopy->setToolTip(bGerman ? QStringLiteral("Kopieren (Strg-C)")
                                    : QStringLiteral("Copy (Ctrl-C)"));
}
