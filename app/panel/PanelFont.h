#pragma once

#include <QFont>
#include <QStringList>

// Language index of Korean, the one language with a font of its own.
constexpr int kKoreanLanguageIndex = 14;

// The font of the main panel for a language: "Tahoma" for every language but Korean, which
// needs a family with Hangul glyphs (see koreanFamily; "Tahoma" again when there is none).
QFont panelFont(int languageIndex);

// The Korean family among the installed ones: "Malgun Gothic" where it exists, otherwise a
// common Linux Hangul family, otherwise any family that declares Korean support; empty when
// there is none.
QString koreanFamily(const QStringList& installed, const QStringList& koreanCapable);
