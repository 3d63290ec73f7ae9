#include "ftp/FtpEngine.h"

#include "core/Operation.h"
#include "net/Curl.h"

#include <QFile>
#include <QSaveFile>
#include <QUrl>

#include <cctype>

using namespace Qt::StringLiterals;

namespace onda {

namespace {

struct CurlUrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlTextFree {
    void operator()(char* text) const { curl_free(text); }
};
using CurlText = std::unique_ptr<char, CurlTextFree>;

FtpFailure libraryFailure(int code, const QString& description) {
    return {code, u"libcurl"_s, description};
}

FtpFailure ownFailure(const QString& description) {
    return {0, {}, description};
}

// The base address "ftp://host[:port]" of an ftp:// address, a bare host or "host:port".
FtpFailure baseUrlOf(const QString& host, QByteArray& baseUrl) {
    QString address = host.trimmed();
    if (!address.contains(u"://"_s))
        address.prepend(u"ftp://"_s);
    std::unique_ptr<CURLU, CurlUrlCleanup> url(curl_url());
    if (!url)
        return libraryFailure(CURLE_OUT_OF_MEMORY, QString::fromUtf8(curl_easy_strerror(CURLE_OUT_OF_MEMORY)));
    const CURLUcode parsed =
        curl_url_set(url.get(), CURLUPART_URL, address.toUtf8().constData(), CURLU_NON_SUPPORT_SCHEME);
    if (parsed != CURLUE_OK)
        return libraryFailure(CURLE_URL_MALFORMAT, QString::fromUtf8(curl_url_strerror(parsed)));

    char* rawPath = nullptr;
    curl_url_get(url.get(), CURLUPART_PATH, &rawPath, 0);
    const CurlText path(rawPath);
    if (path && qstrcmp(path.get(), "") != 0 && qstrcmp(path.get(), "/") != 0)
        return ownFailure(u"The host address must not contain a folder: "_s + host);

    // The protocol is always FTP, whatever the address names; the account is given apart.
    curl_url_set(url.get(), CURLUPART_SCHEME, "ftp", CURLU_NON_SUPPORT_SCHEME);
    for (const CURLUPart part :
         {CURLUPART_USER, CURLUPART_PASSWORD, CURLUPART_OPTIONS, CURLUPART_QUERY, CURLUPART_FRAGMENT})
        curl_url_set(url.get(), part, nullptr, 0);
    char* rawText = nullptr;
    curl_url_get(url.get(), CURLUPART_URL, &rawText, 0);
    const CurlText text(rawText);
    baseUrl = QByteArray(text.get());
    while (baseUrl.endsWith('/'))
        baseUrl.chop(1);
    return {};
}

CURLcode applySettings(CURL* handle, const FtpSettings& settings, const QByteArray& userName,
                       const QByteArray& password, const QByteArray& proxy) {
    const long timeout = settings.requestTimeout;
    CURLcode rc = curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    if (rc == CURLE_OK && !userName.isEmpty()) {
        rc = curl_easy_setopt(handle, CURLOPT_USERNAME, userName.constData());
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(handle, CURLOPT_PASSWORD, password.constData());
    }
    if (rc == CURLE_OK && settings.remotePort != 0)
        rc = curl_easy_setopt(handle, CURLOPT_PORT, static_cast<long>(settings.remotePort));
    // The time-out bounds every wait for the server: connecting, each reply, a stalled transfer.
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, timeout);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, timeout);
    if (rc == CURLE_OK && !proxy.isEmpty()) {
        rc = curl_easy_setopt(handle, CURLOPT_PROXY, proxy.constData());
        // FTP commands, not a proxy's own download, go through the proxy.
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(handle, CURLOPT_HTTPPROXYTUNNEL, 1L);
    }
    return rc;
}

size_t readFromFile(char* buffer, size_t size, size_t count, void* file) {
    const qint64 n = static_cast<QFile*>(file)->read(buffer, static_cast<qint64>(size * count));
    return n < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(n);
}

size_t writeToFile(char* data, size_t size, size_t count, void* file) {
    const qint64 n = static_cast<QSaveFile*>(file)->write(data, static_cast<qint64>(size * count));
    return n < 0 ? 0 : static_cast<size_t>(n);
}

size_t appendToBuffer(char* data, size_t size, size_t count, void* buffer) {
    static_cast<QByteArray*>(buffer)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

} // namespace

FtpEngine::FtpEngine() {
    curl::initialise();
}

FtpEngine::~FtpEngine() = default;

FtpFailure FtpEngine::configure(const FtpSettings& settings) {
    QByteArray baseUrl;
    if (const FtpFailure f = baseUrlOf(settings.host, baseUrl); f.raised())
        return f;
    const curl::Easy scratch = curl::newEasy();
    if (!scratch)
        return libraryFailure(CURLE_FAILED_INIT, QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)));
    const CURLcode rc = applySettings(scratch.get(), settings, {}, {}, settings.proxy.toUtf8());
    if (rc != CURLE_OK)
        return libraryFailure(rc, QString::fromUtf8(curl_easy_strerror(rc)));
    close();
    m_settings = settings;
    m_baseUrl = baseUrl;
    return {};
}

QString FtpEngine::resolved(const QString& path) const {
    if (path.startsWith(u'/') || m_currentFolder.isEmpty())
        return path;
    if (path.isEmpty())
        return m_currentFolder;
    return m_currentFolder.endsWith(u'/') ? m_currentFolder + path : m_currentFolder + u'/' + path;
}

FtpFailure FtpEngine::begin(const QString& remotePath) {
    // The engine runs one command at a time, also when an event handler asks for another meanwhile.
    if (m_executing)
        return ownFailure(u"Still executing last request."_s);
    m_responseCode = 0;
    m_responseInfo.clear();
    m_lastReply.clear();
    m_errorBuffer[0] = '\0';
    if (m_baseUrl.isEmpty())
        return ownFailure(u"The connection has not been initialised."_s);
    if (!m_handle)
        m_handle.reset(curl_easy_init());
    if (!m_handle)
        return libraryFailure(CURLE_FAILED_INIT, QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)));

    CURL* h = m_handle.get();
    curl_easy_reset(h); // keeps the open connection
    const QByteArray url = m_baseUrl + '/' + QUrl::toPercentEncoding(remotePath, "/");
    CURLcode rc = applySettings(h, m_settings, m_settings.userName.toUtf8(), m_settings.password.toUtf8(),
                                m_settings.proxy.toUtf8());
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(h, CURLOPT_URL, url.constData());
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(h, CURLOPT_ERRORBUFFER, m_errorBuffer);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &FtpEngine::onHeader);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    if (rc != CURLE_OK)
        return libraryFailure(rc, QString::fromUtf8(curl_easy_strerror(rc)));
    return {};
}

size_t FtpEngine::onHeader(char* data, size_t size, size_t count, void* self) {
    // For FTP these are the server's reply lines; keep the last one that carries a reply code.
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(size * count)).trimmed();
    if (line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
        std::isdigit(static_cast<unsigned char>(line[1])) && std::isdigit(static_cast<unsigned char>(line[2])))
        static_cast<FtpEngine*>(self)->m_lastReply = line;
    return size * count;
}

void FtpEngine::WaitForResponse(const std::function<void()>& work) {
    waitFor(work);
}

FtpFailure FtpEngine::perform() {
    CURL* h = m_handle.get();
    CURLcode rc = CURLE_OK;
    m_executing = true;
    WaitForResponse([&] { rc = curl_easy_perform(h); });
    m_executing = false;

    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    m_responseInfo = QString::fromUtf8(m_lastReply);
    if (rc == CURLE_OK)
        return {};
    if (code >= 400) { // the server refused: its reply says why
        m_responseCode = code;
        return {};
    }
    const QString detail = QString::fromUtf8(m_errorBuffer).trimmed();
    return libraryFailure(rc, detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(rc)) : detail);
}

FtpFailure FtpEngine::put(const QString& localPath, const QString& remotePath) {
    if (FtpFailure f = begin(resolved(remotePath)); f.raised())
        return f;
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly))
        return ownFailure(u"Cannot read the local file "_s + localPath + u": "_s + file.errorString());
    CURL* h = m_handle.get();
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &readFromFile);
    curl_easy_setopt(h, CURLOPT_READDATA, &file);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(file.size()));
    return perform();
}

FtpFailure FtpEngine::get(const QString& remotePath, const QString& localPath) {
    if (FtpFailure f = begin(resolved(remotePath)); f.raised())
        return f;
    // The old file stays until the new one is complete.
    QSaveFile file(localPath);
    if (!file.open(QIODevice::WriteOnly))
        return ownFailure(u"Cannot write the local file "_s + localPath + u": "_s + file.errorString());
    CURL* h = m_handle.get();
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &writeToFile);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &file);
    const FtpFailure f = perform();
    if (file.error() != QFileDevice::NoError)
        return ownFailure(u"Cannot write the local file "_s + localPath + u": "_s + file.errorString());
    if (f.raised() || m_responseCode != 0)
        return f;
    if (!file.commit())
        return ownFailure(u"Cannot replace the local file "_s + localPath + u": "_s + file.errorString());
    return {};
}

FtpFailure FtpEngine::changeFolder(const QString& folder) {
    const QString target = resolved(folder);
    QString url = target;
    if (!url.isEmpty() && !url.endsWith(u'/'))
        url += u'/';
    if (FtpFailure f = begin(url); f.raised())
        return f;
    curl_easy_setopt(m_handle.get(), CURLOPT_NOBODY, 1L);
    const FtpFailure f = perform();
    if (!f.raised() && m_responseCode == 0)
        m_currentFolder = target;
    return f;
}

FtpFailure FtpEngine::listNames(QString& listing) {
    QString url = m_currentFolder;
    if (!url.isEmpty() && !url.endsWith(u'/'))
        url += u'/';
    if (FtpFailure f = begin(url); f.raised())
        return f;
    QByteArray names;
    CURL* h = m_handle.get();
    curl_easy_setopt(h, CURLOPT_DIRLISTONLY, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendToBuffer);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &names);
    const FtpFailure f = perform();
    listing = QString::fromUtf8(names);
    return f;
}

void FtpEngine::close() {
    if (m_executing)
        return;
    m_currentFolder.clear();
    if (!m_handle)
        return;
    // Cleaning up sends QUIT and waits for its reply.
    CURL* h = m_handle.release();
    WaitForResponse([h] { curl_easy_cleanup(h); });
}

} // namespace onda
