#include "compute/PatternImage.h"

#include <opencv2/core/utility.hpp>

namespace {

bool isGreyOfSize(const cv::Mat& m, const cv::Size& size) {
    return m.type() == CV_8UC1 && m.size() == size;
}

inline uint8_t patternPixel(int a, int b, int c) {
    const int d1 = b > a ? b - a : 0;
    if (d1 == 0)
        return 255;
    const int d2 = b > c ? b - c : 0;
    const int q = 256 * d2 / (d1 + 1);
    return static_cast<uint8_t>(255 - (q < 255 ? q : 255));
}

} // namespace

bool makePatternImage(const cv::Mat& a, const cv::Mat& b, const cv::Mat& c, cv::Mat& p) {
    const cv::Size size = b.size();
    if (size.empty() || !isGreyOfSize(a, size) || !isGreyOfSize(b, size) || !isGreyOfSize(c, size))
        return false;
    p.create(size, CV_8UC1);
    cv::parallel_for_(cv::Range(0, size.height), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            const uint8_t* ra = a.ptr<uint8_t>(y);
            const uint8_t* rb = b.ptr<uint8_t>(y);
            const uint8_t* rc = c.ptr<uint8_t>(y);
            uint8_t* rp = p.ptr<uint8_t>(y);
            for (int x = 0; x < size.width; ++x)
                rp[x] = patternPixel(ra[x], rb[x], rc[x]);
        }
    });
    return true;
}
