// The File menu's report commands driven as a user drives them, on a fixture database.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "core/TextCodec.h"
#include "entry/RegistrationWindow.h"
#include "reports/ReportCommands.h"

#include <QFile>
#include <QFontMetrics>
#include <QProcess>
#include <QStandardPaths>
#include <QTextEdit>

using namespace onda;

namespace {
const QString kLong = QStringLiteral("COGNOMEMOLTOLUNGO NOMELUNGO");
} // namespace

class TestReportWindow : public WindowTest {
    Q_OBJECT
    FixtureDb m_db;
    QTemporaryDir m_out;
    bool previewShown() const { return widget("frmPrt") && widget("frmPrt")->isVisible(); }

private slots:
    // Club "L'ONDA" with two registrations in competition 57, another club with one.
    void initTestCase() {
        QVERIFY(m_db.insert("config", {{"societa", "L'ONDA"}}) && m_db.createRegistrationTable("57"));
        QVERIFY(m_db.insertRows("nprg57", {"codatl", "nome", "anno", "cat", "soc", "sesso", "spec", "m", "s", "status"},
                                {{QVariant(), "società ZETA", 1985, QVariant(), "L'ONDA", "F", "100SL", 99, 99.99, "p"},
                                 {1001, kLong, 1990, "RAG", "L'ONDA", "M", "50DO", 1, 5.34, "p"},
                                 {2001, "BIANCHI EZIO", 1990, "RAG", "XYZ", "M", "100SL", 1, 2, "p"}}));
    }
    void init() {
        QVERIFY(start(m_db.dir()));
        app().state().changeCompetition(
            [](Competition& c) { c.number = "57", c.name = "Trofeo", c.date = "1/5/2024"; });
    }

    void preview() {
        app().state().changeCompetition([](Competition& c) { c.number.clear(); });
        QVERIFY(trigger("mnuFilePrintPreview") && !previewShown());
        QCOMPARE(dialogs().takeTexts(), QStringList{"Selezionare la manifestazione"});
        app().state().changeCompetition([](Competition& c) { c.number = "57"; });
        app().registration()->show();
        QVERIFY(trigger("mnuFilePrintPreview") && previewShown() && app().registration()->isVisible());
        auto* box = find<QTextEdit>("frmPrt/RichTextBox1");
        QVERIFY(box->toPlainText().contains(" 1   1001       " + kLong.left(25) + "   1990"));
        QVERIFY(!box->toPlainText().contains("BIANCHI") && box->toPlainText().contains("società: L'ONDA\n"));
        QCOMPARE(widget("frmPrt")->width(), 647);
        // The columns line up on the screen: the year stands at the same place in both records.
        const QStringList lines = box->toPlainText().split(QLatin1Char('\n'));
        const QString a = lines.filter("1990").value(0), b = lines.filter("1985").value(0);
        const QFontMetrics metrics(box->font());
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        QCOMPARE(metrics.horizontalAdvance(a.left(a.indexOf("1990"))),
                 metrics.horizontalAdvance(b.left(b.indexOf("1985"))));
        dialogs().queueSaveFileName(m_out.filePath("qvasca.txt"));
        dialogs().queueSaveFileName(m_out.filePath("missing/qvasca.txt"));
        QVERIFY(trigger("SaveAsText") && !previewShown()); // the text file closes the preview
        QCOMPARE(fileBytes(m_out.filePath("qvasca.txt")).split('\n').value(3).left(43),
                 QByteArray("*****     societ\xe0 ZETA                   85"));
        QVERIFY(trigger("SaveAsText")); // a place the file cannot go: the user is told
        const QStringList texts = dialogs().takeTexts();
        QVERIFY(texts.size() == 3 && texts.last().startsWith("Impossibile scrivere il file "));
    }

    // The commands without windows: what each hands back, and the saved list needing no competition.
    void commandsWithoutWindows() {
        ReportCommands reports(app().state(), dialogs());
        dialogs().queueSaveFileName(m_out.filePath("lista.xls"));
        FlowResult saved = reports.saveRegistrations(ReportForm::Spreadsheet);
        QVERIFY(saved.ok() && saved.path == m_out.filePath("lista.xls"));
        QCOMPARE(fileBytes(saved.path), encodeWindows1252(*reports.registrations(ReportForm::Spreadsheet) + "\r\n"));
        dialogs().queueSaveFileName(m_out.filePath("missing/verifica.txt"));
        saved = reports.saveCheck(ReportForm::TextFile);
        QVERIFY(saved.outcome == FlowOutcome::Failed && saved.message.startsWith("Impossibile scrivere il file "));
        app().state().changeCompetition([](Competition& c) { c.number.clear(); });
        dialogs().takeTexts();
        QVERIFY(!reports.registrations(ReportForm::Printed) && !reports.check(ReportForm::Printed));
        dialogs().queueSaveFileName(m_out.filePath("vuota.txt"));
        QVERIFY(reports.saveRegistrations(ReportForm::TextFile).ok() && !widget("frmPrt"));
        QCOMPARE(dialogs().takeTexts(),
                 (QStringList{"Selezionare la manifestazione", "Selezionare la manifestazione", "Save"}));
    }

    void printToPdf() {
        const QString pdf = m_out.filePath("list.pdf");
        dialogs().queuePrinterPdf(QString()); // cancelled: nothing printed
        dialogs().queuePrinterPdf(pdf);
        QVERIFY(trigger("Print") && !QFile::exists(pdf) && trigger("mnuFilePrint"));
        QCOMPARE(dialogs().takeTexts(), (QStringList{"Print", "Print"}));
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QProcess::execute("pdftotext", {"-layout", pdf, pdf + ".txt"});
        const QStringList text = QString::fromUtf8(fileBytes(pdf + ".txt")).split('\n');
        const QString first = text.filter("50DO").value(0), second = text.filter("100SL").value(0);
        QVERIFY(!second.isEmpty() && !first.contains(kLong));
        for (const auto& [a, b] :
             {std::pair{"COGNOME", "società"}, {"1990", "1985"}, {"50DO", "100SL"}, {"1:05", "S.T."}})
            QCOMPARE(first.indexOf(a), second.indexOf(b)); // the columns line up
    }

    void spreadsheetFile() {
        const QString path = m_out.filePath("iscrizioni.xls");
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        for (auto answer : {Dialogs::Answer::No, Dialogs::Answer::Yes}) {
            dialogs().queueSaveFileName(path);
            dialogs().queueYesNo(answer);
            QVERIFY(trigger("SaveAsExcel"));
            QCOMPARE(fileBytes(path).isEmpty(), answer == Dialogs::Answer::No);
        }
        const auto shown = dialogs().take();
        QVERIFY(shown.size() == 4 && shown[0].initial == "*.xls");
        QCOMPARE(shown[1].text, "Il file " + path + " esiste. Vuoi sovrascriverlo ?");
        QVERIFY(fileBytes(path).contains(
            "\t1:05.3\t\r\n 2\t*****\tsociet\xe0 ZETA\t 1985\t100SL\t*****\tF\tp\tS.T.\t\r\n"));
        if (QStandardPaths::findExecutable("soffice").isEmpty())
            QSKIP("LibreOffice is not installed");
        // A profile of its own, so that a LibreOffice the user has open does not take the job; the
        // output filter named, so that the csv is comma-separated whatever the input filter was.
        QCOMPARE(
            QProcess::execute("soffice", {"-env:UserInstallation=file://" + m_out.filePath("profile"), "--headless",
                                          "--infilter=Text - txt - csv (StarCalc):9,34,1", "--convert-to",
                                          "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", m_out.path(), path}),
            0);
        const QStringList table = QString::fromUtf8(fileBytes(m_out.filePath("iscrizioni.csv"))).split('\n');
        const QStringList records = table.filter("100SL") + table.filter("50DO");
        QCOMPARE(records.size(), 2);
        for (const QString& row : records)
            QCOMPARE(row.trimmed().split(',').size(), 9); // nine values a record
    }
};

QTEST_MAIN(TestReportWindow)
#include "tst_report_window.moc"
