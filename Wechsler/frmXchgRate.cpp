// Rate display: every currency with its rate to the euro and its decimals.
#include "frmXchgRate.h"

frmXchgRate::frmXchgRate(QWidget* parent) : QDialog(parent) {}
