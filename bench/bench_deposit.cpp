// The transfer file of the club's registrations of the shared competition (2,000 of 50,000 at
// 1x, 20,000 of 500,000 at 10x): the program's export next to bare SQLite (ATTACH + INSERT ...
// SELECT) writing the same tables, and its upload next to a bare libcurl upload, in the same run.

#include "BenchFixture.h"
#include "BenchTable.h"

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
#include <map>
#include <memory>

namespace {

// Replacing the previous file is the only question expected; anything else is counted.
class BenchDialogs final : public onda::Dialogs {
public:
    int shown = 0;
    void message(const QString&, Icon, const QString&) override { ++shown; }
    Answer askYesNo(const QString&, Answer, Icon, const QString&) override { return ++shown, Answer::No; }
    Answer askOkCancel(const QString&, Answer, Icon, const QString&) override { return Answer::Ok; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return ++shown, std::nullopt;
    }
    QString saveFileName(const QString&, const QString&, const QString&) override { return ++shown, QString(); }
    QStringList openFileNames(const QString&, const QString&, bool) override { return ++shown, QStringList(); }
    bool choosePrinter(QPrinter&) override { return ++shown, false; }
};

struct Program {
    QTemporaryDir dir;
    BenchDialogs dialogs;
    onda::AppState state{dialogs};

    explicit Program(int factor) {
        state.programDirectory = dir.path() + QLatin1Char('/');
        state.databasePath = bench::copyOf(bench::Fixture::at(factor), dir.path(), QStringLiteral("ONDA.mdb"));
        state.store.setDatabasePath(state.databasePath);
        state.session.setClub(bench::kClub);
        state.changeCompetition([](onda::Competition& c) { c.number = bench::kCompetition; });
    }
};

bench::PerSize<Program> program;

void BM_ExportTransferDatabase(benchmark::State& s) {
    Program& p = program(s);
    for (auto _ : s) {
        if (onda::TransferExport(p.state, p.state.dialogs)
                .write(p.state.club, onda::TransferPlace::ProgramFolder)
                .outcome != onda::ExportOutcome::Written)
            s.SkipWithError("export failed");
    }
    if (p.dialogs.shown)
        s.SkipWithError("unexpected dialog");
}
ONDA_SIZED(BM_ExportTransferDatabase, 3);

void BM_BareSqliteAttachCopy(benchmark::State& s) {
    Program& p = program(s);
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
            "CREATE TABLE nprg57 (codatl INTEGER, nome VARCHAR(50), anno SMALLINT, cat VARCHAR(30), soc VARCHAR(10),"
            " sesso VARCHAR(1), spec VARCHAR(50), m DOUBLE, s DOUBLE, status VARCHAR(1), OrdineInserimento INTEGER);"
            "INSERT INTO nprg57 SELECT * FROM src.nprg57 WHERE soc = 'ABC';"
            "CREATE TABLE manif AS SELECT * FROM src.manif WHERE [Numero Prova] = 57;"
            "COMMIT;",
            nullptr, nullptr, nullptr);
        sqlite3_close(db);
        if (rc != SQLITE_OK)
            s.SkipWithError("bare copy failed");
    }
}
ONDA_SIZED(BM_BareSqliteAttachCopy, 3);

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
QString transferFile(const benchmark::State& s) {
    Program& p = program(s);
    const onda::TransferResult written =
        onda::TransferExport(p.state, p.state.dialogs).write(p.state.club, onda::TransferPlace::ProgramFolder);
    return written.outcome == onda::ExportOutcome::Written ? written.path : QString();
}

void BM_FtpPutTransferFile(benchmark::State& s) {
    const QString path = transferFile(s);
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
ONDA_SIZED(BM_FtpPutTransferFile, 3);

void BM_BareCurlUpload(benchmark::State& s) {
    const QString path = transferFile(s);
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
ONDA_SIZED(BM_BareCurlUpload, 3);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bench::Aim transfer{2, 0, true};
    bench::runAndPrint(argc, argv, "The deposit of the club's registrations",
                       {{"transfer file written", "BM_ExportTransferDatabase", "BM_BareSqliteAttachCopy", transfer},
                        {"upload by FTP", "BM_FtpPutTransferFile", "BM_BareCurlUpload", transfer}});
    const int unexpected = program.dialogsShown();
    if (unexpected)
        std::printf("unexpected dialogs: %d\n", unexpected);
    program.clear();
    return unexpected ? 1 : 0;
}
