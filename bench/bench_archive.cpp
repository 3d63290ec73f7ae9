// The athlete archive window over the club's archive (10,000 athletes at 1x, 100,000 at 10x):
// opening it, a navigator move with its lookup, and a save, each next to a bare SQLite
// statement that does the same reading or writing in the same run.

#include "BenchFixture.h"
#include "BenchTable.h"

#include "app/MainWindow.h"
#include "athletes/ArchiveWindow.h"
#include "core/AppState.h"
#include "store/DataSource.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <memory>

namespace {

struct Program {
    QTemporaryDir dir;
    bench::SilentDialogs dialogs;
    onda::AppState state{dialogs};
    std::unique_ptr<onda::MainWindow> main;
    const bench::Fixture& fixture;

    explicit Program(int factor) : fixture(bench::Fixture::at(factor)) {
        state.programDirectory = dir.path() + QLatin1Char('/');
        state.databasePath = bench::copyOf(fixture, dir.path(), QStringLiteral("ONDA.mdb"));
        state.store.setDatabasePath(state.databasePath);
        state.session.setClub(bench::kClub);
        onda::Competition competition;
        competition.number = bench::kCompetition;
        state.setCompetition(competition);
        main = std::make_unique<onda::MainWindow>(state);
        main->resize(1000, 700);
        main->show();
    }

    onda::ArchiveWindow* open() {
        onda::openAthleteArchive(state, *main);
        return qobject_cast<onda::ArchiveWindow*>(main->child(onda::Child::Archive));
    }
    void close(onda::ArchiveWindow* archive) {
        if (QMdiSubWindow* sub = main->subWindowOf(archive))
            sub->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

// One program per size, made after the application object and destroyed before it.
bench::PerSize<Program> program;

void BM_ArchiveOpen(benchmark::State& state) {
    Program& p = program(state);
    for (auto _ : state) {
        onda::ArchiveWindow* archive = p.open();
        benchmark::DoNotOptimize(archive);
        state.PauseTiming();
        if (!archive || archive->navigator().rowCount() != p.fixture.size.athletes)
            state.SkipWithError("the club's athletes are not all there");
        p.close(archive);
        state.ResumeTiming();
    }
}

// The rows of the club's athletes read by name: what the window's views read when it opens.
void BM_BareClubAthletes(benchmark::State& state) {
    bench::BareReader bare(program(state).state.databasePath);
    for (auto _ : state)
        bare.read("select rowid, * from natl where (squadra<>-1 or squadra is null) and soc='ABC' order by nome", true);
}

void BM_ArchiveNavigatorMove(benchmark::State& state) {
    Program& p = program(state);
    onda::ArchiveWindow* archive = p.open();
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
    p.close(archive);
}

// The athlete looked up by code, as the window's lookup asks for it.
void BM_BareLookup(benchmark::State& state) {
    Program& p = program(state);
    bench::BareReader bare(p.state.databasePath);
    sqlite3* db = bare.handle();
    const QByteArray sql =
        "select * from natl where codatl='" + bench::Fixture::athleteCode(p.fixture.size.athletes - 2).toUtf8() + "'";
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
        benchmark::DoNotOptimize(sqlite3_step(stmt));
        sqlite3_finalize(stmt);
    }
}

void BM_ArchiveSave(benchmark::State& state) {
    Program& p = program(state);
    onda::ArchiveWindow* archive = p.open();
    archive->findChild<QAbstractButton*>(QStringLiteral("Data3_Last"))->click();
    auto* name = archive->findChild<QLineEdit*>(QStringLiteral("txtfields_1"));
    auto* save = archive->findChild<QAbstractButton*>(QStringLiteral("cmdUpdate"));
    const QString kept = name->text();
    int n = 0;
    for (auto _ : state) {
        name->setText(kept.left(5) + QString::number(++n % 2) + kept.mid(6));
        save->click();
    }
    p.close(archive);
}

void BM_BareUpdate(benchmark::State& state) {
    bench::BareReader bare(program(state).state.databasePath, true);
    sqlite3* db = bare.handle();
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
}

ONDA_SIZED_ONCE(BM_ArchiveOpen, 7);
ONDA_SIZED_ONCE(BM_BareClubAthletes, 7);
ONDA_SIZED(BM_ArchiveNavigatorMove, 5);
ONDA_SIZED(BM_BareLookup, 5);
ONDA_SIZED(BM_ArchiveSave, 5);
ONDA_SIZED(BM_BareUpdate, 5);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int missed = bench::runAndPrint(argc, argv, "The athlete archive window",
                                          {{"opening the window", "BM_ArchiveOpen", "BM_BareClubAthletes"},
                                           {"navigator move with lookup", "BM_ArchiveNavigatorMove", "BM_BareLookup"},
                                           {"save", "BM_ArchiveSave", "BM_BareUpdate"}});
    const int unexpected = program.dialogsShown();
    if (unexpected)
        std::printf("unexpected dialogs: %d\n", unexpected);
    program.clear();
    return unexpected || missed < 0 ? 1 : 0;
}
