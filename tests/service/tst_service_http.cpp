// The HTTP client and the service requests against a server on this computer.
#include "LoopbackServer.h"

#include "service/HttpClient.h"
#include "service/ServiceClient.h"
#include "service/ServiceFeedback.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace onda;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

class RecordedFeedback : public ServiceFeedback {
public:
    QStringList log;
    void setStatusText(const QString& text) override { log << u"status:"_s + text; }
    void setBusy(bool busy) override { log << (busy ? u"busy"_s : u"idle"_s); }
    void processEvents() override { log << u"events"_s; }
    void showMessage(const QString& text) override { log << u"message:"_s + text; }
};

const char* verdictName(AnswerVerdict v) {
    return v == AnswerVerdict::Valid ? "valid" : v == AnswerVerdict::Refused ? "refused" : "invalid";
}

} // namespace

class TestServiceHttp : public QObject {
    Q_OBJECT

private slots:
    void exchanges_data();
    void exchanges();
    void httpsAddress();
    void requests_data();
    void requests();
};

void TestServiceHttp::exchanges_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("down");
    QTest::addColumn<QByteArray>("served");
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("result");
    using M = LoopbackServer::Mode;
    using S = HttpResult::Status;
    QTest::newRow("body returned") << int(M::Answer) << 200 << 0 << false << QByteArray("RESPONSE=OK\xe8**")
                                   << "RESPONSE=OKè**" << int(S::Ok);
    QTest::newRow("slow server within time")
        << int(M::Answer) << 200 << 300 << false << QByteArray("lento") << "lento" << int(S::Ok);
    QTest::newRow("server down") << int(M::Answer) << 200 << 0 << true << QByteArray() << "" << int(S::NetworkError);
    QTest::newRow("silent server: time-out")
        << int(M::Silent) << 200 << 0 << false << QByteArray() << "" << int(S::TimedOut);
    QTest::newRow("connection dropped") << int(M::Hangup) << 200 << 0 << false << QByteArray() << ""
                                        << int(S::NetworkError);
    QTest::newRow("body cut short") << int(M::CutShort) << 200 << 0 << false << QByteArray("RESPONSE=OK**") << ""
                                    << int(S::NetworkError);
    QTest::newRow("error page") << int(M::Answer) << 500 << 0 << false << QByteArray("RESPONSE=OK**") << ""
                                << int(S::HttpError);
    QTest::newRow("too large") << int(M::Answer) << 200 << 0 << false << QByteArray(5000, 'x') << ""
                               << int(S::TooLarge);
}

void TestServiceHttp::exchanges() {
    QFETCH(int, mode);
    QFETCH(int, status);
    QFETCH(int, delayMs);
    QFETCH(bool, down);
    QFETCH(QString, body);
    QFETCH(QByteArray, served);
    LoopbackServer server(LoopbackServer::Mode(mode), served, status, delayMs);
    const QString base = server.base();
    if (down)
        server.close();

    HttpOptions options;
    options.timeout = 1500ms;
    options.maxBodyBytes = 4096;
    QElapsedTimer clock;
    clock.start();
    const HttpResult result = httpGetResult(base + u"x"_s, options);
    QTEST(int(result.status), "result");
    QCOMPARE(result.body, body);
    QVERIFY2(clock.elapsed() < 4000, "the time-out bounds the wait");
}

// The https form goes through TLS: with a plain server it fails cleanly, with a TLS server it
// needs the certificate to be trusted.
void TestServiceHttp::httpsAddress() {
    LoopbackServer plain(LoopbackServer::Mode::Answer, "RESPONSE=OK**");
    HttpOptions options;
    options.timeout = 3s;
    const QString plainAddress = plain.base().replace(u"http:"_s, u"https:"_s);
    QCOMPARE(int(httpGetResult(plainAddress, options).status), int(HttpResult::Status::NetworkError));

    const QString openssl = QStandardPaths::findExecutable(u"openssl"_s);
    const QString python = QStandardPaths::findExecutable(u"python3"_s);
    if (openssl.isEmpty() || python.isEmpty())
        QSKIP("openssl or python3 missing: no TLS server");
    QTemporaryDir dir;
    const QString cert = dir.filePath(u"cert.pem"_s), key = dir.filePath(u"key.pem"_s);
    QCOMPARE(QProcess::execute(openssl, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-days"_s,
                                         u"2"_s, u"-subj"_s, u"/CN=127.0.0.1"_s, u"-addext"_s,
                                         u"subjectAltName=IP:127.0.0.1"_s, u"-keyout"_s, key, u"-out"_s, cert}),
             0);
    QProcess server;
    server.start(python, {u"-c"_s, uR"py(
import http.server, ssl, sys
class H(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200); self.send_header("Content-Length", "13"); self.end_headers()
        self.wfile.write(b"RESPONSE=OK**")
s = http.server.HTTPServer(("127.0.0.1", 0), H)
c = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER); c.load_cert_chain(sys.argv[1], sys.argv[2])
s.socket = c.wrap_socket(s.socket, server_side=True)
print(s.server_port, flush=True)
s.timeout = 10
s.handle_request(); s.handle_request()
)py"_s,
                          cert, key});
    QVERIFY(server.waitForReadyRead(10000));
    const QString address = u"https://127.0.0.1:%1/x"_s.arg(server.readLine().trimmed().toInt());
    QCOMPARE(int(httpGetResult(address, options).status), int(HttpResult::Status::NetworkError)); // not trusted
    options.caFile = cert;
    QCOMPARE(httpGet(address, options), u"RESPONSE=OK**"_s);
    QVERIFY(server.waitForFinished(10000));
}

void TestServiceHttp::requests_data() {
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("answer"); // empty: the server is down
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QStringList>("feedback");
    const QString connection = u"message:"_s + kConnectionMessage;
    QTest::newRow("page refused, told") << "page"
                                        << "ERRORE=Gara chiusa**"
                                        << "failed"
                                        << QStringList{"busy", "status:Importo le Iscrizioni", "events",
                                                       "message:Attenzione: Gara chiusa"};
    QTest::newRow("categories refused, silent")
        << "categories"
        << "ERRORE=Gara chiusa**"
        << "refused" << QStringList{"busy", "status:Importo le categorie.", "events"};
    QTest::newRow("races, server down") << "races"
                                        << ""
                                        << "invalid"
                                        << QStringList{"busy", "status:Importo le Gare", "events", connection};
    QTest::newRow("list") << "list"
                          << "RESPONSE=OK**MANIF=1|a|b|c|d|e|||$\r\n"
                          << "valid 1" << QStringList{"busy", "status:Mi sto collegando a <base>.", "events"};
    QTest::newRow("valid answer without its part")
        << "registrations"
        << "RESPONSE=OK**"
        << "invalid" << QStringList{"busy", "status:Importo le Iscrizioni", "events", connection};
    QTest::newRow("import order not confirmed") << "import"
                                                << "RESPONSE=KO"
                                                << "valid " << QStringList{"busy", "events"};
    QTest::newRow("login, nothing shown") << "login"
                                          << "RESPONSE=OK**SOC=ABC**"
                                          << "ABC" << QStringList{"events"};
}

void TestServiceHttp::requests() {
    QFETCH(QString, call);
    QFETCH(QString, answer);
    LoopbackServer server(LoopbackServer::Mode::Answer, answer.toUtf8());
    const QString base = server.base();
    if (answer.isEmpty())
        server.close();
    RecordedFeedback recorder;
    HttpOptions options;
    options.timeout = 5s;
    ServiceClient client(base, recorder, options);
    const RequestValues values{u"mario rossi"_s, u"9"_s, u"012"_s};

    QString outcome;
    if (call == u"page") {
        outcome = client.FetchServicePage(u"p"_s) ? u"valid"_s : u"failed"_s;
    } else if (call == u"categories") {
        outcome = QLatin1String(verdictName(client.categories(values).verdict));
    } else if (call == u"races") {
        outcome = QLatin1String(verdictName(client.races(values).verdict));
    } else if (call == u"registrations") {
        outcome = QLatin1String(verdictName(client.registrations(values).verdict));
    } else if (call == u"list") {
        const auto reply = client.competitionList(values.userId, values.pin);
        outcome = QLatin1String(verdictName(reply.verdict)) + u' ' + QString::number(reply.value.competitions.size());
        QCOMPARE(server.lastTarget, QByteArray("//OndaNet/TempraInt/getManifestazioni.asp?user=mario%20rossi&PIN=9"));
    } else if (call == u"import") {
        const auto reply = client.importOrder(values);
        outcome = QLatin1String(verdictName(reply.verdict)) + u' ' + reply.value;
        QVERIFY(server.lastTarget.contains("?ID=12&") && server.lastTarget.endsWith("&nprova=12"));
    } else if (call == u"login") {
        outcome = client.loginCheck(values.userId, values.pin).club;
    }
    QTEST(outcome, "outcome");
    QFETCH(QStringList, feedback);
    QCOMPARE(recorder.log.join(u'|'), feedback.join(u'|').replace(u"<base>"_s, base));
}

QTEST_GUILESS_MAIN(TestServiceHttp)
#include "tst_service_http.moc"
