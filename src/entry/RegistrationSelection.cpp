#include "entry/RegistrationSelection.h"

#include "store/Schema.h"
#include "store/SqlText.h"

namespace onda {

BoundStatement registrationSelection(const QString& competition, SelectionKey key, const QString& parameter,
                                     const QString& columns) {
    const QString from =
        QStringLiteral("select ") + columns + QStringLiteral(" from ") + registrationTable(competition);
    if (key == SelectionKey::Athlete)
        return {from + QStringLiteral(" where codatl=?"), {parameter}};
    if (parameter == QLatin1String("Tutte le societa'"))
        return {from + QStringLiteral(" order by soc, nome"), {}};
    return {from + QStringLiteral(" where soc=? order by soc, nome"), {parameter}};
}

QString clubRegistrationsQuery(const QString& competition, const QString& club) {
    return QStringLiteral("select * from ") + registrationTable(competition) + QStringLiteral(" where soc=") +
           sqlQuoted(club) + QStringLiteral(" order by OrdineInserimento desc");
}

} // namespace onda
