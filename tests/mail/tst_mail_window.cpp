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
using namespace Qt::StringLiterals;

namespace {

// The SMTP server of tests/mail, for the life of one test.
class SmtpServer {
public:
    explicit SmtpServer(const QStringList& options = {}) { // "--refuse", "--delay" and the seconds
        m_process.start(u"/usr/bin/python3"_s,
                        QStringList{QStringLiteral(SMTP_SERVER_SCRIPT), m_folder.path()} + options);
        QFile port(m_folder.filePath(u"port"_s));
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
        for (QFile file(m_folder.filePath(u"1.json"_s)); file.open(QIODevice::ReadOnly);
             file.setFileName(m_folder.filePath(u"%1.json"_s.arg(out.size() + 1))))
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
        const QString n = u"57"_s;
        if (!db.isValid() || !db.seedAthletes() || !db.seedCompetitions() || !db.createRegistrationTable(n) ||
            !db.addRegistration(n, 500000, u"ROSSI MARIO"_s, u"ABC"_s) ||
            !db.addRegistration(n, 500001, u"D'ANGELO LUCA"_s, u"ABC"_s) ||
            !db.addRegistration(n, 500002, u"BIANCHI ANNA"_s, u"XYZ"_s) || !start(db.dir()))
            return false;
        AppState& state = app().state();
        state.session.setClub(u"ABC"_s);
        state.userId = u"zeta"_s;
        state.changeCompetition([&n](Competition& c) {
            c.number = n;
            c.name = u"TROFEO D'ESTATE"_s;
            c.note = u"Arrivo alle 8..."_s;
        });
        MailSettings{.server = u"127.0.0.1"_s,
                     .port = port,
                     .security = MailSettings::Security::None,
                     .account = {},
                     .password = {},
                     .sender = u"club@abc.example"_s,
                     .timeout = 10}
            .save();
        return true;
    }
    bool send(const QString& to, const QString& additional) {
        return trigger(u"mnuFileSend"_s) && type(u"frmEmail/Text1"_s, to) && type(u"frmEmail/Text4"_s, additional) &&
               click(u"frmEmail/Command1"_s);
    }
    QByteArray transferBytes() { return fileBytes(app().file(u"transfer_57.mdb"_s)); }

    std::unique_ptr<FixtureDb> m_db;

private slots:
    void init() { m_db = std::make_unique<FixtureDb>(); }

    void refusals() {
        QVERIFY(startWithCompetition());
        AppState& state = app().state();
        int exports = 0;
        const TransferWriter failing = [&exports](QString&) { return ++exports, false; };
        state.session.setClub({});
        QVERIFY(!transferForMail(state, failing));
        state.session.setClub(u"ABC"_s);
        state.changeCompetition([](Competition& c) { c.number.clear(); });
        QVERIFY(!transferForMail(state, failing));
        QCOMPARE(dialogs().takeTexts(),
                 (QStringList{"Selezionare una manifestazione", "Selezionare la prova prescelta"}));
        QCOMPARE(exports, 0);

        // A failed export leaves no window that could send a stale file.
        state.changeCompetition([](Competition& c) { c.number = u"57"_s; });
        QVERIFY(!transferForMail(state, failing));
        QVERIFY(exports == 1 && (!widget(u"frmEmail"_s) || !widget(u"frmEmail"_s)->isVisible()));

        QVERIFY(send(QString(), QString()) &&
                dialogs().takeTexts() == QStringList{"devi specificare almeno un destinatario"});
    }

    void declinedLogOnThenTwoSends() {
        SmtpServer server;
        QVERIFY(server.port() > 0 && startWithCompetition(server.port()));
        dialogs().queueYesNo(Dialogs::Answer::No);
        QVERIFY(send(u" a@x.example ; b@x.example;c@x.example "_s, u"Arriviamo alle 9"_s));
        const QStringList declined = dialogs().takeTexts();
        const QString refused = declined.value(1);
        QVERIFY(declined.size() == 2 && refused.startsWith(u"ATTENZIONE: Il messaggio non e' stato inviato."_s) &&
                refused.contains(u"\r\n\r\n"_s + app().file(u"transfer_57.mdb"_s)) &&
                refused.endsWith(u"\r\n\r\n "_s + kServiceMailAddress) && server.messages().isEmpty());

        QCOMPARE(text(u"frmEmail/Text3"_s) + u'|' + text(u"frmEmail/Label3"_s),
                 u"Invio iscrizioni prova 57|"_s + app().file(u"transfer_57.mdb"_s));
        QVERIFY(text(u"frmEmail/Label2"_s).startsWith(u"Iscrizioni relative a utente zeta\n"_s));
        // Key clicks carry no accented letter: the subject is set as a paste would.
        find<QLineEdit>(u"frmEmail/Text3"_s)->setText(u"Iscrizioni ABC à Roma"_s);
        dialogs().queueYesNo(Dialogs::Answer::Yes);
        QVERIFY(click(u"frmEmail/Command1"_s));
        const QString sent = u"Messaggio inviato a  a@x.example ; b@x.example;c@x.example ;"_s;
        QCOMPARE(dialogs().takeTexts().value(1), sent);
        const QList<QJsonObject> messages = server.messages();
        QCOMPARE(messages.size(), 1);
        const QJsonObject m = messages.first();
        QCOMPARE(m[u"rcpt"].toArray(),
                 QJsonArray::fromStringList({"a@x.example", "b@x.example", "c@x.example", kTimingMailAddress}));
        QCOMPARE(m[u"cc"].toString() + u'|' + m[u"subject"].toString(),
                 kTimingMailAddress + u"|Iscrizioni ABC à Roma"_s);
        const QString body = m[u"text"].toString().replace(u"\r\n"_s, u"\n"_s);
        QVERIFY(body.startsWith(u"Iscrizioni relative a utente zeta\n      Manifestazione:TROFEO D'ESTATE\n"_s));
        // The "..." of the note stays; the additional message follows it.
        // One blank line, the report's own, before the registration list.
        QVERIFY(body.contains(u"Nota:\nArrivo alle 8...\nMessaggio addizionale:\nArriviamo alle 9\n\nStampa iscrizioni "
                              "per società: ABC\n"_s) &&
                body.contains(u"D'ANGELO LUCA"_s) && !body.contains(u"BIANCHI"_s));
        QVERIFY(body.contains(QString(40, u'-') + u"\n\n\n"_s + QString(40, u'-') + u'\n'));
        const QJsonArray files = m[u"attachments"].toArray();
        QVERIFY(files.size() == 1 && files.at(0)[u"name"].toString() == u"transfer_57.mdb"_s);
        QCOMPARE(QByteArray::fromBase64(files.at(0)[u"data"].toString().toLatin1()), transferBytes());

        // Logged on: the second send asks nothing and carries the additional message as it is now.
        QVERIFY(type(u"frmEmail/Text4"_s, u"secondo"_s) && click(u"frmEmail/Command1"_s) &&
                dialogs().takeTexts() == QStringList{sent});
        const QList<QJsonObject> both = server.messages();
        const QString second = both.value(1)[u"text"].toString();
        QVERIFY(both.size() == 2 && second.contains(u"secondo"_s) && !second.contains(u"Arriviamo"_s));
    }

    void failedSendKeepsTheWindow_data() {
        QTest::addColumn<bool>("serverDown");
        QTest::newRow("server refuses") << false;
        QTest::newRow("server down") << true;
    }

    void failedSendKeepsTheWindow() {
        QFETCH(bool, serverDown);
        SmtpServer server({u"--refuse"_s}); // nothing listens on port 1
        QVERIFY(server.port() > 0 && startWithCompetition(serverDown ? 1 : server.port()));
        dialogs().queueYesNo(Dialogs::Answer::Yes);
        QVERIFY(send(u"a@x.example"_s, u"da non perdere"_s));
        const QStringList shown = dialogs().takeTexts();
        QVERIFY2(shown.size() == 2 && shown.at(1).startsWith(u"Errore durante l'invio:  "_s),
                 qPrintable(shown.join(u'|')));
        QVERIFY(shown.at(1).mid(25).toInt() > 0 && widget(u"frmEmail"_s)->isVisible());
        QVERIFY(text(u"frmEmail/Text4"_s) == u"da non perdere"_s && server.messages().isEmpty() &&
                !transferBytes().isEmpty());
    }

    void inputDuringSend() {
        SmtpServer server({u"--delay"_s, u"1.5"_s});
        QVERIFY(server.port() > 0 && startWithCompetition(server.port()));
        QSignalSpy closed(app().main(), &MainWindow::closed);
        actWhileWaiting([this] {
            // "Rinuncia", a second "Invia", Enter in the recipient box, then a quit.
            for (const QString& button : {u"frmEmail/Command2"_s, u"frmEmail/Command1"_s})
                if (QWidget* w = widget(button))
                    QTest::mouseClick(w, Qt::LeftButton);
            if (QWidget* to = widget(u"frmEmail/Text1"_s))
                QTest::keyClick(to, Qt::Key_Return);
            app().main()->close();
        });
        dialogs().queueYesNo(Dialogs::Answer::Yes);
        QVERIFY(send(u"a@x.example"_s, u"una volta"_s));
        QVERIFY2(actedWhileWaiting() >= 10, "the server kept the send waiting");
        QCOMPARE(dialogs().takeTexts().value(1), u"Messaggio inviato a a@x.example;"_s);
        QVERIFY(server.messages().size() == 1 && widget(u"frmEmail"_s) && closed.isEmpty());
        QTRY_COMPARE(closed.size(), 1);
    }
};

QTEST_MAIN(TestMailWindow)
#include "tst_mail_window.moc"
