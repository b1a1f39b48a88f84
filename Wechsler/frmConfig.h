/* SPDX-License-Identifier: Apache-2.0 */
// Currency configuration dialog: additional currencies with their rates.
#pragma once

#include <QDialog>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

class frmConfig : public QDialog {
    Q_OBJECT
  public:
    explicit frmConfig(QWidget* parent = nullptr);

    // The delete confirmation (Yes / No, No preselected). Tests may install a handler that
    // answers instead of a modal box; an empty handler restores the box.
    using QuestionHandler = std::function<bool(const QString& sText)>;
    static void SetQuestionHandler(QuestionHandler handler);

    // Per-character input rules: would the field accept this text after a typed character?
    static bool CurrencyTextAllowed(const QString& sText);
    static bool RateTextAllowed(const QString& sText);

    int SelectedRow() const { return m_nSelRow; } // 1-based data row, 0 = none

    QTableWidget* grdCurrency = nullptr;
    QLineEdit* txtCurrency = nullptr;
    QLineEdit* txtXchgRate = nullptr;
    QGroupBox* fraNKS = nullptr;
    QRadioButton* opt2NKS = nullptr;
    QRadioButton* optNoNKS = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdChg = nullptr;
    QPushButton* cmdDel = nullptr;
    QPushButton* cmdOK = nullptr;
    QLabel* lblAdditionalCurrency = nullptr;
    QLabel* lblCurrency = nullptr;
    QLabel* lblXchgRate = nullptr;
    QLabel* lblHint = nullptr; // why a typed character was not taken

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  public slots:
    // Esc and the close box do what the one closing button does: keep the list and close.
    void reject() override;

  protected:
  private:
    void FormLoad();
    void ClearSelection();
    void ClearInput();
    void ResetDialog();
    void AddGridRow(const QString& sCode, const QString& sRate, const QString& sDecimals);
    void ValidateInput();
    void ChooseDefaultButton();
    int FindCode(const QString& sCode) const; // 1-based row, 0 if absent
    int DataRows() const;
    bool RowHasCode(int nRow) const; // nRow 1-based
    bool FixedRateRefused(const QString& sCode);
    void grdCurrency_Click(int nRow); // nRow 1-based
    void cmdAdd_Click();
    void cmdChg_Click();
    void cmdDel_Click();
    void cmdOK_Click();

    int m_nSelRow = 0;
    bool m_bFirstRowUsed = false;
};
