#pragma once

#include <opencv2/core/types.hpp>
#include <vector>

// Small numeric routines shared by circle and marker recognition. Camera points follow the
// conventions of ProjectionModel.h; mapped points are window pixels.

// Centroid of the closed polygon through the points, from its spatial moments (m10 / m00,
// m01 / m00). A polygon without area has no such centroid; the mean of its points is returned.
cv::Point2d contourCentroid(const std::vector<cv::Point>& points);

// Mean of the points after dropping those 3 standard deviations or more from the mean in
// either axis (deviations below 0.01 count as 0.01). Points that all lie within 0.1 of the mean
// in both axes give the plain mean; an empty list, or one where every point is dropped, (0, 0).
cv::Point2d calcRobustCenter(const std::vector<cv::Point2d>& points);

struct BackProjection {
    cv::Point2d point{-1.0, -1.0}; // (-1, -1) when no candidate had a finite distance
    double d2 = 1.7976931348623157e308;
};

// The camera point within 10 pixels of start, on a 0.2-pixel grid scanned row by row, whose
// preliminary mapping (mapCamToScreen) lies closest to the window point target; the first of
// equal distances wins. d2 is the squared distance in window pixels.
BackProjection backProjectPoint(const cv::Point2d& target, const cv::Point2d& start);

// Every contour point mapped with mapCamToScreen and rounded to the nearest integer (halves
// up), into out (cleared first). Points whose mapped coordinates are not finite or do not fit
// an int are left out.
void mapOutline(const std::vector<cv::Point>& contour, std::vector<cv::Point>& out);
