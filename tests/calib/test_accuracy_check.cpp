#include "calib/AccuracyCheck.h"

#include <QJsonArray>
#include <QtTest>

Q_DECLARE_METATYPE(QVector<QPointF>)

// The figures of an accuracy check on a 1920 x 1080 screen, nine targets 100 px apart with
// each touch off by the given offset.
class AccuracyCheckTest : public QObject {
    Q_OBJECT

private slots:
    void figures_data();
    void figures();
    void reportHoldsEveryTarget();
};

namespace {

// mouseTouch: the touch that was a plain mouse click (-1: none); untouched: the target the
// check ended on for want of a touch (0: none).
AccuracyCheck checked(const QSizeF& physicalMm, const QVector<QPointF>& offsets,
                      int mouseTouch = -1, int untouched = 0) {
    AccuracyCheck check(QRect(0, 0, 1920, 1080), physicalMm);
    for (int i = 0; i < offsets.size(); ++i)
        check.add(QPointF(100.0 * i, 50.0), QPointF(100.0 * i, 50.0) + offsets[i], i != mouseTouch);
    if (untouched > 0)
        check.markUntouched(untouched, 9, 20);
    return check;
}

} // namespace

void AccuracyCheckTest::figures_data() {
    QTest::addColumn<QSizeF>("physicalMm");
    QTest::addColumn<QVector<QPointF>>("offsets");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("worst");
    QTest::addColumn<int>("worstTarget");
    QTest::addColumn<bool>("passed");
    QTest::addColumn<double>("worstMm"); // negative: millimetres unknown
    QTest::addColumn<int>("mouseTouch");
    QTest::addColumn<int>("untouched");
    QTest::addColumn<QString>("reason"); // said after "failed"

    const QVector<QPointF> small{{1, 0}, {0, 2}, {3, 4}};
    // 960 x 540 mm over 1920 x 1080 px: half a millimetre a pixel.
    QTest::newRow("within, mm known")
        << QSizeF(960, 540) << small << 8.0 / 3 << 5.0 << 3 << true << 2.5 << -1 << 0 << QString();
    QTest::newRow("unknown size") << QSizeF(0, 0) << small << 8.0 / 3 << 5.0 << 3 << true << -1.0
                                  << -1 << 0 << QString();
    QTest::newRow("placeholder size")
        << QSizeF(10, 10) << small << 8.0 / 3 << 5.0 << 3 << true << -1.0 << -1 << 0 << QString();
    QTest::newRow("pixels far from square") << QSizeF(960, 2000) << small << 8.0 / 3 << 5.0 << 3
                                            << true << -1.0 << -1 << 0 << QString();
    QTest::newRow("exactly at the threshold") << QSizeF() << QVector<QPointF>{{0, 8}, {1, 0}} << 4.5
                                              << 8.0 << 1 << true << -1.0 << -1 << 0 << QString();
    QTest::newRow("just above the threshold")
        << QSizeF() << QVector<QPointF>{{1, 0}, {0, 8.01}} << 4.505 << 8.01 << 2 << false << -1.0
        << -1 << 0 << QString();
    QTest::newRow("nothing touched") << QSizeF(960, 540) << QVector<QPointF>{} << 0.0 << 0.0 << 0
                                     << false << 0.0 << -1 << 0 << QString();
    // The figures stand, but a click that may be anyone's never passes a check.
    QTest::newRow("one touch a mouse click")
        << QSizeF() << small << 8.0 / 3 << 5.0 << 3 << false << -1.0 << 1 << 0
        << QStringLiteral("(not a pen check: 1 of 3 touches were mouse clicks)");
    QTest::newRow("fourth target never touched")
        << QSizeF() << small << 8.0 / 3 << 5.0 << 3 << false << -1.0 << -1 << 4
        << QStringLiteral("(target 4 of 9 not touched within 20 s)");
}

void AccuracyCheckTest::figures() {
    QFETCH(QSizeF, physicalMm);
    QFETCH(QVector<QPointF>, offsets);
    QFETCH(double, mean);
    QFETCH(double, worst);
    QFETCH(int, worstTarget);
    QFETCH(bool, passed);
    QFETCH(double, worstMm);
    QFETCH(int, mouseTouch);
    QFETCH(int, untouched);
    QFETCH(QString, reason);

    const AccuracyCheck check = checked(physicalMm, offsets, mouseTouch, untouched);
    QCOMPARE(check.meanPx(), mean);
    QCOMPARE(check.worstPx(), worst);
    QCOMPARE(check.worstIndex() + 1, worstTarget);
    QCOMPARE(check.passed(), passed);
    QCOMPARE(check.knowsMillimetres(), worstMm >= 0.0);
    if (worstMm >= 0.0)
        QCOMPARE(check.worstMm(), worstMm);
    QCOMPARE(check.summaryLine().contains(QStringLiteral(" mm")), worstMm >= 0.0);
    QVERIFY(check.summaryLine().contains(passed ? QStringLiteral(": passed")
                                                : QStringLiteral(": failed")));
    QCOMPARE(check.isPenCheck(), mouseTouch < 0);
    QVERIFY2(check.summaryLine().contains(QStringLiteral("failed ") + reason) == !reason.isEmpty(),
             qPrintable(check.summaryLine()));
}

void AccuracyCheckTest::reportHoldsEveryTarget() {
    const AccuracyCheck check = checked(QSizeF(960, 540), {{1, 0}, {0, 12}, {3, 4}}, 0, 4);
    const QJsonObject o = check.toJson(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
    QCOMPARE(o.value("time").toString(), QStringLiteral("2026-01-02T03:04:05Z"));
    QCOMPARE(o.value("passed").toBool(), false);
    QCOMPARE(o.value("threshold_px").toDouble(), 8.0);
    QCOMPARE(o.value("worst_target").toInt(), 2);
    QCOMPARE(o.value("worst_px").toDouble(), 12.0);
    QCOMPARE(o.value("worst_mm").toDouble(), 6.0);
    QCOMPARE(o.value("pen_check").toBool(), false);
    QCOMPARE(o.value("mouse_clicks").toInt(), 1);
    QCOMPARE(o.value("untouched_target").toInt(), 4);
    QCOMPARE(o.value("screen").toObject().value("width").toInt(), 1920);
    QCOMPARE(o.value("screen").toObject().value("width_mm").toDouble(), 960.0);
    const QJsonArray targets = o.value("targets").toArray();
    QCOMPARE(targets.size(), 3);
    const QJsonObject third = targets[2].toObject();
    QCOMPARE(third.value("target").toArray(), (QJsonArray{200.0, 50.0}));
    QCOMPARE(third.value("touch").toArray(), (QJsonArray{203.0, 54.0}));
    QCOMPARE(third.value("error_px").toDouble(), 5.0);
    QCOMPARE(third.value("error_mm").toDouble(), 2.5);
    QCOMPARE(targets[0].toObject().value("input").toString(), QStringLiteral("mouse"));
    QCOMPARE(third.value("input").toString(), QStringLiteral("pen"));
}

QTEST_APPLESS_MAIN(AccuracyCheckTest)
#include "test_accuracy_check.moc"
