#include "sim/ModuleState.h"

#include "sim/FactoryRecord.h"
#include "sim/SimProfile.h"

ModuleState initialModuleState(const SimProfile& profile) {
    ModuleState state;
    StoredState& s = state.stored;
    s.fwMajor = profile.fwMajor;
    s.fwMinor = profile.fwMinor;
    s.ceiling = profile.ceiling;
    s.rear = profile.rear;
    s.finger = profile.finger;
    s.lens = profile.lens;
    s.record = makeFactoryRecord(profile);
    if (profile.mask.size() == kMaskBytes)
        s.mask.assign(profile.mask.begin(), profile.mask.end());
    return state;
}
