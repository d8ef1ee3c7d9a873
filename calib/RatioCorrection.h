#pragma once

#include <QPoint>

// The coordinate-ratio correction from two injected touches. The module touched device points
// (1000, 1000) and (3800, 2000) on its 4800 x 3000 grid; where they landed on the W x H window
// tells whether one axis is stretched.
struct RatioCorrection {
    int mode = 0; // 0 none, 1 x, 2 y
    double value = 0.0;
};

RatioCorrection computeRatioCorrection(const QPoint touched[2], int windowWidth, int windowHeight);
