// The competition workspace, the mode window, the note and the competition lists, driven
// as a user drives them on fixture databases.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "app/WorkspaceWindow.h"
#include "core/FlowResult.h"
#include "entry/RegistrationWindow.h"
#include "store/DataSource.h"
#include "store/Database.h"

#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

using namespace onda;
using Answer = Dialogs::Answer;

namespace {

const QString kMissingTable =
    QStringLiteral("La manifestazione non esiste sul computer. Devo collegarmi con Ondaweb "
                   "per leggerne i dati. Devi essere collegato in Internet.\r\n\r\nMi collego ?");

} // namespace

class TestWorkspace : public WindowTest {
    Q_OBJECT
private:
    std::unique_ptr<FixtureDb> m_fixture;

    // Competition 57 of user U (club ABC): three of ABC's registrations and one of another club,
    // two categories, two races; competition 58 of U is listed but never opened on-line.
    void fill(const QString& note, bool withTable = true) {
        FixtureDb& db = *m_fixture;
        QVERIFY(db.isValid());
        QVERIFY(db.insert(QStringLiteral("config"), {{"societa", "ABC"}, {"userid", "U"}, {"password", "1"}}));
        QVERIFY(db.insertRows(
            QStringLiteral("manif"),
            {"Numero Prova", "Nome Manifestazione", "Località", "Data", "userName", "societa",
             "Num Max Iscrizioni per atleta", "Nota"},
            {{57, "Trofeo D'Angelo", "Bari", "2026-05-03", "U", "ABC", 4, note.isNull() ? QVariant() : QVariant(note)},
             {58, "Meeting", "Lecce", "2026-06-01", "U", "ABC"}}));
        QVERIFY(db.insertRows(QStringLiteral("categorie"), {"manifID", "Categoria", "sesso", "AnnoIni", "AnnoFin"},
                              {{57, "RAGAZZI", "M", 2010, 2011}, {57, "JUNIORES", "F", 2008, 2009}}));
        QVERIFY(db.insertRows(QStringLiteral("programmi"),
                              {"ManifID", "OrdineGara", "gara", "Categoria", "Sesso", "Anno"},
                              {{57, 2, "200MI", "JUNIORES", "F", 0}, {57, 1, "100SL", "RAGAZZI", "M", 0}}));
        if (withTable) {
            QVERIFY(db.createRegistrationTable(QStringLiteral("57")));
            QVERIFY(db.insertRows(
                QStringLiteral("nprg57"), {"codatl", "nome", "soc"},
                {{1, "ROSSI", "ABC"}, {1, "D'ANGELO", "ABC"}, {1, "BIANCHI", "XYZ"}, {1, "VERDI", "ABC"}}));
        }
        QVERIFY(start(db.dir()));
    }
    QTableWidget* grid() { return app().workspace()->competitionGrid(); }
    int rowOf(const QString& number) {
        for (int r = 0; r < grid()->rowCount(); ++r)
            if (grid()->item(r, 0)->text() == number)
                return r;
        return -1;
    }
    // The mode window, once open: the option's label clicked (none: no choice), then `button`.
    void answerMode(const char* option, const char* button) {
        whenModal(QStringLiteral("frmModalita"), [option, button](QWidget* w) {
            if (option)
                QTest::mouseClick(w->findChild<QLabel*>(QLatin1String(option)), Qt::LeftButton);
            w->findChild<QPushButton*>(QLatin1String(button))->click();
        });
    }
    // Selects the competition (its number, or "#row") and presses "Iscrizioni", answering the mode window.
    void open(const QString& number, const char* option, const char* button = "Command1_0") {
        grid()->selectRow(number.startsWith(QLatin1Char('#')) ? number.mid(1).toInt() : rowOf(number));
        answerMode(option, button);
        QVERIFY(click(QStringLiteral("Form2/Command1_2")));
    }
    QStringList marks() {
        QStringList out;
        for (const QStringList& row : rows(QStringLiteral("Form2/MSFlexGrid1")))
            out << row.at(1);
        return out;
    }
    bool registrationShown() { return app().main()->subWindowOf(app().registration())->isVisible(); }

private slots:
    void init() { m_fixture = std::make_unique<FixtureDb>(); }
    void offlineOpening_data() {
        QTest::addColumn<QString>("note");
        QTest::addColumn<bool>("present");
        QTest::newRow("blank note") << QStringLiteral("   ") << false;
        QTest::newRow("no note") << QString() << false;
        QTest::newRow("a note") << QStringLiteral(" Arriviamo alle 9 ") << true;
    }

    void offlineOpening() {
        QFETCH(QString, note);
        fill(note);
        open(QStringLiteral("57"), "Label2_1");

        const Competition& c = app().state().competition();
        QCOMPARE(c.number, QStringLiteral("57"));
        QCOMPARE(c.note, note);
        QTEST(c.notePresent, "present");
        QVERIFY(c.maxEntriesPerClub.isNull());
        QCOMPARE(c.maxEntriesPerAthlete.toInt(), 4);
        QCOMPARE(categoriesText(c.categories), QStringLiteral("M|RAGAZZI|2010|2011|$F|JUNIORES|2008|2009|$"));
        QStringList shown;
        for (const char* label : {"Label4_2", "Label4_1", "Label4_4", "ManifID", "soc", "niscrizioni"})
            shown << text(QStringLiteral("Form2/") + QLatin1String(label));
        QCOMPARE(shown, QStringList({"Trofeo D'Angelo", "Bari", "03/05/2026", "57", "ABC", "3"}));
        QCOMPARE(marks(), QStringList({"*", ""}));
        QVERIFY(registrationShown());
        QCOMPARE(app().registration()->windowTitle(), QStringLiteral("Iscrizioni ABC. Numero iscrizioni: 3"));
    }

    void missingRegistrationTable_data() {
        // The import that succeeds runs against the stand-in service in the on-line tests.
        QTest::addColumn<Answer>("answer");
        QTest::newRow("No") << Answer::No;
        QTest::newRow("Yes, import fails") << Answer::Yes;
    }

    void missingRegistrationTable() {
        QFETCH(Answer, answer);
        fill(QString(), false);
        // The import that fails, with the heading the workspace gave the competition before it.
        struct FailingImport : ServicePort {
            AppState* state = nullptr;
            QStringList imported;
            FlowResult importCompetition(const QString& number) override {
                const Competition& c = state->competition();
                imported << QStringList{number, c.name, c.place, c.date}.join(QLatin1Char('/'));
                return FlowResult::failed({});
            }
            FlowResult refreshCompetitionList() override { return {}; }
            FlowResult uploadRegistrations() override { return {}; }
        } service;
        service.state = &app().state();
        const QStringList& imported = service.imported;
        app().main()->workspaceWindow()->setServicePort(&service);
        dialogs().queueYesNo(answer);
        open(QStringLiteral("58"), "Label2_1");
        QCOMPARE(dialogs().takeTexts(), QStringList{kMissingTable});

        QCOMPARE(text(QStringLiteral("Form2/ManifID")), QStringLiteral("58"));
        QCOMPARE(imported, answer == Answer::Yes ? QStringList{"58/Meeting/Lecce/01/06/2026"} : QStringList());
        QVERIFY(!registrationShown());
        QCOMPARE(text(QStringLiteral("Form2/Label4_2")),
                 QString::fromLatin1(answer == Answer::Yes ? "Meeting" : "Procedi con le iscrizioni"));
        QCOMPARE(marks(), QStringList({QString(), QString()}));

        // On-line without an import available: nothing opens and nothing is asked.
        app().main()->workspaceWindow()->setServicePort(nullptr);
        open(QStringLiteral("57"), "Label2_0");
        QCOMPARE(text(QStringLiteral("Form2/ManifID")), QStringLiteral("57"));
        QVERIFY(!registrationShown());
    }

    void cancelLeavesSourcesAlone() {
        // The same competition downloaded under a second user, for club XYZ.
        QVERIFY(
            m_fixture->insert(QStringLiteral("manif"),
                              {{"Numero Prova", 57}, {"Data", "2026-05-03"}, {"userName", "V"}, {"societa", "XYZ"}}));
        fill(QString());
        const QString before = app().registration()->registrations().recordSource();
        open(QStringLiteral("57"), "Label2_1", "Command1_1");
        QCOMPARE(app().registration()->registrations().recordSource(), before);
        QCOMPARE(app().state().session.listedUser(), QString());
        QVERIFY(!registrationShown());
        QCOMPARE(text(QStringLiteral("Form2/ManifID")), QStringLiteral("57"));

        // Opened from V's row, the opening uses V's user and V's club.
        QCOMPARE(grid()->item(1, 5)->text(), QStringLiteral("V")); // ordered by date, then user
        open(QStringLiteral("#1"), "Label2_1");
        QCOMPARE(app().state().userId, QStringLiteral("V"));
        QCOMPARE(app().state().session.listedUser(), QStringLiteral("V")); // what a reinitialisation drops
        QCOMPARE(app().registration()->windowTitle(), QStringLiteral("Iscrizioni XYZ. Numero iscrizioni: 1"));
    }

    // A competition made from an invitation is not on the service: ON-LINE is not offered.
    void invitationOpensOffline() {
        QVERIFY(m_fixture->insert(QStringLiteral("manif"), {{"Numero Prova", 900001}, {"userName", "U"}}) &&
                m_fixture->createRegistrationTable(QStringLiteral("900001")));
        fill(QString());
        bool onlineOffered = true;
        whenModal(QStringLiteral("frmModalita"), [&onlineOffered](QWidget* w) {
            onlineOffered = w->findChild<QRadioButton*>(QStringLiteral("Option1_0"))->isEnabled() ||
                            !w->findChild<QRadioButton*>(QStringLiteral("Option1_1"))->isChecked() ||
                            !w->findChild<QLabel*>(QStringLiteral("MotivoOnLine"));
            w->findChild<QPushButton*>(QStringLiteral("Command1_0"))->click();
        });
        grid()->selectRow(rowOf(QStringLiteral("900001")));
        QVERIFY(click(QStringLiteral("Form2/Command1_2")) && !onlineOffered && registrationShown());
    }

    void keyboardAndMouse() {
        fill(QString());
        // Every column is seen whole at the window's size, the user name last.
        const QHeaderView* header = grid()->horizontalHeader();
        QTRY_VERIFY(grid()->isVisible());
        QVERIFY(header->sectionViewportPosition(5) + header->sectionSize(5) <= grid()->viewport()->width());
        QVERIFY(header->sectionSize(5) > header->fontMetrics().horizontalAdvance(QStringLiteral("UserName")));
        // Enter on a row opens it as the button does; OK with no option chosen means off-line.
        grid()->selectRow(rowOf(QStringLiteral("57")));
        answerMode(nullptr, "Command1_0");
        QTest::keyClick(grid(), Qt::Key_Return);
        QVERIFY(registrationShown());
        QCOMPARE(text(QStringLiteral("Form2/niscrizioni")), QStringLiteral("3"));

        // A double click on a row does the same: cancelled here, the mark is gone.
        answerMode(nullptr, "Command1_1");
        const QRect cell = grid()->visualRect(grid()->model()->index(rowOf(QStringLiteral("58")), 2));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(text(QStringLiteral("Form2/ManifID")), QStringLiteral("58"));
        QCOMPARE(marks(), QStringList({QString(), QString()}));
    }

    void checkAddress() {
        fill(QString());
        QStringList opened;
        app().main()->setAddressOpener([&opened](const QString& address) { opened << address; });
        QVERIFY(trigger(QStringLiteral("ControllaIscrizioni")));
        QCOMPARE(dialogs().takeTexts(), QStringList{"Devi prima selezionare una gara"});
        QVERIFY(opened.isEmpty());

        QVERIFY(m_fixture->exec(QStringLiteral("update manif set societa='A B' where [Numero Prova]=57")));
        open(QStringLiteral("57"), "Label2_1");
        QVERIFY(click(QStringLiteral("Form2/Command1_4")));
        QCOMPARE(opened, QStringList{app().state().baseAddress +
                                     "/ondanet/Manifestazioni/iscrizioni_S.asp?manifID=57&MODE=view&soc=A%20B"});
    }

    void noteWrittenAndKept() {
        fill(QString());
        open(QStringLiteral("57"), "Label2_1");
        const auto stored = [this] {
            return m_fixture->column(QStringLiteral("select Nota from manif where [Numero Prova]=57"));
        };

        const auto write = [this](const QString& note, const char* button) {
            app().main()->showChild(app().main()->child(Child::Note));
            QCOMPARE(text(QStringLiteral("frmNote/Text1")), app().state().competition().note);
            QVERIFY(type(QStringLiteral("frmNote/Text1"), note));
            QVERIFY(click(QStringLiteral("frmNote/") + QLatin1String(button)));
            QTRY_VERIFY(!widget(QStringLiteral("frmNote")));
        };
        write(QStringLiteral("Arriviamo l'ultimo giorno"), "cmdRegistra");
        QCOMPARE(stored(), QVariantList{"Arriviamo l'ultimo giorno"});
        QVERIFY(app().state().competition().notePresent);
        write(QStringLiteral("scartata"), "cmdCancel");
        QCOMPARE(stored(), QVariantList{"Arriviamo l'ultimo giorno"});
        write(QStringLiteral("   "), "cmdRegistra");
        QCOMPARE(stored(), QVariantList{"   "});
        QVERIFY(!app().state().competition().notePresent);

        // Another program holds the file: the write fails, silently, and the note in use stays the stored one.
        Database other;
        QVERIFY(other.open(m_fixture->path()) && other.execute(QStringLiteral("BEGIN IMMEDIATE")));
        write(QStringLiteral("bloccata"), "cmdRegistra");
        QVERIFY(other.execute(QStringLiteral("ROLLBACK")));
        QCOMPARE(stored(), QVariantList{"   "});
        QCOMPARE(app().state().competition().note, QStringLiteral("   "));
    }

    // The number, date and user name columns fit their widest text, wherever it is in a long list.
    void listColumnsFitTheirText() {
        QList<QVariantList> listed;
        for (int n = 1; n <= 300; ++n)
            listed.append({n, QStringLiteral("2026-01-%1").arg(n % 28 + 1, 2, 10, QLatin1Char('0')), "U"});
        listed.append({2147483647, "2026-12-31", "WWWWWWWWWWWWWWW"});
        QVERIFY(m_fixture->insertRows(QStringLiteral("manif"), {"Numero Prova", "Data", "userName"}, listed));
        QVERIFY(start(m_fixture->dir()));
        QTRY_VERIFY(grid()->isVisible());
        const int last = grid()->rowCount() - 1;
        QCOMPARE(grid()->item(last, 0)->text(), QStringLiteral("2147483647"));
        for (const int column : {0, 4, 5}) {
            const int needed = grid()->fontMetrics().horizontalAdvance(grid()->item(last, column)->text());
            QVERIFY2(grid()->columnWidth(column) > needed, qPrintable(QString::number(column)));
        }
    }

    void competitionLists() {
        fill(QString());
        app().state().session.setClub({});
        QVERIFY(trigger(QStringLiteral("ElencoGare")) && trigger(QStringLiteral("CAtegorie")));
        QCOMPARE(dialogs().takeTexts(),
                 QStringList({"Selezionare una manifestazione", "Selezionare una manifestazione"}));
        app().state().session.setClub(QStringLiteral("ABC"));
        QVERIFY(trigger(QStringLiteral("ElencoGare")));
        QCOMPARE(dialogs().takeTexts(), QStringList{"Selezionare la prova prescelta"});
        QVERIFY(!widget(QStringLiteral("frmElencoGare")));

        open(QStringLiteral("57"), "Label2_1");
        QVERIFY(trigger(QStringLiteral("ElencoGare")));
        QCOMPARE(rows(QStringLiteral("frmElencoGare/DBGrid1")),
                 QList<QStringList>({{"1", "100SL", "RAGAZZI", "M", "0"}, {"2", "200MI", "JUNIORES", "F", "0"}}));
        QVERIFY(trigger(QStringLiteral("CAtegorie")));
        QCOMPARE(rows(QStringLiteral("frmCategorie/DBGrid1")),
                 QList<QStringList>({{"RAGAZZI", "M", "2010", "2011"}, {"JUNIORES", "F", "2008", "2009"}}));
        QVERIFY(click(QStringLiteral("frmCategorie/cmdChiudi")));
        QTRY_VERIFY(!widget(QStringLiteral("frmCategorie")));
    }
};

QTEST_MAIN(TestWorkspace)
#include "tst_workspace.moc"
