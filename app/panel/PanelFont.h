#pragma once

#include "display/DisplayFont.h"

#include <QFont>

// The font of the main panel for a language: "Tahoma" for every language but Korean, which
// needs a family with Hangul glyphs ("Tahoma" again when there is none).
QFont panelFont(int languageIndex);
