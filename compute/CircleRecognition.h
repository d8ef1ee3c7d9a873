#pragma once

#include "compute/PatternGeometry.h"

#include <opencv2/core/mat.hpp>

// Disc recognition on the pattern image. Needs current estimators holding the preliminary
// mapping (CurrentEstimators.h): a contour counts as a disc only when its outline, mapped to
// the window, has the size the window drew, and it is credited to the disc position whose
// window point lies within 50 window pixels of its mapped centroid.

// Size and area limits of a mapped disc outline (window pixels). They are fixed from the
// window size of the first recognition that sees a plausible contour and kept for the rest of
// the run.
struct CircleAcceptanceLimits {
    double minSize = 0.0;
    double maxSize = 0.0;
    double minArea = 0.0;
    double maxArea = 0.0;
};

// The limits of this run, or nullptr before any contour passed the camera test.
const CircleAcceptanceLimits* circleAcceptanceLimits();
// The lowest contour bounding-box height, in camera pixels, a disc may have: 24, lowered to
// 20 for the rest of the run once an ultra-short-throw (lens type 3) recognition has run.
int circleMinBoxHeight();
// Forgets the limits and the lowered height, as at program start.
void resetCircleRecognitionRun();

// One threshold: binarises at thr (above thr: white) and appends each credited disc's refined
// centre to centres[position] and its refinement (refined minus raw centroid) to offsets.
void recogCircularPattern(const cv::Mat& image, int thr, const PatternGeometry& geometry,
                          PointLists& centres, PointLists& offsets);

// All thresholds of calcThresholdCandidates (thinned), stopping once 5000 ms have passed.
// For each position below nAC: the trimmed mean of its centres and of its offsets, (0, 0) for
// a position without any.
void findCircleCenters(const cv::Mat& image, const PatternGeometry& geometry, PointTable& centreOut,
                       PointTable& offsetOut);
