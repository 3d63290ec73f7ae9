// The transfer file of a club with 2,000 registrations out of a 50,000-row registration table:
// the program's export next to bare SQLite (ATTACH + INSERT ... SELECT) writing the same
// tables in the same run.

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/TransferExport.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/Transaction.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>

namespace {

constexpr int kRows = 50000;
constexpr int kClubEvery = 25; // one row in 25 is the club's: 2,000

// Replacing the previous file is the only question expected; anything else is counted.
class BenchDialogs final : public onda::Dialogs {
public:
    int unexpected = 0;
    void message(const QString&, Icon, const QString&) override { ++unexpected; }
    Answer askYesNo(const QString&, Answer, Icon, const QString&) override { return ++unexpected, Answer::No; }
    Answer askOkCancel(const QString&, Answer, Icon, const QString&) override { return Answer::Ok; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return ++unexpected, std::nullopt;
    }
    QString saveFileName(const QString&, const QString&, const QString&) override { return ++unexpected, QString(); }
    bool choosePrinter(QPrinter&) override { return ++unexpected, false; }
};

struct Program {
    QTemporaryDir dir;
    BenchDialogs dialogs;
    onda::AppState state{dialogs};

    Program() {
        state.programDirectory = dir.path() + QLatin1Char('/');
        state.databasePath = state.programDirectory + QStringLiteral("ONDA.mdb");
        state.store.setDatabasePath(state.databasePath);
        state.club = QStringLiteral("DEMO");
        state.changeCompetition([](onda::Competition& c) { c.number = QStringLiteral("570"); });
        if (!state.store.ensureDatabase())
            std::fprintf(stderr, "bench_deposit: database not created\n");
        onda::Database db;
        if (!db.open(state.databasePath))
            std::fprintf(stderr, "bench_deposit: database not opened\n");
        (void)db.execute(QStringLiteral("SELECT * INTO nprg570 FROM nprg"));
        (void)db.execute(QStringLiteral("INSERT INTO manif ([Numero Prova], [Nome Manifestazione]) VALUES (570, 'B')"));
        onda::Transaction transaction(db);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db.handle(),
                           "INSERT INTO nprg570 (codatl, nome, anno, cat, soc, sesso, spec, m, s, status) "
                           "VALUES (?, ?, 2010, 'Ragazzi', ?, 'M', '100 SL', 1, 5.25, 'A')",
                           -1, &insert, nullptr);
        for (int i = 0; i < kRows; ++i) {
            sqlite3_bind_int(insert, 1, 500000 + i);
            const QByteArray name = QStringLiteral("ATLETA %1").arg(i).toUtf8();
            sqlite3_bind_text(insert, 2, name.constData(), -1, SQLITE_TRANSIENT);
            const QByteArray club = i % kClubEvery == 0 ? QByteArray("DEMO") : "C" + QByteArray::number(i % 97);
            sqlite3_bind_text(insert, 3, club.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        if (!transaction.commit())
            std::fprintf(stderr, "bench_deposit: rows not written\n");
    }
};

Program& program() {
    static Program p;
    return p;
}

void BM_ExportTransferDatabase(benchmark::State& s) {
    Program& p = program();
    for (auto _ : s) {
        QString mode = QStringLiteral("SERVER"), folder, file;
        if (onda::ExportTransferDatabase(p.state, p.state.club, mode, folder, file) != onda::ExportOutcome::Written)
            s.SkipWithError("export failed");
    }
    if (p.dialogs.unexpected)
        s.SkipWithError("unexpected dialog");
}
BENCHMARK(BM_ExportTransferDatabase)->Unit(benchmark::kMillisecond);

void BM_BareSqliteAttachCopy(benchmark::State& s) {
    Program& p = program();
    const QByteArray target = (p.state.programDirectory + QStringLiteral("bare.mdb")).toUtf8();
    const QByteArray attach = "ATTACH DATABASE '" + p.state.databasePath.toUtf8() + "' AS src";
    for (auto _ : s) {
        QFile::remove(QString::fromUtf8(target));
        sqlite3* db = nullptr;
        sqlite3_open(target.constData(), &db);
        sqlite3_exec(db, attach.constData(), nullptr, nullptr, nullptr);
        const int rc = sqlite3_exec(
            db,
            "BEGIN;"
            "CREATE TABLE nprg570 (codatl INTEGER, nome VARCHAR(50), anno SMALLINT, cat VARCHAR(30), soc VARCHAR(10),"
            " sesso VARCHAR(1), spec VARCHAR(50), m DOUBLE, s DOUBLE, status VARCHAR(1), OrdineInserimento INTEGER);"
            "INSERT INTO nprg570 SELECT * FROM src.nprg570 WHERE soc = 'DEMO';"
            "CREATE TABLE manif AS SELECT * FROM src.manif WHERE [Numero Prova] = 570;"
            "COMMIT;",
            nullptr, nullptr, nullptr);
        sqlite3_close(db);
        if (rc != SQLITE_OK)
            s.SkipWithError("bare copy failed");
    }
}
BENCHMARK(BM_BareSqliteAttachCopy)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
