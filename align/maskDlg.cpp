#include "maskDlg.h"

#include "log/LogCategories.h"

#include <QDebug>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Erasing replaces pixels instead of blending over them, so that the red really goes.
QPainter::CompositionMode compositionFor(const QColor& colour) {
    return colour.alpha() == maskDlg::kEraseAlpha ? QPainter::CompositionMode_Source
                                                  : QPainter::CompositionMode_SourceOver;
}

QPen strokePen(const QColor& colour, int width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

// A child of the alignment view over its picture, not a see-through window of its own: the
// picture under the strokes then shows with and without a compositor, and no window manager
// can put the editor anywhere else.
maskDlg::maskDlg(QWidget* parent) : QWidget(parent), m_pen(strokePen(paintColour(), kPenWidth)) {
    setFocusPolicy(Qt::StrongFocus);
}

void maskDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        emit sigEscape();
    else
        QWidget::keyPressEvent(event);
}

void maskDlg::PrepareCanvas(const QRect& rect) {
    qCDebug(lcAlign) << "maskDlg :" << rect;
    setGeometry(rect);
    if (!m_strokes.isEmpty()) {
        RedrawStrokes();
        return;
    }
    m_nBackgroundAlpha = 1;
    newCanvas();
}

void maskDlg::newCanvas() {
    QColor background = palette().color(QPalette::Window);
    background.setAlpha(m_nBackgroundAlpha);
    m_image = QImage(size(), QImage::Format_ARGB32);
    m_image.fill(background);
}

void maskDlg::slotEraserAll() {
    m_strokes.clear();
    m_nStrokeCount = 0;
    RedrawStrokes();
}

void maskDlg::slotEraserFree() {
    m_bEraser = true;
}

void maskDlg::slotDraw() {
    m_bEraser = false;
}

void maskDlg::append(int kind, const QPointF& p) {
    m_strokes.append({kind, m_pen.width(), modeColour(), p.x(), p.y()});
}

QRect maskDlg::drawOnCanvas(const QPolygonF& line, const QPen& pen) {
    if (m_image.isNull())
        return QRect();
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(compositionFor(pen.color()));
    painter.setPen(pen);
    painter.drawPolyline(line);
    const int margin = 10;
    return line.boundingRect().toAlignedRect().adjusted(-margin, -margin, margin, margin);
}

void maskDlg::mousePressEvent(QMouseEvent* event) {
    m_ptCurrent = m_ptPress = event->pos();
    m_bButtonDown = true;
    append(MaskStroke::Start, m_ptPress);
    m_ptLast = m_ptPress;
    m_smoother.reset(m_ptPress);
}

void maskDlg::mouseMoveEvent(QMouseEvent* event) {
    m_ptCurrent = event->pos();
    if (!m_bButtonDown)
        return;
    append(MaskStroke::Point, m_ptCurrent);

    m_pen.setColor(modeColour());
    QPolygonF line;
    line << m_ptLast << m_smoother.feed(m_ptCurrent);
    m_ptLast = line.last();
    update(drawOnCanvas(line, m_pen));
}

void maskDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (m_bButtonDown) {
        // A click without movement still leaves a dot.
        QPoint end = event->pos();
        if (end == m_ptPress)
            end.ry() += 1;
        m_pen.setColor(modeColour());
        append(MaskStroke::End, end);
        QPolygonF line;
        line << m_ptLast << QPointF(end);
        update(drawOnCanvas(line, m_pen));
        ++m_nStrokeCount;
    }
    m_bButtonDown = false;
}

void maskDlg::RedrawStrokes() {
    newCanvas();
    QPointF previous;
    QPen pen = m_pen;
    for (const MaskStroke& entry : qAsConst(m_strokes)) {
        const QPointF p(entry.x, entry.y);
        QPolygonF line;
        switch (entry.kind) {
        case MaskStroke::Start:
            pen = strokePen(entry.colour, entry.width);
            m_smoother.reset(p.toPoint());
            previous = p;
            break;
        case MaskStroke::Point:
            pen.setColor(entry.colour);
            line << previous << m_smoother.feed(p.toPoint());
            previous = line.last();
            drawOnCanvas(line, pen);
            break;
        case MaskStroke::End:
            pen.setColor(entry.colour);
            line << previous << p;
            drawOnCanvas(line, pen);
            break;
        default:
            break;
        }
    }
    update();
}

void maskDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}
