#include "ViewFont.h"

#include "calib/KoreanFont.h"

QString viewFontFamily(int languageIndex) {
    if (languageIndex != kKoreanLanguageIndex)
        return QStringLiteral("Tahoma");
    return installedKoreanFamily();
}
