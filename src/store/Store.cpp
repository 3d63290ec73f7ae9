#include "store/Store.h"

#include "store/DamageCheck.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/SqliteSupport.h"
#include "store/Transaction.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <optional>

namespace onda {

namespace {

// A lock at start-up is another program's, whatever statement met it.
Status startupStatus(Status status) {
    if (status.number == err::TableInUse)
        status.number = err::FileInUse;
    return status;
}

} // namespace

Status Store::ensureDatabase(std::unique_ptr<DamageCheck>* deferredCheck, int latestCheckStartMs) const {
    const bool creating = !QFileInfo::exists(m_databasePath);
    Database db;
    if (Status s = db.open(m_databasePath, creating, m_options); !s)
        return s;
    // Reading the whole file once tells a foreign or damaged file before any write: here, or
    // on a thread of its own that every write waits for.
    if (deferredCheck && !creating)
        *deferredCheck = std::make_unique<DamageCheck>(m_databasePath, m_options, latestCheckStartMs);
    else if (Status s = checkForDamage(db); !s)
        return startupStatus(s);
    if (db.isReadOnly())
        return Status::error(err::ReadOnly, QString::fromUtf8(sqlite3_errstr(SQLITE_READONLY)));
    return startupStatus(createSchema(db));
}

QString databaseOpenMessage(const QString& path, const Status& status) {
    QString cause;
    switch (status.number) {
    case err::NotADatabase:
        cause = QStringLiteral("il file non e' un database.");
        break;
    case err::FileInUse:
    case err::TableInUse:
        cause = QStringLiteral("il file e' bloccato da un altro programma.");
        break;
    case err::ReadOnly:
        cause = QStringLiteral("il file e' di sola lettura.");
        break;
    case err::Damaged:
        cause = QStringLiteral("il file e' danneggiato.");
        break;
    default:
        return QStringLiteral("Impossibile aprire o creare il database ") + path + QStringLiteral(": ") +
               status.description;
    }
    return QStringLiteral("Impossibile aprire il database ") + path + QStringLiteral(": ") + cause + QLatin1Char(' ') +
           status.description;
}

void Store::ESEGUISQL(QString& connectionString, const QString& sql) const {
    if (m_debugMode)
        say(QStringLiteral("ESEGUISQL: sql=") + sql);
    connectionString = m_databasePath;
    const Status status = execute(sql);
    if (!status && m_debugMode)
        say(QStringLiteral("ESEGUISQL: err=") + status.description);
}

Status Store::execute(const QString& sql) const {
    Database db;
    if (Status s = openExisting(db); !s)
        return s;
    return db.execute(sql);
}

Status Store::openExisting(Database& db) const {
    if (!QFileInfo(m_databasePath).isFile())
        return Status::of(err::CannotOpen, m_databasePath);
    return db.open(m_databasePath, false, m_options);
}

Status Store::ESEGUISQLBatch(const QStringList& statements) const {
    Database db;
    Status status = openExisting(db);
    if (status && db.isReadOnly())
        status = Status::error(err::ReadOnly, QString::fromUtf8(sqlite3_errstr(SQLITE_READONLY)));
    std::optional<Transaction> transaction;
    if (status) {
        transaction.emplace(db);
        status = transaction->begun();
    }
    if (!status) {
        for (const QString& sql : statements) {
            if (m_debugMode) {
                say(QStringLiteral("ESEGUISQL: sql=") + sql);
                say(QStringLiteral("ESEGUISQL: err=") + status.description);
            }
        }
        return status;
    }
    for (const QString& sql : statements) {
        if (m_debugMode)
            say(QStringLiteral("ESEGUISQL: sql=") + sql);
        Status result = db.execute(sql);
        if (!result && m_debugMode)
            say(QStringLiteral("ESEGUISQL: err=") + result.description);
        // Once SQLite has ended the transaction every later statement would commit on its own.
        if (result && !transaction->isAlive())
            result = Status::of(err::TransactionLost, sql);
        if (!result && (detail::isFileFailure(result) || !transaction->isAlive()))
            return result; // the transaction rolls back on leaving
    }
    status = transaction->commit();
    if (!status && m_debugMode)
        say(QStringLiteral("ESEGUISQL: err=") + status.description);
    return status;
}

Status Store::AddTableField(const QString& table, const QString& fieldName, FieldType type, int size) const {
    FieldInfo field;
    field.name = fieldName;
    switch (type) {
    case FieldType::Long: // numbers the rows
        field.type = FieldType::Long;
        field.autoIncrement = true;
        break;
    case FieldType::Double:
        field.type = FieldType::Double;
        break;
    default:
        field.type = type;
        field.size = size;
        break;
    }
    Database db;
    if (Status s = openExisting(db); !s)
        return s;
    return db.appendField(table, field);
}

bool Store::EnsureInsertionOrder(const QString& competition) const {
    const QString table = registrationTable(competition);
    QList<FieldInfo> fields;
    Database db;
    Status read = openExisting(db);
    if (read)
        read = db.tableFields(table, fields);
    if (read.number == err::TableNotFound)
        return false;
    // Any other failure is passed over: opening the competition goes on, and its window tells it.
    const bool present = std::any_of(fields.cbegin(), fields.cend(), [](const FieldInfo& f) {
        return f.name.compare(QLatin1String("ordineInserimento"), Qt::CaseInsensitive) == 0;
    });
    if (!read || present)
        return true;
    say(QStringLiteral("Aggiungo ordine inserimento"));
    db.close();
    // A failure here is not reported: opening the competition goes on.
    (void)AddTableField(table, QStringLiteral("ordineInserimento"), FieldType::Long, 4);
    return true;
}

Status Store::ensureRegistrationIndex(const QString& competition) const {
    const QString table = registrationTable(competition);
    if (Status s = execute(QStringLiteral("CREATE INDEX IF NOT EXISTS [") + table + QStringLiteral("_codatl] ON [") +
                           table + QStringLiteral("] (codatl)"));
        !s)
        return s;
    return execute(QStringLiteral("CREATE INDEX IF NOT EXISTS [") + table + QStringLiteral("_soc] ON [") + table +
                   QStringLiteral("] (soc, OrdineInserimento)"));
}

void Store::say(const QString& text) const {
    if (m_sink)
        m_sink(text);
}

} // namespace onda
