#pragma once

#include "compute/CalibPoints.h"
#include "compute/ProjectionModel.h"
#include "compute/TweakTable.h"

#include <array>
#include <cstdint>
#include <opencv2/core/types.hpp>

// The calibration context shared by the calibration sequences and the computation: window
// points, window size and device options of the next computation, the tweak table, the measured
// camera points and the results of the last computation.
//
// Units: window points in window pixels; camera tables (org, twk) and tweak offsets in camera
// pixels (conventions in ProjectionModel.h); ac_sse in window pixels squared.
class CalibWorkspace {
public:
    // Result of collectPointPairs: valid pairs in table order.
    struct PointPairs {
        std::array<cv::Point2d, kCalibPointCapacity> cam{};
        std::array<cv::Point2d, kCalibPointCapacity> win{};
        int count = 0;
        int sideCount = 0;
    };

    struct CalibInformation {
        const cv::Point2f* windowPoints = nullptr;
        int pointCount = 0;
        int acCeiling = 0;
        int acRear = 0;
        int16_t windowWidth = 0;
        int16_t windowHeight = 0;
        int lensType = 0;
        int tweakCount = 0; // 0: use the predefined tables
        const cv::Point2f* tweaks = nullptr;
        int fwLower = 0;
        int penType = 0;
    };

    // Pattern positions (nAC) and manual targets (nMC) of the device's lens; each is cut to the
    // table capacity.
    void setPointCounts(int autoCount, int manualCount);
    int nAC() const { return m_nAC; }
    int nMC() const { return m_nMC; }

    // Zeroes the org and twk tables, the loop count, the SSE and the success flag.
    void clearAllResults();
    // Zeroes the twk table, the loop count, the SSE and the success flag.
    void clearManualResults();

    void setCalibInformation(const CalibInformation& info);

    // Valid camera points of table with index below n, paired with their window points; side
    // positions are counted only when n equals nAC.
    PointPairs collectPointPairs(const std::array<cv::Point2f, kCalibPointCapacity>& table,
                                 int n) const;

    // Whether an automatic fit is tried on these pairs: at most 8 positions missing and at
    // least 2 on the sides.
    bool enoughAutoPoints(const PointPairs& pairs) const;

    // Each writes calib_success; a fit also writes tp, ac_loop and ac_sse.
    void AC_CallCalcCalibParameter(ProjectionParams& tp);
    void MC_CallCalcCalibParameter(ProjectionParams& tp);
    // With the pattern image the untweaked centres are fitted with the lens modes; without it
    // the touched points in the twk table are fitted in two modes.
    void SC_CallCalcCalibParameter(bool withPatternImage, ProjectionParams& tp);

    // Lens preset of the context's lens type and stored firmware version, into p8..p12.
    void getLensPreset(ProjectionParams& tp) const;

    std::array<cv::Point2d, kCalibPointCapacity> windowPoints{};
    int16_t ac_window_width = 0;
    int16_t ac_window_height = 0;
    uint8_t acLens = 0;
    uint8_t acCeiling = 0;
    uint8_t acRear = 0;
    int m_nFWLower = 0;
    TweakTable ac_tweak;
    std::array<cv::Point2f, kCalibPointCapacity> ac_pattern_center_org{};
    std::array<cv::Point2f, kCalibPointCapacity> ac_pattern_center_twk{};
    std::array<double, 9> ac_homography{}; // preliminary homography, normalised (h8 = 1)
    int ac_loop = 0;
    double ac_sse = 0.0;
    int calib_success = 0;

private:
    enum class Fit { TwoModes, WithLens };
    void fitPairs(const PointPairs& pairs, Fit kind, ProjectionParams& tp);

    int m_nAC = 0;
    int m_nMC = 0;
};

// The one context of the program.
CalibWorkspace& calibWorkspace();
