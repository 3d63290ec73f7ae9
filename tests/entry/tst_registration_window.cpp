// The registration window driven as a user drives it, on fixture databases.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "athletes/AthleteCodes.h"
#include "entry/RegistrationWindow.h"
#include "store/DataSource.h"

#include <QAction>
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
    void open(const QList<Reg>& rows = {}, const QVariant& limit = QVariant(3),
              const QString& categories = kCategories) {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid());
        QVERIFY(m_db->insert(QStringLiteral("config"), {{QStringLiteral("societa"), QStringLiteral("ABC")}}));
        QVERIFY(m_db->insertRows("programmi", {"ManifID", "gara", "Categoria", "Sesso", "Anno"},
                                 {{57, "100SL", "RAG", "M", 0},
                                  {57, "200SL", "RAG", "M", 0},
                                  {57, "100FA", "RAG", "M", 0},
                                  {57, "50DO", "RAG", "M", 1990},
                                  {57, "50RA", "RAG", "M", 1991},
                                  {57, "50SL", "ESO", "F", 0}}));
        QVERIFY(m_db->insertRows("natl", {"codatl", "nome", "anno", "soc", "sesso"},
                                 {{1001, "ROSSI MARIO", 1990, "ABC", "M"},
                                  {1002, "D'ANGELO LUCA", 1990, "ABC", "M"},
                                  {1003, "NERI ADA", 1970, "ABC", "F"},
                                  {2001, "BIANCHI EZIO", 1990, "XYZ", "M"}}));
        QVERIFY(m_db->createRegistrationTable(QStringLiteral("57")));
        QVERIFY(m_db->insertRows("nprg57",
                                 {"codatl", "nome", "anno", "cat", "soc", "sesso", "spec", "m", "s", "status"}, rows));
        QVERIFY(start(QFileInfo(m_db->path()).absolutePath()));
        Competition c;
        c.number = QStringLiteral("57");
        c.name = QStringLiteral("Trofeo");
        c.maxEntriesPerAthlete = limit;
        c.categoriesText = categories;
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
    // A male athlete of 1990 in RAG typed into the frame.
    void typeAthlete(const QString& code, const QString& name) {
        for (const auto& [box, value] : {std::pair{"Text1_0", code},
                                         {"Text1_1", name},
                                         {"Combo1", QStringLiteral("M")},
                                         {"Text1_3", QStringLiteral("1990")}})
            QVERIFY(type(QStringLiteral("Form1/") + QLatin1String(box), value));
        find<QComboBox>(QStringLiteral("Form1/categoria"))->setEditText(QStringLiteral("RAG"));
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
    void entryTimes_data();
    void entryTimes();
    void racesFollowTheYear();
    void perAthleteLimit_data();
    void perAthleteLimit();
    void sameRaceTwiceKeepsOneRow();
    void categoryChoice();
    void failedSetOrWriteRegistersNothing();
    void codeConflict();
    void namesake_data();
    void namesake();
    void apostropheEverywhere();
    void provisionalCodes();
    void deletion();
    void captionAndGrid();
};

void TestRegistrationWindow::entryTimes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<double>("m");
    QTest::addColumn<double>("s");
    QTest::addColumn<QString>("shown"); // after the registration and whenever the race is chosen again
    QTest::addColumn<bool>("remembered");
    const char* colon = "Errore nella scrittura del tempo: manca il carattere : (due punti) 01.32.52";
    const char* form = "Errore nella scrittura del tempo: si deve usare mm:ss.dd. Esempio 01:23.45";
    const char* points = "Errore nella scrittura del tempo: sono stati usati DUE PUNTI invece che : e .";
    const char* seconds = "E' stato specificato un tempo errato: i secondi sono maggiori di 60.";
    const struct {
        const char* typed;
        const char* refusal;
        double m, s;
        const char* shown;
        bool remembered;
    } cases[] = {{"01.32.52", colon, 0, 0, "", false},   {"01:32:52", form, 0, 0, "", false},
                 {"01:32.5.2", points, 0, 0, "", false}, {"1:32,52", form, 0, 0, "", false},
                 {"01:61.00", seconds, 0, 0, "", false}, {"01:60.00", "", 1, 60, "1:60.00", true},
                 {"120:05.00", "", 120, 5, "", false},   {"1:05.3", "", 1, 5.3, "1:05.30", true},
                 {"99:99.99", "", 99, 99.99, "", false}, {"", "", 99, 99.99, "", false}};
    for (const auto& c : cases)
        QTest::newRow(*c.typed ? c.typed : "empty") << QString::fromUtf8(c.typed) << QString::fromUtf8(c.refusal) << c.m
                                                    << c.s << QString::fromUtf8(c.shown) << c.remembered;
}

void TestRegistrationWindow::entryTimes() {
    QFETCH(QString, typed);
    QFETCH(QString, refusal);
    QFETCH(double, m);
    QFETCH(double, s);
    QFETCH(QString, shown);
    QFETCH(bool, remembered);
    open();
    enter(QStringLiteral("1001"), QStringLiteral("100SL"), typed);
    const QVariantList written = column(QStringLiteral("select m from nprg57"));
    if (!refusal.isEmpty()) {
        QCOMPARE(dialogs().takeTexts(), QStringList{refusal});
        QVERIFY(written.isEmpty());
        QCOMPARE(text(QStringLiteral("Form1/tempo")), typed);
        return;
    }
    QCOMPARE(dialogs().takeTexts().join(QLatin1Char('|')), QString());
    QCOMPARE(written, QVariantList{m});
    QCOMPARE(column(QStringLiteral("select s from nprg57")).value(0).toDouble(), s);
    QCOMPARE(column(QStringLiteral("select status from nprg57")), QVariantList{QStringLiteral("p")});
    QCOMPARE(text(QStringLiteral("Form1/tempo")), shown);
    QVERIFY(
        text(QStringLiteral("Form1/lblStato"))
            .startsWith(QStringLiteral("Ultima iscrizione: ROSSI MARIO 100SL ") + typed + QStringLiteral(" ----> ")));
    QCOMPARE(m_db->count(QStringLiteral("Records")), remembered ? 1 : 0);
    // Another race and back: the box shows what is stored, or nothing.
    chooseRace(QStringLiteral("200SL"));
    QCOMPARE(text(QStringLiteral("Form1/tempo")), QString());
    chooseRace(QStringLiteral("100SL"));
    QCOMPARE(text(QStringLiteral("Form1/tempo")), shown);
}

void TestRegistrationWindow::racesFollowTheYear() {
    open({reg(1001, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC"), QStringLiteral("200SL"))});
    findByCode(QStringLiteral("1001"));
    QCOMPARE(items(), QStringList({"100FA", "100SL", "200SL (gia' registrato)", "50DO"}));
    QCOMPARE(text(QStringLiteral("Form1/categoria")), QStringLiteral("RAG"));
    QVERIFY(find<QPushButton>(QStringLiteral("Form1/Iscrivi"))->isEnabled());
    // A remembered time fills the box for a race not yet registered.
    QVERIFY(m_db->exec(
        QStringLiteral("insert into Records (Codatl, Nome, Spec, M, S) values ('1001', 'X', '100FA', 2, 3.5)")));
    window()->load();
    chooseRace(QStringLiteral("100FA"));
    QCOMPARE(text(QStringLiteral("Form1/tempo")), QStringLiteral("2:03.50"));
    QCOMPARE(text(QStringLiteral("Form1/Label2_0")), QStringLiteral("100FA"));
}

void TestRegistrationWindow::perAthleteLimit_data() {
    QTest::addColumn<QVariant>("limit");
    QTest::addColumn<QString>("race");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("rowsAfter");
    const QString over3 = QStringLiteral("Numero max iscrizioni per atleta 3");
    QTest::newRow("fourth race over 3") << QVariant(3) << "50DO" << QStringList{over3} << 3;
    QTest::newRow("held race again under 3") << QVariant(3) << "200SL" << QStringList{} << 3;
    QTest::newRow("limit 0") << QVariant(0) << "50DO" << QStringList{"Numero max iscrizioni per atleta 0"} << 3;
    QTest::newRow("no race: the limit comes first") << QVariant(3) << "" << QStringList{over3} << 3;
    QTest::newRow("no race under the limit") << QVariant(5) << "" << QStringList{"Devi specificare uno stile"} << 3;
    QTest::newRow("no limit stored") << QVariant() << "50DO" << QStringList{} << 4;
}

void TestRegistrationWindow::perAthleteLimit() {
    QFETCH(QVariant, limit);
    QFETCH(QString, race);
    QFETCH(QStringList, messages);
    QFETCH(int, rowsAfter);
    const QString name = QStringLiteral("ROSSI MARIO");
    const QString abc = QStringLiteral("ABC");
    open({reg(1001, name, abc, QStringLiteral("100SL")), reg(1001, name, abc, QStringLiteral("200SL")),
          reg(1001, name, abc, QStringLiteral("100FA"))},
         limit);
    enter(QStringLiteral("1001"), race, QStringLiteral("1:00.00"));
    QCOMPARE(dialogs().takeTexts(), messages);
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), rowsAfter);
}

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

void TestRegistrationWindow::categoryChoice() {
    open({}, QVariant(3), QStringLiteral("M|RAG|1988|1992|$M|JUN|1990|1991|$"));
    findByCode(QStringLiteral("1001"));
    QCOMPARE(items(QStringLiteral("Form1/categoria")), QStringList({"RAG", "JUN"}));
    QCOMPARE(text(QStringLiteral("Form1/categoria")), QStringLiteral("JUN"));
    QCOMPARE(items(), QStringList()); // no race is open to JUN

    // No category: the question, no race list, "Iscrivi" stays off.
    dialogs().queueYesNo(Dialogs::Answer::No);
    findByCode(QStringLiteral("1003"));
    QCOMPARE(
        dialogs().takeTexts(),
        QStringList{"Non esiste una categoria definita per queste gare per questo atleta: F 1970. Vuoi controllare "
                    "le categore previste per questa gara ?"});
    QCOMPARE(items(), QStringList());
    QCOMPARE(text(QStringLiteral("Form1/Text1_1")), QStringLiteral("NERI ADA"));
    // An athlete of another club is not found by code, and nothing is said.
    findByCode(QStringLiteral("2001"));
    QCOMPARE(text(QStringLiteral("Form1/Text1_1")), QStringLiteral("NERI ADA"));
    QCOMPARE(dialogs().takeTexts(), QStringList());
}

void TestRegistrationWindow::failedSetOrWriteRegistersNothing() {
    open();
    findByCode(QStringLiteral("1001"));
    chooseRace(QStringLiteral("100SL"));
    find<QComboBox>(QStringLiteral("Form1/categoria"))->setEditText({});
    QVERIFY(click(QStringLiteral("Form1/Iscrivi")));
    QCOMPARE(dialogs().takeTexts(), QStringList{"Manca la categoria"});
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), 0);
    // The table gone under the window (another program, a re-initialisation): no success is reported.
    findByCode(QStringLiteral("1001"));
    chooseRace(QStringLiteral("100SL"));
    QVERIFY(m_db->exec(QStringLiteral("drop table nprg57")));
    QVERIFY(click(QStringLiteral("Form1/Iscrivi")));
    QVERIFY(dialogs().takeTexts().value(0).startsWith(QStringLiteral("Iscrizione non registrata: ")));
    QCOMPARE(text(QStringLiteral("Form1/lblStato")), QString());
}

void TestRegistrationWindow::codeConflict() {
    open({reg(1001, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC"), QStringLiteral("100SL")),
          reg(1001, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC"), QStringLiteral("200SL"))});
    const QString retry =
        QStringLiteral("Questo codice 1001 e' stato gia' assegnato a ROSSI MARIO-ABC. Vuoi riprovare a definire ");
    const QString overwrite =
        QStringLiteral("Vuoi sovrascrivere questo codice e cancellare le iscrizioni eventualmente gia' presenti ?");
    typeAthlete(QStringLiteral("1001"), QStringLiteral("verdi gino"));
    dialogs().queueYesNo(Dialogs::Answer::Yes);
    QVERIFY(click(QStringLiteral("Form1/cmdImposta")));
    QCOMPARE(dialogs().takeTexts(), QStringList{retry});
    dialogs().queueYesNo(Dialogs::Answer::No);
    dialogs().queueYesNo(Dialogs::Answer::No);
    QVERIFY(click(QStringLiteral("Form1/cmdImposta")));
    QCOMPARE(dialogs().takeTexts(), QStringList({retry, overwrite}));
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), 2);

    dialogs().queueYesNo(Dialogs::Answer::No);
    dialogs().queueYesNo(Dialogs::Answer::Yes);
    QVERIFY(click(QStringLiteral("Form1/cmdImposta")));
    QCOMPARE(dialogs().takeTexts(), QStringList({retry, overwrite}));
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), 0);
    QCOMPARE(column(QStringLiteral("select nome from natl where codatl=1001")),
             QVariantList{QStringLiteral("VERDI GINO")});
    QCOMPARE(text(QStringLiteral("Form1/Text2")), QStringLiteral("1001"));
    QVERIFY(items().contains(QStringLiteral("100SL")));
    QCOMPARE(window()->windowTitle(), QStringLiteral("Trofeo"));
}

void TestRegistrationWindow::namesake_data() {
    QTest::addColumn<QList<int>>("answers"); // Yes = 1, No = 0
    QTest::addColumn<int>("questions");
    QTest::addColumn<QVariantList>("codes"); // codes of ROSSI MARIO afterwards
    QTest::addColumn<int>("registrations");
    QTest::newRow("retry") << QList<int>{1} << 1 << QVariantList{1001} << 1;
    QTest::newRow("delete the other") << QList<int>{0, 0} << 2 << QVariantList{} << 0;
    QTest::newRow("keep both") << QList<int>{0, 1} << 2 << QVariantList{1500} << 1;
}

void TestRegistrationWindow::namesake() {
    QFETCH(QList<int>, answers);
    QFETCH(int, questions);
    QFETCH(QVariantList, codes);
    QFETCH(int, registrations);
    open({reg(1001, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC"), QStringLiteral("100SL"))});
    typeAthlete(QStringLiteral("1500"), QStringLiteral("ROSSI MARIO"));
    for (int a : answers)
        dialogs().queueYesNo(a ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    QVERIFY(click(QStringLiteral("Form1/cmdImposta")));
    const QStringList texts = dialogs().takeTexts();
    QCOMPARE(texts.size(), questions);
    QCOMPARE(texts[0], QStringLiteral("Esiste un omonimo ROSSI MARIO con codice 1001 mentre tu hai indicato 1500 Vuoi "
                                      "riprovare a definire "));
    if (questions > 1)
        QCOMPARE(texts[1], QStringLiteral("Vuoi mantenere entrambe i codici o cancellare l'altro?"));
    QCOMPARE(column(QStringLiteral("select codatl from natl where nome='ROSSI MARIO'")), codes);
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), registrations);
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

void TestRegistrationWindow::deletion() {
    const QString name = QStringLiteral("ROSSI MARIO");
    open({reg(1001, name, QStringLiteral("ABC"), QStringLiteral("100SL")),
          reg(1009, name, QStringLiteral("ABC"), QStringLiteral("100SL")),
          reg(1001, name, QStringLiteral("ABC"), QStringLiteral("200SL")),
          reg(3001, name, QStringLiteral("XYZ"), QStringLiteral("100SL"))});
    window()->prepareGridMenu(gridRowOf(name, QStringLiteral("100SL")));
    const QString question = QStringLiteral("Sei sicuro di voler cancellare i records selezionati: ROSSI MARIO_100SL");
    dialogs().queueYesNo(Dialogs::Answer::No);
    QVERIFY(trigger(QStringLiteral("cancellaiscrizione")));
    const QList<ScriptedDialogs::Shown> shown = dialogs().take();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, question);
    QCOMPARE(shown[0].defaultAnswer, Dialogs::Answer::No);
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), 4);

    dialogs().queueYesNo(Dialogs::Answer::Yes);
    QVERIFY(trigger(QStringLiteral("cancellaiscrizione")));
    // "Imposta Atleta" runs afterwards on the empty frame and says so.
    QCOMPARE(dialogs().takeTexts(), QStringList({question, QStringLiteral("Devi indicare un codice per l'atleta")}));
    QCOMPARE(column(QStringLiteral("select soc || spec from nprg57 order by soc")),
             QVariantList({QStringLiteral("ABC200SL"), QStringLiteral("XYZ100SL")}));
    QCOMPARE(rows(QStringLiteral("Form1/DBGrid1")).size(), 1);
    QCOMPARE(window()->windowTitle(), QStringLiteral("Iscrizioni Trofeo:1"));
    QCOMPARE(app().state().competition().registrationCount, QStringLiteral("1"));
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

    // Richiama finds athletes of any club; an unknown code is reported.
    QVERIFY(type(QStringLiteral("Form1/Text2"), QStringLiteral("2001")));
    QVERIFY(click(QStringLiteral("Form1/cmdRichiama")));
    QCOMPARE(text(QStringLiteral("Form1/Text1_1")), QStringLiteral("BIANCHI EZIO"));
    QVERIFY(type(QStringLiteral("Form1/Text2"), QStringLiteral("777")));
    dialogs().queueYesNo(Dialogs::Answer::No);
    QVERIFY(click(QStringLiteral("Form1/cmdRichiama")));
    QCOMPARE(dialogs().takeTexts().value(0), QStringLiteral("Atleta non trovato in archivio"));
    QCOMPARE(text(QStringLiteral("Form1/Text1_1")), QString());
}

QTEST_MAIN(TestRegistrationWindow)
#include "tst_registration_window.moc"
