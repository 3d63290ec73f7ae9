#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The stand-in service, started for one test on free ports of a loopback address and
// stopped with it.
class SimService {
public:
    // host: a loopback address; ports 0 take free ones (the upload needs 21 and 80).
    explicit SimService(const QString& host = QStringLiteral("127.0.0.1"), int httpPort = 0, int ftpPort = 0);
    ~SimService();

    bool isRunning() const { return !m_baseAddress.isEmpty(); }
    const QString& baseAddress() const { return m_baseAddress; } // "http://127.0.0.1:PORT/"
    const QString& ftpAddress() const { return m_ftpAddress; }
    // A control request ("set?request=list&mode=error"); the JSON answer.
    QByteArray control(const QString& command) const;
    // The service's tables as JSON.
    QByteArray state() const { return control(QStringLiteral("state")); }
    // How many registrations of `club` the service holds for `competition`.
    int heldRegistrations(int competition, const QString& club) const;
    // The request targets received since the last call, oldest first.
    QStringList takeRequests() const;
    QString log() const { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QTemporaryDir m_data;
    mutable QProcess m_process;
    QString m_baseAddress;
    QString m_ftpAddress;
};
