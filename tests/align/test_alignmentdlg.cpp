#include "align/AlignmentDlg.h"
#include "align/maskDlg.h"
#include "display/KqUtils.h"
#include "language/LanguageTable.h"

#include <QFrame>
#include <QLCDNumber>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <vector>

Q_DECLARE_METATYPE(ScreenDesc)

namespace {

using Bytes = std::vector<unsigned char>;

void useScreens(const QVector<ScreenDesc>& screens) {
    KqUtils::setScreenSource([screens] { return screens; });
}

void mouse(QWidget& w, QEvent::Type type, QPoint p) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(p), w.mapToGlobal(p), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

void dragOn(QWidget& w, QPoint from, QPoint to) {
    mouse(w, QEvent::MouseButtonPress, from);
    const int steps =
        std::max(1, std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y())) / 4);
    for (int k = 1; k <= steps; ++k)
        mouse(w, QEvent::MouseMove, from + (to - from) * k / steps);
    mouse(w, QEvent::MouseButtonRelease, to);
}

bool bitSet(const unsigned char* bits, int x, int y) {
    return bits[y * MaskBitmap::kRowBytes + x / 8] & (0x80 >> (x % 8));
}

double distanceToSegment(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / len2, 0.0, 1.0) : 0.0;
    return QLineF(p, a + t * ab).length();
}

template <typename W> W* part(AlignmentDlg& dlg, const char* name) {
    return dlg.findChild<W*>(QString::fromLatin1(name));
}

} // namespace

class AlignmentDlgTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void constructedHiddenAndEmpty();
    void gainStepSendsItsGain_data();
    void gainStepSendsItsGain();
    void sliderSendsOnlyWhenReleased();
    void openingSendsTheRememberedGain();
    void layoutFollowsTheDisplay_data();
    void layoutFollowsTheDisplay();
    void paintsFrameAndArrows();
    void f11CyclesBinning();
    void firmwareGatesTheMaskEditor_data();
    void firmwareGatesTheMaskEditor();
    void closeSaysWhetherToUpload_data();
    void closeSaysWhetherToUpload();
    void receivedMaskShowsRedAndComesBack();
    void paintingSetsExactlyThoseBits();
    void erasingClearsExactlyThoseBits();
    void receivedMaskLengthIsBounded();
    void calibrationStartClosesTheEditor();

private:
    std::unique_ptr<AlignmentDlg> openView(const QString& version = QString());
    LanguageTable m_text;
    std::unique_ptr<AlignmentDlg> m_dlg;
};

void AlignmentDlgTest::initTestCase() {
    m_text.loadLanguage(LanguageTable::kEnglishIndex + 1);
}

void AlignmentDlgTest::init() {
    useScreens({{QRect(0, 0, 1920, 1080), 96.0}});
}

void AlignmentDlgTest::cleanup() {
    m_dlg.reset();
    KqUtils::setScreenSource({});
}

std::unique_ptr<AlignmentDlg> AlignmentDlgTest::openView(const QString& version) {
    auto dlg = std::make_unique<AlignmentDlg>(&m_text);
    dlg->setOpeningPause(0);
    dlg->SetFWVersion(version);
    dlg->SetAlignmentDisplay(true);
    dlg->showOnMonitor();
    return dlg;
}

void AlignmentDlgTest::constructedHiddenAndEmpty() {
    AlignmentDlg dlg(&m_text);
    QVERIFY(!dlg.isVisible());
    QVERIFY(!dlg.isDisplayOn());
    QVERIFY(!dlg.maskEditor()->isVisible());
    QVERIFY(std::all_of(std::begin(dlg.m_pMaskBufBit), std::end(dlg.m_pMaskBufBit),
                        [](unsigned char b) { return b == 0; }));
    for (const char* name :
         {"label", "pushButton", "frame", "label_7", "pushB", "frameMask", "labelMask",
          "pushButtonDraw", "pushButtonEraser", "pushButtonEraserAll"})
        QVERIFY2(dlg.findChild<QWidget*>(QString::fromLatin1(name)), name);
    QCOMPARE(part<QSlider>(dlg, "hSlideAlignmentViewGain")->maximum(), 9);
    QCOMPARE(part<QSlider>(dlg, "hSlideAlignmentViewGain")->pageStep(), 1);
}

void AlignmentDlgTest::gainStepSendsItsGain_data() {
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("gain");
    QTest::newRow("lowest") << 0 << 16;
    QTest::newRow("setup window at start") << 5 << 256;
    QTest::newRow("step 8") << 8 << 768;
    QTest::newRow("highest") << 9 << 1023;
    QTest::newRow("above the range") << 12 << 1023;
    QTest::newRow("below the range") << -3 << 16;
}

void AlignmentDlgTest::gainStepSendsItsGain() {
    QFETCH(int, step);
    QFETCH(int, gain);
    AlignmentDlg dlg(&m_text);
    QSignalSpy spy(&dlg, &AlignmentDlg::sigCamParamSendWait);
    dlg.SetGainStep(step);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<unsigned short>(), static_cast<unsigned short>(gain));
    QCOMPARE(spy.at(0).at(1).value<unsigned int>(), 0u);
    QCOMPARE(part<QLCDNumber>(dlg, "numObjAlignmentViewGain")->intValue(),
             part<QSlider>(dlg, "hSlideAlignmentViewGain")->value());
}

void AlignmentDlgTest::sliderSendsOnlyWhenReleased() {
    AlignmentDlg dlg(&m_text);
    QSignalSpy spy(&dlg, &AlignmentDlg::sigCamParamSendWait);
    auto* slider = part<QSlider>(dlg, "hSlideAlignmentViewGain");
    slider->setSliderDown(true);
    slider->setValue(7);
    QCOMPARE(part<QLCDNumber>(dlg, "numObjAlignmentViewGain")->intValue(), 7);
    QCOMPARE(spy.count(), 0);
    slider->setSliderDown(false);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<unsigned short>(), static_cast<unsigned short>(512));
}

void AlignmentDlgTest::openingSendsTheRememberedGain() {
    AlignmentDlg dlg(&m_text);
    dlg.setOpeningPause(0);
    QSignalSpy spy(&dlg, &AlignmentDlg::sigCamParamSendWait);
    dlg.SetAlignmentDisplay(true);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<unsigned short>(), static_cast<unsigned short>(256));

    part<QSlider>(dlg, "hSlideAlignmentViewGain")->setValue(2);
    dlg.SetAlignmentDisplay(false);
    QVERIFY(!dlg.isDisplayOn());
    QVERIFY(!dlg.isVisible());
    dlg.SetAlignmentDisplay(true);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).value<unsigned short>(), static_cast<unsigned short>(64));
}

void AlignmentDlgTest::layoutFollowsTheDisplay_data() {
    QTest::addColumn<QVector<ScreenDesc>>("screens");
    QTest::addColumn<QRect>("view");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<QRect>("close");
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("frameMask");
    QTest::addColumn<QRect>("eraserAll");

    // 1024 wide: the tools go below the picture.
    QTest::newRow("narrow") << QVector<ScreenDesc>{{QRect(0, 0, 1024, 768), 96.0}}
                            << QRect(0, 0, 1024, 768) << 1.0 << QRect(447, 648, 130, 30)
                            << QRect(397, 569, 230, 70) << QRect(397, 659, 230, 90)
                            << QRect(553, 696, 64, 40);
    // 1920 wide at 144 dpi: to the right of the picture, every design size times 1.5.
    QTest::newRow("wide, 144 dpi")
        << QVector<ScreenDesc>{{QRect(0, 0, 1920, 1080), 144.0}} << QRect(0, 0, 1920, 1080) << 1.5
        << QRect(863, 900, 195, 45) << QRect(1287, 360, 345, 105) << QRect(1287, 495, 345, 135)
        << QRect(1521, 550, 96, 60);
    // The leftmost of two monitors, exactly 1280 wide: right of the picture.
    QTest::newRow("leftmost, 1280")
        << QVector<ScreenDesc>{{QRect(0, 0, 1920, 1080), 96.0}, {QRect(-1280, 0, 1280, 800), 96.0}}
        << QRect(-1280, 0, 1280, 800) << 1.0 << QRect(575, 680, 130, 30) << QRect(965, 220, 230, 70)
        << QRect(965, 310, 230, 90) << QRect(1121, 347, 64, 40);
}

void AlignmentDlgTest::layoutFollowsTheDisplay() {
    QFETCH(QVector<ScreenDesc>, screens);
    QFETCH(QRect, view);
    QFETCH(double, ratio);
    QFETCH(QRect, close);
    QFETCH(QRect, frame);
    QFETCH(QRect, frameMask);
    QFETCH(QRect, eraserAll);
    useScreens(screens);
    m_dlg = openView();

    QCOMPARE(m_dlg->geometry(), view);
    QCOMPARE(m_dlg->dpiRatio(), ratio);
    QVERIFY(m_dlg->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(m_dlg->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(m_dlg->imageLabel()->geometry(),
             QRect(view.width() / 2 - 320, view.height() / 2 - 180, 640, 360));
    QCOMPARE(m_dlg->imageLabel()->pixmap(Qt::ReturnByValue).toImage().pixel(320, 180),
             qRgb(255, 255, 255));
    QCOMPARE(part<QPushButton>(*m_dlg, "pushButton")->geometry(), close);
    QCOMPARE(part<QPushButton>(*m_dlg, "pushButton")->text(), QStringLiteral("Close"));
    QCOMPARE(part<QFrame>(*m_dlg, "frame")->geometry(), frame);
    QCOMPARE(part<QFrame>(*m_dlg, "frameMask")->geometry(), frameMask);
    QCOMPARE(part<QPushButton>(*m_dlg, "pushButtonEraserAll")->geometry(), eraserAll);
    QCOMPARE(part<QPushButton>(*m_dlg, "pushButtonEraserAll")->text(),
             QStringLiteral("Eraser All"));
    QVERIFY(!part<QFrame>(*m_dlg, "frameMask")->isVisible());
}

void AlignmentDlgTest::paintsFrameAndArrows() {
    useScreens({{QRect(0, 0, 1024, 768), 96.0}});
    m_dlg = openView();
    const QImage shot = m_dlg->grab().toImage();
    // The 50-pixel black frame centred on the rectangle (50, 50)-(974, 718).
    QCOMPARE(shot.pixel(30, 384), qRgb(0, 0, 0));
    QCOMPARE(shot.pixel(990, 384), qRgb(0, 0, 0));
    QVERIFY(shot.pixel(1010, 384) != qRgb(0, 0, 0));
    QCOMPARE(shot.pixel(200, 70), qRgb(0, 0, 0));
    QVERIFY(shot.pixel(90, 384) != qRgb(0, 0, 0));
    // The red arrow marks at the top and bottom edges, centred.
    QCOMPARE(shot.pixel(512, 20), qRgb(255, 0, 0));
    QCOMPARE(shot.pixel(512, 747), qRgb(255, 0, 0));
    QVERIFY(shot.pixel(530, 20) != qRgb(255, 0, 0));
    QCOMPARE(shot.pixel(530, 40), qRgb(0, 0, 0));
}

void AlignmentDlgTest::f11CyclesBinning() {
    AlignmentDlg hidden(&m_text);
    QSignalSpy hiddenSpy(&hidden, &AlignmentDlg::sigSetBin);
    QTest::keyClick(&hidden, Qt::Key_F11);
    QCOMPARE(hiddenSpy.count(), 0);

    m_dlg = openView();
    QSignalSpy spy(m_dlg.get(), &AlignmentDlg::sigSetBin);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(m_dlg.get(), Qt::Key_F11);
    QCOMPARE(spy.count(), 4);
    const int expected[] = {1, 2, 0, 1};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(spy.at(i).at(0).toInt(), expected[i]);
    QCOMPARE(m_dlg->binMode(), 1);
    QVERIFY(m_dlg->isVisible());
}

void AlignmentDlgTest::firmwareGatesTheMaskEditor_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("lower");
    QTest::addColumn<bool>("opens");
    QTest::newRow("13") << "V1.00.13" << 13 << false;
    QTest::newRow("14") << "V1.00.14" << 14 << true;
    QTest::newRow("99") << "1.0.99" << 99 << true;
    QTest::newRow(".9") << "1.0.9" << 0 << false;
    QTest::newRow("09") << "1.0.09" << 0 << false;
    QTest::newRow("not a number") << "1.0.AB" << 0 << false;
    QTest::newRow("empty") << "" << 0 << false;
}

void AlignmentDlgTest::firmwareGatesTheMaskEditor() {
    QFETCH(QString, version);
    QFETCH(int, lower);
    QFETCH(bool, opens);
    useScreens({{QRect(0, 0, 1920, 1080), 96.0}, {QRect(-1024, 0, 1024, 768), 96.0}});
    m_dlg = openView(version);
    QCOMPARE(m_dlg->fwLower(), lower);
    // The nearly invisible toggle says what it opens, or why it does not.
    const QString hint = part<QPushButton>(*m_dlg, "pushB")->toolTip();
    QVERIFY(!hint.isEmpty());
    QCOMPARE(hint, m_text.textAV(opens ? 0 : 1));
    QSignalSpy draw(m_dlg.get(), &AlignmentDlg::sigDraw);

    part<QPushButton>(*m_dlg, "pushB")->click();
    QCOMPARE(m_dlg->isMaskMode(), opens);
    QCOMPARE(m_dlg->maskEditor()->isVisible(), opens);
    QCOMPARE(part<QFrame>(*m_dlg, "frameMask")->isVisible(), opens);
    QCOMPARE(draw.count(), opens ? 1 : 0);
    if (!opens)
        return;
    // Laid exactly over the picture.
    QCOMPARE(m_dlg->maskEditor()->geometry(), QRect(192, 204, 640, 360));
    QVERIFY(part<QPushButton>(*m_dlg, "pushButtonDraw")->isChecked());
    QVERIFY(!part<QPushButton>(*m_dlg, "pushButtonEraser")->isChecked());

    part<QPushButton>(*m_dlg, "pushButtonEraser")->click();
    QVERIFY(m_dlg->maskEditor()->isEraser());
    QVERIFY(!part<QPushButton>(*m_dlg, "pushButtonDraw")->isChecked());
    part<QPushButton>(*m_dlg, "pushButtonDraw")->click();
    QVERIFY(!m_dlg->maskEditor()->isEraser());

    part<QPushButton>(*m_dlg, "pushB")->click();
    QVERIFY(!m_dlg->isMaskMode());
    QVERIFY(!m_dlg->maskEditor()->isVisible());
    QVERIFY(!part<QFrame>(*m_dlg, "frameMask")->isVisible());

    // Esc in the editor leaves it as the toggle does, keeping the strokes; the next Esc
    // closes the view.
    part<QPushButton>(*m_dlg, "pushB")->click();
    dragOn(*m_dlg->maskEditor(), QPoint(100, 100), QPoint(200, 120));
    const int strokes = m_dlg->maskEditor()->strokeCount();
    QVERIFY(strokes > 0);
    QTest::keyClick(m_dlg->maskEditor(), Qt::Key_Escape);
    QVERIFY(!m_dlg->isMaskMode());
    QVERIFY(!m_dlg->maskEditor()->isVisible());
    QCOMPARE(m_dlg->maskEditor()->strokeCount(), strokes);
    QVERIFY(m_dlg->isVisible());
    QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
    QVERIFY(!m_dlg->isVisible());
}

void AlignmentDlgTest::closeSaysWhetherToUpload_data() {
    QTest::addColumn<bool>("received");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("upload");
    QTest::addColumn<int>("flag");
    // Nothing received and nothing edited: the zero bitmap must not wipe the module's mask.
    QTest::newRow("nothing to send") << false << false << false << 0;
    QTest::newRow("received, not edited") << true << false << true << 0;
    QTest::newRow("edited") << false << true << true << 1;
    QTest::newRow("received and edited") << true << true << true << 1;
}

void AlignmentDlgTest::closeSaysWhetherToUpload() {
    QFETCH(bool, received);
    QFETCH(bool, edit);
    QFETCH(bool, upload);
    QFETCH(int, flag);
    m_dlg = openView(QStringLiteral("1.0.14"));
    Bytes mask(MaskBitmap::kBytes, 0);
    mask[5] = 0x3C;
    mask[MaskBitmap::kFlagIndex] = 1;
    if (received)
        m_dlg->SetReceiveMask(mask.data(), int(mask.size()));
    if (edit)
        part<QPushButton>(*m_dlg, "pushB")->click();

    QSignalSpy spy(m_dlg.get(), &AlignmentDlg::sigStopAlignmentDisplay);
    QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), upload);
    QVERIFY(!m_dlg->isVisible());
    QVERIFY(!m_dlg->maskEditor()->isVisible());
    QVERIFY(!m_dlg->isMaskMode());
    QCOMPARE(int(m_dlg->m_pMaskBufBit[MaskBitmap::kFlagIndex]), flag);
    QCOMPARE(int(m_dlg->m_pMaskBufBit[5]), received ? 0x3C : 0);
}

void AlignmentDlgTest::receivedMaskShowsRedAndComesBack() {
    m_dlg = openView(QStringLiteral("1.0.14"));
    Bytes mask(MaskBitmap::kBytes, 0);
    mask[0] = 0x80;  // (0, 0)
    mask[1] = 0x01;  // (15, 0)
    mask[80] = 0x80; // (0, 1)
    m_dlg->SetReceiveMask(mask.data(), int(mask.size()));
    part<QPushButton>(*m_dlg, "pushB")->click();

    const QImage& canvas = m_dlg->maskEditor()->canvas();
    int masked = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            masked += MaskBitmap::isMasked(canvas.pixel(x, y)) ? 1 : 0;
    QCOMPARE(masked, 3);
    for (const QPoint p : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 1)})
        QCOMPARE(canvas.pixel(p), qRgba(255, 0, 0, 255));

    part<QPushButton>(*m_dlg, "pushButton")->click();
    mask[MaskBitmap::kFlagIndex] = 1;
    QVERIFY(std::equal(mask.begin(), mask.end(), m_dlg->m_pMaskBufBit));

    // A full random mask survives the same trip through the editor bit for bit.
    Bytes random(MaskBitmap::kBytes);
    QRandomGenerator rng(14);
    std::generate(random.begin(), random.end(), [&] { return uchar(rng.bounded(256)); });
    random[MaskBitmap::kFlagIndex] = 1;
    m_dlg->SetAlignmentDisplay(true);
    m_dlg->showOnMonitor();
    m_dlg->SetReceiveMask(random.data(), int(random.size()));
    part<QPushButton>(*m_dlg, "pushB")->click();
    QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
    QVERIFY(std::equal(random.begin(), random.end(), m_dlg->m_pMaskBufBit));
}

void AlignmentDlgTest::paintingSetsExactlyThoseBits() {
    m_dlg = openView(QStringLiteral("1.0.14"));
    part<QPushButton>(*m_dlg, "pushB")->click();
    maskDlg& editor = *m_dlg->maskEditor();
    const QPoint a(100, 100);
    const QPoint b(300, 150);
    dragOn(editor, a, b);
    part<QPushButton>(*m_dlg, "pushButton")->click();

    const unsigned char* bits = m_dlg->m_pMaskBufBit;
    QCOMPARE(int(bits[MaskBitmap::kFlagIndex]), 1);
    int set = 0;
    for (int y = 0; y < MaskBitmap::kHeight; ++y) {
        for (int x = 0; x < MaskBitmap::kWidth; ++x) {
            const double d = distanceToSegment(QPointF(x, y), a, b);
            if (bitSet(bits, x, y)) {
                ++set;
                QVERIFY2(d <= 10.5, qPrintable(QString("(%1, %2) %3").arg(x).arg(y).arg(d)));
            } else {
                QVERIFY2(d >= 7.0, qPrintable(QString("(%1, %2) %3").arg(x).arg(y).arg(d)));
            }
        }
    }
    // About 20 pixels wide along the 206-pixel segment, plus the round ends.
    QVERIFY2(set > 3500 && set < 4800, qPrintable(QString::number(set)));
}

void AlignmentDlgTest::erasingClearsExactlyThoseBits() {
    m_dlg = openView(QStringLiteral("1.0.14"));
    Bytes full(MaskBitmap::kBytes, 0xFF);
    full[MaskBitmap::kFlagIndex] = 0;
    m_dlg->SetReceiveMask(full.data(), int(full.size()));
    part<QPushButton>(*m_dlg, "pushB")->click();
    part<QPushButton>(*m_dlg, "pushButtonEraser")->click();
    const QPoint a(300, 200);
    const QPoint b(400, 200);
    dragOn(*m_dlg->maskEditor(), a, b);
    QTest::keyClick(m_dlg.get(), Qt::Key_Escape);

    const unsigned char* bits = m_dlg->m_pMaskBufBit;
    for (int y = 0; y < MaskBitmap::kHeight; ++y) {
        for (int x = 0; x < MaskBitmap::kWidth; ++x) {
            const double d = distanceToSegment(QPointF(x, y), a, b);
            if (d <= 7.0)
                QVERIFY2(!bitSet(bits, x, y), qPrintable(QString("(%1, %2)").arg(x).arg(y)));
            else if (d >= 12.0) // antialiased erase edges reach a pixel beyond the pen
                QVERIFY2(bitSet(bits, x, y), qPrintable(QString("(%1, %2)").arg(x).arg(y)));
        }
    }
}

void AlignmentDlgTest::receivedMaskLengthIsBounded() {
    m_dlg = openView();
    Bytes longer(40000, 0x5A);
    m_dlg->SetReceiveMask(nullptr, 100);
    m_dlg->SetReceiveMask(longer.data(), -5);
    m_dlg->SetReceiveMask(longer.data(), 0);
    QCOMPARE(int(m_dlg->m_pMaskBufBit[0]), 0);
    {
        QSignalSpy spy(m_dlg.get(), &AlignmentDlg::sigStopAlignmentDisplay);
        QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
        QCOMPARE(spy.at(0).at(0).toBool(), false);
    }
    m_dlg->SetReceiveMask(longer.data(), int(longer.size()));
    QVERIFY(std::all_of(std::begin(m_dlg->m_pMaskBufBit), std::end(m_dlg->m_pMaskBufBit),
                        [](unsigned char b) { return b == 0x5A; }));
}

void AlignmentDlgTest::calibrationStartClosesTheEditor() {
    m_dlg = openView(QStringLiteral("1.0.20"));
    part<QPushButton>(*m_dlg, "pushB")->click();
    QVERIFY(m_dlg->maskEditor()->isVisible());
    dragOn(*m_dlg->maskEditor(), QPoint(10, 10), QPoint(50, 10));

    QSignalSpy stop(m_dlg.get(), &AlignmentDlg::sigStopAlignmentDisplay);
    m_dlg->SetAlignmentDisplay(false);
    QVERIFY(!m_dlg->isVisible());
    QVERIFY(!m_dlg->maskEditor()->isVisible());
    QVERIFY(!m_dlg->isMaskMode());
    QCOMPARE(stop.count(), 0);

    // The strokes survive: the next opening of the editor shows them again.
    m_dlg->SetAlignmentDisplay(true);
    m_dlg->showOnMonitor();
    part<QPushButton>(*m_dlg, "pushB")->click();
    QVERIFY(m_dlg->isMaskMode());
    QVERIFY(MaskBitmap::isMasked(m_dlg->maskEditor()->canvas().pixel(30, 10)));
}

QTEST_MAIN(AlignmentDlgTest)
#include "test_alignmentdlg.moc"
