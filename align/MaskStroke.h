#pragma once

#include <QColor>

// One entry of the mask editor's stroke record, enough to paint the stroke again.
struct MaskStroke {
    enum Kind { Start = 1, Point = 2, End = 3 };

    int kind = Start;
    int width = 0;
    QColor colour;
    double x = 0.0;
    double y = 0.0;
};
