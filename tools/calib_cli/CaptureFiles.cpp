#include "CaptureFiles.h"

#include "PictureHeader.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <fcntl.h>
#include <opencv2/imgcodecs.hpp>
#include <unistd.h>

namespace {
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
// Enough for the JPEG segments that may come before the one holding the size.
constexpr qint64 kHeaderBytes = 256 * 1024;

QString sizeError(const QString& path, int width, int height) {
    return QStringLiteral("%1: picture is %2 x %3, expected %4 x %5")
        .arg(path)
        .arg(width)
        .arg(height)
        .arg(kWidth)
        .arg(kHeight);
}

// The size from the file's header, before the decoder allocates anything for it.
bool headerSizeFits(const QString& path, QString& error) {
    QFile file(path);
    int width = 0, height = 0;
    if (!file.open(QIODevice::ReadOnly) ||
        !readPictureSize(file.read(kHeaderBytes), &width, &height)) {
        error = QStringLiteral("%1: not a picture OpenCV can read").arg(path);
        return false;
    }
    if (width != kWidth || height != kHeight) {
        error = sizeError(path, width, height);
        return false;
    }
    return true;
}

// The decoders print their own complaints about a damaged file on stderr; the command's
// answer is its one line of reason.
class SilentStderr {
public:
    SilentStderr() : m_saved(::dup(STDERR_FILENO)) {
        std::fflush(stderr);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
    }
    ~SilentStderr() {
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
    }

private:
    const int m_saved;
};

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
    if (!headerSizeFits(path, error))
        return false;
    cv::Mat img;
    try {
        const SilentStderr quiet;
        img = cv::imread(path.toStdString(), cv::IMREAD_GRAYSCALE);
    } catch (const cv::Exception& e) {
        error = QStringLiteral("%1: cannot be decoded: %2")
                    .arg(path, QString::fromStdString(e.err).simplified());
        return false;
    }
    if (img.empty()) {
        error = QStringLiteral("%1: not a picture OpenCV can read").arg(path);
        return false;
    }
    if (img.cols != kWidth || img.rows != kHeight) {
        error = sizeError(path, img.cols, img.rows);
        return false;
    }
    out = img;
    return true;
}
