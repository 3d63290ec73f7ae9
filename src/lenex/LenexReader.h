#pragma once

#include "lenex/LenexModel.h"

#include <QString>

class QIODevice;

namespace onda::lenex {

// Files larger than this are refused before anything is read; a ZIP's content is refused as
// soon as more than this comes out of it.
inline constexpr qint64 kMaxFileBytes = 100LL * 1024 * 1024;
// No real file has an attribute or a text this long: one that does is damaged.
inline constexpr qint64 kMaxValueBytes = 64 * 1024;

struct ReadOutcome {
    bool ok = false;
    QString message; // in Italian, for the user, when !ok
};

// Reads a .lef or a .lxf (a ZIP holding a .lef: its first one, whatever its name), told apart
// by their content. What the reader does not know is skipped.
ReadOutcome readFile(const QString& path, Document& document, qint64 limit = kMaxFileBytes);
// The XML itself; `path` only names the file in messages.
ReadOutcome readXml(QIODevice& device, const QString& path, Document& document, qint64 limit = kMaxFileBytes);

} // namespace onda::lenex
