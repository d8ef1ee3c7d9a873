#include "AlignmentForm.h"

#include "AlignmentLayout.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLCDNumber>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace {

const char* const kBoxStyle = "border: 1px solid rgb(220, 220, 220);";
constexpr double kSmallestPointSize = 6.0;

QFont fitted(const QWidget* w, const QString& text, int padding, const QFont& base) {
    QFont font = base;
    const int room = w->width() - padding;
    while (font.pointSizeF() > kSmallestPointSize &&
           QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    return font;
}

template <typename W> W* make(QWidget* parent, const char* name) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

void AlignmentForm::setupUi(QWidget* view) {
    // Created back to front: the boxes first, so that their members lie on top of them.
    label = make<QLabel>(view, "label");
    // No frame: the picture's pixels must line up with the mask editor laid over the label.
    label->setFrameShape(QFrame::NoFrame);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->resize(640, 360);

    pushButton = make<QPushButton>(view, "pushButton");

    frame = make<QFrame>(view, "frame");
    frame->setStyleSheet(QString::fromLatin1(kBoxStyle));
    label_7 = make<QLabel>(view, "label_7");
    label_7->setText(QStringLiteral("BRIGHTNESS"));
    label_7->setAlignment(Qt::AlignCenter);
    hSlideAlignmentViewGain = make<QSlider>(view, "hSlideAlignmentViewGain");
    hSlideAlignmentViewGain->setOrientation(Qt::Horizontal);
    hSlideAlignmentViewGain->setRange(0, 9);
    hSlideAlignmentViewGain->setPageStep(1);
    numObjAlignmentViewGain = make<QLCDNumber>(view, "numObjAlignmentViewGain");
    numObjAlignmentViewGain->setDigitCount(1);
    numObjAlignmentViewGain->setSegmentStyle(QLCDNumber::Flat);
    // Above the caption, which would otherwise take its clicks.
    pushB = make<QPushButton>(view, "pushB");
    pushB->setFlat(true);
    pushB->setFocusPolicy(Qt::NoFocus);
    // See-through as designed, with an outline under the mouse so that it can be found.
    pushB->setStyleSheet(QStringLiteral("QPushButton { background-color:rgba(246, 246, 246, 0); }"
                                        "QPushButton:hover { border: 1px solid #808080; }"));

    frameMask = make<QFrame>(view, "frameMask");
    frameMask->setStyleSheet(QString::fromLatin1(kBoxStyle));
    labelMask = make<QLabel>(view, "labelMask");
    pushButtonDraw = make<QPushButton>(view, "pushButtonDraw");
    pushButtonDraw->setCheckable(true);
    pushButtonEraser = make<QPushButton>(view, "pushButtonEraser");
    pushButtonEraser->setCheckable(true);
    pushButtonEraserAll = make<QPushButton>(view, "pushButtonEraserAll");
    setMaskToolsVisible(false);
}

void AlignmentForm::place(const AlignmentLayout& layout) {
    label->setGeometry(layout.label);
    pushButton->setGeometry(layout.pushButton);
    frame->setGeometry(layout.frame);
    pushB->setGeometry(layout.pushB);
    label_7->setGeometry(layout.label_7);
    hSlideAlignmentViewGain->setGeometry(layout.slider);
    numObjAlignmentViewGain->setGeometry(layout.number);
    frameMask->setGeometry(layout.frameMask);
    labelMask->setGeometry(layout.labelMask);
    pushButtonDraw->setGeometry(layout.pushButtonDraw);
    pushButtonEraser->setGeometry(layout.pushButtonEraser);
    pushButtonEraserAll->setGeometry(layout.pushButtonEraserAll);
}

void AlignmentForm::setMaskToolsVisible(bool visible) {
    for (QWidget* w :
         {static_cast<QWidget*>(frameMask), static_cast<QWidget*>(labelMask),
          static_cast<QWidget*>(pushButtonDraw), static_cast<QWidget*>(pushButtonEraser),
          static_cast<QWidget*>(pushButtonEraserAll)})
        w->setVisible(visible);
}

void AlignmentForm::fitTexts(const QFont& base) {
    const int labelPadding = 2;
    const int buttonPadding = 8;
    labelMask->setFont(fitted(labelMask, labelMask->text(), labelPadding, base));
    label_7->setFont(fitted(label_7, label_7->text(), labelPadding, base));
    pushButton->setFont(fitted(pushButton, pushButton->text(), buttonPadding, base));
    // The three tools side by side share one size.
    QFont tools = base;
    for (QPushButton* b : {pushButtonDraw, pushButtonEraser, pushButtonEraserAll}) {
        const QFont f = fitted(b, b->text(), buttonPadding, base);
        if (f.pointSizeF() < tools.pointSizeF())
            tools = f;
    }
    for (QPushButton* b : {pushButtonDraw, pushButtonEraser, pushButtonEraserAll})
        b->setFont(tools);
}
