#pragma once

#include "store/FieldInfo.h"
#include "store/Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <future>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace onda {

// How a connection waits and grows.
struct ConnectionOptions {
    int busyTimeoutMs = 2000; // how long a statement waits for another program's lock
    int maxPageCount = 0;     // 0: none; otherwise the file cannot grow past this many pages
};

// One open connection to a database file (RAII over sqlite3*).
// Statements handed to it are in the dialect the program writes; they are translated
// (SqlDialect) before SQLite sees them.
namespace detail {
// Writes to `file` (SQLite's name of a connection's main file), on any connection, wait for
// `verdict` and are refused when it is err::Damaged or err::NotADatabase (see DamageCheck);
// an empty `verdict` lets them go again. A write calls `hurry`, if any, before it waits.
void holdWrites(const QByteArray& file, const std::shared_future<Status>& verdict, std::function<void()> hurry = {});
} // namespace detail

class Database {
public:
    Database();
    ~Database();
    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing file; with create=true a missing file is created (empty).
    Status open(const QString& path, bool create = false, const ConnectionOptions& options = {});
    // Opens an existing file on the connection other shared openers of this thread use.
    Status openShared(const QString& path);
    void close();
    bool isOpen() const;
    const QString& path() const;
    // True when SQLite could open the file only for reading.
    bool isReadOnly() const;

    // Runs one statement that returns no rows.
    Status execute(const QString& statement);

    // Runs a query; rows as value lists in result-column order.
    struct Result {
        QList<FieldInfo> fields;
        QList<QVariantList> rows;
    };
    Status query(const QString& statement, Result& out, const QVariantList& parameters = {});

    // One row of a query read in place: valid only inside the call it is handed to.
    class Row {
    public:
        explicit Row(sqlite3_stmt* statement) : m_statement(statement) {}
        enum class Type { Null, Integer, Real, Text, Blob };
        Type type(int column) const; // as stored in this row
        bool isNull(int column) const;
        qint64 integer(int column) const; // 0 for null; text is read as a number
        double real(int column) const;
        QString text(int column) const;
        // The stored text's bytes, without a copy: they change with the next row.
        QByteArrayView bytes(int column) const;
        QDate date(int column) const; // invalid when not a stored date

    private:
        sqlite3_stmt* m_statement;
    };
    // Runs a query and hands each row to `each` as it is read, no row kept: for many rows.
    Status read(const QString& statement, const QVariantList& parameters, const std::function<void(const Row&)>& each);

    // Adds rows to a table, each a list of values for `fields` in order, every value stored as
    // a data source would store it (text into numbers and dates converted, refused when it
    // cannot be). One prepared statement for all: the fast way for many rows; the caller
    // brings the transaction. A refused value stops at that row.
    Status insertRows(const QString& table, const QStringList& fields, const QList<QVariantList>& rows);
    // The same with the rows handed over one at a time: `next` fills the row and returns true,
    // or returns false after the last. No more than one row is held.
    using RowSource = std::function<bool(QVariantList& row)>;
    Status insertRows(const QString& table, const QStringList& fields, const RowSource& next);

    // Columns of a table (names as declared); TableNotFound when it does not exist.
    Status tableFields(const QString& table, QList<FieldInfo>& out);
    bool tableExists(const QString& table);

    // Appends a field; an auto-increment field rebuilds the table in one transaction and
    // becomes the row id: every row keeps its id, so existing rows are numbered in their
    // stored order (gaps left by deleted rows stay).
    Status appendField(const QString& table, const FieldInfo& field);

    // Creates a table with the given fields (no rows).
    Status createTable(const QString& table, const QList<FieldInfo>& fields);

    sqlite3* handle() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Column declaration used for a field of the given description, e.g. "VARCHAR(50) COLLATE NOCASE".
QString declarationFor(const FieldInfo& field);
// The description of a column from its declared type text.
FieldInfo fieldInfoFromDeclaration(const QString& name, const QString& declaredType, bool integerPrimaryKey);

} // namespace onda
