#pragma once

#include <QString>

#include <optional>

namespace onda {

class Database;

// The note of competition `number` for `user`, kept in manif.Nota.
// Nothing when the row is missing; an empty text when its note is null.
std::optional<QString> readCompetitionNote(Database& db, const QString& number, const QString& user);
// Replaces the whole note; false when the row is missing or the write failed.
bool saveCompetitionNote(Database& db, const QString& number, const QString& user, const QString& note);

} // namespace onda
