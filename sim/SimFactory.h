#pragma once

#include "device/Transport.h"

#include <QString>
#include <memory>

// The virtual module for `--device sim:PROFILE`. An empty path gives the built-in profile.
// Returns nullptr with a one-line reason in error when the profile cannot be used.
std::unique_ptr<Transport> makeSimTransport(const QString& profilePath, QString* error);
