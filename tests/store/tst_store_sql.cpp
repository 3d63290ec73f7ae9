// Statements as the program writes them, run on a fresh ONDA.mdb.
#include "FixtureDb.h"

#include "store/DataSource.h"
#include "store/Database.h"
#include "store/SqlDialect.h"
#include "store/SqlText.h"
#include "store/SqliteSupport.h"
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
    void errorNumbers_data();
    void errorNumbers();
    void unknownDoubleQuotedNameFails();
    void lockedTable();
    void missingFileIsNotCreated();
    void debugMessages_data();
    void debugMessages();
    void escapedValues_data();
    void escapedValues();
    void quotingHelpers();

private:
    Store store() const {
        Store s;
        s.setDatabasePath(m_db->path());
        s.setConnectionOptions({50, 0});
        return s;
    }

    std::unique_ptr<FixtureDb> m_db;
};

void TestStoreSql::init() {
    m_db = std::make_unique<FixtureDb>();
    QVERIFY(m_db->isValid());
    QVERIFY(m_db->seedAthletes());
    QVERIFY(m_db->seedCompetitions());
    const std::pair<int, const char*> categories[] = {{57, "Ragazzi"}, {57, "Juniores"}, {570, "Assoluti"}};
    for (const auto& [manif, categoria] : categories) {
        QVERIFY(
            m_db->insert(QStringLiteral("categorie"), {{QStringLiteral("manifID"), manif},
                                                       {QStringLiteral("Categoria"), QString::fromUtf8(categoria)}}));
        QVERIFY(m_db->insert(QStringLiteral("programmi"), {{QStringLiteral("ManifID"), manif},
                                                           {QStringLiteral("gara"), QString::fromUtf8(categoria)}}));
    }
    QVERIFY(m_db->createRegistrationTable(QStringLiteral("57")));
    QVERIFY(m_db->addRegistration(QStringLiteral("57"), 500000, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC"),
                                  31.75));
    QVERIFY(
        m_db->addRegistration(QStringLiteral("57"), 500001, QStringLiteral("D'ANGELO LUCA"), QStringLiteral("ABC")));
    QVERIFY(m_db->addRegistration(QStringLiteral("57"), 500002, QStringLiteral("BIANCHI ANNA"), QStringLiteral("XYZ"),
                                  -1.5));
    QVERIFY(m_db->createRegistrationTable(QStringLiteral("570")));
    QVERIFY(m_db->addRegistration(QStringLiteral("570"), 500000, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC")));
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
    QTest::newRow("star inside a literal stays") << "delete * from natl where nome='a * b' or codatl=500003"
                                                 << "select count(*) from natl" << QStringList{"3"};
    QTest::newRow("delete one club's registrations") << "delete * from nprg57 where soc='ABC'"
                                                     << "select nome from nprg57" << QStringList{"BIANCHI ANNA"};
    QTest::newRow("registrations of another competition kept") << "delete * from nprg57"
                                                               << "select count(*) from nprg570" << QStringList{"1"};
    QTest::newRow("drop leaves the similar name")
        << "drop table nprg57"
        << "select name from sqlite_master where name like 'nprg5%' order by name" << QStringList{"nprg570"};
    QTest::newRow("double-quoted literal with escaped quote")
        << "update natl set nome=\"D\"\"ANGELO\" where codatl=500000"
        << "select nome from natl where codatl=500000" << QStringList{"D\"ANGELO"};
    QTest::newRow("double-quoted literal in values") << "insert into natl (codatl, nome) values (1, \"nome\")"
                                                     << "select nome from natl where codatl=1" << QStringList{"nome"};
    QTest::newRow("text compared with number column")
        << "update natl set anno=1999 where codatl='500002'"
        << "select anno from natl where codatl=500002" << QStringList{"1999"};
    QTest::newRow("select into a new table")
        << "SELECT [Numero Prova], Data INTO copia FROM manif WHERE gruppoID=7 and username<>\"zeta\""
        << "select [Numero Prova] from copia order by [Numero Prova]" << QStringList{"59", "570"};
    QTest::newRow("yes/no criterion") << "delete * from natl where (natl.SQUADRA)<>-1 OR (natl.SQUADRA) Is Null"
                                      << "select nome from natl" << QStringList{"STAFFETTA ABC"};
    QTest::newRow("accented name matched in any case")
        << "update natl set nome='NICOLÒ ÈRCOLI' where codatl=500002"
        << "select codatl from natl where nome='nicolò èrcoli' and upper(nome)='NICOLÒ ÈRCOLI'"
        << QStringList{"500002"};
    QTest::newRow("records table as the program creates it")
        << "CREATE TABLE Records2 (Codatl TEXT, Nome TEXT, Spec TEXT, M NUMERIC,S NUMERIC)"
        << "select count(*) from pragma_table_info('Records2')" << QStringList{"5"};
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

    QTest::newRow("bracketed name in lower case") << "select * from manif where [numero prova]=570"
                                                  << "nome manifestazione" << QStringList{"Trofeo B"};
    QTest::newRow("code as text") << "select codatl from natl where codatl='500000'"
                                  << "codatl" << QStringList{"500000"};
    QTest::newRow("Int floors, keeps null") << "select Int(m) AS v from nprg57 order by codatl"
                                            << "v" << QStringList{"31", "<null>", "-2"};
    QTest::newRow("Int beyond 64 bits stays a number") << "select Int(m * 1e300) AS v from nprg57 where codatl=500002"
                                                       << "v" << QStringList{"-1.5e+300"};
    QTest::newRow("double-quoted value with apostrophe") << "select * from natl where nome=\"D'ANGELO LUCA\""
                                                         << "codatl" << QStringList{"500001"};
    QTest::newRow("double-quoted value ignores case") << "select * from natl where nome=\"rossi mario\""
                                                      << "codatl" << QStringList{"500000"};
    QTest::newRow("athletes, not teams")
        << "select * from natl where ((natl.SQUADRA)<>-1 OR (natl.SQUADRA) Is Null) and soc='ABC' order by codatl"
        << "codatl" << QStringList{"500000", "500001"};
    QTest::newRow("order by date then user") << "select * from manif order by data, username"
                                             << "Numero Prova" << QStringList{"58", "59", "570", "57"};
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
    QCOMPARE(m_db->count(QStringLiteral("nprg60")), 0);
    QVERIFY(m_db->addRegistration(QStringLiteral("60"), 500001, QStringLiteral("A"), QStringLiteral("ABC")));
    QVERIFY(m_db->addRegistration(QStringLiteral("60"), 500000, QStringLiteral("B"), QStringLiteral("ABC")));

    s.ESEGUISQL(connection, copy);
    QCOMPARE(s.execute(copy).number, err::TableExists);
    QCOMPARE(texts(m_db->column(QStringLiteral("select OrdineInserimento from nprg60 order by codatl"))),
             (QStringList{"2", "1"}));
    DataSource ds;
    ds.setDatabaseFile(m_db->path());
    ds.setRecordSource(QStringLiteral("NPRG60"));
    QVERIFY(ds.refresh());
    QVERIFY(ds.fields().last().autoIncrement);
    QCOMPARE(ds.fieldSize(QStringLiteral("nome")), 50);
}

void TestStoreSql::errorNumbers_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("number");

    QTest::newRow("missing table") << "delete * from nprg99" << err::TableNotFound;
    QTest::newRow("missing column") << "select pippo from natl" << err::FieldNotFound;
    QTest::newRow("missing column in update") << "update natl set pippo=1" << err::FieldNotFound;
    QTest::newRow("table exists") << "create table natl (a text)" << err::TableExists;
    QTest::newRow("syntax keeps SQLite's code") << "selec * from natl" << 1;
    QTest::newRow("second statement refused") << "delete * from natl; delete * from manif" << err::ExtraText;
    QTest::newRow("NUL before a second statement")
        << QStringLiteral("delete * from manif where gruppoID=0") + QChar(u'\0') + QStringLiteral("; delete from natl")
        << err::InvalidStatement;
    QTest::newRow("NUL cutting a condition")
        << QStringLiteral("delete * from natl") + QChar(u'\0') + QStringLiteral(" where codatl=1")
        << err::InvalidStatement;
}

void TestStoreSql::errorNumbers() {
    QFETCH(QString, statement);
    QFETCH(int, number);

    const Status status = store().execute(statement);
    QCOMPARE(status.number, number);
    QVERIFY(!status.description.isEmpty());
    QCOMPARE(m_db->count(QStringLiteral("natl")), 4);
    QCOMPARE(m_db->count(QStringLiteral("manif")), 4);

    DataSource ds; // a record source goes the same way
    ds.setDatabaseFile(m_db->path());
    ds.setRecordSource(QStringLiteral("select * from natl") + QChar(u'\0') + QStringLiteral(" where codatl=1"));
    QCOMPARE(ds.refresh().number, err::InvalidStatement);
}

void TestStoreSql::unknownDoubleQuotedNameFails() {
    // The store's own statements never reach SQLite with a "..." literal: one that did would
    // otherwise be read silently as a text.
    Database db;
    QVERIFY(db.open(m_db->path()));
    detail::Statement stmt;
    QCOMPARE(stmt.prepare(db.handle(), QStringLiteral("select count(*) from natl where nome=\"pippo\"")).number,
             err::FieldNotFound);
}

void TestStoreSql::lockedTable() {
    Database other;
    QVERIFY(other.open(m_db->path()));
    QVERIFY(other.execute(QStringLiteral("BEGIN EXCLUSIVE")));
    QCOMPARE(store().execute(QStringLiteral("delete * from natl")).number, err::TableInUse);
    QVERIFY(other.execute(QStringLiteral("ROLLBACK")));
    QCOMPARE(m_db->count(QStringLiteral("natl")), 4);
}

void TestStoreSql::missingFileIsNotCreated() {
    Store s;
    QString connection;
    for (const QString& name : {QStringLiteral("ALTRO.mdb"), QStringLiteral("altro/ONDA.mdb")}) {
        s.setDatabasePath(m_db->filePath(name));
        s.ESEGUISQL(connection, QStringLiteral("delete * from natl"));
        QCOMPARE(s.execute(QStringLiteral("delete * from natl")).number, err::CannotOpen);
        QVERIFY(!QFileInfo::exists(s.databasePath()));
    }
}

void TestStoreSql::debugMessages_data() {
    QTest::addColumn<bool>("debug");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<bool>("fails");

    QTest::newRow("debug, failing") << true << "delete * from nonesiste" << true;
    QTest::newRow("debug, succeeding") << true << "delete * from natl where codatl=1" << false;
    QTest::newRow("quiet, failing") << false << "delete * from nonesiste" << true;
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

    QVERIFY(connection.contains(QStringLiteral("DBQ=") + m_db->path() + QLatin1Char(';')));
    QStringList expected;
    if (debug)
        expected << QStringLiteral("ESEGUISQL: sql=") + statement;
    if (debug && fails)
        expected << QStringLiteral("ESEGUISQL: err=") + s.execute(statement).description;
    QCOMPARE(messages, expected);
}

void TestStoreSql::escapedValues_data() {
    QTest::addColumn<QString>("value");

    QTest::newRow("apostrophe") << "D'ANGELO";
    QTest::newRow("injection attempt") << "'; drop table natl; --";
    QTest::newRow("always-true attempt") << "x' OR '1'='1";
    QTest::newRow("double quotes") << "il \"mago\"";
    QTest::newRow("double quote closing early") << "x\" or \"1\"=\"1";
    QTest::newRow("brackets and star") << "[nome] * from";
}

void TestStoreSql::escapedValues() {
    QFETCH(QString, value);

    const Store s = store();
    QVERIFY(
        s.execute(QStringLiteral("insert into natl (codatl, nome, soc) values (9, %1, 'QQQ')").arg(sqlQuoted(value))));
    QCOMPARE(texts(m_db->column(QStringLiteral("select nome from natl where codatl=9"))), QStringList{value});
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("nome=") + sqlQuoted(value)), 1);

    DataSource ds;
    ds.setDatabaseFile(m_db->path());
    ds.setRecordSource(QStringLiteral("select * from natl where nome=") + sqlDoubleQuoted(value));
    QVERIFY(ds.refresh());
    QCOMPARE(ds.rowCount(), 1);
    ds.setRecordSource(QStringLiteral("natl"));
    QVERIFY(ds.refresh());
    QVERIFY(ds.findFirst(QStringLiteral("nome=") + sqlDoubleQuoted(value)));
    QCOMPARE(ds.field(QStringLiteral("codatl")).toLongLong(), 9);

    QVERIFY(s.execute(QStringLiteral("delete * from natl where nome=") + sqlDoubleQuoted(value)));
    QCOMPARE(m_db->count(QStringLiteral("natl")), 4);
}

void TestStoreSql::quotingHelpers() {
    // Quotes inside are doubled, and a name holding the other quote keeps it as it is.
    QCOMPARE(sqlQuoted(QStringLiteral("it's \"x\"")), QStringLiteral("'it''s \"x\"'"));
    QCOMPARE(sqlDoubleQuoted(QStringLiteral("a \"b\" 'c'")), QStringLiteral("\"a \"\"b\"\" 'c'\""));
    QCOMPARE(translateCriterion(QStringLiteral("nome=") + sqlDoubleQuoted(QStringLiteral("a\"'b"))),
             QStringLiteral("nome='a\"''b'"));
}

QTEST_GUILESS_MAIN(TestStoreSql)
#include "tst_store_sql.moc"
