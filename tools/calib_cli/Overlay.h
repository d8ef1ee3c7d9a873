#pragma once

#include "OfflineCalibration.h"

#include <QString>

// The normalised pattern image in colour with each found centre (untweaked) marked by a cross
// and its position number. False when the file cannot be written.
bool writeOverlay(const QString& path, const OfflineResult& result);
