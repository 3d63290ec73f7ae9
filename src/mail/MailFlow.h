#pragma once

#include "mail/MailMessage.h"
#include "mail/MailSession.h"

#include <QString>

namespace onda {

class Dialogs;

// What the mail window holds when "Invia" is pressed.
struct MailForm {
    QString to;
    QString copy;
    QString subject;
    QString additional; // lines ended by LF, as the box gives them
    QString attachmentPath;
    QString summary;
    QString registrationList;
};

// "Invia" of the registration mail, without the window: the refusals, the question before the
// first log-on, the send and its outcome. The session lives here, not in the window, and a
// send is one operation of the program (core/Operation.h).
class MailFlow {
public:
    // Where the mail goes out: the stored settings, asked of the user the first time (the
    // window's settings dialog). Nothing when the user gave none.
    using SettingsSource = std::function<MailSettings()>;

    MailFlow(Dialogs& dialogs, SettingsSource settings);

    void send(const MailForm& form);
    // New settings take effect at the next log-on.
    void settingsChanged() { m_session.logOff(); }
    const MailSession& session() const { return m_session; }

private:
    Dialogs& m_dialogs;
    SettingsSource m_settings;
    MailSession m_session;
};

} // namespace onda
