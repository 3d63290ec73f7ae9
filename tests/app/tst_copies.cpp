// The copies of the database taken before every destructive step, and their restore.
#include "FixtureDb.h"

#include "app/Reinitialise.h"
#include "store/Database.h"
#include "store/DatabaseCopies.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <algorithm>

using namespace onda;
using namespace Qt::StringLiterals;

class TestCopies : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<FixtureDb> m_db;

    QStringList copyNames() const { return QDir(copies::folderFor(m_db->path())).entryList(QDir::Files, QDir::Name); }
    Status reinitialise(const Store& store) {
        return reinitialiseDatabase(store, m_db->column(u"select [Numero Prova] from manif"_s));
    }

private slots:
    void init() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->seedAthletes() && m_db->seedEntryCompetition() &&
                m_db->addRegistration(u"57"_s, 1001, u"ROSSI MARIO"_s, u"ABC"_s));
    }

    void madeListedAndKept() {
        QFile foreign(QDir(copies::folderFor(m_db->path())).filePath(u"mia copia.mdb"_s));
        QVERIFY(QDir().mkpath(copies::folderFor(m_db->path())) && foreign.open(QIODevice::WriteOnly));
        foreign.close();
        QVERIFY(writeFileBytes(foreign.fileName() + u".parziale"_s, "cut short by a crash"));
        for (int i = 0; i < copies::kept + 2; ++i)
            QVERIFY(copies::make(m_db->path(), copies::beforeImport(QString::number(i))));
        const QList<DatabaseCopy> listed = copies::list(m_db->path());
        // The two oldest are gone, the user's own file stays.
        QVERIFY(listed.size() == copies::kept && copyNames().filter(u"mia copia"_s) == QStringList{"mia copia.mdb"});
        QCOMPARE(listed.first().reason + u' ' + listed.last().reason, // newest first
                 u"prima-di-importazione-21 prima-di-importazione-2"_s);
        QVERIFY(copies::describe(listed.first().reason) == u"prima dell'importazione della manifestazione 21"_s &&
                listed.first().athletes == 8 && listed.first().registrations == 1);
        // A minute holds several: "yyyy-MM-dd_HHmm_reason (n).mdb".
        QVERIFY(QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\d_\\d{4}_prima-di-importazione-\\d+( \\(\\d+\\))?\\.mdb$"_s)
                    .match(QFileInfo(listed.at(1).path).fileName())
                    .hasMatch());
    }

    void restoreAfterReinitialisation() {
        const Store store = m_db->store();
        QVERIFY(reinitialise(store));
        const QList<DatabaseCopy> before = copies::list(m_db->path());
        QVERIFY(m_db->count(u"natl"_s) == 0 && before.size() == 1 &&
                before.first().reason == copies::beforeReinitialisation());

        QVERIFY(restoreDatabase(store, before.first().path) && m_db->count(u"natl"_s) == 8 &&
                m_db->count(u"nprg57"_s) == 1);
        QCOMPARE(databaseColumn(m_db->path(), u"PRAGMA integrity_check"_s), QVariantList{"ok"});
        // The emptied database was itself copied first.
        const QList<DatabaseCopy> after = copies::list(m_db->path());
        QVERIFY(after.size() == 2 && after.first().athletes == 0 && after.first().reason == copies::beforeRestore());
    }

    void oldestOfAFullFolderRestored() {
        for (int i = 0; i < copies::kept; ++i)
            QVERIFY(copies::make(m_db->path(), copies::beforeImport(QString::number(i))));
        QVERIFY(reinitialise(m_db->store()));
        const DatabaseCopy oldest = copies::list(m_db->path()).last();
        QCOMPARE(oldest.reason, copies::beforeImport(u"1"_s)); // "0" went with the re-initialisation
        // Restored, it stays: it may be wanted again.
        QVERIFY(restoreDatabase(m_db->store(), oldest.path) && m_db->count(u"natl"_s) == 8 &&
                QFile::exists(oldest.path));
    }

    void damagedCopyRefused() {
        QVERIFY(copies::make(m_db->path(), copies::beforeReinitialisation()));
        const QString copy = copies::list(m_db->path()).first().path;
        QByteArray bytes = fileBytes(copy);
        bytes.replace(bytes.size() / 2, 4096, QByteArray(4096, '\x5a'));
        QVERIFY(writeFileBytes(copy, bytes));
        const QByteArray current = fileBytes(m_db->path());

        const Status restored = restoreDatabase(m_db->store(), copy);
        QVERIFY(!restored && restored.number == err::Damaged);
        // Not even the copy before the restore is made.
        QVERIFY(fileBytes(m_db->path()) == current && copies::list(m_db->path()).size() == 1);
    }

    // The competitions whose tables a reinitialisation drops; an unreadable list is a failure.
    void listedCompetitionsOfUser() {
        QVERIFY(m_db->seedCompetitions());
        QVariantList numbers;
        QVERIFY(listedCompetitions(m_db->store(), u"alfa"_s, numbers));
        std::sort(numbers.begin(), numbers.end(),
                  [](const QVariant& a, const QVariant& b) { return a.toInt() < b.toInt(); });
        QCOMPARE(numbers, (QVariantList{u"58"_s, u"59"_s}));
        QVERIFY(listedCompetitions(m_db->store(), {}, numbers) && numbers.size() == 4);
        QVERIFY(writeFileBytes(m_db->path(), QByteArray(4096, 'x')));
        QVERIFY(!listedCompetitions(m_db->store(), {}, numbers) && numbers.isEmpty());
    }

    void fullDiskRefusesReinitialisation() {
        // A file system of 1 MB holding the database, with no room left for its copy.
        QTemporaryDir dir;
        if (QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=1m"_s, u"tmpfs"_s, dir.path()}) != 0)
            QSKIP("no small file system can be mounted here");
        const auto unmount = qScopeGuard([&] { QProcess::execute(u"umount"_s, {dir.path()}); });
        const QString path = dir.filePath(u"ONDA.mdb"_s);
        QVERIFY(QFile::copy(m_db->path(), path));
        Store store;
        store.setDatabasePath(path);
        QList<QVariantList> rows;
        for (int i = 0; i < 12000; ++i)
            rows.append({i, QString(50, QChar(u'A' + i % 26))});
        {
            Database db;
            QVERIFY(db.open(path) && db.insertRows(u"Records"_s, {u"Codatl"_s, u"Nome"_s}, rows));
        }
        const QByteArray before = fileBytes(path);
        QVERIFY(before.size() > 600 * 1024);

        const Status done = reinitialiseDatabase(store, {});
        QCOMPARE(done.number, err::DiskFull);
        QVERIFY2(done.description.startsWith(u"non e' stato possibile farne una copia in "_s),
                 qPrintable(done.description));
        // No half copy is left.
        QVERIFY(fileBytes(path) == before && QDir(copies::folderFor(path)).entryList(QDir::Files).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCopies)
#include "tst_copies.moc"
