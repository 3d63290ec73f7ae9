#include "mail/MailFlow.h"

#include "core/Dialogs.h"
#include "core/Operation.h"
#include "mail/RegistrationMail.h"

namespace onda {

MailFlow::MailFlow(Dialogs& dialogs, SettingsSource settings) : m_dialogs(dialogs), m_settings(std::move(settings)) {}

void MailFlow::send(const MailForm& form) {
    if (form.to.trimmed().isEmpty()) {
        m_dialogs.message(QStringLiteral("devi specificare almeno un destinatario"));
        return;
    }
    const Operation operation;
    if (!operation)
        return;
    if (!m_session.loggedOn()) {
        const Dialogs::Answer answer = m_dialogs.askYesNo(
            QStringLiteral("Attenzione: una sessione di posta non è stata impostata. Se spingi OK verrà impostata una "
                           "sessione di posta, ma se non sei collegato già in Internet il programma può bloccarsi. "
                           "Vuoi procedere ? "),
            Dialogs::Answer::Yes);
        if (answer != Dialogs::Answer::Yes || !m_session.logOn(m_settings())) {
            m_dialogs.message(mailtext::notSentNotice(form.attachmentPath));
            return;
        }
    }

    MailMessage message;
    message.subject = form.subject;
    message.text = mailtext::sentText(form.summary, QString(form.additional).replace(u'\n', QStringLiteral("\r\n")),
                                      form.registrationList);
    message.attachmentPath = form.attachmentPath;
    CopyNamestoMsgBuffer(message, form.to, mailtext::copyList(form.copy), true);

    const int result = m_session.send(message);
    if (result != 0)
        m_dialogs.message(mailtext::sendError(result));
    else
        m_dialogs.message(mailtext::sentNotice(form.to, form.copy));
}

} // namespace onda
