// SPDX-License-Identifier: Apache-2.0
// The currency list: lookups by index and by code, rate updates, appending.
#include "CCurrencyList.h"

#include "general.h"

const CCurrency* CCurrencyList::Find(int nIndex) const {
    for (const CCurrency& c : m_items)
        if (c.Index() == nIndex)
            return &c;
    return nullptr;
}

QString CCurrencyList::ISOCode(int nIndex) const {
    const CCurrency* c = Find(nIndex);
    return c ? c->ISOCode() : QString();
}

QString CCurrencyList::LongName(int nIndex) const {
    const CCurrency* c = Find(nIndex);
    return c ? c->LongName() : QString();
}

QString CCurrencyList::Kurs(int nIndex) const {
    return NumberText(KursValue(nIndex));
}

double CCurrencyList::KursValue(int nIndex) const {
    const CCurrency* c = Find(nIndex);
    return c ? c->Kurs() : 0.0;
}

int CCurrencyList::NKS(int nIndex) const {
    const CCurrency* c = Find(nIndex);
    return c ? c->NKS() : 2;
}

int CCurrencyList::TNL(int nIndex) const {
    const CCurrency* c = Find(nIndex);
    return c ? c->TNL() : 0;
}

bool CCurrencyList::StoredInRegistry(const QString& sISOCode) const {
    int n = Index(sISOCode);
    const CCurrency* c = n >= 0 ? Find(n) : nullptr;
    return c && c->StoredInRegistry();
}

int CCurrencyList::Index(const QString& sISOCode) const {
    for (const CCurrency& c : m_items)
        if (c.ISOCode() == sISOCode)
            return c.Index();
    return -1;
}

void CCurrencyList::SetKurs(const QString& sISOCode, const QString& sNewKurs) {
    for (CCurrency& c : m_items) {
        if (c.ISOCode() == sISOCode) {
            c.setKurs(ReadNumber(sNewKurs));
            c.setStoredInRegistry(true);
            return;
        }
    }
}

void CCurrencyList::Add(const CCurrency& oNewCurrency) {
    m_items.push_back(oNewCurrency);
}
