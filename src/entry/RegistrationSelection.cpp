#include "entry/RegistrationSelection.h"

#include "store/Schema.h"
#include "store/SqlText.h"

namespace onda {

BoundStatement registrationSelection(const QString& competition, SelectionKey key, const QString& parameter) {
    const QString table = registrationTable(competition);
    if (key == SelectionKey::Athlete)
        return {QStringLiteral("select * from ") + table + QStringLiteral(" where codatl=?"), {parameter}};
    if (parameter == QLatin1String("Tutte le societa'"))
        return {QStringLiteral("select * from ") + table + QStringLiteral(" order by soc, nome"), {}};
    return {QStringLiteral("select * from ") + table + QStringLiteral(" where soc=? order by soc, nome"), {parameter}};
}

QString clubRegistrationsQuery(const QString& competition, const QString& club) {
    return QStringLiteral("select * from ") + registrationTable(competition) + QStringLiteral(" where soc=") +
           sqlQuoted(club) + QStringLiteral(" order by OrdineInserimento desc");
}

} // namespace onda
