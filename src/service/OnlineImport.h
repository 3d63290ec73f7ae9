#pragma once

#include "store/Schema.h"

#include "service/ServiceAnswer.h"
#include "store/Status.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace onda {

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
    // The registrations are read twice, one at a time: none is held.
    Status replaceRegistrations(const QString& manifId, const QString& club, const Registrations& registrations) const;
    Status replaceRegistrations(const QString& manifId, const QString& club,
                                const QList<Registration>& registrations) const {
        return replaceRegistrations(manifId, club, registrationsOf(registrations));
    }
    // The club's rows of the competition made on this computer (status "p") that
    // `registrations` does not hold, by athlete and race: what replaceRegistrations would lose.
    Status countLocalOnly(const QString& manifId, const QString& club, const Registrations& registrations,
                          int& count) const;
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
