#pragma once

#include "store/FieldInfo.h"
#include "store/Status.h"

#include <QList>
#include <QString>

namespace onda {

class Database;

struct TableDefinition {
    QString name;
    QList<FieldInfo> fields;
};

// The tables a new ONDA.mdb holds: config, natl, manif, categorie, programmi,
// the template nprg (with OrdineInserimento) and Records.
const QList<TableDefinition>& programTables();

// Creates every missing table of programTables() in one transaction.
Status createSchema(Database& db);

} // namespace onda
