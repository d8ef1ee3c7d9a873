#pragma once

#include <QLoggingCategory>

// One logging category per subsystem, so that QT_LOGGING_RULES (or --quiet) chooses what the
// log shows; the lines read as they always did. All are on by default.
Q_DECLARE_LOGGING_CATEGORY(lcApp)     // tivora.app: start, settings, the panel
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)  // tivora.update: the update check
Q_DECLARE_LOGGING_CATEGORY(lcDevice)  // tivora.device: the link, its transports and pictures
Q_DECLARE_LOGGING_CATEGORY(lcPackets) // tivora.device.packets: one line per packet
Q_DECLARE_LOGGING_CATEGORY(lcCalib)   // tivora.calib: the controller and the calibration window
Q_DECLARE_LOGGING_CATEGORY(lcCompute) // tivora.compute: recognition and fitting
Q_DECLARE_LOGGING_CATEGORY(lcAlign)   // tivora.align: the alignment view and the mask editor
Q_DECLARE_LOGGING_CATEGORY(lcSim)     // tivora.sim: the virtual module and desktop
