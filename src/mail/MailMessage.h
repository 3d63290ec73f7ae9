#pragma once

#include <QList>
#include <QString>

namespace onda {

// What the mail system sends: one message with its recipients and at most one attachment.
struct MailRecipient {
    enum Type { Primary = 1, Copy = 2 };
    QString name;
    int type = Primary;
    bool resolve = false; // the address is checked before the message goes
};

struct MailMessage {
    QString subject;
    QString text;
    QString attachmentPath; // empty: no attachment
    QList<MailRecipient> recipients;
};

// The text of tmp before the first `search`; that text and the separator leave tmp.
// When `search` does not occur the whole of tmp is returned and tmp is emptied.
QString Token(QString& tmp, const QString& search);

// Deletes recipients until the message has none.
void KillRecips(MailMessage& msg);

// Adds every name of the ";"-separated list, blanks trimmed, as a recipient of RCType.
void SetRCList(QString NameList, MailMessage& msg, int RCType, bool fResolveNames);

// The message's recipients become the names of ToAddress (primary) and CCAddress (copy).
void CopyNamestoMsgBuffer(MailMessage& msg, const QString& ToAddress, const QString& CCAddress, bool fResolveNames);

} // namespace onda
