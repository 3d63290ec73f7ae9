// Opening a competition off-line on a large registration table, next to bare SQLite
// reading the club's rows of that table in the same run.

#include "app/MainWindow.h"
#include "app/WorkspaceWindow.h"
#include "core/AppState.h"
#include "core/Dialogs.h"
#include "store/Database.h"
#include "store/Store.h"
#include "store/Transaction.h"

#include <QApplication>
#include <QTableWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kRegistrations = 50000;
constexpr int kClubRegistrations = 2000;
constexpr int kRaces = 300;
constexpr int kCategories = 40;

// Nobody answers: the opening under test asks nothing.
class SilentDialogs final : public onda::Dialogs {
public:
    void message(const QString&, Icon, const QString&) override {}
    Answer askYesNo(const QString&, Answer, Icon, const QString&) override { return Answer::No; }
    Answer askOkCancel(const QString&, Answer, Icon, const QString&) override { return Answer::Cancel; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    QStringList openFileNames(const QString&, const QString&, bool) override { return {}; }
    bool choosePrinter(QPrinter&) override { return false; }
};

struct Fixture {
    QTemporaryDir dir;
    QString path;

    Fixture() {
        path = dir.filePath(QStringLiteral("ONDA.mdb"));
        onda::Store store;
        store.setDatabasePath(path);
        (void)store.ensureDatabase();
        (void)store.execute(QStringLiteral("SELECT nprg.* INTO nprg57 FROM nprg;"));
        onda::Database db;
        (void)db.open(path);
        onda::Transaction transaction(db);
        for (int n = 1; n <= 60; ++n) {
            (void)db.execute(
                QStringLiteral("insert into manif ([Numero Prova], [Nome Manifestazione], [Località], Data, "
                               "userName, societa, Nota) values (%1, 'GARA %1', 'LUOGO', '2026-05-%2', 'U', "
                               "'ABC', 'nota')")
                    .arg(n == 60 ? 57 : 1000 + n)
                    .arg(1 + n % 28, 2, 10, QLatin1Char('0')));
        }
        for (int i = 0; i < kCategories; ++i)
            (void)db.execute(
                QStringLiteral("insert into categorie (manifID, Categoria, sesso, AnnoIni, AnnoFin) values "
                               "(57, 'CAT%1', '%2', %3, %4)")
                    .arg(i)
                    .arg(i % 2 ? QLatin1Char('M') : QLatin1Char('F'))
                    .arg(1950 + i)
                    .arg(1951 + i));
        for (int i = 0; i < kRaces; ++i)
            (void)db.execute(
                QStringLiteral("insert into programmi (ManifID, OrdineGara, gara, Categoria, Sesso) values "
                               "(57, %1, '%1 SL', 'CAT%2', 'M')")
                    .arg(i)
                    .arg(i % kCategories));
        const int step = kRegistrations / kClubRegistrations;
        for (int i = 0; i < kRegistrations; ++i)
            (void)db.execute(
                QStringLiteral("insert into nprg57 (codatl, nome, anno, cat, soc, sesso, spec, m, s, status) "
                               "values (%1, 'ATLETA %1', 2000, 'CAT1', '%2', 'M', '100 SL', 1, 5.5, 'p')")
                    .arg(i)
                    .arg(i % step == 0 ? QStringLiteral("ABC") : QStringLiteral("S%1").arg(i % 300)));
        (void)transaction.commit();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_BareSqliteClubRows(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(fixture().path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "select * from nprg57 where soc='ABC' order by OrdineInserimento desc", -1, &stmt,
                           nullptr);
        qint64 rows = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                benchmark::DoNotOptimize(sqlite3_column_text(stmt, c));
            ++rows;
        }
        sqlite3_finalize(stmt);
        if (rows != kClubRegistrations)
            state.SkipWithError("wrong row count");
    }
    sqlite3_close(db);
}

void BM_OpenCompetitionOffline(benchmark::State& state) {
    SilentDialogs dialogs;
    onda::AppState app(dialogs);
    app.databasePath = fixture().path;
    app.store.setDatabasePath(app.databasePath);
    onda::MainWindow main(app);
    onda::WorkspaceWindow* workspace = main.workspaceWindow();
    main.registrationWindow(); // start-up creates it before any competition is open
    QTableWidget* grid = workspace->competitionGrid();
    int row = -1;
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, 0)->text() == QLatin1String("57"))
            row = r;
    for (auto _ : state)
        workspace->openCompetitionAt(row, onda::OpeningMode::Offline);
    if (app.competition().registrationCount != QString::number(kClubRegistrations))
        state.SkipWithError("wrong registration count");
}

BENCHMARK(BM_BareSqliteClubRows)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(15);
BENCHMARK(BM_OpenCompetitionOffline)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(15);

// Keeps the median of each benchmark so the ratio can follow the table.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> medians;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    fixture();
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double ours = reporter.medians["BM_OpenCompetitionOffline"];
    const double bare = reporter.medians["BM_BareSqliteClubRows"];
    if (bare > 0)
        std::printf("median opening %.1f ms, bare club rows %.1f ms, ratio %.1f (aim: opening at most 100 ms)\n", ours,
                    bare, ours / bare);
    return 0;
}
