// The snapshot sets windows read and edit through, and the table model over them.
#include "FixtureDb.h"

#include "store/DataSource.h"
#include "store/DataSourceModel.h"
#include "store/SqlText.h"

#include <QAbstractItemModelTester>
#include <QDate>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace onda;
using namespace Qt::StringLiterals;

class TestDataSource : public QObject {
    Q_OBJECT
    qlonglong code(const DataSource& ds) { return ds.field(u"codatl"_s).toLongLong(); }

    std::unique_ptr<FixtureDb> m_db;

private slots:
    void cleanup() { m_db.reset(); }

    void init() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid() && m_db->seedAthletes() && m_db->seedCompetitions());
    }

    void cursorOverRows() {
        auto ds = m_db->source(u"select * from natl order by codatl"_s);
        QVERIFY(ds->refresh());
        QList<qlonglong> codes;
        while (!ds->eof()) {
            codes << code(*ds);
            QVERIFY(ds->moveNext());
        }
        QCOMPARE(codes, (QList<qlonglong>{500000, 500001, 500002, 500003}));
        QCOMPARE(ds->moveNext().number, err::NoCurrentRecord);
        Status status;
        ds->field(u"nome"_s, &status);
        QCOMPARE(status.number, err::NoCurrentRecord);
        QVERIFY(ds->moveFirst() && ds->movePrevious() && ds->movePrevious().number == err::NoCurrentRecord &&
                ds->setPosition(2));
        QCOMPARE(ds->field(u"NOME"_s).toString(), u"BIANCHI ANNA"_s);
        ds->field(u"pippo"_s, &status);
        QCOMPARE(status.number, err::FieldNotFound);

        ds->setRecordSource(u"select * from natl where soc='NONE'"_s);
        // Fields are known even without rows.
        QVERIFY(ds->refresh() && ds->eof() && ds->bof() && ds->moveFirst().number == err::NoCurrentRecord &&
                ds->fields().size() == 6);
    }

    void refreshFailures_data() {
        QTest::addColumn<QString>("file"); // empty: the fixture's
        QTest::addColumn<QString>("recordSource");
        QTest::addColumn<int>("number");

        // clang-format off
        QTest::newRow("missing table name") << "" << "nprg99" << err::TableNotFound;
        QTest::newRow("missing table in query") << "" << "select * from nprg99 where soc='A'" << err::TableNotFound;
        QTest::newRow("missing file is not created") << "nessuno.mdb" << "natl" << err::CannotOpen;
        // clang-format on
    }

    void refreshFailures() {
        QFETCH(QString, file);
        QFETCH(QString, recordSource);

        auto ds = m_db->source(u"natl"_s);
        QVERIFY(ds->refresh());
        if (!file.isEmpty())
            ds->setDatabaseFile(m_db->filePath(file));
        ds->setRecordSource(recordSource);
        QTEST(ds->refresh().number, "number");
        QVERIFY(!ds->isOpen() && ds->fields().isEmpty() && !QFile::exists(m_db->filePath(u"nessuno.mdb"_s)));
    }

    void fieldTypesAndSizes() {
        auto ds = m_db->source(u"manif"_s);
        QVERIFY(ds->refresh() && ds->field(u"data"_s) == QVariant(QDate(2024, 5, 1)));

        ds->setRecordSource(u"select n.nome, m.[Località], n.soc from natl n, manif m"_s);
        QVERIFY(ds->refresh());
        QCOMPARE((QList<int>{ds->fieldSize(u"località"_s), ds->fieldSize(u"SOC"_s)}), (QList<int>{50, 10}));
        // Two tables: read-only.
        QCOMPARE((QList<int>{ds->addNew().number, ds->edit().number, ds->remove().number}),
                 QList<int>(3, err::ReadOnly));
    }

    void findFirst_data() {
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<qlonglong>("found"); // 0: no match

        QTest::newRow("number") << "codatl=500001" << 500001LL;
        QTest::newRow("number as text") << "codatl='500002'" << 500002LL;
        QTest::newRow("bracketed upper case") << "[CODATL]=500003" << 500003LL;
        QTest::newRow("double-quoted text, any case") << "nome=\"rossi mario\"" << 500000LL;
        QTest::newRow("double-quoted text with apostrophe")
            << "nome=" + sqlDoubleQuoted(u"D'ANGELO LUCA"_s) << 500001LL;
        QTest::newRow("double-quoted text with double quote") << "nome=\"ROSSI \"\"X\"\"\" or soc=\"xyz\"" << 500002LL;
        QTest::newRow("qualified yes/no") << "natl.SQUADRA=-1" << 500003LL;
        QTest::newRow("null only") << "natl.squadra Is Null" << 500001LL;
        QTest::newRow("like") << "nome like 'bian%'" << 500002LL;
        QTest::newRow("no match") << "nome='NESSUNO'" << 0LL;
    }

    void findFirst() {
        QFETCH(QString, criterion);
        QFETCH(qlonglong, found);

        auto ds = m_db->source(u"select * from natl order by codatl"_s);
        QVERIFY(ds->refresh() && ds->setPosition(1));
        const Status status = ds->findFirst(criterion);
        QVERIFY2(status.ok(), qPrintable(status.description));
        QVERIFY(ds->noMatch() == (found == 0) && code(*ds) == (found == 0 ? 500001LL : found));
    }

    void findNextWalksMatches() {
        auto ds = m_db->source(u"select * from natl order by nome"_s);
        QVERIFY(ds->refresh());
        const QString criterion = u"soc=\"abc\""_s;
        QVERIFY(ds->findFirst(criterion));
        QList<qlonglong> codes;
        while (!ds->noMatch()) {
            codes << code(*ds);
            QVERIFY(ds->findNext(criterion));
        }
        QCOMPARE(codes << code(*ds), (QList<qlonglong>{500001, 500000, 500003, 500003}));
        QCOMPARE(ds->findFirst(u"pippo=1"_s).number, err::FieldNotFound);
    }

    void findComparesAsSqlite_data() {
        QTest::addColumn<QString>("criterion");
        for (const char* c : {"n=7", "n='7'", "[N]=\"7\"", "n=0", "n='07'", "n=7.0", "t='abc'", "t=\"ÀBC\"", "T='àbc'",
                              "t=''", "t=' '", "t='a''b'", "t='7'", "t=7", "t='abc' "})
            QTest::newRow(c) << QString::fromUtf8(c);
    }

    // The plain comparisons decided without SQLite meet the rows SQLite's own evaluation meets.
    void findComparesAsSqlite() {
        QFETCH(QString, criterion);
        QVERIFY(m_db->exec(u"create table prove (k integer, n integer, t varchar(20) collate nocase)"_s));
        const QVariantList ns = {7, 7.0, u"7"_s, u"x7"_s, u"7abc"_s, u" 7 "_s, 0, {}, 7.5, QByteArray("7"), u"07"_s};
        const QVariantList ts = {u"abc"_s, u"ABC"_s, u"Àbc"_s,  u"àbc"_s,         {}, u""_s, u" "_s,
                                 u"a'b"_s, 7,        u"abc "_s, QByteArray("abc")};
        for (int k = 0; k < ns.size(); ++k)
            QVERIFY(m_db->exec(u"insert into prove values (?1, ?2, ?3)"_s, {k, ns[k], ts[k]}));
        auto ds = m_db->source(u"select * from prove order by k"_s);
        QVERIFY(ds->refresh());
        const auto matches = [&](const QString& c) {
            QList<qlonglong> keys;
            for (Status s = ds->findFirst(c); s && !ds->noMatch(); s = ds->findNext(c))
                keys << ds->field(u"k"_s).toLongLong();
            return keys;
        };
        // In brackets the criterion is SQLite's to evaluate.
        QCOMPARE(matches(criterion), matches(u"("_s + criterion + u")"_s));
    }

    void sharedRowsAndOneRowReadAgain() {
        auto editor = m_db->source(u"select * from natl order by codatl"_s);
        auto shown = m_db->source(u"select * from natl order by codatl"_s);
        QVERIFY(editor->refresh() && shown->refreshFrom(*editor) && shown->rowCount() == editor->rowCount());
        QVERIFY(editor->setPosition(2) && editor->edit() && editor->setField(u"nome"_s, u"NUOVO"_s) &&
                editor->update() && shown->setPosition(2));
        QVERIFY(shown->field(u"nome"_s) != u"NUOVO"_s); // its copy stays as read
        QSignalSpy changed(shown.get(), &DataSource::rowDataChanged);
        QVERIFY(shown->reloadCurrentRow() && changed.size() == 1);
        QCOMPARE(shown->field(u"nome"_s), u"NUOVO"_s);

        QVERIFY(editor->remove());
        const int rows = shown->rowCount();
        QVERIFY(shown->reloadCurrentRow().number == err::RecordDeleted && shown->rowCount() == rows - 1);
    }

    void addNewCursor_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("start"); // -1: at the end
        QTest::addColumn<int>("after"); // position() after the update

        QTest::newRow("on a row: stays on it") << "soc='ABC'" << 1 << 1;
        QTest::newRow("at the end: stays at the end") << "soc='ABC'" << -1 << -1;
        QTest::newRow("empty set: the new row becomes current") << "soc='NEW'" << -1 << 0;
    }

    void addNewCursor() {
        QFETCH(QString, where);
        QFETCH(int, start);

        auto ds = m_db->source(u"select * from natl where "_s + where + u" order by codatl"_s);
        QVERIFY(ds->refresh());
        const int before = ds->rowCount();
        if (start >= 0)
            QVERIFY(ds->setPosition(start));
        else
            while (!ds->eof())
                QVERIFY(ds->moveNext());
        QVERIFY(ds->addNew() && ds->setField(u"codatl"_s, u"600000"_s) && ds->setField(u"soc"_s, u"NEW"_s) &&
                ds->update());
        QCOMPARE(ds->rowCount(), before + 1);
        QTEST(ds->position(), "after");
        QVERIFY(ds->value(before, ds->fieldIndex(u"codatl"_s)).toLongLong() == 600000 &&
                m_db->count(u"natl"_s, u"codatl=600000 and soc='new'"_s) == 1);
    }

    void editWritesOnlyChangedFields() {
        auto ds = m_db->source(u"select * from natl where soc='ABC' order by codatl"_s);
        auto other = m_db->source(u"natl"_s);
        QVERIFY(ds->refresh() && other->refresh() && ds->setPosition(1) && ds->edit());

        // Another window changes a different field of the same row meanwhile: the row is no
        // longer the one read, until it is read again.
        QVERIFY(other->findFirst(u"codatl=500001"_s) && other->edit() && other->setField(u"anno"_s, 1990) &&
                other->update() && ds->setField(u"nome"_s, u"D'ANGELO LUCIO"_s));
        QCOMPARE(ds->update().number, err::RecordDeleted);

        QVERIFY(ds->refresh() && ds->setPosition(1) && ds->edit() && ds->setField(u"nome"_s, u"D'ANGELO LUCIO"_s) &&
                ds->update());
        // The year re-read from the file.
        QVERIFY(ds->field(u"anno"_s).toLongLong() == 1990 &&
                m_db->count(u"natl"_s, u"nome='D''ANGELO LUCIO' and anno=1990"_s) == 1);
        // The two rows read one string for their sex: a change of one leaves the other's.
        QVERIFY(ds->edit() && ds->setField(u"sesso"_s, u"F"_s) && ds->update());
        QCOMPARE(ds->value(0, ds->fieldIndex(u"sesso"_s)).toString(), u"M"_s);

        // A moved cursor drops an unfinished edit.
        QVERIFY(ds->edit() && ds->setField(u"nome"_s, u"SCARTATO"_s) && ds->moveFirst());
        QVERIFY(ds->update().number == err::NotEditing && m_db->count(u"natl"_s, u"nome='SCARTATO'"_s) == 0);
    }

    void removeThenMove() {
        auto ds = m_db->source(u"select * from natl order by codatl"_s);
        QVERIFY(ds->refresh());
        for (const bool forward : {true, false}) {
            QVERIFY(ds->setPosition(1));
            const qlonglong neighbour = ds->value(forward ? 2 : 0, 0).toLongLong();
            QVERIFY(ds->remove());
            Status status;
            ds->field(u"nome"_s, &status);
            QCOMPARE((QList<int>{status.number, ds->remove().number, ds->edit().number}),
                     QList<int>(3, err::RecordDeleted));
            QVERIFY(forward ? ds->moveNext() : ds->movePrevious());
            QCOMPARE(code(*ds), neighbour);
        }
        QCOMPARE(ds->rowCount(), 2);
        QCOMPARE(m_db->column(u"select codatl from natl order by codatl"_s), (QVariantList{500000LL, 500003LL}));

        // Deleting the last row: the next move reaches the end.
        QVERIFY(ds->moveLast() && ds->remove() && ds->moveNext() && ds->eof());
    }

    // Another connection changes the last athlete (500003, the highest row id) under the set.
    void writeToRowGoneOrChanged_data() {
        QTest::addColumn<QStringList>("change");
        QTest::addColumn<bool>("removing");

        const QString gone = u"delete * from natl where codatl=500003"_s;
        const std::pair<const char*, QStringList> changes[] = {
            {"gone", {gone}},
            {"id given to another athlete", {gone, u"insert into natl (codatl, nome) values (500009, 'VERDI ELSA')"_s}},
            {"changed", {u"update natl set anno=1999 where codatl=500003"_s}}};
        for (const auto& [name, change] : changes)
            for (const bool removing : {false, true})
                QTest::addRow("%s: %s", name, removing ? "delete" : "edit") << change << removing;
    }

    void writeToRowGoneOrChanged() {
        QFETCH(QStringList, change);
        QFETCH(bool, removing);

        auto ds = m_db->source(u"select * from natl order by codatl"_s);
        QVERIFY(ds->refresh() && ds->moveLast());
        const QString rowid = u"select rowid from natl where codatl=%1"_s;
        const QVariantList id = m_db->column(rowid.arg(500003));
        for (const QString& statement : std::as_const(change))
            QVERIFY(m_db->exec(statement));
        if (change.size() == 2)
            QCOMPARE(m_db->column(rowid.arg(500009)), id);
        const QString rows = u"select quote(codatl)||quote(nome)||quote(anno) from natl order by rowid"_s;
        const QVariantList stored = m_db->column(rows);

        QSignalSpy removed(ds.get(), &DataSource::rowsRemoved);
        if (!removing)
            QVERIFY(ds->edit() && ds->setField(u"nome"_s, u"FANTASMA"_s));
        QCOMPARE((removing ? ds->remove() : ds->update()).number, err::RecordDeleted);
        QVERIFY(removed.count() == 1 && ds->position() == -1);
        QVERIFY(m_db->column(rows) == stored && ds->moveNext() && ds->eof());
    }

    // A row no one changed meanwhile is written, whatever its fields hold; of a set of some of
    // the columns, one an expression under a column's name, only the plain ones are compared.
    void unchangedRowStillWrites_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("a date, a double, a yes/no and a null") << u"prove"_s;
        QTest::newRow("an expression named as a column") << u"select nome, misura * 2 as misura from prove"_s;
    }

    void unchangedRowStillWrites() {
        QFETCH(QString, source);
        QVERIFY(m_db->exec(
            u"create table prove (nome text(20), giorno datetime, misura double, fatto yesno, nota text)"_s));
        QVERIFY(m_db->insert(u"prove"_s, {{u"giorno"_s, u"2024-05-01"_s}, {u"misura"_s, 61.37}, {u"fatto"_s, -1}}));
        for (const bool removing : {false, true}) {
            auto ds = m_db->source(source);
            QVERIFY(ds->refresh() && (removing ? ds->remove().ok()
                                               : ds->edit() && ds->setField(u"nome"_s, u"SCRITTO"_s) && ds->update()));
            QCOMPARE(m_db->count(u"prove"_s, u"nome='SCRITTO'"_s), removing ? 0 : 1);
        }
    }

    // A large set counts its rows first and reads them as they are asked for; finds and
    // writes beyond the first page land on their own row.
    void largeSetReadAsShown() {
        QVERIFY(m_db->exec(u"insert into natl (codatl, nome, soc) with recursive n(i) as (select 1 union all "
                           "select i + 1 from n where i < 1000) select 700000 + i, printf('ATL %04d', 1001 - i), "
                           "'BIG' from n"_s));
        auto ds = m_db->source(u"select * from natl where soc='BIG' order by nome"_s);
        QVERIFY(ds->refresh());
        DataSourceModel model(ds.get());
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(model.rowCount() == 1000 && ds->loadedRowCount() < 1000 && model.canFetchMore({}));
        while (model.canFetchMore({}))
            model.fetchMore({});
        QCOMPARE(ds->loadedRowCount(), 1000);
        QCOMPARE(model.data(model.index(999, ds->fieldIndex(u"nome"_s))).toString(), u"ATL 1000"_s);

        auto other = m_db->source(u"select * from natl where soc='BIG' order by nome"_s);
        QVERIFY(other->refresh() && other->findFirst(u"codatl=700100"_s) && !other->noMatch());
        QCOMPARE(other->position(), 900); // "ATL 0901"
        QVERIFY(other->edit() && other->setField(u"nome"_s, u"ATL 0901 BIS"_s) && other->update());
        QVERIFY(other->moveFirst() && other->findFirst(u"nome like 'ATL 0901%'"_s) && other->position() == 900);
        QVERIFY(other->findNext(u"codatl<700003"_s) && other->position() == 998 && code(*other) == 700002);
        QVERIFY(other->findNext(u"codatl<700003"_s) && other->position() == 999);
        QVERIFY(other->findNext(u"codatl<700003"_s) && other->noMatch());
        QCOMPARE(other->field(u"nome"_s).toString(), u"ATL 1000"_s);

        // Rows taken out and moved past the first page keep their neighbours and their fields.
        QVERIFY(other->setPosition(500) && other->remove() && other->moveNext());
        QVERIFY(other->rowCount() == 999 && other->position() == 500 && code(*other) == 700499);
        QVERIFY(other->moveCurrentRow(700) && other->value(699, other->fieldIndex(u"codatl"_s)) == 700299);
        QVERIFY(other->position() == 700 && code(*other) == 700499 && other->reloadCurrentRow());
        QVERIFY(other->findFirst(u"codatl=700499"_s) && other->position() == 700);
    }

    void modelFollowsSource() {
        auto ds = m_db->source(u"select * from natl order by codatl"_s);
        DataSourceModel model(ds.get());
        model.setColumns({u"NOME"_s, u"codatl"_s, u"manca"_s});
        model.setHeaderCaption(0, u"Atleta"_s);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        const auto mirrors = [&] {
            QCOMPARE(model.rowCount(), ds->rowCount());
            for (int r = 0; r < ds->rowCount(); ++r) {
                QCOMPARE(model.index(r, 0).data().toString(), ds->value(r, ds->fieldIndex(u"nome"_s)).toString());
                QCOMPARE(model.index(r, 1).data(Qt::EditRole), ds->value(r, 0));
                QCOMPARE(model.index(r, 2).data().toString(), QString());
            }
        };

        QVERIFY(ds->refresh() && model.columnCount() == 3);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString() + u'|' + model.headerData(1, Qt::Horizontal).toString(),
                 u"Atleta|codatl"_s);
        mirrors();

        QVERIFY(ds->addNew() && ds->setField(u"codatl"_s, 600000) && ds->setField(u"nome"_s, u"NUOVO"_s) &&
                ds->update());
        mirrors();

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(ds->setPosition(2) && ds->edit() && ds->setField(u"nome"_s, u"CAMBIATO"_s) && ds->update());
        QVERIFY(changed.count() == 1 && changed.first().first().toModelIndex().row() == 2);
        mirrors();

        QVERIFY(ds->moveLast() && ds->remove());
        mirrors();
        ds->setRecordSource(u"select codatl from natl"_s);
        QVERIFY(ds->refresh());
        mirrors();
        ds->setRecordSource(u"nprg99"_s);
        QVERIFY(!ds->refresh() && model.rowCount() == 0);
    }
};

QTEST_GUILESS_MAIN(TestDataSource)
#include "tst_store_datasource.moc"
