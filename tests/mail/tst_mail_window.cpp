// The registration mail, sent as a user sends it, to a real SMTP server on loopback.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "core/AppState.h"
#include "core/ProgramValues.h"
#include "mail/MailSession.h"
#include "mail/MailWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

using namespace onda;

namespace {

// The SMTP server of tests/mail, for the life of one test.
class SmtpServer {
public:
    explicit SmtpServer(bool refuse = false) {
        QStringList arguments{QStringLiteral(SMTP_SERVER_SCRIPT), m_folder.path()};
        if (refuse)
            arguments << QStringLiteral("--refuse");
        m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
        QFile port(m_folder.filePath(QStringLiteral("port")));
        for (int i = 0; i < 100 && m_port == 0 && m_process.state() != QProcess::NotRunning; ++i) {
            QTest::qWait(100);
            if (port.open(QIODevice::ReadOnly))
                m_port = port.readAll().toInt();
        }
        if (m_port == 0)
            qWarning() << "SMTP server:" << m_process.errorString() << m_process.readAllStandardError()
                       << m_process.readAllStandardOutput();
    }
    ~SmtpServer() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
    int port() const { return m_port; }
    // The messages taken so far, as a mail program reads them.
    QList<QJsonObject> messages() const {
        QList<QJsonObject> out;
        for (int n = 1; QFile::exists(m_folder.filePath(QStringLiteral("%1.json").arg(n))); ++n) {
            QFile file(m_folder.filePath(QStringLiteral("%1.json").arg(n)));
            if (file.open(QIODevice::ReadOnly))
                out << QJsonDocument::fromJson(file.readAll()).object();
        }
        return out;
    }

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    int m_port = 0;
};

int closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort(); // closed again when probe goes
}

QStringList strings(const QJsonValue& array) {
    QStringList out;
    for (const QJsonValue& v : array.toArray())
        out << v.toString();
    return out;
}

} // namespace

class TestMailWindow : public WindowTest {
    Q_OBJECT

private:
    // The program on a database with two registrations of ABC and one of XYZ in competition 57.
    bool startWithCompetition() {
        if (!m_db->isValid() || !m_db->seedAthletes() || !m_db->createRegistrationTable(QStringLiteral("57")) ||
            !m_db->addRegistration(QStringLiteral("57"), 500000, QStringLiteral("ROSSI MARIO"),
                                   QStringLiteral("ABC")) ||
            !m_db->addRegistration(QStringLiteral("57"), 500001, QStringLiteral("D'ANGELO LUCA"),
                                   QStringLiteral("ABC")) ||
            !m_db->addRegistration(QStringLiteral("57"), 500002, QStringLiteral("BIANCHI ANNA"), QStringLiteral("XYZ")))
            return false;
        if (!start(m_db->dir()))
            return false;
        AppState& state = app().state();
        state.club = QStringLiteral("ABC");
        state.userId = QStringLiteral("zeta");
        Competition c;
        c.number = QStringLiteral("57");
        c.name = QStringLiteral("TROFEO D'ESTATE");
        c.place = QStringLiteral("ROMA");
        c.date = QStringLiteral("01/05/2024");
        c.registrationCount = QStringLiteral("2");
        c.note = QStringLiteral("Arrivo alle 8...");
        state.setCompetition(c);
        return true;
    }
    void useServer(int port) {
        MailSettings s;
        s.server = QStringLiteral("127.0.0.1");
        s.port = port;
        s.security = MailSettings::Security::None;
        s.sender = QStringLiteral("club@abc.example");
        s.timeout = 10;
        s.save();
    }
    // Every byte value, so that an attachment changed on the way shows.
    QString writeTransfer(QString& path) {
        path = app().file(QStringLiteral("transfer_57.mdb"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        for (int i = 0; i < 3000; ++i)
            file.putChar(static_cast<char>(i % 256));
        return path;
    }
    void openMailWindow() {
        SendRegistrationsMail(app().state(), [this](QString& path) { return !writeTransfer(path).isEmpty(); });
    }
    QByteArray transferBytes() {
        QFile file(app().file(QStringLiteral("transfer_57.mdb")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::unique_ptr<FixtureDb> m_db;

private slots:
    void init() { m_db = std::make_unique<FixtureDb>(); }
    void refusals();
    void sendsToEveryRecipientWithTheFile();
    void menuCommandAttachesTheExportedFile();
    void declinedLogOnThenTwoSends();
    void failedSendKeepsTheWindow_data();
    void failedSendKeepsTheWindow();
};

void TestMailWindow::refusals() {
    QVERIFY(startWithCompetition());
    AppState& state = app().state();
    int exports = 0;
    const TransferWriter counting = [&exports](QString&) { return ++exports, false; };

    state.club.clear();
    SendRegistrationsMail(state, counting);
    state.club = QStringLiteral("ABC");
    state.changeCompetition([](Competition& c) { c.number.clear(); });
    SendRegistrationsMail(state, counting);
    QCOMPARE(dialogs().takeTexts(), (QStringList{"Selezionare una manifestazione", "Selezionare la prova prescelta"}));
    QCOMPARE(exports, 0);

    // An export that failed leaves no window to send a stale file from.
    state.changeCompetition([](Competition& c) { c.number = QStringLiteral("57"); });
    SendRegistrationsMail(state, counting);
    QCOMPARE(exports, 1);
    QVERIFY(!widget(QStringLiteral("frmEmail")) || !widget(QStringLiteral("frmEmail"))->isVisible());

    openMailWindow();
    QVERIFY(click(QStringLiteral("frmEmail/Command1")));
    QCOMPARE(dialogs().takeTexts(), QStringList{"devi specificare almeno un destinatario"});
}

void TestMailWindow::sendsToEveryRecipientWithTheFile() {
    SmtpServer server;
    QVERIFY(server.port() > 0);
    QVERIFY(startWithCompetition());
    useServer(server.port());
    openMailWindow();

    QCOMPARE(text(QStringLiteral("frmEmail/Text3")), QStringLiteral("Invio iscrizioni prova 57"));
    QCOMPARE(text(QStringLiteral("frmEmail/Label3")), app().file(QStringLiteral("transfer_57.mdb")));
    QVERIFY(text(QStringLiteral("frmEmail/Label2")).startsWith(QStringLiteral("Iscrizioni relative a utente zeta\n")));
    const QString preview = text(QStringLiteral("frmEmail/Label4"));
    QVERIFY(preview.contains(QStringLiteral("Nota:\nArrivo alle 8......")));
    QVERIFY(preview.contains(QStringLiteral("D'ANGELO LUCA")));
    QVERIFY(!preview.contains(QStringLiteral("BIANCHI")));

    QVERIFY(type(QStringLiteral("frmEmail/Text1"), QStringLiteral(" a@x.example ; b@x.example;c@x.example ")));
    // Key clicks carry no accented letter: the box takes the subject as a paste would.
    find<QLineEdit>(QStringLiteral("frmEmail/Text3"))->setText(QStringLiteral("Iscrizioni ABC à Roma"));
    QVERIFY(type(QStringLiteral("frmEmail/Text4"), QStringLiteral("Arriviamo alle 9")));
    dialogs().queueYesNo(Dialogs::Answer::Yes);
    QVERIFY(click(QStringLiteral("frmEmail/Command1")));
    const QStringList shown = dialogs().takeTexts();
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown.at(0).startsWith(QStringLiteral("Attenzione: una sessione di posta non è stata impostata.")));
    QCOMPARE(shown.at(1), QStringLiteral("Messaggio inviato a  a@x.example ; b@x.example;c@x.example ;"));

    const QList<QJsonObject> messages = server.messages();
    QCOMPARE(messages.size(), 1);
    const QJsonObject m = messages.first();
    QCOMPARE(strings(m[u"rcpt"]), (QStringList{"a@x.example", "b@x.example", "c@x.example", kTimingMailAddress}));
    QCOMPARE(m[u"cc"].toString(), kTimingMailAddress);
    QCOMPARE(m[u"sender"].toString(), QStringLiteral("club@abc.example"));
    QCOMPARE(m[u"subject"].toString(), QStringLiteral("Iscrizioni ABC à Roma"));
    const QString body = m[u"text"].toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QVERIFY(
        body.startsWith(QStringLiteral("Iscrizioni relative a utente zeta\n      Manifestazione:TROFEO D'ESTATE\n")));
    QVERIFY(body.contains(QStringLiteral("Nota:\nArrivo alle 8...\nMessaggio addizionale:\nArriviamo alle 9\n")));
    QVERIFY(body.contains(QStringLiteral("ROSSI MARIO")));
    QVERIFY(body.contains(QString(40, u'-') + QStringLiteral("\n\n\n") + QString(40, u'-') + u'\n'));
    const QJsonArray files = m[u"attachments"].toArray();
    QCOMPARE(files.size(), 1);
    QCOMPARE(files.at(0)[u"name"].toString(), QStringLiteral("transfer_57.mdb"));
    QCOMPARE(QByteArray::fromBase64(files.at(0)[u"data"].toString().toLatin1()), transferBytes());
}

void TestMailWindow::menuCommandAttachesTheExportedFile() {
    QVERIFY(m_db->isValid() && m_db->seedCompetitions());
    QVERIFY(startWithCompetition());
    QVERIFY(trigger(QStringLiteral("mnuFileSend")));
    const QString path = app().file(QStringLiteral("transfer_57.mdb"));
    QCOMPARE(text(QStringLiteral("frmEmail/Label3")), path);
    QVERIFY(QFileInfo(path).size() > 0);
    QVERIFY(widget(QStringLiteral("frmEmail"))->isVisible());
    QVERIFY(text(QStringLiteral("frmEmail/Label4")).contains(QStringLiteral("ROSSI MARIO")));
}

void TestMailWindow::declinedLogOnThenTwoSends() {
    SmtpServer server;
    QVERIFY(server.port() > 0);
    QVERIFY(startWithCompetition());
    useServer(server.port());
    openMailWindow();
    QVERIFY(type(QStringLiteral("frmEmail/Text1"), QStringLiteral("a@x.example")));
    QVERIFY(type(QStringLiteral("frmEmail/Text4"), QStringLiteral("primo")));

    dialogs().queueYesNo(Dialogs::Answer::No);
    QVERIFY(click(QStringLiteral("frmEmail/Command1")));
    const QStringList declined = dialogs().takeTexts();
    QCOMPARE(declined.size(), 2);
    QVERIFY(declined.at(1).startsWith(QStringLiteral("ATTENZIONE: Il messaggio non e' stato inviato.")));
    QVERIFY(declined.at(1).contains(QStringLiteral("\r\n\r\n") + app().file(QStringLiteral("transfer_57.mdb")) +
                                    QStringLiteral("\r\n\r\n")));
    QVERIFY(declined.at(1).endsWith(QStringLiteral("\r\n\r\n ") + kServiceMailAddress));
    QVERIFY(server.messages().isEmpty());
    QVERIFY(widget(QStringLiteral("frmEmail"))->isVisible());

    dialogs().queueYesNo(Dialogs::Answer::Yes);
    QVERIFY(click(QStringLiteral("frmEmail/Command1")));
    QCOMPARE(dialogs().takeTexts().size(), 2);
    // Logged on: the second send asks nothing more and carries the message as it is now.
    QVERIFY(type(QStringLiteral("frmEmail/Text4"), QStringLiteral("secondo")));
    QVERIFY(click(QStringLiteral("frmEmail/Command1")));
    QCOMPARE(dialogs().takeTexts(), QStringList{"Messaggio inviato a a@x.example;"});

    const QList<QJsonObject> messages = server.messages();
    QCOMPARE(messages.size(), 2);
    QVERIFY(messages.at(0)[u"text"].toString().contains(QStringLiteral("primo")));
    const QString second = messages.at(1)[u"text"].toString();
    QVERIFY(second.contains(QStringLiteral("secondo")));
    QVERIFY(!second.contains(QStringLiteral("primo")));
    QCOMPARE(second.count(QStringLiteral("Messaggio addizionale:")), 1);
}

void TestMailWindow::failedSendKeepsTheWindow_data() {
    QTest::addColumn<bool>("serverDown");
    QTest::newRow("server refuses") << false;
    QTest::newRow("server down") << true;
}

void TestMailWindow::failedSendKeepsTheWindow() {
    QFETCH(bool, serverDown);
    SmtpServer server(true);
    QVERIFY(server.port() > 0);
    QVERIFY(startWithCompetition());
    useServer(serverDown ? closedPort() : server.port());
    openMailWindow();
    QVERIFY(type(QStringLiteral("frmEmail/Text1"), QStringLiteral("a@x.example")));
    QVERIFY(type(QStringLiteral("frmEmail/Text4"), QStringLiteral("da non perdere")));
    dialogs().queueYesNo(Dialogs::Answer::Yes);
    QVERIFY(click(QStringLiteral("frmEmail/Command1")));
    const QStringList shown = dialogs().takeTexts();
    QCOMPARE(shown.size(), 2);
    QVERIFY2(shown.at(1).startsWith(QStringLiteral("Errore durante l'invio:  ")), qPrintable(shown.at(1)));
    QVERIFY(shown.at(1).mid(25).toInt() > 0);
    QVERIFY(widget(QStringLiteral("frmEmail"))->isVisible());
    QCOMPARE(text(QStringLiteral("frmEmail/Text1")), QStringLiteral("a@x.example"));
    QCOMPARE(text(QStringLiteral("frmEmail/Text4")), QStringLiteral("da non perdere"));
    QVERIFY(server.messages().isEmpty());
    QCOMPARE(transferBytes().size(), 3000);
}

QTEST_MAIN(TestMailWindow)
#include "tst_mail_window.moc"
