// The registration mail, sent as a user sends it, to a real SMTP server on loopback.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "core/AppState.h"
#include "core/ProgramValues.h"
#include "mail/MailSession.h"
#include "mail/MailWindow.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace onda;

namespace {

// The SMTP server of tests/mail, for the life of one test.
class SmtpServer {
public:
    explicit SmtpServer(const QStringList& options = {}) { // "--refuse", "--delay" and the seconds
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        QStringList{QStringLiteral(SMTP_SERVER_SCRIPT), m_folder.path()} + options);
        QFile port(m_folder.filePath(QStringLiteral("port")));
        for (int i = 0; i < 100 && m_port == 0 && m_process.state() != QProcess::NotRunning; ++i) {
            QTest::qWait(100);
            if (port.open(QIODevice::ReadOnly))
                m_port = port.readAll().toInt();
        }
    }
    ~SmtpServer() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }
    int port() const { return m_port; }
    // The messages taken so far, as a mail program reads them.
    QList<QJsonObject> messages() const {
        QList<QJsonObject> out;
        for (QFile file(m_folder.filePath(QStringLiteral("1.json"))); file.open(QIODevice::ReadOnly);
             file.setFileName(m_folder.filePath(QStringLiteral("%1.json").arg(out.size() + 1))))
            out << QJsonDocument::fromJson(file.readAll()).object();
        return out;
    }

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    int m_port = 0;
};

} // namespace

class TestMailWindow : public WindowTest {
    Q_OBJECT

private:
    // Competition 57 with two registrations of ABC and one of XYZ, open for club ABC;
    // the mail goes to `port` on loopback.
    bool startWithCompetition(int port = 0) {
        FixtureDb& db = *m_db;
        const QString n = QStringLiteral("57");
        if (!db.isValid() || !db.seedAthletes() || !db.seedCompetitions() || !db.createRegistrationTable(n) ||
            !db.addRegistration(n, 500000, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC")) ||
            !db.addRegistration(n, 500001, QStringLiteral("D'ANGELO LUCA"), QStringLiteral("ABC")) ||
            !db.addRegistration(n, 500002, QStringLiteral("BIANCHI ANNA"), QStringLiteral("XYZ")) || !start(db.dir()))
            return false;
        AppState& state = app().state();
        state.club = QStringLiteral("ABC");
        state.userId = QStringLiteral("zeta");
        state.changeCompetition([&n](Competition& c) {
            c.number = n;
            c.name = QStringLiteral("TROFEO D'ESTATE");
            c.note = QStringLiteral("Arrivo alle 8...");
        });
        MailSettings s;
        s.server = QStringLiteral("127.0.0.1");
        s.port = port;
        s.security = MailSettings::Security::None;
        s.sender = QStringLiteral("club@abc.example");
        s.timeout = 10;
        s.save();
        return true;
    }
    bool send(const QString& to, const QString& additional) {
        return trigger(QStringLiteral("mnuFileSend")) && type(QStringLiteral("frmEmail/Text1"), to) &&
               type(QStringLiteral("frmEmail/Text4"), additional) && click(QStringLiteral("frmEmail/Command1"));
    }
    QByteArray transferBytes() { return fileBytes(app().file(QStringLiteral("transfer_57.mdb"))); }

    std::unique_ptr<FixtureDb> m_db;

private slots:
    void init() { m_db = std::make_unique<FixtureDb>(); }

    void refusals() {
        QVERIFY(startWithCompetition());
        AppState& state = app().state();
        int exports = 0;
        const TransferWriter failing = [&exports](QString&) { return ++exports, false; };
        state.club.clear();
        SendRegistrationsMail(state, failing);
        state.club = QStringLiteral("ABC");
        state.changeCompetition([](Competition& c) { c.number.clear(); });
        SendRegistrationsMail(state, failing);
        QCOMPARE(dialogs().takeTexts(),
                 (QStringList{"Selezionare una manifestazione", "Selezionare la prova prescelta"}));
        QCOMPARE(exports, 0);

        // A failed export leaves no window that could send a stale file.
        state.changeCompetition([](Competition& c) { c.number = QStringLiteral("57"); });
        SendRegistrationsMail(state, failing);
        QCOMPARE(exports, 1);
        QVERIFY(!widget(QStringLiteral("frmEmail")) || !widget(QStringLiteral("frmEmail"))->isVisible());

        QVERIFY(send(QString(), QString()));
        QCOMPARE(dialogs().takeTexts(), QStringList{"devi specificare almeno un destinatario"});
    }

    void declinedLogOnThenTwoSends() {
        SmtpServer server;
        QVERIFY(server.port() > 0 && startWithCompetition(server.port()));
        dialogs().queueYesNo(Dialogs::Answer::No);
        QVERIFY(send(QStringLiteral(" a@x.example ; b@x.example;c@x.example "), QStringLiteral("Arriviamo alle 9")));
        const QStringList declined = dialogs().takeTexts();
        QCOMPARE(declined.size(), 2);
        QVERIFY(declined.at(1).startsWith(QStringLiteral("ATTENZIONE: Il messaggio non e' stato inviato.")));
        QVERIFY(declined.at(1).contains(QStringLiteral("\r\n\r\n") + app().file(QStringLiteral("transfer_57.mdb"))));
        QVERIFY(declined.at(1).endsWith(QStringLiteral("\r\n\r\n ") + kServiceMailAddress));
        QVERIFY(server.messages().isEmpty());

        QCOMPARE(text(QStringLiteral("frmEmail/Text3")), QStringLiteral("Invio iscrizioni prova 57"));
        QCOMPARE(text(QStringLiteral("frmEmail/Label3")), app().file(QStringLiteral("transfer_57.mdb")));
        QVERIFY(
            text(QStringLiteral("frmEmail/Label2")).startsWith(QStringLiteral("Iscrizioni relative a utente zeta\n")));
        // Key clicks carry no accented letter: the subject is set as a paste would.
        find<QLineEdit>(QStringLiteral("frmEmail/Text3"))->setText(QStringLiteral("Iscrizioni ABC à Roma"));
        dialogs().queueYesNo(Dialogs::Answer::Yes);
        QVERIFY(click(QStringLiteral("frmEmail/Command1")));
        const QString sent = QStringLiteral("Messaggio inviato a  a@x.example ; b@x.example;c@x.example ;");
        QCOMPARE(dialogs().takeTexts().value(1), sent);
        const QList<QJsonObject> messages = server.messages();
        QCOMPARE(messages.size(), 1);
        const QJsonObject m = messages.first();
        QCOMPARE(m[u"rcpt"].toArray(),
                 QJsonArray::fromStringList({"a@x.example", "b@x.example", "c@x.example", kTimingMailAddress}));
        QCOMPARE(m[u"cc"].toString(), kTimingMailAddress);
        QCOMPARE(m[u"subject"].toString(), QStringLiteral("Iscrizioni ABC à Roma"));
        const QString body = m[u"text"].toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QVERIFY(body.startsWith(
            QStringLiteral("Iscrizioni relative a utente zeta\n      Manifestazione:TROFEO D'ESTATE\n")));
        // The "..." of the note stays; the additional message follows it.
        // One blank line, the report's own, before the registration list.
        QVERIFY(body.contains(QStringLiteral("Nota:\nArrivo alle 8...\nMessaggio addizionale:\nArriviamo alle "
                                             "9\n\nStampa iscrizioni per società: ABC\n")));
        QVERIFY(body.contains(QStringLiteral("D'ANGELO LUCA")) && !body.contains(QStringLiteral("BIANCHI")));
        QVERIFY(body.contains(QString(40, u'-') + QStringLiteral("\n\n\n") + QString(40, u'-') + u'\n'));
        const QJsonArray files = m[u"attachments"].toArray();
        QCOMPARE(files.size(), 1);
        QCOMPARE(files.at(0)[u"name"].toString(), QStringLiteral("transfer_57.mdb"));
        QCOMPARE(QByteArray::fromBase64(files.at(0)[u"data"].toString().toLatin1()), transferBytes());

        // Logged on: the second send asks nothing and carries the additional message as it is now.
        QVERIFY(type(QStringLiteral("frmEmail/Text4"), QStringLiteral("secondo")));
        QVERIFY(click(QStringLiteral("frmEmail/Command1")));
        QCOMPARE(dialogs().takeTexts(), QStringList{sent});
        const QList<QJsonObject> both = server.messages();
        QCOMPARE(both.size(), 2);
        const QString second = both.at(1)[u"text"].toString();
        QVERIFY(second.contains(QStringLiteral("secondo")) && !second.contains(QStringLiteral("Arriviamo")));
    }

    void failedSendKeepsTheWindow_data() {
        QTest::addColumn<bool>("serverDown");
        QTest::newRow("server refuses") << false;
        QTest::newRow("server down") << true;
    }

    void failedSendKeepsTheWindow() {
        QFETCH(bool, serverDown);
        SmtpServer server({QStringLiteral("--refuse")});
        QVERIFY(server.port() > 0);
        QVERIFY(startWithCompetition(serverDown ? 1 : server.port())); // nothing listens on port 1
        dialogs().queueYesNo(Dialogs::Answer::Yes);
        QVERIFY(send(QStringLiteral("a@x.example"), QStringLiteral("da non perdere")));
        const QStringList shown = dialogs().takeTexts();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown.at(1).startsWith(QStringLiteral("Errore durante l'invio:  ")), qPrintable(shown.at(1)));
        QVERIFY(shown.at(1).mid(25).toInt() > 0 && widget(QStringLiteral("frmEmail"))->isVisible());
        QCOMPARE(text(QStringLiteral("frmEmail/Text4")), QStringLiteral("da non perdere"));
        QVERIFY(server.messages().isEmpty() && !transferBytes().isEmpty());
    }

    void inputDuringSend() {
        SmtpServer server({QStringLiteral("--delay"), QStringLiteral("1.5")});
        QVERIFY(server.port() > 0 && startWithCompetition(server.port()));
        QSignalSpy closed(app().main(), &MainWindow::closed);
        actWhileWaiting([this] {
            // "Rinuncia", a second "Invia", Enter in the recipient box, then a quit.
            for (const QString& button : {QStringLiteral("frmEmail/Command2"), QStringLiteral("frmEmail/Command1")})
                if (QWidget* w = widget(button))
                    QTest::mouseClick(w, Qt::LeftButton);
            if (QWidget* to = widget(QStringLiteral("frmEmail/Text1")))
                QTest::keyClick(to, Qt::Key_Return);
            app().main()->close();
        });
        dialogs().queueYesNo(Dialogs::Answer::Yes);
        QVERIFY(send(QStringLiteral("a@x.example"), QStringLiteral("una volta")));
        QVERIFY2(actedWhileWaiting() >= 10, "the server kept the send waiting");
        QCOMPARE(dialogs().takeTexts().value(1), QStringLiteral("Messaggio inviato a a@x.example;"));
        QCOMPARE(server.messages().size(), 1);
        QVERIFY(widget(QStringLiteral("frmEmail")) && closed.isEmpty());
        QTRY_COMPARE(closed.size(), 1);
    }
};

QTEST_MAIN(TestMailWindow)
#include "tst_mail_window.moc"
