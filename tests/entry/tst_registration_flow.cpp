// The registration commands without windows: the form's values in, the dialogs in their
// order and the tables afterwards out.
#include "FixtureDb.h"
#include "ScriptedDialogs.h"

#include "core/AppState.h"
#include "entry/RegistrationBook.h"
#include "entry/RegistrationFlow.h"
#include "store/DataSource.h"

#include <QTest>

#include <memory>

using namespace onda;

namespace {
const QString kCategories = QStringLiteral("M|RAG|1988|1992|$F|ESO|1995|1999|$");
const QString kRetry =
    QStringLiteral("?Y Questo codice 1001 e' stato gia' assegnato a ROSSI MARIO-ABC. Vuoi riprovare a definire ");
const QString kOverwrite =
    QStringLiteral("?N Vuoi sovrascrivere questo codice e cancellare le iscrizioni eventualmente gia' presenti ?");
const QString kNamesake = QStringLiteral(
    "?Y Esiste un omonimo ROSSI MARIO con codice 1001 mentre tu hai indicato 1500 Vuoi riprovare a definire ");
const QString kKeepBoth = QStringLiteral("?Y Vuoi mantenere entrambe i codici o cancellare l'altro?");

QStringList texts(const char* joined) {
    return QString::fromUtf8(joined).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}
// The question for an athlete without a category, as said() shows it.
QString noCategory(const QString& sexAndYear) {
    return QStringLiteral("?Y Non esiste una categoria definita per queste gare per questo atleta: ") + sexAndYear +
           QStringLiteral(". Vuoi controllare le categore previste per questa gara ?");
}
// Texts of a table row, where "?sex year" stands for the question of no category.
QStringList dialogsOf(const char* joined) {
    QStringList out = texts(joined);
    for (QString& d : out) {
        if (d.startsWith(QLatin1Char('?')))
            d = noCategory(d.mid(1));
    }
    return out;
}
// A table's rows as QtTest rows: the test reads its row by index.
template <class Row, std::size_t N> void addRows(const Row (&table)[N]) {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < N; ++i)
        QTest::newRow(table[i].name) << int(i);
}

// ROSSI MARIO holds 100SL, 200SL and 100FA; rows are his afterwards, as race and seconds.
const char* const kThree = "100FA 10|100SL 10|200SL 10";
const char* const kFour = "100FA 10|100SL 10|200SL 10|50DO 5";
const char* const kOver3 = "Numero max iscrizioni per atleta 3";
const struct {
    const char* name;
    QVariant limit;
    const char *category, *race, *time, *dialog, *rows;
} kRegister[] = {{"Imposta Atleta refuses first", 3, "", "50DO", "1.10", "Manca la categoria", kThree},
                 {"seconds before the limit", 3, "RAG", "50DO", "1:61.00",
                  "E' stato specificato un tempo errato: i secondi sono maggiori di 60.", kThree},
                 {"fourth race over 3", 3, "RAG", "50DO", "1:05.00", kOver3, kThree},
                 {"no race: the limit first", 3, "RAG", "", "1:05.00", kOver3, kThree},
                 {"held race again under 3", 3, "RAG", "200SL", "1:05.00", "", "100FA 10|100SL 10|200SL 5"},
                 {"limit 0", 0, "RAG", "50DO", "1:05.00", "Numero max iscrizioni per atleta 0", kThree},
                 {"limit as text", QStringLiteral("3"), "RAG", "50DO", "1:05.00", kOver3, kThree},
                 {"no race under the limit", 5, "RAG", "", "1:05.00", "Devi specificare uno stile", kThree},
                 {"race of another year", 5, "RAG", "50RA", "1:05.00",
                  "La gara scelta non e' nel programma di questa manifestazione", kThree},
                 {"no limit stored", QVariant(), "RAG", "50DO", "1:05.00", "", kFour},
                 {"empty limit text is no limit", QString(), "RAG", "50DO", "1:05.00", "", kFour},
                 {"fourth race under 4", 4, "RAG", "50DO", "1:05.00", "", kFour}};

// stored: m and s; shown: the time box after "Iscrivi" and when the race is chosen again.
const struct {
    const char *name, *typed, *refusal, *stored, *shown;
    bool remembered;
} kTimes[] = {
    {"01.32.52", "01.32.52", "Errore nella scrittura del tempo: manca il carattere : (due punti) 01.32.52", "", "",
     false},
    {"01:32:52", "01:32:52", "Errore nella scrittura del tempo: si deve usare mm:ss.dd. Esempio 01:23.45", "", "",
     false},
    {"01:32.5.2", "01:32.5.2", "Errore nella scrittura del tempo: sono stati usati DUE PUNTI invece che : e .", "", "",
     false},
    {"1:32,52", "1:32,52", "Errore nella scrittura del tempo: si deve usare mm:ss.dd. Esempio 01:23.45", "", "", false},
    {"01:61.00", "01:61.00", "E' stato specificato un tempo errato: i secondi sono maggiori di 60.", "", "", false},
    {"01:60.00", "01:60.00", "", "1 60", "1:60.00", true},
    {"120:05.00", "120:05.00", "", "120 5", "", false},
    {"1:05.3", "1:05.3", "", "1 5.3", "1:05.30", true},
    {"ab:cd.e", "ab:cd.e", "", "0 0", "0:00.00", true},
    {"99:99.99", "99:99.99", "", "99 99.99", "", false},
    {"empty", "", "", "99 99.99", "", false}};

// categories "" are the fixture's; name "-" when untouched; races "-" when the list is not rebuilt.
const char* const kRossiRaces = "100FA|100SL (gia' registrato)|200SL|50DO";
const struct {
    const char* name;
    bool byCode; // otherwise "Richiama"
    const char *entry, *categories, *answers, *dialogs, *shownName, *items, *races;
} kLookups[] = {
    {"by code", true, "1001", "", "", "", "ROSSI MARIO", "RAG", kRossiRaces},
    {"by code, other club: nothing", true, "2001", "", "", "", "-", "", "-"},
    {"by code, no category: the question", true, "1003", "", "Y", "?F 1970", "NERI ADA", "", "-"},
    {"two categories fit: the later is chosen", true, "1001", "M|RAG|1988|1992|$M|JUN|1990|1991|$", "", "",
     "ROSSI MARIO", "RAG|JUN", ""},
    {"a broken entry is skipped", true, "1001", "M|X$M|RAG|1988|1992|$", "", "", "ROSSI MARIO", "RAG", kRossiRaces},
    {"a last entry without $ is no category", true, "1001", "F|ESO|1995|1999|$M|RAG|1988|1992|", "N", "?M 1990",
     "ROSSI MARIO", "", "-"},
    {"recall: any club", false, "2001", "", "", "", "BIANCHI EZIO", "RAG", "100FA|100SL|200SL|50DO"},
    {"recall: unknown", false, "777", "", "N", "Atleta non trovato in archivio|? ", "", "", "-"}};

// Leaving the year box or the sex box; "-" for a box left untouched.
const struct {
    const char* name;
    bool leaveYear; // otherwise the sex box
    const char *sex, *year, *dialog, *shownSex, *shownYear, *category;
} kLeaving[] = {{"year 90 becomes 1990", true, "M", "90", "", "-", "1990", "RAG"},
                {"year 05 becomes 1905, no category", true, "M", "05", "?M 1905", "-", "1905", ""},
                {"empty year", true, "M", "", "Devi definire l'anno", "-", "-", "-"},
                {"year without sex: no category", true, "", "1990", "", "-", "-", "-"},
                {"sex m becomes M", false, "m", "1990", "", "M", "-", "RAG"},
                {"sex X refused", false, "x", "1990", "Specificare M, F o B", "X", "-", "-"},
                {"sex without year: nothing else", false, "M", "", "", "M", "-", "-"}};
} // namespace

class TestRegistrationFlow : public QObject, private RegistrationFlow::Port {
    Q_OBJECT
    std::unique_ptr<FixtureDb> m_db;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<AppState> m_state;
    DataSource m_nprg{QStringLiteral("nprg")}, m_grid{QStringLiteral("nprgSupp")}, m_natl{QStringLiteral("natl")},
        m_records{QStringLiteral("Records")};
    std::unique_ptr<RegistrationBook> m_book;
    std::unique_ptr<RegistrationFlow> m_flow;
    int m_categoryListsShown = 0;

    void showCategoryList() override { ++m_categoryListsShown; }

    // Club ABC, competition 57 with its races; athletes of ABC and of another club; rows
    // of nprg57 as "code name race".
    void open(const QStringList& registrations = {}, const QVariant& limit = QVariant(3),
              const QString& categories = kCategories) {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid());
        QVERIFY(m_db->seedEntryCompetition());
        for (const QString& row : registrations) {
            const QStringList f = row.split(QLatin1Char(' '));
            const QString soc = f.value(0) == QLatin1String("2001") ? QStringLiteral("XYZ") : QStringLiteral("ABC");
            QVERIFY(m_db->insertRows("nprg57", {"codatl", "nome", "anno", "cat", "soc", "sesso", "spec", "m", "s"},
                                     {{f.value(0), f.value(1) + QLatin1Char(' ') + f.value(2), 1990, "RAG", soc, "M",
                                       f.mid(3).join(QLatin1Char(' ')), 1, 10}}));
        }
        m_state = std::make_unique<AppState>(m_dialogs);
        m_state->databasePath = m_db->path();
        m_state->store.setDatabasePath(m_db->path());
        m_state->club = QStringLiteral("ABC");
        Competition c;
        c.number = QStringLiteral("57");
        c.name = QStringLiteral("Trofeo");
        c.maxEntriesPerAthlete = limit;
        c.categoriesText = categories;
        m_state->setCompetition(c);
        for (DataSource* source : {&m_nprg, &m_grid, &m_natl, &m_records})
            source->setDatabaseFile(m_db->path());
        m_book = std::make_unique<RegistrationBook>(*m_state, m_nprg, m_grid, m_natl, m_records);
        m_book->load();
        m_flow = std::make_unique<RegistrationFlow>(*m_state, m_dialogs, *m_book, static_cast<Port&>(*this));
        m_flow->open(); // as the window does when shown
    }
    // A male athlete of 1990 in RAG as typed into the form.
    static RegistrationForm athlete(const QString& code, const QString& name, const QString& race = {},
                                    const QString& time = {}) {
        RegistrationForm form;
        form.codeEntry = form.code = code;
        form.name = name;
        form.sex = QStringLiteral("M");
        form.year = QStringLiteral("1990");
        form.category = QStringLiteral("RAG");
        form.race = race;
        form.time = time;
        return form;
    }
    // The dialogs shown since the last call: questions as "?Y text" or "?N text" by their
    // default button, messages as their text.
    QStringList said() {
        QStringList out;
        for (const ScriptedDialogs::Shown& s : m_dialogs.take()) {
            if (s.kind == ScriptedDialogs::Kind::YesNo)
                out << (s.defaultAnswer == Dialogs::Answer::Yes ? QStringLiteral("?Y ") : QStringLiteral("?N ")) +
                           s.text;
            else
                out << s.text;
        }
        return out;
    }
    void answer(const QString& answers) {
        for (QChar a : answers)
            m_dialogs.queueYesNo(a == QLatin1Char('Y') ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    }
    QStringList table(const char* sql) {
        QStringList out;
        for (const QVariant& v : m_db->column(QString::fromUtf8(sql)))
            out << v.toString();
        return out;
    }

private slots:
    void cleanup() {
        QVERIFY2(m_dialogs.problems().isEmpty(), qPrintable(m_dialogs.problems()));
        m_dialogs.reset();
        m_categoryListsShown = 0;
    }

    void setAthlete_data() {
        QTest::addColumn<RegistrationForm>("form");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QStringList>("dialogs");
        QTest::addColumn<QStringList>("archive"); // natl of ABC afterwards, by code
        QTest::addColumn<QStringList>("registrations");
        const QStringList archive = {"1001 ROSSI MARIO", "1002 D'ANGELO LUCA", "1003 NERI ADA"};
        const QStringList held = {"1001 100SL"};
        RegistrationForm form = athlete(QString(), QStringLiteral("ROSSI MARIO"));
        QTest::newRow("no code") << form << "" << texts("Devi indicare un codice per l'atleta") << archive << held;
        form = athlete(QStringLiteral("1001"), QString());
        QTest::newRow("no name") << form << "" << texts("Devi indicare il nome dell'atleta") << archive << held;
        form = athlete(QStringLiteral("1001"), QStringLiteral("ROSSI MARIO"));
        form.sex.clear();
        QTest::newRow("no sex") << form << "" << texts("Manca il sesso") << archive << held;
        form = athlete(QStringLiteral("1001"), QStringLiteral("ROSSI MARIO"));
        form.year.clear();
        form.category.clear();
        QTest::newRow("no year before no category") << form << "" << texts("Manca l'anno") << archive << held;
        form = athlete(QStringLiteral("1001"), QStringLiteral("ROSSI MARIO"));
        form.category.clear();
        QTest::newRow("no category") << form << "" << texts("Manca la categoria") << archive << held;

        form = athlete(QStringLiteral("1001"), QStringLiteral("verdi gino"));
        QTest::newRow("code held: retry") << form << "Y" << QStringList{kRetry} << archive << held;
        QTest::newRow("code held: no overwrite") << form << "NN" << QStringList{kRetry, kOverwrite} << archive << held;
        QTest::newRow("code held: overwrite")
            << form << "NY" << QStringList{kRetry, kOverwrite}
            << QStringList{"1001 VERDI GINO", "1002 D'ANGELO LUCA", "1003 NERI ADA"} << QStringList{};

        form = athlete(QStringLiteral("1500"), QStringLiteral("ROSSI MARIO"));
        QTest::newRow("namesake: retry") << form << "Y" << QStringList{kNamesake} << archive << held;
        QTest::newRow("namesake: delete the other")
            << form << "NN" << QStringList{kNamesake, kKeepBoth} << QStringList{"1002 D'ANGELO LUCA", "1003 NERI ADA"}
            << QStringList{};
        QTest::newRow("namesake: keep both, the row takes the code")
            << form << "NY" << QStringList{kNamesake, kKeepBoth}
            << QStringList{"1002 D'ANGELO LUCA", "1003 NERI ADA", "1500 ROSSI MARIO"} << held;

        form = athlete(QStringLiteral("900"), QStringLiteral("d'amico ugo"));
        QTest::newRow("new athlete, apostrophe")
            << form << "" << QStringList{}
            << QStringList{"900 D'AMICO UGO", "1001 ROSSI MARIO", "1002 D'ANGELO LUCA", "1003 NERI ADA"} << held;
        form = athlete(QStringLiteral("1002"), QStringLiteral("D'ANGELO LUCA"));
        QTest::newRow("same athlete rewritten") << form << "" << QStringList{} << archive << held;
    }

    void setAthlete() {
        QFETCH(RegistrationForm, form);
        QFETCH(QString, answers);
        QFETCH(QStringList, dialogs);
        open({QStringLiteral("1001 ROSSI MARIO 100SL")});
        answer(answers);
        const RegistrationView view = m_flow->setAthlete(form);
        QCOMPARE(said(), dialogs);
        QTEST(table("select codatl || ' ' || nome from natl where soc='ABC' order by codatl"), "archive");
        QTEST(table("select codatl || ' ' || spec from nprg57"), "registrations");
        QCOMPARE(view.athleteSet, dialogs.isEmpty() || answers.endsWith(QLatin1String("NY")));
        if (view.athleteSet) {
            QCOMPARE(view.codeEntry.value_or(QString()), form.code.toUpper());
            QVERIFY(view.raceLines && view.raceLines->contains(QStringLiteral("100FA")));
            QVERIFY(view.clubNames && view.clubNames->contains(form.name.toUpper()));
        }
    }

    void registerAthlete_data() { addRows(kRegister); }
    void registerAthlete() {
        QFETCH(int, row);
        const auto& c = kRegister[row];
        open({QStringLiteral("1001 ROSSI MARIO 100SL"), QStringLiteral("1001 ROSSI MARIO 200SL"),
              QStringLiteral("1001 ROSSI MARIO 100FA"), QStringLiteral("2001 BIANCHI EZIO 100SL")},
             c.limit);
        RegistrationForm form = athlete(QStringLiteral("1001"), QStringLiteral("ROSSI MARIO"), c.race, c.time);
        form.category = QString::fromUtf8(c.category);
        const RegistrationView view = m_flow->registerAthlete(form);
        QCOMPARE(said(), texts(c.dialog));
        const QStringList rows = texts(c.rows);
        QCOMPARE(table("select spec || printf(' %g', s) from nprg57 where codatl=1001 order by spec"), rows);
        // A race registered again is rewritten in place: the insertion order stays.
        QCOMPARE(table("select spec from nprg57 where codatl=1001 order by OrdineInserimento").mid(0, 3),
                 QStringList({"100SL", "200SL", "100FA"}));
        const bool written = !*c.dialog;
        QCOMPARE(view.registrationCount.has_value(), written);
        QCOMPARE(m_state->competition().registrationCount, written ? QString::number(rows.size()) : QString());
        if (written)
            QCOMPARE(view.caption.value_or(QString()),
                     QStringLiteral("Iscrizioni ABC. Numero iscrizioni: ") + QString::number(rows.size()));
    }

    void entryTimes_data() { addRows(kTimes); }
    void entryTimes() {
        QFETCH(int, row);
        const auto& c = kTimes[row];
        open();
        const RegistrationForm form = athlete(QStringLiteral("1001"), QStringLiteral("ROSSI MARIO"), "100SL", c.typed);
        const RegistrationView view = m_flow->registerAthlete(form);
        QCOMPARE(said(), texts(c.refusal));
        QCOMPARE(table("select printf('%g %g', m, s) from nprg57"), texts(c.stored));
        // The time is remembered for the athlete's race when it is one a user could mean.
        QCOMPARE(table("select Spec || printf(' %g %g', M, S) from Records"),
                 c.remembered ? QStringList{QStringLiteral("100SL ") + QString::fromUtf8(c.stored)} : QStringList{});
        if (*c.refusal) {
            QVERIFY(!view.time && !view.status);
            return;
        }
        QCOMPARE(view.time.value_or(QString()), QString::fromUtf8(c.shown));
        QVERIFY(view.status.value_or(QString()).startsWith(QStringLiteral("Ultima iscrizione: ROSSI MARIO 100SL ") +
                                                           QString::fromUtf8(c.typed) + QStringLiteral(" ----> ")));
        QCOMPARE(m_flow->chooseRace(form, QStringLiteral("100SL (gia' registrato)")).time.value_or(QStringLiteral("?")),
                 QString::fromUtf8(c.shown));
    }

    void lookups_data() { addRows(kLookups); }
    void lookups() {
        QFETCH(int, row);
        const auto& c = kLookups[row];
        open({QStringLiteral("1001 ROSSI MARIO 100SL")}, QVariant(3),
             *c.categories ? QString::fromUtf8(c.categories) : kCategories);
        answer(QString::fromUtf8(c.answers));
        RegistrationForm form;
        form.codeEntry = QString::fromUtf8(c.entry);
        const RegistrationView view = c.byCode ? m_flow->lookupByCode(form) : m_flow->recall(form);
        QCOMPARE(said(), dialogsOf(c.dialogs));
        QCOMPARE(view.name.value_or(QStringLiteral("-")), QString::fromUtf8(c.shownName));
        QCOMPARE(view.categories.value_or(QStringList{}), texts(c.items));
        if (*c.races == '-') {
            QVERIFY(!view.raceLines);
            QVERIFY(!view.registerEnabled);
        } else {
            QCOMPARE(view.raceLines.value_or(QStringList{QStringLiteral("?")}), texts(c.races));
            QCOMPARE(view.registerEnabled, std::optional<bool>(true));
        }
        QCOMPARE(m_categoryListsShown, *c.answers == 'Y' ? 1 : 0);
    }

    void leavingFields_data() { addRows(kLeaving); }
    void leavingFields() {
        QFETCH(int, row);
        const auto& c = kLeaving[row];
        open();
        const QStringList dialogs = dialogsOf(c.dialog);
        if (!dialogs.isEmpty() && dialogs.first().startsWith(QLatin1Char('?')))
            answer(QStringLiteral("N"));
        RegistrationForm form;
        form.sex = QString::fromUtf8(c.sex);
        form.year = QString::fromUtf8(c.year);
        const RegistrationView view = c.leaveYear ? m_flow->leaveYear(form) : m_flow->leaveSex(form);
        QCOMPARE(said(), dialogs);
        QCOMPARE(view.sex.value_or(QStringLiteral("-")), QString::fromUtf8(c.shownSex));
        QCOMPARE(view.year.value_or(QStringLiteral("-")), QString::fromUtf8(c.shownYear));
        QCOMPARE(view.category.value_or(QStringLiteral("-")), QString::fromUtf8(c.category));
        QCOMPARE(view.sexRefused, *c.shownSex == 'X');
    }

    void deleteRegistration() {
        open({QStringLiteral("1001 ROSSI MARIO 100SL"), QStringLiteral("1009 ROSSI MARIO 100SL"),
              QStringLiteral("1001 ROSSI MARIO 200SL"), QStringLiteral("2001 ROSSI MARIO 100SL")});
        const QString caption = registrationMenuCaption(QStringLiteral("ROSSI MARIO"), QStringLiteral("100SL"));
        const QString question = QStringLiteral("?N Sei sicuro di voler cancellare i records selezionati: ") + caption;
        answer(QStringLiteral("N"));
        QVERIFY(!m_flow->deleteRegistration({}, caption).registrationCount);
        QCOMPARE(said(), QStringList{question});
        QCOMPARE(m_db->count(QStringLiteral("nprg57")), 4);

        // Every row of the club with that name and race goes, whatever its code; then
        // "Imposta Atleta" runs on the frame, here empty, and says so.
        answer(QStringLiteral("Y"));
        const RegistrationView view = m_flow->deleteRegistration({}, caption);
        QCOMPARE(said(), QStringList({question, QStringLiteral("Devi indicare un codice per l'atleta")}));
        QCOMPARE(table("select soc || spec from nprg57 order by soc"), QStringList({"ABC200SL", "XYZ100SL"}));
        QCOMPARE(view.registrationCount, std::optional<int>(1));
        QCOMPARE(view.caption.value_or(QString()), QStringLiteral("Iscrizioni Trofeo:1"));
        QCOMPARE(m_state->competition().registrationCount, QStringLiteral("1"));
    }

    void timeBoxAndFailures() {
        open({QStringLiteral("1001 ROSSI MARIO 100SL")});
        QVERIFY(m_db->exec(
            QStringLiteral("insert into Records (Codatl, Nome, Spec, M, S) values ('1001', 'X', '100FA', 2, 3.5)")));
        m_book->load();
        const RegistrationForm form = athlete(QStringLiteral("1001"), QStringLiteral("ROSSI MARIO"));
        // A race not registered shows the remembered time; a registered one its own.
        RegistrationView view = m_flow->chooseRace(form, QStringLiteral("100FA"));
        QCOMPARE(view.race.value_or(QString()), QStringLiteral("100FA"));
        QCOMPARE(view.time.value_or(QString()), QStringLiteral("2:03.50"));
        QCOMPARE(m_flow->chooseRace(form, QStringLiteral("100SL (gia' registrato)")).time.value_or(QString()),
                 QStringLiteral("1:10.00"));
        QCOMPARE(m_flow->chooseRace({}, QStringLiteral("100FA")).race.value_or(QString()), QStringLiteral("100FA"));
        QCOMPARE(said(), QStringList{QStringLiteral("Devi specificare il codice atleta")});

        // The table gone under the window (another program, a re-initialisation): no success.
        QVERIFY(m_db->exec(QStringLiteral("drop table nprg57")));
        view =
            m_flow->registerAthlete(athlete(QStringLiteral("1001"), QStringLiteral("ROSSI MARIO"), "100FA", "1:00.00"));
        const QStringList texts = said();
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts.first().startsWith(QStringLiteral("Iscrizione non registrata: ")));
        QVERIFY(!view.status && !view.registrationCount);
    }

    void racesWithBlanks() {
        // Race codes as the service sends them, one a part of another.
        open({QStringLiteral("1001 ROSSI MARIO 150 SL")});
        QVERIFY(m_db->insertRows(
            "programmi", {"ManifID", "gara", "Categoria", "Sesso", "Anno"},
            {{57, "50 SL", "RAG", "M", 0}, {57, "150 SL", "RAG", "M", 0}, {57, "4x50 SL", "RAG", "M", 0}}));
        RegistrationForm form = athlete(QStringLiteral("1001"), QStringLiteral("ROSSI MARIO"), "50 SL", "0:31.00");
        RegistrationView view = m_flow->registerAthlete(form);
        QCOMPARE(said(), QStringList());
        QCOMPARE(table("select spec from nprg57 order by spec"), QStringList({"150 SL", "50 SL"}));
        const QStringList lines = view.raceLines.value_or(QStringList());
        QCOMPARE(lines.value(view.raceLine.value_or(-1)), QStringLiteral("50 SL (gia' registrato)"));
        QCOMPARE(view.race.value_or(QString()), QStringLiteral("50 SL"));
        QCOMPARE(view.time.value_or(QString()), QStringLiteral("0:31.00"));

        // "Modifica Iscrizione" chooses the line of that very race.
        form.raceLines = {QStringLiteral("150 SL (gia' registrato)"), QStringLiteral("4x50 SL")};
        view = m_flow->changeRegistration(
            {}, registrationMenuCaption(QStringLiteral("ROSSI MARIO"), QStringLiteral("4x50 SL")));
        QVERIFY(!view.raceLine); // no such registration
        view = m_flow->changeRegistration(
            form, registrationMenuCaption(QStringLiteral("ROSSI MARIO"), QStringLiteral("50 SL")));
        QCOMPARE(view.raceLines.value_or(QStringList()).value(view.raceLine.value_or(-1)),
                 QStringLiteral("50 SL (gia' registrato)"));
        QCOMPARE(view.race.value_or(QString()), QStringLiteral("50 SL"));
        QCOMPARE(view.time.value_or(QString()), QStringLiteral("0:31.00"));
    }

    void marksOfTheAthleteShown() {
        open({QStringLiteral("1001 ROSSI MARIO 100SL"), QStringLiteral("1002 D'ANGELO LUCA 200SL")});
        const QStringList dAngelo = {"100FA", "100SL", "200SL (gia' registrato)", "50DO"};
        RegistrationForm form = athlete(QStringLiteral("1001"), QStringLiteral("ROSSI MARIO"));
        form.nameEntry = QStringLiteral("D'ANGELO LUCA");
        // The name chosen in the list while the code entry still holds the previous athlete's code.
        RegistrationView view = m_flow->lookupByName(form);
        QCOMPARE(view.codeEntry.value_or(QString()), QStringLiteral("1002"));
        QCOMPARE(view.raceLines.value_or(QStringList()), dAngelo);
        // Enter on a name typed but not yet looked up.
        view = m_flow->nameEntered(form);
        QCOMPARE(view.codeEntry.value_or(QString()), QStringLiteral("1002"));
        QCOMPARE(view.name.value_or(QString()), QStringLiteral("D'ANGELO LUCA"));
        QCOMPARE(view.raceLines.value_or(QStringList()), dAngelo);
        // Enter on the name shown: the code entry takes its code, the race list stays.
        form.nameEntry = form.name;
        form.codeEntry = QStringLiteral("1002");
        view = m_flow->nameEntered(form);
        QCOMPARE(view.codeEntry.value_or(QString()), QStringLiteral("1001"));
        QCOMPARE(view.category.value_or(QString()), QStringLiteral("RAG"));
        QVERIFY(!view.raceLines);
        QCOMPARE(said(), QStringList());
    }

    void theCompetitionShown() {
        open();
        QVERIFY(m_db->createRegistrationTable(QStringLiteral("58")));
        QVERIFY(m_db->insertRows("programmi", {"ManifID", "gara", "Categoria", "Sesso", "Anno"},
                                 {{58, "400MX", "RAG", "M", 0}}));
        // Another row chosen in the workspace, its opening cancelled: the window still shows 57.
        m_state->changeCompetition([](Competition& c) { c.number = QStringLiteral("58"); });
        const RegistrationForm form =
            athlete(QStringLiteral("1001"), QStringLiteral("ROSSI MARIO"), "100SL", "1:05.00");
        QVERIFY(m_flow->registerAthlete(form).registrationCount);
        QCOMPARE(m_db->count(QStringLiteral("nprg57")), 1);
        QCOMPARE(m_db->count(QStringLiteral("nprg58")), 0);
        QCOMPARE(m_state->competition().registrationCount, QString()); // 58's count is not 57's

        // 58 opened: the form starts empty, and a race left in it from 57 is not registered in 58.
        const RegistrationView opened = m_flow->open();
        for (const std::optional<QString>& box : {opened.codeEntry, opened.code, opened.name, opened.year, opened.race,
                                                  opened.time, opened.nameEntry, opened.category})
            QCOMPARE(box, std::optional<QString>(QString()));
        QCOMPARE(opened.raceLines, std::optional<QStringList>(QStringList()));
        QCOMPARE(m_flow->registerAthlete(form).raceLines, std::optional<QStringList>(QStringList{"400MX"}));
        QCOMPARE(said(), texts("La gara scelta non e' nel programma di questa manifestazione"));
        QCOMPARE(m_db->count(QStringLiteral("nprg58")), 0);
        QVERIFY(
            m_flow->registerAthlete(athlete(QStringLiteral("1001"), QStringLiteral("ROSSI MARIO"), "400MX", "5:00.00"))
                .registrationCount);
        QCOMPARE(table("select spec from nprg58"), QStringList{"400MX"});
    }
};

QTEST_GUILESS_MAIN(TestRegistrationFlow)
#include "tst_registration_flow.moc"
