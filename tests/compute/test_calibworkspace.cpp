#include "LogCapture.h"
#include "SyntheticProjection.h"
#include "compute/CalibWorkspace.h"

#include <QtTest>
#include <cmath>
#include <limits>

// The calibration context and its three computation entry points, fed with camera points made
// from a known short-throw model.
class TestCalibWorkspace : public QObject {
    Q_OBJECT

private slots:
    void setCalibInformationLogs();
    void clears();
    void validCameraPoints_data();
    void validCameraPoints();
    void autoAcceptance_data();
    void autoAcceptance();
    void autoIgnoresNonFinitePoints();
    void nothingToFitWithoutLens();
    void manualAcceptance();
    void semiAutoSources_data();
    void semiAutoSources();
};

namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const int kSidePositions[] = {0, 4, 5, 9, 10, 14, 15, 19};
const int kInnerPositions[] = {1, 2, 3, 6, 7, 8, 11, 12, 13, 16, 17, 18};

// A context prepared as automatic calibration leaves it: targets, options, exact camera
// centres in both tables and the truth's perspective part as the preliminary homography.
struct Scene {
    SyntheticProjection model = SyntheticProjection::forLens(2, 0);
    CalibWorkspace ws;

    explicit Scene(int lens = 2) {
        ws.setPointCounts(lens >= 1 && lens <= 4 ? 20 : 0, lens >= 1 && lens <= 4 ? 16 : 0);
        const auto targets = SyntheticProjection::autoTargets();
        std::array<cv::Point2f, 20> win;
        for (int i = 0; i < 20; ++i) {
            win[i] = cv::Point2f(targets[i]);
            const cv::Point2f cam(model.cameraPointOf(targets[i]));
            ws.ac_pattern_center_org[i] = cam;
            ws.ac_pattern_center_twk[i] = cam;
        }
        CalibWorkspace::CalibInformation info;
        info.windowPoints = win.data();
        info.pointCount = 20;
        info.windowWidth = 1920;
        info.windowHeight = 1080;
        info.lensType = lens;
        // The tweak table itself is applied by pattern recognition, not by the entry points.
        info.tweakCount = 0;
        ws.setCalibInformation(info);
        for (int j = 0; j < 8; ++j)
            ws.ac_homography[j] = model.truth[j];
        ws.ac_homography[8] = 1.0;
        // Marks that show whether an entry point wrote its results.
        ws.ac_loop = -7;
        ws.ac_sse = -7.0;
        ws.calib_success = -7;
    }

    bool fitted() const { return ws.ac_loop != -7; }
};

} // namespace

void TestCalibWorkspace::setCalibInformationLogs() {
    LogCapture log;
    Scene scene;
    for (const char* line :
         {"setCalibInformation", "00: 105.000000 105.000000", "19: 1814.000000 974.000000",
          "ac_window_width = 1920, ac_window_height = 1080", "acCeiling = 0, acRear = 0, lens = 2",
          "ac_tweak_num = 0", "use predefined values", "PenType : 0"})
        QVERIFY2(log.contains(line), line);
    QCOMPARE(scene.ws.windowPoints[19], cv::Point2d(1814.0, 974.0));
    QCOMPARE(scene.ws.ac_window_width, int16_t(1920));
}

void TestCalibWorkspace::clears() {
    LogCapture log;
    Scene scene;
    CalibWorkspace& ws = scene.ws;
    ws.clearManualResults();
    QVERIFY(ws.ac_pattern_center_org[3] != cv::Point2f());
    QCOMPARE(ws.ac_pattern_center_twk[3], cv::Point2f());
    QCOMPARE(ws.ac_loop, 0);
    QCOMPARE(ws.ac_sse, 0.0);
    QCOMPARE(ws.calib_success, 0);
    ws.clearAllResults();
    QCOMPARE(ws.ac_pattern_center_org[3], cv::Point2f());
}

void TestCalibWorkspace::validCameraPoints_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<bool>("valid");
    QTest::newRow("x = 3") << 3.0f << 100.0f << false;
    QTest::newRow("x = 3.0001") << 3.0001f << 100.0f << true;
    QTest::newRow("y = 3") << 100.0f << 3.0f << false;
    QTest::newRow("y = 3.0001") << 100.0f << 3.0001f << true;
    QTest::newRow("not found") << 0.0f << 0.0f << false;
    QTest::newRow("x NaN") << kNan << 100.0f << false;
    QTest::newRow("y NaN") << 100.0f << kNan << false;
    QTest::newRow("x infinite") << kInf << 100.0f << false;
    QTest::newRow("y infinite") << 100.0f << kInf << false;
    QTest::newRow("y minus infinite") << 100.0f << -kInf << false;
}

void TestCalibWorkspace::validCameraPoints() {
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(bool, valid);
    LogCapture log;
    Scene scene;
    scene.ws.ac_pattern_center_twk[4] = {x, y};
    const CalibWorkspace::PointPairs pairs =
        scene.ws.collectPointPairs(scene.ws.ac_pattern_center_twk, 20);
    QCOMPARE(pairs.count, valid ? 20 : 19);
    QCOMPARE(pairs.sideCount, valid ? 8 : 7);
}

void TestCalibWorkspace::autoAcceptance_data() {
    QTest::addColumn<int>("inner");
    QTest::addColumn<int>("sides");
    QTest::addColumn<bool>("fits");
    QTest::newRow("all 20") << 12 << 8 << true;
    QTest::newRow("12 valid, 2 side points") << 10 << 2 << true;
    QTest::newRow("11 valid, 2 side points") << 9 << 2 << false;
    QTest::newRow("13 valid, 1 side point") << 12 << 1 << false;
    QTest::newRow("12 valid, no side point") << 12 << 0 << false;
}

void TestCalibWorkspace::autoAcceptance() {
    QFETCH(int, inner);
    QFETCH(int, sides);
    QFETCH(bool, fits);
    LogCapture log;
    Scene scene;
    CalibWorkspace& ws = scene.ws;
    for (int i = inner; i < 12; ++i)
        ws.ac_pattern_center_twk[kInnerPositions[i]] = {};
    for (int i = sides; i < 8; ++i)
        ws.ac_pattern_center_twk[kSidePositions[i]] = {};

    ProjectionParams tp;
    tp.fill(99.0);
    ws.AC_CallCalcCalibParameter(tp);
    QVERIFY(log.contains(
        QString("nRealCornerCount = %1 , nSidePatternCount = %2").arg(inner + sides).arg(sides)));
    QCOMPARE(ws.calib_success, fits ? 1 : 0);
    QCOMPARE(scene.fitted(), fits);
    if (fits) {
        QVERIFY(log.contains("CalibrationMain() 5"));
        QVERIFY(scene.model.maxDeviation(tp) < 0.01);
        QVERIFY(ws.ac_sse < 1e-6);
    } else {
        QCOMPARE(tp[0], 99.0);
    }
}

void TestCalibWorkspace::autoIgnoresNonFinitePoints() {
    LogCapture log;
    Scene scene;
    CalibWorkspace& ws = scene.ws;
    ws.ac_pattern_center_twk[0] = {kNan, 100.0f};
    ws.ac_pattern_center_twk[7] = {500.0f, kInf};
    log.clear();
    ProjectionParams tp{};
    ws.AC_CallCalcCalibParameter(tp);
    QVERIFY(log.contains("nRealCornerCount = 18 , nSidePatternCount = 7"));
    QCOMPARE(ws.calib_success, 1);
    QVERIFY(std::isfinite(ws.ac_sse));
    const QRegularExpression nonFinite("\\b(nan|inf)\\b",
                                       QRegularExpression::CaseInsensitiveOption);
    QCOMPARE(log.lines().filter(nonFinite), QStringList());
}

void TestCalibWorkspace::nothingToFitWithoutLens() {
    LogCapture log;
    Scene scene(0);
    CalibWorkspace& ws = scene.ws;
    ProjectionParams tp{};
    ws.AC_CallCalcCalibParameter(tp);
    QCOMPARE(ws.calib_success, 0);
    QVERIFY(!scene.fitted());

    // Zero targets are all valid, so the manual entry point fits zero pairs; their SSE of
    // 0 = 64 * 0 is not below the limit.
    ws.MC_CallCalcCalibParameter(tp);
    QCOMPARE(ws.ac_loop, 0);
    QCOMPARE(ws.ac_sse, 0.0);
    QCOMPARE(ws.calib_success, 0);
}

void TestCalibWorkspace::manualAcceptance() {
    LogCapture log;
    Scene scene;
    CalibWorkspace& ws = scene.ws;
    const auto targets = SyntheticProjection::manualTargets();
    std::array<cv::Point2f, 16> win;
    ws.clearManualResults();
    for (int i = 0; i < 16; ++i) {
        win[i] = cv::Point2f(targets[i]);
        ws.ac_pattern_center_twk[i] = cv::Point2f(scene.model.cameraPointOf(targets[i]));
    }
    CalibWorkspace::CalibInformation info;
    info.windowPoints = win.data();
    info.pointCount = 16;
    info.windowWidth = 1920;
    info.windowHeight = 1080;
    info.lensType = 2;
    ws.setCalibInformation(info);

    ProjectionParams tp{};
    ws.MC_CallCalcCalibParameter(tp);
    QCOMPARE(ws.calib_success, 1);
    QVERIFY(log.contains("CalibrationMain() 1"));
    QVERIFY(!log.contains("CalibrationMain() 2"));
    QVERIFY(scene.model.maxDeviation(tp) < 0.01);

    ws.ac_pattern_center_twk[15] = {};
    ws.ac_loop = -7;
    ws.MC_CallCalcCalibParameter(tp);
    QCOMPARE(ws.calib_success, 0);
    QCOMPARE(ws.ac_loop, -7);
}

void TestCalibWorkspace::semiAutoSources_data() {
    QTest::addColumn<bool>("withImage");
    QTest::addColumn<bool>("spoilOrg");
    QTest::addColumn<bool>("spoilTwk");
    QTest::addColumn<bool>("fits");
    QTest::newRow("image, all found") << true << false << false << true;
    QTest::newRow("image, one centre missing") << true << true << false << false;
    QTest::newRow("image ignores the touched points") << true << false << true << true;
    QTest::newRow("touches, all found") << false << false << false << true;
    QTest::newRow("touches, one missing") << false << false << true << false;
}

void TestCalibWorkspace::semiAutoSources() {
    QFETCH(bool, withImage);
    QFETCH(bool, spoilOrg);
    QFETCH(bool, spoilTwk);
    QFETCH(bool, fits);
    LogCapture log;
    Scene scene;
    CalibWorkspace& ws = scene.ws;
    if (spoilOrg)
        ws.ac_pattern_center_org[12] = {};
    if (spoilTwk)
        ws.ac_pattern_center_twk[12] = {2.0f, 400.0f};
    ProjectionParams tp{};
    ws.SC_CallCalcCalibParameter(withImage, tp);
    QCOMPARE(ws.calib_success, fits ? 1 : 0);
    QCOMPARE(scene.fitted(), fits);
    QCOMPARE(log.contains("CalibrationMain() 5"), fits && withImage);
    QCOMPARE(log.count(QRegularExpression("^SC_CallCalcCalibParameter -> nRealCornerCount =")),
             withImage ? 1 : 0);
    QVERIFY(log.contains("SC_CallCalcCalibParameter - End"));
}

QTEST_GUILESS_MAIN(TestCalibWorkspace)
#include "test_calibworkspace.moc"
