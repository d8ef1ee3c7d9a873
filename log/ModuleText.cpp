#include "log/ModuleText.h"

QString printableModuleText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.isPrint())
            out += c;
    }
    return out;
}
