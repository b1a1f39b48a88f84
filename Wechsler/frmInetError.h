/* SPDX-License-Identifier: Apache-2.0 */
// Error dialog after a failed download; lets the user raise the time-out.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class frmInetError : public QDialog {
    Q_OBJECT
  public:
    explicit frmInetError(QWidget* parent = nullptr);

    QLabel* lblDesc = nullptr;
    QLabel* lblTimeout = nullptr;
    QLineEdit* txtTimeout = nullptr;
    QLabel* picImage = nullptr;
    QPushButton* cmdOK = nullptr;

  private:
    void cmdOK_Click();
};
