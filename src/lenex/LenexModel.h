#pragma once

#include <QDate>
#include <QList>
#include <QString>

namespace onda::lenex {

// A race as meet software describes it; distance is per swimmer for relays.
struct SwimStyle {
    int distance = 0;
    int relayCount = 1;
    QString stroke; // FREE, BACK, BREAST, FLY, MEDLEY, ... or UNKNOWN
    QString name;   // free text; keeps our code when the stroke is UNKNOWN
};

struct AgeGroup {
    QString id;
    int ageMin = -1; // -1: no bound
    int ageMax = -1;
    QString gender;
    QString name;
};

struct Event {
    QString id;
    int number = 0;
    QString gender; // M, F, X or A
    QString round;
    SwimStyle style;
    QList<AgeGroup> ageGroups;
};

struct Session {
    int number = 0;
    QDate date;
    QString course; // empty: the meet's
    QList<Event> events;
};

// Times are hundredths of a second; -1 is no time.
struct Entry {
    QString eventId;
    int time = -1;
};

struct Result {
    QString eventId;
    int time = -1;
    QString status; // empty for a valid result
};

struct Athlete {
    QString id;
    QString lastName;
    QString firstName;
    QDate birthDate;
    QString gender;
    QString license;
    QList<Entry> entries;
    QList<Result> results;
};

struct Relay {
    int number = 1;
    QString gender;
    QString name;
    QList<Entry> entries;
};

struct Club {
    QString name;
    QString code;
    QString nation;
    QList<Athlete> athletes;
    QList<Relay> relays;
};

struct Meet {
    QString name;
    QString city;
    QString nation;
    QString course;
    QDate ageDate;
    QString ageDateType;
    QDate deadline;
    int maxEntriesAthlete = 0; // 0: no limit given
    QList<Session> sessions;
    QList<Club> clubs;

    // The event and the course it is swum in (the session's, else the meet's); nullptr when absent.
    const Event* event(const QString& id, QString* course = nullptr) const;
    int eventCount() const;
};

// Who wrote the file.
struct Constructor {
    QString name;
    QString version;
    QString registration; // the licensee: the club
    QString email;
};

struct Document {
    QString version;
    Constructor constructor;
    QList<Meet> meets;
};

// Pool length in metres of a course: 50 for LCM, 25 for SCM and SCY, 0 when unknown.
int poolLength(const QString& course);

} // namespace onda::lenex
