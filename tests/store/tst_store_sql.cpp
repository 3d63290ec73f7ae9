// Statements as the program writes them, run on a fresh ONDA.mdb.
#include "FixtureDb.h"

#include "store/DataSource.h"
#include "store/Database.h"
#include "store/SqlDialect.h"
#include "store/SqlText.h"
#include "store/Store.h"

#include <QFileInfo>
#include <QTest>

#include <memory>

using namespace onda;

namespace {

QStringList texts(const QVariantList& values) {
    QStringList out;
    for (const QVariant& v : values)
        out << (v.isNull() ? QStringLiteral("<null>") : v.toString());
    return out;
}

} // namespace

class TestStoreSql : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_db.reset(); }

    void statementEffects_data();
    void statementEffects();
    void queries_data();
    void queries();
    void copyTableTwice();
    void createRecordsTable();
    void errorNumbers_data();
    void errorNumbers();
    void lockedTable();
    void missingFileIsNotCreated();
    void batchSkipsFailingStatement();
    void debugMessages_data();
    void debugMessages();
    void escapedValues_data();
    void escapedValues();
    void translation_data();
    void translation();

private:
    Store store() const {
        Store s;
        s.setDatabasePath(m_db->path());
        return s;
    }

    std::unique_ptr<FixtureDb> m_db;
};

void TestStoreSql::init() {
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
    c.numero = 57, c.nome = QStringLiteral("Trofeo A"), c.data = QDate(2024, 5, 1), c.gruppoId = 7;
    c.userName = QStringLiteral("zeta");
    QVERIFY(m_db->addCompetition(c));
    c.numero = 570, c.nome = QStringLiteral("Trofeo B"), c.data = QDate(2024, 3, 15),
    c.userName = QStringLiteral("Beta");
    QVERIFY(m_db->addCompetition(c));
    c.numero = 59, c.nome = QStringLiteral("Trofeo D"), c.userName = QStringLiteral("alfa");
    QVERIFY(m_db->addCompetition(c));
    c.numero = 58, c.nome = QStringLiteral("Trofeo C"), c.data = QDate(2023, 12, 1), c.gruppoId = 9;
    QVERIFY(m_db->addCompetition(c));

    QVERIFY(m_db->addCategory(57, QStringLiteral("Ragazzi"), QStringLiteral("M"), 2008, 2009));
    QVERIFY(m_db->addCategory(57, QStringLiteral("Juniores"), QStringLiteral("F"), 2006, 2007));
    QVERIFY(m_db->addCategory(570, QStringLiteral("Assoluti"), QStringLiteral("M"), 1900, 2005));
    QVERIFY(m_db->addEvent(57, 1, QStringLiteral("50 SL"), QStringLiteral("Ragazzi"), QStringLiteral("M"), 0));
    QVERIFY(m_db->addEvent(570, 1, QStringLiteral("100 DO"), QStringLiteral("Assoluti"), QStringLiteral("M"), 0));

    FixtureDb::Registration r;
    r.codatl = 500000, r.nome = QStringLiteral("ROSSI MARIO"), r.soc = QStringLiteral("ABC"), r.m = 31.75;
    QVERIFY(m_db->createRegistrationTable(QStringLiteral("57"), {r}));
    r.codatl = 500001, r.nome = QStringLiteral("D'ANGELO LUCA"), r.m = QVariant();
    QVERIFY(m_db->addRegistration(QStringLiteral("57"), r));
    r.codatl = 500002, r.nome = QStringLiteral("BIANCHI ANNA"), r.soc = QStringLiteral("XYZ"), r.m = -1.5;
    QVERIFY(m_db->addRegistration(QStringLiteral("57"), r));
    r.codatl = 500000, r.nome = QStringLiteral("ROSSI MARIO"), r.soc = QStringLiteral("ABC"), r.m = 40.0;
    QVERIFY(m_db->createRegistrationTable(QStringLiteral("570"), {r}));
}

void TestStoreSql::statementEffects_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("check");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("delete all athletes") << "delete * from natl"
                                         << "select codatl from natl" << QStringList();
    QTest::newRow("delete categories of one competition")
        << "DELETE  *  FROM categorie where manifID=57"
        << "select Categoria from categorie" << QStringList{"Assoluti"};
    QTest::newRow("delete events of one competition") << "delete * from programmi where manifID=57"
                                                      << "select gara from programmi" << QStringList{"100 DO"};
    QTest::newRow("delete one club's registrations") << "delete * from nprg57 where soc='ABC'"
                                                     << "select nome from nprg57" << QStringList{"BIANCHI ANNA"};
    QTest::newRow("registrations of another competition kept") << "delete * from nprg57"
                                                               << "select count(*) from nprg570" << QStringList{"1"};
    QTest::newRow("delete competitions of a group") << "delete * from manif where gruppoID=7"
                                                    << "select [Numero Prova] from manif" << QStringList{"58"};
    QTest::newRow("drop leaves the similar name")
        << "drop table nprg57"
        << "select name from sqlite_master where name like 'nprg5%' order by name" << QStringList{"nprg570"};
    QTest::newRow("double-quoted literal with escaped quote")
        << "update natl set nome=\"D\"\"ANGELO\" where codatl=500000"
        << "select nome from natl where codatl=500000" << QStringList{"D\"ANGELO"};
    QTest::newRow("text compared with number column")
        << "update natl set anno=1999 where codatl='500002'"
        << "select anno from natl where codatl=500002" << QStringList{"1999"};
    QTest::newRow("select into a new table")
        << "SELECT [Numero Prova], Data INTO copia FROM manif WHERE gruppoID=7"
        << "select [Numero Prova] from copia order by [Numero Prova]" << QStringList{"57", "59", "570"};
    QTest::newRow("yes/no criterion") << "delete * from natl where (natl.SQUADRA)<>-1 OR (natl.SQUADRA) Is Null"
                                      << "select nome from natl" << QStringList{"STAFFETTA ABC"};
}

void TestStoreSql::statementEffects() {
    QFETCH(QString, statement);
    QFETCH(QString, check);
    QFETCH(QStringList, expected);

    const Status status = store().execute(statement);
    QVERIFY2(status.ok(), qPrintable(status.description));
    QCOMPARE(texts(m_db->column(check)), expected);
}

void TestStoreSql::queries_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("bracketed name with blanks") << "select * from manif where [Numero Prova]=57"
                                                << "Nome Manifestazione" << QStringList{"Trofeo A"};
    QTest::newRow("bracketed name in lower case") << "select * from manif where [numero prova]=570"
                                                  << "nome manifestazione" << QStringList{"Trofeo B"};
    QTest::newRow("code as text") << "select codatl from natl where codatl='500000'"
                                  << "codatl" << QStringList{"500000"};
    QTest::newRow("code as number") << "select codatl from natl where codatl=500000"
                                    << "codatl" << QStringList{"500000"};
    QTest::newRow("Int floors, keeps null") << "select Int(m) AS v from nprg57 order by codatl"
                                            << "v" << QStringList{"31", "<null>", "-2"};
    QTest::newRow("double-quoted value with apostrophe") << "select * from natl where nome=\"D'ANGELO LUCA\""
                                                         << "codatl" << QStringList{"500001"};
    QTest::newRow("double-quoted value ignores case") << "select * from natl where nome=\"rossi mario\""
                                                      << "codatl" << QStringList{"500000"};
    QTest::newRow("single-quoted value ignores case") << "select * from natl where soc='xyz'"
                                                      << "nome" << QStringList{"BIANCHI ANNA"};
    QTest::newRow("athletes, not teams")
        << "select * from natl where ((natl.SQUADRA)<>-1 OR (natl.SQUADRA) Is Null) and soc='ABC' order by codatl"
        << "codatl" << QStringList{"500000", "500001"};
    QTest::newRow("order by date then user") << "select * from manif order by data, username"
                                             << "Numero Prova" << QStringList{"58", "59", "570", "57"};
    QTest::newRow("order by number") << "select * from manif order by [Numero Prova]"
                                     << "numero prova" << QStringList{"57", "58", "59", "570"};
    QTest::newRow("order by text ignores case")
        << "select * from natl order by nome desc"
        << "nome" << QStringList{"STAFFETTA ABC", "ROSSI MARIO", "D'ANGELO LUCA", "BIANCHI ANNA"};
}

void TestStoreSql::queries() {
    QFETCH(QString, source);
    QFETCH(QString, field);
    QFETCH(QStringList, expected);

    DataSource ds;
    ds.setDatabaseFile(m_db->path());
    ds.setRecordSource(source);
    const Status status = ds.refresh();
    QVERIFY2(status.ok(), qPrintable(status.description));
    const int column = ds.fieldIndex(field);
    QVERIFY(column >= 0);
    QVariantList values;
    for (int r = 0; r < ds.rowCount(); ++r)
        values << ds.value(r, column);
    QCOMPARE(texts(values), expected);
}

void TestStoreSql::copyTableTwice() {
    QString connection;
    const Store s = store();
    const QString copy = QStringLiteral("SELECT nprg.* INTO nprg60 FROM nprg;");
    s.ESEGUISQL(connection, copy);
    QVERIFY(m_db->tableExists(QStringLiteral("nprg60")));
    QCOMPARE(m_db->count(QStringLiteral("nprg60")), 0);

    FixtureDb::Registration r;
    r.codatl = 500001, r.nome = QStringLiteral("A"), r.soc = QStringLiteral("ABC");
    QVERIFY(m_db->addRegistration(QStringLiteral("60"), r));
    r.codatl = 500000;
    QVERIFY(m_db->addRegistration(QStringLiteral("60"), r));

    s.ESEGUISQL(connection, copy);
    QCOMPARE(s.execute(copy).number, err::TableExists);
    QCOMPARE(texts(m_db->column(QStringLiteral("select OrdineInserimento from nprg60 order by codatl"))),
             (QStringList{"2", "1"}));

    Database db;
    QVERIFY(db.open(m_db->path()));
    QList<FieldInfo> fields;
    QVERIFY(db.tableFields(QStringLiteral("NPRG60"), fields));
    QCOMPARE(fields.size(), 11);
    QVERIFY(fields.last().autoIncrement);
    QCOMPARE(fields[1].size, 50);
}

void TestStoreSql::createRecordsTable() {
    const QString create =
        QStringLiteral("CREATE TABLE Records (Codatl TEXT, Nome TEXT, Spec TEXT, M NUMERIC,S NUMERIC)");
    QCOMPARE(store().execute(create).number, err::TableExists);
    QVERIFY(store().execute(QStringLiteral("drop table Records")));
    QVERIFY(store().execute(create));
    QVERIFY(store().execute(QStringLiteral("insert into Records (Codatl, Nome, M) values ('A1', 'Rossi', '31.5')")));
    QCOMPARE(m_db->count(QStringLiteral("Records"), QStringLiteral("codatl='a1' and nome='ROSSI' and m=31.5")), 1);

    DataSource ds;
    ds.setDatabaseFile(m_db->path());
    ds.setRecordSource(QStringLiteral("Records"));
    QVERIFY(ds.refresh());
    QCOMPARE(ds.fieldSize(QStringLiteral("nome")), 255);
    QCOMPARE(ds.fields().at(3).type, FieldType::Double);
}

void TestStoreSql::errorNumbers_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("number");

    QTest::newRow("missing table") << "delete * from nprg99" << err::TableNotFound;
    QTest::newRow("missing table in select") << "select * from nonesiste" << err::TableNotFound;
    QTest::newRow("missing column") << "select pippo from natl" << err::FieldNotFound;
    QTest::newRow("missing column in update") << "update natl set pippo=1" << err::FieldNotFound;
    QTest::newRow("missing column in insert") << "insert into natl (pippo) values (1)" << err::FieldNotFound;
    QTest::newRow("table exists") << "create table natl (a text)" << err::TableExists;
    QTest::newRow("syntax keeps SQLite's code") << "selec * from natl" << 1;
    QTest::newRow("second statement refused") << "delete * from natl; delete * from manif" << 3142;
}

void TestStoreSql::errorNumbers() {
    QFETCH(QString, statement);
    QFETCH(int, number);

    const Status status = store().execute(statement);
    QCOMPARE(status.number, number);
    QVERIFY(!status.description.isEmpty());
    QCOMPARE(m_db->count(QStringLiteral("natl")), 4);
    QCOMPARE(m_db->count(QStringLiteral("manif")), 4);
}

void TestStoreSql::lockedTable() {
    Database other;
    QVERIFY(other.open(m_db->path()));
    QVERIFY(other.execute(QStringLiteral("BEGIN EXCLUSIVE")));
    QCOMPARE(store().execute(QStringLiteral("delete * from natl")).number, err::TableInUse);
    other.rollback();
    QCOMPARE(m_db->count(QStringLiteral("natl")), 4);
}

void TestStoreSql::missingFileIsNotCreated() {
    Store s;
    const QString path = m_db->filePath(QStringLiteral("altro/ONDA.mdb"));
    const QString flat = m_db->filePath(QStringLiteral("ALTRO.mdb"));
    s.setDatabasePath(flat);
    QString connection;
    s.ESEGUISQL(connection, QStringLiteral("delete * from natl"));
    QCOMPARE(s.execute(QStringLiteral("delete * from natl")).number, err::CannotOpen);
    QVERIFY(!QFileInfo::exists(flat));
    s.setDatabasePath(path);
    QVERIFY(!s.execute(QStringLiteral("delete * from natl")));
    QVERIFY(!QFileInfo::exists(path));
}

void TestStoreSql::batchSkipsFailingStatement() {
    QStringList messages;
    Store s = store();
    s.setDebugMode(true);
    s.setMessageSink([&messages](const QString& text) { messages << text; });
    const QStringList statements = {
        QStringLiteral("delete * from nprg57 where soc='ABC'"),   QStringLiteral("delete * from nonesiste"),
        QStringLiteral("SELECT nprg.* INTO nprg60 FROM nprg"),    QStringLiteral("SELECT nprg.* INTO nprg57 FROM nprg"),
        QStringLiteral("delete * from natl where codatl=500003"),
    };
    s.ESEGUISQLBatch(statements);

    QCOMPARE(m_db->count(QStringLiteral("nprg57")), 1);
    QVERIFY(m_db->tableExists(QStringLiteral("nprg60")));
    QCOMPARE(m_db->count(QStringLiteral("natl")), 3);
    QCOMPARE(messages.size(), statements.size() + 2);
    QCOMPARE(messages[0], QStringLiteral("ESEGUISQL: sql=") + statements[0]);
    QCOMPARE(messages[1], QStringLiteral("ESEGUISQL: sql=") + statements[1]);
    QVERIFY(messages[2].startsWith(QStringLiteral("ESEGUISQL: err=")));
    QCOMPARE(messages[5], QStringLiteral("ESEGUISQL: err=") + s.execute(statements[3]).description);
}

void TestStoreSql::debugMessages_data() {
    QTest::addColumn<bool>("debug");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<bool>("fails");

    QTest::newRow("debug, failing") << true << "delete * from nonesiste" << true;
    QTest::newRow("debug, succeeding") << true << "delete * from natl where codatl=1" << false;
    QTest::newRow("quiet, failing") << false << "delete * from nonesiste" << true;
    QTest::newRow("quiet, succeeding") << false << "delete * from natl where codatl=1" << false;
}

void TestStoreSql::debugMessages() {
    QFETCH(bool, debug);
    QFETCH(QString, statement);
    QFETCH(bool, fails);

    QStringList messages;
    Store s = store();
    s.setDebugMode(debug);
    s.setMessageSink([&messages](const QString& text) { messages << text; });
    QString connection = QStringLiteral("stale");
    s.ESEGUISQL(connection, statement);

    QCOMPARE(connection, QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=") + m_db->path() +
                             QStringLiteral(";FIL=MS Access;MaxBufferSize=512;PageTimeout=5;"));
    QStringList expected;
    if (debug) {
        expected << QStringLiteral("ESEGUISQL: sql=") + statement;
        if (fails)
            expected << QStringLiteral("ESEGUISQL: err=") + s.execute(statement).description;
    }
    QCOMPARE(messages, expected);
    QCOMPARE(s.execute(statement).ok(), !fails);
}

void TestStoreSql::escapedValues_data() {
    QTest::addColumn<QString>("value");

    QTest::newRow("apostrophe") << "D'ANGELO";
    QTest::newRow("injection attempt") << "'; drop table natl; --";
    QTest::newRow("always-true attempt") << "x' OR '1'='1";
    QTest::newRow("double quotes") << "il \"mago\"";
    QTest::newRow("brackets and star") << "[nome] * from";
}

void TestStoreSql::escapedValues() {
    QFETCH(QString, value);

    const Store s = store();
    QVERIFY(
        s.execute(QStringLiteral("insert into natl (codatl, nome, soc) values (9, %1, 'QQQ')").arg(sqlQuoted(value))));
    QCOMPARE(texts(m_db->column(QStringLiteral("select nome from natl where codatl=9"))), QStringList{value});
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("nome=") + sqlQuoted(value)), 1);
    QCOMPARE(m_db->count(QStringLiteral("natl")), 5);

    DataSource ds;
    ds.setDatabaseFile(m_db->path());
    ds.setRecordSource(QStringLiteral("select * from natl where nome=") + sqlDoubleQuoted(value));
    QVERIFY(ds.refresh());
    QCOMPARE(ds.rowCount(), 1);
    ds.setRecordSource(QStringLiteral("natl"));
    QVERIFY(ds.refresh());
    QVERIFY(ds.findFirst(QStringLiteral("nome=") + sqlDoubleQuoted(value)));
    QVERIFY(!ds.noMatch());
    QCOMPARE(ds.field(QStringLiteral("codatl")).toLongLong(), 9);

    QVERIFY(s.execute(QStringLiteral("delete * from natl where nome=") + sqlDoubleQuoted(value)));
    QCOMPARE(m_db->count(QStringLiteral("natl")), 4);
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("soc='QQQ'")), 0);
}

void TestStoreSql::translation_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("expected");

    QTest::newRow("star inside a literal stays") << "delete * from natl where nome='a * b'"
                                                 << "delete from natl where nome='a * b'";
    QTest::newRow("select into") << "select nome into t2 from natl where nome=\"x\""
                                 << "CREATE TABLE t2 AS select nome from natl where nome='x'";
    QTest::newRow("into inside a literal") << "select * from natl where nome='select a into b from c'"
                                           << "select * from natl where nome='select a into b from c'";
    QTest::newRow("quotes inside brackets stay") << "select [a\"b] from t where x=\"it's\""
                                                 << "select [a\"b] from t where x='it''s'";
    QTest::newRow("text columns ignore case")
        << "create table T (a TEXT, b varchar(20), c memo, d long, e text collate binary, f CHAR (3))"
        << "create table T (a TEXT COLLATE NOCASE, b varchar(20) COLLATE NOCASE, c LONGTEXT COLLATE NOCASE, "
           "d long, e text collate binary, f CHAR (3) COLLATE NOCASE)";
}

void TestStoreSql::translation() {
    QFETCH(QString, statement);
    QFETCH(QString, expected);

    const TranslatedStatement t = translateStatement(statement);
    QCOMPARE(t.kind, TranslatedStatement::Kind::Plain);
    QCOMPARE(t.sql, expected);
}

QTEST_GUILESS_MAIN(TestStoreSql)
#include "tst_store_sql.moc"
