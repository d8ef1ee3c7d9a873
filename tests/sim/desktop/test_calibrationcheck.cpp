#include "device/ByteOrder.h"
#include "sim/ModuleState.h"
#include "sim/RecordLayout.h"
#include "sim/SimProfile.h"
#include "sim/desktop/CalibrationCheck.h"
#include "sim/desktop/DeskWorld.h"

#include <QtTest>

namespace {

StoredState storedWith(const ProjectionParams& model, int w, int h) {
    StoredState s;
    s.lens = 1;
    s.fwMinor = 12;
    uint8_t* r = s.record.data();
    for (int i = 0; i < rec::kProjectionValues; ++i)
        le::putf64(r, rec::kProjection + 8 * size_t(i), model[size_t(i)]);
    le::put16(r, rec::kWindowWidth2, uint16_t(w));
    le::put16(r, rec::kWindowHeight2, uint16_t(h));
    return s;
}

} // namespace

class TestCalibrationCheck : public QObject {
    Q_OBJECT

private slots:
    void truthStoredGivesZero() {
        SimProfile profile;
        profile.penTweakTable = -1; // the pen exactly on the touched point
        const ProjectionParams truth = deskGroundTruth(profile, 1280, 800);
        const QString line = storedCalibrationReport(storedWith(truth, 1280, 800), profile);
        QCOMPARE(line, QStringLiteral("stored calibration vs. ground truth: RMS 0.00 px, worst "
                                      "0.00 px (window pixels)"));
    }

    // A model fitted to a window of another size is off by the difference.
    void otherWindowSizeIsSeen() {
        const SimProfile profile;
        const ProjectionParams truth = deskGroundTruth(profile, 800, 600);
        const CalibrationError e = compareWithGroundTruth(truth, profile, 1, 12, 1600, 1200);
        QVERIFY(e.points > 1000);
        QVERIFY(e.rms > 100.0);
        QVERIFY(e.worst >= e.rms);
    }

    // Where the pen shows off the touched point, the true model alone no longer matches it.
    void penOffsetsCount() {
        SimProfile profile;
        profile.penTweakTable = 0;
        const ProjectionParams truth = deskGroundTruth(profile, 800, 600);
        const CalibrationError e = compareWithGroundTruth(truth, profile, 1, 12, 800, 600);
        QVERIFY(e.rms > 0.3);
        QVERIFY(e.rms < 5.0);
    }

    void nothingStoredSaysSo() {
        const SimProfile profile;
        StoredState never;
        QCOMPARE(storedCalibrationReport(never, profile),
                 QStringLiteral("stored calibration: none (window size 0 x 0)"));
    }

    void modelOutOfViewComparesNothing() {
        SimProfile profile;
        profile.screenCentreX = 2500;
        profile.lensDistortionScale = 0.0;
        const ProjectionParams truth = deskGroundTruth(profile, 800, 600);
        QCOMPARE(compareWithGroundTruth(truth, profile, 1, 12, 800, 600).points, 0);
    }
};

QTEST_MAIN(TestCalibrationCheck)
#include "test_calibrationcheck.moc"
