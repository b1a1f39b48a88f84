// Manual download wizard: where to fetch the rate file and where to save it.
#pragma once

#include <QDialog>

class frmInetManualUpdate : public QDialog {
    Q_OBJECT
  public:
    explicit frmInetManualUpdate(QWidget* parent = nullptr);
};
