#pragma once

#include "compute/Calibration.h"
#include "compute/ProjectionFit.h"

#include <opencv2/core/types.hpp>

// The estimators of the computation in progress. While a scope lives, its Calibration and its
// ProjectionFit are the current instances that mapCamToScreen uses; scopes do not nest.
class CurrentEstimators {
public:
    // The fit holds zeros in p0..p7 and the lens preset of the given lens in p8..p12.
    CurrentEstimators(int lensType, int fwLower);
    ~CurrentEstimators();
    CurrentEstimators(const CurrentEstimators&) = delete;
    CurrentEstimators& operator=(const CurrentEstimators&) = delete;

    Calibration& calibration() { return m_calibration; }
    ProjectionFit& fit() { return m_fit; }

    static CurrentEstimators* current();

private:
    Calibration m_calibration;
    ProjectionFit m_fit;
};

// Preliminary mapping: undistort with the current fit's lens preset, then apply the current
// homography. Without current estimators the point is returned unchanged.
cv::Point2d mapCamToScreen(const cv::Point2d& cam);
