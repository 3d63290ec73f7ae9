#pragma once

#include "entry/EntryTime.h"
#include "store/Status.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

namespace onda {

class AppState;
class Database;

// An athlete as the registration window's frame holds it, all as text.
struct AthleteFields {
    QString code;
    QString name;
    QString sex;
    QString year;
    QString club;
    qlonglong row = -1; // the archive row it was read from
};

// What one "Iscrivi" writes.
struct RegistrationEntry {
    QString code;
    QString name;
    QString sex;
    QString year;
    QString category;
    QString race;
    SwimTime time;
};

// The refusal of a new registration over the competition's per-athlete limit, or nothing.
// `limit` is the value as stored: null (no limit stored) means no limit. Re-registering a
// race the athlete already holds is always allowed.
std::optional<QString> athleteLimitRefusal(const QStringList& athleteRaces, const QString& race, const QVariant& limit);

// The mark of a race the athlete already holds, after its code in the race list.
inline const QString& heldRaceSuffix() {
    static const QString suffix = QStringLiteral(" (gia' registrato)");
    return suffix;
}
// The race code of a line of the race list: "-" lines are none; a leading ">" and the
// blanks after it and the mark of a held race are dropped.
QString raceOfLine(const QString& line);

// The data work of the registration window for the open competition and the user's club,
// on the tables themselves with bound values: lookups, the race list, writing and deleting
// registrations and remembered times. No widget, no data source and no dialog: the window
// asks the user and reads its grid again when a command says the registrations changed.
class RegistrationBook {
public:
    explicit RegistrationBook(AppState& state);
    ~RegistrationBook();

    // The competition the window shows: its own, not the program's selection, which moves
    // as soon as a row of the workspace is chosen.
    const QString& competition() const { return m_competition; }
    void setCompetition(const QString& number) { m_competition = number; }
    QString table() const; // nprg + the competition number

    // The Records table exists (created when missing); the book follows the program's open competition.
    void load();
    void prepareRecords();

    // Lookups in the archive; nothing when no row matches.
    std::optional<AthleteFields> findInClub(const QString& code);
    std::optional<AthleteFields> findAnywhere(const QString& code);
    std::optional<AthleteFields> findByName(const QString& name);
    // The names of the club's athletes, sorted.
    QStringList clubAthleteNames();

    // "Imposta Atleta": the athlete of another name holding the code (any club), the club's
    // athlete of that name, writing the athlete (over the namesake's row when given), and
    // removing one with its registrations.
    std::optional<AthleteFields> holderOfCode(const QString& code);
    std::optional<AthleteFields> namesake(const QString& name);
    Status writeAthlete(const AthleteFields& athlete, const std::optional<AthleteFields>& overNamesake);
    Status removeAthlete(const QString& code);

    // elencaGare: the lines of the race list for an athlete.
    QStringList raceLines(const QString& code, const QString& category, const QString& sex, const QString& year);
    // The time to show for an athlete's race: its registration's, else the remembered one.
    std::optional<SwimTime> timeFor(const QString& code, const QString& race);

    // The races the athlete holds in the competition; empty when the table cannot be read.
    QStringList athleteRaces(const QString& code);
    // Writes the registration: a race the athlete holds is rewritten in place, and `rewritten`
    // then takes the row's insertion order; otherwise the row is added.
    Status writeRegistration(const RegistrationEntry& entry, std::optional<qlonglong>* rewritten = nullptr);
    // CheckRecord: the remembered time of an athlete in a race.
    std::optional<SwimTime> rememberedTime(const QString& code, const QString& race);
    Status rememberTime(const QString& code, const QString& name, const QString& race, const SwimTime& time);

    // Removes every row of the club with that name and race; `removed` then takes their row ids
    // (the insertion order, in a table that has it).
    Status removeRegistrations(const QString& name, const QString& race, QList<qlonglong>* removed = nullptr);
    // The club's registrations in the competition; 0 when the table cannot be read.
    int clubRegistrationCount();
    // The code of the club's registration with that name and race; empty when none.
    QString codeOfRegistration(const QString& name, const QString& race);

private:
    QString club() const;
    Database& database();
    std::optional<AthleteFields> firstAthlete(const QString& where, const QVariantList& values);

    AppState& m_state;
    std::unique_ptr<Database> m_db;
    QString m_competition;
    // The club's names as last read, and the state of the file and the club they were read in.
    struct {
        QString mark;
        QStringList names;
    } m_names;
};

} // namespace onda
