// The registration window driven as a user drives it, on fixture databases.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "entry/RegistrationWindow.h"
#include "store/DataSource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>

using namespace onda;
using namespace Qt::StringLiterals;

namespace {
using Reg = QVariantList; // a registration of 1990, category RAG, sex M
const QString kCategories = u"M|RAG|1988|1992|$F|ESO|1995|1999|$"_s;

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
        QVERIFY(m_db->isValid() && m_db->insert(u"config"_s, {{u"societa"_s, u"ABC"_s}}));
        QVERIFY(m_db->seedEntryCompetition());
        QVERIFY(m_db->insertRows("nprg57",
                                 {"codatl", "nome", "anno", "cat", "soc", "sesso", "spec", "m", "s", "status"}, rows));
        QVERIFY(start(m_db->dir()));
        Competition c;
        c.number = u"57"_s;
        c.name = u"Trofeo"_s;
        c.maxEntriesPerAthlete = 3;
        c.categories = categoriesOfText(kCategories);
        app().state().setCompetition(c);
        window()->openOnCompetition();
        QVERIFY(window()->isVisible());
    }
    RegistrationWindow* window() { return app().registration(); }
    QStringList items(const QString& path = u"Form1/List1"_s) const {
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
        find<QListWidget>(u"Form1/List1"_s)->setCurrentRow(int(line - lines.begin()));
    }

private slots:

    void apostropheEverywhere() {
        open();
        const QString name = u"D'ANGELO LUCA"_s;
        QVERIFY(type(u"Form1/DBCombo1"_s, name));
        QCOMPARE(text(u"Form1/Text1_0"_s), u"1002"_s);
        QVERIFY(type(u"Form1/DBCombo1"_s, name, true)); // Enter: the code goes to the code entry
        QCOMPARE(text(u"Form1/Text2"_s), u"1002"_s);
        chooseRace(u"100SL"_s);
        QVERIFY(type(u"Form1/tempo"_s, u"01:32.52"_s) && click(u"Form1/Iscrivi"_s));
        QCOMPARE(dialogs().takeTexts(), QStringList());
        QCOMPARE(m_db->column(u"select nome from nprg57"_s), QVariantList{name});

        QVERIFY(click(u"Form1/Clear"_s));
        QCOMPARE(text(u"Form1/Text1_1"_s), QString());
        window()->prepareGridMenu(0); // the one row
        QCOMPARE(app().main()->action(u"atleta"_s)->text(), name + u"_100SL"_s);
        QVERIFY(trigger(u"modificaiscrizione"_s));
        QCOMPARE(text(u"Form1/Text1_1"_s), name);
        QCOMPARE(text(u"Form1/Label2_0"_s), u"100SL"_s);
        QCOMPARE(text(u"Form1/tempo"_s), u"1:32.52"_s);

        dialogs().queueYesNo(Dialogs::Answer::Yes);
        QVERIFY(trigger(u"cancellaiscrizione"_s));
        QCOMPARE(dialogs().takeTexts().size(), 1); // the question
        QCOMPARE(m_db->count(u"nprg57"_s), 0);
        QCOMPARE(rows(u"Form1/DBGrid1"_s).size(), 0);
    }

    void captionAndGrid() {
        open({reg(1001, u"ROSSI MARIO"_s, u"ABC"_s, u"100SL"_s, 1, 32.52),
              reg(1001, u"ROSSI MARIO"_s, u"ABC"_s, u"200SL"_s), reg(1002, u"D'ANGELO LUCA"_s, u"ABC"_s, u"100SL"_s),
              reg(2001, u"BIANCHI EZIO"_s, u"XYZ"_s, u"100SL"_s)});
        const QList<QStringList> grid = rows(u"Form1/DBGrid1"_s);
        QCOMPARE(grid.size(), 3);
        QCOMPARE(grid.last(),
                 QStringList({"1001", "ROSSI MARIO", "M", "1990", "ABC", "RAG", "100SL", "1", "32.52", "p"}));
        QCOMPARE(items(u"Form1/DBCombo1"_s), QStringList({"D'ANGELO LUCA", "NERI ADA", "ROSSI MARIO"}));
        // The text boxes inside the lists are named as the lists.
        QStringList names;
        for (const char* list : {"DBCombo1", "Combo1", "categoria"})
            names << find<QComboBox>(u"Form1/"_s + QLatin1String(list))->lineEdit()->accessibleName();
        QCOMPARE(names, QStringList({"Nome dell'atleta", "Sesso (M/F)", "Categoria"}));
    }

    // The grid follows each command row by row: it shows what reading the table again shows.
    void gridFollowsCommands() {
        open({reg(1001, u"ROSSI MARIO"_s, u"ABC"_s, u"100SL"_s), reg(2001, u"BIANCHI EZIO"_s, u"XYZ"_s, u"200SL"_s),
              reg(1002, u"D'ANGELO LUCA"_s, u"ABC"_s, u"200SL"_s)});
        const auto registerRace = [this](const QString& race, const QString& time) {
            window()->lookUpAthlete(u"1001"_s);
            chooseRace(race);
            QVERIFY(type(u"Form1/tempo"_s, time) && click(u"Form1/Iscrivi"_s));
        };
        const auto readAgain = [this] {
            const QList<QStringList> shown = rows(u"Form1/DBGrid1"_s);
            window()->openOnCompetition();
            QCOMPARE(shown, rows(u"Form1/DBGrid1"_s));
        };
        registerRace(u"200SL"_s, u"01:05.00"_s);
        registerRace(u"100FA"_s, u"01:10.00"_s);
        QCOMPARE(rows(u"Form1/DBGrid1"_s).value(0).value(6), u"100FA"_s); // the newest on top
        registerRace(u"100SL"_s, u"00:59.00"_s);                          // held: rewritten in place
        QCOMPARE(rows(u"Form1/DBGrid1"_s).size(), 4);
        QCOMPARE(rows(u"Form1/DBGrid1"_s).value(3).value(8), u"59"_s);
        readAgain();

        window()->prepareGridMenu(1); // ROSSI MARIO 200SL
        dialogs().queueYesNo(Dialogs::Answer::Yes);
        QSignalSpy readings(window()->findChild<DataSource*>(u"nprgSupp"_s), &DataSource::refreshed);
        QVERIFY(trigger(u"cancellaiscrizione"_s));
        QCOMPARE(rows(u"Form1/DBGrid1"_s).size(), 3);
        QCOMPARE(readings.count(), 0); // the row deleted is dropped, the grid not read again
        readAgain();
        QCOMPARE(dialogs().takeTexts().size(), 1); // the question only
    }

    void leavingFields() {
        open();
        window()->window()->activateWindow(); // focus events reach an active window only
        QVERIFY(QTest::qWaitForWindowActive(window()->window()) && type(u"Form1/Combo1"_s, u"m"_s));
        QVERIFY(type(u"Form1/Text1_3"_s, u"90"_s));
        QCOMPARE(text(u"Form1/Combo1"_s), u"M"_s);
        find<QWidget>(u"Form1/categoria"_s)->setFocus();
        QCOMPARE(text(u"Form1/Text1_3"_s), u"1990"_s);
    }

    // After "Iscrivi" the next athlete's code is typed over the last one, in the code entry.
    void nextAthlete() {
        open();
        window()->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window()->window()));
        window()->lookUpAthlete(u"1001"_s);
        chooseRace(u"100SL"_s);
        QVERIFY(type(u"Form1/tempo"_s, u"01:05.00"_s) && click(u"Form1/Iscrivi"_s));
        QCOMPARE(QApplication::focusWidget(), widget(u"Form1/Text2"_s));
        QTest::keyClicks(QApplication::focusWidget(), u"1002"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(text(u"Form1/Text1_1"_s), u"D'ANGELO LUCA"_s);
        // Nothing of the previous athlete's race stays: no race chosen is the missing race.
        QCOMPARE(text(u"Form1/Label2_0"_s) + text(u"Form1/tempo"_s), QString());
        QVERIFY(click(u"Form1/Iscrivi"_s));
        QCOMPARE(dialogs().takeTexts(), QStringList{u"Devi specificare uno stile"_s});
    }

    // A child opened over the registration window and closed (its close box) leaves it in front again.
    void childrenHandTheFrontBack() {
        open();
        window()->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window()->window()));
        QMdiArea* area = app().main()->mdiArea();
        QMdiSubWindow* desk = app().main()->subWindowOf(window());
        for (const QString& command :
             {u"Form1/cmdGare"_s, u"Form1/cmdNote"_s, u"DataBaseAtleti"_s, u"mnuFilePrintPreview"_s}) {
            QVERIFY(command.contains(u'/') ? click(command) : trigger(command));
            QVERIFY(area->currentSubWindow() != desk && desk->isVisible());
            area->currentSubWindow()->close();
            QTRY_COMPARE(area->currentSubWindow(), desk);
        }
    }

    void noteOfTheCompetitionShown() {
        open();
        app().state().userId = u"U"_s;
        QVERIFY(m_db->insertRows("manif", {"Numero Prova", "userName", "Nota"}, {{57, "U", "nota 57"}, {58, "U", {}}}));
        const auto openOn = [this](const char* number) {
            app().state().changeCompetition([number](Competition& c) { c.number = QLatin1String(number); });
            window()->openOnCompetition();
        };
        QVERIFY(click(u"Form1/cmdNote"_s));
        QCOMPARE(text(u"frmNote/Text1"_s), u"nota 57"_s);
        // Left open while 58 is opened: it is not 58's note, and "Registra" must not make it so.
        openOn("58");
        QTRY_VERIFY(!widget(u"frmNote"_s));
        QVERIFY(click(u"Form1/cmdNote"_s));
        QCOMPARE(text(u"frmNote/Text1"_s), QString());
        QVERIFY(type(u"frmNote/Text1"_s, u"nota 58"_s) && click(u"frmNote/cmdRegistra"_s));
        QCOMPARE(m_db->column(u"select Nota from manif order by [Numero Prova]"_s),
                 QVariantList({"nota 57", "nota 58"}));
        // A competition without its row stores nothing, and the mark still follows what was typed.
        openOn("59");
        QVERIFY(click(u"Form1/cmdNote"_s) && type(u"frmNote/Text1"_s, u"nota 59"_s) && click(u"frmNote/cmdRegistra"_s));
        QCOMPARE(m_db->count(u"manif"_s), 2);
        QVERIFY(find<QCheckBox>(u"Form1/NotaPresente"_s)->isChecked());
    }
};

QTEST_MAIN(TestRegistrationWindow)
#include "tst_registration_window.moc"
