// The HTTP client and the service requests against a server on this computer.
#include "core/Operation.h"
#include "service/HttpClient.h"
#include "service/ServiceClient.h"
#include "service/ServiceFeedback.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace onda;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

enum class Mode { Answer, Slow, ErrorPage, Down, Silent, Hangup, CutShort, Tls }; // Tls: asked for with https

// Answers every request alike, on the test's own event loop: the client under test must keep
// that loop running while it waits.
class LoopbackServer : public QTcpServer {
public:
    LoopbackServer(Mode mode, QByteArray body) {
        listen(QHostAddress::LocalHost);
        base = u"http://127.0.0.1:%1/"_s.arg(serverPort());
        if (mode == Mode::Down)
            close();
        const QByteArray length = QByteArray::number(body.size() + (mode == Mode::CutShort ? 100 : 0));
        const QByteArray reply = QByteArray(mode == Mode::ErrorPage ? "HTTP/1.1 500 X" : "HTTP/1.1 200 X") +
                                 "\r\nContent-Length: " + length + "\r\nConnection: close\r\n\r\n" + body;
        connect(this, &QTcpServer::newConnection, this, [=, this] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [=] {
                socket->readAll(); // a GET of ours fits in one read
                if (mode == Mode::Hangup)
                    socket->abort();
                else if (mode != Mode::Silent)
                    QTimer::singleShot(mode == Mode::Slow ? 300 : 0, socket,
                                       [=] { socket->write(reply), socket->disconnectFromHost(); });
            });
        });
    }
    QString base;
};

class RecordedFeedback : public ServiceFeedback {
public:
    QStringList log;
    void setStatusText(const QString& text) override { log << text; }
    void setBusy(bool busy) override { log << (busy ? u"busy"_s : u"idle"_s); }
    void showMessage(const QString& text) override { log << u"message "_s + text; }
};

} // namespace

class TestServiceHttp : public QObject {
    Q_OBJECT

private slots:
    // The loopback server lives on this thread: it must be served while a request waits.
    void initTestCase() { onda::installWaiter(&m_waiter); }
    void cleanupTestCase() { onda::installWaiter(nullptr); }

    void exchanges_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("served");
        QTest::addColumn<int>("result");
        using S = HttpResult::Status;
        const int ok = int(S::Ok), network = int(S::NetworkError);
        QTest::newRow("body returned") << int(Mode::Answer) << QByteArray("OK\xe8**") << ok;
        QTest::newRow("slow server within time") << int(Mode::Slow) << QByteArray("OK") << ok;
        QTest::newRow("server down") << int(Mode::Down) << QByteArray() << network;
        QTest::newRow("time-out") << int(Mode::Silent) << QByteArray() << int(S::TimedOut);
        QTest::newRow("connection dropped") << int(Mode::Hangup) << QByteArray() << network;
        QTest::newRow("body cut short") << int(Mode::CutShort) << QByteArray("OK") << network;
        QTest::newRow("error page") << int(Mode::ErrorPage) << QByteArray("OK") << int(S::HttpError);
        QTest::newRow("too large") << int(Mode::Answer) << QByteArray(5000, 'x') << int(S::TooLarge);
        QTest::newRow("https: TLS with a plain server") << int(Mode::Tls) << QByteArray("OK") << network;
    }

    void exchanges() {
        QFETCH(int, mode);
        QFETCH(QByteArray, served);
        LoopbackServer server(Mode(mode), served);
        const HttpOptions options{.timeout = 1500ms, .maxBodyBytes = 4096};
        QElapsedTimer clock;
        clock.start();
        const HttpResult got =
            httpGetResult(mode == int(Mode::Tls) ? server.base.replace(u"http"_s, u"https"_s) : server.base, options);
        QTEST(int(got.status), "result");
        QCOMPARE(got.body, got.ok() ? QString::fromLatin1(served) : QString());
        QVERIFY2(clock.elapsed() < 4000, "the time-out bounds the wait");
    }

    void requests_data() {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QByteArray>("answer"); // empty: the server is down
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("feedback");
        const QByteArray closed = "ERRORE=Gara chiusa**";
        // clang-format off
        QTest::newRow("page refused, told") << "page" << closed << "failed"
                                            << "busy|Importo le Iscrizioni|message Attenzione: Gara chiusa";
        QTest::newRow("categories refused, silent") << "categories" << closed << "refused"
                                                    << "busy|Importo le categorie.";
        QTest::newRow("server down") << "races" << QByteArray() << "invalid" << "busy|Importo le Gare|<conn>";
        QTest::newRow("list") << "list" << QByteArray("RESPONSE=OK**MANIF=1|a|b|c|d|e|||$\r\n") << "valid"
                              << "busy|Mi sto collegando a <base>.";
        QTest::newRow("answer without its part") << "races" << QByteArray("RESPONSE=OK**") << "invalid"
                                                 << "busy|Importo le Gare|<conn>";
        QTest::newRow("import not confirmed") << "import" << QByteArray("RESPONSE=OK") << "valid" << "busy";
        QTest::newRow("login, nothing shown") << "login" << QByteArray("OK SOC=ABC**") << "ABC" << "";
        // clang-format on
    }

    void requests() {
        QFETCH(QString, call);
        QFETCH(QByteArray, answer);
        LoopbackServer server(answer.isEmpty() ? Mode::Down : Mode::Answer, answer);
        RecordedFeedback recorder;
        ServiceClient client(server.base, recorder, {.timeout = 5s});
        const RequestValues values{u"mario rossi"_s, u"9"_s, u"012"_s};
        const char* verdicts[] = {"valid", "refused", "invalid"};
        QString outcome;
        if (call == u"page") {
            outcome = client.FetchServicePage(u"p"_s) ? u"valid"_s : u"failed"_s;
        } else if (call == u"categories" || call == u"races") {
            const auto verdict = call == u"races" ? client.races(values).verdict : client.categories(values).verdict;
            outcome = QLatin1String(verdicts[int(verdict)]);
        } else if (call == u"list") {
            const auto reply = client.competitionList(values.userId, values.pin);
            outcome = QLatin1String(verdicts[int(reply.verdict)]);
            QCOMPARE(reply.value.competitions.size(), 1);
        } else if (call == u"import") {
            const auto reply = client.importOrder(values);
            outcome = QLatin1String(verdicts[int(reply.verdict)]);
            QVERIFY(reply.value.isEmpty());
        } else if (call == u"login") {
            outcome = client.loginCheck(values.userId, values.pin).club;
        }
        QTEST(outcome, "outcome");
        QFETCH(QString, feedback);
        feedback.replace(u"<base>"_s, server.base).replace(u"<conn>"_s, u"message "_s + kConnectionMessage);
        QCOMPARE(recorder.log.join(u'|'), feedback);
    }

private:
    onda::ThreadWaiter m_waiter;
};

QTEST_GUILESS_MAIN(TestServiceHttp)
#include "tst_service_http.moc"
