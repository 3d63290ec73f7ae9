#pragma once

#include <QString>

namespace onda {

// A statement of the program's SQL dialect turned into what SQLite runs.
struct TranslatedStatement {
    enum class Kind {
        Plain,     // run `sql` as it is
        CopyTable, // "SELECT t.* INTO n FROM t": create `target` like `source`, copy its rows
    };
    Kind kind = Kind::Plain;
    QString sql;
    QString source; // CopyTable only
    QString target; // CopyTable only
};

TranslatedStatement translateStatement(const QString& statement);

// A criterion (WHERE condition) in the dialect turned into SQLite's: double-quoted
// text becomes a string literal, the rest stays as written.
QString translateCriterion(const QString& criterion);

} // namespace onda
