#pragma once

#include <QRect>
#include <array>

// Where the calibration targets sit in a window of W x H pixels. Pure geometry: the window,
// the offline computation and the benchmark all take their points from here.
//
// Conventions: window pixels, origin top-left, x to the right, y down; a point names the
// centre of its target. rnd(v) is floor(v + 0.5), halves go up.

struct TargetPoint {
    float x = 0.f;
    float y = 0.f;
};

constexpr int kTargetSlots = 25;   // every point table has room for 25
constexpr int kPatternPoints = 20; // automatic pattern and tuning: 4 rows of 5
constexpr int kManualPoints = 16;  // manual calibration: 4 columns of 4
constexpr int kCheckPoints = 9;    // accuracy check: 3 rows of 3
constexpr int kPatternColumns = 5;
constexpr int kPatternRows = 4;
constexpr int kTargetSymbolSize = 113;

using TargetPoints = std::array<TargetPoint, kTargetSlots>;

struct MarkerSizes {
    int big = 0;
    int small = 0;
};

int roundHalfUp(double v);

// Disc radii of the pattern; the marker cells derive from `big` as well.
MarkerSizes markerSizes(int w, int h);

// Distance of the outer targets from the window edge.
double targetMargin(int w, int h);

// bAuto: the 20 pattern positions, index 5 x row + column, on whole pixels (the middle column
// on w / 2). Otherwise the 16 manual targets, index 4 x column + row, with their fractions.
// Unused slots are (0, 0).
TargetPoints targetPoints(int w, int h, bool bAuto);

// The pattern points reordered so that they are visited column by column: the point in row r,
// column c moves to index 4 x c + r.
TargetPoints tuningOrder(const TargetPoints& pattern);

// The accuracy check's 9 points, row by row, on whole pixels and none of them a calibration
// target: the four corners outside the calibration grid (halfway between the window's edge
// and the outer targets), the window's centre and four points halfway between calibration
// rows or columns. Measuring there shows how the fit does away from the points it was made to
// match.
std::array<TargetPoint, kCheckPoints> checkPoints(int w, int h);

// The 113 x 113 rectangle the target symbol occupies when centred on p.
QRect targetRect(const TargetPoint& p);
