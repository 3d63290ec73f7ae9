// Start-up checks of the file, the schema, statement batches and altering registration tables.
#include "FixtureDb.h"

#include "store/DamageCheck.h"
#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Store.h"
#include "store/Transaction.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <memory>

using namespace onda;
using namespace Qt::StringLiterals;

namespace {

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

private:
    Store store() const {
        Store s = m_db->store();
        s.setMessageSink([this](const QString& text) { m_messages << text; });
        return s;
    }
    Status fillRegistrations(bool withInsertionOrder) {
        const Status s = m_db->createRegistrationTable(u"57"_s, withInsertionOrder);
        return s ? m_db->insertRows(u"nprg57"_s, {u"codatl"_s, u"nome"_s, u"soc"_s},
                                    {{500002, u"BIANCHI ANNA"_s, u"XYZ"_s},
                                     {500000, u"ROSSI MARIO"_s, u"ABC"_s},
                                     {500001, u"D'ANGELO LUCA"_s, u"ABC"_s}})
                 : s;
    }

    std::unique_ptr<FixtureDb> m_db;
    mutable QStringList m_messages;

    // Scribbles over the athletes' page, past the file header.
    bool scribbleOverAthletes() { return m_db->damage(u"natl"_s); }

private slots:
    void init() {
        m_messages.clear();
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid());
    }

    void cleanup() {
        setImmutable(m_db->path(), false);
        m_db.reset();
    }

    void freshFileMatchesGolden() {
        QFile golden(QStringLiteral(ONDA_TEST_DATA "/onda_schema.sql"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        QCOMPARE(m_db->schemaText(), QString::fromUtf8(golden.readAll()));

        // A complete file is only read at start-up.
        const QByteArray before = fileBytes(m_db->path());
        QVERIFY(store().ensureDatabase() && fileBytes(m_db->path()) == before);
    }

    void olderFileCompleted() {
        // A file of before versioning: no version, config of its own, no categorie.
        for (const char* sql : {"drop table categorie", "drop table config", "create table config (societa text)",
                                "insert into config values ('ABC')", "drop table Tempi",
                                "create table Tempi (Codatl integer, Gara text, Vasca integer, Tempo integer, Data "
                                "datetime, Manifestazione text)",
                                "insert into Tempi values (1, '100 SL', 50, 6000, null, 'A'), (1, '100 SL', 25, "
                                "5900, null, 'B')",
                                "drop table LenexEvent", "PRAGMA user_version = 0"})
            QVERIFY(m_db->exec(QLatin1String(sql)));

        QVERIFY(store().ensureDatabase());
        // Its own config is kept, rows too; categorie is made, then the steps to versions 2 to 6.
        QCOMPARE(m_db->column(
                     u"select (select count(*) from pragma_table_info('config')) || (select count(*) from config)"_s),
                 QVariantList{u"11"_s});
        QCOMPARE(m_db->column(u"select name from sqlite_master where name in ('categorie', 'Tempi', 'natl_codatl', "
                              "'LenexEvent', 'LenexStandard', 'natl_soc_nome') order by name"_s),
                 (QVariantList{u"LenexEvent"_s, u"LenexStandard"_s, u"Tempi"_s, u"categorie"_s, u"natl_codatl"_s,
                               u"natl_soc_nome"_s}));
        QVERIFY(m_db->column(u"select Corso from Tempi order by Vasca"_s) == (QVariantList{u"SCM"_s, u"LCM"_s}) &&
                m_db->column(u"PRAGMA user_version"_s) == QVariantList{6LL});
        // The file as it was is copied first.
        const QDir copies(m_db->filePath(u"copie"_s));
        const QStringList made = copies.entryList({u"*_prima-di-aggiornamento.mdb"_s}, QDir::Files);
        QVERIFY(made.size() == 1 &&
                databaseColumn(copies.filePath(made.first()), u"PRAGMA user_version"_s) == QVariantList{0LL});
    }

    void startupRefuses_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("message");

        QTest::newRow("not a database") << "text" << err::NotADatabase << "il file non e' un database.";
        QTest::newRow("locked") << "locked" << err::FileInUse << "il file e' bloccato da un altro programma.";
        QTest::newRow("read-only") << "readonly" << err::ReadOnly << "il file e' di sola lettura.";
        QTest::newRow("damaged") << "damaged" << err::Damaged << "il file e' danneggiato.";
        QTest::newRow("beside a writer: no refusal") << "writer" << 0 << "";
    }

    void startupRefuses() {
        QFETCH(QString, cause);
        QFETCH(int, number);
        QFETCH(QString, message);

        QVERIFY(m_db->seedAthletes());
        Database other;
        if (cause == QLatin1String("text")) {
            QVERIFY(writeFileBytes(m_db->path(), QByteArray("codatl;nome\n500000;ROSSI MARIO\n").repeated(40)));
        } else if (cause == QLatin1String("locked") || cause == QLatin1String("writer")) {
            QVERIFY(other.open(m_db->path()) &&
                    other.execute(cause == QLatin1String("locked") ? u"BEGIN EXCLUSIVE"_s : u"BEGIN IMMEDIATE"_s) &&
                    other.execute(u"insert into natl (codatl) values (1)"_s));
        } else if (cause == QLatin1String("readonly")) {
            if (!makeReadOnly(m_db->path()))
                QSKIP("this file system cannot make the file read-only for this user");
        } else {
            QVERIFY(scribbleOverAthletes());
        }
        const QByteArray before = fileBytes(m_db->path());

        const Status status = store().ensureDatabase();
        QCOMPARE(status.number, number);
        if (number == 0)
            return;
        QVERIFY(!status.description.isEmpty());
        QCOMPARE(databaseOpenMessage(m_db->path(), status), u"Impossibile aprire il database "_s + m_db->path() +
                                                                u": "_s + message + QLatin1Char(' ') +
                                                                status.description);
        QCOMPARE(fileBytes(m_db->path()), before);
    }

    // Start-up leaves the check to a thread that waits for its turn; a write begins it, waits for
    // its verdict, and a damaged file refuses it.
    void deferredCheckHoldsWrites_data() {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("sound") << false;
        QTest::newRow("damaged") << true;
    }

    void deferredCheckHoldsWrites() {
        QFETCH(bool, damaged);
        QVERIFY(m_db->seedAthletes() && (!damaged || scribbleOverAthletes()));
        const QByteArray before = fileBytes(m_db->path());
        std::unique_ptr<DamageCheck> check;
        QVERIFY(store().ensureDatabase(&check, 600000) && check);
        QSignalSpy finished(check.get(), &DamageCheck::finished);
        QVERIFY(!finished.wait(300)); // not its turn yet
        const Status written = store().execute(u"insert into config (societa) values ('XYZ')"_s);
        QCOMPARE(written.number, damaged ? err::Damaged : 0);
        QCOMPARE(check->verdict().number, damaged ? err::Damaged : 0);
        QCOMPARE(fileBytes(m_db->path()) == before, damaged);
        QVERIFY(finished.wait());
    }

    void deferredCheckBeginsOnItsTurn() {
        QVERIFY(m_db->seedAthletes() && scribbleOverAthletes());
        std::unique_ptr<DamageCheck> check;
        QVERIFY(store().ensureDatabase(&check, 600000) && check);
        QSignalSpy finished(check.get(), &DamageCheck::finished);
        check->begin();
        QVERIFY(finished.wait());
        QCOMPARE(finished.first().first().value<Status>().number, err::Damaged);
    }

    void plainToolReadsFile() {
        const QString tool = QStandardPaths::findExecutable(u"sqlite3"_s);
        if (tool.isEmpty())
            QSKIP("the sqlite3 tool is not installed");
        QVERIFY(m_db->seedAthletes() && store().execute(u"update natl set nome='NICOLÒ ÈRCOLI' where codatl=500002"_s));
        QProcess process;
        process.start(
            tool, {m_db->path(), QStringLiteral("PRAGMA integrity_check; select count(*) from natl where "
                                                "nome='nicolÒ Èrcoli'; select count(*) from natl where soc='abc';")});
        QVERIFY(process.waitForFinished(10000) && process.exitCode() == 0);
        // Its own NOCASE folds only ASCII letters, so the accented name needs its accents' case.
        QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), u"ok\n1\n3\n"_s);
    }

    void transactionsNest() {
        Database db;
        QVERIFY(db.open(m_db->path()));
        const auto add = [&](int code) { return db.execute(u"insert into natl (codatl) values (%1)"_s.arg(code)); };
        {
            Transaction outer(db);
            QVERIFY(add(1));
            {
                Transaction dropped(db);
                QVERIFY(add(2));
            }
            {
                Transaction kept(db);
                QVERIFY(add(3) && kept.commit());
            }
            QVERIFY(outer.commit() && !outer.commit()); // committed once only
        }
        {
            Transaction abandoned(db);
            QVERIFY(add(4));
        }
        QCOMPARE(m_db->column(u"select codatl from natl order by codatl"_s), (QVariantList{1LL, 3LL}));
    }

    void batch_data() {
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

    void batch() {
        QFETCH(QString, condition);
        QFETCH(QStringList, statements);
        QFETCH(int, number);
        QFETCH(bool, copied);

        QVERIFY(m_db->seedAthletes());
        Store s = store();
        Database other;
        if (condition == QLatin1String("full")) {
            // The file may not grow by a page: the copy's new table needs one.
            const int pages = m_db->column(u"PRAGMA page_count"_s).value(0).toInt();
            s.setConnectionOptions({50, pages});
        } else if (condition == QLatin1String("locked")) {
            QVERIFY(other.open(m_db->path()) && other.execute(u"BEGIN IMMEDIATE"_s));
        } else if (condition == QLatin1String("readonly") && !makeReadOnly(m_db->path())) {
            QSKIP("this file system cannot make the file read-only for this user");
        }

        const Status status = s.ESEGUISQLBatch(statements);
        QCOMPARE(status.number, number);
        if (other.isOpen())
            QVERIFY(other.execute(u"ROLLBACK"_s));
        QTEST(m_db->count(u"natl"_s), "athletes");
        QCOMPARE(m_db->count(u"sqlite_master"_s, u"name='nprg60'"_s), copied ? 1 : 0);
    }

    void addTableField() {
        QVERIFY(fillRegistrations(true));
        const QString recordSource = u"select * from nprg57 order by nome"_s;
        auto ds = m_db->source(recordSource);
        QVERIFY(ds->refresh() && store().AddTableField(u"nprg57"_s, u"Extra"_s, FieldType::Text, 50));
        // A source open on the table reads the new field with its next reading.
        QVERIFY(ds->refresh() && ds->recordSource() == recordSource && ds->fieldSize(u"EXTRA"_s) == 50);
        QVERIFY(ds->edit() && ds->setField(u"extra"_s, QString()) && ds->update() &&
                m_db->count(u"nprg57"_s, u"extra = ''"_s) == 1);
        QCOMPARE(store().AddTableField(u"nprg57"_s, u"extra"_s, FieldType::Double, 0).number, err::FieldExists);
    }

    void insertionOrderKeepsRowIdentity() {
        QVERIFY(fillRegistrations(false));
        // Stored order with a gap: BIANCHI, D'ANGELO, then ROSSI deleted and added again.
        QVERIFY(m_db->exec(u"delete * from nprg57 where codatl=500000"_s) &&
                m_db->addRegistration(u"57"_s, 500000, u"ROSSI MARIO"_s, u"ABC"_s));
        auto early = m_db->source(u"select * from nprg57 order by nome"_s);
        QVERIFY(early->refresh());

        QVERIFY(store().AddTableField(u"nprg57"_s, u"OrdineInserimento"_s, FieldType::Long, 4));
        QCOMPARE(m_db->column(u"select codatl from nprg57 order by OrdineInserimento"_s),
                 (QVariantList{500002LL, 500001LL, 500000LL}));

        // The source opened before the rebuild still reaches its own rows.
        QVERIFY(early->findFirst(u"codatl=500001"_s) && early->edit() &&
                early->setField(u"nome"_s, u"D'ANGELO LUCIO"_s) && early->update());
        QVERIFY(early->findFirst(u"codatl=500000"_s) && early->remove());
        QCOMPARE(m_db->column(u"select nome from nprg57 order by OrdineInserimento"_s),
                 (QVariantList{u"BIANCHI ANNA"_s, u"D'ANGELO LUCIO"_s}));
    }

    void ensureInsertionOrder() {
        QVERIFY(fillRegistrations(false));
        auto registrations = m_db->source(u"select * from nprg57 where soc='ABC'"_s);
        QVERIFY(registrations->refresh());

        const Store s = store();
        QVERIFY(s.EnsureInsertionOrder(u"57"_s));
        QCOMPARE(m_messages, QStringList{"Aggiungo ordine inserimento"});
        // A source read before the change still writes its rows.
        QVERIFY(registrations->edit() && registrations->setField(u"nome"_s, u"BIANCHI ANNA MARIA"_s) &&
                registrations->update());

        const QByteArray before = fileBytes(m_db->path());
        QVERIFY(s.EnsureInsertionOrder(u"57"_s));
        QVERIFY(m_messages.size() == 1 && fileBytes(m_db->path()) == before);
        QVERIFY(!s.EnsureInsertionOrder(u"99"_s)); // no such table: nothing said
        QCOMPARE(m_messages.size(), 1);

        // The indexes by code and by club are made once and are plain SQLite, which any tool reads.
        for (int i = 0; i < 2; ++i)
            QVERIFY(s.ensureRegistrationIndex(u"57"_s));
        QCOMPARE(
            m_db->column(u"select sql from sqlite_master where type='index' and tbl_name='nprg57' order by name"_s),
            (QVariantList{u"CREATE INDEX [nprg57_codatl] ON [nprg57] (codatl)"_s,
                          u"CREATE INDEX [nprg57_soc] ON [nprg57] (soc, OrdineInserimento)"_s}));
        QCOMPARE(m_db->column(u"pragma integrity_check"_s), QVariantList{u"ok"_s});
    }
};

QTEST_GUILESS_MAIN(TestStoreMaintenance)
#include "tst_store_maintenance.moc"
