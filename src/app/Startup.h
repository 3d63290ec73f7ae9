#pragma once

#include "app/StartupLogic.h"

#include <QStringList>

#include <memory>
#include <optional>

namespace onda {

struct AppState;
class MainWindow;

struct StartupOptions {
    QStringList arguments;                                  // the program name first
    std::optional<ProgramDirectoryEnvironment> environment; // the process's own when absent
    TimeOfDayClock clock = systemTimeOfDayMs;
    int splashMinimumMs = 2000;
};

// Shows the splash, finds the program directory, opens the database and creates the
// windows. Returns the main window, or nothing when the program must end.
std::unique_ptr<MainWindow> startProgram(AppState& state, const StartupOptions& options);

} // namespace onda
