#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/Packet.h"
#include "log/LogCategories.h"

#include <QDebug>

using namespace pkt;

namespace {

void putU32(uint8_t (&payload)[4], uint32_t value) {
    le::put32(payload, 0, value);
}

} // namespace

void CamDevCtrl::WriteRegister(uint16_t reg, uint8_t value) {
    uint8_t payload[3];
    le::put16(payload, 0, reg);
    payload[2] = value;
    sendSingle(CMD_IIC_WR, payload, 3);
}

void CamDevCtrl::QueueRegisterWrite(uint16_t reg, uint8_t value) {
    std::lock_guard<std::mutex> lock(m_registerWriteLock);
    m_deferredRegisterWrites.clear();
    m_deferredRegisterWrites.emplace_back(reg, value);
    m_bRegisterWritesPending = true;
}

void CamDevCtrl::QueueGainWrite(uint16_t gain, uint32_t) {
    std::lock_guard<std::mutex> lock(m_registerWriteLock);
    m_deferredRegisterWrites = {{0x3008, 0x42},
                                {0x350A, uint8_t(gain / 256)},
                                {0x350B, uint8_t(gain % 256)},
                                {0x3008, 0x02}};
    m_bRegisterWritesPending = true;
}

std::vector<std::pair<uint16_t, uint8_t>> CamDevCtrl::pendingRegisterWrites() {
    std::lock_guard<std::mutex> lock(m_registerWriteLock);
    if (!m_bRegisterWritesPending)
        return {};
    return m_deferredRegisterWrites;
}

void CamDevCtrl::send_ac_black_start(int lensType, int fwMinor) {
    uint8_t level = 0x80;
    if (lensType == 3)
        level = fwMinor < 10 ? 0x60 : 0x40;
    else if (lensType == 1)
        level = 0x70;
    m_blackStartParam[0] = 0x00;
    m_blackStartParam[1] = 0x00;
    m_blackStartParam[2] = level;
    qCDebug(lcDevice) << "send_ac_black_start:";
    for (int i = 0; i < 3; ++i)
        qCDebug(lcDevice).noquote() << QString::asprintf("%2d: 0x%02X", i, m_blackStartParam[i]);
    SendPacket(m_blackStartParam, CMD_AC_BLACK_START, 3);
}

void CamDevCtrl::SendACWhiteStart(int value) {
    uint8_t payload[4];
    putU32(payload, uint32_t(value));
    sendSingle(CMD_AC_WHITE_START, payload, 4);
}

void CamDevCtrl::SendACPatternStart(int value) {
    uint8_t payload[4];
    putU32(payload, uint32_t(value));
    sendSingle(CMD_AC_PATTERN_START, payload, 4);
}

void CamDevCtrl::SendMCStart() {
    sendSingle(CMD_MC_START, nullptr, 0);
}

void CamDevCtrl::SendMCPatternStart(int value) {
    uint8_t payload[4];
    putU32(payload, uint32_t(value));
    sendSingle(CMD_MC_PATTERN_START, payload, 4);
}

void CamDevCtrl::SendMCGetInputPoint() {
    sendSingle(CMD_MC_GET_INPUT_POINT, nullptr, 0);
}

void CamDevCtrl::AnswerMCPatternStart(int value) {
    uint8_t payload[4];
    putU32(payload, uint32_t(value));
    postAnswer(CMD_MC_PATTERN_START, payload, 4);
}

void CamDevCtrl::AnswerMCGetInputPoint() {
    postAnswer(CMD_MC_GET_INPUT_POINT, nullptr, 0);
}
void CamDevCtrl::SendMCEnd() {
    sendSingle(CMD_MC_END, nullptr, 0);
}
void CamDevCtrl::SendMCCancel() {
    sendSingle(CMD_MC_CANCEL, nullptr, 0);
}

void CamDevCtrl::SetTracking(bool start) {
    if (start)
        sendSingle(CMD_START_TRACKING, nullptr, 0);
    else
        SendPacket(nullptr, CMD_STOP_TRACKING, 0);
}

void CamDevCtrl::SetImageReverse(int reverse) {
    uint8_t payload[4];
    putU32(payload, uint32_t(reverse));
    sendSingle(CMD_SET_IMAGE_REVERSE, payload, 4);
}

void CamDevCtrl::SetMonoBin(int value) {
    uint8_t payload[4];
    putU32(payload, uint32_t(value));
    sendSingle(CMD_SET_MONO_BIN, payload, 4);
}

void CamDevCtrl::SetFingerTouchMode(bool finger) {
    uint8_t payload[4];
    putU32(payload, finger ? 1 : 0);
    sendSingle(CMD_SET_FINGER_TOUCH_MODE, payload, 4);
}

void CamDevCtrl::SendCoord(int a, int b, int c) {
    uint8_t payload[12];
    le::put32(payload, 0, uint32_t(a));
    le::put32(payload, 4, uint32_t(b));
    le::put32(payload, 8, uint32_t(c));
    SendPacket(payload, CMD_SEND_COORD, 12);
}

void CamDevCtrl::SetFixCoordRatio(int mode, double ratio) {
    uint8_t payload[12];
    le::put32(payload, 0, uint32_t(mode));
    le::putf64(payload, 4, ratio);
    SendPacket(payload, CMD_SET_FIX_COORD_RATIO, 12);
}
