#pragma once

#include <QString>

namespace onda {

class AppState;

// True when `path` names the program's own database file, however it is written: through a
// link, with "./" or "..", or with doubled separators.
bool isProgramDatabase(const QString& path, const QString& databasePath);

// The save dialog of a file the program writes, then the question before an existing file is
// replaced. Empty when the user gave up, or chose the program's own database: that is refused
// with a message and nothing is written.
QString chooseSavePath(AppState& state, const QString& filter, const QString& proposed);

} // namespace onda
