#include "sim/camera/GroundTruth.h"
#include "sim/camera/Screens.h"
#include "sim/camera/SyntheticCamera.h"
#include "sim/camera/SyntheticScene.h"

#include <QPainter>
#include <QtTest>
#include <opencv2/imgproc.hpp>

// The synthetic camera: the true model and its inverse, where a lit window area lands in the
// capture, the light levels, seeded noise and the live picture.
class TestSyntheticCamera : public QObject {
    Q_OBJECT

private slots:
    void inverseOfTheModel_data();
    void inverseOfTheModel();
    void quadCornersMapToWindowCorners();
    void lightLevels();
    void litAreaLandsWhereTheModelSays();
    void noiseFollowsTheSeed();
    void liveIsTheCaptureAtHalfResolution();
    void sceneAnswersBothSizes();
};

namespace {

constexpr int kW = 1280;
constexpr int kH = 800;

ProjectionParams truthFor(int lens, int fwLower = 12) {
    ProjectionParams l = neutralProjection();
    getLensPreset(lens, fwLower, l);
    return groundTruthModel(l, screenQuad(kW, kH, {640, 360}, 0.8, 3.0, 0.06), kW, kH);
}

CameraLight plainLight() {
    CameraLight light;
    light.ambient = 10;
    light.projectorBlack = 20;
    light.projectorWhite = 200;
    light.vignetting = 0;
    light.blurSigma = 0;
    light.noiseSigma = 0;
    light.supersampling = 4;
    return light;
}

} // namespace

void TestSyntheticCamera::inverseOfTheModel_data() {
    QTest::addColumn<int>("lens");
    QTest::newRow("normal throw") << 1;
    QTest::newRow("short throw") << 2;
    QTest::newRow("ultra-short throw") << 3;
}

void TestSyntheticCamera::inverseOfTheModel() {
    QFETCH(int, lens);
    const ProjectionParams truth = truthFor(lens);
    for (const cv::Point2d w :
         {cv::Point2d(0, 0), cv::Point2d(640, 400), cv::Point2d(1279, 799), cv::Point2d(70, 729)}) {
        const cv::Point2d c = cameraPointOf(truth, w);
        const cv::Point2d back = mapPoint(truth, c.x, c.y);
        QVERIFY2(std::hypot(back.x - w.x, back.y - w.y) < 1e-6,
                 qPrintable(QString("%1 %2").arg(back.x).arg(back.y)));
    }
}

void TestSyntheticCamera::quadCornersMapToWindowCorners() {
    const ScreenQuad quad = screenQuad(kW, kH, {640, 360}, 0.8, 3.0, 0.06);
    // Keystone: the top edge is 6 % wider than the bottom one.
    const double top = std::hypot(quad[1].x - quad[0].x, quad[1].y - quad[0].y);
    const double bottom = std::hypot(quad[2].x - quad[3].x, quad[2].y - quad[3].y);
    QVERIFY(std::abs(top / bottom - 1.06) < 1e-9);
    const ProjectionParams truth = truthFor(3);
    const cv::Point2d corners[4] = {{0, 0}, {kW, 0}, {kW, kH}, {0, kH}};
    for (int i = 0; i < 4; ++i) {
        const cv::Point2d m = mapPoint(truth, quad[i].x, quad[i].y);
        QVERIFY(std::hypot(m.x - corners[i].x, m.y - corners[i].y) < 1e-3);
    }
}

void TestSyntheticCamera::lightLevels() {
    const ProjectionParams truth = truthFor(1);
    const cv::Mat white = renderCaptureMat(whiteScreen(kW, kH), truth, plainLight());
    const cv::Mat black = renderCaptureMat(blackScreen(kW, kH), truth, plainLight());
    const cv::Point2d mid = cameraPointOf(truth, {640, 400});
    QCOMPARE(static_cast<int>(white.at<uint8_t>(cvRound(mid.y), cvRound(mid.x))),
             10 + 20 + 200 - 20);
    QCOMPARE(static_cast<int>(black.at<uint8_t>(cvRound(mid.y), cvRound(mid.x))), 30);
    QCOMPARE(static_cast<int>(white.at<uint8_t>(2, 2)), 10); // outside the screen

    CameraLight vignetted = plainLight();
    vignetted.vignetting = 0.5;
    const cv::Mat dim = renderCaptureMat(whiteScreen(kW, kH), truth, vignetted);
    QCOMPARE(static_cast<int>(dim.at<uint8_t>(0, 0)), 5);
    QCOMPARE(static_cast<int>(dim.at<uint8_t>(360, 640)), 210);
}

void TestSyntheticCamera::litAreaLandsWhereTheModelSays() {
    // A white 9 x 9 square on black, centred on window pixel (900, 300); small, because the
    // lens makes the centroid of a larger blob lean towards the magnified side.
    QImage screen = blackScreen(kW, kH);
    QPainter(&screen).fillRect(896, 296, 9, 9, Qt::white);
    const ProjectionParams truth = truthFor(2);
    cv::Mat capture = renderCaptureMat(screen, truth, plainLight());
    cv::Mat lit;
    cv::subtract(capture, cv::Scalar(30), lit);
    const cv::Moments m = cv::moments(lit);
    const cv::Point2d expected = cameraPointOf(truth, {900, 300});
    QVERIFY2(std::hypot(m.m10 / m.m00 - expected.x, m.m01 / m.m00 - expected.y) < 0.02,
             qPrintable(QString("%1 %2 vs %3 %4")
                            .arg(m.m10 / m.m00)
                            .arg(m.m01 / m.m00)
                            .arg(expected.x)
                            .arg(expected.y)));
}

void TestSyntheticCamera::noiseFollowsTheSeed() {
    const ProjectionParams truth = truthFor(1);
    CameraLight light = plainLight();
    light.supersampling = 1;
    light.noiseSigma = 2.0;
    light.blurSigma = 0.8;
    const cv::Mat a = renderCaptureMat(whiteScreen(kW, kH), truth, light);
    const cv::Mat b = renderCaptureMat(whiteScreen(kW, kH), truth, light);
    light.seed = 99;
    const cv::Mat c = renderCaptureMat(whiteScreen(kW, kH), truth, light);
    QCOMPARE(cv::norm(a, b, cv::NORM_INF), 0.0);
    QVERIFY(cv::norm(a, c, cv::NORM_INF) > 3.0);
    cv::Mat diff;
    cv::subtract(a, c, diff, cv::noArray(), CV_32F);
    cv::Scalar mean, sd;
    cv::meanStdDev(diff, mean, sd);
    QVERIFY(std::abs(mean[0]) < 0.05);
    // Sensor noise comes after the blur: the difference of two pictures spreads by 2 * sqrt(2).
    QVERIFY2(sd[0] > 2.6 && sd[0] < 3.1, qPrintable(QString::number(sd[0])));
}

void TestSyntheticCamera::liveIsTheCaptureAtHalfResolution() {
    const ProjectionParams truth = truthFor(1);
    const QImage screen = patternScreen(kW, kH);
    CameraLight light = plainLight();
    light.supersampling = 2;
    const QImage live = renderLive(screen, truth, light);
    QCOMPARE(live.size(), QSize(640, 360));
    QCOMPARE(live.format(), QImage::Format_Grayscale8);
    const cv::Mat capture = renderCaptureMat(screen, truth, light);
    cv::Mat half;
    cv::resize(capture, half, cv::Size(640, 360), 0, 0, cv::INTER_AREA);
    const cv::Mat liveMat(360, 640, CV_8UC1, const_cast<uchar*>(live.constBits()),
                          static_cast<size_t>(live.bytesPerLine()));
    QVERIFY(cv::norm(liveMat, half, cv::NORM_L1) / (640.0 * 360.0) < 1.0);
}

void TestSyntheticCamera::sceneAnswersBothSizes() {
    SyntheticScene scene(whiteScreen(kW, kH), truthFor(1), plainLight());
    const QImage capture = scene.frame(1280, 720);
    QCOMPARE(capture.size(), QSize(1280, 720));
    QCOMPARE(capture.pixelColor(640, 360).red(), 210);
    scene.setScreen(blackScreen(kW, kH));
    const QImage live = scene.frame(640, 360);
    QCOMPARE(live.size(), QSize(640, 360));
    QCOMPARE(live.pixelColor(320, 180).red(), 30);
    QCOMPARE(scene.frame(320, 180).size(), QSize(320, 180));
}

QTEST_MAIN(TestSyntheticCamera)
#include "test_syntheticcamera.moc"
