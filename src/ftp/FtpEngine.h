#pragma once

#include "net/Curl.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace onda {

// Where and how to connect; kept by the engine after FTPInit.
struct FtpSettings {
    QString host; // a host name, "host:port" or an ftp:// address without a path
    QString userName;
    QString password;
    int requestTimeout = 60; // seconds
    int remotePort = 0;      // 0: the protocol's default
    QString proxy;           // empty: the system's default access (proxy variables of the environment)
};

// A failure raised while a command runs, as opposed to a refusal in the server's reply.
// number is the library's code; an empty source means the failure was raised by this class.
struct FtpFailure {
    int number = 0;
    QString source;
    QString description;

    bool raised() const { return number != 0 || !description.isEmpty(); }
};

// One FTP connection on libcurl, executing one command at a time. A command blocks its caller
// (see core/Operation.h for how the windows wait); the connection stays open between commands.
// Remote paths are relative to the current folder ("/..." from the root), as FTP resolves them.
class FtpEngine {
public:
    FtpEngine();
    ~FtpEngine();
    FtpEngine(const FtpEngine&) = delete;
    FtpEngine& operator=(const FtpEngine&) = delete;

    // Checks and keeps the settings; closes an earlier connection. Makes no connection.
    FtpFailure configure(const FtpSettings& settings);
    const FtpSettings& settings() const { return m_settings; }

    FtpFailure put(const QString& localPath, const QString& remotePath);
    // Replaces localPath only once the whole file has arrived.
    FtpFailure get(const QString& remotePath, const QString& localPath);
    FtpFailure changeFolder(const QString& folder);
    // The server's name list of the current folder, as sent.
    FtpFailure listNames(QString& listing);
    // Quits the session; the next command connects again, starting from the login folder.
    void close();

    // After each command: 0 when it succeeded, else the server's reply code (0 when the server
    // refused nothing, the failure then being raised), and the server's last reply line.
    long responseCode() const { return m_responseCode; }
    const QString& responseInfo() const { return m_responseInfo; }
    bool stillExecuting() const { return m_executing; }
    const QString& currentFolder() const { return m_currentFolder; }

private:
    // Prepares the handle for a command on remotePath; fails when a command is still running.
    FtpFailure begin(const QString& remotePath);
    FtpFailure perform();
    // Runs work through the program's one way of waiting; returns when it is done.
    void WaitForResponse(const std::function<void()>& work);
    QString resolved(const QString& path) const;
    static size_t onHeader(char* data, size_t size, size_t count, void* self);

    FtpSettings m_settings;
    QByteArray m_baseUrl; // "ftp://host[:port]"
    curl::Easy m_handle;
    QString m_currentFolder;
    long m_responseCode = 0;
    QString m_responseInfo;
    QByteArray m_lastReply;
    char m_errorBuffer[256] = {};
    bool m_executing = false;
};

} // namespace onda
