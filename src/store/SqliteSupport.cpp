#include "store/SqliteSupport.h"

#include <QDate>
#include <QDateTime>

namespace onda::detail {

Status Statement::prepare(sqlite3* db, const QString& sql, QString* rest) {
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    // SQLite stops reading at a NUL and would run only the text before it.
    if (sql.contains(QChar(u'\0')))
        return Status::of(err::InvalidStatement, QStringLiteral("the statement holds a NUL character"));
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, &tail);
    if (rc != SQLITE_OK)
        return statusFrom(db, rc);
    if (rest)
        *rest = tail ? QString::fromUtf8(tail, utf8.constData() + utf8.size() - tail) : QString();
    return {};
}

void Statement::bind(int index, const QVariant& value, bool borrow) {
    if (value.isNull()) {
        sqlite3_bind_null(m_stmt, index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        sqlite3_bind_int64(m_stmt, index, value.toBool() ? -1 : 0);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        sqlite3_bind_int64(m_stmt, index, value.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(m_stmt, index, value.toDouble());
        break;
    case QMetaType::QDate:
        bind(index, isoDate(value.toDate()));
        break;
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        bind(index, dt.time() == QTime(0, 0) ? isoDate(dt.date()) : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        break;
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob(m_stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::QString: {
        const auto* text = static_cast<const QString*>(value.constData());
        sqlite3_bind_text16(m_stmt, index, text->utf16(), int(text->size() * sizeof(char16_t)),
                            borrow ? SQLITE_STATIC : SQLITE_TRANSIENT);
        break;
    }
    default:
        bind(index, value.toString());
        break;
    }
}

void Statement::bindAll(const QVariantList& values) {
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values[i]);
}

Status Statement::run(sqlite3* db) {
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW)
        rc = step();
    if (rc != SQLITE_DONE) {
        Status status = statusFrom(db, rc);
        reset();
        return status;
    }
    reset();
    return {};
}

Status statusFrom(sqlite3* db, int rc) {
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    const int extended = db ? sqlite3_extended_errcode(db) : rc;
    const int primary = rc & 0xff;
    if (primary == SQLITE_NOTADB)
        return Status::error(err::NotADatabase, message);
    // The only authoriser refuses writes to a file its damage check found damaged.
    if (primary == SQLITE_CORRUPT || primary == SQLITE_AUTH)
        return Status::error(err::Damaged, message);
    if (primary == SQLITE_READONLY)
        return Status::error(err::ReadOnly, message);
    if (primary == SQLITE_FULL)
        return Status::error(err::DiskFull, message);
    if (primary == SQLITE_IOERR)
        return Status::error(err::DiskError, message);
    if (primary == SQLITE_NOMEM)
        return Status::error(err::OutOfMemory, message);
    if (message.startsWith(QLatin1String("no such table")))
        return Status::error(err::TableNotFound, message);
    if (message.startsWith(QLatin1String("no such column")) || message.contains(QLatin1String("has no column named")))
        return Status::error(err::FieldNotFound, message);
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return Status::error(err::TableInUse, message);
    if (message.startsWith(QLatin1String("table ")) && message.endsWith(QLatin1String("already exists")))
        return Status::error(err::TableExists, message);
    if (primary == SQLITE_CANTOPEN)
        return Status::error(err::CannotOpen, message);
    return Status::error(extended != 0 ? extended : rc, message);
}

bool isFileFailure(const Status& status) {
    switch (status.number) {
    case err::TableInUse:
    case err::FileInUse:
    case err::ReadOnly:
    case err::Damaged:
    case err::NotADatabase:
    case err::CannotOpen:
    case err::DiskFull:
    case err::DiskError:
    case err::OutOfMemory:
    case err::TransactionLost:
        return true;
    default:
        return false;
    }
}

ReadAs readAsFor(FieldType type) {
    return type == FieldType::Date ? ReadAs::Date : ReadAs::Stored;
}

QVariant columnValue(sqlite3_stmt* stmt, int column, ReadAs how) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT: {
        const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(stmt, column));
        QString value(reinterpret_cast<const QChar*>(text), sqlite3_column_bytes16(stmt, column) / 2);
        if (how == ReadAs::Date) {
            const QDate date = QDate::fromString(value.left(10), Qt::ISODate);
            if (date.isValid())
                return QVariant(date);
        }
        return QVariant(value);
    }
    case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, column));
        return QVariant(QByteArray(data, sqlite3_column_bytes(stmt, column)));
    }
    default:
        return {};
    }
}

QString isoDate(const QDate& date) {
    return date.toString(Qt::ISODate);
}

} // namespace onda::detail
