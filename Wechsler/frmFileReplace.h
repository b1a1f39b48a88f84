/* SPDX-License-Identifier: Apache-2.0 */
// Replace dialog: compares the current and the downloaded rate file and swaps them.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class frmFileReplace : public QDialog {
    Q_OBJECT
  public:
    explicit frmFileReplace(QWidget* parent = nullptr);

    QLabel* lblOldVersion = nullptr;
    QLabel* lblOldDate = nullptr;
    QLabel* lblNewVersion = nullptr;
    QLabel* lblNewDate = nullptr;
    QLabel* lblAskReplace = nullptr;
    QLabel* Picture1 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

  public slots:
    void reject() override;

  private:
    void cmdOK_Click();
};
