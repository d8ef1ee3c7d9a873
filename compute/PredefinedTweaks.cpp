#include "compute/ProjectionModel.h"
#include "compute/TweakTable.h"

// Measured differences between the centre of a drawn mark as the camera sees it and the point
// the device reports for the pen on that mark. Positions 20 to 24 are always 0.
namespace {

constexpr PredefinedTweak kShortThrowPen0{
    {-2.84, -1.55, -0.85, -0.7, 0.85, -2.32, -1.48, -0.51, 0.13, 1.31,
     -3.16, -1.53, -0.46, 0.31, 1.32, -3.53, -1.17, -0.4,  0.33, 1.61},
    {-0.62, -0.37, -0.45, -0.43, -0.48, 0.13, -0.07, 0.39, 0.57, -0.49,
     0.54,  1.11,  1.06,  1.22,  0.71,  1.67, 2.01,  2.28, 2.13, 1.45}};

constexpr PredefinedTweak kShortThrowPen1{
    {-2.26, -1.39, -0.16, 0.07, 0.95, -3,    -0.79, 1.19, 0.28, 0.67,
     -2.5,  -2.05, -0.5,  0.24, 1.15, -3.09, -1.56, 0.47, 0.35, 1.17},
    {-0.37, -0.56, -0.83, -1.38, -0.2,  0.14, 0.44, -0.53, 0.25, -0.13,
     0.09,  1.09,  1.12,  -0.01, -1.15, 2.16, 0.58, -0.18, -0.4, -0.25}};

constexpr PredefinedTweak kUltraShortPen0{
    {-2.4,  -1.24, -0.73, -0.16, 0.39, -1.84, -1.69, -1.31, -0.7,  0.22,
     -2.01, -1.45, -1.19, -0.93, 0.32, -2.81, -1.38, -0.86, -0.36, 0.8},
    {-0.07, -0.16, -0.1, 0.05, 0.02, -0.26, -0.21, -0.4, -0.49, 0.07,
     0.05,  0.14,  0.24, 0.16, 0.07, 0.49,  0.2,   0.62, 0.47,  0.34}};

constexpr PredefinedTweak kUltraShortPen1{
    {-2.4,  -1.24, -0.73, -0.16, 0.39, -1.84, -1.69, -1.31, -0.7,  0.22,
     -2.01, -1.45, -1.19, -0.93, 0.32, -2.81, -1.38, -0.86, -0.36, 0.8},
    {0.3,  0.2,  0.12, 0.12, 0.16, 0.2,  0.16, 0.1,  0.1,  0.12,
     0.05, 0.14, 0.24, 0.16, 0.07, 0.49, 0.2,  0.62, 0.47, 0.34}};

constexpr PredefinedTweak kUltraShortOldFirmware{
    {-3.55, -2.28, -0.51, 0.11, 1.22, -3.69, -2.4, -0.15, 1.08, 1.78,
     -4.37, -2.16, -0.04, 0.48, 2.3,  -4.7,  -1.4, 0.11,  0.6,  3.43},
    {-0.84, -1.25, -1.42, -0.97, -1.05, -0.3, -0.39, -0.27, -0.47, -0.48,
     0.1,   0.29,  0.28,  -0.15, 0.38,  1.14, 1.28,  1.55,  1.2,   1.16}};

constexpr PredefinedTweak kOtherLens{
    {-1.83, -1.32, -0.53, -0.55, 0.34, -2.1,  -0.35, -1.15, -0.68, 0.51,
     -2.22, -0.62, -1.32, -0.78, 0.2,  -1.79, 0.03,  -1.21, -0.48, 0.36},
    {-0.07, 0.34, 0.55, 0.46, -0.08, 0.9,  0.96, 1.02, 0.65, 0.28,
     0.67,  0.94, 1.6,  1.28, 0.52,  0.91, 2.16, 2.19, 2.63, 1.42}};

// The old ultra-short firmware and unknown lenses use one table for both pens.
struct PenTables {
    const PredefinedTweak* pen0;
    const PredefinedTweak* pen1;
};

PenTables tablesForLens(int lensType, int fwLower) {
    switch (lensType) {
    case 2:
    case 4:
        return {&kShortThrowPen0, &kShortThrowPen1};
    case 3:
        if (fwLower >= kNewUltraShortFirmware)
            return {&kUltraShortPen0, &kUltraShortPen1};
        return {&kUltraShortOldFirmware, &kUltraShortOldFirmware};
    default:
        return {&kOtherLens, &kOtherLens};
    }
}

} // namespace

const PredefinedTweak* predefinedTweak(int lensType, int penType, int fwLower) {
    const PenTables tables = tablesForLens(lensType, fwLower);
    switch (penType) {
    case 0:
        return tables.pen0;
    case 1:
        return tables.pen1;
    default:
        return nullptr;
    }
}
