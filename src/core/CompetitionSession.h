#pragma once

#include "core/Categories.h"

#include <QObject>
#include <QString>
#include <QVariant>

namespace onda {

// The open competition: what the workspace shows of it and what the other windows read.
struct Competition {
    QString number; // CurrentCompetition; empty until a competition is opened
    QString name;
    QString place;
    QString date;
    QVariant maxEntriesPerClub;    // as stored; null when the competition has none
    QVariant maxEntriesPerAthlete; // as stored; null when the competition has none
    QString note;
    QList<CompetitionCategory> categories;
    QString registrationCount; // niscrizioni
    bool notePresent = false;  // what the registration window's "Nota presente" box shows
};

// Whether a note counts as present: anything but blanks.
bool isNotePresent(const QString& note);

// The one holder of the open competition and of the club whose registrations are made:
// windows show it and follow `changed`, flows change it only here.
class CompetitionSession : public QObject {
    Q_OBJECT
public:
    const Competition& current() const { return m_competition; }
    const QString& number() const { return m_competition.number; }
    const QString& club() const { return m_club; }
    // The user whose competitions the workspace holds after an off-line opening; empty for all.
    const QString& listedUser() const { return m_listedUser; }

    void open(const Competition& competition);
    template <class Change> void change(Change&& apply) {
        apply(m_competition);
        emit changed();
    }
    // Always told, even when the club stays: the workspace then shows it again.
    void setClub(const QString& club);
    void setRegistrationCount(int count);
    void setListedUser(const QString& user) { m_listedUser = user; }

signals:
    void changed();
    void clubChanged(const QString& club);

private:
    friend class AppState; // its `club` names the session's, for the readers of the old name
    Competition m_competition;
    QString m_club;
    QString m_listedUser;
};

} // namespace onda
