#pragma once

#include <QString>

// The update window's texts: section "AutoUpdate" (keys 2100 to 2106) of the program's
// language file ":/Language/l_<code>". The component reads them from the resources of the
// program that loaded it; a text that is not there falls back to English.
struct UpdateTexts {
    QString checking;      // 2100
    QString downloading;   // 2101
    QString progressTitle; // 2102
    QString verifying;     // 2103
    QString complete;      // 2104
    QString failed;        // 2105
    QString cancel;        // 2106
    bool bRightToLeft = false;

    static UpdateTexts forLanguage(const QString& languageCode);
};
