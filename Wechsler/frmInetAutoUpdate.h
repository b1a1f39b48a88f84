// Automatic download wizard for a new rate file.
#pragma once

#include <QDialog>

class frmInetAutoUpdate : public QDialog {
    Q_OBJECT
  public:
    explicit frmInetAutoUpdate(QWidget* parent = nullptr);
};
