#include "LoopbackHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr int kMaxHeaderBytes = 16 * 1024;
constexpr int kConnectionTimeoutMs = 5000;

} // namespace

LoopbackHttpServer::LoopbackHttpServer() {
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::onNewConnection);
}

QUrl LoopbackHttpServer::address() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()));
}

void LoopbackHttpServer::setResponse(const QString& path, int status, const QByteArray& body) {
    m_responses.insert(path, Response{status, body, false});
}

void LoopbackHttpServer::setStalledResponse(const QString& path, const QByteArray& body) {
    m_responses.insert(path, Response{200, body, true});
}

void LoopbackHttpServer::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kConnectionTimeoutMs, socket, [socket] { socket->abort(); });
    }
}

void LoopbackHttpServer::onReadyRead(QTcpSocket* socket) {
    if (socket->property("answered").toBool())
        return;
    const QByteArray pending = socket->property("pending").toByteArray() + socket->readAll();
    if (!pending.contains("\r\n\r\n")) {
        if (pending.size() > kMaxHeaderBytes)
            socket->abort();
        else
            socket->setProperty("pending", pending);
        return;
    }
    const QList<QByteArray> requestLine = pending.left(pending.indexOf("\r\n")).split(' ');
    const QString target = requestLine.value(1).isEmpty()
                               ? QStringLiteral("/")
                               : QString::fromLatin1(requestLine.value(1));
    socket->setProperty("answered", true);
    m_requests.append(target);
    emit sigRequest(target);

    const Response response = m_responses.value(QUrl(target).path());
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(response.status) + " X\r\n";
    answer += "Content-Type: application/octet-stream\r\n";
    const int announced = response.body.size() * (response.bStalled ? 2 : 1);
    answer += "Content-Length: " + QByteArray::number(announced) + "\r\n";
    answer += "Connection: close\r\n\r\n";
    answer += response.body;
    socket->write(answer);
    if (!response.bStalled)
        socket->disconnectFromHost();
}
