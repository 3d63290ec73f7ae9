#include "store/Schema.h"

#include "store/Database.h"
#include "store/DatabaseCopies.h"
#include "store/Transaction.h"

#include <algorithm>

namespace onda {

namespace {

FieldInfo text(const char* name, int size) {
    return {QString::fromUtf8(name), FieldType::Text, size, false};
}

FieldInfo typed(const char* name, FieldType type) {
    return {QString::fromUtf8(name), type, 0, false};
}

} // namespace

const QList<TableDefinition>& programTables() {
    static const QList<TableDefinition> tables = {
        {QStringLiteral("config"), {text("societa", 50), text("userid", 50), text("password", 50)}},
        {QStringLiteral("natl"),
         {typed("codatl", FieldType::Long), text("nome", 50), typed("anno", FieldType::Integer), text("soc", 10),
          text("sesso", 1), typed("squadra", FieldType::Boolean)}},
        {QStringLiteral("manif"),
         {typed("Numero Prova", FieldType::Long), text("Nome Manifestazione", 100), text("Località", 50),
          typed("Data", FieldType::Date), typed("Num Max Iscrizioni per soc", FieldType::Integer),
          typed("Num Max Iscrizioni per atleta", FieldType::Integer), typed("gruppoID", FieldType::Long),
          text("userName", 50), text("societa", 10), typed("Nota", FieldType::Memo)}},
        {QStringLiteral("categorie"),
         {typed("manifID", FieldType::Long), text("Categoria", 30), text("sesso", 1),
          typed("AnnoIni", FieldType::Integer), typed("AnnoFin", FieldType::Integer)}},
        {QStringLiteral("programmi"),
         {typed("ManifID", FieldType::Long), typed("OrdineGara", FieldType::Integer), text("gara", 50),
          text("Categoria", 30), text("Sesso", 1), typed("Anno", FieldType::Integer)}},
        {QStringLiteral("nprg"),
         {typed("codatl", FieldType::Long),
          text("nome", 50),
          typed("anno", FieldType::Integer),
          text("cat", 30),
          text("soc", 10),
          text("sesso", 1),
          text("spec", 50),
          typed("m", FieldType::Double),
          typed("s", FieldType::Double),
          text("status", 1),
          {QStringLiteral("OrdineInserimento"), FieldType::Long, 0, true}}},
        {QStringLiteral("Records"), {}, recordsTableStatement()},
    };
    return tables;
}

const TableDefinition& bestTimesTable() {
    static const TableDefinition table = {QStringLiteral("Tempi"),
                                          {typed("Codatl", FieldType::Long), text("Gara", 50),
                                           typed("Vasca", FieldType::Integer), typed("Tempo", FieldType::Long),
                                           typed("Data", FieldType::Date), text("Manifestazione", 100),
                                           text("Corso", 10)}};
    return table;
}

const QList<TableDefinition>& lenexTables() {
    const FieldInfo competition = typed("manifID", FieldType::Long);
    const FieldInfo number = typed("number", FieldType::Integer);
    const FieldInfo name = text("name", 100);
    const FieldInfo course = text("course", 10);
    const FieldInfo athleteLimit = typed("maxentriesathlete", FieldType::Integer);
    const FieldInfo relayLimit = typed("maxentriesrelay", FieldType::Integer);
    const FieldInfo event = text("eventid", 20);
    const FieldInfo gender = text("gender", 1);
    const FieldInfo group = text("agegroupid", 20);
    static const QList<TableDefinition> tables = {
        {QStringLiteral("LenexMeet"),
         {competition, name, text("city", 50), text("nation", 3), course, typed("agedate", FieldType::Date),
          text("agedatetype", 10), typed("deadline", FieldType::Date), text("deadlinetime", 5), athleteLimit,
          relayLimit}},
        {QStringLiteral("LenexSession"),
         {competition, number, typed("date", FieldType::Date), course, name, athleteLimit, relayLimit}},
        {QStringLiteral("LenexEvent"),
         {competition, event, number, gender, text("round", 20), typed("session", FieldType::Integer),
          text("preveventid", 20), typed("maxentries", FieldType::Integer), typed("distance", FieldType::Integer),
          typed("relaycount", FieldType::Integer), text("stroke", 20), text("technique", 10), text("swimstyleid", 20),
          text("stylecode", 6), text("stylename", 100), typed("position", FieldType::Integer)}},
        {QStringLiteral("LenexAgeGroup"),
         {competition, event, group, typed("agemin", FieldType::Integer), typed("agemax", FieldType::Integer), gender,
          text("calculate", 10), text("handicap", 50), name}},
        {QStringLiteral("LenexRace"),
         {competition, text("gara", 50), text("Categoria", 30), text("Sesso", 1), event, group}},
        {QStringLiteral("LenexName"), {typed("codatl", FieldType::Long), text("lastname", 50), text("firstname", 50)}},
    };
    return tables;
}

const QList<TableDefinition>& entryCheckTables() {
    const FieldInfo competition = typed("manifID", FieldType::Long);
    const FieldInfo list = text("listid", 20);
    const FieldInfo currency = text("currency", 3);
    static const QList<TableDefinition> tables = {
        {QStringLiteral("LenexStandardList"),
         {competition, list, text("name", 100), text("type", 10), text("gender", 1), text("course", 10),
          text("handicap", 50), typed("agemin", FieldType::Integer), typed("agemax", FieldType::Integer)}},
        {QStringLiteral("LenexStandard"),
         {competition, list, typed("distance", FieldType::Integer), typed("relaycount", FieldType::Integer),
          text("stroke", 20), text("technique", 10), typed("swimtime", FieldType::Long)}},
        {QStringLiteral("LenexStandardRef"),
         {competition, text("eventid", 20), list, text("marker", 20), typed("fee", FieldType::Long), currency}},
        {QStringLiteral("LenexFee"),
         {competition, typed("session", FieldType::Integer), text("eventid", 20), text("type", 30),
          typed("value", FieldType::Long), currency}},
        {QStringLiteral("LenexQualify"),
         {competition, typed("qualifyfrom", FieldType::Date), typed("qualifyuntil", FieldType::Date),
          text("conversion", 20), typed("percent", FieldType::Integer)}},
        {QStringLiteral("LenexEntryMade"),
         {competition, typed("codatl", FieldType::Long), text("gara", 50), text("made", 19)}},
    };
    return tables;
}

namespace {

// One step from the version before `toVersion`; every step runs inside the transaction of createSchema.
struct Migration {
    int toVersion;
    Status (*apply)(Database& db);
};

// Version 1 is the first versioned schema; a later change of the tables adds its step here.
const QList<Migration>& migrations() {
    static const QList<Migration> steps = {
        {2,
         [](Database& db) -> Status {
             const TableDefinition& times = bestTimesTable();
             return db.tableExists(times.name) ? Status{} : db.createTable(times.name, times.fields);
         }},
        // Athletes are looked up by code: the register, the save checks, the code changes.
        {3,
         [](Database& db) -> Status {
             return db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS natl_codatl ON natl (codatl)"));
         }},
        // The organiser's meet of an invitation; best times keep their course, so that yards and
        // odd pools are never compared with metres.
        {4,
         [](Database& db) -> Status {
             for (const TableDefinition& t : lenexTables()) {
                 if (!db.tableExists(t.name))
                     if (Status s = db.createTable(t.name, t.fields); !s)
                         return s;
             }
             QList<FieldInfo> fields;
             if (Status s = db.tableFields(bestTimesTable().name, fields); !s)
                 return s;
             if (std::any_of(fields.cbegin(), fields.cend(), [](const FieldInfo& f) {
                     return f.name.compare(QLatin1String("Corso"), Qt::CaseInsensitive) == 0;
                 }))
                 return {};
             if (Status s = db.execute(QStringLiteral("ALTER TABLE Tempi ADD COLUMN Corso ") +
                                       declarationFor(bestTimesTable().fields.last()));
                 !s)
                 return s;
             return db.execute(
                 QStringLiteral("UPDATE Tempi SET Corso = CASE Vasca WHEN 50 THEN 'LCM' WHEN 25 THEN 'SCM' END"));
         }},
        // What an invitation says about entries: standards, fees, limits' period; when entries were made.
        {5,
         [](Database& db) -> Status {
             for (const TableDefinition& t : entryCheckTables()) {
                 if (!db.tableExists(t.name))
                     if (Status s = db.createTable(t.name, t.fields); !s)
                         return s;
             }
             for (const char* index : {"LenexStandardRef (manifID, eventid)", "LenexStandard (manifID, listid)",
                                       "LenexStandardList (manifID, listid)", "LenexRace (manifID, gara)",
                                       "LenexEntryMade (manifID, codatl, gara)"}) {
                 const QString on = QString::fromLatin1(index);
                 const QString name = on.section(QLatin1Char(' '), 0, 0) + QStringLiteral("_key");
                 if (Status s =
                         db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS ") + name + QStringLiteral(" ON ") + on);
                     !s)
                     return s;
             }
             return {};
         }},
        // The archive's grids show a club's athletes by name.
        {6,
         [](Database& db) -> Status {
             return db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS natl_soc_nome ON natl (soc, nome, squadra)"));
         }},
    };
    return steps;
}

Status storedVersion(Database& db, int& version) {
    Database::Result result;
    if (Status s = db.query(QStringLiteral("PRAGMA user_version"), result); !s)
        return s;
    version = result.rows.value(0).value(0).toInt();
    return {};
}

QList<const TableDefinition*> missingTables(Database& db) {
    QList<const TableDefinition*> missing;
    for (const TableDefinition& table : programTables()) {
        if (!db.tableExists(table.name))
            missing << &table;
    }
    return missing;
}

} // namespace

Status readSchemaVersion(Database& db, int& version) {
    if (Status s = storedVersion(db, version); !s)
        return s;
    if (version == 0 && missingTables(db).size() < programTables().size())
        version = 1;
    return {};
}

Status createSchema(Database& db) {
    int version = 0;
    if (Status s = readSchemaVersion(db, version); !s)
        return s;
    const auto pendingFrom = [](int from) {
        QList<Migration> pending;
        for (const Migration& m : migrations()) {
            if (m.toVersion > from && m.toVersion <= schemaVersion)
                pending << m;
        }
        return pending;
    };
    if (missingTables(db).isEmpty() && pendingFrom(version).isEmpty())
        return {};
    // The club's data of an older version are copied before the tables change; without the
    // copy nothing changes.
    if (version >= 1 && !pendingFrom(version).isEmpty()) {
        if (Status s = copies::make(db.path(), copies::beforeMigration()); !s)
            return Status::error(err::CannotOpen, QStringLiteral("prima di aggiornarlo ") + s.description);
    }

    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    // Read again under the lock: another copy of the program may have done the work.
    if (Status s = readSchemaVersion(db, version); !s)
        return s;
    for (const TableDefinition* table : missingTables(db)) {
        if (Status s =
                table->statement.isEmpty() ? db.createTable(table->name, table->fields) : db.execute(table->statement);
            !s)
            return s;
    }
    for (const Migration& m : pendingFrom(version)) {
        if (Status s = m.apply(db); !s)
            return s;
    }
    if (Status s = db.execute(QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion)); !s)
        return s;
    return transaction.commit();
}

} // namespace onda
