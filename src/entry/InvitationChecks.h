#pragma once

#include <QString>

namespace onda {

class Dialogs;

// One entry as the registration window is about to make it, for the invitation's checks.
struct InvitationEntry {
    QString databasePath;
    QString competition;
    QString club;
    QString code;
    QString race;
    QString category;
    QString sex;
    QString year;
    QString time; // as typed
};

// The line under the time box: the standard that applies and whether the time meets it;
// empty when the competition has none for this entry.
QString standardLine(const InvitationEntry& entry);

// Before "Iscrivi" writes: a refusal over the session's or the event's limits, then the question
// on a missed standard (No preselected). False when the entry is not to be made.
bool invitationAllows(Dialogs& dialogs, const InvitationEntry& entry);

} // namespace onda
