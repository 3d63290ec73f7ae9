#include "store/Transaction.h"

#include "store/Database.h"
#include "store/SqliteSupport.h"

#include <sqlite3.h>

#include <atomic>

namespace onda {

namespace {

Status exec(sqlite3* db, const QByteArray& sql) {
    const int rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? Status{} : detail::statusFrom(db, rc);
}

} // namespace

Transaction::Transaction(Database& db) : Transaction(db.handle()) {}

Transaction::Transaction(sqlite3* db) : m_db(db) {
    if (!m_db) {
        m_begun = Status::of(err::CannotOpen, QStringLiteral("database not open"));
        return;
    }
    if (sqlite3_get_autocommit(m_db)) {
        m_begun = exec(m_db, "BEGIN IMMEDIATE");
    } else {
        static std::atomic<int> counter{0};
        m_savepoint = "onda_sp" + QByteArray::number(++counter);
        m_begun = exec(m_db, "SAVEPOINT " + m_savepoint);
    }
    m_open = m_begun.ok();
}

Transaction::~Transaction() {
    rollback();
}

bool Transaction::isAlive() const {
    return m_open && !sqlite3_get_autocommit(m_db);
}

Status Transaction::commit() {
    if (!m_open)
        return m_begun.ok() ? Status::of(err::TransactionLost, QStringLiteral("already ended")) : m_begun;
    if (!isAlive()) {
        m_open = false;
        return Status::of(err::TransactionLost);
    }
    Status status = exec(m_db, m_savepoint.isEmpty() ? QByteArray("COMMIT") : "RELEASE " + m_savepoint);
    if (status)
        m_open = false;
    return status;
}

void Transaction::rollback() {
    if (!m_open)
        return;
    m_open = false;
    if (sqlite3_get_autocommit(m_db))
        return; // already ended by SQLite
    if (m_savepoint.isEmpty()) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
        sqlite3_exec(m_db, ("ROLLBACK TO " + m_savepoint).constData(), nullptr, nullptr, nullptr);
        sqlite3_exec(m_db, ("RELEASE " + m_savepoint).constData(), nullptr, nullptr, nullptr);
    }
}

Status inTransaction(const QString& path, const std::function<Status(Database&)>& work) {
    Database db;
    if (Status s = db.openShared(path); !s)
        return s;
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    if (Status s = work(db); !s)
        return s; // rolled back by the transaction
    if (!transaction.isAlive())
        return Status::error(err::TransactionLost, QStringLiteral("La transazione e' stata interrotta"));
    return transaction.commit();
}

} // namespace onda
