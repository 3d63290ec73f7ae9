// The registration rules without windows: entry times, number pictures, categories,
// the per-athlete limit and the selection of a competition's registrations.
#include "FixtureDb.h"

#include "core/Formats.h"
#include "entry/Categories.h"
#include "entry/EntryTime.h"
#include "entry/RegistrationBook.h"
#include "entry/RegistrationSelection.h"
#include "store/DataSource.h"

#include <QFile>
#include <QTest>

using namespace onda;

class TestEntryRules : public QObject {
    Q_OBJECT
private slots:
    void pictures_data();
    void pictures();
    void shownTimes_data();
    void shownTimes();
    void categories_data();
    void categories();
    void limits_data();
    void limits();
    void raceLines_data();
    void raceLines();
    void selection();
};

void TestEntryRules::pictures_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("expected");
    QTest::newRow("##0 drops leading zeros") << 7.0 << "##0"
                                             << "7";
    QTest::newRow("##0 keeps a zero") << 0.0 << "##0"
                                      << "0";
    QTest::newRow("#0 of 120") << 120.0 << "#0"
                               << "120";
    QTest::newRow("00 pads") << 5.0 << "00"
                             << "05";
    QTest::newRow("00.00 of a binary 32.52") << 32.52 << "00.00"
                                             << "32.52";
    QTest::newRow("00.00 rounds half up") << 5.125 << "00.00"
                                          << "05.13";
    QTest::newRow("00.00 carries into the seconds") << 59.999 << "00.00"
                                                    << "60.00";
    QTest::newRow("00.0 rounds") << 4.25 << "00.0"
                                 << "04.3";
    QTest::newRow("negative") << -2.5 << "#0"
                              << "-3";
}

void TestEntryRules::pictures() {
    QFETCH(double, value);
    QFETCH(QString, picture);
    QFETCH(QString, expected);
    QCOMPARE(formatNumber(value, picture), expected);
}

void TestEntryRules::shownTimes_data() {
    QTest::addColumn<double>("m");
    QTest::addColumn<double>("s");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("registered");
    QTest::newRow("typical") << 1.0 << 32.52 << "1:32.52"
                             << "1:32.52";
    QTest::newRow("one digit of hundredths") << 0.0 << 5.3 << "0:05.30"
                                             << "0:05.30";
    QTest::newRow("hundredths that round up") << 1.0 << 32.999 << "1:33.00"
                                              << "1:33.00";
    QTest::newRow("no time") << 99.0 << 99.99 << ""
                             << "99:99.99";
    QTest::newRow("long race, not a time") << 120.0 << 5.0 << ""
                                           << "120:05.00";
}

void TestEntryRules::shownTimes() {
    QFETCH(double, m);
    QFETCH(double, s);
    QFETCH(QString, shown);
    QFETCH(QString, registered);
    QCOMPARE(shownEntryTime({m, s}), shown);
    QCOMPARE(registeredEntryTime({m, s}), registered);
    QCOMPARE(registeredEntryTime({1, 2.5}, QLatin1Char(',')), QStringLiteral("1:02,50"));
}

void TestEntryRules::categories_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QStringList>("items");
    const QString table = QStringLiteral("M|M25|1975|1979|$F|F25|1975|1979|$M|M30|1970|1975|$");
    QTest::newRow("inside") << table << "F"
                            << "1977"
                            << "F25" << QStringList{"F25"};
    QTest::newRow("two fit, the later wins") << table << "M"
                                             << "1975"
                                             << "M30" << QStringList{"M25", "M30"};
    QTest::newRow("edges count") << table << "M"
                                 << "1979"
                                 << "M25" << QStringList{"M25"};
    QTest::newRow("sex compares exactly") << table << "m"
                                          << "1977"
                                          << "" << QStringList{};
    QTest::newRow("no fitting year") << table << "F"
                                     << "1990"
                                     << "" << QStringList{};
    QTest::newRow("empty table") << QString() << "M"
                                 << "1977"
                                 << "" << QStringList{};
    QTest::newRow("broken entry skipped") << QStringLiteral("M|X$M|M25|1975|1979|$") << "M"
                                          << "1976"
                                          << "M25" << QStringList{"M25"};
}

void TestEntryRules::categories() {
    QFETCH(QString, table);
    QFETCH(QString, sex);
    QFETCH(QString, year);
    QFETCH(QString, category);
    QFETCH(QStringList, items);
    const CategoryMatch match = cercaCategoria(table, sex, year);
    QCOMPARE(match.category, category);
    QCOMPARE(categoryItems(match.list), items);
}

void TestEntryRules::limits_data() {
    QTest::addColumn<QStringList>("held");
    QTest::addColumn<QString>("race");
    QTest::addColumn<QVariant>("limit");
    QTest::addColumn<QString>("refusal");
    const QStringList three = {"100SL", "200SL", "50DO"};
    QTest::newRow("fourth over 3") << three << "100FA" << QVariant(3) << "Numero max iscrizioni per atleta 3";
    QTest::newRow("held race under 3") << three << "200SL" << QVariant(3) << "";
    QTest::newRow("under the limit") << QStringList{"100SL"} << "100FA" << QVariant(3) << "";
    QTest::newRow("limit 0") << QStringList{} << "100FA" << QVariant(0) << "Numero max iscrizioni per atleta 0";
    QTest::newRow("limit as stored text")
        << three << "" << QVariant(QStringLiteral("3")) << "Numero max iscrizioni per atleta 3";
    QTest::newRow("no stored limit") << three << "100FA" << QVariant() << "";
    QTest::newRow("case counts as another race")
        << QStringList{"100sl"} << "100SL" << QVariant(1) << "Numero max iscrizioni per atleta 1";
}

void TestEntryRules::limits() {
    QFETCH(QStringList, held);
    QFETCH(QString, race);
    QFETCH(QVariant, limit);
    QFETCH(QString, refusal);
    QCOMPARE(athleteLimitRefusal(held, race, limit).value_or(QString()), refusal);
}

void TestEntryRules::raceLines_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("race");
    QTest::newRow("plain") << "100SL"
                           << "100SL";
    QTest::newRow("registered") << "100SL (gia' registrato)"
                                << "100SL";
    QTest::newRow("marked") << ">  200MI"
                            << "200MI";
    QTest::newRow("separator") << "------"
                               << "";
}

void TestEntryRules::raceLines() {
    QFETCH(QString, line);
    QFETCH(QString, race);
    QCOMPARE(raceOfLine(line), race);
}

void TestEntryRules::selection() {
    FixtureDb db;
    QVERIFY(db.isValid());
    QVERIFY(db.createRegistrationTable(QStringLiteral("57"), {{1,
                                                               QStringLiteral("ZETA"),
                                                               1990,
                                                               {},
                                                               QStringLiteral("ABC"),
                                                               QStringLiteral("M"),
                                                               QStringLiteral("100SL"),
                                                               {},
                                                               {},
                                                               QStringLiteral("p")},
                                                              {2,
                                                               QStringLiteral("D'ANGELO"),
                                                               1990,
                                                               {},
                                                               QStringLiteral("ABC"),
                                                               QStringLiteral("M"),
                                                               QStringLiteral("100SL"),
                                                               {},
                                                               {},
                                                               QStringLiteral("p")},
                                                              {2,
                                                               QStringLiteral("D'ANGELO"),
                                                               1990,
                                                               {},
                                                               QStringLiteral("ABC"),
                                                               QStringLiteral("M"),
                                                               QStringLiteral("50DO"),
                                                               {},
                                                               {},
                                                               QStringLiteral("p")},
                                                              {3,
                                                               QStringLiteral("ALFA"),
                                                               1990,
                                                               {},
                                                               QStringLiteral("X'Y"),
                                                               QStringLiteral("M"),
                                                               QStringLiteral("100SL"),
                                                               {},
                                                               {},
                                                               QStringLiteral("p")}}));
    DataSource view;
    view.setDatabaseFile(db.path());
    const auto select = [&](const QString& competition, const char* key, const QString& parameter) {
        return selectRegistrations(view, competition, 3, QLatin1String(key), parameter);
    };
    QCOMPARE(select(QStringLiteral("57"), "SOCIETA", QStringLiteral("ABC")), 3);
    QCOMPARE(view.field(QStringLiteral("nome")).toString(), QStringLiteral("D'ANGELO")); // first by name
    QCOMPARE(select(QStringLiteral("57"), "SOCIETA", QStringLiteral("X'Y")), 1);
    QCOMPARE(select(QStringLiteral("57"), "SOCIETA", QStringLiteral("Tutte le societa'")), 4);
    QCOMPARE(view.field(QStringLiteral("soc")).toString(), QStringLiteral("ABC"));
    QCOMPARE(select(QStringLiteral("57"), "ATLETA", QStringLiteral("2")), 2);
    QCOMPARE(select(QStringLiteral("57"), "ATLETA", QStringLiteral("9")), 0);
    QCOMPARE(select(QStringLiteral("57"), "ATLETA", QStringLiteral("1' or '1'='1")), 0);
    QCOMPARE(select(QStringLiteral("58"), "SOCIETA", QStringLiteral("ABC")), 0); // no such table
    QCOMPARE(select(QString(), "SOCIETA", QStringLiteral("ABC")), 0);            // the empty template
    QCOMPARE(view.recordSource(), QStringLiteral("select * from nprg where soc='ABC' order by soc, nome"));

    // A database that cannot be read is a failure, not an empty selection.
    QFile garbage(db.path());
    QVERIFY(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();
    DataSource broken;
    broken.setDatabaseFile(db.path());
    QCOMPARE(selectRegistrations(broken, QStringLiteral("57"), 3, QStringLiteral("SOCIETA"), QStringLiteral("ABC")),
             -1);
}

QTEST_GUILESS_MAIN(TestEntryRules)
#include "tst_entry_rules.moc"
