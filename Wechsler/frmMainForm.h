/* SPDX-License-Identifier: Apache-2.0 */
// The calculator's main window: keypad, input and result fields, sixteen currency lines,
// clipboard buttons, error line. The engine (CCalcEngine) and the conversion dispatch
// (CDispatch) live apart; the window holds the widgets and wires them.
#pragma once

#include "CCalcEngine.h"
#include "CDispatch.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QGroupBox;

class frmMainForm : public QWidget {
    Q_OBJECT
  public:
    explicit frmMainForm(QWidget* parent = nullptr);
    ~frmMainForm() override;

    // ---- controls (names as in the window's design) ----
    QLineEdit* txtEingabe = nullptr;   // input and display of the amount
    QComboBox* cboWaehrung1 = nullptr; // source currency
    QLabel* txtAusgabe = nullptr;      // converted amount or an error text
    QComboBox* cboWaehrung2 = nullptr; // target currency
    std::array<QLabel*, 16> lblBetrag{};
    std::array<QLabel*, 16> lblWaehrung{};
    std::array<QPushButton*, 23> cmdBtnArray{};
    QToolButton* cmdClipCopy = nullptr;
    QToolButton* cmdClipPaste = nullptr;
    QGroupBox* frameErrorText = nullptr;
    QLabel* lblError = nullptr;
    QLabel* picLogo = nullptr;
    QLabel* imgEuroSymbol = nullptr;

    // Background of a participating national currency's line: red 255, green 255, blue 128.
    void SetLineParticipating(int nIndex);

    // ---- engine (CCalcEngine) ----
    CCalcEngine& Engine() { return oEngine; }
    // Sets the input text (the engine's and the field's).
    void SetInputText(const QString& s);
    void Cut();
    void Add();
    void Subtract();
    void Multiply();
    void Divide();
    void Calculate();
    QString InputString() const { return oEngine.InputString(); }

    // Keypad button i clicked (0..22), as by the mouse.
    void ClickButton(int i);
    // The keypad actions.
    void Digit(int d);
    void DecimalSymbol();
    void Clear();
    void MemoryPlus();
    void MemoryMinus();
    void MemoryRecall();
    void MemoryClear();
    double Memory() const { return oEngine.Memory(); }
    double TempSum() const { return oEngine.TempSum(); }
    QString Operator() const { return oEngine.Operator(); }

    // ---- conversion (CDispatch) and its display ----
    // The bridge used by the dispatch (tests put a fake in; null restores the real one).
    void SetBridge(IBridge* bridge);
    void Convert();
    // Shows a dispatch result: main result, error line, the sixteen lines.
    void ShowResult(const CDispatchResult& res);
    void ResetAllISOLines();
    // The reason of the line's missing value ("" when it has one).
    QString LineReason(int nIndex) const;

    // ---- lists and clipboard ----
    // A currency chosen by the user in list 1 (source) or 2 (target): the rule that keeps
    // DEM/EUR from becoming identical, then Calculate.
    void CurrencyChosen(int nList, bool bFocusEquals = true);
    void PasteFromClipboard();
    void CopyToClipboard();
    void UpdateClipboardButtons();
    void UpdateMemoryDisplay();
    // Opens the information dialog modally (when it is built in).
    void ShowInfo();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void BuildControls();
    void FormLoad();
    bool HandleKey(QKeyEvent* event);
    // A key for a focused currency list: F4/Alt+Down/Space open it, Up/Down/Home/End and
    // typed letters (code or name) choose; true when the key was taken.
    bool ListKey(QComboBox* c, QKeyEvent* e);
    // First item whose code, then name starts with sTyped, then whose name contains it.
    int FindCurrency(QComboBox* c, const QString& sTyped) const;
    void SetAccessibleNames();
    void SetTabOrder();
    void FocusEquals();
    // Shows the engine's input text, shrinking the font so that no digit is cut off.
    void ShowInput();
    // A refused input: the beep and the reason in the error line.
    void Refuse(CCalcEngine::Refusal r);
    void SetLine(int nIndex, const CDispatchField& f);

    CCalcEngine oEngine;
    CBridgeCalls oRealBridge;
    IBridge* pBridge = &oRealBridge;
    std::array<QString, 16> asLineReason;
    QString m_sSearch; // letters typed into a currency list
    QElapsedTimer m_searchTimer;
    QComboBox* m_pSearchList = nullptr;
};

// The main window, created at its first use (as InitWaehrung touches its controls).
frmMainForm* MainForm();
// True when the main window exists.
bool MainFormExists();
// Closes and deletes the main window (tests and end of program).
void DestroyMainForm();
