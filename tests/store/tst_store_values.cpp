// What a field stores for a value written into it, without a database round trip.
#include "store/FieldValues.h"

#include <QDate>
#include <QTest>

#include <limits>

using namespace onda;

class TestFieldValues : public QObject {
    Q_OBJECT

private slots:
    void stored_data();
    void stored();
};

void TestFieldValues::stored_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<int>("error");
    QTest::addColumn<QVariant>("stored");

    const int whole = int(FieldType::Long);
    const int real = int(FieldType::Double);
    const int yesNo = int(FieldType::Boolean);
    const int date = int(FieldType::Date);
    const int text = int(FieldType::Text);
    const double inf = std::numeric_limits<double>::infinity();

    QTest::newRow("blank into number is null") << whole << QVariant(QStringLiteral("  ")) << 0 << QVariant();
    QTest::newRow("padded whole number") << whole << QVariant(QStringLiteral(" 1999 ")) << 0 << QVariant(1999LL);
    QTest::newRow("decimal text rounds into whole") << whole << QVariant(QStringLiteral("2.5")) << 0 << QVariant(3LL);
    QTest::newRow("group separator refused")
        << whole << QVariant(QStringLiteral("1,000")) << err::TypeMismatch << QVariant();
    QTest::newRow("decimal comma refused")
        << real << QVariant(QStringLiteral("31,5")) << err::TypeMismatch << QVariant();
    QTest::newRow("inf text refused") << real << QVariant(QStringLiteral("inf")) << err::TypeMismatch << QVariant();
    QTest::newRow("nan text refused") << whole << QVariant(QStringLiteral("nan")) << err::TypeMismatch << QVariant();
    QTest::newRow("infinite double refused") << real << QVariant(inf) << err::TypeMismatch << QVariant();
    QTest::newRow("huge into whole refused") << whole << QVariant(1e300) << err::Overflow << QVariant();
    QTest::newRow("huge text into whole refused")
        << whole << QVariant(QStringLiteral("1e300")) << err::Overflow << QVariant();
    QTest::newRow("huge into real kept") << real << QVariant(QStringLiteral("1e300")) << 0 << QVariant(1e300);
    QTest::newRow("unsigned past the range refused")
        << whole << QVariant(std::numeric_limits<qulonglong>::max()) << err::Overflow << QVariant();
    QTest::newRow("not a number") << whole << QVariant(QStringLiteral("abc")) << err::TypeMismatch << QVariant();
    QTest::newRow("whole text into real") << real << QVariant(QStringLiteral("29")) << 0 << QVariant(29.0);
    QTest::newRow("yes/no from true") << yesNo << QVariant(true) << 0 << QVariant(-1LL);
    QTest::newRow("yes/no from text -1") << yesNo << QVariant(QStringLiteral("-1")) << 0 << QVariant(-1LL);
    QTest::newRow("yes/no from text 0") << yesNo << QVariant(QStringLiteral("0")) << 0 << QVariant(0LL);
    QTest::newRow("yes/no from text True") << yesNo << QVariant(QStringLiteral("True")) << 0 << QVariant(-1LL);
    QTest::newRow("yes/no from any number") << yesNo << QVariant(QStringLiteral("5")) << 0 << QVariant(-1LL);
    QTest::newRow("yes/no from words refused")
        << yesNo << QVariant(QStringLiteral("forse")) << err::TypeMismatch << QVariant();
    QTest::newRow("date d/m/yyyy") << date << QVariant(QStringLiteral("5/3/2024")) << 0
                                   << QVariant(QStringLiteral("2024-03-05"));
    QTest::newRow("date yyyy-mm-dd") << date << QVariant(QStringLiteral("2024-03-05")) << 0
                                     << QVariant(QStringLiteral("2024-03-05"));
    QTest::newRow("date value") << date << QVariant(QDate(2023, 12, 31)) << 0 << QVariant(QStringLiteral("2023-12-31"));
    QTest::newRow("empty date is null") << date << QVariant(QString()) << 0 << QVariant();
    QTest::newRow("impossible date") << date << QVariant(QStringLiteral("32/01/2024")) << err::TypeMismatch
                                     << QVariant();
    QTest::newRow("number into text") << text << QVariant(123) << 0 << QVariant(QStringLiteral("123"));
    QTest::newRow("date into text") << text << QVariant(QDate(2024, 3, 5)) << 0
                                    << QVariant(QStringLiteral("05/03/2024"));
    QTest::newRow("yes/no into text") << text << QVariant(true) << 0 << QVariant(QStringLiteral("-1"));
}

void TestFieldValues::stored() {
    QFETCH(int, type);
    QFETCH(QVariant, input);
    QFETCH(int, error);
    QFETCH(QVariant, stored);

    const FieldInfo field{QStringLiteral("campo"), FieldType(type), 50, false};
    QVariant out = QStringLiteral("stale");
    const Status status = storedFieldValue(field, input, out);
    QCOMPARE(status.number, error);
    if (error != 0)
        return;
    QCOMPARE(out.isNull(), stored.isNull());
    if (!stored.isNull()) {
        QCOMPARE(out.typeId(), stored.typeId());
        QCOMPARE(out, stored);
    }
}

QTEST_GUILESS_MAIN(TestFieldValues)
#include "tst_store_values.moc"
