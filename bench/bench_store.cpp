// The club's archive read through a data source (10,000 athletes at 1x, 100,000 at 10x): its
// refresh and a find of the last row, against bare SQLite doing the same reading.

#include "BenchFixture.h"
#include "BenchTable.h"

#include "store/DataSource.h"

#include <sqlite3.h>

namespace {

QString lastCode(const benchmark::State& state) {
    return bench::Fixture::athleteCode(bench::Fixture::at(int(state.range(0))).size.athletes - 1);
}

void BM_BareReadAll(benchmark::State& state) {
    bench::BareReader bare(bench::Fixture::at(int(state.range(0))).path);
    for (auto _ : state)
        bare.read("select rowid, * from natl", true);
}

void BM_DataSourceRefresh(benchmark::State& state) {
    onda::DataSource source;
    source.setDatabaseFile(bench::Fixture::at(int(state.range(0))).path);
    source.setRecordSource(QStringLiteral("natl"));
    for (auto _ : state) {
        (void)source.refresh(); // the row count below tells a failure
        benchmark::DoNotOptimize(source.rowCount());
    }
    if (source.rowCount() != bench::Fixture::at(int(state.range(0))).size.athletes)
        state.SkipWithError("wrong row count");
}

// A scan of the table for the last code: what a find over a snapshot of all rows stands for.
void BM_BareFindLast(benchmark::State& state) {
    bench::BareReader bare(bench::Fixture::at(int(state.range(0))).path);
    sqlite3* db = bare.handle();
    const QByteArray sql = "select rowid from natl where +codatl='" + lastCode(state).toUtf8() + "'";
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
        benchmark::DoNotOptimize(sqlite3_step(stmt));
        sqlite3_finalize(stmt);
    }
}

void BM_DataSourceFindLast(benchmark::State& state) {
    onda::DataSource source;
    source.setDatabaseFile(bench::Fixture::at(int(state.range(0))).path);
    source.setRecordSource(QStringLiteral("natl"));
    (void)source.refresh(); // the find below fails on an empty set
    const QString criterion = QStringLiteral("codatl='") + lastCode(state) + QLatin1Char('\'');
    for (auto _ : state) {
        (void)source.moveFirst();
        (void)source.findFirst(criterion);
        benchmark::DoNotOptimize(source.noMatch());
    }
    if (source.noMatch())
        state.SkipWithError("not found");
}

ONDA_SIZED(BM_BareReadAll, 5);
ONDA_SIZED(BM_DataSourceRefresh, 5);
ONDA_SIZED(BM_BareFindLast, 5);
ONDA_SIZED(BM_DataSourceFindLast, 5);

} // namespace

int main(int argc, char** argv) {
    bench::runAndPrint(argc, argv, "A data source over the club's archive",
                       {{"refresh of the whole archive", "BM_DataSourceRefresh", "BM_BareReadAll", {3, 0, true}},
                        {"find of the last code", "BM_DataSourceFindLast", "BM_BareFindLast"}});
    return 0;
}
