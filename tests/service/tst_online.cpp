// The link with the service, driven as a user drives it, against the stand-in on loopback.
#include "FixtureDb.h"
#include "SimService.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "core/AppState.h"
#include "entry/RegistrationWindow.h"
#include "service/LoginWindow.h"
#include "service/OnlineSession.h"
#include "store/DataSource.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMap>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableWidget>

using namespace onda;

class TestOnline : public WindowTest {
    Q_OBJECT

private:
    bool startOn(SimService& sim) {
        if (!sim.isRunning())
            return false;
        if (!start(QFileInfo(m_db->path()).path(), {sim.baseAddress()}))
            return false;
        m_session = std::make_unique<OnlineSession>(app().state());
        return true;
    }
    void login(const QString& user, const QString& pin, const QString& button = QStringLiteral("cmdOK")) {
        whenModal(QStringLiteral("frmLogin"), [user, pin, button](QWidget* window) {
            window->findChild<QLineEdit*>(QStringLiteral("txtUserName"))->setText(user);
            window->findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(pin);
            window->findChild<QPushButton*>(button)->click();
        });
    }
    QStringList column(const QString& sql) const {
        QStringList out;
        for (const QVariant& v : m_db->column(sql))
            out << v.toString();
        return out;
    }

    std::unique_ptr<FixtureDb> m_db;
    std::unique_ptr<OnlineSession> m_session;

private slots:
    void init() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid());
    }
    void cleanup() override {
        m_session.reset();
        WindowTest::cleanup();
    }
    void loginOutcomes_data();
    void loginOutcomes();
    void listRefreshedTwiceKeepsEachCompetitionOnce();
    void userIdWithBlanks();
    void importBringsTheCompetition();
    void importTwiceKeepsOtherClubs();
    void refusedCompetitionChangesNothing();
    void serviceDownChangesNothing();
    void openingThroughTheWorkspace_data();
    void openingThroughTheWorkspace();
};

void TestOnline::loginOutcomes_data() {
    QTest::addColumn<QString>("fault"); // a control command, or empty
    QTest::addColumn<QString>("pin");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("club");
    QTest::newRow("accepted") << QString() << "1234"
                              << "cmdOK" << QString() << "DEMO";
    QTest::newRow("wrong PIN") << QString() << "9999"
                               << "cmdOK"
                               << "Invalid Password, try again!" << QString();
    QTest::newRow("refused") << "set?request=list&mode=error&text=Servizio%20sospeso"
                             << "1234"
                             << "cmdOK"
                             << "Attenzione: Servizio sospeso" << QString();
    QTest::newRow("error and OK") << "set?request=list&mode=body&text=ERRORE=No**RESPONSE=OK**SOC=X**"
                                  << "1234"
                                  << "cmdOK"
                                  << "Attenzione: No" << QString();
    QTest::newRow("cancelled") << QString() << "1234"
                               << "cmdCancel" << QString() << QString();
}

void TestOnline::loginOutcomes() {
    QFETCH(QString, fault);
    QFETCH(QString, pin);
    QFETCH(QString, button);
    QFETCH(QString, message);
    QFETCH(QString, club);
    SimService sim;
    QVERIFY(startOn(sim));
    if (!fault.isEmpty())
        sim.control(fault);
    login(QStringLiteral("demo"), pin, button);
    if (!message.isEmpty()) // the window stays open after a refusal: the user gives up
        login(QStringLiteral("demo"), pin, QStringLiteral("cmdCancel"));
    const bool succeeded = m_session->login();

    QCOMPARE(succeeded, !club.isEmpty());
    QCOMPARE(app().state().club, club);
    if (!message.isEmpty())
        QCOMPARE(dialogs().takeTexts(), QStringList{message});
    QCOMPARE(column(QStringLiteral("select societa from config")), club.isEmpty() ? QStringList() : QStringList{club});
    QVERIFY(!m_session->loginWindow()->isVisible());
}

void TestOnline::listRefreshedTwiceKeepsEachCompetitionOnce() {
    SimService sim;
    QVERIFY(startOn(sim));
    for (int i = 0; i < 2; ++i) {
        login(QStringLiteral("demo"), QStringLiteral("1234"));
        m_session->flows().refreshList();
    }
    QCOMPARE(column(QStringLiteral("select [Numero Prova] from manif order by [Numero Prova]")),
             QStringList({"57", "570", "571"}));
    // Ordered by date, shown as the service sent it.
    const QList<QStringList> grid = rows(QStringLiteral("Form2/MSFlexGrid1"));
    QCOMPARE(grid.size(), 3);
    QCOMPARE(grid.at(0).at(0), QStringLiteral("57"));
    QCOMPARE(grid.at(0).at(4), QStringLiteral("01/02/2026"));
    QCOMPARE(grid.at(2).at(2), QStringLiteral("Meeting di Primavera"));
    QCOMPARE(text(QStringLiteral("Form2/soc")), QStringLiteral("DEMO"));
    QCOMPARE(app().state().competition().maxEntriesPerAthlete.toString(), QStringLiteral("2"));
}

void TestOnline::userIdWithBlanks() {
    SimService sim;
    QVERIFY(startOn(sim));
    login(QStringLiteral("demo club"), QStringLiteral("1234"));
    m_session->flows().refreshList();
    const QStringList sent = sim.takeRequests();
    QCOMPARE(sent.size(), 2);
    for (const QString& target : sent)
        QVERIFY2(target.contains(QLatin1String("user=demo%20club")), qPrintable(target));
    QCOMPARE(column(QStringLiteral("select distinct userName from manif")), QStringList{"demo club"});
    QCOMPARE(column(QStringLiteral("select userid from config")), QStringList{"demo club"});
}

void TestOnline::importBringsTheCompetition() {
    SimService sim;
    QVERIFY(startOn(sim));
    login(QStringLiteral("demo"), QStringLiteral("1234"));
    dialogs().queueInput(QStringLiteral("500123")); // the registration that came without a code
    // The progress lines as each dialog opens: at "Codice provvisorio" the four steps before
    // are done and the registrations in progress; at "Importazione terminata" all are done.
    QStringList seen;
    dialogs().onShown = [&seen](const ScriptedDialogs::Shown&) {
        QMap<QString, QChar> looks; // by line, in order
        for (QWidget* w : QApplication::allWidgets()) {
            const auto* box = qobject_cast<QCheckBox*>(w);
            if (box && box->objectName().startsWith(QLatin1String("check1_")) && box->isVisible())
                looks.insert(box->objectName(), box->isChecked()     ? QLatin1Char('x')
                                                : box->font().bold() ? QLatin1Char('>')
                                                                     : QLatin1Char('.'));
        }
        seen << QString(looks.values().constData(), looks.size());
    };
    QVERIFY(m_session->flows().importCompetition(QStringLiteral("570")));
    dialogs().onShown = nullptr;
    QCOMPARE(seen, QStringList({"xxxx>.", "xxxxxx"}));

    const QList<ScriptedDialogs::Shown> shown = dialogs().take();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).text, QStringLiteral("Codice provvisorio"));
    QCOMPARE(shown.at(1).text, QStringLiteral("Importazione terminata"));
    QCOMPARE(m_db->count(QStringLiteral("categorie"), QStringLiteral("manifID=570")), 8);
    QCOMPARE(m_db->count(QStringLiteral("programmi"), QStringLiteral("manifID=570")), 18);
    QCOMPARE(column(QStringLiteral("select codatl from nprg570 order by nome, spec")),
             QStringList({"100311", "500123", "100245", "100245"}));
    QCOMPARE(column(QStringLiteral("select s from nprg570 where spec='100 RA'")), QStringList{"32.1"});
    // Two lines of ROSSI MARIO add him once; the athlete without a code comes in under the typed one.
    QCOMPARE(column(QStringLiteral("select codatl from natl order by nome")),
             QStringList({"100311", "500123", "100245"}));
    const Competition& c = app().state().competition();
    QCOMPARE(c.maxEntriesPerAthlete.toString(), QStringLiteral("3"));
    QCOMPARE(c.registrationCount, QStringLiteral("4"));
    QVERIFY(c.categoriesText.startsWith(QLatin1String("M|Esordienti A|2015|2016|$")));
    QVERIFY(c.notePresent);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestOnline::importTwiceKeepsOtherClubs() {
    SimService sim;
    QVERIFY(startOn(sim));
    QVERIFY(m_db->createRegistrationTable(QStringLiteral("570")));
    QVERIFY(m_db->insert(QStringLiteral("nprg570"), {{QStringLiteral("nome"), QStringLiteral("ALTRO")},
                                                     {QStringLiteral("soc"), QStringLiteral("AQUA")}}));
    for (int i = 0; i < 2; ++i) {
        login(QStringLiteral("demo"), QStringLiteral("1234"));
        dialogs().queueInput(QStringLiteral("500123"));
        QVERIFY(m_session->flows().importCompetition(QStringLiteral("570")));
        dialogs().take();
    }
    QCOMPARE(m_db->count(QStringLiteral("nprg570"), QStringLiteral("soc='DEMO'")), 4);
    QCOMPARE(m_db->count(QStringLiteral("nprg570"), QStringLiteral("soc='AQUA'")), 1);
    QCOMPARE(m_db->count(QStringLiteral("natl")), 3);
}

void TestOnline::refusedCompetitionChangesNothing() {
    SimService sim;
    QVERIFY(startOn(sim));
    sim.control(QStringLiteral("set?request=competition&mode=error&text=Manifestazione%20inesistente"));
    login(QStringLiteral("demo"), QStringLiteral("1234"));
    QVERIFY(!m_session->flows().importCompetition(QStringLiteral("570")));
    QCOMPARE(dialogs().takeTexts(), QStringList{QStringLiteral("Attenzione: Manifestazione inesistente")});
    QCOMPARE(m_db->count(QStringLiteral("categorie")), 0);
    QCOMPARE(m_db->count(QStringLiteral("nprg570")), -1);
    QVERIFY(!app().main()->subWindowOf(app().registration())->isVisible());
}

void TestOnline::serviceDownChangesNothing() {
    SimService sim;
    QVERIFY(startOn(sim));
    login(QStringLiteral("demo"), QStringLiteral("1234"));
    sim.control(QStringLiteral("set?request=competition,categories,races,registrations,note&mode=drop"));
    QVERIFY(!m_session->flows().importCompetition(QStringLiteral("570")));
    QCOMPARE(dialogs().takeTexts(),
             QStringList{QStringLiteral("Errore nel collegamento col server. Per effettuare l'aggiornamento devi "
                                        "essere collegato in Internet")});
    QCOMPARE(m_db->count(QStringLiteral("programmi")), 0);
}

void TestOnline::openingThroughTheWorkspace_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("ON-LINE") << "Option1_0";
    QTest::newRow("OFF-LINE, not on the computer, Yes") << "Option1_1";
}

void TestOnline::openingThroughTheWorkspace() {
    QFETCH(QString, mode);
    SimService sim;
    QVERIFY(startOn(sim));
    login(QStringLiteral("demo"), QStringLiteral("1234"));
    QVERIFY(click(QStringLiteral("Form2/Command1_0"))); // "Aggiorna lista da Ondaweb"
    whenModal(QStringLiteral("frmModalita"), [mode](QWidget* window) {
        window->findChild<QAbstractButton*>(mode)->click();
        window->findChild<QAbstractButton*>(QStringLiteral("Command1_0"))->click();
    });
    login(QStringLiteral("demo"), QStringLiteral("1234"));
    if (mode == QLatin1String("Option1_1"))
        dialogs().queueYesNo(Dialogs::Answer::Yes);
    dialogs().queueInput(QStringLiteral("500123"));
    find<QTableWidget>(QStringLiteral("Form2/MSFlexGrid1"))->selectRow(1); // 570
    QVERIFY(click(QStringLiteral("Form2/Command1_2")));

    QStringList expected{QStringLiteral("Codice provvisorio"), QStringLiteral("Importazione terminata")};
    if (mode == QLatin1String("Option1_1"))
        expected.prepend(QStringLiteral("La manifestazione non esiste sul computer. Devo collegarmi con Ondaweb per "
                                        "leggerne i dati. Devi essere collegato in Internet.\r\n\r\nMi collego ?"));
    QCOMPARE(dialogs().takeTexts(), expected);
    QCOMPARE(app().registration()->windowTitle(), QStringLiteral("Iscrizioni DEMO. Numero iscrizioni: 4"));
    QVERIFY(app().main()->subWindowOf(app().registration())->isVisible());
    QCOMPARE(text(QStringLiteral("Form2/ManifID")), QStringLiteral("570"));
    QVERIFY(find<QAbstractButton>(QStringLiteral("Form1/NotaPresente"))->isChecked());
}

QTEST_MAIN(TestOnline)
#include "tst_online.moc"
