// Request addresses and the reading of the service's answers, without a network.
#include "service/BodyText.h"
#include "service/ServiceAddress.h"
#include "service/ServiceAnswer.h"

#include <QTest>

using namespace onda;
using namespace Qt::StringLiterals;

class TestServiceAnswer : public QObject {
    Q_OBJECT

private slots:
    void addresses_data() {
        QTest::addColumn<int>("request");
        QTest::addColumn<QString>("manifId");
        QTest::addColumn<QString>("path");
        using R = ServiceRequest;
        const QString fname = u"&Fname=/db/temp/transfer.mdb&nprova="_s;
        // clang-format off
        QTest::newRow("login") << int(R::LoginCheck) << "" << "getManifestazioni.asp?user=a%20b&PIN=1%26%2B";
        QTest::newRow("races") << int(R::Races) << "012" << "getProgrammi.asp?ManifID=012&user=a%20b&PIN=1%26%2B";
        QTest::newRow("import") << int(R::ImportOrder) << "012"
                                << "putIscrizioni.asp?ID=12&user=a%20b&PIN=1%26%2B" + fname + "12";
        QTest::newRow("import, no competition") << int(R::ImportOrder) << ""
                                                << "putIscrizioni.asp?ID=0&user=a%20b&PIN=1%26%2B" + fname + "0";
        // clang-format on
    }

    // Blanks and query characters of the values are encoded, the "//" at the seam is kept.
    void addresses() {
        QFETCH(int, request);
        QFETCH(QString, manifId);
        QFETCH(QString, path);
        const RequestValues values{u"a b"_s, u"1&+"_s, manifId};
        QCOMPARE(requestAddress(u"http://h/a b/"_s, ServiceRequest(request), values),
                 u"http://h/a%20b//OndaNet/TempraInt/"_s + path);
    }

    void screening_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QString>("message");
        const int valid = int(AnswerVerdict::Valid), refused = int(AnswerVerdict::Refused),
                  invalid = int(AnswerVerdict::Invalid);
        QTest::newRow("empty") << "" << invalid << "";
        QTest::newRow("valid") << "RESPONSE=OK**MANIF=$\r\n" << valid << "";
        QTest::newRow("error before RESPONSE") << "RESPONSE=OK**ERRORE=PIN errato**" << refused << "PIN errato";
        QTest::newRow("close before the error") << "**ERRORE=Gara chiusa**x" << refused << "Gara chiusa";
        QTest::newRow("ERRORE without text") << "ERRORE RESPONSE=OK**" << invalid << "";
        QTest::newRow("error cut short") << "RESPONSE=ERRORE=Gara chiu" << invalid << "";
        QTest::newRow("binary") << QString::fromLatin1("\0\xff\x01RESP\x80", 8) << invalid << "";
    }

    void screening() {
        QFETCH(QString, answer);
        const Screening screening = screenAnswer(answer);
        QTEST(int(screening.verdict), "verdict");
        QTEST(screening.serviceMessage, "message");
    }

    void records_data() {
        QTest::addColumn<int>("marker");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("records"); // fields joined by "/", records by ";"
        const int categorie = int(PayloadMarker::Categorie), programmi = int(PayloadMarker::Programmi),
                  nota = int(PayloadMarker::Nota);
        // clang-format off
        QTest::newRow("last without $") << categorie << "RESPONSE=OK**CATEGORIE=M|R|2010|$F|J|2008|\r\n" << "M/R/2010/";
        QTest::newRow("races: only the skipped line end") << programmi << "RESPONSE=OK**PROGRAMMI=\r\n" << "";
        QTest::newRow("races") << programmi << "RESPONSE=OK**PROGRAMMI=\r\n1\t100\r\n2\t50\r\nx\r\n" << "1/100;2/50";
        QTest::newRow("marker missing") << categorie << "RESPONSE=OK**" << "none";
        QTest::newRow("note") << nota << "NOTA=Vasca da 25 m\r\n**" << "Vasca da 25 m";
        QTest::newRow("note of four characters") << nota << "NOTA=abcd" << "";
        QTest::newRow("note of fewer") << nota << "NOTA=ab" << "";
        // clang-format on
    }

    void records() {
        QFETCH(int, marker);
        QFETCH(QString, answer);
        const auto payload = cutPayload(answer, PayloadMarker(marker));
        QStringList out;
        for (const QStringList& fields : splitRecords(payload.value_or(QString()), PayloadMarker(marker)))
            out << fields.join(u'/');
        if (marker == int(PayloadMarker::Nota) && payload)
            out << *payload;
        QTEST(payload ? out.join(u';') : u"none"_s, "records");
    }

    void fieldPositions() {
        const auto list = parseCompetitionList(u"gruppoID=10 order RESPONSE=OK**MANIF=57|T|R|D|a|b|20|4|$"
                                               "58|C|B|D|a|b|||$59|short|$\r\n"_s);
        QVERIFY(list->groupId == u"10"_s && list->competitions.size() == 2 &&
                list->competitions[0].maxPerClub + u'/' + list->competitions[0].maxPerAthlete == u"20/4"_s);
        QVERIFY(list->competitions[1].maxPerClub.isEmpty() && list->competitions[1].maxPerAthlete.isEmpty());
        const auto one = parseCompetitionDetails(u"RESPONSE=OK**MANIF=57|T|R|D|a|30|5|$57|T|R|D|a|40|6|$x|$\r\n"_s);
        QVERIFY(one->limits->perClub + u'/' + one->limits->perAthlete == u"40/6"_s &&
                !parseCompetitionDetails(u"RESPONSE=OK**MANIF=\r\n"_s)->limits);

        // A line of nine fields has no status: counted, not imported.
        const auto reg =
            parseRegistrations(u"RESPONSE=OK**ISCRIZIONI=\r\n\tROSSI\tABC\tRag\t2010\tM\t100SL\t1\t12,34\tp\r\n"
                               "123\tBIANCHI\tABC\tRag\t2010\tF\t50DO\t0\t35,5\r\n\r\n"_s);
        QVERIFY(reg->lineCount == 2 && reg->registrations.size() == 1 && reg->registrations[0].codatl.isEmpty());
        QVERIFY(reg->registrations[0].s + reg->registrations[0].status == u"12.34p"_s &&
                parseRaces(u"RESPONSE=OK**PROGRAMMI=\r\n"_s)->noRacesDefined());

        QCOMPARE(parseLoginAnswer(u"RESPONSE=OK**SOC=ABC 1**"_s).club, u"ABC 1"_s);
        QVERIFY(parseLoginAnswer(u"ERRORE=PIN scaduto** OK SOC=ABC**"_s).verdict == LoginVerdict::Refused &&
                parseLoginAnswer(u"OK SOC=**"_s).verdict == LoginVerdict::Rejected);
        QVERIFY(parseImportStatus(u"RESPONSE=File non trovato**"_s) == u"File non trovato"_s &&
                !parseImportStatus(u"RESPONSE=OK"_s));
    }

    void bodyText() {
        QCOMPARE(onda::bodyText("Nicol\xc3\xb2"), u"Nicolò"_s);
        QCOMPARE(onda::bodyText("Nicol\xf2 \x80"), u"Nicolò €"_s); // not UTF-8: Windows-1252
        QCOMPARE(onda::bodyText(QByteArray("a\0b", 3)), QStringView(u"a\0b", 3).toString());
        QCOMPARE(onda::bodyText("\xef\xbb\xbfNICOL\xc3\x92\r\nPER\xd2\r\n\xc3\x92"),
                 u"NICOLÒ\r\nPERÒ\r\nÒ"_s); // line by line
    }
};

QTEST_GUILESS_MAIN(TestServiceAnswer)
#include "tst_service_answer.moc"
