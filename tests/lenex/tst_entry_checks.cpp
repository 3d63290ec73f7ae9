// An invitation's qualifying times, limits, deadline and fees checked off-line: the verdict line
// and the question before an entry, the refusals over limits, the bill of the club's entries,
// and the standards of a real invitation against an independent reading.
#include "FixtureDb.h"
#include "ScriptedDialogs.h"

#include "RecordedWorkspace.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Settings.h"
#include "entry/InvitationChecks.h"
#include "lenex/EntryChecks.h"
#include "lenex/LenexData.h"
#include "lenex/LenexFlows.h"
#include "lenex/LenexReader.h"
#include "reports/CheckReport.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace onda;
using namespace onda::lenex;
using namespace Qt::StringLiterals;

namespace {

// A meet in a 50 m pool: 100 SL of males with a junior standard (fine and marker) and a senior one
// of 25 m pools; 50 DO with a minimum for females and a maximum for males, one entry per club;
// two relays in sessions of their own.
QString invitation(const QString& qualify, bool fees = true) {
    const auto list = [](const char* id, const char* attrs, const char* ages, const char* time, const char* style) {
        return u"<TIMESTANDARDLIST timestandardlistid=\"%1\" name=\"L%1\" %2>%3<TIMESTANDARDS><TIMESTANDARD "
               "swimtime=\"%4\"><SWIMSTYLE %5 relaycount=\"1\"/></TIMESTANDARD></TIMESTANDARDS></TIMESTANDARDLIST>"_s
                   .arg(QLatin1String(id), QLatin1String(attrs), QLatin1String(ages), QLatin1String(time),
                        QLatin1String(style));
    };
    const QString feeList =
        u"<FEES><FEE type=\"ATHLETE\" value=\"1000\" currency=\"EUR\"/><FEE type=\"CLUB\" value=\"2500\"/><FEE "
        "type=\"RELAY\" value=\"1500\"/><FEE type=\"LATEENTRY.INDIVIDUAL\" value=\"500\"/></FEES>"_s;
    const auto fee = [&](int cents) { return fees ? u"<FEE value=\"%1\" currency=\"EUR\"/>"_s.arg(cents) : QString(); };
    return u"<LENEX version=\"3.0\"><MEETS><MEET name=\"Trofeo\" city=\"Roma\" nation=\"ITA\" course=\"LCM\" "
           "deadline=\"2026-05-01\" deadlinetime=\"18:00\" maxentriesrelay=\"2\"><AGEDATE value=\"2026-12-31\" "
           "type=\"YEAR\"/>"_s +
           (fees ? feeList : QString()) + u"<QUALIFY from=\"2025-09-01\" until=\"2026-05-31\" "_s + qualify +
           u"/><SESSIONS><SESSION number=\"1\" date=\"2026-06-06\" maxentriesathlete=\"1\"><EVENTS><EVENT "
           "eventid=\"1\" number=\"1\" gender=\"M\"><SWIMSTYLE distance=\"100\" relaycount=\"1\" stroke=\"FREE\"/>"_s +
           fee(800) +
           u"<AGEGROUPS><AGEGROUP agegroupid=\"1\" agemin=\"13\" agemax=\"18\" name=\"JUNIOR\"/><AGEGROUP "
           "agegroupid=\"2\" agemin=\"19\" agemax=\"-1\" name=\"SENIOR\"/></AGEGROUPS><TIMESTANDARDREFS>"
           "<TIMESTANDARDREF timestandardlistid=\"10\" marker=\"QT\"><FEE value=\"300\"/></TIMESTANDARDREF>"
           "<TIMESTANDARDREF timestandardlistid=\"11\"/></TIMESTANDARDREFS></EVENT><EVENT eventid=\"2\" "
           "number=\"2\" maxentries=\"1\"><SWIMSTYLE distance=\"50\" relaycount=\"1\" stroke=\"BACK\"/>"_s +
           fee(600) +
           u"<AGEGROUPS><AGEGROUP agegroupid=\"3\" agemin=\"13\" agemax=\"-1\" name=\"OPEN\"/></AGEGROUPS>"
           "<TIMESTANDARDREFS><TIMESTANDARDREF timestandardlistid=\"20\"/><TIMESTANDARDREF "
           "timestandardlistid=\"21\"/><TIMESTANDARDREF timestandardlistid=\"99\"/></TIMESTANDARDREFS></EVENT>"
           "</EVENTS></SESSION><SESSION number=\"2\" date=\"2026-06-07\" maxentriesrelay=\"1\"><EVENTS><EVENT "
           "eventid=\"3\" number=\"3\" gender=\"X\"><SWIMSTYLE distance=\"50\" relaycount=\"4\" stroke=\"FREE\"/>"_s +
           fee(1200) +
           u"</EVENT></EVENTS></SESSION><SESSION number=\"3\" date=\"2026-06-07\"><EVENTS><EVENT eventid=\"4\" "
           "number=\"4\" gender=\"X\"><SWIMSTYLE distance=\"50\" relaycount=\"4\" stroke=\"MEDLEY\"/></EVENT>"
           "</EVENTS></SESSION></SESSIONS></MEET></MEETS><TIMESTANDARDLISTS>"_s +
           list("10", "course=\"LCM\" gender=\"M\" type=\"MAXIMUM\"", "<AGEGROUP agemin=\"13\" agemax=\"18\"/>",
                "00:01:10.00", "distance=\"100\" stroke=\"FREE\"") +
           list("11", "course=\"SCM\" gender=\"M\"", "<AGEGROUP agemin=\"19\" agemax=\"-1\"/>", "00:01:08.00",
                "distance=\"100\" stroke=\"FREE\"") +
           list("20", "course=\"LCM\" gender=\"F\" type=\"MINIMUM\"", "", "00:00:30.00",
                "distance=\"50\" stroke=\"BACK\"") +
           list("21", "course=\"LCM\" gender=\"M\" type=\"MAXIMUM\"", "", "00:00:40.00",
                "distance=\"50\" stroke=\"BACK\"") +
           list("22", "course=\"LCM\" gender=\"M\" type=\"DEFAULT\"", "", "00:00:20.00",
                "distance=\"50\" stroke=\"BACK\"") +
           u"</TIMESTANDARDLISTS></LENEX>"_s;
}

} // namespace

class TestEntryChecks : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;
    std::unique_ptr<FixtureDb> m_db;
    ScriptedDialogs m_dialogs;

    QString import(const QString& path) {
        Document document;
        const ReadOutcome read = readFile(path, document);
        QString number;
        if (!read.ok || !importInvitation(m_db->path(), document.meets.value(0), u"u"_s, u"ABC"_s, number))
            qWarning() << read.message;
        return number;
    }
    QString importText(const QString& xml) {
        QFile file(m_db->filePath(u"invito.lef"_s));
        if (!file.open(QIODevice::WriteOnly) || file.write(xml.toUtf8()) < 0)
            return {};
        file.close();
        return import(file.fileName());
    }
    InvitationEntry entry(const QString& number, const QString& code, const QString& race, const QString& category,
                          const QString& sex, int year, const QString& time) {
        return {m_db->path(), number, u"ABC"_s, code, race, category, sex, QString::number(year), time};
    }
    void registrations(const QString& number, const QList<QVariantList>& rows) {
        QVERIFY(m_db->insertRows(
            u"nprg"_s + number,
            {u"codatl"_s, u"nome"_s, u"anno"_s, u"cat"_s, u"soc"_s, u"sesso"_s, u"spec"_s, u"m"_s, u"s"_s}, rows));
    }

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path()); }
    void init() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid());
    }
    void cleanup() {
        QVERIFY2(m_dialogs.problems().isEmpty(), qPrintable(m_dialogs.problems()));
        m_dialogs.reset();
    }

    void standards_data() {
        QTest::addColumn<QString>("qualify");
        QTest::addColumn<QString>("race");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QVariantList>("recorded"); // course, hundredths, day
        QTest::addColumn<QString>("line");
        const QVariantList none;
        const QVariantList short68{u"SCM"_s, 6800, QDate(2026, 1, 10)};
        const QString limit = u"Tempo limite 01:10.00 (vasca 50 m): "_s;
        QTest::newRow("met") << QString() << u"100 SL"_s << u"JUNIOR"_s << u"M"_s << 2010 << u"1:09.99"_s << none
                             << limit + u"raggiunto"_s;
        QTest::newRow("missed") << QString() << u"100 SL"_s << u"JUNIOR"_s << u"M"_s << 2010 << u"1:10.01"_s << none
                                << limit + u"non raggiunto"_s;
        QTest::newRow("no time") << QString() << u"100 SL"_s << u"JUNIOR"_s << u"M"_s << 2010 << QString() << none
                                 << limit + u"non raggiunto (manca il tempo)"_s;
        QTest::newRow("NONE") << u"conversion=\"NONE\""_s << u"100 SL"_s << u"JUNIOR"_s << u"M"_s << 2010
                              << u"1:08.00"_s << short68
                              << limit + u"non raggiunto (il tempo in vasca 25 m non e' accettato)"_s;
        QTest::newRow("PERCENT_LINEAR") << u"conversion=\"PERCENT_LINEAR\" percent=\"2\""_s << u"100 SL"_s
                                        << u"JUNIOR"_s << u"M"_s << 2010 << u"1:08.00"_s << short68
                                        << limit + u"raggiunto (tempo in vasca 25 m convertito: 01:09.36)"_s;
        QTest::newRow("FINA_POINTS") << u"conversion=\"FINA_POINTS\""_s << u"100 SL"_s << u"JUNIOR"_s << u"M"_s << 2010
                                     << u"1:08.00"_s << short68
                                     << limit + u"non raggiunto (il tempo in vasca 25 m non e' accettato: la "
                                                "conversione a punti non e' possibile senza i tempi base)"_s;
        QTest::newRow("period") << QString() << u"100 SL"_s << u"JUNIOR"_s << u"M"_s << 2010 << u"1:05.00"_s
                                << QVariantList{u"LCM"_s, 6500, QDate(2025, 3, 1)}
                                << limit + u"non raggiunto (il tempo del 01/03/2025 e' fuori dal periodo di "
                                           "qualificazione, dal 01/09/2025 al 31/05/2026)"_s;
        QTest::newRow("senior, own pool")
            << QString() << u"100 SL"_s << u"SENIOR"_s << u"M"_s << 2000 << u"1:07.99"_s
            << QVariantList{u"SCM"_s, 6799, QDate(2026, 1, 10)} << u"Tempo limite 01:08.00 (vasca 25 m): raggiunto"_s;
        QTest::newRow("minimum beaten") << QString() << u"50 DO"_s << u"OPEN"_s << u"F"_s << 2000 << u"0:29.99"_s
                                        << none << u"Tempo minimo 00:30.00 (vasca 50 m): non rispettato"_s;
        QTest::newRow("minimum kept") << QString() << u"50 DO"_s << u"OPEN"_s << u"F"_s << 2000 << u"0:30.00"_s << none
                                      << u"Tempo minimo 00:30.00 (vasca 50 m): rispettato"_s;
        QTest::newRow("maximum of males") << QString() << u"50 DO"_s << u"OPEN"_s << u"M"_s << 2000 << u"0:40.00"_s
                                          << none << u"Tempo limite 00:40.00 (vasca 50 m): raggiunto"_s;
        QTest::newRow("relay: none") << QString() << u"4x50 SL"_s << u"ASSOLUTI"_s << u"B"_s << 0 << u"2:00.00"_s
                                     << none << QString();
    }
    void standards() {
        QFETCH(QString, qualify);
        QFETCH(QString, race);
        QFETCH(QString, category);
        QFETCH(QString, sex);
        QFETCH(int, year);
        QFETCH(QString, time);
        QFETCH(QVariantList, recorded);
        QFETCH(QString, line);
        const QString number = importText(invitation(qualify));
        QVERIFY(!number.isEmpty());
        if (!recorded.isEmpty())
            QVERIFY(m_db->insertRows(u"Tempi"_s, {u"Codatl"_s, u"Gara"_s, u"Corso"_s, u"Tempo"_s, u"Data"_s},
                                     {{1, race, recorded.at(0), recorded.at(1), recorded.at(2)}}));
        const InvitationEntry e = entry(number, u"1"_s, race, category, sex, year, time);
        QCOMPARE(standardLine(e), line);
        // A missed maximum or a beaten minimum is entered only on Yes, No preselected.
        const bool asks = line.contains(u"non r"_s);
        if (asks)
            m_dialogs.queueYesNo(Dialogs::Answer::No);
        QCOMPARE(invitationAllows(m_dialogs, e), !asks);
        QCOMPARE(m_dialogs.takeTexts(), asks ? QStringList{line + u". Vuoi iscrivere lo stesso?"_s} : QStringList());
    }

    void limits_data() {
        QTest::addColumn<QList<QVariantList>>("held"); // code, race, category, sex
        QTest::addColumn<QStringList>("entry");
        QTest::addColumn<QString>("refusal");
        const QVariantList rossi{1, u"100 SL"_s, u"JUNIOR"_s, u"M"_s};
        QTest::newRow("session, per athlete")
            << QList<QVariantList>{rossi} << QStringList{u"1"_s, u"50 DO"_s, u"OPEN"_s, u"M"_s}
            << u"Numero max iscrizioni per atleta nella sessione 1: 1"_s;
        QTest::newRow("the same entry again")
            << QList<QVariantList>{rossi} << QStringList{u"1"_s, u"100 SL"_s, u"JUNIOR"_s, u"M"_s} << QString();
        QTest::newRow("event, per club") << QList<QVariantList>{{2, u"50 DO"_s, u"OPEN"_s, u"F"_s}}
                                         << QStringList{u"3"_s, u"50 DO"_s, u"OPEN"_s, u"M"_s}
                                         << u"Numero max iscrizioni per societa' nella gara 2 (50 DO): 1"_s;
        QTest::newRow("session, relays") << QList<QVariantList>{{9, u"4x50 SL"_s, u"ASSOLUTI"_s, u"B"_s}}
                                         << QStringList{u"8"_s, u"4x50 SL"_s, u"ASSOLUTI"_s, u"B"_s}
                                         << u"Numero max iscrizioni di staffette per societa' nella sessione 2: 1"_s;
        QTest::newRow("meet, relays") << QList<QVariantList>{{9, u"4x50 SL"_s, u"ASSOLUTI"_s, u"B"_s},
                                                             {8, u"4x50 MI"_s, u"ASSOLUTI"_s, u"B"_s}}
                                      << QStringList{u"7"_s, u"4x50 MI"_s, u"ASSOLUTI"_s, u"B"_s}
                                      << u"Numero max iscrizioni di staffette per societa' 2"_s;
    }
    void limits() {
        QFETCH(QList<QVariantList>, held);
        QFETCH(QStringList, entry);
        QFETCH(QString, refusal);
        const QString number = importText(invitation({}));
        QList<QVariantList> rows;
        for (const QVariantList& h : held)
            rows << QVariantList{h.at(0), u"ATLETA"_s, 2010, h.at(2), u"ABC"_s, h.at(3), h.at(1), 1, 0};
        rows << QVariantList{entry.at(0),
                             u"ALTRA SOCIETA'"_s,
                             2010,
                             entry.at(2),
                             u"XYZ"_s,
                             entry.at(3),
                             entry.at(1),
                             1,
                             0}; // another club's entries count for it, not for us
        registrations(number, rows);
        QCOMPARE(invitationAllows(m_dialogs, this->entry(number, entry.at(0), entry.at(1), entry.at(2), entry.at(3),
                                                         2010, u"0:30.00"_s)),
                 refusal.isEmpty());
        QCOMPARE(m_dialogs.takeTexts(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
    }

    // The bill of a handful of entries, two made after the deadline, against a count by hand.
    void bill() {
        const QString number = importText(invitation({}));
        registrations(number, {{1, u"ROSSI MARIO"_s, 2010, u"JUNIOR"_s, u"ABC"_s, u"M"_s, u"100 SL"_s, 1, 12},
                               {1, u"ROSSI MARIO"_s, 2010, u"OPEN"_s, u"ABC"_s, u"M"_s, u"50 DO"_s, 0, 39},
                               {2, u"VERDI ANNA"_s, 2000, u"OPEN"_s, u"ABC"_s, u"F"_s, u"50 DO"_s, 0, 31},
                               {9, u"STAFFETTA"_s, 0, u"ASSOLUTI"_s, u"ABC"_s, u"B"_s, u"4x50 SL"_s, 2, 0},
                               {5, u"ALTRI"_s, 2000, u"OPEN"_s, u"XYZ"_s, u"F"_s, u"50 DO"_s, 0, 31}});
        for (const auto& [code, race, day] : {std::tuple{1, "100 SL", "2026-04-01T10:00:00"},
                                              {1, "50 DO", "2026-05-01T18:01:00"},
                                              {2, "50 DO", "2026-05-02T09:00:00"},
                                              {9, "4x50 SL", "2026-05-03T09:00:00"}})
            QVERIFY(noteEntryMade(m_db->path(), number, QString::number(code), QLatin1String(race),
                                  QDateTime::fromString(QLatin1String(day), Qt::ISODate), true));
        EntriesCheck check;
        QVERIFY(checkEntries(m_db->path(), number, u"ABC"_s, check));
        QStringList lines;
        for (const BillLine& l : check.bill)
            lines << u"%1|%2|%3|%4"_s.arg(l.what).arg(l.count).arg(money(l.unit), money(l.total));
        QCOMPARE(lines, (QStringList{u"Quota per atleta|2|10,00|20,00"_s, u"Quota per societa'|1|25,00|25,00"_s,
                                     u"Quota per staffetta|1|15,00|15,00"_s,
                                     u"Iscrizioni individuali dopo il termine|2|5,00|10,00"_s,
                                     u"Iscrizioni a gare|2|6,00|12,00"_s, u"Iscrizioni a gare|1|8,00|8,00"_s,
                                     u"Iscrizioni a gare di staffetta|1|12,00|12,00"_s,
                                     u"Multe per tempo limite non raggiunto|1|3,00|3,00"_s}));
        // 20 + 25 + 15 + 10 + 12 + 8 + 12 + 3
        QCOMPARE(money(check.total, check.currency), u"105,00 EUR"_s);
        QCOMPARE(check.entries.size(), 4);
        QCOMPARE(check.entries.at(0).problems, QStringList{u"tempo limite non raggiunto"_s});
        QCOMPARE(check.entries.at(1).problems,
                 (QStringList{u"oltre il limite: Numero max iscrizioni per atleta nella sessione 1: 1"_s,
                              u"iscritto dopo il termine (01/05/2026 18:01)"_s}));
        QVERIFY(check.entries.at(3).problems.contains(
            u"oltre il limite: Numero max iscrizioni per societa' nella gara 2 (50 DO): 1"_s));

        // A meet without fees bills nothing.
        const QString free = importText(invitation({}, false));
        registrations(free, {{2, u"VERDI ANNA"_s, 2000, u"OPEN"_s, u"ABC"_s, u"F"_s, u"50 DO"_s, 0, 31}});
        EntriesCheck none;
        QVERIFY(checkEntries(m_db->path(), free, u"ABC"_s, none));
        QVERIFY(none.bill.isEmpty() && none.total == 0 && none.entries.size() == 1);

        // The report's spreadsheet, read back by LibreOffice: a row per entry, the bill, the total.
        const QString path = m_db->filePath(u"verifica.xls"_s);
        QVERIFY(writeReportFile(path, buildCheckReport(ReportForm::Spreadsheet, check, {u"ABC"_s, number, {}, {}})));
        if (QStandardPaths::findExecutable(u"soffice"_s).isEmpty())
            QSKIP("LibreOffice is not installed");
        QCOMPARE(QProcess::execute(u"soffice"_s,
                                   {u"-env:UserInstallation=file://"_s + m_db->filePath(u"profile"_s), u"--headless"_s,
                                    u"--infilter=Text - txt - csv (StarCalc):9,34,76"_s, u"--convert-to"_s,
                                    u"csv:Text - txt - csv (StarCalc):59,34,76"_s, u"--outdir"_s, m_db->dir(), path}),
                 0);
        QFile csv(m_db->filePath(u"verifica.csv"_s));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList table = QString::fromUtf8(csv.readAll()).split('\n');
        QCOMPARE(table.filter(u"ROSSI MARIO;1;2010;"_s).size(), 2);
        for (const QString& row : {u"01:12.00;Tempo limite 01:10.00 (vasca 50 m): non raggiunto;tempo limite"_s,
                                   u"Multe per tempo limite non raggiunto;1;3,00;3,00;"_s, u"Totale;;;105,00 EUR;"_s})
            QVERIFY2(table.filter(row).size() == 1, qPrintable(row));
    }

    // After the deadline saving the entries asks first, No preselected; each entry says the pool of
    // its time: the best time's it equals, else the event's.
    void deadlineAndPools() {
        const QString number = importText(invitation({}));
        const QDateTime deadline = entryDeadline(m_db->path(), number);
        QCOMPARE(deadlineLine(deadline, QDateTime(QDate(2026, 5, 1), QTime(17, 59))),
                 u"Termine per le iscrizioni: 01/05/2026 alle 18:00"_s);
        QCOMPARE(deadlineLine(deadline, QDateTime(QDate(2026, 5, 1), QTime(18, 1))),
                 u"Termine per le iscrizioni: 01/05/2026 alle 18:00 (scaduto)"_s);
        QVERIFY(m_db->insertRows(
            u"natl"_s, {u"codatl"_s, u"nome"_s, u"anno"_s, u"soc"_s, u"sesso"_s},
            {{1, u"ROSSI MARIO"_s, 2010, u"ABC"_s, u"M"_s}, {2, u"VERDI ANNA"_s, 2000, u"ABC"_s, u"F"_s}}));
        QVERIFY(m_db->insertRows(u"Tempi"_s, {u"Codatl"_s, u"Gara"_s, u"Corso"_s, u"Tempo"_s},
                                 {{1, u"100 SL"_s, u"SCM"_s, 6800}}));
        registrations(number, {{1, u"ROSSI MARIO"_s, 2010, u"JUNIOR"_s, u"ABC"_s, u"M"_s, u"100 SL"_s, 1, 8},
                               {2, u"VERDI ANNA"_s, 2000, u"OPEN"_s, u"ABC"_s, u"F"_s, u"50 DO"_s, 0, 31}});
        AppState state(m_dialogs);
        RecordedWorkspace workspace;
        state.databasePath = m_db->path();
        state.session.setClub(u"ABC"_s);
        setLenexClub(u"ABC"_s, u"Nuoto ABC"_s, u"ITA"_s);
        Competition c;
        c.number = number;
        state.setCompetition(c);
        const QString question = u"Il termine per le iscrizioni e' scaduto il 01/05/2026 alle 18:00: vuoi salvare lo "
                                 "stesso?"_s;
        // The program's clock a minute before the deadline: nothing is asked.
        Clock::set(QDateTime(QDate(2026, 5, 1), QTime(17, 59)));
        m_dialogs.queueSaveFileName(m_db->filePath(u"prima.lxf"_s));
        const FlowResult early = LenexFlows(state, m_dialogs, workspace).saveEntries();
        Clock::set({});
        QVERIFY(early.ok() && early.path == m_db->filePath(u"prima.lxf"_s) &&
                m_dialogs.takeTexts() == QStringList({u"Save"_s, u"File LENEX registrato in "_s + early.path}));
        m_dialogs.queueYesNo(Dialogs::Answer::No);
        (void)LenexFlows(state, m_dialogs, workspace).saveEntries();
        QCOMPARE(m_dialogs.takeTexts(), QStringList{question});
        const QString path = m_db->filePath(u"iscrizioni.lxf"_s);
        m_dialogs.queueYesNo(Dialogs::Answer::Yes);
        m_dialogs.queueSaveFileName(path);
        (void)LenexFlows(state, m_dialogs, workspace).saveEntries();
        QCOMPARE(m_dialogs.takeTexts().value(0), question);
        Document saved;
        QVERIFY(readFile(path, saved).ok);
        // A 25 m time is no time for the 50 m standard: the entry carries its reference's marker.
        QStringList pools;
        for (const Athlete& a : saved.meets.value(0).clubs.value(0).athletes)
            pools << a.lastName + ' ' + a.entries.value(0).course + ' ' + a.entries.value(0).marker;
        QCOMPARE(pools, (QStringList{u"ROSSI SCM QT"_s, u"VERDI LCM "_s}));
    }

    // The real invitation: the standards of an athlete of 20 in its first events, as an
    // independent reading of the file gives them.
    void realInvitation() {
        const QString file = QStringLiteral(ONDA_LENEX_SAMPLES "/example-entries.lxf");
        const QString number = import(file);
        QVERIFY(!number.isEmpty());
        QCOMPARE(m_db->column(u"select count(*) from LenexStandardRef where manifID="_s + number).value(0).toInt(),
                 1673);
        const QVariantList races = m_db->column(
            u"select r.eventid || ':' || r.Sesso || '|' || r.gara || '|' || r.Categoria from LenexRace r join "
            "LenexAgeGroup g on g.manifID=r.manifID and g.eventid=r.eventid and g.agegroupid=r.agegroupid where "
            "r.manifID="_s +
            number + u" and g.agemin=-1 and g.agemax=-1 and g.handicap is null order by r.rowid limit 12"_s);
        QVERIFY(races.size() >= 8);
        QStringList wanted, lines;
        for (const QVariant& r : races) {
            const QStringList f = r.toString().split('|');
            wanted << f.at(0);
            lines << f.at(0) + '|' +
                         standardLine(entry(number, {}, f.at(1), f.at(2), f.at(0).section(':', 1), 2004, {}));
        }
        QProcess python;
        python.start(u"python3"_s, QStringList{QStringLiteral(ONDA_LENEX_STANDARDS), file, u"20"_s} + wanted);
        QVERIFY(python.waitForFinished(60000) && python.exitCode() == 0);
        QStringList expected;
        int standards = 0;
        for (const QString& l : QString::fromUtf8(python.readAllStandardOutput()).trimmed().split('\n')) {
            const QStringList f = l.split('|');
            QStringList parts;
            if (!f.at(1).isEmpty())
                parts << u"Tempo limite "_s + shownBestTime(f.at(1).toInt()) +
                             u" (vasca 50 m): non raggiunto (manca il tempo)"_s;
            if (!f.at(2).isEmpty())
                parts << u"Tempo minimo "_s + shownBestTime(f.at(2).toInt()) +
                             u" (vasca 50 m): non verificabile (manca il tempo)"_s;
            standards += parts.size();
            expected << f.at(0) + '|' + parts.join(u"; "_s);
        }
        QVERIFY(standards >= 8);
        QCOMPARE(lines, expected);
    }
};

QTEST_MAIN(TestEntryChecks)
#include "tst_entry_checks.moc"
