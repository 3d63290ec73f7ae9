#pragma once

#include "store/Status.h"

#include <QByteArray>
#include <QString>

#include <functional>

struct sqlite3;

namespace onda {

class Database;

// A unit of work on one connection: begun on construction, rolled back on destruction
// unless commit() succeeded. The outermost one takes the write lock at once (so it
// cannot fail half-way for a lock); one opened inside another is a savepoint that
// rolls back only its own work.
class Transaction {
public:
    explicit Transaction(Database& db);
    explicit Transaction(sqlite3* db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Whether it began; when not, the reason (e.g. the file is locked by another program).
    const Status& begun() const { return m_begun; }
    // False once SQLite itself ended the transaction (disk full, I/O error): the work
    // done so far is gone and what follows would commit statement by statement.
    bool isAlive() const;
    Status commit();
    void rollback();

private:
    sqlite3* m_db = nullptr;
    QByteArray m_savepoint; // empty for the outermost transaction
    Status m_begun;
    bool m_open = false;
};

// Runs `work` inside one transaction on the connection the data sources of `path` share:
// all of it is stored, or none when it fails or SQLite ends the transaction.
Status inTransaction(const QString& path, const std::function<Status(Database&)>& work);

} // namespace onda
