#pragma once

#include "store/Database.h"
#include "store/Status.h"

#include <QString>

namespace onda {

// What a query copy did, and where it stopped when it failed.
struct QueryCopyResult {
    Status status;
    int step = 0; // the failing step: 1 target, 2 source query, 3 new table, 4 rows, 5 commit
    int rows = 0; // rows copied
};

// Copies the result of a query on the database at sourcePath into a new table of the database
// at targetPath. Only names, declared types and sizes of the columns are carried over (no keys,
// indexes or defaults); values are copied unchanged, by position. The target file is created
// unless openExisting. The new table and its rows are written in one transaction, so a failure
// leaves the target as it was. Pending events run now and then during a long copy.
QueryCopyResult CopyQueryToDatabase(const QString& sourcePath, const QString& query, const QString& targetPath,
                                    const QString& tableName, int copyRows, bool openExisting,
                                    const ConnectionOptions& targetOptions = {});

struct QueryCopy {
    QString query; // on the source
    QString table; // made in the target with the query's rows
};

// Several copies as above into a new file at targetPath, all in one transaction: for a file that
// nobody reads before it is complete, and that is dropped when the copy fails.
QueryCopyResult CopyQueriesToNewDatabase(const QString& sourcePath, const QList<QueryCopy>& copies,
                                         const QString& targetPath, const ConnectionOptions& targetOptions = {});

} // namespace onda
