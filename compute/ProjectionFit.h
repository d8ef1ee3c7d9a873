#pragma once

#include "compute/ProjectionModel.h"

#include <array>
#include <opencv2/core/matx.hpp>

// Damped Gauss-Newton least-squares fit of all 13 model parameters to pairs of a measured
// camera point and a target window point. Errors are in window pixels; the sum of squared errors
// (SSE) is in window pixels squared.
//
// Modes 0 to 5 differ in the start vector (chosen by the caller) and in the step variant: odd
// modes put the target window coordinates into the X-row derivatives of p0 and p1.
class ProjectionFit {
public:
    static constexpr int kCapacity = 25;

    void setParams(const ProjectionParams& tp) { m_tp = tp; }
    const ProjectionParams& params() const { return m_tp; }

    cv::Point2d mapPoint(double x, double y) const { return ::mapPoint(m_tp, x, y); }
    cv::Point2d undistortPoint(double x, double y) const { return ::undistortPoint(m_tp, x, y); }

    // Copies up to kCapacity pairs; the pair count becomes the number copied.
    void setPairs(const cv::Point2d* camPoints, const cv::Point2d* winPoints, int count);
    int pairCount() const { return m_nPairCount; }

    // Logs the mode and fits from the start vector.
    void CalibrationMain(int mode, const ProjectionParams& start);

    int loopCount() const { return m_nLoopCount; }
    double sse() const { return m_dSse; }

private:
    using Normal = cv::Matx<double, kProjectionParamCount, kProjectionParamCount>;
    using Row = cv::Vec<double, kProjectionParamCount>;

    void CalibrationWide(int mode, const ProjectionParams& start);
    double projectPairs();
    void buildNormalEquations(int mode);
    double dampedStep();
    void logResult(int mode) const;

    std::array<cv::Point2d, kCapacity> m_camPoints{};
    std::array<cv::Point2d, kCapacity> m_winPoints{};
    std::array<cv::Point2d, kCapacity> m_undistorted{};
    std::array<cv::Point2d, kCapacity> m_predicted{};
    int m_nPairCount = kCapacity;
    int m_nLoopCount = 0;
    double m_dSse = 0.0;
    double m_dLambda = 0.001;
    ProjectionParams m_tp = neutralProjection();
    Normal m_normal;
    Row m_gradient;
    Row m_jx;
    Row m_jy;
};
