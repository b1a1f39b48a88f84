// SPDX-License-Identifier: Apache-2.0
// Start procedure Main and the building, reading and saving of the currency list.
#include "MainModule.h"

#include "CCurrencyList.h"
#include "CDebug.h"
#include "Compute.h"
#include "frmMainForm.h"
#include "general.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLibraryInfo>
#include <QTranslator>

const BuiltInCurrency kBuiltInCurrencies[16] = {
    {"EUR", "Euro", "Euro"},
    {"ATS", "Österreichische Schilling", "Austrian Schilling"},
    {"BEF", "Belgische Franken", "Belgian Franc"},
    {"DEM", "Deutsche Mark", "German Mark"},
    {"ESP", "Spanische Peseten", "Spanish Peseta"},
    {"FIM", "Finnmark", "Finnish Markka"},
    {"FRF", "Französische Franken", "French Franc"},
    {"IEP", "Irische Pfund", "Irish Punt"},
    {"ITL", "Italienische Lire", "Italian Lira"},
    {"LUF", "Luxemburgische Franken", "Luxembourg Franc"},
    {"NLG", "Niederländische Gulden", "Dutch Guilder"},
    {"PTE", "Portugiesische Escudos", "Portuguese Escudo"},
    {"DKK", "Dänische Kronen", "Danish Krone"},
    {"GBP", "Britisches Pfund", "British Pound"},
    {"GRD", "Griechische Drachmen", "Greek Drachma"},
    {"SEK", "Schwedische Kronen", "Swedish Krona"},
};

namespace {
const QString kCurrencies = QStringLiteral("Currencies");

int WholeNumber(const QString& s) {
    bool ok = false;
    int n = s.trimmed().toInt(&ok);
    return ok ? n : 0;
}
} // namespace

bool LoadQtTranslation() {
    // Qt's own texts (Ja/Nein, Abbrechen, the context menus) in the language of the run.
    static QTranslator* pTranslator = nullptr;
    if (pTranslator) {
        QCoreApplication::removeTranslator(pTranslator);
        delete pTranslator;
        pTranslator = nullptr;
    }
    if (!bGerman || !QCoreApplication::instance())
        return false;
    auto* t = new QTranslator;
    if (!t->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        LogLine(QStringLiteral("Qt translation qtbase_de not found"));
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    pTranslator = t;
    return true;
}

bool StartUp(const QString& sCommandLine) {
    const QString sUpper = sCommandLine.toUpper();
    oDebug = std::make_unique<CDebug>();
    oDebug->setEnabled(sUpper.contains(QStringLiteral("DEBUG")));
    oDebug->setLogFile(StateDirectory() + QStringLiteral("/Devisio.log"));
    LogLine(QStringLiteral("Start in Main(), calling InitError()..."));
    bGerman = IsGermanLocale();
    if (sUpper.contains(QStringLiteral("ENGLISH")))
        bGerman = false;
    SetWorkingDirectory();
    LoadQtTranslation();
    LogLine(QStringLiteral("Rate file=") + PrepareRateFile(GetAppDirectory()));
    if (!CheckNumberSettings()) {
        ShowMessage(NumberSettingsMessage(), MsgIcon::Critical);
        return false;
    }
    dBookingDate = QDate::currentDate();
    InitError();
    return true;
}

void PreselectDefaultPair() {
    frmMainForm* f = MainForm();
    f->Engine().BeginNewEntry();
    f->SetInputText(QStringLiteral("0"));
    f->cboWaehrung1->setCurrentIndex(3);
    f->CurrencyChosen(1);
    f->cboWaehrung2->setCurrentIndex(0);
    f->CurrencyChosen(2);
}

void StartMainWindow() {
    LogLine(QStringLiteral("Calling InitWaehrung()..."));
    InitWaehrung();
    LogLine(QStringLiteral("MainForm.Show()..."));
    MainForm()->show();
    PreselectDefaultPair();
}

int Main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (!StartUp(args.join(QLatin1Char(' ')))) {
        oDebug.reset();
        return 1;
    }
    StartMainWindow();
    const int rc = QApplication::exec();
    DestroyMainForm();
    oDebug.reset();
    return rc;
}

bool IsInComboList(const QComboBox* list, const QString& sText) {
    return list && list->findText(sText, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
}

void InitWaehrung() {
    LogLine(QStringLiteral("Inside IniWaehrung().."));
    nLastCurrency = 15;
    oCurrencyList.Clear();
    frmMainForm* f = MainForm();
    for (int i = 0; i < 16; ++i) {
        const BuiltInCurrency& b = kBuiltInCurrencies[i];
        const QString sCode = QString::fromLatin1(b.code);
        CCurrency c;
        c.setIndex(static_cast<int16_t>(i));
        c.setISOCode(sCode);
        c.setLongName(QString::fromUtf8(bGerman ? b.german : b.english));
        c.setNKS(QStringLiteral("BEF LUF ITL ESP PTE GRD").contains(sCode) ? 0 : 2);
        if (IsEmuCurrency(sCode)) {
            c.setTNL(CCurrency::Participating);
            if (sCode != QLatin1String("EUR"))
                f->SetLineParticipating(i);
        } else {
            c.setTNL(CCurrency::BuiltIn);
            c.setStoredInRegistry(false);
        }
        oCurrencyList.Add(c);
    }
    LogLine(QStringLiteral("Calling ReadRegistry()..."));
    ReadRegistry();
    LogLine(QStringLiteral("Returned from ReadRegistry()"));

    f->cboWaehrung1->clear();
    f->cboWaehrung2->clear();
    for (int i = 0; i <= nLastCurrency; ++i) {
        const QString sCode = oCurrencyList.ISOCode(i);
        if (!IsInComboList(f->cboWaehrung1, sCode)) {
            f->cboWaehrung1->addItem(sCode);
            f->cboWaehrung2->addItem(sCode);
        }
    }
    // Nothing is chosen until the caller selects the pair.
    f->cboWaehrung1->setCurrentIndex(-1);
    f->cboWaehrung2->setCurrentIndex(-1);
}

void ReadRegistry() {
    LogLine(QStringLiteral("Inside ReadRegistry().."));
    const int nCount = WholeNumber(GetSetting(kCurrencies, QStringLiteral("Count"), "0"));
    if (nCount < 1)
        return;
    struct Entry {
        QString code, name, value, nks;
    };
    QList<Entry> kept;
    int nDeleted = 0;
    const QChar cr(13);
    for (int k = 1; k <= nCount; ++k) {
        const QString n = QString::number(k);
        Entry e{GetSetting(kCurrencies, QStringLiteral("Currency") + n),
                GetSetting(kCurrencies, QStringLiteral("LongName") + n),
                GetSetting(kCurrencies, QStringLiteral("Value") + n),
                GetSetting(kCurrencies, QStringLiteral("NKS") + n)};
        if (IsEmuCurrency(e.code)) {
            if (bGerman)
                ShowMessage(e.code +
                            QStringLiteral(" ist der ISO-Code für eine "
                                           "Teilnehmerwährung! ") +
                            cr +
                            QStringLiteral("Alle Währungskurse der Teilnehmerländer sind fixiert "
                                           "und können nicht manuell geändert werden.") +
                            cr +
                            QStringLiteral("Der existierende Eintrag im Konfigurationsdialog "
                                           "wird deshalb gelöscht."));
            else
                ShowMessage(e.code + QStringLiteral(" is the ISO-Code of a EMU currency! ") + cr +
                            QStringLiteral("Rates of participating member states are fixed and "
                                           "cannot be changed.") +
                            cr +
                            QStringLiteral("The existing entry in the configuration dialog "
                                           "will be deleted! "));
            for (const char* key : {"Currency", "LongName", "Value", "NKS"})
                DeleteSetting(kCurrencies, QLatin1String(key) + n);
            ++nDeleted;
            continue;
        }
        kept.append(e);
        ++nLastCurrency;
        QString sValue = e.value;
        sValue.replace(QLatin1Char('T'), sGroupingSymbol);
        sValue.replace(QLatin1Char('D'), sDecimalSymbol);
        CCurrency c;
        c.setIndex(static_cast<int16_t>(nLastCurrency));
        c.setISOCode(e.code);
        c.setLongName(e.name);
        c.setNKS(WholeNumber(e.nks));
        c.setKurs(ReadNumber(sValue));
        c.setTNL(CCurrency::Additional);
        c.setStoredInRegistry(true);
        oCurrencyList.Add(c);
        oCurrencyList.SetKurs(e.code, sValue);
    }
    if (nDeleted > 0) {
        // The remaining entries are renumbered 1..Count so that none falls beyond Count.
        for (int k = 1; k <= nCount; ++k)
            for (const char* key : {"Currency", "LongName", "Value", "NKS"})
                DeleteSetting(kCurrencies, QLatin1String(key) + QString::number(k));
        for (int k = 0; k < kept.size(); ++k) {
            const QString n = QString::number(k + 1);
            SaveSetting(kCurrencies, QStringLiteral("Currency") + n, kept[k].code);
            SaveSetting(kCurrencies, QStringLiteral("LongName") + n, kept[k].name);
            SaveSetting(kCurrencies, QStringLiteral("Value") + n, kept[k].value);
            SaveSetting(kCurrencies, QStringLiteral("NKS") + n, kept[k].nks);
        }
        SaveSetting(kCurrencies, QStringLiteral("Count"), QString::number(nCount - nDeleted));
    }
    LogLine(QStringLiteral("End of ReadRegistry()"));
}

void SaveAdditionalCurrencies(const QList<StoredCurrency>& currencies) {
    // The section is written anew; the rate-file setting that shares it is kept.
    const QString sUseWaehdat = GetSetting(kCurrencies, QStringLiteral("UseWaehdat"), QString());
    DeleteSettingSection(kCurrencies);
    if (!sUseWaehdat.isEmpty())
        SaveSetting(kCurrencies, QStringLiteral("UseWaehdat"), sUseWaehdat);
    int nWritten = 0;
    for (const StoredCurrency& c : currencies) {
        if (c.sISOCode.isEmpty())
            continue;
        ++nWritten;
        const QString n = QString::number(nWritten);
        QString sValue = c.sRate;
        if (!sGroupingSymbol.isEmpty())
            sValue.replace(sGroupingSymbol, QStringLiteral("T"));
        sValue.replace(sDecimalSymbol, QStringLiteral("D"));
        SaveSetting(kCurrencies, QStringLiteral("Currency") + n, c.sISOCode);
        SaveSetting(kCurrencies, QStringLiteral("LongName") + n, QString());
        SaveSetting(kCurrencies, QStringLiteral("Value") + n, sValue);
        SaveSetting(kCurrencies, QStringLiteral("NKS") + n,
                    c.nNKS == 2 ? QStringLiteral("2") : QStringLiteral("0"));
    }
    SaveSetting(kCurrencies, QStringLiteral("Count"), QString::number(nWritten));
}

void RebuildCurrenciesAndReselect() {
    InitWaehrung();
    frmMainForm* f = MainForm();
    f->cboWaehrung1->setCurrentIndex(3);
    f->CurrencyChosen(1);
    f->cboWaehrung2->setCurrentIndex(0);
    f->CurrencyChosen(2);
}
