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

class TestDataSource : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_db.reset(); }

    void cursorOverRows();
    void cursorOnEmptySet();
    void refreshFailures_data();
    void refreshFailures();
    void fieldTypesAndSizes();
    void findFirst_data();
    void findFirst();
    void findNextWalksMatches();
    void readOnlyJoin();
    void addNewCursor_data();
    void addNewCursor();
    void editWritesOnlyChangedFields();
    void removeThenMove();
    void writeToVanishedRow_data();
    void writeToVanishedRow();
    void failedWriteChangesNothing();
    void modelFollowsSource();

private:
    std::unique_ptr<DataSource> source(const QString& recordSource) {
        auto ds = std::make_unique<DataSource>(QStringLiteral("test"));
        ds->setDatabaseFile(m_db->path());
        ds->setRecordSource(recordSource);
        return ds;
    }
    qlonglong code(const DataSource& ds) { return ds.field(QStringLiteral("codatl")).toLongLong(); }

    std::unique_ptr<FixtureDb> m_db;
};

void TestDataSource::init() {
    m_db = std::make_unique<FixtureDb>();
    QVERIFY(m_db->isValid());
    QVERIFY(m_db->seedAthletes());
    QVERIFY(m_db->seedCompetitions());
    QVERIFY(m_db->createRegistrationTable(QStringLiteral("57")));
    QVERIFY(m_db->addRegistration(QStringLiteral("57"), 500000, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC"),
                                  31.75));
}

void TestDataSource::cursorOverRows() {
    auto ds = source(QStringLiteral("select * from natl order by codatl"));
    QCOMPARE(ds->objectName(), QStringLiteral("test"));
    QVERIFY(ds->refresh());
    QCOMPARE(ds->rowCount(), 4);
    QCOMPARE(ds->position(), 0);
    QList<qlonglong> codes;
    while (!ds->eof()) {
        codes << code(*ds);
        QVERIFY(ds->moveNext());
    }
    QCOMPARE(codes, (QList<qlonglong>{500000, 500001, 500002, 500003}));
    QCOMPARE(ds->position(), -1);
    QCOMPARE(ds->moveNext().number, err::NoCurrentRecord);
    Status status;
    ds->field(QStringLiteral("nome"), &status);
    QCOMPARE(status.number, err::NoCurrentRecord);

    QVERIFY(ds->moveFirst());
    QVERIFY(ds->movePrevious());
    QVERIFY(ds->bof());
    QCOMPARE(ds->movePrevious().number, err::NoCurrentRecord);
    QVERIFY(ds->setPosition(2));
    QCOMPARE(ds->field(QStringLiteral("NOME")).toString(), QStringLiteral("BIANCHI ANNA"));
    QCOMPARE(ds->setPosition(4).number, err::NoCurrentRecord);
    ds->field(QStringLiteral("pippo"), &status);
    QCOMPARE(status.number, err::FieldNotFound);
    QCOMPARE(ds->lastError().number, err::FieldNotFound);
}

void TestDataSource::cursorOnEmptySet() {
    auto ds = source(QStringLiteral("select * from natl where soc='NONE'"));
    QVERIFY(ds->refresh());
    QVERIFY(ds->eof() && ds->bof());
    QCOMPARE(ds->position(), -1);
    QCOMPARE(ds->moveFirst().number, err::NoCurrentRecord);
    QCOMPARE(ds->moveLast().number, err::NoCurrentRecord);
    QCOMPARE(ds->fields().size(), 6); // fields are known even without rows
}

void TestDataSource::refreshFailures_data() {
    QTest::addColumn<QString>("file"); // empty: the fixture's
    QTest::addColumn<QString>("recordSource");
    QTest::addColumn<int>("number");

    QTest::newRow("missing table name") << ""
                                        << "nprg99" << err::TableNotFound;
    QTest::newRow("missing table in query") << ""
                                            << "select * from nprg99 where soc='A'" << err::TableNotFound;
    QTest::newRow("missing column in query") << ""
                                             << "select pippo from natl" << err::FieldNotFound;
    QTest::newRow("missing file is not created") << "nessuno.mdb"
                                                 << "natl" << err::CannotOpen;
}

void TestDataSource::refreshFailures() {
    QFETCH(QString, file);
    QFETCH(QString, recordSource);
    QFETCH(int, number);

    auto ds = source(QStringLiteral("natl"));
    QVERIFY(ds->refresh());
    if (!file.isEmpty())
        ds->setDatabaseFile(m_db->filePath(file));
    ds->setRecordSource(recordSource);
    QCOMPARE(ds->refresh().number, number);
    QVERIFY(!ds->isOpen());
    QCOMPARE(ds->rowCount(), 0);
    QVERIFY(ds->fields().isEmpty());
    QVERIFY(!QFile::exists(m_db->filePath(QStringLiteral("nessuno.mdb"))));
}

void TestDataSource::fieldTypesAndSizes() {
    auto ds = source(QStringLiteral("manif"));
    QVERIFY(ds->refresh());
    QCOMPARE(ds->field(QStringLiteral("numero prova")).typeId(), QMetaType::LongLong);
    QCOMPARE(ds->field(QStringLiteral("data")), QVariant(QDate(2024, 5, 1)));
    QVERIFY(!ds->field(QStringLiteral("nota")).isValid());

    ds->setRecordSource(QStringLiteral("nprg57"));
    QVERIFY(ds->refresh());
    QCOMPARE(ds->field(QStringLiteral("m")).typeId(), QMetaType::Double);
    QVERIFY(ds->fields().last().autoIncrement);
    QCOMPARE(ds->fields().size(), 11); // the hidden row id is not a field

    ds->setRecordSource(QStringLiteral("select n.nome, m.[Località], n.soc from natl n, manif m"));
    QVERIFY(ds->refresh());
    QCOMPARE(ds->fieldSize(QStringLiteral("nome")), 50);
    QCOMPARE(ds->fieldSize(QStringLiteral("località")), 50);
    QCOMPARE(ds->fieldSize(QStringLiteral("SOC")), 10);
}

void TestDataSource::findFirst_data() {
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<qlonglong>("found"); // 0: no match

    QTest::newRow("number") << "codatl=500001" << 500001LL;
    QTest::newRow("number as text") << "codatl='500002'" << 500002LL;
    QTest::newRow("bracketed upper case") << "[CODATL]=500003" << 500003LL;
    QTest::newRow("double-quoted text, any case") << "nome=\"rossi mario\"" << 500000LL;
    QTest::newRow("double-quoted text with apostrophe")
        << "nome=" + sqlDoubleQuoted(QStringLiteral("D'ANGELO LUCA")) << 500001LL;
    QTest::newRow("double-quoted text with double quote") << "nome=\"ROSSI \"\"X\"\"\" or soc=\"xyz\"" << 500002LL;
    QTest::newRow("qualified yes/no") << "natl.SQUADRA=-1" << 500003LL;
    QTest::newRow("null only") << "natl.squadra Is Null" << 500001LL;
    QTest::newRow("like") << "nome like 'bian%'" << 500002LL;
    QTest::newRow("no match") << "nome='NESSUNO'" << 0LL;
}

void TestDataSource::findFirst() {
    QFETCH(QString, criterion);
    QFETCH(qlonglong, found);

    auto ds = source(QStringLiteral("select * from natl order by codatl"));
    QVERIFY(ds->refresh());
    QVERIFY(ds->setPosition(1));
    const Status status = ds->findFirst(criterion);
    QVERIFY2(status.ok(), qPrintable(status.description));
    QCOMPARE(ds->noMatch(), found == 0);
    QCOMPARE(code(*ds), found == 0 ? 500001LL : found);
}

void TestDataSource::findNextWalksMatches() {
    auto ds = source(QStringLiteral("select * from natl order by nome"));
    QVERIFY(ds->refresh());
    const QString criterion = QStringLiteral("soc=\"abc\"");
    QVERIFY(ds->findFirst(criterion));
    QList<qlonglong> codes;
    while (!ds->noMatch()) {
        codes << code(*ds);
        QVERIFY(ds->findNext(criterion));
    }
    QCOMPARE(codes, (QList<qlonglong>{500001, 500000, 500003}));
    QCOMPARE(code(*ds), 500003);
    QCOMPARE(ds->findFirst(QStringLiteral("pippo=1")).number, err::FieldNotFound);
}

void TestDataSource::readOnlyJoin() {
    auto ds = source(QStringLiteral("select nprg57.codatl, natl.anno from nprg57 inner join natl on "
                                    "nprg57.codatl = natl.codatl"));
    QVERIFY(ds->refresh());
    QVERIFY(ds->findFirst(QStringLiteral("anno=2005 and codatl='500000'")));
    QVERIFY(!ds->noMatch());
    QCOMPARE(ds->addNew().number, err::ReadOnly);
    QCOMPARE(ds->edit().number, err::ReadOnly);
    QCOMPARE(ds->remove().number, err::ReadOnly);
}

void TestDataSource::addNewCursor_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("start"); // -1: at the end
    QTest::addColumn<int>("after"); // position() after the update

    QTest::newRow("on a row: stays on it") << "soc='ABC'" << 1 << 1;
    QTest::newRow("at the end: stays at the end") << "soc='ABC'" << -1 << -1;
    QTest::newRow("empty set: the new row becomes current") << "soc='NEW'" << -1 << 0;
}

void TestDataSource::addNewCursor() {
    QFETCH(QString, where);
    QFETCH(int, start);
    QFETCH(int, after);

    auto ds = source(QStringLiteral("select * from natl where ") + where + QStringLiteral(" order by codatl"));
    QVERIFY(ds->refresh());
    const int before = ds->rowCount();
    if (start >= 0)
        QVERIFY(ds->setPosition(start));
    else
        while (!ds->eof())
            QVERIFY(ds->moveNext());
    QVERIFY(ds->addNew());
    QVERIFY(ds->setField(QStringLiteral("codatl"), QStringLiteral("600000")));
    QVERIFY(ds->setField(QStringLiteral("soc"), QStringLiteral("NEW")));
    QCOMPARE(ds->field(QStringLiteral("codatl")).toLongLong(), 600000); // pending values read back
    QVERIFY(ds->update());
    QCOMPARE(ds->rowCount(), before + 1);
    QCOMPARE(ds->position(), after);
    QCOMPARE(ds->eof(), after < 0);
    QCOMPARE(ds->value(before, ds->fieldIndex(QStringLiteral("codatl"))).toLongLong(), 600000);
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("codatl=600000 and soc='new'")), 1);
}

void TestDataSource::editWritesOnlyChangedFields() {
    auto ds = source(QStringLiteral("select * from natl where soc='ABC' order by codatl"));
    auto other = source(QStringLiteral("natl"));
    QVERIFY(ds->refresh());
    QVERIFY(other->refresh());
    QVERIFY(ds->setPosition(1));
    QVERIFY(ds->edit());

    // Another window changes a different field of the same row meanwhile.
    QVERIFY(other->findFirst(QStringLiteral("codatl=500001")));
    QVERIFY(other->edit());
    QVERIFY(other->setField(QStringLiteral("anno"), 1990));
    QVERIFY(other->update());

    QVERIFY(ds->setField(QStringLiteral("nome"), QStringLiteral("D'ANGELO LUCIO")));
    QVERIFY(ds->update());
    QCOMPARE(ds->position(), 1);
    QCOMPARE(ds->field(QStringLiteral("anno")).toLongLong(), 1990); // re-read from the file
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("nome='D''ANGELO LUCIO' and anno=1990")), 1);

    QVERIFY(ds->edit());
    QVERIFY(ds->setField(QStringLiteral("nome"), QStringLiteral("SCARTATO")));
    QVERIFY(ds->moveFirst()); // a moved cursor drops an unfinished edit
    QCOMPARE(ds->update().number, err::NotEditing);
    QVERIFY(ds->addNew());
    QCOMPARE(ds->setField(QStringLiteral("squadra"), QStringLiteral("si")).number, err::TypeMismatch);
    ds->cancelUpdate();
    QCOMPARE(m_db->count(QStringLiteral("natl")), 4);
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("nome='SCARTATO'")), 0);
}

void TestDataSource::removeThenMove() {
    auto ds = source(QStringLiteral("select * from natl order by codatl"));
    QVERIFY(ds->refresh());
    for (const bool forward : {true, false}) {
        QVERIFY(ds->setPosition(1));
        const qlonglong neighbour = ds->value(forward ? 2 : 0, 0).toLongLong();
        QVERIFY(ds->remove());
        Status status;
        ds->field(QStringLiteral("nome"), &status);
        QCOMPARE(status.number, err::RecordDeleted);
        QCOMPARE(ds->remove().number, err::RecordDeleted);
        QCOMPARE(ds->edit().number, err::RecordDeleted);
        QVERIFY(forward ? ds->moveNext() : ds->movePrevious());
        QCOMPARE(code(*ds), neighbour);
    }
    QCOMPARE(ds->rowCount(), 2);
    QCOMPARE(m_db->column(QStringLiteral("select codatl from natl order by codatl")),
             (QVariantList{500000LL, 500003LL}));

    QVERIFY(ds->moveLast()); // deleting the last row: the next move reaches the end
    QVERIFY(ds->remove());
    QVERIFY(ds->moveNext());
    QVERIFY(ds->eof());
}

void TestDataSource::writeToVanishedRow_data() {
    QTest::addColumn<bool>("byStatement"); // else by another data source
    QTest::addColumn<bool>("removing");    // else editing

    QTest::newRow("statement, then edit") << true << false;
    QTest::newRow("statement, then delete") << true << true;
    QTest::newRow("other source, then edit") << false << false;
    QTest::newRow("other source, then delete") << false << true;
}

void TestDataSource::writeToVanishedRow() {
    QFETCH(bool, byStatement);
    QFETCH(bool, removing);

    auto ds = source(QStringLiteral("select * from natl order by codatl"));
    QVERIFY(ds->refresh());
    QVERIFY(ds->setPosition(1));
    if (byStatement) {
        QVERIFY(m_db->exec(QStringLiteral("delete * from natl where codatl=500001")));
    } else {
        auto other = source(QStringLiteral("natl"));
        QVERIFY(other->refresh());
        QVERIFY(other->findFirst(QStringLiteral("codatl=500001")));
        QVERIFY(other->remove());
    }
    QSignalSpy removed(ds.get(), &DataSource::rowsRemoved);
    Status status;
    if (removing) {
        status = ds->remove();
    } else {
        QVERIFY(ds->edit());
        QVERIFY(ds->setField(QStringLiteral("nome"), QStringLiteral("FANTASMA")));
        status = ds->update();
    }
    QCOMPARE(status.number, err::RecordDeleted);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(ds->rowCount(), 3); // the snapshot is as the file is
    QCOMPARE(ds->value(1, 0).toLongLong(), 500002);
    QVERIFY(!ds->isEditing());
    QCOMPARE(m_db->count(QStringLiteral("natl")), 3);
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("nome='FANTASMA'")), 0);
    QVERIFY(ds->moveNext());
    QCOMPARE(code(*ds), 500002);
}

void TestDataSource::failedWriteChangesNothing() {
    auto ds = source(QStringLiteral("manif"));
    QVERIFY(ds->refresh());
    QVERIFY(ds->edit());
    QCOMPARE(ds->setField(QStringLiteral("data"), QStringLiteral("32/01/2024")).number, err::TypeMismatch);
    QCOMPARE(ds->setField(QStringLiteral("Num Max Iscrizioni per soc"), QStringLiteral("1,000")).number,
             err::TypeMismatch);
    QVERIFY(ds->setField(QStringLiteral("nome manifestazione"), 12));
    QVERIFY(ds->update());
    QCOMPARE(m_db->column(QStringLiteral("select quote(data) || quote([Num Max Iscrizioni per soc]) || "
                                         "quote([Nome Manifestazione]) from manif where rowid=1")),
             QVariantList{QStringLiteral("'2024-05-01'NULL'12'")});
}

void TestDataSource::modelFollowsSource() {
    auto ds = source(QStringLiteral("select * from natl order by codatl"));
    DataSourceModel model(ds.get());
    model.setColumns({QStringLiteral("NOME"), QStringLiteral("codatl"), QStringLiteral("manca")});
    model.setHeaderCaption(0, QStringLiteral("Atleta"));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const auto mirrors = [&] {
        QCOMPARE(model.rowCount(), ds->rowCount());
        for (int r = 0; r < ds->rowCount(); ++r) {
            QCOMPARE(model.index(r, 0).data().toString(),
                     ds->value(r, ds->fieldIndex(QStringLiteral("nome"))).toString());
            QCOMPARE(model.index(r, 1).data(Qt::EditRole), ds->value(r, 0));
            QCOMPARE(model.index(r, 2).data().toString(), QString());
        }
    };

    QVERIFY(ds->refresh());
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Atleta"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("codatl"));
    mirrors();

    QVERIFY(ds->addNew());
    QVERIFY(ds->setField(QStringLiteral("codatl"), 600000));
    QVERIFY(ds->setField(QStringLiteral("nome"), QStringLiteral("NUOVO")));
    QVERIFY(ds->update());
    mirrors();

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(ds->setPosition(2));
    QVERIFY(ds->edit());
    QVERIFY(ds->setField(QStringLiteral("nome"), QStringLiteral("CAMBIATO")));
    QVERIFY(ds->update());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().toModelIndex().row(), 2);
    mirrors();

    QVERIFY(ds->remove());
    mirrors();
    QVERIFY(ds->moveLast());
    QVERIFY(ds->remove());
    mirrors();
    QVERIFY(m_db->exec(QStringLiteral("delete * from natl where codatl=500000")));
    QVERIFY(ds->moveFirst());
    QCOMPARE(ds->remove().number, err::RecordDeleted); // vanished row leaves the model too
    mirrors();

    ds->setRecordSource(QStringLiteral("select codatl from natl"));
    QVERIFY(ds->refresh());
    QCOMPARE(model.index(0, 0).data().toString(), QString());
    mirrors();
    ds->setRecordSource(QStringLiteral("nprg99"));
    QVERIFY(!ds->refresh());
    QCOMPARE(model.rowCount(), 0);
}

QTEST_GUILESS_MAIN(TestDataSource)
#include "tst_store_datasource.moc"
