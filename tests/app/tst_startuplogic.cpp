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
using namespace Qt::StringLiterals;

class TestStartupLogic : public QObject {
    Q_OBJECT
    static constexpr int day = 24 * 3600 * 1000;
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
        QString result = u"unchanged"_s; // left alone on a miss
        QCOMPARE(FindProgramDirectory(result, env), found);
        QCOMPARE(result, found ? dir : u"unchanged"_s);
        QVERIFY2(!asked.contains(u"//PreTempra"_s), "a separator was doubled");
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
        ProgramDirectoryEnvironment env{u"/opt/onda"_s, {}, exists, canWrite, userDirectory, make};
        QString result = u"unchanged"_s;
        QCOMPARE(ChooseProgramDirectory(result, env), !dir.isEmpty());
        QCOMPARE(result, dir.isEmpty() ? u"unchanged"_s : dir);
        QCOMPARE(made.isEmpty(), writable); // made only when it is used
    }

    void helpPageDirectory() {
        const QString data = installedDataDirectory(u"/usr/bin/"_s);
        QCOMPARE(data, u"/usr/share/onda-link/"_s);
        QStringList pages{data + u"istruzioni.htm"_s, u"/home/u/istruzioni.htm"_s};
        const auto exists = [&](const QString& f) { return pages.contains(f); };
        const auto chosen = [&] { return onda::helpPageDirectory({u"/home/u"_s, data}, {}, exists); };
        QCOMPARE(chosen(), u"/home/u"_s);
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
        ScriptedDialogs dialogs;
        AppState state(dialogs);
        state.commandLine = commandLineText(arguments);
        QTEST(baseAddressFor(state.commandLine), "baseAddress");
        QTEST(state.debugMode(), "debug");
    }

    void splashWait_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("step");

        QTest::newRow("midday") << 12 * 3600 * 1000 << 300;
        QTest::newRow("one tick before midnight") << day - 1 << 450;
    }

    void splashWait() {
        QFETCH(int, start);
        QFETCH(int, step);

        int now = start;
        int readings = 0;
        const TimeOfDayClock clock = [&] {
            ++readings;
            now = (now + step) % day; // the time of day wraps at midnight
            return now;
        };
        waitPastMark(start, 2000, clock, [] {});
        const int waited = readings * step;
        QVERIFY2(waited > 2000 && waited <= 2000 + step, qPrintable(u"waited %1 ms"_s.arg(waited)));
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
        const QString path = dir.filePath(u"options.txt"_s);
        // Line 2 is not numbers; the file ends at line 9.
        QVERIFY(
            writeFileBytes(path, "Propaganda\nmolti\nMaster\n3 40\nGenerico\n2 35\n\ncopia@x.it\nUTENTE9, altro\n"));
        Options options;
        options.min1 = 7;
        QVERIFY(readOptionsFile(path, options));
        // The unreadable step is skipped, its value kept.
        QCOMPARE((QList<int>{options.min1, options.min2, options.max2}), (QList<int>{7, 3, 40}));
        QCOMPARE(options.recipientAddress, u"copia@x.it"_s);
        QVERIFY(options.userId == u"UTENTE9"_s && !options.pin.has_value());

        QString user = u"before"_s, pin = u"pin-before"_s;
        loadOrCreateOptionsFile(dir.path() + QLatin1Char('/'), user, pin, kBuiltInAddress);
        QCOMPARE((QStringList{user, pin}), (QStringList{"UTENTE9", "pin-before"}));

        QVERIFY(!readOptionsFile(dir.filePath(u"missing.txt"_s), options));
    }
};

QTEST_GUILESS_MAIN(TestStartupLogic)
#include "tst_startuplogic.moc"
