// The stored record: read back whole, replaced by a calibration upload.
#include "sim/CalibrationRecord.h"
#include "sim/CommandTable.h"
#include "sim/RecordLayout.h"

namespace {

using namespace pkt;

void sendRecord(const InPacket&, ModuleContext& m) {
    m.out.answer(DAT_EEPROM, m.state.stored.record.data(), kRecordBytes);
}

// The record comes as one packet of exactly its size; anything else is refused unstored.
void setCalibParameter(const InPacket& in, ModuleContext& m) {
    if (in.length() != rec::calib::kBytes) {
        m.out.nak(in.code());
        return;
    }
    storeCalibrationRecord(in.bytes().data() + kHeaderSize, m.state.stored);
    m.persist();
    m.out.answer(RES_AC_READY_END, nullptr, 0);
}

// The coordinate-ratio correction is kept with the record, where the module applies it.
void setFixCoordRatio(const InPacket& in, ModuleContext& m) {
    if (!in.carries(12)) {
        m.out.nak(in.code());
        return;
    }
    uint8_t* record = m.state.stored.record.data();
    le::put8(record, rec::kFixCoordMode, uint8_t(in.u32(0)));
    le::putf64(record, rec::kFixCoordRatio, le::f64(in.bytes().data() + kHeaderSize, 4));
    m.persist();
    m.out.ack();
}

} // namespace

void addRecordHandlers(CommandTable& table) {
    table[CMD_GET_EEPROM] = sendRecord;
    table[CMD_SET_CALIB_PARAMETER] = setCalibParameter;
    table[CMD_SET_FIX_COORD_RATIO] = setFixCoordRatio;
}
