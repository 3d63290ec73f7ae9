#include "lenex/EntryChecks.h"

#include "lenex/LenexData.h"
#include "lenex/SwimCodes.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/Transaction.h"

#include <QMap>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace onda::lenex {

namespace {

QVariant orNull(const QString& value) {
    return value.isEmpty() ? QVariant() : QVariant(value);
}

QString styleKey(int distance, int relayCount, const QString& stroke, const QString& technique) {
    return QStringLiteral("%1|%2|%3|%4")
        .arg(distance)
        .arg(std::max(1, relayCount))
        .arg(stroke.trimmed().toUpper(), technique.trimmed().toUpper());
}

QString raceKey(const QString& race, const QString& category, const QString& sex) {
    return race.toUpper() + QLatin1Char('|') + category.toUpper() + QLatin1Char('|') + sex.toUpper();
}

bool same(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

QString day(const QDate& date) {
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

// A list applies to registrations of sex M, F, or B (a mixed relay team).
// `listGender` as kept: in capitals.
bool genderFits(const QString& listGender, const QString& sex) {
    if (listGender.isEmpty() || listGender == QLatin1String("A"))
        return true;
    return listGender == (same(sex, QStringLiteral("B")) ? QStringLiteral("X") : sex.trimmed().toUpper());
}

} // namespace

Status keepEntryRules(Database& db, qlonglong number, const Meet& meet) {
    for (const TableDefinition& t : entryCheckTables()) {
        Database::Result none;
        if (Status s =
                db.query(QStringLiteral("delete from ") + t.name + QStringLiteral(" where manifID=?"), none, {number});
            !s)
            return s;
    }
    QList<QVariantList> lists, standards, refs, fees;
    QSet<QString> used; // only the lists the meet's events refer to are kept
    const auto feeRows = [&](const QList<Fee>& given, int session, const QString& event) {
        for (const Fee& f : given)
            fees << QVariantList{
                number, session, orNull(event), orNull(f.type.left(30)), f.value, orNull(f.currency.left(3))};
    };
    feeRows(meet.fees, 0, {});
    for (const Session& s : meet.sessions) {
        feeRows(s.fees, s.number, {});
        for (const lenex::Event& e : s.events) {
            if (e.fee.value > 0)
                feeRows({e.fee}, s.number, e.id);
            for (const TimeStandardRef& r : e.standardRefs) {
                refs << QVariantList{
                    number, e.id, r.listId, orNull(r.marker.left(20)), r.fee.value, orNull(r.fee.currency.left(3))};
                used.insert(r.listId);
            }
        }
    }
    for (const TimeStandardList& l : meet.timeStandards) {
        if (!used.contains(l.id))
            continue;
        lists << QVariantList{number,
                              l.id,
                              l.name.left(100),
                              orNull(l.type.left(10)),
                              orNull(l.gender.left(1)),
                              orNull(l.course.left(10)),
                              orNull(l.handicap.left(50)),
                              l.ageMin,
                              l.ageMax};
        for (const TimeStandard& t : l.standards) {
            if (t.time > 0)
                standards << QVariantList{
                    number, l.id, t.style.distance, t.style.relayCount, t.style.stroke, orNull(t.style.technique),
                    t.time};
        }
    }
    QList<QVariantList> qualify;
    if (meet.qualify.from.isValid() || meet.qualify.until.isValid() || !meet.qualify.conversion.isEmpty())
        qualify << QVariantList{number, meet.qualify.from.isValid() ? QVariant(meet.qualify.from) : QVariant(),
                                meet.qualify.until.isValid() ? QVariant(meet.qualify.until) : QVariant(),
                                orNull(meet.qualify.conversion.left(20)), meet.qualify.percent};
    const QList<QVariantList>* rows[] = {&lists, &standards, &refs, &fees, &qualify};
    for (int i = 0; i < 5; ++i) {
        const TableDefinition& t = entryCheckTables().at(i);
        QStringList names;
        for (const FieldInfo& f : t.fields)
            names << f.name;
        if (!rows[i]->isEmpty())
            if (Status s = db.insertRows(t.name, names, *rows[i]); !s)
                return s;
    }
    return {};
}

Status noteEntryMade(const QString& databasePath, const QString& number, const QString& code, const QString& race,
                     const QDateTime& when, bool renewed) {
    // The moment matters only for late fees: a competition without a deadline keeps none.
    if (!entryDeadline(databasePath, number).isValid())
        return {};
    return inTransaction(databasePath, [&](Database& db) -> Status {
        Database::Result rows;
        const QVariantList key{number.toLongLong(), code.toLongLong(), race};
        if (Status s = db.query(QStringLiteral("select count(*) from LenexEntryMade where manifID=? and codatl=? and "
                                               "gara=?"),
                                rows, key);
            !s)
            return s;
        if (!renewed && rows.rows.value(0).value(0).toInt() > 0)
            return {};
        if (Status s = db.query(QStringLiteral("delete from LenexEntryMade where manifID=? and codatl=? and gara=?"),
                                rows, key);
            !s)
            return s;
        return db.insertRows(
            QStringLiteral("LenexEntryMade"),
            {QStringLiteral("manifID"), QStringLiteral("codatl"), QStringLiteral("gara"), QStringLiteral("made")},
            {key + QVariantList{when.toString(Qt::ISODate)}});
    });
}

Status EntryRules::load(Database& db, const QString& number, EntryRules& out, const QString& race) {
    out = {};
    const qlonglong n = number.toLongLong();
    // With a race, only its events and the lists they refer to.
    const QString events = race.isEmpty() ? QString()
                                          : QStringLiteral(" and eventid in (select eventid from LenexRace where "
                                                           "manifID=? and gara=?)");
    const QString lists = race.isEmpty() ? QString()
                                         : QStringLiteral(" and listid in (select listid from LenexStandardRef where "
                                                          "manifID=?") +
                                               events + QLatin1Char(')');
    QVariantList key{n};
    QVariantList eventKey = race.isEmpty() ? key : QVariantList{n, n, race};
    QVariantList listKey = race.isEmpty() ? key : QVariantList{n, n, n, race};
    QVariantList raceKeyOf = race.isEmpty() ? key : QVariantList{n, race};
    Database::Result meet, sessions, rows, refs, groups, standards, fees, qualify, races;
    if (Status s = db.query(QStringLiteral("select agedate, agedatetype, course, deadline, deadlinetime, "
                                           "maxentriesrelay from LenexMeet where manifID=?"),
                            meet, key);
        !s)
        return s;
    if (meet.rows.isEmpty())
        return {};
    const QVariantList& m = meet.rows.first();
    out.m_ageDate = m.value(0).toDate();
    out.m_ageDateType = m.value(1).toString();
    out.m_course = m.value(2).toString();
    out.m_deadline = m.value(3).toDate();
    out.m_deadlineTime = m.value(4).toString();
    out.m_maxRelay = m.value(5).toInt();
    const QString where = QStringLiteral(" where manifID=?");
    const struct {
        QString sql;
        Database::Result& into;
        const QVariantList& parameters;
    } reads[] = {
        {QStringLiteral("select number, date, course, maxentriesathlete, maxentriesrelay from LenexSession") + where,
         sessions, key},
        {QStringLiteral("select eventid, number, session, relaycount, maxentries, distance, stroke, technique from "
                        "LenexEvent") +
             where + events,
         rows, eventKey},
        {QStringLiteral("select eventid, listid, marker, fee, currency from LenexStandardRef") + where + events +
             QStringLiteral(" order by rowid"),
         refs, eventKey},
        {QStringLiteral("select eventid, agegroupid, agemin, agemax, handicap, calculate from LenexAgeGroup") + where +
             events,
         groups, eventKey},
        {QStringLiteral("select listid, type, gender, course, handicap, agemin, agemax from LenexStandardList") +
             where + lists,
         meet, listKey},
        {QStringLiteral("select listid, distance, relaycount, stroke, technique, swimtime from LenexStandard") + where +
             lists,
         standards, listKey},
        {QStringLiteral("select session, eventid, type, value, currency from LenexFee") + where, fees, key},
        {QStringLiteral("select qualifyfrom, qualifyuntil, conversion, percent from LenexQualify") + where, qualify,
         key},
        {QStringLiteral("select gara, Categoria, Sesso, eventid, agegroupid from LenexRace") + where +
             (race.isEmpty() ? QString() : QStringLiteral(" and gara=?")),
         races, raceKeyOf},
    };
    for (const auto& r : reads) {
        if (Status s = db.query(r.sql, r.into, r.parameters); !s)
            return s;
    }

    for (const QVariantList& r : sessions.rows) {
        out.m_sessions.insert(r.value(0).toInt(), {r.value(2).toString(), r.value(3).toInt(), r.value(4).toInt(), {}});
        if (const QDate d = r.value(1).toDate(); d.isValid() && (!out.m_firstDay.isValid() || d < out.m_firstDay))
            out.m_firstDay = d;
    }
    for (const QVariantList& r : rows.rows) {
        Event e;
        e.id = r.value(0).toString();
        e.number = r.value(1).toInt();
        e.session = r.value(2).toInt();
        const QString sessionCourse = out.m_sessions.value(e.session).course;
        e.course = (sessionCourse.isEmpty() ? out.m_course : sessionCourse).trimmed().toUpper();
        e.relay = r.value(3).toInt() > 1;
        e.maxEntries = r.value(4).toInt();
        e.styleKey = styleKey(r.value(5).toInt(), r.value(3).toInt(), r.value(6).toString(), r.value(7).toString());
        out.m_events.insert(e.id, e);
    }
    for (const QVariantList& r : refs.rows) {
        if (auto it = out.m_events.find(r.value(0).toString()); it != out.m_events.end())
            it->refs << TimeStandardRef{
                r.value(1).toString(), r.value(2).toString(), {{}, r.value(3).toInt(), r.value(4).toString()}};
    }
    for (const QVariantList& r : groups.rows) {
        if (auto it = out.m_events.find(r.value(0).toString()); it != out.m_events.end())
            it->groups.insert(r.value(1).toString(), AgeGroup{r.value(1).toString(),
                                                              r.value(2).toInt(),
                                                              r.value(3).toInt(),
                                                              {},
                                                              {},
                                                              r.value(5).toString(),
                                                              r.value(4).toString().trimmed().toUpper()});
    }
    // Kept as compared: trimmed and in capitals.
    const auto word = [](const QVariant& v) { return v.toString().trimmed().toUpper(); };
    for (const QVariantList& r : meet.rows)
        out.m_lists.insert(r.value(0).toString(), {word(r.value(1)),
                                                   word(r.value(2)),
                                                   word(r.value(3)),
                                                   word(r.value(4)),
                                                   r.value(5).toInt(),
                                                   r.value(6).toInt(),
                                                   {}});
    for (const QVariantList& r : standards.rows) {
        if (auto it = out.m_lists.find(r.value(0).toString()); it != out.m_lists.end())
            it->times.insert(
                styleKey(r.value(1).toInt(), r.value(2).toInt(), r.value(3).toString(), r.value(4).toString()),
                r.value(5).toInt());
    }
    for (const QVariantList& r : fees.rows) {
        const Fee fee{r.value(2).toString(), r.value(3).toInt(), r.value(4).toString()};
        if (!r.value(1).toString().isEmpty()) {
            if (auto it = out.m_events.find(r.value(1).toString()); it != out.m_events.end())
                it->fee = fee;
        } else if (r.value(0).toInt() == 0) {
            out.m_fees << fee;
        } else {
            out.m_sessions[r.value(0).toInt()].fees << fee;
        }
    }
    if (!qualify.rows.isEmpty()) {
        const QVariantList& q = qualify.rows.first();
        out.m_qualify = {q.value(0).toDate(), q.value(1).toDate(), q.value(2).toString().trimmed().toUpper(),
                         q.value(3).toInt()};
    }
    for (const QVariantList& r : races.rows) {
        const QString k = raceKey(r.value(0).toString(), r.value(1).toString(), r.value(2).toString());
        out.m_races.insert(k, {r.value(3).toString(), r.value(4).toString()});
        if (auto it = out.m_events.find(r.value(3).toString()); it != out.m_events.end())
            it->race = r.value(0).toString();
    }
    return {};
}

const EntryRules::Event* EntryRules::eventOf(const QString& race, const QString& category, const QString& sex,
                                             QString* group) const {
    const auto it = m_races.constFind(raceKey(race, category, sex));
    if (it == m_races.cend())
        return nullptr;
    if (group)
        *group = it->group;
    const auto e = m_events.constFind(it->event);
    return e == m_events.cend() ? nullptr : &*e;
}

QString EntryRules::courseOf(const QString& race, const QString& category, const QString& sex) const {
    const Event* e = eventOf(race, category, sex);
    return e ? e->course : m_course;
}

QDateTime EntryRules::deadline() const {
    if (!m_deadline.isValid())
        return {};
    const QTime at = QTime::fromString(m_deadlineTime.trimmed(), QStringLiteral("HH:mm"));
    // Without a time the whole day counts.
    return QDateTime(m_deadline, at.isValid() ? at : QTime(23, 59, 59));
}

StandardCheck EntryRules::standard(const QString& race, const QString& category, const QString& sex, int birthYear,
                                   const GivenTime& given) const {
    QString groupId;
    const Event* e = eventOf(race, category, sex, &groupId);
    return e ? standard(*e, groupId, sex, birthYear, given) : StandardCheck{};
}

StandardCheck EntryRules::standard(const Event& event, const QString& groupId, const QString& sex, int birthYear,
                                   const GivenTime& given) const {
    StandardCheck out;
    if (event.refs.isEmpty())
        return out;
    const Event* e = &event;
    const auto found = e->groups.constFind(groupId);
    const QString handicap = found == e->groups.cend() ? QString() : found->handicap;
    const int age = birthYear > 0 && m_ageDate.isValid() ? m_ageDate.year() - birthYear : -1;
    struct Candidate {
        const List* list;
        const TimeStandardRef* ref;
        int time;
    };
    QList<Candidate> maximum, minimum;
    for (const TimeStandardRef& ref : e->refs) {
        const auto l = m_lists.constFind(ref.listId);
        if (l == m_lists.cend() || !genderFits(l->gender, sex) || l->handicap != handicap)
            continue;
        // Without a year of birth, only lists open to every age apply.
        if ((l->ageMin >= 0 || l->ageMax >= 0) &&
            (age < 0 || (l->ageMin >= 0 && age < l->ageMin) || (l->ageMax >= 0 && age > l->ageMax)))
            continue;
        const auto t = l->times.constFind(e->styleKey);
        if (t == l->times.cend())
            continue;
        const QString& type = l->type;
        if (type.isEmpty() || type == QLatin1String("MAXIMUM"))
            maximum << Candidate{&*l, &ref, *t};
        else if (type == QLatin1String("MINIMUM"))
            minimum << Candidate{&*l, &ref, *t}; // DEFAULT times stand in for missing results: no check
    }
    const QString timeCourse = given.course.isEmpty() ? e->course : given.course.trimmed().toUpper();
    // The standard of the time's own pool when the invitation has one, else the event's; of
    // several, the one easiest to meet.
    const auto pick = [&](const QList<Candidate>& all, bool upper) -> std::optional<Candidate> {
        std::optional<Candidate> best;
        int bestRank = 3;
        for (const Candidate& c : all) {
            const int rank = c.list->course == timeCourse ? 0 : c.list->course == e->course ? 1 : 2;
            if (!best || rank < bestRank || (rank == bestRank && (upper ? c.time > best->time : c.time < best->time))) {
                best = c;
                bestRank = rank;
            }
        }
        return best;
    };
    QStringList lines;
    for (const bool upper : {true, false}) {
        const std::optional<Candidate> c = pick(upper ? maximum : minimum, upper);
        if (!c)
            continue;
        const QString listCourse = c->list->course.isEmpty() ? e->course : c->list->course;
        QString head =
            (upper ? QStringLiteral("Tempo limite ") : QStringLiteral("Tempo minimo ")) + shownBestTime(c->time);
        if (const QString pool = courseWords(listCourse); !pool.isEmpty())
            head += QStringLiteral(" (") + pool + QLatin1Char(')');
        const QDate until = m_qualify.until.isValid() ? m_qualify.until : m_firstDay.addDays(-1);
        QString why;
        int time = given.time > 0 ? given.time : -1;
        if (time > 0 && given.date.isValid() &&
            ((m_qualify.from.isValid() && given.date < m_qualify.from) ||
             (m_qualify.from.isValid() && until.isValid() && given.date > until))) {
            why = QStringLiteral("il tempo del ") + day(given.date) +
                  QStringLiteral(" e' fuori dal periodo di qualificazione, dal ") + day(m_qualify.from) +
                  (until.isValid() ? QStringLiteral(" al ") + day(until) : QString());
            out.problems << QStringLiteral("tempo fuori dal periodo di qualificazione");
            time = -1;
        } else if (time > 0 && timeCourse != listCourse) {
            const QString& conversion = m_qualify.conversion;
            const int from = poolLength(timeCourse);
            const int to = poolLength(listCourse);
            if (conversion == QLatin1String("PERCENT_LINEAR") && m_qualify.percent > 0 && isMetricPool(timeCourse) &&
                isMetricPool(listCourse) && from > 0 && to > 0) {
                // Longer pools are slower: the time grows by the percent towards them.
                const double factor = 1.0 + (to > from ? 1 : -1) * m_qualify.percent / 100.0;
                time = int(std::lround(time * factor));
                why = QStringLiteral("tempo in ") + courseWords(timeCourse) + QStringLiteral(" convertito: ") +
                      shownBestTime(time);
            } else {
                why = QStringLiteral("il tempo in ") + courseWords(timeCourse) + QStringLiteral(" non e' accettato");
                if (conversion == QLatin1String("FINA_POINTS"))
                    why += QStringLiteral(": la conversione a punti non e' possibile senza i tempi base");
                out.problems << QStringLiteral("tempo di altra vasca non accettato");
                time = -1;
            }
        } else if (time <= 0) {
            why = QStringLiteral("manca il tempo");
        }
        QString verdict;
        if (upper) {
            const bool met = time > 0 && time <= c->time;
            verdict = met ? QStringLiteral("raggiunto") : QStringLiteral("non raggiunto");
            if (!met) {
                out.ask = true;
                out.fine = c->ref->fee.value;
                out.marker = c->ref->marker;
                out.problems << QStringLiteral("tempo limite non raggiunto");
            }
        } else if (time > 0) {
            const bool met = time >= c->time;
            verdict = met ? QStringLiteral("rispettato") : QStringLiteral("non rispettato");
            if (!met) {
                out.ask = true;
                out.problems << QStringLiteral("tempo piu' veloce del tempo minimo");
            }
        } else {
            verdict = QStringLiteral("non verificabile");
        }
        lines << head + QStringLiteral(": ") + verdict +
                     (why.isEmpty() ? QString() : QStringLiteral(" (") + why + QLatin1Char(')'));
    }
    out.problems.removeDuplicates();
    out.line = lines.join(QStringLiteral("; "));
    return out;
}

void EntryRules::count(Counts& counts, const Held& entry) const {
    if (const Event* e = eventOf(entry.race, entry.category, entry.sex))
        count(counts, *e, entry.code);
}

void EntryRules::count(Counts& counts, const Event& e, const QString& code) const {
    counts.event[e.id] += 1;
    if (e.relay) {
        counts.relays += 1;
        counts.relaySession[e.session] += 1;
    } else {
        counts.athleteSession[code + QLatin1Char('|') + QString::number(e.session)] += 1;
    }
}

std::optional<QString> EntryRules::limitRefusal(const QList<Held>& entries, const Held& entry) const {
    Counts counts;
    for (const Held& h : entries) {
        if (h.code != entry.code || !same(h.race, entry.race)) // the entry itself, made again, is no other
            count(counts, h);
    }
    return limitRefusal(counts, entry);
}

std::optional<QString> EntryRules::limitRefusal(const Counts& counts, const Held& entry) const {
    const Event* e = eventOf(entry.race, entry.category, entry.sex);
    return e ? limitRefusal(counts, *e, entry) : std::nullopt;
}

std::optional<QString> EntryRules::limitRefusal(const Counts& counts, const Event& event, const Held& entry) const {
    const Event* e = &event;
    const SessionLimits session = m_sessions.value(e->session);
    const QString where = QStringLiteral(" nella sessione ") + QString::number(e->session) + QStringLiteral(": ");
    if (e->maxEntries > 0 && counts.event.value(e->id) + 1 > e->maxEntries)
        return QStringLiteral("Numero max iscrizioni per societa' nella gara ") + QString::number(e->number) +
               QStringLiteral(" (") + entry.race + QStringLiteral("): ") + QString::number(e->maxEntries);
    if (e->relay && m_maxRelay > 0 && counts.relays + 1 > m_maxRelay)
        return QStringLiteral("Numero max iscrizioni di staffette per societa' ") + QString::number(m_maxRelay);
    if (e->relay && session.relay > 0 && counts.relaySession.value(e->session) + 1 > session.relay)
        return QStringLiteral("Numero max iscrizioni di staffette per societa'") + where +
               QString::number(session.relay);
    if (!e->relay && session.athlete > 0 &&
        counts.athleteSession.value(entry.code + QLatin1Char('|') + QString::number(e->session)) + 1 > session.athlete)
        return QStringLiteral("Numero max iscrizioni per atleta") + where + QString::number(session.athlete);
    return std::nullopt;
}

QList<GivenTime> recordedTimes(Database& db, const QString& code, const QString& race) {
    Database::Result rows;
    QList<GivenTime> out;
    if (code.isEmpty() || race.isEmpty() ||
        !db.query(QStringLiteral("select Tempo, Corso, Data from Tempi where Codatl=? and Gara=?"), rows,
                  {code.toLongLong(), raceOfStyle(styleOfRace(race))}))
        return out; // no table yet: no recorded time
    for (const QVariantList& r : rows.rows)
        out << GivenTime{r.value(0).toInt(), r.value(1).toString(), r.value(2).toDate()};
    return out;
}

QString recordedKey(const QString& code, const QString& race) {
    return code + QLatin1Char('|') + raceOfStyle(styleOfRace(race)).toUpper();
}

QHash<QString, QList<GivenTime>> clubRecordedTimes(Database& db, const QString& number, const QString& club) {
    Database::Result rows;
    QHash<QString, QList<GivenTime>> out;
    if (!db.query(QStringLiteral("select Codatl, Gara, Tempo, Corso, Data from Tempi where Codatl in (select codatl "
                                 "from [") +
                      registrationTable(number) + QStringLiteral("] where soc=?)"),
                  rows, {club}))
        return out; // without best times every entry time counts in the event's pool
    for (const QVariantList& r : rows.rows)
        out[recordedKey(r.value(0).toString(), r.value(1).toString())]
            << GivenTime{r.value(2).toInt(), r.value(3).toString(), r.value(4).toDate()};
    return out;
}

GivenTime givenTime(int time, const QList<GivenTime>& recorded) {
    for (const GivenTime& r : recorded) {
        if (time > 0 && r.time == time)
            return r;
    }
    return {time, {}, {}};
}

QDateTime entryDeadline(const QString& databasePath, const QString& number) {
    Database db;
    Database::Result rows;
    if (!db.openShared(databasePath) ||
        !db.query(QStringLiteral("select deadline, deadlinetime from LenexMeet where manifID=?"), rows,
                  {number.toLongLong()}) ||
        rows.rows.isEmpty())
        return {}; // no invitation kept: no deadline to keep
    EntryRules rules;
    rules.m_deadline = rows.rows.first().value(0).toDate();
    rules.m_deadlineTime = rows.rows.first().value(1).toString();
    return rules.deadline();
}

QString deadlineLine(const QDateTime& deadline, const QDateTime& now) {
    if (!deadline.isValid())
        return {};
    return QStringLiteral("Termine per le iscrizioni: ") + day(deadline.date()) + QStringLiteral(" alle ") +
           deadline.toString(QStringLiteral("HH:mm")) + (now > deadline ? QStringLiteral(" (scaduto)") : QString());
}

QString lateSaveQuestion(const QDateTime& deadline) {
    return QStringLiteral("Il termine per le iscrizioni e' scaduto il ") + day(deadline.date()) +
           QStringLiteral(" alle ") + deadline.toString(QStringLiteral("HH:mm")) +
           QStringLiteral(": vuoi salvare lo stesso?");
}

QString money(int cents, const QString& currency) {
    const QString amount = QStringLiteral("%1,%2").arg(cents / 100).arg(std::abs(cents % 100), 2, 10, QLatin1Char('0'));
    return currency.isEmpty() ? amount : amount + QLatin1Char(' ') + currency;
}

Status checkEntries(const QString& databasePath, const QString& number, const QString& club, EntriesCheck& out) {
    out = {};
    Database db;
    if (Status s = db.openShared(databasePath); !s)
        return s;
    EntryRules rules;
    if (Status s = EntryRules::load(db, number, rules); !s)
        return s;
    out.invitation = rules.fromInvitation();
    out.deadline = rules.deadline();
    Database::Result rows, made, limit;
    const QString table = registrationTable(number);
    if (Status s = db.query(QStringLiteral("select r.codatl, r.nome, coalesce(nullif(n.anno, 0), r.anno), r.cat, "
                                           "r.sesso, r.spec, r.m, r.s from [") +
                                table +
                                QStringLiteral("] r left join natl n on n.codatl=r.codatl where r.soc=? order by "
                                               "r.nome, r.OrdineInserimento"),
                            rows, {club});
        !s)
        return s;
    if (Status s = db.query(QStringLiteral("select codatl, gara, made from LenexEntryMade where manifID=?"), made,
                            {number.toLongLong()});
        !s)
        return s;
    if (Status s = db.query(QStringLiteral("select [Num Max Iscrizioni per atleta] from manif where [Numero Prova]=?"),
                            limit, {number.toLongLong()});
        !s)
        return s;
    const int athleteLimit = limit.rows.value(0).value(0).toInt();
    QHash<QString, QDateTime> madeAt;
    for (const QVariantList& r : made.rows)
        madeAt.insert(r.value(0).toString() + QLatin1Char('|') + r.value(1).toString().toUpper(),
                      QDateTime::fromString(r.value(2).toString(), Qt::ISODate));
    const QHash<QString, QList<GivenTime>> recorded = clubRecordedTimes(db, number, club);

    EntryRules::Counts held;
    QHash<QString, int> perAthlete;
    QSet<QString> athletes, relayTeams;
    QHash<int, QSet<QString>> sessionAthletes, sessionTeams;
    int individual = 0, relay = 0, lateIndividual = 0, lateRelay = 0;
    QMap<std::pair<int, bool>, int> entryFees; // (cents, relay) -> entries
    QMap<int, int> fines;                      // cents -> entries
    const QString currencyOf = [&] {
        for (const Fee& f : rules.m_fees)
            if (!f.currency.isEmpty())
                return f.currency;
        for (const auto& e : rules.m_events)
            if (!e.fee.currency.isEmpty())
                return e.fee.currency;
        return QString();
    }();
    out.currency = currencyOf;
    for (const QVariantList& r : rows.rows) {
        CheckedEntry c;
        c.code = r.value(0).toString();
        c.name = r.value(1).toString();
        c.year = r.value(2).toInt();
        c.category = r.value(3).toString();
        c.sex = r.value(4).toString().trimmed().toUpper();
        c.race = r.value(5).toString();
        c.time = hundredthsOf(r.value(6).toDouble(), r.value(7).toDouble());
        const EntryRules::Held entry{c.code, c.race, c.category, c.sex};
        QString group;
        const EntryRules::Event* e = rules.eventOf(c.race, c.category, c.sex, &group);
        const bool isRelay = e ? e->relay : false;
        if (c.time <= 0)
            c.problems << QStringLiteral("senza tempo");
        if (c.year <= 0 && !isRelay)
            c.problems << QStringLiteral("manca l'anno di nascita");
        if (e) {
            const StandardCheck check =
                rules.standard(*e, group, c.sex, c.year,
                               recorded.isEmpty() ? GivenTime{c.time, {}, {}}
                                                  : givenTime(c.time, recorded.value(recordedKey(c.code, c.race))));
            c.standard = check.line;
            c.problems << check.problems;
            if (check.fine > 0)
                fines[check.fine] += 1;
            if (!isRelay && c.year > 0 && !e->groups.isEmpty() &&
                std::none_of(e->groups.cbegin(), e->groups.cend(), [&](const AgeGroup& g) {
                    const YearSpan span = birthYears(g, rules.m_ageDate, rules.m_ageDateType);
                    return c.year >= span.first && c.year <= span.last;
                }))
                c.problems << QStringLiteral("atleta fuori dalle categorie della gara");
            if (const std::optional<QString> refusal = rules.limitRefusal(held, *e, entry))
                c.problems << QStringLiteral("oltre il limite: ") + *refusal;
            if (e->fee.value > 0)
                entryFees[{e->fee.value, isRelay}] += 1;
            (isRelay ? sessionTeams : sessionAthletes)[e->session].insert(c.code);
        } else if (out.invitation) {
            c.problems << QStringLiteral("gara non prevista dall'invito");
        }
        if (!isRelay && athleteLimit > 0 && ++perAthlete[c.code] > athleteLimit)
            c.problems << QStringLiteral("oltre il limite di ") + QString::number(athleteLimit) +
                              QStringLiteral(" iscrizioni per atleta");
        const QDateTime when = madeAt.value(c.code + QLatin1Char('|') + c.race.toUpper());
        const bool late = out.deadline.isValid() && when.isValid() && when > out.deadline;
        if (late)
            c.problems << QStringLiteral("iscritto dopo il termine (") +
                              when.toString(QStringLiteral("dd/MM/yyyy HH:mm")) + QLatin1Char(')');
        (isRelay ? relayTeams : athletes).insert(c.code);
        (isRelay ? relay : individual) += 1;
        (isRelay ? lateRelay : lateIndividual) += late;
        if (e)
            rules.count(held, *e, c.code);
        out.entries << c;
    }

    // The bill: every fee that applies, each with its count.
    const auto add = [&](const QString& what, int count, int unit) {
        if (count > 0 && unit > 0) {
            out.bill << BillLine{what, count, unit, count * unit};
            out.total += count * unit;
        }
    };
    const auto globalFees = [&](const QList<Fee>& fees, const QString& where, int athleteCount, int teamCount) {
        for (const Fee& f : fees) {
            const QString type = f.type.trimmed().toUpper();
            if (type == QLatin1String("ATHLETE"))
                add(QStringLiteral("Quota per atleta") + where, athleteCount, f.value);
            else if (type == QLatin1String("RELAY"))
                add(QStringLiteral("Quota per staffetta") + where, teamCount, f.value);
            else if (type == QLatin1String("CLUB"))
                add(QStringLiteral("Quota per societa'") + where, out.entries.isEmpty() ? 0 : 1, f.value);
            else if (type == QLatin1String("TEAM"))
                add(QStringLiteral("Quota per squadra") + where, out.entries.isEmpty() ? 0 : 1, f.value);
            else if (type == QLatin1String("LATEENTRY.INDIVIDUAL") && where.isEmpty())
                add(QStringLiteral("Iscrizioni individuali dopo il termine"), lateIndividual, f.value);
            else if (type == QLatin1String("LATEENTRY.RELAY") && where.isEmpty())
                add(QStringLiteral("Iscrizioni di staffette dopo il termine"), lateRelay, f.value);
        }
    };
    globalFees(rules.m_fees, {}, int(athletes.size()), int(relayTeams.size()));
    QList<int> sessionNumbers = rules.m_sessions.keys();
    std::sort(sessionNumbers.begin(), sessionNumbers.end());
    for (int s : sessionNumbers)
        globalFees(rules.m_sessions.value(s).fees,
                   QStringLiteral(" (sessione ") + QString::number(s) + QLatin1Char(')'),
                   int(sessionAthletes.value(s).size()), int(sessionTeams.value(s).size()));
    for (auto it = entryFees.cbegin(); it != entryFees.cend(); ++it)
        add(it.key().second ? QStringLiteral("Iscrizioni a gare di staffetta") : QStringLiteral("Iscrizioni a gare"),
            it.value(), it.key().first);
    for (auto it = fines.cbegin(); it != fines.cend(); ++it)
        add(QStringLiteral("Multe per tempo limite non raggiunto"), it.value(), it.key());
    return {};
}

} // namespace onda::lenex
