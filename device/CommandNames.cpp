#include "device/CommandNames.h"

#include "device/Packet.h"

using namespace pkt;

QString GetCmdName(uint32_t code) {
    switch (code) {
    case CMD_SENDVERSION:
        return QStringLiteral("CMD_SENDVERSION");
    case DAT_VERSION:
        return QStringLiteral("DAT_VERSION");
    case CMD_IIC_RD:
        return QStringLiteral("CMD_IIC_RD");
    case CMD_IIC_WR:
        return QStringLiteral("CMD_IIC_WR");
    case CMD_SENDPOS:
        return QStringLiteral("CMD_SENDPOS");
    case DAT_TC_PACKET:
        return QStringLiteral("DAT_TC_PACKET");
    case RES_ACK:
        return QStringLiteral("RES_ACK");
    case RES_NAK:
        return QStringLiteral("RES_NAK");
    case CMD_AC_BLACK_START:
        return QStringLiteral("CMD_AC_BLACK_START");
    case CMD_AC_WHITE_START:
        return QStringLiteral("CMD_AC_WHITE_START");
    case CMD_AC_PATTERN_START:
        return QStringLiteral("CMD_AC_PATTERN_START");
    case CMD_AC_SENDIMG:
        return QStringLiteral("CMD_AC_SENDIMG");
    case RES_AC_BLACK_END:
        return QStringLiteral("RES_AC_BLACK_END");
    case RES_AC_WHITE_END:
        return QStringLiteral("RES_AC_WHITE_END");
    case RES_AC_PATTERN_END:
        return QStringLiteral("RES_AC_PATTERN_END");
    case DAT_AC_IMAGE:
        return QStringLiteral("DAT_AC_IMAGE");
    case DAT_AC_IMGEND:
        return QStringLiteral("DAT_AC_IMGEND");
    case CMD_AC_PATTERN_CENTER:
        return QStringLiteral("CMD_AC_PATTERN_CENTER");
    case DAT_AC_PATTERN_CENTER:
        return QStringLiteral("DAT_AC_PATTERN_CENTER");
    case DAT_AC_CALIB_PARAMETER:
        return QStringLiteral("DAT_AC_CALIB_PARAMETER");
    case RES_AC_RESULT:
        return QStringLiteral("RES_AC_RESULT");
    case CMD_IPRO_START:
        return QStringLiteral("CMD_IPRO_START");
    case CMD_IPRO_END:
        return QStringLiteral("CMD_IPRO_END");
    case CMD_IPRO_ALIVE:
        return QStringLiteral("CMD_IPRO_ALIVE");
    case DAT_TC_CUSTOM_HID:
        return QStringLiteral("DAT_TC_CUSTOM_HID");
    case CMD_MC_START:
        return QStringLiteral("CMD_MC_START");
    case CMD_MC_END:
        return QStringLiteral("CMD_MC_END");
    case CMD_MC_CANCEL:
        return QStringLiteral("CMD_MC_CANCEL");
    case CMD_MC_PATTERN_START:
        return QStringLiteral("CMD_MC_PATTERN_START");
    case RES_MC_PATTERN_END:
        return QStringLiteral("RES_MC_PATTERN_END");
    case CMD_MC_PATTERN_CENTER:
        return QStringLiteral("CMD_MC_PATTERN_CENTER");
    case RES_MC_RESULT:
        return QStringLiteral("RES_MC_RESULT");
    case CMD_SETUP_ALIVE:
        return QStringLiteral("CMD_SETUP_ALIVE");
    case CMD_START_TRACKING:
        return QStringLiteral("CMD_START_TRACKING");
    case CMD_STOP_TRACKING:
        return QStringLiteral("CMD_STOP_TRACKING");
    case CMD_TC_DEBUG_SENDIMG:
        return QStringLiteral("CMD_TC_DEBUG_SENDIMG");
    case DAT_TC_IMAGE:
        return QStringLiteral("DAT_TC_IMAGE");
    case DAT_TC_IMGEND:
        return QStringLiteral("DAT_TC_IMGEND");
    case CMD_SET_TRANSFER_MODE:
        return QStringLiteral("CMD_SET_TRANSFER_MODE");
    case CMD_SEND_OPTION:
        return QStringLiteral("CMD_SEND_OPTION");
    case DAT_OPTION:
        return QStringLiteral("DAT_OPTION");
    case CMD_MC_GET_INPUT_POINT:
        return QStringLiteral("CMD_MC_GET_INPUT_POINT");
    case DAT_MC_INPUT_POINT:
        return QStringLiteral("DAT_MC_INPUT_POINT");
    case CMD_SET_TRACKING_OPTION:
        return QStringLiteral("CMD_SET_TRACKING_OPTION");
    default:
        return QStringLiteral("Invalid Command");
    }
}
