// Importing a competition from the stand-in service on loopback (20,000 registration lines at
// 1x, 200,000 at 10x; a quarter of the lines' athletes new to the archive): the program's
// requests and writes, next to the same bodies fetched bare and the same rows inserted by bare
// SQLite.

#include "BenchFixture.h"
#include "BenchTable.h"

#include "service/HttpClient.h"
#include "service/OnlineImport.h"
#include "service/ServiceClient.h"
#include "service/ServiceFeedback.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

const QString kCompetition = QStringLiteral("900");

class Quiet final : public onda::ServiceFeedback {
public:
    void setStatusText(const QString&) override {}
    void setBusy(bool) override {}
    void showMessage(const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
};

QByteArray seed(const bench::Size& size) {
    const int kRegistrations = size.importLines, kAthletes = size.importAthletes;
    const int kRaces = size.races, kCategories = size.categories;
    QJsonArray categories, races, registrations;
    for (int i = 0; i < kCategories; ++i)
        categories.append(QJsonArray{i % 2 ? "F" : "M", QStringLiteral("CAT%1").arg(i / 2), 1950 + i, 1951 + i});
    for (int i = 0; i < kRaces; ++i)
        races.append(QJsonArray{i / 10 + 1, QStringLiteral("%1 SL").arg(50 * (i % 10 + 1)),
                                QStringLiteral("CAT%1").arg(i % 20), i % 2 ? "F" : "M"});
    for (int i = 0; i < kRegistrations; ++i) {
        const int athlete = i % kAthletes;
        registrations.append(QJsonArray{100000 + athlete, QStringLiteral("ATLETA %1").arg(athlete), "DEMO", "CAT1",
                                        1990 + athlete % 20, athlete % 2 ? "F" : "M",
                                        QStringLiteral("%1 SL").arg(50 * (i / kAthletes + 1)), 1, 5.5, "A"});
    }
    QJsonObject competition{{"id", kCompetition.toInt()},
                            {"name", "Grande Meeting"},
                            {"place", "Rivabella"},
                            {"date", "15/03/2026"},
                            {"deadline", "08/03/2026"},
                            {"max_per_club", QJsonValue()},
                            {"max_per_athlete", QJsonValue()},
                            {"categories", categories},
                            {"races", races},
                            {"registrations", registrations}};
    QJsonObject root{{"list_group", 10},
                     {"clubs", QJsonArray{QJsonObject{{"code", "DEMO"}, {"name", "Nuoto Demo"}}}},
                     {"users", QJsonArray{QJsonObject{{"userid", "demo"}, {"pin", "1234"}, {"club", "DEMO"}}}},
                     {"competitions", QJsonArray{competition}}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

struct Service {
    QTemporaryDir dir;
    QProcess process;
    QString base;

    explicit Service(int factor) {
        const bench::Size size = bench::sizeAt(factor);
        QFile file(dir.filePath(QStringLiteral("seed.json")));
        if (!file.open(QIODevice::WriteOnly) || file.write(seed(size)) < 0)
            return;
        file.close();
        process.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(ONDAWEB_SIM_SCRIPT), QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                       QStringLiteral("--http-port"), QStringLiteral("0"), QStringLiteral("--ftp-port"),
                       QStringLiteral("0"), QStringLiteral("--seed"), file.fileName(),
                       QStringLiteral("--exit-on-stdin-eof")});
        QByteArray out;
        for (int i = 0; i < 300 && !out.contains('\n'); ++i) {
            process.waitForReadyRead(100);
            out += process.readAllStandardOutput();
        }
        const QList<QByteArray> words = out.trimmed().split(' ');
        if (words.size() > 1 && words.first() == "ready")
            base = QString::fromUtf8(words.at(1));
    }
    ~Service() {
        process.closeWriteChannel();
        process.terminate();
        process.waitForFinished(5000);
    }
};

bench::PerSize<Service> service;

// A fresh ONDA.mdb for each round: every athlete is new to the archive.
QString freshDatabase(const QTemporaryDir& dir, int round) {
    const QString path = dir.filePath(QStringLiteral("ONDA%1.mdb").arg(round));
    onda::Store store;
    store.setDatabasePath(path);
    if (!store.ensureDatabase())
        std::fprintf(stderr, "bench_import: database not created\n");
    return path;
}

void BM_ProgramImport(benchmark::State& state) {
    if (service(state).base.isEmpty()) {
        state.SkipWithError("the stand-in service did not start");
        return;
    }
    QTemporaryDir dir;
    Quiet quiet;
    onda::ServiceClient client(service(state).base, quiet);
    const onda::RequestValues values{QStringLiteral("demo"), QStringLiteral("1234"), kCompetition};
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const onda::OnlineImport import(freshDatabase(dir, ++round));
        state.ResumeTiming();
        const auto categories = client.categories(values);
        const auto races = client.races(values);
        const auto registrations = client.registrations(values);
        if (!categories.ok() || !races.ok() || !registrations.ok() ||
            registrations.value.registrations.size() != bench::sizeAt(int(state.range(0))).importLines) {
            state.SkipWithError("the service's answers were not read");
            return;
        }
        if (!import.replaceCategories(kCompetition, categories.value.categories) ||
            !import.replaceRaces(kCompetition, races.value.races) ||
            !import.replaceRegistrations(kCompetition, QStringLiteral("DEMO"), registrations.value.registrations)) {
            state.SkipWithError("the rows were not written");
            return;
        }
    }
}

// The same three bodies fetched with no screening, and the same rows inserted with prepared
// statements in one transaction: the least any import can cost.
void BM_BareTransferAndInsert(benchmark::State& state) {
    if (service(state).base.isEmpty()) {
        state.SkipWithError("the stand-in service did not start");
        return;
    }
    QTemporaryDir dir;
    Quiet quiet;
    onda::ServiceClient client(service(state).base, quiet); // only to cut the rows once, outside the timing
    const onda::RequestValues values{QStringLiteral("demo"), QStringLiteral("1234"), kCompetition};
    const auto rows = client.registrations(values).value.registrations;
    const QString query = QStringLiteral("?ManifID=900&user=demo&PIN=1234");
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshDatabase(dir, ++round);
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db, "create table nprg900 as select * from nprg where 0", nullptr, nullptr, nullptr);
        state.ResumeTiming();
        for (const char* page : {"getCategorie.asp", "getProgrammi.asp", "getIscr.asp"})
            benchmark::DoNotOptimize(onda::httpGet(service(state).base + QStringLiteral("OndaNet/TempraInt/") +
                                                   QLatin1String(page) + query));
        sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db,
                           "insert into nprg900 (codatl, nome, soc, cat, anno, sesso, spec, m, s, status) "
                           "values (?,?,?,?,?,?,?,?,?,?)",
                           -1, &insert, nullptr);
        sqlite3_stmt* athlete = nullptr;
        sqlite3_prepare_v2(db, "insert or ignore into natl (codatl, nome, soc, anno, sesso) values (?,?,?,?,?)", -1,
                           &athlete, nullptr);
        for (const onda::Registration& r : rows) {
            const QByteArray f[] = {r.codatl.toUtf8(), r.nome.toUtf8(),  r.soc.toUtf8(),  r.cat.toUtf8(),
                                    r.anno.toUtf8(),   r.sesso.toUtf8(), r.spec.toUtf8(), r.m.toUtf8(),
                                    r.s.toUtf8(),      r.status.toUtf8()};
            for (int i = 0; i < 10; ++i)
                sqlite3_bind_text(insert, i + 1, f[i].constData(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
            const int athleteFields[] = {0, 1, 2, 4, 5};
            for (int i = 0; i < 5; ++i)
                sqlite3_bind_text(athlete, i + 1, f[athleteFields[i]].constData(), -1, SQLITE_TRANSIENT);
            sqlite3_step(athlete);
            sqlite3_reset(athlete);
        }
        sqlite3_finalize(insert);
        sqlite3_finalize(athlete);
        sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
        state.PauseTiming();
        sqlite3_close(db);
        state.ResumeTiming();
    }
}

ONDA_SIZED_ONCE(BM_BareTransferAndInsert, 3);
ONDA_SIZED_ONCE(BM_ProgramImport, 3);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::runAndPrint(
        argc, argv, "The import of a competition from the service",
        {{"import of categories, races, registrations", "BM_ProgramImport", "BM_BareTransferAndInsert", {2, 0, true}}});
    service.clear();
    return 0;
}
