#pragma once

#include "display/KqUtils.h"

#include <QDateTime>
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
// The user's own state folder: $XDG_STATE_HOME/tivora (an absolute XDG_STATE_HOME only), else
// ~/.local/state/tivora. The accuracy check's reports and the log go there: the settings folder
// is shared and may not be the user's to write.
QString stateFolder();
// One report per check in that folder, named by its local date and time and the monitor
// checked, so that installers keep a record per room: "accuracy-check-2026-01-02-030405-
// HDMI-1.json". The monitor name keeps letters, digits, '-', '_' and '.' only.
QString accuracyReportPath(const QDateTime& time, const QString& monitor);
// Writes the report (a regular file, never through a link), making its folder when missing;
// false with the reason in `reason` (and logged).
bool writeAccuracyReport(const QString& path, const QByteArray& json, QString* reason);
Values readConfig();
// Rewrites the file in place with the program's own keys only; an empty screen choice writes
// no CalibrationScreen keys.
void writeConfig(int languageIndex, int penSelection,
                 const ScreenChoice& calibrationScreen = ScreenChoice());

} // namespace settings
