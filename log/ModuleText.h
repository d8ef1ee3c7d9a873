#pragma once

#include <QString>

// Text a module reported (its serial number, firmware version, device name), fit to be shown
// on one line: only printable characters are kept, so no control character, line break or
// terminal sequence reaches a label or a message.
QString printableModuleText(const QString& text);
