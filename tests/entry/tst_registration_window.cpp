// The registration window driven as a user drives it, on fixture databases.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "athletes/AthleteCodes.h"
#include "entry/RegistrationWindow.h"
#include "store/DataSource.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>

using namespace onda;

namespace {
using Reg = QVariantList; // a registration of 1990, category RAG, sex M
const QString kCategories = QStringLiteral("M|RAG|1988|1992|$F|ESO|1995|1999|$");

Reg reg(qlonglong code, const QString& name, const QString& soc, const QString& race, double m = 1, double s = 10) {
    return {code, name, 1990, "RAG", soc, "M", race, m, s, "p"};
}
} // namespace

class TestRegistrationWindow : public WindowTest {
    Q_OBJECT
private:
    std::unique_ptr<FixtureDb> m_db;

    // Club ABC, competition 57 with its races; athletes of ABC and of another club.
    void open(const QList<Reg>& rows = {}) {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid());
        QVERIFY(m_db->insert(QStringLiteral("config"), {{QStringLiteral("societa"), QStringLiteral("ABC")}}));
        QVERIFY(m_db->seedEntryCompetition());
        QVERIFY(m_db->insertRows("nprg57",
                                 {"codatl", "nome", "anno", "cat", "soc", "sesso", "spec", "m", "s", "status"}, rows));
        QVERIFY(start(QFileInfo(m_db->path()).absolutePath()));
        Competition c;
        c.number = QStringLiteral("57");
        c.name = QStringLiteral("Trofeo");
        c.maxEntriesPerAthlete = 3;
        c.categoriesText = kCategories;
        app().state().setCompetition(c);
        window()->openOnCompetition();
        QVERIFY(window()->isVisible());
    }
    RegistrationWindow* window() { return app().registration(); }
    QStringList items(const QString& path = QStringLiteral("Form1/List1")) const {
        QStringList out;
        for (const QStringList& row : rows(path))
            out << row.value(0);
        return out;
    }
    void findByCode(const QString& code) { QVERIFY(type(QStringLiteral("Form1/Text2"), code, true)); }
    void chooseRace(const QString& race) {
        const QStringList lines = items();
        const auto line =
            std::find_if(lines.begin(), lines.end(), [&](const QString& l) { return l.section(' ', 0, 0) == race; });
        QVERIFY2(line != lines.end(), qPrintable(race));
        find<QListWidget>(QStringLiteral("Form1/List1"))->setCurrentRow(int(line - lines.begin()));
    }
    // Finds the athlete, chooses the race, types the time and presses "Iscrivi".
    void enter(const QString& code, const QString& race, const QString& time) {
        findByCode(code);
        if (!race.isEmpty())
            chooseRace(race);
        QVERIFY(type(QStringLiteral("Form1/tempo"), time));
        QVERIFY(click(QStringLiteral("Form1/Iscrivi")));
    }
    QVariantList column(const QString& sql) { return m_db->column(sql); }
    int gridRowOf(const QString& name, const QString& race) {
        const QList<QStringList> grid = rows(QStringLiteral("Form1/DBGrid1"));
        for (int r = 0; r < grid.size(); ++r) {
            if (grid[r].value(1) == name && grid[r].value(6) == race)
                return r;
        }
        return -1;
    }

private slots:
    void sameRaceTwiceKeepsOneRow();
    void apostropheEverywhere();
    void provisionalCodes();
    void captionAndGrid();
    void leavingFields();
    void noteOfTheCompetitionShown();
};

void TestRegistrationWindow::sameRaceTwiceKeepsOneRow() {
    open({reg(1003, QStringLiteral("NERI ADA"), QStringLiteral("ABC"), QStringLiteral("50SL"))});
    enter(QStringLiteral("1001"), QStringLiteral("100SL"), QStringLiteral("1:10.00"));
    const QVariant order = column(QStringLiteral("select OrdineInserimento from nprg57 where codatl=1001")).value(0);
    enter(QStringLiteral("1001"), QStringLiteral("100SL"), QStringLiteral("1:05.00"));
    QCOMPARE(dialogs().takeTexts(), QStringList());
    QCOMPARE(m_db->count(QStringLiteral("nprg57"), QStringLiteral("codatl=1001")), 1);
    QCOMPARE(column(QStringLiteral("select OrdineInserimento from nprg57 where codatl=1001")).value(0), order);
    QCOMPARE(column(QStringLiteral("select s from nprg57 where codatl=1001")).value(0).toDouble(), 5.0);
    QCOMPARE(column(QStringLiteral("select S from Records")), QVariantList{5.0});
    QCOMPARE(items().value(1), QStringLiteral("100SL (gia' registrato)"));
    QCOMPARE(find<QListWidget>(QStringLiteral("Form1/List1"))->currentRow(), 1);
    QCOMPARE(app().state().competition().registrationCount, QStringLiteral("2"));
    QCOMPARE(window()->windowTitle(), QStringLiteral("Iscrizioni ABC. Numero iscrizioni: 2"));
    QCOMPARE(rows(QStringLiteral("Form1/DBGrid1")).value(0).value(6), QStringLiteral("100SL")); // newest first
}

void TestRegistrationWindow::apostropheEverywhere() {
    open();
    const QString name = QStringLiteral("D'ANGELO LUCA");
    QVERIFY(type(QStringLiteral("Form1/DBCombo1"), name));
    QCOMPARE(text(QStringLiteral("Form1/Text1_0")), QStringLiteral("1002"));
    QVERIFY(type(QStringLiteral("Form1/DBCombo1"), name, true)); // Enter: the code goes to the code entry
    QCOMPARE(text(QStringLiteral("Form1/Text2")), QStringLiteral("1002"));
    chooseRace(QStringLiteral("100SL"));
    QVERIFY(type(QStringLiteral("Form1/tempo"), QStringLiteral("01:32.52")));
    QVERIFY(click(QStringLiteral("Form1/Iscrivi")));
    QCOMPARE(dialogs().takeTexts(), QStringList());
    QCOMPARE(column(QStringLiteral("select nome from nprg57")), QVariantList{name});
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("codatl=1002")),
             1); // the archive row rewritten, not doubled

    QVERIFY(click(QStringLiteral("Form1/Clear")));
    QCOMPARE(text(QStringLiteral("Form1/Text1_1")), QString());
    const int row = gridRowOf(name, QStringLiteral("100SL"));
    QVERIFY(row >= 0);
    window()->prepareGridMenu(row);
    QCOMPARE(app().main()->action(QStringLiteral("atleta"))->text(), name + QStringLiteral("_100SL"));
    QVERIFY(trigger(QStringLiteral("modificaiscrizione")));
    QCOMPARE(text(QStringLiteral("Form1/Text1_1")), name);
    QCOMPARE(text(QStringLiteral("Form1/Label2_0")), QStringLiteral("100SL"));
    QCOMPARE(text(QStringLiteral("Form1/tempo")), QStringLiteral("1:32.52"));

    dialogs().queueYesNo(Dialogs::Answer::Yes);
    QVERIFY(trigger(QStringLiteral("cancellaiscrizione")));
    QCOMPARE(dialogs().takeTexts(),
             QStringList{QStringLiteral("Sei sicuro di voler cancellare i records selezionati: ") + name +
                         QStringLiteral("_100SL")});
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), 0);
    QCOMPARE(rows(QStringLiteral("Form1/DBGrid1")).size(), 0);
}

void TestRegistrationWindow::provisionalCodes() {
    // "Atleta Nuovo" proposes 500000 when free, else the first free code after it.
    for (const auto& [taken, expected] :
         {std::pair{QList<int>{500001, 500007}, 500000}, {QList<int>{500000, 500001, 500002, 500004}, 500003}}) {
        FixtureDb db;
        for (int code : taken)
            QVERIFY(db.insertRows("natl", {"codatl", "nome"}, {{code, "PROVVISORIO"}}));
        DataSource archive;
        archive.setDatabaseFile(db.path());
        archive.setRecordSource(QStringLiteral("natl"));
        QVERIFY(archive.refresh());
        QCOMPARE(firstFreeProvisionalCode(archive), qlonglong(expected));
    }
}

void TestRegistrationWindow::captionAndGrid() {
    open({reg(1001, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC"), QStringLiteral("100SL"), 1, 32.52),
          reg(1001, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC"), QStringLiteral("200SL")),
          reg(1002, QStringLiteral("D'ANGELO LUCA"), QStringLiteral("ABC"), QStringLiteral("100SL")),
          reg(2001, QStringLiteral("BIANCHI EZIO"), QStringLiteral("XYZ"), QStringLiteral("100SL"))});
    QCOMPARE(window()->windowTitle(), QStringLiteral("Iscrizioni ABC. Numero iscrizioni: 3"));
    const QList<QStringList> grid = rows(QStringLiteral("Form1/DBGrid1"));
    QCOMPARE(grid.size(), 3);
    QCOMPARE(grid.last(), QStringList({"1001", "ROSSI MARIO", "M", "1990", "ABC", "RAG", "100SL", "1", "32.52", "p"}));
    QCOMPARE(items(QStringLiteral("Form1/DBCombo1")), QStringList({"D'ANGELO LUCA", "NERI ADA", "ROSSI MARIO"}));

    // Richiama finds athletes of any club.
    QVERIFY(type(QStringLiteral("Form1/Text2"), QStringLiteral("2001")));
    QVERIFY(click(QStringLiteral("Form1/cmdRichiama")));
    QCOMPARE(text(QStringLiteral("Form1/Text1_1")), QStringLiteral("BIANCHI EZIO"));
}

void TestRegistrationWindow::leavingFields() {
    open();
    window()->window()->activateWindow(); // focus events reach an active window only
    QVERIFY(QTest::qWaitForWindowActive(window()->window()));
    QVERIFY(type(QStringLiteral("Form1/Combo1"), QStringLiteral("m")));
    QVERIFY(type(QStringLiteral("Form1/Text1_3"), QStringLiteral("90")));
    QCOMPARE(text(QStringLiteral("Form1/Combo1")), QStringLiteral("M"));
    find<QWidget>(QStringLiteral("Form1/categoria"))->setFocus();
    QCOMPARE(text(QStringLiteral("Form1/Text1_3")), QStringLiteral("1990"));
    QCOMPARE(text(QStringLiteral("Form1/categoria")), QStringLiteral("RAG"));
}

void TestRegistrationWindow::noteOfTheCompetitionShown() {
    open();
    app().state().userId = QStringLiteral("U");
    QVERIFY(m_db->insertRows("manif", {"Numero Prova", "userName", "Nota"}, {{57, "U", "nota 57"}, {58, "U", {}}}));
    const auto openOn = [this](const char* number) {
        app().state().changeCompetition([number](Competition& c) { c.number = QLatin1String(number); });
        window()->openOnCompetition();
    };
    QVERIFY(click(QStringLiteral("Form1/cmdNote")));
    QCOMPARE(text(QStringLiteral("frmNote/Text1")), QStringLiteral("nota 57"));
    // Left open while 58 is opened: it is not 58's note, and "Registra" must not make it so.
    openOn("58");
    QTRY_VERIFY(!widget(QStringLiteral("frmNote")));
    QVERIFY(click(QStringLiteral("Form1/cmdNote")));
    QCOMPARE(text(QStringLiteral("frmNote/Text1")), QString());
    QVERIFY(type(QStringLiteral("frmNote/Text1"), QStringLiteral("nota 58")));
    QVERIFY(click(QStringLiteral("frmNote/cmdRegistra")));
    QCOMPARE(column(QStringLiteral("select Nota from manif order by [Numero Prova]")),
             QVariantList({"nota 57", "nota 58"}));
    // A competition without its row stores nothing, and the mark still follows what was typed.
    openOn("59");
    QVERIFY(click(QStringLiteral("Form1/cmdNote")));
    QVERIFY(type(QStringLiteral("frmNote/Text1"), QStringLiteral("nota 59")));
    QVERIFY(click(QStringLiteral("frmNote/cmdRegistra")));
    QCOMPARE(m_db->count(QStringLiteral("manif")), 2);
    QVERIFY(find<QCheckBox>(QStringLiteral("Form1/NotaPresente"))->isChecked());
}

QTEST_MAIN(TestRegistrationWindow)
#include "tst_registration_window.moc"
