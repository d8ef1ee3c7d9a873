#pragma once

#include <QString>

class LanguageTable;

// The success screen's hint with several monitors: map the module's touch input to the
// projector's output. It names the input device when the module's name is known (empty when
// not), quoted as xinput wants it.
QString touchMappingHint(const LanguageTable& text, const QString& output,
                         const QString& inputDevice);
