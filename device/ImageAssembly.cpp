#include "device/ByteOrder.h"
#include "device/CamDevCtrl.h"
#include "device/Packet.h"
#include "device/PacketLog.h"
#include "log/LogCategories.h"
#include "log/Pause.h"

#include <QDateTime>
#include <QDebug>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstring>

using namespace pkt;

namespace {

// Image part fields, relative to the packet.
constexpr int kPartNumberOffset = 8;
constexpr int kImageSizeOffset = 12;

int partNumber(const uint8_t* packet) {
    return le::i32(packet, kPartNumberOffset);
}

// The pixel bytes a part carries: its length field says 8 + bytes, but never more than the
// packet holds, whatever the module claims.
int pixelBytes(const uint8_t* packet) {
    const int64_t length = le::i32(packet, 4);
    return int(std::clamp<int64_t>(length - 8, 0, kMaxPixelsPerPart));
}

int64_t partOffset(int part) {
    return int64_t(part / CamDevCtrl::kPartsPerGroup) * CamDevCtrl::kGroupBytes +
           int64_t(part % CamDevCtrl::kPartsPerGroup) * kMaxPixelsPerPart;
}

std::atomic<bool> g_loggedNotImage{false};

// Rounds of repair requests one group may take. A noisy cable loses a part again now and
// then; a part still missing after this many rounds is one the module will not send.
constexpr int kMaxRepairRounds = 20;

QString runsText(const QVector<QPair<int, int>>& runs) {
    QStringList parts;
    for (const auto& run : runs)
        parts << (run.first == run.second ? QString::number(run.first)
                                          : QStringLiteral("%1-%2").arg(run.first).arg(run.second));
    return parts.join(QStringLiteral(", "));
}

} // namespace

void CamDevCtrl::placeImagePart(const uint8_t* packet, uint8_t* image) {
    const int part = partNumber(packet);
    const int bytes = pixelBytes(packet);
    if (part < 0)
        return;
    const int64_t offset = partOffset(part);
    if (offset + bytes > kImageBufferSize)
        return;
    std::memcpy(image + offset, packet + kImagePartHeader, size_t(bytes));
}

void CamDevCtrl::PacketToImage16HID(const uint8_t* buffer, uint8_t* image, int byteCount) {
    const int count = byteCount / kPacketSize;
    for (int i = 0; i < count; ++i) {
        const uint8_t* packet = buffer + i * kPacketSize;
        const uint32_t code = le::u32(packet, 0);
        if (code == DAT_IMAGE || code == DAT_AC_IMAGE || code == DAT_TC_IMAGE) {
            placeImagePart(packet, image);
            const int part = partNumber(packet);
            // Widened: the module may number a part INT_MAX, and the next one is compared
            // with it plus one.
            if (int64_t(part) != int64_t(m_nPrevSeq) + 1)
                qCDebug(lcDevice).noquote() << QString::asprintf(
                    "PacketToImage16HID : prevSeq = %d, img->seq = %d", m_nPrevSeq, part);
            m_nPrevSeq = part;
        } else if (!g_loggedNotImage.exchange(true)) {
            qCDebug(lcDevice).noquote() << QString::asprintf(
                "PacketToImage16HID : Not DAT_IMG[%x], [%ld], nCount = %d, i = %d", code,
                long(byteCount), count, i);
        }
    }
}

void CamDevCtrl::ReceiveImgProcHID(const uint8_t* packet, int bytesRead) {
    std::lock_guard<std::mutex> lock(m_assemblyLock);
    const uint32_t code = le::u32(packet, 0);
    if (code == DAT_IMAGE) {
        m_nLiveImageSize = le::i32(packet, kImageSizeOffset);
        PacketToImage16HID(packet, m_imageBuffer.data(), bytesRead);
        ++m_nLiveParts;
        return;
    }
    if (code != DAT_IMGEND) {
        qCDebug(lcDevice).noquote() << QString::asprintf(
            "ReceiveImgProcHID : NOT CMD[%x] =============================", code);
        return;
    }
    if (le::i32(packet, 4) == 4 && le::u32(packet, kHeaderSize) == 1)
        qCDebug(lcDevice) << "Capture Error!!!!!!!!!!!!!";
    if (m_nLiveParts == 0)
        return;
    m_nLiveParts = 0;
    ++m_nFrameCount;
    const QString second = QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
    if (second != m_sLastSecond) {
        qCDebug(lcDevice) << "FPS =" << m_nFrameCount;
        m_nFrameCount = 0;
        m_sLastSecond = second;
    }
    sendDeferredRegisterWrites();
    m_nPrevSeq = -1;
    if (m_liveHandover.publish(m_imageBuffer.data(), m_nLiveImageSize))
        QMetaObject::invokeMethod(this, &CamDevCtrl::deliverLiveFrame, Qt::QueuedConnection);
}

void CamDevCtrl::deliverLiveFrame() {
    const int size = m_liveHandover.take(m_deliveredLive.data());
    emit sigNewFrame(m_deliveredLive.data(), size);
}

void CamDevCtrl::deliverCapturedFrame() {
    const int size = m_capturedHandover.take(m_deliveredCapture.data());
    emit sigACNewFrame(m_deliveredCapture.data(), size);
}

void CamDevCtrl::sendDeferredRegisterWrites() {
    std::lock_guard<std::mutex> lock(m_registerWriteLock);
    if (m_bRegisterWritesPending) {
        for (const auto& [reg, value] : m_deferredRegisterWrites) {
            WriteRegister(reg, value);
            pause::sleepMs(100);
        }
    }
    m_bRegisterWritesPending = false;
}

void CamDevCtrl::RequestLiveImage() {
    {
        std::lock_guard<std::mutex> lock(m_assemblyLock);
        std::fill(m_imageBuffer.begin(), m_imageBuffer.end(), 0xFF);
    }
    uint8_t packet[kPacketSize] = {};
    le::put32(packet, 0, CMD_SENDIMG);
    writeLocked(packet);
}

void CamDevCtrl::RequestACImage(int imageId, int group) {
    std::lock_guard<std::mutex> lock(m_assemblyLock);
    requestGroup(imageId, group);
}

void CamDevCtrl::requestGroup(int imageId, int group) {
    if (group == 0) {
        m_bCaptureFailed = false;
        std::fill(m_partFlags.begin(), m_partFlags.end(), 0);
        m_missingRuns.clear();
        m_nCurrentRun = 0;
        std::fill(m_imageBuffer.begin(), m_imageBuffer.end(), 0);
    }
    m_nACImageId = imageId;
    m_nCurrentGroup = group;
    m_nRepairRounds = 0;
    const uint8_t payload[2] = {uint8_t(imageId), uint8_t(group)};
    SendPacket(payload, CMD_AC_SENDIMG, 2);
}

// The next group when this one is whole, else a repair of what it is missing.
void CamDevCtrl::continueGroup(int group) {
    if (m_bCaptureFailed)
        return;
    FindMissingParts(group * kPartsPerGroup, group * kPartsPerGroup + kPartsPerGroup);
    if (m_missingRuns.isEmpty())
        requestGroup(m_nACImageId, group + 1);
    else
        RequestMissingParts();
}

void CamDevCtrl::ReceiveACProcHID(const uint8_t* packet, int bytesRead) {
    std::lock_guard<std::mutex> lock(m_assemblyLock);
    const uint32_t code = le::u32(packet, 0);
    const int group = m_nCurrentGroup;
    switch (code) {
    case DAT_AC_IMAGE: {
        m_nACImageSize = le::i32(packet, kImageSizeOffset);
        PacketToImage16HID(packet, m_imageBuffer.data(), bytesRead);
        const int part = partNumber(packet);
        if (part >= 0 && part < kPartFlagCount)
            m_partFlags[size_t(part)] = 1;
        break;
    }
    case DAT_AC_IMGEND:
        if (group > kGroupCount - 1) {
            m_nPrevSeq = -1;
            if (m_nACImageSize == 0)
                m_nACImageSize = kCapturedImageSize;
            qCDebug(lcDevice).noquote()
                << QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"))
                << "ReceiveACProcHID: all done";
            if (m_capturedHandover.publish(m_imageBuffer.data(), m_nACImageSize))
                QMetaObject::invokeMethod(this, &CamDevCtrl::deliverCapturedFrame,
                                          Qt::QueuedConnection);
            break;
        }
        continueGroup(group);
        break;
    case DAT_AC_IMAGE_PART: {
        const int part = partNumber(packet);
        if (part >= 0 && part < kPartFlagCount)
            m_partFlags[size_t(part)] = 1;
        if (m_nCurrentRun < m_missingRuns.size()) {
            const auto& run = m_missingRuns[m_nCurrentRun];
            if (part >= run.first && part <= run.second)
                placeImagePart(packet, m_imageBuffer.data());
        }
        break;
    }
    case RES_AC_IMGPART_END:
        ++m_nCurrentRun;
        if (m_nCurrentRun < m_missingRuns.size()) {
            requestMissingRun(m_nCurrentRun);
            break;
        }
        if (group > kGroupCount - 1)
            break;
        continueGroup(group);
        break;
    default:
        break;
    }
}

void CamDevCtrl::FindMissingParts(int first, int end) {
    m_missingRuns.clear();
    m_nCurrentRun = 0;
    first = std::max(first, 0);
    end = std::min(end, kPartFlagCount);
    int i = first;
    while (i < end) {
        if (m_partFlags[size_t(i)]) {
            ++i;
            continue;
        }
        const int st = i;
        while (i < end && !m_partFlags[size_t(i)])
            ++i;
        const int ed = i - 1;
        qCDebug(lcDevice) << "iBlobSt : " << st / kPartsPerGroup
                          << " iBlobEd : " << ed / kPartsPerGroup;
        qCDebug(lcDevice) << "i : " << i << " st : " << st << " ed : " << ed << " seqE1 : " << end;
        // No run may cross a group boundary: the module resends within one group.
        int runStart = st;
        while (runStart / kPartsPerGroup != ed / kPartsPerGroup) {
            const int groupLast = (runStart / kPartsPerGroup + 1) * kPartsPerGroup - 1;
            m_missingRuns.append({runStart, groupLast});
            runStart = groupLast + 1;
        }
        m_missingRuns.append({runStart, ed});
    }
}

void CamDevCtrl::RequestMissingParts() {
    if (++m_nRepairRounds > kMaxRepairRounds) {
        giveUpCapture();
        return;
    }
    int parts = 0;
    for (const auto& run : m_missingRuns)
        parts += run.second - run.first + 1;
    qCDebug(lcDevice).noquote() << QString::asprintf("missed seq: num = %d, num_run = %d", parts,
                                                     int(m_missingRuns.size()));
    m_nCurrentRun = 0;
    if (!m_missingRuns.isEmpty())
        requestMissingRun(0);
}

void CamDevCtrl::requestMissingRun(int run) {
    uint8_t payload[12];
    le::put32(payload, 0, uint32_t(m_nACImageId));
    le::put32(payload, 4, uint32_t(m_missingRuns[run].first));
    le::put32(payload, 8, uint32_t(m_missingRuns[run].second));
    SendPacket(payload, CMD_AC_SENDIMG_PART, 12);
}

void CamDevCtrl::giveUpCapture() {
    qCWarning(lcDevice).noquote() << QStringLiteral(
                                         "captured image %1: parts %2 still missing after %3 "
                                         "rounds of repair, the capture fails")
                                         .arg(m_nACImageId)
                                         .arg(runsText(m_missingRuns))
                                         .arg(kMaxRepairRounds);
    m_bCaptureFailed = true;
    m_missingRuns.clear();
    m_nCurrentRun = 0;
    emit sigACImageFailed();
}
