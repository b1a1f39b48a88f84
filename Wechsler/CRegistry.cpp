// SPDX-License-Identifier: Apache-2.0
// Per-user key/value store: the user's regional settings come from the locale, other keys
// from the calculator's settings file.
#include "CRegistry.h"

#include "general.h"

namespace {
bool IsInternational(const QString& key) {
    return key.compare(QStringLiteral("Control Panel\\International"), Qt::CaseInsensitive) == 0;
}
QString Section(const QString& key) {
    QString s = key;
    s.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return s;
}
} // namespace

QString CRegistry::GetValue(const QString& vRequest) const {
    if (IsInternational(key)) {
        if (vRequest.compare(QStringLiteral("Locale"), Qt::CaseInsensitive) == 0)
            return WindowsLocaleId();
        if (vRequest.compare(QStringLiteral("sCountry"), Qt::CaseInsensitive) == 0)
            return WindowsCountryName();
        return Default;
    }
    return GetSetting(Section(key), vRequest, Default);
}

void CRegistry::SetValue(const QString& sKeyName, const QString& sValue) {
    if (IsInternational(key))
        return; // the locale is the user's, not ours to change
    SaveSetting(Section(key), sKeyName, sValue);
}
