#include "device/UnixSocketTransport.h"

#include "device/Packet.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <QElapsedTimer>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int kSerialWaitMs = 2000;
// As long as a USB write may take: a peer that stops reading loses the link, it cannot hold
// a writer (and the USB write lock) for ever.
constexpr int kWriteTimeoutMs = 1000;
// A peer that floods an endpoint nobody reads cannot make us grow without bound.
constexpr size_t kMaxQueued = 4096;

} // namespace

UnixSocketTransport::UnixSocketTransport(QString path) : m_sPath(std::move(path)) {}

UnixSocketTransport::~UnixSocketTransport() {
    close();
}

bool UnixSocketTransport::isPresent(bool) {
    struct stat st {};
    const QByteArray path = m_sPath.toLocal8Bit();
    return ::stat(path.constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

bool UnixSocketTransport::isOpen() const {
    std::lock_guard<std::mutex> lock(m_stateLock);
    return m_fd >= 0;
}

bool UnixSocketTransport::isLost() {
    std::lock_guard<std::mutex> lock(m_stateLock);
    return m_fd >= 0 && m_bDisconnected;
}

bool UnixSocketTransport::open(QString* serialNumber) {
    close();
    const QByteArray path = m_sPath.toLocal8Bit();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof addr.sun_path) {
        qCWarning(lcDevice).noquote() << "unix socket path too long:" << m_sPath;
        return false;
    }
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        m_fd = fd;
        m_bDisconnected = false;
    }

    std::lock_guard<std::mutex> lock(m_readLock);
    QElapsedTimer clock;
    clock.start();
    while (m_serialQueue.empty()) {
        const qint64 left = kSerialWaitMs - clock.elapsed();
        if (left <= 0 || !receiveOne(int(left))) {
            qCWarning(lcDevice).noquote() << "unix socket peer sent no serial number:" << m_sPath;
            std::lock_guard<std::mutex> state(m_stateLock);
            ::close(m_fd);
            m_fd = -1;
            return false;
        }
    }
    const Message serial = m_serialQueue.front();
    m_serialQueue.pop_front();
    const QByteArray text = serial.mid(1, pkt::kPacketSize);
    *serialNumber =
        QString::fromLatin1(text.left(int(qstrnlen(text.constData(), uint(text.size())))));
    return true;
}

void UnixSocketTransport::close() {
    std::lock_guard<std::mutex> readLock(m_readLock);
    std::lock_guard<std::mutex> lock(m_stateLock);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_bDisconnected = false;
    m_partial.clear();
    m_commandQueue.clear();
    m_imageQueue.clear();
    m_serialQueue.clear();
}

void UnixSocketTransport::markDisconnected() {
    std::lock_guard<std::mutex> lock(m_stateLock);
    m_bDisconnected = true;
}

int UnixSocketTransport::write(const uint8_t* packet) {
    int fd;
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        if (m_fd < 0 || m_bDisconnected)
            return -1;
        fd = m_fd;
    }
    uint8_t message[kMessageSize];
    message[0] = pkt::kEpWrite;
    std::memcpy(message + 1, packet, pkt::kPacketSize);
    QElapsedTimer clock;
    clock.start();
    size_t sent = 0;
    while (sent < sizeof message) {
        const ssize_t n =
            ::send(fd, message + sent, sizeof message - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        const qint64 left = kWriteTimeoutMs - clock.elapsed();
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && left > 0) {
            pollfd pfd{fd, POLLOUT, 0};
            ::poll(&pfd, 1, int(left));
            continue;
        }
        if (left <= 0)
            qCWarning(lcDevice).noquote() << "unix socket peer stopped reading: the link is lost";
        markDisconnected();
        return -1;
    }
    return pkt::kPacketSize;
}

std::deque<UnixSocketTransport::Message>* UnixSocketTransport::queueFor(uint8_t endpoint) {
    switch (endpoint) {
    case pkt::kEpCommand:
        return &m_commandQueue;
    case pkt::kEpImage:
        return &m_imageQueue;
    case 0x00:
        return &m_serialQueue;
    default:
        return nullptr;
    }
}

bool UnixSocketTransport::receiveOne(int timeoutMs) {
    int fd;
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        if (m_fd < 0 || m_bDisconnected)
            return false;
        fd = m_fd;
    }
    QElapsedTimer clock;
    clock.start();
    while (m_partial.size() < kMessageSize) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return false;
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char chunk[kMessageSize];
        const ssize_t n = ::recv(fd, chunk, size_t(kMessageSize - m_partial.size()), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            markDisconnected();
            return false;
        }
        m_partial.append(chunk, int(n));
    }
    const Message message = m_partial;
    m_partial.clear();
    if (auto* queue = queueFor(uint8_t(message[0]))) {
        if (queue->size() >= kMaxQueued)
            queue->pop_front();
        queue->push_back(message);
    }
    return true;
}

int UnixSocketTransport::read(uint8_t endpoint, uint8_t* packet, int timeoutMs) {
    std::lock_guard<std::mutex> lock(m_readLock);
    std::deque<Message>* queue = queueFor(endpoint);
    if (!queue)
        return -1;
    QElapsedTimer clock;
    clock.start();
    while (queue->empty()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || !receiveOne(int(left)))
            return -1;
    }
    std::memcpy(packet, queue->front().constData() + 1, pkt::kPacketSize);
    queue->pop_front();
    return pkt::kPacketSize;
}
