#include "FixtureDb.h"

#include "store/Database.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

using onda::Database;
using onda::Status;
using namespace Qt::StringLiterals;

namespace {

// A scratch file needs no durability: no sync, journal in memory.
Status openScratch(Database& db, const QString& path) {
    Status s = db.open(path);
    if (s)
        s = db.execute(u"PRAGMA synchronous = OFF"_s);
    return s ? db.execute(u"PRAGMA journal_mode = MEMORY"_s) : s;
}

// First column of every row of a query on `path`; false when the file or the query fails.
bool readColumn(const QString& path, const QString& sql, const QVariantList& parameters, QVariantList& out) {
    Database db;
    Database::Result result;
    if (!db.open(path) || !db.query(sql, result, parameters))
        return false;
    for (const QVariantList& row : std::as_const(result.rows))
        out << row.value(0);
    return true;
}

} // namespace

FixtureDb::FixtureDb() {
    if (!m_dir.isValid())
        return;
    onda::Store store;
    store.setDatabasePath(path());
    const Status s = store.ensureDatabase();
    if (!s)
        qWarning() << "FixtureDb: schema not created:" << s.description;
    m_valid = s.ok();
}

onda::Store FixtureDb::store() const {
    onda::Store s;
    s.setDatabasePath(path());
    s.setConnectionOptions({50, 0});
    return s;
}

std::unique_ptr<onda::DataSource> FixtureDb::source(const QString& recordSource, const QString& name) const {
    auto ds = std::make_unique<onda::DataSource>(name);
    ds->setDatabaseFile(path());
    ds->setRecordSource(recordSource);
    return ds;
}

Status FixtureDb::exec(const QString& sql, const QVariantList& parameters) {
    Database db;
    Status s = openScratch(db, path());
    Database::Result ignored;
    if (s)
        s = parameters.isEmpty() ? db.execute(sql) : db.query(sql, ignored, parameters);
    if (!s)
        qWarning() << "FixtureDb:" << sql << "->" << s.number << s.description;
    return s;
}

QVariantList FixtureDb::column(const QString& sql, const QVariantList& parameters) {
    QVariantList out;
    readColumn(path(), sql, parameters, out); // a failed query reads as no rows
    return out;
}

bool FixtureDb::damage(const QString& table) {
    const QVariantList offset = column(
        u"select (rootpage - 1) * (select page_size from pragma_page_size) from sqlite_master where name=?"_s, {table});
    QFile file(path());
    return !offset.isEmpty() && file.open(QIODevice::ReadWrite) && file.seek(offset.first().toLongLong()) &&
           file.write(QByteArray(256, '\x5a')) == 256;
}

int FixtureDb::count(const QString& table, const QString& where) {
    const QString filter = where.isEmpty() ? QString() : u" WHERE "_s + where;
    const QVariantList values = column(u"SELECT count(*) FROM [%1]"_s.arg(table) + filter);
    return values.isEmpty() ? -1 : values.first().toInt();
}

Status FixtureDb::insert(const QString& table, const Values& values) {
    QStringList names, marks;
    QVariantList parameters;
    for (const auto& [name, value] : values) {
        names << QLatin1Char('[') + name + QLatin1Char(']');
        marks << u"?%1"_s.arg(marks.size() + 1);
        parameters << value;
    }
    return exec(
        u"INSERT INTO [%1] (%2) VALUES (%3)"_s.arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
        parameters);
}

Status FixtureDb::insertRows(const QString& table, const QStringList& columns, const QList<QVariantList>& rows) {
    for (const QVariantList& row : rows) {
        Values values;
        for (qsizetype c = 0; c < columns.size(); ++c)
            values.append({columns[c], row.value(c)});
        if (Status s = insert(table, values); !s)
            return s;
    }
    return {};
}

Status FixtureDb::seedAthletes() {
    return insertRows(u"natl"_s, {u"codatl"_s, u"nome"_s, u"anno"_s, u"soc"_s, u"sesso"_s, u"squadra"_s},
                      {{500000, u"ROSSI MARIO"_s, 2005, u"ABC"_s, u"M"_s, 0},
                       {500001, u"D'ANGELO LUCA"_s, 2006, u"ABC"_s, u"M"_s, QVariant()},
                       {500002, u"BIANCHI ANNA"_s, 2007, u"XYZ"_s, u"F"_s, 0},
                       {500003, u"STAFFETTA ABC"_s, 0, u"ABC"_s, u"M"_s, -1}});
}

Status FixtureDb::seedEntryCompetition() {
    Status s =
        exec(u"INSERT INTO programmi (ManifID, gara, Categoria, Sesso, Anno) VALUES (57, '100SL', 'RAG', 'M', 0), "
             "(57, '200SL', 'RAG', 'M', 0), (57, '100FA', 'RAG', 'M', 0), (57, '50DO', 'RAG', 'M', 1990), "
             "(57, '50RA', 'RAG', 'M', 1991), (57, '50SL', 'ESO', 'F', 0)"_s);
    if (s)
        s = exec(u"INSERT INTO natl (codatl, nome, anno, soc, sesso) VALUES (1001, 'ROSSI MARIO', 1990, 'ABC', 'M'), "
                 "(1002, 'D''ANGELO LUCA', 1990, 'ABC', 'M'), (1003, 'NERI ADA', 1970, 'ABC', 'F'), "
                 "(2001, 'BIANCHI EZIO', 1990, 'XYZ', 'M')"_s);
    return s ? createRegistrationTable(u"57"_s) : s;
}

Status FixtureDb::seedCompetitions() {
    return exec(u"INSERT INTO manif ([Numero Prova], [Nome Manifestazione], Data, gruppoID, userName) VALUES "
                "(57, 'Trofeo A', '2024-05-01', 7, 'zeta'), (570, 'Trofeo B', '2024-03-15', 7, 'Beta'), "
                "(59, 'Trofeo D', '2024-03-15', 7, 'alfa'), (58, 'Trofeo C', '2023-12-01', 9, 'alfa')"_s);
}

Status FixtureDb::createRegistrationTable(const QString& competition, bool withInsertionOrder) {
    QList<onda::FieldInfo> fields;
    for (const onda::TableDefinition& t : onda::programTables()) {
        if (t.name == QLatin1String("nprg"))
            fields = t.fields;
    }
    if (!withInsertionOrder)
        fields.removeIf([](const onda::FieldInfo& f) { return f.autoIncrement; });
    Database db;
    Status s = openScratch(db, path());
    return s ? db.createTable(u"nprg"_s + competition, fields) : s;
}

Status FixtureDb::addRegistration(const QString& competition, qlonglong codatl, const QString& nome, const QString& soc,
                                  const QVariant& m) {
    return insert(u"nprg"_s + competition, {{u"codatl"_s, codatl}, {u"nome"_s, nome}, {u"soc"_s, soc}, {u"m"_s, m}});
}

QString FixtureDb::schemaText() {
    QVariantList objects, version;
    if (!readColumn(path(), u"SELECT sql || ';' FROM sqlite_master WHERE sql IS NOT NULL ORDER BY name"_s, {},
                    objects) ||
        !readColumn(path(), u"PRAGMA user_version"_s, {}, version))
        return {};
    QString text;
    for (const QVariant& sql : std::as_const(objects))
        text += sql.toString() + QLatin1Char('\n');
    return text + u"PRAGMA user_version = %1;\n"_s.arg(version.value(0).toInt());
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFileBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

double peakGrowthMb(const std::function<void()>& work) {
    const auto mb = [](const QByteArray& field) {
        const QByteArray status = fileBytes(u"/proc/self/status"_s);
        return status.mid(status.indexOf(field) + field.size(), 20).simplified().split(' ').value(0).toDouble() / 1024;
    };
    QFile clear(u"/proc/self/clear_refs"_s); // the peak starts again from the present size
    (void)(clear.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && clear.write("5"));
    const double idle = mb("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    work();
    qInfo("%lld ms, peak +%.1f MB", qint64(clock.elapsed()), mb("VmHWM:") - idle);
#if defined(__SANITIZE_ADDRESS__)
    return 0; // the sanitizer's allocator holds what is freed and more: its peak says nothing of ours
#else
    return mb("VmHWM:") - idle;
#endif
}

QVariantList databaseColumn(const QString& databasePath, const QString& sql) {
    QVariantList out;
    return readColumn(databasePath, sql, {}, out) ? out : QVariantList{u"!"_s};
}
