#pragma once

#include <QByteArray>
#include <QTcpServer>

// A one-thread HTTP server on 127.0.0.1 that answers every request the same way. It runs
// on the test's event loop, which the client under test must keep running while it waits.
class LoopbackServer : public QTcpServer {
public:
    enum class Mode { Answer, Silent, Hangup, CutShort };

    explicit LoopbackServer(Mode mode = Mode::Answer, QByteArray body = {}, int status = 200, int delayMs = 0);
    QString base() const;  // "http://127.0.0.1:<port>/"
    QByteArray lastTarget; // the request target of the last request, as sent

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    Mode m_mode;
    QByteArray m_body;
    int m_status;
    int m_delayMs;
};
