// Information dialog: versions, booking date, rate-file use, entry to the other dialogs.
#pragma once

#include <QDialog>

class frmInfo : public QDialog {
    Q_OBJECT
  public:
    explicit frmInfo(QWidget* parent = nullptr);
};
