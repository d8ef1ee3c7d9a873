#include "PanelFont.h"

namespace {

constexpr int kPointSize = 8;

} // namespace

QFont panelFont(int languageIndex) {
    if (languageIndex != kKoreanLanguageIndex)
        return QFont(QStringLiteral("Tahoma"), kPointSize);
    const QString family = installedKoreanFamily();
    // Without any Hangul family nothing renders the texts anyway; keep the panel's metrics.
    return QFont(family.isEmpty() ? QStringLiteral("Tahoma") : family, kPointSize);
}
