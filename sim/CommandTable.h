#pragma once

#include "sim/ModuleContext.h"
#include "sim/ModulePacket.h"

#include <cstdint>
#include <unordered_map>

// One handler per command code the module understands. A handler runs on the module's thread
// with the state locked and queues its answers, or posts work that answers later; codes
// without a handler are refused.
using CommandHandler = void (*)(const InPacket& in, ModuleContext& m);
using CommandTable = std::unordered_map<uint32_t, CommandHandler>;

CommandTable makeCommandTable();

// Each group of commands adds its handlers; a new feature adds a group.
void addSessionHandlers(CommandTable& table);
void addRecordHandlers(CommandTable& table);
void addMaskHandlers(CommandTable& table);
void addLiveImageHandlers(CommandTable& table);
void addCaptureHandlers(CommandTable& table);
void addPenHandlers(CommandTable& table);

// While the module tracks, the virtual user touches each accuracy-check target the desk
// shows, once; the module reports the touch through the calibration it holds.
void followCheckTargets(ModuleContext& m);
