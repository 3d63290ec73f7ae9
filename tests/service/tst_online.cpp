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

#include <QCheckBox>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QTableWidget>

using namespace onda;
using namespace Qt::StringLiterals;

// Counts the times a widget is drawn.
class PaintCount : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

class TestOnline : public WindowTest {
    Q_OBJECT

    bool startOn(SimService& sim) {
        if (!sim.isRunning() || !start(QFileInfo(m_db->path()).path(), {sim.baseAddress()}))
            return false;
        m_session = std::make_unique<OnlineSession>(app().state(), *app().main());
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
        answerLogin(u"demo club"_s, pin, button);
        if (!message.isEmpty()) // the window stays open after a refusal: the user gives up
            answerLogin(u"demo club"_s, pin, u"cmdCancel"_s);
        QVERIFY(m_session->login() == !club.isEmpty() && app().state().club == club);
        QCOMPARE(dialogs().takeTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        // A user id with blanks is kept whole in the options.
        QCOMPARE(m_db->column(u"select societa || '/' || userid from config"_s),
                 club.isEmpty() ? QVariantList() : QVariantList{club + u"/demo club"_s});
        QVERIFY(!m_session->loginWindow()->isVisible());
    }

    // While a large answer is read and written the window is drawn, and its progress line counts the lines.
    void progressDrawnWhileALargeAnswerIsRead() {
        SimService sim;
        QVERIFY(sim.answerWith(u"registrations"_s, registrationsAnswer(200000)) && startOn(sim));
        QStringList shown;
        PaintCount paints;
        actWhileWaiting([&] {
            auto* line = app().main()->findChild<QCheckBox*>(u"check1_4"_s);
            if (line && line->text() != shown.value(shown.size() - 1)) {
                shown << line->text();
                line->installEventFilter(&paints);
            }
        });
        answerLogin();
        QVERIFY(m_session->flows().importCompetition(u"570"_s).ok() &&
                dialogs().takeTexts() == QStringList{u"Importazione terminata"_s});
        QVERIFY2(shown.filter(u" righe"_s).size() >= 3 && paints.count >= 3,
                 qPrintable(shown.join(u'|') + u" drawn "_s + QString::number(paints.count)));
    }

    // On-line from the workspace: the list, the mode window, the import, then the registrations.
    void openingThroughTheWorkspace() {
        SimService sim;
        QVERIFY(startOn(sim));
        answerLogin();
        QVERIFY(click(u"Form2/Command1_0"_s)); // "Aggiorna lista da Ondaweb"
        // Ordered by date, shown as the service sent it.
        const QList<QStringList> grid = rows(u"Form2/MSFlexGrid1"_s);
        QVERIFY(grid.size() == 3 && grid.at(0).at(0) + u' ' + grid.at(0).at(4) == u"57 01/02/2026"_s &&
                grid.at(2).at(2) == u"Meeting di Primavera"_s);
        whenModal(u"frmModalita"_s, [](QWidget* window) {
            window->findChild<QAbstractButton*>(u"Option1_0"_s)->click();
            window->findChild<QAbstractButton*>(u"Command1_0"_s)->click();
        });
        answerLogin();
        dialogs().queueInput(u"500123"_s);
        find<QTableWidget>(u"Form2/MSFlexGrid1"_s)->selectRow(1); // 570
        QVERIFY(click(u"Form2/Command1_2"_s));
        const QStringList said = dialogs().takeTexts(); // the prompt's words: the flows' test
        QVERIFY(said.size() == 2 && said[0].startsWith(u"Codice provvisorio per D'ANGELO GIULIA (2014)"_s) &&
                said[1] == u"Importazione terminata"_s);
        QVERIFY(app().registration()->windowTitle() == u"Iscrizioni DEMO. Numero iscrizioni: 4"_s &&
                app().main()->subWindowOf(app().registration())->isVisible());
        // The login names the club, whatever the list's row said of the user.
        QVERIFY(text(u"Form2/ManifID"_s) + u' ' + text(u"Form2/soc"_s) == u"570 DEMO"_s &&
                find<QAbstractButton>(u"Form1/NotaPresente"_s)->isChecked());
        // A competition the service no longer gives leaves no registrations in sight.
        sim.control(u"set?request=competition&mode=error&text=Chiusa"_s);
        answerLogin();
        ServicePort& service = *m_session;
        QVERIFY(service.importCompetition(u"570"_s).outcome == FlowOutcome::Refused &&
                !app().main()->subWindowOf(app().registration())->isVisible());
        QCOMPARE(dialogs().takeTexts(), QStringList{u"Attenzione: Chiusa"_s});
    }
};

QTEST_MAIN(TestOnline)
#include "tst_online.moc"
