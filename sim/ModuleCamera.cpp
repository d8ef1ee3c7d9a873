#include "sim/ModuleCamera.h"

#include "sim/ModuleState.h"
#include "sim/TestCard.h"

#include <algorithm>
#include <cstring>

namespace {

// Luminance by the usual weights; Qt's own conversion to grey would apply a colour space.
QImage toGrey(const QImage& frame) {
    if (frame.format() == QImage::Format_Grayscale8)
        return frame;
    const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
    QImage grey(rgb.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = grey.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            out[x] = uchar(qGray(in[x]));
    }
    return grey;
}

// The scene's answer as grey bytes of exactly the size asked for.
std::vector<uint8_t> greyBytes(const QImage& frame, int width, int height) {
    std::vector<uint8_t> pixels(size_t(width) * size_t(height), 0);
    if (frame.isNull())
        return pixels;
    QImage grey = toGrey(frame);
    // Smooth scaling answers in a colour format, so the result is made grey again.
    if (grey.width() != width || grey.height() != height)
        grey = toGrey(grey.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    if (grey.isNull() || grey.width() != width || grey.height() != height)
        return pixels;
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels.data() + size_t(y) * size_t(width), grey.constScanLine(y),
                    size_t(width));
    return pixels;
}

} // namespace

ModuleCamera::ModuleCamera() : m_scene(std::make_shared<TestCard>()) {}

void ModuleCamera::setScene(std::shared_ptr<SceneSource> scene) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_scene = scene ? std::move(scene) : std::make_shared<TestCard>();
}

std::shared_ptr<SceneSource> ModuleCamera::scene() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_scene;
}

std::vector<uint8_t> ModuleCamera::picture(int width, int height, int gain, bool mirrored) {
    std::vector<uint8_t> pixels = greyBytes(scene()->frame(width, height), width, height);
    if (gain != kNeutralGain) {
        const int g = std::max(gain, 0);
        for (uint8_t& p : pixels)
            p = uint8_t(std::min((p * g + kNeutralGain / 2) / kNeutralGain, 255));
    }
    if (mirrored) {
        for (int y = 0; y < height; ++y) {
            uint8_t* row = pixels.data() + size_t(y) * size_t(width);
            std::reverse(row, row + width);
        }
    }
    return pixels;
}
