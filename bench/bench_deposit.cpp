// The transfer file of a club with 2,000 registrations out of a 50,000-row registration table:
// the program's export next to bare SQLite (ATTACH + INSERT ... SELECT) writing the same
// tables in the same run.

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "ftp/FTP.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/Transaction.h"
#include "transfer/TransferExport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <sqlite3.h>

#include <cstdio>

namespace {

constexpr int kRows = 50000;
constexpr int kClubEvery = 25; // one row in 25 is the club's: 2,000

// Replacing the previous file is the only question expected; anything else is counted.
class BenchDialogs final : public onda::Dialogs {
public:
    int unexpected = 0;
    void message(const QString&, Icon, const QString&) override { ++unexpected; }
    Answer askYesNo(const QString&, Answer, Icon, const QString&) override { return ++unexpected, Answer::No; }
    Answer askOkCancel(const QString&, Answer, Icon, const QString&) override { return Answer::Ok; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return ++unexpected, std::nullopt;
    }
    QString saveFileName(const QString&, const QString&, const QString&) override { return ++unexpected, QString(); }
    QStringList openFileNames(const QString&, const QString&, bool) override { return ++unexpected, QStringList(); }
    bool choosePrinter(QPrinter&) override { return ++unexpected, false; }
};

struct Program {
    QTemporaryDir dir;
    BenchDialogs dialogs;
    onda::AppState state{dialogs};

    Program() {
        state.programDirectory = dir.path() + QLatin1Char('/');
        state.databasePath = state.programDirectory + QStringLiteral("ONDA.mdb");
        state.store.setDatabasePath(state.databasePath);
        state.club = QStringLiteral("DEMO");
        state.changeCompetition([](onda::Competition& c) { c.number = QStringLiteral("570"); });
        if (!state.store.ensureDatabase())
            std::fprintf(stderr, "bench_deposit: database not created\n");
        onda::Database db;
        if (!db.open(state.databasePath))
            std::fprintf(stderr, "bench_deposit: database not opened\n");
        (void)db.execute(QStringLiteral("SELECT * INTO nprg570 FROM nprg"));
        (void)db.execute(QStringLiteral("INSERT INTO manif ([Numero Prova], [Nome Manifestazione]) VALUES (570, 'B')"));
        onda::Transaction transaction(db);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db.handle(),
                           "INSERT INTO nprg570 (codatl, nome, anno, cat, soc, sesso, spec, m, s, status) "
                           "VALUES (?, ?, 2010, 'Ragazzi', ?, 'M', '100 SL', 1, 5.25, 'A')",
                           -1, &insert, nullptr);
        for (int i = 0; i < kRows; ++i) {
            sqlite3_bind_int(insert, 1, 500000 + i);
            const QByteArray name = QStringLiteral("ATLETA %1").arg(i).toUtf8();
            sqlite3_bind_text(insert, 2, name.constData(), -1, SQLITE_TRANSIENT);
            const QByteArray club = i % kClubEvery == 0 ? QByteArray("DEMO") : "C" + QByteArray::number(i % 97);
            sqlite3_bind_text(insert, 3, club.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        if (!transaction.commit())
            std::fprintf(stderr, "bench_deposit: rows not written\n");
    }
};

Program& program() {
    static Program p;
    return p;
}

void BM_ExportTransferDatabase(benchmark::State& s) {
    Program& p = program();
    for (auto _ : s) {
        QString mode = QStringLiteral("SERVER"), folder, file;
        if (onda::ExportTransferDatabase(p.state, p.state.club, mode, folder, file) != onda::ExportOutcome::Written)
            s.SkipWithError("export failed");
    }
    if (p.dialogs.unexpected)
        s.SkipWithError("unexpected dialog");
}
BENCHMARK(BM_ExportTransferDatabase)->Unit(benchmark::kMillisecond);

void BM_BareSqliteAttachCopy(benchmark::State& s) {
    Program& p = program();
    const QByteArray target = (p.state.programDirectory + QStringLiteral("bare.mdb")).toUtf8();
    const QByteArray attach = "ATTACH DATABASE '" + p.state.databasePath.toUtf8() + "' AS src";
    for (auto _ : s) {
        QFile::remove(QString::fromUtf8(target));
        sqlite3* db = nullptr;
        sqlite3_open(target.constData(), &db);
        sqlite3_exec(db, attach.constData(), nullptr, nullptr, nullptr);
        const int rc = sqlite3_exec(
            db,
            "BEGIN;"
            "CREATE TABLE nprg570 (codatl INTEGER, nome VARCHAR(50), anno SMALLINT, cat VARCHAR(30), soc VARCHAR(10),"
            " sesso VARCHAR(1), spec VARCHAR(50), m DOUBLE, s DOUBLE, status VARCHAR(1), OrdineInserimento INTEGER);"
            "INSERT INTO nprg570 SELECT * FROM src.nprg570 WHERE soc = 'DEMO';"
            "CREATE TABLE manif AS SELECT * FROM src.manif WHERE [Numero Prova] = 570;"
            "COMMIT;",
            nullptr, nullptr, nullptr);
        sqlite3_close(db);
        if (rc != SQLITE_OK)
            s.SkipWithError("bare copy failed");
    }
}
BENCHMARK(BM_BareSqliteAttachCopy)->Unit(benchmark::kMillisecond);

// The stand-in service's FTP server on loopback, for the upload of the transfer file.
struct FtpServer {
    QProcess process;
    QString host = QStringLiteral("127.0.0.1");
    int port = 0;

    FtpServer() {
        process.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(ONDAWEB_SIM_SCRIPT), QStringLiteral("--host"), host,
                       QStringLiteral("--http-port"), QStringLiteral("0"), QStringLiteral("--ftp-port"),
                       QStringLiteral("0"), QStringLiteral("--exit-on-stdin-eof")});
        QByteArray out;
        for (int i = 0; i < 300 && !out.contains('\n'); ++i) {
            process.waitForReadyRead(100);
            out += process.readAllStandardOutput();
        }
        // "ready http://H:P/ ftp://H:P/ ..."
        const QList<QByteArray> words = out.trimmed().split(' ');
        if (words.size() > 2)
            port = QUrl(QString::fromUtf8(words.at(2))).port();
    }
    ~FtpServer() {
        process.closeWriteChannel();
        process.terminate();
        process.waitForFinished(5000);
    }
};

FtpServer& ftpServer() {
    static FtpServer f;
    return f;
}

// The SERVER-mode transfer file the upload sends.
QString transferFile() {
    Program& p = program();
    QString mode = QStringLiteral("SERVER"), folder, file;
    if (onda::ExportTransferDatabase(p.state, p.state.club, mode, folder, file) == onda::ExportOutcome::Written)
        return folder + file;
    return {};
}

void BM_FtpPutTransferFile(benchmark::State& s) {
    const QString path = transferFile();
    if (path.isEmpty() || ftpServer().port <= 0) {
        s.SkipWithError("no file or no server");
        return;
    }
    const QFileInfo info(path);
    for (auto _ : s) {
        onda::FTP ftp;
        QString error;
        if (!ftp.FTPInit(ftpServer().host, QStringLiteral("ondawebnt"), QStringLiteral("3k8mw2vb6Jq"), 60,
                         ftpServer().port, {}, error) ||
            !ftp.FTPPut(info.path(), info.fileName(), QStringLiteral("db/temp"), QStringLiteral("transfer.mdb"), error))
            s.SkipWithError("upload failed");
        ftp.FTPClose();
    }
    s.counters["bytes"] = double(info.size());
}
BENCHMARK(BM_FtpPutTransferFile)->Unit(benchmark::kMillisecond);

void BM_BareCurlUpload(benchmark::State& s) {
    const QString path = transferFile();
    if (path.isEmpty() || ftpServer().port <= 0) {
        s.SkipWithError("no file or no server");
        return;
    }
    const QByteArray url =
        QStringLiteral("ftp://%1:%2/db/temp/transfer.mdb").arg(ftpServer().host).arg(ftpServer().port).toUtf8();
    for (auto _ : s) {
        FILE* in = std::fopen(path.toUtf8().constData(), "rb");
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url.constData());
        curl_easy_setopt(curl, CURLOPT_USERPWD, "ondawebnt:3k8mw2vb6Jq");
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_READDATA, in);
        const CURLcode rc = curl_easy_perform(curl);
        curl_easy_cleanup(curl);
        std::fclose(in);
        if (rc != CURLE_OK)
            s.SkipWithError("bare upload failed");
    }
}
BENCHMARK(BM_BareCurlUpload)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
