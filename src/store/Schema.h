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
    QString statement; // when set, the table is made by running it, and `fields` is empty
};

// The table of remembered entry times, as the registration window makes it when missing; a new
// file gets it from the same statement.
inline const QString& recordsTableStatement() {
    static const QString statement =
        QStringLiteral("CREATE TABLE Records (Codatl TEXT, Nome TEXT, Spec TEXT, M NUMERIC,S NUMERIC)");
    return statement;
}

// The tables a new ONDA.mdb holds: config, natl, manif, categorie, programmi,
// the template nprg (with OrdineInserimento) and Records.
const QList<TableDefinition>& programTables();

// Best times read from results files: one row per athlete, race and pool length, the time in
// hundredths of a second. Added by the step to version 2.
const TableDefinition& bestTimesTable();

// What an organiser's invitation said, kept beside the competition it created (added by the step
// to version 4): LenexMeet, LenexSession, LenexEvent, LenexAgeGroup, LenexRace (which event and
// age group each programmi row stands for) and LenexName (athletes' names as results files split them).
const QList<TableDefinition>& lenexTables();

// What an invitation says about entries (added by the step to version 5): time standard lists
// and their standards, the events' references to them, fees, the qualifying period, and the
// moment each of the club's entries was made (LenexEntryMade), for late fees.
const QList<TableDefinition>& entryCheckTables();

// The registration table of competition `number`: "nprg" followed by the number.
inline QString registrationTable(const QString& number) {
    return QStringLiteral("nprg") + number;
}

// The version of the tables this program writes, kept in the file as PRAGMA user_version.
inline constexpr int schemaVersion = 6;

// The file's version; a file of before versioning (0) that holds tables reads as 1.
Status readSchemaVersion(Database& db, int& version);

// Creates every missing table of programTables() and brings an older file up to
// schemaVersion, all in one transaction. A file that needs nothing is only read:
// no write lock is taken, so another program may be writing to it meanwhile.
Status createSchema(Database& db);

} // namespace onda
