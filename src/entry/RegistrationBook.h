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
class DataSource;

// An athlete as the registration window's frame holds it, all as text.
struct AthleteFields {
    QString code;
    QString name;
    QString sex;
    QString year;
    QString club;
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
// over the window's data sources: lookups, the race list, writing and deleting
// registrations and remembered times. No widget and no dialog: the window asks the user.
class RegistrationBook {
public:
    RegistrationBook(AppState& state, DataSource& registrations, DataSource& grid, DataSource& athletes,
                     DataSource& records);
    ~RegistrationBook();

    // The competition the window shows: its own, not the program's selection, which moves
    // as soon as a row of the workspace is chosen.
    const QString& competition() const { return m_competition; }
    void setCompetition(const QString& number) { m_competition = number; }
    QString table() const; // nprg + the competition number

    // The Records table exists (created when missing) and its source is open; the
    // registration sources follow the program's open competition's table.
    void load();
    void prepareRecords();

    // Lookups in the archive; nothing when no row matches.
    std::optional<AthleteFields> findInClub(const QString& code);
    std::optional<AthleteFields> findAnywhere(const QString& code);
    std::optional<AthleteFields> findByName(const QString& name);
    // The names of the club's athletes, sorted.
    QStringList clubAthleteNames();

    // "Imposta Atleta": the athlete of another name holding the code (any club), the club's
    // athlete of that name, writing the athlete, and removing one with its registrations.
    std::optional<AthleteFields> holderOfCode(const QString& code);
    std::optional<AthleteFields> namesake(const QString& name);
    Status writeAthlete(const AthleteFields& athlete, bool overNamesake);
    Status removeAthlete(const QString& code);

    // elencaGare: the lines of the race list for an athlete.
    QStringList raceLines(const QString& code, const QString& category, const QString& sex, const QString& year);
    // The time to show for an athlete's race: its registration's, else the remembered one.
    std::optional<SwimTime> timeFor(const QString& code, const QString& race);

    // The athlete's registrations in the competition (the registration source narrowed to them).
    int athleteRegistrationCount(const QString& code);
    QStringList athleteRaces() const;
    // Writes the registration: a race the athlete holds is rewritten in place, otherwise added.
    // The grid takes the write when it shows the club's rows, so that it follows it at once.
    Status writeRegistration(const RegistrationEntry& entry);
    // CheckRecord: the remembered time of an athlete in a race.
    std::optional<SwimTime> rememberedTime(const QString& code, const QString& race);
    Status rememberTime(const QString& code, const QString& name, const QString& race, const SwimTime& time);

    // The club's rows in the registration and grid sources, newest first; the club's count.
    // Only the grid is read at once.
    int showClubRegistrations();
    // The same after writeRegistration: the grid is read again only when it did not take the write.
    int showWrittenRegistration();
    // Removes every row of the club with that name and race; the grid drops them (it is read
    // again when it does not show them all).
    Status removeRegistrations(const QString& name, const QString& race);
    // The club's registrations as the grid last read them.
    int clubRegistrationCount() const;
    // The code of the club's registration with that name and race; empty when none.
    QString codeOfRegistration(const QString& name, const QString& race);

    DataSource& registrations() { return m_registrations; }
    DataSource& grid() { return m_grid; }

private:
    QString club() const;
    QString clubRegistrationsQuery(bool gridForm) const;
    static std::optional<AthleteFields> athleteAt(DataSource& source);
    bool gridOnClubRows() const;
    int gridRowOf(const QVariant& order) const; // -1 when the grid lacks it

    AppState& m_state;
    DataSource& m_registrations;
    DataSource& m_grid;
    DataSource& m_athletes;
    DataSource& m_records;
    std::unique_ptr<DataSource> m_programme;
    QString m_competition;
    // The club's names as last read, and the state of the file and the club they were read in.
    struct {
        QString mark;
        QStringList names;
    } m_names;
    bool m_gridStale = true; // the last registration written did not go through the grid
};

} // namespace onda
