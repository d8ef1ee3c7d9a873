#include "device/CamDevCtrl.h"

#include "device/ByteOrder.h"
#include "device/LinkStorage.h"
#include "device/Packet.h"
#include "device/PacketLog.h"
#include "device/UsbWriteLock.h"
#include "log/LogCategories.h"
#include "log/Pause.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>
#include <cstring>

using namespace pkt;

CamDevCtrl::CamDevCtrl(std::unique_ptr<Transport> transport, QObject* parent)
    : QObject(parent), m_partFlags(kPartFlagCount, 0), m_pTransport(std::move(transport)),
      m_stopRequest(std::make_shared<std::atomic<bool>>(false)), m_imageBuffer(kImageBufferSize, 0),
      m_maskBuffer(kMaskSize, 0), m_deliveredMask(kMaskSize, 0),
      m_deliveredLive(kImageBufferSize, 0), m_deliveredCapture(kImageBufferSize, 0),
      m_answers([this](const AnswerWriter::Packet& packet) {
          writeNow(packet.data());
          PrintPacket(packet.data());
      }) {
    qRegisterMetaType<unsigned char*>("unsigned char*");
    qRegisterMetaType<int*>("int*");
    qRegisterMetaType<uchar>("uchar");
    countDeliveries();
}

// Connected before any receiver, so each of these runs just ahead of the report's first
// receiver on the user-interface thread.
void CamDevCtrl::countDeliveries() {
    const auto delivered = [this](ReportGate::Kind kind) {
        return [this, kind] { m_reports.delivered(kind); };
    };
    connect(this, &CamDevCtrl::sigSetFWVersion, this, delivered(ReportGate::Version),
            Qt::QueuedConnection);
    connect(this, &CamDevCtrl::sigSetFWOption, this, delivered(ReportGate::Option),
            Qt::QueuedConnection);
    connect(this, &CamDevCtrl::sigSetPrevTweak, this, delivered(ReportGate::Record),
            Qt::QueuedConnection);
    connect(this, &CamDevCtrl::sigACNextStep, this, delivered(ReportGate::NextStep),
            Qt::QueuedConnection);
    connect(this, &CamDevCtrl::sigMCDone, this, delivered(ReportGate::MCDone),
            Qt::QueuedConnection);
    connect(this, &CamDevCtrl::sigMCNextStep, this, delivered(ReportGate::MCNextStep),
            Qt::QueuedConnection);
}

CamDevCtrl::~CamDevCtrl() {
    DeleteThread();
    // A module that is gone or does not answer gets no settling time and no last packet: the
    // end must not wait for it.
    const bool reachable = m_pTransport->isOpen() && !IsLinkLost() && !IsLinkBroken();
    if (reachable)
        pause::sleepMs(500);
    reapAbandonedThreads(true);
    if (reachable) {
        m_answers.flush();
        SetTracking(true);
        pause::sleepMs(500);
    }
    closeHandle();
}

bool CamDevCtrl::IsOpen() const {
    return m_pTransport->isOpen();
}

bool CamDevCtrl::IsDeviceConnected(bool checkHid) {
    return m_pTransport->isPresent(checkHid);
}

bool CamDevCtrl::IsLinkLost() {
    return m_pTransport->isLost();
}

bool CamDevCtrl::IsLinkBroken() {
    return m_pTransport->isBroken();
}

void CamDevCtrl::StopOpening() {
    m_bStopOpening = true;
    m_pTransport->stopOpening();
}

QString CamDevCtrl::missingAnswers(int answers) {
    QStringList missing;
    const std::pair<int, const char*> names[] = {{AnswerVersion, "version"},
                                                 {AnswerOptions, "options"},
                                                 {AnswerRecord, "record"},
                                                 {AnswerMask, "mask"}};
    for (const auto& [bit, name] : names)
        if (!(answers & bit))
            missing << QLatin1String(name);
    return missing.join(QLatin1String(", "));
}

int CamDevCtrl::WritePacket(const uint8_t* packet) {
    if (!m_pTransport->isOpen())
        return -1;
    return m_pTransport->write(packet);
}

void CamDevCtrl::closeHandle() {
    // A receive thread that was given up on may still be inside a read on this handle.
    reapAbandonedThreads(true);
    m_pTransport->close();
}

bool CamDevCtrl::OpenDevice() {
    // The connection watch opens while the user-interface thread may switch endpoints.
    std::lock_guard<std::recursive_mutex> control(m_threadControl);
    if (m_pTransport->isOpen()) {
        DeleteThread();
        pause::sleepMs(500);
        closeHandle();
    }
    m_nOpeningAnswers = 0;
    QString serial;
    if (m_bStopOpening || !m_pTransport->open(&serial))
        return false;
    qCDebug(lcDevice).noquote() << "SerialNumber:" << escapedModuleText(serial);
    m_sSerial = serial;
    m_sInputDeviceName = m_pTransport->inputDeviceName();
    qCDebug(lcDevice).noquote() << "InputDevice:" << m_sInputDeviceName;

    m_nEndpointSelector = 0;
    CreateRecvPacketThread();
    // Each settling pause gives way to the end of the program; the link stays open for the
    // destructor to close.
    if (!pause::sleepMs(200, m_bStopOpening))
        return false;
    SetTracking(false);
    if (!pause::sleepMs(200, m_bStopOpening))
        return false;
    sendSingle(CMD_SENDVERSION, nullptr, 0);
    if (!pause::sleepMs(200, m_bStopOpening))
        return false;
    sendSingle(CMD_SEND_OPTION, nullptr, 0);
    if (!pause::sleepMs(200, m_bStopOpening))
        return false;
    sendSingle(CMD_GET_EEPROM, nullptr, 0);
    if (!pause::sleepMs(200, m_bStopOpening))
        return false;
    const uint8_t part0 = 0;
    m_nMaskNext = 0;
    sendSingle(CMD_GET_MASK, &part0, 1);
    return true;
}

namespace {

// One packet in a zero-filled buffer: the bytes past the payload go out as zeros.
void buildPacket(uint8_t* packet, uint32_t code, const uint8_t* payload, int length) {
    std::memset(packet, 0, kPacketSize);
    le::put32(packet, 0, code);
    le::put32(packet, 4, uint32_t(length));
    if (length > 0)
        std::memcpy(packet + kHeaderSize, payload, size_t(length));
}

} // namespace

void CamDevCtrl::writeLocked(const uint8_t* packet) {
    m_answers.flush();
    writeNow(packet);
}

void CamDevCtrl::writeNow(const uint8_t* packet) {
    std::lock_guard<std::mutex> lock(usbWriteLock());
    WritePacket(packet);
}

void CamDevCtrl::postAnswer(uint32_t code, const uint8_t* payload, int length) {
    AnswerWriter::Packet packet;
    buildPacket(packet.data(), code, payload, length);
    m_answers.post(packet);
}

void CamDevCtrl::sendSingle(uint32_t code, const uint8_t* payload, int length) {
    uint8_t packet[kPacketSize];
    buildPacket(packet, code, payload, length);
    writeLocked(packet);
    PrintPacket(packet);
}

void CamDevCtrl::SendPacket(const uint8_t* payload, uint32_t code, int length) {
    if (length <= kMaxPayload) {
        uint8_t packet[kPacketSize];
        buildPacket(packet, code, payload, length);
        writeLocked(packet);
        if (code != CODE_0x1007 && code != CMD_SENDIMG && code != CMD_SETUP_ALIVE)
            PrintPacket(packet);
        return;
    }

    const int parts = (length + kSplitSlice - 1) / kSplitSlice;
    qCDebug(lcDevice) << "nLen > nPLen" << parts;
    m_answers.flush();
    std::lock_guard<std::mutex> lock(usbWriteLock());
    for (int part = 0; part < parts; ++part) {
        const int offset = part * kSplitSlice;
        const int slice = std::min(kSplitSlice, length - offset);
        uint8_t packet[kPacketSize] = {};
        le::put32(packet, 0, code);
        le::put32(packet, 4, part + 1 < parts ? uint32_t(kPacketSize) : uint32_t(slice + 8));
        packet[kHeaderSize] = uint8_t(part);
        std::memcpy(packet + kHeaderSize + 1, payload + offset, size_t(slice));
        WritePacket(packet);
        pause::sleepMs(10);
    }
}

void CamDevCtrl::SetCalibMode(int mode, int lensType) {
    m_nCalibMode = mode;
    const bool lensKnown = lensType >= 1 && lensType <= 4;
    link::g_nAC = lensKnown ? 20 : 0;
    link::g_nMC = lensKnown ? 16 : 0;
}
