// The athlete archive window over a register of 10,000 athletes of one club: opening it,
// a navigator move with its lookup, and a save, each next to a bare SQLite statement that
// does the same reading or writing in the same run.

#include "app/MainWindow.h"
#include "athletes/ArchiveWindow.h"
#include "core/AppState.h"
#include "core/Dialogs.h"
#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Transaction.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kAthletes = 10000;

// Any dialog here is a failure of the run: it is counted, never shown.
class CountingDialogs final : public onda::Dialogs {
public:
    int shown = 0;
    void message(const QString&, Icon, const QString&) override { ++shown; }
    Answer askYesNo(const QString&, Answer, Icon, const QString&) override { return ++shown, Answer::No; }
    Answer askOkCancel(const QString&, Answer, Icon, const QString&) override { return ++shown, Answer::Cancel; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return ++shown, std::nullopt;
    }
    QString saveFileName(const QString&, const QString&, const QString&) override { return ++shown, QString(); }
    QStringList openFileNames(const QString&, const QString&, bool) override { return ++shown, QStringList(); }
    bool choosePrinter(QPrinter&) override { return ++shown, false; }
};

struct Program {
    QTemporaryDir dir;
    CountingDialogs dialogs;
    onda::AppState state{dialogs};
    std::unique_ptr<onda::MainWindow> main;

    Program() {
        state.programDirectory = dir.path() + QLatin1Char('/');
        state.databasePath = state.programDirectory + QStringLiteral("ONDA.mdb");
        state.store.setDatabasePath(state.databasePath);
        if (!state.store.ensureDatabase())
            std::fprintf(stderr, "bench_archive: database not created\n");
        onda::Database db;
        if (!db.open(state.databasePath))
            std::fprintf(stderr, "bench_archive: database not opened\n");
        onda::Transaction transaction(db);
        for (int i = 0; i < kAthletes; ++i) {
            (void)db.execute(QStringLiteral("insert into natl (codatl, nome, anno, soc, sesso, squadra) values "
                                            "(%1, 'ATLETA %2', %3, 'ABC', '%4', 0)")
                                 .arg(100000 + i)
                                 .arg((i * 7919) % kAthletes, 5, 10, QLatin1Char('0'))
                                 .arg(1960 + i % 50)
                                 .arg(i % 2 ? QLatin1Char('M') : QLatin1Char('F')));
        }
        if (!transaction.commit())
            std::fprintf(stderr, "bench_archive: rows not written\n");
        state.club = QStringLiteral("ABC");
        onda::Competition competition;
        competition.number = QStringLiteral("57");
        state.setCompetition(competition);
        main = std::make_unique<onda::MainWindow>(state);
        main->resize(1000, 700);
        main->show();
    }

    onda::ArchiveWindow* open() {
        onda::openAthleteArchive(state);
        return qobject_cast<onda::ArchiveWindow*>(main->child(onda::Child::Archive));
    }
    void close(onda::ArchiveWindow* archive) {
        if (QMdiSubWindow* sub = main->subWindowOf(archive))
            sub->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

// Made after the application object and destroyed before it.
std::unique_ptr<Program> g_program;

Program& program() {
    if (!g_program)
        g_program = std::make_unique<Program>();
    return *g_program;
}

void BM_ArchiveOpen(benchmark::State& state) {
    for (auto _ : state) {
        onda::ArchiveWindow* archive = program().open();
        benchmark::DoNotOptimize(archive);
        state.PauseTiming();
        if (!archive || archive->navigator().rowCount() != kAthletes)
            state.SkipWithError("the club's athletes are not all there");
        program().close(archive);
        state.ResumeTiming();
    }
}

// The rows of the club's athletes read by name: what the window's views read when it opens.
void BM_BareSqliteClubAthletes(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(program().state.databasePath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db,
                           "select rowid, * from natl where (squadra<>-1 or squadra is null) and soc='ABC' "
                           "order by nome",
                           -1, &stmt, nullptr);
        qint64 sum = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                if (sqlite3_column_type(stmt, c) == SQLITE_TEXT)
                    sum += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                             sqlite3_column_bytes(stmt, c))
                               .size();
                else
                    sum += sqlite3_column_int64(stmt, c);
            }
        }
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
}

void BM_ArchiveNavigatorMove(benchmark::State& state) {
    onda::ArchiveWindow* archive = program().open();
    auto* next = archive->findChild<QAbstractButton*>(QStringLiteral("Data3_Next"));
    auto* last = archive->findChild<QAbstractButton*>(QStringLiteral("Data3_Last"));
    last->click(); // the farthest record from the first: the lookup's longest search
    auto* previous = archive->findChild<QAbstractButton*>(QStringLiteral("Data3_Previous"));
    bool back = true;
    for (auto _ : state) {
        (back ? previous : next)->click();
        back = !back;
    }
    if (archive->findChild<QLineEdit*>(QStringLiteral("txtfields_1"))->text().isEmpty())
        state.SkipWithError("the lookup found nothing");
    program().close(archive);
}

void BM_BareSqliteLookup(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(program().state.databasePath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "select * from natl where codatl='109998'", -1, &stmt, nullptr);
        benchmark::DoNotOptimize(sqlite3_step(stmt));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
}

void BM_ArchiveSave(benchmark::State& state) {
    onda::ArchiveWindow* archive = program().open();
    archive->findChild<QAbstractButton*>(QStringLiteral("Data3_Last"))->click();
    auto* name = archive->findChild<QLineEdit*>(QStringLiteral("txtfields_1"));
    auto* save = archive->findChild<QAbstractButton*>(QStringLiteral("cmdUpdate"));
    const QString kept = name->text();
    int n = 0;
    for (auto _ : state) {
        name->setText(kept.left(5) + QString::number(++n % 2) + kept.mid(6));
        save->click();
    }
    program().close(archive);
}

void BM_BareSqliteUpdate(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(program().state.databasePath.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    int n = 0;
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "update natl set nome=?1, anno=1990, soc='ABC', sesso='M', squadra=0 where codatl=?2",
                           -1, &stmt, nullptr);
        const QByteArray value = QByteArray("ATLETA BARE ") + QByteArray::number(++n % 2);
        sqlite3_bind_text(stmt, 1, value.constData(), int(value.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(stmt, 2, 100000);
        benchmark::DoNotOptimize(sqlite3_step(stmt));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
}

constexpr int kRepetitions = 7;
BENCHMARK(BM_ArchiveOpen)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRepetitions);
BENCHMARK(BM_BareSqliteClubAthletes)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRepetitions);
BENCHMARK(BM_ArchiveNavigatorMove)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRepetitions);
BENCHMARK(BM_BareSqliteLookup)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRepetitions);
BENCHMARK(BM_ArchiveSave)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRepetitions);
BENCHMARK(BM_BareSqliteUpdate)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRepetitions);

// Prints each run and remembers each median, so that the summary can follow the table.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }
    std::map<std::string, double> medians;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    program();
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto line = [&](const char* what, const char* ours, const char* bare) {
        const double a = reporter.medians[ours];
        const double b = reporter.medians[bare];
        std::printf("%s (median, 10,000 athletes): archive %.2f ms, bare SQLite %.2f ms (aim <= 100 ms)\n", what, a, b);
    };
    line("opening the window", "BM_ArchiveOpen", "BM_BareSqliteClubAthletes");
    line("navigator move with lookup", "BM_ArchiveNavigatorMove", "BM_BareSqliteLookup");
    line("save", "BM_ArchiveSave", "BM_BareSqliteUpdate");
    const int unexpected = program().dialogs.shown;
    if (unexpected)
        std::printf("unexpected dialogs: %d\n", unexpected);
    g_program.reset();
    return unexpected ? 1 : 0;
}
