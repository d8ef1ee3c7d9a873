#pragma once

#include "compute/TargetLayout.h"

class QPainter;

// The automatic-calibration pattern: 20 positions in 4 rows of 5, markers on the inner 3 x 3
// block, discs on the outer row and the two side columns. ceiling turns the numbering by 180
// degrees, rear mirrors it left to right (and mirrors the marker grids, because a rear
// projection screen is seen from behind).

// The position number shown at drawing row r, column c.
int patternPositionNumber(int r, int c, int ceiling, int rear);

// Paints the whole w x h pattern with its centres at pts[5 x row + column].
void paintPattern(QPainter& painter, int w, int h, int ceiling, int rear, const TargetPoints& pts);

// The same with the standard pattern points of a w x h window.
void paintPattern(QPainter& painter, int w, int h, int ceiling, int rear);
