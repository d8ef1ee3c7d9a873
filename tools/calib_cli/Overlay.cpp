#include "Overlay.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

bool writeOverlay(const QString& path, const OfflineResult& result) {
    if (result.patternImage.empty())
        return false;
    cv::Mat colour;
    cv::cvtColor(result.patternImage, colour, cv::COLOR_GRAY2BGR);
    const cv::Scalar red(0, 0, 255);
    const cv::Scalar blue(255, 64, 0);
    for (int i = 0; i < result.nAC; ++i) {
        const cv::Point2f& c = result.org[i];
        if (!isValidCamPoint(c))
            continue;
        // Sub-pixel drawing: 4 fractional bits.
        const cv::Point p(cvRound(c.x * 16), cvRound(c.y * 16));
        cv::drawMarker(colour, cv::Point(cvRound(c.x), cvRound(c.y)), red, cv::MARKER_CROSS, 14, 1);
        cv::circle(colour, p, 3 * 16, red, 1, cv::LINE_AA, 4);
        cv::putText(colour, std::to_string(i), cv::Point(cvRound(c.x) + 8, cvRound(c.y) - 8),
                    cv::FONT_HERSHEY_SIMPLEX, 0.6, blue, 2, cv::LINE_AA);
    }
    try {
        return cv::imwrite(path.toStdString(), colour);
    } catch (const cv::Exception&) {
        return false;
    }
}
