// Registration entry at the size of a large competition: 50,000 registrations of many
// clubs (2,000 of the user's), 10,000 athletes, 300 races, 40 categories. Each command's
// data work next to bare SQLite reading the club's rows in the same run.

#include "core/AppState.h"
#include "core/Categories.h"
#include "core/Dialogs.h"
#include "entry/RegistrationBook.h"
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

constexpr int kRegistrations = 50000;
constexpr int kClubRegistrations = 2000;
constexpr int kAthletes = 10000;
constexpr int kRaces = 300;
constexpr int kCategories = 40;
const QString kCode = QStringLiteral("100007");
const QString kName = QStringLiteral("ATLETA 7");

class SilentDialogs final : public Dialogs {
public:
    void message(const QString&, Icon, const QString&) override {}
    Answer askYesNo(const QString&, Answer answer, Icon, const QString&) override { return answer; }
    Answer askOkCancel(const QString&, Answer answer, Icon, const QString&) override { return answer; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    QStringList openFileNames(const QString&, const QString&, bool) override { return {}; }
    bool choosePrinter(QPrinter&) override { return false; }
};

// Category c: sex M for even c, F for odd, five years from 1960 + (c / 2) * 3.
QString categoryName(int c) {
    return QStringLiteral("C%1").arg(c);
}

struct Fixture {
    QTemporaryDir dir;
    SilentDialogs dialogs;
    AppState state{dialogs};
    DataSource registrations{QStringLiteral("nprg")}, grid{QStringLiteral("nprgSupp")},
        athletes{QStringLiteral("natl")}, records{QStringLiteral("Records")};
    std::unique_ptr<RegistrationBook> book;
    QString category;

    Fixture() {
        state.databasePath = dir.filePath(QStringLiteral("ONDA.mdb"));
        state.store.setDatabasePath(state.databasePath);
        state.club = QStringLiteral("ABC");
        if (!state.store.ensureDatabase())
            std::fprintf(stderr, "bench_entry: database not created\n");
        (void)state.store.execute(QStringLiteral("SELECT nprg.* INTO nprg57 FROM nprg;"));
        Database db;
        (void)db.open(state.databasePath);
        Transaction transaction(db);
        QString categories;
        for (int c = 0; c < kCategories; ++c) {
            const QString sex = c % 2 ? QStringLiteral("F") : QStringLiteral("M");
            const int first = 1960 + (c / 2) * 3;
            categories += sex + QLatin1Char('|') + categoryName(c) + QLatin1Char('|') + QString::number(first) +
                          QLatin1Char('|') + QString::number(first + 4) + QStringLiteral("|$");
        }
        for (int r = 0; r < kRaces; ++r)
            (void)db.execute(QStringLiteral("insert into programmi (ManifID, OrdineGara, gara, Categoria, Sesso, Anno) "
                                            "values (57, %1, 'G%1', '%2', '%3', 0)")
                                 .arg(r)
                                 .arg(categoryName(r % kCategories))
                                 .arg(r % kCategories % 2 ? QLatin1Char('F') : QLatin1Char('M')));
        // Athletes of the user's club first; the benchmark's athlete is a male born in 1990.
        for (int a = 0; a < kAthletes; ++a)
            (void)db.execute(QStringLiteral("insert into natl (codatl, nome, anno, soc, sesso, squadra) values "
                                            "(%1, 'ATLETA %2', 1990, '%3', 'M', 0)")
                                 .arg(100000 + a)
                                 .arg(a)
                                 .arg(a < 1000 ? QStringLiteral("ABC") : QStringLiteral("S%1").arg(a % 40)));
        for (int i = 0; i < kRegistrations; ++i) {
            const bool ours = i < kClubRegistrations;
            const int athlete = ours ? 8 + i % 990 : 1000 + i % 9000;
            (void)db.execute(
                QStringLiteral("insert into nprg57 (codatl, nome, anno, cat, soc, sesso, spec, m, s, status) "
                               "values (%1, 'ATLETA %2', 1990, 'C20', '%3', 'M', 'G%4', 1, 10.5, 'p')")
                    .arg(100000 + athlete)
                    .arg(athlete)
                    .arg(ours ? QStringLiteral("ABC") : QStringLiteral("S%1").arg(i % 40))
                    .arg(i % kRaces));
        }
        if (!transaction.commit())
            std::fprintf(stderr, "bench_entry: rows not written\n");

        Competition competition;
        competition.number = QStringLiteral("57");
        competition.name = QStringLiteral("Trofeo");
        competition.maxEntriesPerAthlete = 400;
        competition.categoriesText = categories;
        state.setCompetition(competition);
        for (DataSource* source : {&registrations, &grid, &athletes, &records})
            source->setDatabaseFile(state.databasePath);
        book = std::make_unique<RegistrationBook>(state, registrations, grid, athletes, records);
        book->prepareRecords();
        category = cercaCategoria(categories, QStringLiteral("M"), QStringLiteral("1990")).category;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// "Imposta Atleta" as the window runs it: checks, the archive row, the reload, the race list.
void setAthlete(Fixture& f) {
    (void)f.book->holderOfCode(kCode);
    const bool namesake = f.book->namesake(kName).has_value();
    (void)f.book->writeAthlete({kCode, kName, QStringLiteral("M"), QStringLiteral("1990"), {}}, namesake);
    // The grid and the name list are left alone: the athlete is in the list, and the
    // registration refreshes the grid itself.
    benchmark::DoNotOptimize(f.book->raceLines(kCode, f.category, QStringLiteral("M"), QStringLiteral("1990")));
}

void iscrivi(Fixture& f, const QString& race) {
    setAthlete(f);
    (void)f.book->athleteRegistrationCount(kCode);
    benchmark::DoNotOptimize(
        athleteLimitRefusal(f.book->athleteRaces(), race, f.state.competition().maxEntriesPerAthlete));
    RegistrationEntry entry{kCode, kName, QStringLiteral("M"), QStringLiteral("1990"), f.category, race, {1, 2.5}};
    if (!f.book->writeRegistration(entry))
        std::fprintf(stderr, "bench_entry: registration not written\n");
    (void)f.book->rememberTime(kCode, kName, race, entry.time);
    (void)f.book->showClubRegistrations();
    setAthlete(f);
    benchmark::DoNotOptimize(f.book->timeFor(kCode, race));
}

void BM_BareSqliteClubRows(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(fixture().state.databasePath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "select * from nprg57 where soc='ABC' order by OrdineInserimento desc", -1, &stmt,
                           nullptr);
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

void BM_LookupByCode(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        const auto athlete = f.book->findInClub(kCode);
        benchmark::DoNotOptimize(athlete);
        benchmark::DoNotOptimize(cercaCategoria(f.state.competition().categoriesText, athlete->sex, athlete->year));
        benchmark::DoNotOptimize(f.book->raceLines(kCode, f.category, QStringLiteral("M"), QStringLiteral("1990")));
    }
}

void BM_ElencaGare(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.book->raceLines(kCode, f.category, QStringLiteral("M"), QStringLiteral("1990")));
}

void BM_IscriviNewRace(benchmark::State& state) {
    Fixture& f = fixture();
    const QString race = QStringLiteral("G20");
    for (auto _ : state) {
        iscrivi(f, race);
        state.PauseTiming();
        (void)f.state.store.execute(QStringLiteral("delete * from nprg57 where codatl=") + kCode);
        state.ResumeTiming();
    }
}

void BM_IscriviRepeatedRace(benchmark::State& state) {
    Fixture& f = fixture();
    iscrivi(f, QStringLiteral("G60"));
    for (auto _ : state)
        iscrivi(f, QStringLiteral("G60"));
}

void BM_CancellaIscrizione(benchmark::State& state) {
    Fixture& f = fixture();
    (void)f.book->showClubRegistrations();
    for (auto _ : state) {
        state.PauseTiming();
        (void)f.state.store.execute(
            QStringLiteral("insert into nprg57 (codatl, nome, soc, spec, status) values (100007, 'ATLETA 7', 'ABC', "
                           "'G100', 'p')"));
        state.ResumeTiming();
        benchmark::DoNotOptimize(f.book->removeRegistrations(kName, QStringLiteral("G100")));
    }
}

} // namespace

#define ENTRY_BENCH(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)
ENTRY_BENCH(BM_BareSqliteClubRows);
ENTRY_BENCH(BM_LookupByCode);
ENTRY_BENCH(BM_ElencaGare);
ENTRY_BENCH(BM_IscriviNewRace);
ENTRY_BENCH(BM_IscriviRepeatedRace);
ENTRY_BENCH(BM_CancellaIscrizione);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
