// Opening the shared competition off-line (1x: 50,000 registrations, 2,000 of the club, 300
// races, 40 categories, 10,000 athletes; 10x: ten times each), next to bare SQLite reading the
// club's rows of its registration table and the club's names in the same run.

#include "BenchFixture.h"
#include "BenchTable.h"

#include "app/MainWindow.h"
#include "app/WorkspaceWindow.h"
#include "core/AppState.h"

#include <QApplication>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

// What the opening must read, bare: the club's rows of the registration table and the names
// of the club's athletes for the registration window's name list, by name.
void BM_BareOpeningReads(benchmark::State& state) {
    const bench::Fixture& fixture = bench::Fixture::at(int(state.range(0)));
    bench::BareReader bare(fixture.path);
    for (auto _ : state) {
        const qint64 rows = bare.read("select * from nprg57 where soc='ABC' order by OrdineInserimento desc") +
                            bare.read("select nome from natl where soc='ABC' order by nome");
        if (rows != fixture.size.clubRegistrations + fixture.size.athletes)
            state.SkipWithError("wrong row count");
    }
}

void BM_OpenCompetitionOffline(benchmark::State& state) {
    const bench::Fixture& fixture = bench::Fixture::at(int(state.range(0)));
    QTemporaryDir dir;
    bench::SilentDialogs dialogs;
    onda::AppState app(dialogs);
    app.databasePath = bench::copyOf(fixture, dir.path(), QStringLiteral("ONDA.mdb"));
    app.store.setDatabasePath(app.databasePath);
    app.session.setClub(bench::kClub);
    onda::MainWindow main(app);
    onda::WorkspaceWindow* workspace = main.workspaceWindow();
    main.registrationWindow(); // start-up creates it before any competition is open
    QTableWidget* grid = workspace->competitionGrid();
    int row = -1;
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, 0)->text() == bench::kCompetition)
            row = r;
    for (auto _ : state)
        workspace->openCompetitionAt(row, onda::OpeningMode::Offline);
    if (app.competition().registrationCount != QString::number(fixture.size.clubRegistrations))
        state.SkipWithError("wrong registration count");
    if (dialogs.shown)
        state.SkipWithError("a dialog was shown");
}

ONDA_SIZED_ONCE(BM_BareOpeningReads, 9);
ONDA_SIZED_ONCE(BM_OpenCompetitionOffline, 9);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    bench::runAndPrint(argc, argv, "The workspace",
                       {{"opening a competition off-line", "BM_OpenCompetitionOffline", "BM_BareOpeningReads"}});
    return 0;
}
