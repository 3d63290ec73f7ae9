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

    // The real file system, with the executable taken to be in `directory` and no PATH.
    static ProgramDirectoryEnvironment inDirectory(const QString& directory);
};

// The program directory: the executable's own directory when it holds the program,
// else the first PATH entry that holds the companion program. dir is set only on success
// and always ends with the separator.
bool FindProgramDirectory(QString& dir, const ProgramDirectoryEnvironment& env);
bool FindProgramDirectory(QString& dir); // on this process's environment

// The time of day in milliseconds since midnight; injectable for tests.
using TimeOfDayClock = std::function<int()>;
int systemTimeOfDayMs();

// Milliseconds from start to now on a clock that wraps at midnight.
int elapsedSinceMark(int startMs, int nowMs);

// Busy-waits (no event processing) until more than minimumMs have passed since startMs.
void waitPastMark(int startMs, int minimumMs, const TimeOfDayClock& clock,
                  const std::function<void()>& pause = {});

} // namespace onda
