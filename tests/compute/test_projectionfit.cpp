#include "LogCapture.h"
#include "SyntheticProjection.h"
#include "compute/CalcCalibParameter.h"
#include "compute/Calibration.h"
#include "compute/CurrentEstimators.h"
#include "compute/ProjectionFit.h"

#include <QtTest>
#include <cmath>

// Known models are turned into exact point pairs and fitted back.
class TestProjectionFit : public QObject {
    Q_OBJECT

private slots:
    void lensPresets_data();
    void lensPresets();
    void homographyFromMarkers();
    void fitRecoversModel_data();
    void fitRecoversModel();
    void singlePrecisionInsideFit();
    void zeroPairsEndWithoutLoops();
    void equalModesGiveModeZero();
    void preliminaryMapping();
};

namespace {

// The seed of modes 4 and 5 as pattern recognition makes it: a homography of the marker
// positions' camera points, undistorted with the lens preset.
std::array<double, 9> markerHomography(const SyntheticProjection& s, int lensType, int fwLower) {
    ProjectionParams lens{};
    getLensPreset(lensType, fwLower, lens);
    const auto targets = SyntheticProjection::autoTargets();
    Calibration calibration;
    for (int pos : {6, 7, 8, 11, 12, 13, 16, 17, 18}) {
        const cv::Point2d cam = s.cameraPointOf(targets[pos]);
        const cv::Point2d u = undistortPoint(lens, cam.x, cam.y);
        calibration.addPair(cv::Point2f(u), cv::Point2f(targets[pos]));
    }
    calibration.CalibrationMain();
    return calibration.normalisedSolution();
}

} // namespace

void TestProjectionFit::lensPresets_data() {
    QTest::addColumn<int>("lens");
    QTest::addColumn<int>("fwLower");
    QTest::addColumn<double>("cx");
    QTest::addColumn<double>("k3");
    QTest::newRow("normal throw") << 1 << 0 << 682.6771 << -1.078467e-19;
    QTest::newRow("short throw") << 2 << 0 << 619.8648 << -4.075417e-19;
    QTest::newRow("reported 4") << 4 << 0 << 619.8648 << -4.075417e-19;
    QTest::newRow("ultra short fw 10") << 3 << 10 << 617.2931 << 9.205437e-18;
    QTest::newRow("ultra short fw 9") << 3 << 9 << 612.0396 << 1.002503e-17;
    QTest::newRow("none chosen") << 0 << 12 << 640.0 << 0.0;
    QTest::newRow("unknown") << 5 << 12 << 640.0 << 0.0;
}

void TestProjectionFit::lensPresets() {
    QFETCH(int, lens);
    QFETCH(int, fwLower);
    QFETCH(double, cx);
    QFETCH(double, k3);
    ProjectionParams tp;
    tp.fill(7.0);
    getLensPreset(lens, fwLower, tp);
    QCOMPARE(tp[8], cx);
    QCOMPARE(tp[12], k3);
    for (int j = 0; j < 8; ++j)
        QCOMPARE(tp[j], 7.0);
}

void TestProjectionFit::homographyFromMarkers() {
    LogCapture log;
    const SyntheticProjection s = SyntheticProjection::forLens(0, 0);
    const std::array<double, 9> h = markerHomography(s, 0, 0);
    QCOMPARE(h[8], 1.0);
    // From nine single-precision pairs, the solution in the layout of p0..p7 maps the area of
    // the markers to within a small fraction of a pixel.
    ProjectionParams tp = neutralProjection();
    std::copy_n(h.begin(), 8, tp.begin());
    QVERIFY(s.maxDeviation(tp, cv::Rect2d(675, 395, 570, 580)) < 0.02);
    QVERIFY(log.contains("Calibration::CalibrationMain() - 1"));
    QVERIFY(log.contains("Calibration::CalibrationMain()"));
}

void TestProjectionFit::fitRecoversModel_data() {
    QTest::addColumn<int>("lens");
    QTest::addColumn<int>("fwLower");
    QTest::addColumn<bool>("withLens");
    struct Lens {
        const char* name;
        int lens;
        int fwLower;
    };
    const Lens lenses[] = {{"homography", 0, 0},       {"normal throw", 1, 0},
                           {"short throw", 2, 0},      {"ultra short fw 10", 3, 10},
                           {"ultra short fw 9", 3, 9}, {"reported 4", 4, 0}};
    for (const Lens& l : lenses) {
        QTest::addRow("%s, six modes", l.name) << l.lens << l.fwLower << true;
        QTest::addRow("%s, two modes", l.name) << l.lens << l.fwLower << false;
    }
}

void TestProjectionFit::fitRecoversModel() {
    QFETCH(int, lens);
    QFETCH(int, fwLower);
    QFETCH(bool, withLens);
    LogCapture log;
    const SyntheticProjection s = SyntheticProjection::forLens(lens, fwLower);
    const auto targets = SyntheticProjection::autoTargets();
    std::array<cv::Point2d, 20> cam;
    for (int i = 0; i < 20; ++i)
        cam[i] = s.cameraPointOf(targets[i]);

    CalibFitInput in;
    in.withLens = withLens;
    in.seed = markerHomography(s, lens, fwLower);
    in.lensType = lens;
    in.fwLower = fwLower;
    in.count = 20;
    in.camPoints = cam.data();
    in.winPoints = targets.data();
    const CalibFitResult r = CalcCalibParameter(in);

    const double deviation = s.maxDeviation(r.tp);
    QVERIFY2(deviation < 0.01, qPrintable(QString("%1 window pixels").arg(deviation)));
    QVERIFY(r.sse < 1e-6);
    QVERIFY(r.mode >= 0 && r.mode < (withLens ? 6 : 2));
}

void TestProjectionFit::singlePrecisionInsideFit() {
    LogCapture log;
    // Floats are 0.0625 apart near 1e6: the undistorted point 1000000.03 is fitted as 1000000.
    const cv::Point2d cam(1000000.03, 4.0);
    ProjectionFit fit;
    fit.setPairs(&cam, &cam, 1);
    QCOMPARE(fit.mapPoint(cam.x, cam.y), cam);
    fit.CalibrationMain(0, neutralProjection());
    QCOMPARE(log.lines().value(1), QString("sse = 0.000900"));
}

void TestProjectionFit::zeroPairsEndWithoutLoops() {
    LogCapture log;
    ProjectionFit fit;
    fit.setPairs(nullptr, nullptr, 0);
    fit.CalibrationMain(3, neutralProjection());
    QCOMPARE(fit.loopCount(), 0);
    QCOMPARE(fit.sse(), 0.0);
    // Every step is rejected: lambda climbs from 0.001 past 1e7 in eleven rejections.
    QCOMPARE(log.count("delta_sse <= sse: sse = 0.000000"), 11);
    QVERIFY(log.contains("CalibrationMain() 3"));
    QVERIFY(log.contains("        m_tp[12] = 0.000000e+00;"));
}

void TestProjectionFit::equalModesGiveModeZero() {
    LogCapture log;
    CalibFitInput in;
    in.withLens = true;
    in.lensType = 2;
    const CalibFitResult r = CalcCalibParameter(in);
    QCOMPARE(r.mode, 0);
    QCOMPARE(r.loopCount, 0);
    // Mode 0 starts with cy = 480; the lens modes would carry the preset's centre.
    QCOMPARE(r.tp[9], 480.0);
    QCOMPARE(r.tp[8], 640.0);
    QVERIFY(log.contains("min_sse = 0 min_sse_mode = 0"));
}

void TestProjectionFit::preliminaryMapping() {
    LogCapture log;
    const SyntheticProjection s = SyntheticProjection::forLens(1, 0);
    const cv::Point2d cam(400.0, 300.0);
    QCOMPARE(mapCamToScreen(cam), cam);
    {
        CurrentEstimators estimators(1, 0);
        QCOMPARE(CurrentEstimators::current(), &estimators);
        const auto targets = SyntheticProjection::autoTargets();
        for (int pos : {6, 8, 16, 18}) {
            const cv::Point2d c = s.cameraPointOf(targets[pos]);
            const cv::Point2d u = estimators.fit().undistortPoint(c.x, c.y);
            estimators.calibration().addPair(cv::Point2f(u), cv::Point2f(targets[pos]));
        }
        estimators.calibration().CalibrationMain();
        const cv::Point2d m = mapCamToScreen(s.cameraPointOf({960.0, 540.0}));
        QVERIFY(std::hypot(m.x - 960.0, m.y - 540.0) < 0.05);
    }
    QVERIFY(CurrentEstimators::current() == nullptr);
}

QTEST_GUILESS_MAIN(TestProjectionFit)
#include "test_projectionfit.moc"
