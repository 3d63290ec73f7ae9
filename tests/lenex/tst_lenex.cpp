// LENEX files: race codes and times, entries written and read back, invitations and results
// taken into the club's database, and the files a reader must refuse.
#include "FixtureDb.h"
#include "ScriptedDialogs.h"

#include "core/AppState.h"
#include "core/ProgramValues.h"
#include "lenex/LenexData.h"
#include "lenex/LenexFlows.h"
#include "lenex/LenexReader.h"
#include "lenex/LenexWriter.h"
#include "lenex/SwimCodes.h"

#include <quazip.h>
#include <quazipfile.h>

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QtEndian>

#include <memory>

using namespace onda;
using namespace onda::lenex;
using namespace Qt::StringLiterals;

namespace {

// clang-format off
Event event(const char* id, int number, const char* gender, int distance, const char* stroke,
            QList<AgeGroup> groups = {}, int relayCount = 1) {
    return {QString::fromLatin1(id), number, QString::fromLatin1(gender), {},
            {distance, relayCount, QString::fromLatin1(stroke), {}}, groups};
}

// An organiser's invitation: 100 FREE for M35, 50 BACK for everyone, 200 MEDLEY for women of 50 and over.
Meet invitation() {
    Meet m;
    m.name = u"Trofeo Lenex"_s;
    m.city = u"Bari"_s;
    m.course = u"SCM"_s;
    m.ageDate = QDate(2026, 12, 31);
    m.maxEntriesAthlete = 3;
    m.sessions << Session{1, QDate(2026, 3, 12), {},
                          {event("11", 1, "M", 100, "FREE", {{u"1"_s, 35, 39, {}, u"M35"_s}}),
                           event("12", 2, "A", 50, "BACK")}}
               << Session{2, QDate(2026, 3, 13), u"LCM"_s,
                          {event("21", 3, "F", 200, "MEDLEY", {{u"2"_s, 50, -1, {}, {}}})}};
    return m;
}

Athlete swimmer(const char* license, const char* last, const char* first, int year, QList<Result> results) {
    return {{}, QString::fromUtf8(last), QString::fromUtf8(first), QDate(year, 1, 1), u"M"_s,
            QString::fromLatin1(license), {}, results};
}

// Results of a short-course session and a long-course one; `rossi` is ROSSI MARIO's 100 FREE in 25 m.
Document results(int rossi, const QString& clubCode = u"ABC"_s) {
    Meet m;
    m.name = u"Regionali"_s;
    m.course = u"SCM"_s;
    m.sessions << Session{1, QDate(2026, 2, 1), {}, {event("1", 1, "M", 100, "FREE")}}
               << Session{2, QDate(2026, 2, 2), u"LCM"_s,
                          {event("2", 2, "M", 100, "FREE"), event("3", 3, "M", 50, "FREE", {}, 4)}};
    Club c{u"Nuoto ABC"_s, clubCode, u"ITA"_s, {}, {}};
    c.athletes << swimmer("1001", "ROSSI", "MARIO", 1990,
                          {{u"1"_s, rossi, {}}, {u"1"_s, 6000, u"DSQ"_s}, {u"2"_s, 6800, {}}, {u"3"_s, 2500, {}}})
               << swimmer("FIN-77", "D'Angelo", "Luca", 1990, {{u"1"_s, 7000, {}}})
               << swimmer("", "SCONOSCIUTO", "PIPPO", 2001, {{u"1"_s, 9000, {}}});
    m.clubs << c;
    return {u"3.0"_s, {}, {m}};
}
// clang-format on

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

class TestLenex : public QObject {
    Q_OBJECT
    std::unique_ptr<FixtureDb> m_db;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<AppState> m_state;

    void writeFile(const QString& name, const QByteArray& bytes) {
        QVERIFY(writeFileBytes(m_db->filePath(name), bytes));
    }
    void importInvitation(const QString& name) {
        m_dialogs.queueOpenFileNames({m_db->filePath(name)});
        ImportLenexInvitation(*m_state);
    }
    // What the results import of `paths` said.
    QStringList readResults(const QStringList& paths) {
        m_dialogs.queueOpenFileNames(paths);
        ImportLenexResults(*m_state);
        return m_dialogs.takeTexts();
    }
    QStringList rows(const QString& sql) { return QVariant(m_db->column(sql)).toStringList(); }
    void checkedByIndependentReader(const QString& path) {
        QProcess python;
        python.start(u"python3"_s, {QStringLiteral(ONDA_LENEX_CHECK), path});
        QVERIFY(python.waitForFinished(20000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardOutput().constData());
    }

private slots:
    void init() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid() && m_db->seedEntryCompetition());
        QVERIFY(m_db->insertRows(u"natl"_s, {u"codatl"_s, u"nome"_s, u"soc"_s, u"sesso"_s, u"squadra"_s},
                                 {{3001, u"STAFFETTA ABC"_s, u"ABC"_s, u"M"_s, -1}}));
        m_state = std::make_unique<AppState>(m_dialogs);
        m_state->databasePath = m_db->path();
        m_state->store.setDatabasePath(m_db->path());
        m_state->club = u"ABC"_s;
        m_state->userId = u"U"_s;
    }
    void cleanup() {
        QVERIFY2(m_dialogs.problems().isEmpty(), qPrintable(m_dialogs.problems()));
        m_dialogs.reset();
    }

    void raceCodes_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("style"); // distance relaycount stroke
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
        QTest::newRow("unknown stroke") << "100 PINNE" << "0 1 UNKNOWN" << "100 PINNE";
        QTest::newRow("no distance") << "SL" << "0 1 UNKNOWN" << "SL";
        // clang-format on
    }
    void raceCodes() {
        QFETCH(QString, code);
        QFETCH(QString, stored);
        const SwimStyle s = styleOfRace(code);
        QTEST(u"%1 %2 %3"_s.arg(s.distance).arg(s.relayCount).arg(s.stroke), "style");
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

    void entriesRoundTrip() {
        QVERIFY(m_db->exec(u"insert into manif ([Numero Prova], [Nome Manifestazione], Località, Data) "
                           "values (57, 'Trofeo', 'Bari', '2026-05-03')"_s));
        QVERIFY(m_db->exec(u"insert into categorie values (57, 'RAG', 'M', 1988, 1992)"_s));
        QVERIFY(m_db->insertRows(u"nprg57"_s,
                                 {u"codatl"_s, u"nome"_s, u"anno"_s, u"soc"_s, u"sesso"_s, u"spec"_s, u"m"_s, u"s"_s},
                                 {{1001, u"ROSSI MARIO"_s, 1990, u"ABC"_s, u"M"_s, u"100SL"_s, 1, 5.34},
                                  {1001, u"ROSSI MARIO"_s, 1990, u"ABC"_s, u"M"_s, u"200 SL"_s, 99, 99.99},
                                  {1003, u"NERI ADA"_s, 1970, u"ABC"_s, u"F"_s, u"50SL"_s, 0, 31.5},
                                  {3001, u"STAFFETTA ABC"_s, 0, u"ABC"_s, u"M"_s, u"4x50 SL"_s, 1, 50},
                                  {2001, u"BIANCHI EZIO"_s, 1990, u"XYZ"_s, u"M"_s, u"100SL"_s, 1, 1}}));
        const QString path = m_db->filePath(u"ABC_57.lxf"_s);
        m_dialogs.queueSaveFileName(path);
        Competition c;
        c.number = u"57"_s;
        m_state->setCompetition(c);
        SaveEntriesAsLenex(*m_state);
        QCOMPARE(m_dialogs.takeTexts(), (QStringList{u"Save"_s, u"File LENEX registrato in "_s + path}));
        checkedByIndependentReader(path);

        Document back;
        QVERIFY(readFile(path, back).ok);
        const Meet& meet = back.meets.value(0);
        QCOMPARE(meet.clubs.size(), 1);
        const Club& club = meet.clubs.first();
        QCOMPARE(club.code, u"ABC"_s);
        QStringList seen;
        for (const Athlete& a : club.athletes) {
            for (const Entry& e : a.entries)
                seen << a.lastName + '/' + a.firstName + ' ' + a.birthDate.toString(Qt::ISODate) + ' ' + a.gender +
                            ' ' + a.license + ' ' + raceOfStyle(meet.event(e.eventId)->style) + ' ' +
                            formatSwimTime(e.time);
        }
        for (const Relay& r : club.relays)
            seen << r.name + ' ' + raceOfStyle(meet.event(r.entries.value(0).eventId)->style) + ' ' +
                        formatSwimTime(r.entries.value(0).time);
        QCOMPARE(seen,
                 (QStringList{u"NERI/ADA 1970-01-01 F 1003 50 SL 00:00:31.50"_s,
                              u"ROSSI/MARIO 1990-01-01 M 1001 100 SL 00:01:05.34"_s,
                              u"ROSSI/MARIO 1990-01-01 M 1001 200 SL NT"_s, u"STAFFETTA ABC 4x50 SL 00:01:50.00"_s}));
        // Every race and sex of the programme is an event, the relay's too.
        QCOMPARE(meet.eventCount(), 7);
        QCOMPARE(meet.name + '|' + meet.city + '|' + meet.sessions.value(0).date.toString(Qt::ISODate),
                 u"Trofeo|Bari|2026-05-03"_s);
        const AgeGroup rag = meet.event(u"1"_s)->ageGroups.value(0); // born 1988 to 1992, in 2026
        QCOMPARE(rag.name + u" %1-%2"_s.arg(rag.ageMin).arg(rag.ageMax), u"RAG 34-38"_s);
    }

    // The registration on it and its entries file are walked by the LENEX road under the display.
    void invitationImported() {
        writeFile(u"invito.lef"_s, "\xEF\xBB\xBF" + writeXml({u"3.0"_s, {}, {invitation()}}));
        importInvitation(u"invito.lef"_s);
        QCOMPARE(m_dialogs.takeTexts(),
                 (QStringList{u"Importa invito LENEX"_s,
                              u"Manifestazione \"Trofeo Lenex\" creata con il numero 900000: selezionala "
                              "nell'elenco e premi \"Iscrizioni\"."_s}));
        QCOMPARE(rows(u"select [Nome Manifestazione] || '|' || [Località] || '|' || Data || '|' || [Num Max "
                      "Iscrizioni per atleta] || '|' || userName || '|' || societa from manif where [Numero "
                      "Prova]=900000"_s),
                 QStringList{u"Trofeo Lenex|Bari|2026-03-12|3|U|ABC"_s});
        QCOMPARE(rows(u"select Categoria || '|' || sesso || '|' || AnnoIni || '|' || AnnoFin from categorie "
                      "where manifID=900000 order by rowid"_s),
                 (QStringList{u"M35|M|1987|1991"_s, u"ASSOLUTI|M|1900|2026"_s, u"ASSOLUTI|F|1900|2026"_s,
                              u"50 E OLTRE|F|1900|1976"_s}));
        QCOMPARE(rows(u"select OrdineGara || '|' || gara || '|' || Categoria || '|' || Sesso from programmi "
                      "where ManifID=900000 order by rowid"_s),
                 (QStringList{u"1|100 SL|M35|M"_s, u"2|50 DO|ASSOLUTI|M"_s, u"2|50 DO|ASSOLUTI|F"_s,
                              u"3|200 MI|50 E OLTRE|F"_s}));
        QCOMPARE(m_db->count(u"nprg900000"_s), 0);

        // A second invitation gets the next number; the local ones are never sent to the service.
        importInvitation(u"invito.lef"_s);
        QVERIFY(m_dialogs.takeTexts().value(1).contains(u"numero 900001"_s));
        QVERIFY(isLocalCompetition(u"900001"_s) && !isLocalCompetition(u"57"_s));
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
        QVERIFY2(listed.contains(u": "_s + QString(60, u'X') + u"..., NUOVO 0 (2001),"_s), qPrintable(listed));
        QVERIFY2(listed.endsWith(u"NUOVO 28 (2001) e altri 11."_s), qPrintable(listed));
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
        m_state->club.clear();
        writeFile(u"invito.lef"_s, writeXml({u"3.0"_s, {}, {invitation()}}));
        m_dialogs.queueInput(std::nullopt);
        importInvitation(u"invito.lef"_s);
        QCOMPARE(m_dialogs.takeTexts(),
                 (QStringList{u"Importa invito LENEX"_s, u"Codice della societa' (come su Ondaweb):"_s}));
        QCOMPARE(fileBytes(m_db->path()), before);

        // An archive that cannot be written leaves no file behind, and an old one as it was.
        QCOMPARE(writeArchive(results(1), m_db->filePath(u"manca/x.lxf"_s)).left(29),
                 u"Impossibile scrivere il file "_s);
        QVERIFY(!QFile::exists(m_db->filePath(u"manca"_s)));
    }

    void bestTimesFromResults() {
        const QString first = m_db->filePath(u"a.lxf"_s), better = m_db->filePath(u"b.lxf"_s),
                      other = m_db->filePath(u"c.lxf"_s);
        QCOMPARE(writeArchive(results(6534), first), QString());
        QCOMPARE(writeArchive(results(6400), better), QString());
        Document foreign = results(6000, u"XYZ"_s);
        foreign.meets[0].clubs[0].athletes.removeFirst(); // no license of ours left to recognise it
        QCOMPARE(writeArchive(foreign, other), QString());

        QCOMPARE(
            readResults({first, other}),
            (QStringList{u"Importa risultati LENEX"_s, u"Letti 3 tempi per 2 atleti.\r\nAtleti del file non "
                                                       "trovati nell'archivio: SCONOSCIUTO PIPPO (2001).\r\n"
                                                       "Il file "_s +
                                                           other + u" non contiene risultati della societa' ABC."_s}));
        const QString table =
            u"select Codatl || '|' || Gara || '|' || Vasca || '|' || Tempo || '|' || Data from Tempi order by 1"_s;
        const QStringList once{u"1001|100 SL|25|6534|2026-02-01"_s, u"1001|100 SL|50|6800|2026-02-02"_s,
                               u"1002|100 SL|25|7000|2026-02-01"_s};
        QCOMPARE(rows(table), once);
        // The same file again: read, and nothing better kept.
        QVERIFY(readResults({first}).value(1).startsWith(u"Letti 3 tempi per 2 atleti."_s));
        QCOMPARE(rows(table), once);
        QVERIFY(readResults({better}).value(1).startsWith(u"Letti 3 tempi per 2 atleti."_s));
        QCOMPARE(rows(table).value(0), u"1001|100 SL|25|6400|2026-02-01"_s);
        QCOMPARE(rows(table).size(), 3);

        // The registration window's line: the best over every pool, for the race however written.
        const std::optional<BestTime> best = bestTime(m_db->path(), u"1001"_s, u"100SL"_s);
        QVERIFY(best && best->time == 6400 && best->pool == 25 && best->meet == u"Regionali"_s);
        QVERIFY(!bestTime(m_db->path(), u"1001"_s, u"200 SL"_s));
    }
};

QTEST_GUILESS_MAIN(TestLenex)
#include "tst_lenex.moc"
