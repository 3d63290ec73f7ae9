// Time from launch to the main window shown: the program's own start-up (without its
// mandated splash pause), on the shared fixture at 1x and 10x, against a bare Qt application
// that shows an empty main window.
// Each sample is a fresh process of this same executable, so both pay the same loading.

#include "BenchFixture.h"
#include "BenchTable.h"

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "core/AppState.h"
#include "store/Store.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string g_self;
std::string g_programDir[2]; // on the 1x and the 10x database
std::vector<double> g_samples[4];

void waitUntilExposed(QWidget& window) {
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
}

int childBare(int argc, char** argv, bool withText) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(603, 655);
    // Text on screen costs the font set-up every program with words on it pays once.
    if (withText)
        window.setCentralWidget(new QLabel(QStringLiteral("3 semplici step per aggiornare le tue iscrizioni")));
    window.show();
    waitUntilExposed(window);
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    return 0;
}

int childProgram(int argc, char** argv, const char* directory) {
    QApplication app(argc, argv);
    onda::QtDialogs dialogs;
    onda::AppState state(dialogs);
    onda::StartupOptions options;
    options.arguments = {QStringLiteral("ONDA_link")};
    options.environment = onda::ProgramDirectoryEnvironment::inDirectory(QString::fromLocal8Bit(directory));
    options.splashMinimumMs = -1; // the mandated pause is left out of the measure
    auto window = onda::startProgram(state, options);
    if (!window)
        return 1;
    waitUntilExposed(*window);
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    return 0;
}

// Launches this executable in a child mode; seconds until it reports its window shown.
double launch(const std::vector<std::string>& args) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(g_self.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(g_self.c_str(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    char buffer[16] = {};
    const ssize_t n = read(fds[0], buffer, sizeof buffer - 1);
    const auto end = std::chrono::steady_clock::now();
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (n <= 0 || std::strncmp(buffer, "shown", 5) != 0)
        return -1;
    return std::chrono::duration<double>(end - start).count();
}

void measure(benchmark::State& state, const std::vector<std::string>& args, int slot) {
    for (auto _ : state) {
        const double seconds = launch(args);
        if (seconds < 0) {
            state.SkipWithError("the child did not show its window");
            return;
        }
        g_samples[slot].push_back(seconds);
        state.SetIterationTime(seconds);
    }
}

void BM_BareQtMainWindow(benchmark::State& state) {
    measure(state, {"--child=bare"}, 0);
}

void BM_ProgramStartup(benchmark::State& state) {
    measure(state, {"--child=program", g_programDir[state.range(0) == 10]}, state.range(0) == 10 ? 3 : 1);
}

void BM_BareQtMainWindowWithText(benchmark::State& state) {
    measure(state, {"--child=bare-text"}, 2);
}

BENCHMARK(BM_BareQtMainWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_ProgramStartup)->Arg(1)->Arg(10)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_BareQtMainWindowWithText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--child=bare") == 0)
            return childBare(argc, argv, false);
        if (std::strcmp(argv[i], "--child=bare-text") == 0)
            return childBare(argc, argv, true);
        if (std::strcmp(argv[i], "--child=program") == 0 && i + 1 < argc)
            return childProgram(argc, argv, argv[i + 1]);
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    g_self = QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath().toStdString();

    // A program directory as a club has it after the first start, on the shared fixture at each
    // size: database, its club and the options file present.
    QTemporaryDir directories[2];
    for (int i = 0; i < 2; ++i) {
        g_programDir[i] = directories[i].path().toStdString() + "/";
        QFile marker(directories[i].filePath(QStringLiteral("ONDA_link")));
        if (!marker.open(QIODevice::WriteOnly))
            return 1;
        marker.close();
        const QString database =
            bench::copyOf(bench::Fixture::at(i ? 10 : 1), directories[i].path(), QStringLiteral("ONDA.mdb"));
        onda::Store store;
        store.setDatabasePath(database);
        if (!store.execute(QStringLiteral("insert into config (societa, userid, password) values ('ABC', 'u', 'p')")) ||
            launch({"--child=program", g_programDir[i]}) < 0) {
            std::fprintf(stderr, "the program did not start\n");
            return 1;
        }
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double bare = median(g_samples[0]) * 1000;
    const double bareText = median(g_samples[2]) * 1000;
    bench::printHeading("Start-up to the main window shown, after the splash pause");
    bench::printLine({"start-up, against an empty Qt main window", "", "", {1.5, 0, true}}, median(g_samples[1]) * 1000,
                     median(g_samples[3]) * 1000, bare, bare);
    bench::printLine({"start-up, against one with a line of text", "", "", {1.5, 0, true}}, median(g_samples[1]) * 1000,
                     median(g_samples[3]) * 1000, bareText, bareText);
    return 0;
}
