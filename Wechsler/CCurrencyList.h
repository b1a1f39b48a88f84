/* SPDX-License-Identifier: Apache-2.0 */
// Ordered list of the calculator's currencies (built-in ones at indexes 0 to 15).
#pragma once

#include "CCurrency.h"
#include <QString>
#include <vector>

class CCurrencyList {
  public:
    // Lookups by Index (as stored in the currency, normally the position).
    // An unknown index gives an empty text / 0.
    QString ISOCode(int nIndex) const;
    QString LongName(int nIndex) const;
    QString Kurs(int nIndex) const; // rate as the default number text (NumberText)
    double KursValue(int nIndex) const;
    int NKS(int nIndex) const;
    int TNL(int nIndex) const;
    // Lookups by code: the first currency with that code.
    bool StoredInRegistry(const QString& sISOCode) const;
    int Index(const QString& sISOCode) const; // -1 if there is none
    // First currency with that code gets Kurs := sNewKurs read as a number, stored flag set.
    void SetKurs(const QString& sISOCode, const QString& sNewKurs);
    void Add(const CCurrency& oNewCurrency);

    int Count() const { return static_cast<int>(m_items.size()); }
    const CCurrency& At(int nPos) const { return m_items.at(static_cast<size_t>(nPos)); }
    void Clear() { m_items.clear(); }

  private:
    const CCurrency* Find(int nIndex) const;
    std::vector<CCurrency> m_items;
};
