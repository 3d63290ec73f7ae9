#include "store/Status.h"

namespace onda {

QString errorText(int number) {
    switch (number) {
    case err::TableNotFound:
        return QStringLiteral("The database engine cannot find the input table or query.");
    case err::FieldNotFound:
        return QStringLiteral("Item not found in this collection.");
    case err::TableInUse:
        return QStringLiteral("The table is in use by another person or process.");
    case err::TableExists:
        return QStringLiteral("Table already exists.");
    case err::FieldExists:
        return QStringLiteral("Field defined more than once.");
    case err::NotEditing:
        return QStringLiteral("Update or CancelUpdate without AddNew or Edit.");
    case err::NoCurrentRecord:
        return QStringLiteral("No current record.");
    case err::ReadOnly:
        return QStringLiteral("Cannot update. Database or object is read-only.");
    case err::RecordDeleted:
        return QStringLiteral("Record is deleted.");
    case err::TypeMismatch:
        return QStringLiteral("Data type conversion error.");
    case err::Overflow:
        return QStringLiteral("Numeric field overflow.");
    case err::CannotOpen:
        return QStringLiteral("Cannot open the database file.");
    case err::FileInUse:
        return QStringLiteral("The file is locked by another program.");
    case err::Damaged:
        return QStringLiteral("The database file is damaged.");
    case err::NotADatabase:
        return QStringLiteral("The file is not a database.");
    case err::ExtraText:
        return QStringLiteral("Characters found after end of SQL statement.");
    case err::InvalidStatement:
        return QStringLiteral("Invalid SQL statement.");
    case err::TransactionLost:
        return QStringLiteral("The transaction was ended by the database engine.");
    case err::DiskFull:
        return QStringLiteral("Not enough space on the disk.");
    case err::DiskError:
        return QStringLiteral("Disk or network error.");
    case err::OutOfMemory:
        return QStringLiteral("System resource exceeded.");
    default:
        return {};
    }
}

} // namespace onda
