#include "calib/ScreenFinder.h"

#include "calib/ScreenLamp.h"
#include "calib/TvMainCtrl.h"
#include "display/DisplayFont.h"
#include "display/KqUtils.h"
#include "display/WindowPlacement.h"
#include "language/LanguageTable.h"
#include "log/LogCategories.h"
#include "log/Pause.h"

#include <QDebug>

namespace {

// The projector and the camera need a moment after a monitor changes; a frame requested
// before the change, or before the desktop repainted, may still arrive: the first two after
// the pause are dropped too.
constexpr int kSettleMs = 400;
constexpr int kFramesDropped = 2;
// No live picture for this long: the module is taken to send none. A time-out, not a pause:
// shortened runs keep it.
constexpr int kFrameLimitMs = 3000;
constexpr int kBlackFrames = 2;
constexpr int kTextLooking = 1; // "screen %1 of %2"

} // namespace

ScreenFinder::ScreenFinder(TvMainCtrl* ctrl, const LanguageTable* text, QObject* parent)
    : QObject(parent), m_pCtrl(ctrl), m_pText(text) {
    qRegisterMetaType<ScreenFinder::Result>("ScreenFinder::Result");
    m_frameLimit.setSingleShot(true);
    connect(&m_frameLimit, &QTimer::timeout, this, [this] {
        qCWarning(lcCalib) << "ScreenFinder: no live picture for" << kFrameLimitMs << "ms in step"
                           << m_nStep;
        finishWith(Outcome::NoPicture);
    });
    connect(m_pCtrl, &TvMainCtrl::sigUpdateAlignImage, this, &ScreenFinder::onFrame);
}

ScreenFinder::~ScreenFinder() = default;

void ScreenFinder::start() {
    if (isRunning())
        return;
    const QVector<ScreenDesc> screens = KqUtils::screensLeftToRight();
    m_names.clear();
    m_geometries.clear();
    m_lamps.clear();
    m_responses.clear();
    m_blackFrames.clear();
    const QString family = m_pText ? displayFontFamily(m_pText->languageIndex()) : QString();
    for (const ScreenDesc& s : screens) {
        m_names.append(s.name);
        m_geometries.append(s.geometry);
        m_lamps.push_back(std::make_unique<ScreenLamp>(family));
    }
    qCDebug(lcCalib) << "ScreenFinder: looking at" << m_names.size() << "monitors" << m_names;
    if (screens.isEmpty() || !m_pCtrl->isCamConnected()) {
        finishWith(Outcome::NoPicture);
        return;
    }
    for (int i = 0; i < screens.size(); ++i)
        window_placement::showOnMonitor(m_lamps[size_t(i)].get(), screens[i]);
    // A lamp elsewhere would light the wrong monitor, and the answer would be wrong.
    for (int i = 0; i < screens.size(); ++i) {
        if (!window_placement::waitUntilOnMonitor(m_lamps[size_t(i)].get(), screens[i])) {
            finishWith(Outcome::OffMonitor, i);
            return;
        }
    }
    m_clock.start();
    m_bLive = true;
    m_pCtrl->startLiveImage();
    m_frameLimit.start(kFrameLimitMs);
    beginStep(0);
}

void ScreenFinder::beginStep(int step) {
    m_nStep = step;
    // Mirrored outputs share one picture: lighting one lights its twins as well.
    const QRect litGeometry = m_geometries.value(step - 1);
    for (int i = 0; i < int(m_lamps.size()); ++i) {
        const bool lit = step > 0 && m_geometries[i] == litGeometry;
        const QString status =
            m_pText ? m_pText->textSC(kTextLooking).arg(step).arg(m_lamps.size()) : QString();
        m_lamps[size_t(i)]->setLit(lit, status);
    }
    m_nSkip = kFramesDropped;
    m_nAcceptAfterMs = m_clock.elapsed() + pause::scaledMs(kSettleMs);
}

void ScreenFinder::onFrame(const QImage& frame) {
    if (!isRunning())
        return;
    m_frameLimit.start(kFrameLimitMs);
    if (m_clock.elapsed() < m_nAcceptAfterMs)
        return;
    if (m_nSkip > 0) {
        --m_nSkip;
        return;
    }
    if (m_nStep == 0) {
        m_blackFrames.append(frame);
        if (m_blackFrames.size() < kBlackFrames)
            return;
        m_black = screen_response::blackReference(m_blackFrames[0], m_blackFrames[1]);
        qCDebug(lcCalib) << "ScreenFinder: black noise" << m_black.noise << "threshold"
                         << screen_response::riseThreshold(m_black.noise);
    } else {
        const screen_response::Response r = screen_response::responseOf(m_black, frame);
        qCDebug(lcCalib).noquote()
            << QStringLiteral("ScreenFinder: screen %1 (%2): lit %3, rise %4")
                   .arg(m_nStep)
                   .arg(m_names.value(m_nStep - 1))
                   .arg(r.litShare, 0, 'f', 3)
                   .arg(r.meanRise, 0, 'f', 1);
        m_responses.append(r);
    }
    if (m_nStep < int(m_lamps.size()))
        beginStep(m_nStep + 1);
    else
        decide();
}

void ScreenFinder::decide() {
    const screen_response::Decision d = screen_response::decide(m_responses);
    if (d.chosen < 0) {
        finishWith(Outcome::NoneSeen);
        return;
    }
    if (d.mirrored()) {
        QStringList seen;
        for (int i : d.seen)
            seen << m_names.value(i);
        qCInfo(lcCalib).noquote() << "ScreenFinder: the camera sees several screens (mirrored "
                                     "outputs?):"
                                  << seen.join(QStringLiteral(", ")) << "- using the strongest,"
                                  << m_names.value(d.chosen);
    }
    finishWith(Outcome::Found, d.chosen, d.mirrored());
}

void ScreenFinder::finishWith(Outcome outcome, int chosen, bool mirrored) {
    m_frameLimit.stop();
    m_lamps.clear();
    m_nStep = -1;
    if (m_bLive)
        m_pCtrl->stopLiveImage();
    m_bLive = false;

    Result result;
    result.outcome = outcome;
    result.count = m_names.size();
    if (outcome == Outcome::Found || outcome == Outcome::OffMonitor) {
        result.number = chosen + 1;
        result.name = m_names.value(chosen);
        result.mirrored = mirrored;
    }
    if (outcome == Outcome::Found) {
        qCDebug(lcCalib).noquote() << "ScreenFinder: found screen" << result.number << result.name;
    } else if (outcome == Outcome::NoneSeen || outcome == Outcome::NoPicture) {
        qCDebug(lcCalib) << "ScreenFinder: no screen found"
                         << (outcome == Outcome::NoPicture ? "(no live picture)" : "");
    }
    emit sigFinished(result);
}
