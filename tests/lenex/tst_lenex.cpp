// LENEX files: race codes and times, entries written and read back, invitations and results
// taken into the club's database, and the files a reader must refuse; real files of meet
// software checked against an independent reader (Python's own modules).
#include "FixtureDb.h"
#include "RecordedWorkspace.h"
#include "ScriptedDialogs.h"

#include "core/AppState.h"
#include "core/ProgramValues.h"
#include "core/Settings.h"
#include "entry/RegistrationBook.h"
#include "entry/RegistrationFlow.h"
#include "lenex/LenexData.h"
#include "lenex/LenexFlows.h"
#include "lenex/LenexNames.h"
#include "lenex/LenexReader.h"
#include "lenex/LenexWriter.h"
#include "lenex/SwimCodes.h"

#include <quazip.h>
#include <quazipfile.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>

using namespace onda;
using namespace onda::lenex;
using namespace Qt::StringLiterals;

namespace {

// clang-format off
Event event(const char* id, int number, const char* gender, int distance, const char* stroke,
            QList<AgeGroup> groups = {}, int relayCount = 1, const char* technique = "", const char* previous = "") {
    Event e;
    e.id = QString::fromLatin1(id);
    e.number = number;
    e.gender = QString::fromLatin1(gender);
    e.style = {distance, relayCount, QString::fromLatin1(stroke), {}, QString::fromLatin1(technique), {}, {}};
    e.ageGroups = groups;
    e.previousId = QString::fromLatin1(previous);
    return e;
}
Session session(int number, const QDate& date, const char* course, const QList<Event>& events, int athleteLimit = 0) {
    Session s;
    s.number = number;
    s.date = date;
    s.course = QString::fromLatin1(course);
    s.events = events;
    s.maxEntriesAthlete = athleteLimit;
    return s;
}
AgeGroup group(const char* id, int min, int max, const char* name = "", const char* calculate = "") {
    return {QString::fromLatin1(id), min, max, {}, QString::fromLatin1(name), QString::fromLatin1(calculate), {}};
}

// An organiser's invitation: 100 FREE for M35 and its final, 50 BACK for everyone, a mixed relay
// by total age, a kick relay, two groups named RAGAZZE of other years, 200 MEDLEY for women of 50 and over.
Meet invitation() {
    Meet m;
    m.name = u"Trofeo Lenex"_s;
    m.city = u"Bari"_s;
    m.nation = u"ITA"_s;
    m.course = u"SCM"_s;
    m.ageDate = QDate(2026, 12, 31);
    m.ageDateType = u"YEAR"_s;
    m.maxEntriesAthlete = 3;
    m.maxEntriesRelay = 2;
    m.sessions << session(1, QDate(2026, 3, 12), "",
                          {event("11", 1, "M", 100, "FREE", {group("1", 35, 39, "M35")}),
                           event("12", 2, "A", 50, "BACK"),
                           event("13", 4, "X", 50, "FREE", {group("3", 100, 119, "", "TOTAL")}, 4),
                           event("14", 5, "M", 25, "FREE", {}, 4, "KICK"),
                           event("16", 7, "F", 100, "BACK", {group("4", 10, 11, "RAGAZZE")}),
                           event("17", 8, "F", 200, "BACK", {group("5", 12, 13, "RAGAZZE")})},
                          2)
               << session(2, QDate(2026, 3, 13), "LCM",
                          {event("21", 3, "F", 200, "MEDLEY", {group("2", 50, -1)}),
                           event("15", 6, "M", 100, "FREE", {group("6", 35, 39, "M35")}, 1, "", "11")});
    return m;
}

Athlete swimmer(const char* license, const char* last, const char* first, int year, QList<Result> results) {
    return {{}, QString::fromUtf8(last), QString::fromUtf8(first), year ? QDate(year, 1, 1) : QDate(), u"M"_s,
            QString::fromLatin1(license), {}, results};
}

// Results in five courses, `rossi` being ROSSI MARIO's 100 FREE in 25 m; an exhibition swim counts,
// a name matches with other accents and apostrophes, and without a birth date only when it is unique.
Document results(int rossi, const QString& clubCode = u"ABC"_s) {
    Meet m;
    m.name = u"Regionali"_s;
    m.course = u"SCM"_s;
    m.sessions << session(1, QDate(2026, 2, 1), "", {event("1", 1, "M", 100, "FREE")})
               << session(2, QDate(2026, 2, 2), "LCM",
                          {event("2", 2, "M", 100, "FREE"), event("3", 3, "M", 50, "FREE", {}, 4)})
               << session(3, QDate(2026, 2, 3), "SCY", {event("4", 4, "M", 100, "FREE")})
               << session(4, QDate(2026, 2, 4), "SCM16", {event("5", 5, "M", 100, "FREE")})
               << session(5, QDate(2026, 2, 5), "OPEN", {event("6", 6, "M", 100, "FREE")});
    Club c{u"Nuoto ABC"_s, clubCode, u"ITA"_s, {}, {}};
    c.athletes << swimmer("1001", "ROSSI", "MARIO", 1990,
                          {{u"1"_s, rossi, {}}, {u"1"_s, 6000, u"DSQ"_s}, {u"2"_s, 6800, {}}, {u"3"_s, 2500, {}},
                           {u"4"_s, 5900, {}}, {u"5"_s, 6100, {}}, {u"6"_s, 7100, {}}})
               << swimmer("FIN-77", "D’Angelo", "Lúca", 1990, {{u"1"_s, 7000, u"EXH"_s}})
               << swimmer("", "Dell Acqua", "Nicolo", 0, {{u"1"_s, 7200, {}}})
               << swimmer("", "Bianchi", "Anna", 0, {{u"1"_s, 7300, {}}})
               << swimmer("", "SCONOSCIUTO", "PIPPO", 2001, {{u"1"_s, 9000, {}}});
    m.clubs << c;
    return {u"3.0"_s, {}, {m}};
}
// clang-format on

QByteArray python(const QStringList& arguments, QByteArray* errors = nullptr) {
    QProcess p;
    p.start(u"python3"_s, arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qWarning() << p.readAllStandardError() << p.readAllStandardOutput();
    if (errors)
        *errors = p.readAllStandardError();
    return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray("failed");
}

QString sample(const char* name) {
    return QStringLiteral(ONDA_LENEX_SAMPLES "/") + QLatin1String(name);
}

// A ZIP holding a.lef made of `head`, `times` times `filler`, and `tail`; a `claim` is the size
// both of its headers give instead of the true one.
QByteArray zipped(const QByteArray& head, const QByteArray& filler, int times, const QByteArray& tail,
                  quint32 claim = 0) {
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    {
        QuaZip zip(&buffer);
        QuaZipFile member(&zip);
        zip.open(QuaZip::mdCreate);
        member.open(QIODevice::WriteOnly, QuaZipNewInfo(u"a.lef"_s));
        member.write(head + filler.repeated(times) + tail);
    }
    QByteArray bytes = buffer.data();
    for (const qsizetype at : {qsizetype(22), bytes.indexOf("PK\x01\x02") + 24})
        qToLittleEndian(claim ? claim : qFromLittleEndian<quint32>(bytes.data() + at), bytes.data() + at);
    return bytes;
}

} // namespace

class TestLenex : public QObject, private RegistrationFlow::Port {
    Q_OBJECT
    QTemporaryDir m_settings;
    std::unique_ptr<FixtureDb> m_db;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<AppState> m_state;
    RecordedWorkspace m_workspace;
    LenexFlows flows() { return {*m_state, m_dialogs, m_workspace}; }

    void writeFile(const QString& name, const QByteArray& bytes) {
        QVERIFY(writeFileBytes(m_db->filePath(name), bytes));
    }
    void importInvitation(const QString& name) {
        m_dialogs.queueOpenFileNames({m_db->filePath(name)});
        (void)flows().importInvitation();
    }
    // What the results import of `paths` said.
    QStringList readResults(const QStringList& paths) {
        m_dialogs.queueOpenFileNames(paths);
        (void)flows().importResults();
        return m_dialogs.takeTexts();
    }
    QStringList rows(const QString& sql) { return QVariant(m_db->column(sql)).toStringList(); }
    void showCategoryList() override { QFAIL("no category should be missing"); }
    void showClubRegistrations() override {}
    void showRewrittenRegistration(qlonglong) override {}
    void showRemovedRegistrations(const QList<qlonglong>&) override {}
    void checkedByIndependentReader(const QString& path, const QString& invitation = {}) {
        QCOMPARE(python(QStringList{QStringLiteral(ONDA_LENEX_CHECK), path} +
                        (invitation.isEmpty() ? QStringList{} : QStringList{invitation}))
                     .trimmed(),
                 QByteArray());
    }
    // The entries of the open competition saved as `name`, with the dialogs they took.
    QStringList saveEntries(const QString& number, const QString& name) {
        Competition c;
        c.number = number;
        m_state->setCompetition(c);
        m_dialogs.queueSaveFileName(m_db->filePath(name));
        (void)flows().saveEntries();
        return m_dialogs.takeTexts();
    }
    // One athlete of each category and sex registered on the first race of every event.
    void registerEveryEvent(const QString& number) {
        Competition c;
        c.number = number;
        c.name = u"Invito"_s;
        for (const QString& row : rows(u"select sesso || '|' || Categoria || '|' || AnnoIni || '|' || AnnoFin || "
                                       "'|$' from categorie where manifID="_s +
                                       number + u" order by rowid"_s))
            c.categories += categoriesOfText(row);
        m_state->setCompetition(c);
        RegistrationBook book(*m_state);
        book.load();
        RegistrationFlow flow(*m_state, m_dialogs, book, static_cast<Port&>(*this));
        flow.open();
        const QStringList races =
            rows(u"select r.gara || '|' || r.Categoria || '|' || r.Sesso || '|' || c.AnnoFin "
                 "from LenexRace r join categorie c on c.manifID=r.manifID and "
                 "c.Categoria=r.Categoria and c.sesso=r.Sesso where r.manifID="_s +
                 number + u" and r.rowid in (select min(rowid) from LenexRace group by eventid)"_s);
        QVERIFY(!races.isEmpty());
        // A new athlete for each: "Imposta Atleta" puts it in the archive, and the race list follows.
        for (qsizetype i = 0; i < races.size(); ++i) {
            const QStringList f = races.at(i).split('|');
            RegistrationForm form;
            form.codeEntry = form.code = QString::number(600000 + i);
            form.name = u"ATLETA %1"_s.arg(i);
            form.sex = f.at(2);
            form.year = QString::number(std::min(f.at(3).toInt(), 2020));
            form.category = f.at(1);
            form.race = f.at(0);
            form.time = u"1:00.00"_s;
            form.raceLines = flow.setAthlete(form).raceLines.value_or(QStringList());
            // A time the invitation's standards refuse is entered on Yes.
            const QString verdict = flow.standardLine(form);
            const bool asks = verdict.contains(u"non r"_s);
            if (asks)
                m_dialogs.queueYesNo(Dialogs::Answer::Yes);
            flow.registerAthlete(form);
            QCOMPARE(m_dialogs.takeTexts(),
                     asks ? QStringList{verdict + u". Vuoi iscrivere lo stesso?"_s} : QStringList());
        }
        QCOMPARE(rows(u"select count(*) from nprg"_s + number).value(0).toInt(), races.size());
    }

    // Each entry of the file's club: who, its event's race, the time, the event and age group.
    static QStringList entriesSeen(const Meet& meet) {
        QStringList seen;
        const auto line = [&](const QString& who, const Entry& e) {
            return who + ' ' + raceOfStyle(meet.event(e.eventId)->style) + ' ' + formatSwimTime(e.time) + ' ' +
                   e.eventId + '/' + e.ageGroupId;
        };
        for (const Athlete& a : meet.clubs.value(0).athletes) {
            for (const Entry& e : a.entries)
                seen << line(a.lastName + '/' + a.firstName + ' ' + a.birthDate.toString(Qt::ISODate) + ' ' + a.gender +
                                 ' ' + a.license,
                             e);
        }
        for (const Relay& r : meet.clubs.value(0).relays) {
            for (const Entry& e : r.entries)
                seen << line(u"%1 %2 %3..%4 %5..%6"_s.arg(r.name, r.gender)
                                 .arg(r.ageMin)
                                 .arg(r.ageMax)
                                 .arg(r.ageTotalMin)
                                 .arg(r.ageTotalMax),
                             e);
        }
        return seen;
    }
    void registrations(const QString& number, const QList<QVariantList>& values) {
        QVERIFY(m_db->insertRows(
            u"nprg"_s + number,
            {u"codatl"_s, u"nome"_s, u"anno"_s, u"soc"_s, u"sesso"_s, u"cat"_s, u"spec"_s, u"m"_s, u"s"_s}, values));
    }

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path()); }
    void init() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid() && m_db->seedEntryCompetition());
        QVERIFY(m_db->insertRows(u"natl"_s, {u"codatl"_s, u"nome"_s, u"soc"_s, u"sesso"_s, u"squadra"_s, u"anno"_s},
                                 {{3001, u"STAFFETTA ABC"_s, u"ABC"_s, u"M"_s, -1, 0},
                                  {1004, u"DELL'ACQUA NICOLÒ"_s, u"ABC"_s, u"M"_s, 0, 1995},
                                  {1005, u"BIANCHI ANNA"_s, u"ABC"_s, u"F"_s, 0, 1995},
                                  {1006, u"BIANCHI ANNA"_s, u"ABC"_s, u"F"_s, 0, 1999}}));
        m_state = std::make_unique<AppState>(m_dialogs);
        m_state->databasePath = m_db->path();
        m_state->store.setDatabasePath(m_db->path());
        m_state->session.setClub(u"ABC"_s);
        m_state->userId = u"U"_s;
        setLenexClub(u"ABC"_s, u"Nuoto ABC"_s, u"ITA"_s);
    }
    void cleanup() {
        QVERIFY2(m_dialogs.problems().isEmpty(), qPrintable(m_dialogs.problems()));
        m_dialogs.reset();
    }

    void raceCodes_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("style"); // distance relaycount stroke technique
        QTest::addColumn<QString>("stored");
        // clang-format off
        QTest::newRow("joined") << "100SL" << "100 1 FREE" << "100 SL";
        QTest::newRow("with a blank") << "100 SL" << "100 1 FREE" << "100 SL";
        QTest::newRow("lower case") << "50do" << "50 1 BACK" << "50 DO";
        QTest::newRow("breast") << "200 RA" << "200 1 BREAST" << "200 RA";
        QTest::newRow("fly") << "100FA" << "100 1 FLY" << "100 FA";
        QTest::newRow("medley") << "200MI" << "200 1 MEDLEY" << "200 MI";
        QTest::newRow("relay") << "4x50 SL" << "50 4 FREE" << "4x50 SL";
        QTest::newRow("medley relay") << "4X100MI" << "100 4 MEDLEY" << "4x100 MI";
        QTest::newRow("kick relay") << "4x25 sl gambe" << "25 4 FREE KICK" << "4x25 SL GAMBE";
        QTest::newRow("stroke without our code") << "4x100 IMRELAY" << "100 4 IMRELAY" << "4x100 IMRELAY";
        QTest::newRow("second event of a race") << "100 SL (N. 516)" << "100 1 FREE" << "100 SL";
        QTest::newRow("unknown stroke keeps its distance") << "100 PINNE" << "100 1 UNKNOWN" << "100 PINNE";
        QTest::newRow("no distance") << "SL" << "0 1 UNKNOWN" << "SL";
        // clang-format on
    }
    void raceCodes() {
        QFETCH(QString, code);
        QFETCH(QString, stored);
        const SwimStyle s = styleOfRace(code);
        QTEST(u"%1 %2 %3 %4"_s.arg(s.distance).arg(s.relayCount).arg(s.stroke, s.technique).trimmed(), "style");
        QCOMPARE(s.name, s.stroke == "UNKNOWN"_L1 ? code : QString());
        QCOMPARE(raceOfStyle(s), stored);
        QVERIFY(sameRace(code, stored));
    }

    void swimTimes() {
        const std::pair<const char*, int> both[] = {{"00:01:05.34", 6534}, {"01:00:00.01", 360001}, {"NT", -1}};
        for (const auto& [text, value] : both) {
            QCOMPARE(parseSwimTime(QLatin1String(text)), value);
            QCOMPARE(formatSwimTime(value), QLatin1String(text));
        }
        QCOMPARE(parseSwimTime(u"00:00:00.00"_s), -1);
        for (const char* bad : {"1:05.34", "00:60:00.00", "00:01:05,34", "", "abc"})
            QVERIFY2(!parseSwimTime(QLatin1String(bad)), bad);
        QCOMPARE(hundredthsOf(1, 5.34), 6534);
        QCOMPARE(hundredthsOf(99, 99.99), -1); // the no-time marker
        QCOMPARE(shownBestTime(6534), u"01:05.34"_s);
    }

    void namesAndAges() {
        const std::pair<const char*, const char*> names[] = {{"ROSSI MARIO", "ROSSI/MARIO"},
                                                             {"DE LUCA MARIO", "DE LUCA/MARIO"},
                                                             {"DELLA VALLE ANNA MARIA", "DELLA VALLE/ANNA MARIA"},
                                                             {"D' AMICO UGO", "D' AMICO/UGO"},
                                                             {"D'AMICO UGO", "D'AMICO/UGO"},
                                                             {"VAN BASTEN MARCO", "VAN BASTEN/MARCO"},
                                                             {"DE MARIO", "DE/MARIO"},
                                                             {"ROSSI", "ROSSI/"}};
        for (const auto& [name, split] : names) {
            const auto [last, first] = splitName(QString::fromUtf8(name));
            QCOMPARE(last + '/' + first, QString::fromUtf8(split));
        }
        QCOMPARE(foldedName(u"Dell’Acqua  Nicolò"_s), foldedName(u"DELL'ACQUA NICOLO"_s));
        QVERIFY(foldedName(u"Rossi Mario"_s) != foldedName(u"Rossi Maria"_s));

        // Years of birth of an age group: by the year, at a date, and a relay's total age.
        const struct {
            int min, max;
            const char *calculate, *date, *type, *years;
        } ages[] = {
            {35, 39, "", "2026-12-31", "YEAR", "1987-1991"}, {35, 39, "", "2026-03-01", "YEAR", "1987-1991"},
            {10, 11, "", "2026-11-15", "DATE", "2014-2016"}, {10, 11, "", "2026-12-31", "DATE", "2015-2016"},
            {10, 11, "", "2026-11-15", "LUX", "2014-2016"},  {-1, 18, "", "2026-06-30", "YEAR", "2008-2026"},
            {50, -1, "", "2026-06-30", "DATE", "1900-1976"}, {100, 119, "TOTAL", "2026-12-31", "YEAR", "100-119"},
            {-1, -1, "TOTAL", "2026-12-31", "YEAR", "0-999"}};
        for (const auto& a : ages) {
            const YearSpan span =
                birthYears(group("", a.min, a.max, "", a.calculate),
                           QDate::fromString(QLatin1String(a.date), Qt::ISODate), QLatin1String(a.type));
            QCOMPARE(u"%1-%2"_s.arg(span.first).arg(span.last), QLatin1String(a.years));
        }
    }

    // The registration on it and its entries file are walked by the LENEX road under the display.
    void invitationImported() {
        writeFile(u"invito.lef"_s, "\xEF\xBB\xBF" + writeXml({u"3.0"_s, {}, {invitation()}}));
        importInvitation(u"invito.lef"_s);
        QCOMPARE(m_dialogs.takeTexts(),
                 (QStringList{u"Importa invito LENEX"_s,
                              u"Manifestazione \"Trofeo Lenex\" creata con il numero 900000: selezionala "
                              "nell'elenco e premi \"Iscrizioni\"."_s}));
        QCOMPARE(m_workspace.trace, QStringList{u"list"_s});
        QCOMPARE(rows(u"select [Nome Manifestazione] || '|' || [Località] || '|' || Data || '|' || [Num Max "
                      "Iscrizioni per atleta] || '|' || userName || '|' || societa from manif where [Numero "
                      "Prova]=900000"_s),
                 QStringList{u"Trofeo Lenex|Bari|2026-03-12|3|U|ABC"_s});
        // Categories by years and sex: two groups named alike keep their own years; a relay group by
        // total age keeps its ages; the mixed relay goes to the archive's mixed teams (B).
        QCOMPARE(rows(u"select Categoria || '|' || sesso || '|' || AnnoIni || '|' || AnnoFin from categorie "
                      "where manifID=900000 order by rowid"_s),
                 (QStringList{u"M35|M|1987|1991"_s, u"ASSOLUTI|M|1900|2026"_s, u"ASSOLUTI|F|1900|2026"_s,
                              u"100-119 (TOTALE)|B|100|119"_s, u"RAGAZZE|F|2015|2016"_s,
                              u"RAGAZZE 2013-2014|F|2013|2014"_s, u"50 E OLTRE|F|1900|1976"_s}));
        // One row per race, category and sex of the events that take entries (not the final), each
        // knowing its event and age group; an event for both sexes is one event.
        QCOMPARE(rows(u"select p.OrdineGara || '|' || p.gara || '|' || p.Categoria || '|' || p.Sesso || '|' || "
                      "r.eventid || '|' || ifnull(r.agegroupid, '-') from programmi p join LenexRace r on "
                      "r.manifID=p.ManifID and r.gara=p.gara and r.Categoria=p.Categoria and r.Sesso=p.Sesso where "
                      "p.ManifID=900000 order by p.rowid"_s),
                 (QStringList{u"1|100 SL|M35|M|11|1"_s, u"2|50 DO|ASSOLUTI|M|12|-"_s, u"2|50 DO|ASSOLUTI|F|12|-"_s,
                              u"4|4x50 SL|100-119 (TOTALE)|B|13|3"_s, u"5|4x25 SL GAMBE|ASSOLUTI|M|14|-"_s,
                              u"7|100 DO|RAGAZZE|F|16|4"_s, u"8|200 DO|RAGAZZE 2013-2014|F|17|5"_s,
                              u"3|200 MI|50 E OLTRE|F|21|2"_s}));
        QCOMPARE(rows(u"select eventid || '|' || number || '|' || gender || '|' || session || '|' || stroke || '|' "
                      "|| ifnull(technique, '') || '|' || ifnull(preveventid, '') from LenexEvent where "
                      "manifID=900000 order by position"_s)
                     .join(' '),
                 u"11|1|M|1|FREE|| 12|2|A|1|BACK|| 13|4|X|1|FREE|| 14|5|M|1|FREE|KICK| 16|7|F|1|BACK|| "
                 "17|8|F|1|BACK|| 21|3|F|2|MEDLEY|| 15|6|M|2|FREE||11"_s);
        QCOMPARE(rows(u"select course || agedatetype || maxentriesrelay from LenexMeet where manifID=900000"_s),
                 QStringList{u"SCMYEAR2"_s});
        QVERIFY(categoriesNote(m_db->path(), u"900000"_s).contains(u"eta' totale"_s));
        QCOMPARE(m_db->count(u"nprg900000"_s), 0);

        // A second invitation gets the next number; the local ones are never sent to the service.
        importInvitation(u"invito.lef"_s);
        QVERIFY(m_dialogs.takeTexts().value(1).contains(u"numero 900001"_s));
        QVERIFY(isLocalCompetition(u"900001"_s) && !isLocalCompetition(u"57"_s));
    }

    // Entries on an invitation go to the organiser's events and age groups, as the file gave them.
    void invitationEntries() {
        const Meet meet = invitation();
        writeFile(u"invito.lef"_s, writeXml({u"3.0"_s, {}, {meet}}));
        importInvitation(u"invito.lef"_s);
        m_dialogs.takeTexts();
        QVERIFY(m_db->insertRows(u"natl"_s, {u"codatl"_s, u"nome"_s, u"soc"_s, u"sesso"_s, u"squadra"_s, u"anno"_s},
                                 {{3002, u"MISTA ABC"_s, u"ABC"_s, u"B"_s, -1, 110},
                                  {500001, u"DE LUCA MARIO"_s, u"ABC"_s, u"M"_s, 0, 1989}}));
        registrations(u"900000"_s,
                      {{500001, u"DE LUCA MARIO"_s, 1989, u"ABC"_s, u"M"_s, u"M35"_s, u"100 SL"_s, 1, 5},
                       {500001, u"DE LUCA MARIO"_s, 1989, u"ABC"_s, u"M"_s, u"ASSOLUTI"_s, u"50 DO"_s, 0, 30},
                       {1003, u"NERI ADA"_s, 0, u"ABC"_s, u"F"_s, u"ASSOLUTI"_s, u"50 DO"_s, 0, 40},
                       {1003, u"NERI ADA"_s, 0, u"ABC"_s, u"F"_s, u"50 E OLTRE"_s, u"200 MI"_s, 3, 1},
                       {3002, u"MISTA ABC"_s, 110, u"ABC"_s, u"B"_s, u"100-119 (TOTALE)"_s, u"4x50 SL"_s, 2, 0},
                       {3001, u"STAFFETTA ABC"_s, 0, u"ABC"_s, u"M"_s, u"ASSOLUTI"_s, u"4x25 SL GAMBE"_s, 1, 0},
                       // a race the invitation does not hold any more
                       {1001, u"ROSSI MARIO"_s, 1990, u"ABC"_s, u"M"_s, u"M35"_s, u"800 SL"_s, 9, 0}});
        // A birth date is required: an athlete without a year in the archive stops the file.
        QVERIFY(m_db->exec(u"update natl set anno=null where codatl=1003"_s));
        const QStringList refused = saveEntries(u"900000"_s, u"ABC_900000.lxf"_s);
        QVERIFY2(refused.size() == 1 &&
                     refused.first().contains(u"non hanno l'anno di nascita nell'archivio: NERI ADA (1003)."_s),
                 qPrintable(refused.join('\n')));
        m_dialogs.reset();
        QVERIFY(m_db->exec(u"update natl set anno=1970 where codatl=1003"_s));

        const QString path = m_db->filePath(u"ABC_900000.lxf"_s);
        QCOMPARE(saveEntries(u"900000"_s, u"ABC_900000.lxf"_s),
                 (QStringList{u"Save"_s, u"File LENEX registrato in "_s + path +
                                             u"\r\nQueste iscrizioni non sono nel file perche' la loro gara non e' "
                                             "tra quelle dell'invito: ROSSI MARIO: 800 SL."_s}));
        checkedByIndependentReader(path, m_db->filePath(u"invito.lef"_s));
        Document back;
        QVERIFY(readFile(path, back).ok);
        const Meet& written = back.meets.value(0);
        QCOMPARE(written.name + '|' + written.nation + '|' + written.course + '|' + written.sessions.value(1).course,
                 u"Trofeo Lenex|ITA|SCM|LCM"_s);
        QCOMPARE(written.eventCount(), meet.eventCount());
        const Club& club = written.clubs.value(0);
        QCOMPARE(club.name + '|' + club.code + '|' + club.nation, u"Nuoto ABC|ABC|ITA"_s);
        QCOMPARE(entriesSeen(written), (QStringList{u"DE LUCA/MARIO 1989-01-01 M  100 SL 00:01:05.00 11/1"_s,
                                                    u"DE LUCA/MARIO 1989-01-01 M  50 DO 00:00:30.00 12/"_s,
                                                    u"NERI/ADA 1970-01-01 F 1003 50 DO 00:00:40.00 12/"_s,
                                                    u"NERI/ADA 1970-01-01 F 1003 200 MI 00:03:01.00 21/2"_s,
                                                    u"MISTA ABC X -1..-1 100..119 4x50 SL 00:02:00.00 13/3"_s,
                                                    u"STAFFETTA ABC M -1..-1 -1..-1 4x25 SL GAMBE 00:01:00.00 14/"_s}));
        QCOMPARE(written.event(u"14"_s)->style.technique, u"KICK"_s);
        QCOMPARE(written.event(u"15"_s)->previousId, u"11"_s);
    }

    void entriesRoundTrip() {
        QVERIFY(m_db->exec(u"insert into manif ([Numero Prova], [Nome Manifestazione], Località, Data) "
                           "values (57, 'Trofeo', 'Bari', '2026-05-03')"_s));
        QVERIFY(m_db->exec(u"insert into categorie values (57, 'RAG', 'M', 1988, 1992)"_s));
        QVERIFY(m_db->exec(u"insert into categorie values (57, 'MASTER', 'M', 1900, 1992)"_s));
        registrations(u"57"_s, {{1001, u"ROSSI MARIO"_s, 1990, u"ABC"_s, u"M"_s, u"RAG"_s, u"100SL"_s, 1, 5.34},
                                {1001, u"ROSSI MARIO"_s, 1990, u"ABC"_s, u"M"_s, u"RAG"_s, u"200 SL"_s, 99, 99.99},
                                {1003, u"NERI ADA"_s, 1970, u"ABC"_s, u"F"_s, u"ESO"_s, u"50SL"_s, 0, 31.5},
                                {3001, u"STAFFETTA ABC"_s, 0, u"ABC"_s, u"M"_s, u"MASTER"_s, u"4x50 SL"_s, 1, 50},
                                {1002, u"D'ANGELO LUCA"_s, 1990, u"ABC"_s, u"M"_s, u"RAG"_s, u"100 PINNE"_s, 1, 1},
                                {2001, u"BIANCHI EZIO"_s, 1990, u"XYZ"_s, u"M"_s, u"RAG"_s, u"100SL"_s, 1, 1}});
        // A competition of the service: its pool asked once, the club's name once.
        setLenexClub(u"ABC"_s, {}, u"ITA"_s);
        for (const char* answer : {"33", "50"})
            m_dialogs.queueInput(QString::fromLatin1(answer));
        m_dialogs.queueInput(u"Nuoto ABC Bari"_s);
        const QString path = m_db->filePath(u"ABC_57.lxf"_s);
        const QString poolQuestion = u"In che vasca si svolge la manifestazione? Scrivi 25 o 50 (metri):"_s;
        QCOMPARE(saveEntries(u"57"_s, u"ABC_57.lxf"_s),
                 (QStringList{poolQuestion, u"Scrivi 25 oppure 50."_s, poolQuestion,
                              u"Nome della societa' ABC come deve comparire nei file LENEX (si cambia da File > Dati "
                              "della societa' per LENEX):"_s,
                              u"Save"_s, u"File LENEX registrato in "_s + path}));
        m_dialogs.queueYesNo(u"Y"_s);
        QCOMPARE(saveEntries(u"57"_s, u"ABC_57.lxf"_s).last(), u"File LENEX registrato in "_s + path);
        checkedByIndependentReader(path);

        Document back;
        QVERIFY(readFile(path, back).ok);
        const Meet& meet = back.meets.value(0);
        QCOMPARE(meet.course + '|' + meet.clubs.value(0).name, u"LCM|Nuoto ABC Bari"_s);
        QCOMPARE(entriesSeen(meet), (QStringList{u"D'ANGELO/LUCA 1990-01-01 M 1002 100 PINNE 00:01:01.00 1/1"_s,
                                                 u"NERI/ADA 1970-01-01 F 1003 50 SL 00:00:31.50 2/"_s,
                                                 u"ROSSI/MARIO 1990-01-01 M 1001 100 SL 00:01:05.34 3/1"_s,
                                                 u"ROSSI/MARIO 1990-01-01 M 1001 200 SL NT 4/1"_s,
                                                 u"STAFFETTA ABC M 34..-1 -1..-1 4x50 SL 00:01:50.00 5/1"_s}));
        const Club& club = meet.clubs.first();
        // Every race and sex registered is an event; a race of our own keeps its distance and a style id.
        QCOMPARE(meet.eventCount(), 5);
        const SwimStyle own = meet.event(club.athletes.first().entries.first().eventId)->style;
        QCOMPARE(u"%1 %2 %3 %4"_s.arg(own.distance).arg(own.stroke, own.id, own.code), u"100 UNKNOWN 901 100PIN"_s);
        QCOMPARE(meet.name + '|' + meet.city + '|' + meet.sessions.value(0).date.toString(Qt::ISODate),
                 u"Trofeo|Bari|2026-05-03"_s);
        const AgeGroup rag = meet.event(club.athletes.value(2).entries.first().eventId)->ageGroups.value(0);
        QCOMPARE(rag.name + u" %1-%2"_s.arg(rag.ageMin).arg(rag.ageMax), u"RAG 34-38"_s); // born 1988 to 1992, in 2026
    }
    void tolerantReading() {
        writeFile(u"real.lef"_s, "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<LENEX version=\"3.0\" revision=\"3.0.5\"><FOO><BAR/></FOO><MEETS>"
                                 "<MEET name=\"M\" city=\"C\" nation=\"ITA\" newattr=\"x\"><POOL lanemax=\"8\"/>"
                                 "<SESSIONS><SESSION number=\"1\" date=\"2026-01-01\"><EVENTS>"
                                 "<EVENT eventid=\"5\" number=\"1\"><SWIMSTYLE distance=\"100\" relaycount=\"1\" "
                                 "stroke=\"FREE\"/><HEATS/><AGEGROUPS/></EVENT></EVENTS></SESSION></SESSIONS>"
                                 "<CLUBS><CLUB name=\"ABC\"><ATHLETES><ATHLETE athleteid=\"1\" lastname=\"R\" "
                                 "firstname=\"M\" gender=\"M\" birthdate=\"1990-01-01\" license=\"n/a\"><ENTRIES>"
                                 "<ENTRY eventid=\"5\" entrytime=\"00:00:00.00\"><MEETINFO/></ENTRY></ENTRIES>"
                                 "</ATHLETE></ATHLETES><OFFICIALS/></CLUB></CLUBS></MEET></MEETS></LENEX>");
        Document d;
        const ReadOutcome read = readFile(m_db->filePath(u"real.lef"_s), d);
        QVERIFY2(read.ok, qPrintable(read.message));
        const Athlete& a = d.meets.value(0).clubs.value(0).athletes.value(0);
        QCOMPARE(a.license, u"n/a"_s);
        QCOMPARE(a.entries.value(0).time, -1);
        QCOMPARE(d.meets.value(0).event(u"5"_s)->style.distance, 100);
    }

    void badFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message"); // %1: the file
        QTest::newRow("text") << QByteArray("codice;nome\n") << "Il file %1 non e' un file LENEX.";
        QTest::newRow("other XML") << QByteArray("<html/>") << "Il file %1 non e' un file LENEX.";
        QTest::newRow("empty") << QByteArray() << "Il file %1 non e' un file LENEX.";
        // An archive holding only leggimi.txt, as Python's zipfile writes it.
        QTest::newRow("ZIP without .lef")
            << QByteArray::fromHex("504b03041400000000004148875d6009a59108000000080000000b0000006c656767696d692e7478"
                                   "743c4c454e45582f3e504b010214031400000000004148875d6009a59108000000080000000b0000"
                                   "0000000000000000008001000000006c656767696d692e747874504b050600000000010001003900"
                                   "0000310000000000")
            << "L'archivio %1 non contiene un file LENEX (.lef).";
        QTest::newRow("damaged ZIP") << QByteArray("PK\x03\x04garbage") << "Il file %1 non e' un file LENEX.";
        QTest::newRow("malformed XML") << QByteArray("<LENEX version=\"3.0\"><MEETS><MEET name=\"a\"></MEETS>")
                                       << "Il file LENEX %1 e' danneggiato alla riga 1: non e' stato letto.";
        QTest::newRow("version 2") << QByteArray("<LENEX version=\"2.0\"/>")
                                   << "Il file %1 e' nella versione LENEX 2.0: il programma legge solo la versione 3.";
    }
    void badFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        writeFile(u"bad.lxf"_s, bytes);
        Document d;
        const ReadOutcome read = readFile(m_db->filePath(u"bad.lxf"_s), d);
        QVERIFY(!read.ok && d.meets.isEmpty());
        QCOMPARE(read.message, message.arg(m_db->filePath(u"bad.lxf"_s)));
    }

    // What no real file holds is refused at once and in little memory, however small its ZIP.
    void hostileFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line"); // where the file is damaged; 0: read
        const QByteArray meet = "<LENEX version=\"3.0\"><MEETS><MEET name=\"", end = "\"/></MEETS></LENEX>";
        const QByteArray mb(1 << 20, 'A');
        QTest::newRow("99 MB attribute") << zipped(meet, mb, 99, end) << 1;
        QTest::newRow("1 MB attributes") << meet + "M\"><CLUBS><CLUB><ATHLETES>\n" +
                                                ("<ATHLETE lastname=\"" + mb + "\"/>\n").repeated(20)
                                         << 2;
        QTest::newRow("10 MB of empty athletes") << zipped(meet + "M\"><CLUBS><CLUB><ATHLETES>\n", "<ATHLETE/>",
                                                           1000000, "</ATHLETES></CLUB></CLUBS></MEET></MEETS></LENEX>")
                                                 << 2;
        QTest::newRow("1 MB of text") << zipped(meet + "M\">\n\n", mb, 1, "</MEET></MEETS></LENEX>") << 3;
        QTest::newRow("1 MB comment of tags") << zipped("<LENEX>\n<!--", "<a b='>'>", 1 << 17, "-->") << 2;
        QTest::newRow("member claiming 4 GB") << zipped(meet + "M" + end, {}, 0, {}, 0xFFFFFFF0) << 0;
        QTest::newRow("member claiming 40 bytes of 2 MB") << zipped(meet + "M\"><!--", mb, 2, "-->" + end, 40) << 1;
    }
    void hostileFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        const QString path = m_db->filePath(u"ostile.lxf"_s);
        writeFile(u"ostile.lxf"_s, bytes);
        Document d;
        ReadOutcome read;
        const double grown = peakGrowthMb([&] { read = readFile(path, d); });
        QCOMPARE(read.message,
                 line ? u"Il file LENEX %1 e' danneggiato alla riga %2: non e' stato letto."_s.arg(path).arg(line)
                      : QString());
        QCOMPARE(d.meets.size(), line ? 0 : 1);
        QVERIFY2(grown < 16, qPrintable(QString::number(grown)));
    }

    // Names from a file reach the message cut to a readable length, and a long list stays short.
    void namesCutInMessages() {
        Document many = results(6534);
        many.meets[0].clubs[0].athletes.last().lastName = QString(100, u'X');
        for (int i = 0; i < 40; ++i)
            many.meets[0].clubs[0].athletes << swimmer("", "NUOVO", QByteArray::number(i).constData(), 2001, {});
        QCOMPARE(writeArchive(many, m_db->filePath(u"r.lxf"_s)), QString());
        const QString listed = readResults({m_db->filePath(u"r.lxf"_s)}).value(1);
        QVERIFY2(listed.contains(u", "_s + QString(60, u'X') + u"..., NUOVO 0 (2001),"_s), qPrintable(listed));
        QVERIFY2(listed.endsWith(u"NUOVO 27 (2001) e altri 12."_s), qPrintable(listed));
    }

    void refusedWithoutChange() {
        // 200 MB, refused before a byte is read (the file is sparse).
        QFile huge(m_db->filePath(u"huge.lef"_s));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(200LL * 1024 * 1024));
        huge.close();
        Meet empty = invitation();
        empty.sessions.clear();
        writeFile(u"vuoto.lef"_s, writeXml({u"3.0"_s, {}, {empty}}));
        const QByteArray before = fileBytes(m_db->path());
        for (const char* name : {"huge.lef", "vuoto.lef"})
            importInvitation(QLatin1String(name));
        QCOMPARE(m_dialogs.takeTexts(),
                 (QStringList{u"Importa invito LENEX"_s,
                              u"Il file "_s + huge.fileName() +
                                  u" e' troppo grande per un file LENEX (piu' di 100 MB): non e' stato letto."_s,
                              u"Importa invito LENEX"_s,
                              u"Il file "_s + m_db->filePath(u"vuoto.lef"_s) +
                                  u" non contiene gare: nessuna manifestazione e' stata creata."_s}));
        // Without a club yet its code is asked; cancelled, nothing is made.
        m_workspace.trace.clear();
        m_state->session.setClub({});
        writeFile(u"invito.lef"_s, writeXml({u"3.0"_s, {}, {invitation()}}));
        m_dialogs.queueInput(std::nullopt);
        importInvitation(u"invito.lef"_s);
        QCOMPARE(m_dialogs.takeTexts(),
                 (QStringList{u"Importa invito LENEX"_s, u"Codice della societa' (come su Ondaweb):"_s}));
        QCOMPARE(fileBytes(m_db->path()), before);
        QCOMPARE(m_workspace.trace, QStringList{});

        // An archive that cannot be written leaves no file behind, and an old one as it was.
        QCOMPARE(writeArchive(results(1), m_db->filePath(u"manca/x.lxf"_s)).left(29),
                 u"Impossibile scrivere il file "_s);
        QVERIFY(!QFile::exists(m_db->filePath(u"manca"_s)));
    }

    void bestTimesFromResults() {
        const QString first = m_db->filePath(u"a.lxf"_s), better = m_db->filePath(u"b.lxf"_s),
                      other = m_db->filePath(u"c.lxf"_s), unnamed = m_db->filePath(u"d.lxf"_s);
        QCOMPARE(writeArchive(results(6534), first), QString());
        QCOMPARE(writeArchive(results(6400), better), QString());
        // Another club whose athlete's licence happens to be one of our codes is not ours.
        Document foreign = results(6000, u"XYZ"_s);
        Club& theirs = foreign.meets[0].clubs[0];
        theirs.name = u"Altri"_s;
        theirs.athletes.removeLast();
        theirs.athletes[1].license = u"X1"_s;
        theirs.athletes[2].license = u"X2"_s;
        QCOMPARE(writeArchive(foreign, other), QString());

        QCOMPARE(readResults({first, other}),
                 (QStringList{u"Importa risultati LENEX"_s,
                              u"Letti 7 tempi per 3 atleti.\r\nAtleti del file non trovati nell'archivio: Bianchi Anna "
                              "(?), SCONOSCIUTO PIPPO (2001).\r\nIl file "_s +
                                  other + u" non contiene risultati della societa' ABC."_s}));
        const QString table = u"select Codatl || '|' || Gara || '|' || Vasca || '|' || Corso || '|' || Tempo || '|' "
                              "|| Data from Tempi order by 1"_s;
        // Each course apart; relays and disqualified swims left out, an exhibition swim kept.
        const QStringList once{u"1001|100 SL|0|OPEN|7100|2026-02-05"_s, u"1001|100 SL|16|SCM16|6100|2026-02-04"_s,
                               u"1001|100 SL|25|SCM|6534|2026-02-01"_s, u"1001|100 SL|25|SCY|5900|2026-02-03"_s,
                               u"1001|100 SL|50|LCM|6800|2026-02-02"_s, u"1002|100 SL|25|SCM|7000|2026-02-01"_s,
                               u"1004|100 SL|25|SCM|7200|2026-02-01"_s};
        QCOMPARE(rows(table), once);
        // The same file again: read, and nothing better kept.
        QVERIFY(readResults({first}).value(1).startsWith(u"Letti 7 tempi per 3 atleti."_s));
        QCOMPARE(rows(table), once);
        QVERIFY(readResults({better}).value(1).startsWith(u"Letti 7 tempi per 3 atleti."_s));
        QCOMPARE(rows(table).value(2), u"1001|100 SL|25|SCM|6400|2026-02-01"_s);
        QCOMPARE(rows(table).size(), once.size());
        // The split of the name the file gave is kept for the entries.
        QCOMPARE(rows(u"select lastname || '/' || firstname from LenexName where codatl=1004"_s),
                 QStringList{u"Dell Acqua/Nicolo"_s});

        // A club without a code in the file is ours by its name, however written.
        Document byName = results(6300, {});
        byName.meets[0].clubs[0].name = u"NUOTO   abc"_s;
        QCOMPARE(writeArchive(byName, unnamed), QString());
        QVERIFY(readResults({unnamed}).value(1).startsWith(u"Letti 7 tempi per 3 atleti."_s));

        // The registration window's line: the competition's course first, else the best in metres.
        std::optional<BestTime> best = bestTime(m_db->path(), u"1001"_s, u"100SL"_s);
        QVERIFY(best && best->time == 6100 && best->course == u"SCM16"_s && best->meet == u"Regionali"_s);
        best = bestTime(m_db->path(), u"1001"_s, u"100 SL"_s, u"LCM"_s);
        QVERIFY(best && best->time == 6800 && courseWords(best->course) == u"vasca 50 m"_s);
        QCOMPARE(courseWords(u"SCY"_s) + '|' + courseWords(u"OPEN"_s), u"vasca 25 yd|acque libere"_s);
        QVERIFY(!bestTime(m_db->path(), u"1001"_s, u"200 SL"_s));
    }
    void meets_data() {
        QTest::addColumn<QString>("file");
        for (const char* name : {"example-entries.lxf", "example-startlist.lxf", "example-results.lxf",
                                 "example-records.lxf", "16032025_Erlangen_lenex3_results.lxf", "lxf_gesamt.lxf"})
            QTest::newRow(name) << sample(name);
    }
    void meets() {
        QFETCH(QString, file);
        Document document;
        const ReadOutcome read = readFile(file, document);
        QVERIFY2(read.ok, qPrintable(read.message));
        const QJsonObject facts = QJsonDocument::fromJson(python({QStringLiteral(ONDA_LENEX_READER), file})).object();
        const QStringList expected = facts.value("events").toVariant().toStringList();
        const int entryEvents = facts.value("entryevents").toInt();
        QCOMPARE(document.meets.isEmpty() ? 0 : document.meets.first().eventCount(), int(expected.size()));
        if (expected.isEmpty())
            return; // the record lists: no meet to import

        m_dialogs.queueOpenFileNames({file});
        (void)flows().importInvitation();
        QVERIFY(m_dialogs.takeTexts().value(1).contains(u"creata con il numero 900000"_s));
        QCOMPARE(rows(u"select e.eventid || '|' || e.number || '|' || ifnull(e.gender, 'A') || '|' || e.distance || "
                      "'|' || e.relaycount || '|' || e.stroke || '|' || ifnull(e.technique, '') || '|' || (select "
                      "count(*) from LenexAgeGroup g where g.manifID=e.manifID and g.eventid=e.eventid) from "
                      "LenexEvent e where manifID=900000 order by position"_s),
                 expected);
        QCOMPARE(rows(u"select count(distinct eventid) from LenexRace where manifID=900000"_s).value(0).toInt(),
                 entryEvents);

        qInfo("%d events, %s categories, %s races", int(expected.size()),
              qPrintable(rows(u"select count(*) from categorie where manifID=900000"_s).value(0)),
              qPrintable(rows(u"select count(*) from programmi where ManifID=900000"_s).value(0)));
        registerEveryEvent(u"900000"_s);
        const QString path = m_db->filePath(u"entries.lxf"_s);
        m_dialogs.queueSaveFileName(path);
        // Every deadline of these files has passed: saving asks first.
        const bool late = !m_db->column(u"select deadline from LenexMeet where manifID=900000"_s).value(0).isNull();
        if (late)
            m_dialogs.queueYesNo(Dialogs::Answer::Yes);
        (void)flows().saveEntries();
        QCOMPARE(m_dialogs.takeTexts().value(late ? 2 : 1),
                 u"File LENEX registrato in "_s + QDir::toNativeSeparators(path));
        QByteArray said;
        QCOMPARE(python({QStringLiteral(ONDA_LENEX_CHECK), path, file}, &said).trimmed(), QByteArray());
        QVERIFY2(said.contains(u" on %1 events of the invitation"_s.arg(entryEvents).toUtf8()), said.constData());
    }

    void bestTimes_data() {
        QTest::addColumn<QString>("file");
        for (const char* name : {"example-results.lxf", "16032025_Erlangen_lenex3_results.lxf", "lxf_gesamt.lxf"})
            QTest::newRow(name) << sample(name);
    }
    void bestTimes() {
        QFETCH(QString, file);
        const QJsonObject counted = QJsonDocument::fromJson(python({QStringLiteral(ONDA_LENEX_READER), file})).object();
        const QString club = counted.value("club").toObject().value("code").toString();
        // The club's athletes in the archive under codes of ours, found by name and year.
        QList<QVariantList> athletes;
        const QJsonArray listed = counted.value("athletes").toArray();
        for (qsizetype i = 0; i < listed.size(); ++i) {
            const QJsonArray a = listed.at(i).toArray();
            athletes << QVariantList{700000 + i, (a.at(0).toString() + ' ' + a.at(1).toString()).toUpper(),
                                     a.at(2).toInt(), club, u"M"_s};
        }
        QVERIFY(m_db->insertRows(u"natl"_s, {u"codatl"_s, u"nome"_s, u"anno"_s, u"soc"_s, u"sesso"_s}, athletes));
        m_state->session.setClub(club);
        setLenexClub(club, counted.value("club").toObject().value("name").toString(), u"GER"_s);
        m_dialogs.queueOpenFileNames({file});
        (void)flows().importResults();
        const QString said = m_dialogs.takeTexts().value(1);
        QVERIFY2(said.startsWith(u"Letti "_s) && !said.contains(u"non trovati"_s), qPrintable(said));

        QStringList expected = counted.value("best").toVariant().toStringList();
        QStringList stored;
        for (const QString& row : rows(u"select Codatl || '|' || Gara || '|' || Corso || '|' || Tempo from Tempi"_s)) {
            const QStringList f = row.split('|');
            const SwimStyle s = styleOfRace(f.at(1));
            const QString stroke = s.stroke == "UNKNOWN"_L1 ? u"UNKNOWN:"_s + f.at(1) : s.stroke;
            stored << u"%1|%2|%3|%4|%5|%6"_s.arg(f.at(0)).arg(s.distance).arg(stroke, s.technique, f.at(2), f.at(3));
        }
        qInfo("%d best times of club %s", int(stored.size()), qPrintable(club));
        expected.sort();
        stored.sort();
        QCOMPARE(stored, expected);
    }
};

QTEST_GUILESS_MAIN(TestLenex)
#include "tst_lenex.moc"
