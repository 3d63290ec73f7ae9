// Statements as the program writes them, run on a fresh ONDA.mdb.
#include "FixtureDb.h"

#include "store/DataSource.h"
#include "store/Database.h"
#include "store/SqlText.h"
#include "store/SqliteSupport.h"
#include "store/Store.h"

#include <QTest>

#include <memory>

using namespace onda;
using namespace Qt::StringLiterals;

namespace {

QStringList texts(const QVariantList& values) {
    QStringList out;
    for (const QVariant& v : values)
        out << (v.isNull() ? u"<null>"_s : v.toString());
    return out;
}

} // namespace

class TestStoreSql : public QObject {
    Q_OBJECT

private:
    Store store() const { return m_db->store(); }

    std::unique_ptr<FixtureDb> m_db;

private slots:
    void init() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid() && m_db->seedAthletes() && m_db->seedCompetitions() &&
                m_db->createRegistrationTable(u"57"_s) && m_db->createRegistrationTable(u"570"_s));
        QVERIFY(m_db->insertRows(u"categorie"_s, {u"manifID"_s, u"Categoria"_s},
                                 {{57, u"Ragazzi"_s}, {57, u"Juniores"_s}, {570, u"Assoluti"_s}}));
        QVERIFY(m_db->addRegistration(u"57"_s, 500000, u"ROSSI MARIO"_s, u"ABC"_s, 31.75) &&
                m_db->addRegistration(u"57"_s, 500001, u"D'ANGELO LUCA"_s, u"ABC"_s) &&
                m_db->addRegistration(u"57"_s, 500002, u"BIANCHI ANNA"_s, u"XYZ"_s, -1.5));
    }
    void cleanup() { m_db.reset(); }

    void statementEffects_data() {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QStringList>("expected");

        // clang-format off
        QTest::newRow("delete categories of one competition") << "DELETE  *  FROM categorie where manifID=57"
            << "select Categoria from categorie" << QStringList{"Assoluti"};
        QTest::newRow("star inside a literal stays") << "delete * from natl where nome='a * b' or codatl=500003"
            << "select count(*) from natl" << QStringList{"3"};
        QTest::newRow("drop leaves the similar name") << "drop table nprg57"
            << "select name from sqlite_master where name like 'nprg5%' order by name" << QStringList{"nprg570"};
        QTest::newRow("double-quoted literal with escaped quote")
            << "update natl set nome=\"D\"\"ANGELO\" where codatl=500000"
            << "select nome from natl where codatl=500000" << QStringList{"D\"ANGELO"};
        QTest::newRow("double-quoted literal in values") << "insert into natl (codatl, nome) values (1, \"nome\")"
            << "select nome from natl where codatl=1" << QStringList{"nome"};
        QTest::newRow("text compared with number column") << "update natl set anno=1999 where codatl='500002'"
            << "select anno from natl where codatl=500002" << QStringList{"1999"};
        QTest::newRow("select into a new table")
            << "SELECT [Numero Prova], Data INTO copia FROM manif WHERE gruppoID=7 and username<>\"zeta\""
            << "select [Numero Prova] from copia order by [Numero Prova]" << QStringList{"59", "570"};
        QTest::newRow("yes/no criterion") << "delete * from natl where (natl.SQUADRA)<>-1 OR (natl.SQUADRA) Is Null"
            << "select nome from natl" << QStringList{"STAFFETTA ABC"};
        QTest::newRow("accented name matched in any case") << "update natl set nome='NICOLÒ ÈRCOLI' where codatl=500002"
            << "select codatl from natl where nome='nicolò èrcoli' and upper(nome)='NICOLÒ ÈRCOLI'"
            << QStringList{"500002"};
        QTest::newRow("accented names ordered in any case")
            << "update natl set nome=iif(codatl=500000, 'NICOLÒ B', 'nicolò a') where codatl<500002"
            << "select codatl from natl where nome like 'NICOLÒ%' order by nome" << QStringList{"500001", "500000"};
        // clang-format on
    }

    void statementEffects() {
        QFETCH(QString, statement);
        QFETCH(QString, check);
        const Status status = store().execute(statement);
        QVERIFY2(status.ok(), qPrintable(status.description));
        QTEST(texts(m_db->column(check)), "expected");
    }

    void queries_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("expected");

        // clang-format off
        QTest::newRow("bracketed name in lower case") << "select * from manif where [numero prova]=570"
            << "nome manifestazione" << QStringList{"Trofeo B"};
        QTest::newRow("Int floors, keeps null") << "select Int(m) AS v from nprg57 order by codatl"
            << "v" << QStringList{"31", "<null>", "-2"};
        QTest::newRow("Int beyond 64 bits stays a number") << "select Int(m * 1e300) AS v from nprg57 where codatl=500002"
            << "v" << QStringList{"-1.5e+300"};
        QTest::newRow("order by date then user") << "select * from manif order by data, username"
            << "Numero Prova" << QStringList{"58", "59", "570", "57"};
        // clang-format on
    }

    void queries() {
        QFETCH(QString, source);
        QFETCH(QString, field);
        const auto ds = m_db->source(source);
        const Status status = ds->refresh();
        const int column = ds->fieldIndex(field);
        QVERIFY2(status.ok() && column >= 0, qPrintable(status.description));
        QVariantList values;
        for (int r = 0; r < ds->rowCount(); ++r)
            values << ds->value(r, column);
        QTEST(texts(values), "expected");
    }

    void copyTableTwice() {
        QString connection;
        const Store s = store();
        const QString copy = u"SELECT nprg.* INTO nprg60 FROM nprg;"_s;
        s.ESEGUISQL(connection, copy);
        QCOMPARE(m_db->count(u"nprg60"_s), 0);
        QVERIFY(m_db->addRegistration(u"60"_s, 500001, u"A"_s, u"ABC"_s) &&
                m_db->addRegistration(u"60"_s, 500000, u"B"_s, u"ABC"_s));

        s.ESEGUISQL(connection, copy);
        QCOMPARE(s.execute(copy).number, err::TableExists);
        QCOMPARE(texts(m_db->column(u"select OrdineInserimento from nprg60 order by codatl"_s)),
                 (QStringList{"2", "1"}));
        QCOMPARE(m_db->column(u"select sql like '%AUTOINCREMENT%' from sqlite_master where name='nprg60'"_s),
                 QVariantList{1LL});
    }

    void errorNumbers_data() {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<int>("number");

        QTest::newRow("missing table") << "delete * from nprg99" << err::TableNotFound;
        QTest::newRow("missing column") << "select pippo from natl" << err::FieldNotFound;
        QTest::newRow("syntax keeps SQLite's code") << "selec * from natl" << 1;
        QTest::newRow("second statement refused") << "delete * from natl; delete * from manif" << err::ExtraText;
        QTest::newRow("NUL before a second statement")
            << u"delete * from manif where gruppoID=0"_s + QChar(u'\0') + u"; delete from natl"_s
            << err::InvalidStatement;
        QTest::newRow("NUL cutting a condition")
            << u"delete * from natl"_s + QChar(u'\0') + u" where codatl=1"_s << err::InvalidStatement;
    }

    void errorNumbers() {
        QFETCH(QString, statement);
        const Status status = store().execute(statement);
        QTEST(status.number, "number");
        QVERIFY(!status.description.isEmpty());
        QCOMPARE((QList<int>{m_db->count(u"natl"_s), m_db->count(u"manif"_s)}), (QList<int>{4, 4}));

        // A record source goes the same way.
        QCOMPARE(m_db->source(u"select * from natl"_s + QChar(u'\0') + u" where codatl=1"_s)->refresh().number,
                 err::InvalidStatement);
    }

    void unknownDoubleQuotedNameFails() {
        // The store's own statements never reach SQLite with a "..." literal: one that did would
        // otherwise be read silently as a text.
        Database db;
        QVERIFY(db.open(m_db->path()));
        detail::Statement stmt;
        QCOMPARE(stmt.prepare(db.handle(), u"select count(*) from natl where nome=\"pippo\""_s).number,
                 err::FieldNotFound);
    }

    void debugMessages() {
        QStringList messages;
        Store s = store();
        s.setDebugMode(true);
        s.setMessageSink([&messages](const QString& text) { messages << text; });
        QString connection = u"stale"_s;
        s.ESEGUISQL(connection, u"delete * from nonesiste"_s);
        s.ESEGUISQL(connection, u"delete * from natl where codatl=1"_s);
        QCOMPARE(connection, m_db->path());
        QCOMPARE(messages, (QStringList{u"ESEGUISQL: sql=delete * from nonesiste"_s,
                                        u"ESEGUISQL: err="_s + s.execute(u"delete * from nonesiste"_s).description,
                                        u"ESEGUISQL: sql=delete * from natl where codatl=1"_s}));
    }

    void escapedValues_data() {
        QTest::addColumn<QString>("value");

        QTest::newRow("apostrophe") << "D'ANGELO";
        QTest::newRow("injection attempt") << "'; drop table natl; --";
        QTest::newRow("always-true attempt") << "x' OR '1'='1";
        QTest::newRow("double quote closing early") << "x\" or \"1\"=\"1";
        QTest::newRow("both quotes") << "it's \"x\"";
    }

    void escapedValues() {
        QFETCH(QString, value);
        const Store s = store();
        QVERIFY(s.execute(u"insert into natl (codatl, nome, soc) values (9, %1, 'QQQ')"_s.arg(sqlQuoted(value))));
        QVERIFY(texts(m_db->column(u"select nome from natl where codatl=9"_s)) == QStringList{value} &&
                m_db->count(u"natl"_s, u"nome="_s + sqlQuoted(value)) == 1);

        const auto ds = m_db->source(u"select * from natl where nome="_s + sqlDoubleQuoted(value));
        QVERIFY(ds->refresh() && ds->rowCount() == 1);
        QVERIFY(s.execute(u"delete * from natl where nome="_s + sqlDoubleQuoted(value)) && m_db->count(u"natl"_s) == 4);
    }
};

QTEST_GUILESS_MAIN(TestStoreSql)
#include "tst_store_sql.moc"
