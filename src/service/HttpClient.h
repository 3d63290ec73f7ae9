#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

namespace onda {

struct HttpOptions {
    // The whole exchange, from connecting to the last byte. The service's import page works
    // on a whole file before it answers, so this is generous.
    std::chrono::milliseconds timeout{60000};
    std::chrono::milliseconds connectTimeout{15000};
    // Certificates to trust besides none: empty means the system's CA store.
    QString caFile{};
    // The registrations of a federation's championship run to some 15 MB at 200,000 lines;
    // a body beyond this is not an answer of the service.
    qint64 maxBodyBytes = 128 * 1024 * 1024;
    // False keeps the body as its bytes, for a reader that takes it line by line.
    bool decodeBody = true;
};

struct HttpResult {
    enum class Status {
        Ok,
        NetworkError, // refused, reset, name not found, TLS failure, cut short
        TimedOut,
        HttpError, // the server answered with a status of 400 or more
        TooLarge,
        BadAddress,
    };

    Status status = Status::NetworkError;
    long httpStatus = 0;
    QString body;     // the decoded body (see bodyText); empty unless the status is Ok
    QByteArray bytes; // the body as it came, instead, when it was not to be decoded
    QString error;    // why it failed, for logs and debug messages

    bool ok() const { return status == Status::Ok; }
};

// A blocking GET of http:// or https:// addresses, waited for in the program's one way
// (core/Operation.h). Redirects are followed. An error status of the server counts as a failure: its
// error page is not an answer.
HttpResult httpGetResult(const QString& url, const HttpOptions& options = {});

// The same, as the body text or empty text on any failure.
inline QString httpGet(const QString& url, const HttpOptions& options = {}) {
    return httpGetResult(url, options).body;
}

} // namespace onda
