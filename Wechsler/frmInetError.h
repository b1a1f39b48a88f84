// Error dialog after a failed download; lets the user raise the time-out.
#pragma once

#include <QDialog>

class frmInetError : public QDialog {
    Q_OBJECT
  public:
    explicit frmInetError(QWidget* parent = nullptr);
};
