#pragma once

#include "compute/ProjectionModel.h"
#include "sim/ModuleDesk.h"
#include "sim/SimProfile.h"

#include <mutex>

class DesktopDesk;

// The module's side of the desktop: what the user interface showed last (kept here by the
// DesktopDesk on the user-interface thread) and the way back to it. Touches and key presses
// are posted to the DesktopDesk and carried out on the user-interface thread.
class DeskSight : public ModuleDesk {
public:
    explicit DeskSight(const SimProfile& profile);

    SymbolSighting targetSymbol() override;
    std::array<double, 2> cameraPointOf(double x, double y) override;
    void touch(double fx, double fy) override;
    void pressBack() override;

    // User-interface thread.
    void setSighting(const SymbolSighting& sighting);
    void setMonitorSize(int w, int h);
    void attach(DesktopDesk* desk);

private:
    const SimProfile m_profile;
    std::mutex m_mutex;
    SymbolSighting m_sighting;
    int m_width = 0;
    int m_height = 0;
    ProjectionParams m_truth = neutralProjection();
    DesktopDesk* m_desk = nullptr; // cleared by the DesktopDesk before it goes
};
