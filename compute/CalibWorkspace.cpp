#include "compute/CalibWorkspace.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <algorithm>

void CalibWorkspace::setPointCounts(int autoCount, int manualCount) {
    m_nAC = std::clamp(autoCount, 0, kCalibPointCapacity);
    m_nMC = std::clamp(manualCount, 0, kCalibPointCapacity);
}

void CalibWorkspace::clearAllResults() {
    ac_pattern_center_org.fill(cv::Point2f());
    clearManualResults();
}

void CalibWorkspace::clearManualResults() {
    ac_pattern_center_twk.fill(cv::Point2f());
    ac_loop = 0;
    ac_sse = 0.0;
    calib_success = 0;
}

void CalibWorkspace::setCalibInformation(const CalibInformation& info) {
    qCDebug(lcCompute, "setCalibInformation");
    const int pointCount = std::clamp(info.pointCount, 0, kCalibPointCapacity);
    for (int i = 0; i < pointCount; ++i) {
        windowPoints[i] = info.windowPoints[i];
        qCDebug(lcCompute, "%02d: %f %f", i, windowPoints[i].x, windowPoints[i].y);
    }

    ac_window_height = info.windowHeight;
    ac_window_width = info.windowWidth;
    qCDebug(lcCompute, "ac_window_width = %d, ac_window_height = %d", ac_window_width,
            ac_window_height);

    acLens = static_cast<uint8_t>(info.lensType);
    acRear = static_cast<uint8_t>(info.acRear);
    acCeiling = static_cast<uint8_t>(info.acCeiling);
    qCDebug(lcCompute, "acCeiling = %d, acRear = %d, lens = %d", acCeiling, acRear, acLens);

    qCDebug(lcCompute, "ac_tweak_num = %d", info.tweakCount);
    TweakSource source;
    source.handedCount = info.tweakCount;
    source.handedEntries = info.tweaks;
    source.lensType = acLens;
    source.penType = info.penType;
    source.fwLower = info.fwLower;
    source.nAC = m_nAC;
    fillTweakTable(ac_tweak, m_nFWLower, source);
}

void CalibWorkspace::getLensPreset(ProjectionParams& tp) const {
    ::getLensPreset(acLens, m_nFWLower, tp);
}

CalibWorkspace& calibWorkspace() {
    static CalibWorkspace workspace;
    return workspace;
}
