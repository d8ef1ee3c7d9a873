// Renders what the wall shows during a calibration, for docs/screenshots/:
//   tivora_calib_screenshots <folder> [language id, default 7 = English]
// writes calib-pattern.png (upright pattern), calib-computing.png (the same once captured,
// with its status line), calib-manual.png (first manual target with its status line),
// calib-manual-holding.png (its rings half filled), calib-success.png and calib-check.png (an
// accuracy check's summary with its worst target marked), all 1920 x 1080, and
// screen-search.png: two 960 x 540 monitors side by side while the projector is searched, the
// right-hand one lit.
#include "calib/CalibDlg.h"
#include "calib/ScreenLamp.h"
#include "calib/TvMainCtrl.h"
#include "language/LanguageTable.h"
#include "tests/support/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QPainter>

namespace {

bool save(CalibDlg& dlg, const QDir& dir, const QString& name) {
    return screenshots::save(dlg.grab().toImage(), dir, name);
}

// The left monitor black, the right one white with the search's status line; a grey gap
// between them stands for the monitors' frames.
QImage screenSearch(const LanguageTable& text) {
    const QRect monitor(0, 0, 960, 540);
    const QString family = QStringLiteral("Tahoma");
    ScreenLamp left(family);
    ScreenLamp right(family);
    left.setGeometry(monitor);
    right.setGeometry(monitor.translated(960, 0));
    left.setLit(false);
    right.setLit(true, text.textSC(1).arg(2).arg(2));
    QImage picture(960 + 16 + 960, 540, QImage::Format_RGB32);
    picture.fill(QColor(96, 96, 96));
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, left.grab());
    painter.drawPixmap(976, 0, right.grab());
    return picture;
}

bool renderCalibration(const QDir& dir, const LanguageTable& text) {
    CalibDlg dlg(&text);

    dlg.prepareWindow(CalibDlg::Pattern);
    dlg.prepareAutoTargets();
    bool ok = save(dlg, dir, QStringLiteral("calib-pattern.png"));
    dlg.showStatus(text.textCS(TvMainCtrl::kTextComputing));
    ok = save(dlg, dir, QStringLiteral("calib-computing.png")) && ok;

    dlg.prepareWindow(CalibDlg::Targets);
    dlg.prepareManualTargets();
    dlg.setCurrentIndex(0);
    dlg.setCount(kManualPoints);
    dlg.setArcAnimation(false);
    ok = save(dlg, dir, QStringLiteral("calib-manual.png")) && ok;

    // The pen held on the target: rings half filled.
    dlg.setArcAnimation(true);
    for (int tick = 0; tick < 5; ++tick)
        dlg.OnTimer();
    ok = save(dlg, dir, QStringLiteral("calib-manual-holding.png")) && ok;
    dlg.setArcAnimation(false);

    dlg.showOutcome(text.textCS(TvMainCtrl::kTextSucceeded));
    ok = save(dlg, dir, QStringLiteral("calib-success.png")) && ok;

    // A check on a 2 m wide projection whose lower right corner is off.
    dlg.prepareWindow(CalibDlg::CheckSummary);
    int w = 0, h = 0;
    dlg.getWindowSize(w, h);
    AccuracyCheck check(dlg.geometry(), QSizeF(2000, 1125));
    const QPointF off[kCheckPoints] = {{1.2, -0.8}, {0.4, 1.1},  {-2.1, 1.5},
                                       {0.9, 0.3},  {0.2, -0.4}, {-1.8, 2.6},
                                       {1.0, -1.7}, {-2.9, 3.8}, {-7.4, 6.9}};
    const auto points = checkPoints(w, h);
    for (int i = 0; i < kCheckPoints; ++i) {
        const QPointF target(double(points[size_t(i)].x), double(points[size_t(i)].y));
        check.add(target, target + off[i]);
    }
    dlg.showCheckSummary(check);
    ok = save(dlg, dir, QStringLiteral("calib-check.png")) && ok;
    ok = screenshots::save(screenSearch(text), dir, QStringLiteral("screen-search.png")) && ok;
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    return screenshots::run(argc, argv, "tivora_calib_screenshots", renderCalibration);
}
