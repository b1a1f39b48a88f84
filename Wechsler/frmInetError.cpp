// Error dialog after a failed download; lets the user raise the time-out.
#include "frmInetError.h"

frmInetError::frmInetError(QWidget* parent) : QDialog(parent) {}
