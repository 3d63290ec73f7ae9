// What a field stores for a value written into it, without a database round trip.
#include "store/FieldValues.h"

#include <QDate>
#include <QTest>

#include <limits>

using namespace onda;
using namespace Qt::StringLiterals;

class TestFieldValues : public QObject {
    Q_OBJECT

private slots:
    void stored_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<int>("error");
        QTest::addColumn<QVariant>("stored");

        const int whole = int(FieldType::Long), real = int(FieldType::Double), yesNo = int(FieldType::Boolean),
                  date = int(FieldType::Date), text = int(FieldType::Text);
        const double inf = std::numeric_limits<double>::infinity();

        QTest::newRow("blank into number is null") << whole << QVariant(u"  "_s) << 0 << QVariant();
        QTest::newRow("padded whole number") << whole << QVariant(u" 1999 "_s) << 0 << QVariant(1999LL);
        QTest::newRow("decimal text rounds into whole") << whole << QVariant(u"2.5"_s) << 0 << QVariant(3LL);
        QTest::newRow("group separator refused") << whole << QVariant(u"1,000"_s) << err::TypeMismatch << QVariant();
        QTest::newRow("decimal comma refused") << real << QVariant(u"31,5"_s) << err::TypeMismatch << QVariant();
        QTest::newRow("inf text refused") << real << QVariant(u"inf"_s) << err::TypeMismatch << QVariant();
        QTest::newRow("nan text refused") << whole << QVariant(u"nan"_s) << err::TypeMismatch << QVariant();
        QTest::newRow("infinite double refused") << real << QVariant(inf) << err::TypeMismatch << QVariant();
        QTest::newRow("huge into whole refused") << whole << QVariant(1e300) << err::Overflow << QVariant();
        QTest::newRow("huge text into whole refused") << whole << QVariant(u"1e300"_s) << err::Overflow << QVariant();
        QTest::newRow("huge into real kept") << real << QVariant(u"1e300"_s) << 0 << QVariant(1e300);
        QTest::newRow("unsigned past the range refused")
            << whole << QVariant(std::numeric_limits<qulonglong>::max()) << err::Overflow << QVariant();
        QTest::newRow("not a number") << whole << QVariant(u"abc"_s) << err::TypeMismatch << QVariant();
        QTest::newRow("yes/no from text -1") << yesNo << QVariant(u"-1"_s) << 0 << QVariant(-1LL);
        QTest::newRow("yes/no from text True") << yesNo << QVariant(u"True"_s) << 0 << QVariant(-1LL);
        QTest::newRow("yes/no from any number") << yesNo << QVariant(u"5"_s) << 0 << QVariant(-1LL);
        QTest::newRow("yes/no from words refused") << yesNo << QVariant(u"forse"_s) << err::TypeMismatch << QVariant();
        QTest::newRow("date d/m/yyyy") << date << QVariant(u"5/3/2024"_s) << 0 << QVariant(u"2024-03-05"_s);
        QTest::newRow("date yyyy-mm-dd") << date << QVariant(u"2024-03-05"_s) << 0 << QVariant(u"2024-03-05"_s);
        QTest::newRow("empty date is null") << date << QVariant(QString()) << 0 << QVariant();
        QTest::newRow("impossible date") << date << QVariant(u"32/01/2024"_s) << err::TypeMismatch << QVariant();
        QTest::newRow("number into text") << text << QVariant(123) << 0 << QVariant(u"123"_s);
        QTest::newRow("date into text") << text << QVariant(QDate(2024, 3, 5)) << 0 << QVariant(u"05/03/2024"_s);
        QTest::newRow("yes/no into text") << text << QVariant(true) << 0 << QVariant(u"-1"_s);
    }

    void stored() {
        QFETCH(int, type);
        QFETCH(QVariant, input);
        QFETCH(int, error);
        QFETCH(QVariant, stored);

        const FieldInfo field{u"campo"_s, FieldType(type), 50, false};
        QVariant out = u"stale"_s;
        const Status status = storedFieldValue(field, input, out);
        QCOMPARE(status.number, error);
        if (error != 0)
            return;
        QCOMPARE(out.isNull(), stored.isNull());
        if (!stored.isNull())
            QVERIFY2(out.typeId() == stored.typeId() && out == stored, qPrintable(out.toString()));
    }
};

QTEST_GUILESS_MAIN(TestFieldValues)
#include "tst_store_values.moc"
