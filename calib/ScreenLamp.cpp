#include "calib/ScreenLamp.h"

#include "calib/StatusLine.h"

#include <QPainter>

ScreenLamp::ScreenLamp(const QString& fontFamily)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("ScreenLamp"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::BlankCursor);
    if (!fontFamily.isEmpty())
        setFont(QFont(fontFamily, 10)); // as the calibration window's status line
}

void ScreenLamp::setLit(bool lit, const QString& status) {
    m_bLit = lit;
    m_sStatus = lit ? status : QString();
    update();
}

void ScreenLamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_bLit ? Qt::white : Qt::black);
    if (!m_sStatus.isEmpty())
        paintStatusLine(painter, m_sStatus, size(), {});
}
