#pragma once

#include "store/Schema.h"

#include "service/ServiceAnswer.h"
#include "store/Status.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace onda {

// Codes for the athletes the service sends without one: the archive's code of an athlete it
// knows by name and club, otherwise the first provisional code that no athlete of the archive
// and no line of the import has, nor one given before in the same import.
class ProvisionalCodes {
public:
    QString proposedFor(const QString& name, const QString& club) const;
    // `code` is the athlete's from now on, and no other's.
    void give(const QString& name, const QString& club, const QString& code);
    // A code a line of the import carries: no other athlete is given it.
    void reserve(const QString& code) { m_taken.insert(code.toLongLong()); }

private:
    QSet<qlonglong> m_taken;
    QHash<QString, QString> m_byAthlete; // by name and club, without regard to case
};

// What the service sends is written to the local database here, each step in one
// transaction: a failure or a crash leaves the step's rows as they were before it.
// manifId is the competition number as the workspace shows it; it names the
// registration table, so anything but digits is refused.
class OnlineImport {
public:
    explicit OnlineImport(QString databasePath) : m_path(std::move(databasePath)) {}

    // The club's user and PIN in the one row of config.
    Status storeLogin(const QString& club, const QString& userId, const QString& pin) const;
    // The competitions of this group and user replace those stored before.
    Status storeCompetitionList(const CompetitionList& list, const QString& userId, const QString& club) const;
    Status replaceCategories(const QString& manifId, const QList<Category>& categories) const;
    Status replaceRaces(const QString& manifId, const QList<Race>& races) const;
    // The club's rows of the competition's table (created from the template when missing)
    // become these; athletes the archive does not know by name and club are added to it.
    // Every registration must carry its code by now.
    Status replaceRegistrations(const QString& manifId, const QString& club,
                                const QList<Registration>& registrations) const;
    // The club's rows of the competition made on this computer (status "p") that
    // `registrations` does not hold, by athlete and race: what replaceRegistrations would lose.
    Status countLocalOnly(const QString& manifId, const QString& club, const QList<Registration>& registrations,
                          int& count) const;
    // The codes of the archive and of `registrations`, for the athletes sent without one.
    Status readCodes(const QList<Registration>& registrations, ProvisionalCodes& codes) const;
    // The note is kept with one blank appended; nothing is stored when the competition
    // of this user is not in the list.
    Status storeNote(const QString& manifId, const QString& userId, const QString& note) const;

private:
    Status replaceCompetitionRows(const QString& manifId, const QString& table, const QStringList& fields,
                                  const QList<QVariantList>& rows) const;

    QString m_path;
};

bool isCompetitionNumber(const QString& manifId);

} // namespace onda
