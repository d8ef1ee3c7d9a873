#pragma once

#include "compute/PatternGeometry.h"

#include <array>
#include <opencv2/core/mat.hpp>
#include <vector>

// Square TAG16h5 markers on the pattern image.
//
// A marker record carries the id, the four corners as the detector reports them (the first
// is the tag's bottom-right corner as the pattern draws it) and the outline it was found from:
// the integer pixel points of the contour of the detector's own binarisation whose polygon
// approximation gave those corners. Only the id and the outline are used for the centres.
struct MarkerRecord {
    int id = -1;
    std::array<cv::Point2f, 4> corners{};
    std::vector<cv::Point> contour;
};

using MarkerLists = PerPosition<std::vector<MarkerRecord>>;

// thr -1: the image as it is; 0: Otsu's threshold; other values: above thr white. A binarised
// image without any white pixel gives no markers without running the detector.
std::vector<MarkerRecord> detectMarkers(const cv::Mat& image, int thr);

// Markers at the unchanged image and at every thinned threshold candidate (stopping once
// 5000 ms have passed), each appended to the list of the position its id names; other ids are
// ignored. rawCentres[i], for i below nAC: trimmed mean of the outline centroids of list i, or
// (0, 0).
void findMarkerCenters(const cv::Mat& image, int nAC, PointTable& rawCentres, MarkerLists& lists);
