#include "calib/CalibDlg.h"
#include "calib/PatternPainter.h"
#include "calib/StatusLine.h"
#include "display/KqUtils.h"
#include "language/LanguageTable.h"
#include "log/Pause.h"

#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTimer>
#include <QTouchEvent>
#include <QtTest>

namespace {

void useScreens(const QVector<ScreenDesc>& screens) {
    KqUtils::setScreenSource([screens] { return screens; });
}

// A window manager that puts every window it maps in the top left corner, whatever was asked.
class CornerDesktop : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            QTimer::singleShot(0, watched,
                               [watched] { static_cast<QWidget*>(watched)->move(0, 0); });
        return false;
    }
};

// What the window paints itself, without background or children.
QImage paintedByWindow(CalibDlg& dlg, QRgb sentinel) {
    int w = 0;
    int h = 0;
    dlg.getWindowSize(w, h);
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(sentinel);
    dlg.render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
    return img;
}

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

QTouchEvent::TouchPoint touchPoint(int id, Qt::TouchPointState state, QPointF local,
                                   QPointF screen) {
    QTouchEvent::TouchPoint p(id);
    p.setState(state);
    p.setPos(local);
    p.setScreenPos(screen);
    return p;
}

const QRgb kSentinel = qRgb(255, 0, 255);

} // namespace

class CalibDlgTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void constructedHiddenWithItsParts();
    void windowOnLeftmostMonitor();
    void preparedTargets();
    void paintModes_data();
    void paintModes();
    void targetScreenStopsAfterLastTarget();
    void statusLine_data();
    void statusLine();
    void statusLineAvoidsTargets();
    void targetScreenShowsInstructions();
    void paintHandshake();
    void windowKeptOffItsMonitor();
    void keysOnlyWhileVisible_data();
    void keysOnlyWhileVisible();
    void hiddenButtonsActAsKeys();
    void closingOnlyHides();
    void releasedTouchesWhileArmed();
    void mouseReleaseCountsOnlyInTheCheck_data();
    void mouseReleaseCountsOnlyInTheCheck();
    void ringsFillAndSignalOnTwelfthTick();
    void ringTimerDrivesTheSignal();
    void glideBetweenTargets();

private:
    LanguageTable m_text;
    CalibDlg* m_dlg = nullptr;
};

void CalibDlgTest::init() {
    m_text.loadLanguage(LanguageTable::kEnglishIndex + 1);
    useScreens({{QRect(0, 0, 1920, 1080), 96.0}});
    g_bTouchCapture = false;
    m_dlg = new CalibDlg(&m_text);
}

void CalibDlgTest::cleanup() {
    delete m_dlg;
    m_dlg = nullptr;
    KqUtils::setScreenSource({});
    g_bTouchCapture = false;
}

void CalibDlgTest::constructedHiddenWithItsParts() {
    QCOMPARE(int(m_dlg->windowFlags()), 0x41803);
    QCOMPARE(m_dlg->objectName(), QStringLiteral("CalibDlg"));
    QVERIFY(!m_dlg->isVisible());
    QVERIFY(m_dlg->testAttribute(Qt::WA_AcceptTouchEvents));
    auto* label = m_dlg->findChild<QLabel*>("label");
    QVERIFY(label);
    QCOMPARE(label->size(), QSize(113, 113));
    QCOMPARE(label->alignment(), Qt::AlignCenter);
    QVERIFY(m_dlg->findChild<QPushButton*>("pushButton"));
    QVERIFY(m_dlg->findChild<QPushButton*>("pushButtonLeft"));
    QCOMPARE(m_dlg->paintMode(), int(CalibDlg::Black));
    QCOMPARE(m_dlg->getCount(), 0);
    QCOMPARE(m_dlg->m_nCeiling + m_dlg->m_nRear + m_dlg->m_nLens + m_dlg->m_nPenSelect, 0);
    QCOMPARE(m_dlg->dpiRatio(), 1.0);
}

void CalibDlgTest::windowOnLeftmostMonitor() {
    useScreens({{QRect(0, 0, 1920, 1080), 96.0}, {QRect(-1280, 0, 1280, 800), 144.0}});
    m_dlg->prepareWindow(CalibDlg::Targets);

    QCOMPARE(m_dlg->paintMode(), int(CalibDlg::Targets));
    QCOMPARE(m_dlg->geometry(), QRect(-1280, 0, 1280, 800));
    int w = 0;
    int h = 0;
    m_dlg->getWindowSize(w, h);
    QCOMPARE(QSize(w, h), QSize(1280, 800));
    QCOMPARE(m_dlg->dpiRatio(), 1.5);
    QCOMPARE(m_dlg->cursor().shape(), Qt::BlankCursor);
    QVERIFY(!m_dlg->findChild<QPushButton*>("pushButton")->isVisibleTo(m_dlg));
    QVERIFY(!m_dlg->findChild<QPushButton*>("pushButtonLeft")->isVisibleTo(m_dlg));
}

void CalibDlgTest::preparedTargets() {
    m_dlg->prepareWindow(CalibDlg::Targets);
    auto* label = m_dlg->findChild<QLabel*>("label");

    m_dlg->prepareManualTargets();
    QVERIFY(label->isVisibleTo(m_dlg));
    QCOMPARE(m_dlg->targetPoints()[4].x, 675.f);
    QCOMPARE(label->geometry(), targetRect(m_dlg->targetPoints()[0]));

    m_dlg->prepareAutoTargets();
    QVERIFY(!label->isVisibleTo(m_dlg));
    QCOMPARE(m_dlg->targetPoints()[2].x, 960.f);

    m_dlg->prepareTuningTargets();
    QVERIFY(label->isVisibleTo(m_dlg));
    const TargetPoints pattern = targetPoints(1920, 1080, true);
    QCOMPARE(m_dlg->targetPoints()[1].y, pattern[5].y);
    QCOMPARE(m_dlg->targetPoints()[4].x, pattern[1].x);
    QCOMPARE(m_dlg->targetPoints()[19].x, pattern[19].x);
    QCOMPARE(label->geometry(), targetRect(pattern[0]));
}

void CalibDlgTest::paintModes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("ceiling");
    QTest::addColumn<QString>("leftoverStatus");
    QTest::newRow("black") << int(CalibDlg::Black) << 0 << QString();
    QTest::newRow("white") << int(CalibDlg::White) << 0 << QString();
    QTest::newRow("pattern upright") << int(CalibDlg::Pattern) << 0 << QString();
    QTest::newRow("pattern ceiling") << int(CalibDlg::Pattern) << 1 << QString();
    // The screens the module photographs carry no status, whatever the last run showed.
    QTest::newRow("black after a status") << int(CalibDlg::Black) << 0 << "Computing";
    QTest::newRow("white after a status") << int(CalibDlg::White) << 0 << "Computing";
    QTest::newRow("pattern after a status") << int(CalibDlg::Pattern) << 0 << "Computing";
}

void CalibDlgTest::paintModes() {
    QFETCH(int, mode);
    QFETCH(int, ceiling);
    QFETCH(QString, leftoverStatus);
    useScreens({{QRect(0, 0, 1280, 800), 96.0}});
    m_dlg->showStatus(leftoverStatus);
    m_dlg->m_nCeiling = ceiling;
    m_dlg->prepareWindow(mode);
    m_dlg->prepareAutoTargets();

    const QImage painted = paintedByWindow(*m_dlg, kSentinel);
    QImage expected(1280, 800, QImage::Format_RGB32);
    if (mode == CalibDlg::Pattern) {
        QPainter p(&expected);
        paintPattern(p, 1280, 800, ceiling, 0);
    } else {
        expected.fill(mode == CalibDlg::White ? Qt::white : Qt::black);
    }
    QCOMPARE(painted, expected);
}

void CalibDlgTest::targetScreenStopsAfterLastTarget() {
    m_dlg->prepareWindow(CalibDlg::Targets);
    m_dlg->prepareManualTargets();
    m_dlg->setCount(16);
    m_dlg->setCurrentIndex(16);
    const QImage painted = paintedByWindow(*m_dlg, kSentinel);
    QImage untouched(painted.size(), painted.format());
    untouched.fill(kSentinel);
    QCOMPARE(painted, untouched);
}

void CalibDlgTest::statusLine_data() {
    QTest::addColumn<int>("languageId");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("expected");
    QTest::newRow("manual target 5") << 7 << int(CalibDlg::Targets) << 4 << 16 << QString()
                                     << "Target 5 of 16   Press Esc to cancel";
    QTest::newRow("tuning target 20, German")
        << 11 << int(CalibDlg::Targets) << 19 << 20 << QString()
        << "Ziel 20 von 20   Esc drücken zum Abbrechen";
    QTest::newRow("past the last target")
        << 7 << int(CalibDlg::Targets) << 16 << 16 << QString() << QString();
    QTest::newRow("pattern captured") << 7 << int(CalibDlg::Pattern) << 0 << 20 << "Computing"
                                      << "Computing";
    QTest::newRow("check target 3") << 7 << int(CalibDlg::Check) << 2 << 9 << QString()
                                    << "Target 3 of 9   Press Esc to cancel";
    QTest::newRow("check summary")
        << 7 << int(CalibDlg::CheckSummary) << 9 << 9 << QString() << "Press Esc to close.";
}

void CalibDlgTest::statusLine() {
    QFETCH(int, languageId);
    QFETCH(int, mode);
    QFETCH(int, index);
    QFETCH(int, count);
    QFETCH(QString, shown);
    QFETCH(QString, expected);
    m_text.loadLanguage(languageId);
    m_dlg->prepareWindow(mode);
    m_dlg->prepareManualTargets();
    m_dlg->setCount(count);
    m_dlg->setCurrentIndex(index);
    m_dlg->showStatus(shown);
    QCOMPARE(m_dlg->statusText(), expected);
    // The band: solid runs of its grey, which neither the screens nor antialiased text have.
    const QImage painted = paintedByWindow(*m_dlg, kSentinel);
    const QRgb band = qRgb(40, 40, 40);
    QRect changed;
    for (int y = 0; y < painted.height(); ++y) {
        int run = 0;
        for (int x = 0; x < painted.width(); ++x) {
            run = painted.pixel(x, y) == band ? run + 1 : 0;
            if (run >= 20)
                changed |= QRect(x - 19, y, 20, 1);
        }
    }
    QCOMPARE(changed.isEmpty(), expected.isEmpty());
    for (int i = 0; i < count && i < 16; ++i) {
        const QPointF c(m_dlg->targetPoints()[i].x, m_dlg->targetPoints()[i].y);
        QVERIFY(!changed.intersects(QRect(c.toPoint() - QPoint(56, 56), QSize(113, 113))));
    }
    m_text.loadLanguage(7);
}

void CalibDlgTest::statusLineAvoidsTargets() {
    const QSize window(1920, 1080);
    const QSize band(300, 24);
    // Bottom centre when it is free.
    QCOMPARE(statusLineRect(band, window, {QRect(0, 0, 113, 113)}), QRect(810, 1048, 300, 24));
    // A target at the bottom and the top centre: the gap between the first two columns.
    const QVector<QRect> centre = {QRect(904, 974, 113, 113), QRect(904, 0, 113, 113),
                                   QRect(48, 974, 113, 113)};
    const QRect gap = statusLineRect(band, window, centre);
    for (const QRect& t : centre)
        QVERIFY(!gap.intersects(t));
}

void CalibDlgTest::targetScreenShowsInstructions() {
    QVERIFY2(!m_text.textCW(1).isEmpty(), "the English texts must be loaded");
    m_dlg->prepareWindow(CalibDlg::Targets);
    m_dlg->prepareManualTargets();
    m_dlg->setCount(16);
    m_dlg->setCurrentIndex(15);
    const QImage painted = paintedByWindow(*m_dlg, kSentinel);

    // White text only inside its rectangle: 900 x 100 under the centre.
    int whiteInside = 0;
    for (int y = 540; y < 640; ++y) {
        for (int x = 510; x < 1410; ++x)
            whiteInside += qGray(painted.pixel(x, y)) > 200;
    }
    QVERIFY(whiteInside > 200);
    // The heading, from the language table, centred at the top.
    int headingLeft = 1920;
    int headingRight = -1;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 1920; ++x) {
            if (qGray(painted.pixel(x, y)) > 200) {
                headingLeft = qMin(headingLeft, x);
                headingRight = qMax(headingRight, x);
            }
        }
    }
    QVERIFY(headingRight - headingLeft > 100);
    QVERIFY(qAbs((headingLeft + headingRight) / 2 - 960) < 20);
    for (int x = 0; x < 1920; x += 7) {
        QVERIFY(qGray(painted.pixel(x, 700)) < 200);
        QVERIFY(qGray(painted.pixel(x, 530)) < 200);
    }
}

void CalibDlgTest::paintHandshake() {
    useScreens({{QRect(0, 0, 800, 600), 96.0}});
    PaintCounter counter;
    m_dlg->installEventFilter(&counter);
    m_dlg->prepareWindow(CalibDlg::Black);
    m_dlg->prepareAutoTargets();

    QVERIFY(m_dlg->showAndWait());
    QVERIFY(m_dlg->isVisible());
    QVERIFY(counter.paints >= 1);

    const int before = counter.paints;
    m_dlg->setPaintMode(CalibDlg::White);
    QCOMPARE(m_dlg->paintMode(), int(CalibDlg::White));
    QVERIFY(counter.paints > before);

    const int again = counter.paints;
    m_dlg->setPaintMode(CalibDlg::KeepMode);
    QCOMPARE(m_dlg->paintMode(), int(CalibDlg::White));
    QVERIFY(counter.paints > again);
}

void CalibDlgTest::windowKeptOffItsMonitor() {
    useScreens({{QRect(0, 0, 800, 600), 96.0}, {QRect(800, 0, 640, 480), 96.0}});
    ScreenChoice projector;
    projector.position = QPoint(800, 0);
    projector.hasPosition = true;
    KqUtils::setCalibrationScreen(projector);
    CornerDesktop desktop;
    m_dlg->installEventFilter(&desktop);
    m_dlg->prepareWindow(CalibDlg::Black);
    QVERIFY(!m_dlg->showAndWait());
    QCOMPARE(m_dlg->view().monitor, QRect(0, 0, 640, 480));
    KqUtils::setCalibrationScreen({});
}

void CalibDlgTest::keysOnlyWhileVisible_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("back");
    QTest::newRow("Esc visible") << int(Qt::Key_Escape) << true << 1 << 0;
    QTest::newRow("Esc hidden") << int(Qt::Key_Escape) << false << 0 << 0;
    QTest::newRow("Backspace visible") << int(Qt::Key_Backspace) << true << 0 << 1;
    QTest::newRow("Delete visible") << int(Qt::Key_Delete) << true << 0 << 1;
    QTest::newRow("Delete hidden") << int(Qt::Key_Delete) << false << 0 << 0;
    QTest::newRow("Enter visible") << int(Qt::Key_Return) << true << 0 << 0;
}

void CalibDlgTest::keysOnlyWhileVisible() {
    QFETCH(int, key);
    QFETCH(bool, visible);
    QFETCH(int, done);
    QFETCH(int, back);
    useScreens({{QRect(0, 0, 800, 600), 96.0}});
    m_dlg->prepareWindow(CalibDlg::Black);
    if (visible)
        m_dlg->show();

    QSignalSpy doneSpy(m_dlg, &CalibDlg::sigCaliDlgWorkingDone);
    QSignalSpy backSpy(m_dlg, &CalibDlg::sigMCPrevStepPointer);
    QTest::keyClick(m_dlg, Qt::Key(key));
    QCOMPARE(doneSpy.count(), done);
    QCOMPARE(backSpy.count(), back);
    if (done) {
        QCOMPARE(doneSpy.first().first().toBool(), false);
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->cursor().shape(), Qt::ArrowCursor);
    } else {
        QCOMPARE(m_dlg->isVisible(), visible);
    }
}

void CalibDlgTest::hiddenButtonsActAsKeys() {
    useScreens({{QRect(0, 0, 800, 600), 96.0}});
    m_dlg->prepareWindow(CalibDlg::Black);
    QSignalSpy doneSpy(m_dlg, &CalibDlg::sigCaliDlgWorkingDone);
    QSignalSpy backSpy(m_dlg, &CalibDlg::sigMCPrevStepPointer);
    auto* cancel = m_dlg->findChild<QPushButton*>("pushButton");
    auto* left = m_dlg->findChild<QPushButton*>("pushButtonLeft");

    left->click();
    cancel->click();
    QCOMPARE(backSpy.count() + doneSpy.count(), 0);

    m_dlg->show();
    left->click();
    QCOMPARE(backSpy.count(), 1);
    cancel->click();
    QCOMPARE(doneSpy.count(), 1);
    QVERIFY(!m_dlg->isVisible());
}

void CalibDlgTest::closingOnlyHides() {
    useScreens({{QRect(0, 0, 800, 600), 96.0}});
    m_dlg->prepareWindow(CalibDlg::Black);
    m_dlg->show();
    QSignalSpy doneSpy(m_dlg, &CalibDlg::sigCaliDlgWorkingDone);
    m_dlg->close();
    QVERIFY(!m_dlg->isVisible());
    QCOMPARE(doneSpy.count(), 0);
}

void CalibDlgTest::releasedTouchesWhileArmed() {
    useScreens({{QRect(0, 0, 800, 600), 96.0}});
    m_dlg->prepareWindow(CalibDlg::Black);
    m_dlg->show();
    QTouchDevice* device = QTest::createTouchDevice();
    QSignalSpy spy(m_dlg, &CalibDlg::sigTouchEvent);

    const QList<QTouchEvent::TouchPoint> points{
        touchPoint(0, Qt::TouchPointReleased, {100.7, 200.2}, {100.7, 200.2}),
        touchPoint(1, Qt::TouchPointStationary, {5, 5}, {5, 5}),
        touchPoint(2, Qt::TouchPointReleased, {300.2, 50.9}, {300.2, 50.9}),
    };
    QTouchEvent unarmed(QEvent::TouchBegin, device, Qt::NoModifier, Qt::TouchPointReleased, points);
    QCoreApplication::sendEvent(m_dlg, &unarmed);
    QCOMPARE(spy.count(), 0);

    // The toolkit delivers the rest of a touch only when its begin was taken.
    g_bTouchCapture = true;
    QTouchEvent begin(QEvent::TouchBegin, device, Qt::NoModifier, Qt::TouchPointPressed,
                      {touchPoint(0, Qt::TouchPointPressed, {100.7, 200.2}, {100.7, 200.2})});
    QVERIFY(QCoreApplication::sendEvent(m_dlg, &begin));
    QCOMPARE(spy.count(), 0);
    QVERIFY(g_bTouchCapture);

    QTouchEvent end(QEvent::TouchEnd, device, Qt::NoModifier, Qt::TouchPointReleased, points);
    QVERIFY(QCoreApplication::sendEvent(m_dlg, &end));
    QCOMPARE(spy.count(), 2);
    const QPoint first = m_dlg->mapToGlobal(QPoint(100, 200));
    const QPoint second = m_dlg->mapToGlobal(QPoint(300, 50));
    QCOMPARE(spy.at(0), (QList<QVariant>{first.x(), first.y()}));
    QCOMPARE(spy.at(1), (QList<QVariant>{second.x(), second.y()}));
    QVERIFY(!g_bTouchCapture);

    // Disarmed by the first release: the next touch passes.
    QTouchEvent later(QEvent::TouchEnd, device, Qt::NoModifier, Qt::TouchPointReleased, points);
    QCoreApplication::sendEvent(m_dlg, &later);
    QCOMPARE(spy.count(), 2);
}

// The check takes a mouse release too: one made from a touch as the pen's, a plain click as
// a mouse click (which fails the check); the calibration's probes take none.
void CalibDlgTest::mouseReleaseCountsOnlyInTheCheck_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("caught");
    QTest::addColumn<bool>("pen");
    QTest::newRow("check, plain click")
        << int(CalibDlg::Check) << int(Qt::MouseEventNotSynthesized) << 1 << false;
    QTest::newRow("check, made from a touch by the toolkit")
        << int(CalibDlg::Check) << int(Qt::MouseEventSynthesizedByQt) << 1 << true;
    QTest::newRow("check, made from a touch by the system")
        << int(CalibDlg::Check) << int(Qt::MouseEventSynthesizedBySystem) << 1 << true;
    QTest::newRow("calibration targets")
        << int(CalibDlg::Targets) << int(Qt::MouseEventNotSynthesized) << 0 << true;
}

void CalibDlgTest::mouseReleaseCountsOnlyInTheCheck() {
    QFETCH(int, mode);
    QFETCH(int, source);
    QFETCH(int, caught);
    QFETCH(bool, pen);
    useScreens({{QRect(0, 0, 800, 600), 96.0}});
    m_dlg->prepareWindow(mode);
    m_dlg->show();
    QSignalSpy spy(m_dlg, &CalibDlg::sigTouchEvent);
    g_bTouchCapture = true;
    const QPoint local(120, 340);
    const QPoint global = m_dlg->mapToGlobal(local);
    QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier, Qt::MouseEventSource(source));
    QCoreApplication::sendEvent(m_dlg, &release);
    QCOMPARE(spy.count(), caught);
    if (caught)
        QCOMPARE(spy.first(), (QList<QVariant>{global.x(), global.y()}));
    QCOMPARE(g_bTouchCapture, caught == 0);
    QCOMPARE(m_dlg->lastCatchByPen(), pen);
    g_bTouchCapture = false;
}

void CalibDlgTest::ringsFillAndSignalOnTwelfthTick() {
    m_dlg->prepareWindow(CalibDlg::Targets);
    m_dlg->prepareManualTargets();
    m_dlg->setCount(16);
    m_dlg->setCurrentIndex(3);
    auto* label = m_dlg->findChild<QLabel*>("label");
    QSignalSpy spy(m_dlg, &CalibDlg::sigMCNextStepPointer);

    m_dlg->setArcAnimation(true);
    QVERIFY(m_dlg->isArcRunning());
    auto ringAt = [&](int x, int y) {
        return label->pixmap(Qt::ReturnByValue).toImage().pixel(x, y);
    };
    // Outer ring, centre (56.25, 56.25), radius 37.25: top and bottom.
    for (int tick = 1; tick <= 5; ++tick)
        m_dlg->OnTimer();
    QCOMPARE(ringAt(56, 19), qRgb(255, 0, 0));  // 90 degrees: swept
    QVERIFY(ringAt(56, 93) != qRgb(255, 0, 0)); // 270 degrees: not yet

    for (int tick = 6; tick <= 11; ++tick)
        m_dlg->OnTimer();
    QCOMPARE(ringAt(56, 93), qRgb(255, 0, 0));
    QCOMPARE(spy.count(), 0);
    m_dlg->OnTimer();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(ringAt(56, 93), qRgb(255, 255, 255));

    m_dlg->setArcAnimation(false);
    QVERIFY(!m_dlg->isArcRunning());
    QCOMPARE(ringAt(56, 19), qRgb(255, 255, 255));

    // Past the last target the rings fill but nothing more is asked for.
    m_dlg->setCurrentIndex(16);
    m_dlg->setArcAnimation(true);
    for (int tick = 1; tick <= 13; ++tick)
        m_dlg->OnTimer();
    QCOMPARE(spy.count(), 1);
    m_dlg->setArcAnimation(false);
}

void CalibDlgTest::ringTimerDrivesTheSignal() {
    m_dlg->prepareWindow(CalibDlg::Targets);
    m_dlg->prepareManualTargets();
    m_dlg->setCount(16);
    QSignalSpy spy(m_dlg, &CalibDlg::sigMCNextStepPointer);
    QElapsedTimer clock;
    clock.start();
    m_dlg->setArcAnimation(true);
    QVERIFY(spy.wait(3000));
    // Twelve 20 ms ticks (at the tests' pause scale), never fewer.
    QVERIFY(clock.elapsed() >= pause::scaledMs(200));
    m_dlg->setArcAnimation(false);
}

void CalibDlgTest::glideBetweenTargets() {
    m_dlg->prepareWindow(CalibDlg::Targets);
    m_dlg->prepareManualTargets();
    m_dlg->setCount(16);
    auto* label = m_dlg->findChild<QLabel*>("label");
    auto* anim = m_dlg->findChild<QPropertyAnimation*>();
    QVERIFY(anim);
    QCOMPARE(anim->duration(), pause::scaledMs(400));
    const TargetPoints& pts = m_dlg->targetPoints();

    m_dlg->setCurrentIndex(1);
    m_dlg->animateToNext();
    QCOMPARE(anim->startValue().toRect(), targetRect(pts[0]));
    QCOMPARE(anim->endValue().toRect(), targetRect(pts[1]));
    QTRY_COMPARE(label->geometry(), targetRect(pts[1]));
    // The read-only view the virtual module's desk relies on tells the same.
    const CalibDlg::View settled = m_dlg->view();
    QCOMPARE(settled.symbol, targetRect(pts[1]));
    QVERIFY(!settled.symbolGliding);
    QCOMPARE(settled.index, 1);
    QCOMPARE(settled.count, 16);
    QCOMPARE(settled.paintMode, int(CalibDlg::Targets));
    QCOMPARE(targetRect(settled.targets[1]), targetRect(pts[1]));

    m_dlg->setCurrentIndex(0);
    m_dlg->animateToPrev();
    QCOMPARE(anim->startValue().toRect(), targetRect(pts[1]));
    QTRY_COMPARE(label->geometry(), targetRect(pts[0]));

    // After the last target the symbol goes; stepping back brings it again.
    m_dlg->setCurrentIndex(16);
    m_dlg->animateToNext();
    QVERIFY(!label->isVisibleTo(m_dlg));
    m_dlg->setCurrentIndex(15);
    m_dlg->animateToPrev();
    QVERIFY(label->isVisibleTo(m_dlg));
    QTRY_COMPARE(label->geometry(), targetRect(pts[15]));

    // Out of the table: no glide, no read beyond it.
    m_dlg->setCurrentIndex(kTargetSlots);
    m_dlg->animateToNext();
    QCOMPARE(anim->endValue().toRect(), targetRect(pts[15]));

    // The last target sends the symbol towards the unused slot at (0, 0); a check prepared
    // during that glide starts with the symbol on its first target, and it stays there.
    m_dlg->setCurrentIndex(15);
    m_dlg->animateToPrev();
    m_dlg->setCurrentIndex(16);
    m_dlg->animateToNext();
    QCOMPARE(anim->state(), QAbstractAnimation::Running);
    m_dlg->prepareWindow(CalibDlg::Check);
    m_dlg->prepareCheckTargets(true);
    QCOMPARE(anim->state(), QAbstractAnimation::Stopped);
    QCOMPARE(label->geometry(), targetRect(m_dlg->targetPoints()[0]));
    QVERIFY(label->isVisibleTo(m_dlg));
}

QTEST_MAIN(CalibDlgTest)
#include "test_calibdlg.moc"
