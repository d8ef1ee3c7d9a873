#pragma once

#include "OfflineCalibration.h"

#include <QString>
#include <QStringList>

// The command line of tivora-calib.
struct CalibCommand {
    QString black, white, pattern;
    QString overlay;
    bool json = false;
    bool help = false;
    OfflineOptions options;
};

// Fills cmd from the arguments (program name first). On bad input returns false with a
// one-line reason in error. A tweak FILE is read here: 20 lines of "dx dy".
bool parseCalibCommand(const QStringList& arguments, CalibCommand& cmd, QString& error);

QString calibUsage();
