// One operation at a time: what a user does while the program waits reaches no window, a quit
// waits for the end, and no save lands on the program's own database.
#include "FixtureDb.h"
#include "SimService.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "core/AppState.h"
#include "core/Dialogs.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>

using namespace onda;
using namespace Qt::StringLiterals;

class TestOperations : public WindowTest {
    Q_OBJECT

    std::unique_ptr<FixtureDb> m_db;

    bool startOn570(const QStringList& arguments = {}) {
        if (!m_db->seedCompetitions() || !m_db->createRegistrationTable(u"570"_s) ||
            !m_db->addRegistration(u"570"_s, 500000, u"ROSSI MARIO"_s, u"DEMO"_s) || !start(m_db->dir(), arguments))
            return false;
        app().state().session.setClub(u"DEMO"_s);
        app().state().changeCompetition([](Competition& c) { c.number = u"570"_s; });
        return true;
    }
    QByteArray databaseDigest() const {
        return QCryptographicHash::hash(fileBytes(m_db->path()), QCryptographicHash::Sha256);
    }

private slots:
    void init() { m_db = std::make_unique<FixtureDb>(); }

    void depositUnderInput_data() {
        QTest::addColumn<QString>("slow");
        QTest::newRow("slow upload") << u"ftp&mode=slow&text=4096"_s;
        QTest::newRow("slow import order") << u"import&mode=normal&delay=1.5"_s;
    }
    void depositUnderInput() {
        QFETCH(QString, slow);
        const QString host = u"127.0.0.%1"_s.arg(QRandomGenerator::global()->bounded(10, 251));
        SimService sim(host, 80, 21);
        if (!sim.isRunning())
            QSKIP("the stand-in cannot listen on ports 80 and 21 (not root?)");
        QVERIFY(startOn570({u"http://"_s + host + u"/"_s}));
        sim.control(u"set?request="_s + slow);
        answerLogin();
        dialogs().queueYesNo(Dialogs::Answer::Yes);
        QSignalSpy closed(app().main(), &MainWindow::closed);
        bool openWhileWaiting = true;
        actWhileWaiting([&] {
            // A second deposit from the workspace's button and by the keyboard, then a quit.
            if (QWidget* deposit = widget(u"Form2/Command1_3"_s))
                QTest::mouseClick(deposit, Qt::LeftButton);
            QTest::keyClick(app().main(), Qt::Key_F, Qt::AltModifier);
            app().main()->close();
            openWhileWaiting = openWhileWaiting && app().main()->isVisible();
        });
        QVERIFY(trigger(u"DepositaOndaweb"_s));
        QVERIFY2(actedWhileWaiting() >= 10, "the service kept the program waiting");
        QVERIFY(openWhileWaiting && closed.isEmpty());
        const QStringList texts = dialogs().takeTexts();
        QVERIFY(texts.size() == 2 && texts.at(1) == u"Iscrizioni esportate correttamente"_s);
        QVERIFY(sim.takeRequests().filter(u"putIscrizioni"_s).size() == 1 &&
                sim.heldRegistrations(570, u"DEMO"_s) == 1);
        // The quit asked for meanwhile is carried out now that the deposit is over.
        QTRY_COMPARE(closed.size(), 1);
    }

    void noSaveOverTheDatabase_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("form"); // how the user names the database
        for (const char* command : {"mnuFileSaveAs", "SaveAsExcel", "SaveAsText"})
            for (const char* form : {"as it is", "through ./ and ..", "through a link"})
                QTest::addRow("%s, %s", command, form) << QString::fromLatin1(command) << QString::fromLatin1(form);
    }
    void noSaveOverTheDatabase() {
        QFETCH(QString, command);
        QFETCH(QString, form);
        QVERIFY(startOn570());
        QString path = m_db->path();
        if (form.startsWith(u"through ./"_s)) {
            path = m_db->dir() + u"/./sub/../ONDA.mdb"_s;
        } else if (form == u"through a link"_s) {
            path = m_db->filePath(u"scelta.mdb"_s);
            QVERIFY(QFile::link(m_db->path(), path));
        }
        const QByteArray before = databaseDigest();
        dialogs().queueSaveFileName(path);
        QVERIFY(trigger(command));
        const QList<ScriptedDialogs::Shown> shown = dialogs().take();
        QVERIFY(shown.size() == 2 &&
                shown.at(1).text == u"Non puoi salvare sul database del programma: scegli un altro nome"_s);
        // The dialog names each filter's patterns once.
        static const QRegularExpression twice(u"(\\([^)]*\\)) \\1"_s);
        QVERIFY2(!twice.match(qtFileFilter(shown.at(0).filter)).hasMatch(),
                 qPrintable(qtFileFilter(shown.at(0).filter)));
        QCOMPARE(databaseDigest(), before);
    }
};

QTEST_MAIN(TestOperations)
#include "tst_operations.moc"
