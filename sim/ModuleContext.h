#pragma once

#include "sim/DelayedWork.h"
#include "sim/ModuleCamera.h"
#include "sim/ModulePacket.h"
#include "sim/ModuleState.h"

class ModuleDesk;
struct SimProfile;

// Everything a command handler works with. It runs on the module's thread with the state
// locked; nowMs is the SimClock time the packet is handled at.
struct ModuleContext {
    ModuleState& state;
    ModuleOutput& out;
    const SimProfile& profile;
    ModuleCamera& camera;
    DelayedWork& work;
    int64_t nowMs;
    // The world the pen and the touch output reach; nullptr when there is none.
    ModuleDesk* desk;

    void after(int64_t delayMs, DelayedWork::Task task) {
        work.post(nowMs + delayMs, std::move(task));
    }
    // Writes the record and mask to the profile's store file, if it has one.
    void persist();
};
