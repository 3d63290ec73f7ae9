#include "core/CompetitionSession.h"

namespace onda {

bool isNotePresent(const QString& note) {
    return !note.trimmed().isEmpty();
}

void CompetitionSession::open(const Competition& competition) {
    m_competition = competition;
    emit changed();
}

void CompetitionSession::setClub(const QString& club) {
    m_club = club;
    emit clubChanged(club);
    emit changed();
}

void CompetitionSession::setRegistrationCount(int count) {
    change([count](Competition& c) { c.registrationCount = QString::number(count); });
}

} // namespace onda
