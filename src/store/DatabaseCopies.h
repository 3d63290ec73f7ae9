#pragma once

#include "store/Status.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace onda {

// One copy of the program's database in the folder "copie" beside it, named by when it was
// made and by what followed: "2026-12-06_2115_prima-di-importazione-570.mdb".
struct DatabaseCopy {
    QString path;
    QDateTime made;
    QString reason;         // as in the name: "prima-di-importazione-570"
    int athletes = -1;      // -1 when the copy cannot be read
    int registrations = -1; // rows of every competition's registration table
};

namespace copies {

inline constexpr int kept = 20;

QString folderFor(const QString& databasePath);

// The reasons a copy is made for.
QString beforeImport(const QString& competition);
QString beforeReinitialisation();
QString beforeMigration();
QString beforeRestore();
// What a reason means, in words: "prima dell'importazione della manifestazione 570".
QString describe(const QString& reason);

// Copies the database with SQLite's online backup, under a temporary name moved into place
// only when complete, then keeps the last `kept` copies. A copy that cannot be made (disk
// full, read-only folder) leaves nothing behind and says why in words that follow "Impossibile
// reinizializzare il database: " and the like; `made` gets the copy's path.
Status make(const QString& databasePath, const QString& reason, QString* made = nullptr);

// The copies, newest first, each counted.
QList<DatabaseCopy> list(const QString& databasePath);

// Puts a copy back in place of the database, in one transaction of the database: the copy is
// checked whole first (a damaged copy or one without the program's tables is refused), and the
// database as it stands is itself copied first. Nothing changes when any step fails.
Status restore(const QString& databasePath, const QString& copyPath);

} // namespace copies

} // namespace onda
