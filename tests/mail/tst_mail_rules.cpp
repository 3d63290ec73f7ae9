// The recipient lists and texts of the registration mail.
#include "core/AppState.h"
#include "core/ProgramValues.h"
#include "mail/MailMessage.h"
#include "mail/RegistrationMail.h"

#include <QTest>

using namespace onda;

class TestMailRules : public QObject {
    Q_OBJECT
private slots:
    void token_data();
    void token();
    void recipients_data();
    void recipients();
    void errorNumber_data();
    void errorNumber();
    void emptyNoteEndsTheSummaryWithALineBreak();
    void sentTextKeepsDotsOfTheNoteAndList();
};

void TestMailRules::token_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("rest");
    QTest::newRow("first of two") << "a@x;b@x"
                                  << ";"
                                  << "a@x"
                                  << "b@x";
    QTest::newRow("no separator") << "a@x"
                                  << ";"
                                  << "a@x"
                                  << "";
    QTest::newRow("leading separator") << ";b@x"
                                       << ";"
                                       << ""
                                       << "b@x";
    QTest::newRow("closing separator") << "a@x;"
                                       << ";"
                                       << "a@x"
                                       << "";
    QTest::newRow("longer separator") << "a, b, c"
                                      << ", "
                                      << "a"
                                      << "b, c";
    QTest::newRow("empty") << ""
                           << ";"
                           << ""
                           << "";
}

void TestMailRules::token() {
    QFETCH(QString, text);
    QFETCH(QString, separator);
    const QString head = Token(text, separator);
    QTEST(head, "head");
    QTEST(text, "rest");
}

void TestMailRules::recipients_data() {
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("copy");
    QTest::addColumn<QStringList>("expected"); // type:name in order
    QTest::newRow("three trimmed") << " a@x.example ;b@x.example;  c@x.example "
                                   << "" << QStringList{"1:a@x.example", "1:b@x.example", "1:c@x.example"};
    QTest::newRow("copies after primaries") << "a@x"
                                            << "c@x; d@x" << QStringList{"1:a@x", "2:c@x", "2:d@x"};
    QTest::newRow("empty places skipped") << "a@x;; ;b@x;"
                                          << ";" << QStringList{"1:a@x", "1:b@x"};
    QTest::newRow("apostrophe kept") << "d'angelo@x.example"
                                     << "" << QStringList{"1:d'angelo@x.example"};
}

void TestMailRules::recipients() {
    QFETCH(QString, to);
    QFETCH(QString, copy);
    MailMessage message;
    message.recipients.append({QStringLiteral("left@over"), MailRecipient::Copy, false}); // from an earlier send
    CopyNamestoMsgBuffer(message, to, copy, true);
    QStringList got;
    for (const MailRecipient& r : message.recipients) {
        got << QString::number(r.type) + u':' + r.name;
        QVERIFY(r.resolve);
    }
    QTEST(got, "expected");
}

void TestMailRules::errorNumber_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("positive") << 55 << "Errore durante l'invio:  55";
    QTest::newRow("zero") << 0 << "Errore durante l'invio:  0";
    QTest::newRow("negative") << -1 << "Errore durante l'invio: -1";
}

void TestMailRules::errorNumber() {
    QFETCH(int, number);
    QTEST(mailtext::sendError(number), "text");
}

void TestMailRules::emptyNoteEndsTheSummaryWithALineBreak() {
    Competition c;
    c.name = QStringLiteral("TROFEO D'ESTATE");
    c.registrationCount = QStringLiteral("2");
    const QString summary = mailtext::summary(QStringLiteral("zeta"), c);
    QVERIFY(summary.endsWith(QStringLiteral("\r\nNota:\r\n")));
    // The colons line up in a fixed-pitch font.
    const QStringList lines = summary.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 7);
    for (int i = 1; i <= 3; ++i)
        QCOMPARE(lines.at(i).indexOf(u':'), 20);
    QCOMPARE(lines.at(1), QStringLiteral("      Manifestazione:TROFEO D'ESTATE"));
}

void TestMailRules::sentTextKeepsDotsOfTheNoteAndList() {
    Competition c;
    c.note = QStringLiteral("Arrivo alle 8...");
    const QString summary = mailtext::summary(QStringLiteral("zeta"), c);
    const QString list = QStringLiteral("\r\nROSSI ... 100SL");
    const QString sent = mailtext::sentText(summary, QStringLiteral("ciao"), list);
    QVERIFY(sent.contains(QStringLiteral("Arrivo alle 8...\r\nMessaggio addizionale:\r\nciao\r\n\r\nROSSI ... 100SL")));
    QCOMPARE(sent.count(QStringLiteral("Messaggio addizionale:")), 1);
    QCOMPARE(sent.count(QString(40, u'-') + QStringLiteral("\r\n")), 2);
    QVERIFY(sent.endsWith(QStringLiteral("\r\n") + kTimingWebAddress));
}

QTEST_GUILESS_MAIN(TestMailRules)
#include "tst_mail_rules.moc"
