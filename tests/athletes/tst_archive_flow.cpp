// The archive's commands without windows: the dialogs they show in order, the answers
// they act on and the rows of natl afterwards.
#include "FixtureDb.h"
#include "ScriptedDialogs.h"

#include "athletes/ArchiveFlow.h"
#include "core/AppState.h"
#include "core/Settings.h"
#include "store/DataSource.h"
#include "store/Database.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace onda;
using namespace Qt::StringLiterals;

using Texts = QStringList;

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
        m_state->session.setClub(u"ABC"_s);
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
        const QString namesake = u"?Y Esiste gia' un nome cosi': D'ANGELO LUCA - ABC. Vuoi proseguire"_s;
        const QString luca = u"300 D'ANGELO LUCA 2001 ABC M "_s;
        const QString notWhole = u"Il codice dell'atleta deve essere un numero intero"_s;
        // clang-format off
        QTest::newRow("new") << true << "701" << "NUOVO" << "" << Texts{} << true << Texts{"701 NUOVO 1999 ABC M 0"};
        QTest::newRow("new, code in use") << true << "900" << "NUOVO" << ""
                                          << Texts{"Codice esistente. Non puoi sovrascriverlo"} << false
                                          << Texts{"900 VERDI PIETRO 1980 XYZ M "};
        QTest::newRow("new, namesake, No") << true << "700" << "D'ANGELO LUCA" << "N" << Texts{namesake}
                                           << false << Texts{luca};
        QTest::newRow("new, namesake, Yes") << true << " 700" << "D'ANGELO LUCA" << "Y" << Texts{namesake}
                                            << true << Texts{luca, "700 D'ANGELO LUCA 1999 ABC M 0"};
        QTest::newRow("new, code not a number") << true << "7x" << "NUOVO" << "" << Texts{notWhole} << false << Texts{};
        // A change rewrites all six fields, without a question about the name.
        QTest::newRow("change") << false << "300" << "D'ANGELO LUCA" << "" << Texts{} << true
                                << Texts{"300 D'ANGELO LUCA 1999 ABC M 0"};
        // A new name moves the row where a new reading puts it; a namesake's order is SQLite's.
        QTest::newRow("rename to first") << false << "100" << "AAA PRIMO" << "" << Texts{} << true
                                         << Texts{"100 AAA PRIMO 1999 ABC M 0"};
        QTest::newRow("rename to last") << false << "200" << "ZETA" << "" << Texts{} << true
                                        << Texts{"200 ZETA 1999 ABC M 0"};
        QTest::newRow("rename onto a namesake") << false << "300" << "ROSSI MARIO" << "" << Texts{} << true
                                                << Texts{"100 ROSSI MARIO 1985 ABC M ", "300 ROSSI MARIO 1999 ABC M 0"};
        const QString notShown = u" non e' tra gli atleti dell'archivio mostrati: nulla e' stato registrato. "
                                 "Per un atleta nuovo premi \"Nuovo\"."_s;
        QTest::newRow("change of an unknown code") << false << "777" << "NUOVO" << "" << Texts{"Il codice 777" + notShown}
                                                   << false << Texts{};
        QTest::newRow("change of another club's athlete") << false << "900" << "NUOVO" << ""
                                                          << Texts{"Il codice 900" + notShown} << false
                                                          << Texts{"900 VERDI PIETRO 1980 XYZ M "};
        // clang-format on
    }

    void save() {
        QFETCH(bool, newRecord);
        QFETCH(QString, code);
        QFETCH(QString, name);
        QFETCH(QString, answers);
        QFETCH(bool, saved);
        m_flow->setNewRecord(newRecord);
        m_dialogs.queueYesNo(answers);
        QCOMPARE(m_flow->save({code, name, u"1999"_s, u"ABC"_s, u"M"_s, false}), saved);
        QTEST(m_dialogs.takeMarked(), "texts");
        QTEST(rowsOf(code.trimmed(), name), "rows");
        // A refusal keeps the new-record flag; a save clears it and the navigator shows the
        // new record.
        QCOMPARE(m_flow->isNewRecord(), newRecord && !saved);
        if (saved && newRecord)
            QCOMPARE(m_navigator->field(u"codatl"_s).toString(), code.trimmed());
        // The navigator holds what a new reading holds, in its order, and stands on the record.
        DataSource fresh;
        fresh.setDatabaseFile(m_db->path());
        fresh.setRecordSource(m_navigator->recordSource());
        QVERIFY(fresh.refresh());
        const auto codes = [](const DataSource& source) {
            QStringList out;
            for (int row = 0; row < source.rowCount(); ++row)
                out << source.value(row, source.fieldIndex(u"codatl"_s)).toString() + u' ' +
                           source.value(row, source.fieldIndex(u"nome"_s)).toString();
            return out;
        };
        QCOMPARE(codes(*m_navigator), codes(fresh));
        if (saved && codes(fresh).join(u'|').contains(code.trimmed() + u' '))
            QCOMPARE(m_navigator->field(u"codatl"_s).toString(), code.trimmed());
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
        if (result && !newRecord) // the navigator on the record under its new code
            QCOMPARE(m_navigator->field(u"codatl"_s).toString(), *result);
    }

    void deletion_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("answer"); // empty: no question
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("standsOn"); // the working view's record afterwards
        const QString sure = u"?N Sei sicuro di voler cancellare questo atleta?"_s;
        // clang-format off
        QTest::newRow("another club's") << "900" << "" << Texts{"Codice non esistente"} << int(Deletion::Refused) << "";
        QTest::newRow("No") << "200" << "N" << Texts{sure} << int(Deletion::Kept) << "200";
        QTest::newRow("Yes") << "200" << "Y" << Texts{sure} << int(Deletion::Deleted) << "300";
        // The view is by name: ROSSI MARIO is its last record.
        QTest::newRow("the last record") << "100" << "Y" << Texts{sure, "Ultimo record"} << int(Deletion::LastRecord)
                                         << "500000";
        // clang-format on
    }

    void deletion() {
        QFETCH(QString, code);
        QFETCH(QString, answer);
        QFETCH(int, outcome);
        QFETCH(QString, standsOn);
        QVERIFY(m_db->createRegistrationTable(u"57"_s) &&
                m_db->addRegistration(u"57"_s, 200, u"BIANCHI ANNA"_s, u"ABC"_s));
        m_dialogs.queueYesNo(answer);
        QCOMPARE(int(m_flow->remove(code)), outcome);
        QTEST(m_dialogs.takeMarked(), "texts");
        const bool gone = outcome == int(Deletion::Deleted) || outcome == int(Deletion::LastRecord);
        QCOMPARE(m_db->count(u"natl"_s), 6 - int(gone));
        if (!standsOn.isEmpty())
            QCOMPARE(m_view->field(u"codatl"_s).toString(), standsOn);
        QCOMPARE(m_db->count(u"nprg57"_s, u"codatl=200"_s), 1); // registrations keep the code
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
