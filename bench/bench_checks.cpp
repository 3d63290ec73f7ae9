// An invitation's checks at the size of a large meet (1x: 150 events, 60 standard lists of 40
// times, 1,700 references, 2,000 entries of the club) and ten times that. The standard and
// verdict line of one choice against a bare indexed lookup of the event's standards; the check
// of every entry with the bill against bare SQLite reading the same rows. Medians of runs.

#include "BenchFixture.h"
#include "BenchTable.h"

#include "entry/InvitationChecks.h"
#include "lenex/EntryChecks.h"
#include "lenex/LenexData.h"
#include "reports/CheckReport.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/Store.h"
#include "store/Transaction.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace onda;
using namespace onda::lenex;

namespace {

constexpr int kRuns = 9;
const char* const kStrokes[] = {"FREE", "BACK", "BREAST", "FLY", "MEDLEY"};

double medianMs(const std::function<void()>& work) {
    return bench::medianMs(kRuns, work);
}

Meet meetOf(int factor) {
    Meet meet;
    meet.name = QStringLiteral("Campionati");
    meet.course = QStringLiteral("LCM");
    meet.ageDate = QDate(2026, 12, 31);
    meet.deadline = QDate(2026, 5, 1);
    meet.fees << Fee{QStringLiteral("ATHLETE"), 1000, QStringLiteral("EUR")};
    const int events = 150 * factor, lists = 60 * factor;
    for (int l = 0; l < lists; ++l) {
        TimeStandardList list{QString::number(l),
                              QStringLiteral("L%1").arg(l),
                              QStringLiteral("MAXIMUM"),
                              l % 2 ? QStringLiteral("M") : QStringLiteral("F"),
                              QStringLiteral("LCM"),
                              {},
                              10 + l % 4 * 2,
                              11 + l % 4 * 2,
                              {}};
        for (int s = 0; s < 40; ++s)
            list.standards << TimeStandard{{50 << (s % 4), 1, QLatin1String(kStrokes[s / 4 % 5]), {}, {}, {}, {}},
                                           3000 + s * 100 + l};
        meet.timeStandards << list;
    }
    Session session{1, QDate(2026, 6, 1), {}, {}, {}, 0, 0, {}};
    for (int e = 1; e <= events; ++e) {
        Event event;
        event.id = QString::number(e);
        event.number = e;
        event.gender = e % 2 ? QStringLiteral("M") : QStringLiteral("F");
        // Styles repeat over numbered events so that races stay those of a programme.
        event.style = {50 << (e % 4), 1, QLatin1String(kStrokes[e / 4 % 5]), {}, {}, {}, {}};
        for (int g = 0; g < 4; ++g)
            event.ageGroups << AgeGroup{QString::number(g + 1), 10 + 2 * g, 11 + 2 * g, {}, {}, {}, {}};
        for (int r = 0; r < 11; ++r)
            event.standardRefs << TimeStandardRef{QString::number((e + r * 7) % lists), {}, {}};
        event.fee = {{}, 600, QStringLiteral("EUR")};
        session.events << event;
    }
    meet.sessions << session;
    return meet;
}

struct Figures {
    double line, bareLine, check, report, bareCheck;
};

Figures measure(int factor) {
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("ONDA.mdb"));
    Store store;
    store.setDatabasePath(database);
    QString number;
    {
        Database db;
        if (!db.open(database, true) || !store.ensureDatabase() ||
            !importInvitation(database, meetOf(factor), QStringLiteral("u"), QStringLiteral("ABC"), number)) {
            std::fprintf(stderr, "bench_checks: invitation not imported\n");
            return {};
        }
        // The club's entries: every race of the programme in turn.
        Database::Result races;
        if (!db.query(QStringLiteral("select gara, Categoria, Sesso from LenexRace where manifID=?"), races,
                      {number.toLongLong()}))
            return {};
        QList<QVariantList> rows;
        for (int i = 0; i < 2000 * factor; ++i) {
            const QVariantList& r = races.rows.at(i % races.rows.size());
            rows << QVariantList{100000 + i / 5,
                                 QStringLiteral("ATLETA %1").arg(i / 5),
                                 2013,
                                 r.value(1),
                                 QStringLiteral("ABC"),
                                 r.value(2),
                                 r.value(0),
                                 1 + i % 2,
                                 i * 7 % 60};
        }
        Transaction t(db);
        if (!db.insertRows(registrationTable(number),
                           {QStringLiteral("codatl"), QStringLiteral("nome"), QStringLiteral("anno"),
                            QStringLiteral("cat"), QStringLiteral("soc"), QStringLiteral("sesso"),
                            QStringLiteral("spec"), QStringLiteral("m"), QStringLiteral("s")},
                           rows) ||
            !t.commit())
            return {};
    }
    const QString race = QStringLiteral("100 SL");
    InvitationEntry entry{database,
                          number,
                          QStringLiteral("ABC"),
                          QStringLiteral("100001"),
                          race,
                          QStringLiteral("12-13"),
                          QStringLiteral("M"),
                          QStringLiteral("2013"),
                          QStringLiteral("1:05.00")};
    {
        Database db;
        Database::Result one;
        if (db.openShared(database) &&
            db.query(QStringLiteral("select Categoria from LenexRace where manifID=? and gara=? and Sesso='M'"), one,
                     {number.toLongLong(), race}))
            entry.category = one.rows.value(0).value(0).toString();
    }
    Figures f{};
    f.line = medianMs([&] {
        if (standardLine(entry).isEmpty())
            std::fprintf(stderr, "bench_checks: no standard line\n");
    });
    const QByteArray path = database.toUtf8();
    const auto bare = [&](const char* sql, const QByteArray& second) {
        sqlite3* db = nullptr;
        sqlite3_stmt* statement = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        sqlite3_bind_int64(statement, 1, number.toLongLong());
        sqlite3_bind_text(statement, 2, second.constData(), int(second.size()), SQLITE_TRANSIENT);
        while (sqlite3_step(statement) == SQLITE_ROW)
            sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
        sqlite3_close(db);
    };
    f.bareLine = medianMs([&] {
        bare("select s.swimtime from LenexRace x join LenexStandardRef r on r.manifID=x.manifID and "
             "r.eventid=x.eventid join LenexStandard s on s.manifID=r.manifID and s.listid=r.listid where "
             "x.manifID=?1 and x.gara=?2",
             race.toUtf8());
    });
    f.check = medianMs([&] {
        EntriesCheck check;
        if (!checkEntries(database, number, QStringLiteral("ABC"), check) || check.entries.isEmpty())
            std::fprintf(stderr, "bench_checks: no check\n");
    });
    const ReportHeading heading{QStringLiteral("ABC"), number, QStringLiteral("Campionati"),
                                QStringLiteral("01/06/2026")};
    f.report = medianMs([&] {
        EntriesCheck check;
        if (!checkEntries(database, number, QStringLiteral("ABC"), check) ||
            buildCheckReport(ReportForm::Printed, check, heading).isEmpty())
            std::fprintf(stderr, "bench_checks: no report\n");
    });
    // The bare reading of the same rows: the club's entries as the check orders them, and every
    // row of the invitation the check reads.
    const QByteArray table = registrationTable(number).toUtf8();
    const QByteArray n = number.toUtf8();
    const QList<QByteArray> sameRows{
        "select r.codatl, r.nome, coalesce(nullif(n.anno, 0), r.anno), r.cat, r.sesso, r.spec, r.m, r.s from [" +
            table + "] r left join natl n on n.codatl=r.codatl where r.soc='ABC' order by r.nome, r.OrdineInserimento",
        "select * from LenexMeet where manifID=" + n,
        "select * from LenexSession where manifID=" + n,
        "select * from LenexEvent where manifID=" + n,
        "select * from LenexStandardList where manifID=" + n,
        "select * from LenexStandardRef where manifID=" + n,
        "select * from LenexAgeGroup where manifID=" + n,
        "select * from LenexStandard where manifID=" + n,
        "select * from LenexFee where manifID=" + n,
        "select * from LenexQualify where manifID=" + n,
        "select * from LenexRace where manifID=" + n,
        "select * from LenexEntryMade where manifID=" + n};
    bench::BareReader reader(database);
    f.bareCheck = medianMs([&] {
        for (const QByteArray& sql : sameRows)
            reader.read(sql.constData());
    });
    return f;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Figures one = measure(1), ten = measure(10);
    bench::printHeading("An invitation's checks against bare SQLite");
    bench::printLine({"standard and verdict of one choice", "", "", {30, 5, false}}, one.line, ten.line, one.bareLine,
                     ten.bareLine);
    bench::printLine({"check of every entry with the bill", "", "", {3, 0, true}}, one.check, ten.check, one.bareCheck,
                     ten.bareCheck);
    bench::printLine({"the check's report, printed form", "", "", {3, 0, true}}, one.report, ten.report, one.bareCheck,
                     ten.bareCheck);
    return 0;
}
