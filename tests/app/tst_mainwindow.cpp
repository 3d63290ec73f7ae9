// The main window, its children and start-up, driven as a user drives them.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "app/WorkspaceWindow.h"
#include "core/Settings.h"
#include "entry/RegistrationWindow.h"

#include <QAction>
#include <QFile>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <limits>

using namespace onda;

namespace {

// The main window's place as stored: left, top, width, height in twips.
const char* const kPositionKeys[] = {"Settings/MainLeft", "Settings/MainTop", "Settings/MainWidth",
                                     "Settings/MainHeight"};

void storePosition(const QStringList& values) {
    const auto settings = openProgramSettings();
    for (int i = 0; i < 4; ++i)
        settings->setValue(QLatin1String(kPositionKeys[i]), values.at(i));
}

QStringList storedPosition() {
    const auto settings = openProgramSettings();
    settings->sync();
    QStringList out;
    for (const char* key : kPositionKeys)
        out << settings->value(QLatin1String(key)).toString();
    return out;
}

} // namespace

class TestMainWindow : public WindowTest {
    Q_OBJECT
private:
    int count(const QString& table) { // -1: no such table
        const QVariant n =
            databaseColumn(app().state().databasePath, QStringLiteral("select count(*) from ") + table).value(0);
        return n == QStringLiteral("!") ? -1 : n.toInt();
    }
    void run(const QString& sql) {
        const Status status = app().state().store.execute(sql);
        QVERIFY2(status.ok(), qPrintable(sql + QStringLiteral(": ") + status.description));
    }

private slots:
    void firstStartCreatesDatabaseAndOptions() {
        QVERIFY(start({}, {QStringLiteral("http://127.0.0.5/")}));
        QVERIFY(QFile::exists(app().file(QStringLiteral("ONDA.mdb"))));
        for (const char* table : {"config", "natl", "manif", "categorie", "programmi", "nprg", "Records"})
            QVERIFY2(count(QLatin1String(table)) == 0, table);

        QCOMPARE(
            fileBytes(app().file(QStringLiteral("options.txt"))),
            "Propaganda\n2 35\nMaster\n2 35\nGenerico\n2 35\n\niscrizioni@ondaweb.example\n\n\nhttp://127.0.0.5/\n");
        QVERIFY(app().main()->isVisible() && app().workspace()->isVisible());
        QVERIFY(!app().main()->subWindowOf(app().registration())->isVisible());
    }

    void optionsFilesRead_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("userId");
        QTest::addColumn<QString>("pin");
        // Line 9 holds the user id, line 10 the PIN; an accented letter must survive every encoding and line end.
        const QByteArray head = "Propaganda\r\n2 35\r\nMaster\r\n2 35\r\nGenerico\r\n2 35\r\n\r\nx@y\r\n";
        const QByteArray lf = QByteArray(head).replace("\r\n", "\n");
        QTest::newRow("the program's own file, id and PIN typed in")
            << lf + "UTENTE9\n1234, commento\nhttp://127.0.0.5/\n"
            << QStringLiteral("UTENTE9") << QStringLiteral("1234");
        QTest::newRow("Windows-1252, CR LF") << head + "Societ\xE0 U\r\n9\r\n"
                                             << QStringLiteral("Società U") << QStringLiteral("9");
        QTest::newRow("UTF-8, LF") << lf + "Societ\xC3\xA0 U\n9\n"
                                   << QStringLiteral("Società U") << QStringLiteral("9");
        QTest::newRow("CR only") << QByteArray(head).replace("\r\n", "\r") + "CR USER\r9\r" << QStringLiteral("CR USER")
                                 << QStringLiteral("9");
    }

    void optionsFilesRead() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("options.txt"));
        QVERIFY(writeFileBytes(path, content) && start(dir.path()));
        QTEST(app().state().userId, "userId");
        QTEST(app().state().pin, "pin");
        QCOMPARE(fileBytes(path), content); // read, never rewritten
    }

    void configOverridesOptionsUser() {
        FixtureDb db;
        QVERIFY(db.insert(QStringLiteral("config"), {{"societa", "ABC"}, {"userid", "U1"}, {"password", "P1"}}));
        QVERIFY(writeFileBytes(db.filePath(QStringLiteral("options.txt")),
                               "Propaganda\n2 35\nMaster\n2 35\nGenerico\n2 35\n\nx@y\nUTENTE9\n9999\nhttp://a/\n"));
        QVERIFY(start(db.dir()));
        QCOMPARE(app().state().club, QStringLiteral("ABC"));
        QCOMPARE(app().state().userId, QStringLiteral("U1"));
        QCOMPARE(app().state().pin, QStringLiteral("P1"));
        QCOMPARE(text(QStringLiteral("Form2/soc")), QStringLiteral("ABC"));
    }

    void debugModeAnnouncesBindingOnce() {
        QVERIFY(start({}, {QStringLiteral("debug")}));
        QCOMPARE(dialogs().takeTexts(), QStringList{QStringLiteral("imposto dbases")});
        QVERIFY(app().state().store.debugMode());
    }

    // The whole-file check waits for the first screen; a damaged file is still told and refuses
    // every write.
    void damagedFileToldAfterFirstScreen() {
        FixtureDb db;
        QVERIFY(db.seedAthletes() && db.damage(QStringLiteral("natl")));
        const QByteArray before = fileBytes(db.path());
        QVERIFY(start(db.dir()) && app().main()->isVisible());
        QCOMPARE(app().state().store.execute(QStringLiteral("insert into config (societa) values ('X')")).number,
                 err::Damaged);
        QStringList told;
        QTRY_VERIFY(!(told += dialogs().takeTexts()).isEmpty());
        QCOMPARE(told.size(), 1);
        QVERIFY(told.first().contains(QStringLiteral(": il file e' danneggiato.")));
        QCOMPARE(fileBytes(db.path()), before);
    }

    void noProgramDirectoryEndsAtOnce() {
        QTemporaryDir dir;
        AppHarness harness(dir.path());
        QFile::remove(dir.filePath(QStringLiteral("ONDA_link")));
        harness.options().environment->pathVariable = QStringLiteral("/nonexistent");
        QVERIFY(!harness.start());
        QCOMPARE(harness.dialogs().takeTexts(),
                 QStringList{QStringLiteral("Il programma non e' in una directory corretta")});
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("ONDA.mdb"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("options.txt"))));
    }

    // The club's database beside a program whose folder the user may not write: a copy of it in
    // the user's folder, or nothing at all; never an empty database without a word.
    void readOnlyProgramFolder() {
        FixtureDb db;
        QTemporaryDir user;
        QVERIFY(db.seedAthletes());
        const QByteArray before = fileBytes(db.path());
        for (const bool proceed : {false, true}) {
            AppHarness harness(db.dir());
            harness.options().environment->directoryWritable = [&](const QString& d) {
                return !db.path().startsWith(d);
            };
            harness.options().environment->userDataDirectory = user.path();
            harness.dialogs().queueYesNo(proceed ? Dialogs::Answer::Yes : Dialogs::Answer::No);
            QCOMPARE(harness.start(), proceed);
            QCOMPARE(
                harness.dialogs().takeTexts().value(0),
                QStringLiteral("Il database %1 non si puo' modificare: la cartella del programma o il file sono in "
                               "sola lettura.\r\nVuoi continuare con una sua copia in %2/? Se rispondi No il "
                               "programma si chiude.")
                    .arg(db.path(), user.path()));
            QCOMPARE(fileBytes(db.path()), before);
            QCOMPARE(QFile::exists(user.filePath(QStringLiteral("ONDA.mdb"))), proceed);
        }
        QCOMPARE(databaseColumn(user.filePath(QStringLiteral("ONDA.mdb")), QStringLiteral("select count(*) from natl")),
                 QVariantList{4});
    }

    // A second start on the same database shows one message and no window; the lock of a program
    // that was killed is taken over.
    void oneProgramPerDatabase() {
        QVERIFY(start());
        AppHarness second(app().programDirectory());
        QVERIFY(!second.start() && !second.main());
        QCOMPARE(second.dialogs().takeTexts(),
                 QStringList{QStringLiteral("ONDA_link e' gia' aperto su questo database.")});
        AppHarness after;
        QList<QByteArray> lock = fileBytes(app().state().databasePath + QStringLiteral(".lock")).split('\n');
        lock[0] = QByteArray::number(std::numeric_limits<int>::max()); // no such process
        QVERIFY(writeFileBytes(after.file(QStringLiteral("ONDA.mdb.lock")), lock.join('\n')));
        QVERIFY(after.start());
        QCOMPARE(fileBytes(after.file(QStringLiteral("ONDA.mdb.lock"))).split('\n').value(0),
                 QByteArray::number(QCoreApplication::applicationPid()));
    }

    void commandsAndCaptions() {
        QVERIFY(start());
        MainWindow* main = app().main();
        // One table of the exact captions, menu by menu, in order (separators left out).
        const QList<QPair<QString, QStringList>> menus{
            {QStringLiteral("Salva"),
             {"Come file Access", "Come file di testo (QVASCA)", "Come File Excel", "Come file LENEX (.lxf)"}},
            {QStringLiteral("mnuFile"),
             {"Salva", "Importa invito LENEX...", "Importa risultati LENEX...", "Dati della societa' per LENEX...",
              "Anteprima di stampa", "Verifica iscrizioni", "Stampa iscrizioni", "Invia e-mail...",
              "Reinizializza database", "Ripristina una copia...", "Uscita"}},
            {QStringLiteral("VerificaIscrizioni"), {"Anteprima", "Stampa", "Come File Excel", "Come file di testo"}},
            {QStringLiteral("mnuView"), {"DataBase Atleti", "Iscrizioni", "Elenco gare", "Categorie"}},
            {QStringLiteral("agg"),
             {"Verifica gare definite sul Ondaweb", "Aggiorna database da Ondaweb",
              "Deposita le tue iscrizioni su Ondaweb", "Controlla iscrizioni su Ondaweb"}},
            {QStringLiteral("mnuHelp"), {"&Istruzioni", "Home Page ONDA_link", "Home Page Ondaweb", "&About "}},
            {QStringLiteral("menugrid"), {"Atleta", "Modifica Iscrizione", "Cancella Iscrizione"}},
        };
        for (const auto& [name, captions] : menus) {
            auto* menu = main->findChild<QMenu*>(name);
            QVERIFY2(menu, qPrintable(name));
            QStringList shown;
            for (QAction* a : menu->actions())
                if (!a->isSeparator())
                    shown << a->text();
            QCOMPARE(shown, captions);
        }
        QStringList bar;
        for (QAction* a : main->menuBar()->actions())
            bar << a->text();
        QCOMPARE(bar, QStringList({"&File", "Esamina", "Aggiornamenti", "&Window", "&Help"}));

        // "Iscrizioni" on the tool bar presses the workspace's button, as the menu command does.
        QSignalSpy pressed(app().workspace()->button(WorkspaceButton::Register), &QPushButton::clicked);
        QVERIFY(trigger(QStringLiteral("Iscrizioni")));
        QCOMPARE(pressed.size(), 1);
        QCOMPARE(dialogs().takeTexts(), QStringList{"Devi selezionare una manifestazione"});
        // "Aggiorna database da Ondaweb" refreshes the list, as the workspace's button does.
        app().workspace()->setServicePort(nullptr);
        QSignalSpy refreshed(app().workspace()->button(WorkspaceButton::RefreshList), &QPushButton::clicked);
        QVERIFY(trigger(QStringLiteral("sport")) && refreshed.size() == 1);
        QVERIFY(!main->findChild<QAction*>(QStringLiteral("mnuWindowNewWindow")) &&
                !main->findChild<QAction*>(QStringLiteral("Open")));
    }

    void reinitialisation_data() {
        QTest::addColumn<QString>("answers");
        QTest::newRow("No at the first question") << "N";
        QTest::newRow("No at the second question") << "YN";
        QTest::newRow("Yes twice") << "YY";
    }

    void reinitialisation() {
        QFETCH(QString, answers);
        QVERIFY(start());
        for (const char* sql : {"insert into config (societa, userid, password) values ('ABC', 'U', 'P')",
                                "insert into natl (codatl, nome) values (1, 'ROSSI')",
                                "insert into manif ([Numero Prova], userName, Data) values (57, 'U', '2026-05-01')",
                                "insert into manif ([Numero Prova], userName, Data) values (570, 'V', '2026-06-01')",
                                // No number: must not drop the template.
                                "insert into manif (userName) values ('U')",
                                "insert into categorie (manifID, Categoria) values (57, 'RAGAZZI')",
                                "insert into programmi (ManifID, gara) values (57, '100 SL')",
                                "insert into Records (Codatl, Spec, M, S) values ('1', '100 SL', 1, 5.5)",
                                "SELECT nprg.* INTO nprg57 FROM nprg;", "SELECT nprg.* INTO nprg570 FROM nprg;",
                                "insert into nprg570 (codatl, soc) values (1, 'XYZ')"})
            run(QLatin1String(sql));
        // As after an off-line opening of one of U's competitions: the workspace sees U's rows only.
        app().state().session.setListedUser(QStringLiteral("U"));

        dialogs().queueYesNo(answers);
        QVERIFY(trigger(QStringLiteral("Reinizializza")));
        const QStringList questions{
            QStringLiteral("?N Attenzione: questo comando cancella i dati nel database relativi ad atleti, "
                           "manifestazioni, categorie, programmi gara.\r\n\r\nVuoi procedere ?"),
            QStringLiteral("?N Sicuro ?")};
        QCOMPARE(dialogs().takeMarked(), questions.mid(0, answers.size()));
        if (answers != QLatin1String("YY")) {
            QCOMPARE(count(QStringLiteral("natl")), 1);
            QCOMPARE(count(QStringLiteral("nprg57")), 0);
            return;
        }

        QCOMPARE(count(QStringLiteral("nprg57")), -1);
        QCOMPARE(count(QStringLiteral("nprg570")), 1);
        for (const char* emptied : {"natl", "manif", "categorie", "programmi", "nprg"})
            QVERIFY2(count(QLatin1String(emptied)) == 0, emptied);
        QCOMPARE(count(QStringLiteral("config")), 1);
        QCOMPARE(count(QStringLiteral("Records")), 1);
        QCOMPARE(rows(QStringLiteral("Form2/MSFlexGrid1")).size(), 0);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr); // the busy pointer is gone
    }

    void storedPositions_data() {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QRect>("shown");
        QTest::addColumn<bool>("minimised"); // closed minimised: the stored place stays
        QTest::newRow("nothing stored: 1000, 1000, 9045, 9825 twips")
            << QStringList() << QRect(67, 67, 603, 655) << false;
        QTest::newRow("readable") << QStringList{"1500", "3000", "6000", "4500"} << QRect(100, 200, 400, 300) << false;
        QTest::newRow("readable, closed minimised")
            << QStringList{"1500", "2500", "6000", "4500"} << QRect(100, 167, 400, 300) << true;
        QTest::newRow("unreadable top") << QStringList{"1500", "abc", "6000", "4500"} << QRect(100, 67, 400, 300)
                                        << false;
        QTest::newRow("huge, negative size, not a number")
            << QStringList{"1e300", "-99999999999", "-6000", "nan"} << QRect(67, 67, 603, 655) << false;
        QTest::newRow("on no screen") << QStringList{"900000", "900000", "6000", "4500"} << QRect(67, 67, 400, 300)
                                      << false;
    }

    void storedPositions() {
        QFETCH(QStringList, stored);
        QFETCH(bool, minimised);
        QTemporaryDir dir;
        AppHarness harness(dir.path()); // its settings folder is in force from here on
        if (!stored.isEmpty())
            storePosition(stored);
        QVERIFY(harness.start());
        MainWindow* main = harness.main();
        QTEST(QRect(main->pos(), main->size()), "shown");
        if (minimised) {
            main->showMinimized();
            QTRY_VERIFY(main->isMinimized());
            harness.stop();
            QCOMPARE(storedPosition(), stored);
            return;
        }
        // Moved and resized, then "Uscita": the place of the moment is stored.
        main->move(120, 90);
        main->resize(700, 500);
        QTest::qWait(0);
        main->action(QStringLiteral("mnuFileExit"))->trigger();
        QVERIFY(!main->isVisible());
        QCOMPARE(storedPosition(), QStringList({"1800", "1350", "10500", "7500"}));
    }

    void closedChildrenComeBackBound() {
        QVERIFY(start());
        run(QStringLiteral("insert into manif ([Numero Prova], userName) values (57, 'U')"));
        run(QStringLiteral("SELECT nprg.* INTO nprg57 FROM nprg;"));
        run(QStringLiteral("insert into nprg57 (codatl, nome, soc) values (1, 'ROSSI', 'ABC')"));
        MainWindow* main = app().main();
        QPointer<WorkspaceWindow> first = main->workspaceWindow();
        main->subWindowOf(first)->close();
        QTRY_VERIFY(first.isNull());

        // The next command that uses the workspace finds it again, in its initial state.
        QVERIFY(trigger(QStringLiteral("EsaminaIscrizioni")));
        QCOMPARE(dialogs().takeTexts(),
                 QStringList{"Devi selezionare una manifestazione"}); // a fresh list: no selection
        WorkspaceWindow* again = main->workspaceWindow();
        QVERIFY(again && main->subWindowOf(again)->isVisible());
        QCOMPARE(rows(QStringLiteral("Form2/MSFlexGrid1")).size(), 1);
        QCOMPARE(text(QStringLiteral("Form2/ManifID")), QString());

        // The workspace shows the competition the program holds as soon as it changes.
        app().state().changeCompetition([](Competition& c) {
            c.number = QStringLiteral("57");
            c.name = QStringLiteral("Trofeo");
            c.registrationCount = QStringLiteral("3");
        });
        QCOMPARE(text(QStringLiteral("Form2/ManifID")), QStringLiteral("57"));
        QCOMPARE(text(QStringLiteral("Form2/Label4_2")), QStringLiteral("Trofeo"));

        // A registration window the user closed comes back bound to the open competition's table,
        // its fields read and none of its rows, which every club's registrations fill.
        QPointer<RegistrationWindow> registration = main->registrationWindow();
        main->showChild(registration);
        main->subWindowOf(registration)->close();
        QTRY_VERIFY(registration.isNull());
        RegistrationWindow* reborn = main->registrationWindow();
        QVERIFY(reborn->registrations().isOpen());
        QVERIFY(reborn->registrations().recordSource().contains(QStringLiteral("nprg57")));
        QVERIFY(reborn->registrations().fieldIndex(QStringLiteral("OrdineInserimento")) >= 0);
        QCOMPARE(reborn->registrations().rowCount(), 0);

        // Closed and reopened, the workspace shows what the program holds, not its first texts.
        QPointer<WorkspaceWindow> second = again;
        main->subWindowOf(second)->close();
        QTRY_VERIFY(second.isNull());
        QVERIFY(main->workspaceWindow());
        QCOMPARE(text(QStringLiteral("Form2/ManifID")), QStringLiteral("57"));
        QCOMPARE(text(QStringLiteral("Form2/niscrizioni")), QStringLiteral("3"));
    }

    void helpLinks() {
        QVERIFY(start({}, {QStringLiteral("http://127.0.0.5/prove"), QStringLiteral("club")}));
        QStringList opened;
        app().main()->setAddressOpener([&](const QString& address) { opened << address; });
        // Without its page the help says which file it misses, in the program's language.
        QVERIFY(trigger(QStringLiteral("HelpIstruzioni")));
        const QStringList said = dialogs().takeTexts();
        QVERIFY(said.size() == 1 && said.first().startsWith(QStringLiteral("La pagina delle istruzioni non c'e'")) &&
                said.first().contains(QStringLiteral("istruzioni.htm")) && opened.isEmpty());
        QFile page(app().file(QStringLiteral("istruzioni.htm")));
        QVERIFY(page.open(QIODevice::WriteOnly) && page.write("<html></html>") > 0);
        page.close();
        for (const char* item : {"HelpIstruzioni", "HomePageONDA_link", "HomePageOndaweb"})
            QVERIFY(trigger(QLatin1String(item)));
        QCOMPARE(opened.size(), 3);
        QVERIFY(opened.at(0).startsWith(QStringLiteral("file:///")));
        QVERIFY(opened.at(0).endsWith(QStringLiteral("/istruzioni.htm")));
        QVERIFY(!opened.at(0).contains(QStringLiteral("//istruzioni")));
        QCOMPARE(opened.at(1), QStringLiteral("http://127.0.0.5/prove%20club/Ondanet/ONDA_link"));
        QCOMPARE(opened.at(2), QStringLiteral("http://127.0.0.5/prove%20club"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
