#include "store/DataSource.h"

#include "store/Database.h"
#include "store/FieldValues.h"
#include "store/RecordSource.h"
#include "store/SqlDialect.h"
#include "store/SqlFunctions.h"
#include "store/SqlTokens.h"
#include "store/SqliteSupport.h"
#include "store/Transaction.h"

#include <QDate>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace onda {

using detail::Statement;
using sql::Token;

namespace {

Status noCurrentRecord() {
    return Status::of(err::NoCurrentRecord);
}

bool sharesTextWith(sqlite3_stmt* stmt, int column, const QVariant& before, detail::ReadAs how) {
    constexpr qsizetype kShort = 16;
    if (how == detail::ReadAs::Date || before.typeId() != QMetaType::QString ||
        sqlite3_column_type(stmt, column) != SQLITE_TEXT)
        return false;
    const auto* text = static_cast<const QChar*>(sqlite3_column_text16(stmt, column));
    const qsizetype size = sqlite3_column_bytes16(stmt, column) / 2;
    const auto* kept = static_cast<const QString*>(before.constData());
    return size <= kShort && kept->size() == size && QStringView(*kept) == QStringView(text, size);
}

// A whole number as SQLite reads it back from its own text, and small enough to stay exact as a double.
std::optional<qint64> plainWholeNumber(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^(0|[1-9][0-9]{0,14})$"));
    if (!plain.match(text).hasMatch())
        return std::nullopt;
    return text.toLongLong();
}

// The text of a quoted literal, as the dialect reads it.
std::optional<QString> literalText(const Token& t) {
    QString inner;
    if (t.type == Token::Type::SingleQuoted) {
        if (t.text.size() < 2 || !t.text.endsWith(QLatin1Char('\'')))
            return std::nullopt;
        inner = t.text.mid(1, t.text.size() - 2);
        inner.replace(QLatin1String("''"), QLatin1String("'"));
    } else if (t.type == Token::Type::DoubleQuoted) {
        inner = t.text.mid(1);
        if (inner.endsWith(QLatin1Char('"')))
            inner.chop(1);
        inner.replace(QLatin1String("\"\""), QLatin1String("\""));
    } else {
        return std::nullopt;
    }
    return inner;
}

} // namespace

struct DataSource::Impl {
    DataSource* q = nullptr;
    QString databaseFile;
    QString recordSource;
    QStringList fieldsRead;
    Database db;

    // The snapshot.
    bool open = false;
    QList<FieldInfo> fields;
    QList<detail::ReadAs> readAs;
    qsizetype columns = 0;
    QList<QVariant> values; // row-major
    QList<qint64> rowids;   // filled for an updatable source
    // A source whose columns all stand as they are in its table reads at refresh only the row
    // ids, in order, and the rows' fields a page at a time as they are first asked for.
    bool lazy = false;
    QList<bool> loaded; // per row
    int loadedRows = 0;
    // Row ids to rows, built when a find asks the table and dropped when rows move.
    QHash<qint64, int> rowOf;
    bool rowOfValid = false;
    bool findInTable = false; // findStmt gives the row ids of the table's matching rows
    QString table;            // where edits go; empty when read-only
    QString qualifier;
    QList<bool> inTable; // per column: a field of `table`
    // Per column: read as it stands in `table` (not an expression, not another column renamed).
    QList<bool> plainColumn;

    // The cursor: -1 before the first row, rowCount() after the last.
    int pos = 0;
    bool onDeleted = false;

    enum class Mode { None, Adding, Editing };
    Mode mode = Mode::None;
    QVariantList pending;
    QList<bool> changed;

    bool noMatch = false;
    Status last;

    QString findCriterion;
    Statement findStmt;
    // The table find before the last: a navigator going back and forth asks for two in turn.
    QString previousCriterion;
    Statement previousStmt;
    QList<int> findColumns;
    // "field = literal" compared without SQLite where the row's value allows it.
    struct Comparison {
        int column = -1;
        bool numeric = false;
        qint64 number = 0;
        QString text;
    };
    std::optional<Comparison> findComparison;

    int rows() const { return columns ? int(values.size() / columns) : 0; }
    Status ensureRows(int first, int upTo);
    Status ensureRow(int row) { return ensureRows(row, row); }
    Status readRowsByRowid(const QList<int>& rowList);
    Status findByTable(int from, std::optional<int>& found);
    bool hasCurrent() const { return !onDeleted && pos >= 0 && pos < rows(); }
    // Whether there is a current row that belongs to a table.
    Status currentTableRow() const {
        if (!open || table.isEmpty())
            return Status::of(err::ReadOnly);
        if (onDeleted)
            return Status::of(err::RecordDeleted);
        return hasCurrent() ? Status{} : noCurrentRecord();
    }

    Status fail(Status s) {
        last = s;
        return s;
    }
    Status ok() {
        last = {};
        return {};
    }
    void clearSet();
    Status connect();
    Status readRow(qint64 rowid, QVariantList& out);
    Status checkCurrentRowUnchanged();
    Status prepareFind(const QString& criterion, bool byIndex);
    bool indexedCriterion(const QString& criterion);
    std::optional<QStringList> indexedColumns; // first columns of the table's indexes
    std::optional<Comparison> comparisonOf(const QString& criterion) const;
    std::optional<bool> compare(const QVariant& value) const;
    Status matchesBySql(int row, bool& match);
    Status find(const QString& criterion, int from);
    void leaveRow();
    void moveTo(int row);
    Status writeOneRow(Statement& stmt);
    void dropRow(int row);
};

void DataSource::Impl::clearSet() {
    open = false;
    fields.clear();
    readAs.clear();
    columns = 0;
    values.clear();
    rowids.clear();
    lazy = false;
    loaded.clear();
    loadedRows = 0;
    rowOf.clear();
    rowOfValid = false;
    findInTable = false;
    indexedColumns.reset();
    table.clear();
    qualifier.clear();
    inTable.clear();
    plainColumn.clear();
    pos = 0;
    onDeleted = false;
    mode = Mode::None;
    pending.clear();
    changed.clear();
    noMatch = false;
    findCriterion.clear();
    findStmt = {};
    previousCriterion.clear();
    previousStmt = {};
    findColumns.clear();
    findComparison.reset();
}

Status DataSource::Impl::connect() {
    if (db.isOpen() && db.path() == databaseFile)
        return {};
    db.close();
    if (databaseFile.isEmpty())
        return Status::of(err::CannotOpen, QStringLiteral("no database file set for '%1'").arg(q->objectName()));
    if (!QFileInfo(databaseFile).isFile())
        return Status::of(err::CannotOpen, databaseFile);
    return db.openShared(databaseFile);
}

// A row of the table by its rowid, in the set's columns.
Status DataSource::Impl::readRow(qint64 rowid, QVariantList& out) {
    QStringList select;
    for (qsizetype c = 0; c < columns; ++c)
        select << (inTable[c] ? sql::quoteName(fields[c].name) : QStringLiteral("NULL"));
    Statement stmt;
    if (Status s = stmt.prepare(db.handle(), QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?1")
                                                 .arg(select.join(QLatin1String(", ")), sql::quoteName(table)));
        !s)
        return s;
    stmt.bind(1, qlonglong(rowid));
    const int rc = stmt.step();
    if (rc == SQLITE_DONE)
        return Status::of(err::RecordDeleted);
    if (rc != SQLITE_ROW)
        return detail::statusFrom(db.handle(), rc);
    out.clear();
    for (qsizetype c = 0; c < columns; ++c)
        out << detail::columnValue(stmt.get(), int(c), readAs[c]);
    return {};
}

// Loads the page (of kPage rows) around each row of first..last not read yet.
Status DataSource::Impl::ensureRows(int first, int upTo) {
    if (!lazy || loadedRows == rows())
        return {};
    constexpr int kPage = 256;
    first = std::max(0, first);
    upTo = std::min(upTo, rows() - 1);
    QList<int> wanted;
    for (int page = first / kPage; page <= upTo / kPage; ++page) {
        for (int r = page * kPage; r < std::min(rows(), (page + 1) * kPage); ++r) {
            if (!loaded[r])
                wanted << r;
        }
    }
    return wanted.isEmpty() ? Status{} : readRowsByRowid(wanted);
}

Status DataSource::Impl::readRowsByRowid(const QList<int>& rowList) {
    QStringList select{QStringLiteral("rowid")};
    for (qsizetype c = 0; c < columns; ++c)
        select << sql::quoteName(fields[c].name);
    QStringList ids;
    QHash<qint64, int> wanted;
    for (int r : rowList) {
        ids << QString::number(rowids[r]);
        wanted.insert(rowids[r], r);
    }
    Statement stmt;
    if (Status s = stmt.prepare(
            db.handle(), QStringLiteral("SELECT %1 FROM %2 WHERE rowid IN (%3)")
                             .arg(select.join(QLatin1String(", ")), sql::quoteName(table), ids.join(QLatin1Char(','))));
        !s)
        return s;
    sqlite3_stmt* raw = stmt.get();
    int rc;
    while ((rc = stmt.step()) == SQLITE_ROW) {
        const int r = wanted.take(sqlite3_column_int64(raw, 0));
        QVariant* cells = values.data() + qsizetype(r) * columns;
        for (qsizetype c = 0; c < columns; ++c)
            cells[c] = detail::columnValue(raw, int(c) + 1, readAs[c]);
    }
    if (rc != SQLITE_DONE)
        return detail::statusFrom(db.handle(), rc);
    // A row gone meanwhile reads as empty; writing to it finds it gone.
    for (int r : rowList)
        loaded[r] = true;
    loadedRows += int(rowList.size());
    return {};
}

// The first row from `from` on that the table says meets the criterion: an indexed search
// instead of a pass over the rows.
Status DataSource::Impl::findByTable(int from, std::optional<int>& found) {
    if (!rowOfValid) {
        rowOf.clear();
        rowOf.reserve(rowids.size());
        for (int r = 0; r < rowids.size(); ++r)
            rowOf.insert(rowids[r], r);
        rowOfValid = true;
    }
    int rc;
    while ((rc = findStmt.step()) == SQLITE_ROW) {
        const auto it = rowOf.constFind(sqlite3_column_int64(findStmt.get(), 0));
        if (it != rowOf.cend() && *it >= from && (!found || *it < *found))
            found = *it;
    }
    findStmt.reset();
    return rc == SQLITE_DONE ? Status{} : detail::statusFrom(db.handle(), rc);
}

// Whether the criterion names a column the table has an index on.
bool DataSource::Impl::indexedCriterion(const QString& criterion) {
    if (!indexedColumns) {
        indexedColumns.emplace();
        Statement stmt;
        // The row id's own column is its key.
        if (stmt.prepare(db.handle(), QStringLiteral("SELECT ii.name FROM pragma_index_list(?1) AS il, "
                                                     "pragma_index_info(il.name) AS ii WHERE ii.seqno = 0 UNION "
                                                     "SELECT name FROM pragma_table_info(?1) WHERE pk = 1 AND "
                                                     "upper(type) = 'INTEGER'")))
            stmt.bind(1, table);
        while (!stmt.isNull() && stmt.step() == SQLITE_ROW)
            *indexedColumns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)));
    }
    for (const Token& t : sql::tokenize(criterion)) {
        if (t.isName() && indexedColumns->contains(t.name(), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

Status DataSource::Impl::prepareFind(const QString& criterion, bool byIndex) {
    if (findCriterion == criterion && findInTable == byIndex && !findStmt.isNull())
        return {};
    if (byIndex && findInTable && !findStmt.isNull()) {
        std::swap(findStmt, previousStmt);
        std::swap(findCriterion, previousCriterion);
        if (findCriterion == criterion && !findStmt.isNull())
            return {};
    }
    findCriterion.clear();
    findStmt = {};
    findColumns.clear();
    findComparison.reset();

    // Only the columns the criterion names are handed over for each row.
    for (const Token& t : sql::tokenize(criterion)) {
        if (!t.isName())
            continue;
        const int c = q->fieldIndex(t.name());
        if (c >= 0 && !findColumns.contains(c))
            findColumns << c;
    }
    QStringList columnsSql;
    for (int i = 0; i < findColumns.size(); ++i) {
        const FieldInfo& f = fields[findColumns[i]];
        QString expr = QStringLiteral("?%1").arg(i + 1);
        if (isNumericField(f.type))
            expr = QStringLiteral("CAST(%1 AS NUMERIC)").arg(expr);
        else if (f.type == FieldType::Text || f.type == FieldType::Memo)
            expr = QStringLiteral("CAST(%1 AS TEXT) COLLATE NOCASE").arg(expr);
        columnsSql << expr + QStringLiteral(" AS ") + sql::quoteName(f.name);
    }
    if (columnsSql.isEmpty())
        columnsSql << QStringLiteral("NULL AS %1").arg(rowidColumnName());
    const QString alias = table.isEmpty() ? QStringLiteral("src") : sql::quoteName(table);
    findInTable = byIndex;
    const QString text = findInTable
                             ? QStringLiteral("SELECT rowid FROM %1 AS %2 WHERE (%3)")
                                   .arg(sql::quoteName(table), alias, translateCriterion(criterion))
                             : QStringLiteral("SELECT (%1) FROM (SELECT %2) AS %3")
                                   .arg(translateCriterion(criterion), columnsSql.join(QLatin1String(", ")), alias);
    if (Status s = findStmt.prepare(db.handle(), text); !s) {
        findStmt = {};
        return s;
    }
    if (findStmt.isNull())
        return Status::of(err::TypeMismatch, QStringLiteral("empty criterion"));
    findCriterion = criterion;
    findComparison = comparisonOf(criterion);
    return {};
}

// The criteria the program builds most ("codatl=" + code, "codatl='CODE'", "nome='NAME'"),
// once SQLite has accepted them: a numeric field against a whole number, a text field
// against a quoted text.
std::optional<DataSource::Impl::Comparison> DataSource::Impl::comparisonOf(const QString& criterion) const {
    const QList<Token> tokens = sql::tokenize(criterion);
    const QList<int> sig = sql::significant(tokens);
    if (sig.size() != 3 || findColumns.size() != 1 || !tokens[sig[0]].isName() ||
        !tokens[sig[1]].isSymbol(QLatin1Char('=')))
        return std::nullopt;
    const Token& literal = tokens[sig[2]];
    Comparison c;
    c.column = findColumns.front();
    const FieldType type = fields[c.column].type;
    const std::optional<QString> quoted = literalText(literal);
    if (isNumericField(type)) {
        const std::optional<qint64> number = plainWholeNumber(quoted                              ? *quoted
                                                              : literal.type == Token::Type::Word ? literal.text
                                                                                                  : QString());
        if (!number)
            return std::nullopt;
        c.numeric = true;
        c.number = *number;
    } else if (type == FieldType::Text || type == FieldType::Memo) {
        if (!quoted || !QStringView(*quoted).isValidUtf16())
            return std::nullopt;
        c.text = *quoted;
    } else {
        return std::nullopt;
    }
    return c;
}

// Whether `value` meets the comparison; nothing when only SQLite can tell (a text in a
// numeric field, a number in a text field, any other kind of value).
std::optional<bool> DataSource::Impl::compare(const QVariant& value) const {
    if (value.isNull())
        return false;
    const Comparison& c = *findComparison;
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        if (c.numeric)
            return value.toLongLong() == c.number;
        break;
    case QMetaType::Double:
        if (c.numeric)
            return value.toDouble() == double(c.number);
        break;
    case QMetaType::QString:
        if (!c.numeric)
            return detail::equalNoCase(*static_cast<const QString*>(value.constData()), c.text);
        break;
    default:
        break;
    }
    return std::nullopt;
}

Status DataSource::Impl::matchesBySql(int row, bool& match) {
    const QVariant* cells = values.constData() + qsizetype(row) * columns;
    for (int i = 0; i < findColumns.size(); ++i)
        findStmt.bind(i + 1, cells[findColumns[i]], true);
    const int rc = findStmt.step();
    if (rc != SQLITE_ROW) {
        Status s = detail::statusFrom(db.handle(), rc);
        findStmt.reset();
        return s;
    }
    sqlite3_stmt* raw = findStmt.get();
    match = sqlite3_column_type(raw, 0) != SQLITE_NULL && sqlite3_column_double(raw, 0) != 0;
    findStmt.reset();
    return {};
}

Status DataSource::Impl::find(const QString& criterion, int from) {
    if (!open)
        return fail(noCurrentRecord());
    // A large set not read yet asks its table, by an index, for the rows that match; any other
    // set is searched as it was read.
    const bool byIndex = lazy && loadedRows < rows() && indexedCriterion(criterion);
    if (!byIndex)
        if (Status s = ensureRows(0, rows() - 1); !s)
            return fail(s);
    if (Status s = prepareFind(criterion, byIndex); !s)
        return fail(s);
    if (findInTable) {
        std::optional<int> found;
        if (Status s = findByTable(std::max(from, 0), found); !s)
            return fail(s);
        noMatch = !found;
        if (found)
            moveTo(*found);
        return ok();
    }
    const int n = rows();
    for (int r = std::max(from, 0); r < n; ++r) {
        std::optional<bool> match;
        if (findComparison)
            match = compare(values[qsizetype(r) * columns + findComparison->column]);
        if (!match) {
            bool bySql = false;
            if (Status s = matchesBySql(r, bySql); !s)
                return fail(s);
            match = bySql;
        }
        if (*match) {
            noMatch = false;
            moveTo(r);
            return ok();
        }
    }
    noMatch = true;
    return ok();
}

// Moving off a row drops an unfinished edit and the deleted-row state.
void DataSource::Impl::leaveRow() {
    mode = Mode::None;
    pending.clear();
    changed.clear();
    onDeleted = false;
}

void DataSource::Impl::moveTo(int row) {
    leaveRow();
    pos = std::clamp(row, -1, rows());
    emit q->currentRowChanged(q->position());
}

// Whether the table still holds the current row as the snapshot read it. Another connection
// may have changed it, or deleted it and given its id to a new row (a table without an
// INTEGER PRIMARY KEY reuses ids): either way it is no longer the row the user sees.
Status DataSource::Impl::checkCurrentRowUnchanged() {
    if (Status s = ensureRow(pos); !s)
        return s;
    QVariantList stored;
    if (Status s = readRow(rowids[pos], stored); !s)
        return s;
    const QVariant* kept = values.constData() + qsizetype(pos) * columns;
    for (qsizetype c = 0; c < columns; ++c) {
        if (plainColumn[c] && (stored[c].typeId() != kept[c].typeId() || stored[c] != kept[c]))
            return Status::of(err::RecordDeleted);
    }
    return {};
}

// An update or a deletion by row id must meet exactly the row the snapshot read: a row gone
// or changed meanwhile is dropped. The check and the write are one transaction.
Status DataSource::Impl::writeOneRow(Statement& stmt) {
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    Status status = checkCurrentRowUnchanged();
    if (status)
        status = stmt.run(db.handle());
    if (status && sqlite3_changes(db.handle()) != 1)
        status = Status::of(err::RecordDeleted);
    if (status)
        return transaction.commit();
    // The views that hear of the dropped row may read or write: not inside this transaction.
    transaction.rollback();
    if (status.number == err::RecordDeleted)
        dropRow(pos);
    return status;
}

// The current row leaves the snapshot; the cursor keeps the deleted-row state.
void DataSource::Impl::dropRow(int row) {
    mode = Mode::None;
    pending.clear();
    changed.clear();
    emit q->rowsAboutToBeRemoved(row, row);
    values.remove(qsizetype(row) * columns, columns);
    rowids.remove(row);
    if (lazy)
        loadedRows -= loaded.takeAt(row) ? 1 : 0;
    rowOfValid = false;
    onDeleted = true;
    emit q->rowsRemoved(row, row);
    emit q->currentRowChanged(-1);
}

DataSource::DataSource(const QString& name, QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {
    d->q = this;
    setObjectName(name);
}

DataSource::~DataSource() = default;

void DataSource::setDatabaseFile(const QString& path) {
    d->databaseFile = path;
}

const QString& DataSource::databaseFile() const {
    return d->databaseFile;
}

void DataSource::setRecordSource(const QString& source) {
    d->recordSource = source;
}

const QString& DataSource::recordSource() const {
    return d->recordSource;
}

void DataSource::setFieldsRead(const QStringList& fields) {
    d->fieldsRead = fields;
}

Status DataSource::refresh() {
    emit aboutToRefresh();
    d->clearSet();
    Status status = d->connect();
    if (status) {
        RecordSourceShape shape = analyseRecordSource(d->recordSource);
        QList<FieldInfo> tableFields;
        if (!shape.table.isEmpty() &&
            (!d->db.tableExists(shape.table) || !d->db.tableFields(shape.table, tableFields))) {
            // A view or a missing table: read-only, and a missing one fails as such.
            shape = {shape.bareName ? QStringLiteral("SELECT * FROM ") + sql::quoteName(shape.table)
                                    : translateStatement(d->recordSource).sql,
                     {},
                     {},
                     false};
        }
        if (!d->fieldsRead.isEmpty()) {
            QStringList names;
            for (const QString& field : std::as_const(d->fieldsRead))
                names << sql::quoteName(field);
            shape.sql = QStringLiteral("SELECT %1 FROM (%2)").arg(names.join(QLatin1String(", ")), shape.sql);
        }
        if (d->recordSource.trimmed().isEmpty())
            status = Status::of(err::TableNotFound, QStringLiteral("no record source"));
        else
            status = [&]() -> Status {
                Statement stmt;
                if (Status s = stmt.prepare(d->db.handle(), shape.sql); !s)
                    return s;
                if (stmt.isNull())
                    return Status::of(err::TableNotFound, QStringLiteral("no record source"));
                sqlite3_stmt* raw = stmt.get();
                const int total = sqlite3_column_count(raw);
                const bool hasRowid = !shape.table.isEmpty() && total > 0 &&
                                      QString::fromUtf8(sqlite3_column_name(raw, 0)) == rowidColumnName();
                const int first = hasRowid ? 1 : 0;
                for (int c = first; c < total; ++c) {
                    const QString columnName = QString::fromUtf8(sqlite3_column_name(raw, c));
                    const char* decl = sqlite3_column_decltype(raw, c);
                    FieldInfo info = fieldInfoFromDeclaration(columnName, QString::fromUtf8(decl ? decl : ""), false);
                    bool fromTable = false;
                    const char* originTable = sqlite3_column_table_name(raw, c);
                    const char* originColumn = sqlite3_column_origin_name(raw, c);
                    const bool plain = originTable && originColumn &&
                                       QString::fromUtf8(originTable).compare(shape.table, Qt::CaseInsensitive) == 0 &&
                                       QString::fromUtf8(originColumn).compare(columnName, Qt::CaseInsensitive) == 0;
                    for (const FieldInfo& t : tableFields) {
                        if (t.name.compare(columnName, Qt::CaseInsensitive) == 0) {
                            info = t;
                            info.name = columnName;
                            fromTable = true;
                            break;
                        }
                    }
                    d->fields << info;
                    d->readAs << detail::readAsFor(info.type);
                    d->inTable << fromTable;
                    d->plainColumn << (fromTable && plain);
                }
                d->columns = d->fields.size();
                const int columns = int(d->columns);
                int rc;
                if (hasRowid && !d->plainColumn.contains(false)) {
                    // The rows' ids in the source's order; their fields are read when asked for.
                    // The statement goes inside brackets: without the semicolon that may end it.
                    QString inner = shape.sql.trimmed();
                    while (inner.endsWith(QLatin1Char(';')))
                        inner = inner.chopped(1).trimmed();
                    Statement ids;
                    if (Status s = ids.prepare(
                            d->db.handle(),
                            QStringLiteral("SELECT %1 FROM (%2)").arg(sql::quoteName(rowidColumnName()), inner));
                        !s)
                        return s;
                    while ((rc = ids.step()) == SQLITE_ROW)
                        d->rowids << sqlite3_column_int64(ids.get(), 0);
                    if (rc != SQLITE_DONE)
                        return detail::statusFrom(d->db.handle(), rc);
                    d->values.resize(d->rowids.size() * d->columns);
                    d->loaded = QList<bool>(d->rowids.size(), false);
                    d->lazy = true;
                    d->table = shape.table;
                    d->qualifier = shape.qualifier;
                    // The first page as the refresh found it: a small set is read whole, at once.
                    return d->ensureRows(0, 0);
                }
                // A short text equal to the row before's (a club, a sex, a category) shares its
                // string: a large set holds each repeated value once.
                QList<QVariant> before(columns);
                while ((rc = stmt.step()) == SQLITE_ROW) {
                    if (hasRowid)
                        d->rowids << sqlite3_column_int64(raw, 0);
                    for (int c = 0; c < columns; ++c) {
                        if (sharesTextWith(raw, c + first, before[c], d->readAs[c])) {
                            d->values.emplaceBack(before[c]);
                            continue;
                        }
                        d->values.emplaceBack(detail::columnValue(raw, c + first, d->readAs[c]));
                        before[c] = d->values.constLast();
                    }
                }
                if (rc != SQLITE_DONE)
                    return detail::statusFrom(d->db.handle(), rc);
                if (hasRowid) {
                    d->table = shape.table;
                    d->qualifier = shape.qualifier;
                }
                return {};
            }();
    }
    if (!status) {
        d->clearSet();
        d->last = status;
        emit refreshed();
        return status;
    }
    d->open = true;
    d->last = {};
    emit refreshed();
    return status;
}

Status DataSource::refreshFrom(const DataSource& other) {
    const Impl& o = *other.d;
    if (!o.open || o.databaseFile != d->databaseFile || o.recordSource != d->recordSource ||
        o.fieldsRead != d->fieldsRead)
        return refresh();
    emit aboutToRefresh();
    d->clearSet();
    if (Status s = d->connect(); !s) {
        d->last = s;
        emit refreshed();
        return s;
    }
    // The lists are shared until either source writes to its copy.
    d->fields = o.fields;
    d->readAs = o.readAs;
    d->columns = o.columns;
    d->values = o.values;
    d->rowids = o.rowids;
    d->lazy = o.lazy;
    d->loaded = o.loaded;
    d->loadedRows = o.loadedRows;
    d->table = o.table;
    d->qualifier = o.qualifier;
    d->inTable = o.inTable;
    d->plainColumn = o.plainColumn;
    d->open = true;
    d->last = {};
    emit refreshed();
    return {};
}

bool DataSource::isOpen() const {
    return d->open;
}

bool DataSource::eof() const {
    return d->rows() == 0 || d->pos >= d->rows();
}

bool DataSource::bof() const {
    return d->rows() == 0 || d->pos < 0;
}

Status DataSource::moveFirst() {
    if (d->rows() == 0)
        return d->fail(noCurrentRecord());
    d->moveTo(0);
    return d->ok();
}

Status DataSource::moveLast() {
    if (d->rows() == 0)
        return d->fail(noCurrentRecord());
    d->moveTo(d->rows() - 1);
    return d->ok();
}

Status DataSource::moveNext() {
    if (!d->onDeleted && eof())
        return d->fail(noCurrentRecord());
    // On a deleted row the next row already stands at its index.
    d->moveTo(d->onDeleted ? d->pos : d->pos + 1);
    return d->ok();
}

Status DataSource::movePrevious() {
    if (!d->onDeleted && bof())
        return d->fail(noCurrentRecord());
    d->moveTo(d->pos - 1);
    return d->ok();
}

int DataSource::rowCount() const {
    return d->rows();
}

int DataSource::position() const {
    return d->hasCurrent() ? d->pos : -1;
}

Status DataSource::setPosition(int row) {
    if (row < 0 || row >= d->rows())
        return d->fail(noCurrentRecord());
    d->moveTo(row);
    return d->ok();
}

Status DataSource::findFirst(const QString& criterion) {
    return d->find(criterion, 0);
}

Status DataSource::findNext(const QString& criterion) {
    return d->find(criterion, d->onDeleted ? d->pos : d->pos + 1);
}

bool DataSource::noMatch() const {
    return d->noMatch;
}

QVariant DataSource::field(const QString& fieldName, Status* status) const {
    Status result;
    QVariant value;
    const int c = fieldIndex(fieldName);
    if (d->onDeleted && d->mode == Impl::Mode::None)
        result = Status::of(err::RecordDeleted);
    else if (!d->hasCurrent() && d->mode != Impl::Mode::Adding)
        result = noCurrentRecord();
    else if (c < 0)
        result = Status::of(err::FieldNotFound, fieldName);
    else if (d->mode != Impl::Mode::None)
        value = d->pending[c];
    else if (result = d->ensureRow(d->pos); result)
        value = d->values[qsizetype(d->pos) * d->columns + c];
    d->last = result;
    if (status)
        *status = result;
    return value;
}

Status DataSource::setField(const QString& fieldName, const QVariant& value) {
    if (d->mode == Impl::Mode::None)
        return d->fail(Status::of(err::NotEditing));
    const int c = fieldIndex(fieldName);
    if (c < 0)
        return d->fail(Status::of(err::FieldNotFound, fieldName));
    const FieldInfo& f = d->fields[c];
    if (!d->inTable[c] || f.autoIncrement)
        return d->fail(Status::of(err::ReadOnly, f.name));
    QVariant stored;
    if (Status s = storedFieldValue(f, value, stored); !s)
        return d->fail(s);
    // The pending buffer holds what a read after update() would give.
    if (f.type == FieldType::Date && stored.isValid())
        stored = QDate::fromString(stored.toString(), Qt::ISODate);
    d->pending[c] = stored;
    d->changed[c] = true;
    return d->ok();
}

Status DataSource::addNew() {
    if (!d->open || d->table.isEmpty())
        return d->fail(Status::of(err::ReadOnly));
    d->mode = Impl::Mode::Adding;
    d->pending = QVariantList(d->columns);
    d->changed = QList<bool>(d->columns, false);
    return d->ok();
}

Status DataSource::edit() {
    if (Status s = d->currentTableRow(); !s)
        return d->fail(s);
    if (Status s = d->ensureRow(d->pos); !s)
        return d->fail(s);
    d->mode = Impl::Mode::Editing;
    d->pending = d->values.mid(qsizetype(d->pos) * d->columns, d->columns);
    d->changed = QList<bool>(d->columns, false);
    return d->ok();
}

Status DataSource::update() {
    if (d->mode == Impl::Mode::None)
        return d->fail(Status::of(err::NotEditing));
    QStringList names;
    QVariantList params;
    for (qsizetype c = 0; c < d->columns; ++c) {
        if (d->changed[c]) {
            names << sql::quoteName(d->fields[c].name);
            params << d->pending[c];
        }
    }
    const QString table = sql::quoteName(d->table);
    QString text;
    if (d->mode == Impl::Mode::Adding) {
        if (names.isEmpty()) {
            text = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
        } else {
            QStringList marks;
            for (int i = 1; i <= names.size(); ++i)
                marks << QStringLiteral("?%1").arg(i);
            text = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(table, names.join(QLatin1String(", ")), marks.join(QLatin1String(", ")));
        }
    } else {
        if (names.isEmpty()) {
            d->leaveRow();
            return d->ok();
        }
        QStringList sets;
        for (int i = 0; i < names.size(); ++i)
            sets << QStringLiteral("%1 = ?%2").arg(names[i]).arg(i + 1);
        text = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
                   .arg(table, sets.join(QLatin1String(", ")))
                   .arg(names.size() + 1);
        params << qlonglong(d->rowids[d->pos]);
    }

    const bool adding = d->mode == Impl::Mode::Adding;
    Statement stmt;
    Status status = stmt.prepare(d->db.handle(), text);
    if (status) {
        stmt.bindAll(params);
        status = adding ? stmt.run(d->db.handle()) : d->writeOneRow(stmt);
    }
    if (!status)
        return d->fail(status);

    const qint64 rowid = adding ? sqlite3_last_insert_rowid(d->db.handle()) : d->rowids[d->pos];
    QVariantList row;
    if (!d->readRow(rowid, row))
        row = d->pending; // gone again at once: show what was written
    d->mode = Impl::Mode::None;
    d->pending.clear();
    d->changed.clear();
    if (adding) {
        const int before = d->rows();
        emit rowsAboutToBeInserted(before, before);
        d->values.append(row);
        d->rowids.append(rowid);
        if (d->lazy) {
            d->loaded.append(true);
            ++d->loadedRows;
        }
        if (d->rowOfValid)
            d->rowOf.insert(rowid, before);
        // The cursor stays put; at the end it stays at the end.
        const bool wasEmpty = before == 0;
        if (wasEmpty || d->pos >= before)
            d->pos = wasEmpty ? 0 : before + 1;
        if (wasEmpty)
            d->onDeleted = false;
        emit rowsInserted(before, before);
        if (wasEmpty)
            emit currentRowChanged(0);
    } else {
        std::copy(row.cbegin(), row.cend(), d->values.begin() + qsizetype(d->pos) * d->columns);
        emit rowDataChanged(d->pos);
    }
    return d->ok();
}

void DataSource::cancelUpdate() {
    d->mode = Impl::Mode::None;
    d->pending.clear();
    d->changed.clear();
}

Status DataSource::remove() {
    if (Status s = d->currentTableRow(); !s)
        return d->fail(s);
    cancelUpdate();
    Statement stmt;
    Status status =
        stmt.prepare(d->db.handle(), QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(sql::quoteName(d->table)));
    if (status) {
        stmt.bind(1, qlonglong(d->rowids[d->pos]));
        status = d->writeOneRow(stmt);
    }
    if (!status)
        return d->fail(status);
    d->dropRow(d->pos);
    return d->ok();
}

Status DataSource::reloadCurrentRow() {
    if (Status s = d->currentTableRow(); !s)
        return d->fail(s);
    cancelUpdate();
    QVariantList row;
    if (Status s = d->readRow(d->rowids[d->pos], row); !s) {
        if (s.number == err::RecordDeleted)
            d->dropRow(d->pos);
        return d->fail(s);
    }
    std::copy(row.cbegin(), row.cend(), d->values.begin() + qsizetype(d->pos) * d->columns);
    if (d->lazy && !std::exchange(d->loaded[d->pos], true))
        ++d->loadedRows;
    emit rowDataChanged(d->pos);
    return d->ok();
}

Status DataSource::moveCurrentRow(int to) {
    if (!d->hasCurrent())
        return d->fail(noCurrentRecord());
    const int from = d->pos;
    if (to < 0 || to >= d->rows())
        return d->fail(Status::of(err::NoCurrentRecord, QStringLiteral("row %1 out of the set").arg(to)));
    cancelUpdate();
    if (to == from)
        return d->ok();
    if (Status s = d->ensureRow(from); !s)
        return d->fail(s);
    emit rowAboutToMove(from, to);
    // Only the rows between the two places shift: a large set is not copied for a short move.
    const qsizetype width = d->columns;
    const qsizetype low = std::min(from, to), high = std::max(from, to);
    QVariant* cells = d->values.data();
    if (from < to)
        std::rotate(cells + low * width, cells + (low + 1) * width, cells + (high + 1) * width);
    else
        std::rotate(cells + low * width, cells + high * width, cells + (high + 1) * width);
    if (!d->rowids.isEmpty())
        d->rowids.move(from, to);
    if (d->lazy)
        d->loaded.move(from, to);
    if (d->rowOfValid) {
        for (qsizetype r = low; r <= high; ++r)
            d->rowOf[d->rowids[r]] = int(r);
    }
    d->pos = to;
    emit rowMoved(from, to);
    emit currentRowChanged(to);
    return d->ok();
}

bool DataSource::isEditing() const {
    return d->mode != Impl::Mode::None;
}

QList<FieldInfo> DataSource::fields() const {
    return d->fields;
}

int DataSource::fieldIndex(const QString& fieldName) const {
    for (int c = 0; c < d->fields.size(); ++c) {
        if (d->fields[c].name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return c;
    }
    return -1;
}

int DataSource::fieldSize(const QString& fieldName) const {
    const int c = fieldIndex(fieldName);
    if (c < 0 || d->fields[c].type != FieldType::Text)
        return 0;
    return d->fields[c].size;
}

QVariant DataSource::value(int row, int column) const {
    if (row < 0 || row >= d->rows() || column < 0 || column >= d->columns || !d->ensureRow(row))
        return {};
    return d->values[qsizetype(row) * d->columns + column];
}

int DataSource::loadedRowCount() const {
    return d->lazy ? d->loadedRows : d->rows();
}

Status DataSource::fetchMore(int count) {
    if (!d->lazy || count <= 0)
        return {};
    const int first = int(d->loaded.indexOf(false));
    return first < 0 ? Status{} : d->ensureRows(first, first + count - 1);
}

QString DataSource::fileChangeMark() const {
    if (!d->db.isOpen())
        return {};
    Statement version;
    if (!version.prepare(d->db.handle(), QStringLiteral("PRAGMA data_version")) || version.step() != SQLITE_ROW)
        return {};
    return d->db.path() + QLatin1Char('|') + QString::number(sqlite3_column_int64(version.get(), 0)) +
           QLatin1Char('|') + QString::number(sqlite3_total_changes64(d->db.handle()));
}

Status DataSource::lastError() const {
    return d->last;
}

void bindToDatabase(const QList<DataSource*>& sources, const QString& databasePath) {
    for (DataSource* source : sources) {
        if (!source)
            continue;
        source->setDatabaseFile(databasePath);
        (void)source->refresh(); // failures are passed over by design
    }
}

} // namespace onda
