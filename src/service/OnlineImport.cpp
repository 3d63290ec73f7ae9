#include "service/OnlineImport.h"

#include "athletes/AthleteCodes.h"

#include "store/Database.h"
#include "store/RowWrite.h"
#include "store/Schema.h"
#include "store/SqlText.h"
#include "store/Transaction.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <functional>

namespace onda {

namespace {

Status notACompetition(const QString& manifId) {
    return Status::error(err::TypeMismatch, QStringLiteral("Numero di manifestazione non valido: ") + manifId);
}

using FieldValues = FieldValueList;

// A new row, every value converted as the store converts it.
Status addRow(Database& db, const QString& table, const FieldValues& values) {
    return writeRow(db, table, values);
}

// The first row of `table` that `where` (its values bound) selects takes the values, each
// converted as the store converts it; no row selected changes nothing.
Status updateFirstRow(Database& db, const QString& table, const QString& where, const QVariantList& whereValues,
                      const FieldValues& values) {
    return writeRow(db, table, values,
                    QStringLiteral("rowid=(select rowid from [") + table + QLatin1Char(']') +
                        (where.isEmpty() ? QString() : QStringLiteral(" where ") + where) + QStringLiteral(" limit 1)"),
                    whereValues);
}

// The archive knows an athlete by name and club, compared as the database compares text:
// without regard to case; an accent sent as a letter and a mark is the same letter.
QString athleteKey(const QString& nome, const QString& soc) {
    return (nome + QChar(0x1F) + soc).normalized(QString::NormalizationForm_C).toCaseFolded();
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
    return inTransaction(m_path, [&](Database& db) -> Status {
        Database::Result rows;
        if (Status s = db.query(QStringLiteral("select count(*) from config"), rows); !s)
            return s;
        const FieldValues values{
            {QStringLiteral("societa"), club}, {QStringLiteral("userid"), userId}, {QStringLiteral("password"), pin}};
        // The program keeps one login: the first row, made when there is none.
        return rows.rows.value(0).value(0).toInt() == 0 ? addRow(db, QStringLiteral("config"), values)
                                                        : updateFirstRow(db, QStringLiteral("config"), {}, {}, values);
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
        for (const ListedCompetition& c : list.competitions) {
            if (Status s = addRow(db, QStringLiteral("manif"),
                                  {{QStringLiteral("Nome Manifestazione"), c.nome},
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
                                          const RegistrationSource& registrations) const {
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
        for (const QVariantList& row : std::as_const(known.rows))
            athletes.insert(key(row.value(0).toString(), row.value(1).toString()));
        known = {};

        Registration r;
        const RegistrationReader lines = registrations();
        if (Status s = db.insertRows(
                table,
                {QStringLiteral("codatl"), QStringLiteral("nome"), QStringLiteral("soc"), QStringLiteral("cat"),
                 QStringLiteral("anno"), QStringLiteral("sesso"), QStringLiteral("spec"), QStringLiteral("m"),
                 QStringLiteral("s"), QStringLiteral("status")},
                [&](QVariantList& row) {
                    if (!lines(r))
                        return false;
                    row = {r.codatl, r.nome, r.soc, r.cat, r.anno, r.sesso, r.spec, r.m, r.s, r.status};
                    return true;
                });
            !s)
            return s;
        // One the archive knows keeps its own code; a new one is added once.
        const RegistrationReader again = registrations();
        return db.insertRows(QStringLiteral("natl"),
                             {QStringLiteral("codatl"), QStringLiteral("nome"), QStringLiteral("soc"),
                              QStringLiteral("anno"), QStringLiteral("sesso")},
                             [&](QVariantList& row) {
                                 while (again(r)) {
                                     if (athletes.contains(key(r.nome, r.soc)))
                                         continue;
                                     athletes.insert(key(r.nome, r.soc));
                                     row = {r.codatl, r.nome, r.soc, r.anno, r.sesso};
                                     return true;
                                 }
                                 return false;
                             });
    });
}

Status OnlineImport::countLocalOnly(const QString& manifId, const QString& club,
                                    const RegistrationSource& registrations, int& count) const {
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
    Database::Result local;
    if (Status s = db.query(QStringLiteral("SELECT nome, spec FROM ") + registrationTable(manifId) +
                                QStringLiteral(" WHERE soc = ?1 AND status = 'p'"),
                            local, {club});
        !s)
        return s;
    // The local rows are few: they are weighed against the lines as these go by.
    QHash<QString, int> localOnly;
    for (const QVariantList& row : std::as_const(local.rows))
        ++localOnly[key(row.value(0).toString(), row.value(1).toString())];
    const RegistrationReader lines = registrations();
    for (Registration r; !localOnly.isEmpty() && lines(r);)
        localOnly.remove(key(r.nome, r.spec));
    for (const int n : std::as_const(localOnly))
        count += n;
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

Status OnlineImport::readCodes(const RegistrationSource& received, ProvisionalCodes& codes) const {
    Database db;
    if (Status s = db.openShared(m_path); !s)
        return s;
    Database::Result known;
    if (Status s = db.query(QStringLiteral("select codatl, nome, soc from natl where codatl is not null"), known); !s)
        return s;
    for (const QVariantList& row : std::as_const(known.rows))
        codes.give(row.value(1).toString(), row.value(2).toString(), row.value(0).toString());
    const RegistrationReader next = received();
    for (Registration r; next(r);) {
        if (!r.codatl.isEmpty())
            codes.reserve(r.codatl);
    }
    return {};
}

Status OnlineImport::storeNote(const QString& manifId, const QString& userId, const QString& note) const {
    if (!isCompetitionNumber(manifId))
        return notACompetition(manifId);
    return inTransaction(m_path, [&](Database& db) -> Status {
        return updateFirstRow(db, QStringLiteral("manif"), QStringLiteral("[Numero Prova]=? and userName=?"),
                              {manifId, userId}, {{QStringLiteral("Nota"), QString(note + QLatin1Char(' '))}});
    });
}

} // namespace onda
