#include "lenex/LenexData.h"

#include "core/Clock.h"
#include "core/ProgramValues.h"
#include "core/SwimTime.h"
#include "lenex/EntryChecks.h"
#include "lenex/LenexNames.h"
#include "lenex/SwimCodes.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/SqlText.h"
#include "store/Transaction.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace onda::lenex {

namespace {

Status readRows(Database& db, const QString& sql, Database::Result& out, const QVariantList& parameters = {}) {
    out = {};
    return db.query(sql, out, parameters);
}

QVariant orNull(int value) {
    return value > 0 ? QVariant(value) : QVariant();
}
QVariant orNull(const QString& value) {
    return value.isEmpty() ? QVariant() : QVariant(value);
}
QVariant orNull(const QDate& value) {
    return value.isValid() ? QVariant(value) : QVariant();
}

QString sexOf(const QString& gender) {
    return gender.compare(QLatin1String("F"), Qt::CaseInsensitive) == 0 ? QStringLiteral("F") : QStringLiteral("M");
}

// The archive's sexes: M, F, and B for mixed relay teams.
QString archiveSex(const QString& sex) {
    const QString s = sex.trimmed().left(1).toUpper();
    return s == QLatin1String("F") || s == QLatin1String("B") ? s : QStringLiteral("M");
}

// The sexes of the archive an event of `gender` is offered to.
QStringList sexesOf(const QString& gender, bool relay) {
    if (gender == QLatin1String("M") || gender == QLatin1String("F"))
        return {gender};
    if (gender == QLatin1String("X"))
        return {QStringLiteral("B")};
    return relay ? QStringList{QStringLiteral("M"), QStringLiteral("F"), QStringLiteral("B")}
                 : QStringList{QStringLiteral("M"), QStringLiteral("F")};
}

bool takesSex(const QString& gender, const QString& sex, bool relay) {
    return sexesOf(gender.isEmpty() ? QStringLiteral("A") : gender, relay).contains(sex);
}

QDate firstSessionDate(const Meet& meet) {
    QDate first;
    for (const Session& s : meet.sessions) {
        if (s.date.isValid() && (!first.isValid() || s.date < first))
            first = s.date;
    }
    return first;
}

// A category's name: the group's own, or its bounds; a relay group by total age says so.
QString groupName(const AgeGroup& g) {
    QString name = g.name.simplified();
    if (name.isEmpty())
        name = g.ageMin < 0 && g.ageMax < 0 ? QStringLiteral("ASSOLUTI")
               : g.ageMax < 0               ? QStringLiteral("%1 E OLTRE").arg(g.ageMin)
               : g.ageMin < 0               ? QStringLiteral("FINO A %1").arg(g.ageMax)
                                            : QStringLiteral("%1-%2").arg(g.ageMin).arg(g.ageMax);
    const QString total = QStringLiteral(" (TOTALE)");
    return g.byTotalAge() && !name.endsWith(total) ? name.left(30 - total.size()) + total : name.left(30);
}

QStringList names(const TableDefinition& table) {
    QStringList out;
    for (const FieldInfo& f : table.fields)
        out << f.name;
    return out;
}

const TableDefinition& lenexTable(const char* name) {
    for (const TableDefinition& t : lenexTables()) {
        if (t.name == QLatin1String(name))
            return t;
    }
    Q_UNREACHABLE();
}

Status insertInto(Database& db, const char* table, const QList<QVariantList>& rows) {
    if (rows.isEmpty())
        return {};
    const TableDefinition& t = lenexTable(table);
    return db.insertRows(t.name, names(t), rows);
}

// The organiser's meet as it was kept; false when the competition was not made from an invitation.
bool storedMeet(Database& db, const QString& number, Meet& meet) {
    Database::Result rows;
    const QVariantList key{number.toLongLong()};
    if (!readRows(db,
                  QStringLiteral("select name, city, nation, course, agedate, agedatetype, deadline, deadlinetime, "
                                 "maxentriesathlete, maxentriesrelay from LenexMeet where manifID=?"),
                  rows, key) ||
        rows.rows.isEmpty())
        return false;
    const QVariantList& m = rows.rows.first();
    meet.name = m.value(0).toString();
    meet.city = m.value(1).toString();
    meet.nation = m.value(2).toString();
    meet.course = m.value(3).toString();
    meet.ageDate = m.value(4).toDate();
    meet.ageDateType = m.value(5).toString();
    meet.deadline = m.value(6).toDate();
    meet.deadlineTime = m.value(7).toString();
    meet.maxEntriesAthlete = m.value(8).toInt();
    meet.maxEntriesRelay = m.value(9).toInt();

    Database::Result events;
    if (!readRows(db,
                  QStringLiteral("select eventid, number, gender, round, session, preveventid, maxentries, distance, "
                                 "relaycount, stroke, technique, swimstyleid, stylecode, stylename from LenexEvent "
                                 "where manifID=? order by position"),
                  events, key) ||
        events.rows.isEmpty())
        return false;
    Database::Result sessions;
    Database::Result groups;
    if (!readRows(db,
                  QStringLiteral("select number, date, course, name, maxentriesathlete, maxentriesrelay from "
                                 "LenexSession where manifID=? order by number"),
                  sessions, key) ||
        !readRows(db,
                  QStringLiteral("select eventid, agegroupid, agemin, agemax, gender, calculate, handicap, name from "
                                 "LenexAgeGroup where manifID=? order by rowid"),
                  groups, key))
        return false;
    for (const QVariantList& s : sessions.rows)
        meet.sessions << Session{s.value(0).toInt(),    s.value(1).toDate(), s.value(2).toString(), {},
                                 s.value(3).toString(), s.value(4).toInt(),  s.value(5).toInt(),    {}};
    QHash<QString, QList<AgeGroup>> groupsOf;
    for (const QVariantList& g : groups.rows)
        groupsOf[g.value(0).toString()] << AgeGroup{g.value(1).toString(), g.value(2).toInt(),    g.value(3).toInt(),
                                                    g.value(4).toString(), g.value(7).toString(), g.value(5).toString(),
                                                    g.value(6).toString()};
    for (const QVariantList& e : events.rows) {
        Event event;
        event.id = e.value(0).toString();
        event.number = e.value(1).toInt();
        event.gender = e.value(2).toString();
        event.round = e.value(3).toString();
        event.previousId = e.value(5).toString();
        event.maxEntries = e.value(6).toInt();
        event.style = {e.value(7).toInt(),     std::max(1, e.value(8).toInt()), e.value(9).toString(),
                       e.value(13).toString(), e.value(10).toString(),          e.value(11).toString(),
                       e.value(12).toString()};
        event.ageGroups = groupsOf.value(event.id);
        const int session = e.value(4).toInt();
        auto it = std::find_if(meet.sessions.begin(), meet.sessions.end(),
                               [&](const Session& s) { return s.number == session; });
        if (it == meet.sessions.end()) {
            meet.sessions << Session{session, {}, {}, {}, {}, 0, 0, {}};
            it = meet.sessions.end() - 1;
        }
        it->events << event;
    }
    return true;
}

// The age groups of a competition of the service: its categories, with open bounds kept open.
QList<AgeGroup> categoryGroups(const Database::Result& categories, const QString& category, const QString& sex,
                               int year) {
    QList<AgeGroup> groups;
    for (const QVariantList& c : categories.rows) {
        if (c.value(0).toString().compare(category, Qt::CaseInsensitive) != 0 ||
            archiveSex(c.value(1).toString()) != sex)
            continue;
        const int first = c.value(2).toInt();
        const int last = c.value(3).toInt();
        groups << AgeGroup{{},
                           last > 0 && last < year ? year - last : -1,
                           first > 1900 ? year - first : -1,
                           QString(),
                           c.value(0).toString(),
                           {},
                           {}};
    }
    return groups;
}

} // namespace

YearSpan birthYears(const AgeGroup& group, const QDate& ageDate, const QString& ageDateType) {
    if (group.byTotalAge())
        return {group.ageMin < 0 ? 0 : group.ageMin, group.ageMax < 0 ? 999 : group.ageMax};
    const int year = ageDate.year();
    const bool byYear = ageDateType.isEmpty() || ageDateType.compare(QLatin1String("YEAR"), Qt::CaseInsensitive) == 0;
    if (byYear)
        return {group.ageMax < 0 ? 1900 : year - group.ageMax, group.ageMin < 0 ? year : year - group.ageMin};
    // Exact ages on the date: the oldest was born the day after the date, agemax + 1 years before.
    return {group.ageMax < 0 ? 1900 : ageDate.addYears(-(group.ageMax + 1)).addDays(1).year(),
            group.ageMin < 0 ? year : ageDate.addYears(-group.ageMin).year()};
}

QString competitionCourse(const QString& databasePath, const QString& number) {
    Database db;
    Database::Result rows;
    if (!db.openShared(databasePath) ||
        !db.query(QStringLiteral("select course from LenexMeet where manifID=?"), rows, {number.toLongLong()}))
        return {}; // a file without the tables knows no course
    return rows.rows.value(0).value(0).toString();
}

Status keepCompetitionCourse(const QString& databasePath, const QString& number, const QString& course) {
    return inTransaction(databasePath, [&](Database& db) -> Status {
        Database::Result rows;
        if (Status s =
                db.query(QStringLiteral("select count(*) from LenexMeet where manifID=?"), rows, {number.toLongLong()});
            !s)
            return s;
        if (rows.rows.value(0).value(0).toInt() > 0)
            return db.query(QStringLiteral("update LenexMeet set course=? where manifID=?"), rows,
                            {course, number.toLongLong()});
        return db.insertRows(QStringLiteral("LenexMeet"), {QStringLiteral("manifID"), QStringLiteral("course")},
                             {{number.toLongLong(), course}});
    });
}

bool madeFromInvitation(const QString& databasePath, const QString& number) {
    Database db;
    Database::Result rows;
    return db.openShared(databasePath) &&
           db.query(QStringLiteral("select count(*) from LenexEvent where manifID=?"), rows, {number.toLongLong()}) &&
           rows.rows.value(0).value(0).toInt() > 0;
}

QString categoriesNote(const QString& databasePath, const QString& number) {
    Database db;
    Database::Result rows;
    if (!db.openShared(databasePath) ||
        !db.query(QStringLiteral("select m.agedate, m.agedatetype, (select count(*) from LenexAgeGroup g where "
                                 "g.manifID=m.manifID and upper(g.calculate)='TOTAL') from LenexMeet m where "
                                 "m.manifID=? and exists (select 1 from LenexEvent e where e.manifID=m.manifID)"),
                  rows, {number.toLongLong()}) ||
        rows.rows.isEmpty())
        return {};
    const QVariantList& m = rows.rows.first();
    const QString type = m.value(1).toString();
    QStringList lines;
    if (!type.isEmpty() && type.compare(QLatin1String("YEAR"), Qt::CaseInsensitive) != 0)
        lines << QStringLiteral("Le eta' contano al %1: l'archivio conosce solo l'anno di nascita, quindi ogni "
                                "categoria comprende i due anni di nascita che possono avere quell'eta' in quel "
                                "giorno, e un atleta puo' stare in due categorie: scegli quella giusta.")
                     .arg(m.value(0).toDate().toString(QStringLiteral("dd/MM/yyyy")));
    if (m.value(2).toInt() > 0)
        lines << QStringLiteral("Le categorie \"(TOTALE)\" delle staffette contano l'eta' totale dei frazionisti: "
                                "AnnoIni e AnnoFin sono eta', non anni di nascita. Scrivi l'eta' totale della "
                                "squadra al posto dell'anno.");
    return lines.join(QLatin1Char(' '));
}

Status entriesDocument(const QString& databasePath, const QString& number, const ClubIdentity& club, Document& out,
                       EntriesProblems& problems) {
    out = {};
    problems = {};
    Database db;
    if (Status s = db.openShared(databasePath); !s)
        return s;
    Database::Result manif;
    if (Status s = readRows(db,
                            QStringLiteral("select [Nome Manifestazione], [Località], Data, [Num Max Iscrizioni per "
                                           "atleta] from manif where [Numero Prova]=") +
                                sqlQuoted(number) + QStringLiteral(" order by societa=") + sqlQuoted(club.code) +
                                QStringLiteral(" desc"),
                            manif);
        !s)
        return s;
    const QVariantList heading = manif.rows.value(0);
    const QDate date = heading.value(2).toDate();
    const int year = date.isValid() ? date.year() : Clock::now().date().year();

    Meet meet;
    const bool invitation = storedMeet(db, number, meet);
    QList<Event> ownEvents; // a competition of the service: one event per race and sex
    Database::Result categories;
    if (!invitation) {
        meet.name = heading.value(0).toString();
        meet.city = heading.value(1).toString();
        meet.nation = QStringLiteral("ITA");
        meet.course = competitionCourse(databasePath, number);
        meet.maxEntriesAthlete = heading.value(3).toInt();
        meet.ageDate = QDate(year, 12, 31);
        meet.ageDateType = QStringLiteral("YEAR");
        if (Status s = readRows(db,
                                QStringLiteral("select Categoria, sesso, AnnoIni, AnnoFin from categorie where "
                                               "manifID=") +
                                    sqlQuoted(number),
                                categories);
            !s)
            return s;
        // meet software needs a date
        meet.sessions << Session{1, date.isValid() ? date : Clock::now().date(), {}, {}, {}, 0, 0, {}};
    }

    QHash<QString, QString> unknownStyles; // a race of our own keeps one style id over the file
    const auto ownEvent = [&](const QString& race, const QString& sex) -> Event& {
        const QString gender = sex == QLatin1String("B") ? QStringLiteral("X") : sex;
        const QString key = raceOfStyle(styleOfRace(race));
        for (Event& e : ownEvents) {
            if (e.gender == gender && raceOfStyle(e.style).compare(key, Qt::CaseInsensitive) == 0)
                return e;
        }
        Event e;
        e.number = int(ownEvents.size()) + 1;
        e.id = QString::number(e.number);
        e.gender = gender;
        e.style = styleOfRace(race);
        if (e.style.stroke == QLatin1String("UNKNOWN")) {
            const QString upper = key.toUpper();
            if (!unknownStyles.contains(upper))
                unknownStyles.insert(upper, QString::number(900 + unknownStyles.size() + 1));
            e.style.id = unknownStyles.value(upper);
            QString code = upper;
            code.remove(QLatin1Char(' '));
            e.style.code = code.left(6);
        }
        ownEvents << e;
        return ownEvents.last();
    };
    // The organiser's event of a registration whose category mapping is lost: the same race for the sex.
    const auto organiserEvent = [&](const QString& race, const QString& sex) -> const Event* {
        for (const Session& s : meet.sessions) {
            for (const Event& e : s.events) {
                if (e.takesEntries() && sameRace(raceOfStyle(e.style), race) &&
                    takesSex(e.gender, sex, e.style.relayCount > 1))
                    return &e;
            }
        }
        return nullptr;
    };

    Database::Result registrations;
    const QString table = registrationTable(number);
    const QString mapping = invitation ? QStringLiteral(", lr.eventid, lr.agegroupid from [") + table +
                                             QStringLiteral("] r left join LenexRace lr on lr.manifID=") +
                                             QString::number(number.toLongLong()) +
                                             QStringLiteral(" and lr.gara=r.spec and lr.Categoria=r.cat and "
                                                            "lr.Sesso=r.sesso")
                                       : QStringLiteral(", null, null from [") + table + QStringLiteral("] r");
    if (Status s = readRows(
            db,
            QStringLiteral(
                "select r.codatl, r.nome, coalesce(nullif(n.anno, 0), r.anno), r.sesso, r.spec, r.m, r.s, n.squadra, "
                "r.cat, ln.lastname, ln.firstname") +
                mapping +
                QStringLiteral(" left join natl n on n.codatl=r.codatl left join LenexName ln on "
                               "ln.codatl=r.codatl where r.soc=") +
                sqlQuoted(club.code) + QStringLiteral(" order by r.nome, r.OrdineInserimento"),
            registrations);
        !s)
        return s;

    const QHash<QString, QList<GivenTime>> recorded = clubRecordedTimes(db, number, club.code);
    // The standards say which entries carry the invitation's marker.
    EntryRules rules;
    if (invitation)
        if (Status s = EntryRules::load(db, number, rules); !s)
            return s;
    Club ours;
    ours.name = club.name.trimmed().isEmpty() ? club.code : club.name.trimmed();
    ours.code = club.code;
    ours.nation = club.nation.trimmed().isEmpty() ? QStringLiteral("ITA") : club.nation.trimmed().toUpper();
    QHash<QString, qsizetype> athleteAt;
    QHash<QString, qsizetype> relayAt;
    for (const QVariantList& row : registrations.rows) {
        const QString code = row.value(0).toString();
        const QString name = row.value(1).toString();
        const QString sex = archiveSex(row.value(3).toString());
        const QString race = row.value(4).toString();
        const bool relay = row.value(7).toInt() != 0;
        Entry entry{{}, hundredthsOf(row.value(5).toDouble(), row.value(6).toDouble()), {}, {}, {}};
        const Event* event = nullptr;
        if (invitation) {
            entry.eventId = row.value(11).toString();
            entry.ageGroupId = row.value(12).toString();
            event = entry.eventId.isEmpty() ? organiserEvent(race, sex) : meet.event(entry.eventId);
            if (!event) {
                problems.notWritten << name + QStringLiteral(": ") + race;
                continue;
            }
            entry.eventId = event->id;
        } else {
            Event& own = ownEvent(race, sex);
            entry.eventId = own.id;
            for (const AgeGroup& g : categoryGroups(categories, row.value(8).toString(), sex, year)) {
                if (std::none_of(own.ageGroups.cbegin(), own.ageGroups.cend(),
                                 [&](const AgeGroup& held) { return held.name == g.name; })) {
                    own.ageGroups << g;
                    own.ageGroups.last().id = QString::number(own.ageGroups.size());
                }
            }
            for (const AgeGroup& g : own.ageGroups) {
                if (g.name.compare(row.value(8).toString(), Qt::CaseInsensitive) == 0)
                    entry.ageGroupId = g.id;
            }
            event = &own;
        }
        // The pool of the time: the best time's it equals, else the event's.
        QString eventCourse = meet.course;
        if (invitation)
            meet.event(entry.eventId, &eventCourse);
        const GivenTime given = givenTime(entry.time, recorded.value(recordedKey(code, race)));
        entry.course = given.course.isEmpty() ? eventCourse : given.course;
        if (invitation)
            entry.marker =
                rules.standard(race, row.value(8).toString(), row.value(3).toString(), row.value(2).toInt(), given)
                    .marker;
        if (relay) {
            if (!relayAt.contains(code)) {
                relayAt.insert(code, ours.relays.size());
                Relay r;
                r.number = int(ours.relays.size()) + 1;
                r.gender = sex == QLatin1String("B") ? QStringLiteral("X") : sex;
                r.name = name;
                for (const AgeGroup& g : event->ageGroups) {
                    if (g.id != entry.ageGroupId)
                        continue;
                    (g.byTotalAge() ? r.ageTotalMin : r.ageMin) = g.ageMin;
                    (g.byTotalAge() ? r.ageTotalMax : r.ageMax) = g.ageMax;
                }
                ours.relays << r;
            }
            ours.relays[relayAt.value(code)].entries << entry;
            continue;
        }
        if (!athleteAt.contains(code)) {
            athleteAt.insert(code, ours.athletes.size());
            Athlete a;
            a.id = code;
            if (code.toLongLong() < kFirstProvisionalCode)
                a.license = code;
            const QString last = row.value(9).toString();
            const QString first = row.value(10).toString();
            // A split a results file gave wins while the archive's name is still the same.
            if (!last.isEmpty() && foldedName(last + QLatin1Char(' ') + first) == foldedName(name))
                std::tie(a.lastName, a.firstName) = std::pair{last, first};
            else
                std::tie(a.lastName, a.firstName) = splitName(name);
            const int born = row.value(2).toInt();
            if (born > 0)
                a.birthDate = QDate(born, 1, 1);
            else
                problems.withoutYear << name + QStringLiteral(" (") + code + QLatin1Char(')');
            a.gender = sexOf(sex);
            ours.athletes << a;
        }
        ours.athletes[athleteAt.value(code)].entries << entry;
    }
    if (!invitation)
        meet.sessions.first().events = ownEvents;
    meet.clubs << ours;
    out.version = QStringLiteral("3.0");
    out.meets << meet;
    return {};
}

Status importInvitation(const QString& databasePath, const Meet& meet, const QString& userId, const QString& club,
                        QString& number) {
    const QDate first = firstSessionDate(meet);
    // Without an age date, ages count by the year of the first session.
    const QDate ageDate = meet.ageDate.isValid() ? meet.ageDate
                          : first.isValid()      ? first
                                                 : QDate(Clock::now().date().year(), 12, 31);
    const QString ageDateType = meet.ageDate.isValid() ? meet.ageDateType : QStringLiteral("YEAR");
    return inTransaction(databasePath, [&](Database& db) -> Status {
        Database::Result highest;
        if (Status s = readRows(db,
                                QStringLiteral("select max([Numero Prova]) from manif where [Numero Prova]>=%1")
                                    .arg(kFirstLocalCompetition),
                                highest);
            !s)
            return s;
        qlonglong n = std::max<qlonglong>(kFirstLocalCompetition, highest.rows.value(0).value(0).toLongLong() + 1);
        while (db.tableExists(registrationTable(QString::number(n))))
            ++n;
        number = QString::number(n);

        if (Status s = db.insertRows(
                QStringLiteral("manif"),
                {QStringLiteral("Numero Prova"), QStringLiteral("Nome Manifestazione"), QStringLiteral("Località"),
                 QStringLiteral("Data"), QStringLiteral("Num Max Iscrizioni per atleta"), QStringLiteral("userName"),
                 QStringLiteral("societa")},
                {{n, meet.name.left(100), meet.city.left(50),
                  first.isValid() ? QVariant(first.toString(QStringLiteral("dd/MM/yyyy"))) : QVariant(),
                  orNull(meet.maxEntriesAthlete), userId, club}});
            !s)
            return s;
        // Rows of an earlier competition of this number (before a re-initialisation) are not its own.
        for (const TableDefinition& t : lenexTables()) {
            if (t.fields.first().name != QLatin1String("manifID"))
                continue;
            if (Status s =
                    db.execute(QStringLiteral("delete * from ") + t.name + QStringLiteral(" where manifID=") + number);
                !s)
                return s;
        }

        QList<QVariantList> meetRows{{n, meet.name.left(100), meet.city.left(50), orNull(meet.nation.left(3)),
                                      orNull(meet.course), ageDate, ageDateType, orNull(meet.deadline),
                                      orNull(meet.deadlineTime), orNull(meet.maxEntriesAthlete),
                                      orNull(meet.maxEntriesRelay)}};
        QList<QVariantList> sessionRows, eventRows, groupRows, raceRows, categories, handicapCategories, races;
        // Categories are told apart by their years and sex (and handicap), never by name alone.
        QHash<QString, QString> categoryOf;    // sex|first|last|total|handicap -> name
        QHash<QString, QString> categoryKeyOf; // sex|NAME -> key
        QHash<QString, QString> raceEvent;     // RACE|CATEGORY|sex -> event id
        int position = 0;
        for (const Session& s : meet.sessions) {
            sessionRows << QVariantList{n,
                                        s.number,
                                        orNull(s.date),
                                        orNull(s.course),
                                        orNull(s.name.left(100)),
                                        orNull(s.maxEntriesAthlete),
                                        orNull(s.maxEntriesRelay)};
            for (const Event& e : s.events) {
                eventRows << QVariantList{n,
                                          e.id,
                                          e.number,
                                          orNull(e.gender),
                                          orNull(e.round),
                                          s.number,
                                          orNull(e.previousId),
                                          orNull(e.maxEntries),
                                          e.style.distance,
                                          e.style.relayCount,
                                          e.style.stroke,
                                          orNull(e.style.technique),
                                          orNull(e.style.id),
                                          orNull(e.style.code.left(6)),
                                          orNull(e.style.name.left(100)),
                                          ++position};
                for (const AgeGroup& g : e.ageGroups)
                    groupRows << QVariantList{n,
                                              e.id,
                                              g.id,
                                              g.ageMin,
                                              g.ageMax,
                                              orNull(g.gender),
                                              orNull(g.calculate),
                                              orNull(g.handicap),
                                              orNull(g.name.left(100))};
                if (!e.takesEntries())
                    continue;
                const bool relay = e.style.relayCount > 1;
                const QString race = raceOfStyle(e.style).left(50);
                QList<AgeGroup> groups = e.ageGroups;
                if (groups.isEmpty())
                    groups << AgeGroup{QString(), -1, -1, QString(), QStringLiteral("ASSOLUTI"), {}, {}};
                for (const AgeGroup& g : groups) {
                    const QString gender = g.gender == QLatin1String("M") || g.gender == QLatin1String("F") ||
                                                   g.gender == QLatin1String("X")
                                               ? g.gender
                                               : e.gender;
                    const YearSpan years = birthYears(g, ageDate, ageDateType);
                    for (const QString& sex : sexesOf(gender.isEmpty() ? QStringLiteral("A") : gender, relay)) {
                        const QString key = QStringLiteral("%1|%2|%3|%4|%5")
                                                .arg(sex)
                                                .arg(years.first)
                                                .arg(years.last)
                                                .arg(g.byTotalAge())
                                                .arg(g.handicap);
                        QString name = categoryOf.value(key);
                        if (name.isEmpty()) {
                            name = groupName(g);
                            for (int i = 2; categoryKeyOf.contains(sex + QLatin1Char('|') + name.toUpper()); ++i) {
                                const QString tail = i == 2 ? QStringLiteral(" %1-%2").arg(years.first).arg(years.last)
                                                            : QStringLiteral(" %1").arg(i);
                                name = groupName(g).left(30 - tail.size()) + tail;
                            }
                            categoryOf.insert(key, name);
                            categoryKeyOf.insert(sex + QLatin1Char('|') + name.toUpper(), key);
                            // The category lookup takes the last that fits: para classes come first,
                            // so that an athlete is proposed the category of everyone.
                            (g.handicap.isEmpty() ? categories : handicapCategories)
                                << QVariantList{n, name, sex, years.first, years.last};
                        }
                        // A second event of the same race for the same category is told apart by its number.
                        QString code = race;
                        if (raceEvent.contains(code.toUpper() + QLatin1Char('|') + name.toUpper() + QLatin1Char('|') +
                                               sex)) {
                            const QString tail = QStringLiteral(" (N. %1)").arg(e.number);
                            code = race.left(50 - tail.size()) + tail;
                        }
                        const QString raceKey =
                            code.toUpper() + QLatin1Char('|') + name.toUpper() + QLatin1Char('|') + sex;
                        if (raceEvent.contains(raceKey))
                            continue;
                        raceEvent.insert(raceKey, e.id);
                        races << QVariantList{n, e.number, code, name, sex, 0};
                        raceRows << QVariantList{n, code, name, sex, e.id, orNull(g.id)};
                    }
                }
            }
        }
        categories = handicapCategories + categories;
        if (Status s = db.insertRows(QStringLiteral("categorie"),
                                     {QStringLiteral("manifID"), QStringLiteral("Categoria"), QStringLiteral("sesso"),
                                      QStringLiteral("AnnoIni"), QStringLiteral("AnnoFin")},
                                     categories);
            !s)
            return s;
        if (Status s = db.insertRows(QStringLiteral("programmi"),
                                     {QStringLiteral("ManifID"), QStringLiteral("OrdineGara"), QStringLiteral("gara"),
                                      QStringLiteral("Categoria"), QStringLiteral("Sesso"), QStringLiteral("Anno")},
                                     races);
            !s)
            return s;
        for (const auto& [table, rows] : {std::pair{"LenexMeet", &meetRows}, std::pair{"LenexSession", &sessionRows},
                                          std::pair{"LenexEvent", &eventRows}, std::pair{"LenexAgeGroup", &groupRows},
                                          std::pair{"LenexRace", &raceRows}}) {
            if (Status s = insertInto(db, table, *rows); !s)
                return s;
        }
        if (Status s = keepEntryRules(db, n, meet); !s)
            return s;
        return db.execute(QStringLiteral("SELECT nprg.* INTO ") + registrationTable(number) +
                          QStringLiteral(" FROM nprg"));
    });
}

Status importResults(const QString& databasePath, const Document& document, const ClubIdentity& club,
                     ResultsSummary& summary) {
    return inTransaction(databasePath, [&](Database& db) -> Status {
        Database::Result archive;
        if (Status s =
                readRows(db, QStringLiteral("select codatl, nome, anno from natl where soc=?"), archive, {club.code});
            !s)
            return s;
        QSet<QString> codes;
        QHash<QString, QString> byNameAndYear;
        QHash<QString, QStringList> byName;
        for (const QVariantList& row : archive.rows) {
            const QString code = row.value(0).toString();
            if (code.isEmpty())
                continue; // an athlete without a code cannot receive times
            codes.insert(code);
            const QString name = foldedName(row.value(1).toString());
            byNameAndYear.insert(name + QLatin1Char('|') + QString::number(row.value(2).toInt()), code);
            byName[name] << code;
        }
        const QString ourCode = foldedName(club.code);
        const QString ourName = foldedName(club.name);
        const auto ours = [&](const Club& c) {
            const QString code = foldedName(c.code);
            const QString name = foldedName(c.name);
            if ((!code.isEmpty() && code == ourCode) || (!name.isEmpty() && (name == ourCode || name == ourName)))
                return true;
            // Licences are numbers of many federations: they make a club ours only when most agree.
            int licensed = 0;
            int known = 0;
            for (const Athlete& a : c.athletes) {
                if (a.license.trimmed().isEmpty())
                    continue;
                ++licensed;
                known += codes.contains(a.license.trimmed());
            }
            return known > 0 && known * 2 > licensed;
        };

        struct Best {
            int time;
            QDate date;
            QString meet;
        };
        QHash<QString, Best> best; // code|race|course
        QSet<QString> athletes;
        QHash<QString, std::pair<QString, QString>> splits;
        for (const Meet& meet : document.meets) {
            QHash<QString, QDate> dayOf;
            for (const Session& s : meet.sessions) {
                for (const Event& e : s.events)
                    dayOf.insert(e.id, s.date);
            }
            for (const Club& c : meet.clubs) {
                if (!ours(c))
                    continue;
                summary.clubFound = true;
                for (const Athlete& a : c.athletes) {
                    const QString name = foldedName(a.lastName + QLatin1Char(' ') + a.firstName);
                    QString code = a.license.trimmed();
                    if (!codes.contains(code))
                        code = a.birthDate.isValid()
                                   ? byNameAndYear.value(name + QLatin1Char('|') + QString::number(a.birthDate.year()))
                               : byName.value(name).size() == 1 ? byName.value(name).first()
                                                                : QString();
                    if (code.isEmpty()) {
                        summary.notFound << (a.lastName + QLatin1Char(' ') + a.firstName).simplified() +
                                                QStringLiteral(" (") +
                                                (a.birthDate.isValid() ? QString::number(a.birthDate.year())
                                                                       : QStringLiteral("?")) +
                                                QLatin1Char(')');
                        continue;
                    }
                    splits.insert(code, {a.lastName.simplified().left(50), a.firstName.simplified().left(50)});
                    for (const Result& r : a.results) {
                        QString course;
                        const Event* e = meet.event(r.eventId, &course);
                        course = course.trimmed().toUpper();
                        const bool valid =
                            r.status.isEmpty() || r.status.compare(QLatin1String("EXH"), Qt::CaseInsensitive) == 0;
                        // A pool of no known course has no place among the best times.
                        if (!valid || r.time <= 0 || !e || e->style.relayCount != 1 ||
                            (poolLength(course) <= 0 && course != QLatin1String("OPEN")))
                            continue;
                        ++summary.times;
                        athletes.insert(code);
                        const QString key = code + QLatin1Char('|') + raceOfStyle(e->style) + QLatin1Char('|') + course;
                        const auto it = best.constFind(key);
                        if (it == best.cend() || r.time < it->time)
                            best.insert(key, Best{r.time, dayOf.value(r.eventId), meet.name.left(100)});
                    }
                }
            }
        }
        summary.athletes = athletes.values();
        summary.athletes.sort();

        QList<QVariantList> nameRows;
        for (auto it = splits.cbegin(); it != splits.cend(); ++it) {
            Database::Result none;
            if (Status s =
                    db.query(QStringLiteral("delete from LenexName where codatl=?"), none, {it.key().toLongLong()});
                !s)
                return s;
            nameRows << QVariantList{it.key().toLongLong(), it->first, it->second};
        }
        if (Status s = insertInto(db, "LenexName", nameRows); !s)
            return s;
        if (best.isEmpty())
            return {};

        const TableDefinition& times = bestTimesTable();
        Database::Result stored;
        if (Status s = readRows(db, QStringLiteral("select Codatl, Gara, Corso, Tempo from Tempi"), stored); !s)
            return s;
        for (const QVariantList& row : stored.rows) {
            const QString key = row.value(0).toString() + QLatin1Char('|') + row.value(1).toString() +
                                QLatin1Char('|') + row.value(2).toString().toUpper();
            const auto it = best.find(key);
            if (it != best.end() && it->time >= row.value(3).toInt())
                best.erase(it); // the stored time is as good
        }
        QList<QVariantList> rows;
        for (auto it = best.cbegin(); it != best.cend(); ++it) {
            const QStringList key = it.key().split(QLatin1Char('|'));
            Database::Result none;
            if (Status s = db.query(QStringLiteral("delete from Tempi where Codatl=? and Gara=? and Corso=?"), none,
                                    {key.at(0).toLongLong(), key.at(1), key.at(2)});
                !s)
                return s;
            rows << QVariantList{key.at(0).toLongLong(),
                                 key.at(1),
                                 poolLength(key.at(2)),
                                 it->time,
                                 orNull(it->date),
                                 it->meet,
                                 key.at(2)};
        }
        return db.insertRows(times.name, names(times), rows);
    });
}

std::optional<BestTime> bestTime(const QString& databasePath, const QString& code, const QString& race,
                                 const QString& course) {
    Database db;
    Database::Result rows;
    // The competition's own course first; else the fastest in metres, never yards or open water.
    if (code.isEmpty() || race.isEmpty() || !db.openShared(databasePath) ||
        !db.query(QStringLiteral("select Tempo, Vasca, Data, Manifestazione, Corso from Tempi where Codatl=? and "
                                 "Gara=? and (Corso=? or Corso like 'SCM%' or Corso='LCM') order by Corso=? desc, "
                                 "Tempo, Vasca desc"),
                  rows, {code.toLongLong(), raceOfStyle(styleOfRace(race)), course, course}) ||
        rows.rows.isEmpty())
        return std::nullopt; // no table yet, or no time: nothing to show
    const QVariantList& row = rows.rows.first();
    return BestTime{row.value(0).toInt(), row.value(1).toInt(), row.value(2).toDate(), row.value(3).toString(),
                    row.value(4).toString()};
}

QString shownBestTime(int hundredths) {
    return SwimTime::ofHundredths(hundredths).resultText();
}

} // namespace onda::lenex
