#include "FixtureDb.h"

#include "store/Database.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QDebug>

using onda::Database;
using onda::Status;

namespace {

// A scratch file needs no durability: no sync, journal in memory.
Status openScratch(Database& db, const QString& path) {
    Status s = db.open(path);
    if (s)
        s = db.execute(QStringLiteral("PRAGMA synchronous = OFF"));
    if (s)
        s = db.execute(QStringLiteral("PRAGMA journal_mode = MEMORY"));
    return s;
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

QString FixtureDb::path() const {
    return m_dir.filePath(QStringLiteral("ONDA.mdb"));
}

QString FixtureDb::filePath(const QString& name) const {
    return m_dir.filePath(name);
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
    Database db;
    Database::Result result;
    if (!db.open(path()) || !db.query(sql, result, parameters))
        return {};
    QVariantList out;
    for (const QVariantList& row : std::as_const(result.rows))
        out << row.value(0);
    return out;
}

int FixtureDb::count(const QString& table, const QString& where) {
    const QString filter = where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where;
    const QVariantList values = column(QStringLiteral("SELECT count(*) FROM [%1]").arg(table) + filter);
    return values.isEmpty() ? -1 : values.first().toInt();
}

bool FixtureDb::tableExists(const QString& table) {
    Database db;
    return db.open(path()) && db.tableExists(table);
}

Status FixtureDb::insert(const QString& table, const Values& values) {
    QStringList names;
    QStringList marks;
    QVariantList parameters;
    for (const auto& [name, value] : values) {
        names << QLatin1Char('[') + name + QLatin1Char(']');
        marks << QStringLiteral("?%1").arg(marks.size() + 1);
        parameters << value;
    }
    return exec(QStringLiteral("INSERT INTO [%1] (%2) VALUES (%3)")
                    .arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                parameters);
}

Status FixtureDb::seedAthletes() {
    const auto athlete = [this](qlonglong code, const char* nome, int anno, const char* soc, const char* sesso,
                                const QVariant& squadra) {
        return insert(QStringLiteral("natl"), {{QStringLiteral("codatl"), code},
                                               {QStringLiteral("nome"), QString::fromUtf8(nome)},
                                               {QStringLiteral("anno"), anno},
                                               {QStringLiteral("soc"), QString::fromUtf8(soc)},
                                               {QStringLiteral("sesso"), QString::fromUtf8(sesso)},
                                               {QStringLiteral("squadra"), squadra}});
    };
    for (const Status& s :
         {athlete(500000, "ROSSI MARIO", 2005, "ABC", "M", 0),
          athlete(500001, "D'ANGELO LUCA", 2006, "ABC", "M", QVariant()),
          athlete(500002, "BIANCHI ANNA", 2007, "XYZ", "F", 0), athlete(500003, "STAFFETTA ABC", 0, "ABC", "M", -1)}) {
        if (!s)
            return s;
    }
    return {};
}

Status FixtureDb::seedCompetitions() {
    const auto competition = [this](qlonglong numero, const char* nome, const char* data, qlonglong gruppo,
                                    const char* user) {
        return insert(QStringLiteral("manif"), {{QStringLiteral("Numero Prova"), numero},
                                                {QStringLiteral("Nome Manifestazione"), QString::fromUtf8(nome)},
                                                {QStringLiteral("Località"), QStringLiteral("Roma")},
                                                {QStringLiteral("Data"), QString::fromUtf8(data)},
                                                {QStringLiteral("gruppoID"), gruppo},
                                                {QStringLiteral("userName"), QString::fromUtf8(user)}});
    };
    for (const Status& s :
         {competition(57, "Trofeo A", "2024-05-01", 7, "zeta"), competition(570, "Trofeo B", "2024-03-15", 7, "Beta"),
          competition(59, "Trofeo D", "2024-03-15", 7, "alfa"), competition(58, "Trofeo C", "2023-12-01", 9, "alfa")}) {
        if (!s)
            return s;
    }
    return {};
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
    return s ? db.createTable(QStringLiteral("nprg") + competition, fields) : s;
}

Status FixtureDb::addRegistration(const QString& competition, qlonglong codatl, const QString& nome, const QString& soc,
                                  const QVariant& m) {
    return insert(QStringLiteral("nprg") + competition, {{QStringLiteral("codatl"), codatl},
                                                         {QStringLiteral("nome"), nome},
                                                         {QStringLiteral("soc"), soc},
                                                         {QStringLiteral("m"), m}});
}

QString FixtureDb::schemaText() {
    Database db;
    Database::Result result;
    if (!db.open(path()) ||
        !db.query(QStringLiteral("SELECT sql || ';' FROM sqlite_master WHERE sql IS NOT NULL ORDER BY name"), result))
        return {};
    QStringList lines;
    for (const QVariantList& row : std::as_const(result.rows))
        lines << row.value(0).toString();
    if (!db.query(QStringLiteral("PRAGMA user_version"), result))
        return {};
    lines << QStringLiteral("PRAGMA user_version = %1;").arg(result.rows.value(0).value(0).toInt());
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
