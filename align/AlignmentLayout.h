#pragma once

#include <QPolygon>
#include <QRect>

// Where the alignment view puts its parts on a display of width w and height h with scale
// factor d. Design sizes are multiplied by d and truncated; the camera picture keeps its
// 640 x 360 pixels so that it maps one to one onto the mask bitmap.
struct AlignmentLayout {
    QRect label;
    QRect pushButton;
    // Brightness box and its members.
    QRect frame;
    QRect pushB;
    QRect label_7;
    QRect slider;
    QRect number;
    // Mask tools.
    QRect frameMask;
    QRect labelMask;
    QRect pushButtonDraw;
    QRect pushButtonEraser;
    QRect pushButtonEraserAll;
    // What the view paints: the frame the camera should see and the two arrow marks.
    int borderPenWidth = 0;
    QRect border;
    QPolygon topArrow;
    QPolygon bottomArrow;
};

// Below 1280 pixels of width the tools go under the picture, otherwise to its right.
AlignmentLayout alignmentLayout(int w, int h, double d);
