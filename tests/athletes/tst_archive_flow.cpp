// The archive's commands without windows: the dialogs they show in order, the answers
// they act on, the rows of natl afterwards and what the window is told to show.
#include "FixtureDb.h"
#include "ScriptedDialogs.h"

#include "athletes/ArchiveFlow.h"
#include "core/AppState.h"
#include "core/Settings.h"
#include "store/Database.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace onda;
using namespace Qt::StringLiterals;

using Texts = QStringList;

// The window as the commands see it: what it is told, one line each.
struct RecordedPort : ArchiveFlow::Port {
    Texts told;
    Status showAthletes(const AthleteScope& scope) override {
        told << u"athletes "_s + (scope.wholeRegister ? u"natl"_s : scope.club);
        return {};
    }
    Status showWritten(const WrittenAthlete& written) override {
        const char* change[] = {"added", "in place", "renamed", "reselected"};
        told << written.code + u' ' + QLatin1String(change[int(written.change)]);
        return {};
    }
    Status showRemoved() override {
        told << u"removed"_s;
        return {};
    }
    void showNewRecord(bool) override {}
    Texts take() { return std::exchange(told, {}); }
};

class TestArchiveFlow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_settings;
    std::unique_ptr<FixtureDb> m_db;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<AppState> m_state;
    RecordedPort m_port;
    std::unique_ptr<ArchiveFlow> m_flow;

    // The club ABC with three athletes and a relay team, another club, a provisional code.
    void build() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->exec(u"insert into natl (codatl,nome,anno,soc,sesso,squadra) values "
                           "(100,'ROSSI MARIO',1985,'ABC','M',null),(200,'BIANCHI ANNA',1990,'ABC','F',0),"
                           "(300,'D''ANGELO LUCA',2001,'ABC','M',null),(400,'STAFFETTA',1990,'ABC','M',-1),"
                           "(900,'VERDI PIETRO',1980,'XYZ','M',null),(500000,'PROVVISORIO',2000,'ABC','F',null)"_s));
        m_state = std::make_unique<AppState>(m_dialogs);
        m_state->session.setClub(u"ABC"_s);
        m_state->databasePath = m_db->path();
        m_port.told.clear();
        m_flow = std::make_unique<ArchiveFlow>(*m_state, m_dialogs, m_port);
        QVERIFY(m_flow->openOnClubAthletes());
        QCOMPARE(m_port.take(), Texts{"athletes ABC"});
    }
    // The rows of natl with `code` or `name`, as "code name year club sex team".
    QStringList rowsOf(const QString& code, const QString& name) {
        return QVariant(m_db->column(u"select codatl||' '||nome||' '||anno||' '||soc||' '||sesso||' '||"
                                     "coalesce(squadra,'') from natl where codatl=? or nome=? order by codatl"_s,
                                     {code, name}))
            .toStringList();
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
        QTest::addColumn<QString>("answers"); // Y or N for each question
        QTest::addColumn<Texts>("texts");     // questions marked by their default button
        QTest::addColumn<bool>("saved");
        QTest::addColumn<Texts>("rows");
        QTest::addColumn<Texts>("told"); // the window, after a save
        QTest::addColumn<QString>("club");
        const QString namesake = u"?Y Esiste gia' un nome cosi': D'ANGELO LUCA - ABC. Vuoi proseguire"_s;
        const QString luca = u"300 D'ANGELO LUCA 2001 ABC M "_s;
        const QString notWhole = u"Il codice dell'atleta deve essere un numero intero"_s;
        // clang-format off
        QTest::newRow("new") << true << "701" << "NUOVO" << "" << Texts{} << true << Texts{"701 NUOVO 1999 ABC M 0"}
                             << Texts{"701 added"} << "ABC";
        QTest::newRow("new, code in use") << true << "900" << "NUOVO" << ""
                                          << Texts{"Codice esistente. Non puoi sovrascriverlo"} << false
                                          << Texts{"900 VERDI PIETRO 1980 XYZ M "} << Texts{} << "ABC";
        QTest::newRow("new, namesake, No") << true << "700" << "D'ANGELO LUCA" << "N" << Texts{namesake}
                                           << false << Texts{luca} << Texts{} << "ABC";
        QTest::newRow("new, namesake, Yes") << true << " 700" << "D'ANGELO LUCA" << "Y" << Texts{namesake}
                                            << true << Texts{luca, "700 D'ANGELO LUCA 1999 ABC M 0"}
                                            << Texts{"700 added"} << "ABC";
        QTest::newRow("new, code not a number") << true << "7x" << "NUOVO" << "" << Texts{notWhole} << false << Texts{}
                                                << Texts{} << "ABC";
        // A change rewrites all six fields, without a question about the name; the window
        // moves the row only when the name changed, and reads all again for another club.
        QTest::newRow("change") << false << "300" << "D'ANGELO LUCA" << "" << Texts{} << true
                                << Texts{"300 D'ANGELO LUCA 1999 ABC M 0"} << Texts{"300 in place"} << "ABC";
        QTest::newRow("rename") << false << "100" << "AAA PRIMO" << "" << Texts{} << true
                                << Texts{"100 AAA PRIMO 1999 ABC M 0"} << Texts{"100 renamed"} << "ABC";
        QTest::newRow("rename onto a namesake") << false << "300" << "ROSSI MARIO" << "" << Texts{} << true
                                                << Texts{"100 ROSSI MARIO 1985 ABC M ", "300 ROSSI MARIO 1999 ABC M 0"}
                                                << Texts{"300 renamed"} << "ABC";
        QTest::newRow("change of club") << false << "200" << "ZETA" << "" << Texts{} << true
                                        << Texts{"200 ZETA 1999 XYZ M 0"} << Texts{"200 reselected"} << "XYZ";
        const QString notShown = u" non e' tra gli atleti dell'archivio mostrati: nulla e' stato registrato. "
                                 "Per un atleta nuovo premi \"Nuovo\"."_s;
        QTest::newRow("change of an unknown code") << false << "777" << "NUOVO" << "" << Texts{"Il codice 777" + notShown}
                                                   << false << Texts{} << Texts{} << "ABC";
        QTest::newRow("change of another club's athlete") << false << "900" << "NUOVO" << ""
                                                          << Texts{"Il codice 900" + notShown} << false
                                                          << Texts{"900 VERDI PIETRO 1980 XYZ M "} << Texts{} << "ABC";
        // clang-format on
    }

    void save() {
        QFETCH(bool, newRecord);
        QFETCH(QString, code);
        QFETCH(QString, name);
        QFETCH(QString, answers);
        QFETCH(bool, saved);
        QFETCH(QString, club);
        m_flow->setNewRecord(newRecord);
        m_dialogs.queueYesNo(answers);
        QCOMPARE(m_flow->save({code, name, u"1999"_s, club, u"M"_s, false}), saved);
        QTEST(m_dialogs.takeMarked(), "texts");
        QTEST(rowsOf(code.trimmed(), name), "rows");
        QTEST(m_port.take(), "told");
        // A refusal keeps the new-record flag; a save clears it.
        QCOMPARE(m_flow->isNewRecord(), newRecord && !saved);
        // What was written is what is shown: saved again, it is found unchanged.
        if (saved) {
            QVERIFY(m_flow->save({code, name, u"2000"_s, club, u"F"_s, false}));
            QCOMPARE(m_dialogs.takeTexts(), Texts{});
        }
    }

    void codeChange_data() {
        QTest::addColumn<bool>("newRecord");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("oldCode");
        QTest::addColumn<QString>("answer"); // null: the box cancelled
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<QString>("taken");      // the code given back; null when none
        QTest::addColumn<QString>("rossiAfter"); // where ROSSI MARIO stands afterwards
        const QString reminder = u"Controlla che nel file non abbia usato il vecchio codice"_s;
        const QString prompt = u"Nuovo codice al posto di 100"_s;
        const QString notWhole = u"Il nuovo codice deve essere un numero intero"_s;
        // clang-format off
        QTest::newRow("free code") << false << 0 << "100" << " 5555" << Texts{prompt, reminder} << "5555" << "5555";
        QTest::newRow("cancelled") << false << 0 << "100" << QString() << Texts{prompt} << QString() << "100";
        QTest::newRow("code in use") << false << 0 << "100" << "900"
            << Texts{prompt, "Codice esistente (VERDI PIETRO). Non puoi sovrascriverlo"} << QString() << "100";
        QTest::newRow("not a number") << false << 0 << "100" << "12a" << Texts{prompt, notWhole} << QString() << "100";
        QTest::newRow("provisional only, 100") << false << 2 << "100" << "5555"
            << Texts{"non puoi modificare codici inferiori a 500000 o superiori a 600000"} << QString() << "100";
        QTest::newRow("provisional only, 500000") << false << 2 << "500000" << "500001"
            << Texts{"Nuovo codice al posto di 500000", reminder} << "500001" << "100";
        // A record not yet saved only takes another proposed code: nothing is written, the
        // flag stays, and the save checks the code.
        QTest::newRow("new, free") << true << 0 << "" << "600123" << Texts{"Nuovo codice al posto di "} << "600123" << "100";
        QTest::newRow("new, in use") << true << 0 << "" << "100" << Texts{"Nuovo codice al posto di "} << "100" << "100";
        QTest::newRow("new, not a number") << true << 0 << "" << "12a" << Texts{"Nuovo codice al posto di ", notWhole}
            << QString() << "100";
        QTest::newRow("new, provisional only") << true << 2 << "" << "600123" << Texts{"Nuovo codice al posto di "}
            << "600123" << "100";
        // clang-format on
    }

    void codeChange() {
        QFETCH(bool, newRecord);
        QFETCH(int, mode);
        QFETCH(QString, oldCode);
        QFETCH(QString, answer);
        QFETCH(QString, rossiAfter);
        setUsageMode(mode);
        if (newRecord)
            m_flow->newRecord();
        else
            QCOMPARE(m_flow->lookup(oldCode).outcome, CodeLookup::Outcome::Found);
        if (newRecord || mode != 2 || oldCode != u"100"_s)
            m_dialogs.queueInput(answer.isNull() ? std::nullopt : std::optional<QString>(answer));
        const std::optional<QString> result = m_flow->changeCode(oldCode);
        QTEST(m_dialogs.takeTexts(), "texts");
        QTEST(result.value_or(QString()), "taken");
        QCOMPARE(m_db->column(u"select codatl from natl where nome='ROSSI MARIO'"_s).value(0).toString(), rossiAfter);
        QCOMPARE(m_db->count(u"natl"_s, u"codatl in (100, 200, 300, 400, 900)"_s), 4 + int(rossiAfter == u"100"_s));
        QCOMPARE(m_flow->isNewRecord(), newRecord);
        // The window shows the record under its new code, read afresh.
        QCOMPARE(m_port.take(), result && !newRecord ? Texts{*result + u" reselected"_s} : Texts{});
    }

    void deletion_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("answer"); // empty: no question
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("before"); // 701 added, or 300 renamed ZZZ, first
        const QString sure = u"?N Sei sicuro di voler cancellare questo atleta?"_s;
        // clang-format off
        QTest::newRow("another club's") << "900" << "" << Texts{"Codice non esistente"} << int(Deletion::Refused) << "";
        QTest::newRow("No") << "200" << "N" << Texts{sure} << int(Deletion::Kept) << "";
        QTest::newRow("Yes") << "200" << "Y" << Texts{sure} << int(Deletion::Deleted) << "";
        // The athletes are by name as they were read: ROSSI MARIO is the last; rows added since
        // follow them, and a row renamed since keeps its place.
        QTest::newRow("the last record") << "100" << "Y" << Texts{sure, "Ultimo record"} << int(Deletion::LastRecord)
                                         << "";
        QTest::newRow("the last by name, one added") << "100" << "Y" << Texts{sure} << int(Deletion::Deleted) << "add";
        QTest::newRow("the one added") << "701" << "Y" << Texts{sure, "Ultimo record"} << int(Deletion::LastRecord)
                                       << "add";
        QTest::newRow("the last, another renamed past it") << "100" << "Y" << Texts{sure, "Ultimo record"}
                                                           << int(Deletion::LastRecord) << "rename";
        QTest::newRow("the one renamed") << "300" << "Y" << Texts{sure} << int(Deletion::Deleted) << "rename";
        // clang-format on
    }

    void deletion() {
        QFETCH(QString, code);
        QFETCH(QString, answer);
        QFETCH(int, outcome);
        QFETCH(QString, before);
        QVERIFY(m_db->createRegistrationTable(u"57"_s) &&
                m_db->addRegistration(u"57"_s, 200, u"BIANCHI ANNA"_s, u"ABC"_s));
        const bool added = before == u"add"_s;
        if (added)
            m_flow->newRecord();
        if (!before.isEmpty())
            QVERIFY(m_flow->save(added ? AthleteRecord{u"701"_s, u"NUOVO"_s, u"1999"_s, u"XYZ"_s, u"M"_s, false}
                                       : AthleteRecord{u"300"_s, u"ZZZ"_s, u"2001"_s, u"ABC"_s, u"M"_s, false}));
        m_port.take();
        m_dialogs.queueYesNo(answer);
        QCOMPARE(int(m_flow->remove(code)), outcome);
        QTEST(m_dialogs.takeMarked(), "texts");
        const bool gone = outcome == int(Deletion::Deleted) || outcome == int(Deletion::LastRecord);
        QCOMPARE(m_db->count(u"natl"_s), 6 + int(added) - int(gone));
        // The window reads its athletes again after a deletion, not after the last one's.
        QCOMPARE(m_port.take(), outcome == int(Deletion::Deleted) ? Texts{"removed"} : Texts{});
        QCOMPARE(m_db->count(u"nprg57"_s, u"codatl=200"_s), 1); // registrations keep the code
    }

    // The athlete on show changed or deleted by another program: no command writes over it.
    void aRowChangedMeanwhileIsNotOverwritten_data() {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("command");
        QTest::addColumn<Texts>("texts");
        const QString deleted = u"Record is deleted."_s;
        for (const char* meanwhile :
             {"update natl set anno=1950 where codatl=200", "delete from natl where codatl=200"}) {
            const QString other = QLatin1String(meanwhile);
            const QString row = other.left(6) + u", "_s;
            QTest::newRow(qPrintable(row + u"save"_s))
                << other << u"save"_s << Texts{u"Impossibile registrare l'atleta: "_s + deleted};
            QTest::newRow(qPrintable(row + u"remove"_s))
                << other << u"remove"_s
                << Texts{u"?N Sei sicuro di voler cancellare questo atleta?"_s, u"Errore nel database: "_s + deleted};
            QTest::newRow(qPrintable(row + u"change of code"_s))
                << other << u"code"_s
                << Texts{u"Nuovo codice al posto di 200"_s, u"Impossibile cambiare il codice: "_s + deleted};
        }
    }

    void aRowChangedMeanwhileIsNotOverwritten() {
        QFETCH(QString, meanwhile);
        QFETCH(QString, command);
        QCOMPARE(m_flow->lookup(u"200"_s).record.year, u"1990"_s);
        Database other;
        QVERIFY(other.open(m_db->path()) && other.execute(meanwhile));
        const QStringList before = rowsOf(u"200"_s, QString());
        if (command == u"save"_s) {
            QVERIFY(!m_flow->save({u"200"_s, u"BIANCHI ANNA"_s, u"1991"_s, u"ABC"_s, u"F"_s, false}));
        } else if (command == u"remove"_s) {
            m_dialogs.queueYesNo(u"Y"_s);
            QCOMPARE(int(m_flow->remove(u"200"_s)), int(Deletion::Refused));
        } else {
            m_dialogs.queueInput(u"5555"_s);
            QVERIFY(!m_flow->changeCode(u"200"_s));
        }
        QTEST(m_dialogs.takeMarked(), "texts");
        QCOMPARE(rowsOf(u"200"_s, QString()), before);
        QCOMPARE(m_port.take(), Texts{});
        // Looked up again, the athlete as it now stands is written.
        if (meanwhile.startsWith(u"update"_s)) {
            QCOMPARE(m_flow->lookup(u"200"_s).record.year, u"1950"_s);
            QVERIFY(m_flow->save({u"200"_s, u"BIANCHI ANNA"_s, u"1991"_s, u"ABC"_s, u"F"_s, false}));
            QCOMPARE(rowsOf(u"200"_s, QString()), Texts{"200 BIANCHI ANNA 1991 ABC F 0"});
        }
    }

    void aLockedDatabaseRefusesTheSave() {
        m_flow->newRecord();
        // Another program holds the file's write lock for longer than the store waits.
        Database other;
        QVERIFY(other.open(m_db->path()) && other.execute(u"BEGIN IMMEDIATE"_s));
        QVERIFY(!m_flow->save({u"701"_s, u"GIALLI"_s, u"1999"_s, u"ABC"_s, u"F"_s, false}) &&
                other.execute(u"ROLLBACK"_s));
        const Texts shown = m_dialogs.takeTexts();
        QVERIFY2(shown.size() == 1 && shown[0].startsWith(u"Impossibile registrare l'atleta: "_s),
                 qPrintable(shown.join(u'|')));
        QVERIFY(m_flow->isNewRecord() && m_db->count(u"natl"_s, u"codatl=701"_s) == 0);
    }
};

QTEST_GUILESS_MAIN(TestArchiveFlow)
#include "tst_archive_flow.moc"
