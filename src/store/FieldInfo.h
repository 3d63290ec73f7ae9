#pragma once

#include <QString>

namespace onda {

// Field types, numbered as the statements and AddTableField number them.
enum class FieldType : int {
    Boolean = 1,
    Byte = 2,
    Integer = 3,
    Long = 4,
    Currency = 5,
    Single = 6,
    Double = 7,
    Date = 8,
    Text = 10,
    Memo = 12,
};

struct FieldInfo {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0;               // declared length of a text field; 0 when none
    bool autoIncrement = false; // numbered by the database on insertion
};

} // namespace onda
