#pragma once

#include "sim/ModuleState.h"

#include <QString>

// The file that stands for the module's non-volatile memory: the 8-byte tag "TVSIMNV1", the
// 400-byte stored record and the 28,801-byte mask.
constexpr int kModuleStoreBytes = 8 + kRecordBytes + kMaskBytes;

// Fills the record and the mask, and the options the record carries (ceiling, rear, finger,
// lens at offsets 112 to 115). On failure leaves stored alone and gives a one-line reason.
bool readModuleStore(const QString& path, StoredState* stored, QString* error);

// Replaces the file in one step, so a crash never leaves half a store behind.
bool writeModuleStore(const QString& path, const StoredState& stored, QString* error);
