#include "device/CamDevCtrl.h"
#include "sim/SimTransport.h"
#include "tests/support/QueuedSpy.h"

#include <QtTest>

// The link against the virtual module, as it runs in the program.
class LinkWithVirtualModuleTest : public QObject {
    Q_OBJECT

private slots:
    void maskRoundTripTwice();
    void captureWithDroppedPartsArrivesWhole();
};

void LinkWithVirtualModuleTest::maskRoundTripTwice() {
    SimProfile profile;
    auto owned = std::make_unique<SimTransport>(profile);
    CamDevCtrl link(std::move(owned));
    QList<int> lengths;
    QByteArray last;
    connect(&link, &CamDevCtrl::sigReceiveMask, this, [&](unsigned char* mask, int len) {
        lengths << len;
        last = QByteArray(reinterpret_cast<char*>(mask), CamDevCtrl::kMaskSize);
    });
    QVERIFY(link.IsDeviceConnected(true));
    QVERIFY(link.OpenDevice());
    QTRY_COMPARE_WITH_TIMEOUT(lengths.size(), 1, 10000);
    QCOMPARE(lengths.first(), CamDevCtrl::kMaskSize);
    QCOMPARE(last, QByteArray(CamDevCtrl::kMaskSize, '\0'));

    QByteArray mask(CamDevCtrl::kMaskSize, '\0');
    for (int i = 0; i < mask.size(); ++i)
        mask[i] = char((i * 31) ^ (i >> 7));
    link.SetMask(reinterpret_cast<const uint8_t*>(mask.constData()), mask.size());

    // Opening again asks for the stored mask once more, as after a replug.
    QVERIFY(link.OpenDevice());
    QTRY_COMPARE_WITH_TIMEOUT(lengths.size(), 2, 10000);
    QCOMPARE(lengths.last(), CamDevCtrl::kMaskSize);
    QCOMPARE(last, mask);
}

void LinkWithVirtualModuleTest::captureWithDroppedPartsArrivesWhole() {
    SimProfile profile;
    profile.exposureMs = 0;
    profile.dropFraction = 0.05;
    profile.dropSeed = 7;
    auto owned = std::make_unique<SimTransport>(profile);
    SimTransport* sim = owned.get();
    CamDevCtrl link(std::move(owned));
    QVERIFY(link.OpenDevice());

    QueuedSpy steps(&link, &CamDevCtrl::sigACNextStep);
    QByteArray capture;
    connect(&link, &CamDevCtrl::sigACNewFrame, this, [&](unsigned char* buf, int size) {
        capture = QByteArray(reinterpret_cast<char*>(buf), size);
    });
    link.SendACPatternStart(0);
    QVERIFY(steps.wait(5000));
    link.RequestACImage(103, 0);
    QTRY_COMPARE_WITH_TIMEOUT(capture.size(), CamDevCtrl::kCapturedImageSize, 20000);

    const std::vector<uint8_t> held = sim->module().state().session.captures[103].pixels;
    QCOMPARE(int(held.size()), CamDevCtrl::kCapturedImageSize);
    QVERIFY(capture == QByteArray(reinterpret_cast<const char*>(held.data()), int(held.size())));
}

QTEST_GUILESS_MAIN(LinkWithVirtualModuleTest)
#include "test_link_with_virtual_module.moc"
