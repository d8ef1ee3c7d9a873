#pragma once

#include <QString>
#include <cstdint>

// The text of one packet's log line, without the time prefix. `packet` is a whole
// 512-byte packet; an empty text means the line carries the time alone.
QString packetLogText(const uint8_t* packet);

// Text the module sent (its serial number), fit for one log line: control characters and the
// backslash are written as escapes, so no newline or terminal sequence reaches the log.
QString escapedModuleText(const QString& text);

// Writes the packet's line, prefixed with the time "HH:mm:ss.zzz", to the debug log.
void PrintPacket(const uint8_t* packet);
