#pragma once

#include "calib/AccuracyCheck.h"
#include "calib/ScreenCanvas.h"

// The accuracy check's two screens: the one under its targets, and the summary that marks
// every touch against its target, rings the worst and gives the figures and the verdict.
void paintCheckScreen(QPainter& painter, const ScreenCanvas& canvas, bool afterCalibration);
// note: a line below the verdict (a report that could not be written); empty for none.
void paintCheckSummary(QPainter& painter, const ScreenCanvas& canvas, const AccuracyCheck& check,
                       const QString& note);
