#include "store/Schema.h"

#include "store/Database.h"

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
        {QStringLiteral("Records"),
         {text("Codatl", 10), text("Nome", 50), text("Spec", 50), typed("M", FieldType::Double),
          typed("S", FieldType::Double)}},
    };
    return tables;
}

Status createSchema(Database& db) {
    if (Status s = db.beginTransaction(); !s)
        return s;
    for (const TableDefinition& table : programTables()) {
        if (db.tableExists(table.name))
            continue;
        if (Status s = db.createTable(table.name, table.fields); !s) {
            db.rollback();
            return s;
        }
    }
    return db.commit();
}

} // namespace onda
