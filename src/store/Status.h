#pragma once

#include <QString>

namespace onda {

// Error numbers that callers test for. Other engine failures keep SQLite's own code.
namespace err {
inline constexpr int TableNotFound = 3078;    // table or query not found
inline constexpr int FieldNotFound = 3265;    // item not found in the collection
inline constexpr int TableInUse = 3211;       // table locked by another user or process
inline constexpr int TableExists = 3010;      // table already exists
inline constexpr int FieldExists = 3191;      // field defined more than once
inline constexpr int NotEditing = 3020;       // update without add-new or edit
inline constexpr int NoCurrentRecord = 3021;  // no current record
inline constexpr int ReadOnly = 3027;         // database or object is read-only
inline constexpr int RecordDeleted = 3167;    // the row is no longer there
inline constexpr int TypeMismatch = 3421;     // a value the field cannot hold
inline constexpr int Overflow = 3349;         // a number out of the field's range
inline constexpr int CannotOpen = 3044;       // database file cannot be opened
inline constexpr int FileInUse = 3045;        // file locked by another program
inline constexpr int Damaged = 3049;          // file damaged
inline constexpr int NotADatabase = 3343;     // file is not a database
inline constexpr int ExtraText = 3142;        // characters after the end of the statement
inline constexpr int InvalidStatement = 3129; // a statement the store refuses to run
inline constexpr int TransactionLost = 3034;  // the engine ended the transaction
inline constexpr int DiskFull = 3183;         // no room left for the file
inline constexpr int DiskError = 3043;        // the disk failed to read or write
inline constexpr int OutOfMemory = 3035;      // system resource exceeded
} // namespace err

// The standard description of an error number of the store; empty for SQLite's own codes.
QString errorText(int number);

// The one error convention of the store: every operation that can fail returns a Status.
struct [[nodiscard]] Status {
    int number = 0;
    QString description;

    bool ok() const { return number == 0; }
    explicit operator bool() const { return ok(); }

    static Status success() { return {}; }
    static Status error(int n, const QString& text) { return {n, text}; }
    // The number's standard description, with an optional detail such as a field name.
    static Status of(int n, const QString& detail = {}) {
        QString text = errorText(n);
        if (!detail.isEmpty())
            text = text.isEmpty() ? detail : text + QStringLiteral(" (") + detail + QLatin1Char(')');
        return {n, text};
    }
};

} // namespace onda
