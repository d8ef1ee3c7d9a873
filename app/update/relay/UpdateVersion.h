#pragma once

#include <QString>

// Versions are dotted decimal numbers ("1.0.1.8"), compared part by part; missing trailing
// parts count as 0, so "1.2" equals "1.2.0.0".
namespace update_version {

bool isValid(const QString& version);
// False when either text is not a valid version: a version that cannot be read is never newer.
bool isNewer(const QString& candidate, const QString& current);

} // namespace update_version
