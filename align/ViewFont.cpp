#include "ViewFont.h"

#include <QFontDatabase>

namespace {

constexpr int kKoreanIndex = 14;

} // namespace

QString koreanViewFamily(const QStringList& installed, const QStringList& koreanCapable) {
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

QString viewFontFamily(int languageIndex) {
    if (languageIndex != kKoreanIndex)
        return QStringLiteral("Tahoma");
    const QFontDatabase db;
    return koreanViewFamily(db.families(), db.families(QFontDatabase::Korean));
}
