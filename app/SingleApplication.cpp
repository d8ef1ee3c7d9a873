#include "app/SingleApplication.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace {

// Tests give each run its own key so that parallel runs do not see each other.
QString instanceKey() {
    const QString key = qEnvironmentVariable("TIVORA_INSTANCE_KEY");
    return key.isEmpty() ? QStringLiteral("Tivora") : key;
}

// Per user: another user's copy is no business of this one.
QString channelName() {
    return QStringLiteral("%1-%2").arg(instanceKey()).arg(::getuid());
}

// The running copy answers within a moment or not at all.
constexpr int kAnswerMs = 1000;
// A request is one short line; the channel reads no more than this of what a client sends.
constexpr qint64 kMaxRequest = 16;

} // namespace

SingleApplication::SingleApplication(int& argc, char** argv)
    : QApplication(argc, argv), m_pSharedMemory(new QSharedMemory(instanceKey(), this)) {}

SingleApplication::~SingleApplication() {
    if (m_pSharedMemory->isAttached())
        m_pSharedMemory->detach();
}

bool SingleApplication::isPrimaryInstance() {
    if (m_pSharedMemory->attach(QSharedMemory::ReadOnly)) {
        // Detaching removes a segment nobody else is attached to: the one a killed copy
        // left behind. If it is still there after that, a live copy holds it.
        m_pSharedMemory->detach();
        if (m_pSharedMemory->attach(QSharedMemory::ReadOnly)) {
            m_pSharedMemory->detach();
            return false;
        }
        qCDebug(lcApp)
            << "SingleApplication: removed the lock of an instance that ended abnormally";
    }
    return m_pSharedMemory->create(1, QSharedMemory::ReadWrite);
}

void SingleApplication::listenForLaterStarts() {
    m_pServer = new QLocalServer(this);
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    // A killed copy leaves its socket behind; this copy holds the lock, so it is stale.
    QLocalServer::removeServer(channelName());
    if (!m_pServer->listen(channelName())) {
        qCWarning(lcApp) << "SingleApplication: later starts cannot reach this copy:"
                         << m_pServer->errorString();
        return;
    }
    connect(m_pServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = m_pServer->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                client->read(kMaxRequest);
                client->disconnectFromServer();
                emit sigShowRequested();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
}

bool SingleApplication::askRunningCopyToShow() {
    QLocalSocket socket;
    socket.connectToServer(channelName());
    if (!socket.waitForConnected(kAnswerMs))
        return false;
    socket.write("show\n");
    return socket.waitForBytesWritten(kAnswerMs);
}
