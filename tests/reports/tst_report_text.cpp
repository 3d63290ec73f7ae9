// The report layouts read from fixture registrations, as the timing software and a reader see them.
#include "FixtureDb.h"

#include "reports/ReportText.h"
#include "store/DataSource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace onda;

namespace {

const QStringList kColumns = {"codatl", "nome", "anno", "cat", "soc", "sesso", "spec", "m", "s", "status"};
const QString kLongName = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
const QString kLineEnd = QStringLiteral("\r\n");

ReportHeading heading(const QString& club = QStringLiteral("ABC")) {
    return {club, QStringLiteral("57"), QStringLiteral("Trofeo d'Autunno"), QStringLiteral("01/05/2024")};
}

// Null code and category, born 1985, no entry time.
ReportRecord unknownAthlete() {
    return {QVariant(),
            QStringLiteral("ZETA ADA"),
            1985,
            QStringLiteral("100SL"),
            QVariant(),
            QStringLiteral("F"),
            QStringLiteral("p"),
            99,
            99.99};
}

QString columns(const QString& line, int first, int width) {
    return line.mid(first - 1, width);
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestReportText : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<FixtureDb> m_db;
    std::unique_ptr<DataSource> m_view;

    QString report(ReportForm form, const QString& club = QStringLiteral("ABC")) {
        return buildReport(form, *m_view, heading(club));
    }

private slots:
    void init() {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid());
        QVERIFY(m_db->createRegistrationTable(QStringLiteral("57")));
        QVERIFY(m_db->insertRows(QStringLiteral("nprg57"), kColumns,
                                 {{1001, "ROSSI MARIO", 1990, "RAG", "ABC", "M", "100SL", 1, 5.34, "p"},
                                  {1002, "D'ANGELO \"GIGI\"", 2005, "ESO", "ABC", "M", "50DO", 0, 35.2, "n"},
                                  {2001, "BIANCHI EZIO", 1990, "RAG", "XYZ", "M", "100SL", 1, 2, "p"},
                                  {3001, "NICOLÒ", 1990, "RAG", "L'ONDA", "M", "100SL", 1, 2, "p"}}));
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
        QTest::newRow("80 minutes still a time") << QVariant(80) << QVariant(0) << "80:00.0"
                                                 << "80.00.0";
        QTest::newRow("81 minutes") << QVariant(81) << QVariant(0) << "S.T."
                                    << "81.00.0";
        QTest::newRow("just over 90 minutes") << QVariant(90) << QVariant(0.5) << "S.T."
                                              << "00.00.0";
        QTest::newRow("seconds rounded") << QVariant(12) << QVariant(7.96) << "12:08.0"
                                         << "12.08.0";
    }
    void entryTimes() {
        QFETCH(QVariant, m);
        QFETCH(QVariant, s);
        QFETCH(QString, printed);
        QFETCH(QString, textFile);
        QCOMPARE(printedTime(m, s), printed);
        QCOMPARE(textFileTime(m, s), textFile);
    }

    // Each value in its own columns, a missing code or category marked in every form.
    void recordColumns() {
        const ReportRecord r = unknownAthlete();
        const QString printed = recordLine(ReportForm::Printed, 7, r);
        QCOMPARE(printed.size(), 100);
        QCOMPARE(columns(printed, 1, 5), QStringLiteral(" 7   "));
        QCOMPARE(columns(printed, 6, 11), QStringLiteral("*****      "));
        QCOMPARE(columns(printed, 44, 6), QStringLiteral(" 1985 "));
        QCOMPARE(columns(printed, 61, 6), QStringLiteral("***** "));
        QCOMPARE(columns(printed, 79, 6), QStringLiteral("F   p "));
        QCOMPARE(printed.mid(84).trimmed(), QStringLiteral("S.T."));

        const QStringList cells = recordLine(ReportForm::Spreadsheet, 7, r).split(QLatin1Char('\t'));
        QCOMPARE(cells, (QStringList{" 7", "*****", "ZETA ADA", " 1985", "100SL", "*****", "F", "p", "S.T.", ""}));

        const QString text = recordLine(ReportForm::TextFile, 7, r);
        QCOMPARE(text.size(), 77);
        QCOMPARE(columns(text, 1, 10), QStringLiteral("*****     "));
        QCOMPARE(columns(text, 41, 4), QStringLiteral(" 85 "));
        QCOMPARE(columns(text, 45, 14), QStringLiteral("*****         "));
        QCOMPARE(columns(text, 59, 10), QStringLiteral("F 100SL   "));
        QCOMPARE(columns(text, 69, 9), QStringLiteral("00.00.0  "));
    }

    void namesAndYears() {
        ReportRecord r = unknownAthlete();
        r.nome = kLongName;
        r.anno = 2005;
        r.m = 1;
        r.s = 5.34;
        const QString printed = recordLine(ReportForm::Printed, 1, r);
        QCOMPARE(columns(printed, 17, 27), kLongName.left(25) + QStringLiteral("  "));
        QCOMPARE(columns(printed, 85, 10).trimmed(), QStringLiteral("1:05.3"));
        QCOMPARE(recordLine(ReportForm::Spreadsheet, 1, r).split(QLatin1Char('\t')).value(2), kLongName);
        const QString text = recordLine(ReportForm::TextFile, 1, r);
        QCOMPARE(columns(text, 11, 31), kLongName.left(30) + QLatin1Char(' '));
        QCOMPARE(columns(text, 42, 2), QStringLiteral("05"));
        QCOMPARE(columns(text, 69, 7), QStringLiteral("01.05.3"));
        // A line end or TAB inside a value must not break the line into two.
        r.nome = QStringLiteral("A\tB\r\nC");
        QCOMPARE(recordLine(ReportForm::Spreadsheet, 1, r).count(QLatin1Char('\t')), 9);
        QVERIFY(!recordLine(ReportForm::TextFile, 1, r).contains(QLatin1Char('\n')));
    }

    void printedReport() {
        const QStringList lines = report(ReportForm::Printed).split(kLineEnd);
        QCOMPARE(lines.size(), 17);
        QCOMPARE(lines.mid(0, 10), (QStringList{"", QStringLiteral("Stampa iscrizioni per società: ABC"),
                                                QString(80, QLatin1Char('-')), "", "", "Prova numero 57",
                                                "Manifestazione: Trofeo d'Autunno", "Data: 01/05/2024", "", ""}));
        // By name, only the club's own.
        QVERIFY(lines[10].startsWith(QStringLiteral(" 1   1002       D'ANGELO \"GIGI\"")));
        QVERIFY(lines[11].startsWith(QStringLiteral(" 2   1001       ROSSI MARIO")));
        QCOMPARE(lines.mid(12), (QStringList{"", "", "ONDA_Link", "", ""}));
    }

    void spreadsheetReport() {
        const QStringList lines = report(ReportForm::Spreadsheet).split(kLineEnd);
        QCOMPARE(lines.mid(0, 6),
                 (QStringList{"", QStringLiteral("Stampa iscrizioni per società: \tABC"), "Prova numero \t57",
                              "Manifestazione: \tTrofeo d'Autunno", "Data: \t01/05/2024", ""}));
        const QStringList records = lines.mid(6, 2);
        QCOMPARE(records.size(), 2);
        for (const QString& record : records) {
            QCOMPARE(record.count(QLatin1Char('\t')), 9);
            QVERIFY(record.endsWith(QLatin1Char('\t')));
        }
        QCOMPARE(records[0].split(QLatin1Char('\t')).mid(0, 9),
                 (QStringList{" 1", "1002", "D'ANGELO \"GIGI\"", " 2005", "50DO", "ESO", "M", "n", "0:35.2"}));
        QCOMPARE(lines.mid(8), (QStringList{"", "", "", "ONDA_Link", "", ""}));
    }

    void textFileReport() {
        const QStringList lines = report(ReportForm::TextFile, QStringLiteral("L'ONDA")).split(kLineEnd);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("L'ONDA"));
        QCOMPARE(lines[1], QStringLiteral("\tTrofeo d'Autunno 01/05/2024"));
        QCOMPARE(lines[2],
                 QStringLiteral("3001      NICOLÒ                         90 RAG           M 100SL   01.02.0  "));
        QCOMPARE(lines[3], QString());
    }

    // An empty selection gives nothing; one that fails gives the frame without records.
    void emptyAndFailedSelections_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("frame");
        QTest::newRow("printed") << int(ReportForm::Printed) << "ONDA_Link";
        QTest::newRow("spreadsheet") << int(ReportForm::Spreadsheet) << "ONDA_Link";
        QTest::newRow("text file") << int(ReportForm::TextFile) << "Trofeo";
    }
    void emptyAndFailedSelections() {
        QFETCH(int, form);
        QFETCH(QString, frame);
        QCOMPARE(report(ReportForm(form), QStringLiteral("NONE")), QString());
        QVERIFY(m_db->exec(QStringLiteral("drop table nprg57")));
        QCOMPARE(report(ReportForm(form)), QString());

        QTemporaryDir dir;
        QFile garbage(dir.filePath(QStringLiteral("ONDA.mdb")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(4096, 'x'));
        garbage.close();
        m_view->setDatabaseFile(garbage.fileName());
        const QString failed = report(ReportForm(form));
        QVERIFY(failed.contains(frame));
        QVERIFY(!failed.contains(QStringLiteral("ROSSI")));
    }

    void filesInWindowsEncoding() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.txt"));
        QVERIFY(writeReportFile(path, QStringLiteral("società €\r\nłódź")));
        QCOMPARE(bytesOf(path), QByteArray("societ\xe0 \x80\r\n?\xf3"
                                           "d?\r\n"));
        QVERIFY(writeReportFile(path, QString()));
        QCOMPARE(bytesOf(path), QByteArray("\r\n"));
        // A place that cannot hold the file: an error, and the old file stays whole.
        QVERIFY(!writeReportFile(dir.path(), QStringLiteral("x")));
        QVERIFY(!writeReportFile(dir.filePath(QStringLiteral("missing/out.txt")), QStringLiteral("x")));
        QCOMPARE(bytesOf(path), QByteArray("\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestReportText)
#include "tst_report_text.moc"
