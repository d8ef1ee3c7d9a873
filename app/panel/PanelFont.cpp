#include "PanelFont.h"

#include <QFontDatabase>

namespace {

constexpr int kPointSize = 8;

} // namespace

QString koreanFamily(const QStringList& installed, const QStringList& koreanCapable) {
    // "Malgun Gothic" first, as on the desktop this panel was designed for; then the families
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
    return koreanCapable.isEmpty() ? QString() : koreanCapable.first();
}

QFont panelFont(int languageIndex) {
    if (languageIndex != kKoreanLanguageIndex)
        return QFont(QStringLiteral("Tahoma"), kPointSize);
    const QFontDatabase db;
    const QString family = koreanFamily(db.families(), db.families(QFontDatabase::Korean));
    // Without any Hangul family nothing renders the texts anyway; keep the panel's metrics.
    return QFont(family.isEmpty() ? QStringLiteral("Tahoma") : family, kPointSize);
}
