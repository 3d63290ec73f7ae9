#pragma once

#include "store/Status.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

// A scratch program directory holding a fresh ONDA.mdb made by the store's own schema,
// plus helpers that fill the program tables for a test.
class FixtureDb {
public:
    struct Competition {
        qlonglong numero = 0;
        QString nome;
        QString localita;
        QDate data;
        int maxPerClub = 0;
        int maxPerAthlete = 0;
        qlonglong gruppoId = 0;
        QString userName;
        QString societa;
        QString nota;
    };

    struct Registration {
        qlonglong codatl = 0;
        QString nome;
        int anno = 0;
        QString cat;
        QString soc;
        QString sesso;
        QString spec;
        QVariant m; // null when not given
        QVariant s;
        QString status;
    };

    FixtureDb();

    bool isValid() const { return m_valid; }
    QString dir() const { return m_dir.path(); }
    QString path() const; // the ONDA.mdb file
    QString filePath(const QString& name) const;

    onda::Status addConfig(const QString& societa, const QString& userid, const QString& password);
    // squadra: true, false or null (an invalid QVariant).
    onda::Status addAthlete(qlonglong codatl, const QString& nome, int anno, const QString& soc, const QString& sesso,
                            const QVariant& squadra = {});
    onda::Status addCompetition(const Competition& competition);
    onda::Status addCategory(qlonglong manifId, const QString& categoria, const QString& sesso, int annoIni,
                             int annoFin);
    onda::Status addEvent(qlonglong manifId, int ordineGara, const QString& gara, const QString& categoria,
                          const QString& sesso, int anno);

    // Creates nprg<competition> like the template (or, withInsertionOrder=false, like a file of
    // an old version, without OrdineInserimento) and fills it.
    onda::Status createRegistrationTable(const QString& competition, const QList<Registration>& rows,
                                         bool withInsertionOrder = true);
    onda::Status addRegistration(const QString& competition, const Registration& row);

    // Direct access for checks: runs a statement of the program's dialect.
    onda::Status exec(const QString& sql, const QVariantList& parameters = {});
    // First column of every row of a query.
    QVariantList column(const QString& sql, const QVariantList& parameters = {});
    int count(const QString& table, const QString& where = {});
    bool tableExists(const QString& table);

private:
    QTemporaryDir m_dir;
    bool m_valid = false;
};
