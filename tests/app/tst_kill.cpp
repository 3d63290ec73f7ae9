// The writing commands killed at random moments: after each kill the files hold the old data
// or the new, never a mix. The test runs itself as the child that does the work.
#include "FixtureDb.h"
#include "ScriptedDialogs.h"
#include "app/Reinitialise.h"
#include "core/AppState.h"
#include "service/OnlineImport.h"
#include "service/ServiceAnswer.h"
#include "store/DataSource.h"
#include "transfer/TransferExport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <cstdio>
#include <thread>

using namespace onda;
using namespace Qt::StringLiterals;

namespace {

const QString kCompetition = u"57"_s;
constexpr int kLines = 20000;
constexpr int kKills = 100;

// The child: one operation on the program directory `dir`, telling when its writing begins.
int runOperation(const QString& op, const QString& dir) {
    const QString db = dir + u"/ONDA.mdb"_s;
    ScriptedDialogs dialogs;
    dialogs.queueOkCancel(Dialogs::Answer::Ok); // the export replaces the previous file
    AppState state(dialogs);
    state.programDirectory = dir + u'/';
    state.databasePath = db;
    state.store.setDatabasePath(db);
    state.changeCompetition([](Competition& c) { c.number = kCompetition; });
    std::optional<RegistrationsAnswer> answer;
    if (op == u"import") {
        answer = parseRegistrations(QString::fromUtf8(fileBytes(dir + u"/answer.txt"_s)));
        if (!answer || answer->registrations.size() != kLines)
            return 2;
    }
    std::fputs("start\n", stdout), std::fflush(stdout);
    const bool ok = op == u"import"
                        ? OnlineImport(db).replaceRegistrations(kCompetition, u"ABC"_s, answer->registrations).ok()
                    : op == u"export"
                        ? TransferExport(state, state.dialogs).write(u"ABC"_s, TransferPlace::ProgramFolder).outcome ==
                              ExportOutcome::Written
                        : reinitialiseDatabase(state.store, {kCompetition}).ok();
    std::fputs("done\n", stdout), std::fflush(stdout);
    return ok ? 0 : 1;
}

struct Run {
    bool killed, started, done;
    int exitCode;
    qint64 micros;
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

// Each table of each file as its rows, every cell quoted with its storage class, sorted, under
// the query that read them. None when a file fails the integrity check. The first read rolls
// back the journal a killed child left, as the program's next start would.
using Tables = QMap<QString, QStringList>;
std::optional<Tables> fingerprint(const QString& dir) {
    Tables tables;
    for (const QString& path : {dir + u"/ONDA.mdb"_s, dir + u"/transfer_57.mdb"_s}) {
        if (!QFileInfo::exists(path))
            continue;
        if (databaseColumn(path, u"PRAGMA integrity_check"_s) != QVariantList{u"ok"_s})
            return std::nullopt;
        for (const QVariant& select :
             databaseColumn(path, u"select 'select ' || group_concat('quote([' || p.name || '])', '||'',''||') || "
                                  "' from [' || m.name || ']' from sqlite_master m, pragma_table_info(m.name) p "
                                  "where m.type = 'table' group by m.name"_s)) {
            QStringList& rows = tables[path.section(u'/', -1) + u':' + select.toString()];
            rows = QVariant(databaseColumn(path, select.toString())).toStringList();
            rows.sort();
        }
    }
    return tables;
}

void copyDirectory(const QString& from, const QString& to) {
    QDir(to).removeRecursively(); // a killed child's journal must not meet the pristine file
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files | QDir::Hidden))
        QFile::copy(from + u'/' + name, to + u'/' + name);
}

// The answer's lines i where a condition that follows holds: athlete 100000 + i, ATLETA i, born
// 2000 + i % 12, female when i is odd.
const QString kLineRows = u"codatl, nome, anno, sesso from (with recursive n(i) as (select 0 union all select i + 1 "
                          "from n where i < 19999) select i, 100000 + i as codatl, 'ATLETA ' || i as nome, "
                          "2000 + i % 12 as anno, substr('MF', i % 2 + 1, 1) as sesso from n) where "_s;

} // namespace

class tst_kill : public QObject {
    Q_OBJECT
    QTemporaryDir m_root;
    FixtureDb m_base;

private slots:
    // The club's older rows of competition 57 and another club's, an archive, more competitions
    // with registrations; the answer of 20,000 lines, a quarter of them athletes new to the
    // archive. The export starts from the imported file, with the transfer file of the older rows.
    void initTestCase() {
        QVERIFY(m_base.isValid() && m_root.isValid() && m_base.seedCompetitions());
        QVERIFY(m_base.exec(u"insert into natl (soc, codatl, nome, anno, sesso) select 'ABC', "_s + kLineRows +
                            u"i < 15000"_s));
        // One line in five registered before, one in ten of those of another club; fewer elsewhere.
        const QString older = u"insert into nprg%1 (m, s, soc, codatl, nome, anno, sesso) select 2, 10.5, "
                              "iif(i % 10, 'ABC', 'XYZ'), "_s +
                              kLineRows + u"i % 5 = 0"_s;
        for (const QString& number : {kCompetition, u"570"_s, u"59"_s, u"58"_s})
            QVERIFY(m_base.createRegistrationTable(number) &&
                    m_base.exec(older.arg(number) + (number == kCompetition ? u""_s : u" and i < 250"_s)));
        QVERIFY(m_base.exec(u"insert into categorie (sesso, Categoria, ManifID) values ('M', 'RAG', 57)"_s));
        const QVariantList lines =
            databaseColumn(m_base.path(), u"select codatl || '\t' || nome || '\tABC\tRAG\t' || "
                                          "anno || '\t' || sesso || '\t100 SL\t1\t05,12\tp', "_s +
                                              kLineRows + u"1"_s);
        const QString answer = QVariant(lines).toStringList().join(u"\r\n"_s);
        QVERIFY(writeFileBytes(m_base.filePath(u"answer.txt"_s),
                               (u"RESPONSE=OK**ISCRIZIONI=\r\n"_s + answer + u"\r\n**"_s).toUtf8()));
        copyDirectory(m_base.dir(), m_root.filePath(u"import"_s));
        copyDirectory(m_base.dir(), m_root.filePath(u"export"_s));
        for (const QString& op : {u"export"_s, u"import"_s})
            QCOMPARE(runChild(op, m_root.filePath(u"export"_s)).exitCode, 0);
    }

    void kill_data() {
        QTest::addColumn<QString>("op");
        for (const QString& op : {u"import"_s, u"export"_s, u"reinitialise"_s})
            QTest::newRow(qPrintable(op)) << op;
    }

    void kill() {
        QFETCH(QString, op);
        QElapsedTimer total;
        total.start();
        const QString from = m_root.filePath(op == u"import" ? op : u"export"_s), work = m_root.filePath(u"work"_s);
        const std::optional<Tables> before = fingerprint(from);
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
            // One state for the whole: every table as it was, or every table as after a full run.
            const std::optional<Tables> now = fingerprint(work);
            const bool old = now && *now == *before, fresh = now && *now == *after;
            damaged += !now;
            if (now && !(run.started ? (done ? fresh : old || fresh) : old)) {
                qWarning("%s: kill %d after %lld us left a mix or the wrong state", qPrintable(op), k, delay);
                ++mixes;
            }
            olds += old;
            news += fresh && !old;
        }
        qInfo("%s: %d kills (%d ended the child): %d before the work, %d during, %d after; old state %d, new state "
              "%d; integrity failures %d, mixes %d; %.1f s",
              qPrintable(op), kKills, killed, early, during, late, olds, news, damaged, mixes,
              total.elapsed() / 1000.0);
        QCOMPARE(damaged + mixes, 0);
        QVERIFY2(during >= kKills * 15 / 100, "too few kills landed while the work was under way");
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArrayView(argv[1]) == "--child")
        return runOperation(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    tst_kill test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_kill.moc"
