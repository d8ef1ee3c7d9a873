#pragma once

#include <opencv2/core/mat.hpp>
#include <vector>

// Contours of a binary picture (outer boundaries and holes, simple chain approximation) such
// that those whose bounding box is at least minWidth x minHeight are exactly the ones
// cv::findContours(binary, RETR_CCOMP, CHAIN_APPROX_SIMPLE) returns, in the same order and
// with the same points; smaller ones may be missing.
//
// A noisy binary picture has hundreds of thousands of specks, and tracing each costs far more
// than labelling them. A speck, a white 8-connected region or a black 4-connected region
// enclosed by white, too small for any boundary of it to reach the size, is painted over
// before tracing. That leaves the contours of every other region as they were: a removed speck
// never touches another white region (it would belong to it), and a filled black hole is
// enclosed by a single white region whose other boundaries it does not border.
void largeRegionContours(const cv::Mat& binary, int minWidth, int minHeight,
                         std::vector<std::vector<cv::Point>>& contours);
