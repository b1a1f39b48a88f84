// Currency configuration dialog: additional currencies with their rates.
#include "frmConfig.h"

frmConfig::frmConfig(QWidget* parent) : QDialog(parent) {}
