#include "CalibDlg.h"

#include "PatternPainter.h"
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

constexpr int kArcTickMs = 20;
constexpr int kArcStepDegrees = 36;
constexpr int kArcDoneAbove = 361;
constexpr int kGlideMs = 400;
constexpr int kWaitRounds = 31;
constexpr int kKoreanIndex = 14;
constexpr int kPatternTargets = 20;
constexpr int kBackgroundHeight = 800;
constexpr int kHeadingTop = 40;
constexpr int kHeadingHeight = 80;
constexpr int kHeadingPixels = 56;
// Entries of the language table's calibration status texts.
constexpr int kTextTargetOf = 2;
constexpr int kTextPressEsc = 3;
constexpr int kTextSucceeded = 4;
// Entries of the accuracy check's texts.
constexpr int kCheckHeading = 0;
constexpr int kCheckInstruction = 1;
constexpr int kCheckFigures = 2;
constexpr int kCheckFiguresMm = 3;
constexpr int kCheckWithin = 4;
constexpr int kCheckAbove = 5;
constexpr int kCheckClose = 6;
constexpr int kCheckNotPen = 9;
constexpr int kCheckUntouched = 10;
// The summary's marks: the worst target's ring, the cross on every target.
constexpr int kWorstRingRadius = 40;
constexpr int kCrossArm = 12;
constexpr int kLabelHeight = 24;

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

void CalibDlg::prepareAutoTargets() {
    label->hide();
    InitialCalibration(true);
    pushButton->hide();
    pushButtonLeft->hide();
}

void CalibDlg::prepareManualTargets() {
    label->show();
    InitialCalibration(false);
    pushButton->hide();
    pushButtonLeft->hide();
    putSymbolOnFirstTarget();
}

void CalibDlg::prepareTuningTargets() {
    label->show();
    InitialCalibration(true);
    m_ptTarget = tuningOrder(m_ptTarget);
    pushButton->hide();
    pushButtonLeft->hide();
    putSymbolOnFirstTarget();
}

void CalibDlg::prepareCheckTargets(bool afterCalibration) {
    m_bCheckAfterCalibration = afterCalibration;
    m_ptTarget = TargetPoints{};
    const auto check = checkPoints(m_nWidth, m_nHeight);
    std::copy(check.begin(), check.end(), m_ptTarget.begin());
    m_sCheckNote.clear();
    label->show();
    pushButton->hide();
    pushButtonLeft->hide();
    putSymbolOnFirstTarget();
}

// The last target of a calibration sends the symbol gliding past the end of its targets, to
// an unused slot at (0, 0); a screen prepared while that glide runs would see the symbol
// carried off its first target.
void CalibDlg::putSymbolOnFirstTarget() {
    m_pAnim->stop();
    label->setGeometry(targetRect(m_ptTarget[0]));
}

void CalibDlg::InitialCalibration(bool bAuto) {
    qCDebug(lcCalib) << "CalibDlg::InitialCalibration():" << bAuto
                     << targetMargin(m_nWidth, m_nHeight) << m_nWidth << m_nHeight;
    m_ptTarget = ::targetPoints(m_nWidth, m_nHeight, bAuto);
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

void CalibDlg::showRings(int sweepDegrees, const QColor& color) {
    label->setPixmap(targetSymbolWithRings(m_pixSymbol, sweepDegrees, color));
}

void CalibDlg::setArcAnimation(bool on) {
    if (on) {
        m_bArcRunning = true;
        m_nArcAngle = 0;
        m_pArcTimer->start(pause::scaledMs(kArcTickMs));
    } else {
        m_bArcRunning = false;
        showRings(360, Qt::white);
        m_pArcTimer->stop();
        m_nArcAngle = 0;
    }
    update();
}

void CalibDlg::OnTimer() {
    // Ten ticks fill the rings; one more shows them full before the target counts as done.
    if (m_nArcAngle < kArcDoneAbove) {
        m_nArcAngle += kArcStepDegrees;
        showRings(m_nArcAngle, QColor(255, 0, 0));
        return;
    }
    showRings(360, Qt::white);
    if (m_nIndex < m_nCount)
        emit sigMCNextStepPointer();
}

void CalibDlg::glide(int from, int to) {
    if (from < 0 || from >= kTargetSlots || to < 0 || to >= kTargetSlots)
        return;
    m_pAnim->stop();
    m_pAnim->setStartValue(targetRect(m_ptTarget[from]));
    m_pAnim->setEndValue(targetRect(m_ptTarget[to]));
    m_pAnim->start();
}

void CalibDlg::animateToNext() {
    // The status line names the new target.
    update();
    if (m_nIndex == m_nCount)
        label->hide();
    glide(m_nIndex - 1, m_nIndex);
}

void CalibDlg::animateToPrev() {
    update();
    // Back from past the last target: the symbol was hidden there and must come back.
    if (m_nIndex >= 0 && m_nIndex < m_nCount)
        label->show();
    glide(m_nIndex + 1, m_nIndex);
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
            paintTargetScreen(painter);
        break;
    case Pattern:
        paintPattern(painter, m_nWidth, m_nHeight, m_nCeiling, m_nRear, m_ptTarget);
        break;
    case Check:
        if (m_nIndex <= m_nCount - 1)
            paintCheckScreen(painter);
        break;
    case CheckSummary:
        paintCheckSummary(painter);
        break;
    case Outcome:
        painter.fillRect(0, 0, m_nWidth, m_nHeight, Qt::black);
        painter.setPen(Qt::white);
        painter.setFont(textFont(24));
        // Wrapped: with several monitors a hint about the touch mapping follows the outcome.
        painter.drawText(QRect(m_nWidth / 10, 0, m_nWidth * 8 / 10, m_nHeight),
                         Qt::AlignCenter | Qt::TextWordWrap, m_sStatus);
        break;
    default:
        break;
    }
    paintStatus(painter);
    m_bPainting = false;
}

QFont CalibDlg::textFont(int pointSize) const {
    QFont font(QStringLiteral("Tahoma"), pointSize);
    if (m_pText && m_pText->languageIndex() == kKoreanIndex)
        font.setFamily(QStringLiteral("Malgun Gothic"));
    return font;
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
    painter.setFont(textFont(10));
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

void CalibDlg::paintHeading(QPainter& painter, const QString& text) {
    // The background is text-free: the heading stands where the picture's design puts it,
    // 40 to 120 of its 800 rows, in the user's language.
    QFont heading = textFont(12);
    heading.setPixelSize(std::max(1, m_nHeight * kHeadingPixels / kBackgroundHeight));
    heading.setBold(true);
    painter.setFont(heading);
    painter.drawText(QRect(0, m_nHeight * kHeadingTop / kBackgroundHeight, m_nWidth,
                           m_nHeight * kHeadingHeight / kBackgroundHeight),
                     Qt::AlignCenter, text);
}

// The accuracy check's heading in the user's language; false without a language table.
bool CalibDlg::paintCheckHeading(QPainter& painter) {
    if (!m_pText)
        return false;
    if (m_pText->isRightToLeft())
        painter.setLayoutDirection(Qt::RightToLeft);
    painter.setPen(Qt::white);
    paintHeading(painter, m_pText->textAK(kCheckHeading));
    return true;
}

void CalibDlg::paintCheckScreen(QPainter& painter) {
    painter.drawImage(QPoint(0, 0), m_imgBackground);
    if (!paintCheckHeading(painter))
        return;
    QString text = m_pText->textAK(kCheckInstruction);
    if (m_bCheckAfterCalibration)
        text = m_pText->textCS(kTextSucceeded) + QStringLiteral("\r\n\r\n") + text;
    // Below the centre target, above the lower ones.
    const int top = m_nHeight / 2 + kTargetSymbolSize / 2 + 10;
    painter.setFont(textFont(12));
    painter.drawText(QRect(0, top, m_nWidth, std::max(1, m_nHeight / 6)), Qt::AlignCenter, text);
}

QString CalibDlg::checkFigures() const {
    if (!m_pText)
        return QString();
    const auto number = [](double v) { return QString::number(v, 'f', 1); };
    const int worst = m_check.worstIndex() + 1;
    if (m_check.knowsMillimetres())
        return m_pText->textAK(kCheckFiguresMm)
            .arg(number(m_check.meanPx()), number(m_check.meanMm()), number(m_check.worstPx()),
                 number(m_check.worstMm()))
            .arg(worst);
    return m_pText->textAK(kCheckFigures)
        .arg(number(m_check.meanPx()), number(m_check.worstPx()))
        .arg(worst);
}

void CalibDlg::paintCheckSummary(QPainter& painter) {
    painter.fillRect(0, 0, m_nWidth, m_nHeight, Qt::black);
    painter.setRenderHint(QPainter::Antialiasing);
    const QVector<AccuracyCheck::Touch>& touches = m_check.touches();
    const int worst = m_check.worstIndex();
    painter.setFont(textFont(10));
    for (int i = 0; i < touches.size(); ++i) {
        const QPointF t = touches[i].target;
        const bool bad = touches[i].errorPx > m_check.thresholdPx();
        painter.setPen(QPen(Qt::white, 2));
        painter.drawLine(t - QPointF(kCrossArm, 0), t + QPointF(kCrossArm, 0));
        painter.drawLine(t - QPointF(0, kCrossArm), t + QPointF(0, kCrossArm));
        const QColor mark = bad ? QColor(255, 160, 0) : QColor(0, 220, 0);
        painter.setPen(QPen(mark, 2));
        if (touches[i].pen) {
            painter.setBrush(mark);
            painter.drawEllipse(touches[i].touch, 4, 4);
        } else {
            // A mouse click is not the pen's: a hollow square, never taken for a touch.
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(touches[i].touch - QPointF(5, 5), QSizeF(10, 10)));
        }
        painter.setBrush(Qt::NoBrush);
        if (i == worst) {
            painter.setPen(QPen(QColor(255, 0, 0), 4));
            painter.drawEllipse(t, kWorstRingRadius, kWorstRingRadius);
        }
        painter.setPen(i == worst ? QColor(255, 80, 80) : QColor(Qt::white));
        // Below the target, or above it where the window ends below.
        const double below = t.y() + kWorstRingRadius + 4;
        const double labelTop =
            below + kLabelHeight <= m_nHeight ? below : t.y() - kWorstRingRadius - 4 - kLabelHeight;
        painter.drawText(QRectF(t.x() - 100, labelTop, 200, kLabelHeight),
                         Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("%1: %2 px").arg(i + 1).arg(touches[i].errorPx, 0, 'f', 1));
    }
    if (!paintCheckHeading(painter))
        return;
    QStringList lines;
    if (m_check.count() > 0)
        lines << checkFigures();
    // The errors decide only a check the pen made to its end.
    if (m_check.untouchedTarget() > 0)
        lines << m_pText->textAK(kCheckUntouched)
                     .arg(m_check.untouchedTarget())
                     .arg(m_check.waitSeconds());
    else if (!m_check.isPenCheck())
        lines << m_pText->textAK(kCheckNotPen).arg(m_check.mouseClicks()).arg(m_check.count());
    else
        lines << (m_check.passed() ? m_pText->textAK(kCheckWithin) : m_pText->textAK(kCheckAbove))
                     .arg(m_check.thresholdPx());
    if (!m_sCheckNote.isEmpty())
        lines << m_sCheckNote;
    const int top = m_nHeight / 2 + kTargetSymbolSize / 2 + 10;
    painter.setFont(textFont(14));
    painter.setPen(m_check.passed() ? QColor(Qt::white) : QColor(255, 160, 0));
    painter.drawText(QRect(0, top, m_nWidth, std::max(1, m_nHeight / 4)),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     lines.join(QStringLiteral("\r\n\r\n")));
}

void CalibDlg::paintTargetScreen(QPainter& painter) {
    painter.drawImage(QPoint(0, 0), m_imgBackground);

    const QRect textRect(m_nWidth / 2 - static_cast<int>(std::floor(m_dpiRatio * 450)),
                         m_nHeight / 2, static_cast<int>(std::floor(m_dpiRatio * 900)),
                         static_cast<int>(std::floor(m_dpiRatio * 100)));
    QString text;
    if (m_pText) {
        text = m_pText->textCW(0) + QStringLiteral("\r\n\r\n") + m_pText->textCW(1) +
               QStringLiteral("\r\n\r\n") + m_pText->textCW(3);
        if (m_pText->isRightToLeft())
            painter.setLayoutDirection(Qt::RightToLeft);
    }
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(Qt::white);
    if (m_pText)
        paintHeading(painter, m_pText->textCW(0));
    painter.setFont(textFont(12));
    painter.drawText(textRect, Qt::AlignCenter, text);
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
