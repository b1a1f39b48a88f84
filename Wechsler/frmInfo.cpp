// Information dialog: versions, booking date, rate-file use, entry to the other dialogs.
#include "frmInfo.h"

frmInfo::frmInfo(QWidget* parent) : QDialog(parent) {}
