#include "align/MaskBitmap.h"
#include "align/maskDlg.h"

#include <QMouseEvent>
#include <QtTest>

namespace {

void mouse(QWidget& w, QEvent::Type type, QPoint p) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(p), w.mapToGlobal(p), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

// Presses at the first point, moves through the others in steps of at most 5 pixels, releases
// at the last.
void stroke(maskDlg& dlg, const QVector<QPoint>& path) {
    mouse(dlg, QEvent::MouseButtonPress, path.first());
    for (int i = 1; i < path.size(); ++i) {
        const QPoint from = path[i - 1];
        const QPoint to = path[i];
        const int steps =
            std::max(1, std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y())) / 5);
        for (int k = 1; k <= steps; ++k)
            mouse(dlg, QEvent::MouseMove, from + (to - from) * k / steps);
    }
    mouse(dlg, QEvent::MouseButtonRelease, path.last());
}

int maskedCount(const QImage& canvas) {
    int n = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            n += MaskBitmap::isMasked(canvas.pixel(x, y)) ? 1 : 0;
    return n;
}

const QRect kPicture(200, 150, MaskBitmap::kWidth, MaskBitmap::kHeight);

} // namespace

class MaskDlgTest : public QObject {
    Q_OBJECT

private slots:
    void strokeRecordKeepsEveryEntry();
    void clickLeavesARoundDot();
    void fastMoveLeavesNoGap();
    void eraseLeavesAlphaOne();
    void redrawRebuildsTheSameCanvas();
    void eraserAllEmptiesTheCanvas();
    void movesWithoutButtonAreNotRecorded();
};

void MaskDlgTest::strokeRecordKeepsEveryEntry() {
    maskDlg dlg;
    dlg.PrepareCanvas(kPicture);
    mouse(dlg, QEvent::MouseButtonPress, QPoint(50, 50));
    mouse(dlg, QEvent::MouseMove, QPoint(55, 50));
    mouse(dlg, QEvent::MouseMove, QPoint(60, 52));
    mouse(dlg, QEvent::MouseButtonRelease, QPoint(61, 52));
    dlg.slotEraserFree();
    stroke(dlg, {QPoint(10, 10), QPoint(14, 10)});

    const QVector<MaskStroke>& record = dlg.strokes();
    QCOMPARE(record.size(), 7);
    const int kinds[] = {1, 2, 2, 3, 1, 2, 3};
    for (int i = 0; i < record.size(); ++i) {
        QCOMPARE(record[i].kind, kinds[i]);
        QCOMPARE(record[i].width, 20);
        QCOMPARE(record[i].colour, i < 4 ? maskDlg::paintColour() : maskDlg::eraseColour());
    }
    QCOMPARE(QPointF(record[2].x, record[2].y), QPointF(60, 52));
    QCOMPARE(QPointF(record[3].x, record[3].y), QPointF(61, 52));
    QCOMPARE(dlg.strokeCount(), 2);
}

void MaskDlgTest::clickLeavesARoundDot() {
    maskDlg dlg;
    dlg.PrepareCanvas(kPicture);
    const QPoint p(100, 100);
    mouse(dlg, QEvent::MouseButtonPress, p);
    mouse(dlg, QEvent::MouseButtonRelease, p);

    const MaskStroke& end = dlg.strokes().last();
    QCOMPARE(end.kind, int(MaskStroke::End));
    QCOMPARE(QPointF(end.x, end.y), QPointF(100, 101));

    // A 20-pixel round pen: opaque within about 9 pixels, nothing beyond 11.
    const QImage& c = dlg.canvas();
    for (const QPoint d :
         {QPoint(0, 0), QPoint(8, 0), QPoint(-8, 0), QPoint(0, -8), QPoint(0, 9), QPoint(5, 5)})
        QVERIFY2(MaskBitmap::isMasked(c.pixel(p + d)),
                 qPrintable(QString("%1,%2").arg(d.x()).arg(d.y())));
    for (const QPoint d :
         {QPoint(11, 0), QPoint(-11, 0), QPoint(0, -11), QPoint(0, 12), QPoint(8, 8)})
        QCOMPARE(qAlpha(c.pixel(p + d)), 1);
    const int area = maskedCount(c);
    QVERIFY2(area > 280 && area < 380, qPrintable(QString::number(area)));
}

void MaskDlgTest::fastMoveLeavesNoGap() {
    maskDlg dlg;
    dlg.PrepareCanvas(kPicture);
    mouse(dlg, QEvent::MouseButtonPress, QPoint(20, 180));
    mouse(dlg, QEvent::MouseMove, QPoint(600, 180));
    mouse(dlg, QEvent::MouseButtonRelease, QPoint(600, 180));
    for (int x = 20; x <= 600; ++x)
        QVERIFY2(MaskBitmap::isMasked(dlg.canvas().pixel(x, 180)), qPrintable(QString::number(x)));
}

void MaskDlgTest::eraseLeavesAlphaOne() {
    maskDlg dlg;
    dlg.PrepareCanvas(kPicture);
    stroke(dlg, {QPoint(50, 100), QPoint(250, 100)});
    QVERIFY(MaskBitmap::isMasked(dlg.canvas().pixel(150, 100)));

    dlg.slotEraserFree();
    stroke(dlg, {QPoint(40, 100), QPoint(260, 100)});
    for (int x = 60; x <= 240; x += 10) {
        const QRgb pixel = dlg.canvas().pixel(x, 100);
        QCOMPARE(qAlpha(pixel), 1);
        QCOMPARE(qRed(pixel), 0);
    }
    QCOMPARE(maskedCount(dlg.canvas()), 0);

    dlg.slotDraw();
    QVERIFY(!dlg.isEraser());
}

void MaskDlgTest::redrawRebuildsTheSameCanvas() {
    maskDlg dlg;
    dlg.PrepareCanvas(kPicture);
    stroke(dlg, {QPoint(30, 30), QPoint(200, 60), QPoint(300, 300)});
    stroke(dlg, {QPoint(500, 100), QPoint(500, 100)});
    dlg.slotEraserFree();
    stroke(dlg, {QPoint(100, 20), QPoint(150, 120)});
    const QImage drawn = dlg.canvas().copy();
    QVERIFY(maskedCount(drawn) > 1000);

    dlg.canvas().fill(Qt::transparent);
    dlg.PrepareCanvas(kPicture);
    QCOMPARE(dlg.canvas(), drawn);
}

void MaskDlgTest::eraserAllEmptiesTheCanvas() {
    maskDlg dlg;
    dlg.PrepareCanvas(kPicture);
    stroke(dlg, {QPoint(30, 30), QPoint(200, 60)});
    dlg.canvas().setPixel(600, 300, qRgba(255, 0, 0, 255)); // as a received mask would

    dlg.slotEraserAll();
    QVERIFY(dlg.strokes().isEmpty());
    QCOMPARE(dlg.strokeCount(), 0);
    QCOMPARE(maskedCount(dlg.canvas()), 0);

    dlg.PrepareCanvas(kPicture);
    QCOMPARE(dlg.geometry(), kPicture);
    QCOMPARE(dlg.canvas().size(), kPicture.size());
    QCOMPARE(qAlpha(dlg.canvas().pixel(320, 180)), 1);
}

void MaskDlgTest::movesWithoutButtonAreNotRecorded() {
    maskDlg dlg;
    dlg.PrepareCanvas(kPicture);
    mouse(dlg, QEvent::MouseMove, QPoint(10, 10));
    mouse(dlg, QEvent::MouseButtonRelease, QPoint(10, 10));
    QVERIFY(dlg.strokes().isEmpty());
    QCOMPARE(dlg.strokeCount(), 0);
    QCOMPARE(maskedCount(dlg.canvas()), 0);
}

QTEST_MAIN(MaskDlgTest)
#include "test_maskdlg.moc"
