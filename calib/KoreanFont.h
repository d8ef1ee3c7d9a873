#pragma once

#include <QString>
#include <QStringList>

// Language index of Korean, the one language whose windows need a font of their own.
constexpr int kKoreanLanguageIndex = 14;

// The Korean family among the installed ones: "Malgun Gothic" where it exists, otherwise a
// common Linux Hangul family, otherwise any family that declares Korean support; empty when
// there is none.
QString koreanFamily(const QStringList& installed, const QStringList& koreanCapable);

// The same, from the fonts installed on this machine.
QString installedKoreanFamily();
