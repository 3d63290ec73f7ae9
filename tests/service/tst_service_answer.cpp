// Request addresses and the reading of the service's answers, without a network.
#include "service/BodyText.h"
#include "service/ServiceAddress.h"
#include "service/ServiceAnswer.h"

#include <QRandomGenerator>
#include <QTest>

using namespace onda;
using namespace Qt::StringLiterals;

namespace {

QString joined(const QStringList& fields) {
    return fields.join(QLatin1Char('/'));
}

// One line per kind of answer, so that the rows below read as the answers they test.
QString summary(const QString& kind, const QString& answer) {
    const auto none = QStringLiteral("none");
    QStringList out;
    if (kind == u"list") {
        const auto list = parseCompetitionList(answer);
        if (!list)
            return none;
        out << QStringLiteral("group ") + list->groupId;
        for (const auto& c : list->competitions)
            out << joined({c.numeroProva, c.nome, c.localita, c.data, c.maxPerClub, c.maxPerAthlete});
    } else if (kind == u"competition") {
        const auto details = parseCompetitionDetails(answer);
        if (!details)
            return none;
        out << (details->limits ? details->limits->perClub + u'/' + details->limits->perAthlete : none);
    } else if (kind == u"categories") {
        const auto categories = parseCategories(answer);
        if (!categories)
            return none;
        for (const auto& c : categories->categories)
            out << joined({c.sesso, c.categoria, c.annoIni, c.annoFin});
    } else if (kind == u"races") {
        const auto races = parseRaces(answer);
        if (!races)
            return none;
        if (races->noRacesDefined())
            out << QStringLiteral("no races");
        for (const auto& r : races->races)
            out << joined({r.ordineGara, r.gara, r.categoria, r.sesso});
    } else if (kind == u"registrations") {
        const auto reg = parseRegistrations(answer);
        if (!reg)
            return none;
        out << QString::number(reg->lineCount) + QStringLiteral(" lines");
        for (const auto& r : reg->registrations)
            out << joined({r.codatl, r.nome, r.soc, r.cat, r.anno, r.sesso, r.spec, r.m, r.s, r.status});
    } else if (kind == u"note") {
        return parseNote(answer).value_or(none);
    } else if (kind == u"import") {
        return parseImportStatus(answer).value_or(none);
    } else if (kind == u"login") {
        const LoginAnswer login = parseLoginAnswer(answer);
        const char* verdicts[] = {"refused", "accepted", "rejected"};
        return QLatin1String(verdicts[int(login.verdict)]) + u':' + login.serviceMessage + login.club;
    }
    return out.join(u';');
}

} // namespace

class TestServiceAnswer : public QObject {
    Q_OBJECT

private slots:
    void addresses_data();
    void addresses();
    void pages();
    void screening_data();
    void screening();
    void answers_data();
    void answers();
    void brokenAnswersNeverFail();
    void bodyText_data();
    void bodyText();
};

void TestServiceAnswer::addresses_data() {
    QTest::addColumn<int>("request");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("manifId");
    QTest::addColumn<QString>("expected");
    const QString root = QStringLiteral("http://h/");
    QTest::newRow("login: blanks and query characters of the credentials encoded")
        << int(ServiceRequest::LoginCheck) << root << QString()
        << "http://h//OndaNet/TempraInt/getManifestazioni.asp?user=mario%20rossi&PIN=1%262%2B3";
    QTest::newRow("list: blanks encoded too")
        << int(ServiceRequest::CompetitionList) << root << QString()
        << "http://h//OndaNet/TempraInt/getManifestazioni.asp?user=mario%20rossi&PIN=1%262%2B3";
    QTest::newRow("races: number as shown")
        << int(ServiceRequest::Races) << root << "012"
        << "http://h//OndaNet/TempraInt/getProgrammi.asp?ManifID=012&user=mario%20rossi&PIN=1%262%2B3";
    QTest::newRow("import order: number as value")
        << int(ServiceRequest::ImportOrder) << root << "012"
        << "http://h//OndaNet/TempraInt/putIscrizioni.asp?ID=12&user=mario%20rossi&PIN=1%262%2B3"
           "&Fname=/db/temp/transfer.mdb&nprova=12";
    QTest::newRow("import order: no competition")
        << int(ServiceRequest::ImportOrder) << "http://h" << QString()
        << "http://h/OndaNet/TempraInt/putIscrizioni.asp?ID=0&user=mario%20rossi&PIN=1%262%2B3"
           "&Fname=/db/temp/transfer.mdb&nprova=0";
    QTest::newRow("note: blank in the base")
        << int(ServiceRequest::Note) << "http://h/a b/"
        << "7"
        << "http://h/a%20b//OndaNet/TempraInt/getNota.asp?ManifID=7&user=mario%20rossi&PIN=1%262%2B3";
}

void TestServiceAnswer::addresses() {
    QFETCH(int, request);
    QFETCH(QString, base);
    QFETCH(QString, manifId);
    const RequestValues values{QStringLiteral("mario rossi"), QStringLiteral("1&2+3"), manifId};
    QFETCH(QString, expected);
    QCOMPARE(requestAddress(base, ServiceRequest(request), values), expected);
}

void TestServiceAnswer::pages() {
    QCOMPARE(clubRegistrationsPage(QStringLiteral("http://h/"), QStringLiteral("012"), QStringLiteral("A B")),
             QStringLiteral("http://h//ondanet/Manifestazioni/iscrizioni_S.asp?manifID=012&MODE=view&soc=A%20B"));
    QCOMPARE(publicCompetitionListPage(QStringLiteral("http://h/x y")),
             QStringLiteral("http://h/x%20y/Ondanet/public/SceltaManifPub.asp?GruppoID=10"));
}

void TestServiceAnswer::screening_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("message");
    const int valid = int(AnswerVerdict::Valid), refused = int(AnswerVerdict::Refused),
              invalid = int(AnswerVerdict::Invalid);
    QTest::newRow("empty") << QString() << invalid << QString();
    QTest::newRow("valid") << "RESPONSE=OK**MANIF=$\r\n" << valid << QString();
    QTest::newRow("error wins over RESPONSE") << "RESPONSE=OK**ERRORE=PIN errato**" << refused << "PIN errato";
    QTest::newRow("empty error text") << "ERRORE=**" << refused << QString();
    QTest::newRow("close before the error is not its end") << "**ERRORE=Gara chiusa**x" << refused << "Gara chiusa";
    QTest::newRow("ERRORE without its text") << "ERRORE RESPONSE=OK**" << invalid << QString();
    QTest::newRow("error cut short") << "RESPONSE=ERRORE=Gara chiu" << invalid << QString();
    QTest::newRow("binary") << QString::fromLatin1("\0\xff\x01RESP\x80", 8) << invalid << QString();
}

void TestServiceAnswer::screening() {
    QFETCH(QString, answer);
    const Screening screening = screenAnswer(answer);
    QTEST(int(screening.verdict), "verdict");
    QTEST(screening.serviceMessage, "message");
}

void TestServiceAnswer::answers_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");
    QTest::newRow("list: limits from fields 7 and 8, short record left out")
        << "list"
        << "gruppoID=10 order=1 RESPONSE=OK**MANIF=57|Trofeo|Roma|01/05/2024|a|b|20|4|$"
           "58|Coppa|Bari|02/06/2024|a|b|||$59|corto|$\r\n"
        << "group 10;57/Trofeo/Roma/01/05/2024/20/4;58/Coppa/Bari/02/06/2024//";
    QTest::newRow("list: no group id") << "list"
                                       << "RESPONSE=OK**MANIF=\r\n"
                                       << "group ";
    QTest::newRow("list: no MANIF=") << "list"
                                     << "RESPONSE=OK**"
                                     << "none";
    QTest::newRow("competition: limits from fields 6 and 7, last record wins")
        << "competition"
        << "RESPONSE=OK**MANIF=57|T|R|D|a|30|5|$57|T|R|D|a|40|6|$corto|$\r\n"
        << "40/6";
    QTest::newRow("competition: no record") << "competition"
                                            << "RESPONSE=OK**MANIF=\r\n"
                                            << "none";
    QTest::newRow("categories: last record without its $")
        << "categories"
        << "RESPONSE=OK**CATEGORIE=M|Ragazzi|2010|2011|$F|Juniores|2008|2009|\r\n"
        << "M/Ragazzi/2010/2011";
    QTest::newRow("categories: empty payload") << "categories"
                                               << "RESPONSE=OK**CATEGORIE=\r\n"
                                               << "";
    QTest::newRow("races: only the skipped line end") << "races"
                                                      << "RESPONSE=OK**PROGRAMMI=\r\n"
                                                      << "no races";
    QTest::newRow("races: short line left out")
        << "races"
        << "RESPONSE=OK**PROGRAMMI=\r\n1\t100 SL\tRag\tM\r\nrotta\r\n2\t50 DO\tJun\tF\r\n\r\n"
        << "1/100 SL/Rag/M;2/50 DO/Jun/F";
    QTest::newRow("registrations: decimal comma, line without status counted but left out")
        << "registrations"
        << "RESPONSE=OK**ISCRIZIONI=\r\n\tROSSI MARIO\tABC\tRag\t2010\tM\t100SL\t1\t12,34\tp\r\n"
           "123\tBIANCHI\tABC\tRag\t2010\tF\t50DO\t0\t35,5\r\n\r\n"
        << "2 lines;/ROSSI MARIO/ABC/Rag/2010/M/100SL/1/12.34/p";
    QTest::newRow("note") << "note"
                          << "RESPONSE=OK**NOTA=Vasca da 25 m\r\n**"
                          << "Vasca da 25 m";
    QTest::newRow("note: four characters") << "note"
                                           << "RESPONSE=OK**NOTA=abcd"
                                           << "";
    QTest::newRow("note: fewer") << "note"
                                 << "RESPONSE=OK**NOTA=ab"
                                 << "";
    QTest::newRow("import accepted") << "import"
                                     << "RESPONSE=OK**"
                                     << "OK";
    QTest::newRow("import refused") << "import"
                                    << "RESPONSE=File non trovato**"
                                    << "File non trovato";
    QTest::newRow("import status cut short") << "import"
                                             << "RESPONSE=OK"
                                             << "none";
    QTest::newRow("login: ERRORE and OK") << "login"
                                          << "ERRORE=PIN scaduto** OK SOC=ABC**"
                                          << "refused:PIN scaduto";
    QTest::newRow("login: club") << "login"
                                 << "RESPONSE=OK**SOC=ABC 12**"
                                 << "accepted:ABC 12";
    QTest::newRow("login: OK without club") << "login"
                                            << "RESPONSE=OK**"
                                            << "rejected:";
    QTest::newRow("login: empty club") << "login"
                                       << "OK SOC=**"
                                       << "rejected:";
    QTest::newRow("login: no answer") << "login"
                                      << ""
                                      << "rejected:";
}

void TestServiceAnswer::answers() {
    QFETCH(QString, kind);
    QFETCH(QString, answer);
    QTEST(summary(kind, answer), "expected");
}

// Every prefix of a full answer, and random bytes, through every reader.
void TestServiceAnswer::brokenAnswersNeverFail() {
    const QString full =
        QStringLiteral("gruppoID=1 order RESPONSE=OK**SOC=A**MANIF=1|a|b|c|d|e|f|g|$CATEGORIE=M|R|1|2|$"
                       "PROGRAMMI=\r\n1\t2\t3\t4\r\nISCRIZIONI=\r\n1\t2\t3\t4\t5\t6\t7\t8\t9,1\t"
                       "p\r\nNOTA=ciao\r\n**ERRORE=x**");
    const QStringList kinds{u"list"_s,          u"competition"_s, u"categories"_s, u"races"_s,
                            u"registrations"_s, u"note"_s,        u"import"_s,     u"login"_s};
    QRandomGenerator random(7);
    for (int i = 0; i < 3000; ++i) {
        QByteArray bytes(int(random.bounded(64)), Qt::Uninitialized);
        for (char& b : bytes)
            b = char(random.bounded(256));
        const QString answer = i <= full.size() ? full.left(i) : onda::bodyText(bytes) + full.mid(i % full.size());
        screenAnswer(answer);
        for (const QString& kind : kinds)
            summary(kind, answer);
    }
}

void TestServiceAnswer::bodyText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-8") << QByteArray("Nicol\xc3\xb2") << u"Nicolò"_s;
    QTest::newRow("Windows-1252") << QByteArray("Nicol\xf2 \x80") << u"Nicolò €"_s;
    QTest::newRow("NUL kept") << QByteArray("a\0b", 3) << QStringView(u"a\0b", 3).toString();
}

void TestServiceAnswer::bodyText() {
    QFETCH(QByteArray, bytes);
    QTEST(onda::bodyText(bytes), "text");
}

QTEST_GUILESS_MAIN(TestServiceAnswer)
#include "tst_service_answer.moc"
