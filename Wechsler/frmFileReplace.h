// Replace dialog: compares the current and the downloaded rate file and swaps them.
#pragma once

#include <QDialog>

class frmFileReplace : public QDialog {
    Q_OBJECT
  public:
    explicit frmFileReplace(QWidget* parent = nullptr);
};
