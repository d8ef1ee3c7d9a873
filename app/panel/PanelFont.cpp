#include "PanelFont.h"

namespace {

constexpr int kPointSize = 8;

} // namespace

QFont panelFont(int languageIndex) {
    const QString family = displayFontFamily(languageIndex);
    // Without any Hangul family nothing renders the texts anyway; keep the panel's metrics.
    return QFont(family.isEmpty() ? QStringLiteral("Tahoma") : family, kPointSize);
}
