#include "entry/RegistrationBook.h"

#include "core/AppState.h"
#include "store/Database.h"
#include "store/RowWrite.h"
#include "store/Schema.h"
#include "store/Values.h"

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

RegistrationBook::RegistrationBook(AppState& state) : m_state(state), m_db(std::make_unique<Database>()) {}

RegistrationBook::~RegistrationBook() = default;

QString RegistrationBook::table() const {
    return registrationTable(m_competition);
}

QString RegistrationBook::club() const {
    return m_state.club;
}

Database& RegistrationBook::database() {
    // The connection the windows' sources share: what one writes, the others read at once.
    // A file that cannot be opened fails every statement below, each reported where it is run.
    if (!m_db->isOpen() || m_db->path() != m_state.databasePath)
        (void)m_db->openShared(m_state.databasePath);
    return *m_db;
}

void RegistrationBook::prepareRecords() {
    if (database().tableExists(QStringLiteral("Records")))
        return;
    // A failure here comes back from the first time remembered, which reports it.
    QString connection;
    m_state.store.ESEGUISQL(connection, recordsTableStatement());
}

void RegistrationBook::load() {
    prepareRecords();
    m_competition = m_state.currentCompetition();
}

std::optional<AthleteFields> RegistrationBook::firstAthlete(const QString& where, const QVariantList& values) {
    Database::Result rows;
    if (!database().query(QStringLiteral("select rowid, codatl, nome, sesso, anno, soc from natl where ") + where, rows,
                          values) ||
        rows.rows.isEmpty())
        return std::nullopt;
    const QVariantList& r = rows.rows.first();
    return AthleteFields{displayText(r.value(1)), displayText(r.value(2)), displayText(r.value(3)),
                         displayText(r.value(4)), displayText(r.value(5)), r.value(0).toLongLong()};
}

std::optional<AthleteFields> RegistrationBook::findInClub(const QString& code) {
    return firstAthlete(QStringLiteral("codatl=? and soc=?"), {code, club()});
}

std::optional<AthleteFields> RegistrationBook::findAnywhere(const QString& code) {
    return firstAthlete(QStringLiteral("codatl=?"), {code});
}

std::optional<AthleteFields> RegistrationBook::findByName(const QString& name) {
    return firstAthlete(QStringLiteral("nome=? and soc=?"), {name, club()});
}

QStringList RegistrationBook::clubAthleteNames() {
    // Nothing written to the file since the last reading: the names are those read then.
    const QString fileMark = changeMark(database());
    const QString mark = fileMark + QLatin1Char('|') + club();
    if (!m_names.mark.isEmpty() && m_names.mark == mark)
        return m_names.names;
    Database::Result rows;
    QStringList names;
    if (!database().query(QStringLiteral("select nome from natl where soc=? order by nome"), rows, {club()}))
        return names;
    names.reserve(rows.rows.size());
    for (const QVariantList& r : rows.rows)
        names << displayText(r.value(0));
    m_names = {fileMark.isEmpty() ? QString() : mark, names};
    return names;
}

std::optional<AthleteFields> RegistrationBook::holderOfCode(const QString& code) {
    return findAnywhere(code);
}

std::optional<AthleteFields> RegistrationBook::namesake(const QString& name) {
    return findByName(name);
}

Status RegistrationBook::writeAthlete(const AthleteFields& athlete, const std::optional<AthleteFields>& overNamesake) {
    QString soc = club();
    if (const int size = textFieldSize(database(), QStringLiteral("natl"), QStringLiteral("soc")); size > 0)
        soc.truncate(size);
    // A row that already holds every value is not written again.
    if (overNamesake && overNamesake->name == athlete.name && overNamesake->sex == athlete.sex &&
        overNamesake->club == soc && overNamesake->year == athlete.year && overNamesake->code == athlete.code)
        return Status::success();
    const FieldValueList values = {{QStringLiteral("nome"), athlete.name},
                                   {QStringLiteral("sesso"), athlete.sex},
                                   {QStringLiteral("soc"), soc},
                                   {QStringLiteral("anno"), athlete.year},
                                   {QStringLiteral("codatl"), athlete.code}};
    if (overNamesake)
        return writeRow(database(), QStringLiteral("natl"), values, QStringLiteral("rowid=?"), {overNamesake->row});
    return writeRow(database(), QStringLiteral("natl"), values);
}

Status RegistrationBook::removeAthlete(const QString& code) {
    Database::Result none;
    if (Status s = database().query(QStringLiteral("delete * from natl where codatl=?"), none, {code}); !s)
        return s;
    return database().query(QStringLiteral("delete * from ") + table() + QStringLiteral(" where codatl=?"), none,
                            {code});
}

QStringList RegistrationBook::raceLines(const QString& code, const QString& category, const QString& sex,
                                        const QString& year) {
    QStringList lines;
    // The race list is built without a word on a failure: a table that cannot be read marks no race.
    const QStringList held = athleteRaces(code);
    Database::Result programme;
    if (!database().query(
            QStringLiteral(
                "SELECT programmi.* From Programmi WHERE categoria=? and ManifID=? AND Sesso=? ORDER BY gara;"),
            programme, {category, numericValue(m_competition), sex}))
        return lines;
    const auto column = [&programme](const char* name) {
        for (qsizetype c = 0; c < programme.fields.size(); ++c) {
            if (programme.fields.at(c).name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return c;
        }
        return qsizetype(-1);
    };
    const qsizetype raceColumn = column("gara");
    const qsizetype yearColumn = column("anno");
    const double athleteYear = numericValue(year);
    for (const QVariantList& r : programme.rows) {
        const QString race = displayText(r.value(raceColumn));
        const double raceYear = numericValue(displayText(r.value(yearColumn)));
        // Races bound to one year of birth are offered only to athletes of that year.
        if (raceYear > 0 && raceYear != athleteYear)
            continue;
        lines << (held.contains(race, Qt::CaseInsensitive) ? race + heldRaceSuffix() : race);
    }
    return lines;
}

std::optional<SwimTime> RegistrationBook::timeFor(const QString& code, const QString& race) {
    Database::Result rows;
    if (database().query(QStringLiteral("select m, s from ") + table() + QStringLiteral(" where codatl=? and spec=?"),
                         rows, {code, race}) &&
        !rows.rows.isEmpty()) {
        const QVariantList& r = rows.rows.first();
        if (r.value(0).isNull())
            return SwimTime{};
        return SwimTime{r.value(0).toDouble(), r.value(1).toDouble()};
    }
    return rememberedTime(code, race);
}

QStringList RegistrationBook::athleteRaces(const QString& code) {
    Database::Result rows;
    QStringList races;
    if (!database().query(QStringLiteral("select spec from ") + table() + QStringLiteral(" where codatl=?"), rows,
                          {code}))
        return races;
    for (const QVariantList& r : rows.rows)
        races << displayText(r.value(0));
    return races;
}

Status RegistrationBook::writeRegistration(const RegistrationEntry& entry, std::optional<qlonglong>* rewritten) {
    Database::Result held;
    if (Status s = database().query(QStringLiteral("select OrdineInserimento from ") + table() +
                                        QStringLiteral(" where codatl=? and spec=?"),
                                    held, {entry.code, entry.race});
        !s)
        return s;
    FieldValueList values = {{QStringLiteral("soc"), club()},
                             {QStringLiteral("sesso"), entry.sex},
                             {QStringLiteral("anno"), numericValue(entry.year)},
                             {QStringLiteral("cat"), entry.category},
                             {QStringLiteral("m"), entry.time.minutes()},
                             {QStringLiteral("s"), entry.time.seconds()}};
    // A race the athlete holds is rewritten in place: its insertion order stays.
    if (!held.rows.isEmpty()) {
        const QVariant order = held.rows.first().value(0);
        if (rewritten && !order.isNull())
            *rewritten = order.toLongLong();
        // Bound as a whole number: the key read back as a real would make the update scan the table.
        return writeRow(database(), table(), values, QStringLiteral("OrdineInserimento=?"), {order.toLongLong()});
    }
    values.prepend({QStringLiteral("status"), QStringLiteral("p")});
    values.prepend({QStringLiteral("codatl"), entry.code});
    values.prepend({QStringLiteral("spec"), entry.race});
    values.prepend({QStringLiteral("nome"), entry.name});
    return writeRow(database(), table(), values);
}

std::optional<SwimTime> RegistrationBook::rememberedTime(const QString& code, const QString& race) {
    Database::Result rows;
    if (!database().query(QStringLiteral("select M, S from Records where codatl=? and spec=?"), rows, {code, race}) ||
        rows.rows.isEmpty())
        return std::nullopt;
    const QVariant m = rows.rows.first().value(0);
    const QVariant s = rows.rows.first().value(1);
    if (m.isNull() || s.isNull())
        return std::nullopt;
    return SwimTime{numericValue(displayText(m)), numericValue(displayText(s))};
}

Status RegistrationBook::rememberTime(const QString& code, const QString& name, const QString& race,
                                      const SwimTime& time) {
    Database::Result found;
    if (Status s = database().query(QStringLiteral("select rowid from Records where codatl=? and spec=?"), found,
                                    {code, race});
        !s)
        return s;
    const FieldValueList values = {{QStringLiteral("Codatl"), code},
                                   {QStringLiteral("Nome"), name},
                                   {QStringLiteral("Spec"), race},
                                   {QStringLiteral("M"), time.minutes()},
                                   {QStringLiteral("S"), time.seconds()}};
    if (!found.rows.isEmpty())
        return writeRow(database(), QStringLiteral("Records"), values, QStringLiteral("rowid=?"),
                        {found.rows.first().value(0).toLongLong()});
    return writeRow(database(), QStringLiteral("Records"), values);
}

Status RegistrationBook::removeRegistrations(const QString& name, const QString& race, QList<qlonglong>* removed) {
    // Only the club's rows: another club on this computer may have an athlete of that name.
    // The rows' ids come back from the deletion itself, so they are exactly the rows it removed.
    Database::Result gone;
    const Status status = database().query(QStringLiteral("delete from ") + table() +
                                               QStringLiteral(" where nome=? and spec=? and soc=? returning rowid"),
                                           gone, {name, race, club()});
    if (status && removed) {
        removed->clear();
        for (const QVariantList& r : std::as_const(gone.rows))
            removed->append(r.value(0).toLongLong());
    }
    return status;
}

int RegistrationBook::clubRegistrationCount() {
    Database::Result rows;
    if (!database().query(QStringLiteral("select count(*) from ") + table() + QStringLiteral(" where soc=?"), rows,
                          {club()}) ||
        rows.rows.isEmpty())
        return 0;
    return rows.rows.first().value(0).toInt();
}

QString RegistrationBook::codeOfRegistration(const QString& name, const QString& race) {
    Database::Result rows;
    if (!database().query(QStringLiteral("select codatl from ") + table() +
                              QStringLiteral(" where nome=? and spec=? and soc=?"),
                          rows, {name, race, club()}) ||
        rows.rows.isEmpty())
        return {};
    return displayText(rows.rows.first().value(0));
}

} // namespace onda
