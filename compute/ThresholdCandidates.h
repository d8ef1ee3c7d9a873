#pragma once

#include <opencv2/core/mat.hpp>
#include <vector>

// The grey levels at which the pattern image is binarised for recognition, in the order they
// are tried. A level is a candidate when more than width / 10 pixels have it (levels 1 to 254;
// 0 and 255 never count). With thin set and more than 20 candidates, the list is cut to the
// band of the 20 most frequent levels and then thinned to levels at least 5 apart, the more
// frequent kept first, ordered by descending frequency. Logs the thinning steps.
std::vector<int> calcThresholdCandidates(const cv::Mat& image, bool thin);
