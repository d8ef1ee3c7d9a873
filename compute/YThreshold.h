#pragma once

#include "compute/ProjectionModel.h"

// The lowest camera row (largest y of the 1280 x 720 capture) that still has a pixel mapping
// into the top 30 % band of the window: 0 <= X < windowWidth, 0 <= Y < windowHeight * 0.3.
// Returns -1 when no camera pixel maps into the band.
int calcYThreshold(const ProjectionParams& tp, int windowWidth, int windowHeight);

// The same by its plain definition: every pixel in row order, no early exit. The reference that
// calcYThreshold is checked and timed against.
int calcYThresholdFullScan(const ProjectionParams& tp, int windowWidth, int windowHeight);
