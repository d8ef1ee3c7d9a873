#pragma once

#include <QByteArray>

// The size a picture file claims in its header, read without decoding it, so that a header
// claiming a huge picture is refused before any memory is spent on it. PNG, PNM (P1 to P6),
// BMP and JPEG; false for anything else or a header cut short.
bool readPictureSize(const QByteArray& head, int* width, int* height);
