#include "lenex/LenexData.h"

#include "core/ProgramValues.h"
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

// "ROSSI MARIO" is surname ROSSI and first name MARIO; the blank splits once.
std::pair<QString, QString> splitName(const QString& name) {
    const QString simple = name.simplified();
    const qsizetype blank = simple.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return {simple, QString()};
    return {simple.left(blank), simple.mid(blank + 1)};
}

QString sexOf(const QString& gender) {
    return gender.compare(QLatin1String("F"), Qt::CaseInsensitive) == 0 ? QStringLiteral("F") : QStringLiteral("M");
}

} // namespace

Status entriesDocument(const QString& databasePath, const QString& number, const QString& club, Document& out) {
    out = {};
    Database db;
    if (Status s = db.openShared(databasePath); !s)
        return s;
    Database::Result manif;
    if (Status s = readRows(db,
                            QStringLiteral("select [Nome Manifestazione], [Località], Data, [Num Max Iscrizioni per "
                                           "atleta] from manif where [Numero Prova]=") +
                                sqlQuoted(number) + QStringLiteral(" order by societa=") + sqlQuoted(club) +
                                QStringLiteral(" desc"),
                            manif);
        !s)
        return s;
    Meet meet;
    const QVariantList heading = manif.rows.value(0);
    meet.name = heading.value(0).toString();
    meet.city = heading.value(1).toString();
    meet.nation = QStringLiteral("ITA");
    meet.maxEntriesAthlete = heading.value(3).toInt();
    const QDate date = heading.value(2).toDate();
    const int year = date.isValid() ? date.year() : QDate::currentDate().year();
    meet.ageDate = QDate(year, 12, 31);
    meet.ageDateType = QStringLiteral("YEAR");

    Database::Result categories;
    if (Status s = readRows(db,
                            QStringLiteral("select Categoria, sesso, AnnoIni, AnnoFin from categorie where manifID=") +
                                sqlQuoted(number),
                            categories);
        !s)
        return s;
    Database::Result races;
    if (Status s = readRows(db,
                            QStringLiteral("select gara, Categoria, Sesso from programmi where ManifID=") +
                                sqlQuoted(number) + QStringLiteral(" order by OrdineGara"),
                            races);
        !s)
        return s;

    Session session;
    session.number = 1;
    session.date = date.isValid() ? date : QDate::currentDate(); // meet software needs a date
    // One event per race and sex; each category of the race becomes an age group of it.
    const auto eventFor = [&](const QString& race, const QString& sex) -> Event& {
        const QString key = raceOfStyle(styleOfRace(race));
        for (Event& e : session.events) {
            if (e.gender == sex && raceOfStyle(e.style).compare(key, Qt::CaseInsensitive) == 0)
                return e;
        }
        Event e;
        e.number = int(session.events.size()) + 1;
        e.id = QString::number(e.number);
        e.gender = sex;
        e.style = styleOfRace(race);
        session.events << e;
        return session.events.last();
    };
    for (const QVariantList& row : races.rows) {
        Event& e = eventFor(row.value(0).toString(), sexOf(row.value(2).toString()));
        const QString category = row.value(1).toString();
        for (const QVariantList& c : categories.rows) {
            if (c.value(0).toString().compare(category, Qt::CaseInsensitive) != 0 ||
                sexOf(c.value(1).toString()) != e.gender)
                continue;
            const bool known = std::any_of(e.ageGroups.cbegin(), e.ageGroups.cend(),
                                           [&](const AgeGroup& g) { return g.name == c.value(0).toString(); });
            if (known)
                continue;
            const int first = c.value(2).toInt();
            const int last = c.value(3).toInt();
            e.ageGroups << AgeGroup{QString::number(e.ageGroups.size() + 1), last > 0 ? year - last : -1,
                                    first > 0 ? year - first : -1, QString(), c.value(0).toString()};
        }
    }

    Database::Result registrations;
    const QString table = registrationTable(number);
    if (Status s = readRows(db,
                            QStringLiteral("select r.codatl, r.nome, r.anno, r.sesso, r.spec, r.m, r.s, n.squadra "
                                           "from [") +
                                table + QStringLiteral("] r left join natl n on n.codatl=r.codatl where r.soc=") +
                                sqlQuoted(club) + QStringLiteral(" order by r.nome, r.OrdineInserimento"),
                            registrations);
        !s)
        return s;
    Club ours;
    ours.name = club;
    ours.code = club;
    ours.nation = QStringLiteral("ITA");
    QHash<QString, qsizetype> athleteAt;
    QHash<QString, qsizetype> relayAt;
    for (const QVariantList& row : registrations.rows) {
        const QString code = row.value(0).toString();
        const QString sex = sexOf(row.value(3).toString());
        const Entry entry{eventFor(row.value(4).toString(), sex).id,
                          hundredthsOf(row.value(5).toDouble(), row.value(6).toDouble())};
        if (row.value(7).toInt() != 0) {
            if (!relayAt.contains(code)) {
                relayAt.insert(code, ours.relays.size());
                ours.relays << Relay{int(ours.relays.size()) + 1, sex, row.value(1).toString(), {}};
            }
            ours.relays[relayAt.value(code)].entries << entry;
            continue;
        }
        if (!athleteAt.contains(code)) {
            athleteAt.insert(code, ours.athletes.size());
            Athlete a;
            a.id = code;
            a.license = code;
            std::tie(a.lastName, a.firstName) = splitName(row.value(1).toString());
            const int born = row.value(2).toInt();
            if (born > 0)
                a.birthDate = QDate(born, 1, 1);
            a.gender = sex;
            ours.athletes << a;
        }
        ours.athletes[athleteAt.value(code)].entries << entry;
    }
    meet.sessions << session;
    meet.clubs << ours;
    out.version = QStringLiteral("3.0");
    out.meets << meet;
    return {};
}

Status importInvitation(const QString& databasePath, const Meet& meet, const QString& userId, const QString& club,
                        QString& number) {
    QDate first;
    for (const Session& s : meet.sessions) {
        if (s.date.isValid() && (!first.isValid() || s.date < first))
            first = s.date;
    }
    const int year = meet.ageDate.isValid() ? meet.ageDate.year()
                     : first.isValid()      ? first.year()
                                            : QDate::currentDate().year();
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

        // An age group is a category with its first and last year of birth; an event without
        // age groups is open to all. An event for both sexes gives a category of each.
        QList<QVariantList> categories;
        QList<QVariantList> races;
        QSet<QString> seenCategory;
        QSet<QString> seenRace;
        for (const Session& s : meet.sessions) {
            for (const Event& e : s.events) {
                const QString race = raceOfStyle(e.style);
                QList<AgeGroup> groups = e.ageGroups;
                if (groups.isEmpty())
                    groups << AgeGroup{QString(), -1, -1, QString(), QStringLiteral("ASSOLUTI")};
                for (const AgeGroup& g : groups) {
                    const QString gender =
                        g.gender == QLatin1String("M") || g.gender == QLatin1String("F") ? g.gender : e.gender;
                    const QStringList sexes = gender == QLatin1String("M") || gender == QLatin1String("F")
                                                  ? QStringList{gender}
                                                  : QStringList{QStringLiteral("M"), QStringLiteral("F")};
                    const int from = g.ageMax >= 0 ? year - g.ageMax : 1900;
                    const int to = g.ageMin >= 0 ? year - g.ageMin : year;
                    QString name = g.name.trimmed();
                    if (name.isEmpty())
                        name = g.ageMin < 0 && g.ageMax < 0 ? QStringLiteral("ASSOLUTI")
                               : g.ageMax < 0               ? QStringLiteral("%1 E OLTRE").arg(g.ageMin)
                               : g.ageMin < 0               ? QStringLiteral("FINO A %1").arg(g.ageMax)
                                                            : QStringLiteral("%1-%2").arg(g.ageMin).arg(g.ageMax);
                    name = name.left(30);
                    for (const QString& sex : sexes) {
                        const QString category = sex + QLatin1Char('|') + name.toUpper();
                        if (!seenCategory.contains(category)) {
                            seenCategory.insert(category);
                            categories << QVariantList{n, name, sex, from, to};
                        }
                        const QString key = race.toUpper() + QLatin1Char('|') + category;
                        if (!seenRace.contains(key)) {
                            seenRace.insert(key);
                            races << QVariantList{n, e.number, race, name, sex, 0};
                        }
                    }
                }
            }
        }
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
        return db.execute(QStringLiteral("SELECT nprg.* INTO ") + registrationTable(number) +
                          QStringLiteral(" FROM nprg"));
    });
}

Status importResults(const QString& databasePath, const Document& document, const QString& club,
                     ResultsSummary& summary) {
    return inTransaction(databasePath, [&](Database& db) -> Status {
        Database::Result archive;
        if (Status s = readRows(db, QStringLiteral("select codatl, nome, anno from natl where soc=") + sqlQuoted(club),
                                archive);
            !s)
            return s;
        QSet<QString> codes;
        QHash<QString, QString> byNameAndYear;
        for (const QVariantList& row : archive.rows) {
            codes.insert(row.value(0).toString());
            byNameAndYear.insert(row.value(1).toString().simplified().toUpper() + QLatin1Char('|') +
                                     row.value(2).toString(),
                                 row.value(0).toString());
        }
        const auto ours = [&](const Club& c) {
            if (c.code.compare(club, Qt::CaseInsensitive) == 0 || c.name.compare(club, Qt::CaseInsensitive) == 0)
                return true;
            return std::any_of(c.athletes.cbegin(), c.athletes.cend(),
                               [&](const Athlete& a) { return codes.contains(a.license.trimmed()); });
        };

        struct Best {
            int time;
            QDate date;
            QString meet;
        };
        QHash<QString, Best> best; // code|race|pool
        QSet<QString> athletes;
        for (const Meet& meet : document.meets) {
            for (const Club& c : meet.clubs) {
                if (!ours(c))
                    continue;
                summary.clubFound = true;
                for (const Athlete& a : c.athletes) {
                    QString code = a.license.trimmed();
                    if (!codes.contains(code))
                        code =
                            byNameAndYear.value((a.lastName + QLatin1Char(' ') + a.firstName).simplified().toUpper() +
                                                QLatin1Char('|') + QString::number(a.birthDate.year()));
                    if (code.isEmpty()) {
                        summary.notFound << (a.lastName + QLatin1Char(' ') + a.firstName).simplified() +
                                                QStringLiteral(" (") + QString::number(a.birthDate.year()) +
                                                QLatin1Char(')');
                        continue;
                    }
                    for (const Result& r : a.results) {
                        QString course;
                        const Event* e = meet.event(r.eventId, &course);
                        if (!r.status.isEmpty() || r.time <= 0 || !e || e->style.relayCount != 1)
                            continue;
                        ++summary.times;
                        athletes.insert(code);
                        QDate date;
                        for (const Session& s : meet.sessions) {
                            if (std::any_of(s.events.cbegin(), s.events.cend(),
                                            [&](const Event& x) { return x.id == r.eventId; }))
                                date = s.date;
                        }
                        const QString key = code + QLatin1Char('|') + raceOfStyle(e->style) + QLatin1Char('|') +
                                            QString::number(poolLength(course));
                        const auto it = best.constFind(key);
                        if (it == best.cend() || r.time < it->time)
                            best.insert(key, Best{r.time, date, meet.name.left(100)});
                    }
                }
            }
        }
        summary.athletes = athletes.values();
        summary.athletes.sort();
        if (best.isEmpty())
            return {};

        const TableDefinition& times = bestTimesTable();
        Database::Result stored;
        if (Status s = readRows(db, QStringLiteral("select Codatl, Gara, Vasca, Tempo from Tempi"), stored); !s)
            return s;
        for (const QVariantList& row : stored.rows) {
            const QString key = row.value(0).toString() + QLatin1Char('|') + row.value(1).toString() +
                                QLatin1Char('|') + row.value(2).toString();
            const auto it = best.find(key);
            if (it != best.end() && it->time >= row.value(3).toInt())
                best.erase(it); // the stored time is as good
        }
        QList<QVariantList> rows;
        for (auto it = best.cbegin(); it != best.cend(); ++it) {
            const QStringList key = it.key().split(QLatin1Char('|'));
            if (Status s = db.execute(QStringLiteral("delete * from Tempi where Codatl=") +
                                      QString::number(key.at(0).toLongLong()) + QStringLiteral(" and Gara=") +
                                      sqlQuoted(key.at(1)) + QStringLiteral(" and Vasca=") + key.at(2));
                !s)
                return s;
            rows << QVariantList{key.at(0).toLongLong(),
                                 key.at(1),
                                 key.at(2).toInt(),
                                 it->time,
                                 it->date.isValid() ? QVariant(it->date) : QVariant(),
                                 it->meet};
        }
        QStringList fields;
        for (const FieldInfo& f : times.fields)
            fields << f.name;
        return db.insertRows(times.name, fields, rows);
    });
}

std::optional<BestTime> bestTime(const QString& databasePath, const QString& code, const QString& race) {
    Database db;
    Database::Result rows;
    if (code.isEmpty() || race.isEmpty() || !db.openShared(databasePath) ||
        !db.query(QStringLiteral("select Tempo, Vasca, Data, Manifestazione from Tempi where Codatl=? and Gara=? "
                                 "order by Tempo, Vasca desc"),
                  rows, {code.toLongLong(), raceOfStyle(styleOfRace(race))}) ||
        rows.rows.isEmpty())
        return std::nullopt; // no table yet, or no time: nothing to show
    const QVariantList& row = rows.rows.first();
    return BestTime{row.value(0).toInt(), row.value(1).toInt(), row.value(2).toDate(), row.value(3).toString()};
}

QString shownBestTime(int hundredths) {
    const int minutes = hundredths / 6000;
    return QStringLiteral("%1:%2.%3")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(hundredths / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

} // namespace onda::lenex
