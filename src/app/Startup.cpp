#include "app/Startup.h"

#include "app/MainWindow.h"
#include "app/SplashWindow.h"
#include "core/AppState.h"
#include "core/Dialogs.h"
#include "store/DamageCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QWindow>

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

// Should the first screen never be drawn (a window started minimised), the check begins anyway
// this long after the file is opened.
constexpr int kCheckLatestStartMs = 1000;

// Begins the damage check once the main window has been drawn: reading the whole file beside
// the first drawing slows it, on a machine of few cores the more so the larger the file.
class BeginAfterFirstFrame final : public QObject {
public:
    BeginAfterFirstFrame(QWindow& window, DamageCheck& check) : QObject(&check), m_check(check) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            // Queued: the window draws itself as it takes this event.
            QMetaObject::invokeMethod(&m_check, &DamageCheck::begin, Qt::QueuedConnection);
            deleteLater();
        }
        return false;
    }

private:
    DamageCheck& m_check;
};

void beginAfterFirstFrame(QWidget& window, DamageCheck& check) {
    QWindow* shown = window.windowHandle();
    if (shown && !shown->isExposed())
        new BeginAfterFirstFrame(*shown, check);
    else // drawn already, or never to be
        QMetaObject::invokeMethod(&check, &DamageCheck::begin, Qt::QueuedConnection);
}

} // namespace

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
    // The whole-file check runs on a thread once the first screen is drawn; a damaged file ends
    // the program as before, nothing written to it.
    std::unique_ptr<DamageCheck> check;
    if (const Status status = state.store.ensureDatabase(&check, kCheckLatestStartMs); !status) {
        state.dialogs.message(databaseOpenMessage(state.databasePath, status), Dialogs::Icon::Critical);
        return nullptr;
    }

    auto main = std::make_unique<MainWindow>(state);
    DamageCheck* pending = check.get();
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
    main->showFirstScreen();
    if (pending)
        beginAfterFirstFrame(*main, *pending);

    splash.close();
    return main;
}

} // namespace onda
