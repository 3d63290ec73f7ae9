#include "AppHarness.h"

#include "app/AboutDialog.h"
#include "app/HelpLinks.h"
#include "app/MainWindow.h"
#include "app/SplashWindow.h"
#include "app/WorkspaceWindow.h"
#include "entry/RegistrationWindow.h"
#include "store/DataSource.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

using namespace onda;

namespace {

QStringList readLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

int count(AppHarness& app, const QString& sql)
{
    DataSource source;
    source.setDatabaseFile(app.state().databasePath);
    source.setRecordSource(sql);
    return source.refresh() ? Store::CountRecords(source) : -1;
}

bool tableExists(AppHarness& app, const QString& table)
{
    DataSource source;
    source.setDatabaseFile(app.state().databasePath);
    source.setRecordSource(table);
    return source.refresh().ok();
}

void run(AppHarness& app, const QString& sql)
{
    const Status status = app.state().store.execute(sql);
    QVERIFY2(status.ok(), qPrintable(sql + QStringLiteral(": ") + status.description));
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void firstStartCreatesDatabaseAndOptions();
    void secondStartOnlyReadsOptions();
    void configOverridesOptionsUser();
    void debugModeAnnouncesBindingOnce();
    void noProgramDirectoryEndsAtOnce();
    void menuItems_data();
    void menuItems();
    void toolBarButtons();
    void reinitialisationAnsweredNo_data();
    void reinitialisationAnsweredNo();
    void reinitialisationDropsVisibleCompetitionsOnly();
    void reinitialisationSkipsRowWithoutNumber();
    void positionRestoredAndSaved();
    void minimisedCloseKeepsStoredPosition();
    void windowArrangement();
    void closedWorkspaceComesBack();
    void helpLinks();
    void splashAndAboutTexts();
    void controlsAreNamedForScreenReaders();

private:
    std::unique_ptr<AppHarness> m_app;
};

void TestMainWindow::cleanup()
{
    if (m_app) {
        const QString problems = m_app->dialogs().problems();
        m_app.reset();
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }
}

void TestMainWindow::firstStartCreatesDatabaseAndOptions()
{
    m_app = std::make_unique<AppHarness>();
    QVERIFY(!QFile::exists(m_app->file(QStringLiteral("ONDA.mdb"))));
    QVERIFY(m_app->start({QStringLiteral("http://127.0.0.5/")}));

    QVERIFY(QFile::exists(m_app->file(QStringLiteral("ONDA.mdb"))));
    for (const char* table : {"config", "natl", "manif", "categorie", "programmi", "nprg", "Records"})
        QVERIFY2(tableExists(*m_app, QLatin1String(table)), table);

    const QStringList lines = readLines(m_app->file(QStringLiteral("options.txt")));
    QCOMPARE(lines.size(), 11);
    QCOMPARE(lines.at(0), QStringLiteral("Propaganda"));
    QCOMPARE(lines.at(2), QStringLiteral("Master"));
    QCOMPARE(lines.at(4), QStringLiteral("Generico"));
    QCOMPARE(lines.at(7), kServiceMailAddress);
    QCOMPARE(lines.at(8), QString());
    QCOMPARE(lines.at(9), QString());
    QCOMPARE(lines.at(10), QStringLiteral("http://127.0.0.5/"));

    MainWindow* main = m_app->main();
    QVERIFY(main->isVisible());
    QCOMPARE(main->objectName(), QStringLiteral("frmMain"));
    QVERIFY(main->windowTitle().startsWith(QStringLiteral("ONDA_link (iscrizioni on line)")));
    QVERIFY(m_app->workspace()->isVisible());
    QCOMPARE(m_app->workspace()->windowTitle(), QStringLiteral("Scelta circuito e gara"));
    QVERIFY(!main->subWindowOf(m_app->registration())->isVisible());
    QCOMPARE(m_app->state().baseAddress, QStringLiteral("http://127.0.0.5/"));
    QVERIFY(m_app->state().club.isEmpty());
    QCOMPARE(m_app->dialogs().take().size(), 0);
}

void TestMainWindow::secondStartOnlyReadsOptions()
{
    QTemporaryDir dir;
    {
        AppHarness first(dir.path());
        QVERIFY(first.start());
        first.stop();
    }
    // The user types an id and a PIN into the file; the program must use them, never rewrite it.
    const QString path = dir.filePath(QStringLiteral("options.txt"));
    QStringList lines = readLines(path);
    QCOMPARE(lines.size(), 11);
    lines[8] = QStringLiteral("UTENTE9");
    lines[9] = QStringLiteral("1234, commento");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    }
    const QByteArray before = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();

    m_app = std::make_unique<AppHarness>(dir.path());
    QVERIFY(m_app->start());
    QCOMPARE(m_app->state().userId, QStringLiteral("UTENTE9"));
    QCOMPARE(m_app->state().pin, QStringLiteral("1234"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TestMainWindow::configOverridesOptionsUser()
{
    QTemporaryDir dir;
    {
        AppHarness first(dir.path());
        QVERIFY(first.start());
        run(first, QStringLiteral("insert into config (societa, userid, password) values ('ABC', 'U1', 'P1')"));
        first.stop();
    }
    QFile f(dir.filePath(QStringLiteral("options.txt")));
    QVERIFY(f.remove());
    {
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Propaganda\n2 35\nMaster\n2 35\nGenerico\n2 35\n\nx@y\nUTENTE9\n9999\nhttp://a/\n");
    }
    m_app = std::make_unique<AppHarness>(dir.path());
    QVERIFY(m_app->start());
    QCOMPARE(m_app->state().club, QStringLiteral("ABC"));
    QCOMPARE(m_app->state().userId, QStringLiteral("U1"));
    QCOMPARE(m_app->state().pin, QStringLiteral("P1"));
    QCOMPARE(m_app->workspace()->findChild<QLabel*>(QStringLiteral("soc"))->text(), QStringLiteral("ABC"));
}

void TestMainWindow::debugModeAnnouncesBindingOnce()
{
    m_app = std::make_unique<AppHarness>();
    QVERIFY(m_app->start({QStringLiteral("debug")}));
    QCOMPARE(m_app->dialogs().takeTexts(), QStringList{QStringLiteral("imposto dbases")});
    QCOMPARE(m_app->state().baseAddress, kBuiltInAddress);
    QVERIFY(m_app->state().store.debugMode());
}

void TestMainWindow::noProgramDirectoryEndsAtOnce()
{
    QTemporaryDir dir;
    m_app = std::make_unique<AppHarness>(dir.path());
    QFile::remove(dir.filePath(QStringLiteral("ONDA_link")));
    m_app->options().environment->pathVariable = QStringLiteral("/nonexistent");
    QVERIFY(!m_app->start());
    const QList<ScriptedDialogs::Shown> shown = m_app->dialogs().take();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).text, QStringLiteral("Il programma non e' in una directory corretta"));
    QCOMPARE(shown.at(0).icon, Dialogs::Icon::None);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("ONDA.mdb"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("options.txt"))));
}

void TestMainWindow::menuItems_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");

    const struct {
        const char *menu, *name, *caption;
    } items[] = {
        {"Salva", "mnuFileSaveAs", "Come file Access"},
        {"Salva", "SaveAsText", "Come file di testo (QVASCA)"},
        {"Salva", "SaveAsExcel", "Come File Excel"},
        {"mnuFile", "mnuFilePrintPreview", "Anteprima di stampa"},
        {"mnuFile", "mnuFilePrint", "Stampa iscrizioni"},
        {"mnuFile", "mnuFileSend", "Invia e-mail..."},
        {"mnuFile", "Reinizializza", "Reinizializza database"},
        {"mnuFile", "mnuFileExit", "Uscita"},
        {"mnuView", "DataBaseAtleti", "DataBase Atleti"},
        {"mnuView", "EsaminaIscrizioni", "Iscrizioni"},
        {"mnuView", "ElencoGare", "Elenco gare"},
        {"mnuView", "CAtegorie", "Categorie"},
        {"agg", "VerificaGare", "Verifica gare definite sul Ondaweb"},
        {"agg", "sport", "Aggiorna database da Ondaweb"},
        {"agg", "DepositaOndaweb", "Deposita le tue iscrizioni su Ondaweb"},
        {"agg", "ControllaIscrizioni", "Controlla iscrizioni su Ondaweb"},
        {"mnuWindow", "mnuWindowNewWindow", "&New Window"},
        {"mnuWindow", "mnuWindowCascade", "&Cascade"},
        {"mnuWindow", "mnuWindowTileHorizontal", "Tile &Horizontal"},
        {"mnuWindow", "mnuWindowTileVertical", "Tile &Vertical"},
        {"mnuWindow", "mnuWindowArrangeIcons", "&Arrange Icons"},
        {"mnuHelp", "HelpIstruzioni", "&Istruzioni"},
        {"mnuHelp", "HomePageONDA_link", "Home Page ONDA_link"},
        {"mnuHelp", "HomePageOndaweb", "Home Page Ondaweb"},
        {"mnuHelp", "mnuHelpAbout", "&About "},
        {"menugrid", "atleta", "Atleta"},
        {"menugrid", "modificaiscrizione", "Modifica Iscrizione"},
        {"menugrid", "cancellaiscrizione", "Cancella Iscrizione"},
    };
    for (const auto& item : items)
        QTest::newRow(item.name) << item.menu << item.name << item.caption;
}

void TestMainWindow::menuItems()
{
    QFETCH(QString, menu);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    m_app = std::make_unique<AppHarness>();
    QVERIFY(m_app->start());
    auto* owner = m_app->main()->findChild<QMenu*>(menu);
    QVERIFY(owner);
    QAction* found = nullptr;
    for (QAction* a : owner->actions()) {
        if (a->objectName() == name)
            found = a;
    }
    QVERIFY2(found, "item not in its menu");
    QCOMPARE(found->text(), caption);
}

void TestMainWindow::toolBarButtons()
{
    m_app = std::make_unique<AppHarness>();
    QVERIFY(m_app->start());
    MainWindow* main = m_app->main();

    const QStringList bars{QStringLiteral("&File"), QStringLiteral("Esamina"), QStringLiteral("Aggiornamenti"),
                           QStringLiteral("&Window"), QStringLiteral("&Help")};
    QStringList shown;
    for (QAction* a : main->menuBar()->actions())
        shown << a->text();
    QCOMPARE(shown, bars); // the pop-up menu "menugrid" is not in the bar

    const QList<QPair<QString, QString>> buttons{{"Open", "Camnbio programma"},
                                                 {"Save", "Salvataggio sessione"},
                                                 {"Print", "Stampa"},
                                                 {"Atleti", "Analizza Data Base Atleti"},
                                                 {"Iscrizioni", "Iscrivi Atleti"},
                                                 {"send", "Invia Messaggio Posta Elettronica"}};
    auto* bar = main->findChild<QToolBar*>(QStringLiteral("tbToolBar"));
    QVERIFY(bar);
    QStringList keys;
    for (QAction* a : bar->actions()) {
        keys << a->objectName();
        QVERIFY(!a->icon().isNull());
    }
    QCOMPARE(keys, QStringList({"Open", "Save", "Print", "Atleti", "Iscrizioni", "send"}));
    for (const auto& [key, tip] : buttons)
        QCOMPARE(main->action(key)->toolTip(), tip);
    QVERIFY(main->findChild<QStatusBar*>(QStringLiteral("sbStatusBar")));

    // "Iscrizioni" on the tool bar presses the workspace's button, as the menu command does.
    int pressed = 0;
    connect(m_app->workspace()->button(2), &QPushButton::clicked, this, [&] { ++pressed; });
    main->action(QStringLiteral("Iscrizioni"))->trigger();
    main->action(QStringLiteral("EsaminaIscrizioni"))->trigger();
    QCOMPARE(pressed, 2);
    int checked = 0;
    connect(m_app->workspace()->button(4), &QPushButton::clicked, this, [&] { ++checked; });
    main->action(QStringLiteral("ControllaIscrizioni"))->trigger();
    QCOMPARE(checked, 1);
}

void TestMainWindow::reinitialisationAnsweredNo_data()
{
    QTest::addColumn<bool>("yesFirst");
    QTest::newRow("No at the first question") << false;
    QTest::newRow("No at the second question") << true;
}

void TestMainWindow::reinitialisationAnsweredNo()
{
    QFETCH(bool, yesFirst);
    m_app = std::make_unique<AppHarness>();
    QVERIFY(m_app->start());
    run(*m_app, QStringLiteral("insert into natl (codatl, nome) values (1, 'ROSSI')"));
    run(*m_app, QStringLiteral("insert into manif ([Numero Prova], userName) values (57, 'U')"));
    run(*m_app, QStringLiteral("SELECT nprg.* INTO nprg57 FROM nprg;"));

    m_app->dialogs().queueAnswer(yesFirst ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    if (yesFirst)
        m_app->dialogs().queueAnswer(Dialogs::Answer::No);
    m_app->main()->action(QStringLiteral("Reinizializza"))->trigger();

    const QList<ScriptedDialogs::Shown> shown = m_app->dialogs().take();
    QCOMPARE(shown.size(), yesFirst ? 2 : 1);
    QCOMPARE(shown.at(0).text, QStringLiteral("Attenzione: questo comando cancella i dati nel database relativi ad "
                                              "atleti, manifestazioni, categorie, programmi gara.\r\n\r\nVuoi "
                                              "procedere ?"));
    QCOMPARE(shown.at(0).kind, ScriptedDialogs::Kind::YesNo);
    QCOMPARE(shown.at(0).defaultAnswer, Dialogs::Answer::No);
    if (yesFirst) {
        QCOMPARE(shown.at(1).text, QStringLiteral("Sicuro ?"));
        QCOMPARE(shown.at(1).defaultAnswer, Dialogs::Answer::No);
    }
    QCOMPARE(count(*m_app, QStringLiteral("natl")), 1);
    QCOMPARE(count(*m_app, QStringLiteral("manif")), 1);
    QVERIFY(tableExists(*m_app, QStringLiteral("nprg57")));
}

void TestMainWindow::reinitialisationDropsVisibleCompetitionsOnly()
{
    m_app = std::make_unique<AppHarness>();
    QVERIFY(m_app->start());
    run(*m_app, QStringLiteral("insert into config (societa, userid, password) values ('ABC', 'U', 'P')"));
    run(*m_app, QStringLiteral("insert into natl (codatl, nome) values (1, 'ROSSI')"));
    run(*m_app, QStringLiteral("insert into manif ([Numero Prova], userName, Data) values (57, 'U', '2026-05-01')"));
    run(*m_app, QStringLiteral("insert into manif ([Numero Prova], userName, Data) values (570, 'V', '2026-06-01')"));
    run(*m_app, QStringLiteral("insert into categorie (manifID, Categoria) values (57, 'RAGAZZI')"));
    run(*m_app, QStringLiteral("insert into programmi (ManifID, gara) values (57, '100 SL')"));
    run(*m_app, QStringLiteral("insert into Records (Codatl, Spec, M, S) values ('1', '100 SL', 1, 5.5)"));
    run(*m_app, QStringLiteral("SELECT nprg.* INTO nprg57 FROM nprg;"));
    run(*m_app, QStringLiteral("SELECT nprg.* INTO nprg570 FROM nprg;"));
    run(*m_app, QStringLiteral("insert into nprg570 (codatl, soc) values (1, 'XYZ')"));

    // As after an off-line opening of one of U's competitions: the workspace sees U's rows only.
    WorkspaceWindow* workspace = m_app->workspace();
    workspace->FillCompetitionGrid();
    QCOMPARE(workspace->competitionGrid()->rowCount(), 2);
    workspace->manifSource().setRecordSource(QStringLiteral("select * from manif where username='U'"));
    QVERIFY(workspace->manifSource().refresh());

    m_app->dialogs().queueAnswer(Dialogs::Answer::Yes);
    m_app->dialogs().queueAnswer(Dialogs::Answer::Yes);
    m_app->main()->action(QStringLiteral("Reinizializza"))->trigger();
    QCOMPARE(m_app->dialogs().take().size(), 2);

    QVERIFY(!tableExists(*m_app, QStringLiteral("nprg57")));
    QVERIFY(tableExists(*m_app, QStringLiteral("nprg570")));
    QCOMPARE(count(*m_app, QStringLiteral("nprg570")), 1);
    for (const char* emptied : {"natl", "manif", "categorie", "programmi"})
        QVERIFY2(count(*m_app, QLatin1String(emptied)) == 0, emptied);
    QCOMPARE(count(*m_app, QStringLiteral("config")), 1);
    QCOMPARE(count(*m_app, QStringLiteral("Records")), 1);
    QVERIFY(tableExists(*m_app, QStringLiteral("nprg")));
    QCOMPARE(workspace->competitionGrid()->rowCount(), 0);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr); // the busy pointer is gone
}

void TestMainWindow::reinitialisationSkipsRowWithoutNumber()
{
    m_app = std::make_unique<AppHarness>();
    QVERIFY(m_app->start());
    run(*m_app, QStringLiteral("insert into manif (userName) values ('U')"));
    m_app->workspace()->manifSource().refresh();
    m_app->dialogs().queueAnswer(Dialogs::Answer::Yes);
    m_app->dialogs().queueAnswer(Dialogs::Answer::Yes);
    m_app->main()->action(QStringLiteral("Reinizializza"))->trigger();
    m_app->dialogs().take();
    // A row with no number must not make the re-initialisation drop the template.
    QVERIFY(tableExists(*m_app, QStringLiteral("nprg")));
    QCOMPARE(count(*m_app, QStringLiteral("manif")), 0);
}

void TestMainWindow::positionRestoredAndSaved()
{
    m_app = std::make_unique<AppHarness>();
    QVERIFY(m_app->start());
    MainWindow* main = m_app->main();
    // Defaults: 1000, 1000, 9045, 9825 twips.
    QCOMPARE(main->pos(), QPoint(67, 67));
    QCOMPARE(main->size(), QSize(603, 655));

    main->move(120, 90);
    main->resize(700, 500);
    QTest::qWait(0);
    main->action(QStringLiteral("mnuFileExit"))->trigger(); // "Uscita"
    QVERIFY(!main->isVisible());
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ONDA_link"),
                       QStringLiteral("ONDA_link"));
    settings.beginGroup(QStringLiteral("Settings"));
    QCOMPARE(settings.value(QStringLiteral("MainWidth")).toString(), QStringLiteral("10500"));
    QCOMPARE(settings.value(QStringLiteral("MainHeight")).toString(), QStringLiteral("7500"));
    QCOMPARE(settings.value(QStringLiteral("MainLeft")).toString(), QStringLiteral("1800"));
    QCOMPARE(settings.value(QStringLiteral("MainTop")).toString(), QStringLiteral("1350"));
    settings.endGroup();
}

void TestMainWindow::minimisedCloseKeepsStoredPosition()
{
    m_app = std::make_unique<AppHarness>();
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ONDA_link"),
                       QStringLiteral("ONDA_link"));
    settings.beginGroup(QStringLiteral("Settings"));
    settings.setValue(QStringLiteral("MainLeft"), QStringLiteral("1500"));
    settings.setValue(QStringLiteral("MainTop"), QStringLiteral("abc"));
    settings.setValue(QStringLiteral("MainWidth"), QStringLiteral("6000"));
    settings.setValue(QStringLiteral("MainHeight"), QStringLiteral("4500"));
    settings.endGroup();
    settings.sync();

    QVERIFY(m_app->start());
    MainWindow* main = m_app->main();
    QCOMPARE(main->pos(), QPoint(100, 67)); // the unreadable top keeps its default
    QCOMPARE(main->size(), QSize(400, 300));

    main->showMinimized();
    QTRY_VERIFY(main->isMinimized());
    m_app->stop();
    settings.sync();
    settings.beginGroup(QStringLiteral("Settings"));
    QCOMPARE(settings.value(QStringLiteral("MainLeft")).toString(), QStringLiteral("1500"));
    QCOMPARE(settings.value(QStringLiteral("MainWidth")).toString(), QStringLiteral("6000"));
}

void TestMainWindow::windowArrangement()
{
    m_app = std::make_unique<AppHarness>();
    QVERIFY(m_app->start());
    MainWindow* main = m_app->main();
    main->resize(900, 700);
    main->showChild(m_app->registration());
    QMdiSubWindow* a = main->subWindowOf(m_app->workspace());
    QMdiSubWindow* b = main->subWindowOf(m_app->registration());

    main->action(QStringLiteral("mnuWindowTileVertical"))->trigger();
    QCOMPARE(a->y(), b->y());
    QVERIFY(a->x() != b->x());
    QCOMPARE(a->height(), b->height());

    main->action(QStringLiteral("mnuWindowTileHorizontal"))->trigger();
    QCOMPARE(a->x(), b->x());
    QVERIFY(a->y() != b->y());
    QCOMPARE(a->width(), b->width());

    main->action(QStringLiteral("mnuWindowCascade"))->trigger();
    QVERIFY(a->pos() != b->pos());

    // The window menu lists the open children.
    QMenu* windows = main->findChild<QMenu*>(QStringLiteral("mnuWindow"));
    emit windows->aboutToShow();
    QStringList titles;
    for (QAction* act : windows->actions())
        titles << act->text();
    QVERIFY(titles.filter(QStringLiteral("Scelta circuito e gara")).size() == 1);
}

void TestMainWindow::closedWorkspaceComesBack()
{
    m_app = std::make_unique<AppHarness>();
    QVERIFY(m_app->start());
    run(*m_app, QStringLiteral("insert into manif ([Numero Prova], userName) values (57, 'U')"));
    MainWindow* main = m_app->main();
    QPointer<WorkspaceWindow> first = main->workspaceWindow();
    main->subWindowOf(first)->close();
    QTRY_VERIFY(first.isNull());

    // The next command that uses the workspace finds it again, in its initial state.
    int pressed = 0;
    main->action(QStringLiteral("EsaminaIscrizioni"))->trigger();
    WorkspaceWindow* again = main->workspaceWindow();
    QVERIFY(again);
    connect(again->button(2), &QPushButton::clicked, this, [&] { ++pressed; });
    main->action(QStringLiteral("EsaminaIscrizioni"))->trigger();
    QCOMPARE(pressed, 1);
    QVERIFY(main->subWindowOf(again)->isVisible());
    QCOMPARE(again->competitionGrid()->rowCount(), 1);
    QCOMPARE(again->findChild<QLabel*>(QStringLiteral("ManifID"))->text(), QString());
}

void TestMainWindow::helpLinks()
{
    m_app = std::make_unique<AppHarness>();
    QVERIFY(m_app->start({QStringLiteral("http://127.0.0.5/prove"), QStringLiteral("club")}));
    QStringList opened;
    m_app->main()->setAddressOpener([&](const QString& address) { opened << address; });
    for (const char* item : {"HelpIstruzioni", "HomePageONDA_link", "HomePageOndaweb"})
        m_app->main()->action(QLatin1String(item))->trigger();
    QCOMPARE(opened.size(), 3);
    QVERIFY(opened.at(0).startsWith(QStringLiteral("file:///")));
    QVERIFY(opened.at(0).endsWith(QStringLiteral("/istruzioni.htm")));
    QVERIFY(!opened.at(0).contains(QStringLiteral("//istruzioni")));
    QCOMPARE(opened.at(1), QStringLiteral("http://127.0.0.5/prove%20club/Ondanet/ONDA_link"));
    QCOMPARE(opened.at(2), QStringLiteral("http://127.0.0.5/prove%20club"));
    QCOMPARE(instructionsAddress(QStringLiteral("/opt/my club/")),
             QStringLiteral("file:///opt/my%20club/istruzioni.htm"));
}

void TestMainWindow::splashAndAboutTexts()
{
    SplashWindow splash;
    splash.setAddress(QStringLiteral("http://x/"));
    const auto text = [&](const char* name) { return splash.findChild<QLabel*>(QLatin1String(name))->text(); };
    QCOMPARE(splash.objectName(), QStringLiteral("frmSplash"));
    QCOMPARE(text("Iscri"), QStringLiteral("Iscrizioni on-line"));
    QCOMPARE(text("lblProductName"), QStringLiteral("ONDA_link"));
    QCOMPARE(text("lblVersion"), QStringLiteral("Version 1.0.15"));
    QCOMPARE(text("lblPlatform"), QStringLiteral("Win 98-NT-2000-ME"));
    QCOMPARE(text("lblWarning"), QStringLiteral("http://x/"));

    AboutDialog about;
    QCOMPARE(about.objectName(), QStringLiteral("frmAbout"));
    QCOMPARE(about.windowTitle(), QStringLiteral("Pre-Tempra, dettagli"));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 1.0.15"));
}

void TestMainWindow::controlsAreNamedForScreenReaders()
{
    m_app = std::make_unique<AppHarness>();
    QVERIFY(m_app->start());
    for (QPushButton* button : m_app->main()->findChildren<QPushButton*>())
        QVERIFY2(!button->text().isEmpty() || !button->accessibleName().isEmpty(), qPrintable(button->objectName()));
    WorkspaceWindow* workspace = m_app->workspace();
    QVERIFY(workspace->findChild<QLabel*>(QStringLiteral("Label3"))->buddy() ==
            workspace->findChild<QLabel*>(QStringLiteral("ManifID")));
    QTableWidget* grid = workspace->competitionGrid();
    QStringList headers;
    for (int c = 0; c < grid->columnCount(); ++c)
        headers << grid->horizontalHeaderItem(c)->text();
    QCOMPARE(headers, QStringList({"Num", "#", "Nome", "Luogo", "Data", "UserName"}));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
