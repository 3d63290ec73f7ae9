// The registration window's commands as a secretary runs them, through its buttons, on the
// shared competition opened off-line: a lookup by code with "Imposta Atleta", and "Iscrivi"
// on a new race, each for another athlete of the club with no registration yet. Next to bare
// SQLite reading the club's rows, which the window's grid shows.

#include "BenchFixture.h"
#include "BenchTable.h"

#include "app/MainWindow.h"
#include "app/WorkspaceWindow.h"
#include "core/AppState.h"
#include "entry/RegistrationWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

struct Program {
    QTemporaryDir dir;
    bench::SilentDialogs dialogs;
    onda::AppState state{dialogs};
    std::unique_ptr<onda::MainWindow> main;
    onda::RegistrationWindow* window = nullptr;
    int nextAthlete = 0; // athletes below 1000 have no registration

    explicit Program(int factor) {
        state.databasePath = bench::copyOf(bench::Fixture::at(factor), dir.path(), QStringLiteral("ONDA.mdb"));
        state.store.setDatabasePath(state.databasePath);
        state.session.setClub(bench::kClub);
        main = std::make_unique<onda::MainWindow>(state);
        main->resize(1100, 800);
        main->show();
        onda::WorkspaceWindow* workspace = main->workspaceWindow();
        QTableWidget* grid = workspace->competitionGrid();
        for (int r = 0; r < grid->rowCount(); ++r)
            if (grid->item(r, 0)->text() == bench::kCompetition)
                workspace->openCompetitionAt(r, onda::OpeningMode::Offline);
        window = main->registrationWindow();
    }
    template <typename T> T* control(const char* name) { return window->findChild<T*>(QString::fromLatin1(name)); }
    // The next athlete looked up by code and set, as Enter in the code box and the button do.
    void lookUpAndSet() {
        control<QLineEdit>("Text2")->setText(bench::Fixture::athleteCode(nextAthlete++));
        control<QAbstractButton>("cmdCerca")->click();
        control<QAbstractButton>("cmdImposta")->click();
    }
};

bench::PerSize<Program> program;

void BM_BareClubRows(benchmark::State& state) {
    bench::BareReader bare(program(state).state.databasePath);
    for (auto _ : state)
        bare.read("select * from nprg57 where soc='ABC' order by OrdineInserimento desc");
}

void BM_LookUpAndSet(benchmark::State& state) {
    Program& p = program(state);
    for (auto _ : state)
        p.lookUpAndSet();
    if (p.control<QListWidget>("List1")->count() == 0)
        state.SkipWithError("the athlete has no race");
}

void BM_IscriviNewRace(benchmark::State& state) {
    Program& p = program(state);
    auto* races = p.control<QListWidget>("List1");
    auto* time = p.control<QLineEdit>("tempo");
    auto* iscrivi = p.control<QAbstractButton>("Iscrivi");
    const int before = p.state.competition().registrationCount.toInt();
    int done = 0;
    for (auto _ : state) {
        state.PauseTiming();
        p.lookUpAndSet();
        races->setCurrentRow(0);
        time->setText(QStringLiteral("01:23.45"));
        state.ResumeTiming();
        iscrivi->click();
        ++done;
    }
    const int grid = p.window->findChild<QAbstractItemView*>(QStringLiteral("DBGrid1"))->model()->rowCount();
    if (grid < before + done)
        state.SkipWithError("the registrations are not all in the grid");
}

ONDA_SIZED(BM_BareClubRows, 5);
ONDA_SIZED(BM_LookUpAndSet, 5)->Iterations(40);
ONDA_SIZED(BM_IscriviNewRace, 5)->Iterations(40);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int missed =
        bench::runAndPrint(argc, argv, "The registration window's commands",
                           {{"lookup by code and \"Imposta Atleta\"", "BM_LookUpAndSet", "BM_BareClubRows"},
                            {"\"Iscrivi\" on a new race", "BM_IscriviNewRace", "BM_BareClubRows"}});
    const int unexpected = program.dialogsShown();
    if (unexpected)
        std::printf("unexpected dialogs: %d\n", unexpected);
    program.clear();
    return unexpected || missed < 0 ? 1 : 0;
}
