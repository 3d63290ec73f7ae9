// Resident memory of the program before and after its browser window first opens the help
// page. The engine renders in processes of its own, so their memory is given apart.

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "browser/BrowserWindow.h"
#include "browser/EngineSetup.h"
#include "core/AppState.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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
    std::printf("%-32s program %7ld kB   engine processes %7ld kB\n", when, residentKb(self), descendantsKb(self));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    onda::prepareWebEngine();
    QApplication app(argc, argv);
    QTemporaryDir directory;
    QFile(directory.filePath(QStringLiteral("ONDA_link"))).open(QIODevice::WriteOnly);
    QFile::copy(QStringLiteral(ONDA_BUILT_HELP_PAGE), directory.filePath(QStringLiteral("istruzioni.htm")));

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

    QElapsedTimer clock;
    clock.start();
    window->action(QStringLiteral("HelpIstruzioni"))->trigger();
    auto* browser = window->findChild<onda::BrowserWindow*>();
    bool loaded = false;
    QObject::connect(browser->view(), &QWebEngineView::loadFinished, [&loaded] { loaded = true; });
    while (!loaded && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::printf("help page %s after %lld ms\n", loaded ? "loaded" : "NOT loaded",
                static_cast<long long>(clock.elapsed()));
    report("browser open on the help page");
    return loaded ? 0 : 1;
}
