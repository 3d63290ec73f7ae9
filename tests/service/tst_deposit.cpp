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
#include <QDir>
#include <QFile>
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
        app().state().club = u"DEMO"_s;
        return true;
    }
    ExportOutcome serverExport(QString& path) {
        QString folder, file;
        path = u"SERVER"_s;
        return ExportTransferDatabase(app().state(), app().state().club, path, folder, file);
    }
    static QByteArray bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The first column of a query on a file, "!" when it fails.
    static QVariantList values(const QString& path, const QString& sql, const QVariantList& parameters = {}) {
        Database db;
        Database::Result r;
        QVariantList out;
        if (!db.open(path) || !db.query(sql, r, parameters))
            return {u"!"_s};
        for (const QVariantList& row : r.rows)
            out << row.value(0);
        return out;
    }

    std::unique_ptr<FixtureDb> m_db;

private slots:
    void init() {
        m_db = std::make_unique<FixtureDb>();
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
    void previousFileKeptUnlessComplete();
    void saveCommand();
    void uploadTarget();
    void commandsNeedACompetition();
    void upload_data();
    void upload();
};

void TestDeposit::exportedContent_data() {
    QTest::addColumn<QString>("competition");
    QTest::addColumn<QString>("club");
    QTest::addColumn<QVariantList>("names");
    QTest::newRow("club rows only") << "570"
                                    << "DEMO" << QVariantList{"ROSSI MARIO", "VERDI ADA"};
    QTest::newRow("apostrophe") << "570"
                                << "D'ANGELO SSD" << QVariantList{"D'ANGELO LUCA"};
    QTest::newRow("no rows") << "570"
                             << "NESSUNA" << QVariantList{};
    QTest::newRow("leading zero") << "012"
                                  << "AQUA" << QVariantList{"BIANCHI ANNA"};
}

void TestDeposit::exportedContent() {
    QFETCH(QString, competition);
    QFETCH(QString, club);
    QFETCH(QVariantList, names);
    QVERIFY(startWith(competition));
    app().state().club = club;
    QString path;
    QCOMPARE(serverExport(path), ExportOutcome::Written);
    QCOMPARE(path, m_db->filePath(u"transfer_"_s + competition + u".mdb"_s));
    const QString table = u"nprg"_s + competition;
    QCOMPARE(values(path, u"select nome from "_s + table), names);
    QCOMPARE(values(path, u"select nome from "_s + table + u" where soc<>?"_s, {club}), QVariantList());
    QCOMPARE(values(path, u"select [Numero Prova] from manif"_s), QVariantList{competition.toInt()});
    // Names, declared types and sizes as in the source; no key travels.
    for (const QString& t : {table, u"manif"_s}) {
        const QString shape = u"select name || type || pk from pragma_table_info('%1')"_s.arg(t);
        QVariantList source = values(m_db->path(), shape);
        if (const qsizetype key = source.indexOf(u"OrdineInserimentoINTEGER1"_s); key >= 0)
            source[key] = u"OrdineInserimentoINTEGER0"_s;
        QCOMPARE(values(path, shape), source);
    }
}

void TestDeposit::previousFileKeptUnlessComplete() {
    QVERIFY(startWith(u"570"_s));
    QString path;
    QCOMPARE(serverExport(path), ExportOutcome::Written);
    const QByteArray first = bytes(path);
    QList<QVariantList> many;
    for (int i = 0; i < 400; ++i)
        many << QVariantList{600000 + i, u"ATLETA CON UN NOME MOLTO LUNGO %1"_s.arg(i), u"DEMO"_s};
    QVERIFY(m_db->insertRows(u"nprg570"_s, {u"codatl"_s, u"nome"_s, u"soc"_s}, many));

    dialogs().queueOkCancel(Dialogs::Answer::Cancel);
    QCOMPARE(serverExport(path), ExportOutcome::Kept);
    const QList<ScriptedDialogs::Shown> shown = dialogs().take();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).text, u"Attenzione stai cancellando il file "_s + path);
    QCOMPARE(shown.at(0).defaultAnswer, Dialogs::Answer::Cancel);
    QCOMPARE(bytes(path), first);

    // The disk is full half-way through the rows: the file cannot grow past a few pages.
    app().state().store.setConnectionOptions({2000, 4});
    dialogs().queueOkCancel(Dialogs::Answer::Ok);
    QCOMPARE(serverExport(path), ExportOutcome::Failed);
    const QStringList texts = dialogs().takeTexts();
    QVERIFY2(texts.size() == 2 && texts.at(1).startsWith(u"Errore non trattato in ImpostaProva  "_s) &&
                 texts.at(1).endsWith(u" non è stato modificato."_s),
             qPrintable(texts.join(u'|')));
    QCOMPARE(bytes(path), first);
    QCOMPARE(QDir(m_db->dir()).entryList(QDir::Hidden | QDir::Files).filter(u".part"_s), QStringList());
}

void TestDeposit::saveCommand() {
    QVERIFY(startWith(u"570"_s));
    const QString path = m_db->filePath(u"scelto.mdb"_s);
    dialogs().queueSaveFileName(path);
    QVERIFY(trigger(u"mnuFileSaveAs"_s));
    const QList<ScriptedDialogs::Shown> shown = dialogs().take();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).initial, u"DEMO_570.mdb"_s);
    QCOMPARE(shown.at(0).filter, u"Access files (*.mdb)|*.mdb|All Files (*.txt)|*.*"_s);
    QCOMPARE(shown.at(1).text, u"Database registrato in "_s + path);
    QCOMPARE(values(path, u"select count(*) from nprg570"_s), QVariantList{2});

    // An existing file: the overwrite question first, then the deletion warning.
    dialogs().queueSaveFileName(path);
    dialogs().queueYesNo(Dialogs::Answer::Yes);
    dialogs().queueOkCancel(Dialogs::Answer::Ok);
    QVERIFY(trigger(u"Save"_s));
    QCOMPARE(dialogs().takeTexts(),
             QStringList({u"Save"_s, u"Il file "_s + path + u" esiste. Vuoi sovrascriverlo ?"_s,
                          u"Attenzione stai cancellando il file "_s + path, u"Database registrato in "_s + path}));
}

void TestDeposit::uploadTarget() {
    const UploadTarget own = uploadTargetFor(kBuiltInAddress);
    QCOMPARE(own.host + own.userName, u"www.ondaweb.exampleondawebnt"_s);
    const UploadTarget other = uploadTargetFor(u"http://host.example/sub/dir/"_s);
    QCOMPARE(other.host + other.userName, u"host.examplesubdirAdministrator"_s);
}

void TestDeposit::commandsNeedACompetition() {
    QVERIFY(startWith(QString()));
    QVERIFY(trigger(u"DepositaOndaweb"_s) && trigger(u"mnuFileSaveAs"_s) && click(u"Form2/Command1_3"_s));
    QCOMPARE(dialogs().takeTexts(), QStringList(3, u"Inserire il numero di prova"_s));
}

void TestDeposit::upload_data() {
    QTest::addColumn<QString>("competition");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("login"); // the login window's button
    QTest::addColumn<bool>("proceed");
    QTest::addColumn<QString>("message"); // the last message, or its start followed by "*"
    QTest::addColumn<bool>("progressOpen");
    QTest::addColumn<int>("held"); // the club's rows the service holds afterwards
    const QString ok = u"Iscrizioni esportate correttamente"_s;
    QTest::newRow("success") << "570"
                             << ""
                             << "cmdOK" << true << ok << false << 2;
    QTest::newRow("leading zero") << "0570"
                                  << ""
                                  << "cmdOK" << true << ok << false << 1;
    QTest::newRow("login cancelled") << "570"
                                     << ""
                                     << "cmdCancel" << true << "" << false << 4;
    QTest::newRow("no") << "570"
                        << ""
                        << "cmdOK" << false << "" << true << 4;
    QTest::newRow("ftp refused") << "570"
                                 << "ftp&mode=refuse-write"
                                 << "cmdOK" << true << "Error Msg: *" << true << 4;
    QTest::newRow("import refused") << "570"
                                    << "import&mode=error&text=No"
                                    << "cmdOK" << true << "Attenzione: No" << false << 4;
    QTest::newRow("no RESPONSE") << "570"
                                 << "import&mode=noresponse"
                                 << "cmdOK" << true << kConnectionMessage << true << 2;
    QTest::newRow("status KO") << "570"
                               << "import&mode=status"
                               << "cmdOK" << true << "Errore sul server" << true << 4;
}

void TestDeposit::upload() {
    QFETCH(QString, competition);
    QFETCH(QString, fault);
    QFETCH(QString, login);
    QFETCH(bool, proceed);
    QFETCH(QString, message);
    QFETCH(bool, progressOpen);
    QFETCH(int, held);
    // The upload reaches the FTP server on the default port of the base address's host.
    const QString host = u"127.0.0.%1"_s.arg(QRandomGenerator::global()->bounded(10, 251));
    SimService sim(host, 80, 21);
    if (!sim.isRunning())
        QSKIP("the stand-in cannot listen on ports 80 and 21 (not root?)");
    QVERIFY(startWith(competition, {u"http://"_s + host + u"/"_s}));
    OnlineSession session(app().state());
    if (!fault.isEmpty())
        sim.control(u"set?request="_s + fault);
    const QVariantList before = values(m_db->path(), u"select codatl || nome || soc from nprg570"_s);
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
        QVERIFY(texts.takeFirst().endsWith(u"corrente.\r\n\r\nVuoi procedere"_s));
    if (message.endsWith(u'*'))
        QVERIFY2(texts.size() == 1 && texts.at(0).startsWith(message.chopped(1)), qPrintable(texts.join(u'|')));
    else
        QCOMPARE(texts, message.isEmpty() ? QStringList() : QStringList{message});
    auto* progress = find<ProgressWindow>(u"frmCollegamento"_s);
    QCOMPARE(progress && progress->isVisible(), progressOpen);
    if (fault.startsWith(u"ftp"_s))
        QVERIFY(progress->line(2)->checkState() == Qt::Checked && progress->line(3)->font().bold());
    const QStringList orders = sim.takeRequests().filter(u"putIscrizioni"_s);
    if (held != 4)
        QVERIFY(orders.size() == 1 && orders.at(0).contains(u"ID=570&"_s) && orders.at(0).endsWith(u"nprova=570"_s));

    int demo = 0;
    for (const QJsonValue& r : QJsonDocument::fromJson(sim.state())[u"state"_s][u"registrations"_s].toArray())
        demo += r[u"competition"_s].toInt() == 570 && r[u"club"_s].toString() == u"DEMO"_s;
    QCOMPARE(demo, held);
    QCOMPARE(values(m_db->path(), u"select codatl || nome || soc from nprg570"_s), before);
}

QTEST_MAIN(TestDeposit)
#include "tst_deposit.moc"
