#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace onda {

// The command line as one text: the arguments after the program name, joined by blanks.
QString commandLineText(const QStringList& arguments);

// The service address for a command line: the whole text when it contains "http"
// (case as written), the built-in address otherwise.
QString baseAddressFor(const QString& commandLine);

struct ProgramDirectoryEnvironment {
    QString executableDirectory;
    QString pathVariable;
    std::function<bool(const QString&)> fileExists;
    // Whether the user may keep the program's files in a directory; every directory when absent.
    std::function<bool(const QString&)> directoryWritable;
    // Where an installed program keeps this user's files instead, and how it is created.
    QString userDataDirectory;
    std::function<bool(const QString&)> makeDirectory;

    // The real file system, with the executable taken to be in `directory` and no PATH.
    static ProgramDirectoryEnvironment inDirectory(const QString& directory);
};

// The program directory: the executable's own directory when it holds the program,
// else the first PATH entry that holds the companion program. dir is set only on success
// and always ends with the separator.
bool FindProgramDirectory(QString& dir, const ProgramDirectoryEnvironment& env);
bool FindProgramDirectory(QString& dir); // on this process's environment

// The directory that holds ONDA.mdb, options.txt and the transfer files: the program
// directory when the user may write there, else the per-user data directory, created on
// first use. dir is set only on success and always ends with the separator.
bool ChooseProgramDirectory(QString& dir, const ProgramDirectoryEnvironment& env);

// The club's database in the program's own directory when ChooseProgramDirectory passed that
// directory over for `chosen` (the folder or the file may not be written); empty otherwise.
QString passedOverDatabase(const QString& chosen, const ProgramDirectoryEnvironment& env);

// The process's environment: PATH, the per-user data directory of the application, and an
// installed program's directory counted as read-only even for an administrator, so that it
// never fills with one user's files.
ProgramDirectoryEnvironment processEnvironment();

// The shared data of an installed program: <prefix>/share/onda-link/ for <prefix>/bin/.
QString installedDataDirectory(const QString& executableDirectory);

// The time of day in milliseconds since midnight; injectable for tests.
using TimeOfDayClock = std::function<int()>;
int systemTimeOfDayMs();

// Milliseconds from start to now on a clock that wraps at midnight.
int elapsedSinceMark(int startMs, int nowMs);

// Busy-waits (no event processing) until more than minimumMs have passed since startMs.
void waitPastMark(int startMs, int minimumMs, const TimeOfDayClock& clock, const std::function<void()>& pause = {});

} // namespace onda
