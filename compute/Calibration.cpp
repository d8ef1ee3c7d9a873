#include "compute/Calibration.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <cmath>
#include <opencv2/core.hpp>

bool Calibration::addPair(const cv::Point2f& imageCorner, const cv::Point2f& windowPoint) {
    if (m_nPairCount >= kMaxPairs)
        return false;
    m_cImageCorner[m_nPairCount] = imageCorner;
    m_cWindowsPoint[m_nPairCount] = windowPoint;
    ++m_nPairCount;
    return true;
}

void Calibration::CalibrationMain() {
    qCDebug(lcCompute, "Calibration::CalibrationMain() - 1");

    // A^T A accumulated row by row; each row of A is one coordinate of one pair.
    cv::Matx<double, 9, 9> ata = cv::Matx<double, 9, 9>::zeros();
    for (int i = 0; i < m_nPairCount; ++i) {
        // The products are formed in single precision, as the pairs are stored.
        const float x = m_cImageCorner[i].x;
        const float y = m_cImageCorner[i].y;
        const float wx = m_cWindowsPoint[i].x;
        const float wy = m_cWindowsPoint[i].y;
        const cv::Vec<double, 9> rowX(x, y, 1.0, 0.0, 0.0, 0.0, -x * wx, -y * wx, -wx);
        const cv::Vec<double, 9> rowY(0.0, 0.0, 0.0, x, y, 1.0, -x * wy, -y * wy, -wy);
        ata += rowX * rowX.t() + rowY * rowY.t();
    }
    cv::Mat eigenvalues;
    cv::Mat eigenvectors;
    cv::eigen(cv::Mat(ata), eigenvalues, eigenvectors);
    // Eigenvalues come in descending order: the last row belongs to the smallest.
    for (int j = 0; j < 9; ++j)
        m_h[j] = eigenvectors.at<double>(8, j);

    qCDebug(lcCompute, "Calibration::CalibrationMain()");
    qCDebug(lcCompute) << m_h[0] << m_h[1] << m_h[2];
    qCDebug(lcCompute) << m_h[3] << m_h[4] << m_h[5];
    qCDebug(lcCompute) << m_h[6] << m_h[7] << m_h[8];
}

void Calibration::logVanishingDenominator(double x, double y, double w) {
    qCDebug(lcCompute) << "Calibration::CalcNewPoint:" << x << y << w;
}

std::array<double, 9> Calibration::normalisedSolution() const {
    std::array<double, 9> n{};
    for (int j = 0; j < 9; ++j)
        n[j] = m_h[j] / m_h[8];
    return n;
}
