// Report output for 2,000 registrations of the user's club among 20,000 of a competition:
// the report text and both files, each next to bare SQLite reading the same rows.

#include "core/Dialogs.h"
#include "reports/ReportText.h"
#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Store.h"
#include "store/Transaction.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>

using namespace onda;

namespace {

constexpr int kRegistrations = 20000;
constexpr int kClubRegistrations = 2000;

struct Fixture {
    QTemporaryDir dir;
    QString databasePath = dir.filePath(QStringLiteral("ONDA.mdb"));
    DataSource view{QStringLiteral("nprg")};
    ReportHeading heading{QStringLiteral("ABC"), QStringLiteral("57"), QStringLiteral("Trofeo"),
                          QStringLiteral("01/05/2024")};

    Fixture() {
        Store store;
        store.setDatabasePath(databasePath);
        if (!store.ensureDatabase())
            std::fprintf(stderr, "bench_reports: database not created\n");
        (void)store.execute(QStringLiteral("SELECT nprg.* INTO nprg57 FROM nprg;"));
        Database db;
        (void)db.open(databasePath);
        Transaction transaction(db);
        for (int i = 0; i < kRegistrations; ++i) {
            const bool ours = i < kClubRegistrations;
            (void)db.execute(
                QStringLiteral("insert into nprg57 (codatl, nome, anno, cat, soc, sesso, spec, m, s, status) "
                               "values (%1, 'ATLETA %2 D''ANGELO', 1990, 'C20', '%3', 'M', 'G%4', %5, 10.5, 'p')")
                    .arg(100000 + i)
                    .arg(i)
                    .arg(ours ? QStringLiteral("ABC") : QStringLiteral("S%1").arg(i % 40))
                    .arg(i % 300)
                    .arg(i % 7 ? 1 : 99));
        }
        if (!transaction.commit())
            std::fprintf(stderr, "bench_reports: rows not written\n");
        view.setDatabaseFile(databasePath);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_BareSqliteClubRows(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(fixture().databasePath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "select * from nprg57 where soc='ABC' order by soc, nome", -1, &stmt, nullptr);
        qint64 sum = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                sum += sqlite3_column_type(stmt, c) == SQLITE_TEXT ? sqlite3_column_bytes(stmt, c)
                                                                   : sqlite3_column_int64(stmt, c);
        }
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
}

void BM_ReportText(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(buildReport(ReportForm::Printed, f.view, f.heading));
}

void saveFile(benchmark::State& state, ReportForm form, const QString& name) {
    Fixture& f = fixture();
    const QString path = f.dir.filePath(name);
    for (auto _ : state) {
        if (!writeReportFile(path, buildReport(form, f.view, f.heading)))
            state.SkipWithError("file not written");
    }
}

void BM_SpreadsheetFile(benchmark::State& state) {
    saveFile(state, ReportForm::Spreadsheet, QStringLiteral("iscrizioni.xls"));
}

void BM_TextFile(benchmark::State& state) {
    saveFile(state, ReportForm::TextFile, QStringLiteral("qvasca.txt"));
}

} // namespace

BENCHMARK(BM_BareSqliteClubRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReportText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpreadsheetFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextFile)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
