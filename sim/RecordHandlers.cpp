// The stored record.
#include "sim/CommandTable.h"

namespace {

void sendRecord(const InPacket&, ModuleState& state, ModuleOutput& out) {
    out.answer(pkt::DAT_EEPROM, state.stored.record.data(), kRecordBytes);
}

} // namespace

void addRecordHandlers(CommandTable& table) {
    table[pkt::CMD_GET_EEPROM] = sendRecord;
}
