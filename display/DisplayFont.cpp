#include "display/DisplayFont.h"

#include <QFontDatabase>

QString displayFontFamily(int languageIndex) {
    if (languageIndex != kKoreanLanguageIndex)
        return QStringLiteral("Tahoma");
    return installedKoreanFamily();
}

QString koreanFamily(const QStringList& installed, const QStringList& koreanCapable) {
    // "Malgun Gothic" first, as on the desktop the windows were designed for; then the families
    // Debian and most distributions ship for Hangul (fonts-noto-cjk, fonts-nanum, fonts-unfonts).
    static const QStringList preferred = {
        QStringLiteral("Malgun Gothic"), QStringLiteral("Noto Sans CJK KR"),
        QStringLiteral("Noto Sans KR"),  QStringLiteral("NanumGothic"),
        QStringLiteral("UnDotum"),       QStringLiteral("Baekmuk Gulim"),
    };
    for (const QString& family : preferred) {
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return koreanCapable.value(0);
}

QString installedKoreanFamily() {
    const QFontDatabase db;
    return koreanFamily(db.families(), db.families(QFontDatabase::Korean));
}
