// Creating the file and altering the registration tables.
#include "FixtureDb.h"

#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace onda;

class TestStoreMaintenance : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_db.reset(); }

    void ensureDatabaseCreatesAllTables();
    void ensureDatabaseKeepsExistingFile();
    void declarations_data();
    void declarations();
    void countRecords_data();
    void countRecords();
    void addTableField_data();
    void addTableField();
    void autoIncrementNumbersOldRows();
    void ensureInsertionOrderOnOldTable_data();
    void ensureInsertionOrderOnOldTable();
    void ensureInsertionOrderOnCurrentTable();
    void bindToDatabase();

private:
    Store store() const {
        Store s;
        s.setDatabasePath(m_db->path());
        s.setMessageSink([this](const QString& text) { m_messages << text; });
        return s;
    }
    std::unique_ptr<DataSource> source(const QString& recordSource) const {
        auto ds = std::make_unique<DataSource>();
        ds->setDatabaseFile(m_db->path());
        ds->setRecordSource(recordSource);
        return ds;
    }
    QString tableSql(const QString& table) {
        return m_db->column(QStringLiteral("select sql from sqlite_master where name=?1"), {table}).value(0).toString();
    }

    std::unique_ptr<FixtureDb> m_db;
    mutable QStringList m_messages;
    const QList<FixtureDb::Registration> m_rows = {
        {500002, QStringLiteral("BIANCHI ANNA"), 2007, {}, QStringLiteral("XYZ"), {}, {}, {}, {}, {}},
        {500000, QStringLiteral("ROSSI MARIO"), 2005, {}, QStringLiteral("ABC"), {}, {}, {}, {}, {}},
        {500001, QStringLiteral("D'ANGELO LUCA"), 2006, {}, QStringLiteral("ABC"), {}, {}, {}, {}, {}},
    };
};

void TestStoreMaintenance::init() {
    m_messages.clear();
    m_db = std::make_unique<FixtureDb>();
    QVERIFY(m_db->isValid());
}

void TestStoreMaintenance::ensureDatabaseCreatesAllTables() {
    QTemporaryDir dir;
    Store s;
    s.setDatabasePath(dir.filePath(QStringLiteral("ONDA.mdb")));
    QVERIFY(!QFileInfo::exists(s.databasePath()));
    QVERIFY(s.ensureDatabase());
    QVERIFY(QFileInfo::exists(s.databasePath()));

    Database db;
    QVERIFY(db.open(s.databasePath()));
    const QStringList expected = {"config", "natl", "manif", "categorie", "programmi", "nprg", "Records"};
    for (const QString& table : expected) {
        QList<FieldInfo> fields;
        QVERIFY2(db.tableFields(table, fields), qPrintable(table));
        Database::Result rows;
        QVERIFY(db.query(QStringLiteral("select count(*) from [%1]").arg(table), rows));
        QCOMPARE(rows.rows.value(0).value(0).toInt(), 0);
    }
    QList<FieldInfo> manif;
    QVERIFY(db.tableFields(QStringLiteral("MANIF"), manif));
    QCOMPARE(manif.size(), 10);
    QCOMPARE(manif[2].name, QStringLiteral("Località"));
    QCOMPARE(manif[3].type, FieldType::Date);
    QCOMPARE(manif[9].type, FieldType::Memo);
    QList<FieldInfo> nprg;
    QVERIFY(db.tableFields(QStringLiteral("nprg"), nprg));
    QCOMPARE(nprg.size(), 11);
    QCOMPARE(nprg.last().name, QStringLiteral("OrdineInserimento"));
    QVERIFY(nprg.last().autoIncrement);
    QCOMPARE(nprg[5].size, 1);
}

void TestStoreMaintenance::ensureDatabaseKeepsExistingFile() {
    QVERIFY(m_db->addAthlete(500000, QStringLiteral("ROSSI MARIO"), 2005, QStringLiteral("ABC"), QStringLiteral("M")));
    // An old file: natl with fewer columns and no categorie table.
    QVERIFY(m_db->exec(QStringLiteral("drop table categorie")));
    QVERIFY(m_db->exec(QStringLiteral("create table config (societa text)")).number == err::TableExists);
    QVERIFY(m_db->exec(QStringLiteral("drop table config")));
    QVERIFY(m_db->exec(QStringLiteral("create table config (societa text)")));
    QVERIFY(m_db->exec(QStringLiteral("insert into config (societa) values ('ABC')")));
    const QString configSql = tableSql(QStringLiteral("config"));

    QVERIFY(store().ensureDatabase());
    QVERIFY(m_db->tableExists(QStringLiteral("categorie")));
    QCOMPARE(tableSql(QStringLiteral("config")), configSql);
    QCOMPARE(m_db->count(QStringLiteral("config")), 1);
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("nome='rossi mario'")), 1);
}

void TestStoreMaintenance::declarations_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("autoIncrement");

    QTest::newRow("long") << int(FieldType::Long) << 0 << false;
    QTest::newRow("counter") << int(FieldType::Long) << 0 << true;
    QTest::newRow("integer") << int(FieldType::Integer) << 0 << false;
    QTest::newRow("byte") << int(FieldType::Byte) << 0 << false;
    QTest::newRow("double") << int(FieldType::Double) << 0 << false;
    QTest::newRow("single") << int(FieldType::Single) << 0 << false;
    QTest::newRow("currency") << int(FieldType::Currency) << 0 << false;
    QTest::newRow("date") << int(FieldType::Date) << 0 << false;
    QTest::newRow("yes/no") << int(FieldType::Boolean) << 0 << false;
    QTest::newRow("text 30") << int(FieldType::Text) << 30 << false;
    QTest::newRow("memo") << int(FieldType::Memo) << 0 << false;
}

void TestStoreMaintenance::declarations() {
    QFETCH(int, type);
    QFETCH(int, size);
    QFETCH(bool, autoIncrement);

    // What a table declares is what its fields read back as.
    const FieldInfo field{QStringLiteral("campo"), FieldType(type), size, autoIncrement};
    Database db;
    QVERIFY(db.open(m_db->path()));
    QVERIFY(db.createTable(QStringLiteral("prova"), {{QStringLiteral("x"), FieldType::Text, 5, false}, field}));
    QList<FieldInfo> fields;
    QVERIFY(db.tableFields(QStringLiteral("prova"), fields));
    QCOMPARE(fields.size(), 2);
    QCOMPARE(int(fields[1].type), type);
    QCOMPARE(fields[1].size, size);
    QCOMPARE(fields[1].autoIncrement, autoIncrement);
}

void TestStoreMaintenance::countRecords_data() {
    QTest::addColumn<QString>("recordSource");
    QTest::addColumn<int>("count");

    QTest::newRow("three rows") << "nprg57" << 3;
    QTest::newRow("filtered") << "select * from nprg57 where soc='abc'" << 2;
    QTest::newRow("empty") << "select * from nprg57 where soc='NONE'" << 0;
    QTest::newRow("missing table") << "nprg99" << 0;
}

void TestStoreMaintenance::countRecords() {
    QFETCH(QString, recordSource);
    QFETCH(int, count);

    QVERIFY(m_db->createRegistrationTable(QStringLiteral("57"), m_rows));
    auto ds = source(recordSource);
    QCOMPARE(Store::CountRecords(*ds), count);
    QCOMPARE(ds->position(), count > 0 ? 0 : -1);

    DataSource unbound;
    unbound.setRecordSource(recordSource);
    QCOMPARE(Store::CountRecords(unbound), 0);
}

void TestStoreMaintenance::addTableField_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("expectedType");
    QTest::addColumn<int>("expectedSize");

    QTest::newRow("text 50") << 10 << 50 << int(FieldType::Text) << 50;
    QTest::newRow("text without size") << 10 << 0 << int(FieldType::Text) << 255;
    QTest::newRow("double") << 7 << 0 << int(FieldType::Double) << 0;
    QTest::newRow("yes/no") << 1 << 0 << int(FieldType::Boolean) << 0;
}

void TestStoreMaintenance::addTableField() {
    QFETCH(int, type);
    QFETCH(int, size);
    QFETCH(int, expectedType);
    QFETCH(int, expectedSize);

    QVERIFY(m_db->createRegistrationTable(QStringLiteral("57"), m_rows));
    const QString recordSource = QStringLiteral("select * from nprg57 order by nome");
    auto ds = source(recordSource);
    QVERIFY(ds->refresh());
    const Status status = store().AddTableField(QStringLiteral("nprg57"), *ds, QStringLiteral("Extra"), type, size);
    QVERIFY2(status.ok(), qPrintable(status.description));
    QCOMPARE(ds->recordSource(), recordSource);
    QVERIFY(ds->isOpen());
    const int column = ds->fieldIndex(QStringLiteral("extra"));
    QVERIFY(column >= 0);
    QCOMPARE(int(ds->fields()[column].type), expectedType);
    QCOMPARE(ds->fieldSize(QStringLiteral("EXTRA")), expectedType == int(FieldType::Text) ? expectedSize : 0);
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), 3);

    // Adding it again fails and changes nothing.
    const QString before = tableSql(QStringLiteral("nprg57"));
    QVERIFY(!store().AddTableField(QStringLiteral("nprg57"), *ds, QStringLiteral("extra"), type, size));
    QCOMPARE(tableSql(QStringLiteral("nprg57")), before);
}

void TestStoreMaintenance::autoIncrementNumbersOldRows() {
    QVERIFY(m_db->createRegistrationTable(QStringLiteral("57"), m_rows, false));
    QVERIFY(m_db->exec(QStringLiteral("delete * from nprg57 where codatl=500000")));
    QVERIFY(m_db->addRegistration(QStringLiteral("57"), m_rows[1]));
    auto ds = source(QStringLiteral("nprg57"));
    QVERIFY(store().AddTableField(QStringLiteral("nprg57"), *ds, QStringLiteral("OrdineInserimento"), 4, 4));

    // Stored order: BIANCHI, D'ANGELO, ROSSI (re-added last).
    QCOMPARE(m_db->column(QStringLiteral("select codatl from nprg57 order by OrdineInserimento")),
             (QVariantList{500002LL, 500001LL, 500000LL}));
    QCOMPARE(m_db->column(QStringLiteral("select OrdineInserimento from nprg57 order by OrdineInserimento")),
             (QVariantList{1LL, 2LL, 3LL}));

    QVERIFY(ds->refresh());
    QVERIFY(ds->fields().last().autoIncrement);
    QVERIFY(ds->addNew());
    QVERIFY(ds->setField(QStringLiteral("codatl"), 500009));
    QVERIFY(ds->update());
    QCOMPARE(ds->value(3, ds->fieldIndex(QStringLiteral("ordineinserimento"))).toLongLong(), 4);
    QCOMPARE(ds->fieldSize(QStringLiteral("nome")), 50);
}

void TestStoreMaintenance::ensureInsertionOrderOnOldTable_data() {
    QTest::addColumn<bool>("withRows");
    QTest::newRow("old table with rows") << true;
    QTest::newRow("old empty table") << false;
}

void TestStoreMaintenance::ensureInsertionOrderOnOldTable() {
    QFETCH(bool, withRows);

    QVERIFY(m_db->createRegistrationTable(QStringLiteral("57"), withRows ? m_rows : QList<FixtureDb::Registration>{},
                                          false));
    const QString recordSource = QStringLiteral("select * from nprg57 where soc='ABC'");
    auto registrations = source(recordSource);
    auto workspace = source(QStringLiteral("nprg57"));
    QVERIFY(registrations->refresh());
    QVERIFY(workspace->refresh());
    QCOMPARE(registrations->fieldIndex(QStringLiteral("ordineInserimento")), -1);

    const Store s = store();
    s.EnsureInsertionOrder(*registrations, *workspace, QStringLiteral("57"));
    QCOMPARE(m_messages, QStringList{"Aggiungo ordine inserimento"});
    QVERIFY(registrations->fieldIndex(QStringLiteral("ordineInserimento")) >= 0);
    QCOMPARE(registrations->recordSource(), recordSource);
    QCOMPARE(workspace->recordSource(), QStringLiteral("nprg57"));
    QVERIFY(workspace->fieldIndex(QStringLiteral("OrdineInserimento")) >= 0);
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), withRows ? 3 : 0);

    s.EnsureInsertionOrder(*registrations, *workspace, QStringLiteral("57"));
    QCOMPARE(m_messages.size(), 1);
}

void TestStoreMaintenance::ensureInsertionOrderOnCurrentTable() {
    QVERIFY(m_db->createRegistrationTable(QStringLiteral("57"), m_rows));
    const QString before = tableSql(QStringLiteral("nprg57"));
    auto registrations = source(QStringLiteral("nprg57"));
    auto workspace = source(QStringLiteral("nprg57"));
    QVERIFY(registrations->refresh());
    store().EnsureInsertionOrder(*registrations, *workspace, QStringLiteral("57"));
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(tableSql(QStringLiteral("nprg57")), before);
    QCOMPARE(m_db->column(QStringLiteral("select OrdineInserimento from nprg57 order by codatl")),
             (QVariantList{2LL, 3LL, 1LL}));
}

void TestStoreMaintenance::bindToDatabase() {
    auto a = std::make_unique<DataSource>();
    auto b = std::make_unique<DataSource>();
    auto missing = std::make_unique<DataSource>();
    a->setRecordSource(QStringLiteral("natl"));
    b->setRecordSource(QStringLiteral("select * from manif"));
    missing->setRecordSource(QStringLiteral("nprg99"));

    Store::bindToDatabase({a.get(), b.get(), missing.get()}, m_db->path());
    QVERIFY(m_messages.isEmpty());
    QVERIFY(a->isOpen());
    QCOMPARE(b->databaseFile(), m_db->path());
    QVERIFY(!missing->isOpen()); // a missing table is passed over, the others still bound
}

QTEST_GUILESS_MAIN(TestStoreMaintenance)
#include "tst_store_maintenance.moc"
