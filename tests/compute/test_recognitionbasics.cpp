#include "LogCapture.h"
#include "compute/CenterMath.h"
#include "compute/PatternImage.h"
#include "compute/RegionContours.h"
#include "compute/ThresholdCandidates.h"
#include "compute/ThresholdSweep.h"

#include <QtTest>
#include <opencv2/imgproc.hpp>

// The pattern image, the threshold candidates, the trimmed mean and the contour shortcut, on
// small hand-made pictures.
class TestRecognitionBasics : public QObject {
    Q_OBJECT

private slots:
    void patternImage_data();
    void patternImage();
    void patternImageRejectsMismatchedCaptures();
    void uniformPictureHasAtMostOneCandidate();
    void twentyCandidatesStayUnthinned();
    void twentyOneCandidatesAreThinned();
    void thinningKeepsLevelsFiveApart_data();
    void thinningKeepsLevelsFiveApart();
    void robustCenter_data();
    void robustCenter();
    void centroidOfPolygonWithoutArea();
    void sweepKeepsThresholdOrder();
    void sweepStopsAfterTheBudget();
    void largeRegionContoursMatchFullTracing_data();
    void largeRegionContoursMatchFullTracing();
};

namespace {

cv::Mat grey(int w, int h, uint8_t v) {
    return cv::Mat(h, w, CV_8UC1, cv::Scalar(v));
}

// A 1280-pixel-wide picture where level L (1..n) covers 200 pixels (above the 128 needed) and
// the rest is 255, so the levels present are exactly those given; counts decrease with the
// index so the thinning order is known.
cv::Mat levelsPicture(const std::vector<int>& levels) {
    cv::Mat img = grey(1280, 40, 255);
    int pos = 0;
    for (size_t i = 0; i < levels.size(); ++i) {
        const int count = 400 - static_cast<int>(i);
        for (int k = 0; k < count; ++k, ++pos)
            img.at<uint8_t>(pos / 1280, pos % 1280) = static_cast<uint8_t>(levels[i]);
    }
    return img;
}

} // namespace

void TestRecognitionBasics::patternImage_data() {
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("p");
    QTest::newRow("white not brighter than black") << 100 << 100 << 0 << 255;
    QTest::newRow("white darker than black") << 120 << 100 << 0 << 255;
    QTest::newRow("pattern as bright as white") << 10 << 200 << 200 << 255;
    QTest::newRow("pattern brighter than white") << 10 << 200 << 250 << 255;
    QTest::newRow("pattern as dark as black") << 10 << 200 << 10 << 1; // 256*190/191 = 254
    QTest::newRow("halfway") << 0 << 200 << 100 << 128;                // 256*100/201 = 127
    QTest::newRow("one level of contrast") << 0 << 1 << 0 << 127;      // 256*1/2 = 128
    QTest::newRow("full contrast") << 0 << 255 << 0 << 0;
}

void TestRecognitionBasics::patternImage() {
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);
    QFETCH(int, p);
    // One pixel differs from the rest so that a row or column mix-up shows.
    cv::Mat ia = grey(5, 3, 0), ib = grey(5, 3, 0), ic = grey(5, 3, 0);
    ia.at<uint8_t>(1, 3) = static_cast<uint8_t>(a);
    ib.at<uint8_t>(1, 3) = static_cast<uint8_t>(b);
    ic.at<uint8_t>(1, 3) = static_cast<uint8_t>(c);
    cv::Mat out;
    QVERIFY(makePatternImage(ia, ib, ic, out));
    QCOMPARE(out.size(), cv::Size(5, 3));
    QCOMPARE(static_cast<int>(out.at<uint8_t>(1, 3)), p);
    QCOMPARE(cv::countNonZero(out == 255), p == 255 ? 15 : 14);
}

void TestRecognitionBasics::patternImageRejectsMismatchedCaptures() {
    cv::Mat out = grey(2, 2, 7);
    QVERIFY(!makePatternImage(grey(4, 4, 0), grey(4, 3, 0), grey(4, 4, 0), out));
    QVERIFY(!makePatternImage(grey(4, 4, 0), grey(4, 4, 0), cv::Mat(4, 4, CV_8UC3), out));
    QVERIFY(!makePatternImage(cv::Mat(), cv::Mat(), cv::Mat(), out));
    QCOMPARE(out.size(), cv::Size(2, 2));
}

void TestRecognitionBasics::uniformPictureHasAtMostOneCandidate() {
    QCOMPARE(calcThresholdCandidates(grey(1280, 720, 90), true), std::vector<int>{90});
    QVERIFY(calcThresholdCandidates(grey(1280, 720, 0), true).empty());
    QVERIFY(calcThresholdCandidates(grey(1280, 720, 255), false).empty());
}

void TestRecognitionBasics::twentyCandidatesStayUnthinned() {
    std::vector<int> levels;
    for (int i = 0; i < 20; ++i)
        levels.push_back(100 + i); // 1 apart: thinning would drop most
    LogCapture log;
    QCOMPARE(calcThresholdCandidates(levelsPicture(levels), true), levels);
    QCOMPARE(log.count(QRegularExpression("^after step")), 0);
}

void TestRecognitionBasics::twentyOneCandidatesAreThinned() {
    std::vector<int> levels;
    for (int i = 0; i < 21; ++i)
        levels.push_back(100 + i);
    LogCapture log;
    const std::vector<int> kept = calcThresholdCandidates(levelsPicture(levels), true);
    // The band reaches the 21st level too (its count equals the cut), then the most frequent
    // first, keeping levels 5 apart.
    QCOMPARE(kept, (std::vector<int>{100, 105, 110, 115, 120}));
    QVERIFY(log.contains("top 20 threshold = 381 380 380"));
    QVERIFY(log.contains("after step 1: 21"));
    QVERIFY(log.contains("after step 2: 5"));
    QCOMPARE(calcThresholdCandidates(levelsPicture(levels), false), levels);
}

void TestRecognitionBasics::thinningKeepsLevelsFiveApart_data() {
    QTest::addColumn<int>("gap");
    QTest::addColumn<bool>("bothKept");
    QTest::newRow("4 apart") << 4 << false;
    QTest::newRow("5 apart") << 5 << true;
}

void TestRecognitionBasics::thinningKeepsLevelsFiveApart() {
    QFETCH(int, gap);
    QFETCH(bool, bothKept);
    // Two frequent levels gap apart, then 20 more far away so that thinning runs.
    std::vector<int> levels = {50, 50 + gap};
    for (int i = 0; i < 20; ++i)
        levels.push_back(100 + 5 * i);
    LogCapture log;
    const std::vector<int> kept = calcThresholdCandidates(levelsPicture(levels), true);
    QCOMPARE(kept.front(), 50);
    QCOMPARE(std::count(kept.begin(), kept.end(), 50 + gap) == 1, bothKept);
}

void TestRecognitionBasics::robustCenter_data() {
    QTest::addColumn<QVector<QPointF>>("points");
    QTest::addColumn<QPointF>("expected");
    QTest::newRow("empty") << QVector<QPointF>{} << QPointF(0, 0);
    QTest::newRow("identical") << QVector<QPointF>{{10.02, 5}, {10.02, 5}, {10.02, 5}}
                               << QPointF(10.02, 5);
    QTest::newRow("spread below 0.1 gives the mean")
        << QVector<QPointF>{{10.0, 5.0}, {10.1, 5.1}} << QPointF(10.05, 5.05);
    // Ten points at 0 and one at 100: mean 9.09, sd 28.75, kept: |x - 9.09| < 86.2.
    QVector<QPointF> outlier(10, QPointF(0, 0));
    outlier.append(QPointF(100, 0));
    QTest::newRow("outlier dropped") << outlier << QPointF(0, 0);
    QTest::newRow("two points both kept") << QVector<QPointF>{{0, 0}, {2, 4}} << QPointF(1, 2);
}

void TestRecognitionBasics::robustCenter() {
    QFETCH(QVector<QPointF>, points);
    QFETCH(QPointF, expected);
    std::vector<cv::Point2d> pts;
    for (const QPointF& p : points)
        pts.emplace_back(p.x(), p.y());
    const cv::Point2d c = calcRobustCenter(pts);
    QVERIFY2(std::abs(c.x - expected.x()) < 1e-9 && std::abs(c.y - expected.y()) < 1e-9,
             qPrintable(QString("%1 %2").arg(c.x).arg(c.y)));
}

void TestRecognitionBasics::centroidOfPolygonWithoutArea() {
    const cv::Point2d square = contourCentroid({{0, 0}, {4, 0}, {4, 2}, {0, 2}});
    QCOMPARE(square, cv::Point2d(2, 1));
    // A straight line has no area: the mean of its points, not a division by zero.
    const cv::Point2d line = contourCentroid({{0, 0}, {2, 0}, {10, 0}});
    QCOMPARE(line, cv::Point2d(4, 0));
}

void TestRecognitionBasics::sweepKeepsThresholdOrder() {
    std::vector<int> levels;
    for (int i = 0; i < 40; ++i)
        levels.push_back(200 - 3 * i);
    const std::vector<int> doubled =
        sweepThresholds<int>(levels, 5000, [](int thr) { return 2 * thr; });
    QCOMPARE(doubled.size(), levels.size());
    for (size_t i = 0; i < levels.size(); ++i)
        QCOMPARE(doubled[i], 2 * levels[i]);
}

void TestRecognitionBasics::sweepStopsAfterTheBudget() {
    LogCapture log;
    const std::vector<int> levels(50, 1);
    const std::vector<int> done = sweepThresholds<int>(levels, 5, [](int thr) {
        QThread::msleep(3);
        return thr;
    });
    QVERIFY(!done.empty());
    QVERIFY(done.size() < levels.size());
    QCOMPARE(log.count(QRegularExpression("^timeout: \\d+$")), 1);
}

void TestRecognitionBasics::largeRegionContoursMatchFullTracing_data() {
    QTest::addColumn<double>("noise");
    QTest::newRow("clean") << 0.0;
    QTest::newRow("speckled") << 60.0;
}

void TestRecognitionBasics::largeRegionContoursMatchFullTracing() {
    QFETCH(double, noise);
    // Rings, discs with holes, shapes at the edges and thin bridges, then salt and pepper.
    cv::Mat img(360, 640, CV_8UC1, cv::Scalar(128));
    cv::circle(img, {100, 100}, 40, cv::Scalar(40), -1);
    cv::circle(img, {100, 100}, 15, cv::Scalar(200), -1);
    cv::rectangle(img, {0, 200}, {60, 300}, cv::Scalar(30), -1);
    cv::circle(img, {300, 180}, 70, cv::Scalar(20), 3);
    cv::line(img, {200, 50}, {600, 330}, cv::Scalar(10), 1);
    cv::rectangle(img, {450, 40}, {520, 70}, cv::Scalar(220), -1);
    cv::Mat n(img.size(), CV_8UC1);
    cv::RNG(7).fill(n, cv::RNG::NORMAL, 0, noise);
    cv::Mat noisy;
    cv::add(img, n, noisy);
    cv::subtract(noisy, n.mul(0), noisy);
    cv::Mat binary;
    cv::threshold(noisy, binary, 100, 255, cv::THRESH_BINARY);

    std::vector<std::vector<cv::Point>> all, large;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(binary, all, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
    largeRegionContours(binary, 24, 20, large);
    auto big = [](const std::vector<std::vector<cv::Point>>& cs) {
        std::vector<std::vector<cv::Point>> out;
        for (const auto& c : cs) {
            const cv::Rect r = cv::boundingRect(c);
            if (r.width >= 24 && r.height >= 20)
                out.push_back(c);
        }
        return out;
    };
    QVERIFY(all.size() > 3);
    QVERIFY(big(all) == big(large));
}

QTEST_APPLESS_MAIN(TestRecognitionBasics)
#include "test_recognitionbasics.moc"
