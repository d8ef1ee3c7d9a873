// Times one six-mode fit on 20 pairs and one camera row limit, as medians of several runs.
// The debug log is discarded while timing, so the figures exclude writing it out.

#include "compute/CalcCalibParameter.h"
#include "compute/YThreshold.h"

#include <QElapsedTimer>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace {

constexpr int kRuns = 15;
constexpr int kWindowWidth = 1920;
constexpr int kWindowHeight = 1080;

void discard(QtMsgType, const QMessageLogContext&, const QString&) {}

double medianMs(const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// An ultra-short-throw lens whose screen appears as a slightly keystoned quadrilateral.
ProjectionParams sceneModel() {
    ProjectionParams tp = neutralProjection();
    getLensPreset(3, 10, tp);
    const cv::Point2d seen[4] = {{170, 95}, {1120, 80}, {1150, 640}, {140, 615}};
    std::vector<cv::Point2f> undistorted;
    for (const cv::Point2d& c : seen)
        undistorted.emplace_back(undistortPoint(tp, c.x, c.y));
    const std::vector<cv::Point2f> corners = {
        {0, 0}, {kWindowWidth, 0}, {kWindowWidth, kWindowHeight}, {0, kWindowHeight}};
    const cv::Mat h = cv::getPerspectiveTransform(undistorted, corners);
    for (int j = 0; j < 8; ++j)
        tp[j] = h.at<double>(j / 3, j % 3) / h.at<double>(2, 2);
    return tp;
}

} // namespace

int main() {
    qInstallMessageHandler(discard);
    const ProjectionParams truth = sceneModel();

    std::vector<cv::Point2d> cam;
    std::vector<cv::Point2d> win;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c) {
            cam.emplace_back(260.0 + 190.0 * c, 160.0 + 130.0 * r);
            win.push_back(mapPoint(truth, cam.back().x, cam.back().y));
        }
    CalibFitInput in;
    in.withLens = true;
    std::copy_n(truth.begin(), 8, in.seed.begin());
    in.seed[8] = 1.0;
    in.lensType = 3;
    in.fwLower = 10;
    in.count = static_cast<int>(cam.size());
    in.camPoints = cam.data();
    in.winPoints = win.data();

    CalibFitResult fit;
    const double fitMs = medianMs([&] { fit = CalcCalibParameter(in); });
    std::printf("six-mode fit, 20 pairs:          %8.3f ms  (mode %d, %d loops, sse %.3g)\n", fitMs,
                fit.mode, fit.loopCount, fit.sse);

    // Measured centres are never exact: a quarter pixel of noise on every camera point.
    cv::RNG rng(5);
    std::vector<cv::Point2d> noisy = cam;
    for (cv::Point2d& c : noisy)
        c += cv::Point2d(rng.gaussian(0.25), rng.gaussian(0.25));
    in.camPoints = noisy.data();
    const double noisyMs = medianMs([&] { fit = CalcCalibParameter(in); });
    std::printf("six-mode fit, 20 noisy pairs:    %8.3f ms  (mode %d, %d loops, sse %.3g)\n",
                noisyMs, fit.mode, fit.loopCount, fit.sse);

    int row = 0;
    const double rowMs =
        medianMs([&] { row = calcYThreshold(truth, kWindowWidth, kWindowHeight); });
    std::printf("calcYThreshold, typical model:   %8.3f ms  (row %d)\n", rowMs, row);

    // Nothing maps into the band: every one of the 921,600 pixels is evaluated.
    ProjectionParams below = truth;
    below[5] += 1e6;
    const double worstMs =
        medianMs([&] { row = calcYThreshold(below, kWindowWidth, kWindowHeight); });
    std::printf("calcYThreshold, no row (worst):  %8.3f ms  (row %d)\n", worstMs, row);

    const double scanMs =
        medianMs([&] { row = calcYThresholdFullScan(truth, kWindowWidth, kWindowHeight); });
    std::printf("plain full scan, typical model:  %8.3f ms  (row %d)\n", scanMs, row);
    return 0;
}
