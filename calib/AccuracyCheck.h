#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QPointF>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <QVector>

// The figures of one accuracy check: how far each touch landed from its target, in window
// pixels, and in millimetres when the screen's physical size is plausible. Pure arithmetic,
// no window: the calibration window feeds it, the summary, the command line and the report
// read it.
class AccuracyCheck {
public:
    // The accuracy the program's own check accepts.
    static constexpr double kDefaultThresholdPx = 8.0;

    struct Touch {
        QPointF target;
        QPointF touch;
        double errorPx = 0.0;
        // false: a plain mouse click, which may be anyone's, not the module's pen.
        bool pen = true;
    };

    // screen: the calibration monitor in desktop pixels; physicalMm: its size as the system
    // reports it (0, negative or implausible sizes are taken as unknown).
    AccuracyCheck(const QRect& screen = QRect(), const QSizeF& physicalMm = QSizeF(),
                  double thresholdPx = kDefaultThresholdPx);

    void add(const QPointF& target, const QPointF& touch, bool pen = true);
    // The check ended because target `target` (1-based) of `targets` was not touched within
    // `waitSeconds`.
    void markUntouched(int target, int targets, int waitSeconds);

    const QVector<Touch>& touches() const { return m_touches; }
    int count() const { return m_touches.size(); }
    double meanPx() const;
    double worstPx() const;
    // 0-based; -1 while nothing was touched.
    int worstIndex() const;
    double thresholdPx() const { return m_thresholdPx; }
    // Touches that were plain mouse clicks; a check with any is not a pen check.
    int mouseClicks() const;
    bool isPenCheck() const { return mouseClicks() == 0; }
    // 1-based; 0 when every target shown was touched.
    int untouchedTarget() const { return m_nUntouched; }
    int waitSeconds() const { return m_nWaitSeconds; }
    // At least one touch, all by the pen, no target left untouched and every error within
    // the threshold.
    bool passed() const;

    bool knowsMillimetres() const { return m_mmPerPxX > 0.0; }
    double errorMm(int index) const;
    double meanMm() const;
    double worstMm() const;

    // "mean 1.20 px (0.31 mm), worst 3.40 px (0.88 mm) at target 5 of 9: passed, threshold
    // 8 px"; the millimetres only when known. A failure for another reason than the errors
    // names it after "failed": "(not a pen check: 2 of 9 touches were mouse clicks)" or
    // "(target 3 of 9 not touched within 20 s)".
    QString summaryLine() const;
    QJsonObject toJson(const QDateTime& time) const;

private:
    QRect m_screen;
    QSizeF m_physicalMm;
    double m_thresholdPx;
    double m_mmPerPxX = 0.0;
    double m_mmPerPxY = 0.0;
    QVector<Touch> m_touches;
    int m_nUntouched = 0;
    int m_nTargets = 0;
    int m_nWaitSeconds = 0;
};
