#include "calib/ScreenResponse.h"

#include <QtTest>
#include <random>

// The decision of the screen search on synthetic live pictures: a dark picture with seeded
// sensor noise, and each monitor lighting its own part of it by a given rise.
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;

// Monitor i lights a band a third of the picture wide; a mirrored twin lights the same band.
QRect bandOf(int band) {
    return QRect(band * kWidth / 3, 60, kWidth / 3 - 20, 240);
}

QImage picture(double sigma, int seed, int band = -1, int rise = 0) {
    std::mt19937 random{uint32_t(seed)};
    std::normal_distribution<double> noise(0.0, sigma);
    QImage image(kWidth, kHeight, QImage::Format_Grayscale8);
    const QRect lit = band >= 0 ? bandOf(band) : QRect();
    for (int y = 0; y < kHeight; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            const double level = 30.0 + (lit.contains(x, y) ? rise : 0) + noise(random);
            line[x] = uchar(qBound(0.0, std::round(level), 255.0));
        }
    }
    return image;
}

} // namespace

class ScreenResponseTest : public QObject {
    Q_OBJECT

private slots:
    void decision_data();
    void decision();
};

void ScreenResponseTest::decision_data() {
    QTest::addColumn<double>("sigma");
    QTest::addColumn<QVector<int>>("bands"); // the band each monitor lights, -1 none
    QTest::addColumn<QVector<int>>("rises");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("seen");

    QTest::newRow("middle of three, clean camera")
        << 1.5 << QVector<int>{0, 1, 2} << QVector<int>{0, 150, 0} << 1 << 1;
    QTest::newRow("dim projector in heavy noise")
        << 8.0 << QVector<int>{0, 1} << QVector<int>{0, 70} << 1 << 1;
    QTest::newRow("rise lost in the noise")
        << 8.0 << QVector<int>{0, 1} << QVector<int>{30, 0} << -1 << 0;
    QTest::newRow("camera sees none")
        << 2.0 << QVector<int>{0, 1, 2} << QVector<int>{0, 0, 0} << -1 << 0;
    // Without noise the threshold is the rounding alone: a faint picture still counts.
    QTest::newRow("noise-free camera, faint projector")
        << 0.0 << QVector<int>{0, 1} << QVector<int>{0, 4} << 1 << 1;
    QTest::newRow("mirrored pair: the stronger one")
        << 1.5 << QVector<int>{1, 1, 2} << QVector<int>{120, 150, 0} << 1 << 2;
}

void ScreenResponseTest::decision() {
    QFETCH(double, sigma);
    QFETCH(QVector<int>, bands);
    QFETCH(QVector<int>, rises);
    QFETCH(int, chosen);
    QFETCH(int, seen);

    const screen_response::BlackReference black =
        screen_response::blackReference(picture(sigma, 1), picture(sigma, 2));
    QVERIFY2(qAbs(black.noise - sigma) <= 0.1 * sigma + 0.3,
             qPrintable(QString::number(black.noise)));

    QVector<screen_response::Response> responses;
    for (int i = 0; i < bands.size(); ++i)
        responses.append(
            screen_response::responseOf(black, picture(sigma, 10 + i, bands[i], rises[i])));
    const screen_response::Decision d = screen_response::decide(responses);
    QCOMPARE(d.chosen, chosen);
    QCOMPARE(d.seen.size(), seen);
    QCOMPARE(d.mirrored(), seen > 1);
    if (chosen >= 0)
        QVERIFY(qAbs(responses[chosen].litShare -
                     double(bandOf(bands[chosen]).width() * bandOf(bands[chosen]).height()) /
                         (kWidth * kHeight)) < 0.01);
}

QTEST_GUILESS_MAIN(ScreenResponseTest)
#include "test_screen_response.moc"
