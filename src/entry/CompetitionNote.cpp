#include "entry/CompetitionNote.h"

#include "store/Database.h"
#include "store/RowWrite.h"

namespace onda {

namespace {

// The competition's row and its note; nothing when there is none.
std::optional<QVariantList> competitionRow(Database& db, const QString& number, const QString& user) {
    Database::Result rows;
    if (number.trimmed().isEmpty() ||
        !db.query(QStringLiteral("select rowid, Nota from manif where [Numero Prova]=? and userName=?"), rows,
                  {number.trimmed(), user}) ||
        rows.rows.isEmpty())
        return std::nullopt;
    return rows.rows.first();
}

} // namespace

std::optional<QString> readCompetitionNote(Database& db, const QString& number, const QString& user) {
    const std::optional<QVariantList> row = competitionRow(db, number, user);
    if (!row)
        return std::nullopt;
    return row->value(1).toString();
}

bool saveCompetitionNote(Database& db, const QString& number, const QString& user, const QString& note) {
    const std::optional<QVariantList> row = competitionRow(db, number, user);
    return row && writeRow(db, QStringLiteral("manif"), {{QStringLiteral("Nota"), note}}, QStringLiteral("rowid=?"),
                           {row->value(0).toLongLong()});
}

} // namespace onda
