#pragma once

#include <QString>

namespace onda {

// A user or service value put between single quotes in an SQL text: "'" is doubled.
inline QString sqlQuoted(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

// The same for a value put between double quotes (criteria such as nome="...").
inline QString sqlDoubleQuoted(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

} // namespace onda
