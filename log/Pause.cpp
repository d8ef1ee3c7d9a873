#include "log/Pause.h"

#include <QThread>
#include <QtGlobal>
#include <cmath>

namespace {

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
