// Renders what the wall shows during a calibration, for docs/screenshots/:
//   tivora_calib_screenshots <folder> [language id, default 7 = English]
// writes calib-pattern.png (upright pattern), calib-manual.png (first manual target) and
// calib-manual-holding.png (its rings half filled), all 1920 x 1080.
#include "app/language/LanguageTable.h"
#include "calib/CalibDlg.h"
#include "calib/KqUtils.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

namespace {

bool save(CalibDlg& dlg, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (!dlg.grab().save(path)) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        return false;
    }
    QTextStream(stdout) << path << "\n";
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        QTextStream(stderr) << "usage: tivora_calib_screenshots <folder> [language id]\n";
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    KqUtils::setScreenSource([] { return QVector<ScreenDesc>{{QRect(0, 0, 1920, 1080), 96.0}}; });

    LanguageTable text;
    text.loadLanguage(argc == 3 ? QByteArray(argv[2]).toInt() : LanguageTable::kEnglishIndex + 1);
    CalibDlg dlg(&text);

    dlg.prepareWindow(CalibDlg::Pattern);
    dlg.prepareAutoTargets();
    bool ok = save(dlg, dir, QStringLiteral("calib-pattern.png"));

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
    return ok ? 0 : 1;
}
