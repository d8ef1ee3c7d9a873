#include "tests/faults/HostilePeer.h"

#include "device/ByteOrder.h"
#include "device/Packet.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <iterator>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace pkt;

namespace {

constexpr int kMessageSize = 513;
constexpr int kMaskParts = 58;
constexpr int kMissingPart = 5;
constexpr int kPartsPerGroup = 24;
constexpr int kLastGroup = 79;

QByteArray packet(uint32_t code, int32_t length, const QByteArray& payload = {}) {
    QByteArray p(kPacketSize, '\0');
    auto* bytes = reinterpret_cast<uint8_t*>(p.data());
    le::put32(bytes, 0, code);
    le::put32(bytes, 4, uint32_t(length));
    std::memcpy(bytes + kHeaderSize, payload.constData(),
                size_t(std::min(int(payload.size()), kMaxPayload)));
    return p;
}

} // namespace

HostilePeer::HostilePeer(QString path, Scenario scenario, QByteArray serial)
    : m_sPath(std::move(path)), m_eScenario(scenario), m_serial(std::move(serial)) {}

HostilePeer::~HostilePeer() {
    stop();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
}

bool HostilePeer::listen() {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(m_sPath);
    if (size_t(path.size()) >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return m_listenFd >= 0 &&
           ::bind(m_listenFd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 &&
           ::listen(m_listenFd, 4) == 0;
}

void HostilePeer::start() {
    m_thread = std::thread([this] { run(); });
}

void HostilePeer::stop() {
    m_bStop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void HostilePeer::run() {
    while (!m_bStop) {
        pollfd pfd{m_listenFd, POLLIN, 0};
        if (::poll(&pfd, 1, 50) <= 0)
            continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        serve(fd);
        ::close(fd);
    }
}

// Until the program hangs up or the test stops the peer.
void HostilePeer::serve(int fd) {
    QByteArray serial = m_serial.left(kPacketSize);
    serial.resize(kPacketSize);
    if (!send(fd, 0x00, serial))
        return;
    m_inbox.clear();
    while (!m_bStop) {
        if (m_eScenario != Scenario::StopReading) {
            pollfd pfd{fd, POLLIN, 0};
            ::poll(&pfd, 1,
                   m_eScenario == Scenario::EndlessMask || m_eScenario == Scenario::NeverRepaired
                       ? 20
                       : 0);
            if (!receive(fd))
                return;
            while (m_inbox.size() >= kMessageSize) {
                const QByteArray message = m_inbox.left(kMessageSize);
                m_inbox.remove(0, kMessageSize);
                if (uint8_t(message[0]) == kEpWrite)
                    onCommand(fd, reinterpret_cast<const uint8_t*>(message.constData()) + 1);
            }
        }
        if (!m_bStop)
            flood(fd);
    }
}

bool HostilePeer::receive(int fd) {
    char chunk[16 * kMessageSize];
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n > 0)
        m_inbox.append(chunk, int(n));
    return n > 0 || (n < 0 && (errno == EAGAIN || errno == EINTR));
}

void HostilePeer::onCommand(int fd, const uint8_t* p) {
    const uint32_t code = le::u32(p, 0);
    const uint8_t* payload = p + kHeaderSize;
    switch (code) {
    case CMD_SENDVERSION:
        send(fd, kEpCommand, packet(DAT_VERSION, 2, QByteArray("\x32\x0c", 2)));
        break;
    case CMD_SEND_OPTION:
        send(fd, kEpCommand, packet(DAT_OPTION, 4, QByteArray("\x00\x00\x00\x01", 4)));
        break;
    case CMD_GET_MASK:
        ++m_nMaskRequests;
        // The endless peer never lets a download end: the last part is answered with the first.
        if (m_eScenario == Scenario::EndlessMask)
            sendMaskPart(fd, payload[0] == kMaskParts - 1 ? 0 : payload[0]);
        break;
    case CMD_AC_BLACK_START:
        send(fd, kEpCommand, packet(RES_AC_BLACK_END, 0));
        break;
    case CMD_AC_WHITE_START:
        send(fd, kEpCommand, packet(RES_AC_WHITE_END, 0));
        break;
    case CMD_AC_PATTERN_START:
        send(fd, kEpCommand, packet(RES_AC_PATTERN_END, 0));
        break;
    case CMD_AC_SENDIMG:
        sendCaptureGroup(fd, payload[1]);
        break;
    case CMD_AC_SENDIMG_PART:
        ++m_nRepairRequests;
        send(fd, kEpCommand, packet(RES_AC_IMGPART_END, 0));
        break;
    default:
        break;
    }
}

void HostilePeer::flood(int fd) {
    switch (m_eScenario) {
    case Scenario::StopReading:
        for (int part = 0; part < kMaskParts && !m_bStop; ++part)
            sendMaskPart(fd, part);
        break;
    case Scenario::MaskFlood:
        for (int part = 0; part < kMaskParts; ++part)
            sendMaskPart(fd, part);
        for (int i = 0; i < 1024; ++i)
            sendMaskPart(fd, kMaskParts - 1);
        break;
    case Scenario::RandomCodes: {
        static const uint32_t codes[] = {
            DAT_VERSION,         CMD_IIC_RD,         DAT_IMAGE,          DAT_IMGEND,
            RES_AC_BLACK_END,    RES_AC_WHITE_END,   RES_AC_PATTERN_END, RES_AC_READY_END,
            DAT_AC_IMAGE,        DAT_AC_IMGEND,      DAT_AC_IMAGE_PART,  RES_AC_IMGPART_END,
            RES_MC_PATTERN_DONE, RES_MC_PATTERN_END, RES_DEBUG,          DAT_OPTION,
            DAT_EEPROM,          DAT_MC_INPUT_POINT, DAT_MASK,           RES_NAK};
        static const int32_t lengths[] = {0,   3,   4,   24, 200,     400,
                                          504, 505, 512, -1, INT_MAX, INT_MIN};
        for (int i = 0; i < 64; ++i) {
            const auto next = [this] {
                m_nRandom ^= m_nRandom << 13;
                m_nRandom ^= m_nRandom >> 17;
                m_nRandom ^= m_nRandom << 5;
                return m_nRandom;
            };
            const uint32_t r = next();
            const uint32_t code = r % 10 < 8 ? codes[next() % std::size(codes)] : next();
            QByteArray payload(kMaxPayload, '\0');
            for (char& c : payload)
                c = char(next());
            const uint8_t endpoint = r % 20 == 0   ? uint8_t(next())
                                     : r % 20 == 1 ? kEpImage
                                                   : kEpCommand;
            send(fd, endpoint, packet(code, lengths[next() % std::size(lengths)], payload));
        }
        break;
    }
    case Scenario::EndlessMask:
    case Scenario::NeverRepaired:
        break;
    }
}

bool HostilePeer::send(int fd, uint8_t endpoint, const QByteArray& p) {
    char message[kMessageSize];
    message[0] = char(endpoint);
    std::memcpy(message + 1, p.constData(), kPacketSize);
    int sent = 0;
    while (sent < kMessageSize && !m_bStop) {
        const ssize_t n =
            ::send(fd, message + sent, size_t(kMessageSize - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += int(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            // The program may be blocked writing to us: take in what it wrote, unless this
            // peer is the one that stopped reading.
            pollfd pfd{fd, short(POLLOUT | POLLIN), 0};
            ::poll(&pfd, 1, 50);
            if (m_eScenario != Scenario::StopReading && (pfd.revents & POLLIN))
                receive(fd);
        } else {
            return false;
        }
    }
    ++m_nSent;
    return sent == kMessageSize;
}

void HostilePeer::sendMaskPart(int fd, int part) {
    QByteArray payload(kMaxPayload, char(0x5A));
    payload[0] = char(part);
    send(fd, kEpCommand, packet(DAT_MASK, part == kMaskParts - 1 ? 131 : 504, payload));
}

void HostilePeer::sendCaptureGroup(int fd, int group) {
    if (group <= kLastGroup) {
        for (int n = group * kPartsPerGroup; n < (group + 1) * kPartsPerGroup; ++n) {
            if (n == kMissingPart)
                continue;
            QByteArray payload(kMaxPayload, char(0x40));
            uint8_t* bytes = reinterpret_cast<uint8_t*>(payload.data());
            le::put32(bytes, 0, uint32_t(n));
            le::put32(bytes, 4, 921600);
            send(fd, kEpCommand, packet(DAT_AC_IMAGE, 504, payload));
        }
    }
    send(fd, kEpCommand, packet(DAT_AC_IMGEND, 0));
}
