#include "FixtureDb.h"
#include "ScriptedDialogs.h"
#include "app/HelpLinks.h"
#include "app/OptionsFile.h"
#include "app/StartupLogic.h"
#include "core/AppState.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace onda;

class TestStartupLogic : public QObject {
    Q_OBJECT
private slots:
    void findProgramDirectory_data() {
        QTest::addColumn<QString>("exeDir");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("dir");

        // clang-format off
        QTest::newRow("executable's own directory") << "/opt/onda" << "/usr/bin:/opt/pt"
            << QStringList{"/opt/onda/ONDA_link", "/opt/pt/PreTempra"} << true << "/opt/onda/";
        QTest::newRow("own directory already ends with separator") << "/opt/onda/" << ""
            << QStringList{"/opt/onda/ONDA_link"} << true << "/opt/onda/";
        QTest::newRow("last PATH entry, without trailing separator") << "/tmp/x" << "/usr/bin:/opt/pt"
            << QStringList{"/opt/pt/PreTempra"} << true << "/opt/pt/";
        QTest::newRow("PATH entry with trailing separator is not doubled") << "/tmp/x" << "/usr/bin:/opt/pt/:"
            << QStringList{"/opt/pt/PreTempra"} << true << "/opt/pt/";
        QTest::newRow("first hit wins") << "/tmp/x" << "/a:/b"
            << QStringList{"/a/PreTempra", "/b/PreTempra"} << true << "/a/";
        QTest::newRow("empty entry is the root") << "/tmp/x" << "/usr/bin::/opt"
            << QStringList{"/PreTempra"} << true << "/";
        QTest::newRow("no hit") << "/tmp/x" << "/usr/bin:/opt/pt" << QStringList{"/opt/pt/ONDA_link"} << false << "";
        QTest::newRow("empty PATH") << "/tmp/x" << "" << QStringList{"/PreTempra"} << false << "";
        QTest::newRow("companion in own directory does not count") << "/tmp/x" << "/usr/bin"
            << QStringList{"/tmp/x/PreTempra"} << false << "";
        // clang-format on
    }

    void findProgramDirectory() {
        QFETCH(QString, exeDir);
        QFETCH(QString, path);
        QFETCH(QStringList, files);
        QFETCH(bool, found);
        QFETCH(QString, dir);

        const QSet<QString> existing(files.begin(), files.end());
        QStringList asked;
        const auto exists = [&](const QString& f) {
            asked << f;
            return existing.contains(f);
        };
        ProgramDirectoryEnvironment env{exeDir, path, exists, {}, {}, {}};
        QString result = QStringLiteral("unchanged"); // left alone on a miss
        QCOMPARE(FindProgramDirectory(result, env), found);
        QCOMPARE(result, found ? dir : QStringLiteral("unchanged"));
        QVERIFY2(!asked.contains(QStringLiteral("//PreTempra")), "a separator was doubled");
    }

    void chooseProgramDirectory_data() {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("userDirectory");
        QTest::addColumn<QString>("dir"); // empty: no program directory

        // clang-format off
        QTest::newRow("writable: beside the program") << true << "/home/u/d" << "/opt/onda/";
        QTest::newRow("read-only: the user's directory") << false << "/home/u/d" << "/home/u/d/";
        QTest::newRow("user's directory cannot be made") << false << "/ro/d" << "";
        // clang-format on
    }

    void chooseProgramDirectory() {
        QFETCH(bool, writable);
        QFETCH(QString, userDirectory);
        QFETCH(QString, dir);

        QStringList made;
        const auto make = [&](const QString& d) {
            made << d;
            return !d.startsWith(QLatin1String("/ro/"));
        };
        const auto exists = [](const QString&) { return true; };
        const auto canWrite = [=](const QString&) { return writable; };
        ProgramDirectoryEnvironment env{QStringLiteral("/opt/onda"), {}, exists, canWrite, userDirectory, make};
        QString result = QStringLiteral("unchanged");
        QCOMPARE(ChooseProgramDirectory(result, env), !dir.isEmpty());
        QCOMPARE(result, dir.isEmpty() ? QStringLiteral("unchanged") : dir);
        QCOMPARE(made.isEmpty(), writable); // made only when it is used
    }

    void helpPageDirectory() {
        const QString data = installedDataDirectory(QStringLiteral("/usr/bin/"));
        QCOMPARE(data, QStringLiteral("/usr/share/onda-link/"));
        QStringList pages{data + QStringLiteral("istruzioni.htm"), QStringLiteral("/home/u/istruzioni.htm")};
        const auto exists = [&](const QString& f) { return pages.contains(f); };
        const auto chosen = [&] { return onda::helpPageDirectory({QStringLiteral("/home/u"), data}, {}, exists); };
        QCOMPARE(chosen(), QStringLiteral("/home/u"));
        pages.removeLast();
        QCOMPARE(chosen(), data);
        pages.clear();
        QVERIFY(chosen().isEmpty());
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("baseAddress");
        QTest::addColumn<bool>("debug");

        QTest::newRow("none") << QStringList{"ONDA_link"} << kBuiltInAddress << false;
        QTest::newRow("address") << QStringList{"ONDA_link", "http://127.0.0.5/"} << "http://127.0.0.5/" << false;
        QTest::newRow("debug") << QStringList{"ONDA_link", "debug"} << kBuiltInAddress << true;
        QTest::newRow("Debug is not debug") << QStringList{"ONDA_link", "Debug"} << kBuiltInAddress << false;
        QTest::newRow("http inside other text") << QStringList{"ONDA_link", "xxhttpyy"} << "xxhttpyy" << false;
        QTest::newRow("capitals are not http")
            << QStringList{"ONDA_link", "HTTP://SERVER/"} << kBuiltInAddress << false;
        QTest::newRow("several words make one text")
            << QStringList{"ONDA_link", "server", "http://a"} << "server http://a" << false;
        QTest::newRow("debug with more words") << QStringList{"ONDA_link", "debug", "x"} << kBuiltInAddress << false;
    }

    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, baseAddress);
        QFETCH(bool, debug);

        ScriptedDialogs dialogs;
        AppState state(dialogs);
        state.commandLine = commandLineText(arguments);
        QCOMPARE(baseAddressFor(state.commandLine), baseAddress);
        QCOMPARE(state.debugMode(), debug);
    }

    void splashWait_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("step");

        constexpr int day = 24 * 3600 * 1000;
        QTest::newRow("midday") << 12 * 3600 * 1000 << 300;
        QTest::newRow("one tick before midnight") << day - 1 << 450;
    }

    void splashWait() {
        QFETCH(int, start);
        QFETCH(int, step);
        constexpr int day = 24 * 3600 * 1000;

        int now = start;
        int readings = 0;
        const TimeOfDayClock clock = [&] {
            ++readings;
            now = (now + step) % day; // the time of day wraps at midnight
            return now;
        };
        waitPastMark(start, 2000, clock, [] {});
        const int waited = readings * step;
        QVERIFY2(waited > 2000, qPrintable(QStringLiteral("stopped after %1 ms").arg(waited)));
        QVERIFY2(waited <= 2000 + step, qPrintable(QStringLiteral("waited %1 ms").arg(waited)));
        QCOMPARE(elapsedSinceMark(day - 500, 1500), 2000);
    }

    void optionsTextValue_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("value");

        // clang-format off
        QTest::newRow("cut at comma") << "ROSSI, MARIO" << "ROSSI";
        QTest::newRow("leading and trailing blanks") << "   abc  " << "abc";
        QTest::newRow("quoted keeps comma") << "\"a,b\"" << "a,b";
        QTest::newRow("empty") << "" << "";
        // clang-format on
    }

    void optionsTextValue() {
        QFETCH(QString, line);
        QTEST(onda::optionsTextValue(line), "value");
    }

    void optionsFileShortOrDamaged() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("options.txt"));
        // Line 2 is not numbers; the file ends at line 9.
        QVERIFY(
            writeFileBytes(path, "Propaganda\nmolti\nMaster\n3 40\nGenerico\n2 35\n\ncopia@x.it\nUTENTE9, altro\n"));
        Options options;
        options.min1 = 7;
        QVERIFY(readOptionsFile(path, options));
        QCOMPARE(options.min1, 7); // unreadable step skipped, value kept
        QCOMPARE(options.min2, 3);
        QCOMPARE(options.max2, 40);
        QCOMPARE(options.recipientAddress, QStringLiteral("copia@x.it"));
        QCOMPARE(options.userId, std::optional<QString>(QStringLiteral("UTENTE9")));
        QVERIFY(!options.pin.has_value());

        QString user = QStringLiteral("before");
        QString pin = QStringLiteral("pin-before");
        loadOrCreateOptionsFile(dir.path() + QLatin1Char('/'), user, pin, kBuiltInAddress);
        QCOMPARE(user, QStringLiteral("UTENTE9"));
        QCOMPARE(pin, QStringLiteral("pin-before"));

        QVERIFY(!readOptionsFile(dir.filePath(QStringLiteral("missing.txt")), options));
    }
};

QTEST_GUILESS_MAIN(TestStartupLogic)
#include "tst_startuplogic.moc"
