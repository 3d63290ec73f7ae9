#pragma once

#include "store/FieldInfo.h"
#include "store/Status.h"

#include <QVariant>

#include <sqlite3.h>

#include <utility>

namespace onda::detail {

// The one owner of a prepared statement.
class Statement {
public:
    Statement() = default;
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(Statement&& other) noexcept : m_stmt(std::exchange(other.m_stmt, nullptr)) {}
    Statement& operator=(Statement&& other) noexcept {
        if (this != &other) {
            sqlite3_finalize(m_stmt);
            m_stmt = std::exchange(other.m_stmt, nullptr);
        }
        return *this;
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Prepares the first statement of `sql`. When `rest` is given it receives the text after it.
    Status prepare(sqlite3* db, const QString& sql, QString* rest = nullptr);
    bool isNull() const { return m_stmt == nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }

    // Binds by 1-based index. With borrow=true a text is not copied and must outlive the step.
    void bind(int index, const QVariant& value, bool borrow = false);
    void bindAll(const QVariantList& values);
    int step() { return sqlite3_step(m_stmt); }
    void reset() { (void)sqlite3_reset(m_stmt); }
    // Steps until done; rows are skipped.
    Status run(sqlite3* db);

private:
    sqlite3_stmt* m_stmt = nullptr;
};

// Turns an SQLite failure into the store's error numbers.
Status statusFrom(sqlite3* db, int rc);
// A failure of the file or the machine (locked, read-only, damaged, disk full, I/O error)
// rather than of one statement's text: work that spans statements must stop.
bool isFileFailure(const Status& status);

// How a stored value is turned into a QVariant.
enum class ReadAs { Stored, Date };
ReadAs readAsFor(FieldType type);
QVariant columnValue(sqlite3_stmt* stmt, int column, ReadAs how);

// Stored text of a date: ISO so that ORDER BY sorts by date.
QString isoDate(const QDate& date);

} // namespace onda::detail
