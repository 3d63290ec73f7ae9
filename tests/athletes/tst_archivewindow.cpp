// The athlete archive window driven as a user drives it, on a fixture database.
#include "FixtureDb.h"
#include "WindowTest.h"

#include "app/MainWindow.h"
#include "athletes/ArchiveWindow.h"
#include "core/Settings.h"
#include "entry/RegistrationWindow.h"
#include "store/DataSource.h"
#include "store/Database.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>

using namespace onda;

Q_DECLARE_METATYPE(QList<qlonglong>)

class TestArchiveWindow : public WindowTest {
    Q_OBJECT
private:
    std::unique_ptr<FixtureDb> m_db;
    using Texts = QStringList;

    // The club ABC with three athletes and a relay team, another club, competition 57.
    bool startArchive(const QList<qlonglong>& provisional = {}) {
        m_db = std::make_unique<FixtureDb>();
        bool built = true;
        const auto check = [&built](const Status& s) { built = built && s.ok(); };
        check(m_db->addConfig(QStringLiteral("ABC"), QStringLiteral("U"), QStringLiteral("P")));
        check(m_db->addAthlete(100, QStringLiteral("ROSSI MARIO"), 1985, QStringLiteral("ABC"), QStringLiteral("M")));
        check(m_db->addAthlete(200, QStringLiteral("BIANCHI ANNA"), 1990, QStringLiteral("ABC"), QStringLiteral("F"),
                               false));
        check(m_db->addAthlete(300, QStringLiteral("D'ANGELO LUCA"), 2001, QStringLiteral("ABC"), QStringLiteral("M")));
        check(
            m_db->addAthlete(400, QStringLiteral("STAFFETTA"), 1990, QStringLiteral("ABC"), QStringLiteral("M"), true));
        check(m_db->addAthlete(900, QStringLiteral("VERDI PIETRO"), 1980, QStringLiteral("XYZ"), QStringLiteral("M")));
        for (qlonglong code : provisional)
            check(m_db->addAthlete(code, QStringLiteral("PROVVISORIO %1").arg(code), 2000, QStringLiteral("ZZZ"),
                                   QStringLiteral("F")));
        check(m_db->addCategory(57, QStringLiteral("Assoluti"), QStringLiteral("M"), 1980, 1999));
        check(m_db->addCategory(57, QStringLiteral("Master"), QStringLiteral("M"), 1950, 1985));
        check(m_db->createRegistrationTable(
            QStringLiteral("57"),
            {{100, QStringLiteral("ROSSI MARIO"), 1985, {}, QStringLiteral("ABC"), QStringLiteral("M")}}));
        if (!built || !start(m_db->dir()))
            return false;
        Competition competition;
        competition.number = QStringLiteral("57");
        competition.categoriesText = QStringLiteral("M|Assoluti|1980|1999|$M|Master|1950|1985|$");
        app().state().setCompetition(competition);
        return true;
    }
    ArchiveWindow* archive() const { return find<ArchiveWindow>(QStringLiteral("frmanag")); }
    ArchiveWindow* openFromMain() { return trigger(QStringLiteral("DataBaseAtleti")) ? archive() : nullptr; }
    ArchiveWindow* openFromRegistration() {
        auto* window = dynamic_cast<ArchiveWindow*>(app().main()->child(Child::Archive));
        window->openForNewAthlete();
        return window;
    }
    QString field(const QString& column, qlonglong code) {
        return m_db->column(QStringLiteral("select %1 from natl where codatl=%2").arg(column).arg(code))
            .value(0)
            .toString();
    }
    void leave(const QString& path) {
        QWidget* box = widget(path);
        if (auto* combo = qobject_cast<QComboBox*>(box))
            box = combo->lineEdit();
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(box, &out);
    }
    bool fill(const QString& code, const QString& name, const QString& year, const QString& club, const QString& sex) {
        return (code.isNull() || type(QStringLiteral("frmanag/Text1"), code)) &&
               type(QStringLiteral("frmanag/txtfields_1"), name) && type(QStringLiteral("frmanag/txtfields_2"), year) &&
               type(QStringLiteral("frmanag/Combo1"), club) && type(QStringLiteral("frmanag/Combo2"), sex);
    }

private slots:
    void openingRefusals_data();
    void openingRefusals();
    void openingShowsTheClubsAthletes();
    void savingANewRecord_data();
    void savingANewRecord();
    void savingAChangeOfAnUnknownCode();
    void yearRules_data();
    void yearRules();
    void clubChecks();
    void sexProposesCategory();
    void deletion();
    void provisionalCode_data();
    void provisionalCode();
    void codeLookup();
    void codeChange_data();
    void codeChange();
    void closingHandsTheCodeBack();
    void usageModes();
    void aLockedDatabaseRefusesTheSave();
};

void TestArchiveWindow::openingRefusals_data() {
    QTest::addColumn<QString>("club");
    QTest::addColumn<QString>("competition");
    QTest::addColumn<QString>("message");
    QTest::newRow("no club") << QString() << "57"
                             << "Selezionare una manifestazione";
    QTest::newRow("no competition") << "ABC" << QString() << "Selezionare la prova prescelta";
}

void TestArchiveWindow::openingRefusals() {
    QFETCH(QString, club);
    QFETCH(QString, competition);
    QVERIFY(startArchive());
    app().state().club = club;
    app().state().changeCompetition([&](Competition& c) { c.number = competition; });
    QVERIFY(trigger(QStringLiteral("DataBaseAtleti")));
    QFETCH(QString, message);
    QCOMPARE(dialogs().takeTexts(), Texts{message});
    QVERIFY(!archive());
}

void TestArchiveWindow::openingShowsTheClubsAthletes() {
    QVERIFY(startArchive());
    app().main()->showChild(app().registration());
    ArchiveWindow* window = openFromMain();
    QVERIFY(window && window->isVisible());
    QVERIFY(!app().registration()->isVisible());
    // The club's individuals by name; the navigator's first record is on show.
    QCOMPARE(window->navigator().rowCount(), 3);
    QCOMPARE(text(QStringLiteral("frmanag/Text1")), QStringLiteral("200"));
    QCOMPARE(text(QStringLiteral("frmanag/txtfields_1")), QStringLiteral("BIANCHI ANNA"));
    QCOMPARE(text(QStringLiteral("frmanag/Combo1")), QStringLiteral("ABC"));
    // One club entry per record of the whole register; the competition's categories.
    QCOMPARE(rows(QStringLiteral("frmanag/Combo1")).size(), 5);
    QCOMPARE(rows(QStringLiteral("frmanag/Combo3")), (QList<QStringList>{{"Assoluti"}, {"Master"}}));
    QCOMPARE(rows(QStringLiteral("frmanag/Combo2")), (QList<QStringList>{{"M"}, {"F"}, {"B (Staffette Miste)"}}));
    // Every control is named for a screen reader.
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(control) && qobject_cast<QComboBox*>(control->parentWidget()))
            continue; // the edit part of a combo box: the box carries the name
        if (qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control) ||
            qobject_cast<QAbstractButton*>(control)) {
            const auto* button = qobject_cast<QAbstractButton*>(control);
            QVERIFY2(!control->accessibleName().isEmpty() || (button && !button->text().startsWith(QLatin1Char('<')) &&
                                                              !button->text().contains(QLatin1Char('|'))),
                     qPrintable(control->objectName()));
        }
    }
    for (const char* move : {"Data3_First", "Data3_Previous", "Data3_Next", "Data3_Last"})
        QVERIFY(find<QAbstractButton>(QStringLiteral("frmanag/") + QLatin1String(move)));
}

void TestArchiveWindow::savingANewRecord_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("answer"); // to the namesake question; -1 when none is asked
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("written");
    QTest::newRow("code in use") << "900"
                                 << "NUOVO" << -1 << "Codice esistente. Non puoi sovrascriverlo" << 0;
    QTest::newRow("namesake, No") << "700"
                                  << "D'ANGELO LUCA" << int(Dialogs::Answer::No) << QString() << 0;
    QTest::newRow("namesake, Yes") << "700"
                                   << "D'ANGELO LUCA" << int(Dialogs::Answer::Yes) << QString() << 1;
    QTest::newRow("empty code") << ""
                                << "NUOVO" << -1 << "Il codice dell'atleta deve essere un numero intero" << 0;
    QTest::newRow("code not a number") << "7x"
                                       << "NUOVO" << -1 << "Il codice dell'atleta deve essere un numero intero" << 0;
}

void TestArchiveWindow::savingANewRecord() {
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(int, answer);
    QFETCH(QString, message);
    QFETCH(int, written);
    QVERIFY(startArchive());
    ArchiveWindow* window = openFromMain();
    QVERIFY(click(QStringLiteral("frmanag/cmdAdd")));
    if (answer >= 0)
        dialogs().queueYesNo(Dialogs::Answer::Yes); // the warning on leaving the name box
    QVERIFY(fill(code, name, QStringLiteral("99"), QStringLiteral("ABC"), QStringLiteral("M")));
    leave(QStringLiteral("frmanag/txtfields_1")); // the name warning, answered Yes
    leave(QStringLiteral("frmanag/txtfields_2"));
    dialogs().take();
    if (answer >= 0)
        dialogs().queueYesNo(Dialogs::Answer(answer));
    QVERIFY(click(QStringLiteral("frmanag/cmdUpdate")));
    const QStringList shown = dialogs().takeTexts();
    if (answer >= 0)
        QCOMPARE(shown, Texts{"Esiste gia' un nome cosi': D'ANGELO LUCA - ABC. Vuoi proseguire"});
    else
        QCOMPARE(shown, Texts{message});
    QCOMPARE(m_db->count(QStringLiteral("natl")), 5 + written);
    QCOMPARE(window->isNewRecord(), written == 0);
    if (written) {
        QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("nome='D''ANGELO LUCA'")), 2);
        QCOMPARE(field(QStringLiteral("anno"), 700), QStringLiteral("1999"));
        QCOMPARE(text(QStringLiteral("frmanag/txtfields_0")), QStringLiteral("700"));
    }
}

void TestArchiveWindow::savingAChangeOfAnUnknownCode() {
    QVERIFY(startArchive());
    ArchiveWindow* window = openFromMain();
    const QVariantList before = m_db->column(QStringLiteral("select nome || anno || soc from natl order by codatl"));
    QVERIFY(type(QStringLiteral("frmanag/Text1"), QStringLiteral("777")));
    QVERIFY(click(QStringLiteral("frmanag/cmdUpdate")));
    QCOMPARE(m_db->column(QStringLiteral("select nome || anno || soc from natl order by codatl")), before);
    // A known code is rewritten whole, a relay team of both sexes included.
    QVERIFY(type(QStringLiteral("frmanag/Text1"), QStringLiteral("300"), true));
    QVERIFY(type(QStringLiteral("frmanag/Combo2"), QStringLiteral("B (Staffette Miste)")));
    QVERIFY(click(QStringLiteral("frmanag/Option1_1")));
    QVERIFY(click(QStringLiteral("frmanag/cmdUpdate")));
    QCOMPARE(field(QStringLiteral("sesso"), 300), QStringLiteral("B (Staffette Miste)"));
    QCOMPARE(field(QStringLiteral("squadra"), 300), QStringLiteral("-1"));
    QVERIFY(!window->isNewRecord());
}

void TestArchiveWindow::yearRules_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");
    for (const auto& [typed, left] : {std::pair{"85", "1985"},
                                      {"5", "5"},
                                      {"10", "10"},
                                      {"100", "100"},
                                      {"2001", "2001"},
                                      {"11", "1911"},
                                      {"99", "1999"}})
        QTest::newRow(typed) << QString::fromLatin1(typed) << QString::fromLatin1(left);
}

void TestArchiveWindow::yearRules() {
    QFETCH(QString, typed);
    QFETCH(QString, left);
    QVERIFY(startArchive());
    QVERIFY(openFromMain());
    QVERIFY(type(QStringLiteral("frmanag/txtfields_2"), typed));
    leave(QStringLiteral("frmanag/txtfields_2"));
    QCOMPARE(text(QStringLiteral("frmanag/txtfields_2")), left);
}

void TestArchiveWindow::clubChecks() {
    QVERIFY(startArchive());
    QVERIFY(openFromMain());
    const QString club = QStringLiteral("frmanag/Combo1");
    QVERIFY(type(club, QStringLiteral("xyz"), true)); // capitals first, then listed: no message
    QCOMPARE(text(club), QStringLiteral("XYZ"));
    dialogs().queueOkCancel(Dialogs::Answer::Cancel);
    QVERIFY(type(club, QStringLiteral("nuova"), true));
    QCOMPARE(dialogs().takeTexts(), Texts{"Società inesistente. Seleziona dalla lista"});
    QCOMPARE(text(club), QStringLiteral("NUOVA"));
    leave(club);
    QCOMPARE(dialogs().takeTexts(), Texts{"Società non esistente, inserirla"});
    QTRY_VERIFY(widget(club)->hasFocus() || !QApplication::focusWidget());
    QVERIFY(type(club, QString()));
    leave(club); // empty passes
    // ...but "&Chiudi" keeps the window open while the club is empty.
    QVERIFY(click(QStringLiteral("frmanag/cmdClose")));
    QVERIFY(archive());
}

void TestArchiveWindow::sexProposesCategory() {
    QVERIFY(startArchive());
    QVERIFY(openFromMain());
    auto* sex = find<QComboBox>(QStringLiteral("frmanag/Combo2"));
    QVERIFY(type(QStringLiteral("frmanag/txtfields_2"), QStringLiteral("1985")));
    sex->setCurrentIndex(0);
    emit sex->activated(0);
    QCOMPARE(text(QStringLiteral("frmanag/Combo3")), QStringLiteral("Master")); // the last that fits
    // A category chosen by hand while the year box is enabled empties the year.
    auto* category = find<QComboBox>(QStringLiteral("frmanag/Combo3"));
    emit category->activated(0);
    QCOMPARE(text(QStringLiteral("frmanag/txtfields_2")), QString());
}

void TestArchiveWindow::deletion() {
    QVERIFY(startArchive());
    ArchiveWindow* window = openFromMain();
    QVERIFY(type(QStringLiteral("frmanag/Text1"), QStringLiteral("900")));
    QVERIFY(click(QStringLiteral("frmanag/cmdDelete")));
    QCOMPARE(dialogs().takeTexts(), Texts{"Codice non esistente"}); // another club's athlete
    // The last record of the view: deleted, "Ultimo record", the view on its new last record.
    QVERIFY(type(QStringLiteral("frmanag/Text1"), QStringLiteral("100"), true));
    dialogs().queueYesNo(Dialogs::Answer::Yes);
    QVERIFY(click(QStringLiteral("frmanag/cmdDelete")));
    const QList<ScriptedDialogs::Shown> shown = dialogs().take();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).defaultAnswer, Dialogs::Answer::No);
    QCOMPARE(shown.at(1).text, QStringLiteral("Ultimo record"));
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("codatl=100")), 0);
    QCOMPARE(window->workingView().field(QStringLiteral("codatl")).toInt(), 300);
    QVERIFY(archive());
    // Another record: deleted, the window closes; its registrations stay.
    QVERIFY(type(QStringLiteral("frmanag/Text1"), QStringLiteral("200"), true));
    dialogs().queueYesNo(Dialogs::Answer::Yes);
    QVERIFY(click(QStringLiteral("frmanag/cmdDelete")));
    dialogs().take();
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("codatl=200")), 0);
    QTRY_VERIFY(!archive());
    QCOMPARE(m_db->count(QStringLiteral("nprg57"), QStringLiteral("codatl=100")), 1);
}

void TestArchiveWindow::provisionalCode_data() {
    QTest::addColumn<QList<qlonglong>>("taken");
    QTest::addColumn<QString>("code");
    QTest::newRow("500000 to 500002 taken") << QList<qlonglong>{500000, 500001, 500002} << "500003";
    QTest::newRow("500000 free") << QList<qlonglong>{500001, 500005} << "500000";
}

void TestArchiveWindow::provisionalCode() {
    QFETCH(QList<qlonglong>, taken);
    QFETCH(QString, code);
    QVERIFY(startArchive(taken));
    ArchiveWindow* window = openFromRegistration();
    QVERIFY(window->isVisible() && window->isNewRecord());
    QCOMPARE(text(QStringLiteral("frmanag/Text1")), code);
    QVERIFY(!widget(QStringLiteral("frmanag/Text1"))->isEnabled());
    QVERIFY(!widget(QStringLiteral("frmanag/cmdDelete"))->isEnabled());
    QVERIFY(!widget(QStringLiteral("frmanag/cmdAdd"))->isEnabled());
    QCOMPARE(text(QStringLiteral("frmanag/txtfields_1")), QString());
    QCOMPARE(window->workingView().recordSource(), QStringLiteral("natl"));
}

void TestArchiveWindow::codeLookup() {
    QVERIFY(startArchive());
    ArchiveWindow* window = openFromMain();
    QVERIFY(type(QStringLiteral("frmanag/Text1"), QString(), true)); // nothing happens
    QVERIFY(type(QStringLiteral("frmanag/Text1"), QStringLiteral("900"), true));
    QCOMPARE(dialogs().takeTexts(), Texts{"Codice 900 non registrato"});
    QCOMPARE(text(QStringLiteral("frmanag/txtfields_1")), QString());
    QVERIFY(click(QStringLiteral("frmanag/cmdAdd")));
    QVERIFY(type(QStringLiteral("frmanag/Text1"), QStringLiteral("900"), true));
    QCOMPARE(dialogs().takeTexts(), Texts{"Codice 900 già registrato: VERDI PIETRO - XYZ"});
    // The navigator moving while the flag is set reports the code it reaches.
    QVERIFY(click(QStringLiteral("frmanag/Data3_Next")));
    QCOMPARE(dialogs().takeTexts(), Texts{"Codice 300 già registrato: D'ANGELO LUCA - ABC"});
    QVERIFY(window->isNewRecord());
}

void TestArchiveWindow::codeChange_data() {
    QTest::addColumn<QString>("answer"); // null: the box cancelled
    QTest::addColumn<Texts>("messages");
    QTest::addColumn<QString>("codeAfter");
    QTest::newRow("free code") << "5555" << Texts{"Controlla che nel file non abbia usato il vecchio codice"} << "5555";
    QTest::newRow("cancelled") << QString() << Texts{} << "100";
    QTest::newRow("code in use") << "900" << Texts{"Codice esistente (VERDI PIETRO). Non puoi sovrascriverlo"} << "100";
    QTest::newRow("not a number") << "12a" << Texts{"Il nuovo codice deve essere un numero intero"} << "100";
}

void TestArchiveWindow::codeChange() {
    QFETCH(QString, answer);
    QFETCH(Texts, messages);
    QFETCH(QString, codeAfter);
    QVERIFY(startArchive());
    QVERIFY(openFromMain());
    QVERIFY(type(QStringLiteral("frmanag/Text1"), QStringLiteral("100"), true));
    dialogs().queueInput(answer.isNull() ? std::nullopt : std::optional<QString>(answer));
    QVERIFY(click(QStringLiteral("frmanag/Command6")));
    QCOMPARE(dialogs().takeTexts(), Texts{"Nuovo codice al posto di 100"} + messages);
    QCOMPARE(field(QStringLiteral("nome"), codeAfter.toLongLong()), QStringLiteral("ROSSI MARIO"));
    QCOMPARE(field(QStringLiteral("anno"), codeAfter.toLongLong()), QStringLiteral("1985"));
    QCOMPARE(text(QStringLiteral("frmanag/Text1")), codeAfter);
    QCOMPARE(m_db->count(QStringLiteral("nprg57"), QStringLiteral("codatl=100")), 1); // registrations keep it
}

void TestArchiveWindow::closingHandsTheCodeBack() {
    QVERIFY(startArchive());
    RegistrationWindow* registration = app().registration();
    app().main()->showChild(registration);
    auto* codeBox = new QLineEdit(registration);
    codeBox->setObjectName(QStringLiteral("Text2"));
    QSignalSpy entered(codeBox, &QLineEdit::returnPressed);
    QVERIFY(openFromRegistration());
    QVERIFY(fill(QString(), QStringLiteral("neri paolo"), QStringLiteral("2005"), QStringLiteral("ABC"),
                 QStringLiteral("M")));
    leave(QStringLiteral("frmanag/txtfields_1"));
    QVERIFY(type(QStringLiteral("frmanag/txtfields_2"), QString()));
    QVERIFY(click(QStringLiteral("frmanag/cmdClose"))); // a missing year keeps it open
    QVERIFY(archive());
    QVERIFY(type(QStringLiteral("frmanag/txtfields_2"), QStringLiteral("2005")));
    QVERIFY(click(QStringLiteral("frmanag/cmdClose")));
    QCOMPARE(field(QStringLiteral("nome"), 500000), QStringLiteral("NERI PAOLO"));
    QCOMPARE(codeBox->text(), QStringLiteral("500000"));
    QCOMPARE(entered.size(), 1);
    QTRY_VERIFY(!archive());
}

void TestArchiveWindow::usageModes() {
    QVERIFY(startArchive());
    setUsageMode(2);
    QVERIFY(openFromMain());
    QVERIFY(!widget(QStringLiteral("frmanag/cmdDelete"))->isEnabled()); // code 200 on show
    QVERIFY(click(QStringLiteral("frmanag/Command6")));
    QCOMPARE(dialogs().takeTexts(), Texts{"non puoi modificare codici inferiori a 500000 o superiori a 600000"});
    QVERIFY(click(QStringLiteral("frmanag/Command1")));
    QTRY_VERIFY(!archive());
    // Mode 1: the user types the code of the new athlete.
    setUsageMode(1);
    ArchiveWindow* window = openFromRegistration();
    QCOMPARE(text(QStringLiteral("frmanag/Text1")), QString());
    QVERIFY(widget(QStringLiteral("frmanag/Text1"))->isEnabled());
    QVERIFY(widget(QStringLiteral("frmanag/cmdAdd"))->isEnabled());
    QVERIFY(window->isNewRecord());
}

void TestArchiveWindow::aLockedDatabaseRefusesTheSave() {
    QVERIFY(startArchive());
    ArchiveWindow* window = openFromMain();
    QVERIFY(click(QStringLiteral("frmanag/cmdAdd")));
    QVERIFY(fill(QStringLiteral("701"), QStringLiteral("GIALLI"), QStringLiteral("1999"), QStringLiteral("ABC"),
                 QStringLiteral("F")));
    // Another program holds the file's write lock for longer than the store waits.
    Database other;
    QVERIFY(other.open(m_db->path()));
    QVERIFY(other.execute(QStringLiteral("BEGIN IMMEDIATE")));
    QVERIFY(click(QStringLiteral("frmanag/cmdUpdate")));
    (void)other.execute(QStringLiteral("ROLLBACK"));
    const QStringList shown = dialogs().takeTexts();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().startsWith(QStringLiteral("Impossibile registrare l'atleta: ")), qPrintable(shown.first()));
    QVERIFY(window->isNewRecord());
    QCOMPARE(m_db->count(QStringLiteral("natl"), QStringLiteral("codatl=701")), 0);
}

QTEST_MAIN(TestArchiveWindow)
#include "tst_archivewindow.moc"
