// The transfer file and its deposit on the stand-in service, driven as the user drives them.
#include "FixtureDb.h"
#include "SimService.h"
#include "WindowTest.h"

#include "core/AppState.h"
#include "core/TransferExport.h"
#include "service/OnlineSession.h"
#include "service/ProgressWindow.h"
#include "service/UploadTarget.h"
#include "store/Database.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>

using namespace onda;
using namespace Qt::StringLiterals;

class TestDeposit : public WindowTest {
    Q_OBJECT

private:
    bool startWith(const QString& competition, const QStringList& arguments = {}) {
        if (!start(m_db->dir(), arguments))
            return false;
        app().state().changeCompetition([&](Competition& c) { c.number = competition; });
        return true;
    }
    ExportOutcome serverExport(QString& path) {
        QString mode = u"SERVER"_s, folder, file;
        const ExportOutcome outcome = ExportTransferDatabase(app().state(), app().state().club, mode, folder, file);
        path = mode;
        return outcome;
    }
    static QByteArray bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QVariantList localRows() { return m_db->column(u"select codatl || nome || soc from nprg570"_s); }

    std::unique_ptr<FixtureDb> m_db;

private slots:
    void init() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid());
        QVERIFY(m_db->seedCompetitions());
        QVERIFY(m_db->insert(u"manif"_s, {{u"Numero Prova"_s, 12}, {u"Nome Manifestazione"_s, u"Dodici"_s}}));
        for (const QString& n : {u"570"_s, u"012"_s, u"0570"_s})
            QVERIFY(m_db->createRegistrationTable(n));
        QVERIFY(m_db->addRegistration(u"570"_s, 500000, u"ROSSI MARIO"_s, u"DEMO"_s, 1));
        QVERIFY(m_db->addRegistration(u"570"_s, 500001, u"D'ANGELO LUCA"_s, u"D'ANGELO SSD"_s));
        QVERIFY(m_db->addRegistration(u"570"_s, 500002, u"BIANCHI ANNA"_s, u"AQUA"_s));
        QVERIFY(m_db->addRegistration(u"570"_s, 500003, u"VERDI ADA"_s, u"DEMO"_s, 2));
        QVERIFY(m_db->addRegistration(u"0570"_s, 500000, u"ROSSI MARIO"_s, u"DEMO"_s, 1));
        QVERIFY(m_db->addRegistration(u"012"_s, 500002, u"BIANCHI ANNA"_s, u"AQUA"_s));
    }
    void exportedContent_data();
    void exportedContent();
    void replacingAsksFirstAndCancelKeepsTheFile();
    void saveCommand();
    void failedCopyKeepsThePreviousFile();
    void uploadTarget_data();
    void uploadTarget();
    void commandsNeedACompetition();
    void upload_data();
    void upload();
};

void TestDeposit::exportedContent_data() {
    QTest::addColumn<QString>("competition");
    QTest::addColumn<QString>("club");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("club rows only") << "570"
                                    << "DEMO" << QStringList{"ROSSI MARIO", "VERDI ADA"};
    QTest::newRow("apostrophe") << "570"
                                << "D'ANGELO SSD" << QStringList{"D'ANGELO LUCA"};
    QTest::newRow("no rows") << "570"
                             << "NESSUNA" << QStringList{};
    QTest::newRow("leading zero") << "012"
                                  << "AQUA" << QStringList{"BIANCHI ANNA"};
}

void TestDeposit::exportedContent() {
    QFETCH(QString, competition);
    QFETCH(QString, club);
    QFETCH(QStringList, names);
    QVERIFY(startWith(competition));
    app().state().club = club;
    QString path;
    QCOMPARE(serverExport(path), ExportOutcome::Written);
    QCOMPARE(path, m_db->filePath(u"transfer_"_s + competition + u".mdb"_s));

    Database out;
    QVERIFY(out.open(path));
    Database::Result rows;
    QVERIFY(out.query(u"select nome, soc from nprg"_s + competition, rows));
    QStringList got;
    for (const QVariantList& row : rows.rows) {
        QCOMPARE(row.at(1).toString(), club);
        got << row.at(0).toString();
    }
    QCOMPARE(got, names);
    QVERIFY(out.query(u"select [Numero Prova] from manif"_s, rows));
    QCOMPARE(rows.rows.size(), 1);
    QCOMPARE(rows.rows.at(0).at(0).toInt(), competition.toInt());
    // Names, types and sizes as in the source, keys left behind.
    for (const QString& table : {u"nprg"_s + competition, u"manif"_s}) {
        QList<FieldInfo> source, copy;
        Database local;
        QVERIFY(local.open(m_db->path()));
        QVERIFY(local.tableFields(table, source));
        QVERIFY(out.tableFields(table, copy));
        QCOMPARE(copy.size(), source.size());
        for (qsizetype i = 0; i < copy.size(); ++i) {
            QCOMPARE(copy[i].name, source[i].name);
            QCOMPARE(copy[i].type, source[i].type);
            QCOMPARE(copy[i].size, source[i].size);
            QVERIFY(!copy[i].autoIncrement);
        }
    }
}

void TestDeposit::replacingAsksFirstAndCancelKeepsTheFile() {
    QVERIFY(startWith(u"570"_s));
    app().state().club = u"DEMO"_s;
    QString path;
    QCOMPARE(serverExport(path), ExportOutcome::Written);
    const QByteArray first = bytes(path);
    QVERIFY(m_db->addRegistration(u"570"_s, 500004, u"NERI UGO"_s, u"DEMO"_s));

    dialogs().queueOkCancel(Dialogs::Answer::Cancel);
    QCOMPARE(serverExport(path), ExportOutcome::Kept);
    const QList<ScriptedDialogs::Shown> shown = dialogs().take();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).text, u"Attenzione stai cancellando il file "_s + path);
    QCOMPARE(shown.at(0).defaultAnswer, Dialogs::Answer::Cancel);
    QCOMPARE(bytes(path), first);

    dialogs().queueOkCancel(Dialogs::Answer::Ok);
    QCOMPARE(serverExport(path), ExportOutcome::Written);
    QCOMPARE(dialogs().takeTexts().size(), 1);
    Database out;
    QVERIFY(out.open(path));
    Database::Result rows;
    QVERIFY(out.query(u"select count(*) from nprg570"_s, rows));
    QCOMPARE(rows.rows.at(0).at(0).toInt(), 3);
}

void TestDeposit::saveCommand() {
    QVERIFY(startWith(u"570"_s));
    app().state().club = u"DEMO"_s;
    const QString path = m_db->filePath(u"scelto.mdb"_s);
    dialogs().queueSaveFileName(path);
    QVERIFY(trigger(u"mnuFileSaveAs"_s));
    QList<ScriptedDialogs::Shown> shown = dialogs().take();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).text, u"Save"_s);
    QCOMPARE(shown.at(0).initial, u"DEMO_570.mdb"_s);
    QCOMPARE(shown.at(0).filter, u"Access files (*.mdb)|*.mdb|All Files (*.txt)|*.*"_s);
    QCOMPARE(shown.at(1).text, u"Database registrato in "_s + path);
    QVERIFY(QFileInfo::exists(path));

    // An existing file: overwrite question first, then the deletion warning.
    dialogs().queueSaveFileName(path);
    dialogs().queueYesNo(Dialogs::Answer::Yes);
    dialogs().queueOkCancel(Dialogs::Answer::Ok);
    QVERIFY(trigger(u"Save"_s));
    QCOMPARE(dialogs().takeTexts(),
             QStringList({u"Save"_s, u"Il file "_s + path + u" esiste. Vuoi sovrascriverlo ?"_s,
                          u"Attenzione stai cancellando il file "_s + path, u"Database registrato in "_s + path}));

    dialogs().queueSaveFileName(QString());
    QVERIFY(trigger(u"mnuFileSaveAs"_s));
    QCOMPARE(dialogs().takeTexts(), QStringList{u"Save"_s});
}

void TestDeposit::failedCopyKeepsThePreviousFile() {
    QVERIFY(startWith(u"570"_s));
    app().state().club = u"DEMO"_s;
    QString path;
    QCOMPARE(serverExport(path), ExportOutcome::Written);
    const QByteArray first = bytes(path);
    QList<QVariantList> many;
    for (int i = 0; i < 400; ++i)
        many << QVariantList{600000 + i, u"ATLETA CON UN NOME MOLTO LUNGO %1"_s.arg(i), u"DEMO"_s};
    QVERIFY(m_db->insertRows(u"nprg570"_s, {u"codatl"_s, u"nome"_s, u"soc"_s}, many));
    // The target cannot grow past a few pages: the disk is full half-way through the rows.
    ConnectionOptions small;
    small.maxPageCount = 4;
    app().state().store.setConnectionOptions(small);

    dialogs().queueOkCancel(Dialogs::Answer::Ok);
    QCOMPARE(serverExport(path), ExportOutcome::Failed);
    const QStringList texts = dialogs().takeTexts();
    QCOMPARE(texts.size(), 2);
    QVERIFY2(texts.at(1).startsWith(u"Errore non trattato in ImpostaProva  "_s), qPrintable(texts.at(1)));
    QVERIFY(texts.at(1).endsWith(u" non è stato modificato."_s));
    QCOMPARE(bytes(path), first);
    QCOMPARE(QDir(m_db->dir()).entryList(QDir::Hidden | QDir::Files).filter(u".part"_s), QStringList());
}

void TestDeposit::uploadTarget_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("user");
    QTest::newRow("service") << kBuiltInAddress << "www.ondaweb.example"
                             << "ondawebnt";
    QTest::newRow("other host") << "http://127.0.0.9/"
                                << "127.0.0.9"
                                << "Administrator";
    QTest::newRow("path glued") << "http://host.example/sub/dir/"
                                << "host.examplesubdir"
                                << "Administrator";
}

void TestDeposit::uploadTarget() {
    QFETCH(QString, address);
    QFETCH(QString, host);
    QFETCH(QString, user);
    const UploadTarget target = uploadTargetFor(address);
    QCOMPARE(target.host, host);
    QCOMPARE(target.userName, user);
}

void TestDeposit::commandsNeedACompetition() {
    QVERIFY(startWith(QString()));
    for (const QString& command : {u"DepositaOndaweb"_s, u"mnuFileSaveAs"_s}) {
        QVERIFY(trigger(command));
        QCOMPARE(dialogs().takeTexts(), QStringList{u"Inserire il numero di prova"_s});
    }
    QVERIFY(click(u"Form2/Command1_3"_s));
    QCOMPARE(dialogs().takeTexts(), QStringList{u"Inserire il numero di prova"_s});
}

void TestDeposit::upload_data() {
    QTest::addColumn<QString>("competition");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("login"); // the login window's button
    QTest::addColumn<bool>("proceed");
    QTest::addColumn<QString>("message"); // the last message, or a start of it ending in "*"
    QTest::addColumn<bool>("progressOpen");
    QTest::addColumn<bool>("imported");
    QTest::newRow("success") << "570"
                             << ""
                             << "cmdOK" << true << "Iscrizioni esportate correttamente" << false << true;
    QTest::newRow("leading zero") << "0570"
                                  << ""
                                  << "cmdOK" << true << "Iscrizioni esportate correttamente" << false << true;
    QTest::newRow("login cancelled") << "570"
                                     << ""
                                     << "cmdCancel" << true << "" << false << false;
    QTest::newRow("no") << "570"
                        << ""
                        << "cmdOK" << false << "" << true << false;
    QTest::newRow("ftp refused") << "570"
                                 << "set?request=ftp&mode=refuse-write"
                                 << "cmdOK" << true << "Error Msg: *" << true << false;
    QTest::newRow("import refused") << "570"
                                    << "set?request=import&mode=error&text=Chiuse"
                                    << "cmdOK" << true << "Attenzione: Chiuse" << false << false;
    QTest::newRow("no RESPONSE") << "570"
                                 << "set?request=import&mode=noresponse"
                                 << "cmdOK" << true << QString(kConnectionMessage) << true << true;
    QTest::newRow("status KO") << "570"
                               << "set?request=import&mode=status"
                               << "cmdOK" << true << "Errore sul server" << true << false;
}

void TestDeposit::upload() {
    QFETCH(QString, competition);
    QFETCH(QString, fault);
    QFETCH(QString, login);
    QFETCH(bool, proceed);
    QFETCH(QString, message);
    QFETCH(bool, progressOpen);
    QFETCH(bool, imported);
    // The upload reaches the FTP server on the default port of the base address's host.
    const QString host = u"127.0.0.%1"_s.arg(QRandomGenerator::global()->bounded(10, 251));
    SimService sim(host, 80, 21);
    if (!sim.isRunning())
        QSKIP("the stand-in cannot listen on ports 80 and 21 (not root?)");
    QVERIFY(startWith(competition, {u"http://"_s + host + u"/"_s}));
    OnlineSession session(app().state());
    if (!fault.isEmpty())
        sim.control(fault);
    const QVariantList before = localRows();
    whenModal(u"frmLogin"_s, [login](QWidget* window) {
        window->findChild<QLineEdit*>(u"txtUserName"_s)->setText(u"demo"_s);
        window->findChild<QLineEdit*>(u"txtPassword"_s)->setText(u"1234"_s);
        window->findChild<QPushButton*>(login)->click();
    });
    if (login == u"cmdOK"_s)
        dialogs().queueYesNo(proceed ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    (void)sim.takeRequests();
    session.UploadRegistrations();

    QStringList texts = dialogs().takeTexts();
    if (login == u"cmdOK"_s)
        QVERIFY(texts.takeFirst().endsWith(u"\r\n\r\nVuoi procedere"_s));
    if (message.endsWith(u'*'))
        QVERIFY2(texts.size() == 1 && texts.at(0).startsWith(message.chopped(1)), qPrintable(texts.join(u'|')));
    else
        QCOMPARE(texts, message.isEmpty() ? QStringList() : QStringList{message});
    auto* progress = find<ProgressWindow>(u"frmCollegamento"_s);
    QCOMPARE(progress && progress->isVisible(), progressOpen);
    if (fault.contains(u"ftp"_s)) {
        QCOMPARE(progress->line(2)->checkState(), Qt::Checked);
        QVERIFY(progress->line(3)->font().bold());
    }
    const QStringList requests = sim.takeRequests();
    if (imported)
        QVERIFY(requests.filter(u"putIscrizioni.asp?ID=570&"_s).size() == 1 &&
                requests.filter(u"nprova=570"_s).size() == 1);

    QJsonArray held = QJsonDocument::fromJson(sim.state()).object()[u"state"_s][u"registrations"_s].toArray();
    QStringList demo;
    for (const QJsonValue& r : held) {
        const QJsonObject row = r.toObject();
        if (row[u"competition"_s].toInt() == 570 && row[u"club"_s].toString() == u"DEMO"_s)
            demo << row[u"name"_s].toString();
    }
    demo.sort();
    if (imported)
        QCOMPARE(demo, competition == u"570"_s ? QStringList({u"ROSSI MARIO"_s, u"VERDI ADA"_s})
                                               : QStringList{u"ROSSI MARIO"_s});
    else
        QCOMPARE(demo.size(), 4); // the service's own rows, untouched
    QCOMPARE(localRows(), before);
}

QTEST_MAIN(TestDeposit)
#include "tst_deposit.moc"
