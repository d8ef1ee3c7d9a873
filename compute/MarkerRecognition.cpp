#include "compute/MarkerRecognition.h"

#include "compute/CenterMath.h"
#include "compute/ThresholdCandidates.h"
#include "compute/ThresholdSweep.h"
#include "log/LogCategories.h"

#include <QDebug>
#include <algorithm>
#include <opencv2/aruco.hpp>
#include <opencv2/imgproc.hpp>

namespace {

constexpr qint64 kBudgetMs = 5000;
// Corners lie on the contour they were approximated from, to the rounding of float storage.
constexpr float kCornerTolerance = 0.5f;

struct Detector {
    cv::Ptr<cv::aruco::Dictionary> dictionary =
        cv::aruco::getPredefinedDictionary(cv::aruco::DICT_APRILTAG_16h5);
    cv::Ptr<cv::aruco::DetectorParameters> params = makeParams(false);
    cv::Ptr<cv::aruco::DetectorParameters> binaryParams = makeParams(true);

    // On a picture that is already black and white the detector's three adaptive windows
    // yield the same outer outlines, since every outer boundary pixel of a dark region touches
    // a white one; only the smallest window is run there. The benchmark corpus gives
    // identical centres either way, at a third of the detector's time.
    static cv::Ptr<cv::aruco::DetectorParameters> makeParams(bool binary) {
        cv::Ptr<cv::aruco::DetectorParameters> p = cv::aruco::DetectorParameters::create();
        p->errorCorrectionRate = 0.0;
        if (binary)
            p->adaptiveThreshWinSizeMax = p->adaptiveThreshWinSizeMin;
        return p;
    }
};

const Detector& detector() {
    static const Detector d;
    return d;
}

bool contourHoldsCorners(const std::vector<cv::Point>& contour,
                         const std::array<cv::Point2f, 4>& corners) {
    for (const cv::Point2f& c : corners) {
        const bool onContour = std::any_of(contour.begin(), contour.end(), [&](const cv::Point& p) {
            return std::abs(p.x - c.x) <= kCornerTolerance &&
                   std::abs(p.y - c.y) <= kCornerTolerance;
        });
        if (!onContour)
            return false;
    }
    return true;
}

// The detector reports corners only. Its candidates are the contours (all levels, no chain
// approximation) of adaptive mean thresholds of its input with windows 3, 13 and 23 and
// constant 7, inverted; a marker's corners are points of the contour it came from. Redo those
// thresholds in a patch around the corners, wide enough that every pixel of the contour sees
// the same neighbourhood as in the whole image, and take the first contour that holds all four
// corners.
std::vector<cv::Point> recoverOutline(const cv::Mat& input,
                                      const std::array<cv::Point2f, 4>& corners,
                                      const cv::aruco::DetectorParameters& params) {
    std::vector<cv::Point2f> pts(corners.begin(), corners.end());
    const cv::Rect quad = cv::boundingRect(pts);
    const double perimeter = cv::arcLength(pts, true);
    const int maxWin = params.adaptiveThreshWinSizeMax;
    const int margin = static_cast<int>(std::ceil(perimeter * params.polygonalApproxAccuracyRate)) +
                       maxWin / 2 + 2;
    const cv::Rect patch = cv::Rect(quad.x - margin, quad.y - margin, quad.width + 2 * margin,
                                    quad.height + 2 * margin) &
                           cv::Rect(0, 0, input.cols, input.rows);
    const cv::Mat roi = input(patch);

    cv::Mat binary;
    std::vector<std::vector<cv::Point>> contours;
    for (int win = params.adaptiveThreshWinSizeMin; win <= maxWin;
         win += params.adaptiveThreshWinSizeStep) {
        cv::adaptiveThreshold(roi, binary, 255, cv::ADAPTIVE_THRESH_MEAN_C, cv::THRESH_BINARY_INV,
                              win | 1, params.adaptiveThreshConstant);
        cv::findContours(binary, contours, cv::RETR_LIST, cv::CHAIN_APPROX_NONE, patch.tl());
        for (std::vector<cv::Point>& contour : contours)
            if (contourHoldsCorners(contour, corners))
                return std::move(contour);
    }
    return {};
}

} // namespace

std::vector<MarkerRecord> detectMarkers(const cv::Mat& image, int thr) {
    cv::Mat binary;
    if (thr == 0)
        cv::threshold(image, binary, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    else if (thr > 0)
        cv::threshold(image, binary, thr, 255, cv::THRESH_BINARY);
    if (thr >= 0 && cv::countNonZero(binary) == 0)
        return {};
    const cv::Mat& input = thr >= 0 ? binary : image;

    const Detector& d = detector();
    std::vector<std::vector<cv::Point2f>> corners;
    std::vector<int> ids;
    const cv::Ptr<cv::aruco::DetectorParameters>& params = thr >= 0 ? d.binaryParams : d.params;
    cv::aruco::detectMarkers(input, d.dictionary, corners, ids, params);

    std::vector<MarkerRecord> markers;
    for (size_t i = 0; i < ids.size(); ++i) {
        MarkerRecord m;
        m.id = ids[i];
        std::copy_n(corners[i].begin(), 4, m.corners.begin());
        m.contour = recoverOutline(input, m.corners, *params);
        if (m.contour.empty()) {
            qCDebug(lcCompute) << "detectMarkers: no outline for id" << m.id;
            continue;
        }
        markers.push_back(std::move(m));
    }
    return markers;
}

namespace {

void appendByPosition(std::vector<MarkerRecord>&& found, MarkerLists& lists) {
    for (MarkerRecord& m : found)
        if (m.id >= 0 && m.id < kCalibPointCapacity && isMarkerPosition(m.id))
            lists[m.id].push_back(std::move(m));
}

} // namespace

void findMarkerCenters(const cv::Mat& image, int nAC, PointTable& rawCentres, MarkerLists& lists) {
    // The unchanged image goes first, in the same sweep so that both cores stay busy.
    std::vector<int> levels{-1};
    const std::vector<int> candidates = calcThresholdCandidates(image, true);
    levels.insert(levels.end(), candidates.begin(), candidates.end());
    std::vector<std::vector<MarkerRecord>> found = sweepThresholds<std::vector<MarkerRecord>>(
        levels, kBudgetMs, [&](int thr) { return detectMarkers(image, thr); });
    for (std::vector<MarkerRecord>& markers : found)
        appendByPosition(std::move(markers), lists);

    std::vector<cv::Point2d> centroids;
    for (int i = 0; i < nAC && i < kCalibPointCapacity; ++i) {
        rawCentres[i] = cv::Point2d(0.0, 0.0);
        if (lists[i].empty())
            continue;
        centroids.clear();
        for (const MarkerRecord& m : lists[i]) {
            const cv::Point2d c = contourCentroid(m.contour);
            qCDebug(lcCompute) << "    ID:" << i << "Center:" << c.x << c.y;
            centroids.push_back(c);
        }
        rawCentres[i] = calcRobustCenter(centroids);
        qCDebug(lcCompute) << "ID:" << i << "Center:" << rawCentres[i].x << rawCentres[i].y;
    }
}
