#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/LinkStorage.h"
#include "device/Packet.h"
#include "device/PacketLog.h"
#include "log/LogCategories.h"
#include "log/Pause.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstring>

using namespace pkt;

namespace {

// Both time-outs bound how long a stop waits, so they go through the pause hook as well.
constexpr int kReadTimeoutMs = 500;
constexpr int kDrainTimeoutMs = 1000;
// A read that fails much faster than its time-out means the device is gone; pausing keeps
// the loop from spinning a core until the connection watch stops it.
constexpr int kImmediateFailureMs = 20;
constexpr int kFailurePauseMs = 50;

int payloadLength(const uint8_t* packet) {
    return le::i32(packet, 4);
}

} // namespace

bool CamDevCtrl::CreateRecvPacketThread() {
    std::lock_guard<std::recursive_mutex> control(m_threadControl);
    reapAbandonedThreads(false);
    // A thread still running is told to stop before it is given up on; the new thread gets a
    // stop request of its own.
    m_stopRequest->store(true);
    m_stopRequest = std::make_shared<std::atomic<bool>>(false);
    if (m_pThreadRecv) {
        qCDebug(lcDevice) << "CreateRecvPacketThread: m_pThreadRecv is not NULL";
        retireReceiveThread();
    }
    const int selector = m_nEndpointSelector;
    const StopToken stop = m_stopRequest;
    m_pThreadRecv = QThread::create([this, selector, stop] { RecvPacketProc(selector, stop); });
    m_pThreadRecv->start(QThread::InheritPriority);
    return true;
}

void CamDevCtrl::DeleteThread() {
    std::lock_guard<std::recursive_mutex> control(m_threadControl);
    m_stopRequest->store(true);
    if (!m_pThreadRecv) {
        qCDebug(lcDevice) << "DeleteThread: m_pThreadRecv is NULL";
        return;
    }
    int waits = 0;
    while (waits < 100 && m_pThreadRecv->isRunning()) {
        pause::sleepMs(100);
        ++waits;
    }
    retireReceiveThread();
    qCDebug(lcDevice) << "DeleteThread:" << waits;
}

// A thread that has not ended yet cannot be deleted: it is kept until it has.
void CamDevCtrl::retireReceiveThread() {
    if (m_pThreadRecv->isRunning()) {
        qCDebug(lcDevice) << "m_pThreadRecv is still running";
        m_abandonedThreads.push_back(m_pThreadRecv);
    } else {
        delete m_pThreadRecv;
    }
    m_pThreadRecv = nullptr;
}

// Each abandoned thread has its own stop token, already set, so it ends at its next read;
// it is deleted once it has, and the link never goes away while one still runs.
void CamDevCtrl::reapAbandonedThreads(bool wait) {
    auto it = m_abandonedThreads.begin();
    while (it != m_abandonedThreads.end()) {
        QThread* thread = *it;
        if (wait)
            thread->wait();
        if (thread->isFinished()) {
            delete thread;
            it = m_abandonedThreads.erase(it);
        } else {
            ++it;
        }
    }
}

void CamDevCtrl::RecvPacketProc(int selector, const StopToken& stop) {
    if (!m_pTransport->isOpen())
        return;
    const uint8_t endpoint = selector == 0 ? kEpCommand : kEpImage;
    std::vector<uint8_t> packet(kPacketSize);
    qCDebug(lcDevice).noquote() << QString::asprintf(
        "RecvPacketProc Start ======================> EpAddress = 0x%02X", endpoint);
    qCDebug(lcDevice) << "RecvPacketProc: Thread ID =" << QThread::currentThreadId();

    QElapsedTimer clock;
    while (!stop->load()) {
        std::fill(packet.begin(), packet.end(), 0);
        clock.start();
        const int bytesRead =
            m_pTransport->read(endpoint, packet.data(), pause::scaledMs(kReadTimeoutMs));
        if (bytesRead <= 0) {
            if (clock.elapsed() < kImmediateFailureMs)
                pause::sleepMs(kFailurePauseMs);
            continue;
        }
        dispatch(packet.data(), bytesRead);
    }
    if (selector != 0)
        drainImageEndpoint(packet.data());
    qCDebug(lcDevice) << "<============================RecvPacketProc End";
}

void CamDevCtrl::drainImageEndpoint(uint8_t* packet) {
    int failures = 0;
    while (failures < 2) {
        std::memset(packet, 0, kPacketSize);
        const int bytesRead =
            m_pTransport->read(kEpImage, packet, pause::scaledMs(kDrainTimeoutMs));
        if (bytesRead <= 0) {
            ++failures;
            continue;
        }
        const uint32_t code = le::u32(packet, 0);
        if (code == DAT_IMGEND)
            return;
        if (code == DAT_IMAGE) {
            failures = 0;
            ReceiveImgProcHID(packet, bytesRead);
        }
    }
}

void CamDevCtrl::dispatch(const uint8_t* packet, int bytesRead) {
    const uint32_t code = le::u32(packet, 0);
    const int length = payloadLength(packet);
    const uint8_t* payload = packet + kHeaderSize;
    switch (code) {
    case DAT_VERSION: {
        const QString version = QString::asprintf("%d.%02d", payload[0], payload[1]);
        qCDebug(lcDevice).noquote() << "F/W Version:" << version;
        noteAnswer(AnswerVersion);
        if (m_reports.admit(ReportGate::Version))
            emit sigSetFWVersion(version);
        break;
    }
    case CMD_IIC_RD:
        break;
    case DAT_IMAGE:
    case DAT_IMGEND:
        ReceiveImgProcHID(packet, bytesRead);
        break;
    case RES_AC_BLACK_END:
    case RES_AC_WHITE_END:
    case RES_AC_PATTERN_END:
    case RES_AC_READY_END:
        if (m_reports.admit(ReportGate::NextStep))
            emit sigACNextStep();
        PrintPacket(packet);
        break;
    case DAT_AC_IMAGE:
    case DAT_AC_IMGEND:
    case DAT_AC_IMAGE_PART:
    case RES_AC_IMGPART_END:
        ReceiveACProcHID(packet, bytesRead);
        break;
    case RES_MC_PATTERN_DONE:
        PrintPacket(packet);
        if (m_reports.admit(ReportGate::MCDone))
            emit sigMCDone();
        break;
    case RES_MC_PATTERN_END:
        PrintPacket(packet);
        link::g_mcPatternEnd = le::i32(payload, 0);
        // The size handed on describes the one int it points to, whatever the length field
        // claims: a receiver takes a size of 200 for the input points.
        if (m_reports.admit(ReportGate::MCNextStep))
            emit sigMCNextStep(&link::g_mcPatternEnd, std::clamp(length, 0, int(sizeof(int))));
        break;
    case RES_DEBUG:
        if (length == 24)
            qCDebug(lcDevice).noquote()
                << QString::asprintf("RES_DEBUG : %f, %f, size[%d]", le::f64(payload, 0),
                                     le::f64(payload, 8), int(le::u32(payload, 16)));
        break;
    case DAT_OPTION:
        if (length == 4) {
            qCDebug(lcDevice) << "F/W Option:" << payload[0] << payload[1] << payload[2]
                              << payload[3];
            noteAnswer(AnswerOptions);
            if (m_reports.admit(ReportGate::Option))
                emit sigSetFWOption(payload[0], payload[1], payload[2], payload[3]);
        } else {
            qCDebug(lcDevice) << "F/W Option: invalid length =" << bytesRead;
        }
        break;
    case DAT_EEPROM:
        ReceiveEeprom(packet);
        break;
    case DAT_MC_INPUT_POINT:
        if (length == link::kInputPointBytes) {
            qCDebug(lcDevice) << "--------";
            const int count = std::min(25, std::max(link::g_nAC.load(), link::g_nMC.load()));
            for (int i = 0; i < count; ++i)
                qCDebug(lcDevice).noquote() << QString::asprintf(
                    "%d: %.2f, %.2f", i, le::f32(payload, 8 * i), le::f32(payload, 8 * i + 4));
            std::memcpy(link::g_inputPoints, payload, link::kInputPointBytes);
            if (m_reports.admit(ReportGate::MCNextStep))
                emit sigMCNextStep(reinterpret_cast<int*>(link::g_inputPoints),
                                   link::kInputPointBytes);
        }
        break;
    case DAT_MASK:
        ReceiveMaskPart(packet);
        break;
    default:
        PrintPacket(packet);
        break;
    }
}
