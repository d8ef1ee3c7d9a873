#pragma once

#include <opencv2/core/mat.hpp>

// The normalised pattern image of automatic calibration, from the three captures of one run:
// a (black screen), b (white screen) and c (pattern screen), all 8-bit grey of the same size.
// Per pixel, with d1 = max(b - a, 0) and d2 = max(b - c, 0): 255 where d1 is 0, otherwise
// 255 - min(255, 256 * d2 / (d1 + 1)) in integers. Marks the projector drew black come out
// dark, the lit screen and everything the projector does not reach come out white.
//
// Returns false, leaving p untouched, when the captures are not three 8-bit one-channel
// pictures of one size.
bool makePatternImage(const cv::Mat& a, const cv::Mat& b, const cv::Mat& c, cv::Mat& p);
