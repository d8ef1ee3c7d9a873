#include "CalibDlg.h"

#include "CheckPainter.h"
#include "PatternPainter.h"
#include "ScreenCanvas.h"
#include "StatusLine.h"
#include "TargetSymbol.h"
#include "display/KqUtils.h"
#include "display/WindowPlacement.h"
#include "language/LanguageTable.h"
#include "log/LogCategories.h"
#include "log/Pause.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QTouchEvent>
#include <cmath>
#include <limits>

bool g_bTouchCapture = false;

namespace {

constexpr Qt::WindowFlags kCalibWindowFlags =
    Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint;
static_assert(int(kCalibWindowFlags) == 0x41803, "calibration window flags");

constexpr int kGlideMs = 400;
constexpr int kWaitRounds = 31;
constexpr int kPatternTargets = 20;
// Entries of the language table's calibration status texts.
constexpr int kTextTargetOf = 2;
constexpr int kTextPressEsc = 3;
// Entries of the accuracy check's texts.
constexpr int kCheckClose = 6;

// Touch positions come from the platform; anything non-finite or out of range must not reach
// an int conversion.
int saturatedInt(double wholeValue) {
    if (!std::isfinite(wholeValue))
        return 0;
    if (wholeValue <= std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    if (wholeValue >= std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return static_cast<int>(wholeValue);
}

int truncToInt(double v) {
    return saturatedInt(std::trunc(v));
}
int floorToInt(double v) {
    return saturatedInt(std::floor(v));
}

} // namespace

CalibDlg::CalibDlg(const LanguageTable* pText) : QDialog(nullptr), m_pText(pText) {
    setupUi();
    setWindowFlags(kCalibWindowFlags);
    // Painted by hand; the texts take the language's direction where they are drawn.
    setLayoutDirection(Qt::LeftToRight);

    // Whatever is not painted (the target screen after the last target) stays dark.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    m_pArcTimer = new QTimer(this);
    connect(m_pArcTimer, &QTimer::timeout, this, &CalibDlg::OnTimer);

    m_pixSymbol = targetSymbolPicture();
    label->setPixmap(m_pixSymbol);
    label->setAlignment(Qt::AlignCenter);
    label->resize(kTargetSymbolSize, kTargetSymbolSize);
    label->setVisible(true);

    m_pAnim = new QPropertyAnimation(label, "geometry", this);
    m_pAnim->setDuration(pause::scaledMs(kGlideMs));

    setAttribute(Qt::WA_AcceptTouchEvents);
    installEventFilter(this);
}

void CalibDlg::setupUi() {
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("CalibDlg"));
    resize(400, 300);

    label = new QLabel(this);
    label->setObjectName(QStringLiteral("label"));
    label->setGeometry(QRect(20, 30, 56, 12));

    QFont font;
    font.setFamily(QStringLiteral("Tahoma"));
    font.setPointSize(10);

    pushButton = new QPushButton(this);
    pushButton->setObjectName(QStringLiteral("pushButton"));
    pushButton->setGeometry(QRect(140, 30, 91, 31));
    pushButton->setFont(font);

    pushButtonLeft = new QPushButton(this);
    pushButtonLeft->setObjectName(QStringLiteral("pushButtonLeft"));
    pushButtonLeft->setGeometry(QRect(40, 30, 91, 31));
    pushButtonLeft->setFont(font);

    setWindowTitle(QCoreApplication::translate("CalibDlg", "Dialog"));
    label->setText(QString());
    pushButton->setText(QCoreApplication::translate("CalibDlg", "Cancel"));
    pushButtonLeft->setText(QCoreApplication::translate("CalibDlg", "Left"));

    QMetaObject::connectSlotsByName(this);
}

void CalibDlg::prepareWindow(int mode) {
    m_nPaintMode = mode;
    m_sStatus.clear();
    setWindowFlags(kCalibWindowFlags);
    setCursor(Qt::BlankCursor);

    m_monitor = KqUtils::calibrationMonitor();
    const QRect r = m_monitor.geometry;
    qCDebug(lcCalib).noquote() << "calibration screen:" << m_monitor.name << r;
    m_dpiRatio = KqUtils::dpiRatioOf(r);
    qCDebug(lcCalib) << "m_dpiRatio =" << m_dpiRatio;

    m_nWidth = r.width();
    m_nHeight = r.height();
    setGeometry(r);
    pushButton->hide();
    pushButtonLeft->hide();

    m_imgBackground = QImage(QStringLiteral(":/TivoraRes/irpen"));
    if (!m_imgBackground.isNull())
        m_imgBackground = m_imgBackground.scaled(m_nWidth, m_nHeight, Qt::IgnoreAspectRatio,
                                                 Qt::FastTransformation);
}

CalibDlg::View CalibDlg::view() const {
    View v;
    v.paintMode = m_nPaintMode;
    v.monitor = window_placement::shownGeometry(this);
    v.targets = m_ptTarget;
    v.count = m_nCount;
    v.index = m_nIndex;
    v.symbolShown = label->isVisible();
    v.symbol = label->geometry();
    v.symbolGliding = m_pAnim->state() == QAbstractAnimation::Running;
    return v;
}

void CalibDlg::getWindowSize(int& w, int& h) const {
    w = m_nWidth;
    h = m_nHeight;
}

void CalibDlg::setPointerMoved(bool moved) {
    QMutexLocker lock(&m_mutex);
    m_bPointerMoved = moved;
}

bool CalibDlg::isPointerMoved() {
    QMutexLocker lock(&m_mutex);
    return m_bPointerMoved;
}

void CalibDlg::waitWhile(const bool& flag) {
    for (int round = 0; flag && round < kWaitRounds; ++round) {
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

bool CalibDlg::showAndWait() {
    waitWhile(m_bBusy);
    m_bBusy = true;
    waitWhile(m_bPainting);
    m_bPainting = true;
    window_placement::showOnMonitor(this, m_monitor);
    waitWhile(m_bPainting);
    m_bBusy = false;
    return window_placement::waitUntilOnMonitor(this, m_monitor);
}

void CalibDlg::setPaintMode(int mode) {
    waitWhile(m_bBusy);
    m_bBusy = true;
    waitWhile(m_bPainting);
    m_bPainting = true;
    if (mode != KeepMode)
        m_nPaintMode = mode;
    update();
    waitWhile(m_bPainting);
    m_bBusy = false;
}

void CalibDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // A painter starts in the application's direction; the texts in the language's direction
    // set it where they are drawn.
    painter.setLayoutDirection(layoutDirection());
    switch (m_nPaintMode) {
    case Black:
        painter.fillRect(0, 0, m_nWidth, m_nHeight, Qt::black);
        break;
    case White:
        painter.fillRect(0, 0, m_nWidth, m_nHeight, Qt::white);
        break;
    case Targets:
        if (m_nIndex <= m_nCount - 1)
            paintTargetScreen(painter, canvas());
        break;
    case Pattern:
        paintPattern(painter, m_nWidth, m_nHeight, m_nCeiling, m_nRear, m_ptTarget);
        break;
    case Check:
        if (m_nIndex <= m_nCount - 1)
            paintCheckScreen(painter, canvas(), m_bCheckAfterCalibration);
        break;
    case CheckSummary:
        paintCheckSummary(painter, canvas(), m_check, m_sCheckNote);
        break;
    case Outcome:
        paintOutcomeScreen(painter, canvas(), m_sStatus);
        break;
    default:
        break;
    }
    paintStatus(painter);
    m_bPainting = false;
}

ScreenCanvas CalibDlg::canvas() const {
    ScreenCanvas c;
    c.width = m_nWidth;
    c.height = m_nHeight;
    c.dpiRatio = m_dpiRatio;
    c.background = &m_imgBackground;
    c.text = m_pText;
    return c;
}

QString CalibDlg::statusText() const {
    const bool targetScreen = m_nPaintMode == Targets || m_nPaintMode == Check;
    const bool onTarget = targetScreen && m_nIndex >= 0 && m_nIndex < m_nCount;
    if (onTarget && m_pText) {
        return m_pText->textCS(kTextTargetOf).arg(m_nIndex + 1).arg(m_nCount) +
               QStringLiteral("   ") + m_pText->textCS(kTextPressEsc);
    }
    if (m_nPaintMode == CheckSummary && m_pText)
        return m_pText->textAK(kCheckClose);
    return m_nPaintMode == Outcome ? QString() : m_sStatus;
}

void CalibDlg::paintStatus(QPainter& painter) {
    const QString text = statusText();
    if (text.isEmpty())
        return;
    QVector<QRect> targets;
    const int shown = m_nPaintMode == Pattern ? kPatternTargets : m_nCount;
    for (int i = 0; i < std::min(shown, int(m_ptTarget.size())); ++i)
        targets << targetRect(m_ptTarget[i]);
    painter.setLayoutDirection(m_pText && m_pText->isRightToLeft() ? Qt::RightToLeft
                                                                   : Qt::LeftToRight);
    painter.setFont(canvas().font(10));
    paintStatusLine(painter, text, QSize(m_nWidth, m_nHeight), targets);
}

void CalibDlg::showStatus(const QString& text) {
    m_sStatus = text;
    update();
}

void CalibDlg::showOutcome(const QString& text) {
    prepareWindow(Outcome);
    m_sStatus = text;
    label->hide();
    // Text only: nothing is measured on it, and a miss is already logged.
    static_cast<void>(showAndWait());
}

void CalibDlg::showCheckSummary(const AccuracyCheck& check) {
    m_check = check;
    label->hide();
    m_pAnim->stop();
    setPaintMode(CheckSummary);
}

void CalibDlg::setCheckNote(const QString& text) {
    m_sCheckNote = text;
    update();
}

void CalibDlg::cancelByUser() {
    if (!isVisible())
        return;
    hide();
    emit sigCaliDlgWorkingDone(false);
}

void CalibDlg::backByUser() {
    if (!isVisible())
        return;
    emit sigMCPrevStepPointer();
}

void CalibDlg::on_pushButton_clicked() {
    cancelByUser();
}

void CalibDlg::on_pushButtonLeft_clicked() {
    backByUser();
}

void CalibDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        cancelByUser();
        break;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        backByUser();
        break;
    default:
        event->ignore();
        break;
    }
}

void CalibDlg::closeEvent(QCloseEvent* event) {
    hide();
    event->accept();
}

void CalibDlg::hideEvent(QHideEvent* event) {
    unsetCursor();
    QDialog::hideEvent(event);
}

bool CalibDlg::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool touch =
        type == QEvent::TouchBegin || type == QEvent::TouchUpdate || type == QEvent::TouchEnd;
    if (g_bTouchCapture && m_nPaintMode == Check && type == QEvent::MouseButtonRelease) {
        // A touch that reached the window as the mouse (the system or the toolkit made the
        // click from it) is the pen's; a plain click is taken, but as a mouse click, which no
        // check passes with: it may be anyone's mouse.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_bLastCatchByPen = mouse->source() != Qt::MouseEventNotSynthesized;
            catchTouchRelease(QPointF(mapFromGlobal(mouse->globalPos())), mouse->screenPos());
            return true;
        }
    }
    if (!g_bTouchCapture || !touch)
        return QDialog::eventFilter(watched, event);

    const auto* touchEvent = static_cast<QTouchEvent*>(event);
    for (const QTouchEvent::TouchPoint& point : touchEvent->touchPoints()) {
        if (point.state() == Qt::TouchPointReleased) {
            m_bLastCatchByPen = true;
            catchTouchRelease(point.pos(), point.screenPos());
        }
    }
    return true;
}

void CalibDlg::catchTouchRelease(const QPointF& localPos, const QPointF& screenPos) {
    const QPoint global = mapToGlobal(QPoint(truncToInt(localPos.x()), truncToInt(localPos.y())));
    g_bTouchCapture = false;

    const QVector<ScreenDesc> screens = KqUtils::screens();
    const QRect first = screens.isEmpty() ? QRect() : screens.first().geometry;
    qCDebug(lcCalib).noquote() << QStringLiteral(
                                      "event Touch Release (%1, %2) -> (%3, %4) in %5 x %6")
                                      .arg(global.x())
                                      .arg(global.y())
                                      .arg(floorToInt(screenPos.x()))
                                      .arg(floorToInt(screenPos.y()))
                                      .arg(first.width())
                                      .arg(first.height());
    emit sigTouchEvent(global.x(), global.y());
}
