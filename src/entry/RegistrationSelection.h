#pragma once

#include <QString>

namespace onda {

class DataSource;

// The selection of a competition's registrations shared by the reports and registration
// entry: key "SOCIETA" with a club code (or "Tutte le societa'" for every club), or key
// "ATLETA" with an athlete code. `kind` is always 3, the only kind.
QString selectionStatement(const QString& competition, const QString& key, const QString& parameter);

// The club's rows of a competition, newest first, as the registration window's grid shows them:
// "select * from nprgN where soc='club' order by OrdineInserimento desc".
QString clubRegistrationsQuery(const QString& competition, const QString& club);

// Points `view` at the selection and refreshes it; the view is left on its first row.
// Returns the number of rows: 0 for an empty selection or an unknown table or field,
// -1 for any other database failure.
int selectRegistrations(DataSource& view, const QString& competition, int kind, const QString& key,
                        const QString& parameter);

} // namespace onda
