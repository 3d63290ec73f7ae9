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

#include <QFileInfo>
#include <QMdiSubWindow>
#include <QTableWidget>

using namespace onda;

class TestOnline : public WindowTest {
    Q_OBJECT

    bool startOn(SimService& sim) {
        if (!sim.isRunning() || !start(QFileInfo(m_db->path()).path(), {sim.baseAddress()}))
            return false;
        m_session = std::make_unique<OnlineSession>(app().state());
        return true;
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

    void loginOutcomes_data() {
        QTest::addColumn<QString>("fault"); // a control command, or empty
        QTest::addColumn<QString>("pin");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("club");
        // clang-format off
        QTest::newRow("accepted") << QString() << "1234" << "cmdOK" << QString() << "DEMO";
        QTest::newRow("wrong PIN") << QString() << "9999" << "cmdOK" << "Invalid Password, try again!" << QString();
        QTest::newRow("refused") << "set?request=list&mode=error&text=Servizio%20sospeso" << "1234" << "cmdOK"
                                 << "Attenzione: Servizio sospeso" << QString();
        QTest::newRow("cancelled") << QString() << "1234" << "cmdCancel" << QString() << QString();
        // clang-format on
    }
    void loginOutcomes() {
        QFETCH(QString, fault);
        QFETCH(QString, pin);
        QFETCH(QString, message);
        QFETCH(QString, club);
        SimService sim;
        QVERIFY(startOn(sim));
        if (!fault.isEmpty())
            sim.control(fault);
        QFETCH(QString, button);
        answerLogin(QStringLiteral("demo club"), pin, button);
        if (!message.isEmpty()) // the window stays open after a refusal: the user gives up
            answerLogin(QStringLiteral("demo club"), pin, QStringLiteral("cmdCancel"));
        QCOMPARE(m_session->login(), !club.isEmpty());
        QCOMPARE(app().state().club, club);
        QCOMPARE(dialogs().takeTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        // A user id with blanks is kept whole in the options.
        QCOMPARE(m_db->column(QStringLiteral("select societa || '/' || userid from config")),
                 club.isEmpty() ? QVariantList() : QVariantList{club + QStringLiteral("/demo club")});
        QVERIFY(!m_session->loginWindow()->isVisible());
    }

    // On-line from the workspace: the list, the mode window, the import, then the registrations.
    void openingThroughTheWorkspace() {
        SimService sim;
        QVERIFY(startOn(sim));
        answerLogin();
        QVERIFY(click(QStringLiteral("Form2/Command1_0"))); // "Aggiorna lista da Ondaweb"
        // Ordered by date, shown as the service sent it.
        const QList<QStringList> grid = rows(QStringLiteral("Form2/MSFlexGrid1"));
        QCOMPARE(grid.size(), 3);
        QCOMPARE(grid.at(0).at(0) + u' ' + grid.at(0).at(4), QStringLiteral("57 01/02/2026"));
        QCOMPARE(grid.at(2).at(2), QStringLiteral("Meeting di Primavera"));
        whenModal(QStringLiteral("frmModalita"), [](QWidget* window) {
            window->findChild<QAbstractButton*>(QStringLiteral("Option1_0"))->click();
            window->findChild<QAbstractButton*>(QStringLiteral("Command1_0"))->click();
        });
        answerLogin();
        dialogs().queueInput(QStringLiteral("500123"));
        find<QTableWidget>(QStringLiteral("Form2/MSFlexGrid1"))->selectRow(1); // 570
        QVERIFY(click(QStringLiteral("Form2/Command1_2")));
        const QStringList said = dialogs().takeTexts(); // the prompt's words: the flows' test
        QVERIFY(said.size() == 2 &&
                said[0].startsWith(QStringLiteral("Codice provvisorio per D'ANGELO GIULIA (2014)")));
        QCOMPARE(said[1], QStringLiteral("Importazione terminata"));
        QCOMPARE(app().registration()->windowTitle(), QStringLiteral("Iscrizioni DEMO. Numero iscrizioni: 4"));
        QVERIFY(app().main()->subWindowOf(app().registration())->isVisible());
        QCOMPARE(text(QStringLiteral("Form2/ManifID")), QStringLiteral("570"));
        // The login names the club, whatever the list's row said of the user.
        QCOMPARE(text(QStringLiteral("Form2/soc")), QStringLiteral("DEMO"));
        QVERIFY(find<QAbstractButton>(QStringLiteral("Form1/NotaPresente"))->isChecked());
    }
};

QTEST_MAIN(TestOnline)
#include "tst_online.moc"
