#pragma once

#include "mail/MailMessage.h"
#include "net/Curl.h"

#include <QString>

#include <memory>

namespace onda {

// Where the user's mail goes out: per-user settings.
struct MailSettings {
    enum class Security { None, StartTls, Tls };
    QString server;
    int port = 0; // 0: the default of the security chosen (25, 587, 465)
    Security security = Security::StartTls;
    QString account; // empty: no authentication
    QString password;
    QString sender;
    int timeout = 60; // seconds, for every wait on the server

    bool isComplete() const { return !server.trimmed().isEmpty() && !sender.trimmed().isEmpty(); }
    int effectivePort() const;

    static MailSettings load();
    void save() const;
};

// The session with the mail system: logged on once the user agreed, then sends messages
// over SMTP, reusing the connection. A send blocks its caller (see core/Operation.h).
class MailSession {
public:
    MailSession();
    ~MailSession();
    MailSession(const MailSession&) = delete;
    MailSession& operator=(const MailSession&) = delete;

    bool loggedOn() const { return m_handle != nullptr; }
    // Opens the session with these settings; false when they are incomplete.
    bool logOn(const MailSettings& settings);
    void logOff();
    const MailSettings& settings() const { return m_settings; }

    // 0 when the server took the message, else the library's error number (negative for a
    // failure found before talking to the server: not logged on, unreadable attachment).
    int send(const MailMessage& message);
    // The library's or the server's words on the last failure.
    const QString& lastError() const { return m_lastError; }

private:
    curl::Easy m_handle;
    MailSettings m_settings;
    QString m_lastError;
};

} // namespace onda
