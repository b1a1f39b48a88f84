// The calculator's main window: keypad, input and result fields, sixteen currency lines,
// clipboard buttons, error line; the calculator engine and the conversion dispatch.
#pragma once

#include <QString>
#include <QWidget>
#include <array>

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

    // ---- engine ----
    void Append(const QString& s);
    void Cut();
    void Add();
    void Subtract();
    void Multiply();
    void Divide();
    void CalcTempSum();
    void Calculate();
    QString InputString() const;
    void BeginNewEntry();
    QString FormatOutput(QString& strZahl, const QString& strWaeh, bool bReplace) const;

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
    double Memory() const { return dMemory; }
    double TempSum() const { return dTempSum; }
    QString Operator() const { return sOperator; }

    // ---- conversion dispatch ----
    long Try_U1(const QString& sISOCodeEin, const QString& sISOCodeAus, const QString& sWaehBetrag,
                QString& sRetString, int nIndex);
    long Try_U3(const QString& sISOCodeEin, const QString& sKursTyp, const QString& sISOCodeAus,
                const QString& sWaehBetrag, QString& sRetString, int nIndex);
    bool U2OrU4(const QString& sISOCodeEin, const QString& sISOCodeAus, int nIndex);
    void SetOutputField(const QString& sFieldContent, const QString& sToolBarText, int nIndex,
                        bool bAlignRight);
    void SetISOLine(const QString& sFieldContent, int nIndex, bool bAlignRight);
    void ResetAllISOLines();
    void Convert();

    // ---- lists and clipboard ----
    // A currency chosen by the user in list 1 (source) or 2 (target): the rule that keeps
    // DEM/EUR from becoming identical, then Calculate.
    void CurrencyChosen(int nList);
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
    void FocusEquals();
    // An operator key: the running result takes the input, then op waits for its operand.
    void StartOperation(const QString& op);

    double dTempSum = 0.0;
    QString sOperator = QStringLiteral(" ");
    double dMemory = 0.0;
};

// The main window, created at its first use (as InitWaehrung touches its controls).
frmMainForm* MainForm();
// True when the main window exists.
bool MainFormExists();
// Closes and deletes the main window (tests and end of program).
void DestroyMainForm();
