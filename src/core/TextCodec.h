#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace onda {

// Files made on Windows are in Windows-1252; those of other systems in UTF-8.
QString decodeWindows1252(const QByteArray& bytes);
// A character outside Windows-1252 becomes "?".
QByteArray encodeWindows1252(const QString& text);
// UTF-8 when the bytes are valid UTF-8, Windows-1252 otherwise.
QString decodeUtf8OrWindows1252(const QByteArray& bytes);
// Lines ended by CR LF, LF or CR.
QStringList splitLines(const QString& text);

} // namespace onda
