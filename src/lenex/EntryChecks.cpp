#include "lenex/EntryChecks.h"

#include "lenex/LenexData.h"
#include "lenex/SwimCodes.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/Transaction.h"

#include <QMap>
#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>

namespace onda::lenex {

namespace {

QVariant orNull(const QString& value) {
    return value.isEmpty() ? QVariant() : QVariant(value);
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

// A list applies to registrations of sex M, F, or B (a mixed relay team): `listGender` and
// `genderOf` the registration's sex, both as kept, in capitals.
bool genderFits(const QString& listGender, const QString& gender) {
    return listGender.isEmpty() || listGender == QLatin1String("A") || listGender == gender;
}

QString genderOf(const QString& sex) {
    return same(sex, QStringLiteral("B")) ? QStringLiteral("X") : sex.trimmed().toUpper();
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

quint64 EntryRules::styleOf(qint64 distance, qint64 relayCount, QByteArrayView stroke, QByteArrayView technique) {
    // Words as compared: trimmed and in capitals.
    const auto word = [this](QByteArrayView w) -> quint64 {
        QByteArray key = QByteArray::fromRawData(w.data(), w.size());
        if (std::any_of(w.begin(), w.end(), [](char c) { return c == ' ' || (c >= 'a' && c <= 'z'); }))
            key = key.trimmed().toUpper();
        if (const auto it = m_words.constFind(key); it != m_words.cend())
            return *it;
        const int id = int(m_words.size()) + 1;
        m_words.insert(QByteArray(key.data(), key.size()), id);
        return quint64(id);
    };
    return (quint64(distance & 0xFFFFFF) << 40) | (quint64(std::max<qint64>(1, relayCount) & 0xFF) << 32) |
           (word(stroke) << 16) | word(technique);
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
    const QVariantList key{n};
    const QVariantList eventKey = race.isEmpty() ? key : QVariantList{n, n, race};
    const QVariantList listKey = race.isEmpty() ? key : QVariantList{n, n, n, race};
    const QString where = QStringLiteral(" where manifID=?");
    bool found = false;
    if (Status s = db.read(QStringLiteral("select agedate, agedatetype, course, deadline, deadlinetime, "
                                          "maxentriesrelay from LenexMeet") +
                               where,
                           key,
                           [&](const Database::Row& m) {
                               found = true;
                               out.m_ageDate = m.date(0);
                               out.m_ageDateType = m.text(1);
                               out.m_course = m.text(2);
                               out.m_deadline = m.date(3);
                               out.m_deadlineTime = m.text(4);
                               out.m_maxRelay = int(m.integer(5));
                           });
        !s || !found)
        return s;
    if (Status s =
            db.read(QStringLiteral("select number, date, upper(trim(course)), maxentriesathlete, "
                                   "maxentriesrelay from LenexSession") +
                        where,
                    key,
                    [&](const Database::Row& r) {
                        out.m_sessions.insert(int(r.integer(0)), {r.text(2), int(r.integer(3)), int(r.integer(4)), {}});
                        if (const QDate d = r.date(1); d.isValid() && (!out.m_firstDay.isValid() || d < out.m_firstDay))
                            out.m_firstDay = d;
                    });
        !s)
        return s;
    const QString meetCourse = out.m_course.trimmed().toUpper();
    if (Status s = db.read(QStringLiteral("select eventid, number, session, relaycount, maxentries, distance, "
                                          "stroke, technique from LenexEvent") +
                               where + events,
                           eventKey,
                           [&](const Database::Row& r) {
                               Event e;
                               e.id = r.text(0);
                               e.number = int(r.integer(1));
                               e.session = int(r.integer(2));
                               const QString sessionCourse = out.m_sessions.value(e.session).course;
                               e.course = sessionCourse.isEmpty() ? meetCourse : sessionCourse;
                               e.relay = r.integer(3) > 1;
                               e.maxEntries = int(r.integer(4));
                               e.style = out.styleOf(r.integer(5), r.integer(3), r.bytes(6), r.bytes(7));
                               out.m_events.insert(e.id, e);
                           });
        !s)
        return s;
    // Rows of one event come together: the event found for the last row serves the next.
    Event* last = nullptr;
    QByteArray lastId;
    const auto eventAt = [&](const Database::Row& r, int column) -> Event* {
        const QByteArrayView id = r.bytes(column);
        if (lastId.isNull() || id != lastId) {
            lastId = id.toByteArray();
            const auto it = out.m_events.find(QString::fromUtf8(id));
            last = it == out.m_events.end() ? nullptr : &*it;
        }
        return last;
    };
    if (Status s = db.read(QStringLiteral("select listid, upper(trim(type)), upper(trim(gender)), upper(trim(course)), "
                                          "upper(trim(handicap)), agemin, agemax from LenexStandardList") +
                               where + lists,
                           listKey,
                           [&](const Database::Row& r) {
                               out.m_listIndex.insert(QByteArray(r.bytes(0).data(), r.bytes(0).size()),
                                                      int(out.m_lists.size()));
                               const QString type = r.text(1);
                               out.m_lists.push_back({type.isEmpty() || type == QLatin1String("MAXIMUM"),
                                                      type == QLatin1String("MINIMUM"),
                                                      r.text(2),
                                                      r.text(3),
                                                      r.text(4),
                                                      int(r.integer(5)),
                                                      int(r.integer(6)),
                                                      {}});
                           });
        !s)
        return s;
    const auto listAt = [&](QByteArrayView id) {
        return out.m_listIndex.value(QByteArray::fromRawData(id.data(), id.size()), -1);
    };
    if (Status s = db.read(QStringLiteral("select eventid, listid, marker, fee, currency from LenexStandardRef") +
                               where + events,
                           eventKey,
                           [&](const Database::Row& r) {
                               if (Event* e = eventAt(r, 0)) {
                                   e->refs << Ref{listAt(r.bytes(1)), r.text(2), Fee{{}, int(r.integer(3)), r.text(4)}};
                               }
                           });
        !s)
        return s;
    if (Status s = db.read(QStringLiteral("select eventid, agegroupid, agemin, agemax, handicap, calculate from "
                                          "LenexAgeGroup") +
                               where + events,
                           eventKey,
                           [&](const Database::Row& r) {
                               if (Event* e = eventAt(r, 0)) {
                                   const QString id = r.text(1);
                                   e->groups.insert(id, AgeGroup{id,
                                                                 int(r.integer(2)),
                                                                 int(r.integer(3)),
                                                                 {},
                                                                 {},
                                                                 r.text(5),
                                                                 r.text(4).trimmed().toUpper()});
                               }
                           });
        !s)
        return s;
    if (Status s =
            db.read(QStringLiteral("select listid, distance, relaycount, stroke, technique, swimtime from "
                                   "LenexStandard") +
                        where + lists,
                    listKey,
                    [&](const Database::Row& r) {
                        if (const int l = listAt(r.bytes(0)); l >= 0)
                            out.m_lists[l].times.insert(out.styleOf(r.integer(1), r.integer(2), r.bytes(3), r.bytes(4)),
                                                        int(r.integer(5)));
                    });
        !s)
        return s;
    if (Status s = db.read(QStringLiteral("select session, eventid, type, value, currency from LenexFee") + where, key,
                           [&](const Database::Row& r) {
                               const Fee fee{r.text(2), int(r.integer(3)), r.text(4)};
                               if (!r.bytes(1).isEmpty()) {
                                   if (Event* e = eventAt(r, 1))
                                       e->fee = fee;
                               } else if (r.integer(0) == 0) {
                                   out.m_fees << fee;
                               } else {
                                   out.m_sessions[int(r.integer(0))].fees << fee;
                               }
                           });
        !s)
        return s;
    if (Status s = db.read(QStringLiteral("select qualifyfrom, qualifyuntil, upper(trim(conversion)), percent from "
                                          "LenexQualify") +
                               where,
                           key,
                           [&](const Database::Row& q) {
                               out.m_qualify = {q.date(0), q.date(1), q.text(2), int(q.integer(3))};
                           });
        !s)
        return s;
    return db.read(QStringLiteral("select gara, Categoria, Sesso, eventid, agegroupid from LenexRace") + where +
                       (race.isEmpty() ? QString() : QStringLiteral(" and gara=?")),
                   race.isEmpty() ? key : QVariantList{n, race}, [&](const Database::Row& r) {
                       const QString gara = r.text(0);
                       const QString event = r.text(3);
                       out.m_races.insert(raceKey(gara, r.text(1), r.text(2)), {event, r.text(4)});
                       if (auto it = out.m_events.find(event); it != out.m_events.end())
                           it->race = gara;
                   });
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
    const Applies applies = appliesTo(race, category, sex);
    return applies.event ? standard(applies, birthYear, given) : StandardCheck{};
}

EntryRules::Applies EntryRules::appliesTo(const QString& race, const QString& category, const QString& sex) const {
    Applies out;
    out.event = eventOf(race, category, sex, &out.group);
    if (out.event) {
        const auto found = out.event->groups.constFind(out.group);
        out.handicap = found == out.event->groups.cend() ? QString() : found->handicap;
        out.gender = genderOf(sex);
    }
    return out;
}

StandardCheck EntryRules::standard(const Applies& applies, int birthYear, const GivenTime& given) const {
    StandardCheck out;
    const Event* e = applies.event;
    if (e->refs.isEmpty())
        return out;
    const QString& handicap = applies.handicap;
    const int age = birthYear > 0 && m_ageDate.isValid() ? m_ageDate.year() - birthYear : -1;
    // The lists that apply depend on the event, the handicap, the sex and the age only: many
    // entries share them, so they are found once.
    const CandidateKey key{e, handicap, applies.gender, age};
    auto cached = m_candidates.constFind(key);
    if (cached == m_candidates.cend()) {
        Candidates all;
        for (const Ref& ref : e->refs) {
            if (ref.list < 0)
                continue;
            const List* l = &m_lists[ref.list];
            if (!genderFits(l->gender, key.gender) || l->handicap != handicap)
                continue;
            // Without a year of birth, only lists open to every age apply.
            if ((l->ageMin >= 0 || l->ageMax >= 0) &&
                (age < 0 || (l->ageMin >= 0 && age < l->ageMin) || (l->ageMax >= 0 && age > l->ageMax)))
                continue;
            const auto t = l->times.constFind(e->style);
            if (t == l->times.cend())
                continue;
            if (!l->upper && !l->lower)
                continue;
            QString head =
                (l->upper ? QStringLiteral("Tempo limite ") : QStringLiteral("Tempo minimo ")) + shownBestTime(*t);
            if (const QString pool = courseWords(l->course.isEmpty() ? e->course : l->course); !pool.isEmpty())
                head += QStringLiteral(" (") + pool + QLatin1Char(')');
            (l->upper ? all.maximum : all.minimum).append(Candidate{l, &ref, *t, head});
        }
        cached = m_candidates.insert(key, all);
    }
    const QVarLengthArray<Candidate, 4>& maximum = cached->maximum;
    const QVarLengthArray<Candidate, 4>& minimum = cached->minimum;
    const QString timeCourse = given.course.isEmpty() ? e->course : given.course.trimmed().toUpper();
    // The standard of the time's own pool when the invitation has one, else the event's; of
    // several, the one easiest to meet.
    const auto pick = [&](const QVarLengthArray<Candidate, 4>& all, bool upper) -> std::optional<Candidate> {
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
        const QString& head = c->head;
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
                out.marker = c->ref->marker;
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
    const auto where = [e] {
        return QStringLiteral(" nella sessione ") + QString::number(e->session) + QStringLiteral(": ");
    };
    if (e->maxEntries > 0 && counts.event.value(e->id) + 1 > e->maxEntries)
        return QStringLiteral("Numero max iscrizioni per societa' nella gara ") + QString::number(e->number) +
               QStringLiteral(" (") + entry.race + QStringLiteral("): ") + QString::number(e->maxEntries);
    if (e->relay && m_maxRelay > 0 && counts.relays + 1 > m_maxRelay)
        return QStringLiteral("Numero max iscrizioni di staffette per societa' ") + QString::number(m_maxRelay);
    if (e->relay && session.relay > 0 && counts.relaySession.value(e->session) + 1 > session.relay)
        return QStringLiteral("Numero max iscrizioni di staffette per societa'") + where() +
               QString::number(session.relay);
    if (!e->relay && session.athlete > 0 &&
        counts.athleteSession.value(entry.code + QLatin1Char('|') + QString::number(e->session)) + 1 > session.athlete)
        return QStringLiteral("Numero max iscrizioni per atleta") + where() + QString::number(session.athlete);
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
    Database::Result made, limit;
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
    // Whether a year of birth falls in one of an event's age groups, the groups' years worked out once.
    QHash<const EntryRules::Event*, QList<YearSpan>> spans;
    const auto inGroups = [&](const EntryRules::Event& e, int year) {
        auto it = spans.find(&e);
        if (it == spans.end()) {
            QList<YearSpan> all;
            for (const AgeGroup& g : e.groups)
                all << birthYears(g, rules.m_ageDate, rules.m_ageDateType);
            it = spans.insert(&e, all);
        }
        return std::any_of(it->cbegin(), it->cend(),
                           [year](const YearSpan& span) { return year >= span.first && year <= span.last; });
    };
    QHash<QString, EntryRules::Applies> eventOfEntry;
    const auto checkOne = [&](const Database::Row& r) {
        CheckedEntry c;
        c.code = r.text(0);
        c.name = r.text(1);
        c.year = int(r.integer(2));
        c.category = r.text(3);
        c.sex = r.text(4).trimmed().toUpper();
        c.race = r.text(5);
        c.time = hundredthsOf(r.real(6), r.real(7));
        const EntryRules::Held entry{c.code, c.race, c.category, c.sex};
        // Many entries share a race, a category and a sex: their event is looked up once.
        const QString eventKey = c.race + QChar(0x1f) + c.category + QChar(0x1f) + c.sex;
        auto known = eventOfEntry.constFind(eventKey);
        if (known == eventOfEntry.cend())
            known = eventOfEntry.insert(eventKey, rules.appliesTo(c.race, c.category, c.sex));
        const EntryRules::Event* e = known->event;
        const bool isRelay = e ? e->relay : false;
        if (c.time <= 0)
            c.problems << QStringLiteral("senza tempo");
        if (c.year <= 0 && !isRelay)
            c.problems << QStringLiteral("manca l'anno di nascita");
        if (e) {
            const StandardCheck check =
                rules.standard(*known, c.year,
                               recorded.isEmpty() ? GivenTime{c.time, {}, {}}
                                                  : givenTime(c.time, recorded.value(recordedKey(c.code, c.race))));
            c.standard = check.line;
            c.problems << check.problems;
            if (check.fine > 0)
                fines[check.fine] += 1;
            if (!isRelay && c.year > 0 && !e->groups.isEmpty() && !inGroups(*e, c.year))
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
        const QDateTime when =
            madeAt.isEmpty() ? QDateTime() : madeAt.value(c.code + QLatin1Char('|') + c.race.toUpper());
        const bool late = out.deadline.isValid() && when.isValid() && when > out.deadline;
        if (late)
            c.problems << QStringLiteral("iscritto dopo il termine (") +
                              when.toString(QStringLiteral("dd/MM/yyyy HH:mm")) + QLatin1Char(')');
        (isRelay ? relayTeams : athletes).insert(c.code);
        (isRelay ? relay : individual) += 1;
        (isRelay ? lateRelay : lateIndividual) += late;
        if (e)
            rules.count(held, *e, c.code);
        out.entries << std::move(c);
    };
    if (Status s = db.read(QStringLiteral("select r.codatl, r.nome, coalesce(nullif(n.anno, 0), r.anno), r.cat, "
                                          "r.sesso, r.spec, r.m, r.s from [") +
                               registrationTable(number) +
                               QStringLiteral("] r left join natl n on n.codatl=r.codatl where r.soc=? order by "
                                              "r.nome, r.OrdineInserimento"),
                           {club}, checkOne);
        !s)
        return s;

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
