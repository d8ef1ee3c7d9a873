#include "app/TouchMappingHint.h"

#include "app/language/LanguageTable.h"

namespace {

// Entries of the screen choice texts.
constexpr int kTextUnnamedDevice = 3;
constexpr int kTextNamedDevice = 5;

} // namespace

QString touchMappingHint(const LanguageTable& text, const QString& output,
                         const QString& inputDevice) {
    if (inputDevice.isEmpty())
        return text.textSC(kTextUnnamedDevice).arg(output);
    // Both at once, so that a "%1" in the module's name stays text.
    return text.textSC(kTextNamedDevice)
        .arg(output, QLatin1Char('"') + inputDevice + QLatin1Char('"'));
}
