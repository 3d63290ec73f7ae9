#include "store/Store.h"

#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QFileInfo>

namespace onda {

namespace {

// Restores a source's record source and set when the scope ends.
class RecordSourceSwap {
public:
    RecordSourceSwap(DataSource& source, const QString& temporary) : m_source(source), m_saved(source.recordSource()) {
        m_source.setRecordSource(temporary);
        m_source.refresh();
    }
    ~RecordSourceSwap() {
        m_source.setRecordSource(m_saved);
        m_source.refresh();
    }
    RecordSourceSwap(const RecordSourceSwap&) = delete;
    RecordSourceSwap& operator=(const RecordSourceSwap&) = delete;

private:
    DataSource& m_source;
    QString m_saved;
};

} // namespace

Status Store::ensureDatabase() const {
    Database db;
    if (Status s = db.open(m_databasePath, !QFileInfo::exists(m_databasePath)); !s)
        return s;
    return createSchema(db);
}

void Store::ESEGUISQL(QString& connectionString, const QString& sql) const {
    if (m_debugMode)
        say(QStringLiteral("ESEGUISQL: sql=") + sql);
    connectionString = connectionStringFor(m_databasePath);
    const Status status = execute(sql);
    if (!status && m_debugMode)
        say(QStringLiteral("ESEGUISQL: err=") + status.description);
}

Status Store::execute(const QString& sql) const {
    Database db;
    if (!QFileInfo(m_databasePath).isFile())
        return Status::error(err::CannotOpen, QStringLiteral("Cannot find database file '%1'.").arg(m_databasePath));
    if (Status s = db.open(m_databasePath, false); !s)
        return s;
    return db.execute(sql);
}

void Store::bindToDatabase(const QList<DataSource*>& sources, const QString& databasePath) {
    for (DataSource* source : sources) {
        if (!source)
            continue;
        source->setDatabaseFile(databasePath);
        source->refresh();
    }
}

void Store::ESEGUISQLBatch(const QStringList& statements) const {
    Database db;
    Status opened =
        QFileInfo(m_databasePath).isFile()
            ? db.open(m_databasePath, false)
            : Status::error(err::CannotOpen, QStringLiteral("Cannot find database file '%1'.").arg(m_databasePath));
    if (opened)
        opened = db.beginTransaction();
    for (const QString& sql : statements) {
        if (m_debugMode)
            say(QStringLiteral("ESEGUISQL: sql=") + sql);
        const Status status = opened ? db.execute(sql) : opened;
        if (!status && m_debugMode)
            say(QStringLiteral("ESEGUISQL: err=") + status.description);
    }
    if (!opened)
        return;
    if (const Status status = db.commit(); !status) {
        db.rollback();
        if (m_debugMode)
            say(QStringLiteral("ESEGUISQL: err=") + status.description);
    }
}

int Store::CountRecords(DataSource& source) {
    if (!source.refresh() || !source.moveFirst() || !source.moveLast())
        return 0;
    const int count = source.rowCount();
    source.moveFirst();
    return count;
}

Status Store::AddTableField(const QString& table, DataSource& source, const QString& fieldName, int type,
                            int size) const {
    const RecordSourceSwap swap(source, QStringLiteral("nprg"));
    FieldInfo field;
    field.name = fieldName;
    switch (type) {
    case 4:
        field.type = FieldType::Long;
        field.autoIncrement = true;
        break;
    case 7:
        field.type = FieldType::Double;
        break;
    case 10:
        field.type = FieldType::Text;
        field.size = size;
        break;
    default:
        field.type = static_cast<FieldType>(type);
        field.size = size;
        break;
    }
    const QString path = source.databaseFile().isEmpty() ? m_databasePath : source.databaseFile();
    Database db;
    if (!QFileInfo(path).isFile())
        return Status::error(err::CannotOpen, QStringLiteral("Cannot find database file '%1'.").arg(path));
    if (Status s = db.open(path, false); !s)
        return s;
    return db.appendField(table, field);
}

void Store::EnsureInsertionOrder(DataSource& registrations, DataSource& workspaceRegistrations,
                                 const QString& competition) const {
    if (!registrations.isOpen() && !registrations.refresh())
        return;
    // The field's absence is read from the set's fields: an empty old table lacks it as well.
    if (registrations.fieldIndex(QStringLiteral("ordineInserimento")) >= 0)
        return;
    say(QStringLiteral("Aggiungo ordine inserimento"));
    const QString table = QStringLiteral("nprg") + competition;
    {
        const RecordSourceSwap swap(workspaceRegistrations, QStringLiteral("nprg"));
        AddTableField(table, registrations, QStringLiteral("ordineInserimento"), 4, 4);
    }
    registrations.setRecordSource(registrations.recordSource());
    registrations.refresh();
}

QString Store::connectionStringFor(const QString& databasePath) {
    return QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=") + databasePath +
           QStringLiteral(";FIL=MS Access;MaxBufferSize=512;PageTimeout=5;");
}

void Store::say(const QString& text) const {
    if (m_sink)
        m_sink(text);
}

} // namespace onda
