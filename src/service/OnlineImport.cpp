#include "service/OnlineImport.h"

#include "athletes/AthleteCodes.h"

#include "store/DataSource.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/SqlText.h"
#include "store/Transaction.h"

#include <QRegularExpression>
#include <QSet>

#include <functional>

namespace onda {

namespace {

Status notACompetition(const QString& manifId) {
    return Status::error(err::TypeMismatch, QStringLiteral("Numero di manifestazione non valido: ") + manifId);
}

// A new row through a data source, so that every value is converted as the store converts it.
Status addRow(DataSource& source, const QList<QPair<QString, QVariant>>& values) {
    if (Status s = source.addNew(); !s)
        return s;
    for (const auto& [field, value] : values) {
        if (Status s = source.setField(field, value); !s) {
            source.cancelUpdate();
            return s;
        }
    }
    return source.update();
}

Status openSource(DataSource& source, const QString& path, const QString& recordSource) {
    source.setDatabaseFile(path);
    source.setRecordSource(recordSource);
    return source.refresh();
}

// The archive knows an athlete by name and club, compared as the database compares text:
// without regard to case.
QString athleteKey(const QString& nome, const QString& soc) {
    return nome.toCaseFolded() + QChar(0x1F) + soc.toCaseFolded();
}

// An empty field leaves the column unset.
QVariant orNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace

bool isCompetitionNumber(const QString& manifId) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    return digits.match(manifId).hasMatch();
}

Status OnlineImport::storeLogin(const QString& club, const QString& userId, const QString& pin) const {
    return inTransaction(m_path, [&](Database&) -> Status {
        DataSource config;
        if (Status s = openSource(config, m_path, QStringLiteral("config")); !s)
            return s;
        if (Status s = config.rowCount() == 0 ? config.addNew() : config.edit(); !s)
            return s;
        for (const auto& [field, value] :
             {std::pair{QStringLiteral("societa"), club}, std::pair{QStringLiteral("userid"), userId},
              std::pair{QStringLiteral("password"), pin}}) {
            if (Status s = config.setField(field, value); !s) {
                config.cancelUpdate();
                return s;
            }
        }
        return config.update();
    });
}

Status OnlineImport::storeCompetitionList(const CompetitionList& list, const QString& userId,
                                          const QString& club) const {
    return inTransaction(m_path, [&](Database& db) -> Status {
        // A group id that is not a number matches no stored row and deletes nothing.
        const QString group = isCompetitionNumber(list.groupId) ? list.groupId : sqlQuoted(list.groupId);
        if (Status s = db.execute(QStringLiteral("delete * from manif where gruppoID=") + group +
                                  QStringLiteral(" and userName=") + sqlQuoted(userId));
            !s)
            return s;
        DataSource manif;
        if (Status s = openSource(manif, m_path, QStringLiteral("manif")); !s)
            return s;
        for (const ListedCompetition& c : list.competitions) {
            if (Status s = addRow(manif, {{QStringLiteral("Nome Manifestazione"), c.nome},
                                          {QStringLiteral("Numero Prova"), c.numeroProva},
                                          {QStringLiteral("Località"), c.localita},
                                          {QStringLiteral("Data"), c.data},
                                          {QStringLiteral("Num Max Iscrizioni per soc"), orNull(c.maxPerClub)},
                                          {QStringLiteral("Num Max Iscrizioni per atleta"), orNull(c.maxPerAthlete)},
                                          {QStringLiteral("gruppoID"), orNull(list.groupId)},
                                          {QStringLiteral("userName"), userId},
                                          {QStringLiteral("societa"), club}});
                !s)
                return s;
        }
        return {};
    });
}

// The rows of one competition in `table` become `rows` (values for `fields` in order).
Status OnlineImport::replaceCompetitionRows(const QString& manifId, const QString& table, const QStringList& fields,
                                            const QList<QVariantList>& rows) const {
    if (!isCompetitionNumber(manifId))
        return notACompetition(manifId);
    return inTransaction(m_path, [&](Database& db) -> Status {
        if (Status s =
                db.execute(QStringLiteral("delete * from ") + table + QStringLiteral(" where manifID=") + manifId);
            !s)
            return s;
        return db.insertRows(table, fields, rows);
    });
}

Status OnlineImport::replaceCategories(const QString& manifId, const QList<Category>& categories) const {
    QList<QVariantList> rows;
    for (const Category& c : categories)
        rows.append({c.sesso, c.categoria, c.annoIni, c.annoFin, manifId});
    return replaceCompetitionRows(manifId, QStringLiteral("categorie"),
                                  {QStringLiteral("sesso"), QStringLiteral("Categoria"), QStringLiteral("AnnoIni"),
                                   QStringLiteral("AnnoFin"), QStringLiteral("ManifID")},
                                  rows);
}

Status OnlineImport::replaceRaces(const QString& manifId, const QList<Race>& races) const {
    QList<QVariantList> rows;
    for (const Race& r : races)
        rows.append({r.ordineGara, r.gara, r.categoria, r.sesso, manifId});
    return replaceCompetitionRows(manifId, QStringLiteral("programmi"),
                                  {QStringLiteral("OrdineGara"), QStringLiteral("gara"), QStringLiteral("Categoria"),
                                   QStringLiteral("sesso"), QStringLiteral("ManifID")},
                                  rows);
}

Status OnlineImport::replaceRegistrations(const QString& manifId, const QString& club,
                                          const QList<Registration>& registrations) const {
    if (!isCompetitionNumber(manifId))
        return notACompetition(manifId);
    const QString table = registrationTable(manifId);
    // The table comes first, on its own: rows that cannot be written leave the competition
    // with an empty table, never with none.
    if (Status s = inTransaction(m_path,
                                 [&](Database& db) -> Status {
                                     if (db.tableExists(table))
                                         return {};
                                     return db.execute(QStringLiteral("SELECT nprg.* INTO ") + table +
                                                       QStringLiteral(" FROM nprg;"));
                                 });
        !s)
        return s;
    return inTransaction(m_path, [&](Database& db) -> Status {
        if (Status s =
                db.execute(QStringLiteral("delete * from ") + table + QStringLiteral(" where soc=") + sqlQuoted(club));
            !s)
            return s;
        const auto key = athleteKey;
        Database::Result known;
        if (Status s = db.query(QStringLiteral("select nome, soc from natl"), known); !s)
            return s;
        QSet<QString> athletes;
        for (const QVariantList& row : known.rows)
            athletes.insert(key(row.value(0).toString(), row.value(1).toString()));

        QList<QVariantList> rows;
        QList<QVariantList> newAthletes;
        rows.reserve(registrations.size());
        for (const Registration& r : registrations) {
            rows.append({r.codatl, r.nome, r.soc, r.cat, r.anno, r.sesso, r.spec, r.m, r.s, r.status});
            // One the archive knows keeps its own code; a new one is added once.
            if (!athletes.contains(key(r.nome, r.soc))) {
                athletes.insert(key(r.nome, r.soc));
                newAthletes.append({r.codatl, r.nome, r.soc, r.anno, r.sesso});
            }
        }
        if (Status s = db.insertRows(table,
                                     {QStringLiteral("codatl"), QStringLiteral("nome"), QStringLiteral("soc"),
                                      QStringLiteral("cat"), QStringLiteral("anno"), QStringLiteral("sesso"),
                                      QStringLiteral("spec"), QStringLiteral("m"), QStringLiteral("s"),
                                      QStringLiteral("status")},
                                     rows);
            !s)
            return s;
        return db.insertRows(QStringLiteral("natl"),
                             {QStringLiteral("codatl"), QStringLiteral("nome"), QStringLiteral("soc"),
                              QStringLiteral("anno"), QStringLiteral("sesso")},
                             newAthletes);
    });
}

Status OnlineImport::countLocalOnly(const QString& manifId, const QString& club,
                                    const QList<Registration>& registrations, int& count) const {
    count = 0;
    if (!isCompetitionNumber(manifId))
        return notACompetition(manifId);
    Database db;
    if (Status s = db.openShared(m_path); !s)
        return s;
    if (!db.tableExists(registrationTable(manifId)))
        return {};
    // Names and races compare as the database compares text: without regard to case.
    const auto key = [](const QString& nome, const QString& spec) {
        return nome.trimmed().toCaseFolded() + QChar(0x1F) + spec.trimmed().toCaseFolded();
    };
    QSet<QString> held;
    for (const Registration& r : registrations)
        held.insert(key(r.nome, r.spec));
    Database::Result local;
    if (Status s = db.query(QStringLiteral("SELECT nome, spec FROM ") + registrationTable(manifId) +
                                QStringLiteral(" WHERE soc = ?1 AND status = 'p'"),
                            local, {club});
        !s)
        return s;
    for (const QVariantList& row : std::as_const(local.rows))
        count += held.contains(key(row.value(0).toString(), row.value(1).toString())) ? 0 : 1;
    return {};
}

QString ProvisionalCodes::proposedFor(const QString& name, const QString& club) const {
    if (const QString known = m_byAthlete.value(athleteKey(name, club)); !known.isEmpty())
        return known;
    qlonglong code = kFirstProvisionalCode;
    while (m_taken.contains(code))
        ++code;
    return QString::number(code);
}

void ProvisionalCodes::give(const QString& name, const QString& club, const QString& code) {
    m_byAthlete.insert(athleteKey(name, club), code);
    m_taken.insert(code.toLongLong());
}

Status OnlineImport::readCodes(const QList<Registration>& registrations, ProvisionalCodes& codes) const {
    Database db;
    if (Status s = db.openShared(m_path); !s)
        return s;
    Database::Result known;
    if (Status s = db.query(QStringLiteral("select codatl, nome, soc from natl where codatl is not null"), known); !s)
        return s;
    for (const QVariantList& row : std::as_const(known.rows))
        codes.give(row.value(1).toString(), row.value(2).toString(), row.value(0).toString());
    for (const Registration& r : registrations) {
        if (!r.codatl.isEmpty())
            codes.reserve(r.codatl);
    }
    return {};
}

Status OnlineImport::storeNote(const QString& manifId, const QString& userId, const QString& note) const {
    if (!isCompetitionNumber(manifId))
        return notACompetition(manifId);
    return inTransaction(m_path, [&](Database&) -> Status {
        DataSource manif;
        if (Status s = openSource(manif, m_path, QStringLiteral("manif")); !s)
            return s;
        if (Status s = manif.findFirst(QStringLiteral("[Numero Prova]=") + manifId + QStringLiteral(" and userName=") +
                                       sqlQuoted(userId));
            !s)
            return s;
        if (manif.noMatch())
            return {};
        if (Status s = manif.edit(); !s)
            return s;
        if (Status s = manif.setField(QStringLiteral("Nota"), QString(note + QLatin1Char(' '))); !s) {
            manif.cancelUpdate();
            return s;
        }
        return manif.update();
    });
}

} // namespace onda
