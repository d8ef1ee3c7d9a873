#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <thread>

// A hostile camera module behind the Unix-socket transport: it listens on a path, sends a
// serial number when the program connects, answers the opening requests, and then plays one
// scenario on its own thread until it is stopped.
class HostilePeer {
public:
    enum class Scenario {
        // Sends whole masks without end and never reads what the program writes.
        StopReading,
        // Whole masks and single last parts (number 57) as fast as the socket takes them.
        MaskFlood,
        // Packets with random codes, known and unknown, lying length fields and endpoints.
        RandomCodes,
        // Answers the request for the last mask part with part 0 again, and so on.
        EndlessMask,
        // Serves captures with part 5 missing and never sends it again when asked.
        NeverRepaired,
    };

    HostilePeer(QString path, Scenario scenario, QByteArray serial);
    ~HostilePeer();

    bool listen();
    void start();
    void stop();

    int maskRequests() const { return m_nMaskRequests; }
    int repairRequests() const { return m_nRepairRequests; }
    long long packetsSent() const { return m_nSent; }

private:
    void run();
    void serve(int fd);
    void onCommand(int fd, const uint8_t* packet);
    void flood(int fd);
    // Takes in what the program wrote; false once it has hung up.
    bool receive(int fd);
    bool send(int fd, uint8_t endpoint, const QByteArray& packet);
    void sendMaskPart(int fd, int part);
    void sendCaptureGroup(int fd, int group);

    const QString m_sPath;
    const Scenario m_eScenario;
    const QByteArray m_serial;
    int m_listenFd = -1;
    std::thread m_thread;
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_nMaskRequests{0};
    std::atomic<int> m_nRepairRequests{0};
    std::atomic<long long> m_nSent{0};
    QByteArray m_inbox;
    unsigned m_nRandom = 12345;
};
