#include "display/KqUtils.h"

#include <QScreen>
#include <QtTest>

Q_DECLARE_METATYPE(QVector<ScreenDesc>)
Q_DECLARE_METATYPE(ScreenChoice)

namespace {

ScreenDesc screen(int left, int top, int w, int h, double dpi = 96.0) {
    return {QRect(left, top, w, h), dpi};
}

ScreenDesc named(const QString& name, int left, int w = 1920) {
    return {QRect(left, 0, w, 1080), 96.0, QRect(), name};
}

// The same desktop through Xwayland and natively: the outputs' names differ, their identities
// and positions do not.
ScreenDesc identified(const QString& name, int left, int w, const QString& identity) {
    ScreenDesc s = named(name, left, w);
    s.identity = identity;
    return s;
}

ScreenChoice chosenBy(const QString& name, const QString& identity = QString(),
                      const QPoint* position = nullptr) {
    ScreenChoice c;
    c.name = name;
    c.identity = identity;
    c.hasPosition = position != nullptr;
    c.position = position ? *position : QPoint();
    return c;
}

} // namespace

class KqUtilsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        KqUtils::setScreenSource({});
        KqUtils::setCalibrationScreen({});
    }
    void leftmostFirst_data();
    void leftmostFirst();
    void dpiRatio_data();
    void dpiRatio();
    void toolkitListByDefault();
    void calibrationScreen_data();
    void calibrationScreen();
};

void KqUtilsTest::leftmostFirst_data() {
    QTest::addColumn<QVector<ScreenDesc>>("screens");
    QTest::addColumn<QRect>("first");
    QTest::addColumn<QRect>("second");

    QTest::newRow("one monitor") << QVector<ScreenDesc>{screen(0, 0, 1920, 1080)}
                                 << QRect(QPoint(0, 0), QPoint(1919, 1079)) << QRect();
    QTest::newRow("second monitor left of primary")
        << QVector<ScreenDesc>{screen(0, 0, 1920, 1080), screen(-1280, 0, 1280, 800)}
        << QRect(-1280, 0, 1280, 800) << QRect(0, 0, 1920, 1080);
    QTest::newRow("three monitors")
        << QVector<ScreenDesc>{screen(1920, 0, 1280, 1024), screen(0, 0, 1920, 1080),
                               screen(-1024, 100, 1024, 768)}
        << QRect(-1024, 100, 1024, 768) << QRect(0, 0, 1920, 1080);
    QTest::newRow("stacked monitors: the first listed")
        << QVector<ScreenDesc>{screen(0, 1080, 1920, 1080), screen(0, 0, 1920, 1080)}
        << QRect(0, 1080, 1920, 1080) << QRect(0, 0, 1920, 1080);
    QTest::newRow("no monitor") << QVector<ScreenDesc>{} << QRect() << QRect();
}

void KqUtilsTest::leftmostFirst() {
    QFETCH(QVector<ScreenDesc>, screens);
    QFETCH(QRect, first);
    QFETCH(QRect, second);
    KqUtils::setScreenSource([screens] { return screens; });

    QRect out[2] = {QRect(1, 2, 3, 4), QRect(5, 6, 7, 8)};
    KqUtils::getWindowRect(out);
    QCOMPARE(out[0], first);
    QCOMPARE(out[1], second);
    QCOMPARE(out[1].isNull(), second.isNull());
    QCOMPARE(KqUtils::leftmostScreen(), first);
}

void KqUtilsTest::dpiRatio_data() {
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<double>("ratio");
    QTest::newRow("144 dpi") << QRect(-1280, 0, 1280, 800) << 1.5;
    QTest::newRow("96 dpi") << QRect(0, 0, 1920, 1080) << 1.0;
    QTest::newRow("120 dpi") << QRect(1920, 0, 1280, 1024) << 1.25;
    QTest::newRow("same corner, other size") << QRect(-1280, 0, 1280, 801) << 1.0;
    QTest::newRow("no screen") << QRect(5000, 0, 800, 600) << 1.0;
    // The toolkit scales this screen by 2 itself and reports 96 / 2.
    QTest::newRow("scaled by the toolkit") << QRect(0, 1080, 1920, 1080) << 1.0;
    QTest::newRow("null rectangle") << QRect() << 1.0;
}

void KqUtilsTest::dpiRatio() {
    QFETCH(QRect, rect);
    QFETCH(double, ratio);
    const QVector<ScreenDesc> screens{
        screen(0, 0, 1920, 1080, 96), screen(-1280, 0, 1280, 800, 144),
        screen(1920, 0, 1280, 1024, 120), screen(0, 1080, 1920, 1080, 48)};
    KqUtils::setScreenSource([screens] { return screens; });
    QCOMPARE(KqUtils::dpiRatioOf(rect), ratio);
}

void KqUtilsTest::toolkitListByDefault() {
    // The offscreen platform offers one 800 x 600 screen.
    QRect out[2];
    KqUtils::getWindowRect(out);
    QCOMPARE(out[0], QGuiApplication::primaryScreen()->geometry());
    QVERIFY(out[1].isNull());
    // Run again with QT_SCREEN_SCALE_FACTORS=2 (see CMakeLists.txt): the toolkit's scaling
    // stands, nothing shrinks it back.
    QVERIFY(KqUtils::dpiRatioOf(out[0]) >= 1.0);
}

void KqUtilsTest::calibrationScreen_data() {
    QTest::addColumn<QVector<ScreenDesc>>("screens");
    QTest::addColumn<ScreenChoice>("chosen");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<QString>("output");

    const QVector<ScreenDesc> laptopAndProjector{named("eDP-1", 0, 1366),
                                                 named("HDMI-1", 1366, 1280)};
    QTest::newRow("nothing chosen: the leftmost")
        << laptopAndProjector << ScreenChoice() << QRect(0, 0, 1366, 1080) << "eDP-1";
    QTest::newRow("the projector right of the laptop")
        << laptopAndProjector << chosenBy("HDMI-1") << QRect(1366, 0, 1280, 1080) << "HDMI-1";
    QTest::newRow("chosen screen gone: the leftmost")
        << laptopAndProjector << chosenBy("DP-3") << QRect(0, 0, 1366, 1080) << "eDP-1";
    QTest::newRow("listed right to left, nothing chosen")
        << QVector<ScreenDesc>{named("DP-2", 1920), named("DP-1", 0), named("DP-0", -1920)}
        << ScreenChoice() << QRect(-1920, 0, 1920, 1080) << "DP-0";
    QTest::newRow("no monitor") << QVector<ScreenDesc>{} << chosenBy("HDMI-1") << QRect()
                                << QString();

    const QVector<ScreenDesc> native{identified("HEADLESS-1", 0, 1920, "A/Laptop/1"),
                                     identified("HEADLESS-2", 1920, 1280, "B/Projector/7")};
    const QPoint right(1920, 0);
    QTest::newRow("stored under Xwayland, used natively: identity wins over the name")
        << native << chosenBy("XWAYLAND1", "B/Projector/7", &right) << QRect(1920, 0, 1280, 1080)
        << "HEADLESS-2";
    QTest::newRow("identity beats a name that another output now has")
        << native << chosenBy("HEADLESS-1", "B/Projector/7") << QRect(1920, 0, 1280, 1080)
        << "HEADLESS-2";
    const QVector<ScreenDesc> twins{identified("HEADLESS-1", 0, 1920, "headless/headless/"),
                                    identified("HEADLESS-2", 1920, 1280, "headless/headless/")};
    QTest::newRow("an identity both outputs share counts for nothing: position")
        << twins << chosenBy("XWAYLAND1", "headless/headless/", &right)
        << QRect(1920, 0, 1280, 1080) << "HEADLESS-2";
    QTest::newRow("shared identity, known name")
        << twins << chosenBy("HEADLESS-2", "headless/headless/") << QRect(1920, 0, 1280, 1080)
        << "HEADLESS-2";
    const QPoint nowhere(5000, 0);
    QTest::newRow("nothing matches: the leftmost")
        << twins << chosenBy("XWAYLAND1", "C/Other/1", &nowhere) << QRect(0, 0, 1920, 1080)
        << "HEADLESS-1";
}

void KqUtilsTest::calibrationScreen() {
    QFETCH(QVector<ScreenDesc>, screens);
    QFETCH(ScreenChoice, chosen);
    QFETCH(QRect, expected);
    QFETCH(QString, output);
    KqUtils::setScreenSource([screens] { return screens; });
    KqUtils::setCalibrationScreen(chosen);
    QCOMPARE(KqUtils::calibrationScreen(), expected);
    QCOMPARE(KqUtils::calibrationOutput(), output);
    // The monitor list that window placement uses stays as it always was.
    QRect out[2];
    KqUtils::getWindowRect(out);
    QCOMPARE(out[0], KqUtils::leftmostScreen());
}

QTEST_MAIN(KqUtilsTest)
#include "test_kqutils.moc"
