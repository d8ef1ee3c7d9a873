#pragma once

#include <array>
#include <cmath>
#include <opencv2/core/types.hpp>

// Homography estimate (direct linear transform) from 4 to 9 pairs of an undistorted camera point
// and a window point. Used for the preliminary mapping during pattern recognition and as the
// start of two fitting modes.
class Calibration {
public:
    static constexpr int kMaxPairs = 9;

    // Appends a pair; false when all kMaxPairs slots are taken.
    bool addPair(const cv::Point2f& imageCorner, const cv::Point2f& windowPoint);
    int pairCount() const { return m_nPairCount; }

    // Solves for h0..h8 (the eigenvector of the smallest eigenvalue of A^T A).
    void CalibrationMain();

    // X = (h0 x + h1 y + h2) / (h6 x + h7 y + h8), Y likewise with h3..h5. Inline: the
    // back-projection search evaluates it ten thousand times per mark.
    cv::Point2d CalcNewPoint(double x, double y) const {
        const double w = m_h[6] * x + m_h[7] * y + m_h[8];
        if (std::fabs(w) < kDblEpsilon)
            logVanishingDenominator(x, y, w);
        return {(m_h[0] * x + m_h[1] * y + m_h[2]) / w, (m_h[3] * x + m_h[4] * y + m_h[5]) / w};
    }

    const std::array<double, 9>& solution() const { return m_h; }
    // h_i / h8: the first eight values have the layout of p0..p7 of the projection model.
    std::array<double, 9> normalisedSolution() const;

private:
    static constexpr double kDblEpsilon = 2.220446049250313e-16;
    static void logVanishingDenominator(double x, double y, double w);

    std::array<cv::Point2f, kMaxPairs> m_cWindowsPoint{};
    std::array<cv::Point2f, kMaxPairs> m_cImageCorner{};
    int m_nPairCount = 0;
    std::array<double, 9> m_h{};
};
