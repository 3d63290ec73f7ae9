#pragma once

#include "lenex/LenexModel.h"
#include "store/Status.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>

#include <optional>

namespace onda {
class Database;
}

namespace onda::lenex {

// Keeps what an invitation says about entries for competition `number`: its standard lists, the
// events' references to them, fees and the qualifying period. Runs inside the import's transaction.
Status keepEntryRules(Database& db, qlonglong number, const Meet& meet);

// Notes the moment the entry of athlete `code` in `race` was made; `renewed` false keeps an
// earlier moment (a time changed on an entry already made is no new entry).
Status noteEntryMade(const QString& databasePath, const QString& number, const QString& code, const QString& race,
                     const QDateTime& when, bool renewed);

// The time an entry is checked with: hundredths (-1: none), the pool it was swum in (empty: the
// event's) and the day (invalid: unknown, as for a typed time).
struct GivenTime {
    int time = -1;
    QString course;
    QDate date;
};

// What the standards of an event say about one entry.
struct StandardCheck {
    QString line;     // "Tempo limite 01:10.00 (vasca 50 m): raggiunto"; empty when none applies
    bool ask = false; // a MAXIMUM missed or a MINIMUM beaten: the user decides
    QStringList problems;
    int fine = 0;   // of the missed standard's reference, in cents
    QString marker; // of the missed standard's reference: what the invitation marks such entries with
};

// What an invitation says about entries, read from the competition's tables.
class EntryRules {
public:
    // The rules of competition `number`; with `race`, only what that race's events need.
    static Status load(Database& db, const QString& number, EntryRules& out, const QString& race = {});
    bool fromInvitation() const { return !m_events.isEmpty(); }

    // The standards of the event of `race` for that category and sex, and the athlete's time.
    StandardCheck standard(const QString& race, const QString& category, const QString& sex, int birthYear,
                           const GivenTime& time) const;
    // The course of the event a race stands for; the meet's when unknown.
    QString courseOf(const QString& race, const QString& category, const QString& sex) const;

    // The refusal of one more entry over the session's or the event's limits, or nothing.
    // `entries` are the club's other entries as (code, race, category, sex); the one being
    // made is `code` in `race`.
    struct Held {
        QString code;
        QString race;
        QString category;
        QString sex;
    };
    std::optional<QString> limitRefusal(const QList<Held>& entries, const Held& entry) const;
    // The same over counts kept entry by entry, for many entries in turn.
    struct Counts {
        QHash<QString, int> event;          // by event id
        QHash<QString, int> athleteSession; // code|session, individual entries
        QHash<int, int> relaySession;
        int relays = 0;
    };
    void count(Counts& counts, const Held& entry) const;
    std::optional<QString> limitRefusal(const Counts& counts, const Held& entry) const;

    // The moment entries close; invalid when the invitation gives none.
    QDateTime deadline() const;

private:
    friend Status checkEntries(const QString&, const QString&, const QString&, struct EntriesCheck&);
    friend QDateTime entryDeadline(const QString&, const QString&);
    // An event's reference to a standard list.
    struct Ref {
        int list = -1; // in m_lists; -1: a list the invitation does not have
        QString marker;
        Fee fee;
    };
    struct Event {
        QString id;
        int number = 0;
        int session = 0;
        QString course;
        QString race;
        bool relay = false;
        int maxEntries = 0;
        Fee fee;
        quint64 style = 0; // see styleOf
        QList<Ref> refs;
        QHash<QString, AgeGroup> groups;
    };
    struct List {
        bool upper = true;  // MAXIMUM: times must not be slower
        bool lower = false; // MINIMUM: times must not be faster; neither: DEFAULT, no check
        QString gender;
        QString course;
        QString handicap;
        int ageMin = -1;
        int ageMax = -1;
        QHash<quint64, int> times; // by style
    };
    struct SessionLimits {
        QString course;
        int athlete = 0;
        int relay = 0;
        QList<Fee> fees;
    };
    struct Race {
        QString event;
        QString group;
    };
    // The standards an entry may be held to: of lists with an upper and a lower limit.
    struct Candidate {
        const List* list;
        const Ref* ref;
        int time;
        QString head; // "Tempo limite 01:10.00 (vasca 50 m)"
    };
    struct Candidates {
        QVarLengthArray<Candidate, 4> maximum;
        QVarLengthArray<Candidate, 4> minimum;
    };
    struct CandidateKey {
        const Event* event;
        QString handicap;
        QString gender;
        int age;
        bool operator==(const CandidateKey&) const = default;
        friend size_t qHash(const CandidateKey& k, size_t seed = 0) {
            return qHashMulti(seed, k.event, k.handicap, k.gender, k.age);
        }
    };
    // Distance, swimmers, stroke and technique as one number; the words numbered as they come.
    quint64 styleOf(qint64 distance, qint64 relayCount, QByteArrayView stroke, QByteArrayView technique);
    const Event* eventOf(const QString& race, const QString& category, const QString& sex,
                         QString* group = nullptr) const;
    // The event of a registration, with its age group and what the standards are chosen by.
    struct Applies {
        const Event* event = nullptr;
        QString group;
        QString handicap; // of the age group
        QString gender;   // M, F or X, as the lists give it
    };
    Applies appliesTo(const QString& race, const QString& category, const QString& sex) const;
    StandardCheck standard(const Applies& applies, int birthYear, const GivenTime& time) const;
    void count(Counts& counts, const Event& e, const QString& code) const;
    std::optional<QString> limitRefusal(const Counts& counts, const Event& e, const Held& entry) const;

    QDate m_ageDate;
    QString m_ageDateType;
    QString m_course;
    QDate m_deadline;
    QString m_deadlineTime;
    int m_maxRelay = 0;
    QDate m_firstDay;
    Qualify m_qualify;
    QList<Fee> m_fees;
    QHash<int, SessionLimits> m_sessions;
    QHash<QString, Event> m_events;
    QList<List> m_lists;
    QHash<QByteArray, int> m_listIndex; // by list id
    QHash<QByteArray, int> m_words;
    mutable QHash<CandidateKey, Candidates> m_candidates;
    QHash<QString, Race> m_races; // RACE|CATEGORY|sex
};

// The best times of an athlete in a race in every pool, for GivenTime.
QList<GivenTime> recordedTimes(Database& db, const QString& code, const QString& race);
// The best times of the athletes entered by `club` in competition `number`, by code|RACE.
QHash<QString, QList<GivenTime>> clubRecordedTimes(Database& db, const QString& number, const QString& club);
QString recordedKey(const QString& code, const QString& race);
// The given time of an entry time: the recorded time it equals, else a time of the event's pool.
GivenTime givenTime(int time, const QList<GivenTime>& recorded);

// One line of the club's bill.
struct BillLine {
    QString what;
    int count = 0;
    int unit = 0; // cents
    int total = 0;
};

// One entry of the club as the check sees it.
struct CheckedEntry {
    QString code;
    QString name;
    int year = 0;
    QString category;
    QString sex;
    QString race;
    int time = -1;
    QString standard; // the standard's line, empty when none applies
    QStringList problems;
};

struct EntriesCheck {
    bool invitation = false; // the competition was made from an invitation
    QList<CheckedEntry> entries;
    QList<BillLine> bill;
    int total = 0;
    QString currency;
    QDateTime deadline;
};

// Every entry of `club` in competition `number` checked against the invitation, and the bill.
Status checkEntries(const QString& databasePath, const QString& number, const QString& club, EntriesCheck& out);

// The moment entries to competition `number` close; invalid when its invitation gives none.
QDateTime entryDeadline(const QString& databasePath, const QString& number);
// "Termine per le iscrizioni: 30/04/2024 alle 18:00", with " (scaduto)" once it passed at `now`.
QString deadlineLine(const QDateTime& deadline, const QDateTime& now);
// The question before saving entries after the deadline.
QString lateSaveQuestion(const QDateTime& deadline);

// Cents as "175,00"; with the currency after it when there is one.
QString money(int cents, const QString& currency = {});

} // namespace onda::lenex
