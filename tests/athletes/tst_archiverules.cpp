// The archive's rules without a window: categories, codes, and criteria run on a real file.
#include "FixtureDb.h"

#include "athletes/ArchiveRules.h"
#include "store/DataSource.h"

#include <QTest>

using namespace onda;

class TestArchiveRules : public QObject {
    Q_OBJECT
private slots:
    void category_data();
    void category();
    void wholeNumbers_data();
    void wholeNumbers();
    void criteriaFindExactlyTheirRecord_data();
    void criteriaFindExactlyTheirRecord();
};

void TestArchiveRules::category_data() {
    QTest::addColumn<QString>("sex");
    QTest::addColumn<double>("year");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("list");
    QTest::newRow("two fit: the later wins") << "M" << 1985.0 << "Master"
                                             << "|Assoluti|Master";
    QTest::newRow("bounds belong") << "M" << 1999.0 << "Assoluti"
                                   << "|Assoluti";
    QTest::newRow("sex compared exactly") << "m" << 1985.0 << ""
                                          << "";
    QTest::newRow("other sex") << "F" << 1985.0 << "F25"
                               << "|F25";
    QTest::newRow("no year fits") << "F" << 2010.0 << ""
                                  << "";
}

void TestArchiveRules::category() {
    QFETCH(QString, sex);
    QFETCH(double, year);
    const archive::CategoryMatch match = archive::cercaCategoria(
        QStringLiteral("M|Assoluti|1980|1999|$M|Master|1950|1985|$F|F25|1975|1990|$"), sex, year);
    QTEST(match.category, "category");
    QTEST(match.list, "list");
}

void TestArchiveRules::wholeNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qlonglong>("value"); // -1: refused
    QTest::newRow("plain") << "500000" << 500000LL;
    QTest::newRow("blanks around") << " 42 " << 42LL;
    QTest::newRow("empty") << "" << -1LL;
    QTest::newRow("fraction") << "12.5" << -1LL;
    QTest::newRow("letters") << "12a" << -1LL;
    QTest::newRow("negative") << "-3" << -1LL;
    QTest::newRow("beyond the field") << "2147483648" << -1LL;
    QTest::newRow("injection") << "1 or 1=1" << -1LL;
}

void TestArchiveRules::wholeNumbers() {
    QFETCH(QString, text);
    QFETCH(qlonglong, value);
    QCOMPARE(archive::wholeNumber(text).value_or(-1), value);
}

void TestArchiveRules::criteriaFindExactlyTheirRecord_data() {
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<int>("matches");
    QTest::newRow("name with apostrophe") << archive::nameCriterion(QStringLiteral("D'ANGELO")) << 1;
    QTest::newRow("name in double quotes") << archive::doubleQuotedNameCriterion(QStringLiteral("D\"UE")) << 1;
    QTest::newRow("quote breaking out") << archive::nameCriterion(QStringLiteral("x' or '1'='1")) << 0;
    QTest::newRow("double quote breaking out")
        << archive::doubleQuotedNameCriterion(QStringLiteral("x\" or \"1\"=\"1")) << 0;
    QTest::newRow("code, bare") << archive::codeCriterion(QStringLiteral("500000")) << 1;
    QTest::newRow("code, quoted") << archive::quotedCodeCriterion(QStringLiteral("500000")) << 1;
    QTest::newRow("code that is no number") << archive::codeCriterion(QStringLiteral("1 or 1=1")) << 0;
    QTest::newRow("club source") << archive::clubAthletesSource(QStringLiteral("A'B"))
                                        .section(QStringLiteral(" where "), 1)
                                        .section(QStringLiteral(" order"), 0, 0)
                                 << 1;
}

void TestArchiveRules::criteriaFindExactlyTheirRecord() {
    QFETCH(QString, criterion);
    FixtureDb db;
    QVERIFY(db.addAthlete(500000, QStringLiteral("D'ANGELO"), 2000, QStringLiteral("A'B"), QStringLiteral("M")));
    QVERIFY(db.addAthlete(7, QStringLiteral("D\"UE"), 2000, QStringLiteral("ABC"), QStringLiteral("F"), true));
    DataSource source;
    source.setDatabaseFile(db.path());
    source.setRecordSource(QStringLiteral("select * from natl where ") + criterion);
    QVERIFY2(source.refresh().ok(), qPrintable(criterion));
    QTEST(source.rowCount(), "matches");
}

QTEST_MAIN(TestArchiveRules)
#include "tst_archiverules.moc"
