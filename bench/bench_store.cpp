// The athlete register at club-federation size: a data source's refresh and find against
// bare SQLite doing the same reading in the same run.

#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Store.h"
#include "store/Transaction.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kAthletes = 100000;

struct Fixture {
    QTemporaryDir dir;
    QString path;

    Fixture() {
        path = dir.filePath(QStringLiteral("ONDA.mdb"));
        onda::Store store;
        store.setDatabasePath(path);
        if (!store.ensureDatabase())
            std::fprintf(stderr, "bench_store: database not created\n");
        onda::Database db;
        if (!db.open(path))
            std::fprintf(stderr, "bench_store: database not opened\n");
        onda::Transaction transaction(db);
        for (int i = 0; i < kAthletes; ++i) {
            (void)db.execute(QStringLiteral("insert into natl (codatl, nome, anno, soc, sesso, squadra) values "
                                            "(%1, 'ATLETA %1', %2, 'S%3', '%4', 0)")
                                 .arg(500000 + i)
                                 .arg(1960 + i % 50)
                                 .arg(i % 400)
                                 .arg(i % 2 ? QLatin1Char('M') : QLatin1Char('F')));
        }
        if (!transaction.commit())
            std::fprintf(stderr, "bench_store: rows not written\n");
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_BareSqliteReadAll(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(fixture().path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "select rowid, * from natl", -1, &stmt, nullptr);
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

void BM_DataSourceRefresh(benchmark::State& state) {
    onda::DataSource source;
    source.setDatabaseFile(fixture().path);
    source.setRecordSource(QStringLiteral("natl"));
    for (auto _ : state) {
        (void)source.refresh();
        benchmark::DoNotOptimize(source.rowCount());
    }
    if (source.rowCount() != kAthletes)
        state.SkipWithError("wrong row count");
}

void BM_BareSqliteFindLast(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(fixture().path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "select rowid from natl where codatl='599999'", -1, &stmt, nullptr);
        benchmark::DoNotOptimize(sqlite3_step(stmt));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
}

void BM_DataSourceFindLast(benchmark::State& state) {
    onda::DataSource source;
    source.setDatabaseFile(fixture().path);
    source.setRecordSource(QStringLiteral("natl"));
    (void)source.refresh();
    for (auto _ : state) {
        (void)source.moveFirst();
        (void)source.findFirst(QStringLiteral("codatl='599999'"));
        benchmark::DoNotOptimize(source.noMatch());
    }
    if (source.noMatch())
        state.SkipWithError("not found");
}

BENCHMARK(BM_BareSqliteReadAll)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DataSourceRefresh)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_BareSqliteFindLast)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DataSourceFindLast)->Unit(benchmark::kMillisecond)->Iterations(5);

// Prints each run and remembers its real time, so that the ratios can follow the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    fixture();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto ratio = [&](const char* ours, const char* bare) {
        const auto a = reporter.times.find(ours);
        const auto b = reporter.times.find(bare);
        if (a != reporter.times.end() && b != reporter.times.end() && b->second > 0)
            std::printf("%s / %s: %.2f\n", ours, bare, a->second / b->second);
    };
    ratio("BM_DataSourceRefresh/iterations:5", "BM_BareSqliteReadAll/iterations:5");
    ratio("BM_DataSourceFindLast/iterations:5", "BM_BareSqliteFindLast/iterations:5");
    return 0;
}
