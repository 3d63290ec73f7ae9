#include "LoopbackServer.h"

#include <QTcpSocket>
#include <QTimer>

LoopbackServer::LoopbackServer(Mode mode, QByteArray body, int status, int delayMs)
    : m_mode(mode), m_body(std::move(body)), m_status(status), m_delayMs(delayMs) {
    listen(QHostAddress::LocalHost);
}

QString LoopbackServer::base() const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(serverPort());
}

void LoopbackServer::incomingConnection(qintptr socketDescriptor) {
    auto* socket = new QTcpSocket(this);
    socket->setSocketDescriptor(socketDescriptor);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        lastTarget = socket->readAll().split(' ').value(1); // a GET of ours fits in one read
        if (m_mode == Mode::Silent)
            return;
        if (m_mode == Mode::Hangup) {
            socket->abort();
            return;
        }
        const QByteArray length = QByteArray::number(m_body.size() + (m_mode == Mode::CutShort ? 100 : 0));
        const QByteArray reply = "HTTP/1.1 " + QByteArray::number(m_status) + " X\r\nContent-Length: " + length +
                                 "\r\nConnection: close\r\n\r\n" + m_body;
        QTimer::singleShot(m_delayMs, socket, [socket, reply] {
            socket->write(reply);
            socket->disconnectFromHost();
        });
    });
}
