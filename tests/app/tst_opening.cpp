// Opening a competition without windows: what the session learns, and the table it leaves.
#include "FixtureDb.h"
#include "ScriptedDialogs.h"
#include "app/CompetitionOpening.h"
#include "core/AppState.h"

#include <QTest>

using namespace onda;
using namespace Qt::StringLiterals;

class TestOpening : public QObject {
    Q_OBJECT
private slots:
    void offlineFromStoredRows() {
        FixtureDb db;
        ScriptedDialogs dialogs;
        AppState state(dialogs);
        state.databasePath = db.path();
        state.store.setDatabasePath(db.path());
        QVERIFY(
            db.seedEntryCompetition() && db.createRegistrationTable(u"58"_s, false) &&
            db.insert(u"manif"_s, {{"Numero Prova", 57},
                                   {"Nome Manifestazione", "Trofeo"},
                                   {"userName", "U"},
                                   {"societa", "ABC"},
                                   {"Num Max Iscrizioni per atleta", "3"},
                                   {"nota", " "}}) &&
            db.insert(u"categorie"_s,
                      {{"manifID", 57}, {"Categoria", "RAG"}, {"sesso", "M"}, {"AnnoIni", 1988}, {"AnnoFin", 1992}}) &&
            db.addRegistration(u"57"_s, 1001, u"ROSSI MARIO"_s, u"ABC"_s) &&
            db.addRegistration(u"57"_s, 2001, u"BIANCHI EZIO"_s, u"XYZ"_s));
        QStringList clubs;
        connect(&state.session, &CompetitionSession::clubChanged, this, [&clubs](const QString& c) { clubs << c; });
        CompetitionOpeningFlow opening(state);
        const ListedRow row{u"57"_s, u"Trofeo"_s, u"Bari"_s, u"01/05/2026"_s, u"U"_s};
        opening.choose(row);
        QVERIFY(opening.open(row, OpeningMode::Offline));
        const Competition& c = state.competition();
        QCOMPARE(QStringList({c.number, c.name, c.maxEntriesPerAthlete.toString(), c.registrationCount,
                              categoriesText(c.categories), state.session.listedUser()}),
                 QStringList({u"57"_s, u"Trofeo"_s, u"3"_s, u"1"_s, u"M|RAG|1988|1992|$"_s, u"U"_s}));
        QVERIFY(!c.notePresent && clubs == QStringList{u"ABC"_s});

        // An old table gains its insertion order; a missing one is asked about, and No stops.
        QVERIFY(opening.open({u"58"_s, {}, {}, {}, u"U"_s}, OpeningMode::Offline));
        QCOMPARE(db.column(u"select count(*) from pragma_table_info('nprg58') where name like 'OrdineInserimento'"_s),
                 QVariantList{1LL});
        dialogs.queueYesNo(u"N"_s);
        QVERIFY(!opening.open({u"59"_s, {}, {}, {}, u"U"_s}, OpeningMode::Offline));
        QCOMPARE(dialogs.takeMarked().filter(u"Mi collego ?"_s).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestOpening)
#include "tst_opening.moc"
