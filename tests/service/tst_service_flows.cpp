// The service workflows without windows: the steps they show, what they ask and what they
// write, against the stand-in service.
#include "FixtureDb.h"
#include "ScriptedDialogs.h"
#include "SimService.h"

#include "core/AppState.h"
#include "entry/RegistrationBook.h"
#include "service/BodyText.h"
#include "service/OnlineFlows.h"
#include "service/OnlineImport.h"
#include "service/ServiceClient.h"
#include "service/ServiceFeedback.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
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
            m_state.session.setClub(u"DEMO"_s);
        }
        return acceptLogin;
    }
    void closeLogin() override {}
    void SetStep(int index, const QString& caption, StepLook value) override {
        // Only what changes a line's look: the captions are fixed texts.
        if (caption.isEmpty())
            trace << u"%1:%2"_s.arg(index).arg(int(value));
    }
    void closeProgress() override { trace << u"close"_s; }
    void showClub(const QString&) override {}
    void competitionListStored() override {}
    void competitionListRefreshed() override {}
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
            << QStringList{} << all << QStringList{u"<write>Le categorie e le gare sono state aggiornate; le iscrizioni sul "
                                                    "computer sono rimaste quelle di prima.\r\nPer tornare ai dati di prima "
                                                    "dell'importazione usa File > Ripristina una copia... e scegli la copia "
                                                    "<copia>, prima dell'importazione della manifestazione 570."_s,
                                                    u"Importazione terminata"_s};
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

        const bool opened = rig.flows.importCompetition(u"570"_s).ok();
        QTEST(rig.ports.trace.join(u'|'), "trace");
        QStringList messages = rig.dialogs.takeTexts();
        for (QString& m : messages)
            if (m.startsWith(u"Impossibile salvare i dati ricevuti da Ondaweb: "_s))
                m = u"<write>"_s +
                    m.mid(m.indexOf(u"\r\n"_s) + 2)
                        .replace(QRegularExpression(u"del \\d\\d/\\d\\d/\\d{4} alle \\d\\d:\\d\\d"_s), u"<copia>"_s);
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
        QVERIFY(c.registrationCount == u"4"_s &&
                categoriesText(c.categories).startsWith(u"M|Esordienti A|2015|2016|$"_s) && c.notePresent);
        // No limit sent is no limit: a fourth race is allowed; the stored 3 refuses it.
        const QStringList held{u"100 SL"_s, u"100 RA"_s, u"200 MI"_s};
        QCOMPARE(athleteLimitRefusal(held, u"4x50 SL"_s, c.maxEntriesPerAthlete).has_value(), fault.isEmpty());
        if (!fault.isEmpty())
            return;
        // Imported again beside another club's row: the club's rows are replaced, the other's kept.
        QVERIFY(rig.db.insert(u"nprg570"_s, {{u"nome"_s, u"ALTRO"_s}, {u"soc"_s, u"AQUA"_s}}));
        rig.dialogs.queueInput(u"500123"_s);
        // The code asked again, the end told.
        QVERIFY(rig.flows.importCompetition(u"570"_s).ok() && rig.dialogs.takeTexts().size() == 2);
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
            QVERIFY(rig.flows.importCompetition(u"570"_s).ok());
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
        QVERIFY(rig.flows.importCompetition(u"570"_s).ok());
        rig.dialogs.reset();
        // Typed here since: one the service holds too (in other letters), one it does not.
        for (const auto& [nome, spec] : {std::pair{u"rossi mario"_s, u"100 ra"_s}, {u"NERI ADA"_s, u"50 DO"_s}})
            QVERIFY(rig.db.insert(
                u"nprg570"_s, {{u"nome"_s, nome}, {u"soc"_s, u"DEMO"_s}, {u"spec"_s, spec}, {u"status"_s, u"p"_s}}));
        const QVariantList before = rig.column(u"select nome || spec from nprg570 order by 1"_s);
        rig.dialogs.queueYesNo(proceed ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        rig.dialogs.queueInput(u"500123"_s);
        rig.ports.trace.clear();

        QCOMPARE(rig.flows.importCompetition(u"570"_s).ok(), proceed);
        const QList<ScriptedDialogs::Shown> shown = rig.dialogs.take();
        QCOMPARE(shown.first().text, u"Ci sono 1 iscrizioni fatte su questo computer e non ancora depositate: se "
                                     "prosegui verranno sostituite da quelle di Ondaweb. Vuoi proseguire ?"_s);
        QVERIFY(shown.first().defaultAnswer == Dialogs::Answer::No &&
                rig.column(u"select count(*) from nprg570 where nome='NERI ADA'"_s) == QVariantList{proceed ? 0 : 1});
        if (!proceed) // the opening ends at the question, the progress closed
            QCOMPARE(rig.column(u"select nome || spec from nprg570 order by 1"_s), before);
        QCOMPARE(rig.ports.trace.last(), u"close"_s);
        // A copy before each import, whatever the answer.
        const QStringList made = QDir(QFileInfo(rig.db.path()).dir().filePath(u"copie"_s)).entryList(QDir::Files);
        QVERIFY(made.size() == 2 && made.first().contains(u"_prima-di-importazione-570"_s));
    }

    // One line in Windows-1252 among UTF-8 ones: every name as sent; the archive's athlete once,
    // with his accent as a letter or as a mark.
    void oneBadByte() {
        FixtureDb db;
        QVERIFY(db.insert(u"natl"_s, {{u"codatl"_s, 100}, {u"nome"_s, u"NICOLÒ BIANCHI"_s}, {u"soc"_s, u"DEMO"_s}}));
        const auto answer =
            parseRegistrations(bodyText("RESPONSE=OK**ISCRIZIONI=\r\n"
                                        "100\tNICOL\xc3\x92 BIANCHI\tDEMO\tR\t2010\tM\t100 SL\t1\t2\tA\r\n"
                                        "101\tPER\xd2 ANNA\tDEMO\tR\t2011\tF\t50 DO\t0\t40\tA\r\n"
                                        "100\tNICOLO\xcc\x80 BIANCHI\tDEMO\tR\t2010\tM\t200 SL\t3\t0\tA\r\n**"));
        QVERIFY(answer && OnlineImport(db.path()).replaceRegistrations(u"570"_s, u"DEMO"_s, answer->registrations));
        QCOMPARE(db.column(u"select nome from nprg570 order by spec"_s),
                 (QVariantList{u"NICOLÒ BIANCHI"_s, u"NICOLO\u0300 BIANCHI"_s, u"PERÒ ANNA"_s}));
        QCOMPARE(db.column(u"select nome from natl order by 1"_s), (QVariantList{u"NICOLÒ BIANCHI"_s, u"PERÒ ANNA"_s}));
    }

    // 20 MB of registrations are imported within three times their size of memory.
    void largeAnswer() {
        SimService sim;
        const double mb = registrationsAnswer(340000).size() / 1048576.0;
        QVERIFY(sim.isRunning() && sim.answerWith(u"registrations"_s, registrationsAnswer(340000)));
        Rig rig(sim);
        bool opened = false;
        const double grown = peakGrowthMb([&] { opened = rig.flows.importCompetition(u"570"_s).ok(); });
        QVERIFY(opened);
        QCOMPARE(rig.column(u"select count(*) || ' ' || count(distinct codatl) from nprg570"_s),
                 QVariantList{u"340000 34000"_s});
        QVERIFY2(grown < 3 * mb, qPrintable(QString::number(grown)));
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
        QVERIFY(rig.ports.trace.join(u'|') == u"login|close"_s && rig.dialogs.takeTexts().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestServiceFlows)
#include "tst_service_flows.moc"
