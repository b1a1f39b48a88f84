/* SPDX-License-Identifier: Apache-2.0 */
// One currency of the calculator's currency list.
#pragma once

#include <QString>
#include <cstdint>

class CCurrency {
  public:
    // Kinds (TNL): euro or fixed euro rate, built-in other currency, additional currency.
    enum { Participating = 1, BuiltIn = 2, Additional = 3 };

    int16_t Index() const { return m_nIndex; }
    void setIndex(int16_t n) { m_nIndex = n; }
    QString ISOCode() const { return m_sISOCode; }
    void setISOCode(const QString& s) { m_sISOCode = s; }
    QString LongName() const { return m_sLongName; }
    void setLongName(const QString& s) { m_sLongName = s; }
    double Kurs() const { return m_dKurs; } // units of this currency per 1 EUR; 0: none
    void setKurs(double d) { m_dKurs = d; }
    int NKS() const { return m_nNKS; } // decimals shown: 2 or 0
    void setNKS(int n) { m_nNKS = n; }
    int TNL() const { return m_nTNL; }
    void setTNL(int n) { m_nTNL = n; }
    bool StoredInRegistry() const { return m_bStored; }
    void setStoredInRegistry(bool b) { m_bStored = b; }

  private:
    int16_t m_nIndex = 0;
    QString m_sISOCode;
    QString m_sLongName;
    double m_dKurs = 0.0;
    int m_nNKS = 2;
    int m_nTNL = 0;
    bool m_bStored = false;
};
