#include "service/HttpClient.h"

#include "core/Operation.h"
#include "net/Curl.h"
#include "service/BodyText.h"

#include <QByteArray>

#include <utility>

namespace onda {

namespace {

struct Sink {
    QByteArray bytes;
    qint64 limit = 0;
    bool overflow = false;
};

size_t writeBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t length = size * count;
    if (sink->bytes.size() + qint64(length) > sink->limit) {
        sink->overflow = true;
        return 0; // makes libcurl stop with a write error
    }
    sink->bytes.append(data, qsizetype(length));
    return length;
}

HttpResult failure(HttpResult::Status status, const QString& error, long httpStatus = 0) {
    HttpResult result;
    result.status = status;
    result.error = error;
    result.httpStatus = httpStatus;
    return result;
}

} // namespace

HttpResult httpGetResult(const QString& url, const HttpOptions& options) {
    const QByteArray address = url.toUtf8();
    if (address.isEmpty() || address.contains(' ') || address.contains('\0'))
        return failure(HttpResult::Status::BadAddress, QStringLiteral("Indirizzo non valido: ") + url);

    const curl::Easy easy = curl::newEasy();
    if (!easy)
        return failure(HttpResult::Status::NetworkError, QStringLiteral("libcurl non disponibile"));

    Sink sink;
    sink.limit = options.maxBodyBytes;
    const QByteArray caFile = options.caFile.toLocal8Bit();
    char errorBuffer[CURL_ERROR_SIZE] = {};

    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, long(options.timeout.count()));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(options.connectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(h, CURLOPT_USERAGENT, "ONDA_link");
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    if (!caFile.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile.constData());
    // A proxy from the environment is used, but never for this computer itself.
    QByteArray noProxy = qgetenv("no_proxy");
    if (noProxy.isEmpty())
        noProxy = qgetenv("NO_PROXY");
    if (noProxy != "*")
        noProxy += (noProxy.isEmpty() ? "" : ",") + QByteArray("localhost,127.0.0.0/8,::1");
    curl_easy_setopt(h, CURLOPT_NOPROXY, noProxy.constData());

    CURLcode code = CURLE_FAILED_INIT;
    long httpStatus = 0;
    QString body;
    // The time-outs above bound the wait: libcurl ends the transfer when they pass. A large
    // answer is decoded there too, while the windows are drawn.
    waitFor([&] {
        code = curl_easy_perform(h);
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &httpStatus);
        if (code == CURLE_OK && httpStatus < 400 && options.decodeBody)
            body = bodyText(std::exchange(sink.bytes, {}));
    });

    if (code != CURLE_OK) {
        const QString error =
            errorBuffer[0] ? QString::fromLocal8Bit(errorBuffer) : QString::fromLatin1(curl_easy_strerror(code));
        if (sink.overflow)
            return failure(HttpResult::Status::TooLarge, QStringLiteral("Risposta troppo lunga"), httpStatus);
        if (code == CURLE_OPERATION_TIMEDOUT)
            return failure(HttpResult::Status::TimedOut, error, httpStatus);
        if (code == CURLE_URL_MALFORMAT || code == CURLE_UNSUPPORTED_PROTOCOL)
            return failure(HttpResult::Status::BadAddress, error, httpStatus);
        return failure(HttpResult::Status::NetworkError, error, httpStatus);
    }
    if (httpStatus >= 400)
        return failure(HttpResult::Status::HttpError, QStringLiteral("HTTP %1").arg(httpStatus), httpStatus);

    HttpResult result;
    result.status = HttpResult::Status::Ok;
    result.httpStatus = httpStatus;
    result.body = std::move(body);
    result.bytes = std::move(sink.bytes);
    return result;
}

} // namespace onda
