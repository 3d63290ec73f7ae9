#include "SimService.h"

#include "service/HttpClient.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

SimService::SimService(const QString& host, int httpPort, int ftpPort) {
    m_process.setProgram(QStringLiteral("/usr/bin/python3"));
    m_process.setArguments({QStringLiteral(ONDAWEB_SIM_SCRIPT), QStringLiteral("--host"), host,
                            QStringLiteral("--http-port"), QString::number(httpPort), QStringLiteral("--ftp-port"),
                            QString::number(ftpPort), QStringLiteral("--data-dir"), m_data.path(),
                            QStringLiteral("--exit-on-stdin-eof")});
    m_process.start();
    if (!m_process.waitForStarted(5000))
        return;
    const QDeadlineTimer deadline(15000);
    QByteArray out;
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(200);
        out += m_process.readAllStandardOutput();
        const qsizetype ready = out.indexOf("ready ");
        if (ready >= 0 && out.indexOf('\n', ready) > 0) {
            const QStringList words = QString::fromUtf8(out.mid(ready, out.indexOf('\n', ready) - ready))
                                          .split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.size() >= 3) {
                m_baseAddress = words.at(1);
                m_ftpAddress = words.at(2);
            }
            return;
        }
    }
}

SimService::~SimService() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

QByteArray SimService::control(const QString& command) const {
    onda::HttpOptions options;
    options.timeout = std::chrono::seconds(10);
    return onda::httpGetResult(m_baseAddress + QStringLiteral("__sim/") + command, options).body.toUtf8();
}

int SimService::heldRegistrations(int competition, const QString& club) const {
    int held = 0;
    const QJsonValue all = QJsonDocument::fromJson(state())[QStringLiteral("state")][QStringLiteral("registrations")];
    for (const QJsonValue& r : all.toArray())
        held += r[QStringLiteral("competition")].toInt() == competition && r[QStringLiteral("club")].toString() == club;
    return held;
}

QStringList SimService::takeRequests() const {
    QStringList targets;
    const QJsonDocument doc = QJsonDocument::fromJson(control(QStringLiteral("requests?clear=1")));
    for (const QJsonValue& entry : doc.object().value(QStringLiteral("requests")).toArray())
        if (entry.toObject().value(QStringLiteral("proto")).toString() == QLatin1String("http"))
            targets << entry.toObject().value(QStringLiteral("target")).toString();
    return targets;
}
