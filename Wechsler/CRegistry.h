/* SPDX-License-Identifier: Apache-2.0 */
// Thin wrapper over the per-user key/value store, as the calculator reads the user's
// regional settings. On Linux the key "Control Panel\International" is answered from the
// user's locale (values "Locale" and "sCountry"); other keys read the settings file.
#pragma once

#include <QString>

class CRegistry {
  public:
    static constexpr long HKEY_CURRENT_USER = static_cast<long>(0x80000001L);

    long root = HKEY_CURRENT_USER;
    QString key;
    bool AutoCreate = false;
    QString Default;

    // Value of name vRequest under key; Default when it does not exist.
    QString GetValue(const QString& vRequest) const;
    void SetValue(const QString& sKeyName, const QString& sValue);
};
