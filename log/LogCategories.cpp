#include "log/LogCategories.h"

Q_LOGGING_CATEGORY(lcApp, "tivora.app")
Q_LOGGING_CATEGORY(lcUpdate, "tivora.update")
Q_LOGGING_CATEGORY(lcDevice, "tivora.device")
Q_LOGGING_CATEGORY(lcPackets, "tivora.device.packets")
Q_LOGGING_CATEGORY(lcCalib, "tivora.calib")
Q_LOGGING_CATEGORY(lcCompute, "tivora.compute")
Q_LOGGING_CATEGORY(lcAlign, "tivora.align")
Q_LOGGING_CATEGORY(lcSim, "tivora.sim")
