#include "entry/RegistrationBook.h"

#include "core/AppState.h"
#include "entry/RegistrationSelection.h"
#include "store/DataSource.h"
#include "store/Schema.h"
#include "store/SqlText.h"
#include "store/Values.h"

#include <algorithm>

namespace onda {

std::optional<QString> athleteLimitRefusal(const QStringList& athleteRaces, const QString& race,
                                           const QVariant& limit) {
    // A competition that stores no limit has none.
    if (limit.isNull() || !limit.isValid() || displayText(limit).trimmed().isEmpty())
        return std::nullopt;
    const double max = numericValue(displayText(limit));
    if (athleteRaces.size() < max)
        return std::nullopt;
    int others = 0;
    for (const QString& held : athleteRaces) {
        if (held != race)
            ++others;
    }
    if (others + 1 > max)
        return QStringLiteral("Numero max iscrizioni per atleta ") + displayText(limit);
    return std::nullopt;
}

QString raceOfLine(const QString& line) {
    if (line.startsWith(QLatin1Char('-')))
        return {};
    QString race = line;
    if (race.startsWith(QLatin1Char('>'))) {
        race.remove(0, 1);
        while (race.startsWith(QLatin1Char(' ')))
            race.remove(0, 1);
    }
    // Race codes hold blanks ("100 SL"): only the mark of a held race is dropped.
    if (race.endsWith(heldRaceSuffix()))
        race.chop(heldRaceSuffix().size());
    return race;
}

RegistrationBook::RegistrationBook(AppState& state, DataSource& registrations, DataSource& grid, DataSource& athletes,
                                   DataSource& records)
    : m_state(state), m_registrations(registrations), m_grid(grid), m_athletes(athletes), m_records(records),
      m_programme(std::make_unique<DataSource>(QStringLiteral("Programmi"))) {}

RegistrationBook::~RegistrationBook() = default;

QString RegistrationBook::table() const {
    return registrationTable(m_competition);
}

namespace {

// The registration table's numbering, which is also its row id.
QString insertionOrder() {
    return QStringLiteral("OrdineInserimento");
}

} // namespace

QString RegistrationBook::club() const {
    return m_state.club;
}

void RegistrationBook::prepareRecords() {
    if (m_records.databaseFile().isEmpty())
        m_records.setDatabaseFile(m_state.databasePath);
    if (m_records.recordSource().isEmpty())
        m_records.setRecordSource(QStringLiteral("records"));
    const Status status = m_records.refresh();
    if (status.number == err::TableNotFound) {
        QString connection;
        m_state.store.ESEGUISQL(
            connection,
            QStringLiteral("CREATE TABLE Records (Codatl TEXT, Nome TEXT, Spec TEXT, M NUMERIC,S NUMERIC)"));
        // Opened now so the first time can be remembered; a failure here comes back from
        // that write, which reports it.
        (void)m_records.refresh();
    }
}

void RegistrationBook::load() {
    prepareRecords();
    m_competition = m_state.currentCompetition();
    if (m_competition.isEmpty())
        return;
    // The fields of the table, not its rows: every command points the sources at the rows it
    // needs before it relies on them, and the table holds every club's registrations.
    const QString fieldsOnly =
        QStringLiteral("select * from ") + registrationTable(m_competition) + QStringLiteral(" where 1=0");
    m_registrations.setRecordSource(fieldsOnly);
    m_grid.setRecordSource(fieldsOnly);
    // A table that cannot be read leaves the sources empty, as above.
    (void)m_registrations.refresh();
    (void)m_grid.refresh();
}

std::optional<AthleteFields> RegistrationBook::athleteAt(DataSource& source) {
    if (source.eof() || source.position() < 0)
        return std::nullopt;
    return AthleteFields{
        displayText(source.field(QStringLiteral("codatl"))), displayText(source.field(QStringLiteral("nome"))),
        displayText(source.field(QStringLiteral("sesso"))), displayText(source.field(QStringLiteral("anno"))),
        displayText(source.field(QStringLiteral("soc")))};
}

std::optional<AthleteFields> RegistrationBook::findInClub(const QString& code) {
    m_athletes.setRecordSource(QStringLiteral("select * from natl where codatl=") + sqlQuoted(code) +
                               QStringLiteral(" and soc=") + sqlQuoted(club()));
    if (!m_athletes.refresh())
        return std::nullopt;
    return athleteAt(m_athletes);
}

std::optional<AthleteFields> RegistrationBook::findAnywhere(const QString& code) {
    m_athletes.setRecordSource(QStringLiteral("select * from natl where codatl=") + sqlQuoted(code));
    if (!m_athletes.refresh())
        return std::nullopt;
    return athleteAt(m_athletes);
}

std::optional<AthleteFields> RegistrationBook::findByName(const QString& name) {
    m_athletes.setRecordSource(QStringLiteral("select * from natl where nome=") + sqlDoubleQuoted(name) +
                               QStringLiteral(" and soc=") + sqlQuoted(club()));
    if (!m_athletes.refresh())
        return std::nullopt;
    return athleteAt(m_athletes);
}

QStringList RegistrationBook::clubAthleteNames() {
    // Nothing written to the file since the last reading: the names are those read then.
    const QString mark = m_athletes.fileChangeMark() + QLatin1Char('|') + club();
    if (!m_names.mark.isEmpty() && m_names.mark == mark)
        return m_names.names;
    // The names alone, in a set of their own: the club's whole archive would stay in memory
    // with every field until the next lookup.
    DataSource list(QStringLiteral("natl"));
    list.setDatabaseFile(m_athletes.databaseFile());
    list.setRecordSource(QStringLiteral("select * from natl where soc=") + sqlQuoted(club()) +
                         QStringLiteral(" order by nome"));
    list.setFieldsRead({QStringLiteral("nome")});
    QStringList names;
    if (!list.refresh())
        return names;
    names.reserve(list.rowCount());
    for (int row = 0; row < list.rowCount(); ++row)
        names << displayText(list.value(row, 0));
    m_names = {m_athletes.fileChangeMark().isEmpty() ? QString() : mark, names};
    return names;
}

std::optional<AthleteFields> RegistrationBook::holderOfCode(const QString& code) {
    return findAnywhere(code);
}

std::optional<AthleteFields> RegistrationBook::namesake(const QString& name) {
    m_athletes.setRecordSource(QStringLiteral("select * from natl where nome=") + sqlQuoted(name) +
                               QStringLiteral(" and soc=") + sqlQuoted(club()));
    if (!m_athletes.refresh())
        return std::nullopt;
    return athleteAt(m_athletes);
}

Status RegistrationBook::writeAthlete(const AthleteFields& athlete, bool overNamesake) {
    QString soc = club();
    if (const int size = m_athletes.fieldSize(QStringLiteral("soc")); size > 0)
        soc.truncate(size);
    const std::pair<const char*, QString> values[] = {
        {"nome", athlete.name}, {"sesso", athlete.sex}, {"soc", soc}, {"anno", athlete.year}, {"codatl", athlete.code}};
    // The namesake search left the archive source on the namesake's row.
    const bool onNamesake = overNamesake && athleteAt(m_athletes);
    // A row that already holds every value is not written again.
    if (onNamesake && std::all_of(std::begin(values), std::end(values), [this](const auto& field) {
            return displayText(m_athletes.field(QLatin1String(field.first))) == field.second;
        }))
        return Status::success();
    if (Status s = onNamesake ? m_athletes.edit() : m_athletes.addNew(); !s)
        return s;
    for (const auto& [fieldName, value] : values) {
        if (Status s = m_athletes.setField(QLatin1String(fieldName), value); !s) {
            m_athletes.cancelUpdate();
            return s;
        }
    }
    return m_athletes.update();
}

Status RegistrationBook::removeAthlete(const QString& code) {
    if (Status s = m_state.store.execute(QStringLiteral("delete * from natl where codatl=") + sqlQuoted(code)); !s)
        return s;
    return m_state.store.execute(QStringLiteral("delete * from ") + table() + QStringLiteral(" where codatl=") +
                                 sqlQuoted(code));
}

QStringList RegistrationBook::raceLines(const QString& code, const QString& category, const QString& sex,
                                        const QString& year) {
    QStringList lines;
    // The athlete's rows are all the search below needs of the competition's table. The race
    // list is built without a word on a failure: a table that cannot be read marks no race.
    m_registrations.setRecordSource(QStringLiteral("select * from ") + table() + QStringLiteral(" where codatl=") +
                                    sqlQuoted(code));
    (void)m_registrations.refresh();

    m_programme->setDatabaseFile(m_registrations.databaseFile());
    m_programme->setRecordSource(QStringLiteral("SELECT programmi.* From Programmi WHERE categoria=") +
                                 sqlQuoted(category) + QStringLiteral(" and ManifID=") +
                                 QString::number(numericValue(m_competition), 'g', 15) + QStringLiteral(" AND Sesso=") +
                                 sqlQuoted(sex) + QStringLiteral(" ORDER BY gara;"));
    if (!m_programme->refresh())
        return lines;
    const double athleteYear = numericValue(year);
    const int raceColumn = m_programme->fieldIndex(QStringLiteral("gara"));
    const int yearColumn = m_programme->fieldIndex(QStringLiteral("anno"));
    for (int row = 0; row < m_programme->rowCount(); ++row) {
        const QString race = displayText(m_programme->value(row, raceColumn));
        const double raceYear = numericValue(displayText(m_programme->value(row, yearColumn)));
        // Races bound to one year of birth are offered only to athletes of that year.
        if (raceYear > 0 && raceYear != athleteYear)
            continue;
        const bool held =
            m_registrations.findFirst(QStringLiteral("spec=") + sqlQuoted(race)).ok() && !m_registrations.noMatch();
        lines << (held ? race + heldRaceSuffix() : race);
    }
    return lines;
}

std::optional<SwimTime> RegistrationBook::timeFor(const QString& code, const QString& race) {
    m_registrations.setRecordSource(QStringLiteral("select * from ") + table() + QStringLiteral(" where codatl=") +
                                    sqlQuoted(code) + QStringLiteral(" and spec=") + sqlQuoted(race));
    if (m_registrations.refresh() && m_registrations.rowCount() > 0) {
        const QVariant m = m_registrations.field(QStringLiteral("m"));
        if (m.isNull())
            return SwimTime{};
        return SwimTime{m.toDouble(), m_registrations.field(QStringLiteral("s")).toDouble()};
    }
    return rememberedTime(code, race);
}

int RegistrationBook::athleteRegistrationCount(const QString& code) {
    // The race list has just read exactly these rows; they are not read twice.
    if (m_registrations.isOpen() &&
        m_registrations.recordSource() == selectionStatement(m_competition, QStringLiteral("ATLETA"), code)) {
        const int count = m_registrations.rowCount();
        if (count > 0)
            (void)m_registrations.moveFirst(); // a set with rows has a first one
        return count;
    }
    return selectRegistrations(m_registrations, m_competition, 3, QStringLiteral("ATLETA"), code);
}

QStringList RegistrationBook::athleteRaces() const {
    QStringList races;
    const int column = m_registrations.fieldIndex(QStringLiteral("spec"));
    for (int row = 0; row < m_registrations.rowCount(); ++row)
        races << displayText(m_registrations.value(row, column));
    return races;
}

bool RegistrationBook::gridOnClubRows() const {
    return m_grid.isOpen() && m_grid.recordSource() == clubRegistrationsQuery(true);
}

int RegistrationBook::gridRowOf(const QVariant& order) const {
    const int column = m_grid.fieldIndex(insertionOrder());
    if (column < 0 || order.isNull())
        return -1;
    const qlonglong wanted = order.toLongLong();
    for (int row = 0; row < m_grid.rowCount(); ++row) {
        if (m_grid.value(row, column).toLongLong() == wanted)
            return row;
    }
    return -1;
}

Status RegistrationBook::writeRegistration(const RegistrationEntry& entry) {
    const bool held = m_registrations.rowCount() > 0 &&
                      m_registrations.findFirst(QStringLiteral("spec=") + sqlQuoted(entry.race)).ok() &&
                      !m_registrations.noMatch();
    // The grid of the club's rows writes the row itself when it shows it (a new one is the
    // club's newest): it then follows the change without reading the table again.
    DataSource* target = &m_registrations;
    if (gridOnClubRows()) {
        if (!held)
            target = &m_grid;
        else if (const int row = gridRowOf(m_registrations.field(insertionOrder()));
                 row >= 0 && m_grid.setPosition(row))
            target = &m_grid;
    }
    m_gridStale = target != &m_grid;
    Status status;
    if (held) {
        status = target->edit();
    } else {
        // A source that cannot be read again fails the add below, which is reported.
        if (target == &m_registrations)
            (void)m_registrations.refresh();
        status = target->addNew();
        for (const auto& [fieldName, value] : {std::pair{"nome", entry.name},
                                               {"spec", entry.race},
                                               {"codatl", entry.code},
                                               {"status", QStringLiteral("p")}}) {
            if (status)
                status = target->setField(QLatin1String(fieldName), value);
        }
    }
    const std::pair<const char*, QVariant> values[] = {
        {"soc", club()},         {"sesso", entry.sex}, {"anno", numericValue(entry.year)},
        {"cat", entry.category}, {"m", entry.time.minutes()},  {"s", entry.time.seconds()}};
    for (const auto& [fieldName, value] : values) {
        if (status)
            status = target->setField(QLatin1String(fieldName), value);
    }
    if (!status) {
        target->cancelUpdate();
        return status;
    }
    return target->update();
}

std::optional<SwimTime> RegistrationBook::rememberedTime(const QString& code, const QString& race) {
    // The search starts at the first row; an empty table has none to move to.
    if (m_records.rowCount() > 0)
        (void)m_records.moveFirst();
    if (!m_records
             .findFirst(QStringLiteral("codatl=") + sqlQuoted(code) + QStringLiteral(" and spec=") + sqlQuoted(race))
             .ok() ||
        m_records.noMatch())
        return std::nullopt;
    const QVariant m = m_records.field(QStringLiteral("M"));
    const QVariant s = m_records.field(QStringLiteral("S"));
    if (m.isNull() || s.isNull())
        return std::nullopt;
    return SwimTime{numericValue(displayText(m)), numericValue(displayText(s))};
}

Status RegistrationBook::rememberTime(const QString& code, const QString& name, const QString& race,
                                      const SwimTime& time) {
    // The search starts at the first row; an empty table has none to move to.
    if (m_records.rowCount() > 0)
        (void)m_records.moveFirst();
    const bool found =
        m_records
            .findFirst(QStringLiteral("codatl=") + sqlQuoted(code) + QStringLiteral(" and spec=") + sqlQuoted(race))
            .ok() &&
        !m_records.noMatch();
    Status status = found ? m_records.edit() : m_records.addNew();
    const std::pair<const char*, QVariant> values[] = {
        {"Codatl", code}, {"Nome", name}, {"Spec", race}, {"M", time.minutes()}, {"S", time.seconds()}};
    for (const auto& [fieldName, value] : values) {
        if (status)
            status = m_records.setField(QLatin1String(fieldName), value);
    }
    if (!status) {
        m_records.cancelUpdate();
        return status;
    }
    return m_records.update();
}

QString RegistrationBook::clubRegistrationsQuery(bool gridForm) const {
    return QStringLiteral("select * from ") + table() + QStringLiteral(" where soc=") + sqlQuoted(club()) +
           (gridForm ? QStringLiteral("  order by OrdineInserimento desc")
                     : QStringLiteral(" order by OrdineInserimento desc"));
}

int RegistrationBook::showWrittenRegistration() {
    if (m_gridStale)
        return showClubRegistrations();
    // As showClubRegistrations leaves them, without reading the grid again.
    m_registrations.setRecordSource(clubRegistrationsQuery(false));
    const int count = m_grid.rowCount();
    if (count > 0)
        (void)m_grid.moveLast(); // a grid with rows has a last one
    return count;
}

int RegistrationBook::showClubRegistrations() {
    // Both sources get the club's rows; the registration source is read again only by the
    // next command that needs it, which always narrows it first.
    m_registrations.setRecordSource(clubRegistrationsQuery(false));
    m_grid.setRecordSource(clubRegistrationsQuery(true));
    // A grid that cannot be read shows no rows and a count of 0, the table's state as far
    // as this window can know it.
    (void)m_grid.refresh();
    const int count = m_grid.rowCount();
    if (count > 0)
        (void)m_grid.moveLast(); // a grid with rows has a last one
    return count;
}

Status RegistrationBook::removeRegistrations(const QString& name, const QString& race) {
    const QString saved = m_registrations.recordSource();
    // Only the club's rows: another club on this computer may have an athlete of that name.
    m_registrations.setRecordSource(QStringLiteral("select * from ") + table() + QStringLiteral(" where nome=") +
                                    sqlQuoted(name) + QStringLiteral(" and spec=") + sqlQuoted(race) +
                                    QStringLiteral(" and soc=") + sqlQuoted(club()));
    Status status = m_registrations.refresh();
    const int orderColumn = m_registrations.fieldIndex(insertionOrder());
    bool gridStale = !gridOnClubRows() || orderColumn < 0;
    while (status && m_registrations.rowCount() > 0) {
        const QVariant order = m_registrations.value(0, orderColumn);
        status = m_registrations.setPosition(0);
        if (status)
            status = m_registrations.remove();
        if (!status || gridStale)
            continue;
        // A source learns of a row deleted elsewhere when it deletes it too: the grid drops it.
        const int row = gridRowOf(order);
        gridStale = row < 0 || !m_grid.setPosition(row) || m_grid.remove().number != err::RecordDeleted;
    }
    m_registrations.setRecordSource(saved);
    // As in showClubRegistrations: a grid that cannot be read shows no rows.
    if (gridStale || !status)
        (void)m_grid.refresh();
    return status;
}

int RegistrationBook::clubRegistrationCount() const {
    return m_grid.rowCount();
}

QString RegistrationBook::codeOfRegistration(const QString& name, const QString& race) {
    m_registrations.setRecordSource(QStringLiteral("select * from ") + table() + QStringLiteral(" where nome=") +
                                    sqlDoubleQuoted(name) + QStringLiteral(" and spec=") + sqlQuoted(race) +
                                    QStringLiteral(" and soc=") + sqlQuoted(club()));
    if (!m_registrations.refresh() || m_registrations.rowCount() == 0)
        return {};
    return displayText(m_registrations.field(QStringLiteral("codatl")));
}

} // namespace onda
