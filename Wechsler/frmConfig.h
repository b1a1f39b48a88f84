// Currency configuration dialog: additional currencies with their rates.
#pragma once

#include <QDialog>

class frmConfig : public QDialog {
    Q_OBJECT
  public:
    explicit frmConfig(QWidget* parent = nullptr);
};
