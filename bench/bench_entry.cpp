// Registration entry on the shared competition (1x: 50,000 registrations of many clubs,
// 2,000 of the user's, 10,000 athletes, 300 races, 40 categories; 10x: ten times each). Each
// command's data work next to bare SQLite reading the club's rows in the same run.

#include "BenchFixture.h"
#include "BenchTable.h"

#include "core/AppState.h"
#include "core/Categories.h"
#include "entry/RegistrationBook.h"
#include "entry/RegistrationFlow.h"
#include "entry/RegistrationSelection.h"
#include "store/DataSource.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <memory>

using namespace onda;

namespace {

struct Fixture {
    QTemporaryDir dir;
    bench::SilentDialogs dialogs;
    AppState state{dialogs};
    DataSource grid{QStringLiteral("nprgSupp")}; // the window's
    std::unique_ptr<RegistrationBook> book;
    QString category;
    QString code = bench::Fixture::athleteCode(bench::Fixture::kFreeAthlete);
    QString name;

    explicit Fixture(int factor) {
        const bench::Fixture& shared = bench::Fixture::at(factor);
        state.databasePath = bench::copyOf(shared, dir.path(), QStringLiteral("ONDA.mdb"));
        state.store.setDatabasePath(state.databasePath);
        state.session.setClub(bench::kClub);
        name = shared.athleteName(bench::Fixture::kFreeAthlete);
        Competition competition;
        competition.number = bench::kCompetition;
        competition.name = QStringLiteral("Trofeo");
        competition.maxEntriesPerAthlete = 400;
        competition.categories = categoriesOfText(shared.categoriesText);
        state.setCompetition(competition);
        grid.setDatabaseFile(state.databasePath);
        book = std::make_unique<RegistrationBook>(state);
        book->prepareRecords();
        category = cercaCategoria(categoriesOfText(shared.categoriesText), QStringLiteral("M"), QStringLiteral("1990"))
                       .category;
        if (category != shared.freeAthleteCategory())
            std::fprintf(stderr, "bench_entry: the athlete's category is not the fixture's\n");
    }
};

bench::PerSize<Fixture> fixture;

// What the window does when the flow says the club's registrations changed, and the count.
int showClubRegistrations(Fixture& f) {
    f.grid.setRecordSource(clubRegistrationsQuery(bench::kCompetition, f.state.club));
    (void)f.grid.refresh();
    return f.book->clubRegistrationCount();
}

// "Imposta Atleta" as the window runs it: checks, the archive row, the reload, the race list.
void setAthlete(Fixture& f) {
    (void)f.book->holderOfCode(f.code);
    (void)f.book->writeAthlete({f.code, f.name, QStringLiteral("M"), QStringLiteral("1990"), {}},
                               f.book->namesake(f.name));
    // The grid and the name list are left alone: the athlete is in the list, and the
    // registration refreshes the grid itself.
    benchmark::DoNotOptimize(f.book->raceLines(f.code, f.category, QStringLiteral("M"), QStringLiteral("1990")));
}

void iscrivi(Fixture& f, const QString& race) {
    setAthlete(f);
    benchmark::DoNotOptimize(
        athleteLimitRefusal(f.book->athleteRaces(f.code), race, f.state.competition().maxEntriesPerAthlete));
    RegistrationEntry entry{f.code, f.name, QStringLiteral("M"), QStringLiteral("1990"), f.category, race, {1, 2.5}};
    std::optional<qlonglong> rewritten;
    if (!f.book->writeRegistration(entry, &rewritten))
        std::fprintf(stderr, "bench_entry: registration not written\n");
    (void)f.book->rememberTime(f.code, f.name, race, entry.time);
    // As the window does: a row rewritten in place is read alone, an added one with the grid.
    if (rewritten && f.grid.findFirst(QStringLiteral("OrdineInserimento=") + QString::number(*rewritten)) &&
        !f.grid.noMatch())
        (void)f.grid.reloadCurrentRow();
    else
        (void)showClubRegistrations(f);
    setAthlete(f);
    benchmark::DoNotOptimize(f.book->timeFor(f.code, race));
}

void BM_BareSqliteClubRows(benchmark::State& state) {
    bench::BareReader bare(fixture(state).state.databasePath);
    for (auto _ : state)
        bare.read("select * from nprg57 where soc='ABC' order by OrdineInserimento desc");
}

void BM_LookupByCode(benchmark::State& state) {
    Fixture& f = fixture(state);
    for (auto _ : state) {
        const auto athlete = f.book->findInClub(f.code);
        benchmark::DoNotOptimize(athlete);
        benchmark::DoNotOptimize(cercaCategoria(f.state.competition().categories, athlete->sex, athlete->year));
        benchmark::DoNotOptimize(f.book->raceLines(f.code, f.category, QStringLiteral("M"), QStringLiteral("1990")));
    }
}

void BM_ElencaGare(benchmark::State& state) {
    Fixture& f = fixture(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(f.book->raceLines(f.code, f.category, QStringLiteral("M"), QStringLiteral("1990")));
}

void BM_IscriviNewRace(benchmark::State& state) {
    Fixture& f = fixture(state);
    const QString race = bench::Fixture::raceCode(20);
    for (auto _ : state) {
        iscrivi(f, race);
        state.PauseTiming();
        (void)f.state.store.execute(QStringLiteral("delete * from nprg57 where codatl=") + f.code);
        state.ResumeTiming();
    }
}

void BM_IscriviRepeatedRace(benchmark::State& state) {
    Fixture& f = fixture(state);
    iscrivi(f, bench::Fixture::raceCode(60));
    for (auto _ : state)
        iscrivi(f, bench::Fixture::raceCode(60));
}

// The window's side of the whole command: the grid read again, or only the row rewritten.
class GridPort final : public RegistrationFlow::Port {
public:
    explicit GridPort(Fixture& fixture) : f(fixture) {}
    void showCategoryList() override {}
    void showClubRegistrations() override {
        (void)::showClubRegistrations(f);
        if (f.grid.rowCount() > 0)
            (void)f.grid.moveLast();
    }
    void showRewrittenRegistration(qlonglong order) override {
        if (f.grid.findFirst(QStringLiteral("OrdineInserimento=") + QString::number(order)) && !f.grid.noMatch() &&
            f.grid.reloadCurrentRow() && f.grid.moveLast())
            return;
        showClubRegistrations();
    }
    void showRemovedRegistrations(const QList<qlonglong>&) override { showClubRegistrations(); }

private:
    Fixture& f;
};

// "Iscrivi" on a race the athlete holds, the whole command as the window runs it.
void BM_IscriviRepeatedRaceCommand(benchmark::State& state) {
    Fixture& f = fixture(state);
    GridPort port(f);
    RegistrationFlow flow(f.state, f.dialogs, *f.book, port);
    (void)flow.open();
    RegistrationForm form;
    form.codeEntry = form.code = f.code;
    form.nameEntry = form.name = f.name;
    form.sex = QStringLiteral("M");
    form.year = QStringLiteral("1990");
    form.category = f.category;
    form.raceLines = f.book->raceLines(f.code, f.category, form.sex, form.year);
    form.race = raceOfLine(form.raceLines.value(form.raceLines.size() / 2));
    form.time = QStringLiteral("01:02.50");
    (void)flow.registerAthlete(form);
    for (auto _ : state)
        benchmark::DoNotOptimize(flow.registerAthlete(form));
}

void BM_CancellaIscrizione(benchmark::State& state) {
    Fixture& f = fixture(state);
    (void)showClubRegistrations(f);
    for (auto _ : state) {
        state.PauseTiming();
        (void)f.state.store.execute(
            QStringLiteral("insert into nprg57 (codatl, nome, soc, spec, status) values (%1, '%2', 'ABC', "
                           "'%3', 'p')")
                .arg(f.code, f.name, bench::Fixture::raceCode(100)));
        (void)showClubRegistrations(f); // the grid shows the row, as in the window
        state.ResumeTiming();
        QList<qlonglong> removed;
        if (!f.book->removeRegistrations(f.name, bench::Fixture::raceCode(100), &removed))
            std::fprintf(stderr, "bench_entry: registration not removed\n");
        // As the window does: the grid, newest first, drops each row removed, found by halving.
        const int key = f.grid.fieldIndex(QStringLiteral("OrdineInserimento"));
        for (qlonglong order : removed) {
            int low = 0, high = f.grid.rowCount() - 1;
            while (low <= high) {
                const int middle = low + (high - low) / 2;
                const qlonglong at = f.grid.value(middle, key).toLongLong();
                if (at == order) {
                    if (f.grid.setPosition(middle))
                        (void)f.grid.remove();
                    break;
                }
                if (at > order)
                    low = middle + 1;
                else
                    high = middle - 1;
            }
        }
        benchmark::DoNotOptimize(f.book->clubRegistrationCount());
    }
}

ONDA_SIZED(BM_BareSqliteClubRows, 5);
ONDA_SIZED(BM_LookupByCode, 5);
ONDA_SIZED(BM_ElencaGare, 5);
ONDA_SIZED(BM_IscriviNewRace, 5);
ONDA_SIZED(BM_IscriviRepeatedRace, 5);
ONDA_SIZED_ONCE(BM_CancellaIscrizione, 9);
ONDA_SIZED(BM_IscriviRepeatedRaceCommand, 5);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const char* bare = "BM_BareSqliteClubRows";
    bench::runAndPrint(argc, argv, "Registration entry's commands",
                       {{"lookup by code", "BM_LookupByCode", bare},
                        {"race list", "BM_ElencaGare", bare},
                        {"\"Iscrivi\" on a new race", "BM_IscriviNewRace", bare},
                        {"\"Iscrivi\" on a repeated race", "BM_IscriviRepeatedRace", bare},
                        {"\"Cancella Iscrizione\"", "BM_CancellaIscrizione", bare},
                        {"\"Iscrivi\" on a repeated race, whole command", "BM_IscriviRepeatedRaceCommand", bare}});
    const int unexpected = fixture.dialogsShown();
    if (unexpected)
        std::printf("unexpected dialogs: %d\n", unexpected);
    fixture.clear();
    return unexpected ? 1 : 0;
}
