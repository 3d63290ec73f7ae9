#pragma once

#include "lenex/LenexModel.h"
#include "store/Status.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace onda::lenex {

// The club as it stands in a LENEX file: its code is the program's club, its name and nation
// are kept in the settings.
struct ClubIdentity {
    QString code;
    QString name;
    QString nation = QStringLiteral("ITA");
};

// What an entries document could not hold.
struct EntriesProblems {
    QStringList withoutYear; // athletes as "NAME (code)": the file needs their birth dates
    QStringList notWritten;  // registrations as "NAME: race" whose race is no event of the meet
};

// The club's registrations of competition `number` as an entries document. For a competition
// made from an invitation, the organiser's meet, sessions and events as the invitation gave them
// and each entry on its own event and age group; for one of the service, one event per race and
// sex of the programme, with its categories as age groups, in the course kept for it.
Status entriesDocument(const QString& databasePath, const QString& number, const ClubIdentity& club, Document& out,
                       EntriesProblems& problems);

// The course kept for a competition: the invitation's, or the one given for a competition of the
// service; empty when none is known.
QString competitionCourse(const QString& databasePath, const QString& number);
Status keepCompetitionCourse(const QString& databasePath, const QString& number, const QString& course);
// True when the competition was made from an organiser's invitation.
bool madeFromInvitation(const QString& databasePath, const QString& number);

// The years of birth an age group stands for, as the meet counts ages: by the year of the age
// date (YEAR), or at the date itself (DATE and the federations' types), where both years that
// can have the age on that date belong to it. A group of relays by total age keeps its ages.
struct YearSpan {
    int first = 0;
    int last = 0;
};
YearSpan birthYears(const AgeGroup& group, const QDate& ageDate, const QString& ageDateType);

// The competition of an invitation created locally in one transaction: the manif row, its
// categories from the age groups, its races from the events that take entries, its empty
// registration table, and the organiser's meet kept beside them. `number` receives the local
// number given to it.
Status importInvitation(const QString& databasePath, const Meet& meet, const QString& userId, const QString& club,
                        QString& number);

// A note for the category list of a competition made from an invitation; empty for others.
QString categoriesNote(const QString& databasePath, const QString& number);

struct ResultsSummary {
    int times = 0;        // valid results of the club's athletes read
    QStringList athletes; // codes of the athletes they belong to
    QStringList notFound; // athletes of the file missing from the archive, as "NAME (year)"
    bool clubFound = false;
};

// The best times of a results document for the club's athletes, kept per race and course in one
// transaction. Clubs are ours by code or name; athletes are matched by license = code, else by
// name and year of birth within the club's archive; none is ever created.
Status importResults(const QString& databasePath, const Document& document, const ClubIdentity& club,
                     ResultsSummary& summary);

struct BestTime {
    int time = -1; // hundredths
    int pool = 0;  // in the course's unit
    QDate date;
    QString meet;
    QString course;
};

// The athlete's best time in a race: in `course` when there is one, else over every pool in
// metres; nothing when there is none.
std::optional<BestTime> bestTime(const QString& databasePath, const QString& code, const QString& race,
                                 const QString& course = {});
// "01:05.34": how a best time is shown and typed into the time box.
QString shownBestTime(int hundredths);

} // namespace onda::lenex
