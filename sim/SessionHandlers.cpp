// Tracking, identity and the settings the utility changes one value at a time.
#include "sim/CommandTable.h"
#include "sim/RecordLayout.h"

namespace {

using namespace pkt;

void setTracking(const InPacket& in, ModuleContext& m) {
    m.state.session.tracking = in.code() == CMD_START_TRACKING;
    m.out.ack();
    if (m.state.session.tracking)
        followCheckTargets(m);
}

void sendVersion(const InPacket&, ModuleContext& m) {
    const uint8_t payload[2] = {m.state.stored.fwMajor, m.state.stored.fwMinor};
    m.out.answer(DAT_VERSION, payload, sizeof payload);
}

void sendOption(const InPacket&, ModuleContext& m) {
    const StoredState& s = m.state.stored;
    const uint8_t payload[4] = {s.ceiling, s.rear, s.finger, s.lens};
    m.out.answer(DAT_OPTION, payload, sizeof payload);
}

// The pen or finger choice is one of the options the module reports, so it is kept with them.
void setFingerTouchMode(const InPacket& in, ModuleContext& m) {
    if (!in.carries(4)) {
        m.out.nak(in.code());
        return;
    }
    StoredState& stored = m.state.stored;
    stored.finger = in.u32(0) != 0 ? 1 : 0;
    stored.record[rec::kModeFT] = stored.finger;
    stored.record[rec::kModeFT2] = stored.finger;
    m.persist();
    m.out.ack();
}

void setImageReverse(const InPacket& in, ModuleContext& m) {
    if (!in.carries(4)) {
        m.out.nak(in.code());
        return;
    }
    m.state.session.imageReverse = in.u32(0);
    m.out.ack();
}

void setMonoBin(const InPacket& in, ModuleContext& m) {
    if (!in.carries(4)) {
        m.out.nak(in.code());
        return;
    }
    m.state.session.monoBin = in.u32(0);
    m.out.ack();
}

// The sensor takes a new gain at once, or at the release of a group hold around the write.
void writeSensorRegister(const InPacket& in, ModuleContext& m) {
    if (!in.carries(3)) {
        m.out.nak(in.code());
        return;
    }
    SessionState& s = m.state.session;
    const uint16_t reg = in.u16(0);
    const uint8_t value = in.u8(2);
    s.sensorRegisters[reg] = value;
    if (reg == kRegGroupHold && value == kGroupHoldStart)
        s.groupHeld = true;
    else if (reg == kRegGroupHold && value == kGroupHoldRelease)
        s.groupHeld = false;
    const bool gainChanged = reg == kRegGainHigh || reg == kRegGainLow || reg == kRegGroupHold;
    if (gainChanged && !s.groupHeld)
        s.gain = (s.sensorRegisters[kRegGainHigh] << 8) | s.sensorRegisters[kRegGainLow];
    m.out.ack();
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
