#pragma once

#include "calib/display/KqUtils.h"

#include <QString>

// The settings file "config.ini", shared by all users of the machine: the base folder is
// TIVORA_CONFIG_DIR when set, else /var/lib, followed by "/CORVAN/Tivora/". Any user may write
// it, so it is read as untrusted text and only the program's own keys are kept.
namespace settings {

struct Values {
    int languageId = -1; // 1-based; -1 when none (or none in range) is stored
    int penSelection = 0;
    // The monitor to calibrate; empty: the leftmost.
    ScreenChoice calibrationScreen;
};

QString configFilePath();
// The accuracy check's report, "accuracy-check.json" in the settings file's folder.
QString accuracyReportPath();
// Writes the report (a regular file, never through a link); false with the reason logged.
bool writeAccuracyReport(const QString& path, const QByteArray& json);
Values readConfig();
// Rewrites the file in place with the program's own keys only; an empty screen choice writes
// no CalibrationScreen keys.
void writeConfig(int languageIndex, int penSelection,
                 const ScreenChoice& calibrationScreen = ScreenChoice());

} // namespace settings
