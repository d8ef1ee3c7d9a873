#pragma once

#include "sim/ModulePacket.h"
#include "sim/ModuleState.h"

#include <cstdint>
#include <unordered_map>

// One handler per command code the module understands. A handler runs on the module's thread
// with the state locked and queues its answers; codes without a handler are refused.
using CommandHandler = void (*)(const InPacket& in, ModuleState& state, ModuleOutput& out);
using CommandTable = std::unordered_map<uint32_t, CommandHandler>;

CommandTable makeCommandTable();

// Each group of commands adds its handlers; a new feature adds a group.
void addSessionHandlers(CommandTable& table);
void addRecordHandlers(CommandTable& table);
void addMaskHandlers(CommandTable& table);
