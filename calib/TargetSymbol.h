#pragma once

#include <QColor>
#include <QPixmap>

// The manual target symbol with its three progress rings. The rings lie over the white rings
// of the ":/TivoraRes/pen1" artwork; they fill in red while the pen is held on the target.

// The artwork, or a transparent 113 x 113 picture when the resource is missing.
QPixmap targetSymbolPicture();

// base with the three rings drawn as arcs from three o'clock, counter-clockwise, sweeping
// sweepDegrees (360 or more: full circles).
QPixmap targetSymbolWithRings(const QPixmap& base, int sweepDegrees, const QColor& color);
