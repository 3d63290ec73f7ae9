#pragma once

#include <QIcon>
#include <QString>

namespace onda {

// The tool bar's pictures, drawn at whatever size and resolution they are shown:
// "Save", "Print", "Atleti", "Iscrizioni", "send".
QIcon toolIcon(const QString& key);

// The program's own picture, the one the desktop shows; the "Iscrizioni" picture when the
// system cannot draw it.
QIcon programIcon();

} // namespace onda
