#pragma once

#include <QImage>

// The three screens of automatic calibration as the calibration window paints them, in window
// pixels: black, white, and the pattern of discs and markers at the standard target points.
QImage blackScreen(int width, int height);
QImage whiteScreen(int width, int height);
QImage patternScreen(int width, int height, int ceiling = 0, int rear = 0);
