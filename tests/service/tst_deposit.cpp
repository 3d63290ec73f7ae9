// The transfer file and its deposit on the stand-in service, driven as the user drives them.
#include "FixtureDb.h"
#include "SimService.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "core/AppState.h"
#include "service/OnlineSession.h"
#include "service/ProgressWindow.h"
#include "service/UploadTarget.h"
#include "transfer/TransferExport.h"

#include <QCheckBox>
#include <QFile>
#include <QRandomGenerator>

using namespace onda;
using namespace Qt::StringLiterals;

class TestDeposit : public WindowTest {
    Q_OBJECT

    std::unique_ptr<FixtureDb> m_db;

    bool startWith(const QString& competition, const QStringList& arguments = {}) {
        const bool started = start(m_db->dir(), arguments);
        app().state().changeCompetition([&](Competition& c) { c.number = competition; });
        app().state().session.setClub(u"DEMO"_s);
        return started;
    }
    ExportOutcome serverExport(QString& path) {
        const TransferResult written =
            TransferExport(app().state(), dialogs()).write(app().state().club, TransferPlace::ProgramFolder);
        path = written.path;
        return written.outcome;
    }
private slots:
    void init() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->seedCompetitions() && m_db->exec(u"insert into manif ([Numero Prova]) values (12)"_s));
        for (const QString& n : {u"570"_s, u"012"_s, u"0570"_s})
            QVERIFY(m_db->createRegistrationTable(n));
        QVERIFY(m_db->insertRows(u"nprg570"_s, {u"nome"_s, u"soc"_s},
                                 {{u"ROSSI MARIO"_s, u"DEMO"_s},
                                  {u"VERDI ADA"_s, u"DEMO"_s},
                                  {u"D'ANGELO LUCA"_s, u"D'ANGELO SSD"_s},
                                  {u"BIANCHI ANNA"_s, u"AQUA"_s}}));
        QVERIFY(m_db->addRegistration(u"0570"_s, 1, u"ROSSI MARIO"_s, u"DEMO"_s));
        QVERIFY(m_db->addRegistration(u"012"_s, 3, u"BIANCHI ANNA"_s, u"AQUA"_s));
    }

    void exportedContent_data() {
        QTest::addColumn<QString>("competition");
        QTest::addColumn<QString>("club");
        QTest::addColumn<QVariantList>("names");
        // clang-format off
        QTest::newRow("club rows only") << "570" << "DEMO" << QVariantList{"ROSSI MARIO", "VERDI ADA"};
        QTest::newRow("apostrophe") << "570" << "D'ANGELO SSD" << QVariantList{"D'ANGELO LUCA"};
        QTest::newRow("no rows") << "570" << "NESSUNA" << QVariantList{};
        QTest::newRow("leading zero") << "012" << "AQUA" << QVariantList{"BIANCHI ANNA"};
        // clang-format on
    }
    void exportedContent() {
        QFETCH(QString, competition);
        QFETCH(QString, club);
        QVERIFY(startWith(competition));
        app().state().session.setClub(club);
        QString path;
        QVERIFY(serverExport(path) == ExportOutcome::Written &&
                path == m_db->filePath(u"transfer_"_s + competition + u".mdb"_s));
        QTEST(databaseColumn(path, u"select nome from nprg"_s + competition), "names");
        QCOMPARE(databaseColumn(path, u"select [Numero Prova] from manif"_s), QVariantList{competition.toInt()});
        for (const QString& t : {u"nprg"_s + competition, u"manif"_s}) {
            const QString shape = u"select name || type || %1 from pragma_table_info('%2')"_s;
            QCOMPARE(databaseColumn(path, shape.arg(u"pk"_s, t)), databaseColumn(m_db->path(), shape.arg(u"0"_s, t)));
        }
    }

    void previousFileKeptUnlessComplete() {
        QVERIFY(startWith(u"570"_s));
        QString path;
        QCOMPARE(serverExport(path), ExportOutcome::Written);
        const QByteArray first = fileBytes(path);
        QList<QVariantList> many(400, {u"ATLETA CON UN NOME PIUTTOSTO LUNGO"_s, u"DEMO"_s});
        QVERIFY(m_db->insertRows(u"nprg570"_s, {u"nome"_s, u"soc"_s}, many));
        dialogs().queueOkCancel(Dialogs::Answer::Cancel);
        QCOMPARE(serverExport(path), ExportOutcome::Kept);
        const ScriptedDialogs::Shown warning = dialogs().take().value(0);
        QVERIFY(warning.text == u"Attenzione stai cancellando il file "_s + path &&
                warning.defaultAnswer == Dialogs::Answer::Cancel);
        QCOMPARE(fileBytes(path), first);

        // The disk fills up half-way through the rows.
        app().state().store.setConnectionOptions({2000, 4});
        dialogs().queueOkCancel(Dialogs::Answer::Ok);
        QCOMPARE(serverExport(path), ExportOutcome::Failed);
        const QStringList texts = dialogs().takeTexts();
        QVERIFY2(texts.size() == 2 && texts.at(1).startsWith(u"Errore non trattato in ImpostaProva  "_s) &&
                     texts.at(1).endsWith(u" non è stato modificato."_s),
                 qPrintable(texts.join(u'|')));
        QCOMPARE(fileBytes(path), first);
    }

    void saveCommand() {
        QVERIFY(startWith(u"570"_s));
        const QString path = m_db->filePath(u"scelto.mdb"_s);
        QVERIFY(QFile(path).open(QIODevice::WriteOnly)); // an existing file
        dialogs().queueSaveFileName(path);
        dialogs().queueYesNo(Dialogs::Answer::Yes);
        dialogs().queueOkCancel(Dialogs::Answer::Ok);
        QVERIFY(trigger(u"Save"_s));
        const QList<ScriptedDialogs::Shown> shown = dialogs().take(); // overwrite question, then deletion warning
        QVERIFY(shown.size() == 4 && shown[1].kind == ScriptedDialogs::Kind::YesNo && shown[2].text.endsWith(path));
        QVERIFY(shown[0].initial + shown[3].text == u"DEMO_570.mdbDatabase registrato in "_s + path &&
                databaseColumn(path, u"select count(*) from nprg570"_s) == QVariantList{2});
    }

    void commandsNeedACompetition() {
        QCOMPARE(uploadTargetFor(u"http://h.example/sub/"_s).host + uploadTargetFor(kBuiltInAddress).userName,
                 u"h.examplesubondawebnt"_s);
        QVERIFY(startWith(QString()) && trigger(u"DepositaOndaweb"_s) && trigger(u"mnuFileSaveAs"_s) &&
                click(u"Form2/Command1_3"_s));
        QCOMPARE(dialogs().takeTexts(), QStringList(3, u"Inserire il numero di prova"_s));
        // A competition made from an invitation is not the service's: nothing is asked or sent.
        app().state().changeCompetition([](Competition& c) { c.number = u"900000"_s; });
        QVERIFY(trigger(u"DepositaOndaweb"_s));
        QCOMPARE(dialogs().takeTexts(),
                 QStringList{u"Questa manifestazione non e' su Ondaweb: salva le iscrizioni come "
                             "file LENEX e inviale all'organizzatore."_s});
    }

    void upload_data() {
        QTest::addColumn<QString>("competition");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("answer");  // at the login window, then to the question
        QTest::addColumn<QString>("message"); // the start of the last message
        QTest::addColumn<bool>("progressOpen");
        QTest::addColumn<int>("held"); // the club's rows the service holds afterwards
        QTest::addColumn<FlowOutcome>("outcome");
        using enum FlowOutcome;
        const QString ok = u"Iscrizioni esportate correttamente"_s;
        // clang-format off
        QTest::newRow("leading zero") << "0570" << "" << "yes" << ok << false << 1 << Done;
        QTest::newRow("login cancelled") << "570" << "" << "cancel" << "" << false << 4 << Cancelled;
        QTest::newRow("no") << "570" << "" << "no" << "" << true << 4 << Cancelled;
        QTest::newRow("ftp refused") << "570" << "ftp&mode=refuse-write" << "yes" << "Error Msg: " << true << 4 << Refused;
        QTest::newRow("import refused") << "570" << "import&mode=error&text=No" << "yes" << "Attenzione: No" << false << 4 << Refused;
        QTest::newRow("no RESPONSE") << "570" << "import&mode=noresponse" << "yes" << kConnectionMessage << true << 2 << Failed;
        QTest::newRow("status KO") << "570" << "import&mode=status" << "yes" << "Errore sul server" << true << 4 << Refused;
        // clang-format on
    }
    void upload() {
        QFETCH(QString, competition);
        QFETCH(QString, fault);
        QFETCH(QString, answer);
        QFETCH(QString, message);
        QFETCH(int, held);
        const QString host = u"127.0.0.%1"_s.arg(QRandomGenerator::global()->bounded(10, 251));
        SimService sim(host, 80, 21);
        if (!sim.isRunning())
            QSKIP("the stand-in cannot listen on ports 80 and 21 (not root?)");
        QVERIFY(startWith(competition, {u"http://"_s + host + u"/"_s}));
        OnlineSession session(app().state(), *app().main());
        sim.control(u"set?request="_s + (fault.isEmpty() ? u"all&mode=normal"_s : fault));
        const QVariantList before = databaseColumn(m_db->path(), u"select nome || soc from nprg570"_s);
        const QString login = answer == u"cancel"_s ? u"cmdCancel"_s : u"cmdOK"_s;
        answerLogin(u"demo"_s, u"1234"_s, login);
        if (login == u"cmdOK"_s)
            dialogs().queueYesNo(answer == u"yes"_s ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        const FlowResult result = session.flows().uploadRegistrations();

        QStringList texts = dialogs().takeTexts();
        QTEST(result.outcome, "outcome");
        // The file server's refusal is the result's own message.
        if (fault.startsWith(u"ftp"_s))
            QCOMPARE(result.message, texts.value(1));
        if (login == u"cmdOK"_s)
            QVERIFY(texts.takeFirst().endsWith(u"corrente.\r\n\r\nVuoi procedere"_s));
        QVERIFY2(message.isEmpty() ? texts.isEmpty() : texts.size() == 1 && texts[0].startsWith(message),
                 qPrintable(texts.join(u'|')));
        auto* progress = find<ProgressWindow>(u"frmCollegamento"_s);
        QTEST(progress && progress->isVisible(), "progressOpen");
        if (fault.startsWith(u"ftp"_s))
            QVERIFY(progress->line(2)->checkState() == Qt::Checked && progress->line(3)->font().bold());
        const QStringList orders = sim.takeRequests().filter(u"putIscrizioni"_s);
        if (held != 4)
            QVERIFY(orders.size() == 1 && orders.at(0).contains(u"ID=570&"_s) &&
                    orders.at(0).endsWith(u"nprova=570"_s));
        QCOMPARE(sim.heldRegistrations(570, u"DEMO"_s), held);
        QCOMPARE(databaseColumn(m_db->path(), u"select nome || soc from nprg570"_s), before);
    }
};

QTEST_MAIN(TestDeposit)
#include "tst_deposit.moc"
