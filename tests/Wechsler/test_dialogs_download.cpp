// SPDX-License-Identifier: Apache-2.0
// Tests of the rate-file update: the automatic wizard against a small HTTP server on
// 127.0.0.1 started here (good file, ECB daily XML, 404, no version marker, no answer,
// proxy), the error dialog, the manual wizard and the replace dialog.
#include "test_dialogs_support.h"

#include "frmFileReplace.h"
#include "frmInetError.h"
#include "frmInetManualUpdate.h"
#include "frmInfo.h"
#include "ratefile.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace dlgtest;

namespace {

// A minimal HTTP/1.1 server on 127.0.0.1 (any free port). It answers GET requests by path,
// also in the absolute form a client sends to a proxy, and closes every connection after
// one answer. Paths not configured get 404; the path "/silent" is never answered. It stops
// by itself after a minute and when it is destroyed.
class LocalHttpServer : public QObject {
  public:
    struct Answer {
        int status = 200;
        QByteArray body;
    };

    LocalHttpServer() {
        QVERIFY(m_server.listen(QHostAddress::LocalHost, 0));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                s->setParent(this);
                connect(s, &QTcpSocket::readyRead, this, [this, s] { Serve(s); });
            }
        });
        m_stop.setSingleShot(true);
        connect(&m_stop, &QTimer::timeout, this, [this] { Stop(); });
        m_stop.start(60000);
    }
    ~LocalHttpServer() override { Stop(); }

    quint16 Port() const { return m_server.serverPort(); }
    QString Url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(Port()).arg(path);
    }
    void Route(const QString& path, int status, const QByteArray& body) {
        m_routes[path] = {status, body};
    }
    QStringList requestLines;

  private:
    void Serve(QTcpSocket* s) {
        QByteArray& buf = m_pending[s];
        buf += s->readAll();
        if (!buf.contains("\r\n\r\n"))
            return;
        const QByteArray line = buf.left(buf.indexOf("\r\n"));
        requestLines << QString::fromLatin1(line);
        const QList<QByteArray> parts = line.split(' ');
        const QString target = parts.size() > 1 ? QString::fromLatin1(parts[1]) : QString();
        const QString path = QUrl(target).path();
        if (path == QStringLiteral("/silent"))
            return; // keeps the connection open without a word
        const Answer a = m_routes.value(path, Answer{404, "<html><body>Error 404</body></html>"});
        QByteArray out = "HTTP/1.1 " + QByteArray::number(a.status) +
                         (a.status == 200 ? " OK" : " Not Found") + "\r\n";
        out += "Content-Type: application/octet-stream\r\n";
        out += "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n";
        out += "Connection: close\r\n\r\n" + a.body;
        s->write(out);
        s->disconnectFromHost();
    }
    void Stop() {
        m_server.close();
        for (QTcpSocket* s : findChildren<QTcpSocket*>())
            s->abort();
    }

    QTcpServer m_server;
    QTimer m_stop;
    QMap<QString, Answer> m_routes;
    QMap<QTcpSocket*, QByteArray> m_pending;
};

QByteArray GoodRateFile() {
    namespace rf = tarvo::ratefile;
    std::vector<rf::RateRecord> recs{rf::makeRecord("USD", "20260105", "1.0856"),
                                     rf::makeRecord("GBP", "20260105", "0.8321")};
    const std::string s = rf::encodeRateFile(recs, "20260105");
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

const QByteArray kEcbDaily =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gesmes:Envelope xmlns:gesmes=\"http://www.gesmes.org/xml/2002-08-01\" "
    "xmlns=\"http://www.ecb.int/vocabulary/2002-08-01/eurofxref\">\n"
    "\t<gesmes:subject>Reference rates</gesmes:subject>\n"
    "\t<gesmes:Sender>\n\t\t<gesmes:name>European Central Bank</gesmes:name>\n"
    "\t</gesmes:Sender>\n"
    "\t<Cube>\n\t\t<Cube time='2026-02-03'>\n"
    "\t\t\t<Cube currency='USD' rate='1.0921'/>\n"
    "\t\t\t<Cube currency='JPY' rate='161.23'/>\n"
    "\t\t\t<Cube currency='GBP' rate='0.8456'/>\n"
    "\t\t</Cube>\n\t</Cube>\n</gesmes:Envelope>\n";

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Runs the automatic wizard through all its pages with the given address and proxy. A
// failed download (bOk false) must say so, offer Zurück and no Weiter; it is cancelled.
void RunWizard(frmInetAutoUpdate& dlg, const QString& url, const QString& proxy = {},
               bool bOk = true) {
    QCOMPARE(dlg.Step(), 1);
    QVERIFY(!dlg.cmdPrev->isEnabled());
    if (!proxy.isEmpty()) {
        QTest::mouseClick(dlg.chkUseProxy, Qt::LeftButton);
        QVERIFY(dlg.txtProxy->isEnabled());
        dlg.txtProxy->setText(proxy);
    }
    QTest::mouseClick(dlg.cmdNext, Qt::LeftButton);
    QCOMPARE(dlg.Step(), 2);
    dlg.txtURL->setText(url);
    QTest::mouseClick(dlg.cmdNext, Qt::LeftButton); // downloads
    QCOMPARE(dlg.Step(), 4);
    if (!bOk) {
        QCOMPARE(dlg.lblDesc4a->text(),
                 Tx("Daten konnten nicht geladen werden!", "The data could not be loaded!"));
        QVERIFY(dlg.cmdPrev->isEnabled() && dlg.cmdCancel->isEnabled());
        QVERIFY(!dlg.cmdNext->isEnabled());
        QTest::mouseClick(dlg.cmdCancel, Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(bDownloadCancelled);
        return;
    }
    QCOMPARE(dlg.lblDesc4a->text(), Tx("Daten wurden geladen!", "Download finished"));
    QVERIFY(!dlg.cmdPrev->isEnabled());
    QVERIFY(dlg.cmdNext->isEnabled() && dlg.cmdCancel->isEnabled());
    QTest::mouseClick(dlg.cmdPrev, Qt::LeftButton); // no way back from here
    QCOMPARE(dlg.Step(), 4);
    QTest::mouseClick(dlg.cmdNext, Qt::LeftButton); // writes the download file, closes
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
}

class UrlRecorder : public QObject {
    Q_OBJECT
  public slots:
    void open(const QUrl& url) { urls << url; }

  public:
    QList<QUrl> urls;
};

const QString kNotFoundDe = QStringLiteral("Datei an der angegebenen Stelle nicht vorhanden!\n"
                                           "Bitte überprüfen Sie die Internet-Adresse!");

} // namespace

class TestDownload : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        SetUpdateDirectory(UpdateDir());
        ClearStore();
        StartCalculator(true);
        dBookingDate = QDate(2026, 3, 1);
    }

    void proxySetting_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("name and port") << "proxy.local:8080" << true << "proxy.local" << 8080;
        QTest::newRow("blanks around") << " 10.0.0.1 : 3128 " << true << "10.0.0.1" << 3128;
        QTest::newRow("IPv6 in brackets") << "[::1]:3128" << true << "::1" << 3128;
        QTest::newRow("no port") << "proxy.local" << false << "" << 0;
        QTest::newRow("port zero") << "proxy.local:0" << false << "" << 0;
        QTest::newRow("port too large") << "proxy.local:70000" << false << "" << 0;
        QTest::newRow("no host") << ":8080" << false << "" << 0;
        QTest::newRow("empty") << "" << false << "" << 0;
    }
    void proxySetting() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QString, host);
        QFETCH(int, port);
        QString h;
        quint16 p = 0;
        QCOMPARE(ParseProxySetting(text, h, p), ok);
        if (ok) {
            QCOMPARE(h, host);
            QCOMPARE(int(p), port);
        }
    }

    void takingInFiles_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("converted");
        QTest::addColumn<bool>("error");
        QTest::addColumn<int>("records");
        QTest::newRow("rate file as it is") << GoodRateFile() << false << false << 2;
        QTest::newRow("ECB daily XML") << kEcbDaily << true << false << 3;
        QTest::newRow("ECB historical CSV")
            << QByteArray("Date,USD,JPY,\n2026-02-03,1.0921,161.23,\n2026-02-02,1.0900,N/A,\n")
            << true << false << 3;
        QTest::newRow("plain text") << QByteArray("USD 1.08\n") << false << false << 0;
        QTest::newRow("HTML page")
            << QByteArray("<html><body>Portal</body></html>") << false << true << 0;
    }
    void takingInFiles() {
        QFETCH(QByteArray, input);
        QFETCH(bool, converted);
        QFETCH(bool, error);
        QFETCH(int, records);
        QString sError;
        const QByteArray out = ToRateFileFormat(input, &sError);
        QCOMPARE(out != input, converted);
        QCOMPARE(!sError.isEmpty(), error);
        if (records > 0) {
            const auto parsed = tarvo::ratefile::parseRateFile(
                std::string_view(out.constData(), static_cast<size_t>(out.size())));
            QCOMPARE(int(parsed.records.size()), records);
            QString sDate;
            WriteFile(DownloadFilePath(), out);
            QVERIFY(ReadRateFileDate(DownloadFilePath(), sDate));
        }
    }

    void goodRateFileReplacesTheCurrentOne() {
        LocalHttpServer server;
        server.Route("/WAEHKURS.DAT", 200, GoodRateFile());
        frmInetAutoUpdate dlg;
        QTest::mouseClick(dlg.cmdNext, Qt::LeftButton);
        // Without a stored address step 2 shows the built-in one.
        QCOMPARE(dlg.txtURL->text(), QString::fromLatin1(kDefaultRateFileUrl));
        QCOMPARE(Setting("Configuration", "UseProxy"), QStringLiteral("0"));
        QTest::mouseClick(dlg.cmdPrev, Qt::LeftButton);
        QCOMPARE(dlg.Step(), 1);
        RunWizard(dlg, server.Url("/WAEHKURS.DAT"));
        QCOMPARE(Setting("Configuration", "DatFileURL"), server.Url("/WAEHKURS.DAT"));
        QVERIFY(Messages().isEmpty());
        QVERIFY(!bDownloadCancelled);
        QCOMPARE(ReadAll(DownloadFilePath()), GoodRateFile());

        frmFileReplace rep;
        QCOMPARE(rep.lblOldDate->text(), QStringLiteral("Ungültig"));
        QCOMPARE(rep.lblNewDate->text(), QStringLiteral("05.01.2026"));
        QCOMPARE(rep.lblAskReplace->text(),
                 QStringLiteral("Soll die alte Datei aktualisiert werden?"));
        QVERIFY(rep.cmdOK->isEnabled());
        // Enter replaces: OK is the default button.
        rep.show();
        QTest::keyClick(&rep, Qt::Key_Return);
        QTRY_VERIFY(!QFile::exists(DownloadFilePath()));
        QCOMPARE(ReadAll(UpdateRateFilePath()), GoodRateFile());
        // The next conversion reads the new file.
        QString sRate;
        QCOMPARE(GetEuroRate("USD", sRate), 0L);
        QCOMPARE(sRate, QStringLiteral("1,0856000"));
    }

    void ecbDailyFileIsConverted() {
        LocalHttpServer server;
        server.Route("/stats/eurofxref/eurofxref-daily.xml", 200, kEcbDaily);
        WriteFile(UpdateRateFilePath(), GoodRateFile());
        frmInetAutoUpdate dlg;
        RunWizard(dlg, server.Url("/stats/eurofxref/eurofxref-daily.xml"));
        QVERIFY(Messages().isEmpty());
        const QByteArray written = ReadAll(DownloadFilePath());
        QVERIFY(written.contains("@@@"));
        const auto parsed = tarvo::ratefile::parseRateFile(
            std::string_view(written.constData(), static_cast<size_t>(written.size())));
        QCOMPARE(parsed.fileDate, std::string("20260203"));
        QCOMPARE(parsed.records.size(), size_t(3));

        frmFileReplace rep;
        QCOMPARE(rep.lblOldDate->text(), QStringLiteral("05.01.2026"));
        QCOMPARE(rep.lblNewDate->text(), QStringLiteral("03.02.2026"));
        QTest::mouseClick(rep.cmdOK, Qt::LeftButton);
        QVERIFY(!QFile::exists(DownloadFilePath()));
        QString sRate;
        QCOMPARE(GetEuroRate("JPY", sRate), 0L);
        QCOMPARE(sRate, QStringLiteral("161,2300000"));
        QCOMPARE(GetEuroRate("USD", sRate), 0L);
        QCOMPARE(sRate, QStringLiteral("1,0921000"));
    }

    void notFoundIsReportedAndRefusedLater() {
        LocalHttpServer server;
        WriteFile(UpdateRateFilePath(), GoodRateFile());
        frmInetAutoUpdate dlg;
        RunWizard(dlg, server.Url("/nothing-here.xml"), {}, false);
        QCOMPARE(Messages(), QStringList{kNotFoundDe});
        QVERIFY(dlg.lblDesc4b->text().startsWith(kNotFoundDe));
        frmFileReplace rep;
        QCOMPARE(rep.lblAskReplace->text(), QStringLiteral("Neue Datei ist ungültig!"));
        QCOMPARE(rep.lblNewDate->text(), QStringLiteral("Ungültig"));
        QVERIFY(!rep.cmdOK->isEnabled());
        // Enter does not reach the disabled OK: Cancel is the default then.
        QVERIFY(rep.cmdCancel->isDefault());
        QTest::mouseClick(rep.cmdCancel, Qt::LeftButton);
        QVERIFY(!QFile::exists(DownloadFilePath()));
        QCOMPARE(ReadAll(UpdateRateFilePath()), GoodRateFile());
    }

    void answerWithoutVersionMarker() {
        LocalHttpServer server;
        server.Route("/plain.txt", 200, "USD 1.08\nGBP 0.84\n");
        frmInetAutoUpdate dlg;
        RunWizard(dlg, server.Url("/plain.txt"), {}, false);
        QCOMPARE(Messages(), QStringList{"Ungültige Datendatei! Versionskennung nicht gefunden!"});
    }

    void brokenEcbFileNamesTheFault() {
        LocalHttpServer server;
        QByteArray broken = kEcbDaily;
        broken.replace("rate='161.23'", "rate='abc'");
        server.Route("/eurofxref-daily.xml", 200, broken);
        frmInetAutoUpdate dlg;
        RunWizard(dlg, server.Url("/eurofxref-daily.xml"), {}, false);
        QCOMPARE(Messages().size(), 1);
        QVERIFY(Messages().first().startsWith(
            "Ungültige Datendatei! Versionskennung nicht gefunden!\n"));
    }

    void silentServerTimesOutAndTheUserRaisesTheTimeout() {
        LocalHttpServer server;
        SaveSetting("Configuration", "Timeout", "1");
        QString shownTimeout, shownText;
        ModalWatcher watcher([&](QWidget* w) {
            auto* err = qobject_cast<frmInetError*>(w);
            QVERIFY(err);
            shownTimeout = err->txtTimeout->text();
            shownText = err->lblTimeout->text();
            err->txtTimeout->setText("7");
            QTest::mouseClick(err->cmdOK, Qt::LeftButton);
        });
        QElapsedTimer t;
        t.start();
        frmInetAutoUpdate dlg;
        RunWizard(dlg, server.Url("/silent"), {}, false);
        QVERIFY(t.elapsed() < 20000);
        QVERIFY(dlg.lblDesc4b->text().startsWith("Zeitüberschreitung"));
        QCOMPARE(watcher.seen, QStringList{"frmInetError"});
        QCOMPARE(shownTimeout, QStringLiteral("1"));
        QCOMPARE(shownText, QStringLiteral("Timeout in Sekunden:"));
        QCOMPARE(Setting("Configuration", "Timeout"), QStringLiteral("7"));
        QVERIFY(Messages().isEmpty());
    }

    // Abbruch, Esc and the close box end a download from a silent server at once.
    void cancelDuringSilentServer_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Abbruch") << "button";
        QTest::newRow("Esc") << "esc";
        QTest::newRow("close box") << "close";
    }
    void cancelDuringSilentServer() {
        QFETCH(QString, how);
        LocalHttpServer server;
        SaveSetting("Configuration", "Timeout", "30");
        frmInetAutoUpdate dlg;
        dlg.show();
        QTest::mouseClick(dlg.cmdNext, Qt::LeftButton);
        dlg.txtURL->setText(server.Url("/silent"));
        QElapsedTimer t, waited;
        bool bCancelEnabled = false;
        // Cancels once the request has waited 300 ms; a time-out dialog (which would mean
        // the cancel came too late) is closed so that the test cannot hang.
        ModalWatcher watcher([](QWidget* w) { w->close(); });
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, &dlg, [&] {
            if (dlg.Step() != 3 || dlg.cmdNext->isEnabled())
                return;
            if (!waited.isValid())
                waited.start();
            if (waited.elapsed() < 300 || t.isValid())
                return;
            poll.stop();
            bCancelEnabled = dlg.cmdCancel->isEnabled();
            t.start();
            if (how == "button")
                QTest::mouseClick(dlg.cmdCancel, Qt::LeftButton);
            else if (how == "esc")
                QTest::keyClick(&dlg, Qt::Key_Escape);
            else
                dlg.close();
        });
        poll.start();
        QTest::mouseClick(dlg.cmdNext, Qt::LeftButton); // returns when the request has ended
        QVERIFY(t.isValid());
        QVERIFY(t.elapsed() < 1000);
        QVERIFY(bCancelEnabled);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.isVisible());
        QVERIFY(bDownloadCancelled);
        QVERIFY(Messages().isEmpty());
        QVERIFY(watcher.seen.isEmpty());
    }

    // A refused connection is told as such, without the time-out dialog; Zurück leads back
    // to the address, and the second try loads.
    void refusedConnectionThenRetry() {
        quint16 nPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            nPort = probe.serverPort();
        } // closed: nothing listens on the port now
        ModalWatcher watcher([](QWidget* w) { w->close(); });
        frmInetAutoUpdate dlg;
        QTest::mouseClick(dlg.cmdNext, Qt::LeftButton);
        dlg.txtURL->setText(QStringLiteral("http://127.0.0.1:%1/WAEHKURS.DAT").arg(nPort));
        QTest::mouseClick(dlg.cmdNext, Qt::LeftButton);
        QCOMPARE(dlg.Step(), 4);
        QVERIFY(dlg.lblDesc4b->text().startsWith("Der Server hat die Verbindung abgelehnt."));
        QVERIFY(watcher.seen.isEmpty());
        QVERIFY(!dlg.cmdNext->isEnabled());
        QTest::mouseClick(dlg.cmdPrev, Qt::LeftButton);
        QCOMPARE(dlg.Step(), 2);
        LocalHttpServer server;
        server.Route("/WAEHKURS.DAT", 200, GoodRateFile());
        dlg.txtURL->setText(server.Url("/WAEHKURS.DAT"));
        QTest::mouseClick(dlg.cmdNext, Qt::LeftButton);
        QCOMPARE(dlg.Step(), 4);
        QCOMPARE(dlg.lblDesc4a->text(), QStringLiteral("Daten wurden geladen!"));
        QTest::mouseClick(dlg.cmdNext, Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(ReadAll(DownloadFilePath()), GoodRateFile());
    }

    // With the program's own rules (no test folder) the download and the replacement go
    // to the file TARVO_WAEHKURS names, and the kernel reads that file next.
    void namedRateFileIsTheOneReplaced() {
        const QString named = UpdateDir() + "/named/rates.dat";
        QDir().mkpath(UpdateDir() + "/named");
        const QByteArray saved = qgetenv("TARVO_WAEHKURS");
        qputenv("TARVO_WAEHKURS", QFile::encodeName(named));
        SetUpdateDirectory(QString());
        QCOMPARE(UpdateRateFilePath(), named);
        QCOMPARE(DownloadFilePath(), UpdateDir() + "/named/ECPKURSE.DAT");
        LocalHttpServer server;
        server.Route("/WAEHKURS.DAT", 200, GoodRateFile());
        frmInetAutoUpdate dlg;
        RunWizard(dlg, server.Url("/WAEHKURS.DAT"));
        frmFileReplace rep;
        QTest::mouseClick(rep.cmdOK, Qt::LeftButton);
        QCOMPARE(ReadAll(named), GoodRateFile());
        QVERIFY(!QFile::exists(UpdateDir() + "/WAEHKURS.DAT"));
        QString sRate;
        QCOMPARE(GetEuroRate("GBP", sRate), 0L);
        QCOMPARE(sRate, QStringLiteral("0,8321000"));
        qputenv("TARVO_WAEHKURS", saved);
        SetUpdateDirectory(UpdateDir());
        QDir(UpdateDir() + "/named").removeRecursively();
    }

    // By keyboard only: the information dialog's Automatic button, the wizard (Enter for
    // Weiter), the address typed, the replace dialog confirmed with Enter.
    void keyboardOnlyDownloadReplaced() {
        LocalHttpServer server;
        server.Route("/WAEHKURS.DAT", 200, GoodRateFile());
        frmInfo info;
        info.show();
        QVERIFY(QTest::qWaitForWindowActive(&info));
        ModalWatcher watcher([&](QWidget* w) {
            if (auto* wiz = qobject_cast<frmInetAutoUpdate*>(w)) {
                [&] {
                    QVERIFY(QTest::qWaitForWindowActive(wiz));
                    QTest::keyClick(wiz, Qt::Key_Return); // step 2
                    QVERIFY(TabTo(wiz->txtURL));
                    wiz->txtURL->selectAll();
                    QTest::keyClicks(wiz->txtURL, server.Url("/WAEHKURS.DAT"));
                    QTest::keyClick(wiz->txtURL, Qt::Key_Return);                 // downloads
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // closes
                }();
                if (wiz->isVisible()) // a failed step must not leave the test waiting
                    wiz->reject();
            } else if (auto* rep = qobject_cast<frmFileReplace*>(w)) {
                QTest::keyClick(rep, Qt::Key_Return);
            } else {
                w->close();
            }
        });
        QVERIFY(TabTo(info.cmdDownloadAutomatic));
        QTest::keyClick(info.cmdDownloadAutomatic, Qt::Key_Space);
        QTRY_COMPARE(ReadAll(UpdateRateFilePath()), GoodRateFile());
        QCOMPARE(watcher.seen, (QStringList{"frmInetAutoUpdate", "frmFileReplace"}));
        info.reject();
    }

    void errorDialogKeepsAnUnusableTimeout() {
        SaveSetting("Configuration", "Timeout", "30");
        frmInetError err;
        QCOMPARE(err.windowTitle(), QStringLiteral("Timeout beim Zugriff auf das Internet"));
        QCOMPARE(err.cmdOK->text(), QStringLiteral("&Schliessen"));
        err.txtTimeout->setText("");
        QTest::mouseClick(err.cmdOK, Qt::LeftButton);
        QCOMPARE(Setting("Configuration", "Timeout"), QStringLiteral("30"));
    }

    void downloadThroughProxy() {
        LocalHttpServer proxy;
        proxy.Route("/eurofxref-daily.xml", 200, kEcbDaily);
        frmInetAutoUpdate dlg;
        const QString proxySetting = QStringLiteral("127.0.0.1:%1").arg(proxy.Port());
        // The address's own host is never contacted: the request goes to the proxy.
        RunWizard(dlg, "http://127.0.0.1:9/eurofxref-daily.xml", proxySetting);
        QVERIFY(Messages().isEmpty());
        QCOMPARE(proxy.requestLines.size(), 1);
        QVERIFY(
            proxy.requestLines.first().startsWith("GET http://127.0.0.1:9/eurofxref-daily.xml"));
        QCOMPARE(Setting("Configuration", "UseProxy"), QStringLiteral("1"));
        QCOMPARE(Setting("Configuration", "Proxy"), proxySetting);
        QVERIFY(ReadAll(DownloadFilePath()).contains("@@@"));
        // The next opening shows the stored proxy.
        frmInetAutoUpdate again;
        QVERIFY(again.chkUseProxy->isChecked() && again.txtProxy->isEnabled());
        QCOMPARE(again.txtProxy->text(), proxySetting);
        again.reject();
    }

    void cancelStoresSettingsAndOpensNoReplaceDialog() {
        frmInfo info;
        ModalWatcher watcher([](QWidget* w) {
            auto* wiz = qobject_cast<frmInetAutoUpdate*>(w);
            if (!wiz) {
                w->close();
                return;
            }
            QTest::mouseClick(wiz->cmdNext, Qt::LeftButton);
            wiz->txtURL->setText("http://127.0.0.1:9/edited");
            QTest::mouseClick(wiz->cmdCancel, Qt::LeftButton);
        });
        QTest::mouseClick(info.cmdDownloadAutomatic, Qt::LeftButton);
        QCOMPARE(watcher.seen, QStringList{"frmInetAutoUpdate"});
        QVERIFY(bDownloadCancelled);
        QCOMPARE(Setting("Configuration", "UseProxy"), QStringLiteral("0"));
        QCOMPARE(Setting("Configuration", "DatFileURL"), QStringLiteral("<absent>"));
    }

    void manualWizardLeadsToTheReplaceDialog() {
        WriteFile(UpdateDir() + "/eurofxref-daily.xml", kEcbDaily);
        frmInfo info;
        QString replaceDate;
        ModalWatcher watcher([&](QWidget* w) {
            if (auto* wiz = qobject_cast<frmInetManualUpdate*>(w)) {
                for (int i = 0; i < 3; ++i)
                    QTest::mouseClick(wiz->cmdNext, Qt::LeftButton);
            } else if (auto* rep = qobject_cast<frmFileReplace*>(w)) {
                replaceDate = rep->lblNewDate->text();
                QTest::mouseClick(rep->cmdOK, Qt::LeftButton);
            } else {
                w->close();
            }
        });
        QTest::mouseClick(info.cmdDownloadManual, Qt::LeftButton);
        QCOMPARE(watcher.seen, (QStringList{"frmInetManualUpdate", "frmFileReplace"}));
        QCOMPARE(replaceDate, QStringLiteral("03.02.2026"));
        QVERIFY(!QFile::exists(DownloadFilePath()));
        QVERIFY(ReadAll(UpdateRateFilePath()).contains("@@@"));
    }

    void manualWizardPagesAndBrowser() {
        UrlRecorder rec;
        QDesktopServices::setUrlHandler("https", &rec, "open");
        frmInetManualUpdate dlg;
        QCOMPARE(dlg.windowTitle(),
                 QStringLiteral("Manuelles Aktualisieren der Währungskurse über das Internet"));
        QCOMPARE(dlg.lblDesc2b->text(), QString::fromLatin1(kRateListPageUrl));
        QCOMPARE(dlg.lblDesc2b->toolTip(), QString::fromLatin1(kRateListPageUrl));
        QCOMPARE(dlg.lblDestPath->text(), QDir::toNativeSeparators(UpdateDir()));
        QVERIFY(!dlg.cmdPrev->isEnabled());
        QTest::mouseClick(dlg.cmdNext, Qt::LeftButton);
        QCOMPARE(dlg.Step(), 2);
        QVERIFY(dlg.cmdPrev->isEnabled());
        dlg.cmdStartBrowser->click();
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(rec.urls, QList<QUrl>{QUrl(QString::fromLatin1(kRateListPageUrl))});
        QVERIFY(Messages().isEmpty());
        QTest::mouseClick(dlg.cmdPrev, Qt::LeftButton);
        QCOMPARE(dlg.Step(), 1);
        QTest::mouseClick(dlg.cmdCancel, Qt::LeftButton);
        QVERIFY(bDownloadCancelled);
    }

    void helpButtonsOpenTheirPages_data() {
        QTest::addColumn<bool>("german");
        QTest::addColumn<QString>("autoPage");
        QTest::addColumn<QString>("manualPage");
        QTest::addColumn<QString>("infoPage");
        QTest::newRow("de") << true << "AutoUpdate.htm"
                            << "ManuUpdate.htm"
                            << "BedAnl_D.htm";
        QTest::newRow("en") << false << "AutoUpdateE.htm"
                            << "ManuUpdateE.htm"
                            << "BedAnl_E.htm";
    }
    void helpButtonsOpenTheirPages() {
        QFETCH(bool, german);
        QFETCH(QString, autoPage);
        QFETCH(QString, manualPage);
        QFETCH(QString, infoPage);
        StartCalculator(german);
        UrlRecorder rec;
        QDesktopServices::setUrlHandler("file", &rec, "open");
        {
            frmInetAutoUpdate a;
            a.cmdHelp->click();
            frmInetManualUpdate m;
            m.cmdHelp->click();
            frmInfo i;
            i.cmdHelp->click();
        }
        QDesktopServices::unsetUrlHandler("file");
        // A page is opened in the browser, or, where it is not installed, named in a message.
        QStringList opened = Messages();
        for (const QUrl& u : rec.urls)
            opened << u.toLocalFile();
        QCOMPARE(opened.size(), 3);
        for (const QString& page : {autoPage, manualPage, infoPage})
            QVERIFY2(std::any_of(opened.begin(), opened.end(),
                                 [&](const QString& s) { return s.endsWith("/Help/" + page); }),
                     qPrintable(page));
    }

    void savedFileIsTakenIn() {
        // Without any saved file nothing is taken in.
        QCOMPARE(CollectSavedRateFile(), QString());
        WriteFile(UpdateDir() + "/eurofxref-daily.xml", kEcbDaily);
        QCOMPARE(CollectSavedRateFile(), UpdateDir() + "/eurofxref-daily.xml");
        QVERIFY(ReadAll(DownloadFilePath()).contains("@@@"));
        QVERIFY(ReadAll(UpdateDir() + "/eurofxref-daily.xml").startsWith("<?xml"));
    }

    void replaceDialogEnglishWithInvalidFile() {
        StartCalculator(false);
        WriteFile(DownloadFilePath(), "@@@;only;a;few;fields\r\n");
        frmFileReplace rep;
        QCOMPARE(rep.windowTitle(), QStringLiteral("Update datafile?"));
        QCOMPARE(rep.lblAskReplace->text(), QStringLiteral("New file is invalid!"));
        QCOMPARE(rep.lblNewDate->text(), QStringLiteral("Invalid"));
        QCOMPARE(rep.lblOldVersion->text(), QStringLiteral("Actual version:"));
        QVERIFY(!rep.cmdOK->isEnabled());
        rep.reject(); // Esc or the close box
        QVERIFY(!QFile::exists(DownloadFilePath()));
    }

    void writeErrorCancelsTheUpdate() {
        LocalHttpServer server;
        server.Route("/WAEHKURS.DAT", 200, GoodRateFile());
        const QString missing = UpdateDir() + "/no/such/folder";
        SetUpdateDirectory(missing);
        frmInetAutoUpdate dlg;
        RunWizard(dlg, server.Url("/WAEHKURS.DAT"));
        QCOMPARE(Messages(),
                 QStringList{"Fehler beim Schreiben der Datei " + missing + "/ECPKURSE.DAT"});
        QVERIFY(bDownloadCancelled);
        SetUpdateDirectory(UpdateDir());
    }

    void copyErrorKeepsTheOldFile() {
        QDir().mkpath(UpdateRateFilePath()); // a folder where the rate file should be
        WriteFile(DownloadFilePath(), GoodRateFile());
        frmFileReplace rep;
        QVERIFY(rep.cmdOK->isEnabled());
        QTest::mouseClick(rep.cmdOK, Qt::LeftButton);
        QCOMPARE(Messages(), QStringList{"Fehler beim Kopieren der Datei!"});
        QVERIFY(!QFile::exists(DownloadFilePath()));
        QVERIFY(QFileInfo(UpdateRateFilePath()).isDir());
        QDir(UpdateRateFilePath()).removeRecursively();
    }

    void englishWizardTexts() {
        StartCalculator(false);
        frmInetAutoUpdate dlg;
        QCOMPARE(dlg.windowTitle(),
                 QStringLiteral("Automatic Update of currency rates via Internet"));
        QCOMPARE(dlg.chkUseProxy->text(), QStringLiteral("Use proxy-server:"));
        QCOMPARE(dlg.lblDesc1->text(),
                 QStringLiteral("Connect to the Internet\n(e.g. using Dial-Up Networking)\n\n"
                                "A Proxy-setting can be given in the form <proxy-name>:<port>"));
        QCOMPARE(dlg.cmdNext->text(), QStringLiteral("&Next"));
        LocalHttpServer server;
        RunWizard(dlg, server.Url("/missing"), {}, false);
        QCOMPARE(Messages(),
                 QStringList{"File not found at the given location!\nPlease check the given URL!"});
    }
};

DIALOG_TEST_MAIN(TestDownload)
#include "test_dialogs_download.moc"
