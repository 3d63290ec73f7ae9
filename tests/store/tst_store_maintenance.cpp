// Start-up checks of the file, the schema, statement batches and altering registration tables.
#include "FixtureDb.h"

#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Store.h"
#include "store/Transaction.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <memory>

using namespace onda;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

#ifdef Q_OS_LINUX
// Sets or clears the immutable flag, which stops root as well; false where unsupported.
bool setImmutable(const QString& path, bool on) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}
#else
bool setImmutable(const QString&, bool) {
    return false;
}
#endif

// The file can no longer be written by this process: permissions, or for root the immutable flag.
bool makeReadOnly(const QString& path) {
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile probe(path);
    if (!probe.open(QIODevice::ReadWrite))
        return true;
    probe.close();
    return setImmutable(path, true);
}

} // namespace

class TestStoreMaintenance : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshFileMatchesGolden();
    void olderFileCompleted();
    void startupRefuses_data();
    void startupRefuses();
    void startupBesideAWriter();
    void plainToolReadsFile();
    void transactionsNest();
    void batch_data();
    void batch();
    void countRecords_data();
    void countRecords();
    void addTableField_data();
    void addTableField();
    void insertionOrderKeepsRowIdentity();
    void ensureInsertionOrder();

private:
    Store store() const {
        Store s;
        s.setDatabasePath(m_db->path());
        s.setConnectionOptions({50, 0});
        s.setMessageSink([this](const QString& text) { m_messages << text; });
        return s;
    }
    std::unique_ptr<DataSource> source(const QString& recordSource) const {
        auto ds = std::make_unique<DataSource>();
        ds->setDatabaseFile(m_db->path());
        ds->setRecordSource(recordSource);
        return ds;
    }
    Status fillRegistrations(bool withInsertionOrder) {
        Status s = m_db->createRegistrationTable(QStringLiteral("57"), withInsertionOrder);
        for (const auto& [codatl, nome, soc] :
             {std::tuple{500002, "BIANCHI ANNA", "XYZ"}, std::tuple{500000, "ROSSI MARIO", "ABC"},
              std::tuple{500001, "D'ANGELO LUCA", "ABC"}}) {
            if (s)
                s = m_db->addRegistration(QStringLiteral("57"), codatl, QString::fromUtf8(nome),
                                          QString::fromUtf8(soc));
        }
        return s;
    }

    std::unique_ptr<FixtureDb> m_db;
    mutable QStringList m_messages;
};

void TestStoreMaintenance::init() {
    m_messages.clear();
    m_db = std::make_unique<FixtureDb>();
    QVERIFY(m_db->isValid());
}

void TestStoreMaintenance::cleanup() {
    setImmutable(m_db->path(), false);
    m_db.reset();
}

void TestStoreMaintenance::freshFileMatchesGolden() {
    QFile golden(QStringLiteral(ONDA_TEST_DATA "/onda_schema.sql"));
    QVERIFY(golden.open(QIODevice::ReadOnly));
    QCOMPARE(m_db->schemaText(), QString::fromUtf8(golden.readAll()));

    // A complete file is only read at start-up.
    const QByteArray before = bytesOf(m_db->path());
    QVERIFY(store().ensureDatabase());
    QCOMPARE(bytesOf(m_db->path()), before);
}

void TestStoreMaintenance::olderFileCompleted() {
    // A file of before versioning: no version, config of its own, no categorie.
    QVERIFY(m_db->exec(QStringLiteral("drop table categorie")));
    QVERIFY(m_db->exec(QStringLiteral("drop table config")));
    QVERIFY(m_db->exec(QStringLiteral("create table config (societa text)")));
    QVERIFY(m_db->insert(QStringLiteral("config"), {{QStringLiteral("societa"), QStringLiteral("ABC")}}));
    QVERIFY(m_db->exec(QStringLiteral("PRAGMA user_version = 0")));
    const QVariantList configSql = m_db->column(QStringLiteral("select sql from sqlite_master where name='config'"));

    QVERIFY(store().ensureDatabase());
    QVERIFY(m_db->tableExists(QStringLiteral("categorie")));
    QCOMPARE(m_db->column(QStringLiteral("select sql from sqlite_master where name='config'")), configSql);
    QCOMPARE(m_db->count(QStringLiteral("config")), 1);
    QCOMPARE(m_db->column(QStringLiteral("PRAGMA user_version")), QVariantList{1LL});
}

void TestStoreMaintenance::startupRefuses_data() {
    QTest::addColumn<QString>("cause");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");

    QTest::newRow("not a database") << "text" << err::NotADatabase << "il file non e' un database.";
    QTest::newRow("locked") << "locked" << err::FileInUse << "il file e' bloccato da un altro programma.";
    QTest::newRow("read-only") << "readonly" << err::ReadOnly << "il file e' di sola lettura.";
    QTest::newRow("damaged") << "damaged" << err::Damaged << "il file e' danneggiato.";
}

void TestStoreMaintenance::startupRefuses() {
    QFETCH(QString, cause);
    QFETCH(int, number);
    QFETCH(QString, message);

    QVERIFY(m_db->seedAthletes());
    Database other;
    if (cause == QLatin1String("text")) {
        QFile text(m_db->path());
        QVERIFY(text.open(QIODevice::WriteOnly | QIODevice::Truncate));
        text.write(QByteArray("codatl;nome\n500000;ROSSI MARIO\n").repeated(40));
    } else if (cause == QLatin1String("locked")) {
        QVERIFY(other.open(m_db->path()));
        QVERIFY(other.execute(QStringLiteral("BEGIN EXCLUSIVE")));
    } else if (cause == QLatin1String("readonly")) {
        QVERIFY(m_db->exec(QStringLiteral("drop table Records"))); // something to create, were it writable
        if (!makeReadOnly(m_db->path()))
            QSKIP("this file system cannot make the file read-only for this user");
    } else {
        // Scribble over the athletes' page, past the file header.
        const int pageSize = m_db->column(QStringLiteral("PRAGMA page_size")).value(0).toInt();
        const qint64 page =
            m_db->column(QStringLiteral("select rootpage from sqlite_master where name='natl'")).value(0).toLongLong();
        QFile file(m_db->path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek((page - 1) * pageSize));
        file.write(QByteArray(pageSize / 2, '\x5a'));
    }
    const QByteArray before = bytesOf(m_db->path());

    const Status status = store().ensureDatabase();
    QCOMPARE(status.number, number);
    QVERIFY(!status.description.isEmpty());
    QCOMPARE(databaseOpenMessage(m_db->path(), status), QStringLiteral("Impossibile aprire il database ") +
                                                            m_db->path() + QStringLiteral(": ") + message +
                                                            QLatin1Char(' ') + status.description);
    QCOMPARE(bytesOf(m_db->path()), before);
}

void TestStoreMaintenance::startupBesideAWriter() {
    Database other;
    QVERIFY(other.open(m_db->path()));
    QVERIFY(other.execute(QStringLiteral("BEGIN IMMEDIATE")));
    QVERIFY(other.execute(QStringLiteral("insert into natl (codatl) values (1)")));
    const Status status = store().ensureDatabase();
    QVERIFY2(status.ok(), qPrintable(status.description));
}

void TestStoreMaintenance::plainToolReadsFile() {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (tool.isEmpty())
        QSKIP("the sqlite3 tool is not installed");
    QVERIFY(m_db->seedAthletes());
    QVERIFY(store().execute(QStringLiteral("update natl set nome='NICOLÒ ÈRCOLI' where codatl=500002")));
    QProcess process;
    process.start(tool,
                  {m_db->path(), QStringLiteral("PRAGMA integrity_check; select count(*) from natl where "
                                                "nome='nicolÒ Èrcoli'; select count(*) from natl where soc='abc';")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    // Its own NOCASE folds only ASCII letters, so the accented name needs its accents' case.
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), QStringLiteral("ok\n1\n3\n"));
}

void TestStoreMaintenance::transactionsNest() {
    Database db;
    QVERIFY(db.open(m_db->path()));
    const auto add = [&](int code) {
        return db.execute(QStringLiteral("insert into natl (codatl) values (%1)").arg(code));
    };
    {
        Transaction outer(db);
        QVERIFY(outer.begun());
        QVERIFY(add(1));
        {
            Transaction dropped(db);
            QVERIFY(dropped.begun());
            QVERIFY(add(2));
        }
        {
            Transaction kept(db);
            QVERIFY(add(3));
            QVERIFY(kept.commit());
        }
        QVERIFY(outer.commit());
        QVERIFY(!outer.commit()); // committed once only
    }
    {
        Transaction abandoned(db);
        QVERIFY(add(4));
    }
    QCOMPARE(m_db->column(QStringLiteral("select codatl from natl order by codatl")), (QVariantList{1LL, 3LL}));
}

void TestStoreMaintenance::batch_data() {
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("athletes"); // left afterwards
    QTest::addColumn<bool>("copied");  // nprg60 exists afterwards

    const QStringList reinit = {"SELECT nprg.* INTO nprg60 FROM nprg", "drop table nprg99", "delete * from natl"};
    QTest::newRow("a failing statement is skipped") << "" << reinit << 0 << 0 << true;
    QTest::newRow("disk full at the first statement") << "full" << reinit << err::DiskFull << 4 << false;
    QTest::newRow("transaction ended by SQLite")
        << "" << QStringList{reinit[0], "ROLLBACK", reinit[2]} << err::TransactionLost << 4 << false;
    QTest::newRow("locked by another program") << "locked" << reinit << err::TableInUse << 4 << false;
    QTest::newRow("read-only file") << "readonly" << reinit << err::ReadOnly << 4 << false;
}

void TestStoreMaintenance::batch() {
    QFETCH(QString, condition);
    QFETCH(QStringList, statements);
    QFETCH(int, number);
    QFETCH(int, athletes);
    QFETCH(bool, copied);

    QVERIFY(m_db->seedAthletes());
    Store s = store();
    Database other;
    if (condition == QLatin1String("full")) {
        // The file may not grow by a page: the copy's new table needs one.
        const int pages = m_db->column(QStringLiteral("PRAGMA page_count")).value(0).toInt();
        s.setConnectionOptions({50, pages});
    } else if (condition == QLatin1String("locked")) {
        QVERIFY(other.open(m_db->path()));
        QVERIFY(other.execute(QStringLiteral("BEGIN IMMEDIATE")));
    } else if (condition == QLatin1String("readonly") && !makeReadOnly(m_db->path())) {
        QSKIP("this file system cannot make the file read-only for this user");
    }

    const Status status = s.ESEGUISQLBatch(statements);
    QCOMPARE(status.number, number);
    if (other.isOpen())
        QVERIFY(other.execute(QStringLiteral("ROLLBACK")));
    QCOMPARE(m_db->count(QStringLiteral("natl")), athletes);
    QCOMPARE(m_db->tableExists(QStringLiteral("nprg60")), copied);
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

    QVERIFY(fillRegistrations(true));
    auto ds = source(recordSource);
    QCOMPARE(Store::CountRecords(*ds), count);
    QCOMPARE(ds->position(), count > 0 ? 0 : -1);
}

void TestStoreMaintenance::addTableField_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("expectedType");
    QTest::addColumn<int>("expectedSize");

    QTest::newRow("text 50") << 10 << 50 << int(FieldType::Text) << 50;
    QTest::newRow("text without size") << 10 << 0 << int(FieldType::Text) << 255;
    QTest::newRow("double") << 7 << 0 << int(FieldType::Double) << 0;
}

void TestStoreMaintenance::addTableField() {
    QFETCH(int, type);
    QFETCH(int, size);
    QFETCH(int, expectedType);
    QFETCH(int, expectedSize);

    QVERIFY(fillRegistrations(true));
    const QString recordSource = QStringLiteral("select * from nprg57 order by nome");
    auto ds = source(recordSource);
    QVERIFY(ds->refresh());
    const Status status = store().AddTableField(QStringLiteral("nprg57"), *ds, QStringLiteral("Extra"), type, size);
    QVERIFY2(status.ok(), qPrintable(status.description));
    QCOMPARE(ds->recordSource(), recordSource);
    const int column = ds->fieldIndex(QStringLiteral("extra"));
    QVERIFY(column >= 0);
    QCOMPARE(int(ds->fields()[column].type), expectedType);
    QCOMPARE(ds->fieldSize(QStringLiteral("EXTRA")), expectedSize);
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), 3);
    QCOMPARE(store().AddTableField(QStringLiteral("nprg57"), *ds, QStringLiteral("extra"), type, size).number,
             err::FieldExists);
}

void TestStoreMaintenance::insertionOrderKeepsRowIdentity() {
    QVERIFY(fillRegistrations(false));
    // Stored order with a gap: BIANCHI, D'ANGELO, then ROSSI deleted and added again.
    QVERIFY(m_db->exec(QStringLiteral("delete * from nprg57 where codatl=500000")));
    QVERIFY(m_db->addRegistration(QStringLiteral("57"), 500000, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC")));
    auto early = source(QStringLiteral("select * from nprg57 order by nome"));
    QVERIFY(early->refresh());

    auto ds = source(QStringLiteral("nprg57"));
    QVERIFY(store().AddTableField(QStringLiteral("nprg57"), *ds, QStringLiteral("OrdineInserimento"), 4, 4));
    QCOMPARE(m_db->column(QStringLiteral("select codatl from nprg57 order by OrdineInserimento")),
             (QVariantList{500002LL, 500001LL, 500000LL}));

    // The source opened before the rebuild still reaches its own rows.
    QVERIFY(early->findFirst(QStringLiteral("codatl=500001")));
    QVERIFY(early->edit());
    QVERIFY(early->setField(QStringLiteral("nome"), QStringLiteral("D'ANGELO LUCIO")));
    QVERIFY(early->update());
    QVERIFY(early->findFirst(QStringLiteral("codatl=500000")));
    QVERIFY(early->remove());
    QCOMPARE(m_db->column(QStringLiteral("select nome from nprg57 order by OrdineInserimento")),
             (QVariantList{QStringLiteral("BIANCHI ANNA"), QStringLiteral("D'ANGELO LUCIO")}));

    QVERIFY(ds->refresh());
    QVERIFY(ds->addNew());
    QVERIFY(ds->setField(QStringLiteral("codatl"), 500009));
    QVERIFY(ds->update());
    QCOMPARE(m_db->column(QStringLiteral("select codatl from nprg57 order by OrdineInserimento desc")).value(0),
             QVariant(500009LL));
}

void TestStoreMaintenance::ensureInsertionOrder() {
    QVERIFY(fillRegistrations(false));
    const QString recordSource = QStringLiteral("select * from nprg57 where soc='ABC'");
    auto registrations = source(recordSource);
    auto workspace = source(QStringLiteral("nprg57"));
    QVERIFY(registrations->refresh());
    QVERIFY(workspace->refresh());

    const Store s = store();
    s.EnsureInsertionOrder(*registrations, *workspace, QStringLiteral("57"));
    QCOMPARE(m_messages, QStringList{"Aggiungo ordine inserimento"});
    QVERIFY(registrations->fieldIndex(QStringLiteral("ordineInserimento")) >= 0);
    QCOMPARE(registrations->recordSource(), recordSource);
    QCOMPARE(workspace->recordSource(), QStringLiteral("nprg57"));
    QCOMPARE(m_db->count(QStringLiteral("nprg57")), 3);

    const QByteArray before = bytesOf(m_db->path());
    s.EnsureInsertionOrder(*registrations, *workspace, QStringLiteral("57"));
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(bytesOf(m_db->path()), before);
}

QTEST_GUILESS_MAIN(TestStoreMaintenance)
#include "tst_store_maintenance.moc"
