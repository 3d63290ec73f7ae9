// The registration rules without windows: number pictures, race lines, and the selection
// of a competition's registrations.
#include "FixtureDb.h"

#include "core/CompetitionSession.h"
#include "core/Formats.h"
#include "core/SwimTime.h"
#include "entry/EntryTime.h"
#include "entry/RegistrationBook.h"
#include "entry/RegistrationSelection.h"
#include "store/Database.h"
#include "store/RowWrite.h"

#include <QTest>

using namespace onda;
using namespace Qt::StringLiterals;

class TestEntryRules : public QObject {
    Q_OBJECT
private slots:

    void pictures_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("expected");
        const struct {
            const char* name;
            double value;
            const char* picture;
            const char* expected;
        } cases[] = {{"##0 drops leading zeros", 7, "##0", "7"},
                     {"#0 of 120", 120, "#0", "120"},
                     {"00 pads", 5, "00", "05"},
                     {"00.00 of a binary 32.52", 32.52, "00.00", "32.52"},
                     {"00.00 rounds half up", 5.125, "00.00", "05.13"},
                     {"00.00 carries into the seconds", 59.999, "00.00", "60.00"},
                     {"00.0 rounds", 4.25, "00.0", "04.3"},
                     {"negative", -2.5, "#0", "-3"}};
        for (const auto& c : cases)
            QTest::newRow(c.name) << c.value << QString::fromLatin1(c.picture) << QString::fromLatin1(c.expected);
    }

    void pictures() {
        QFETCH(double, value);
        QFETCH(QString, picture);
        QTEST(formatNumber(value, picture), "expected");
    }

    void raceLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("race");
        const struct {
            const char *line, *race;
        } cases[] = {{"100SL", "100SL"},
                     {"100 SL", "100 SL"},
                     {"100 SL (gia' registrato)", "100 SL"},
                     {"4x50 SL (gia' registrato)", "4x50 SL"},
                     {">  100 RA", "100 RA"},
                     {"100 SL (gia' registrato) ", "100 SL (gia' registrato) "},
                     {"- 100 SL", ""}};
        for (const auto& c : cases)
            QTest::newRow(c.line) << QString::fromUtf8(c.line) << QString::fromUtf8(c.race);
    }

    void raceLines() {
        QFETCH(QString, line);
        QFETCH(QString, race);
        QCOMPARE(raceOfLine(line), race);
    }

    // The time box's text read and shown back; the stored minutes and seconds; the total.
    void swimTimes_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored"); // minutes and seconds
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("registered");
        QTest::addColumn<int>("hundredths");
        QTest::addColumn<bool>("tooLarge");
        QTest::addColumn<QString>("result"); // from the total
        const struct {
            const char *typed, *stored, *box, *registered;
            int hundredths;
            bool tooLarge;
            const char* result;
        } cases[] = {{"1:32.52", "1 32.52", "1:32.52", "1:32.52", 9252, false, "01:32.52"},
                     {"0:05.3", "0 5.3", "0:05.30", "0:05.30", 530, false, "00:05.30"},
                     {"1:32.999", "1 32.999", "1:33.00", "1:33.00", 9300, false, "01:33.00"},
                     {"1:60.00", "1 60", "1:60.00", "1:60.00", 12000, false, "02:00.00"},
                     {"1:60.01", "1 60.01", "1:60.01", "1:60.01", 12001, true, "02:00.01"},
                     {"120:05.00", "120 5", "", "120:05.00", -1, false, ""},
                     {"ab:cd.e", "0 0", "0:00.00", "0:00.00", -1, false, ""},
                     {"99:99.99", "99 99.99", "", "99:99.99", -1, false, ""},
                     {"", "99 99.99", "", "99:99.99", -1, false, ""}};
        for (const auto& c : cases)
            QTest::newRow(*c.typed ? c.typed : "empty")
                << QString::fromUtf8(c.typed) << QString::fromUtf8(c.stored) << QString::fromUtf8(c.box)
                << QString::fromUtf8(c.registered) << c.hundredths << c.tooLarge << QString::fromUtf8(c.result);
    }

    void swimTimes() {
        QFETCH(QString, typed);
        QFETCH(int, hundredths);
        const SwimTime time = SwimTime::parseBox(typed);
        QTEST(QString::number(time.minutes()) + u' ' + QString::number(time.seconds()), "stored");
        QTEST(time.boxText(), "box");
        QTEST(time.registeredText(), "registered");
        QCOMPARE(time.hundredths(), hundredths);
        QTEST(secondsTooLarge(time), "tooLarge");
        QCOMPARE(SwimTime(time.minutes(), time.seconds()), time);
        // A total carries the seconds into the minutes: results hold no "1:60.00".
        if (hundredths > 0)
            QTEST(SwimTime::ofHundredths(hundredths).resultText(), "result");
        QVERIFY(!SwimTime::ofHundredths(0).isTime());
    }

    // Every change of the open competition or the club is told once, after it is made.
    void sessionChanges() {
        CompetitionSession session;
        QStringList seen;
        QObject::connect(&session, &CompetitionSession::changed, [&] {
            seen << session.number() + u'/' + session.club() + u'/' + session.current().registrationCount + u'/' +
                        categoriesText(session.current().categories);
        });
        Competition opened;
        opened.number = u"57"_s;
        opened.categories = categoriesOfText(u"M|RAG|1988|1992|$F|X$F|ESO|1995|1999|$M|JUN|1990|"_s);
        session.open(opened);
        QStringList clubs; // the club is told every time it is set, the same one too
        QObject::connect(&session, &CompetitionSession::clubChanged, [&](const QString& club) { clubs << club; });
        session.setClub(u"ABC"_s);
        session.setRegistrationCount(3);
        session.change([](Competition& c) { c.number = u"58"_s; });
        session.setClub(u"ABC"_s);
        QCOMPARE(seen, QStringList({u"57///M|RAG|1988|1992|$F|ESO|1995|1999|$"_s,
                                    u"57/ABC//M|RAG|1988|1992|$F|ESO|1995|1999|$"_s,
                                    u"57/ABC/3/M|RAG|1988|1992|$F|ESO|1995|1999|$"_s,
                                    u"58/ABC/3/M|RAG|1988|1992|$F|ESO|1995|1999|$"_s,
                                    u"58/ABC/3/M|RAG|1988|1992|$F|ESO|1995|1999|$"_s}));
        QCOMPARE(clubs, QStringList({u"ABC"_s, u"ABC"_s}));
    }

    // A row written with bound values is stored as a data source stores it; a value the field
    // cannot take leaves the table as it was.
    void boundWrites() {
        FixtureDb fixture;
        QVERIFY(fixture.isValid() && fixture.seedAthletes());
        Database db;
        QVERIFY(db.open(fixture.path()));
        const auto natl = [&] { return fixture.column(u"select codatl || nome || anno || soc from natl"_s); };
        const QVariantList before = natl();
        QCOMPARE(writeRow(db, u"natl"_s, {{u"codatl"_s, u"7"_s}, {u"anno"_s, u"abc"_s}}).number, err::TypeMismatch);
        QCOMPARE(writeRow(db, u"natl"_s, {{u"squadre"_s, 1}}).number, err::FieldNotFound);
        QCOMPARE(natl(), before);
        QVERIFY(writeRow(db, u"NATL"_s, {{u"CODATL"_s, u"7"_s}, {u"nome"_s, u"O'NEIL"_s}, {u"anno"_s, u"1990"_s}}));
        QVERIFY(writeRow(db, u"natl"_s, {{u"soc"_s, u"X'Y"_s}}, u"codatl=? and nome=?"_s, {7, u"O'NEIL"_s}));
        QCOMPARE(fixture.column(u"select typeof(codatl) || typeof(anno) || codatl || nome || anno || soc from natl "
                                "where codatl=7"_s),
                 QVariantList{u"integerinteger7O'NEIL1990X'Y"_s});
        QCOMPARE(textFieldSize(db, u"natl"_s, u"SOC"_s), 10);
    }

    void selection() {
        FixtureDb db;
        QVERIFY(db.isValid() && db.createRegistrationTable(u"57"_s));
        for (const auto& [code, name, soc, race] : {std::tuple{1, "ZETA", "ABC", "100SL"},
                                                    {2, "D'ANGELO", "ABC", "100SL"},
                                                    {2, "D'ANGELO", "ABC", "50DO"},
                                                    {3, "ALFA", "X'Y", "100SL"}})
            QVERIFY(db.insert(u"nprg57"_s, {{u"codatl"_s, code},
                                            {u"nome"_s, QString::fromUtf8(name)},
                                            {u"soc"_s, QString::fromUtf8(soc)},
                                            {u"spec"_s, QString::fromUtf8(race)}}));
        Database read;
        QVERIFY(read.open(db.path()));
        // The rows selected, as "club name" texts in their order.
        const auto select = [&](const QString& competition, SelectionKey key, const QString& parameter) {
            const BoundStatement selection = registrationSelection(competition, key, parameter);
            Database::Result result;
            QStringList rows;
            if (!read.query(selection.text, result, selection.values))
                return QStringList{u"failed"_s};
            const auto column = [&result](const QString& name) {
                for (int i = 0; i < result.fields.size(); ++i)
                    if (result.fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
                        return i;
                return -1;
            };
            for (const QVariantList& row : result.rows)
                rows.append(row.at(column(u"soc"_s)).toString() + u' ' + row.at(column(u"nome"_s)).toString());
            return rows;
        };
        QCOMPARE(select(u"57"_s, SelectionKey::Club, u"ABC"_s),
                 QStringList({u"ABC D'ANGELO"_s, u"ABC D'ANGELO"_s, u"ABC ZETA"_s}));
        QCOMPARE(select(u"57"_s, SelectionKey::Club, u"X'Y"_s), QStringList{u"X'Y ALFA"_s});
        QCOMPARE(select(u"57"_s, SelectionKey::Club, u"Tutte le societa'"_s).size(), 4);
        QCOMPARE(select(u"57"_s, SelectionKey::Club, u"Tutte le societa'"_s).first(), u"ABC D'ANGELO"_s);
        QCOMPARE(select(u"57"_s, SelectionKey::Athlete, u"2"_s).size(), 2);
        QCOMPARE(select(u"57"_s, SelectionKey::Athlete, u"9"_s).size(), 0);
        QCOMPARE(select(u"57"_s, SelectionKey::Athlete, u"1' or '1'='1"_s).size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestEntryRules)
#include "tst_entry_rules.moc"
