#include "FixtureDb.h"

#include "store/Database.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QDebug>

using onda::Database;
using onda::Status;

namespace {

QVariant orNull(const QString& text) {
    return text.isNull() ? QVariant() : QVariant(text);
}

Status openDb(Database& db, const QString& path) {
    const Status s = db.open(path, false);
    if (!s)
        qWarning() << "FixtureDb: cannot open" << path << s.description;
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
    if (Status s = openDb(db, path()); !s)
        return s;
    Database::Result ignored;
    const Status s = parameters.isEmpty() ? db.execute(sql) : db.query(sql, ignored, parameters);
    if (!s)
        qWarning() << "FixtureDb:" << sql << "->" << s.number << s.description;
    return s;
}

QVariantList FixtureDb::column(const QString& sql, const QVariantList& parameters) {
    Database db;
    Database::Result result;
    if (!openDb(db, path()) || !db.query(sql, result, parameters))
        return {};
    QVariantList out;
    for (const QVariantList& row : std::as_const(result.rows))
        out << row.value(0);
    return out;
}

int FixtureDb::count(const QString& table, const QString& where) {
    QString sql = QStringLiteral("SELECT count(*) FROM [%1]").arg(table);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    const QVariantList values = column(sql);
    return values.isEmpty() ? -1 : values.first().toInt();
}

bool FixtureDb::tableExists(const QString& table) {
    Database db;
    return openDb(db, path()) && db.tableExists(table);
}

Status FixtureDb::addConfig(const QString& societa, const QString& userid, const QString& password) {
    return exec(QStringLiteral("INSERT INTO config (societa, userid, password) VALUES (?1, ?2, ?3)"),
                {societa, userid, password});
}

Status FixtureDb::addAthlete(qlonglong codatl, const QString& nome, int anno, const QString& soc, const QString& sesso,
                             const QVariant& squadra) {
    const QVariant flag = squadra.isValid() ? QVariant(qlonglong(squadra.toBool() ? -1 : 0)) : QVariant();
    return exec(QStringLiteral("INSERT INTO natl (codatl, nome, anno, soc, sesso, squadra) "
                               "VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
                {codatl, nome, anno, soc, sesso, flag});
}

Status FixtureDb::addCompetition(const Competition& c) {
    return exec(QStringLiteral("INSERT INTO manif ([Numero Prova], [Nome Manifestazione], [Località], Data, "
                               "[Num Max Iscrizioni per soc], [Num Max Iscrizioni per atleta], gruppoID, userName, "
                               "societa, Nota) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"),
                {c.numero, orNull(c.nome), orNull(c.localita),
                 c.data.isValid() ? QVariant(c.data.toString(Qt::ISODate)) : QVariant(), c.maxPerClub, c.maxPerAthlete,
                 c.gruppoId, orNull(c.userName), orNull(c.societa), orNull(c.nota)});
}

Status FixtureDb::addCategory(qlonglong manifId, const QString& categoria, const QString& sesso, int annoIni,
                              int annoFin) {
    return exec(QStringLiteral("INSERT INTO categorie (manifID, Categoria, sesso, AnnoIni, AnnoFin) "
                               "VALUES (?1, ?2, ?3, ?4, ?5)"),
                {manifId, categoria, sesso, annoIni, annoFin});
}

Status FixtureDb::addEvent(qlonglong manifId, int ordineGara, const QString& gara, const QString& categoria,
                           const QString& sesso, int anno) {
    return exec(QStringLiteral("INSERT INTO programmi (ManifID, OrdineGara, gara, Categoria, Sesso, Anno) "
                               "VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
                {manifId, ordineGara, gara, categoria, sesso, anno});
}

Status FixtureDb::createRegistrationTable(const QString& competition, const QList<Registration>& rows,
                                          bool withInsertionOrder) {
    QList<onda::FieldInfo> fields;
    for (const onda::TableDefinition& t : onda::programTables()) {
        if (t.name == QLatin1String("nprg"))
            fields = t.fields;
    }
    if (!withInsertionOrder)
        fields.removeIf([](const onda::FieldInfo& f) { return f.autoIncrement; });
    Database db;
    if (Status s = openDb(db, path()); !s)
        return s;
    if (Status s = db.createTable(QStringLiteral("nprg") + competition, fields); !s)
        return s;
    db.close();
    for (const Registration& r : rows) {
        if (Status s = addRegistration(competition, r); !s)
            return s;
    }
    return {};
}

Status FixtureDb::addRegistration(const QString& competition, const Registration& r) {
    return exec(
        QStringLiteral("INSERT INTO [nprg%1] (codatl, nome, anno, cat, soc, sesso, spec, m, s, status) "
                       "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)")
            .arg(competition),
        {r.codatl, r.nome, r.anno, orNull(r.cat), r.soc, orNull(r.sesso), orNull(r.spec), r.m, r.s, orNull(r.status)});
}
