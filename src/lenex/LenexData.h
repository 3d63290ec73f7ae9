#pragma once

#include "lenex/LenexModel.h"
#include "store/Status.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace onda::lenex {

// The club's registrations of competition `number` as an entries document: one EVENT per race
// and sex of the competition's programme, with its age groups; one ATHLETE or RELAY with its
// ENTRY elements per registered athlete or team.
Status entriesDocument(const QString& databasePath, const QString& number, const QString& club, Document& out);

// The competition of an invitation created locally in one transaction: the manif row, its
// categories from the age groups, its races from the events and its empty registration table.
// `number` receives the local number given to it.
Status importInvitation(const QString& databasePath, const Meet& meet, const QString& userId, const QString& club,
                        QString& number);

struct ResultsSummary {
    int times = 0;        // valid results of the club's athletes read
    QStringList athletes; // codes of the athletes they belong to
    QStringList notFound; // athletes of the file missing from the archive, as "NAME (year)"
    bool clubFound = false;
};

// The best times of a results document for the club's athletes, kept per race and pool length
// in one transaction. Athletes are matched by license = code, else by name and year of birth
// within the club's archive; none is ever created.
Status importResults(const QString& databasePath, const Document& document, const QString& club,
                     ResultsSummary& summary);

struct BestTime {
    int time = -1; // hundredths
    int pool = 0;  // metres
    QDate date;
    QString meet;
};

// The athlete's best time in a race over every pool length; nothing when there is none.
std::optional<BestTime> bestTime(const QString& databasePath, const QString& code, const QString& race);
// "01:05.34": how a best time is shown and typed into the time box.
QString shownBestTime(int hundredths);

} // namespace onda::lenex
