#include "DeskFixture.h"
#include "sim/camera/GroundTruth.h"
#include "sim/desktop/DeskWorld.h"

#include <QPainter>
#include <QWidget>
#include <QtTest>

namespace {

// Black, with a white rectangle at a known place of the monitor.
class Card : public QWidget {
public:
    QRect white{300, 200, 200, 150};
    bool allWhite = false;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), allWhite ? Qt::white : Qt::black);
        p.fillRect(white, Qt::white);
    }
};

SimProfile plainProfile(int lens) {
    SimProfile p;
    p.lens = uint8_t(lens);
    p.noiseSigma = 0.0;
    p.blurSigma = 0.0;
    p.vignetting = 0.0;
    return p;
}

int greyAt(const QImage& img, const cv::Point2d& p) {
    return qGray(img.pixel(int(std::lround(p.x)), int(std::lround(p.y))));
}

} // namespace

class TestDesktopScene : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_card = std::make_unique<Card>();
        m_card->setWindowFlags(Qt::FramelessWindowHint);
        m_card->setGeometry(DesktopDesk::calibrationMonitor());
        m_card->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_card.get()));
    }
    void cleanup() { m_card.reset(); }

    void pictureIsTheMonitorAsPainted() {
        DeskFixture f(plainProfile(0));
        f.desk.refresh();
        const QImage monitor = f.scene->monitor();
        QCOMPARE(monitor.size(), DesktopDesk::calibrationMonitor().size());
        QCOMPARE(qGray(monitor.pixel(310, 210)), 255);
        QCOMPARE(qGray(monitor.pixel(290, 210)), 0);
    }

    // Just inside and just outside each edge of the white rectangle, as the truth's inverse
    // places the edge in the camera.
    void captureShowsTheMonitorWhereTheTruthSays_data() {
        QTest::addColumn<int>("lens");
        QTest::addColumn<bool>("mirrored");
        QTest::newRow("upright sensor") << 0 << false;
        QTest::newRow("mirrored sensor of lens 1") << 1 << true;
    }
    void captureShowsTheMonitorWhereTheTruthSays() {
        QFETCH(int, lens);
        QFETCH(bool, mirrored);
        DeskFixture f(plainProfile(lens));
        f.desk.refresh();
        const QSize size = f.scene->monitor().size();
        const ProjectionParams truth = deskGroundTruth(f.profile, size.width(), size.height());
        const QImage capture = f.scene->frame(1280, 720);
        const QImage live = f.scene->frame(640, 360);
        const QRect w = m_card->white;
        const double cy = w.center().y();
        const double cx = w.center().x();
        const QList<QPair<cv::Point2d, bool>> probes = {
            {{w.left() + 3.0, cy}, true},   {{w.left() - 4.0, cy}, false},
            {{w.right() - 3.0, cy}, true},  {{w.right() + 4.0, cy}, false},
            {{cx, w.top() + 3.0}, true},    {{cx, w.top() - 4.0}, false},
            {{cx, w.bottom() - 3.0}, true}, {{cx, w.bottom() + 4.0}, false},
        };
        for (const auto& probe : probes) {
            cv::Point2d c = cameraPointOf(truth, probe.first);
            if (mirrored)
                c.x = 1279.0 - c.x;
            const int grey = greyAt(capture, c);
            const int liveGrey = greyAt(live, {(c.x - 0.5) / 2.0, (c.y - 0.5) / 2.0});
            if (probe.second) {
                QVERIFY2(grey > 150, qPrintable(QString::number(grey)));
                QVERIFY2(liveGrey > 120, qPrintable(QString::number(liveGrey)));
            } else {
                QVERIFY2(grey < 60, qPrintable(QString::number(grey)));
            }
        }
    }

    // The module photographs the screen painted before its capture command, without anyone
    // asking the desk for a picture.
    void captureShowsWhatWasPaintedBeforeTheCommand() {
        DeskFixture f(plainProfile(0));
        const ProjectionParams truth =
            deskGroundTruth(f.profile, m_card->width(), m_card->height());
        const cv::Point2d corner = cameraPointOf(truth, {60.0, 60.0});
        m_card->allWhite = true;
        m_card->repaint();
        QVERIFY(f.send(pkt::CMD_AC_WHITE_START, {0}));
        Packet answer{};
        QCOMPARE(f.nextCode(&answer), uint32_t(pkt::RES_AC_WHITE_END));
        const Capture capture = f.transport.module().state().session.captures.at(102);
        const size_t at = size_t(std::lround(corner.y)) * 1280 + size_t(std::lround(corner.x));
        QVERIFY(capture.pixels[at] > 150);
    }

private:
    std::unique_ptr<Card> m_card;
};

QTEST_MAIN(TestDesktopScene)
#include "test_desktopscene.moc"
