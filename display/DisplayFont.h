#pragma once

#include <QString>
#include <QStringList>

// Language index of Korean, the one language whose windows need a font of their own.
constexpr int kKoreanLanguageIndex = 14;

// The windows' font family for a language: "Tahoma" for every language but Korean, which
// needs a family with Hangul glyphs (empty when none is installed). The toolkit substitutes a
// similar family where "Tahoma" is not installed.
QString displayFontFamily(int languageIndex);

// The Korean family among the installed ones: "Malgun Gothic" where it exists, otherwise a
// common Linux Hangul family, otherwise any family that declares Korean support; empty when
// there is none.
QString koreanFamily(const QStringList& installed, const QStringList& koreanCapable);

// The same, from the fonts installed on this machine.
QString installedKoreanFamily();
