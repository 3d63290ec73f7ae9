#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace onda {

class DataSource;

// The answer of the mode window.
enum class OpeningMode { Online, Offline, Cancelled };
QString modeText(OpeningMode mode); // "ON-LINE", "OFF-LINE", "Cancella"

// A competition as the local list holds it for one user.
struct StoredCompetition {
    QString name;
    QString place;
    QString date;
    QVariant maxEntriesPerClub; // null when not stored
    QVariant maxEntriesPerAthlete;
    QString club;
    QString note; // empty when null
};

// Points `manif` at the user's competitions and finds `number` among them; nothing when no row.
std::optional<StoredCompetition> findStoredCompetition(DataSource& manif, const QString& user, const QString& number);

// CategorieGara: sex|name|first year|last year|$ per category, in table order. Reads
// the competition's categories through `source`.
QString competitionCategoriesText(DataSource& source, const QString& number);

// "select * from nprgN where soc='club' order by OrdineInserimento desc"
QString clubRegistrationsQuery(const QString& number, const QString& club);

} // namespace onda
