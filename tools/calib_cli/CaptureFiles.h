#pragma once

#include <QString>
#include <opencv2/core/mat.hpp>

// Reads a capture file as 8-bit grey. On failure returns false with a one-line reason in
// error: missing or unreadable file, or a picture that is not 1280 x 720.
bool readCapture(const QString& path, cv::Mat& out, QString& error);
