#include "compute/RegionContours.h"

#include <algorithm>
#include <limits>
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

// Bounding boxes of the regions of one colour, by label (label 0 is the other colour).
struct Box {
    int x0 = std::numeric_limits<int>::max();
    int y0 = std::numeric_limits<int>::max();
    int x1 = -1;
    int y1 = -1;

    void addRun(int from, int to, int y) {
        x0 = std::min(x0, from);
        x1 = std::max(x1, to);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
    }
    bool smallerThan(int w, int h) const { return x1 - x0 + 1 < w || y1 - y0 + 1 < h; }
    bool touchesEdge(const cv::Size& size) const {
        return x0 == 0 || y0 == 0 || x1 == size.width - 1 || y1 == size.height - 1;
    }
};

// Calls f(from, to) for every run of one colour in a row. The pixels of a run are neighbours,
// so they share their label in either connectivity: labels are looked up once per run.
template <typename F> void forEachRun(const uint8_t* row, int cols, F f) {
    for (int x = 0; x < cols;) {
        int end = x + 1;
        while (end < cols && row[end] == row[x])
            ++end;
        f(x, end - 1);
        x = end;
    }
}

} // namespace

void largeRegionContours(const cv::Mat& binary, int minWidth, int minHeight,
                         std::vector<std::vector<cv::Point>>& contours) {
    std::vector<cv::Vec4i> hierarchy;
    if (rowEdges(binary) < kFewEdges) {
        cv::findContours(binary, contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
        return;
    }
    // The labelling's own statistics cost more than the labelling; only boxes are needed.
    cv::Mat whiteLabels;
    cv::Mat blackLabels;
    cv::Mat inverted;
    const int whiteCount = cv::connectedComponents(binary, whiteLabels, 8, CV_32S);
    cv::bitwise_not(binary, inverted);
    const int blackCount = cv::connectedComponents(inverted, blackLabels, 4, CV_32S);
    std::vector<Box> whiteBoxes(whiteCount);
    std::vector<Box> blackBoxes(blackCount);
    for (int y = 0; y < binary.rows; ++y) {
        const uint8_t* src = binary.ptr<uint8_t>(y);
        const int* wl = whiteLabels.ptr<int>(y);
        const int* bl = blackLabels.ptr<int>(y);
        forEachRun(src, binary.cols, [&](int from, int to) {
            Box& box = src[from] ? whiteBoxes[wl[from]] : blackBoxes[bl[from]];
            box.addRun(from, to, y);
        });
    }

    // A hole's boundary runs on the white pixels around it, one pixel outside its box.
    std::vector<uint8_t> dropWhite(whiteCount, 0);
    for (int i = 1; i < whiteCount; ++i)
        dropWhite[i] = whiteBoxes[i].smallerThan(minWidth, minHeight);
    std::vector<uint8_t> fillBlack(blackCount, 0);
    for (int i = 1; i < blackCount; ++i)
        fillBlack[i] = !blackBoxes[i].touchesEdge(binary.size()) &&
                       blackBoxes[i].smallerThan(minWidth - 2, minHeight - 2);

    cv::Mat cleaned(binary.size(), CV_8UC1);
    for (int y = 0; y < binary.rows; ++y) {
        const uint8_t* src = binary.ptr<uint8_t>(y);
        const int* wl = whiteLabels.ptr<int>(y);
        const int* bl = blackLabels.ptr<int>(y);
        uint8_t* dst = cleaned.ptr<uint8_t>(y);
        forEachRun(src, binary.cols, [&](int from, int to) {
            const bool white = src[from] ? !dropWhite[wl[from]] : fillBlack[bl[from]] != 0;
            std::fill(dst + from, dst + to + 1, white ? 255 : 0);
        });
    }
    cv::findContours(cleaned, contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
}
