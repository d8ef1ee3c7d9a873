#include "align/StrokeSmoother.h"

#include <QtTest>
#include <cmath>

namespace {

// The smoothed point the window [p x 9, q] gives: p + 0.9^9 (q - p).
QPointF firstSmoothed(QPoint p, QPoint q) {
    return QPointF(p) + std::pow(0.9, 9) * QPointF(q - p);
}

double distanceToLine(QPointF a, QPointF b, QPointF p) {
    const QPointF d = b - a;
    return std::abs(d.x() * (p.y() - a.y()) - d.y() * (p.x() - a.x())) / std::hypot(d.x(), d.y());
}

} // namespace

class StrokeSmootherTest : public QObject {
    Q_OBJECT

private slots:
    void weightsAreTheBinomialOnesAtNineTenths();
    void firstFeedFollowsTheQuadratic_data();
    void firstFeedFollowsTheQuadratic();
    void straightLineStaysStraight();
    void passesThePreviousSmoothedPointHalfway();
    void holdingStillReachesThePoint();
};

void StrokeSmootherTest::weightsAreTheBinomialOnesAtNineTenths() {
    const int binomial[10] = {1, 9, 36, 84, 126, 126, 84, 36, 9, 1};
    double sum = 0.0;
    for (int i = 0; i < StrokeSmoother::kWindow; ++i) {
        const double expected = binomial[i] * std::pow(0.9, i) * std::pow(0.1, 9 - i);
        QVERIFY(std::abs(StrokeSmoother::weight(i) - expected) < 1e-15);
        sum += StrokeSmoother::weight(i);
    }
    QVERIFY(std::abs(sum - 1.0) < 1e-12);
    QCOMPARE(StrokeSmoother::weight(-1), 0.0);
    QCOMPARE(StrokeSmoother::weight(10), 0.0);
}

void StrokeSmootherTest::firstFeedFollowsTheQuadratic_data() {
    QTest::addColumn<QPoint>("q");
    QTest::addColumn<int>("n");
    // n = distance from the press point to the smoothed point, rounded, kept within 1 to 50.
    QTest::newRow("no movement") << QPoint(100, 100) << 1;
    QTest::newRow("one pixel") << QPoint(101, 100) << 1;
    QTest::newRow("ten pixels") << QPoint(110, 100) << 4;
    QTest::newRow("diagonal") << QPoint(130, 140) << 19;
    QTest::newRow("100 pixels") << QPoint(200, 100) << 39;
    QTest::newRow("fast move") << QPoint(300, 100) << 50;
    QTest::newRow("very fast move") << QPoint(100, 1100) << 50;
}

void StrokeSmootherTest::firstFeedFollowsTheQuadratic() {
    QFETCH(QPoint, q);
    QFETCH(int, n);
    const QPoint p(100, 100);
    StrokeSmoother smoother;
    smoother.reset(p);
    const QVector<QPointF> out = smoother.feed(q);
    // A fast move is drawn with at most 25 points.
    QCOMPARE(out.size(), n - n / 2);
    QVERIFY(out.size() <= 25);

    // With p0 = p1 = p the quadratic reduces to p + t (2t - 1) (s - p): it passes p at
    // t = 0.5 and runs towards s without reaching it.
    const QPointF s = firstSmoothed(p, q);
    for (int k = 0; k < out.size(); ++k) {
        const double t = double(n / 2 + k) / n;
        const QPointF expected = QPointF(p) + t * (2 * t - 1) * (s - QPointF(p));
        QVERIFY2(QLineF(out[k], expected).length() < 1e-9, qPrintable(QString::number(k)));
    }
}

void StrokeSmootherTest::straightLineStaysStraight() {
    StrokeSmoother smoother;
    const QPoint a(10, 20);
    const QPoint b(410, 320); // direction (4, 3)
    smoother.reset(a);
    for (int step = 1; step <= 40; ++step) {
        const QPoint q = a + QPoint(8 * step, 6 * step);
        for (const QPointF& p : smoother.feed(q))
            QVERIFY2(distanceToLine(a, b, p) < 1e-9, qPrintable(QString::number(step)));
    }
}

void StrokeSmootherTest::passesThePreviousSmoothedPointHalfway() {
    StrokeSmoother smoother;
    const QPoint p(0, 0);
    smoother.reset(p);
    const QPoint q1(60, 0);
    const QPointF s1 = firstSmoothed(p, q1);
    smoother.feed(q1);
    // A long move makes n = 50, so the first returned point is the quadratic at t = 0.5,
    // which is the previous smoothed point s1, and the curve leaves it towards the new one.
    const QVector<QPointF> out = smoother.feed(QPoint(60, 400));
    QCOMPARE(out.size(), 25);
    QVERIFY(QLineF(out.first(), s1).length() < 1e-9);
    QVERIFY(out.last().y() > out.first().y());
}

void StrokeSmootherTest::holdingStillReachesThePoint() {
    StrokeSmoother smoother;
    smoother.reset(QPoint(0, 0));
    const QPoint end(37, -12);
    QPointF last;
    for (int i = 0; i < 12; ++i)
        last = smoother.feed(end).last();
    // Once the window holds only the end point, so do both smoothed points.
    QVERIFY(QLineF(last, QPointF(end)).length() < 1e-9);
}

QTEST_APPLESS_MAIN(StrokeSmootherTest)
#include "test_strokesmoother.moc"
