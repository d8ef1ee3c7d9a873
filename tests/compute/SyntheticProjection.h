#pragma once

#include "compute/ProjectionModel.h"

#include <array>
#include <opencv2/core/types.hpp>
#include <vector>

// A known camera-to-window model and exact point pairs made from it.
struct SyntheticProjection {
    ProjectionParams truth{};
    int windowWidth = 1920;
    int windowHeight = 1080;

    // Lens preset of lensType in p8..p12; the perspective part maps the undistorted image of a
    // slightly tilted quadrilateral of the capture onto the whole window.
    static SyntheticProjection forLens(int lensType, int fwLower);

    // The camera point whose model image is the window point (inverse of the model).
    cv::Point2d cameraPointOf(const cv::Point2d& window) const;

    // The 20 targets of the automatic pattern for a 1920 x 1080 window, row by row.
    static std::array<cv::Point2d, 20> autoTargets();
    // The 16 targets of manual calibration, row by row.
    static std::array<cv::Point2d, 16> manualTargets();

    // Largest distance, in window pixels, between the truth and another model on a 40-pixel grid
    // over the whole window (corners included) or over the given area of it.
    double maxDeviation(const ProjectionParams& fitted) const;
    double maxDeviation(const ProjectionParams& fitted, const cv::Rect2d& area) const;
};
