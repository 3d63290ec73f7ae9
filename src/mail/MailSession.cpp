#include "mail/MailSession.h"

#include "core/Clock.h"
#include "core/Operation.h"
#include "core/Settings.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace onda {

namespace {

void append(curl::List& list, const QByteArray& item) {
    curl::append(list, item.constData());
}

// A header value: plain when it is printable ASCII, else an encoded word in UTF-8.
QByteArray headerText(const QString& text) {
    bool plain = true;
    for (const QChar c : text)
        plain = plain && c.unicode() >= 0x20 && c.unicode() < 0x7f;
    if (plain)
        return text.toLatin1();
    return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
}

QByteArray angleAddress(const QString& address) {
    const QString bare = address.trimmed();
    return bare.startsWith(u'<') ? bare.toUtf8() : '<' + bare.toUtf8() + '>';
}

const QString kGroup = u"Mail/"_s;

// A mail's date carries its zone as a numeric offset ("+0100"): zone names are not mail times.
QByteArray mailDate(const QDateTime& when) {
    const int minutes = when.offsetFromUtc() / 60;
    const QString offset =
        QString::asprintf("%c%02d%02d", minutes < 0 ? '-' : '+', std::abs(minutes) / 60, std::abs(minutes) % 60);
    return (QLocale::c().toString(when, u"ddd, dd MMM yyyy HH:mm:ss "_s) + offset).toLatin1();
}

} // namespace

int MailSettings::effectivePort() const {
    if (port > 0)
        return port;
    switch (security) {
    case Security::None:
        return 25;
    case Security::StartTls:
        return 587;
    case Security::Tls:
        return 465;
    }
    return 25;
}

MailSettings MailSettings::load() {
    const std::unique_ptr<QSettings> store = openProgramSettings();
    MailSettings s;
    s.server = store->value(kGroup + u"Server"_s).toString();
    s.port = store->value(kGroup + u"Port"_s, 0).toInt();
    const int security = store->value(kGroup + u"Security"_s, static_cast<int>(Security::StartTls)).toInt();
    s.security = security >= 0 && security <= 2 ? static_cast<Security>(security) : Security::StartTls;
    s.account = store->value(kGroup + u"Account"_s).toString();
    s.password = store->value(kGroup + u"Password"_s).toString();
    s.sender = store->value(kGroup + u"Sender"_s).toString();
    return s;
}

void MailSettings::save() const {
    const std::unique_ptr<QSettings> store = openProgramSettings();
    store->setValue(kGroup + u"Server"_s, server.trimmed());
    store->setValue(kGroup + u"Port"_s, port);
    store->setValue(kGroup + u"Security"_s, static_cast<int>(security));
    store->setValue(kGroup + u"Account"_s, account);
    store->setValue(kGroup + u"Password"_s, password);
    store->setValue(kGroup + u"Sender"_s, sender.trimmed());
}

MailSession::MailSession() {
    curl::initialise();
}

MailSession::~MailSession() = default;

bool MailSession::logOn(const MailSettings& settings) {
    if (!settings.isComplete())
        return false;
    m_handle = curl::newEasy();
    m_settings = settings;
    return m_handle != nullptr;
}

void MailSession::logOff() {
    m_handle.reset();
}

int MailSession::send(const MailMessage& message) {
    m_lastError.clear();
    if (!m_handle) {
        m_lastError = u"Nessuna sessione di posta."_s;
        return -1;
    }
    const QFileInfo attachment(message.attachmentPath);
    if (!message.attachmentPath.isEmpty() && !(attachment.isFile() && attachment.isReadable())) {
        // Checked here so the file that is missing is named, not only a read error.
        m_lastError = u"Allegato non leggibile: "_s + message.attachmentPath;
        return CURLE_READ_ERROR;
    }

    CURL* h = m_handle.get();
    curl_easy_reset(h); // keeps the open connection
    const MailSettings& s = m_settings;
    const QByteArray scheme = s.security == MailSettings::Security::Tls ? "smtps://" : "smtp://";
    const QByteArray url = scheme + s.server.trimmed().toUtf8() + ':' + QByteArray::number(s.effectivePort());
    const QByteArray from = angleAddress(s.sender);
    const QByteArray user = s.account.toUtf8();
    const QByteArray password = s.password.toUtf8();
    char errorBuffer[CURL_ERROR_SIZE] = {};

    curl::List recipients;
    QByteArrayList to;
    QByteArrayList copy;
    for (const MailRecipient& r : message.recipients) {
        append(recipients, angleAddress(r.name));
        (r.type == MailRecipient::Copy ? copy : to).append(r.name.toUtf8());
    }

    curl::List headers;
    append(headers, "Date: " + mailDate(Clock::now()));
    append(headers, "From: " + from);
    if (!to.isEmpty())
        append(headers, "To: " + to.join(", "));
    if (!copy.isEmpty())
        append(headers, "Cc: " + copy.join(", "));
    append(headers, "Subject: " + headerText(message.subject));

    const curl::Mime mime(curl_mime_init(h));
    curl_mimepart* text = curl_mime_addpart(mime.get());
    const QByteArray body = message.text.toUtf8();
    curl_mime_data(text, body.constData(), static_cast<size_t>(body.size()));
    curl_mime_type(text, "text/plain; charset=UTF-8");
    curl_mime_encoder(text, "quoted-printable");
    if (!message.attachmentPath.isEmpty()) {
        curl_mimepart* file = curl_mime_addpart(mime.get());
        curl_mime_filedata(file, QFile::encodeName(message.attachmentPath).constData());
        curl_mime_filename(file, attachment.fileName().toUtf8().constData());
        curl_mime_type(file, "application/octet-stream");
        curl_mime_encoder(file, "base64");
    }

    const long timeout = s.timeout;
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeout);
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, timeout);
    if (s.security == MailSettings::Security::StartTls)
        curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (!user.isEmpty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_MIMEPOST, mime.get());

    CURLcode rc = CURLE_OK;
    waitFor([&] { rc = curl_easy_perform(h); });
    // The handle must not keep pointers to the lists and parts released below.
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(h, CURLOPT_MIMEPOST, nullptr);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, nullptr);
    if (rc == CURLE_OK)
        return 0;
    const QString detail = QString::fromUtf8(errorBuffer).trimmed();
    m_lastError = detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(rc)) : detail;
    return static_cast<int>(rc);
}

} // namespace onda
