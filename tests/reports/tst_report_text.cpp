// The report layouts read from fixture registrations, as the timing software and a reader see them.
#include "FixtureDb.h"

#include "reports/ReportText.h"
#include "store/DataSource.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace onda;

namespace {
const QString kLong = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
const QString kEnd = QStringLiteral("\r\n");
} // namespace

class TestReportText : public QObject {
    Q_OBJECT
    std::unique_ptr<FixtureDb> m_db;
    std::unique_ptr<DataSource> m_view;
    QStringList lines(ReportForm form, const QString& club = QStringLiteral("ABC")) {
        return buildReport(form, *m_view, {club, "57", "Trofeo d'Autunno", "01/05/2024"}).split(kEnd);
    }

private slots:
    void init() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->createRegistrationTable(QStringLiteral("57")));
        QVERIFY(m_db->insertRows("nprg57",
                                 {"codatl", "nome", "anno", "cat", "soc", "sesso", "spec", "m", "s", "status"},
                                 {{1001, "ROSSI MARIO", 1990, "RAG", "ABC", "M", "100SL", 1, 5.34, "p"},
                                  {1002, "D'ANGELO \"GIGI\"", 2005, "ESO", "ABC", "M", "50DO", 0, 35.2, "n"},
                                  {2001, "BIANCHI EZIO", 1990, "RAG", "XYZ", "M", "100SL", 1, 2, "p"}}));
        m_view = std::make_unique<DataSource>(QStringLiteral("nprg"));
        m_view->setDatabaseFile(m_db->path());
    }

    void entryTimes_data() {
        QTest::addColumn<QVariant>("m");
        QTest::addColumn<QVariant>("s");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QString>("textFile");
        QTest::newRow("1:05.34") << QVariant(1) << QVariant(5.34) << "1:05.3"
                                 << "01.05.3";
        QTest::newRow("no time given") << QVariant(99) << QVariant(99.99) << "S.T."
                                       << "00.00.0";
        QTest::newRow("time left empty") << QVariant() << QVariant() << "S.T."
                                         << "00.00.0";
        QTest::newRow("80 minutes") << QVariant(80) << QVariant(0) << "80:00.0"
                                    << "80.00.0";
        QTest::newRow("81 minutes") << QVariant(81) << QVariant(0) << "S.T."
                                    << "81.00.0";
        QTest::newRow("just over 90 minutes") << QVariant(90) << QVariant(0.5) << "S.T."
                                              << "00.00.0";
    }
    void entryTimes() {
        QFETCH(QVariant, m);
        QFETCH(QVariant, s);
        QFETCH(QString, printed);
        QFETCH(QString, textFile);
        QCOMPARE(printedTime(m, s), printed);
        QCOMPARE(textFileTime(m, s), textFile);
    }

    // No code, no category, a long name: each value in its own columns in every form.
    void recordColumns() {
        ReportRecord r{QVariant(), kLong, 1985, "100SL", QVariant(), "F", "p", 99, 99.99};
        const QString printed = recordLine(ReportForm::Printed, 7, r);
        QCOMPARE(printed, QStringLiteral(" 7   *****      ") + kLong.left(25) + "   1985 100SL      *****" +
                              QString(13, ' ') + "F   p S.T." + QString(12, ' '));
        QCOMPARE(recordLine(ReportForm::Spreadsheet, 7, r).split('\t'),
                 (QStringList{" 7", "*****", kLong, " 1985", "100SL", "*****", "F", "p", "S.T.", ""}));
        QCOMPARE(recordLine(ReportForm::TextFile, 7, r),
                 QStringLiteral("*****     ") + kLong.left(30) + " 85 *****" + QString(9, ' ') + "F 100SL   00.00.0  ");
        r.anno = 2005;
        r.nome = QStringLiteral("A\tB\r\nC"); // a TAB or line end must not break the line
        QCOMPARE(recordLine(ReportForm::TextFile, 1, r).mid(10, 33),
                 QStringLiteral("A B  C") + QString(25, ' ') + "05");
        QCOMPARE(recordLine(ReportForm::Spreadsheet, 1, r).count('\t'), 9);
    }

    // The club's registrations by name, with their headings and closing lines.
    void wholeReports() {
        const QStringList printed = lines(ReportForm::Printed);
        QCOMPARE(printed.size(), 17);
        QCOMPARE(printed.mid(1, 2), (QStringList{"Stampa iscrizioni per società: ABC", QString(80, '-')}));
        QVERIFY(printed[10].startsWith(" 1   1002       D'ANGELO \"GIGI\""));
        QVERIFY(printed[11].startsWith(" 2   1001       ROSSI MARIO"));
        QCOMPARE(printed.mid(12), (QStringList{"", "", "ONDA_Link", "", ""}));

        const QStringList sheet = lines(ReportForm::Spreadsheet);
        QCOMPARE(sheet.mid(0, 6), (QStringList{"", "Stampa iscrizioni per società: \tABC", "Prova numero \t57",
                                               "Manifestazione: \tTrofeo d'Autunno", "Data: \t01/05/2024", ""}));
        QCOMPARE(sheet[6], QStringLiteral(" 1\t1002\tD'ANGELO \"GIGI\"\t 2005\t50DO\tESO\tM\tn\t0:35.2\t"));
        QCOMPARE(sheet[7].count('\t'), 9);
        QCOMPARE(sheet.mid(8), (QStringList{"", "", "", "ONDA_Link", "", ""}));

        const QStringList text = lines(ReportForm::TextFile, "XYZ");
        QCOMPARE(text,
                 (QStringList{"XYZ", "\tTrofeo d'Autunno 01/05/2024",
                              "2001      BIANCHI EZIO                   90 RAG           M 100SL   01.02.0  ", ""}));
    }

    // An empty selection gives nothing; one that fails gives the frame without records.
    void emptyAndFailedSelections() {
        for (ReportForm form : {ReportForm::Printed, ReportForm::Spreadsheet, ReportForm::TextFile}) {
            m_view->setDatabaseFile(m_db->path());
            QCOMPARE(lines(form, "NONE"), QStringList{""});
            QFile garbage(m_db->filePath("garbage.mdb"));
            QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(4096, 'x')) == 4096);
            garbage.close();
            m_view->setDatabaseFile(garbage.fileName());
            const QStringList failed = lines(form);
            QCOMPARE(failed.size(), form == ReportForm::Printed ? 15 : form == ReportForm::Spreadsheet ? 12 : 3);
            QVERIFY(failed.contains(form == ReportForm::TextFile ? "ABC" : "ONDA_Link"));
        }
        QVERIFY(m_db->exec(QStringLiteral("drop table nprg57")));
        m_view->setDatabaseFile(m_db->path());
        QCOMPARE(lines(ReportForm::Printed), QStringList{""});
    }

    void filesInWindowsEncoding() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.txt"));
        QVERIFY(writeReportFile(path, QStringLiteral("società €\r\nłódź")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("societ\xe0 \x80\r\n?\xf3"
                                            "d?\r\n"));
        // A place that cannot hold the file: an error, and the old file stays whole.
        QVERIFY(!writeReportFile(dir.path(), QStringLiteral("x")));
        QVERIFY(!writeReportFile(dir.filePath(QStringLiteral("missing/out.txt")), QStringLiteral("x")));
        QCOMPARE(QFileInfo(path).size(), 17);
    }
};

QTEST_GUILESS_MAIN(TestReportText)
#include "tst_report_text.moc"
