#pragma once

#include <QString>

// The alignment view's font family: "Tahoma" for every language but Korean, which needs a
// family with Hangul glyphs (empty when there is none, so that the view keeps its default
// font). The toolkit substitutes a similar family where "Tahoma" is not installed.
QString viewFontFamily(int languageIndex);
