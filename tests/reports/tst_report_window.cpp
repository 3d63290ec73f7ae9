// The File menu's report commands driven as a user drives them, on a fixture database.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "entry/RegistrationWindow.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextEdit>

using namespace onda;

namespace {
const QString kLong = QStringLiteral("COGNOMEMOLTOLUNGO NOMELUNGO");
QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
}
} // namespace

class TestReportWindow : public WindowTest {
    Q_OBJECT
    std::unique_ptr<FixtureDb> m_db;
    QTemporaryDir m_out;

    // Club "L'ONDA" with two registrations in competition 57 (when opened), another club with one.
    void open(bool withCompetition = true) {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->insert("config", {{"societa", "L'ONDA"}}));
        QVERIFY(m_db->createRegistrationTable("57"));
        QVERIFY(
            m_db->insertRows("nprg57", {"codatl", "nome", "anno", "cat", "soc", "sesso", "spec", "m", "s", "status"},
                             {{QVariant(), "società ZETA", 1985, QVariant(), "L'ONDA", "F", "100SL", 99, 99.99, "p"},
                              {1001, kLong, 1990, "RAG", "L'ONDA", "M", "50DO", 1, 5.34, "p"},
                              {2001, "BIANCHI EZIO", 1990, "RAG", "XYZ", "M", "100SL", 1, 2, "p"}}));
        QVERIFY(start(m_db->dir()));
        if (withCompetition)
            app().state().changeCompetition(
                [](Competition& c) { c.number = "57", c.name = "Trofeo", c.date = "01/05/2024"; });
    }
    bool previewShown() const { return widget("frmPrt") && widget("frmPrt")->isVisible(); }

private slots:
    void preview() {
        open(false);
        QVERIFY(trigger("mnuFilePrintPreview"));
        QCOMPARE(dialogs().takeTexts(), QStringList{"Selezionare la manifestazione"});
        QVERIFY(!previewShown());
        app().state().changeCompetition([](Competition& c) { c.number = "57"; });
        app().registration()->show();
        QVERIFY(trigger("mnuFilePrintPreview"));
        QVERIFY(previewShown() && !app().registration()->isVisible());
        auto* box = find<QTextEdit>("frmPrt/RichTextBox1");
        QCOMPARE(box->toPlainText().split('\n').value(1), QStringLiteral("Stampa iscrizioni per società: L'ONDA"));
        QVERIFY(box->toPlainText().contains(" 1   1001       " + kLong.left(25) + "   1990") &&
                !box->toPlainText().contains("BIANCHI"));
        QCOMPARE(widget("frmPrt")->width(), 647);
        QVERIFY(QFontInfo(box->font()).fixedPitch() && box->font().pointSize() == 9);
    }

    void printToPdf() {
        open();
        const QString pdf = m_out.filePath("list.pdf");
        dialogs().queuePrinterPdf(QString()); // cancelled: nothing printed
        dialogs().queuePrinterPdf(pdf);
        QVERIFY(trigger("Print") && !QFile::exists(pdf) && trigger("mnuFilePrint"));
        QCOMPARE(dialogs().takeTexts(), (QStringList{"Print", "Print"}));
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QStringList text = run("pdftotext", {"-layout", pdf, "-"}).split('\n');
        const QString first = text.filter("100SL").value(0), second = text.filter("50DO").value(0);
        QVERIFY2(!first.isEmpty() && !second.isEmpty(), qPrintable(text.join('\n')));
        for (const auto& [a, b] :
             {std::pair{"società", "COGNOME"}, {"1985", "1990"}, {"100SL", "50DO"}, {"S.T.", "1:05.3"}})
            QCOMPARE(first.indexOf(a), second.indexOf(b)); // the columns line up
        QVERIFY(!second.contains(kLong));
    }

    void spreadsheetFile() {
        open();
        const QString path = m_out.filePath("iscrizioni.xls");
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        for (auto answer : {Dialogs::Answer::No, Dialogs::Answer::Yes}) {
            dialogs().queueSaveFileName(path);
            dialogs().queueYesNo(answer);
            QVERIFY(trigger("SaveAsExcel"));
            QCOMPARE(bytesOf(path).isEmpty(), answer == Dialogs::Answer::No);
        }
        const auto shown = dialogs().take();
        QCOMPARE(shown.size(), 4);
        QCOMPARE(shown[0].initial, QStringLiteral("*.xls"));
        QCOMPARE(shown[1].text, "Il file " + path + " esiste. Vuoi sovrascriverlo ?");
        const QByteArray bytes = bytesOf(path);
        QVERIFY(bytes.startsWith("\r\nStampa iscrizioni per societ\xe0: \tL'ONDA\r\n"));
        QVERIFY(bytes.contains(
            "\t 1990\t50DO\tRAG\tM\tp\t1:05.3\t\r\n 2\t*****\tsociet\xe0 ZETA\t 1985\t100SL\t*****\tF\tp\tS.T.\t\r\n"));
        if (QStandardPaths::findExecutable("soffice").isEmpty())
            QSKIP("LibreOffice is not installed");
        run("soffice", {"--headless", "--infilter=Text - txt - csv (StarCalc):9,34,1", "--convert-to", "csv",
                        "--outdir", m_out.path(), path});
        const QStringList table = QString::fromLatin1(bytesOf(m_out.filePath("iscrizioni.csv"))).split('\n');
        QCOMPARE(table.filter("SL").size() + table.filter("50DO").size(), 2);
        for (const QString& row : table.filter("SL") + table.filter("50DO"))
            QCOMPARE(row.trimmed().split(',').size(), 9); // nine values a record
    }

    void textFile() {
        open();
        QVERIFY(trigger("mnuFilePrintPreview"));
        const QString path = m_out.filePath("qvasca.txt");
        dialogs().queueSaveFileName(path);
        dialogs().queueSaveFileName(m_out.filePath("missing/qvasca.txt"));
        QVERIFY(trigger("SaveAsText"));
        QTRY_VERIFY(!previewShown());
        const QList<QByteArray> lines = bytesOf(path).split('\n');
        QCOMPARE(lines.size(), 6); // heading, two records, the closing line end
        QCOMPARE(lines.mid(0, 2), (QList<QByteArray>{"L'ONDA\r", "\tTrofeo 01/05/2024\r"}));
        QCOMPARE(lines[2].mid(10, 27) + lines[2].mid(68, 7), kLong.toLatin1() + "01.05.3");
        QCOMPARE(lines[3].left(43), QByteArray("*****     societ\xe0 ZETA                   85"));
        // A place the file cannot go: the user is told.
        QVERIFY(trigger("SaveAsText"));
        const QStringList texts = dialogs().takeTexts();
        QCOMPARE(texts.size(), 3);
        QVERIFY(texts.last().startsWith("Impossibile scrivere il file "));
    }
};

QTEST_MAIN(TestReportWindow)
#include "tst_report_window.moc"
