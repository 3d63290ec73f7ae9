#include "SimService.h"

#include "service/HttpClient.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

using namespace Qt::StringLiterals;

SimService::SimService(const QString& host, int httpPort, int ftpPort) {
    m_process.setProgram(u"/usr/bin/python3"_s);
    m_process.setArguments({QStringLiteral(ONDAWEB_SIM_SCRIPT), u"--host"_s, host, u"--http-port"_s,
                            QString::number(httpPort), u"--ftp-port"_s, QString::number(ftpPort), u"--data-dir"_s,
                            m_data.path(), u"--exit-on-stdin-eof"_s});
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
    return onda::httpGetResult(m_baseAddress + u"__sim/"_s + command, {.timeout = std::chrono::seconds(10)})
        .body.toUtf8();
}

bool SimService::answerWith(const QString& kind, const QByteArray& bytes) const {
    QFile file(m_data.filePath(kind + u".answer"_s));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
           control(u"set?request=%1&mode=file&text=%2"_s.arg(kind, file.fileName())).contains("true");
}

QByteArray registrationsAnswer(int lines) {
    QByteArray answer = "RESPONSE=OK**ISCRIZIONI=\r\n";
    for (int i = 0; i < lines; ++i)
        answer += QByteArray::number(100000 + i / 10) + "\tATLETA NUMERO " + QByteArray::number(i / 10) +
                  "\tDEMO\tRAGAZZI\t2010\tM\t" + QByteArray::number(i % 10) + "00 SL\t1\t02,50\tA\r\n";
    return answer + "**";
}

int SimService::heldRegistrations(int competition, const QString& club) const {
    int held = 0;
    const QJsonValue all = QJsonDocument::fromJson(state())[u"state"_s][u"registrations"_s];
    for (const QJsonValue& r : all.toArray())
        held += r[u"competition"_s].toInt() == competition && r[u"club"_s].toString() == club;
    return held;
}

QStringList SimService::takeRequests() const {
    QStringList targets;
    const QJsonDocument doc = QJsonDocument::fromJson(control(u"requests?clear=1"_s));
    for (const QJsonValue& entry : doc.object().value(u"requests"_s).toArray())
        if (entry.toObject().value(u"proto"_s).toString() == QLatin1String("http"))
            targets << entry.toObject().value(u"target"_s).toString();
    return targets;
}
