#pragma once

#include <QString>
#include <QStringView>

#include <optional>

struct sqlite3;

namespace onda::detail {

// Registers on a connection what the program's statements rely on: Int(x), and text
// comparison without regard to case for every letter, accented ones too (NOCASE,
// upper, lower, like). The file itself keeps naming the standard NOCASE, so other
// tools still open and query it with their own ASCII-only rule.
void registerSqlFunctions(sqlite3* db);

// Whether two texts are equal under that NOCASE, decided without SQLite; nothing when
// only SQLite can tell (a text that is not valid UTF-16 changes on its way there).
std::optional<bool> equalNoCase(QStringView a, QStringView b);

// The order of two texts under that NOCASE, as SQLite sorts them (negative, 0, positive).
int compareNoCase(const QString& a, const QString& b);

} // namespace onda::detail
