#pragma once

#include "device/Transport.h"

#include <QByteArray>
#include <deque>
#include <mutex>

// A module played by another process over a Unix stream socket. Every message, both ways, is
// 513 bytes: an endpoint address followed by the 512-byte packet. We send on 0x03; the peer
// answers on 0x83 (commands) or 0x84 (live image), and after accepting first sends 0x00 with
// its serial number (ASCII, NUL-padded). The module counts as present while PATH is a socket.
class UnixSocketTransport : public Transport {
public:
    static constexpr int kMessageSize = 513;

    explicit UnixSocketTransport(QString path);
    ~UnixSocketTransport() override;

    bool isPresent(bool checkHid) override;
    bool open(QString* serialNumber) override;
    bool isOpen() const override;
    bool isLost() override;
    void close() override;
    int write(const uint8_t* packet) override;
    int read(uint8_t endpoint, uint8_t* packet, int timeoutMs) override;

private:
    using Message = QByteArray;

    // Reads from the socket until a whole message has arrived or the time is up; routes it
    // into its endpoint's queue. Caller holds m_readLock.
    bool receiveOne(int timeoutMs);
    std::deque<Message>* queueFor(uint8_t endpoint);
    void markDisconnected();

    const QString m_sPath;
    mutable std::mutex m_stateLock;
    int m_fd = -1;
    bool m_bDisconnected = false;

    std::mutex m_readLock;
    QByteArray m_partial;
    std::deque<Message> m_commandQueue;
    std::deque<Message> m_imageQueue;
    std::deque<Message> m_serialQueue;
};
