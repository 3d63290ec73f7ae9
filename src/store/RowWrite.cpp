#include "store/RowWrite.h"

#include "store/Database.h"
#include "store/FieldValues.h"
#include "store/SqliteSupport.h"

#include <sqlite3.h>

#include <algorithm>

namespace onda {

Status writeRow(Database& db, const QString& table, const FieldValueList& values, const QString& where,
                const QVariantList& whereValues) {
    QList<FieldInfo> columns;
    if (Status s = db.tableFields(table, columns); !s)
        return s;
    QStringList names;
    QVariantList bound;
    for (const auto& [field, value] : values) {
        const auto found = std::find_if(columns.cbegin(), columns.cend(), [&field](const FieldInfo& c) {
            return c.name.compare(field, Qt::CaseInsensitive) == 0;
        });
        if (found == columns.cend())
            return Status::of(err::FieldNotFound, field);
        QVariant stored;
        if (Status s = storedFieldValue(*found, value, stored); !s)
            return s;
        names << QLatin1Char('[') + found->name + QLatin1Char(']');
        bound << stored;
    }
    QString statement;
    if (where.isEmpty()) {
        statement = QStringLiteral("insert into [") + table + QStringLiteral("] (") + names.join(QLatin1Char(',')) +
                    QStringLiteral(") values (") +
                    QStringList(names.size(), QStringLiteral("?")).join(QLatin1Char(',')) + QLatin1Char(')');
    } else {
        statement = QStringLiteral("update [") + table + QStringLiteral("] set ") + names.join(QStringLiteral("=?, ")) +
                    QStringLiteral("=? where ") + where;
        bound << whereValues;
    }
    Database::Result none;
    return db.query(statement, none, bound);
}

int textFieldSize(Database& db, const QString& table, const QString& field) {
    QList<FieldInfo> columns;
    if (!db.tableFields(table, columns))
        return 0;
    for (const FieldInfo& c : columns) {
        if (c.name.compare(field, Qt::CaseInsensitive) == 0)
            return c.size;
    }
    return 0;
}

QString changeMark(Database& db) {
    if (!db.isOpen())
        return {};
    detail::Statement version;
    if (!version.prepare(db.handle(), QStringLiteral("PRAGMA data_version")) || version.step() != SQLITE_ROW)
        return {};
    return db.path() + QLatin1Char('|') + QString::number(sqlite3_column_int64(version.get(), 0)) + QLatin1Char('|') +
           QString::number(sqlite3_total_changes64(db.handle()));
}

} // namespace onda
