#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/LinkStorage.h"
#include "device/Packet.h"
#include "device/PacketLog.h"
#include "device/RecordLayout.h"
#include "device/SettingsBlock.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <algorithm>
#include <cstring>

using namespace pkt;
using namespace record_layout;

namespace {

void log(const QString& line) {
    qCDebug(lcDevice).noquote() << line;
}

// The three lines that describe a settings block: registers, gain, options. In the stored
// record the ft block has a padding byte after num_reg, so callers give each field's offset.
struct BlockFields {
    int numReg, reg1, reg2, value1, value2, gain, o1to6, o7, o8, o9, o10to15;
};

constexpr BlockFields kBlockLayout{1, 2, 4, 6, 7, 8, 10, 16, 18, 19, 21};
constexpr BlockFields kStoredFtLayout{1, 3, 5, 7, 8, 9, 11, 17, 19, 20, 22};

void logOptions(const uint8_t* b, const BlockFields& f) {
    const uint8_t* o = b + f.o1to6;
    const uint8_t* p = b + f.o10to15;
    log(QString::asprintf("option:\n    %d, %d, %d, %d\n    %d, %d\n    %d, %d\n    %d, %d\n    "
                          "%d, %d, %d, %d, %d",
                          o[0], o[1], o[2], o[3], o[4], o[5], le::u16(b, size_t(f.o7)), b[f.o8],
                          le::u16(b, size_t(f.o9)), p[0], p[1], p[2], p[3], p[4], p[5]));
}

void logStoredBlock(const char* title, const uint8_t* b, const BlockFields& f) {
    log(QString::fromLatin1(title));
    if (b[0] == 0)
        return;
    log(QString::asprintf("num_reg = %d, (%04X, %02X), (%04X, %02X)", b[f.numReg],
                          le::u16(b, size_t(f.reg1)), b[f.value1], le::u16(b, size_t(f.reg2)),
                          b[f.value2]));
    log(QString::asprintf("gain = %02X %02X", b[f.gain], b[f.gain + 1]));
    logOptions(b, f);
}

void logUploadBlock(const char* title, const uint8_t* b) {
    log(QString::fromLatin1(title));
    log(QString::asprintf("setting = %d", b[0]));
    log(QString::asprintf("num_reg = %d, (%02X%02X, %02X), (%02X%02X, %02X)", b[1], b[3], b[2],
                          b[6], b[5], b[4], b[7]));
    log(QString::asprintf("gain = %02X %02X", b[8], b[9]));
    logOptions(b, kBlockLayout);
}

} // namespace

void CamDevCtrl::ReceiveEeprom(const uint8_t* packet) {
    const uint8_t* r = packet + kHeaderSize;
    PrintPacket(packet);
    qCDebug(lcDevice) << "sizeof(tEEPROM) =" << link::kEepromSize;
    qCDebug(lcDevice) << "EEPROM:";
    log(QString::asprintf("length = %d, version = %d", le::i16(r, kLength), le::i16(r, kVersion)));
    for (int i = 0; i < kProjectionValues; ++i)
        log(QString::asprintf("m_tp[%2d] = %e;", i, le::f64(r, kProjection + 8 * size_t(i))));
    log(QString::asprintf("window_width = %d, window_height = %d", le::i16(r, kWindowWidth),
                          le::i16(r, kWindowHeight)));
    log(QString::asprintf("Ceiling = %d, Rear = %d, modeFT = %d, lens = %d, imageReverse = %d",
                          r[kCeiling], r[kRear], r[kModeFT], r[kLens], r[kImageReverse]));
    const int tweakNum = le::i32(r, kTweakNum);
    log(QString::asprintf("ac_tweak_num = %d", tweakNum));
    const int tweaks = std::clamp(tweakNum, 0, kMaxTweakPairs);
    for (int i = 0; i < tweaks; ++i)
        log(QString::asprintf("[%2d] %f %f", i, le::f32(r, kTweakPairs + 8 * size_t(i)),
                              le::f32(r, kTweakPairs + 8 * size_t(i) + 4)));
    log(QString::asprintf("window_width = %d, window_height = %d", le::i16(r, kWindowWidth2),
                          le::i16(r, kWindowHeight2)));
    log(QString::asprintf("Ceiling = %d, Rear = %d, lens = %d, imageReverse = %d", r[kCeiling2],
                          r[kRear2], r[kLens2], r[kImageReverse2]));
    log(QStringLiteral("----"));
    logStoredBlock("pt_setting:", r + kPenSetting, kBlockLayout);
    logStoredBlock("ft_setting:", r + kFingerSetting, kStoredFtLayout);
    log(QStringLiteral("----"));
    log(QString::asprintf("fix_coord: %d %f", r[kFixCoordMode], le::f64(r, kFixCoordRatio)));

    std::memcpy(link::g_eeprom, r, link::kEepromSize);
    noteAnswer(AnswerRecord);
    if (m_reports.admit(ReportGate::Record))
        emit sigSetPrevTweak(link::g_eeprom);
}

void CamDevCtrl::send_set_calib_parameter(const double* tp, uint8_t ceiling, uint8_t rear,
                                          int16_t windowWidth, int16_t windowHeight, int lensType,
                                          uint8_t imageReverse, bool tweakPresent, int tweakCount,
                                          const float* tweakPairs, bool sensorSettingsPresent,
                                          int rowLimitA, int rowLimitB, int fwMinor) {
    uint8_t rec[upload::kBytes] = {};
    for (int i = 0; i < kProjectionValues; ++i)
        le::putf64(rec, upload::kProjection + 8 * size_t(i), tp[i]);
    le::put16(rec, upload::kWindowWidth, uint16_t(windowWidth));
    le::put16(rec, upload::kWindowHeight, uint16_t(windowHeight));
    rec[upload::kCeiling] = ceiling;
    rec[upload::kRear] = rear;
    rec[upload::kLens] = uint8_t(lensType);
    rec[upload::kImageReverse] = imageReverse;
    const int tweaks = tweakPresent && tweakPairs ? std::clamp(tweakCount, 0, kMaxTweakPairs) : 0;
    le::put32(rec, upload::kTweakNum, uint32_t(tweaks));
    for (int i = 0; i < 2 * tweaks; ++i)
        le::putf32(rec, upload::kTweakPairs + 4 * size_t(i), tweakPairs[i]);
    if (sensorSettingsPresent) {
        settings_block::fillPen(rec + upload::kPenSetting, lensType, fwMinor);
        settings_block::fillFinger(rec + upload::kFingerSetting, lensType, fwMinor, rowLimitA,
                                   rowLimitB);
    }

    log(QStringLiteral("send_set_calib_parameter:"));
    for (int i = 0; i < kProjectionValues; ++i)
        log(QString::asprintf("m_tp[%2d] = %e;", i, tp[i]));
    log(QString::asprintf("window = %d x %d, Ceiling = %d, Rear = %d, lens = %d, imageReverse = %d",
                          windowWidth, windowHeight, ceiling, rear, rec[upload::kLens],
                          imageReverse));
    log(QString::asprintf("ac_tweak_num = %d", tweaks));
    for (int i = 0; i < tweaks; ++i)
        log(QString::asprintf("[%2d] %f %f", i, tweakPairs[2 * i], tweakPairs[2 * i + 1]));
    if (sensorSettingsPresent) {
        logUploadBlock("pt_setting:", rec + upload::kPenSetting);
        logUploadBlock("ft_setting:", rec + upload::kFingerSetting);
    }
    SendPacket(rec, CMD_SET_CALIB_PARAMETER, int(upload::kBytes));
}

// Parts are taken in order only, each asked for once: a module that repeats, skips or keeps
// sending parts cannot make the link ask for more than one download's worth.
void CamDevCtrl::ReceiveMaskPart(const uint8_t* packet) {
    const int part = packet[kHeaderSize];
    const uint8_t* bytes = packet + kHeaderSize + 1;
    if (part != m_nMaskNext)
        return;
    if (part == 0)
        m_nMaskBytes = 0;
    if (part < kMaskLastPart) {
        std::memcpy(m_maskBuffer.data() + part * kMaskSlice, bytes, kMaskSlice);
        m_nMaskBytes = std::min(m_nMaskBytes + kMaskSlice, kMaskSize);
        m_nMaskNext = part + 1;
        const uint8_t next = uint8_t(part + 1);
        sendSingle(CMD_GET_MASK, &next, 1);
        return;
    }
    std::memcpy(m_maskBuffer.data() + kMaskLastPart * kMaskSlice, bytes, kMaskLastBytes);
    m_nMaskBytes = std::min(m_nMaskBytes + kMaskLastBytes, kMaskSize);
    m_nMaskNext = 0;
    noteAnswer(AnswerMask);
    if (m_maskHandover.publish(m_maskBuffer.data(), m_nMaskBytes))
        QMetaObject::invokeMethod(this, &CamDevCtrl::deliverMask, Qt::QueuedConnection);
}

void CamDevCtrl::deliverMask() {
    const int length = m_maskHandover.take(m_deliveredMask.data());
    emit sigReceiveMask(m_deliveredMask.data(), length);
}

void CamDevCtrl::SetMask(const uint8_t* mask, int length) {
    if (!mask || length <= 0)
        return;
    const int bytes = std::min(length, kMaskSize);
    log(QString::asprintf("SetMask: [0] = 0x%02X, [1] = 0x%02X, [28800] = 0x%02X", mask[0],
                          bytes > 1 ? mask[1] : 0,
                          bytes > kMaskBytes - 1 ? mask[kMaskBytes - 1] : 0));
    std::vector<uint8_t> record(mask, mask + bytes);
    SendPacket(record.data(), CMD_SET_MASK, bytes);
}
