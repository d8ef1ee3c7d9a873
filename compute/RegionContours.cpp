#include "compute/RegionContours.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <opencv2/imgproc.hpp>

namespace {

// Below this many colour changes along the rows tracing everything is cheaper than labelling.
constexpr int kFewEdges = 20000;

// A run of one colour in a row, x0 to x1 inclusive.
struct Run {
    int x0;
    int x1;
    int y;
    bool white;
};

struct Runs {
    std::vector<Run> runs;
    std::vector<int> rowStart; // first run of each row, and the total at the end
};

Runs findRuns(const cv::Mat& binary) {
    Runs r;
    r.rowStart.reserve(size_t(binary.rows) + 1);
    // Enough for the noisy pictures that get labelled, so the list is not copied as it grows.
    r.runs.reserve(binary.total() / 8);
    for (int y = 0; y < binary.rows; ++y) {
        r.rowStart.push_back(int(r.runs.size()));
        const uint8_t* row = binary.ptr<uint8_t>(y);
        for (int x = 0; x < binary.cols;) {
            int end = x + 1;
            while (end < binary.cols && row[end] == row[x])
                ++end;
            r.runs.push_back({x, end - 1, y, row[x] != 0});
            x = end;
        }
    }
    r.rowStart.push_back(int(r.runs.size()));
    return r;
}

int rootOf(std::vector<int>& parent, int i) {
    while (parent[size_t(i)] != i) {
        parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
        i = parent[size_t(i)];
    }
    return i;
}

void unite(std::vector<int>& parent, int a, int b) {
    a = rootOf(parent, a);
    b = rootOf(parent, b);
    if (a < b)
        parent[size_t(b)] = a;
    else if (b < a)
        parent[size_t(a)] = b;
}

// Joins every run with the runs of the row above that touch it. White regions are 8-connected
// and black ones 4-connected, as contour tracing sees them: a white run reaches one pixel
// further to either side.
std::vector<int> regionsOf(const Runs& r) {
    std::vector<int> parent(r.runs.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (size_t y = 1; y + 1 < r.rowStart.size(); ++y) {
        const int aboveEnd = r.rowStart[y];
        int q = r.rowStart[y - 1];
        for (int i = r.rowStart[y]; i < r.rowStart[y + 1]; ++i) {
            const Run& run = r.runs[size_t(i)];
            const int reach = run.white ? 1 : 0;
            while (q < aboveEnd && r.runs[size_t(q)].x1 < run.x0 - reach)
                ++q;
            for (int k = q; k < aboveEnd && r.runs[size_t(k)].x0 <= run.x1 + reach; ++k)
                if (r.runs[size_t(k)].white == run.white)
                    unite(parent, i, k);
        }
    }
    return parent;
}

struct Box {
    int x0 = std::numeric_limits<int>::max();
    int y0 = std::numeric_limits<int>::max();
    int x1 = -1;
    int y1 = -1;

    void add(const Run& run) {
        x0 = std::min(x0, run.x0);
        x1 = std::max(x1, run.x1);
        y0 = std::min(y0, run.y);
        y1 = std::max(y1, run.y);
    }
    bool smallerThan(int w, int h) const { return x1 - x0 + 1 < w || y1 - y0 + 1 < h; }
    bool touchesEdge(const cv::Size& size) const {
        return x0 == 0 || y0 == 0 || x1 == size.width - 1 || y1 == size.height - 1;
    }
};

} // namespace

void largeRegionContours(const cv::Mat& binary, int minWidth, int minHeight,
                         std::vector<std::vector<cv::Point>>& contours) {
    std::vector<cv::Vec4i> hierarchy;
    const Runs r = findRuns(binary);
    if (int(r.runs.size()) - binary.rows < kFewEdges) {
        cv::findContours(binary, contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
        return;
    }
    std::vector<int> region = regionsOf(r);
    std::vector<Box> boxes(r.runs.size());
    for (size_t i = 0; i < r.runs.size(); ++i) {
        region[i] = rootOf(region, int(i));
        boxes[size_t(region[i])].add(r.runs[i]);
    }

    // A hole's boundary runs on the white pixels around it, one pixel outside its box.
    cv::Mat cleaned(binary.size(), CV_8UC1);
    for (size_t i = 0; i < r.runs.size(); ++i) {
        const Run& run = r.runs[i];
        const Box& box = boxes[size_t(region[i])];
        const bool white = run.white ? !box.smallerThan(minWidth, minHeight)
                                     : !box.touchesEdge(binary.size()) &&
                                           box.smallerThan(minWidth - 2, minHeight - 2);
        uint8_t* row = cleaned.ptr<uint8_t>(run.y);
        std::fill(row + run.x0, row + run.x1 + 1, white ? 255 : 0);
    }
    cv::findContours(cleaned, contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
}
