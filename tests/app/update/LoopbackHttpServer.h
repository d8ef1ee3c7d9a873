#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A tiny HTTP/1.1 server on 127.0.0.1 for the update tests: answers GET requests from a table
// of paths (404 for anything else), one request per connection, and records every request
// target. A connection that does not send a complete request within a few seconds is dropped.
class LoopbackHttpServer : public QObject {
    Q_OBJECT

public:
    LoopbackHttpServer();

    // "http://127.0.0.1:<port>/"
    QUrl address() const;
    void setResponse(const QString& path, int status, const QByteArray& body);
    // Announces twice the body's length, sends the body and then nothing more.
    void setStalledResponse(const QString& path, const QByteArray& body);
    // Path and query of each request, in order of arrival.
    QStringList requests() const { return m_requests; }

signals:
    void sigRequest(const QString& target);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);

    struct Response {
        int status = 404;
        QByteArray body;
        bool bStalled = false;
    };

    QTcpServer m_server;
    QHash<QString, Response> m_responses;
    QStringList m_requests;
};
