// Tracking, identity and the settings the utility changes one value at a time.
#include "sim/CommandTable.h"

namespace {

using namespace pkt;

void setTracking(const InPacket& in, ModuleState& state, ModuleOutput& out) {
    state.session.tracking = in.code() == CMD_START_TRACKING;
    out.ack();
}

void sendVersion(const InPacket&, ModuleState& state, ModuleOutput& out) {
    const uint8_t payload[2] = {state.stored.fwMajor, state.stored.fwMinor};
    out.answer(DAT_VERSION, payload, sizeof payload);
}

void sendOption(const InPacket&, ModuleState& state, ModuleOutput& out) {
    const StoredState& s = state.stored;
    const uint8_t payload[4] = {s.ceiling, s.rear, s.finger, s.lens};
    out.answer(DAT_OPTION, payload, sizeof payload);
}

// The pen or finger choice is one of the options the module reports, so it is kept with them.
void setFingerTouchMode(const InPacket& in, ModuleState& state, ModuleOutput& out) {
    if (!in.carries(4)) {
        out.nak(in.code());
        return;
    }
    state.stored.finger = in.u32(0) != 0 ? 1 : 0;
    out.ack();
}

void setImageReverse(const InPacket& in, ModuleState& state, ModuleOutput& out) {
    if (!in.carries(4)) {
        out.nak(in.code());
        return;
    }
    state.session.imageReverse = in.u32(0);
    out.ack();
}

void setMonoBin(const InPacket& in, ModuleState& state, ModuleOutput& out) {
    if (!in.carries(4)) {
        out.nak(in.code());
        return;
    }
    state.session.monoBin = in.u32(0);
    out.ack();
}

void writeSensorRegister(const InPacket& in, ModuleState& state, ModuleOutput& out) {
    if (!in.carries(3)) {
        out.nak(in.code());
        return;
    }
    state.session.sensorRegisters[in.u16(0)] = in.u8(2);
    out.ack();
}

} // namespace

void addSessionHandlers(CommandTable& table) {
    table[CMD_STOP_TRACKING] = setTracking;
    table[CMD_START_TRACKING] = setTracking;
    table[CMD_SENDVERSION] = sendVersion;
    table[CMD_SEND_OPTION] = sendOption;
    table[CMD_SET_FINGER_TOUCH_MODE] = setFingerTouchMode;
    table[CMD_SET_IMAGE_REVERSE] = setImageReverse;
    table[CMD_SET_MONO_BIN] = setMonoBin;
    table[CMD_IIC_WR] = writeSensorRegister;
}
