// The report layouts read from fixture registrations, as the timing software and a reader see them.
#include "FixtureDb.h"

#include "reports/ReportText.h"

#include <QFile>
#include <QTest>

using namespace onda;

class TestReportText : public QObject {
    Q_OBJECT
    FixtureDb m_db;
    QStringList lines(ReportForm form, const QString& club = QStringLiteral("ABC"), QString path = {}) {
        return buildReport(form, path.isEmpty() ? m_db.path() : path, {club, "57", "Trofeo d'Autunno", "01/05/2024"})
            .split("\r\n");
    }

private slots:
    void initTestCase() {
        QVERIFY(m_db.createRegistrationTable(QStringLiteral("57")));
        QVERIFY(m_db.insertRows("nprg57", {"codatl", "nome", "anno", "cat", "soc", "sesso", "spec", "m", "s", "status"},
                                {{1001, "ROSSI MARIO", 1990, "RAG", "ABC", "M", "100SL", 1, 5.34, "p"},
                                 {1002, "D'ANGELO \"GIGI\"", 2005, "ESO", "ABC", "M", "50DO", 0, 35.2, "n"},
                                 {2001, "BIANCHI EZIO", 1990, "RAG", "XYZ", "M", "100SL", 1, 2, "p"}}));
    }

    void entryTimes() { // printed and text-file forms; 80 minutes is still a time, 81 not in print
        for (const auto& [m, times] : {std::pair{QVariant(1), "1:05.3 01.05.3"},
                                       {QVariant(99), "S.T. 00.00.0"},
                                       {QVariant(), "S.T. 00.00.0"},
                                       {QVariant(81), "S.T. 81.05.3"},
                                       {QVariant(80), "80:05.3 80.05.3"},
                                       {QVariant(90), "S.T. 00.00.0"}})
            QCOMPARE(printedTime(m, 5.34) + ' ' + textFileTime(m, 5.34), QString::fromUtf8(times));
        // The longest time the entry accepts is still a time in the file.
        QCOMPARE(textFileTime(89, 60.0), QStringLiteral("89.60.0"));
    }

    // No code, no category, a long name, a year: each value in its own columns in every form.
    void recordColumns() {
        ReportRecord r{QVariant(), QString(36, 'N'), 1985, "100SL", QVariant(), "F", "p", 99, 99.99};
        QCOMPARE(recordLine(ReportForm::Printed, 7, r), " 7   *****      " + QString(25, 'N') +
                                                            "   1985 100SL      *****" + QString(13, ' ') +
                                                            "F   p S.T." + QString(12, ' '));
        QCOMPARE(recordLine(ReportForm::Spreadsheet, 7, r).split('\t'),
                 (QStringList{" 7", "*****", QString(36, 'N'), " 1985", "100SL", "*****", "F", "p", "S.T.", ""}));
        QCOMPARE(recordLine(ReportForm::TextFile, 7, r),
                 "*****     " + QString(30, 'N') + " 85 *****" + QString(9, ' ') + "F 100SL   00.00.0  ");
        r.anno = 2005;
        r.nome = QStringLiteral("A\tB\r\nC"); // a TAB or line end must not break the line
        QCOMPARE(recordLine(ReportForm::TextFile, 1, r).mid(10, 33), "A B  C" + QString(25, ' ') + "05");
    }

    // The club's registrations by name, between their headings and closing lines.
    void wholeReports() {
        const QStringList printed = lines(ReportForm::Printed);
        QVERIFY(printed[10].startsWith(" 1   1002       D'ANGELO \"GIGI\"") && printed[11].contains("ROSSI"));
        QCOMPARE(printed.mid(12), (QStringList{"", "", "ONDA_Link", "", ""}));
        const QStringList sheet = lines(ReportForm::Spreadsheet);
        QCOMPARE(sheet[6], " 1\t1002\tD'ANGELO \"GIGI\"\t 2005\t50DO\tESO\tM\tn\t0:35.2\t");
        QCOMPARE(sheet.mid(8), (QStringList{"", "", "", "ONDA_Link", "", ""}));
        QCOMPARE(lines(ReportForm::TextFile, "XYZ").mid(0, 2), (QStringList{"XYZ", "\tTrofeo d'Autunno 01/05/2024"}));
    }

    // An empty selection gives nothing; one that fails gives the frame without records.
    void emptyAndFailedSelections() {
        QFile garbage(m_db.filePath("garbage.mdb"));
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(4096, 'x')) == 4096);
        garbage.close();
        for (ReportForm form : {ReportForm::Printed, ReportForm::Spreadsheet, ReportForm::TextFile}) {
            QCOMPARE(lines(form, "NONE"), QStringList{""});
            // A competition whose table was never made selects nothing.
            QCOMPARE(buildReport(form, m_db.path(), {"ABC", "58", "Trofeo", "01/05/2024"}), QString());
            QCOMPARE(lines(form, "ABC", garbage.fileName()).size(), form == ReportForm::Printed       ? 15
                                                                    : form == ReportForm::Spreadsheet ? 12
                                                                                                      : 3);
        }
    }

    // A table of an older file lacking some of the fields shown: those read as missing values.
    void tableLackingFields() {
        QVERIFY(m_db.exec("create table nprg58 (codatl integer, nome text, soc text, m double, s text)"));
        QVERIFY(m_db.exec("insert into nprg58 values (1001, 'ROSSI MARIO', 'ABC', 1, '5.34')"));
        const QString text = buildReport(ReportForm::TextFile, m_db.path(), {"ABC", "58", "T", "01/05/2024"});
        QCOMPARE(text.split("\r\n").value(2),
                 "1001      ROSSI MARIO" + QString(23, ' ') + "*****" + QString(19, ' ') + "01.05.3  ");
    }

    void filesInWindowsEncoding() {
        const QString path = m_db.filePath("out.txt");
        QVERIFY(writeReportFile(path, QStringLiteral("società €\r\nłódź")));
        // A place that cannot hold the file: an error, and the old file stays whole.
        QVERIFY(!writeReportFile(m_db.dir(), "x") && !writeReportFile(m_db.filePath("missing/out.txt"), "x"));
        QCOMPARE(fileBytes(path), QByteArray("societ\xe0 \x80\r\n?\xf3"
                                             "d?\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestReportText)
#include "tst_report_text.moc"
