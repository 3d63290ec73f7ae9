// The registration window driven as a user drives it, on fixture databases.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "entry/RegistrationWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>

using namespace onda;

namespace {
using Reg = QVariantList; // a registration of 1990, category RAG, sex M
const QString kCategories = QStringLiteral("M|RAG|1988|1992|$F|ESO|1995|1999|$");

Reg reg(qlonglong code, const QString& name, const QString& soc, const QString& race, double m = 1, double s = 10) {
    return {code, name, 1990, "RAG", soc, "M", race, m, s, "p"};
}
} // namespace

class TestRegistrationWindow : public WindowTest {
    Q_OBJECT
private:
    std::unique_ptr<FixtureDb> m_db;

    // Club ABC, competition 57 with its races; athletes of ABC and of another club.
    void open(const QList<Reg>& rows = {}) {
        m_db = std::make_unique<FixtureDb>();
        QVERIFY(m_db->isValid());
        QVERIFY(m_db->insert(QStringLiteral("config"), {{QStringLiteral("societa"), QStringLiteral("ABC")}}));
        QVERIFY(m_db->seedEntryCompetition());
        QVERIFY(m_db->insertRows("nprg57",
                                 {"codatl", "nome", "anno", "cat", "soc", "sesso", "spec", "m", "s", "status"}, rows));
        QVERIFY(start(QFileInfo(m_db->path()).absolutePath()));
        Competition c;
        c.number = QStringLiteral("57");
        c.name = QStringLiteral("Trofeo");
        c.maxEntriesPerAthlete = 3;
        c.categoriesText = kCategories;
        app().state().setCompetition(c);
        window()->openOnCompetition();
        QVERIFY(window()->isVisible());
    }
    RegistrationWindow* window() { return app().registration(); }
    QStringList items(const QString& path = QStringLiteral("Form1/List1")) const {
        QStringList out;
        for (const QStringList& row : rows(path))
            out << row.value(0);
        return out;
    }
    void chooseRace(const QString& race) {
        const QStringList lines = items();
        const auto line =
            std::find_if(lines.begin(), lines.end(), [&](const QString& l) { return l.section(' ', 0, 0) == race; });
        QVERIFY2(line != lines.end(), qPrintable(race));
        find<QListWidget>(QStringLiteral("Form1/List1"))->setCurrentRow(int(line - lines.begin()));
    }
    QVariantList column(const QString& sql) { return m_db->column(sql); }

private slots:

    void apostropheEverywhere() {
        open();
        const QString name = QStringLiteral("D'ANGELO LUCA");
        QVERIFY(type(QStringLiteral("Form1/DBCombo1"), name));
        QCOMPARE(text(QStringLiteral("Form1/Text1_0")), QStringLiteral("1002"));
        QVERIFY(type(QStringLiteral("Form1/DBCombo1"), name, true)); // Enter: the code goes to the code entry
        QCOMPARE(text(QStringLiteral("Form1/Text2")), QStringLiteral("1002"));
        chooseRace(QStringLiteral("100SL"));
        QVERIFY(type(QStringLiteral("Form1/tempo"), QStringLiteral("01:32.52")));
        QVERIFY(click(QStringLiteral("Form1/Iscrivi")));
        QCOMPARE(dialogs().takeTexts(), QStringList());
        QCOMPARE(column(QStringLiteral("select nome from nprg57")), QVariantList{name});

        QVERIFY(click(QStringLiteral("Form1/Clear")));
        QCOMPARE(text(QStringLiteral("Form1/Text1_1")), QString());
        window()->prepareGridMenu(0); // the one row
        QCOMPARE(app().main()->action(QStringLiteral("atleta"))->text(), name + QStringLiteral("_100SL"));
        QVERIFY(trigger(QStringLiteral("modificaiscrizione")));
        QCOMPARE(text(QStringLiteral("Form1/Text1_1")), name);
        QCOMPARE(text(QStringLiteral("Form1/Label2_0")), QStringLiteral("100SL"));
        QCOMPARE(text(QStringLiteral("Form1/tempo")), QStringLiteral("1:32.52"));

        dialogs().queueYesNo(Dialogs::Answer::Yes);
        QVERIFY(trigger(QStringLiteral("cancellaiscrizione")));
        QCOMPARE(dialogs().takeTexts().size(), 1); // the question
        QCOMPARE(m_db->count(QStringLiteral("nprg57")), 0);
        QCOMPARE(rows(QStringLiteral("Form1/DBGrid1")).size(), 0);
    }

    void captionAndGrid() {
        open({reg(1001, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC"), QStringLiteral("100SL"), 1, 32.52),
              reg(1001, QStringLiteral("ROSSI MARIO"), QStringLiteral("ABC"), QStringLiteral("200SL")),
              reg(1002, QStringLiteral("D'ANGELO LUCA"), QStringLiteral("ABC"), QStringLiteral("100SL")),
              reg(2001, QStringLiteral("BIANCHI EZIO"), QStringLiteral("XYZ"), QStringLiteral("100SL"))});
        const QList<QStringList> grid = rows(QStringLiteral("Form1/DBGrid1"));
        QCOMPARE(grid.size(), 3);
        QCOMPARE(grid.last(),
                 QStringList({"1001", "ROSSI MARIO", "M", "1990", "ABC", "RAG", "100SL", "1", "32.52", "p"}));
        QCOMPARE(items(QStringLiteral("Form1/DBCombo1")), QStringList({"D'ANGELO LUCA", "NERI ADA", "ROSSI MARIO"}));
    }

    void leavingFields() {
        open();
        window()->window()->activateWindow(); // focus events reach an active window only
        QVERIFY(QTest::qWaitForWindowActive(window()->window()));
        QVERIFY(type(QStringLiteral("Form1/Combo1"), QStringLiteral("m")));
        QVERIFY(type(QStringLiteral("Form1/Text1_3"), QStringLiteral("90")));
        QCOMPARE(text(QStringLiteral("Form1/Combo1")), QStringLiteral("M"));
        find<QWidget>(QStringLiteral("Form1/categoria"))->setFocus();
        QCOMPARE(text(QStringLiteral("Form1/Text1_3")), QStringLiteral("1990"));
    }

    void noteOfTheCompetitionShown() {
        open();
        app().state().userId = QStringLiteral("U");
        QVERIFY(m_db->insertRows("manif", {"Numero Prova", "userName", "Nota"}, {{57, "U", "nota 57"}, {58, "U", {}}}));
        const auto openOn = [this](const char* number) {
            app().state().changeCompetition([number](Competition& c) { c.number = QLatin1String(number); });
            window()->openOnCompetition();
        };
        QVERIFY(click(QStringLiteral("Form1/cmdNote")));
        QCOMPARE(text(QStringLiteral("frmNote/Text1")), QStringLiteral("nota 57"));
        // Left open while 58 is opened: it is not 58's note, and "Registra" must not make it so.
        openOn("58");
        QTRY_VERIFY(!widget(QStringLiteral("frmNote")));
        QVERIFY(click(QStringLiteral("Form1/cmdNote")));
        QCOMPARE(text(QStringLiteral("frmNote/Text1")), QString());
        QVERIFY(type(QStringLiteral("frmNote/Text1"), QStringLiteral("nota 58")));
        QVERIFY(click(QStringLiteral("frmNote/cmdRegistra")));
        QCOMPARE(column(QStringLiteral("select Nota from manif order by [Numero Prova]")),
                 QVariantList({"nota 57", "nota 58"}));
        // A competition without its row stores nothing, and the mark still follows what was typed.
        openOn("59");
        QVERIFY(click(QStringLiteral("Form1/cmdNote")));
        QVERIFY(type(QStringLiteral("frmNote/Text1"), QStringLiteral("nota 59")));
        QVERIFY(click(QStringLiteral("frmNote/cmdRegistra")));
        QCOMPARE(m_db->count(QStringLiteral("manif")), 2);
        QVERIFY(find<QCheckBox>(QStringLiteral("Form1/NotaPresente"))->isChecked());
    }
};

QTEST_MAIN(TestRegistrationWindow)
#include "tst_registration_window.moc"
