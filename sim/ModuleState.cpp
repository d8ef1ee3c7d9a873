#include "sim/ModuleState.h"

#include "log/LogCategories.h"
#include "sim/FactoryRecord.h"
#include "sim/ModuleStore.h"
#include "sim/SimProfile.h"

#include <QDebug>
#include <QFileInfo>

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

    // A module that kept a record and mask comes back with them.
    if (!profile.storeFile.isEmpty() && QFileInfo::exists(profile.storeFile)) {
        QString error;
        if (!readModuleStore(profile.storeFile, &s, &error))
            qCWarning(lcSim).noquote() << "VirtualModule: factory state kept;" << error;
    }
    return state;
}
