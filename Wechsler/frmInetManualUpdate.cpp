// Manual download wizard: where to fetch the rate file and where to save it.
#include "frmInetManualUpdate.h"

frmInetManualUpdate::frmInetManualUpdate(QWidget* parent) : QDialog(parent) {}
