#include "app/Startup.h"

#include "app/MainWindow.h"
#include "app/SplashWindow.h"
#include "app/WorkspaceWindow.h"
#include "core/AppState.h"
#include "core/Dialogs.h"
#include "entry/RegistrationWindow.h"
#include "store/DamageCheck.h"
#include "store/DataSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace onda {

namespace {

// The club's database beside the program cannot be written: the user goes on with a copy of it
// in `directory`, made now unless one is there from an earlier start, or the program ends. An
// empty database is never opened in its place unasked.
bool continueWithCopy(Dialogs& dialogs, const QString& database, const QString& directory) {
    const QString copy = directory + QStringLiteral("ONDA.mdb");
    const bool made = QFileInfo::exists(copy);
    const QString question =
        QStringLiteral("Il database ") + QDir::toNativeSeparators(database) +
        QStringLiteral(" non si puo' modificare: la cartella del programma o il file sono in sola lettura.\r\n") +
        (made ? QStringLiteral("Vuoi continuare con la copia fatta in precedenza in ")
              : QStringLiteral("Vuoi continuare con una sua copia in ")) +
        QDir::toNativeSeparators(directory) + QStringLiteral("? Se rispondi No il programma si chiude.");
    if (dialogs.askYesNo(question, Dialogs::Answer::Yes, Dialogs::Icon::Warning) != Dialogs::Answer::Yes)
        return false;
    if (made)
        return true;
    // The copy keeps the read-only mark of its original unless it is taken off.
    if (!QFile::copy(database, copy) ||
        !QFile::setPermissions(copy, QFile::permissions(copy) | QFile::WriteOwner | QFile::WriteUser)) {
        QFile::remove(copy);
        dialogs.message(QStringLiteral("Impossibile copiare il database in ") + QDir::toNativeSeparators(copy) +
                            QStringLiteral(": il programma si chiude."),
                        Dialogs::Icon::Critical);
        return false;
    }
    // The options go with it; without them the program writes new ones, as on a first start.
    const QString options = QFileInfo(database).dir().filePath(QStringLiteral("options.txt"));
    if (QFile::copy(options, directory + QStringLiteral("options.txt")))
        QFile::setPermissions(directory + QStringLiteral("options.txt"),
                              QFile::permissions(options) | QFile::WriteOwner | QFile::WriteUser);
    return true;
}

} // namespace

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
    const ProgramDirectoryEnvironment environment = options.environment ? *options.environment : processEnvironment();
    const bool found = ChooseProgramDirectory(directory, environment);
    if (!found) {
        state.dialogs.message(QStringLiteral("Il programma non e' in una directory corretta"));
        return nullptr;
    }
    if (const QString database = passedOverDatabase(directory, environment); !database.isEmpty()) {
        if (!continueWithCopy(state.dialogs, database, directory))
            return nullptr;
    }
    state.programDirectory = directory;
    state.databasePath = directory + QStringLiteral("ONDA.mdb");

    // One program per database: a second one would keep a view of its own of the same file. A
    // lock is stale only when its program is gone, however old it is.
    auto lock = std::make_shared<QLockFile>(state.databasePath + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0) && lock->error() == QLockFile::LockFailedError) {
        splash.close();
        state.dialogs.message(QStringLiteral("ONDA_link e' gia' aperto su questo database."), Dialogs::Icon::Warning);
        return nullptr;
    }
    // A lock that cannot be written at all is left out: the database beside it says why below.
    state.databaseLock = lock;

    state.store.setDatabasePath(state.databasePath);
    state.store.setDebugMode(state.debugMode());
    state.store.setMessageSink([&dialogs = state.dialogs](const QString& text) { dialogs.message(text); });
    // A missing database is created with its tables; one that cannot be opened stops the program untouched.
    // The whole-file check runs beside the first screen; a damaged file ends the program as
    // before, nothing written to it.
    std::unique_ptr<DamageCheck> check;
    if (const Status status = state.store.ensureDatabase(&check); !status) {
        state.dialogs.message(databaseOpenMessage(state.databasePath, status), Dialogs::Icon::Critical);
        return nullptr;
    }

    auto main = std::make_unique<MainWindow>(state);
    if (check) {
        QObject::connect(check.get(), &DamageCheck::finished, main.get(), [&state](const Status& verdict) {
            if (verdict)
                return;
            state.dialogs.message(databaseOpenMessage(state.databasePath, verdict), Dialogs::Icon::Critical);
            // Queued: the verdict may come before the program's event loop runs.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
        });
        check.release()->setParent(main.get());
    }
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
