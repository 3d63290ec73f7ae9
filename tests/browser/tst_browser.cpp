// The program's browser against the stand-in service and the help page the build puts beside the program.
#include "SimService.h"
#include "WindowTest.h"

#include "app/BrowserModule.h"
#include "app/MainWindow.h"
#include "app/WorkspaceWindow.h"
#include "browser/BrowserWindow.h"
#include "browser/EngineSetup.h"
#include "core/AppState.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QWebEngineView>

using namespace onda;
using namespace Qt::StringLiterals;

namespace {
constexpr int kLoad = 60000; // the engine's first start on a busy machine
const QString kTimer = u"timer=36000.50"_s;
} // namespace

class TestBrowser : public WindowTest {
    Q_OBJECT
public:
    static void initMain() {
        prepareWebEngine();
        // Linked in, so that the test reaches the window's own class.
        setBrowserFactory(makeBrowserWindow);
    }

private slots:
    void entryPoints_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<QString>("request"); // as the service receives it; empty: refused
        QTest::addColumn<QString>("title");
        // clang-format off
        QTest::newRow("public list") << "VerificaGare" << "1"
            << "//Ondanet/public/SceltaManifPub.asp?GruppoID=10&" + kTimer << "Manifestazioni";
        QTest::newRow("public list without pin") << "VerificaGare" << "" << "" << "";
        QTest::newRow("club registrations") << "ControllaIscrizioni" << "1"
            << "//ondanet/Manifestazioni/iscrizioni_S.asp?manifID=570&MODE=view&soc=RN%20SUD&" + kTimer
            << "Iscrizioni RN SUD - Trofeo Città di Rivabella";
        QTest::newRow("help page in a folder with blanks") << "HelpIstruzioni" << "1" << "" << "ONDA_link - Istruzioni";
        // clang-format on
    }

    void entryPoints() {
        QFETCH(QString, command);
        QFETCH(QString, pin);
        QFETCH(QString, request);
        QFETCH(QString, title);
        const QString directory = m_root.path() + u"/cartella del club/"_s;
        QVERIFY(QDir().mkpath(directory));
        QFile::copy(QStringLiteral(ONDA_BUILT_HELP_PAGE), directory + u"istruzioni.htm"_s);
        QVERIFY(m_sim.isRunning() && start(directory, {m_sim.baseAddress()}));
        app().state().userId = u"demo"_s;
        app().state().pin = pin;
        app().state().changeCompetition([](Competition& c) { c.number = u"570"_s; });
        app().workspace()->setClubLabel(u"RN SUD"_s);
        m_sim.takeRequests();
        if (title.isEmpty()) { // refused before the heavy window is made
            QVERIFY(trigger(command));
            QCOMPARE(dialogs().takeTexts(),
                     QStringList{"Devi prima impostare UserID e PIN in Opzioni ->E_mail e server"});
            QVERIFY(!window());
            return;
        }
        makeBrowser();
        QVERIFY(trigger(command));
        QTRY_COMPARE_WITH_TIMEOUT(window()->windowTitle(), title, kLoad);
        const QString shown = window()->view()->url().toString(QUrl::FullyEncoded);
        QVERIFY2(history() == QStringList{shown} && shown.endsWith(kTimer), qPrintable(shown));
        if (request.isEmpty()) // the help page comes from the program's folder, whatever it is called
            QVERIFY2(shown.contains("/cartella%20del%20club/istruzioni.htm?timer="), qPrintable(shown));
        else
            QCOMPARE(m_sim.takeRequests().filter(u"timer"_s), QStringList{request});
    }

    void historyAndCaption() {
        QVERIFY(m_sim.isRunning() && start({}, {m_sim.baseAddress()}));
        const QString program = m_sim.baseAddress() + u"Ondanet/ONDA_link"_s;
        const QString home = m_sim.baseAddress();
        // Typed and opened with Enter: as typed, without the timer parameter.
        makeBrowser();
        app().main()->openAddress(home);
        QTRY_COMPARE_WITH_TIMEOUT(window()->windowTitle(), u"Ondaweb"_s, kLoad);
        for (const QString& address : {program, home}) {
            QVERIFY(type(u"frmBrowser/cboAddress"_s, address, true));
            QTRY_COMPARE_WITH_TIMEOUT(box()->itemText(0), address, kLoad);
        }
        QCOMPARE(history(), QStringList({home, program, home + '?' + kTimer}));

        // A slow page: "Working..." while it loads, then its title; chosen from the list it moves to the top, once.
        QVERIFY(!m_sim.control(u"set?request=program&mode=normal&delay=1.5"_s).isEmpty());
        m_sim.takeRequests();
        box()->showPopup();
        QTest::keyClick(box()->view(), Qt::Key_Down);
        QTest::keyClick(box()->view(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(window()->windowTitle(), u"Working..."_s, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(window()->windowTitle(), u"ONDA_link"_s, kLoad);
        QCOMPARE(history().mid(0, 2) << QString::number(history().size()), QStringList({program, home, u"3"_s}));
        QCOMPARE(m_sim.takeRequests().filter(u"ONDA_link"_s), QStringList{"/Ondanet/ONDA_link"});
    }

private:
    BrowserWindow* window() const { return find<BrowserWindow>(u"frmBrowser"_s); }
    QComboBox* box() const { return find<QComboBox>(u"frmBrowser/cboAddress"_s); }
    // The browser, made ahead so that its clock reads 10:00:00.50.
    void makeBrowser() {
        static_cast<BrowserWindow*>(app().main()->child(Child::Browser))->setClock([] { return QTime(10, 0, 0, 500); });
    }
    QStringList history() const {
        QStringList items;
        for (const QStringList& row : rows(u"frmBrowser/cboAddress"_s))
            items << row.value(0);
        return items;
    }
    QTemporaryDir m_root;
    SimService m_sim;
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
