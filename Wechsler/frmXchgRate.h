// Rate display: every currency with its rate to the euro and its decimals.
#pragma once

#include <QDialog>

class frmXchgRate : public QDialog {
    Q_OBJECT
  public:
    explicit frmXchgRate(QWidget* parent = nullptr);
};
