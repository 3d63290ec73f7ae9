// The File menu's report commands driven as a user drives them, on a fixture database.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "entry/RegistrationWindow.h"

#include <QFile>
#include <QMdiSubWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>

using namespace onda;

namespace {

const QString kLongName = QStringLiteral("COGNOMEMOLTOLUNGO NOMELUNGO");

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a tool to its end; its output, or nothing when it failed.
QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestReportWindow : public WindowTest {
    Q_OBJECT
private:
    std::unique_ptr<FixtureDb> m_db;
    QTemporaryDir m_out;

    // Club "L'ONDA" with two registrations in competition 57, another club with one.
    void open(bool withCompetition = true) {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid());
        QVERIFY(m_db->insert(QStringLiteral("config"), {{QStringLiteral("societa"), QStringLiteral("L'ONDA")}}));
        QVERIFY(m_db->createRegistrationTable(QStringLiteral("57")));
        QVERIFY(m_db->insertRows(
            QStringLiteral("nprg57"), {"codatl", "nome", "anno", "cat", "soc", "sesso", "spec", "m", "s", "status"},
            {{QVariant(), "società ZETA", 1985, QVariant(), "L'ONDA", "F", "100SL", 99, 99.99, "p"},
             {1001, kLongName, 1990, "RAG", "L'ONDA", "M", "50DO", 1, 5.34, "p"},
             {2001, "BIANCHI EZIO", 1990, "RAG", "XYZ", "M", "100SL", 1, 2, "p"}}));
        QVERIFY(start(QFileInfo(m_db->path()).absolutePath()));
        if (!withCompetition)
            return;
        Competition c;
        c.number = QStringLiteral("57");
        c.name = QStringLiteral("Trofeo");
        c.date = QStringLiteral("01/05/2024");
        app().state().setCompetition(c);
    }
    QString previewText() const { return find<QTextEdit>(QStringLiteral("frmPrt/RichTextBox1"))->toPlainText(); }
    bool previewShown() const {
        const QWidget* preview = widget(QStringLiteral("frmPrt"));
        return preview && preview->isVisible();
    }
    QString outFile(const QString& name) const { return m_out.filePath(name); }

private slots:
    void competitionCheck() {
        open(false);
        QVERIFY(trigger(QStringLiteral("mnuFilePrintPreview")));
        QVERIFY(trigger(QStringLiteral("Print")));
        QCOMPARE(dialogs().takeTexts(),
                 (QStringList{"Selezionare la manifestazione", "Selezionare la manifestazione"}));
        QVERIFY(!previewShown());
    }

    void preview() {
        open();
        app().registration()->show();
        QVERIFY(trigger(QStringLiteral("mnuFilePrintPreview")));
        QVERIFY(previewShown());
        QVERIFY(!app().registration()->isVisible());
        const QStringList lines = previewText().split(QLatin1Char('\n'));
        QCOMPARE(lines.value(1), QStringLiteral("Stampa iscrizioni per società: L'ONDA"));
        QVERIFY(lines.value(10).contains(QStringLiteral("*****      ") + kLongName.left(25) + QStringLiteral("  ")) ||
                lines.value(11).contains(kLongName.left(25) + QStringLiteral("   1990")));
        QVERIFY(!previewText().contains(QStringLiteral("BIANCHI")));
        QCOMPARE(widget(QStringLiteral("frmPrt"))->width(), 647);
        const QFont font = find<QTextEdit>(QStringLiteral("frmPrt/RichTextBox1"))->font();
        QVERIFY(QFontInfo(font).fixedPitch());
        QCOMPARE(font.pointSize(), 9);
    }

    void printToPdf() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        open();
        QVERIFY(trigger(QStringLiteral("mnuFilePrintPreview")));
        const QString pdf = outFile(QStringLiteral("list.pdf"));
        dialogs().queuePrinterPdf(QString()); // cancelled: nothing printed
        QVERIFY(trigger(QStringLiteral("Print")));
        QVERIFY(!QFile::exists(pdf));
        dialogs().queuePrinterPdf(pdf);
        QVERIFY(trigger(QStringLiteral("mnuFilePrint")));
        QCOMPARE(dialogs().take().size(), 2);
        const QStringList lines =
            run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                .split(QLatin1Char('\n'));
        QString first;
        QString second;
        for (const QString& line : lines) {
            if (line.contains(QStringLiteral("100SL")))
                first = line;
            if (line.contains(QStringLiteral("50DO")))
                second = line;
        }
        QVERIFY2(!first.isEmpty() && !second.isEmpty(), qPrintable(lines.join(QLatin1Char('\n'))));
        // Both record lines keep their columns: name, year, race and time line up.
        QCOMPARE(first.indexOf(QStringLiteral("società ZETA")), second.indexOf(kLongName.left(25)));
        QCOMPARE(first.indexOf(QStringLiteral("1985")), second.indexOf(QStringLiteral("1990")));
        QCOMPARE(first.indexOf(QStringLiteral("100SL")), second.indexOf(QStringLiteral("50DO")));
        QCOMPARE(first.indexOf(QStringLiteral("S.T.")), second.indexOf(QStringLiteral("1:05.3")));
        QVERIFY(!second.contains(kLongName));
    }

    void spreadsheetFile() {
        open(false); // the file needs no competition check; an empty selection gives no content
        const QString path = outFile(QStringLiteral("iscrizioni.xls"));
        dialogs().queueSaveFileName(path);
        QVERIFY(trigger(QStringLiteral("SaveAsExcel")));
        QCOMPARE(bytesOf(path), QByteArray("\r\n"));
        const QList<ScriptedDialogs::Shown> shown = dialogs().take();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].filter, QStringLiteral("Excel files (*.xls)|*.xls|All Files (*.*)|*.*"));
        QCOMPARE(shown[0].initial, QStringLiteral("*.xls"));

        Competition c = app().state().competition();
        c.number = QStringLiteral("57");
        app().state().setCompetition(c);
        dialogs().queueSaveFileName(path);
        dialogs().queueYesNo(Dialogs::Answer::No);
        QVERIFY(trigger(QStringLiteral("SaveAsExcel")));
        QCOMPARE(bytesOf(path), QByteArray("\r\n"));
        dialogs().queueSaveFileName(path);
        dialogs().queueYesNo(Dialogs::Answer::Yes);
        QVERIFY(trigger(QStringLiteral("SaveAsExcel")));
        const QString question = QStringLiteral("Il file ") + path + QStringLiteral(" esiste. Vuoi sovrascriverlo ?");
        QCOMPARE(dialogs().takeTexts(), (QStringList{"Save", question, "Save", question}));
        const QByteArray bytes = bytesOf(path);
        QVERIFY(bytes.startsWith("\r\nStampa iscrizioni per societ\xe0: \tL'ONDA\r\n"));
        QVERIFY(bytes.contains("\t*****\tsociet\xe0 ZETA\t 1985\t100SL\t*****\tF\tp\tS.T.\t\r\n"));
        QVERIFY(bytes.contains(kLongName.toLatin1() + "\t 1990\t"));
        QVERIFY(bytes.endsWith("ONDA_Link\r\n\r\n\r\n"));

        if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
            QSKIP("LibreOffice is not installed");
        // A spreadsheet program reads it as a table: nine values on each record line.
        run(QStringLiteral("soffice"),
            {QStringLiteral("--headless"), QStringLiteral("--infilter=Text - txt - csv (StarCalc):9,34,1"),
             QStringLiteral("--convert-to"), QStringLiteral("csv"), QStringLiteral("--outdir"), m_out.path(), path});
        const QStringList rowsRead =
            QString::fromLatin1(bytesOf(outFile(QStringLiteral("iscrizioni.csv")))).split(QLatin1Char('\n'));
        int records = 0;
        for (const QString& row : rowsRead) {
            if (row.contains(QStringLiteral("100SL")) || row.contains(QStringLiteral("50DO"))) {
                ++records;
                QCOMPARE(row.trimmed().split(QLatin1Char(',')).size(), 9);
            }
        }
        QCOMPARE(records, 2);
    }

    void textFile() {
        open();
        QVERIFY(trigger(QStringLiteral("mnuFilePrintPreview")));
        const QString path = outFile(QStringLiteral("qvasca.txt"));
        dialogs().queueSaveFileName(path);
        QVERIFY(trigger(QStringLiteral("SaveAsText")));
        QTRY_VERIFY(!previewShown());
        const QList<ScriptedDialogs::Shown> shown = dialogs().take();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].filter, QStringLiteral("Text files (*.txt)|*.txt|All Files (*.*)|*.*"));
        QCOMPARE(shown[0].initial, QString());
        const QList<QByteArray> lines = bytesOf(path).split('\n');
        QCOMPARE(lines.size(), 6); // heading, two records, the file's closing line end
        QCOMPARE(lines[0], QByteArray("L'ONDA\r"));
        QCOMPARE(lines[1], QByteArray("\tTrofeo 01/05/2024\r"));
        QCOMPARE(lines[2].left(43), QByteArray("*****     societ\xe0 ZETA                   85"));
        QCOMPARE(lines[3].mid(10, 30), kLongName.toLatin1());
        QCOMPARE(lines[3].mid(68, 7), QByteArray("01.05.3"));
        QCOMPARE(lines[4], QByteArray("\r"));
        QCOMPARE(lines[5], QByteArray());

        // A place the file cannot go: the user is told, nothing is pretended.
        dialogs().queueSaveFileName(outFile(QStringLiteral("missing/qvasca.txt")));
        QVERIFY(trigger(QStringLiteral("SaveAsText")));
        const QStringList texts = dialogs().takeTexts();
        QCOMPARE(texts.size(), 2);
        QVERIFY(texts.last().startsWith(QStringLiteral("Impossibile scrivere il file ")));
    }
};

QTEST_MAIN(TestReportWindow)
#include "tst_report_window.moc"
