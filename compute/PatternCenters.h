#pragma once

#include "compute/MarkerRecognition.h"
#include "compute/PatternGeometry.h"

#include <array>
#include <opencv2/core/mat.hpp>

class CalibWorkspace;

using CenterTable = std::array<cv::Point2f, kCalibPointCapacity>;

// The camera centres of the pattern positions, markers first: the marker centres give the
// preliminary homography, which the disc recognition and the refinement of every centre rely
// on. All of these need current estimators (CurrentEstimators.h) whose fit holds the lens
// preset; calcProjection fills their Calibration.

// Pairs the undistorted raw centre of each found marker position below nAC with its window
// point and estimates the homography. With at least 4 pairs homographyOut receives it,
// normalised so that its ninth value is 1; otherwise it is left as it was and false returned.
bool calcProjection(const PointTable& rawCentres, const PatternGeometry& geometry,
                    std::array<double, 9>& homographyOut);

// For each marker position below nAC: the trimmed mean over its detections of the camera point
// whose mapping is the centroid of the mapped outline (the raw centroid where that search
// fails), or (0, 0).
void tweakMarkerCenter(const MarkerLists& lists, int nAC, PointTable& tweakedCentres);

// Markers, homography, discs; orgOut gets the merged centres and twkOut the same plus the
// context's tweak offsets where both coordinates exceed 3. False, with nothing written, when
// fewer than 4 marker positions were found.
bool recogPatternCenters(const cv::Mat& image, const CalibWorkspace& ws, CenterTable& orgOut,
                         CenterTable& twkOut, std::array<double, 9>& homographyOut);

// The whole chain on a pattern image (PatternImage.h) with the context's settings: fills the
// first nAC entries of its org and twk tables (cleared first) and its preliminary homography.
void AC_FindPatternCenter(CalibWorkspace& ws, const cv::Mat& patternImage);
// The same on the program's one context.
void AC_FindPatternCenter(const cv::Mat& patternImage);
