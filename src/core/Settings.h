#pragma once

#include <QSettings>

#include <memory>

namespace onda {

// The program's per-user settings store, keyed by the program title.
std::unique_ptr<QSettings> openProgramSettings();

} // namespace onda
