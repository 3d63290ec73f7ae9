#pragma once

#include <QString>
#include <QVariantList>

namespace onda {

// Whose registrations of a competition are selected.
enum class SelectionKey {
    Club,    // a club code, or "Tutte le societa'" for every club; ordered by club and name
    Athlete, // an athlete code
};

// A statement with its values, to be bound in order.
struct BoundStatement {
    QString text;
    QVariantList values;
};

// The selection of a competition's registrations shared by the reports and registration entry;
// `columns` narrows it to the fields a reader needs.
BoundStatement registrationSelection(const QString& competition, SelectionKey key, const QString& parameter,
                                     const QString& columns = QStringLiteral("*"));

// The club's rows of a competition, newest first, as the registration window's grid shows them:
// "select * from nprgN where soc='club' order by OrdineInserimento desc".
QString clubRegistrationsQuery(const QString& competition, const QString& club);

} // namespace onda
