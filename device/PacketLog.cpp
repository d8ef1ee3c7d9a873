#include "device/PacketLog.h"

#include "device/ByteOrder.h"
#include "device/CommandNames.h"
#include "device/Packet.h"
#include "log/LogCategories.h"
#include "log/LogThrottle.h"

#include <QDebug>
#include <QTime>

using namespace pkt;

namespace {

QString fmt(const char* format, uint32_t code, int length) {
    return QString::asprintf(format, code, length);
}

// Payload field readers: the packet is always 512 bytes, so these offsets stay inside it.
uint32_t pu32(const uint8_t* p, int off) {
    return le::u32(p, kHeaderSize + off);
}
uint8_t pu8(const uint8_t* p, int off) {
    return p[kHeaderSize + off];
}

} // namespace

QString packetLogText(const uint8_t* p) {
    const uint32_t code = le::u32(p, 0);
    const int len = le::i32(p, 4);
    switch (code) {
    case CMD_SENDVERSION:
        return fmt("[0x%X]CMD_SENDVERSION : Len[%d]", code, len);
    case DAT_VERSION:
        return QString::asprintf("[0x%X]DAT_VERSION : Len[%d], Vers[%X.%X]", code, len, pu8(p, 0),
                                 pu8(p, 1));
    case CMD_IIC_RD:
    case CMD_IIC_WR:
        return QString::asprintf(code == CMD_IIC_RD
                                     ? "[0x%X]CMD_IIC_RD : RegAddr[0x%X], Data[0x%X]"
                                     : "[0x%X]CMD_IIC_WR : RegAddr[0x%X], Data[0x%X]",
                                 code, unsigned(le::u16(p, kHeaderSize)), unsigned(pu8(p, 2)));
    case RES_ACK:
        if (len == 4)
            return QString::asprintf("[0x%X]RES_ACK : Len[%d], Data[%ld = 0x%lX]", code, len,
                                     long(pu32(p, 0)), long(pu32(p, 0)));
        if (len == 0)
            return fmt("[0x%X]RES_ACK : Len[%d]", code, len);
        return QString();
    case RES_NAK:
        return QString::asprintf("[0x%X]RES_NAK : Len[%d],Data[%s]", code, len,
                                 qPrintable(GetCmdName(pu32(p, 0))));
    case CMD_AC_BLACK_START:
        return fmt("[0x%X]CMD_AC_BLACK_START : Len[%d]", code, len);
    case CMD_AC_WHITE_START:
        return QString::asprintf("[0x%X]CMD_AC_WHITE_START : Len[%d], Data[%d]", code, len,
                                 int(pu32(p, 0)));
    case CMD_AC_PATTERN_START:
        return QString::asprintf("[0x%X]CMD_AC_PATTERN_START : Len[%d], Data[%d]", code, len,
                                 int(pu32(p, 0)));
    case CMD_AC_SENDIMG:
        return QString::asprintf("[0x%X]CMD_AC_SENDIMG : Len[%d], Data[%d, %d]", code, len,
                                 pu8(p, 0), pu8(p, 1));
    case RES_AC_BLACK_END:
        return fmt("[0x%X]RES_AC_BLACK_END : Len[%d]", code, len);
    case RES_AC_WHITE_END:
        return fmt("[0x%X]RES_AC_WHITE_END : Len[%d]", code, len);
    case RES_AC_PATTERN_END:
        return fmt("[0x%X]RES_AC_PATTERN_END : Len[%d]", code, len);
    case CMD_AC_PATTERN_CENTER:
        return fmt("[0x%X]CMD_AC_PATTERN_CENTER : Len[%d]", code, len);
    case DAT_AC_PATTERN_CENTER:
        return fmt("[0x%X]DAT_AC_PATTERN_CENTER : Len[%d]", code, len);
    case DAT_AC_CALIB_PARAMETER:
        return fmt("[0x%X]DAT_AC_CALIB_PARAMETER : Len[%d]", code, len);
    case CMD_MC_START:
        return fmt("[0x%X]CMD_MC_START : Len[%d]", code, len);
    case CMD_MC_END:
        return fmt("[0x%X]CMD_MC_END : Len[%d]", code, len);
    case CMD_MC_PATTERN_CENTER:
        return fmt("[0x%X]CMD_MC_PATTERN_CENTER : Len[%d]", code, len);
    case CMD_SETUP_ALIVE:
        return fmt("[0x%X]CMD_SETUP_ALIVE : Len[%d]", code, len);
    case CMD_SEND_OPTION:
        return fmt("[0x%X]CMD_SEND_OPTION : Len[%d]", code, len);
    case CMD_SET_SERIAL_NUMBER:
        return fmt("[0x%X]CMD_SET_SERIAL_NUMBER : Len[%d]", code, len);
    case CMD_CLEAR_EEPROM:
        return fmt("[0x%X]CMD_CLEAR_EEPROM : Len[%d]", code, len);
    case CMD_GET_EEPROM:
        return fmt("[0x%X]CMD_GET_EEPROM : Len[%d]", code, len);
    case DAT_EEPROM:
        return fmt("[0x%X]DAT_EEPROM : Len[%d]", code, len);
    case CMD_AC_RESULT_GENERATE:
        return fmt("[0x%X]CMD_AC_RESULT_GENERATE : Len[%d]", code, len);
    case RES_AC_RESULT_GENERATE_END:
        return fmt("[0x%X]RES_AC_RESULT_GENERATE_END : Len[%d]", code, len);
    case DAT_AC_IMAGE_PART:
        return fmt("[0x%X]DAT_AC_IMAGE_PART : Len[%d]", code, len);
    case CMD_SET_CALIB_PARAMETER:
        return fmt("[0x%X]CMD_SET_CALIB_PARAMETER : Len[%d]", code, len);
    case RES_AC_READY_END:
        return fmt("[0x%X]RES_AC_READY_END : Len[%d]", code, len);
    case CMD_GET_MASK:
        return fmt("[0x%X]CMD_GET_MASK : Len[%d]", code, len);
    case CMD_MC_PATTERN_START:
    case RES_MC_PATTERN_DONE:
    case RES_MC_PATTERN_END:
    case CMD_MC_CANCEL:
    case CMD_MC_GET_INPUT_POINT:
    case DAT_MC_INPUT_POINT:
    case CMD_SET_MONO_BIN:
    case CMD_START_TRACKING:
    case CMD_STOP_TRACKING: {
        const char* name = code == CMD_MC_PATTERN_START     ? "CMD_MC_PATTERN_START"
                           : code == RES_MC_PATTERN_DONE    ? "RES_MC_PATTERN_DONE"
                           : code == RES_MC_PATTERN_END     ? "RES_MC_PATTERN_END"
                           : code == CMD_MC_CANCEL          ? "CMD_MC_CANCEL"
                           : code == CMD_MC_GET_INPUT_POINT ? "CMD_MC_GET_INPUT_POINT"
                           : code == DAT_MC_INPUT_POINT     ? "DAT_MC_INPUT_POINT"
                           : code == CMD_SET_MONO_BIN       ? "CMD_SET_MONO_BIN"
                           : code == CMD_START_TRACKING     ? "CMD_START_TRACKING"
                                                            : "CMD_STOP_TRACKING";
        return QString::asprintf("[0x%X]%s : Data[%x]", code, name, pu32(p, 0));
    }
    case CMD_TC_DEBUG_SENDIMG:
        return QString::asprintf("[0x%X]CMD_TC_DEBUG_SENDIMG : Len[%d], Data[%d]", code, len,
                                 int(pu32(p, 0)));
    case CMD_SET_TRANSFER_MODE:
    case CMD_SET_FINGER_TOUCH_MODE:
    case CMD_SET_IMAGE_REVERSE: {
        const char* format = code == CMD_SET_TRANSFER_MODE
                                 ? "[0x%X]CMD_SET_TRANSFER_MODE : Len[%d], Data[%d]"
                             : code == CMD_SET_FINGER_TOUCH_MODE
                                 ? "[0x%X]CMD_SET_FINGER_TOUCH_MODE : Len[%d], Data[%d]"
                                 : "[0x%X]CMD_SET_IMAGE_REVERSE : Len[%d], Data[%d]";
        return QString::asprintf(format, code, len, pu8(p, 0));
    }
    case DAT_OPTION:
        return QString::asprintf("[0x%X]DAT_OPTION : Len[%d], Option[%d, %d]", code, len, pu8(p, 0),
                                 pu8(p, 1));
    case CMD_AC_SENDIMG_PART:
        return QString::asprintf("[0x%X]CMD_AC_SENDIMG_PART : Len[%d], Data[%d, %d, %d]", code, len,
                                 int(pu32(p, 0)), int(pu32(p, 4)), int(pu32(p, 8)));
    case CMD_SEND_COORD:
        return QString::asprintf("[0x%X]CMD_SEND_COORD : Len[%d], Data[%d, %d, %d]", code, len,
                                 int(pu32(p, 0)), int(pu32(p, 4)), int(pu32(p, 8)));
    case CMD_SET_TRACKING_OPTION:
        return QString::asprintf("[0x%X]CMD_SET_TRACKING_OPTION : Len[%d], Option[%d, %d, %d, %d, "
                                 "%d, %d, %d, %d, %d, %d, %d, %d]",
                                 code, len, pu8(p, 0), pu8(p, 1), pu8(p, 2), pu8(p, 3), pu8(p, 4),
                                 pu8(p, 5), pu8(p, 6), pu8(p, 7), pu8(p, 8), pu8(p, 9), pu8(p, 10),
                                 pu8(p, 11));
    case CMD_SET_FIX_COORD_RATIO:
        return QString::asprintf("[0x%X]CMD_SET_FIX_COORD_RATIO : Len[%d], Data[%d, %f]", code, len,
                                 int(pu32(p, 0)), le::f64(p, kHeaderSize + 4));
    case CODE_0x1007:
    case DAT_IMGEND:
    case DAT_AC_IMAGE:
    case DAT_AC_IMGEND:
    case CMD_IPRO_START:
    case CMD_IPRO_END:
    case CMD_IPRO_ALIVE:
    case DAT_TC_CUSTOM_HID:
    case CMD_SENDIMG:
    case RES_DEBUG:
        return QString();
    default:
        return fmt("[0x%X]Invalid Cmd : Len[%d]", code, len);
    }
}

namespace {

// A module repeating one report, and the answers it draws, would fill the log at the speed of
// the link: each code has a budget of lines (codes share one when they fall on the same slot).
constexpr size_t kThrottleSlots = 64;

LogThrottle& throttleFor(uint32_t code) {
    static LogThrottle throttles[kThrottleSlots];
    return throttles[code % kThrottleSlots];
}

} // namespace

void PrintPacket(const uint8_t* packet) {
    int heldBack = 0;
    if (!throttleFor(le::u32(packet, 0)).admit(&heldBack))
        return;
    if (heldBack > 0)
        qCDebug(lcPackets).noquote()
            << QString::asprintf("(%d packet lines like the next were left out)", heldBack);
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    const QString text = packetLogText(packet);
    if (text.isEmpty())
        qCDebug(lcPackets).noquote() << time;
    else
        qCDebug(lcPackets).noquote() << time << text;
}

QString escapedModuleText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\\')
            out += QLatin1String("\\\\");
        else if (u < 0x20 || (u >= 0x7F && u < 0xA0))
            out += QString::asprintf("\\x%02X", u);
        else
            out += c;
    }
    return out;
}
