// Renders the alignment view for docs/screenshots/:
//   tivora_align_screenshots <folder> [language id, default 7 = English]
// writes align-view.png (the view with a synthetic live picture) and align-mask.png (the same
// with the mask editor open and a stroke painted over a reflection), both 1920 x 1080.
#include "align/AlignmentDlg.h"
#include "align/maskDlg.h"
#include "language/LanguageTable.h"
#include "tests/support/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {

// What the camera sees of the alignment view on the wall: a dark room, the projected picture
// slightly in perspective with its thick frame and arrow marks, and a lamp's reflection.
QImage syntheticLivePicture() {
    QImage grey(640, 360, QImage::Format_Grayscale8);
    grey.fill(28);
    QPainter p(&grey);
    p.setRenderHint(QPainter::Antialiasing);
    const QPolygonF screen(
        {QPointF(92, 48), QPointF(556, 62), QPointF(538, 318), QPointF(104, 300)});
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 200));
    p.drawPolygon(screen);
    // The frame, about a twentieth of the picture inside its edges.
    const QPolygonF inner(
        {QPointF(110, 64), QPointF(538, 77), QPointF(521, 302), QPointF(121, 285)});
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(40, 40, 40), 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolygon(inner);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 90));
    p.drawPolygon(QPolygonF({QPointF(324, 55), QPointF(318, 66), QPointF(331, 66)}));
    p.drawPolygon(QPolygonF({QPointF(321, 309), QPointF(315, 298), QPointF(328, 298)}));
    // A lamp's reflection outside the picture: what the mask is for.
    QRadialGradient glow(QPointF(590, 320), 26);
    glow.setColorAt(0, QColor(255, 255, 255));
    glow.setColorAt(1, QColor(28, 28, 28));
    p.setBrush(glow);
    p.drawEllipse(QPointF(590, 320), 26, 26);
    p.end();
    return grey.convertToFormat(QImage::Format_RGB888);
}

void mouse(QWidget& w, QEvent::Type type, QPoint pos) {
    QMouseEvent e(type, QPointF(pos), w.mapToGlobal(pos), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

bool renderAlignment(const QDir& dir, const LanguageTable& text) {
    AlignmentDlg view(&text);
    view.setOpeningPause(0);
    view.SetFWVersion(QStringLiteral("1.0.14"));
    view.SetAlignmentDisplay(true);
    view.showOnMonitor();
    view.imageLabel()->setPixmap(QPixmap::fromImage(syntheticLivePicture()));
    bool ok = screenshots::save(view.grab().toImage(), dir, QStringLiteral("align-view.png"));

    view.findChild<QPushButton*>(QStringLiteral("pushB"))->click();
    maskDlg& editor = *view.maskEditor();
    mouse(editor, QEvent::MouseButtonPress, QPoint(566, 300));
    for (int i = 1; i <= 12; ++i)
        mouse(editor, QEvent::MouseMove, QPoint(566 + 4 * i, 300 + (i % 4) * 3));
    for (int i = 1; i <= 12; ++i)
        mouse(editor, QEvent::MouseMove, QPoint(614 - 4 * i, 318 + (i % 4) * 3));
    for (int i = 1; i <= 12; ++i)
        mouse(editor, QEvent::MouseMove, QPoint(566 + 4 * i, 336 + (i % 4) * 2));
    mouse(editor, QEvent::MouseButtonRelease, QPoint(614, 342));

    // The editor paints over the picture inside the view.
    ok = screenshots::save(view.grab().toImage(), dir, QStringLiteral("align-mask.png")) && ok;
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    return screenshots::run(argc, argv, "tivora_align_screenshots", renderAlignment);
}
