#include "store/Database.h"

#include "store/FieldValues.h"

#include "store/SqlDialect.h"
#include "store/SqlFunctions.h"
#include "store/SqlTokens.h"
#include "store/SqliteSupport.h"
#include "store/Transaction.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>

namespace onda {

using detail::Statement;
using detail::statusFrom;

namespace {

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

QString columnList(const QList<FieldInfo>& fields) {
    QStringList names;
    for (const FieldInfo& f : fields)
        names << sql::quoteName(f.name);
    return names.join(QLatin1String(", "));
}

} // namespace

// Connections that data sources of this thread share, by file: opening one and reading its
// schema costs far more than the queries a window runs at start-up.
QHash<QString, std::weak_ptr<sqlite3>>& sharedConnections() {
    thread_local QHash<QString, std::weak_ptr<sqlite3>> connections;
    return connections;
}

namespace {

// The damage checks under way or done, by SQLite's name of the file.
struct HeldFile {
    std::shared_future<Status> verdict;
    std::function<void()> hurry;
};
struct WriteGate {
    std::mutex lock;
    QHash<QByteArray, HeldFile> checks;
    std::atomic<int> count{0};
};

WriteGate& writeGate() {
    static WriteGate gate;
    return gate;
}

// Whether a write to `file` may go ahead: waits for a check under way on it.
bool writeAllowed(const char* file) {
    WriteGate& gate = writeGate();
    if (gate.count.load() == 0 || !file)
        return true;
    HeldFile check;
    {
        const std::lock_guard<std::mutex> hold(gate.lock);
        check = gate.checks.value(QByteArray(file));
    }
    if (!check.verdict.valid())
        return true;
    if (check.hurry) // a check still waiting for its turn begins now
        check.hurry();
    const int number = check.verdict.get().number;
    return number != err::Damaged && number != err::NotADatabase;
}

// A statement that would write to a file waits for the file's damage check under way, if any.
int authorise(void* handle, int action, const char* arg1, const char* arg2, const char* database, const char*) {
    switch (action) {
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
    case SQLITE_CREATE_INDEX:
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_CREATE_VIEW:
    case SQLITE_DROP_INDEX:
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_TRIGGER:
    case SQLITE_DROP_VIEW:
    case SQLITE_ALTER_TABLE:
    case SQLITE_REINDEX:
    case SQLITE_ANALYZE:
        break;
    case SQLITE_PRAGMA:
        if (arg2 && arg1 && sqlite3_stricmp(arg1, "user_version") == 0)
            break;
        return SQLITE_OK;
    default:
        return SQLITE_OK;
    }
    // SQLite's own bookkeeping of the schema (a table-valued function declared) is no write
    // of ours; a real change of the schema comes with an action of its own.
    if (!database || sqlite3_stricmp(database, "temp") == 0 ||
        (arg1 && (sqlite3_stricmp(arg1, "sqlite_master") == 0 || sqlite3_stricmp(arg1, "sqlite_schema") == 0)))
        return SQLITE_OK;
    return writeAllowed(sqlite3_db_filename(static_cast<sqlite3*>(handle), database)) ? SQLITE_OK : SQLITE_DENY;
}

} // namespace

namespace detail {

void holdWrites(const QByteArray& file, const std::shared_future<Status>& verdict, std::function<void()> hurry) {
    WriteGate& gate = writeGate();
    const std::lock_guard<std::mutex> hold(gate.lock);
    if (verdict.valid())
        gate.checks.insert(file, {verdict, std::move(hurry)});
    else
        gate.checks.remove(file);
    gate.count = int(gate.checks.size());
}

} // namespace detail

struct Database::Impl {
    std::shared_ptr<sqlite3> db;
    QString path;

    Status copyTable(Database& self, const QString& source, const QString& target);
};

Database::Database() : d(std::make_unique<Impl>()) {}
Database::~Database() = default;
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;

Status Database::open(const QString& path, bool create, const ConnectionOptions& options) {
    if (!d)
        d = std::make_unique<Impl>();
    close();
    if (path.isEmpty())
        return Status::of(err::CannotOpen, QStringLiteral("no database file"));
    sqlite3* raw = nullptr;
    // A connection is used by one thread at a time: no lock around every column read.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    std::unique_ptr<sqlite3, Closer> db(raw);
    if (rc != SQLITE_OK) {
        Status status = statusFrom(raw, rc);
        if ((rc & 0xff) == SQLITE_CANTOPEN)
            status.number = err::CannotOpen;
        status.description = QStringLiteral("Cannot open database file '%1': %2").arg(path, status.description);
        return status;
    }
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, options.busyTimeoutMs);
    // An unknown name in double quotes must fail, not become a text: the dialect's
    // "..." literals are translated before SQLite sees them.
    sqlite3_db_config(raw, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    detail::registerSqlFunctions(raw);
    sqlite3_set_authorizer(raw, &authorise, raw);
    if (options.maxPageCount > 0) {
        const QByteArray pragma = "PRAGMA max_page_count = " + QByteArray::number(options.maxPageCount);
        sqlite3_exec(raw, pragma.constData(), nullptr, nullptr, nullptr);
    }
    d->db = std::shared_ptr<sqlite3>(db.release(), Closer());
    d->path = path;
    return {};
}

Status Database::openShared(const QString& path) {
    if (!d)
        d = std::make_unique<Impl>();
    close();
    if (std::shared_ptr<sqlite3> existing = sharedConnections().value(path).lock()) {
        d->db = std::move(existing);
        d->path = path;
        return {};
    }
    if (Status s = open(path, false); !s)
        return s;
    sharedConnections().insert(path, d->db);
    return {};
}

void Database::close() {
    if (!d)
        return;
    d->db.reset();
    d->path.clear();
}

bool Database::isOpen() const {
    return d && d->db;
}

const QString& Database::path() const {
    return d->path;
}

bool Database::isReadOnly() const {
    return isOpen() && sqlite3_db_readonly(handle(), "main") == 1;
}

sqlite3* Database::handle() const {
    return d ? d->db.get() : nullptr;
}

Status Database::execute(const QString& statement) {
    if (!isOpen())
        return Status::of(err::CannotOpen, QStringLiteral("database not open"));
    const TranslatedStatement translated = translateStatement(statement);
    if (translated.kind == TranslatedStatement::Kind::CopyTable)
        return d->copyTable(*this, translated.source, translated.target);

    Statement stmt;
    QString rest;
    if (Status s = stmt.prepare(handle(), translated.sql, &rest); !s)
        return s;
    if (!rest.isEmpty()) {
        // Only one statement per call: anything after it is refused, not run.
        Statement extra;
        if (Status s = extra.prepare(handle(), rest); !s || !extra.isNull())
            return Status::of(err::ExtraText);
    }
    if (stmt.isNull())
        return {};
    return stmt.run(handle());
}

Status Database::query(const QString& statement, Result& out, const QVariantList& parameters) {
    out = {};
    if (!isOpen())
        return Status::of(err::CannotOpen, QStringLiteral("database not open"));
    const TranslatedStatement translated = translateStatement(statement);
    if (translated.kind == TranslatedStatement::Kind::CopyTable)
        return d->copyTable(*this, translated.source, translated.target);
    Statement stmt;
    if (Status s = stmt.prepare(handle(), translated.sql); !s)
        return s;
    if (stmt.isNull())
        return {};
    stmt.bindAll(parameters);
    sqlite3_stmt* raw = stmt.get();
    const int columns = sqlite3_column_count(raw);
    QList<detail::ReadAs> readAs;
    for (int c = 0; c < columns; ++c) {
        const char* decl = sqlite3_column_decltype(raw, c);
        FieldInfo info = fieldInfoFromDeclaration(QString::fromUtf8(sqlite3_column_name(raw, c)),
                                                  QString::fromUtf8(decl ? decl : ""), false);
        readAs << detail::readAsFor(info.type);
        out.fields << info;
    }
    int rc;
    while ((rc = stmt.step()) == SQLITE_ROW) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row << detail::columnValue(raw, c, readAs[c]);
        out.rows << row;
    }
    if (rc != SQLITE_DONE) {
        out.rows.clear();
        return statusFrom(handle(), rc);
    }
    return {};
}

Status Database::read(const QString& statement, const QVariantList& parameters,
                      const std::function<void(const Row&)>& each) {
    if (!isOpen())
        return Status::of(err::CannotOpen, QStringLiteral("database not open"));
    Statement stmt;
    if (Status s = stmt.prepare(handle(), translateStatement(statement).sql); !s)
        return s;
    if (stmt.isNull())
        return {};
    stmt.bindAll(parameters);
    const Row row(stmt.get());
    int rc;
    while ((rc = stmt.step()) == SQLITE_ROW)
        each(row);
    return rc == SQLITE_DONE ? Status{} : statusFrom(handle(), rc);
}

Database::Row::Type Database::Row::type(int column) const {
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return Type::Integer;
    case SQLITE_FLOAT:
        return Type::Real;
    case SQLITE_TEXT:
        return Type::Text;
    case SQLITE_BLOB:
        return Type::Blob;
    default:
        return Type::Null;
    }
}

bool Database::Row::isNull(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

qint64 Database::Row::integer(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

double Database::Row::real(int column) const {
    return sqlite3_column_double(m_statement, column);
}

QString Database::Row::text(int column) const {
    // Stored as UTF-8: Qt's decoder is quicker than SQLite's own conversion.
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(m_statement, column)) : QString();
}

QByteArrayView Database::Row::bytes(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return {text, text ? sqlite3_column_bytes(m_statement, column) : 0};
}

QDate Database::Row::date(int column) const {
    const QByteArrayView stored = bytes(column);
    return QDate::fromString(QString::fromLatin1(stored.first(std::min<qsizetype>(10, stored.size()))), Qt::ISODate);
}

Status Database::insertRows(const QString& table, const QStringList& fields, const QList<QVariantList>& rows) {
    qsizetype at = 0;
    return insertRows(table, fields, [&](QVariantList& row) {
        if (at == rows.size())
            return false;
        row = rows.at(at++);
        return true;
    });
}

Status Database::insertRows(const QString& table, const QStringList& fields, const RowSource& next) {
    QList<FieldInfo> columns;
    if (Status s = tableFields(table, columns); !s)
        return s;
    QList<FieldInfo> targets;
    QStringList names;
    QStringList marks;
    for (const QString& field : fields) {
        const auto found = std::find_if(columns.cbegin(), columns.cend(), [&field](const FieldInfo& c) {
            return c.name.compare(field, Qt::CaseInsensitive) == 0;
        });
        if (found == columns.cend())
            return Status::of(err::FieldNotFound, field);
        targets << *found;
        names << QLatin1Char('[') + found->name + QLatin1Char(']');
        marks << QStringLiteral("?");
    }
    Statement stmt;
    if (Status s = stmt.prepare(handle(), QStringLiteral("insert into [") + table + QStringLiteral("] (") +
                                              names.join(QLatin1Char(',')) + QStringLiteral(") values (") +
                                              marks.join(QLatin1Char(',')) + QLatin1Char(')'));
        !s)
        return s;
    QVariantList stored;
    for (QVariantList row; next(row);) {
        stored.clear();
        for (qsizetype i = 0; i < targets.size(); ++i) {
            QVariant value;
            if (Status s = storedFieldValue(targets.at(i), row.value(i), value); !s)
                return s;
            stored << value;
        }
        stmt.bindAll(stored);
        const int rc = stmt.step();
        stmt.reset();
        if (rc != SQLITE_DONE)
            return statusFrom(handle(), rc);
    }
    return {};
}

Status Database::tableFields(const QString& table, QList<FieldInfo>& out) {
    out.clear();
    if (!isOpen())
        return Status::of(err::CannotOpen, QStringLiteral("database not open"));
    Statement stmt;
    if (Status s = stmt.prepare(handle(), QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?1)")); !s)
        return s;
    stmt.bind(1, table);
    QList<FieldInfo> fields;
    QList<bool> primary;
    int rc;
    while ((rc = stmt.step()) == SQLITE_ROW) {
        const auto text = [&](int c) {
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), c)));
        };
        fields << fieldInfoFromDeclaration(text(0), text(1), false);
        primary << (sqlite3_column_int(stmt.get(), 2) != 0);
    }
    if (rc != SQLITE_DONE)
        return statusFrom(handle(), rc);
    if (fields.isEmpty())
        return Status::of(err::TableNotFound, table);
    // Only a lone INTEGER PRIMARY KEY is the row number.
    if (primary.count(true) == 1) {
        const qsizetype k = primary.indexOf(true);
        if (fields[k].type == FieldType::Long)
            fields[k] = fieldInfoFromDeclaration(fields[k].name, QStringLiteral("INTEGER"), true);
    }
    out = fields;
    return {};
}

bool Database::tableExists(const QString& table) {
    if (!isOpen())
        return false;
    Statement stmt;
    if (!stmt.prepare(handle(), QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 "
                                               "COLLATE NOCASE")))
        return false;
    stmt.bind(1, table);
    return stmt.step() == SQLITE_ROW;
}

Status Database::appendField(const QString& table, const FieldInfo& field) {
    QList<FieldInfo> fields;
    if (Status s = tableFields(table, fields); !s)
        return s;
    for (const FieldInfo& f : fields) {
        if (f.name.compare(field.name, Qt::CaseInsensitive) == 0)
            return Status::of(err::FieldExists, field.name);
    }
    if (!field.autoIncrement) {
        Statement stmt;
        if (Status s = stmt.prepare(handle(),
                                    QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                                        .arg(sql::quoteName(table), sql::quoteName(field.name), declarationFor(field)));
            !s)
            return s;
        return stmt.run(handle());
    }

    // SQLite cannot add a numbering column: rebuild. The new column is the row's id, so
    // every row keeps its id (sources opened before still reach the same rows) and the
    // existing rows are numbered in their stored order.
    const QString scratch = table + QStringLiteral("_onda_rebuild");
    QList<FieldInfo> widened = fields;
    widened << field;
    Transaction transaction(*this);
    if (!transaction.begun())
        return transaction.begun();
    const QString cols = columnList(fields);
    const QStringList steps = {
        QStringLiteral("INSERT INTO %1 (%3, %2) SELECT rowid, %2 FROM %4 ORDER BY rowid")
            .arg(sql::quoteName(scratch), cols, sql::quoteName(field.name), sql::quoteName(table)),
        QStringLiteral("DROP TABLE %1").arg(sql::quoteName(table)),
        QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(sql::quoteName(scratch), sql::quoteName(table)),
    };
    Status status = createTable(scratch, widened);
    for (const QString& step : steps) {
        if (!status)
            break;
        Statement stmt;
        status = stmt.prepare(handle(), step);
        if (status)
            status = stmt.run(handle());
    }
    return status ? transaction.commit() : status;
}

Status Database::createTable(const QString& table, const QList<FieldInfo>& fields) {
    if (!isOpen())
        return Status::of(err::CannotOpen, QStringLiteral("database not open"));
    QStringList defs;
    for (const FieldInfo& f : fields)
        defs << sql::quoteName(f.name) + QLatin1Char(' ') + declarationFor(f);
    Statement stmt;
    if (Status s = stmt.prepare(
            handle(),
            QStringLiteral("CREATE TABLE %1 (%2)").arg(sql::quoteName(table), defs.join(QLatin1String(", "))));
        !s)
        return s;
    return stmt.run(handle());
}

Status Database::Impl::copyTable(Database& self, const QString& source, const QString& target) {
    if (self.tableExists(target))
        return Status::of(err::TableExists, target);
    QList<FieldInfo> fields;
    if (Status s = self.tableFields(source, fields); !s)
        return s;
    Transaction transaction(db.get());
    if (!transaction.begun())
        return transaction.begun();
    Status status = self.createTable(target, fields);
    if (status) {
        const QString cols = columnList(fields);
        Statement stmt;
        status = stmt.prepare(db.get(), QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 ORDER BY rowid")
                                            .arg(sql::quoteName(target), cols, sql::quoteName(source)));
        if (status)
            status = stmt.run(db.get());
    }
    return status ? transaction.commit() : status;
}

QString declarationFor(const FieldInfo& field) {
    switch (field.type) {
    case FieldType::Long:
        return field.autoIncrement ? QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT") : QStringLiteral("INTEGER");
    case FieldType::Integer:
        return QStringLiteral("SMALLINT");
    case FieldType::Byte:
        return QStringLiteral("TINYINT");
    case FieldType::Double:
        return QStringLiteral("DOUBLE");
    case FieldType::Single:
        return QStringLiteral("REAL");
    case FieldType::Currency:
        return QStringLiteral("CURRENCY");
    case FieldType::Date:
        return QStringLiteral("DATETIME");
    case FieldType::Boolean:
        return QStringLiteral("YESNO");
    case FieldType::Text:
        return QStringLiteral("VARCHAR(%1) COLLATE NOCASE").arg(field.size > 0 ? field.size : 255);
    case FieldType::Memo:
        return QStringLiteral("LONGTEXT COLLATE NOCASE");
    }
    return QStringLiteral("VARCHAR(255) COLLATE NOCASE");
}

FieldInfo fieldInfoFromDeclaration(const QString& name, const QString& declaredType, bool integerPrimaryKey) {
    FieldInfo info;
    info.name = name;
    static const QRegularExpression shape(QStringLiteral(R"(^\s*([A-Za-z_0-9]*)\s*(?:\(\s*(\d+)[^)]*\))?)"));
    const QRegularExpressionMatch m = shape.match(declaredType);
    const QString base = m.hasMatch() ? m.captured(1).toUpper() : declaredType.trimmed().toUpper();
    const int size = m.hasMatch() ? m.captured(2).toInt() : 0;

    const auto in = [&](std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (base == QLatin1String(n))
                return true;
        }
        return false;
    };
    if (integerPrimaryKey) {
        info.type = FieldType::Long;
        info.autoIncrement = true;
    } else if (base.isEmpty()) {
        info.type = FieldType::Text; // no declared type: an expression of a query
    } else if (in({"TEXT", "VARCHAR", "CHAR", "NVARCHAR", "NCHAR", "CHARACTER", "STRING"})) {
        info.type = FieldType::Text;
        info.size = size > 0 ? size : 255;
    } else if (in({"LONGTEXT", "MEMO", "NOTE", "LONGCHAR", "CLOB"})) {
        info.type = FieldType::Memo;
    } else if (in({"INTEGER", "INT", "LONG", "BIGINT", "INT4", "INT8", "COUNTER", "AUTOINCREMENT"})) {
        info.type = FieldType::Long;
        info.autoIncrement = in({"COUNTER", "AUTOINCREMENT"}) ||
                             declaredType.contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive);
    } else if (in({"SMALLINT", "SHORT", "INT2"})) {
        info.type = FieldType::Integer;
    } else if (in({"TINYINT", "BYTE"})) {
        info.type = FieldType::Byte;
    } else if (in({"REAL", "SINGLE", "FLOAT4"})) {
        info.type = FieldType::Single;
    } else if (in({"CURRENCY", "MONEY"})) {
        info.type = FieldType::Currency;
    } else if (in({"DATETIME", "DATE", "TIME", "TIMESTAMP"})) {
        info.type = FieldType::Date;
    } else if (in({"YESNO", "BIT", "BOOLEAN", "BOOL", "LOGICAL"})) {
        info.type = FieldType::Boolean;
    } else if (base.contains(QLatin1String("INT"))) {
        info.type = FieldType::Long;
    } else if (base.contains(QLatin1String("CHAR")) || base.contains(QLatin1String("TEXT"))) {
        info.type = FieldType::Text;
        info.size = size > 0 ? size : 255;
    } else {
        info.type = FieldType::Double; // DOUBLE, FLOAT, NUMERIC, DECIMAL and the rest of numeric affinity
    }
    return info;
}

} // namespace onda
