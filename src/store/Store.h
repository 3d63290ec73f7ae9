#pragma once

#include "store/Database.h"
#include "store/FieldInfo.h"
#include "store/Status.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace onda {

class DamageCheck;

// The program's access to its database file: the silent SQL executor and the
// maintenance operations built on it. Messages go to the sink the application sets.
class Store {
public:
    using MessageSink = std::function<void(const QString&)>;

    void setDatabasePath(const QString& path) { m_databasePath = path; }
    const QString& databasePath() const { return m_databasePath; }
    void setDebugMode(bool on) { m_debugMode = on; }
    bool debugMode() const { return m_debugMode; }
    void setMessageSink(MessageSink sink) { m_sink = std::move(sink); }
    // How the store's own connections wait for locks and grow.
    void setConnectionOptions(const ConnectionOptions& options) { m_options = options; }
    const ConnectionOptions& connectionOptions() const { return m_options; }

    // Start-up check: creates the file with the program's tables when it is missing,
    // adds missing tables, migrates an older schema. It refuses, leaving the file as it
    // is, a file that is not a database (err::NotADatabase), is locked by another program
    // (err::FileInUse), is read-only (err::ReadOnly) or damaged (err::Damaged); the
    // description is then SQLite's own text. Given `deferredCheck`, an existing file's damage
    // check is made there instead, to run on a thread (see DamageCheck for `latestCheckStartMs`),
    // and the file's writes wait for it.
    Status ensureDatabase(std::unique_ptr<DamageCheck>* deferredCheck = nullptr, int latestCheckStartMs = 0) const;

    // Runs one statement on a connection of its own; never reports a failure
    // except in debug mode. connectionString receives the database file the connection opened.
    void ESEGUISQL(QString& connectionString, const QString& sql) const;
    // The same, telling the caller what happened (for code that needs to know).
    Status execute(const QString& sql) const;

    // Runs statements as ESEGUISQL does, one by one, all inside one transaction on one
    // connection: a crash leaves the old data or the new. A statement that fails for its
    // own sake (a missing table) is skipped; a failure of the file (locked, read-only,
    // disk full, I/O error, the transaction ended by SQLite) stops the batch, rolls all
    // of it back and is returned.
    Status ESEGUISQLBatch(const QStringList& statements) const;

    // The indexes of a competition's registration table, made once: by athlete code, as every
    // command of the registration window reads one athlete's rows; by club in order of entry,
    // as the opening counts the club's rows and its grid shows them.
    Status ensureRegistrationIndex(const QString& competition) const;

    // Appends a field to a table; a Long field numbers the rows automatically, a Text one is
    // `size` characters long.
    Status AddTableField(const QString& table, const QString& fieldName, FieldType type, int size) const;

    // Makes sure the competition's registration table has OrdineInserimento; false when the
    // table does not exist.
    bool EnsureInsertionOrder(const QString& competition) const;

private:
    void say(const QString& text) const;
    Status openExisting(Database& db) const;

    QString m_databasePath;
    bool m_debugMode = false;
    MessageSink m_sink;
    ConnectionOptions m_options;
};

// The Italian message start-up shows when ensureDatabase() fails.
QString databaseOpenMessage(const QString& path, const Status& status);

} // namespace onda
