#include "app/Startup.h"

#include "app/MainWindow.h"
#include "app/SplashWindow.h"
#include "app/WorkspaceWindow.h"
#include "core/AppState.h"
#include "core/Dialogs.h"
#include "entry/RegistrationWindow.h"
#include "store/DataSource.h"

#include <QCoreApplication>

namespace onda {

void BindDataSources(AppState& state, MainWindow& main) {
    if (state.debugMode())
        state.dialogs.message(QStringLiteral("imposto dbases"));
    main.load();
    // Creating a child binds its data sources and runs its load step. The registration
    // window is out of sight until a competition is opened: it is made then, on first use.
    main.workspaceWindow();
}

std::unique_ptr<MainWindow> startProgram(AppState& state, const StartupOptions& options) {
    SplashWindow splash;
    splash.centreOnScreen();

    state.commandLine = commandLineText(options.arguments);
    state.baseAddress = baseAddressFor(state.commandLine);
    splash.setAddress(state.baseAddress);

    const int startMark = options.clock();
    splash.show();
    QCoreApplication::processEvents();
    waitPastMark(startMark, options.splashMinimumMs, options.clock);

    QString directory;
    const bool found =
        ChooseProgramDirectory(directory, options.environment ? *options.environment : processEnvironment());
    if (!found) {
        state.dialogs.message(QStringLiteral("Il programma non e' in una directory corretta"));
        return nullptr;
    }
    state.programDirectory = directory;
    state.databasePath = directory + QStringLiteral("ONDA.mdb");

    state.store.setDatabasePath(state.databasePath);
    state.store.setDebugMode(state.debugMode());
    state.store.setMessageSink([&dialogs = state.dialogs](const QString& text) { dialogs.message(text); });
    // A missing database is created with its tables; one that cannot be opened stops the program untouched.
    if (const Status status = state.store.ensureDatabase(); !status) {
        state.dialogs.message(databaseOpenMessage(state.databasePath, status), Dialogs::Icon::Critical);
        return nullptr;
    }

    auto main = std::make_unique<MainWindow>(state);
    BindDataSources(state, *main);

    QCoreApplication::processEvents();

    main->show();
    main->showChild(main->workspaceWindow());

    DataSource& config = main->workspaceWindow()->configSource();
    if (config.isOpen() && config.rowCount() > 0 && config.moveFirst()) {
        state.club = config.field(QStringLiteral("societa")).toString();
        state.userId = config.field(QStringLiteral("userid")).toString();
        state.pin = config.field(QStringLiteral("password")).toString();
        main->workspaceWindow()->setClubLabel(state.club);
    }

    splash.close();
    return main;
}

} // namespace onda
