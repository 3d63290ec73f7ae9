#pragma once

#include "store/DataSource.h"
#include "store/Status.h"
#include "store/Store.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <functional>
#include <memory>
#include <utility>

// A scratch program directory holding a fresh ONDA.mdb made by the store's own start-up,
// plus helpers that fill and read it for a test. Needs no widget.
class FixtureDb {
public:
    using Values = QList<std::pair<QString, QVariant>>;

    FixtureDb();

    bool isValid() const { return m_valid; }
    QString dir() const { return m_dir.path(); } // the program directory
    QString path() const { return filePath(QStringLiteral("ONDA.mdb")); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // One row: insert("natl", {{"codatl", 500000}, {"nome", "ROSSI MARIO"}}).
    onda::Status insert(const QString& table, const Values& values);
    // Rows given as values in the order of `columns`.
    onda::Status insertRows(const QString& table, const QStringList& columns, const QList<QVariantList>& rows);

    // Athletes 500000 ROSSI MARIO (ABC, 2005), 500001 D'ANGELO LUCA (ABC, 2006, team flag
    // null), 500002 BIANCHI ANNA (XYZ, 2007, F), 500003 STAFFETTA ABC (ABC, relay team).
    onda::Status seedAthletes();
    // Competition 57 for registration entry: races 100SL, 200SL, 100FA, 50DO (1990 only),
    // 50RA (1991 only) of RAG males and 50SL of ESO females, its empty registration table,
    // athletes 1001 ROSSI MARIO, 1002 D'ANGELO LUCA (ABC, M, 1990), 1003 NERI ADA (ABC, F,
    // 1970) and 2001 BIANCHI EZIO (XYZ, M, 1990).
    onda::Status seedEntryCompetition();
    // Competitions 57 (1/5/2024, group 7, user zeta), 570 (15/3/2024, group 7, user Beta),
    // 59 (15/3/2024, group 7, user alfa) and 58 (1/12/2023, group 9, user alfa).
    onda::Status seedCompetitions();

    // Creates nprg<competition> like the template, or like a file of an old version
    // (withInsertionOrder=false, without OrdineInserimento).
    onda::Status createRegistrationTable(const QString& competition, bool withInsertionOrder = true);
    // A registration of `codatl` with the athlete's name and club.
    onda::Status addRegistration(const QString& competition, qlonglong codatl, const QString& nome, const QString& soc,
                                 const QVariant& m = {});

    // The program's store on this file, waiting 50 ms for a lock and with no size limit.
    onda::Store store() const;
    // A snapshot set on this file, not yet read.
    std::unique_ptr<onda::DataSource> source(const QString& recordSource, const QString& name = {}) const;

    // Runs a statement of the program's dialect.
    onda::Status exec(const QString& sql, const QVariantList& parameters = {});
    // First column of every row of a query.
    QVariantList column(const QString& sql, const QVariantList& parameters = {});
    // Writes over the first page of `table` in the file, as a failing disk would.
    bool damage(const QString& table);
    int count(const QString& table, const QString& where = {});
    // The file's schema as the sqlite3 tool's .schema shows it, objects by name, then
    // "PRAGMA user_version = N;": the text golden files pin.
    QString schemaText();

private:
    QTemporaryDir m_dir;
    bool m_valid = false;
};

// The whole content of a file; empty when it cannot be read.
QByteArray fileBytes(const QString& path);
// Replaces a file's content; false when it cannot be written.
bool writeFileBytes(const QString& path, const QByteArray& bytes);
// The growth of this process's peak resident memory, in MB, while `work` runs (Linux's VmHWM,
// restarted from the present size first), told with the time it took.
double peakGrowthMb(const std::function<void()>& work);
// First column of every row of a query on any database file; {"!"} when the query fails.
QVariantList databaseColumn(const QString& databasePath, const QString& sql);
