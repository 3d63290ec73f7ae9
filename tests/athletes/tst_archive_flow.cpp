// The archive's commands without windows: the dialogs they show in order, the answers
// they act on and the rows of natl afterwards.
#include "FixtureDb.h"
#include "ScriptedDialogs.h"

#include "athletes/ArchiveFlow.h"
#include "core/AppState.h"
#include "core/Settings.h"
#include "core/WindowHost.h"
#include "store/DataSource.h"
#include "store/Database.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace onda;
using namespace Qt::StringLiterals;

using Texts = QStringList;
using Answers = QList<int>; // Dialogs::Answer, one per question asked

namespace {

// The registration window as the archive's "&Chiudi" reaches it.
class FakeDesk final : public RegistrationDesk {
public:
    void lookUpAthlete(const QString& code) override { lookedUp << code; }
    bool isShown() const override { return shown; }
    bool shown = true;
    QStringList lookedUp;
};

class FakeHost final : public WindowHost {
public:
    QWidget* child(Child) override { return nullptr; }
    void showChild(QWidget*) override {}
    void hideChild(QWidget*) override {}
    void setStatusText(const QString&) override {}
    void bindDataSources() override { ++bindings; }
    void openAddress(const QString&) override {}
    RegistrationDesk* registrationDesk() override { return &desk; }
    AthleteArchive* athleteArchive() override { return nullptr; }
    WorkspaceView* workspaceView() override { return nullptr; }
    FakeDesk desk;
    int bindings = 0;
};

} // namespace

class TestArchiveFlow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_settings;
    std::unique_ptr<FixtureDb> m_db;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<DataSource> m_view, m_navigator, m_search, m_clubs;
    std::unique_ptr<ArchiveFlow> m_flow;

    // The club ABC with three athletes and a relay team, another club, a provisional code.
    void build() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->exec(u"insert into natl (codatl,nome,anno,soc,sesso,squadra) values "
                           "(100,'ROSSI MARIO',1985,'ABC','M',null),(200,'BIANCHI ANNA',1990,'ABC','F',0),"
                           "(300,'D''ANGELO LUCA',2001,'ABC','M',null),(400,'STAFFETTA',1990,'ABC','M',-1),"
                           "(900,'VERDI PIETRO',1980,'XYZ','M',null),(500000,'PROVVISORIO',2000,'ABC','F',null)"_s));
        m_state = std::make_unique<AppState>(m_dialogs);
        m_state->club = u"ABC"_s;
        for (auto* source : {&m_view, &m_navigator, &m_search, &m_clubs}) {
            *source = std::make_unique<DataSource>();
            (*source)->setDatabaseFile(m_db->path());
        }
        m_clubs->setRecordSource(u"select * from natl"_s);
        QVERIFY(m_clubs->refresh());
        m_flow = std::make_unique<ArchiveFlow>(*m_state, m_dialogs,
                                               ArchiveSources{*m_view, *m_navigator, *m_search, *m_clubs});
        QVERIFY(m_flow->openOnClubAthletes());
    }
    void queue(const Answers& answers) {
        for (int a : answers)
            m_dialogs.queueYesNo(Dialogs::Answer(a));
    }
    // The rows of natl with `code` or `name`, as "code name year club sex team".
    QStringList rowsOf(const QString& code, const QString& name) {
        QStringList out;
        for (const QVariant& row :
             m_db->column(u"select codatl||' '||nome||' '||anno||' '||soc||' '||sesso||' '||coalesce(squadra,'') "
                          "from natl where codatl=? or nome=? order by codatl"_s,
                          {code, name}))
            out << row.toString();
        return out;
    }

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path()); }
    void init() {
        setUsageMode(0);
        build();
    }
    void cleanup() {
        const QString problems = m_dialogs.problems();
        m_dialogs.reset();
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    void save_data() {
        QTest::addColumn<bool>("newRecord");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<Texts>("rows");
        const QString namesake = u"Esiste gia' un nome cosi': D'ANGELO LUCA - ABC. Vuoi proseguire"_s;
        const QString luca = u"300 D'ANGELO LUCA 2001 ABC M "_s;
        const QString notWhole = u"Il codice dell'atleta deve essere un numero intero"_s;
        const int yes = int(Dialogs::Answer::Yes), no = int(Dialogs::Answer::No);
        // clang-format off
        QTest::newRow("new") << true << "701" << "NUOVO" << Answers{} << Texts{} << true
                             << Texts{"701 NUOVO 1999 ABC M 0"};
        QTest::newRow("new, code in use") << true << "900" << "NUOVO" << Answers{}
                                          << Texts{"Codice esistente. Non puoi sovrascriverlo"} << false
                                          << Texts{"900 VERDI PIETRO 1980 XYZ M "};
        QTest::newRow("new, namesake, No") << true << "700" << "D'ANGELO LUCA" << Answers{no} << Texts{namesake}
                                           << false << Texts{luca};
        QTest::newRow("new, namesake, Yes") << true << " 700" << "D'ANGELO LUCA" << Answers{yes} << Texts{namesake}
                                            << true << Texts{luca, "700 D'ANGELO LUCA 1999 ABC M 0"};
        QTest::newRow("new, empty code") << true << "" << "NUOVO" << Answers{} << Texts{notWhole} << false << Texts{};
        QTest::newRow("new, code not a number") << true << "7x" << "NUOVO" << Answers{} << Texts{notWhole} << false
                                                << Texts{};
        // A change rewrites all six fields, without a question about the name.
        QTest::newRow("change") << false << "300" << "D'ANGELO LUCA" << Answers{} << Texts{} << true
                                << Texts{"300 D'ANGELO LUCA 1999 ABC M 0"};
        QTest::newRow("change of an unknown code") << false << "777" << "NUOVO" << Answers{} << Texts{} << true
                                                   << Texts{};
        QTest::newRow("change of another club's athlete") << false << "900" << "NUOVO" << Answers{} << Texts{} << true
                                                          << Texts{"900 VERDI PIETRO 1980 XYZ M "};
        // clang-format on
    }

    void save() {
        QFETCH(bool, newRecord);
        QFETCH(QString, code);
        QFETCH(QString, name);
        QFETCH(Answers, answers);
        QFETCH(bool, saved);
        m_flow->setNewRecord(newRecord);
        queue(answers);
        QCOMPARE(m_flow->save({code, name, u"1999"_s, u"ABC"_s, u"M"_s, false}), saved);
        const QList<ScriptedDialogs::Shown> shown = m_dialogs.take();
        Texts texts;
        for (const ScriptedDialogs::Shown& s : shown) {
            texts << s.text;
            if (s.kind == ScriptedDialogs::Kind::YesNo)
                QCOMPARE(s.defaultAnswer, Dialogs::Answer::Yes);
        }
        QTEST(texts, "texts");
        QTEST(rowsOf(code.trimmed(), name), "rows");
        // A refusal keeps the new-record flag; a save clears it and the navigator shows the
        // new record.
        QCOMPARE(m_flow->isNewRecord(), newRecord && !saved);
        if (saved && newRecord)
            QCOMPARE(m_navigator->field(u"codatl"_s).toString(), code.trimmed());
    }

    void codeChange_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("oldCode");
        QTest::addColumn<QString>("answer"); // null: the box cancelled
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<QString>("codeAfter"); // where ROSSI MARIO stands afterwards
        QTest::addColumn<QString>("taken");     // the code the record took; null when none
        const QString reminder = u"Controlla che nel file non abbia usato il vecchio codice"_s;
        const QString provisionalOnly = u"non puoi modificare codici inferiori a 500000 o superiori a 600000"_s;
        // clang-format off
        QTest::newRow("free code") << 0 << "100" << " 5555" << Texts{"Nuovo codice al posto di 100", reminder} << "5555" << "5555";
        QTest::newRow("cancelled") << 0 << "100" << QString() << Texts{"Nuovo codice al posto di 100"} << "100" << QString();
        QTest::newRow("empty answer") << 0 << "100" << "" << Texts{"Nuovo codice al posto di 100"} << "100" << QString();
        QTest::newRow("code in use") << 0 << "100" << "900"
            << Texts{"Nuovo codice al posto di 100", "Codice esistente (VERDI PIETRO). Non puoi sovrascriverlo"} << "100" << QString();
        QTest::newRow("not a number") << 0 << "100" << "12a"
            << Texts{"Nuovo codice al posto di 100", "Il nuovo codice deve essere un numero intero"} << "100" << QString();
        QTest::newRow("provisional only, 100") << 2 << "100" << "5555" << Texts{provisionalOnly} << "100" << QString();
        QTest::newRow("provisional only, 500000") << 2 << "500000" << "500001"
            << Texts{"Nuovo codice al posto di 500000", reminder} << "100" << "500001";
        // clang-format on
    }

    void codeChange() {
        QFETCH(int, mode);
        QFETCH(QString, oldCode);
        QFETCH(QString, answer);
        QFETCH(QString, codeAfter);
        QFETCH(QString, taken);
        setUsageMode(mode);
        QCOMPARE(m_flow->lookup(oldCode).outcome, CodeLookup::Outcome::Found);
        const bool asked = mode != 2 || oldCode != u"100"_s;
        if (asked)
            m_dialogs.queueInput(answer.isNull() ? std::nullopt : std::optional<QString>(answer));
        const std::optional<QString> result = m_flow->changeCode(oldCode);
        QTEST(m_dialogs.takeTexts(), "texts");
        QCOMPARE(result.value_or(QString()), taken);
        QCOMPARE(m_db->column(u"select codatl from natl where nome='ROSSI MARIO'"_s).value(0).toString(), codeAfter);
        QCOMPARE(m_db->count(u"natl"_s, u"codatl=?"_s.replace(u'?', taken.isNull() ? oldCode : taken)), 1);
        if (result) // the navigator on the record under its new code
            QCOMPARE(m_navigator->field(u"codatl"_s).toString(), *result);
        QCOMPARE(m_db->count(u"natl"_s), 6);
    }

    // "Modifica codice" on a record not yet saved only proposes another code.
    void codeChangeOfANewRecord_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<QString>("taken"); // null: the code stays
        const QString prompt = u"Nuovo codice al posto di "_s;
        // clang-format off
        QTest::newRow("free") << 0 << "600123" << Texts{prompt} << "600123";
        QTest::newRow("in use: the save refuses it") << 0 << "900" << Texts{prompt} << "900";
        QTest::newRow("not a number") << 0 << "12a" << Texts{prompt, "Il nuovo codice deve essere un numero intero"}
                                      << QString();
        QTest::newRow("provisional only") << 2 << "600123" << Texts{prompt} << "600123";
        // clang-format on
    }

    void codeChangeOfANewRecord() {
        QFETCH(int, mode);
        QFETCH(QString, answer);
        QFETCH(QString, taken);
        setUsageMode(mode);
        m_flow->newRecord();
        m_dialogs.queueInput(answer);
        QCOMPARE(m_flow->changeCode(QString()).value_or(QString()), taken);
        QTEST(m_dialogs.takeTexts(), "texts");
        QVERIFY(m_flow->isNewRecord());
        QCOMPARE(m_db->column(u"select codatl from natl order by codatl"_s),
                 (QVariantList{100, 200, 300, 400, 900, 500000}));
    }

    void deletion_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("answer"); // -1: no question
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("standsOn"); // the working view's record afterwards
        const QString sure = u"Sei sicuro di voler cancellare questo atleta?"_s;
        const int yes = int(Dialogs::Answer::Yes), no = int(Dialogs::Answer::No);
        // clang-format off
        QTest::newRow("another club's") << "900" << -1 << Texts{"Codice non esistente"} << int(Deletion::Refused) << "";
        QTest::newRow("No") << "200" << no << Texts{sure} << int(Deletion::Kept) << "200";
        QTest::newRow("Yes") << "200" << yes << Texts{sure} << int(Deletion::Deleted) << "300";
        // The view is by name: ROSSI MARIO is its last record.
        QTest::newRow("the last record") << "100" << yes << Texts{sure, "Ultimo record"} << int(Deletion::LastRecord)
                                         << "500000";
        // clang-format on
    }

    void deletion() {
        QFETCH(QString, code);
        QFETCH(int, answer);
        QFETCH(int, outcome);
        QFETCH(QString, standsOn);
        QVERIFY(m_db->createRegistrationTable(u"57"_s));
        QVERIFY(m_db->addRegistration(u"57"_s, 200, u"BIANCHI ANNA"_s, u"ABC"_s));
        if (answer >= 0)
            m_dialogs.queueYesNo(Dialogs::Answer(answer));
        QCOMPARE(int(m_flow->remove(code)), outcome);
        const QList<ScriptedDialogs::Shown> shown = m_dialogs.take();
        Texts texts;
        for (const ScriptedDialogs::Shown& s : shown)
            texts << s.text;
        QTEST(texts, "texts");
        if (answer >= 0)
            QCOMPARE(shown.at(0).defaultAnswer, Dialogs::Answer::No);
        const bool gone = outcome == int(Deletion::Deleted) || outcome == int(Deletion::LastRecord);
        QCOMPARE(m_db->count(u"natl"_s), 6 - int(gone));
        if (!standsOn.isEmpty())
            QCOMPARE(m_view->field(u"codatl"_s).toString(), standsOn);
        QCOMPARE(m_db->count(u"nprg57"_s, u"codatl=200"_s), 1); // registrations keep the code
    }

    void lookup_data() {
        QTest::addColumn<bool>("newRecord");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<Texts>("texts");
        using O = CodeLookup::Outcome;
        // clang-format off
        QTest::newRow("empty") << false << "" << int(O::Nothing) << Texts{};
        QTest::newRow("the club's") << false << "300" << int(O::Found) << Texts{};
        QTest::newRow("another club's") << false << "900" << int(O::NotRegistered) << Texts{"Codice 900 non registrato"};
        QTest::newRow("a text") << false << "1' or '1'='1" << int(O::NotRegistered)
                                << Texts{"Codice 1' or '1'='1 non registrato"};
        QTest::newRow("new, in use") << true << "900" << int(O::Taken)
                                     << Texts{"Codice 900 già registrato: VERDI PIETRO - XYZ"};
        QTest::newRow("new, free") << true << "901" << int(O::Free) << Texts{};
        // clang-format on
    }

    void lookup() {
        QFETCH(bool, newRecord);
        QFETCH(QString, code);
        m_flow->setNewRecord(newRecord);
        const CodeLookup found = m_flow->lookup(code);
        QTEST(int(found.outcome), "outcome");
        QTEST(m_dialogs.takeTexts(), "texts");
        if (found.outcome == CodeLookup::Outcome::Found)
            QCOMPARE(found.record.name, u"D'ANGELO LUCA"_s);
        QCOMPARE(m_flow->isNewRecord(), newRecord);
    }

    void closing_data() {
        QTest::addColumn<bool>("shown");   // the registration window is on the screen
        QTest::addColumn<QString>("code"); // of the new record
        QTest::addColumn<QString>("year"); // empty: the window stays open
        QTest::addColumn<Texts>("texts");  // dialogs shown
        QTest::addColumn<bool>("closes");
        QTest::addColumn<Texts>("handedBack");
        // clang-format off
        QTest::newRow("saved, handed back") << true << "500001" << "2005" << Texts{} << true << Texts{"500001"};
        QTest::newRow("year missing") << true << "500001" << "" << Texts{} << false << Texts{};
        QTest::newRow("refused save") << true << "900" << "2005" << Texts{"Codice esistente. Non puoi sovrascriverlo"}
                                      << false << Texts{};
        QTest::newRow("from the main window") << false << "500001" << "2005" << Texts{} << true << Texts{};
        // clang-format on
    }

    void closing() {
        QFETCH(bool, shown);
        QFETCH(QString, code);
        QFETCH(QString, year);
        QFETCH(bool, closes);
        QFETCH(Texts, handedBack);
        FakeHost host;
        host.desk.shown = shown;
        m_state->windows = &host;
        m_flow->newRecord();
        std::optional<ArchiveBox> missing;
        QCOMPARE(m_flow->close({code, u"NERI PAOLO"_s, year, u"ABC"_s, u"M"_s, false}, &missing), closes);
        m_state->windows = nullptr;
        QTEST(m_dialogs.takeTexts(), "texts");
        QCOMPARE(missing.has_value(), year.isEmpty());
        if (missing)
            QCOMPARE(*missing, ArchiveBox::Year);
        QCOMPARE(host.desk.lookedUp, handedBack);
        QCOMPARE(host.bindings, int(!handedBack.isEmpty()));
        QCOMPARE(m_db->count(u"natl"_s, u"nome='NERI PAOLO'"_s), int(!handedBack.isEmpty()));
    }

    void unreadableArchive() {
        QVERIFY(m_db->exec(u"alter table natl rename to natl_old"_s));
        QVERIFY(!m_flow->openOnClubAthletes());
        QVERIFY(!m_flow->openForNewAthlete().opened);
        const Texts texts = m_dialogs.takeTexts();
        QCOMPARE(texts.size(), 2);
        for (const QString& text : texts)
            QVERIFY2(text.startsWith(u"Impossibile leggere l'archivio atleti: "_s), qPrintable(text));
        // A check that cannot be made refuses the save.
        m_flow->newRecord();
        QVERIFY(!m_flow->save({u"701"_s, u"NUOVO"_s, u"1999"_s, u"ABC"_s, u"M"_s, false}));
        QCOMPARE(m_dialogs.takeTexts().size(), 1);
    }

    void aLockedDatabaseRefusesTheSave() {
        m_flow->newRecord();
        // Another program holds the file's write lock for longer than the store waits.
        Database other;
        QVERIFY(other.open(m_db->path()));
        QVERIFY(other.execute(u"BEGIN IMMEDIATE"_s));
        QVERIFY(!m_flow->save({u"701"_s, u"GIALLI"_s, u"1999"_s, u"ABC"_s, u"F"_s, false}));
        QVERIFY(other.execute(u"ROLLBACK"_s));
        const Texts shown = m_dialogs.takeTexts();
        QVERIFY2(shown.size() == 1 && shown[0].startsWith(u"Impossibile registrare l'atleta: "_s),
                 qPrintable(shown.join(u'|')));
        QVERIFY(m_flow->isNewRecord());
        QCOMPARE(m_db->count(u"natl"_s, u"codatl=701"_s), 0);
    }

    void clubs() {
        QCOMPARE(m_flow->enterClub(u"xyz"_s), u"XYZ"_s); // capitals, then listed: no question
        m_dialogs.queueOkCancel(Dialogs::Answer::Cancel);
        QCOMPARE(m_flow->enterClub(u"nuova"_s), u"NUOVA"_s);
        QVERIFY(!m_flow->leaveClub(u"NUOVA"_s));
        QVERIFY(m_flow->leaveClub(QString()) && m_flow->leaveClub(u"ABC"_s));
        QCOMPARE(m_dialogs.takeTexts(),
                 (Texts{"Società inesistente. Seleziona dalla lista", "Società non esistente, inserirla"}));
    }
};

QTEST_GUILESS_MAIN(TestArchiveFlow)
#include "tst_archive_flow.moc"
