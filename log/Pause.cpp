#include "log/Pause.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtGlobal>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kStopLookMs = 50;

double pauseScale() {
    bool ok = false;
    const double scale = qEnvironmentVariable("TIVORA_PAUSE_SCALE").toDouble(&ok);
    return ok && std::isfinite(scale) ? qBound(0.01, scale, 1.0) : 1.0;
}

} // namespace

namespace pause {

int scaledMs(int ms) {
    static const double scale = pauseScale();
    return int(std::lround(ms * scale));
}

void sleepMs(int ms) {
    const int scaled = scaledMs(ms);
    if (scaled > 0)
        QThread::msleep(static_cast<unsigned long>(scaled));
}

} // namespace pause

bool pause::sleepMs(int ms, const std::atomic<bool>& stop) {
    const int scaled = scaledMs(ms);
    QElapsedTimer clock;
    clock.start();
    for (qint64 left = scaled; left > 0 && !stop; left = scaled - clock.elapsed())
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, kStopLookMs)));
    return !stop;
}
