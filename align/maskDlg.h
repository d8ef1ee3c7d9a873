#pragma once

#include "MaskStroke.h"
#include "StrokeSmoother.h"

#include <QImage>
#include <QPen>
#include <QVector>
#include <QWidget>

// The transparent drawing surface laid over the alignment view's camera picture. The user
// paints the regions the module is to ignore in opaque red, or erases them; strokes are
// smoothed as they are drawn and recorded, so that the canvas can be rebuilt from the record.
// The editor knows nothing of the mask bitmap: the alignment view paints a received mask into
// the canvas and reads the canvas back.
class maskDlg : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPenWidth = 20;
    static constexpr int kEraseAlpha = 1;

    explicit maskDlg(QWidget* parent = nullptr);

    // Places the editor over rect (screen coordinates) and rebuilds its canvas: from the stroke
    // record if there is one, otherwise as a fresh, see-through canvas.
    void PrepareCanvas(const QRect& rect);

    QImage& canvas() { return m_image; }
    const QImage& canvas() const { return m_image; }
    const QVector<MaskStroke>& strokes() const { return m_strokes; }
    int strokeCount() const { return m_nStrokeCount; }
    bool isEraser() const { return m_bEraser; }

    static QColor paintColour() { return QColor(255, 0, 0, 255); }
    static QColor eraseColour() { return QColor(0, 0, 0, kEraseAlpha); }

signals:
    // Esc while the editor has the keyboard: the user is done with it.
    void sigEscape();

public slots:
    void slotEraserAll();
    void slotEraserFree();
    void slotDraw();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void RedrawStrokes();
    void newCanvas();
    QColor modeColour() const { return m_bEraser ? eraseColour() : paintColour(); }
    // Draws the polyline on the canvas and returns the widget rectangle to repaint.
    QRect drawOnCanvas(const QPolygonF& line, const QPen& pen);
    void append(int kind, const QPointF& p);

    QImage m_image;
    QPoint m_ptCurrent;
    QPoint m_ptPress;
    QPointF m_ptLast;
    bool m_bButtonDown = false;
    QVector<MaskStroke> m_strokes;
    int m_nStrokeCount = 0;
    QPen m_pen;
    bool m_bEraser = false;
    int m_nBackgroundAlpha = 1;
    StrokeSmoother m_smoother;
};
