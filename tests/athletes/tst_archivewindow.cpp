// The athlete archive window driven as a user drives it, on a fixture database.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "athletes/ArchiveWindow.h"
#include "core/Settings.h"
#include "entry/RegistrationWindow.h"
#include "store/DataSource.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>

using namespace onda;
using namespace Qt::StringLiterals;

class TestArchiveWindow : public WindowTest {
    Q_OBJECT
private:
    std::unique_ptr<FixtureDb> m_db;
    using Texts = QStringList;

    // The club ABC with three athletes and a relay team, another club, competition 57.
    bool startArchive(const QList<qlonglong>& provisional = {}) {
        m_db = std::make_unique<FixtureDb>();
        QString athletes = u"(100,'ROSSI MARIO',1985,'ABC','M',null),(200,'BIANCHI ANNA',1990,'ABC','F',0),"
                           "(300,'D''ANGELO LUCA',2001,'ABC','M',null),(400,'STAFFETTA',1990,'ABC','M',-1),"
                           "(900,'VERDI PIETRO',1980,'XYZ','M',null)"_s;
        for (qlonglong code : provisional)
            athletes += u",(%1,'PROVVISORIO %1',2000,'ZZZ','F',null)"_s.arg(code);
        const bool built = m_db->insert(u"config"_s, {{u"societa"_s, u"ABC"_s}, {u"userid"_s, u"U"_s}}) &&
                           m_db->exec(u"insert into natl (codatl,nome,anno,soc,sesso,squadra) values "_s + athletes) &&
                           m_db->insertRows("categorie", {"manifID", "Categoria", "sesso", "AnnoIni", "AnnoFin"},
                                            {{57, "Assoluti", "M", 1980, 1999}, {57, "Master", "M", 1950, 1985}}) &&
                           m_db->createRegistrationTable(u"57"_s) &&
                           m_db->addRegistration(u"57"_s, 100, u"ROSSI MARIO"_s, u"ABC"_s);
        if (!built || !start(m_db->dir()))
            return false;
        Competition competition;
        competition.number = u"57"_s;
        competition.categories = categoriesOfText(u"M|Assoluti|1980|1999|$M|Master|1950|1985|$"_s);
        app().state().setCompetition(competition);
        return true;
    }
    static QString at(const char* control) { return u"frmanag/"_s + QLatin1String(control); }
    ArchiveWindow* archive() const { return find<ArchiveWindow>(u"frmanag"_s); }
    ArchiveWindow* openFromMain() { return trigger(u"DataBaseAtleti"_s) ? archive() : nullptr; }
    ArchiveWindow* openFromRegistration() {
        auto* window = dynamic_cast<ArchiveWindow*>(app().main()->child(Child::Archive));
        window->openForNewAthlete();
        return window;
    }
    QString field(const QString& column, qlonglong code) {
        return m_db->column(u"select %1 from natl where codatl=%2"_s.arg(column).arg(code)).value(0).toString();
    }
    void leave(const QString& path) { // the focus goes elsewhere, as by Tab
        auto* combo = find<QComboBox>(path);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(combo ? combo->lineEdit() : widget(path), &out);
    }
    bool fill(const QString& code, const QString& name, const QString& year, const QString& club, const QString& sex) {
        return (code.isNull() || type(at("Text1"), code)) && type(at("txtfields_1"), name) &&
               type(at("txtfields_2"), year) && type(at("Combo1"), club) && type(at("Combo2"), sex);
    }

private slots:
    void openingRefusals() {
        QVERIFY(startArchive());
        app().state().session.setClub({});
        QVERIFY(trigger(u"DataBaseAtleti"_s));
        app().state().session.setClub(u"ABC"_s);
        app().state().changeCompetition([](Competition& c) { c.number.clear(); });
        QVERIFY(trigger(u"DataBaseAtleti"_s));
        QCOMPARE(dialogs().takeTexts(), (Texts{"Selezionare una manifestazione", "Selezionare la prova prescelta"}));
        QVERIFY(!archive());
        // An archive that cannot be read does not open as if it were empty.
        app().state().changeCompetition([](Competition& c) { c.number = u"57"_s; });
        QVERIFY(m_db->exec(u"alter table natl rename to natl_old"_s) && trigger(u"DataBaseAtleti"_s));
        const Texts shown = dialogs().takeTexts();
        QVERIFY2(shown.size() == 1 && shown[0].startsWith(u"Impossibile leggere l'archivio atleti: "_s),
                 qPrintable(shown.join(u'|')));
        QVERIFY(!archive() || !archive()->isVisible());
    }

    void openingShowsTheClubsAthletes() {
        QVERIFY(startArchive());
        app().main()->showChild(app().registration());
        ArchiveWindow* window = openFromMain();
        // The registration window stays open behind the archive.
        QVERIFY(window && window->isVisible() && app().registration()->isVisible());
        // The club's individuals by name; the navigator's first record is on show.
        QCOMPARE(window->navigator().rowCount(), 3);
        QCOMPARE((Texts{text(at("Text1")), text(at("txtfields_1")), text(at("Combo1"))}),
                 (Texts{"200", "BIANCHI ANNA", "ABC"}));
        // One club entry per record of the whole register; the competition's categories.
        QVERIFY(rows(at("Combo1")).size() == 5 && rows(at("Combo3")) == (QList<QStringList>{{"Assoluti"}, {"Master"}}));
        // Every box and list is named for a screen reader, and so are the navigator's moves.
        for (const char* name : {"Text1", "txtfields_0", "txtfields_1", "txtfields_2", "Combo1", "Combo2", "Combo3",
                                 "Data3_First", "Data3_Previous", "Data3_Next", "Data3_Last"})
            QVERIFY2(!widget(at(name))->accessibleName().isEmpty(), name);
        for (const char* name : {"Combo1", "Combo2"}) // and the text boxes inside the lists, where typing goes
            QCOMPARE(find<QComboBox>(at(name))->lineEdit()->accessibleName(), widget(at(name))->accessibleName());
    }

    void yearAndCategory_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("category"); // proposed for a man
        const char* rows[][3] = {{"85", "1985", "Master"}, {"5", "5", ""},       {"10", "10", ""},
                                 {"100", "100", ""},       {"2001", "2001", ""}, {"1990", "1990", "Assoluti"}};
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1])
                                  << QString::fromLatin1(row[2]);
    }

    void yearAndCategory() {
        QFETCH(QString, typed);
        QVERIFY(startArchive() && openFromMain() && type(at("txtfields_2"), typed));
        leave(at("txtfields_2"));
        QTEST(text(at("txtfields_2")), "left");
        auto* sex = find<QComboBox>(at("Combo2"));
        sex->setCurrentIndex(0);
        emit sex->activated(0); // the last category that fits is proposed
        QTEST(text(at("Combo3")), "category");
        emit find<QComboBox>(at("Combo3"))->activated(0); // chosen by hand: the year no longer applies
        QCOMPARE(text(at("txtfields_2")), QString());
    }

    void clubChecks_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<Texts>("texts"); // on Enter, then on leaving the box
        QTest::newRow("unknown") << u"nuova"_s << u"NUOVA"_s
                                 << Texts{"Società inesistente. Seleziona dalla lista",
                                          "Società non esistente, inserirla"};
        // The list offers ABC as "abc" is typed: Enter still reaches the box.
        QTest::newRow("listed, lower case") << u"abc"_s << u"ABC"_s << Texts{};
    }

    void clubChecks() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(Texts, texts);
        QVERIFY(startArchive() && openFromMain());
        archive()->window()->activateWindow(); // keys go to the focused box of an active window
        QVERIFY(QTest::qWaitForWindowActive(archive()->window()));
        const QString club = at("Combo1");
        find<QComboBox>(club)->clearEditText();
        widget(club)->setFocus();
        if (!texts.isEmpty())
            dialogs().queueOkCancel(Dialogs::Answer::Cancel);
        QTest::keyClicks(QApplication::focusWidget(), typed);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(text(club), shown);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(dialogs().takeTexts(), texts);
        // The save of the record on show reads every box, a relay team of both sexes included.
        QVERIFY(type(at("Combo2"), u"B (Staffette Miste)"_s) && click(at("Option1_1")) && click(at("cmdUpdate")));
        QCOMPARE(m_db->column(u"select soc||' '||sesso||' '||squadra from natl where codatl=200"_s).value(0).toString(),
                 shown + u" B (Staffette Miste) -1"_s);
        QVERIFY(!archive()->isNewRecord() && type(club, QString()));
        leave(club); // empty passes
        // ...but "&Chiudi" keeps the window open while the club is empty.
        QVERIFY(click(at("cmdClose")) && archive());
    }

    // After a save the navigator holds what a new reading holds, in its order, and stands on
    // the record: a new name moves the row, a namesake's order is SQLite's, another club drops it.
    void saveKeepsTheNavigatorInOrder_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("club");
        const char* rows[][3] = {{"300", "D'ANGELO LUCA", "ABC"},
                                 {"100", "AAA PRIMO", "ABC"},
                                 {"200", "ZETA", "ABC"},
                                 {"300", "ROSSI MARIO", "ABC"},
                                 {"200", "BIANCHI ANNA", "XYZ"}};
        for (const auto& row : rows)
            QTest::newRow((QByteArray(row[0]) + ' ' + row[1] + ' ' + row[2]).constData())
                << QString::fromUtf8(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2]);
    }

    void saveKeepsTheNavigatorInOrder() {
        QFETCH(QString, code);
        QFETCH(QString, name);
        QFETCH(QString, club);
        ArchiveWindow* window = (startArchive() ? openFromMain() : nullptr);
        QVERIFY(window && type(at("Text1"), code, true));
        QVERIFY(fill(QString(), name, u"1999"_s, club, u"M"_s) && click(at("cmdUpdate")));
        QCOMPARE(dialogs().takeTexts(), Texts{});
        DataSource fresh;
        fresh.setDatabaseFile(m_db->path());
        fresh.setRecordSource(window->navigator().recordSource());
        QVERIFY(fresh.refresh());
        const auto codes = [](const DataSource& source) {
            QStringList out;
            for (int row = 0; row < source.rowCount(); ++row)
                out << source.value(row, source.fieldIndex(u"codatl"_s)).toString() + u' ' +
                           source.value(row, source.fieldIndex(u"nome"_s)).toString();
            return out;
        };
        QCOMPARE(codes(window->navigator()), codes(fresh));
        if (club != u"ABC"_s)
            return;
        QCOMPARE(text(at("txtfields_0")), code);
        // A new code: the navigator, read again, stands on the record under it.
        dialogs().queueInput(u"5555"_s);
        QVERIFY(click(at("Command6")));
        QCOMPARE(dialogs().takeTexts(), (Texts{u"Nuovo codice al posto di "_s + code,
                                               "Controlla che nel file non abbia usato il vecchio codice"}));
        QCOMPARE(text(at("txtfields_0")) + text(at("txtfields_1")), u"5555"_s + name);
    }

    void provisionalCode() {
        QVERIFY(startArchive({500000, 500001, 500002, 500005}));
        ArchiveWindow* window = openFromRegistration();
        QVERIFY(window->isVisible() && window->isNewRecord() && text(at("Text1")) == u"500003"_s);
        QVERIFY(!widget(at("Text1"))->isEnabled() && !widget(at("cmdDelete"))->isEnabled() &&
                !widget(at("cmdAdd"))->isEnabled());
        QCOMPARE(text(at("txtfields_1")) + window->navigator().recordSource(), u"natl"_s);
    }

    void codeLookup() {
        QVERIFY(startArchive());
        ArchiveWindow* window = openFromMain();
        // Nothing happens, then a text that is never part of the statement, then a code of another club.
        QVERIFY(type(at("Text1"), QString(), true) && type(at("Text1"), u"1' or '1'='1"_s, true) &&
                type(at("Text1"), u"900"_s, true));
        QCOMPARE(dialogs().takeTexts(), (Texts{"Codice 1' or '1'='1 non registrato", "Codice 900 non registrato"}));
        QVERIFY(text(at("txtfields_1")).isEmpty() && click(at("cmdAdd")) && type(at("Text1"), u"900"_s, true));
        QCOMPARE(dialogs().takeTexts(), Texts{"Codice 900 già registrato: VERDI PIETRO - XYZ"});
        // The navigator moving while the flag is set reports the code it reaches.
        QVERIFY(click(at("Data3_Next")) && window->isNewRecord());
        QCOMPARE(dialogs().takeTexts(), Texts{"Codice 300 già registrato: D'ANGELO LUCA - ABC"});
        // Tab from the code goes to the name, not to the flag a blank would untick.
        window->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window->window()));
        widget(at("Text1"))->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), widget(at("txtfields_1")));
    }

    void closingHandsTheCodeBack() {
        QVERIFY(startArchive());
        RegistrationWindow* registration = app().registration();
        app().main()->showChild(registration);
        QVERIFY(openFromRegistration() && fill(QString(), u"neri paolo"_s, QString(), u"ABC"_s, u"M"_s));
        leave(at("txtfields_1"));
        // A missing year keeps it open.
        QVERIFY(click(at("cmdClose")) && archive() && type(at("txtfields_2"), u"2005"_s));
        QCOMPARE(m_db->count(u"natl"_s), 5); // nothing written yet
        // The registration window looks the athlete up at once; this competition has no
        // category for him, and the user declines to look at the list.
        dialogs().queueYesNo(Dialogs::Answer::No);
        QVERIFY(click(at("cmdClose")) && dialogs().takeTexts().filter(u"Non esiste una categoria"_s).size() == 1);
        QCOMPARE(field(u"nome"_s, 500000) + registration->findChild<QLineEdit*>(u"Text2"_s)->text(),
                 u"NERI PAOLO500000"_s);
        QTRY_VERIFY(!archive());
    }

    void nameWarningEachTime() {
        QVERIFY(startArchive() && openFromMain() && click(at("cmdAdd")));
        for (int i = 0; i < 3; ++i)
            dialogs().queueYesNo(Dialogs::Answer::No);
        // Enter, leaving the box and Enter again: each time the name is another record's.
        QVERIFY(type(at("txtfields_1"), u"d'angelo luca"_s, true));
        leave(at("txtfields_1"));
        QTest::keyClick(widget(at("txtfields_1")), Qt::Key_Return);
        const QString warning = u"Attenzione esiste già:\r\nCodice=300-D'ANGELO LUCA-ABC\r\nVuoi proseguire ?"_s;
        QCOMPARE(dialogs().takeTexts(), (Texts{warning, warning, warning}));
        QCOMPARE(text(at("txtfields_1")), u"D'ANGELO LUCA"_s);
        QVERIFY(type(at("txtfields_1"), u"neri paolo"_s, true) && archive()->isNewRecord()); // nobody's: no question
    }

    void usageModes() {
        QVERIFY(startArchive());
        setUsageMode(2);
        QVERIFY(openFromMain() && !widget(at("cmdDelete"))->isEnabled() && click(at("Command1"))); // code 200 on show
        QTRY_VERIFY(!archive());
        // Mode 1: the user types the code of the new athlete.
        setUsageMode(1);
        ArchiveWindow* window = openFromRegistration();
        QVERIFY(text(at("Text1")).isEmpty() && widget(at("Text1"))->isEnabled() && widget(at("cmdAdd"))->isEnabled() &&
                window->isNewRecord());
    }
};

QTEST_MAIN(TestArchiveWindow)
#include "tst_archivewindow.moc"
