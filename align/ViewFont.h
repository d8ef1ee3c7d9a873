#pragma once

#include <QFont>
#include <QStringList>

// The alignment view's font family: "Tahoma" for every language but Korean, which needs a
// family with Hangul glyphs. The toolkit substitutes a similar family where "Tahoma" is not
// installed.
QString viewFontFamily(int languageIndex);

// The Korean family among the installed ones: "Malgun Gothic" where it exists, otherwise a
// common Linux Hangul family, otherwise any family that declares Korean support; empty when
// there is none, so that the view keeps its default font.
QString koreanViewFamily(const QStringList& installed, const QStringList& koreanCapable);
