#pragma once

#include <QString>

#include <optional>

namespace onda {

class DataSource;

// The note of competition `number` for `user`, kept in manif.Nota. `manif` is refreshed
// and left on the competition's row.
// Nothing when the row is missing; an empty text when its note is null.
std::optional<QString> readCompetitionNote(DataSource& manif, const QString& number, const QString& user);
// Replaces the whole note; false when the row is missing or the write failed.
bool saveCompetitionNote(DataSource& manif, const QString& number, const QString& user, const QString& note);

} // namespace onda
