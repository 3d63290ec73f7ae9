#pragma once

#include <QIcon>
#include <QString>

namespace onda {

// The tool bar's pictures, drawn at whatever size and resolution they are shown:
// "Open", "Save", "Print", "Atleti", "Iscrizioni", "send".
QIcon toolIcon(const QString& key);

} // namespace onda
