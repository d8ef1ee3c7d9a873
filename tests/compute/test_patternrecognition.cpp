#include "LogCapture.h"
#include "compute/CalibWorkspace.h"
#include "compute/CircleRecognition.h"
#include "compute/CurrentEstimators.h"
#include "compute/MarkerRecognition.h"
#include "compute/PatternCenters.h"
#include "compute/PatternImage.h"
#include "compute/TargetLayout.h"
#include "sim/camera/GroundTruth.h"
#include "sim/camera/Screens.h"
#include "sim/camera/SyntheticCamera.h"

#include <QPainter>
#include <QtTest>
#include <opencv2/aruco.hpp>

// Marker and disc recognition on captures rendered through a known normal-throw model of a
// 1280 x 800 window, and the whole chain recovering that model.
class TestPatternRecognition : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void markersFoundAtTheirPositions();
    void foreignIdsIgnored();
    void homographyNeedsFourMarkers_data();
    void homographyNeedsFourMarkers();
    void discFarFromEveryPositionIgnored_data();
    void discFarFromEveryPositionIgnored();
    void acceptanceLimitsKeptForTheRun();
    void wholeChainRecoversTheModel();

private:
    cv::Mat patternImageOf(const QImage& patternScreen) const;
    PatternGeometry geometry() const;
    cv::Point2d trueCentre(int i) const;
    void loadTrueHomography() const;

    static constexpr int kW = 1280;
    static constexpr int kH = 800;
    static constexpr int kLens = 1;
    ProjectionParams m_truth{};
    CameraLight m_light;
    cv::Mat m_black, m_white, m_pattern;
    TargetPoints m_targets{};
};

namespace {

const int kMarkers[] = {6, 7, 8, 11, 12, 13, 16, 17, 18};

double distance(const cv::Point2d& a, const cv::Point2d& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Paints the TAG16h5 marker with this id over the marker block centred on p.
void paintTag(QImage& screen, int id, const TargetPoint& p, int w, int h) {
    const int s = (2 * markerSizes(w, h).big + 5) / 6;
    cv::Mat tag;
    cv::aruco::drawMarker(cv::aruco::getPredefinedDictionary(cv::aruco::DICT_APRILTAG_16h5), id,
                          6 * s, tag, 1);
    const QImage img(tag.data, tag.cols, tag.rows, static_cast<int>(tag.step),
                     QImage::Format_Grayscale8);
    QPainter painter(&screen);
    painter.drawImage(roundHalfUp(p.x) - 3 * s, roundHalfUp(p.y) - 3 * s, img);
}

} // namespace

void TestPatternRecognition::initTestCase() {
    ProjectionParams lens = neutralProjection();
    getLensPreset(kLens, 0, lens);
    m_truth = groundTruthModel(lens, screenQuad(kW, kH, {645, 362}, 0.8, 2.0, 0.04), kW, kH);
    m_light.supersampling = 2;
    m_light.noiseSigma = 1.0;
    m_targets = targetPoints(kW, kH, true);
    m_black = renderCaptureMat(blackScreen(kW, kH), m_truth, m_light);
    m_light.seed = 2;
    m_white = renderCaptureMat(whiteScreen(kW, kH), m_truth, m_light);
    m_light.seed = 3;
    m_pattern = patternImageOf(patternScreen(kW, kH));
}

void TestPatternRecognition::init() {
    resetCircleRecognitionRun();
}

cv::Mat TestPatternRecognition::patternImageOf(const QImage& screen) const {
    const cv::Mat capture = renderCaptureMat(screen, m_truth, m_light);
    cv::Mat p;
    makePatternImage(m_black, m_white, capture, p);
    return p;
}

PatternGeometry TestPatternRecognition::geometry() const {
    PatternGeometry g;
    for (int i = 0; i < 20; ++i)
        g.windowPoints[i] = {m_targets[i].x, m_targets[i].y};
    g.nAC = 20;
    g.windowWidth = kW;
    g.windowHeight = kH;
    g.lensType = kLens;
    return g;
}

// Where the mark of position i appears: markers are drawn half a pixel up and left of their
// window point (their cells start at cx - 3s), discs on it.
cv::Point2d TestPatternRecognition::trueCentre(int i) const {
    const double shift = isMarkerPosition(i) ? 0.5 : 0.0;
    return cameraPointOf(m_truth, {m_targets[i].x - shift, m_targets[i].y - shift});
}

void TestPatternRecognition::loadTrueHomography() const {
    PointTable raw{};
    for (int k : kMarkers)
        raw[k] = cameraPointOf(m_truth, {m_targets[k].x, m_targets[k].y});
    std::array<double, 9> h{};
    QVERIFY(calcProjection(raw, geometry(), h));
}

void TestPatternRecognition::markersFoundAtTheirPositions() {
    LogCapture log;
    PointTable raw{};
    MarkerLists lists;
    findMarkerCenters(m_pattern, 20, raw, lists);
    for (int i = 0; i < 20; ++i) {
        if (!isMarkerPosition(i)) {
            QVERIFY(lists[i].empty());
            QCOMPARE(raw[i], cv::Point2d(0, 0));
            continue;
        }
        QVERIFY2(lists[i].size() > 3, qPrintable(QString::number(i)));
        for (const MarkerRecord& m : lists[i])
            QCOMPARE(m.id, i);
        // The raw outline centroid is not the projected centre; refinement corrects that.
        QVERIFY2(distance(raw[i], trueCentre(i)) < 1.0,
                 qPrintable(QString("%1: %2 %3").arg(i).arg(raw[i].x).arg(raw[i].y)));
    }
    // One centroid line per detection, one result line per position.
    QCOMPARE(log.count(QRegularExpression("^    ID: 12 Center:")),
             static_cast<int>(lists[12].size()));
    QCOMPARE(log.count(QRegularExpression("^ID: 12 Center:")), 1);
}

void TestPatternRecognition::foreignIdsIgnored() {
    // Position 12 shows the tag of id 3 (a disc position), position 7 the tag of id 25.
    QImage screen = patternScreen(kW, kH);
    paintTag(screen, 3, m_targets[12], kW, kH);
    paintTag(screen, 25, m_targets[7], kW, kH);
    const cv::Mat p = patternImageOf(screen);

    const std::vector<MarkerRecord> seen = detectMarkers(p, -1);
    QVERIFY(std::any_of(seen.begin(), seen.end(), [](const MarkerRecord& m) { return m.id == 3; }));
    QVERIFY(
        std::any_of(seen.begin(), seen.end(), [](const MarkerRecord& m) { return m.id == 25; }));

    PointTable raw{};
    MarkerLists lists;
    findMarkerCenters(p, 20, raw, lists);
    QVERIFY(lists[3].empty());
    QVERIFY(lists[7].empty());
    QVERIFY(lists[12].empty());
    QCOMPARE(raw[3], cv::Point2d(0, 0));
    QCOMPARE(raw[12], cv::Point2d(0, 0));
    QVERIFY(distance(raw[13], trueCentre(13)) < 1.0);
}

void TestPatternRecognition::homographyNeedsFourMarkers_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("4") << 4;
    QTest::newRow("3") << 3;
}

void TestPatternRecognition::homographyNeedsFourMarkers() {
    QFETCH(int, count);
    const CurrentEstimators estimators(kLens, 0);
    PointTable raw{};
    for (int n = 0; n < count; ++n)
        raw[kMarkers[2 * n]] = trueCentre(kMarkers[2 * n]);
    std::array<double, 9> h;
    h.fill(42.0);
    LogCapture log;
    const bool ok = calcProjection(raw, geometry(), h);
    QCOMPARE(ok, count >= 4);
    QCOMPARE(log.count(QRegularExpression("^ICrn: x : ")), count);
    if (!ok) {
        QVERIFY(log.contains("calcProjection(): nRealCornerCount = 3"));
        QCOMPARE(h[0], 42.0);
        return;
    }
    QCOMPARE(h[8], 1.0);
    // Four unnormalised pairs in single precision give a rough mapping, but well within the
    // 50 window pixels that disc crediting allows.
    const cv::Point2d m = mapCamToScreen(trueCentre(7));
    QVERIFY2(distance(m, {m_targets[7].x, m_targets[7].y}) < 10.0,
             qPrintable(QString("%1 %2").arg(m.x).arg(m.y)));
}

void TestPatternRecognition::discFarFromEveryPositionIgnored_data() {
    QTest::addColumn<double>("shift");
    QTest::addColumn<bool>("credited");
    QTest::newRow("48 away") << 48.0 << true;
    QTest::newRow("52 away") << 52.0 << false;
}

void TestPatternRecognition::discFarFromEveryPositionIgnored() {
    QFETCH(double, shift);
    QFETCH(bool, credited);
    const CurrentEstimators estimators(kLens, 0);
    loadTrueHomography();
    PatternGeometry g = geometry();
    g.windowPoints[0].y += shift; // nothing else lies near the disc of position 0
    PointLists centres, offsets;
    LogCapture log;
    recogCircularPattern(m_pattern, 128, g, centres, offsets);
    QCOMPARE(!centres[0].empty(), credited);
    QVERIFY(log.contains("diameterNormal = 101"));
    QVERIFY(log.count("condition OK~") >= 11);
    QCOMPARE(centres[4].size(), size_t(1));
    QVERIFY(distance(centres[4][0], trueCentre(4)) < 0.3);
    QVERIFY(distance(centres[4][0] - offsets[4][0], trueCentre(4)) < 1.5);
}

void TestPatternRecognition::acceptanceLimitsKeptForTheRun() {
    const CurrentEstimators estimators(kLens, 0);
    loadTrueHomography();
    QVERIFY(circleAcceptanceLimits() == nullptr);
    PointLists centres, offsets;
    recogCircularPattern(m_pattern, 128, geometry(), centres, offsets);
    QVERIFY(circleAcceptanceLimits() != nullptr);
    const CircleAcceptanceLimits first = *circleAcceptanceLimits();
    QCOMPARE(first.minSize, 0.95 * 101);
    QCOMPARE(first.maxArea, 1.1 * 3.141592653589793 * 50.5 * 50.5);

    PatternGeometry larger = geometry();
    larger.windowWidth = 2560;
    larger.windowHeight = 1600;
    LogCapture log;
    recogCircularPattern(m_pattern, 128, larger, centres, offsets);
    QVERIFY(log.contains("diameterNormal = 201"));
    QCOMPARE(circleAcceptanceLimits()->minSize, first.minSize);
    QCOMPARE(circleMinBoxHeight(), 24);

    // One ultra-short-throw recognition lowers the minimum box height for good.
    PatternGeometry ultraShort = geometry();
    ultraShort.lensType = 3;
    recogCircularPattern(m_pattern, 128, ultraShort, centres, offsets);
    QCOMPARE(circleMinBoxHeight(), 20);
    recogCircularPattern(m_pattern, 128, geometry(), centres, offsets);
    QCOMPARE(circleMinBoxHeight(), 20);
}

void TestPatternRecognition::wholeChainRecoversTheModel() {
    // Disc 4 is painted over; every position gets the same tweak offset.
    QImage screen = patternScreen(kW, kH);
    QPainter(&screen).fillRect(QRectF(m_targets[4].x - 60, m_targets[4].y - 60, 120, 120),
                               Qt::white);
    const cv::Mat p = patternImageOf(screen);

    CalibWorkspace ws;
    ws.setPointCounts(20, 16);
    std::array<cv::Point2f, 20> win;
    for (int i = 0; i < 20; ++i)
        win[i] = {m_targets[i].x, m_targets[i].y};
    const std::vector<cv::Point2f> tweaks(20, cv::Point2f(0.5f, -0.25f));
    CalibWorkspace::CalibInformation info;
    info.windowPoints = win.data();
    info.pointCount = 20;
    info.windowWidth = kW;
    info.windowHeight = kH;
    info.lensType = kLens;
    info.tweakCount = 20;
    info.tweaks = tweaks.data();
    ws.setCalibInformation(info);

    LogCapture log;
    AC_FindPatternCenter(ws, p);
    QVERIFY(log.contains("AC_FindPatternCenter - End"));
    QVERIFY(log.contains("TweakX:"));
    QCOMPARE(log.count(QRegularExpression("^-?\\d+\\.\\d, // ")), 40);
    for (int i = 0; i < 20; ++i) {
        const cv::Point2f org = ws.ac_pattern_center_org[i];
        const cv::Point2f twk = ws.ac_pattern_center_twk[i];
        if (i == 4) {
            QCOMPARE(org, cv::Point2f(0, 0));
            QCOMPARE(twk, cv::Point2f(0, 0));
            continue;
        }
        QVERIFY2(distance(org, trueCentre(i)) < 0.3,
                 qPrintable(QString("%1: %2 %3").arg(i).arg(org.x).arg(org.y)));
        QCOMPARE(twk, cv::Point2f(org.x + 0.5f, org.y - 0.25f));
    }

    // Fit the untweaked centres: the model comes back to within the half-pixel offset of the
    // marker drawing.
    ws.ac_pattern_center_twk = ws.ac_pattern_center_org;
    ProjectionParams tp{};
    ws.AC_CallCalcCalibParameter(tp);
    QCOMPARE(ws.calib_success, 1);
    double worst = 0.0;
    for (double y = m_targets[0].y; y <= m_targets[19].y; y += 20)
        for (double x = m_targets[0].x; x <= m_targets[19].x; x += 20) {
            const cv::Point2d c = cameraPointOf(m_truth, {x, y});
            worst = std::max(worst, distance(mapPoint(tp, c.x, c.y), {x, y}));
        }
    QVERIFY2(worst < 1.0, qPrintable(QString::number(worst)));
}

QTEST_MAIN(TestPatternRecognition)
#include "test_patternrecognition.moc"
