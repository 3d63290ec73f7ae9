#include "store/QueryCopy.h"

#include "store/SqlDialect.h"
#include "store/SqliteSupport.h"
#include "store/Transaction.h"

#include <QFileInfo>

namespace onda {

namespace {

QueryCopyResult failed(int step, Status status, int rows = 0) {
    return {std::move(status), step, rows};
}

// The rows of `query` on `source` into a new table `tableName` of `target`, inside the
// caller's transaction (steps 2 to 4).
QueryCopyResult copyInto(Database& source, Database& target, const QString& query, const QString& tableName,
                         int copyRows) {
    detail::Statement select;
    if (Status s = select.prepare(source.handle(), translateStatement(query).sql); !s)
        return failed(2, s);
    if (select.isNull())
        return failed(2, Status::of(err::InvalidStatement, query));
    sqlite3_stmt* rows = select.get();
    const int columns = sqlite3_column_count(rows);

    QList<FieldInfo> fields;
    QStringList names;
    for (int c = 0; c < columns; ++c) {
        const char* declared = sqlite3_column_decltype(rows, c);
        FieldInfo field = fieldInfoFromDeclaration(QString::fromUtf8(sqlite3_column_name(rows, c)),
                                                   QString::fromUtf8(declared ? declared : ""), false);
        field.autoIncrement = false; // no keys travel with the data
        names << QLatin1Char('"') + QString(field.name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                     QLatin1Char('"');
        fields << field;
    }
    if (Status s = target.createTable(tableName, fields); !s)
        return failed(3, s);

    int copied = 0;
    if (copyRows == 1 && columns > 0) {
        QStringList marks;
        for (int c = 0; c < columns; ++c)
            marks << QStringLiteral("?");
        detail::Statement insert;
        const QString quotedTable =
            QLatin1Char('"') + QString(tableName).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
        if (Status s = insert.prepare(
                target.handle(), QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                     .arg(quotedTable, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
            !s)
            return failed(4, s);
        sqlite3_stmt* out = insert.get();
        int rc;
        while ((rc = select.step()) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c)
                sqlite3_bind_value(out, c + 1, sqlite3_column_value(rows, c));
            const int written = insert.step();
            insert.reset();
            if (written != SQLITE_DONE)
                return failed(4, detail::statusFrom(target.handle(), written), copied);
            ++copied;
        }
        if (rc != SQLITE_DONE)
            return failed(4, detail::statusFrom(source.handle(), rc), copied);
    }
    return {Status::success(), 0, copied};
}

QueryCopyResult committed(Transaction& transaction, int copied) {
    if (!transaction.isAlive())
        return failed(5, Status::of(err::TransactionLost), copied);
    if (Status s = transaction.commit(); !s)
        return failed(5, s, copied);
    return {Status::success(), 0, copied};
}

// The copies into the target at targetPath (created when `create`) in one transaction. A scratch
// target is read by nobody before it is complete and is dropped when the copy fails: its undo
// record is kept in memory, not written and synced beside it; the commit still syncs it.
QueryCopyResult copyQueries(const QString& sourcePath, const QList<QueryCopy>& copies, const QString& targetPath,
                            bool create, bool scratch, int copyRows, const ConnectionOptions& targetOptions) {
    Database target;
    if (Status s = target.open(targetPath, create, targetOptions); !s)
        return failed(1, s);
    if (target.isReadOnly())
        return failed(1, Status::of(err::ReadOnly, targetPath));
    if (scratch)
        if (Status s = target.execute(QStringLiteral("PRAGMA journal_mode = MEMORY")); !s)
            return failed(1, s);

    Database source;
    if (Status s = source.open(sourcePath); !s)
        return failed(2, s);
    Transaction transaction(target);
    if (!transaction.begun())
        return failed(3, transaction.begun());
    int copied = 0;
    for (const QueryCopy& copy : copies) {
        QueryCopyResult result = copyInto(source, target, copy.query, copy.table, copyRows);
        result.rows += copied;
        if (!result.status)
            return result;
        copied = result.rows;
    }
    return committed(transaction, copied);
}

} // namespace

QueryCopyResult CopyQueryToDatabase(const QString& sourcePath, const QString& query, const QString& targetPath,
                                    const QString& tableName, int copyRows, bool openExisting,
                                    const ConnectionOptions& targetOptions) {
    if (openExisting && !QFileInfo::exists(targetPath))
        return failed(1, Status::of(err::CannotOpen, targetPath));
    return copyQueries(sourcePath, {{query, tableName}}, targetPath, !openExisting, false, copyRows, targetOptions);
}

QueryCopyResult CopyQueriesToNewDatabase(const QString& sourcePath, const QList<QueryCopy>& copies,
                                         const QString& targetPath, const ConnectionOptions& targetOptions) {
    return copyQueries(sourcePath, copies, targetPath, true, true, 1, targetOptions);
}

} // namespace onda
