#pragma once

#include "device/Transport.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QMutex>
#include <QWaitCondition>
#include <atomic>
#include <cstring>
#include <deque>

// A module the test scripts by hand: packets pushed with feed() come out of read() on their
// endpoint; everything written is recorded.
class FakeTransport : public Transport {
public:
    bool present = true;
    bool hidReady = true;
    bool failReadsAtOnce = false;
    // The bus's answer to an open of the present module.
    OpenFailure refusal = OpenFailure::None;
    std::atomic<int> reads{0};

    bool isPresent(bool checkHid) override { return present && (!checkHid || hidReady); }
    bool open(QString* serial) override {
        m_open = present && refusal == OpenFailure::None;
        *serial = QStringLiteral("FAKE0001");
        return m_open;
    }
    OpenFailure lastOpenFailure() const override { return present ? refusal : OpenFailure::None; }
    bool isOpen() const override { return m_open; }
    bool isLost() override { return false; }
    void close() override { m_open = false; }

    int write(const uint8_t* packet) override {
        QMutexLocker lock(&m_mutex);
        m_written.append(QByteArray(reinterpret_cast<const char*>(packet), 512));
        m_cond.wakeAll();
        return 512;
    }

    int read(uint8_t endpoint, uint8_t* packet, int timeoutMs) override {
        ++reads;
        if (failReadsAtOnce || !m_open)
            return -1;
        QMutexLocker lock(&m_mutex);
        auto& queue = endpoint == 0x84 ? m_image : m_command;
        if (queue.empty()) {
            m_idle = true;
            m_idleCond.wakeAll();
            m_cond.wait(&m_mutex, ulong(timeoutMs));
            m_idle = false;
        }
        if (queue.empty())
            return -1;
        std::memcpy(packet, queue.front().constData(), 512);
        queue.pop_front();
        return 512;
    }

    void feed(uint8_t endpoint, const QByteArray& packet) {
        QMutexLocker lock(&m_mutex);
        QByteArray full = packet.left(512);
        full.append(QByteArray(512 - full.size(), '\0'));
        (endpoint == 0x84 ? m_image : m_command).push_back(full);
        m_cond.wakeAll();
    }

    // Waits until everything fed has been read and handled: the reader is back, waiting for
    // more.
    bool waitUntilIdle(int timeoutMs = 5000) {
        QMutexLocker lock(&m_mutex);
        QDeadlineTimer deadline(timeoutMs);
        while (!(m_idle && m_command.empty() && m_image.empty()))
            if (!m_idleCond.wait(&m_mutex, deadline))
                return false;
        return true;
    }

    QList<QByteArray> written() {
        QMutexLocker lock(&m_mutex);
        return m_written;
    }
    void clearWritten() {
        QMutexLocker lock(&m_mutex);
        m_written.clear();
    }

private:
    std::atomic<bool> m_open{false};
    QMutex m_mutex;
    QWaitCondition m_cond;
    QWaitCondition m_idleCond;
    bool m_idle = false;
    std::deque<QByteArray> m_command, m_image;
    QList<QByteArray> m_written;
};

// A packet with a code, a length field and payload bytes from offset 8.
inline QByteArray makePacket(uint32_t code, int32_t length, const QByteArray& payload = {}) {
    QByteArray p(512, '\0');
    for (int i = 0; i < 4; ++i) {
        p[i] = char((code >> (8 * i)) & 0xFF);
        p[4 + i] = char((uint32_t(length) >> (8 * i)) & 0xFF);
    }
    std::memcpy(p.data() + 8, payload.constData(), size_t(qMin(payload.size(), 504)));
    return p;
}
