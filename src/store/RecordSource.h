#pragma once

#include <QString>

namespace onda {

// Name of the hidden column that carries each row's id in an updatable source's query.
inline QString rowidColumnName() {
    return QStringLiteral("__onda_rowid");
}

// What a record source reads and, when it reads one table's rows, where edits go.
struct RecordSourceShape {
    QString sql;       // what SQLite runs; for an updatable source the first column is the row id
    QString table;     // empty: read-only (a join, a grouping, a union, ...)
    QString qualifier; // how the table is named inside the query
    bool bareName = false;
};

// A table name or a query text of the program's dialect, analysed.
RecordSourceShape analyseRecordSource(const QString& recordSource);

} // namespace onda
