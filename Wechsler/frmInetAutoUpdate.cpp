// Automatic download wizard for a new rate file.
#include "frmInetAutoUpdate.h"

frmInetAutoUpdate::frmInetAutoUpdate(QWidget* parent) : QDialog(parent) {}
