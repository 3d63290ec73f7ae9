// Pictures of the program's windows, for looking at them without a screen:
//   QT_QPA_PLATFORM=offscreen build/tools/onda_snapshot OUTDIR [PROGRAMDIR]
// Starts the program in PROGRAMDIR (a fresh folder when absent) and saves the splash,
// the main window and the About box as PNG files in OUTDIR.

#include "app/AboutDialog.h"
#include "app/MainWindow.h"
#include "app/SplashWindow.h"
#include "app/Startup.h"
#include "core/AppState.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "usage: onda_snapshot OUTDIR [PROGRAMDIR]\n";
        return 2;
    }
    const QDir out(args.at(1));
    QTemporaryDir temporary;
    const QString directory = args.size() > 2 ? args.at(2) : temporary.path();
    QFile marker(directory + QStringLiteral("/ONDA_link"));
    if (!marker.exists() && marker.open(QIODevice::WriteOnly))
        marker.close();

    onda::SplashWindow splash;
    splash.show();
    splash.grab().save(out.filePath(QStringLiteral("splash.png")));
    splash.close();

    onda::QtDialogs dialogs;
    onda::AppState state(dialogs);
    onda::StartupOptions options;
    options.arguments = {QStringLiteral("ONDA_link")};
    options.environment = onda::ProgramDirectoryEnvironment::inDirectory(directory);
    options.splashMinimumMs = -1;
    auto window = onda::startProgram(state, options);
    if (!window)
        return 1;
    window->resize(900, 720);
    QApplication::processEvents();
    window->grab().save(out.filePath(QStringLiteral("main.png")));

    onda::AboutDialog about(window.get(), dialogs);
    about.show();
    QApplication::processEvents();
    about.grab().save(out.filePath(QStringLiteral("about.png")));
    return 0;
}
