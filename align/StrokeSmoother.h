#pragma once

#include <QPoint>
#include <QPointF>
#include <QVector>

// Smooths the mouse path of a mask stroke. Each raw point moves a ten-point window; the
// window's degree-9 Bezier curve, read near its newest end (t = 0.9), gives one smoothed point
// per raw point, and the quadratic curve through the last three smoothed points fills the
// gap between them with points about one pixel apart.
class StrokeSmoother {
public:
    static constexpr int kWindow = 10;
    static constexpr int kMaxSteps = 50;

    // Every window slot and both smoothed points become p.
    void reset(const QPoint& p);

    // Feeds the next raw point and returns the points to draw through, from about the previous
    // smoothed point towards the new one: at least 1, at most kMaxSteps / 2.
    const QVector<QPointF>& feed(const QPoint& q);

    // The Bezier weight of window slot i (oldest first) at t = 0.9.
    static double weight(int i);

private:
    QPoint m_window[kWindow];
    QPointF m_smoothed[2]; // older first
    QVector<QPointF> m_output;
};
