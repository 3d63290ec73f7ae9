#include "entry/RegistrationSelection.h"

#include "store/DataSource.h"
#include "store/Schema.h"
#include "store/SqlText.h"

namespace onda {

QString selectionStatement(const QString& competition, const QString& key, const QString& parameter) {
    const QString table = registrationTable(competition);
    if (key == QLatin1String("ATLETA"))
        return QStringLiteral("select * from ") + table + QStringLiteral(" where codatl=") + sqlQuoted(parameter);
    const QString where = parameter == QLatin1String("Tutte le societa'")
                              ? QString()
                              : QStringLiteral(" where soc=") + sqlQuoted(parameter);
    return QStringLiteral("select * from ") + table + where + QStringLiteral(" order by soc, nome");
}

QString clubRegistrationsQuery(const QString& competition, const QString& club) {
    return QStringLiteral("select * from ") + registrationTable(competition) + QStringLiteral(" where soc=") +
           sqlQuoted(club) + QStringLiteral(" order by OrdineInserimento desc");
}

int selectRegistrations(DataSource& view, const QString& competition, int kind, const QString& key,
                        const QString& parameter) {
    Q_UNUSED(kind);
    view.setRecordSource(selectionStatement(competition, key, parameter));
    if (const Status status = view.refresh(); !status) {
        const bool unknownName = status.number == err::TableNotFound || status.number == err::FieldNotFound;
        return unknownName ? 0 : -1;
    }
    if (view.rowCount() == 0)
        return 0;
    // A refreshed set with rows always has a first row to stand on.
    (void)view.moveFirst();
    return view.rowCount();
}

} // namespace onda
