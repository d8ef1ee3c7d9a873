#include "compute/RegionContours.h"

#include <opencv2/imgproc.hpp>

namespace {

// Below this many colour changes along the rows tracing everything is cheaper than labelling.
constexpr int kFewEdges = 20000;

int rowEdges(const cv::Mat& binary) {
    int edges = 0;
    for (int y = 0; y < binary.rows; ++y) {
        const uint8_t* row = binary.ptr<uint8_t>(y);
        for (int x = 1; x < binary.cols; ++x)
            edges += row[x] != row[x - 1];
    }
    return edges;
}

struct RegionSizes {
    cv::Mat labels;
    cv::Mat stats;
    int count = 0;
};

RegionSizes label(const cv::Mat& img, int connectivity) {
    RegionSizes r;
    cv::Mat centroids;
    r.count =
        cv::connectedComponentsWithStats(img, r.labels, r.stats, centroids, connectivity, CV_32S);
    return r;
}

bool touchesEdge(const cv::Mat& stats, int i, const cv::Size& size) {
    const int* s = stats.ptr<int>(i);
    return s[cv::CC_STAT_LEFT] == 0 || s[cv::CC_STAT_TOP] == 0 ||
           s[cv::CC_STAT_LEFT] + s[cv::CC_STAT_WIDTH] == size.width ||
           s[cv::CC_STAT_TOP] + s[cv::CC_STAT_HEIGHT] == size.height;
}

bool smallerThan(const cv::Mat& stats, int i, int w, int h) {
    const int* s = stats.ptr<int>(i);
    return s[cv::CC_STAT_WIDTH] < w || s[cv::CC_STAT_HEIGHT] < h;
}

} // namespace

void largeRegionContours(const cv::Mat& binary, int minWidth, int minHeight,
                         std::vector<std::vector<cv::Point>>& contours) {
    std::vector<cv::Vec4i> hierarchy;
    if (rowEdges(binary) < kFewEdges) {
        cv::findContours(binary, contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
        return;
    }
    const RegionSizes white = label(binary, 8);
    cv::Mat inverted;
    cv::bitwise_not(binary, inverted);
    const RegionSizes black = label(inverted, 4);

    // Label 0 is the other colour in each labelling. A hole's boundary runs on the white
    // pixels around it, one pixel outside its box.
    std::vector<uint8_t> dropWhite(white.count, 0);
    for (int i = 1; i < white.count; ++i)
        dropWhite[i] = smallerThan(white.stats, i, minWidth, minHeight);
    std::vector<uint8_t> fillBlack(black.count, 0);
    for (int i = 1; i < black.count; ++i)
        fillBlack[i] = !touchesEdge(black.stats, i, binary.size()) &&
                       smallerThan(black.stats, i, minWidth - 2, minHeight - 2);

    cv::Mat cleaned(binary.size(), CV_8UC1);
    for (int y = 0; y < binary.rows; ++y) {
        const uint8_t* src = binary.ptr<uint8_t>(y);
        const int* wl = white.labels.ptr<int>(y);
        const int* bl = black.labels.ptr<int>(y);
        uint8_t* dst = cleaned.ptr<uint8_t>(y);
        for (int x = 0; x < binary.cols; ++x) {
            if (src[x])
                dst[x] = dropWhite[wl[x]] ? 0 : 255;
            else
                dst[x] = fillBlack[bl[x]] ? 255 : 0;
        }
    }
    cv::findContours(cleaned, contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
}
