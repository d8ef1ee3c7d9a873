#include "compute/YThreshold.h"

#include <QDebug>

namespace {
constexpr int kCameraWidth = 1280;
constexpr int kCameraHeight = 720;
} // namespace

int calcYThreshold(const ProjectionParams& tp, int windowWidth, int windowHeight) {
    const double limit = windowHeight * 30 / 100.0;
    // The answer is the largest qualifying row, so the scan runs upwards from the bottom row and
    // stops at the first pixel in the band; it evaluates the same model at the same pixels.
    int row = -1;
    for (int y = kCameraHeight - 1; y >= 0 && row < 0; --y) {
        for (int x = 0; x < kCameraWidth; ++x) {
            const cv::Point2d w = mapPoint(tp, x, y);
            if (w.x >= 0 && w.y >= 0 && w.y < limit && w.x < windowWidth) {
                row = y;
                break;
            }
        }
    }
    qDebug() << "calcYThreshold():" << limit << "->" << row;
    return row;
}
