#include "compute/PatternCenters.h"

#include "compute/CalibWorkspace.h"
#include "compute/CenterMath.h"
#include "compute/CircleRecognition.h"
#include "compute/CurrentEstimators.h"
#include "log/LogCategories.h"

#include <QDebug>

namespace {

constexpr int kMinHomographyPairs = 4;

int positionsOf(int nAC) {
    return std::min(std::max(nAC, 0), kCalibPointCapacity);
}

void logCorrections(const char* title, int n, const PointTable& raw, const PointTable& tweaked,
                    const PointTable& circleOffsets, bool useX) {
    qCDebug(lcCompute, "%s", title);
    for (int i = 0; i < n; ++i) {
        const cv::Point2d d = isMarkerPosition(i) ? tweaked[i] - raw[i] : circleOffsets[i];
        qCDebug(lcCompute, "%3.1f, // %2d", useX ? d.x : d.y, i);
    }
}

} // namespace

bool calcProjection(const PointTable& rawCentres, const PatternGeometry& geometry,
                    std::array<double, 9>& homographyOut) {
    CurrentEstimators* est = CurrentEstimators::current();
    Calibration scratch;
    Calibration& calibration = est ? est->calibration() : scratch;
    const int n = positionsOf(geometry.nAC);
    for (int j = 0; j < n; ++j) {
        if (!isMarkerPosition(j) || (rawCentres[j].x == 0.0 && rawCentres[j].y == 0.0))
            continue;
        const cv::Point2d u =
            est ? est->fit().undistortPoint(rawCentres[j].x, rawCentres[j].y) : rawCentres[j];
        const cv::Point2f corner(static_cast<float>(u.x), static_cast<float>(u.y));
        const cv::Point2f window(static_cast<float>(geometry.windowPoints[j].x),
                                 static_cast<float>(geometry.windowPoints[j].y));
        calibration.addPair(corner, window);
        qCDebug(lcCompute) << "ICrn: x : " << corner.x << " y : " << corner.y;
        qCDebug(lcCompute) << "m_cWindowsPoint: x : " << window.x << " y : " << window.y;
    }
    if (calibration.pairCount() < kMinHomographyPairs) {
        qCDebug(lcCompute) << "calcProjection(): nRealCornerCount =" << calibration.pairCount();
        return false;
    }
    calibration.CalibrationMain();
    homographyOut = calibration.normalisedSolution();
    return true;
}

void tweakMarkerCenter(const MarkerLists& lists, int nAC, PointTable& tweakedCentres) {
    qCDebug(lcCompute, "tweakMarkerCenter");
    std::vector<cv::Point> mapped;
    std::vector<cv::Point2d> collected;
    const int n = positionsOf(nAC);
    for (int i = 0; i < n; ++i) {
        tweakedCentres[i] = cv::Point2d(0.0, 0.0);
        if (lists[i].empty())
            continue;
        collected.clear();
        for (const MarkerRecord& m : lists[i]) {
            const cv::Point2d c = contourCentroid(m.contour);
            mapOutline(m.contour, mapped);
            const cv::Point2d t = contourCentroid(mapped);
            BackProjection b = backProjectPoint(t, c);
            qCDebug(lcCompute) << "    ID:" << i << "Center:" << c.x << c.y
                               << "TweakedCenter:" << b.point.x << b.point.y << b.d2;
            // An outline that maps nowhere (nothing finite) leaves no centroid to search for.
            if (b.point.x < 0 || b.point.y < 0 || mapped.empty())
                b.point = c;
            collected.push_back(b.point);
        }
        tweakedCentres[i] = calcRobustCenter(collected);
        qCDebug(lcCompute) << "ID:" << i << "TweakedCenter:" << tweakedCentres[i].x
                           << tweakedCentres[i].y;
    }
}

bool recogPatternCenters(const cv::Mat& image, const CalibWorkspace& ws, CenterTable& orgOut,
                         CenterTable& twkOut, std::array<double, 9>& homographyOut) {
    const PatternGeometry geometry = PatternGeometry::from(ws);
    const int n = positionsOf(geometry.nAC);

    PointTable raw{};
    MarkerLists lists;
    findMarkerCenters(image, geometry.nAC, raw, lists);
    if (!calcProjection(raw, geometry, homographyOut))
        return false;

    PointTable tweaked{};
    tweakMarkerCenter(lists, geometry.nAC, tweaked);
    PointTable circles{};
    PointTable circleOffsets{};
    findCircleCenters(image, geometry, circles, circleOffsets);

    PointTable merged{};
    for (int i = 0; i < n; ++i)
        merged[i] = isMarkerPosition(i) ? tweaked[i] : circles[i];

    logCorrections("TweakX:", n, raw, tweaked, circleOffsets, true);
    logCorrections("TweakY:", n, raw, tweaked, circleOffsets, false);

    for (int i = 0; i < n; ++i) {
        const cv::Point2d& m = merged[i];
        cv::Point2d twk = m;
        if (m.x > 3 && m.y > 3)
            twk += cv::Point2d(ws.ac_tweak.entries[i]);
        orgOut[i] = cv::Point2f(static_cast<float>(m.x), static_cast<float>(m.y));
        twkOut[i] = cv::Point2f(static_cast<float>(twk.x), static_cast<float>(twk.y));
    }
    return true;
}

void AC_FindPatternCenter(CalibWorkspace& ws, const cv::Mat& patternImage) {
    const int n = positionsOf(ws.nAC());
    CenterTable org{};
    CenterTable twk{};
    for (int i = 0; i < n; ++i) {
        ws.ac_pattern_center_org[i] = cv::Point2f();
        ws.ac_pattern_center_twk[i] = cv::Point2f();
    }
    {
        const CurrentEstimators estimators(ws.acLens, ws.m_nFWLower);
        recogPatternCenters(patternImage, ws, org, twk, ws.ac_homography);
    }
    for (int i = 0; i < n; ++i) {
        ws.ac_pattern_center_org[i] = org[i];
        ws.ac_pattern_center_twk[i] = twk[i];
    }
    qCDebug(lcCompute, "AC_FindPatternCenter - End");
}

void AC_FindPatternCenter(const cv::Mat& patternImage) {
    AC_FindPatternCenter(calibWorkspace(), patternImage);
}
