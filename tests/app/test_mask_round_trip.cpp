#include "align/AlignmentDlg.h"
#include "align/maskDlg.h"
#include "app/TvSetupDlg.h"
#include "calib/TvMainCtrl.h"
#include "device/CamDevCtrl.h"
#include "sim/SimTransport.h"

#include <QTemporaryDir>
#include <QtTest>

// A stroke painted in the mask editor travels through the setup window and the link to the
// virtual module, and comes back with the module's next mask download.
class MaskRoundTripTest : public QObject {
    Q_OBJECT

private slots:
    void paintedStrokeComesBack();
};

void MaskRoundTripTest::paintedStrokeComesBack() {
    QTemporaryDir dir;
    qputenv("TIVORA_CONFIG_DIR", dir.path().toLocal8Bit());
    SimProfile profile;
    profile.fwMinor = 14; // the mask editor needs firmware x.14 or later
    auto owned = std::make_unique<SimTransport>(profile);
    SimTransport* sim = owned.get();
    TvSetupDlg dlg(nullptr, false, std::move(owned));
    QList<QByteArray> masks;
    connect(dlg.controller(), &TvMainCtrl::sigReceiveMask, this,
            [&masks](unsigned char* mask, int size) {
                masks << QByteArray(reinterpret_cast<const char*>(mask), size);
            });
    dlg.start();
    QTRY_COMPARE_WITH_TIMEOUT(masks.size(), 1, 15000);
    QCOMPARE(masks.last().size(), CamDevCtrl::kMaskSize);

    AlignmentDlg* view = dlg.alignmentView();
    view->setOpeningPause(0);
    dlg.slotStartAlignmentDisplay();
    QTRY_VERIFY(view->isVisible());
    QVERIFY(QMetaObject::invokeMethod(view, "on_pushB_clicked"));
    QVERIFY(view->isMaskMode());
    maskDlg* editor = view->maskEditor();
    QTRY_VERIFY(editor->isVisible());
    QTest::mousePress(editor, Qt::LeftButton, {}, QPoint(100, 100));
    for (int x = 110; x <= 300; x += 10)
        QTest::mouseMove(editor, QPoint(x, 100 + (x - 100) / 4));
    QTest::mouseRelease(editor, Qt::LeftButton, {}, QPoint(300, 150));

    QSignalSpy stopped(view, &AlignmentDlg::sigStopAlignmentDisplay);
    QTest::keyClick(view, Qt::Key_Escape);
    QCOMPARE(stopped.size(), 1);
    QCOMPARE(stopped.first().first().toBool(), true);
    const QByteArray painted(reinterpret_cast<const char*>(view->m_pMaskBufBit),
                             CamDevCtrl::kMaskSize);
    QVERIFY(painted.left(CamDevCtrl::kMaskSize - 1).count('\0') < CamDevCtrl::kMaskSize - 1);

    QTRY_VERIFY_WITH_TIMEOUT(
        QByteArray(reinterpret_cast<const char*>(sim->module().state().stored.mask.data()),
                   CamDevCtrl::kMaskSize) == painted,
        10000);

    // The next download, as after the module is plugged in again.
    const int before = masks.size();
    dlg.controller()->device()->OpenDevice();
    QTRY_VERIFY_WITH_TIMEOUT(masks.size() > before, 15000);
    QCOMPARE(masks.last(), painted);
}

QTEST_MAIN(MaskRoundTripTest)
#include "test_mask_round_trip.moc"
