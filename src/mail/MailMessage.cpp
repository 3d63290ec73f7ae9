#include "mail/MailMessage.h"

namespace onda {

QString Token(QString& tmp, const QString& search) {
    const qsizetype at = search.isEmpty() ? -1 : tmp.indexOf(search);
    if (at < 0) {
        const QString all = tmp;
        tmp.clear();
        return all;
    }
    const QString head = tmp.left(at);
    tmp.remove(0, at + search.size());
    return head;
}

void KillRecips(MailMessage& msg) {
    while (!msg.recipients.isEmpty())
        msg.recipients.removeLast();
}

void SetRCList(QString NameList, MailMessage& msg, int RCType, bool fResolveNames) {
    while (!NameList.isEmpty()) {
        const QString name = Token(NameList, QStringLiteral(";")).trimmed();
        // An empty place between separators ("a;;b", a closing ";") is no recipient: the
        // mail system would refuse the whole message for it.
        if (name.isEmpty())
            continue;
        msg.recipients.append({name, RCType, fResolveNames});
    }
}

void CopyNamestoMsgBuffer(MailMessage& msg, const QString& ToAddress, const QString& CCAddress, bool fResolveNames) {
    KillRecips(msg);
    SetRCList(ToAddress, msg, MailRecipient::Primary, fResolveNames);
    SetRCList(CCAddress, msg, MailRecipient::Copy, fResolveNames);
}

} // namespace onda
