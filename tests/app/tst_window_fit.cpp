// Windows that open whole on the screen they are given, and the names a screen reader speaks.
// Run once for each screen size (see CMakeLists.txt).
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "app/WorkspaceWindow.h"
#include "browser/EngineSetup.h"
#include "core/AppState.h"
#include "entry/RegistrationWindow.h"
#include "mail/MailSettingsDialog.h"
#include "ui/GridKeys.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableWidget>

using namespace onda;

Q_DECLARE_METATYPE(onda::Child)

namespace {

QRect onScreen(QWidget* w) {
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

QString spokenName(QWidget* w) {
    QAccessibleInterface* face = w ? QAccessible::queryAccessibleInterface(w) : nullptr;
    return face ? face->text(QAccessible::Name) : QStringLiteral("<missing>");
}

} // namespace

class TestWindowFit : public WindowTest {
    Q_OBJECT
public:
    // The browser's module brings the web engine, which is set up before the application, as the program does.
    static void initMain() { prepareWebEngine(); }

private:
    QRect screenArea() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

private slots:
    void childOpensWhole_data() {
        QTest::addColumn<Child>("which");
        QTest::newRow("workspace") << Child::Workspace;
        QTest::newRow("registration") << Child::Registration;
        QTest::newRow("archive") << Child::Archive;
        QTest::newRow("progress") << Child::Progress;
        QTest::newRow("preview") << Child::Preview;
        QTest::newRow("mail") << Child::Mail;
        QTest::newRow("browser") << Child::Browser;
    }

    void childOpensWhole() {
        QFETCH(Child, which);
        QVERIFY(start());
        MainWindow* main = app().main();
        // A main window as large as the screen lets every child open at its own size.
        main->setGeometry(screenArea().adjusted(8, 40, -8, -8));
        QWidget* child = main->child(which);
        main->showChild(child);
        QMdiSubWindow* sub = main->subWindowOf(child);
        QVERIFY(screenArea().contains(onScreen(sub)));
        QVERIFY2(main->mdiArea()->viewport()->rect().contains(sub->geometry()),
                 qPrintable(QStringLiteral("%1 in %2").arg(sub->width()).arg(main->mdiArea()->viewport()->width())));
        QVERIFY(sub->width() >= sub->minimumSizeHint().width() && sub->height() >= sub->minimumSizeHint().height());
    }

    void registrationInSightAndArrangements() {
        // From the default position: the frame makes room for the window, within the screen.
        QVERIFY(start());
        MainWindow* main = app().main();
        main->showChild(app().registration());
        QVERIFY(screenArea().contains(main->frameGeometry()));
        auto* enrol = app().registration()->findChild<QPushButton*>(QStringLiteral("Iscrivi"));
        QVERIFY(onScreen(main->mdiArea()->viewport()).contains(onScreen(enrol)));

        QMdiSubWindow* a = main->subWindowOf(app().workspace());
        QMdiSubWindow* b = main->subWindowOf(app().registration());
        QVERIFY(trigger(QStringLiteral("mnuWindowTileVertical")) && a->y() == b->y() && a->x() != b->x() &&
                a->height() == b->height());
        QVERIFY(trigger(QStringLiteral("mnuWindowTileHorizontal")) && a->x() == b->x() && a->y() != b->y() &&
                a->width() == b->width());
        // The window menu lists the open children.
        QMenu* windows = main->findChild<QMenu*>(QStringLiteral("mnuWindow"));
        emit windows->aboutToShow();
        QStringList titles;
        for (QAction* act : windows->actions())
            titles << act->text();
        QCOMPARE(titles.filter(QStringLiteral("Scelta circuito e gara")).size(), 1);

        // Cascade: each window moved, none cut below what its controls need.
        for (Child which : {Child::Archive, Child::Mail, Child::Progress, Child::Preview})
            main->showChild(main->child(which));
        QVERIFY(trigger(QStringLiteral("mnuWindowCascade")));
        QSet<QPoint> corners;
        for (QMdiSubWindow* sub : main->mdiArea()->subWindowList()) {
            QVERIFY(sub->width() >= sub->minimumSizeHint().width() && sub->height() >= sub->minimumSizeHint().height());
            corners << sub->pos();
        }
        QCOMPARE(corners.size(), main->mdiArea()->subWindowList().size());
    }

    // Each row names a control by its path, with what a screen reader speaks for it once
    // spokenNames has set the values shown.
    void spokenNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Form1/DBCombo1") << QStringLiteral("Nome dell'atleta");
        QTest::newRow("Form1/Combo1") << QStringLiteral("Sesso (M/F)");
        QTest::newRow("Form1/categoria") << QStringLiteral("Categoria");
        QTest::newRow("Form1/List1") << QStringLiteral("Gara");
        QTest::newRow("frmanag/Combo1") << QStringLiteral("Società");
        QTest::newRow("frmanag/Combo2") << QStringLiteral("Sesso (M/F)");
        QTest::newRow("frmanag/Combo3") << QStringLiteral("Categoria");
        QTest::newRow("Form2/Label4_2") << QStringLiteral("Manifest. TROFEO ROSSI");
        QTest::newRow("Form2/ManifID") << QStringLiteral("ID manif. 57");
        QTest::newRow("frmEmail/Label3") << QStringLiteral("Allegato /tmp/iscrizioni.mdb");
        QTest::newRow("frmEmail/Label2") << QStringLiteral("Riepilogo 3 iscrizioni");
        QTest::newRow("frmCollegamento/Label3") << QStringLiteral("Indirizzo http://127.0.0.5/");
        QTest::newRow("frmMain/tbToolBar") << QStringLiteral("Barra degli strumenti");
        QTest::newRow("frmMailSettings/cboSecurity") << QStringLiteral("Sicurezza");
    }

    void spokenNames() {
        QVERIFY(start());
        MainWindow* main = app().main();
        for (Child which : {Child::Registration, Child::Archive, Child::Mail, Child::Progress})
            main->showChild(main->child(which));
        Competition opened;
        opened.number = QStringLiteral("57");
        opened.name = QStringLiteral("TROFEO ROSSI");
        app().state().setCompetition(opened);
        find<QComboBox>(QStringLiteral("Form1/Combo1"))->setCurrentIndex(0);
        find<QLabel>(QStringLiteral("frmEmail/Label3"))->setText(QStringLiteral("/tmp/iscrizioni.mdb"));
        find<QLabel>(QStringLiteral("frmEmail/Label2"))->setText(QStringLiteral("3 iscrizioni"));
        find<QLabel>(QStringLiteral("frmCollegamento/Label3"))->setText(QStringLiteral("http://127.0.0.5/"));
        MailSettingsDialog settings(MailSettings{}, main);
        settings.show();
        QTEST(spokenName(widget(QString::fromUtf8(QTest::currentDataTag()))), "name");
    }

    void gridKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("menus");
        QTest::newRow("menu key") << int(Qt::Key_Menu) << int(Qt::NoModifier) << 1;
        QTest::newRow("shift F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier) << 1;
        QTest::newRow("F10 alone") << int(Qt::Key_F10) << int(Qt::NoModifier) << 0;
    }

    void gridKeys() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, menus);
        QWidget window;
        auto* grid = new QTableWidget(3, 2, &window);
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        useGridKeys(grid);
        auto* after = new QPushButton(QStringLiteral("dopo"), &window);
        after->move(0, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        grid->setFocus();
        grid->setCurrentCell(2, 1);
        QSignalSpy asked(grid, &QWidget::customContextMenuRequested);
        QTest::keyClick(grid, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(asked.size(), menus);
        if (menus) // on the current cell, where the menu's commands act
            QCOMPARE(grid->indexAt(asked.first().first().toPoint()), grid->currentIndex());
        // Tab leaves the grid in one step.
        QTest::keyClick(grid, Qt::Key_Tab);
        QVERIFY(after->hasFocus());
    }
};

QTEST_MAIN(TestWindowFit)
#include "tst_window_fit.moc"
