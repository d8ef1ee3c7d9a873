#include "sim/ModuleContext.h"

#include "log/LogCategories.h"
#include "sim/ModuleStore.h"
#include "sim/SimProfile.h"

#include <QDebug>

void ModuleContext::persist() {
    if (profile.storeFile.isEmpty())
        return;
    QString error;
    if (!writeModuleStore(profile.storeFile, state.stored, &error))
        qCWarning(lcSim).noquote() << "VirtualModule: record not kept;" << error;
}
