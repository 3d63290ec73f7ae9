// Resident memory of the program on the 10x fixture: at start-up, with the club's competition
// and archive open, and after its browser window first opens the help page. The engine
// renders in processes of its own, so their memory is given apart.

#include "BenchFixture.h"
#include "BenchTable.h"

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "app/WorkspaceWindow.h"
#include "athletes/ArchiveWindow.h"
#include "browser/EngineSetup.h"
#include "core/AppState.h"
#include "store/Store.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QWebEngineView>

#include <cstdio>

namespace {

// VmRSS of one process in kB, 0 when it is gone.
long residentKb(const QString& pid) {
    QFile status(QStringLiteral("/proc/") + pid + QStringLiteral("/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// The processes started by this one, and theirs, summed.
long descendantsKb(const QString& parent) {
    long total = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (pid.isEmpty() || !pid.at(0).isDigit())
            continue;
        QFile stat(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.value(1) == parent.toLatin1())
            total += residentKb(pid) + descendantsKb(pid);
    }
    return total;
}

void report(const char* when) {
    const QString self = QString::number(QCoreApplication::applicationPid());
    std::printf("%-40s program %7ld kB   engine processes %7ld kB\n", when, residentKb(self), descendantsKb(self));
    std::fflush(stdout);
}

// The club's competition opened off-line and its archive window, as a secretary starts a session.
bool openTheFixture(onda::AppState& state, onda::MainWindow& window) {
    onda::WorkspaceWindow* workspace = window.workspaceWindow();
    QTableWidget* grid = workspace->competitionGrid();
    for (int r = 0; r < grid->rowCount(); ++r) {
        if (grid->item(r, 0)->text() == bench::kCompetition)
            workspace->openCompetitionAt(r, onda::OpeningMode::Offline);
    }
    bench::printMemory("competition open, 10x");
    onda::openAthleteArchive(state, window);
    QCoreApplication::processEvents();
    return state.competition().number == bench::kCompetition && window.child(onda::Child::Archive);
}

} // namespace

int main(int argc, char** argv) {
    onda::prepareWebEngine();
    QApplication app(argc, argv);
    QTemporaryDir directory;
    QFile(directory.filePath(QStringLiteral("ONDA_link"))).open(QIODevice::WriteOnly);
    QFile::copy(QStringLiteral(ONDA_BUILT_HELP_PAGE), directory.filePath(QStringLiteral("istruzioni.htm")));
    // The program on the 10x fixture, its club already set.
    {
        onda::Store store;
        store.setDatabasePath(bench::copyOf(bench::Fixture::at(10), directory.path(), QStringLiteral("ONDA.mdb")));
        if (!store.execute(QStringLiteral("insert into config (societa, userid, password) values ('ABC', 'u', 'p')")))
            return 1;
    }

    onda::QtDialogs dialogs;
    onda::AppState state(dialogs);
    onda::StartupOptions options;
    options.arguments = {QStringLiteral("ONDA_link")};
    options.environment = onda::ProgramDirectoryEnvironment::inDirectory(directory.path() + QLatin1Char('/'));
    options.splashMinimumMs = -1;
    auto window = onda::startProgram(state, options);
    if (!window)
        return 1;
    QCoreApplication::processEvents();
    report("main window shown");
    bench::printMemory("main window shown, 10x fixture");
    if (!openTheFixture(state, *window)) {
        std::fprintf(stderr, "bench_browser: the competition or the archive did not open\n");
        return 1;
    }
    report("competition and archive open");
    bench::printMemory("competition and archive open, 10x", 150);

    QElapsedTimer clock;
    clock.start();
    window->action(QStringLiteral("HelpIstruzioni"))->trigger();
    // The browser comes from the module the program loads on first use, as in use.
    auto* view = window->findChild<QWidget*>(QStringLiteral("frmBrowser"))->findChild<QWebEngineView*>();
    bool loaded = false;
    QObject::connect(view, &QWebEngineView::loadFinished, [&loaded] { loaded = true; });
    while (!loaded && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::printf("help page %s after %lld ms\n", loaded ? "loaded" : "NOT loaded",
                static_cast<long long>(clock.elapsed()));
    report("browser open on the help page");
    return loaded ? 0 : 1;
}
