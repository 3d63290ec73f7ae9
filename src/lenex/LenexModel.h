#pragma once

#include <QDate>
#include <QList>
#include <QString>

namespace onda::lenex {

// A race as meet software describes it; distance is per swimmer for relays.
struct SwimStyle {
    int distance = 0;
    int relayCount = 1;
    QString stroke;    // FREE, BACK, BREAST, FLY, MEDLEY, ... or UNKNOWN
    QString name;      // free text; keeps our code when the stroke is UNKNOWN
    QString technique; // empty for normal swimming; KICK, PULL, DIVE, GLIDE, START, TURN
    QString id;        // swimstyleid: what tells UNKNOWN styles apart
    QString code;      // at most 6 characters, for UNKNOWN styles
};

// A fee in cents of `currency`; `type` says what it is paid for (CLUB, ATHLETE, RELAY, TEAM,
// LATEENTRY.INDIVIDUAL, LATEENTRY.RELAY) and is empty for an event's fee per entry.
struct Fee {
    QString type;
    int value = 0;
    QString currency;
};

// An event's reference to a time standard list, with the fine for a missed standard.
struct TimeStandardRef {
    QString listId;
    QString marker;
    Fee fee;
};

struct AgeGroup {
    QString id;
    int ageMin = -1; // -1: no bound
    int ageMax = -1;
    QString gender;
    QString name;
    QString calculate; // SINGLE (each relay swimmer) or TOTAL (the team's total age)
    QString handicap;

    bool byTotalAge() const { return calculate.compare(QLatin1String("TOTAL"), Qt::CaseInsensitive) == 0; }
};

struct Event {
    QString id;
    int number = 0;
    QString gender; // M, F, X or A
    QString round;
    SwimStyle style;
    QList<AgeGroup> ageGroups;
    QString previousId; // the round before this one; empty or -1 for a first round
    int maxEntries = 0; // per club; 0: no limit given
    QList<TimeStandardRef> standardRefs;
    Fee fee; // per entry; value 0: none

    // Entries are made for first rounds; finals and swim-offs follow from them.
    bool takesEntries() const { return previousId.isEmpty() || previousId == QLatin1String("-1"); }
};

struct Session {
    int number = 0;
    QDate date;
    QString course; // empty: the meet's
    QList<Event> events;
    QString name;
    int maxEntriesAthlete = 0; // 0: no limit given
    int maxEntriesRelay = 0;
    QList<Fee> fees;
};

// Times are hundredths of a second; -1 is no time.
struct Entry {
    QString eventId;
    int time = -1;
    QString ageGroupId;
    QString course; // the pool the entry time was swum in; empty: not said
    QString marker; // the invitation's mark for an entry that misses a standard
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
    int ageMin = -1; // of each swimmer; -1: no bound
    int ageMax = -1;
    int ageTotalMin = -1; // of the team together; -1: unknown
    int ageTotalMax = -1;
};

struct Club {
    QString name;
    QString code;
    QString nation;
    QList<Athlete> athletes;
    QList<Relay> relays;
};

// One qualifying time of a list.
struct TimeStandard {
    SwimStyle style;
    int time = -1;
};

struct TimeStandardList {
    QString id;
    QString name;
    QString type; // MAXIMUM (the default), MINIMUM or DEFAULT
    QString gender;
    QString course;
    QString handicap;
    int ageMin = -1; // -1: no bound
    int ageMax = -1;
    QList<TimeStandard> standards;
};

// How entry times qualify: the period they must be swum in and how times of another pool count.
struct Qualify {
    QDate from;
    QDate until;
    QString conversion; // NONE (the default), PERCENT_LINEAR, FINA_POINTS, NON_CONFORMING_LAST
    int percent = 0;
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
    QString deadlineTime;    // HH:MM
    int maxEntriesRelay = 0; // per club; 0: no limit given
    QList<Fee> fees;
    Qualify qualify;
    // The file's time standard lists: they stand beside the meets, every meet of the file gets them.
    QList<TimeStandardList> timeStandards;

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

// Pool length of a course in its own unit: 50 for LCM, 25 for SCM and SCY, 16, 20, 33 for
// SCM16, SCM20, SCM33 and the yards of SCY20...SCY36; 0 for open water and unknown courses.
int poolLength(const QString& course);
// The course as words for the user: "vasca 25 m", "vasca 25 yd", "acque libere".
QString courseWords(const QString& course);
// Yards and open water are never compared with pools in metres.
bool isMetricPool(const QString& course);

} // namespace onda::lenex
