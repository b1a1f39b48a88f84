/* SPDX-License-Identifier: Apache-2.0 */
// Rate display: every currency with its rate to the euro and its decimals.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

class frmXchgRate : public QDialog {
    Q_OBJECT
  public:
    // The rate file counts as in use when the information dialog (the parent) has its box
    // checked; without that dialog the stored setting "UseWaehdat" decides.
    explicit frmXchgRate(QWidget* parent = nullptr);

    QTableWidget* grdXchgRate = nullptr;
    QLabel* lblRateSource1 = nullptr;
    QLabel* lblRateSource2 = nullptr;
    QPushButton* cmdOK = nullptr;

    // Background of the rows of participating currencies.
    static QColor HighlightColour();

  private:
    void FormLoad(bool bUseRateFile);
    void AddRateRow(const QString& sCode, const QString& sRate, const QString& sDecimals,
                    bool bHighlight);
};
