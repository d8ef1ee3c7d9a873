#pragma once

#include <QtGlobal>

struct AlignmentLayout;
class QFont;
class QFrame;
class QLabel;
class QLCDNumber;
class QPushButton;
class QSlider;
class QWidget;

// The alignment view's widgets, all direct children of the view and positioned by it.
struct AlignmentForm {
    QLabel* label = nullptr;
    QPushButton* pushButton = nullptr;
    QFrame* frame = nullptr;
    QLabel* label_7 = nullptr;
    QSlider* hSlideAlignmentViewGain = nullptr;
    QLCDNumber* numObjAlignmentViewGain = nullptr;
    QPushButton* pushB = nullptr;
    QFrame* frameMask = nullptr;
    QLabel* labelMask = nullptr;
    QPushButton* pushButtonDraw = nullptr;
    QPushButton* pushButtonEraser = nullptr;
    QPushButton* pushButtonEraserAll = nullptr;

    void setupUi(QWidget* view);
    void place(const AlignmentLayout& layout);
    void setMaskToolsVisible(bool visible);
    // Shrinks the font of the texts that would not fit their widgets (long translations, or a
    // substitute family wider than the one the view was designed with).
    void fitTexts(const QFont& base);
};
