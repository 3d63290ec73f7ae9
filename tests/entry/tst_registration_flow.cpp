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
using namespace Qt::StringLiterals;

namespace {
const QString kCategories = u"M|RAG|1988|1992|$F|ESO|1995|1999|$"_s;
const QString kRetry = u"?Y Questo codice 1001 e' stato gia' assegnato a ROSSI MARIO-ABC. Vuoi riprovare a definire "_s;
const QString kOverwrite =
    u"?N Vuoi sovrascrivere questo codice e cancellare le iscrizioni eventualmente gia' presenti ?"_s;
const QString kNamesake = QStringLiteral(
    "?Y Esiste un omonimo ROSSI MARIO con codice 1001 mentre tu hai indicato 1500 Vuoi riprovare a definire ");
const QString kKeepBoth = u"?Y Vuoi mantenere entrambe i codici o cancellare l'altro?"_s;

QStringList texts(const char* joined) {
    return QString::fromUtf8(joined).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}
// Texts of a table row, where "?sex year" stands for the question of no category, marked as
// takeMarked() marks it.
QStringList dialogsOf(const char* joined) {
    QStringList out = texts(joined);
    for (QString& d : out) {
        if (d.startsWith(QLatin1Char('?')))
            d = u"?Y Non esiste una categoria definita per queste gare per questo atleta: "_s + d.mid(1) +
                u". Vuoi controllare le categore previste per questa gara ?"_s;
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
                 {"limit as text", u"3"_s, "RAG", "50DO", "1:05.00", kOver3, kThree},
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
    std::unique_ptr<RegistrationBook> m_book;
    std::unique_ptr<RegistrationFlow> m_flow;
    int m_categoryListsShown = 0;
    int m_gridReadings = 0;
    QStringList m_removed; // the insertion orders the grid was told to drop

    void showCategoryList() override { ++m_categoryListsShown; }
    void showClubRegistrations() override { ++m_gridReadings; }
    void showRewrittenRegistration(qlonglong) override { ++m_gridReadings; }
    void showRemovedRegistrations(const QList<qlonglong>& orders) override {
        for (qlonglong order : orders)
            m_removed << QString::number(order);
    }

    // Club ABC, competition 57 with its races; athletes of ABC and of another club; rows
    // of nprg57 as "code name race".
    void open(const QStringList& registrations = {}, const QVariant& limit = QVariant(3),
              const QString& categories = kCategories) {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid() && m_db->seedEntryCompetition());
        for (const QString& row : registrations) {
            const QStringList f = row.split(QLatin1Char(' '));
            const QString soc = f.value(0) == QLatin1String("2001") ? u"XYZ"_s : u"ABC"_s;
            QVERIFY(m_db->insertRows("nprg57", {"codatl", "nome", "anno", "cat", "soc", "sesso", "spec", "m", "s"},
                                     {{f.value(0), f.value(1) + QLatin1Char(' ') + f.value(2), 1990, "RAG", soc, "M",
                                       f.mid(3).join(QLatin1Char(' ')), 1, 10}}));
        }
        m_state = std::make_unique<AppState>(m_dialogs);
        m_state->databasePath = m_db->path();
        m_state->store.setDatabasePath(m_db->path());
        m_state->session.setClub(u"ABC"_s);
        Competition c;
        c.number = u"57"_s;
        c.name = u"Trofeo"_s;
        c.maxEntriesPerAthlete = limit;
        c.categories = categoriesOfText(categories);
        m_state->setCompetition(c);
        m_book = std::make_unique<RegistrationBook>(*m_state);
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
        form.sex = u"M"_s;
        form.year = u"1990"_s;
        form.category = u"RAG"_s;
        form.race = race;
        form.time = time;
        return form;
    }
    QStringList table(const char* sql) { return QVariant(m_db->column(QString::fromUtf8(sql))).toStringList(); }

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
        RegistrationForm form = athlete(QString(), u"ROSSI MARIO"_s);
        QTest::newRow("no code") << form << "" << texts("Devi indicare un codice per l'atleta") << archive << held;
        form = athlete(u"1001"_s, QString());
        QTest::newRow("no name") << form << "" << texts("Devi indicare il nome dell'atleta") << archive << held;
        form = athlete(u"1001"_s, u"ROSSI MARIO"_s);
        form.sex.clear();
        QTest::newRow("no sex") << form << "" << texts("Manca il sesso") << archive << held;
        form = athlete(u"1001"_s, u"ROSSI MARIO"_s);
        form.year.clear();
        form.category.clear();
        QTest::newRow("no year before no category") << form << "" << texts("Manca l'anno") << archive << held;
        form = athlete(u"1001"_s, u"ROSSI MARIO"_s);
        form.category.clear();
        QTest::newRow("no category") << form << "" << texts("Manca la categoria") << archive << held;

        form = athlete(u"1001"_s, u"verdi gino"_s);
        QTest::newRow("code held: retry") << form << "Y" << QStringList{kRetry} << archive << held;
        QTest::newRow("code held: no overwrite") << form << "NN" << QStringList{kRetry, kOverwrite} << archive << held;
        QTest::newRow("code held: overwrite")
            << form << "NY" << QStringList{kRetry, kOverwrite}
            << QStringList{"1001 VERDI GINO", "1002 D'ANGELO LUCA", "1003 NERI ADA"} << QStringList{};

        form = athlete(u"1500"_s, u"ROSSI MARIO"_s);
        QTest::newRow("namesake: retry") << form << "Y" << QStringList{kNamesake} << archive << held;
        QTest::newRow("namesake: delete the other")
            << form << "NN" << QStringList{kNamesake, kKeepBoth} << QStringList{"1002 D'ANGELO LUCA", "1003 NERI ADA"}
            << QStringList{};
        QTest::newRow("namesake: keep both, the row takes the code")
            << form << "NY" << QStringList{kNamesake, kKeepBoth}
            << QStringList{"1002 D'ANGELO LUCA", "1003 NERI ADA", "1500 ROSSI MARIO"} << held;

        form = athlete(u"900"_s, u"d'amico ugo"_s);
        QTest::newRow("new athlete, apostrophe")
            << form << "" << QStringList{}
            << QStringList{"900 D'AMICO UGO", "1001 ROSSI MARIO", "1002 D'ANGELO LUCA", "1003 NERI ADA"} << held;
        form = athlete(u"1002"_s, u"D'ANGELO LUCA"_s);
        QTest::newRow("same athlete rewritten") << form << "" << QStringList{} << archive << held;
    }

    void setAthlete() {
        QFETCH(RegistrationForm, form);
        QFETCH(QString, answers);
        QFETCH(QStringList, dialogs);
        open({u"1001 ROSSI MARIO 100SL"_s});
        m_dialogs.queueYesNo(answers);
        const RegistrationView view = m_flow->setAthlete(form);
        QCOMPARE(m_dialogs.takeMarked(), dialogs);
        QTEST(table("select codatl || ' ' || nome from natl where soc='ABC' order by codatl"), "archive");
        QTEST(table("select codatl || ' ' || spec from nprg57"), "registrations");
        QCOMPARE(view.athleteSet, dialogs.isEmpty() || answers.endsWith(QLatin1String("NY")));
        if (view.athleteSet) {
            QCOMPARE(view.codeEntry.value_or(QString()), form.code.toUpper());
            QVERIFY(view.raceLines && view.raceLines->contains(u"100FA"_s));
            QVERIFY(view.clubNames && view.clubNames->contains(form.name.toUpper()));
        }
    }

    void registerAthlete_data() { addRows(kRegister); }
    void registerAthlete() {
        QFETCH(int, row);
        const auto& c = kRegister[row];
        open({u"1001 ROSSI MARIO 100SL"_s, u"1001 ROSSI MARIO 200SL"_s, u"1001 ROSSI MARIO 100FA"_s,
              u"2001 BIANCHI EZIO 100SL"_s},
             c.limit);
        RegistrationForm form = athlete(u"1001"_s, u"ROSSI MARIO"_s, c.race, c.time);
        form.category = QString::fromUtf8(c.category);
        m_gridReadings = 0;
        const RegistrationView view = m_flow->registerAthlete(form);
        QCOMPARE(m_dialogs.takeMarked(), texts(c.dialog));
        const QStringList rows = texts(c.rows);
        QCOMPARE(table("select spec || printf(' %g', s) from nprg57 where codatl=1001 order by spec"), rows);
        // A race registered again is rewritten in place: the insertion order stays.
        QCOMPARE(table("select spec from nprg57 where codatl=1001 order by OrdineInserimento").mid(0, 3),
                 QStringList({"100SL", "200SL", "100FA"}));
        const bool written = !*c.dialog;
        QCOMPARE(view.registrationCount.has_value(), written);
        QCOMPARE(m_gridReadings, written ? 1 : 0); // the window's grid reads the write
        QCOMPARE(m_state->competition().registrationCount, written ? QString::number(rows.size()) : QString());
        if (written)
            QCOMPARE(view.caption.value_or(QString()),
                     u"Iscrizioni ABC. Numero iscrizioni: "_s + QString::number(rows.size()));
    }

    void entryTimes_data() { addRows(kTimes); }
    void entryTimes() {
        QFETCH(int, row);
        const auto& c = kTimes[row];
        open();
        const RegistrationForm form = athlete(u"1001"_s, u"ROSSI MARIO"_s, "100SL", c.typed);
        const RegistrationView view = m_flow->registerAthlete(form);
        QCOMPARE(m_dialogs.takeMarked(), texts(c.refusal));
        QCOMPARE(table("select printf('%g %g', m, s) from nprg57"), texts(c.stored));
        // The time is remembered for the athlete's race when it is one a user could mean.
        QCOMPARE(table("select Spec || printf(' %g %g', M, S) from Records"),
                 c.remembered ? QStringList{u"100SL "_s + QString::fromUtf8(c.stored)} : QStringList{});
        if (*c.refusal) {
            QVERIFY(!view.time && !view.status);
            return;
        }
        QCOMPARE(view.time.value_or(QString()), QString::fromUtf8(c.shown));
        QVERIFY(view.status.value_or(QString()).startsWith(u"Ultima iscrizione: ROSSI MARIO 100SL "_s +
                                                           QString::fromUtf8(c.typed) + u" ----> "_s));
        QCOMPARE(m_flow->chooseRace(form, u"100SL (gia' registrato)"_s).time.value_or(u"?"_s),
                 QString::fromUtf8(c.shown));
    }

    void lookups_data() { addRows(kLookups); }
    void lookups() {
        QFETCH(int, row);
        const auto& c = kLookups[row];
        open({u"1001 ROSSI MARIO 100SL"_s}, QVariant(3), *c.categories ? QString::fromUtf8(c.categories) : kCategories);
        m_dialogs.queueYesNo(QString::fromUtf8(c.answers));
        RegistrationForm form; // the race and the time chosen for the athlete shown before
        form.codeEntry = QString::fromUtf8(c.entry);
        form.code = u"1009"_s, form.race = u"50DO"_s, form.time = u"1:00.00"_s;
        const RegistrationView view = c.byCode ? m_flow->lookupByCode(form) : m_flow->recall(form);
        const auto left = *c.shownName == '-' ? std::nullopt : std::optional<QString>(QString());
        QCOMPARE(std::pair(view.race, view.time), std::pair(left, left));
        QCOMPARE(m_dialogs.takeMarked(), dialogsOf(c.dialogs));
        QCOMPARE(view.name.value_or(u"-"_s), QString::fromUtf8(c.shownName));
        QCOMPARE(view.categories.value_or(QStringList{}), texts(c.items));
        if (*c.races == '-') {
            QVERIFY(!view.raceLines && !view.registerEnabled);
        } else {
            QCOMPARE(view.raceLines.value_or(QStringList{u"?"_s}), texts(c.races));
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
            m_dialogs.queueYesNo(u"N"_s);
        RegistrationForm form;
        form.sex = QString::fromUtf8(c.sex);
        form.year = QString::fromUtf8(c.year);
        const RegistrationView view = c.leaveYear ? m_flow->leaveYear(form) : m_flow->leaveSex(form);
        QCOMPARE(m_dialogs.takeMarked(), dialogs);
        QCOMPARE(view.sex.value_or(u"-"_s), QString::fromUtf8(c.shownSex));
        QCOMPARE(view.year.value_or(u"-"_s), QString::fromUtf8(c.shownYear));
        QCOMPARE(view.category.value_or(u"-"_s), QString::fromUtf8(c.category));
        QCOMPARE(view.sexRefused, *c.shownSex == 'X');
    }

    void deleteRegistration() {
        open({u"1001 ROSSI MARIO 100SL"_s, u"1009 ROSSI MARIO 100SL"_s, u"1001 ROSSI MARIO 200SL"_s,
              u"2001 ROSSI MARIO 100SL"_s});
        const RegistrationRow row{u"ROSSI MARIO"_s, u"100SL"_s};
        const QString question = u"?N Sei sicuro di voler cancellare i records selezionati: ROSSI MARIO_100SL"_s;
        m_dialogs.queueYesNo(u"N"_s);
        QVERIFY(!m_flow->deleteRegistration({}, row).registrationCount);
        QCOMPARE(m_dialogs.takeMarked(), QStringList{question});
        QCOMPARE(m_db->count(u"nprg57"_s), 4);

        // Every row of the club with that name and race goes, whatever its code; then
        // "Imposta Atleta" runs on the frame, here empty, and says so.
        m_dialogs.queueYesNo(u"Y"_s);
        const QStringList gone = table("select OrdineInserimento from nprg57 where soc='ABC' and spec='100SL'");
        const RegistrationView view = m_flow->deleteRegistration({}, row);
        QCOMPARE(m_removed, gone); // the grid drops exactly the rows deleted
        QCOMPARE(m_dialogs.takeMarked(), QStringList({question, u"Devi indicare un codice per l'atleta"_s}));
        QCOMPARE(table("select soc || spec from nprg57 order by soc"), QStringList({"ABC200SL", "XYZ100SL"}));
        QCOMPARE(view.registrationCount, std::optional<int>(1));
        QCOMPARE(view.caption.value_or(QString()), u"Iscrizioni Trofeo:1"_s);
        QCOMPARE(m_state->competition().registrationCount, u"1"_s);
    }

    void timeBoxAndFailures() {
        open({u"1001 ROSSI MARIO 100SL"_s});
        QVERIFY(m_db->exec(u"insert into Records (Codatl, Nome, Spec, M, S) values ('1001', 'X', '100FA', 2, 3.5)"_s));
        m_book->load();
        const RegistrationForm form = athlete(u"1001"_s, u"ROSSI MARIO"_s);
        // A race not registered shows the remembered time; a registered one its own.
        RegistrationView view = m_flow->chooseRace(form, u"100FA"_s);
        QCOMPARE(view.race.value_or(QString()), u"100FA"_s);
        QCOMPARE(view.time.value_or(QString()), u"2:03.50"_s);
        QCOMPARE(m_flow->chooseRace(form, u"100SL (gia' registrato)"_s).time.value_or(QString()), u"1:10.00"_s);
        QCOMPARE(m_flow->chooseRace({}, u"100FA"_s).race.value_or(QString()), u"100FA"_s);
        QCOMPARE(m_dialogs.takeMarked(), QStringList{u"Devi specificare il codice atleta"_s});

        // The table gone under the window (another program, a re-initialisation): no success.
        QVERIFY(m_db->exec(u"drop table nprg57"_s));
        view = m_flow->registerAthlete(athlete(u"1001"_s, u"ROSSI MARIO"_s, "100FA", "1:00.00"));
        const QStringList texts = m_dialogs.takeMarked();
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts.first().startsWith(u"Iscrizione non registrata: "_s) && !view.status && !view.registrationCount);
    }

    void racesWithBlanks() {
        // Race codes as the service sends them, one a part of another.
        open({u"1001 ROSSI MARIO 150 SL"_s});
        QVERIFY(m_db->insertRows(
            "programmi", {"ManifID", "gara", "Categoria", "Sesso", "Anno"},
            {{57, "50 SL", "RAG", "M", 0}, {57, "150 SL", "RAG", "M", 0}, {57, "4x50 SL", "RAG", "M", 0}}));
        RegistrationForm form = athlete(u"1001"_s, u"ROSSI MARIO"_s, "50 SL", "0:31.00");
        RegistrationView view = m_flow->registerAthlete(form);
        QCOMPARE(m_dialogs.takeMarked(), QStringList());
        QCOMPARE(table("select spec from nprg57 order by spec"), QStringList({"150 SL", "50 SL"}));
        const QStringList lines = view.raceLines.value_or(QStringList());
        QCOMPARE(lines.value(view.raceLine.value_or(-1)), u"50 SL (gia' registrato)"_s);
        QCOMPARE(view.race.value_or(QString()), u"50 SL"_s);
        QCOMPARE(view.time.value_or(QString()), u"0:31.00"_s);

        // "Modifica Iscrizione" chooses the line of that very race.
        form.raceLines = {u"150 SL (gia' registrato)"_s, u"4x50 SL"_s};
        view = m_flow->changeRegistration({}, {u"ROSSI MARIO"_s, u"4x50 SL"_s});
        QVERIFY(!view.raceLine); // no such registration
        view = m_flow->changeRegistration(form, {u"ROSSI MARIO"_s, u"50 SL"_s});
        QCOMPARE(view.raceLines.value_or(QStringList()).value(view.raceLine.value_or(-1)),
                 u"50 SL (gia' registrato)"_s);
        QCOMPARE(view.race.value_or(QString()), u"50 SL"_s);
        QCOMPARE(view.time.value_or(QString()), u"0:31.00"_s);
    }

    // The name list is read again only after a write to the file, whoever made it.
    void namesFollowTheArchive() {
        open({u"1001 ROSSI MARIO 100SL"_s});
        const auto names = [this] {
            return m_flow->setAthlete(athlete(u"1001"_s, u"ROSSI MARIO"_s)).clubNames.value_or(QStringList());
        };
        const QStringList before = names();
        QCOMPARE(names(), before);
        QVERIFY(m_db->exec(
            u"insert into natl (codatl, nome, anno, soc, sesso) values (3001, 'ALTRO', 1990, 'ABC', 'M')"_s));
        QVERIFY(names().contains(u"ALTRO"_s));
        DataSource shared; // through the connection the window's sources share
        shared.setDatabaseFile(m_db->path());
        shared.setRecordSource(u"select * from natl where codatl=3001"_s);
        QVERIFY(shared.refresh() && shared.edit() && shared.setField(u"nome"_s, u"ALTRA"_s) && shared.update());
        QVERIFY(names().contains(u"ALTRA"_s));
        QCOMPARE(m_dialogs.takeMarked(), QStringList());
    }

    void marksOfTheAthleteShown() {
        open({u"1001 ROSSI MARIO 100SL"_s, u"1002 D'ANGELO LUCA 200SL"_s});
        const QStringList dAngelo = {"100FA", "100SL", "200SL (gia' registrato)", "50DO"};
        RegistrationForm form = athlete(u"1001"_s, u"ROSSI MARIO"_s);
        form.nameEntry = u"D'ANGELO LUCA"_s;
        // The name chosen in the list while the code entry still holds the previous athlete's code.
        RegistrationView view = m_flow->lookupByName(form);
        QCOMPARE(view.codeEntry.value_or(QString()), u"1002"_s);
        QCOMPARE(view.raceLines.value_or(QStringList()), dAngelo);
        // Enter on a name typed but not yet looked up.
        view = m_flow->nameEntered(form);
        QCOMPARE(view.codeEntry.value_or(QString()), u"1002"_s);
        QCOMPARE(view.name.value_or(QString()), u"D'ANGELO LUCA"_s);
        QCOMPARE(view.raceLines.value_or(QStringList()), dAngelo);
        // Enter on the name shown: the code entry takes its code, the race list stays.
        form.nameEntry = form.name;
        form.codeEntry = u"1002"_s;
        view = m_flow->nameEntered(form);
        QCOMPARE(view.codeEntry.value_or(QString()), u"1001"_s);
        QCOMPARE(view.category.value_or(QString()), u"RAG"_s);
        QVERIFY(!view.raceLines);
        QCOMPARE(m_dialogs.takeMarked(), QStringList());
    }

    void theCompetitionShown() {
        open();
        QVERIFY(m_db->createRegistrationTable(u"58"_s));
        QVERIFY(m_db->insertRows("programmi", {"ManifID", "gara", "Categoria", "Sesso", "Anno"},
                                 {{58, "400MX", "RAG", "M", 0}}));
        // Another row chosen in the workspace, its opening cancelled: the window still shows 57.
        m_state->changeCompetition([](Competition& c) { c.number = u"58"_s; });
        const RegistrationForm form = athlete(u"1001"_s, u"ROSSI MARIO"_s, "100SL", "1:05.00");
        QVERIFY(m_flow->registerAthlete(form).registrationCount);
        QCOMPARE(m_db->count(u"nprg57"_s), 1);
        QCOMPARE(m_db->count(u"nprg58"_s), 0);
        QCOMPARE(m_state->competition().registrationCount, QString()); // 58's count is not 57's

        // 58 opened: the form starts empty, and a race left in it from 57 is not registered in 58.
        const RegistrationView opened = m_flow->open();
        for (const std::optional<QString>& box : {opened.codeEntry, opened.code, opened.name, opened.year, opened.race,
                                                  opened.time, opened.nameEntry, opened.category})
            QCOMPARE(box, std::optional<QString>(QString()));
        QCOMPARE(opened.raceLines, std::optional<QStringList>(QStringList()));
        QCOMPARE(m_flow->registerAthlete(form).raceLines, std::optional<QStringList>(QStringList{"400MX"}));
        QCOMPARE(m_dialogs.takeMarked(), texts("La gara scelta non e' nel programma di questa manifestazione"));
        QCOMPARE(m_db->count(u"nprg58"_s), 0);
        QVERIFY(m_flow->registerAthlete(athlete(u"1001"_s, u"ROSSI MARIO"_s, "400MX", "5:00.00")).registrationCount);
        QCOMPARE(table("select spec from nprg58"), QStringList{"400MX"});
    }
};

QTEST_GUILESS_MAIN(TestRegistrationFlow)
#include "tst_registration_flow.moc"
