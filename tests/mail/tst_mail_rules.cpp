// The recipient lists and the summary of the registration mail.
#include "core/AppState.h"
#include "mail/MailMessage.h"
#include "mail/RegistrationMail.h"

#include <QTest>

using namespace onda;

class TestMailRules : public QObject {
    Q_OBJECT
private slots:
    void recipients_data() {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("copy");
        QTest::addColumn<QStringList>("expected"); // type:name in order
        // clang-format off
        QTest::newRow("three trimmed") << " a@x.example ;b@x.example;  c@x.example " << ""
                                       << QStringList{"1:a@x.example", "1:b@x.example", "1:c@x.example"};
        QTest::newRow("copies after primaries") << "a@x" << "c@x; d@x" << QStringList{"1:a@x", "2:c@x", "2:d@x"};
        QTest::newRow("empty places skipped") << "a@x;; ;b@x;" << ";" << QStringList{"1:a@x", "1:b@x"};
        // clang-format on
    }

    void recipients() {
        QFETCH(QString, to);
        QFETCH(QString, copy);
        MailMessage message;
        message.recipients.append({QStringLiteral("left@over"), MailRecipient::Copy, false}); // from an earlier send
        CopyNamestoMsgBuffer(message, to, copy, true);
        QStringList got;
        for (const MailRecipient& r : message.recipients)
            got << QString::number(r.type) + u':' + r.name;
        QTEST(got, "expected");
    }

    void emptyNoteEndsTheSummaryWithALineBreak() {
        Competition c;
        c.name = QStringLiteral("TROFEO D'ESTATE");
        const QString summary = mailtext::summary(QStringLiteral("zeta"), c);
        const QStringList lines = summary.split(QStringLiteral("\r\n"));
        QVERIFY(summary.endsWith(QStringLiteral("\r\nNota:\r\n")) && lines.size() == 7);
        for (int i = 1; i <= 3; ++i) // the colons line up in a fixed-pitch font
            QCOMPARE(lines.at(i).indexOf(u':'), 20);
    }
};

QTEST_GUILESS_MAIN(TestMailRules)
#include "tst_mail_rules.moc"
