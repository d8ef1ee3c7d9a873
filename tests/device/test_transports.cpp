#include "device/Packet.h"
#include "device/UnixSocketTransport.h"
#include "device/UsbTransport.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// A peer process stand-in: listens on a Unix socket, sends its serial number on accept and
// then whatever the test scripts.
class SocketPeer {
public:
    explicit SocketPeer(const QString& path) {
        m_listen = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray p = path.toLocal8Bit();
        std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(m_listen, 1);
    }
    ~SocketPeer() {
        closeConnection();
        ::close(m_listen);
    }

    // Accepts on a thread so the transport's connect and serial wait can run meanwhile.
    void acceptAndGreet(const QByteArray& serial) {
        m_acceptor = std::thread([this, serial] {
            m_conn = ::accept(m_listen, nullptr, nullptr);
            QByteArray greeting(512, '\0');
            std::memcpy(greeting.data(), serial.constData(), size_t(serial.size()));
            send(0x00, greeting);
        });
    }
    void joinAccept() {
        if (m_acceptor.joinable())
            m_acceptor.join();
    }

    void send(uint8_t endpoint, const QByteArray& packet) {
        QByteArray message(1, char(endpoint));
        message += packet.leftJustified(512, '\0', true);
        ::send(m_conn, message.constData(), size_t(message.size()), MSG_NOSIGNAL);
    }
    // Sends a message in two pieces, as a stream may deliver it.
    void sendSplit(uint8_t endpoint, const QByteArray& packet) {
        QByteArray message(1, char(endpoint));
        message += packet.leftJustified(512, '\0', true);
        ::send(m_conn, message.constData(), 100, MSG_NOSIGNAL);
        ::send(m_conn, message.constData() + 100, 413, MSG_NOSIGNAL);
    }
    QByteArray receive() {
        QByteArray message(513, '\0');
        int got = 0;
        while (got < 513) {
            const ssize_t n = ::recv(m_conn, message.data() + got, size_t(513 - got), 0);
            if (n <= 0)
                return {};
            got += int(n);
        }
        return message;
    }
    void closeConnection() {
        joinAccept();
        if (m_conn >= 0)
            ::close(m_conn);
        m_conn = -1;
    }

private:
    int m_listen = -1;
    int m_conn = -1;
    std::thread m_acceptor;
};

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24);
}

QByteArray packetWithCode(uint32_t code) {
    QByteArray p(512, '\0');
    std::memcpy(p.data(), &code, 4);
    return p;
}

} // namespace

class TransportsTest : public QObject {
    Q_OBJECT

private slots:
    void usbReportsAbsenceWithoutBus();
    void socketPresenceFollowsThePath();
    void socketOpenReadsSerialAndRoutesEndpoints();
    void socketPeerCloseActsAsUnplug();
    void socketOpenFailsWithoutGreeting();
    void socketPeerThatStopsReadingLosesTheLink();
};

void TransportsTest::usbReportsAbsenceWithoutBus() {
    UsbTransport usb;
    QVERIFY(!usb.isPresent(false));
    QVERIFY(!usb.isPresent(true));
    QString serial;
    QVERIFY(!usb.open(&serial));
    QVERIFY(!usb.isOpen());
    uint8_t packet[512] = {};
    QCOMPARE(usb.write(packet), -1);
    QVERIFY(usb.read(0x83, packet, 10) < 0);
}

void TransportsTest::socketPresenceFollowsThePath() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("module.sock"));
    UnixSocketTransport transport(path);
    QVERIFY(!transport.isPresent(true));
    {
        SocketPeer peer(path);
        QVERIFY(transport.isPresent(false));
        QVERIFY(transport.isPresent(true));
    }
    QFile plain(dir.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    QVERIFY(!UnixSocketTransport(plain.fileName()).isPresent(true));
}

void TransportsTest::socketOpenReadsSerialAndRoutesEndpoints() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("module.sock"));
    SocketPeer peer(path);
    UnixSocketTransport transport(path);
    peer.acceptAndGreet("PEER-42");
    QString serial;
    QVERIFY(transport.open(&serial));
    peer.joinAccept();
    QCOMPARE(serial, QStringLiteral("PEER-42"));
    QVERIFY(transport.isOpen());

    const QByteArray request = packetWithCode(pkt::CMD_SENDVERSION);
    QCOMPARE(transport.write(reinterpret_cast<const uint8_t*>(request.constData())), 512);
    const QByteArray received = peer.receive();
    QCOMPARE(uint8_t(received[0]), pkt::kEpWrite);
    QCOMPARE(received.mid(1), request);

    peer.send(pkt::kEpImage, packetWithCode(pkt::DAT_IMAGE));
    peer.sendSplit(pkt::kEpCommand, packetWithCode(pkt::DAT_VERSION));
    uint8_t packet[512] = {};
    QCOMPARE(transport.read(pkt::kEpCommand, packet, 2000), 512);
    QCOMPARE(le32(packet), uint32_t(pkt::DAT_VERSION));
    QCOMPARE(transport.read(pkt::kEpImage, packet, 2000), 512);
    QCOMPARE(le32(packet), uint32_t(pkt::DAT_IMAGE));
    QVERIFY(transport.read(pkt::kEpImage, packet, 50) < 0);
}

void TransportsTest::socketPeerCloseActsAsUnplug() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("module.sock"));
    SocketPeer peer(path);
    UnixSocketTransport transport(path);
    peer.acceptAndGreet("PEER-1");
    QString serial;
    QVERIFY(transport.open(&serial));
    QVERIFY(!transport.isLost());
    peer.closeConnection();
    uint8_t packet[512] = {};
    QVERIFY(transport.read(pkt::kEpCommand, packet, 1000) < 0);
    QCOMPARE(transport.write(packet), -1);
    QVERIFY(transport.isLost());
    transport.close();
    QVERIFY(!transport.isOpen());
    QVERIFY(!transport.isLost());
}

void TransportsTest::socketOpenFailsWithoutGreeting() {
    QTemporaryDir dir;
    UnixSocketTransport transport(dir.filePath(QStringLiteral("absent.sock")));
    QString serial;
    QVERIFY(!transport.open(&serial));
    QVERIFY(!transport.isOpen());
}

void TransportsTest::socketPeerThatStopsReadingLosesTheLink() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("module.sock"));
    SocketPeer peer(path);
    UnixSocketTransport transport(path);
    peer.acceptAndGreet("PEER-1");
    QString serial;
    QVERIFY(transport.open(&serial));
    // The peer reads nothing: the socket's buffer fills, then a write runs out of time.
    const QByteArray packet = packetWithCode(pkt::CMD_SENDIMG);
    const auto* bytes = reinterpret_cast<const uint8_t*>(packet.constData());
    int writes = 0;
    while (transport.write(bytes) == pkt::kPacketSize)
        QVERIFY(++writes < 100000);
    QVERIFY(writes > 0);
    QVERIFY(transport.isLost());
    QCOMPARE(transport.write(bytes), -1);
}

QTEST_GUILESS_MAIN(TransportsTest)
#include "test_transports.moc"
