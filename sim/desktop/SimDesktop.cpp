#include "sim/desktop/SimDesktop.h"

#include "sim/SimTransport.h"
#include "sim/desktop/CalibrationCheck.h"
#include "sim/desktop/DeskSight.h"
#include "sim/desktop/DesktopDesk.h"
#include "sim/desktop/DesktopScene.h"

#include <QApplication>

SimDesktop makeSimDesktop(const QString& profilePath, QString* error) {
    SimProfile profile;
    QString reason;
    if (!profilePath.isEmpty() && !SimProfile::load(profilePath, &profile, &reason)) {
        if (error)
            *error = reason;
        return {};
    }
    auto transport = std::make_unique<SimTransport>(profile);
    // Without windows there is no desktop to see: the module keeps its test card.
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        auto scene = std::make_shared<DesktopScene>(profile);
        auto sight = std::make_shared<DeskSight>(profile);
        auto* desk = new DesktopDesk(scene, sight, app);
        desk->setProjectorMonitor(profile.screenMonitor);
        transport->setCompanion(desk);
        transport->setSceneSource(scene);
        transport->module().setDesk(sight);
    }

    SimDesktop desktop;
    VirtualModule* module = &transport->module();
    desktop.verifier = [module, profile] {
        return storedCalibrationReport(module->state().stored, profile);
    };
    desktop.transport = std::move(transport);
    return desktop;
}
