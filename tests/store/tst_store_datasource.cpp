// The snapshot sets windows read and edit through.
#include "FixtureDb.h"

#include "store/DataSource.h"
#include "store/SqlText.h"

#include <QFileInfo>
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
    void missingFileIsNotCreated();
    void fieldTypesReadBack();
    void fieldSizes();
    void findFirst_data();
    void findFirst();
    void findNextWalksMatches();
    void findOnReadOnlyJoin();
    void findWithUnknownField();
    void addNewKeepsCurrentRow();
    void addNewOnEmptySetBecomesCurrent();
    void editWritesOnlyChangedFields();
    void removeLeavesDeletedSlot();
    void conversions_data();
    void conversions();
    void editingRules();

private:
    std::unique_ptr<DataSource> source(const QString& recordSource) {
        auto ds = std::make_unique<DataSource>(QStringLiteral("test"));
        ds->setDatabaseFile(m_db->path());
        ds->setRecordSource(recordSource);
        return ds;
    }

    std::unique_ptr<FixtureDb> m_db;
};

void TestDataSource::init() {
    m_db = std::make_unique<FixtureDb>();
    QVERIFY(m_db->isValid());
    QVERIFY(m_db->addAthlete(500000, QStringLiteral("ROSSI MARIO"), 2005, QStringLiteral("ABC"), QStringLiteral("M"),
                             false));
    QVERIFY(
        m_db->addAthlete(500001, QStringLiteral("D'ANGELO LUCA"), 2006, QStringLiteral("ABC"), QStringLiteral("M")));
    QVERIFY(m_db->addAthlete(500002, QStringLiteral("BIANCHI ANNA"), 2007, QStringLiteral("XYZ"), QStringLiteral("F"),
                             false));
    QVERIFY(
        m_db->addAthlete(500003, QStringLiteral("STAFFETTA ABC"), 0, QStringLiteral("ABC"), QStringLiteral("M"), true));
    FixtureDb::Competition c;
    c.numero = 57, c.nome = QStringLiteral("Trofeo A"), c.data = QDate(2024, 5, 1), c.localita = QStringLiteral("Roma");
    QVERIFY(m_db->addCompetition(c));
    FixtureDb::Registration r;
    r.codatl = 500000, r.nome = QStringLiteral("ROSSI MARIO"), r.soc = QStringLiteral("ABC"), r.m = 31.75;
    QVERIFY(m_db->createRegistrationTable(QStringLiteral("57"), {r}));
}

void TestDataSource::cursorOverRows() {
    auto ds = source(QStringLiteral("select * from natl order by codatl"));
    QSignalSpy refreshed(ds.get(), &DataSource::refreshed);
    QVERIFY(ds->refresh());
    QCOMPARE(refreshed.count(), 1);
    QVERIFY(ds->isOpen());
    QCOMPARE(ds->rowCount(), 4);
    QCOMPARE(ds->position(), 0);
    QVERIFY(!ds->bof());
    QVERIFY(!ds->eof());

    QList<qlonglong> codes;
    while (!ds->eof()) {
        codes << ds->field(QStringLiteral("CODATL")).toLongLong();
        QVERIFY(ds->moveNext());
    }
    QCOMPARE(codes, (QList<qlonglong>{500000, 500001, 500002, 500003}));
    QCOMPARE(ds->position(), -1);
    QCOMPARE(ds->moveNext().number, err::NoCurrentRecord);
    Status status;
    ds->field(QStringLiteral("nome"), &status);
    QCOMPARE(status.number, err::NoCurrentRecord);

    QVERIFY(ds->moveLast());
    QCOMPARE(ds->field(QStringLiteral("nome")).toString(), QStringLiteral("STAFFETTA ABC"));
    QVERIFY(ds->moveFirst());
    QVERIFY(ds->movePrevious());
    QVERIFY(ds->bof());
    QCOMPARE(ds->movePrevious().number, err::NoCurrentRecord);
    QVERIFY(ds->setPosition(2));
    QCOMPARE(ds->field(QStringLiteral("nome")).toString(), QStringLiteral("BIANCHI ANNA"));
    QCOMPARE(ds->setPosition(4).number, err::NoCurrentRecord);

    ds->field(QStringLiteral("pippo"), &status);
    QCOMPARE(status.number, err::FieldNotFound);
    QCOMPARE(ds->lastError().number, err::FieldNotFound);
    QCOMPARE(ds->fieldIndex(QStringLiteral("pippo")), -1);
}

void TestDataSource::cursorOnEmptySet() {
    auto ds = source(QStringLiteral("select * from natl where soc='NONE'"));
    QVERIFY(ds->refresh());
    QCOMPARE(ds->rowCount(), 0);
    QVERIFY(ds->eof());
    QVERIFY(ds->bof());
    QCOMPARE(ds->position(), -1);
    QCOMPARE(ds->moveFirst().number, err::NoCurrentRecord);
    QCOMPARE(ds->moveLast().number, err::NoCurrentRecord);
    Status status;
    ds->field(QStringLiteral("nome"), &status);
    QCOMPARE(status.number, err::NoCurrentRecord);
    QCOMPARE(ds->fields().size(), 6); // fields are known even without rows
}

void TestDataSource::refreshFailures_data() {
    QTest::addColumn<QString>("recordSource");
    QTest::addColumn<int>("number");

    QTest::newRow("missing table name") << "nprg99" << err::TableNotFound;
    QTest::newRow("missing table in query") << "select * from nprg99 where soc='A'" << err::TableNotFound;
    QTest::newRow("missing column in query") << "select pippo from natl" << err::FieldNotFound;
}

void TestDataSource::refreshFailures() {
    QFETCH(QString, recordSource);
    QFETCH(int, number);

    auto ds = source(QStringLiteral("natl"));
    QVERIFY(ds->refresh());
    ds->setRecordSource(recordSource);
    QCOMPARE(ds->refresh().number, number);
    QVERIFY(!ds->isOpen());
    QCOMPARE(ds->rowCount(), 0);
    QVERIFY(ds->fields().isEmpty());
}

void TestDataSource::missingFileIsNotCreated() {
    DataSource unset;
    unset.setRecordSource(QStringLiteral("natl"));
    QCOMPARE(unset.refresh().number, err::CannotOpen);

    auto ds = source(QStringLiteral("natl"));
    const QString missing = m_db->filePath(QStringLiteral("nessuno.mdb"));
    ds->setDatabaseFile(missing);
    QCOMPARE(ds->refresh().number, err::CannotOpen);
    QVERIFY(!QFileInfo::exists(missing));
    ds->setDatabaseFile(m_db->path());
    QVERIFY(ds->refresh());
}

void TestDataSource::fieldTypesReadBack() {
    auto ds = source(QStringLiteral("manif"));
    QVERIFY(ds->refresh());
    QCOMPARE(ds->field(QStringLiteral("numero prova")).typeId(), QMetaType::LongLong);
    QCOMPARE(ds->field(QStringLiteral("data")), QVariant(QDate(2024, 5, 1)));
    QCOMPARE(ds->field(QStringLiteral("località")).toString(), QStringLiteral("Roma"));
    QVERIFY(!ds->field(QStringLiteral("nota")).isValid());

    ds->setRecordSource(QStringLiteral("nprg57"));
    QVERIFY(ds->refresh());
    QCOMPARE(ds->field(QStringLiteral("m")).typeId(), QMetaType::Double);
    QCOMPARE(ds->field(QStringLiteral("nome")).typeId(), QMetaType::QString);
    QCOMPARE(ds->field(QStringLiteral("ordineinserimento")).toLongLong(), 1);
    QVERIFY(ds->fields().last().autoIncrement);
    QCOMPARE(ds->fields().size(), 11); // the hidden row number is not a field
}

void TestDataSource::fieldSizes() {
    auto ds = source(QStringLiteral("natl"));
    QVERIFY(ds->refresh());
    QCOMPARE(ds->fieldSize(QStringLiteral("nome")), 50);
    QCOMPARE(ds->fieldSize(QStringLiteral("SOC")), 10);
    QCOMPARE(ds->fieldSize(QStringLiteral("sesso")), 1);
    QCOMPARE(ds->fieldSize(QStringLiteral("codatl")), 0);
    QCOMPARE(ds->fieldSize(QStringLiteral("pippo")), 0);

    ds->setRecordSource(QStringLiteral("select n.nome, m.[Località] from natl n, manif m"));
    QVERIFY(ds->refresh());
    QCOMPARE(ds->fieldSize(QStringLiteral("nome")), 50);
    QCOMPARE(ds->fieldSize(QStringLiteral("località")), 50);
}

void TestDataSource::findFirst_data() {
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<qlonglong>("found"); // 0: no match

    QTest::newRow("number") << "codatl=500001" << 500001LL;
    QTest::newRow("number as text") << "codatl='500002'" << 500002LL;
    QTest::newRow("bracketed lower case") << "[CODATL]=500003" << 500003LL;
    QTest::newRow("double-quoted any case") << "nome=\"rossi mario\"" << 500000LL;
    QTest::newRow("apostrophe") << "nome=" + sqlDoubleQuoted(QStringLiteral("D'ANGELO LUCA")) << 500001LL;
    QTest::newRow("qualified yes/no") << "natl.SQUADRA=-1" << 500003LL;
    QTest::newRow("null yes/no") << "(natl.SQUADRA)<>-1 OR (natl.SQUADRA) Is Null" << 500000LL;
    QTest::newRow("null only") << "natl.squadra Is Null" << 500001LL;
    QTest::newRow("two conditions") << "anno>2006 and soc='xyz'" << 500002LL;
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
    QCOMPARE(ds->field(QStringLiteral("codatl")).toLongLong(), found == 0 ? 500001LL : found);
}

void TestDataSource::findNextWalksMatches() {
    auto ds = source(QStringLiteral("select * from natl order by nome"));
    QVERIFY(ds->refresh());
    const QString criterion = QStringLiteral("soc=\"abc\"");
    QVERIFY(ds->findFirst(criterion));
    QList<qlonglong> codes;
    while (!ds->noMatch()) {
        codes << ds->field(QStringLiteral("codatl")).toLongLong();
        QVERIFY(ds->findNext(criterion));
    }
    QCOMPARE(codes, (QList<qlonglong>{500001, 500000, 500003}));
    QCOMPARE(ds->field(QStringLiteral("codatl")).toLongLong(), 500003);
}

void TestDataSource::findOnReadOnlyJoin() {
    auto ds = source(QStringLiteral("select nprg57.codatl, natl.anno from nprg57 inner join natl on "
                                    "nprg57.codatl = natl.codatl"));
    QVERIFY(ds->refresh());
    QCOMPARE(ds->rowCount(), 1);
    QVERIFY(ds->findFirst(QStringLiteral("anno=2005 and codatl='500000'")));
    QVERIFY(!ds->noMatch());
    QCOMPARE(ds->addNew().number, err::ReadOnly);
    QCOMPARE(ds->edit().number, err::ReadOnly);
    QCOMPARE(ds->remove().number, err::ReadOnly);
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), 1);
}

void TestDataSource::findWithUnknownField() {
    auto ds = source(QStringLiteral("natl"));
    QVERIFY(ds->refresh());
    QCOMPARE(ds->findFirst(QStringLiteral("pippo=1")).number, err::FieldNotFound);
}

void TestDataSource::addNewKeepsCurrentRow() {
    auto ds = source(QStringLiteral("nprg57"));
    auto other = source(QStringLiteral("select * from nprg57 order by OrdineInserimento"));
    QVERIFY(ds->refresh());
    QSignalSpy inserted(ds.get(), &DataSource::rowInserted);
    QVERIFY(ds->addNew());
    QVERIFY(ds->isEditing());
    QVERIFY(ds->setField(QStringLiteral("codatl"), 500002));
    QVERIFY(ds->setField(QStringLiteral("NOME"), QStringLiteral("BIANCHI ANNA")));
    QVERIFY(ds->setField(QStringLiteral("m"), QStringLiteral("1.5")));
    QCOMPARE(ds->field(QStringLiteral("nome")).toString(), QStringLiteral("BIANCHI ANNA"));
    QVERIFY(ds->update());
    QVERIFY(!ds->isEditing());

    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.first().first().toInt(), 1);
    QCOMPARE(ds->rowCount(), 2);
    QCOMPARE(ds->position(), 0);
    QCOMPARE(ds->field(QStringLiteral("codatl")).toLongLong(), 500000);
    const int order = ds->fieldIndex(QStringLiteral("ordineinserimento"));
    QCOMPARE(ds->value(1, order).toLongLong(), 2);
    QCOMPARE(ds->value(1, ds->fieldIndex(QStringLiteral("m"))).toDouble(), 1.5);

    QVERIFY(other->refresh());
    QCOMPARE(other->rowCount(), 2);
    QVERIFY(other->moveLast());
    QCOMPARE(other->field(QStringLiteral("nome")).toString(), QStringLiteral("BIANCHI ANNA"));
}

void TestDataSource::addNewOnEmptySetBecomesCurrent() {
    auto ds = source(QStringLiteral("select * from natl where soc='NEW'"));
    QVERIFY(ds->refresh());
    QVERIFY(ds->eof());
    QVERIFY(ds->addNew());
    QVERIFY(ds->setField(QStringLiteral("codatl"), QStringLiteral("600000")));
    QVERIFY(ds->setField(QStringLiteral("soc"), QStringLiteral("NEW")));
    QVERIFY(ds->update());
    QCOMPARE(ds->position(), 0);
    QCOMPARE(ds->field(QStringLiteral("codatl")).toLongLong(), 600000);
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("codatl=600000 and soc='NEW'")), 1);
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

    QSignalSpy changed(ds.get(), &DataSource::rowChanged);
    QVERIFY(ds->setField(QStringLiteral("nome"), QStringLiteral("D'ANGELO LUCIO")));
    QVERIFY(ds->update());
    QVERIFY(!changed.isEmpty());
    QCOMPARE(ds->position(), 1);
    QCOMPARE(ds->field(QStringLiteral("nome")).toString(), QStringLiteral("D'ANGELO LUCIO"));
    QCOMPARE(ds->field(QStringLiteral("anno")).toLongLong(), 1990); // re-read from the file

    QVERIFY(other->refresh());
    QVERIFY(other->findFirst(QStringLiteral("codatl=500001")));
    QCOMPARE(other->field(QStringLiteral("nome")).toString(), QStringLiteral("D'ANGELO LUCIO"));
    QCOMPARE(other->field(QStringLiteral("anno")).toLongLong(), 1990);

    QVERIFY(ds->edit());
    QVERIFY(ds->setField(QStringLiteral("nome"), QStringLiteral("SCARTATO")));
    ds->cancelUpdate();
    QCOMPARE(ds->update().number, err::NotEditing);
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("nome='SCARTATO'")), 0);
}

void TestDataSource::removeLeavesDeletedSlot() {
    auto ds = source(QStringLiteral("select * from natl order by codatl"));
    QVERIFY(ds->refresh());
    QVERIFY(ds->setPosition(1));
    QSignalSpy removed(ds.get(), &DataSource::rowRemoved);
    QVERIFY(ds->remove());
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first().first().toInt(), 1);
    QCOMPARE(ds->rowCount(), 3);
    Status status;
    ds->field(QStringLiteral("nome"), &status);
    QCOMPARE(status.number, err::RecordDeleted);
    QCOMPARE(ds->remove().number, err::RecordDeleted);
    QVERIFY(ds->moveNext());
    QCOMPARE(ds->field(QStringLiteral("codatl")).toLongLong(), 500002);
    QCOMPARE(m_db->count(QStringLiteral("natl")), 3);
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("codatl=500001")), 0);

    // Deleting the last row: the next move reaches the end.
    QVERIFY(ds->moveLast());
    QVERIFY(ds->remove());
    QVERIFY(ds->moveNext());
    QVERIFY(ds->eof());

    auto other = source(QStringLiteral("natl"));
    QVERIFY(other->refresh());
    QCOMPARE(other->rowCount(), 2);
}

void TestDataSource::conversions_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("stored"); // SQLite's quote() of the stored value

    QTest::newRow("empty into number") << "natl"
                                       << "anno" << QVariant(QString()) << 0 << "NULL";
    QTest::newRow("blank into number") << "natl"
                                       << "anno" << QVariant(QStringLiteral("  ")) << 0 << "NULL";
    QTest::newRow("null into number") << "natl"
                                      << "anno" << QVariant() << 0 << "NULL";
    QTest::newRow("padded number text") << "natl"
                                        << "anno" << QVariant(QStringLiteral(" 1999 ")) << 0 << "1999";
    QTest::newRow("not a number") << "natl"
                                  << "anno" << QVariant(QStringLiteral("abc")) << err::TypeMismatch << "";
    QTest::newRow("decimal comma refused") << "nprg57"
                                           << "m" << QVariant(QStringLiteral("31,5")) << err::TypeMismatch << "";
    QTest::newRow("decimal point") << "nprg57"
                                   << "m" << QVariant(QStringLiteral("29.25")) << 0 << "29.25";
    QTest::newRow("empty into double") << "nprg57"
                                       << "m" << QVariant(QStringLiteral("")) << 0 << "NULL";
    QTest::newRow("number into text") << "natl"
                                      << "nome" << QVariant(123) << 0 << "'123'";
    QTest::newRow("empty text stays text") << "natl"
                                           << "nome" << QVariant(QStringLiteral("")) << 0 << "''";
    QTest::newRow("true into yes/no") << "natl"
                                      << "squadra" << QVariant(true) << 0 << "-1";
    QTest::newRow("false into yes/no") << "natl"
                                       << "squadra" << QVariant(false) << 0 << "0";
    QTest::newRow("day/month/year") << "manif"
                                    << "data" << QVariant(QStringLiteral("05/03/2024")) << 0 << "'2024-03-05'";
    QTest::newRow("short day/month") << "manif"
                                     << "Data" << QVariant(QStringLiteral("5/3/2024")) << 0 << "'2024-03-05'";
    QTest::newRow("date value") << "manif"
                                << "data" << QVariant(QDate(2023, 12, 31)) << 0 << "'2023-12-31'";
    QTest::newRow("empty date") << "manif"
                                << "data" << QVariant(QStringLiteral("")) << 0 << "NULL";
    QTest::newRow("impossible date") << "manif"
                                     << "data" << QVariant(QStringLiteral("32/01/2024")) << err::TypeMismatch << "";
    QTest::newRow("missing field") << "natl"
                                   << "pippo" << QVariant(1) << err::FieldNotFound << "";
}

void TestDataSource::conversions() {
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QVariant, input);
    QFETCH(int, error);
    QFETCH(QString, stored);

    const QString check = QStringLiteral("select quote([%1]) from [%2] where rowid=1").arg(field, table);
    const QVariantList before = m_db->column(check);
    auto ds = source(table);
    QVERIFY(ds->refresh());
    QVERIFY(ds->edit());
    const Status status = ds->setField(field, input);
    QCOMPARE(status.number, error);
    QVERIFY(ds->update());
    if (error != 0) {
        QCOMPARE(m_db->column(check), before);
        return;
    }
    QCOMPARE(m_db->column(check).value(0).toString(), stored);
}

void TestDataSource::editingRules() {
    auto ds = source(QStringLiteral("nprg57"));
    QVERIFY(ds->refresh());
    QCOMPARE(ds->setField(QStringLiteral("nome"), QStringLiteral("X")).number, err::NotEditing);
    QCOMPARE(ds->update().number, err::NotEditing);
    QVERIFY(ds->addNew());
    QVERIFY(!ds->setField(QStringLiteral("OrdineInserimento"), 7));
    ds->cancelUpdate();
    QCOMPARE(ds->rowCount(), 1);
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), 1);

    // A moved cursor drops an unfinished edit.
    QVERIFY(ds->edit());
    QVERIFY(ds->setField(QStringLiteral("nome"), QStringLiteral("X")));
    QVERIFY(ds->moveFirst());
    QVERIFY(!ds->isEditing());
    QCOMPARE(ds->field(QStringLiteral("nome")).toString(), QStringLiteral("ROSSI MARIO"));
}

QTEST_GUILESS_MAIN(TestDataSource)
#include "tst_store_datasource.moc"
