#include "calib/MarkerGrids.h"
#include "calib/PatternPainter.h"

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <opencv2/aruco.hpp>
#include <opencv2/core.hpp>
#include <set>

namespace {

const int kMarkerIds[] = {6, 7, 8, 11, 12, 13, 16, 17, 18};

QImage renderPattern(int w, int h, int ceiling, int rear) {
    QImage img(w, h, QImage::Format_Grayscale8);
    img.fill(128);
    QPainter painter(&img);
    paintPattern(painter, w, h, ceiling, rear);
    return img;
}

cv::Mat asMat(const QImage& img) {
    return cv::Mat(img.height(), img.width(), CV_8UC1, const_cast<uchar*>(img.constBits()),
                   static_cast<size_t>(img.bytesPerLine()))
        .clone();
}

cv::Ptr<cv::aruco::Dictionary> tag16h5() {
    return cv::aruco::getPredefinedDictionary(cv::aruco::DICT_APRILTAG_16h5);
}

} // namespace

// The pattern as the camera would see it: rendered offscreen and read back with a TAG16h5
// detector. Ceiling mounting turns the layout upside down, rear projection is seen mirrored.
class PatternPainterTest : public QObject {
    Q_OBJECT

private slots:
    void gridsAreTheFamilyCodes();
    void markersAndDiscs_data();
    void markersAndDiscs();
};

void PatternPainterTest::gridsAreTheFamilyCodes() {
    // The detector's dictionary holds the family turned by 180 degrees.
    for (int id : kMarkerIds) {
        cv::Mat drawn;
        cv::aruco::drawMarker(tag16h5(), id, kMarkerCells, drawn, 1);
        const MarkerGrid* grid = markerGridOf(id);
        QVERIFY(grid);
        for (int i = 0; i < kMarkerCells; ++i) {
            for (int j = 0; j < kMarkerCells; ++j) {
                const bool dark = drawn.at<uchar>(kMarkerCells - 1 - i, kMarkerCells - 1 - j) == 0;
                QCOMPARE(bool((*grid)[i][j]), dark);
            }
        }
    }
    for (int k = 0; k < kTargetSlots; ++k) {
        const bool isMarker =
            std::find(std::begin(kMarkerIds), std::end(kMarkerIds), k) != std::end(kMarkerIds);
        QCOMPARE(markerGridOf(k) != nullptr, isMarker);
    }
}

void PatternPainterTest::markersAndDiscs_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("ceiling");
    QTest::addColumn<int>("rear");
    for (const QSize size : {QSize(1920, 1080), QSize(1280, 800)}) {
        for (int ceiling = 0; ceiling < 2; ++ceiling) {
            for (int rear = 0; rear < 2; ++rear) {
                const QByteArray name =
                    QByteArray::number(size.width()) + "x" + QByteArray::number(size.height()) +
                    " ceiling " + QByteArray::number(ceiling) + " rear " + QByteArray::number(rear);
                QTest::newRow(name.constData()) << size.width() << size.height() << ceiling << rear;
            }
        }
    }
}

void PatternPainterTest::markersAndDiscs() {
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, ceiling);
    QFETCH(int, rear);

    const QImage img = renderPattern(w, h, ceiling, rear);
    const TargetPoints pts = targetPoints(w, h, true);

    // Where position k lands in the drawing: ceiling swaps the rows, and the columns are
    // swapped when exactly one of ceiling and rear is set.
    const bool flipRows = ceiling == 1;
    const bool flipColumns = (ceiling == 1) != (rear == 1);
    auto slotOf = [&](int k) {
        const int r = flipRows ? 3 - k / 5 : k / 5;
        const int c = flipColumns ? 4 - k % 5 : k % 5;
        return 5 * r + c;
    };

    cv::Mat camera = asMat(img);
    if (rear == 1)
        cv::flip(camera, camera, 1);
    std::vector<int> ids;
    std::vector<std::vector<cv::Point2f>> corners;
    cv::aruco::detectMarkers(camera, tag16h5(), corners, ids);

    QCOMPARE(int(ids.size()), 9);
    std::set<int> seen;
    std::set<int> markerSlots;
    for (size_t m = 0; m < ids.size(); ++m) {
        const int id = ids[m];
        QVERIFY2(markerGridOf(id), qPrintable(QString("unexpected id %1").arg(id)));
        QVERIFY(seen.insert(id).second);
        cv::Point2f centre(0, 0);
        for (const cv::Point2f& p : corners[m])
            centre += p * 0.25f;
        const int slot = slotOf(id);
        markerSlots.insert(slot);
        const float ex = rear == 1 ? w - 1 - pts[slot].x : pts[slot].x;
        QVERIFY2(std::abs(centre.x - ex) < 2 && std::abs(centre.y - pts[slot].y) < 2,
                 qPrintable(QString("id %1 at (%2, %3), expected (%4, %5)")
                                .arg(id)
                                .arg(centre.x)
                                .arg(centre.y)
                                .arg(ex)
                                .arg(pts[slot].y)));
    }

    // Everything else is a disc of the big radius.
    const int big = markerSizes(w, h).big;
    for (int slot = 0; slot < kPatternPoints; ++slot) {
        if (markerSlots.count(slot))
            continue;
        const int cx = roundHalfUp(pts[slot].x);
        const int cy = roundHalfUp(pts[slot].y);
        QCOMPARE(qGray(img.pixel(cx, cy)), 0);
        QCOMPARE(qGray(img.pixel(cx + big - 2, cy)), 0);
        QCOMPARE(qGray(img.pixel(cx, cy - big + 2)), 0);
        QCOMPARE(qGray(img.pixel(cx + big + 3, cy)), 255);
        // Round, not square.
        QCOMPARE(qGray(img.pixel(cx + big - 3, cy + big - 3)), 255);
    }
    QCOMPARE(qGray(img.pixel(w / 2, 2)), 255);
}

QTEST_MAIN(PatternPainterTest)
#include "test_patternpainter.moc"
