/* SPDX-License-Identifier: Apache-2.0 */
// Manual download wizard: where to fetch the rate file and where to save it.
#pragma once

#include "frmInetAutoUpdate.h"

// The file the manual update takes in: ECPKURSE.DAT in the update folder or, when the user
// saved one of the ECB's files under its own name (eurofxref-daily.xml, eurofxref-hist.csv,
// ...), the newest of them; that one is converted into ECPKURSE.DAT. Returns the path
// taken, or an empty text when there is none.
QString CollectSavedRateFile();

class frmInetManualUpdate : public InetUpdateWizard {
    Q_OBJECT
  public:
    explicit frmInetManualUpdate(QWidget* parent = nullptr);

    QFrame* frmStep[3] = {};
    QLabel* lblStep[3] = {};
    QLabel* lblDesc1 = nullptr;
    QLabel* lblDesc2a = nullptr;
    QLabel* lblDesc2b = nullptr;
    QLabel* lblDesc2c = nullptr;
    QPushButton* cmdStartBrowser = nullptr;
    QLabel* lblDesc3 = nullptr;
    QLabel* lblDestPath = nullptr;

  public slots:
    void reject() override;

  private:
    void UpdateForm();
    void cmdNext_Click();
    void cmdPrev_Click();
    void cmdStartBrowser_Click();
};
