#include "AlignmentLayout.h"

namespace {

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 360;
constexpr int kNarrowDisplay = 1280;

} // namespace

AlignmentLayout alignmentLayout(int w, int h, double d) {
    const auto s = [d](int design) { return static_cast<int>(design * d); };
    AlignmentLayout out;

    out.label =
        QRect(w / 2 - kPictureWidth / 2, h / 2 - kPictureHeight / 2, kPictureWidth, kPictureHeight);
    const int e = s(130);
    const int f = s(30);
    out.pushButton = QRect(w / 2 - e / 2, h - s(90) - f, e, f);

    int m = 0;
    int l = 0;
    if (w < kNarrowDisplay) {
        m = w / 2 - s(230) / 2;
        l = h / 2 + s(5) + kPictureHeight / 2;
    } else {
        m = w / 2 + s(5) + kPictureWidth / 2;
        l = h / 2 - kPictureHeight / 2;
    }
    out.frame = QRect(m, l, s(230), s(70));
    out.pushB = QRect(m + s(11), l + s(9), s(14), s(20));
    out.label_7 = QRect(m + s(14), l + s(7), s(191), s(20));
    out.slider = QRect(m + s(15), l + s(30), s(150), s(25));
    out.number = QRect(m + s(180), l + s(30), s(45), s(25));

    out.frameMask = QRect(m, l + s(90), s(230), s(90));
    out.labelMask = QRect(m + s(5), l + s(97), s(220), s(20));
    out.pushButtonDraw = QRect(m + s(10), l + s(127), s(64), s(40));
    out.pushButtonEraser = QRect(m + s(83), l + s(127), s(64), s(40));
    out.pushButtonEraserAll = QRect(m + s(156), l + s(127), s(64), s(40));

    out.borderPenWidth = s(50);
    out.border = QRect(s(50), s(50), w - s(100), h - s(100));
    out.topArrow =
        QPolygon({QPoint(w / 2, 0), QPoint(w / 2 - s(12), s(25)), QPoint(w / 2 + s(12), s(25))});
    out.bottomArrow = QPolygon(
        {QPoint(w / 2, h), QPoint(w / 2 - s(12), h - s(25)), QPoint(w / 2 + s(12), h - s(25))});
    return out;
}
