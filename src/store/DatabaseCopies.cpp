#include "store/DatabaseCopies.h"

#include "store/Database.h"
#include "store/SqliteSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace onda::copies {

namespace {

const QString prefix = QStringLiteral("prima-di-");

// "2026-12-06_2115_prima-di-importazione-570 (2).mdb": the second copy of that minute.
const QRegularExpression& namePattern() {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}_\\d{4})_([a-z0-9-]+?)(?: \\((\\d+)\\))?\\.mdb$"));
    return pattern;
}

struct Named {
    QString path;
    QDateTime made;
    QString reason;
    int sequence = 1;
};

QList<Named> named(const QString& folder) {
    QList<Named> found;
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.mdb")}, QDir::Files);
    for (const QString& file : files) {
        const QRegularExpressionMatch m = namePattern().match(file);
        if (!m.hasMatch())
            continue; // not one of ours: never listed, never deleted
        const QDateTime made = QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd_HHmm"));
        if (made.isValid())
            found.append({QDir(folder).filePath(file), made, m.captured(2), std::max(1, m.captured(3).toInt())});
    }
    // Oldest first.
    std::sort(found.begin(), found.end(), [](const Named& a, const Named& b) {
        return a.made != b.made ? a.made < b.made : a.sequence < b.sequence;
    });
    return found;
}

void removeWithJournal(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// Every page of `from` into `to`, in one write transaction of `to`.
Status backup(Database& from, Database& to) {
    sqlite3_backup* job = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!job)
        return detail::statusFrom(to.handle(), sqlite3_errcode(to.handle()));
    const int stepped = sqlite3_backup_step(job, -1);
    const int finished = sqlite3_backup_finish(job);
    if (stepped != SQLITE_DONE)
        return detail::statusFrom(to.handle(), stepped == SQLITE_OK ? finished : stepped);
    if (finished != SQLITE_OK)
        return detail::statusFrom(to.handle(), finished);
    return {};
}

Status count(Database& db, const QString& sql, int& out) {
    Database::Result result;
    if (Status s = db.query(sql, result); !s)
        return s;
    out = result.rows.value(0).value(0).toInt();
    return {};
}

// Athletes and registrations of a database, or the reason they cannot be read.
Status countRows(Database& db, int& athletes, int& registrations) {
    if (Status s = count(db, QStringLiteral("SELECT count(*) FROM natl"), athletes); !s)
        return s;
    Database::Result tables;
    if (Status s = db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"), tables); !s)
        return s;
    static const QRegularExpression registrationTable(QStringLiteral("^nprg[0-9]+$"),
                                                      QRegularExpression::CaseInsensitiveOption);
    registrations = 0;
    for (const QVariantList& row : std::as_const(tables.rows)) {
        const QString name = row.value(0).toString();
        if (!registrationTable.match(name).hasMatch())
            continue;
        int rows = 0;
        if (Status s = count(db, QStringLiteral("SELECT count(*) FROM \"%1\"").arg(name), rows); !s)
            return s;
        registrations += rows;
    }
    return {};
}

// A copy fit to be put back: whole, and with the program's tables.
Status checkCopy(Database& copy) {
    Database::Result check;
    if (Status s = copy.query(QStringLiteral("PRAGMA integrity_check"), check); !s)
        return s;
    const QString verdict = check.rows.value(0).value(0).toString();
    if (verdict != QLatin1String("ok"))
        return Status::error(err::Damaged, QStringLiteral("la copia e' danneggiata (") + verdict + QLatin1Char(')'));
    for (const char* table : {"natl", "manif"}) {
        if (!copy.tableExists(QString::fromLatin1(table)))
            return Status::error(err::Damaged, QStringLiteral("la copia non contiene le tabelle del programma"));
    }
    return {};
}

} // namespace

QString folderFor(const QString& databasePath) {
    return QFileInfo(databasePath).absoluteDir().filePath(QStringLiteral("copie"));
}

QString beforeImport(const QString& competition) {
    return prefix + QStringLiteral("importazione-") + competition;
}

QString beforeReinitialisation() {
    return prefix + QStringLiteral("reinizializzazione");
}

QString beforeMigration() {
    return prefix + QStringLiteral("aggiornamento");
}

QString beforeRestore() {
    return prefix + QStringLiteral("ripristino");
}

QString describe(const QString& reason) {
    const QString importing = beforeImport({});
    if (reason.startsWith(importing))
        return QStringLiteral("prima dell'importazione della manifestazione ") + reason.mid(importing.size());
    if (reason == beforeReinitialisation())
        return QStringLiteral("prima della reinizializzazione");
    if (reason == beforeMigration())
        return QStringLiteral("prima dell'aggiornamento del database");
    if (reason == beforeRestore())
        return QStringLiteral("prima del ripristino di una copia");
    return QString(reason).replace(QLatin1Char('-'), QLatin1Char(' '));
}

namespace {

// As make(); `spared` (the copy about to be put back) is never the one retention removes.
Status makeSparing(const QString& databasePath, const QString& reason, QString* made, const QString& spared) {
    const QString folder = folderFor(databasePath);
    if (!QDir().mkpath(folder))
        return Status::error(err::ReadOnly,
                             QStringLiteral("non e' stato possibile creare la cartella delle copie ") + folder);
    const QDateTime now = QDateTime::currentDateTime();
    const QString minute = now.toString(QStringLiteral("yyyy-MM-dd_HHmm"));
    int sequence = 1;
    for (const Named& copy : named(folder)) {
        if (copy.made.toString(QStringLiteral("yyyy-MM-dd_HHmm")) == minute)
            sequence = std::max(sequence, copy.sequence + 1);
    }
    const QString name = minute + QLatin1Char('_') + reason +
                         (sequence > 1 ? QStringLiteral(" (%1)").arg(sequence) : QString()) + QStringLiteral(".mdb");
    const QString target = QDir(folder).filePath(name);
    const QString part = target + QStringLiteral(".parziale");
    // What a copy cut short by a crash left behind is never a copy.
    for (const QString& stale : QDir(folder).entryList({QStringLiteral("*.mdb.parziale")}, QDir::Files))
        removeWithJournal(QDir(folder).filePath(stale));

    Status status = [&]() -> Status {
        Database from;
        if (Status s = from.open(databasePath); !s)
            return s;
        Database to;
        if (Status s = to.open(part, true); !s)
            return s;
        return backup(from, to);
    }();
    if (status && !QFile::rename(part, target))
        status = Status::error(err::DiskError, QStringLiteral("impossibile scrivere ") + target);
    if (!status) {
        removeWithJournal(part);
        return Status::error(status.number, QStringLiteral("non e' stato possibile farne una copia in ") + folder +
                                                QStringLiteral(" (") + status.description + QLatin1Char(')'));
    }
    if (made)
        *made = target;
    QList<Named> all = named(folder);
    all.removeIf([&](const Named& copy) { return QFileInfo(copy.path) == QFileInfo(spared); });
    for (qsizetype i = 0; i + kept < all.size(); ++i)
        removeWithJournal(all.at(i).path);
    return {};
}

} // namespace

Status make(const QString& databasePath, const QString& reason, QString* made) {
    return makeSparing(databasePath, reason, made, {});
}

QList<DatabaseCopy> list(const QString& databasePath) {
    QList<DatabaseCopy> copies;
    const QList<Named> all = named(folderFor(databasePath));
    for (auto it = all.crbegin(); it != all.crend(); ++it) {
        DatabaseCopy copy{it->path, it->made, it->reason};
        Database db;
        int athletes = 0;
        int registrations = 0;
        if (db.open(copy.path) && countRows(db, athletes, registrations)) {
            copy.athletes = athletes;
            copy.registrations = registrations;
        }
        copies.append(copy);
    }
    return copies;
}

Status restore(const QString& databasePath, const QString& copyPath) {
    Database copy;
    if (Status s = copy.open(copyPath); !s)
        return s;
    if (Status s = checkCopy(copy); !s)
        return s;
    if (Status s = makeSparing(databasePath, beforeRestore(), nullptr, copyPath); !s)
        return s;
    Database current;
    if (Status s = current.open(databasePath); !s)
        return s;
    return backup(copy, current);
}

} // namespace onda::copies
