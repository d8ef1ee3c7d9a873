#include "calib/ScreenResponse.h"

#include <algorithm>
#include <cmath>

namespace screen_response {

namespace {

// Six standard deviations of one picture's noise: over the 230,400 pixels of a live picture
// chance alone lights fewer than one.
constexpr double kNoiseFactor = 6.0;
// Two 8-bit pictures, each rounded, may differ by one level with nothing changed.
constexpr double kRoundingLevels = 2.0;
// A projected screen covers a large part of the picture; even a far, small one covers more
// than a hundredth of it, while hot pixels and flicker stay well below.
constexpr double kMinLitShare = 0.01;

QImage grey(const QImage& image) {
    return image.format() == QImage::Format_Grayscale8
               ? image
               : image.convertToFormat(QImage::Format_Grayscale8);
}

} // namespace

BlackReference blackReference(const QImage& first, const QImage& second) {
    const QImage a = grey(first);
    const QImage b = grey(second);
    BlackReference ref;
    if (a.isNull() || a.size() != b.size())
        return ref;
    ref.mean = QImage(a.size(), QImage::Format_Grayscale8);
    double sum = 0.0;
    double sumSquares = 0.0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* la = a.constScanLine(y);
        const uchar* lb = b.constScanLine(y);
        uchar* out = ref.mean.scanLine(y);
        for (int x = 0; x < a.width(); ++x) {
            out[x] = uchar((la[x] + lb[x] + 1) / 2);
            const double d = double(la[x]) - double(lb[x]);
            sum += d;
            sumSquares += d * d;
        }
    }
    const double n = double(a.width()) * a.height();
    const double variance = std::max(0.0, sumSquares / n - (sum / n) * (sum / n));
    ref.noise = std::sqrt(variance / 2.0);
    return ref;
}

double riseThreshold(double noise) {
    return kNoiseFactor * noise + kRoundingLevels;
}

Response responseOf(const BlackReference& black, const QImage& white) {
    const QImage w = grey(white);
    Response r;
    if (black.mean.isNull() || w.size() != black.mean.size())
        return r;
    const double threshold = riseThreshold(black.noise);
    long long lit = 0;
    double riseSum = 0.0;
    for (int y = 0; y < w.height(); ++y) {
        const uchar* lw = w.constScanLine(y);
        const uchar* lb = black.mean.constScanLine(y);
        for (int x = 0; x < w.width(); ++x) {
            const double rise = double(lw[x]) - double(lb[x]);
            if (rise > threshold) {
                ++lit;
                riseSum += rise;
            }
        }
    }
    r.litShare = double(lit) / (double(w.width()) * w.height());
    r.meanRise = lit > 0 ? riseSum / double(lit) : 0.0;
    return r;
}

bool isSeen(const Response& response) {
    return response.litShare >= kMinLitShare;
}

Decision decide(const QVector<Response>& responses) {
    Decision d;
    for (int i = 0; i < responses.size(); ++i) {
        if (!isSeen(responses[i]))
            continue;
        d.seen.append(i);
        if (d.chosen < 0 || responses[i].strength() > responses[d.chosen].strength())
            d.chosen = i;
    }
    return d;
}

} // namespace screen_response
