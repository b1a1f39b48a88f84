// Replace dialog: compares the current and the downloaded rate file and swaps them.
#include "frmFileReplace.h"

frmFileReplace::frmFileReplace(QWidget* parent) : QDialog(parent) {}
