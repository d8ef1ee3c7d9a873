#include "display/KqUtils.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <utility>

namespace {

KqUtils::ScreenSource& screenSource() {
    static KqUtils::ScreenSource source;
    return source;
}

ScreenChoice& chosen() {
    static ScreenChoice choice;
    return choice;
}

QString identityOf(const QScreen* s) {
    const QStringList parts{s->manufacturer(), s->model(), s->serialNumber()};
    for (const QString& part : parts) {
        if (!part.trimmed().isEmpty())
            return parts.join(QLatin1Char('/'));
    }
    return QString();
}

QVector<ScreenDesc> toolkitScreens() {
    QVector<ScreenDesc> list;
    for (const QScreen* s : QGuiApplication::screens()) {
        list.append({s->geometry(), s->logicalDotsPerInch(), s->availableGeometry(), s->name(),
                     s->physicalSize()});
        list.last().identity = identityOf(s);
    }
    return list;
}

enum class MatchRule { None, Identity, Name, Position };

struct Match {
    int index = -1;
    MatchRule rule = MatchRule::None;
};

// Identities count only when they tell the monitors apart: headless and virtual outputs often
// share one.
Match matchChoice(const QVector<ScreenDesc>& list, const ScreenChoice& choice) {
    if (!choice.identity.isEmpty()) {
        int found = -1;
        int count = 0;
        for (int i = 0; i < list.size(); ++i) {
            if (list[i].identity == choice.identity) {
                found = i;
                ++count;
            }
        }
        if (count == 1)
            return {found, MatchRule::Identity};
    }
    for (int i = 0; !choice.name.isEmpty() && i < list.size(); ++i) {
        if (list[i].name == choice.name)
            return {i, MatchRule::Name};
    }
    for (int i = 0; choice.hasPosition && i < list.size(); ++i) {
        if (list[i].geometry.topLeft() == choice.position)
            return {i, MatchRule::Position};
    }
    return {};
}

const char* ruleName(MatchRule rule) {
    switch (rule) {
    case MatchRule::Identity:
        return "identity";
    case MatchRule::Name:
        return "name";
    case MatchRule::Position:
        return "position";
    case MatchRule::None:
        break;
    }
    return "none";
}

// Asked often (the virtual module's desk asks ten times a second): says which rule matched
// only when the answer changes.
void logMatch(const ScreenChoice& choice, const ScreenDesc& screen, MatchRule rule) {
    static QString last;
    const QString line = QStringLiteral("calibration screen %1 matched by %2: %3")
                             .arg(choice.name, QLatin1String(ruleName(rule)), screen.name);
    if (line == last)
        return;
    last = line;
    qCDebug(lcCalib).noquote() << line;
}

double dpiRatioIn(const QVector<ScreenDesc>& list, const QRect& r) {
    for (const ScreenDesc& s : list) {
        const QRect& g = s.geometry;
        if (g.left() == r.left() && g.top() == r.top() && g.right() == r.right() &&
            g.bottom() == r.bottom())
            // The toolkit's own scaling (QT_SCALE_FACTOR, QT_SCREEN_SCALE_FACTORS) already
            // enlarges every design coordinate and reports the dots per inch divided by it;
            // a factor below 1 would undo that scaling.
            return std::max(1.0, s.logicalDpi / 96.0);
    }
    return 1.0;
}

} // namespace

QVector<ScreenDesc> KqUtils::screens() {
    const ScreenSource& source = screenSource();
    return source ? source() : toolkitScreens();
}

void KqUtils::setScreenSource(ScreenSource source) {
    screenSource() = std::move(source);
}

QVector<ScreenDesc> KqUtils::screensLeftToRight() {
    QVector<ScreenDesc> list = screens();
    std::stable_sort(list.begin(), list.end(), [](const ScreenDesc& a, const ScreenDesc& b) {
        return a.geometry.left() < b.geometry.left();
    });
    return list;
}

QRect KqUtils::leftmostScreen() {
    const QVector<ScreenDesc> list = screensLeftToRight();
    return list.isEmpty() ? QRect() : list.first().geometry;
}

void KqUtils::setCalibrationScreen(const ScreenChoice& choice) {
    chosen() = choice;
}

QString KqUtils::calibrationScreenName() {
    return chosen().name;
}

bool KqUtils::isCalibrationScreenConnected() {
    return !chosen().isEmpty() && matchChoice(screensLeftToRight(), chosen()).index >= 0;
}

ScreenDesc KqUtils::calibrationMonitor() {
    const QVector<ScreenDesc> list = screensLeftToRight();
    if (list.isEmpty())
        return ScreenDesc();
    if (chosen().isEmpty())
        return list.first();
    const Match match = matchChoice(list, chosen());
    const ScreenDesc& screen = match.index >= 0 ? list[match.index] : list.first();
    logMatch(chosen(), screen, match.rule);
    return screen;
}

QRect KqUtils::calibrationScreen() {
    return calibrationMonitor().geometry;
}

QString KqUtils::calibrationOutput() {
    return calibrationMonitor().name;
}

int KqUtils::numberOf(const ScreenDesc& screen) {
    const QVector<ScreenDesc> list = screensLeftToRight();
    for (int i = 0; i < list.size(); ++i) {
        if (list[i].name == screen.name && list[i].geometry == screen.geometry)
            return i + 1;
    }
    return 0;
}

ScreenChoice KqUtils::choiceOf(const ScreenDesc& screen) {
    ScreenChoice choice;
    choice.name = screen.name;
    choice.identity = screen.identity;
    choice.position = screen.geometry.topLeft();
    choice.hasPosition = true;
    return choice;
}

double KqUtils::dpiRatioOf(const QRect& r) {
    return dpiRatioIn(screens(), r);
}

void KqUtils::getWindowRect(QRect out[2]) {
    const QVector<ScreenDesc> list = screens();
    const int n = list.size();
    QVector<QRect> rects(std::max(n, 2));
    qCDebug(lcCalib) << "KqUtils::getWindowRect() - nNumberOfDisplays =" << n;

    for (int slot = 0; slot < n; ++slot) {
        rects[slot] = list[slot].geometry;
        qCDebug(lcCalib) << "KqUtils::getWindowRect() - monitor" << slot << rects[slot];
    }
    for (int slot = 0; slot < n; ++slot)
        qCDebug(lcCalib) << "getWindowRect():" << slot << rects[slot]
                         << dpiRatioIn(list, rects[slot]);

    // Kept an exchange sort so that monitors sharing a left edge come out in the order
    // callers have always seen.
    for (int i = 0; i < n - 1; ++i) {
        for (int j = i + 1; j < n; ++j) {
            if (rects[j].left() < rects[i].left())
                std::swap(rects[i], rects[j]);
        }
    }
    out[0] = rects[0];
    out[1] = rects[1];
}
