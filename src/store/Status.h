#pragma once

#include <QString>

namespace onda {

// Error numbers that callers test for. Other engine failures keep SQLite's own code.
namespace err {
inline constexpr int TableNotFound = 3078;   // "The engine cannot find the input table or query"
inline constexpr int FieldNotFound = 3265;   // "Item not found in this collection."
inline constexpr int TableInUse = 3211;      // table locked by another user or process
inline constexpr int TableExists = 3010;     // "Table already exists."
inline constexpr int NotEditing = 3020;      // "Update or CancelUpdate without AddNew or Edit."
inline constexpr int NoCurrentRecord = 3021; // "No current record."
inline constexpr int ReadOnly = 3027;        // "Cannot update. Database or object is read-only."
inline constexpr int RecordDeleted = 3167;   // "Record is deleted."
inline constexpr int TypeMismatch = 3421;    // "Data type conversion error."
inline constexpr int CannotOpen = 3044;      // database file cannot be opened
} // namespace err

// The one error convention of the store: every operation that can fail returns a Status.
struct Status {
    int number = 0;
    QString description;

    bool ok() const { return number == 0; }
    explicit operator bool() const { return ok(); }

    static Status success() { return {}; }
    static Status error(int n, const QString& text) { return {n, text}; }
};

} // namespace onda
