// The writing commands killed at random moments: after each kill the files hold the old data
// or the new, never a mix. The test runs itself as the child that does the work.
#include "FixtureDb.h"
#include "ScriptedDialogs.h"
#include "app/Reinitialise.h"
#include "core/AppState.h"
#include "service/OnlineImport.h"
#include "service/ServiceAnswer.h"
#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Transaction.h"
#include "transfer/TransferExport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

#include <cstdio>
#include <thread>

using namespace onda;
using namespace Qt::StringLiterals;

namespace {

const QString kCompetition = u"57"_s;
const QString kClub = u"ABC"_s;
constexpr int kArchived = 15000; // athletes of the club the archive knows; the answer has more
constexpr int kLines = 20000;
constexpr int kKills = 100;

// The child: one operation on the program directory `dir`, telling when its writing begins.
int runOperation(const QString& op, const QString& dir) {
    const QString db = dir + u"/ONDA.mdb"_s;
    const auto say = [](const char* line) { std::fputs(line, stdout), std::fflush(stdout); };
    bool ok = false;
    if (op == u"import") {
        const auto answer = parseRegistrations(QString::fromUtf8(fileBytes(dir + u"/answer.txt"_s)));
        if (!answer || answer->registrations.size() != kLines)
            return 2;
        say("start\n");
        ok = OnlineImport(db).replaceRegistrations(kCompetition, kClub, answer->registrations).ok();
    } else if (op == u"export") {
        ScriptedDialogs dialogs;
        dialogs.queueOkCancel(Dialogs::Answer::Ok); // the previous file is replaced
        AppState state(dialogs);
        state.programDirectory = dir + u'/';
        state.databasePath = db;
        state.changeCompetition([](Competition& c) { c.number = kCompetition; });
        QString mode = u"SERVER"_s, folder, file;
        say("start\n");
        ok = ExportTransferDatabase(state, kClub, mode, folder, file) == ExportOutcome::Written;
    } else {
        Store store;
        store.setDatabasePath(db);
        DataSource manif;
        manif.setRecordSource(u"manif"_s);
        Store::bindToDatabase({&manif}, db);
        say("start\n");
        ok = reinitialiseDatabase(store, manif).ok();
    }
    say("done\n");
    return ok ? 0 : 1;
}

struct Run {
    bool killed = false, started = false, done = false;
    int exitCode = -1;
    qint64 micros = 0;
};

// The child on `dir`, SIGKILLed `killAfter` microseconds after it started (never when negative).
Run runChild(const QString& op, const QString& dir, qint64 killAfter = -1) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {u"--child"_s, op, dir});
    child.waitForStarted();
    QElapsedTimer clock;
    clock.start();
    if (killAfter >= 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(killAfter));
        child.kill(); // nothing when the child has already exited
    }
    child.waitForFinished(60000);
    const QByteArray out = child.readAllStandardOutput();
    return {child.exitStatus() == QProcess::CrashExit, out.contains("start"), out.contains("done"), child.exitCode(),
            clock.nsecsElapsed() / 1000};
}

// The rows of a query read straight from the file, each its cells' storage classes, sizes and
// bytes, sorted.
QByteArrayList sortedRows(sqlite3* db, const QByteArray& sql) {
    QByteArrayList rows;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
        return {"!"};
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        QByteArray& row = rows.emplace_back();
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            const int size = sqlite3_column_bytes(stmt, c);
            row.append(char('0' + sqlite3_column_type(stmt, c))).append(QByteArray::number(size)).append(':');
            row.append(static_cast<const char*>(sqlite3_column_blob(stmt, c)), size);
        }
    }
    sqlite3_finalize(stmt);
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Each table of each file as a hash of its sorted rows; an absent file or table hashes to
// nothing. None when a file fails the integrity check. Opening a file rolls back the journal a
// killed child left, as the program's next start would.
using Tables = QMap<QString, QByteArray>;
std::optional<Tables> fingerprint(const QString& dir) {
    Tables tables;
    for (const QString& file : {u"ONDA.mdb"_s, u"transfer_57.mdb"_s}) {
        if (!QFileInfo::exists(dir + u'/' + file))
            continue;
        sqlite3* db = nullptr;
        const bool intact = sqlite3_open((dir + u'/' + file).toUtf8().constData(), &db) == SQLITE_OK &&
                            sortedRows(db, "PRAGMA integrity_check") == QByteArrayList{"32:ok"};
        const QByteArrayList names =
            intact ? sortedRows(db, "select name from sqlite_master where type='table'") : QByteArrayList();
        for (const QByteArray& cell : names) {
            const QByteArray name = cell.mid(cell.indexOf(':') + 1);
            tables[file + u':' + QString::fromUtf8(name)] = QCryptographicHash::hash(
                sortedRows(db, "select * from \"" + name + '"').join('\n'), QCryptographicHash::Sha1);
        }
        sqlite3_close(db);
        if (!intact)
            return std::nullopt;
    }
    return tables;
}

void copyDirectory(const QString& from, const QString& to) {
    QDir(to).removeRecursively(); // a killed child's journal must not meet the pristine file
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files | QDir::Hidden))
        QFile::copy(from + u'/' + name, to + u'/' + name);
}

} // namespace

class tst_kill : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void kill_data();
    void kill();

private:
    QTemporaryDir m_root;
    FixtureDb m_base;
};

// The club's older rows of competition 57 and another club's, an archive, more competitions
// with registrations; the answer of 20,000 lines, a quarter of them athletes new to the archive.
// The export starts from the imported file, with the transfer file of the older rows in place.
void tst_kill::initTestCase() {
    QVERIFY(m_base.isValid() && m_root.isValid());
    QVERIFY(m_base.seedCompetitions());
    QList<QVariantList> athletes, older;
    QString answer = u"RESPONSE=OK**ISCRIZIONI=\r\n"_s;
    for (int i = 0; i < kLines; ++i) {
        const QVariantList athlete{100000 + i, u"ATLETA %1"_s.arg(i), kClub, 2000 + i % 12, i % 2 ? u"F"_s : u"M"_s};
        if (i < kArchived)
            athletes << athlete;
        if (i % 5 == 0) // one in ten of another club
            older << athlete.mid(0, 2) + QVariantList{i % 10 ? kClub : u"XYZ"_s, athlete[3], athlete[4], 2, 10.5};
        answer += u"%1\t%2\t%3\tRAG\t%4\t%5\t100 SL\t1\t05,12\tp\r\n"_s.arg(
            athlete[0].toString(), athlete[1].toString(), kClub, athlete[3].toString(), athlete[4].toString());
    }
    const QStringList competitions{kCompetition, u"570"_s, u"59"_s, u"58"_s},
        fields{u"codatl"_s, u"nome"_s, u"soc"_s, u"anno"_s, u"sesso"_s};
    for (const QString& number : competitions)
        QVERIFY(m_base.createRegistrationTable(number));
    QVERIFY(inTransaction(m_base.path(), [&](Database& db) -> Status {
        Status s = db.insertRows(u"natl"_s, fields, athletes);
        for (const QString& number : competitions)
            if (s)
                s = db.insertRows(u"nprg"_s + number, fields + QStringList{u"m"_s, u"s"_s},
                                  number == kCompetition ? older : older.mid(0, 50));
        return s ? db.execute(u"insert into categorie (sesso, Categoria, ManifID) values ('M', 'RAG', 57)"_s) : s;
    }));
    QVERIFY(writeFileBytes(m_base.filePath(u"answer.txt"_s), (answer + u"**"_s).toUtf8()));
    copyDirectory(m_base.dir(), m_root.filePath(u"import"_s));
    copyDirectory(m_base.dir(), m_root.filePath(u"export"_s));
    for (const QString& op : {u"export"_s, u"import"_s})
        QCOMPARE(runChild(op, m_root.filePath(u"export"_s)).exitCode, 0);
}

void tst_kill::kill_data() {
    QTest::addColumn<QString>("op");
    for (const QString& op : {u"import"_s, u"export"_s, u"reinitialise"_s})
        QTest::newRow(qPrintable(op)) << op;
}

void tst_kill::kill() {
    QFETCH(QString, op);
    QElapsedTimer total;
    total.start();
    const QString from = m_root.filePath(op == u"import" ? op : u"export"_s), work = m_root.filePath(u"work"_s);
    copyDirectory(from, work);
    const std::optional<Tables> before = fingerprint(work);
    QList<qint64> runs; // the middle of three uninterrupted runs is the length of the work
    for (int i = 0; i < 3; ++i) {
        copyDirectory(from, work);
        const Run whole = runChild(op, work);
        QCOMPARE(whole.exitCode, 0);
        runs << whole.micros;
    }
    std::sort(runs.begin(), runs.end());
    const std::optional<Tables> after = fingerprint(work);
    QVERIFY(before && after && *before != *after);

    const quint32 seed = qEnvironmentVariableIsSet("KILL_SEED") ? quint32(qEnvironmentVariableIntValue("KILL_SEED"))
                                                                : QRandomGenerator::global()->generate();
    qInfo("%s: seed %u (KILL_SEED replays it), one run %lld ms", qPrintable(op), seed, runs[1] / 1000);
    QRandomGenerator random(seed);
    int killed = 0, early = 0, during = 0, late = 0, olds = 0, news = 0, damaged = 0, mixes = 0;
    for (int k = 0; k < kKills; ++k) {
        copyDirectory(from, work);
        // A fifth more, so that the last moments are hit although runs vary.
        const qint64 delay = qint64(random.bounded(runs[1] * 1.2));
        const Run run = runChild(op, work, delay);
        QVERIFY2(run.killed || run.exitCode == 0, qPrintable(u"kill %1 after %2 us"_s.arg(k).arg(delay)));
        const bool done = run.done || !run.killed;
        killed += run.killed;
        (!run.started ? early : done ? late : during)++;
        const std::optional<Tables> now = fingerprint(work);
        damaged += !now;
        // One state for the whole: every table as it was, or every table as after a full run.
        bool old = bool(now), fresh = bool(now);
        for (const QString& table : before->keys() + after->keys() + (now ? now->keys() : QStringList())) {
            old = old && now->value(table) == before->value(table);
            fresh = fresh && now->value(table) == after->value(table);
        }
        if (now && !(run.started ? (done ? fresh : old || fresh) : old)) {
            qWarning("%s: kill %d after %lld us left a mix or the wrong state", qPrintable(op), k, delay);
            ++mixes;
        }
        olds += old;
        news += fresh && !old;
    }
    qInfo("%s: %d kills (%d ended the child): %d before the work, %d during, %d after; old state %d, new state %d; "
          "integrity failures %d, mixes %d; %.1f s",
          qPrintable(op), kKills, killed, early, during, late, olds, news, damaged, mixes, total.elapsed() / 1000.0);
    QCOMPARE(damaged, 0);
    QCOMPARE(mixes, 0);
    QVERIFY2(during >= kKills * 15 / 100, "too few kills landed while the work was under way");
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArrayView(argv[1]) == "--child")
        return runOperation(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    tst_kill test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_kill.moc"
