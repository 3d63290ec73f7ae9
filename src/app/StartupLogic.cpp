#include "app/StartupLogic.h"

#include "core/Clock.h"
#include "core/ProgramValues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <QTime>

namespace onda {

namespace {

constexpr int kDayMs = 24 * 60 * 60 * 1000;

#ifdef Q_OS_WIN
const QString kSeparator = QStringLiteral("\\");
const QChar kPathListSeparator = QLatin1Char(';');
const QString kProgramFile = QStringLiteral("ONDA_link.exe");
const QString kCompanionFile = QStringLiteral("PreTempra.exe");
#else
const QString kSeparator = QStringLiteral("/");
const QChar kPathListSeparator = QLatin1Char(':');
const QString kProgramFile = QStringLiteral("ONDA_link");
const QString kCompanionFile = QStringLiteral("PreTempra");
#endif

const QString kDatabaseFile = QStringLiteral("ONDA.mdb");

QString withSeparator(const QString& directory) {
    return directory.endsWith(kSeparator) ? directory : directory + kSeparator;
}

} // namespace

QString commandLineText(const QStringList& arguments) {
    return arguments.mid(1).join(QLatin1Char(' '));
}

QString baseAddressFor(const QString& commandLine) {
    if (!commandLine.isEmpty() && commandLine.contains(QLatin1String("http"), Qt::CaseSensitive))
        return commandLine;
    return kBuiltInAddress;
}

bool FindProgramDirectory(QString& dir, const ProgramDirectoryEnvironment& env) {
    if (!env.fileExists)
        return false;
    QString candidate = withSeparator(env.executableDirectory);
    if (env.fileExists(candidate + kProgramFile)) {
        dir = candidate;
        return true;
    }
    QString path = env.pathVariable;
    if (path.isEmpty())
        return false;
    if (!path.endsWith(kPathListSeparator))
        path += kPathListSeparator;
    // Every piece up to a separator is a candidate; an empty piece is tried as the root.
    qsizetype from = 0;
    for (qsizetype at = path.indexOf(kPathListSeparator); at >= 0; at = path.indexOf(kPathListSeparator, from)) {
        candidate = withSeparator(path.mid(from, at - from));
        if (env.fileExists(candidate + kCompanionFile)) {
            dir = candidate;
            return true;
        }
        from = at + 1;
    }
    return false;
}

bool ChooseProgramDirectory(QString& dir, const ProgramDirectoryEnvironment& env) {
    QString found;
    if (!FindProgramDirectory(found, env))
        return false;
    if (!env.directoryWritable || env.directoryWritable(found)) {
        dir = found;
        return true;
    }
    if (env.userDataDirectory.isEmpty())
        return false;
    const QString own = withSeparator(env.userDataDirectory);
    if (env.makeDirectory && !env.makeDirectory(own))
        return false;
    dir = own;
    return true;
}

QString passedOverDatabase(const QString& chosen, const ProgramDirectoryEnvironment& env) {
    QString found;
    if (!FindProgramDirectory(found, env) || found == chosen || !env.fileExists(found + kDatabaseFile))
        return {};
    return found + kDatabaseFile;
}

ProgramDirectoryEnvironment ProgramDirectoryEnvironment::inDirectory(const QString& directory) {
    return {directory, QString(), [](const QString& file) { return QFileInfo(file).isFile(); }, {}, {}, {}};
}

QString installedDataDirectory(const QString& executableDirectory) {
    const QString data = QDir::cleanPath(QDir(executableDirectory).filePath(QStringLiteral("../share/onda-link")));
    return withSeparator(QDir::toNativeSeparators(data));
}

ProgramDirectoryEnvironment processEnvironment() {
    const QString executableDirectory = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    ProgramDirectoryEnvironment env = ProgramDirectoryEnvironment::inDirectory(executableDirectory);
    env.pathVariable = qEnvironmentVariable("PATH");
    // An installation is known by its desktop entry in <prefix>/share/applications.
    const QString desktopEntry =
        QDir(executableDirectory).filePath(QStringLiteral("../share/applications/onda-link.desktop"));
    env.directoryWritable = [executableDirectory, desktopEntry](const QString& directory) {
        if (withSeparator(directory) == withSeparator(executableDirectory) && QFileInfo(desktopEntry).isFile())
            return false;
        const QFileInfo database(withSeparator(directory) + kDatabaseFile);
        return QFileInfo(directory).isWritable() && (!database.exists() || database.isWritable());
    };
    env.userDataDirectory = QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    env.makeDirectory = [](const QString& directory) { return QDir().mkpath(directory); };
    return env;
}

bool FindProgramDirectory(QString& dir) {
    return FindProgramDirectory(dir, processEnvironment());
}

int systemTimeOfDayMs() {
    return Clock::now().time().msecsSinceStartOfDay();
}

int elapsedSinceMark(int startMs, int nowMs) {
    return ((nowMs - startMs) % kDayMs + kDayMs) % kDayMs;
}

void waitPastMark(int startMs, int minimumMs, const TimeOfDayClock& clock, const std::function<void()>& pause) {
    while (elapsedSinceMark(startMs, clock()) <= minimumMs) {
        if (pause)
            pause();
        else
            QThread::msleep(5);
    }
}

} // namespace onda
