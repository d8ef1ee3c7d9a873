#include "CaptureFiles.h"

#include <QFileInfo>
#include <opencv2/imgcodecs.hpp>

namespace {
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
} // namespace

bool readCapture(const QString& path, cv::Mat& out, QString& error) {
    const QFileInfo info(path);
    if (!info.exists()) {
        error = QStringLiteral("%1: no such file").arg(path);
        return false;
    }
    if (!info.isFile() || !info.isReadable()) {
        error = QStringLiteral("%1: cannot be read").arg(path);
        return false;
    }
    cv::Mat img = cv::imread(path.toStdString(), cv::IMREAD_GRAYSCALE);
    if (img.empty()) {
        error = QStringLiteral("%1: not a picture OpenCV can read").arg(path);
        return false;
    }
    if (img.cols != kWidth || img.rows != kHeight) {
        error = QStringLiteral("%1: picture is %2 x %3, expected %4 x %5")
                    .arg(path)
                    .arg(img.cols)
                    .arg(img.rows)
                    .arg(kWidth)
                    .arg(kHeight);
        return false;
    }
    out = img;
    return true;
}
