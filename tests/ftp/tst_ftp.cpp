// The FTP session against a real FTP server on loopback.
#include "FixtureDb.h"

#include "core/Operation.h"
#include "ftp/FTP.h"

#include <curl/curl.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace onda;
using namespace Qt::StringLiterals;

namespace {

// Starts the script beside this file with the system's Python, which has pyftpdlib; 0 when it did not start.
int startServer(QProcess& process, const QStringList& arguments) {
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(u"/usr/bin/python3"_s, QStringList{QStringLiteral(FTP_SERVER_SCRIPT)} + arguments);
    for (int i = 0; i < 100 && !process.canReadLine(); ++i)
        process.waitForReadyRead(100);
    const QByteArray ready = process.readLine().trimmed();
    return ready.startsWith("READY ") ? ready.mid(6).toInt() : 0;
}

void write(const QString& path, const QByteArray& data) {
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()) && writeFileBytes(path, data));
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// The first lines of a report: a refusal by the server has an empty third line.
QStringList report(const QString& msg, const QString& procedure, const QString& number = {}) {
    return {u"Error Msg: "_s + msg, u"Procedure: "_s + procedure,
            number.isEmpty() ? number : u"Error Number: "_s + number,
            u"Error Source: "_s + (number.isEmpty() ? u"Vellorin FTP Class"_s : u"libcurl"_s)};
}

const QByteArray binary("line\r\nwith\0nul\nand LF\r", 22); // arrives unchanged only in a binary transfer

} // namespace

class TestFtp : public QObject {
    Q_OBJECT

    QString local(const QString& name = {}) const { return m_local->filePath(name); }
    QString served(const QString& name) const { return m_root.filePath(name); }
    bool start(FTP& ftp, const QString& user = u"full"_s, int timeout = 5, int port = 0, const QString& proxy = {}) {
        QString error;
        return ftp.FTPInit(u"127.0.0.1"_s, user, u"pw"_s, timeout, port ? port : m_port, proxy, error);
    }

    QTemporaryDir m_root;
    QProcess m_server; // stopped by its destructor
    int m_port = 0;
    std::unique_ptr<QTemporaryDir> m_local;
    onda::ThreadWaiter m_waiter; // timers of this thread run while a command waits

private slots:
    void initTestCase() {
        onda::installWaiter(&m_waiter);
        for (const auto& folder : {"db/temp", "files", "lists/empty", "in"})
            QVERIFY(QDir(m_root.path()).mkpath(QString::fromLatin1(folder)));
        write(served(u"files/new.bin"_s), binary);
        write(served(u"top.bin"_s), "top");
        for (const auto& name : {"a.txt", "B.TXT", "c.dat"})
            write(served(u"lists/mixed/"_s + QString::fromLatin1(name)), name);
        m_port = startServer(m_server, {m_root.path(), u"full:pw:elradfmw"_s, u"reader:pw:elr"_s});
        QVERIFY(m_port > 0);
    }
    void init() { m_local = std::make_unique<QTemporaryDir>(); }

    void initSettings() {
        FTP ftp;
        QString error;
        QVERIFY(ftp.FTPInit(u"127.0.0.1"_s, {}, {}, 0, 0, {}, error) && ftp.settings().requestTimeout == 60);
        for (const auto& [host, port] : {std::pair{"127.0.0.1", 70000}, {"ftp://127.0.0.1/db/temp", 0}, {"", 0}}) {
            QVERIFY(!ftp.FTPInit(QString::fromLatin1(host), {}, {}, 0, port, {}, error));
            QCOMPARE(error.split(u"\r\n"_s).mid(0, 2),
                     report(u"Error initializing FTP connection."_s, u"FTPInitError"_s).mid(0, 2));
        }
    }

    void transfers_data() {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("plain folder") << QString() << u"tXt"_s << QStringList{u"B.TXT"_s, u"a.txt"_s};
        QTest::newRow("folder ending in a separator")
            << u"/"_s << QString() << QStringList{u"B.TXT"_s, u"a.txt"_s, u"c.dat"_s};
    }
    void transfers() {
        QFETCH(QString, suffix);
        QFETCH(QString, pattern);
        QFETCH(QStringList, names);
        write(local(u"first.mdb"_s), binary);
        write(local(u"top.bin"_s), "an older and longer local file");
        FTP ftp;
        QString error;
        QVERIFY(start(ftp) && ftp.FTPPut(local() + suffix, u"first.mdb"_s, u"db/temp"_s, u"transfer.mdb"_s, error));
        QCOMPARE(fileBytes(served(u"db/temp/transfer.mdb"_s)), binary);
        ftp.FTPClose(); // the next transfer opens a new session
        QVERIFY(ftp.FTPGet(local() + suffix, u"top.bin"_s, u"files"_s, error) &&
                ftp.FTPGet(local(), u"new.bin"_s, u"files"_s, error, true));
        QCOMPARE(fileBytes(local(u"top.bin"_s)) + fileBytes(local(u"new.bin"_s)), "top" + binary);
        QVERIFY2(QDir(local()).mkdir(u"sets"_s) && ftp.FTPGetAll(local(u"sets"_s), pattern, u"lists/mixed"_s, error),
                 qPrintable(error));
        QCOMPARE(entries(local(u"sets"_s)), names);
        // No folder named: the current one, not the root.
        QVERIFY(ftp.FTPPut(local(), u"first.mdb"_s, {}, u"here.mdb"_s, error) &&
                fileBytes(served(u"lists/mixed/here.mdb"_s)) == binary);
        QFile::remove(served(u"lists/mixed/here.mdb"_s));
        // Back again; lists/mixed is now the current folder, so the target is named from the root.
        const QString sets = u"sets/"_s + QString::fromLatin1(QTest::currentDataTag());
        QVERIFY2(QDir(m_root.path()).mkpath(sets) && ftp.FTPPutAll(local(u"sets"_s), pattern, u"/"_s + sets, error),
                 qPrintable(error));
        QCOMPARE(entries(served(sets)), names);
        QCOMPARE(entries(local()), QStringList({u"first.mdb"_s, u"new.bin"_s, u"sets"_s, u"top.bin"_s}));
    }

    void failures_data() {
        QTest::addColumn<char>("operation"); // Put, Get or get-All
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("expected"); // the report's first lines
        const QString in = u"in"_s, files = u"files"_s, gone = u"gone.bin"_s, put = u"FTPPut"_s, get = u"FTPGet"_s;
        QTest::newRow("refused account") << 'P' << u"intruder"_s << in << gone
                                         << report(u"530 Authentication failed."_s, put);
        QTest::newRow("refused write") << 'P' << u"reader"_s << in << gone
                                       << report(u"550 Not enough privileges."_s, put);
        QTest::newRow("get of a missing file")
            << 'G' << u"full"_s << files << gone << report(u"550 /files/gone.bin is not retrievable."_s, get);
        // A local folder stands where the file would go: nothing may replace it.
        QTest::newRow("get onto a local folder")
            << 'G' << u"full"_s << files << u"new.bin"_s << report(u"Error during FTP Get operation."_s, get);
        QTest::newRow("get-all of an empty folder")
            << 'A' << u"full"_s << u"lists/empty"_s << QString() << QStringList{u"No files found."_s};
    }
    void failures() {
        QFETCH(char, operation);
        QFETCH(QString, user);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QStringList, expected);
        write(local(u"gone.bin"_s), "old");
        write(local(u"new.bin/inside"_s), "old");
        FTP ftp;
        QString error;
        QVERIFY(start(ftp, user));
        QVERIFY(!(operation == 'P'   ? ftp.FTPPut(local(), name, folder, name, error)
                  : operation == 'G' ? ftp.FTPGet(local(), name, folder, error, true)
                                     : ftp.FTPGetAll(local(), name, folder, error)));
        QCOMPARE(error.split(u"\r\n"_s).mid(0, expected.size()), expected);
        QCOMPARE(entries(local()), QStringList({u"gone.bin"_s, u"new.bin"_s}));
        QCOMPARE(fileBytes(local(u"gone.bin"_s)) + fileBytes(local(u"new.bin/inside"_s)), QByteArray("oldold"));
    }

    void listingLinesAndLocalPaths() {
        // CR LF or LF ends a name; a last name without an end may be cut short.
        QCOMPARE(listingEntries(u"a.txt\r\nb\n\r\n..\r\n../x\r\n"_s), QStringList({u"a.txt"_s, u"b"_s}));
        QCOMPARE(listingEntries(u"a.txt\r\nb.tx"_s), QStringList({u"a.txt"_s}));
        QCOMPARE(reduceDoubledSeparators(u"//server/share//x.mdb"_s), u"//server/share/x.mdb"_s);
    }

    void noAnswer_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("number");
        QTest::newRow("accepts and never answers") << u"mute"_s << int(CURLE_OPERATION_TIMEDOUT);
        QTest::newRow("down") << u"down"_s << int(CURLE_COULDNT_CONNECT);
        QTest::newRow("proxy down") << u"proxy"_s << int(CURLE_COULDNT_CONNECT);
    }
    void noAnswer() {
        QFETCH(QString, server);
        QFETCH(int, number);
        auto mute = std::make_unique<QProcess>();
        const int port = startServer(*mute, {u"--mute"_s});
        QVERIFY(port > 0);
        if (server != u"mute"_s)
            mute.reset(); // nothing listens there any more
        FTP ftp;
        const bool proxied = server == u"proxy"_s;
        QVERIFY(start(ftp, u"full"_s, 2, proxied ? m_port : port,
                      proxied ? u"http://127.0.0.1:%1"_s.arg(port) : QString()));
        // Window events run during the wait, and cannot start a second command meanwhile.
        int ticks = 0;
        QString error, nestedError;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
            if (++ticks == 3)
                ftp.FTPGet(local(), u"top.bin"_s, {}, nestedError);
        });
        timer.start(50);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!ftp.FTPGet(local(), u"top.bin"_s, {}, error) && clock.elapsed() < 6000);
        QVERIFY(server != u"mute"_s || (clock.elapsed() >= 1500 && ticks >= 10 &&
                                        nestedError.endsWith(u"Description: Still executing last request."_s)));
        QCOMPARE(error.split(u"\r\n"_s).mid(0, 4),
                 report(u"Error during FTP Get operation."_s, u"FTPGet"_s, QString::number(number)));
        QCOMPARE(entries(local()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestFtp)
#include "tst_ftp.moc"
