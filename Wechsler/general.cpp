// SPDX-License-Identifier: Apache-2.0
// Process-wide state, settings store, paths, locale, messages and number texts.
#include "general.h"

#include "CCurrencyList.h"
#include "CDebug.h"
#include "CRegistry.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>
#include <QTableWidget>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

QString sDecimalSymbol = QStringLiteral(",");
QString sGroupingSymbol = QStringLiteral(".");
bool bGerman = true;
QDate dBookingDate;
CCurrencyList oCurrencyList;
int nLastCurrency = 15;
std::unique_ptr<CDebug> oDebug;
QStringList asErrorText;

void LogLine(const QString& sLine) {
    if (oDebug)
        oDebug->WriteLogging(sLine);
}

QString Tx(const char* de, const char* en) {
    return QString::fromUtf8(bGerman ? de : en);
}

void SetColumnWidth(QTableWidget* grid, int nCol, int nTwips) {
    grid->resizeColumnToContents(nCol);
    grid->setColumnWidth(nCol, std::max(Px(nTwips), grid->columnWidth(nCol)));
}

// ---------------------------------------------------------------- settings store

namespace {
QString EnvOr(const char* name, const QString& sFallback) {
    QString s = qEnvironmentVariable(name);
    return s.isEmpty() ? sFallback : s;
}

// The file is addressed by path on every access, so that a changed XDG_CONFIG_HOME
// (tests) takes effect at once.
QString Key(const QString& sSection, const QString& sKey) {
    return sSection + QLatin1Char('/') + sKey;
}
} // namespace

QString SettingsFilePath() {
    return EnvOr("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config")) +
           QStringLiteral("/Devisio/Devisio.ini");
}

QString StateDirectory() {
    return EnvOr("XDG_STATE_HOME", QDir::homePath() + QStringLiteral("/.local/state")) +
           QStringLiteral("/Devisio");
}

QString GetSetting(const QString& sSection, const QString& sKey, const QString& sDefault) {
    QSettings st(SettingsFilePath(), QSettings::IniFormat);
    QVariant v = st.value(Key(sSection, sKey));
    return v.isValid() ? v.toString() : sDefault;
}

void SaveSetting(const QString& sSection, const QString& sKey, const QString& sValue) {
    QSettings st(SettingsFilePath(), QSettings::IniFormat);
    st.setValue(Key(sSection, sKey), sValue);
    st.sync();
}

void DeleteSetting(const QString& sSection, const QString& sKey) {
    QSettings st(SettingsFilePath(), QSettings::IniFormat);
    st.remove(Key(sSection, sKey));
    st.sync();
}

void DeleteSettingSection(const QString& sSection) {
    QSettings st(SettingsFilePath(), QSettings::IniFormat);
    st.remove(sSection);
    st.sync();
}

// ---------------------------------------------------------------- paths

QString GetModulePath() {
    QFileInfo fi(QStringLiteral("/proc/self/exe"));
    QString s = fi.symLinkTarget();
    return s;
}

QString GetAppDirectory() {
    QString s = GetModulePath();
    qsizetype n = s.lastIndexOf(QLatin1Char('/'));
    return n < 0 ? s : s.left(n);
}

void SetWorkingDirectory() {
    QString sDir = GetAppDirectory();
    if (!sDir.isEmpty())
        QDir::setCurrent(sDir);
    LogLine(QStringLiteral("Current workingdir=") + QDir::currentPath());
}

QString InstalledDataDirectory(const QString& sAppDir) {
    const QString sDir = QDir::cleanPath(sAppDir + QStringLiteral("/../share/wechsler"));
    return QFileInfo(sDir).isDir() ? sDir : QString();
}

QString UserDataDirectory() {
    QString sBase = qEnvironmentVariable("XDG_DATA_HOME");
    if (sBase.isEmpty())
        sBase = QDir::homePath() + QStringLiteral("/.local/share");
    return sBase + QStringLiteral("/Devisio");
}

QString RateFilePathFor(const QString& sAppDir) {
    QString s = qEnvironmentVariable("TARVO_WAEHKURS");
    if (!s.isEmpty())
        return s;
    if (!InstalledDataDirectory(sAppDir).isEmpty())
        return UserDataDirectory() + QStringLiteral("/WAEHKURS.DAT");
    return sAppDir + QStringLiteral("/WAEHKURS.DAT");
}

QString RateFilePath() {
    return RateFilePathFor(GetAppDirectory());
}

QString PrepareRateFile(const QString& sAppDir) {
    const QString sPath = RateFilePathFor(sAppDir);
    const QString sShared = InstalledDataDirectory(sAppDir);
    if (qEnvironmentVariable("TARVO_WAEHKURS").isEmpty() && !sShared.isEmpty()) {
        // The installed program's folder is not the user's: the rate file lives in the
        // user's data folder, first copied from the one shipped with the program.
        const QString sShipped = sShared + QStringLiteral("/WAEHKURS.DAT");
        if (!QFileInfo::exists(sPath) && QFileInfo::exists(sShipped)) {
            QDir().mkpath(QFileInfo(sPath).absolutePath());
            if (!QFile::copy(sShipped, sPath))
                LogLine(QStringLiteral("Cannot copy ") + sShipped + QStringLiteral(" to ") + sPath);
            else
                QFile::setPermissions(sPath, QFile::permissions(sPath) | QFile::WriteOwner);
        }
        // The kernel reads the file named here, the same one the windows show and replace.
        qputenv("TARVO_WAEHKURS", QFile::encodeName(sPath));
    }
    return sPath;
}

QString DataFileDirectoryFor(const QString& sAppDir) {
    const QString sShared = InstalledDataDirectory(sAppDir);
    return sShared.isEmpty() ? sAppDir : sShared;
}

QString HelpDirectory() {
    return DataFileDirectoryFor(GetAppDirectory()) + QStringLiteral("/Help");
}

QString ProgramHelpFile() {
    return HelpDirectory() +
           (bGerman ? QStringLiteral("/BedAnl_D.htm") : QStringLiteral("/BedAnl_E.htm"));
}

long ShellOpen(const QString& sFile, QWidget* /*owner*/) {
    QUrl url = QUrl::fromUserInput(sFile, QDir::currentPath(), QUrl::AssumeLocalFile);
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return 2; // file not found, as the shell reports it
    return QDesktopServices::openUrl(url) ? 42 : 31;
}

void ShowHelpFile(const QString& sName) {
    QString sPath = HelpDirectory() + QLatin1Char('/') + sName;
    const long n = ShellOpen(sPath);
    if (n < 32)
        ShowMessage(n == 2 ? Tx("Hilfeseite nicht gefunden: ", "Help page not found: ") + sPath
                           : Tx("Kein Browser gefunden, um die Hilfeseite zu öffnen: ",
                                "No browser found to open the help page: ") +
                                 sPath);
}

QString DateToYYYYMMDD(const QDate& d) {
    return d.toString(QStringLiteral("yyyyMMdd"));
}

// ---------------------------------------------------------------- locale

namespace {
struct LocaleId {
    const char* name;
    const char* id;
};
// Windows locale identifiers of the POSIX locales (language_TERRITORY).
constexpr LocaleId kLocaleIds[] = {
    {"de_DE", "00000407"}, {"de_CH", "00000807"}, {"de_AT", "00000C07"}, {"de_LU", "00001007"},
    {"de_LI", "00001407"}, {"en_US", "00000409"}, {"en_GB", "00000809"}, {"en_AU", "00000C09"},
    {"en_CA", "00001009"}, {"en_NZ", "00001409"}, {"en_IE", "00001809"}, {"fr_FR", "0000040C"},
    {"fr_BE", "0000080C"}, {"fr_CA", "00000C0C"}, {"fr_CH", "0000100C"}, {"fr_LU", "0000140C"},
    {"it_IT", "00000410"}, {"it_CH", "00000810"}, {"nl_NL", "00000413"}, {"nl_BE", "00000813"},
    {"es_ES", "00000C0A"}, {"pt_PT", "00000816"}, {"fi_FI", "0000040B"}, {"sv_SE", "0000041D"},
    {"da_DK", "00000406"}, {"el_GR", "00000408"}, {"nb_NO", "00000414"}, {"pl_PL", "00000415"},
    {"cs_CZ", "00000405"}, {"hu_HU", "0000040E"},
};
} // namespace

QString WindowsLocaleId() {
    const QString sName = QLocale().name();
    for (const auto& e : kLocaleIds)
        if (sName == QLatin1String(e.name))
            return QString::fromLatin1(e.id);
    // The C/POSIX locale and unknown locales count as US English.
    return QStringLiteral("00000409");
}

QString WindowsCountryName() {
    return QLocale::territoryToString(QLocale().territory());
}

bool IsGermanLocale() {
    CRegistry reg;
    reg.root = CRegistry::HKEY_CURRENT_USER;
    reg.key = QStringLiteral("Control Panel\\International");
    const QString sLocale = reg.GetValue(QStringLiteral("Locale"));
    const QString sCountry = reg.GetValue(QStringLiteral("sCountry"));
    LogLine(QStringLiteral("Language=") + sCountry + QStringLiteral(" LocaleID=") + sLocale);
    return sLocale == QLatin1String("00000407") || sLocale == QLatin1String("00000C07") ||
           sLocale == QLatin1String("00001407") || sLocale == QLatin1String("00000807");
}

namespace {
// The user's symbols as the locale formats numbers. A locale without a group separator
// formats 10000 without one; its third character is then a digit, as a Windows user
// with grouping switched off would get.
QString LocaleDecimal() {
    return QLocale().decimalPoint();
}
QString LocaleGroup() {
    QLocale loc;
    if (loc.numberOptions() & QLocale::OmitGroupSeparator && loc.language() != QLocale::C)
        return QString();
    return loc.groupSeparator();
}
QString FormatWithSymbols(double d, int nDecimals, bool bGrouping, const QString& sDec,
                          const QString& sGroup) {
    // Half away from zero on the magnitude, on the shortest decimal text of the value.
    const bool bNeg = std::signbit(d) && d != 0.0;
    double a = std::fabs(d);
    // Shortest text that reads back as the value, then rounded as decimal text.
    const QString sShort = QString::number(a, 'f', QLocale::FloatingPointShortest);
    QByteArray sInt = sShort.toLatin1(), sFrac;
    if (qsizetype nPoint = sInt.indexOf('.'); nPoint >= 0) {
        sFrac = sInt.mid(nPoint + 1);
        sInt = sInt.left(nPoint);
    }
    bool bUp = sFrac.size() > nDecimals && sFrac[nDecimals] >= '5';
    sFrac = sFrac.left(nDecimals);
    while (sFrac.size() < nDecimals)
        sFrac.append('0');
    if (bUp) {
        QByteArray all = sInt + sFrac;
        int i = static_cast<int>(all.size()) - 1;
        for (; i >= 0; --i) {
            if (all[i] == '9') {
                all[i] = '0';
            } else {
                all[i] = static_cast<char>(all[i] + 1);
                break;
            }
        }
        if (i < 0)
            all.prepend('1');
        sInt = all.left(all.size() - nDecimals);
        sFrac = all.right(nDecimals);
    }
    QString sOut;
    if (bGrouping && !sGroup.isEmpty()) {
        for (int i = 0; i < sInt.size(); ++i) {
            if (i > 0 && (sInt.size() - i) % 3 == 0)
                sOut += sGroup;
            sOut += QLatin1Char(sInt[i]);
        }
    } else {
        sOut = QString::fromLatin1(sInt);
    }
    if (nDecimals > 0)
        sOut += sDec + QString::fromLatin1(sFrac);
    bool bZero = true;
    for (QChar c : sOut)
        if (c.isDigit() && c != QLatin1Char('0'))
            bZero = false;
    if (bNeg && !bZero)
        sOut.prepend(QLatin1Char('-'));
    return sOut;
}
} // namespace

bool CheckNumberSettings() {
    const QString sDec = LocaleDecimal();
    const QString sGroup = LocaleGroup();
    // "1,25" / "1.25" formatted in the general format, 10000 with "###,##0".
    const QString s125 = FormatWithSymbols(1.25, 2, false, sDec, sGroup);
    const QString s10000 = FormatWithSymbols(10000, 0, true, sDec, sGroup);
    if (s125.contains(QLatin1Char(','))) {
        if (s10000.contains(QLatin1Char(',')) || s10000.size() < 3)
            return false;
        sDecimalSymbol = QStringLiteral(",");
        sGroupingSymbol = s10000.mid(2, 1);
        return true;
    }
    if (s125.contains(QLatin1Char('.'))) {
        if (s10000.contains(QLatin1Char('.')) || s10000.size() < 3)
            return false;
        sDecimalSymbol = QStringLiteral(".");
        sGroupingSymbol = s10000.mid(2, 1);
        return true;
    }
    return false;
}

QString NumberSettingsMessage() {
    const QChar cr(13);
    QStringList lines;
    if (bGerman)
        lines = {QStringLiteral("Unzulässige Einstellungen für Dezimaltrennzeichen oder für "
                                "Symbol für Zifferngruppierung"),
                 QStringLiteral("bei der Ländereinstellung für Zahlen (siehe Systemsteuerung) !"),
                 QString(),
                 QStringLiteral("Zulässige Dezimaltrennzeichen sind: Komma oder Punkt,"),
                 QStringLiteral("zulässige Symbole für Zifferngruppierung sind: Punkt, Komma "
                                "oder Leerzeichen."),
                 QString(),
                 QStringLiteral("Dezimaltrennzeichen und Symbol für Zifferngruppierung müssen "
                                "verschieden sein,"),
                 QStringLiteral("die Anzahl der Ziffern je Gruppe muss 3 sein.")};
    else
        lines = {QStringLiteral("Invalid settings for decimal symbol or digit grouping symbol"),
                 QStringLiteral("in regional settings for numbers (see Control Panel) !"),
                 QString(),
                 QStringLiteral("Valid decimal symbols are: point or comma,"),
                 QStringLiteral("valid digit grouping symbols are: comma, point or blank."),
                 QString(),
                 QStringLiteral("Decimal symbol and digit grouping symbol must be different,"),
                 QStringLiteral("the number of digits in group must be 3.")};
    QString s;
    for (const QString& l : lines)
        s += l + cr;
    return s;
}

// ---------------------------------------------------------------- messages

namespace {
MessageHandler& Handler() {
    static MessageHandler h;
    return h;
}
} // namespace

void SetMessageHandler(MessageHandler handler) {
    Handler() = std::move(handler);
}

void ShowMessage(const QString& sText, MsgIcon icon, QWidget* parent) {
    if (Handler()) {
        Handler()(sText, icon);
        return;
    }
    QMessageBox::Icon qi = QMessageBox::NoIcon;
    switch (icon) {
    case MsgIcon::Information:
        qi = QMessageBox::Information;
        break;
    case MsgIcon::Warning:
        qi = QMessageBox::Warning;
        break;
    case MsgIcon::Critical:
        qi = QMessageBox::Critical;
        break;
    case MsgIcon::None:
        break;
    }
    QString sShown = sText;
    sShown.replace(QChar(13), QLatin1Char('\n'));
    QMessageBox box(qi, QApplication::applicationDisplayName(), sShown, QMessageBox::Ok, parent);
    box.exec();
}

// ---------------------------------------------------------------- number texts

QString KeepNumberChars(const QString& s) {
    static const QString kKeep = QStringLiteral("0123456789.,+-");
    QString r;
    r.reserve(s.size());
    for (QChar c : s)
        if (kKeep.contains(c))
            r += c;
    return r;
}

QString StripGrouping(const QString& s) {
    QString t = KeepNumberChars(s);
    if (t.size() < 5)
        return t;
    QString head = t.left(t.size() - 3);
    if (!sGroupingSymbol.isEmpty())
        head.remove(sGroupingSymbol);
    return head + t.right(3);
}

QString DotToDecimalSymbol(const QString& s) {
    QString r = s;
    r.replace(QLatin1Char('.'), sDecimalSymbol);
    return r;
}

double ReadNumber(const QString& s, bool* ok) {
    if (ok)
        *ok = false;
    QString t = s.trimmed();
    if (!sGroupingSymbol.isEmpty() && sGroupingSymbol != sDecimalSymbol) {
        if (sGroupingSymbol.trimmed().isEmpty() || sGroupingSymbol == QChar(0x00A0) ||
            sGroupingSymbol == QChar(0x202F)) {
            t.remove(sGroupingSymbol);
            t.remove(QLatin1Char(' '));
        } else {
            t.remove(sGroupingSymbol);
        }
    }
    if (sDecimalSymbol != QLatin1String("."))
        t.replace(sDecimalSymbol, QStringLiteral("."));
    // Sign, digits, at most one point, optional exponent; nothing else.
    QByteArray b = t.toLatin1();
    if (b.isEmpty() || t.size() != b.size())
        return 0.0;
    int i = 0;
    if (b[i] == '+' || b[i] == '-')
        ++i;
    int nDigits = 0, nPoints = 0;
    for (; i < b.size(); ++i) {
        char c = b[i];
        if (c >= '0' && c <= '9')
            ++nDigits;
        else if (c == '.' && ++nPoints == 1)
            continue;
        else
            break;
    }
    if (nDigits == 0)
        return 0.0;
    if (i < b.size()) {
        if (b[i] != 'e' && b[i] != 'E')
            return 0.0;
        ++i;
        if (i < b.size() && (b[i] == '+' || b[i] == '-'))
            ++i;
        int nExp = 0;
        for (; i < b.size() && b[i] >= '0' && b[i] <= '9'; ++i)
            ++nExp;
        if (nExp == 0 || i != b.size())
            return 0.0;
    }
    bool bOk = false;
    double d = QLocale::c().toDouble(QString::fromLatin1(b), &bOk);
    if (!bOk || !std::isfinite(d))
        return 0.0;
    if (ok)
        *ok = true;
    return d;
}

QString NumberText(double d) {
    if (!std::isfinite(d))
        return QStringLiteral("0");
    QString s = QString::number(d, 'g', 15);
    if (s.contains(QLatin1Char('e'))) {
        // Exponent form as "1E+20" / "1,5E-07".
        s = s.toUpper();
        qsizetype nE = s.indexOf(QLatin1Char('E'));
        QString mant = s.left(nE), exp = s.mid(nE + 1);
        QChar sign = exp[0];
        exp = exp.mid(1);
        while (exp.size() > 2 && exp.startsWith(QLatin1Char('0')))
            exp.remove(0, 1);
        if (exp.size() < 2)
            exp.prepend(QLatin1Char('0'));
        s = mant + QLatin1Char('E') + sign + exp;
    }
    s.replace(QLatin1Char('.'), sDecimalSymbol);
    return s;
}

QString FormatNumber(double d, int nDecimals, bool bGrouping) {
    if (!std::isfinite(d))
        d = 0.0;
    return FormatWithSymbols(d, nDecimals, bGrouping, sDecimalSymbol, sGroupingSymbol);
}

QString FormatOutput(QString& strZahl, const QString& strWaeh, bool bReplace) {
    if (strZahl.contains(QStringLiteral("E+")))
        strZahl = FormatNumber(ReadNumber(strZahl), 2, false);
    strZahl = StripGrouping(strZahl);
    if (bReplace)
        strZahl = DotToDecimalSymbol(strZahl);
    const int nIndex = oCurrencyList.Index(strWaeh);
    const int nNKS = nIndex >= 0 ? oCurrencyList.NKS(nIndex) : 2;
    const double d = ReadNumber(strZahl);
    if (nNKS != 0)
        return FormatNumber(d, 2);
    return FormatNumber(d, 0) + QStringLiteral("     ");
}
