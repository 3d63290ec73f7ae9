// The service workflows without windows: the steps they show, what they ask and what they
// write, against the stand-in service.
#include "FixtureDb.h"
#include "ScriptedDialogs.h"
#include "SimService.h"

#include "core/AppState.h"
#include "entry/RegistrationBook.h"
#include "service/OnlineFlows.h"
#include "service/ServiceClient.h"
#include "service/ServiceFeedback.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace onda;
using namespace Qt::StringLiterals;

namespace {

const QString kAsked = u"Codice provvisorio per D'ANGELO GIULIA (2014)\r\nOndaweb non ha il codice di questo "
                       "atleta: conferma il codice proposto o scrivine un altro."_s;

// The login and progress windows, as a trace: "login", "3 Prendo la lista delle gare 0", "close".
class RecordedPorts : public ServicePorts, public ServiceFeedback {
public:
    explicit RecordedPorts(AppState& state) : m_state(state) {}
    QStringList trace;
    bool acceptLogin = true;
    QString user = u"demo"_s;

    bool login() override {
        trace << u"login"_s;
        if (acceptLogin) {
            m_state.userId = user;
            m_state.pin = u"1234"_s;
            m_state.club = u"DEMO"_s;
        }
        return acceptLogin;
    }
    void closeLogin() override {}
    void SetStep(int index, const QString& caption, int value) override {
        // Only what changes a line's look: the captions are fixed texts.
        if (caption.isEmpty())
            trace << u"%1:%2"_s.arg(index).arg(value);
    }
    void closeProgress() override { trace << u"close"_s; }
    void setStatusText(const QString&) override {}
    void setBusy(bool) override {}
    void showMessage(const QString& text) override { m_state.dialogs.message(text); }

private:
    AppState& m_state;
};

// The program's state and the flows over a fixture database and the stand-in.
struct Rig {
    explicit Rig(const SimService& sim) : state(dialogs), ports(state), client(sim.baseAddress(), ports) {
        state.baseAddress = sim.baseAddress();
        state.databasePath = db.path();
    }
    QVariantList column(const QString& sql) const { return databaseColumn(db.path(), sql); }
    FixtureDb db;
    ScriptedDialogs dialogs;
    AppState state;
    RecordedPorts ports;
    ServiceClient client;
    OnlineFlows flows{state, client, ports, ports};
};

} // namespace

class TestServiceFlows : public QObject {
    Q_OBJECT

private slots:
    void import_data() {
        QTest::addColumn<QString>("fault");     // a stand-in control, "cancel" at the login, or none
        QTest::addColumn<QStringList>("typed"); // the provisional codes typed, in order
        QTest::addColumn<QString>("trace");
        QTest::addColumn<QStringList>("messages");
        const QString all = u"0:2|login|0:1|1:2|1:1|2:2|2:1|3:2|3:1|4:2|4:1|5:2|5:1|close"_s;
        const QStringList done{kAsked, u"Importazione terminata"_s};
        const QStringList code{u"500123"_s};
        // clang-format off
        QTest::newRow("whole, a mistyped code kAsked again")
            << "" << QStringList{u"5OOOOO"_s, u"500123"_s} << all
            << QStringList{kAsked, u"Il codice dell'atleta deve essere un numero intero"_s, kAsked,
                           u"Importazione terminata"_s};
        QTest::newRow("no limit per athlete")
            << "competition&mode=body&text=RESPONSE=OK**MANIF=570|Trofeo|Rivabella|15/03/2026|08/03/2026|||$**"
            << code << all << done;
        QTest::newRow("registrations refused by the table")
            << "registrations&mode=body&text=RESPONSE=OK**ISCRIZIONI=%0D%0A1%09X%09DEMO%09R%092013%09M%09100%20SL%09uno%092%09A%0D%0A**"
            << QStringList{} << all << QStringList{u"<write>"_s, u"Importazione terminata"_s};
        QTest::newRow("login cancelled") << "cancel" << QStringList{} << "0:2|login|close" << QStringList{};
        QTest::newRow("competition refused") << "competition&mode=error&text=Chiusa" << QStringList{}
                                             << "0:2|login|0:1|1:2|close" << QStringList{u"Attenzione: Chiusa"_s};
        QTest::newRow("service down") << "competition,categories,races,registrations,note&mode=drop" << QStringList{}
                                      << "0:2|login|0:1|1:2|close" << QStringList{kConnectionMessage};
        // clang-format on
    }
    void import() {
        QFETCH(QString, fault);
        SimService sim;
        QVERIFY(sim.isRunning());
        if (!fault.isEmpty() && fault != u"cancel"_s)
            sim.control(u"set?request="_s + fault);
        Rig rig(sim);
        // The archive knows the athlete in other letters: no second row for him.
        QVERIFY(
            rig.db.insert(u"natl"_s, {{u"codatl"_s, 100245}, {u"nome"_s, u"Rossi Mario"_s}, {u"soc"_s, u"DEMO"_s}}));
        rig.ports.acceptLogin = fault != u"cancel"_s;
        QFETCH(QStringList, typed); // D'ANGELO GIULIA has no code on the service
        for (const QString& code : typed)
            rig.dialogs.queueInput(code);

        const bool opened = rig.flows.importCompetition(u"570"_s);
        QTEST(rig.ports.trace.join(u'|'), "trace");
        QStringList messages = rig.dialogs.takeTexts();
        for (QString& m : messages)
            if (m.startsWith(u"Impossibile salvare i dati ricevuti da Ondaweb: "_s) &&
                m.endsWith(u"\r\nI dati sul computer sono rimasti quelli di prima."_s))
                m = u"<write>"_s;
        QTEST(messages, "messages");
        if (!opened) {
            rig.dialogs.reset();
            QCOMPARE(rig.column(u"select count(*) from categorie"_s) + rig.column(u"select count(*) from programmi"_s),
                     (QVariantList{0, 0}));
            QCOMPARE(rig.column(u"select count(*) from nprg570"_s), QVariantList{u"!"_s}); // no table
            return;
        }
        QCOMPARE(rig.column(u"select count(*) from categorie where manifID=570"_s), QVariantList{8});
        if (fault.startsWith(u"registrations"_s)) { // the table is there, empty
            QCOMPARE(rig.column(u"select count(*) from nprg570"_s), QVariantList{0});
            return;
        }
        QCOMPARE(rig.column(u"select count(*) from programmi where manifID=570"_s), QVariantList{18});
        QCOMPARE(rig.column(u"select codatl from nprg570 order by nome, spec"_s),
                 (QVariantList{100311, 500123, 100245, 100245}));
        QCOMPARE(rig.column(u"select s from nprg570 where spec='100 RA'"_s), QVariantList{32.1});
        // Two lines of ROSSI MARIO and the archive's "Rossi Mario" are one athlete; the one without
        // a code comes in under the typed one.
        QCOMPARE(rig.column(u"select codatl from natl order by nome"_s), (QVariantList{100311, 500123, 100245}));
        const Competition& c = rig.state.competition();
        QCOMPARE(c.registrationCount, u"4"_s);
        QVERIFY(c.categoriesText.startsWith(u"M|Esordienti A|2015|2016|$"_s) && c.notePresent);
        // No limit sent is no limit: a fourth race is allowed; the stored 3 refuses it.
        const QStringList held{u"100 SL"_s, u"100 RA"_s, u"200 MI"_s};
        QCOMPARE(athleteLimitRefusal(held, u"4x50 SL"_s, c.maxEntriesPerAthlete).has_value(), fault.isEmpty());
        if (!fault.isEmpty())
            return;
        // Imported again beside another club's row: the club's rows are replaced, the other's kept.
        QVERIFY(rig.db.insert(u"nprg570"_s, {{u"nome"_s, u"ALTRO"_s}, {u"soc"_s, u"AQUA"_s}}));
        rig.dialogs.queueInput(u"500123"_s);
        QVERIFY(rig.flows.importCompetition(u"570"_s));
        QCOMPARE(rig.dialogs.takeTexts().size(), 2); // the code asked again, the end told
        QCOMPARE(rig.column(u"select soc from nprg570 order by soc"_s),
                 (QVariantList{u"AQUA"_s, u"DEMO"_s, u"DEMO"_s, u"DEMO"_s, u"DEMO"_s}));
        QCOMPARE(rig.db.count(u"natl"_s), 3);
    }

    // The athlete sent without a code: the first free provisional code proposed and taken on no
    // answer; imported again, the code the archive gave him. No row is ever stored without one.
    void provisionalCodeProposed() {
        SimService sim;
        Rig rig(sim);
        QVERIFY(sim.isRunning() &&
                rig.db.insert(u"natl"_s, {{u"codatl"_s, 500000}, {u"nome"_s, u"ALTRO"_s}, {u"soc"_s, u"XYZ"_s}}));
        for (const std::optional<QString>& answer : {std::optional<QString>(u" "_s), std::optional<QString>()}) {
            rig.dialogs.queueInput(answer);
            QVERIFY(rig.flows.importCompetition(u"570"_s));
            const ScriptedDialogs::Shown asked = rig.dialogs.take().value(0);
            QCOMPARE(asked.text + asked.initial, kAsked + u"500001"_s);
            QCOMPARE(
                rig.column(u"select count(*) from natl, nprg570 where natl.codatl is null or nprg570.codatl is null"_s),
                QVariantList{0});
            QCOMPARE(rig.column(u"select codatl from natl where nome like 'D''ANGELO%'"_s), QVariantList{500001});
        }
    }

    void localRegistrationsKept_data() {
        QTest::addColumn<bool>("proceed");
        QTest::newRow("No keeps them") << false;
        QTest::newRow("Yes replaces them") << true;
    }
    void localRegistrationsKept() {
        QFETCH(bool, proceed);
        SimService sim;
        QVERIFY(sim.isRunning());
        Rig rig(sim);
        rig.dialogs.queueInput(u"500123"_s);
        QVERIFY(rig.flows.importCompetition(u"570"_s));
        rig.dialogs.reset();
        // Typed here since: one the service holds too (in other letters), one it does not.
        for (const auto& [nome, spec] : {std::pair{u"rossi mario"_s, u"100 ra"_s}, {u"NERI ADA"_s, u"50 DO"_s}})
            QVERIFY(rig.db.insert(
                u"nprg570"_s, {{u"nome"_s, nome}, {u"soc"_s, u"DEMO"_s}, {u"spec"_s, spec}, {u"status"_s, u"p"_s}}));
        const QVariantList before = rig.column(u"select nome || spec from nprg570 order by 1"_s);
        rig.dialogs.queueYesNo(proceed ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        rig.dialogs.queueInput(u"500123"_s);
        rig.ports.trace.clear();

        QCOMPARE(rig.flows.importCompetition(u"570"_s), proceed);
        const QList<ScriptedDialogs::Shown> shown = rig.dialogs.take();
        QCOMPARE(shown.first().text, u"Ci sono 1 iscrizioni fatte su questo computer e non ancora depositate: se "
                                     "prosegui verranno sostituite da quelle di Ondaweb. Vuoi proseguire ?"_s);
        QCOMPARE(shown.first().defaultAnswer, Dialogs::Answer::No);
        QCOMPARE(rig.column(u"select count(*) from nprg570 where nome='NERI ADA'"_s), QVariantList{proceed ? 0 : 1});
        if (!proceed) // the opening ends at the question, the progress closed
            QCOMPARE(rig.column(u"select nome || spec from nprg570 order by 1"_s), before);
        QCOMPARE(rig.ports.trace.last(), u"close"_s);
        // A copy before each import, whatever the answer.
        const QStringList made = QDir(QFileInfo(rig.db.path()).dir().filePath(u"copie"_s)).entryList(QDir::Files);
        QCOMPARE(made.size(), 2);
        QVERIFY(made.first().contains(u"_prima-di-importazione-570"_s));
    }

    void listRefresh() {
        SimService sim;
        QVERIFY(sim.isRunning());
        Rig rig(sim);
        rig.ports.user = u"demo club"_s;
        rig.flows.refreshList();
        rig.flows.refreshList();
        QCOMPARE(rig.ports.trace.join(u'|'), u"login|0:1|1:1|2:1|close|login|0:1|1:1|2:1|close"_s);
        // Each competition once; a user id with blanks kept whole, in the list and the requests.
        QCOMPARE(rig.column(u"select [Numero Prova] || userName from manif order by [Numero Prova]"_s),
                 (QVariantList{u"57demo club"_s, u"570demo club"_s, u"571demo club"_s}));
        for (const QString& target : sim.takeRequests())
            QVERIFY2(target.contains(QLatin1String("user=demo%20club")), qPrintable(target));
        QCOMPARE(rig.state.competition().maxEntriesPerAthlete.toString(), u"2"_s); // the last row's limit
        rig.ports.acceptLogin = false;
        rig.ports.trace.clear();
        rig.flows.refreshList();
        QCOMPARE(rig.ports.trace.join(u'|'), u"login|close"_s);
        QVERIFY(rig.dialogs.takeTexts().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestServiceFlows)
#include "tst_service_flows.moc"
