#include "app/MainWindow.h"
#include "app/Startup.h"
#include "browser/EngineSetup.h"
#include "core/AppState.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char** argv) {
    onda::prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(onda::kProgramTitle);
    QApplication::setApplicationVersion(onda::versionNumber());

    // Qt's own buttons and dialogs speak Italian whatever the system's language.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    onda::QtDialogs dialogs;
    onda::AppState state(dialogs);

    onda::StartupOptions options;
    options.arguments = QApplication::arguments();
    std::unique_ptr<onda::MainWindow> mainWindow = onda::startProgram(state, options);
    if (!mainWindow)
        return 1;
    dialogs.setParentWindow(mainWindow.get());
    // The program ends with its main window, whatever other top-level window is open.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(mainWindow.get(), &onda::MainWindow::closed, &app, &QCoreApplication::quit);
    return QApplication::exec();
}
