#include "mail/MailSession.h"

#include "core/BlockingCall.h"
#include "core/Settings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

#include <curl/curl.h>

#include <thread>

using namespace Qt::StringLiterals;

namespace onda {

namespace {

void initialiseCurlOnce() {
    static const bool done = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
    Q_UNUSED(done);
}

struct MimeFree {
    void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};
struct ListFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using MimePtr = std::unique_ptr<curl_mime, MimeFree>;
using ListPtr = std::unique_ptr<curl_slist, ListFree>;

void append(ListPtr& list, const QByteArray& item) {
    curl_slist* grown = curl_slist_append(list.get(), item.constData());
    if (grown) {
        (void)list.release();
        list.reset(grown);
    }
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

void MailSession::CurlCleanup::operator()(CURL* handle) const {
    curl_easy_cleanup(handle);
}

MailSession::MailSession() {
    initialiseCurlOnce();
}

MailSession::~MailSession() = default;

bool MailSession::logOn(const MailSettings& settings) {
    if (!settings.isComplete())
        return false;
    m_handle.reset(curl_easy_init());
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

    ListPtr recipients;
    QByteArrayList to;
    QByteArrayList copy;
    for (const MailRecipient& r : message.recipients) {
        append(recipients, angleAddress(r.name));
        (r.type == MailRecipient::Copy ? copy : to).append(r.name.toUtf8());
    }

    ListPtr headers;
    append(headers,
           "Date: " + QLocale::c().toString(QDateTime::currentDateTime(), u"ddd, dd MMM yyyy HH:mm:ss t"_s).toLatin1());
    append(headers, "From: " + from);
    if (!to.isEmpty())
        append(headers, "To: " + to.join(", "));
    if (!copy.isEmpty())
        append(headers, "Cc: " + copy.join(", "));
    append(headers, "Subject: " + headerText(message.subject));

    const MimePtr mime(curl_mime_init(h));
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
    runWhileServingEvents([&] { rc = curl_easy_perform(h); });
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
