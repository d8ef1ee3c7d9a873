#include "tests/fuzz/LinkFuzzHarness.h"

#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/Packet.h"
#include "device/TuningRecord.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

using namespace pkt;

namespace link_fuzz {
namespace {

// How long a blocked write waits before it fails, like a peer that stopped reading; short, so
// that a fuzzer still runs fast.
constexpr auto kBlockedWrite = std::chrono::milliseconds(2);
// How long one turn of the event loop may take after each input.
constexpr int kEventTurnMs = 50;

// Serves queued packets to the receive thread; the thread is idle once it asks for the next
// packet with the queue empty, so every packet before has been dispatched. Writes answering a
// packet succeed, fail at once, or block for a while and then fail, as the packet's last byte
// picks.
class ScriptedTransport : public Transport {
public:
    bool isPresent(bool) override { return true; }
    bool open(QString* serial) override {
        *serial = QStringLiteral("FUZZ0001");
        return true;
    }
    bool isOpen() const override { return true; }
    bool isLost() override { return false; }
    void close() override {}
    int write(const uint8_t*) override {
        switch (m_writeMode.load()) {
        case 2:
            return -1;
        case 3:
            std::this_thread::sleep_for(kBlockedWrite);
            return -1;
        default:
            return kPacketSize;
        }
    }

    int read(uint8_t, uint8_t* packet, int timeoutMs) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_queue.empty()) {
            m_idle = true;
            m_changed.notify_all();
            m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [this] { return !m_queue.empty(); });
            if (m_queue.empty())
                return -1;
        }
        const std::vector<uint8_t> next = std::move(m_queue.front());
        m_queue.pop_front();
        m_writeMode = next.size() == size_t(kPacketSize) ? next.back() & 3 : 0;
        std::memcpy(packet, next.data(), next.size());
        return int(next.size());
    }

    void serveAndWait(std::deque<std::vector<uint8_t>> packets) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_queue = std::move(packets);
        m_idle = false;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_idle && m_queue.empty(); });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<uint8_t>> m_queue;
    bool m_idle = false;
    std::atomic<int> m_writeMode{0};
};

// A fault the sanitizers would not see: the link handing on more than its buffer holds.
void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "link fuzz: %s\n", what);
        std::abort();
    }
}

struct Link {
    ScriptedTransport* transport = new ScriptedTransport;
    CamDevCtrl* ctrl = nullptr;
    // Reports that reached the user-interface thread in the current turn of the event loop.
    int reports = 0;
    int masks = 0;

    Link() {
        static int argc = 1;
        static char name[] = "link-fuzz";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
        ctrl = new CamDevCtrl(std::unique_ptr<Transport>(transport));
        QObject::connect(
            ctrl, &CamDevCtrl::sigReceiveMask, ctrl,
            [](unsigned char* mask, int length) {
                require(mask && length >= 0 && length <= CamDevCtrl::kMaskSize,
                        "mask length outside its buffer");
            },
            Qt::DirectConnection);
        QObject::connect(
            ctrl, &CamDevCtrl::sigSetPrevTweak, ctrl,
            [](unsigned char* record) {
                const TuningRecord tuning = TuningRecord::fromDeviceRecord(record);
                require(tuning.tweakCount >= 0 && tuning.tweakCount <= TuningRecord::kMaxTweaks,
                        "tweak count outside its table");
            },
            Qt::DirectConnection);
        countQueued(&CamDevCtrl::sigSetFWVersion);
        countQueued(&CamDevCtrl::sigSetFWOption);
        countQueued(&CamDevCtrl::sigSetPrevTweak);
        countQueued(&CamDevCtrl::sigNewFrame);
        countQueued(&CamDevCtrl::sigACNewFrame);
        countQueued(&CamDevCtrl::sigACNextStep);
        countQueued(&CamDevCtrl::sigMCDone);
        countQueued(&CamDevCtrl::sigMCNextStep);
        QObject::connect(ctrl, &CamDevCtrl::sigReceiveMask, ctrl, [this] { ++masks; });
        ctrl->SetRecvEndpoint(0);
        ctrl->CreateRecvPacketThread();
    }

    template <typename Signal> void countQueued(Signal signal) {
        QObject::connect(
            ctrl, signal, ctrl, [this] { ++reports; }, Qt::QueuedConnection);
    }

    // What the user-interface thread would do next: take the queued reports, within a bounded
    // time. However many packets came, only a bounded number of reports may be waiting.
    void turnEventLoop() {
        reports = 0;
        masks = 0;
        QCoreApplication::processEvents(QEventLoop::AllEvents, kEventTurnMs);
        require(reports <= ReportGate::Kinds * ReportGate::kMaxWaiting,
                "reports queued without bound");
        require(masks <= 1, "more than one mask queued");
    }
};

Link& link() {
    static Link* instance = new Link;
    return *instance;
}

// Cuts the input into packets; `code` may replace each packet's code from its first byte.
template <typename CodeFor>
std::deque<std::vector<uint8_t>> packetsOf(const uint8_t* data, size_t size, CodeFor code) {
    std::deque<std::vector<uint8_t>> packets;
    for (size_t at = 0; at < size; at += kPacketSize) {
        const size_t bytes = std::min(size - at, size_t(kPacketSize));
        std::vector<uint8_t> packet(bytes, 0);
        std::memcpy(packet.data(), data + at, bytes);
        code(packet);
        packets.push_back(std::move(packet));
    }
    return packets;
}

void replaceCode(std::vector<uint8_t>& packet, const uint32_t* codes, size_t count) {
    if (packet.size() < 4)
        packet.resize(4, 0);
    le::put32(packet.data(), 0, codes[packet[0] % count]);
}

} // namespace

void quietLog() {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

void receiveDispatch(const uint8_t* data, size_t size) {
    Link& l = link();
    l.ctrl->RequestACImage(0, 0);
    l.transport->serveAndWait(packetsOf(data, size, [](std::vector<uint8_t>&) {}));
    l.turnEventLoop();
}

void imageAssembly(const uint8_t* data, size_t size) {
    static const uint32_t codes[] = {DAT_IMAGE,       DAT_IMGEND,        DAT_AC_IMAGE,
                                     DAT_AC_IMGEND,   DAT_AC_IMAGE_PART, RES_AC_IMGPART_END,
                                     RES_AC_WHITE_END};
    if (size == 0)
        return;
    Link& l = link();
    l.ctrl->RequestACImage(1, 0);
    if (data[0] % (CamDevCtrl::kGroupCount + 1) != 0)
        l.ctrl->RequestACImage(1, data[0] % (CamDevCtrl::kGroupCount + 1));
    l.transport->serveAndWait(packetsOf(data + 1, size - 1, [](std::vector<uint8_t>& p) {
        replaceCode(p, codes, std::size(codes));
    }));
    l.turnEventLoop();
}

void recordAndMask(const uint8_t* data, size_t size) {
    static const uint32_t codes[] = {DAT_EEPROM,         DAT_MASK,  DAT_OPTION,
                                     DAT_VERSION,        RES_DEBUG, DAT_MC_INPUT_POINT,
                                     RES_MC_PATTERN_END, DAT_MASK};
    Link& l = link();
    l.transport->serveAndWait(packetsOf(
        data, size, [](std::vector<uint8_t>& p) { replaceCode(p, codes, std::size(codes)); }));
    l.turnEventLoop();
}

} // namespace link_fuzz
